// Finding account sets on the computer (搜索 of the account-set dialog): every folder under the
// search roots, through every level, is looked into until one of its files opens as a year data
// file; such a folder is an account set. Each real folder is visited once, so symbolic-link loops
// end; folders that cannot be read are passed over silently.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace kszw {

struct UserSettings;

// Told the folder about to be searched, every so often; returning false stops the search.
using SearchProgress = std::function<bool(const std::string& folder)>;

// Where account sets are looked for: the user's home folder and the mounted volumes under /media
// and /mnt.
std::vector<std::string> defaultSearchRoots();

// The account-set folders under the roots (canonical paths, each once, in the order found). A
// folder qualifies when one of its entries is a regular file, not read-only, not hidden, with a
// name of 4 characters before the extension, that opens like a login for operator "101" without
// messages, each on a login state and connection of its own.
std::vector<std::string> findAccountSets(const std::vector<std::string>& roots, const SearchProgress& progress = {});

// findAccountSets, and every folder found becomes a known account-set folder.
std::vector<std::string> searchAccountSets(UserSettings& settings, const std::vector<std::string>& roots,
                                           const SearchProgress& progress = {});

} // namespace kszw
