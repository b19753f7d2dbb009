// CVoucherSelectDlg: the selection of vouchers for the voucher query (记帐凭证查询...) and the
// voucher summary (记帐凭证汇总...). The user picks an accounting month, then vouchers of it by number
// or classes by their code, narrowed to all, reviewed or unreviewed vouchers. Every line keeps the
// voucher or class it stands for, so nothing is read back from a line's text; what is listed and
// every message are the core's (voucher/voucher_selection.h).
#pragma once

#include "voucher/voucher_listing.h"
#include "voucher/voucher_selection.h"
#include "voucher/voucher_summary.h"

#include <QDialog>

#include <string>
#include <vector>

class QButtonGroup;
class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace kszw {

class Database;
struct Prompt;

// Where a list line's text starts inside the list: a caption indented by it stands over the
// line's columns. Both selection dialogs put their column titles over their lists this way.
int listTextIndent(const QListWidget& list);

// Space selects the current line of the list (Ctrl+Space toggles it) and stays there. The list's
// own Space also searches for the next line starting with a blank, which every class line does.
void spaceSelectsCurrentLine(QListWidget& list);

// The query and summary selection (dialog 202).
class CVoucherSelectDlg : public QDialog {
    Q_OBJECT
public:
    CVoucherSelectDlg(Database& db, Prompt& prompt, SelectionMode mode, QWidget* parent = nullptr);

    // Fills the months (the last one chosen) and its list. False, with the reason told, when there
    // is nothing to select: the dialog is then not to be shown.
    bool prepare();

    SelectionMode mode() const { return m_mode; }
    // After a confirmed selection: the accounting month ("03").
    std::string month() const { return m_month; }
    // Query mode: the chosen vouchers by accounting month and number ({"03", "0001"}), in list
    // order; chosen by class, every voucher of those classes in the month and the range, in
    // number order.
    std::vector<VoucherKey> chosenVouchers() const { return m_chosenVouchers; }
    // Summary mode: the chosen numbers or classes, the way and the range.
    SummarySelection chosenSummary() const { return m_chosenSummary; }

    QComboBox* monthCombo() const { return m_months; }
    QListWidget* entryList() const { return m_list; }
    QLabel* listCaption() const { return m_caption; }
    QLabel* totalCounter() const { return m_total; }
    QLabel* selectedCounter() const { return m_selected; }
    QRadioButton* byNumberButton() const { return m_byNumber; }
    QRadioButton* byClassButton() const { return m_byClass; }
    QRadioButton* allButton() const { return m_all; }
    QRadioButton* reviewedButton() const { return m_reviewed; }
    QRadioButton* unreviewedButton() const { return m_unreviewed; }
    QPushButton* confirmButton() const { return m_confirm; }
    QPushButton* cancelButton() const { return m_cancel; }

public slots:
    // &S.确认: takes the selected lines in list order and closes; more than 40 classes for a
    // summary are refused and the dialog stays open.
    void confirm();

private:
    bool byClass() const;
    VoucherRange range() const;
    // The month's counts enable 已复核 and 未复核; a range that is no longer offered falls back to 全部.
    void showMonth();
    // The list of the month in the way and range chosen; lines that stay in it stay selected.
    void fillList();
    void updateCounters();
    // The rows of the selected lines, in list order.
    std::vector<int> selectedRows() const;
    // Every voucher of the month and range whose number starts with one of the class codes.
    std::vector<VoucherKey> vouchersOfClasses(const std::vector<std::string>& classes) const;

    Database& m_db;
    Prompt& m_prompt;
    SelectionMode m_mode;
    std::vector<SelectionEntry> m_entries; // the lines of the list, in order
    bool m_classesListed = false;
    std::string m_month;
    std::vector<VoucherKey> m_chosenVouchers;
    SummarySelection m_chosenSummary;

    QComboBox* m_months = nullptr;
    QListWidget* m_list = nullptr;
    QLabel* m_caption = nullptr;
    QLabel* m_total = nullptr;
    QLabel* m_selected = nullptr;
    QButtonGroup* m_ways = nullptr;
    QButtonGroup* m_ranges = nullptr;
    QRadioButton* m_byNumber = nullptr;
    QRadioButton* m_byClass = nullptr;
    QRadioButton* m_all = nullptr;
    QRadioButton* m_reviewed = nullptr;
    QRadioButton* m_unreviewed = nullptr;
    QPushButton* m_confirm = nullptr;
    QPushButton* m_cancel = nullptr;
};

} // namespace kszw
