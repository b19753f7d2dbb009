// The listing of the chart of accounts as the chart print view shows it: every subject below a root
// (the whole chart for ""), depth first, children in numeric order, six cells a row — code
// (indented two blanks a level below the first), name, level, "多栏", the multi-column direction
// and the auxiliary kind.
#pragma once

#include "common/dates.h"

#include <optional>
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

// ---- the chart print view: its scope, its navigation and its page texts ----

inline constexpr std::string_view kChartPrintCaption = "会计科目打印";
inline constexpr std::string_view kNoSubjectsThisYear = "本年度尚未设置科目！";
inline constexpr std::string_view kNoSubSubjectsToList = "该科目不存在或没有子科目，请重输！";

// The column headers: one for each of the three left columns, the group over the three right
// columns and one under the group for each of them.
inline constexpr std::string_view kChartCodeHeader = "科 目 代 码";
inline constexpr std::string_view kChartNameHeader = "科   目   名   称";
inline constexpr std::string_view kChartLevelHeader = "级别";
inline constexpr std::string_view kChartAuxiliaryHeader = "  辅  助  核  算";
inline constexpr std::string_view kChartMultiColumnHeader = "多栏";
inline constexpr std::string_view kChartDirectionHeader = "多栏方向";
inline constexpr std::string_view kChartKindHeader = "数量或外币";

// True when the year has at least one subject to list.
bool chartHasSubjects(Database& db);

// True when a listing can be rooted at the typed code: the code names a subject with
// sub-subjects. A code holding a pattern character ("%", "_") names no subject.
bool isChartListingRoot(Database& db, std::string_view code);

// The root one level up (the code without its last segment) when the root has at least two
// segments; nothing for a top-level root or the whole chart.
std::optional<std::string> chartParentRoot(std::string_view root);

// The code of the subject a listing row stands for: its code cell without the indentation.
std::string chartRowCode(const ChartRow& row);

// The head and foot texts of a printed page: "单位：…", the print time ("×× 年 × 月 × 日"
// until a listing has been made, then the day of the listing), "制  表：…" with the operator's
// name and "第    n 页".
std::string chartUnitText(std::string_view unitName);
std::string chartPrintTimeText(const std::optional<CivilDate>& listedOn);
std::string chartMakerText(std::string_view operatorName);
std::string chartPageText(int page);

} // namespace kszw
