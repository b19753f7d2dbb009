// The voucher summary: a line counts under each of its ancestors level by level, the choice by
// number or by class with its status range, and a big choice equals a direct sum.
#include "voucher/voucher_fixture.h"

#include "formula/format_number.h"
#include "store/transaction.h"
#include "voucher/voucher_summary.h"

#include <cmath>

namespace kszw::test {
namespace {

class SummaryTest : public VoucherTest {
protected:
    void SetUp() override
    {
        VoucherTest::SetUp();
        ASSERT_TRUE(importSubjects(env.db(), "code,name,kind,unit,multi_column,direction,width\n"
                                             "101,现金类,0,,0,0,0\n101-2,零用金,0,,0,0,0\n"
                                             "101-2-3,办公室,0,,0,0,0\n101-10,备用金,0,,0,0,0\n"
                                             "501,营业外收入,0,,0,0,0\n")
                        .ok);
    }

    static std::vector<std::string> codes(const VoucherSummary& summary)
    {
        std::vector<std::string> result;
        for (const SummaryRow& row : summary.rows)
            result.push_back(row.code);
        return result;
    }

    SummarySelection byNumber(std::vector<std::string> numbers) { return {"03", false, std::move(numbers), {}, {}}; }
};

TEST_F(SummaryTest, ALineCountsUnderEachOfItsAncestorsLevelByLevel)
{
    Database& db = env.db();
    insertRawVoucher(db, "20260305", "0001",
                     {{"a", "101-2-3", 1, 30}, {"b", "101-10", 1, 5}, {"c", "1001", 1, 1.5}, {"d", "501", -1, 36.5}});
    insertRawVoucher(db, "20260306", "0002", {{"e", "1002-1", 1, 7}, {"f", "101-2-3", -1, 7}});
    const SummarySelection selection = byNumber({"0001", "0002"});

    const VoucherSummary top = BuildSummary(db, selection, "");
    // 101 before 501 before 1001 before 1002: in the order of the codes' numbers.
    EXPECT_EQ(codes(top), (std::vector<std::string>{"101", "501", "1001", "1002"}));
    EXPECT_EQ(top.rows[0].name, "现金类");
    EXPECT_DOUBLE_EQ(top.rows[0].debit, 35);
    EXPECT_DOUBLE_EQ(top.rows[0].credit, 7);
    EXPECT_EQ(top.rows[1].name, "营业外收入"); // a top-level leaf keeps its name
    EXPECT_DOUBLE_EQ(top.rows[1].credit, 36.5);
    EXPECT_DOUBLE_EQ(top.debitTotal, 43.5);
    EXPECT_DOUBLE_EQ(top.creditTotal, 43.5);
    EXPECT_EQ(summaryRowCells(top.rows[0]), (std::vector<std::string>{"101", "现金类", "35.00", "7.00"}));
    EXPECT_EQ(summaryTotalsCells(top), (std::vector<std::string>{"", "    合      计", "43.50", "43.50"}));

    const VoucherSummary below101 = BuildSummary(db, selection, "101");
    EXPECT_EQ(codes(below101), (std::vector<std::string>{"101-2", "101-10"}));
    EXPECT_DOUBLE_EQ(below101.rows[0].debit, 30);
    EXPECT_DOUBLE_EQ(below101.debitTotal, 35);
    const VoucherSummary below10102 = BuildSummary(db, selection, "101-2");
    EXPECT_EQ(codes(below10102), std::vector<std::string>{"101-2-3"});
    EXPECT_EQ(below10102.rows[0].name, "办公室");

    EXPECT_TRUE(summaryCanOpen(db, "101"));
    EXPECT_TRUE(summaryCanOpen(db, "101-2"));
    EXPECT_FALSE(summaryCanOpen(db, "101-2-3"));
    EXPECT_FALSE(summaryCanOpen(db, "501"));
    EXPECT_EQ(summaryParentUp("101-2"), "101");
    EXPECT_EQ(summaryParentUp("101"), "");
    EXPECT_EQ(summaryParentUp(""), "");
}

TEST_F(SummaryTest, OnlyTheChosenVouchersCount)
{
    Database& db = env.db();
    insertBalancedVoucher(db, "20260305", "0001", 10);
    insertBalancedVoucher(db, "20260306", "0002", 20);
    insertBalancedVoucher(db, "20260405", "0001", 40); // April
    // Opening rows carry no voucher number.
    db.execute("INSERT INTO P0(T,CER,RN,MRY,KNO,F,MY,NU,MK,TT) VALUES('20260101','    ',0,'','1001',1,5,0,'4','03')");
    const VoucherSummary summary = BuildSummary(db, byNumber({"0002"}), "");
    EXPECT_EQ(codes(summary), (std::vector<std::string>{"1001", "1002"}));
    EXPECT_DOUBLE_EQ(summary.debitTotal, 20);
    // An empty choice: no rows, a zero total.
    const VoucherSummary empty = BuildSummary(db, byNumber({}), "");
    EXPECT_TRUE(empty.rows.empty());
    EXPECT_EQ(summaryTotalsCells(empty), (std::vector<std::string>{"", "    合      计", "0.00", "0.00"}));
}

TEST_F(SummaryTest, ByClassTheRangeDecidesWhichStatusesCount)
{
    Database& db = env.db();
    db.execute("INSERT INTO CERCLS(CNO,NA) VALUES('A','现金'),('B','银行')");
    insertBalancedVoucher(db, "20260305", "A001", 10, "4", "102", "103");
    insertBalancedVoucher(db, "20260306", "A002", 20, "2");
    insertBalancedVoucher(db, "20260307", "A003", 40, "0"); // incomplete: never counted
    insertBalancedVoucher(db, "20260308", "B001", 80, "4", "102", "103");
    const struct {
        VoucherRange range;
        std::vector<std::string> classes;
        double total;
    } cases[] = {
        {VoucherRange::All, {"A"}, 30},       {VoucherRange::Reviewed, {"A"}, 10},
        {VoucherRange::Unreviewed, {"A"}, 20}, {VoucherRange::Reviewed, {"A", "B"}, 90},
    };
    for (const auto& c : cases) {
        SummarySelection selection{"03", true, {}, c.classes, c.range};
        EXPECT_DOUBLE_EQ(BuildSummary(db, selection, "").debitTotal, c.total) << static_cast<int>(c.range);
    }
}

TEST_F(SummaryTest, FifteenHundredChosenVouchersAddUpToTheDirectSum)
{
    Database& db = env.db();
    std::vector<std::string> numbers;
    {
        Transaction transaction(db);
        for (int i = 1; i <= 1500; ++i) {
            char number[8];
            std::snprintf(number, sizeof number, "%04d", i);
            insertBalancedVoucher(db, "20260310", number, 0.01 * i + 0.07);
            if (i != 700)
                numbers.push_back(number);
        }
        transaction.commit();
    }
    const VoucherSummary summary = BuildSummary(db, byNumber(numbers), "");
    const double direct = *db.queryDouble("SELECT sum(MY) FROM P0 WHERE F=1 AND CER<>'0700'");
    EXPECT_NEAR(summary.debitTotal, direct, 0.000001);
    EXPECT_EQ(FixedText(summary.creditTotal, 2), FixedText(direct, 2));
}

TEST(SummaryTexts, HeaderFootAndColumns)
{
    EXPECT_EQ(summaryHeaderLabel(2026, 3), "2026 年 3 月");
    EXPECT_EQ(summaryColumnTitles(), (std::vector<std::string>{"科目代码", "科  目  名  称   ", "借方发生额", "贷方发生额"}));
    EXPECT_EQ(summaryFootTexts("张会计", "李复核"),
              (std::vector<std::string>{"会计主管：张会计", "复  核：", "制  表：李复核"}));
    EXPECT_EQ(summaryPageText(2), "第 2 页");
}

} // namespace
} // namespace kszw::test
