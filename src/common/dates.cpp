#include "common/dates.h"

#include <cstdio>

namespace kszw {

bool isLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysInMonth(int year, int month)
{
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 0;
    if (month == 2 && isLeapYear(year))
        return 29;
    return kDays[month - 1];
}

std::string makeDate(int year, int month, int day)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%04d%02d%02d", year, month, day);
    return buffer;
}

std::string makeDate(const CivilDate& date)
{
    return makeDate(date.year, date.month, date.day);
}

std::optional<CivilDate> splitDate(std::string_view text)
{
    if (text.size() != 8)
        return std::nullopt;
    for (char c : text)
        if (c < '0' || c > '9')
            return std::nullopt;
    auto number = [&](size_t from, size_t count) {
        int value = 0;
        for (size_t i = from; i < from + count; ++i)
            value = value * 10 + (text[i] - '0');
        return value;
    };
    CivilDate date{number(0, 4), number(4, 2), number(6, 2)};
    if (date.month < 1 || date.month > 12 || date.day < 1 || date.day > daysInMonth(date.year, date.month))
        return std::nullopt;
    return date;
}

bool isValidDate(std::string_view text)
{
    return splitDate(text).has_value();
}

CivilDate nextDay(const CivilDate& date)
{
    CivilDate next = date;
    if (++next.day > daysInMonth(next.year, next.month)) {
        next.day = 1;
        if (++next.month > 12) {
            next.month = 1;
            ++next.year;
        }
    }
    return next;
}

CivilDate previousDay(const CivilDate& date)
{
    CivilDate previous = date;
    if (--previous.day < 1) {
        if (--previous.month < 1) {
            previous.month = 12;
            --previous.year;
        }
        previous.day = daysInMonth(previous.year, previous.month);
    }
    return previous;
}

} // namespace kszw
