// Opening balances: one P0 row per leaf subject (CER four blanks, RN 0, MRY "期初余额", MK "4",
// TT "01", T the year's first day). A level of the tree is shown with each subject's balance
// summed over its subtree, and three totals for the level.
#pragma once

#include "chart/subjects.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kszw {

class Database;

// A subject of the level with the net opening balance of its subtree (debit positive).
struct OpeningBalanceLine {
    std::string code;
    std::string name;
    double balance = 0;
    bool hasChildren = false;
    // "借", "贷" or "平" (zero within 0.00001).
    std::string directionWord() const;
    // The absolute amount, "%.2lf".
    std::string amountText() const;
};

struct OpeningBalanceLevel {
    std::vector<OpeningBalanceLine> lines;
    double debitTotal = 0;  // 本级借方余额合计
    double creditTotal = 0; // 本级贷方余额合计
    // 借－贷＝, zero within 0.00001 (never "-0.00").
    double difference() const;
};

// Whether the year has any top-level subject (the dialog opens only then).
bool hasSubjects(Database& db);
inline constexpr std::string_view kNoSubjectsForBalances =
    "警  告：\r\r  本年度尚未建立科目，\r\r  无需录入或调整期初余额。";

OpeningBalanceLevel openingBalanceLevel(Database& db, std::string_view parent);

// A leaf's opening row as the balance dialogs edit it.
struct OpeningBalance {
    int direction = 1;   // 1 借, -1 贷
    double amount = 0;   // local currency, two decimals, never negative
    double quantity = 0; // quantity (kind 1) or foreign amount (kind 2)
};
std::optional<OpeningBalance> openingBalance(Database& db, std::string_view code);

// Replaces the leaf's opening row: the old row goes, and a new one is written when the amount (or,
// for a quantity or currency subject, the quantity) is not zero. One transaction. Refuses (the
// message) a negative amount or quantity and a subject that has children or does not exist.
std::optional<std::string> setOpeningBalance(Database& db, std::string_view code, const OpeningBalance& balance);

// The arithmetic of the quantity / currency dialog: price (or rate) = amount ÷ quantity with four
// decimals, nothing when the quantity is zero; amount = quantity × price with two decimals.
std::optional<std::string> priceText(double quantity, double amount);
std::string amountText(double quantity, double price);

} // namespace kszw
