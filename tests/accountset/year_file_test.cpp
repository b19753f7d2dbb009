// A year data file that starts from nothing: its tables, columns, indexes and initial rows, and
// the safe way it comes into being (nothing half-built is ever left under a year file's name).
#include "accountset/year_file.h"
#include "store/database.h"
#include "store/database_error.h"
#include "store/ks_dbset.h"
#include "support/temp_dir.h"

#include <cstdio>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

namespace kszw {
namespace {

struct ExpectedTable {
    const char* name;
    std::vector<std::pair<const char*, const char*>> columns; // in file order
};

// Every table of a year data file with its columns and declared types, in order.
const std::vector<ExpectedTable>& expectedTables()
{
    static const std::vector<ExpectedTable> tables = {
        {"SYSTAB", {{"NA", "CHAR(40)"}, {"KJ", "CHAR(8)"}, {"AN", "CHAR(10)"}, {"PY", "LONG"}, {"MM", "LONG"},
                    {"JT", "CHAR(3)"}, {"T1", "CHAR(8)"}, {"T13", "CHAR(8)"}}},
        {"SYSCSTAB", {{"CS", "LONG"}, {"CSN", "LONG"}, {"CSNA", "CHAR(200)"}, {"CSVAL", "CHAR(200)"}}},
        {"OPR", {{"OPNO", "CHAR(3)"}, {"NA", "CHAR(8)"}, {"PSD", "CHAR(10)"}}},
        {"PWR", {{"OPNO", "CHAR(3)"}, {"PWR", "CHAR(4)"}}},
        {"KsFormList", {{"nFlag", "Long"}, {"nForm", "Long"}, {"sFna", "Char(40)"}, {"nOpen", "Long"},
                        {"nTopNum", "Long"}}},
        {"KsFormFormula", {{"nFlag", "Long"}, {"nForm", "Long"}, {"nCol", "Long"}, {"nType", "Long"},
                           {"nFact", "Long"}, {"nLess", "Long"}, {"nMore", "Long"}, {"sFormula", "Char(200)"}}},
        {"KsFormTopWord", {{"nFlag", "Long"}, {"nForm", "Long"}, {"nCol1", "Long"}, {"nRow1", "Long"},
                           {"nCol2", "Long"}, {"nRow2", "Long"}, {"sWords", "Char(100)"}}},
        {"KsFormHeadNote", {{"nFlag", "Long"}, {"nForm", "Long"}, {"bIsTail", "Long"}, {"nRow", "Long"},
                            {"nColPecent", "Long"}, {"bIsUse", "Long"}, {"bIsSystem", "Long"},
                            {"sNote", "Char(20)"}, {"sWords", "Char(200)"}}},
        {"KSPAGESET", {{"nFlag", "LONG"}, {"sFieldMode", "CHAR(20)"}, {"AllPage", "LONG"}, {"SelectPage", "LONG"},
                       {"MaxPage", "LONG"}, {"FromPage", "LONG"}, {"ToPage", "LONG"}, {"PageRow", "LONG"},
                       {"PageWidth", "LONG"}, {"PageLength", "LONG"}, {"PageLeft", "LONG"}, {"PageTop", "LONG"},
                       {"PageRight", "LONG"}, {"PageBottom", "LONG"}, {"PageCopies", "LONG"},
                       {"TopicColor", "LONG"}, {"HeadColor", "LONG"}, {"TextColor", "LONG"},
                       {"TailColor", "LONG"}, {"OutBox", "LONG"}, {"FormLine", "LONG"}}},
        {"KSFONT", {{"nFlag", "LONG"}, {"sFieldMode", "CHAR(20)"}, {"nOrd", "LONG"}, {"lfHeight", "LONG"},
                    {"lfWidth", "LONG"}, {"lfEscapement", "LONG"}, {"lfOrientation", "LONG"}, {"lfWeight", "LONG"},
                    {"lfItalic", "LONG"}, {"lfUnderline", "LONG"}, {"lfStrikeOut", "LONG"}, {"lfCharSet", "LONG"},
                    {"lfOutPrecision", "LONG"}, {"lfClipPrecision", "LONG"}, {"lfQuality", "LONG"},
                    {"lfPitchAndFamily", "LONG"}, {"lfFaceName", "CHAR(60)"}}},
        {"FIELDWIDTH", {{"NFLAG", "LONG"}, {"SFIELDMODE", "CHAR(20)"}, {"NFIELD", "LONG"}, {"NWIDTH", "LONG"}}},
        {"SUBT", {{"KNO", "CHAR(14)"}, {"NA", "CHAR(30)"}, {"CLAS", "LONG"}, {"OP", "CHAR(1)"}, {"FZ", "CHAR(1)"},
                  {"FZN", "CHAR(10)"}, {"DL", "CHAR(1)"}, {"DLF", "LONG"}, {"DLW", "LONG"}}},
        {"P0", {{"T", "CHAR(8)"}, {"CER", "CHAR(4)"}, {"RN", "LONG"}, {"MRY", "CHAR(40)"}, {"KNO", "CHAR(14)"},
                {"F", "LONG"}, {"MY", "DOUBLE"}, {"NU", "DOUBLE"}, {"MK", "CHAR(1)"}, {"TT", "CHAR(2)"}}},
        {"WBT", {{"WNO", "CHAR(4)"}, {"NA", "CHAR(10)"}, {"HO", "CHAR(14)"}}},
        {"WBR", {{"WNO", "CHAR(4)"}, {"T", "CHAR(8)"}, {"MY1", "DOUBLE"}, {"MY2", "DOUBLE"}}},
        {"CERCLS", {{"CNO", "CHAR(2)"}, {"NA", "CHAR(20)"}}},
        {"AUTDIR", {{"N", "LONG"}, {"NA", "CHAR(40)"}}},
        {"AUTCER", {{"N", "LONG"}, {"RN", "LONG"}, {"MRY", "CHAR(40)"}, {"KNO", "CHAR(60)"}, {"F", "LONG"},
                    {"FML", "CHAR(60)"}}},
        {"BLCER", {{"N", "LONG"}, {"B", "CHAR(60)"}, {"L", "CHAR(60)"}}},
        {"KSVAR", {{"SVAR", "CHAR(10)"}, {"SEXP", "CHAR(200)"}, {"SNOTE", "CHAR(60)"}, {"NTYPE", "LONG"}}},
        {"CERDIR", {{"T", "CHAR(8)"}, {"CER", "CHAR(4)"}, {"OPP", "CHAR(3)"}, {"OPN", "CHAR(3)"}, {"PN", "LONG"},
                    {"LY", "CHAR(1)"}, {"MK", "CHAR(1)"}, {"TT", "CHAR(2)"}}},
    };
    return tables;
}

class NewYearFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        createYearFile(dir.file("2026.ksk"), 2026);
        db = Database::open(dir.file("2026.ksk"));
    }

    std::vector<std::string> column(const std::string& sql)
    {
        std::vector<std::string> values;
        KS_Dbset rows(db);
        for (rows.open(sql); !rows.isEOF(); rows.moveNext())
            values.push_back(rows.textAt(0));
        return values;
    }

    test::TempDir dir;
    Database db;
};

TEST_F(NewYearFile, HasEveryTableAndColumnWithItsDeclaredType)
{
    KSZW_FILE_ENGINE_ONLY();
    for (const ExpectedTable& table : expectedTables()) {
        KS_Dbset info(db);
        size_t i = 0;
        for (info.open("SELECT name,type FROM pragma_table_info(?1) ORDER BY cid", {std::string(table.name)});
             !info.isEOF(); info.moveNext(), ++i) {
            ASSERT_LT(i, table.columns.size()) << table.name << " has an extra column " << info.textAt(0);
            EXPECT_EQ(info.textAt(0), table.columns[i].first) << table.name;
            EXPECT_EQ(info.textAt(1), table.columns[i].second) << table.name << "." << table.columns[i].first;
        }
        EXPECT_EQ(i, table.columns.size()) << table.name << " is missing or lacks columns";
    }
    EXPECT_EQ(db.queryLong("SELECT count(*) FROM sqlite_master WHERE type='table'"),
              static_cast<int>(expectedTables().size()));
}

TEST_F(NewYearFile, HasTheIndexesOnTheirColumns)
{
    KSZW_FILE_ENGINE_ONLY();
    const std::map<std::string, std::string> expected = {
        {"PWR_IX", "PWR:OPNO"},      {"SUBT_IX", "SUBT:KNO"},       {"SUBT1", "SUBT:CLAS,KNO"},
        {"P0_IX", "P0:T,CER,RN"},    {"P01", "P0:KNO,T"},           {"P02", "P0:KNO,TT"},
        {"P0_SUMS", "P0:KNO,TT,F,MK,T,CER,MY"}, // the ledgers' own
        {"WBR_IX", "WBR:WNO,T"},     {"CERDIR_IX", "CERDIR:T,CER"}, {"CERDIR1", "CERDIR:TT,CER"},
    };
    std::map<std::string, std::string> actual;
    KS_Dbset indexes(db);
    for (indexes.open("SELECT name,tbl_name FROM sqlite_master WHERE type='index' AND sql IS NOT NULL");
         !indexes.isEOF(); indexes.moveNext()) {
        std::string columns;
        KS_Dbset info(db);
        for (info.open("SELECT name FROM pragma_index_info(?1) ORDER BY seqno", {indexes.textAt(0)}); !info.isEOF();
             info.moveNext())
            columns += (columns.empty() ? "" : ",") + info.textAt(0);
        actual[indexes.textAt(0)] = indexes.textAt(1) + ":" + columns;
    }
    EXPECT_EQ(actual, expected);
}

TEST_F(NewYearFile, StartsWithTheDefaultHeader)
{
    KS_Dbset header(db);
    header.open("SELECT NA,KJ,AN,PY,MM,JT,T1,T13 FROM SYSTAB");
    EXPECT_EQ(header.textAt(0), "××单位");
    EXPECT_EQ(header.textAt(1), "×××");
    EXPECT_TRUE(header.isNullAt(2));
    EXPECT_EQ(header.longAt(3), 2026);
    EXPECT_EQ(header.longAt(4), 0);
    EXPECT_EQ(header.textAt(5), "031");
    EXPECT_EQ(header.textAt(6), "20260101");
    EXPECT_EQ(header.textAt(7), "20261231");
    header.moveNext();
    EXPECT_TRUE(header.isEOF()) << "exactly one header row";
}

TEST_F(NewYearFile, HasTheTwoOperatorsAndTheirRights)
{
    EXPECT_EQ(column("SELECT opno||'|'||na||'|'||psd FROM OPR ORDER BY opno"),
              (std::vector<std::string>{"101|管理员|", "102|×××|"}));
    EXPECT_EQ(column("SELECT pwr FROM PWR WHERE opno='101'"), (std::vector<std::string>{"0101"}));
    const std::vector<std::string> rights102 = {"0201", "0202", "0203", "0204", "0205", "0206", "0207", "0208",
                                                "0209", "0301", "0302", "0303", "0304", "0305", "0306", "0307",
                                                "0401", "0402", "0403", "0404", "0405", "0406"};
    EXPECT_EQ(column("SELECT pwr FROM PWR WHERE opno='102' ORDER BY pwr"), rights102);
    EXPECT_EQ(db.queryLong("SELECT count(*) FROM PWR"), 23);
}

TEST_F(NewYearFile, HasDefaultPrintSettingsForEveryViewKind)
{
    EXPECT_EQ(column("SELECT nFlag||':'||sFieldMode FROM KSPAGESET ORDER BY nFlag"),
              (std::vector<std::string>{"1:0", "2:0", "3:0", "4:0", "5:0", "6:0", "7:0", "8:0", "9:0", "10:0"}));
    EXPECT_EQ(db.queryLong("SELECT count(*) FROM KSPAGESET WHERE PageWidth=2600 AND PageLength=1900 AND "
                           "PageLeft=200 AND PageTop=50 AND PageRight=200 AND PageBottom=200 AND PageRow=25 AND "
                           "AllPage=1 AND SelectPage=0 AND MaxPage=5 AND FromPage=1 AND ToPage=1 AND PageCopies=1 "
                           "AND FormLine=12632256 AND OutBox=0 AND TopicColor=0"),
              10);
    EXPECT_EQ(db.queryLong("SELECT count(*) FROM KSFONT"), 40);
    EXPECT_EQ(column("SELECT nOrd||':'||lfHeight||':'||lfWeight||':'||lfUnderline||':'||lfFaceName FROM KSFONT "
                     "WHERE nFlag=4 ORDER BY nOrd"),
              (std::vector<std::string>{"0:-29:700:1:宋体", "1:-14:400:0:宋体", "2:-16:400:0:宋体",
                                        "3:-14:400:0:宋体"}));
    EXPECT_EQ(db.queryLong("SELECT count(*) FROM FIELDWIDTH"), 0);
}

TEST_F(NewYearFile, HasTheDefaultTemplateVariables)
{
    // In the order they were written; a server keeps no such order, there they are compared sorted.
    std::vector<std::string> variables =
        column(std::string("SELECT svar||'|'||sexp||'|'||snote||'|'||ntype FROM KSVAR")
               + (db.onServer() ? " ORDER BY ntype, svar" : " ORDER BY rowid"));
    EXPECT_EQ(variables, (std::vector<std::string>{"#z|zw()|当前帐务数据文件名|0", "#n|pzt(0)|凭证年|1", "#y|pzt(1)|凭证月|1"}));
}

TEST_F(NewYearFile, HoldsNoVouchersSubjectsOrClasses)
{
    for (const char* table : {"SUBT", "P0", "CERDIR", "CERCLS", "WBT", "WBR", "AUTDIR", "AUTCER", "BLCER",
                              "SYSCSTAB", "KsFormList"})
        EXPECT_EQ(db.queryLong(std::string("SELECT count(*) FROM ") + table), 0) << table;
}

TEST(CreateYearFile, RefusesAnExistingFileAndLeavesItAlone)
{
    test::TempDir dir;
    createYearFile(dir.file("2026.ksk"), 2026);
    {
        Database db = Database::open(dir.file("2026.ksk"));
        db.execute("UPDATE SYSTAB SET NA='甲公司'");
    }
    EXPECT_THROW(createYearFile(dir.file("2026.ksk"), 2026), DatabaseError);
    Database db = Database::open(dir.file("2026.ksk"));
    EXPECT_EQ(db.queryText("SELECT NA FROM SYSTAB").value(), "甲公司");
}

TEST(CreateYearFile, AWriteThatFailsHalfWayLeavesNoFileAndSaysSo)
{
    KSZW_FILE_ENGINE_ONLY();
    test::TempDir dir;
    std::string output;
    // The file-size limit of the child process makes the writes fail half-way (beyond 16 KB).
    const std::string command = "sh -c " + test::shellQuote("trap '' XFSZ; ulimit -f 16; exec " +
                                                          test::shellQuote(KSZW_CLI_PATH) + " new-set " +
                                                          test::shellQuote(dir.file("set")) + " --year 2026");
    EXPECT_EQ(test::runCommand(command + " 2>&1", output), 1) << output;
    EXPECT_EQ(output, "读写帐务数据文件“" + dir.file("set/2026.ksk") + "”时出错！\ndisk I/O error\n");
    // Neither the year file, nor the file it was built under, nor the folder made for it is left.
    EXPECT_FALSE(std::filesystem::exists(dir.file("set")));
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST(CreateYearFile, AKillAtAnyMomentLeavesNoYearFileOrAWholeOne)
{
    test::TempDir dir;
    int whole = 0;
    int none = 0;
    for (int delayMs = 0; delayMs <= 60; delayMs += 4) {
        const std::string folder = dir.file("set" + std::to_string(delayMs));
        std::filesystem::create_directory(folder);
        std::string output;
        const std::string command = test::shellQuote(KSZW_CLI_PATH) + " new-set " + test::shellQuote(folder) +
                                    " --year 2026 >/dev/null 2>&1 & pid=$!; sleep " +
                                    std::to_string(delayMs / 1000.0) + "; kill -9 $pid 2>/dev/null; wait $pid";
        test::runCommand("sh -c " + test::shellQuote(command), output);
        const std::string file = folder + "/2026.ksk";
        if (std::filesystem::exists(file)) {
            Database db = Database::open(file);
            EXPECT_EQ(db.queryLong("SELECT count(*) FROM SYSTAB"), 1) << delayMs;
            EXPECT_EQ(db.queryLong("SELECT count(*) FROM KSVAR"), 3) << delayMs;
            ++whole;
            continue;
        }
        ++none;
        // Creating it again works and takes away what the killed creation left behind.
        createYearFile(file, 2026);
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            names.push_back(entry.path().filename().string());
        EXPECT_EQ(names, std::vector<std::string>{"2026.ksk"}) << delayMs;
    }
    RecordProperty("whole", whole);
    RecordProperty("none", none);
}

TEST(CreateYearFile, AnAbandonedBuildingOfARunningProgramIsLeftAlone)
{
    KSZW_FILE_ENGINE_ONLY();
    test::TempDir dir;
    // One left by a program of this computer that ended (no such process), one of this very process
    // (still building), and one of another computer sharing the folder.
    char host[256] = {};
    ::gethostname(host, sizeof host - 1);
    std::string hostName(host);
    for (char& c : hostName)
        if (c == '-' || c == '/' || c == '.')
            c = '_';
    const std::string dead = dir.file(".2026.ksk.new-" + hostName + "-2147483646-1");
    const std::string alive = dir.file(".2026.ksk.new-" + hostName + "-" + std::to_string(::getpid()) + "-99");
    const std::string elsewhere = dir.file(".2026.ksk.new-othercomputer-2147483646-1");
    for (const std::string& name : {dead, alive, elsewhere}) {
        std::FILE* f = std::fopen(name.c_str(), "w");
        ASSERT_TRUE(f);
        std::fclose(f);
    }
    createYearFile(dir.file("2026.ksk"), 2026);
    EXPECT_FALSE(std::filesystem::exists(dead));
    EXPECT_TRUE(std::filesystem::exists(alive));
    EXPECT_TRUE(std::filesystem::exists(elsewhere));
}

} // namespace
} // namespace kszw
