// The main window after login: which commands each operator gets, child windows, the login from
// the command line and from the menu.
#include "accountset/year_file.h"
#include "app/command_table.h"
#include "app/ui/child_frame.h"
#include "app/ui/kszw_app.h"
#include "app/ui/main_frame.h"
#include "app/ui/placeholder_view.h"
#include "common/clock.h"
#include "common/prompt.h"
#include "session/user_settings.h"
#include "store/database.h"

#include <QAction>
#include <QCloseEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMdiArea>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>

using namespace kszw;

namespace {

// The application with the login dialog replaced by a script: it records the file each dialog
// offered and answers with the queued choices (none left: abandoned).
class ScriptedApp : public CKszwApp {
public:
    using CKszwApp::CKszwApp;
    QStringList offeredFiles;
    QList<LoginChoice> choices;

protected:
    std::optional<LoginChoice> askLogin(const QString& initialFile) override
    {
        offeredFiles << initialFile;
        if (choices.isEmpty())
            return std::nullopt;
        return choices.takeFirst();
    }
};

const int kGatedCommands[] = {
    cmd::kVoucherQuery,    cmd::kVoucherSummary,    cmd::kVoucherEntry,   cmd::kVoucherReview,
    cmd::kMonthClose,      cmd::kVoucherClasses,    cmd::kTemplateDirectory, cmd::kTemplateEntries,
    cmd::kTemplateVariables, cmd::kThreeColumnLedger, cmd::kMultiColumnLedger, cmd::kQuantityLedger,
    cmd::kCurrencyLedger,  cmd::kBalanceTable,      cmd::kTurnoverTable,  cmd::kFuzzyQuery,
    cmd::kSubjectQuery,    cmd::kSubjectPrint,      cmd::kSubjectSetup,   cmd::kOpeningBalances,
    cmd::kCurrencies,      cmd::kExchangeRates,     cmd::kOperators,      cmd::kNewYear,
    cmd::kCarryForward,    cmd::kCopySets,          cmd::kNewAccountSet,  cmd::kAccountSetInfo,
};

// A view with unsaved work that refuses to close.
class RefusingView : public QWidget {
protected:
    void closeEvent(QCloseEvent* event) override { event->ignore(); }
};

const int kAdministrationCommands[] = {cmd::kOperators,    cmd::kNewYear,       cmd::kCarryForward,
                                       cmd::kCopySets,     cmd::kNewAccountSet, cmd::kAccountSetInfo};

} // namespace

class ShellTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_file;
    ScriptedPrompt m_prompt;
    MemoryUserSettings m_settings;
    FixedClock m_clock{CivilDate{2026, 12, 6}};

    std::unique_ptr<ScriptedApp> loggedIn(const QString& op)
    {
        auto app = std::make_unique<ScriptedApp>(m_prompt, m_settings, m_clock);
        app->choices << LoginChoice{m_file, op};
        if (!app->login(QString()))
            return nullptr;
        return app;
    }

private slots:
    void initTestCase()
    {
        qputenv("XDG_DATA_HOME", (m_dir.path() + QStringLiteral("/data")).toUtf8());
        m_file = m_dir.path() + QStringLiteral("/2026.ksk");
        createYearFile(m_file.toStdString(), 2026);
        Database db = Database::open(m_file.toStdString());
        db.execute("INSERT INTO OPR(OPNO,NA,PSD) VALUES('103','新人','')");
        db.execute("INSERT INTO PWR(OPNO,PWR) VALUES('103',NULL)");
        db.execute("INSERT INTO PWR(OPNO,PWR) VALUES('101','0301')");
    }

    void init() { m_prompt.clear(); }

    void anOperatorWithoutRightsKeepsOnlyTheUngatedCommands()
    {
        auto app = loggedIn(QStringLiteral("103"));
        QVERIFY(app);
        CMainFrame* frame = app->mainFrame();
        frame->updateCommandStates();
        for (int id : kGatedCommands) {
            QVERIFY2(!frame->isCommandEnabledNow(id), qPrintable(QString::number(id)));
            QVERIFY(!frame->action(id)->isEnabled());
        }
        for (int id : {cmd::kLogin, cmd::kPassword, cmd::kPrintSetup, cmd::kCalculator, cmd::kAbout, cmd::kExit})
            QVERIFY2(frame->action(id)->isEnabled(), qPrintable(QString::number(id)));
        // Commands the active view decides are off without a view.
        for (int id : {cmd::kPrint, cmd::kPrintPreview, cmd::kPageSetup, cmd::kSave, cmd::kCopy, cmd::kUndo})
            QVERIFY(!frame->action(id)->isEnabled());
    }

    void theUsualOperatorGetsTheWorkingCommandsButNoAdministration()
    {
        auto app = loggedIn(QStringLiteral("102"));
        QVERIFY(app);
        CMainFrame* frame = app->mainFrame();
        for (int id : kGatedCommands) {
            const bool administration = std::find(std::begin(kAdministrationCommands),
                                                  std::end(kAdministrationCommands), id)
                                        != std::end(kAdministrationCommands);
            QCOMPARE(frame->isCommandEnabledNow(id), !administration);
        }
    }

    void aChildWindowDisablesLoginAndAdministrationEvenForTheAdministrator()
    {
        auto app = loggedIn(QStringLiteral("101"));
        QVERIFY(app);
        CMainFrame* frame = app->mainFrame();
        QVERIFY(frame->isCommandEnabledNow(cmd::kLogin));
        for (int id : kAdministrationCommands)
            QVERIFY(frame->isCommandEnabledNow(id));
        frame->runCommand(cmd::kThreeColumnLedger);
        QCOMPARE(frame->childCount(), 1);
        frame->updateCommandStates();
        QVERIFY(!frame->action(cmd::kLogin)->isEnabled());
        for (int id : kAdministrationCommands)
            QVERIFY(!frame->action(id)->isEnabled());
        QVERIFY(frame->action(cmd::kClose)->isEnabled());
        frame->runCommand(cmd::kClose);
        QTRY_COMPARE(frame->childCount(), 0);
        QVERIFY(frame->isCommandEnabledNow(cmd::kLogin));
    }

    void eachUseOfACommandOpensAnotherWindow()
    {
        auto app = loggedIn(QStringLiteral("102"));
        QVERIFY(app);
        CMainFrame* frame = app->mainFrame();
        frame->runCommand(cmd::kThreeColumnLedger);
        frame->runCommand(cmd::kThreeColumnLedger);
        QCOMPARE(frame->childCount(), 2);
        for (QMdiSubWindow* window : frame->mdiArea()->subWindowList()) {
            auto* child = qobject_cast<CChildFrame*>(window);
            QVERIFY(child);
            QCOMPARE(child->kind(), ViewKind::ThreeColumnLedger);
            QVERIFY(child->isMaximized());
        }
        frame->runCommand(cmd::kNewWindow);
        QCOMPARE(frame->childCount(), 3);
        QCOMPARE(frame->activeChild()->kind(), ViewKind::ThreeColumnLedger);
    }

    void closingStopsAtAChildWindowThatRefuses()
    {
        auto app = loggedIn(QStringLiteral("102"));
        QVERIFY(app);
        CMainFrame* frame = app->mainFrame();
        frame->runCommand(cmd::kThreeColumnLedger);
        frame->addChild(ViewKind::VoucherEntry, new RefusingView, nullptr);
        QCOMPARE(frame->childCount(), 2);
        // The active window refuses first: nothing closes and the program keeps running.
        QVERIFY(!frame->close());
        QCOMPARE(frame->childCount(), 2);
        // With the refusing window behind another, the active one closes, then closing stops.
        frame->runCommand(cmd::kThreeColumnLedger);
        QVERIFY(!frame->closeChildren());
        QTRY_COMPARE(frame->childCount(), 2);
    }

    void aCommandWithoutItsDialogSaysSoPlainly()
    {
        auto app = loggedIn(QStringLiteral("102"));
        QVERIFY(app);
        app->mainFrame()->runCommand(cmd::kSubjectSetup);
        QCOMPARE(QString::fromStdString(m_prompt.last()), notYetAvailableText(QStringLiteral("科目设置")));
        QCOMPARE(m_prompt.entries().back().caption, std::string("科目设置"));
        QCOMPARE(app->mainFrame()->childCount(), 0);
    }

    void theStatusBarAndTitleShowTheLogin()
    {
        auto app = loggedIn(QStringLiteral("102"));
        QVERIFY(app);
        CMainFrame* frame = app->mainFrame();
        QCOMPARE(frame->windowTitle(), QStringLiteral("岚屿穗帐务软件：××单位(") + m_file + QStringLiteral(")"));
        bool found = false;
        for (QLabel* label : frame->statusBar()->findChildren<QLabel*>())
            found = found || label->text() == QStringLiteral("操作：102,×××");
        QVERIFY(found);
    }

    void aFileNamedOnTheCommandLineIsOfferedToTheLogin()
    {
        ScriptedApp app(m_prompt, m_settings, m_clock);
        app.choices << LoginChoice{m_file, QStringLiteral("102")};
        QVERIFY(app.start({m_file}));
        QCOMPARE(app.offeredFiles, QStringList{m_file});
        QCOMPARE(app.env().operatorCode(), std::string("102"));
        // The file type was registered for the desktop.
        QVERIFY(QFile::exists(m_dir.path() + QStringLiteral("/data/mime/packages/x-kszw-ksk.xml")));
    }

    void abandoningTheStartUpLoginEndsTheProgram()
    {
        MemoryUserSettings fresh;
        ScriptedApp app(m_prompt, fresh, m_clock);
        QVERIFY(!app.start({}));
        QCOMPARE(app.offeredFiles, QStringList{QString()});
        QVERIFY(!app.env().isLoggedIn());
    }

    void aLoginThatFailsToOpenShowsTheDialogAgain()
    {
        ScriptedApp app(m_prompt, m_settings, m_clock);
        app.choices << LoginChoice{m_dir.path() + QStringLiteral("/1989.ksk"), QStringLiteral("101")}
                    << LoginChoice{m_file, QStringLiteral("101")};
        QVERIFY(app.login(QString()));
        QCOMPARE(app.offeredFiles.size(), 2);
        QCOMPARE(QString::fromStdString(m_prompt.last()), QStringLiteral("该文件不存在！"));
        QCOMPARE(app.env().operatorCode(), std::string("101"));
    }

    void theMenuLoginOffersTheOpenFileAndReplacesTheOperator()
    {
        auto app = loggedIn(QStringLiteral("102"));
        QVERIFY(app);
        app->choices << LoginChoice{m_file, QStringLiteral("101")};
        app->mainFrame()->runCommand(cmd::kLogin);
        QCOMPARE(app->offeredFiles.last(), m_file);
        QCOMPARE(app->env().operatorCode(), std::string("101"));
        QVERIFY(app->mainFrame()->isCommandEnabledNow(cmd::kOperators));
        QVERIFY(!app->mainFrame()->isCommandEnabledNow(cmd::kVoucherEntry));
        // Abandoning a login from the menu keeps the program and the login as they were.
        app->mainFrame()->runCommand(cmd::kLogin);
        QCOMPARE(app->env().operatorCode(), std::string("101"));
    }

    void theRememberedFileIsOfferedWhenNoneIsNamed()
    {
        MemoryUserSettings settings;
        settings.setValue(kDataDirKey, m_file.toStdString());
        settings.setValue(kOperatorKey, "101");
        ScriptedApp app(m_prompt, settings, m_clock);
        QVERIFY(!app.login(QString()));
        QCOMPARE(app.offeredFiles, QStringList{m_file});
    }

    void theMenuHasEveryItemWithItsTextAndShortcut()
    {
        auto app = loggedIn(QStringLiteral("102"));
        QVERIFY(app);
        CMainFrame* frame = app->mainFrame();
        QCOMPARE(frame->action(cmd::kPrint)->text(), QStringLiteral("打印(&P)..."));
        QCOMPARE(frame->action(cmd::kPrint)->shortcut(), QKeySequence(QStringLiteral("Ctrl+P")));
        QCOMPARE(frame->action(cmd::kSave)->shortcut(), QKeySequence(QStringLiteral("Ctrl+S")));
        QCOMPARE(frame->action(cmd::kExit)->text(), QStringLiteral("退出帐务软件(&X)"));
        QCOMPARE(frame->action(cmd::kCalculator)->text(), QStringLiteral("计算器(D)"));
        QCOMPARE(frame->action(cmd::kVoucherEntry)->statusTip(), QStringLiteral("记帐凭证制作"));
        QCOMPARE(frame->action(cmd::kVoucherEntry)->toolTip(), QStringLiteral("凭证制作"));
        QCOMPARE(frame->action(cmd::kLogin)->statusTip(), QStringLiteral("改变用户身份或帐务数据文件"));
        QStringList menus;
        for (QAction* menu : frame->menuBar()->actions())
            menus << menu->text();
        QCOMPARE(menus, (QStringList{"通用服务(&F)", "记帐凭证(&E)", "会计帐簿(&B)", "会计科目(&K)", "帐务管理(&G)",
                                     "查看", "窗口", "帮助(&H)"}));
    }
};

QTEST_MAIN(ShellTest)
#include "shell_test.moc"
