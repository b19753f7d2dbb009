// The dialog of copying between account sets: what it shows before a source is chosen, the
// options enabled by what the source offers and reset by another source, 确认 enabled only with a
// tick, refused choices that open the chooser again, and the copy with its progress area.
#include "accountset/ui/set_copy_dialog.h"
#include "accountset/year_file.h"
#include "chart/chart_import.h"
#include "common/prompt.h"
#include "formview/ui/modal_closer.h"
#include "session/kszw_env.h"
#include "store/backup.h"
#include "store/database.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

using namespace kszw;

namespace {

// A chooser that answers from a list and records where each call started.
struct ScriptedChooser {
    QStringList answers;
    QStringList starts; // "folder|name"

    CSetCopyDlg::SourceChooser function()
    {
        return [this](QWidget*, const QString& folder, const QString& name) {
            starts << folder + QLatin1Char('|') + name;
            return answers.isEmpty() ? QString() : answers.takeFirst();
        };
    }
};

QList<bool> enabledBoxes(const CSetCopyDlg& dialog)
{
    QList<bool> enabled;
    for (CopyItem item : kCopyItems)
        enabled << dialog.itemBox(item)->isEnabled();
    return enabled;
}

QList<bool> checkedBoxes(const CSetCopyDlg& dialog)
{
    QList<bool> checked;
    for (CopyItem item : kCopyItems)
        checked << dialog.itemBox(item)->isChecked();
    return checked;
}

} // namespace

class SetCopyDialogTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_books;
    QString m_current;
    QString m_source;  // offers a chart, classes, variables and print formats, no templates
    QString m_source2; // offers templates as well
    CKszwEnv m_env;

    int count(const char* sql) { return m_env.db().queryLong(sql); }

    std::string offer() const { return backupOfferQuestion((m_books + QStringLiteral("/备份")).toStdString()); }
    QStringList backups() const { return QDir(m_books + QStringLiteral("/备份")).entryList(QDir::Files); }

private slots:
    void init()
    {
        static int run = 0;
        const QString root = m_dir.path() + QStringLiteral("/run%1").arg(++run);
        m_books = root + QStringLiteral("/books");
        QDir().mkpath(m_books);
        QDir().mkpath(root + QStringLiteral("/other"));
        m_current = m_books + QStringLiteral("/2026.ksk");
        m_source = root + QStringLiteral("/other/2007.ksk");
        m_source2 = root + QStringLiteral("/other/2008.ksk");
        createYearFile(m_current.toStdString(), 2026);
        for (const QString& path : {m_source, m_source2}) {
            const int year = QFileInfo(path).baseName().toInt();
            createYearFile(path.toStdString(), year);
            Database db = Database::open(path.toStdString());
            db.execute("UPDATE SYSTAB SET NA=?1", {year == 2007 ? std::string("乙公司") : std::string("丙公司")});
            QVERIFY(importSubjects(db, "code,name,kind,unit,multi_column,direction,width\n"
                                       "1001,库存现金,0,,0,0,0\n1403,原材料,1,吨,0,0,0\n")
                        .ok);
            db.execute("INSERT INTO CERCLS(CNO,NA) VALUES('A','现金'),('B','银行')");
        }
        {
            Database db = Database::open(m_source2.toStdString());
            db.execute("INSERT INTO AUTDIR(N,NA) VALUES(1,'计提折旧')");
            db.execute("INSERT INTO AUTCER(N,RN,MRY,KNO,F,FML) VALUES(1,1,'计提折旧','1001',1,'1')");
        }
        ScriptedPrompt prompt;
        QCOMPARE(m_env.openFile(m_current.toStdString(), "101", prompt), int(kLoginOk));
    }

    void opensWithNothingChosenAndEverythingDisabled()
    {
        ScriptedPrompt prompt;
        CSetCopyDlg dialog(m_env, prompt);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("岚屿穗软件-帐套之间信息拷贝"));
        QStringList captions;
        for (CopyItem item : kCopyItems)
            captions << dialog.itemBox(item)->text();
        QCOMPARE(captions, (QStringList{"会计科目", "分录模板", "凭证分类", "变量表", "页面格式表", "财务报表定义"}));
        QCOMPARE(enabledBoxes(dialog), (QList<bool>{false, false, false, false, false, false}));
        QCOMPARE(checkedBoxes(dialog), (QList<bool>{false, false, false, false, false, false}));
        QCOMPARE(dialog.statusLabel()->text(), QStringLiteral("请单击“选帐套”选择对方帐套及年度"));
        QVERIFY(!dialog.okButton()->isEnabled());
        QVERIFY(!dialog.progressArea()->isVisible());
        QCOMPARE(dialog.chooseButton()->text(), QStringLiteral("选帐套"));
        QCOMPARE(dialog.okButton()->text(), QStringLiteral("&S.确认"));
        QCOMPARE(dialog.cancelButton()->text(), QStringLiteral("&X.取消"));
        QStringList labels;
        for (const QLabel* label : dialog.findChildren<QLabel*>())
            labels << label->text();
        QVERIFY(labels.contains(QStringLiteral("源帐套名:")));
        QVERIFY(labels.contains(QStringLiteral("文    件:")));
        QVERIFY(dialog.unitField()->text().isEmpty());
        // Enter chooses a source while nothing can be confirmed.
        QVERIFY(dialog.chooseButton()->isDefault());
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QVERIFY(prompt.entries().empty());
    }

    void aSourceEnablesWhatItOffersAndTheCurrentFileAllows()
    {
        // An opening balance: the chart cannot be replaced.
        m_env.db().execute("INSERT INTO P0 VALUES('20260101','    ',0,'期初余额','1001',1,100,0,'4','01')");
        ScriptedPrompt prompt;
        ScriptedChooser chooser{{m_source}, {}};
        CSetCopyDlg dialog(m_env, prompt);
        dialog.setSourceChooser(chooser.function());
        QTest::mouseClick(dialog.chooseButton(), Qt::LeftButton);
        // The chooser starts in the account set's folder with the current year proposed.
        QCOMPARE(chooser.starts, QStringList{m_books + QStringLiteral("|2026")});
        QCOMPARE(dialog.unitField()->text(), QStringLiteral("乙公司"));
        QCOMPARE(dialog.fileField()->text(), m_source);
        QCOMPARE(enabledBoxes(dialog), (QList<bool>{false, false, true, true, true, false}));
        QCOMPARE(dialog.itemBox(CopyItem::Chart)->toolTip(), QStringLiteral("本帐套已有期初余额或凭证分录，不能拷贝会计科目！"));
        QVERIFY(!dialog.okButton()->isEnabled());
        QVERIFY(prompt.entries().empty());

        // 确认 is enabled while something is ticked.
        dialog.itemBox(CopyItem::Classes)->click();
        QVERIFY(dialog.okButton()->isEnabled());
        QVERIFY(dialog.okButton()->isDefault());
        dialog.itemBox(CopyItem::Variables)->click();
        dialog.itemBox(CopyItem::Classes)->click();
        QVERIFY(dialog.okButton()->isEnabled());
        dialog.itemBox(CopyItem::Variables)->click();
        QVERIFY(!dialog.okButton()->isEnabled());
    }

    void anotherSourceResetsTheOptions()
    {
        ScriptedPrompt prompt;
        ScriptedChooser chooser{{m_source, m_source2, QString()}, {}};
        CSetCopyDlg dialog(m_env, prompt);
        dialog.setSourceChooser(chooser.function());
        dialog.chooseSource();
        QCOMPARE(enabledBoxes(dialog), (QList<bool>{true, false, true, true, true, false}));
        dialog.itemBox(CopyItem::Chart)->click();
        dialog.itemBox(CopyItem::Formats)->click();
        dialog.chooseSource();
        QCOMPARE(dialog.unitField()->text(), QStringLiteral("丙公司"));
        QCOMPARE(checkedBoxes(dialog), (QList<bool>{false, false, false, false, false, false}));
        QCOMPARE(enabledBoxes(dialog), (QList<bool>{true, true, true, true, true, false}));
        QVERIFY(!dialog.okButton()->isEnabled());
        // Giving up in the chooser keeps the source and the ticks.
        dialog.itemBox(CopyItem::Templates)->click();
        dialog.chooseSource();
        QCOMPARE(dialog.fileField()->text(), m_source2);
        QVERIFY(dialog.itemBox(CopyItem::Templates)->isChecked());
    }

    void theChooserIsAFileDialogForYearFiles()
    {
        ScriptedPrompt prompt;
        CSetCopyDlg dialog(m_env, prompt);
        QString title;
        QString folder;
        QStringList filters;
        QString proposed;
        ModalCloser closer;
        closer.actOn<QFileDialog>([&](QFileDialog& files) {
            title = files.windowTitle();
            folder = files.directory().absolutePath();
            filters = files.nameFilters();
            if (auto* name = files.findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
                proposed = name->text();
            // A name typed without its extension.
            files.selectFile(QFileInfo(m_source).absolutePath() + QStringLiteral("/2007"));
            static_cast<QDialog&>(files).accept(); // QFileDialog::accept, reached through the base
        });
        dialog.chooseSource();
        QCOMPARE(title, QStringLiteral("选择岚屿穗帐务数据文件"));
        QCOMPARE(folder, m_books);
        QCOMPARE(filters, QStringList{QStringLiteral("岚屿穗帐务数据文件(*.KSK *.ksk)")});
        QCOMPARE(proposed, QStringLiteral("2026"));
        QCOMPARE(closer.classNames(), QStringList{QStringLiteral("QFileDialog")});
        QVERIFY(prompt.entries().empty());
        QCOMPARE(dialog.fileField()->text(), m_source);
    }

    void refusedChoicesOpenTheChooserAgain()
    {
        ScriptedPrompt prompt;
        const QString missing = QFileInfo(m_source).absolutePath() + QStringLiteral("/2005");
        ScriptedChooser chooser{{m_books + QStringLiteral("/./2026.ksk"), missing, m_source}, {}};
        CSetCopyDlg dialog(m_env, prompt);
        dialog.setSourceChooser(chooser.function());
        dialog.chooseSource();
        QCOMPARE(prompt.texts(), (std::vector<std::string>{
                                     "不能把自己拷贝到自己，请重新选择！",
                                     "文件“" + missing.toStdString() + ".KSK”不存在，请重新选择！"}));
        QCOMPARE(chooser.starts, (QStringList{m_books + QStringLiteral("|2026"), m_books + QStringLiteral("|2026.ksk"),
                                              QFileInfo(missing).absolutePath() + QStringLiteral("|2005")}));
        QCOMPARE(dialog.fileField()->text(), m_source);
        QVERIFY(dialog.source().has_value());
    }

    void theCopyShowsItsProgressAndCloses()
    {
        m_env.db().execute("INSERT INTO CERCLS(CNO,NA) VALUES('A','已有')");
        ScriptedPrompt prompt;
        prompt.queueAnswer(Answer::Yes); // the backup first
        ScriptedChooser chooser{{m_source}, {}};
        CSetCopyDlg dialog(m_env, prompt);
        dialog.setSourceChooser(chooser.function());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.chooseSource();
        dialog.itemBox(CopyItem::Chart)->click();
        dialog.itemBox(CopyItem::Classes)->click();
        dialog.itemBox(CopyItem::Variables)->click();

        struct Seen {
            int current;
            int total;
            bool area;
            bool controls;
            QString percent;
        };
        QList<Seen> seen;
        connect(&dialog, &CSetCopyDlg::copyProgressed, this, [&](int current, int total) {
            seen << Seen{current, total, dialog.progressArea()->isVisible(),
                         dialog.okButton()->isEnabled() || dialog.cancelButton()->isEnabled()
                             || dialog.chooseButton()->isEnabled() || dialog.itemBox(CopyItem::Chart)->isEnabled(),
                         dialog.percentLabel()->text()};
        });
        QTest::keyClick(&dialog, Qt::Key_Return);

        QCOMPARE(prompt.texts(), (std::vector<std::string>{offer(), "拷贝结束 ！"}));
        QCOMPARE(prompt.entries()[1].icon, Icon::Information);
        QCOMPARE(prompt.entries()[1].caption, std::string("岚屿穗软件"));
        // The backup was made before the copy.
        const QStringList made = backups();
        QCOMPARE(made.size(), 1);
        {
            Database backup = Database::openReadOnly((m_books + "/备份/" + made.front()).toStdString());
            QCOMPARE(backup.queryLong("SELECT count(*) FROM SUBT"), 0);
        }
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(!dialog.isVisible());
        QCOMPARE(count("SELECT count(*) FROM SUBT"), 2);
        QCOMPARE(count("SELECT count(*) FROM CERCLS"), 2);

        // Chart 0..2 of 4, classes 2..4 of 4, then the variable table with the bar hidden.
        QCOMPARE(seen.size(), 7);
        QStringList percents;
        for (const Seen& step : seen) {
            QVERIFY(!step.controls);
            QCOMPARE(step.total, 4);
            percents << step.percent;
        }
        QCOMPARE(percents, (QStringList{"  0％", " 25％", " 50％", " 50％", " 75％", "100％", "100％"}));
        for (int i = 0; i < 6; ++i)
            QVERIFY(seen[i].area);
        QVERIFY(!seen[6].area);
        QCOMPARE(dialog.progressBar()->current(), 4);
    }

    void aFailedCopyKeepsTheDialogAndItsChoices()
    {
        ScriptedPrompt prompt;
        ScriptedChooser chooser{{m_source}, {}};
        CSetCopyDlg dialog(m_env, prompt);
        dialog.setSourceChooser(chooser.function());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.chooseSource();
        dialog.itemBox(CopyItem::Chart)->click();
        dialog.itemBox(CopyItem::Classes)->click();

        // The engine refuses the classes: the chart copied before them is rolled back.
        m_env.db().execute("CREATE TRIGGER NO_CLASSES BEFORE INSERT ON CERCLS BEGIN SELECT RAISE(ABORT,'拒绝'); END");
        prompt.queueAnswer(Answer::No); // no backup, each time
        dialog.okButton()->click();
        QCOMPARE(prompt.entries().size(), size_t(2));
        QCOMPARE(prompt.entries()[0].text, offer());
        QVERIFY(QString::fromStdString(prompt.last()).contains(QStringLiteral("拒绝")));
        QCOMPARE(count("SELECT count(*) FROM SUBT"), 0);
        QVERIFY(dialog.isVisible());
        QVERIFY(!dialog.progressArea()->isVisible());
        QVERIFY(dialog.okButton()->isEnabled());
        QVERIFY(dialog.cancelButton()->isEnabled());
        QVERIFY(dialog.itemBox(CopyItem::Chart)->isChecked());
        m_env.db().execute("DROP TRIGGER NO_CLASSES");

        // A voucher saved meanwhile: the classes are refused and can no longer be ticked.
        prompt.clear();
        m_env.db().execute("INSERT INTO CERDIR VALUES('20260105','0001','102',NULL,0,'0','2','01')");
        prompt.queueAnswer(Answer::No);
        dialog.okButton()->click();
        QCOMPARE(prompt.texts(), (std::vector<std::string>{offer(), "本年度已有记帐凭证，不能拷贝凭证分类！"}));
        QVERIFY(dialog.isVisible());
        QCOMPARE(enabledBoxes(dialog), (QList<bool>{true, false, false, true, true, false}));
        QVERIFY(!dialog.okButton()->isEnabled());

        // The source's rows gone meanwhile: nothing to copy.
        prompt.clear();
        dialog.itemBox(CopyItem::Variables)->click();
        {
            Database db = Database::open(m_source.toStdString());
            db.execute("DELETE FROM KSVAR");
        }
        prompt.queueAnswer(Answer::No);
        dialog.okButton()->click();
        QCOMPARE(prompt.texts(), (std::vector<std::string>{offer(), "没有选择拷贝信息！"}));
        QVERIFY(dialog.isVisible());
        QVERIFY(dialog.chooseButton()->isEnabled());
        QCOMPARE(count("SELECT count(*) FROM KSVAR"), 3);
        QVERIFY(backups().isEmpty());
    }

    void cancelAtTheBackupOfferCopiesNothing()
    {
        ScriptedPrompt prompt;
        prompt.queueAnswer(Answer::Cancel);
        ScriptedChooser chooser{{m_source}, {}};
        CSetCopyDlg dialog(m_env, prompt);
        dialog.setSourceChooser(chooser.function());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.chooseSource();
        dialog.itemBox(CopyItem::Chart)->click();
        dialog.okButton()->click();
        QCOMPARE(prompt.texts(), std::vector<std::string>{offer()});
        QCOMPARE(count("SELECT count(*) FROM SUBT"), 0);
        QVERIFY(dialog.isVisible());
        QVERIFY(dialog.okButton()->isEnabled());
        QVERIFY(!dialog.progressArea()->isVisible());
        QVERIFY(backups().isEmpty());
    }
};

QTEST_MAIN(SetCopyDialogTest)
#include "set_copy_dialog_test.moc"
