// Exchange rates: the rate dialog's lines with their stored values, the checks of the rate dialog
// in their order (Gregorian leap years, the year's first and last day, one rate per date), six
// decimals written and kept, and the fields a new or an existing rate starts with.
#include "accountset/year_file.h"
#include "chart/chart_fixture.h"
#include "chart/currencies.h"
#include "chart/exchange_rates.h"
#include "store/ks_dbset.h"

namespace kszw::test {
namespace {

class RateTest : public ChartTest {
protected:
    void SetUp() override
    {
        ChartTest::SetUp();
        add("6603", "汇兑损益");
        ASSERT_TRUE(addCurrency(db, {"1", "美元", "6603"}).ok);
        ASSERT_TRUE(addCurrency(db, {"12", "港币", "6603"}).ok);
    }

    static RateInput input(const std::string& date, const std::string& foreign = "100", const std::string& local = "683.25")
    {
        return {date.substr(0, 4), date.substr(4, 2), date.substr(6, 2), foreign, local};
    }

    RateResult addOn(const std::string& date, const std::string& foreign = "100", const std::string& local = "683.25")
    {
        return addRate(db, year, "1", input(date, foreign, local));
    }

    double stored(const std::string& column, const std::string& date)
    {
        return db.queryDouble("SELECT " + column + " FROM WBR WHERE WNO='1' AND T=?1", {date}).value_or(-1);
    }

    RateYear year{"20260101", "20261231"};
};

TEST_F(RateTest, TheCurrencyAndRateLinesKeepTheirStoredValues)
{
    ASSERT_TRUE(addOn("20260301", "1", "6.832512").ok);
    ASSERT_TRUE(addOn("20260105", "100", "683.25").ok);
    const std::vector<RateCurrencyLine> currencies = listRateCurrencies(db);
    ASSERT_EQ(currencies.size(), 2u);
    EXPECT_EQ(currencies[0].text(), "   1  美元");
    EXPECT_EQ(currencies[1].text(), "  12  港币");
    EXPECT_EQ(currencies[1].code, "12");

    // Both rates of the currency, in date order.
    const std::vector<RateLine> rates = listRates(db, "1");
    ASSERT_EQ(rates.size(), 2u);
    EXPECT_EQ(rates[0].text(), "20260105      100.00    683.25");
    EXPECT_EQ(rates[1].text(), "20260301        1.00      6.83");
    EXPECT_EQ(rates[1].date, "20260301");
    EXPECT_DOUBLE_EQ(rates[1].foreign, 1.0);
    EXPECT_DOUBLE_EQ(rates[1].local, 6.832512);
    EXPECT_TRUE(listRates(db, "12").empty());
}

TEST_F(RateTest, TheChecksRefuseInTheirOrderWithTheirMessages)
{
    struct Case {
        RateInput input;
        const char* message;
        RateField field;
    };
    const Case cases[] = {
        {{"", "01", "05", "1", "6.8"}, "设置的年份不合理，输入一数!", RateField::Year},
        {{"1989", "", "", "", ""}, "设置的年份不合理，输入一数!", RateField::Year},
        {{"2026.5", "01", "05", "1", "6.8"}, "设置的年份不合理，输入一数!", RateField::Year},
        {{"10000", "01", "05", "1", "6.8"}, "设置的年份不合理，输入一数!", RateField::Year},
        {{"2026", "0", "05", "1", "6.8"}, "设置的月份不合理，输入一数!", RateField::Month},
        {{"2026", "13", "05", "1", "6.8"}, "设置的月份不合理，输入一数!", RateField::Month},
        {{"2026", "", "", "", ""}, "设置的月份不合理，输入一数!", RateField::Month},
        {{"2026", "04", "31", "1", "6.8"}, "设置的日期不合理，输入一数!", RateField::Day},
        {{"2026", "02", "29", "1", "6.8"}, "设置的日期不合理，输入一数!", RateField::Day},
        {{"2026", "01", "0", "1", "6.8"}, "设置的日期不合理，输入一数!", RateField::Day},
        {{"2026", "01", "05", "", "6.8"}, "外币数不合理，输入一数!", RateField::Foreign},
        {{"2026", "01", "05", "0.0005", "6.8"}, "外币数不合理，输入一数!", RateField::Foreign},
        {{"2026", "01", "05", "-1", "6.8"}, "外币数不合理，输入一数!", RateField::Foreign},
        {{"2026", "01", "05", "1e3", "6.8"}, "外币数不合理，输入一数!", RateField::Foreign},
        {{"2026", "01", "05", "1", "0.0009"}, "本位币数不合理，输入一数!", RateField::Local},
        {{"2026", "01", "05", "1", "abc"}, "本位币数不合理，输入一数!", RateField::Local},
        {{"2026", "01", "05", "1", "10000000000000"}, "本位币数不合理，输入一数!", RateField::Local},
        // A day after the year's end, a day before its start.
        {{"2027", "01", "01", "1", "6.8"}, "所设置的时间已不在本年度的\r年初日与年末日之间，请重输!", RateField::Year},
        {{"2025", "12", "31", "1", "6.8"}, "所设置的时间已不在本年度的\r年初日与年末日之间，请重输!", RateField::Year},
        // 29 February passes the day check in a leap year (then it lies outside this year).
        {{"2008", "02", "29", "1", "6.8"}, "所设置的时间已不在本年度的\r年初日与年末日之间，请重输!", RateField::Year},
        {{"2007", "02", "29", "1", "6.8"}, "设置的日期不合理，输入一数!", RateField::Day},
    };
    for (const Case& c : cases) {
        RateResult result = addRate(db, year, "1", c.input);
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.message, c.message) << c.input.year << c.input.month << c.input.day << " " << c.input.foreign;
        EXPECT_EQ(result.field, c.field) << c.message;
    }
    EXPECT_EQ(count("SELECT count(*) FROM WBR"), 0);
    // The least amounts pass; the year's first and last day are inside it.
    EXPECT_TRUE(addOn("20260101", "0.001", "0.001").ok);
    EXPECT_TRUE(addOn("20261231").ok);
    // A shorter year ends earlier.
    EXPECT_EQ(addRate(db, RateYear{"20260101", "20261225"}, "1", input("20261226")).message,
              "所设置的时间已不在本年度的\r年初日与年末日之间，请重输!");
}

TEST_F(RateTest, TwentyNinthOfFebruaryFollowsTheGregorianLeapRule)
{
    struct Case {
        int year;
        bool accepted;
    };
    for (const Case& c : {Case{2000, true}, Case{2100, false}}) {
        const std::string name = std::to_string(c.year) + ".ksk";
        createYearFile(dir.file(name), c.year);
        Database file = Database::open(dir.file(name));
        file.execute("INSERT INTO SUBT(KNO,NA,CLAS,OP,FZ,FZN,DL,DLF,DLW) VALUES('6603','汇兑损益',1,'0','0',NULL,'0',0,0)");
        ASSERT_TRUE(addCurrency(file, {"1", "美元", "6603"}).ok);
        KS_Dbset header(file);
        header.open("SELECT T1,T13 FROM SYSTAB");
        const RateYear fileYear{header.textAt(0), header.textAt(1)};
        header.close();
        const RateResult result = addRate(file, fileYear, "1", {std::to_string(c.year), "02", "29", "1", "7"});
        EXPECT_EQ(result.ok, c.accepted) << c.year;
        EXPECT_EQ(result.message, c.accepted ? "" : "设置的日期不合理，输入一数!") << c.year;
        EXPECT_EQ(file.queryLong("SELECT count(*) FROM WBR"), c.accepted ? 1 : 0);
    }
}

TEST_F(RateTest, AmountsAreWrittenWithSixDecimalsAndAnUnchangedRateKeepsThem)
{
    ASSERT_TRUE(addOn("20260105", "1", "6.832512").ok);
    EXPECT_FALSE(addOn("20260106", "2.1234567", "-0").ok);
    ASSERT_TRUE(addOn("20260106", "2.1234567", "0.0015").ok);
    EXPECT_DOUBLE_EQ(stored("MY1", "20260106"), 2.123457);
    EXPECT_DOUBLE_EQ(stored("MY2", "20260106"), 0.0015);

    // The dialog opens with every stored decimal; confirming it unchanged writes the same values.
    const RateLine line = listRates(db, "1").front();
    const RateInput fields = rateInputFor(line);
    EXPECT_EQ(fields.year, "2026");
    EXPECT_EQ(fields.month, "01");
    EXPECT_EQ(fields.day, "05");
    EXPECT_EQ(fields.foreign, "1.00");
    EXPECT_EQ(fields.local, "6.832512");
    RateResult result = modifyRate(db, year, "1", line.date, fields);
    ASSERT_TRUE(result.ok) << result.message;
    EXPECT_DOUBLE_EQ(stored("MY2", "20260105"), 6.832512);
    EXPECT_DOUBLE_EQ(stored("MY1", "20260105"), 1.0);
}

TEST_F(RateTest, OneRatePerCurrencyAndDate)
{
    ASSERT_TRUE(addOn("20260105").ok);
    ASSERT_TRUE(addOn("20260201").ok);
    RateResult again = addOn("20260105");
    EXPECT_EQ(again.message, "本次输入时间已有汇率，不允许重复设置，请重输！");
    EXPECT_EQ(again.field, RateField::Day);
    // Another currency may have a rate of that day.
    EXPECT_TRUE(addRate(db, year, "12", input("20260105")).ok);
    // Modifying keeps its own date, moves to a free one, but not onto another rate's.
    EXPECT_TRUE(modifyRate(db, year, "1", "20260105", input("20260105", "100", "690")).ok);
    EXPECT_DOUBLE_EQ(stored("MY2", "20260105"), 690.0);
    EXPECT_EQ(modifyRate(db, year, "1", "20260105", input("20260201")).message,
              "本次输入时间已有汇率，不允许重复设置，请重输！");
    RateResult moved = modifyRate(db, year, "1", "20260105", input("20260110", "1", "6.9"));
    ASSERT_TRUE(moved.ok) << moved.message;
    EXPECT_EQ(moved.date, "20260110");
    EXPECT_EQ(count("SELECT count(*) FROM WBR WHERE WNO='1' AND T='20260105'"), 0);
    EXPECT_DOUBLE_EQ(stored("MY2", "20260110"), 6.9);
    EXPECT_EQ(count("SELECT count(*) FROM WBR WHERE WNO='12'"), 1);
}

TEST_F(RateTest, ARateOfAVanishedCurrencyOrEntryIsRefused)
{
    EXPECT_EQ(addRate(db, year, "7", input("20260105")).message, "代码为“7”的外币币种不存在！");
    EXPECT_EQ(modifyRate(db, year, "1", "20260105", input("20260105")).message,
              "代码为“1”的外币在20260105的汇率已不存在！");
    EXPECT_EQ(count("SELECT count(*) FROM WBR"), 0);
}

TEST_F(RateTest, DeletingARateTakesOnlyThatOne)
{
    ASSERT_TRUE(addOn("20260105").ok);
    ASSERT_TRUE(addOn("20260201").ok);
    ASSERT_TRUE(addRate(db, year, "12", input("20260105")).ok);
    deleteRate(db, "1", "20260105");
    ASSERT_EQ(listRates(db, "1").size(), 1u);
    EXPECT_EQ(listRates(db, "1")[0].date, "20260201");
    EXPECT_EQ(listRates(db, "12").size(), 1u);
}

TEST_F(RateTest, ANewRateStartsAtTheDayGivenAndAmountsShowTheirDecimals)
{
    const RateInput today = newRateInput({2026, 5, 7});
    EXPECT_EQ(today.year, "2026");
    EXPECT_EQ(today.month, "05");
    EXPECT_EQ(today.day, "07");
    EXPECT_EQ(today.foreign, "");
    EXPECT_EQ(today.local, "");
    const RateInput december = newRateInput({2026, 12, 31});
    EXPECT_EQ(december.month + december.day, "1231");

    const std::pair<double, const char*> amounts[] = {
        {100, "100.00"}, {6.8, "6.80"}, {6.832512, "6.832512"}, {0.001, "0.001"}, {1234567.125, "1234567.125"}};
    for (const auto& [value, text] : amounts)
        EXPECT_EQ(rateAmountText(value), text) << value;
}

} // namespace
} // namespace kszw::test
