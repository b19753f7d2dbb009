// kszw-cli import and view: the same checks as the dialogs, all or nothing, the rights of the menu.
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <fstream>

namespace kszw {
namespace {

using test::shellQuote;

int cli(const std::string& arguments, std::string& output)
{
    return test::runCommand(shellQuote(KSZW_CLI_PATH) + " " + arguments, output);
}

class CliImportView : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string output;
        ASSERT_EQ(cli("new-set " + shellQuote(dir.file("set")) + " --year 2026", output), 0);
        file = shellQuote(dir.file("set/2026.ksk"));
    }

    std::string csv(const std::string& name, const std::string& text)
    {
        std::ofstream(dir.file(name)) << text;
        return shellQuote(dir.file(name));
    }

    test::TempDir dir;
    std::string file;
};

TEST_F(CliImportView, ImportedSubjectsAreListedByTheChartView)
{
    std::string output;
    const std::string subjects = csv("s.csv", "code,name,kind,unit,multi_column,direction,width\n"
                                              "1001,库存现金,0,,0,0,0\n1002,银行存款,0,,0,0,0\n1002-1,工商银行,0,,0,0,0\n"
                                              "1403,原材料,1,吨,0,0,0\n");
    ASSERT_EQ(cli("import " + file + " --operator 102 subjects " + subjects, output), 0) << output;
    EXPECT_EQ(output, "4\n");
    const std::string opening = csv("o.csv", "code,direction,amount,quantity\n1001,借,500,\n1403,借,2500,10\n");
    ASSERT_EQ(cli("import " + file + " --operator 102 opening " + opening, output), 0) << output;
    ASSERT_EQ(cli("view " + file + " chart --operator 102", output), 0);
    const std::string rows = output.substr(output.find("1001\t"));
    EXPECT_EQ(rows, "1001\t库存现金\t1\t\t\t\n1002\t银行存款\t1\t\t\t\n  1002-1\t工商银行\t2\t\t\t\n"
                    "1403\t原材料\t1\t\t\t数量金额\n");
    EXPECT_EQ(output.substr(0, output.find('\n')), "# 会计科目表");
    ASSERT_EQ(cli("view " + file + " chart --subject 1002 --format csv", output), 0);
    EXPECT_NE(output.find("# 单位：××单位\n# 打印时间："), std::string::npos) << output;
    EXPECT_NE(output.find("  1002-1,工商银行,2,,,\n"), std::string::npos) << output;
}

TEST_F(CliImportView, ABadRowWritesNothingAndIsNamedWithItsLine)
{
    std::string output;
    const std::string subjects = csv("s.csv", "code,name,kind,unit,multi_column,direction,width\n"
                                              "1001,库存现金,0,,0,0,0\n1.5,坏,0,,0,0,0\n1002,银行存款,0,,0,0,0\n");
    EXPECT_EQ(cli("import " + file + " --operator 102 subjects " + subjects + " 2>&1", output), 1);
    EXPECT_EQ(output, dir.file("s.csv") + ": 第 3 行：科目代码“1.5”不合法：应为以“-”连接的数字段，不超过14个字符、6级！\n");
    EXPECT_EQ(cli("view " + file + " chart 2>&1", output), 1);
    EXPECT_EQ(output, "本年度尚未设置科目！\n");
}

TEST_F(CliImportView, ImportAndViewNeedTheRightsOfTheirMenuCommands)
{
    std::string output;
    const std::string subjects = csv("s.csv", "code,name,kind,unit,multi_column,direction,width\n1001,现金,0,,0,0,0\n");
    EXPECT_EQ(cli("import " + file + " --operator 101 subjects " + subjects + " 2>&1", output), 1);
    EXPECT_EQ(output, "操作员 101 没有“会计科目设置”的权限！\n");
    EXPECT_EQ(cli("import " + file + " --operator 101 opening " + subjects + " 2>&1", output), 1);
    EXPECT_EQ(output, "操作员 101 没有“年初会计科目余额”的权限！\n");
    EXPECT_EQ(cli("view " + file + " chart --operator 101 2>&1", output), 1);
    EXPECT_EQ(output, "操作员 101 没有“会计科目打印”的权限！\n");
    EXPECT_EQ(cli("import " + file + " --operator 102 rates " + subjects + " 2>/dev/null", output), 2);
    EXPECT_EQ(cli("import " + file + " subjects " + subjects + " 2>/dev/null", output), 2);
    EXPECT_EQ(cli("view " + file + " nothing 2>/dev/null", output), 2);
}

} // namespace
} // namespace kszw
