// The voucher entry window inside the main window: 记帐凭证制作 opens it, the toolbar's buttons
// reach its view, and the program does not end over a voucher whose save question was answered
// with 返回. 利用凭证分录模板生成凭证 fills the voucher from a template as if its lines were typed.
#include "accountset/year_file.h"
#include "app/ui/child_frame.h"
#include "app/ui/kszw_app.h"
#include "app/ui/main_frame.h"
#include "chart/chart_import.h"
#include "common/clock.h"
#include "common/command_ids.h"
#include "common/prompt.h"
#include "session/kszw_env.h"
#include "session/user_settings.h"
#include "formview/ui/modal_closer.h"
#include "store/database.h"
#include "templates/ui/template_generation_dialog.h"
#include "templates/voucher_templates.h"
#include "voucher/ui/voucher_entry_frame.h"
#include "voucher/ui/voucher_entry_view.h"
#include "voucher/voucher.h"

#include <QAction>
#include <QCloseEvent>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

using namespace kszw;

namespace {

// The application logged in without its dialog.
class LoggedInApp : public CKszwApp {
public:
    using CKszwApp::CKszwApp;
    QString file;

protected:
    std::optional<LoginChoice> askLogin(const QString&) override
    {
        if (file.isEmpty())
            return std::nullopt;
        return LoginChoice{std::exchange(file, QString()), QStringLiteral("102")};
    }
};

void typeKeys(QWidget* widget, const QString& text)
{
    QTest::keyClicks(widget, text);
}

} // namespace

class VoucherWindowTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_file;
    ScriptedPrompt m_prompt;
    MemoryUserSettings m_settings;
    FixedClock m_clock{CivilDate{2026, 12, 6}};

    std::unique_ptr<LoggedInApp> loggedIn()
    {
        auto app = std::make_unique<LoggedInApp>(m_prompt, m_settings, m_clock);
        app->file = m_file;
        if (!app->login(QString()))
            return nullptr;
        return app;
    }

    static CKszwpzFrm* voucherWindow(CMainFrame* frame)
    {
        CChildFrame* child = frame->activeChild();
        return child ? qobject_cast<CKszwpzFrm*>(child->widget()) : nullptr;
    }

private slots:
    void initTestCase()
    {
        qputenv("XDG_DATA_HOME", (m_dir.path() + QStringLiteral("/data")).toUtf8());
        m_file = m_dir.path() + QStringLiteral("/2026.ksk");
        createYearFile(m_file.toStdString(), 2026);
        Database db = Database::open(m_file.toStdString());
        QVERIFY(importSubjects(db, "code,name,kind,unit,multi_column,direction,width\n"
                                   "1001,库存现金,0,,0,0,0\n1002,银行存款,0,,0,0,0\n")
                    .ok);
        for (const char* number : {"0001", "0003"})
            db.execute("INSERT INTO CERDIR(T,CER,OPP,PN,LY,MK,TT) VALUES('20261201',?1,'102',0,'0','2','12')",
                       {std::string(number)});
        // A template of two lines with an amount and one that comes out as nothing.
        QVERIFY(!addTemplate(db, "5", "提取备用金"));
        for (const TemplateLine& line : {TemplateLine{1, "提取备用金", "1001", 1, "#y*10"},
                                         TemplateLine{2, "提取备用金", "1002", -1, "120"},
                                         TemplateLine{3, "零", "1001", 1, "0"}})
            QVERIFY(!saveTemplateLine(db, 5, line, std::nullopt));
    }

    void init() { m_prompt.clear(); }

    void theToolbarReachesTheVoucherOnScreen()
    {
        auto app = loggedIn();
        QVERIFY(app);
        CMainFrame* frame = app->mainFrame();
        frame->resize(1200, 800);
        frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(frame));
        frame->runCommand(cmd::kVoucherEntry);
        CKszwpzFrm* window = voucherWindow(frame);
        QVERIFY(window);
        CKszwpz* view = window->view();
        // A new voucher of today with the month's next number.
        QCOMPARE(window->voucher().head[kHeadNumber], std::string("0004"));

        // 号 finds the first free number, 大 the one after the largest.
        QVERIFY(frame->isCommandEnabledNow(cmd::kNextFreeNumber));
        frame->action(cmd::kNextFreeNumber)->trigger();
        QCOMPARE(window->voucher().head[kHeadNumber], std::string("0002"));
        frame->action(cmd::kLargestFreeNumber)->trigger();
        QCOMPARE(window->voucher().head[kHeadNumber], std::string("0004"));
        QVERIFY(!frame->isCommandEnabledNow(cmd::kTemplateVoucher));

        // Two lines typed, then saved with 存.
        view->SetCurrentCell(0, 0, 0, "TEXT", true);
        typeKeys(view, QStringLiteral("cash"));
        QTest::keyClick(view, Qt::Key_Return);
        typeKeys(view, QStringLiteral("1001"));
        QTest::keyClick(view, Qt::Key_Return);
        typeKeys(view, QStringLiteral("80"));
        QTest::keyClick(view, Qt::Key_Return);
        QTest::keyClick(view, Qt::Key_Return); // past the credit to a new line
        typeKeys(view, QStringLiteral("cash"));
        QTest::keyClick(view, Qt::Key_Return);
        typeKeys(view, QStringLiteral("1002"));
        QTest::keyClick(view, Qt::Key_Tab);
        QTest::keyClick(view, Qt::Key_Tab);
        typeKeys(view, QStringLiteral("80"));
        QTest::keyClick(view, Qt::Key_Return);
        QVERIFY(frame->isCommandEnabledNow(cmd::kSave));
        m_prompt.queueAnswer(Answer::Yes);
        frame->action(cmd::kSave)->trigger();
        QVERIFY2(m_prompt.last().starts_with("新增凭证：2026年12月6日  第0004号\n"), m_prompt.last().c_str());
        Database check = Database::open(m_file.toStdString());
        QCOMPARE(check.queryLong("SELECT count(*) FROM CERDIR WHERE T='20261206' AND CER='0004' AND MK='2'"), 1);
        QCOMPARE(check.queryLong("SELECT count(*) FROM P0 WHERE T='20261206' AND CER='0004'"), 2);

        // 新 starts the next voucher.
        frame->action(cmd::kNewVoucher)->trigger();
        QCOMPARE(window->voucher().head[kHeadNumber], std::string("0005"));
        QVERIFY(window->voucher().isNew);
    }

    void theProgramDoesNotEndOverAVoucherKeptWithReturn()
    {
        auto app = loggedIn();
        QVERIFY(app);
        CMainFrame* frame = app->mainFrame();
        frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(frame));
        frame->runCommand(cmd::kVoucherEntry);
        CKszwpzFrm* window = voucherWindow(frame);
        QVERIFY(window);
        window->view()->SetCurrentCell(0, 0, 0, "TEXT", true);
        typeKeys(window->view(), QStringLiteral("draft"));
        QTest::keyClick(window->view(), Qt::Key_Return);
        typeKeys(window->view(), QStringLiteral("1001"));
        m_prompt.queueAnswer(Answer::Cancel);
        QVERIFY(!frame->close());
        QVERIFY2(m_prompt.last().starts_with("新增凭证："), m_prompt.last().c_str());
        QVERIFY(voucherWindow(frame) == window);
        // Not saving lets it go.
        m_prompt.queueAnswer(Answer::No);
        QVERIFY(frame->close());
        Database check = Database::open(m_file.toStdString());
        QCOMPARE(check.queryLong("SELECT count(*) FROM CERDIR WHERE T='20261206' AND CER='0005'"), 0);
    }

    void aTemplateFillsTheVoucherAndItIsSavedAsTyped()
    {
        auto app = loggedIn();
        QVERIFY(app);
        CMainFrame* frame = app->mainFrame();
        frame->resize(1200, 800);
        frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(frame));
        frame->runCommand(cmd::kVoucherEntry);
        CKszwpzFrm* window = voucherWindow(frame);
        QVERIFY(window);
        CKszwpz* view = window->view();
        // Only in the table: the head is no place for lines.
        view->SetCurrentCell(0, 0, 0, "HEAD", true);
        QVERIFY(!frame->isCommandEnabledNow(cmd::kTemplateVoucher));
        view->SetCurrentCell(0, 0, 0, "TEXT", true);
        QVERIFY(frame->isCommandEnabledNow(cmd::kTemplateVoucher));

        bool started = false;
        QString confirmText;
        {
            ModalCloser closer;
            closer.actOn<CTemplateGenerationDlg>([&](CTemplateGenerationDlg& dialog) {
                started = dialog.templateList()->count() == 1;
                dialog.press(); // 开始: every line at once
                confirmText = dialog.runButton()->text();
                dialog.press(); // 确认
            });
            frame->runCommand(cmd::kTemplateVoucher);
            QCOMPARE(closer.classNames(), QStringList({"kszw::CTemplateGenerationDlg"}));
        }
        QVERIFY(started);
        QCOMPARE(confirmText, QStringLiteral("确认(&S)"));
        const CVoucher& voucher = window->voucher();
        // December: #y is 12, so the debit is 120 and the voucher balances.
        QCOMPARE(voucher.lines[0][VoucherLine::Summary], std::string("提取备用金"));
        QCOMPARE(voucher.lines[0][VoucherLine::Subject], std::string("1001"));
        QCOMPARE(voucher.lines[0][VoucherLine::Debit], std::string("120.00"));
        QCOMPARE(voucher.lines[1][VoucherLine::Subject], std::string("1002"));
        QCOMPARE(voucher.lines[1][VoucherLine::Credit], std::string("120.00"));
        const std::string shown = view->displayedText(0, 1, "TEXT");
        QVERIFY2(shown.find("库存现金") != std::string::npos, shown.c_str()); // the subject was looked up
        QVERIFY(view->isModified());

        m_prompt.queueAnswer(Answer::Yes);
        frame->action(cmd::kSave)->trigger();
        Database check = Database::open(m_file.toStdString());
        const std::string number = check.queryText(
            "SELECT CER FROM P0 WHERE T='20261206' AND MRY='提取备用金' AND F=1 AND MY=120 AND KNO='1001'")
                                       .value_or("");
        QVERIFY(!number.empty());
        QCOMPARE(check.queryLong("SELECT count(*) FROM P0 WHERE T='20261206' AND CER=?1", {number}), 2);
        QCOMPARE(check.queryLong("SELECT count(*) FROM P0 WHERE CER=?1 AND KNO='1002' AND F=-1 AND MY=120", {number}),
                 1);
        QCOMPARE(check.queryText("SELECT MK FROM CERDIR WHERE T='20261206' AND CER=?1", {number}).value_or(""),
                 std::string("2"));
    }
};

QTEST_MAIN(VoucherWindowTest)
#include "voucher_window_test.moc"
