// Calendar dates and their text form YYYYMMDD, the form every date has in the year data file
// (dates compare correctly as text).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kszw {

struct CivilDate {
    int year = 0;
    int month = 0;
    int day = 0;
    friend bool operator==(const CivilDate&, const CivilDate&) = default;
};

// Gregorian leap rule: every fourth year, but not centuries unless divisible by 400.
bool isLeapYear(int year);
// Days of a calendar month (1..12) of a year; 0 for a month out of range.
int daysInMonth(int year, int month);

// "YYYYMMDD" with zero padding; years beyond 4 digits are written in full.
std::string makeDate(int year, int month, int day);
std::string makeDate(const CivilDate& date);
// Splits 8 digits into year, month, day; nothing when the text is not 8 digits or not a real day.
std::optional<CivilDate> splitDate(std::string_view text);
// True when the text is 8 digits naming a real calendar day.
bool isValidDate(std::string_view text);

// The day after / before a date.
CivilDate nextDay(const CivilDate& date);
CivilDate previousDay(const CivilDate& date);

} // namespace kszw
