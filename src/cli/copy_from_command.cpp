// kszw-cli copy-from: copying set-up information from another year file into a year file, with the
// same checks and messages as the dialog "帐套之间信息拷贝". It needs the right "帐务管理" like the
// menu command. Without --items every item the source offers and the file allows is copied; an
// item asked for that cannot be copied is refused with its reason. Like the other commands that
// change much at once, it copies only with --yes: without it, it lists what it would copy.
#include "accountset/set_copy.h"
#include "cli/cli_login.h"
#include "cli/cli_prompt.h"
#include "cli/commands.h"
#include "cli/options.h"
#include "session/rights.h"

#include <array>
#include <cstdio>
#include <sstream>

namespace kszw::cli {

namespace {

constexpr const char* kCopyFromUsage =
    "copy-from SOURCE FILE --operator OP [--password P] [--items chart,templates,classes,variables,formats,reports]";

// The words of --items, in the order of kCopyItems.
constexpr std::array<const char*, 6> kItemWords = {"chart",     "templates", "classes",
                                                  "variables", "formats",   "reports"};

std::optional<CopyItem> itemOfWord(const std::string& word)
{
    for (size_t i = 0; i < kItemWords.size(); ++i)
        if (word == kItemWords[i])
            return kCopyItems[i];
    return std::nullopt;
}

} // namespace

int runCopyFrom(const Arguments& args)
{
    ParsedArguments parsed = parseArguments(args, {"--operator", "--password", "--items"}, {"--yes"});
    if (!parsed.ok)
        return badUsage(parsed.error, kCopyFromUsage);
    if (parsed.positional.size() != 2)
        return badUsage("a source year file and a year data file expected", kCopyFromUsage);
    const std::optional<std::string> op = parsed.option("--operator");
    if (!op)
        return badUsage("--operator is needed", kCopyFromUsage);
    const std::optional<std::string> itemsText = parsed.option("--items");
    CopySelection asked;
    if (itemsText) {
        std::istringstream words(*itemsText);
        std::string word;
        while (std::getline(words, word, ',')) {
            const std::optional<CopyItem> item = itemOfWord(word);
            if (!item)
                return badUsage("--items takes chart, templates, classes, variables, formats and reports, not \"" + word + "\"",
                                kCopyFromUsage);
            asked[*item] = true;
        }
        if (!asked.any())
            return badUsage("--items names no item", kCopyFromUsage);
    }

    CliPrompt prompt;
    auto env = loginForCommand(parsed.positional[1], *op, parsed.option("--password").value_or(""),
                               kAdministrationRight, prompt);
    if (!env)
        return 1;
    const std::optional<CopySource> source = chooseCopySource(*env, parsed.positional[0], prompt);
    if (!source)
        return 1;

    CopySelection selection;
    for (CopyItem item : kCopyItems) {
        const std::optional<std::string> reason = source->availability.unavailableReason(item);
        if (itemsText && asked[item] && reason) {
            prompt.warn(*reason); // the reason names the item
            return 1;
        }
        selection[item] = (itemsText ? asked[item] : true) && !reason;
    }
    if (!selection.any()) {
        prompt.warn(kNothingToCopy);
        return 1;
    }

    // As the dialog's 确认: the copy asks nothing (--yes is taken and changes nothing). What is
    // copied is listed, one item a line with the rows the source has for it.
    for (CopyItem item : kCopyItems)
        if (selection[item])
            std::printf("%s\t%d\n", std::string(copyItemCaption(item)).c_str(), source->availability.rows(item));
    const CopyResult result = copySetInformation(*env, source->path, selection, prompt);
    if (result.outcome != CopyOutcome::Copied)
        return 1;
    std::printf("%s\n", std::string(kCopyFinished).c_str());
    return 0;
}

} // namespace kszw::cli
