// The voucher entry view: its layout (four or six columns), the cells and what they show, the
// rules run when a cell of a line changes, the save question before New, Open and closing, the
// subject lookup, the number generators and the edits of many cells (paste, deletion of rows).
#include "voucher/ui/voucher_entry_view.h"

#include "chart/ui/subject_query_dialog.h"
#include "common/command_ids.h"
#include "common/prompt.h"
#include "common/text.h"
#include "common/ui/qt_text.h"
#include "formula/format_number.h"
#include "formview/input_spec.h"
#include "formview/view_kinds.h"
#include "session/kszw_env.h"
#include "store/database.h"
#include "store/database_error.h"
#include "store/error_messages.h"
#include "voucher/ui/open_voucher_dialog.h"
#include "voucher/voucher.h"
#include "voucher/voucher_listing.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScopeGuard>
#include <QScopedValueRollback>

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>

namespace kszw {

namespace {

constexpr std::string_view kSummarySpec = "STRING NOT |[]'\"";

struct CellInput {
    std::string_view spec;
    int limit;
    int extra;
};

// The five head cells: year, month, day, number, attachments.
constexpr std::array<CellInput, 5> kHeadInputs = {{
    {"NUMBER 1990 9999", 4, 0},
    {"NUMBER 1 12", 2, 0},
    {"NUMBER 1 31", 2, 0},
    {"STRING CHAR_DIGIT", 4, 0},
    {"NUMBER 0", 4, 0},
}};

struct PlacedText {
    std::string_view text;
    int position; // thousandths of the line width
};

constexpr std::array<PlacedText, 7> kHeadLabels = {{
    {"年", 400}, {"月", 480}, {"日", 560}, {"第", 700}, {"号", 790}, {"附件：", 820}, {"张", 970},
}};

constexpr std::array<CKszwpz::Column, 4> kPlainColumns = {CKszwpz::Column::Summary, CKszwpz::Column::Subject,
                                                         CKszwpz::Column::Debit, CKszwpz::Column::Credit};
constexpr std::array<CKszwpz::Column, 6> kQuantityColumns = {
    CKszwpz::Column::Summary,  CKszwpz::Column::Subject, CKszwpz::Column::Quantity,
    CKszwpz::Column::Price,    CKszwpz::Column::Debit,   CKszwpz::Column::Credit};

const std::vector<int> kPlainWidths = {15, 20, 7, 7};
const std::vector<int> kQuantityWidths = {20, 25, 9, 9, 10, 10};

std::string_view columnCaption(CKszwpz::Column column)
{
    switch (column) {
    case CKszwpz::Column::Summary: return "摘    要";
    case CKszwpz::Column::Subject: return "会计科目";
    case CKszwpz::Column::Quantity: return "数量或外币";
    case CKszwpz::Column::Price: return "单价或汇率";
    case CKszwpz::Column::Debit: return "借方金额";
    case CKszwpz::Column::Credit: return "贷方金额";
    }
    return {};
}

int lineCell(CKszwpz::Column column)
{
    switch (column) {
    case CKszwpz::Column::Summary: return VoucherLine::Summary;
    case CKszwpz::Column::Subject: return VoucherLine::Subject;
    case CKszwpz::Column::Quantity: return VoucherLine::Quantity;
    case CKszwpz::Column::Debit: return VoucherLine::Debit;
    case CKszwpz::Column::Credit: return VoucherLine::Credit;
    case CKszwpz::Column::Price: break;
    }
    return -1;
}

std::string amountText(std::string_view cell)
{
    return FormatNumber(ReadNumber(cell), 0, 2, 2);
}

std::string quantityText(double value)
{
    return trim(FormatNumber(value, 0, 0, 4));
}

// The price of a line as the cell offers it for typing: up to four decimals, no commas.
std::string derivedPriceText(const VoucherLine& line)
{
    return RemoveGroupCommas(quantityText(linePrice(line)));
}

int fontHeight(const CKsFormView& view, QPainter& dc, int fontIndex)
{
    return QFontMetrics(view.areaFont(fontIndex), dc.device()).height();
}

} // namespace

// Holds the column layout for the length of an edit of many cells.
class CKszwpz::LayoutHold {
public:
    explicit LayoutHold(CKszwpz& view) : m_view(view) { ++m_view.m_layoutHolds; }
    ~LayoutHold() { --m_view.m_layoutHolds; }
    LayoutHold(const LayoutHold&) = delete;
    LayoutHold& operator=(const LayoutHold&) = delete;

private:
    CKszwpz& m_view;
};

CKszwpz::CKszwpz(CVoucher& voucher, QWidget* parent) : CKsFormView(parent), m_voucher(voucher)
{
    for (const ViewKindInfo& info : kViewKinds)
        if (info.kind == ViewKind::VoucherEntry)
            setWindowTitle(qtText(info.name));
    setSettingsKey(SettingsKey{&m_voucher.db(), viewFlag(ViewKind::VoucherEntry), std::string(kDefaultFieldMode)});
}

// ---- columns and cells ----

CKszwpz::Column CKszwpz::columnRole(int col) const
{
    if (m_quantityColumns)
        return col >= 0 && col < static_cast<int>(kQuantityColumns.size()) ? kQuantityColumns[static_cast<size_t>(col)]
                                                                           : Column::Summary;
    return col >= 0 && col < static_cast<int>(kPlainColumns.size()) ? kPlainColumns[static_cast<size_t>(col)]
                                                                    : Column::Summary;
}

int CKszwpz::columnOf(Column role) const
{
    for (int col = 0; col < columnCount(); ++col)
        if (columnRole(col) == role)
            return col;
    return -1;
}

bool CKszwpz::validLine(int row) const
{
    return row >= 0 && row < m_voucher.lineCount();
}

VoucherLine& CKszwpz::line(int row)
{
    return m_voucher.lines[static_cast<size_t>(row)];
}

std::string CKszwpz::priceText(int row) const
{
    if (row == m_priceRow)
        return m_priceText;
    return derivedPriceText(m_voucher.lines[static_cast<size_t>(row)]);
}

std::string CKszwpz::displayedText(int row, int col, std::string_view area) const
{
    if (area == area::kHead)
        return row == 0 && col >= 0 && col < 5 ? m_voucher.head[static_cast<size_t>(col)] : std::string();
    if (col < 0 || col >= columnCount())
        return {};
    const Column role = columnRole(col);
    if (area == area::kFormHead)
        return std::string(columnCaption(role));
    if (area == area::kFormFoot) {
        const VoucherTotals totals = m_voucher.ComputeTotals();
        switch (role) {
        case Column::Summary:
            return "借－贷＝" + (std::fabs(totals.difference) > 0.0000001 ? trim(FormatNumber(totals.difference, 0, 2, 2))
                                                                         : std::string());
        case Column::Subject: return "合    计";
        case Column::Debit: return FormatNumber(totals.debit, 0, 2, 2);
        case Column::Credit: return FormatNumber(totals.credit, 0, 2, 2);
        default: return {};
        }
    }
    if (area != area::kText || !validLine(row))
        return {};
    const VoucherLine& entry = m_voucher.lines[static_cast<size_t>(row)];
    // The cell being typed in shows its text as typed.
    const CellPos& current = currentCell();
    const bool typing = !isPrinting() && isEditable() && current.area == area && current.row == row && current.col == col;
    switch (role) {
    case Column::Summary: return entry[VoucherLine::Summary];
    case Column::Subject:
        if (typing || entry[VoucherLine::Display].empty())
            return entry[VoucherLine::Subject];
        return entry[VoucherLine::Display];
    case Column::Quantity:
        return typing ? entry[VoucherLine::Quantity] : quantityText(ReadNumber(entry[VoucherLine::Quantity]));
    case Column::Price: return typing ? priceText(row) : quantityText(linePrice(entry));
    case Column::Debit: return typing ? entry[VoucherLine::Debit] : amountText(entry[VoucherLine::Debit]);
    case Column::Credit: return typing ? entry[VoucherLine::Credit] : amountText(entry[VoucherLine::Credit]);
    }
    return {};
}

std::string CKszwpz::reviewerName() const
{
    return isEditable() ? std::string() : operatorNameOf(m_voucher.db(), m_voucher.OPN);
}

std::string CKszwpz::makerName() const
{
    return isEditable() ? m_voucher.env().operatorName() : operatorNameOf(m_voucher.db(), m_voucher.OPP);
}

CellInfo CKszwpz::GetCellInfo(int row, int col, std::string_view area, bool entering)
{
    if (area == area::kHead) {
        if (row != 0 || col < 0 || col >= static_cast<int>(kHeadInputs.size()))
            return CellInfo{"", "", 0, 0};
        const CellInput& input = kHeadInputs[static_cast<size_t>(col)];
        return CellInfo{m_voucher.head[static_cast<size_t>(col)], std::string(input.spec), input.limit, input.extra};
    }
    if (area != area::kText || !validLine(row) || col < 0 || col >= columnCount())
        return CellInfo{displayedText(row, col, area), "", 0, 0};
    const VoucherLine& entry = line(row);
    switch (columnRole(col)) {
    case Column::Summary: return CellInfo{entry[VoucherLine::Summary], std::string(kSummarySpec), 40, 0};
    case Column::Subject: return CellInfo{entry[VoucherLine::Subject], "CLASSNOSTRING", 6, 0};
    // Quantities and rates keep up to six decimals, as a stored voucher is read back.
    case Column::Quantity: return CellInfo{entry[VoucherLine::Quantity], "NUMBER", 12, 6};
    case Column::Price:
        if (entering) {
            m_priceRow = row;
            m_priceText = derivedPriceText(entry);
        }
        return CellInfo{priceText(row), "NUMBER", 12, 6};
    case Column::Debit: return CellInfo{entry[VoucherLine::Debit], "NUMBER", 12, 2};
    case Column::Credit: return CellInfo{entry[VoucherLine::Credit], "NUMBER", 12, 2};
    }
    return {};
}

void CKszwpz::SetCellValue(int row, int col, std::string_view area, const std::string& text)
{
    if (area == area::kHead) {
        // Letters in the number are class codes: capitals, however they came in.
        if (row == 0 && col >= 0 && col < 5)
            m_voucher.head[static_cast<size_t>(col)] = col == kHeadNumber ? toUpperAscii(text) : text;
        return;
    }
    if (area != area::kText || !validLine(row) || col < 0 || col >= columnCount())
        return;
    if (m_rowShift > 0) {
        // Whole rows are being removed: each line moves up whole, with its flags and name.
        m_rowShiftStarted = true;
        if (col != 0)
            return;
        if (m_rowShift >= m_voucher.lineCount())
            line(row).clear();
        else if (validLine(row + m_rowShift))
            line(row) = line(row + m_rowShift);
        return;
    }
    VoucherLine& entry = line(row);
    const Column role = columnRole(col);
    if (role == Column::Price) {
        m_priceRow = row;
        m_priceText = text;
        return;
    }
    const int cell = lineCell(role);
    if (role == Column::Subject && entry[cell] != text)
        entry[VoucherLine::Display].clear(); // named again when the cell is left
    entry[cell] = text;
}

bool CKszwpz::CanEditCell(int row, int col, std::string_view area)
{
    if (area == area::kHead)
        return row == 0 && col >= 0 && col < 5;
    if (area != area::kText || !validLine(row) || col < 0 || col >= columnCount())
        return false;
    const Column role = columnRole(col);
    if (role == Column::Summary)
        return true;
    const VoucherLine& entry = line(row);
    // A line of a subject reserved for another program keeps everything but its summary.
    if (entry.flags[0] != '0')
        return false;
    // Quantities and prices belong to the lines whose subject keeps them.
    if (role == Column::Quantity || role == Column::Price)
        return entry.flags[1] != '0';
    return true;
}

void CKszwpz::OnCellChanged(int row, int col, std::string_view area, const std::string& text)
{
    if (area != area::kText || !validLine(row) || col < 0 || col >= columnCount() || m_ignoreChanges)
        return;
    if (m_rowShift > 0 && m_rowShiftStarted)
        return;
    VoucherLine& entry = line(row);
    switch (columnRole(col)) {
    case Column::Price: applyLinePrice(entry, text); break;
    case Column::Debit: clearOppositeAmount(entry, VoucherLine::Debit); break;
    case Column::Credit: clearOppositeAmount(entry, VoucherLine::Credit); break;
    case Column::Subject:
        m_voucher.applyLineSubject(entry);
        updateColumnLayout();
        break;
    default: break;
    }
    // The price, the totals and a cleared amount are drawn again.
    viewport()->update();
}

void CKszwpz::OnLeaveCell(int row, int, std::string_view area)
{
    if (area == area::kText && validLine(row) && m_voucher.fillMissingDisplay(line(row)))
        updateColumnLayout();
}

void CKszwpz::OnEnterCell(int row, int col, std::string_view area)
{
    // The columns may have just become fewer: the caret stays in the table.
    if (area == area::kText && col >= columnCount() && columnCount() > 0)
        SetCurrentCell(row, columnCount() - 1, 0, area::kText);
}

void CKszwpz::OnRowsAdded(int count)
{
    m_voucher.resizeLines(m_voucher.lineCount() + count);
    // A row added at the end (Down from the last line) leaves the price being typed in its line:
    // it is committed when the cell is left.
    if (m_priceRow >= m_voucher.lineCount())
        m_priceRow = -1;
}

void CKszwpz::OnInsertRows(int atRow, int lastRow, int count)
{
    // Lines atRow … lastRow move down by count; the gap gets empty lines.
    for (int row = lastRow; row >= atRow; --row)
        if (validLine(row) && validLine(row + count))
            line(row + count) = line(row);
    for (int row = atRow; row < atRow + count; ++row)
        if (validLine(row))
            line(row).clear();
    m_priceRow = -1;
}

// ---- layout ----

void CKszwpz::InitFormLayout()
{
    m_editable = 1;
    applyRowCount();
    updateColumnLayout(true);

    QMenu* menu = formMenu();
    menu->addSeparator();
    auto addItem = [this, menu](const char* text, int id) {
        QAction* action = menu->addAction(QString::fromUtf8(text));
        action->setData(id);
        connect(action, &QAction::triggered, this, [this, id] { runCommand(id); });
        return action;
    };
    m_lookupAction = addItem("查询会计科目(&B)...\tF2", cmd::kSubjectLookup);
    m_largestAction = addItem("产生最大凭证号(&B)\tF7", cmd::kLargestFreeNumber);
    m_nextFreeAction = addItem("产生连续可用凭证号(&B)\tF8", cmd::kNextFreeNumber);

    SetCurrentCell(0, kHeadNumber, INT_MAX / 2, area::kHead);
}

void CKszwpz::applyRowCount()
{
    SetAreaRows(m_voucher.lineCount(), 1, 1, 1, 1);
    // Each cell is two characters wider than its longest text, the room the cell's margins take:
    // the text and the caret stay inside the cell's frame.
    SetAreaCells(area::kHead, 0, {{335, 6}, {440, 4}, {520, 4}, {730, 6}, {900, 6}});
}

void CKszwpz::updateColumnLayout(bool force)
{
    if (m_layoutHolds > 0) {
        m_layoutPending = true;
        return;
    }
    const bool quantity = m_voucher.hasQuantityLines();
    if (quantity == m_quantityColumns && !force)
        return;
    m_quantityColumns = quantity;
    m_priceRow = -1;
    SetTextColumns(quantity ? kQuantityWidths : kPlainWidths);
    // Edits made in the other layout name its columns: undo and redo stop here.
    m_undoFloor = editHistory().undoList().size();
    m_redoFloor = editHistory().redoList().size();
    // Each layout keeps its own column widths (and page settings).
    if (Database* db = settingsKey().db)
        setSettingsKey(SettingsKey{db, viewFlag(ViewKind::VoucherEntry), quantity ? "1" : "0"});
    viewport()->update();
}

void CKszwpz::fixCurrentColumn()
{
    const CellPos cell = currentCell();
    if (cell.area == area::kText && cell.col >= columnCount() && columnCount() > 0)
        SetCurrentCell(std::min(cell.row, textRowCount() - 1), columnCount() - 1, 0, area::kText);
}

void CKszwpz::commitTyping()
{
    const CellPos cell = currentCell();
    if (cell.area.empty())
        return;
    const bool atFirstHeadCell = cell.area == area::kHead && cell.row == 0 && cell.col == 0;
    SetCurrentCell(0, atFirstHeadCell ? 1 : 0, 0, area::kHead);
    if (formLayout().cellCount(cell.area, cell.row) > cell.col)
        SetCurrentCell(cell.row, cell.col, cell.caret, cell.area);
}

void CKszwpz::placeCaret(int row, int col, std::string_view area)
{
    QScopedValueRollback<bool> quiet(m_ignoreChanges, true);
    const bool atFirstHeadCell = area == area::kHead && row == 0 && col == 0;
    SetCurrentCell(0, atFirstHeadCell ? 1 : 0, 0, area::kHead);
    SetCurrentCell(row, col, INT_MAX / 2, area);
}

void CKszwpz::showVoucherAfresh()
{
    m_priceRow = -1;
    applyRowCount();
    updateColumnLayout();
    setModified(false);
    m_undoFloor = editHistory().undoList().size();
    m_redoFloor = editHistory().redoList().size();
    scrollToRow(0);
    viewport()->update();
}

void CKszwpz::groupedEdit(const std::function<void()>& edit)
{
    try {
        {
            LayoutHold hold(*this);
            edit();
        }
        if (m_layoutPending) {
            m_layoutPending = false;
            updateColumnLayout();
        }
    } catch (const DatabaseError& error) {
        warnError(error);
    }
    // An edit of rows may have emptied the lists the floors point into.
    m_undoFloor = std::min(m_undoFloor, editHistory().undoList().size());
    m_redoFloor = std::min(m_redoFloor, editHistory().redoList().size());
    fixCurrentColumn();
    viewport()->update();
}

void CKszwpz::deleteSelected(bool cut)
{
    const CellRange range = selection();
    const bool wholeRows = hasSelection() && range.area == area::kText && range.left == 0 &&
                           range.right == columnCount() - 1;
    groupedEdit([&] {
        auto done = qScopeGuard([this] {
            m_rowShift = 0;
            m_rowShiftStarted = false;
        });
        if (wholeRows) {
            m_rowShift = range.bottom - range.top + 1;
            m_rowShiftStarted = false;
        }
        if (cut)
            Cut();
        else
            DeleteSelection();
    });
    m_priceRow = -1;
}

bool CKszwpz::canUndoEdit() const
{
    return isEditable() && editHistory().undoList().size() > m_undoFloor;
}

bool CKszwpz::canRedoEdit() const
{
    // A new edit empties the redo list: what it holds afterwards belongs to this voucher.
    m_redoFloor = std::min(m_redoFloor, editHistory().redoList().size());
    return isEditable() && editHistory().redoList().size() > m_redoFloor;
}

void CKszwpz::undoEdit(bool redo)
{
    m_redoFloor = std::min(m_redoFloor, editHistory().redoList().size());
    if (redo ? !canRedoEdit() : !canUndoEdit())
        return;
    if (redo)
        Redo();
    else
        Undo();
    // The restored cell follows the rules of its line as if it had been typed.
    const CellPos cell = currentCell();
    if (cell.area == area::kText)
        OnCellChanged(cell.row, cell.col, cell.area, GetCellInfo(cell.row, cell.col, cell.area, false).text);
    fixCurrentColumn();
}

// ---- drawing ----

void CKszwpz::DrawHeadings(QPainter& dc)
{
    const int left = GetColumnEdge(0);
    const int right = GetColumnEdge(columnCount());
    const int width = right - left;

    // The title, centred over the table.
    const QString title = qtText(kVoucherTitle);
    dc.setFont(areaFont(kTitleFont));
    const int titleTop = GetRowTop(0, area::kTopic);
    const int titleBand = GetRowTop(0, area::kHead) - titleTop;
    DrawAreaText(dc, (left + right - dc.fontMetrics().horizontalAdvance(title)) / 2,
                 titleTop + (titleBand - dc.fontMetrics().height()) / 2, title, area::kTopic);

    // Texts placed in thousandths of the line, in the middle of their line.
    auto place = [&](std::string_view areaName, int fontIndex, const std::vector<PlacedText>& texts) {
        const int top = GetRowTop(0, areaName);
        const int band = GetRowTop(1, areaName) - top;
        const int y = top + (band - fontHeight(*this, dc, fontIndex)) / 2;
        for (const PlacedText& text : texts)
            DrawAreaText(dc, left + static_cast<int>(static_cast<long long>(text.position) * width / 1000), y,
                         qtText(text.text), areaName);
    };
    place(area::kHead, kHeadFont, std::vector<PlacedText>(kHeadLabels.begin(), kHeadLabels.end()));

    const std::string reviewer = "复核：" + reviewerName();
    const std::string maker = "制证：" + makerName();
    place(area::kFoot, kFootFont,
          {{"会计主管：", 5}, {"记帐：", 200}, {"出纳：", 400}, {reviewer, 600}, {maker, 800}});
}

void CKszwpz::DrawCell(QPainter& dc, int row, int col, std::string_view area)
{
    const std::string text = displayedText(row, col, area);
    if (area == area::kHead) {
        // Head cells sit between their labels, narrower than their text may be: they are neither
        // filled (no label is covered) nor shortened.
        DrawCellText(row, col, dc, text, "NOCUT", area, true);
        return;
    }
    if (area == area::kFormHead) {
        DrawCellText(row, col, dc, text, "MID", area);
        return;
    }
    const Column role = columnRole(col);
    std::string_view align = "RIGHT";
    if (role == Column::Summary)
        align = "LEFT";
    else if (role == Column::Subject)
        align = area == area::kFormFoot ? "MID" : "LEFT";
    DrawCellText(row, col, dc, text, align, area);
}

// ---- commands ----

bool CKszwpz::isCommandEnabled(int id) const
{
    switch (id) {
    case cmd::kNewVoucher:
    case cmd::kFileOpen:
    case cmd::kLargestFreeNumber:
    case cmd::kNextFreeNumber: return isEditable();
    case cmd::kSubjectLookup: return isEditable() && currentCell().area == area::kText;
    // Offered once template generation is wired in.
    case cmd::kTemplateVoucher: return m_templateGenerator && isEditable() && currentCell().area == area::kText;
    case cmd::kUndo: return CKsFormView::isCommandEnabled(id) && canUndoEdit();
    case cmd::kRedo: return CKsFormView::isCommandEnabled(id) && canRedoEdit();
    default: return CKsFormView::isCommandEnabled(id);
    }
}

bool CKszwpz::runCommand(int id)
{
    switch (id) {
    case cmd::kSave: saveIfModified(); return true;
    case cmd::kNewVoucher: newVoucher(); return true;
    case cmd::kFileOpen: openVoucher(); return true;
    case cmd::kSubjectLookup:
        if (isCommandEnabled(id))
            lookUpSubject();
        return true;
    case cmd::kLargestFreeNumber: generateNumber(0); return true;
    case cmd::kNextFreeNumber: generateNumber(1); return true;
    case cmd::kTemplateVoucher:
        if (isCommandEnabled(id))
            runTemplateCommand();
        return true;
    case cmd::kCut: deleteSelected(true); return true;
    case cmd::kDeleteRow: deleteSelected(false); return true;
    case cmd::kPaste: groupedEdit([this] { Paste(); }); return true;
    case cmd::kUndo: undoEdit(false); return true;
    case cmd::kRedo: undoEdit(true); return true;
    default: return CKsFormView::runCommand(id);
    }
}

void CKszwpz::warnError(const std::exception& error)
{
    if (const auto* store = dynamic_cast<const DatabaseError*>(&error))
        prompt().warn(userMessage(*store, m_voucher.db().path()));
    else
        prompt().warn(error.what());
}

int CKszwpz::saveIfModified()
{
    try {
        commitTyping();
        if (!isModified())
            return voucher_result::kNotSaved;
        const int result = m_voucher.SaveWithConfirm(prompt());
        if (result == voucher_result::kOk || result == voucher_result::kNothingToKeep)
            setModified(false);
        // Lines the save could not keep were emptied.
        m_voucher.resetLinesWithoutSubject();
        updateColumnLayout();
        if (result == voucher_result::kBackToLine && m_voucher.ErrorLine >= 0
            && m_voucher.ErrorLine < m_voucher.lineCount()) {
            placeCaret(m_voucher.ErrorLine, columnOf(Column::Subject), area::kText);
        } else if (result == voucher_result::kBackToField && m_voucher.ErrorField >= 0) {
            placeCaret(0, m_voucher.ErrorField, area::kHead);
        } else {
            const CellPos cell = currentCell();
            if (!cell.area.empty())
                placeCaret(cell.row, std::min(cell.col, formLayout().cellCount(cell.area, cell.row) - 1), cell.area);
        }
        viewport()->update();
        return result;
    } catch (const DatabaseError& error) {
        warnError(error);
        return voucher_result::kBackToEditing;
    }
}

bool CKszwpz::queryClose()
{
    const int result = saveIfModified();
    return result != voucher_result::kBackToField && result != voucher_result::kBackToLine
           && result != voucher_result::kBackToEditing;
}

void CKszwpz::newVoucher()
{
    const int result = saveIfModified();
    if (result == voucher_result::kBackToField || result == voucher_result::kBackToLine
        || result == voucher_result::kBackToEditing)
        return;
    try {
        m_voucher.ResetAsNew();
    } catch (const DatabaseError& error) {
        warnError(error); // the voucher is new all the same, without a generated number
    }
    showVoucherAfresh();
    placeCaret(0, kHeadNumber, area::kHead);
}

void CKszwpz::openVoucher()
{
    const int result = saveIfModified();
    if (result == voucher_result::kBackToField || result == voucher_result::kBackToLine
        || result == voucher_result::kBackToEditing)
        return;
    bool deletedShown = false;
    int loaded = 0;
    try {
        loaded = OpenFromList(m_voucher, prompt(), this, &deletedShown);
    } catch (const DatabaseError& error) {
        warnError(error);
    }
    if (loaded) {
        showVoucherAfresh();
        placeCaret(0, 0, area::kText);
        return;
    }
    if (deletedShown) {
        // The voucher on the screen was deleted from the list: a new one takes its place.
        try {
            m_voucher.ResetAsNew();
        } catch (const DatabaseError& error) {
            warnError(error);
        }
        showVoucherAfresh();
        placeCaret(0, kHeadNumber, area::kHead);
    }
}

void CKszwpz::lookUpSubject()
{
    if (currentCell().area != area::kText || !validLine(currentCell().row))
        return;
    try {
        commitTyping();
        const int row = currentCell().row;
        const int col = columnOf(Column::Subject);
        if (!validLine(row) || !CanEditCell(row, col, area::kText))
            return;
        const std::optional<QString> chosen =
            CSubjectQueryDlg::lookUpSubject(m_voucher.db(), prompt(), qtText(line(row)[VoucherLine::Subject]), this);
        if (!chosen || !validLine(row))
            return;
        const std::string code = chosen->toStdString();
        if (code != line(row)[VoucherLine::Subject]) {
            // The chosen code goes in as if it were typed.
            SetCellValue(row, col, area::kText, code);
            OnCellChanged(row, col, area::kText, code);
            setModified(true);
        } else if (m_voucher.fillMissingDisplay(line(row))) {
            updateColumnLayout();
        }
        placeCaret(row, columnOf(Column::Subject), area::kText);
    } catch (const DatabaseError& error) {
        warnError(error);
    }
}

void CKszwpz::generateNumber(int mode)
{
    try {
        commitTyping();
        const std::string before = m_voucher.head[kHeadNumber];
        int classLength = 0;
        m_voucher.CheckHead(classLength, false, false, mode, prompt());
        if (m_voucher.head[kHeadNumber] != before)
            setModified(true);
        placeCaret(0, m_voucher.ErrorField >= 0 ? m_voucher.ErrorField : kHeadNumber, area::kHead);
    } catch (const DatabaseError& error) {
        warnError(error);
    }
}

int CKszwpz::insertLinesAtCurrentRow(const std::vector<VoucherLine>& lines)
{
    if (lines.empty())
        return 0;
    int refused = 0;
    commitTyping();
    const int at = currentCell().area == area::kText ? std::clamp(currentCell().row, 0, m_voucher.lineCount())
                                                     : m_voucher.lineCount() - 1;
    groupedEdit([&] {
        m_voucher.insertLines(at, static_cast<int>(lines.size()));
        applyRowCount();
        // Each value is typed into its empty cell: refused values stay out, the rules run.
        auto put = [this, &refused](int row, Column role, const std::string& value) {
            const int col = columnOf(role);
            if (col < 0 || value.empty() || !CanEditCell(row, col, area::kText)) {
                refused += value.empty() ? 0 : 1;
                return;
            }
            const CellInfo info = GetCellInfo(row, col, area::kText, false);
            if (!CheckInput(value, "", 0, info.spec, info.maxLength, info.extra)) {
                ++refused;
                return;
            }
            SetCellValue(row, col, area::kText, value);
            OnCellChanged(row, col, area::kText, value);
        };
        for (size_t i = 0; i < lines.size(); ++i) {
            const int row = at + static_cast<int>(i);
            const VoucherLine& source = lines[i];
            put(row, Column::Summary, source[VoucherLine::Summary]);
            put(row, Column::Subject, source[VoucherLine::Subject]);
            for (Column role : {Column::Debit, Column::Credit}) {
                const std::string& amount = source[lineCell(role)];
                if (std::fabs(ReadNumber(amount)) > 0.00001)
                    put(row, role, RemoveGroupCommas(FormatNumber(ReadNumber(amount), 0, 2, 2)));
            }
        }
    });
    setModified(true);
    placeCaret(at, 0, area::kText);
    return refused;
}

void CKszwpz::runTemplateCommand()
{
    // The generation reads the head's date: what is being typed there counts.
    commitTyping();
    if (m_templateGenerator)
        m_templateGenerator(*this);
}

// ---- keyboard and menu ----

void CKszwpz::keyPressEvent(QKeyEvent* event)
{
    const Qt::KeyboardModifiers modifiers =
        event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier | Qt::ShiftModifier);
    const bool plain = modifiers == Qt::NoModifier;
    const bool ctrl = modifiers == Qt::ControlModifier;
    const int key = event->key();
    auto handled = [event] { event->accept(); };
    if (plain && key == Qt::Key_F2) {
        runCommand(cmd::kSubjectLookup);
        return handled();
    }
    if (plain && (key == Qt::Key_F7 || key == Qt::Key_F8)) {
        generateNumber(key == Qt::Key_F7 ? 0 : 1);
        return handled();
    }
    if (ctrl && key == Qt::Key_S) {
        saveIfModified();
        return handled();
    }
    if (ctrl && key == Qt::Key_N) {
        newVoucher();
        return handled();
    }
    if (ctrl && key == Qt::Key_O) {
        openVoucher();
        return handled();
    }
    if (event->matches(QKeySequence::Cut)) {
        deleteSelected(true);
        return handled();
    }
    if (event->matches(QKeySequence::Paste)) {
        groupedEdit([this] { Paste(); });
        return handled();
    }
    if (event->matches(QKeySequence::Undo) || event->matches(QKeySequence::Redo)) {
        undoEdit(event->matches(QKeySequence::Redo));
        return handled();
    }
    CKsFormView::keyPressEvent(event);
}

void CKszwpz::contextMenuEvent(QContextMenuEvent* event)
{
    if (m_lookupAction)
        m_lookupAction->setEnabled(isCommandEnabled(cmd::kSubjectLookup));
    if (m_largestAction)
        m_largestAction->setEnabled(isEditable());
    if (m_nextFreeAction)
        m_nextFreeAction->setEnabled(isEditable());
    CKsFormView::contextMenuEvent(event);
}

} // namespace kszw
