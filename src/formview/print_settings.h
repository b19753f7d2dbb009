// The page format of a form view (paper, margins, line spacing, colours, printing range), its four
// area fonts and its column widths, and how they are stored in the year data file
// (KSPAGESET, KSFONT, FIELDWIDTH), keyed by the view's kind number and a mode text.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kszw {

class Database;

// A colour as the file stores it: red in the low byte, then green, then blue.
using RgbColor = std::int32_t;
constexpr RgbColor makeRgb(int red, int green, int blue)
{
    return red | (green << 8) | (blue << 16);
}
inline constexpr RgbColor kWindowTextColor = makeRgb(0, 0, 0);
inline constexpr RgbColor kSilver = makeRgb(192, 192, 192);

// Lengths in 0.1 mm.
struct PageSettings {
    int allPage = 1;
    int selectPage = 0;
    int maxPage = 5;
    int fromPage = 1;
    int toPage = 1;
    int pageRow = 25;
    int pageWidth = 2600;
    int pageLength = 1900;
    int pageLeft = 200;
    int pageTop = 50;
    int pageRight = 200;
    int pageBottom = 200;
    int pageCopies = 1;
    RgbColor topicColor = kWindowTextColor;
    RgbColor headColor = kWindowTextColor;
    RgbColor textColor = kWindowTextColor;
    RgbColor tailColor = kWindowTextColor;
    RgbColor outBox = kWindowTextColor;
    RgbColor formLine = kSilver;
    friend bool operator==(const PageSettings&, const PageSettings&) = default;
};

// A font described by the fields of a Windows logical font (height in logical units, negative for
// the character height; weight 400 normal, 700 bold).
struct FontSpec {
    int height = 0;
    int width = 0;
    int escapement = 0;
    int orientation = 0;
    int weight = 400;
    int italic = 0;
    int underline = 0;
    int strikeOut = 0;
    int charSet = 134; // GB2312
    int outPrecision = 0;
    int clipPrecision = 0;
    int quality = 0;
    int pitchAndFamily = 0;
    std::string faceName = "宋体";
    friend bool operator==(const FontSpec&, const FontSpec&) = default;
};

// The four area fonts: title, page head, body (column heads, rows, footer rows), page foot.
enum FontArea { kTitleFont = 0, kHeadFont = 1, kBodyFont = 2, kFootFont = 3 };

struct ViewSettings {
    PageSettings page;
    std::array<FontSpec, 4> fonts;
    std::vector<int> columnWidths; // characters of the body font, one per text column
    friend bool operator==(const ViewSettings&, const ViewSettings&) = default;
};

// Where a view keeps its print settings: the year data file (nullptr: not stored), the view's
// kind number and its mode text.
struct SettingsKey {
    Database* db = nullptr;
    int nFlag = 0;
    std::string fieldMode = "0";
};

// The default page and fonts (no column widths).
PageSettings defaultPageSettings();
std::array<FontSpec, 4> defaultFonts();
ViewSettings defaultViewSettings();

// Replaces the stored rows of the key (nFlag, mode) by these settings: the three deletions, then
// the inserts, as one transaction.
void SaveViewSettings(Database& db, int nFlag, std::string_view fieldMode, const ViewSettings& settings);

// The settings of the key: the defaults, overridden by a stored page row, by each stored font row
// and by the stored column widths (in column order). Only reads: the tables of an older file are
// brought into shape when it is logged into (store/schema_upgrade.h); a file that lacks them
// gives the defaults.
ViewSettings LoadViewSettings(Database& db, int nFlag, std::string_view fieldMode);

} // namespace kszw
