// CAccountSetInfoDlg: the account-set information dialog ("修改帐套信息"). Shows the open file,
// its year and closed months, and lets the user change the unit name, the chief accountant, the
// first and last day of the year and the month-end day (the latter fixed once the year has
// voucher lines). 确认 checks and writes; the dialog stays open on a refusal with the focus on the
// field concerned.
#pragma once

#include <QDialog>

class QComboBox;
class QLabel;

namespace kszw {

class CKszwEnv;
class CSpecEdit;
struct Prompt;

class CAccountSetInfoDlg : public QDialog {
    Q_OBJECT
public:
    CAccountSetInfoDlg(CKszwEnv& env, Prompt& prompt, QWidget* parent = nullptr);

    CSpecEdit* unitEdit() const { return m_unit; }
    CSpecEdit* chiefEdit() const { return m_chief; }
    QComboBox* yearStartBox() const { return m_yearStart; }
    QComboBox* yearEndBox() const { return m_yearEnd; }
    QComboBox* monthEndBox() const { return m_monthEnd; }
    QLabel* fileLabel() const { return m_file; }
    QLabel* yearLabel() const { return m_year; }
    QLabel* closedMonthsLabel() const { return m_closedMonths; }

public slots:
    // 确认: checks and writes the information; closes the dialog when it was written.
    void confirm();

private:
    CKszwEnv& m_env;
    Prompt& m_prompt;
    QLabel* m_file;
    CSpecEdit* m_unit;
    CSpecEdit* m_chief;
    QComboBox* m_yearStart;
    QComboBox* m_yearEnd;
    QComboBox* m_monthEnd;
    QLabel* m_year;
    QLabel* m_closedMonths;
};

} // namespace kszw
