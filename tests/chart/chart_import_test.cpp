// Importing subjects and opening balances: all or nothing, the refused row named by its line.
#include "chart/chart_fixture.h"
#include "chart/chart_import.h"
#include "chart/chart_listing.h"
#include "chart/opening_balances.h"

namespace kszw::test {
namespace {

constexpr const char* kHeader = "code,name,kind,unit,multi_column,direction,width\n";

TEST_F(ChartTest, ASubjectsFileIsImportedThroughTheAddOperation)
{
    db.execute("INSERT INTO WBT(WNO,NA,HO) VALUES('1','美元',NULL)");
    const std::string csv = std::string("\xEF\xBB\xBF") + kHeader +
                            "1001,库存现金,0,,0,0,0\r\n"
                            "1002,银行存款,0,,0,0,0\n"
                            "1002-01,工商银行,0,,0,0,0\n"
                            "1002-2,\"美元户, 中行\",2,1,0,0,0\n"
                            "1403,原材料,1,吨,0,0,0\n"
                            "6602,管理费用,0,,1,0,0\n"
                            "6602-1,办公费,0,,0,1,5\n";
    ImportResult result = importSubjects(db, csv);
    ASSERT_TRUE(result.ok) << result.text();
    EXPECT_EQ(result.rows, 7);
    // A segment's leading zeros go, as in the dialog.
    EXPECT_TRUE(subjectExists(db, "1002-1"));
    EXPECT_EQ(subjectName(db, "1002-2"), "美元户,中行");
    EXPECT_EQ(count("SELECT count(*) FROM SUBT WHERE KNO='1002-2' AND FZ='2' AND FZN='1'"), 1);
    EXPECT_EQ(count("SELECT count(*) FROM SUBT WHERE KNO='6602-1' AND DLF=1 AND DLW=5"), 1);
    std::vector<ChartRow> rows = buildChartListing(db, "");
    ASSERT_EQ(rows.size(), 7u);
    EXPECT_EQ(rows[2], (ChartRow{"  1002-1", "工商银行", "2", "", "", ""}));
    EXPECT_EQ(rows[4], (ChartRow{"1403", "原材料", "1", "", "", "数量金额"}));
    EXPECT_EQ(rows[5], (ChartRow{"6602", "管理费用", "1", "多栏", "", ""}));
    EXPECT_EQ(rows[6], (ChartRow{"  6602-1", "办公费", "2", "", "借", ""}));
}

TEST_F(ChartTest, ABadRowInTheMiddleWritesNothingAndNamesItsLine)
{
    struct Case {
        const char* rows;
        const char* text;
    };
    const Case cases[] = {
        {"1001,库存现金,0,,0,0,0\n1.5,坏,0,,0,0,0\n1002,银行,0,,0,0,0\n",
         "第 3 行：科目代码“1.5”不合法：应为以“-”连接的数字段，不超过14个字符、6级！"},
        {"1001,库存现金,0,,0,0,0\n1001,重复,0,,0,0,0\n", "第 3 行：该代码已存在，请重输!"},
        {"1001,库存现金,x,,0,0,0\n", "第 2 行：辅助核算类别只能是0、1或2！"},
        {"1001,库存现金,0,,0,0\n", "第 2 行：应有 7 列，实有 6 列！"},
        {"1001-1,孤,0,,0,0,0\n", "第 2 行：父科目“1001”不存在，父科目应排在子科目之前！"},
        {"1403,原材料,1,,0,0,0\n", "第 2 行：数量单位不能为空，请重输!"},
        {"1001,库存现金,0,,0,0,0\n\"1002\"x,坏,0,,0,0,0\n", "第 3 行：CSV 格式错误：引号后有多余的字符"},
        {"1001,\"库存\n现金,0,,0,0,0\n", "第 2 行：CSV 格式错误：引号未闭合"},
    };
    for (const Case& c : cases) {
        ImportResult result = importSubjects(db, std::string(kHeader) + c.rows);
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.text(), c.text) << c.rows;
        EXPECT_EQ(count("SELECT count(*) FROM SUBT"), 0) << c.rows;
    }
    // Zero segments, depth and length: the dialog's own refusals.
    db.execute("INSERT INTO SUBT(KNO,NA,CLAS,OP,FZ,FZN,DL,DLF,DLW) VALUES('1234567890123','长',1,'0','0',NULL,'0',0,0)");
    db.execute("INSERT INTO SUBT(KNO,NA,CLAS,OP,FZ,FZN,DL,DLF,DLW) VALUES('1-1-1-1-1-1','深',6,'0','0',NULL,'0',0,0)");
    const std::pair<const char*, const char*> refusals[] = {
        {"0-1,零,0,,0,0,0\n", "第 2 行：父科目“0”不存在，父科目应排在子科目之前！"},
        {"1-00,零,0,,0,0,0\n", "第 2 行：代码不能为空或小于 1，请重输!"},
        {"1-1-1-1-1-1-1,七级,0,,0,0,0\n", "第 2 行：该科目级数达６级，不能再设置子科目!"},
        {"1234567890123-1,长子,0,,0,0,0\n", "第 2 行：该代码长度已不够，不能再设置子科目!"},
    };
    for (const auto& [row, text] : refusals)
        EXPECT_EQ(importSubjects(db, std::string(kHeader) + row).text(), text) << row;
    EXPECT_EQ(count("SELECT count(*) FROM SUBT"), 2);
    EXPECT_EQ(importSubjects(db, "kno,name\n1001,a\n").text(),
              "第 1 行：表头应为：code,name,kind,unit,multi_column,direction,width");
    EXPECT_EQ(importSubjects(db, "").text(), "文件为空，没有表头行！");
}

TEST_F(ChartTest, OpeningBalancesAreImportedAllOrNothing)
{
    add("1001", "现金");
    add("2202", "应付");
    add("1403", "原材料", 1, "吨");
    ImportResult result = importOpeningBalances(db, "code,direction,amount,quantity\n"
                                                    "1001,借,100.50,\n"
                                                    "2202,-1,30,0\n"
                                                    "1403,1,250,10\n");
    ASSERT_TRUE(result.ok) << result.text();
    EXPECT_EQ(result.rows, 3);
    OpeningBalanceLevel level = openingBalanceLevel(db, "");
    EXPECT_DOUBLE_EQ(level.debitTotal, 350.5);
    EXPECT_DOUBLE_EQ(level.creditTotal, 30.0);
    ImportResult bad = importOpeningBalances(db, "code,direction,amount,quantity\n"
                                                 "1001,借,1,\n"
                                                 "2202,左,30,0\n");
    EXPECT_EQ(bad.text(), "第 3 行：余额方向只能是借、贷（或1、-1）！");
    EXPECT_DOUBLE_EQ(openingBalance(db, "1001")->amount, 100.5);
    EXPECT_EQ(importOpeningBalances(db, "code,direction,amount,quantity\n1001,借,1e5,\n").text(),
              "第 2 行：金额和数量只能是数字！");
    EXPECT_EQ(importOpeningBalances(db, "code,direction,amount,quantity\n1001,借,-5,\n").text(),
              "第 2 行：期初余额不能为负数，请用借贷方向表示余额的方向!");
}

} // namespace
} // namespace kszw::test
