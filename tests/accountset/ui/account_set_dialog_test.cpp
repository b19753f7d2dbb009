// The account-set dialog: the known folders and their year files, 打开 and a double-click, 建立
// with its refusals, and 搜索 with its busy state, its results and Escape stopping it.
#include "accountset/account_sets.h"
#include "accountset/ui/account_set_dialog.h"
#include "accountset/year_file.h"
#include "common/clock.h"
#include "common/prompt.h"
#include "session/user_settings.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
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

std::string canonical(const QString& folder)
{
    return canonicalFolder(folder.toStdString());
}

} // namespace

class AccountSetDialogTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_home;
    QString m_set1; // known
    QString m_set2; // to be found
    FixedClock m_clock{CivilDate{2027, 3, 1}};

private slots:
    void initTestCase()
    {
        m_home = m_dir.path() + QStringLiteral("/home");
        m_set1 = m_home + QStringLiteral("/甲公司");
        m_set2 = m_home + QStringLiteral("/deep/乙公司");
        QDir().mkpath(m_set1);
        QDir().mkpath(m_set2);
        for (int year : {2026, 2024, 2025})
            createYearFile((m_set1 + QStringLiteral("/%1.ksk").arg(year)).toStdString(), year);
        createYearFile((m_set2 + QStringLiteral("/2026.ksk")).toStdString(), 2026);
    }

    void knownFoldersAreListedWithTheYearsOfTheSelectedOne()
    {
        MemoryUserSettings settings;
        rememberAccountSet(settings, m_set1.toStdString());
        rememberAccountSet(settings, (m_dir.path() + QStringLiteral("/gone")).toStdString());
        ScriptedPrompt prompt;
        CAccountSetDlg dialog(settings, prompt, m_clock);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("建立新帐套"));
        // A known folder that is gone is not offered.
        QCOMPARE(texts(dialog.folderList()), QStringList{QString::fromStdString(canonical(m_set1))});
        QCOMPARE(texts(dialog.yearList()), (QStringList{"2024", "2025", "2026"}));
        QCOMPARE(dialog.yearList()->currentRow(), 2);
        QVERIFY(dialog.openButton()->isEnabled());

        dialog.yearList()->setCurrentRow(1);
        QTest::mouseClick(dialog.openButton(), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.chosenFile(), QString::fromStdString(canonical(m_set1)) + QStringLiteral("/2025.ksk"));
        QVERIFY(prompt.entries().empty());
    }

    void enterOrADoubleClickOnAYearOpensItInsteadOfCreating()
    {
        MemoryUserSettings settings;
        rememberAccountSet(settings, m_set1.toStdString());
        ScriptedPrompt prompt;
        {
            CAccountSetDlg dialog(settings, prompt, m_clock);
            dialog.show();
            QVERIFY(QTest::qWaitForWindowExposed(&dialog));
            dialog.folderEdit()->setText(m_dir.path() + QStringLiteral("/new"));
            dialog.yearList()->setFocus();
            dialog.yearList()->setCurrentRow(0);
            QTest::keyClick(dialog.yearList(), Qt::Key_Return);
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
            QVERIFY(dialog.chosenFile().endsWith(QStringLiteral("/2024.ksk")));
        }
        QVERIFY(!QFileInfo::exists(m_dir.path() + QStringLiteral("/new")));
        CAccountSetDlg dialog(settings, prompt, m_clock);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const QRect rect = dialog.yearList()->visualItemRect(dialog.yearList()->item(2));
        // A double-click is a click followed by the double-click event.
        QTest::mouseClick(dialog.yearList()->viewport(), Qt::LeftButton, {}, rect.center());
        QVERIFY(dialog.isVisible());
        QTest::mouseDClick(dialog.yearList()->viewport(), Qt::LeftButton, {}, rect.center());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(dialog.chosenFile().endsWith(QStringLiteral("/2026.ksk")));
    }

    void createRefusesAKnownFolderAndKeepsTheFocusThere()
    {
        MemoryUserSettings settings;
        rememberAccountSet(settings, m_set1.toStdString());
        ScriptedPrompt prompt;
        CAccountSetDlg dialog(settings, prompt, m_clock);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.folderEdit()->setFocus();
        dialog.folderEdit()->setText(m_set1 + QStringLiteral("/"));
        QTest::keyClick(dialog.folderEdit(), Qt::Key_Return);
        QCOMPARE(QString::fromStdString(prompt.last()), QStringLiteral("该路径已被岚屿穗用户使用！"));
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.focusWidget(), static_cast<QWidget*>(dialog.folderEdit()));
        QCOMPARE(dialog.folderEdit()->selectedText(), m_set1 + QStringLiteral("/"));

        dialog.folderEdit()->setText(QStringLiteral("relative/books"));
        dialog.createAccountSet();
        QCOMPARE(QString::fromStdString(prompt.last()), QStringLiteral("驱动器不可用或是空路径！"));
        QVERIFY(dialog.isVisible());
    }

    void createMakesTheSetRemembersItAndClosesWithItsFile()
    {
        MemoryUserSettings settings;
        ScriptedPrompt prompt;
        CAccountSetDlg dialog(settings, prompt, m_clock);
        const QString folder = m_dir.path() + QStringLiteral("/丙公司/帐");
        dialog.folderEdit()->setText(folder);
        QTest::mouseClick(dialog.createButton(), Qt::LeftButton);
        QCOMPARE(QString::fromStdString(prompt.last()), folder + QStringLiteral(" 帐套建立成功！"));
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.chosenFile(), folder + QStringLiteral("/2027.ksk"));
        QVERIFY(QFileInfo(dialog.chosenFile()).isFile());
        QVERIFY(isKnownAccountSet(settings, folder.toStdString()));
    }

    void searchListsWhatItFindsAndShowsItIsBusyMeanwhile()
    {
        MemoryUserSettings settings;
        ScriptedPrompt prompt;
        CAccountSetDlg dialog(settings, prompt, m_clock);
        dialog.setSearchRoots({m_home.toStdString()});
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        bool searching = false;
        bool buttonsEnabled = true;
        bool waitCursor = false;
        QString status;
        // Runs while the search lets the dialog paint.
        QTimer::singleShot(0, &dialog, [&] {
            searching = dialog.isSearching();
            buttonsEnabled = dialog.createButton()->isEnabled() || dialog.searchButton()->isEnabled()
                             || dialog.openButton()->isEnabled() || dialog.cancelButton()->isEnabled();
            waitCursor = QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor;
            status = dialog.statusLabel()->text();
        });
        QTest::mouseClick(dialog.searchButton(), Qt::LeftButton);
        QVERIFY(searching);
        QVERIFY(!buttonsEnabled);
        QVERIFY(waitCursor);
        QVERIFY(status.startsWith(QStringLiteral("正在搜索")));

        QVERIFY(!dialog.isSearching());
        QVERIFY(!QApplication::overrideCursor());
        QVERIFY(dialog.searchButton()->isEnabled() && dialog.createButton()->isEnabled());
        const QStringList expected = {QString::fromStdString(canonical(m_set2)),
                                      QString::fromStdString(canonical(m_set1))};
        QCOMPARE(texts(dialog.folderList()), expected);
        QCOMPARE(dialog.folderList()->currentRow(), 0);
        QCOMPARE(texts(dialog.yearList()), QStringList{"2026"});
        QCOMPARE(dialog.statusLabel()->text(), QStringLiteral("搜索完毕，找到 2 个帐套。"));
        QCOMPARE(knownAccountSets(settings).size(), size_t(2));
        QVERIFY(prompt.entries().empty());
    }

    void escapeStopsTheSearchAndTheDialogStays()
    {
        MemoryUserSettings settings;
        ScriptedPrompt prompt;
        CAccountSetDlg dialog(settings, prompt, m_clock);
        dialog.setSearchRoots({m_home.toStdString()});
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTimer::singleShot(0, &dialog, [&] { QTest::keyClick(&dialog, Qt::Key_Escape); });
        dialog.search();
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(dialog.statusLabel()->text(), QStringLiteral("搜索已停止，找到 0 个帐套。"));
        QCOMPARE(dialog.folderList()->count(), 0);
        QVERIFY(dialog.cancelButton()->isEnabled());
        // Escape when no search runs closes the dialog.
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QVERIFY(!dialog.isVisible());
    }
};

QTEST_MAIN(AccountSetDialogTest)
#include "account_set_dialog_test.moc"
