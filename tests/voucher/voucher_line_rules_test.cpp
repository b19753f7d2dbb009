// The rules a line follows as it is edited: a subject typed into it, a price typed for its quantity,
// an amount typed on one side, and what a refused voucher number is told.
#include "voucher/voucher_fixture.h"

namespace kszw::test {
namespace {

VoucherLine lineWith(const std::string& subject, const std::string& debit = "", const std::string& credit = "",
                     const std::string& quantity = "")
{
    VoucherLine line;
    line[VoucherLine::Subject] = subject;
    line[VoucherLine::Debit] = debit;
    line[VoucherLine::Credit] = credit;
    line[VoucherLine::Quantity] = quantity;
    return line;
}

TEST_F(VoucherTest, ASubjectTypedIntoALineSetsItsNameKindAndCode)
{
    env.db().execute("UPDATE SUBT SET OP='5' WHERE KNO='6001'");
    const struct {
        const char* code;
        LineSubject result;
        const char* subjectAfter;
        const char* display;
        char kind;
        const char* quantityAfter;
    } cases[] = {
        {"1403", LineSubject::Posting, "1403", "1403 原材料", '1', "4"},
        {" 1001 ", LineSubject::Posting, " 1001 ", "1001 库存现金", '0', ""}, // a plain subject keeps no quantity
        {"1002", LineSubject::Plain, "1002", "", '0', "4"},                // children: kept for the save to refuse
        {"9999", LineSubject::Plain, "9999", "", '0', "4"},
        {"", LineSubject::Plain, "", "", '0', "4"},
        {"6001", LineSubject::Refused, "", "", '0', "4"}, // reserved for another program
    };
    for (const auto& c : cases) {
        VoucherLine line = lineWith(c.code, "10", "", "4");
        line[VoucherLine::Display] = "旧名";
        line.flags[1] = '2';
        EXPECT_EQ(voucher->applyLineSubject(line), c.result) << c.code;
        EXPECT_EQ(line[VoucherLine::Subject], c.subjectAfter) << c.code;
        EXPECT_EQ(line[VoucherLine::Display], c.display) << c.code;
        EXPECT_EQ(line.flags[1], c.kind) << c.code;
        EXPECT_EQ(line[VoucherLine::Quantity], c.quantityAfter) << c.code;
        EXPECT_EQ(line[VoucherLine::Debit], "10") << c.code;
    }
}

TEST_F(VoucherTest, AMissingNameIsFilledOnlyForALeafSubject)
{
    VoucherLine leaf = lineWith("1403");
    EXPECT_TRUE(voucher->fillMissingDisplay(leaf));
    EXPECT_EQ(leaf[VoucherLine::Display], "1403 原材料");
    EXPECT_EQ(leaf.flags[1], '1');
    EXPECT_FALSE(voucher->fillMissingDisplay(leaf)); // already named
    for (const char* code : {"1002", "9999", ""}) {
        VoucherLine line = lineWith(code);
        EXPECT_FALSE(voucher->fillMissingDisplay(line)) << code;
        EXPECT_EQ(line[VoucherLine::Display], "") << code;
    }
}

TEST(VoucherLineRules, APriceTimesTheQuantityGivesTheAmountOnTheLinesSide)
{
    const struct {
        VoucherLine line;
        const char* price;
        int written;
        const char* debit;
        const char* credit;
    } cases[] = {
        {lineWith("1403", "", "", "4"), "12.5", VoucherLine::Debit, "50.00", ""},
        {lineWith("1403", "", "30", "4"), "12.5", VoucherLine::Credit, "", "50.00"},
        {lineWith("1403", "30", "", "3"), "0.335", VoucherLine::Debit, "1.01", ""}, // 1.005 rounds up
        {lineWith("1403", "-2", "", "3"), "-0.335", VoucherLine::Debit, "-1.01", ""},
        {lineWith("1403", "50.00", "", "4"), "12.5", -1, "50.00", ""}, // already that
        {lineWith("1403", "7", "", ""), "12.5", -1, "7", ""},          // no quantity: nothing to price
    };
    for (const auto& c : cases) {
        VoucherLine line = c.line;
        EXPECT_EQ(applyLinePrice(line, c.price), c.written) << c.price;
        EXPECT_EQ(line[VoucherLine::Debit], c.debit) << c.price;
        EXPECT_EQ(line[VoucherLine::Credit], c.credit) << c.price;
    }
    EXPECT_DOUBLE_EQ(linePrice(lineWith("1403", "50", "", "4")), 12.5);
    EXPECT_DOUBLE_EQ(linePrice(lineWith("1403", "", "30", "4")), 7.5);
    EXPECT_DOUBLE_EQ(linePrice(lineWith("1403", "50", "", "")), 0.0);
}

TEST(VoucherLineRules, AnAmountTypedOnOneSideClearsTheOther)
{
    const struct {
        VoucherLine line;
        int typed;
        bool cleared;
        const char* debit;
        const char* credit;
    } cases[] = {
        {lineWith("1001", "10", "20"), VoucherLine::Debit, true, "10", ""},
        {lineWith("1001", "10", "20"), VoucherLine::Credit, true, "", "20"},
        {lineWith("1001", "0", "20"), VoucherLine::Debit, false, "0", "20"},  // a zero takes nothing away
        {lineWith("1001", "10", ""), VoucherLine::Debit, false, "10", ""},
        {lineWith("1001", "10", "20"), VoucherLine::Summary, false, "10", "20"},
    };
    for (const auto& c : cases) {
        VoucherLine line = c.line;
        EXPECT_EQ(clearOppositeAmount(line, c.typed), c.cleared) << c.typed;
        EXPECT_EQ(line[VoucherLine::Debit], c.debit) << c.typed;
        EXPECT_EQ(line[VoucherLine::Credit], c.credit) << c.typed;
    }
}

TEST(VoucherLineRules, EveryRefusedNumberIsToldItsFault)
{
    const struct {
        int code;
        bool automatic;
        std::string_view told;
    } cases[] = {
        {-1, false, "凭证号为空！"},        {-1, true, ""},
        {-2, false, "凭证号只能为数字！"},  {-3, true, "未录凭证分类号！"},
        {-4, true, "无此凭证分类号！"},     {-5, false, "未录凭证顺序号！"},
        {-5, true, ""},                     {-6, false, "凭证顺序号只能为数字！"},
        {-7, false, "凭证号不能为零！"},    {-8, false, "凭证顺序号不能为零！"},
        {1, false, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(numberRefusal(c.code, c.automatic), c.told) << c.code << " " << c.automatic;
}

} // namespace
} // namespace kszw::test
