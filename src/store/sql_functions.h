// SQL functions the statements use that SQLite lacks, registered on every connection:
//   val(x)          the leading number of a text (leading blanks skipped), 0 when there is none
//   strcomp(a,b,m)  exact (m=0) or case-blind (m=1) comparison giving exactly -1, 0 or 1
//   cstr(x)         a number as the shortest plain text
// Numbers always use "." as the decimal point, whatever the process locale.
#pragma once

#include <string>
#include <string_view>

struct sqlite3;

namespace kszw {

void registerSqlFunctions(sqlite3* db);

// The same rules as the SQL functions, for C++ callers.
double leadingNumber(std::string_view text);
int compareStrings(std::string_view a, std::string_view b, int mode);
std::string numberToPlainText(double value);

} // namespace kszw
