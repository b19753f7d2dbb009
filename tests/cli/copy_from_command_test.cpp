// kszw-cli copy-from: the checks and messages of the dialog "帐套之间信息拷贝", every available item
// when none is named, a named item that cannot be copied refused with its reason, and the right of
// the menu command.
#include "accountset/year_file.h"
#include "chart/chart_import.h"
#include "store/database.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace kszw {
namespace {

using test::shellQuote;

namespace fs = std::filesystem;

class CliCopyFrom : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directory(dir.file("books"));
        fs::create_directory(dir.file("other"));
        file = dir.file("books/2026.ksk");
        source = dir.file("other/2007.ksk");
        createYearFile(file, 2026);
        createYearFile(source, 2007);
        Database current = Database::open(file);
        current.execute("UPDATE OPR SET PSD='pw' WHERE OPNO='101'");
        Database db = Database::open(source);
        ASSERT_TRUE(importSubjects(db, "code,name,kind,unit,multi_column,direction,width\n"
                                       "1001,库存现金,0,,0,0,0\n1403,原材料,1,吨,0,0,0\n")
                        .ok);
        db.execute("INSERT INTO CERCLS(CNO,NA) VALUES('A','现金')");
        db.execute("INSERT INTO KSVAR VALUES('#k','ye(\"1001\")','现金',1)");
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

    std::string copyFrom(const std::string& from, const std::string& extra)
    {
        return "copy-from " + shellQuote(from) + " " + shellQuote(file) + " --operator 101 --password pw " + extra;
    }

    int count(const std::string& sql)
    {
        Database db = Database::open(file);
        return db.queryLong(sql);
    }

    test::TempDir dir;
    std::string file;
    std::string source;
    std::string out;
    std::string err;
};

TEST_F(CliCopyFrom, WithoutItemsEveryAvailableItemIsCopied)
{
    // The source named without its extension.
    ASSERT_EQ(cli(copyFrom(dir.file("other/2007"), "--yes")), 0) << err;
    EXPECT_EQ(out, "会计科目\t2\n凭证分类\t1\n变量表\t4\n页面格式表\t50\n拷贝结束 ！\n");
    EXPECT_EQ(err, "");
    EXPECT_EQ(count("SELECT count(*) FROM SUBT WHERE OP='0' AND FZ='0'"), 2);
    EXPECT_EQ(count("SELECT count(*) FROM CERCLS"), 1);
    EXPECT_EQ(count("SELECT count(*) FROM KSVAR"), 4);
}

TEST_F(CliCopyFrom, ItCopiesWhatItIsAskedForAndListsIt)
{
    EXPECT_EQ(cli(copyFrom(source, "--items chart,variables")), 0) << err;
    EXPECT_EQ(out, "会计科目\t2\n变量表\t4\n拷贝结束 ！\n");
    EXPECT_EQ(count("SELECT count(*) FROM SUBT"), 2);
    EXPECT_EQ(count("SELECT count(*) FROM KSVAR"), 4);
    EXPECT_EQ(count("SELECT count(*) FROM CERCLS"), 0);
}

TEST_F(CliCopyFrom, ANamedItemThatCannotBeCopiedIsRefusedWithItsReason)
{
    {
        Database db = Database::open(file);
        db.execute("INSERT INTO P0 VALUES('20260101','    ',0,'期初余额','1001',1,100,0,'4','01')");
    }
    struct Case {
        const char* items;
        const char* message;
    };
    const Case cases[] = {
        {"chart", "本帐套已有期初余额或凭证分录，不能拷贝会计科目！\n"},
        {"classes,templates", "对方帐套没有分录模板！\n"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(cli(copyFrom(source, std::string("--items ") + c.items + " --yes")), 1) << c.items;
        EXPECT_EQ(err, c.message) << c.items;
        EXPECT_EQ(out, "");
    }
    EXPECT_EQ(count("SELECT count(*) FROM CERCLS"), 0);
    // Without --items the blocked chart is simply left out.
    ASSERT_EQ(cli(copyFrom(source, "--yes")), 0) << err;
    EXPECT_EQ(count("SELECT count(*) FROM SUBT"), 0);
    EXPECT_EQ(count("SELECT count(*) FROM CERCLS"), 1);
}

TEST_F(CliCopyFrom, RefusalsOfTheSourceAndTheOperatorExitWithOne)
{
    {
        Database db = Database::open(file);
        db.execute("INSERT INTO OPR(OPNO,NA,PSD) VALUES('103','李四','')");
        db.execute("INSERT INTO PWR(OPNO,PWR) VALUES('103','0204')");
    }
    struct Case {
        std::string arguments;
        std::string message;
    };
    const Case cases[] = {
        {copyFrom(dir.file("books/./2026.ksk"), "--yes"), "不能把自己拷贝到自己，请重新选择！\n"},
        {copyFrom(dir.file("other/2005"), "--yes"),
         "文件“" + dir.file("other/2005.KSK") + "”不存在，请重新选择！\n"},
        {"copy-from " + shellQuote(source) + " " + shellQuote(file) + " --operator 103 --yes",
         "操作员 103 没有“帐务管理”的权限！\n"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(cli(c.arguments), 1) << c.arguments;
        EXPECT_EQ(err, c.message) << c.arguments;
    }
    EXPECT_EQ(count("SELECT count(*) FROM SUBT"), 0);
}

TEST_F(CliCopyFrom, BadUsageExitsWithTwo)
{
    const std::string cases[] = {
        "copy-from " + shellQuote(source) + " --operator 101",
        "copy-from " + shellQuote(source) + " " + shellQuote(file),
        copyFrom(source, "--items chart,ledgers"),
        copyFrom(source, "--items ,"),
        copyFrom(source, "--force"),
    };
    for (const std::string& arguments : cases) {
        EXPECT_EQ(cli(arguments), 2) << arguments;
        EXPECT_NE(err.find("usage"), std::string::npos) << err;
    }
}

} // namespace
} // namespace kszw
