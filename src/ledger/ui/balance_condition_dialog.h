// CBalanceConditionDlg: the conditions of the account balance table — the account whose children
// are listed (empty: the top level), with 浏览... opening the subject lookup, and the cut-off date as
// year, month and day. The checks and their messages are the core's (ledger/balance_tables.h); a
// refusal is told and the focus goes back to its field.
#pragma once

#include "ledger/balance_tables.h"

#include <QDialog>

#include <string_view>

class QHBoxLayout;
class QLabel;
class QPushButton;

namespace kszw {

class CKszwEnv;
class CSpecEdit;
struct Clock;
struct Prompt;

// ---- what the two condition dialogs of the balance tables share ----

// A date as three fields in one row: year ("NUMBER 1990 9999"), month and day, each followed by
// its 年, 月, 日.
struct DateFields {
    CSpecEdit* year = nullptr;
    CSpecEdit* month = nullptr;
    CSpecEdit* day = nullptr;
    QHBoxLayout* row = nullptr;
};
DateFields makeDateFields(QWidget* parent);
// Fills the fields from a YYYYMMDD date (month and day without leading zeros).
void showDate(const DateFields& fields, std::string_view date);
// The number a field holds; 0 when it holds none.
int fieldNumber(const CSpecEdit* field);
// The account code field: digits and "-" separators, at most 14 characters.
CSpecEdit* makeAccountCodeField(QWidget* parent);

class CBalanceConditionDlg : public QDialog {
    Q_OBJECT
public:
    // The fields start with initial; an empty cut-off date starts with today's accounting month
    // closed on its last day when today lies in the logged-in year, else with the year's last day.
    CBalanceConditionDlg(CKszwEnv& env, Prompt& prompt, const Clock& clock, BalanceConditions initial,
                         QWidget* parent = nullptr);

    // The conditions chosen; valid after the dialog was accepted.
    const BalanceConditions& conditions() const { return m_conditions; }

    QLabel* yearLabel() const { return m_yearLabel; }
    CSpecEdit* codeField() const { return m_code; }
    CSpecEdit* yearField() const { return m_year; }
    CSpecEdit* monthField() const { return m_month; }
    CSpecEdit* dayField() const { return m_day; }
    QPushButton* browseButton() const { return m_browse; }
    QPushButton* confirmButton() const { return m_confirm; }
    QPushButton* cancelButton() const { return m_cancel; }

public slots:
    // &S.确认: the core's checks in their order; the first refusal is told and focuses its field,
    // otherwise the conditions are taken and the dialog is accepted.
    void confirm();
    // 浏览...: the subject lookup on the typed code; the chosen code replaces it.
    void browse();

private:
    void focusField(CSpecEdit* field);

    CKszwEnv& m_env;
    Prompt& m_prompt;
    BalanceConditions m_conditions;

    QLabel* m_yearLabel = nullptr;
    CSpecEdit* m_code = nullptr;
    CSpecEdit* m_year = nullptr;
    CSpecEdit* m_month = nullptr;
    CSpecEdit* m_day = nullptr;
    QPushButton* m_browse = nullptr;
    QPushButton* m_confirm = nullptr;
    QPushButton* m_cancel = nullptr;
};

} // namespace kszw
