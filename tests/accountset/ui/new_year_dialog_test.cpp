// The new-year dialog: the folder and the years it shows, 新建 with a year that is no year and
// with a real one, and the Delete key with its refusal and the line it selects afterwards.
#include "accountset/ui/new_year_dialog.h"
#include "accountset/year_file.h"
#include "common/prompt.h"
#include "formview/ui/spec_edit.h"
#include "session/kszw_env.h"

#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

using namespace kszw;

namespace {

QStringList texts(const QListWidget* list)
{
    QStringList lines;
    for (int i = 0; i < list->count(); ++i)
        lines << list->item(i)->text();
    return lines;
}

} // namespace

class NewYearDialogTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_folder;
    CKszwEnv m_env;

    QString file(int year) const { return m_folder + QStringLiteral("/%1.ksk").arg(year); }

private slots:
    void init()
    {
        static int count = 0;
        m_folder = m_dir.path() + QStringLiteral("/books%1").arg(++count);
        QDir().mkpath(m_folder);
        for (int year : {2026, 2023, 2024, 2025})
            createYearFile(file(year).toStdString(), year);
        ScriptedPrompt prompt;
        QCOMPARE(m_env.openFile(file(2026).toStdString(), "101", prompt), int(kLoginOk));
    }

    void showsTheFolderTheYearsAndTheNotes()
    {
        ScriptedPrompt prompt;
        CNewYearDlg dialog(m_env, prompt);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("建立新年度数据文件"));
        QCOMPARE(dialog.pathLabel()->text(), m_folder);
        QCOMPARE(texts(dialog.yearList()), (QStringList{"2023", "2024", "2025", "2026"}));
        QStringList labels;
        for (const QLabel* label : dialog.findChildren<QLabel*>())
            labels << label->text();
        QVERIFY(labels.contains(QStringLiteral("    注意：当建立了新年\n度文件后，请使用年末转\n帐功能转帐。\n    删除年度文件之前请\n做好备份。")));
        QVERIFY(labels.contains(QStringLiteral("删除: Delete")));
        QVERIFY(labels.contains(QStringLiteral("已有年度文件->")));
        QCOMPARE(dialog.createButton()->text(), QStringLiteral("新建(&N)"));
    }

    void aYearThatIsNoYearDoesNothing()
    {
        ScriptedPrompt prompt;
        CNewYearDlg dialog(m_env, prompt);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTest::keyClicks(dialog.yearEdit(), QStringLiteral("07"));
        QTest::mouseClick(dialog.createButton(), Qt::LeftButton);
        dialog.yearEdit()->clear();
        // The field takes digits only: the letter O is not typed.
        QTest::keyClicks(dialog.yearEdit(), QStringLiteral("2O08"));
        QCOMPARE(dialog.yearEdit()->text(), QStringLiteral("208"));
        QTest::keyClick(dialog.yearEdit(), Qt::Key_Return);
        QVERIFY(prompt.entries().empty());
        QVERIFY(dialog.isVisible());
        QCOMPARE(QDir(m_folder).entryList(QDir::Files).size(), 4);
        QCOMPARE(dialog.focusWidget(), static_cast<QWidget*>(dialog.yearEdit()));
    }

    void newCreatesTheTypedYearAndCloses()
    {
        ScriptedPrompt prompt;
        prompt.queueAnswer(Answer::Yes);
        CNewYearDlg dialog(m_env, prompt);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTest::keyClicks(dialog.yearEdit(), QStringLiteral("20279"));
        QCOMPARE(dialog.yearEdit()->text(), QStringLiteral("2027"));
        QTest::keyClick(dialog.yearEdit(), Qt::Key_Return);
        QCOMPARE(QString::fromStdString(prompt.texts().front()), QStringLiteral("真的要建立“2027”年的数据文件吗？"));
        QCOMPARE(QString::fromStdString(prompt.last()), QStringLiteral("2027年数据文件建立完毕！"));
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.createdFile(), file(2027));
        QVERIFY(QFileInfo(file(2027)).isFile());
    }

    void anExistingYearIsRefusedAndTheFieldSelected()
    {
        ScriptedPrompt prompt;
        CNewYearDlg dialog(m_env, prompt);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTest::keyClicks(dialog.yearEdit(), QStringLiteral("2024"));
        QTest::mouseClick(dialog.createButton(), Qt::LeftButton);
        QCOMPARE(QString::fromStdString(prompt.last()), QStringLiteral("“") + file(2024) + QStringLiteral("”已存在，不能再建立！"));
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.yearEdit()->selectedText(), QStringLiteral("2024"));
    }

    void deleteRemovesTheYearAndSelectsTheLineBefore()
    {
        ScriptedPrompt prompt;
        CNewYearDlg dialog(m_env, prompt);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.yearList()->setFocus();
        dialog.yearList()->setCurrentRow(2);
        prompt.queueAnswer(Answer::Yes);
        QTest::keyClick(dialog.yearList(), Qt::Key_Delete);
        QCOMPARE(QString::fromStdString(prompt.last()), QStringLiteral("真的要删除“2025”年的数据文件吗？"));
        QCOMPARE(texts(dialog.yearList()), (QStringList{"2023", "2024", "2026"}));
        QCOMPARE(dialog.yearList()->currentItem()->text(), QStringLiteral("2024"));
        QVERIFY(!QFileInfo::exists(file(2025)));

        // No keeps it.
        QTest::keyClick(dialog.yearList(), Qt::Key_Delete);
        QCOMPARE(texts(dialog.yearList()), (QStringList{"2023", "2024", "2026"}));
        QVERIFY(QFileInfo::exists(file(2024)));

        // The first line: the new first line is selected.
        dialog.yearList()->setCurrentRow(0);
        prompt.queueAnswer(Answer::Yes);
        QTest::keyClick(dialog.yearList(), Qt::Key_Delete);
        QCOMPARE(texts(dialog.yearList()), (QStringList{"2024", "2026"}));
        QCOMPARE(dialog.yearList()->currentRow(), 0);
    }

    void theLoggedInYearIsNotDeleted()
    {
        ScriptedPrompt prompt;
        CNewYearDlg dialog(m_env, prompt);
        dialog.yearList()->setCurrentRow(3);
        prompt.queueAnswer(Answer::Yes);
        QTest::keyClick(dialog.yearList(), Qt::Key_Delete);
        QCOMPARE(prompt.texts(), std::vector<std::string>{"不能删除注册年度帐务！"});
        QCOMPARE(dialog.yearList()->count(), 4);
        QCOMPARE(dialog.yearList()->currentRow(), 3);
        QVERIFY(QFileInfo::exists(file(2026)));
    }
};

QTEST_MAIN(NewYearDialogTest)
#include "new_year_dialog_test.moc"
