// Copying the rows of a table from one year data file into another, row by row and field by field.
// Used when a year file is made from another one: the operators, rights, print settings, report
// definitions and template variables travel into the new year.
#pragma once

#include <cstdint>
#include <string_view>

namespace kszw {

class Database;

// Copies every row of table from the source connection into the same table of the target, in the
// source's row order, each value with its own type. Only the fields both tables have (by name,
// case-blind) are copied; the target's other fields stay NULL. A table the source lacks copies
// nothing. Returns the number of rows copied; raises DatabaseError (also for a table name that is
// not a plain identifier or a table the target lacks).
int copyTableRows(Database& source, Database& target, std::string_view table);

struct YearCopyCount {
    int tables = 0;
    std::int64_t rows = 0;
};

// Makes in the empty target every table of the source, with its indexes, and copies every row:
// from a file its own statements; from a server (which keeps no statements) the program's own
// statements for the program's tables and the server's fields for any other table. The caller
// runs it inside a transaction of the target.
YearCopyCount copyYearInto(Database& source, Database& target);

} // namespace kszw
