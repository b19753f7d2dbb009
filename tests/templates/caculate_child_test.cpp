// The template evaluator: the voucher's year and month, the file's name, #-variables from KSVAR
// (nested, kinds, a variable defined by itself), and the data functions against the ledgers.
#include "accountset/year_file.h"
#include "chart/chart_import.h"
#include "ledger/three_column_ledger.h"
#include "store/database.h"
#include "support/temp_dir.h"
#include "templates/caculate_child.h"

#include <gtest/gtest.h>

namespace kszw::test {
namespace {

class CaculateChildTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        path = dir.file("2026.ksk");
        createYearFile(path, 2026);
        db = Database::open(path);
        ASSERT_TRUE(importSubjects(db, "code,name,kind,unit,multi_column,direction,width\n"
                                       "1001,库存现金,0,,0,0,0\n1002,银行存款,0,,0,0,0\n1002-1,工商银行,0,,0,0,0\n")
                        .ok);
        // Opening 1000 on 1001; January: debit 200 (posted), credit 50 (posted), debit 7 (not posted).
        insert("20260101", "    ", "1001", 1, 1000, "4", "01");
        insert("20260110", "0001", "1001", 1, 200, "4", "01");
        insert("20260111", "0002", "1001", -1, 50, "4", "01");
        insert("20260112", "0003", "1001", 1, 7, "2", "01");
        insert("20260210", "0001", "1002-1", 1, 30, "4", "02");
    }

    void insert(const std::string& date, const std::string& number, const std::string& code, int f, double amount,
                const std::string& mk, const std::string& month)
    {
        db.execute("INSERT INTO P0(T,CER,RN,MRY,KNO,F,MY,NU,MK,TT) VALUES(?1,?2,1,'x',?3,?4,?5,2,?6,?7)",
                   {date, number, code, static_cast<std::int64_t>(f), amount, mk, month});
    }

    std::string evaluate(const std::string& expression, const std::string& monthEnd = "031",
                         CivilDate date = CivilDate{2026, 3, 15})
    {
        CCaculateChild evaluator(db, AccountingCalendar(2026, "20260101", "20261231", monthEnd), "2026.ksk", date);
        evaluator.LoadVariables();
        std::string value;
        ValueType type = ValueType::Number;
        if (evaluator.Evaluate(value, type, expression))
            return value;
        int code = 0, position = 0;
        std::string message;
        evaluator.GetError(code, message, position);
        return "error: " + message;
    }

    TempDir dir;
    std::string path;
    Database db;
};

TEST_F(CaculateChildTest, TheVoucherDateAndTheFileName)
{
    EXPECT_EQ(evaluate("pzt(0)"), "2026.000000");
    EXPECT_EQ(evaluate("pzt(1)"), "3.000000");
    // With months closing on the 25th, 28 January lies in month 2.
    EXPECT_EQ(evaluate("pzt(1)", "025", CivilDate{2026, 1, 28}), "2.000000");
    EXPECT_EQ(evaluate("zw()"), "2026.ksk");
    EXPECT_EQ(evaluate("#n*100+#y"), "202603.000000"); // the variables of every new file
    EXPECT_EQ(evaluate("yd(2026,2)"), "20260228.000000");
    EXPECT_EQ(evaluate("yd(2025,2)"), "error: 取月末日函数据的年参数出错！");
    EXPECT_EQ(evaluate("bb(1)"), "error: 函数名出错！");
}

TEST_F(CaculateChildTest, VariablesNestUpToALimitAndKeepTheirKind)
{
    db.execute("INSERT INTO KSVAR(SVAR,SEXP,SNOTE,NTYPE) VALUES('#a','#a+1','',2),('#b','#y*10','',1),"
               "('#c','\"x\"','',1),('#f','12','',0)");
    EXPECT_EQ(evaluate("#b+1"), "31.000000");
    EXPECT_EQ(evaluate("#a"), "error: 变量“#a”的定义嵌套超过100层！");
    EXPECT_EQ(evaluate("#c"), "error: 数据类型不匹配！");
    EXPECT_EQ(evaluate("#f+\"x\""), "12x");
    EXPECT_EQ(evaluate("#e"), "error: 变量名出错！");
}

TEST_F(CaculateChildTest, AHundredVariablesDeepIsTheLimit)
{
    // #v1 = #v2+1 … #v100 = 1: a chain of a hundred evaluates; one more link is refused.
    for (int i = 1; i <= 100; ++i)
        db.execute("INSERT INTO KSVAR(SVAR,SEXP,SNOTE,NTYPE) VALUES(?1,?2,'',2)",
                   {"#v" + std::to_string(i), i < 100 ? "#v" + std::to_string(i + 1) + "+1" : std::string("1")});
    EXPECT_EQ(evaluate("#v1"), "100.000000");
    db.execute("INSERT INTO KSVAR(SVAR,SEXP,SNOTE,NTYPE) VALUES('#v0','#v1+1','',2)");
    EXPECT_EQ(evaluate("#v0"), "error: 变量“#v100”的定义嵌套超过100层！");
}

TEST_F(CaculateChildTest, TheDefaultFileAndTableMustBeTheOpenOnes)
{
    const struct {
        const char* z;
        const char* d;
        const char* result;
    } cases[] = {
        {"zw()", "\"P0\"", "1150.000000"},
        {"\"/books/2026.KSK\"", "\"\"", "1150.000000"},
        {"\"2025.ksk\"", "\"P0\"", "error: 默认帐务文件名出错！"},
        {"zw()", "\"P9\"", "error: 默认表名出错！"},
        {"zw()", "jf(\"1001\",1)", "error: 默认表名出错！"},
    };
    for (const auto& c : cases) {
        db.execute("DELETE FROM KSVAR WHERE SVAR IN ('#z','#d')");
        db.execute("INSERT INTO KSVAR(SVAR,SEXP,SNOTE,NTYPE) VALUES('#z',?1,'',0),('#d',?2,'',0)", {c.z, c.d});
        EXPECT_EQ(evaluate("ye(\"1001\",1)"), c.result) << c.z << " " << c.d;
    }
    // Without data functions the defaults are not read.
    EXPECT_EQ(evaluate("#y+1"), "4.000000");
    db.execute("DELETE FROM KSVAR WHERE SVAR IN ('#z','#d')");
    EXPECT_EQ(evaluate("jf(\"1001\",3,1)"), "error: 月份参数出错，起始月份不能大于终止月份！");
}

TEST_F(CaculateChildTest, TheDataFunctionsAgreeWithTheLedger)
{
    EXPECT_EQ(evaluate("ye(\"1001\",0)"), "1000.000000");
    EXPECT_EQ(evaluate("ye(1001,1)"), "1150.000000");
    EXPECT_EQ(evaluate("jf(\"1001\",1)"), "200.000000"); // no opening row, no unposted line
    EXPECT_EQ(evaluate("df(\"1001\",1,12)"), "50.000000");
    EXPECT_EQ(evaluate("ye(\"1002\",2)"), "30.000000"); // the subtree
    EXPECT_EQ(evaluate("jsl(\"1001\",1)"), "2.000000");
    EXPECT_EQ(evaluate("ye(\"9999\",1)"), "error: 科目“9999”出错！");
    EXPECT_EQ(evaluate("ye(\"1001\",13)"), "error: 月份参数出错，应为0到12的整数！");
    EXPECT_EQ(evaluate("ye(\"1001\")"), "error: 函数参数数目过少！");
    EXPECT_EQ(evaluate("jf(\"1001\",a1:a2)"), "error: 不能使用块参数！");
    // The ledger's January: 本月合计 debit 200.00, balance 1,150.00.
    const std::vector<LedgerRow> rows =
        BuildDetailText(db, AccountingCalendar(2026, "20260101", "20261231", "031"), {"1001", 1, 1});
    EXPECT_EQ(rows[rows.size() - 2].cells[4], "200.00");
    EXPECT_EQ(rows.back().cells[7], "1,150.00");
}

} // namespace
} // namespace kszw::test
