// kszw-cli new-year and set-info: creating the file of a new year in the account set of a year
// file, and changing the account-set information, through the same operations and checks as the
// new-year and account-set information dialogs. Both need the right "帐务管理".
#include "accountset/account_set_info.h"
#include "accountset/new_year.h"
#include "cli/cli_login.h"
#include "cli/cli_prompt.h"
#include "cli/commands.h"
#include "cli/options.h"
#include "common/text.h"
#include "session/rights.h"

#include <cstdio>

namespace kszw::cli {

namespace {

constexpr const char* kNewYearUsage = "new-year FILE --operator OP [--password P] --year Y [--yes]";
constexpr const char* kSetInfoUsage =
    "set-info FILE --operator OP [--password P] [--unit U] [--chief K] [--t1 D] [--t13 D] [--jt NNN]";

} // namespace

int runNewYear(const Arguments& args)
{
    ParsedArguments parsed = parseArguments(args, {"--operator", "--password", "--year"}, {"--yes"});
    if (!parsed.ok)
        return badUsage(parsed.error, kNewYearUsage);
    if (parsed.positional.size() != 1)
        return badUsage("one year data file expected", kNewYearUsage);
    const std::optional<std::string> op = parsed.option("--operator");
    if (!op)
        return badUsage("--operator is needed", kNewYearUsage);
    const std::string year = parsed.option("--year").value_or("");
    // The dialog ignores anything but four digits without a word; here that is a usage error.
    if (year.size() != 4 || !isAllDigits(year))
        return badUsage("--year takes a year of four digits", kNewYearUsage);

    CliPrompt prompt(parsed.flag("--yes") ? std::optional<Answer>(Answer::Yes) : std::nullopt);
    auto env = loginForCommand(parsed.positional[0], *op, parsed.option("--password").value_or(""),
                               kAdministrationRight, prompt);
    if (!env)
        return 1;
    const NewYearResult result = createNewYear(*env, year, prompt);
    switch (result.outcome) {
    case NewYearOutcome::Created:
        std::printf("%s\n", result.filePath.c_str());
        return 0;
    case NewYearOutcome::Declined:
        std::fprintf(stderr, "没有建立“%s”年的数据文件：要建立时请加 --yes。\n", year.c_str());
        return 1;
    default:
        return 1;
    }
}

int runSetInfo(const Arguments& args)
{
    ParsedArguments parsed = parseArguments(
        args, {"--operator", "--password", "--unit", "--chief", "--t1", "--t13", "--jt"});
    if (!parsed.ok)
        return badUsage(parsed.error, kSetInfoUsage);
    if (parsed.positional.size() != 1)
        return badUsage("one year data file expected", kSetInfoUsage);
    const std::optional<std::string> op = parsed.option("--operator");
    if (!op)
        return badUsage("--operator is needed", kSetInfoUsage);

    CliPrompt prompt;
    auto env = loginForCommand(parsed.positional[0], *op, parsed.option("--password").value_or(""),
                               kAdministrationRight, prompt);
    if (!env)
        return 1;
    // Fields not given keep the values the file has.
    AccountSetInfo info = currentAccountSetInfo(*env);
    info.unitName = parsed.option("--unit").value_or(info.unitName);
    info.chiefAccountant = parsed.option("--chief").value_or(info.chiefAccountant);
    info.yearStart = parsed.option("--t1").value_or(info.yearStart);
    info.yearEnd = parsed.option("--t13").value_or(info.yearEnd);
    info.monthEnd = parsed.option("--jt").value_or(info.monthEnd);
    return changeAccountSetInfo(*env, info, prompt).ok ? 0 : 1;
}

} // namespace kszw::cli
