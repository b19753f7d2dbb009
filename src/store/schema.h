// The tables and indexes of a year data file, created in a fixed order: the system tables first,
// then the year tables. The statements keep the file's field order and widths.
#pragma once

#include <string_view>
#include <vector>

namespace kszw {

class Database;

// The CREATE statements of the system tables (SYSTAB … KSPAGESET, KSFONT, FIELDWIDTH), in order.
const std::vector<std::string_view>& systemTableStatements();
// The CREATE statements of the year tables (SUBT … CERDIR) with their indexes, in order.
const std::vector<std::string_view>& yearTableStatements();

// Creates the system tables, then the year tables.
void createAllTables(Database& db);

// The statement that creates SYSCSTAB, run again when a file lacks it.
extern const std::string_view kCreateSyscstab;
// The statements that create the print-settings tables.
extern const std::string_view kCreateFieldWidth;
extern const std::string_view kCreatePageSet;
extern const std::string_view kCreateFont;

// An index of our own beside the file's: every column the ledgers and balance tables sum over, in
// the order they group by, so a table over a million lines is one pass over the index. It costs
// about a third more file size on a big book.
extern const std::string_view kCreateLedgerIndex;
inline constexpr std::string_view kLedgerIndexName = "P0_SUMS";

} // namespace kszw
