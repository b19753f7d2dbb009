// The built-in functions of the evaluator: results, argument counts, argument types and domains.
#include "formula/caculate.h"

#include "common/clock.h"
#include "formula/evaluation_cases.h"

#include <gtest/gtest.h>

namespace kszw {
namespace {

using test::N;
using test::S;
using FunctionCase = test::ValueCase;

TEST(EvaluatorFunctions, ComputeTheirResults)
{
    const FunctionCase cases[] = {
        {"abs(0-2.5)", N, "2.500000"},
        {"ABS(0-1)", N, "1.000000"},
        {"absz(0-5)", N, "0.000000"},
        {"absz(5)", N, "5.000000"},
        {"absf(0-5)", N, "5.000000"},
        {"absf(5)", N, "0.000000"},
        {"sign(0-3)", N, "-1.000000"},
        {"sign(0)", N, "0.000000"},
        {"sign(0.000001)", N, "1.000000"},
        {"exp(0)", N, "1.000000"},
        {"ln(1)", N, "0.000000"},
        {"log(1000)", N, "3.000000"},
        {"sqrt(16)", N, "4.000000"},
        {"sqrt(0-0.0000001)", N, "0.000000"},
        {"sin(0)", N, "0.000000"},
        {"cos(0)", N, "1.000000"},
        {"tg(0)", N, "0.000000"},
        {"ctg(1)", N, "0.642093"},
        {"arcsin(1)", N, "1.570796"},
        {"arccos(1)", N, "0.000000"},
        {"arctg(1)", N, "0.785398"},
        {"iif(0,1,2)", N, "2.000000"},
        {"iif(1=1,\"yes\",\"no\")", S, "yes"},
        {"iif(0,1/0,5)", N, "5.000000"},
        {"iif(1,5,1/0)", N, "5.000000"},
        {"iif(0.00000001,1,2)", N, "2.000000"},
        {"caseif()", N, "0.000000"},
        {"caseif(7)", N, "7.000000"},
        {"caseif(0,1,1,2,3)", N, "2.000000"},
        {"caseif(0,1,0,2,3)", N, "3.000000"},
        {"caseif(1,\"a\",1/0,2,3)", S, "a"},
        {"round(2.675,2)", N, "2.680000"},
        {"round(0-2.5,0)", N, "-3.000000"},
        {"round(1234.5678,0-2)", N, "1200.000000"},
        {"round(0.004,1)", N, "0.000000"},
        {"round(1.23456,10)", N, "1.234560"},
        {"round(1.005,2)", N, "1.010000"},
        {"round(0.125,2)", N, "0.130000"},
        {"round(0-0.125,2)", N, "-0.130000"},
        {"round(2.5,0)", N, "3.000000"},
        {"round(0.5,0)", N, "1.000000"},
        {"round(0.49,0)", N, "0.000000"},
        {"round(9.995,2)", N, "10.000000"},
        {"round(5,0-1)", N, "10.000000"},
        {"round(4.9,0-1)", N, "0.000000"},
        {"round(0-999.5,0)", N, "-1000.000000"},
        {"round(1234567890.123445,4)", N, "1234567890.123400"},
        {"len(\"abc\")", N, "3.000000"},
        {"len(\"中文a\")", N, "5.000000"},
        {"len(12.5)", N, "4.000000"},
        {"len(\"\")", N, "0.000000"},
        {"val(\"12.5abc\")", N, "12.500000"},
        {"val(\"abc\")", N, "0.000000"},
        {"val(3)", N, "3.000000"},
        {"str(3.50)", S, "3.5"},
        {"str(0)", S, ""},
        {"str(0.0000001)", S, ""},
        {"str(1234567)", S, "1234567"},
        {"len(0)", N, "0.000000"},
        {"left(0,1)", S, ""},
        {"str(1/3)", S, "0.333333"},
        {"left(\"中文a\",3)", S, "中"},
        {"left(\"中文a\",4)", S, "中文"},
        {"left(\"abc\",0-1)", S, ""},
        {"left(\"abc\",10)", S, "abc"},
        {"right(\"中文a\",3)", S, "文a"},
        {"right(\"中文a\",2)", S, "a"},
        {"right(12345,2)", S, "45"},
        {"trim(\"  a b  \")", S, "a b"},
        {"triml(\"  a b  \")", S, "a b  "},
        {"trimr(\"  a b  \")", S, "  a b"},
        {"date(2008,2,29)", N, "20080229.000000"},
        {"money(10005.10)", S, "壹万零伍元壹角"},
        {"money(100)", S, "壹佰元整"},
        {"money(0.05)", S, "伍分"},
        {"money(0-3)", S, "负叁元整"},
        {"money(0)", S, ""},
        {"num(2007)", S, "二○○七"},
        {"num(12.9)", S, "一二"},
        {"abs( 1 )", N, "1.000000"},
        {"abs[0-1]", N, "1.000000"},
        {"left(\"a,b\",3)", S, "a,b"},
        {"left(\"(\"+\")\",1)", S, "("},
    };
    FixedClock clock({2007, 3, 15});
    CCaculate evaluator;
    evaluator.SetClock(clock);
    test::expectValues(evaluator, cases);
}

struct FunctionErrorCase {
    const char* expression;
    int code;
};

TEST(EvaluatorFunctions, RefuseWrongArgumentsWithTheirCodes)
{
    const FunctionErrorCase cases[] = {
        {"iif(1,2)", -11},
        {"iif(1,2,3,4)", -12},
        {"iif(\"x\",1,2)", -14},
        {"caseif(0,1)", -11},
        {"caseif(\"x\",1,2)", -14},
        {"abs()", -11},
        {"abs(1,2)", -12},
        {"abs(\"x\")", -14},
        {"round(1)", -11},
        {"round(\"a\",1)", -14},
        {"left(\"abc\")", -11},
        {"left(\"abc\",\"x\")", -14},
        {"sqrt(0-4)", -15},
        {"ln(0)", -15},
        {"ln(0-1)", -15},
        {"log(0)", -15},
        {"ctg(0)", -15},
        {"arcsin(2)", -15},
        {"arccos(0-1.5)", -15},
        {"exp(1000)", -3},
        {"date(2007,1)", -11},
        {"date(1,2,3,4)", -12},
        {"date(2007,2,29)", -15},
        {"date(2007,13,1)", -15},
        {"date(2007,1.5,1)", -15},
        {"date(\"2007\",1,1)", -14},
        {"money(\"x\")", -14},
        {"num(1e30)", -3},
        {"num(10000000000000000000)", -3},
        {"nosuch(1)", -7},
    };
    for (const FunctionErrorCase& c : cases) {
        CCaculate evaluator;
        std::string value;
        ValueType type = ValueType::Number;
        EXPECT_FALSE(evaluator.Evaluate(value, type, c.expression)) << c.expression;
        int code = 0;
        int position = 0;
        std::string message;
        evaluator.GetError(code, message, position);
        EXPECT_EQ(code, c.code) << c.expression;
        EXPECT_EQ(message, CCaculate::ErrorMessage(c.code)) << c.expression;
    }
}

TEST(EvaluatorFunctions, DateWithoutArgumentsIsTodayAsYyyymmdd)
{
    FixedClock clock({2024, 12, 31});
    CCaculate evaluator;
    evaluator.SetClock(clock);
    double value = 0;
    ASSERT_TRUE(evaluator.CalcNumber(value, "date()"));
    EXPECT_EQ(value, 20241231);
    ASSERT_TRUE(evaluator.CalcNumber(value, "date()>=date(2024,1,1)"));
    EXPECT_EQ(value, 1);
}

TEST(EvaluatorFunctions, SplitArgumentsAtTopLevelCommasOnly)
{
    std::vector<CallArgument> arguments = CCaculate::SplitArguments("1, f(2,3), \"a,b\", [4,5]");
    ASSERT_EQ(arguments.size(), 4u);
    EXPECT_EQ(arguments[0].text, "1");
    EXPECT_EQ(arguments[1].text, " f(2,3)");
    EXPECT_EQ(arguments[2].text, " \"a,b\"");
    EXPECT_EQ(arguments[2].offset, 10);
    EXPECT_EQ(arguments[3].text, " [4,5]");
    EXPECT_TRUE(CCaculate::SplitArguments("  ").empty());
    EXPECT_EQ(CCaculate::SplitArguments(",").size(), 2u);
}

} // namespace
} // namespace kszw
