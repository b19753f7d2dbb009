// The auxiliary-accounting directory (辅助核算目录): the accounts a quantity-amount, a
// foreign-currency or a multi-column ledger can be shown for, one fixed-width line each (code, name
// path and, for the first two kinds, the quantity unit or the currency's name), with the texts of
// the dialog that chooses among them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kszw {

class Database;

enum class DirectoryType { Quantity = 0, Currency = 1, MultiColumn = 2 };

// A line of the directory and the account it stands for (trimmed SUBT.KNO).
struct DirectoryLine {
    std::string code;
    std::string text;
};

// The eligible accounts in the chart's order: quantity-amount subjects (FZ "1") with their unit,
// foreign-currency subjects (FZ "2") with their currency's name, or multi-column subjects (DL "1").
// Lines are "%-15s%-32s%-10s" (name path limited to 30) for the first two kinds and "%-15s%-42s"
// (limited to 42) for the third, widths in GBK bytes.
std::vector<DirectoryLine> auxiliaryDirectory(Database& db, DirectoryType type);

// "%s年度辅助核算目录(数量金额)", "(外币)" or "(多栏帐)" with the year.
std::string directoryTitle(DirectoryType type, int year);
// The heading over the list's lines: code and name, and "数量单位" or "外币名称" over the third
// field of the first two kinds.
std::string directoryHeading(DirectoryType type);

inline constexpr std::string_view kEmptyDirectory = "没有相应的辅助核算目录。";

} // namespace kszw
