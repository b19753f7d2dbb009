// CKsFormView mouse handling: the hit test turned into cell selection (cells, whole rows from the
// left margin, whole columns from the column headers, the whole table from the corner), the
// cursor shapes of the zones, and dragging a column rule (a column's width) or a row rule (the
// line spacing) with a tracking line.
#include "formview/ui/form_view.h"

#include "common/text.h"

#include <QMouseEvent>
#include <QScrollBar>

#include <algorithm>

namespace kszw {

namespace {

constexpr int kRuleTolerance = 3;

} // namespace

int CKsFormView::caretAtX(int row, int col, std::string_view area, int x)
{
    if (!m_editable)
        return 0;
    const DeviceRect rect = m_screen.cellRect(area, row, col, firstVisibleRow());
    if (rect.width <= 0)
        return 0;
    const QFontMetrics metrics(m_fonts[static_cast<size_t>(areaFontIndex(area))], viewport());
    const std::vector<std::string> chars = splitChars(GetCellInfo(row, col, area, false).text);
    QString text;
    for (const auto& c : chars)
        text += QString::fromStdString(c);
    auto found = m_alignments.find(std::string(area) + ':' + std::to_string(col));
    const std::string align = found == m_alignments.end() ? "LEFT" : found->second;
    int position = textOriginX(metrics, rect, text, align);
    for (int i = 0; i < static_cast<int>(chars.size()); ++i) {
        const int width = metrics.horizontalAdvance(QString::fromStdString(chars[static_cast<size_t>(i)]));
        if (x < position + width / 2)
            return i;
        position += width;
    }
    return static_cast<int>(chars.size());
}

void CKsFormView::selectWhole(const std::string& zone, int row, int col)
{
    const int n = m_layout.columnCount();
    const int last = m_layout.textRows - 1;
    if (n < 1)
        return;
    if (zone == area::kTextLeft) {
        SetCurrentCell(row, 0, 0, area::kText);
        m_anchor = CellPos{-1, row, n - 1, std::string(area::kText)};
    } else if (zone == area::kFormHead) {
        SetCurrentCell(0, col, 0, area::kText);
        m_anchor = CellPos{-1, last, col, std::string(area::kText)};
    } else {
        SetCurrentCell(0, 0, 0, area::kText);
        m_anchor = CellPos{-1, last, n - 1, std::string(area::kText)};
    }
    m_selectionKind = zone;
    viewport()->update();
}

void CKsFormView::mousePressEvent(QMouseEvent* event)
{
    // A selection whose release never arrived (a dialog of a cell hook took it) has ended.
    if (m_mouseState == MouseState::Selecting)
        m_mouseState = MouseState::Idle;
    if (!m_initialized || GetPageRows(false) < 1 || event->button() != Qt::LeftButton ||
        m_mouseState != MouseState::Idle)
        return;
    setFocus(Qt::MouseFocusReason);
    const int x = static_cast<int>(event->position().x()) + horizontalScrollBar()->value();
    const int y = static_cast<int>(event->position().y());
    const HitResult hit = m_screen.hitTest(x, y, firstVisibleRow(), m_layout.textRows, kRuleTolerance);
    m_shiftHeld = event->modifiers().testFlag(Qt::ShiftModifier);
    if (hit.area == area::kColumnRule) {
        m_mouseState = MouseState::DraggingRule;
        m_drag = Drag{std::string(area::kColumnRule), hit.col, x};
        viewport()->update();
    } else if (hit.area == area::kTextRule) {
        m_mouseState = MouseState::DraggingRule;
        m_drag = Drag{std::string(area::kTextRule), hit.row, y};
        viewport()->update();
    } else if (hit.area == area::kTextLeft || hit.area == area::kFormHead || hit.area == area::kFormHeadLeft) {
        selectWhole(hit.area, hit.row, hit.col);
        m_mouseState = MouseState::Selecting;
    } else if (hit.area == area::kText || hit.area == area::kHead || hit.area == area::kFoot) {
        SetCurrentCell(hit.row, hit.col, caretAtX(hit.row, hit.col, hit.area, x), hit.area, true);
        m_mouseState = MouseState::Selecting;
    }
    m_shiftHeld = false;
}

void CKsFormView::mouseDoubleClickEvent(QMouseEvent* event)
{
    mousePressEvent(event);
}

void CKsFormView::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_initialized)
        return;
    const int x = static_cast<int>(event->position().x()) + horizontalScrollBar()->value();
    const int y = static_cast<int>(event->position().y());
    const int first = firstVisibleRow();
    if (m_mouseState == MouseState::DraggingRule) {
        if (m_drag.zone == area::kTextRule) {
            const int top = m_screen.rowTop(area::kText, m_drag.index, first);
            m_drag.position = std::max(y, top + m_screen.font(kBodyFont).height + 1);
        } else {
            m_drag.position = std::max(x, m_screen.columnEdge(m_drag.index) + 2 * m_screen.font(kBodyFont).charWidth);
        }
        viewport()->update();
        return;
    }
    const HitResult hit = m_screen.hitTest(x, y, first, m_layout.textRows, kRuleTolerance);
    if (m_mouseState == MouseState::Selecting && !(event->buttons() & Qt::LeftButton)) {
        // The release went elsewhere (a dialog took it): selecting has ended.
        m_mouseState = MouseState::Idle;
    }
    if (m_mouseState == MouseState::Selecting) {
        if (m_current.area == area::kText) {
            int row = hit.row;
            if (y < m_screen.textTop())
                row = std::max(0, first - 1);
            else if (y >= m_screen.formFootTop())
                row = std::min(m_layout.textRows - 1, first + m_screen.pageRows());
            else if (row < 0) // beside the table: the row at the mouse's height
                row = std::min(m_layout.textRows - 1, first + (y - m_screen.textTop()) / m_screen.rowHeight(area::kText));
            if (m_selectionKind == area::kTextLeft) {
                SetCurrentCell(row, 0, 0, area::kText, true);
                return;
            }
            if (m_selectionKind == area::kFormHead) {
                if (hit.col >= 0 && (hit.area == area::kFormHead || hit.area == area::kText))
                    SetCurrentCell(m_current.row, hit.col, 0, area::kText, true);
                return;
            }
            if (!m_selectionKind.empty())
                return;
            int col = hit.area == area::kText || hit.area == area::kColumnRule || hit.area == area::kTextRule ? hit.col
                                                                                                            : -1;
            if (col < 0)
                col = m_current.col;
            // Moving inside the current cell changes nothing: the caret stays where the click put it.
            if (row != m_current.row || col != m_current.col)
                SetCurrentCell(row, col, 0, area::kText, true);
        } else if (hit.area == m_current.area && (hit.row != m_current.row || hit.col != m_current.col)) {
            SetCurrentCell(hit.row, hit.col, caretAtX(hit.row, hit.col, hit.area, x), hit.area, true);
        }
        return;
    }
    Qt::CursorShape shape = Qt::ArrowCursor;
    const CellRange range = selection();
    if (hit.area == area::kColumnRule || (hit.area == area::kFootColumnRule && hit.row == 0))
        shape = Qt::SplitHCursor;
    else if (hit.area == area::kTextRule)
        shape = Qt::SplitVCursor;
    else if (!range.area.empty() && hit.area == range.area && range.contains(hit.row, hit.col))
        shape = Qt::ArrowCursor;
    else if (hit.area == area::kText || hit.area == area::kHead || hit.area == area::kFoot)
        shape = Qt::IBeamCursor;
    if (viewport()->cursor().shape() != shape)
        viewport()->setCursor(shape);
}

void CKsFormView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    if (m_mouseState == MouseState::DraggingRule) {
        m_mouseState = MouseState::Idle;
        const int first = firstVisibleRow();
        if (m_drag.zone == area::kColumnRule) {
            const int index = m_drag.index;
            if (index >= 0 && index < m_layout.columnCount())
                m_layout.columnWidths[static_cast<size_t>(index)] =
                    m_screen.widthInCharacters(index, m_drag.position - m_screen.columnEdge(index));
        } else {
            const int height = m_drag.position - m_screen.rowTop(area::kText, m_drag.index, first);
            m_settings.page.pageRow = m_screen.spacingForRowHeight(height);
        }
        m_drag = Drag{};
        updateScrollSizes();
        scrollToRow(0);
        viewport()->update();
        return;
    }
    m_mouseState = MouseState::Idle;
}

} // namespace kszw
