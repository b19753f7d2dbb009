// CKsFormView editing: the keyboard table, typing through the cell's input specification, adding
// a row after a filled last row, copy, cut, delete and paste of cell ranges, undo and redo.
#include "formview/ui/form_view.h"

#include "common/text.h"
#include "formula/format_number.h"
#include "formview/cell_clipboard.h"
#include "formview/input_spec.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QScrollBar>

#include <algorithm>
#include <cmath>

namespace kszw {

namespace {

bool contains(std::string_view text, std::string_view part)
{
    return text.find(part) != std::string_view::npos;
}

// True when a cell counts as filled for adding a row: a non-zero number in a NUMBER cell, any
// text in a STRING or CLASSNOSTRING cell.
bool isFilled(const CellInfo& info)
{
    if (contains(info.spec, "NUMBER"))
        return std::fabs(ReadNumber(RemoveGroupCommas(info.text))) > 0.00001;
    if (contains(info.spec, "CLASSNOSTRING") || contains(info.spec, "STRING"))
        return !info.text.empty();
    return false;
}

// The text with the character at index removed.
std::string removeCharacter(const std::string& text, int index)
{
    std::vector<std::string> chars = splitChars(text);
    if (index < 0 || index >= static_cast<int>(chars.size()))
        return text;
    chars.erase(chars.begin() + index);
    std::string result;
    for (const auto& c : chars)
        result += c;
    return result;
}

// The code points of a QString as UTF-8 strings.
std::vector<std::string> characters(const QString& text)
{
    std::vector<std::string> result;
    for (char32_t code : text.toUcs4())
        result.push_back(QString::fromUcs4(&code, 1).toStdString());
    return result;
}

} // namespace

// ---- keyboard ----

void CKsFormView::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    if (key == Qt::Key_Control || key == Qt::Key_Shift || key == Qt::Key_NumLock || key == Qt::Key_CapsLock ||
        key == Qt::Key_Alt || key == Qt::Key_Meta) {
        event->ignore();
        return;
    }
    if (!m_initialized || GetPageRows(false) < 1 || m_current.area.empty()) {
        event->ignore();
        return;
    }
    // Shift+F10 opens the context menu at the current cell, as the menu key does.
    if (key == Qt::Key_F10 && (event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier))
                                  == Qt::ShiftModifier) {
        QContextMenuEvent menu(QContextMenuEvent::Keyboard, QPoint(), mapToGlobal(QPoint()));
        QCoreApplication::sendEvent(viewport(), &menu);
        event->accept();
        return;
    }
    if (event->matches(QKeySequence::Copy)) {
        Copy();
        return;
    }
    if (event->matches(QKeySequence::Cut)) {
        Cut();
        return;
    }
    if (event->matches(QKeySequence::Paste)) {
        Paste();
        return;
    }
    if (event->matches(QKeySequence::Undo)) {
        Undo();
        return;
    }
    if (event->matches(QKeySequence::Redo)) {
        Redo();
        return;
    }
    m_shiftHeld = event->modifiers().testFlag(Qt::ShiftModifier);
    handleKey(event);
    m_shiftHeld = false;
    ensureCurrentVisible();
}

void CKsFormView::handleKey(QKeyEvent* event)
{
    const bool ctrl = event->modifiers().testFlag(Qt::ControlModifier);
    const CellPos cell = m_current;
    switch (event->key()) {
    case Qt::Key_Left:
        if (m_editable && cell.caret > 0)
            SetCurrentCell(cell.row, cell.col, cell.caret - 1, cell.area, true);
        else
            moveHorizontal(false);
        return;
    case Qt::Key_Right:
        if (m_editable && cell.caret < textLength(cell.row, cell.col, cell.area))
            SetCurrentCell(cell.row, cell.col, cell.caret + 1, cell.area, true);
        else
            moveHorizontal(true);
        return;
    case Qt::Key_Tab:
        m_shiftHeld = false;
        moveHorizontal(true, true);
        return;
    case Qt::Key_Backtab:
        m_shiftHeld = false;
        moveHorizontal(false, true);
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        m_shiftHeld = false;
        if (!moveHorizontal(true, true))
            moveVertical(true, 0); // the first cell of the next row
        return;
    case Qt::Key_Up: moveVertical(false, cell.col); return;
    case Qt::Key_Down: moveVertical(true, cell.col); return;
    case Qt::Key_PageUp:
    case Qt::Key_PageDown: {
        if (cell.area != area::kText)
            return;
        const int rows = GetPageRows(false);
        const int step = event->key() == Qt::Key_PageDown ? rows : -rows;
        verticalScrollBar()->setValue(firstVisibleRow() + step);
        const int row = std::clamp(cell.row + step, 0, m_layout.textRows - 1);
        SetCurrentCell(row, cell.col, m_editable ? textLength(row, cell.col, area::kText) : 0, area::kText, true);
        return;
    }
    case Qt::Key_Home:
        if (ctrl) {
            scrollToRow(0);
            SetCurrentCell(0, 0, 0, area::kText, true);
        } else if (m_editable) {
            SetCurrentCell(cell.row, cell.col, 0, cell.area, true);
        } else {
            SetCurrentCell(cell.row, 0, 0, cell.area, true);
        }
        return;
    case Qt::Key_End:
        if (ctrl) {
            const int row = m_layout.textRows - 1;
            const int col = m_layout.columnCount() - 1;
            scrollToRow(verticalScrollBar()->maximum());
            SetCurrentCell(row, col, m_editable ? textLength(row, col, area::kText) : 0, area::kText, true);
        } else if (m_editable) {
            SetCurrentCell(cell.row, cell.col, textLength(cell.row, cell.col, cell.area), cell.area, true);
        } else {
            SetCurrentCell(cell.row, m_layout.cellCount(cell.area, cell.row) - 1, 0, cell.area, true);
        }
        return;
    case Qt::Key_Backspace:
    case Qt::Key_Delete: {
        if (!m_editable || !CanEditCell(cell.row, cell.col, cell.area))
            return;
        CellInfo info = GetCellInfo(cell.row, cell.col, cell.area, false);
        const int length = charCount(info.text);
        const int caret = std::clamp(cell.caret, 0, length);
        const bool back = event->key() == Qt::Key_Backspace;
        const int index = back ? caret - 1 : caret;
        if (index < 0 || index >= length)
            return;
        storeEdit(EditRecord{cell.caret, cell.row, cell.col, cell.area, info.text}, removeCharacter(info.text, index),
                  back ? caret - 1 : caret);
        return;
    }
    default: break;
    }
    const bool printable = !event->text().isEmpty() && event->text().at(0).isPrint();
    if (!printable || (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) {
        event->ignore(); // Escape, function keys and shortcuts belong to others
        return;
    }
    for (const std::string& character : characters(event->text()))
        typeCharacter(character);
}

bool CKsFormView::moveHorizontal(bool right, bool toEnd)
{
    const CellPos cell = m_current;
    const int col = cell.col + (right ? 1 : -1);
    if (col < 0 || col >= m_layout.cellCount(cell.area, cell.row))
        return false;
    const int caret = !m_editable || (right && !toEnd) ? 0 : textLength(cell.row, col, cell.area);
    SetCurrentCell(cell.row, col, caret, cell.area, true);
    return true;
}

void CKsFormView::moveVertical(bool down, int col)
{
    const CellPos cell = m_current;
    auto go = [&](int row, std::string_view area) {
        const int target = std::min(col, m_layout.cellCount(area, row) - 1);
        const int caret = m_editable ? textLength(row, target, area) : 0;
        SetCurrentCell(row, target, caret, area, true);
    };
    auto firstWithCells = [&](std::string_view area, int from, int to, int step) {
        for (int row = from; row != to; row += step)
            if (m_layout.cellCount(area, row) > 0)
                return row;
        return -1;
    };
    const int textRows = m_layout.textRows;
    const bool textHasCells = m_layout.columnCount() > 0;
    if (down) {
        if (cell.area == area::kHead) {
            if (int row = firstWithCells(area::kHead, cell.row + 1, m_layout.headRows, 1); row >= 0)
                go(row, area::kHead);
            else if (textHasCells)
                go(std::min(firstVisibleRow(), textRows - 1), area::kText);
        } else if (cell.area == area::kText) {
            if (cell.row + 1 < textRows)
                go(cell.row + 1, area::kText);
            else if (AppendRowIfNeeded())
                go(cell.row + 1, area::kText);
            else if (int row = firstWithCells(area::kFoot, 0, m_layout.footRows, 1); row >= 0)
                go(row, area::kFoot);
        } else if (int row = firstWithCells(area::kFoot, cell.row + 1, m_layout.footRows, 1); row >= 0) {
            go(row, area::kFoot);
        }
        return;
    }
    if (cell.area == area::kHead) {
        if (int row = firstWithCells(area::kHead, cell.row - 1, -1, -1); row >= 0)
            go(row, area::kHead);
    } else if (cell.area == area::kText) {
        if (cell.row > 0)
            go(cell.row - 1, area::kText);
        else if (int row = firstWithCells(area::kHead, m_layout.headRows - 1, -1, -1); row >= 0)
            go(row, area::kHead);
    } else if (int row = firstWithCells(area::kFoot, cell.row - 1, -1, -1); row >= 0) {
        go(row, area::kFoot);
    } else if (textHasCells) {
        const int lastVisible = firstVisibleRow() + std::max(1, GetPageRows(false)) - 1;
        go(std::clamp(lastVisible, 0, textRows - 1), area::kText);
    }
}

void CKsFormView::inputMethodEvent(QInputMethodEvent* event)
{
    for (const std::string& character : characters(event->commitString()))
        typeCharacter(character);
    event->accept();
}

QVariant CKsFormView::inputMethodQuery(Qt::InputMethodQuery query) const
{
    if (query == Qt::ImEnabled)
        return m_editable != 0;
    if (query == Qt::ImCursorRectangle) {
        auto* self = const_cast<CKsFormView*>(this);
        return self->caretRect().translated(-horizontalScrollBar()->value(), 0);
    }
    return QAbstractScrollArea::inputMethodQuery(query);
}

// ---- typing ----

bool CKsFormView::typeCharacter(const std::string& character)
{
    if (character.empty() || !m_editable || GetPageRows(false) < 1)
        return false;
    const CellPos cell = m_current;
    if (!cellExists(cell.row, cell.col, cell.area) || !CanEditCell(cell.row, cell.col, cell.area))
        return false;
    const unsigned char first = static_cast<unsigned char>(character[0]);
    if (character.size() == 1 && (first < 0x20 || first == 0x7f))
        return false;
    CellInfo info = GetCellInfo(cell.row, cell.col, cell.area, false);
    const std::string typed = TypedForSpec(character, info.spec);
    const int caret = std::clamp(cell.caret, 0, charCount(info.text));
    if (!CheckInput(typed, info.text, caret, info.spec, info.maxLength, info.extra))
        return false;
    const std::string before = leftChars(info.text, caret);
    std::string text = before + typed + info.text.substr(before.size());
    storeEdit(EditRecord{cell.caret, cell.row, cell.col, cell.area, info.text}, text, caret + charCount(typed));
    return true;
}

void CKsFormView::storeEdit(const EditRecord& before, const std::string& text, int caret)
{
    SetCellValue(before.row, before.col, before.area, text);
    const bool anchorHere =
        m_anchor.row == m_current.row && m_anchor.col == m_current.col && m_anchor.area == m_current.area;
    m_current.caret = caret;
    if (anchorHere)
        m_anchor = m_current;
    else
        m_anchor.caret = caret;
    m_modified = 1;
    m_history.recordEdit(before);
    m_caretVisible = true;
    viewport()->update();
}

bool CKsFormView::AppendRowIfNeeded()
{
    if (!IsRowAppendAllowed() || !m_editable)
        return false;
    const int row = m_current.area == area::kText ? m_current.row : m_layout.textRows - 1;
    if (m_current.area == area::kText && !CanEditCell(m_current.row, m_current.col, m_current.area))
        return false;
    bool filled = false;
    for (int col = 0; col < m_layout.columnCount() && !filled; ++col)
        filled = isFilled(GetCellInfo(row, col, area::kText, false));
    if (!filled)
        return false;
    OnRowsAdded(1);
    m_layout.textRows += 1;
    updateScrollSizes();
    return true;
}

// ---- clipboard ----

void CKsFormView::Copy()
{
    const CellRange range = selection();
    if (range.area.empty())
        return;
    CellBlock block;
    for (int row = range.top; row <= range.bottom; ++row) {
        std::vector<std::string> cells;
        for (int col = range.left; col <= range.right; ++col)
            cells.push_back(GetCellInfo(row, col, range.area, false).text);
        block.push_back(std::move(cells));
    }
    QApplication::clipboard()->setText(QString::fromStdString(BuildClipboardText(block)));
}

void CKsFormView::Cut()
{
    if (!m_editable || !hasSelection())
        return;
    Copy();
    DeleteSelection();
}

void CKsFormView::DeleteSelection()
{
    if (!m_editable || m_current.area.empty())
        return;
    commitEnteredCell();
    CellRange range = selection();
    if (range.area.empty())
        range = CellRange{m_current.area, m_current.row, m_current.col, m_current.row, m_current.col};
    if (range.area == area::kText && range.left == 0 && range.right == m_layout.columnCount() - 1 &&
        hasSelection() && removeSelectedRows(range))
        return;
    for (int row = range.top; row <= range.bottom; ++row) {
        for (int col = range.left; col <= range.right; ++col) {
            if (!cellExists(row, col, range.area) || !CanEditCell(row, col, range.area))
                continue;
            CellInfo info = GetCellInfo(row, col, range.area, false);
            if (!info.text.empty())
                m_history.recordEdit(EditRecord{charCount(info.text), row, col, range.area, info.text});
            SetCellValue(row, col, range.area, "");
            OnCellChanged(row, col, range.area, "");
            m_modified = 1;
        }
    }
    refreshEnteredText();
    if (range.contains(m_current.row, m_current.col))
        m_current.caret = 0;
    m_anchor = m_current;
    viewport()->update();
}

bool CKsFormView::removeSelectedRows(const CellRange& range)
{
    const int total = m_layout.textRows;
    const int n = m_layout.columnCount();
    const int count = range.bottom - range.top + 1;
    int removed = count;
    if (count >= total) {
        // Every row: the table keeps one row, emptied.
        for (int col = 0; col < n; ++col) {
            SetCellValue(0, col, area::kText, "");
            OnCellChanged(0, col, area::kText, "");
        }
        removed = total - 1;
    } else {
        for (int row = range.bottom + 1; row < total; ++row) {
            for (int col = 0; col < n; ++col) {
                const std::string text = GetCellInfo(row, col, area::kText, false).text;
                SetCellValue(row - count, col, area::kText, text);
                OnCellChanged(row - count, col, area::kText, text);
            }
        }
    }
    if (removed > 0) {
        OnRowsAdded(-removed);
        m_layout.textRows -= removed;
    }
    // Rows moved: the recorded cell states no longer match their rows.
    m_history.clear();
    m_current = CellPos{0, std::min(m_current.row, m_layout.textRows - 1), 0, std::string(area::kText)};
    m_anchor = m_current;
    m_selectionKind.clear();
    m_entered = m_current;
    m_enteredText = GetCellInfo(m_current.row, 0, area::kText, true).text;
    m_modified = 1;
    updateScrollSizes();
    ensureCurrentVisible();
    emit currentCellChanged();
    return true;
}

void CKsFormView::Paste()
{
    if (!m_editable)
        return;
    const QString text = QApplication::clipboard()->text();
    if (!text.isEmpty())
        pasteText(text.toStdString());
}

void CKsFormView::pasteText(const std::string& text)
{
    if (!m_editable || !cellExists(m_current.row, m_current.col, m_current.area))
        return;
    const CellBlock block = ParseClipboardText(text);
    if (block.empty())
        return;
    commitEnteredCell();
    const CellPos at = m_current;
    // A value is stored only when it passes the cell's check as if typed into the empty cell.
    auto fill = [&](int row, int col, std::string_view area, const std::string& value, bool record) {
        if (!cellExists(row, col, area) || !CanEditCell(row, col, area))
            return;
        CellInfo info = GetCellInfo(row, col, area, false);
        std::string typed = TypedForSpec(value, info.spec);
        if (contains(info.spec, "NUMBER"))
            typed = RemoveGroupCommas(typed);
        if (!CheckInput(typed, "", 0, info.spec, info.maxLength, info.extra))
            return;
        if (record && typed != info.text)
            m_history.recordEdit(EditRecord{charCount(info.text), row, col, std::string(area), info.text});
        SetCellValue(row, col, area, typed);
        OnCellChanged(row, col, area, typed);
        m_modified = 1;
    };
    const int rows = static_cast<int>(block.size());
    const int columns = ClipboardColumns(block);
    const int n = m_layout.columnCount();
    if (at.area == area::kText && at.col == 0 && columns >= n && IsRowAppendAllowed()) {
        const int oldRows = m_layout.textRows;
        OnRowsAdded(rows);
        m_layout.textRows += rows;
        OnInsertRows(at.row, oldRows - 1, rows);
        for (int i = 0; i < rows; ++i) {
            const auto& cells = block[static_cast<size_t>(i)];
            for (int col = 0; col < n && col < static_cast<int>(cells.size()); ++col)
                fill(at.row + i, col, area::kText, cells[static_cast<size_t>(col)], false);
        }
        // Rows moved: the recorded cell states no longer match their rows.
        m_history.clear();
        m_modified = 1;
    } else {
        // A short row leaves the cells beyond its last one as they are.
        for (int i = 0; i < rows; ++i) {
            const auto& cells = block[static_cast<size_t>(i)];
            for (int j = 0; j < static_cast<int>(cells.size()); ++j)
                fill(at.row + i, at.col + j, at.area, cells[static_cast<size_t>(j)], true);
        }
    }
    refreshEnteredText();
    m_current.caret = std::clamp(m_current.caret, 0, textLength(m_current.row, m_current.col, m_current.area));
    m_anchor = m_current;
    updateScrollSizes();
}

// ---- undo and redo ----

EditRecord CKsFormView::presentState(const EditRecord& record)
{
    EditRecord present = record;
    present.text = cellExists(record.row, record.col, record.area)
                       ? GetCellInfo(record.row, record.col, record.area, false).text
                       : std::string();
    const bool current =
        m_current.row == record.row && m_current.col == record.col && m_current.area == record.area;
    present.caret = current ? m_current.caret : charCount(present.text);
    return present;
}

void CKsFormView::applyUndoRecord(const EditRecord& record)
{
    if (!cellExists(record.row, record.col, record.area))
        return;
    SetCellValue(record.row, record.col, record.area, record.text);
    SetCurrentCell(record.row, record.col, record.caret, record.area, false);
    m_current.caret = std::clamp(record.caret, 0, charCount(record.text));
    m_anchor = m_current;
    m_modified = 1;
    viewport()->update();
}

void CKsFormView::Undo()
{
    if (!m_editable)
        return;
    if (auto record = m_history.undo([this](const EditRecord& r) { return presentState(r); }))
        applyUndoRecord(*record);
}

void CKsFormView::Redo()
{
    if (!m_editable)
        return;
    if (auto record = m_history.redo([this](const EditRecord& r) { return presentState(r); }))
        applyUndoRecord(*record);
}

} // namespace kszw
