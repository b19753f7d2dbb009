// Where a year lives: a year data file on disk, or a year on a database server named by a location
// such as "postgresql://host:5432/books?year=2026". On the server one database holds one account
// set and one schema (y2026) holds one year, with the same tables and fields as a year file.
// User name and password never appear in a location: the server's client library takes them from
// its usual environment (PGUSER, PGPASSWORD) or the user's ~/.pgpass.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kszw {

inline constexpr std::string_view kServerScheme = "postgresql://";
inline constexpr int kDefaultServerPort = 5432;

struct ServerLocation {
    std::string host;
    int port = kDefaultServerPort;
    std::string database;
    int year = 0; // 0: the account set (the database) without a year

    friend bool operator==(const ServerLocation&, const ServerLocation&) = default;
};

// True when the text names a place on a server rather than a file ("postgresql://" or
// "postgres://", in any case).
bool isServerLocation(std::string_view text);

// Reads a location; nothing when it is not one or is malformed (no host or database, a port out of
// 1…65535, a year outside 1990…9999, a database name with characters other than letters, digits,
// "_" and "-", an unknown query parameter, or a user name or password written into it).
std::optional<ServerLocation> parseServerLocation(std::string_view text);

// The location's text: "postgresql://host:port/database?year=Y" (the port always written, the
// year left out when 0).
std::string serverLocationText(const ServerLocation& location);

// The schema that holds a year on the server: "y2026".
std::string yearSchemaName(int year);

// The same account set's place for another year: a location with that year, or for a year file
// the file of that year in the same folder.
std::string placeOfYear(const std::string& place, int year);

// The year a place names (a location's year, or a year file's name "2026.ksk"); 0 when none.
int yearOfPlace(const std::string& place);

// A short text for titles and lists: the location without the scheme ("host:5432/books 2026"), or
// the file's path as it is.
std::string displayNameOfPlace(const std::string& place);

} // namespace kszw
