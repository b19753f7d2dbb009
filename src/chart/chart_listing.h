// The listing of the chart of accounts as the chart print view shows it: every subject below a root
// (the whole chart for ""), depth first, children in numeric order, six cells a row — code
// (indented two blanks a level below the first), name, level, "多栏", the multi-column direction
// and the auxiliary kind.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kszw {

class Database;

using ChartRow = std::vector<std::string>;

inline constexpr std::string_view kChartListingTitle = " 会计科目表 ";

// The rows of the listing below root ("" for the whole chart). progress, when given, is told the
// share done so far (0 to 100) as the listing grows.
std::vector<ChartRow> buildChartListing(Database& db, std::string_view root,
                                        void (*progress)(int percent, void* context) = nullptr,
                                        void* context = nullptr);

// How many subjects the listing holds: all of them, or those below the root.
int chartListingCount(Database& db, std::string_view root);

// True when the subject has sub-subjects (the listing can be rooted at it).
bool hasSubSubjects(Database& db, std::string_view code);

} // namespace kszw
