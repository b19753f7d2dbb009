// Clipboard text of cell ranges and the undo/redo lists of cell edits.
#include "formview/cell_clipboard.h"
#include "formview/edit_history.h"

#include <gtest/gtest.h>

namespace kszw {
namespace {

TEST(CellClipboard, BlockTextHasTabsBetweenCellsAndLfAfterEveryRow)
{
    EXPECT_EQ(BuildClipboardText({{"a", "b", "c"}, {"d", "", "f"}}), "a\tb\tc\nd\t\tf\n");
    EXPECT_EQ(BuildClipboardText({{"现金"}}), "现金\n");
    EXPECT_EQ(BuildClipboardText({}), "");
}

TEST(CellClipboard, TextSplitsIntoRowsAndCells)
{
    struct Case {
        const char* text;
        CellBlock rows;
        int columns;
    };
    const Case cases[] = {
        {"a\tb\tc\nd\te\tf\n", {{"a", "b", "c"}, {"d", "e", "f"}}, 3},
        {"a\tb\r\nc\r\n", {{"a", "b"}, {"c"}}, 2},
        {"plain", {{"plain"}}, 1},
        {"x\ny", {{"x"}, {"y"}}, 1},
        {"\n", {{""}}, 1},
        {"a\t\n", {{"a", ""}}, 2},
        {"", {}, 0},
        {"a\rb\n", {{"a\rb"}}, 1},
    };
    for (const Case& c : cases) {
        const CellBlock rows = ParseClipboardText(c.text);
        EXPECT_EQ(rows, c.rows) << c.text;
        EXPECT_EQ(ClipboardColumns(rows), c.columns) << c.text;
    }
}

EditRecord record(int caret, const char* text)
{
    return EditRecord{caret, 0, 2, "TEXT", text};
}

TEST(EditHistory, UndoAndRedoMoveStatesBetweenTheLists)
{
    EditHistory history;
    history.recordEdit(record(0, ""));
    history.recordEdit(record(1, "a"));
    history.recordEdit(record(1, "a")); // equal to the top: kept once
    history.recordEdit(record(2, "ab"));
    EXPECT_EQ(history.undoList().size(), 3u);
    std::string present = "abc";
    auto state = [&](const EditRecord& r) { return EditRecord{static_cast<int>(present.size()), r.row, r.col, r.area, present}; };
    auto undone = history.undo(state);
    ASSERT_TRUE(undone);
    EXPECT_EQ(undone->text, "ab");
    present = "ab";
    EXPECT_EQ(history.undo(state)->text, "a");
    ASSERT_EQ(history.redoList().size(), 2u);
    EXPECT_EQ(history.redoList().back().text, "ab");
    present = "a";
    EXPECT_EQ(history.redo(state)->text, "ab");
    EXPECT_EQ(history.undoList().back().text, "a");
    history.recordEdit(record(2, "ab"));
    EXPECT_FALSE(history.canRedo());
    history.clear();
    EXPECT_FALSE(history.undo(state).has_value());
}

} // namespace
} // namespace kszw
