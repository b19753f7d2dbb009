#include "accountset/year_file.h"
#include "formview/page_rules.h"
#include "formview/print_settings.h"
#include "formview/view_kinds.h"
#include "store/database.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace kszw {
namespace {

class PrintSettings : public ::testing::Test {
protected:
    void SetUp() override
    {
        createYearFile(dir.file("2026.ksk"), 2026);
        db = Database::open(dir.file("2026.ksk"));
    }

    int count(const std::string& table, int nFlag, const std::string& mode)
    {
        return db.queryLong("SELECT count(*) FROM " + table + " WHERE nFlag=?1 AND sFieldMode=?2",
                            {std::int64_t{nFlag}, mode});
    }

    test::TempDir dir;
    Database db;
};

TEST_F(PrintSettings, ANewYearFilePrintsWithTheDefaultGeometry)
{
    for (const ViewKindInfo& view : kViewKinds) {
        ViewSettings settings = LoadViewSettings(db, viewFlag(view.kind), "0");
        EXPECT_EQ(settings.page.pageWidth, 2600);
        EXPECT_EQ(settings.page.pageLength, 1900);
        EXPECT_EQ(settings.page.pageLeft, 200);
        EXPECT_EQ(settings.page.pageTop, 50);
        EXPECT_EQ(settings.page.pageRight, 200);
        EXPECT_EQ(settings.page.pageBottom, 200);
        EXPECT_EQ(settings.page.pageRow, 25);
        EXPECT_EQ(settings.fonts, defaultFonts());
        EXPECT_TRUE(settings.columnWidths.empty());
    }
    // A key nothing was stored for gives the defaults too.
    EXPECT_EQ(LoadViewSettings(db, 4, "101-01"), defaultViewSettings());
}

TEST_F(PrintSettings, SavingTwiceKeepsOneSetOfRowsForTheKey)
{
    ViewSettings settings = defaultViewSettings();
    settings.page.pageWidth = 2100;
    settings.page.formLine = makeRgb(255, 0, 0);
    settings.fonts[kBodyFont].height = -20;
    settings.fonts[kBodyFont].faceName = "黑体";
    settings.columnWidths = {20, 10, 6, 12, 18};
    SaveViewSettings(db, 4, "101", settings);
    settings.columnWidths = {22, 10, 6};
    SaveViewSettings(db, 4, "101", settings);

    EXPECT_EQ(count("KSPAGESET", 4, "101"), 1);
    EXPECT_EQ(count("KSFONT", 4, "101"), 4);
    EXPECT_EQ(db.queryLong("SELECT count(*) FROM FIELDWIDTH WHERE NFLAG=4 AND SFIELDMODE='101'"), 3);
    // The default row of the same view kind is left alone.
    EXPECT_EQ(count("KSPAGESET", 4, "0"), 1);

    ViewSettings loaded = LoadViewSettings(db, 4, "101");
    EXPECT_EQ(loaded, settings);
    EXPECT_EQ(loaded.fonts[kBodyFont].faceName, "黑体");
}

TEST_F(PrintSettings, LoadingOnlyReadsAndAFileWithoutTheTablesGivesTheDefaults)
{
    db.execute("DROP TABLE FIELDWIDTH");
    EXPECT_EQ(LoadViewSettings(db, 4, "0"), defaultViewSettings());
    EXPECT_FALSE(db.tableExists("FIELDWIDTH"));
}

TEST(PageCount, RowsAreSplitIntoWholePages)
{
    struct Case {
        int rows, perPage, pages;
    };
    const Case cases[] = {{25, 10, 3}, {30, 10, 3}, {31, 10, 4}, {0, 10, 1}, {1, 10, 1}, {5, 0, 1}, {200000, 37, 5406}};
    for (const Case& c : cases)
        EXPECT_EQ(pageCount(c.rows, c.perPage), c.pages) << c.rows << "/" << c.perPage;
}

TEST(PageSetupChecks, RefuseInTheirOrder)
{
    const PageSetupValues good{260, 190, 2.5, 5, 20, 20, 20};
    EXPECT_FALSE(checkPageSetup(good));
    struct Case {
        PageSetupValues values;
        const char* message;
        PageField field;
    };
    const Case cases[] = {
        {{9.9, 190, 2.5, 5, 20, 20, 20}, "无效的页面宽度，\r\r输入另一个数。", PageField::Width},
        {{1000, 190, 2.5, 5, 20, 20, 20}, "无效的页面宽度，\r\r输入另一个数。", PageField::Width},
        {{260, 5, 2.5, 5, 20, 20, 20}, "无效的页面长度，\r\r输入另一个数。", PageField::Length},
        {{260, 190, 0.00001, 5, 20, 20, 20}, "打印行间距无效，\r\r输入另一个数。", PageField::LineSpacing},
        {{260, 190, 1000, 5, 20, 20, 20}, "打印行间距无效，\r\r输入另一个数。", PageField::LineSpacing},
        {{260, 190, 2.5, 190, 0, 20, 20}, "无效的页头长度，\r\r输入另一个数。", PageField::Head},
        {{260, 100, 2.5, 50, 45, 20, 20},
         "所给页面除去页头和页脚长度已没有打印区域，\r\r请重新调整页长、页头和页脚之间的长度。", PageField::Foot},
        {{260, 190, 2.5, 5, 20, 261, 20}, "无效的页左边距，\r\r输入另一个数。", PageField::Left},
        {{260, 190, 2.5, 5, 20, 20, 261}, "无效的页右边距，\r\r输入另一个数。", PageField::Right},
        {{100, 190, 2.5, 5, 20, 50, 45},
         "所给页面除去左右边距外，已没有打印区域，\r\r请重新调整页宽、页左边距和页右边距之间的长度。", PageField::Right},
        // The first failing check is reported.
        {{5, 5, 0, 50, 45, 50, 45}, "无效的页面宽度，\r\r输入另一个数。", PageField::Width},
    };
    for (const Case& c : cases) {
        auto refusal = checkPageSetup(c.values);
        ASSERT_TRUE(refusal) << c.message;
        EXPECT_EQ(refusal->message, c.message);
        EXPECT_EQ(refusal->field, c.field);
    }
    // Exactly 10 mm left over is enough.
    EXPECT_FALSE(checkPageSetup({100, 100, 2.5, 45, 45, 45, 45}));
}

TEST(PrintRangeChecks, RefuseInTheirOrder)
{
    EXPECT_FALSE(checkPrintRange(false, "", "", 1, 3));
    EXPECT_FALSE(checkPrintRange(true, "2", "3", 2, 3));
    struct Case {
        bool range;
        const char* from;
        const char* to;
        int copies;
        const char* message;
    };
    const Case cases[] = {
        {true, "a", "2", 1, "指定开始打印页无效，或大于当前打印的最多页，\r\r输入另一个数。"},
        {true, "4", "2", 1, "指定开始打印页无效，或大于当前打印的最多页，\r\r输入另一个数。"},
        {true, "0", "2", 1, "指定开始打印页无效，或大于当前打印的最多页，\r\r输入另一个数。"},
        {true, "1", "9", 1, "指定终止打印页无效，或大于当前打印的最多页，\r\r输入另一个数。"},
        {true, "1", "", 1, "指定终止打印页无效，或大于当前打印的最多页，\r\r输入另一个数。"},
        {true, "3", "2", 1, "指定开始打印页大于终止打印页，\r\r输入另一个数。"},
        {true, "1", "2", 0, "无效的打印份数，\r\r输入另一个数。"},
        {false, "", "", 0, "无效的打印份数，\r\r输入另一个数。"},
    };
    for (const Case& c : cases) {
        auto refusal = checkPrintRange(c.range, c.from, c.to, c.copies, 3);
        ASSERT_TRUE(refusal) << c.message;
        EXPECT_EQ(refusal->message, c.message);
    }
}

TEST(PageSetupNames, ColoursStylesAndMarks)
{
    EXPECT_EQ(colorName(kWindowTextColor), "黑色");
    EXPECT_EQ(colorName(kSilver), "银色");
    EXPECT_EQ(colorName(makeRgb(0, 0, 128)), "藏青色");
    EXPECT_EQ(colorName(makeRgb(1, 2, 3)), "自定义色");
    FontSpec font;
    EXPECT_EQ(fontStyleName(font), "常规字样");
    font.weight = 700;
    EXPECT_EQ(fontStyleName(font), "粗体字样");
    font.italic = 1;
    EXPECT_EQ(fontStyleName(font), "粗斜体字样");
    font.weight = 400;
    EXPECT_EQ(fontStyleName(font), "斜体字样");
    EXPECT_EQ(checkMark(true), "√");
    EXPECT_EQ(millimetreText(25), "2.5");
    EXPECT_EQ(millimetreText(2600), "260.0");
    EXPECT_EQ(tenthsOfMillimetre(2.54), 25);
}

} // namespace
} // namespace kszw
