// CCarryForwardDlg: the new-year carry-forward dialog ("年度帐务数据结转"). It shows the account
// set, the earlier and the current year and the five items to carry, all ticked; 确认 asks about
// the choice and the check report, then runs the carry-forward with its progress shown on a status
// line and a bar, tells the result and closes.
#pragma once

#include <QDialog>
#include <QString>

class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

namespace kszw {

class CKszwEnv;
class CYearCarryForward;
struct CarryProgress;
struct CarrySelection;
struct Prompt;

// The new-year carry-forward dialog.
class CCarryForwardDlg : public QDialog {
    Q_OBJECT
public:
    // The dialog of a carry-forward whose open() has succeeded; env is the logged-in year.
    CCarryForwardDlg(CKszwEnv& env, CYearCarryForward& carry, Prompt& prompt, QWidget* parent = nullptr);

    // The command: finds and opens the earlier year; tells why when there is nothing to carry,
    // otherwise runs the dialog. Engine errors are told.
    static void openCarryForward(CKszwEnv& env, Prompt& prompt, QWidget* parent);

    // The ticked items.
    CarrySelection selection() const;
    // Whether a run is going on (the controls are disabled then).
    bool isRunning() const { return m_running; }

    QLabel* unitText() const { return m_unit; }
    QLabel* earlierYearText() const { return m_earlierYear; }
    QLabel* currentYearText() const { return m_currentYear; }
    QCheckBox* chartBox() const { return m_chart; }
    QCheckBox* classesBox() const { return m_classes; }
    QCheckBox* templatesBox() const { return m_templates; }
    QCheckBox* pairsBox() const { return m_pairs; }
    QCheckBox* balancesBox() const { return m_balances; }
    QLabel* statusText() const { return m_status; }
    QProgressBar* progressBar() const { return m_progress; }
    QPushButton* confirmButton() const { return m_confirm; }
    QPushButton* cancelButton() const { return m_cancel; }
    // The 10-millisecond timer that draws the run's progress.
    const QTimer* progressTimer() const { return m_repaintTimer; }

public slots:
    // 确认: the two questions, then the run; closes the dialog when the run is done.
    void confirm();
    // Not while a run is going on.
    void reject() override;

private:
    void setControlsEnabled(bool enabled);
    void setStatus(const QString& text);
    // The last progress reported by the run, drawn now.
    void showProgress();

    CKszwEnv& m_env;
    CYearCarryForward& m_carry;
    Prompt& m_prompt;
    bool m_running = false;
    QString m_progressStatus;
    int m_progressDone = 0;
    int m_progressTotal = 0;
    bool m_progressChanged = false;
    QTimer* m_repaintTimer = nullptr;
    QLabel* m_unit = nullptr;
    QLabel* m_earlierYear = nullptr;
    QLabel* m_currentYear = nullptr;
    QCheckBox* m_chart = nullptr;
    QCheckBox* m_classes = nullptr;
    QCheckBox* m_templates = nullptr;
    QCheckBox* m_pairs = nullptr;
    QCheckBox* m_balances = nullptr;
    QLabel* m_status = nullptr;
    QProgressBar* m_progress = nullptr;
    QPushButton* m_confirm = nullptr;
    QPushButton* m_cancel = nullptr;
};

} // namespace kszw
