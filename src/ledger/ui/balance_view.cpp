// The balance table view: building the table with its progress, stepping down into an account and
// back up, the condition dialog behind Open, the context menu, and drawing the page. Also the
// rules, title and progress text that the balance-and-turnover table draws the same way.
#include "ledger/ui/balance_view.h"

#include "common/clock.h"
#include "common/command_ids.h"
#include "common/prompt.h"
#include "common/text.h"
#include "common/ui/qt_text.h"
#include "formview/ui/font_mapping.h"
#include "formview/view_kinds.h"
#include "ledger/ui/balance_condition_dialog.h"
#include "session/kszw_env.h"
#include "store/database.h"
#include "store/database_error.h"
#include "store/error_messages.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <cmath>

namespace kszw {

namespace {

constexpr int kHeadRows = 2;
constexpr int kFormHeadRows = 3;
constexpr int kFootRows = 1;
constexpr int kInitialRows = 10;
constexpr std::array<int, CKszwzb5::kColumns> kWidths = {16, 40, 4, 16};
constexpr std::array<std::string_view, CKszwzb5::kColumns> kAlignments = {"LEFT", "LEFT", "MID", "RIGHT"};
// The display copy takes free text without the characters the file format keeps out.
constexpr const char* kCellSpec = "STRING NOT |[]'\"";
constexpr std::string_view kTitle = " 帐户余额表 ";
constexpr std::string_view kCaption = "帐户余额表";
// The head lines: the cut-off date at 400; the unit at 10 and, on paper, the page at 890.
const std::vector<CellSpan> kHeadCutoff = {{400, 40}};
const std::vector<CellSpan> kHeadUnitAndPage = {{10, 40}, {890, 11}};
// The foot line: the chief accountant's place, the reviewer's and who made the table.
const std::vector<CellSpan> kFootCells = {{10, 30}, {430, 20}, {760, 24}};
constexpr int kHitTolerance = 3;

// The column headers by (row, column); the direction column stacks 借, 或, 贷.
std::string columnHeader(int row, int col)
{
    if (col == 2)
        return row == 0 ? "借" : row == 1 ? "或" : row == 2 ? "贷" : "";
    if (row != 1)
        return {};
    switch (col) {
    case 0: return "科 目 代 码";
    case 1: return "科  目  名  称";
    case 3: return "余    额";
    default: return {};
    }
}

bool plainKey(const QKeyEvent* event)
{
    return !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier));
}

// The wait cursor while a table is built.
class WaitCursor {
public:
    WaitCursor() { QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
    ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

} // namespace

// ---- shared drawing ----

void drawBalanceTableGrid(CKsFormView& view, QPainter& dc)
{
    const int n = view.columnCount();
    if (n < 1)
        return;
    const int top = view.GetRowTop(0, area::kFormHead);
    const int rowHeight = view.GetRowTop(1, area::kFormHead) - top;
    const int textTop = view.GetRowTop(view.drawingFirstRow(), area::kText);
    const int bottom = view.GetRowTop(0, area::kFoot);
    const int left = view.GetColumnEdge(0);
    const int right = view.GetColumnEdge(n);
    const double dotsPerUnit = dc.device()->logicalDpiX() / 254.0;
    const int ruleWidth = std::max(1, static_cast<int>(std::lround(dotsPerUnit)));
    const int frameWidth = std::max(2, static_cast<int>(std::lround(3.0 * dotsPerUnit)));
    const PageSettings& page = view.viewSettings().page;

    dc.save();
    dc.setRenderHint(QPainter::Antialiasing, false);
    QPen inner(toQColor(page.formLine), ruleWidth);
    inner.setCapStyle(Qt::FlatCap);
    dc.setPen(inner);
    if (rowHeight > 0)
        for (int y = textTop + rowHeight; y + rowHeight / 2 < bottom; y += rowHeight)
            dc.drawLine(left, y, right, y);
    for (int c = 1; c < n; ++c)
        dc.drawLine(view.GetColumnEdge(c), top, view.GetColumnEdge(c), bottom);

    QPen box(toQColor(page.outBox), ruleWidth);
    box.setCapStyle(Qt::FlatCap);
    dc.setPen(box);
    dc.drawLine(left, textTop, right, textTop);
    QPen frame(toQColor(page.outBox), frameWidth);
    frame.setJoinStyle(Qt::MiterJoin);
    dc.setPen(frame);
    dc.setBrush(Qt::NoBrush);
    dc.drawRect(QRect(left, top, right - left, bottom - top));
    dc.restore();

    for (int row = 0; row < view.formLayout().formHeadRows; ++row)
        for (int col = 0; col < n; ++col)
            view.DrawCell(dc, row, col, area::kFormHead);
}

void drawBalanceTableTitle(CKsFormView& view, QPainter& dc, std::string_view title)
{
    const int left = view.GetColumnEdge(0);
    const int right = view.GetColumnEdge(view.columnCount());
    const QString text = qtText(title);
    dc.setFont(view.areaFont(kTitleFont));
    const int top = view.GetRowTop(0, area::kTopic);
    const int band = view.GetRowTop(0, area::kHead) - top;
    view.DrawAreaText(dc, (left + right - dc.fontMetrics().horizontalAdvance(text)) / 2,
                      top + (band - dc.fontMetrics().height()) / 2, text, area::kTopic);
}

void drawDirectionCell(CKsFormView& view, QPainter& dc, int row, int col, std::string_view area,
                       std::string_view text)
{
    view.DrawCellText(row, col, dc, std::string_view(), "MID", area); // the cell's background
    if (text.empty())
        return;
    const QString shown = qtText(text);
    const QFontMetrics metrics(view.areaFont(areaFontIndex(area)), dc.device());
    const int left = view.GetColumnEdge(col);
    const int right = view.GetColumnEdge(col + 1);
    const int top = view.GetRowTop(row, area);
    const int height = view.GetRowTop(row + 1, area) - top;
    view.DrawAreaText(dc, (left + right - metrics.horizontalAdvance(shown)) / 2, top + (height - metrics.height()) / 2,
                      shown, area);
}

void drawBuildProgress(CKsFormView& view, QPainter& dc, int percent)
{
    if (view.isPrinting() || percent < 0)
        return;
    const QString text = qtText(buildProgressText(percent));
    dc.setFont(view.areaFont(kHeadFont));
    const int right = view.GetColumnEdge(view.columnCount());
    view.DrawAreaText(dc, right - dc.fontMetrics().horizontalAdvance(text), view.GetRowTop(1, area::kHead), text,
                      area::kHead);
}

// ---- the view ----

CKszwzb5::CKszwzb5(CKszwEnv& env, const Clock& clock, QWidget* parent)
    : CKsFormView(parent), m_env(env), m_clock(clock)
{
    setClock(clock);
    setWindowTitle(qtText(kCaption));
    setSettingsKey(SettingsKey{&m_env.db(), viewFlag(ViewKind::BalanceTable), std::string(kDefaultFieldMode)});
    runDialog = [](CBalanceConditionDlg& dialog) { return dialog.exec(); };
}

// ---- building ----

bool CKszwzb5::setConditions(BalanceConditions conditions)
{
    return build(conditions, std::string());
}

void CKszwzb5::showProgress(int percent)
{
    if (percent == m_progress)
        return;
    m_progress = percent;
    if (percent >= 0)
        emit buildProgress(percent);
    if (isVisible())
        viewport()->repaint();
}

QString CKszwzb5::progressText() const
{
    return m_progress < 0 ? QString() : qtText(buildProgressText(m_progress));
}

bool CKszwzb5::build(const BalanceConditions& conditions, const std::string& selectCode)
{
    if (!isInitialized())
        initialUpdate();
    BalanceTable table;
    {
        const WaitCursor wait;
        showProgress(0);
        try {
            table = buildBalanceTable(m_env.db(), conditions, [this](int percent) { showProgress(percent); });
        } catch (const DatabaseError& error) {
            m_progress = -1;
            viewport()->update();
            prompt().warn(userMessage(error, m_env.db().path()));
            return false;
        }
        m_progress = -1;
    }
    m_conditions = conditions;
    m_built = true;
    m_accountCount = table.accountCount;
    m_rows = std::move(table.rows);
    applyLayout();
    setModified(false);
    m_undoFloor = editHistory().undoList().size();
    m_redoFloor = editHistory().redoList().size();

    int current = 0;
    for (int row = 0; row < static_cast<int>(m_rows.size()) - 1; ++row)
        if (!selectCode.empty() && m_rows[static_cast<size_t>(row)][0] == selectCode)
            current = row;
    scrollToRow(0);
    horizontalScrollBar()->setValue(0);
    SetCurrentCell(current, 0, 0, area::kText);
    if (m_goUp)
        m_goUp->setEnabled(canGoUp());
    viewport()->update();
    return true;
}

void CKszwzb5::applyLayout()
{
    SetAreaRows(static_cast<int>(m_rows.size()), kFormHeadRows, 0, kHeadRows, kFootRows);
    SetAreaCells(area::kHead, 0, kHeadCutoff);
    SetAreaCells(area::kHead, 1, kHeadUnitAndPage);
    SetAreaCells(area::kFoot, 0, kFootCells);
}

// ---- moving through the levels ----

std::string CKszwzb5::rowCode(int row) const
{
    if (row < 0 || row >= static_cast<int>(m_rows.size()))
        return {};
    return trim(m_rows[static_cast<size_t>(row)][0]);
}

std::string CKszwzb5::currentCode() const
{
    return currentCell().area == area::kText ? rowCode(currentCell().row) : std::string();
}

bool CKszwzb5::stepDown(int row)
{
    if (!m_built)
        return false;
    const std::string code = rowCode(row);
    try {
        if (!canStepDown(m_env.db(), code))
            return false;
    } catch (const DatabaseError& error) {
        prompt().warn(userMessage(error, m_env.db().path()));
        return true;
    }
    BalanceConditions down = m_conditions;
    down.parent = code;
    build(down, std::string());
    return true;
}

// The code going up starts from: the current row's, or on the total row (and the empty rows) a
// child of the listed parent, so the listing's parent is left from any row.
std::string CKszwzb5::upFrom() const
{
    const std::string code = currentCode();
    if (!code.empty() || m_conditions.parent.empty())
        return code;
    return m_conditions.parent + "-";
}

bool CKszwzb5::canGoUp() const
{
    const std::string code = upFrom();
    return m_built && !code.empty() && codeLevel(code) > 1;
}

bool CKszwzb5::goUpOneLevel()
{
    if (!canGoUp())
        return false;
    const std::string code = upFrom();
    BalanceConditions up = m_conditions;
    up.parent = parentForGoingUp(code);
    // Back on the level above, the account whose children were listed is the current row.
    build(up, parentCode(code));
    return true;
}

bool CKszwzb5::openConditions()
{
    BalanceConditions offered = m_conditions;
    if (!m_built)
        offered.cutoffDate.clear();
    CBalanceConditionDlg dialog(m_env, prompt(), m_clock, offered, this);
    if (runDialog(dialog) != QDialog::Accepted)
        return false;
    return build(dialog.conditions(), std::string());
}

// ---- commands and input ----

bool CKszwzb5::undoAllowed() const
{
    return editHistory().undoList().size() > m_undoFloor;
}

bool CKszwzb5::redoAllowed() const
{
    // An edit empties the redo list: what is there afterwards came from undoing newer edits.
    m_redoFloor = std::min(m_redoFloor, editHistory().redoList().size());
    return editHistory().redoList().size() > m_redoFloor;
}

bool CKszwzb5::isCommandEnabled(int id) const
{
    switch (id) {
    case cmd::kFileOpen: return true;
    case kGoUpOneLevelCommand: return canGoUp();
    // The copy is touched up for printing only: nothing to save, no rows to add or delete.
    case cmd::kNewVoucher:
    case cmd::kFileNew:
    case cmd::kSave:
    case cmd::kDeleteRow: return false;
    case cmd::kUndo: return CKsFormView::isCommandEnabled(id) && undoAllowed();
    case cmd::kRedo: return CKsFormView::isCommandEnabled(id) && redoAllowed();
    default: return CKsFormView::isCommandEnabled(id);
    }
}

bool CKszwzb5::runCommand(int id)
{
    switch (id) {
    case cmd::kFileOpen: openConditions(); return true;
    case kGoUpOneLevelCommand: goUpOneLevel(); return true;
    case cmd::kNewVoucher:
    case cmd::kFileNew:
    case cmd::kSave:
    case cmd::kDeleteRow: return true;
    case cmd::kUndo:
        redoAllowed(); // the floor follows an emptied redo list before undo adds to it
        if (undoAllowed())
            Undo();
        return true;
    case cmd::kRedo:
        if (redoAllowed())
            Redo();
        return true;
    default: return CKsFormView::runCommand(id);
    }
}

void CKszwzb5::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::Undo) || event->matches(QKeySequence::Redo)) {
        runCommand(event->matches(QKeySequence::Undo) ? cmd::kUndo : cmd::kRedo);
        event->accept();
        return;
    }
    if ((event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier)) == Qt::ControlModifier
        && event->key() == Qt::Key_O) {
        openConditions();
        event->accept();
        return;
    }
    if (plainKey(event) && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        && currentCell().area == area::kText && stepDown(currentCell().row)) {
        event->accept();
        return;
    }
    if (plainKey(event) && event->key() == Qt::Key_Escape) {
        goUpOneLevel(); // nothing on the first level or the total line
        event->accept();
        return;
    }
    CKsFormView::keyPressEvent(event);
}

int CKszwzb5::rowAt(const QPoint& point) const
{
    const int x = point.x() + horizontalScrollBar()->value();
    const HitResult hit = screenGeometry().hitTest(x, point.y(), firstVisibleRow(), textRowCount(), kHitTolerance);
    if (hit.area == area::kText || hit.area == area::kTextLeft || hit.area == area::kColumnRule)
        return hit.row;
    return -1;
}

void CKszwzb5::mouseDoubleClickEvent(QMouseEvent* event)
{
    CKsFormView::mouseDoubleClickEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    const int row = rowAt(event->position().toPoint());
    if (row >= 0)
        stepDown(row);
}

void CKszwzb5::contextMenuEvent(QContextMenuEvent* event)
{
    // The menu concerns the row under the mouse: it becomes the current row.
    if (event->reason() == QContextMenuEvent::Mouse) {
        const int row = rowAt(event->pos());
        if (row >= 0 && !(currentCell().area == area::kText && currentCell().row == row))
            SetCurrentCell(row, 0, 0, area::kText);
    }
    if (m_goUp)
        m_goUp->setEnabled(canGoUp());
    CKsFormView::contextMenuEvent(event);
}

// ---- the form view's contract ----

void CKszwzb5::InitFormLayout()
{
    m_editable = 1;
    setRuleExtent(1);
    m_rows.assign(kInitialRows, {});
    applyLayout();
    SetTextColumns(std::vector<int>(kWidths.begin(), kWidths.end()));

    QMenu* menu = formMenu();
    // Nothing is made or saved here.
    for (QAction* action : menu->actions())
        if (action->data().toInt() == cmd::kNewVoucher || action->data().toInt() == cmd::kSave)
            action->setVisible(false);
    menu->addSeparator();
    m_goUp = menu->addAction(QString::fromUtf8(kGoUpOneLevelText));
    m_goUp->setData(kGoUpOneLevelCommand);
    m_goUp->setEnabled(false);
    connect(m_goUp, &QAction::triggered, this, [this] { goUpOneLevel(); });
    // The item follows the current row, for the menu and for its shortcut alike.
    connect(this, &CKsFormView::currentCellChanged, m_goUp, [this] { m_goUp->setEnabled(canGoUp()); });
}

void CKszwzb5::OnRowsAdded(int count)
{
    if (count > 0)
        m_rows.resize(m_rows.size() + static_cast<size_t>(count));
    else
        m_rows.resize(m_rows.size() - std::min(m_rows.size(), static_cast<size_t>(-count)));
}

std::string CKszwzb5::displayedText(int row, int col, std::string_view area) const
{
    if (area == area::kText) {
        if (row < 0 || row >= static_cast<int>(m_rows.size()) || col < 0 || col >= kColumns)
            return {};
        return m_rows[static_cast<size_t>(row)][static_cast<size_t>(col)];
    }
    if (area == area::kFormHead)
        return columnHeader(row, col);
    if (area == area::kHead) {
        if (row == 0 && col == 0)
            return cutoffText(m_built ? m_conditions.cutoffDate : std::string());
        if (row == 1 && col == 0)
            return unitText(m_env.unitName());
        if (row == 1 && col == 1 && isPrinting())
            return tablePageText(drawingPageNumber());
        return {};
    }
    if ((area == area::kFoot || area == area::kTail) && row == 0) {
        const std::vector<std::string> texts = tableFootTexts(m_env.operatorName());
        return col >= 0 && col < static_cast<int>(texts.size()) ? texts[static_cast<size_t>(col)] : std::string();
    }
    return {};
}

CellInfo CKszwzb5::GetCellInfo(int row, int col, std::string_view area, bool)
{
    CellInfo info;
    info.text = displayedText(row, col, area);
    if (area == area::kText && col >= 0 && col < kColumns) {
        info.spec = kCellSpec;
        info.maxLength = kWidths[static_cast<size_t>(col)];
    } else {
        info.maxLength = 0;
    }
    return info;
}

void CKszwzb5::SetCellValue(int row, int col, std::string_view area, const std::string& text)
{
    if (area != area::kText || row < 0 || row >= static_cast<int>(m_rows.size()) || col < 0 || col >= kColumns)
        return;
    m_rows[static_cast<size_t>(row)][static_cast<size_t>(col)] = text;
}

bool CKszwzb5::CanEditCell(int row, int col, std::string_view area)
{
    return area == area::kText && row >= 0 && row < static_cast<int>(m_rows.size()) && col >= 0 && col < kColumns;
}

bool CKszwzb5::IsRowAppendAllowed()
{
    return false;
}

void CKszwzb5::DrawCell(QPainter& dc, int row, int col, std::string_view area)
{
    const std::string text = displayedText(row, col, area);
    if (area == area::kHead || area == area::kFoot) {
        // Head and foot texts begin at their places, whole, over nothing.
        DrawCellText(row, col, dc, text, "NOCUT", area, true);
        return;
    }
    if (col == 2 && (area == area::kFormHead || area == area::kText)) {
        drawDirectionCell(*this, dc, row, col, area, text);
        return;
    }
    if (area == area::kFormHead) {
        DrawCellText(row, col, dc, text, "MID", area);
        return;
    }
    if (col >= 0 && col < kColumns)
        DrawCellText(row, col, dc, text, kAlignments[static_cast<size_t>(col)], area);
}

void CKszwzb5::DrawGrid(QPainter& dc)
{
    drawBalanceTableGrid(*this, dc);
}

void CKszwzb5::DrawHeadings(QPainter& dc)
{
    drawBalanceTableTitle(*this, dc, kTitle);
    drawBuildProgress(*this, dc, m_progress);
}

} // namespace kszw
