// kszw-cli calc: the printed value, the error message with its position, and the exit statuses.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};

std::string shellQuote(const std::string& word)
{
    std::string quoted = "'";
    for (char c : word)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

CliRun runCli(const std::vector<std::string>& words)
{
    char errPath[] = "/tmp/kszw_calc_stderr_XXXXXX";
    int fd = mkstemp(errPath);
    close(fd);
    std::string command = shellQuote(KSZW_CLI_PATH);
    for (const std::string& word : words)
        command += " " + shellQuote(word);
    command += " 2>" + shellQuote(errPath);
    CliRun run;
    FILE* pipe = popen(command.c_str(), "r");
    char buffer[4096];
    size_t n = 0;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        run.out.append(buffer, n);
    int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream err(errPath);
    std::stringstream text;
    text << err.rdbuf();
    run.err = text.str();
    std::remove(errPath);
    return run;
}

TEST(CalcCommand, PrintsValuesAsTheCalculatorShowsThem)
{
    const std::pair<std::vector<std::string>, const char*> cases[] = {
        {{"calc", "1+2*3"}, "7\n"},
        {{"calc", "1234567.5"}, "1234567.5\n"},
        {{"calc", "1/3"}, "0.333333\n"},
        {{"calc", "1-1"}, "0\n"},
        {{"calc", "0-2.50"}, "-2.5\n"},
        {{"calc", "\"abc   \"-\"d\""}, "abcd\n"},
        {{"calc", "money(10005.10)"}, "壹万零伍元壹角\n"},
        {{"calc", "1", "+", "2"}, "3\n"},
        {{"calc", "--", "--1"}, "1\n"},
        {{"calc", ""}, "\n"},
    };
    for (const auto& [words, expected] : cases) {
        CliRun run = runCli(words);
        EXPECT_EQ(run.status, 0) << words[1];
        EXPECT_EQ(run.out, expected) << words[1];
        EXPECT_EQ(run.err, "") << words[1];
    }
}

TEST(CalcCommand, ReportsErrorWithPositionAndStatusOne)
{
    CliRun run = runCli({"calc", "1/0"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "除数为零！ (position 3)\n");

    run = runCli({"calc", "\"中文\"*2"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "数据类型不匹配！ (position 6)\n");
}

TEST(CalcCommand, BadUsageExitsWithTwo)
{
    EXPECT_EQ(runCli({"calc"}).status, 2);
    EXPECT_EQ(runCli({"calc", "--no-such-option", "1"}).status, 2);
}

} // namespace
