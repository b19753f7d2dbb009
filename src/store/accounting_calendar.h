// The twelve accounting months of a year. Month k closes on day d of a calendar month: with a
// month-end code JT = s·100 + d, on day d of month k itself (s = 0, codes "020"…"031") or of the
// calendar month after it (s = 1, codes "101"…"110"). The first month starts at the year's first
// day T1, the twelfth ends at its last day T13.
#pragma once

#include <string>
#include <string_view>

namespace kszw {

struct MonthPeriod {
    std::string first; // YYYYMMDD
    std::string last;  // YYYYMMDD
};

class AccountingCalendar {
public:
    // year = PY, firstDay = T1, lastDay = T13, monthEndCode = JT ("031").
    AccountingCalendar(int year, std::string firstDay, std::string lastDay, std::string_view monthEndCode);

    // First and last day of accounting month k (1..12).
    MonthPeriod period(int month) const;
    // The accounting month (1..12) whose period holds the date, 0 when none does.
    int monthOf(std::string_view date) const;

    int year() const { return m_year; }
    int closingDay() const { return m_closingDay; }
    bool closesInFollowingMonth() const { return m_shift == 1; }

private:
    int m_year;
    std::string m_firstDay;
    std::string m_lastDay;
    int m_closingDay; // d
    int m_shift;      // s
};

// The month code "01" … "12" of accounting month k.
std::string monthCode(int month);

} // namespace kszw
