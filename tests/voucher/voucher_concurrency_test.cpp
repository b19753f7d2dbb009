// Eight bookkeepers saving vouchers of the same month at once, each in a process of its own, on
// the same year (a year file, or a year on the test server): every voucher is kept, under a number
// of its own.
#include "voucher_fixture.h"

#include "store/statement.h"

#include <sys/wait.h>
#include <unistd.h>

#include <set>

namespace kszw::test {
namespace {

constexpr int kClients = 8;
constexpr int kSavesEach = 125;

// One client: logs in as 102 on its own connection and saves its vouchers in March, each under the
// next number as the entry view offers it; when another client took that number meanwhile the save
// is told "凭证重号" and the client tries the next one. Returns how many vouchers it saved, or -1.
int runClient(const std::string& path, int client)
{
    CKszwEnv env;
    ScriptedPrompt quiet;
    if (!confirmLogin(env, path, "102", "", quiet)) {
        std::fprintf(stderr, "client %d: no login\n", client);
        return -1;
    }
    FixedClock clock(CivilDate{2026, 3, 31});
    int saved = 0;
    for (int attempt = 0; saved < kSavesEach && attempt < kSavesEach * 20; ++attempt) {
        const int next = env.db().queryLong("SELECT max(val(CER)) FROM CERDIR WHERE substr(T,1,6)='202603'") + 1;
        char number[8];
        std::snprintf(number, sizeof number, "%04d", next);
        const std::string amount = std::to_string(client + 1) + "." + std::to_string(saved % 100 / 10)
                                   + std::to_string(saved % 10);
        // A new voucher each time, as the entry view starts one after a save.
        CVoucher voucher(env, clock);
        voucher.head = {"2026", "03", "15", number, "1"};
        voucher.lines.assign(3, VoucherLine{});
        const std::vector<std::vector<std::string>> rows = {{"客户" + std::to_string(client), "1001", amount, ""},
                                                            {"客户" + std::to_string(client), "1002-1", "", amount}};
        for (size_t i = 0; i < rows.size(); ++i) {
            for (size_t c = 0; c < 4; ++c)
                voucher.lines[i][static_cast<int>(c)] = rows[i][c];
            voucher.refreshLineSubject(voucher.lines[i]);
        }
        ScriptedPrompt answers;
        answers.queueAnswer(Answer::Yes); // save
        answers.queueAnswer(Answer::Yes); // back to the number after "凭证重号"
        const int result = voucher.SaveWithConfirm(answers);
        if (result == voucher_result::kOk)
            ++saved;
        else if (result != voucher_result::kBackToField) {
            std::fprintf(stderr, "client %d: save answered %d\n", client, result);
            for (const auto& entry : answers.entries())
                std::fprintf(stderr, "  %s\n", std::string(entry.text).c_str());
            return -1;
        }
    }
    return saved;
}

TEST_F(VoucherTest, EightClientsSavingInOneMonthGetDistinctNumbersAndLoseNothing)
{
    env.close();
    std::vector<pid_t> children;
    int channel[2];
    ASSERT_EQ(::pipe(channel), 0);
    for (int client = 0; client < kClients; ++client) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(channel[0]);
            int saved = -1;
            try {
                saved = runClient(path, client);
            } catch (...) {
                saved = -2;
            }
            const int record[2] = {client, saved};
            [[maybe_unused]] const ssize_t written = ::write(channel[1], record, sizeof record);
            // Without destructors: the parent's connections are not this process's to close.
            ::_exit(0);
        }
        children.push_back(child);
    }
    ::close(channel[1]);
    int total = 0;
    for (int i = 0; i < kClients; ++i) {
        int record[2] = {-1, -1};
        ASSERT_EQ(::read(channel[0], record, sizeof record), static_cast<ssize_t>(sizeof record));
        EXPECT_EQ(record[1], kSavesEach) << "client " << record[0];
        total += record[1];
    }
    ::close(channel[0]);
    for (pid_t child : children)
        ::waitpid(child, nullptr, 0);
    ASSERT_EQ(total, kClients * kSavesEach);

    Database db = Database::open(path);
    EXPECT_EQ(db.queryLong("SELECT count(*) FROM CERDIR WHERE substr(T,1,6)='202603'"), kClients * kSavesEach);
    EXPECT_EQ(db.queryLong("SELECT count(*) FROM (SELECT CER FROM CERDIR WHERE substr(T,1,6)='202603' "
                           "GROUP BY CER HAVING count(*)>1) AS twice"),
              0);
    // Every voucher has its two lines, and they balance, for every client.
    EXPECT_EQ(db.queryLong("SELECT count(*) FROM P0 WHERE substr(T,1,6)='202603'"), 2 * kClients * kSavesEach);
    EXPECT_EQ(db.queryLong("SELECT count(*) FROM (SELECT T,CER FROM P0 GROUP BY T,CER "
                           "HAVING abs(sum(F*MY)) > 0.001 OR count(*) <> 2) AS unbalanced"),
              0);
    // The numbers are 0001 … 1000 without a gap.
    std::set<int> numbers;
    for (Statement list = db.prepare("SELECT CER FROM CERDIR WHERE substr(T,1,6)='202603'"); list.step();)
        numbers.insert(std::stoi(list.columnText(0)));
    ASSERT_EQ(numbers.size(), static_cast<size_t>(kClients * kSavesEach));
    EXPECT_EQ(*numbers.begin(), 1);
    EXPECT_EQ(*numbers.rbegin(), kClients * kSavesEach);
}

} // namespace
} // namespace kszw::test
