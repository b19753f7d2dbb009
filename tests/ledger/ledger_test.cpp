// The three-column ledger, the balance table and the balance-and-turnover table: the edge cases
// that break ledgers, and every table of generated books compared with the statement-by-statement
// oracle (odd calendars, unposted vouchers, codes beside codes, lines on unknown or parent codes).
#include "ledger/ledger_oracle.h"

#include "accountset/year_file.h"
#include "chart/chart_import.h"
#include "ledger/balance_tables.h"
#include "ledger/three_column_ledger.h"
#include "store/database.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <random>

namespace kszw::test {
namespace {

constexpr std::string_view kChart = "code,name,kind,unit,multi_column,direction,width\n"
                                    "101,现金,0,,0,0,0\n"
                                    "1011,备用金,0,,0,0,0\n"
                                    "102,银行存款,0,,0,0,0\n"
                                    "102-1,工商银行,0,,0,0,0\n"
                                    "102-2,建设银行,0,,0,0,0\n"
                                    "102-2-1,基本户,0,,0,0,0\n"
                                    "102-2-2,一般户,0,,0,0,0\n"
                                    "102-10,农业银行,0,,0,0,0\n"
                                    "201,应付账款,0,,0,0,0\n"
                                    "201-1,甲公司,0,,0,0,0\n"
                                    "201-2,乙公司,0,,0,0,0\n"
                                    "501,管理费用,0,,0,0,0\n";

class LedgerTest : public ::testing::Test {
protected:
    void SetUp() override { open(2026, "20260101", "20261231", "031"); }

    void open(int year, const std::string& first, const std::string& last, const std::string& monthEnd)
    {
        path = dir.file(std::to_string(year) + "-" + first + "-" + monthEnd + "-" + std::to_string(++files) + ".ksk");
        createYearFile(path, year);
        db = Database::open(path);
        db.execute("UPDATE SYSTAB SET T1=?1,T13=?2,JT=?3", {first, last, monthEnd});
        ASSERT_TRUE(importSubjects(db, kChart).ok);
    }

    AccountingCalendar calendar() { return yearCalendar(db); }

    // A line straight into P0, in the accounting month of its date.
    void line(const std::string& date, const std::string& number, const std::string& code, int f, double amount,
              const std::string& mk = "4", const std::string& summary = "摘要", int rn = 1)
    {
        const int month = calendar().monthOf(date);
        db.execute("INSERT INTO P0(T,CER,RN,MRY,KNO,F,MY,NU,MK,TT) VALUES(?1,?2,?3,?4,?5,?6,?7,0,?8,?9)",
                   {date, number, static_cast<std::int64_t>(rn), summary, code, static_cast<std::int64_t>(f), amount,
                    mk, monthCode(month < 1 ? 1 : month)});
    }
    void opening(const std::string& code, int f, double amount, const std::string& mk = "4")
    {
        line(calendar().period(1).first, "    ", code, f, amount, mk, "");
    }

    std::vector<LedgerCells> cells(const std::vector<LedgerRow>& rows)
    {
        std::vector<LedgerCells> result;
        for (const LedgerRow& row : rows)
            result.push_back(row.cells);
        return result;
    }

    TempDir dir;
    std::string path;
    Database db;
    int files = 0;
};

using Cells = LedgerCells;

TEST_F(LedgerTest, AnOpeningRowAloneIsOneRowAndAZeroOpeningIsNone)
{
    opening("101", 1, 1500);
    const std::vector<LedgerRow> rows = BuildDetailText(db, calendar(), {"101", 1, 12});
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].cells, (Cells{"01", "01", "", "期 初 余 额", "", "", "借", "1,500.00"}));
    EXPECT_EQ(rows[0].date, "20260101");
    opening("1011", 1, 0);
    EXPECT_TRUE(BuildDetailText(db, calendar(), {"1011", 1, 12}).empty());
    // Summary from month 1: the opening rows lie in month 1, so the opening row has no turnover.
    const std::vector<LedgerRow> summary = BuildSummaryText(db, calendar(), {"101", 1, 12});
    ASSERT_EQ(summary.size(), 1u);
    EXPECT_EQ(summary[0].cells, (Cells{"01", "01", "", "期 初 余 额 汇 总", "", "", "借", "1,500.00"}));
}

TEST_F(LedgerTest, StartingInAprilSumsTheMonthsBeforeIntoTheOpeningRowAndTheYearToDate)
{
    opening("101", 1, 1000);
    line("20260115", "0001", "101", 1, 200);
    line("20260310", "0002", "101", -1, 50);
    line("20260405", "0001", "101", 1, 30.5);
    line("20260406", "0002", "101", -1, 0.5, "2"); // not posted
    const std::vector<LedgerRow> rows = BuildDetailText(db, calendar(), {"101", 4, 12});
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0].cells, (Cells{"04", "01", "", "期 初 余 额 汇 总", "200.00", "50.00", "借", "1,150.00"}));
    EXPECT_EQ(rows[1].cells, (Cells{"04", "05", "0001", "摘要", "30.50", "", "借", "1,180.50"}));
    EXPECT_EQ(rows[2].cells, (Cells{"04", "30", "", "本  月  合  计", "30.50", "", "借", "1,180.50"}));
    EXPECT_EQ(rows[3].cells, (Cells{"04", "30", "", "本  年  累  计", "230.50", "50.00", "借", "1,180.50"}));
}

TEST_F(LedgerTest, MonthTotalsStandOnTheCalendarsEndDate)
{
    open(2026, "20260101", "20261231", "025");
    line("20260310", "0001", "201-1", -1, 80);
    line("20260324", "0002", "201-1", -1, 20);
    const std::vector<LedgerRow> rows = BuildDetailText(db, calendar(), {"201-1", 1, 12});
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[2].cells, (Cells{"03", "25", "", "本  月  合  计", "", "100.00", "贷", "100.00"}));
    EXPECT_EQ(rows[3].cells[3], "本  年  累  计");
    EXPECT_EQ(rows[3].date, "20260325");
}

TEST_F(LedgerTest, ATinyBalanceIsEvenAndACentIsNot)
{
    EXPECT_EQ(directionWord(-0.0000005), "平");
    EXPECT_EQ(ledgerBalance(-0.0000005), "");
    EXPECT_EQ(directionWord(-0.01), "贷");
    EXPECT_EQ(ledgerBalance(-0.01), "0.01");
    // The two thresholds stay apart: 0.000005 is even for the turnover table only.
    EXPECT_EQ(directionWord(0.000005), "借");
    EXPECT_EQ(directionWord(0.000005, kTurnoverZero), "平");
    opening("501", -1, 0.0000005);
    const std::vector<LedgerRow> rows = BuildSummaryText(db, calendar(), {"501", 1, 12});
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].cells[6], "平");
    EXPECT_EQ(rows[0].cells[7], "");
}

TEST_F(LedgerTest, AParentShowsSummaryRowsItsLeafDetailAndDetailListsAllDescendantsInDateOrder)
{
    line("20260305", "0002", "102-2-1", 1, 10);
    line("20260303", "0001", "102-1", 1, 20);
    line("20260307", "0003", "102-2-2", -1, 5);
    const LedgerLoad parent = loadLedger(db, calendar(), {"102", 1, 12}, LedgerMode::Automatic);
    EXPECT_TRUE(parent.hasChildren);
    EXPECT_FALSE(parent.detail);
    EXPECT_EQ(parent.rows.size(), 2u);
    const LedgerLoad leaf = loadLedger(db, calendar(), {"102-1", 1, 12}, LedgerMode::Automatic);
    EXPECT_TRUE(leaf.detail);
    const LedgerLoad all = loadLedger(db, calendar(), {"102", 1, 12}, LedgerMode::Detail);
    ASSERT_EQ(all.rows.size(), 5u);
    EXPECT_EQ(all.rows[0].cells[2], "0001");
    EXPECT_EQ(all.rows[1].cells[2], "0002");
    EXPECT_EQ(all.rows[2].cells[2], "0003");
    EXPECT_EQ(all.rows[2].cells[7], "25.00");
}

TEST_F(LedgerTest, PrintedPagesCarryTheirSumsOverAtABreakInsideARunOfLines)
{
    opening("101", 1, 100);
    for (int i = 1; i <= 25; ++i)
        line(format("202601%02d", i), format("%04d", i), "101", 1, 1);
    std::vector<LedgerCells> rows = cells(BuildDetailText(db, calendar(), {"101", 1, 12}));
    ASSERT_EQ(rows.size(), 28u);
    const std::vector<LedgerCells> printed = BuildPrintRows(rows, 20);
    // The opening row, 18 lines, then the carry rows at printed rows 20 and 21 (counting from 1).
    ASSERT_EQ(printed.size(), 30u);
    EXPECT_EQ(printed[19], (Cells{"01", "18", "", "  过  次  页", "18.00", "", "借", "118.00"}));
    EXPECT_EQ(printed[20], (Cells{"01", "18", "", "  承  前  页", "18.00", "", "借", "118.00"}));
    EXPECT_EQ(printed[21][2], "0019");
    // The page sums run on over a second break until a total row.
    for (int i = 1; i <= 25; ++i)
        line(format("202602%02d", i), format("%04d", i), "101", -1, 2);
    rows = cells(BuildDetailText(db, calendar(), {"101", 1, 12}));
    const std::vector<LedgerCells> twice = BuildPrintRows(rows, 20);
    // Printed rows 40/41 break inside February's lines: the sums count from February's first line.
    ASSERT_GE(twice.size(), 42u);
    EXPECT_EQ(twice[39][3], "  过  次  页");
    EXPECT_EQ(twice[40][3], "  承  前  页");
    size_t afterTotals = 0;
    for (size_t i = 0; i < 39; ++i)
        if (twice[i][3] == "本  年  累  计")
            afterTotals = i + 1;
    ASSERT_GT(afterTotals, 21u); // January's totals lie after the first break
    int february = 0;
    for (size_t i = afterTotals; i < 39; ++i)
        february += twice[i][2].empty() ? 0 : 1;
    EXPECT_EQ(twice[39][5], format("%d.00", 2 * february));
    // A break after a total row is one empty row.
    std::vector<LedgerCells> totals(19, Cells{"01", "31", "", "本  月  合  计", "", "", "平", ""});
    totals.push_back(Cells{"02", "01", "0001", "x", "1.00", "", "借", "1.00"});
    const std::vector<LedgerCells> blank = BuildPrintRows(totals, 20);
    ASSERT_EQ(blank.size(), 21u);
    EXPECT_EQ(blank[19], Cells{});
}

TEST_F(LedgerTest, AMonthSpanningNewYearKeepsOneMonthTotal)
{
    open(2026, "20260101", "20270105", "105");
    line("20261220", "0001", "101", 1, 10);
    line("20270103", "0002", "101", 1, 5);
    const std::vector<LedgerRow> rows = BuildDetailText(db, calendar(), {"101", 1, 12});
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[2].cells, (Cells{"01", "05", "", "本  月  合  计", "15.00", "", "借", "15.00"}));
    EXPECT_EQ(rows[2].date, "20270105");
}

TEST_F(LedgerTest, APartnersBalanceIsTheSumOfItsChildrenAndTheirTotal)
{
    opening("102-1", 1, 300);
    line("20260301", "0001", "102-2-1", 1, 70);
    line("20260302", "0002", "102-2-2", -1, 20);
    line("20260303", "0003", "102-10", 1, 5);
    const BalanceTable top = buildBalanceTable(db, {"", "20261231", 12});
    ASSERT_EQ(top.rows.size(), 6u); // 101, 102, 201, 501, 1011 in number order, then the total
    EXPECT_EQ(top.rows[0][0], "101");
    EXPECT_EQ(top.rows[0][2], "平");
    EXPECT_EQ(top.rows[1], (std::array<std::string, 4>{"102", "银行存款", "借", "355.00"}));
    EXPECT_EQ(top.rows[4][0], "1011");
    const BalanceTable children = buildBalanceTable(db, {"102", "20261231", 12});
    ASSERT_EQ(children.rows.size(), 4u); // 102-1, 102-2, 102-10, total
    EXPECT_EQ(children.rows[2][0], "102-10");
    EXPECT_EQ(children.rows.back(), (std::array<std::string, 4>{"", "         合      计", "借", "355.00"}));
    EXPECT_EQ(buildBalanceTable(db, {"102-2", "20261231", 12}).rows.back()[3], "50.00");
}

TEST_F(LedgerTest, AllLevelsListDepthFirstAndTotalTheFirstLevelOnly)
{
    line("20260301", "0001", "102-2-1", 1, 70);
    line("20260301", "0001", "201-1", -1, 70, "4", "x", 2);
    TurnoverConditions all{"", "20260101", "20261231", 1, 12, TurnoverListing::AllLevels};
    const TurnoverTable table = buildTurnoverTable(db, all);
    std::vector<std::string> codes;
    for (const auto& row : table.rows)
        codes.push_back(row[0]);
    EXPECT_EQ(codes, (std::vector<std::string>{"101", "102", "102-1", "102-2", "102-2-1", "102-2-2", "102-10", "201",
                                               "201-1", "201-2", "501", "1011", ""}));
    EXPECT_EQ(table.rows.back(), (std::array<std::string, 8>{"", "   合    计  ", "平", "", "70.00", "70.00", "平", ""}));
}

TEST_F(LedgerTest, ATurnoverSpanCountsItsStartByTheMonth)
{
    opening("501", 1, 10);
    line("20260210", "0001", "501", 1, 1);
    line("20260301", "0001", "501", 1, 2);
    line("20260314", "0002", "501", 1, 4);
    line("20260420", "0001", "501", 1, 8);
    line("20260421", "0002", "501", 1, 16);
    TurnoverConditions span{"", "20260315", "20260420", 3, 4, TurnoverListing::NextLevel};
    const TurnoverTable table = buildTurnoverTable(db, span);
    EXPECT_EQ(table.rows[3], (std::array<std::string, 8>{"501", "管理费用", "借", "11.00", "14.00", "", "借", "25.00"}));
    EXPECT_EQ(turnoverPeriodText("20260315", "20260420"), "2026 年 3 月 15 日 至 4 月 20 日");
    EXPECT_EQ(turnoverPeriodText("20260315", "20260315"), "2026 年 3 月 15 日");
    EXPECT_EQ(turnoverPeriodText("", ""), "×× 年 × 月 × 日 至 ×× 年 × 月 × 日");
}

TEST_F(LedgerTest, ACutOffInNoAccountingMonthStillCountsTheOpeningRows)
{
    opening("101", 1, 40);
    line("20260105", "0001", "101", 1, 3);
    EXPECT_EQ(buildBalanceTable(db, {"", "20260101", 0}).rows[0][3], "40.00");
    TurnoverConditions span{"", "20260101", "20260101", 0, 0, TurnoverListing::NextLevel};
    EXPECT_EQ(buildTurnoverTable(db, span).rows[0][3], "40.00");
    // The first cut-off date of a calendar closing on the 5th of the next month: this month's 5th.
    open(2026, "20260101", "20270105", "105");
    EXPECT_EQ(initialCutoffDate(calendar(), "20260315", "20270105"), "20260305");
}

TEST_F(LedgerTest, GoingUpFromTheTopKeepsTheTop)
{
    EXPECT_EQ(parentForGoingUp("101"), "");
    EXPECT_EQ(parentForGoingUp("102-2"), "");
    EXPECT_EQ(parentForGoingUp("102-2-1"), "102");
    EXPECT_TRUE(canStepDown(db, "102"));
    EXPECT_FALSE(canStepDown(db, "101"));
    EXPECT_FALSE(canStepDown(db, ""));
}

TEST_F(LedgerTest, TheConditionChecksComeInTheirOrder)
{
    struct Case {
        const char* code;
        int y, m, d;
        const char* message;
        int field;
    };
    const Case cases[] = {
        {"101", 1989, 13, 40, "输入的科目代码不存在或没有子科目，请重输！", 0},
        {"102", 1989, 13, 40, "输入年度不合理，请重输！", 1},
        {"", 2026, 13, 40, "输入月份不合理，请重输！", 2},
        {"", 2026, 2, 29, "输入日不合理，请重输！", 3},
        {"", 2025, 12, 31, "输入日期已不在当前注册的会计年度内，请重输！", 1},
    };
    for (const Case& c : cases) {
        const auto refusal = checkBalanceConditions(db, c.code, c.y, c.m, c.d, "20260101", "20261231");
        ASSERT_TRUE(refusal) << c.message;
        EXPECT_EQ(refusal->message, c.message);
        EXPECT_EQ(refusal->field, c.field) << c.message;
    }
    EXPECT_FALSE(checkBalanceConditions(db, "102-2", 2026, 3, 31, "20260101", "20261231"));
    const auto later = checkTurnoverConditions(db, 2026, 4, 1, 2026, 3, 31, "", "20260101", "20261231");
    ASSERT_TRUE(later);
    EXPECT_EQ(later->message, "起始时间大于终止时间，请重输！");
    EXPECT_EQ(checkTurnoverConditions(db, 2026, 1, 1, 2026, 2, 30, "", "20260101", "20261231")->message,
              "终止日不合理，请重输！");
    EXPECT_EQ(checkTurnoverConditions(db, 2026, 1, 1, 2026, 3, 30, "201-1", "20260101", "20261231")->field, 6);
    EXPECT_EQ(checkPeriodMonths(0, 3)->message, "起始月不合理，输入一数!");
    EXPECT_EQ(checkPeriodMonths(4, 3)->field, 1);
    EXPECT_FALSE(checkPeriodMonths(3, 3));
    // The first cut-off date: this month's accounting end in the file's year, else the year's end.
    EXPECT_EQ(initialCutoffDate(calendar(), "20260315", "20261231"), "20260331");
    EXPECT_EQ(initialCutoffDate(calendar(), "20270315", "20261231"), "20261231");
}

TEST_F(LedgerTest, TheNamePathDropsLeadingNamesToFitAndNeverSplitsACharacter)
{
    EXPECT_EQ(accountNamePath(db, "102-2-1"), "银行存款/建设银行/基本户");
    EXPECT_EQ(accountNamePath(db, "102-2-1", 22), "../建设银行/基本户");
    EXPECT_EQ(accountNamePath(db, "102-2-1", 9), "../基本户");
    EXPECT_EQ(accountNamePath(db, "102-2-1", 8), "../基本"); // never half a character
    EXPECT_EQ(periodTitle(2026, 3, 2026, 3), "2026 年  3 月");
    EXPECT_EQ(periodTitle(2026, 1, 2026, 12), "2026 年  1 月 至 12 月");
    EXPECT_EQ(periodTitle(2026, 12, 2027, 1), "2026 年 12 月 至 2027 年  1 月");
}

// ---- generated books against the oracle ----

struct Book {
    int year;
    const char* first;
    const char* last;
    const char* monthEnd;
};

class LedgerOracleTest : public LedgerTest, public ::testing::WithParamInterface<Book> {};

TEST_P(LedgerOracleTest, EveryTableEqualsTheStatementByStatementResult)
{
    const Book book = GetParam();
    open(book.year, book.first, book.last, book.monthEnd);
    std::mt19937 random(20261206u);
    const auto pick = [&](int from, int to) { return std::uniform_int_distribution<int>(from, to)(random); };
    const char* leaves[] = {"101", "1011", "102-1", "102-2-1", "102-2-2", "102-10", "201-1", "201-2", "501",
                            "999-9" /* not in the chart */, "102" /* a parent */, "201-1 " /* trailing blank */,
                            " 101" /* leading blank */};
    opening("101", 1, 5000);
    opening("102-1", 1, 20000);
    opening("201-1", -1, 25000);
    opening("501", 1, 0); // a zero opening row
    opening("102-2-2", 1, 77, "2"); // an opening row not posted
    const AccountingCalendar cal = calendar();
    const int days = 365 + 10;
    for (int v = 1; v <= 400; ++v) {
        // A date somewhere in the year's span.
        int offset = pick(0, days);
        std::string date = cal.period(1).first;
        for (int month = 1; month <= 12; ++month) {
            const MonthPeriod p = cal.period(month);
            if (offset <= 0)
                break;
            date = p.first;
            (void)p;
            --offset;
        }
        const int month = pick(1, 12);
        const MonthPeriod p = cal.period(month);
        date = pick(0, 1) ? p.first : p.last;
        if (pick(0, 2) == 0)
            date = p.first.substr(0, 6) + format("%02d", std::min(28, pick(1, 28)));
        if (date < p.first || date > p.last)
            date = p.last;
        const std::string number = format("%04d", v);
        const std::string mk = pick(0, 9) == 0 ? "2" : "4";
        const double amount = pick(1, 500000) / 100.0;
        const std::string debit = leaves[pick(0, 12)];
        std::string credit = leaves[pick(0, 12)];
        line(date, number, debit, 1, amount, mk, "借方", 1);
        line(date, number, credit, -1, amount, mk, "贷方", 2);
    }
    for (const char* code : {"101", "1011", "102", "102-2", "102-2-1", "102-10", "201", "201-1", "501"})
        for (const auto& [m1, m2] : std::vector<std::pair<int, int>>{{1, 12}, {1, 1}, {4, 9}, {12, 12}}) {
            SCOPED_TRACE(std::string(code) + format(" %d-%d", m1, m2));
            EXPECT_EQ(cells(BuildSummaryText(db, cal, {code, m1, m2})), oracle::summaryLedger(db, cal, code, m1, m2));
            EXPECT_EQ(cells(BuildDetailText(db, cal, {code, m1, m2})), oracle::detailLedger(db, cal, code, m1, m2));
        }
    for (const char* parent : {"", "102", "102-2", "201"})
        for (int month : {1, 3, 12}) {
            SCOPED_TRACE(std::string(parent) + format(" %d", month));
            const std::string date = cal.period(month).last;
            EXPECT_EQ(buildBalanceTable(db, {parent, date, month}).rows,
                      oracle::balanceTable(db, parent, date, month));
            const std::string middle = cal.period(month).first.substr(0, 6) + "15";
            EXPECT_EQ(buildBalanceTable(db, {parent, middle, month}).rows,
                      oracle::balanceTable(db, parent, middle, month));
            for (TurnoverListing listing : {TurnoverListing::NextLevel, TurnoverListing::AllLevels}) {
                const int start = std::max(1, month - 2);
                TurnoverConditions c{parent, cal.period(start).first, date, start, month, listing};
                EXPECT_EQ(buildTurnoverTable(db, c).rows, oracle::turnoverTable(db, parent, c));
            }
        }
}

INSTANTIATE_TEST_SUITE_P(Books, LedgerOracleTest,
                         ::testing::Values(Book{2026, "20260101", "20261231", "031"},
                                           Book{2026, "20260101", "20270105", "105"},
                                           Book{2026, "20251220", "20261219", "019"}));

} // namespace
} // namespace kszw::test
