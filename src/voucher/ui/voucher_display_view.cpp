// The voucher display view: the selection and the voucher shown from it, the two layouts with
// their settings, the texts of a page (on paper with the unit, the page-of-pages number and the
// running totals), the drawing of the table with its merged column headers, F3 review and
// cancellation, Ctrl+PageDown, and choosing again.
#include "voucher/ui/voucher_display_view.h"

#include "common/command_ids.h"
#include "common/prompt.h"
#include "common/ui/qt_text.h"
#include "formview/page_rules.h"
#include "formview/ui/font_mapping.h"
#include "formview/view_kinds.h"
#include "session/kszw_env.h"
#include "store/database_error.h"
#include "store/error_messages.h"
#include "voucher/voucher_selection.h"

#include <QAction>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace kszw {

namespace {

const std::vector<int> kPlainWidths = {20, 30, 16, 16};
// 方向 is three characters wide: "借" or "贷" with the cell's margins.
const std::vector<int> kQuantityWidths = {16, 24, 3, 12, 16, 16};
constexpr int kDirectionColumn = 2;
// The quantity layout has two header rows: "方" over "向", the other headers across both.
constexpr int kQuantityHeadRows = 2;
constexpr std::string_view kDirectionTop = "方";
constexpr std::string_view kDirectionBottom = "向";
constexpr std::string_view kEmptyNumber = "    ";
constexpr std::string_view kEmptyAttachments = "附件：     张";

// Where the foot line's five texts begin, in thousandths of the table's width.
constexpr int kFootPositions[] = {0, 200, 400, 600, 800};
// Where the number begins on the head line.
constexpr int kNumberPosition = 660;

// A key that names its voucher by accounting month ("03") instead of the date.
bool namesMonth(const VoucherKey& key)
{
    return !key.date.empty() && key.date.size() <= 2;
}

} // namespace

CKszwpz1::CKszwpz1(CKszwEnv& env, const Clock& clock, QWidget* parent) : CKsFormView(parent), m_env(env)
{
    setClock(clock);
    setWindowTitle(qtText(kVoucherDisplayCaption));
    try {
        setSettingsKey(SettingsKey{&m_env.db(), viewFlag(ViewKind::VoucherQuery), "0"});
    } catch (const DatabaseError& error) {
        tellError(error); // the view keeps the default settings
    }
    initialUpdate();
}

// ---- the selection ----

void CKszwpz1::showSelection(std::vector<VoucherKey> keys, DisplaySource source, ReviewOperation operation)
{
    if (!isInitialized())
        initialUpdate();
    m_keys = std::move(keys);
    m_handled.assign(m_keys.size(), false);
    m_source = source;
    m_operation = operation;
    m_index = 0;
    showCurrent();
}

std::optional<VoucherListing> CKszwpz1::loadKey(const VoucherKey& key)
{
    VoucherKey dated = key;
    if (namesMonth(key)) {
        const std::string month = key.date.size() == 1 ? "0" + key.date : key.date;
        const std::optional<std::string> date = voucherDateInMonth(m_env.db(), month, key.number);
        if (!date)
            return std::nullopt;
        dated.date = *date;
    }
    return loadVoucherListing(m_env.db(), dated);
}

void CKszwpz1::showCurrent()
{
    m_listing.reset();
    m_shownFingerprint.clear();
    if (m_index >= 0 && m_index < static_cast<int>(m_keys.size())) {
        try {
            m_listing = loadKey(m_keys[static_cast<size_t>(m_index)]);
            // What F3 reviews must be what is on the screen.
            if (m_listing)
                m_shownFingerprint = voucherFingerprint(m_env.db(), m_listing->key);
        } catch (const DatabaseError& error) {
            tellError(error);
        }
    }
    const bool quantity = m_listing && m_listing->quantityColumns;
    applyLayout(quantity);
    const int lines = m_listing ? static_cast<int>(m_listing->lines.size()) : 0;
    SetAreaRows(lines, quantity ? kQuantityHeadRows : 1, 1, 1, 1);
    scrollToRow(0);
    horizontalScrollBar()->setValue(0);
    SetCurrentCell(0, 0, 0, area::kText);
    viewport()->update();
}

void CKszwpz1::applyLayout(bool quantity, bool force)
{
    if (quantity == m_quantityColumns && !force)
        return;
    m_quantityColumns = quantity;
    SetTextColumns(quantity ? kQuantityWidths : kPlainWidths);
    // Each layout keeps its own column widths and page settings.
    try {
        setSettingsKey(SettingsKey{&m_env.db(), viewFlag(ViewKind::VoucherQuery), quantity ? "1" : "0"});
    } catch (const DatabaseError& error) {
        tellError(error);
    }
}

void CKszwpz1::showNextVoucher()
{
    if (m_keys.size() < 2)
        return;
    m_index = (m_index + 1) % static_cast<int>(m_keys.size());
    showCurrent();
}

bool CKszwpz1::reviewEnabled() const
{
    return m_source == DisplaySource::Review && m_listing && !m_keys.empty();
}

bool CKszwpz1::reselectEnabled() const
{
    return m_reselect && m_source != DisplaySource::Single;
}

void CKszwpz1::reviewShownVoucher()
{
    if (!reviewEnabled())
        return;
    const VoucherKey key = m_listing->key;
    try {
        const int result = m_operation == ReviewOperation::Review
                               ? reviewVoucher(m_env.db(), key, m_env.operatorCode(), &m_shownFingerprint)
                               : cancelReview(m_env.db(), key, m_env.operatorCode());
        // A refused voucher keeps its status; the view goes on with the next one all the same.
        if (result != review_code::kPassed)
            prompt().warn(displayReviewMessage(key, result));
        // The foot line names the reviewer now, or no one.
        m_listing = loadVoucherListing(m_env.db(), key);
        if (m_listing)
            m_shownFingerprint = voucherFingerprint(m_env.db(), key);
    } catch (const DatabaseError& error) {
        tellError(error);
        return;
    }
    viewport()->update();
    m_handled[static_cast<size_t>(m_index)] = true;
    // On with the next voucher not handled yet: after the last, one passed over with Ctrl+PageDown
    // comes round again.
    const int count = static_cast<int>(m_keys.size());
    for (int step = 1; step < count; ++step) {
        const int next = (m_index + step) % count;
        if (!m_handled[static_cast<size_t>(next)]) {
            m_index = next;
            showCurrent();
            return;
        }
    }
    // Every voucher of the selection is handled: the view keeps the last in sight with its new
    // foot line.
    m_keys.clear();
    m_handled.clear();
    m_index = 0;
    prompt().warn(std::string(kAllProcessed) + "\r\r");
}

void CKszwpz1::chooseAgain()
{
    if (!reselectEnabled())
        return;
    m_reselect(*this);
    // The choosing dialog may have run a batch (a review, or its taking back) without choosing:
    // what is shown is read again so that it never shows a state the voucher has left.
    showCurrent();
}

void CKszwpz1::tellError(const DatabaseError& error)
{
    prompt().warn(userMessage(error, m_env.db().path()));
}

// ---- texts ----

VoucherPageTexts CKszwpz1::pageTexts(int page, int pages, int rowsPerPage) const
{
    VoucherPageTexts texts;
    const bool paper = page > 0;
    if (paper)
        texts.unit = m_env.unitName();
    if (!m_listing) {
        texts.month = listingMonthLabel(m_env.year(), 0);
        texts.number = listingNumberText(kEmptyNumber);
        texts.attachments = kEmptyAttachments;
        texts.totals = listingTotalsRow(kTotalLabel, 0, 0, m_quantityColumns);
        texts.foot = listingFootTexts(m_env.chiefAccountant(), "", "");
        return texts;
    }
    const VoucherListing& voucher = *m_listing;
    texts.month = listingMonthLabel(m_env.year(), std::atoi(voucher.month.c_str()));
    texts.number = paper && pages > 1 ? listingNumberText(voucher.key.number, page, pages)
                                      : listingNumberText(voucher.key.number);
    texts.attachments = listingAttachmentsText(voucher.attachments);
    if (paper && page < pages && rowsPerPage > 0) {
        // Not the voucher's last page: the totals of the lines so far.
        double debit = 0;
        double credit = 0;
        const size_t shown =
            std::min(voucher.lines.size(), static_cast<size_t>(page) * static_cast<size_t>(rowsPerPage));
        for (size_t i = 0; i < shown; ++i)
            (voucher.lines[i].direction == 1 ? debit : credit) += voucher.lines[i].amount;
        texts.totals = listingTotalsRow(kRunningTotalLabel, debit, credit, m_quantityColumns);
    } else {
        texts.totals = listingTotalsRow(kTotalLabel, voucher.debitTotal, voucher.creditTotal, m_quantityColumns);
    }
    texts.foot = listingFootTexts(m_env.chiefAccountant(), voucher.reviewerName, voucher.makerName);
    return texts;
}

void CKszwpz1::drawingPage(int& page, int& pages, int& rowsPerPage) const
{
    page = pages = rowsPerPage = 0;
    if (!isPrinting())
        return;
    const int first = drawingFirstRow();
    const int top = GetRowTop(first, area::kText);
    const int rowHeight = GetRowTop(first + 1, area::kText) - top;
    if (rowHeight <= 0)
        return;
    rowsPerPage = (GetRowTop(0, area::kFormFoot) - top) / rowHeight;
    if (rowsPerPage < 1)
        return;
    pages = pageCount(textRowCount(), rowsPerPage);
    page = first / rowsPerPage + 1;
}

std::string CKszwpz1::displayedText(int row, int col, std::string_view area) const
{
    if (col < 0 || col >= columnCount())
        return {};
    if (area == area::kFormHead) {
        if (m_quantityColumns && col == kDirectionColumn)
            return std::string(row == 0 ? kDirectionTop : kDirectionBottom);
        const std::vector<std::string> titles = listingColumnTitles(m_quantityColumns);
        return row == 0 && col < static_cast<int>(titles.size()) ? titles[static_cast<size_t>(col)] : std::string();
    }
    if (area == area::kFormFoot) {
        int page = 0;
        int pages = 0;
        int rowsPerPage = 0;
        drawingPage(page, pages, rowsPerPage);
        const std::vector<std::string> totals = pageTexts(page, pages, rowsPerPage).totals;
        return row == 0 && col < static_cast<int>(totals.size()) ? totals[static_cast<size_t>(col)] : std::string();
    }
    if (area != area::kText || !m_listing || row < 0 || row >= static_cast<int>(m_listing->lines.size()))
        return {};
    const std::vector<std::string> cells = listingRow(m_listing->lines[static_cast<size_t>(row)], m_quantityColumns);
    return col < static_cast<int>(cells.size()) ? cells[static_cast<size_t>(col)] : std::string();
}

// ---- the form view's contract ----

void CKszwpz1::InitFormLayout()
{
    m_editable = 0;
    setRuleExtent(1);
    SetAreaRows(1, 1, 1, 1, 1);
    m_quantityColumns = false;
    SetTextColumns(kPlainWidths);

    QMenu* menu = formMenu();
    menu->addSeparator();
    auto addItem = [this, menu](const char* text, int id) {
        QAction* action = menu->addAction(QString::fromUtf8(text));
        action->setData(id);
        connect(action, &QAction::triggered, this, [this, id] { runCommand(id); });
    };
    addItem("下一张(&W)\tCtrl+PageDown", cmd::kNextVoucher);
    addItem("复核/取消复核(&K)\tF3", cmd::kReviewToggle);
    // Open, 下一张 and 复核 are offered as the selection allows.
    connect(menu, &QMenu::aboutToShow, this, [this] {
        for (QAction* action : formMenu()->actions()) {
            const int id = action->data().toInt();
            if (id == cmd::kFileOpen || id == cmd::kNextVoucher || id == cmd::kReviewToggle)
                action->setEnabled(isCommandEnabled(id));
        }
    });
}

CellInfo CKszwpz1::GetCellInfo(int row, int col, std::string_view area, bool)
{
    return CellInfo{displayedText(row, col, area), "STRING", 0, 0};
}

void CKszwpz1::SetCellValue(int, int, std::string_view, const std::string&) {}

bool CKszwpz1::CanEditCell(int, int, std::string_view)
{
    return false;
}

bool CKszwpz1::IsRowAppendAllowed()
{
    return false;
}

void CKszwpz1::DrawCell(QPainter& dc, int row, int col, std::string_view area)
{
    const std::string text = displayedText(row, col, area);
    if (area == area::kFormHead) {
        if (!m_quantityColumns || col == kDirectionColumn) {
            DrawCellText(row, col, dc, text, "MID", area);
            return;
        }
        if (row != 0)
            return;
        // A header across both header rows, centred in them, kept inside its column.
        const int x0 = GetColumnEdge(col);
        const int x1 = GetColumnEdge(col + 1);
        const int y0 = GetRowTop(0, area::kFormHead);
        const int y1 = GetRowTop(kQuantityHeadRows, area::kFormHead);
        dc.save();
        dc.setClipRect(QRect(x0 + 1, y0 + 1, std::max(0, x1 - x0 - 2), std::max(0, y1 - y0 - 2)));
        dc.setFont(areaFont(kBodyFont));
        const QFontMetrics metrics = dc.fontMetrics();
        const QString shown = qtText(text);
        // Leading blanks belong to the text but not to its visible middle.
        qsizetype blanks = 0;
        while (blanks < shown.size() && shown.at(blanks) == QLatin1Char(' '))
            ++blanks;
        const int lead = metrics.horizontalAdvance(shown.left(blanks));
        const int width = metrics.horizontalAdvance(shown) - lead;
        DrawAreaText(dc, (x0 + x1 - width) / 2 - lead, y0 + (y1 - y0 - metrics.height()) / 2, shown, area);
        dc.restore();
        return;
    }
    std::string_view align = "RIGHT";
    if (col <= 1)
        align = area == area::kFormFoot && col == 0 ? "MID" : "LEFT";
    else if (m_quantityColumns && col == kDirectionColumn)
        align = "MID";
    DrawCellText(row, col, dc, text, align, area);
}

void CKszwpz1::DrawGrid(QPainter& dc)
{
    const int n = columnCount();
    if (n < 1)
        return;
    const int first = drawingFirstRow();
    const int left = GetColumnEdge(0);
    const int right = GetColumnEdge(n);
    const int top = GetRowTop(0, area::kFormHead);
    const int textTop = GetRowTop(first, area::kText);
    const int rowHeight = GetRowTop(first + 1, area::kText) - textTop;
    const int formFootTop = GetRowTop(0, area::kFormFoot);
    const int bottom = GetRowTop(0, area::kFoot);
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
        for (int y = textTop + rowHeight; y + rowHeight / 2 < formFootTop; y += rowHeight)
            dc.drawLine(left, y, right, y);
    for (int c = 1; c < n; ++c)
        dc.drawLine(GetColumnEdge(c), top, GetColumnEdge(c), bottom);

    // The rules under the headers and over the totals, and the outer frame.
    QPen box(toQColor(page.outBox), ruleWidth);
    box.setCapStyle(Qt::FlatCap);
    dc.setPen(box);
    dc.drawLine(left, textTop, right, textTop);
    dc.drawLine(left, formFootTop, right, formFootTop);
    QPen frame(toQColor(page.outBox), frameWidth);
    frame.setJoinStyle(Qt::MiterJoin);
    dc.setPen(frame);
    dc.setBrush(Qt::NoBrush);
    dc.drawRect(QRect(left, top, right - left, bottom - top));
    dc.restore();

    const int headRows = m_quantityColumns ? kQuantityHeadRows : 1;
    for (int row = 0; row < headRows; ++row)
        for (int col = 0; col < n; ++col)
            DrawCell(dc, row, col, area::kFormHead);
    for (int col = 0; col < n; ++col)
        DrawCell(dc, 0, col, area::kFormFoot);
}

void CKszwpz1::DrawHeadings(QPainter& dc)
{
    const int left = GetColumnEdge(0);
    const int right = GetColumnEdge(columnCount());
    const int width = right - left;
    int page = 0;
    int pages = 0;
    int rowsPerPage = 0;
    drawingPage(page, pages, rowsPerPage);
    const VoucherPageTexts texts = pageTexts(page, pages, rowsPerPage);

    // The title, centred over the table in the middle of its band.
    const QString title = qtText(kVoucherDisplayTitle);
    dc.setFont(areaFont(kTitleFont));
    const int titleTop = GetRowTop(0, area::kTopic);
    const int titleBand = GetRowTop(0, area::kHead) - titleTop;
    DrawAreaText(dc, (left + right - dc.fontMetrics().horizontalAdvance(title)) / 2,
                 titleTop + (titleBand - dc.fontMetrics().height()) / 2, title, area::kTopic);

    // The head line: the unit on the left (on paper), the month in the middle, the number, and
    // the attachments ending at the right edge.
    dc.setFont(areaFont(kHeadFont));
    const QFontMetrics head = dc.fontMetrics();
    const int headTop = GetRowTop(0, area::kHead);
    const int headY = headTop + (GetRowTop(1, area::kHead) - headTop - head.height()) / 2;
    if (!texts.unit.empty())
        DrawAreaText(dc, left, headY, qtText(texts.unit), area::kHead);
    const QString month = qtText(texts.month);
    DrawAreaText(dc, (left + right - head.horizontalAdvance(month)) / 2, headY, month, area::kHead);
    DrawAreaText(dc, left + static_cast<int>(static_cast<long long>(kNumberPosition) * width / 1000), headY,
                 qtText(texts.number), area::kHead);
    const QString attachments = qtText(texts.attachments);
    DrawAreaText(dc, right - head.horizontalAdvance(attachments), headY, attachments, area::kHead);

    // The foot line.
    dc.setFont(areaFont(kFootFont));
    const int footTop = GetRowTop(0, area::kFoot);
    const int footY = footTop + (GetRowTop(1, area::kFoot) - footTop - dc.fontMetrics().height()) / 2;
    for (size_t i = 0; i < texts.foot.size() && i < std::size(kFootPositions); ++i)
        DrawAreaText(dc, left + static_cast<int>(static_cast<long long>(kFootPositions[i]) * width / 1000), footY,
                     qtText(texts.foot[i]), area::kFoot);
}

// ---- commands, keys, mouse ----

bool CKszwpz1::isCommandEnabled(int id) const
{
    switch (id) {
    case cmd::kNextVoucher: return m_keys.size() >= 2;
    case cmd::kReviewToggle: return reviewEnabled();
    case cmd::kFileOpen: return reselectEnabled();
    default: return CKsFormView::isCommandEnabled(id);
    }
}

bool CKszwpz1::runCommand(int id)
{
    switch (id) {
    case cmd::kNextVoucher: showNextVoucher(); return true;
    case cmd::kReviewToggle: reviewShownVoucher(); return true;
    case cmd::kFileOpen: chooseAgain(); return true;
    default: return CKsFormView::runCommand(id);
    }
}

void CKszwpz1::keyPressEvent(QKeyEvent* event)
{
    const Qt::KeyboardModifiers modifiers =
        event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier | Qt::ShiftModifier);
    if (modifiers == Qt::ControlModifier && event->key() == Qt::Key_PageDown) {
        showNextVoucher();
        event->accept();
        return;
    }
    if (modifiers == Qt::NoModifier && event->key() == Qt::Key_F3) {
        reviewShownVoucher();
        event->accept();
        return;
    }
    if (modifiers == Qt::ControlModifier && event->key() == Qt::Key_O) {
        if (reselectEnabled())
            chooseAgain();
        event->accept();
        return;
    }
    CKsFormView::keyPressEvent(event);
}

void CKszwpz1::mouseDoubleClickEvent(QMouseEvent* event)
{
    CKsFormView::mouseDoubleClickEvent(event);
    // A double click on a rule starts dragging it; anywhere else it chooses again.
    if (event->button() != Qt::LeftButton || m_mouseState == MouseState::DraggingRule ||
        m_source != DisplaySource::Review || !reselectEnabled())
        return;
    m_mouseState = MouseState::Idle; // the release goes to the selection dialog
    chooseAgain();
}

} // namespace kszw
