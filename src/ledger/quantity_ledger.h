// The quantity-amount ledger (数量金额式帐页) and the foreign-currency ledger (复币式帐页) of one
// leaf account over a span of accounting months. Both list an opening row, every posted line of
// the account in date order, and after each month its 本月合计 and 本年累计 rows; each movement
// and the balance are a triple — quantity, unit price, amount for the first, foreign amount,
// exchange rate, local amount for the second (NU holds the quantity or the foreign amount). The
// price or rate is derived from the other two. Printed, a page that ends inside a run of lines
// carries its movement sums over with "过次页" / "承前页" rows.
//
// The account's own rows are read at once through the index on the code; nothing is stored.
#pragma once

#include "ledger/ledger_conventions.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kszw {

class Database;

// Which of the two ledgers: FZ "1" (quantity and amount) or FZ "2" (foreign currency).
enum class QuantityKind { Quantity = 0, Currency = 1 };

// The fourteen columns: 月, 日, 凭证号码, 摘要, the debit triple, the credit triple, 借或贷, the
// balance triple.
inline constexpr int kQuantityColumns = 14;
using QuantityCells = std::array<std::string, kQuantityColumns>;
namespace quantity_column {
inline constexpr int kMonth = 0, kDay = 1, kNumber = 2, kSummary = 3;
inline constexpr int kDebitQuantity = 4, kDebitPrice = 5, kDebitAmount = 6;
inline constexpr int kCreditQuantity = 7, kCreditPrice = 8, kCreditAmount = 9;
inline constexpr int kDirection = 10;
inline constexpr int kBalanceQuantity = 11, kBalancePrice = 12, kBalanceAmount = 13;
} // namespace quantity_column

struct QuantityRow {
    QuantityCells cells;
    // The row's date (YYYYMMDD): a line's voucher date, or the date of an opening or total row.
    // 查询凭证 opens the voucher of a detail row by this date and its voucher number.
    std::string date;
};

// A row with a voucher number is a line of a voucher; opening, total and carry rows have none.
bool isQuantityDetailRow(const QuantityCells& cells);

// The number formats of the two ledgers: quantities and foreign amounts with up to 4 decimals,
// prices and rates with 2 to 4, amounts with 2; zero is an empty cell.
std::string quantityText(double quantity);
std::string priceText(double price);
std::string amountText(double amount);
// The price of a quantity and an amount: amount ÷ quantity when |quantity| > 0.000001 and both
// lie on the same side (amount × quantity > 0.00001); otherwise 0.
double derivedPrice(double quantity, double amount);

struct QuantityLedger {
    // The account has no posted line up to the end month and no opening row: "本科目无经济内容!"
    // is the message, and a view keeps the rows it shows.
    std::optional<std::string> refusal;
    std::vector<QuantityRow> rows;
    // The opening quantity and amount (every opening row of the account, signed, debit positive).
    double openingQuantity = 0;
    double openingAmount = 0;
};

// The rows of the ledger of code (trimmed) over months startMonth … endMonth of the year file:
// "期 初 余 额 汇 总" with the turnover before the start, or "期 初 余 额" when the account has
// opening rows and no line before the start; the posted lines; 本月合计 and 本年累计 after each
// accounting month. The two kinds differ in their heads only.
QuantityLedger buildQuantityLedger(Database& db, const AccountingCalendar& calendar, std::string_view code,
                                   int startMonth, int endMonth, QuantityKind kind);

// Whether the account may be shown in the ledger of the kind up to endMonth: nothing, or the
// message — an unknown code, an account of another kind, an account with children
// ("本科目已有子目，已不是数量金额核算" / "本科目已有子目，已不是外币核算"), an account without a
// posted row up to the end month ("本科目无经济内容!").
std::optional<std::string> checkQuantityAccount(Database& db, std::string_view code, int endMonth,
                                                QuantityKind kind);

inline constexpr std::string_view kQuantityNoContent = "本科目无经济内容!";
inline constexpr std::string_view kQuantityHasChildren = "本科目已有子目，已不是数量金额核算";
inline constexpr std::string_view kCurrencyHasChildren = "本科目已有子目，已不是外币核算";
inline constexpr std::string_view kNotQuantityAccount = "本科目不是数量金额核算科目!";
inline constexpr std::string_view kNotCurrencyAccount = "本科目不是外币核算科目!";

// The unit of quantity of a quantity account, or the currency name of a currency account ("" when
// none is set).
std::string quantityUnitName(Database& db, std::string_view code, QuantityKind kind);

// " 数量金额式帐页 " or " 复 币 式 帐 页 ".
std::string_view quantityLedgerTitle(QuantityKind kind);
// "数量金额式帐页" or "复币式帐页": the title of the document while the view is shown.
std::string_view quantityDocumentTitle(QuantityKind kind);
// "数量单位：" or "币种名称：".
std::string_view quantityUnitLabel(QuantityKind kind);
// The three captions of a triple: "数     量", "单     价", "金     额" or "外  币  数",
// "汇     率", "本位币金额".
std::array<std::string_view, 3> quantityTripleCaptions(QuantityKind kind);
// The captions of the three groups: "借  方  发  生  额", "贷  方  发  生  额", "余           额".
std::array<std::string_view, 3> quantityGroupCaptions();
// One plain heading per column for a text listing of the ledger: "月", "日", "凭证号码", "摘要",
// "借方数量", "借方单价", "借方金额" … "借或贷", "余额数量" … ("外币数", "汇率", "本位币金额" for
// the currency ledger).
std::array<std::string, kQuantityColumns> quantityColumnHeadings(QuantityKind kind);

// The printed copy of the rows with carry rows after every rowsPerPage printed rows that fall
// inside a run of lines: the movement sums since the last non-detail row and the balance of the
// row before the break.
std::vector<QuantityCells> BuildQuantityPrintRows(const std::vector<QuantityCells>& rows, int rowsPerPage);

} // namespace kszw
