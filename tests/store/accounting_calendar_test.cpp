#include "common/dates.h"
#include "store/accounting_calendar.h"

#include <gtest/gtest.h>

namespace kszw {
namespace {

struct PeriodCase {
    int year;
    const char* jt;
    int month;
    const char* first;
    const char* last;
};

TEST(AccountingCalendar, PeriodsOfTheMonthEndCodes)
{
    const PeriodCase cases[] = {
        // Calendar months with the default "031".
        {2026, "031", 1, "20260101", "20260131"},
        {2026, "031", 2, "20260201", "20260228"},
        {2024, "031", 2, "20240201", "20240229"},
        {2024, "031", 3, "20240301", "20240331"},
        {2026, "031", 3, "20260301", "20260331"},
        {2026, "031", 4, "20260401", "20260430"},
        {2026, "031", 12, "20261201", "20261231"},
        // Closing on the 25th of the month itself.
        {2026, "025", 1, "20260101", "20260125"},
        {2026, "025", 2, "20260126", "20260225"},
        {2026, "025", 3, "20260226", "20260325"},
        {2026, "025", 12, "20261126", "20261231"},
        // Closing on the 5th of the following month.
        {2026, "105", 1, "20260106", "20260205"},
        {2026, "105", 2, "20260206", "20260305"},
        {2026, "105", 11, "20261106", "20261205"},
        {2026, "105", 12, "20261206", "20261231"},
        // Closing on the 30th: February ends on its own last day, March starts on the 1st.
        {2026, "030", 2, "20260131", "20260228"},
        {2026, "030", 3, "20260301", "20260330"},
        {2024, "029", 2, "20240130", "20240229"},
        {2024, "029", 3, "20240301", "20240329"},
        {2026, "029", 3, "20260301", "20260329"},
        // Closing on the 10th of the following month: month 12 closes in January of the next year.
        {2026, "110", 11, "20261111", "20261210"},
        {2026, "110", 12, "20261211", "20261231"},
    };
    for (const PeriodCase& c : cases) {
        AccountingCalendar calendar(c.year, makeDate(c.year, 1, 1), makeDate(c.year, 12, 31), c.jt);
        MonthPeriod period = calendar.period(c.month);
        EXPECT_EQ(period.first, c.first) << c.year << " JT " << c.jt << " month " << c.month;
        EXPECT_EQ(period.last, c.last) << c.year << " JT " << c.jt << " month " << c.month;
    }
}

// For every month-end code offered, the twelve periods run one after another without gaps or
// overlaps, from the first of month 1 to the year's last day; each date finds its own month.
TEST(AccountingCalendar, EveryOfferedCodeGivesContiguousMonths)
{
    std::vector<std::string> codes;
    for (int d = 20; d <= 31; ++d)
        codes.push_back("0" + std::to_string(d));
    for (int d = 1; d <= 10; ++d)
        codes.push_back(d < 10 ? "10" + std::to_string(d) : "110");
    ASSERT_EQ(codes.size(), 22u);

    for (int year : {2024, 2026, 2100}) {
        for (const std::string& jt : codes) {
            // The year's last day follows the code: months closing in the next month end there.
            const int shift = jt[0] == '1' ? 1 : 0;
            const int day = std::stoi(jt.substr(1));
            const std::string firstDay = shift ? makeDate(year, 1, day + 1) : (day < 31 ? makeDate(year - 1, 12, day + 1) : makeDate(year, 1, 1));
            const std::string t13 = shift ? makeDate(year + 1, 1, day) : makeDate(year, 12, day);
            AccountingCalendar calendar(year, firstDay, t13, jt);
            std::string expectedFirst = firstDay;
            for (int k = 1; k <= 12; ++k) {
                MonthPeriod p = calendar.period(k);
                EXPECT_EQ(p.first, expectedFirst) << year << " JT " << jt << " month " << k;
                ASSERT_LE(p.first, p.last) << year << " JT " << jt << " month " << k;
                EXPECT_EQ(calendar.monthOf(p.first), k) << jt << " " << p.first;
                EXPECT_EQ(calendar.monthOf(p.last), k) << jt << " " << p.last;
                expectedFirst = makeDate(nextDay(*splitDate(p.last)));
            }
            EXPECT_EQ(calendar.period(12).last, t13);
        }
    }
}

TEST(AccountingCalendar, DatesOutsideTheYearHaveNoMonth)
{
    AccountingCalendar calendar(2026, "20260101", "20261231", "031");
    EXPECT_EQ(calendar.monthOf("20251231"), 0);
    EXPECT_EQ(calendar.monthOf("20270101"), 0);
    EXPECT_EQ(calendar.monthOf("20260615"), 6);
    // With JT "105" the first days of January before month 1 starts belong to no month.
    AccountingCalendar shifted(2026, "20260101", "20261231", "105");
    EXPECT_EQ(shifted.monthOf("20260103"), 0);
    EXPECT_EQ(shifted.monthOf("20260106"), 1);
    EXPECT_EQ(shifted.monthOf("20261231"), 12);
}

TEST(AccountingCalendar, YearStartBeforeNewYearBelongsToMonthOne)
{
    AccountingCalendar calendar(2026, "20251225", "20261224", "024");
    EXPECT_EQ(calendar.period(1).first, "20251225");
    EXPECT_EQ(calendar.period(1).last, "20260124");
    EXPECT_EQ(calendar.monthOf("20251226"), 1);
    EXPECT_EQ(calendar.period(12).first, "20261125");
    EXPECT_EQ(calendar.period(12).last, "20261224");
}

TEST(AccountingCalendar, MonthCodesAreTwoCharacters)
{
    EXPECT_EQ(monthCode(1), "01");
    EXPECT_EQ(monthCode(9), "09");
    EXPECT_EQ(monthCode(10), "10");
    EXPECT_EQ(monthCode(12), "12");
    AccountingCalendar calendar(2026, "20260101", "20261231", "031");
    EXPECT_THROW(calendar.period(0), std::out_of_range);
    EXPECT_THROW(calendar.period(13), std::out_of_range);
}

} // namespace
} // namespace kszw
