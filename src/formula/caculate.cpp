// CCaculate: scanning and recursive-descent parsing of the formula language, the operators and
// the error reporting. The built-in functions are in caculate_functions.cpp.
#include "formula/caculate.h"

#include "common/clock.h"
#include "common/text.h"
#include "formula/format_number.h"

#include <cmath>
#include <cstring>

namespace kszw {

namespace {

constexpr double kTruthThreshold = 0.0000001;
constexpr double kDivisorThreshold = 0.0000001;
// Brackets and nested calls deeper than this fail with 括号出错！ instead of exhausting the stack.
constexpr int kMaxNesting = 200;

const SystemClock& systemClock()
{
    static const SystemClock clock;
    return clock;
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The characters that end a name or a number (besides blanks).
bool endsName(char c)
{
    return isBlank(c) || (c != '\0' && std::strchr("+-/*()[]^!=<&|>,\"", c) != nullptr);
}

bool isNameChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

bool isNumberLiteral(std::string_view text)
{
    int points = 0;
    int digits = 0;
    for (char c : text) {
        if (c == '.')
            ++points;
        else if (c >= '0' && c <= '9')
            ++digits;
        else
            return false;
    }
    return points <= 1 && digits > 0;
}

bool isTrue(double value)
{
    return std::fabs(value) > kTruthThreshold;
}

} // namespace

CCaculate::CCaculate() : m_clock(&systemClock()) {}

CCaculate::~CCaculate() = default;

std::string_view CCaculate::ErrorMessage(int code)
{
    switch (code) {
    case kBracketError: return "括号出错！";
    case kDivisionByZero: return "除数为零！";
    case kNumberError: return "数字出错！";
    case kIllegalNameChar: return "函数名或变量名中有非法字符！";
    case kFunctionNoCloser: return "函数无右括号！";
    case kVariableNameError: return "变量名出错！";
    case kFunctionNameError: return "函数名出错！";
    case kSymbolError: return "符号出错！";
    case kOperatorError: return "运算符号出错！";
    case kPowerError: return "幂运算出错！";
    case kTooFewArguments: return "函数参数数目过少！";
    case kTooManyArguments: return "函数参数数目过多！";
    case kUnpairedQuote: return "引号不配对！";
    case kTypeMismatch: return "数据类型不匹配！";
    case kMathDomainError: return "数学函数的定义域出错！";
    default: return {};
    }
}

void CCaculate::SetClock(const Clock& clock)
{
    m_clock = &clock;
}

bool CCaculate::GetError(int& code, std::string& message, int& position) const
{
    code = m_errorCode;
    message = code == 0 ? m_errorText : std::string(ErrorMessage(code));
    position = characterOffset(m_errorPos);
    return code < 0;
}

bool CCaculate::GetVariable(std::string_view, std::string&, ValueType&)
{
    SetError(kVariableNameError);
    return false;
}

bool CCaculate::CallFunction(std::string_view, std::string_view, std::string&, ValueType&)
{
    SetError(kFunctionNameError);
    return false;
}

std::unique_ptr<CCaculate> CCaculate::Clone() const
{
    return std::make_unique<CCaculate>();
}

void CCaculate::CopySettings(CCaculate&) const {}

void CCaculate::CopyError(const CCaculate& other)
{
    m_errorCode = other.m_errorCode;
    m_errorText = other.m_errorText;
}

bool CCaculate::IsReady() const
{
    return true;
}

void CCaculate::SetError(int code)
{
    m_errorCode = code;
    m_errorPos = m_pos;
}

bool CCaculate::fail(int code)
{
    SetError(code);
    return false;
}

int CCaculate::characterOffset(size_t bytePosition) const
{
    return charCount(std::string_view(m_buffer).substr(0, std::min(bytePosition, m_buffer.size())));
}

bool CCaculate::Evaluate(std::string& value, ValueType& type, std::string_view expression)
{
    Value result;
    value.clear();
    type = ValueType::Number;
    if (!evaluateValue(expression, result))
        return false;
    type = result.type;
    if (result.type == ValueType::String)
        value = std::move(result.text);
    else if (!result.blank)
        value = FixedText(result.number, 6);
    return true;
}

bool CCaculate::CalcNumber(double& result, std::string_view expression)
{
    Value value;
    result = 0;
    if (!evaluateValue(expression, value))
        return false;
    if (value.type != ValueType::Number)
        return fail(kTypeMismatch);
    result = value.number;
    return true;
}

bool CCaculate::evaluateValue(std::string_view expression, Value& result)
{
    m_errorCode = 0;
    m_errorText.clear();
    m_errorPos = 0;
    m_brackets = 0;
    m_buffer.assign(expression);
    m_pos = 0;
    m_token = Token::End;
    m_tokenText.clear();
    result = Value{};
    result.blank = true;

    if (m_statementMode) {
        prepareStatement();
        if (m_wantedLabel && m_foundLabel != m_wantedLabel)
            return true;
    }
    skipBlanks();
    if (m_pos >= m_buffer.size())
        return true;
    result.blank = false;
    if (!nextToken() || !parseLogic(result))
        return false;
    if (m_token == Token::End)
        return true;
    if (isOperator(")") || isOperator("]"))
        return fail(kBracketError);
    return fail(kOperatorError);
}

// Comments become blanks (one per character, so error positions still count the characters of
// the statement as written) and a leading "N:" label is taken off.
void CCaculate::prepareStatement()
{
    m_foundLabel.reset();
    const std::string& text = m_buffer;
    std::string out;
    out.reserve(text.size());
    size_t i = 0;
    auto blankOneChar = [&](size_t at) {
        size_t length = static_cast<size_t>(utf8SequenceLength(static_cast<unsigned char>(text[at])));
        out += text[at] == '\n' ? '\n' : ' ';
        return std::min(at + length, text.size());
    };
    while (i < text.size()) {
        char c = text[i];
        if (c == '"') {
            size_t close = text.find('"', i + 1);
            size_t end = close == std::string::npos ? text.size() : close + 1;
            out.append(text, i, end - i);
            i = end;
        } else if (c == '/' && i + 1 < text.size() && text[i + 1] == '/') {
            while (i < text.size() && text[i] != '\n')
                i = blankOneChar(i);
        } else if (c == '/' && i + 1 < text.size() && text[i + 1] == '*') {
            out += "  ";
            i += 2;
            while (i < text.size() && !(text[i] == '*' && i + 1 < text.size() && text[i + 1] == '/'))
                i = blankOneChar(i);
            if (i < text.size()) {
                out += "  ";
                i += 2;
            }
        } else {
            out += c;
            ++i;
        }
    }

    size_t start = 0;
    while (start < out.size() && isBlank(out[start]))
        ++start;
    size_t end = start;
    while (end < out.size() && out[end] >= '0' && out[end] <= '9')
        ++end;
    size_t colon = end;
    while (colon < out.size() && (out[colon] == ' ' || out[colon] == '\t'))
        ++colon;
    if (end > start && end - start <= 9 && colon < out.size() && out[colon] == ':') {
        m_foundLabel = std::stoi(out.substr(start, end - start));
        for (size_t k = start; k <= colon; ++k)
            out[k] = ' ';
    }
    m_buffer = std::move(out);
}

void CCaculate::skipBlanks()
{
    while (m_pos < m_buffer.size() && isBlank(m_buffer[m_pos]))
        ++m_pos;
}

bool CCaculate::nextToken()
{
    skipBlanks();
    m_tokenText.clear();
    if (m_pos >= m_buffer.size()) {
        m_token = Token::End;
        return true;
    }
    const std::string_view text = m_buffer;
    char c = text[m_pos];
    if (c == '"') {
        size_t close = text.find('"', m_pos + 1);
        if (close == std::string_view::npos) {
            m_pos = text.size();
            m_token = Token::Invalid;
            return fail(kUnpairedQuote);
        }
        m_tokenText.assign(text.substr(m_pos + 1, close - m_pos - 1));
        m_pos = close + 1;
        m_token = Token::String;
        return true;
    }
    static constexpr std::string_view kTwoCharOperators[] = {">=", "<=", "!=", "&&", "||"};
    for (std::string_view op : kTwoCharOperators) {
        if (text.substr(m_pos, 2) == op) {
            m_tokenText.assign(op);
            m_pos += 2;
            m_token = Token::Operator;
            return true;
        }
    }
    if (std::strchr("+-*/^()[]=><!", c) != nullptr) {
        m_tokenText.assign(1, c);
        ++m_pos;
        m_token = Token::Operator;
        return true;
    }
    if (c == '&' || c == '|' || c == ',') {
        ++m_pos;
        m_token = Token::Invalid;
        return fail(kSymbolError);
    }

    size_t start = m_pos;
    while (m_pos < text.size() && !endsName(text[m_pos]))
        ++m_pos;
    std::string_view name = text.substr(start, m_pos - start);
    m_tokenText.assign(name);
    if ((name[0] >= '0' && name[0] <= '9') || name[0] == '.') {
        m_token = Token::Number;
        return isNumberLiteral(name) ? true : fail(kNumberError);
    }
    if (m_pos < text.size() && (text[m_pos] == '(' || text[m_pos] == '[')) {
        m_token = Token::Function;
        for (char n : name)
            if (!isNameChar(n))
                return fail(kIllegalNameChar);
        return readFunctionArguments(m_pos);
    }
    if (name[0] == '#') {
        m_token = Token::Variable;
        for (char n : name.substr(1))
            if (!isNameChar(n))
                return fail(kIllegalNameChar);
        return true;
    }
    m_token = Token::Word;
    return true;
}

// Finds the bracket that closes a call (either kind closes either kind; quoted text is skipped).
bool CCaculate::readFunctionArguments(size_t open)
{
    int depth = 0;
    for (size_t i = open; i < m_buffer.size(); ++i) {
        char c = m_buffer[i];
        if (c == '"') {
            size_t close = m_buffer.find('"', i + 1);
            if (close == std::string::npos) {
                m_pos = m_buffer.size();
                return fail(kUnpairedQuote);
            }
            i = close;
        } else if (c == '(' || c == '[') {
            ++depth;
        } else if ((c == ')' || c == ']') && --depth == 0) {
            m_argumentsStart = open + 1;
            m_arguments.assign(m_buffer, open + 1, i - open - 1);
            m_pos = i + 1;
            return true;
        }
    }
    m_pos = m_buffer.size();
    return fail(kFunctionNoCloser);
}

bool CCaculate::parseLogic(Value& result)
{
    if (!parseComparison(result))
        return false;
    while (isOperator("||") || isOperator("&&")) {
        std::string op = m_tokenText;
        Value right;
        if (!nextToken() || !parseComparison(right) || !applyBinary(op, result, right))
            return false;
    }
    return true;
}

bool CCaculate::parseComparison(Value& result)
{
    if (!parseSum(result))
        return false;
    while (isOperator(">") || isOperator("<") || isOperator(">=") || isOperator("<=") || isOperator("=") ||
           isOperator("!=")) {
        std::string op = m_tokenText;
        Value right;
        if (!nextToken() || !parseSum(right) || !applyBinary(op, result, right))
            return false;
    }
    return true;
}

bool CCaculate::parseSum(Value& result)
{
    if (!parseProduct(result))
        return false;
    while (isOperator("+") || isOperator("-")) {
        std::string op = m_tokenText;
        Value right;
        if (!nextToken() || !parseProduct(right) || !applyBinary(op, result, right))
            return false;
    }
    return true;
}

bool CCaculate::parseProduct(Value& result)
{
    if (!parsePower(result))
        return false;
    while (isOperator("*") || isOperator("/")) {
        std::string op = m_tokenText;
        Value right;
        if (!nextToken() || !parsePower(right) || !applyBinary(op, result, right))
            return false;
    }
    return true;
}

// Power groups from the right: the operands are collected first, then folded right to left.
bool CCaculate::parsePower(Value& result)
{
    if (!parseUnary(result))
        return false;
    if (!isOperator("^"))
        return true;
    std::vector<Value> operands;
    operands.push_back(std::move(result));
    while (isOperator("^")) {
        operands.emplace_back();
        if (!nextToken() || !parseUnary(operands.back()))
            return false;
    }
    for (size_t i = operands.size() - 1; i > 0; --i)
        if (!applyBinary("^", operands[i - 1], operands[i]))
            return false;
    result = std::move(operands.front());
    return true;
}

bool CCaculate::parseUnary(Value& result)
{
    std::string signs;
    while (isOperator("+") || isOperator("-") || isOperator("!")) {
        signs += m_tokenText[0];
        if (!nextToken())
            return false;
    }
    if (!parseOperand(result))
        return false;
    for (auto sign = signs.rbegin(); sign != signs.rend(); ++sign) {
        if (result.type != ValueType::Number)
            return fail(kTypeMismatch);
        if (*sign == '-')
            result.number = result.number == 0 ? 0.0 : -result.number;
        else if (*sign == '!')
            result.number = isTrue(result.number) ? 0.0 : 1.0;
    }
    return true;
}

bool CCaculate::parseOperand(Value& result)
{
    switch (m_token) {
    case Token::Number:
        if (!setNumber(result, ReadNumber(m_tokenText), kNumberError))
            return false;
        return nextToken();
    case Token::String:
    case Token::Word:
        result.type = ValueType::String;
        result.text = m_tokenText;
        return nextToken();
    case Token::Variable: {
        std::string value;
        ValueType type = ValueType::Number;
        if (!GetVariable(m_tokenText, value, type)) {
            if (m_errorCode == 0 && m_errorText.empty())
                SetError(kVariableNameError);
            return false;
        }
        result = fromHook(value, type);
        return nextToken();
    }
    case Token::Function: {
        std::string name = m_tokenText;
        std::string arguments = m_arguments;
        size_t argumentsStart = m_argumentsStart;
        size_t after = m_pos;
        if (!callFunction(name, argumentsStart, arguments, result))
            return false;
        m_pos = after;
        return nextToken();
    }
    case Token::Operator:
        if (isOperator("(") || isOperator("[")) {
            if (m_nesting + ++m_brackets > kMaxNesting)
                return fail(kBracketError);
            if (!nextToken() || !parseLogic(result))
                return false;
            if (!isOperator(")") && !isOperator("]"))
                return fail(kBracketError);
            --m_brackets;
            return nextToken();
        }
        if (isOperator(")") || isOperator("]"))
            return fail(kBracketError);
        return fail(kOperatorError);
    case Token::End:
    case Token::Invalid:
        break;
    }
    return fail(kOperatorError);
}

CCaculate::Value CCaculate::fromHook(const std::string& text, ValueType type) const
{
    Value value;
    if (type == ValueType::String) {
        value.type = ValueType::String;
        value.text = text;
    } else {
        double number = RoundToSixDecimals(ReadNumber(text));
        value.number = std::isfinite(number) ? number : 0.0;
    }
    return value;
}

bool CCaculate::setNumber(Value& value, double number, int overflowCode)
{
    if (!std::isfinite(number))
        return fail(overflowCode);
    value.type = ValueType::Number;
    value.text.clear();
    value.blank = false;
    number = RoundToSixDecimals(number);
    value.number = number == 0 ? 0.0 : number;
    return true;
}

bool CCaculate::applyBinary(std::string_view op, Value& left, const Value& right)
{
    if (left.type == ValueType::Number && right.type == ValueType::Number) {
        double a = left.number;
        double b = right.number;
        if (op == "+")
            return setNumber(left, a + b, kNumberError);
        if (op == "-")
            return setNumber(left, a - b, kNumberError);
        if (op == "*")
            return setNumber(left, a * b, kNumberError);
        if (op == "/") {
            if (std::fabs(b) <= kDivisorThreshold)
                return fail(kDivisionByZero);
            return setNumber(left, a / b, kNumberError);
        }
        if (op == "^")
            return setNumber(left, std::pow(a, b), kPowerError);
        bool truth = false;
        if (op == ">")
            truth = a > b;
        else if (op == "<")
            truth = a < b;
        else if (op == ">=")
            truth = a >= b;
        else if (op == "<=")
            truth = a <= b;
        else if (op == "=")
            truth = a == b;
        else if (op == "!=")
            truth = a != b;
        else if (op == "&&")
            truth = isTrue(a) && isTrue(b);
        else if (op == "||")
            truth = isTrue(a) || isTrue(b);
        return setNumber(left, truth ? 1.0 : 0.0, kNumberError);
    }

    // At least one string: a number operand is written as FormatNumber writes it (up to six
    // decimals, no commas, zero as the empty text) and both are strings, so "a"+0 is "a".
    std::string a = left.type == ValueType::String ? std::move(left.text) : PlainNumberText(left.number);
    const std::string b = right.type == ValueType::String ? right.text : PlainNumberText(right.number);
    left.type = ValueType::String;
    left.blank = false;
    if (op == "+") {
        left.text = std::move(a);
        left.text += b;
        return true;
    }
    if (op == "-") {
        left.text = trimRight(a);
        left.text += b;
        return true;
    }
    int order = a.compare(b);
    bool truth = false;
    if (op == ">")
        truth = order > 0;
    else if (op == "<")
        truth = order < 0;
    else if (op == ">=")
        truth = order >= 0;
    else if (op == "<=")
        truth = order <= 0;
    else if (op == "=")
        truth = order == 0;
    else if (op == "!=")
        truth = order != 0;
    else
        return fail(kTypeMismatch);
    return setNumber(left, truth ? 1.0 : 0.0, kNumberError);
}

} // namespace kszw
