// Two copies of the program on one year file: the write lock, the busy timeout, duplicate checks
// inside a transaction, and the guards of the statement layer.
#include "store/database.h"
#include "store/database_error.h"
#include "store/error_messages.h"
#include "store/transaction.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <sqlite3.h>

#include <chrono>
#include <future>
#include <stdexcept>
#include <thread>

namespace kszw {
namespace {

using namespace std::chrono_literals;

class TwoConnections : public ::testing::Test {
protected:
    void SetUp() override
    {
        Database setup = Database::create(dir.file("2026.ksk"));
        setup.execute("CREATE TABLE CERDIR(MK CHAR(2),CER CHAR(4))");
        setup.close();
        first = Database::open(dir.file("2026.ksk"));
        second = Database::open(dir.file("2026.ksk"));
    }

    // A check-then-insert as the voucher numbering does it: the number must be free in the month.
    static bool insertIfFree(Database& db, const std::string& number)
    {
        requireTransaction(db, "insertIfFree");
        if (db.queryLong("SELECT count(*) FROM CERDIR WHERE MK='03' AND CER=?1", {number}) > 0)
            return false;
        db.execute("INSERT INTO CERDIR(MK,CER) VALUES('03',?1)", {number});
        return true;
    }

    test::TempDir dir;
    Database first;
    Database second;
};

TEST_F(TwoConnections, TheSecondWriterWaitsThenGetsTheBusyMessage)
{
    second.setBusyTimeout(200);
    Transaction holding(first);
    const auto started = std::chrono::steady_clock::now();
    try {
        Transaction waiting(second);
        FAIL() << "the second connection got the write lock";
    } catch (const DatabaseError& error) {
        // It waited for the other copy before giving up.
        EXPECT_GE(std::chrono::steady_clock::now() - started, 150ms);
        EXPECT_EQ(error.code(), SQLITE_BUSY);
        EXPECT_EQ(classifyFailure(error), StoreFailure::Busy);
        EXPECT_EQ(userMessage(error), "帐务数据文件“" + dir.file("2026.ksk") + "”正被其他程序使用，请稍后再试！\r"
                                          + (test::onServerEngine() ? "canceling statement due to lock timeout"
                                                              : "database is locked"));
    }
    // The refused transaction left no trace: the second connection is not inside one.
    EXPECT_FALSE(second.inTransaction());
}

TEST_F(TwoConnections, TheSecondWriterGoesOnOnceTheFirstCommits)
{
    second.setBusyTimeout(5000);
    Transaction holding(first);
    ASSERT_TRUE(insertIfFree(first, "0001"));
    // The second copy asks for the same number while the first still holds the lock.
    auto secondTry = std::async(std::launch::async, [this] {
        Transaction transaction(second);
        const bool inserted = insertIfFree(second, "0001");
        transaction.commit();
        return inserted;
    });
    EXPECT_EQ(secondTry.wait_for(100ms), std::future_status::timeout) << "the second writer did not wait";
    holding.commit();
    // Its check ran after the first copy's row was there: the number is taken.
    EXPECT_FALSE(secondTry.get());
    EXPECT_EQ(first.queryLong("SELECT count(*) FROM CERDIR WHERE CER='0001'"), 1);
}

TEST_F(TwoConnections, ManyCopiesNeverBothPassADuplicateCheck)
{
    constexpr int kCopies = 4;
    constexpr int kNumbers = 25;
    std::vector<std::future<int>> copies;
    for (int copy = 0; copy < kCopies; ++copy)
        copies.push_back(std::async(std::launch::async, [this] {
            Database db = Database::open(dir.file("2026.ksk"));
            int inserted = 0;
            for (int n = 1; n <= kNumbers; ++n) {
                Transaction transaction(db);
                inserted += insertIfFree(db, std::to_string(n)) ? 1 : 0;
                transaction.commit();
            }
            return inserted;
        }));
    int total = 0;
    for (auto& copy : copies)
        total += copy.get();
    EXPECT_EQ(total, kNumbers);
    EXPECT_EQ(first.queryLong("SELECT count(*) FROM (SELECT CER FROM CERDIR GROUP BY CER HAVING count(*)>1) AS twice"), 0);
}

TEST_F(TwoConnections, ACheckThenInsertOutsideATransactionIsRefused)
{
    try {
        insertIfFree(first, "0002");
        FAIL() << "no refusal";
    } catch (const std::logic_error& error) {
        EXPECT_STREQ(error.what(), "insertIfFree must run inside a transaction");
    }
    EXPECT_EQ(first.queryLong("SELECT count(*) FROM CERDIR"), 0);
}

TEST_F(TwoConnections, AStatementTakesExactlyAsManyValuesAsItHasParameters)
{
    struct Case {
        const char* sql;
        SqlParams params;
        const char* message; // nullptr: accepted
    };
    const Case cases[] = {
        {"SELECT count(*) FROM CERDIR WHERE CER=?1", {std::string("1")}, nullptr},
        {"SELECT count(*) FROM CERDIR WHERE CER=?1", {}, "statement expects 1 parameters, got 0"},
        {"SELECT count(*) FROM CERDIR WHERE CER=?1", {std::string("1"), std::string("2")},
         "statement expects 1 parameters, got 2"},
        {"SELECT count(*) FROM CERDIR", {std::string("1")}, "statement expects 0 parameters, got 1"},
    };
    for (const Case& c : cases) {
        if (!c.message) {
            EXPECT_NO_THROW(first.queryLong(c.sql, c.params)) << c.sql;
            continue;
        }
        try {
            first.queryLong(c.sql, c.params);
            ADD_FAILURE() << "accepted: " << c.sql;
        } catch (const DatabaseError& error) {
            EXPECT_STREQ(error.what(), c.message);
        }
    }
}

TEST(StoreFailures, EachEngineAndSystemErrorGetsItsMessage)
{
    struct Case {
        DatabaseError error;
        const char* message;
    };
    const std::string file = "/books/2026.ksk";
    const Case cases[] = {
        {DatabaseError("database is locked", SQLITE_BUSY, file), "帐务数据文件“/books/2026.ksk”正被其他程序使用，请稍后再试！\rdatabase is locked"},
        {DatabaseError("attempt to write a readonly database", SQLITE_READONLY, file),
         "帐务数据文件“/books/2026.ksk”不能写入：本用户没有写入此文件或其文件夹的权限！\rattempt to write a readonly database"},
        {DatabaseError("database or disk is full", SQLITE_FULL, file), "磁盘已满，帐务数据文件“/books/2026.ksk”不能写入！\rdatabase or disk is full"},
        {DatabaseError("file is not a database", SQLITE_NOTADB, file), "“/books/2026.ksk”不是岚屿穗帐务数据文件！\rfile is not a database"},
        {DatabaseError("database disk image is malformed", SQLITE_CORRUPT, file),
         "帐务数据文件“/books/2026.ksk”已损坏！\rdatabase disk image is malformed"},
        {DatabaseError("no such table: pwr", SQLITE_ERROR, file),
         "“/books/2026.ksk”缺少帐务数据表，不是完整的岚屿穗帐务数据文件！\rno such table: pwr"},
        {DatabaseError("unable to open database file", SQLITE_CANTOPEN, file), "无法打开此文件！\r“/books/2026.ksk”\runable to open database file"},
        {DatabaseError("File exists", 0, file, EEXIST), "“/books/2026.ksk”已存在，不能再建立！\rFile exists"},
        {DatabaseError("Permission denied", 0, file, EACCES),
         "帐务数据文件“/books/2026.ksk”不能写入：本用户没有写入此文件或其文件夹的权限！\rPermission denied"},
        {DatabaseError("No space left on device", 0, file, ENOSPC), "磁盘已满，帐务数据文件“/books/2026.ksk”不能写入！\rNo space left on device"},
        {DatabaseError("File name too long", SQLITE_CANTOPEN, file, ENAMETOOLONG), "路径“/books/2026.ksk”太长，不能使用！\rFile name too long"},
        {DatabaseError("disk I/O error", SQLITE_IOERR, file), "读写帐务数据文件“/books/2026.ksk”时出错！\rdisk I/O error"},
        {DatabaseError("near \"x\": syntax error", SQLITE_ERROR, file), "帐务数据文件“/books/2026.ksk”操作出错！\rnear \"x\": syntax error"},
        // Without a known file the sentence still reads.
        {DatabaseError("file is not a database", SQLITE_NOTADB), "此文件不是岚屿穗帐务数据文件！\rfile is not a database"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(userMessage(c.error), c.message) << c.error.what();
    // A file given by the caller names a file the error does not know.
    EXPECT_EQ(userMessage(DatabaseError("database is locked", SQLITE_BUSY), "/other/2025.ksk"),
              "帐务数据文件“/other/2025.ksk”正被其他程序使用，请稍后再试！\rdatabase is locked");
}

TEST(StoreFailures, ForeignAndDamagedFilesAreNamedInTheirErrors)
{
    KSZW_FILE_ENGINE_ONLY();
    test::TempDir dir;
    // A file that is not a database at all.
    { std::FILE* f = std::fopen(dir.file("2025.ksk").c_str(), "w"); std::fputs(std::string(600, 'x').c_str(), f); std::fclose(f); }
    try {
        Database::open(dir.file("2025.ksk"));
        FAIL() << "opened";
    } catch (const DatabaseError& error) {
        EXPECT_EQ(classifyFailure(error), StoreFailure::NotADatabase);
        EXPECT_EQ(error.path(), dir.file("2025.ksk"));
    }
    // A database file whose pages were overwritten half-way.
    {
        Database db = Database::create(dir.file("2026.ksk"));
        Transaction transaction(db);
        db.execute("CREATE TABLE T(A TEXT)");
        for (int i = 0; i < 200; ++i)
            db.execute("INSERT INTO T VALUES(?1)", {std::string(100, 'a')});
        transaction.commit();
    }
    {
        std::FILE* f = std::fopen(dir.file("2026.ksk").c_str(), "r+");
        // The header of the second page, the table's first: its page type becomes nonsense.
        std::fseek(f, 4096, SEEK_SET);
        std::fputs(std::string(3000, '\x7f').c_str(), f);
        std::fclose(f);
    }
    try {
        Database db = Database::open(dir.file("2026.ksk"));
        db.queryLong("SELECT count(*) FROM T WHERE A LIKE 'a%'");
        FAIL() << "read a damaged file";
    } catch (const DatabaseError& error) {
        EXPECT_EQ(classifyFailure(error), StoreFailure::Corrupt) << error.what();
        EXPECT_EQ(error.path(), dir.file("2026.ksk"));
    }
}

TEST(StoreFailures, AFileThisUserMayNotWriteIsRefusedForWriting)
{
    KSZW_FILE_ENGINE_ONLY();
    test::TempDir dir;
    { Database db = Database::create(dir.file("2026.ksk")); }
    ::chmod(dir.path().c_str(), 0755);
    // Root makes the file another user may read but not write; a user makes it read-only for all.
    ::chmod(dir.file("2026.ksk").c_str(), ::geteuid() == 0 ? 0644 : 0444);
    const std::string path = dir.file("2026.ksk");
    const int result = test::runAsAnotherUser([&path] {
        try {
            Database::open(path);
            return 1;
        } catch (const DatabaseError& error) {
            if (classifyFailure(error) != StoreFailure::ReadOnly)
                return 2;
        }
        try {
            Database::openReadOnly(path);
        } catch (const DatabaseError&) {
            return 3;
        }
        return 0;
    });
    EXPECT_EQ(result, 0) << "1: opened for writing, 2: another failure, 3: not even for reading";
}

} // namespace
} // namespace kszw
