// kszw-cli new-set and info: creating an account set, and opening a year data file exactly like
// the login to print its header and the operator.
#include "accountset/account_sets.h"
#include "cli/cli_prompt.h"
#include "cli/commands.h"
#include "cli/options.h"
#include "common/clock.h"
#include "common/text.h"
#include "session/kszw_env.h"
#include "session/user_settings.h"
#include "store/location.h"

#include <cstdio>
#include <filesystem>

namespace kszw::cli {

namespace {

constexpr const char* kNewSetUsage = "new-set DIR|LOCATION [--year Y]";
constexpr const char* kInfoUsage = "info FILE [--operator OP] [--password P]";

} // namespace

int runNewSet(const Arguments& args)
{
    ParsedArguments parsed = parseArguments(args, {"--year"});
    if (!parsed.ok)
        return badUsage(parsed.error, kNewSetUsage);
    if (parsed.positional.size() != 1)
        return badUsage("one folder expected", kNewSetUsage);
    int year = 0;
    if (auto text = parsed.option("--year")) {
        if (text->size() != 4 || !isAllDigits(*text) || std::stoi(*text) < 1990)
            return badUsage("--year takes a year of four digits from 1990 on", kNewSetUsage);
        year = std::stoi(*text);
    }
    // A folder named relative to the current one is taken there; the command line remembers no
    // account sets of its own, so only a folder that holds year files is refused as in use.
    std::string folder = trimWhitespace(parsed.positional[0]);
    if (!folder.empty() && folder.front() != '/' && !isServerLocation(folder)) {
        std::error_code error;
        const std::filesystem::path absolute = std::filesystem::absolute(folder, error);
        if (!error)
            folder = absolute.lexically_normal().string();
    }
    SystemClock clock;
    MemoryUserSettings settings;
    AccountSetResult result = createAccountSet(folder, clock, settings, year);
    if (!result.ok) {
        std::fprintf(stderr, "%s\n", terminalText(result.message).c_str());
        return 1;
    }
    std::printf("%s\n%s\n", result.message.c_str(), result.filePath.c_str());
    return 0;
}

int runInfo(const Arguments& args)
{
    ParsedArguments parsed = parseArguments(args, {"--operator", "--password"});
    if (!parsed.ok)
        return badUsage(parsed.error, kInfoUsage);
    if (parsed.positional.size() != 1)
        return badUsage("one year data file expected", kInfoUsage);

    CliPrompt prompt;
    CKszwEnv env;
    const std::string& file = parsed.positional[0];
    std::string password = parsed.option("--password").value_or("");
    if (auto op = parsed.option("--operator")) {
        if (!confirmLogin(env, file, *op, password, prompt))
            return 1;
    } else {
        // Without an operator the login's default operator is taken.
        if (env.openFile(file, "", prompt) != kLoginOk)
            return 1;
        if (!env.passwordMatches(password)) {
            prompt.warn(kWrongPassword);
            return 1;
        }
    }
    MemoryUserSettings settings;
    env.completeLogin(settings);

    std::printf("file: %s\n", env.filePath().c_str());
    std::printf("unit: %s\n", env.unitName().c_str());
    std::printf("chief_accountant: %s\n", env.chiefAccountant().c_str());
    std::printf("year: %d\n", env.year());
    std::printf("closed_months: %d\n", env.closedMonths());
    std::printf("month_end: %s\n", env.monthEndCode().c_str());
    std::printf("year_start: %s\n", env.yearStart().c_str());
    std::printf("year_end: %s\n", env.yearEnd().c_str());
    std::printf("operator: %s %s\n", env.operatorCode().c_str(), env.operatorName().c_str());
    std::printf("permissions: %s\n", env.permissionText().c_str());
    return 0;
}

} // namespace kszw::cli
