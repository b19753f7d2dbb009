// CSearchConditionDlg: the conditions of the fuzzy ledger-page query — the account (with 浏览科目
// opening the subject lookup), words of the summary, an amount or a range of two amounts, the side
// (自动, 借方, 贷方), the span of months of the year and the order (按日期, 按科目). The checks and
// their messages are the core's (ledger/ledger_search.h), the last of them that some posted line
// meets the conditions; a refusal is told and the focus goes back to its field.
#pragma once

#include "ledger/ledger_search.h"

#include <QDialog>

class QLabel;
class QPushButton;
class QRadioButton;

namespace kszw {

class CKszwEnv;
class CSpecEdit;
struct Prompt;

class CSearchConditionDlg : public QDialog {
    Q_OBJECT
public:
    // The fields start with initial (months outside 1..12 start with the whole year).
    CSearchConditionDlg(CKszwEnv& env, Prompt& prompt, SearchConditions initial, QWidget* parent = nullptr);

    // The conditions chosen (code, summary and amounts trimmed); valid after the dialog was accepted.
    const SearchConditions& conditions() const { return m_conditions; }

    QLabel* yearLabel() const { return m_yearLabel; }
    CSpecEdit* codeField() const { return m_code; }
    CSpecEdit* summaryField() const { return m_summary; }
    CSpecEdit* amountField() const { return m_amount; }
    CSpecEdit* amount2Field() const { return m_amount2; }
    CSpecEdit* startMonthField() const { return m_startMonth; }
    CSpecEdit* endMonthField() const { return m_endMonth; }
    QRadioButton* automaticSide() const { return m_bothSides; }
    QRadioButton* debitSide() const { return m_debit; }
    QRadioButton* creditSide() const { return m_credit; }
    QRadioButton* byDate() const { return m_byDate; }
    QRadioButton* bySubject() const { return m_bySubject; }
    QPushButton* browseButton() const { return m_browse; }
    QPushButton* confirmButton() const { return m_confirm; }
    QPushButton* cancelButton() const { return m_cancel; }

    // The widget a refusal of the field sends the focus to.
    QWidget* fieldWidget(SearchField field) const;

public slots:
    // &S.确认: the core's checks in their order; the first refusal is told and focuses its field,
    // otherwise the conditions are taken and the dialog is accepted.
    void confirm();
    // 浏览科目: the subject lookup on the typed code; the chosen code replaces it.
    void browse();

private:
    // The conditions as the fields hold them.
    SearchConditions typed() const;
    void focusField(QWidget* field);

    CKszwEnv& m_env;
    Prompt& m_prompt;
    SearchConditions m_conditions;

    QLabel* m_yearLabel = nullptr;
    CSpecEdit* m_code = nullptr;
    CSpecEdit* m_summary = nullptr;
    CSpecEdit* m_amount = nullptr;
    CSpecEdit* m_amount2 = nullptr;
    CSpecEdit* m_startMonth = nullptr;
    CSpecEdit* m_endMonth = nullptr;
    QRadioButton* m_bothSides = nullptr;
    QRadioButton* m_debit = nullptr;
    QRadioButton* m_credit = nullptr;
    QRadioButton* m_byDate = nullptr;
    QRadioButton* m_bySubject = nullptr;
    QPushButton* m_browse = nullptr;
    QPushButton* m_confirm = nullptr;
    QPushButton* m_cancel = nullptr;
};

} // namespace kszw
