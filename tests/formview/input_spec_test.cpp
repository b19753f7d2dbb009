// Cell input specifications: keystroke by keystroke acceptance under NUMBER, CLASSNOSTRING,
// STRING and MDBSTRING, and the helper checks behind them.
#include "formview/input_spec.h"

#include <gtest/gtest.h>

namespace kszw {
namespace {

struct Keystroke {
    const char* typed;
    const char* text;
    int caret;
    const char* spec;
    int lengthLimit;
    int extraNumber;
    bool accepted;
};

void expectKeystrokes(const std::vector<Keystroke>& cases)
{
    for (const Keystroke& k : cases)
        EXPECT_EQ(CheckInput(k.typed, k.text, k.caret, k.spec, k.lengthLimit, k.extraNumber), k.accepted)
            << "typing \"" << k.typed << "\" at " << k.caret << " of \"" << k.text << "\" under \"" << k.spec
            << "\" (" << k.lengthLimit << ", " << k.extraNumber << ")";
}

TEST(CheckInput, NumberCellsFollowTheirBounds)
{
    expectKeystrokes({
        {"1", "", 0, "NUMBER 1 12", 0, 0, true},
        {"2", "1", 1, "NUMBER 1 12", 0, 0, true},
        {"3", "12", 2, "NUMBER 1 12", 0, 0, false},
        {"-", "", 0, "NUMBER 1 12", 0, 0, false},
        {"0", "", 0, "NUMBER 1 12", 0, 0, true},
        {"1", "2", 0, "NUMBER 1 12", 0, 0, true},
        {"3", "1", 0, "NUMBER 1 12", 0, 0, false},
        {"9", "999", 3, "NUMBER 1990 9999", 0, 0, true},
        {"0", "9999", 4, "NUMBER 1990 9999", 0, 0, false},
        {"-", "", 0, "NUMBER", 0, 0, true},
        {"5", "-1234", 5, "NUMBER", 0, 0, true},
        {"-", "", 0, "NUMBER 0", 0, 0, false},
        {"-", "", 0, "NUMBER 0123456789", 0, 0, false},
        {"7", "", 0, "NUMBER 0123456789", 0, 0, true},
        {"1", "-10", 3, "NUMBER -100 100", 0, 0, false},
        {"9", "-9", 2, "NUMBER -100 100", 0, 0, true},
        {"1", "10", 2, "NUMBER -100 100", 0, 0, false},
        {"5", "-", 1, "NUMBER - +", 0, 0, true},
        {"5", "", 0, "NUMBER - -5", 0, 0, false},
        {"7", "-", 1, "NUMBER - -5", 0, 0, true},
        {"9", "9", 1, "NUMBER - 50", 0, 0, false},
        {"9", "-9", 2, "NUMBER - 50", 0, 0, true},
        {"9", "99", 2, "NUMBER 0 1 0", 0, 0, false},
        {"a", "", 0, "NUMBER", 0, 0, false},
        {".", "1.2", 3, "NUMBER", 0, 0, false},
        {"-", "1", 1, "NUMBER", 0, 0, false},
        {"0", "1.23", 4, "NUMBER", 14, 2, true},
        {"4", "1.23", 4, "NUMBER", 14, 2, false},
        {"1", "123", 3, "NUMBER", 3, 2, false},
        {"0", "5", 0, "NUMBER", 1, 0, true},
        {"1", "0.5", 0, "NUMBER", 1, 0, false},
        {"5", "", 0, "  NUMBER 1 12", 0, 0, true},
        {"5", "2", 1, "  NUMBER 1 12", 0, 0, false},
    });
}

TEST(CheckInput, NumberCellTakesFullWidthStopAsPoint)
{
    // The check itself sees "。" as it is; the cell converts it to "." first.
    expectKeystrokes({
        {"。", "12", 2, "NUMBER", 0, 2, false},
        {".", "12", 2, "NUMBER", 0, 2, true},
        {".", "1.2", 3, "NUMBER", 0, 0, false},
        {"。", "", 0, "STRING 0123456789.-", 0, 0, false},
    });
    EXPECT_EQ(TypedForSpec("。", "NUMBER 1 12"), ".");
    EXPECT_EQ(TypedForSpec("。", "STRING"), "。");
    EXPECT_EQ(TypedForSpec("5", "NUMBER"), "5");
}

TEST(CheckInput, ClassNumberCellsPlaceSeparatorsBetweenDigits)
{
    expectKeystrokes({
        {"-", "1001", 4, "CLASSNOSTRING", 0, 0, false},
        {"-", "1001", 2, "CLASSNOSTRING", 0, 0, false},
        {"-", "1001", 4, "CLASSNOSTRING", -1, 0, true},
        {"-", "1001", 2, "CLASSNOSTRING", -1, 0, true},
        {"-", "1001", 0, "CLASSNOSTRING", -1, 0, false},
        {"-", "", 0, "CLASSNOSTRING", -1, 0, false},
        {"-", "1001-", 5, "CLASSNOSTRING", -1, 0, false},
        {"-", "1001-01", 7, "CLASSNOSTRING", 1, 0, false},
        {"-", "1001-01", 7, "CLASSNOSTRING", 2, 0, true},
        {"0", "1001-", 5, "CLASSNOSTRING", 1, 0, true},
        {"-", "1001-01", 4, "CLASSNOSTRING", -1, 0, false},
        {"-", "1001-01", 5, "CLASSNOSTRING", -1, 0, false},
        {"a", "1001", 4, "CLASSNOSTRING", -1, 0, false},
        {".", "1001", 4, "CLASSNOSTRING .", -1, 0, true},
        {"-", "1001", 4, "CLASSNOSTRING .", -1, 0, false},
        {".", "1001", 4, "CLASSNOSTRING  . ", -1, 0, true},
        {"-", "1001", 99, "CLASSNOSTRING", -1, 0, true},
        {"-", "1001", -5, "CLASSNOSTRING", -1, 0, false},
    });
}

TEST(CheckInput, StringCellsClassifyTheTypedCharacter)
{
    expectKeystrokes({
        {"中", "", 0, "STRING CHAR_DIGIT", 0, 0, false},
        {"a", "", 0, "STRING CHAR_DIGIT", 0, 0, true},
        {"7", "", 0, "STRING CHAR_DIGIT", 0, 0, true},
        {"_", "", 0, "STRING CHAR_DIGIT", 0, 0, false},
        {"中", "", 0, "STRING NOT |[]'\"", 0, 0, true},
        {" ", "ab", 1, "STRING NOT |[]'\"", 0, 0, false},
        {"|", "", 0, "STRING NOT |[]'\"", 0, 0, false},
        {"[", "", 0, "STRING NOT |[]'\"", 0, 0, false},
        {"]", "", 0, "STRING NOT |[]'\"", 0, 0, false},
        {"'", "", 0, "STRING NOT |[]'\"", 0, 0, false},
        {"\"", "", 0, "STRING NOT |[]'\"", 0, 0, false},
        {"\"", "", 0, "STRING NOT |[]'", 0, 0, true},
        {"'", "", 0, "MDBSTRING", 0, 0, false},
        {" ", "", 0, "MDBSTRING", 0, 0, false},
        {"\"", "", 0, "MDBSTRING", 0, 0, true},
        {"中", "", 0, "MDBSTRING", 0, 0, true},
        {"5", "", 0, "STRING 0123456789.-", 0, 0, true},
        {"a", "", 0, "STRING 0123456789.-", 0, 0, false},
        {"中", "", 0, "STRING 0123456789.-", 0, 0, false},
        {"A", "", 0, "STRING 0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ", 0, 0, true},
        {"a", "", 0, "STRING 0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ", 0, 0, false},
        {"#", "", 0, "STRING 0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ#abcdefghijklmnopqrstuvwxyz", 0, 0, true},
        {"A", "", 0, "STRING UPPERCHAR", 0, 0, true},
        {"a", "", 0, "STRING UPPERCHAR", 0, 0, false},
        {"a", "", 0, "STRING LOWERCHAR", 0, 0, true},
        {" ", "", 0, "STRING SPACE", 0, 0, true},
        {"a", "", 0, "STRING SPACE", 0, 0, false},
        {"~", "", 0, "STRING ASCII", 0, 0, true},
        {"中", "", 0, "STRING ASCII", 0, 0, false},
        {"中", "", 0, "STRING CHAR", 0, 0, false},
        {"5", "", 0, "STRING CHAR", 0, 0, false},
        {"5", "", 0, "STRING DIGIT", 0, 0, true},
        {"|", "", 0, "STRING  NOT   |", 0, 0, false},
        {" ", "", 0, "STRING  NOT   |", 0, 0, false},
        {"a", "", 0, "STRING  NOT   |", 0, 0, true},
        {"5", "", 0, "STRING NOT DIGIT", 0, 0, true},
        {"中", "", 0, "STRING NOT 。", 0, 0, true},
        {"。", "", 0, "STRING NOT 。", 0, 0, false},
        {"a", "", 0, "STRING", 0, 0, true},
        {"中", "", 0, "STRING", 0, 0, true},
        {" ", "", 0, "STRING NOT ", 0, 0, false},
        {"x", "", 0, "STRING NOT ", 0, 0, true},
    });
}

TEST(CheckInput, StringLengthLimitCountsChineseCharactersAsTwoBytes)
{
    const std::string nineteen(19, 'x');
    const std::string twenty(20, 'x');
    const std::string eighteen(18, 'x');
    EXPECT_TRUE(CheckInput("a", nineteen, 19, "STRING", 20, 0));
    EXPECT_FALSE(CheckInput("a", twenty, 20, "STRING", 20, 0));
    EXPECT_FALSE(CheckInput("中", nineteen, 19, "STRING", 20, 0));
    EXPECT_TRUE(CheckInput("中", eighteen, 18, "STRING", 20, 0));
    EXPECT_FALSE(CheckInput("a", "中中中中中中中中中中", 10, "MDBSTRING", 20, 0));
    EXPECT_TRUE(CheckInput("a", twenty, 20, "STRING", 0, 0));
    EXPECT_TRUE(CheckInput("a", twenty, 20, "STRING", -1, 0));
}

// A pasted value is checked as if typed into an empty cell; one forbidden character refuses it.
TEST(CheckInput, PastedValueWithAForbiddenCharacterIsRefused)
{
    EXPECT_FALSE(CheckInput("a|b", "", 0, "MDBSTRING", 0, 0));
    EXPECT_FALSE(CheckInput("it's", "", 0, "STRING NOT |[]'\"", 40, 0));
    EXPECT_FALSE(CheckInput("现金 收入", "", 0, "STRING NOT |[]'", 40, 0));
    EXPECT_TRUE(CheckInput("现金收入", "", 0, "STRING NOT |[]'", 40, 0));
    EXPECT_FALSE(CheckInput("ab1-", "", 0, "STRING CHAR_DIGIT", 0, 0));
}

TEST(CheckInput, EmptyOrUnknownSpecAcceptsEverything)
{
    expectKeystrokes({
        {"'", "", 0, "", 0, 0, true},
        {"中", "abc", 1, "   ", 5, 0, true},
        {"x", "123", 3, "DATE", 1, 1, true},
        {"x", "", 0, "MDBSTRINGX", 1, 1, true},
    });
}

TEST(IsNumberText, AcceptsPartialNumbersWithinDigitLimits)
{
    const std::tuple<const char*, int, int, bool> cases[] = {
        {"-12.50", 3, 2, true}, {"1-2", 0, 0, false},  {"12.345", 0, 2, false}, {"0012", 2, 0, true},
        {"1.230", 14, 2, true}, {"1.234", 14, 2, false}, {"", 0, 0, true},       {"-", 0, 0, true},
        {".", 0, 0, true},      {"-.5", 0, 1, true},     {"1.2.3", 0, 0, false}, {"123", 2, 0, false},
        {"0.5", 0, 1, true},    {"0.55", 0, 1, false},   {"a", 0, 0, false},     {"12。5", 0, 0, false},
        {" 1", 0, 0, false},    {"--1", 0, 0, false},    {"1e5", 0, 0, false},   {"000.000", 1, 1, true},
    };
    for (const auto& [text, maxInt, maxDec, accepted] : cases)
        EXPECT_EQ(IsNumberText(text, maxInt, maxDec), accepted) << text << " (" << maxInt << ", " << maxDec << ")";
}

TEST(IsClassNumber, AcceptsDigitsWithSingleInnerSeparators)
{
    const std::tuple<const char*, int, const char*, bool> cases[] = {
        {"1001-01-02", 3, "-", true}, {"1001--01", 3, "-", false}, {"-1001", 3, "-", false},
        {"1001-", 3, "-", false},     {"1001-01", 0, "-", false},  {"1001-01-02", 1, "-", false},
        {"10a1", -1, "-", false},     {"", -1, "-", true},         {"1001.01", -1, ".", true},
        {"1001-01", -1, ".", false},  {"10-01", -1, "-", true},    {"1001", 0, "-", true},
    };
    for (const auto& [text, maxSep, separator, accepted] : cases)
        EXPECT_EQ(IsClassNumber(text, maxSep, separator), accepted) << text << " " << maxSep << " " << separator;
}

TEST(MatchesClass, TestsClassWordsBeforeLiteralSets)
{
    const std::tuple<const char*, const char*, bool> cases[] = {
        {"NOT", "中", true},        {"NOTHING", "x", true},     {"UPPERCHAR", "Q", true},
        {"UPPERCHAR", "q", false},  {"LOWERCHAR", "q", true},   {"SPACE", "\t", true},
        {"DIGIT", "0", true},       {"DIGIT", "a", false},      {"ASCII", "\x7f", true},
        {"ASCII", "中", false},     {"CHAR_DIGIT", "9", true},  {"CHAR", "9", false},
        {"CHAR", "z", true},        {"CHARS", "z", true},       {"abc", "b", true},
        {"abc", "d", false},        {"中文", "中", true},       {"中文", "字", false},
        {" |[]'", " ", true},       {" |[]'", "中", false},     {"", "a", false},
    };
    for (const auto& [classText, character, matches] : cases)
        EXPECT_EQ(MatchesClass(classText, character), matches) << classText << " / " << character;
    EXPECT_TRUE(AllMatchClass("DIGIT", ""));
    EXPECT_TRUE(AllMatchClass("DIGIT", "2007"));
    EXPECT_FALSE(AllMatchClass("DIGIT", "20a7"));
    EXPECT_TRUE(AllMatchClass("中文", "文中文"));
}

} // namespace
} // namespace kszw
