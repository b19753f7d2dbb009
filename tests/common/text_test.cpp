#include "common/dates.h"
#include "common/prompt.h"
#include "common/text.h"

#include <gtest/gtest.h>

namespace kszw {
namespace {

TEST(TextTrim, RemovesBlanksOnTheAskedSides)
{
    struct Case {
        const char* text;
        const char* left;
        const char* right;
        const char* both;
    };
    const Case cases[] = {
        {"", "", "", ""},
        {"   ", "", "", ""},
        {"  a b  ", "a b  ", "  a b", "a b"},
        {"101", "101", "101", "101"},
        {"\t101 ", "\t101 ", "\t101", "\t101"}, // the engine's trim takes blanks only
    };
    for (const Case& c : cases) {
        EXPECT_EQ(trimLeft(c.text), c.left) << c.text;
        EXPECT_EQ(trimRight(c.text), c.right) << c.text;
        EXPECT_EQ(trim(c.text), c.both) << c.text;
    }
    EXPECT_EQ(trimWhitespace("\t 2026.ksk\r\n"), "2026.ksk");
}

TEST(TextGbkLength, AsciiCountsOneAndEveryOtherCharacterTwo)
{
    EXPECT_EQ(gbkLength(""), 0);
    EXPECT_EQ(gbkLength("abc"), 3);
    EXPECT_EQ(gbkLength("管理员"), 6);
    EXPECT_EQ(gbkLength("××单位"), 8);
    EXPECT_EQ(gbkLength("A银行-1"), 7);
    EXPECT_EQ(gbkLength("“。”"), 6);
    // A stray continuation byte is one malformed character, not a crash.
    EXPECT_EQ(gbkLength(std::string("\x80" "a", 2)), 3);
}

TEST(TextGbkPadding, PadsToGbkWidthAndKeepsLongerTextWhole)
{
    EXPECT_EQ(padGbkRight("李复核", 9), "李复核   ");
    EXPECT_EQ(padGbkRight("ab", 4), "ab  ");
    EXPECT_EQ(padGbkRight("很长的名字", 4), "很长的名字");
    EXPECT_EQ(padGbkLeft("7", 4), "   7");
    EXPECT_EQ(padGbkLeft("美元", 6), "  美元");
    EXPECT_EQ(padGbkLeft("12345", 4), "12345");
}

TEST(TextCharacters, SplitsAndCutsWholeCharacters)
{
    EXPECT_EQ(charCount("a管b"), 3);
    EXPECT_EQ(splitChars("a管b"), (std::vector<std::string>{"a", "管", "b"}));
    EXPECT_EQ(leftChars("管理员abc", 2), "管理");
    EXPECT_EQ(leftChars("ab", 5), "ab");
    // A truncated sequence at the end is kept as single bytes.
    std::string broken = std::string("a") + std::string("管").substr(0, 2);
    EXPECT_EQ(charCount(broken), 3);
}

TEST(TextCase, ComparesAsciiWithoutCase)
{
    EXPECT_TRUE(equalsIgnoreCase("ksk", "KSK"));
    EXPECT_FALSE(equalsIgnoreCase("ksk", "KSKX"));
    EXPECT_EQ(toUpperAscii("a管b"), "A管B");
    EXPECT_TRUE(isAllDigits("2026"));
    EXPECT_FALSE(isAllDigits(""));
    EXPECT_FALSE(isAllDigits("2O26"));
    EXPECT_EQ(format("%-8s|%3d", "ab", 7), "ab      |  7");
    EXPECT_EQ(replaceAll("零零零元", "零零", "零"), "零零元"); // left to right, no overlaps
    EXPECT_EQ(replaceAll("1。5。", "。", "."), "1.5.");
    EXPECT_EQ(replaceAll("abc", "", "x"), "abc");
}

TEST(Dates, DaysInMonthFollowTheGregorianLeapRule)
{
    struct Case {
        int year, month, days;
    };
    const Case cases[] = {{2024, 2, 29}, {2026, 2, 28}, {1900, 2, 28}, {2000, 2, 29}, {2100, 2, 28},
                          {2026, 1, 31}, {2026, 4, 30}, {2026, 12, 31}, {2026, 13, 0}, {2026, 0, 0}};
    for (const Case& c : cases)
        EXPECT_EQ(daysInMonth(c.year, c.month), c.days) << c.year << "-" << c.month;
}

TEST(Dates, BuildAndSplitYYYYMMDD)
{
    EXPECT_EQ(makeDate(2026, 1, 5), "20260105");
    EXPECT_EQ(makeDate(CivilDate{2026, 12, 31}), "20261231");
    EXPECT_EQ(splitDate("20240229"), (CivilDate{2024, 2, 29}));
    EXPECT_FALSE(splitDate("20260229"));
    EXPECT_FALSE(splitDate("2026011"));
    EXPECT_FALSE(splitDate("2026O101"));
    EXPECT_FALSE(splitDate("20261301"));
    EXPECT_FALSE(splitDate("20260100"));
    EXPECT_EQ(nextDay({2024, 2, 28}), (CivilDate{2024, 2, 29}));
    EXPECT_EQ(nextDay({2026, 12, 31}), (CivilDate{2027, 1, 1}));
    EXPECT_EQ(previousDay({2026, 3, 1}), (CivilDate{2026, 2, 28}));
    EXPECT_EQ(previousDay({2026, 1, 1}), (CivilDate{2025, 12, 31}));
}

TEST(ScriptedPrompt, RecordsTextsAndAnswersFromItsQueueThenTheDefault)
{
    ScriptedPrompt prompt;
    prompt.queueAnswer(Answer::Yes);
    prompt.warn("该文件不存在！");
    EXPECT_EQ(prompt.ask("真的吗？", Buttons::YesNo, Answer::No, Icon::Question, kMessageCaption), Answer::Yes);
    EXPECT_EQ(prompt.ask("再问？", Buttons::YesNo, Answer::No, Icon::Question, kMessageCaption), Answer::No);
    ASSERT_EQ(prompt.entries().size(), 3u);
    EXPECT_EQ(prompt.entries()[0].caption, "岚屿穗软件");
    EXPECT_EQ(prompt.entries()[0].icon, Icon::Exclamation);
    EXPECT_FALSE(prompt.entries()[0].question);
    EXPECT_TRUE(prompt.entries()[1].question);
    EXPECT_EQ(prompt.last(), "再问？");
}

} // namespace
} // namespace kszw
