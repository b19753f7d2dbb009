// kszw-cli view --format xlsx on the demo set: the workbook unzipped and its sheet read back gives
// the same rows and the same amounts as --format tsv, amounts as numbers; the view's foot line
// under the table; the format needs --out; csv keeps its shape (a byte-order mark in a file only).
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <regex>
#include <sstream>

namespace kszw {
namespace {

using test::shellQuote;

int cli(const std::string& arguments, std::string& output)
{
    return test::runCommand(shellQuote(KSZW_CLI_PATH) + " " + arguments, output);
}

std::string unzipMember(const std::string& file, const std::string& member)
{
    std::string output;
    return test::runCommand("unzip -p " + shellQuote(file) + " " + shellQuote(member), output) == 0 ? output
                                                                                                  : std::string();
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

// A cell of the first sheet: its text (shared strings resolved) or its number as written.
struct SheetCell {
    std::string value;
    bool number = false;
};

// The sheet's rows from 1, each a map from column letter to cell.
std::map<int, std::map<char, SheetCell>> readSheet(const std::string& file)
{
    std::vector<std::string> shared;
    const std::string strings = unzipMember(file, "xl/sharedStrings.xml");
    const std::regex item("<si><t[^>]*>([^<]*)</t></si>");
    for (auto it = std::sregex_iterator(strings.begin(), strings.end(), item); it != std::sregex_iterator(); ++it)
        shared.push_back(unescapeXml((*it)[1]));
    std::map<int, std::map<char, SheetCell>> rows;
    const std::string sheet = unzipMember(file, "xl/worksheets/sheet1.xml");
    const std::regex cell("<c r=\"([A-Z])([0-9]+)\"([^>]*?)(/>|>(?:<f>[^<]*</f>)?<v>([^<]*)</v></c>)");
    for (auto it = std::sregex_iterator(sheet.begin(), sheet.end(), cell); it != std::sregex_iterator(); ++it) {
        const std::string attributes = (*it)[3];
        const std::string value = (*it)[5];
        SheetCell read;
        if (attributes.find("t=\"s\"") != std::string::npos) {
            read.value = shared.at(std::stoul(value));
        } else if (!value.empty()) {
            read.value = value;
            read.number = true;
        }
        rows[std::stoi((*it)[2])][std::string((*it)[1])[0]] = read;
    }
    return rows;
}

// The TSV output split into lines of cells.
std::vector<std::vector<std::string>> tsvRows(const std::string& text)
{
    std::vector<std::vector<std::string>> rows;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        std::vector<std::string> cells;
        size_t start = 0;
        for (size_t tab = line.find('\t'); tab != std::string::npos; tab = line.find('\t', start)) {
            cells.push_back(line.substr(start, tab - start));
            start = tab + 1;
        }
        cells.push_back(line.substr(start));
        rows.push_back(cells);
    }
    return rows;
}

// An amount as the view shows it, as a number ("1,723,383.00" → 1723383).
double amountOf(const std::string& text)
{
    std::string plain;
    for (char c : text)
        if (c != ',')
            plain += c;
    return std::strtod(plain.c_str(), nullptr);
}

class CliViewExport : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir = new test::TempDir;
        std::string output;
        ASSERT_EQ(cli("demo " + shellQuote(dir->file("demo")) + " --year 2026", output), 0) << output;
        file = shellQuote(dir->file("demo/2026.ksk"));
    }
    static void TearDownTestSuite()
    {
        delete dir;
        dir = nullptr;
    }

    // The workbook and the TSV rows of one view with the same options; the amounts of every
    // figure column are compared cell by cell: a number in the workbook exactly where the TSV
    // shows an amount.
    static void expectSameAsTsv(const std::string& view, const std::vector<size_t>& amountColumns, int heads,
                                const std::string& footLine)
    {
        std::string output;
        const std::string xlsx = dir->file(view + ".xlsx");
        ASSERT_EQ(cli("view " + file + " " + view + " --operator 102 --format xlsx --out " + shellQuote(xlsx), output),
                  0)
            << output;
        EXPECT_EQ(output, "");
        ASSERT_EQ(cli("view " + file + " " + view + " --operator 102", output), 0) << output;
        const std::vector<std::vector<std::string>> tsv = tsvRows(output);
        const auto sheet = readSheet(xlsx);
        ASSERT_FALSE(sheet.empty()) << "unzip could not read the workbook";

        // Title, head lines, then the header row and the body rows, the foot line last.
        EXPECT_EQ(sheet.at(1).at('A').value, tsv[0][0].substr(2));
        for (int head = 1; head < heads - 1; ++head)
            EXPECT_EQ(sheet.at(head + 1).at('A').value, tsv[static_cast<size_t>(head)][0].substr(2));
        const int firstTableRow = heads; // the foot line is not above the table
        size_t amounts = 0;
        for (size_t line = static_cast<size_t>(heads); line < tsv.size(); ++line) {
            const auto& cells = sheet.at(firstTableRow + static_cast<int>(line) - heads);
            const bool header = line == static_cast<size_t>(heads);
            for (size_t col = 0; col < tsv[line].size(); ++col) {
                const std::string& shown = tsv[line][col];
                const auto found = cells.find(static_cast<char>('A' + col));
                const SheetCell cell = found == cells.end() ? SheetCell{} : found->second;
                const bool amountColumn =
                    std::find(amountColumns.begin(), amountColumns.end(), col) != amountColumns.end();
                if (!header && amountColumn && !shown.empty()) {
                    EXPECT_TRUE(cell.number) << view << " line " << line << " column " << col;
                    EXPECT_DOUBLE_EQ(std::strtod(cell.value.c_str(), nullptr), amountOf(shown))
                        << view << " line " << line << " column " << col << ": " << shown;
                    ++amounts;
                } else {
                    EXPECT_FALSE(cell.number) << view << " line " << line << " column " << col;
                    EXPECT_EQ(cell.value, shown) << view << " line " << line << " column " << col;
                }
            }
        }
        EXPECT_GT(amounts, 10u);
        const int footRow = firstTableRow + static_cast<int>(tsv.size()) - heads;
        EXPECT_EQ(sheet.at(footRow).at('A').value, footLine);
        EXPECT_FALSE(sheet.count(footRow + 1));
    }

    static test::TempDir* dir;
    static std::string file;
};

test::TempDir* CliViewExport::dir = nullptr;
std::string CliViewExport::file;

TEST_F(CliViewExport, TheBalanceTableWorkbookHasTheNumbersOfTheTsv)
{
    expectSameAsTsv("balance", {3}, 4, "会计主管：    复  核：    制  表：×××");
    // The codes stay text: "1001" is not the number 1001.
    const auto sheet = readSheet(dir->file("balance.xlsx"));
    EXPECT_EQ(sheet.at(4).at('A').value, "科目代码");
    EXPECT_EQ(sheet.at(5).at('A').value, "1001");
    EXPECT_FALSE(sheet.at(5).at('A').number);
    EXPECT_NE(unzipMember(dir->file("balance.xlsx"), "xl/styles.xml").find("formatCode=\"#,##0.00\""),
              std::string::npos);
}

TEST_F(CliViewExport, TheTurnoverTableWorkbookHasTheNumbersOfTheTsv)
{
    expectSameAsTsv("turnover", {3, 4, 5, 7}, 4, "会计主管：    复  核：    制  表：×××");
}

TEST_F(CliViewExport, XlsxNeedsAnOutputFileAndOtherFormatsKeepTheirShape)
{
    std::string output;
    EXPECT_EQ(test::runCommand(shellQuote(KSZW_CLI_PATH) + " view " + file + " balance --operator 102 --format xlsx",
                               output, true),
              2);
    EXPECT_NE(output.find("--format xlsx needs --out PATH"), std::string::npos) << output;
    EXPECT_EQ(test::runCommand(shellQuote(KSZW_CLI_PATH) + " view " + file + " balance --operator 102 --format xls",
                               output, true),
              2);
    EXPECT_NE(output.find("--format takes tsv, csv, xlsx or pdf for this view"), std::string::npos) << output;

    // CSV on stdout has no byte-order mark (scripts read it); a CSV file has one.
    ASSERT_EQ(cli("view " + file + " balance --operator 102 --format csv", output), 0);
    EXPECT_EQ(output.rfind("# 帐户余额表\n", 0), 0u) << output;
    const std::string csv = dir->file("balance.csv");
    ASSERT_EQ(cli("view " + file + " balance --operator 102 --format csv --out " + shellQuote(csv), output), 0);
    std::string bytes;
    test::runCommand("head -c 3 " + shellQuote(csv) + " | od -An -tx1", bytes);
    EXPECT_EQ(bytes, " ef bb bf\n");

    // A refused view writes no workbook.
    const std::string refused = dir->file("refused.xlsx");
    EXPECT_EQ(test::runCommand(shellQuote(KSZW_CLI_PATH) + " view " + file +
                                   " balance --operator 102 --date 20261399 --format xlsx --out " + shellQuote(refused),
                               output, true),
              1);
    EXPECT_EQ(output, "输入月份不合理，请重输！\n");
    EXPECT_FALSE(std::filesystem::exists(refused));
}

} // namespace
} // namespace kszw
