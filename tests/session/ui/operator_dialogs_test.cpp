// The operator management dialog, the operator edit dialog and the password dialogs, driven as a
// person drives them: the list lines and the preselected operator, the fixed and the working
// rights boxes, Enter, double-click and Delete on the list, the edit fields' refusals and the two
// password dialogs.
#include "accountset/year_file.h"
#include "common/prompt.h"
#include "formview/ui/modal_closer.h"
#include "session/kszw_env.h"
#include "session/ui/operator_dialog.h"
#include "session/ui/operator_edit_dialog.h"
#include "session/ui/password_dialog.h"
#include "store/database.h"
#include "store/ks_dbset.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace kszw;

class OperatorDialogsTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    int m_files = 0;

    // A fresh year file with 101, 102 and 103 张三 (rights 0201 and 0203), logged in as op.
    std::unique_ptr<CKszwEnv> loggedIn(const std::string& op = "101")
    {
        const std::string path = (m_dir.path() + QStringLiteral("/%1.ksk").arg(2000 + ++m_files)).toStdString();
        createYearFile(path, 2000 + m_files);
        {
            Database db = Database::open(path);
            db.execute("INSERT INTO OPR(OPNO,NA,PSD) VALUES('103','张三','')");
            db.execute("INSERT INTO PWR(OPNO,PWR) VALUES('103',NULL)");
            db.execute("INSERT INTO PWR(OPNO,PWR) VALUES('103','0201')");
            db.execute("INSERT INTO PWR(OPNO,PWR) VALUES('103','0203')");
        }
        auto env = std::make_unique<CKszwEnv>();
        ScriptedPrompt prompt;
        if (!confirmLogin(*env, path, op, "", prompt))
            qWarning("login failed: %s", prompt.last().c_str());
        return env;
    }

    static QStringList lines(const QListWidget* list)
    {
        QStringList result;
        for (int i = 0; i < list->count(); ++i)
            result << list->item(i)->text();
        return result;
    }

    static QStringList rightsOf(CKszwEnv& env, const std::string& code)
    {
        QStringList result;
        KS_Dbset set(env.db());
        for (set.open("SELECT PWR FROM PWR WHERE OPNO=?1 AND PWR IS NOT NULL ORDER BY PWR", {code}); !set.isEOF();
             set.moveNext())
            result << QString::fromStdString(set.textAt(0));
        return result;
    }

    // The check boxes that are checked, and those that can be clicked, as right codes.
    static QStringList checkedRights(const QListWidget* rights)
    {
        QStringList result;
        for (int i = 0; i < rights->count(); ++i)
            if (rights->item(i)->checkState() == Qt::Checked)
                result << rights->item(i)->text().left(4);
        return result;
    }
    static QStringList changeableRights(const QListWidget* rights)
    {
        QStringList result;
        for (int i = 0; i < rights->count(); ++i)
            if (rights->item(i)->flags() & Qt::ItemIsEnabled && rights->item(i)->flags() & Qt::ItemIsUserCheckable)
                result << rights->item(i)->text().left(4);
        return result;
    }

    // A click on the small box of a rights line.
    static void clickBox(QListWidget* rights, int row)
    {
        QStyleOptionViewItem option;
        option.initFrom(rights);
        option.rect = rights->visualItemRect(rights->item(row));
        option.features = QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDisplay;
        option.text = rights->item(row)->text();
        const QRect box = rights->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, rights);
        QTest::mouseClick(rights->viewport(), Qt::LeftButton, {}, box.center());
    }

    // Types text into a widget key by key, Chinese characters included (each as a key press with
    // its text, as an input method delivers them).
    static void typeText(QWidget* widget, const QString& text)
    {
        for (const QChar c : text) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
            QApplication::sendEvent(widget, &press);
            QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
            QApplication::sendEvent(widget, &release);
        }
    }

    static int rowOf(const QListWidget* list, const QString& prefix)
    {
        for (int i = 0; i < list->count(); ++i)
            if (list->item(i)->text().startsWith(prefix))
                return i;
        return -1;
    }

private slots:
    void theListShowsFixedWidthLinesAndPreselectsTheSecond()
    {
        auto env = loggedIn();
        ScriptedPrompt prompt;
        COperatorDlg dialog(*env, prompt);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("操作员及其权限管理"));
        QCOMPARE(lines(dialog.operatorList()),
                 (QStringList{"101        管理员", "102        ×××", "103        张三"}));
        QCOMPARE(dialog.operatorList()->currentRow(), 1);
        QCOMPARE(dialog.selectedCode(), QStringLiteral("102"));
        QVERIFY(dialog.operatorList()->font().fixedPitch());
        QCOMPARE(dialog.headerLabel()->text(), QStringLiteral("操作员代码 姓  名"));
        QCOMPARE(dialog.rightsList()->count(), 23);
        QCOMPARE(dialog.rightsList()->item(0)->text(), QStringLiteral("0101  帐务管理"));
        QCOMPARE(dialog.rightsList()->item(22)->text(), QStringLiteral("0406  外币汇率设置"));
        QCOMPARE(checkedRights(dialog.rightsList()).size(), 22);
        QVERIFY(!checkedRights(dialog.rightsList()).contains(QStringLiteral("0101")));
        QCOMPARE(dialog.addButton()->text(), QStringLiteral("&A.增加操作员"));

        // Another operator's rights replace them when that line is selected.
        dialog.operatorList()->setCurrentRow(2);
        QCOMPARE(checkedRights(dialog.rightsList()), (QStringList{"0201", "0203"}));
        QVERIFY(prompt.entries().empty());
    }

    void withOnlyTheAdministratorTheFirstLineIsSelected()
    {
        auto env = loggedIn();
        env->db().execute("DELETE FROM OPR WHERE OPNO<>'101'");
        ScriptedPrompt prompt;
        COperatorDlg dialog(*env, prompt);
        QCOMPARE(lines(dialog.operatorList()), QStringList{"101        管理员"});
        QCOMPARE(dialog.operatorList()->currentRow(), 0);
    }

    void theAdministrationBoxAndTheAdministratorsBoxesAreDisabled()
    {
        auto env = loggedIn();
        ScriptedPrompt prompt;
        COperatorDlg dialog(*env, prompt);
        QStringList working;
        for (int i = 1; i < dialog.rightsList()->count(); ++i)
            working << dialog.rightsList()->item(i)->text().left(4);
        QCOMPARE(changeableRights(dialog.rightsList()), working);

        dialog.operatorList()->setCurrentRow(0);
        QCOMPARE(changeableRights(dialog.rightsList()), QStringList());
        QCOMPARE(checkedRights(dialog.rightsList()), QStringList{"0101"});
    }

    void aClickOnABoxWritesTheRightAtOnce()
    {
        auto env = loggedIn();
        ScriptedPrompt prompt;
        COperatorDlg dialog(*env, prompt);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.operatorList()->setCurrentRow(2);
        QListWidget* rights = dialog.rightsList();

        clickBox(rights, rowOf(rights, QStringLiteral("0305")));
        QCOMPARE(rightsOf(*env, "103"), (QStringList{"0201", "0203", "0305"}));
        clickBox(rights, rowOf(rights, QStringLiteral("0201")));
        QCOMPARE(rightsOf(*env, "103"), (QStringList{"0203", "0305"}));
        QCOMPARE(checkedRights(rights), (QStringList{"0203", "0305"}));

        // The disabled box of 0101 does not change with a click.
        clickBox(rights, 0);
        QCOMPARE(rights->item(0)->checkState(), Qt::Unchecked);
        QCOMPARE(rightsOf(*env, "103"), (QStringList{"0203", "0305"}));
        QVERIFY(prompt.entries().empty());
    }

    void aBoxOfAnOperatorDeletedMeanwhileSaysSoAndTheListFollowsTheFile()
    {
        auto env = loggedIn();
        ScriptedPrompt prompt;
        COperatorDlg dialog(*env, prompt);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.operatorList()->setCurrentRow(2);
        env->db().execute("DELETE FROM OPR WHERE OPNO='103'"); // another copy of the program
        clickBox(dialog.rightsList(), rowOf(dialog.rightsList(), QStringLiteral("0305")));
        QCOMPARE(QString::fromStdString(prompt.last()), QStringLiteral("无此操作员！"));
        QCOMPARE(lines(dialog.operatorList()), (QStringList{"101        管理员", "102        ×××"}));
    }

    void enterOnALineOpensTheEditDialogAndTheListShowsTheChange()
    {
        auto env = loggedIn();
        ScriptedPrompt prompt;
        COperatorDlg dialog(*env, prompt);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.operatorList()->setCurrentRow(2);

        QString title, code, name;
        bool codeEnabled = false;
        {
            ModalCloser closer;
            closer.actOn<COperatorEditDlg>([&](COperatorEditDlg& edit) {
                title = edit.windowTitle();
                code = edit.codeEdit()->text();
                name = edit.nameEdit()->text();
                codeEnabled = edit.codeEdit()->isEnabled();
                edit.codeEdit()->setText(QStringLiteral("105"));
                edit.nameEdit()->setText(QStringLiteral("张三丰"));
                edit.confirm();
            });
            QTest::keyClick(dialog.operatorList(), Qt::Key_Return);
            QCOMPARE(closer.classNames(), QStringList{"kszw::COperatorEditDlg"});
        }
        QCOMPARE(title, QStringLiteral("修改操作员..."));
        QCOMPARE(code, QStringLiteral("103"));
        QCOMPARE(name, QStringLiteral("张三"));
        QVERIFY(codeEnabled);
        QCOMPARE(lines(dialog.operatorList()),
                 (QStringList{"101        管理员", "102        ×××", "105        张三丰"}));
        QCOMPARE(dialog.selectedCode(), QStringLiteral("105"));
        QCOMPARE(checkedRights(dialog.rightsList()), (QStringList{"0201", "0203"}));
        QVERIFY(prompt.entries().empty());
    }

    void doubleClickOnTheAdministratorOffersOnlyTheName()
    {
        auto env = loggedIn();
        ScriptedPrompt prompt;
        COperatorDlg dialog(*env, prompt);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QListWidget* list = dialog.operatorList();
        bool codeEnabled = true;
        {
            ModalCloser closer;
            closer.actOn<COperatorEditDlg>([&](COperatorEditDlg& edit) { codeEnabled = edit.codeEdit()->isEnabled(); });
            const QPoint line = list->visualItemRect(list->item(0)).center();
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, line);
            QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, line);
            QCOMPARE(closer.classNames(), QStringList{"kszw::COperatorEditDlg"});
        }
        QVERIFY(!codeEnabled);
    }

    void theAddButtonAddsAnOperatorWithoutRights()
    {
        auto env = loggedIn();
        ScriptedPrompt prompt;
        COperatorDlg dialog(*env, prompt);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QString title;
        {
            ModalCloser closer;
            closer.actOn<COperatorEditDlg>([&](COperatorEditDlg& edit) {
                title = edit.windowTitle();
                typeText(edit.codeEdit(), QStringLiteral("104"));
                typeText(edit.nameEdit(), QStringLiteral("李四"));
                edit.confirm();
            });
            QTest::mouseClick(dialog.addButton(), Qt::LeftButton);
        }
        QCOMPARE(title, QStringLiteral("增加操作员..."));
        QCOMPARE(lines(dialog.operatorList()).last(), QStringLiteral("104        李四"));
        QCOMPARE(dialog.selectedCode(), QStringLiteral("104"));
        QCOMPARE(checkedRights(dialog.rightsList()), QStringList());
        QCOMPARE(changeableRights(dialog.rightsList()).size(), 22);
    }

    void deleteKeyDeletesTheSelectedOperatorOrSaysWhyNot()
    {
        auto env = loggedIn();
        ScriptedPrompt prompt;
        COperatorDlg dialog(*env, prompt);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QListWidget* list = dialog.operatorList();

        list->setCurrentRow(0);
        QTest::keyClick(list, Qt::Key_Delete);
        QCOMPARE(QString::fromStdString(prompt.last()), QStringLiteral("不允许删除代码为101的操作员！"));

        list->setCurrentRow(2);
        QTest::keyClick(list, Qt::Key_Delete);
        QCOMPARE(prompt.entries().size(), size_t(1));
        QCOMPARE(lines(list), (QStringList{"101        管理员", "102        ×××"}));
        QCOMPARE(list->currentRow(), 1);
        QCOMPARE(rightsOf(*env, "103"), QStringList());
    }

    void theEditFieldsRefuseAtTypingWhatTheChecksWouldRefuse()
    {
        auto env = loggedIn();
        ScriptedPrompt prompt;
        COperatorEditDlg edit(env->db(), prompt);
        typeText(edit.codeEdit(), QStringLiteral("1a0 4b56"));
        QCOMPARE(edit.codeEdit()->text(), QStringLiteral("104"));
        typeText(edit.nameEdit(), QStringLiteral("张'三|李[四]五\"六"));
        QCOMPARE(edit.nameEdit()->text(), QStringLiteral("张三李四"));
    }

    void aRefusalKeepsTheEditDialogOpenWithTheFocusOnTheField()
    {
        auto env = loggedIn();
        ScriptedPrompt prompt;
        COperatorEditDlg edit(env->db(), prompt);
        edit.show();
        QVERIFY(QTest::qWaitForWindowActive(&edit));

        typeText(edit.codeEdit(), QStringLiteral("099"));
        typeText(edit.nameEdit(), QStringLiteral("李四"));
        edit.confirm();
        QCOMPARE(QString::fromStdString(prompt.last()), QStringLiteral("代码不合法，请重输！"));
        QVERIFY(edit.isVisible());
        QVERIFY(edit.codeEdit()->hasFocus());

        // A name that came in past the field (pasted through the system) is cleared.
        edit.codeEdit()->setText(QStringLiteral("104"));
        edit.nameEdit()->setText(QStringLiteral("李'四"));
        edit.confirm();
        QCOMPARE(QString::fromStdString(prompt.last()), QStringLiteral("操作员姓名中输入了无效字符，请重输！"));
        QVERIFY(edit.nameEdit()->hasFocus());
        QCOMPARE(edit.nameEdit()->text(), QString());

        edit.codeEdit()->setText(QStringLiteral("103"));
        typeText(edit.nameEdit(), QStringLiteral("李四"));
        edit.confirm();
        QCOMPARE(QString::fromStdString(prompt.last()), QStringLiteral("该代码已存在，请重输！"));
        QVERIFY(edit.codeEdit()->hasFocus());
        QCOMPARE(edit.codeEdit()->selectedText(), QStringLiteral("103"));

        edit.codeEdit()->setText(QStringLiteral("104"));
        QTest::keyClick(edit.nameEdit(), Qt::Key_Return); // 确认 is the default button
        QCOMPARE(edit.result(), int(QDialog::Accepted));
        QCOMPARE(prompt.entries().size(), size_t(3));
    }

    void thePasswordDialogsShowTheOperatorTheWarningAndWriteThePassword()
    {
        auto env = loggedIn("102");
        ScriptedPrompt prompt;
        CPasswordDlg first(*env, prompt);
        QCOMPARE(first.windowTitle(), QStringLiteral("操作员口令设置"));
        QCOMPARE(first.operatorLabel()->text(), QStringLiteral("102  ×××"));
        QCOMPARE(first.passwordEdit()->echoMode(), QLineEdit::Password);
        typeText(first.passwordEdit(), QStringLiteral("ab'c[]d\"e|f1234567"));
        QCOMPARE(first.passwordEdit()->text(), QStringLiteral("abcdef1234"));
        first.passwordEdit()->setText(QStringLiteral(" abc"));
        first.confirm();
        QCOMPARE(QString::fromStdString(prompt.last()), QStringLiteral("口令的首尾不能是空格，请重输！"));
        QCOMPARE(first.result(), int(QDialog::Rejected));
        first.passwordEdit()->setText(QStringLiteral("abc"));
        first.confirm();
        QCOMPARE(first.result(), int(QDialog::Accepted));

        CPasswordConfirmDlg second(*env, prompt, first.password());
        QCOMPARE(second.warningLabel()->text(),
                 QStringLiteral("    警告：口令是您注册进入系统的密码，\n应当牢牢记住，一旦忘记了它，您就无法再\n进入系统操作。"));
        QCOMPARE(second.confirmationEdit()->echoMode(), QLineEdit::Password);
        typeText(second.confirmationEdit(), QStringLiteral("abd"));
        second.confirm();
        QCOMPARE(QString::fromStdString(prompt.last()), QStringLiteral("确认的口令与先前输入的不一致。"));
        QCOMPARE(second.confirmationEdit()->text(), QString());
        QCOMPARE(second.result(), int(QDialog::Rejected));
        QVERIFY(env->passwordMatches(""));

        typeText(second.confirmationEdit(), QStringLiteral("abc"));
        second.confirm();
        QCOMPARE(second.result(), int(QDialog::Accepted));
        QCOMPARE(QString::fromStdString(prompt.last()), QStringLiteral("您的口令设置成功，请牢记之！"));
        QVERIFY(env->passwordMatches("abc"));
        QCOMPARE(env->db().queryText("SELECT PSD FROM OPR WHERE OPNO='102'").value_or(""), std::string("abc"));
    }

    void changePasswordRunsBothDialogsOrIsAbandoned()
    {
        auto env = loggedIn("102");
        ScriptedPrompt prompt;
        QStringList seen;
        QTimer answer;
        answer.setInterval(0);
        bool abandonFirst = true;
        connect(&answer, &QTimer::timeout, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal)
                return;
            seen << modal->windowTitle();
            if (auto* first = qobject_cast<CPasswordDlg*>(modal); first && !abandonFirst) {
                first->passwordEdit()->setText(QStringLiteral("秘密"));
                first->confirm();
            } else if (auto* second = qobject_cast<CPasswordConfirmDlg*>(modal)) {
                second->confirmationEdit()->setText(QStringLiteral("秘密"));
                second->confirm();
            }
            if (modal->isVisible())
                modal->close();
        });
        answer.start();
        QVERIFY(!changePassword(*env, prompt, nullptr));
        QCOMPARE(seen, QStringList{"操作员口令设置"});
        QVERIFY(prompt.entries().empty());

        seen.clear();
        abandonFirst = false;
        QVERIFY(changePassword(*env, prompt, nullptr));
        answer.stop();
        QCOMPARE(seen, (QStringList{"操作员口令设置", "操作员口令确认"}));
        QCOMPARE(QString::fromStdString(prompt.last()), QStringLiteral("您的口令设置成功，请牢记之！"));
        QVERIFY(env->passwordMatches("秘密"));
    }
};

QTEST_MAIN(OperatorDialogsTest)
#include "operator_dialogs_test.moc"
