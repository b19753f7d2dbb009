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

// Cents are rounded half away from zero on the stored value: 0.125 and 0.625 are exact halves,
// 2.675 is stored as 2.67499999….
TEST(AmountInCapitals, HalfACentRoundsAwayFromZero)
{
    const std::pair<double, const char*> cases[] = {
        {0.125, "壹角叁分"},
        {-0.125, "负壹角叁分"},
        {0.625, "陆角叁分"},
        {10.125, "壹拾元壹角叁分"},
        {2.675, "贰元陆角柒分"},
        {0.005, "壹分"},
    };
    for (const auto& [amount, text] : cases)
        EXPECT_EQ(AmountInCapitals(amount), text) << amount;
}

// The units end at 仟万亿: from 10^16 on there is no unit for the first digit, and the amount is
// refused. The literal 9999999999999999 is stored as 10^16 itself (doubles there are two apart),
// so it is refused too; the double just below, 9999999999999998, is still written in full.
TEST(AmountInCapitals, AmountsOfTenToTheSixteenthAndMoreGiveEmptyText)
{
    EXPECT_EQ(9999999999999999.0, 1e16);
    const std::pair<double, const char*> cases[] = {
        {1e16, ""},
        {-1e16, ""},
        {9999999999999999.0, ""},
        {1e17, ""},
        {std::nextafter(1e16, 0.0), "玖仟玖佰玖拾玖万玖仟玖佰玖拾玖亿玖仟玖佰玖拾玖万玖仟玖佰玖拾捌元整"},
        {-std::nextafter(1e16, 0.0), "负玖仟玖佰玖拾玖万玖仟玖佰玖拾玖亿玖仟玖佰玖拾玖万玖仟玖佰玖拾捌元整"},
        {1234567890123456.0, "壹仟贰佰叁拾肆万伍仟陆佰柒拾捌亿玖仟零壹拾贰万叁仟肆佰伍拾陆元整"},
        {1e15, "壹仟万亿元整"},
    };
    for (const auto& [amount, text] : cases)
        EXPECT_EQ(AmountInCapitals(amount), text) << std::fixed << amount;
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
