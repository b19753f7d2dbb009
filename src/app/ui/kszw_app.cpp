#include "app/ui/kszw_app.h"

#include "accountset/ui/account_set_dialog.h"
#include "accountset/ui/account_set_info_dialog.h"
#include "accountset/ui/backup_dialogs.h"
#include "accountset/ui/carry_forward_dialog.h"
#include "accountset/ui/set_copy_dialog.h"
#include "accountset/ui/new_year_dialog.h"
#include "app/command_table.h"
#include "app/ui/about_dialog.h"
#include "app/ui/child_frame.h"
#include "app/ui/file_type_registration.h"
#include "app/ui/help_dialog.h"
#include "app/ui/main_frame.h"
#include "app/ui/placeholder_view.h"
#include "chart/ui/currency_dialogs.h"
#include "chart/ui/opening_balance_dialog.h"
#include "chart/ui/rate_dialogs.h"
#include "chart/ui/subject_directory_dialog.h"
#include "chart/ui/subject_print_view.h"
#include "chart/ui/subject_query_dialog.h"
#include "common/prompt.h"
#include "common/ui/qt_prompt.h"
#include "formula/ui/calculator_dialog.h"
#include "formview/ui/form_printer.h"
#include "formview/ui/form_view.h"
#include "chart/chart_listing.h"
#include "ledger/balance_tables.h"
#include "ledger/ui/account_choice.h"
#include "ledger/ui/balance_condition_dialog.h"
#include "ledger/multi_column_ledger.h"
#include "ledger/quantity_ledger.h"
#include "ledger/ui/quantity_view.h"
#include "ledger/ui/auxiliary_directory_dialog.h"
#include "ledger/ui/balance_view.h"
#include "ledger/ui/multi_column_view.h"
#include "ledger/ui/search_condition_dialog.h"
#include "ledger/ui/search_view.h"
#include "ledger/ui/three_column_view.h"
#include "ledger/ui/turnover_condition_dialog.h"
#include "ledger/ui/turnover_view.h"
#include "ledger/ledger_conventions.h"
#include "reports/ui/report_condition_dialog.h"
#include "reports/ui/report_definition_dialog.h"
#include "reports/ui/report_view.h"
#include "session/ui/login_dialog.h"
#include "session/ui/operator_dialog.h"
#include "session/ui/password_dialog.h"
#include "session/user_settings.h"
#include "store/database_error.h"
#include "store/error_messages.h"
#include "templates/ui/template_directory_dialog.h"
#include "templates/ui/template_generation_dialog.h"
#include "templates/ui/template_lines_dialog.h"
#include "templates/ui/variable_dialogs.h"
#include "voucher/ui/month_close_dialog.h"
#include "voucher/ui/review_select_dialog.h"
#include "voucher/ui/voucher_class_dialogs.h"
#include "voucher/ui/voucher_display_view.h"
#include "voucher/ui/voucher_entry_frame.h"
#include "voucher/ui/voucher_entry_view.h"
#include "voucher/ui/voucher_import_dialog.h"
#include "voucher/ui/voucher_select_dialog.h"
#include "voucher/ui/voucher_summary_view.h"

#include <QApplication>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTimer>
#include <QGuiApplication>
#include <QScreen>

#include <filesystem>

namespace kszw {

namespace {

QString commandName(int id)
{
    const CommandInfo* info = findCommand(id);
    if (!info)
        return {};
    QString text = qtText(info->text);
    text.remove(QLatin1Char('&'));
    int bracket = text.indexOf(QLatin1Char('('));
    return bracket > 0 ? text.left(bracket) : text;
}

// 财务报表...: the statement and month first, then a new statement window; Cancel opens nothing.
void openFinancialReport(CKszwAppBase& app)
{
    const AccountingCalendar calendar = yearCalendar(app.env().db());
    CReportConditionDlg dialog(app.env().db(), app.prompt(), app.clock(), calendar, 0, 0, app.mainFrame());
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (auto* view = qobject_cast<CKszwReportView*>(app.openView(ViewKind::FinancialReport)))
        view->setConditions(dialog.reportNumber(), dialog.month());
}

// 报表定义...: the definitions, changed only by an operator who keeps the books' settings (0101).
// Statements shown in open windows are calculated again from what was confirmed.
void editReportDefinitions(CKszwAppBase& app)
{
    CKszwEnv& env = app.env();
    const AccountingCalendar calendar = yearCalendar(env.db());
    CReportDefinitionDlg dialog(env.db(), app.prompt(), calendar,
                                std::filesystem::path(env.filePath()).filename().string(), env.hasPermission("0101"),
                                app.mainFrame());
    if (dialog.exec() != QDialog::Accepted)
        return;
    for (QMdiSubWindow* child : app.mainFrame()->mdiArea()->subWindowList())
        if (auto* view = qobject_cast<CKszwReportView*>(child->widget()))
            view->recalculate();
}

} // namespace

CKszwAppBase::CKszwAppBase(Prompt& prompt, UserSettings& settings, const Clock& clock)
    : m_prompt(prompt), m_settings(settings), m_clock(clock), m_frame(std::make_unique<CMainFrame>())
{
    m_frame->setCommandHandler([this](int id) { return onCommand(id); });
}

CKszwAppBase::~CKszwAppBase() = default;

bool CKszwAppBase::start(const QStringList& arguments)
{
    registerFileType();
    // The command line names at most one year data file; any other request ends the program.
    QString file;
    for (const QString& argument : arguments) {
        const bool option = argument.startsWith(QLatin1Char('-'))
                            || (argument.size() == 2 && argument.startsWith(QLatin1Char('/')));
        if (option)
            return false;
        if (!file.isEmpty())
            return false;
        file = argument;
    }
    // Without a window manager a maximized window keeps its size: it starts on the whole screen.
    if (QScreen* screen = QGuiApplication::primaryScreen())
        m_frame->setGeometry(screen->availableGeometry());
    m_frame->showMaximized();
    return login(file);
}

bool CKszwAppBase::login(const QString& file)
{
    QString initial = file;
    if (initial.isEmpty()) {
        if (!m_env.isOpen()) {
            // The remembered file is tried on a state of its own: the login state changes only
            // when a login has completed.
            CKszwEnv probe;
            try {
                initial = QString::fromStdString(initialLoginFile(probe, m_settings, ""));
            } catch (const DatabaseError&) {
                initial.clear(); // the remembered file cannot be read now; nothing is offered
            }
        } else {
            initial = QString::fromStdString(m_env.filePath());
        }
    }
    for (;;) {
        std::optional<LoginChoice> choice = askLogin(initial);
        if (!choice)
            return false;
        // The new login is built on a fresh state; the running one stays untouched until the new
        // one has fully succeeded.
        CKszwEnv fresh;
        int opened = kCannotOpen;
        try {
            opened = fresh.openFile(choice->file.toStdString(), choice->operatorCode.toStdString(), m_prompt);
        } catch (const DatabaseError& error) {
            // The file cannot be read now (locked by another program, damaged): as any file that
            // does not open, it is told and the dialog comes again.
            m_prompt.warn(userMessage(error, choice->file.toStdString()));
        }
        if (opened != kLoginOk) {
            initial = choice->file;
            continue;
        }
        try {
            fresh.completeLogin(m_settings);
        } catch (const DatabaseError& error) {
            // The last step failed on a file that opened: the login fails in order, with the
            // engine's text.
            m_prompt.warn(userMessage(error, choice->file.toStdString()));
            return false;
        }
        m_env = std::move(fresh);
        afterLogin();
        return true;
    }
}

std::optional<LoginChoice> CKszwAppBase::askLogin(const QString& initialFile)
{
    QString current = QString::fromStdString(m_env.operatorCode());
    if (current.isEmpty())
        current = QString::fromStdString(m_settings.value(kOperatorKey).value_or(""));
    CKszwFileDlg dialog(m_prompt, m_clock, initialFile, current, m_frame.get());
    prepareLoginDialog(dialog);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return LoginChoice{dialog.chosenFile(), dialog.chosenOperator()};
}

void CKszwAppBase::prepareLoginDialog(CKszwFileDlg& dialog)
{
    QStringList recent;
    for (const std::string& file : recentFiles(m_settings))
        recent << QString::fromStdString(file);
    dialog.setRecentFiles(recent);
    // 搜索 finds account sets with the account-set dialog and offers the year file chosen there.
    dialog.setSearchHandler([this](QWidget* parent) {
        CAccountSetDlg sets(m_settings, m_prompt, m_clock, parent);
        return sets.exec() == QDialog::Accepted ? sets.chosenFile() : QString();
    });
}

void CKszwAppBase::afterLogin()
{
    m_frame->setPermissionText(m_env.permissionText());
    m_frame->setOperator(QString::fromStdString(m_env.operatorCode()), QString::fromStdString(m_env.operatorName()));
    m_frame->setDocumentTitle(QString::fromStdString(m_env.unitName()), QString::fromStdString(m_env.filePath()));
}

QWidget* CKszwAppBase::createView(ViewKind kind, CommandTarget*& target)
{
    if (kind == ViewKind::ChartPrint) {
        // The window opens at once and asks for its scope when shown.
        CKszwSubjectPrint* view = CKszwSubjectPrint::open(m_env, m_prompt, m_clock);
        target = view;
        return view;
    }
    if (kind == ViewKind::VoucherEntry) {
        // The window's frame owns its voucher record; the view keeps its own print settings.
        auto* frame = new CKszwpzFrm(m_env, m_prompt, m_clock);
        connect(frame, &CKszwpzFrm::commandRequested, m_frame.get(), &CMainFrame::runCommand);
        frame->view()->setTemplateGenerator(
            [this](CKszwpz& view) { generateFromTemplate(view, m_prompt, m_env.filePath()); });
        target = frame;
        return frame;
    }
    if (kind == ViewKind::VoucherQuery) {
        auto* view = new CKszwpz1(m_env, m_clock);
        target = view;
        return view;
    }
    if (kind == ViewKind::VoucherSummary) {
        auto* view = new CKszwpz2(m_env, m_clock);
        target = view;
        return view;
    }
    if (kind == ViewKind::ThreeColumnLedger) {
        auto* view = new CKszwzb1(m_env, m_clock);
        target = view;
        return view;
    }
    if (kind == ViewKind::MultiColumnLedger) {
        auto* view = new CKszwzb2(m_env, m_clock);
        target = view;
        return view;
    }
    if (kind == ViewKind::QuantityLedger) {
        // The kind is chosen by the command; a new window of the kind opens as a quantity ledger.
        auto* view = new CKszwzb3(m_env, m_clock, QuantityKind::Quantity);
        target = view;
        return view;
    }
    if (kind == ViewKind::FuzzyQuery) {
        auto* view = new CKszwzb7(m_env, m_clock);
        target = view;
        return view;
    }
    if (kind == ViewKind::BalanceTable) {
        auto* view = new CKszwzb5(m_env, m_clock);
        target = view;
        return view;
    }
    if (kind == ViewKind::TurnoverTable) {
        auto* view = new CKszwzb6(m_env, m_clock);
        target = view;
        return view;
    }
    if (kind == ViewKind::FinancialReport) {
        auto* view = new CKszwReportView(m_env, m_clock);
        // A new window of a statement window shows the same statement and month.
        if (CChildFrame* child = m_frame->activeChild())
            if (auto* shown = qobject_cast<CKszwReportView*>(child->widget()); shown && shown->isCalculated()) {
                const int number = shown->reportNumber();
                const int month = shown->month();
                QTimer::singleShot(0, view, [view, number, month] { view->setConditions(number, month); });
            }
        target = view;
        return view;
    }
    auto* view = new PlaceholderView(kind);
    target = view;
    return view;
}

QWidget* CKszwAppBase::openView(ViewKind kind)
{
    CommandTarget* target = nullptr;
    QWidget* view = createView(kind, target);
    if (!view)
        return nullptr;
    return addView(kind, view, target);
}

QWidget* CKszwAppBase::addView(ViewKind kind, QWidget* view, CommandTarget* target)
{
    if (auto* form = qobject_cast<CKsFormView*>(view)) {
        // A form view keeps its print settings in the open year file under its kind.
        form->setPrompt(m_prompt);
        form->setClock(m_clock);
        form->setSettingsKey(SettingsKey{&m_env.db(), viewFlag(kind), std::string(kDefaultFieldMode)});
        // Context-menu items the view does not run itself go through the main window.
        connect(form, &CKsFormView::commandRequested, m_frame.get(), &CMainFrame::runCommand);
    }
    m_frame->addChild(kind, view, target);
    return view;
}

void CKszwAppBase::showError(const std::exception& error)
{
    // The command that was running when the error arrived names the message box.
    const int failed = m_frame->takeFailedCommand();
    std::string caption(kMessageCaption);
    if (failed != 0 && !commandName(failed).isEmpty())
        caption += "－" + commandName(failed).toStdString();
    std::string text;
    if (const auto* store = dynamic_cast<const DatabaseError*>(&error))
        text = userMessage(*store, m_env.filePath());
    else
        text = error.what();
    m_prompt.tell(text, Icon::Exclamation, caption);
}

void CKszwAppBase::runPasswordCommand()
{
    changePassword(m_env, m_prompt, m_frame.get());
}

bool CKszwAppBase::onCommand(int id)
{
    switch (id) {
    case cmd::kLogin:
        login(QString());
        return true;
    case cmd::kBackup: CBackupDlg::openBackup(m_env, m_clock, m_prompt, m_frame.get()); return true;
    case cmd::kRestore: {
        // Restoring the logged-in year renews the login (the command needs every window closed).
        const QString file = QString::fromStdString(m_env.filePath());
        switch (CRestoreDlg::openRestore(m_env, m_clock, m_prompt, m_frame.get())) {
        case RestoreDialogOutcome::LoginRenewed: afterLogin(); break;
        case RestoreDialogOutcome::LoginLost: login(file); break;
        default: break;
        }
        return true;
    }
    case cmd::kAbout: {
        AboutDialog about(m_frame.get());
        about.exec();
        return true;
    }
    case cmd::kCalculator: {
        CalculatorDialog calculator(m_clock, QString(), m_frame.get());
        calculator.exec();
        return true;
    }
    case cmd::kHelpTopics: {
        // One guide window, beside the work: it is brought to the front when open already.
        HelpDialog* help = m_frame->findChild<HelpDialog*>(QString(), Qt::FindDirectChildrenOnly);
        if (!help) {
            help = new HelpDialog(m_frame.get());
            help->setAttribute(Qt::WA_DeleteOnClose);
        }
        help->show();
        help->raise();
        help->activateWindow();
        return true;
    }
    case cmd::kPrintSetup:
        printSetupWithoutView(m_prompt, m_frame.get());
        return true;
    case cmd::kNewWindow:
        if (CChildFrame* child = m_frame->activeChild())
            openView(child->kind());
        return true;
    case cmd::kPassword:
        runPasswordCommand();
        return true;
    case cmd::kOperators: {
        COperatorDlg dialog(m_env, m_prompt, m_frame.get());
        dialog.exec();
        afterLogin(); // the logged-in operator may have been renamed
        return true;
    }
    case cmd::kNewAccountSet: {
        CAccountSetDlg dialog(m_settings, m_prompt, m_clock, m_frame.get());
        // 打开 chooses a year file: the login is offered on it.
        if (dialog.exec() == QDialog::Accepted && !dialog.chosenFile().isEmpty())
            login(dialog.chosenFile());
        return true;
    }
    case cmd::kNewYear: {
        CNewYearDlg dialog(m_env, m_prompt, m_frame.get());
        dialog.exec();
        return true;
    }
    case cmd::kAccountSetInfo: {
        CAccountSetInfoDlg dialog(m_env, m_prompt, m_frame.get());
        if (dialog.exec() == QDialog::Accepted)
            afterLogin(); // the unit's name heads the main window
        return true;
    }
    default:
        return false;
    }
}

bool CKszwAppBooks::onCommand(int id)
{
    switch (id) {
    case cmd::kBalanceTable: openBalanceTable(); return true;
    case cmd::kTurnoverTable: openTurnoverTable(); return true;
    case cmd::kThreeColumnLedger: openThreeColumnLedger(); return true;
    case cmd::kFuzzyQuery: openLedgerSearch(); return true;
    case cmd::kFinancialReport:
        if (yearHasAccounts())
            openFinancialReport(*this);
        return true;
    case cmd::kReportDefinition: editReportDefinitions(*this); return true;
    case cmd::kSubjectPrint: openView(ViewKind::ChartPrint); return true;
    case cmd::kSubjectQuery:
        CSubjectQueryDlg::browseSubjects(env().db(), prompt(), mainFrame());
        return true;
    case cmd::kSubjectSetup: {
        CSubjectDirectoryDlg dialog(env().db(), prompt(), mainFrame());
        dialog.exec();
        return true;
    }
    case cmd::kOpeningBalances:
        COpeningBalanceDlg::openOpeningBalances(env().db(), prompt(), mainFrame());
        return true;
    case cmd::kCurrencies: {
        CCurrencyDirectoryDlg dialog(env().db(), prompt(), mainFrame());
        dialog.exec();
        return true;
    }
    case cmd::kExchangeRates:
        CRateDlg::openRates(env(), prompt(), clock(), mainFrame());
        return true;
    case cmd::kCarryForward: CCarryForwardDlg::openCarryForward(env(), prompt(), mainFrame()); return true;
    case cmd::kCopySets: CSetCopyDlg::openCopy(env(), prompt(), mainFrame()); return true;
    default:
        return CKszwAppBase::onCommand(id);
    }
}

bool CKszwAppBooks::yearHasAccounts()
{
    if (chartHasSubjects(env().db()))
        return true;
    prompt().warn(kNoAccountsThisYear);
    return false;
}

void CKszwAppBooks::openVoucherDisplay(const VoucherKey& key)
{
    if (auto* view = qobject_cast<CKszwpz1*>(openView(ViewKind::VoucherQuery)))
        view->showSelection({key}, DisplaySource::Single);
}

void CKszwAppBooks::openThreeColumnLedger()
{
    const std::optional<AccountChoice> account = chooseLedgerAccount(env().db(), prompt(), QString(), 12, mainFrame());
    if (!account)
        return;
    auto* view = qobject_cast<CKszwzb1*>(openView(ViewKind::ThreeColumnLedger));
    if (!view)
        return;
    view->setOpenVoucher([this](const VoucherKey& key) { openVoucherDisplay(key); });
    view->setAccount(account->code);
    view->LoadLedger();
}

void CKszwAppBooks::openMultiColumnLedger()
{
    std::string current;
    for (;;) {
        const std::optional<AuxiliaryChoice> choice =
            CAuxiliaryDirectoryDlg::chooseAccount(env(), prompt(), 2, current, 1, 12, mainFrame());
        if (!choice)
            return;
        // An account with nothing posted below it up to the end month is refused; the directory
        // comes again on it.
        if (!hasEntriesBelow(env().db(), choice->code, choice->endMonth)) {
            prompt().warn(kNoEntriesBelow);
            current = choice->code;
            continue;
        }
        auto* view = qobject_cast<CKszwzb2*>(openView(ViewKind::MultiColumnLedger));
        if (!view)
            return;
        view->setOpenVoucher([this](const VoucherKey& key) { openVoucherDisplay(key); });
        view->setAccount(choice->code);
        view->setPeriod(choice->startMonth, choice->endMonth);
        view->LoadLedger();
        return;
    }
}

void CKszwAppBooks::openQuantityLedger(int type)
{
    const QuantityKind kind = type == 1 ? QuantityKind::Currency : QuantityKind::Quantity;
    std::string current;
    for (;;) {
        const std::optional<AuxiliaryChoice> choice =
            CAuxiliaryDirectoryDlg::chooseAccount(env(), prompt(), type, current, 1, 12, mainFrame());
        if (!choice)
            return;
        if (const std::optional<std::string> refusal =
                checkQuantityAccount(env().db(), choice->code, choice->endMonth, kind)) {
            prompt().warn(*refusal);
            current = choice->code;
            continue;
        }
        // The window is made here for its kind and handed to the main window like every view.
        auto* view = new CKszwzb3(env(), clock(), kind);
        addView(ViewKind::QuantityLedger, view, view);
        view->setOpenVoucher([this](const VoucherKey& key) { openVoucherDisplay(key); });
        view->setAccount(choice->code);
        view->setPeriod(choice->startMonth, choice->endMonth);
        view->LoadLedger();
        return;
    }
}

void CKszwAppBooks::openLedgerSearch()
{
    if (!yearHasAccounts())
        return;
    CSearchConditionDlg dialog(env(), prompt(), SearchConditions{}, mainFrame());
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (auto* view = qobject_cast<CKszwzb7*>(openView(ViewKind::FuzzyQuery))) {
        view->setOpenVoucher([this](const VoucherKey& key) { openVoucherDisplay(key); });
        view->setConditions(dialog.conditions());
    }
}

void CKszwAppBooks::openBalanceTable()
{
    if (!yearHasAccounts())
        return;
    CBalanceConditionDlg dialog(env(), prompt(), clock(), BalanceConditions{}, mainFrame());
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (auto* view = qobject_cast<CKszwzb5*>(openView(ViewKind::BalanceTable)))
        view->setConditions(dialog.conditions());
}

void CKszwAppBooks::openTurnoverTable()
{
    if (!yearHasAccounts())
        return;
    CTurnoverConditionDlg dialog(env(), prompt(), TurnoverConditions{}, mainFrame());
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (auto* view = qobject_cast<CKszwzb6*>(openView(ViewKind::TurnoverTable)))
        view->setConditions(dialog.conditions());
}

bool CKszwApp::onCommand(int id)
{
    switch (id) {
    case cmd::kVoucherEntry: openView(ViewKind::VoucherEntry); return true;
    case cmd::kVoucherQuery: openVoucherQuery(); return true;
    case cmd::kVoucherReview: openVoucherReview(); return true;
    case cmd::kVoucherSummary: openVoucherSummary(); return true;
    case cmd::kMonthClose: runMonthClose(); return true;
    case cmd::kMultiColumnLedger: openMultiColumnLedger(); return true;
    case cmd::kQuantityLedger: openQuantityLedger(0); return true;
    case cmd::kCurrencyLedger: openQuantityLedger(1); return true;
    case cmd::kImportVouchers: CVoucherImportDlg::openImport(env(), clock(), prompt(), mainFrame()); return true;
    case cmd::kVoucherClasses:
        CVoucherClassListDlg::openClasses(env().db(), prompt(), mainFrame());
        return true;
    case cmd::kTemplateDirectory: CTemplateDirectoryDlg::openDirectory(env().db(), prompt(), mainFrame()); return true;
    case cmd::kTemplateEntries: CTemplateLinesDlg::openLines(env().db(), prompt(), mainFrame()); return true;
    case cmd::kTemplateVariables: CVariableTableDlg::openVariables(env().db(), prompt(), mainFrame()); return true;
    default:
        return CKszwAppBooks::onCommand(id);
    }
}

void CKszwApp::openVoucherQuery()
{
    CVoucherSelectDlg dialog(env().db(), prompt(), SelectionMode::Query, mainFrame());
    if (!dialog.prepare() || dialog.exec() != QDialog::Accepted)
        return;
    auto* view = qobject_cast<CKszwpz1*>(openView(ViewKind::VoucherQuery));
    if (!view)
        return;
    // Open chooses again: the new choice is shown from its first voucher.
    view->setReselect([this](CKszwpz1& shown) {
        CVoucherSelectDlg again(env().db(), prompt(), SelectionMode::Query, &shown);
        if (again.prepare() && again.exec() == QDialog::Accepted)
            shown.showSelection(again.chosenVouchers(), DisplaySource::Query);
    });
    view->showSelection(dialog.chosenVouchers(), DisplaySource::Query);
}

void CKszwApp::openVoucherSummary()
{
    CVoucherSelectDlg dialog(env().db(), prompt(), SelectionMode::Summary, mainFrame());
    if (!dialog.prepare() || dialog.exec() != QDialog::Accepted)
        return;
    auto* view = qobject_cast<CKszwpz2*>(openView(ViewKind::VoucherSummary));
    if (!view)
        return;
    view->setReselect([this](CKszwpz2& shown) {
        CVoucherSelectDlg again(env().db(), prompt(), SelectionMode::Summary, &shown);
        if (again.prepare() && again.exec() == QDialog::Accepted)
            shown.showSummary(again.chosenSummary());
    });
    view->showSummary(dialog.chosenSummary());
}

void CKszwApp::openVoucherReview()
{
    const std::string reviewer = env().operatorCode();
    CReviewSelectDlg dialog(env().db(), prompt(), reviewer, env().closedMonths(), mainFrame());
    // A batch is run inside the dialog, which then ends without a choice to display.
    if (!dialog.prepare() || dialog.exec() != QDialog::Accepted)
        return;
    auto* view = qobject_cast<CKszwpz1*>(openView(ViewKind::VoucherQuery));
    if (!view)
        return;
    view->setReselect([this](CKszwpz1& shown) {
        CReviewSelectDlg again(env().db(), prompt(), env().operatorCode(), env().closedMonths(), &shown);
        if (again.prepare() && again.exec() == QDialog::Accepted)
            shown.showSelection(again.chosenVouchers(), DisplaySource::Review, again.operation());
    });
    view->showSelection(dialog.chosenVouchers(), DisplaySource::Review, dialog.operation());
}

void CKszwApp::runMonthClose()
{
    CMonthCloseDlg dialog(env(), prompt(), mainFrame());
    dialog.exec();
}

} // namespace kszw
