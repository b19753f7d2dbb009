#include "formview/print_settings.h"

#include "common/text.h"
#include "store/database.h"
#include "store/ks_dbset.h"
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

ViewSettings LoadViewSettings(Database& db, int nFlag, std::string_view fieldMode)
{
    ViewSettings settings = defaultViewSettings();
    // A file from elsewhere may lack a settings table: its views take the defaults.
    if (!db.tableExists("KSPAGESET") || !db.tableExists("KSFONT") || !db.tableExists("FIELDWIDTH"))
        return settings;
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
