// CKsFormView painting: one drawing path for the screen, the print preview, the printer and PDF.
// A page is the grid and column headers, the view's headings, the head lines, the body rows of
// the page and the foot lines; on screen the selection, the current cell, the caret and a rule
// being dragged are drawn over it. Only the rows of the page are ever drawn.
#include "common/text.h"
#include "common/ui/qt_prompt.h"
#include "formview/ui/font_mapping.h"
#include "formview/ui/form_view.h"

#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <cmath>

namespace kszw {

namespace {

// Width of the inner rules and of the outer frame in device units.
int innerRuleWidth(const FormGeometry& g)
{
    return std::max(1, static_cast<int>(std::lround(1.0 * g.dotsPerUnitX())));
}

int outerFrameWidth(const FormGeometry& g)
{
    return std::max(2, static_cast<int>(std::lround(3.0 * g.dotsPerUnitX())));
}

// The inside of a cell, clear of its rules.
QRect innerRect(const DeviceRect& rect)
{
    return QRect(rect.x + 1, rect.y + 1, std::max(0, rect.width - 2), std::max(0, rect.height - 2));
}

int cellPadding(const QFontMetrics& metrics)
{
    return std::max(3, metrics.horizontalAdvance(QLatin1Char('T')) * 2 / 3);
}

// The text without its last character (a surrogate pair counts as one).
void chopCharacter(QString& text)
{
    if (text.size() >= 2 && text.back().isLowSurrogate())
        text.chop(2);
    else
        text.chop(1);
}

} // namespace

void CKsFormView::paintEvent(QPaintEvent* event)
{
    QPainter dc(viewport());
    dc.fillRect(event->rect(), palette().color(QPalette::Base));
    if (!m_initialized)
        return;
    dc.translate(-horizontalScrollBar()->value(), 0);
    drawPage(dc, m_screen, false, firstVisibleRow());
}

void CKsFormView::OnDraw(QPainter& dc, const QPaintDevice& device, bool printing, int firstRow)
{
    if (!m_initialized)
        initialUpdate();
    FormGeometry geometry = geometryFor(device, printing);
    // A view that splits its printed pages itself puts only its own number of rows on a page.
    if (printing) {
        const QPaintDevice* saved = m_printDevice;
        m_printDevice = &device;
        geometry.limitPageRows(GetPageRows(true));
        m_printDevice = saved;
    }
    drawPage(dc, geometry, printing, std::max(0, firstRow));
}

int CKsFormView::drawingPageNumber() const
{
    const int rows = m_drawing ? m_drawing->geometry->pageRows() : GetPageRows(false);
    return rows > 0 ? drawingFirstRow() / rows + 1 : 1;
}

void CKsFormView::drawPage(QPainter& dc, const FormGeometry& geometry, bool printing, int firstRow)
{
    if (geometry.pageRows() < 1)
        return;
    DrawingContext context{&geometry, printing, firstRow};
    const DrawingContext* saved = m_drawing;
    m_drawing = &context;
    struct Restore {
        const DrawingContext*& slot;
        const DrawingContext* value;
        ~Restore() { slot = value; }
    } restore{m_drawing, saved};

    dc.save();
    DrawGrid(dc);
    DrawHeadings(dc);
    for (int row = 0; row < m_layout.headRows; ++row)
        for (int col = 0; col < m_layout.cellCount(area::kHead, row); ++col)
            DrawCell(dc, row, col, area::kHead);
    DrawTextArea(dc);
    for (int row = 0; row < m_layout.footRows; ++row)
        for (int col = 0; col < m_layout.cellCount(area::kFoot, row); ++col)
            DrawCell(dc, row, col, area::kFoot);
    if (!printing) {
        if (m_current.area != area::kText) {
            drawSelection(dc);
            drawCurrentCell(dc);
        }
        drawTracking(dc);
    }
    dc.restore();
}

void CKsFormView::DrawGrid(QPainter& dc)
{
    if (!m_drawing || m_layout.columnCount() < 1)
        return;
    const FormGeometry& g = *m_drawing->geometry;
    const int n = m_layout.columnCount();
    const int left = g.tableLeft();
    const int right = g.tableRight();
    const int top = g.formHeadTop();
    const int bottom = g.footTop();
    const int rowHeight = g.rowHeight(area::kText);
    const QColor lineColor = toQColor(m_settings.page.formLine);
    const QColor boxColor = toQColor(m_settings.page.outBox);

    dc.save();
    dc.setRenderHint(QPainter::Antialiasing, false);
    QPen inner(lineColor, innerRuleWidth(g));
    inner.setCapStyle(Qt::FlatCap);
    dc.setPen(inner);
    for (int k = 1; k < m_layout.formHeadRows; ++k)
        dc.drawLine(left, top + k * rowHeight, right, top + k * rowHeight);
    for (int k = 1; k < g.pageRows(); ++k)
        dc.drawLine(left, g.textTop() + k * rowHeight, right, g.textTop() + k * rowHeight);
    for (int k = 1; k < m_layout.formFootRows; ++k)
        dc.drawLine(left, g.formFootTop() + k * rowHeight, right, g.formFootTop() + k * rowHeight);
    int ruleBottom = bottom;
    if (m_layout.ruleExtent == 0) {
        const int shown = std::clamp(m_layout.textRows - m_drawing->firstRow, 0, g.pageRows());
        ruleBottom = g.textTop() + shown * rowHeight;
    }
    for (int c = 1; c < n; ++c)
        dc.drawLine(g.columnEdge(c), top, g.columnEdge(c), ruleBottom);

    // The rules that close the column headers and open the footers, and the outer frame.
    QPen box(boxColor, innerRuleWidth(g));
    box.setCapStyle(Qt::FlatCap);
    dc.setPen(box);
    if (m_layout.formHeadRows > 0)
        dc.drawLine(left, g.textTop(), right, g.textTop());
    if (m_layout.formFootRows > 0)
        dc.drawLine(left, g.formFootTop(), right, g.formFootTop());
    QPen frame(boxColor, outerFrameWidth(g));
    frame.setJoinStyle(Qt::MiterJoin);
    dc.setPen(frame);
    dc.setBrush(Qt::NoBrush);
    dc.drawRect(QRect(left, top, right - left, bottom - top));
    dc.restore();

    for (int row = 0; row < m_layout.formHeadRows; ++row)
        for (int col = 0; col < n; ++col)
            DrawCell(dc, row, col, area::kFormHead);
    for (int row = 0; row < m_layout.formFootRows; ++row)
        for (int col = 0; col < n; ++col)
            DrawCell(dc, row, col, area::kFormFoot);
}

void CKsFormView::DrawCell(QPainter& dc, int row, int col, std::string_view area)
{
    CellInfo info = GetCellInfo(row, col, area, false);
    DrawCellText(row, col, dc, info.text, area == area::kFormHead ? "MID" : "LEFT", area);
}

void CKsFormView::DrawTextArea(QPainter& dc)
{
    if (!m_drawing)
        return;
    const FormGeometry& g = *m_drawing->geometry;
    const int first = m_drawing->firstRow;
    const int last = std::min(m_layout.textRows, first + g.pageRows());
    const int n = m_layout.columnCount();
    for (int row = first; row < last; ++row)
        for (int col = 0; col < n; ++col)
            DrawCell(dc, row, col, area::kText);
    if (m_drawing->printing || m_current.area != area::kText)
        return;
    drawSelection(dc);
    if (m_current.row >= first && m_current.row < last)
        drawCurrentCell(dc);
}

void CKsFormView::drawSelection(QPainter& dc)
{
    const CellRange range = selection();
    if (range.area.empty() || !m_drawing)
        return;
    const FormGeometry& g = *m_drawing->geometry;
    int top = range.top;
    int bottom = range.bottom;
    if (range.area == area::kText) {
        top = std::max(top, m_drawing->firstRow);
        bottom = std::min(bottom, m_drawing->firstRow + g.pageRows() - 1);
    }
    dc.save();
    dc.setCompositionMode(QPainter::RasterOp_NotDestination);
    for (int row = top; row <= bottom; ++row) {
        for (int col = range.left; col <= range.right; ++col) {
            if (row == m_current.row && col == m_current.col)
                continue;
            const DeviceRect rect = g.cellRect(range.area, row, col, m_drawing->firstRow);
            if (rect.width > 0)
                dc.fillRect(innerRect(rect), Qt::black);
        }
    }
    dc.restore();
}

void CKsFormView::drawCurrentCell(QPainter& dc)
{
    if (!m_drawing || m_current.area.empty())
        return;
    const FormGeometry& g = *m_drawing->geometry;
    const DeviceRect rect = g.cellRect(m_current.area, m_current.row, m_current.col, m_drawing->firstRow);
    if (rect.width <= 0)
        return;
    dc.save();
    if (!m_editable) {
        dc.setCompositionMode(QPainter::RasterOp_NotDestination);
        dc.fillRect(innerRect(rect), Qt::black);
        dc.restore();
        return;
    }
    QPen pen(palette().color(QPalette::Highlight), 2);
    pen.setJoinStyle(Qt::MiterJoin);
    dc.setPen(pen);
    dc.setBrush(Qt::NoBrush);
    dc.drawRect(QRect(rect.x + 1, rect.y + 1, rect.width - 2, rect.height - 2));
    if (hasFocus() && m_caretVisible)
        dc.fillRect(caretRect(), toQColor(m_settings.page.textColor));
    dc.restore();
}

QRect CKsFormView::caretRect()
{
    if (!m_editable || m_current.area.empty() || !cellExists(m_current.row, m_current.col, m_current.area))
        return {};
    const DeviceRect rect = m_screen.cellRect(m_current.area, m_current.row, m_current.col, firstVisibleRow());
    if (rect.width <= 0)
        return {};
    const QFont& font = m_fonts[static_cast<size_t>(areaFontIndex(m_current.area))];
    const QFontMetrics metrics(font, viewport());
    const QString text = QString::fromStdString(GetCellInfo(m_current.row, m_current.col, m_current.area, false).text);
    auto found = m_alignments.find(m_current.area + ':' + std::to_string(m_current.col));
    const std::string align = found == m_alignments.end() ? "LEFT" : found->second;
    const int origin = textOriginX(metrics, rect, text, align);
    const QString before = QString::fromStdString(leftChars(text.toStdString(), m_current.caret));
    const int pad = cellPadding(metrics);
    const int x = std::clamp(origin + metrics.horizontalAdvance(before), rect.x + 1, rect.right() - pad);
    const int height = metrics.height();
    return QRect(x, rect.y + (rect.height - height) / 2, 2, height);
}

int CKsFormView::textOriginX(const QFontMetrics& metrics, const DeviceRect& rect, const QString& text,
                             std::string_view align) const
{
    const int pad = cellPadding(metrics);
    const int width = metrics.horizontalAdvance(text);
    if (align == "RIGHT" || align == "PERCENT")
        return rect.right() - pad - width;
    if (align == "MID")
        return rect.x + (rect.width - width) / 2;
    return rect.x + pad;
}

namespace {

// An amount or number as the views show them: digits with grouping commas, a point and a sign.
bool isFigure(const QString& text)
{
    bool digit = false;
    for (QChar c : text) {
        if (c.isDigit())
            digit = true;
        else if (c != QLatin1Char(',') && c != QLatin1Char('.') && c != QLatin1Char('-') && c != QLatin1Char(' '))
            return false;
    }
    return digit;
}

} // namespace

void CKsFormView::DrawCellText(int row, int col, QPainter& dc, std::string_view text, std::string_view align,
                               std::string_view area, bool noFill)
{
    if (!m_drawing)
        return;
    const FormGeometry& g = *m_drawing->geometry;
    const DeviceRect rect = g.cellRect(area, row, col, m_drawing->firstRow);
    if (rect.width <= 0)
        return;
    if (m_recorder) {
        m_recorder->cellText(area, row, col, text, align);
        return;
    }
    const bool printing = m_drawing->printing;
    if (!printing) {
        std::string key = std::string(area) + ':' + std::to_string(col);
        auto found = m_alignments.find(key);
        if (found == m_alignments.end())
            m_alignments.emplace(std::move(key), std::string(align));
        else if (found->second != align)
            found->second = std::string(align);
    }
    const bool percent = align == "PERCENT";
    if (!printing && !noFill && !percent)
        dc.fillRect(innerRect(rect), palette().color(QPalette::Base));
    if (text.empty())
        return;
    const int fontIndex = areaFontIndex(area);
    dc.setFont(m_fonts[static_cast<size_t>(fontIndex)]);
    const RgbColor colors[] = {m_settings.page.topicColor, m_settings.page.headColor, m_settings.page.textColor,
                               m_settings.page.tailColor};
    dc.setPen(toQColor(colors[fontIndex]));
    QString shown = qtText(text);
    if (!percent && align != "NOCUT") {
        const QFontMetrics fitting = dc.fontMetrics();
        const int available = rect.width - 2 * cellPadding(fitting);
        const int width = fitting.horizontalAdvance(shown);
        if (width > available && available > 0 && isFigure(shown)) {
            // A figure is never cut short: it is drawn narrower, then smaller, until it fits.
            QFont narrow = dc.font();
            narrow.setStretch(std::max(50, 100 * available / width));
            dc.setFont(narrow);
            for (int step = 0; step < 20 && dc.fontMetrics().horizontalAdvance(shown) > available; ++step) {
                if (narrow.pointSizeF() > 0)
                    narrow.setPointSizeF(narrow.pointSizeF() * 0.93);
                else
                    narrow.setPixelSize(std::max(1, narrow.pixelSize() * 93 / 100));
                dc.setFont(narrow);
            }
        } else {
            while (!shown.isEmpty() && fitting.horizontalAdvance(shown) > available)
                chopCharacter(shown);
        }
    }
    const QFontMetrics metrics = dc.fontMetrics();
    const int x = textOriginX(metrics, rect, shown, align);
    const int baseline = rect.y + (rect.height - metrics.height()) / 2 + metrics.ascent();
    dc.drawText(x, baseline, shown);
}

void CKsFormView::DrawAreaText(QPainter& dc, int x, int y, const QString& text, std::string_view area)
{
    if (m_recorder) {
        m_recorder->areaText(area, x, y, text);
        return;
    }
    const int fontIndex = areaFontIndex(area);
    dc.setFont(m_fonts[static_cast<size_t>(fontIndex)]);
    const RgbColor colors[] = {m_settings.page.topicColor, m_settings.page.headColor, m_settings.page.textColor,
                               m_settings.page.tailColor};
    dc.setPen(toQColor(colors[fontIndex]));
    dc.drawText(x, y + dc.fontMetrics().ascent(), text);
}

void CKsFormView::drawTracking(QPainter& dc)
{
    if (m_mouseState != MouseState::DraggingRule || !m_drawing)
        return;
    const FormGeometry& g = *m_drawing->geometry;
    dc.save();
    QPen pen(palette().color(QPalette::Text), 1, Qt::DashLine);
    dc.setPen(pen);
    if (m_drag.zone == area::kTextRule)
        dc.drawLine(g.tableLeft(), m_drag.position, g.tableRight(), m_drag.position);
    else
        dc.drawLine(m_drag.position, g.formHeadTop(), m_drag.position, g.footTop());
    dc.restore();
}

} // namespace kszw
