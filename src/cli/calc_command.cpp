// kszw-cli calc: evaluates one expression with the formula evaluator, as the calculator does.
// Numbers are printed with up to six decimals and no grouping commas (zero as "0"); strings as
// they are; an empty expression prints an empty line. An error prints the evaluator's message and the position where scanning stopped.
#include "cli/commands.h"

#include "formula/caculate.h"
#include "formula/format_number.h"

#include <cstdio>
#include <string>

namespace kszw::cli {

namespace {

int calcUsage()
{
    std::fputs("usage: kszw-cli calc [--] EXPR\n", stderr);
    return 2;
}

} // namespace

int runCalc(const Arguments& args)
{
    // Options come first ("--" ends them); the words after them, joined by blanks, are the
    // expression, so `kszw-cli calc 1 + 2` works as well as `kszw-cli calc "1+2"`.
    std::string expression;
    bool words = false;
    bool optionsEnded = false;
    for (const std::string& arg : args) {
        if (!optionsEnded && !words && arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (!optionsEnded && !words && arg.size() > 2 && arg.compare(0, 2, "--") == 0) {
            std::fprintf(stderr, "unknown option %s\n", arg.c_str());
            return calcUsage();
        }
        if (words)
            expression += ' ';
        expression += arg;
        words = true;
    }
    if (!words)
        return calcUsage();

    CCaculate evaluator;
    std::string value;
    ValueType type = ValueType::Number;
    if (!evaluator.Evaluate(value, type, expression)) {
        int code = 0;
        int position = 0;
        std::string message;
        evaluator.GetError(code, message, position);
        std::fprintf(stderr, "%s (position %d)\n", message.c_str(), position);
        return 1;
    }
    if (type == ValueType::Number && !value.empty()) // an empty expression has no value to print
        value = NumberToText(ReadNumber(value));
    std::printf("%s\n", value.c_str());
    return 0;
}

} // namespace kszw::cli
