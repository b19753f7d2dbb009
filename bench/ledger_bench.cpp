// Speed of the ledgers on a big book: 2,000 subjects (40 top-level accounts of 49 children each)
// and 1,000,000 posted lines, 200,000 of them below the top-level account 1001. Times the balance
// table, the balance-and-turnover table of all levels, the three-column ledger of 1001 (detail and
// summary), and the whole `kszw-cli view` commands with a warm cache.
// Targets: the tables ≤ 0.2 s for the whole command; the 200,000-line ledger ≤ 0.3 s to rows.
//
// The book is written once through one prepared statement in one transaction and kept in the
// folder named by KSZW_LEDGER_BOOK (default: a folder under the temporary folder) for later runs.
#include "accountset/year_file.h"
#include "chart/chart_import.h"
#include "ledger/balance_tables.h"
#include "ledger/ledger_search.h"
#include "ledger/multi_column_ledger.h"
#include "ledger/quantity_ledger.h"
#include "ledger/three_column_ledger.h"
#include "store/accounting_calendar.h"
#include "store/database.h"
#include "store/transaction.h"

#include "big_book.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <unistd.h>

namespace {

using namespace kszw;

std::string bookFolder()
{
    const char* given = std::getenv("KSZW_LEDGER_BOOK");
    return given ? given : (std::filesystem::temp_directory_path() / "kszw_ledger_book").string();
}

std::string bookPath()
{
    return (std::filesystem::path(bookFolder()) / "2026.ksk").string();
}

// Writes the book when it is not there yet.
void makeBook()
{
    const std::string path = bookPath();
    if (std::filesystem::exists(path))
        return;
    std::filesystem::create_directories(bookFolder());
    createYearFile(path, 2026);
    Database db = Database::open(path);
    bench::fillBigBook(db);
}

Database& book()
{
    static Database db = [] {
        makeBook();
        return Database::open(bookPath());
    }();
    return db;
}

void BalanceTableTopLevel(benchmark::State& state)
{
    Database& db = book();
    for (auto _ : state)
        benchmark::DoNotOptimize(buildBalanceTable(db, {"", "20261231", 12}));
}
BENCHMARK(BalanceTableTopLevel)->Unit(benchmark::kMillisecond);

void TurnoverTableAllLevels(benchmark::State& state)
{
    Database& db = book();
    for (auto _ : state)
        benchmark::DoNotOptimize(
            buildTurnoverTable(db, {"", "20260101", "20261231", 1, 12, TurnoverListing::AllLevels}));
}
BENCHMARK(TurnoverTableAllLevels)->Unit(benchmark::kMillisecond);

void ThreeColumnLedgerDetail(benchmark::State& state)
{
    Database& db = book();
    const AccountingCalendar calendar(2026, "20260101", "20261231", "031");
    for (auto _ : state)
        benchmark::DoNotOptimize(BuildDetailText(db, calendar, {"1001", 1, 12}));
}
BENCHMARK(ThreeColumnLedgerDetail)->Unit(benchmark::kMillisecond);

void ThreeColumnLedgerSummary(benchmark::State& state)
{
    Database& db = book();
    const AccountingCalendar calendar(2026, "20260101", "20261231", "031");
    for (auto _ : state)
        benchmark::DoNotOptimize(BuildSummaryText(db, calendar, {"1001", 1, 12}));
}
BENCHMARK(ThreeColumnLedgerSummary)->Unit(benchmark::kMillisecond);

void MultiColumnLedgerDetail(benchmark::State& state)
{
    Database& db = book();
    const AccountingCalendar calendar(2026, "20260101", "20261231", "031");
    const std::vector<LedgerColumn> columns = ledgerColumns(db, "1001");
    for (auto _ : state)
        benchmark::DoNotOptimize(BuildMultiColumnDetail(db, calendar, {"1001", 1, 12}, columns));
}
BENCHMARK(MultiColumnLedgerDetail)->Unit(benchmark::kMillisecond);

void QuantityLedgerOfALeaf(benchmark::State& state)
{
    Database& db = book();
    // One leaf keeps quantities for the benchmark: about 4,000 lines.
    db.execute("UPDATE SUBT SET FZ='1',FZN='吨' WHERE trim(KNO)='1001-1'");
    const AccountingCalendar calendar(2026, "20260101", "20261231", "031");
    for (auto _ : state)
        benchmark::DoNotOptimize(buildQuantityLedger(db, calendar, "1001-1", 1, 12, QuantityKind::Quantity));
}
BENCHMARK(QuantityLedgerOfALeaf)->Unit(benchmark::kMillisecond);

void SearchByAmount(benchmark::State& state)
{
    Database& db = book();
    SearchConditions conditions;
    conditions.amount = "100";
    conditions.amount2 = "200";
    for (auto _ : state)
        benchmark::DoNotOptimize(runLedgerSearch(db, 2026, conditions));
}
BENCHMARK(SearchByAmount)->Unit(benchmark::kMillisecond);

// The whole command, as a script runs it: kszw-cli next to this program.
void runCli(benchmark::State& state, const std::string& arguments)
{
    book();
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe").parent_path() / "kszw-cli";
    const std::string command = "'" + self.string() + "' view '" + bookPath() + "' " + arguments + " >/dev/null";
    if (std::system(command.c_str()) != 0) {
        state.SkipWithError("kszw-cli failed");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(std::system(command.c_str()));
}

void CliBalance(benchmark::State& state)
{
    runCli(state, "balance --operator 102 --date 20261231");
}
BENCHMARK(CliBalance)->Unit(benchmark::kMillisecond);

void CliTurnoverAllLevels(benchmark::State& state)
{
    runCli(state, "turnover --operator 102 --from 20260101 --to 20261231 --levels all");
}
BENCHMARK(CliTurnoverAllLevels)->Unit(benchmark::kMillisecond);

void CliLedgerDetail(benchmark::State& state)
{
    runCli(state, "ledger --operator 102 --subject 1001 --mode detail");
}
BENCHMARK(CliLedgerDetail)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
