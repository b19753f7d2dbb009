// The ledgers' account selection: the subject lookup, then the posted-lines check of the chart.
#include "ledger/ui/account_choice.h"

#include "chart/subjects.h"
#include "chart/ui/chart_dialog_support.h"
#include "chart/ui/subject_query_dialog.h"
#include "common/prompt.h"
#include "ledger/ledger_conventions.h"
#include "store/database.h"
#include "store/database_error.h"

namespace kszw {

std::optional<AccountChoice> chooseLedgerAccount(Database& db, Prompt& prompt, const QString& startCode,
                                                 int endMonth, QWidget* parent)
{
    QString start = startCode;
    for (;;) {
        const std::optional<QString> chosen = CSubjectQueryDlg::lookUpSubject(db, prompt, start, parent);
        if (!chosen)
            return std::nullopt;
        const std::string code = chosen->trimmed().toStdString();
        try {
            if (hasPostedEntries(db, code, endMonth))
                return AccountChoice{code, codeLevel(code)};
        } catch (const DatabaseError& error) {
            warnDatabaseError(prompt, error, db);
            return std::nullopt;
        }
        // Nothing to show for it: said, and the lookup opens again on the refused account.
        prompt.warn(kNoPostedEntries);
        start = QString::fromStdString(code);
    }
}

} // namespace kszw
