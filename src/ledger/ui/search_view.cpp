// The fuzzy query view: running a query and replacing the listing, the condition dialog behind
// Open, opening a line's voucher, editing the listing shown, and drawing the page — title, the
// condition text over one or two head lines and the three-line column header.
#include "ledger/ui/search_view.h"

#include "common/clock.h"
#include "common/command_ids.h"
#include "common/prompt.h"
#include "common/text.h"
#include "common/ui/qt_text.h"
#include "formview/print_settings.h"
#include "formview/ui/font_mapping.h"
#include "formview/ui/form_printer.h"
#include "formview/view_kinds.h"
#include "ledger/ui/search_condition_dialog.h"
#include "session/kszw_env.h"
#include "store/database.h"
#include "store/database_error.h"
#include "store/error_messages.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <array>
#include <cmath>

namespace kszw {

namespace {

constexpr int kInitialRows = 20;
constexpr int kFormHeadRows = 3;
constexpr int kHeadRows = 2;
constexpr std::array<int, kSearchColumns> kWidths = {3, 3, 4, 30, 35, 2, 12};
constexpr std::array<std::string_view, kSearchColumns> kAlignments = {"MID", "MID", "MID", "LEFT",
                                                                     "LEFT", "MID", "RIGHT"};
// The columns whose short texts are drawn whole: 月, 日, 凭证号码, 借或贷.
constexpr std::array<bool, kSearchColumns> kWholeColumns = {true, true, true, false, false, true, false};
constexpr const char* kCellSpec = "STRING NOT |[]'\"";
constexpr int kCellLengthLimit = 60;
constexpr int kVoucherColumn = 2;
constexpr int kDirectionColumn = 5;
constexpr int kHitTolerance = 3;

// The head: the condition text at 10 on the first line (its rest, when it is too long, on the
// second), the page at 860 on the second (thousandths of the width; widths in characters).
const std::vector<CellSpan> kConditionLine = {{10, 96}};
const std::vector<CellSpan> kPageLine = {{10, 80}, {860, 16}};
constexpr int kPageCell = 1;
// The page text begins at 860 of the width: a condition's second line printed ends before it.
constexpr double kPagedLineShare = 0.84;

struct HeaderText {
    int row;
    int col;
    std::string_view text;
};
constexpr std::array<HeaderText, 10> kHeaderTexts = {{
    {2, 0, "月"},
    {2, 1, "日"},
    {0, 2, "凭证"},
    {2, 2, "号码"},
    {1, 3, "科          目     "},
    {1, 4, "摘          要     "},
    {0, 5, "借"},
    {1, 5, "或"},
    {2, 5, "贷"},
    {1, 6, "金     额"},
}};

std::string yearHeader(int year)
{
    return format("%4d年", year);
}

bool onlyControl(const QKeyEvent* event)
{
    return (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier)) == Qt::ControlModifier;
}

struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

} // namespace

CKszwzb7::CKszwzb7(CKszwEnv& env, const Clock& clock, QWidget* parent) : CKsFormView(parent), m_env(env)
{
    setClock(clock);
    setWindowTitle(qtText(kSearchDocumentTitle));
    setSettingsKey(SettingsKey{&m_env.db(), viewFlag(ViewKind::FuzzyQuery), std::string(kDefaultFieldMode)});
}

// ---- the query ----

bool CKszwzb7::setConditions(const SearchConditions& conditions)
{
    if (!isInitialized())
        initialUpdate();
    SearchOutcome outcome;
    {
        WaitCursor wait;
        try {
            outcome = runLedgerSearch(m_env.db(), m_env.year(), conditions);
        } catch (const DatabaseError& error) {
            prompt().warn(userMessage(error, m_env.db().path()));
            return false;
        }
    }
    if (outcome.refusal) {
        prompt().warn(outcome.refusal->message);
        return false;
    }
    m_conditions = conditions;
    m_conditionText = std::move(outcome.listing.conditionText);
    m_conditionParts = std::move(outcome.listing.conditionParts);
    m_rows = std::move(outcome.listing.rows);
    m_found = outcome.listing.found;
    applyLayout();
    scrollToRow(0);
    horizontalScrollBar()->setValue(0);
    SetCurrentCell(0, 0, 0, area::kText);
    setModified(false);
    viewport()->update();
    return true;
}

bool CKszwzb7::chooseConditions()
{
    CSearchConditionDlg dialog(m_env, prompt(), m_conditions, this);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    return setConditions(dialog.conditions());
}

void CKszwzb7::applyLayout()
{
    SetAreaRows(m_rows.empty() ? kInitialRows : static_cast<int>(m_rows.size()), kFormHeadRows, 0, kHeadRows, 0);
    SetAreaCells(area::kHead, 0, kConditionLine);
    SetAreaCells(area::kHead, 1, kPageLine);
}

// ---- commands ----

bool CKszwzb7::isVoucherLineAt(int row) const
{
    return row >= 0 && row < static_cast<int>(m_rows.size()) && isVoucherLine(m_rows[static_cast<size_t>(row)]);
}

bool CKszwzb7::openVoucherAt(int row)
{
    if (!m_openVoucher || !isVoucherLineAt(row))
        return false;
    const SearchRow& line = m_rows[static_cast<size_t>(row)];
    m_openVoucher(VoucherKey{line.date, line.number});
    setWindowTitle(qtText(kSearchDocumentTitle));
    return true;
}

int CKszwzb7::commandRow() const
{
    if (m_menuRow >= 0)
        return m_menuRow;
    return currentCell().area == area::kText ? currentCell().row : -1;
}

bool CKszwzb7::isCommandEnabled(int id) const
{
    switch (id) {
    case kQueryVoucherCommand: return static_cast<bool>(m_openVoucher) && isVoucherLineAt(commandRow());
    case cmd::kFileOpen: return true;
    // Nothing is made or saved here.
    case cmd::kSave:
    case cmd::kNewVoucher:
    case cmd::kFileNew: return false;
    default: return CKsFormView::isCommandEnabled(id);
    }
}

bool CKszwzb7::runCommand(int id)
{
    switch (id) {
    case kQueryVoucherCommand: openVoucherAt(commandRow()); return true;
    case cmd::kFileOpen: chooseConditions(); return true;
    case cmd::kSave:
    case cmd::kNewVoucher:
    case cmd::kFileNew: return false;
    default: return CKsFormView::runCommand(id);
    }
}

QAction* CKszwzb7::menuAction(int id) const
{
    for (QAction* action : formMenu()->actions())
        if (!action->isSeparator() && action->data().toInt() == id)
            return action;
    return nullptr;
}

bool CKszwzb7::exportPdf(const QString& file)
{
    return exportViewToPdf(*this, file, prompt());
}

// ---- input ----

int CKszwzb7::rowAt(const QPoint& point) const
{
    const int x = point.x() + horizontalScrollBar()->value();
    const HitResult hit = screenGeometry().hitTest(x, point.y(), firstVisibleRow(), textRowCount(), kHitTolerance);
    if (hit.area == area::kText || hit.area == area::kTextLeft || hit.area == area::kColumnRule)
        return hit.row;
    return -1;
}

bool CKszwzb7::event(QEvent* event)
{
    if (event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (onlyControl(key) && key->key() == Qt::Key_W) {
            event->accept();
            return true;
        }
    }
    return CKsFormView::event(event);
}

void CKszwzb7::keyPressEvent(QKeyEvent* event)
{
    if (onlyControl(event) && event->key() == Qt::Key_W) {
        if (currentCell().area == area::kText)
            openVoucherAt(currentCell().row);
        event->accept();
        return;
    }
    if (onlyControl(event) && event->key() == Qt::Key_O) {
        runCommand(cmd::kFileOpen);
        event->accept();
        return;
    }
    CKsFormView::keyPressEvent(event);
}

void CKszwzb7::mouseDoubleClickEvent(QMouseEvent* event)
{
    CKsFormView::mouseDoubleClickEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    const int row = rowAt(event->position().toPoint());
    if (row >= 0)
        openVoucherAt(row);
}

void CKszwzb7::contextMenuEvent(QContextMenuEvent* event)
{
    // The menu concerns the row under the mouse; opened from the keyboard, the current row.
    if (event->reason() == QContextMenuEvent::Mouse)
        m_menuRow = rowAt(event->pos());
    else
        m_menuRow = currentCell().area == area::kText ? currentCell().row : -1;
    if (QAction* action = menuAction(kQueryVoucherCommand))
        action->setEnabled(isCommandEnabled(kQueryVoucherCommand));
    CKsFormView::contextMenuEvent(event);
    m_menuRow = -1;
}

// ---- the form view's contract ----

void CKszwzb7::InitFormLayout()
{
    m_editable = 1;
    setRuleExtent(1);
    applyLayout();
    SetTextColumns(std::vector<int>(kWidths.begin(), kWidths.end()));

    QMenu* menu = formMenu();
    for (QAction* action : menu->actions())
        if (action->data().toInt() == cmd::kNewVoucher || action->data().toInt() == cmd::kSave)
            action->setVisible(false);
    menu->addSeparator();
    QAction* query = menu->addAction(QStringLiteral("查询凭证(&W)\tCtrl+W"));
    query->setData(kQueryVoucherCommand);
    connect(query, &QAction::triggered, this, [this] { runCommand(kQueryVoucherCommand); });
}

void CKszwzb7::OnRowsAdded(int count)
{
    if (count > 0)
        m_rows.resize(m_rows.size() + static_cast<size_t>(count));
    else
        m_rows.resize(m_rows.size() - std::min(m_rows.size(), static_cast<size_t>(-count)));
}

std::string CKszwzb7::displayedText(int row, int col, std::string_view area) const
{
    if (area == area::kText) {
        if (row < 0 || row >= static_cast<int>(m_rows.size()) || col < 0 || col >= kSearchColumns)
            return {};
        return m_rows[static_cast<size_t>(row)].cells[static_cast<size_t>(col)];
    }
    if (area == area::kFormHead) {
        if (row == 0 && col == 0)
            return yearHeader(m_env.year());
        for (const HeaderText& header : kHeaderTexts)
            if (header.row == row && header.col == col)
                return std::string(header.text);
        return {};
    }
    if (area == area::kHead) {
        if (row == 0 && col == 0)
            return m_conditionText;
        if (row == 1 && col == kPageCell && isPrinting())
            return searchPageText(drawingPageNumber());
    }
    return {};
}

std::pair<std::string, std::string> CKszwzb7::conditionLines(const QFontMetrics& metrics, int firstWidth) const
{
    if (metrics.horizontalAdvance(qtText(m_conditionText)) <= firstWidth || m_conditionParts.size() < 2)
        return {m_conditionText, std::string()};
    // As many parts as fit on the first line (at least one); the rest, its blanks in front
    // dropped, on the second.
    std::string first = m_conditionParts.front();
    size_t next = 1;
    for (; next < m_conditionParts.size(); ++next) {
        const std::string longer = first + m_conditionParts[next];
        if (metrics.horizontalAdvance(qtText(longer)) > firstWidth)
            break;
        first = longer;
    }
    std::string rest;
    for (size_t i = next; i < m_conditionParts.size(); ++i)
        rest += m_conditionParts[i];
    return {first, trimLeft(rest)};
}

CellInfo CKszwzb7::GetCellInfo(int row, int col, std::string_view area, bool)
{
    CellInfo info;
    info.text = displayedText(row, col, area);
    info.spec = kCellSpec;
    info.maxLength = kCellLengthLimit;
    return info;
}

void CKszwzb7::SetCellValue(int row, int col, std::string_view area, const std::string& text)
{
    if (area != area::kText || row < 0 || row >= static_cast<int>(m_rows.size()) || col < 0 || col >= kSearchColumns)
        return;
    m_rows[static_cast<size_t>(row)].cells[static_cast<size_t>(col)] = text;
}

bool CKszwzb7::CanEditCell(int row, int col, std::string_view area)
{
    // The listing shown may be worded for the paper; the file is never written.
    return area == area::kText && row >= 0 && row < static_cast<int>(m_rows.size()) && col >= 0
           && col < kSearchColumns;
}

bool CKszwzb7::IsRowAppendAllowed()
{
    return false;
}

// ---- drawing ----

void CKszwzb7::drawConditionLine(QPainter& dc, int row)
{
    dc.setFont(areaFont(kHeadFont));
    const int tableWidth = GetColumnEdge(columnCount()) - GetColumnEdge(0);
    // The head's cell begins a hundredth of the width in.
    const std::pair<std::string, std::string> lines = conditionLines(dc.fontMetrics(), tableWidth * 99 / 100);
    std::string text = row == 0 ? lines.first : lines.second;
    if (row == 1 && isPrinting()) {
        // The second line ends before the page text.
        const QString shown = qtText(text);
        const int room = static_cast<int>(tableWidth * kPagedLineShare);
        text = dc.fontMetrics().elidedText(shown, Qt::ElideRight, room).toStdString();
    }
    DrawCellText(row, 0, dc, text, "NOCUT", area::kHead, true);
}

void CKszwzb7::DrawCell(QPainter& dc, int row, int col, std::string_view area)
{
    if (area == area::kHead) {
        if (col == 0 && (row == 0 || row == 1)) {
            drawConditionLine(dc, row);
            return;
        }
        DrawCellText(row, col, dc, displayedText(row, col, area), "NOCUT", area, true);
        return;
    }
    const std::string text = displayedText(row, col, area);
    if (area == area::kFormHead) {
        DrawCellText(row, col, dc, text, "MID", area);
        return;
    }
    if (area != area::kText || col < 0 || col >= kSearchColumns)
        return;
    if (!kWholeColumns[static_cast<size_t>(col)]) {
        DrawCellText(row, col, dc, text, kAlignments[static_cast<size_t>(col)], area);
        return;
    }
    // Month, day, voucher number and side are never shortened: on a paper that leaves their
    // narrow columns little room they still show whole, centred between the rules.
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

void CKszwzb7::DrawHeadings(QPainter& dc)
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

void CKszwzb7::DrawGrid(QPainter& dc)
{
    if (columnCount() != kSearchColumns) {
        CKsFormView::DrawGrid(dc);
        return;
    }
    const int top = GetRowTop(0, area::kFormHead);
    const int rowHeight = GetRowTop(1, area::kFormHead) - top;
    const int textTop = GetRowTop(drawingFirstRow(), area::kText);
    const int bottom = GetRowTop(0, area::kFoot); // no footer rows: the table ends at the foot line
    const int left = GetColumnEdge(0);
    const int right = GetColumnEdge(kSearchColumns);
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
    for (int c = 1; c < kSearchColumns; ++c)
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

void CKszwzb7::drawColumnHeader(QPainter& dc)
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
    centred(yearHeader(m_env.year()), 0, 1, rowMiddle(0));
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
