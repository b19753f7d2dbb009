// What the two voucher selection dialogs list: the query and summary selection (months, the
// vouchers of a month by number, the classes of a month) and the review selection (the vouchers
// waiting for this reviewer, and the reviews he may take back, by month). Every entry keeps the
// voucher it stands for, so nothing is ever read back from the entry's text.
#pragma once

#include "voucher/voucher_listing.h"

#include <string>
#include <string_view>
#include <vector>

namespace kszw {

class Database;

enum class SelectionMode { Query, Summary };
// Which vouchers of the month: all (in summary mode all complete ones), reviewed, not reviewed.
enum class VoucherRange { All, Reviewed, Unreviewed };

struct SelectionEntry {
    std::string text;
    VoucherKey key;          // the voucher (a class entry: empty)
    std::string classPrefix; // a class entry: the class code
};

inline constexpr std::string_view kNoVouchersThisYear = "本年度尚未制作凭证";
inline constexpr std::string_view kNothingToReview = "没有适合条件的凭证！";
inline constexpr std::string_view kAllProcessed = "所选择的凭证已处理完毕。";
inline constexpr std::string_view kTooManyClasses = "警告：\r\r汇总数不能多于 40 类,\r\r请重新选择";
inline constexpr int kMaxSummaryClasses = 40;

// ---- the query and summary selection

bool yearHasVouchers(Database& db);
// The accounting months (codes "01" …) that have vouchers, in order; in summary mode only months
// with complete vouchers.
std::vector<std::string> selectionMonths(Database& db, SelectionMode mode);
struct MonthCounts {
    int reviewed = 0;   // status "4"
    int unreviewed = 0; // status "2"
};
MonthCounts monthCounts(Database& db, std::string_view month);
// The vouchers of a month by number, in number order, each entry once. Query mode:
// "%4s.%2s.%-4s%-7s%-9s%-9s%4d张"; summary mode only complete vouchers, "…已平" or "…已复核".
std::vector<SelectionEntry> voucherEntries(Database& db, std::string_view month, SelectionMode mode,
                                           VoucherRange range);
// The classes with vouchers in the month, "%4d.%-7s%-7s%s" (running number, month, code, name).
std::vector<SelectionEntry> classEntries(Database& db, std::string_view month);
// True when the year has voucher classes (selection by class is offered).
bool hasVoucherClasses(Database& db);
// The counter under a list: "%-4d张" or "%-4d类".
std::string selectionCounter(int count, bool classes);

// ---- the review selection

// True when there is something to review or to take back for this reviewer.
bool hasReviewWork(Database& db, std::string_view reviewer, int closedMonths);
// Complete vouchers of other makers, over all months (or of one month, code "03"), in month and
// number order, "%4s.%2s.%-3s%-7s%-9s%-9s%4d张".
std::vector<SelectionEntry> reviewEntries(Database& db, std::string_view reviewer, std::string_view month = "");
// The open months with vouchers this reviewer reviewed, and their vouchers.
std::vector<std::string> cancelMonths(Database& db, std::string_view reviewer, int closedMonths);
std::vector<SelectionEntry> cancelEntries(Database& db, std::string_view month, std::string_view reviewer,
                                          int closedMonths);

} // namespace kszw
