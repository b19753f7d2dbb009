// Review and posting: a second operator checks a complete voucher (status "2") and marks it
// reviewed (status "4", his code as reviewer), which makes it count in every ledger; he may take
// his review back while its month is open. Each review and each cancellation is one transaction
// that reads the voucher again under the write lock, so a voucher changed by another copy of the
// program in the meantime is never reviewed as it was.
#pragma once

#include "voucher/voucher_listing.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kszw {

class Database;
struct Prompt;

// What the review selection does with the chosen vouchers.
enum class ReviewOperation { Review, Cancel };

namespace review_code {
inline constexpr int kPassed = 1;
inline constexpr int kEmptySummary = -1;
inline constexpr int kDebitOnly = -2;
inline constexpr int kCreditOnly = -3;
inline constexpr int kNoLines = -4;
inline constexpr int kUnbalanced = -5;
inline constexpr int kIllegalSubject = -6;
// The voucher no longer waits for this reviewer: changed, deleted or reviewed by another copy.
inline constexpr int kChangedMeanwhile = -7;
// A cancellation that no longer applies: not reviewed by this operator, or its month was closed.
inline constexpr int kCannotCancel = -8;
// Reviewed already (by this operator a moment ago, or by another copy).
inline constexpr int kAlreadyReviewed = -9;
// A cancellation of a voucher that is not reviewed (any more).
inline constexpr int kNotReviewed = -10;
} // namespace review_code

// What a voucher is now, head and lines, as one text: equal texts mean the reviewer sees what
// would be reviewed. Empty when the voucher is gone.
std::string voucherFingerprint(Database& db, const VoucherKey& key);

// The review check of a stored voucher: 1, or the first fault from -1 (a line without summary) to
// -6 (a subject that is gone or got children), tested in that order.
int CheckForReview(Database& db, const VoucherKey& key);

// The end of the message of a fault code, appended to the voucher's identification:
// "号凭证仅有借方分录，复核不能通过!" and so on.
std::string_view reviewFaultEnd(int code);
// The message of a batch: "2026年03月第0001号凭证…".
std::string batchReviewMessage(const VoucherKey& key, int code);
// The message of F3 in the display view: "制作日期：2026年03月05日第0001号凭证…".
std::string displayReviewMessage(const VoucherKey& key, int code);

// Reviews the voucher as reviewer: 1 when it is now "4", or the fault code (nothing written). Only
// a voucher of status "2" made by someone else is reviewed. Given what the reviewer was shown (a
// voucherFingerprint), a voucher changed since is refused with kChangedMeanwhile.
int reviewVoucher(Database& db, const VoucherKey& key, std::string_view reviewer,
                  const std::string* shown = nullptr);
// Takes the reviewer's own review back ("4" → "2", no reviewer): 1, or kCannotCancel when the
// voucher is not "4" with this reviewer or its month is closed (nothing written).
int cancelReview(Database& db, const VoucherKey& key, std::string_view reviewer);
inline constexpr std::string_view kMonthClosedMeanwhile = "所选凭证所在的月份已经结帐，不能取消复核！";

// A batch of reviews or cancellations in list order, each voucher on its own. Progress reports the
// voucher about to be processed and the share of the list reached so far (0 … 100); a refused
// voucher is told with batchReviewMessage and left as it was. The number processed. Cancellations
// refused because another copy closed their month are told once, not voucher by voucher.
using BatchProgress = std::function<void(const std::string& number, int percent)>;
int reviewBatch(Database& db, const std::vector<VoucherKey>& keys, std::string_view reviewer, Prompt& prompt,
                const BatchProgress& progress = {});
int cancelBatch(Database& db, const std::vector<VoucherKey>& keys, std::string_view reviewer, Prompt& prompt,
                const BatchProgress& progress = {});
// The progress text of a batch: "%4s%5d％".
std::string batchProgressText(std::string_view number, int percent);

} // namespace kszw
