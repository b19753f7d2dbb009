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

constexpr double kZero = 0.00001;

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

int reviewVoucher(Database& db, const VoucherKey& key, std::string_view reviewer)
{
    const std::string code = trim(reviewer);
    Transaction transaction(db);
    if (db.queryLong(kWaitingForReviewer, {key.date, key.number, code}) != 1)
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
    if (db.changes() != 1)
        return review_code::kCannotCancel;
    db.execute(kCancelLines, {key.date, key.number});
    transaction.commit();
    return review_code::kPassed;
}

namespace {

int runBatch(const std::vector<VoucherKey>& keys, Prompt& prompt, const BatchProgress& progress,
             const std::function<int(const VoucherKey&)>& work)
{
    int processed = 0;
    const auto total = static_cast<long long>(keys.size());
    for (size_t i = 0; i < keys.size(); ++i) {
        if (progress)
            progress(keys[i].number, static_cast<int>(static_cast<long long>(i) * 100 / total));
        const int result = work(keys[i]);
        if (result == review_code::kPassed)
            ++processed;
        else
            prompt.warn(batchReviewMessage(keys[i], result));
    }
    if (progress && !keys.empty())
        progress(keys.back().number, 100);
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
    return runBatch(keys, prompt, progress, [&](const VoucherKey& key) { return cancelReview(db, key, reviewer); });
}

std::string batchProgressText(std::string_view number, int percent)
{
    return format("%4s%5d％", std::string(number).c_str(), percent);
}

} // namespace kszw
