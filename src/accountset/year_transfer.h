// Moving a year between a year data file and a server: push copies a file's year to the server,
// pull copies a year on the server into a new file. Each is all or nothing: the year appears
// whole at its new place or not at all, and an existing year is never replaced.
#pragma once

#include <cstdint>
#include <string>

namespace kszw {

struct TransferResult {
    bool ok = false;
    std::string message; // what went wrong, for the user
    std::string target;   // the new year's place
    int tables = 0;
    std::int64_t rows = 0;
};

// The file must open as a year file; the location names a database and, optionally, the year
// (which must then be the file's). The year must not exist on the server yet.
TransferResult pushYear(const std::string& file, const std::string& location);

// The location names a year on the server; the file must not exist yet.
TransferResult pullYear(const std::string& location, const std::string& file);

} // namespace kszw
