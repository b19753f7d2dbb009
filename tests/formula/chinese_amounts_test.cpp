// AmountInCapitals and DigitsInChinese.
#include "formula/chinese_amounts.h"

#include <gtest/gtest.h>

#include <cmath>

namespace kszw {
namespace {

TEST(AmountInCapitals, WritesAmountsAsOnAVoucher)
{
    const std::pair<double, const char*> cases[] = {
        {10005.10, "壹万零伍元壹角"},
        {100, "壹佰元整"},
        {0.05, "伍分"},
        {-3, "负叁元整"},
        {0, ""},
        {0.004, ""},
        {-0.004, ""},
        {0.5, "伍角"},
        {3.05, "叁元零伍分"},
        {9.99, "玖元玖角玖分"},
        {10.01, "壹拾元零壹分"},
        {20.5, "贰拾元伍角"},
        {1234.56, "壹仟贰佰叁拾肆元伍角陆分"},
        {1000000, "壹佰万元整"},
        {10000001, "壹仟万零壹元整"},
        {100000000, "壹亿元整"},
        {100010000, "壹亿零壹万元整"},
        {230000500.7, "贰亿叁仟万零伍佰元柒角"},
        {-1234.5, "负壹仟贰佰叁拾肆元伍角"},
    };
    for (const auto& [amount, text] : cases)
        EXPECT_EQ(AmountInCapitals(amount), text) << amount;
}

// Amounts of 10^12 and more keep their 万亿 group instead of losing a factor of ten thousand.
TEST(AmountInCapitals, AmountsOfAMillionMillionKeepTheirWanYiGroup)
{
    EXPECT_EQ(AmountInCapitals(1e12), "壹万亿元整");
    EXPECT_EQ(AmountInCapitals(1.5e12), "壹万伍仟亿元整");
    EXPECT_EQ(AmountInCapitals(1e13), "壹拾万亿元整");
    EXPECT_EQ(AmountInCapitals(1000500000000.0), "壹万零伍亿元整");
}

// A negative amount that rounds to one cent keeps its sign.
TEST(AmountInCapitals, NegativeAmountRoundingToACentKeepsItsSign)
{
    EXPECT_EQ(AmountInCapitals(-0.008), "负壹分");
    EXPECT_EQ(AmountInCapitals(-0.01), "负壹分");
}

TEST(AmountInCapitals, NonFiniteAmountGivesEmptyText)
{
    EXPECT_EQ(AmountInCapitals(std::nan("")), "");
    EXPECT_EQ(AmountInCapitals(HUGE_VAL), "");
}

TEST(DigitsInChinese, WritesEachDigitAsANumeral)
{
    EXPECT_EQ(DigitsInChinese(2007), "二○○七");
    EXPECT_EQ(DigitsInChinese(1990), "一九九○");
    EXPECT_EQ(DigitsInChinese(0), "○");
    EXPECT_EQ(DigitsInChinese(-15), "-一五");
    EXPECT_EQ(DigitsInChinese(345678), "三四五六七八");
}

} // namespace
} // namespace kszw
