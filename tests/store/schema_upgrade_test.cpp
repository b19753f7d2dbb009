// Older year files are brought into shape once, at login.
#include "accountset/year_file.h"
#include "formview/print_settings.h"
#include "store/database.h"
#include "store/schema_upgrade.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace kszw {
namespace {

class SchemaUpgrade : public ::testing::Test {
protected:
    void SetUp() override
    {
        createYearFile(dir.file("2026.ksk"), 2026);
        db = Database::open(dir.file("2026.ksk"));
    }

    test::TempDir dir;
    Database db;
};

TEST_F(SchemaUpgrade, ANewFileNeedsNothingAndIsNotWritten)
{
    KSZW_FILE_ENGINE_ONLY();
    EXPECT_FALSE(yearFileNeedsUpgrade(db));
    const long changesBefore = db.queryLong("SELECT total_changes()");
    upgradeYearFile(db);
    EXPECT_EQ(db.queryLong("SELECT total_changes()"), changesBefore);
}

TEST_F(SchemaUpgrade, MissingSyscstabAndSettingsTablesAreCreated)
{
    KSZW_FILE_ENGINE_ONLY();
    db.execute("DROP TABLE SYSCSTAB");
    db.execute("DROP TABLE FIELDWIDTH");
    db.execute("DROP TABLE KSFONT");
    EXPECT_TRUE(yearFileNeedsUpgrade(db));
    upgradeYearFile(db);
    EXPECT_TRUE(db.tableExists("SYSCSTAB"));
    EXPECT_TRUE(db.tableExists("FIELDWIDTH"));
    EXPECT_EQ(db.columnType("KSFONT", "sFieldMode"), "CHAR(20)");
    // The page rows of the file were left as they were.
    EXPECT_EQ(db.queryLong("SELECT count(*) FROM KSPAGESET"), 10);
}

TEST_F(SchemaUpgrade, ANumericModeIsUpgradedAndReadAsModeZero)
{
    KSZW_FILE_ENGINE_ONLY();
    // A file of the earlier layout: the mode stored as a number.
    db.execute("DROP TABLE KSPAGESET");
    db.execute("DROP TABLE KSFONT");
    db.execute("DROP TABLE FIELDWIDTH");
    db.execute("CREATE TABLE KSPAGESET(nFlag LONG,sFieldMode LONG,AllPage LONG,SelectPage LONG,MaxPage LONG,"
               "FromPage LONG,ToPage LONG,PageRow LONG,PageWidth LONG,PageLength LONG,PageLeft LONG,PageTop LONG,"
               "PageRight LONG,PageBottom LONG,PageCopies LONG,TopicColor LONG,HeadColor LONG,TextColor LONG,"
               "TailColor LONG,OutBox LONG,FormLine LONG)");
    db.execute("CREATE TABLE KSFONT(nFlag LONG,sFieldMode LONG,nOrd LONG,lfHeight LONG,lfWidth LONG,"
               "lfEscapement LONG,lfOrientation LONG,lfWeight LONG,lfItalic LONG,lfUnderline LONG,lfStrikeOut LONG,"
               "lfCharSet LONG,lfOutPrecision LONG,lfClipPrecision LONG,lfQuality LONG,lfPitchAndFamily LONG,"
               "lfFaceName CHAR(60))");
    db.execute("INSERT INTO KSPAGESET VALUES(4,7,1,0,5,1,1,30,2970,2100,150,60,150,150,2,0,0,0,0,0,12632256)");
    db.execute("INSERT INTO KSFONT VALUES(4,7,2,-18,0,0,0,400,0,0,0,134,0,0,0,0,'宋体')");

    EXPECT_TRUE(yearFileNeedsUpgrade(db));
    upgradeYearFile(db);
    EXPECT_FALSE(yearFileNeedsUpgrade(db));
    ViewSettings settings = LoadViewSettings(db, 4, "0");
    EXPECT_EQ(db.columnType("KSPAGESET", "sFieldMode"), "CHAR(20)");
    EXPECT_EQ(db.columnType("KSFONT", "sFieldMode"), "CHAR(20)");
    EXPECT_TRUE(db.tableExists("FIELDWIDTH"));
    EXPECT_EQ(settings.page.pageWidth, 2970);
    EXPECT_EQ(settings.page.pageRow, 30);
    EXPECT_EQ(settings.page.pageCopies, 2);
    EXPECT_EQ(settings.fonts[kBodyFont].height, -18);
    EXPECT_EQ(settings.fonts[kTitleFont], defaultFonts()[kTitleFont]);
    // Upgrading again changes nothing.
    upgradeYearFile(db);
    EXPECT_EQ(db.queryLong("SELECT count(*) FROM KSPAGESET WHERE sFieldMode='0'"), 1);
}

} // namespace
} // namespace kszw
