#include "store/accounting_calendar.h"

#include "common/dates.h"
#include "common/text.h"

#include <algorithm>
#include <cstdlib>
#include <stdexcept>

namespace kszw {

AccountingCalendar::AccountingCalendar(int year, std::string firstDay, std::string lastDay,
                                       std::string_view monthEndCode)
    : m_year(year), m_firstDay(trim(firstDay)), m_lastDay(trim(lastDay))
{
    int code = std::atoi(trim(monthEndCode).c_str());
    m_closingDay = code % 100;
    m_shift = code / 100;
    // A closing day outside 1..31 cannot name a day; the calendar month's own end is meant.
    if (m_closingDay < 1 || m_closingDay > 31)
        m_closingDay = 31;
    if (m_shift < 0 || m_shift > 1)
        m_shift = 0;
}

MonthPeriod AccountingCalendar::period(int month) const
{
    if (month < 1 || month > 12)
        throw std::out_of_range("accounting month out of range: " + std::to_string(month));

    // The calendar month (year y, month c) in which month k closes.
    int m = m_shift + month - 1;
    int y = m_year + m / 12;
    int c = m % 12 + 1;

    MonthPeriod result;
    if (month == 12)
        result.last = m_lastDay;
    else
        result.last = makeDate(y, c, std::min(m_closingDay, daysInMonth(y, c)));

    if (month == 1 && m_shift == 0) {
        result.first = m_firstDay;
    } else {
        int py = c == 1 ? y - 1 : y;
        int pc = c == 1 ? 12 : c - 1;
        if (m_closingDay + 1 > daysInMonth(py, pc))
            result.first = makeDate(y, c, 1);
        else
            result.first = makeDate(py, pc, m_closingDay + 1);
    }
    return result;
}

int AccountingCalendar::monthOf(std::string_view date) const
{
    std::string day = trim(date);
    for (int k = 1; k <= 12; ++k) {
        MonthPeriod p = period(k);
        if (day >= p.first && day <= p.last)
            return k;
    }
    return 0;
}

std::string monthCode(int month)
{
    if (month >= 1 && month <= 9)
        return format("0%1d", month);
    return format("%d", month);
}

} // namespace kszw
