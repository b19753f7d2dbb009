// The voucher summary (记帐凭证汇总表): the debit and credit amounts of chosen complete vouchers
// of one accounting month, added up by top-level subject, or below a parent subject by its
// children. A line counts under each of its ancestors: a line on 101-02-3 is in 101 at the top,
// in 101-02 below 101 and in 101-02-3 below 101-02.
#pragma once

#include "voucher/voucher_selection.h"

#include <string>
#include <string_view>
#include <vector>

namespace kszw {

class Database;

inline constexpr std::string_view kSummaryTitle = " 记帐凭证汇总表 ";
inline constexpr std::string_view kSummaryCaption = "记帐凭证汇总表";
inline constexpr std::string_view kSummaryTotalLabel = "    合      计";

// What the summary adds up: a month and either chosen voucher numbers or chosen class codes with a
// status range (vouchers chosen by number are complete by choice and taken whatever their status).
struct SummarySelection {
    std::string month; // "03"
    bool byClass = false;
    std::vector<std::string> numbers;
    std::vector<std::string> classes;
    VoucherRange range = VoucherRange::All;
};

struct SummaryRow {
    std::string code;
    std::string name;
    double debit = 0;
    double credit = 0;
};

struct VoucherSummary {
    std::vector<SummaryRow> rows; // in the order of the codes' numbers
    double debitTotal = 0;
    double creditTotal = 0;
};

// The summary below parent ("" for the top level). An empty choice gives no rows and zero totals.
VoucherSummary BuildSummary(Database& db, const SummarySelection& selection, std::string_view parent);
// True when the subject has children (it can be opened into a summary by its children).
bool summaryCanOpen(Database& db, std::string_view code);
// The parent one level up: the code up to its last "-", "" at the top.
std::string summaryParentUp(std::string_view parent);

// Page texts: the header label "2026 年 3 月", the column titles, the totals row's cells, the
// foot texts and the page number "第 1 页".
std::string summaryHeaderLabel(int year, int month);
std::vector<std::string> summaryColumnTitles();
std::vector<std::string> summaryRowCells(const SummaryRow& row);
std::vector<std::string> summaryTotalsCells(const VoucherSummary& summary);
std::vector<std::string> summaryFootTexts(std::string_view chiefAccountant, std::string_view operatorName);
std::string summaryPageText(int page);

} // namespace kszw
