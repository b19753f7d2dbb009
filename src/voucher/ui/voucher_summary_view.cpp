// The voucher summary view: building the summary of the chosen vouchers level by level, opening a
// subject into its children and going back up, the context menu, and drawing the page.
#include "voucher/ui/voucher_summary_view.h"

#include "common/clock.h"
#include "common/command_ids.h"
#include "common/prompt.h"
#include "common/ui/qt_text.h"
#include "formview/view_kinds.h"
#include "session/kszw_env.h"
#include "store/database_error.h"
#include "store/error_messages.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <array>
#include <cstdlib>

namespace kszw {

namespace {

constexpr int kHeadRows = 1;
constexpr int kFormHeadRows = 1;
constexpr int kFootRows = 1;
constexpr std::array<int, CKszwpz2::kColumns> kWidths = {16, 30, 16, 16};
constexpr std::array<std::string_view, CKszwpz2::kColumns> kAlignments = {"LEFT", "LEFT", "RIGHT", "RIGHT"};
// The head line: the month at 445, the page number (on paper) at 890, in thousandths of the width.
constexpr int kHeadLabelCell = 0;
constexpr int kPageCell = 1;
const std::vector<CellSpan> kHeadCells = {{445, 16}, {890, 10}};
// The foot line: the chief accountant, the reviewer's place and the operator who made the table.
const std::vector<CellSpan> kFootCells = {{10, 30}, {430, 20}, {760, 24}};
constexpr int kHitTolerance = 3;

} // namespace

CKszwpz2::CKszwpz2(CKszwEnv& env, const Clock& clock, QWidget* parent) : CKsFormView(parent), m_env(env)
{
    setClock(clock);
    setWindowTitle(qtText(kSummaryCaption));
    setSettingsKey(SettingsKey{&m_env.db(), viewFlag(ViewKind::VoucherSummary), std::string(kDefaultFieldMode)});
}

// ---- building ----

void CKszwpz2::showSummary(SummarySelection selection)
{
    if (!isInitialized())
        initialUpdate();
    const SummarySelection previous = std::move(m_selection);
    m_selection = std::move(selection);
    if (!build(std::string(), std::string()))
        m_selection = previous; // the view keeps what it showed, and what it was built from
}

bool CKszwpz2::build(const std::string& parent, const std::string& selectCode)
{
    VoucherSummary summary;
    try {
        summary = BuildSummary(m_env.db(), m_selection, parent);
    } catch (const DatabaseError& error) {
        prompt().warn(userMessage(error, m_env.db().path()));
        return false;
    }
    m_summary = std::move(summary);
    m_parent = parent;
    m_level = parent.empty() ? 0 : 1 + static_cast<int>(std::count(parent.begin(), parent.end(), '-'));
    m_headerLabel = summaryHeaderLabel(m_env.year(), std::atoi(m_selection.month.c_str()));
    m_shown = true;

    m_rows.clear();
    m_rows.reserve(m_summary.rows.size() + 1);
    int current = 0;
    for (const SummaryRow& row : m_summary.rows) {
        if (row.code == selectCode)
            current = static_cast<int>(m_rows.size());
        m_rows.push_back(summaryRowCells(row));
    }
    m_rows.push_back(summaryTotalsCells(m_summary));
    applyLayout();

    scrollToRow(0);
    horizontalScrollBar()->setValue(0);
    SetCurrentCell(current, 0, 0, area::kText);
    viewport()->update();
    return true;
}

void CKszwpz2::applyLayout()
{
    SetAreaRows(static_cast<int>(m_rows.size()), kFormHeadRows, 0, kHeadRows, kFootRows);
    SetAreaCells(area::kHead, 0, kHeadCells);
    SetAreaCells(area::kFoot, 0, kFootCells);
}

bool CKszwpz2::rowCanOpen(int row) const
{
    if (row < 0 || row >= static_cast<int>(m_summary.rows.size()))
        return false; // no row, or the totals row
    try {
        return summaryCanOpen(m_env.db(), m_summary.rows[static_cast<size_t>(row)].code);
    } catch (const DatabaseError&) {
        return false; // told when the user acts on the row
    }
}

bool CKszwpz2::openRow(int row)
{
    if (row < 0 || row >= static_cast<int>(m_summary.rows.size()))
        return false;
    const std::string code = m_summary.rows[static_cast<size_t>(row)].code;
    try {
        if (!summaryCanOpen(m_env.db(), code))
            return false;
    } catch (const DatabaseError& error) {
        prompt().warn(userMessage(error, m_env.db().path()));
        return true;
    }
    build(code, std::string());
    return true;
}

bool CKszwpz2::goUpOneLevel()
{
    if (!m_shown || m_parent.empty())
        return false;
    // Back on the level above, the subject just left is the current row.
    const std::string left = m_parent;
    build(summaryParentUp(m_parent), left);
    return true;
}

// ---- commands and input ----

bool CKszwpz2::isCommandEnabled(int id) const
{
    if (id == cmd::kFileOpen)
        return static_cast<bool>(m_reselect);
    return CKsFormView::isCommandEnabled(id);
}

bool CKszwpz2::runCommand(int id)
{
    if (id != cmd::kFileOpen)
        return CKsFormView::runCommand(id);
    if (m_reselect)
        m_reselect(*this);
    return true;
}

void CKszwpz2::keyPressEvent(QKeyEvent* event)
{
    const bool plain = !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier));
    if (plain && event->key() == Qt::Key_Escape) {
        goUpOneLevel(); // nothing at the top level
        event->accept();
        return;
    }
    if (plain && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        && currentCell().area == area::kText && openRow(currentCell().row)) {
        event->accept();
        return;
    }
    if ((event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier)) == Qt::ControlModifier
        && event->key() == Qt::Key_O) {
        runCommand(cmd::kFileOpen);
        event->accept();
        return;
    }
    CKsFormView::keyPressEvent(event);
}

int CKszwpz2::rowAt(const QPoint& point) const
{
    const int x = point.x() + horizontalScrollBar()->value();
    const HitResult hit = screenGeometry().hitTest(x, point.y(), firstVisibleRow(), textRowCount(), kHitTolerance);
    // The row's cells, its left margin and the rules between its cells all belong to the row.
    if (hit.area == area::kText || hit.area == area::kTextLeft || hit.area == area::kColumnRule)
        return hit.row;
    return -1;
}

void CKszwpz2::mouseDoubleClickEvent(QMouseEvent* event)
{
    CKsFormView::mouseDoubleClickEvent(event);
    if (event->button() != Qt::LeftButton || !m_shown)
        return;
    const int row = rowAt(event->position().toPoint());
    if (row >= 0)
        openRow(row);
}

void CKszwpz2::contextMenuEvent(QContextMenuEvent* event)
{
    // The menu concerns the row under the mouse; opened from the keyboard, the current row.
    if (event->reason() == QContextMenuEvent::Mouse)
        m_menuRow = rowAt(event->pos());
    else
        m_menuRow = currentCell().area == area::kText ? currentCell().row : -1;
    if (m_openChildren)
        m_openChildren->setEnabled(m_shown && rowCanOpen(m_menuRow));
    for (QAction* action : formMenu()->actions())
        if (action->data().toInt() == cmd::kFileOpen)
            action->setEnabled(isCommandEnabled(cmd::kFileOpen));
    CKsFormView::contextMenuEvent(event);
}

// ---- the form view's contract ----

void CKszwpz2::InitFormLayout()
{
    m_editable = 0;
    setRuleExtent(1);
    m_rows.assign(1, std::vector<std::string>(kColumns));
    applyLayout();
    SetTextColumns(std::vector<int>(kWidths.begin(), kWidths.end()));

    QMenu* menu = formMenu();
    menu->addSeparator();
    m_openChildren = menu->addAction(QStringLiteral("按子目汇总(&W)"));
    m_openChildren->setEnabled(false);
    connect(m_openChildren, &QAction::triggered, this, [this] { openRow(m_menuRow); });
}

void CKszwpz2::OnRowsAdded(int count)
{
    if (count > 0)
        m_rows.resize(m_rows.size() + static_cast<size_t>(count), std::vector<std::string>(kColumns));
    else
        m_rows.resize(m_rows.size() - std::min(m_rows.size(), static_cast<size_t>(-count)));
}

std::string CKszwpz2::displayedText(int row, int col, std::string_view area) const
{
    if (area == area::kText) {
        if (row < 0 || row >= static_cast<int>(m_rows.size()) || col < 0 || col >= kColumns)
            return {};
        const std::vector<std::string>& cells = m_rows[static_cast<size_t>(row)];
        return col < static_cast<int>(cells.size()) ? cells[static_cast<size_t>(col)] : std::string();
    }
    if (area == area::kFormHead) {
        const std::vector<std::string> titles = summaryColumnTitles();
        return row == 0 && col >= 0 && col < static_cast<int>(titles.size()) ? titles[static_cast<size_t>(col)]
                                                                              : std::string();
    }
    if (area == area::kHead && row == 0) {
        if (col == kHeadLabelCell)
            return m_headerLabel;
        if (col == kPageCell && isPrinting())
            return summaryPageText(drawingPageNumber());
        return {};
    }
    if ((area == area::kFoot || area == area::kTail) && row == 0) {
        const std::vector<std::string> texts = summaryFootTexts(m_env.chiefAccountant(), m_env.operatorName());
        return col >= 0 && col < static_cast<int>(texts.size()) ? texts[static_cast<size_t>(col)] : std::string();
    }
    return {};
}

CellInfo CKszwpz2::GetCellInfo(int row, int col, std::string_view area, bool)
{
    CellInfo info;
    info.text = displayedText(row, col, area);
    info.maxLength = 0;
    return info;
}

bool CKszwpz2::CanEditCell(int, int, std::string_view)
{
    return false;
}

void CKszwpz2::DrawCell(QPainter& dc, int row, int col, std::string_view area)
{
    const std::string text = displayedText(row, col, area);
    if (area == area::kHead || area == area::kFoot) {
        // Head and foot texts begin at their places and are neither shortened nor cover anything.
        DrawCellText(row, col, dc, text, "NOCUT", area, true);
        return;
    }
    if (area == area::kFormHead) {
        DrawCellText(row, col, dc, text, "MID", area);
        return;
    }
    if (col >= 0 && col < kColumns)
        DrawCellText(row, col, dc, text, kAlignments[static_cast<size_t>(col)], area);
}

void CKszwpz2::DrawHeadings(QPainter& dc)
{
    // The title, centred over the table in the middle of its band.
    const int left = GetColumnEdge(0);
    const int right = GetColumnEdge(columnCount());
    const QString title = qtText(kSummaryTitle);
    dc.setFont(areaFont(kTitleFont));
    const int top = GetRowTop(0, area::kTopic);
    const int band = GetRowTop(0, area::kHead) - top;
    DrawAreaText(dc, (left + right - dc.fontMetrics().horizontalAdvance(title)) / 2,
                 top + (band - dc.fontMetrics().height()) / 2, title, area::kTopic);
}

} // namespace kszw
