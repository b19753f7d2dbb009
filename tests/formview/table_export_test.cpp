// Export of a table: figures recognised in view texts, the exact CSV bytes (byte-order mark, RFC
// 4180 quoting, plain numbers, CRLF), the XLSX workbook unzipped and its sheet, shared strings
// and styles read back (numbers as numbers in their formats, bold headers, widths, the title
// merged, the headers frozen), and files that cannot be written leaving nothing behind.
#include "common/prompt.h"
#include "formview/table_export.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

namespace kszw {
namespace {

using test::readFile;
using test::shellQuote;

// ---- a small reader of what the workbook holds ----

std::string unzipMember(const std::string& file, const std::string& member)
{
    std::string output;
    if (test::runCommand("unzip -p " + shellQuote(file) + " " + shellQuote(member), output) != 0)
        return {};
    return output;
}

std::string unescapeXml(std::string text)
{
    for (const auto& [entity, character] : std::vector<std::pair<std::string, std::string>>{
             {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&apos;", "'"}, {"&amp;", "&"}}) {
        for (size_t at = text.find(entity); at != std::string::npos; at = text.find(entity, at + 1))
            text.replace(at, entity.size(), character);
    }
    return text;
}

std::vector<std::string> allMatches(const std::string& text, const std::string& pattern, int group = 1)
{
    std::vector<std::string> found;
    const std::regex expression(pattern);
    for (auto it = std::sregex_iterator(text.begin(), text.end(), expression); it != std::sregex_iterator(); ++it)
        found.push_back((*it)[group]);
    return found;
}

struct SheetCell {
    std::string value;   // the text of a string cell, the written number of a number cell
    bool text = false;   // a shared string
    std::string format;  // the number format ("General" when none)
    bool bold = false;
};

struct Workbook {
    std::map<std::string, SheetCell> cells;
    std::string sheetXml;
    std::string sheetName;
};

Workbook readWorkbook(const std::string& file)
{
    Workbook book;
    std::vector<std::string> shared;
    for (const std::string& item : allMatches(unzipMember(file, "xl/sharedStrings.xml"), "<si>([\\s\\S]*?)</si>")) {
        std::string text;
        for (const std::string& piece : allMatches(item, "<t[^>]*>([^<]*)</t>"))
            text += unescapeXml(piece);
        shared.push_back(text);
    }
    const std::string styles = unzipMember(file, "xl/styles.xml");
    std::map<std::string, std::string> formats{{"0", "General"}};
    const std::regex numFmt("<numFmt numFmtId=\"(\\d+)\" formatCode=\"([^\"]*)\"");
    for (auto it = std::sregex_iterator(styles.begin(), styles.end(), numFmt); it != std::sregex_iterator(); ++it)
        formats[(*it)[1]] = unescapeXml((*it)[2]);
    std::vector<bool> boldFonts;
    for (const std::string& font : allMatches(styles, "<font>([\\s\\S]*?)</font>"))
        boldFonts.push_back(font.find("<b/>") != std::string::npos);
    const std::smatch xfsMatch = [&] {
        std::smatch match;
        std::regex_search(styles, match, std::regex("<cellXfs[^>]*>([\\s\\S]*?)</cellXfs>"));
        return match;
    }();
    const std::string xfs = xfsMatch.size() > 1 ? std::string(xfsMatch[1]) : std::string();
    std::vector<std::pair<std::string, int>> styleOf; // number format and font of each style index
    for (const std::string& xf : allMatches(xfs, "<xf ([^>]*)>")) {
        std::smatch id;
        std::smatch font;
        std::regex_search(xf, id, std::regex("numFmtId=\"(\\d+)\""));
        std::regex_search(xf, font, std::regex("fontId=\"(\\d+)\""));
        styleOf.emplace_back(id.size() > 1 ? std::string(id[1]) : "0", font.size() > 1 ? std::stoi(font[1]) : 0);
    }

    book.sheetXml = unzipMember(file, "xl/worksheets/sheet1.xml");
    const std::regex cell("<c r=\"([A-Z]+[0-9]+)\"([^>]*?)(/>|>([\\s\\S]*?)</c>)");
    for (auto it = std::sregex_iterator(book.sheetXml.begin(), book.sheetXml.end(), cell);
         it != std::sregex_iterator(); ++it) {
        const std::string attributes = (*it)[2];
        const std::string content = (*it)[4];
        SheetCell read;
        std::smatch match;
        int style = 0;
        if (std::regex_search(attributes, match, std::regex("s=\"(\\d+)\"")))
            style = std::stoi(match[1]);
        read.text = attributes.find("t=\"s\"") != std::string::npos;
        if (std::regex_search(content, match, std::regex("<v>([^<]*)</v>")))
            read.value = read.text ? shared.at(std::stoul(match[1])) : std::string(match[1]);
        if (static_cast<size_t>(style) < styleOf.size()) {
            read.format = formats[styleOf[static_cast<size_t>(style)].first];
            const int font = styleOf[static_cast<size_t>(style)].second;
            read.bold = static_cast<size_t>(font) < boldFonts.size() && boldFonts[static_cast<size_t>(font)];
        }
        book.cells[(*it)[1]] = read;
    }
    const std::vector<std::string> names = allMatches(unzipMember(file, "xl/workbook.xml"), "<sheet name=\"([^\"]*)\"");
    book.sheetName = names.empty() ? std::string() : unescapeXml(names.front());
    return book;
}

// Files in a folder, hidden ones too.
std::vector<std::string> filesIn(const std::filesystem::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// A small balance-like table with every kind of row and cell.
ExportTable sampleTable()
{
    ExportTable table;
    table.title = "帐户余额表";
    table.headLines = {{textCell(""), textCell("截止时间：2026 年 3 月 31 日"), textCell("")},
                       {textCell("单位：\"岚屿\", 公司")}};
    table.headerRows = {{textCell("科目代码", ExportAlign::Center), textCell("科目名称", ExportAlign::Center),
                         textCell("余额", ExportAlign::Center)}};
    table.rows = {{textCell("1001"), textCell("库存现金"), figureCell("1,234,567.89")},
                  {textCell("1002"), textCell("A&B <银行>"), figureCell("-250.5")},
                  {textCell("1122"), textCell("多行\n名称"), textCell("")},
                  {textCell("1403"), textCell("原材料"), figureCell("12")},
                  {textCell("1405"), textCell("单价"), figureCell("5,177.7778")}};
    table.footRows = {{textCell(""), textCell("合计"), figureCell("1,240,000.00")}};
    table.footLines = {{textCell("会计主管："), textCell("制  表：×××")}};
    table.columnWidths = {17, 41, 17};
    return table;
}

TEST(TableExport, FiguresAreReadAsTheViewsWriteThem)
{
    struct Case {
        const char* text;
        bool figure;
        double value;
        int decimals;
    };
    const Case cases[] = {
        {"1,234,567.89", true, 1234567.89, 2},
        {"  150,945.00 ", true, 150945.0, 2},
        {"-250.5", true, -250.5, 1},
        {"+3.000", true, 3.0, 3},
        {"12", true, 12.0, 0},
        {"0.0001", true, 0.0001, 4},
        {"5177.7778", true, 5177.7778, 4},
        {"", false, 0, 0},
        {"-", false, 0, 0},
        {"1.2.3", false, 0, 0},
        {"1,", false, 0, 0},
        {",100", false, 0, 0},
        {"1.", false, 0, 0},
        {".5", false, 0, 0},
        {"1.5,0", false, 0, 0},
        {"1e5", false, 0, 0},
        {"****", false, 0, 0},
        {"2026年", false, 0, 0},
        {"借", false, 0, 0},
        {"1 000", false, 0, 0},
    };
    for (const Case& c : cases) {
        const std::optional<Figure> figure = parseFigure(c.text);
        ASSERT_EQ(figure.has_value(), c.figure) << c.text;
        if (figure) {
            EXPECT_DOUBLE_EQ(figure->value, c.value) << c.text;
            EXPECT_EQ(figure->decimals, c.decimals) << c.text;
        }
    }
    // A cell of a figure keeps how the view shows it; any other text stays text, right-aligned.
    const ExportCell amount = figureCell(" 1,000.50");
    EXPECT_TRUE(amount.isNumber);
    EXPECT_EQ(amount.text, "1,000.50");
    EXPECT_EQ(amount.align, ExportAlign::Right);
    EXPECT_EQ(figureCell("****"), textCell("****", ExportAlign::Right));
}

TEST(TableExport, NumberFormatsFollowTheDecimals)
{
    EXPECT_EQ(numberFormat(0), "#,##0");
    EXPECT_EQ(numberFormat(2), "#,##0.00");
    EXPECT_EQ(numberFormat(4), "#,##0.0000");
}

TEST(TableExport, FittingWidthsCountChineseCharactersTwice)
{
    ExportTable table;
    table.headerRows = {{textCell("代码"), textCell("名称"), textCell("")}};
    std::string longName;
    for (int i = 0; i < 40; ++i)
        longName += "款";
    table.rows = {{textCell("1002-1-1"), textCell("中国工商银行"), textCell("")},
                  {textCell(""), textCell(longName), textCell("")}};
    table.headLines = {{textCell("head lines do not count, however long they are")}};
    EXPECT_EQ(fittingColumnWidths(table), (std::vector<int>{10, 60, 4}));
    table.rows.pop_back();
    EXPECT_EQ(fittingColumnWidths(table), (std::vector<int>{10, 14, 4}));
}

TEST(TableExport, CsvHasAByteOrderMarkQuotingPlainNumbersAndCrlf)
{
    EXPECT_EQ(exportCsvText(sampleTable()),
              "\xEF\xBB\xBF"
              "帐户余额表,,\r\n"
              ",截止时间：2026 年 3 月 31 日,\r\n"
              "\"单位：\"\"岚屿\"\", 公司\",,\r\n"
              "科目代码,科目名称,余额\r\n"
              "1001,库存现金,1234567.89\r\n"
              "1002,A&B <银行>,-250.5\r\n"
              "1122,\"多行\n名称\",\r\n"
              "1403,原材料,12\r\n"
              "1405,单价,5177.7778\r\n"
              ",合计,1240000.00\r\n"
              "会计主管：,制  表：×××,\r\n");
    // Without a title the table begins with the first head line; a row wider than the widths
    // widens every record.
    ExportTable bare;
    bare.rows = {{textCell("a"), textCell("b")}, {textCell("c")}};
    bare.columnWidths = {5};
    EXPECT_EQ(exportCsvText(bare), "\xEF\xBB\xBF" "a,b\r\nc,\r\n");
    // A summary a spreadsheet would run as a formula stays text.
    ExportTable typed;
    typed.rows = {{textCell("=1+2"), textCell("+86"), textCell("@x"), textCell("-")}};
    EXPECT_EQ(exportCsvText(typed), "\xEF\xBB\xBF" "'=1+2,'+86,'@x,-\r\n");
}

TEST(TableExport, WritingCsvReplacesTheFileAndLeavesNoTemporaryFile)
{
    test::TempDir dir;
    ScriptedPrompt prompt;
    const std::string path = dir.file("余额表.csv");
    std::ofstream(path) << "old";
    ASSERT_TRUE(writeExportCsv(sampleTable(), path, prompt));
    EXPECT_EQ(readFile(path), exportCsvText(sampleTable()));
    EXPECT_EQ(filesIn(dir.path()), std::vector<std::string>{"余额表.csv"});
    EXPECT_TRUE(prompt.entries().empty());
}

TEST(TableExport, TheWorkbookHoldsNumbersAsNumbersInTheirFormats)
{
    test::TempDir dir;
    ScriptedPrompt prompt;
    const std::string path = dir.file("balance.xlsx");
    ASSERT_TRUE(writeExportXlsx(sampleTable(), path, prompt));
    EXPECT_TRUE(prompt.entries().empty());
    EXPECT_EQ(filesIn(dir.path()), std::vector<std::string>{"balance.xlsx"});
    const Workbook book = readWorkbook(path);
    ASSERT_FALSE(book.sheetXml.empty()) << "unzip could not read the workbook";
    EXPECT_EQ(book.sheetName, "帐户余额表");

    // Title merged across the table, bold; the head lines as text above the headers.
    EXPECT_EQ(book.cells.at("A1").value, "帐户余额表");
    EXPECT_TRUE(book.cells.at("A1").bold);
    EXPECT_NE(book.sheetXml.find("<mergeCell ref=\"A1:C1\"/>"), std::string::npos);
    EXPECT_EQ(book.cells.at("B2").value, "截止时间：2026 年 3 月 31 日");
    EXPECT_EQ(book.cells.at("A3").value, "单位：\"岚屿\", 公司");
    EXPECT_FALSE(book.cells.at("A3").bold);

    // Headers bold, body texts as shared strings, amounts as numbers with their formats.
    struct Expected {
        const char* cell;
        const char* value;
        bool text;
        const char* format;
        bool bold;
    };
    const Expected expected[] = {
        {"A4", "科目代码", true, "General", true},
        {"C4", "余额", true, "General", true},
        {"A5", "1001", true, "General", false},
        {"B5", "库存现金", true, "General", false},
        {"C5", "1234567.89", false, "#,##0.00", false},
        {"B6", "A&B <银行>", true, "General", false},
        {"C6", "-250.5", false, "#,##0.0", false},
        {"B7", "多行\n名称", true, "General", false},
        {"C7", "", false, "General", false},
        {"C8", "12", false, "#,##0", false},
        {"C9", "5177.7778", false, "#,##0.0000", false},
        {"B10", "合计", true, "General", false},
        {"C10", "1240000", false, "#,##0.00", false},
        {"A11", "会计主管：", true, "General", false},
        {"B11", "制  表：×××", true, "General", false},
    };
    for (const Expected& e : expected) {
        ASSERT_TRUE(book.cells.count(e.cell)) << e.cell;
        const SheetCell& cell = book.cells.at(e.cell);
        EXPECT_EQ(cell.value, e.value) << e.cell;
        EXPECT_EQ(cell.text, e.text) << e.cell;
        EXPECT_EQ(cell.format, e.format) << e.cell;
        EXPECT_EQ(cell.bold, e.bold) << e.cell;
    }
    // Nothing beyond the table.
    EXPECT_FALSE(book.cells.count("A12"));
    EXPECT_FALSE(book.cells.count("D5"));

    // The view's widths, the headers frozen above the body and repeated on printed pages.
    EXPECT_EQ(allMatches(book.sheetXml, "<col min=\"\\d+\" max=\"\\d+\" width=\"(\\d+)\\."),
              (std::vector<std::string>{"17", "41", "17"}));
    EXPECT_NE(book.sheetXml.find("<pane ySplit=\"4\" topLeftCell=\"A5\""), std::string::npos);
    EXPECT_NE(unzipMember(path, "xl/workbook.xml").find("_xlnm.Print_Titles"), std::string::npos);
}

TEST(TableExport, SheetNamesLeaveOutWhatSpreadsheetsRefuse)
{
    test::TempDir dir;
    ScriptedPrompt prompt;
    struct Case {
        std::string title;
        std::string sheet;
    };
    const Case cases[] = {
        {"总分类帐 1001/库存现金[2026]:*?", "总分类帐 1001库存现金2026"},
        {"'引号'", "引号"},
        {std::string(40, 'x'), std::string(31, 'x')},
        {"", "Sheet1"},
        {"[]", "Sheet1"},
    };
    for (const Case& c : cases) {
        ExportTable table;
        table.title = c.title;
        table.rows = {{textCell("1")}};
        const std::string path = dir.file("names.xlsx");
        ASSERT_TRUE(writeExportXlsx(table, path, prompt)) << c.title;
        EXPECT_EQ(readWorkbook(path).sheetName, c.sheet) << c.title;
    }
}

TEST(TableExport, AFileThatCannotBeWrittenIsToldAndNothingIsLeft)
{
    test::TempDir dir;
    ScriptedPrompt prompt;
    const std::string missing = dir.file("no such folder/x.xlsx");
    EXPECT_FALSE(writeExportXlsx(sampleTable(), missing, prompt));
    EXPECT_EQ(prompt.last(), "无法写入文件“" + missing + "”！");
    EXPECT_FALSE(writeExportCsv(sampleTable(), dir.file("no such folder/x.csv"), prompt));

    // A folder where the file should go: refused, the folder untouched, no temporary file beside it.
    std::filesystem::create_directory(dir.path() / "taken.xlsx");
    prompt.clear();
    EXPECT_FALSE(writeExportXlsx(sampleTable(), dir.file("taken.xlsx"), prompt));
    EXPECT_EQ(prompt.texts(), std::vector<std::string>{"无法写入文件“" + dir.file("taken.xlsx") + "”！"});
    EXPECT_FALSE(writeExportCsv(sampleTable(), dir.file("taken.xlsx"), prompt));
    EXPECT_TRUE(std::filesystem::is_directory(dir.path() / "taken.xlsx"));
    EXPECT_EQ(filesIn(dir.path()), std::vector<std::string>{"taken.xlsx"});
}

} // namespace
} // namespace kszw
