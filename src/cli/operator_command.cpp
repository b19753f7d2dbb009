// kszw-cli operator: the administrator's work of the operator management dialog from a terminal —
// adding an operator (with rights), giving an operator exactly a list of rights, deleting an
// operator. The same checks and messages as the dialogs; passwords are left to each operator.
#include "cli/cli_login.h"
#include "cli/cli_prompt.h"
#include "cli/commands.h"
#include "cli/options.h"
#include "common/text.h"
#include "session/operators.h"
#include "session/rights.h"
#include "store/transaction.h"

#include <cstdio>

namespace kszw::cli {

namespace {

constexpr const char* kOperatorUsage =
    "operator FILE --operator OP [--password P] add CODE NAME [--rights all|R1,R2,...] | rights CODE R1,R2,... | "
    "delete CODE";

// The right codes of a list word: "all" stands for the 22 working rights; otherwise codes joined
// by commas (an empty word is no right at all).
std::vector<std::string> rightList(const std::string& word)
{
    std::vector<std::string> codes;
    if (trim(word) == "all") {
        for (const Right& right : kRights)
            if (right.code != kAdministrationRight)
                codes.emplace_back(right.code);
        return codes;
    }
    size_t start = 0;
    while (start <= word.size()) {
        size_t comma = word.find(',', start);
        if (comma == std::string::npos)
            comma = word.size();
        std::string code = trim(word.substr(start, comma - start));
        if (!code.empty())
            codes.push_back(code);
        start = comma + 1;
    }
    return codes;
}

// The operator's line and rights as the confirmation of a change.
void printOperator(Database& db, const std::string& code)
{
    for (const OperatorEntry& entry : listOperators(db))
        if (entry.code == code)
            std::printf("%s\n", operatorLine(entry.code, entry.name).c_str());
    const std::vector<bool> held = operatorRights(db, code);
    std::string rights = "rights:";
    for (size_t i = 0; i < kRights.size(); ++i)
        if (held[i])
            rights += " " + std::string(kRights[i].code);
    std::printf("%s\n", rights.c_str());
}

int addCommand(Database& db, const std::string& code, const std::string& name,
               const std::optional<std::string>& rights, Prompt& prompt)
{
    // The operator and their rights are added together or not at all.
    Transaction transaction(db);
    if (!addOperator(db, code, name, prompt).saved)
        return 1;
    if (rights && !replaceOperatorRights(db, code, rightList(*rights), prompt))
        return 1;
    transaction.commit();
    printOperator(db, trim(code));
    return 0;
}

int deleteCommand(Database& db, const std::string& code, Prompt& prompt)
{
    std::string line;
    for (const OperatorEntry& entry : listOperators(db))
        if (entry.code == trim(code))
            line = operatorLine(entry.code, entry.name);
    if (!deleteOperator(db, code, prompt))
        return 1;
    std::printf("deleted: %s\n", line.c_str());
    return 0;
}

} // namespace

int runOperator(const Arguments& args)
{
    ParsedArguments parsed = parseArguments(args, {"--operator", "--password", "--rights"});
    if (!parsed.ok)
        return badUsage(parsed.error, kOperatorUsage);
    const std::vector<std::string>& words = parsed.positional;
    if (words.size() < 2)
        return badUsage("a year data file and an action (add, rights or delete) expected", kOperatorUsage);
    const std::string& action = words[1];
    const size_t expected = action == "delete" ? 3 : 4;
    if (action != "add" && action != "rights" && action != "delete")
        return badUsage("unknown action " + action, kOperatorUsage);
    if (words.size() != expected)
        return badUsage(action + " takes " + std::to_string(expected - 2) + " word(s) after it", kOperatorUsage);
    if (parsed.option("--rights") && action != "add")
        return badUsage("--rights belongs to add", kOperatorUsage);
    std::optional<std::string> op = parsed.option("--operator");
    if (!op)
        return badUsage("--operator OP expected", kOperatorUsage);

    CliPrompt prompt;
    std::unique_ptr<CKszwEnv> env =
        loginForCommand(words[0], *op, parsed.option("--password").value_or(""), kAdministrationRight, prompt);
    if (!env)
        return 1;
    Database& db = env->db();
    if (action == "add")
        return addCommand(db, words[2], words[3], parsed.option("--rights"), prompt);
    if (action == "delete")
        return deleteCommand(db, words[2], prompt);
    if (!replaceOperatorRights(db, words[2], rightList(words[3]), prompt))
        return 1;
    printOperator(db, trim(words[2]));
    return 0;
}

} // namespace kszw::cli
