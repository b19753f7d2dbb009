// Review and posting: the review check in its order, reviewing and taking a review back in one
// transaction each, with another copy of the program changing things in between, and batches.
#include "voucher/voucher_fixture.h"

#include "voucher/voucher_review.h"

namespace kszw::test {
namespace {

class ReviewTest : public VoucherTest {
protected:
    void SetUp() override
    {
        VoucherTest::SetUp();
        env.db().execute("INSERT INTO OPR(OPNO,NA,PSD) VALUES('103','李复核','')");
    }

    std::string status(const std::string& date, const std::string& number)
    {
        return env.db()
            .queryText("SELECT MK || '/' || coalesce(OPN,'') FROM CERDIR WHERE T=?1 AND CER=?2", {date, number})
            .value_or("gone");
    }
    int reviewedLines(const std::string& date, const std::string& number)
    {
        return count("SELECT count(*) FROM P0 WHERE T=?1 AND CER=?2 AND MK='4'", {date, number});
    }
};

TEST_F(ReviewTest, TheCheckReportsTheFirstFaultInItsOrder)
{
    Database& db = env.db();
    importSubjects(db, "code,name,kind,unit,multi_column,direction,width\n6603,财务费用,0,,0,0,0\n");
    const struct {
        const char* number;
        std::vector<RawLine> lines;
        int code;
    } cases[] = {
        {"0001", {{"", "1001", 1, 100}, {"付", "1002-1", -1, 100}}, review_code::kEmptySummary},
        {"0002", {{"提现", "1001", 1, 100}}, review_code::kDebitOnly}, // before the balance test
        {"0003", {{"提现", "1001", -1, 100}}, review_code::kCreditOnly},
        {"0004", {}, review_code::kNoLines},
        {"0005", {{"提现", "1001", 1, 100}, {"提现", "1002-1", -1, 99.99}}, review_code::kUnbalanced},
        {"0006", {{"提现", "1001", 1, 100}, {"提现", "1002-1", -1, 100.000005}}, review_code::kPassed},
        {"0007", {{"提现", "1001", 1, 5}, {"提现", "9999", -1, 5}}, review_code::kIllegalSubject},
        {"0008", {{"费用", "6603", 1, 5}, {"提现", "1001", -1, 5}}, review_code::kIllegalSubject},
    };
    for (const auto& c : cases)
        insertRawVoucher(db, "20260310", c.number, c.lines);
    // 6603 got a child after its voucher was saved (written straight into the chart: adding it
    // through the chart would move the parent's lines to it).
    db.execute("INSERT INTO SUBT(KNO,NA,CLAS,OP,FZ,DL,DLF,DLW) VALUES('6603-1','汇兑损益',2,'0','0','0',0,0)");
    for (const auto& c : cases)
        EXPECT_EQ(CheckForReview(db, {"20260310", c.number}), c.code) << c.number;
}

TEST_F(ReviewTest, FaultsAreToldWithTheVoucherTheyBelongTo)
{
    const VoucherKey key{"20260305", "A002"};
    const struct {
        int code;
        const char* batch;
        const char* display;
    } cases[] = {
        {review_code::kEmptySummary, "2026年03月第A002号凭证有空摘要分录，复核不能通过!",
         "制作日期：2026年03月05日第A002号凭证有空摘要分录，复核不能通过!"},
        {review_code::kDebitOnly, "2026年03月第A002号凭证仅有借方分录，复核不能通过!", nullptr},
        {review_code::kCreditOnly, "2026年03月第A002号凭证仅有贷方分录，复核不能通过!", nullptr},
        {review_code::kNoLines, "2026年03月第A002号凭证没有分录，复核不能通过!", nullptr},
        {review_code::kUnbalanced, "2026年03月第A002号凭证借贷不平衡，复核不能通过!",
         "制作日期：2026年03月05日第A002号凭证借贷不平衡，复核不能通过!"},
        {review_code::kIllegalSubject, "2026年03月第A002号凭证存在非法科目，复核不能通过!", nullptr},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(batchReviewMessage(key, c.code), c.batch);
        if (c.display) {
            EXPECT_EQ(displayReviewMessage(key, c.code), c.display);
        }
    }
    EXPECT_EQ(batchProgressText("A002", 7), "A002    7％");
    EXPECT_EQ(batchProgressText("12", 100), "  12  100％");
}

TEST_F(ReviewTest, OnlyAnotherOperatorsCompleteVoucherIsReviewed)
{
    Database& db = env.db();
    insertBalancedVoucher(db, "20260310", "0001");
    insertBalancedVoucher(db, "20260310", "0002", 100, "0");
    insertBalancedVoucher(db, "20260310", "0003", 100, "2", "103");
    EXPECT_EQ(reviewVoucher(db, {"20260310", "0001"}, "103"), review_code::kPassed);
    EXPECT_EQ(status("20260310", "0001"), "4/103");
    EXPECT_EQ(reviewedLines("20260310", "0001"), 2);
    // Already reviewed, incomplete, one's own, gone: nothing is written.
    EXPECT_EQ(reviewVoucher(db, {"20260310", "0001"}, "101"), review_code::kAlreadyReviewed);
    EXPECT_EQ(batchReviewMessage({"20260310", "0001"}, review_code::kAlreadyReviewed),
              "2026年03月第0001号凭证已经复核，不必再复核!");
    EXPECT_EQ(status("20260310", "0001"), "4/103");
    EXPECT_EQ(reviewVoucher(db, {"20260310", "0002"}, "103"), review_code::kChangedMeanwhile);
    EXPECT_EQ(status("20260310", "0002"), "0/");
    EXPECT_EQ(reviewVoucher(db, {"20260310", "0003"}, "103"), review_code::kChangedMeanwhile);
    EXPECT_EQ(status("20260310", "0003"), "2/");
    EXPECT_EQ(reviewVoucher(db, {"20260310", "0009"}, "103"), review_code::kChangedMeanwhile);
    // A refused check leaves the voucher as it was.
    insertRawVoucher(db, "20260311", "0004", {{"x", "1001", 1, 10}});
    EXPECT_EQ(reviewVoucher(db, {"20260311", "0004"}, "103"), review_code::kDebitOnly);
    EXPECT_EQ(status("20260311", "0004"), "2/");
    EXPECT_EQ(reviewedLines("20260311", "0004"), 0);
}

TEST_F(ReviewTest, AVoucherResavedUnbalancedByAnotherCopyAfterTheCheckIsNotReviewed)
{
    ASSERT_EQ(save(*voucher, "20260310", "0001"), voucher_result::kOk);
    const VoucherKey key{"20260310", "0001"};
    CKszwEnv reviewer;
    ASSERT_TRUE(login(reviewer, "101"));
    // The reviewer looked at it and it passed …
    ASSERT_EQ(CheckForReview(reviewer.db(), key), review_code::kPassed);
    // … then its maker changed it and saved it unbalanced.
    voucher->lines[1][VoucherLine::Credit] = "60";
    ScriptedPrompt yes;
    yes.queueAnswer(Answer::Yes);
    ASSERT_EQ(voucher->SaveWithConfirm(yes), voucher_result::kOk);
    ASSERT_EQ(status("20260310", "0001"), "0/");
    EXPECT_EQ(reviewVoucher(reviewer.db(), key, "101"), review_code::kChangedMeanwhile);
    EXPECT_EQ(status("20260310", "0001"), "0/");
    EXPECT_EQ(reviewedLines("20260310", "0001"), 0);
}

TEST_F(ReviewTest, OnlyTheReviewerTakesHisReviewBackAndOnlyInAnOpenMonth)
{
    Database& db = env.db();
    insertBalancedVoucher(db, "20260110", "0001", 100, "4", "102", "103");
    insertBalancedVoucher(db, "20260210", "0001", 100, "4", "102", "103");
    insertBalancedVoucher(db, "20260211", "0002", 100, "4", "102", "101");
    db.execute("UPDATE P0 SET MK='4'");
    db.execute("UPDATE SYSTAB SET MM=1");
    EXPECT_EQ(cancelReview(db, {"20260110", "0001"}, "103"), review_code::kCannotCancel); // January is closed
    EXPECT_EQ(status("20260110", "0001"), "4/103");
    EXPECT_EQ(cancelReview(db, {"20260211", "0002"}, "103"), review_code::kCannotCancel); // not his
    EXPECT_EQ(status("20260211", "0002"), "4/101");
    EXPECT_EQ(cancelReview(db, {"20260210", "0001"}, "103"), review_code::kPassed);
    EXPECT_EQ(status("20260210", "0001"), "2/");
    EXPECT_EQ(count("SELECT count(*) FROM P0 WHERE T='20260210' AND MK='2'"), 2);
    // Once more: it is no longer reviewed.
    EXPECT_EQ(cancelReview(db, {"20260210", "0001"}, "103"), review_code::kNotReviewed);
    EXPECT_EQ(displayReviewMessage({"20260210", "0001"}, review_code::kNotReviewed),
              "制作日期：2026年02月10日第0001号凭证尚未复核，不必取消复核!");
}

TEST_F(ReviewTest, AVoucherChangedInPlaceSinceItWasShownIsNotReviewed)
{
    Database& db = env.db();
    insertBalancedVoucher(db, "20260310", "0001");
    const VoucherKey key{"20260310", "0001"};
    const std::string shown = voucherFingerprint(db, key);
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(voucherFingerprint(db, {"20260310", "0009"}), "");
    // Another copy changes both amounts and keeps the voucher complete.
    CKszwEnv other;
    ASSERT_TRUE(login(other, "101"));
    other.db().execute("UPDATE P0 SET MY=999999 WHERE T='20260310'");
    EXPECT_EQ(reviewVoucher(db, key, "103", &shown), review_code::kChangedMeanwhile);
    EXPECT_EQ(status("20260310", "0001"), "2/");
    // A summary changed is a change too; what is shown now is reviewed.
    const std::string again = voucherFingerprint(db, key);
    other.db().execute("UPDATE P0 SET MRY='改' WHERE T='20260310' AND RN=1");
    EXPECT_EQ(reviewVoucher(db, key, "103", &again), review_code::kChangedMeanwhile);
    const std::string now = voucherFingerprint(db, key);
    EXPECT_EQ(reviewVoucher(db, key, "103", &now), review_code::kPassed);
    EXPECT_EQ(status("20260310", "0001"), "4/103");
}

TEST_F(ReviewTest, ABatchCancelInAMonthClosedMeanwhileSaysSoOnce)
{
    Database& db = env.db();
    for (const char* number : {"0001", "0002", "0003"})
        insertBalancedVoucher(db, "20260110", number, 100, "4", "102", "103");
    insertBalancedVoucher(db, "20260211", "0001", 100, "4", "102", "101");
    db.execute("UPDATE P0 SET MK='4'");
    db.execute("UPDATE SYSTAB SET MM=1");
    ScriptedPrompt prompt;
    const std::vector<VoucherKey> keys = {
        {"20260110", "0001"}, {"20260110", "0002"}, {"20260211", "0001"}, {"20260110", "0003"}};
    EXPECT_EQ(cancelBatch(db, keys, "103", prompt), 0);
    // The February voucher is not his: named on its own; January's three are one message.
    EXPECT_EQ(prompt.texts(),
              (std::vector<std::string>{"2026年02月第0001号凭证已不能取消复核（不是本人复核或该月已结帐）!",
                                        std::string(kMonthClosedMeanwhile)}));
    EXPECT_EQ(count("SELECT count(*) FROM CERDIR WHERE MK='4'"), 4);
}

TEST_F(ReviewTest, ACancelAfterAnotherCopyClosedTheMonthIsRefused)
{
    insertBalancedVoucher(env.db(), "20260110", "0001", 100, "4", "102", "103");
    env.db().execute("UPDATE P0 SET MK='4'");
    CKszwEnv other;
    ASSERT_TRUE(login(other, "101"));
    // The cancel list was made while January was open; then another copy closed it.
    other.db().execute("UPDATE SYSTAB SET MM=1");
    EXPECT_EQ(cancelReview(env.db(), {"20260110", "0001"}, "103"), review_code::kCannotCancel);
    EXPECT_EQ(status("20260110", "0001"), "4/103");
}

TEST_F(ReviewTest, ABatchGoesOnPastARefusedVoucherAndReportsItsProgress)
{
    Database& db = env.db();
    insertBalancedVoucher(db, "20260301", "0001");
    insertRawVoucher(db, "20260302", "0002", {{"x", "1001", 1, 10}, {"x", "1002-1", -1, 9}});
    insertBalancedVoucher(db, "20260303", "0003");
    const std::vector<VoucherKey> keys = {{"20260301", "0001"}, {"20260302", "0002"}, {"20260303", "0003"}};
    ScriptedPrompt prompt;
    std::vector<std::string> progress;
    const int reviewed = reviewBatch(db, keys, "103", prompt, [&](const std::string& number, int percent) {
        progress.push_back(batchProgressText(number, percent));
    });
    EXPECT_EQ(reviewed, 2);
    EXPECT_EQ(prompt.texts(), std::vector<std::string>{"2026年03月第0002号凭证借贷不平衡，复核不能通过!"});
    EXPECT_EQ(prompt.entries()[0].icon, Icon::Exclamation);
    EXPECT_EQ(progress, (std::vector<std::string>{"0001    0％", "0002   33％", "0003   66％", "0003  100％"}));
    EXPECT_EQ(status("20260301", "0001"), "4/103");
    EXPECT_EQ(status("20260302", "0002"), "2/");
    EXPECT_EQ(status("20260303", "0003"), "4/103");

    ScriptedPrompt quiet;
    EXPECT_EQ(cancelBatch(db, {keys[0], keys[2]}, "103", quiet), 2);
    EXPECT_TRUE(quiet.entries().empty());
    EXPECT_EQ(count("SELECT count(*) FROM CERDIR WHERE MK='4'"), 0);
}

} // namespace
} // namespace kszw::test
