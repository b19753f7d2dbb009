// Helpers shared by the evaluator tests: running an expression and reading back its result and
// error, and a table row of an expression with the value it must give.
#pragma once

#include "formula/caculate.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace kszw::test {

struct Result {
    bool ok = false;
    ValueType type = ValueType::Number;
    std::string value;
    int code = 0;
    std::string message;
    int position = 0;
};

inline Result run(CCaculate& evaluator, std::string_view expression)
{
    Result result;
    result.ok = evaluator.Evaluate(result.value, result.type, expression);
    evaluator.GetError(result.code, result.message, result.position);
    return result;
}

inline Result run(std::string_view expression)
{
    CCaculate evaluator;
    return run(evaluator, expression);
}

struct ValueCase {
    const char* expression;
    ValueType type;
    const char* value;
};

inline constexpr ValueType N = ValueType::Number;
inline constexpr ValueType S = ValueType::String;

// Every expression evaluates, with its type and value, on the evaluator given.
template <typename Cases>
void expectValues(CCaculate& evaluator, const Cases& cases)
{
    for (const ValueCase& c : cases) {
        Result result = run(evaluator, c.expression);
        EXPECT_TRUE(result.ok) << c.expression << ": " << result.message;
        EXPECT_EQ(result.type, c.type) << c.expression;
        EXPECT_EQ(result.value, c.value) << c.expression;
    }
}

} // namespace kszw::test
