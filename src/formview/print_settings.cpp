#include "formview/print_settings.h"

#include "common/text.h"
#include "store/database.h"
#include "store/ks_dbset.h"
#include "store/schema.h"
#include "store/transaction.h"

namespace kszw {

namespace {

constexpr std::string_view kDeletePageSet = "DELETE FROM KSPAGESET WHERE nFlag=?1 AND SFIELDMODE = ?2";
constexpr std::string_view kDeleteFonts = "DELETE FROM KSFONT WHERE nFlag=?1 AND SFIELDMODE = ?2";
constexpr std::string_view kDeleteWidths = "DELETE FROM FIELDWIDTH WHERE nFlag=?1 AND SFIELDMODE = ?2";
constexpr std::string_view kInsertPageSet =
    "INSERT INTO KSPAGESET(nFlag,sFieldMode,AllPage,SelectPage,MaxPage,FromPage,ToPage,PageRow,PageWidth,"
    "PageLength,PageLeft,PageTop,PageRight,PageBottom,PageCopies,TopicColor,HeadColor,TextColor,TailColor,"
    "OutBox,FormLine) VALUES(?1,?2,?3,?4,?5,?6,?7,?8,?9,?10,?11,?12,?13,?14,?15,?16,?17,?18,?19,?20,?21)";
constexpr std::string_view kInsertFont =
    "INSERT INTO KSFONT(nFlag,sFieldMode,nOrd,lfHeight,lfWidth,lfEscapement,lfOrientation,lfWeight,lfItalic,"
    "lfUnderline,lfStrikeOut,lfCharSet,lfOutPrecision,lfClipPrecision,lfQuality,lfPitchAndFamily,lfFaceName) "
    "VALUES(?1,?2,?3,?4,?5,?6,?7,?8,?9,?10,?11,?12,?13,?14,?15,?16,?17)";
constexpr std::string_view kInsertWidth =
    "INSERT INTO FIELDWIDTH(NFLAG,SFIELDMODE,NFIELD,NWIDTH) VALUES(?1,?2,?3,?4)";

constexpr std::string_view kPageFields =
    "AllPage,SelectPage,MaxPage,FromPage,ToPage,PageRow,PageWidth,PageLength,PageLeft,PageTop,PageRight,"
    "PageBottom,PageCopies,TopicColor,HeadColor,TextColor,TailColor,OutBox,FormLine";
constexpr std::string_view kFontFields =
    "lfHeight,lfWidth,lfEscapement,lfOrientation,lfWeight,lfItalic,lfUnderline,lfStrikeOut,lfCharSet,"
    "lfOutPrecision,lfClipPrecision,lfQuality,lfPitchAndFamily,rtrim(lfFaceName)";

SqlValue integer(int value)
{
    return static_cast<std::int64_t>(value);
}

} // namespace

PageSettings defaultPageSettings()
{
    return PageSettings{};
}

std::array<FontSpec, 4> defaultFonts()
{
    std::array<FontSpec, 4> fonts;
    fonts[kTitleFont].height = -29;
    fonts[kTitleFont].weight = 700;
    fonts[kTitleFont].underline = 1;
    fonts[kHeadFont].height = -14;
    fonts[kBodyFont].height = -16;
    fonts[kFootFont].height = -14;
    return fonts;
}

ViewSettings defaultViewSettings()
{
    return ViewSettings{defaultPageSettings(), defaultFonts(), {}};
}

void SaveViewSettings(Database& db, int nFlag, std::string_view fieldMode, const ViewSettings& settings)
{
    const std::string mode(fieldMode);
    Transaction transaction(db);
    db.execute(kDeletePageSet, {integer(nFlag), mode});
    db.execute(kDeleteFonts, {integer(nFlag), mode});
    db.execute(kDeleteWidths, {integer(nFlag), mode});

    const PageSettings& p = settings.page;
    db.execute(kInsertPageSet,
               {integer(nFlag), mode, integer(p.allPage), integer(p.selectPage), integer(p.maxPage),
                integer(p.fromPage), integer(p.toPage), integer(p.pageRow), integer(p.pageWidth),
                integer(p.pageLength), integer(p.pageLeft), integer(p.pageTop), integer(p.pageRight),
                integer(p.pageBottom), integer(p.pageCopies), integer(p.topicColor), integer(p.headColor),
                integer(p.textColor), integer(p.tailColor), integer(p.outBox), integer(p.formLine)});

    for (int order = 0; order < static_cast<int>(settings.fonts.size()); ++order) {
        const FontSpec& f = settings.fonts[static_cast<size_t>(order)];
        db.execute(kInsertFont,
                   {integer(nFlag), mode, integer(order), integer(f.height), integer(f.width),
                    integer(f.escapement), integer(f.orientation), integer(f.weight), integer(f.italic),
                    integer(f.underline), integer(f.strikeOut), integer(f.charSet), integer(f.outPrecision),
                    integer(f.clipPrecision), integer(f.quality), integer(f.pitchAndFamily), f.faceName});
    }
    for (size_t field = 0; field < settings.columnWidths.size(); ++field)
        db.execute(kInsertWidth, {integer(nFlag), mode, integer(static_cast<int>(field)),
                                  integer(settings.columnWidths[field])});
    transaction.commit();
}

} // namespace kszw

namespace kszw {

namespace {

bool isTextType(const std::optional<std::string>& type)
{
    if (!type)
        return false;
    const std::string upper = toUpperAscii(*type);
    return upper.find("CHAR") != std::string::npos || upper.find("TEXT") != std::string::npos;
}

// Rebuilds a settings table whose mode field is a number: the new table has the text field and
// every row taken over gets the mode "0".
void rebuildWithTextMode(Database& db, std::string_view table, std::string_view createStatement)
{
    std::vector<std::string> columns;
    KS_Dbset info(db);
    for (info.open("SELECT name FROM pragma_table_info(?1) ORDER BY cid", {std::string(table)}); !info.isEOF();
         info.moveNext())
        columns.push_back(info.textAt(0));
    const std::string old = std::string(table) + "_OLD";
    db.execute("ALTER TABLE " + std::string(table) + " RENAME TO " + old);
    db.execute(createStatement);
    std::string targetList;
    std::string sourceList;
    for (const std::string& column : columns) {
        const std::string quoted = "\"" + column + "\"";
        targetList += (targetList.empty() ? "" : ",") + quoted;
        sourceList += (sourceList.empty() ? "" : ",") + (equalsIgnoreCase(column, "sFieldMode") ? "'0'" : quoted);
    }
    db.execute("INSERT INTO " + std::string(table) + "(" + targetList + ") SELECT " + sourceList + " FROM " + old);
    db.execute("DROP TABLE " + old);
}

} // namespace

void EnsureSettingsTables(Database& db)
{
    const bool fieldWidthMissing = !db.tableExists("FIELDWIDTH");
    const bool pageSetMissing = !db.tableExists("KSPAGESET");
    const bool fontMissing = !db.tableExists("KSFONT");
    const bool numericMode = !pageSetMissing && !isTextType(db.columnType("KSPAGESET", "sFieldMode"));
    const bool numericFontMode = !fontMissing && !isTextType(db.columnType("KSFONT", "sFieldMode"));
    if (!fieldWidthMissing && !pageSetMissing && !fontMissing && !numericMode && !numericFontMode)
        return;

    Transaction transaction(db);
    if (fieldWidthMissing)
        db.execute(kCreateFieldWidth);
    if (pageSetMissing)
        db.execute(kCreatePageSet);
    if (fontMissing)
        db.execute(kCreateFont);
    if (numericMode || numericFontMode) {
        if (!pageSetMissing)
            rebuildWithTextMode(db, "KSPAGESET", kCreatePageSet);
        if (!fontMissing)
            rebuildWithTextMode(db, "KSFONT", kCreateFont);
    }
    transaction.commit();
}

ViewSettings LoadViewSettings(Database& db, int nFlag, std::string_view fieldMode)
{
    EnsureSettingsTables(db);
    ViewSettings settings = defaultViewSettings();
    const std::string mode = trim(fieldMode);

    KS_Dbset page(db);
    page.open("SELECT " + std::string(kPageFields) + " FROM KSPAGESET WHERE nFlag=?1 And Trim(sFieldMode)=?2",
              {integer(nFlag), mode});
    if (!page.isEOF()) {
        PageSettings& p = settings.page;
        int* fields[] = {&p.allPage,    &p.selectPage, &p.maxPage,    &p.fromPage,   &p.toPage,
                         &p.pageRow,    &p.pageWidth,  &p.pageLength, &p.pageLeft,   &p.pageTop,
                         &p.pageRight,  &p.pageBottom, &p.pageCopies, &p.topicColor, &p.headColor,
                         &p.textColor,  &p.tailColor,  &p.outBox,     &p.formLine};
        for (int i = 0; i < static_cast<int>(std::size(fields)); ++i)
            *fields[i] = page.longAt(i);
    }

    for (int order = 0; order < static_cast<int>(settings.fonts.size()); ++order) {
        KS_Dbset font(db);
        font.open("SELECT " + std::string(kFontFields)
                      + " FROM KSFONT WHERE nFlag=?1 AND Trim(sFieldMode)=?2 AND nOrd=?3",
                  {integer(nFlag), mode, integer(order)});
        if (font.isEOF())
            continue;
        FontSpec& f = settings.fonts[static_cast<size_t>(order)];
        int* fields[] = {&f.height,  &f.width,     &f.escapement,   &f.orientation,   &f.weight,
                         &f.italic,  &f.underline, &f.strikeOut,    &f.charSet,       &f.outPrecision,
                         &f.clipPrecision, &f.quality, &f.pitchAndFamily};
        for (int i = 0; i < static_cast<int>(std::size(fields)); ++i)
            *fields[i] = font.longAt(i);
        f.faceName = font.textAt(13);
    }

    KS_Dbset widths(db);
    for (widths.open("SELECT NWIDTH FROM FIELDWIDTH WHERE NFLAG=?1 AND trim(SFIELDMODE) = ?2 ORDER BY NFIELD",
                     {integer(nFlag), mode});
         !widths.isEOF(); widths.moveNext())
        settings.columnWidths.push_back(widths.longAt(0));
    return settings;
}

} // namespace kszw
