// Exchange rates (WBR): per currency a dated list of entries, each a pair of amounts — MY1 units
// of the foreign currency equal MY2 units of the base currency. At most one entry per currency and
// date, and every date lies within the accounting year (T1 to T13). Amounts are written rounded to
// six decimals; the lists show them with two, so each line keeps the stored values beside its text.
#pragma once

#include "common/dates.h"

#include <string>
#include <string_view>
#include <vector>

namespace kszw {

class Database;

// A currency as the rate dialog's left list shows it.
struct RateCurrencyLine {
    std::string code;
    std::string name;
    // "%4s  %s": the code right-aligned in four places, two blanks, the name.
    std::string text() const;
};

// Every currency in numeric order of its code.
std::vector<RateCurrencyLine> listRateCurrencies(Database& db);

// One rate entry with its stored values.
struct RateLine {
    std::string date; // YYYYMMDD
    double foreign = 0; // MY1
    double local = 0;   // MY2
    // "%-10s%10s%10s": the date, then both amounts with two decimals.
    std::string text() const;
};

// The rates of a currency in date order (every one of them).
std::vector<RateLine> listRates(Database& db, std::string_view currency);

// What the rate dialog collects, as typed.
struct RateInput {
    std::string year;
    std::string month;
    std::string day;
    std::string foreign;
    std::string local;
};

enum class RateField { Year, Month, Day, Foreign, Local };

// The outcome of confirming the rate dialog.
struct RateResult {
    bool ok = false;
    std::string message;                // the refusal
    RateField field = RateField::Year;  // where the focus goes after a refusal
    std::string date;                   // the entry's date as saved
};

// The accounting year's first and last day (T1, T13), between which every rate lies.
struct RateYear {
    std::string start;
    std::string end;
};

// Adds a rate of the currency: the checks in their order, then the insert — one transaction.
RateResult addRate(Database& db, const RateYear& year, std::string_view currency, const RateInput& input);
// Modifies the currency's rate of oldDate (its date may change) — one transaction.
RateResult modifyRate(Database& db, const RateYear& year, std::string_view currency, std::string_view oldDate,
                      const RateInput& input);
// Deletes the currency's rate of that date, without a question.
void deleteRate(Database& db, std::string_view currency, std::string_view date);

// The fields of a new rate: the day split into year, month and day as "%4d%2d%2d" writes them with
// its blanks turned into zeros ("2026", "05", "07"); the amounts empty.
RateInput newRateInput(const CivilDate& day);
// The fields of an existing rate: its date split the same way, its amounts with every stored decimal.
RateInput rateInputFor(const RateLine& line);
// An amount as the rate dialog shows it: at least two decimals, more when the stored value has them
// (up to six), so that confirming an unchanged rate writes it unchanged.
std::string rateAmountText(double value);

inline constexpr std::string_view kNoCurrenciesForRates = "本年度尚未设置外币目录，不能设置汇率！";
inline constexpr std::string_view kNoRateToModify = "无可修改内容，请先设置！";

} // namespace kszw
