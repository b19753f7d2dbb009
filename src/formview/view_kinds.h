// The kinds of form views and the number (nFlag) under which each keeps its print settings in the
// year data file. A view without variants stores its settings with the mode "0".
#pragma once

#include <array>
#include <string_view>

namespace kszw {

enum class ViewKind {
    VoucherEntry = 1,      // CKszwpz
    VoucherQuery = 2,      // CKszwpz1
    VoucherSummary = 3,    // CKszwpz2
    ThreeColumnLedger = 4, // CKszwzb1
    MultiColumnLedger = 5, // CKszwzb2
    QuantityLedger = 6,    // CKszwzb3 (quantity-amount and foreign-currency ledgers)
    BalanceTable = 7,      // CKszwzb5
    TurnoverTable = 8,     // CKszwzb6
    FuzzyQuery = 9,        // CKszwzb7
    ChartPrint = 10,       // CKszwSubjectPrint
    FinancialReport = 11,  // CKszwReportView (balance sheet, income statement)
};

struct ViewKindInfo {
    ViewKind kind;
    std::string_view viewClass;
    std::string_view name;
};

inline constexpr std::array<ViewKindInfo, 11> kViewKinds = {{
    {ViewKind::VoucherEntry, "CKszwpz", "记帐凭证制作"},
    {ViewKind::VoucherQuery, "CKszwpz1", "记帐凭证查询"},
    {ViewKind::VoucherSummary, "CKszwpz2", "记帐凭证汇总"},
    {ViewKind::ThreeColumnLedger, "CKszwzb1", "三栏式帐"},
    {ViewKind::MultiColumnLedger, "CKszwzb2", "多栏式帐"},
    {ViewKind::QuantityLedger, "CKszwzb3", "数量金额式帐/复币式帐"},
    {ViewKind::BalanceTable, "CKszwzb5", "余额表"},
    {ViewKind::TurnoverTable, "CKszwzb6", "余额及发生额表"},
    {ViewKind::FuzzyQuery, "CKszwzb7", "帐页模糊查询"},
    {ViewKind::ChartPrint, "CKszwSubjectPrint", "科目目录打印"},
    {ViewKind::FinancialReport, "CKszwReportView", "财务报表"},
}};

constexpr int viewFlag(ViewKind kind)
{
    return static_cast<int>(kind);
}

// The mode of a view without variants.
inline constexpr std::string_view kDefaultFieldMode = "0";

} // namespace kszw
