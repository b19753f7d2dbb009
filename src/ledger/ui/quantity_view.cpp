// The quantity-amount and foreign-currency ledger view: loading the ledger, the account and span
// commands, opening a line's voucher, the print rows of a print job, and drawing the page — title,
// the two head lines and the three-line column header with its three groups of triples.
#include "ledger/ui/quantity_view.h"

#include "common/clock.h"
#include "common/command_ids.h"
#include "common/prompt.h"
#include "common/ui/qt_text.h"
#include "formview/ui/font_mapping.h"
#include "formview/ui/form_printer.h"
#include "formview/view_kinds.h"
#include "ledger/ledger_conventions.h"
#include "ledger/three_column_ledger.h"
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
#include <cstdio>

namespace kszw {

namespace {

using namespace quantity_column;

constexpr int kInitialRows = 20;
constexpr int kFormHeadRows = 3;
constexpr int kHeadRows = 2;
// 月, 日, 凭证号码, 摘要, three triples of quantity, price and amount around 借或贷: narrow enough
// that the default landscape paper takes the table with little scaling, so that the narrow
// columns keep their widths; wider figures are drawn narrower, never cut.
constexpr std::array<int, kQuantityColumns> kWidths = {2, 2, 4, 12, 7, 8, 10, 7, 8, 10, 2, 7, 8, 10};
constexpr const char* kCellSpec = "STRING NOT |[]'\"";
constexpr int kCellLengthLimit = 60;
constexpr int kHitTolerance = 3;
constexpr std::string_view kNoPeriodTitle = "×× 年 × 月 至 × 月";

// The first column of each group of three: debit, credit, balance.
constexpr std::array<int, 3> kGroupColumns = {kDebitQuantity, kCreditQuantity, kBalanceQuantity};

// The head lines: the name path at 10 and the unit at 700 on the first; the code at 10, the span
// at 410 and the page at 860 on the second (thousandths of the width; widths in characters).
const std::vector<CellSpan> kNameLine = {{10, 80}, {700, 30}};
const std::vector<CellSpan> kCodeLine = {{10, 26}, {410, 30}, {860, 16}};
constexpr int kUnitCell = 1;
constexpr int kPeriodCell = 1;
constexpr int kPageCell = 2;

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

bool isGroupColumn(int col)
{
    return (col >= kDebitQuantity && col <= kCreditAmount) || col >= kBalanceQuantity;
}

// The wait cursor while a ledger is built.
struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

} // namespace

CKszwzb3::CKszwzb3(CKszwEnv& env, const Clock& clock, QuantityKind kind, QWidget* parent)
    : CKsFormView(parent), m_env(env), m_kind(kind)
{
    setClock(clock);
    setWindowTitle(qtText(quantityDocumentTitle(m_kind)));
    m_period = LedgerPeriod{m_env.year(), 1, 12};
    setSettingsKey(SettingsKey{&m_env.db(), viewFlag(ViewKind::QuantityLedger), std::string(kDefaultFieldMode)});
}

// ---- loading ----

void CKszwzb3::setAccount(const std::string& code)
{
    m_code = qtText(code).trimmed().toStdString();
}

void CKszwzb3::setPeriod(int startMonth, int endMonth)
{
    m_period.startMonth = startMonth;
    m_period.endMonth = endMonth;
}

void CKszwzb3::LoadLedger()
{
    if (m_code.empty())
        return;
    if (!isInitialized())
        initialUpdate();
    QuantityLedger ledger;
    std::string namePath;
    std::string unit;
    {
        WaitCursor wait;
        try {
            const AccountingCalendar calendar(m_env.year(), m_env.yearStart(), m_env.yearEnd(), m_env.monthEndCode());
            ledger = buildQuantityLedger(m_env.db(), calendar, m_code, m_period.startMonth, m_period.endMonth, m_kind);
            if (!ledger.refusal) {
                namePath = accountNamePath(m_env.db(), m_code, kNamePathLimit);
                unit = quantityUnitName(m_env.db(), m_code, m_kind);
            }
        } catch (const DatabaseError& error) {
            ledger.refusal = userMessage(error, m_env.db().path());
        }
    }
    if (ledger.refusal) {
        // The grid keeps the ledger it shows, and the view the account and span of that ledger.
        prompt().warn(*ledger.refusal);
        if (m_shown) {
            m_code = m_shownCode;
            m_period = LedgerPeriod{m_period.year, m_shownStart, m_shownEnd};
        }
        return;
    }
    m_shown = true;
    m_shownCode = m_code;
    m_shownStart = m_period.startMonth;
    m_shownEnd = m_period.endMonth;
    m_namePath = std::move(namePath);
    m_unitName = std::move(unit);
    m_rows = std::move(ledger.rows);
    applyRowCount();
    scrollToRow(0);
    horizontalScrollBar()->setValue(0);
    SetCurrentCell(0, 0, 0, area::kText);
    viewport()->update();
}

std::string CKszwzb3::periodTitle() const
{
    if (!m_shown)
        return std::string(kNoPeriodTitle);
    return LedgerPeriod{m_period.year, m_shownStart, m_shownEnd}.title();
}

void CKszwzb3::applyRowCount()
{
    const size_t rows = m_printRowsPerPage > 0 ? m_printRows.size() : m_rows.size();
    SetAreaRows(std::max<int>(1, static_cast<int>(rows)), kFormHeadRows, 0, kHeadRows, 0);
    applyHeadCells();
}

void CKszwzb3::applyHeadCells()
{
    SetAreaCells(area::kHead, 0, kNameLine);
    SetAreaCells(area::kHead, 1, kCodeLine);
}

// ---- commands ----

void CKszwzb3::changePeriod()
{
    const std::optional<LedgerPeriod> chosen = CPeriodDlg::askPeriod(m_period, prompt(), this);
    if (!chosen || *chosen == m_period)
        return;
    m_period = *chosen;
    viewport()->update();
    LoadLedger();
}

void CKszwzb3::chooseAccount()
{
    const DirectoryType type = m_kind == QuantityKind::Quantity ? DirectoryType::Quantity : DirectoryType::Currency;
    std::string start = m_code;
    int startMonth = m_period.startMonth;
    int endMonth = m_period.endMonth;
    for (;;) {
        const std::optional<AuxiliaryChoice> choice = CAuxiliaryDirectoryDlg::chooseAccount(
            m_env, prompt(), static_cast<int>(type), start, startMonth, endMonth, this);
        if (!choice)
            return;
        std::optional<std::string> refusal;
        try {
            refusal = checkQuantityAccount(m_env.db(), choice->code, choice->endMonth, m_kind);
        } catch (const DatabaseError& error) {
            prompt().warn(userMessage(error, m_env.db().path()));
            return;
        }
        if (refusal) {
            // Said, and the directory opens again on the refused account.
            prompt().warn(*refusal);
            start = choice->code;
            startMonth = choice->startMonth;
            endMonth = choice->endMonth;
            continue;
        }
        // The account and span are taken and the ledger is read again, even the same one: Open
        // is also how a bookkeeper refreshes it after new postings.
        m_code = choice->code;
        setPeriod(choice->startMonth, choice->endMonth);
        LoadLedger();
        return;
    }
}

const QuantityCells* CKszwzb3::cellsAt(int row) const
{
    if (m_printRowsPerPage > 0)
        return row >= 0 && row < static_cast<int>(m_printRows.size()) ? &m_printRows[static_cast<size_t>(row)]
                                                                        : nullptr;
    return row >= 0 && row < static_cast<int>(m_rows.size()) ? &m_rows[static_cast<size_t>(row)].cells : nullptr;
}

bool CKszwzb3::isDetailRowAt(int row) const
{
    if (m_printRowsPerPage > 0 || row < 0 || row >= static_cast<int>(m_rows.size()))
        return false;
    return isQuantityDetailRow(m_rows[static_cast<size_t>(row)].cells);
}

bool CKszwzb3::openVoucherAt(int row)
{
    if (!m_openVoucher || !isDetailRowAt(row))
        return false;
    const QuantityRow& line = m_rows[static_cast<size_t>(row)];
    const VoucherKey key{line.date.substr(0, 8), line.cells[kNumber]};
    m_openVoucher(key);
    setWindowTitle(qtText(quantityDocumentTitle(m_kind)));
    return true;
}

int CKszwzb3::commandRow() const
{
    if (m_menuRow >= 0)
        return m_menuRow;
    return currentCell().area == area::kText ? currentCell().row : -1;
}

bool CKszwzb3::isCommandEnabled(int id) const
{
    switch (id) {
    case kQueryVoucherCommand: return static_cast<bool>(m_openVoucher) && isDetailRowAt(commandRow());
    case kChangePeriodCommand: return !m_printJob;
    case cmd::kFileOpen: return !m_printJob;
    default: return CKsFormView::isCommandEnabled(id);
    }
}

bool CKszwzb3::runCommand(int id)
{
    switch (id) {
    case kQueryVoucherCommand: openVoucherAt(commandRow()); return true;
    case kChangePeriodCommand: changePeriod(); return true;
    case cmd::kFileOpen: chooseAccount(); return true;
    case cmd::kPrint:
    case cmd::kPrintPreview:
    case cmd::kExportPdf: {
        // The print job runs on the print rows; they go again however it ends.
        struct PrintJob {
            CKszwzb3& view;
            ~PrintJob() { view.OnEndPrinting(); }
        } job{*this};
        OnBeginPrinting();
        return CKsFormView::runCommand(id);
    }
    default: return CKsFormView::runCommand(id);
    }
}

QAction* CKszwzb3::menuAction(int id) const
{
    for (QAction* action : formMenu()->actions())
        if (!action->isSeparator() && action->data().toInt() == id)
            return action;
    return nullptr;
}

// ---- printing ----

int CKszwzb3::measuredPrintRows()
{
    QPrinter measure(QPrinter::HighResolution);
    measure.setOutputFormat(QPrinter::PdfFormat);
    preparePrinter(*this, measure);
    setPrintDevice(&measure);
    const int rows = CKsFormView::GetPageRows(true);
    setPrintDevice(nullptr);
    return rows;
}

void CKszwzb3::OnBeginPrinting(int rowsPerPage)
{
    if (m_printJob)
        return;
    m_printJob = true;
    if (!m_shown || m_rows.empty())
        return;
    // Never more rows than the paper holds: the carry rows must fall where the pages break.
    const int fits = measuredPrintRows();
    const int rows = rowsPerPage > 0 ? std::min(rowsPerPage, fits) : fits;
    if (rows < 1)
        return; // not one row fits: the job refuses itself
    std::vector<QuantityCells> cells;
    cells.reserve(m_rows.size());
    for (const QuantityRow& row : m_rows)
        cells.push_back(row.cells);
    m_printRows = BuildQuantityPrintRows(cells, rows);
    m_printRowsPerPage = rows;
    applyRowCount();
}

void CKszwzb3::OnEndPrinting()
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

bool CKszwzb3::exportPdf(const QString& file)
{
    OnBeginPrinting();
    const bool written = exportViewToPdf(*this, file, prompt());
    OnEndPrinting();
    return written;
}

int CKszwzb3::GetPageRows(bool printing) const
{
    const int rows = CKsFormView::GetPageRows(printing);
    if (printing && m_printRowsPerPage > 0)
        return std::min(rows, m_printRowsPerPage);
    return rows;
}

// ---- input ----

int CKszwzb3::rowAt(const QPoint& point) const
{
    const int x = point.x() + horizontalScrollBar()->value();
    const HitResult hit = screenGeometry().hitTest(x, point.y(), firstVisibleRow(), textRowCount(), kHitTolerance);
    if (hit.area == area::kText || hit.area == area::kTextLeft || hit.area == area::kColumnRule)
        return hit.row;
    return -1;
}

void CKszwzb3::keyPressEvent(QKeyEvent* event)
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

void CKszwzb3::mouseDoubleClickEvent(QMouseEvent* event)
{
    CKsFormView::mouseDoubleClickEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    const int row = rowAt(event->position().toPoint());
    if (row >= 0)
        openVoucherAt(row);
}

void CKszwzb3::contextMenuEvent(QContextMenuEvent* event)
{
    // The menu concerns the row under the mouse; opened from the keyboard, the current row.
    if (event->reason() == QContextMenuEvent::Mouse)
        m_menuRow = rowAt(event->pos());
    else
        m_menuRow = currentCell().area == area::kText ? currentCell().row : -1;
    for (int id : {kQueryVoucherCommand, kChangePeriodCommand})
        if (QAction* action = menuAction(id))
            action->setEnabled(isCommandEnabled(id));
    CKsFormView::contextMenuEvent(event);
    m_menuRow = -1;
}

// ---- the form view's contract ----

void CKszwzb3::InitFormLayout()
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
}

void CKszwzb3::OnRowsAdded(int count)
{
    if (m_printRowsPerPage > 0)
        return;
    if (count > 0)
        m_rows.resize(m_rows.size() + static_cast<size_t>(count));
    else
        m_rows.resize(m_rows.size() - std::min(m_rows.size(), static_cast<size_t>(-count)));
}

std::string CKszwzb3::titleText() const
{
    return std::string(quantityLedgerTitle(m_kind));
}

std::string CKszwzb3::displayedText(int row, int col, std::string_view area) const
{
    if (area == area::kText) {
        const QuantityCells* cells = cellsAt(row);
        return cells && col >= 0 && col < kQuantityColumns ? (*cells)[static_cast<size_t>(col)] : std::string();
    }
    if (area == area::kFormHead) {
        if (row == 0 && col == kMonth)
            return yearHeader(m_period.year);
        if (row == 1 && col == kMonth)
            return "月";
        if (row == 1 && col == kDay)
            return "日";
        if (row == 0 && col == kNumber)
            return "凭证";
        if (row == 1 && col == kNumber)
            return "号码";
        if (row == 1 && col == kSummary)
            return "摘          要     ";
        if (col == kDirection)
            return row == 0 ? "借" : row == 1 ? "或" : "贷";
        for (size_t group = 0; group < kGroupColumns.size(); ++group) {
            const int first = kGroupColumns[group];
            if (col < first || col > first + 2)
                continue;
            if (row == 0 && col == first)
                return std::string(quantityGroupCaptions()[group]);
            if (row == 1)
                return std::string(quantityTripleCaptions(m_kind)[static_cast<size_t>(col - first)]);
        }
        return {};
    }
    if (area == area::kHead) {
        if (row == 0 && col == 0)
            return "帐户名：" + m_namePath;
        if (row == 0 && col == kUnitCell)
            return std::string(quantityUnitLabel(m_kind)) + m_unitName;
        if (row == 1 && col == 0)
            return "帐户号：" + m_shownCode;
        if (row == 1 && col == kPeriodCell)
            return periodTitle();
        if (row == 1 && col == kPageCell && isPrinting())
            return ledgerPageText(drawingPageNumber());
    }
    return {};
}

CellInfo CKszwzb3::GetCellInfo(int row, int col, std::string_view area, bool)
{
    CellInfo info;
    info.text = displayedText(row, col, area);
    info.spec = kCellSpec;
    info.maxLength = kCellLengthLimit;
    return info;
}

void CKszwzb3::SetCellValue(int row, int col, std::string_view area, const std::string& text)
{
    if (area != area::kText || m_printRowsPerPage > 0 || row < 0 || row >= static_cast<int>(m_rows.size())
        || col < 0 || col >= kQuantityColumns)
        return;
    m_rows[static_cast<size_t>(row)].cells[static_cast<size_t>(col)] = text;
}

bool CKszwzb3::CanEditCell(int, int, std::string_view)
{
    return false;
}

void CKszwzb3::DrawCell(QPainter& dc, int row, int col, std::string_view area)
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
    if (area != area::kText || col < 0 || col >= kQuantityColumns)
        return;
    if (col == kSummary) {
        // A spaced-out label wider than a narrow column ("期 初 余 额 汇 总") closes up rather
        // than lose its last characters.
        dc.setFont(areaFont(kBodyFont));
        const int padding = std::max(3, dc.fontMetrics().horizontalAdvance(QLatin1Char('T')) * 2 / 3);
        const int available = GetColumnEdge(col + 1) - GetColumnEdge(col) - 2 * padding;
        QString shown = qtText(text);
        if (dc.fontMetrics().horizontalAdvance(shown) > available)
            shown.remove(QLatin1Char(' '));
        DrawCellText(row, col, dc, shown.toStdString(), "LEFT", area);
        return;
    }
    if (col >= kDebitQuantity && col != kDirection) {
        DrawCellText(row, col, dc, text, "RIGHT", area);
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

void CKszwzb3::DrawHeadings(QPainter& dc)
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

void CKszwzb3::DrawGrid(QPainter& dc)
{
    if (columnCount() != kQuantityColumns) {
        CKsFormView::DrawGrid(dc);
        return;
    }
    const int top = GetRowTop(0, area::kFormHead);
    const int rowHeight = GetRowTop(1, area::kFormHead) - top;
    const int textTop = GetRowTop(drawingFirstRow(), area::kText);
    const int bottom = GetRowTop(0, area::kFoot); // no footer rows: the table ends at the foot line
    const int left = GetColumnEdge(0);
    const int right = GetColumnEdge(kQuantityColumns);
    const int groupLine = top + rowHeight;
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
    // The year stands over 月 and 日 and each group caption over its triple: a rule under them,
    // and the rules inside them only below it.
    dc.drawLine(left, groupLine, GetColumnEdge(kNumber), groupLine);
    for (int first : kGroupColumns)
        dc.drawLine(GetColumnEdge(first), groupLine, GetColumnEdge(first + 3), groupLine);
    for (int c = 1; c < kQuantityColumns; ++c) {
        const bool inside = c == kDay || (isGroupColumn(c) && isGroupColumn(c - 1)
                                          && std::find(kGroupColumns.begin(), kGroupColumns.end(), c)
                                                 == kGroupColumns.end());
        dc.drawLine(GetColumnEdge(c), inside ? groupLine : top, GetColumnEdge(c), bottom);
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

    drawColumnHeader(dc);
}

void CKszwzb3::drawColumnHeader(QPainter& dc)
{
    const int top = GetRowTop(0, area::kFormHead);
    const int rowHeight = GetRowTop(1, area::kFormHead) - top;
    dc.setFont(areaFont(kBodyFont));
    const QFontMetrics metrics = dc.fontMetrics();
    // A text centred between two column rules, its middle at y. A caption spaced wider than its
    // columns (a narrow paper) keeps its characters spread over them instead: never cut, and
    // never over the next caption.
    const int padding = metrics.horizontalAdvance(QLatin1Char(' ')) / 2;
    auto centred = [&](std::string_view text, int firstColumn, int lastColumn, int middle) {
        const QString shown = qtText(text);
        const int x0 = GetColumnEdge(firstColumn);
        const int x1 = GetColumnEdge(lastColumn + 1);
        const int y = middle - metrics.height() / 2;
        const int width = metrics.horizontalAdvance(shown);
        const QStringList parts = shown.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (width <= x1 - x0 - 2 * padding || parts.size() < 2) {
            DrawAreaText(dc, (x0 + x1 - width) / 2, y, shown, area::kFormHead);
            return;
        }
        int inked = 0;
        for (const QString& part : parts)
            inked += metrics.horizontalAdvance(part);
        const int gap = std::max(0, (x1 - x0 - 2 * padding - inked) / static_cast<int>(parts.size() - 1));
        int x = (x0 + x1 - inked - gap * static_cast<int>(parts.size() - 1)) / 2;
        for (const QString& part : parts) {
            DrawAreaText(dc, x, y, part, area::kFormHead);
            x += metrics.horizontalAdvance(part) + gap;
        }
    };
    auto rowMiddle = [&](double row) { return top + static_cast<int>(std::lround((row + 0.5) * rowHeight)); };
    // Stacked 借 and 贷 move a little towards 或.
    const int nudge = rowHeight / 6;

    // The year over 月 and 日, whole (not shortened); 月, 日 and 号码 in the lower two lines.
    centred(yearHeader(m_period.year), kMonth, kDay, rowMiddle(0));
    centred("月", kMonth, kMonth, rowMiddle(1.5));
    centred("日", kDay, kDay, rowMiddle(1.5));
    centred("凭证", kNumber, kNumber, rowMiddle(0));
    centred("号码", kNumber, kNumber, rowMiddle(1.5));
    centred("摘          要     ", kSummary, kSummary, rowMiddle(1));
    // Each group's caption over its triple, the triple's captions in the two lines below.
    const std::array<std::string_view, 3> groups = quantityGroupCaptions();
    const std::array<std::string_view, 3> captions = quantityTripleCaptions(m_kind);
    for (size_t g = 0; g < kGroupColumns.size(); ++g) {
        const int first = kGroupColumns[g];
        centred(groups[g], first, first + 2, rowMiddle(0));
        for (int i = 0; i < 3; ++i)
            centred(captions[static_cast<size_t>(i)], first + i, first + i, rowMiddle(1.5));
    }
    centred("借", kDirection, kDirection, rowMiddle(0) + nudge);
    centred("或", kDirection, kDirection, rowMiddle(1));
    centred("贷", kDirection, kDirection, rowMiddle(2) - nudge);
}

} // namespace kszw
