// The login dialog: the panel of the selected file, the checks of 确定, the file list.
#include "accountset/year_file.h"
#include "common/clock.h"
#include "common/prompt.h"
#include "session/ui/login_dialog.h"
#include "store/database.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeView>
#include <QtTest>

using namespace kszw;

class LoginDialogTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_file;
    FixedClock m_clock{CivilDate{2026, 12, 6}};

private slots:
    void initTestCase()
    {
        m_file = m_dir.path() + QStringLiteral("/2026.ksk");
        createYearFile(m_file.toStdString(), 2026);
        Database db = Database::open(m_file.toStdString());
        db.execute("UPDATE SYSTAB SET NA='甲公司'");
        db.execute("UPDATE OPR SET PSD='abc' WHERE OPNO='102'");
        db.execute("INSERT INTO OPR(OPNO,NA,PSD) VALUES('20','乙','')");
    }

    void theLoginPanelShowsTheSelectedFile()
    {
        ScriptedPrompt prompt;
        CKszwFileDlg dialog(prompt, m_clock, m_file, QString());
        QCOMPARE(dialog.unitLabel()->text(), QStringLiteral("甲公司"));
        QCOMPARE(dialog.yearLabel()->text(), QStringLiteral("2026"));
        QCOMPARE(dialog.dateLabel()->text(), QStringLiteral("2026 年 12 月 6 日"));
        QStringList lines;
        for (int i = 0; i < dialog.operatorBox()->count(); ++i)
            lines << dialog.operatorBox()->itemText(i);
        QCOMPARE(lines, (QStringList{" 20  乙", "101  管理员", "102  ×××"}));
        // Without a current operator the file's default operator is preselected.
        QCOMPARE(dialog.operatorBox()->currentData().toString(), QStringLiteral("102"));
    }

    void theCurrentOperatorIsPreselected()
    {
        ScriptedPrompt prompt;
        CKszwFileDlg dialog(prompt, m_clock, m_file, QStringLiteral("101"));
        QCOMPARE(dialog.operatorBox()->currentText(), QStringLiteral("101  管理员"));
    }

    void aWrongPasswordIsRefusedAndTheDialogStays()
    {
        ScriptedPrompt prompt;
        CKszwFileDlg dialog(prompt, m_clock, m_file, QStringLiteral("102"));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTest::keyClicks(dialog.passwordEdit(), QStringLiteral("abd"));
        dialog.confirm();
        QCOMPARE(QString::fromStdString(prompt.last()), QStringLiteral("操作员口今不正确！"));
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(dialog.passwordEdit()->selectedText(), QStringLiteral("abd"));

        dialog.passwordEdit()->setText(QStringLiteral("abc "));
        dialog.confirm();
        QCOMPARE(prompt.entries().size(), size_t(2));
        QVERIFY(dialog.isVisible());

        dialog.passwordEdit()->setText(QStringLiteral("abc"));
        dialog.confirm();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.chosenFile(), m_file);
        QCOMPARE(dialog.chosenOperator(), QStringLiteral("102"));
        QCOMPARE(prompt.entries().size(), size_t(2));
    }

    // A file that does not open: the panel says why with that file's own message, and 确定 (or
    // Enter) shows it instead of asking for an operator.
    void aFileThatDoesNotOpenSaysWhyInThePanelAndOnConfirm_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("message");
        QTest::newRow("text file") << QStringLiteral("notes.txt") << QByteArray("just some notes\n")
                                   << QStringLiteral("不是岚屿穗帐务数据文件！");
        QTest::newRow("junk year file") << QStringLiteral("2025.ksk") << QByteArray(600, 'x')
                                        << QStringLiteral("无法打开此文件！");
        QTest::newRow("missing year") << QStringLiteral("1999.ksk") << QByteArray() << QStringLiteral("该文件不存在！");
        QTest::newRow("bad year") << QStringLiteral("1989.ksk") << QByteArray("") << QStringLiteral("文件名不是由有效年度构成！");
    }

    void aFileThatDoesNotOpenSaysWhyInThePanelAndOnConfirm()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(QString, message);
        const QString path = m_dir.path() + QStringLiteral("/") + name;
        if (!content.isNull()) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content);
        }
        for (bool byEnter : {false, true}) {
            ScriptedPrompt prompt;
            CKszwFileDlg dialog(prompt, m_clock, path, QString());
            QCOMPARE(dialog.operatorBox()->count(), 0);
            QVERIFY(dialog.unitLabel()->text().isEmpty());
            QCOMPARE(dialog.failureLabel()->text(), message);
            if (byEnter)
                QTest::keyClick(dialog.passwordEdit(), Qt::Key_Return);
            else
                dialog.confirm();
            QCOMPARE(prompt.texts(), std::vector<std::string>{message.toStdString()});
            QCOMPARE(dialog.result(), int(QDialog::Rejected));
        }
        QFile::remove(path);
    }

    void aTypedFileNameIsTriedAndConfirmedLikeAChosenOne()
    {
        const QString junk = m_dir.path() + QStringLiteral("/2024.ksk");
        {
            QFile file(junk);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QByteArray(600, 'x'));
        }
        ScriptedPrompt prompt;
        CKszwFileDlg dialog(prompt, m_clock, junk, QString());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QCOMPARE(dialog.failureLabel()->text(), QStringLiteral("无法打开此文件！"));
        auto* name = dialog.chooser()->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        QVERIFY(name);
        name->clear();
        QTest::keyClicks(name, m_file);
        // While typing, the panel follows the named file.
        QTRY_COMPARE(dialog.unitLabel()->text(), QStringLiteral("甲公司"));
        QVERIFY(dialog.failureLabel()->text().isEmpty());
        QCOMPARE(dialog.operatorBox()->currentData().toString(), QStringLiteral("102"));
        dialog.passwordEdit()->setText(QStringLiteral("abc"));
        dialog.confirm();
        QVERIFY(prompt.entries().empty());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.chosenFile(), m_file);
        QFile::remove(junk);
    }

    void aFileTypedAndConfirmedAtOnceShowsItsOperatorsFirst()
    {
        ScriptedPrompt prompt;
        CKszwFileDlg dialog(prompt, m_clock, QString(), QString());
        auto* name = dialog.chooser()->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        QVERIFY(name);
        name->setText(m_file);
        dialog.passwordEdit()->setText(QStringLiteral("abc"));
        dialog.confirm();
        // Not "没有选择操作员！": the typed file's own operators were listed and its default chosen.
        QCOMPARE(dialog.unitLabel()->text(), QStringLiteral("甲公司"));
        QVERIFY(prompt.entries().empty());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.chosenOperator(), QStringLiteral("102"));
    }

    void anotherFolderClearsThePanel()
    {
        ScriptedPrompt prompt;
        CKszwFileDlg dialog(prompt, m_clock, m_file, QString());
        QCOMPARE(dialog.unitLabel()->text(), QStringLiteral("甲公司"));
        QTemporaryDir other;
        dialog.chooser()->setDirectory(other.path());
        emit dialog.chooser()->directoryEntered(other.path());
        QVERIFY(dialog.unitLabel()->text().isEmpty());
        QCOMPARE(dialog.operatorBox()->count(), 0);
        QVERIFY(dialog.failureLabel()->text().isEmpty());
    }

    void searchOffersTheFileTheAccountSetSearchChose()
    {
        ScriptedPrompt prompt;
        CKszwFileDlg dialog(prompt, m_clock, QString(), QString());
        QVERIFY(!dialog.searchButton()->isEnabled());
        QWidget* handedParent = nullptr;
        dialog.setSearchHandler([&](QWidget* parent) {
            handedParent = parent;
            return m_file;
        });
        QVERIFY(dialog.searchButton()->isEnabled());
        QTest::mouseClick(dialog.searchButton(), Qt::LeftButton);
        QCOMPARE(handedParent, &dialog);
        QCOMPARE(dialog.unitLabel()->text(), QStringLiteral("甲公司"));
        QCOMPARE(QFileInfo(dialog.selectedFile()).absoluteFilePath(), QFileInfo(m_file).absoluteFilePath());
        // A search that chose nothing leaves the dialog as it was.
        dialog.setSearchHandler([](QWidget*) { return QString(); });
        QTest::mouseClick(dialog.searchButton(), Qt::LeftButton);
        QCOMPARE(dialog.unitLabel()->text(), QStringLiteral("甲公司"));
    }

    void sizesAreWrittenInChinese()
    {
        QCOMPARE(YearFileListModel::sizeText(600), QStringLiteral("600 字节"));
        QCOMPARE(YearFileListModel::sizeText(126976), QStringLiteral("124.0 KB"));
        QCOMPARE(YearFileListModel::sizeText(3 * 1024 * 1024 + 512 * 1024), QStringLiteral("3.5 MB"));
    }

    void enterInTheOperatorListConfirmsLikeTheButton()
    {
        ScriptedPrompt prompt;
        CKszwFileDlg dialog(prompt, m_clock, m_file, QStringLiteral("101"));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.operatorBox()->setFocus();
        QTest::keyClick(dialog.operatorBox(), Qt::Key_Return);
        QVERIFY(prompt.entries().empty());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.chosenOperator(), QStringLiteral("101"));
    }

    void theFileListShowsTheWholeTypeNameAndChineseDates()
    {
        ScriptedPrompt prompt;
        CKszwFileDlg dialog(prompt, m_clock, m_file, QString());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        auto* list = dialog.chooser()->findChild<QTreeView*>(QStringLiteral("treeView"));
        QVERIFY(list);
        QAbstractItemModel* model = list->model();
        QModelIndex row;
        QTRY_VERIFY((row = [&] {
                        for (int r = 0; r < model->rowCount(list->rootIndex()); ++r) {
                            QModelIndex index = model->index(r, 0, list->rootIndex());
                            if (index.data().toString() == QStringLiteral("2026.ksk"))
                                return index;
                        }
                        return QModelIndex();
                    }()).isValid());
        QCOMPARE(row.siblingAtColumn(YearFileListModel::kTypeColumn).data().toString(),
                 QStringLiteral("岚屿穗帐务数据文件"));
        const QDateTime modified = QFileInfo(m_file).lastModified();
        QCOMPARE(row.siblingAtColumn(YearFileListModel::kDateColumn).data().toString(),
                 QStringLiteral("%1/%2/%3 %4").arg(modified.date().year()).arg(modified.date().month())
                     .arg(modified.date().day()).arg(modified.time().toString(QStringLiteral("HH:mm"))));
        const int typeWidth = list->header()->sectionSize(YearFileListModel::kTypeColumn);
        QVERIFY2(typeWidth >= list->fontMetrics().horizontalAdvance(QStringLiteral("岚屿穗帐务数据文件")),
                 qPrintable(QString::number(typeWidth)));
    }

    void theRecentFilesFoldersAreTheChoosersHistory()
    {
        ScriptedPrompt prompt;
        CKszwFileDlg dialog(prompt, m_clock, m_file, QString());
        dialog.setRecentFiles({QStringLiteral("/srv/books/a/2026.ksk"), QStringLiteral("/srv/books/b/2025.ksk"),
                               QStringLiteral("/srv/books/a/2025.ksk")});
        // The folders of the recent files, newest first and each once; the chooser adds the folder it shows.
        QCOMPARE(dialog.chooser()->history(), (QStringList{QStringLiteral("/srv/books/a"), QStringLiteral("/srv/books/b"),
                                                           QFileInfo(m_file).absolutePath()}));
    }

    void theAbandonButtonRejects()
    {
        ScriptedPrompt prompt;
        CKszwFileDlg dialog(prompt, m_clock, m_file, QString());
        dialog.show();
        bool rejected = false;
        connect(&dialog, &QDialog::rejected, this, [&] { rejected = true; });
        dialog.chooser()->reject();
        QVERIFY(rejected);
        QVERIFY(prompt.entries().empty());
    }
};

QTEST_MAIN(LoginDialogTest)
#include "login_dialog_test.moc"
