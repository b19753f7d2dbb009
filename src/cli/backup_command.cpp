// kszw-cli backup and restore. backup copies a year file (or, with --set, every year file of its
// account set) into the account set's folder "备份" or the folder --to names; it only reads, so it
// needs no operator, but the file must open like a login. restore puts a backup in place of a year
// file with every check of the dialog; the operator logs in on the backup (checked like a login of
// the year, and usable when the year file itself is damaged or gone) and needs the right
// "帐务管理" there. The question is answered Yes with --yes; without it nothing is restored.
// The paths made are printed on stdout, messages go to stderr.
#include "accountset/backup.h"
#include "cli/cli_login.h"
#include "cli/cli_prompt.h"
#include "cli/commands.h"
#include "cli/options.h"
#include "common/clock.h"
#include "session/kszw_env.h"
#include "session/rights.h"
#include "store/database_error.h"
#include "store/error_messages.h"

#include <cstdio>

namespace kszw::cli {

namespace {

constexpr const char* kBackupUsage = "backup FILE [--set] [--to DIR]";
constexpr const char* kRestoreUsage = "restore BACKUP FILE [--operator OP [--password P]] [--yes]";

} // namespace

int runBackup(const Arguments& args)
{
    ParsedArguments parsed = parseArguments(args, {"--to"}, {"--set"});
    if (!parsed.ok)
        return badUsage(parsed.error, kBackupUsage);
    if (parsed.positional.size() != 1)
        return badUsage("one year data file expected", kBackupUsage);
    const std::optional<std::string> to = parsed.option("--to");
    if (to && to->empty())
        return badUsage("--to needs a folder", kBackupUsage);

    CliPrompt prompt;
    CKszwEnv env;
    try {
        if (env.openFile(parsed.positional[0], "", prompt) != kLoginOk)
            return 1;
    } catch (const DatabaseError& error) {
        prompt.warn(userMessage(error, parsed.positional[0]));
        return 1;
    }
    const std::string folder = to.value_or(defaultBackupFolder(env));
    const SystemClock clock;
    const BackupResult result = backupAccountData(
        env, parsed.flag("--set") ? BackupScope::AccountSet : BackupScope::OpenYear, folder, clock, prompt);
    for (const std::string& file : result.files)
        std::printf("%s\n", file.c_str());
    return result.complete ? 0 : 1;
}

int runRestore(const Arguments& args)
{
    ParsedArguments parsed = parseArguments(args, {"--operator", "--password"}, {"--yes"});
    if (!parsed.ok)
        return badUsage(parsed.error, kRestoreUsage);
    if (parsed.positional.size() != 2)
        return badUsage("a backup and the year data file it restores expected", kRestoreUsage);
    const std::optional<std::string> op = parsed.option("--operator");
    if (!op && parsed.option("--password"))
        return badUsage("--password goes with --operator", kRestoreUsage);
    const std::string password = parsed.option("--password").value_or("");

    CliPrompt prompt(parsed.flag("--yes") ? std::optional<Answer>(Answer::Yes) : std::nullopt);
    // With an operator, the year being replaced decides the right when it opens like a login;
    // a year that is missing or cannot be opened leaves it to the backup's own operators.
    bool checkedOnCurrent = false;
    if (op) {
        CKszwEnv current;
        SilentPrompt quiet;
        bool opens = false;
        try {
            opens = current.openFile(parsed.positional[1], *op, quiet) == kLoginOk;
        } catch (const DatabaseError&) {
            opens = false;
        }
        current.close();
        if (opens) {
            if (!loginForCommand(parsed.positional[1], *op, password, kAdministrationRight, prompt))
                return 1;
            checkedOnCurrent = true;
        }
    }
    const RestoreCheck operatorMayRestore = [&](CKszwEnv& trial, Prompt& shown) {
        if (!op || checkedOnCurrent)
            return true;
        const std::string path = trial.foundPath();
        if (!confirmLogin(trial, path, *op, password, shown))
            return false;
        trial.loadPermissions();
        if (!trial.hasPermission(kAdministrationRight)) {
            shown.warn(missingRightMessage(trial.operatorCode(), kAdministrationRight));
            return false;
        }
        return true;
    };
    const SystemClock clock;
    const RestoreResult result =
        restoreYearFile(parsed.positional[0], parsed.positional[1], clock, prompt, operatorMayRestore);
    switch (result.outcome) {
    case RestoreOutcome::Restored:
        if (!result.keptCopy.empty())
            std::printf("%s\n", result.keptCopy.c_str());
        return 0;
    case RestoreOutcome::Declined:
        std::fputs("没有恢复：要恢复时请加 --yes。\n", stderr);
        return 1;
    default:
        return 1;
    }
}

} // namespace kszw::cli
