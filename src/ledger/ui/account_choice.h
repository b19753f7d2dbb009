// The account selection of the ledger views: the chart's subject lookup opened on the account
// shown, and a chosen account without any posted line of its own or of its subtree up to the end
// month refused with "本科目(帐户)无经济内容!" and looked up again, starting from it.
#pragma once

#include <QString>

#include <optional>
#include <string>

class QWidget;

namespace kszw {

class Database;
struct Prompt;

struct AccountChoice {
    std::string code; // trimmed SUBT.KNO
    int level = 1;    // its level (SUBT.CLAS): 1 plus its number of "-"
};

// Runs the lookup until an account with posted lines up to endMonth is chosen; nothing when the
// user cancels, when the year has no subjects (told by the lookup) or on an engine error (told).
std::optional<AccountChoice> chooseLedgerAccount(Database& db, Prompt& prompt, const QString& startCode,
                                                 int endMonth, QWidget* parent = nullptr);

} // namespace kszw
