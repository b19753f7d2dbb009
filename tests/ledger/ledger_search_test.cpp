// The fuzzy ledger-page query: its checks in their order with their messages and fields, how the
// two amount fields are read, the side, the literal summary search, opening rows in month 1, the
// condition text, the order by subject and the total row; and every listing of generated books
// compared with the plain statement of the search oracle.
#include "ledger/search_oracle.h"

#include "accountset/year_file.h"
#include "chart/chart_import.h"
#include "ledger/ledger_search.h"
#include "store/accounting_calendar.h"
#include "store/database.h"
#include "store/transaction.h"
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
                                    "102-2-1,城东支行营业部第一储蓄所,0,,0,0,0\n"
                                    "201,应付账款,0,,0,0,0\n"
                                    "201-1,甲公司,0,,0,0,0\n"
                                    "501,管理费用,0,,0,0,0\n";

class LedgerSearchTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        path = dir.file("2026.ksk");
        createYearFile(path, 2026);
        db = Database::open(path);
        ASSERT_TRUE(importSubjects(db, kChart).ok);
    }

    // A line straight into P0, in the calendar month of its date.
    void line(const std::string& date, const std::string& number, const std::string& code, int f, double amount,
              const std::string& summary = "摘要", const std::string& mk = "4", int rn = 1)
    {
        db.execute("INSERT INTO P0(T,CER,RN,MRY,KNO,F,MY,NU,MK,TT) VALUES(?1,?2,?3,?4,?5,?6,?7,0,?8,?9)",
                   {date, number, static_cast<std::int64_t>(rn), summary, code, static_cast<std::int64_t>(f), amount,
                    mk, date.substr(4, 2)});
    }
    // An opening row as the opening balances write it.
    void opening(const std::string& code, int f, double amount)
    {
        line("20260101", "    ", code, f, amount, "期初余额", "4", 0);
    }

    static SearchConditions amounts(std::string first, std::string second, std::string code = "")
    {
        SearchConditions c;
        c.code = std::move(code);
        c.amount = std::move(first);
        c.amount2 = std::move(second);
        return c;
    }

    static std::vector<SearchCells> cells(const SearchListing& listing)
    {
        std::vector<SearchCells> result;
        for (const SearchRow& row : listing.rows)
            result.push_back(row.cells);
        return result;
    }

    TempDir dir;
    std::string path;
    Database db;
};

TEST_F(LedgerSearchTest, TheChecksComeInTheirOrderEachWithItsField)
{
    line("20260310", "0001", "102-1", 1, 100);
    struct Case {
        SearchConditions conditions;
        std::string_view message;
        SearchField field;
    };
    const auto with = [](SearchConditions c, int start, int end) {
        c.startMonth = start;
        c.endMonth = end;
        return c;
    };
    const Case cases[] = {
        // A code left half typed is malformed before it is unknown, and before any amount.
        {amounts("x", "", "102-"), kMalformedCode, SearchField::Code},
        {amounts("", "", "102--1"), kMalformedCode, SearchField::Code},
        {amounts("", "", "-102"), kMalformedCode, SearchField::Code},
        {amounts("", "", "1-2-3-4-5-6-7"), kMalformedCode, SearchField::Code},
        {amounts("x", "", "999"), kUnknownCode, SearchField::Code},
        {amounts("", "", "10"), kUnknownCode, SearchField::Code}, // 101's prefix is no account
        {amounts("1.2.3", "", "102"), kMalformedAmount, SearchField::Amount},
        {amounts("-", "7", "102"), kMalformedAmount, SearchField::Amount},
        {amounts("100", "1-0"), kMalformedAmount, SearchField::Amount2},
        {amounts("100", "."), kMalformedAmount, SearchField::Amount2},
        {amounts("", ""), kCodeOrAmountRequired, SearchField::Code},
        {amounts("0", "0.000009"), kCodeOrAmountRequired, SearchField::Code},
        {amounts("200", "100.5"), kAmountsOutOfOrder, SearchField::Amount2},
        {with(amounts("100", ""), 0, 12), kBadStartMonth, SearchField::StartMonth},
        {with(amounts("100", ""), 13, 12), kBadStartMonth, SearchField::StartMonth},
        {with(amounts("100", ""), 4, 3), kBadEndMonth, SearchField::EndMonth},
        {with(amounts("100", ""), 1, 13), kBadEndMonth, SearchField::EndMonth},
        {with(amounts("100", ""), 4, 12), kNothingFound, SearchField::Code},
        {amounts("100", "0"), kNothingFound, SearchField::Code},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.conditions.code + "|" + c.conditions.amount + "|" + c.conditions.amount2);
        const std::optional<SearchRefusal> refusal = checkSearchConditions(db, c.conditions);
        ASSERT_TRUE(refusal);
        EXPECT_EQ(refusal->message, c.message);
        EXPECT_EQ(refusal->field, c.field);
    }
    // A summary text alone is not enough; with an account or an amount it is.
    SearchConditions summaryOnly;
    summaryOnly.summary = "摘要";
    EXPECT_EQ(checkSearchConditions(db, summaryOnly)->message, kCodeOrAmountRequired);
    summaryOnly.code = "102";
    EXPECT_FALSE(checkSearchConditions(db, summaryOnly));
    // Blanks around a code or an amount are dropped; "100" and "-0.5"-like numbers are numbers.
    EXPECT_FALSE(checkSearchConditions(db, amounts(" 100 ", "", " 102-1 ")));
    EXPECT_FALSE(checkSearchConditions(db, amounts(".5", "100.")));
    EXPECT_FALSE(checkSearchConditions(db, amounts("-3", "100")));
    // The first amount larger by no more than 0.00001 is not out of order.
    EXPECT_FALSE(checkSearchConditions(db, amounts("100.000005", "100")));
}

TEST_F(LedgerSearchTest, TwoEqualAmountsBehaveLikeOneAmount)
{
    line("20260105", "0001", "101", 1, 100);
    line("20260106", "0002", "102-1", -1, 100.004);
    line("20260107", "0003", "501", 1, 100.01);
    line("20260108", "0004", "501", 1, 99.9999995);
    struct Case {
        const char* first;
        const char* second;
        AmountCondition::Kind kind;
        double low, high;
        const char* text;
        int found;
    };
    using Kind = AmountCondition::Kind;
    const Case cases[] = {
        {"100", "100", Kind::Single, 100, 0, " 限制金额 = 100.00", 2},
        {"100", "", Kind::Single, 100, 0, " 限制金额 = 100.00", 2},
        {"", "100", Kind::Single, 100, 0, " 限制金额 = 100.00", 2},
        {"0", "100", Kind::Range, 0, 100, " 金额在[0.00 ～ 100.00]内", 2},
        {"100", "100.000009", Kind::Single, 100, 0, " 限制金额 = 100.00", 2},
        // Two decimals are what the statement compares: 99.999 is 100.00.
        {"99.999", "", Kind::Single, 100, 0, " 限制金额 = 100.00", 2},
        {"100", "100.01", Kind::Range, 100, 100.01, " 金额在[100.00 ～ 100.01]内", 4},
        {"100", "0", Kind::Range, 100, 0, " 金额在[100.00 ～ 0.00]内", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.first) + " / " + c.second);
        const SearchConditions conditions = amounts(c.first, c.second);
        const AmountCondition amount = amountCondition(conditions);
        EXPECT_EQ(amount.kind, c.kind);
        EXPECT_DOUBLE_EQ(amount.low, c.low);
        if (c.kind == Kind::Range) {
            EXPECT_DOUBLE_EQ(amount.high, c.high);
        }
        EXPECT_EQ(countSearchMatches(db, conditions), c.found);
        const SearchListing listing = searchLedgerPages(db, 2026, conditions);
        EXPECT_EQ(listing.conditionText, std::string("  2026 年 1 月 至 12 月") + c.text);
        EXPECT_EQ(listing.found, c.found);
    }
    // 100 and 100 list exactly what 100 alone lists.
    EXPECT_EQ(cells(searchLedgerPages(db, 2026, amounts("100", "100"))),
              cells(searchLedgerPages(db, 2026, amounts("100", ""))));
}

TEST_F(LedgerSearchTest, AZeroSecondAmountFormsARangeThatFindsNothing)
{
    line("20260105", "0001", "101", 1, 100);
    const SearchOutcome outcome = runLedgerSearch(db, 2026, amounts("100", "0"));
    ASSERT_TRUE(outcome.refusal);
    EXPECT_EQ(outcome.refusal->message, "没有满足条件的记录");
    EXPECT_TRUE(outcome.listing.rows.empty());
    // Listed anyway, it is the total row alone: "贷" and no amount, never "平".
    const SearchListing listing = searchLedgerPages(db, 2026, amounts("100", "0"));
    EXPECT_EQ(listing.found, 0);
    EXPECT_EQ(cells(listing), (std::vector<SearchCells>{{"", "", "", "", "     合    计", "贷", ""}}));
}

TEST_F(LedgerSearchTest, TheCreditSideOfAnAccountListsItsSubtreesCreditLinesAndTotalsCredit)
{
    line("20260105", "0001", "102-1", -1, 300, "提现", "4", 2);
    line("20260105", "0001", "101", 1, 300, "提现", "4", 1);
    line("20260210", "0002", "102-2-1", -1, 45.5, "付邮费");
    line("20260211", "0003", "102-2-1", 1, 1000, "存入");
    line("20260212", "0004", "102-1", -1, 7, "未登帐", "2");
    line("20260213", "0005", "1021", -1, 9, "别的科目"); // beside 102, not below it
    SearchConditions c;
    c.code = "102";
    c.side = SearchSide::Credit;
    const SearchOutcome outcome = runLedgerSearch(db, 2026, c);
    ASSERT_FALSE(outcome.refusal);
    EXPECT_EQ(cells(outcome.listing),
              (std::vector<SearchCells>{{"01", "05", "0001", "102-1", "提现", "贷", "300.00"},
                                        {"02", "10", "0002", "102-2-1", "付邮费", "贷", "45.50"},
                                        {"", "", "", "", "     合    计", "贷", "345.50"}}));
    EXPECT_EQ(outcome.listing.conditionText, "帐户：银行存款  2026 年 1 月 至 12 月(贷方)");
    EXPECT_EQ(outcome.listing.rows[0].date, "20260105");
    EXPECT_EQ(outcome.listing.rows[0].number, "0001");
    EXPECT_TRUE(isVoucherLine(outcome.listing.rows[0]));
    EXPECT_FALSE(isVoucherLine(outcome.listing.rows.back()));
    // Both sides: the total is the balance of the lines, debit above 0.00001.
    c.side = SearchSide::Both;
    const SearchListing both = searchLedgerPages(db, 2026, c);
    EXPECT_EQ(both.found, 3);
    EXPECT_EQ(both.rows.back().cells[5], "借");
    EXPECT_EQ(both.rows.back().cells[6], "654.50");
    c.side = SearchSide::Debit;
    EXPECT_EQ(searchLedgerPages(db, 2026, c).rows.front().cells[4], "存入");
}

TEST_F(LedgerSearchTest, OpeningRowsAreFoundInMonthOneWithABlankVoucherNumber)
{
    opening("102-1", 1, 5000);
    line("20260120", "0001", "102-1", 1, 5000, "存入");
    line("20260220", "0002", "102-1", -1, 5000, "取出");
    SearchConditions c = amounts("5000", "");
    c.startMonth = c.endMonth = 1;
    const SearchListing january = searchLedgerPages(db, 2026, c);
    EXPECT_EQ(cells(january), (std::vector<SearchCells>{{"01", "01", "", "102-1", "期初余额", "借", "5,000.00"},
                                                        {"01", "20", "0001", "102-1", "存入", "借", "5,000.00"},
                                                        {"", "", "", "", "     合    计", "借", "10,000.00"}}));
    EXPECT_EQ(january.conditionText, "  2026 年 1 月 限制金额 = 5000.00");
    EXPECT_FALSE(isVoucherLine(january.rows[0]));
    EXPECT_TRUE(isVoucherLine(january.rows[1]));
    c.startMonth = 2;
    c.endMonth = 12;
    const SearchListing later = searchLedgerPages(db, 2026, c);
    EXPECT_EQ(later.found, 1);
    EXPECT_EQ(later.rows.back().cells[5], "贷");
}

TEST_F(LedgerSearchTest, TheSummaryTextIsLookedForAsItIsWritten)
{
    line("20260301", "0001", "501", 1, 1, "付100%款");
    line("20260302", "0002", "501", 1, 2, "付100元");
    line("20260303", "0003", "501", 1, 3, "O'Brien的\"报销\"");
    line("20260304", "0004", "501", 1, 4, "a_b");
    line("20260305", "0005", "501", 1, 5, "axb");
    line("20260306", "0006", "501", 1, 6, "ABC");
    line("20260307", "0007", "501", 1, 7, "办公 用品");
    struct Case {
        const char* summary;
        std::vector<std::string> numbers;
    };
    const Case cases[] = {
        {"100%", {"0001"}},       {"%", {"0001"}},         {"'", {"0003"}},
        {"\"报销\"", {"0003"}},   {"a_b", {"0004"}},       {"_", {"0004"}},
        {"abc", {}},              {"  ABC ", {"0006"}},    {"公 用", {"0007"}},
        {"付100", {"0001", "0002"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.summary);
        SearchConditions conditions;
        conditions.code = "501";
        conditions.summary = c.summary;
        const SearchListing listing = searchLedgerPages(db, 2026, conditions);
        std::vector<std::string> numbers;
        for (int i = 0; i < listing.found; ++i)
            numbers.push_back(listing.rows[static_cast<size_t>(i)].number);
        EXPECT_EQ(numbers, c.numbers);
    }
    SearchConditions quoted;
    quoted.code = "501";
    quoted.summary = " O'B ";
    EXPECT_EQ(searchLedgerPages(db, 2026, quoted).conditionText,
              "帐户：管理费用  2026 年 1 月 至 12 月 摘要包含“O'B”");
}

TEST_F(LedgerSearchTest, TheConditionTextNamesEveryConditionGiven)
{
    SearchConditions c = amounts("50", "300", "102-2-1");
    c.side = SearchSide::Debit;
    c.summary = "付";
    c.startMonth = 3;
    c.endMonth = 5;
    // The name path is cut to 30 characters from the front.
    EXPECT_EQ(searchConditionParts(db, 2026, c),
              (std::vector<std::string>{"帐户：../城东支行营业部第一储蓄所", "  2026 年 3 月 至 5 月",
                                        " 金额在[50.00 ～ 300.00]内", "(借方)", " 摘要包含“付”"}));
    const SearchListing listing = searchLedgerPages(db, 2026, c);
    EXPECT_EQ(listing.conditionText, "帐户：../城东支行营业部第一储蓄所  2026 年 3 月 至 5 月 金额在[50.00 ～ "
                                     "300.00]内(借方) 摘要包含“付”");
    EXPECT_EQ(searchPageText(3), "第    3 页");
}

TEST_F(LedgerSearchTest, OrderedBySubjectTheCodesComeFirstThenDateAndNumber)
{
    line("20260301", "0002", "501", 1, 10, "a");
    line("20260301", "0001", "501", 1, 10, "b");
    line("20260201", "0009", "201-1", -1, 10, "c");
    line("20260101", "0003", "102-1", 1, 10, "d", "4", 2);
    line("20260101", "0003", "102-1", 1, 10, "e", "4", 1);
    SearchConditions c = amounts("10", "");
    std::vector<std::string> summaries;
    const auto order = [&] {
        summaries.clear();
        const SearchListing listing = searchLedgerPages(db, 2026, c);
        for (int i = 0; i < listing.found; ++i)
            summaries.push_back(listing.rows[static_cast<size_t>(i)].cells[4]);
        return summaries;
    };
    EXPECT_EQ(order(), (std::vector<std::string>{"e", "d", "c", "b", "a"}));
    c.order = SearchOrder::BySubject;
    EXPECT_EQ(order(), (std::vector<std::string>{"e", "d", "c", "b", "a"}));
    line("20260102", "0004", "501", 1, 10, "f");
    EXPECT_EQ(order(), (std::vector<std::string>{"e", "d", "c", "f", "b", "a"}));
    c.order = SearchOrder::ByDate;
    EXPECT_EQ(order(), (std::vector<std::string>{"e", "d", "f", "c", "b", "a"}));
}

TEST_F(LedgerSearchTest, ARangeHoldsItsEndsAndTheAmountIsComparedWhateverTheSide)
{
    line("20260301", "0001", "101", 1, 50);
    line("20260302", "0002", "101", -1, 300);
    line("20260303", "0003", "101", 1, 300.01);
    line("20260304", "0004", "101", -1, 49.99);
    const SearchListing listing = searchLedgerPages(db, 2026, amounts("50", "300"));
    EXPECT_EQ(listing.found, 2);
    EXPECT_EQ(listing.rows[1].cells[5], "贷");
    // 50 debit and 300 credit: 250 on the credit side.
    EXPECT_EQ(listing.rows.back().cells[5], "贷");
    EXPECT_EQ(listing.rows.back().cells[6], "250.00");
}

// ---- generated books against the oracle ----

TEST_F(LedgerSearchTest, EveryListingOfAGeneratedBookEqualsThePlainStatement)
{
    std::mt19937 random(20260417u);
    const auto pick = [&](int from, int to) { return std::uniform_int_distribution<int>(from, to)(random); };
    const char* codes[] = {"101", "1011", "102-1", "102-2", "102-2-1", "201-1", "501",
                           "999-9" /* not in the chart */, "102" /* a parent */, "201-1 " /* trailing blank */,
                           " 101" /* leading blank */, "1021" /* beside 102 */};
    const double amountsUsed[] = {100, 100.004, 99.995, 250, 0.01, 1000, 33.33, 5000, 100.01};
    const char* summaries[] = {"提现", "付100%款", "O'Brien", "含\"引号\"", "支付 办公费", "100", "", "a_b"};
    // The book is written in one transaction: one write to the disk, not one per line.
    Transaction writing(db);
    opening("101", 1, 5000);
    opening("102-1", 1, 100);
    opening("201-1", -1, 250);
    for (int v = 1; v <= 300; ++v) {
        const int month = pick(1, 12);
        const std::string date = format("2026%02d%02d", month, pick(1, 28));
        const std::string number = format("%04d", pick(1, 40));
        const std::string mk = pick(0, 7) == 0 ? "2" : "4";
        const double amount = amountsUsed[pick(0, 8)];
        const std::string summary = summaries[pick(0, 7)];
        line(date, number, codes[pick(0, 11)], 1, amount, summary, mk, 1);
        line(date, number, codes[pick(0, 11)], -1, amount, summary, mk, 2);
    }
    writing.commit();
    const char* accounts[] = {"", "101", "102", "102-2", "201-1", "501"};
    const char* texts[] = {"", "提", "100%", "'", "\"", "办公", "100"};
    const std::pair<const char*, const char*> amountFields[] = {
        {"", ""},       {"100", ""},      {"", "100"},   {"100", "100"}, {"100", "0"},   {"0", "250"},
        {"99.99", "100.01"}, {"50", "300"}, {"100.004", ""}, {"5000", "5000.000001"}, {"-1", "0.01"}};
    int compared = 0, withLines = 0;
    for (int i = 0; i < 400; ++i) {
        SearchConditions c;
        c.code = accounts[pick(0, 5)];
        c.summary = texts[pick(0, 6)];
        const auto& [first, second] = amountFields[pick(0, 10)];
        c.amount = first;
        c.amount2 = second;
        c.side = static_cast<SearchSide>(pick(-1, 1));
        c.startMonth = pick(1, 12);
        c.endMonth = pick(0, 3) == 0 ? 12 : pick(c.startMonth, 12);
        c.order = pick(0, 1) ? SearchOrder::ByDate : SearchOrder::BySubject;
        SCOPED_TRACE(c.code + "|" + c.summary + "|" + c.amount + "|" + c.amount2 + format("|%d|%d-%d|%d",
                     static_cast<int>(c.side), c.startMonth, c.endMonth, static_cast<int>(c.order)));
        const std::optional<SearchRefusal> refusal = checkSearchConditions(db, c);
        if (refusal && refusal->message != kNothingFound) {
            EXPECT_EQ(refusal->message, kCodeOrAmountRequired);
            continue;
        }
        const search_oracle::Listing expected = search_oracle::listing(db, c);
        EXPECT_EQ(refusal.has_value(), expected.found == 0);
        EXPECT_EQ(countSearchMatches(db, c), search_oracle::count(db, c));
        const SearchListing listing = searchLedgerPages(db, 2026, c);
        EXPECT_EQ(listing.found, expected.found);
        EXPECT_EQ(cells(listing), expected.rows);
        ++compared;
        withLines += expected.found > 0 ? 1 : 0;
    }
    // The conditions were not all trivial: many found lines, some found none.
    EXPECT_GT(compared, 150);
    EXPECT_GT(withLines, 60);
    EXPECT_LT(withLines, compared);
}

} // namespace
} // namespace kszw::test
