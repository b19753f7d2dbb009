// Speed of the financial statements on the big book of the ledger benchmarks (2,000 subjects,
// 1,000,000 posted lines, 200,000 of them below 1001): the shipped balance sheet of December (its
// formulas name 1001, 1002 and 1012 of this chart), a statement of 40 lines with the balance and the
// debit balances of the sub-subjects of every top-level subject (80 data functions over every
// line of the book), and a statement of the net amounts without the transfer vouchers (sy) of
// 1001 and of ten other subjects.
//
// The book is shared with the ledger benchmarks (KSZW_LEDGER_BOOK, default a folder under the
// temporary folder) and written once when it is not there.
#include "accountset/year_file.h"
#include "ledger/ledger_conventions.h"
#include "reports/report_calculation.h"
#include "reports/report_definitions.h"
#include "store/database.h"

#include "big_book.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

using namespace kszw;

std::string bookPath()
{
    const char* given = std::getenv("KSZW_LEDGER_BOOK");
    const std::filesystem::path folder =
        given ? std::filesystem::path(given) : std::filesystem::temp_directory_path() / "kszw_ledger_book";
    return (folder / "2026.ksk").string();
}

Database& book()
{
    static Database db = [] {
        const std::string path = bookPath();
        if (!std::filesystem::exists(path)) {
            std::filesystem::create_directories(std::filesystem::path(path).parent_path());
            createYearFile(path, 2026);
            Database fresh = Database::open(path);
            bench::fillBigBook(fresh);
        }
        return Database::open(path);
    }();
    return db;
}

ReportDefinition statementOf(int lines, const std::string& first, const std::string& second)
{
    ReportDefinition definition;
    definition.number = 9;
    definition.name = "测试表";
    definition.columns = {"甲", "乙"};
    for (int top = 1; top <= lines; ++top) {
        const std::string code = "\"" + std::to_string(1000 + top) + "\"";
        ReportLine line;
        line.item = "科目" + std::to_string(top);
        line.lineNumber = std::to_string(top);
        line.formulas = {first.empty() ? "" : first + "(" + code + ",yf())",
                         second.empty() ? "" : second + "(" + code + ",yf())"};
        definition.lines.push_back(line);
    }
    return definition;
}

void run(benchmark::State& state, const ReportDefinition& definition)
{
    Database& db = book();
    const AccountingCalendar calendar = yearCalendar(db);
    for (auto _ : state) {
        const ReportResult result = calculateReport(db, calendar, "2026.ksk", definition, 12, "测试");
        if (!result.errors().empty())
            state.SkipWithError(result.errors().front().c_str());
        benchmark::DoNotOptimize(result);
    }
}

void ShippedBalanceSheet(benchmark::State& state)
{
    run(state, shippedReports(book())[0]);
}
BENCHMARK(ShippedBalanceSheet)->Unit(benchmark::kMillisecond);

void FortyBalancesAndSideBalances(benchmark::State& state)
{
    run(state, statementOf(40, "ye", "jye"));
}
BENCHMARK(FortyBalancesAndSideBalances)->Unit(benchmark::kMillisecond);

void NetAmountsWithoutTransfers(benchmark::State& state)
{
    ReportDefinition definition = statementOf(11, "", "");
    for (ReportLine& line : definition.lines) {
        const std::string code = "\"" + std::to_string(1000 + std::stoi(line.lineNumber)) + "\"";
        line.formulas = {"sy(" + code + ",yf(),yf(),\"1040\")", "sy(" + code + ",1,yf(),\"1040\")"};
    }
    run(state, definition);
}
BENCHMARK(NetAmountsWithoutTransfers)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
