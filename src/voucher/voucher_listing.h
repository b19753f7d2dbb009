// A stored voucher as the voucher views show it: the head line, one row per line (summary, subject,
// with quantity lines also quantity and price, then debit and credit), the totals row and the foot
// line with the reviewer's and the maker's names. kszw-cli view … voucher prints it.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kszw {

class Database;

// The title over every voucher page.
inline constexpr std::string_view kVoucherTitle = " 记帐凭证 ";

struct VoucherListing {
    std::string date;
    std::string number;
    int attachments = 0;
    std::string status;
    bool quantityColumns = false;
    std::vector<std::string> columnTitles;
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> totalsRow; // "借－贷＝…" under the summary, "合    计", the totals
    std::string headLine;               // "2026 年 3 月 5 日    第 0001 号    附件：2 张"
    std::string footLine;               // "会计主管：  记帐：  出纳：  复核：… 制证：…"
};

// The voucher of that date and number; nothing when there is none.
std::optional<VoucherListing> buildVoucherListing(Database& db, std::string_view date, std::string_view number);

// The name of an operator ("" for an empty or unknown code).
std::string operatorNameOf(Database& db, std::string_view code);

} // namespace kszw
