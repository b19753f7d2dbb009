// The three-column ledger (三栏式帐页) of one account and its whole subtree over a span of
// accounting months: in detail mode an opening row, every posted line in date order with its
// running balance, and after each month its 本月合计 and 本年累计 rows; in summary mode the
// opening row and the two total rows per month. Printed in detail mode, a page that ends inside a
// run of lines carries its sums over with "过次页" / "承前页" rows.
//
// The figures come from the account's posted lines read at once through the index on the code,
// so a ledger of 200,000 lines is one pass; nothing is stored between views.
#pragma once

#include "ledger/ledger_conventions.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace kszw {

class Database;

// The eight columns: 月, 日, 凭证号码, 摘要, 借方发生额, 贷方发生额, 借或贷, 余额.
inline constexpr int kLedgerColumns = 8;
using LedgerCells = std::array<std::string, kLedgerColumns>;

struct LedgerRow {
    LedgerCells cells;
    // The row's date (YYYYMMDD): a line's voucher date, or the calendar date of an opening or
    // total row. 查询凭证 opens the voucher of a detail row by this date and cells[2].
    std::string date;
};

// A row with a voucher number is a detail row; opening, total and carry rows have none.
bool isDetailRow(const LedgerCells& cells);

enum class LedgerMode { Automatic = 0, Detail = 1, Summary = 2 };

struct LedgerSpan {
    std::string code; // K, trimmed
    int startMonth = 1;
    int endMonth = 12;
};

// Summary mode: "期 初 余 额 汇 总" when the account has posted lines or opening rows before the
// start, then 本月合计 and 本年累计 per month with posted lines.
std::vector<LedgerRow> BuildSummaryText(Database& db, const AccountingCalendar& calendar, const LedgerSpan& span);
// Detail mode: the opening row ("期 初 余 额 汇 总" with the turnover before the start, or
// "期 初 余 额" with the opening figure alone), every posted line of the span, and the two total
// rows after each month.
std::vector<LedgerRow> BuildDetailText(Database& db, const AccountingCalendar& calendar, const LedgerSpan& span);

// Whether the account has children in the chart.
bool accountHasChildren(Database& db, std::string_view code);
// The mode in force: Detail → detail, Summary → summary, Automatic → detail exactly for a leaf.
bool detailInForce(LedgerMode mode, bool hasChildren);

struct LedgerLoad {
    bool hasChildren = false;
    bool detail = false;
    std::vector<LedgerRow> rows;
};
// LoadLedger without the view: the mode in force and its rows (none: the view keeps what it had).
LedgerLoad loadLedger(Database& db, const AccountingCalendar& calendar, const LedgerSpan& span, LedgerMode mode);

// The printed copy of detail rows with carry rows at page breaks, rowsPerPage body rows a page.
std::vector<LedgerCells> BuildPrintRows(const std::vector<LedgerCells>& rows, int rowsPerPage);

// Title by level: " 总分类帐 ", " 二级分类帐 " … " 六级分类帐 ".
std::string ledgerTitle(int level);
// "本帐户第 %4d 页".
std::string ledgerPageText(int page);
inline constexpr std::string_view kLedgerDocumentTitle = "三栏式帐页";

// The period dialog's checks: nothing, or the message with the field to return to (0 start, 1 end).
struct PeriodRefusal {
    std::string message;
    int field = 0;
};
std::optional<PeriodRefusal> checkPeriodMonths(int startMonth, int endMonth);

} // namespace kszw
