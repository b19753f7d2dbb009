// CTurnoverConditionDlg: the conditions of the balance-and-turnover table — the span from 起始时间
// to 终止时间 (year, month, day each), the account whose children are listed (empty: the top
// level) with 浏览... opening the subject lookup, and 查询方式: 下一级 (the next level only) or
// 所有下级 (every level below, depth first). The checks and their messages are the core's
// (ledger/balance_tables.h); a refusal is told and the focus goes back to its field.
#pragma once

#include "ledger/balance_tables.h"

#include <QDialog>

class QPushButton;
class QRadioButton;

namespace kszw {

class CKszwEnv;
class CSpecEdit;
struct Prompt;

class CTurnoverConditionDlg : public QDialog {
    Q_OBJECT
public:
    // The fields start with initial; an empty span starts as the whole logged-in year.
    CTurnoverConditionDlg(CKszwEnv& env, Prompt& prompt, TurnoverConditions initial, QWidget* parent = nullptr);

    // The conditions chosen; valid after the dialog was accepted.
    const TurnoverConditions& conditions() const { return m_conditions; }

    CSpecEdit* startYearField() const { return m_fields[0]; }
    CSpecEdit* startMonthField() const { return m_fields[1]; }
    CSpecEdit* startDayField() const { return m_fields[2]; }
    CSpecEdit* endYearField() const { return m_fields[3]; }
    CSpecEdit* endMonthField() const { return m_fields[4]; }
    CSpecEdit* endDayField() const { return m_fields[5]; }
    CSpecEdit* codeField() const { return m_fields[6]; }
    QRadioButton* nextLevelButton() const { return m_nextLevel; }
    QRadioButton* allLevelsButton() const { return m_allLevels; }
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
    TurnoverConditions m_conditions;

    // Start year, month, day, end year, month, day, code: the order of the core's field numbers.
    CSpecEdit* m_fields[7] = {};
    QRadioButton* m_nextLevel = nullptr;
    QRadioButton* m_allLevels = nullptr;
    QPushButton* m_browse = nullptr;
    QPushButton* m_confirm = nullptr;
    QPushButton* m_cancel = nullptr;
};

} // namespace kszw
