// kszw-cli review and close-month: the batch review of the review selection (complete vouchers of
// other makers, every voucher checked as the display view's F3 checks it) and the month-end close
// with its checks and questions. They need the rights "凭证复核与登帐" and "结帐".
#include "cli/cli_login.h"
#include "cli/cli_prompt.h"
#include "cli/commands.h"
#include "cli/options.h"
#include "common/text.h"
#include "session/kszw_env.h"
#include "store/accounting_calendar.h"
#include "voucher/month_close.h"
#include "voucher/voucher_review.h"
#include "voucher/voucher_selection.h"

#include <cstdio>
#include <cstdlib>

namespace kszw::cli {

namespace {

constexpr const char* kReviewUsage = "review FILE --operator OP [--password P] [--all | --month M]";
constexpr const char* kCloseMonthUsage = "close-month FILE --operator OP [--password P] [--yes]";
constexpr std::string_view kReviewRight = "0204";
constexpr std::string_view kCloseRight = "0205";

// The command line's prompt, noting whether a question was declined.
class ClosePrompt : public CliPrompt {
public:
    using CliPrompt::CliPrompt;
    bool declined = false;
    Answer ask(std::string_view text, Buttons buttons, Answer defaultButton, Icon icon,
               std::string_view caption) override
    {
        const Answer answer = CliPrompt::ask(text, buttons, defaultButton, icon, caption);
        declined = declined || answer != Answer::Yes;
        return answer;
    }
};

} // namespace

int runReview(const Arguments& args)
{
    ParsedArguments parsed = parseArguments(args, {"--operator", "--password", "--month"}, {"--all"});
    if (!parsed.ok)
        return badUsage(parsed.error, kReviewUsage);
    if (parsed.positional.size() != 1)
        return badUsage("one year data file expected", kReviewUsage);
    const std::optional<std::string> op = parsed.option("--operator");
    if (!op)
        return badUsage("--operator is needed", kReviewUsage);
    const std::optional<std::string> monthText = parsed.option("--month");
    if (monthText && parsed.flag("--all"))
        return badUsage("--all and --month exclude each other", kReviewUsage);
    std::string month;
    if (monthText) {
        if (monthText->empty() || monthText->size() > 2 || !isAllDigits(*monthText) || std::atoi(monthText->c_str()) < 1
            || std::atoi(monthText->c_str()) > 12)
            return badUsage("--month takes an accounting month from 1 to 12", kReviewUsage);
        month = monthCode(std::atoi(monthText->c_str()));
    }

    CliPrompt prompt;
    auto env = loginForCommand(parsed.positional[0], *op, parsed.option("--password").value_or(""), kReviewRight,
                               prompt);
    if (!env)
        return 1;
    std::vector<VoucherKey> keys;
    for (const SelectionEntry& entry : reviewEntries(env->db(), env->operatorCode(), month))
        keys.push_back(entry.key);
    if (keys.empty()) {
        prompt.warn(kNothingToReview);
        return 1;
    }
    const int reviewed = reviewBatch(env->db(), keys, env->operatorCode(), prompt);
    std::printf("%d\n", reviewed);
    // A voucher that failed its check was told on stderr; the others are reviewed.
    return reviewed == static_cast<int>(keys.size()) ? 0 : 1;
}

int runCloseMonth(const Arguments& args)
{
    ParsedArguments parsed = parseArguments(args, {"--operator", "--password"}, {"--yes"});
    if (!parsed.ok)
        return badUsage(parsed.error, kCloseMonthUsage);
    if (parsed.positional.size() != 1)
        return badUsage("one year data file expected", kCloseMonthUsage);
    const std::optional<std::string> op = parsed.option("--operator");
    if (!op)
        return badUsage("--operator is needed", kCloseMonthUsage);

    ClosePrompt prompt(parsed.flag("--yes") ? std::optional<Answer>(Answer::Yes) : std::nullopt);
    auto env = loginForCommand(parsed.positional[0], *op, parsed.option("--password").value_or(""), kCloseRight,
                               prompt);
    if (!env)
        return 1;
    const MonthToClose next = monthToClose(env->db());
    int closedMonths = 0;
    if (!closeMonth(env->db(), prompt, closedMonths)) {
        if (prompt.declined)
            std::fprintf(stderr, "没有结帐：要结帐时请加 --yes。\n");
        return 1;
    }
    std::printf("%s\n", next.label.c_str());
    return 0;
}

} // namespace kszw::cli
