// FormatNumber: decimals, zero as blanks, width fitting, grouping commas and the plain-number
// companions.
#include "formula/format_number.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace kszw {
namespace {

struct FormatCase {
    double value;
    int width;
    int minDec;
    int maxDec;
    const char* expected;
};

TEST(FormatNumber, WritesAmountsAsEveryViewShowsThem)
{
    const FormatCase cases[] = {
        {1234.5, 0, 2, 0, "1,234.50"},
        {0.126, 0, 0, 2, "0.13"},
        {-12345.6, 0, 2, 0, "-12,345.60"},
        {0, 0, 2, 2, ""},
        {0, 5, 2, 2, "     "},
        {0.004, 0, 0, 2, ""},
        {-0.001, 6, 2, 2, "      "},
        {2.0, 0, 0, 6, "2"},
        {1.5, 0, -3, 4, "1.5"},
        {1.5, 0, 3, 1, "1.500"},
        {1.25, 0, 1, 4, "1.25"},
        {3.0, 0, 1, 4, "3.0"},
        {100, 0, 0, 0, "100"},
        {999.999, 0, 0, 2, "1,000"},
        {1234567.891, 0, 0, 2, "1,234,567.89"},
        {-1234567, 0, 0, 0, "-1,234,567"},
        {1e15, 0, 2, 2, "1,000,000,000,000,000.00"},
        {1234.5, 10, 2, 2, "  1,234.50"},
        {1234.5, -10, 2, 2, "  1,234.50"},
        {1234.5, 7, 2, 2, "1234.50"},
        {-1234.5, 8, 2, 2, "-1234.50"},
        {-1234.5, 9, 2, 2, "-1,234.50"},
        {1234.5, 6, 2, 2, "******"},
        {123, 3, 0, 0, "123"},
        {-123, 3, 0, 0, "***"},
        {0.5, 4, 2, 2, "0.50"},
    };
    for (const FormatCase& c : cases)
        EXPECT_EQ(FormatNumber(c.value, c.width, c.minDec, c.maxDec), c.expected)
            << c.value << " width " << c.width << " decimals " << c.minDec << ".." << c.maxDec;
}

TEST(FormatNumber, RemovingCommasGivesPlainNumber)
{
    EXPECT_EQ(RemoveGroupCommas(FormatNumber(-12345.6, 0, 2, 2)), "-12345.60");
    EXPECT_EQ(RemoveGroupCommas("1,234,567"), "1234567");
    EXPECT_EQ(RemoveGroupCommas(""), "");
}

TEST(FormatNumber, RoundTripsTwoDecimalAmountsThroughTheirText)
{
    std::mt19937_64 random(20070315);
    std::uniform_int_distribution<long long> cents(-100000000000000LL, 100000000000000LL);
    for (int i = 0; i < 20000; ++i) {
        double amount = static_cast<double>(cents(random)) / 100.0;
        std::string text = RemoveGroupCommas(FormatNumber(amount, 0, 2, 2));
        ASSERT_EQ(ReadNumber(text), amount) << text;
    }
}

TEST(FormatNumber, HugeWidthAndDecimalsStayBounded)
{
    EXPECT_LE(FormatNumber(1, 1 << 30, 0, 0).size(), 4096u);
    EXPECT_EQ(FormatNumber(1, -2147483647 - 1, 0, 0).size(), 4096u);
    EXPECT_EQ(FormatNumber(1, 0, 1000, 1000).size(), 102u);
}

TEST(NumberToText, WritesUpToSixDecimalsWithoutCommasAndZeroAsDigit)
{
    EXPECT_EQ(NumberToText(1234.5), "1234.5");
    EXPECT_EQ(NumberToText(-0.3333333), "-0.333333");
    EXPECT_EQ(NumberToText(0), "0");
    EXPECT_EQ(NumberToText(1e-9), "0");
}

TEST(ReadNumber, ReadsTheLeadingNumberLikeAtof)
{
    const std::pair<const char*, double> cases[] = {
        {"12.5abc", 12.5}, {"  -3", -3}, {"+7", 7}, {"abc", 0}, {"", 0}, {"-", 0}, {".", 0},
        {".5", 0.5},       {"1.", 1},    {"2e3", 2000}, {"2e", 2}, {"1e-400", 0},
    };
    for (const auto& [text, value] : cases)
        EXPECT_EQ(ReadNumber(text), value) << text;
    EXPECT_TRUE(std::isinf(ReadNumber("1e400")));
}

} // namespace
} // namespace kszw
