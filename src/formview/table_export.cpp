// Export of a view's table: figures recognised in the texts, the CSV text, the XLSX workbook
// (libxlsxwriter), and writing either under a temporary name that is renamed when complete.
#include "formview/table_export.h"

#include "common/csv.h"
#include "common/prompt.h"
#include "common/text.h"
#include "formula/format_number.h"

#include <xlsxwriter.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <map>
#include <tuple>

namespace kszw {

namespace {

constexpr const char* kByteOrderMark = "\xEF\xBB\xBF";
constexpr int kMinFittingWidth = 4;
constexpr int kMaxFittingWidth = 60;
constexpr double kTitleFontSize = 14;
constexpr int kMaxSheetNameChars = 31;

void tellCannotWrite(Prompt& prompt, const std::string& path)
{
    prompt.warn("无法写入文件“" + path + "”！");
}

// A new, empty file beside the target that nobody else uses, created with the usual permissions;
// empty when none could be made there.
std::string reserveTemporaryBeside(const std::string& path)
{
    const std::filesystem::path target(path);
    const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
    const std::string stem = "." + target.filename().string() + "." + std::to_string(::getpid()) + "-";
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string candidate = (folder / (stem + std::to_string(attempt) + ".part")).string();
        const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            return candidate;
        }
        if (errno != EEXIST)
            return {};
    }
    return {};
}

// Moves the finished temporary file onto the target; the temporary file is gone either way.
bool moveIntoPlace(const std::string& temporary, const std::string& path)
{
    // On the disk before it takes the target's name: a power cut never leaves an empty export.
    const int fd = ::open(temporary.c_str(), O_RDONLY | O_CLOEXEC);
    const bool synced = fd >= 0 && ::fsync(fd) == 0;
    if (fd >= 0)
        ::close(fd);
    if (!synced || std::filesystem::is_directory(path) || ::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

std::string numberText(const ExportCell& cell)
{
    return FixedText(cell.number, cell.decimals);
}

// The records of the table in order: title, head lines, headers, rows, footers, foot lines.
struct Section {
    enum Kind { Title, HeadLine, Header, Body, Footer, FootLine } kind;
    const ExportRow* row;
};

std::vector<Section> sections(const ExportTable& table, const ExportRow& titleRow)
{
    std::vector<Section> list;
    if (!table.title.empty())
        list.push_back({Section::Title, &titleRow});
    auto add = [&list](Section::Kind kind, const std::vector<ExportRow>& rows) {
        for (const ExportRow& row : rows)
            list.push_back({kind, &row});
    };
    add(Section::HeadLine, table.headLines);
    add(Section::Header, table.headerRows);
    add(Section::Body, table.rows);
    add(Section::Footer, table.footRows);
    add(Section::FootLine, table.footLines);
    return list;
}

// ---- XLSX ----

// The formats of a workbook, made once for each combination used.
class FormatCache {
public:
    explicit FormatCache(lxw_workbook* workbook) : m_workbook(workbook) {}

    lxw_format* title()
    {
        if (!m_title) {
            m_title = workbook_add_format(m_workbook);
            format_set_bold(m_title);
            format_set_font_size(m_title, kTitleFontSize);
            format_set_align(m_title, LXW_ALIGN_CENTER);
            format_set_align(m_title, LXW_ALIGN_VERTICAL_CENTER);
        }
        return m_title;
    }

    // A cell of the ruled table, numbers with their decimals. The headers are bold and centred,
    // one block ruled around and between its columns only, as the view rules them.
    lxw_format* tableCell(const ExportCell& cell, bool header, bool firstHeader, bool lastHeader)
    {
        const int decimals = cell.isNumber ? cell.decimals : -1;
        const int rules = header ? 1 + (firstHeader ? 2 : 0) + (lastHeader ? 4 : 0) : 0;
        const auto key = std::make_tuple(rules, static_cast<int>(cell.align), decimals);
        auto found = m_cells.find(key);
        if (found != m_cells.end())
            return found->second;
        lxw_format* format = workbook_add_format(m_workbook);
        format_set_align(format, LXW_ALIGN_VERTICAL_CENTER);
        if (header) {
            format_set_bold(format);
            format_set_left(format, LXW_BORDER_THIN);
            format_set_right(format, LXW_BORDER_THIN);
            if (firstHeader)
                format_set_top(format, LXW_BORDER_THIN);
            if (lastHeader)
                format_set_bottom(format, LXW_BORDER_THIN);
        } else {
            format_set_border(format, LXW_BORDER_THIN);
        }
        switch (cell.align) {
        case ExportAlign::Center: format_set_align(format, LXW_ALIGN_CENTER); break;
        case ExportAlign::Right: format_set_align(format, LXW_ALIGN_RIGHT); break;
        case ExportAlign::Left: break;
        }
        if (cell.isNumber)
            format_set_num_format(format, numberFormat(cell.decimals).c_str());
        m_cells.emplace(key, format);
        return format;
    }

private:
    lxw_workbook* m_workbook;
    lxw_format* m_title = nullptr;
    std::map<std::tuple<int, int, int>, lxw_format*> m_cells;
};

// A sheet name Excel takes: without []:*?/\ and apostrophes at its ends, at most 31 characters.
std::string sheetName(std::string_view title)
{
    std::string name;
    for (const std::string& character : splitChars(trimWhitespace(title))) {
        if (character.size() == 1 && std::string_view("[]:*?/\\").find(character[0]) != std::string_view::npos)
            continue;
        if (charCount(name) == kMaxSheetNameChars)
            break;
        name += character;
    }
    while (!name.empty() && name.front() == '\'')
        name.erase(name.begin());
    while (!name.empty() && name.back() == '\'')
        name.pop_back();
    return trim(name);
}

// Writes the table's workbook to file; false when something could not be written.
bool buildWorkbook(const ExportTable& table, const std::string& file)
{
    lxw_workbook_options options{};
    lxw_workbook* workbook = workbook_new_opt(file.c_str(), &options);
    if (!workbook)
        return false;
    std::string name = sheetName(table.title);
    if (!name.empty() && workbook_validate_sheet_name(workbook, name.c_str()) != LXW_NO_ERROR)
        name.clear();
    lxw_worksheet* sheet = workbook_add_worksheet(workbook, name.empty() ? nullptr : name.c_str());
    if (!sheet) {
        workbook_close(workbook);
        return false;
    }
    FormatCache formats(workbook);
    lxw_error failed = LXW_NO_ERROR;
    auto check = [&failed](lxw_error error) {
        if (failed == LXW_NO_ERROR)
            failed = error;
    };

    const int columns = table.columnCount();
    for (int col = 0; col < static_cast<int>(table.columnWidths.size()); ++col)
        check(worksheet_set_column(sheet, static_cast<lxw_col_t>(col), static_cast<lxw_col_t>(col),
                                   std::max(1, table.columnWidths[static_cast<size_t>(col)]), nullptr));

    const ExportRow titleRow{textCell(table.title)};
    const auto headerStart = static_cast<lxw_row_t>((table.title.empty() ? 0 : 1) + table.headLines.size());
    const auto bodyStart = static_cast<lxw_row_t>(headerStart + table.headerRows.size());
    lxw_row_t row = 0;
    for (const Section& section : sections(table, titleRow)) {
        const ExportRow& cells = *section.row;
        switch (section.kind) {
        case Section::Title:
            if (columns > 1)
                check(worksheet_merge_range(sheet, row, 0, row, static_cast<lxw_col_t>(columns - 1),
                                            table.title.c_str(), formats.title()));
            else
                check(worksheet_write_string(sheet, row, 0, table.title.c_str(), formats.title()));
            check(worksheet_set_row(sheet, row, kTitleFontSize * 1.6, nullptr));
            break;
        case Section::HeadLine:
        case Section::FootLine:
            for (size_t col = 0; col < cells.size(); ++col) {
                const ExportCell& cell = cells[col];
                if (cell.isNumber)
                    check(worksheet_write_number(sheet, row, static_cast<lxw_col_t>(col), cell.number, nullptr));
                else if (!cell.text.empty())
                    check(worksheet_write_string(sheet, row, static_cast<lxw_col_t>(col), cell.text.c_str(), nullptr));
            }
            break;
        case Section::Header:
        case Section::Body:
        case Section::Footer: {
            const bool header = section.kind == Section::Header;
            const bool firstHeader = header && row == headerStart;
            const bool lastHeader = header && row + 1 == bodyStart;
            for (int col = 0; col < columns; ++col) {
                ExportCell cell = col < static_cast<int>(cells.size()) ? cells[static_cast<size_t>(col)] : ExportCell{};
                if (header)
                    cell.align = ExportAlign::Center;
                lxw_format* format = formats.tableCell(cell, header, firstHeader, lastHeader);
                const auto c = static_cast<lxw_col_t>(col);
                if (cell.isNumber)
                    check(worksheet_write_number(sheet, row, c, cell.number, format));
                else if (!cell.text.empty())
                    check(worksheet_write_string(sheet, row, c, cell.text.c_str(), format));
                else
                    check(worksheet_write_blank(sheet, row, c, format));
            }
            break;
        }
        }
        ++row;
    }
    if (!table.headerRows.empty()) {
        // The headers stay in sight while scrolling and head every printed page.
        worksheet_freeze_panes(sheet, bodyStart, 0);
        check(worksheet_repeat_rows(sheet, headerStart, bodyStart - 1));
    }
    worksheet_fit_to_pages(sheet, 1, 0);
    const lxw_error closed = workbook_close(workbook);
    return failed == LXW_NO_ERROR && closed == LXW_NO_ERROR;
}

} // namespace

int ExportTable::columnCount() const
{
    size_t count = std::max<size_t>(1, columnWidths.size());
    for (const std::vector<ExportRow>* rowsOf : {&headLines, &headerRows, &rows, &footRows, &footLines})
        for (const ExportRow& row : *rowsOf)
            count = std::max(count, row.size());
    return static_cast<int>(count);
}

std::optional<Figure> parseFigure(std::string_view text)
{
    const std::string trimmed = trimWhitespace(text);
    std::string_view rest = trimmed;
    std::string plain;
    if (!rest.empty() && (rest.front() == '-' || rest.front() == '+')) {
        if (rest.front() == '-')
            plain += '-';
        rest.remove_prefix(1);
    }
    int digits = 0;
    int decimals = 0;
    bool point = false;
    char previous = '\0';
    for (char c : rest) {
        if (c >= '0' && c <= '9') {
            plain += c;
            ++digits;
            if (point)
                ++decimals;
        } else if (c == ',') {
            // Grouping commas only between digits of the integer part.
            if (point || previous < '0' || previous > '9')
                return std::nullopt;
        } else if (c == '.') {
            if (point || previous < '0' || previous > '9')
                return std::nullopt;
            point = true;
            plain += c;
        } else {
            return std::nullopt;
        }
        previous = c;
    }
    if (digits == 0 || previous == ',' || previous == '.')
        return std::nullopt;
    double value = 0;
    const auto [end, error] = std::from_chars(plain.data(), plain.data() + plain.size(), value);
    if (error != std::errc() || end != plain.data() + plain.size())
        return std::nullopt;
    return Figure{value, decimals};
}

ExportCell textCell(std::string_view text, ExportAlign align)
{
    ExportCell cell;
    cell.text = std::string(text);
    cell.align = align;
    return cell;
}

ExportCell figureCell(std::string_view text)
{
    const std::optional<Figure> figure = parseFigure(text);
    if (!figure)
        return textCell(text, ExportAlign::Right);
    ExportCell cell;
    cell.text = trimWhitespace(text);
    cell.isNumber = true;
    cell.number = figure->value;
    cell.decimals = figure->decimals;
    cell.align = ExportAlign::Right;
    return cell;
}

std::string numberFormat(int decimals)
{
    return decimals > 0 ? "#,##0." + std::string(static_cast<size_t>(decimals), '0') : "#,##0";
}

std::vector<int> fittingColumnWidths(const ExportTable& table)
{
    std::vector<int> widths(static_cast<size_t>(table.columnCount()), kMinFittingWidth);
    for (const std::vector<ExportRow>* rowsOf : {&table.headerRows, &table.rows, &table.footRows})
        for (const ExportRow& row : *rowsOf)
            for (size_t col = 0; col < row.size(); ++col)
                widths[col] = std::clamp(gbkLength(row[col].text) + 2, widths[col], kMaxFittingWidth);
    return widths;
}

// A text a spreadsheet would take for a formula ("=…", "+…", "@…") keeps a leading apostrophe, as
// spreadsheets write a text typed that way: a summary never runs as a formula.
static std::string guardedText(const std::string& text)
{
    if (!text.empty() && (text[0] == '=' || text[0] == '+' || text[0] == '@'))
        return "'" + text;
    return text;
}

std::string exportCsvText(const ExportTable& table)
{
    const size_t columns = static_cast<size_t>(table.columnCount());
    const ExportRow titleRow{textCell(table.title)};
    std::string text = kByteOrderMark;
    for (const Section& section : sections(table, titleRow)) {
        for (size_t col = 0; col < columns; ++col) {
            if (col > 0)
                text += ',';
            if (col < section.row->size()) {
                const ExportCell& cell = (*section.row)[col];
                text += cell.isNumber ? numberText(cell) : csvField(guardedText(cell.text));
            }
        }
        text += "\r\n";
    }
    return text;
}

bool writeExportCsv(const ExportTable& table, const std::string& path, Prompt& prompt)
{
    const std::string temporary = reserveTemporaryBeside(path);
    if (temporary.empty()) {
        tellCannotWrite(prompt, path);
        return false;
    }
    const std::string text = exportCsvText(table);
    bool written = false;
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        file.write(text.data(), static_cast<std::streamsize>(text.size()));
        file.close();
        written = static_cast<bool>(file);
    }
    if (!written) {
        ::unlink(temporary.c_str());
        tellCannotWrite(prompt, path);
        return false;
    }
    if (!moveIntoPlace(temporary, path)) {
        tellCannotWrite(prompt, path);
        return false;
    }
    return true;
}

bool writeExportXlsx(const ExportTable& table, const std::string& path, Prompt& prompt)
{
    const std::string temporary = reserveTemporaryBeside(path);
    if (temporary.empty()) {
        tellCannotWrite(prompt, path);
        return false;
    }
    if (!buildWorkbook(table, temporary)) {
        ::unlink(temporary.c_str());
        tellCannotWrite(prompt, path);
        return false;
    }
    if (!moveIntoPlace(temporary, path)) {
        tellCannotWrite(prompt, path);
        return false;
    }
    return true;
}

} // namespace kszw
