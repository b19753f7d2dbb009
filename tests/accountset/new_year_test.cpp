// The file of a new year made from the current one, and deleting another year's file: the header
// with its dates moved, the tables carried over, the refusals that leave existing files alone, and
// a failure that leaves nothing but what was there.
#include "accountset/new_year.h"
#include "accountset/year_file.h"
#include "common/prompt.h"
#include "reports/report_definitions.h"
#include "session/kszw_env.h"
#include "store/database.h"
#include "store/ks_dbset.h"
#include "store/statement.h"
#include "store/transaction.h"
#include "support/temp_dir.h"
#include "support/engine_support.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>

namespace kszw {
namespace {

namespace fs = std::filesystem;

const char* const kCarriedTables[] = {"OPR",        "PWR",           "KSFONT",        "KSPAGESET",
                                      "FIELDWIDTH", "KsFormList",    "KsFormFormula", "KsFormTopWord",
                                      "KsFormHeadNote", "SYSCSTAB",  "KSVAR"};

using test::tableRows;

std::set<std::string> namesIn(const std::string& folder)
{
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

std::string contentOf(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class NewYear : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = dir.file("books");
        fs::create_directory(folder);
        current = folder + "/2026.ksk";
        createYearFile(current, 2026);
        Database db = Database::open(current);
        Transaction filling(db);
        db.execute("UPDATE SYSTAB SET NA='甲公司',KJ='张三',AN='A-17',JT='025',T1='20251225',T13='20270105'");
        db.execute("UPDATE OPR SET PSD='root1' WHERE OPNO='101'");
        db.execute("UPDATE OPR SET PSD='口令' WHERE OPNO='102'");
        db.execute("INSERT INTO OPR(OPNO,NA,PSD) VALUES('103','李四',NULL)");
        db.execute("INSERT INTO PWR(OPNO,PWR) VALUES('103','0204')");
        db.execute("INSERT INTO PWR(OPNO,PWR) VALUES('103',NULL)");
        db.execute("INSERT INTO FIELDWIDTH VALUES(3,'0',2,120)");
        db.execute("UPDATE KSPAGESET SET PageRow=31 WHERE nFlag=4");
        db.execute("INSERT INTO KsFormList VALUES(1,2,'资产负债表',0,3)");
        db.execute("INSERT INTO KsFormFormula VALUES(1,2,3,4,5,6,7,'ye(\"101\")')");
        db.execute("INSERT INTO KsFormTopWord VALUES(1,2,1,1,3,1,'编制单位')");
        db.execute("INSERT INTO KsFormHeadNote VALUES(1,2,0,1,50,1,0,'注','单位：元')");
        db.execute("INSERT INTO SYSCSTAB VALUES(1,2,'名','值')");
        db.execute("INSERT INTO KSVAR VALUES('#k','ye(\"1001\")','现金',1)");
        // The year's own data stays behind: it reaches the new year by the carry-forward only.
        db.execute("INSERT INTO SUBT(KNO,NA,CLAS,OP,FZ,DL,DLF,DLW) VALUES('101','现金',1,'0','0','0',0,5)");
        db.execute("INSERT INTO P0 VALUES('20251225','    ',0,'期初余额','101',1,100,0,'4','01')");
        db.execute("INSERT INTO CERDIR VALUES('20260105','0001','102',NULL,0,'0','2','01')");
        db.execute("INSERT INTO CERCLS VALUES('A','现')");
        filling.commit();
        ASSERT_EQ(env.openFile(current, "101", prompt), kLoginOk);
    }

    // Answers the question with yes and creates the year.
    NewYearResult create(const std::string& year)
    {
        prompt.queueAnswer(Answer::Yes);
        return createNewYear(env, year, prompt);
    }

    test::TempDir dir;
    std::string folder;
    std::string current;
    CKszwEnv env;
    ScriptedPrompt prompt;
};

TEST_F(NewYear, TheNewHeaderKeepsTheSetAndMovesTheDatesWithTheYear)
{
    const NewYearResult result = create("2027");
    ASSERT_EQ(result.outcome, NewYearOutcome::Created) << prompt.last();
    EXPECT_EQ(result.filePath, folder + "/2027.ksk");
    EXPECT_EQ(prompt.texts(),
              (std::vector<std::string>{"真的要建立“2027”年的数据文件吗？", "2027年数据文件建立完毕！"}));
    EXPECT_TRUE(prompt.entries()[0].question);
    EXPECT_EQ(prompt.entries()[0].icon, Icon::Question);
    EXPECT_EQ(prompt.entries()[1].caption, "岚屿穗软件");

    Database db = Database::open(result.filePath);
    EXPECT_EQ(tableRows(db, "SYSTAB"),
              std::vector<std::string>{"'甲公司'|'张三'|'A-17'|2027|0|'025'|'20261225'|'20280105'"});
    // The current login goes on as it was.
    EXPECT_EQ(env.year(), 2026);
    EXPECT_EQ(env.filePath(), current);
    EXPECT_EQ(env.db().queryLong("SELECT PY FROM SYSTAB"), 2026);
}

TEST(NewYearDates, FirstAndLastDayKeepMonthAndDayAndTheirSideOfTheYear)
{
    struct Case {
        const char* oldStart;
        const char* oldEnd;
        int oldYear;
        int newYear;
        const char* newStart;
        const char* newEnd;
    };
    const Case cases[] = {
        {"20260101", "20261231", 2026, 2027, "20270101", "20271231"},
        {"20251225", "20270105", 2026, 2027, "20261225", "20280105"},
        {"20260110", "20261220", 2026, 2027, "20270110", "20271220"},
        {"20251220", "20270110", 2026, 2024, "20231220", "20250110"},
        {"20260105", "20261231", 2026, 2030, "20300105", "20301231"},
        // A header damaged elsewhere gives the calendar year's days.
        {"", "2026", 2026, 2027, "20270101", "20271231"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(shiftedYearStart(c.oldStart, c.oldYear, c.newYear), c.newStart) << c.oldStart;
        EXPECT_EQ(shiftedYearEnd(c.oldEnd, c.oldYear, c.newYear), c.newEnd) << c.oldEnd;
    }
}

TEST_F(NewYear, TheCarriedTablesHaveTheSameRowsAndTheYearsOwnDataStaysBehind)
{
    ASSERT_EQ(create("2027").outcome, NewYearOutcome::Created);
    Database fresh = Database::open(folder + "/2027.ksk");
    for (const char* table : kCarriedTables) {
        const std::vector<std::string> rows = tableRows(env.db(), table);
        EXPECT_FALSE(rows.empty()) << table;
        EXPECT_EQ(tableRows(fresh, table), rows) << table;
    }
    for (const char* table : {"SUBT", "P0", "CERDIR", "CERCLS", "WBT", "WBR", "AUTDIR", "AUTCER", "BLCER"})
        EXPECT_EQ(fresh.queryLong(std::string("SELECT count(*) FROM ") + table), 0) << table;
    // The file's nine indexes and the ledgers' own.
    EXPECT_EQ(fresh.queryLong("SELECT count(*) FROM sqlite_master WHERE type='index' AND sql IS NOT NULL"), 10);
}

TEST_F(NewYear, ACurrentFileWithoutSomeCarriedTablesStillGivesAWholeNewYear)
{
    env.db().execute("DROP TABLE SYSCSTAB");
    env.db().execute("DROP TABLE FIELDWIDTH");
    ASSERT_EQ(create("2027").outcome, NewYearOutcome::Created) << prompt.last();
    Database fresh = Database::open(folder + "/2027.ksk");
    EXPECT_EQ(fresh.queryLong("SELECT count(*) FROM SYSCSTAB"), 0);
    EXPECT_EQ(fresh.queryLong("SELECT count(*) FROM FIELDWIDTH"), 0);
    EXPECT_EQ(tableRows(fresh, "KSVAR"), tableRows(env.db(), "KSVAR"));
}

TEST_F(NewYear, TheStatementsDefinitionsTravelOnceTheYearHasThem)
{
    ASSERT_EQ(create("2027").outcome, NewYearOutcome::Created);
    {
        Database first = Database::open(folder + "/2027.ksk");
        EXPECT_FALSE(reportTablesExist(first)); // a year without definitions of its own passes none on
    }

    ReportDefinition sheet = loadReports(env.db()).front();
    sheet.lines[1].item = "现金及银行存款";
    sheet.lines[1].formulas = {"ye(\"101\",yf())", "ye(\"101\",0)"};
    saveReport(env.db(), sheet);
    ASSERT_EQ(create("2028").outcome, NewYearOutcome::Created);
    Database fresh = Database::open(folder + "/2028.ksk");
    ASSERT_TRUE(reportTablesExist(fresh));
    EXPECT_EQ(loadReports(fresh), loadReports(env.db()));
    EXPECT_EQ(loadReports(fresh).front().lines[1].item, "现金及银行存款");
}

TEST_F(NewYear, TheNewFileLogsInForEveryOperatorWithTheirPasswords)
{
    ASSERT_EQ(create("2027").outcome, NewYearOutcome::Created);
    struct Case {
        const char* code;
        const char* password;
        const char* rights;
    };
    const Case cases[] = {{"101", "root1", "0101 "}, {"102", "口令", nullptr}, {"103", "", "0204 "}};
    for (const Case& c : cases) {
        CKszwEnv login;
        ScriptedPrompt messages;
        ASSERT_TRUE(confirmLogin(login, folder + "/2027", c.code, c.password, messages)) << c.code << messages.last();
        EXPECT_EQ(login.year(), 2027);
        login.loadPermissions();
        if (c.rights) {
            EXPECT_EQ(login.permissionText(), c.rights) << c.code;
        } else {
            EXPECT_EQ(login.permissionText().size(), 22u * 5) << c.code;
        }
    }
    CKszwEnv wrong;
    ScriptedPrompt messages;
    EXPECT_FALSE(confirmLogin(wrong, folder + "/2027.ksk", "102", "口令 ", messages));
    EXPECT_EQ(messages.last(), "操作员口今不正确！");
}

TEST_F(NewYear, AnythingButFourDigitsDoesNothing)
{
    const std::set<std::string> before = namesIn(folder);
    for (const char* text : {"07", "2O08", "", "20271", " 2027", "2027 ", "２０２７", "-202"}) {
        EXPECT_EQ(createNewYear(env, text, prompt).outcome, NewYearOutcome::NotAYear) << text;
        EXPECT_TRUE(prompt.entries().empty()) << text;
    }
    EXPECT_EQ(namesIn(folder), before);
}

TEST_F(NewYear, AYearBefore1990IsRefused)
{
    EXPECT_EQ(createNewYear(env, "1989", prompt).outcome, NewYearOutcome::Refused);
    EXPECT_EQ(prompt.texts(), std::vector<std::string>{"年度不能早于1990年！"});
    EXPECT_FALSE(fs::exists(folder + "/1989.ksk"));
}

TEST_F(NewYear, AYearWhoseFileExistsInAnyFormIsRefusedAndTheFileLeftAsItWas)
{
    createYearFile(folder + "/2027.ksk", 2027);
    ::chmod((folder + "/2027.ksk").c_str(), 0444);
    std::ofstream(folder + "/2028.KSK") << "damaged";
    createYearFile(folder + "/2029.ksk", 2011);
    fs::create_symlink(folder + "/nowhere", folder + "/2030.ksk");
    struct Case {
        const char* year;
        std::string existing;
    };
    const Case cases[] = {{"2026", folder + "/2026.ksk"},
                          {"2027", folder + "/2027.ksk"},
                          {"2028", folder + "/2028.KSK"},
                          {"2029", folder + "/2029.ksk"},
                          {"2030", folder + "/2030.ksk"}};
    for (const Case& c : cases) {
        const std::string before = fs::is_symlink(c.existing) ? "" : contentOf(c.existing);
        prompt.clear();
        prompt.queueAnswer(Answer::Yes);
        EXPECT_EQ(createNewYear(env, c.year, prompt).outcome, NewYearOutcome::Refused) << c.year;
        // Refused before the question.
        EXPECT_EQ(prompt.texts(), std::vector<std::string>{"“" + c.existing + "”已存在，不能再建立！"}) << c.year;
        if (!fs::is_symlink(c.existing)) {
            EXPECT_EQ(contentOf(c.existing), before) << c.year;
        }
    }
    struct stat info {};
    ASSERT_EQ(::stat((folder + "/2027.ksk").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0444u);
    EXPECT_FALSE(fs::exists(folder + "/2028.ksk"));
}

TEST_F(NewYear, NoToTheQuestionCreatesNothing)
{
    prompt.queueAnswer(Answer::No);
    EXPECT_EQ(createNewYear(env, "2027", prompt).outcome, NewYearOutcome::Declined);
    EXPECT_EQ(prompt.texts(), std::vector<std::string>{"真的要建立“2027”年的数据文件吗？"});
    // Without an answer the default button is No.
    EXPECT_EQ(createNewYear(env, "2027", prompt).outcome, NewYearOutcome::Declined);
    EXPECT_FALSE(fs::exists(folder + "/2027.ksk"));
}

TEST_F(NewYear, AFailurePartWayLeavesOnlyWhatWasThere)
{
    // Reading the template variables of the current file fails half-way through the copy.
    {
        Database db = Database::open(current);
        db.execute("DROP TABLE KSVAR");
        db.execute("CREATE VIEW KSVAR AS SELECT abs(-9223372036854775808) AS SVAR,'' AS SEXP,'' AS SNOTE,0 AS NTYPE");
    }
    // Another program (still running) is building the same year; its file is not ours to remove.
    const std::string otherBuilding = folder + "/.2027.ksk.new-1-1";
    std::ofstream(otherBuilding) << "another program's";
    std::ofstream(folder + "/notes.txt") << "mine";
    const std::set<std::string> before = namesIn(folder);

    const NewYearResult result = create("2027");
    EXPECT_EQ(result.outcome, NewYearOutcome::Failed);
    ASSERT_EQ(prompt.texts().size(), 2u);
    EXPECT_EQ(prompt.texts()[1], "帐务数据文件“" + folder + "/2027.ksk”操作出错！\rinteger overflow");
    EXPECT_EQ(namesIn(folder), before);
    EXPECT_EQ(contentOf(otherBuilding), "another program's");
    // The current file is as it was.
    EXPECT_EQ(env.db().queryLong("SELECT count(*) FROM OPR"), 3);
}

class DeleteYear : public NewYear {
protected:
    void SetUp() override
    {
        NewYear::SetUp();
        other = folder + "/2025.ksk";
        createYearFile(other, 2025);
    }
    std::string other;
};

TEST_F(DeleteYear, TheLoggedInYearCannotBeDeleted)
{
    prompt.queueAnswer(Answer::Yes);
    EXPECT_EQ(deleteYearFile(env, current, prompt), DeleteYearOutcome::Refused);
    EXPECT_EQ(prompt.texts(), std::vector<std::string>{"不能删除注册年度帐务！"});
    EXPECT_TRUE(fs::exists(current));
    EXPECT_EQ(env.db().queryLong("SELECT PY FROM SYSTAB"), 2026);
}

TEST_F(DeleteYear, AnotherYearGoesWithItsCompanionFilesAfterYes)
{
    std::ofstream(other + "-journal");
    std::ofstream(other + "-wal") << "w";
    std::ofstream(other + "-shm") << "s";
    prompt.queueAnswer(Answer::Yes);
    EXPECT_EQ(deleteYearFile(env, other, prompt), DeleteYearOutcome::Deleted);
    EXPECT_EQ(prompt.texts(), std::vector<std::string>{"真的要删除“2025”年的数据文件吗？"});
    EXPECT_EQ(prompt.entries()[0].icon, Icon::Question);
    EXPECT_EQ(namesIn(folder), (std::set<std::string>{"2026.ksk"}));
}

TEST_F(DeleteYear, NoKeepsTheFile)
{
    EXPECT_EQ(deleteYearFile(env, other, prompt), DeleteYearOutcome::Declined);
    EXPECT_TRUE(fs::exists(other));
}

TEST_F(DeleteYear, AFileAnotherProgramIsWritingIsNotDeleted)
{
    Database writer = Database::open(other);
    Transaction writing(writer);
    writer.execute("UPDATE SYSTAB SET NA='写入中'");
    prompt.queueAnswer(Answer::Yes);
    EXPECT_EQ(deleteYearFile(env, other, prompt), DeleteYearOutcome::Failed);
    EXPECT_EQ(prompt.last(), "帐务数据文件“" + other + "”正被其他程序使用，请稍后再试！\r"
                             "此文件正由另一个程序（或本程序的另一个副本）打开着，请先在那里退出。");
    EXPECT_TRUE(fs::exists(other));
    writing.commit();
    EXPECT_EQ(writer.queryText("SELECT NA FROM SYSTAB").value(), "写入中");
}

TEST_F(DeleteYear, AFileAnotherLoginHasOpenIsNotDeletedEvenWhenIdle)
{
    // Another copy of the program is logged into 2025 and does nothing: it holds no lock of the
    // engine, but the file is in use.
    CKszwEnv other2025;
    ASSERT_TRUE(confirmLogin(other2025, other, "102", "", prompt));
    prompt.clear();
    prompt.queueAnswer(Answer::Yes);
    EXPECT_EQ(deleteYearFile(env, other, prompt), DeleteYearOutcome::Failed);
    EXPECT_EQ(prompt.last(), "帐务数据文件“" + other + "”正被其他程序使用，请稍后再试！\r"
                             "此文件正由另一个程序（或本程序的另一个副本）打开着，请先在那里退出。");
    EXPECT_TRUE(fs::exists(other));
    other2025.db().execute("UPDATE SYSTAB SET NA='仍在使用'");
    // Once that login has ended, the file can go.
    other2025.close();
    prompt.queueAnswer(Answer::Yes);
    EXPECT_EQ(deleteYearFile(env, other, prompt), DeleteYearOutcome::Deleted);
    EXPECT_FALSE(fs::exists(other));
}

} // namespace
} // namespace kszw
