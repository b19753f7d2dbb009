// kszw-cli backup and restore: the copy's name and place, the whole account set, the answer to the
// restore's question from --yes, the file restored identical to the backup with the file before
// kept, and the refusals (a backup of another year, an operator without the right, bad usage).
#include "accountset/year_file.h"
#include "store/database.h"
#include "store/statement.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <sstream>
#include <vector>

namespace kszw {
namespace {

using test::shellQuote;

namespace fs = std::filesystem;

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> result;
    std::stringstream stream(text);
    for (std::string line; std::getline(stream, line);)
        result.push_back(line);
    return result;
}

// Every row of the tables the test changes, in row order.
std::string rowsOf(const std::string& path)
{
    Database db = Database::openReadOnly(path);
    std::string rows;
    for (Statement select = db.prepare("SELECT KNO||'|'||NA FROM SUBT ORDER BY rowid"); select.step();)
        rows += select.columnText(0) + "\n";
    for (Statement select = db.prepare("SELECT NA||'|'||PY||'|'||MM FROM SYSTAB"); select.step();)
        rows += select.columnText(0) + "\n";
    return rows;
}

class CliBackup : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directory(folder);
        createYearFile(file, 2026);
        createYearFile(folder + "/2025.ksk", 2025);
        Database db = Database::open(file);
        db.execute("INSERT INTO SUBT(KNO,NA) VALUES('1001','库存现金')");
        db.execute("UPDATE OPR SET PSD='pw' WHERE OPNO='101'");
    }

    // Runs kszw-cli; out gets stdout, err stderr.
    int cli(const std::string& arguments)
    {
        const std::string errFile = dir.file("stderr.txt");
        const int status =
            test::runCommand(shellQuote(KSZW_CLI_PATH) + " " + arguments + " 2>" + shellQuote(errFile), out);
        test::runCommand("cat " + shellQuote(errFile), err);
        return status;
    }

    test::TempDir dir;
    std::string folder = dir.file("books");
    std::string file = folder + "/2026.ksk";
    std::string out;
    std::string err;
};

TEST_F(CliBackup, TheBackupIsATimestampedCopyInTheAccountSetsBackupFolder)
{
    ASSERT_EQ(cli("backup " + shellQuote(file)), 0) << err;
    const std::vector<std::string> made = lines(out);
    ASSERT_EQ(made.size(), 1u);
    EXPECT_EQ(fs::path(made[0]).parent_path().string(), folder + "/备份");
    EXPECT_TRUE(std::regex_match(fs::path(made[0]).filename().string(),
                                 std::regex("2026-[0-9]{8}-[0-9]{4}\\.ksk\\.bak")))
        << made[0];
    EXPECT_EQ(rowsOf(made[0]), rowsOf(file));
    EXPECT_EQ(err, "");

    // The whole account set, into a folder of the user's choice.
    ASSERT_EQ(cli("backup " + shellQuote(file) + " --set --to " + shellQuote(dir.file("usb"))), 0) << err;
    const std::vector<std::string> set = lines(out);
    ASSERT_EQ(set.size(), 2u);
    EXPECT_TRUE(fs::path(set[0]).filename().string().starts_with("2025-")) << set[0];
    EXPECT_TRUE(fs::path(set[1]).filename().string().starts_with("2026-")) << set[1];
    EXPECT_EQ(fs::path(set[0]).parent_path().string(), dir.file("usb"));
}

TEST_F(CliBackup, AFileThatDoesNotOpenLikeALoginIsNotBackedUp)
{
    EXPECT_EQ(cli("backup " + shellQuote(folder + "/2030.ksk")), 1);
    EXPECT_EQ(err, "该文件不存在！\n");
    EXPECT_FALSE(fs::exists(folder + "/备份"));
    EXPECT_EQ(cli("backup"), 2);
    EXPECT_EQ(cli("backup " + shellQuote(file) + " --to"), 2);
}

TEST_F(CliBackup, RestoreAsksThenPutsTheBackupBackAndKeepsTheFileBefore)
{
    ASSERT_EQ(cli("backup " + shellQuote(file)), 0) << err;
    const std::string backup = lines(out).at(0);
    const std::string original = rowsOf(file);
    {
        Database db = Database::open(file);
        db.execute("DELETE FROM SUBT");
        db.execute("UPDATE SYSTAB SET MM=4");
    }
    const std::string changed = rowsOf(file);

    // Without --yes the question is answered No.
    EXPECT_EQ(cli("restore " + shellQuote(backup) + " " + shellQuote(file) + " --operator 101 --password pw"), 1);
    EXPECT_NE(err.find("没有恢复：要恢复时请加 --yes。"), std::string::npos) << err;
    EXPECT_EQ(rowsOf(file), changed);

    ASSERT_EQ(cli("restore " + shellQuote(backup) + " " + shellQuote(file) + " --operator 101 --password pw --yes"),
              0)
        << err;
    EXPECT_EQ(rowsOf(file), original);
    const std::vector<std::string> kept = lines(out);
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_TRUE(kept[0].ends_with("-before-restore.ksk.bak")) << kept[0];
    EXPECT_EQ(rowsOf(kept[0]), changed);
    EXPECT_NE(err.find("“2026”年的帐务数据已从备份恢复！\n恢复前的帐务数据已另存为“" + kept[0] + "”。"),
              std::string::npos)
        << err;
}

TEST_F(CliBackup, RestoreRefusesAnotherYearAndAnOperatorWithoutTheRight)
{
    ASSERT_EQ(cli("backup " + shellQuote(folder + "/2025.ksk")), 0) << err;
    const std::string backup2025 = lines(out).at(0);
    ASSERT_EQ(cli("backup " + shellQuote(file)), 0) << err;
    const std::string backup2026 = lines(out).at(0);
    const std::string current = rowsOf(file);

    EXPECT_EQ(cli("restore " + shellQuote(backup2025) + " " + shellQuote(file) + " --operator 101 --password pw --yes"),
              1);
    EXPECT_EQ(err, "备份“" + backup2025 + "”是“2025”年的帐务数据，不能恢复为“2026”年的帐务数据！\n");

    // The operator needs 帐务管理 in the year being replaced.
    EXPECT_EQ(cli("restore " + shellQuote(backup2026) + " " + shellQuote(file) + " --operator 102 --yes"), 1);
    EXPECT_EQ(err, "操作员 102 没有“帐务管理”的权限！\n");
    EXPECT_EQ(cli("restore " + shellQuote(backup2026) + " " + shellQuote(file) + " --operator 101 --password no --yes"),
              1);
    EXPECT_EQ(err, "操作员口今不正确！\n");
    EXPECT_EQ(rowsOf(file), current);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder + "/备份"), fs::directory_iterator()), 2);

    EXPECT_EQ(cli("restore " + shellQuote(backup2026) + " --operator 101"), 2);
    // Without an operator, as a backup is made: the question decides (no --yes, nothing changes).
    EXPECT_EQ(cli("restore " + shellQuote(backup2026) + " " + shellQuote(file)), 1);
    EXPECT_EQ(rowsOf(file), current);
    const fs::perms before = fs::status(file).permissions();
    ASSERT_EQ(cli("restore " + shellQuote(backup2026) + " " + shellQuote(file) + " --yes"), 0) << err;
    // The restored year keeps the permissions the file had.
    EXPECT_EQ(fs::status(file).permissions(), before);
}

} // namespace
} // namespace kszw
