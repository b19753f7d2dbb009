// Creating a year data file: the safe way every year file comes into being (built under a hidden
// name beside its final name, moved into place only when complete), and the initial content of a
// file that starts from nothing (defaults gathered from several subsystems: header, operators and
// rights, print settings, template variables).
#pragma once

#include "store/year_file_name.h"

#include <functional>
#include <string>
#include <string_view>

namespace kszw {

class Database;

// Builds the year data file at path: fill runs on a new, empty database inside one transaction.
// The file is built under a hidden name in the same folder and moved into place when complete,
// never replacing anything: a failure, or a kill at any moment, leaves no year file, and a failure
// removes only what this building made. Refuses an existing path (DatabaseError with EEXIST);
// raises DatabaseError naming path for every other failure.
void buildYearFile(const std::string& path, const std::function<void(Database&)>& fill);

// Creates the year data file at path with every table and the initial content of a new file
// (header, operators 101 and 102, their rights, print settings of every view kind, template
// variables), the safe way of buildYearFile.
void createYearFile(const std::string& path, int year);

// Writes the initial rows into a database that has the tables but no rows.
void writeInitialContent(Database& db, int year);

// True when the name is a year file's: four digits and the extension (in either case).
bool isYearFileName(std::string_view name);

// True when the folder holds a year data file (a regular file with a year file's name).
bool holdsYearFiles(const std::string& folder);

} // namespace kszw
