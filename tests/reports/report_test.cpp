// The financial statements: the shipped definitions written against the chart, their tables in the
// year file, the calculation with line references, failures carried to the totals, the balance
// check and the printed table.
#include "accountset/year_file.h"
#include "chart/chart_import.h"
#include "common/text.h"
#include "formula/format_number.h"
#include "reports/report_calculation.h"
#include "reports/report_definitions.h"
#include "store/database.h"
#include "store/database_error.h"
#include "store/transaction.h"
#include "support/engine_support.h"
#include "support/temp_dir.h"
#include "templates/caculate_child.h"

#include <gtest/gtest.h>

#include <functional>

namespace kszw::test {
namespace {

class ReportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        path = dir.file("2026.ksk");
        createYearFile(path, 2026);
        db = Database::open(path);
        ASSERT_TRUE(importSubjects(db, "code,name,kind,unit,multi_column,direction,width\n"
                                       "1001,库存现金,0,,0,0,0\n1002,银行存款,0,,0,0,0\n1002-1,工商银行,0,,0,0,0\n"
                                       "1122,应收账款,0,,0,0,0\n1602,累计折旧,0,,0,0,0\n1601,固定资产,0,,0,0,0\n"
                                       "2001,短期借款,0,,0,0,0\n4001,实收资本,0,,0,0,0\n4103,本年利润,0,,0,0,0\n"
                                       "6001,主营业务收入,0,,0,0,0\n6602,管理费用,0,,0,0,0\n6603,财务费用,0,,0,0,0\n"
                                       "2202,应付账款,0,,0,0,0\n2202-1,宏达钢铁,0,,0,0,0\n2202-2,新星包装,0,,0,0,0\n")
                        .ok);
        // Opening: cash 1000, bank 5000, fixed assets 3000 less 500 depreciation; a loan of 2000
        // and capital of 6500.
        insert("20260101", "    ", "1001", 1, 1000, "4", "01");
        insert("20260101", "    ", "1002-1", 1, 5000, "4", "01");
        insert("20260101", "    ", "1601", 1, 3000, "4", "01");
        insert("20260101", "    ", "1602", -1, 500, "4", "01");
        insert("20260101", "    ", "2001", -1, 2000, "4", "01");
        insert("20260101", "    ", "4001", -1, 6500, "4", "01");
        // January: a sale of 200 in cash, 20 of it returned, expenses of 50.25, interest income of
        // 30 credited to 财务费用, all carried to 本年利润; a sale of 7 not yet reviewed, which no
        // statement counts.
        insert("20260110", "0001", "1001", 1, 200, "4", "01");
        insert("20260110", "0001", "6001", -1, 200, "4", "01");
        insert("20260111", "0002", "6602", 1, 50.25, "4", "01");
        insert("20260111", "0002", "1001", -1, 50.25, "4", "01");
        insert("20260112", "0003", "1122", 1, 7, "2", "01");
        insert("20260112", "0003", "6001", -1, 7, "2", "01");
        insert("20260115", "0005", "6001", 1, 20, "4", "01");
        insert("20260115", "0005", "1001", -1, 20, "4", "01");
        insert("20260120", "0006", "1002-1", 1, 30, "4", "01");
        insert("20260120", "0006", "6603", -1, 30, "4", "01");
        insert("20260131", "0004", "6001", 1, 180, "4", "01");
        insert("20260131", "0004", "4103", -1, 180, "4", "01");
        insert("20260131", "0004", "4103", 1, 50.25, "4", "01");
        insert("20260131", "0004", "6602", -1, 50.25, "4", "01");
        insert("20260131", "0004", "6603", 1, 30, "4", "01");
        insert("20260131", "0004", "4103", -1, 30, "4", "01");
    }

    void insert(const std::string& date, const std::string& number, const std::string& code, int f, double amount,
                const std::string& mk, const std::string& month)
    {
        db.execute("INSERT INTO P0(T,CER,RN,MRY,KNO,F,MY,NU,MK,TT) VALUES(?1,?2,?3,'x',?4,?5,?6,0,?7,?8)",
                   {date, number, static_cast<std::int64_t>(++lineNumber), code, static_cast<std::int64_t>(f), amount,
                    mk, month});
    }

    AccountingCalendar calendar() const { return AccountingCalendar(2026, "20260101", "20261231", "031"); }

    ReportDefinition report(int number)
    {
        for (ReportDefinition& definition : loadReports(db))
            if (definition.number == number)
                return definition;
        ADD_FAILURE() << "no report " << number;
        return {};
    }

    ReportResult calculate(const ReportDefinition& definition, int month)
    {
        return calculateReport(db, calendar(), "2026.ksk", definition, month, "示范公司");
    }

    // The line of an item (its text without the indent) and the index of that line.
    static size_t lineOf(const ReportDefinition& definition, const std::string& item)
    {
        for (size_t index = 0; index < definition.lines.size(); ++index)
            if (definition.lines[index].item == item)
                return index;
        ADD_FAILURE() << "no line " << item;
        return 0;
    }

    static std::string cell(const ReportResult& result, const std::string& item, int column)
    {
        return reportCellText(result.cells[lineOf(result.definition, item)][static_cast<size_t>(column)]);
    }

    TempDir dir;
    std::string path;
    Database db;
    int lineNumber = 0;
};

TEST_F(ReportTest, ShippedFormulasNameOnlyTheSubjectsTheChartHas)
{
    const ReportDefinition sheet = report(kBalanceSheetNumber);
    const ReportDefinition income = report(kIncomeStatementNumber);
    EXPECT_EQ(sheet.name, "资产负债表");
    EXPECT_EQ(sheet.formCode, "会小企01表");
    EXPECT_EQ(sheet.columns, (std::array<std::string, 2>{"期末余额", "年初余额"}));
    EXPECT_TRUE(sheet.twoHalves);
    EXPECT_EQ(income.name, "利润表");
    EXPECT_EQ(income.columns, (std::array<std::string, 2>{"本月金额", "本年累计金额"}));
    EXPECT_FALSE(income.twoHalves);
    const struct {
        const ReportDefinition& definition;
        const char* item;
        const char* month;
        const char* start;
    } cases[] = {
        {sheet, "货币资金", "ye(\"1001\",yf())+ye(\"1002\",yf())", "ye(\"1001\",0)+ye(\"1002\",0)"},
        {sheet, "应收账款", "jye(\"1122\",yf())", "jye(\"1122\",0)"}, // debit balances of its customers
        {sheet, "预付账款", "jye(\"2202\",yf())", "jye(\"2202\",0)"}, // suppliers paid in advance
        {sheet, "应付账款", "dye(\"2202\",yf())", "dye(\"2202\",0)"},
        {sheet, "预收账款", "dye(\"1122\",yf())", "dye(\"1122\",0)"},
        {sheet, "短期投资", "", ""}, // the chart has no 1101
        {sheet, "减：累计折旧", "-ye(\"1602\",yf())", "-ye(\"1602\",0)"},
        {sheet, "短期借款", "-ye(\"2001\",yf())", "-ye(\"2001\",0)"},
        {sheet, "未分配利润", "-ye(\"4103\",yf())", "-ye(\"4103\",0)"}, // no 4104
        {sheet, "资产总计", "r(15)+r(29)", "r(15)+r(29)"},
        {sheet, "负债和所有者权益总计", "r(47)+r(52)", "r(47)+r(52)"},
        {sheet, "流动资产：", "", ""},
        // Profit and loss without the transfers to 本年利润: revenue is the negated net amount.
        {income, "一、营业收入", "-sy(\"6001\",yf(),yf(),\"4103\")", "-sy(\"6001\",1,yf(),\"4103\")"},
        {income, "管理费用", "sy(\"6602\",yf(),yf(),\"4103\")", "sy(\"6602\",1,yf(),\"4103\")"},
        {income, "减：营业成本", "", ""}, // no 6401
        {income, "其中：消费税", "", ""},
        {income, "二、营业利润（亏损以“-”号填列）", "r(1)-r(2)-r(3)-r(11)-r(14)-r(18)+r(20)",
         "r(1)-r(2)-r(3)-r(11)-r(14)-r(18)+r(20)"},
        {income, "四、净利润（净亏损以“-”号填列）", "r(30)-r(31)", "r(30)-r(31)"},
    };
    for (const auto& c : cases) {
        const ReportLine& line = c.definition.lines[lineOf(c.definition, c.item)];
        EXPECT_EQ(line.formulas[0], c.month) << c.item;
        EXPECT_EQ(line.formulas[1], c.start) << c.item;
    }
    EXPECT_EQ(sheet.lines[lineOf(sheet, "资产总计")].lineNumber, "30");
    EXPECT_EQ(sheet.lines[lineOf(sheet, "负债和所有者权益总计")].lineNumber, "53");
    EXPECT_EQ(sheet.lines[lineOf(sheet, "负债和所有者权益总计")].half, 1);
    EXPECT_FALSE(checkReportShape(sheet));
    EXPECT_FALSE(checkReportShape(income));
    EXPECT_FALSE(checkReportFormulas(db, calendar(), "2026.ksk", sheet));
    EXPECT_FALSE(checkReportFormulas(db, calendar(), "2026.ksk", income));
}

TEST_F(ReportTest, StatementsOfAMonthFromThePostedLines)
{
    const ReportResult sheet = calculate(report(kBalanceSheetNumber), 1);
    const struct {
        const char* item;
        const char* end;
        const char* start;
    } sheetCases[] = {
        {"货币资金", "6,159.75", "6,000.00"}, // the unreviewed sale is not counted
        {"应收账款", "", ""},
        {"固定资产原价", "3,000.00", "3,000.00"},
        {"减：累计折旧", "500.00", "500.00"},
        {"固定资产账面价值", "2,500.00", "2,500.00"},
        {"资产总计", "8,659.75", "8,500.00"},
        {"短期借款", "2,000.00", "2,000.00"},
        {"未分配利润", "159.75", ""},
        {"所有者权益合计", "6,659.75", "6,500.00"},
        {"负债和所有者权益总计", "8,659.75", "8,500.00"},
    };
    for (const auto& c : sheetCases) {
        EXPECT_EQ(cell(sheet, c.item, 0), c.end) << c.item;
        EXPECT_EQ(cell(sheet, c.item, 1), c.start) << c.item;
    }
    EXPECT_TRUE(sheet.check.applies);
    EXPECT_TRUE(sheet.check.balanced);
    EXPECT_EQ(sheet.check.text, "资产总计与负债和所有者权益总计相等");
    EXPECT_EQ(sheet.periodText, "2026年1月31日");
    EXPECT_TRUE(sheet.errors().empty());

    for (int month : {1, 2}) {
        const ReportResult income = calculate(report(kIncomeStatementNumber), month);
        EXPECT_EQ(income.periodText, month == 1 ? "2026年1月" : "2026年2月");
        // The return is netted off the revenue and the interest income off the expenses; the
        // transfers count on neither side. The net profit is what the owners' equity gained.
        EXPECT_EQ(cell(income, "一、营业收入", 0), month == 1 ? "180.00" : "");
        EXPECT_EQ(cell(income, "一、营业收入", 1), "180.00");
        EXPECT_EQ(cell(income, "管理费用", 1), "50.25");
        EXPECT_EQ(cell(income, "财务费用", 1), "-30.00");
        EXPECT_EQ(cell(income, "减：营业成本", 1), ""); // the chart has no 6401: no formula
        EXPECT_EQ(cell(income, "二、营业利润（亏损以“-”号填列）", 1), "159.75");
        EXPECT_EQ(cell(income, "四、净利润（净亏损以“-”号填列）", 0), month == 1 ? "159.75" : "");
        EXPECT_EQ(cell(income, "四、净利润（净亏损以“-”号填列）", 1), "159.75");
        EXPECT_FALSE(income.check.applies);
    }
}

TEST_F(ReportTest, FailedFormulasShowTheirMessageAndReachTheTotals)
{
    CCaculateChild plain(db, calendar(), "2026.ksk", CivilDate{2026, 1, 31});
    double ignored = 0;
    ASSERT_FALSE(plain.CalcNumber(ignored, "ye(\"1001\",1"));
    const std::string bracketMessage = plain.ErrorText().empty() ? std::string(CCaculate::ErrorMessage(plain.ErrorCode()))
                                                                 : plain.ErrorText();
    const struct {
        const char* formula;
        std::string own;   // the message in the line's own cell
        std::string total; // in 资产总计
    } cases[] = {
        {"ye(\"9999\",yf())", "科目“9999”出错！", "行次1：科目“9999”出错！"},
        {"ye(\"1001\",1", bracketMessage, "行次1：" + bracketMessage},
        // 资产总计 reads 流动资产合计, which reads this line again: the loop is told where it closes.
        {"r(30)", "行次15：行次1的公式循环引用！", "行次15：行次1的公式循环引用！"},
        {"r(998)", "行次998不存在！", "行次1：行次998不存在！"},
        {"r(0)", "r函数的参数应为1到999的行次！", "行次1：r函数的参数应为1到999的行次！"},
        {"ye(\"1001\",13)", "月份参数出错，应为0到12的整数！", "行次1：月份参数出错，应为0到12的整数！"},
    };
    for (const auto& c : cases) {
        ReportDefinition sheet = report(kBalanceSheetNumber);
        sheet.lines[lineOf(sheet, "货币资金")].formulas[0] = c.formula;
        const ReportResult result = calculate(sheet, 1);
        EXPECT_EQ(cell(result, "货币资金", 0), c.own) << c.formula;
        EXPECT_EQ(cell(result, "资产总计", 0), c.total) << c.formula;
        EXPECT_EQ(cell(result, "资产总计", 1), "8,500.00") << c.formula; // the other column is whole
        EXPECT_EQ(result.check.text, "资产总计或负债和所有者权益总计的公式出错，无法核对！");
        EXPECT_FALSE(result.check.balanced);
        ASSERT_FALSE(result.errors().empty());
        EXPECT_EQ(result.errors().front(), "货币资金（行次1）期末余额：" + c.own) << c.formula;
        const std::optional<std::string> refusal = checkReportFormulas(db, calendar(), "2026.ksk", sheet);
        ASSERT_TRUE(refusal) << c.formula;
        EXPECT_EQ(*refusal, "第2行（货币资金）期末余额的公式：" + c.own);
    }
}

TEST_F(ReportTest, ASupplierPaidInAdvanceIsAnAssetNotLessDebt)
{
    // February: 100 owed to one supplier, 40 paid in advance to the other.
    insert("20260205", "0001", "1601", 1, 100, "4", "02");
    insert("20260205", "0001", "2202-1", -1, 100, "4", "02");
    insert("20260206", "0002", "2202-2", 1, 40, "4", "02");
    insert("20260206", "0002", "1002-1", -1, 40, "4", "02");
    const ReportResult sheet = calculate(report(kBalanceSheetNumber), 2);
    EXPECT_EQ(cell(sheet, "应付账款", 0), "100.00");
    EXPECT_EQ(cell(sheet, "预付账款", 0), "40.00");
    EXPECT_EQ(cell(sheet, "应付账款", 1), "");
    EXPECT_EQ(cell(sheet, "资产总计", 0), "8,759.75");
    EXPECT_TRUE(sheet.check.balanced) << sheet.check.text;
    ReportDefinition wrong = report(kBalanceSheetNumber);
    wrong.lines[lineOf(wrong, "预付账款")].formulas[0] = "jye(\"2202\")";
    EXPECT_EQ(cell(calculate(wrong, 2), "预付账款", 0), "函数参数数目过少！");
    wrong.lines[lineOf(wrong, "预付账款")].formulas[0] = "dye(\"2202\",13)";
    EXPECT_EQ(cell(calculate(wrong, 2), "预付账款", 0), "月份参数出错，应为0到12的整数！");
}

TEST_F(ReportTest, TheCheckLineNamesWhatDiffers)
{
    ReportDefinition sheet = report(kBalanceSheetNumber);
    sheet.lines[lineOf(sheet, "实收资本")].formulas = {"", "-ye(\"4001\",0)-0.01"};
    const ReportResult result = calculate(sheet, 1);
    EXPECT_TRUE(result.check.applies);
    EXPECT_FALSE(result.check.balanced);
    EXPECT_EQ(result.check.text, "资产总计与负债和所有者权益总计不相等：期末余额相差6,500.00（资产总计较大），"
                                  "年初余额相差0.01（资产总计较大）");

    // What the books show as the reason: a subject no formula names, the month's profit not yet
    // carried to 本年利润.
    sheet = report(kBalanceSheetNumber);
    sheet.lines[lineOf(sheet, "短期借款")].formulas = {"", ""};
    EXPECT_EQ(calculate(sheet, 1).check.text,
              "资产总计与负债和所有者权益总计不相等：期末余额相差2,000.00（资产总计较大），"
              "年初余额相差2,000.00（资产总计较大）；未列入报表的科目：2001 短期借款");
    insert("20260210", "0001", "6602", 1, 10, "4", "02");
    insert("20260210", "0001", "1001", -1, 10, "4", "02");
    EXPECT_EQ(calculate(report(kBalanceSheetNumber), 2).check.text,
              "资产总计与负债和所有者权益总计不相等：期末余额相差10.00（负债和所有者权益总计较大）；"
              "损益类科目尚有余额，损益尚未结转");
}

TEST_F(ReportTest, TheIncomeStatementTellsWhatItLeavesOut)
{
    ReportDefinition income = report(kIncomeStatementNumber);
    EXPECT_FALSE(calculate(income, 1).check.applies);
    income.lines[lineOf(income, "管理费用")].formulas = {"", ""};
    ReportResult result = calculate(income, 1);
    EXPECT_TRUE(result.check.applies);
    EXPECT_FALSE(result.check.balanced);
    EXPECT_EQ(result.check.text, "未列入报表的科目：6602 管理费用");

    // The voucher of 12 January not yet reviewed is in no statement, and both say so.
    db.execute("INSERT INTO CERDIR(T,CER,OPP,PN,LY,MK,TT) VALUES('20260112','0003','102',1,0,'2','01')");
    result = calculate(report(kIncomeStatementNumber), 1);
    EXPECT_EQ(result.check.text, "本月及以前尚有1张凭证未复核登帐，其数额未计入报表");
    EXPECT_FALSE(result.check.balanced);
    result = calculate(report(kBalanceSheetNumber), 1);
    EXPECT_EQ(result.check.text, "资产总计与负债和所有者权益总计相等；本月及以前尚有1张凭证未复核登帐，其数额未计入报表");
    EXPECT_FALSE(result.check.balanced); // a warning, in red
}

TEST_F(ReportTest, ATransferVoucherThatAlsoRecordsOtherBusinessIsNamed)
{
    // March: the income tax reckoned and carried to 本年利润 in one voucher.
    ASSERT_TRUE(importSubjects(db, "code,name,kind,unit,multi_column,direction,width\n2221,应交税费,0,,0,0,0\n"
                                   "6801,所得税费用,0,,0,0,0\n")
                    .ok);
    insert("20260331", "0009", "6801", 1, 40, "4", "03");
    insert("20260331", "0009", "2221", -1, 40, "4", "03");
    insert("20260331", "0009", "4103", 1, 40, "4", "03");
    insert("20260331", "0009", "6801", -1, 40, "4", "03");
    const ReportResult income = calculate(report(kIncomeStatementNumber), 3);
    EXPECT_EQ(cell(income, "减：所得税费用", 1), ""); // the whole voucher is left out
    EXPECT_EQ(income.check.text, "结转损益的凭证3月第0009号还记有其他业务，这些凭证的损益未计入报表");
    EXPECT_FALSE(income.check.balanced);
    EXPECT_EQ(calculate(report(kIncomeStatementNumber), 2).check.text, ""); // not yet in February
}

TEST_F(ReportTest, ASmallEnterpriseChartGetsItsOwnCodes)
{
    test::TempDir other;
    const std::string file = other.file("2026.ksk");
    createYearFile(file, 2026);
    Database small = Database::open(file);
    ASSERT_TRUE(importSubjects(small, "code,name,kind,unit,multi_column,direction,width\n"
                                      "1001,库存现金,0,,0,0,0\n3001,实收资本,0,,0,0,0\n3103,本年利润,0,,0,0,0\n"
                                      "4001,生产成本,0,,0,0,0\n5001,主营业务收入,0,,0,0,0\n5602,管理费用,0,,0,0,0\n")
                    .ok);
    EXPECT_EQ(chartNumbering(small), ChartNumbering::SmallEnterprise);
    EXPECT_EQ(chartNumbering(db), ChartNumbering::Enterprise);
    const std::vector<ReportDefinition> shipped = shippedReports(small);
    const struct {
        const ReportDefinition& definition;
        const char* item;
        const char* formula;
    } cases[] = {
        {shipped[0], "存货", "ye(\"4001\",yf())"}, // 生产成本, not the revenue
        {shipped[0], "在产品", "ye(\"4001\",yf())"},
        {shipped[0], "实收资本", "-ye(\"3001\",yf())"},
        {shipped[0], "未分配利润", "-ye(\"3103\",yf())"},
        {shipped[1], "一、营业收入", "-sy(\"5001\",yf(),yf(),\"3103\")"},
        {shipped[1], "管理费用", "sy(\"5602\",yf(),yf(),\"3103\")"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.definition.lines[lineOf(c.definition, c.item)].formulas[0], c.formula) << c.item;
}

TEST_F(ReportTest, AStatementIsWorkedOutWhileAnotherProgramIsWriting)
{
    Database other = Database::open(path);
    Transaction writing(other);
    other.execute("UPDATE SYSTAB SET NA='乙'"); // holds the file's write lock
    const ReportResult sheet = calculate(report(kBalanceSheetNumber), 1);
    EXPECT_TRUE(sheet.check.balanced) << sheet.check.text;
    writing.commit(); // and the other program's commit goes through afterwards
}

TEST_F(ReportTest, AmountsAreRoundedToTheCentHalfAwayFromZero)
{
    ReportDefinition income = report(kIncomeStatementNumber);
    const struct {
        const char* formula;
        const char* shown;
    } cases[] = {{"0.125", "0.13"}, {"-0.125", "-0.13"}, {"2.005", "2.01"}, {"1.005", "1.01"}, {"-2.675", "-2.68"}, {"1/3", "0.33"}, {"0.004", ""}};
    for (const auto& c : cases) {
        income.lines[lineOf(income, "一、营业收入")].formulas[0] = c.formula;
        income.lines[lineOf(income, "减：营业成本")].formulas[0] = "r(1)*3";
        const ReportResult result = calculate(income, 1);
        EXPECT_EQ(cell(result, "一、营业收入", 0), c.shown) << c.formula;
        // A reference reads the rounded amount: totals add up to the cent as printed.
        EXPECT_EQ(cell(result, "减：营业成本", 0),
                  trimWhitespace(FormatNumber(3 * ReadNumber(RemoveGroupCommas(c.shown)), 0, 2, 2)))
            << c.formula;
    }
}

TEST_F(ReportTest, DefinitionsAreStoredOnFirstChangeAndRestored)
{
    EXPECT_FALSE(reportTablesExist(db));
    ReportDefinition sheet = report(kBalanceSheetNumber);
    EXPECT_FALSE(reportTablesExist(db)); // reading never writes
    EXPECT_EQ(loadReports(db), shippedReports(db));

    sheet.lines[lineOf(sheet, "货币资金")].item = "货币资金（含外币）";
    sheet.lines[lineOf(sheet, "货币资金（含外币）")].bold = true;
    sheet.lines.insert(sheet.lines.begin() + 2, ReportLine{0, "备用金", "60", {"ye(\"1001\",yf())", ""}, false, 2});
    saveReport(db, sheet);
    EXPECT_TRUE(reportTablesExist(db));
    EXPECT_EQ(report(kBalanceSheetNumber), sheet);
    EXPECT_EQ(report(kIncomeStatementNumber), shippedReports(db)[1]); // the other one as shipped
    ASSERT_TRUE(findReport(db, " 利润表 "));
    EXPECT_FALSE(findReport(db, "现金流量表"));

    const std::optional<ReportDefinition> restored = restoreShippedReport(db, kBalanceSheetNumber);
    ASSERT_TRUE(restored);
    EXPECT_EQ(report(kBalanceSheetNumber), shippedReports(db)[0]);
    EXPECT_FALSE(restoreShippedReport(db, 9));

    // Once stored, a definition is the bookkeeper's: a subject added to the chart later is in the
    // shipped statement (恢复默认), not in the stored one.
    ASSERT_TRUE(importSubjects(db, "code,name,kind,unit,multi_column,direction,width\n1012,其他货币资金,0,,0,0,0\n").ok);
    EXPECT_EQ(report(kBalanceSheetNumber).lines[1].formulas[0], "ye(\"1001\",yf())+ye(\"1002\",yf())");
    EXPECT_EQ(shippedReports(db)[0].lines[1].formulas[0],
              "ye(\"1001\",yf())+ye(\"1002\",yf())+ye(\"1012\",yf())");
}

TEST_F(ReportTest, SeveralStatementsAreStoredTogetherOrNotAtAll)
{
    std::vector<ReportDefinition> both = shippedReports(db);
    both[0].lines[1].item = "现金";
    both[1].lines[0].item = "收入";
    saveReports(db, both);
    EXPECT_EQ(loadReports(db), both);
    EXPECT_EQ(db.queryLong("SELECT count(*) FROM KSRPT"), 2);
    EXPECT_EQ(db.queryLong("SELECT count(*) FROM KSRPTROW WHERE RNO=2"), 32);

    both[0].lines[1].item = "库存现金及存款";
    both[1].lines[0].item = "营业收入合计";
    addRefusingTrigger(db, "refuse_income", "BEFORE INSERT", "KSRPT", "NEW.RNO=2", "写入失败");
    EXPECT_THROW(saveReports(db, both), DatabaseError);
    dropTrigger(db, "refuse_income", "KSRPT");
    EXPECT_EQ(loadReports(db)[0].lines[1].item, "现金"); // the first one was not kept either
    EXPECT_EQ(loadReports(db)[1].lines[0].item, "收入");
}

TEST_F(ReportTest, ShapeChecks)
{
    const ReportDefinition shipped = report(kIncomeStatementNumber);
    const struct {
        std::function<void(ReportDefinition&)> change;
        std::optional<std::string> refusal;
    } cases[] = {
        {[](ReportDefinition&) {}, std::nullopt},
        {[](ReportDefinition& d) { d.name = "  "; }, "报表名称不能为空！"},
        {[](ReportDefinition& d) { d.columns[1] = ""; }, "金额栏的栏目名称不能为空！"},
        {[](ReportDefinition& d) { d.lines[2].item = " "; }, "第3行：项目不能为空！"},
        {[](ReportDefinition& d) { d.lines[2].item = std::string(41, 'x'); }, "第3行：项目不能超过40个字！"},
        {[](ReportDefinition& d) { d.lines[3].lineNumber = "2"; }, "第4行：行次2重复！"},
        {[](ReportDefinition& d) { d.lines[3].lineNumber = "x1"; }, "第4行：行次应为1到999的整数！"},
        {[](ReportDefinition& d) { d.lines[3].lineNumber = "1000"; }, "第4行：行次应为1到999的整数！"},
        {[](ReportDefinition& d) { d.lines[13].lineNumber = ""; }, "第14行：有公式的行必须有行次！"},
        {[](ReportDefinition& d) { d.lines[3].formulas[1] = std::string(501, '1'); },
         "第4行：公式不能超过500个字符！"},
    };
    for (const auto& c : cases) {
        ReportDefinition definition = shipped;
        c.change(definition);
        EXPECT_EQ(checkReportShape(definition), c.refusal);
    }
}

TEST_F(ReportTest, ThePrintedTablePutsTheTwoTotalsOnOneRow)
{
    const ReportTable sheet = reportTable(calculate(report(kBalanceSheetNumber), 1));
    EXPECT_EQ(sheet.headers, (std::vector<std::string>{"资产", "行次", "期末余额", "年初余额", "负债和所有者权益", "行次",
                                                       "期末余额", "年初余额"}));
    ASSERT_EQ(sheet.rows.size(), 32u); // the assets' half is the longer one
    EXPECT_EQ(sheet.rows.back(), (std::vector<std::string>{"资产总计", "30", "8,659.75", "8,500.00",
                                                           "负债和所有者权益总计", "53", "8,659.75", "8,500.00"}));
    EXPECT_EQ(sheet.rows[1][0], "　货币资金");
    EXPECT_EQ(sheet.rows[11][0], "　　　　在产品");
    EXPECT_EQ(sheet.rows[30][4], ""); // the padding before the right half's total
    EXPECT_EQ(sheet.bold.back(), (std::array<bool, 2>{true, true}));
    const ReportTable income = reportTable(calculate(report(kIncomeStatementNumber), 1));
    EXPECT_EQ(income.headers, (std::vector<std::string>{"项目", "行次", "本月金额", "本年累计金额"}));
    ASSERT_EQ(income.rows.size(), 32u);
    EXPECT_EQ(income.rows[0], (std::vector<std::string>{"一、营业收入", "1", "180.00", "180.00"}));
    EXPECT_EQ(income.rows[4][0], "　　　　　　营业税");
}

} // namespace
} // namespace kszw::test
