// A view's table as it leaves the program: the title, the head lines above the table, the column
// headers, the body rows, the footer rows and the foot lines, each cell a text or a number with
// its decimals, and the column widths. Written as CSV (UTF-8 with a byte-order mark, RFC 4180
// quoting, CRLF line ends, numbers plain) or as an XLSX workbook through libxlsxwriter (numbers
// as numbers with a "#,##0.00"-style format, the headers bold, the columns as wide as the view's).
// A file is written under a temporary name beside the target and renamed when it is complete, so
// a failed export never leaves half a file behind.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kszw {

struct Prompt;

enum class ExportAlign { Left, Center, Right };

// One cell: a text, or a number (the text is how the view shows it, e.g. "1,234.50").
struct ExportCell {
    std::string text;
    bool isNumber = false;
    double number = 0;
    int decimals = 0;
    ExportAlign align = ExportAlign::Left;
    friend bool operator==(const ExportCell&, const ExportCell&) = default;
};
using ExportRow = std::vector<ExportCell>;

struct ExportTable {
    std::string title;                 // centred over the table; empty when none
    std::vector<ExportRow> headLines;  // lines above the table, their texts in the columns they begin in
    std::vector<ExportRow> headerRows; // column headers
    std::vector<ExportRow> rows;       // body rows
    std::vector<ExportRow> footRows;   // footer rows of the table (totals)
    std::vector<ExportRow> footLines;  // lines under the table
    std::vector<int> columnWidths;     // characters, one per column

    // The widest of the rows and the widths (at least 1).
    int columnCount() const;
};

// A figure as the views show amounts and quantities: blanks around it, an optional sign, digits
// with or without grouping commas, an optional point and decimals. Nothing for any other text.
struct Figure {
    double value = 0;
    int decimals = 0;
};
std::optional<Figure> parseFigure(std::string_view text);

// A text cell.
ExportCell textCell(std::string_view text, ExportAlign align = ExportAlign::Left);
// A cell of a figure's text: a right-aligned number when it is one, a text cell otherwise.
ExportCell figureCell(std::string_view text);

// The spreadsheet number format for that many decimals: "#,##0", "#,##0.00" …
std::string numberFormat(int decimals);
// Widths in characters that fit each column's longest text (Chinese characters counting two),
// between 4 and 60, for tables that come without the view's widths.
std::vector<int> fittingColumnWidths(const ExportTable& table);

// The CSV bytes of the table: a byte-order mark, then the title, head lines, headers, rows,
// footers and foot lines, each record of columnCount() fields, CRLF after each.
std::string exportCsvText(const ExportTable& table);

// Writes the CSV or the XLSX file, replacing what was at path; false, with "无法写入文件“path”！"
// told, when it could not be written (nothing is left behind then).
bool writeExportCsv(const ExportTable& table, const std::string& path, Prompt& prompt);
bool writeExportXlsx(const ExportTable& table, const std::string& path, Prompt& prompt);

} // namespace kszw
