// Undo and redo lists of cell edits.
#include "formview/edit_history.h"

namespace kszw {

namespace {

void pushDistinct(std::vector<EditRecord>& list, const EditRecord& record)
{
    if (list.empty() || !(list.back() == record))
        list.push_back(record);
}

std::optional<EditRecord> move(std::vector<EditRecord>& from, std::vector<EditRecord>& to,
                               const std::function<EditRecord(const EditRecord&)>& present)
{
    if (from.empty())
        return std::nullopt;
    EditRecord record = from.back();
    from.pop_back();
    pushDistinct(to, present(record));
    return record;
}

} // namespace

void EditHistory::recordEdit(const EditRecord& before)
{
    pushDistinct(m_undo, before);
    m_redo.clear();
}

std::optional<EditRecord> EditHistory::undo(const std::function<EditRecord(const EditRecord&)>& present)
{
    return move(m_undo, m_redo, present);
}

std::optional<EditRecord> EditHistory::redo(const std::function<EditRecord(const EditRecord&)>& present)
{
    return move(m_redo, m_undo, present);
}

void EditHistory::clear()
{
    m_undo.clear();
    m_redo.clear();
}

} // namespace kszw
