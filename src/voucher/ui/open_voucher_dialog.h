// COpenVoucherDlg: the list of the vouchers the logged-in operator may still change (his own,
// unreviewed, dated in an open month), from which the entry view opens one (打开) or deletes one
// (the Delete key). OpenFromList runs it for the entry view and loads the chosen voucher.
#pragma once

#include "voucher/voucher.h"

#include <QDialog>

#include <optional>
#include <string_view>
#include <vector>

class QListWidget;
class QPushButton;

namespace kszw {

class CKszwEnv;
struct Clock;
struct Prompt;

class COpenVoucherDlg : public QDialog {
    Q_OBJECT
public:
    COpenVoucherDlg(CKszwEnv& env, const Clock& clock, Prompt& prompt, QWidget* parent = nullptr);

    // Lists the vouchers that can be opened, the one of that date and number selected (else the
    // first); false, with "无可打开的凭证！" told, when there is none.
    bool fillList(std::string_view selectDate, std::string_view selectNumber);
    // The voucher of the selected line; nothing when no line is selected.
    std::optional<OpenableVoucher> selectedVoucher() const;
    // The Delete key: the selected voucher is deleted after its checks and question, and the list
    // is filled again; with nothing left the message is told and the dialog closes.
    void deleteSelected();
    // The vouchers deleted while the dialog was open.
    const std::vector<OpenableVoucher>& deletedVouchers() const { return m_deleted; }

    QListWidget* voucherList() const { return m_list; }
    QPushButton* openButton() const { return m_open; }
    QPushButton* cancelButton() const { return m_cancel; }

public slots:
    // 打开: closes the dialog with the selected voucher chosen.
    void openSelected();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    CKszwEnv& m_env;
    const Clock& m_clock;
    Prompt& m_prompt;
    std::vector<OpenableVoucher> m_deleted;
    QListWidget* m_list = nullptr;
    QPushButton* m_open = nullptr;
    QPushButton* m_cancel = nullptr;
};

// OpenFromList: the list of COpenVoucherDlg with the voucher's own entry selected; the chosen
// voucher is loaded into it. 1 when a voucher was loaded, 0 otherwise (cancelled, nothing to open
// or refused, the message told). deletedShown, when given, tells whether the voucher that was
// loaded into it before was deleted from the list.
int OpenFromList(CVoucher& voucher, Prompt& prompt, QWidget* parent = nullptr, bool* deletedShown = nullptr);

} // namespace kszw
