#include "voucher/voucher_review.h"

#include "common/prompt.h"
#include "common/text.h"
#include "store/database.h"
#include "store/ks_dbset.h"
#include "store/transaction.h"

#include <cmath>

namespace kszw {

namespace {

constexpr std::string_view kEmptySummaries =
    "SELECT count(*) FROM P0 WHERE strcomp(CER,?2,0)=0 AND T=?1 AND length(trim(coalesce(MRY,'')))=0";
constexpr std::string_view kSides = "SELECT sum(1+F),sum(1-F) FROM P0 WHERE strcomp(CER,?2,0)=0 AND T=?1";
constexpr std::string_view kBalance = "SELECT sum(F*MY) FROM P0 WHERE strcomp(CER,?2,0)=0 AND T=?1";
constexpr std::string_view kLineSubjects = "SELECT trim(KNO) FROM P0 WHERE strcomp(CER,?2,0)=0 AND T=?1";
constexpr std::string_view kSubjectAndChildren =
    "SELECT count(*) FROM SUBT WHERE trim(KNO)=?1 OR trim(KNO) LIKE ?1 || '-%'";

constexpr std::string_view kWaitingForReviewer =
    "SELECT count(*) FROM CERDIR WHERE T=?1 AND strcomp(CER,?2,0)=0 AND MK='2' AND trim(OPP)<>?3";
constexpr std::string_view kReviewHeader =
    "UPDATE CERDIR SET MK='4',OPN=?3 WHERE T=?1 AND strcomp(CER,?2,0)=0 AND MK='2' AND trim(OPP)<>?3";
constexpr std::string_view kReviewLines = "UPDATE P0 SET MK='4' WHERE T=?1 AND strcomp(CER,?2,0)=0";
constexpr std::string_view kClosedMonths = "SELECT MM FROM SYSTAB";
constexpr std::string_view kCancelHeader = "UPDATE CERDIR SET MK='2',OPN=NULL WHERE T=?1 AND strcomp(CER,?2,0)=0 "
                                           "AND MK='4' AND trim(OPN)=?3 AND val(TT)>?4";
constexpr std::string_view kCancelLines = "UPDATE P0 SET MK='2' WHERE T=?1 AND strcomp(CER,?2,0)=0";

constexpr std::string_view kStatus = "SELECT MK FROM CERDIR WHERE T=?1 AND strcomp(CER,?2,0)=0";
constexpr std::string_view kMonthClosed =
    "SELECT count(*) FROM CERDIR WHERE T=?1 AND strcomp(CER,?2,0)=0 AND val(TT)<=(SELECT MM FROM SYSTAB)";
constexpr std::string_view kFingerprintHead =
    "SELECT T,CER,TT,PN,MK,OPP FROM CERDIR WHERE T=?1 AND strcomp(CER,?2,0)=0";
constexpr std::string_view kFingerprintLines =
    "SELECT RN,KNO,MRY,F,MY,NU FROM P0 WHERE T=?1 AND strcomp(CER,?2,0)=0 ORDER BY RN";

constexpr double kZero = 0.00001;

// Each column of each row as text, fields and rows kept apart.
std::string rowsText(Database& db, std::string_view sql, const SqlParams& params)
{
    std::string text;
    KS_Dbset rows(db);
    for (rows.open(sql, params); !rows.isEOF(); rows.moveNext()) {
        for (int column = 0; column < rows.columnCount(); ++column)
            text += (rows.isNullAt(column) ? std::string("\x01") : rows.textAt(column)) + '\x1f';
        text += '\x1e';
    }
    return text;
}

} // namespace

int CheckForReview(Database& db, const VoucherKey& key)
{
    const SqlParams params = {key.date, key.number};
    if (db.queryLong(kEmptySummaries, params) >= 1)
        return review_code::kEmptySummary;
    {
        KS_Dbset sides(db);
        sides.open(kSides, params);
        // Each sum is twice the number of lines on its side.
        const auto debitLines = static_cast<long long>(sides.doubleAt(0));
        const auto creditLines = static_cast<long long>(sides.doubleAt(1));
        if (debitLines >= 1 && creditLines == 0)
            return review_code::kDebitOnly;
        if (creditLines >= 1 && debitLines == 0)
            return review_code::kCreditOnly;
        if (debitLines + creditLines == 0)
            return review_code::kNoLines;
    }
    if (std::fabs(db.queryDouble(kBalance, params).value_or(0)) > kZero)
        return review_code::kUnbalanced;
    std::vector<std::string> subjects;
    KS_Dbset lines(db);
    for (lines.open(kLineSubjects, params); !lines.isEOF(); lines.moveNext())
        subjects.push_back(lines.textAt(0));
    lines.close();
    for (const std::string& subject : subjects)
        if (db.queryLong(kSubjectAndChildren, {subject}) != 1)
            return review_code::kIllegalSubject;
    return review_code::kPassed;
}

std::string_view reviewFaultEnd(int code)
{
    switch (code) {
    case review_code::kEmptySummary: return "号凭证有空摘要分录，复核不能通过!";
    case review_code::kDebitOnly: return "号凭证仅有借方分录，复核不能通过!";
    case review_code::kCreditOnly: return "号凭证仅有贷方分录，复核不能通过!";
    case review_code::kNoLines: return "号凭证没有分录，复核不能通过!";
    case review_code::kUnbalanced: return "号凭证借贷不平衡，复核不能通过!";
    case review_code::kIllegalSubject: return "号凭证存在非法科目，复核不能通过!";
    case review_code::kChangedMeanwhile: return "号凭证已被他人改动或处理，复核不能通过!";
    case review_code::kCannotCancel: return "号凭证已不能取消复核（不是本人复核或该月已结帐）!";
    case review_code::kAlreadyReviewed: return "号凭证已经复核，不必再复核!";
    case review_code::kNotReviewed: return "号凭证尚未复核，不必取消复核!";
    default: return "";
    }
}

std::string batchReviewMessage(const VoucherKey& key, int code)
{
    return key.date.substr(0, 4) + "年" + key.date.substr(4, 2) + "月第" + key.number + std::string(reviewFaultEnd(code));
}

std::string displayReviewMessage(const VoucherKey& key, int code)
{
    return "制作日期：" + key.date.substr(0, 4) + "年" + key.date.substr(4, 2) + "月" + key.date.substr(6, 2) + "日第" +
           key.number + std::string(reviewFaultEnd(code));
}

std::string voucherFingerprint(Database& db, const VoucherKey& key)
{
    const std::string head = rowsText(db, kFingerprintHead, {key.date, key.number});
    return head.empty() ? std::string() : head + '\x1d' + rowsText(db, kFingerprintLines, {key.date, key.number});
}

int reviewVoucher(Database& db, const VoucherKey& key, std::string_view reviewer, const std::string* shown)
{
    const std::string code = trim(reviewer);
    Transaction transaction(db);
    if (db.queryLong(kWaitingForReviewer, {key.date, key.number, code}) != 1) {
        const std::optional<std::string> status = db.queryText(kStatus, {key.date, key.number});
        return status && trim(*status) == "4" ? review_code::kAlreadyReviewed : review_code::kChangedMeanwhile;
    }
    if (shown && voucherFingerprint(db, key) != *shown)
        return review_code::kChangedMeanwhile;
    const int checked = CheckForReview(db, key);
    if (checked != review_code::kPassed)
        return checked;
    db.execute(kReviewHeader, {key.date, key.number, code});
    if (db.changes() != 1)
        return review_code::kChangedMeanwhile;
    db.execute(kReviewLines, {key.date, key.number});
    transaction.commit();
    return review_code::kPassed;
}

int cancelReview(Database& db, const VoucherKey& key, std::string_view reviewer)
{
    Transaction transaction(db);
    // The closed months are read under the lock: a month closed a moment ago keeps its reviews.
    const int closedMonths = db.queryLong(kClosedMonths);
    db.execute(kCancelHeader, {key.date, key.number, trim(reviewer), static_cast<std::int64_t>(closedMonths)});
    if (db.changes() != 1) {
        const std::optional<std::string> status = db.queryText(kStatus, {key.date, key.number});
        return status && trim(*status) == "2" ? review_code::kNotReviewed : review_code::kCannotCancel;
    }
    db.execute(kCancelLines, {key.date, key.number});
    transaction.commit();
    return review_code::kPassed;
}

namespace {

// A refusal the batch tells once at its end instead of voucher by voucher; false for the others.
using Quiet = std::function<bool(const VoucherKey&, int result)>;

int runBatch(const std::vector<VoucherKey>& keys, Prompt& prompt, const BatchProgress& progress,
             const std::function<int(const VoucherKey&)>& work, const Quiet& quiet = {},
             std::string_view quietMessage = {})
{
    int processed = 0;
    bool quietRefusal = false;
    const auto total = static_cast<long long>(keys.size());
    for (size_t i = 0; i < keys.size(); ++i) {
        if (progress)
            progress(keys[i].number, static_cast<int>(static_cast<long long>(i) * 100 / total));
        const int result = work(keys[i]);
        if (result == review_code::kPassed)
            ++processed;
        else if (quiet && quiet(keys[i], result))
            quietRefusal = true;
        else
            prompt.warn(batchReviewMessage(keys[i], result));
    }
    if (progress && !keys.empty())
        progress(keys.back().number, 100);
    if (quietRefusal)
        prompt.warn(quietMessage);
    return processed;
}

} // namespace

int reviewBatch(Database& db, const std::vector<VoucherKey>& keys, std::string_view reviewer, Prompt& prompt,
                const BatchProgress& progress)
{
    return runBatch(keys, prompt, progress, [&](const VoucherKey& key) { return reviewVoucher(db, key, reviewer); });
}

int cancelBatch(Database& db, const std::vector<VoucherKey>& keys, std::string_view reviewer, Prompt& prompt,
                const BatchProgress& progress)
{
    // A month another copy closed refuses every voucher of it: that is said once.
    const Quiet closedMonth = [&db](const VoucherKey& key, int result) {
        return result == review_code::kCannotCancel && db.queryLong(kMonthClosed, {key.date, key.number}) > 0;
    };
    return runBatch(
        keys, prompt, progress, [&](const VoucherKey& key) { return cancelReview(db, key, reviewer); }, closedMonth,
        kMonthClosedMeanwhile);
}

std::string batchProgressText(std::string_view number, int percent)
{
    return format("%4s%5d％", std::string(number).c_str(), percent);
}

} // namespace kszw
