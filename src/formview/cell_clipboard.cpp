// Building and splitting the plain text that carries cell ranges through the clipboard.
#include "formview/cell_clipboard.h"

#include <algorithm>

namespace kszw {

std::string BuildClipboardText(const CellBlock& rows)
{
    std::string text;
    for (const auto& row : rows) {
        for (size_t i = 0; i < row.size(); ++i) {
            if (i > 0)
                text += '\t';
            text += row[i];
        }
        text += '\n';
    }
    return text;
}

CellBlock ParseClipboardText(std::string_view text)
{
    CellBlock rows;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        std::string_view line = text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (end != std::string_view::npos && !line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        std::vector<std::string> cells;
        size_t cellStart = 0;
        while (true) {
            size_t tab = line.find('\t', cellStart);
            cells.emplace_back(line.substr(cellStart, tab == std::string_view::npos ? std::string_view::npos
                                                                                   : tab - cellStart));
            if (tab == std::string_view::npos)
                break;
            cellStart = tab + 1;
        }
        rows.push_back(std::move(cells));
        if (end == std::string_view::npos)
            break;
        start = end + 1;
    }
    return rows;
}

int ClipboardColumns(const CellBlock& block)
{
    size_t width = 0;
    for (const auto& row : block)
        width = std::max(width, row.size());
    return static_cast<int>(width);
}

} // namespace kszw
