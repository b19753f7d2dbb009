// kszw-cli calc: evaluates one expression with the formula evaluator, as the calculator does.
// Numbers are printed with up to six decimals and no grouping commas (zero as "0"); strings as
// they are; an empty expression prints an empty line. An error prints the evaluator's message and
// the position where scanning stopped. With --file the expression is evaluated as a template line
// would be: with the year file's #-variables and data functions, for a voucher dated today or --date.
#include "cli/cli_login.h"
#include "cli/cli_prompt.h"
#include "cli/commands.h"

#include "common/clock.h"
#include "common/dates.h"
#include "formula/caculate.h"
#include "formula/format_number.h"
#include "ledger/ledger_conventions.h"
#include "session/kszw_env.h"
#include "templates/caculate_child.h"

#include <filesystem>
#include <memory>

#include <cstdio>
#include <map>
#include <string>

namespace kszw::cli {

namespace {

int calcUsage()
{
    std::fputs("usage: kszw-cli calc [--file FILE [--operator OP] [--password P] [--date YYYYMMDD]] [--] EXPR\n",
               stderr);
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
    std::map<std::string, std::string> options;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!optionsEnded && !words && arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (!optionsEnded && !words && (arg == "--file" || arg == "--operator" || arg == "--password" || arg == "--date")) {
            if (i + 1 >= args.size())
                return calcUsage();
            options[arg] = args[++i];
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

    if (!options.count("--file") && (options.count("--operator") || options.count("--date")))
        return calcUsage();
    std::unique_ptr<CKszwEnv> env;
    std::unique_ptr<CCaculate> evaluator = std::make_unique<CCaculate>();
    if (options.count("--file")) {
        CliPrompt prompt;
        // A template line is evaluated while a voucher is made: the same right.
        env = loginForCommand(options["--file"], options["--operator"], options["--password"], "0203", prompt);
        if (!env)
            return 1;
        std::string date = options.count("--date") ? options["--date"] : makeDate(SystemClock().today());
        const std::optional<CivilDate> voucherDate = splitDate(date);
        if (!voucherDate || yearCalendar(env->db()).monthOf(date) == 0) {
            prompt.warn("凭证制作时间不在本年度内！");
            return 1;
        }
        auto child = std::make_unique<CCaculateChild>(
            env->db(), yearCalendar(env->db()), std::filesystem::path(env->filePath()).filename().string(), *voucherDate);
        child->LoadVariables();
        evaluator = std::move(child);
    }
    std::string value;
    ValueType type = ValueType::Number;
    if (!evaluator->Evaluate(value, type, expression)) {
        int code = 0;
        int position = 0;
        std::string message;
        evaluator->GetError(code, message, position);
        std::fprintf(stderr, "%s (position %d)\n", message.c_str(), position);
        return 1;
    }
    if (type == ValueType::Number && !value.empty()) // an empty expression has no value to print
        value = NumberToText(ReadNumber(value));
    std::printf("%s\n", value.c_str());
    return 0;
}

} // namespace kszw::cli
