#include "voucher/voucher_selection.h"

#include "common/text.h"
#include "store/database.h"
#include "store/ks_dbset.h"

#include <functional>
#include <map>
#include <set>

namespace kszw {

namespace {

constexpr std::string_view kCountVouchers = "SELECT count(*) FROM CERDIR";
constexpr std::string_view kQueryMonths = "SELECT TT FROM CERDIR GROUP BY TT ORDER BY TT";
constexpr std::string_view kSummaryMonths = "SELECT TT FROM CERDIR WHERE MK='2' OR MK='4' GROUP BY TT ORDER BY TT";
constexpr std::string_view kCountReviewed = "SELECT count(*) FROM CERDIR WHERE TT=?1 AND MK='4'";
constexpr std::string_view kCountUnreviewed = "SELECT count(*) FROM CERDIR WHERE TT=?1 AND MK='2'";

constexpr std::string_view kQueryAll =
    "SELECT T,CER,rtrim(OPP),rtrim(OPN),PN FROM CERDIR WHERE TT=?1 ORDER BY CER,T";
constexpr std::string_view kQueryReviewed =
    "SELECT T,CER,rtrim(OPP),rtrim(OPN),PN FROM CERDIR WHERE TT=?1 AND MK='4' ORDER BY CER,T";
constexpr std::string_view kQueryUnreviewed =
    "SELECT T,CER,rtrim(OPP),rtrim(OPN),PN FROM CERDIR WHERE TT=?1 AND MK<>'4' ORDER BY CER,T";
constexpr std::string_view kSummaryAll =
    "SELECT T,CER,rtrim(OPP),rtrim(OPN),val(MK) FROM CERDIR WHERE TT=?1 AND (MK='2' OR MK='4') ORDER BY CER,T";
constexpr std::string_view kSummaryReviewed =
    "SELECT T,CER,rtrim(OPP),rtrim(OPN),val(MK) FROM CERDIR WHERE TT=?1 AND MK='4' ORDER BY CER,T";
constexpr std::string_view kSummaryUnreviewed =
    "SELECT T,CER,rtrim(OPP),rtrim(OPN),val(MK) FROM CERDIR WHERE TT=?1 AND MK='2' ORDER BY CER,T";

constexpr std::string_view kCountClasses = "SELECT count(*) FROM CERCLS";
constexpr std::string_view kClassCodeLength = "SELECT max(length(trim(CNO))) FROM CERCLS";
constexpr std::string_view kMonthClasses =
    "SELECT substr(CER,1,?2) FROM CERDIR WHERE TT=?1 GROUP BY substr(CER,1,?2) ORDER BY substr(CER,1,?2)";
constexpr std::string_view kClassNames = "SELECT trim(CNO),trim(NA) FROM CERCLS";

constexpr std::string_view kCountToReview = "SELECT count(*) FROM CERDIR WHERE trim(OPP)<>?1 AND MK='2'";
constexpr std::string_view kCountToCancel =
    "SELECT count(*) FROM CERDIR WHERE trim(OPN)=?1 AND MK='4' AND val(TT)>?2";
constexpr std::string_view kToReview =
    "SELECT T,CER,rtrim(OPP),rtrim(OPN),PN FROM CERDIR WHERE MK='2' AND trim(OPP)<>?1 ORDER BY TT,CER";
constexpr std::string_view kToReviewInMonth =
    "SELECT T,CER,rtrim(OPP),rtrim(OPN),PN FROM CERDIR WHERE MK='2' AND trim(OPP)<>?1 AND TT=?2 ORDER BY TT,CER";
constexpr std::string_view kCancelMonths =
    "SELECT TT FROM CERDIR WHERE MK='4' AND trim(OPN)=?1 AND val(TT)>?2 GROUP BY TT ORDER BY TT";
constexpr std::string_view kToCancel = "SELECT T,CER,rtrim(OPP),rtrim(OPN),PN FROM CERDIR "
                                       "WHERE TT=?1 AND MK='4' AND trim(OPN)=?2 AND val(TT)>?3 ORDER BY CER";

constexpr std::string_view kOperatorNames = "SELECT trim(OPNO),trim(NA) FROM OPR";

// Operator names by code, read once per list.
std::map<std::string, std::string> operatorNames(Database& db)
{
    std::map<std::string, std::string> names;
    KS_Dbset rows(db);
    for (rows.open(kOperatorNames); !rows.isEOF(); rows.moveNext())
        names.emplace(rows.textAt(0), rows.textAt(1));
    return names;
}

std::string nameOf(const std::map<std::string, std::string>& names, const std::string& code)
{
    const auto found = names.find(trim(code));
    return found == names.end() ? std::string() : found->second;
}

// One entry per voucher row; the tail (attachments or status) comes from the row's fifth column.
std::vector<SelectionEntry> voucherList(Database& db, std::string_view sql, const SqlParams& params, int dayWidth,
                                        const std::function<std::string(const KS_Dbset&)>& tail)
{
    const std::map<std::string, std::string> names = operatorNames(db);
    std::vector<SelectionEntry> entries;
    std::set<std::string> seen;
    KS_Dbset rows(db);
    for (rows.open(sql, params); !rows.isEOF(); rows.moveNext()) {
        const std::string date = trim(rows.textAt(0));
        const std::string number = rows.textAt(1);
        SelectionEntry entry;
        entry.key = {date, number};
        entry.text = padGbkLeft(date.substr(0, 4), 4) + "." + padGbkLeft(date.size() >= 6 ? date.substr(4, 2) : "", 2) +
                     "." + padGbkRight(date.size() >= 8 ? date.substr(6, 2) : "", dayWidth) + padGbkRight(number, 7) +
                     padGbkRight(nameOf(names, rows.textAt(2)), 9) + padGbkRight(nameOf(names, rows.textAt(3)), 9) +
                     tail(rows);
        // The same text twice is listed once.
        if (seen.insert(entry.text).second)
            entries.push_back(std::move(entry));
    }
    return entries;
}

std::string attachmentsTail(const KS_Dbset& rows)
{
    return format("%4d张", rows.longAt(4));
}

std::string statusTail(const KS_Dbset& rows)
{
    return rows.longAt(4) == 4 ? "已复核" : "已平";
}

} // namespace

bool yearHasVouchers(Database& db)
{
    return db.queryLong(kCountVouchers) > 0;
}

std::vector<std::string> selectionMonths(Database& db, SelectionMode mode)
{
    std::vector<std::string> months;
    KS_Dbset rows(db);
    for (rows.open(mode == SelectionMode::Query ? kQueryMonths : kSummaryMonths); !rows.isEOF(); rows.moveNext())
        months.push_back(trim(rows.textAt(0)));
    return months;
}

MonthCounts monthCounts(Database& db, std::string_view month)
{
    return {db.queryLong(kCountReviewed, {std::string(month)}), db.queryLong(kCountUnreviewed, {std::string(month)})};
}

std::vector<SelectionEntry> voucherEntries(Database& db, std::string_view month, SelectionMode mode,
                                           VoucherRange range)
{
    const SqlParams params = {std::string(month)};
    if (mode == SelectionMode::Query) {
        const std::string_view sql = range == VoucherRange::All        ? kQueryAll
                                     : range == VoucherRange::Reviewed ? kQueryReviewed
                                                                       : kQueryUnreviewed;
        return voucherList(db, sql, params, 4, attachmentsTail);
    }
    const std::string_view sql = range == VoucherRange::All        ? kSummaryAll
                                 : range == VoucherRange::Reviewed ? kSummaryReviewed
                                                                   : kSummaryUnreviewed;
    return voucherList(db, sql, params, 4, statusTail);
}

bool hasVoucherClasses(Database& db)
{
    return db.queryLong(kCountClasses) > 0;
}

std::vector<SelectionEntry> classEntries(Database& db, std::string_view month)
{
    std::vector<SelectionEntry> entries;
    if (!hasVoucherClasses(db))
        return entries;
    const std::int64_t length = db.queryLongOrZero(kClassCodeLength);
    std::map<std::string, std::string> names;
    {
        KS_Dbset rows(db);
        for (rows.open(kClassNames); !rows.isEOF(); rows.moveNext())
            names.emplace(rows.textAt(0), rows.textAt(1));
    }
    KS_Dbset rows(db);
    for (rows.open(kMonthClasses, {std::string(month), length}); !rows.isEOF(); rows.moveNext()) {
        SelectionEntry entry;
        entry.classPrefix = trim(rows.textAt(0));
        const auto name = names.find(entry.classPrefix);
        entry.text = format("%4d.", static_cast<int>(entries.size()) + 1) + padGbkRight(month, 7) +
                     padGbkRight(entry.classPrefix, 7) + (name == names.end() ? std::string() : name->second);
        entries.push_back(std::move(entry));
    }
    return entries;
}

std::string selectionCounter(int count, bool classes)
{
    return format("%-4d", count) + (classes ? "类" : "张");
}

bool hasReviewWork(Database& db, std::string_view reviewer, int closedMonths)
{
    const std::string code = trim(reviewer);
    return db.queryLong(kCountToReview, {code}) > 0
           || db.queryLong(kCountToCancel, {code, static_cast<std::int64_t>(closedMonths)}) > 0;
}

std::vector<SelectionEntry> reviewEntries(Database& db, std::string_view reviewer, std::string_view month)
{
    if (!month.empty())
        return voucherList(db, kToReviewInMonth, {trim(reviewer), std::string(month)}, 3, attachmentsTail);
    return voucherList(db, kToReview, {trim(reviewer)}, 3, attachmentsTail);
}

std::vector<std::string> cancelMonths(Database& db, std::string_view reviewer, int closedMonths)
{
    std::vector<std::string> months;
    KS_Dbset rows(db);
    for (rows.open(kCancelMonths, {trim(reviewer), static_cast<std::int64_t>(closedMonths)}); !rows.isEOF();
         rows.moveNext())
        months.push_back(trim(rows.textAt(0)));
    return months;
}

std::vector<SelectionEntry> cancelEntries(Database& db, std::string_view month, std::string_view reviewer,
                                          int closedMonths)
{
    return voucherList(db, kToCancel, {std::string(month), trim(reviewer), static_cast<std::int64_t>(closedMonths)},
                       3, attachmentsTail);
}

} // namespace kszw
