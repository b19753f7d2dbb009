// The fuzzy ledger-page query (模糊查询帐页): posted voucher lines found by any combination of an
// account with its subtree, an amount or a range of amounts, the debit or credit side, words of
// the summary and a span of accounting months, listed by date or by subject with a total row.
// Opening rows are lines like any other here: they lie in month 1 with a blank voucher number.
//
// The conditions are checked in a fixed order, each refusal with its message and the field of the
// condition dialog to return to; the listing is one statement with every value bound, so a
// summary text holding quotes or "%" is looked for as it is written.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kszw {

class Database;

// 金额方向: 自动 (both sides), 借方, 贷方.
enum class SearchSide { Both = 0, Debit = 1, Credit = -1 };
// 排序方式: 按日期 (date, voucher number) or 按科目 (code, then date and number).
enum class SearchOrder { ByDate, BySubject };

struct SearchConditions {
    std::string code;    // 科目: the account and its subtree; "" any account
    std::string summary; // 摘要: text the summary contains (blanks around it dropped); "" any
    std::string amount;  // 金额在 …: the first amount as typed; "" none
    std::string amount2; // … 与 … 之间: the second amount as typed; "" none
    SearchSide side = SearchSide::Both;
    int startMonth = 1; // 时间范围, accounting months of the open year
    int endMonth = 12;
    SearchOrder order = SearchOrder::ByDate;
    friend bool operator==(const SearchConditions&, const SearchConditions&) = default;
};

// The fields of the condition dialog a refusal sends the focus back to.
enum class SearchField { Code, Summary, Amount, Amount2, Side, StartMonth, EndMonth, Order };

struct SearchRefusal {
    std::string message;
    SearchField field = SearchField::Code;
};

inline constexpr std::string_view kMalformedCode = "非法的科代码，请重输!";
inline constexpr std::string_view kUnknownCode = "给定的科代码不存在，请重输!";
inline constexpr std::string_view kMalformedAmount = "非法的金额，请重输!";
inline constexpr std::string_view kCodeOrAmountRequired = "科目代码和金额必须至少指定其一。";
inline constexpr std::string_view kAmountsOutOfOrder = "后一个金额应不小于前一个金额";
inline constexpr std::string_view kBadStartMonth = "起始月份不合理，请重输!";
inline constexpr std::string_view kBadEndMonth = "终止月份不合理，请重输!";
inline constexpr std::string_view kNothingFound = "没有满足条件的记录";

// The checks of the condition dialog in their order: a malformed or unknown code, an amount that
// is not a number, neither code nor amount, amounts out of order, months outside 1..12 or
// reversed, and last no posted line meeting the conditions. Nothing when all pass.
std::optional<SearchRefusal> checkSearchConditions(Database& db, const SearchConditions& conditions);

// How the two amount fields are read (conditions already checked): a range when both are filled
// in and differ by more than 0.00001, else one amount (the first unless it is zero), else none.
// The amounts are those two decimals show, as the statement compares them.
struct AmountCondition {
    enum class Kind { None, Single, Range };
    Kind kind = Kind::None;
    double low = 0;  // the single amount, or the range's first amount
    double high = 0; // the range's second amount
};
AmountCondition amountCondition(const SearchConditions& conditions);

// The number of posted lines meeting the conditions.
int countSearchMatches(Database& db, const SearchConditions& conditions);

// The seven columns: 月, 日, 凭证号码, 科目, 摘要, 借或贷, 金额.
inline constexpr int kSearchColumns = 7;
using SearchCells = std::array<std::string, kSearchColumns>;

struct SearchRow {
    SearchCells cells;
    // The voucher 查询凭证 opens: the line's date (YYYYMMDD) and trimmed voucher number; both
    // empty on the total row, the number empty on an opening row.
    std::string date;
    std::string number;
};

struct SearchListing {
    // The head: "帐户：…  2026 年 1 月 至 12 月 限制金额 = 100.00(贷方) 摘要包含“…”", and the same
    // text in its pieces (a view that breaks it over two lines breaks between them).
    std::string conditionText;
    std::vector<std::string> conditionParts;
    // One row per line found, then the total row ("     合    计", "借" or "贷", the amount).
    std::vector<SearchRow> rows;
    int found = 0;
    double total = 0; // sum of f*my over the lines found
};

// The listing of the conditions (checked before); year is the open year file's.
SearchListing searchLedgerPages(Database& db, int year, const SearchConditions& conditions);
// The condition text alone, in its pieces.
std::vector<std::string> searchConditionParts(Database& db, int year, const SearchConditions& conditions);

// The checks, then the listing: what 确认 of the dialog and kszw-cli view search do in one call.
struct SearchOutcome {
    std::optional<SearchRefusal> refusal;
    SearchListing listing; // empty when refused
};
SearchOutcome runLedgerSearch(Database& db, int year, const SearchConditions& conditions);

// True for a row that is a line of a voucher (it has a voucher number): 查询凭证 opens it.
bool isVoucherLine(const SearchRow& row);

// The page on paper: "第 %4d 页".
std::string searchPageText(int page);
inline constexpr std::string_view kSearchTitle = " 模糊查询帐页 ";
inline constexpr std::string_view kSearchDocumentTitle = "模糊查询帐页";
inline constexpr std::string_view kSearchTotalText = "     合    计";
// The longest account name path of the condition text.
inline constexpr int kSearchNamePathLimit = 30;

} // namespace kszw
