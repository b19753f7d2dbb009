// The multi-column ledger (多栏式帐页) of an account marked for one: a column per child account,
// the debit-side children first, then the credit-side ones, each showing the net amount on its side
// of the lines posted to the child or below it. Summary mode gives the opening row and per month
// "本  月  汇  总" and "本  年  累  计"; detail mode every posted line of the children themselves,
// then "本  月  合  计" and "本  年  累  计" per month. Lines on grandchildren count in the month
// totals under their child's column but have no row of their own.
#pragma once

#include "ledger/ledger_conventions.h"
#include "ledger/three_column_ledger.h"

#include <string>
#include <vector>

namespace kszw {

class Database;

// A column of the ledger: a child account of the shown one.
struct LedgerColumn {
    std::string code;
    std::string name;
    int sign = 1;  // DLF: 1 debit column, -1 credit column
    int width = 10; // 2 × DLW characters
};

// Children whose side was never set (DLF 0) become debit columns five units wide, written to the
// file once: the only write of the ledgers. One transaction.
void setDefaultColumnSides(Database& db, std::string_view code);
// The columns of the account: debit columns first, each side in the numeric order of the codes.
std::vector<LedgerColumn> ledgerColumns(Database& db, std::string_view code);
// Whether anything is posted below the account up to the end month (else the ledger stays as it
// was, and choosing the account is refused with kNoEntriesBelow).
bool hasEntriesBelow(Database& db, std::string_view code, int endMonth);
inline constexpr std::string_view kNoEntriesBelow = "本科目无经济内容!";

// A row: 月, 日, 凭证号码, 摘要, one cell per column, 借或贷, 余额; and its date (YYYYMMDD).
struct MultiColumnRow {
    std::vector<std::string> cells;
    std::string date;
};

std::vector<MultiColumnRow> BuildMultiColumnSummary(Database& db, const AccountingCalendar& calendar,
                                                    const LedgerSpan& span, const std::vector<LedgerColumn>& columns);
std::vector<MultiColumnRow> BuildMultiColumnDetail(Database& db, const AccountingCalendar& calendar,
                                                   const LedgerSpan& span, const std::vector<LedgerColumn>& columns);

// The printed copy of detail rows with a page sum per column in the carry rows.
std::vector<std::vector<std::string>> BuildMultiColumnPrintRows(const std::vector<std::vector<std::string>>& rows,
                                                                int rowsPerPage);

inline constexpr std::string_view kMultiColumnTitle = " 多栏式帐页 ";
inline constexpr std::string_view kMultiColumnDocumentTitle = "多栏式帐页";
// "本帐户第%4d 页" (no blank after 第).
std::string multiColumnPageText(int page);

} // namespace kszw
