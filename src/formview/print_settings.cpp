#include "formview/print_settings.h"

#include "store/database.h"
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

void saveViewSettings(Database& db, int nFlag, std::string_view fieldMode, const ViewSettings& settings)
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
