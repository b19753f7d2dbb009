// The multi-column ledger view: the rebuild, the columns' layout and its stored widths per column
// count, the account and mode commands, opening a line's voucher, the print rows of a print job,
// and drawing the page — title, the two head lines and the grouped three-line column header.
#include "ledger/ui/multi_column_view.h"

#include "common/clock.h"
#include "common/command_ids.h"
#include "common/prompt.h"
#include "common/text.h"
#include "common/ui/qt_text.h"
#include "formview/ui/font_mapping.h"
#include "formview/ui/form_printer.h"
#include "formview/view_kinds.h"
#include "ledger/ledger_conventions.h"
#include "ledger/ui/auxiliary_directory_dialog.h"
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

namespace kszw {

namespace {

constexpr int kInitialRows = 20;
constexpr int kFormHeadRows = 3;
constexpr int kHeadRows = 2;
// 月, 日, 凭证号码, 摘要 before the amount columns; 借或贷 and 余额 after them.
constexpr std::array<int, 4> kLeftWidths = {3, 3, 4, 38};
constexpr std::array<int, 2> kRightWidths = {2, 12};
constexpr int kFirstAmountColumn = 4;
constexpr int kVoucherColumn = 2;
constexpr int kSummaryColumn = 3;
constexpr const char* kCellSpec = "STRING NOT |[]'\"";
constexpr int kCellLengthLimit = 60;
constexpr int kHitTolerance = 3;

// The head lines: the name path at 10 on the first; the code at 10, the span at 410 and the page
// at 860 on the second (thousandths of the width; widths in characters of the head font).
const std::vector<CellSpan> kNameLine = {{10, 96}};
const std::vector<CellSpan> kCodeLine = {{10, 26}, {410, 30}, {860, 16}};
constexpr int kPeriodCell = 1;
constexpr int kPageCell = 2;

constexpr std::string_view kDebitGroup = "借 方";
constexpr std::string_view kCreditGroup = "贷 方";

std::string yearHeader(int year)
{
    return format(" %4d年", year);
}

std::string placeholderHeader(int column)
{
    return format("第 %d 栏", column + 1);
}

bool plainKey(const QKeyEvent* event)
{
    return !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier));
}

// The widths of the grid for a set of amount columns.
std::vector<int> gridWidths(const std::vector<int>& amountWidths)
{
    std::vector<int> widths(kLeftWidths.begin(), kLeftWidths.end());
    widths.insert(widths.end(), amountWidths.begin(), amountWidths.end());
    widths.insert(widths.end(), kRightWidths.begin(), kRightWidths.end());
    return widths;
}

std::vector<int> placeholderWidths()
{
    return gridWidths(std::vector<int>(CKszwzb2::kPlaceholderColumns, CKszwzb2::kPlaceholderWidth));
}

// The wait cursor while a ledger is built.
struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

} // namespace

CKszwzb2::CKszwzb2(CKszwEnv& env, const Clock& clock, QWidget* parent)
    : CKsFormView(parent), m_env(env), m_layoutWidths(placeholderWidths())
{
    setClock(clock);
    setWindowTitle(qtText(kMultiColumnDocumentTitle));
    m_period = LedgerPeriod{m_env.year(), 1, 12};
    setSettingsKey(SettingsKey{&m_env.db(), viewFlag(ViewKind::MultiColumnLedger), std::string(kDefaultFieldMode)});
}

// ---- loading ----

void CKszwzb2::setAccount(const std::string& code)
{
    m_code = qtText(code).trimmed().toStdString();
}

void CKszwzb2::setPeriod(int startMonth, int endMonth)
{
    m_period.startMonth = startMonth;
    m_period.endMonth = endMonth;
}

bool CKszwzb2::LoadLedger()
{
    if (m_code.empty())
        return false;
    if (!isInitialized())
        initialUpdate();
    std::vector<LedgerColumn> columns;
    std::vector<MultiColumnRow> rows;
    std::string namePath;
    {
        WaitCursor wait;
        try {
            Database& db = m_env.db();
            if (!hasEntriesBelow(db, m_code, m_period.endMonth))
                return false;
            setDefaultColumnSides(db, m_code);
            columns = ledgerColumns(db, m_code);
            const AccountingCalendar calendar(m_env.year(), m_env.yearStart(), m_env.yearEnd(), m_env.monthEndCode());
            const LedgerSpan span{m_code, m_period.startMonth, m_period.endMonth};
            rows = m_detail ? BuildMultiColumnDetail(db, calendar, span, columns)
                            : BuildMultiColumnSummary(db, calendar, span, columns);
            namePath = accountNamePath(db, m_code, kNamePathLimit);
        } catch (const DatabaseError& error) {
            prompt().warn(userMessage(error, m_env.db().path()));
            return false;
        }
    }
    m_shown = ShownLedger{m_code, m_period.startMonth, m_period.endMonth, m_detail};
    m_namePath = std::move(namePath);
    m_rows = std::move(rows);
    applyColumns(columns);
    applyRowCount();
    scrollToRow(0);
    horizontalScrollBar()->setValue(0);
    SetCurrentCell(0, 0, 0, area::kText);
    viewport()->update();
    return true;
}

void CKszwzb2::applyColumns(const std::vector<LedgerColumn>& columns)
{
    m_columns = columns;
    std::vector<int> amountWidths;
    for (const LedgerColumn& column : columns)
        amountWidths.push_back(column.width);
    const std::vector<int> widths = gridWidths(amountWidths);
    const std::string mode = std::to_string(columns.size());
    if (widths == m_layoutWidths && settingsKey().fieldMode == mode)
        return; // the same layout: the widths the user gave the columns stay
    m_layoutWidths = widths;
    SetTextColumns(widths);
    // Each column count keeps its own print settings; a count without any takes the page and
    // fonts the view has and the widths just laid out.
    const ViewSettings previous = viewSettings();
    try {
        setSettingsKey(SettingsKey{&m_env.db(), viewFlag(ViewKind::MultiColumnLedger), mode});
    } catch (const DatabaseError& error) {
        prompt().warn(userMessage(error, m_env.db().path()));
    }
    if (viewSettings() == defaultViewSettings()) {
        ViewSettings kept = previous;
        kept.columnWidths.clear();
        setViewSettings(kept);
    }
}

void CKszwzb2::applyRowCount()
{
    const size_t rows = m_printRowsPerPage > 0 ? m_printRows.size() : m_rows.size();
    SetAreaRows(static_cast<int>(rows), kFormHeadRows, 0, kHeadRows, 0);
    applyHeadCells();
}

void CKszwzb2::applyHeadCells()
{
    SetAreaCells(area::kHead, 0, kNameLine);
    SetAreaCells(area::kHead, 1, kCodeLine);
}

int CKszwzb2::amountColumns() const
{
    return static_cast<int>(m_layoutWidths.size() - kLeftWidths.size() - kRightWidths.size());
}

std::string CKszwzb2::periodTitle() const
{
    if (!m_shown)
        return std::string(kPlaceholderPeriod);
    return LedgerPeriod{m_env.year(), m_shown->startMonth, m_shown->endMonth}.title();
}

// ---- commands ----

void CKszwzb2::showDetail(bool detail)
{
    setDetail(detail);
    LoadLedger();
}

void CKszwzb2::chooseAccount()
{
    std::string start = m_code;
    int startMonth = m_period.startMonth;
    int endMonth = m_period.endMonth;
    for (;;) {
        const std::optional<AuxiliaryChoice> choice = CAuxiliaryDirectoryDlg::chooseAccount(
            m_env, prompt(), static_cast<int>(DirectoryType::MultiColumn), start, startMonth, endMonth, this);
        if (!choice)
            return;
        bool entries = false;
        try {
            entries = hasEntriesBelow(m_env.db(), choice->code, choice->endMonth);
        } catch (const DatabaseError& error) {
            prompt().warn(userMessage(error, m_env.db().path()));
            return;
        }
        if (entries) {
            m_code = choice->code;
            setPeriod(choice->startMonth, choice->endMonth);
            LoadLedger();
            return;
        }
        // Nothing to show for it: said, and the directory opens again on the refused account.
        prompt().warn(kNoEntriesBelow);
        start = choice->code;
        startMonth = choice->startMonth;
        endMonth = choice->endMonth;
    }
}

const std::vector<std::string>* CKszwzb2::cellsAt(int row) const
{
    if (m_printRowsPerPage > 0)
        return row >= 0 && row < static_cast<int>(m_printRows.size()) ? &m_printRows[static_cast<size_t>(row)]
                                                                        : nullptr;
    return row >= 0 && row < static_cast<int>(m_rows.size()) ? &m_rows[static_cast<size_t>(row)].cells : nullptr;
}

bool CKszwzb2::isDetailRowAt(int row) const
{
    if (m_printRowsPerPage > 0 || row < 0 || row >= static_cast<int>(m_rows.size()))
        return false;
    const std::vector<std::string>& cells = m_rows[static_cast<size_t>(row)].cells;
    return cells.size() > kVoucherColumn && !cells[kVoucherColumn].empty();
}

bool CKszwzb2::openVoucherAt(int row)
{
    if (!m_openVoucher || !isDetailRowAt(row))
        return false;
    const MultiColumnRow& line = m_rows[static_cast<size_t>(row)];
    const VoucherKey key{line.date.substr(0, 8), line.cells[kVoucherColumn]};
    m_openVoucher(key);
    setWindowTitle(qtText(kMultiColumnDocumentTitle));
    return true;
}

int CKszwzb2::commandRow() const
{
    if (m_menuRow >= 0)
        return m_menuRow;
    return currentCell().area == area::kText ? currentCell().row : -1;
}

bool CKszwzb2::isCommandEnabled(int id) const
{
    switch (id) {
    case kQueryVoucherCommand: return static_cast<bool>(m_openVoucher) && isDetailRowAt(commandRow());
    case kDetailModeCommand:
    case kSummaryModeCommand:
    case cmd::kFileOpen: return true;
    default: return CKsFormView::isCommandEnabled(id);
    }
}

bool CKszwzb2::runCommand(int id)
{
    switch (id) {
    case kQueryVoucherCommand: openVoucherAt(commandRow()); return true;
    case kDetailModeCommand: showDetail(true); return true;
    case kSummaryModeCommand: showDetail(false); return true;
    case cmd::kFileOpen: chooseAccount(); return true;
    case cmd::kPrint:
    case cmd::kPrintPreview:
    case cmd::kExportPdf: {
        // The print job runs on the print rows; they go again however it ends.
        struct PrintJob {
            CKszwzb2& view;
            ~PrintJob() { view.OnEndPrinting(); }
        } job{*this};
        OnBeginPrinting();
        return CKsFormView::runCommand(id);
    }
    default: return CKsFormView::runCommand(id);
    }
}

QAction* CKszwzb2::menuAction(int id) const
{
    for (QAction* action : formMenu()->actions())
        if (!action->isSeparator() && action->data().toInt() == id)
            return action;
    return nullptr;
}

void CKszwzb2::updateMenuState()
{
    for (int id : {kQueryVoucherCommand, kDetailModeCommand, kSummaryModeCommand})
        if (QAction* action = menuAction(id))
            action->setEnabled(isCommandEnabled(id));
    // The mode of the rows shown is ticked; choosing it again reads the ledger again.
    if (QAction* action = menuAction(kDetailModeCommand))
        action->setChecked(m_shown && m_shown->detail);
    if (QAction* action = menuAction(kSummaryModeCommand))
        action->setChecked(m_shown && !m_shown->detail);
}

// ---- printing ----

int CKszwzb2::measuredPrintRows()
{
    QPrinter measure(QPrinter::HighResolution);
    measure.setOutputFormat(QPrinter::PdfFormat);
    preparePrinter(*this, measure);
    setPrintDevice(&measure);
    const int rows = CKsFormView::GetPageRows(true);
    setPrintDevice(nullptr);
    return rows;
}

void CKszwzb2::OnBeginPrinting(int rowsPerPage)
{
    if (m_printJob)
        return;
    m_printJob = true;
    if (!m_shown || !m_shown->detail || m_rows.empty())
        return; // summary rows print as they are
    // Never more rows than the paper holds: the carry rows must fall where the pages break.
    const int fits = measuredPrintRows();
    const int rows = rowsPerPage > 0 ? std::min(rowsPerPage, fits) : fits;
    if (rows < 1)
        return; // not one row fits: the job refuses itself
    std::vector<std::vector<std::string>> cells;
    cells.reserve(m_rows.size());
    for (const MultiColumnRow& row : m_rows)
        cells.push_back(row.cells);
    m_printRows = BuildMultiColumnPrintRows(cells, rows);
    m_printRowsPerPage = rows;
    applyRowCount();
}

void CKszwzb2::OnEndPrinting()
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

bool CKszwzb2::exportPdf(const QString& file)
{
    OnBeginPrinting();
    const bool written = exportViewToPdf(*this, file, prompt());
    OnEndPrinting();
    return written;
}

int CKszwzb2::GetPageRows(bool printing) const
{
    const int rows = CKsFormView::GetPageRows(printing);
    if (printing && m_printRowsPerPage > 0)
        return std::min(rows, m_printRowsPerPage);
    return rows;
}

// ---- input ----

int CKszwzb2::rowAt(const QPoint& point) const
{
    const int x = point.x() + horizontalScrollBar()->value();
    const HitResult hit = screenGeometry().hitTest(x, point.y(), firstVisibleRow(), textRowCount(), kHitTolerance);
    if (hit.area == area::kText || hit.area == area::kTextLeft || hit.area == area::kColumnRule)
        return hit.row;
    return -1;
}

void CKszwzb2::keyPressEvent(QKeyEvent* event)
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

void CKszwzb2::mouseDoubleClickEvent(QMouseEvent* event)
{
    CKsFormView::mouseDoubleClickEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    const int row = rowAt(event->position().toPoint());
    if (row >= 0)
        openVoucherAt(row);
}

void CKszwzb2::contextMenuEvent(QContextMenuEvent* event)
{
    // The menu concerns the row under the mouse; opened from the keyboard, the current row.
    if (event->reason() == QContextMenuEvent::Mouse)
        m_menuRow = rowAt(event->pos());
    else
        m_menuRow = currentCell().area == area::kText ? currentCell().row : -1;
    updateMenuState();
    CKsFormView::contextMenuEvent(event);
    m_menuRow = -1;
}

// ---- the form view's contract ----

void CKszwzb2::InitFormLayout()
{
    m_editable = 0;
    setRuleExtent(1);
    SetAreaRows(kInitialRows, kFormHeadRows, 0, kHeadRows, 0);
    applyHeadCells();
    SetTextColumns(m_layoutWidths);

    QMenu* menu = formMenu();
    auto addItem = [this, menu](const QString& text, int id, bool checkable) {
        QAction* action = menu->addAction(text);
        action->setData(id);
        action->setCheckable(checkable);
        connect(action, &QAction::triggered, this, [this, id] { runCommand(id); });
    };
    addItem(QStringLiteral("查询凭证(&S)"), kQueryVoucherCommand, false);
    menu->addSeparator();
    addItem(QStringLiteral("输出明细记录"), kDetailModeCommand, true);
    addItem(QStringLiteral("输出汇总记录"), kSummaryModeCommand, true);
}

void CKszwzb2::OnRowsAdded(int count)
{
    if (count > 0)
        m_rows.resize(m_rows.size() + static_cast<size_t>(count));
    else
        m_rows.resize(m_rows.size() - std::min(m_rows.size(), static_cast<size_t>(-count)));
}

std::string CKszwzb2::displayedText(int row, int col, std::string_view area) const
{
    const int n = amountColumns();
    if (area == area::kText) {
        const std::vector<std::string>* cells = cellsAt(row);
        return cells && col >= 0 && col < static_cast<int>(cells->size()) ? (*cells)[static_cast<size_t>(col)]
                                                                           : std::string();
    }
    if (area == area::kFormHead) {
        const int amount = col - kFirstAmountColumn;
        if (amount >= 0 && amount < n) {
            if (!m_shown || m_columns.empty())
                return row == 1 ? placeholderHeader(amount) : std::string();
            const LedgerColumn& column = m_columns[static_cast<size_t>(amount)];
            if (row == 1)
                return column.name;
            // The group headings stand over the first column of their side.
            const bool firstOfSide = amount == 0 || m_columns[static_cast<size_t>(amount - 1)].sign != column.sign;
            if (row == 0 && firstOfSide)
                return std::string(column.sign > 0 ? kDebitGroup : kCreditGroup);
            return {};
        }
        if (row == 0 && col == 0)
            return yearHeader(m_period.year);
        if (row == 2 && col == 0)
            return "月";
        if (row == 2 && col == 1)
            return "日";
        if (row == 0 && col == kVoucherColumn)
            return "凭证";
        if (row == 2 && col == kVoucherColumn)
            return "号码";
        if (row == 1 && col == kSummaryColumn)
            return "摘          要     ";
        if (col == n + kFirstAmountColumn)
            return row == 0 ? "借" : row == 1 ? "或" : "贷";
        if (row == 1 && col == n + kFirstAmountColumn + 1)
            return "余      额";
        return {};
    }
    if (area == area::kHead) {
        if (row == 0 && col == 0)
            return "帐户名：" + m_namePath;
        if (row == 1 && col == 0)
            return "帐户号：" + shownCode();
        if (row == 1 && col == kPeriodCell)
            return periodTitle();
        if (row == 1 && col == kPageCell && isPrinting())
            return multiColumnPageText(drawingPageNumber());
    }
    return {};
}

CellInfo CKszwzb2::GetCellInfo(int row, int col, std::string_view area, bool)
{
    CellInfo info;
    info.text = displayedText(row, col, area);
    info.spec = kCellSpec;
    info.maxLength = kCellLengthLimit;
    return info;
}

void CKszwzb2::SetCellValue(int row, int col, std::string_view area, const std::string& text)
{
    if (area != area::kText || m_printRowsPerPage > 0 || row < 0 || row >= static_cast<int>(m_rows.size()))
        return;
    std::vector<std::string>& cells = m_rows[static_cast<size_t>(row)].cells;
    if (col >= 0 && col < static_cast<int>(cells.size()))
        cells[static_cast<size_t>(col)] = text;
}

bool CKszwzb2::CanEditCell(int, int, std::string_view)
{
    return false;
}

void CKszwzb2::DrawCell(QPainter& dc, int row, int col, std::string_view area)
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
    if (area != area::kText)
        return;
    const int n = amountColumns();
    const bool whole = col <= kVoucherColumn || col == n + kFirstAmountColumn;
    if (!whole) {
        DrawCellText(row, col, dc, text, col == kSummaryColumn ? "LEFT" : "RIGHT", area);
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

void CKszwzb2::DrawHeadings(QPainter& dc)
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

void CKszwzb2::DrawGrid(QPainter& dc)
{
    const int n = amountColumns();
    const int total = n + static_cast<int>(kLeftWidths.size() + kRightWidths.size());
    if (columnCount() != total) {
        CKsFormView::DrawGrid(dc);
        return;
    }
    const int top = GetRowTop(0, area::kFormHead);
    const int rowHeight = GetRowTop(1, area::kFormHead) - top;
    const int textTop = GetRowTop(drawingFirstRow(), area::kText);
    const int bottom = GetRowTop(0, area::kFoot); // no footer rows: the table ends at the foot line
    const int left = GetColumnEdge(0);
    const int right = GetColumnEdge(total);
    const int firstLine = top + rowHeight;
    const double dotsPerUnit = dc.device()->logicalDpiX() / 254.0;
    const int ruleWidth = std::max(1, static_cast<int>(std::lround(dotsPerUnit)));
    const int frameWidth = std::max(2, static_cast<int>(std::lround(3.0 * dotsPerUnit)));
    const PageSettings& page = viewSettings().page;
    const bool grouped = m_shown && !m_columns.empty();

    dc.save();
    dc.setRenderHint(QPainter::Antialiasing, false);
    QPen inner(toQColor(page.formLine), ruleWidth);
    inner.setCapStyle(Qt::FlatCap);
    dc.setPen(inner);
    if (rowHeight > 0)
        for (int y = textTop + rowHeight; y + rowHeight / 2 < bottom; y += rowHeight)
            dc.drawLine(left, y, right, y);
    // The year stands over 月 and 日, the group headings over their sides' columns: a rule under
    // each, and the rules inside them only below it.
    dc.drawLine(left, firstLine, GetColumnEdge(2), firstLine);
    if (grouped)
        dc.drawLine(GetColumnEdge(kFirstAmountColumn), firstLine, GetColumnEdge(kFirstAmountColumn + n), firstLine);
    for (int c = 1; c < total; ++c) {
        bool inside = c == 1;
        const int amount = c - kFirstAmountColumn;
        if (grouped && amount > 0 && amount < n)
            inside = m_columns[static_cast<size_t>(amount)].sign == m_columns[static_cast<size_t>(amount - 1)].sign;
        dc.drawLine(GetColumnEdge(c), inside ? firstLine : top, GetColumnEdge(c), bottom);
    }

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

    drawColumnHeader(dc, top, rowHeight);
}

void CKszwzb2::drawColumnHeader(QPainter& dc, int top, int rowHeight)
{
    const int n = amountColumns();
    dc.save();
    dc.setFont(areaFont(kBodyFont));
    const QFontMetrics metrics = dc.fontMetrics();
    // A text centred between two column rules, its middle at y; drawn narrower when wider than them.
    auto centred = [&](std::string_view text, int firstColumn, int lastColumn, int middle) {
        if (text.empty())
            return;
        const QString shown = qtText(text);
        const int x0 = GetColumnEdge(firstColumn);
        const int x1 = GetColumnEdge(lastColumn + 1);
        const int width = metrics.horizontalAdvance(shown);
        const int room = x1 - x0 - 4;
        if (width > room && room > 0) {
            QFont narrow = dc.font();
            narrow.setStretch(std::max(50, 100 * room / width));
            dc.setFont(narrow);
            const int narrowWidth = dc.fontMetrics().horizontalAdvance(shown);
            DrawAreaText(dc, (x0 + x1 - narrowWidth) / 2, middle - metrics.height() / 2, shown, area::kFormHead);
            dc.setFont(areaFont(kBodyFont));
            return;
        }
        DrawAreaText(dc, (x0 + x1 - width) / 2, middle - metrics.height() / 2, shown, area::kFormHead);
    };
    auto rowMiddle = [&](double row) { return top + static_cast<int>(std::lround((row + 0.5) * rowHeight)); };
    // Stacked 借 and 贷 move a little towards 或.
    const int nudge = rowHeight / 6;
    const int direction = kFirstAmountColumn + n;

    centred(yearHeader(m_period.year), 0, 1, rowMiddle(0));
    centred("月", 0, 0, rowMiddle(1.5));
    centred("日", 1, 1, rowMiddle(1.5));
    centred("凭证", kVoucherColumn, kVoucherColumn, rowMiddle(0));
    centred("号码", kVoucherColumn, kVoucherColumn, rowMiddle(1.5));
    centred("摘          要     ", kSummaryColumn, kSummaryColumn, rowMiddle(1));
    centred("借", direction, direction, rowMiddle(0) + nudge);
    centred("或", direction, direction, rowMiddle(1));
    centred("贷", direction, direction, rowMiddle(2) - nudge);
    centred("余      额", direction + 1, direction + 1, rowMiddle(1));

    if (!m_shown || m_columns.empty()) {
        for (int j = 0; j < n; ++j)
            centred(placeholderHeader(j), kFirstAmountColumn + j, kFirstAmountColumn + j, rowMiddle(1));
        dc.restore();
        return;
    }
    // Each side's heading over its columns, "借" and "方" set apart across them; the accounts'
    // names below, across the other two lines.
    for (int j = 0; j < n;) {
        int last = j;
        while (last + 1 < n && m_columns[static_cast<size_t>(last + 1)].sign == m_columns[static_cast<size_t>(j)].sign)
            ++last;
        const bool debit = m_columns[static_cast<size_t>(j)].sign > 0;
        const int x0 = GetColumnEdge(kFirstAmountColumn + j);
        const int x1 = GetColumnEdge(kFirstAmountColumn + last + 1);
        const QString side = debit ? QStringLiteral("借") : QStringLiteral("贷");
        const QString word = QStringLiteral("方");
        const int glyph = metrics.horizontalAdvance(side);
        const int gap = std::clamp((x1 - x0) / 4, metrics.horizontalAdvance(QLatin1Char(' ')), 3 * glyph);
        const int start = (x0 + x1 - (2 * glyph + gap)) / 2;
        const int y = rowMiddle(0) - metrics.height() / 2;
        DrawAreaText(dc, start, y, side, area::kFormHead);
        DrawAreaText(dc, start + glyph + gap, y, word, area::kFormHead);
        for (int k = j; k <= last; ++k)
            centred(m_columns[static_cast<size_t>(k)].name, kFirstAmountColumn + k, kFirstAmountColumn + k,
                    rowMiddle(1.5));
        j = last + 1;
    }
    dc.restore();
}

} // namespace kszw
