// Importing subjects and opening balances: all or nothing, the refused row named by its line.
#include "chart/chart_fixture.h"
#include "chart/chart_import.h"
#include "chart/chart_listing.h"
#include "chart/currencies.h"
#include "chart/exchange_rates.h"
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
    for (const char* amount : {"1e5", "inf", "10000000000000"})
        EXPECT_EQ(importOpeningBalances(db, std::string("code,direction,amount,quantity\n1001,借,") + amount + ",\n").text(),
                  "第 2 行：金额和数量只能是数字，整数部分不超过13位！")
            << amount;
    EXPECT_EQ(importOpeningBalances(db, "code,direction,amount,quantity\n1001,借,-5,\n").text(),
              "第 2 行：期初余额不能为负数，请用借贷方向表示余额的方向!");
}

TEST_F(ChartTest, CurrenciesAreImportedThroughTheAddOperationAllOrNothing)
{
    add("6603", "财务费用");
    add("6603-1", "汇兑损益");
    ImportResult result = importCurrencies(db, "code,name,gain_loss_subject\n"
                                               "01,美元,6603-1\n"
                                               "12,港币,6603-1\n");
    ASSERT_TRUE(result.ok) << result.text();
    EXPECT_EQ(result.rows, 2);
    const std::vector<CurrencyLine> lines = listCurrencies(db);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].code, "1");
    EXPECT_EQ(lines[1].text(), "12      港币            6603-1");

    const std::pair<const char*, const char*> refusals[] = {
        {"3,日元,6603-1\n4,欧元,6603\n", "第 3 行：汇兑损益科目不存在或非最低明细科目，请重输！"},
        {"3,日元,6603-1\n3,日币,6603-1\n", "第 3 行：代码重复，请重输！"},
        {"0,日元,6603-1\n", "第 2 行：币种代码不能为空或小于1，请重输！"},
        {"3,日元\n", "第 2 行：应有 3 列，实有 2 列！"},
    };
    for (const auto& [rows, text] : refusals) {
        EXPECT_EQ(importCurrencies(db, std::string("code,name,gain_loss_subject\n") + rows).text(), text) << rows;
        EXPECT_EQ(count("SELECT count(*) FROM WBT"), 2) << rows;
    }
    EXPECT_EQ(importCurrencies(db, "code,name\n").text(), "第 1 行：表头应为：code,name,gain_loss_subject");
}

TEST_F(ChartTest, RatesAreImportedWithinTheYearAllOrNothing)
{
    add("6603", "汇兑损益");
    ASSERT_TRUE(addCurrency(db, {"1", "美元", "6603"}).ok);
    const RateYear year{"20260101", "20261231"};
    ImportResult result = importRates(db, year, "currency,date,foreign,local\n"
                                                "1,20260105,100,683.25\n"
                                                "01,20260301,1,6.832512\n");
    ASSERT_TRUE(result.ok) << result.text();
    EXPECT_EQ(result.rows, 2);
    const std::vector<RateLine> rates = listRates(db, "1");
    ASSERT_EQ(rates.size(), 2u);
    EXPECT_DOUBLE_EQ(rates[1].local, 6.832512);

    const std::pair<const char*, const char*> refusals[] = {
        {"1,20260401,1,6.9\n1,2026-05-01,1,6.9\n", "第 3 行：日期“2026-05-01”不合法，应为YYYYMMDD格式的8位数字！"},
        {"1,20260401,1,6.9\n1,20260230,1,6.9\n", "第 3 行：设置的日期不合理，输入一数!"},
        {"1,20270101,1,6.9\n", "第 2 行：所设置的时间已不在本年度的\r年初日与年末日之间，请重输!"},
        {"1,20260105,1,6.9\n", "第 2 行：本次输入时间已有汇率，不允许重复设置，请重输！"},
        {"2,20260401,1,6.9\n", "第 2 行：代码为“2”的外币币种不存在！"},
        {"x,20260401,1,6.9\n", "第 2 行：币种代码“x”不合法，应为正整数！"},
        {"1,20260401,0.0005,6.9\n", "第 2 行：外币数不合理，输入一数!"},
    };
    for (const auto& [rows, text] : refusals) {
        EXPECT_EQ(importRates(db, year, std::string("currency,date,foreign,local\n") + rows).text(), text) << rows;
        EXPECT_EQ(count("SELECT count(*) FROM WBR"), 2) << rows;
    }
}

} // namespace
} // namespace kszw::test
