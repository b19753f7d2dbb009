// The page geometry of a form view: where the title, the head lines, the ruled table (column
// headers, body rows, footer rows) and the foot lines lie on a page, and what lies under a point.
// It works in device units (screen pixels or printer dots) computed from the page settings in
// 0.1 mm and the measured fonts, so the screen, the print preview, the printer and PDF output all
// draw and hit-test with the same numbers.
//
// A page from top to bottom, with the accessor that gives each boundary. Every row is the height
// of its area's font plus the line spacing; the page width between the left and right margins
// holds the table and places the head and foot cells.
//
//              +--------------------------------------------+  0
//              |  head length (PageTop)                     |
//              +--------------------------------------------+  topicTop
//   TOPIC      |  the title, drawn by the view              |  title font
//              +--------------------------------------------+  headTop
//   HEAD       |  head lines (cells in thousandths of the   |  page-head font
//              |  width, set per row)                       |
//              +------+--------+-------+---------+----------+  formHeadTop
//   FORMHEAD   |  column headers                            |  body font
//              +------+--------+-------+---------+----------+  textTop
//   TEXT       |  body rows: pageRows() of them, starting   |  body font
//              |  at the first row of the page              |
//              +------+--------+-------+---------+----------+  formFootTop
//   FORMFOOT   |  footer rows (totals)                      |  body font
//              +------+--------+-------+---------+----------+  footTop
//   FOOT       |  foot lines (cells placed like the head's) |  page-foot font
//              +--------------------------------------------+  footBottom
//              |  the rest: less than one body row (more    |
//              |  when the view limits its rows per page)   |
//              |  foot length (PageBottom)                  |
//              +--------------------------------------------+  page length
//
#pragma once

#include "formview/print_settings.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace kszw {

// The area keywords of a form page and the grid-line zones of the hit test.
namespace area {
inline constexpr std::string_view kTopic = "TOPIC";
inline constexpr std::string_view kHead = "HEAD";
inline constexpr std::string_view kFormHead = "FORMHEAD";
inline constexpr std::string_view kText = "TEXT";
inline constexpr std::string_view kFormFoot = "FORMFOOT";
inline constexpr std::string_view kFoot = "FOOT";
inline constexpr std::string_view kTail = "TAIL";
inline constexpr std::string_view kTextLeft = "TEXTL";
inline constexpr std::string_view kFormHeadLeft = "FORMHEADL";
inline constexpr std::string_view kTextRule = "TEXTH";
inline constexpr std::string_view kColumnRule = "TEXTV";
inline constexpr std::string_view kFootColumnRule = "FORMFOOTV";
inline constexpr std::string_view kOutside = "OUTCLIENT";
} // namespace area

// The font (0 title, 1 page head, 2 body, 3 page foot) an area is written in.
int areaFontIndex(std::string_view areaName);

// One cell of a head or foot line: left edge in thousandths of the usable width, width in
// characters of the area's font.
struct CellSpan {
    int pos = 0;
    int width = 0;
    friend bool operator==(const CellSpan&, const CellSpan&) = default;
};

// The layout a view sets up: the five row counts, the text columns and the head and foot cells.
struct FormLayout {
    int headRows = 0;
    int formHeadRows = 0;
    int textRows = 1;
    int formFootRows = 0;
    int footRows = 0;
    std::vector<int> columnWidths;               // characters of the body font, one per text column
    std::vector<std::vector<CellSpan>> headCells; // one entry per head row
    std::vector<std::vector<CellSpan>> footCells; // one entry per foot row
    int ruleExtent = 1;                          // 1: vertical rules run from the headers to the foot area

    int columnCount() const { return static_cast<int>(columnWidths.size()); }
    // Number of cells of a row in "HEAD", "TEXT" or "FOOT" (0 for a row outside the area).
    int cellCount(std::string_view areaName, int row) const;
};

// A font measured on the device: the width of the character "T" and the line height.
struct MeasuredFont {
    int charWidth = 8;
    int height = 16;
};

// What the geometry is computed from.
struct GeometryInput {
    PageSettings page;
    double dotsPerUnitX = 96.0 / 254.0; // device units per 0.1 mm
    double dotsPerUnitY = 96.0 / 254.0;
    std::array<MeasuredFont, 4> fonts;
    bool printing = false;
    // The visible area on screen (ignored when printing: the paper is the page).
    int viewWidth = 0;
    int viewHeight = 0;
};

struct DeviceRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    int right() const { return x + width; }
    int bottom() const { return y + height; }
    bool contains(int px, int py) const { return px >= x && px < x + width && py >= y && py < y + height; }
    friend bool operator==(const DeviceRect&, const DeviceRect&) = default;
};

// What lies under a point: an area keyword (or grid-line zone), the row (TEXT rows counted from
// the first row of the text, not of the page) and the column.
struct HitResult {
    std::string area = std::string(area::kOutside);
    int row = -1;
    int col = -1;
};

class FormGeometry {
public:
    FormGeometry() = default;
    FormGeometry(const FormLayout& layout, const GeometryInput& input);

    // Number of TEXT rows on one page; 0 when not one fits.
    int pageRows() const { return m_pageRows; }
    // Puts fewer body rows on the page than fit (a view that splits its pages itself); the
    // footers and foot lines follow the last row.
    void limitPageRows(int rows);
    bool printing() const { return m_printing; }

    int pageWidth() const { return m_pageWidth; }   // the whole width to be shown or scrolled
    int pageHeight() const { return m_pageHeight; }
    int tableLeft() const { return m_edges.empty() ? m_left : m_edges.front(); }
    int tableRight() const { return m_edges.empty() ? m_left : m_edges.back(); }
    int usableWidth() const { return m_usableWidth; }
    int lineSpacing() const { return m_spacing; }
    double dotsPerUnitX() const { return m_dotsPerUnitX; }
    double dotsPerUnitY() const { return m_dotsPerUnitY; }

    int topicTop() const { return m_topicTop; }
    int topicHeight() const { return m_topicHeight; }
    int headTop() const { return m_headTop; }
    int formHeadTop() const { return m_formHeadTop; }
    int textTop() const { return m_textTop; }
    int formFootTop() const { return m_formFootTop; }
    int footTop() const { return m_footTop; }
    int footBottom() const { return m_footBottom; }
    // Height of one row of an area ("HEAD", "FOOT", or a table area).
    int rowHeight(std::string_view areaName) const;
    const MeasuredFont& font(int index) const { return m_fonts[static_cast<size_t>(index)]; }

    // x of the left rule of a text column; column == columnCount gives the table's right edge.
    int columnEdge(int column) const;
    int columnWidth(int column) const { return columnEdge(column + 1) - columnEdge(column); }
    // y of the top of a row of an area; TEXT rows are counted from firstRow (the page's first row).
    int rowTop(std::string_view areaName, int row, int firstRow = 0) const;
    // The rectangle of a cell, or an empty rectangle when the area has no such cell.
    DeviceRect cellRect(std::string_view areaName, int row, int col, int firstRow = 0) const;

    // What lies under (x, y) on a page whose first TEXT row is firstRow and whose table holds
    // textRows rows. tolerance is how near a rule counts as on it.
    HitResult hitTest(int x, int y, int firstRow, int textRows, int tolerance) const;

    // The natural width in characters a column gets for a drawn width (the inverse of the
    // column geometry, spare width taken off first); at least 1.
    int widthInCharacters(int column, int drawnWidth) const;
    // The line spacing in 0.1 mm that gives a TEXT row of this height; at least 1.
    int spacingForRowHeight(int rowHeight) const;

private:
    void setPageRows(int rows);
    std::array<MeasuredFont, 4> m_fonts{};
    bool m_printing = false;
    double m_dotsPerUnitX = 1;
    double m_dotsPerUnitY = 1;
    int m_left = 0;
    int m_usableWidth = 0;
    int m_pageWidth = 0;
    int m_pageHeight = 0;
    int m_spacing = 0;
    int m_pageRows = 0;
    int m_topicTop = 0;
    int m_topicHeight = 0;
    int m_headTop = 0;
    int m_formHeadTop = 0;
    int m_textTop = 0;
    int m_formFootTop = 0;
    int m_footTop = 0;
    int m_footBottom = 0;
    std::vector<int> m_edges;      // columnCount + 1 rules
    std::vector<int> m_spareShare; // width added to each column on screen
    std::vector<std::vector<CellSpan>> m_headCells;
    std::vector<std::vector<CellSpan>> m_footCells;
    int m_headRows = 0;
    int m_formHeadRows = 0;
    int m_formFootRows = 0;
    int m_footRows = 0;
};

} // namespace kszw
