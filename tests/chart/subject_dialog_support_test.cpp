// What the chart dialogs ask of the chart besides adding and changing subjects: how many digits a
// segment may take, the currencies a subject can be kept in, a typed code that does not exist, and
// where a typed code stands among the lines a name condition left.
#include "chart/chart_fixture.h"
#include "chart/subjects.h"

namespace kszw::test {
namespace {

TEST_F(ChartTest, SegmentDigitsKeepTheWholeCodeWithinFourteenCharacters)
{
    add("1002", "银行存款");
    add("1002-1", "工商银行");
    add("1002-1-3", "城东支行");
    struct Case {
        const char* parent;
        const char* existing;
        int digits;
    };
    const Case cases[] = {
        {"", "", 14},               // a top-level code alone
        {"1002", "", 9},            // "1002-" takes five
        {"1002-1", "", 7},          // "1002-1-" takes seven
        {"1002", "1002-1", 7},      // 1002-1-3 keeps its "-3": 14 - 5 - 2
        {"", "1002", 10},           // 1002-1-3 keeps its "-1-3": 14 - 4
        {"1002-1", "1002-1-3", 7},  // a leaf has no tail
        {"1002-1-3-4-5-6", "", 1},  // never less than one digit
    };
    for (const Case& c : cases)
        EXPECT_EQ(maxSegmentDigits(db, c.parent, c.existing), c.digits) << c.parent << " / " << c.existing;
}

TEST_F(ChartTest, CurrencyChoicesComeInNumericOrderOfTheirCodes)
{
    EXPECT_TRUE(currencyChoices(db).empty());
    db.execute("INSERT INTO WBT(WNO,NA,HO) VALUES('12','港币',NULL),('2 ','美元 ',NULL),('3','日元','')");
    const std::vector<CurrencyChoice> choices = currencyChoices(db);
    ASSERT_EQ(choices.size(), 3u);
    EXPECT_EQ(choices[0].code, "2");
    EXPECT_EQ(choices[0].name, "美元");
    EXPECT_EQ(choices[1].code, "3");
    EXPECT_EQ(choices[2].code, "12");
    EXPECT_EQ(choices[2].name, "港币");
}

TEST_F(ChartTest, ATypedCodeThatDoesNotExistIsNamedInTheMessage)
{
    add("1001", "库存现金");
    EXPECT_EQ(checkSubjectExists(db, "1001"), std::nullopt);
    EXPECT_EQ(checkSubjectExists(db, "1001-2"), "科目“1001-2”不存在!");
}

TEST_F(ChartTest, ATypedCodeIsLocatedAmongTheLinesANameConditionLeft)
{
    const std::vector<SubjectLine> lines = {{"1122-2", "甲"}, {"1122-10", "乙"}, {"1122-30", "丙"}};
    struct Case {
        const char* typed;
        int row;
    };
    const Case cases[] = {{"1122-1", 0}, {"1122-2", 0}, {"1122-3", 1}, {"1122-10", 1}, {"1122-11", 2}, {"1122-99", 3}};
    for (const Case& c : cases)
        EXPECT_EQ(locateSubjectInLines(lines, c.typed), c.row) << c.typed;
}

} // namespace
} // namespace kszw::test
