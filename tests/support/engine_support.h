// What the tests need to say differently on the two engines: a table's rows for comparison, and a
// trigger that refuses a write (the way the tests make the engine fail half-way).
#pragma once

#include "store/database.h"

#include <string>
#include <vector>

namespace kszw::test {

// Every row of a table, each value written with its type (text quoted, integers bare, doubles with
// a point, NULL), fields in declaration order: on a file in the table's row order, on a server
// (which keeps no row order) sorted.
std::vector<std::string> tableRows(Database& db, const std::string& table);

// Makes every write of the event ("BEFORE INSERT", "BEFORE UPDATE" …) on the table fail with the
// message while the condition (an expression over NEW, empty for always) holds.
void addRefusingTrigger(Database& db, const std::string& name, const std::string& event, const std::string& table,
                        const std::string& condition, const std::string& message);
void dropTrigger(Database& db, const std::string& name, const std::string& table);

} // namespace kszw::test
