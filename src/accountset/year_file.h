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
// variables). The file is built under a hidden name in the same folder and moved into place when
// complete: a failure, or a kill at any moment, leaves no year file. Refuses an existing file
// (DatabaseError with EEXIST); raises DatabaseError naming path for every other failure.
void createYearFile(const std::string& path, int year);

// Writes the initial rows into a database that has the tables but no rows.
void writeInitialContent(Database& db, int year);

// Result of creating an account set.
struct AccountSetResult {
    bool ok = false;
    std::string message; // the message to show (success or refusal)
    std::string filePath; // the new year data file when ok
};

// True when the folder holds a year data file (a name of four digits with the extension).
bool holdsYearFiles(const std::string& folder);

// Creates an account set: every missing level of the folder, then the year data file of the
// clock's year (or of the given year when it is not 0) with its initial content. Refuses a folder
// that already holds year files; a failure removes the folders this creation made.
AccountSetResult createAccountSet(const std::string& folder, const Clock& clock, int year = 0);

} // namespace kszw
