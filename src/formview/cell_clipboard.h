// Cell ranges as clipboard text: cells of a row separated by TAB, every row (the last one too)
// ended by LF; and the reverse, clipboard text split into rows and cells.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kszw {

using CellBlock = std::vector<std::vector<std::string>>;

// The clipboard text of a block of cells.
std::string BuildClipboardText(const CellBlock& rows);

// The rows and cells of clipboard text. Rows end at LF (a CR right before it is dropped, as
// other programs end lines with CR LF); a last line without LF is a row too. Cells are split at
// TAB. Rows keep their own number of cells.
CellBlock ParseClipboardText(std::string_view text);

// The number of columns of a block: the cell count of its widest row.
int ClipboardColumns(const CellBlock& block);

} // namespace kszw
