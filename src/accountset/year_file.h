// Creating a year data file with the initial content of a new file (defaults gathered from several
// subsystems: header, operators and rights, print settings, template variables), and creating an
// account set, the folder that holds the year files.
#pragma once

#include "store/year_file_name.h"

#include <string>
#include <string_view>

namespace kszw {

struct Clock;
class Database;

// Creates the year data file at path with every table and the initial content of a new file
// (header, operators 101 and 102, their rights, print settings of every view kind, template
// variables), all in one transaction. Refuses an existing file (DatabaseError); a failure removes
// the partly written file.
void createYearFile(const std::string& path, int year);

// Writes the initial rows into a database that has the tables but no rows.
void writeInitialContent(Database& db, int year);

// Result of creating an account set.
struct AccountSetResult {
    bool ok = false;
    std::string message; // the message to show (success or refusal)
    std::string filePath; // the new year data file when ok
};

// Creates an account set: every missing level of the folder, then the year data file of the
// clock's year (or of the given year when it is not 0) with its initial content.
AccountSetResult createAccountSet(const std::string& folder, const Clock& clock, int year = 0);

} // namespace kszw
