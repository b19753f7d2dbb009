// Page geometry of a form view: the vertical stack of areas, the column rules (spare width shared
// on screen, columns scaled to the paper when printing), cell rectangles and the hit test.
#include "formview/form_geometry.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace kszw {

int areaFontIndex(std::string_view areaName)
{
    if (areaName == area::kTopic)
        return kTitleFont;
    if (areaName == area::kHead)
        return kHeadFont;
    if (areaName == area::kFoot || areaName == area::kTail)
        return kFootFont;
    return kBodyFont;
}

int FormLayout::cellCount(std::string_view areaName, int row) const
{
    if (row < 0)
        return 0;
    if (areaName == area::kText)
        return row < textRows ? columnCount() : 0;
    const auto& cells = areaName == area::kHead ? headCells : footCells;
    if (areaName != area::kHead && areaName != area::kFoot && areaName != area::kTail)
        return 0;
    return row < static_cast<int>(cells.size()) ? static_cast<int>(cells[static_cast<size_t>(row)].size()) : 0;
}

FormGeometry::FormGeometry(const FormLayout& layout, const GeometryInput& input)
    : m_fonts(input.fonts), m_printing(input.printing), m_dotsPerUnitX(input.dotsPerUnitX),
      m_dotsPerUnitY(input.dotsPerUnitY), m_headCells(layout.headCells), m_footCells(layout.footCells),
      m_headRows(std::max(0, layout.headRows)), m_formHeadRows(std::max(0, layout.formHeadRows)),
      m_formFootRows(std::max(0, layout.formFootRows)), m_footRows(std::max(0, layout.footRows))
{
    for (auto& font : m_fonts) {
        font.charWidth = std::max(1, font.charWidth);
        font.height = std::max(1, font.height);
    }
    const PageSettings& page = input.page;
    auto toX = [&](int units) { return static_cast<int>(std::lround(units * m_dotsPerUnitX)); };
    auto toY = [&](int units) { return static_cast<int>(std::lround(units * m_dotsPerUnitY)); };

    m_spacing = std::max(0, toY(page.pageRow));
    m_left = std::max(0, toX(page.pageLeft));
    const int right = std::max(0, toX(page.pageRight));
    const int bodyChar = m_fonts[kBodyFont].charWidth;

    // Columns: (width + 1) body characters each.
    const size_t n = layout.columnWidths.size();
    std::vector<int> widths(n);
    long long total = 0;
    for (size_t i = 0; i < n; ++i) {
        widths[i] = (std::max(0, layout.columnWidths[i]) + 1) * bodyChar;
        total += widths[i];
    }
    m_spareShare.assign(n, 0);
    if (m_printing) {
        m_pageWidth = toX(page.pageWidth);
        m_pageHeight = toY(page.pageLength);
        m_usableWidth = std::max(1, m_pageWidth - m_left - right);
        if (n > 0 && total > 0) {
            const double factor = static_cast<double>(m_usableWidth) / static_cast<double>(total);
            long long used = 0;
            for (size_t i = 0; i + 1 < n; ++i) {
                int scaled = static_cast<int>(std::lround(widths[i] * factor / bodyChar)) * bodyChar;
                m_spareShare[i] = std::max(bodyChar, scaled) - widths[i];
                widths[i] = std::max(bodyChar, scaled);
                used += widths[i];
            }
            const int last = std::max(1, static_cast<int>(m_usableWidth - used));
            m_spareShare[n - 1] = last - widths[n - 1];
            widths[n - 1] = last;
        }
    } else {
        const int available = input.viewWidth - m_left - right;
        if (n > 0 && available > total) {
            const int spare = static_cast<int>(available - total);
            const int each = spare / static_cast<int>(n);
            for (size_t i = 0; i < n; ++i)
                m_spareShare[i] = each;
            m_spareShare[n - 1] += spare % static_cast<int>(n);
            for (size_t i = 0; i < n; ++i)
                widths[i] += m_spareShare[i];
        }
        long long tableWidth = 0;
        for (int w : widths)
            tableWidth += w;
        m_usableWidth = std::max(1, static_cast<int>(tableWidth));
        m_pageWidth = std::max(input.viewWidth, static_cast<int>(m_left + tableWidth + right));
        m_pageHeight = std::max(0, input.viewHeight);
    }
    m_edges.resize(n + 1);
    m_edges[0] = m_left;
    for (size_t i = 0; i < n; ++i)
        m_edges[i + 1] = m_edges[i] + widths[i];

    // Vertical stack: head length, title, head lines, column headers, body rows, footers, foot lines.
    m_topicTop = std::max(0, toY(page.pageTop));
    m_topicHeight = m_fonts[kTitleFont].height + m_spacing;
    m_headTop = m_topicTop + m_topicHeight;
    m_formHeadTop = m_headTop + m_headRows * rowHeight(area::kHead);
    m_textTop = m_formHeadTop + m_formHeadRows * rowHeight(area::kText);
    const int bottomMargin = std::max(0, toY(page.pageBottom));
    const int below = m_formFootRows * rowHeight(area::kText) + m_footRows * rowHeight(area::kFoot);
    const int room = m_pageHeight - bottomMargin - m_textTop - below;
    setPageRows(room > 0 ? room / rowHeight(area::kText) : 0);
}

void FormGeometry::setPageRows(int rows)
{
    m_pageRows = std::max(0, rows);
    m_formFootTop = m_textTop + m_pageRows * rowHeight(area::kText);
    m_footTop = m_formFootTop + m_formFootRows * rowHeight(area::kText);
    m_footBottom = m_footTop + m_footRows * rowHeight(area::kFoot);
}

void FormGeometry::limitPageRows(int rows)
{
    if (rows >= 0 && rows < m_pageRows)
        setPageRows(rows);
}

int FormGeometry::rowHeight(std::string_view areaName) const
{
    return m_fonts[static_cast<size_t>(areaFontIndex(areaName))].height + m_spacing;
}

int FormGeometry::columnEdge(int column) const
{
    if (m_edges.empty())
        return m_left;
    column = std::clamp(column, 0, static_cast<int>(m_edges.size()) - 1);
    return m_edges[static_cast<size_t>(column)];
}

int FormGeometry::rowTop(std::string_view areaName, int row, int firstRow) const
{
    if (areaName == area::kTopic)
        return m_topicTop;
    if (areaName == area::kHead)
        return m_headTop + row * rowHeight(area::kHead);
    if (areaName == area::kFormHead)
        return m_formHeadTop + row * rowHeight(area::kText);
    if (areaName == area::kFormFoot)
        return m_formFootTop + row * rowHeight(area::kText);
    if (areaName == area::kFoot || areaName == area::kTail)
        return m_footTop + row * rowHeight(area::kFoot);
    return m_textTop + (row - firstRow) * rowHeight(area::kText);
}

DeviceRect FormGeometry::cellRect(std::string_view areaName, int row, int col, int firstRow) const
{
    if (row < 0 || col < 0)
        return {};
    const bool head = areaName == area::kHead;
    if (head || areaName == area::kFoot || areaName == area::kTail) {
        const auto& table = head ? m_headCells : m_footCells;
        if (row >= static_cast<int>(table.size()) || row >= (head ? m_headRows : m_footRows))
            return {};
        const auto& cells = table[static_cast<size_t>(row)];
        if (col >= static_cast<int>(cells.size()))
            return {};
        const CellSpan& span = cells[static_cast<size_t>(col)];
        const MeasuredFont& font = m_fonts[static_cast<size_t>(head ? kHeadFont : kFootFont)];
        const int x = m_left + static_cast<int>(static_cast<long long>(span.pos) * m_usableWidth / 1000);
        return {x, rowTop(areaName, row), std::max(0, span.width) * font.charWidth, rowHeight(areaName)};
    }
    if (col >= static_cast<int>(m_edges.size()) - 1)
        return {};
    if ((areaName == area::kFormHead && row >= m_formHeadRows) ||
        (areaName == area::kFormFoot && row >= m_formFootRows))
        return {};
    if (areaName != area::kText && areaName != area::kFormHead && areaName != area::kFormFoot)
        return {};
    return {columnEdge(col), rowTop(areaName, row, firstRow), columnWidth(col), rowHeight(area::kText)};
}

HitResult FormGeometry::hitTest(int x, int y, int firstRow, int textRows, int tolerance) const
{
    HitResult hit;
    auto lineCells = [&](std::string_view name, int top, int rows) {
        const int height = rowHeight(name);
        if (y < top || y >= top + rows * height)
            return false;
        const int row = (y - top) / height;
        const auto& table = name == area::kHead ? m_headCells : m_footCells;
        if (row < static_cast<int>(table.size())) {
            const auto& cells = table[static_cast<size_t>(row)];
            for (int c = 0; c < static_cast<int>(cells.size()); ++c) {
                if (cellRect(name, row, c).contains(x, y)) {
                    hit.area = std::string(name);
                    hit.row = row;
                    hit.col = c;
                }
            }
        }
        return true;
    };
    const int n = static_cast<int>(m_edges.size()) - 1;
    auto columnAt = [&](int px) {
        for (int c = 0; c < n; ++c)
            if (px >= m_edges[static_cast<size_t>(c)] && px < m_edges[static_cast<size_t>(c) + 1])
                return c;
        return -1;
    };
    auto ruleAt = [&](int px) {
        for (int c = 1; c <= n; ++c)
            if (std::abs(px - m_edges[static_cast<size_t>(c)]) <= tolerance)
                return c - 1;
        return -1;
    };

    if (y < m_headTop || y >= m_footBottom)
        return hit;
    if (lineCells(area::kHead, m_headTop, m_headRows))
        return hit;
    if (lineCells(area::kFoot, m_footTop, m_footRows))
        return hit;
    const int bodyHeight = rowHeight(area::kText);
    if (y < m_textTop) { // column headers
        hit.row = (y - m_formHeadTop) / bodyHeight;
        if (x < tableLeft()) {
            hit.area = std::string(area::kFormHeadLeft);
        } else if (int c = columnAt(x); c >= 0) {
            hit.area = std::string(area::kFormHead);
            hit.col = c;
        } else {
            hit.row = -1;
        }
        return hit;
    }
    if (y >= m_formFootTop) { // footer rows
        if (int rule = ruleAt(x); rule >= 0) {
            hit.area = std::string(area::kFootColumnRule);
            hit.col = rule;
        } else if (int c = columnAt(x); c >= 0) {
            hit.area = std::string(area::kFormFoot);
            hit.col = c;
        } else {
            return hit;
        }
        hit.row = (y - m_formFootTop) / bodyHeight;
        return hit;
    }
    // Body rows of the table.
    const int visible = std::max(0, std::min(m_pageRows, textRows - firstRow));
    const int index = (y - m_textTop) / bodyHeight;
    if (index >= visible)
        return hit;
    const int row = firstRow + index;
    if (x < tableLeft()) {
        hit.area = std::string(area::kTextLeft);
        hit.row = row;
        return hit;
    }
    if (x > tableRight() + tolerance)
        return hit;
    if (int rule = ruleAt(x); rule >= 0) {
        hit.area = std::string(area::kColumnRule);
        hit.row = row;
        hit.col = rule;
        return hit;
    }
    const int rowBottom = m_textTop + (index + 1) * bodyHeight;
    const int horizontalTolerance = std::max(1, tolerance - 1);
    if (rowBottom - y <= horizontalTolerance || (index > 0 && y - (rowBottom - bodyHeight) < horizontalTolerance)) {
        hit.area = std::string(area::kTextRule);
        hit.row = rowBottom - y <= horizontalTolerance ? row : row - 1;
        hit.col = columnAt(x);
        return hit;
    }
    if (int c = columnAt(x); c >= 0) {
        hit.area = std::string(area::kText);
        hit.row = row;
        hit.col = c;
    }
    return hit;
}

int FormGeometry::widthInCharacters(int column, int drawnWidth) const
{
    const int bodyChar = m_fonts[kBodyFont].charWidth;
    int spare = 0;
    if (column >= 0 && column < static_cast<int>(m_spareShare.size()) && !m_printing)
        spare = m_spareShare[static_cast<size_t>(column)];
    const int natural = drawnWidth - spare;
    return std::max(1, static_cast<int>(std::lround(static_cast<double>(natural) / bodyChar)) - 1);
}

int FormGeometry::spacingForRowHeight(int height) const
{
    const int spacing = height - m_fonts[kBodyFont].height;
    return std::max(1, static_cast<int>(std::lround(spacing / m_dotsPerUnitY)));
}

} // namespace kszw
