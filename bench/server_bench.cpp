// The server edition against a year file, on one big book: 2,000 subjects (40 top-level accounts of
// 49 children each) and 1,000,000 posted lines, the same book the ledger benchmarks use. The book is
// taken as a year file and pushed to a server, and both places are timed:
//   TurnoverTable/file, TurnoverTable/server  the balance-and-turnover table of all levels;
//   TurnoverTable/server_analyzed             the same once the server has the lines' statistics
//                                             (counter analyzed: whether it had them already);
//   SaveVoucher/file, SaveVoucher/server      a 20-line voucher stored again under one key, as
//                                             every Ctrl+S of a changed voucher does.
//
// The benchmark starts its own throwaway server (scripts/test-server.sh) in a temporary state
// folder and stops it when it ends, also after a failure or an interrupt. Without the server's
// programs it says so and times the year file only.
//
// The book is written once and kept under the temporary folder, named by the version below, for
// later runs (KSZW_SERVER_BENCH_BOOK names another folder). Each run works on a copy of it, so the
// saved vouchers never reach the kept book; the copy is what is pushed. The push happens once per
// run; its time is printed and given as the counter push_s.
#include "accountset/year_file.h"
#include "accountset/year_transfer.h"
#include "chart/chart_import.h"
#include "common/clock.h"
#include "common/prompt.h"
#include "kszw_version.h"
#include "ledger/balance_tables.h"
#include "session/kszw_env.h"
#include "session/user_settings.h"
#include "store/accounting_calendar.h"
#include "store/database.h"
#include "store/transaction.h"
#include "voucher/voucher.h"

#include "big_book.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#ifndef KSZW_SOURCE_DIR
// The benchmarks are built without the tests' definitions: the source folder is two levels above
// this file, whose path the compiler is given in full.
#define KSZW_SOURCE_DIR_FROM_FILE 1
#endif

namespace {

using namespace kszw;

// Raise when the book's contents or the way it is written change: a kept book of another version
// is then written anew.
constexpr const char* kBookVersion = "1";

constexpr int kVoucherLines = 20;
constexpr int kYear = 2026;
constexpr const char* kServerDatabase = "kszw_bench";

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

std::filesystem::path sourceFolder()
{
#ifdef KSZW_SOURCE_DIR_FROM_FILE
    return std::filesystem::path(__FILE__).parent_path().parent_path();
#else
    return KSZW_SOURCE_DIR;
#endif
}

// A folder of its own under the system's temporary folder, removed afterwards.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& prefix)
    {
        std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "XXXXXX")).string();
        if (!mkdtemp(pattern.data()))
            throw std::runtime_error("no temporary folder");
        m_path = pattern;
    }
    ~ScratchFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

// ---- the book ----

std::filesystem::path keptBookFolder()
{
    const char* given = std::getenv("KSZW_SERVER_BENCH_BOOK");
    if (given && *given)
        return given;
    return std::filesystem::temp_directory_path()
           / (std::string("kszw_server_bench_book-") + kBookVersion + "-" + KSZW_VERSION);
}

// Writes the book into path: the chart through the chart import, the lines through one prepared
// statement in one transaction (the ledger benchmarks' book, line for line).
void writeBook(const std::string& path)
{
    createYearFile(path, kYear);
    Database db = Database::open(path);
    bench::fillBigBook(db);
}

// The kept book, written when it is not there yet. It is written under another name and renamed
// when whole, so an interrupted run never leaves half a book to be taken later.
std::string keptBook()
{
    const std::filesystem::path folder = keptBookFolder();
    const std::filesystem::path path = folder / "2026.ksk";
    if (std::filesystem::exists(path))
        return path.string();
    std::filesystem::create_directories(folder);
    const std::filesystem::path building = folder / ("building-" + std::to_string(::getpid()));
    std::filesystem::remove_all(building);
    std::filesystem::create_directories(building);
    const Clock::time_point start = Clock::now();
    std::fprintf(stderr, "writing the book of %d lines into %s …\n", bench::kLines, path.c_str());
    writeBook((building / "2026.ksk").string());
    std::filesystem::rename(building / "2026.ksk", path);
    std::filesystem::remove_all(building);
    std::fprintf(stderr, "the book was written in %.1f s\n", secondsSince(start));
    return path.string();
}

// ---- the throwaway server ----

struct ServerInfo {
    std::string host;
    std::string port;
    std::string user;
};

// A command run from a signal handler, which may only start a program and wait for it: the
// argument list is made beforehand.
class PreparedCommand {
public:
    void prepare(std::vector<std::string> words)
    {
        m_armed = 0;
        m_words = std::move(words);
        m_argv.clear();
        for (std::string& word : m_words)
            m_argv.push_back(word.data());
        m_argv.push_back(nullptr);
        m_armed = 1;
    }
    void disarm() { m_armed = 0; }

    // Runs the command once and waits for it; nothing when it is not prepared or has run.
    void run()
    {
        if (!m_armed)
            return;
        m_armed = 0;
        const pid_t child = ::fork();
        if (child == 0) {
            ::execv(m_argv[0], m_argv.data());
            ::_exit(127);
        }
        if (child > 0) {
            int status = 0;
            while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
            }
        }
    }

private:
    std::vector<std::string> m_words;
    std::vector<char*> m_argv;
    volatile std::sig_atomic_t m_armed = 0;
};

// What an interrupted or crashed run still does: stop its server, remove its temporary folders.
PreparedCommand g_stopServer;
PreparedCommand g_removeFolders;

extern "C" void cleanUpAndDie(int signal)
{
    g_stopServer.run();
    g_removeFolders.run();
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

void removeOnSignal(const std::vector<std::filesystem::path>& folders)
{
    std::vector<std::string> words = {"/bin/rm", "-rf", "--"};
    for (const std::filesystem::path& folder : folders)
        words.push_back(folder.string());
    g_removeFolders.prepare(std::move(words));
}

// Starts the server on construction and stops it on destruction, and from a fatal signal.
class ThrowawayServer {
public:
    ThrowawayServer() : m_state("kszw_server_bench_state_")
    {
        removeOnSignal({m_state.path()});
        for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGABRT, SIGSEGV, SIGBUS, SIGFPE})
            std::signal(signal, cleanUpAndDie);
        const std::filesystem::path script = sourceFolder() / "scripts" / "test-server.sh";
        if (!std::filesystem::exists(script)) {
            m_note = "no server: " + script.string() + " is missing";
            return;
        }
        g_stopServer.prepare({"/bin/bash", script.string(), "stop", m_state.path().string()});

        const Clock::time_point start = Clock::now();
        const std::string command = "/bin/bash '" + script.string() + "' start '" + m_state.path().string() + "' 1>&2";
        const int status = std::system(command.c_str());
        std::ifstream in(m_state.path() / "server");
        ServerInfo info;
        if (status != 0 || !(in >> info.host >> info.port >> info.user)) {
            m_note = status != 0 ? "no server: the test server did not start"
                                 : "no server: the PostgreSQL server programs are not installed";
            return;
        }
        // The client library connects as the cluster's user, without a password.
        ::setenv("PGUSER", info.user.c_str(), 1);
        ::unsetenv("PGPASSWORD");
        m_info = info;
        std::fprintf(stderr, "server on %s:%s started in %.1f s\n", info.host.c_str(), info.port.c_str(),
                     secondsSince(start));
    }

    ~ThrowawayServer()
    {
        g_stopServer.run();
        g_removeFolders.disarm(); // the folders' own destructors remove them
    }

    ThrowawayServer(const ThrowawayServer&) = delete;
    ThrowawayServer& operator=(const ThrowawayServer&) = delete;

    bool available() const { return m_info.has_value(); }
    const std::string& note() const { return m_note; }
    const std::filesystem::path& stateFolder() const { return m_state.path(); }

    std::string yearLocation() const
    {
        return "postgresql://" + m_info->host + ":" + m_info->port + "/" + kServerDatabase +
               "?year=" + std::to_string(kYear);
    }

private:
    ScratchFolder m_state;
    std::optional<ServerInfo> m_info;
    std::string m_note;
};

// ---- the two places of the book ----

// Ten leaves below 1001: the voucher's lines post to them in turn.
std::string voucherSubject(int line)
{
    return "1001-" + std::to_string(1 + line % 10);
}

// A login on a place as the program makes it, and a 20-line voucher stored once under its key.
class VoucherOnPlace {
public:
    explicit VoucherOnPlace(const std::string& place) : m_clock(CivilDate{kYear, 3, 15}), m_voucher(m_env, m_clock)
    {
        if (!confirmLogin(m_env, place, "102", "", m_prompt))
            throw std::runtime_error("the login failed");
        m_env.completeLogin(m_settings);
        m_voucher.ResetAsNew();
        m_voucher.lines.assign(kVoucherLines + 1, VoucherLine{});
        for (int i = 0; i < kVoucherLines; ++i) {
            VoucherLine& line = m_voucher.lines[static_cast<size_t>(i)];
            line[VoucherLine::Summary] = "报销第" + std::to_string(i + 1) + "笔费用";
            line[VoucherLine::Subject] = voucherSubject(i);
            line[i % 2 == 0 ? VoucherLine::Debit : VoucherLine::Credit] = std::to_string(100 + i / 2) + ".25";
            m_voucher.refreshLineSubject(line);
        }
        int classLength = 0;
        if (m_voucher.CheckHead(classLength, true, true, 0, m_prompt) != voucher_result::kOk ||
            m_voucher.Store(true, "", "", 0) != voucher_result::kOk)
            throw std::runtime_error("the first save failed");
    }

    // Stores the voucher again under its own key.
    int saveAgain() { return m_voucher.Store(false, m_voucher.T, m_voucher.CER, 0); }

private:
    CKszwEnv m_env;
    ScriptedPrompt m_prompt;
    MemoryUserSettings m_settings;
    FixedClock m_clock;
    CVoucher m_voucher;
};

struct Place {
    std::string where;   // the year file's path or the year's location
    std::string failure; // why the place cannot be timed; empty when it can
    double pushSeconds = 0;
    std::unique_ptr<Database> tables; // the connection the tables are built on
    std::unique_ptr<VoucherOnPlace> voucher;
};

class World {
public:
    explicit World(ThrowawayServer& server) : m_server(server), m_work("kszw_server_bench_work_")
    {
        removeOnSignal({server.stateFolder(), m_work.path()});
    }

    // The working copy of the book, made on first use.
    Place& file()
    {
        if (!m_fileTried) {
            m_fileTried = true;
            try {
                const std::string kept = keptBook();
                m_file.where = (m_work.path() / "2026.ksk").string();
                std::filesystem::copy_file(kept, m_file.where);
            } catch (const std::exception& error) {
                m_file.failure = std::string("the book could not be made: ") + error.what();
            }
        }
        return m_file;
    }

    // The same book pushed to the server, on first use.
    Place& server()
    {
        if (!m_serverTried) {
            m_serverTried = true;
            Place& source = file();
            if (!m_server.available()) {
                m_serverPlace.failure = m_server.note();
            } else if (!source.failure.empty()) {
                m_serverPlace.failure = source.failure;
            } else {
                const Clock::time_point start = Clock::now();
                const TransferResult pushed = pushYear(source.where, m_server.yearLocation());
                m_serverPlace.pushSeconds = secondsSince(start);
                if (pushed.ok) {
                    m_serverPlace.where = pushed.target;
                    std::fprintf(stderr, "pushed %d tables, %lld rows to %s in %.1f s\n", pushed.tables,
                                 static_cast<long long>(pushed.rows), pushed.target.c_str(),
                                 m_serverPlace.pushSeconds);
                } else {
                    m_serverPlace.failure = "the push failed: " + pushed.message;
                }
            }
        }
        return m_serverPlace;
    }

    Place& place(bool onServer) { return onServer ? server() : file(); }

private:
    ThrowawayServer& m_server;
    ScratchFolder m_work;
    bool m_fileTried = false;
    bool m_serverTried = false;
    Place m_file;
    Place m_serverPlace;
};

World* g_world = nullptr;

const TurnoverConditions kWholeYear{"", "20260101", "20261231", 1, 12, TurnoverListing::AllLevels};

// The rows of the file's table, to hold the server's against.
const std::vector<std::array<std::string, 8>>* g_fileTurnoverRows = nullptr;

// Whether the server has statistics of the lines' table yet (its own background analysis runs a
// while after a push; the planner guesses until then).
bool linesAnalyzed(Database& db)
{
    return db.queryLong("SELECT count(*) FROM pg_stat_user_tables WHERE schemaname=current_schema() AND "
                        "relname='p0' AND (last_analyze IS NOT NULL OR last_autoanalyze IS NOT NULL)") > 0;
}

// analyzeFirst: the server is told to gather the statistics of the lines' table before the timing.
void TimeTurnoverTable(benchmark::State& state, bool onServer, bool analyzeFirst)
{
    Place& place = g_world->place(onServer);
    if (!place.failure.empty()) {
        state.SkipWithError(place.failure.c_str());
        return;
    }
    try {
        if (!place.tables)
            place.tables = std::make_unique<Database>(Database::open(place.where));
        Database& db = *place.tables;
        if (analyzeFirst)
            db.execute("ANALYZE P0");
        // The first table is held against the file's: both places must give the same figures.
        const TurnoverTable first = buildTurnoverTable(db, kWholeYear);
        if (!onServer) {
            static const std::vector<std::array<std::string, 8>> rows = first.rows;
            g_fileTurnoverRows = &rows;
        } else if (g_fileTurnoverRows && *g_fileTurnoverRows != first.rows) {
            state.SkipWithError("the server's table differs from the file's");
            return;
        }
        for (auto _ : state)
            benchmark::DoNotOptimize(buildTurnoverTable(db, kWholeYear));
        state.counters["rows"] = static_cast<double>(first.rows.size());
        if (onServer) {
            state.counters["push_s"] = place.pushSeconds;
            state.counters["analyzed"] = linesAnalyzed(db) ? 1 : 0;
        }
    } catch (const std::exception& error) {
        state.SkipWithError(error.what());
    }
}

void TimeVoucherSave(benchmark::State& state, bool onServer)
{
    Place& place = g_world->place(onServer);
    if (!place.failure.empty()) {
        state.SkipWithError(place.failure.c_str());
        return;
    }
    try {
        if (!place.voucher)
            place.voucher = std::make_unique<VoucherOnPlace>(place.where);
        for (auto _ : state) {
            const int result = place.voucher->saveAgain();
            if (result != voucher_result::kOk) {
                state.SkipWithError("a save failed");
                break;
            }
            benchmark::DoNotOptimize(result);
        }
        if (onServer)
            state.counters["push_s"] = place.pushSeconds;
    } catch (const std::exception& error) {
        state.SkipWithError(error.what());
    }
}

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    int status = 0;
    try {
        ThrowawayServer server;
        if (!server.available())
            std::fprintf(stderr, "%s; only the year file is timed\n", server.note().c_str());
        {
            World world(server);
            g_world = &world;
            for (bool onServer : {false, true}) {
                if (onServer && !server.available())
                    continue;
                const std::string suffix = onServer ? "/server" : "/file";
                benchmark::RegisterBenchmark(("TurnoverTable" + suffix).c_str(), TimeTurnoverTable, onServer, false)
                    ->Unit(benchmark::kMillisecond);
                if (onServer)
                    benchmark::RegisterBenchmark("TurnoverTable/server_analyzed", TimeTurnoverTable, true, true)
                        ->Unit(benchmark::kMillisecond);
            }
            for (bool onServer : {false, true}) {
                if (onServer && !server.available())
                    continue;
                const std::string suffix = onServer ? "/server" : "/file";
                benchmark::RegisterBenchmark(("SaveVoucher" + suffix).c_str(), TimeVoucherSave, onServer)
                    ->Unit(benchmark::kMillisecond);
            }
            benchmark::RunSpecifiedBenchmarks();
            benchmark::Shutdown();
            g_world = nullptr;
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "server_bench: %s\n", error.what());
        status = 1;
    }
    return status;
}
