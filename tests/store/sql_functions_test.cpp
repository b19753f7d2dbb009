#include "store/database.h"
#include "store/sql_functions.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace kszw {
namespace {

class SqlFunctions : public ::testing::Test {
protected:
    test::TempDir dir;
    Database db = Database::create(dir.file("2026.ksk"));

    std::string text(const std::string& sql) { return db.queryText(sql).value_or("<null>"); }
    double number(const std::string& sql) { return db.queryDouble(sql).value_or(-999); }
};

TEST_F(SqlFunctions, ValReadsTheLeadingNumber)
{
    struct Case {
        const char* expression;
        double value;
    };
    const Case cases[] = {
        {"val(' 12abc')", 12},  {"val('')", 0},        {"val('abc')", 0},     {"val('  -3.5x')", -3.5},
        {"val('101-01')", 101}, {"val('1e3')", 1000},  {"val('1e')", 1},      {"val('.5')", 0.5},
        {"val('0012')", 12},    {"val(NULL)", 0},      {"val(42)", 42},       {"val('+7')", 7},
        {"val('-')", 0},        {"val('12.')", 12},    {"val('1.2.3')", 1.2}, {"val('\t9')", 9},
    };
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(number(std::string("SELECT ") + c.expression), c.value) << c.expression;
}

TEST_F(SqlFunctions, ValOrdersSubjectCodesNumerically)
{
    db.execute("CREATE TABLE t(kno CHAR(14))");
    for (const char* code : {"1001", "501", "102", "21"})
        db.execute("INSERT INTO t VALUES(?1)", {std::string(code)});
    Statement rows = db.prepare("SELECT kno FROM t ORDER BY val(kno)");
    std::string order;
    while (rows.step())
        order += rows.columnText(0) + " ";
    EXPECT_EQ(order, "21 102 501 1001 ");
}

TEST_F(SqlFunctions, StrcompIsExactMinusOneZeroOne)
{
    struct Case {
        const char* expression;
        int value;
    };
    const Case cases[] = {
        {"strcomp('a','b',0)", -1},       {"strcomp('b','a',0)", 1},       {"strcomp('a','a',0)", 0},
        {"strcomp('A','a',0)", -1},       {"strcomp('a','A',1)", 0},       {"strcomp('    ','    ',0)", 0},
        {"strcomp('0001','    ',0)", 1},  {"strcomp('abc','abc ',0)", -1}, {"strcomp('12','2',0)", -1},
        {"abs(strcomp('0012','    ',0))", 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(db.queryLong(std::string("SELECT ") + c.expression), c.value) << c.expression;
    EXPECT_EQ(text("SELECT strcomp(NULL,'a',0)"), "<null>");
}

TEST_F(SqlFunctions, CstrWritesTheShortestPlainText)
{
    struct Case {
        const char* expression;
        const char* text;
    };
    const Case cases[] = {
        {"cstr(12)", "12"},       {"cstr(12.0)", "12"},   {"cstr(0.1)", "0.1"},
        {"cstr(-3.25)", "-3.25"}, {"cstr(0.0)", "0"},     {"cstr(1234567.89)", "1234567.89"},
        {"cstr(0.1+0.2)", "0.3"}, {"cstr('abc')", "abc"}, {"cstr(1e20)", "100000000000000000000"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(text(std::string("SELECT ") + c.expression), c.text) << c.expression;
}

TEST(SqlFunctionHelpers, MatchTheSqlFunctions)
{
    EXPECT_DOUBLE_EQ(leadingNumber(" 12abc"), 12);
    EXPECT_EQ(compareStrings("a", "B", 0), 1);
    EXPECT_EQ(compareStrings("a", "B", 1), -1);
    EXPECT_EQ(numberToPlainText(-0.0), "0");
    EXPECT_EQ(numberToPlainText(100.5), "100.5");
}

} // namespace
} // namespace kszw
