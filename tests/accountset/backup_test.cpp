// Backing up and restoring year files of an account set: a backup restores to an identical file
// (every row of every table, in order, with its type), the file as it was before is kept, and the
// refusals — a file open elsewhere, a backup of another year, a foreign file, a No — leave the year
// file and the folder exactly as they were.
#include "accountset/backup.h"

#include "accountset/year_file.h"
#include "chart/chart_import.h"
#include "common/clock.h"
#include "common/prompt.h"
#include "session/kszw_env.h"
#include "store/backup.h"
#include "store/database.h"
#include "store/database_error.h"
#include "store/error_messages.h"
#include "store/statement.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <vector>

namespace kszw {
namespace {

namespace fs = std::filesystem;

using Dump = std::map<std::string, std::vector<std::string>>;

// Every row of every table (and the schema), each value with its type, in the tables' row order.
Dump dumpFile(const std::string& path)
{
    Database db = Database::openReadOnly(path);
    Dump dump;
    std::vector<std::string> tables{"sqlite_master"};
    for (Statement list = db.prepare("SELECT name FROM sqlite_master WHERE type='table' ORDER BY name"); list.step();)
        tables.push_back(list.columnText(0));
    for (const std::string& table : tables) {
        std::string values;
        for (Statement columns = db.prepare("SELECT name FROM pragma_table_info(?1) ORDER BY cid", {table});
             columns.step();)
            values += (values.empty() ? "" : "||'|'||") + std::string("quote(\"") + columns.columnText(0) + "\")";
        const std::string order = table == "sqlite_master" ? "" : " ORDER BY rowid";
        for (Statement select = db.prepare("SELECT " + values + " FROM \"" + table + "\"" + order); select.step();)
            dump[table].push_back(select.columnText(0));
    }
    return dump;
}

std::set<std::string> namesIn(const std::string& folder)
{
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

constexpr std::string_view kChart = "code,name,kind,unit,multi_column,direction,width\n"
                                    "1001,库存现金,0,,0,0,0\n"
                                    "1002,银行存款,0,,0,0,0\n"
                                    "4001,实收资本,0,,0,0,0\n";

class BackupRestoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directories(folder);
        createYearFile(file(2025), 2025);
        createYearFile(file(2026), 2026);
        Database db = Database::open(file(2026));
        ASSERT_TRUE(importSubjects(db, kChart).ok);
        db.execute("UPDATE SYSTAB SET NA='甲公司'");
    }

    std::string file(int year) const { return folder + "/" + std::to_string(year) + ".ksk"; }

    // Logs into the year as the administrator.
    std::unique_ptr<CKszwEnv> logIn(int year)
    {
        auto env = std::make_unique<CKszwEnv>();
        SilentPrompt quiet;
        EXPECT_EQ(env->openFile(file(year), "101", quiet), int(kLoginOk));
        return env;
    }

    // A backup of the year in the account set's backup folder.
    std::string backUp(int year)
    {
        auto env = logIn(year);
        ScriptedPrompt prompt;
        const BackupResult result = backupAccountData(*env, BackupScope::OpenYear, backups, clock, prompt);
        EXPECT_TRUE(result.complete) << prompt.last();
        EXPECT_EQ(result.files.size(), 1u);
        return result.files.empty() ? std::string() : result.files.front();
    }

    // The year goes on: subjects renamed and added, one deleted, the header changed.
    void changeYear(int year)
    {
        Database db = Database::open(file(year));
        db.execute("UPDATE SUBT SET NA='现金' WHERE KNO='1001'");
        db.execute("DELETE FROM SUBT WHERE KNO='1002'");
        db.execute("INSERT INTO SUBT(KNO,NA) VALUES('1122','应收帐款')");
        db.execute("UPDATE SYSTAB SET MM=3, NA='乙公司'");
    }

    test::TempDir dir;
    std::string folder = dir.file("set");
    std::string backups = dir.file("set/备份");
    FixedClock clock{CivilDate{2026, 12, 6}};
};

TEST_F(BackupRestoreTest, ABackupRestoresToAnIdenticalFileAndTheFileBeforeIsKept)
{
    const Dump original = dumpFile(file(2026));
    const std::string backup = backUp(2026);
    EXPECT_EQ(dumpFile(backup), original);
    changeYear(2026);
    const Dump changed = dumpFile(file(2026));
    ASSERT_NE(changed, original);

    ScriptedPrompt prompt;
    prompt.queueAnswer(Answer::Yes);
    const RestoreResult result = restoreYearFile(backup, file(2026), clock, prompt);
    ASSERT_EQ(result.outcome, RestoreOutcome::Restored) << prompt.last();
    EXPECT_EQ(dumpFile(file(2026)), original);
    EXPECT_EQ(dumpFile(result.keptCopy), changed);

    const std::string keptName = fs::path(result.keptCopy).filename().string();
    EXPECT_TRUE(std::regex_match(keptName, std::regex("2026-20261206-[0-9]{4}-before-restore\\.ksk\\.bak"))) << keptName;
    EXPECT_EQ(fs::path(result.keptCopy).parent_path().string(), backups);
    EXPECT_EQ(prompt.texts(),
              (std::vector<std::string>{
                  "真的要用备份“" + fs::path(backup).filename().string()
                      + "”恢复“2026”年的帐务数据吗？\r\r现有的帐务数据先另存为备份，然后被备份中的数据取代。",
                  "“2026”年的帐务数据已从备份恢复！\r恢复前的帐务数据已另存为“" + result.keptCopy + "”。"}));
    // Nothing of the work is left beside the year files.
    EXPECT_EQ(namesIn(folder), (std::set<std::string>{"2025.ksk", "2026.ksk", "备份"}));

    // The restored file logs in like any year file.
    auto env = logIn(2026);
    EXPECT_EQ(env->unitName(), "甲公司");
    EXPECT_EQ(env->closedMonths(), 0);
}

TEST_F(BackupRestoreTest, BackupNamesCarryYearDayAndTime)
{
    const std::string backup = backUp(2026);
    const std::string name = fs::path(backup).filename().string();
    EXPECT_TRUE(std::regex_match(name, std::regex("2026-20261206-([01][0-9]|2[0-3])[0-5][0-9]\\.ksk\\.bak"))) << name;
    EXPECT_EQ(fs::path(backup).parent_path().string(), backups);
}

TEST_F(BackupRestoreTest, TheWholeAccountSetIsBackedUpYearByYearAtOneTime)
{
    std::ofstream(folder + "/notes.txt") << "not a year";
    auto env = logIn(2026);
    ScriptedPrompt prompt;
    const BackupResult result =
        backupAccountData(*env, BackupScope::AccountSet, dir.file("elsewhere"), clock, prompt);
    ASSERT_TRUE(result.complete) << prompt.last();
    ASSERT_EQ(result.files.size(), 2u);
    const std::optional<BackupEntry> first = parseBackupName(fs::path(result.files[0]).filename().string());
    const std::optional<BackupEntry> second = parseBackupName(fs::path(result.files[1]).filename().string());
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->year, 2025);
    EXPECT_EQ(second->year, 2026);
    EXPECT_EQ(first->date + first->time, second->date + second->time);
    EXPECT_EQ(dumpFile(result.files[0]), dumpFile(file(2025)));
    EXPECT_EQ(dumpFile(result.files[1]), dumpFile(file(2026)));
    EXPECT_TRUE(prompt.entries().empty());
    EXPECT_EQ(backupDoneMessage(result, dir.file("elsewhere")),
              "帐务数据已备份到“" + dir.file("elsewhere") + "”：\r    " + first->name + "\r    " + second->name);
}

TEST_F(BackupRestoreTest, AYearThatCannotBeReadIsToldAndTheOthersAreStillCopied)
{
    std::ofstream(folder + "/2019.ksk") << std::string(2048, 'x');
    auto env = logIn(2026);
    ScriptedPrompt prompt;
    const BackupResult result = backupAccountData(*env, BackupScope::AccountSet, backups, clock, prompt);
    EXPECT_FALSE(result.complete);
    EXPECT_EQ(result.files.size(), 2u);
    ASSERT_EQ(prompt.entries().size(), 1u);
    EXPECT_NE(prompt.last().find("“" + folder + "/2019.ksk”不是岚屿穗帐务数据文件！"), std::string::npos)
        << prompt.last();
}

TEST_F(BackupRestoreTest, AFileOpenInAnotherProgramIsNotRestored)
{
    const std::string backup = backUp(2026);
    changeYear(2026);
    const Dump changed = dumpFile(file(2026));
    Database other = Database::open(file(2026)); // another program logged in
    ScriptedPrompt prompt;
    prompt.queueAnswer(Answer::Yes);
    EXPECT_EQ(restoreYearFile(backup, file(2026), clock, prompt).outcome, RestoreOutcome::Refused);
    // Refused before anything is asked or copied, naming the busy file.
    EXPECT_EQ(prompt.texts(), std::vector<std::string>{userMessage(fileInUseError(file(2026)))});
    EXPECT_NE(prompt.last().find("帐务数据文件“" + file(2026) + "”正被其他程序使用，请稍后再试！"), std::string::npos);
    EXPECT_EQ(dumpFile(file(2026)), changed);
    EXPECT_EQ(namesIn(backups).size(), 1u);
}

TEST_F(BackupRestoreTest, AFileOpenedWhileTheQuestionIsShownIsNotReplaced)
{
    const std::string backup = backUp(2026);
    changeYear(2026);
    const Dump changed = dumpFile(file(2026));
    ScriptedPrompt prompt;
    std::optional<PreparedRestore> prepared = prepareRestore(backup, file(2026), prompt);
    ASSERT_TRUE(prepared) << prompt.last();
    Database other = Database::open(file(2026));
    EXPECT_EQ(prepared->complete(clock, prompt).outcome, RestoreOutcome::Failed);
    EXPECT_NE(prompt.last().find("正被其他程序使用"), std::string::npos) << prompt.last();
    EXPECT_EQ(dumpFile(file(2026)), changed);
    EXPECT_EQ(namesIn(backups).size(), 1u); // no copy kept: nothing was replaced
    prepared.reset();
    EXPECT_EQ(namesIn(folder), (std::set<std::string>{"2025.ksk", "2026.ksk", "备份"}));
}

TEST_F(BackupRestoreTest, ABackupOfAnotherYearIsRefused)
{
    const std::string backup = backUp(2025);
    const Dump current = dumpFile(file(2026));
    ScriptedPrompt prompt;
    prompt.queueAnswer(Answer::Yes);
    EXPECT_EQ(restoreYearFile(backup, file(2026), clock, prompt).outcome, RestoreOutcome::Refused);
    EXPECT_EQ(prompt.texts(), std::vector<std::string>{"备份“" + backup
                                                       + "”是“2025”年的帐务数据，不能恢复为“2026”年的帐务数据！"});
    EXPECT_EQ(dumpFile(file(2026)), current);
    EXPECT_EQ(namesIn(folder), (std::set<std::string>{"2025.ksk", "2026.ksk", "备份"}));
}

TEST_F(BackupRestoreTest, RefusalsLeaveTheYearAsItWas)
{
    KSZW_FILE_ENGINE_ONLY();
    const std::string backup = backUp(2026);
    std::ofstream(dir.file("text.bak")) << std::string(1000, 't');
    {
        // A database without a header is no year file.
        Database bare = Database::create(dir.file("bare.bak"));
        bare.execute("CREATE TABLE T(A)");
    }
    changeYear(2026);
    const Dump changed = dumpFile(file(2026));
    struct Case {
        std::string backup;
        std::string target;
        std::string message;
    };
    const std::vector<Case> cases = {
        {dir.file("text.bak"), file(2026), "“" + dir.file("text.bak") + "”不是岚屿穗帐务数据文件！"},
        {dir.file("bare.bak"), file(2026), "备份“" + dir.file("bare.bak") + "”不能恢复：无环境信息！"},
        {dir.file("missing.bak"), file(2026), "备份文件“" + dir.file("missing.bak") + "”不存在！"},
        {backup, folder + "/current.ksk", "“" + folder + "/current.ksk”不是年度帐务数据文件的名称（如“2026.ksk”）！"},
        {backup, dir.file("gone/2026.ksk"), "帐套文件夹“" + dir.file("gone") + "”不存在！"},
    };
    for (const Case& c : cases) {
        ScriptedPrompt prompt;
        prompt.queueAnswer(Answer::Yes);
        EXPECT_EQ(restoreYearFile(c.backup, c.target, clock, prompt).outcome, RestoreOutcome::Refused) << c.message;
        ASSERT_EQ(prompt.entries().size(), 1u) << c.message;
        EXPECT_TRUE(prompt.last().starts_with(c.message)) << prompt.last();
    }
    EXPECT_EQ(dumpFile(file(2026)), changed);
    EXPECT_EQ(namesIn(folder), (std::set<std::string>{"2025.ksk", "2026.ksk", "备份"}));
    EXPECT_EQ(namesIn(backups).size(), 1u);
}

TEST_F(BackupRestoreTest, NoLeavesTheYearAndAFailedCheckStopsBeforeTheQuestion)
{
    const std::string backup = backUp(2026);
    changeYear(2026);
    const Dump changed = dumpFile(file(2026));
    ScriptedPrompt prompt;
    prompt.queueAnswer(Answer::No);
    EXPECT_EQ(restoreYearFile(backup, file(2026), clock, prompt).outcome, RestoreOutcome::Declined);
    EXPECT_EQ(prompt.entries().size(), 1u);
    EXPECT_TRUE(prompt.entries()[0].question);

    // A further check sees the backup opened like a login, and its No stops the restore.
    prompt.clear();
    int checkedYear = 0;
    const RestoreCheck refuse = [&](CKszwEnv& trial, Prompt& shown) {
        checkedYear = trial.year();
        shown.warn("不行");
        return false;
    };
    EXPECT_EQ(restoreYearFile(backup, file(2026), clock, prompt, refuse).outcome, RestoreOutcome::Refused);
    EXPECT_EQ(checkedYear, 2026);
    EXPECT_EQ(prompt.texts(), std::vector<std::string>{"不行"});
    EXPECT_EQ(dumpFile(file(2026)), changed);
    EXPECT_EQ(namesIn(folder), (std::set<std::string>{"2025.ksk", "2026.ksk", "备份"}));
    EXPECT_EQ(namesIn(backups).size(), 1u);
}

TEST_F(BackupRestoreTest, ADeletedYearIsRestoredWithoutACopyBefore)
{
    const std::string backup = backUp(2025);
    const Dump original = dumpFile(file(2025));
    fs::remove(file(2025));
    ScriptedPrompt prompt;
    prompt.queueAnswer(Answer::Yes);
    const RestoreResult result = restoreYearFile(backup, file(2025), clock, prompt);
    ASSERT_EQ(result.outcome, RestoreOutcome::Restored) << prompt.last();
    EXPECT_TRUE(result.keptCopy.empty());
    EXPECT_EQ(dumpFile(file(2025)), original);
    EXPECT_EQ(prompt.last(), "“2025”年的帐务数据已从备份恢复！");
}

TEST(BackupList, NamesAreReadAndListedNewestFirst)
{
    struct Case {
        std::string name;
        bool backup;
        int year = 0;
        std::string date = {};
        std::string time = {};
        int sequence = 0;
        bool beforeRestore = false;
    };
    const std::vector<Case> cases = {
        {"2026-20261206-1530.ksk.bak", true, 2026, "20261206", "1530", 1, false},
        {"2026-20261206-1530-2.ksk.bak", true, 2026, "20261206", "1530", 2, false},
        {"2025-20260105-0905-before-restore.ksk.bak", true, 2025, "20260105", "0905", 1, true},
        {"2026-20261206-1530.KSK.BAK", true, 2026, "20261206", "1530", 1, false},
        {"2026-20261306-1530.ksk.bak", false}, // no 13th month
        {"2026-20261206-2460.ksk.bak", false}, // no such time
        {"2026-20261206-1530.ksk", false},
        {"2026.ksk.bak", false},
        {"x2026-20261206-1530.ksk.bak", false},
    };
    for (const Case& c : cases) {
        const std::optional<BackupEntry> entry = parseBackupName(c.name);
        ASSERT_EQ(entry.has_value(), c.backup) << c.name;
        if (!entry)
            continue;
        EXPECT_EQ(entry->year, c.year) << c.name;
        EXPECT_EQ(entry->date, c.date) << c.name;
        EXPECT_EQ(entry->time, c.time) << c.name;
        EXPECT_EQ(entry->sequence, c.sequence) << c.name;
        EXPECT_EQ(entry->beforeRestore, c.beforeRestore) << c.name;
    }

    test::TempDir dir;
    for (const char* name : {"2026-20261206-1530.ksk.bak", "2025-20261206-1530.ksk.bak", "2026-20261207-0800.ksk.bak",
                             "2026-20261206-1530-2.ksk.bak", "readme.txt", "2026-20261205-2359-before-restore.ksk.bak"})
        std::ofstream(dir.file(name)) << "x";
    fs::create_directory(dir.file("2026-20261208-0000.ksk.bak")); // a folder is no backup
    std::vector<std::string> listed;
    for (const BackupEntry& entry : listBackups(dir.path().string())) {
        listed.push_back(entry.name);
        EXPECT_EQ(entry.path, dir.file(entry.name));
    }
    EXPECT_EQ(listed, (std::vector<std::string>{"2026-20261207-0800.ksk.bak", "2026-20261206-1530-2.ksk.bak",
                                                "2025-20261206-1530.ksk.bak", "2026-20261206-1530.ksk.bak",
                                                "2026-20261205-2359-before-restore.ksk.bak"}));
    EXPECT_EQ(backupTimeText(*parseBackupName("2026-20261207-0800.ksk.bak")), "2026-12-07 08:00");
    EXPECT_TRUE(listBackups(dir.file("missing")).empty());
}

TEST_F(BackupRestoreTest, TheYearOfABackupComesFromItsNameOrItsHeader)
{
    const std::string backup = backUp(2025);
    fs::copy_file(backup, dir.file("saved.dat"));
    std::ofstream(dir.file("text.dat")) << "x";
    EXPECT_EQ(backupYear(backup), 2025);
    EXPECT_EQ(backupYear(dir.file("saved.dat")), 2025);
    EXPECT_EQ(backupYear(dir.file("text.dat")), 0);
    EXPECT_EQ(yearFileInSet(folder, 2026), file(2026));
    EXPECT_EQ(yearFileInSet(folder, 2030), folder + "/2030.ksk");
    fs::rename(file(2025), folder + "/2025.KSK");
    EXPECT_EQ(yearFileInSet(folder, 2025), folder + "/2025.KSK");
}

} // namespace
} // namespace kszw
