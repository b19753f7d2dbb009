// The statement view: calculating a statement, the condition dialog behind Open, and drawing the
// page as a statement is filed — the ruled table stops under its last line and the check and
// signature lines follow right under it.
#include "reports/ui/report_view.h"

#include "common/clock.h"
#include "common/command_ids.h"
#include "common/prompt.h"
#include "common/ui/qt_text.h"
#include "formview/ui/font_mapping.h"
#include "formview/view_kinds.h"
#include "ledger/ledger_conventions.h"
#include "ledger/ui/balance_view.h"
#include "reports/ui/report_condition_dialog.h"
#include "session/kszw_env.h"
#include "store/database.h"
#include "store/database_error.h"
#include "store/error_messages.h"

#include <QGuiApplication>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QToolTip>

#include <algorithm>
#include <cmath>
#include <filesystem>

namespace kszw {

namespace {

constexpr int kHeadRows = 2;
constexpr int kFormHeadRows = 1;
// Columns in body characters: an item column fits "　　非流动资产合计" and "负债和所有者权益总计",
// 行次 its header, an amount column "-1,234,567.89".
const std::vector<int> kTwoHalfWidths = {17, 5, 13, 13, 19, 5, 13, 13};
const std::vector<int> kOneHalfWidths = {34, 5, 18, 18};
// Head lines: the form code at the right of the first; 编制单位, the period and 单位：元 on the second.
const std::vector<CellSpan> kHeadFormCode = {{800, 20}};
const std::vector<CellSpan> kHeadUnitPeriodCurrency = {{0, 40}, {400, 24}, {800, 12}};
// Foot lines: the balance check across the page; the three signatures.
const std::vector<CellSpan> kFootCheck = {{0, 80}};
const std::vector<CellSpan> kFootSignatures = {{0, 24}, {380, 24}, {720, 24}};
// The body font of the A4 page: 9 points (小五), as statements are printed.
constexpr int kStatementBodyHeight = -12;
constexpr int kHitTolerance = 3;

class WaitCursor {
public:
    WaitCursor() { QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
    ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

int textPadding(const QFontMetrics& metrics)
{
    return std::max(3, metrics.horizontalAdvance(QLatin1Char('T')) * 2 / 3);
}

// The font narrowed, then made smaller, until the text fits the width (a statement's item or
// amount is never cut short on paper).
// The font made smaller by 7% at a time, at most steps times, until the text fits the width.
QFont shrunk(QFont font, const QString& text, int width, const QPaintDevice* device, int steps)
{
    for (int step = 0; step < steps && QFontMetrics(font, device).horizontalAdvance(text) > width; ++step) {
        if (font.pointSizeF() > 0)
            font.setPointSizeF(font.pointSizeF() * 0.93);
        else
            font.setPixelSize(std::max(1, font.pixelSize() * 93 / 100));
    }
    return font;
}

QFont fitted(QFont font, const QString& text, int width, const QPaintDevice* device)
{
    if (width <= 0)
        return font;
    const int natural = QFontMetrics(font, device).horizontalAdvance(text);
    if (natural <= width)
        return font;
    font.setStretch(std::max(60, 100 * width / std::max(1, natural)));
    return shrunk(font, text, width, device, 20);
}

} // namespace

PageSettings statementPage()
{
    PageSettings page = defaultPageSettings();
    page.pageWidth = 2100;
    page.pageLength = 2970;
    return page;
}

ViewSettings statementSettings(const ViewSettings& loaded)
{
    ViewSettings settings = loaded;
    if (settings.page == defaultPageSettings())
        settings.page = statementPage();
    if (settings.fonts == defaultFonts())
        settings.fonts[kBodyFont].height = kStatementBodyHeight;
    return settings;
}


// ---- the view ----

CKszwReportView::CKszwReportView(CKszwEnv& env, const Clock& clock, QWidget* parent)
    : CKsFormView(parent), m_env(env), m_clock(clock)
{
    setClock(clock);
    setWindowTitle(QStringLiteral("财务报表"));
    setSettingsKey(SettingsKey{&m_env.db(), viewFlag(ViewKind::FinancialReport), std::string(kDefaultFieldMode)});
    useStatementPage();
    runDialog = [](CReportConditionDlg& dialog) { return dialog.exec(); };
}

void CKszwReportView::useStatementPage()
{
    const ViewSettings wanted = statementSettings(viewSettings());
    if (!(wanted == viewSettings()))
        setViewSettings(wanted);
}

bool CKszwReportView::setConditions(int reportNumber, int month)
{
    std::vector<ReportDefinition> reports;
    try {
        reports = loadReports(m_env.db());
    } catch (const DatabaseError& error) {
        prompt().warn(userMessage(error, m_env.db().path()));
        return false;
    }
    for (const ReportDefinition& definition : reports)
        if (definition.number == reportNumber)
            return setReport(definition, month);
    prompt().warn("报表不存在，请重新选择！");
    return false;
}

bool CKszwReportView::setReport(const ReportDefinition& definition, int month)
{
    return calculate(definition, month);
}

bool CKszwReportView::recalculate()
{
    if (!m_result)
        return false;
    return setConditions(m_result->definition.number, m_result->month);
}

bool CKszwReportView::calculate(const ReportDefinition& definition, int month)
{
    if (!isInitialized())
        initialUpdate();
    // Each statement keeps its own print settings (its columns differ), under its number; a
    // statement nobody has set a page up for prints on A4 upright.
    const std::string mode = std::to_string(definition.number);
    if (settingsKey().fieldMode != mode || settingsKey().db != &m_env.db())
        setSettingsKey(SettingsKey{&m_env.db(), viewFlag(ViewKind::FinancialReport), mode});
    useStatementPage();
    ReportResult result;
    {
        const WaitCursor wait;
        try {
            const AccountingCalendar calendar = yearCalendar(m_env.db());
            const std::string fileName = std::filesystem::path(m_env.filePath()).filename().string();
            result = calculateReport(m_env.db(), calendar, fileName, definition, month, m_env.unitName());
        } catch (const DatabaseError& error) {
            prompt().warn(userMessage(error, m_env.db().path()));
            return false;
        }
    }
    m_table = reportTable(result);
    m_result = std::move(result);
    setWindowTitle(qtText(m_result->definition.name));
    applyLayout();
    setModified(false);
    scrollToRow(0);
    horizontalScrollBar()->setValue(0);
    SetCurrentCell(0, 0, 0, area::kText);
    viewport()->update();
    return true;
}

void CKszwReportView::applyLayout()
{
    const int rows = std::max(1, static_cast<int>(m_table.rows.size()));
    const int checkRows = static_cast<int>(checkLines().size());
    SetAreaRows(rows, kFormHeadRows, 0, kHeadRows, checkRows + 1);
    SetAreaCells(area::kHead, 0, kHeadFormCode);
    SetAreaCells(area::kHead, 1, kHeadUnitPeriodCurrency);
    for (int row = 0; row < checkRows; ++row)
        SetAreaCells(area::kFoot, row, kFootCheck);
    SetAreaCells(area::kFoot, checkRows, kFootSignatures);
    // The columns change with the statement; widths the user stored keep their place.
    std::vector<int> widths = twoHalves() ? kTwoHalfWidths : kOneHalfWidths;
    const std::vector<int>& stored = viewSettings().columnWidths;
    for (size_t i = 0; i < widths.size() && i < stored.size(); ++i)
        if (stored[i] > 0)
            widths[i] = stored[i];
    SetTextColumns(widths);
}

bool CKszwReportView::openConditions()
{
    const AccountingCalendar calendar = [this] {
        try {
            return yearCalendar(m_env.db());
        } catch (const DatabaseError&) {
            return AccountingCalendar(m_env.year(), m_env.yearStart(), m_env.yearEnd(), m_env.monthEndCode());
        }
    }();
    CReportConditionDlg dialog(m_env.db(), prompt(), m_clock, calendar, reportNumber(), month(), this);
    if (runDialog(dialog) != QDialog::Accepted)
        return false;
    return setConditions(dialog.reportNumber(), dialog.month());
}

// ---- what is shown ----

bool CKszwReportView::twoHalves() const
{
    return m_result && m_result->definition.twoHalves;
}

int CKszwReportView::halfOf(int col) const
{
    return twoHalves() && col >= 4 ? 1 : 0;
}

int CKszwReportView::columnInHalf(int col) const
{
    return twoHalves() && col >= 4 ? col - 4 : col;
}

const ReportCell* CKszwReportView::cellAt(int row, int col) const
{
    if (!m_result || row < 0 || row >= static_cast<int>(m_table.lines.size()) || col < 0 || col >= columnCount())
        return nullptr;
    const int inHalf = columnInHalf(col);
    const int line = m_table.lines[static_cast<size_t>(row)][static_cast<size_t>(halfOf(col))];
    if (inHalf < 2 || line < 0 || line >= static_cast<int>(m_result->cells.size()))
        return nullptr;
    return &m_result->cells[static_cast<size_t>(line)][static_cast<size_t>(inHalf - 2)];
}

bool CKszwReportView::isFailedCell(int row, int col) const
{
    const ReportCell* cell = cellAt(row, col);
    return cell && cell->failed;
}

bool CKszwReportView::isBoldCell(int row, int col) const
{
    if (row < 0 || row >= static_cast<int>(m_table.bold.size()) || col < 0)
        return false;
    return m_table.bold[static_cast<size_t>(row)][static_cast<size_t>(halfOf(col))];
}

bool CKszwReportView::sharesMessageWithNext(int row, int col) const
{
    if (columnInHalf(col) != 2)
        return false;
    const ReportCell* cell = cellAt(row, col);
    const ReportCell* next = cellAt(row, col + 1);
    return cell && next && cell->failed && next->failed && cell->error == next->error;
}

bool CKszwReportView::coveredByNeighbour(int row, int col) const
{
    return columnInHalf(col) == 3 && sharesMessageWithNext(row, col - 1);
}

int CKszwReportView::checkFootRow() const
{
    return m_result && m_result->check.applies ? 0 : -1;
}

std::vector<std::string> CKszwReportView::checkLines() const
{
    // The check and each note on a line of its own, so that none runs off the page.
    std::vector<std::string> lines;
    if (!m_result || !m_result->check.applies)
        return lines;
    const std::string& text = m_result->check.text;
    const std::string separator = "；";
    size_t start = 0;
    for (size_t at = text.find(separator); at != std::string::npos; at = text.find(separator, start)) {
        lines.push_back(text.substr(start, at - start));
        start = at + separator.size();
    }
    lines.push_back(text.substr(start));
    return lines;
}

bool CKszwReportView::checkInRed() const
{
    return m_result && m_result->check.applies && !m_result->check.balanced;
}

std::string CKszwReportView::displayedText(int row, int col, std::string_view area) const
{
    if (area == area::kText) {
        if (row < 0 || row >= static_cast<int>(m_table.rows.size()))
            return {};
        const std::vector<std::string>& cells = m_table.rows[static_cast<size_t>(row)];
        return col >= 0 && col < static_cast<int>(cells.size()) ? cells[static_cast<size_t>(col)] : std::string();
    }
    if (area == area::kFormHead) {
        if (row != 0 || !m_result)
            return {};
        return col >= 0 && col < static_cast<int>(m_table.headers.size()) ? m_table.headers[static_cast<size_t>(col)]
                                                                           : std::string();
    }
    if (area == area::kHead) {
        if (!m_result)
            return {};
        if (row == 0 && col == 0)
            return m_result->definition.formCode;
        if (row == 1 && col == 0)
            return std::string(kStatementUnitHead) + m_result->unitName;
        if (row == 1 && col == 1)
            return m_result->periodText;
        if (row == 1 && col == 2)
            return std::string(kStatementCurrency);
        return {};
    }
    if (area == area::kFoot || area == area::kTail) {
        const std::vector<std::string> lines = checkLines();
        if (row >= 0 && row < static_cast<int>(lines.size()))
            return col == 0 ? lines[static_cast<size_t>(row)] : std::string();
        if (row == static_cast<int>(lines.size())) {
            const std::vector<std::string> texts = reportSignatureTexts(m_env.chiefAccountant(), m_env.operatorName());
            return col >= 0 && col < static_cast<int>(texts.size()) ? texts[static_cast<size_t>(col)] : std::string();
        }
    }
    return {};
}

// ---- commands and input ----

bool CKszwReportView::isCommandEnabled(int id) const
{
    switch (id) {
    case cmd::kFileOpen: return true;
    // A statement is calculated, never typed into.
    case cmd::kNewVoucher:
    case cmd::kFileNew:
    case cmd::kSave:
    case cmd::kDeleteRow:
    case cmd::kCut:
    case cmd::kPaste:
    case cmd::kUndo:
    case cmd::kRedo: return false;
    default: return CKsFormView::isCommandEnabled(id);
    }
}

bool CKszwReportView::runCommand(int id)
{
    switch (id) {
    case cmd::kFileOpen: openConditions(); return true;
    case cmd::kNewVoucher:
    case cmd::kFileNew:
    case cmd::kSave:
    case cmd::kDeleteRow:
    case cmd::kCut:
    case cmd::kPaste:
    case cmd::kUndo:
    case cmd::kRedo: return true;
    default: return CKsFormView::runCommand(id);
    }
}

void CKszwReportView::keyPressEvent(QKeyEvent* event)
{
    if ((event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier)) == Qt::ControlModifier
        && event->key() == Qt::Key_O) {
        openConditions();
        event->accept();
        return;
    }
    // Nothing is changed from the keyboard: no deleting, cutting, pasting or undoing.
    if (event->matches(QKeySequence::Cut) || event->matches(QKeySequence::Paste) ||
        event->matches(QKeySequence::Undo) || event->matches(QKeySequence::Redo) || event->key() == Qt::Key_Delete ||
        event->key() == Qt::Key_Backspace) {
        event->accept();
        return;
    }
    CKsFormView::keyPressEvent(event);
}

bool CKszwReportView::viewportEvent(QEvent* event)
{
    // The whole message of a failed cell, which the cell may show only in part.
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const int x = help->pos().x() + horizontalScrollBar()->value();
        const HitResult hit =
            screenGeometry().hitTest(x, help->pos().y(), firstVisibleRow(), textRowCount(), kHitTolerance);
        if (hit.area == area::kText && isFailedCell(hit.row, hit.col)) {
            QToolTip::showText(help->globalPos(), qtText(cellAt(hit.row, hit.col)->error), viewport());
        } else if (hit.area == area::kText && coveredByNeighbour(hit.row, hit.col)) {
            QToolTip::showText(help->globalPos(), qtText(cellAt(hit.row, hit.col - 1)->error), viewport());
        } else {
            QToolTip::hideText();
            event->ignore();
        }
        return true;
    }
    return CKsFormView::viewportEvent(event);
}

// ---- the form view's contract ----

void CKszwReportView::InitFormLayout()
{
    m_editable = 0;
    setRuleExtent(0);
    applyLayout();
    QMenu* menu = formMenu();
    for (QAction* action : menu->actions()) {
        const int id = action->data().toInt();
        if (id == cmd::kNewVoucher || id == cmd::kSave || id == cmd::kCut || id == cmd::kPaste)
            action->setVisible(false);
    }
}

void CKszwReportView::OnRowsAdded(int) {}

CellInfo CKszwReportView::GetCellInfo(int row, int col, std::string_view area, bool)
{
    CellInfo info;
    info.text = displayedText(row, col, area);
    info.maxLength = 0;
    return info;
}

void CKszwReportView::SetCellValue(int, int, std::string_view, const std::string&) {}

bool CKszwReportView::CanEditCell(int, int, std::string_view)
{
    return false;
}

bool CKszwReportView::IsRowAppendAllowed()
{
    return false;
}

int CKszwReportView::GetPageRows(bool printing) const
{
    const int rows = CKsFormView::GetPageRows(printing);
    if (printing && rows >= textRowCount())
        return textRowCount();
    return rows;
}

int CKszwReportView::rowsOnDrawnPage() const
{
    const int first = drawingFirstRow();
    const int rowHeight = GetRowTop(1, area::kFormHead) - GetRowTop(0, area::kFormHead);
    const int pageRows = rowHeight > 0 ? (GetRowTop(0, area::kFormFoot) - GetRowTop(first, area::kText)) / rowHeight : 0;
    return std::clamp(textRowCount() - first, 0, std::max(0, pageRows));
}

int CKszwReportView::tableBottom() const
{
    return GetRowTop(drawingFirstRow() + rowsOnDrawnPage(), area::kText);
}

void CKszwReportView::DrawHeadings(QPainter& dc)
{
    if (m_result)
        drawBalanceTableTitle(*this, dc, m_result->definition.name);
}

void CKszwReportView::DrawGrid(QPainter& dc)
{
    const int n = columnCount();
    if (n < 1)
        return;
    const int top = GetRowTop(0, area::kFormHead);
    const int textTop = GetRowTop(drawingFirstRow(), area::kText);
    const int rowHeight = GetRowTop(1, area::kFormHead) - top;
    const int bottom = tableBottom();
    const int left = GetColumnEdge(0);
    const int right = GetColumnEdge(n);
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
        for (int y = textTop + rowHeight; y < bottom; y += rowHeight)
            dc.drawLine(left, y, right, y);
    for (int c = 1; c < n; ++c)
        if (!(twoHalves() && c == 4))
            dc.drawLine(GetColumnEdge(c), top, GetColumnEdge(c), bottom);
    QPen box(toQColor(page.outBox), ruleWidth);
    box.setCapStyle(Qt::FlatCap);
    dc.setPen(box);
    dc.drawLine(left, textTop, right, textTop);
    // The two halves of a balance sheet are parted by a rule as strong as the frame's inner one.
    if (twoHalves() && n > 4)
        dc.drawLine(GetColumnEdge(4), top, GetColumnEdge(4), bottom);
    QPen frame(toQColor(page.outBox), frameWidth);
    frame.setJoinStyle(Qt::MiterJoin);
    dc.setPen(frame);
    dc.setBrush(Qt::NoBrush);
    dc.drawRect(QRect(left, top, right - left, bottom - top));
    dc.restore();

    for (int col = 0; col < n; ++col)
        DrawCell(dc, 0, col, area::kFormHead);
}

void CKszwReportView::DrawCell(QPainter& dc, int row, int col, std::string_view area)
{
    if (area == area::kHead) {
        drawHeadCell(dc, row, col);
        return;
    }
    if (area == area::kFoot || area == area::kTail) {
        drawFootCell(dc, row, col);
        return;
    }
    if (area == area::kFormHead) {
        DrawCellText(row, col, dc, displayedText(row, col, area), "MID", area);
        return;
    }
    if (area == area::kText)
        drawBodyCell(dc, row, col);
}

void CKszwReportView::drawBodyCell(QPainter& dc, int row, int col)
{
    const int inHalf = columnInHalf(col);
    const bool failed = isFailedCell(row, col);
    const char* align = failed || inHalf == 0 ? "LEFT" : inHalf == 1 ? "MID" : "RIGHT";
    // The cell's background and its alignment for the caret, as every cell has them.
    DrawCellText(row, col, dc, std::string_view(), align, area::kText);
    if (coveredByNeighbour(row, col))
        return; // the message of the cell before it runs over this one
    const std::string text = displayedText(row, col, area::kText);
    if (text.empty())
        return;
    int left = GetColumnEdge(col);
    int right = GetColumnEdge(col + 1);
    if (failed && sharesMessageWithNext(row, col))
        right = GetColumnEdge(col + 2);
    const int top = GetRowTop(row, area::kText);
    const int height = GetRowTop(row + 1, area::kText) - top;

    QFont font = areaFont(kBodyFont);
    font.setBold(isBoldCell(row, col));
    QString shown = qtText(text);
    const int pad = textPadding(QFontMetrics(font, dc.device()));
    const int width = right - left - 2 * pad;
    if (failed) {
        // Paper has no tool tip: a message too long for its place is written smaller, down to
        // about half the size, and only then ends in "…" (the tool tip shows all of it).
        font = shrunk(font, shown, width, dc.device(), 9);
        shown = QFontMetrics(font, dc.device()).elidedText(shown, Qt::ElideRight, width);
    } else {
        font = fitted(font, shown, width, dc.device());
    }
    dc.save();
    dc.setFont(font);
    const QFontMetrics metrics = dc.fontMetrics();
    dc.setPen(failed ? QColor(Qt::red) : toQColor(viewSettings().page.textColor));
    int x = left + pad;
    if (!failed && inHalf >= 2)
        x = right - pad - metrics.horizontalAdvance(shown);
    else if (!failed && inHalf == 1)
        x = (left + right - metrics.horizontalAdvance(shown)) / 2;
    dc.drawText(x, top + (height - metrics.height()) / 2 + metrics.ascent(), shown);
    dc.restore();
}

void CKszwReportView::drawHeadCell(QPainter& dc, int row, int col)
{
    const std::string text = displayedText(row, col, area::kHead);
    if (text.empty())
        return;
    const QString shown = qtText(text);
    const QFontMetrics metrics(areaFont(kHeadFont), dc.device());
    const int left = GetColumnEdge(0);
    const int right = GetColumnEdge(columnCount());
    const int width = metrics.horizontalAdvance(shown);
    int x = left;
    if ((row == 0 && col == 0) || (row == 1 && col == 2))
        x = right - width;
    else if (row == 1 && col == 1)
        x = (left + right - width) / 2;
    DrawAreaText(dc, x, GetRowTop(row, area::kHead), shown, area::kHead);
}

void CKszwReportView::drawFootCell(QPainter& dc, int row, int col)
{
    const std::string text = displayedText(row, col, area::kFoot);
    if (text.empty())
        return;
    const QString shown = qtText(text);
    const int left = GetColumnEdge(0);
    const int right = GetColumnEdge(columnCount());
    const std::vector<CellSpan>& cells = formLayout().footCells[static_cast<size_t>(row)];
    const int x = left + (right - left) * cells[static_cast<size_t>(col)].pos / 1000;
    const int footHeight = GetRowTop(1, area::kFoot) - GetRowTop(0, area::kFoot);
    // The foot lines follow the table's last row on the page, a little apart from it.
    const int y = tableBottom() + footHeight / 4 + row * footHeight;
    if (row < static_cast<int>(checkLines().size()) && checkInRed()) {
        dc.save();
        dc.setFont(areaFont(kFootFont));
        dc.setPen(QColor(Qt::red));
        dc.drawText(x, y + dc.fontMetrics().ascent(), shown);
        dc.restore();
        return;
    }
    DrawAreaText(dc, x, y, shown, area::kFoot);
}

// ---- export ----

ExportTable CKszwReportView::exportTable()
{
    ExportTable table;
    const int n = columnCount();
    table.columnWidths = formLayout().columnWidths;
    if (!m_result)
        return table;
    table.title = m_result->definition.name;
    ExportRow formCode(static_cast<size_t>(n));
    formCode.back() = textCell(m_result->definition.formCode, ExportAlign::Right);
    table.headLines.push_back(formCode);
    ExportRow unit(static_cast<size_t>(n));
    unit.front() = textCell(displayedText(1, 0, area::kHead));
    unit[static_cast<size_t>(n / 2)] = textCell(m_result->periodText, ExportAlign::Center);
    unit.back() = textCell(kStatementCurrency, ExportAlign::Right);
    table.headLines.push_back(unit);
    ExportRow headers;
    for (const std::string& header : m_table.headers)
        headers.push_back(textCell(header, ExportAlign::Center));
    table.headerRows.push_back(headers);
    for (int row = 0; row < static_cast<int>(m_table.rows.size()); ++row) {
        ExportRow cells;
        for (int col = 0; col < n; ++col) {
            const std::string text = displayedText(row, col, area::kText);
            const int inHalf = columnInHalf(col);
            if (inHalf >= 2 && !isFailedCell(row, col))
                cells.push_back(figureCell(text));
            else
                cells.push_back(textCell(text, inHalf == 1 ? ExportAlign::Center : ExportAlign::Left));
        }
        table.rows.push_back(cells);
    }
    for (int row = 0; row < formLayout().footRows; ++row) {
        ExportRow line;
        for (int col = 0; col < formLayout().cellCount(area::kFoot, row); ++col)
            line.push_back(textCell(displayedText(row, col, area::kFoot)));
        table.footLines.push_back(line);
    }
    return table;
}

} // namespace kszw
