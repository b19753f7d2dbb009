// CMonthCloseDlg: the month-end close (结帐). It names the month that can be closed and warns that
// a closed month can never be changed again; 确认 runs the close with its checks and questions,
// and whatever the outcome the dialog closes. 取消 is the default button and holds the focus, so
// Enter alone, like Escape, leaves without closing anything.
#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QPushButton;

namespace kszw {

class CKszwEnv;
struct Prompt;

// The month-end close dialog.
class CMonthCloseDlg : public QDialog {
    Q_OBJECT
public:
    // Reads the month to close from the year file; an engine error is told, and the dialog then
    // offers nothing to confirm (exec returns Rejected at once).
    CMonthCloseDlg(CKszwEnv& env, Prompt& prompt, QWidget* parent = nullptr);

    // Rejected without showing when the month could not be read; the dialog otherwise.
    int exec() override;

    // The label of the month offered ("2026 年 03 月"); empty when it could not be read.
    const QString& monthLabel() const { return m_monthLabel; }
    QLabel* warningText() const { return m_warning; }
    QLabel* monthText() const { return m_month; }
    QLabel* carefulText() const { return m_careful; }
    QPushButton* confirmButton() const { return m_confirm; }
    QPushButton* cancelButton() const { return m_cancel; }

public slots:
    // 确认: the close; Accepted when the month was closed (the login state then counts it),
    // Rejected after any refusal, a No or an engine error.
    void confirm();

private:
    CKszwEnv& m_env;
    Prompt& m_prompt;
    QString m_monthLabel;
    bool m_monthRead = false;
    QLabel* m_warning = nullptr;
    QLabel* m_month = nullptr;
    QLabel* m_careful = nullptr;
    QPushButton* m_confirm = nullptr;
    QPushButton* m_cancel = nullptr;
};

} // namespace kszw
