// The program's statements in the server's dialect. The program writes one SQL for both engines;
// what the server spells differently is rewritten here, and only here:
// - parameters ?1, ?2 … (and a bare ?) become $1, $2 …;
// - a quoted name is folded to small letters, as the server folds every unquoted name, so
//   "SUBT" and SUBT name the same table on both engines;
// - LIKE compares letters of the Latin alphabet regardless of case, as the file engine does
//   (ILIKE);
// - ORDER BY sorts NULL first when ascending and last when descending, as the file engine does;
// - in CREATE TABLE and ALTER TABLE the declared types of a year file become the server's: LONG a
//   64-bit integer, DOUBLE a double, CHAR(n) text of any length compared byte by byte (the file
//   engine neither cuts text at n nor sorts it by a language's rules).
#pragma once

#include <string>
#include <string_view>

namespace kszw {

// parameterCount, when given, receives the number of values the statement takes (its highest
// parameter number).
std::string translateForServer(std::string_view sql, int* parameterCount = nullptr);

} // namespace kszw
