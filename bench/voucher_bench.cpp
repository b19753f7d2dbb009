// Speed of saving a voucher: a 20-line voucher stored again and again under one key on a real year
// file (each save deletes the stored header and lines and inserts them anew, one transaction), as
// every Ctrl+S of a changed voucher does. Target: at most 5 ms a save.
#include "accountset/year_file.h"
#include "chart/chart_import.h"
#include "common/clock.h"
#include "common/prompt.h"
#include "session/kszw_env.h"
#include "session/user_settings.h"
#include "store/database.h"
#include "voucher/voucher.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

namespace {

using namespace kszw;

constexpr int kLines = 20;

// A folder of its own under the system's temporary folder, removed afterwards.
class ScratchFolder {
public:
    ScratchFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "voucher_bench_XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            throw std::runtime_error("no temporary folder");
        m_path = pattern;
    }
    ~ScratchFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

// Ten subjects: the lines post to them in turn.
std::string chart()
{
    std::string csv = "code,name,kind,unit,multi_column,direction,width\n";
    for (int i = 1; i <= 10; ++i)
        csv += std::to_string(6600 + i) + ",费用" + std::to_string(i) + ",0,,0,0,0\n";
    return csv;
}

void SaveTwentyLineVoucher(benchmark::State& state)
{
    ScratchFolder folder;
    const std::string path = (folder.path() / "2026.ksk").string();
    createYearFile(path, 2026);
    CKszwEnv env;
    ScriptedPrompt prompt;
    if (!confirmLogin(env, path, "102", "", prompt)) {
        state.SkipWithError("login failed");
        return;
    }
    MemoryUserSettings settings;
    env.completeLogin(settings);
    if (!importSubjects(env.db(), chart()).ok) {
        state.SkipWithError("chart import failed");
        return;
    }
    FixedClock clock{CivilDate{2026, 3, 15}};
    CVoucher voucher(env, clock);
    voucher.ResetAsNew();
    voucher.lines.assign(kLines + 1, VoucherLine{});
    for (int i = 0; i < kLines; ++i) {
        VoucherLine& line = voucher.lines[static_cast<size_t>(i)];
        line[VoucherLine::Summary] = "报销第" + std::to_string(i + 1) + "笔费用";
        line[VoucherLine::Subject] = std::to_string(6601 + i % 10);
        line[i % 2 == 0 ? VoucherLine::Debit : VoucherLine::Credit] = std::to_string(100 + i / 2) + ".25";
        voucher.refreshLineSubject(line);
    }
    int classLength = 0;
    if (voucher.CheckHead(classLength, true, true, 0, prompt) != voucher_result::kOk ||
        voucher.Store(true, "", "", 0) != voucher_result::kOk) {
        state.SkipWithError("the first save failed");
        return;
    }
    for (auto _ : state) {
        const int result = voucher.Store(false, voucher.T, voucher.CER, 0);
        if (result != voucher_result::kOk)
            state.SkipWithError("a save failed");
        benchmark::DoNotOptimize(result);
    }
    state.counters["lines"] = env.db().queryLong("SELECT COUNT(*) FROM P0");
}
BENCHMARK(SaveTwentyLineVoucher)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
