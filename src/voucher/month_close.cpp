#include "voucher/month_close.h"

#include "common/prompt.h"
#include "common/text.h"
#include "store/accounting_calendar.h"
#include "store/database.h"
#include "store/ks_dbset.h"
#include "store/transaction.h"

#include <cmath>
#include <optional>
#include <vector>

namespace kszw {

namespace {

constexpr std::string_view kClosedMonths = "SELECT max(MM) FROM SYSTAB";
constexpr std::string_view kYear = "SELECT max(PY) FROM SYSTAB";
constexpr std::string_view kCountMonth = "SELECT count(*) FROM CERDIR WHERE TT=?1";
constexpr std::string_view kCountUnreviewed = "SELECT count(*) FROM CERDIR WHERE TT=?1 AND MK<>'4'";
constexpr std::string_view kCountClasses = "SELECT count(*) FROM CERCLS";
constexpr std::string_view kLargestNumber = "SELECT max(val(CER)) FROM CERDIR WHERE TT=?1";
constexpr std::string_view kClassLength = "SELECT length(trim(CNO)) FROM CERCLS";
constexpr std::string_view kMonthPrefixes = "SELECT substr(CER,1,?2) FROM CERDIR WHERE TT=?1 ORDER BY substr(CER,1,?2)";
constexpr std::string_view kCountPrefix =
    "SELECT count(*) FROM CERDIR WHERE TT=?1 AND strcomp(substr(CER,1,?2),?3,0)=0";
constexpr std::string_view kLargestInPrefix =
    "SELECT max(val(substr(CER,?2+1))) FROM CERDIR WHERE TT=?1 AND strcomp(substr(CER,1,?2),?3,0)=0";
constexpr std::string_view kMonthBalance = "SELECT sum(F*MY) FROM P0 WHERE TT=?1";
constexpr std::string_view kRaiseClosedMonths = "UPDATE SYSTAB SET MM=?1+1 WHERE MM=?1";

constexpr double kZero = 0.00001;

// The refusal of the checks after the empty-month test, or nothing when the month may be closed.
std::optional<std::string> closingRefusal(Database& db, const std::string& month)
{
    if (db.queryLong(kCountUnreviewed, {month}) >= 1)
        return std::string(kUnreviewedLeft);
    if (db.queryLong(kCountClasses) == 0) {
        const double largest = db.queryDouble(kLargestNumber, {month}).value_or(0);
        if (static_cast<double>(db.queryLong(kCountMonth, {month})) != largest)
            return std::string(kNumbersNotContinuous);
    } else {
        const std::int64_t length = db.queryLongOrZero(kClassLength);
        std::vector<std::string> prefixes;
        KS_Dbset rows(db);
        for (rows.open(kMonthPrefixes, {month, length}); !rows.isEOF(); rows.moveNext())
            if (prefixes.empty() || prefixes.back() != rows.textAt(0))
                prefixes.push_back(rows.textAt(0));
        rows.close();
        // A number is unique per class and month: count = largest holds exactly for 1 … n.
        for (const std::string& prefix : prefixes) {
            const SqlParams params = {month, length, prefix};
            const double largest = db.queryDouble(kLargestInPrefix, params).value_or(0);
            if (static_cast<double>(db.queryLong(kCountPrefix, params)) != largest)
                return classNumbersNotContinuous(prefix);
        }
    }
    // For the first month the opening rows count too: they carry its month code.
    if (std::fabs(db.queryDouble(kMonthBalance, {month}).value_or(0)) > kZero)
        return std::string(kNotBalanced);
    return std::nullopt;
}

} // namespace

MonthToClose monthToClose(Database& db)
{
    MonthToClose next;
    next.month = db.queryLongOrZero(kClosedMonths) + 1;
    next.code = monthCode(next.month);
    next.label = format("%4d 年 %s 月", db.queryLongOrZero(kYear), next.code.c_str());
    return next;
}

std::string classNumbersNotContinuous(std::string_view prefix)
{
    return "本月“" + std::string(prefix) + "”类凭证号不连续，不能结帐!";
}

bool closeMonth(Database& db, Prompt& prompt, int& closedMonths)
{
    const MonthToClose next = monthToClose(db);
    if (next.month > 12) {
        prompt.tell(kAllMonthsClosed, Icon::Stop, kMessageCaption);
        return false;
    }
    const bool empty = db.queryLong(kCountMonth, {next.code}) == 0;
    if (empty) {
        if (prompt.ask(kEmptyMonthQuestion, Buttons::YesNo, Answer::No, Icon::Exclamation, kYellowCard) != Answer::Yes)
            return false;
    } else {
        if (std::optional<std::string> refusal = closingRefusal(db, next.code)) {
            prompt.tell(*refusal, Icon::Stop, kMessageCaption);
            return false;
        }
        if (prompt.ask(kCloseQuestion, Buttons::YesNo, Answer::No, Icon::Exclamation, kYellowCard) != Answer::Yes)
            return false;
    }

    // Under the write lock: the month is still the one asked about, and still fit to close.
    Transaction transaction(db);
    const int closed = db.queryLongOrZero(kClosedMonths);
    if (closed != next.month - 1) {
        prompt.tell(kClosedMeanwhile, Icon::Stop, kMessageCaption);
        return false;
    }
    if (db.queryLong(kCountMonth, {next.code}) > 0) {
        // The close of an empty month was agreed to; vouchers made meanwhile need the checks and
        // the question of a month with vouchers.
        if (empty) {
            prompt.tell(kVouchersMeanwhile, Icon::Stop, kMessageCaption);
            return false;
        }
        if (std::optional<std::string> refusal = closingRefusal(db, next.code)) {
            prompt.tell(*refusal, Icon::Stop, kMessageCaption);
            return false;
        }
    }
    db.execute(kRaiseClosedMonths, {static_cast<std::int64_t>(closed)});
    if (db.changes() != 1) {
        prompt.tell(kClosedMeanwhile, Icon::Stop, kMessageCaption);
        return false;
    }
    transaction.commit();
    closedMonths = closed + 1;
    return true;
}

} // namespace kszw
