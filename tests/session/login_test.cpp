#include "accountset/year_file.h"
#include "common/prompt.h"
#include "session/kszw_env.h"
#include "session/user_settings.h"
#include "store/database.h"
#include "store/database_error.h"
#include "store/error_messages.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace kszw {
namespace {

namespace fs = std::filesystem;

class Login : public ::testing::Test {
protected:
    // A year data file of the given year in the temporary folder, with its initial content.
    std::string yearFile(int year, const std::string& name = "")
    {
        std::string path = dir.file(name.empty() ? std::to_string(year) + ".ksk" : name);
        createYearFile(path, year);
        return path;
    }

    void execute(const std::string& path, const std::string& sql)
    {
        Database db = Database::open(path);
        db.execute(sql);
    }

    test::TempDir dir;
    CKszwEnv env;
    ScriptedPrompt prompt;
    SilentPrompt silent;
};

TEST_F(Login, ValidationReportsTheFirstFailingCheck)
{
    KSZW_FILE_ENGINE_ONLY();
    yearFile(2026);
    yearFile(2025, "2025.KSK");
    fs::create_directory(dir.path() / "2027.ksk");
    yearFile(2028);
    fs::permissions(dir.file("2028.ksk"), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    yearFile(2029, ".2029.ksk");
    yearFile(2030, ".2030.ksk");
    fs::permissions(dir.file(".2030.ksk"), fs::perms::owner_read);
    std::ofstream(dir.file("1989.ksk")) << "x";
    std::ofstream(dir.file("abc.ksk")) << "x";
    std::ofstream(dir.file("20a6.ksk")) << "x";
    std::ofstream(dir.file("2031.ksk")) << "not a database, only some text that is long enough" << std::string(300, '.');
    fs::create_directory(dir.path() / "1900.ksk");

    struct Case {
        std::string path;
        int code;
    };
    const Case cases[] = {
        {"", kEmptyFileName},
        {"   ", kEmptyFileName},
        {dir.file("2026.txt"), kWrongExtension},        // refused before it is looked for
        {dir.file("2026.ksk.bak"), kWrongExtension},
        {dir.file("2032.ksk"), kFileMissing},
        {dir.file("2032"), kFileMissing},
        {dir.file("2027.ksk"), kIsFolder},
        {dir.file("1900.ksk"), kIsFolder},               // a folder before a bad year
        {dir.file("2028.ksk"), kReadOnlyFile},
        {dir.file(".2030.ksk"), kReadOnlyFile},          // read-only is tested before hidden
        {dir.file(".2029.ksk"), kHiddenFile},
        {dir.file("1989.ksk"), kBadYearName},
        {dir.file("abc.ksk"), kBadYearName},
        {dir.file("20a6.ksk"), kBadYearName},
        {dir.file("2031.ksk"), kCannotOpen},
        {dir.file("2026.ksk"), kLoginOk},
        {dir.file("2026"), kLoginOk},                    // the extension is added
        {dir.file("2026."), kLoginOk},
        {dir.file("2025.KSK"), kLoginOk},                // capitals accepted
        {dir.file("2025"), kLoginOk},                    // only the capital spelling exists
        {dir.path().string() + "/", kIsFolder},          // a path ending in "/" names a folder
        {dir.file("nothing") + "/", kFileMissing},
    };
    for (const Case& c : cases) {
        CKszwEnv trial;
        EXPECT_EQ(trial.validatePath(c.path), c.code) << "'" << c.path << "'";
    }
}

TEST_F(Login, AFileOfAnotherUserThatThisUserMayNotWriteIsReadOnly)
{
    KSZW_FILE_ENGINE_ONLY();
    // Mode 0644 has write bits, but only for the owner: to anybody else the file is read-only.
    const std::string path = yearFile(2026);
    fs::permissions(dir.path(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                    fs::perms::others_read | fs::perms::others_exec);
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                              fs::perms::others_read);
    if (::geteuid() != 0)
        GTEST_SKIP() << "making a file of another user needs root";
    const int code = test::runAsAnotherUser([&path] {
        CKszwEnv other;
        return -other.validatePath(path);
    });
    EXPECT_EQ(code, -kReadOnlyFile);
    // Its owner may write it.
    EXPECT_EQ(env.validatePath(path), kLoginOk);
}

TEST_F(Login, ADamagedFileIsAnErrorOfItsOwnNotAMissingHeader)
{
    KSZW_FILE_ENGINE_ONLY();
    const std::string path = yearFile(2026);
    {
        // Overwrite the header of a page in the middle of the file.
        std::FILE* f = std::fopen(path.c_str(), "r+");
        ASSERT_TRUE(f);
        for (long page = 1; page < 40; ++page) {
            std::fseek(f, page * 4096, SEEK_SET);
            std::fputs(std::string(16, '\x7f').c_str(), f);
        }
        std::fclose(f);
    }
    try {
        const int code = env.openFile(path, "102", prompt);
        FAIL() << "opened with code " << code;
    } catch (const DatabaseError& error) {
        EXPECT_EQ(classifyFailure(error), StoreFailure::Corrupt) << error.what();
        EXPECT_EQ(userMessage(error), "帐务数据文件“" + path + "”已损坏！\rdatabase disk image is malformed");
    }
    EXPECT_FALSE(env.isOpen());
    EXPECT_TRUE(prompt.entries().empty());
}

TEST_F(Login, ValidationSetsTheFoundPathAndYear)
{
    KSZW_FILE_ENGINE_ONLY();
    yearFile(2026);
    ASSERT_EQ(env.validatePath(dir.file("2026")), kLoginOk);
    EXPECT_EQ(env.foundPath(), dir.file("2026.ksk"));
    EXPECT_EQ(env.year(), 2026);
    yearFile(2025, "2025.KSK");
    ASSERT_EQ(env.validatePath(dir.file("2025")), kLoginOk);
    EXPECT_EQ(env.foundPath(), dir.file("2025.KSK"));
}

TEST_F(Login, EveryFailureCodeHasItsMessage)
{
    const std::pair<int, const char*> messages[] = {
        {kFileMissing, "该文件不存在！"},
        {kEmptyFileName, "文件名为空！"},
        {kWrongExtension, "不是岚屿穗帐务数据文件！"},
        {kIsFolder, "岚屿穗帐务数据文件不能是文件夹！"},
        {kReadOnlyFile, "岚屿穗帐务数据文件不能是只读文件！"},
        {kSystemFile, "岚屿穗帐务数据文件不能是系统文件！"},
        {kHiddenFile, "岚屿穗帐务数据文件不能是隐藏文件！"},
        {kBadYearName, "文件名不是由有效年度构成！"},
        {kNoHeader, "无环境信息！"},
        {kNoOperators, "本帐套无操作员！"},
        {kUnknownOperator, "无此操作员！"},
        {kCannotOpen, "无法打开此文件！"},
    };
    for (const auto& [code, message] : messages)
        EXPECT_EQ(loginMessage(code), message) << code;
    EXPECT_EQ(loginMessage(kYearMismatch, 2006, "KSK"), "文件名中的年度与实际帐务年度不相符！\n文件名应当改为：“2006.KSK”");
}

TEST_F(Login, OpenFileShowsTheMessageOnlyWhenMessagesAreOn)
{
    EXPECT_EQ(env.openFile(dir.file("2040.ksk"), "", silent), kFileMissing);
    EXPECT_EQ(env.openFile(dir.file("2040.ksk"), "", prompt), kFileMissing);
    ASSERT_EQ(prompt.entries().size(), 1u);
    EXPECT_EQ(prompt.entries()[0].text, "该文件不存在！");
    EXPECT_EQ(prompt.entries()[0].caption, "岚屿穗软件");
    EXPECT_EQ(prompt.entries()[0].icon, Icon::Exclamation);
}

TEST_F(Login, OpenFileReadsTheHeader)
{
    std::string path = yearFile(2026);
    execute(path, "UPDATE SYSTAB SET NA='甲公司  ',KJ='张三',MM=3,JT='025',T1='20251226',T13='20261225'");
    ASSERT_EQ(env.openFile(path, "", prompt), kLoginOk);
    EXPECT_TRUE(env.isLoggedIn());
    EXPECT_EQ(env.unitName(), "甲公司");
    EXPECT_EQ(env.chiefAccountant(), "张三");
    EXPECT_EQ(env.year(), 2026);
    EXPECT_EQ(env.closedMonths(), 3);
    EXPECT_EQ(env.firstOpenMonth(), 4);
    EXPECT_EQ(env.monthEndCode(), "025");
    EXPECT_EQ(env.monthEndValue(), 25);
    EXPECT_EQ(env.yearStart(), "20251226");
    EXPECT_EQ(env.yearEnd(), "20261225");
    EXPECT_EQ(env.filePath(), path);
    EXPECT_TRUE(prompt.entries().empty());
}

TEST_F(Login, AYearInTheNameThatDiffersFromTheHeaderNamesTheRightFile)
{
    KSZW_FILE_ENGINE_ONLY();
    std::string path = yearFile(2006, "2007.ksk");
    EXPECT_EQ(env.openFile(path, "", prompt), kYearMismatch);
    EXPECT_EQ(prompt.last(), "文件名中的年度与实际帐务年度不相符！\n文件名应当改为：“2006.ksk”");
    EXPECT_FALSE(env.isLoggedIn());
    EXPECT_FALSE(env.isOpen());
}

TEST_F(Login, ADatabaseWithoutOurTablesOrHeaderHasNoEnvironment)
{
    KSZW_FILE_ENGINE_ONLY();
    {
        Database db = Database::create(dir.file("2026.ksk"));
        db.execute("CREATE TABLE other(x)");
    }
    EXPECT_EQ(env.openFile(dir.file("2026.ksk"), "", prompt), kNoHeader);
    EXPECT_EQ(prompt.last(), "无环境信息！");

    std::string path = yearFile(2027);
    execute(path, "DELETE FROM SYSTAB");
    EXPECT_EQ(env.openFile(path, "", prompt), kNoHeader);

    // A SYSTAB of some other layout is refused the same way, without a crash.
    {
        Database db = Database::create(dir.file("2028.ksk"));
        db.execute("CREATE TABLE SYSTAB(X LONG)");
        db.execute("INSERT INTO SYSTAB VALUES(1)");
    }
    EXPECT_EQ(env.openFile(dir.file("2028.ksk"), "", prompt), kNoHeader);
    // An empty file opens as an empty database and has no header either.
    std::ofstream(dir.file("2029.ksk")).close();
    EXPECT_EQ(env.openFile(dir.file("2029.ksk"), "", prompt), kNoHeader);
}

TEST_F(Login, AFileWithoutOperatorsIsRefused)
{
    std::string path = yearFile(2026);
    execute(path, "DELETE FROM OPR");
    EXPECT_EQ(env.openFile(path, "101", prompt), kNoOperators);
    EXPECT_EQ(prompt.texts(), (std::vector<std::string>{"无此操作员！", "本帐套无操作员！"}));
}

TEST_F(Login, DefaultOperatorSkipsTheAdministratorWhenAnotherExists)
{
    struct Case {
        std::vector<std::string> codes;
        const char* expected;
    };
    const Case cases[] = {
        {{"101", "102"}, "102"},
        {{"102", "101"}, "102"},
        {{"101"}, "101"},
        {{"103", "105"}, "103"},
        {{"101", "105", "103"}, "103"},
        {{"100", "101"}, "100"},
    };
    int year = 2030;
    for (const Case& c : cases) {
        std::string path = yearFile(++year);
        execute(path, "DELETE FROM OPR");
        for (const std::string& code : c.codes)
            execute(path, "INSERT INTO OPR(OPNO,NA,PSD) VALUES('" + code + "','操作员" + code + "','')");
        CKszwEnv trial;
        ASSERT_EQ(trial.openFile(path, "", silent), kLoginOk);
        EXPECT_EQ(trial.operatorCode(), c.expected) << "first of " << c.codes.size();
        EXPECT_EQ(trial.operatorName(), std::string("操作员") + c.expected);
    }
}

TEST_F(Login, AnUnknownOperatorIsReportedAndTheDefaultOneTaken)
{
    std::string path = yearFile(2026);
    ASSERT_EQ(env.openFile(path, "999", prompt), kLoginOk);
    EXPECT_EQ(prompt.texts(), (std::vector<std::string>{"无此操作员！"}));
    EXPECT_EQ(env.operatorCode(), "102");
    // Without messages the default operator is taken silently.
    CKszwEnv quiet;
    ASSERT_EQ(quiet.openFile(path, "999", silent), kLoginOk);
    EXPECT_EQ(quiet.operatorCode(), "102");
}

TEST_F(Login, PasswordMustMatchExactly)
{
    std::string path = yearFile(2026);
    execute(path, "UPDATE OPR SET PSD='abc' WHERE OPNO='102'");
    execute(path, "UPDATE OPR SET PSD=NULL WHERE OPNO='101'");
    struct Case {
        const char* op;
        const char* typed;
        bool accepted;
    };
    const Case cases[] = {
        {"102", "abc", true}, {"102", "abc ", false}, {"102", " abc", false}, {"102", "ABC", false},
        {"102", "", false},   {"101", "", true},      {"101", " ", false},
    };
    for (const Case& c : cases) {
        ScriptedPrompt answers;
        CKszwEnv trial;
        EXPECT_EQ(confirmLogin(trial, path, c.op, c.typed, answers), c.accepted) << c.op << " '" << c.typed << "'";
        if (!c.accepted) {
            EXPECT_EQ(answers.texts(), (std::vector<std::string>{"操作员口今不正确！"}));
        }
    }
}

TEST_F(Login, ConfirmationNeedsAnOperatorAndAKnownOne)
{
    std::string path = yearFile(2026);
    EXPECT_FALSE(confirmLogin(env, path, "", "", prompt));
    EXPECT_EQ(prompt.texts(), (std::vector<std::string>{"没有选择操作员！"}));
    prompt.clear();
    EXPECT_FALSE(confirmLogin(env, path, "104", "", prompt));
    EXPECT_EQ(prompt.texts(), (std::vector<std::string>{"无此操作员！"}));
    prompt.clear();
    EXPECT_FALSE(confirmLogin(env, dir.file("2000.ksk"), "101", "", prompt));
    EXPECT_EQ(prompt.texts(), (std::vector<std::string>{"该文件不存在！"}));
}

TEST_F(Login, CompletingTheLoginLoadsRightsRemembersTheChoiceAndAddsSyscstab)
{
    std::string path = yearFile(2026);
    execute(path, "DROP TABLE SYSCSTAB");
    execute(path, "INSERT INTO PWR(OPNO,PWR) VALUES('102',NULL)");
    ASSERT_TRUE(confirmLogin(env, path, "102", "", prompt));
    MemoryUserSettings settings;
    env.completeLogin(settings);
    EXPECT_EQ(env.permissionText(), "0201 0202 0203 0204 0205 0206 0207 0208 0209 0301 0302 0303 0304 0305 0306 "
                                    "0307 0401 0402 0403 0404 0405 0406 ");
    EXPECT_TRUE(env.hasPermission("0301"));
    EXPECT_FALSE(env.hasPermission("0101"));
    EXPECT_EQ(settings.value(kDataDirKey), path);
    EXPECT_EQ(settings.value(kOperatorKey), "102");
    EXPECT_TRUE(env.db().tableExists("SYSCSTAB"));
    // A server keeps text of any length compared byte by byte for CHAR(n).
    EXPECT_EQ(env.db().columnType("SYSCSTAB", "CSVAL"), env.db().onServer() ? "text" : "CHAR(200)");

    CKszwEnv admin;
    ASSERT_TRUE(confirmLogin(admin, path, "101", "", prompt));
    admin.completeLogin(settings);
    EXPECT_EQ(admin.permissionText(), "0101 ");
    EXPECT_TRUE(admin.hasPermission("0101"));
    EXPECT_FALSE(admin.hasPermission("0201"));
}

TEST_F(Login, AnOperatorWithoutRightsHasAnEmptyPermissionText)
{
    std::string path = yearFile(2026);
    execute(path, "INSERT INTO OPR(OPNO,NA,PSD) VALUES('103','新人','')");
    execute(path, "INSERT INTO PWR(OPNO,PWR) VALUES('103',NULL)");
    ASSERT_TRUE(confirmLogin(env, path, "103", "", prompt));
    MemoryUserSettings settings;
    env.completeLogin(settings);
    EXPECT_EQ(env.permissionText(), "");
    EXPECT_FALSE(env.hasPermission("0201"));
    EXPECT_FALSE(env.hasPermission(""));
}

TEST_F(Login, OperatorsAreListedInNumericOrder)
{
    std::string path = yearFile(2026);
    execute(path, "INSERT INTO OPR(OPNO,NA,PSD) VALUES('20','乙','')");
    execute(path, "INSERT INTO OPR(OPNO,NA,PSD) VALUES('110','甲','')");
    ASSERT_EQ(env.openFile(path, "", silent), kLoginOk);
    std::vector<std::string> codes;
    for (const OperatorEntry& op : env.operators())
        codes.push_back(op.code + " " + op.name);
    EXPECT_EQ(codes, (std::vector<std::string>{"20 乙", "101 管理员", "102 ×××", "110 甲"}));
}

TEST_F(Login, TheFirstFileOfTheLoginIsTheCommandLineOneOrTheRememberedOne)
{
    std::string path = yearFile(2026);
    MemoryUserSettings settings;
    EXPECT_EQ(initialLoginFile(env, settings, ""), "");
    settings.setValue(kDataDirKey, path);
    settings.setValue(kOperatorKey, "101");
    EXPECT_EQ(initialLoginFile(env, settings, ""), path);
    EXPECT_EQ(env.operatorCode(), "101");
    EXPECT_EQ(initialLoginFile(env, settings, " /elsewhere/2020.ksk "), "/elsewhere/2020.ksk");
    settings.setValue(kDataDirKey, dir.file("gone.ksk"));
    CKszwEnv fresh;
    EXPECT_EQ(initialLoginFile(fresh, settings, ""), "");
}

TEST_F(Login, ANewLoginReplacesTheOpenFile)
{
    std::string first = yearFile(2026);
    std::string second = yearFile(2027);
    ASSERT_EQ(env.openFile(first, "101", silent), kLoginOk);
    ASSERT_EQ(env.openFile(second, "102", silent), kLoginOk);
    EXPECT_EQ(env.year(), 2027);
    EXPECT_EQ(env.db().path(), second);
    EXPECT_EQ(env.db().queryLong("SELECT PY FROM SYSTAB"), 2027);
}

} // namespace
} // namespace kszw

namespace kszw {
namespace {

TEST(RecentFiles, KeepTheLastFourNewestFirstWithoutRepeats)
{
    MemoryUserSettings settings;
    EXPECT_TRUE(recentFiles(settings).empty());
    for (const char* file : {"/a/2023.ksk", "/a/2024.ksk", "/b/2025.ksk", "/a/2024.ksk", "/c/2026.ksk", "/d/2026.ksk"})
        rememberRecentFile(settings, file);
    EXPECT_EQ(recentFiles(settings),
              (std::vector<std::string>{"/d/2026.ksk", "/c/2026.ksk", "/a/2024.ksk", "/b/2025.ksk"}));
}

TEST_F(Login, ALoginPutsTheFileFirstInTheRecentList)
{
    std::string path = yearFile(2026);
    MemoryUserSettings settings;
    rememberRecentFile(settings, "/elsewhere/2025.ksk");
    ASSERT_TRUE(confirmLogin(env, path, "102", "", prompt));
    env.completeLogin(settings);
    EXPECT_EQ(recentFiles(settings), (std::vector<std::string>{path, "/elsewhere/2025.ksk"}));
}

} // namespace
} // namespace kszw
