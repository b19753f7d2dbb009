// Speed of the new-year carry-forward: an earlier year of 2,000 subjects (200 top-level subjects
// with 9 children each, every leaf with an opening balance and a posted voucher line, templates
// and classes) carried into an empty new year — chart, currencies, classes, templates and balances,
// one transaction. Target: at most 1 s a run.
#include "accountset/carry_forward.h"
#include "accountset/year_file.h"
#include "common/prompt.h"
#include "session/kszw_env.h"
#include "store/database.h"
#include "store/transaction.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

namespace {

using namespace kszw;

class ScratchFolder {
public:
    ScratchFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "carry_bench_XXXXXX").string();
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

// The earlier year: 2,000 subjects, 1,800 leaves with an opening balance and a posted line each.
void fillEarlierYear(const std::string& path)
{
    createYearFile(path, 2025);
    Database db = Database::open(path);
    Transaction transaction(db);
    for (int top = 0; top < 200; ++top) {
        const std::string code = std::to_string(1001 + top);
        db.execute("INSERT INTO SUBT(KNO,NA,CLAS,OP,FZ,DL,DLF,DLW) VALUES(?1,?2,1,'0','0','0',0,0)",
                   {code, "科目" + code});
        for (int child = 1; child <= 9; ++child) {
            const std::string leaf = code + "-" + std::to_string(child);
            db.execute("INSERT INTO SUBT(KNO,NA,CLAS,OP,FZ,DL,DLF,DLW) VALUES(?1,?2,2,'0','0','0',0,0)",
                       {leaf, "明细" + leaf});
            const std::int64_t f = (top + child) % 2 == 0 ? 1 : -1;
            db.execute("INSERT INTO P0(T,CER,RN,MRY,KNO,F,MY,NU,MK,TT) VALUES('20250101','    ',0,'期初',?1,?2,?3,0,'4','01')",
                       {leaf, f, 1000.0 + child});
            db.execute("INSERT INTO P0(T,CER,RN,MRY,KNO,F,MY,NU,MK,TT) VALUES('20250315','0001',?1,'发生',?2,?3,12.34,0,'4','03')",
                       {std::int64_t{top * 9 + child}, leaf, f});
        }
    }
    for (int n = 1; n <= 20; ++n) {
        db.execute("INSERT INTO AUTDIR(N,NA) VALUES(?1,?2)", {std::int64_t{n}, "模板" + std::to_string(n)});
        db.execute("INSERT INTO AUTCER(N,RN,MRY,KNO,F,FML) VALUES(?1,1,'x','1001-1',1,'1')", {std::int64_t{n}});
    }
    db.execute("INSERT INTO CERCLS(CNO,NA) VALUES('A','收款'),('B','付款'),('C','转帐')");
    transaction.commit();
}

void CarryTwoThousandSubjects(benchmark::State& state)
{
    ScratchFolder folder;
    fillEarlierYear((folder.path() / "2025.ksk").string());
    const std::string pristine = (folder.path() / "pristine.bin").string();
    createYearFile(pristine, 2026);
    const std::string current = (folder.path() / "2026.ksk").string();
    SilentPrompt prompt;
    int rows = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::copy_file(pristine, current, std::filesystem::copy_options::overwrite_existing);
        CKszwEnv env;
        ScriptedPrompt quiet;
        if (!confirmLogin(env, current, "101", "", quiet)) {
            state.SkipWithError("login failed");
            return;
        }
        state.ResumeTiming();
        CYearCarryForward carry(env);
        if (carry.open()) {
            state.SkipWithError("no earlier year");
            return;
        }
        const std::string result = carry.run({}, prompt);
        benchmark::DoNotOptimize(result);
        state.PauseTiming();
        rows = env.db().queryLong("SELECT count(*) FROM P0");
        carry.close();
        state.ResumeTiming();
    }
    state.counters["carried_rows"] = rows;
}
BENCHMARK(CarryTwoThousandSubjects)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

BENCHMARK_MAIN();
