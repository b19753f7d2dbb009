// CCaculate's built-in functions and the nested evaluators that evaluate function arguments.
// A call's argument text is split at its top-level commas; each argument is evaluated by a fresh
// evaluator of the same concrete class (Clone, then CopySettings), so a derived evaluator's
// variables and data functions work inside arguments too. iif and caseif evaluate only the
// arguments they need, so iif(x=0,0,1/x) does not divide by zero.
#include "formula/caculate.h"

#include "common/clock.h"
#include "common/dates.h"
#include "common/text.h"
#include "formula/chinese_amounts.h"
#include "formula/format_number.h"

#include <algorithm>
#include <cmath>

namespace kszw {

namespace {

constexpr double kSignThreshold = 0.0000001;
constexpr double kDomainTolerance = 0.000001;
constexpr int kMaxNesting = 200;

enum class Builtin {
    Abs, Absz, Absf, Sign, Exp, Ln, Log, Sqrt, Sin, Cos, Tg, Ctg, Arcsin, Arccos, Arctg,
    Iif, Caseif, Round, Len, Val, Str, Left, Right, Trim, Triml, Trimr, Date, Money, Num,
};

struct BuiltinEntry {
    std::string_view name;
    Builtin function;
    int minArguments;
    int maxArguments; // -1: any number
};

constexpr BuiltinEntry kBuiltins[] = {
    {"abs", Builtin::Abs, 1, 1},       {"absz", Builtin::Absz, 1, 1},     {"absf", Builtin::Absf, 1, 1},
    {"sign", Builtin::Sign, 1, 1},     {"exp", Builtin::Exp, 1, 1},       {"ln", Builtin::Ln, 1, 1},
    {"log", Builtin::Log, 1, 1},       {"sqrt", Builtin::Sqrt, 1, 1},     {"sin", Builtin::Sin, 1, 1},
    {"cos", Builtin::Cos, 1, 1},       {"tg", Builtin::Tg, 1, 1},         {"ctg", Builtin::Ctg, 1, 1},
    {"arcsin", Builtin::Arcsin, 1, 1}, {"arccos", Builtin::Arccos, 1, 1}, {"arctg", Builtin::Arctg, 1, 1},
    {"iif", Builtin::Iif, 3, 3},       {"caseif", Builtin::Caseif, 0, -1}, {"round", Builtin::Round, 2, 2},
    {"len", Builtin::Len, 1, 1},       {"val", Builtin::Val, 1, 1},       {"str", Builtin::Str, 1, 1},
    {"left", Builtin::Left, 2, 2},     {"right", Builtin::Right, 2, 2},   {"trim", Builtin::Trim, 1, 1},
    {"triml", Builtin::Triml, 1, 1},   {"trimr", Builtin::Trimr, 1, 1},   {"date", Builtin::Date, 0, 3},
    {"money", Builtin::Money, 1, 1},   {"num", Builtin::Num, 1, 1},
};

const BuiltinEntry* findBuiltin(std::string_view name)
{
    for (const BuiltinEntry& entry : kBuiltins)
        if (equalsIgnoreCase(entry.name, name))
            return &entry;
    return nullptr;
}

// round(x, d). The evaluator carries every number as its six-decimal text, so the rounding works
// exactly on those digits, half away from zero: round(2.675,2) is 2.68, as the argument reads
// 2.675000, although the binary value nearest 2.675 lies a little below it. Decimals below zero
// round to tens, hundreds …; six or more leave the number as it is.
double roundDecimal(double value, int decimals)
{
    if (!std::isfinite(value) || decimals >= 6)
        return value;
    std::string text = FixedText(std::fabs(value), 6);
    const size_t integerLength = text.find('.');
    text.erase(integerLength, 1); // all digits, the last six of them decimals
    const long keep = static_cast<long>(integerLength) + decimals;
    if (keep < 0)
        return 0;
    std::string kept = text.substr(0, static_cast<size_t>(keep));
    if (text[static_cast<size_t>(keep)] >= '5') {
        size_t i = kept.size();
        while (i > 0 && kept[i - 1] == '9')
            kept[--i] = '0';
        if (i == 0)
            kept.insert(0, 1, '1');
        else
            ++kept[i - 1];
    }
    if (kept.empty())
        return 0;
    double rounded = ReadNumber(kept + "e" + std::to_string(-decimals));
    return value < 0 ? -rounded : rounded;
}

// The first count GBK bytes of the text, never splitting a character.
std::string leftBytes(std::string_view text, double count)
{
    std::string result;
    int used = 0;
    for (const std::string& c : splitChars(text)) {
        used += gbkLength(c);
        if (used > count)
            break;
        result += c;
    }
    return result;
}

// The last count GBK bytes of the text, never splitting a character.
std::string rightBytes(std::string_view text, double count)
{
    std::vector<std::string> chars = splitChars(text);
    size_t first = chars.size();
    int used = 0;
    while (first > 0) {
        used += gbkLength(chars[first - 1]);
        if (used > count)
            break;
        --first;
    }
    std::string result;
    for (size_t i = first; i < chars.size(); ++i)
        result += chars[i];
    return result;
}

} // namespace

std::vector<CallArgument> CCaculate::SplitArguments(std::string_view arguments)
{
    std::vector<CallArgument> result;
    if (trimWhitespace(arguments).empty())
        return result;
    int depth = 0;
    size_t start = 0;
    for (size_t i = 0; i < arguments.size(); ++i) {
        char c = arguments[i];
        if (c == '"') {
            size_t close = arguments.find('"', i + 1);
            i = close == std::string_view::npos ? arguments.size() - 1 : close;
        } else if (c == '(' || c == '[') {
            ++depth;
        } else if (c == ')' || c == ']') {
            --depth;
        } else if (c == ',' && depth == 0) {
            result.push_back({std::string(arguments.substr(start, i - start)), static_cast<int>(start)});
            start = i + 1;
        }
    }
    result.push_back({std::string(arguments.substr(start)), static_cast<int>(start)});
    return result;
}

std::unique_ptr<CCaculate> CCaculate::makeNested() const
{
    std::unique_ptr<CCaculate> nested = Clone();
    if (!nested)
        nested = std::make_unique<CCaculate>();
    nested->m_clock = m_clock;
    nested->m_nesting = m_nesting + m_brackets + 1;
    CopySettings(*nested);
    return nested;
}

bool CCaculate::EvaluateNested(std::string_view expression, std::string& value, ValueType& type)
{
    if (m_nesting + m_brackets + 1 > kMaxNesting)
        return fail(kBracketError);
    std::unique_ptr<CCaculate> nested = makeNested();
    if (!nested->Evaluate(value, type, expression)) {
        CopyError(*nested);
        return false;
    }
    return true;
}

bool CCaculate::evaluateArgument(CCaculate& nested, const CallArgument& argument, size_t argumentsStart,
                                 Value& result)
{
    if (nested.evaluateValue(argument.text, result))
        return true;
    CopyError(nested);
    m_errorPos = argumentsStart + static_cast<size_t>(argument.offset) + nested.m_errorPos;
    return false;
}

bool CCaculate::callFunction(std::string_view name, size_t argumentsStart, std::string_view arguments,
                             Value& result)
{
    if (const BuiltinEntry* entry = findBuiltin(name)) {
        std::vector<CallArgument> split = SplitArguments(arguments);
        int count = static_cast<int>(split.size());
        if (count < entry->minArguments)
            return fail(kTooFewArguments);
        if (entry->maxArguments >= 0 && count > entry->maxArguments)
            return fail(kTooManyArguments);
        if (m_nesting + m_brackets + 1 > kMaxNesting)
            return fail(kBracketError);
        return callBuiltin(static_cast<int>(entry - kBuiltins), split, argumentsStart, result);
    }
    std::string value;
    ValueType type = ValueType::Number;
    if (!CallFunction(name, arguments, value, type)) {
        if (m_errorCode == 0 && m_errorText.empty())
            SetError(kFunctionNameError);
        return false;
    }
    result = fromHook(value, type);
    return true;
}

bool CCaculate::callBuiltin(int index, const std::vector<CallArgument>& arguments, size_t argumentsStart,
                            Value& result)
{
    const Builtin function = kBuiltins[index].function;
    std::unique_ptr<CCaculate> nested = makeNested();
    auto evaluate = [&](size_t i, Value& value) {
        return evaluateArgument(*nested, arguments[i], argumentsStart, value);
    };
    auto condition = [&](size_t i, bool& truth) {
        Value value;
        if (!evaluate(i, value))
            return false;
        if (value.type != ValueType::Number)
            return fail(kTypeMismatch);
        truth = std::fabs(value.number) > kSignThreshold;
        return true;
    };

    if (function == Builtin::Iif) {
        bool truth = false;
        return condition(0, truth) && evaluate(truth ? 1 : 2, result);
    }
    if (function == Builtin::Caseif) {
        if (arguments.empty())
            return setNumber(result, 0, kNumberError);
        if (arguments.size() % 2 == 0)
            return fail(kTooFewArguments);
        for (size_t i = 0; i + 1 < arguments.size(); i += 2) {
            bool truth = false;
            if (!condition(i, truth))
                return false;
            if (truth)
                return evaluate(i + 1, result);
        }
        return evaluate(arguments.size() - 1, result);
    }

    std::vector<Value> values(arguments.size());
    for (size_t i = 0; i < arguments.size(); ++i)
        if (!evaluate(i, values[i]))
            return false;
    auto number = [&](size_t i, double& x) {
        if (values[i].type != ValueType::Number)
            return fail(kTypeMismatch);
        x = values[i].number;
        return true;
    };
    auto text = [&](size_t i) {
        return values[i].type == ValueType::String ? values[i].text : PlainNumberText(values[i].number);
    };
    auto setText = [&](std::string value) {
        result = Value{};
        result.type = ValueType::String;
        result.text = std::move(value);
        return true;
    };

    double x = 0;
    double y = 0;
    switch (function) {
    case Builtin::Abs:
        return number(0, x) && setNumber(result, std::fabs(x), kNumberError);
    case Builtin::Absz:
        return number(0, x) && setNumber(result, (std::fabs(x) + x) * 0.5, kNumberError);
    case Builtin::Absf:
        return number(0, x) && setNumber(result, (std::fabs(x) - x) * 0.5, kNumberError);
    case Builtin::Sign:
        return number(0, x) && setNumber(result, std::fabs(x) <= kSignThreshold ? 0.0 : (x > 0 ? 1.0 : -1.0),
                                         kNumberError);
    case Builtin::Exp:
        return number(0, x) && setNumber(result, std::exp(x), kNumberError);
    case Builtin::Ln:
    case Builtin::Log:
        // Below the tolerance is outside the domain; zero and the tiny negatives within the
        // tolerance have no logarithm either.
        if (!number(0, x))
            return false;
        if (x < -kDomainTolerance || x <= 0)
            return fail(kMathDomainError);
        return setNumber(result, function == Builtin::Ln ? std::log(x) : std::log10(x), kNumberError);
    case Builtin::Sqrt:
        if (!number(0, x))
            return false;
        if (x < -kDomainTolerance)
            return fail(kMathDomainError);
        return setNumber(result, std::sqrt(std::max(x, 0.0)), kNumberError);
    case Builtin::Sin:
        return number(0, x) && setNumber(result, std::sin(x), kNumberError);
    case Builtin::Cos:
        return number(0, x) && setNumber(result, std::cos(x), kNumberError);
    case Builtin::Tg:
        return number(0, x) && setNumber(result, std::tan(x), kMathDomainError);
    case Builtin::Ctg:
        if (!number(0, x))
            return false;
        if (std::fabs(std::tan(x)) <= kSignThreshold)
            return fail(kMathDomainError);
        return setNumber(result, 1.0 / std::tan(x), kMathDomainError);
    case Builtin::Arcsin:
    case Builtin::Arccos:
        if (!number(0, x))
            return false;
        if (std::fabs(x) > 1 + kDomainTolerance)
            return fail(kMathDomainError);
        x = std::clamp(x, -1.0, 1.0);
        return setNumber(result, function == Builtin::Arcsin ? std::asin(x) : std::acos(x), kNumberError);
    case Builtin::Arctg:
        return number(0, x) && setNumber(result, std::atan(x), kNumberError);
    case Builtin::Round:
        if (!number(0, x) || !number(1, y))
            return false;
        return setNumber(result, roundDecimal(x, static_cast<int>(std::clamp(std::round(y), -20.0, 20.0))),
                         kNumberError);
    case Builtin::Len:
        return setNumber(result, gbkLength(text(0)), kNumberError);
    case Builtin::Val:
        if (values[0].type == ValueType::Number)
            return setNumber(result, values[0].number, kNumberError);
        return setNumber(result, ReadNumber(values[0].text), kNumberError);
    case Builtin::Str:
        return setText(text(0));
    case Builtin::Left:
    case Builtin::Right:
        if (!number(1, y))
            return false;
        return setText(function == Builtin::Left ? leftBytes(text(0), y) : rightBytes(text(0), y));
    case Builtin::Trim:
        return setText(trim(text(0)));
    case Builtin::Triml:
        return setText(trimLeft(text(0)));
    case Builtin::Trimr:
        return setText(trimRight(text(0)));
    case Builtin::Date: {
        if (values.empty()) {
            CivilDate today = m_clock->today();
            return setNumber(result, today.year * 10000.0 + today.month * 100 + today.day, kNumberError);
        }
        if (values.size() < 3)
            return fail(kTooFewArguments);
        double parts[3];
        for (size_t i = 0; i < 3; ++i)
            if (!number(i, parts[i]))
                return false;
        for (double part : parts)
            if (part != std::floor(part) || part < 1 || part > 9999)
                return fail(kMathDomainError);
        int year = static_cast<int>(parts[0]);
        int month = static_cast<int>(parts[1]);
        int day = static_cast<int>(parts[2]);
        if (day > daysInMonth(year, month))
            return fail(kMathDomainError);
        return setNumber(result, year * 10000.0 + month * 100 + day, kNumberError);
    }
    case Builtin::Money:
        return number(0, x) && setText(AmountInCapitals(x));
    case Builtin::Num:
        if (!number(0, x))
            return false;
        if (std::fabs(x) >= 9.2e18)
            return fail(kNumberError);
        return setText(DigitsInChinese(static_cast<long long>(std::trunc(x))));
    case Builtin::Iif:
    case Builtin::Caseif:
        break;
    }
    return fail(kFunctionNameError);
}

double RoundDecimal(double value, int decimals)
{
    return roundDecimal(value, decimals);
}

} // namespace kszw
