// Opening balances: one row per leaf, levels summed over their subtrees, and the quantity arithmetic.
#include "chart/chart_fixture.h"
#include "chart/opening_balances.h"
#include "formula/format_number.h"

#include <cmath>

namespace kszw::test {
namespace {

TEST_F(ChartTest, EnteringZeroDeletesTheRowAndTheLevelShowsFlat)
{
    add("1001", "现金");
    ASSERT_EQ(setOpeningBalance(db, "1001", {1, 250.0, 0}), std::nullopt);
    EXPECT_EQ(count("SELECT count(*) FROM P0 WHERE KNO='1001' AND CER='    ' AND RN=0 AND MRY='期初余额' AND MK='4' "
                    "AND TT='01' AND T='20260101' AND F=1 AND MY=250"),
              1);
    ASSERT_EQ(setOpeningBalance(db, "1001", {1, 0.0, 0}), std::nullopt);
    EXPECT_EQ(count("SELECT count(*) FROM P0"), 0);
    OpeningBalanceLevel level = openingBalanceLevel(db, "");
    ASSERT_EQ(level.lines.size(), 1u);
    EXPECT_EQ(level.lines[0].directionWord(), "平");
    EXPECT_EQ(level.lines[0].amountText(), "0.00");
}

TEST_F(ChartTest, ACreditBalanceIsStoredAsMinusOneAndShownAsCredit)
{
    add("2202", "应付账款");
    ASSERT_EQ(setOpeningBalance(db, "2202", {-1, 100.0, 0}), std::nullopt);
    EXPECT_EQ(count("SELECT count(*) FROM P0 WHERE KNO='2202' AND F=-1 AND MY=100"), 1);
    OpeningBalanceLevel level = openingBalanceLevel(db, "");
    EXPECT_EQ(level.lines[0].directionWord(), "贷");
    EXPECT_EQ(level.lines[0].amountText(), "100.00");
    EXPECT_DOUBLE_EQ(level.creditTotal, 100.0);
    EXPECT_DOUBLE_EQ(level.difference(), -100.0);
}

TEST_F(ChartTest, AParentShowsTheNetOfItsSubtreeAndTheLevelTotals)
{
    add("1122", "应收账款");
    add("1122-1", "甲公司");
    add("1122-2", "乙公司");
    add("1001", "现金");
    ASSERT_EQ(setOpeningBalance(db, "1122-1", {1, 100.0, 0}), std::nullopt);
    ASSERT_EQ(setOpeningBalance(db, "1122-2", {-1, 30.0, 0}), std::nullopt);
    ASSERT_EQ(setOpeningBalance(db, "1001", {-1, 5.0, 0}), std::nullopt);
    OpeningBalanceLevel top = openingBalanceLevel(db, "");
    ASSERT_EQ(top.lines.size(), 2u);
    EXPECT_EQ(top.lines[1].code, "1122");
    EXPECT_EQ(top.lines[1].directionWord(), "借");
    EXPECT_EQ(top.lines[1].amountText(), "70.00");
    EXPECT_TRUE(top.lines[1].hasChildren);
    EXPECT_DOUBLE_EQ(top.debitTotal, 70.0);
    EXPECT_DOUBLE_EQ(top.creditTotal, 5.0);
    EXPECT_DOUBLE_EQ(top.difference(), 65.0);
    OpeningBalanceLevel children = openingBalanceLevel(db, "1122");
    EXPECT_DOUBLE_EQ(children.debitTotal, 100.0);
    EXPECT_DOUBLE_EQ(children.creditTotal, 30.0);
}

TEST_F(ChartTest, AmountsAreRoundedAndNegativeOrParentBalancesRefused)
{
    add("1403", "原材料", 1, "吨");
    add("1122", "应收账款");
    add("1122-1", "甲");
    // An exact half cent rounds up; 10.123456 keeps four decimals.
    ASSERT_EQ(setOpeningBalance(db, "1403", {1, 25.125, 10.123456}), std::nullopt);
    std::optional<OpeningBalance> stored = openingBalance(db, "1403");
    ASSERT_TRUE(stored);
    EXPECT_DOUBLE_EQ(stored->amount, 25.13);
    EXPECT_DOUBLE_EQ(stored->quantity, 10.1235);
    EXPECT_EQ(setOpeningBalance(db, "1403", {1, -3.0, 0}), "期初余额不能为负数，请用借贷方向表示余额的方向!");
    EXPECT_EQ(setOpeningBalance(db, "1122", {1, 3.0, 0}), "科目“1122”有子科目，期初余额只能录入其明细科目!");
    EXPECT_EQ(setOpeningBalance(db, "9999", {1, 3.0, 0}), "科目“9999”不存在!");
    // A quantity alone keeps the row.
    ASSERT_EQ(setOpeningBalance(db, "1403", {1, 0.0, 2.0}), std::nullopt);
    EXPECT_EQ(count("SELECT count(*) FROM P0 WHERE KNO='1403' AND NU=2"), 1);
    // A row stored with trailing blanks in its code is still found and replaced.
    db.execute("UPDATE P0 SET KNO='1403   '");
    ASSERT_EQ(setOpeningBalance(db, "1403", {-1, 7.0, 1.0}), std::nullopt);
    EXPECT_EQ(count("SELECT count(*) FROM P0"), 1);
}

TEST_F(ChartTest, TotalsThatCancelOutAreZeroNotMinusZero)
{
    add("1001", "现金");
    add("2202", "应付");
    add("2203", "预收");
    ASSERT_EQ(setOpeningBalance(db, "1001", {1, 0.3, 0}), std::nullopt);
    ASSERT_EQ(setOpeningBalance(db, "2202", {-1, 0.1, 0}), std::nullopt);
    ASSERT_EQ(setOpeningBalance(db, "2203", {-1, 0.2, 0}), std::nullopt);
    OpeningBalanceLevel level = openingBalanceLevel(db, "");
    EXPECT_EQ(FixedText(level.difference(), 2), "0.00");
    EXPECT_FALSE(std::signbit(level.difference()));
}

TEST_F(ChartTest, APlainSubjectKeepsNoQuantity)
{
    add("1001", "现金");
    ASSERT_EQ(setOpeningBalance(db, "1001", {1, 10.0, 5.0}), std::nullopt);
    EXPECT_EQ(count("SELECT count(*) FROM P0 WHERE KNO='1001' AND NU=0 AND MY=10"), 1);
    // A quantity alone writes no row for it.
    ASSERT_EQ(setOpeningBalance(db, "1001", {1, 0.0, 5.0}), std::nullopt);
    EXPECT_EQ(count("SELECT count(*) FROM P0"), 0);
}

TEST(OpeningBalanceArithmetic, PriceAndAmountOfTheQuantityDialog)
{
    EXPECT_EQ(priceText(10, 25.00), "2.5000");
    EXPECT_EQ(amountText(10, 3), "30.00");
    EXPECT_EQ(priceText(0, 25.00), std::nullopt);
    EXPECT_EQ(priceText(3, 10), "3.3333");
    EXPECT_EQ(amountText(3, 3.3333), "10.00");
}

TEST_F(ChartTest, WithoutSubjectsTheBalanceDialogDoesNotOpen)
{
    EXPECT_FALSE(hasSubjects(db));
    add("1001", "现金");
    EXPECT_TRUE(hasSubjects(db));
}

} // namespace
} // namespace kszw::test
