// The directory of foreign currencies (WBT): listing it, adding and modifying a currency with the
// checks of the currency dialog, and deleting one. A currency code is a positive whole number of at
// most four digits kept in its canonical form ("7", never "007"); every currency names a leaf
// subject that takes its exchange gains and losses. Foreign-currency subjects (FZ='2') name their
// currency by its code in FZN, and the rates (WBR) by theirs, so a changed code is carried into
// both, in one transaction with the change itself.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kszw {

class Database;
struct Prompt;

// One currency as the directory lists it; the stored values travel with the line's text.
struct CurrencyLine {
    std::string code;
    std::string name;
    std::string subject; // the exchange gain/loss subject (HO)
    // "%-8s%-16s%s", the widths counted in GBK bytes so that names stay in their column.
    std::string text() const;
};

// Every currency in numeric order of its code.
std::vector<CurrencyLine> listCurrencies(Database& db);

// What the currency dialog collects, as typed.
struct CurrencyInput {
    std::string code;
    std::string name;
    std::string subject;
};

enum class CurrencyField { Code, Name, Subject };

// The outcome of confirming the currency dialog.
struct CurrencyResult {
    bool ok = false;
    std::string message;                    // the refusal
    CurrencyField field = CurrencyField::Code; // where the focus goes after a refusal
    std::string code;                       // the currency's code as saved
};

// The canonical form of a typed currency code: digits only, leading zeros dropped ("007" → "7");
// nothing for an empty code, a code of zeros only or one with anything but digits. Codes longer
// than four digits are returned as they are (the checks refuse them with their own message).
std::optional<std::string> canonicalCurrencyCode(std::string_view typed);

// The refusal of an operation on a currency that is not (or no longer) in the directory.
std::string missingCurrencyMessage(std::string_view code);

// Adds a currency: the checks in their order, then the insert — one transaction.
CurrencyResult addCurrency(Database& db, const CurrencyInput& input);
// Modifies the currency oldCode; a changed code is carried into WBR and into the foreign-currency
// subjects — one transaction.
CurrencyResult modifyCurrency(Database& db, std::string_view oldCode, const CurrencyInput& input);

// Deletes a currency (the Delete key): with no code, "nothing selected"; a currency that subjects
// use is refused; a currency with rates goes, with its rates, only after the user says yes. True
// when the currency was deleted.
bool deleteCurrency(Database& db, std::string_view code, Prompt& prompt);

// The directory's message on its first activation when no currency is set.
inline constexpr std::string_view kNoCurrenciesYet = "本年度尚未设置外币目录，\r\r确定后按增加按钮进行设置!";
inline constexpr std::string_view kNothingToDelete = "对不起，没有选择删除对象!";

} // namespace kszw
