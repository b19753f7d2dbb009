// CCaculate: the evaluator of the formula language of voucher templates and the calculator.
// Arithmetic, comparisons and logic over numbers and strings, built-in functions and
// #-variables. Derived evaluators add variables and data functions through GetVariable and
// CallFunction; function arguments are evaluated by nested evaluators of the same concrete class.
//
// The language, lowest precedence first: "||" "&&"; "> < >= <= = !="; "+ -"; "* /"; "^" (right to
// left); unary "+ - !"; operands: ( … ) or [ … ], numbers, "strings", name(…) or name[…] calls,
// #variables and bare words (a bare word is the string it spells). Numbers are carried rounded to
// six decimals, as written with "%lf". A number meeting a string is written as text first, with
// up to six decimals and no commas, zero as the empty text ("a"+0 is "a", ""=0 is 1).
//
// Error positions are character offsets (not bytes) from the start of the expression.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kszw {

struct Clock;

// The type code of a value: 4 number, 5 string.
enum class ValueType { Number = 4, String = 5 };

// The evaluator's error codes; the message of each is ErrorMessage(code).
enum CaculateError : int {
    kBracketError = -1,        // 括号出错！
    kDivisionByZero = -2,      // 除数为零！
    kNumberError = -3,         // 数字出错！
    kIllegalNameChar = -4,     // 函数名或变量名中有非法字符！
    kFunctionNoCloser = -5,    // 函数无右括号！
    kVariableNameError = -6,   // 变量名出错！
    kFunctionNameError = -7,   // 函数名出错！
    kSymbolError = -8,         // 符号出错！
    kOperatorError = -9,       // 运算符号出错！
    kPowerError = -10,         // 幂运算出错！
    kTooFewArguments = -11,    // 函数参数数目过少！
    kTooManyArguments = -12,   // 函数参数数目过多！
    kUnpairedQuote = -13,      // 引号不配对！
    kTypeMismatch = -14,       // 数据类型不匹配！
    kMathDomainError = -15,    // 数学函数的定义域出错！
};

// One function argument of a call: its text and its byte offset inside the argument text.
struct CallArgument {
    std::string text;
    int offset = 0;
};

// The value rounded as round(x, d) rounds it: on the six-decimal digits the evaluator carries, half
// away from zero (round(2.675, 2) is 2.68).
double RoundDecimal(double value, int decimals);

// The formula evaluator (see the top of this file).
class CCaculate {
public:
    // Evaluator with the system clock for date().
    CCaculate();
    virtual ~CCaculate();
    CCaculate(const CCaculate&) = delete;
    CCaculate& operator=(const CCaculate&) = delete;

    // Evaluates the expression; on success value holds the result ("%lf" text for a number).
    // The empty expression gives the empty value, type number, and succeeds.
    bool Evaluate(std::string& value, ValueType& type, std::string_view expression);
    // Evaluates and requires a number; result is 0 on failure, a string result fails with −14.
    bool CalcNumber(double& result, std::string_view expression);

    // The error code, its message (the derived class's error text for code 0) and the character
    // offset where scanning stopped. True when the code is negative.
    virtual bool GetError(int& code, std::string& message, int& position) const;
    // Resolves a #-variable (name with its "#"). Base: −6 and false.
    virtual bool GetVariable(std::string_view name, std::string& value, ValueType& type);
    // Evaluates a function the built-ins do not know, given its raw argument text (evaluate parts
    // of it with EvaluateNested, never with this evaluator's Evaluate). Base: −7 and false.
    virtual bool CallFunction(std::string_view name, std::string_view arguments, std::string& value, ValueType& type);
    // A fresh evaluator of this same concrete class, used for nested evaluations.
    virtual std::unique_ptr<CCaculate> Clone() const;
    // Prepares a freshly created nested evaluator so that it sees this evaluator's variables and
    // data context. Base: nothing.
    virtual void CopySettings(CCaculate& nested) const;
    // Takes over another evaluator's error code and error text.
    virtual void CopyError(const CCaculate& other);
    // Whether the evaluator is ready to evaluate (a data context is open). Base: true.
    virtual bool IsReady() const;

    // The fixed message of an error code; empty for 0 and unknown codes.
    static std::string_view ErrorMessage(int code);
    int ErrorCode() const { return m_errorCode; }
    const std::string& ErrorText() const { return m_errorText; }

    // The clock that date() asks for today; it must outlive the evaluator.
    void SetClock(const Clock& clock);
    const Clock& GetClock() const { return *m_clock; }

    // Statement mode: comments ("//" to the end of the line, "/* … */") are ignored and a leading
    // label "N:" (digits and a colon) is read. With a wanted label set, a statement with another
    // label (or none) succeeds at once without a value.
    void SetStatementMode(bool on) { m_statementMode = on; }
    bool StatementMode() const { return m_statementMode; }
    void SetWantedLabel(std::optional<int> label) { m_wantedLabel = label; }
    // The label of the last statement evaluated in statement mode, if it had one.
    std::optional<int> FoundLabel() const { return m_foundLabel; }

    // How deep this evaluator is nested inside others (0 for one the caller made).
    int NestingDepth() const { return m_nesting; }

    // The arguments of a call split at their top-level commas (outside brackets and quotes);
    // a blank argument text gives no arguments.
    static std::vector<CallArgument> SplitArguments(std::string_view arguments);

protected:
    // Sets an error code (at the current scanning position); 0 clears it.
    void SetError(int code);
    // Sets the text reported with code 0 when a derived hook fails for a reason of its own.
    void SetErrorText(std::string_view text) { m_errorText = text; }
    // Evaluates an expression with a nested evaluator of this concrete class; on failure the
    // nested error is taken over with CopyError.
    bool EvaluateNested(std::string_view expression, std::string& value, ValueType& type);

private:
    struct Value {
        ValueType type = ValueType::Number;
        double number = 0;
        std::string text;
        bool blank = false; // an empty expression: no value at all
    };
    enum class Token { End, Number, String, Variable, Word, Function, Operator, Invalid };

    // Scanning (caculate.cpp).
    void prepareStatement();
    void skipBlanks();
    bool nextToken();
    bool readFunctionArguments(size_t open);
    int characterOffset(size_t bytePosition) const;
    bool isOperator(std::string_view op) const { return m_token == Token::Operator && m_tokenText == op; }

    // Parsing, lowest precedence first (caculate.cpp).
    bool evaluateValue(std::string_view expression, Value& result);
    bool parseLogic(Value& result);
    bool parseComparison(Value& result);
    bool parseSum(Value& result);
    bool parseProduct(Value& result);
    bool parsePower(Value& result);
    bool parseUnary(Value& result);
    bool parseOperand(Value& result);
    bool applyBinary(std::string_view op, Value& left, const Value& right);
    bool setNumber(Value& value, double number, int overflowCode);
    bool fail(int code);
    Value fromHook(const std::string& text, ValueType type) const;

    // Functions (caculate_functions.cpp).
    bool callFunction(std::string_view name, size_t argumentsStart, std::string_view arguments, Value& result);
    bool callBuiltin(int index, const std::vector<CallArgument>& arguments, size_t argumentsStart, Value& result);
    std::unique_ptr<CCaculate> makeNested() const;
    bool evaluateArgument(CCaculate& nested, const CallArgument& argument, size_t argumentsStart, Value& result);

    int m_errorCode = 0;
    std::string m_errorText;
    bool m_statementMode = false;
    std::optional<int> m_wantedLabel;
    std::optional<int> m_foundLabel;
    std::string m_buffer;
    size_t m_pos = 0;
    std::string m_tokenText;
    Token m_token = Token::End;
    size_t m_errorPos = 0;
    size_t m_argumentsStart = 0;
    std::string m_arguments;
    int m_nesting = 0;
    int m_brackets = 0;
    const Clock* m_clock = nullptr;
};

} // namespace kszw
