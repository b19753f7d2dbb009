// The chart-of-accounts print view: its layout, the listing with its progress, moving down into a
// subtree and back up, and the drawing of the printed table — title, head line, the column headers
// with 辅助核算 over its three columns, the rows and the foot line.
#include "chart/ui/subject_print_view.h"

#include "chart/ui/chart_dialog_support.h"
#include "chart/ui/subject_print_scope_dialog.h"
#include "common/clock.h"
#include "common/command_ids.h"
#include "common/prompt.h"
#include "common/text.h"
#include "common/ui/qt_text.h"
#include "formview/ui/font_mapping.h"
#include "formview/view_kinds.h"
#include "session/kszw_env.h"
#include "store/database_error.h"

#include <QAction>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>

#include <algorithm>
#include <array>
#include <cmath>

namespace kszw {

namespace {

constexpr int kHeadRows = 1;
constexpr int kFormHeadRows = 3;
constexpr int kFootRows = 1;
constexpr int kInitialRows = 10;
constexpr std::array<int, CKszwSubjectPrint::kColumns> kWidths = {14, 42, 4, 4, 8, 10};
constexpr std::array<std::string_view, CKszwSubjectPrint::kColumns> kAlignments = {"LEFT", "LEFT", "MID",
                                                                                  "RIGHT", "MID", "MID"};
constexpr const char* kCellSpec = "STRING NOT |[]'\"";
constexpr int kCellLengthLimit = 40; // less the column number
constexpr int kAuxiliaryColumn = 3;  // the first of the three columns under 辅助核算
constexpr int kHitTolerance = 3;

QString viewTitle()
{
    for (const ViewKindInfo& info : kViewKinds)
        if (info.kind == ViewKind::ChartPrint)
            return qtText(info.name);
    return {};
}

int fontHeight(const CKsFormView& view, QPainter& dc, int fontIndex)
{
    return QFontMetrics(view.areaFont(fontIndex), dc.device()).height();
}

// The text without characters from its right until it is at most width wide.
QString fitted(const QFontMetrics& metrics, QString text, int width)
{
    while (!text.isEmpty() && metrics.horizontalAdvance(text) > width)
        text.chop(text.size() >= 2 && text.back().isLowSurrogate() ? 2 : 1);
    return text;
}

} // namespace

CKszwSubjectPrint::CKszwSubjectPrint(CKszwEnv& env, const Clock& clock, QWidget* parent)
    : CKsFormView(parent), m_env(env), m_clock(clock)
{
    setClock(clock);
    setWindowTitle(viewTitle());
}

CKszwSubjectPrint* CKszwSubjectPrint::open(CKszwEnv& env, Prompt& prompt, const Clock& clock)
{
    auto* view = new CKszwSubjectPrint(env, clock);
    view->setPrompt(prompt);
    view->m_askScopeWhenShown = true;
    return view;
}

// ---- listing ----

void CKszwSubjectPrint::reportProgress(int percent, void* view)
{
    static_cast<CKszwSubjectPrint*>(view)->showProgress(percent);
}

void CKszwSubjectPrint::showProgress(int percent)
{
    if (percent == m_progress)
        return;
    m_progress = percent;
    emit listingProgress(percent);
    if (isVisible())
        viewport()->repaint();
}

QString CKszwSubjectPrint::progressText() const
{
    return m_progress < 0 ? QString() : qtText(format("%3d％", m_progress));
}

bool CKszwSubjectPrint::listChart(const std::string& root)
{
    if (!isInitialized())
        initialUpdate();
    m_pendingRoot.reset();
    std::vector<ChartRow> rows;
    showProgress(0);
    try {
        rows = buildChartListing(m_env.db(), root, &CKszwSubjectPrint::reportProgress, this);
    } catch (const DatabaseError& error) {
        m_progress = -1;
        viewport()->update();
        warnDatabaseError(prompt(), error, m_env.db());
        return false;
    }
    m_progress = -1;
    ++m_listings;
    m_root = root;
    m_rows = std::move(rows);
    m_listedOn = m_clock.today();
    SetAreaRows(static_cast<int>(m_rows.size()), kFormHeadRows, 0, kHeadRows, kFootRows);
    scrollToRow(0);
    horizontalScrollBar()->setValue(0);
    SetCurrentCell(0, 0, 0, area::kText);
    viewport()->update();
    return true;
}

void CKszwSubjectPrint::listWhenShown(const std::string& root)
{
    m_pendingRoot = root;
    if (isVisible())
        QTimer::singleShot(0, this, [this] {
            if (m_pendingRoot)
                listChart(*m_pendingRoot);
        });
}

void CKszwSubjectPrint::showEvent(QShowEvent* event)
{
    CKsFormView::showEvent(event);
    // The window shows first, then the listing fills it with its progress in view.
    if (m_pendingRoot)
        listWhenShown(*m_pendingRoot);
    // A view opened by the menu asks for its scope once it stands on the screen; cancelled, it
    // stays open unlisted and Enter asks again.
    if (m_askScopeWhenShown) {
        m_askScopeWhenShown = false;
        QTimer::singleShot(0, this, [this] {
            if (!isListed())
                askScope(std::string());
        });
    }
}

bool CKszwSubjectPrint::askScope(const std::string& startCode)
{
    try {
        if (!chartHasSubjects(m_env.db())) {
            prompt().warn(kNoSubjectsThisYear);
            return false;
        }
    } catch (const DatabaseError& error) {
        warnDatabaseError(prompt(), error, m_env.db());
        return false;
    }
    CSubjectPrintScopeDlg dialog(m_env.db(), prompt(), qtText(startCode), this);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    return listChart(dialog.chosenRoot());
}

// ---- moving through the tree ----

bool CKszwSubjectPrint::rootAtRow(int row)
{
    if (!isListed() || row < 0 || row >= static_cast<int>(m_rows.size()))
        return false;
    const std::string code = chartRowCode(m_rows[static_cast<size_t>(row)]);
    try {
        if (!hasSubSubjects(m_env.db(), code))
            return false;
    } catch (const DatabaseError& error) {
        warnDatabaseError(prompt(), error, m_env.db());
        return true;
    }
    listChart(code);
    return true;
}

bool CKszwSubjectPrint::goUpOneLevel()
{
    if (!isListed())
        return false;
    const std::optional<std::string> parent = chartParentRoot(m_root);
    if (!parent)
        return false;
    listChart(*parent);
    return true;
}

bool CKszwSubjectPrint::currentRowHasSubSubjects() const
{
    const CellPos& cell = currentCell();
    if (!isListed() || cell.area != area::kText || cell.row < 0 || cell.row >= static_cast<int>(m_rows.size()))
        return false;
    if (m_openAnswer.listing == m_listings && m_openAnswer.row == cell.row)
        return m_openAnswer.open;
    try {
        const bool open = hasSubSubjects(m_env.db(), chartRowCode(m_rows[static_cast<size_t>(cell.row)]));
        m_openAnswer = OpenAnswer{m_listings, cell.row, open};
        return open;
    } catch (const DatabaseError&) {
        return false; // told when the user acts on it
    }
}

void CKszwSubjectPrint::keyPressEvent(QKeyEvent* event)
{
    const bool plain = !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier));
    if (plain && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        if (!isListed()) {
            askScope(std::string());
            return;
        }
        if (currentCell().area == area::kText && rootAtRow(currentCell().row))
            return;
    } else if (plain && event->key() == Qt::Key_Escape) {
        if (goUpOneLevel())
            return;
    }
    CKsFormView::keyPressEvent(event);
}

void CKszwSubjectPrint::mouseDoubleClickEvent(QMouseEvent* event)
{
    CKsFormView::mouseDoubleClickEvent(event);
    if (event->button() != Qt::LeftButton || !isListed())
        return;
    const int x = static_cast<int>(event->position().x()) + horizontalScrollBar()->value();
    const int y = static_cast<int>(event->position().y());
    const HitResult hit = screenGeometry().hitTest(x, y, firstVisibleRow(), textRowCount(), kHitTolerance);
    if (hit.area == area::kText)
        rootAtRow(hit.row);
}

bool CKszwSubjectPrint::isCommandEnabled(int id) const
{
    if (id == cmd::kFileOpen)
        return currentRowHasSubSubjects();
    return CKsFormView::isCommandEnabled(id);
}

bool CKszwSubjectPrint::runCommand(int id)
{
    if (id != cmd::kFileOpen)
        return CKsFormView::runCommand(id);
    // Open asks for the scope again, offering the subject of the current row.
    if (currentRowHasSubSubjects())
        askScope(chartRowCode(m_rows[static_cast<size_t>(currentCell().row)]));
    return true;
}

// ---- the form view contract ----

void CKszwSubjectPrint::InitFormLayout()
{
    m_editable = 0;
    setRuleExtent(1);
    SetAreaRows(kInitialRows, kFormHeadRows, 0, kHeadRows, kFootRows);
    SetTextColumns(std::vector<int>(kWidths.begin(), kWidths.end()));
    // Open is offered only on a row whose subject has sub-subjects.
    connect(formMenu(), &QMenu::aboutToShow, this, [this] {
        for (QAction* action : formMenu()->actions())
            if (action->data().toInt() == cmd::kFileOpen)
                action->setEnabled(currentRowHasSubSubjects());
    });
}

void CKszwSubjectPrint::OnRowsAdded(int count)
{
    if (count > 0)
        m_rows.resize(m_rows.size() + static_cast<size_t>(count), ChartRow(kColumns));
    else
        m_rows.resize(m_rows.size() - std::min(m_rows.size(), static_cast<size_t>(-count)));
}

CellInfo CKszwSubjectPrint::GetCellInfo(int row, int col, std::string_view area, bool)
{
    CellInfo info;
    info.spec = kCellSpec;
    info.maxLength = kCellLengthLimit - std::max(0, col);
    if (area == area::kText && row >= 0 && row < static_cast<int>(m_rows.size()) && col >= 0 && col < kColumns) {
        const ChartRow& cells = m_rows[static_cast<size_t>(row)];
        if (col < static_cast<int>(cells.size()))
            info.text = cells[static_cast<size_t>(col)];
    }
    return info;
}

void CKszwSubjectPrint::SetCellValue(int row, int col, std::string_view area, const std::string& text)
{
    if (area != area::kText || row < 0 || col < 0 || col >= kColumns)
        return;
    if (row >= static_cast<int>(m_rows.size()))
        m_rows.resize(static_cast<size_t>(row) + 1, ChartRow(kColumns));
    ChartRow& cells = m_rows[static_cast<size_t>(row)];
    cells.resize(kColumns);
    cells[static_cast<size_t>(col)] = text;
}

void CKszwSubjectPrint::DrawCell(QPainter& dc, int row, int col, std::string_view area)
{
    if (area != area::kText || col < 0 || col >= kColumns)
        return;
    const CellInfo info = GetCellInfo(row, col, area, false);
    DrawCellText(row, col, dc, info.text, kAlignments[static_cast<size_t>(col)], area);
}

// ---- drawing ----

std::string CKszwSubjectPrint::unitText() const
{
    return chartUnitText(m_env.unitName());
}

std::string CKszwSubjectPrint::printTimeText() const
{
    return chartPrintTimeText(m_listedOn);
}

std::string CKszwSubjectPrint::makerText() const
{
    return chartMakerText(m_env.operatorName());
}

std::string CKszwSubjectPrint::pageText() const
{
    return chartPageText(drawingPageNumber());
}

void CKszwSubjectPrint::DrawGrid(QPainter& dc)
{
    if (columnCount() != kColumns) {
        CKsFormView::DrawGrid(dc);
        return;
    }
    const int first = drawingFirstRow();
    const int top = GetRowTop(0, area::kFormHead);
    const int rowHeight = GetRowTop(1, area::kFormHead) - top;
    const int textTop = GetRowTop(first, area::kText);
    const int bottom = GetRowTop(0, area::kFoot); // no footer rows: the table ends at the foot line
    const int left = GetColumnEdge(0);
    const int right = GetColumnEdge(kColumns);
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
    // Under 辅助核算, over the three columns it groups.
    const int groupBottom = top + rowHeight;
    dc.drawLine(GetColumnEdge(kAuxiliaryColumn), groupBottom, right, groupBottom);
    for (int c = 1; c < kColumns; ++c)
        dc.drawLine(GetColumnEdge(c), c > kAuxiliaryColumn ? groupBottom : top, GetColumnEdge(c), bottom);

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
}

void CKszwSubjectPrint::DrawHeadings(QPainter& dc)
{
    drawPageTexts(dc);
    drawColumnHeaders(dc);
}

void CKszwSubjectPrint::drawPageTexts(QPainter& dc)
{
    const int left = GetColumnEdge(0);
    const int right = GetColumnEdge(kColumns);
    const int spacing = GetRowTop(1, area::kFormHead) - GetRowTop(0, area::kFormHead) - fontHeight(*this, dc, kBodyFont);

    // The title, centred over the table in the middle of its line.
    const QString title = qtText(kChartListingTitle);
    dc.setFont(areaFont(kTitleFont));
    const int titleTop = GetRowTop(0, area::kTopic);
    const int titleLine = GetRowTop(0, area::kHead) - titleTop;
    DrawAreaText(dc, (left + right - dc.fontMetrics().horizontalAdvance(title)) / 2,
                 titleTop + (titleLine - dc.fontMetrics().height()) / 2, title, area::kTopic);

    // The head line: the unit on the left, the print time on the right, the progress between.
    const int headTop = GetRowTop(0, area::kHead);
    dc.setFont(areaFont(kHeadFont));
    const int headY = headTop + (GetRowTop(0, area::kFormHead) - headTop - dc.fontMetrics().height()) / 2;
    DrawAreaText(dc, left, headY, qtText(unitText()), area::kHead);
    const QString time = qtText(printTimeText());
    DrawAreaText(dc, right - dc.fontMetrics().horizontalAdvance(time), headY, time, area::kHead);
    if (!isPrinting() && m_progress >= 0) {
        const QString progress = progressText();
        DrawAreaText(dc, (left + right - dc.fontMetrics().horizontalAdvance(progress)) / 2, headY, progress,
                     area::kHead);
    }

    // The foot line: who made the table, and the page.
    dc.setFont(areaFont(kFootFont));
    const int footY = GetRowTop(0, area::kFoot) + std::max(0, spacing) / 2;
    DrawAreaText(dc, left, footY, qtText(makerText()), area::kFoot);
    const QString label = qtText(pageText());
    DrawAreaText(dc, right - dc.fontMetrics().horizontalAdvance(label), footY, label, area::kFoot);
}

void CKszwSubjectPrint::drawColumnHeaders(QPainter& dc)
{
    if (columnCount() != kColumns)
        return;
    const int top = GetRowTop(0, area::kFormHead);
    const int rowHeight = GetRowTop(1, area::kFormHead) - top;
    const int bottom = top + kFormHeadRows * rowHeight;
    dc.setFont(areaFont(kBodyFont));
    const QFontMetrics metrics = dc.fontMetrics();
    // Text centred in a block of cells, shortened to the block's width unless it is to stay whole.
    // A header may use its whole cell: "级别" and "多栏" fill their narrow columns.
    auto centred = [&](std::string_view text, int firstColumn, int lastColumn, int blockTop, int blockBottom,
                       bool cut) {
        const int x0 = GetColumnEdge(firstColumn);
        const int x1 = GetColumnEdge(lastColumn + 1);
        QString shown = qtText(text);
        if (cut)
            shown = fitted(metrics, shown, x1 - x0 - 2);
        // Leading blanks belong to the text but not to its visible middle.
        qsizetype blanks = 0;
        while (blanks < shown.size() && shown.at(blanks) == QLatin1Char(' '))
            ++blanks;
        const int lead = metrics.horizontalAdvance(shown.left(blanks));
        const int width = metrics.horizontalAdvance(shown) - lead;
        DrawAreaText(dc, (x0 + x1 - width) / 2 - lead, blockTop + (blockBottom - blockTop - metrics.height()) / 2,
                     shown, area::kFormHead);
    };
    centred(kChartCodeHeader, 0, 0, top, bottom, true);
    centred(kChartNameHeader, 1, 1, top, bottom, true);
    centred(kChartLevelHeader, 2, 2, top, bottom, true);
    // 辅助核算 is never cut: it belongs to the three columns together (NOCUT).
    centred(kChartAuxiliaryHeader, kAuxiliaryColumn, kColumns - 1, top, top + rowHeight, false);
    centred(kChartMultiColumnHeader, 3, 3, top + rowHeight, bottom, true);
    centred(kChartDirectionHeader, 4, 4, top + rowHeight, bottom, true);
    centred(kChartKindHeader, 5, 5, top + rowHeight, bottom, true);
}

} // namespace kszw
