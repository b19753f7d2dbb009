// What the voucher selection dialogs list: months, counts, entries by number and by class, and the
// review selection that never offers one's own vouchers and takes back only one's own reviews.
#include "voucher/voucher_fixture.h"

#include "voucher/voucher_selection.h"

namespace kszw::test {
namespace {

class SelectionTest : public VoucherTest {
protected:
    void SetUp() override
    {
        VoucherTest::SetUp();
        env.db().execute("INSERT INTO OPR(OPNO,NA,PSD) VALUES('103','李复核','')");
    }

    static std::vector<std::string> texts(const std::vector<SelectionEntry>& entries)
    {
        std::vector<std::string> result;
        for (const SelectionEntry& entry : entries)
            result.push_back(entry.text);
        return result;
    }
};

TEST_F(SelectionTest, AYearWithoutVouchersHasNothingToSelect)
{
    EXPECT_FALSE(yearHasVouchers(env.db()));
    EXPECT_TRUE(selectionMonths(env.db(), SelectionMode::Query).empty());
    EXPECT_FALSE(hasReviewWork(env.db(), "103", 0));
}

TEST_F(SelectionTest, MonthsCountsAndEntriesByNumber)
{
    Database& db = env.db();
    insertBalancedVoucher(db, "20260105", "0001", 100, "4", "102", "103");
    insertBalancedVoucher(db, "20260301", "0002", 100, "2");
    insertBalancedVoucher(db, "20260302", "0001", 100, "4", "102", "103");
    insertBalancedVoucher(db, "20260303", "0003", 100, "0");
    insertBalancedVoucher(db, "20260401", "0001", 100, "0");
    db.execute("UPDATE CERDIR SET PN=12 WHERE T='20260302'");

    EXPECT_TRUE(yearHasVouchers(db));
    EXPECT_EQ(selectionMonths(db, SelectionMode::Query), (std::vector<std::string>{"01", "03", "04"}));
    EXPECT_EQ(selectionMonths(db, SelectionMode::Summary), (std::vector<std::string>{"01", "03"}));
    const MonthCounts march = monthCounts(db, "03");
    EXPECT_EQ(march.reviewed, 1);
    EXPECT_EQ(march.unreviewed, 1);

    const std::vector<SelectionEntry> all = voucherEntries(db, "03", SelectionMode::Query, VoucherRange::All);
    EXPECT_EQ(texts(all), (std::vector<std::string>{"2026.03.02  0001   ×××   李复核     12张",
                                                    "2026.03.01  0002   ×××               0张",
                                                    "2026.03.03  0003   ×××               0张"}));
    EXPECT_EQ(all[0].key, (VoucherKey{"20260302", "0001"}));
    EXPECT_EQ(texts(voucherEntries(db, "03", SelectionMode::Query, VoucherRange::Unreviewed)).size(), 2u);
    EXPECT_EQ(texts(voucherEntries(db, "03", SelectionMode::Summary, VoucherRange::All)),
              (std::vector<std::string>{"2026.03.02  0001   ×××   李复核   已复核",
                                        "2026.03.01  0002   ×××            已平"}));
    EXPECT_EQ(texts(voucherEntries(db, "03", SelectionMode::Summary, VoucherRange::Unreviewed)),
              std::vector<std::string>{"2026.03.01  0002   ×××            已平"});
    EXPECT_EQ(selectionCounter(3, false), "3   张");
    EXPECT_EQ(selectionCounter(0, true), "0   类");
}

TEST_F(SelectionTest, ClassesOfTheMonthAreListedWithTheirNames)
{
    Database& db = env.db();
    EXPECT_FALSE(hasVoucherClasses(db));
    db.execute("INSERT INTO CERCLS(CNO,NA) VALUES('A','现金'),('B','银行'),('C','转帐')");
    insertBalancedVoucher(db, "20260301", "A001");
    insertBalancedVoucher(db, "20260302", "C001");
    insertBalancedVoucher(db, "20260303", "A002");
    insertBalancedVoucher(db, "20260403", "B001");
    EXPECT_TRUE(hasVoucherClasses(db));
    const std::vector<SelectionEntry> entries = classEntries(db, "03");
    EXPECT_EQ(texts(entries), (std::vector<std::string>{"   1.03     A      现金", "   2.03     C      转帐"}));
    EXPECT_EQ(entries[1].classPrefix, "C");
}

TEST_F(SelectionTest, TheReviewListHoldsOtherMakersCompleteVouchersAndOwnReviewsOfOpenMonths)
{
    Database& db = env.db();
    insertBalancedVoucher(db, "20260105", "0001", 100, "4", "102", "103"); // January: closed below
    insertBalancedVoucher(db, "20260210", "0001", 100, "4", "102", "103");
    insertBalancedVoucher(db, "20260211", "0002", 100, "4", "102", "101");
    insertBalancedVoucher(db, "20260301", "0001", 100, "2", "102");
    insertBalancedVoucher(db, "20260302", "0002", 100, "2", "103"); // his own
    insertBalancedVoucher(db, "20260303", "0003", 100, "0", "102"); // incomplete
    db.execute("UPDATE SYSTAB SET MM=1");

    EXPECT_TRUE(hasReviewWork(db, "103", 1));
    EXPECT_EQ(texts(reviewEntries(db, "103")), std::vector<std::string>{"2026.03.01 0001   ×××               0张"});
    EXPECT_EQ(cancelMonths(db, "103", 1), std::vector<std::string>{"02"});
    const std::vector<SelectionEntry> cancel = cancelEntries(db, "02", "103", 1);
    ASSERT_EQ(cancel.size(), 1u);
    EXPECT_EQ(cancel[0].key, (VoucherKey{"20260210", "0001"}));
    EXPECT_TRUE(cancelEntries(db, "01", "103", 1).empty());
    // For the maker of every complete voucher there is nothing to review, nor anything to take back.
    db.execute("DELETE FROM CERDIR WHERE OPP='103'");
    EXPECT_FALSE(hasReviewWork(db, "102", 1));
}

} // namespace
} // namespace kszw::test
