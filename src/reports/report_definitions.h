// The definitions of the financial statements a year file prints from its books: each statement
// has a number, a name, the form code printed at its top right, two amount columns and its lines
// in printed order. A line has its item text, the line number it shows (行次, empty for a heading),
// one formula per amount column, and marks for bold print and indent.
//
// A statement with two halves (the balance sheet) prints its lines of half 0 on the left and those
// of half 1 on the right, side by side; the line numbers run on across both halves.
//
// Formulas use the evaluator of the voucher templates with its data functions (ye, jf, df, sl …),
// plus the statements' own (report_calculation.h): yf() the statement's accounting month, r(N) the
// value of the line numbered N in the same column, sy() a profit-and-loss subject's net amount
// without the profit transfers. An empty formula gives an empty cell (zero where r() reads it).
//
// The program ships two statements, 资产负债表 and 利润表 of a small enterprise, their formulas
// written against the year's chart (a line names only those subjects of its group that the chart
// has, so a chart without 短期投资 gets an empty line rather than an error). A file uses them as
// they come until a definition is first stored: then the year file's tables KSRPT and KSRPTROW
// are made and hold every statement from there on. Reading never writes.
#pragma once

#include <array>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace kszw {

class Database;

inline constexpr int kBalanceSheetNumber = 1;
inline constexpr int kIncomeStatementNumber = 2;
inline constexpr std::string_view kBalanceSheetName = "资产负债表";
inline constexpr std::string_view kIncomeStatementName = "利润表";

// The longest item text and formula a line keeps (characters).
inline constexpr int kMaxItemLength = 40;
inline constexpr int kMaxFormulaLength = 500;
inline constexpr int kMaxLineNumber = 999;

struct ReportLine {
    int half = 0;           // 0 the left (or only) half, 1 the right half
    std::string item;       // 项目, without the indent
    std::string lineNumber; // 行次 as shown, digits; empty for a heading
    std::array<std::string, 2> formulas;
    bool bold = false;
    int indent = 0; // in full-width blanks before the item
    friend bool operator==(const ReportLine&, const ReportLine&) = default;
};

struct ReportDefinition {
    int number = 0;
    std::string name;
    std::string formCode;               // "会小企01表"
    std::array<std::string, 2> columns; // "期末余额", "年初余额"
    bool twoHalves = false;
    std::vector<ReportLine> lines; // printed order; on two halves the left half's lines first
    friend bool operator==(const ReportDefinition&, const ReportDefinition&) = default;
};

// How the year's chart numbers its classes: as the demo set's chart (企业会计准则: owners' equity
// 4xxx, costs 5xxx, profit and loss 6xxx), or as the small enterprises' chart of 2013 (小企业会计
// 准则: 3xxx, 4xxx, 5xxx), known by its 3103 本年利润 (or by 3001 without 4001). Assets and
// liabilities are numbered alike in both.
enum class ChartNumbering { Enterprise, SmallEnterprise };
ChartNumbering chartNumbering(const std::set<std::string>& codes);
ChartNumbering chartNumbering(Database& db);
// The first digit of the profit-and-loss subjects in that numbering: '6' or '5'.
inline char profitAndLossClass(ChartNumbering numbering)
{
    return numbering == ChartNumbering::SmallEnterprise ? '5' : '6';
}

// The two statements as shipped, their formulas written against the chart of the year file.
std::vector<ReportDefinition> shippedReports(Database& db);

// Whether the year file has the definition tables.
bool reportTablesExist(Database& db);
// Makes the two tables when the file lacks them (inside the caller's transaction).
void createReportTables(Database& db);

// The statements in number order: those stored, or the shipped ones of a file without the tables.
std::vector<ReportDefinition> loadReports(Database& db);
// One statement by its name (blanks around it ignored); nothing when there is none of that name.
std::optional<ReportDefinition> findReport(Database& db, std::string_view name);

// Why a definition cannot be stored, or nothing: an empty name, an item text or a formula too long,
// a line number that is not a number from 1 to 999 or is used twice, a line without an item.
// Formulas are checked by checkReportFormulas.
std::optional<std::string> checkReportShape(const ReportDefinition& definition);

// Stores a statement in place of the stored one of its number (or as a new one), as one
// transaction; the tables are made first when the file lacks them.
void saveReport(Database& db, const ReportDefinition& definition);
// Stores several statements so, all of them or (on an error) none.
void saveReports(Database& db, const std::vector<ReportDefinition>& definitions);
// The shipped statement of that number written against the present chart and stored in place of
// the stored one; returns it. Raises nothing for an unknown number: returns nothing.
std::optional<ReportDefinition> restoreShippedReport(Database& db, int number);

// The item as printed: the indent in full-width blanks, then the text.
std::string indentedItem(const ReportLine& line);

} // namespace kszw
