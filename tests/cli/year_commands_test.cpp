// kszw-cli new-year and set-info: the same operations, checks and messages as the new-year and
// account-set information dialogs, the answer to the question from --yes, and the right they need.
#include "accountset/year_file.h"
#include "store/database.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace kszw {
namespace {

using test::shellQuote;

namespace fs = std::filesystem;

class CliYearCommands : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = dir.file("books");
        fs::create_directory(folder);
        file = folder + "/2026.ksk";
        createYearFile(file, 2026);
        Database db = Database::open(file);
        db.execute("UPDATE OPR SET PSD='pw' WHERE OPNO='101'");
        db.execute("UPDATE SYSTAB SET T1='20251226'");
    }

    // Runs kszw-cli; out gets stdout, err stderr.
    int cli(const std::string& arguments)
    {
        const std::string errFile = dir.file("stderr.txt");
        const int status = test::runCommand(shellQuote(KSZW_CLI_PATH) + " " + arguments + " 2>" + shellQuote(errFile), out);
        test::runCommand("cat " + shellQuote(errFile), err);
        return status;
    }

    std::string header()
    {
        Database db = Database::open(file);
        return db.queryText("SELECT NA||'|'||KJ||'|'||JT||'|'||T1||'|'||T13 FROM SYSTAB").value_or("");
    }

    test::TempDir dir;
    std::string folder;
    std::string file;
    std::string out;
    std::string err;
};

TEST_F(CliYearCommands, NewYearWithYesCreatesTheYearInTheSameFolder)
{
    ASSERT_EQ(cli("new-year " + shellQuote(file) + " --operator 101 --password pw --year 2027 --yes"), 0) << err;
    EXPECT_EQ(out, folder + "/2027.ksk\n");
    EXPECT_EQ(err, "真的要建立“2027”年的数据文件吗？ 是\n2027年数据文件建立完毕！\n");
    Database db = Database::open(folder + "/2027.ksk");
    EXPECT_EQ(db.queryText("SELECT PY||'|'||T1||'|'||T13 FROM SYSTAB").value(), "2027|20261226|20271231");

    // The year exists now: refused before the question.
    EXPECT_EQ(cli("new-year " + shellQuote(file) + " --operator 101 --password pw --year 2027 --yes"), 1);
    EXPECT_EQ(err, "“" + folder + "/2027.ksk”已存在，不能再建立！\n");
}

TEST_F(CliYearCommands, NewYearWithoutYesTakesTheDefaultNoAndCreatesNothing)
{
    EXPECT_EQ(cli("new-year " + shellQuote(file) + " --operator 101 --password pw --year 2027"), 1);
    EXPECT_EQ(out, "");
    EXPECT_EQ(err, "真的要建立“2027”年的数据文件吗？ 否\n没有建立“2027”年的数据文件：要建立时请加 --yes。\n");
    EXPECT_FALSE(fs::exists(folder + "/2027.ksk"));
}

TEST_F(CliYearCommands, SetInfoChangesOnlyTheFieldsGiven)
{
    ASSERT_EQ(cli("set-info " + shellQuote(file) + " --operator 101 --password pw --unit 甲公司 --t13 20270105"), 0)
        << err;
    EXPECT_EQ(err, "修改结束\n");
    EXPECT_EQ(header(), "甲公司|×××|031|20251226|20270105");
    ASSERT_EQ(cli("set-info " + shellQuote(file) + " --operator 101 --password pw --chief 李会计 --jt 105"), 0)
        << err;
    EXPECT_EQ(header(), "甲公司|李会计|105|20251226|20270105");
}

TEST_F(CliYearCommands, SetInfoOfTheMonthEndDayWithAVoucherLineIsRefused)
{
    {
        Database db = Database::open(file);
        db.execute("INSERT INTO P0 VALUES('20260105','0001',1,'x','101',1,1,0,'2','01')");
    }
    EXPECT_EQ(cli("set-info " + shellQuote(file) + " --operator 101 --password pw --unit 乙 --jt 025"), 1);
    EXPECT_EQ(err, "本年度已有凭证分录，不能修改月结日！\n");
    EXPECT_EQ(header(), "××单位|×××|031|20251226|20261231");
    EXPECT_EQ(cli("set-info " + shellQuote(file) + " --operator 101 --password pw --t1 20260111"), 1);
    EXPECT_EQ(err, "年初日只能是2025年12月20日至2026年1月10日之间的日期！\n");
}

TEST_F(CliYearCommands, BothNeedTheRightOfAccountAdministration)
{
    for (const std::string& command : {"new-year " + shellQuote(file) + " --operator 102 --year 2027 --yes",
                                       "set-info " + shellQuote(file) + " --operator 102 --unit 乙"}) {
        EXPECT_EQ(cli(command), 1) << command;
        EXPECT_EQ(err, "操作员 102 没有“帐务管理”的权限！\n") << command;
    }
    EXPECT_FALSE(fs::exists(folder + "/2027.ksk"));
    EXPECT_EQ(header(), "××单位|×××|031|20251226|20261231");
    EXPECT_EQ(cli("set-info " + shellQuote(file) + " --operator 101 --password wrong --unit 乙"), 1);
    EXPECT_EQ(err, "操作员口今不正确！\n");
}

TEST_F(CliYearCommands, BadUsageExitsTwo)
{
    const std::string f = shellQuote(file);
    for (const std::string& arguments : std::vector<std::string>{
             "new-year " + f + " --operator 101 --year 07", "new-year " + f + " --operator 101 --year 2O08",
          "new-year " + f + " --year 2027", "new-year --operator 101 --year 2027", "new-year " + f + " --operator 101",
          "set-info " + f, "set-info " + f + " --operator 101 --colour red", "set-info --operator 101"}) {
        EXPECT_EQ(cli(arguments), 2) << arguments;
        EXPECT_EQ(out, "") << arguments;
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
}

} // namespace
} // namespace kszw
