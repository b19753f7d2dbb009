// The three-column ledger view: loading the ledger, the account, span and mode commands, opening a
// line's voucher, the print rows of a print job, and drawing the page — title, the two head lines
// and the three-line column header.
#include "ledger/ui/three_column_view.h"

#include "common/clock.h"
#include "common/command_ids.h"
#include "common/prompt.h"
#include "common/ui/qt_text.h"
#include "formview/ui/font_mapping.h"
#include "formview/ui/form_printer.h"
#include "formview/view_kinds.h"
#include "ledger/ledger_conventions.h"
#include "ledger/ui/account_choice.h"
#include "session/kszw_env.h"
#include "store/accounting_calendar.h"
#include "store/database.h"
#include "store/database_error.h"
#include "store/error_messages.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPrinter>
#include <QScrollBar>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

namespace kszw {

namespace {

constexpr int kInitialRows = 20;
constexpr int kFormHeadRows = 3;
constexpr int kHeadRows = 2;
constexpr std::array<int, kLedgerColumns> kWidths = {3, 3, 4, 40, 12, 12, 2, 12};
constexpr std::array<std::string_view, kLedgerColumns> kAlignments = {"MID",   "MID",   "MID", "LEFT",
                                                                     "RIGHT", "RIGHT", "MID", "RIGHT"};
// The columns whose short texts are drawn whole: 月, 日, 凭证号码, 借或贷.
constexpr std::array<bool, kLedgerColumns> kWholeColumns = {true, true, true, false, false, false, true, false};
constexpr const char* kCellSpec = "STRING NOT |[]'\"";
constexpr int kCellLengthLimit = 60;
constexpr int kVoucherColumn = 2;
constexpr int kDirectionColumn = 6;
constexpr int kHitTolerance = 3;

// The head lines: the name path at 10 on the first; the code at 10, the span at 410 and the page
// at 860 on the second (thousandths of the width; widths in characters of the head font).
const std::vector<CellSpan> kNameLine = {{10, 96}};
const std::vector<CellSpan> kCodeLine = {{10, 26}, {410, 30}, {860, 16}};
constexpr int kPeriodCell = 1;
constexpr int kPageCell = 2;

// The column header, (row, column): text, besides the year at (0, 0). 月, 日 and 号码 stand on the
// third line, raised half a line; 借, 或 and 贷 are stacked in the narrow column.
struct HeaderText {
    int row;
    int col;
    std::string_view text;
};
constexpr std::array<HeaderText, 11> kHeaderTexts = {{
    {2, 0, "月"},
    {2, 1, "日"},
    {0, 2, "凭证"},
    {2, 2, "号码"},
    {1, 3, "摘          要     "},
    {1, 4, "借方发生额"},
    {1, 5, "贷方发生额"},
    {0, 6, "借"},
    {1, 6, "或"},
    {2, 6, "贷"},
    {1, 7, "余     额"},
}};

std::string yearHeader(int year)
{
    char text[32];
    std::snprintf(text, sizeof text, "%4d年", year);
    return text;
}

bool plainKey(const QKeyEvent* event)
{
    return !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier));
}

// The wait cursor while a ledger is built.
struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

} // namespace

CKszwzb1::CKszwzb1(CKszwEnv& env, const Clock& clock, QWidget* parent) : CKsFormView(parent), m_env(env)
{
    setClock(clock);
    setWindowTitle(qtText(kLedgerDocumentTitle));
    m_period = LedgerPeriod{m_env.year(), 1, 12};
    setSettingsKey(SettingsKey{&m_env.db(), viewFlag(ViewKind::ThreeColumnLedger), std::string(kDefaultFieldMode)});
}

// ---- loading ----

void CKszwzb1::setAccount(const std::string& code)
{
    const QString trimmed = qtText(code).trimmed();
    m_code = trimmed.toStdString();
    m_level = codeLevel(m_code);
}

void CKszwzb1::setPeriod(int startMonth, int endMonth)
{
    m_period.startMonth = startMonth;
    m_period.endMonth = endMonth;
    viewport()->update();
}

void CKszwzb1::LoadLedger()
{
    if (m_code.empty())
        return;
    if (!isInitialized())
        initialUpdate();
    LedgerLoad load;
    std::string namePath;
    {
        WaitCursor wait;
        try {
            const AccountingCalendar calendar(m_env.year(), m_env.yearStart(), m_env.yearEnd(), m_env.monthEndCode());
            load = loadLedger(m_env.db(), calendar, LedgerSpan{m_code, m_period.startMonth, m_period.endMonth}, m_mode);
            namePath = accountNamePath(m_env.db(), m_code, kNamePathLimit);
        } catch (const DatabaseError& error) {
            prompt().warn(userMessage(error, m_env.db().path()));
            return;
        }
    }
    m_hasChildren = load.hasChildren;
    m_detail = load.detail;
    const ShownLedger shown{m_code, m_period.startMonth, m_period.endMonth, m_detail};
    // Reloading the very ledger on the grid keeps what it shows when no row comes back; any other
    // ledger without rows shows empty under its own head, never the rows of the one before.
    if (load.rows.empty() && m_shown == shown)
        return;
    m_shown = shown;
    m_shownCode = m_code;
    m_namePath = std::move(namePath);
    m_rows = std::move(load.rows);
    applyRowCount();
    scrollToRow(0);
    horizontalScrollBar()->setValue(0);
    SetCurrentCell(0, 0, 0, area::kText);
    viewport()->update();
}

void CKszwzb1::applyRowCount()
{
    const size_t rows = m_printRowsPerPage > 0 ? m_printRows.size() : m_rows.size();
    SetAreaRows(static_cast<int>(rows), kFormHeadRows, 0, kHeadRows, 0);
    applyHeadCells();
}

void CKszwzb1::applyHeadCells()
{
    SetAreaCells(area::kHead, 0, kNameLine);
    SetAreaCells(area::kHead, 1, kCodeLine);
}

// ---- commands ----

void CKszwzb1::setMode(LedgerMode mode)
{
    m_mode = mode;
    if (m_shown && kszw::detailInForce(mode, m_hasChildren) != m_detail)
        LoadLedger();
}

void CKszwzb1::changePeriod()
{
    const std::optional<LedgerPeriod> chosen = CPeriodDlg::askPeriod(m_period, prompt(), this);
    if (!chosen)
        return;
    const bool changed = !(*chosen == m_period);
    m_period = *chosen;
    viewport()->update();
    if (changed)
        LoadLedger();
}

void CKszwzb1::chooseAccount()
{
    const std::optional<AccountChoice> choice =
        chooseLedgerAccount(m_env.db(), prompt(), qtText(m_code), m_period.endMonth, this);
    if (!choice || choice->code == m_code)
        return;
    m_code = choice->code;
    m_level = choice->level;
    LoadLedger();
}

const LedgerCells* CKszwzb1::cellsAt(int row) const
{
    if (m_printRowsPerPage > 0)
        return row >= 0 && row < static_cast<int>(m_printRows.size()) ? &m_printRows[static_cast<size_t>(row)]
                                                                        : nullptr;
    return row >= 0 && row < static_cast<int>(m_rows.size()) ? &m_rows[static_cast<size_t>(row)].cells : nullptr;
}

bool CKszwzb1::isDetailRowAt(int row) const
{
    if (m_printRowsPerPage > 0 || row < 0 || row >= static_cast<int>(m_rows.size()))
        return false;
    return isDetailRow(m_rows[static_cast<size_t>(row)].cells);
}

bool CKszwzb1::openVoucherAt(int row)
{
    if (!m_openVoucher || !isDetailRowAt(row))
        return false;
    const LedgerRow& line = m_rows[static_cast<size_t>(row)];
    const VoucherKey key{line.date.substr(0, 8), line.cells[kVoucherColumn]};
    m_openVoucher(key);
    setWindowTitle(qtText(kLedgerDocumentTitle));
    return true;
}

int CKszwzb1::commandRow() const
{
    if (m_menuRow >= 0)
        return m_menuRow;
    return currentCell().area == area::kText ? currentCell().row : -1;
}

bool CKszwzb1::isCommandEnabled(int id) const
{
    switch (id) {
    case kQueryVoucherCommand: return static_cast<bool>(m_openVoucher) && isDetailRowAt(commandRow());
    case kChangePeriodCommand: return true;
    case kAutomaticModeCommand: return m_mode != LedgerMode::Automatic;
    case kDetailModeCommand: return m_mode != LedgerMode::Detail;
    case kSummaryModeCommand: return m_mode != LedgerMode::Summary;
    case cmd::kFileOpen: return true;
    default: return CKsFormView::isCommandEnabled(id);
    }
}

bool CKszwzb1::runCommand(int id)
{
    switch (id) {
    case kQueryVoucherCommand: openVoucherAt(commandRow()); return true;
    case kChangePeriodCommand: changePeriod(); return true;
    case kAutomaticModeCommand: setMode(LedgerMode::Automatic); return true;
    case kDetailModeCommand: setMode(LedgerMode::Detail); return true;
    case kSummaryModeCommand: setMode(LedgerMode::Summary); return true;
    case cmd::kFileOpen: chooseAccount(); return true;
    case cmd::kPrint:
    case cmd::kPrintPreview:
    case cmd::kExportPdf: {
        // The print job runs on the print rows; they go again however it ends.
        struct PrintJob {
            CKszwzb1& view;
            ~PrintJob() { view.OnEndPrinting(); }
        } job{*this};
        OnBeginPrinting();
        return CKsFormView::runCommand(id);
    }
    default: return CKsFormView::runCommand(id);
    }
}

QAction* CKszwzb1::menuAction(int id) const
{
    for (QAction* action : formMenu()->actions())
        if (!action->isSeparator() && action->data().toInt() == id)
            return action;
    return nullptr;
}

// ---- printing ----

int CKszwzb1::measuredPrintRows()
{
    QPrinter measure(QPrinter::HighResolution);
    measure.setOutputFormat(QPrinter::PdfFormat);
    preparePrinter(*this, measure);
    setPrintDevice(&measure);
    const int rows = CKsFormView::GetPageRows(true);
    setPrintDevice(nullptr);
    return rows;
}

void CKszwzb1::OnBeginPrinting(int rowsPerPage)
{
    if (m_printJob)
        return;
    m_printJob = true;
    if (!m_detail || !m_shown || m_rows.empty())
        return; // summary rows print as they are
    // Never more rows than the paper holds: the carry rows must fall where the pages break.
    const int fits = measuredPrintRows();
    const int rows = rowsPerPage > 0 ? std::min(rowsPerPage, fits) : fits;
    if (rows < 1)
        return; // not one row fits: the job refuses itself
    std::vector<LedgerCells> cells;
    cells.reserve(m_rows.size());
    for (const LedgerRow& row : m_rows)
        cells.push_back(row.cells);
    m_printRows = BuildPrintRows(cells, rows);
    m_printRowsPerPage = rows;
    applyRowCount();
}

void CKszwzb1::OnEndPrinting()
{
    if (!m_printJob)
        return;
    m_printJob = false;
    if (m_printRowsPerPage == 0)
        return;
    m_printRows.clear();
    m_printRowsPerPage = 0;
    applyRowCount();
}

bool CKszwzb1::exportPdf(const QString& file)
{
    OnBeginPrinting();
    const bool written = exportViewToPdf(*this, file, prompt());
    OnEndPrinting();
    return written;
}

int CKszwzb1::GetPageRows(bool printing) const
{
    const int rows = CKsFormView::GetPageRows(printing);
    if (printing && m_printRowsPerPage > 0)
        return std::min(rows, m_printRowsPerPage);
    return rows;
}

// ---- input ----

int CKszwzb1::rowAt(const QPoint& point) const
{
    const int x = point.x() + horizontalScrollBar()->value();
    const HitResult hit = screenGeometry().hitTest(x, point.y(), firstVisibleRow(), textRowCount(), kHitTolerance);
    // The row's cells, its left margin and the rules between its cells all belong to the row.
    if (hit.area == area::kText || hit.area == area::kTextLeft || hit.area == area::kColumnRule)
        return hit.row;
    return -1;
}

void CKszwzb1::keyPressEvent(QKeyEvent* event)
{
    if (plainKey(event) && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        && currentCell().area == area::kText && openVoucherAt(currentCell().row)) {
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

void CKszwzb1::mouseDoubleClickEvent(QMouseEvent* event)
{
    CKsFormView::mouseDoubleClickEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    const int row = rowAt(event->position().toPoint());
    if (row >= 0)
        openVoucherAt(row);
}

void CKszwzb1::contextMenuEvent(QContextMenuEvent* event)
{
    // The menu concerns the row under the mouse; opened from the keyboard, the current row.
    if (event->reason() == QContextMenuEvent::Mouse)
        m_menuRow = rowAt(event->pos());
    else
        m_menuRow = currentCell().area == area::kText ? currentCell().row : -1;
    for (int id : {kQueryVoucherCommand, kChangePeriodCommand, kAutomaticModeCommand, kDetailModeCommand,
                   kSummaryModeCommand, cmd::kFileOpen})
        if (QAction* action = menuAction(id))
            action->setEnabled(isCommandEnabled(id));
    CKsFormView::contextMenuEvent(event);
    m_menuRow = -1;
}

// ---- the form view's contract ----

void CKszwzb1::InitFormLayout()
{
    m_editable = 0;
    setRuleExtent(1);
    SetAreaRows(kInitialRows, kFormHeadRows, 0, kHeadRows, 0);
    applyHeadCells();
    SetTextColumns(std::vector<int>(kWidths.begin(), kWidths.end()));

    QMenu* menu = formMenu();
    auto addItem = [this, menu](const QString& text, int id) {
        QAction* action = menu->addAction(text);
        action->setData(id);
        connect(action, &QAction::triggered, this, [this, id] { runCommand(id); });
    };
    addItem(QStringLiteral("查询凭证(&W)"), kQueryVoucherCommand);
    addItem(QStringLiteral("改变查询时间(&K)"), kChangePeriodCommand);
    menu->addSeparator();
    addItem(QStringLiteral("自动选择输出方式"), kAutomaticModeCommand);
    addItem(QStringLiteral("输出明细记录"), kDetailModeCommand);
    addItem(QStringLiteral("输出汇总记录"), kSummaryModeCommand);
}

void CKszwzb1::OnRowsAdded(int count)
{
    if (count > 0)
        m_rows.resize(m_rows.size() + static_cast<size_t>(count));
    else
        m_rows.resize(m_rows.size() - std::min(m_rows.size(), static_cast<size_t>(-count)));
}

std::string CKszwzb1::titleText() const
{
    return ledgerTitle(m_level);
}

std::string CKszwzb1::displayedText(int row, int col, std::string_view area) const
{
    if (area == area::kText) {
        const LedgerCells* cells = cellsAt(row);
        return cells && col >= 0 && col < kLedgerColumns ? (*cells)[static_cast<size_t>(col)] : std::string();
    }
    if (area == area::kFormHead) {
        if (row == 0 && col == 0)
            return yearHeader(m_period.year);
        for (const HeaderText& header : kHeaderTexts)
            if (header.row == row && header.col == col)
                return std::string(header.text);
        return {};
    }
    if (area == area::kHead) {
        if (row == 0 && col == 0)
            return "帐户名：" + m_namePath;
        if (row == 1 && col == 0)
            return "帐户号：" + m_shownCode;
        if (row == 1 && col == kPeriodCell)
            return m_period.title();
        if (row == 1 && col == kPageCell && isPrinting())
            return ledgerPageText(drawingPageNumber());
    }
    return {};
}

CellInfo CKszwzb1::GetCellInfo(int row, int col, std::string_view area, bool)
{
    CellInfo info;
    info.text = displayedText(row, col, area);
    info.spec = kCellSpec;
    info.maxLength = kCellLengthLimit;
    return info;
}

void CKszwzb1::SetCellValue(int row, int col, std::string_view area, const std::string& text)
{
    if (area != area::kText || m_printRowsPerPage > 0 || row < 0 || row >= static_cast<int>(m_rows.size())
        || col < 0 || col >= kLedgerColumns)
        return;
    m_rows[static_cast<size_t>(row)].cells[static_cast<size_t>(col)] = text;
}

bool CKszwzb1::CanEditCell(int, int, std::string_view)
{
    return false;
}

void CKszwzb1::DrawCell(QPainter& dc, int row, int col, std::string_view area)
{
    const std::string text = displayedText(row, col, area);
    if (area == area::kHead) {
        // Head texts begin at their places and are neither shortened nor cover anything.
        DrawCellText(row, col, dc, text, "NOCUT", area, true);
        return;
    }
    if (area == area::kFormHead) {
        DrawCellText(row, col, dc, text, "MID", area);
        return;
    }
    if (area != area::kText || col < 0 || col >= kLedgerColumns)
        return;
    if (!kWholeColumns[static_cast<size_t>(col)]) {
        DrawCellText(row, col, dc, text, kAlignments[static_cast<size_t>(col)], area);
        return;
    }
    // Month, day, voucher number and direction word are never shortened: on a paper that leaves
    // their narrow columns little room they still show whole, centred between the rules.
    DrawCellText(row, col, dc, std::string(), "MID", area);
    if (text.empty())
        return;
    const QString shown = qtText(text);
    dc.setFont(areaFont(kBodyFont));
    const QFontMetrics metrics = dc.fontMetrics();
    const int top = GetRowTop(row, area::kText);
    const int height = GetRowTop(row + 1, area::kText) - top;
    DrawAreaText(dc, (GetColumnEdge(col) + GetColumnEdge(col + 1) - metrics.horizontalAdvance(shown)) / 2,
                 top + (height - metrics.height()) / 2, shown, area::kText);
}

void CKszwzb1::DrawHeadings(QPainter& dc)
{
    // The title, centred over the table in the middle of its band.
    const int left = GetColumnEdge(0);
    const int right = GetColumnEdge(columnCount());
    const QString title = qtText(titleText());
    dc.setFont(areaFont(kTitleFont));
    const int top = GetRowTop(0, area::kTopic);
    const int band = GetRowTop(0, area::kHead) - top;
    DrawAreaText(dc, (left + right - dc.fontMetrics().horizontalAdvance(title)) / 2,
                 top + (band - dc.fontMetrics().height()) / 2, title, area::kTopic);
}

void CKszwzb1::DrawGrid(QPainter& dc)
{
    if (columnCount() != kLedgerColumns) {
        CKsFormView::DrawGrid(dc);
        return;
    }
    const int top = GetRowTop(0, area::kFormHead);
    const int rowHeight = GetRowTop(1, area::kFormHead) - top;
    const int textTop = GetRowTop(drawingFirstRow(), area::kText);
    const int bottom = GetRowTop(0, area::kFoot); // no footer rows: the table ends at the foot line
    const int left = GetColumnEdge(0);
    const int right = GetColumnEdge(kLedgerColumns);
    const int yearLine = top + rowHeight;
    const double dotsPerUnit = dc.device()->logicalDpiX() / 254.0;
    const int ruleWidth = std::max(1, static_cast<int>(std::lround(dotsPerUnit)));
    const int frameWidth = std::max(2, static_cast<int>(std::lround(3.0 * dotsPerUnit)));
    const PageSettings& page = viewSettings().page;

    dc.save();
    dc.setRenderHint(QPainter::Antialiasing, false);
    QPen inner(toQColor(page.formLine), ruleWidth);
    inner.setCapStyle(Qt::FlatCap);
    dc.setPen(inner);
    if (rowHeight > 0)
        for (int y = textTop + rowHeight; y + rowHeight / 2 < bottom; y += rowHeight)
            dc.drawLine(left, y, right, y);
    // The year stands over 月 and 日: a rule under it, and the rule between them only below it.
    dc.drawLine(left, yearLine, GetColumnEdge(2), yearLine);
    for (int c = 1; c < kLedgerColumns; ++c)
        dc.drawLine(GetColumnEdge(c), c == 1 ? yearLine : top, GetColumnEdge(c), bottom);

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

    drawColumnHeader(dc);
}

void CKszwzb1::drawColumnHeader(QPainter& dc)
{
    const int top = GetRowTop(0, area::kFormHead);
    const int rowHeight = GetRowTop(1, area::kFormHead) - top;
    dc.setFont(areaFont(kBodyFont));
    const QFontMetrics metrics = dc.fontMetrics();
    // A text centred between two column rules, its middle at y.
    auto centred = [&](std::string_view text, int firstColumn, int lastColumn, int middle) {
        const QString shown = qtText(text);
        const int x0 = GetColumnEdge(firstColumn);
        const int x1 = GetColumnEdge(lastColumn + 1);
        DrawAreaText(dc, (x0 + x1 - metrics.horizontalAdvance(shown)) / 2, middle - metrics.height() / 2, shown,
                     area::kFormHead);
    };
    auto rowMiddle = [&](double row) { return top + static_cast<int>(std::lround((row + 0.5) * rowHeight)); };
    // Stacked 借 and 贷 move a little towards 或.
    const int nudge = rowHeight / 6;

    // The year over 月 and 日, whole (not shortened).
    centred(yearHeader(m_period.year), 0, 1, rowMiddle(0));
    for (const HeaderText& header : kHeaderTexts) {
        int middle = rowMiddle(header.row);
        if (header.row == 2 && header.col <= kVoucherColumn)
            middle = rowMiddle(1.5); // 月, 日 and 号码: raised half a line
        if (header.col == kDirectionColumn && header.row != 1)
            middle += header.row == 0 ? nudge : -nudge;
        centred(header.text, header.col, header.col, middle);
    }
}

} // namespace kszw
