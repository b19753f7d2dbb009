// kszw-cli view ledger, balance and turnover: the rows of the three-column ledger and of the two
// balance tables, the checks of their dialogs, and their printed pages.
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

class CliLedgers : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string output;
        ASSERT_EQ(cli("new-set " + shellQuote(dir.file("set")) + " --year 2026", output), 0);
        file = shellQuote(dir.file("set/2026.ksk"));
        ASSERT_EQ(cli("operator " + file + " --operator 101 add 103 李复核 --rights all", output), 0) << output;
        ASSERT_EQ(cli("import " + file + " --operator 102 subjects " +
                          csv("s.csv", "code,name,kind,unit,multi_column,direction,width\n"
                                       "1001,库存现金,0,,0,0,0\n1002,银行存款,0,,0,0,0\n1002-1,工商银行,0,,0,0,0\n"
                                       "1002-2,建设银行,0,,0,0,0\n6602,管理费用,0,,0,0,0\n"),
                      output),
                  0)
            << output;
        ASSERT_EQ(cli("import " + file + " --operator 102 opening " +
                          csv("o.csv", "code,direction,amount,quantity\n1001,借,1000,\n1002-1,借,5000,\n"), output),
                  0)
            << output;
        ASSERT_EQ(cli("import " + file + " --operator 102 vouchers " +
                          csv("v.csv", "date,number,attachments,summary,subject,debit,credit,quantity\n"
                                       "20260305,1,0,提取现金,1001,500,,\n"
                                       "20260305,1,0,提取现金,1002-1,,500,\n"
                                       "20260310,2,1,报销,6602,120.5,,\n"
                                       "20260310,2,1,报销,1001,,120.5,\n"
                                       "20260402,1,0,转存,1002-2,80,,\n"
                                       "20260402,1,0,转存,1001,,80,\n"),
                      output),
                  0)
            << output;
        ASSERT_EQ(cli("review " + file + " --operator 103 --all", output), 0) << output;
    }

    std::string csv(const std::string& name, const std::string& text)
    {
        std::ofstream(dir.file(name)) << text;
        return shellQuote(dir.file(name));
    }

    test::TempDir dir;
    std::string file;
};

TEST_F(CliLedgers, TheLedgerOfALeafListsItsLinesWithMonthTotals)
{
    std::string output;
    ASSERT_EQ(cli("view " + file + " ledger --operator 102 --subject 1001", output), 0) << output;
    EXPECT_EQ(output, "# 总分类帐\n"
                      "# 帐户名：库存现金\n"
                      "# 帐户号：1001    2026 年  1 月 至 12 月\n"
                      "月\t日\t凭证号码\t摘要\t借方发生额\t贷方发生额\t借或贷\t余额\n"
                      "01\t01\t\t期 初 余 额\t\t\t借\t1,000.00\n"
                      "03\t05\t0001\t提取现金\t500.00\t\t借\t1,500.00\n"
                      "03\t10\t0002\t报销\t\t120.50\t借\t1,379.50\n"
                      "03\t31\t\t本  月  合  计\t500.00\t120.50\t借\t1,379.50\n"
                      "03\t31\t\t本  年  累  计\t500.00\t120.50\t借\t1,379.50\n"
                      "04\t02\t0001\t转存\t\t80.00\t借\t1,299.50\n"
                      "04\t30\t\t本  月  合  计\t\t80.00\t借\t1,299.50\n"
                      "04\t30\t\t本  年  累  计\t500.00\t200.50\t借\t1,299.50\n");
    // The parent in automatic mode: the summary rows.
    ASSERT_EQ(cli("view " + file + " ledger --operator 102 --subject 1002 --from 4 --to 4 --format csv", output), 0)
        << output;
    EXPECT_NE(output.find("04,01,,期 初 余 额 汇 总,,500.00,借,\"4,500.00\"\n"), std::string::npos) << output;
    EXPECT_NE(output.find("04,30,,本  年  累  计,80.00,500.00,借,\"4,580.00\"\n"), std::string::npos) << output;
}

TEST_F(CliLedgers, TheBalanceTablesAddUpTheLevelAndItsChildren)
{
    std::string output;
    ASSERT_EQ(cli("view " + file + " balance --operator 102 --date 20260331", output), 0) << output;
    EXPECT_EQ(output, "# 帐户余额表\n"
                      "# 截止时间：2026 年 3 月 31 日\n"
                      "# 单位：××单位\n"
                      "# 会计主管：    复  核：    制  表：×××\n"
                      "科目代码\t科目名称\t借或贷\t余额\n"
                      "1001\t库存现金\t借\t1,379.50\n"
                      "1002\t银行存款\t借\t4,500.00\n"
                      "6602\t管理费用\t借\t120.50\n"
                      "\t         合      计\t借\t6,000.00\n");
    ASSERT_EQ(cli("view " + file + " turnover --operator 102 --from 20260401 --to 20260430 --levels all", output), 0)
        << output;
    EXPECT_NE(output.find("# 2026 年 4 月 1 日 至 30 日\n"), std::string::npos) << output;
    EXPECT_NE(output.find("1002\t银行存款\t借\t4,500.00\t80.00\t\t借\t4,580.00\n"), std::string::npos) << output;
    EXPECT_NE(output.find("1002-2\t建设银行\t平\t\t80.00\t\t借\t80.00\n"), std::string::npos) << output;
    EXPECT_NE(output.find("\t   合    计  \t借\t6,000.00\t80.00\t80.00\t借\t6,000.00\n"), std::string::npos) << output;
    // A month stands for its accounting period.
    std::string byMonth;
    ASSERT_EQ(cli("view " + file + " turnover --operator 102 --from 4 --to 4 --levels all", byMonth), 0) << byMonth;
    EXPECT_EQ(byMonth, output);
}

TEST_F(CliLedgers, TheDialogsChecksRefuseWithTheirMessages)
{
    const struct {
        std::string options;
        std::string told;
    } cases[] = {
        {"ledger --subject 1002-9", "科目“1002-9”不存在!\n"},
        {"ledger --subject 1001 --from 5 --to 4", "终止月不合理，输入一数!\n"},
        {"balance --date 20260231", "输入日不合理，请重输！\n"},
        {"balance --date 20260331 --parent 1001", "输入的科目代码不存在或没有子科目，请重输！\n"},
        {"balance --date 20260331 --parent 1%", "输入的科目代码不存在或没有子科目，请重输！\n"},
        {"turnover --parent %", "该会计科目不存在或没有子科目，请重输！\n"},
        {"balance --date 20250331", "输入日期已不在当前注册的会计年度内，请重输！\n"},
        {"turnover --from 20260501 --to 20260430", "起始时间大于终止时间，请重输！\n"},
    };
    std::string output;
    for (const auto& c : cases) {
        EXPECT_EQ(cli("view " + file + " " + c.options + " --operator 102 2>&1", output), 1) << c.options;
        EXPECT_EQ(output, c.told) << c.options;
    }
    // An account without posted lines up to the end month.
    EXPECT_EQ(cli("view " + file + " ledger --subject 1002-2 --to 3 --operator 102 2>&1", output), 1);
    EXPECT_EQ(output, "本科目(帐户)无经济内容!\n");
}

TEST_F(CliLedgers, TheViewsPrintToPdf)
{
    std::string output;
    // A figure wider than its printed column is drawn narrower, never cut short.
    ASSERT_EQ(cli("import " + file + " --operator 102 vouchers " +
                      csv("big.csv", "date,number,attachments,summary,subject,debit,credit,quantity\n"
                                     "20260501,1,0,大额,1001,12345678.9,,\n"
                                     "20260501,1,0,大额,6602,,12345678.9,\n"),
                  output),
              0)
        << output;
    ASSERT_EQ(cli("review " + file + " --operator 103 --all", output), 0) << output;
    const std::string big = dir.file("big.pdf");
    ASSERT_EQ(cli("view " + file + " ledger --subject 1001 --operator 102 --format pdf --out " + shellQuote(big), output),
              0);
    if (test::runCommand("pdftotext -layout " + shellQuote(big) + " - | tr -d ' '", output) == 0) {
        EXPECT_NE(output.find("12,345,678.90"), std::string::npos) << output;
    }
    ASSERT_EQ(cli("view " + file + " turnover --levels all --operator 102 --format pdf --out " + shellQuote(big), output),
              0);
    if (test::runCommand("pdftotext -layout " + shellQuote(big) + " - | tr -d ' '", output) == 0) {
        EXPECT_NE(output.find("12,345,678.90"), std::string::npos) << output;
    }
    for (const std::string& view : {std::string("ledger --subject 1001 --mode detail"),
                                    std::string("balance --date 20261231"), std::string("turnover --levels all")}) {
        const std::string pdf = dir.file("out.pdf");
        ASSERT_EQ(cli("view " + file + " " + view + " --operator 102 --format pdf --out " + shellQuote(pdf) + " 2>&1",
                      output),
                  0)
            << view << output;
        ASSERT_EQ(test::runCommand("pdfinfo " + shellQuote(pdf) + " 2>&1 | grep -c '^Pages:'", output), 0) << view;
        std::remove(pdf.c_str());
    }
}

} // namespace
} // namespace kszw

namespace kszw {
namespace {

TEST(CliLedgersOfTheDemo, TheMultiColumnQuantityCurrencyAndSearchViewsShowTheDemosBooks)
{
    test::TempDir dir;
    std::string output;
    ASSERT_EQ(cli("demo " + shellQuote(dir.file("demo")), output), 0) << output;
    const std::string file = shellQuote(dir.file("demo/2026.ksk"));
    ASSERT_EQ(cli("view " + file + " multicolumn --operator 102 --subject 6602 --mode detail", output), 0) << output;
    EXPECT_NE(output.find("# 多栏式帐页\n"), std::string::npos) << output;
    EXPECT_NE(output.find("借方：差旅费"), std::string::npos) << output;
    EXPECT_NE(output.find("本  月  合  计"), std::string::npos) << output;
    ASSERT_EQ(cli("view " + file + " quantity --operator 102 --subject 1403", output), 0) << output;
    EXPECT_NE(output.find("数量单位：吨"), std::string::npos) << output;
    ASSERT_EQ(cli("view " + file + " currency --operator 102 --subject 1002-3", output), 0) << output;
    EXPECT_NE(output.find("# 复 币 式 帐 页\n"), std::string::npos) << output;
    EXPECT_NE(output.find("币种名称：美元"), std::string::npos) << output;
    ASSERT_EQ(cli("view " + file + " search --operator 102 --subject 6602 --side debit", output), 0) << output;
    EXPECT_NE(output.find("合    计\t借\t"), std::string::npos) << output;

    const struct {
        std::string options;
        std::string told;
    } refusals[] = {
        {"multicolumn --subject 1001", "科目“1001”不是多栏式帐页科目！\n"},
        {"quantity --subject 1002-3", "本科目不是数量金额核算科目!\n"},
        {"search --text 差旅", "科目代码和金额必须至少指定其一。\n"},
        {"search --amount 100 --amount2 0", "没有满足条件的记录\n"},
    };
    for (const auto& c : refusals) {
        EXPECT_EQ(cli("view " + file + " " + c.options + " --operator 102 2>&1", output), 1) << c.options;
        EXPECT_EQ(output, c.told) << c.options;
    }
    for (const std::string& view : {std::string("multicolumn --subject 6602 --mode detail"),
                                   std::string("quantity --subject 1403"), std::string("currency --subject 1002-3"),
                                   std::string("search --subject 6602")}) {
        const std::string pdf = dir.file("out.pdf");
        EXPECT_EQ(cli("view " + file + " " + view + " --operator 102 --format pdf --out " + shellQuote(pdf) + " 2>&1",
                      output),
                  0)
            << view << output;
        EXPECT_EQ(test::runCommand("pdfinfo " + shellQuote(pdf) + " >/dev/null 2>&1", output), 0) << view;
        std::remove(pdf.c_str());
    }
}

} // namespace
} // namespace kszw

namespace kszw {
namespace {

TEST_F(CliLedgers, CalcWithAFileUsesTheYearsVariablesAndDataFunctions)
{
    std::string output;
    ASSERT_EQ(cli("calc --file " + file + " --operator 102 --date 20260315 'ye(\"1001\",#y)*1+#y'", output), 0)
        << output;
    EXPECT_EQ(output, "1382.5\n"); // 1,379.50 at the end of March, plus the month 3
    ASSERT_EQ(cli("calc --file " + file + " --operator 102 --date 20260315 'jf(\"1001\",1,12)'", output), 0);
    EXPECT_EQ(output, "500\n"); // the turnover leaves the opening row out
    EXPECT_EQ(cli("calc --file " + file + " --operator 102 --date 20250315 1 2>&1", output), 1);
    EXPECT_EQ(output, "凭证制作时间不在本年度内！\n");
    EXPECT_EQ(cli("calc --file " + file + " --operator 101 1 2>&1", output), 1);
    EXPECT_EQ(output, "操作员 101 没有“凭证制作”的权限！\n");
    EXPECT_EQ(cli("calc --operator 102 1 2>/dev/null", output), 2);
}

} // namespace
} // namespace kszw
