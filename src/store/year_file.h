// Creating a year data file and an account set. An account set is a folder; each of its years is
// one file named after the year with the extension "ksk" (2026.ksk).
#pragma once

#include <string>
#include <string_view>

namespace kszw {

struct Clock;
class Database;

// The extension of year data files, as the program names it and as new files get it on disk.
inline constexpr std::string_view kYearFileExtension = "KSK";
inline constexpr std::string_view kYearFileSuffix = ".ksk";

// The file name of a year: "2026.ksk".
std::string yearFileName(int year);

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
