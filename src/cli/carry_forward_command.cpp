// kszw-cli carry-forward: the new-year carry-forward of the dialog 年度帐务数据结转 for the year
// file logged into. The two questions before the run, and the per-subject questions, are answered
// Yes with --yes; without it the questions are shown and the run does not start. Messages go to
// stderr; the result text to stdout.
#include "accountset/carry_forward.h"
#include "cli/cli_login.h"
#include "cli/cli_prompt.h"
#include "cli/commands.h"
#include "cli/options.h"
#include "common/text.h"
#include "session/kszw_env.h"
#include "session/rights.h"
#include "store/database_error.h"
#include "store/error_messages.h"

#include <cstdio>
#include <sstream>

namespace kszw::cli {

namespace {

constexpr const char* kCarryUsage =
    "carry-forward FILE --operator OP [--password P] [--items chart,classes,templates,pairs,balances] [--yes]";

// The items named on the command line; nothing when a name is unknown.
std::optional<CarrySelection> parseItems(const std::string& text)
{
    CarrySelection selection{false, false, false, false, false};
    std::stringstream items(text);
    std::string item;
    while (std::getline(items, item, ',')) {
        item = trim(item);
        if (item == "chart")
            selection.chart = true;
        else if (item == "classes")
            selection.classes = true;
        else if (item == "templates")
            selection.templates = true;
        else if (item == "pairs")
            selection.pairs = true;
        else if (item == "balances")
            selection.balances = true;
        else
            return std::nullopt;
    }
    return selection;
}

} // namespace

int runCarryForward(const Arguments& args)
{
    ParsedArguments parsed = parseArguments(args, {"--operator", "--password", "--items"}, {"--yes"});
    if (!parsed.ok)
        return badUsage(parsed.error, kCarryUsage);
    if (parsed.positional.size() != 1)
        return badUsage("one year data file expected", kCarryUsage);
    const std::optional<std::string> op = parsed.option("--operator");
    if (!op)
        return badUsage("--operator is needed", kCarryUsage);
    CarrySelection selection;
    if (const std::optional<std::string> items = parsed.option("--items")) {
        const std::optional<CarrySelection> chosen = parseItems(*items);
        if (!chosen)
            return badUsage("--items takes chart, classes, templates, pairs and balances, separated by commas",
                            kCarryUsage);
        selection = *chosen;
    }

    const bool yes = parsed.flag("--yes");
    CliPrompt prompt(yes ? std::optional<Answer>(Answer::Yes) : std::nullopt);
    auto env = loginForCommand(parsed.positional[0], *op, parsed.option("--password").value_or(""),
                               kAdministrationRight, prompt);
    if (!env)
        return 1;
    // As in the dialog: balances need a chart to land in.
    CYearCarryForward carry(*env);
    try {
        if (const std::optional<std::string> refusal = carry.open()) {
            prompt.warn(*refusal);
            return 1;
        }
        if (selection.balances && !carry.currentHadChart())
            selection.chart = true;
        if (!selection.any()) {
            prompt.warn(kNothingSelected);
            return 1;
        }
        if (prompt.ask(CYearCarryForward::selectionQuestion(selection), Buttons::YesNo, Answer::No, Icon::Exclamation,
                       kMessageCaption) != Answer::Yes ||
            prompt.ask(carry.checkReport(selection), Buttons::YesNo, Answer::No, Icon::Exclamation,
                       kMessageCaption) != Answer::Yes) {
            std::fputs("没有进行结转：要进行时请加 --yes。\n", stderr);
            return 1;
        }
        const std::string result = carry.run(selection, prompt);
        std::printf("%s\n", terminalText(result).c_str());
    } catch (const DatabaseError& error) {
        prompt.warn(userMessage(error, error.path().empty() ? env->filePath() : error.path()));
        return 1;
    }
    return 0;
}

} // namespace kszw::cli
