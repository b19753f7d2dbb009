// The application object in three layers, each running its own group of commands and passing the
// others down: CKszwAppBase (login, password, operators, account sets, About, calculator; owns the
// login state), CKszwAppBooks (balance tables, fuzzy query, chart of accounts, currencies,
// year-end work) and CKszwApp (vouchers, templates and the ledgers).
#pragma once

#include "voucher/voucher_listing.h"

#include "app/app_texts.h"
#include "formview/view_kinds.h"
#include "session/kszw_env.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <exception>
#include <memory>
#include <optional>

namespace kszw {

class CKszwFileDlg;
class CMainFrame;
struct Clock;
class CommandTarget;
struct Prompt;
struct UserSettings;

// What the login dialog returns when confirmed.
struct LoginChoice {
    QString file;
    QString operatorCode;
};

class CKszwAppBase : public QObject {
    Q_OBJECT
public:
    CKszwAppBase(Prompt& prompt, UserSettings& settings, const Clock& clock);
    ~CKszwAppBase() override;

    // Start-up: registers the file type, reads the command line (an optional year data file;
    // anything else ends the program), shows the main window maximized and runs the login.
    // False when the program is to end.
    bool start(const QStringList& arguments);

    // The whole login: the dialog is shown until a file and operator open, or abandoned (false).
    bool login(const QString& file);

    // Opens a new child window with a view of the kind; every command that opens a view uses this.
    QWidget* openView(ViewKind kind);
    // Hands a view made by the caller to a new child window as openView does with its own.
    QWidget* addView(ViewKind kind, QWidget* view, CommandTarget* target);

    // What the program hands the login dialog: the recent files, and 搜索 through the account-set dialog.
    void prepareLoginDialog(CKszwFileDlg& dialog);

    // Runs a command of this layer or passes it on; false when no layer runs it.
    virtual bool onCommand(int id);

    // The one place where an error that ended a command reaches the user: an engine or file error
    // as store/error_messages.h words it, any other error with its text; the caption names the
    // command that was running.
    void showError(const std::exception& error);

    CKszwEnv& env() { return m_env; }
    CMainFrame* mainFrame() const { return m_frame.get(); }
    Prompt& prompt() { return m_prompt; }
    const Clock& clock() const { return m_clock; }

protected:
    // Shows the login dialog offering initialFile; nothing when the user abandons it.
    virtual std::optional<LoginChoice> askLogin(const QString& initialFile);
    // Makes the view of a kind. Views that are not built yet are placeholders.
    virtual QWidget* createView(ViewKind kind, CommandTarget*& target);
    // The password dialogs of the logged-in operator.
    void runPasswordCommand();

private:
    void afterLogin();

    Prompt& m_prompt;
    UserSettings& m_settings;
    const Clock& m_clock;
    CKszwEnv m_env;
    std::unique_ptr<CMainFrame> m_frame;
};

class CKszwAppBooks : public CKszwAppBase {
    Q_OBJECT
public:
    using CKszwAppBase::CKszwAppBase;
    bool onCommand(int id) override;

    // A new voucher display view on one voucher (the ledgers' 查询凭证).
    void openVoucherDisplay(const VoucherKey& key);

protected:
    // 三栏式帐: the account first, then a new ledger view on it.
    void openThreeColumnLedger();
    // 余额表 and 余额及发生额表: the conditions first, then a new table; Cancel opens nothing.
    void openBalanceTable();
    void openTurnoverTable();
    // 多栏式帐: the account from the auxiliary directory, then a new multi-column ledger.
    void openMultiColumnLedger();
    // 帐页模糊查询: the conditions first, then a new listing; Cancel opens nothing.
    void openLedgerSearch();
    // 数量金额式帐 (type 0) and 复币式帐 (type 1): the account from the auxiliary directory, then a
    // new ledger of that kind.
    void openQuantityLedger(int type);
    // False, with "本年度尚未设置科目(帐户)！" told, when the year has no accounts.
    bool yearHasAccounts();
};

class CKszwApp : public CKszwAppBooks {
    Q_OBJECT
public:
    using CKszwAppBooks::CKszwAppBooks;
    bool onCommand(int id) override;

private:
    // 查询: the query selection, then a new display view on the chosen vouchers.
    void openVoucherQuery();
    // 汇总: the summary selection, then a new summary view.
    void openVoucherSummary();
    // 复核登帐: the review selection; a batch runs in the dialog, a display opens a view in
    // review mode.
    void openVoucherReview();
    // 结帐: the month-end close dialog.
    void runMonthClose();
};

} // namespace kszw
