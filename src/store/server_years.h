// The years of an account set on a server, as the folder of an account set lists its year files.
#pragma once

#include <string>
#include <vector>

namespace kszw {

// The years the location's database holds, in order (the location's own year is ignored).
// Raises DatabaseError when the server or the database cannot be reached.
std::vector<int> serverYears(const std::string& location);

// Removes the location's year with everything in it; false when there was none.
bool dropServerYear(const std::string& location);

// Removes the location's whole database (an account set); false when there was none. Raises
// DatabaseError when the server refuses (another client still connected is disconnected).
bool dropServerAccountSet(const std::string& location);

} // namespace kszw
