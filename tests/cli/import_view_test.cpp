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
    EXPECT_NE(output.find("\n# 制  表：×××\n1001\t"), std::string::npos) << output;
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

TEST_F(CliImportView, CurrenciesAndRatesAreImportedWithinTheYearOfTheFile)
{
    std::string output;
    const std::string subjects = csv("s.csv", "code,name,kind,unit,multi_column,direction,width\n"
                                              "6603,财务费用,0,,0,0,0\n6603-1,汇兑损益,0,,0,0,0\n");
    ASSERT_EQ(cli("import " + file + " --operator 102 subjects " + subjects, output), 0) << output;
    const std::string currencies = csv("c.csv", "code,name,gain_loss_subject\n1,美元,6603-1\n2,港币,6603-1\n");
    ASSERT_EQ(cli("import " + file + " --operator 102 currencies " + currencies, output), 0) << output;
    EXPECT_EQ(output, "2\n");
    const std::string rates = csv("r.csv", "currency,date,foreign,local\n1,20260105,100,683.25\n2,20261231,1,0.92\n");
    ASSERT_EQ(cli("import " + file + " --operator 102 rates " + rates, output), 0) << output;
    EXPECT_EQ(output, "2\n");
    // A day after the year's end (T13 of the file) refuses the whole file.
    const std::string late = csv("l.csv", "currency,date,foreign,local\n1,20260601,100,690\n1,20270101,100,690\n");
    EXPECT_EQ(cli("import " + file + " --operator 102 rates " + late + " 2>&1", output), 1);
    EXPECT_EQ(output, dir.file("l.csv") + ": 第 3 行：所设置的时间已不在本年度的\n年初日与年末日之间，请重输!\n");
    const std::string again = csv("a.csv", "currency,date,foreign,local\n1,20260601,100,690\n");
    ASSERT_EQ(cli("import " + file + " --operator 102 rates " + again, output), 0) << output;
    EXPECT_EQ(output, "1\n");
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
    EXPECT_EQ(cli("import " + file + " --operator 101 currencies " + subjects + " 2>&1", output), 1);
    EXPECT_EQ(output, "操作员 101 没有“外币科目设置”的权限！\n");
    EXPECT_EQ(cli("import " + file + " --operator 101 rates " + subjects + " 2>&1", output), 1);
    EXPECT_EQ(output, "操作员 101 没有“外币汇率设置”的权限！\n");
    EXPECT_EQ(cli("import " + file + " --operator 102 nothing " + subjects + " 2>/dev/null", output), 2);
    EXPECT_EQ(cli("import " + file + " subjects " + subjects + " 2>/dev/null", output), 2);
    EXPECT_EQ(cli("view " + file + " nothing 2>/dev/null", output), 2);
}

// Pages of a PDF file as pdfinfo counts them; -1 when it cannot be read.
int pdfPages(const std::string& path)
{
    std::string info;
    if (test::runCommand("pdfinfo " + shellQuote(path) + " 2>/dev/null", info) != 0)
        return -1;
    const size_t at = info.find("Pages:");
    return at == std::string::npos ? -1 : std::stoi(info.substr(at + 6));
}

TEST_F(CliImportView, TheChartPrintsToPdfWithTheViewsPagesAndTheOperatorInTheFoot)
{
    std::string output;
    std::string rows = "code,name,kind,unit,multi_column,direction,width\n";
    for (int code = 1001; code <= 1038; ++code)
        rows += std::to_string(code) + ",科目" + std::to_string(code) + ",0,,0,0,0\n";
    rows += "1038-1,明细一,0,,0,0,0\n1038-2,明细二,0,,0,0,0\n";
    ASSERT_EQ(cli("import " + file + " --operator 102 subjects " + csv("s.csv", rows), output), 0) << output;

    // 40 rows at 17 a page (the printed page of the chart print view): 17 + 17 + 6.
    const std::string pdf = dir.file("chart.pdf");
    ASSERT_EQ(cli("view " + file + " chart --operator 102 --format pdf --out " + shellQuote(pdf) + " 2>&1", output), 0)
        << output;
    EXPECT_EQ(output, "");
    EXPECT_EQ(pdfPages(pdf), 3);
    if (test::runCommand("pdftotext -layout " + shellQuote(pdf) + " - | tr -d ' '", output) == 0) {
        EXPECT_NE(output.find("会计科目表"), std::string::npos) << output;
        EXPECT_NE(output.find("制表：×××"), std::string::npos) << output; // the operator 102
        EXPECT_NE(output.find("第3页"), std::string::npos) << output;
    }
    // A subtree prints on one page.
    ASSERT_EQ(cli("view " + file + " chart --subject 1038 --format pdf --out " + shellQuote(pdf), output), 0);
    EXPECT_EQ(pdfPages(pdf), 1);

    // A leaf is refused as in the scope dialog, and nothing is written.
    const std::string leaf = dir.file("leaf.pdf");
    EXPECT_EQ(cli("view " + file + " chart --subject 1001 --format pdf --out " + shellQuote(leaf) + " 2>&1", output), 1);
    EXPECT_EQ(output, "该科目不存在或没有子科目，请重输！\n");
    EXPECT_EQ(pdfPages(leaf), -1);
    EXPECT_EQ(cli("view " + file + " chart --format pdf --out " + shellQuote(dir.file("none/x.pdf")) + " 2>&1", output),
              1);
    EXPECT_EQ(output, "无法写入文件“" + dir.file("none/x.pdf") + "”！\n");
    // A PDF needs a file to go to.
    EXPECT_EQ(cli("view " + file + " chart --format pdf 2>/dev/null", output), 2);
    // The text formats start no toolkit: they run where no display platform can be loaded.
    ASSERT_EQ(test::runCommand("env -u DISPLAY QT_QPA_PLATFORM=none " + shellQuote(KSZW_CLI_PATH) + " view " + file +
                                   " chart --subject 1038 2>&1",
                               output),
              0);
    EXPECT_NE(output.find("  1038-2\t明细二\t2\t\t\t\n"), std::string::npos) << output;
}

} // namespace
} // namespace kszw
