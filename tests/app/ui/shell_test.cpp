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
#include "session/operators.h"
#include "session/ui/login_dialog.h"
#include "session/user_settings.h"
#include "store/database.h"
#include "store/database_error.h"

#include <QAction>
#include <QCloseEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMdiArea>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include "formview/ui/modal_closer.h"

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

    // Runs work in place of a command (to see what an error inside a command does).
    void setCommandHook(int id, std::function<void()> work)
    {
        m_hookId = id;
        m_hook = std::move(work);
    }
    bool onCommand(int id) override
    {
        if (id == m_hookId && m_hook) {
            m_hook();
            return true;
        }
        return CKszwApp::onCommand(id);
    }

protected:
    std::optional<LoginChoice> askLogin(const QString& initialFile) override
    {
        offeredFiles << initialFile;
        if (choices.isEmpty())
            return std::nullopt;
        return choices.takeFirst();
    }

private:
    int m_hookId = 0;
    std::function<void()> m_hook;
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

    // Shows the main window at a size, as the tests of window arrangement need it on screen.
    static bool shown(CMainFrame* frame, QSize size)
    {
        frame->resize(size);
        frame->show();
        return QTest::qWaitForWindowExposed(frame);
    }

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
        db.execute("INSERT INTO PWR(OPNO,PWR) VALUES('101','0302')");
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
        app->openView(ViewKind::MultiColumnLedger);
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
        app->openView(ViewKind::MultiColumnLedger);
        app->openView(ViewKind::MultiColumnLedger);
        QCOMPARE(frame->childCount(), 2);
        for (QMdiSubWindow* window : frame->mdiArea()->subWindowList()) {
            auto* child = qobject_cast<CChildFrame*>(window);
            QVERIFY(child);
            QCOMPARE(child->kind(), ViewKind::MultiColumnLedger);
            QVERIFY(child->isMaximized());
        }
        frame->runCommand(cmd::kNewWindow);
        QCOMPARE(frame->childCount(), 3);
        QCOMPARE(frame->activeChild()->kind(), ViewKind::MultiColumnLedger);
    }

    void closingStopsAtAChildWindowThatRefuses()
    {
        auto app = loggedIn(QStringLiteral("102"));
        QVERIFY(app);
        CMainFrame* frame = app->mainFrame();
        app->openView(ViewKind::MultiColumnLedger);
        frame->addChild(ViewKind::VoucherEntry, new RefusingView, nullptr);
        QCOMPARE(frame->childCount(), 2);
        // The active window refuses first: nothing closes and the program keeps running.
        QVERIFY(!frame->close());
        QCOMPARE(frame->childCount(), 2);
        // With the refusing window behind another, the active one closes, then closing stops.
        app->openView(ViewKind::MultiColumnLedger);
        QVERIFY(!frame->closeChildren());
        QTRY_COMPARE(frame->childCount(), 2);
    }

    // The data-safety commands of 帐务管理 open their dialogs for the administrator.
    void theBackupCommandsOpenTheirDialogs()
    {
        auto app = loggedIn(QStringLiteral("101"));
        QVERIFY(app);
        QStringList opened;
        for (int id : {cmd::kBackup, cmd::kRestore}) {
            QVERIFY(app->mainFrame()->isCommandEnabledNow(id));
            ModalCloser closer;
            app->mainFrame()->runCommand(id);
            opened << closer.classNames();
        }
        QCOMPARE(opened, QStringList({"kszw::CBackupDlg", "kszw::CRestoreDlg"}));
    }

    // The template commands open their dialogs; the lines need a template first.
    void theTemplateCommandsOpenTheirDialogs()
    {
        auto app = loggedIn(QStringLiteral("102"));
        QVERIFY(app);
        QStringList opened;
        for (int id : {cmd::kTemplateDirectory, cmd::kTemplateVariables}) {
            ModalCloser closer;
            app->mainFrame()->runCommand(id);
            opened << closer.classNames();
        }
        QCOMPARE(opened, QStringList({"kszw::CTemplateDirectoryDlg", "kszw::CVariableTableDlg"}));
        m_prompt.clear();
        ModalCloser closer;
        app->mainFrame()->runCommand(cmd::kTemplateEntries);
        QCOMPARE(m_prompt.last(), std::string("本年度尚未定义模板目录!"));
        QVERIFY(closer.seen().empty());
        QCOMPARE(app->mainFrame()->childCount(), 0);
    }

    void theBalanceTablesOpenNothingInAYearWithoutAccounts()
    {
        auto app = loggedIn(QStringLiteral("102"));
        QVERIFY(app);
        for (int id : {cmd::kBalanceTable, cmd::kTurnoverTable}) {
            m_prompt.clear();
            app->mainFrame()->runCommand(id);
            QCOMPARE(m_prompt.last(), std::string("本年度尚未设置科目(帐户)！"));
            QCOMPARE(app->mainFrame()->childCount(), 0);
        }
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

    void aLoginThatFailsAfterTheDialogLeavesTheRunningLoginUntouched()
    {
        auto app = loggedIn(QStringLiteral("102"));
        QVERIFY(app);
        // The dialog's trial opened the file, but it changed before the program opened it: now it
        // is not a year data file any more.
        const QString changed = m_dir.path() + QStringLiteral("/2024.ksk");
        {
            QFile file(changed);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QByteArray(600, 'x'));
        }
        app->choices << LoginChoice{changed, QStringLiteral("101")};
        app->mainFrame()->runCommand(cmd::kLogin); // fails, then the dialog is abandoned
        QCOMPARE(QString::fromStdString(m_prompt.last()), QStringLiteral("无法打开此文件！"));
        QVERIFY(app->env().isLoggedIn());
        QCOMPARE(app->env().operatorCode(), std::string("102"));
        QCOMPARE(QString::fromStdString(app->env().filePath()), m_file);
        // The running login's connection is still open and works.
        QCOMPARE(app->env().db().queryLong("SELECT count(*) FROM SYSTAB"), 1);
        QVERIFY(app->mainFrame()->isCommandEnabledNow(cmd::kVoucherEntry));
        QFile::remove(changed);
    }

    void aDatabaseErrorInTheLastStepOfALoginIsShownAndEndsItInOrder()
    {
        // A file whose operators have no rights table: the login fails when it loads the rights.
        const QString broken = m_dir.path() + QStringLiteral("/2023.ksk");
        createYearFile(broken.toStdString(), 2023);
        {
            Database db = Database::open(broken.toStdString());
            db.execute("DROP TABLE PWR");
        }
        const std::string expected = "“" + broken.toStdString() + "”缺少帐务数据表，不是完整的岚屿穗帐务数据文件！\rno such table: pwr";
        MemoryUserSettings fresh;
        {
            // At start-up the program ends, as when the login is abandoned.
            ScriptedApp app(m_prompt, fresh, m_clock);
            app.choices << LoginChoice{broken, QStringLiteral("102")};
            QVERIFY(!app.start({broken}));
            QCOMPARE(m_prompt.last(), expected);
            QVERIFY(!app.env().isLoggedIn());
            QVERIFY(!fresh.value(kDataDirKey));
        }
        // From the menu the previous login stays.
        auto app = loggedIn(QStringLiteral("102"));
        QVERIFY(app);
        app->choices << LoginChoice{broken, QStringLiteral("101")};
        app->mainFrame()->runCommand(cmd::kLogin);
        QCOMPARE(m_prompt.last(), expected);
        QCOMPARE(app->env().operatorCode(), std::string("102"));
        QCOMPARE(QString::fromStdString(app->env().filePath()), m_file);
        QCOMPARE(app->env().db().queryLong("SELECT count(*) FROM PWR WHERE OPNO='102'"), 22);
        QFile::remove(broken);
    }

    void aSecondFileOrAnOptionOnTheCommandLineEndsTheProgram()
    {
        const QStringList cases[] = {{m_file, m_file}, {QStringLiteral("-p"), m_file}, {QStringLiteral("/p"), m_file},
                                     {m_file, QStringLiteral("--print")}};
        for (const QStringList& arguments : cases) {
            ScriptedApp app(m_prompt, m_settings, m_clock);
            app.choices << LoginChoice{m_file, QStringLiteral("102")};
            QVERIFY2(!app.start(arguments), qPrintable(arguments.join(QLatin1Char(' '))));
            // It ended before the login was offered.
            QVERIFY(app.offeredFiles.isEmpty());
        }
    }

    void anErrorEndingACommandNamesTheCommandInItsCaption()
    {
        auto app = loggedIn(QStringLiteral("102"));
        QVERIFY(app);
        CMainFrame* frame = app->mainFrame();
        // A command that ended normally is not named.
        frame->runCommand(cmd::kMultiColumnLedger);
        QCOMPARE(frame->takeFailedCommand(), 0);
        frame->closeChildren();
        // One that an error ends is.
        app->setCommandHook(cmd::kMultiColumnLedger, [this] {
            throw DatabaseError("database is locked", 5, m_file.toStdString());
        });
        try {
            frame->runCommand(cmd::kMultiColumnLedger);
            QFAIL("no error");
        } catch (const std::exception& error) {
            app->showError(error);
        }
        QCOMPARE(m_prompt.entries().back().caption, std::string("岚屿穗软件－多栏式帐"));
        QCOMPARE(m_prompt.last(), "帐务数据文件“" + m_file.toStdString() + "”正被其他程序使用，请稍后再试！\rdatabase is locked");
        QCOMPARE(frame->takeFailedCommand(), 0);
    }

    void tilingKeepsTheArrangementWhenAWindowIsClicked()
    {
        auto app = loggedIn(QStringLiteral("102"));
        QVERIFY(app);
        CMainFrame* frame = app->mainFrame();
        QVERIFY(shown(frame, QSize(1200, 900)));
        app->openView(ViewKind::MultiColumnLedger);
        app->openView(ViewKind::FuzzyQuery);
        app->openView(ViewKind::MultiColumnLedger);
        frame->runCommand(cmd::kTile);
        const QList<QMdiSubWindow*> windows = frame->mdiArea()->subWindowList(QMdiArea::CreationOrder);
        QCOMPARE(windows.size(), 3);
        QList<QRect> tiled;
        for (QMdiSubWindow* window : windows) {
            QVERIFY(!window->isMaximized());
            tiled << window->geometry();
        }
        // Three tiles side by side or stacked, none covering another.
        QVERIFY(!tiled[0].intersects(tiled[1]) && !tiled[1].intersects(tiled[2]) && !tiled[0].intersects(tiled[2]));
        // The main window losing and regaining the focus (a message box, another program) changes
        // no window's place.
        {
            QWidget other;
            other.show();
            other.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&other));
        }
        frame->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(frame));
        for (int i = 0; i < 3; ++i)
            QCOMPARE(windows[i]->geometry(), tiled[i]);
        // A click on the second window makes it active and changes no window's place.
        QTest::mouseClick(windows[1]->widget(), Qt::LeftButton, {}, QPoint(20, 20));
        QTRY_COMPARE(frame->mdiArea()->activeSubWindow(), windows[1]);
        QTest::qWait(50);
        for (int i = 0; i < 3; ++i) {
            QVERIFY2(!windows[i]->isMaximized(), qPrintable(QString::number(i)));
            QCOMPARE(windows[i]->geometry(), tiled[i]);
        }
        // The 窗口 menu lists the three windows, told apart, the active one checked.
        frame->refreshWindowList();
        QStringList texts;
        QList<bool> checked;
        for (QAction* item : frame->windowListActions()) {
            if (item->isSeparator())
                continue;
            texts << item->text();
            checked << item->isChecked();
        }
        QCOMPARE(texts, (QStringList{QStringLiteral("&1 多栏式帐页:1"), QStringLiteral("&2 模糊查询帐页"),
                                     QStringLiteral("&3 多栏式帐页:2")}));
        QCOMPARE(checked, (QList<bool>{false, true, false}));
        // Choosing the third from the list activates it, still tiled.
        frame->windowListActions().last()->trigger();
        QTRY_COMPARE(frame->mdiArea()->activeSubWindow(), windows[2]);
        QCOMPARE(windows[2]->geometry(), tiled[2]);
        frame->closeChildren();
    }

    void aMaximizedChildCanBeMinimisedAndRestored()
    {
        auto app = loggedIn(QStringLiteral("102"));
        QVERIFY(app);
        CMainFrame* frame = app->mainFrame();
        QVERIFY(shown(frame, QSize(1000, 800)));
        app->openView(ViewKind::MultiColumnLedger);
        QMdiSubWindow* window = frame->mdiArea()->subWindowList().first();
        QVERIFY(window->isMaximized());
        // The restore button of the menu bar: the window stays restored.
        window->showNormal();
        QTest::qWait(50);
        QVERIFY(!window->isMaximized());
        QVERIFY(!window->isMinimized());
        // The minimise button: it stays minimised.
        window->showMinimized();
        QTest::qWait(50);
        QVERIFY(window->isMinimized());
        frame->closeChildren();
    }

    void aWindowChosenAgainComesBackMaximizedUntilTheWindowsAreArranged()
    {
        auto app = loggedIn(QStringLiteral("102"));
        QVERIFY(app);
        CMainFrame* frame = app->mainFrame();
        QVERIFY(shown(frame, QSize(1000, 800)));
        app->openView(ViewKind::MultiColumnLedger);
        app->openView(ViewKind::FuzzyQuery);
        const QList<QMdiSubWindow*> windows = frame->mdiArea()->subWindowList(QMdiArea::CreationOrder);
        QCOMPARE(windows.size(), 2);
        windows[1]->showMinimized();
        QTRY_VERIFY(windows[1]->isMinimized());
        frame->activateChild(windows[0]);
        QTRY_COMPARE(frame->mdiArea()->activeSubWindow(), windows[0]);
        QVERIFY(windows[0]->isMaximized());
        frame->closeChildren();
    }

    void arrangingLeavesTheRowOfMinimisedWindowsClear()
    {
        auto app = loggedIn(QStringLiteral("102"));
        QVERIFY(app);
        CMainFrame* frame = app->mainFrame();
        QVERIFY(shown(frame, QSize(1200, 900)));
        for (int i = 0; i < 4; ++i)
            app->openView(ViewKind::FuzzyQuery);
        const QList<QMdiSubWindow*> windows = frame->mdiArea()->subWindowList(QMdiArea::CreationOrder);
        // The active window goes down to an icon: the one used before it becomes active.
        windows[3]->showMinimized();
        QTRY_COMPARE(frame->mdiArea()->activeSubWindow(), windows[2]);
        for (int command : {cmd::kTile, cmd::kCascade}) {
            frame->runCommand(command);
            const QRect icon = windows[3]->geometry();
            QCOMPARE(icon.bottom(), frame->mdiArea()->viewport()->height() - 1);
            for (int i = 0; i < 3; ++i) {
                QVERIFY2(!windows[i]->geometry().intersects(icon), qPrintable(QString::number(command)));
                QVERIFY(windows[i]->height() > 100);
            }
        }
        // After cascading, the active window is in front and last, so every title bar shows.
        QCOMPARE(frame->mdiArea()->activeSubWindow(), windows[2]);
        QVERIFY(windows[2]->geometry().top() > windows[0]->geometry().top());
        QVERIFY(windows[2]->geometry().top() > windows[1]->geometry().top());
        frame->closeChildren();
    }

    void aRestoredWindowThatOpenedMaximizedIsLargeEnoughToWorkIn()
    {
        auto app = loggedIn(QStringLiteral("102"));
        QVERIFY(app);
        CMainFrame* frame = app->mainFrame();
        QVERIFY(shown(frame, QSize(1200, 900)));
        app->openView(ViewKind::FuzzyQuery);
        QMdiSubWindow* window = frame->mdiArea()->subWindowList().first();
        QVERIFY(window->isMaximized());
        window->showNormal();
        const QSize area = frame->mdiArea()->viewport()->size();
        QVERIFY2(window->width() >= area.width() / 2 && window->height() >= area.height() / 2,
                 qPrintable(QStringLiteral("%1x%2").arg(window->width()).arg(window->height())));
        frame->closeChildren();
    }

    void aWindowListBeyondNineEndsWithOtherWindows()
    {
        auto app = loggedIn(QStringLiteral("102"));
        QVERIFY(app);
        CMainFrame* frame = app->mainFrame();
        for (int i = 0; i < 10; ++i)
            app->openView(ViewKind::FuzzyQuery);
        frame->refreshWindowList();
        QStringList texts;
        for (QAction* item : frame->windowListActions())
            if (!item->isSeparator())
                texts << item->text();
        QCOMPARE(texts.size(), 10);
        QCOMPARE(texts.first(), QStringLiteral("&1 模糊查询帐页:1"));
        QCOMPARE(texts[8], QStringLiteral("&9 模糊查询帐页:9"));
        QCOMPARE(texts.last(), QStringLiteral("其他窗口..."));
        frame->closeChildren();
    }

    void theLoginDialogOfTheProgramSearchesForAccountSets()
    {
        MemoryUserSettings settings;
        rememberRecentFile(settings, m_file.toStdString());
        ScriptedApp app(m_prompt, settings, m_clock);
        CKszwFileDlg dialog(m_prompt, m_clock, m_file, QString());
        QVERIFY(!dialog.searchButton()->isEnabled());
        app.prepareLoginDialog(dialog);
        QVERIFY(dialog.searchButton()->isEnabled());
        QCOMPARE(dialog.chooser()->history().first(), m_dir.path());
    }

    void aNewOperatorHasEveryGatedCommandOffUntilRightsAndALoginAgain()
    {
        {
            Database db = Database::open(m_file.toStdString());
            ScriptedPrompt quiet;
            QVERIFY(addOperator(db, "104", "新手", quiet).saved);
        }
        auto app = loggedIn(QStringLiteral("104"));
        QVERIFY(app);
        CMainFrame* frame = app->mainFrame();
        for (int id : kGatedCommands)
            QVERIFY2(!frame->isCommandEnabledNow(id), qPrintable(QString::number(id)));
        // The administrator grants a right while 104 works: it counts from the next login.
        {
            Database db = Database::open(m_file.toStdString());
            ScriptedPrompt quiet;
            QVERIFY(setOperatorRight(db, "104", "0301", true, quiet));
        }
        QVERIFY(!frame->isCommandEnabledNow(cmd::kThreeColumnLedger));
        app->choices << LoginChoice{m_file, QStringLiteral("104")};
        frame->runCommand(cmd::kLogin);
        QVERIFY(frame->isCommandEnabledNow(cmd::kThreeColumnLedger));
        QVERIFY(!frame->isCommandEnabledNow(cmd::kBalanceTable));
        Database db = Database::open(m_file.toStdString());
        ScriptedPrompt quiet;
        QVERIFY(deleteOperator(db, "104", quiet));
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
        QCOMPARE(menus, (QStringList{"通用服务(&F)", "记帐凭证(&E)", "会计帐簿(&B)", "财务报表(&R)", "会计科目(&K)", "帐务管理(&G)",
                                     "查看", "窗口", "帮助(&H)"}));
    }
};

QTEST_MAIN(ShellTest)
#include "shell_test.moc"
