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

} // namespace kszw
