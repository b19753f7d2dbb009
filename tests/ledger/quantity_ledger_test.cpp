// The quantity-amount and foreign-currency ledgers: prices and rates derived from their triples,
// the opening rows, the balance quantity's sign, the month and year totals, the account checks
// with their exact messages, the printed carry rows, and generated books compared with the
// statement-by-statement oracle.
#include "ledger/quantity_oracle.h"

#include "accountset/year_file.h"
#include "chart/chart_import.h"
#include "ledger/quantity_ledger.h"
#include "store/database.h"
#include "store/transaction.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <random>

namespace kszw::test {
namespace {

constexpr std::string_view kChart = "code,name,kind,unit,multi_column,direction,width\n"
                                    "1002,银行存款,0,,0,0,0\n"
                                    "1002-1,工商银行,0,,0,0,0\n"
                                    "1002-3,中国银行美元户,2,1,0,0,0\n"
                                    "1002-4,港币户,2,2,0,0,0\n"
                                    "1403,原材料,1,吨,0,0,0\n"
                                    "1405,库存商品,1,件,0,0,0\n"
                                    "1406,周转材料,0,,0,0,0\n"
                                    "1406-1,包装物,0,,0,0,0\n"
                                    "14030,另一科目,1,米,0,0,0\n";

using Cells = QuantityCells;

class QuantityLedgerTest : public ::testing::Test {
protected:
    void SetUp() override { open(2026, "20260101", "20261231", "031"); }

    void open(int year, const std::string& first, const std::string& last, const std::string& monthEnd)
    {
        path = dir.file(std::to_string(year) + "-" + first + "-" + monthEnd + "-" + std::to_string(++files) + ".ksk");
        createYearFile(path, year);
        db = Database::open(path);
        db.execute("UPDATE SYSTAB SET T1=?1,T13=?2,JT=?3", {first, last, monthEnd});
        db.execute("INSERT INTO WBT(WNO,NA,HO) VALUES('1','美元',NULL)");
        db.execute("INSERT INTO WBT(WNO,NA,HO) VALUES('2','港币',NULL)");
        const ImportResult chart = importSubjects(db, kChart);
        ASSERT_TRUE(chart.ok) << chart.text();
        // 周转材料 was a quantity subject before it got its child.
        db.execute("UPDATE SUBT SET FZ='1',FZN='套' WHERE KNO='1406'");
    }

    AccountingCalendar calendar() { return yearCalendar(db); }

    // A line straight into P0, in the accounting month of its date.
    void line(const std::string& date, const std::string& number, const std::string& code, int f, double amount,
              double quantity, const std::string& mk = "4", const std::string& summary = "摘要", int rn = 1)
    {
        const int month = calendar().monthOf(date);
        db.execute("INSERT INTO P0(T,CER,RN,MRY,KNO,F,MY,NU,MK,TT) VALUES(?1,?2,?3,?4,?5,?6,?7,?8,?9,?10)",
                   {date, number, static_cast<std::int64_t>(rn), summary, code, static_cast<std::int64_t>(f), amount,
                    quantity, mk, monthCode(month < 1 ? 1 : month)});
    }
    void opening(const std::string& code, int f, double amount, double quantity, const std::string& mk = "4")
    {
        line(calendar().period(1).first, "    ", code, f, amount, quantity, mk, "期初余额", 0);
    }

    std::vector<QuantityRow> rows(const std::string& code, int m1 = 1, int m2 = 12,
                                  QuantityKind kind = QuantityKind::Quantity)
    {
        QuantityLedger ledger = buildQuantityLedger(db, calendar(), code, m1, m2, kind);
        EXPECT_FALSE(ledger.refusal) << code;
        return ledger.rows;
    }

    static std::vector<Cells> cells(const std::vector<QuantityRow>& rows)
    {
        std::vector<Cells> result;
        for (const QuantityRow& row : rows)
            result.push_back(row.cells);
        return result;
    }

    TempDir dir;
    std::string path;
    Database db;
    int files = 0;
};

TEST_F(QuantityLedgerTest, PricesAreDerivedOnlyFromAQuantityAndAnAmountOnOneSide)
{
    struct Case {
        double quantity, amount;
        const char* price;
    };
    const Case cases[] = {
        {3, 10, "3.3333"}, {4, 10, "2.50"},  {0, 10, ""},        {0.0000005, 10, ""}, {-3, 10, ""},
        {3, -10, ""},      {-4, -10, "2.50"}, {8, 1, "0.125"},   {7, 22.5, "3.2143"}, {2, 0.000004, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(priceText(derivedPrice(c.quantity, c.amount)), c.price) << c.quantity << " " << c.amount;
    EXPECT_EQ(quantityText(1234.5), "1,234.5");
    EXPECT_EQ(quantityText(0.12345), "0.1235");
    EXPECT_EQ(quantityText(12), "12");
    EXPECT_EQ(priceText(6.5), "6.50");
    EXPECT_EQ(amountText(12345.6), "12,345.60");
}

TEST_F(QuantityLedgerTest, ALineWithoutQuantityMovesOnlyTheAmountBalance)
{
    opening("1403", 1, 100, 10);
    line("20260305", "0001", "1403", 1, 10, 3);
    line("20260306", "0002", "1403", 1, 10, 4);
    line("20260307", "0003", "1403", 1, 25, 0, "4", "价格调整");
    const std::vector<QuantityRow> r = rows("1403");
    ASSERT_EQ(r.size(), 6u);
    EXPECT_EQ(r[0].cells, (Cells{"01", "01", "", "期 初 余 额", "", "", "", "", "", "", "借", "10", "10.00", "100.00"}));
    EXPECT_EQ(r[1].cells, (Cells{"03", "05", "0001", "摘要", "3", "3.3333", "10.00", "", "", "", "借", "13", "8.4615",
                                 "110.00"}));
    EXPECT_EQ(r[2].cells[5], "2.50");
    EXPECT_EQ(r[3].cells, (Cells{"03", "07", "0003", "价格调整", "", "", "25.00", "", "", "", "借", "17", "8.5294",
                                 "145.00"}));
    // The totals show their own triples and leave the balance as the last line left it.
    EXPECT_EQ(r[4].cells, (Cells{"03", "31", "", "本  月  合  计", "7", "6.4286", "45.00", "", "", "", "借", "17",
                                 "8.5294", "145.00"}));
    EXPECT_EQ(r[5].cells, (Cells{"03", "31", "", "本  年  累  计", "7", "6.4286", "45.00", "", "", "", "借", "17",
                                 "8.5294", "145.00"}));
    EXPECT_EQ(r[1].date, "20260305");
    EXPECT_EQ(r[4].date, "20260331");
}

TEST_F(QuantityLedgerTest, ACreditCurrencyAccountWithOnlyItsOpeningRowShowsTheOpeningTriple)
{
    opening("1002-3", -1, 650, 100);
    const std::vector<QuantityRow> r = rows("1002-3", 1, 12, QuantityKind::Currency);
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].cells, (Cells{"01", "01", "", "期 初 余 额", "", "", "", "", "", "", "贷", "100", "6.50", "650.00"}));
    // From a later month the opening row stands on that month's first day.
    const std::vector<QuantityRow> march = rows("1002-3", 3, 5, QuantityKind::Currency);
    ASSERT_EQ(march.size(), 1u);
    EXPECT_EQ(march[0].cells[0], "03");
    EXPECT_EQ(march[0].cells[1], "01");
    EXPECT_EQ(march[0].date, "20260301");
    // A zero opening row still opens the ledger.
    opening("1002-4", 1, 0, 0);
    const std::vector<QuantityRow> zero = rows("1002-4", 1, 12, QuantityKind::Currency);
    ASSERT_EQ(zero.size(), 1u);
    EXPECT_EQ(zero[0].cells, (Cells{"01", "01", "", "期 初 余 额", "", "", "", "", "", "", "平", "", "", ""}));
}

TEST_F(QuantityLedgerTest, TheBalanceQuantityKeepsItsSignWhenItLiesOnTheOtherSideOfTheAmount)
{
    opening("1403", 1, 100, 10);
    line("20260210", "0001", "1403", -1, 90, 12);  // more tons out than in: −2 tons, 10.00 left
    line("20260211", "0002", "1403", -1, 30, 0);   // the amount turns to credit: −2 tons, −20.00
    line("20260212", "0003", "1403", 1, 0, 2);     // no tons left, −20.00
    const std::vector<QuantityRow> r = rows("1403");
    ASSERT_EQ(r.size(), 6u);
    EXPECT_EQ(r[1].cells[10], "借");
    EXPECT_EQ(r[1].cells[11], "-2");
    EXPECT_EQ(r[1].cells[12], "");
    EXPECT_EQ(r[1].cells[13], "10.00");
    EXPECT_EQ(r[2].cells[10], "贷");
    EXPECT_EQ(r[2].cells[11], "2"); // both on the credit side: unsigned, with its price
    EXPECT_EQ(r[2].cells[12], "10.00");
    EXPECT_EQ(r[2].cells[13], "20.00");
    EXPECT_EQ(r[3].cells[11], "");
    EXPECT_EQ(r[3].cells[12], "");
    EXPECT_EQ(r[3].cells[13], "20.00");
}

TEST_F(QuantityLedgerTest, StartingInAprilSumsTheMonthsBeforeIntoTheOpeningRowAndTheYearToDate)
{
    opening("1403", 1, 1000, 100);
    line("20260115", "0001", "1403", 1, 200, 20);
    line("20260310", "0002", "1403", -1, 50, 5);
    line("20260405", "0001", "1403", 1, 30.5, 3);
    line("20260406", "0002", "1403", -1, 10, 1, "2"); // not posted
    const std::vector<QuantityRow> r = rows("1403", 4, 12);
    ASSERT_EQ(r.size(), 4u);
    EXPECT_EQ(r[0].cells, (Cells{"04", "01", "", "期 初 余 额 汇 总", "20", "10.00", "200.00", "5", "10.00", "50.00",
                                 "借", "115", "10.00", "1,150.00"}));
    EXPECT_EQ(r[1].cells, (Cells{"04", "05", "0001", "摘要", "3", "10.1667", "30.50", "", "", "", "借", "118", "10.0042",
                                 "1,180.50"}));
    EXPECT_EQ(r[2].cells[3], "本  月  合  计");
    EXPECT_EQ(r[2].cells[4], "3");
    EXPECT_EQ(r[3].cells, (Cells{"04", "30", "", "本  年  累  计", "23", "10.0217", "230.50", "5", "10.00", "50.00",
                                 "借", "118", "10.0042", "1,180.50"}));
}

TEST_F(QuantityLedgerTest, TotalsKeepFourDecimalsOfTheirQuantities)
{
    line("20260105", "0001", "1403", 1, 1, 0.1234);
    line("20260106", "0002", "1403", 1, 1, 0.0001);
    line("20260107", "0003", "1403", -1, 0.5, 0.00004);
    const std::vector<QuantityRow> r = rows("1403");
    ASSERT_EQ(r.size(), 5u);
    // No opening row: the first line opens the ledger and moves the sums like the others.
    EXPECT_EQ(r[0].cells[2], "0001");
    EXPECT_EQ(r[0].cells[11], "0.1234");
    EXPECT_EQ(r[2].cells[7], ""); // 0.00004 shows as nothing at four decimals
    EXPECT_EQ(r[3].cells[4], "0.1235");
    EXPECT_EQ(r[3].cells[5], "16.1943");
    EXPECT_EQ(r[3].cells[7], "");
    EXPECT_EQ(r[3].cells[9], "0.50");
    EXPECT_EQ(r[4].cells[11], "0.1235");
    EXPECT_EQ(r[4].cells[13], "1.50");
}

TEST_F(QuantityLedgerTest, EveryOpeningRowCountsAndOnlyTheAccountsOwnRows)
{
    opening("1403", 1, 100, 10);
    opening("1403", 1, 50, 5, "2");  // a second opening row, not posted: opening rows count whatever their status
    line("20260105", "0001", "14030", 1, 999, 9); // a code beside the code
    line("20260106", "0002", " 1403", 1, 20, 2);  // blanks around the code still name it
    line("20260107", "0003", "1403 ", -1, 10, 1);
    const std::vector<QuantityRow> r = rows("1403");
    ASSERT_EQ(r.size(), 5u);
    EXPECT_EQ(r[0].cells[11], "15");
    EXPECT_EQ(r[0].cells[13], "150.00");
    EXPECT_EQ(r[2].cells[11], "16");
    EXPECT_EQ(r[2].cells[13], "160.00");
}

TEST_F(QuantityLedgerTest, AnAccountWithoutLinesOrOpeningRowHasNoContent)
{
    line("20260505", "0001", "1405", 1, 10, 1);     // after the end month
    line("20260205", "0002", "1405", 1, 10, 1, "2"); // not posted
    QuantityLedger ledger = buildQuantityLedger(db, calendar(), "1405", 1, 4, QuantityKind::Quantity);
    ASSERT_TRUE(ledger.refusal);
    EXPECT_EQ(*ledger.refusal, "本科目无经济内容!");
    EXPECT_TRUE(ledger.rows.empty());
    // Lines before the start only: the opening row with their turnover, no month rows.
    ledger = buildQuantityLedger(db, calendar(), "1405", 6, 12, QuantityKind::Quantity);
    ASSERT_FALSE(ledger.refusal);
    ASSERT_EQ(ledger.rows.size(), 1u);
    EXPECT_EQ(ledger.rows[0].cells[3], "期 初 余 额 汇 总");
    EXPECT_EQ(ledger.rows[0].cells[13], "10.00");
}

TEST_F(QuantityLedgerTest, AMonthSpanningNewYearKeepsOneMonthTotal)
{
    open(2026, "20260101", "20270105", "105");
    line("20261220", "0001", "1403", 1, 10, 1);
    line("20270103", "0002", "1403", 1, 5, 1);
    const std::vector<QuantityRow> r = rows("1403");
    ASSERT_EQ(r.size(), 4u);
    EXPECT_EQ(r[2].cells[3], "本  月  合  计");
    EXPECT_EQ(r[2].cells[4], "2");
    EXPECT_EQ(r[2].cells[5], "7.50");
    EXPECT_EQ(r[2].date, "20270105");
}

TEST_F(QuantityLedgerTest, TheAccountChecksComeInTheirOrderWithTheirMessages)
{
    opening("1403", 1, 100, 10);
    line("20260505", "0001", "1405", 1, 10, 1);
    line("20260305", "0001", "1406-1", 1, 10, 1);
    opening("1002-3", 1, 10, 1, "2"); // an opening row not posted is not content here
    struct Case {
        const char* code;
        int month;
        QuantityKind kind;
        const char* message;
    };
    const Case cases[] = {
        {"1409", 12, QuantityKind::Quantity, "科目“1409”不存在!"},
        {"1002-1", 12, QuantityKind::Currency, "本科目不是外币核算科目!"},
        {"1002-3", 12, QuantityKind::Quantity, "本科目不是数量金额核算科目!"},
        {"1406", 12, QuantityKind::Quantity, "本科目已有子目，已不是数量金额核算"},
        {"1405", 4, QuantityKind::Quantity, "本科目无经济内容!"},
        {"1002-3", 12, QuantityKind::Currency, "本科目无经济内容!"},
    };
    for (const Case& c : cases) {
        const std::optional<std::string> refusal = checkQuantityAccount(db, c.code, c.month, c.kind);
        ASSERT_TRUE(refusal) << c.code;
        EXPECT_EQ(*refusal, c.message) << c.code;
    }
    db.execute("UPDATE SUBT SET FZ='2',FZN='1' WHERE KNO='1406'");
    EXPECT_EQ(checkQuantityAccount(db, "1406", 12, QuantityKind::Currency).value_or(""),
              "本科目已有子目，已不是外币核算");
    EXPECT_FALSE(checkQuantityAccount(db, "1403", 1, QuantityKind::Quantity));
    EXPECT_FALSE(checkQuantityAccount(db, " 1405 ", 5, QuantityKind::Quantity));
}

TEST_F(QuantityLedgerTest, HeadsNameTheUnitOrTheCurrency)
{
    EXPECT_EQ(quantityUnitName(db, "1403", QuantityKind::Quantity), "吨");
    EXPECT_EQ(quantityUnitName(db, "1002-3", QuantityKind::Currency), "美元");
    EXPECT_EQ(quantityUnitName(db, "1002-4", QuantityKind::Currency), "港币");
    EXPECT_EQ(quantityUnitName(db, "1002-1", QuantityKind::Currency), "");
    EXPECT_EQ(quantityLedgerTitle(QuantityKind::Quantity), " 数量金额式帐页 ");
    EXPECT_EQ(quantityLedgerTitle(QuantityKind::Currency), " 复 币 式 帐 页 ");
    EXPECT_EQ(quantityDocumentTitle(QuantityKind::Currency), "复币式帐页");
    EXPECT_EQ(quantityUnitLabel(QuantityKind::Quantity), "数量单位：");
    EXPECT_EQ(quantityUnitLabel(QuantityKind::Currency), "币种名称：");
    EXPECT_EQ(quantityTripleCaptions(QuantityKind::Currency)[2], "本位币金额");
    const auto headings = quantityColumnHeadings(QuantityKind::Currency);
    EXPECT_EQ(headings[4], "借方外币数");
    EXPECT_EQ(headings[8], "贷方汇率");
    EXPECT_EQ(headings[10], "借或贷");
    EXPECT_EQ(headings[13], "余额本位币金额");
    EXPECT_EQ(quantityColumnHeadings(QuantityKind::Quantity)[12], "余额单价");
}

TEST_F(QuantityLedgerTest, PrintedPagesCarryTheirMovementSumsOverAtABreakInsideARunOfLines)
{
    opening("1403", 1, 100, 10);
    for (int i = 1; i <= 25; ++i)
        line(format("202601%02d", i), format("%04d", i), "1403", i % 2 ? 1 : -1, 3, 1);
    std::vector<Cells> r = cells(rows("1403"));
    ASSERT_EQ(r.size(), 28u);
    const std::vector<Cells> printed = BuildQuantityPrintRows(r, 20);
    ASSERT_EQ(printed.size(), 30u);
    // The opening row, 18 lines (9 in, 9 out), then the carry rows at printed rows 20 and 21.
    const Cells carry{"01", "18", "", "  过  次  页", "9", "3.00", "27.00", "9", "3.00", "27.00", "借", "10", "10.00",
                      "100.00"};
    EXPECT_EQ(printed[19], carry);
    Cells carried = carry;
    carried[3] = "  承  前  页";
    EXPECT_EQ(printed[20], carried);
    EXPECT_EQ(printed[21][2], "0019");
    EXPECT_EQ(printed[29][3], "本  年  累  计");
    // A break after a total row is one empty row.
    std::vector<Cells> totals(19, Cells{"01", "31", "", "本  月  合  计"});
    totals.push_back(Cells{"02", "01", "0001", "x", "1", "1.00", "1.00"});
    const std::vector<Cells> blank = BuildQuantityPrintRows(totals, 20);
    ASSERT_EQ(blank.size(), 21u);
    EXPECT_EQ(blank[19], Cells{});
}

// ---- generated books against the oracle ----

struct Book {
    int year;
    const char* first;
    const char* last;
    const char* monthEnd;
};

class QuantityOracleTest : public QuantityLedgerTest, public ::testing::WithParamInterface<Book> {};

TEST_P(QuantityOracleTest, EveryLedgerEqualsTheStatementByStatementResult)
{
    const Book book = GetParam();
    open(book.year, book.first, book.last, book.monthEnd);
    std::mt19937 random(20261207u);
    const auto pick = [&](int from, int to) { return std::uniform_int_distribution<int>(from, to)(random); };
    const char* codes[] = {"1403", "1405", "1002-3", "1002-4", "14030", " 1403", "1403 ", "1406-1"};
    opening("1403", 1, 5000, 250.5);
    opening("1403", -1, 120, 3, "2");
    opening("1002-3", -1, 650, 100);
    opening("1002-4", 1, 0, 0);
    const AccountingCalendar cal = calendar();
    Transaction generated(db);
    for (int v = 1; v <= 500; ++v) {
        const int month = pick(1, 12);
        const MonthPeriod p = cal.period(month);
        std::string date = pick(0, 1) ? p.first : p.last;
        if (pick(0, 2) == 0)
            date = p.first.substr(0, 6) + format("%02d", pick(1, 28));
        if (date < p.first || date > p.last)
            date = p.last;
        // Numbers repeat within a day; a line's place in its voucher (RN) keeps the order total.
        const std::string number = format("%04d", pick(1, 60));
        const std::string mk = pick(0, 9) == 0 ? "2" : "4";
        const double amount = pick(0, 9) == 0 ? 0 : pick(1, 500000) / 100.0;
        const double quantity = pick(0, 5) == 0 ? 0 : pick(-20, 300000) / 10000.0;
        line(date, number, codes[pick(0, 7)], pick(0, 1) ? 1 : -1, amount, quantity, mk, format("第%d笔", v), v);
    }
    generated.commit();
    for (const char* code : {"1403", "1405", "1002-3", "1002-4", "14030", "1406-1"})
        for (const auto& [m1, m2] : std::vector<std::pair<int, int>>{{1, 12}, {1, 1}, {4, 9}, {12, 12}, {2, 2}}) {
            SCOPED_TRACE(std::string(code) + format(" %d-%d", m1, m2));
            const QuantityLedger fast = buildQuantityLedger(db, cal, code, m1, m2, QuantityKind::Quantity);
            const quantity_oracle::Result slow = quantity_oracle::ledger(db, cal, code, m1, m2);
            EXPECT_EQ(fast.refusal.has_value(), slow.noContent);
            EXPECT_EQ(cells(fast.rows), slow.rows);
            EXPECT_EQ(cells(buildQuantityLedger(db, cal, code, m1, m2, QuantityKind::Currency).rows), slow.rows);
        }
}

INSTANTIATE_TEST_SUITE_P(Books, QuantityOracleTest,
                         ::testing::Values(Book{2026, "20260101", "20261231", "031"},
                                           Book{2026, "20260101", "20270105", "105"},
                                           Book{2026, "20251220", "20261219", "019"}));

} // namespace
} // namespace kszw::test
