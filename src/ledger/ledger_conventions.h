// What every ledger and balance view shares: the direction word of a balance and its thresholds,
// the amount format, the period title, the account's name path and level, and the figures read
// from the posted lines of a year in one grouped pass per view.
#pragma once

#include "store/accounting_calendar.h"
#include "store/sql_value.h"

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace kszw {

class Database;

// Below these a balance is even ("平"). The ledgers and the balance table use the first, the
// balance-and-turnover table the second; they are kept apart on purpose.
inline constexpr double kLedgerZero = 0.000001;
inline constexpr double kTurnoverZero = 0.00001;

// "平" when |x| < threshold, "借" when x > threshold, otherwise "贷".
std::string directionWord(double x, double threshold = kLedgerZero);
// An amount cell of a ledger: two decimals, grouping commas, empty for zero (12,345.60).
std::string ledgerAmount(double x);
// The balance cell: the amount of |x|, empty when the direction word is "平" at the threshold.
std::string ledgerBalance(double x, double threshold = kLedgerZero);

// "2026 年  3 月", "2026 年  1 月 至 12 月", "2026 年 12 月 至 2027 年  1 月".
std::string periodTitle(int startYear, int startMonth, int endYear, int endMonth);

// The level of a code: 1 plus its number of "-".
int codeLevel(std::string_view code);
// The code one level up: up to its last "-"; "" at the top.
std::string parentCode(std::string_view code);

// The names of the account's ancestors and of the account, top level first, joined by "/"; when
// longer than limit (GBK width), leading names are dropped and "../" put in front so that it fits.
// A name longer than the limit on its own is cut at a whole character.
std::string accountNamePath(Database& db, std::string_view code, int limit = 84);

// The two ranges of codes that may hold an account's rows, as parameters of "KNO>=?1 AND KNO<?2":
// its own (the code to the code followed by "." — "." comes after "-" and before the digits) and
// the codes written with a blank in front (everything below "!"). The trimmed code then decides.
std::vector<SqlParams> accountCodeRanges(const std::string& code);
// A figure as the ledgers write it with two decimals and read it back. Sums of amounts kept in
// cents never lie on a half cent, so rounding gives what "%.2lf" writes.
double writtenToCents(double value);

// The accounting calendar of the open year file (its SYSTAB header).
AccountingCalendar yearCalendar(Database& db);

// The percentage shown while a table is built: "%3d％".
std::string buildProgressText(int percent);
using BuildProgress = std::function<void(int percent)>;

} // namespace kszw
