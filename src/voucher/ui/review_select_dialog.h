// CReviewSelectDlg: the review selection (复核登帐). The reviewer picks complete vouchers of other
// makers to review, or, month by month, his own reviews in open months to take back. With 查询凭证
// the chosen vouchers go to the voucher display; with 不查凭证 the dialog reviews or takes back the
// whole choice itself, showing its progress, and a voucher that fails the review check is told and
// left as it was. Lists, checks and messages are the core's (voucher/voucher_selection.h and
// voucher/voucher_review.h).
#pragma once

#include "voucher/voucher_listing.h"
#include "voucher/voucher_review.h"
#include "voucher/voucher_selection.h"

#include <QDialog>

#include <string>
#include <vector>

class QButtonGroup;
class QComboBox;
class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace kszw {

class Database;
struct Prompt;

// The review selection (dialog 219).
class CReviewSelectDlg : public QDialog {
    Q_OBJECT
public:
    // reviewer: the logged-in operator's code; closedMonths: the count of closed months (MM).
    CReviewSelectDlg(Database& db, Prompt& prompt, std::string reviewer, int closedMonths, QWidget* parent = nullptr);

    // Fills the list: vouchers to review, or when there are none the reviews to take back. False,
    // with "没有适合条件的凭证！" told, when there is neither: the dialog is then not to be shown.
    bool prepare();

    // After exec() == Accepted (查询凭证): what the display view does and the vouchers it shows,
    // in list order.
    ReviewOperation operation() const { return m_operation; }
    std::vector<VoucherKey> chosenVouchers() const { return m_chosen; }
    // How many vouchers the batches of this dialog reviewed or took back (不查凭证).
    int processedCount() const { return m_processed; }

    QComboBox* monthCombo() const { return m_months; }
    QListWidget* entryList() const { return m_list; }
    QLabel* listCaption() const { return m_caption; }
    QLabel* totalCounter() const { return m_total; }
    QLabel* selectedCounter() const { return m_selected; }
    QRadioButton* reviewButton() const { return m_review; }
    QRadioButton* cancelReviewButton() const { return m_cancelReview; }
    QRadioButton* noDisplayButton() const { return m_noDisplay; }
    QRadioButton* displayButton() const { return m_display; }
    QProgressBar* progressBar() const { return m_progress; }
    QLabel* progressText() const { return m_progressText; }
    QPushButton* confirmButton() const { return m_confirm; }
    QPushButton* cancelButton() const { return m_cancel; }

public slots:
    // &S.确认: hands the choice to the display (查询凭证) or processes it here (不查凭证).
    void confirm();
    // Closes the dialog, except while a batch runs.
    void reject() override;

private:
    // Which operations are offered: those with vouchers to work on.
    void offerOperations();
    // The list of the chosen operation (the cancel months first); false, with the message told,
    // when it is empty.
    bool showOperation();
    bool fillList();
    void updateCounters();
    std::vector<VoucherKey> selectedKeys() const;
    // Reviews or takes back the keys here, then fills the list again or closes.
    void runBatch(const std::vector<VoucherKey>& keys);
    void setBusy(bool busy);

    Database& m_db;
    Prompt& m_prompt;
    std::string m_reviewer;
    int m_closedMonths;
    ReviewOperation m_operation = ReviewOperation::Review;
    std::vector<SelectionEntry> m_entries; // the lines of the list, in order
    std::vector<VoucherKey> m_chosen;
    int m_processed = 0;
    bool m_busy = false;

    QComboBox* m_months = nullptr;
    QListWidget* m_list = nullptr;
    QLabel* m_caption = nullptr;
    QLabel* m_total = nullptr;
    QLabel* m_selected = nullptr;
    QButtonGroup* m_operations = nullptr;
    QRadioButton* m_review = nullptr;
    QRadioButton* m_cancelReview = nullptr;
    QRadioButton* m_noDisplay = nullptr;
    QRadioButton* m_display = nullptr;
    QProgressBar* m_progress = nullptr;
    QLabel* m_progressText = nullptr;
    QPushButton* m_confirm = nullptr;
    QPushButton* m_cancel = nullptr;
};

} // namespace kszw
