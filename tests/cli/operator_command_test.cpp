// kszw-cli operator: adding, giving rights and deleting as the administrator, with the dialogs'
// refusals on stderr (exit 1) and bad usage (exit 2).
#include "accountset/year_file.h"
#include "store/database.h"
#include "store/ks_dbset.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace kszw {
namespace {

using test::shellQuote;

class CliOperator : public ::testing::Test {
protected:
    CliOperator() : file(dir.file("2026.ksk")) { createYearFile(file, 2026); }

    // Runs "operator FILE --operator OP <words>"; output gets stdout.
    int run(const std::string& op, const std::string& words, std::string& output)
    {
        return test::runCommand(shellQuote(KSZW_CLI_PATH) + " operator " + shellQuote(file) + " --operator " + op + " "
                                    + words + " 2>/dev/null",
                                output);
    }
    // The same, giving what went to stderr.
    int runForError(const std::string& op, const std::string& words, std::string& error)
    {
        return test::runCommand(shellQuote(KSZW_CLI_PATH) + " operator " + shellQuote(file) + " --operator " + op + " "
                                    + words + " 2>&1 >/dev/null",
                                error);
    }

    std::vector<std::string> rows(const std::string& sql)
    {
        Database db = Database::open(file);
        std::vector<std::string> result;
        KS_Dbset set(db);
        for (set.open(sql); !set.isEOF(); set.moveNext())
            result.push_back(set.isNullAt(1) ? set.textAt(0) + "|NULL" : set.textAt(0) + "|" + set.textAt(1));
        return result;
    }

    test::TempDir dir;
    std::string file;
};

TEST_F(CliOperator, AddGivesTheNewOperatorTheListedRights)
{
    std::string output;
    ASSERT_EQ(run("101", "add 103 张三 --rights 0201,0406", output), 0);
    EXPECT_EQ(output, "103        张三\nrights: 0201 0406\n");
    EXPECT_EQ(rows("SELECT OPNO,NA FROM OPR WHERE OPNO='103'"), std::vector<std::string>{"103|张三"});
    EXPECT_EQ(rows("SELECT OPNO,PWR FROM PWR WHERE OPNO='103' ORDER BY PWR"),
              (std::vector<std::string>{"103|NULL", "103|0201", "103|0406"}));

    ASSERT_EQ(run("101", "add 104 李四", output), 0);
    EXPECT_EQ(output, "104        李四\nrights:\n");
}

TEST_F(CliOperator, AllMeansTheWorkingRightsAndRightsReplacesTheWholeSet)
{
    std::string output;
    ASSERT_EQ(run("101", "add 103 张三 --rights all", output), 0);
    EXPECT_EQ(output, "103        张三\nrights: 0201 0202 0203 0204 0205 0206 0207 0208 0209 0301 0302 0303 0304 0305 "
                      "0306 0307 0401 0402 0403 0404 0405 0406\n");
    ASSERT_EQ(run("101", "rights 103 0305,0201", output), 0);
    EXPECT_EQ(output, "103        张三\nrights: 0201 0305\n");
    ASSERT_EQ(run("101", "rights 103 ''", output), 0);
    EXPECT_EQ(output, "103        张三\nrights:\n");
}

TEST_F(CliOperator, DeleteRemovesTheOperatorAndRights)
{
    std::string output;
    ASSERT_EQ(run("101", "add 103 张三 --rights 0201", output), 0);
    ASSERT_EQ(run("101", "delete 103", output), 0);
    EXPECT_EQ(output, "deleted: 103        张三\n");
    EXPECT_EQ(rows("SELECT OPNO,NA FROM OPR WHERE OPNO='103'"), std::vector<std::string>{});
    EXPECT_EQ(rows("SELECT OPNO,PWR FROM PWR WHERE OPNO='103'"), std::vector<std::string>{});
}

TEST_F(CliOperator, RefusalsPrintTheDialogsMessageAndChangeNothing)
{
    {
        Database db = Database::open(file);
        db.execute("INSERT INTO CERDIR(T,CER,OPP,OPN,PN,LY,MK,TT) VALUES('20260105','0001','102',NULL,0,'0','2','01')");
    }
    const std::pair<std::string, std::string> cases[] = {
        {"add 101 张三", "代码不合法，请重输！\n"},
        {"add 099 张三", "代码不合法，请重输！\n"},
        {"add 12 张三", "代码不合法，请重输！\n"},
        {"add '1 2' 张三", "代码不合法，请重输！\n"},
        {"add 102 张三", "该代码已存在，请重输！\n"},
        {"add 103 \"张'三\"", "操作员姓名中输入了无效字符，请重输！\n"},
        {"add 103 张三李四五", "姓名不能超过8个字节（4个汉字），请重输！\n"},
        {"add 103 ''", "姓名不能为空，请重输！\n"},
        // A refused right takes the new operator back with it.
        {"add 103 张三 --rights 0201,0101", "“帐务管理”权限不能授予或收回！\n"},
        {"add 103 张三 --rights 0201,9999", "权限代码“9999”不存在！\n"},
        {"rights 101 0201", "代码为101的操作员的权限不能更改！\n"},
        {"rights 102 0101", "“帐务管理”权限不能授予或收回！\n"},
        {"rights 108 0201", "无此操作员！\n"},
        {"delete 101", "不允许删除代码为101的操作员！\n"},
        {"delete 102", "该操作员本年度已有操作记录，不能删除！\n"},
        {"delete 108", "无此操作员！\n"},
    };
    const std::vector<std::string> operators = rows("SELECT OPNO,NA FROM OPR ORDER BY OPNO");
    const std::vector<std::string> rights = rows("SELECT OPNO,PWR FROM PWR ORDER BY OPNO,PWR");
    for (const auto& [words, message] : cases) {
        std::string output;
        EXPECT_EQ(run("101", words, output), 1) << words;
        EXPECT_EQ(output, "") << words;
        EXPECT_EQ(runForError("101", words, output), 1) << words;
        EXPECT_EQ(output, message) << words;
    }
    EXPECT_EQ(rows("SELECT OPNO,NA FROM OPR ORDER BY OPNO"), operators);
    EXPECT_EQ(rows("SELECT OPNO,PWR FROM PWR ORDER BY OPNO,PWR"), rights);
}

TEST_F(CliOperator, AnOperatorWithoutTheAdministrationRightIsRefused)
{
    std::string error;
    EXPECT_EQ(runForError("102", "add 103 张三", error), 1);
    EXPECT_EQ(error, "操作员 102 没有“帐务管理”的权限！\n");
    EXPECT_EQ(rows("SELECT OPNO,NA FROM OPR WHERE OPNO='103'"), std::vector<std::string>{});
    {
        Database db = Database::open(file);
        db.execute("UPDATE OPR SET PSD='abc' WHERE OPNO='101'");
    }
    EXPECT_EQ(runForError("101", "delete 102", error), 1);
    EXPECT_EQ(error, "操作员口今不正确！\n");
    std::string output;
    EXPECT_EQ(run("101", "--password abc add 103 张三", output), 0);
}

TEST_F(CliOperator, BadUsageExitsTwo)
{
    const std::string cli = shellQuote(KSZW_CLI_PATH) + " operator ";
    const std::string f = shellQuote(file);
    for (const std::string& words :
         {std::string(""), f, f + " add 103 张三", f + " --operator 101", f + " --operator 101 add 103",
          f + " --operator 101 add 103 张三 extra", f + " --operator 101 rights 103",
          f + " --operator 101 delete", f + " --operator 101 delete 103 104", f + " --operator 101 rename 103 105",
          f + " --operator 101 rights 103 0201 --rights 0202", f + " --operator 101 add 103 张三 --colour red",
          f + " --operator"}) {
        std::string output;
        EXPECT_EQ(test::runCommand(cli + words + " 2>&1", output), 2) << words;
        EXPECT_NE(output.find("usage: kszw-cli operator FILE"), std::string::npos) << words;
    }
    EXPECT_EQ(rows("SELECT OPNO,NA FROM OPR WHERE OPNO='103'"), std::vector<std::string>{});
}

} // namespace
} // namespace kszw
