// Importing a chart of accounts and opening balances from CSV text, through the same operations
// and checks as the dialogs. An import is all or nothing: the first refused row names its line and
// leaves the year file as it was.
//
//   subjects: code,name,kind,unit,multi_column,direction,width   (parents before children)
//   opening:  code,direction,amount,quantity                      (direction 借/贷 or 1/-1)
//   currencies: code,name,gain_loss_subject
//   rates:    currency,date,foreign,local                         (date YYYYMMDD)
#pragma once

#include "chart/exchange_rates.h"

#include <string>
#include <string_view>

namespace kszw {

class Database;

struct ImportResult {
    bool ok = false;
    int rows = 0;        // rows written when ok
    int line = 0;        // the CSV line of the refusal (0: the file as a whole)
    std::string message; // the refusal
    // "第 N 行：message", or the message alone for the file as a whole.
    std::string text() const;
};

ImportResult importSubjects(Database& db, std::string_view csvText);
ImportResult importOpeningBalances(Database& db, std::string_view csvText);
// Currencies through the add operation of the currency dialog.
ImportResult importCurrencies(Database& db, std::string_view csvText);
// Rates through the add operation of the rate dialog; every date lies within the year (T1..T13).
ImportResult importRates(Database& db, const RateYear& year, std::string_view csvText);

} // namespace kszw
