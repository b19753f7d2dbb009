// Page geometry of the form view: column widths on screen and on paper, rows per page, cell
// rectangles and the hit test zones.
#include "formview/form_geometry.h"

#include <gtest/gtest.h>

namespace kszw {
namespace {

FormLayout baseLayout()
{
    FormLayout layout;
    layout.headRows = 1;
    layout.formHeadRows = 1;
    layout.textRows = 10;
    layout.formFootRows = 1;
    layout.footRows = 1;
    layout.columnWidths = {20, 10, 6, 12, 18};
    layout.headCells = {{{0, 10}, {500, 4}}};
    layout.footCells = {{{200, 4}}};
    return layout;
}

// One device unit per 0.1 mm; fonts: title 29, head 14, body 16 (8 wide), foot 14.
GeometryInput paperInput()
{
    GeometryInput input;
    input.dotsPerUnitX = 1;
    input.dotsPerUnitY = 1;
    input.fonts = {MeasuredFont{15, 29}, MeasuredFont{7, 14}, MeasuredFont{10, 16}, MeasuredFont{7, 14}};
    input.printing = true;
    return input;
}

TEST(FormGeometry, PrintedColumnsFillTheWidthInWholeCharacters)
{
    FormGeometry g(baseLayout(), paperInput());
    // Natural widths 210 110 70 130 190 scaled by 2200/710, rounded to whole characters.
    EXPECT_EQ(g.columnEdge(0), 200);
    EXPECT_EQ(g.columnWidth(0), 650);
    EXPECT_EQ(g.columnWidth(1), 340);
    EXPECT_EQ(g.columnWidth(2), 220);
    EXPECT_EQ(g.columnWidth(3), 400);
    EXPECT_EQ(g.columnWidth(4), 590);
    EXPECT_EQ(g.columnEdge(5), 2600 - 200); // ends exactly at the right margin
}

TEST(FormGeometry, PrintedAreasStackFromTheHeadLengthDown)
{
    // Default page: 1900 long, head length 50, foot length 200, line spacing 25, so a head row
    // is 14 + 25 = 39, a table row 16 + 25 = 41 and a foot row 39.
    FormGeometry g(baseLayout(), paperInput());
    EXPECT_EQ(g.topicTop(), 50);
    EXPECT_EQ(g.headTop(), 104);     // 50 + title 29 + 25
    EXPECT_EQ(g.formHeadTop(), 143); // + one head row of 39
    EXPECT_EQ(g.textTop(), 184);     // + one column-header row of 41
    // Room for body rows: 1900 − 200 − 184 − 41 (footer row) − 39 (foot row) = 1436 = 35 × 41 + 1.
    EXPECT_EQ(g.pageRows(), 35);
    EXPECT_EQ(g.formFootTop(), 1619); // 184 + 35 × 41
    EXPECT_EQ(g.footTop(), 1660);
    EXPECT_EQ(g.footBottom(), 1699); // one dot above the foot length at 1700
}

TEST(FormGeometry, RowsPerPageCountOnlyRowsThatFitWhole)
{
    struct Case {
        int pageLength;
        int pageRow;
        int rows;
    };
    // With spacing 25 the body rows start at 184 and are 41 high; below them 41 + 39 + 200 are
    // kept for the footer row, the foot row and the foot length: a page of 184 + 280 + 41 × n
    // holds n rows.
    const Case cases[] = {
        {1900, 25, 35},
        {505, 25, 1}, // exactly one row
        {504, 25, 0}, // one dot short of one row
        {545, 25, 1}, // one dot short of a second row
        {400, 25, 0},
        // Spacing 45: rows of 61 from 50 + 74 + 59 + 61 = 244; (1900 − 200 − 244 − 61 − 59) ÷ 61 = 21.9.
        {1900, 45, 21},
        {1900, 2000, 0}, // the title alone is taller than the page
    };
    for (const Case& c : cases) {
        GeometryInput input = paperInput();
        input.page.pageLength = c.pageLength;
        input.page.pageRow = c.pageRow;
        EXPECT_EQ(FormGeometry(baseLayout(), input).pageRows(), c.rows) << c.pageLength << "/" << c.pageRow;
    }
}

TEST(FormGeometry, LimitedPageRowsPullTheFootersUp)
{
    FormGeometry g(baseLayout(), paperInput());
    g.limitPageRows(10);
    EXPECT_EQ(g.pageRows(), 10);
    EXPECT_EQ(g.formFootTop(), 594); // 184 + 10 × 41
    EXPECT_EQ(g.footBottom(), 674);
    g.limitPageRows(40); // more than fit: nothing changes
    EXPECT_EQ(g.pageRows(), 10);
}

TEST(FormGeometry, ScreenSharesSpareWidthAndScrollsWhenNarrow)
{
    GeometryInput input = paperInput();
    input.printing = false;
    const int table = (21 + 11 + 7 + 13 + 19) * 10;
    input.viewWidth = 200 + table + 200 + 13;
    input.viewHeight = 900;
    FormGeometry wide(baseLayout(), input);
    EXPECT_EQ(wide.columnWidth(0), 210 + 2);
    EXPECT_EQ(wide.columnWidth(3), 130 + 2);
    EXPECT_EQ(wide.columnWidth(4), 190 + 5); // the remainder goes to the last column
    EXPECT_EQ(wide.pageWidth(), input.viewWidth);
    EXPECT_EQ(wide.widthInCharacters(0, wide.columnWidth(0)), 20);
    EXPECT_EQ(wide.widthInCharacters(4, wide.columnWidth(4) + 40), 22);

    input.viewWidth = 500;
    FormGeometry narrow(baseLayout(), input);
    EXPECT_EQ(narrow.columnWidth(0), 210);
    EXPECT_EQ(narrow.pageWidth(), 200 + table + 200);
}

TEST(FormGeometry, HeadAndFootCellsArePlacedInThousandthsOfTheWidth)
{
    FormGeometry g(baseLayout(), paperInput());
    EXPECT_EQ(g.cellRect("HEAD", 0, 1), (DeviceRect{200 + 1100, 104, 4 * 7, 39}));
    EXPECT_EQ(g.cellRect("FOOT", 0, 0), (DeviceRect{200 + 440, 1660, 4 * 7, 39}));
    EXPECT_EQ(g.cellRect("TAIL", 0, 0), g.cellRect("FOOT", 0, 0));
    EXPECT_EQ(g.cellRect("HEAD", 0, 2).width, 0);
    EXPECT_EQ(g.cellRect("HEAD", 1, 0).width, 0);
    EXPECT_EQ(g.cellRect("TEXT", 12, 5).width, 0);
    EXPECT_EQ(g.cellRect("TEXT", 12, 1, 10).y, 266); // third row of a page from row 10: 184 + 2 × 41
}

TEST(FormGeometry, HitTestNamesTheZones)
{
    FormGeometry g(baseLayout(), paperInput());
    const int rowMiddle = g.textTop() + 41 + 20; // second row of the page
    struct Case {
        int x;
        int y;
        const char* area;
        int row;
        int col;
    };
    const Case cases[] = {
        {300, 10, "OUTCLIENT", -1, -1},
        {300, g.topicTop() + 5, "OUTCLIENT", -1, -1},
        {200 + 1110, g.headTop() + 5, "HEAD", 0, 1},
        {200 + 900, g.headTop() + 5, "OUTCLIENT", -1, -1},
        {100, g.formHeadTop() + 5, "FORMHEADL", 0, -1},
        {900, g.formHeadTop() + 5, "FORMHEAD", 0, 1},
        {100, rowMiddle, "TEXTL", 6, -1},
        {300, rowMiddle, "TEXT", 6, 0},
        {850, rowMiddle, "TEXTV", 6, 0},
        {2400, rowMiddle, "TEXTV", 6, 4},
        {300, g.textTop() + 2 * 41 - 1, "TEXTH", 6, 0},
        {300, g.textTop() + 41 + 1, "TEXTH", 5, 0},
        {851, g.formFootTop() + 5, "FORMFOOTV", 0, 0},
        {300, g.formFootTop() + 5, "FORMFOOT", 0, 0},
        {200 + 445, g.footTop() + 5, "FOOT", 0, 0},
        {300, g.footBottom() + 5, "OUTCLIENT", -1, -1},
    };
    for (const Case& c : cases) {
        const HitResult hit = g.hitTest(c.x, c.y, 5, 10, 3);
        EXPECT_EQ(hit.area, c.area) << c.x << "," << c.y;
        EXPECT_EQ(hit.row, c.row) << c.area;
        EXPECT_EQ(hit.col, c.col) << c.area;
    }
    // Below the last row of the table: nothing.
    EXPECT_EQ(g.hitTest(300, g.textTop() + 5 * 41 + 20, 5, 10, 3).area, "OUTCLIENT");
}

TEST(FormGeometry, LayoutCellCounts)
{
    const FormLayout layout = baseLayout();
    EXPECT_EQ(layout.cellCount("TEXT", 9), 5);
    EXPECT_EQ(layout.cellCount("TEXT", 10), 0);
    EXPECT_EQ(layout.cellCount("HEAD", 0), 2);
    EXPECT_EQ(layout.cellCount("TAIL", 0), 1);
    EXPECT_EQ(layout.cellCount("FORMHEAD", 0), 0);
    EXPECT_EQ(layout.cellCount("HEAD", -1), 0);
    EXPECT_EQ(areaFontIndex("TOPIC"), 0);
    EXPECT_EQ(areaFontIndex("TAIL"), 3);
    EXPECT_EQ(areaFontIndex("FORMFOOT"), 2);
}

} // namespace
} // namespace kszw
