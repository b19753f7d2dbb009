// The balance-and-turnover table view: building the table with its progress, the current code
// that Enter chooses, going up with 返回上一级 and Escape, the condition dialog behind Open, the
// context menu, and drawing the page.
#include "ledger/ui/turnover_view.h"

#include "common/clock.h"
#include "common/command_ids.h"
#include "common/prompt.h"
#include "common/text.h"
#include "common/ui/qt_text.h"
#include "formview/view_kinds.h"
#include "ledger/ui/balance_view.h"
#include "ledger/ui/turnover_condition_dialog.h"
#include "session/kszw_env.h"
#include "store/database.h"
#include "store/database_error.h"
#include "store/error_messages.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

namespace kszw {

namespace {

constexpr int kHeadRows = 2;
constexpr int kFormHeadRows = 3;
constexpr int kFootRows = 1;
constexpr int kInitialRows = 10;
constexpr std::array<int, CKszwzb6::kColumns> kWidths = {14, 30, 2, 14, 14, 14, 2, 14};
constexpr std::array<std::string_view, CKszwzb6::kColumns> kAlignments = {"LEFT",  "LEFT",  "MID", "RIGHT",
                                                                          "RIGHT", "RIGHT", "MID", "RIGHT"};
constexpr std::string_view kTitle = " 帐户余额及发生额表 ";
constexpr std::string_view kCaption = "帐户余额及发生额表";
// The head lines: the period at 310; the unit at 10 and, on paper, the page at 830.
const std::vector<CellSpan> kHeadPeriod = {{310, 50}};
const std::vector<CellSpan> kHeadUnitAndPage = {{10, 40}, {830, 11}};
// The foot line: the chief accountant's place, the reviewer's and who made the table.
const std::vector<CellSpan> kFootCells = {{10, 30}, {430, 20}, {760, 24}};
constexpr int kHitTolerance = 3;

// The column headers by (row, column); both direction columns stack 借, 或, 贷.
std::string columnHeader(int row, int col)
{
    if (col == 2 || col == 6)
        return row == 0 ? "借" : row == 1 ? "或" : row == 2 ? "贷" : "";
    if (row != 1)
        return {};
    switch (col) {
    case 0: return "科 目 代 码";
    case 1: return "科   目   名   称";
    case 3: return "期 初 余 额";
    case 4: return "借方发生额";
    case 5: return "贷方发生额";
    case 7: return "期 末 余 额";
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

CKszwzb6::CKszwzb6(CKszwEnv& env, const Clock& clock, QWidget* parent) : CKsFormView(parent), m_env(env)
{
    setClock(clock);
    setWindowTitle(qtText(kCaption));
    setSettingsKey(SettingsKey{&m_env.db(), viewFlag(ViewKind::TurnoverTable), std::string(kDefaultFieldMode)});
    runDialog = [](CTurnoverConditionDlg& dialog) { return dialog.exec(); };
}

// ---- building ----

bool CKszwzb6::setConditions(TurnoverConditions conditions)
{
    return build(conditions, std::string());
}

void CKszwzb6::showProgress(int percent)
{
    if (percent == m_progress)
        return;
    m_progress = percent;
    if (percent >= 0)
        emit buildProgress(percent);
    if (isVisible())
        viewport()->repaint();
}

QString CKszwzb6::progressText() const
{
    return m_progress < 0 ? QString() : qtText(buildProgressText(m_progress));
}

bool CKszwzb6::build(const TurnoverConditions& conditions, const std::string& selectCode)
{
    if (!isInitialized())
        initialUpdate();
    TurnoverTable table;
    {
        const WaitCursor wait;
        showProgress(0);
        try {
            table = buildTurnoverTable(m_env.db(), conditions, [this](int percent) { showProgress(percent); });
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
    m_currentCode = trim(conditions.parent);
    m_codeFromRow = false;
    m_rows = std::move(table.rows);
    m_levels = std::move(table.levels);
    applyLayout();
    if (m_goUp)
        m_goUp->setEnabled(true);

    const int select = selectCode.empty() ? -1 : rowOfCode(selectCode);
    scrollToRow(0);
    horizontalScrollBar()->setValue(0);
    SetCurrentCell(std::max(select, 0), 0, 0, area::kText);
    viewport()->update();
    return true;
}

void CKszwzb6::applyLayout()
{
    SetAreaRows(static_cast<int>(m_rows.size()), kFormHeadRows, 0, kHeadRows, kFootRows);
    SetAreaCells(area::kHead, 0, kHeadPeriod);
    SetAreaCells(area::kHead, 1, kHeadUnitAndPage);
    SetAreaCells(area::kFoot, 0, kFootCells);
}

// ---- the current code and the levels ----

std::string CKszwzb6::rowCode(int row) const
{
    if (row < 0 || row >= static_cast<int>(m_levels.size()) || row >= static_cast<int>(m_rows.size()))
        return {};
    return m_rows[static_cast<size_t>(row)][0];
}

int CKszwzb6::rowLevel(int row) const
{
    return row >= 0 && row < static_cast<int>(m_levels.size()) ? m_levels[static_cast<size_t>(row)] : 0;
}

int CKszwzb6::rowOfCode(const std::string& code) const
{
    for (int row = 0; row < static_cast<int>(m_levels.size()); ++row)
        if (rowCode(row) == code)
            return row;
    return -1;
}

bool CKszwzb6::chooseRow(int row)
{
    if (!m_built || m_conditions.listing != TurnoverListing::NextLevel)
        return false;
    const std::string code = rowCode(row);
    if (code.empty())
        return false;
    m_currentCode = code;
    m_codeFromRow = true;
    return true;
}

bool CKszwzb6::goUpOneLevel()
{
    if (!m_built)
        return false;
    const std::string listed = trim(m_conditions.parent);
    // A row chosen with Enter lies one level below the listed parent: its parent's parent is the
    // level above. Otherwise the current code is the listed parent itself, whose parent is.
    TurnoverConditions up = m_conditions;
    up.parent = m_codeFromRow ? parentForGoingUp(m_currentCode) : parentCode(listed);
    build(up, listed);
    return true;
}

bool CKszwzb6::escapeUp()
{
    if (!m_built)
        return false;
    const std::string code = currentCell().area == area::kText ? rowCode(currentCell().row) : std::string();
    const int parentRow = code.empty() ? -1 : rowOfCode(parentCode(code));
    if (parentRow >= 0) {
        SetCurrentCell(parentRow, currentCell().col, 0, area::kText);
        viewport()->update();
        return true;
    }
    return goUpOneLevel();
}

bool CKszwzb6::openConditions()
{
    TurnoverConditions offered = m_conditions;
    offered.parent = m_currentCode;
    if (!m_built) {
        offered.startDate.clear();
        offered.endDate.clear();
    }
    CTurnoverConditionDlg dialog(m_env, prompt(), offered, this);
    if (runDialog(dialog) != QDialog::Accepted)
        return false;
    return build(dialog.conditions(), std::string());
}

// ---- commands and input ----

bool CKszwzb6::isCommandEnabled(int id) const
{
    if (id == cmd::kFileOpen)
        return true;
    if (id == kGoUpOneLevelCommand)
        return m_built;
    return CKsFormView::isCommandEnabled(id);
}

bool CKszwzb6::runCommand(int id)
{
    if (id == cmd::kFileOpen) {
        openConditions();
        return true;
    }
    if (id == kGoUpOneLevelCommand) {
        goUpOneLevel();
        return true;
    }
    return CKsFormView::runCommand(id);
}

void CKszwzb6::keyPressEvent(QKeyEvent* event)
{
    if ((event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier)) == Qt::ControlModifier
        && event->key() == Qt::Key_O) {
        openConditions();
        event->accept();
        return;
    }
    if (plainKey(event) && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        && currentCell().area == area::kText && chooseRow(currentCell().row)) {
        event->accept();
        return;
    }
    if (plainKey(event) && event->key() == Qt::Key_Escape) {
        escapeUp();
        event->accept();
        return;
    }
    CKsFormView::keyPressEvent(event);
}

int CKszwzb6::rowAt(const QPoint& point) const
{
    const int x = point.x() + horizontalScrollBar()->value();
    const HitResult hit = screenGeometry().hitTest(x, point.y(), firstVisibleRow(), textRowCount(), kHitTolerance);
    if (hit.area == area::kText || hit.area == area::kTextLeft || hit.area == area::kColumnRule)
        return hit.row;
    return -1;
}

void CKszwzb6::contextMenuEvent(QContextMenuEvent* event)
{
    // The menu concerns the row under the mouse: it becomes the current row.
    if (event->reason() == QContextMenuEvent::Mouse) {
        const int row = rowAt(event->pos());
        if (row >= 0 && !(currentCell().area == area::kText && currentCell().row == row))
            SetCurrentCell(row, 0, 0, area::kText);
    }
    if (m_goUp)
        m_goUp->setEnabled(m_built);
    CKsFormView::contextMenuEvent(event);
}

// ---- the form view's contract ----

void CKszwzb6::InitFormLayout()
{
    m_editable = 0;
    setRuleExtent(1);
    m_rows.assign(kInitialRows, {});
    applyLayout();
    SetTextColumns(std::vector<int>(kWidths.begin(), kWidths.end()));

    QMenu* menu = formMenu();
    menu->addSeparator();
    m_goUp = menu->addAction(QString::fromUtf8(kGoUpOneLevelText));
    m_goUp->setData(kGoUpOneLevelCommand);
    m_goUp->setEnabled(false);
    connect(m_goUp, &QAction::triggered, this, [this] { goUpOneLevel(); });
}

void CKszwzb6::OnRowsAdded(int count)
{
    if (count > 0)
        m_rows.resize(m_rows.size() + static_cast<size_t>(count));
    else
        m_rows.resize(m_rows.size() - std::min(m_rows.size(), static_cast<size_t>(-count)));
}

std::string CKszwzb6::displayedText(int row, int col, std::string_view area) const
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
            return m_built ? turnoverPeriodText(m_conditions.startDate, m_conditions.endDate)
                           : turnoverPeriodText(std::string_view(), std::string_view());
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

CellInfo CKszwzb6::GetCellInfo(int row, int col, std::string_view area, bool)
{
    CellInfo info;
    info.text = displayedText(row, col, area);
    info.maxLength = 0;
    return info;
}

bool CKszwzb6::CanEditCell(int, int, std::string_view)
{
    return false;
}

bool CKszwzb6::IsRowAppendAllowed()
{
    return false;
}

void CKszwzb6::DrawCell(QPainter& dc, int row, int col, std::string_view area)
{
    const std::string text = displayedText(row, col, area);
    if (area == area::kHead || area == area::kFoot) {
        DrawCellText(row, col, dc, text, "NOCUT", area, true);
        return;
    }
    if ((col == 2 || col == 6) && (area == area::kFormHead || area == area::kText)) {
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

void CKszwzb6::DrawGrid(QPainter& dc)
{
    drawBalanceTableGrid(*this, dc);
}

void CKszwzb6::DrawHeadings(QPainter& dc)
{
    drawBalanceTableTitle(*this, dc, kTitle);
    drawBuildProgress(*this, dc, m_progress);
}

} // namespace kszw
