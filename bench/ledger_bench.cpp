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

constexpr int kTopLevel = 40;
constexpr int kChildren = 49;
constexpr int kLines = 1000000;
constexpr int kLinesOf1001 = 200000;

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
    std::string chart = "code,name,kind,unit,multi_column,direction,width\n";
    for (int top = 1; top <= kTopLevel; ++top) {
        chart += std::to_string(1000 + top) + ",科目" + std::to_string(top) + ",0,,0,0,0\n";
        for (int child = 1; child <= kChildren; ++child)
            chart += std::to_string(1000 + top) + "-" + std::to_string(child) + ",明细" + std::to_string(child) +
                     ",0,,0,0,0\n";
    }
    if (!importSubjects(db, chart).ok)
        throw std::runtime_error("the chart was refused");
    const AccountingCalendar calendar(2026, "20260101", "20261231", "031");
    std::mt19937 random(42);
    Transaction transaction(db);
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db.handle(), "INSERT INTO P0(T,CER,RN,MRY,KNO,F,MY,NU,MK,TT) VALUES(?1,?2,?3,?4,?5,?6,?7,0,'4',?8)",
                           -1, &statement, nullptr) != SQLITE_OK)
        throw std::runtime_error("the insert was refused");
    const auto add = [&](const std::string& date, const std::string& number, int rn, const std::string& code, int f,
                         double amount, const std::string& month) {
        sqlite3_reset(statement);
        sqlite3_bind_text(statement, 1, date.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(statement, 2, number.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int(statement, 3, rn);
        sqlite3_bind_text(statement, 4, "摘要", -1, SQLITE_STATIC);
        sqlite3_bind_text(statement, 5, code.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int(statement, 6, f);
        sqlite3_bind_double(statement, 7, amount);
        sqlite3_bind_text(statement, 8, month.c_str(), -1, SQLITE_TRANSIENT);
        if (sqlite3_step(statement) != SQLITE_DONE)
            throw std::runtime_error("a line was refused");
    };
    for (int top = 1; top <= kTopLevel; ++top)
        add("20260101", "    ", 0, std::to_string(1000 + top) + "-1", top % 2 ? 1 : -1, 10000.0 * top, "01");
    for (int i = 0; i < kLines; i += 2) {
        const int month = static_cast<int>(random() % 12) + 1;
        const MonthPeriod period = calendar.period(month);
        const std::string date = period.first.substr(0, 6) + (random() % 2 ? "10" : "20");
        const std::string number = std::to_string(1000 + (i / 2) % 9000);
        // The first fifth of the lines lies below 1001.
        const int top = i < kLinesOf1001 ? 1 : 2 + static_cast<int>(random() % (kTopLevel - 1));
        const std::string debit = std::to_string(1000 + top) + "-" + std::to_string(1 + random() % kChildren);
        const std::string credit = std::to_string(1000 + top) + "-" + std::to_string(1 + random() % kChildren);
        const double amount = static_cast<double>(1 + random() % 1000000) / 100.0;
        add(date, number, 1, debit, 1, amount, monthCode(month));
        add(date, number, 2, credit, -1, amount, monthCode(month));
    }
    sqlite3_finalize(statement);
    transaction.commit();
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
