// Finding account sets: every level is searched, each real folder once (symbolic-link loops end),
// unreadable folders are passed over, only files that open like a login make a folder an account
// set, and the running login is not disturbed.
#include "accountset/account_set_search.h"
#include "accountset/account_sets.h"
#include "accountset/year_file.h"
#include "common/prompt.h"
#include "session/kszw_env.h"
#include "session/user_settings.h"
#include "store/database.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace kszw {
namespace {

namespace fs = std::filesystem;

class AccountSetSearch : public ::testing::Test {
protected:
    void SetUp() override
    {
        home = dir.file("home");
        fs::create_directories(home + "/set1/notes");
        createYearFile(home + "/set1/2026.ksk", 2026);
        fs::create_directories(home + "/deep/x/y/z/set3");
        createYearFile(home + "/deep/x/y/z/set3/2024.ksk", 2024);
        // Loops: a link back to the top, one two levels up.
        fs::create_directory_symlink(home, home + "/loop");
        fs::create_directories(home + "/a/b");
        fs::create_directory_symlink("../..", home + "/a/b/up");
        // Not account sets: a read-only year file, a text file named like one, a pipe named like
        // one (opening it would wait for ever), a folder named like one, a year file of the wrong
        // year.
        fs::create_directories(home + "/ro");
        createYearFile(home + "/ro/2026.ksk", 2026);
        ::chmod((home + "/ro/2026.ksk").c_str(), 0444);
        fs::create_directories(home + "/notes");
        std::ofstream(home + "/notes/abcd.ksk") << "x";
        std::ofstream(home + "/notes/2026.ksk") << std::string(700, 'n');
        fs::create_directories(home + "/pipe");
        ::mkfifo((home + "/pipe/2023.ksk").c_str(), 0666);
        fs::create_directories(home + "/folder/2022.ksk");
        fs::create_directories(home + "/wrong");
        createYearFile(home + "/wrong/2021.ksk", 2020);
        // An account set in a folder nobody but its owner may enter.
        fs::create_directories(home + "/locked/set2");
        createYearFile(home + "/locked/set2/2025.ksk", 2025);
        ::chmod((home + "/locked").c_str(), 0);
    }

    std::string canonical(const std::string& path) { return canonicalFolder(path); }

    test::TempDir dir;
    std::string home;
};

TEST_F(AccountSetSearch, FindsEachAccountSetOnceThroughLoopsAndEveryLevel)
{
    std::vector<std::string> searched;
    const std::vector<std::string> found = findAccountSets({home, home + "/set1"}, [&](const std::string& folder) {
        searched.push_back(folder);
        return true;
    });
    std::vector<std::string> expected = {canonical(home + "/deep/x/y/z/set3")};
    // The owner of the files may not enter the locked folder unless it is the administrator.
    if (::geteuid() == 0)
        expected.push_back(canonical(home + "/locked/set2"));
    expected.push_back(canonical(home + "/set1"));
    EXPECT_EQ(found, expected);
    ASSERT_FALSE(searched.empty());
    EXPECT_EQ(searched.front(), home);
    // Every real folder once: the links lead to folders already searched.
    for (const std::string& folder : searched)
        EXPECT_EQ(folder.find("/loop"), std::string::npos) << folder;
    EXPECT_EQ(std::count(searched.begin(), searched.end(), home + "/set1"), 1);
}

TEST_F(AccountSetSearch, AnotherUserPassesOverTheFolderTheyMayNotRead)
{
    // The other user may enter the temporary folders and open the year files.
    for (const std::string& path : {dir.path().string(), home, home + "/set1", home + "/deep", home + "/deep/x",
                                    home + "/deep/x/y", home + "/deep/x/y/z", home + "/deep/x/y/z/set3"})
        ::chmod(path.c_str(), 0777);
    ::chmod((home + "/set1/2026.ksk").c_str(), 0666);
    ::chmod((home + "/deep/x/y/z/set3/2024.ksk").c_str(), 0666);
    const std::vector<std::string> expected = {canonical(home + "/deep/x/y/z/set3"), canonical(home + "/set1")};
    const std::string root = home;
    const int status = test::runAsAnotherUser([&] { return findAccountSets({root}) == expected ? 0 : 1; });
    EXPECT_EQ(status, 0);
}

TEST_F(AccountSetSearch, TheRunningLoginOnAnotherFileStillWorksAfterwards)
{
    createYearFile(dir.file("2030.ksk"), 2030);
    CKszwEnv env;
    ScriptedPrompt prompt;
    ASSERT_EQ(env.openFile(dir.file("2030.ksk"), "102", prompt), kLoginOk);
    MemoryUserSettings settings;
    const std::vector<std::string> found = searchAccountSets(settings, {home});
    EXPECT_FALSE(found.empty());
    EXPECT_TRUE(env.isLoggedIn());
    EXPECT_EQ(env.year(), 2030);
    EXPECT_EQ(env.operatorCode(), "102");
    EXPECT_EQ(env.db().queryLong("SELECT PY FROM SYSTAB"), 2030);
    env.db().execute("UPDATE SYSTAB SET NA='乙公司'");
    EXPECT_EQ(env.db().queryText("SELECT NA FROM SYSTAB").value(), "乙公司");
    EXPECT_TRUE(prompt.entries().empty());
    // What was found is known from now on.
    EXPECT_EQ(knownAccountSets(settings), found);
}

TEST_F(AccountSetSearch, StopsWhenTheProgressSaysSoAndIgnoresMissingRoots)
{
    int calls = 0;
    EXPECT_TRUE(findAccountSets({home}, [&](const std::string&) { return ++calls < 1; }).empty());
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(findAccountSets({dir.file("missing"), home + "/set1/2026.ksk", home + "/set1"}),
              std::vector<std::string>{canonical(home + "/set1")});
}

} // namespace
} // namespace kszw
