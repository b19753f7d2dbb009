// The backup and restore dialogs: what they offer, the copies 确认 makes, the list of backups, the
// restore of another year and of the logged-in year (the login opened again on the restored file,
// its messages shown only once it is open), and the refusals that keep the login as it was.
#include "accountset/backup.h"
#include "accountset/ui/backup_dialogs.h"
#include "accountset/year_file.h"
#include "chart/chart_import.h"
#include "common/clock.h"
#include "common/prompt.h"
#include "formview/ui/modal_closer.h"
#include "session/kszw_env.h"
#include "session/user_settings.h"
#include "store/database.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

#include <memory>

using namespace kszw;

namespace {

constexpr std::string_view kChart = "code,name,kind,unit,multi_column,direction,width\n"
                                    "1001,库存现金,0,,0,0,0\n"
                                    "1002,银行存款,0,,0,0,0\n";

QString qs(const std::string& text)
{
    return QString::fromStdString(text);
}

// A prompt that notes, for every message, whether the login's connection was open.
class LoginWatchingPrompt : public ScriptedPrompt {
public:
    const CKszwEnv* env = nullptr;
    std::vector<bool> open;

    void tell(std::string_view text, Icon icon, std::string_view caption) override
    {
        open.push_back(env->isOpen());
        ScriptedPrompt::tell(text, icon, caption);
    }
    Answer ask(std::string_view text, Buttons buttons, Answer defaultButton, Icon icon,
               std::string_view caption) override
    {
        open.push_back(env->isOpen());
        return ScriptedPrompt::ask(text, buttons, defaultButton, icon, caption);
    }
};

} // namespace

class BackupDialogsTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    int m_sets = 0;
    std::string m_folder;
    std::unique_ptr<CKszwEnv> m_env;
    FixedClock m_clock{CivilDate{2026, 12, 6}};

    std::string file(int year) const { return m_folder + "/" + std::to_string(year) + ".ksk"; }
    std::string backupFolder() const { return m_folder + "/备份"; }
    QStringList backups() const { return QDir(qs(backupFolder())).entryList(QDir::Files, QDir::Name); }

    int subjects(const std::string& path)
    {
        Database db = Database::openReadOnly(path);
        return db.queryLong("SELECT count(*) FROM SUBT");
    }

    void logIn(const std::string& operatorCode = "101")
    {
        m_env = std::make_unique<CKszwEnv>();
        ScriptedPrompt quiet;
        QVERIFY2(confirmLogin(*m_env, file(2026), operatorCode, "", quiet), quiet.last().c_str());
        MemoryUserSettings settings;
        m_env->completeLogin(settings);
    }

    // A backup of the year as it is now, made through the core.
    std::string backUp(int year)
    {
        CKszwEnv env;
        SilentPrompt quiet;
        env.openFile(file(year), "101", quiet);
        const BackupResult made = backupAccountData(env, BackupScope::OpenYear, backupFolder(), m_clock, quiet);
        return made.files.empty() ? std::string() : made.files.front();
    }

    void screenshot(QWidget& widget, const QString& name)
    {
        const QString folder = qEnvironmentVariable("KSZW_SCREENSHOT_DIR");
        if (!folder.isEmpty())
            widget.grab().save(folder + QLatin1Char('/') + name);
    }

private slots:
    void initTestCase()
    {
        QFont::insertSubstitutions(QStringLiteral("宋体"), {QStringLiteral("AR PL UMing CN"),
                                                            QStringLiteral("Noto Sans CJK SC")});
        QVERIFY(m_dir.isValid());
    }

    // An account set with 2025 and 2026 (a small chart), logged into 2026 as the administrator.
    void init()
    {
        m_folder = (m_dir.path() + QStringLiteral("/set%1").arg(++m_sets)).toStdString();
        QVERIFY(QDir().mkpath(qs(m_folder)));
        createYearFile(file(2025), 2025);
        createYearFile(file(2026), 2026);
        {
            Database db = Database::open(file(2026));
            QVERIFY(importSubjects(db, kChart).ok);
            db.execute("UPDATE SYSTAB SET NA='岚屿穗示范公司'");
        }
        logIn();
    }

    void cleanup() { m_env.reset(); }

    void theBackupDialogOffersTheYearAndTheAccountSetsFolder()
    {
        ScriptedPrompt prompt;
        CBackupDlg dialog(*m_env, m_clock, prompt);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("备份帐务数据"));
        QVERIFY(dialog.openYearButton()->isChecked());
        QCOMPARE(dialog.openYearButton()->text(), QStringLiteral("本年度帐务数据（2026 年，2026.ksk）"));
        QVERIFY(!dialog.accountSetButton()->isChecked());
        QCOMPARE(dialog.folderField()->text(), qs(backupFolder()));
        QVERIFY(dialog.okButton()->isDefault());
        screenshot(dialog, QStringLiteral("backup_dialog.png"));

        // 确认 makes the copy, tells where, and closes.
        QTest::keyClick(&dialog, Qt::Key_Return);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(backups().size(), 1);
        QVERIFY2(backups().front().startsWith(QStringLiteral("2026-20261206-")), qPrintable(backups().front()));
        QCOMPARE(prompt.texts(), std::vector<std::string>{"帐务数据已备份到“" + backupFolder() + "”：\r    "
                                                          + backups().front().toStdString()});
        QCOMPARE(prompt.entries()[0].icon, Icon::Information);
        QCOMPARE(subjects(backupFolder() + "/" + backups().front().toStdString()), 2);
    }

    void theWholeAccountSetGoesToTheFolderChosen()
    {
        ScriptedPrompt prompt;
        CBackupDlg dialog(*m_env, m_clock, prompt);
        QStringList starts;
        dialog.setFolderChooser([&](QWidget*, const QString& start) {
            starts << start;
            return QStringLiteral("usb");
        });
        dialog.accountSetButton()->click();
        dialog.browseButton()->click();
        // The backup folder does not exist yet: the chooser starts in the account set's folder.
        QCOMPARE(starts, QStringList{qs(m_folder)});
        QCOMPARE(dialog.folderField()->text(), QStringLiteral("usb"));
        dialog.okButton()->click();
        // A folder without its whole path lies in the account set's folder.
        const QStringList copies = QDir(qs(m_folder + "/usb")).entryList(QDir::Files, QDir::Name);
        QCOMPARE(copies.size(), 2);
        QVERIFY(copies[0].startsWith(QStringLiteral("2025-")));
        QVERIFY(copies[1].startsWith(QStringLiteral("2026-")));
        QCOMPARE(dialog.backupResult().files.size(), size_t(2));
        QVERIFY(prompt.last().starts_with("帐务数据已备份到“" + m_folder + "/usb”："));
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }

    void anEmptyFolderIsRefusedAndTheDialogStays()
    {
        ScriptedPrompt prompt;
        CBackupDlg dialog(*m_env, m_clock, prompt);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.folderField()->clear();
        dialog.okButton()->click();
        QCOMPARE(prompt.texts(), std::vector<std::string>{"请输入备份文件夹！"});
        QVERIFY(dialog.isVisible());
        QVERIFY(!QDir(qs(backupFolder())).exists());
    }

    void theRestoreDialogListsTheBackupsNewestFirst()
    {
        const std::string older = backupFolder() + "/2026-20261201-0900.ksk.bak";
        const std::string newest = backupFolder() + "/2025-20261205-1730.ksk.bak";
        QVERIFY(QDir().mkpath(qs(backupFolder())));
        QVERIFY(QFile::copy(qs(file(2026)), qs(older)));
        QVERIFY(QFile::copy(qs(file(2025)), qs(newest)));
        QVERIFY(QFile::copy(qs(file(2026)), qs(backupFolder() + "/2026-20261203-1000-before-restore.ksk.bak")));
        ScriptedPrompt prompt;
        CRestoreDlg dialog(*m_env, m_clock, prompt);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("恢复帐务数据"));
        QTreeWidget* list = dialog.backupList();
        QCOMPARE(list->topLevelItemCount(), 3);
        QStringList rows;
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* item = list->topLevelItem(i);
            rows << item->text(0) + "|" + item->text(1) + "|" + item->text(2) + "|" + item->text(3);
        }
        QCOMPARE(rows, (QStringList{"2025|2026-12-05 17:30|备份|2025-20261205-1730.ksk.bak",
                                    "2026|2026-12-03 10:00|恢复前的数据|2026-20261203-1000-before-restore.ksk.bak",
                                    "2026|2026-12-01 09:00|备份|2026-20261201-0900.ksk.bak"}));
        QCOMPARE(list->currentItem(), list->topLevelItem(0));
        QCOMPARE(dialog.targetLabel()->text(), qs(file(2025)));
        list->setCurrentItem(list->topLevelItem(2));
        QCOMPARE(dialog.targetLabel()->text(), qs(file(2026)) + QStringLiteral("（当前登录的年度）"));
        screenshot(dialog, QStringLiteral("restore_dialog.png"));
        QVERIFY(prompt.entries().empty());
    }

    void anotherYearIsRestoredAndTheLoginStays()
    {
        const std::string backup = backUp(2025);
        {
            Database db = Database::open(file(2025));
            QVERIFY(importSubjects(db, kChart).ok);
        }
        ScriptedPrompt prompt;
        prompt.queueAnswer(Answer::Yes);
        CRestoreDlg dialog(*m_env, m_clock, prompt);
        dialog.okButton()->click();
        QCOMPARE(dialog.outcome(), RestoreDialogOutcome::OtherYear);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(subjects(file(2025)), 0);
        QCOMPARE(prompt.entries().size(), size_t(2));
        QCOMPARE(prompt.entries()[0].text, restoreQuestion(backup, 2025));
        QVERIFY(m_env->isOpen());
        QCOMPARE(m_env->year(), 2026);
    }

    void theLoggedInYearIsRestoredAndLoggedIntoAgain()
    {
        const std::string backup = backUp(2026);
        m_env->db().execute("DELETE FROM SUBT");
        m_env->db().execute("UPDATE SYSTAB SET MM=2");
        m_env->setClosedMonths(2);
        LoginWatchingPrompt prompt;
        prompt.env = m_env.get();
        prompt.queueAnswer(Answer::Yes);
        CRestoreDlg dialog(*m_env, m_clock, prompt);
        QCOMPARE(dialog.backupList()->topLevelItemCount(), 1);
        dialog.okButton()->click();

        QCOMPARE(dialog.outcome(), RestoreDialogOutcome::LoginRenewed);
        QVERIFY(m_env->isOpen());
        QVERIFY(m_env->isLoggedIn());
        QCOMPARE(m_env->operatorCode(), std::string("101"));
        QVERIFY(m_env->hasPermission("0101"));
        QCOMPARE(m_env->closedMonths(), 0);
        QCOMPARE(m_env->db().queryLong("SELECT count(*) FROM SUBT"), 2);
        // The question while the login was open, the result once it was open again.
        QCOMPARE(prompt.open, (std::vector<bool>{true, true}));
        QCOMPARE(prompt.entries().size(), size_t(2));
        QVERIFY(prompt.last().starts_with("“2026”年的帐务数据已从备份恢复！\r恢复前的帐务数据已另存为“"));
        const QStringList made = backups();
        QCOMPARE(made.size(), 2);
        QVERIFY(made.filter(QStringLiteral("-before-restore.ksk.bak")).size() == 1);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }

    void aBackupWithoutTheLoggedInOperatorIsRefused()
    {
        const std::string backup = backUp(2026);
        {
            Database copy = Database::open(backup);
            copy.execute("DELETE FROM OPR WHERE OPNO='102'");
        }
        logIn("102");
        m_env->db().execute("DELETE FROM SUBT");
        ScriptedPrompt prompt;
        prompt.queueAnswer(Answer::Yes);
        CRestoreDlg dialog(*m_env, m_clock, prompt);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.okButton()->click();
        QCOMPARE(prompt.texts(), std::vector<std::string>{
                                     "备份中没有操作员“102”，恢复后不能以此操作员继续工作，本次恢复未进行！"});
        QCOMPARE(dialog.outcome(), RestoreDialogOutcome::Nothing);
        QVERIFY(dialog.isVisible());
        QVERIFY(m_env->isOpen());
        QCOMPARE(m_env->db().queryLong("SELECT count(*) FROM SUBT"), 0);
    }

    void noKeepsTheYearAndTheLogin()
    {
        backUp(2026);
        m_env->db().execute("DELETE FROM SUBT");
        ScriptedPrompt prompt;
        prompt.queueAnswer(Answer::No);
        CRestoreDlg dialog(*m_env, m_clock, prompt);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.okButton()->click();
        QCOMPARE(prompt.entries().size(), size_t(1));
        QVERIFY(prompt.entries()[0].question);
        QCOMPARE(dialog.outcome(), RestoreDialogOutcome::Nothing);
        QVERIFY(dialog.isVisible());
        QVERIFY(m_env->isOpen());
        QCOMPARE(m_env->db().queryLong("SELECT count(*) FROM SUBT"), 0);
        QCOMPARE(backups().size(), 1);
    }

    void aLoggedInYearOpenInAnotherProgramIsNotReplaced()
    {
        backUp(2026);
        m_env->db().execute("DELETE FROM SUBT");
        Database other = Database::open(file(2026));
        ScriptedPrompt prompt;
        prompt.queueAnswer(Answer::Yes);
        CRestoreDlg dialog(*m_env, m_clock, prompt);
        dialog.okButton()->click();
        QCOMPARE(prompt.entries().size(), size_t(2));
        QVERIFY2(prompt.last().find("正被其他程序使用") != std::string::npos, prompt.last().c_str());
        // The login is open again on the file as it was.
        QCOMPARE(dialog.outcome(), RestoreDialogOutcome::Nothing);
        QVERIFY(m_env->isOpen());
        QCOMPARE(m_env->db().queryLong("SELECT count(*) FROM SUBT"), 0);
        QCOMPARE(backups().size(), 1);
    }

    void aFileChosenElsewhereJoinsTheListFirst()
    {
        const std::string backup = backUp(2025);
        const QString elsewhere = m_dir.path() + QStringLiteral("/saved-%1.dat").arg(m_sets);
        QVERIFY(QFile::copy(qs(backup), elsewhere));
        QVERIFY(QFile::remove(qs(backup)));
        ScriptedPrompt prompt;
        CRestoreDlg dialog(*m_env, m_clock, prompt);
        QCOMPARE(dialog.backupList()->topLevelItemCount(), 0);
        QVERIFY(!dialog.okButton()->isEnabled());
        dialog.setFileChooser([&](QWidget*, const QString&) { return elsewhere; });
        dialog.chooseFileButton()->click();
        QCOMPARE(dialog.backupList()->topLevelItemCount(), 1);
        QCOMPARE(dialog.backupList()->topLevelItem(0)->text(0), QStringLiteral("2025"));
        QCOMPARE(dialog.targetLabel()->text(), qs(file(2025)));
        QVERIFY(dialog.okButton()->isEnabled());

        // A file that is no backup is told and not listed.
        const QString text = m_dir.path() + QStringLiteral("/text-%1.bak").arg(m_sets);
        QFile out(text);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write("not a backup");
        out.close();
        dialog.setFileChooser([&](QWidget*, const QString&) { return text; });
        dialog.chooseFileButton()->click();
        QCOMPARE(prompt.texts(), std::vector<std::string>{"“" + text.toStdString() + "”不是岚屿穗帐务数据的备份！"});
        QCOMPARE(dialog.backupList()->topLevelItemCount(), 1);
    }

    void theCommandsOpenTheirDialogs()
    {
        ScriptedPrompt prompt;
        {
            ModalCloser closer;
            CBackupDlg::openBackup(*m_env, m_clock, prompt, nullptr);
            QCOMPARE(closer.classNames(), QStringList{"kszw::CBackupDlg"});
        }
        {
            ModalCloser closer;
            QCOMPARE(CRestoreDlg::openRestore(*m_env, m_clock, prompt, nullptr), RestoreDialogOutcome::Nothing);
            QCOMPARE(closer.classNames(), QStringList{"kszw::CRestoreDlg"});
        }
        QVERIFY(prompt.entries().empty());
        QVERIFY(backups().isEmpty());
    }
};

QTEST_MAIN(BackupDialogsTest)
#include "backup_dialogs_test.moc"
