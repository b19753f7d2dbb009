// kszw-cli import: reads a CSV file (UTF-8, or GBK) into the year file through the same operations
// and checks as the dialogs, all or nothing; a refused row is named by its line.
#include "chart/chart_import.h"
#include "cli/cli_login.h"
#include "cli/cli_prompt.h"
#include "cli/commands.h"
#include "cli/options.h"
#include "common/clock.h"
#include "common/text_encoding.h"
#include "voucher/voucher_import.h"

#include <cstdio>
#include <string>
#include <vector>

namespace kszw::cli {

namespace {

constexpr const char* kImportUsage = "import FILE --operator OP [--password P] KIND CSVFILE";

// What an import brought: the rows written, or every refusal ("第 N 行：…").
struct Outcome {
    bool ok = false;
    int rows = 0;
    std::vector<std::string> refusals;
};

Outcome outcomeOf(const ImportResult& result)
{
    return result.ok ? Outcome{true, result.rows, {}} : Outcome{false, 0, {result.text()}};
}

struct ImportKind {
    const char* name;
    const char* right; // the right of the dialog that enters the same data
    Outcome (*run)(CKszwEnv&, std::string_view);
};

constexpr ImportKind kKinds[] = {
    {"subjects", "0403", [](CKszwEnv& env, std::string_view csv) { return outcomeOf(importSubjects(env.db(), csv)); }},
    {"opening", "0404",
     [](CKszwEnv& env, std::string_view csv) { return outcomeOf(importOpeningBalances(env.db(), csv)); }},
    {"currencies", "0405",
     [](CKszwEnv& env, std::string_view csv) { return outcomeOf(importCurrencies(env.db(), csv)); }},
    // Every rate lies within the year of the login.
    {"rates", "0406",
     [](CKszwEnv& env, std::string_view csv) {
         return outcomeOf(importRates(env.db(), RateYear{env.yearStart(), env.yearEnd()}, csv));
     }},
    // Vouchers as the entry view makes them, made by the operator of the command.
    {"vouchers", "0203",
     [](CKszwEnv& env, std::string_view csv) {
         SystemClock clock;
         const VoucherImportResult result = importVouchers(env, clock, csv);
         Outcome outcome{result.ok, result.vouchers, {}};
         for (const VoucherImportRefusal& refusal : result.refusals)
             outcome.refusals.push_back(refusal.text());
         return outcome;
     }},
};

} // namespace

int runImport(const Arguments& args)
{
    ParsedArguments parsed = parseArguments(args, {"--operator", "--password"});
    if (!parsed.ok)
        return badUsage(parsed.error, kImportUsage);
    if (parsed.positional.size() != 3)
        return badUsage("a year data file, a kind and a CSV file expected", kImportUsage);
    const std::optional<std::string> op = parsed.option("--operator");
    if (!op)
        return badUsage("--operator OP is needed", kImportUsage);
    const ImportKind* kind = nullptr;
    for (const ImportKind& candidate : kKinds)
        if (parsed.positional[1] == candidate.name)
            kind = &candidate;
    if (!kind)
        return badUsage("unknown kind " + parsed.positional[1] + " (subjects, opening, currencies, rates, vouchers)", kImportUsage);
    // UTF-8, or GBK as spreadsheet programs on Chinese systems save it.
    const DecodedText text = readTextFile(parsed.positional[2]);
    if (!text.ok) {
        std::fprintf(stderr, "%s\n", terminalText(text.error).c_str());
        return 1;
    }

    CliPrompt prompt;
    std::unique_ptr<CKszwEnv> env =
        loginForCommand(parsed.positional[0], *op, parsed.option("--password").value_or(""), kind->right, prompt);
    if (!env)
        return 1;
    const Outcome result = kind->run(*env, text.text);
    if (!result.ok) {
        for (const std::string& refusal : result.refusals)
            std::fprintf(stderr, "%s: %s\n", parsed.positional[2].c_str(), terminalText(refusal).c_str());
        return 1;
    }
    std::printf("%d\n", result.rows);
    return 0;
}

} // namespace kszw::cli
