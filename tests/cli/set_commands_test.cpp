#include "store/database.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

namespace kszw {
namespace {

using test::shellQuote;

int cli(const std::string& arguments, std::string& output, bool mergeStderr = false)
{
    return test::runCommand(shellQuote(KSZW_CLI_PATH) + " " + arguments, output, mergeStderr);
}

TEST(CliNewSetAndInfo, NewSetThenInfoPrintsTheDefaultHeader)
{
    test::TempDir dir;
    const std::string folder = dir.file("set1");
    std::string output;
    ASSERT_EQ(cli("new-set " + shellQuote(folder) + " --year 2026", output), 0) << output;
    EXPECT_EQ(output, folder + " 帐套建立成功！\n" + folder + "/2026.ksk\n");

    ASSERT_EQ(cli("info " + shellQuote(folder + "/2026.ksk"), output), 0) << output;
    EXPECT_EQ(output, "file: " + folder + "/2026.ksk\n"
                      "unit: ××单位\n"
                      "chief_accountant: ×××\n"
                      "year: 2026\n"
                      "closed_months: 0\n"
                      "month_end: 031\n"
                      "year_start: 20260101\n"
                      "year_end: 20261231\n"
                      "operator: 102 ×××\n"
                      "permissions: 0201 0202 0203 0204 0205 0206 0207 0208 0209 0301 0302 0303 0304 0305 0306 "
                      "0307 0401 0402 0403 0404 0405 0406 \n");
}

TEST(CliNewSetAndInfo, InfoLogsInAsTheChosenOperator)
{
    test::TempDir dir;
    std::string output;
    ASSERT_EQ(cli("new-set " + shellQuote(dir.file("s")) + " --year 2027", output), 0);
    {
        Database db = Database::open(dir.file("s/2027.ksk"));
        db.execute("UPDATE OPR SET PSD='秘密' WHERE OPNO='101'");
    }
    ASSERT_EQ(cli("info " + shellQuote(dir.file("s/2027")) + " --operator 101 --password 秘密", output), 0);
    EXPECT_NE(output.find("operator: 101 管理员\npermissions: 0101 \n"), std::string::npos) << output;
}

TEST(CliNewSetAndInfo, RefusalsPrintTheLoginMessageAndExitOne)
{
    test::TempDir dir;
    std::string output;
    ASSERT_EQ(cli("new-set " + shellQuote(dir.file("s")) + " --year 2026", output), 0);
    const std::string file = shellQuote(dir.file("s/2026.ksk"));
    struct Case {
        std::string arguments;
        std::string message;
    };
    const Case cases[] = {
        {"info " + shellQuote(dir.file("s/2025.ksk")), "该文件不存在！\n"},
        {"info " + shellQuote(dir.file("s/2026.txt")), "不是岚屿穗帐务数据文件！\n"},
        {"info " + shellQuote(dir.file("s")), "该文件不存在！\n"},
        {"info " + file + " --password x", "操作员口今不正确！\n"},
        {"info " + file + " --operator 105", "无此操作员！\n"},
        {"new-set " + shellQuote(dir.file("s")) + " --year 2026", "该路径已被岚屿穗用户使用！\n"},
        // A folder that already holds another year is an account set too.
        {"new-set " + shellQuote(dir.file("s")) + " --year 2027", "该路径已被岚屿穗用户使用！\n"},
        // A path ending in "/" names a folder.
        {"info " + shellQuote(dir.file("s") + "/"), "岚屿穗帐务数据文件不能是文件夹！\n"},
    };
    for (const Case& c : cases) {
        std::string stdoutText;
        EXPECT_EQ(cli(c.arguments + " 2>/dev/null", stdoutText), 1) << c.arguments;
        EXPECT_EQ(stdoutText, "") << c.arguments;
        EXPECT_EQ(cli(c.arguments + " 2>&1 >/dev/null", output), 1) << c.arguments;
        EXPECT_EQ(output, c.message) << c.arguments;
    }
}

TEST(CliNewSetAndInfo, HelpPrintsTheUsageAndAnUnknownCommandIsNamed)
{
    std::string output;
    EXPECT_EQ(cli("--help", output), 0);
    EXPECT_EQ(output.substr(0, output.find('\n')), "usage: kszw-cli COMMAND ...");
    EXPECT_EQ(cli("frob 2>&1 >/dev/null", output), 2);
    EXPECT_EQ(output.substr(0, output.find('\n')), "kszw-cli: unknown command frob");
}

TEST(CliNewSetAndInfo, AFolderThatCannotBeMadeIsNamed)
{
    test::TempDir dir;
    { std::FILE* f = std::fopen(dir.file("plain").c_str(), "w"); std::fclose(f); }
    std::string output;
    EXPECT_EQ(cli("new-set " + shellQuote(dir.file("plain/set")) + " 2>&1 >/dev/null", output), 1);
    EXPECT_EQ(output, "所给路径非法，不能建立目录\n“" + dir.file("plain/set") + "”\nNot a directory\n");
}

TEST(CliNewSetAndInfo, BadUsageExitsTwo)
{
    std::string output;
    for (const char* arguments : {"", "nonsense", "new-set", "new-set a b", "new-set /tmp/x --year 20",
                                  "info", "info a --colour red", "info a --operator"})
        EXPECT_EQ(cli(std::string(arguments), output, true), 2) << arguments;
}

} // namespace
} // namespace kszw
