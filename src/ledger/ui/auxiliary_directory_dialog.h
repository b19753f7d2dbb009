// CAuxiliaryDirectoryDlg: the auxiliary-accounting directory (辅助核算目录) that chooses the account
// of a quantity-amount, a foreign-currency or a multi-column ledger and its span of accounting
// months. It lists the eligible accounts of the year in fixed-width lines (the core's
// auxiliaryDirectory), the current account's line selected; each line keeps its account's code.
// An empty directory is told ("没有相应的辅助核算目录。") and the dialog ends as cancelled. Months
// outside 1..12, or an end before the start, are refused with a stop box and the focus goes back
// to the month concerned (the core's checkPeriodMonths).
#pragma once

#include "ledger/auxiliary_directory.h"

#include <QDialog>

#include <optional>
#include <string>

class QLabel;
class QListWidget;
class QPushButton;

namespace kszw {

class CKszwEnv;
class CSpecEdit;
struct Prompt;

// What the directory gives: the account (trimmed code) and the months of the span.
struct AuxiliaryChoice {
    std::string code;
    int startMonth = 1;
    int endMonth = 12;
    friend bool operator==(const AuxiliaryChoice&, const AuxiliaryChoice&) = default;
};

// The directory dialog.
class CAuxiliaryDirectoryDlg : public QDialog {
    Q_OBJECT
public:
    // The item data that holds a line's account code.
    static constexpr int kCodeRole = Qt::UserRole;

    // type: 0 quantity-amount, 1 foreign currency, 2 multi-column. The list is read now (an engine
    // error is told and the dialog ends as cancelled when run); the line of currentCode is
    // selected, else the first; the month fields show startMonth and endMonth.
    CAuxiliaryDirectoryDlg(CKszwEnv& env, Prompt& prompt, int type, std::string currentCode, int startMonth,
                           int endMonth, QWidget* parent = nullptr);

    // Runs the dialog modally; the confirmed account and months, or nothing when cancelled or
    // when the directory is empty (told).
    static std::optional<AuxiliaryChoice> chooseAccount(CKszwEnv& env, Prompt& prompt, int type,
                                                        const std::string& currentCode, int startMonth, int endMonth,
                                                        QWidget* parent = nullptr);

    // Modal run: an empty directory is told with the stop icon and gives Rejected at once.
    int exec() override;

    DirectoryType type() const { return m_type; }
    // The choice confirmed (nothing before).
    const std::optional<AuxiliaryChoice>& choice() const { return m_choice; }
    // The code of the selected line; empty when none.
    std::string selectedCode() const;
    bool isEmptyDirectory() const;

    QListWidget* directoryList() const { return m_list; }
    QLabel* headingLabel() const { return m_heading; }
    CSpecEdit* startField() const { return m_start; }
    CSpecEdit* endField() const { return m_end; }
    QPushButton* confirmButton() const { return m_confirm; }

public slots:
    // &S.确认 (also Enter or a double click on a line): the selected line and the months checked.
    void confirm();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fill(const std::string& currentCode);
    void focusField(CSpecEdit* field);

    CKszwEnv& m_env;
    Prompt& m_prompt;
    DirectoryType m_type;
    bool m_failed = false; // the directory could not be read (told already)
    std::optional<AuxiliaryChoice> m_choice;
    QLabel* m_heading = nullptr;
    QListWidget* m_list = nullptr;
    CSpecEdit* m_start = nullptr;
    CSpecEdit* m_end = nullptr;
    QPushButton* m_confirm = nullptr;
};

} // namespace kszw
