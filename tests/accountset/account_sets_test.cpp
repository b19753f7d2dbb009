// Account sets: creating one (the checks in their order, the folders it makes, the folders it
// remembers), the known account-set folders, and the year files a folder lists.
#include "accountset/account_sets.h"
#include "accountset/year_file.h"
#include "common/clock.h"
#include "session/user_settings.h"
#include "store/database.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace kszw {
namespace {

namespace fs = std::filesystem;

TEST(CreateAccountSet, MakesMissingFolderLevelsAndTheClockYearFile)
{
    test::TempDir dir;
    FixedClock clock({2027, 3, 15});
    MemoryUserSettings settings;
    const std::string folder = dir.file("a/b/c");
    AccountSetResult result = createAccountSet(folder, clock, settings);
    ASSERT_TRUE(result.ok) << result.message;
    EXPECT_EQ(result.message, folder + " 帐套建立成功！");
    EXPECT_EQ(result.filePath, folder + "/2027.ksk");
    Database db = Database::open(result.filePath);
    EXPECT_EQ(db.queryLong("SELECT PY FROM SYSTAB"), 2027);
    EXPECT_EQ(db.queryText("SELECT T1||'-'||T13 FROM SYSTAB").value(), "20270101-20271231");
}

TEST(CreateAccountSet, RefusesAnEmptyPathAnUnmakeableFolderAndAnExistingYear)
{
    test::TempDir dir;
    FixedClock clock({2026, 1, 1});
    MemoryUserSettings settings;
    EXPECT_EQ(createAccountSet("  ", clock, settings).message, "驱动器不可用或是空路径！");

    // A plain file where a folder level should be cannot become a folder, even for root.
    std::ofstream(dir.file("plain")) << "x";
    AccountSetResult blocked = createAccountSet(dir.file("plain/set"), clock, settings);
    EXPECT_FALSE(blocked.ok);
    EXPECT_EQ(blocked.message, "所给路径非法，不能建立目录\r“" + dir.file("plain/set") + "”\rNot a directory");

    ASSERT_TRUE(createAccountSet(dir.file("set"), clock, settings).ok);
    // A folder holding year files is an account set already, whatever year is asked for, and so is
    // one the user knows as an account set, even when the settings did not keep it.
    MemoryUserSettings forgetful;
    for (UserSettings* known : {static_cast<UserSettings*>(&settings), static_cast<UserSettings*>(&forgetful)})
        for (int year : {0, 2026, 2031}) {
            AccountSetResult again = createAccountSet(dir.file("set"), clock, *known, year);
            EXPECT_FALSE(again.ok);
            EXPECT_EQ(again.message, "该路径已被岚屿穗用户使用！") << year;
        }
    EXPECT_FALSE(fs::exists(dir.file("set/2031.ksk")));
}

TEST(CreateAccountSet, AKnownFolderCannotBecomeANewOneInAnySpelling)
{
    test::TempDir dir;
    FixedClock clock({2026, 5, 1});
    MemoryUserSettings settings;
    ASSERT_TRUE(createAccountSet(dir.file("books"), clock, settings).ok);
    EXPECT_EQ(knownAccountSets(settings), std::vector<std::string>{canonicalFolder(dir.file("books"))});
    // The year file is taken away, but the folder stays the user's account set.
    fs::remove(dir.file("books/2026.ksk"));
    fs::create_directory_symlink(dir.file("books"), dir.file("link"));
    for (const std::string& spelling :
         {dir.file("books"), dir.file("books/"), dir.file("x/../books"), dir.file("link"), dir.file("./books")}) {
        AccountSetResult result = createAccountSet(spelling, clock, settings);
        EXPECT_EQ(result.message, "该路径已被岚屿穗用户使用！") << spelling;
    }
    EXPECT_TRUE(fs::is_empty(dir.file("books")));
    EXPECT_FALSE(fs::exists(dir.file("x")));
}

TEST(CreateAccountSet, ARelativePathIsRefusedAsNoDrive)
{
    test::TempDir dir;
    FixedClock clock({2026, 5, 1});
    MemoryUserSettings settings;
    const fs::path before = fs::current_path();
    fs::current_path(dir.path());
    AccountSetResult result = createAccountSet("books/2026", clock, settings);
    fs::current_path(before);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.message, "驱动器不可用或是空路径！");
    EXPECT_TRUE(fs::is_empty(dir.path()));
    EXPECT_TRUE(knownAccountSets(settings).empty());
}

TEST(CreateAccountSet, TheCommandLineTakesARelativeFolderAgainstTheCurrentOne)
{
    test::TempDir dir;
    std::string output;
    const std::string command = "cd " + test::shellQuote(dir.path().string()) + " && "
                                + test::shellQuote(KSZW_CLI_PATH) + " new-set books/./2026/ --year 2026";
    ASSERT_EQ(test::runCommand("sh -c " + test::shellQuote(command), output, true), 0) << output;
    const std::string folder = dir.file("books/2026");
    EXPECT_EQ(output, folder + " 帐套建立成功！\n" + folder + "/2026.ksk\n");
    EXPECT_TRUE(fs::is_regular_file(folder + "/2026.ksk"));
}

TEST(CreateAccountSet, AFolderThatCannotBeReachedIsRefusedAsNoDrive)
{
    test::TempDir dir;
    fs::create_directory(dir.file("private"));
    ::chmod(dir.file("private").c_str(), 0700);
    ::chmod(dir.path().c_str(), 0755);
    const std::string folder = dir.file("private/books");
    // Another user cannot look into the folder: the drive of the path is not available to them.
    const int status = test::runAsAnotherUser([&folder] {
        FixedClock clock({2026, 5, 1});
        MemoryUserSettings settings;
        const AccountSetResult result = createAccountSet(folder, clock, settings);
        return result.message == "驱动器不可用或是空路径！" ? 0 : 1;
    });
    if (::geteuid() != 0)
        GTEST_SKIP() << "the folder is this user's own; another user is needed";
    EXPECT_EQ(status, 0);
    EXPECT_FALSE(fs::exists(folder));
}

TEST(CreateAccountSet, TheNewFolderBecomesKnownOnceAndAFailureRemembersNothing)
{
    test::TempDir dir;
    FixedClock clock({2026, 5, 1});
    MemoryUserSettings settings;
    settings.setValue(kAccountSetsKey, "/somewhere/else");
    ASSERT_TRUE(createAccountSet(dir.file("one"), clock, settings).ok);
    ASSERT_TRUE(createAccountSet(dir.file("two/"), clock, settings).ok);
    std::ofstream(dir.file("plain")) << "x";
    EXPECT_FALSE(createAccountSet(dir.file("plain/three"), clock, settings).ok);
    EXPECT_EQ(settings.value(kAccountSetsKey).value(),
              "/somewhere/else\n" + canonicalFolder(dir.file("one")) + "\n" + canonicalFolder(dir.file("two")));
    rememberAccountSet(settings, dir.file("one/"));
    EXPECT_EQ(knownAccountSets(settings).size(), 3u);
    EXPECT_TRUE(isKnownAccountSet(settings, dir.file("two")));
    EXPECT_FALSE(isKnownAccountSet(settings, dir.file("plain")));
}

TEST(CreateAccountSet, AFolderHoldsYearFilesOnlyWhenANameIsFourDigitsAndTheExtension)
{
    test::TempDir dir;
    struct Case {
        const char* name;
        bool yearFile;
    };
    const Case cases[] = {{"2026.ksk", true}, {"2026.KSK", true}, {"1999.Ksk", true},  {"202.ksk", false},
                          {"20260.ksk", false}, {"abcd.ksk", false}, {"2026.txt", false}, {".2026.ksk.new-1-1", false}};
    for (const Case& c : cases) {
        const std::string folder = dir.file(std::string("f") + std::to_string(&c - cases));
        fs::create_directory(folder);
        std::FILE* f = std::fopen((folder + "/" + c.name).c_str(), "w");
        ASSERT_TRUE(f);
        std::fclose(f);
        EXPECT_EQ(holdsYearFiles(folder), c.yearFile) << c.name;
    }
    // A folder named like a year file is not one.
    fs::create_directories(dir.file("g/2026.ksk"));
    EXPECT_FALSE(holdsYearFiles(dir.file("g")));
}

TEST(CreateAccountSet, AFailedCreationRemovesTheFoldersItMadeAndLeavesNoFile)
{
    test::TempDir dir;
    FixedClock clock({2026, 1, 1});
    MemoryUserSettings settings;
    // A path longer than the engine takes: the folders can be made, the file cannot.
    std::string deep = dir.file("keep");
    fs::create_directory(deep);
    std::string folder = deep;
    while (folder.size() < static_cast<size_t>(Database::kMaxPathLength))
        folder += "/" + std::string(60, 'd');
    AccountSetResult result = createAccountSet(folder, clock, settings);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.message.substr(0, result.message.find('\r')),
              "路径“" + folder + "/2026.ksk”太长，不能使用！");
    // The folders this creation made are gone; the one that was there stays.
    EXPECT_TRUE(fs::is_directory(deep));
    EXPECT_TRUE(fs::is_empty(deep));
    EXPECT_TRUE(knownAccountSets(settings).empty());
}

TEST(YearFilesOfAFolder, ListsByYearOnlyTheFilesThatOpenLikeALogin)
{
    KSZW_FILE_ENGINE_ONLY();
    test::TempDir dir;
    createYearFile(dir.file("2026.ksk"), 2026);
    createYearFile(dir.file("2024.KSK"), 2024);
    createYearFile(dir.file("2025.ksk"), 2025);
    // Files the login refuses: read-only, hidden, the wrong year inside, not a database, another
    // extension, a folder, a year below 1990.
    createYearFile(dir.file("2027.ksk"), 2027);
    ::chmod(dir.file("2027.ksk").c_str(), 0444);
    createYearFile(dir.file(".2028.ksk"), 2028);
    createYearFile(dir.file("2029.ksk"), 2023);
    std::ofstream(dir.file("2030.ksk")) << std::string(600, 'x');
    createYearFile(dir.file("2031.dat"), 2031);
    fs::create_directory(dir.file("2032.ksk"));
    createYearFile(dir.file("1989.ksk"), 1989);

    const std::vector<YearFileEntry> files = yearFilesOf(dir.path().string());
    std::vector<std::string> listed;
    for (const YearFileEntry& file : files)
        listed.push_back(std::to_string(file.year) + " " + fs::path(file.path).filename().string());
    EXPECT_EQ(listed, (std::vector<std::string>{"2024 2024.KSK", "2025 2025.ksk", "2026 2026.ksk"}));
    EXPECT_EQ(files[2].path, dir.file("2026.ksk"));
    EXPECT_TRUE(yearFilesOf(dir.file("missing")).empty());
}

} // namespace
} // namespace kszw
