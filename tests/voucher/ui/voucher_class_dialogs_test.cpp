// The voucher class dialogs (凭证分类设置): the list with its captions and fixed-width lines, adding
// and modifying through the class dialog (typed lower case shown and stored as capitals, refusals
// that keep the dialog open on their field), deleting with the Delete key, and the refusal to open
// when the year has vouchers and no class.
#include "accountset/year_file.h"
#include "common/prompt.h"
#include "formview/ui/modal_closer.h"
#include "formview/ui/spec_edit.h"
#include "store/database.h"
#include "store/ks_dbset.h"
#include "voucher/ui/voucher_class_dialogs.h"
#include "voucher/voucher_classes.h"

#include <QClipboard>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>
#include <memory>

using namespace kszw;

namespace {

QStringList listLines(const QListWidget* list)
{
    QStringList lines;
    for (int i = 0; i < list->count(); ++i)
        lines << list->item(i)->text();
    return lines;
}

QString currentLine(const QListWidget* list)
{
    return list->currentItem() ? list->currentItem()->text() : QString();
}

QString lastMessage(const ScriptedPrompt& prompt)
{
    return QString::fromStdString(prompt.last());
}

// A class dialog run that types into the fields as a person would and presses 确认.
std::function<int(CVoucherClassDlg&)> typeAndConfirm(const QString& code, const QString& name)
{
    return [code, name](CVoucherClassDlg& dialog) {
        dialog.codeEdit()->selectAll();
        QTest::keyClicks(dialog.codeEdit(), code);
        dialog.nameEdit()->clear();
        dialog.nameEdit()->typeText(name);
        QTest::mouseClick(dialog.confirmButton(), Qt::LeftButton);
        return dialog.result();
    };
}

} // namespace

class VoucherClassDialogsTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::string m_path;
    Database m_db;

    void addClass(const char* code, const char* name)
    {
        ScriptedPrompt quiet;
        QVERIFY2(addVoucherClass(m_db, code, name, quiet).saved, quiet.last().c_str());
    }

    void insertVoucher(Database& db, const char* number)
    {
        db.execute("INSERT INTO CERDIR(T,CER,OPP,OPN,PN,LY,MK,TT) VALUES('20260115',?1,'102',NULL,0,'0','2','01')",
                   {std::string(number)});
        db.execute("INSERT INTO P0(T,CER,RN,MRY,KNO,F,MY,NU,MK,TT) VALUES('20260115',?1,1,'提现','1001',1,5,0,'2','01')",
                   {std::string(number)});
    }

    QStringList column(const std::string& sql)
    {
        QStringList values;
        KS_Dbset set(m_db);
        for (set.open(sql); !set.isEOF(); set.moveNext())
            values << QString::fromStdString(set.textAt(0));
        return values;
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_path = (m_dir->path() + QStringLiteral("/2026.ksk")).toStdString();
        createYearFile(m_path, 2026);
        m_db = Database::open(m_path);
    }

    void cleanup()
    {
        m_db.close();
        m_dir.reset();
    }

    void typedLowerCaseIsShownAndStoredAsCapitals()
    {
        ScriptedPrompt prompt;
        CVoucherClassDlg dialog(m_db, prompt, CVoucherClassDlg::Mode::Add);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("凭证分类设置-增加"));
        // Only digits and letters, at most two of them.
        QTest::keyClicks(dialog.codeEdit(), QStringLiteral("a-#x9"));
        QCOMPARE(dialog.codeEdit()->text(), QStringLiteral("AX"));
        // Pasted lower case becomes capitals too.
        dialog.codeEdit()->clear();
        QApplication::clipboard()->setText(QStringLiteral("x1"));
        QTest::keySequence(dialog.codeEdit(), QKeySequence::Paste);
        QCOMPARE(dialog.codeEdit()->text(), QStringLiteral("X1"));
        dialog.codeEdit()->clear();
        QTest::keyClicks(dialog.codeEdit(), QStringLiteral("a"));
        QCOMPARE(dialog.codeEdit()->text(), QStringLiteral("A"));
        // The name refuses the quote and bar characters and stops at twenty bytes.
        dialog.nameEdit()->typeText(QStringLiteral("收款'|凭证一二三四五六七八九"));
        QCOMPARE(dialog.nameEdit()->text(), QStringLiteral("收款凭证一二三四五六"));
        // Enter confirms.
        QTest::keyClick(dialog.nameEdit(), Qt::Key_Return);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.savedCode(), QStringLiteral("A"));
        QCOMPARE(column("SELECT CNO FROM CERCLS"), QStringList{"A"});
        QVERIFY(prompt.entries().empty());
    }

    void aCodeOfTheWrongLengthKeepsTheDialogOpenOnTheCode()
    {
        addClass("A", "收款凭证");
        ScriptedPrompt prompt;
        CVoucherClassDlg dialog(m_db, prompt, CVoucherClassDlg::Mode::Add);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTest::keyClicks(dialog.codeEdit(), QStringLiteral("bc"));
        dialog.nameEdit()->typeText(QStringLiteral("付款凭证"));
        dialog.nameEdit()->setFocus();
        QTest::mouseClick(dialog.confirmButton(), Qt::LeftButton);
        QCOMPARE(lastMessage(prompt), QStringLiteral("类别字应为1个字符，请重输!"));
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.focusWidget(), static_cast<QWidget*>(dialog.codeEdit()));
        QCOMPARE(dialog.codeEdit()->selectedText(), QStringLiteral("BC"));
        QCOMPARE(column("SELECT CNO FROM CERCLS"), QStringList{"A"});

        // An empty name: the focus goes to the name.
        dialog.codeEdit()->clear();
        QTest::keyClicks(dialog.codeEdit(), QStringLiteral("b"));
        dialog.nameEdit()->clear();
        QTest::mouseClick(dialog.confirmButton(), Qt::LeftButton);
        QCOMPARE(lastMessage(prompt), QStringLiteral("类别名称不能为空，请重输!"));
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.focusWidget(), static_cast<QWidget*>(dialog.nameEdit()));
        dialog.reject();
    }

    void theListShowsItsCaptionsAndFixedWidthLines()
    {
        addClass("B", "付款凭证");
        addClass("A", "收款凭证");
        ScriptedPrompt prompt;
        CVoucherClassListDlg dialog(m_db, prompt);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("岚屿穗软件"));
        QCOMPARE(dialog.titleLabel()->text(), QStringLiteral("凭证类别及名称表"));
        QVERIFY(dialog.headerLabel()->text().startsWith(QStringLiteral("类别")));
        QVERIFY(dialog.headerLabel()->text().endsWith(QStringLiteral("类  别  名  称")));
        QCOMPARE(dialog.hintLabel()->text(), QStringLiteral("修改：\n  Enter\n  双击。"));
        QCOMPARE(dialog.addButton()->text(), QStringLiteral("&A.新增"));
        QCOMPARE(listLines(dialog.classList()), (QStringList{"A     收款凭证", "B     付款凭证"}));
        QCOMPARE(dialog.selectedCode(), QStringLiteral("A"));
        QVERIFY(dialog.classList()->font().fixedPitch());
    }

    void enterModifiesTheSelectedClassAndItsVouchersFollow()
    {
        addClass("A", "收款凭证");
        addClass("C", "转账凭证");
        insertVoucher(m_db, "A012");
        ScriptedPrompt prompt;
        CVoucherClassListDlg dialog(m_db, prompt);
        QString title;
        QString shownCode;
        QString shownName;
        dialog.runClassDialog = [&](CVoucherClassDlg& edit) {
            title = edit.windowTitle();
            shownCode = edit.codeEdit()->text();
            shownName = edit.nameEdit()->text();
            return typeAndConfirm(QStringLiteral("b"), QStringLiteral("现收凭证"))(edit);
        };
        QTest::keyClick(dialog.classList(), Qt::Key_Return);
        QCOMPARE(title, QStringLiteral("凭证分类设置-修改"));
        QCOMPARE(shownCode, QStringLiteral("A"));
        QCOMPARE(shownName, QStringLiteral("收款凭证"));
        QCOMPARE(listLines(dialog.classList()), (QStringList{"B     现收凭证", "C     转账凭证"}));
        QCOMPARE(currentLine(dialog.classList()), QStringLiteral("B     现收凭证"));
        QCOMPARE(column("SELECT CER FROM CERDIR"), QStringList{"B012"});
        QCOMPARE(column("SELECT CER FROM P0"), QStringList{"B012"});
        QVERIFY(prompt.entries().empty());
    }

    void aDoubleClickModifiesTheClassClicked()
    {
        addClass("A", "收款凭证");
        addClass("B", "付款凭证");
        ScriptedPrompt prompt;
        CVoucherClassListDlg dialog(m_db, prompt);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QString shownCode;
        dialog.runClassDialog = [&](CVoucherClassDlg& edit) {
            shownCode = edit.codeEdit()->text();
            return int(QDialog::Rejected);
        };
        QListWidget* list = dialog.classList();
        const QPoint line = list->visualItemRect(list->item(1)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, line);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, line);
        QCOMPARE(shownCode, QStringLiteral("B"));
        // Cancelled: the list stays as it was, on the same class.
        QCOMPARE(currentLine(list), QStringLiteral("B     付款凭证"));
    }

    void addingSelectsTheNewClass()
    {
        addClass("B", "付款凭证");
        ScriptedPrompt prompt;
        CVoucherClassListDlg dialog(m_db, prompt);
        dialog.runClassDialog = typeAndConfirm(QStringLiteral("a"), QStringLiteral("收款凭证"));
        QTest::mouseClick(dialog.addButton(), Qt::LeftButton);
        QCOMPARE(listLines(dialog.classList()), (QStringList{"A     收款凭证", "B     付款凭证"}));
        QCOMPARE(currentLine(dialog.classList()), QStringLiteral("A     收款凭证"));
    }

    void deleteRefusesAClassWithVouchersAndMovesToTheNeighbourOtherwise()
    {
        addClass("A", "收款凭证");
        addClass("B", "付款凭证");
        addClass("C", "转账凭证");
        insertVoucher(m_db, "A001");
        ScriptedPrompt prompt;
        CVoucherClassListDlg dialog(m_db, prompt);
        QListWidget* list = dialog.classList();

        QTest::keyClick(list, Qt::Key_Delete);
        QCOMPARE(lastMessage(prompt), QStringLiteral("本年度该类别已有凭证，不能删除!"));
        QCOMPARE(list->count(), 3);

        prompt.clear();
        list->setCurrentRow(1);
        QTest::keyClick(list, Qt::Key_Delete);
        QVERIFY(prompt.entries().empty()); // no question
        QCOMPARE(listLines(list), (QStringList{"A     收款凭证", "C     转账凭证"}));
        QCOMPARE(currentLine(list), QStringLiteral("C     转账凭证"));
        QTest::keyClick(list, Qt::Key_Delete);
        QCOMPARE(currentLine(list), QStringLiteral("A     收款凭证"));
        QCOMPARE(column("SELECT CNO FROM CERCLS"), QStringList{"A"});
    }

    void deletingTheLastClassClosesTheList()
    {
        addClass("A", "收款凭证");
        ScriptedPrompt prompt;
        CVoucherClassListDlg dialog(m_db, prompt);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTest::keyClick(dialog.classList(), Qt::Key_Delete);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(column("SELECT CNO FROM CERCLS").isEmpty());
        QVERIFY(prompt.entries().empty());
    }

    void aYearWithVouchersAndNoClassDoesNotOpenTheList()
    {
        insertVoucher(m_db, "0001");
        ScriptedPrompt prompt;
        ModalCloser closer;
        CVoucherClassListDlg::openClasses(m_db, prompt, nullptr);
        QVERIFY(closer.seen().empty());
        QCOMPARE(prompt.texts(), std::vector<std::string>{"本年度已有记帐凭证，不能再设置凭证类别!"});
        QCOMPARE(prompt.entries().front().icon, Icon::Exclamation);
    }

    void aYearWithoutVouchersOpensTheListModally()
    {
        ScriptedPrompt prompt;
        int lines = -1;
        {
            ModalCloser closer;
            closer.actOn<CVoucherClassListDlg>([&](CVoucherClassListDlg& list) { lines = list.classList()->count(); });
            CVoucherClassListDlg::openClasses(m_db, prompt, nullptr);
            QCOMPARE(closer.classNames(), QStringList{"kszw::CVoucherClassListDlg"});
            QCOMPARE(closer.seen().front().title, QStringLiteral("岚屿穗软件"));
        }
        QCOMPARE(lines, 0);
        QVERIFY(prompt.entries().empty());
    }

    void aVoucherSavedByAnotherCopyBeforeTheFirstClassClosesBothDialogs()
    {
        ScriptedPrompt prompt;
        CVoucherClassListDlg dialog(m_db, prompt);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        int editResult = -1;
        dialog.runClassDialog = [&](CVoucherClassDlg& edit) {
            Database otherCopy = Database::open(m_path);
            insertVoucher(otherCopy, "0001");
            editResult = typeAndConfirm(QStringLiteral("A"), QStringLiteral("收款凭证"))(edit);
            return editResult;
        };
        QTest::mouseClick(dialog.addButton(), Qt::LeftButton);
        QCOMPARE(editResult, int(QDialog::Rejected));
        QCOMPARE(lastMessage(prompt), QStringLiteral("本年度已有记帐凭证，不能再设置凭证类别!"));
        QVERIFY(!dialog.isVisible());
        QVERIFY(column("SELECT CNO FROM CERCLS").isEmpty());
    }
};

QTEST_MAIN(VoucherClassDialogsTest)
#include "voucher_class_dialogs_test.moc"
