// A stored voucher as the voucher display view shows and prints it, and as kszw-cli view … voucher
// prints it: the header (maker, reviewer, attachments), one line per entry in line order with the
// subject's display text, and the totals; the texts of the page around it.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kszw {

class Database;

// The title over every voucher page of the entry view.
inline constexpr std::string_view kVoucherTitle = " 记帐凭证 ";
// The title over every page of the voucher display view.
inline constexpr std::string_view kVoucherDisplayTitle = " 记 帐 凭 证 ";
// The window title of the voucher display view.
inline constexpr std::string_view kVoucherDisplayCaption = "记帐凭证查询";
// What the display view shows for a line without a summary.
inline constexpr std::string_view kNoSummary = "〖无摘要〗";
inline constexpr std::string_view kTotalLabel = "合            计";
inline constexpr std::string_view kRunningTotalLabel = "累（或小）     计";

// A voucher named by its date and number.
struct VoucherKey {
    std::string date;   // YYYYMMDD
    std::string number; // four characters
    bool operator==(const VoucherKey&) const = default;
};

struct ListedLine {
    std::string summary;     // as stored; "" when none
    std::string subject;     // the code
    std::string subjectText; // "1001 库存现金"; the code alone for a subject that is gone
    int direction = 1;       // 1 debit, -1 credit
    double amount = 0;
    double quantity = 0;
};

struct VoucherListing {
    VoucherKey key;
    std::string month;  // the accounting month code, "03"
    std::string status; // "0", "2" or "4"
    std::string maker;  // operator codes
    std::string reviewer;
    std::string makerName;
    std::string reviewerName;
    int attachments = 0;
    // True when a line carries a quantity: the view shows direction, quantity and price.
    bool quantityColumns = false;
    std::vector<ListedLine> lines;
    double debitTotal = 0;
    double creditTotal = 0;
};

// The voucher of that date and number; nothing when there is none.
std::optional<VoucherListing> loadVoucherListing(Database& db, const VoucherKey& key);
// The date of the voucher with that number in the accounting month (code "03"); nothing when none.
std::optional<std::string> voucherDateInMonth(Database& db, std::string_view month, std::string_view number);

// The name of an operator ("" for an empty or unknown code).
std::string operatorNameOf(Database& db, std::string_view code);

// The column titles of the display view: 摘要, 科目名称, 借方发生额, 贷方发生额; with quantities
// 摘要, 科目名称, 方向, 数量/外币, 单价/汇率, 金额.
std::vector<std::string> listingColumnTitles(bool quantityColumns);
// The cells of one line in the view's column order: the summary ("〖无摘要〗" when empty), the
// subject, then the amounts (blank when zero), with quantities 借 or 贷, the quantity, the price.
std::vector<std::string> listingRow(const ListedLine& line, bool quantityColumns);
// The totals row under the lines (label: kTotalLabel, or kRunningTotalLabel on a page that is not
// the voucher's last): the label, then the debit and credit totals under the two amount columns;
// with quantities the two totals stand marked "借 " and "贷 " under 单价/汇率 and 金额.
std::vector<std::string> listingTotalsRow(std::string_view label, double debit, double credit, bool quantityColumns);
// An amount as the view shows it: two decimals with grouping commas, blank when zero.
std::string listingAmountText(double value);

// Page texts: "2026 年 3 月" (month 0: "     年    月"), "第 0001 号" or, for a voucher printed
// on several pages, "第 0001(1/2) 号", "附件：   2 张", and the foot line's five texts.
std::string listingMonthLabel(int year, int month);
std::string listingNumberText(std::string_view number, int page = 0, int pages = 0);
std::string listingAttachmentsText(int attachments);
std::vector<std::string> listingFootTexts(std::string_view chiefAccountant, std::string_view reviewerName,
                                          std::string_view makerName);

} // namespace kszw
