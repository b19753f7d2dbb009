// CReportConditionDlg: which statement to show and for which accounting month. The statements are
// those of the year file (or the shipped ones); the month starts at the last closed month, or at
// the month of today's date when none is closed. Enter confirms.
#pragma once

#include "common/dates.h"
#include "store/accounting_calendar.h"

#include <QDialog>

#include <vector>

class QComboBox;
class QPushButton;
class QSpinBox;

namespace kszw {

class Database;
struct Clock;
struct Prompt;

// The month a statement is first offered for: the last closed month when one is closed, else the
// accounting month of today (the first or the last month when today lies before or after the year).
int defaultReportMonth(int closedMonths, const AccountingCalendar& calendar, const CivilDate& today);

class CReportConditionDlg : public QDialog {
    Q_OBJECT
public:
    // reportNumber and month preselect a statement and a month; 0 takes the first statement and the
    // default month. A file that cannot be read is told and leaves the list empty.
    CReportConditionDlg(Database& db, Prompt& prompt, const Clock& clock, const AccountingCalendar& calendar,
                        int reportNumber = 0, int month = 0, QWidget* parent = nullptr);

    // The chosen statement's number (0 when there is none) and month.
    int reportNumber() const;
    int month() const;

    QComboBox* reportCombo() const { return m_reports; }
    QSpinBox* monthField() const { return m_month; }
    QPushButton* confirmButton() const { return m_confirm; }
    QPushButton* cancelButton() const { return m_cancel; }

public slots:
    // Accepts when a statement is chosen; otherwise tells that there is none.
    void confirm();

private:
    Prompt& m_prompt;
    std::vector<int> m_numbers;
    QComboBox* m_reports = nullptr;
    QSpinBox* m_month = nullptr;
    QPushButton* m_confirm = nullptr;
    QPushButton* m_cancel = nullptr;
};

} // namespace kszw
