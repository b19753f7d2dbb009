// kszw-cli import under a hard kill and side by side with another import on one file: the year file
// stays a whole database, opens like a login, and holds either all of an import or none of it; two
// imports that number their vouchers in the same month never take one number twice.
//
// The kill moments come from a seeded generator (KSZW_CRASH_SEED overrides the default seed; every
// failure names the seed and the kill). Some kills fall anywhere in the run, scaled by one uncut run
// measured first; the others fall just after the year file starts to grow, which is when the
// import's transaction writes its pages, so the moment of writing is always among those tried.
#include "store/database.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace kszw {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using test::readFile;

constexpr int kVouchers = 5000;
constexpr int kKills = 20;
constexpr int kConcurrentVouchers = 1000;
// Only a hang guard: a child that has not ended by then is killed and the test fails.
constexpr auto kChildLimit = 120s;
constexpr unsigned kDefaultSeed = 20260314;

const char* const kChartCsv = "code,name,kind,unit,multi_column,direction,width\n"
                              "1001,库存现金,0,,0,0,0\n1002,银行存款,0,,0,0,0\n"
                              "6001,主营业务收入,0,,0,0,0\n6602,管理费用,0,,0,0,0\n";

// A kszw-cli run in a child process, its stdout and stderr going to files.
struct Child {
    pid_t pid = -1;
    std::string outPath;
    std::string errPath;
};

Child startCli(const std::vector<std::string>& arguments, const std::string& outPath, const std::string& errPath)
{
    Child child{-1, outPath, errPath};
    std::vector<std::string> words{KSZW_CLI_PATH};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (posix_spawn(&child.pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        child.pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return child;
}

// Waits for the child to end (killing it when it outlives the hang guard); its wait status, or -1.
int waitChild(pid_t pid)
{
    const auto limit = Clock::now() + kChildLimit;
    int status = 0;
    for (;;) {
        const pid_t ended = ::waitpid(pid, &status, WNOHANG);
        if (ended == pid)
            return status;
        if (ended < 0)
            return -1;
        if (Clock::now() > limit) {
            ADD_FAILURE() << "kszw-cli (pid " << pid << ") did not end; killed";
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(2ms);
    }
}

// True once the child has ended; it is left to be waited for.
bool hasEnded(pid_t pid)
{
    siginfo_t info{};
    return ::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0 || info.si_pid == pid;
}

std::string describeStatus(int status)
{
    if (status < 0)
        return "not waited for";
    if (WIFEXITED(status))
        return "exit " + std::to_string(WEXITSTATUS(status));
    if (WIFSIGNALED(status))
        return "signal " + std::to_string(WTERMSIG(status));
    return "status " + std::to_string(status);
}

long fileSize(const std::string& path)
{
    struct stat info{};
    return ::stat(path.c_str(), &info) == 0 ? static_cast<long>(info.st_size) : -1;
}

// `count` two-line vouchers spread over the year, numbered from 1 in each month (or, with
// `oneMonth`, all in that month with empty numbers, so the generator numbers them).
std::string voucherCsv(int count, const std::string& summaryMark, int oneMonth = 0)
{
    std::string text = "date,number,attachments,summary,subject,debit,credit,quantity\n";
    char row[240];
    int number = 0;
    int lastMonth = 0;
    for (int i = 0; i < count; ++i) {
        const int month = oneMonth ? oneMonth : 1 + i * 12 / count;
        number = month == lastMonth ? number + 1 : 1;
        lastMonth = month;
        const std::string numberText = oneMonth ? "" : std::to_string(number);
        char date[16];
        std::snprintf(date, sizeof date, "2026%02d%02d", month, 1 + i % 28);
        const std::string summary = summaryMark + std::to_string(i);
        const std::string amount = std::to_string(100 + i % 900) + "." + std::to_string(10 + i % 90);
        const char* debitSubject = i % 2 ? "1002" : "6602";
        const char* creditSubject = i % 2 ? "6001" : "1001";
        std::snprintf(row, sizeof row, "%s,%s,1,%s,%s,%s,,\n%s,%s,1,%s,%s,,%s,\n", date, numberText.c_str(),
                      summary.c_str(), debitSubject, amount.c_str(), date, numberText.c_str(), summary.c_str(),
                      creditSubject, amount.c_str());
        text += row;
    }
    return text;
}

// What a year file holds after an import was cut or raced.
struct FileState {
    std::string integrity;
    int headers = 0;
    int lines = 0;
    int orphanLines = 0;    // lines without their voucher's header
    int emptyHeaders = 0;   // headers without a line
    int takenTwice = 0;     // numbers used by more than one voucher of a month
    std::string error;      // the engine's error when the file could not be read
};

FileState readState(const std::string& path)
{
    FileState state;
    try {
        Database db = Database::open(path);
        state.integrity = db.queryText("PRAGMA integrity_check").value_or("");
        state.headers = db.queryLong("SELECT count(*) FROM CERDIR");
        state.lines = db.queryLong("SELECT count(*) FROM P0");
        state.orphanLines = db.queryLong(
            "SELECT count(*) FROM P0 WHERE NOT EXISTS (SELECT 1 FROM CERDIR WHERE CERDIR.T=P0.T AND CERDIR.CER=P0.CER)");
        state.emptyHeaders = db.queryLong(
            "SELECT count(*) FROM CERDIR WHERE NOT EXISTS (SELECT 1 FROM P0 WHERE P0.T=CERDIR.T AND P0.CER=CERDIR.CER)");
        state.takenTwice = db.queryLong("SELECT count(*) FROM (SELECT 1 FROM CERDIR GROUP BY substr(T,1,6),"
                                        "upper(trim(CER)) HAVING count(*)>1) AS twice");
    } catch (const std::exception& error) {
        state.error = error.what();
    }
    return state;
}

class CliCrashSafety : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string output;
        const std::string set = dir.file("base");
        ASSERT_EQ(test::runCommand(test::shellQuote(KSZW_CLI_PATH) + " new-set " + test::shellQuote(set) + " --year 2026",
                                   output, true),
                  0)
            << output;
        base = set + "/2026.ksk";
        std::ofstream(dir.file("chart.csv")) << kChartCsv;
        ASSERT_EQ(test::runCommand(test::shellQuote(KSZW_CLI_PATH) + " import " + test::shellQuote(base)
                                       + " --operator 102 subjects " + test::shellQuote(dir.file("chart.csv")),
                                   output, true),
                  0)
            << output;
    }

    // A fresh copy of the set's year file (with its chart, no vouchers) in a folder of its own.
    std::string freshYearFile(const std::string& folder)
    {
        std::filesystem::create_directories(dir.file(folder));
        const std::string path = dir.file(folder) + "/2026.ksk";
        std::filesystem::copy_file(base, path, std::filesystem::copy_options::overwrite_existing);
        return path;
    }

    // Opens the file as the login does, as operator 102; the command's output when it fails.
    bool logsIn(const std::string& path, std::string& output)
    {
        return test::runCommand(test::shellQuote(KSZW_CLI_PATH) + " info " + test::shellQuote(path) + " --operator 102",
                                output, true)
               == 0;
    }

    test::TempDir dir;
    std::string base;
};

unsigned crashSeed()
{
    const char* text = std::getenv("KSZW_CRASH_SEED");
    return text && *text ? static_cast<unsigned>(std::strtoul(text, nullptr, 10)) : kDefaultSeed;
}

TEST_F(CliCrashSafety, AnImportKilledAtAnyMomentLeavesAWholeFileWithAllOrNoneOfIt)
{
    const unsigned seed = crashSeed();
    RecordProperty("seed", static_cast<int>(seed));
    std::cout << "crash seed " << seed << " (set KSZW_CRASH_SEED to repeat)\n";
    const std::string csv = dir.file("vouchers.csv");
    std::ofstream(csv) << voucherCsv(kVouchers, "导入");

    // One uncut run: it stores every voucher, and its length scales the kill moments.
    const std::string uncut = freshYearFile("uncut");
    const auto started = Clock::now();
    const Child whole = startCli({"import", uncut, "--operator", "102", "vouchers", csv}, dir.file("uncut.out"),
                                 dir.file("uncut.err"));
    ASSERT_GT(whole.pid, 0) << "cannot start " << KSZW_CLI_PATH;
    const int wholeStatus = waitChild(whole.pid);
    const auto duration = Clock::now() - started;
    ASSERT_TRUE(wholeStatus >= 0 && WIFEXITED(wholeStatus) && WEXITSTATUS(wholeStatus) == 0)
        << describeStatus(wholeStatus) << "\n" << readFile(whole.errPath);
    EXPECT_EQ(readFile(whole.outPath), std::to_string(kVouchers) + "\n");
    const FileState full = readState(uncut);
    ASSERT_EQ(full.integrity, "ok") << full.error;
    ASSERT_EQ(full.headers, kVouchers);
    ASSERT_EQ(full.lines, 2 * kVouchers);
    const double durationUs = std::chrono::duration<double, std::micro>(duration).count();
    std::cout << "uncut import of " << kVouchers << " vouchers: " << durationUs / 1e6 << " s\n";

    std::mt19937 random(seed);
    std::uniform_real_distribution<double> anywhere(0.02, 1.0);
    std::uniform_int_distribution<int> afterGrowthUs(0, 3000);
    int none = 0, all = 0, finished = 0, cutInTransaction = 0, cutWhileWriting = 0;
    for (int kill = 1; kill <= kKills; ++kill) {
        // Every fifth kill follows the first growth of the file; the others fall anywhere in the run.
        const bool atWriting = kill % 5 == 0;
        const double anywhereUs = anywhere(random) * durationUs;
        const int growthUs = afterGrowthUs(random);
        std::ostringstream moment;
        if (atWriting)
            moment << growthUs << " us after the file grew";
        else
            moment << anywhereUs / 1e6 << " s after the start";
        SCOPED_TRACE("seed " + std::to_string(seed) + ", kill " + std::to_string(kill) + " at " + moment.str());

        const std::string file = freshYearFile("kill" + std::to_string(kill));
        const long sizeBefore = fileSize(file);
        const std::string name = dir.file("kill" + std::to_string(kill));
        const auto killStart = Clock::now();
        const Child child = startCli({"import", file, "--operator", "102", "vouchers", csv}, name + ".out", name + ".err");
        ASSERT_GT(child.pid, 0);
        if (atWriting) {
            // Watch the file; the kill follows its first growth (or the child ends first).
            const auto limit = killStart + kChildLimit;
            while (fileSize(file) == sizeBefore && !hasEnded(child.pid) && Clock::now() < limit)
                std::this_thread::sleep_for(100us);
            std::this_thread::sleep_for(std::chrono::microseconds(growthUs));
        } else {
            std::this_thread::sleep_until(killStart + std::chrono::microseconds(static_cast<long>(anywhereUs)));
        }
        ::kill(child.pid, SIGKILL);
        const int status = waitChild(child.pid);
        const bool wasKilled = status >= 0 && WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
        const bool succeeded = status >= 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
        EXPECT_TRUE(wasKilled || succeeded) << describeStatus(status) << "\n" << readFile(child.errPath);
        // A journal left behind means the kill cut the transaction; a grown file, that it cut its writing.
        const bool journalLeft = fileSize(file + "-journal") > 0;
        cutInTransaction += wasKilled && journalLeft;
        cutWhileWriting += wasKilled && journalLeft && fileSize(file) != sizeBefore;

        // After the crash the file opens like a login ...
        std::string output;
        EXPECT_TRUE(logsIn(file, output)) << output;
        // ... is a whole database ...
        const FileState state = readState(file);
        EXPECT_EQ(state.integrity, "ok") << state.error;
        // ... and holds all of the import or none of it; an import that said it finished holds all.
        EXPECT_TRUE(state.headers == 0 || state.headers == kVouchers) << state.headers << " vouchers";
        EXPECT_EQ(state.lines, 2 * state.headers);
        EXPECT_EQ(state.orphanLines, 0);
        EXPECT_EQ(state.emptyHeaders, 0);
        EXPECT_EQ(state.takenTwice, 0);
        if (succeeded) {
            EXPECT_EQ(state.headers, kVouchers) << "the import reported success";
        }
        none += state.headers == 0;
        all += state.headers == kVouchers;
        finished += succeeded;
        std::error_code ignored;
        std::filesystem::remove_all(dir.file("kill" + std::to_string(kill)), ignored);
    }
    std::cout << kKills << " kills: " << none << " left none, " << all << " left all (" << finished
              << " had finished before the kill); " << cutInTransaction << " cut the transaction, "
              << cutWhileWriting << " of them while it wrote the file\n";
}

TEST_F(CliCrashSafety, TwoImportsAtOnceBothEndClearlyAndTakeNoNumberTwice)
{
    const std::string file = freshYearFile("shared");
    // Both files number their vouchers in March: a number taken twice would show there.
    const std::string first = dir.file("first.csv");
    const std::string second = dir.file("second.csv");
    std::ofstream(first) << voucherCsv(kConcurrentVouchers, "甲", 3);
    std::ofstream(second) << voucherCsv(kConcurrentVouchers, "乙", 3);
    const Child a = startCli({"import", file, "--operator", "102", "vouchers", first}, dir.file("a.out"), dir.file("a.err"));
    const Child b = startCli({"import", file, "--operator", "102", "vouchers", second}, dir.file("b.out"), dir.file("b.err"));
    ASSERT_GT(a.pid, 0);
    ASSERT_GT(b.pid, 0);
    const int statusA = waitChild(a.pid);
    const int statusB = waitChild(b.pid);

    const std::string busy = "帐务数据文件“" + file + "”正被其他程序使用，请稍后再试！\n";
    int succeeded = 0;
    for (const auto& [child, status] : {std::pair{a, statusA}, std::pair{b, statusB}}) {
        const std::string out = readFile(child.outPath);
        const std::string err = readFile(child.errPath);
        ASSERT_TRUE(status >= 0 && WIFEXITED(status)) << describeStatus(status) << "\n" << err;
        const int code = WEXITSTATUS(status);
        if (code == 0) {
            ++succeeded;
            EXPECT_EQ(out, std::to_string(kConcurrentVouchers) + "\n");
            EXPECT_EQ(err, "");
        } else {
            // Refused because the other import held the file: the message names the busy file.
            EXPECT_EQ(code, 1);
            EXPECT_EQ(err.substr(0, busy.size()), busy) << err;
        }
    }
    EXPECT_GE(succeeded, 1) << "neither import went through";
    std::cout << "two imports at once: " << describeStatus(statusA) << ", " << describeStatus(statusB) << "\n";

    std::string output;
    EXPECT_TRUE(logsIn(file, output)) << output;
    const FileState state = readState(file);
    EXPECT_EQ(state.integrity, "ok") << state.error;
    EXPECT_EQ(state.headers, succeeded * kConcurrentVouchers);
    EXPECT_EQ(state.lines, 2 * state.headers);
    EXPECT_EQ(state.orphanLines, 0);
    EXPECT_EQ(state.emptyHeaders, 0);
    EXPECT_EQ(state.takenTwice, 0) << "a voucher number of March was taken twice";
    // Each import is all or nothing, and exactly the ones that said so went in.
    Database db = Database::open(file);
    const int firstLines = db.queryLong("SELECT count(*) FROM P0 WHERE MRY LIKE '甲%'");
    const int secondLines = db.queryLong("SELECT count(*) FROM P0 WHERE MRY LIKE '乙%'");
    const bool firstOk = WIFEXITED(statusA) && WEXITSTATUS(statusA) == 0;
    const bool secondOk = WIFEXITED(statusB) && WEXITSTATUS(statusB) == 0;
    EXPECT_EQ(firstLines, firstOk ? 2 * kConcurrentVouchers : 0);
    EXPECT_EQ(secondLines, secondOk ? 2 * kConcurrentVouchers : 0);
    // One voucher's lines all carry its one number: no voucher was split between the two imports.
    EXPECT_EQ(db.queryLong("SELECT count(*) FROM (SELECT 1 FROM P0 GROUP BY T,CER HAVING count(DISTINCT substr(MRY,1,1))>1) AS mixed"),
              0);
}

TEST_F(CliCrashSafety, AnImportThatCannotGetTheFileIsRefusedNamingItAndChangesNothing)
{
    const std::string file = freshYearFile("held");
    const std::string csv = dir.file("few.csv");
    std::ofstream(csv) << voucherCsv(10, "丙", 4);
    // Another program holds the write lock for longer than an import waits.
    Database holder = Database::open(file);
    holder.execute("BEGIN IMMEDIATE");
    const Child child = startCli({"import", file, "--operator", "102", "vouchers", csv}, dir.file("held.out"),
                                 dir.file("held.err"));
    ASSERT_GT(child.pid, 0);
    const int status = waitChild(child.pid);
    holder.execute("ROLLBACK");
    holder.close();
    const std::string err = readFile(child.errPath);
    ASSERT_TRUE(status >= 0 && WIFEXITED(status)) << describeStatus(status);
    EXPECT_EQ(WEXITSTATUS(status), 1) << err;
    EXPECT_EQ(err, "帐务数据文件“" + file + "”正被其他程序使用，请稍后再试！\ndatabase is locked\n");
    EXPECT_EQ(readFile(child.outPath), "");
    const FileState state = readState(file);
    EXPECT_EQ(state.integrity, "ok") << state.error;
    EXPECT_EQ(state.headers, 0);
    EXPECT_EQ(state.lines, 0);
}

} // namespace
} // namespace kszw
