#include "store/server_years.h"

#include "store/database_error.h"
#include "store/location.h"
#include "store/server_engine.h"

#include <sqlite3.h>

#include <cerrno>

namespace kszw {

namespace {

ServerLocation locationOf(const std::string& text)
{
    const std::optional<ServerLocation> location = parseServerLocation(text);
    if (!location)
        throw DatabaseError("not a server location: " + text, SQLITE_CANTOPEN, text, EINVAL);
    return *location;
}

} // namespace

std::vector<int> serverYears(const std::string& location)
{
    return ServerConnection::yearsOf(locationOf(location));
}

bool dropServerYear(const std::string& location)
{
    return ServerConnection::dropYear(locationOf(location));
}

bool dropServerAccountSet(const std::string& location)
{
    return ServerConnection::dropDatabase(locationOf(location));
}

} // namespace kszw
