// The month-end close dialog on an offscreen screen, on real year files with imported vouchers: the
// month it offers, every refusal and every No ending the dialog with nothing closed, a close that
// counts the month in the file and in the login state, Enter and Escape leaving without a close,
// and engine errors told. With KSZW_SCREENSHOT_DIR=folder the dialog is saved there as
// month_close.png.
#include "accountset/year_file.h"
#include "chart/chart_import.h"
#include "common/clock.h"
#include "common/prompt.h"
#include "session/kszw_env.h"
#include "session/user_settings.h"
#include "store/backup.h"
#include "store/database.h"
#include "voucher/month_close.h"
#include "voucher/ui/month_close_dialog.h"
#include "voucher/voucher_import.h"

#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>
#include <memory>

using namespace kszw;

namespace {

constexpr std::string_view kChart = "code,name,kind,unit,multi_column,direction,width\n"
                                    "1001,库存现金,0,,0,0,0\n"
                                    "1002,银行存款,0,,0,0,0\n"
                                    "6602,管理费用,0,,0,0,0\n";

constexpr std::string_view kCsvHead = "date,number,attachments,summary,subject,debit,credit,quantity\n";

// A balanced voucher of one debit and one credit line.
std::string voucherRows(const std::string& date, const std::string& number, int amount = 100)
{
    const std::string value = std::to_string(amount);
    return date + "," + number + ",1,提现,1001," + value + ",,\n" + date + "," + number + ",1,提现,1002,," + value + ",\n";
}

} // namespace

class MonthCloseDialogTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    int m_files = 0;
    FixedClock m_clock{CivilDate{2026, 3, 15}};
    std::unique_ptr<CKszwEnv> m_env;
    ScriptedPrompt m_prompt;

    Database& db() { return m_env->db(); }
    int closedInFile() { return db().queryLong("SELECT MM FROM SYSTAB"); }
    // The backups in the account set's backup folder.
    QStringList backups()
    {
        return QDir(QString::fromStdString(backupFolderFor(m_env->filePath()))).entryList(QDir::Files);
    }

    void importVoucherRows(const std::string& rows)
    {
        const VoucherImportResult result = importVouchers(*m_env, m_clock, std::string(kCsvHead) + rows);
        QVERIFY2(result.ok, result.refusals.empty() ? "" : result.refusals.front().text().c_str());
    }

    void reviewAll()
    {
        db().execute("UPDATE CERDIR SET MK='4'");
        db().execute("UPDATE P0 SET MK='4'");
    }

    // The dialog shown on the screen.
    std::unique_ptr<CMonthCloseDlg> dialog()
    {
        auto shown = std::make_unique<CMonthCloseDlg>(*m_env, m_prompt);
        shown->show();
        shown->activateWindow();
        if (!QTest::qWaitForWindowActive(shown.get()))
            qWarning("the dialog was not shown");
        return shown;
    }

private slots:
    void initTestCase()
    {
        QFont::insertSubstitutions(QStringLiteral("宋体"), {QStringLiteral("AR PL UMing CN"),
                                                            QStringLiteral("Noto Sans CJK SC")});
        QVERIFY(m_dir.isValid());
    }

    // Every test works on a year file of its own with a small chart, logged in as 102.
    void init()
    {
        const std::string folder = (m_dir.path() + QStringLiteral("/set%1").arg(++m_files)).toStdString();
        QVERIFY(QDir().mkpath(QString::fromStdString(folder)));
        const std::string path = folder + "/2026.ksk";
        createYearFile(path, 2026);
        m_env = std::make_unique<CKszwEnv>();
        ScriptedPrompt quiet;
        QVERIFY2(confirmLogin(*m_env, path, "102", "", quiet), quiet.last().c_str());
        MemoryUserSettings settings;
        m_env->completeLogin(settings);
        QVERIFY(importSubjects(db(), kChart).ok);
        m_prompt.clear();
    }

    void cleanup() { m_env.reset(); }

    void theDialogNamesTheMonthThatCanBeClosed()
    {
        db().execute("UPDATE SYSTAB SET MM=2");
        auto shown = dialog();
        QCOMPARE(shown->windowTitle(), QStringLiteral("岚屿穗软件"));
        QCOMPARE(shown->warningText()->text(), QStringLiteral("警告：\n    结帐后,将永远不能操纵本月的数据,"));
        QCOMPARE(shown->monthText()->text(), QStringLiteral("当前可以结帐的月份是：2026 年 03 月"));
        QCOMPARE(shown->carefulText()->text(), QStringLiteral("请慎重地作出你的选择。"));
        QCOMPARE(shown->confirmButton()->text(), QStringLiteral("&S.确认"));
        QCOMPARE(shown->cancelButton()->text(), QStringLiteral("&X.取消"));
        QVERIFY(shown->cancelButton()->isDefault());
        QVERIFY(!shown->confirmButton()->isDefault());
        QCOMPARE(QApplication::focusWidget(), shown->cancelButton());
        QVERIFY(m_prompt.entries().empty());

        const QString folder = qEnvironmentVariable("KSZW_SCREENSHOT_DIR");
        if (!folder.isEmpty())
            shown->grab().save(folder + QStringLiteral("/month_close.png"));
    }

    void everyRefusalAndEveryNoEndsTheDialogWithNothingClosed()
    {
        struct Case {
            const char* name;
            std::function<void(MonthCloseDialogTest&)> prepare;
            std::vector<Answer> answers;
            std::string told; // the last text shown or asked
        };
        const std::vector<Case> cases = {
            {"an empty month answered No", [](MonthCloseDialogTest&) {}, {Answer::No}, std::string(kEmptyMonthQuestion)},
            {"an unreviewed voucher",
             [](MonthCloseDialogTest& t) {
                 t.importVoucherRows(voucherRows("20260105", "0001") + voucherRows("20260106", "0002"));
                 t.db().execute("UPDATE CERDIR SET MK='4' WHERE CER='0001'");
                 t.db().execute("UPDATE P0 SET MK='4' WHERE CER='0001'");
             },
             {Answer::Yes},
             std::string(kUnreviewedLeft)},
            {"a gap in the numbers",
             [](MonthCloseDialogTest& t) {
                 t.importVoucherRows(voucherRows("20260105", "0001") + voucherRows("20260106", "0003"));
                 t.reviewAll();
             },
             {Answer::Yes},
             std::string(kNumbersNotContinuous)},
            {"a gap in a class's numbers",
             [](MonthCloseDialogTest& t) {
                 t.db().execute("INSERT INTO CERCLS(CNO,NA) VALUES('A','现收')");
                 t.importVoucherRows(voucherRows("20260105", "A001") + voucherRows("20260106", "A002")
                                     + voucherRows("20260107", "A004"));
                 t.reviewAll();
             },
             {Answer::Yes},
             classNumbersNotContinuous("A")},
            {"a month out of balance",
             [](MonthCloseDialogTest& t) {
                 t.importVoucherRows(voucherRows("20260105", "0001"));
                 t.reviewAll();
                 t.db().execute("UPDATE P0 SET MY=99 WHERE F=1");
             },
             {Answer::Yes},
             std::string(kNotBalanced)},
            {"the last question answered No",
             [](MonthCloseDialogTest& t) {
                 t.importVoucherRows(voucherRows("20260105", "0001"));
                 t.reviewAll();
             },
             {Answer::No},
             std::string(kCloseQuestion)},
        };
        for (const Case& c : cases) {
            init();
            c.prepare(*this);
            const int before = closedInFile();
            for (Answer answer : c.answers)
                m_prompt.queueAnswer(answer);
            auto shown = dialog();
            QTest::mouseClick(shown->confirmButton(), Qt::LeftButton);
            QVERIFY2(!shown->isVisible(), c.name);
            QVERIFY2(shown->result() == QDialog::Rejected, c.name);
            QVERIFY2(m_prompt.last() == c.told, (std::string(c.name) + ": " + m_prompt.last()).c_str());
            QVERIFY2(closedInFile() == before, c.name);
            QVERIFY2(m_env->closedMonths() == before, c.name);
            cleanup();
        }
    }

    void aYearWithEveryMonthClosedIsToldAndNothingIsOffered()
    {
        // Another copy closed December; this login still counts eleven closed months.
        db().execute("UPDATE SYSTAB SET MM=12");
        m_env->setClosedMonths(11);
        CMonthCloseDlg shown(*m_env, m_prompt);
        QCOMPARE(m_prompt.last(), std::string(kAllMonthsClosed));
        QCOMPARE(shown.exec(), int(QDialog::Rejected));
        QVERIFY(!shown.isVisible());
        QCOMPARE(closedInFile(), 12);
        QCOMPARE(m_env->closedMonths(), 12);
    }

    void aConfirmedCloseCountsTheMonthInTheFileAndTheLogin()
    {
        importVoucherRows(voucherRows("20260105", "0001") + voucherRows("20260120", "0002", 50));
        reviewAll();
        m_prompt.queueAnswer(Answer::Yes);
        m_prompt.queueAnswer(Answer::Yes); // the backup first
        auto shown = dialog();
        QTest::mouseClick(shown->confirmButton(), Qt::LeftButton);
        QVERIFY(!shown->isVisible());
        QCOMPARE(shown->result(), int(QDialog::Accepted));
        QCOMPARE(closedInFile(), 1);
        QCOMPARE(m_env->closedMonths(), 1);
        // The one question, with No as its default, then the offer of a backup.
        QCOMPARE(m_prompt.entries().size(), size_t(2));
        QCOMPARE(m_prompt.entries()[0].text, std::string(kCloseQuestion));
        QCOMPARE(m_prompt.entries()[0].caption, std::string("黄牌警告："));
        QVERIFY(m_prompt.entries()[0].question);
        QCOMPARE(m_prompt.entries()[1].text, backupOfferQuestion(backupFolderFor(m_env->filePath())));
        // The backup holds the year before the close.
        const QStringList made = backups();
        QCOMPARE(made.size(), 1);
        {
            const std::string path = backupFolderFor(m_env->filePath()) + "/" + made.front().toStdString();
            Database backup = Database::openReadOnly(path);
            QCOMPARE(backup.queryLong("SELECT MM FROM SYSTAB"), 0);
        }

        // The next time the dialog offers February.
        auto next = dialog();
        QCOMPARE(next->monthText()->text(), QStringLiteral("当前可以结帐的月份是：2026 年 02 月"));
    }

    void anEmptyMonthClosesAfterTheYellowCardIsAnsweredYes()
    {
        m_prompt.queueAnswer(Answer::Yes);
        m_prompt.queueAnswer(Answer::No); // no backup
        auto shown = dialog();
        shown->confirm();
        QCOMPARE(shown->result(), int(QDialog::Accepted));
        QCOMPARE(closedInFile(), 1);
        QCOMPARE(m_env->closedMonths(), 1);
        QCOMPARE(m_prompt.texts(), (std::vector<std::string>{std::string(kEmptyMonthQuestion),
                                                             backupOfferQuestion(backupFolderFor(m_env->filePath()))}));
        QVERIFY(backups().isEmpty());
    }

    void cancelAtTheBackupOfferClosesNothing()
    {
        importVoucherRows(voucherRows("20260105", "0001"));
        reviewAll();
        m_prompt.queueAnswer(Answer::Yes);
        m_prompt.queueAnswer(Answer::Cancel);
        auto shown = dialog();
        shown->confirm();
        QVERIFY(!shown->isVisible());
        QCOMPARE(shown->result(), int(QDialog::Rejected));
        QCOMPARE(m_prompt.last(), backupOfferQuestion(backupFolderFor(m_env->filePath())));
        QCOMPARE(closedInFile(), 0);
        QCOMPARE(m_env->closedMonths(), 0);
        QVERIFY(backups().isEmpty());
    }

    void enterAndEscapeLeaveWithoutClosing()
    {
        importVoucherRows(voucherRows("20260105", "0001"));
        reviewAll();
        for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
            // Were the close run, it would go through: every question is answered Yes.
            m_prompt.clear();
            m_prompt.queueAnswer(Answer::Yes);
            auto shown = dialog();
            QTest::keyClick(shown.get(), key);
            QVERIFY(!shown->isVisible());
            QCOMPARE(shown->result(), int(QDialog::Rejected));
            QVERIFY(m_prompt.entries().empty());
            QCOMPARE(closedInFile(), 0);
        }
        // Alt+S is the way to the close (the button shows its press before it acts).
        m_prompt.queueAnswer(Answer::Yes);
        m_prompt.queueAnswer(Answer::No); // no backup
        auto shown = dialog();
        QTest::keyClick(shown.get(), Qt::Key_S, Qt::AltModifier);
        QTRY_VERIFY(!shown->isVisible());
        QCOMPARE(shown->result(), int(QDialog::Accepted));
        QCOMPARE(closedInFile(), 1);
    }

    void anEngineErrorDuringTheCloseIsToldAndEndsTheDialog()
    {
        importVoucherRows(voucherRows("20260105", "0001"));
        reviewAll();
        db().execute("DROP TABLE P0");
        auto shown = dialog();
        shown->confirm();
        QVERIFY(!shown->isVisible());
        QCOMPARE(shown->result(), int(QDialog::Rejected));
        QCOMPARE(m_prompt.entries().size(), size_t(1));
        QCOMPARE(m_prompt.entries()[0].icon, Icon::Exclamation);
        QVERIFY2(m_prompt.last().find("P0") != std::string::npos, m_prompt.last().c_str());
        QCOMPARE(m_env->closedMonths(), 0);
    }

    void aYearFileWithoutItsHeaderIsToldAndTheDialogDoesNotOpen()
    {
        db().execute("DROP TABLE SYSTAB");
        CMonthCloseDlg shown(*m_env, m_prompt);
        QCOMPARE(m_prompt.entries().size(), size_t(1));
        QVERIFY2(m_prompt.last().find("SYSTAB") != std::string::npos, m_prompt.last().c_str());
        QVERIFY(!shown.confirmButton()->isEnabled());
        QCOMPARE(shown.exec(), int(QDialog::Rejected));
        QVERIFY(!shown.isVisible());
    }
};

QTEST_MAIN(MonthCloseDialogTest)
#include "month_close_dialog_test.moc"
