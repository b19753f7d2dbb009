// Random expressions against the evaluator: it never crashes or hangs, it either succeeds or
// reports one of its own codes with that code's message and a position inside the text, and
// generated arithmetic agrees with a direct computation of the same tree.
#include "formula/caculate.h"

#include "common/text.h"
#include "formula/format_number.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace kszw {
namespace {

// Evaluates and checks the outcome; sets succeeded when the evaluation succeeded.
void expectWellFormedOutcome(CCaculate& evaluator, const std::string& expression, bool& succeeded)
{
    std::string value;
    ValueType type = ValueType::Number;
    bool ok = evaluator.Evaluate(value, type, expression);
    succeeded = ok;
    int code = 0;
    int position = 0;
    std::string message;
    bool failed = evaluator.GetError(code, message, position);
    if (ok) {
        ASSERT_EQ(code, 0) << expression;
        ASSERT_FALSE(failed) << expression;
        if (type == ValueType::Number && !value.empty()) {
            ASSERT_TRUE(std::isfinite(ReadNumber(value))) << expression << " = " << value;
        }
        return;
    }
    ASSERT_TRUE(failed) << expression;
    ASSERT_GE(code, -15) << expression;
    ASSERT_LE(code, -1) << expression;
    ASSERT_EQ(message, CCaculate::ErrorMessage(code)) << expression;
    ASSERT_GE(position, 0) << expression;
    ASSERT_LE(position, charCount(expression)) << expression;
}

TEST(EvaluatorFuzz, RandomTokenSequencesSucceedOrReportADefinedCode)
{
    static const char* const kPieces[] = {
        "1", "0", "2.5", "12", ".", "1.2.3", "+", "-", "*", "/", "^", "!", "=", "!=", ">", "<", ">=", "<=",
        "&&", "||", "&", "|", "(", ")", "[", "]", ",", "\"", "\"ab \"", "abc", "#a", "#", "#x.y", " ", "\t",
        "abs(", "iif(", "caseif(", "round(", "left(", "right(", "len(", "money(", "num(", "date(", "sqrt(",
        "ln(", "ctg(", "str(", "val(", "trim(", "foo(", "中", "文(", "。", "//", "/*", "*/", "\n", "99999999",
    };
    std::mt19937 random(424242);
    std::uniform_int_distribution<size_t> piece(0, std::size(kPieces) - 1);
    std::uniform_int_distribution<int> length(0, 40);
    CCaculate evaluator;
    int successes = 0;
    for (int i = 0; i < 6000; ++i) {
        std::string expression;
        for (int n = length(random); n > 0; --n)
            expression += kPieces[piece(random)];
        evaluator.SetStatementMode(i % 3 == 0);
        bool succeeded = false;
        expectWellFormedOutcome(evaluator, expression, succeeded);
        if (HasFatalFailure())
            return;
        successes += succeeded;
    }
    EXPECT_GT(successes, 100);
}

// A random expression that is mostly well formed: operands, calls with any number of arguments
// and operators of every level.
std::string randomExpression(std::mt19937& random, int depth)
{
    static const char* const kOperands[] = {"1", "0", "2.5", "100", "0.000001", "\"ab \"", "\"中文\"", "abc", "#a"};
    static const char* const kFunctions[] = {"abs", "absz", "absf", "sign", "exp", "ln", "log", "sqrt", "sin",
                                             "cos", "tg", "ctg", "arcsin", "arccos", "arctg", "iif", "caseif",
                                             "round", "len", "val", "str", "left", "right", "trim", "triml",
                                             "trimr", "date", "money", "num", "nosuch"};
    static const char* const kOperators[] = {"+", "-", "*", "/", "^", ">", "<", ">=", "<=", "=", "!=", "&&", "||"};
    std::uniform_int_distribution<int> percent(0, 99);
    auto pick = [&](const auto& list) { return std::string(list[static_cast<size_t>(percent(random)) % std::size(list)]); };
    int choice = depth <= 0 ? 0 : percent(random);
    std::string text;
    if (choice < 40) {
        text = pick(kOperands);
    } else if (choice < 60) {
        text = "(" + randomExpression(random, depth - 1) + ")";
    } else if (choice < 80) {
        text = pick(kFunctions) + "(";
        int arguments = percent(random) % 5;
        for (int i = 0; i < arguments; ++i)
            text += (i ? "," : "") + randomExpression(random, depth - 1);
        text += ")";
    } else {
        text = randomExpression(random, depth - 1) + pick(kOperators) + randomExpression(random, depth - 1);
    }
    if (percent(random) < 10)
        text = (percent(random) % 2 ? "-" : "!") + text;
    return text;
}

TEST(EvaluatorFuzz, MostlyWellFormedExpressionsSucceedOrReportADefinedCode)
{
    std::mt19937 random(3030);
    std::uniform_int_distribution<int> percent(0, 99);
    CCaculate evaluator;
    int successes = 0;
    for (int i = 0; i < 5000; ++i) {
        std::string expression = randomExpression(random, 4);
        if (percent(random) < 20 && !expression.empty()) {
            size_t at = static_cast<size_t>(percent(random)) % expression.size();
            if (percent(random) % 2)
                expression.erase(at, 1);
            else
                expression.insert(at, 1, "()[],\"#&|"[percent(random) % 10]);
        }
        bool succeeded = false;
        expectWellFormedOutcome(evaluator, expression, succeeded);
        if (HasFatalFailure())
            return;
        successes += succeeded;
    }
    EXPECT_GT(successes, 1000);
}

TEST(EvaluatorFuzz, RandomBytesSucceedOrReportADefinedCode)
{
    std::mt19937 random(7);
    std::uniform_int_distribution<int> byte(1, 255);
    std::uniform_int_distribution<int> length(0, 30);
    CCaculate evaluator;
    for (int i = 0; i < 3000; ++i) {
        std::string expression;
        for (int n = length(random); n > 0; --n)
            expression += static_cast<char>(byte(random));
        bool succeeded = false;
        expectWellFormedOutcome(evaluator, expression, succeeded);
        if (HasFatalFailure())
            return;
    }
}

// A random arithmetic tree written with only the brackets precedence needs, and its value.
struct Generated {
    std::string text;
    long long value;
    int level; // 3 operand, 2 product, 1 sum
};

Generated generate(std::mt19937& random, int depth)
{
    std::uniform_int_distribution<int> small(0, 99);
    if (depth == 0 || small(random) < 25) {
        long long number = small(random);
        return {std::to_string(number), number, 3};
    }
    Generated left = generate(random, depth - 1);
    Generated right = generate(random, depth - 1);
    static const char kOperators[] = {'+', '-', '*'};
    char op = kOperators[small(random) % 3];
    int level = op == '*' ? 2 : 1;
    // Left operands need brackets below this level, right operands at it too (a-(b-c)).
    if (left.level < level)
        left.text = "(" + left.text + ")";
    if (right.level <= level)
        right.text = (small(random) % 2 ? "[" : "(") + right.text + (small(random) % 2 ? "]" : ")");
    long long value = op == '+' ? left.value + right.value : op == '-' ? left.value - right.value
                                                                         : left.value * right.value;
    return {left.text + op + right.text, value, level};
}

TEST(EvaluatorFuzz, GeneratedArithmeticFollowsPrecedence)
{
    std::mt19937 random(1990);
    CCaculate evaluator;
    int checked = 0;
    for (int i = 0; i < 3000; ++i) {
        Generated generated = generate(random, 4);
        if (std::llabs(generated.value) > 1000000000000LL)
            continue;
        double value = 0;
        ASSERT_TRUE(evaluator.CalcNumber(value, generated.text)) << generated.text;
        ASSERT_EQ(value, static_cast<double>(generated.value)) << generated.text;
        ++checked;
    }
    EXPECT_GT(checked, 2000);
}

} // namespace
} // namespace kszw
