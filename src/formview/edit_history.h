// The undo and redo lists of a form view: each entry is a cell as it was (caret, row, column,
// area, text) before an edit.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kszw {

// One cell state kept for undo or redo. Two records are equal when all five fields are.
struct EditRecord {
    int caret = 0;
    int row = 0;
    int col = 0;
    std::string area;
    std::string text;
    friend bool operator==(const EditRecord&, const EditRecord&) = default;
};

class EditHistory {
public:
    // An edit happened: keeps the state before it unless it equals the top of the undo list;
    // a new edit empties the redo list.
    void recordEdit(const EditRecord& before);

    // Takes the state to go back to; the caller passes the cell's present state, which goes on
    // the redo list. Empty when there is nothing to undo.
    std::optional<EditRecord> undo(const std::function<EditRecord(const EditRecord&)>& present);
    // The same in the opposite direction.
    std::optional<EditRecord> redo(const std::function<EditRecord(const EditRecord&)>& present);

    bool canUndo() const { return !m_undo.empty(); }
    bool canRedo() const { return !m_redo.empty(); }
    const std::vector<EditRecord>& undoList() const { return m_undo; }
    const std::vector<EditRecord>& redoList() const { return m_redo; }
    void clear();

private:
    std::vector<EditRecord> m_undo;
    std::vector<EditRecord> m_redo;
};

} // namespace kszw
