// Backup copies of year files through the engine: their names, a copy holding exactly the
// committed rows of every table, never over an existing file nor half-written, the replacement of
// a year file refused while it is open anywhere, and the offer of a backup before an operation.
#include "store/backup.h"

#include "accountset/year_file.h"
#include "common/clock.h"
#include "common/prompt.h"
#include "store/database.h"
#include "store/database_error.h"
#include "store/error_messages.h"
#include "store/statement.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <map>
#include <vector>

namespace kszw {
namespace {

namespace fs = std::filesystem;

// Every row of every table and the schema itself, each row as one text, rows sorted.
std::map<std::string, std::vector<std::string>> dump(Database& db)
{
    std::map<std::string, std::vector<std::string>> tables;
    std::vector<std::string> names;
    for (Statement list = db.prepare("SELECT name FROM sqlite_master WHERE type='table'"); list.step();)
        names.push_back(list.columnText(0));
    names.push_back("sqlite_master");
    for (const std::string& name : names) {
        std::vector<std::string>& rows = tables[name];
        for (Statement select = db.prepare("SELECT * FROM \"" + name + "\""); select.step();) {
            std::string row;
            for (int column = 0; column < select.columnCount(); ++column)
                row += (select.isNull(column) ? std::string("<null>") : "'" + select.columnText(column) + "'") + "|";
            rows.push_back(row);
        }
        std::sort(rows.begin(), rows.end());
    }
    return tables;
}

std::map<std::string, std::vector<std::string>> dumpFile(const std::string& path)
{
    Database db = Database::openReadOnly(path);
    return dump(db);
}

// The names in a folder, hidden ones included.
std::vector<std::string> namesIn(const std::string& folder)
{
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class BackupTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directories(dir.file("set"));
        createYearFile(year, 2026);
        Database db = Database::open(year);
        db.execute("INSERT INTO SUBT(KNO,NA) VALUES('1001','库存现金'),('1002','银行存款')");
        db.execute("UPDATE SYSTAB SET NA='甲公司', MM=2");
    }

    test::TempDir dir;
    std::string year = dir.file("set/2026.ksk");
    FixedClock clock{CivilDate{2026, 12, 6}};
};

TEST(BackupNames, YearDayTimeSequenceAndMark)
{
    struct Case {
        int year;
        BackupStamp stamp;
        int sequence;
        bool beforeRestore;
        std::string name;
    };
    const std::vector<Case> cases = {
        {2026, {{2026, 12, 6}, 15, 30}, 1, false, "2026-20261206-1530.ksk.bak"},
        {2027, {{2027, 1, 2}, 9, 5}, 1, false, "2027-20270102-0905.ksk.bak"},
        {2026, {{2026, 12, 6}, 0, 0}, 2, false, "2026-20261206-0000-2.ksk.bak"},
        {2025, {{2026, 3, 1}, 23, 59}, 1, true, "2025-20260301-2359-before-restore.ksk.bak"},
        {2026, {{2026, 12, 6}, 15, 30}, 3, true, "2026-20261206-1530-3-before-restore.ksk.bak"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(backupFileName(c.year, c.stamp, c.sequence, c.beforeRestore), c.name);
}

TEST(BackupNames, TheDayComesFromTheClock)
{
    const FixedClock clock(CivilDate{2031, 7, 9});
    const BackupStamp stamp = backupStampNow(clock);
    EXPECT_EQ(stamp.day, (CivilDate{2031, 7, 9}));
    EXPECT_GE(stamp.hour, 0);
    EXPECT_LE(stamp.hour, 23);
    EXPECT_LE(stamp.minute, 59);
}

TEST_F(BackupTest, TheBackupFolderLiesInTheAccountSet)
{
    KSZW_FILE_ENGINE_ONLY();
    EXPECT_EQ(backupFolderFor(year), dir.file("set/备份"));
    EXPECT_EQ(backupFolderFor(dir.file("set/./2026.ksk")), dir.file("set/备份"));
}

TEST_F(BackupTest, ASecondBackupInTheSameMinuteTakesTheNextFreeName)
{
    const BackupStamp stamp{{2026, 12, 6}, 15, 30};
    const std::string folder = dir.file("set/备份");
    fs::create_directories(folder);
    EXPECT_EQ(freeBackupPath(folder, 2026, stamp), folder + "/2026-20261206-1530.ksk.bak");
    std::ofstream(folder + "/2026-20261206-1530.ksk.bak") << "x";
    std::ofstream(folder + "/2026-20261206-1530-2.ksk.bak") << "x";
    EXPECT_EQ(freeBackupPath(folder, 2026, stamp), folder + "/2026-20261206-1530-3.ksk.bak");
    // Another year, or the copy before a restore, has names of its own.
    EXPECT_EQ(freeBackupPath(folder, 2025, stamp), folder + "/2025-20261206-1530.ksk.bak");
    EXPECT_EQ(freeBackupPath(folder, 2026, stamp, true), folder + "/2026-20261206-1530-before-restore.ksk.bak");
}

TEST_F(BackupTest, ABackupHoldsEveryRowOfEveryTableAndNothingElseIsLeft)
{
    KSZW_FILE_ENGINE_ONLY();
    const std::string copy = dir.file("set/copy.bak");
    {
        Database db = Database::open(year);
        backupDatabase(db, copy);
        EXPECT_EQ(dump(db), dumpFile(copy));
    }
    EXPECT_EQ(namesIn(dir.file("set")), (std::vector<std::string>{"2026.ksk", "copy.bak"}));
    // The copy is a file of its own: changing it leaves the year as it was.
    {
        Database changed = Database::open(copy);
        changed.execute("DELETE FROM SUBT");
    }
    Database db = Database::open(year);
    EXPECT_EQ(db.queryLong("SELECT count(*) FROM SUBT"), 2);
}

TEST_F(BackupTest, ABackupTakesOnlyWhatWasCommitted)
{
    KSZW_FILE_ENGINE_ONLY();
    Database writer = Database::open(year);
    writer.execute("BEGIN IMMEDIATE");
    writer.execute("INSERT INTO SUBT(KNO,NA) VALUES('1003','未提交')");
    backupDatabaseFile(year, dir.file("copy.bak"));
    writer.execute("ROLLBACK");
    Database copy = Database::open(dir.file("copy.bak"));
    EXPECT_EQ(copy.queryLong("SELECT count(*) FROM SUBT"), 2);
}

TEST_F(BackupTest, ABackupNeverReplacesAFile)
{
    std::ofstream(dir.file("taken.bak")) << "someone else's file";
    try {
        backupDatabaseFile(year, dir.file("taken.bak"));
        FAIL() << "the existing file was replaced";
    } catch (const DatabaseError& error) {
        EXPECT_EQ(error.systemError(), EEXIST);
        EXPECT_EQ(error.path(), dir.file("taken.bak"));
    }
    std::ifstream kept(dir.file("taken.bak"));
    std::string text;
    std::getline(kept, text);
    EXPECT_EQ(text, "someone else's file");
}

TEST_F(BackupTest, AFailedBackupLeavesNoFile)
{
    KSZW_FILE_ENGINE_ONLY();
    // The folder of the copy does not exist.
    EXPECT_THROW(backupDatabaseFile(year, dir.file("missing/copy.bak")), DatabaseError);
    // The source is not a database: nothing is made beside the target.
    std::ofstream(dir.file("set/text.ksk")) << std::string(300, 'x');
    try {
        backupDatabaseFile(dir.file("set/text.ksk"), dir.file("set/copy.bak"));
        FAIL() << "a text file was copied as a database";
    } catch (const DatabaseError& error) {
        EXPECT_EQ(classifyFailure(error), StoreFailure::NotADatabase);
    }
    EXPECT_EQ(namesIn(dir.file("set")), (std::vector<std::string>{"2026.ksk", "text.ksk"}));
}

TEST_F(BackupTest, BackupYearMakesTheFolderAndATimestampedCopy)
{
    KSZW_FILE_ENGINE_ONLY();
    Database db = Database::open(year);
    const std::string folder = dir.file("set/备份");
    const std::string first = backupYear(db, 2026, folder, clock);
    const std::string second = backupYear(db, 2026, folder, clock);
    EXPECT_NE(first, second);
    for (const std::string& copy : {first, second}) {
        const std::string name = fs::path(copy).filename().string();
        EXPECT_TRUE(name.starts_with("2026-20261206-")) << name;
        EXPECT_TRUE(name.ends_with(".ksk.bak")) << name;
        EXPECT_EQ(dumpFile(copy), dump(db));
    }
    EXPECT_EQ(namesIn(folder).size(), 2u);
}

class ReplaceTest : public BackupTest {
protected:
    void SetUp() override
    {
        // Replacing is of year files only (a server's year is restored by its administrator).
        KSZW_FILE_ENGINE_ONLY();
        BackupTest::SetUp();
        // The replacement: the year as it was, then the year goes on changing.
        backupDatabaseFile(year, prepared);
        before = dumpFile(year);
        Database db = Database::open(year);
        db.execute("DELETE FROM SUBT WHERE KNO='1001'");
        db.execute("UPDATE SYSTAB SET MM=5");
        changed = dump(db);
    }

    std::string prepared = dir.file("set/.prepared.ksk");
    std::string kept = dir.file("set/kept.bak");
    std::map<std::string, std::vector<std::string>> before;
    std::map<std::string, std::vector<std::string>> changed;
};

TEST_F(ReplaceTest, TheYearBecomesThePreparedFileAndItsLastStateIsKept)
{
    KSZW_FILE_ENGINE_ONLY();
    replaceDatabaseFile(prepared, year, kept);
    EXPECT_EQ(dumpFile(year), before);
    EXPECT_EQ(dumpFile(kept), changed);
    EXPECT_EQ(namesIn(dir.file("set")), (std::vector<std::string>{"2026.ksk", "kept.bak"}));
}

TEST_F(ReplaceTest, AYearOpenAnywhereIsNotReplaced)
{
    KSZW_FILE_ENGINE_ONLY();
    Database other = Database::open(year); // another program, logged in and idle
    try {
        replaceDatabaseFile(prepared, year, kept);
        FAIL() << "an open year file was replaced";
    } catch (const DatabaseError& error) {
        EXPECT_EQ(classifyFailure(error), StoreFailure::Busy);
        EXPECT_EQ(error.path(), year);
        EXPECT_NE(userMessage(error).find("“" + year + "”正被其他程序使用"), std::string::npos);
    }
    EXPECT_EQ(dump(other), changed);
    EXPECT_TRUE(fs::exists(prepared));
    EXPECT_FALSE(fs::exists(kept));
}

TEST_F(ReplaceTest, AMissingYearIsCreated)
{
    KSZW_FILE_ENGINE_ONLY();
    fs::remove(year);
    replaceDatabaseFile(prepared, year, kept);
    EXPECT_EQ(dumpFile(year), before);
    EXPECT_FALSE(fs::exists(kept));
    EXPECT_FALSE(fs::exists(prepared));
}

TEST_F(ReplaceTest, ADamagedYearIsKeptByteForByteAndItsJournalDropped)
{
    KSZW_FILE_ENGINE_ONLY();
    fs::remove(year);
    std::ofstream(year) << std::string(4096, 'z');
    std::ofstream(year + "-journal") << std::string(512, 'j');
    replaceDatabaseFile(prepared, year, kept);
    EXPECT_EQ(dumpFile(year), before);
    EXPECT_EQ(fs::file_size(kept), 4096u);
    EXPECT_FALSE(fs::exists(year + "-journal"));
}

TEST_F(BackupTest, TheOfferBacksUpGoesOnOrStops)
{
    KSZW_FILE_ENGINE_ONLY();
    struct Case {
        Answer answer;
        BackupOffer offer;
        size_t copies;
    };
    const std::string folder = dir.file("set/备份");
    const std::vector<Case> cases = {
        {Answer::No, BackupOffer::Skipped, 0},
        {Answer::Cancel, BackupOffer::Cancelled, 0},
        {Answer::Yes, BackupOffer::BackedUp, 1},
    };
    Database db = Database::open(year);
    for (const Case& c : cases) {
        ScriptedPrompt prompt;
        prompt.queueAnswer(c.answer);
        EXPECT_EQ(offerBackupFirst(db, 2026, clock, prompt), c.offer);
        ASSERT_EQ(prompt.entries().size(), 1u);
        EXPECT_EQ(prompt.entries()[0].text, "进行此操作前，先把本年度帐务数据备份到“" + folder
                                                + "”吗？\r\r选“否”不备份而继续，选“取消”不进行此操作。");
        EXPECT_TRUE(prompt.entries()[0].question);
        EXPECT_EQ(fs::exists(folder) ? namesIn(folder).size() : 0u, c.copies);
    }
    EXPECT_EQ(dumpFile(folder + "/" + namesIn(folder).front()), dump(db));
}

TEST_F(BackupTest, AFailedBackupIsToldAndStopsTheOperation)
{
    KSZW_FILE_ENGINE_ONLY();
    // A file where the backup folder should be.
    std::ofstream(dir.file("set/备份")) << "not a folder";
    Database db = Database::open(year);
    ScriptedPrompt prompt;
    prompt.queueAnswer(Answer::Yes);
    EXPECT_EQ(offerBackupFirst(db, 2026, clock, prompt), BackupOffer::Cancelled);
    ASSERT_EQ(prompt.entries().size(), 2u);
    EXPECT_FALSE(prompt.entries()[1].question);
    EXPECT_NE(prompt.last().find(dir.file("set/备份")), std::string::npos) << prompt.last();
}

} // namespace
} // namespace kszw
