// FormatNumber: decimals, zero as blanks, width fitting, grouping commas and the plain-number
// companions.
#include "formula/format_number.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <optional>
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

struct FixedCase {
    double value;
    int decimals;
    const char* expected;
};

// Half away from zero, ties decided on the exact binary value: 0.125, 2.5, 0.0625 and
// 4503599627370494.5 are exact halves and go up; 1.005, 1.015, 2.675 and 9.995 are stored a little
// below the half and go down, 999.995 a little above it.
TEST(FixedText, RoundsExactHalvesAwayFromZero)
{
    const FixedCase cases[] = {
        {0.125, 2, "0.13"},
        {-0.125, 2, "-0.13"},
        {2.5, 0, "3"},
        {-2.5, 0, "-3"},
        {0.5, 0, "1"},
        {-0.5, 0, "-1"},
        {4.5, 0, "5"},
        {0.625, 2, "0.63"},
        {0.0625, 3, "0.063"},
        {1000.5, 0, "1001"},
        {9.5, 0, "10"},
        {-9.5, 0, "-10"},
        {99.875, 2, "99.88"},
        {999.995, 2, "1000.00"},
        {9.995, 2, "9.99"},
        {0.0078125, 6, "0.007813"},
        {4503599627370494.5, 0, "4503599627370495"},
        {1.005, 2, "1.00"},
        {2.675, 2, "2.67"},
        {1.015, 2, "1.01"},
        {0.126, 2, "0.13"},
        {0.124, 2, "0.12"},
        {0.125, 3, "0.125"},
        {0.125, 1, "0.1"},
        {1234.5, 1, "1234.5"},
        {0, 2, "0.00"},
        {1e20, 0, "100000000000000000000"},
    };
    for (const FixedCase& c : cases)
        EXPECT_EQ(FixedText(c.value, c.decimals), c.expected) << c.value << " at " << c.decimals;
}

// The text of a binary fraction n/2^k rounded on its exact decimal expansion, digit by digit:
// the reference the fast writer must agree with everywhere, carries included.
std::string roundedByHand(double value, int decimals)
{
    char buffer[128];
    auto written = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value), std::chars_format::fixed, 40);
    std::string exact(buffer, written.ptr); // exact: the values have at most 20 binary decimals
    size_t point = exact.find('.');
    std::string digits = exact.substr(0, point) + exact.substr(point + 1);
    size_t keep = point + static_cast<size_t>(decimals);
    bool up = digits[keep] >= '5';
    digits.resize(keep);
    for (size_t i = digits.size(); up && i > 0; --i) {
        if (digits[i - 1] == '9') {
            digits[i - 1] = '0';
        } else {
            ++digits[i - 1];
            up = false;
        }
    }
    if (up)
        digits.insert(0, "1");
    size_t integerLength = digits.size() - static_cast<size_t>(decimals);
    std::string text = digits.substr(0, integerLength);
    if (decimals > 0)
        text += "." + digits.substr(integerLength);
    return (value < 0 ? "-" : "") + text;
}

TEST(FixedText, AgreesWithDigitByDigitRoundingOfBinaryFractions)
{
    std::mt19937_64 random(19880808);
    std::uniform_int_distribution<long long> numerators(-2000000000LL, 2000000000LL);
    std::uniform_int_distribution<int> binaryDecimals(0, 20);
    std::uniform_int_distribution<int> decimalCounts(0, 12);
    for (int i = 0; i < 50000; ++i) {
        double value = std::ldexp(static_cast<double>(numerators(random)), -binaryDecimals(random));
        if (value == 0)
            continue;
        int decimals = decimalCounts(random);
        ASSERT_EQ(FixedText(value, decimals), roundedByHand(value, decimals)) << value << " at " << decimals;
    }
}

TEST(FormatNumber, RoundsHalvesAwayFromZeroBeforeFitting)
{
    const FormatCase cases[] = {
        {0.5, 0, 0, 0, "1"},
        {-0.5, 0, 0, 0, "-1"},
        {2.5, 0, 0, 0, "3"},
        {1234.125, 0, 2, 2, "1,234.13"},
        {-0.125, 0, 0, 2, "-0.13"},
        {999.5, 0, 0, 0, "1,000"},
        {-999999.5, 8, 0, 0, "-1000000"},
        {-999999.5, 7, 0, 0, "*******"},
        {-999999.5, 10, 0, 0, "-1,000,000"},
        {99999.5, 5, 0, 0, "*****"},
        {1.005, 0, 0, 2, "1"},
        {0.0000005, 0, 0, 6, ""},
    };
    for (const FormatCase& c : cases)
        EXPECT_EQ(FormatNumber(c.value, c.width, c.minDec, c.maxDec), c.expected)
            << c.value << " width " << c.width << " decimals " << c.minDec << ".." << c.maxDec;
}

TEST(PlainNumberText, WritesUpToSixDecimalsWithoutCommasAndZeroAsEmptyText)
{
    const std::pair<double, const char*> cases[] = {
        {1234.5, "1234.5"},   {1234567, "1234567"}, {-0.3333333, "-0.333333"}, {0.5, "0.5"},
        {0, ""},              {-0.0, ""},           {1e-9, ""},                {-0.0000004, ""},
        {0.0078125, "0.007813"}, {-2.5, "-2.5"},
    };
    for (const auto& [value, text] : cases)
        EXPECT_EQ(PlainNumberText(value), text) << value;
}

TEST(NumberToText, WritesZeroAsDigit)
{
    EXPECT_EQ(NumberToText(1234.5), "1234.5");
    EXPECT_EQ(NumberToText(0), "0");
    EXPECT_EQ(NumberToText(1e-9), "0");
}

TEST(RoundToSixDecimals, RoundsHalvesAwayFromZero)
{
    EXPECT_EQ(RoundToSixDecimals(0.0078125), 0.007813);
    EXPECT_EQ(RoundToSixDecimals(-0.0078125), -0.007813);
    EXPECT_EQ(RoundToSixDecimals(1.0 / 3), 0.333333);
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

TEST(ReadPlainDecimal, AcceptsOnlyPlainDecimalsSmallEnoughToKeepTheirCents)
{
    const std::pair<const char*, std::optional<double>> cases[] = {
        {"1234.5", 1234.5},
        {"  -0.25\r\n", -0.25},
        {"\u22123", -3},
        {"7.", 7},
        {".5", 0.5},
        {"9999999999999.99", 9999999999999.99},
        {"0009999999999999", 9999999999999},
        {"10000000000000", std::nullopt},
        {"", std::nullopt},
        {"-", std::nullopt},
        {".", std::nullopt},
        {"1e5", std::nullopt},
        {"inf", std::nullopt},
        {"nan", std::nullopt},
        {"+5", std::nullopt},
        {"1,000", std::nullopt},
        {"1.2.3", std::nullopt},
        {"--1", std::nullopt},
    };
    for (const auto& [text, value] : cases)
        EXPECT_EQ(ReadPlainDecimal(text), value) << text;
    EXPECT_EQ(ReadPlainDecimal(std::string(400, '9')), std::nullopt);
    EXPECT_EQ(ReadPlainDecimal("123456", 5), std::nullopt);
    EXPECT_EQ(ReadPlainDecimal("12345.678", 5), 12345.678);
}

} // namespace
} // namespace kszw
