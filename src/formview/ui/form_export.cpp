// Export of a form view: its page drawn once, as tall as all its body rows, with a recorder in
// place of the painting, so that every view — whatever it draws its texts with — gives the texts
// it shows, each where it is drawn; then the table is written by the core writers.
#include "formview/ui/form_export.h"

#include "common/command_ids.h"
#include "common/text.h"
#include "formview/ui/form_view.h"
#include "formview/ui/print_dialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QImage>
#include <QPaintDevice>
#include <QPainter>

#include <algorithm>
#include <climits>
#include <cmath>
#include <utility>

namespace kszw {

namespace {

constexpr int kPageDpi = 96;

// A page measured like a screen at 96 dpi, one dot wide and as tall as asked: the geometry of the
// drawing is computed on it, nothing is ever painted on it.
class MeasuringPage : public QPaintDevice {
public:
    explicit MeasuringPage(int height) : m_height(std::max(1, height)) {}
    QPaintEngine* paintEngine() const override { return nullptr; }

protected:
    int metric(PaintDeviceMetric metric) const override
    {
        switch (metric) {
        case PdmWidth: return 1;
        case PdmHeight: return m_height;
        case PdmWidthMM: return 1;
        case PdmHeightMM: return static_cast<int>(static_cast<long long>(m_height) * 254 / (kPageDpi * 10));
        case PdmNumColors: return INT_MAX;
        case PdmDepth: return 32;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY: return kPageDpi;
        case PdmDevicePixelRatio: return 1;
        case PdmDevicePixelRatioScaled: return static_cast<int>(devicePixelRatioFScale());
        default: return 0;
        }
    }

private:
    int m_height;
};

// Whether a text is one wide (non-ASCII) character at that end: such pieces of a stacked header
// ("借", "或", "贷") join without a blank.
bool wideAtEnd(const std::string& text, bool front)
{
    if (text.empty())
        return false;
    const std::vector<std::string> characters = splitChars(text);
    return (front ? characters.front() : characters.back()).size() > 1;
}

std::string withoutTrailingBlanks(std::string_view text)
{
    const size_t end = text.find_last_not_of(" \t\r\n");
    return end == std::string_view::npos ? std::string() : std::string(text.substr(0, end + 1));
}

void appendText(std::string& to, const std::string& piece)
{
    if (piece.empty())
        return;
    if (!to.empty() && !(wideAtEnd(to, false) && wideAtEnd(piece, true)))
        to += ' ';
    to += piece;
}

ExportCell cellOf(const std::string& text, const std::string& align)
{
    if (align == "RIGHT" || align == "PERCENT")
        return figureCell(text);
    return textCell(text, align == "MID" ? ExportAlign::Center : ExportAlign::Left);
}

bool isEmptyRow(const ExportRow& row)
{
    return std::all_of(row.begin(), row.end(), [](const ExportCell& cell) { return cell.text.empty(); });
}

// Collects what the drawing of one page writes, each text in its cell or on its line.
class TextCollector : public DrawnTextRecorder {
public:
    TextCollector(CKsFormView& view, const FormGeometry& geometry, const QPaintDevice& page)
        : m_view(view), m_geometry(geometry), m_page(page), m_layout(view.formLayout()),
          m_columns(std::max(0, m_layout.columnCount()))
    {
        m_text.assign(static_cast<size_t>(std::max(0, m_layout.textRows)), std::vector<Cell>(m_columns));
        m_formHead.assign(static_cast<size_t>(m_layout.formHeadRows), std::vector<Cell>(m_columns));
        m_formFoot.assign(static_cast<size_t>(m_layout.formFootRows), std::vector<Cell>(m_columns));
    }

    void cellText(std::string_view area, int row, int col, std::string_view text, std::string_view align) override
    {
        // Blanks that place a body text in its cell (a centred "合  计") stay, as on the screen.
        const bool body = area == area::kText || area == area::kFormFoot;
        const std::string piece = body ? withoutTrailingBlanks(text) : trimWhitespace(text);
        if (area == area::kHead || area == area::kFoot || area == area::kTail) {
            if (!piece.empty())
                linesOf(area).push_back({row, m_geometry.cellRect(area, row, col).x, piece});
            return;
        }
        Cell* cell = tableCell(area, row, col);
        if (!cell)
            return;
        appendText(cell->text, piece);
        if (!piece.empty() || cell->align.empty())
            cell->align = std::string(align);
    }

    void areaText(std::string_view area, int x, int y, const QString& text) override
    {
        const std::string piece = trimWhitespace(text.toStdString());
        if (piece.empty())
            return;
        const QFontMetrics metrics(m_view.areaFont(areaFontIndex(area)), &m_page);
        const int middleX = x + metrics.horizontalAdvance(text) / 2;
        const int middleY = y + metrics.height() / 2;
        if (area == area::kTopic) {
            m_title.push_back({0, x, piece});
        } else if (area == area::kHead) {
            m_head.push_back({lineAt(middleY, m_geometry.headTop(), area::kHead, m_layout.headRows), x, piece});
        } else if (area == area::kFoot || area == area::kTail) {
            m_foot.push_back({lineAt(middleY, m_geometry.footTop(), area::kFoot, m_layout.footRows), x, piece});
        } else if (area == area::kText || area == area::kFormHead || area == area::kFormFoot) {
            const int top = area == area::kText       ? m_geometry.textTop()
                            : area == area::kFormHead ? m_geometry.formHeadTop()
                                                      : m_geometry.formFootTop();
            const int rows = area == area::kText       ? m_layout.textRows
                             : area == area::kFormHead ? m_layout.formHeadRows
                                                       : m_layout.formFootRows;
            if (Cell* cell = tableCell(area, lineAt(middleY, top, area::kText, rows), columnAt(middleX)))
                appendText(cell->text, piece);
        }
    }

    ExportTable table() const
    {
        ExportTable table;
        std::vector<Placed> title = m_title;
        std::stable_sort(title.begin(), title.end(), [](const Placed& a, const Placed& b) { return a.x < b.x; });
        for (const Placed& piece : title)
            appendText(table.title, piece.text);
        table.headLines = placedLines(m_head);

        table.headerRows = headerRows();

        table.rows = tableRows(m_text);
        while (!table.rows.empty() && isEmptyRow(table.rows.back()))
            table.rows.pop_back();
        for (ExportRow& row : tableRows(m_formFoot))
            if (!isEmptyRow(row))
                table.footRows.push_back(std::move(row));
        table.footLines = placedLines(m_foot);

        for (int width : m_layout.columnWidths)
            table.columnWidths.push_back(std::max(0, width) + 1); // a column is its width and a character
        return table;
    }

private:
    struct Cell {
        std::string text;
        std::string align;
    };
    struct Placed {
        int line;
        int x;
        std::string text;
    };

    std::vector<Placed>& linesOf(std::string_view area) { return area == area::kHead ? m_head : m_foot; }

    Cell* tableCell(std::string_view area, int row, int col)
    {
        std::vector<std::vector<Cell>>* grid = area == area::kText       ? &m_text
                                               : area == area::kFormHead ? &m_formHead
                                               : area == area::kFormFoot ? &m_formFoot
                                                                         : nullptr;
        if (!grid || row < 0 || row >= static_cast<int>(grid->size()) || col < 0 || col >= m_columns)
            return nullptr;
        return &(*grid)[static_cast<size_t>(row)][static_cast<size_t>(col)];
    }

    // The row of an area that y falls in, kept within the area's rows.
    int lineAt(int y, int top, std::string_view area, int rows) const
    {
        const int height = std::max(1, m_geometry.rowHeight(area));
        const int line = y >= top ? (y - top) / height : 0;
        return std::clamp(line, 0, std::max(0, rows - 1));
    }

    // The column x lies in, the first or last when it lies outside the table.
    int columnAt(int x) const
    {
        int col = 0;
        while (col + 1 < m_columns && m_geometry.columnEdge(col + 1) <= x)
            ++col;
        return col;
    }

    // Lines of placed texts: each text in the column it begins in, texts of one column joined.
    std::vector<ExportRow> placedLines(std::vector<Placed> placed) const
    {
        std::stable_sort(placed.begin(), placed.end(), [](const Placed& a, const Placed& b) {
            return a.line != b.line ? a.line < b.line : a.x < b.x;
        });
        std::vector<ExportRow> lines;
        for (size_t i = 0; i < placed.size();) {
            std::vector<std::string> texts(static_cast<size_t>(std::max(1, m_columns)));
            const int line = placed[i].line;
            for (; i < placed.size() && placed[i].line == line; ++i) {
                std::string& text = texts[static_cast<size_t>(columnAt(placed[i].x))];
                text += (text.empty() ? "" : " ") + placed[i].text;
            }
            ExportRow row;
            for (const std::string& text : texts)
                row.push_back(textCell(text));
            lines.push_back(std::move(row));
        }
        return lines;
    }

    // The column headers in the rows the view puts them in, rows without a text left out; a
    // header stacked one character a row ("借", "或", "贷") becomes one text ("借或贷") in the row
    // that holds most headers.
    std::vector<ExportRow> headerRows() const
    {
        std::vector<std::vector<std::string>> grid;
        for (const std::vector<Cell>& row : m_formHead) {
            grid.emplace_back();
            for (const Cell& cell : row)
                grid.back().push_back(cell.text);
        }
        std::vector<bool> stacked(static_cast<size_t>(m_columns));
        for (size_t col = 0; col < stacked.size(); ++col) {
            int pieces = 0;
            bool single = true;
            for (const std::vector<std::string>& row : grid) {
                if (row[col].empty())
                    continue;
                ++pieces;
                single = single && splitChars(row[col]).size() == 1 && row[col].size() > 1;
            }
            stacked[col] = pieces >= 2 && single;
        }
        size_t mainRow = 0;
        int most = -1;
        for (size_t row = 0; row < grid.size(); ++row) {
            int filled = 0;
            for (size_t col = 0; col < stacked.size(); ++col)
                filled += !stacked[col] && !grid[row][col].empty() ? 1 : 0;
            if (filled > most) {
                most = filled;
                mainRow = row;
            }
        }
        for (size_t col = 0; col < stacked.size(); ++col) {
            if (!stacked[col])
                continue;
            std::string joined;
            for (std::vector<std::string>& row : grid)
                joined += std::exchange(row[col], std::string());
            grid[mainRow][col] = joined;
        }
        std::vector<ExportRow> rows;
        for (const std::vector<std::string>& texts : grid) {
            ExportRow row;
            for (const std::string& text : texts)
                row.push_back(textCell(text, ExportAlign::Center));
            if (!isEmptyRow(row))
                rows.push_back(std::move(row));
        }
        return rows;
    }

    static std::vector<ExportRow> tableRows(const std::vector<std::vector<Cell>>& grid)
    {
        std::vector<ExportRow> rows;
        rows.reserve(grid.size());
        for (const std::vector<Cell>& cells : grid) {
            ExportRow row;
            row.reserve(cells.size());
            for (const Cell& cell : cells)
                row.push_back(cellOf(cell.text, cell.align));
            rows.push_back(std::move(row));
        }
        return rows;
    }

    CKsFormView& m_view;
    const FormGeometry& m_geometry;
    const QPaintDevice& m_page;
    const FormLayout& m_layout;
    int m_columns;
    std::vector<std::vector<Cell>> m_text;
    std::vector<std::vector<Cell>> m_formHead;
    std::vector<std::vector<Cell>> m_formFoot;
    std::vector<Placed> m_title;
    std::vector<Placed> m_head;
    std::vector<Placed> m_foot;
};

// Clears the recorder however the drawing ends.
struct RecordingScope {
    CKsFormView& view;
    RecordingScope(CKsFormView& v, DrawnTextRecorder& recorder) : view(v) { view.setTextRecorder(&recorder); }
    ~RecordingScope() { view.setTextRecorder(nullptr); }
    RecordingScope(const RecordingScope&) = delete;
    RecordingScope& operator=(const RecordingScope&) = delete;
};

// Asks for the file to export to; empty when cancelled.
QString askExportFile(CKsFormView& view, const QString& caption, const QString& filter, const QString& suffix,
                      QWidget* parent)
{
    QFileDialog dialog(parent, caption, lastOutputFolder(), filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(suffix);
    dialog.selectFile(QDir(lastOutputFolder()).filePath(proposedExportName(view, suffix)));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    QString file = dialog.selectedFiles().constFirst();
    if (file.isEmpty())
        return {};
    if (!file.endsWith(QLatin1Char('.') + suffix, Qt::CaseInsensitive))
        file += QLatin1Char('.') + suffix;
    lastOutputFolder() = QFileInfo(file).absolutePath();
    return file;
}

} // namespace

ExportTable collectExportTable(CKsFormView& view)
{
    view.initialUpdate();
    const FormLayout& layout = view.formLayout();
    // A page with room for every body row: the view lays out its footers and foot lines under
    // the last of them, as on a screen as tall as the table.
    const FormGeometry probe = view.geometryFor(MeasuringPage(1), false);
    const long long needed = static_cast<long long>(probe.textTop()) +
                             (static_cast<long long>(layout.textRows) + layout.formFootRows + 1) *
                                 probe.rowHeight(area::kText) +
                             static_cast<long long>(layout.footRows) * probe.rowHeight(area::kFoot) +
                             std::lround(view.viewSettings().page.pageBottom * probe.dotsPerUnitY()) + 1;
    const MeasuringPage page(static_cast<int>(std::min<long long>(needed, INT_MAX / 2)));
    const FormGeometry geometry = view.geometryFor(page, false);

    TextCollector collector(view, geometry, page);
    QImage canvas(1, 1, QImage::Format_RGB32);
    QPainter painter(&canvas);
    {
        RecordingScope scope(view, collector);
        view.OnDraw(painter, page, false, 0);
    }
    painter.end();
    return collector.table();
}

QString proposedExportName(CKsFormView& view, const QString& suffix)
{
    QString name = view.windowTitle();
    name.remove(QStringLiteral("[*]"));
    name = name.trimmed();
    if (name.isEmpty())
        name = QString::fromStdString(trimWhitespace(view.exportTable().title));
    static const QString forbidden = QStringLiteral("/\\:*?\"<>|");
    QString clean;
    for (QChar c : name)
        if (!forbidden.contains(c) && c.unicode() >= 0x20)
            clean += c;
    clean = clean.trimmed();
    while (clean.startsWith(QLatin1Char('.')))
        clean.remove(0, 1);
    if (clean.isEmpty())
        clean = QStringLiteral("导出");
    return clean + QLatin1Char('.') + suffix;
}

bool exportViewToCsv(CKsFormView& view, const QString& file, Prompt& prompt)
{
    return writeExportCsv(view.exportTable(), file.toStdString(), prompt);
}

bool exportViewToXlsx(CKsFormView& view, const QString& file, Prompt& prompt)
{
    return writeExportXlsx(view.exportTable(), file.toStdString(), prompt);
}

bool exportViewToCsvAsked(CKsFormView& view, Prompt& prompt, QWidget* parent)
{
    const QString file = askExportFile(view, QStringLiteral("导出 CSV 文件"), QStringLiteral("CSV 文件(*.csv)"),
                                       QStringLiteral("csv"), parent);
    return !file.isEmpty() && exportViewToCsv(view, file, prompt);
}

bool exportViewToXlsxAsked(CKsFormView& view, Prompt& prompt, QWidget* parent)
{
    const QString file = askExportFile(view, QStringLiteral("导出 Excel 文件"),
                                       QStringLiteral("Excel 工作簿(*.xlsx)"), QStringLiteral("xlsx"), parent);
    return !file.isEmpty() && exportViewToXlsx(view, file, prompt);
}

bool isExportCommand(int id)
{
    return id == cmd::kExportCsv || id == cmd::kExportXlsx;
}

bool runExportCommand(CKsFormView& view, int id, Prompt& prompt)
{
    switch (id) {
    case cmd::kExportCsv: exportViewToCsvAsked(view, prompt, &view); return true;
    case cmd::kExportXlsx: exportViewToXlsxAsked(view, prompt, &view); return true;
    default: return false;
    }
}

} // namespace kszw
