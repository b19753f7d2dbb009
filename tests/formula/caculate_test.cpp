// CCaculate: precedence, brackets, mixed number and string operands, error codes with their
// messages and positions, statement mode, and derived evaluators through the hooks.
#include "formula/caculate.h"

#include "common/clock.h"
#include "formula/evaluation_cases.h"

#include <gtest/gtest.h>

#include <map>

namespace kszw {
namespace {

using test::N;
using test::Result;
using test::run;
using test::S;
using test::ValueCase;

TEST(Evaluator, EvaluatesOperatorsByPrecedence)
{
    const ValueCase cases[] = {
        {"1+2*3", N, "7.000000"},
        {"(1+2)*3", N, "9.000000"},
        {"[1+2]*3", N, "9.000000"},
        {"[1+2)*3", N, "9.000000"},
        {"2^3^2", N, "512.000000"},
        {"2*3^2", N, "18.000000"},
        {"-2^2", N, "4.000000"},
        {"2^-1", N, "0.500000"},
        {"10-4-3", N, "3.000000"},
        {"12/4/3", N, "1.000000"},
        {"1+2*3-4/2", N, "5.000000"},
        {" 1 +\t2 ", N, "3.000000"},
        {"--3", N, "3.000000"},
        {"+-3", N, "-3.000000"},
        {"!0", N, "1.000000"},
        {"!5", N, "0.000000"},
        {"1+2>2", N, "1.000000"},
        {"3>=3", N, "1.000000"},
        {"3<=2", N, "0.000000"},
        {"2=2", N, "1.000000"},
        {"2!=2", N, "0.000000"},
        {"1<2=1", N, "1.000000"},
        {"1=1&&2>1", N, "1.000000"},
        {"0||0", N, "0.000000"},
        {"0||1&&0", N, "0.000000"},
        {"1||0&&0", N, "0.000000"},
        {"0.5&&2", N, "1.000000"},
        {"1/3", N, "0.333333"},
        {"1/3*3", N, "0.999999"},
        {"0.1234567", N, "0.123457"},
        {"1/128", N, "0.007813"},
        {"0-1/128", N, "-0.007813"},
        {"0.0000005", N, "0.000000"},
        {"1.", N, "1.000000"},
        {".5", N, "0.500000"},
        {"0-0", N, "0.000000"},
        {"1000000*1000000", N, "1000000000000.000000"},
    };
    CCaculate evaluator;
    test::expectValues(evaluator, cases);
}

TEST(Evaluator, MixesNumbersAndStringsAsText)
{
    const ValueCase cases[] = {
        {"\"abc\"", S, "abc"},
        {"\"abc\"+1", S, "abc1"},
        {"1+\"abc\"", S, "1abc"},
        {"\"abc\"+1.50", S, "abc1.5"},
        {"\"abc\"+0", S, "abc"},
        {"\"abc   \"-\"d\"", S, "abcd"},
        {"\"  abc\"-\"d\"", S, "  abcd"},
        {"\"a\"+\"b\"+\"c\"", S, "abc"},
        {"abc", S, "abc"},
        {"abc+1", S, "abc1"},
        {"\"a\">\"b\"", N, "0.000000"},
        {"\"b\">\"a\"", N, "1.000000"},
        {"\"ab\"=\"ab\"", N, "1.000000"},
        {"\"ab\"!=\"ab\"", N, "0.000000"},
        {"10>\"9\"", N, "0.000000"},
        {"1.5=\"1.5\"", N, "1.000000"},
        {"\"中\">\"a\"", N, "1.000000"},
        {"\"\"", S, ""},
        {"\"a+b\"", S, "a+b"},
    };
    CCaculate evaluator;
    test::expectValues(evaluator, cases);
}

// A number meeting a string is written as FormatNumber writes it with up to six decimals and the
// commas removed, so zero (and anything that rounds to it) becomes the empty text.
TEST(Evaluator, WritesANumberMeetingAStringWithoutZeroCommasOrTrailingZeros)
{
    const ValueCase cases[] = {
        {"\"a\"+0", S, "a"},
        {"0+\"a\"", S, "a"},
        {"\"a\"+(1-1)", S, "a"},
        {"\"a\"-0", S, "a"},
        {"\"\"=0", N, "1.000000"},
        {"\"0\"=0", N, "0.000000"},
        {"\"x\"+0.5", S, "x0.5"},
        {"\"x\"+1234567", S, "x1234567"},
        {"\"x\"+(0-1234567.25)", S, "x-1234567.25"},
        {"\"x\"+0.0000004", S, "x"},
        {"\"x\"+1/128", S, "x0.007813"},
    };
    CCaculate evaluator;
    test::expectValues(evaluator, cases);
}

TEST(Evaluator, EmptyExpressionSucceedsWithoutValue)
{
    for (const char* expression : {"", "   ", "\t"}) {
        Result result = run(expression);
        EXPECT_TRUE(result.ok);
        EXPECT_EQ(result.type, ValueType::Number);
        EXPECT_EQ(result.value, "");
        EXPECT_EQ(result.code, 0);
    }
}

struct ErrorCase {
    const char* expression;
    int code;
    const char* message;
    int position;
};

TEST(Evaluator, ReportsEachErrorWithMessageAndPosition)
{
    const ErrorCase cases[] = {
        {"(1+2", -1, "括号出错！", 4},
        {"1+2)", -1, "括号出错！", 4},
        {"(1+2]]", -1, "括号出错！", 6},
        {"()", -1, "括号出错！", 2},
        {"1/0", -2, "除数为零！", 3},
        {"1/(0.00000001)", -2, "除数为零！", 14},
        {"5/(2-2)+1", -2, "除数为零！", 8},
        {"1.2.3", -3, "数字出错！", 5},
        {"12abc+1", -3, "数字出错！", 5},
        {"1,2", -8, "符号出错！", 2},
        {"a.b(1)", -4, "函数名或变量名中有非法字符！", 3},
        {"#a.b", -4, "函数名或变量名中有非法字符！", 4},
        {"#a(1)", -4, "函数名或变量名中有非法字符！", 2},
        {"abs(1", -5, "函数无右括号！", 5},
        {"abs((1)", -5, "函数无右括号！", 7},
        {"#x", -6, "变量名出错！", 2},
        {"1+#total*2", -6, "变量名出错！", 8},
        {"foo(1)", -7, "函数名出错！", 6},
        {"1 & 2", -8, "符号出错！", 3},
        {"1 | 2", -8, "符号出错！", 3},
        {"1 2", -9, "运算符号出错！", 3},
        {"1+", -9, "运算符号出错！", 2},
        {"*3", -9, "运算符号出错！", 1},
        {"1+*2", -9, "运算符号出错！", 3},
        {"(1)(2)", -9, "运算符号出错！", 4},
        {"abs (1)", -9, "运算符号出错！", 5},
        {"(-8)^0.5", -10, "幂运算出错！", 8},
        {"0^-1", -10, "幂运算出错！", 4},
        {"iif(1,2)", -11, "函数参数数目过少！", 8},
        {"abs()", -11, "函数参数数目过少！", 5},
        {"abs(1,2)", -12, "函数参数数目过多！", 8},
        {"\"abc", -13, "引号不配对！", 4},
        {"1+\"abc", -13, "引号不配对！", 6},
        {"abs(\"x)", -13, "引号不配对！", 7},
        {"\"abc\"*2", -14, "数据类型不匹配！", 7},
        {"\"a\"/\"b\"", -14, "数据类型不匹配！", 7},
        {"\"a\"^2", -14, "数据类型不匹配！", 5},
        {"\"a\"&&1", -14, "数据类型不匹配！", 6},
        {"-\"a\"", -14, "数据类型不匹配！", 4},
        {"sqrt(-4)", -15, "数学函数的定义域出错！", 8},
        {"\"中文\"*2", -14, "数据类型不匹配！", 6},
        {"\"中文\"+1/0", -2, "除数为零！", 8},
        {"1+abs(2/0)", -2, "除数为零！", 9},
        {"abs(1+abs(\"x\"))", -14, "数据类型不匹配！", 14},
        {"10^400", -10, "幂运算出错！", 6},
    };
    for (const ErrorCase& c : cases) {
        Result result = run(c.expression);
        EXPECT_FALSE(result.ok) << c.expression;
        EXPECT_EQ(result.code, c.code) << c.expression;
        EXPECT_EQ(result.message, c.message) << c.expression;
        EXPECT_EQ(result.position, c.position) << c.expression;
    }
}

TEST(Evaluator, NumberTooLargeForADoubleIsANumberError)
{
    Result result = run(std::string(400, '9') + "+1");
    EXPECT_EQ(result.code, -3);
    EXPECT_EQ(result.position, 400);
    EXPECT_EQ(run("1000000000^40").code, -10);
    EXPECT_EQ(run("10000000000*10000000000*10000000000*10000000000*10000000000*10000000000*10000000000*"
                  "10000000000*10000000000*10000000000*10000000000*10000000000*10000000000*10000000000*"
                  "10000000000*10000000000*10000000000*10000000000*10000000000*10000000000*10000000000*"
                  "10000000000*10000000000*10000000000*10000000000*10000000000*10000000000*10000000000*"
                  "10000000000*10000000000*10000000000*10000000000")
                  .code,
              -3);
}

TEST(Evaluator, ErrorMessagesMatchTheirCodes)
{
    EXPECT_EQ(CCaculate::ErrorMessage(-1), "括号出错！");
    EXPECT_EQ(CCaculate::ErrorMessage(-4), "函数名或变量名中有非法字符！");
    EXPECT_EQ(CCaculate::ErrorMessage(-15), "数学函数的定义域出错！");
    EXPECT_EQ(CCaculate::ErrorMessage(0), "");
    EXPECT_EQ(CCaculate::ErrorMessage(-16), "");
}

TEST(Evaluator, DeepNestingFailsInsteadOfExhaustingTheStack)
{
    std::string brackets = std::string(100000, '(') + "1" + std::string(100000, ')');
    Result result = run(brackets);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.code, -1);

    std::string calls;
    for (int i = 0; i < 5000; ++i)
        calls += "abs(";
    calls += "1" + std::string(5000, ')');
    result = run(calls);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.code, -1);

    EXPECT_TRUE(run(std::string(150, '(') + "1" + std::string(150, ')')).ok);
    EXPECT_EQ(run(std::string(100000, '-') + "1").value, "1.000000");
    std::string powers = "1";
    for (int i = 0; i < 100000; ++i)
        powers += "^1";
    EXPECT_EQ(run(powers).value, "1.000000");
}

TEST(Evaluator, CalcNumberRequiresANumber)
{
    CCaculate evaluator;
    double value = 99;
    EXPECT_TRUE(evaluator.CalcNumber(value, "2*3.5"));
    EXPECT_EQ(value, 7);
    EXPECT_TRUE(evaluator.CalcNumber(value, ""));
    EXPECT_EQ(value, 0);
    value = 99;
    EXPECT_FALSE(evaluator.CalcNumber(value, "\"abc\""));
    EXPECT_EQ(value, 0);
    int code = 0;
    int position = 0;
    std::string message;
    EXPECT_TRUE(evaluator.GetError(code, message, position));
    EXPECT_EQ(code, -14);
    EXPECT_EQ(message, "数据类型不匹配！");
    value = 99;
    EXPECT_FALSE(evaluator.CalcNumber(value, "1/0"));
    EXPECT_EQ(value, 0);
    EXPECT_TRUE(evaluator.CalcNumber(value, "1+1"));
    EXPECT_EQ(evaluator.ErrorCode(), 0);
}

TEST(EvaluatorStatements, IgnoresCommentsOutsideStrings)
{
    CCaculate evaluator;
    evaluator.SetStatementMode(true);
    const ValueCase cases[] = {
        {"1+2 // the rest is a comment", N, "3.000000"},
        {"/* a */ 2*3 /* b */", N, "6.000000"},
        {"2*/*inner*/3", N, "6.000000"},
        {"1+\n2 // first\n+3", N, "6.000000"},
        {"\"//x\"+1", S, "//x1"},
        {"\"/*\"+\"*/\"", S, "/**/"},
        {"// only a comment", N, ""},
        {"1 /* unterminated", N, "1.000000"},
    };
    for (const ValueCase& c : cases) {
        Result result = run(evaluator, c.expression);
        EXPECT_TRUE(result.ok) << c.expression << ": " << result.message;
        EXPECT_EQ(result.type, c.type) << c.expression;
        EXPECT_EQ(result.value, c.value) << c.expression;
    }
    EXPECT_FALSE(run("1 // no comments outside statement mode").ok);
}

TEST(EvaluatorStatements, ErrorPositionCountsTheCharactersOfComments)
{
    CCaculate evaluator;
    evaluator.SetStatementMode(true);
    Result result = run(evaluator, "/* 中文 */ 1/0");
    EXPECT_EQ(result.code, -2);
    EXPECT_EQ(result.position, 12);
}

TEST(EvaluatorStatements, ReadsLabelsAndSkipsStatementsOfOtherLabels)
{
    CCaculate evaluator;
    evaluator.SetStatementMode(true);
    Result result = run(evaluator, "10: 5+5");
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(result.value, "10.000000");
    EXPECT_EQ(evaluator.FoundLabel(), 10);

    result = run(evaluator, "5+5");
    EXPECT_EQ(result.value, "10.000000");
    EXPECT_EQ(evaluator.FoundLabel(), std::nullopt);

    evaluator.SetWantedLabel(20);
    result = run(evaluator, "10: 1/0");
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(result.value, "");
    result = run(evaluator, "1/0");
    EXPECT_TRUE(result.ok);
    result = run(evaluator, "20 : 7");
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(result.value, "7.000000");

    evaluator.SetWantedLabel(std::nullopt);
    result = run(evaluator, "10: 1/0");
    EXPECT_EQ(result.code, -2);
    EXPECT_EQ(result.position, 7);
}

// An evaluator with a variable table and two functions of its own, counting nested evaluators.
class TableEvaluator : public CCaculate {
public:
    std::map<std::string, std::pair<std::string, ValueType>, std::less<>> variables;
    int* clones = nullptr;

    bool GetVariable(std::string_view name, std::string& value, ValueType& type) override
    {
        auto found = variables.find(name);
        if (found == variables.end())
            return CCaculate::GetVariable(name, value, type);
        value = found->second.first;
        type = found->second.second;
        return true;
    }

    bool CallFunction(std::string_view name, std::string_view arguments, std::string& value,
                      ValueType& type) override
    {
        if (name == "twice") {
            double number = 0;
            ValueType argumentType = ValueType::Number;
            std::string text;
            if (!EvaluateNested(arguments, text, argumentType))
                return false;
            number = std::stod(text);
            value = std::to_string(number * 2);
            type = ValueType::Number;
            return true;
        }
        if (name == "tablename") {
            SetErrorText("默认表名出错！");
            return false;
        }
        if (name == "silent")
            return false;
        return CCaculate::CallFunction(name, arguments, value, type);
    }

    std::unique_ptr<CCaculate> Clone() const override
    {
        if (clones)
            ++*clones;
        return std::make_unique<TableEvaluator>();
    }

    void CopySettings(CCaculate& nested) const override
    {
        auto& table = static_cast<TableEvaluator&>(nested);
        table.variables = variables;
        table.clones = clones;
    }
};

TEST(EvaluatorHooks, DerivedVariablesAndFunctionsWorkInsideArguments)
{
    int clones = 0;
    TableEvaluator evaluator;
    evaluator.clones = &clones;
    evaluator.variables["#a"] = {"5", ValueType::Number};
    evaluator.variables["#s"] = {"x", ValueType::String};
    evaluator.variables["#bad"] = {"not a number", ValueType::Number};

    EXPECT_EQ(run(evaluator, "#a+1").value, "6.000000");
    EXPECT_EQ(run(evaluator, "#s+\"y\"").value, "xy");
    EXPECT_EQ(run(evaluator, "#bad").value, "0.000000");
    EXPECT_EQ(clones, 0);
    EXPECT_EQ(run(evaluator, "abs(0-#a)").value, "5.000000");
    EXPECT_EQ(clones, 1);
    EXPECT_EQ(run(evaluator, "round(twice(#a+1)/7,2)").value, "1.710000");
    EXPECT_EQ(run(evaluator, "iif(#a>1,twice(abs(#a)),0)").value, "10.000000");
}

TEST(EvaluatorHooks, DerivedErrorTextIsReportedWithCodeZero)
{
    TableEvaluator evaluator;
    for (const char* expression : {"tablename(1)", "1+abs(tablename(1))"}) {
        Result result = run(evaluator, expression);
        EXPECT_FALSE(result.ok) << expression;
        EXPECT_EQ(result.code, 0) << expression;
        EXPECT_EQ(result.message, "默认表名出错！") << expression;
        int code = 0;
        int position = 0;
        std::string message;
        EXPECT_FALSE(evaluator.GetError(code, message, position));
    }
    Result result = run(evaluator, "twice(1/0)");
    EXPECT_EQ(result.code, -2);
    result = run(evaluator, "silent(1)");
    EXPECT_EQ(result.code, -7);
    result = run(evaluator, "#unknown");
    EXPECT_EQ(result.code, -6);
}

TEST(EvaluatorHooks, NestedEvaluatorsShareTheClock)
{
    FixedClock clock({2007, 3, 15});
    CCaculate evaluator;
    evaluator.SetClock(clock);
    EXPECT_EQ(run(evaluator, "date()").value, "20070315.000000");
    EXPECT_EQ(run(evaluator, "abs(date()-20070000)").value, "315.000000");
}

} // namespace
} // namespace kszw
