// kszw-cli: the program's automation interface. It drives the same core operations as the
// dialogs and prints the same messages.
#include "cli/cli_prompt.h"
#include "app/app_texts.h"
#include "cli/commands.h"
#include "store/database_error.h"
#include "store/error_messages.h"

#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

namespace {

struct CommandEntry {
    const char* name;
    int (*run)(const kszw::cli::Arguments&);
    const char* usage;
};

constexpr CommandEntry kCommands[] = {
    {"new-set", kszw::cli::runNewSet, "new-set DIR|LOCATION [--year Y]"},
    {"info", kszw::cli::runInfo, "info FILE [--operator OP] [--password P]"},
    {"calc", kszw::cli::runCalc, "calc EXPR"},
    {"operator", kszw::cli::runOperator,
     "operator FILE --operator OP [--password P] add CODE NAME [--rights all|R1,R2,...] | rights CODE R1,R2,... | "
     "delete CODE"},
    {"new-year", kszw::cli::runNewYear, "new-year FILE --operator OP [--password P] --year Y [--yes]"},
    {"demo", kszw::cli::runDemo, "demo DIR [--year Y] [--date YYYYMMDD]"},
    {"import", kszw::cli::runImport, "import FILE --operator OP [--password P] subjects|opening|currencies|rates|vouchers CSVFILE"},
    {"review", kszw::cli::runReview, "review FILE --operator OP [--password P] [--all | --month M]"},
    {"close-month", kszw::cli::runCloseMonth, "close-month FILE --operator OP [--password P] [--yes]"},
    {"carry-forward", kszw::cli::runCarryForward,
     "carry-forward FILE --operator OP [--password P] [--items chart,classes,templates,pairs,balances] [--yes]"},
    {"copy-from", kszw::cli::runCopyFrom,
     "copy-from SOURCE FILE --operator OP [--password P] [--items chart,templates,classes,variables,formats,reports]"},
    {"backup", kszw::cli::runBackup, "backup FILE [--set] [--to DIR]"},
    {"restore", kszw::cli::runRestore, "restore BACKUP FILE [--operator OP [--password P]] [--yes]"},
    {"view", kszw::cli::runView,
     "view FILE VIEW [--operator OP] [--password P] [--subject CODE] [--date YYYYMMDD] [--number N] [--month M] [--parent K] [--numbers N1,N2…|--classes C1,C2…] [--range all|reviewed|unreviewed] [--from M|YYYYMMDD] [--to M|YYYYMMDD] [--mode auto|detail|summary] [--print-rows] [--rows-per-page N] [--levels next|all] [--amount A [--amount2 B]] [--side debit|credit] [--text T] [--order date|subject] [--name REPORT] [--format tsv|csv|xlsx|pdf] [--out PATH]   VIEW: chart, voucher, summary, ledger, balance, turnover, multicolumn, quantity, currency, search, report"},
    {"set-info", kszw::cli::runSetInfo,
     "set-info FILE --operator OP [--password P] [--unit U] [--chief K] [--t1 D] [--t13 D] [--jt NNN]"},
    {"push", kszw::cli::runPush, "push FILE LOCATION"},
    {"pull", kszw::cli::runPull, "pull LOCATION FILE"},
};

int usage(std::FILE* out = stderr, int status = 2)
{
    std::fputs("usage: kszw-cli COMMAND ...\n       kszw-cli --version\n", out);
    for (const CommandEntry& command : kCommands)
        std::fprintf(out, "  kszw-cli %s\n", command.usage);
    std::fputs("FILE may be a year on a server: LOCATION = postgresql://HOST[:PORT]/DATABASE?year=Y\n"
               "(user and password from PGUSER/PGPASSWORD or ~/.pgpass)\n",
               out);
    return status;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return usage();
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)
        return usage(stdout, 0);
    if (std::strcmp(argv[1], "--version") == 0) {
        std::printf("kszw-cli %s\n", kszw::app_text::kVersion);
        return 0;
    }
    kszw::cli::Arguments args(argv + 2, argv + argc);
    for (const CommandEntry& command : kCommands) {
        if (std::strcmp(argv[1], command.name) != 0)
            continue;
        try {
            return command.run(args);
        } catch (const kszw::DatabaseError& error) {
            std::fprintf(stderr, "%s\n", kszw::cli::terminalText(kszw::userMessage(error)).c_str());
            return 1;
        } catch (const std::exception& error) {
            std::fprintf(stderr, "%s\n", error.what());
            return 1;
        }
    }
    std::fprintf(stderr, "kszw-cli: unknown command %s\n", argv[1]);
    return usage();
}
