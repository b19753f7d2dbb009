// The currency directory (外币币种增加、修改、删除) and the currency edit dialog: the first
// activation, the add loop, modifying by Enter, deleting by the Delete key with the core's refusal
// and question, the directory closing when its list becomes empty, and when 确认 is offered.
#include "accountset/year_file.h"
#include "chart/currencies.h"
#include "chart/subjects.h"
#include "chart/ui/currency_dialogs.h"
#include "common/prompt.h"
#include "formview/ui/spec_edit.h"
#include "store/database.h"

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

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

QStringList texts(const ScriptedPrompt& prompt)
{
    QStringList result;
    for (const std::string& text : prompt.texts())
        result << QString::fromStdString(text);
    return result;
}

// Fills the edit dialog as a person types (each character checked by the field), then confirms it.
int fillAndConfirm(CCurrencyEditDlg& dialog, const QString& code, const QString& name, const QString& subject)
{
    for (auto [field, text] : {std::pair{dialog.codeField(), code}, {dialog.nameField(), name},
                               {dialog.subjectField(), subject}}) {
        field->clear();
        field->typeText(text);
    }
    dialog.confirm();
    return dialog.result();
}

} // namespace

class CurrencyDialogsTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    Database m_db;

    int count(const std::string& sql) { return m_db.queryLong(sql); }

    void addCurrencyRow(const char* code, const char* name)
    {
        const CurrencyResult result = addCurrency(m_db, {code, name, "6603-1"});
        QVERIFY2(result.ok, result.message.c_str());
    }

    static void showActive(QDialog& dialog)
    {
        dialog.show();
        dialog.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        const std::string path = (m_dir->path() + QStringLiteral("/2026.ksk")).toStdString();
        createYearFile(path, 2026);
        m_db = Database::open(path);
        for (auto [segment, parent, name] : {std::tuple{"6603", "", "财务费用"}, {"1", "6603", "汇兑损益"},
                                             {"1002", "", "银行存款"}}) {
            SubjectInput input;
            input.segment = segment;
            input.name = name;
            QVERIFY(addSubject(m_db, parent, input).ok);
        }
    }

    void cleanup()
    {
        m_db.close();
        m_dir.reset();
    }

    void theFirstActivationOfAnEmptyDirectoryTellsAndOffersAdd()
    {
        ScriptedPrompt prompt;
        CCurrencyDirectoryDlg dialog(m_db, prompt);
        dialog.runEditDialog = [](CCurrencyEditDlg&) { return int(QDialog::Rejected); };
        QCOMPARE(dialog.windowTitle(), QStringLiteral("外币币种增加、修改、删除"));
        showActive(dialog);
        dialog.activateList(); // done already when the dialog appeared; not again
        QCOMPARE(texts(prompt), QStringList{QStringLiteral("本年度尚未设置外币目录，\r\r确定后按增加按钮进行设置!")});
        QCOMPARE(prompt.entries().front().icon, Icon::Exclamation);
        QVERIFY(dialog.addButton()->isDefault());
        QVERIFY(dialog.addButton()->isEnabled());
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(dialog.addButton()));
        // 增加 cancelled with nothing set: the directory closes.
        dialog.addButton()->click();
        QVERIFY(!dialog.isVisible());
    }

    void theListShowsFixedWidthLinesAndSelectsTheFirst()
    {
        addCurrencyRow("12", "港币");
        addCurrencyRow("1", "美元");
        ScriptedPrompt prompt;
        CCurrencyDirectoryDlg dialog(m_db, prompt);
        dialog.activateList();
        QCOMPARE(listLines(dialog.currencyList()),
                 (QStringList{"1       美元            6603-1", "12      港币            6603-1"}));
        QCOMPARE(dialog.selectedCode(), QStringLiteral("1"));
        QCOMPARE(dialog.codeColumnButton()->text(), QStringLiteral("币种代码"));
        QCOMPARE(dialog.nameColumnButton()->text(), QStringLiteral("币种名称"));
        QCOMPARE(dialog.subjectColumnButton()->text(), QStringLiteral("汇兑损益科目"));
        QCOMPARE(dialog.addButton()->text(), QStringLiteral("&A.增加"));
        QVERIFY(prompt.entries().empty());
    }

    void theColumnButtonsOnlyMoveTheFocus()
    {
        addCurrencyRow("1", "美元");
        ScriptedPrompt prompt;
        CCurrencyDirectoryDlg dialog(m_db, prompt);
        showActive(dialog);
        dialog.codeColumnButton()->click();
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(dialog.nameColumnButton()));
        dialog.nameColumnButton()->click();
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(dialog.subjectColumnButton()));
        dialog.subjectColumnButton()->click();
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(dialog.currencyList()));
        QCOMPARE(count("SELECT count(*) FROM WBT"), 1);
        QVERIFY(dialog.isVisible());
    }

    void theAddLoopSavesEachCurrencyAndSelectsItUntilCancelled()
    {
        ScriptedPrompt prompt;
        CCurrencyDirectoryDlg dialog(m_db, prompt);
        int calls = 0;
        QStringList titles;
        QStringList startTexts;
        QStringList refusals;
        dialog.runEditDialog = [&](CCurrencyEditDlg& edit) {
            ++calls;
            titles << edit.windowTitle();
            startTexts << edit.codeField()->text() + edit.nameField()->text() + edit.subjectField()->text();
            switch (calls) {
            case 1: return fillAndConfirm(edit, QStringLiteral("01"), QStringLiteral("美元"), QStringLiteral("6603-1"));
            case 2: {
                // A refusal keeps the dialog open with the focus on its field; then a good code.
                fillAndConfirm(edit, QStringLiteral("1"), QStringLiteral("港币"), QStringLiteral("6603-1"));
                refusals << texts(prompt);
                edit.codeField()->setText(QStringLiteral("12"));
                edit.confirm();
                return edit.result();
            }
            default: return int(QDialog::Rejected);
            }
        };
        showActive(dialog);
        dialog.addButton()->click();
        // Two currencies saved, the third dialog cancelled; every one starts empty.
        QCOMPARE(calls, 3);
        QCOMPARE(titles.first(), QStringLiteral("请增加、修改、外币币种"));
        QCOMPARE(startTexts, (QStringList{"", "", ""}));
        QCOMPARE(refusals, (QStringList{QStringLiteral("本年度尚未设置外币目录，\r\r确定后按增加按钮进行设置!"),
                                        QStringLiteral("代码重复，请重输！")}));
        QCOMPARE(listLines(dialog.currencyList()),
                 (QStringList{"1       美元            6603-1", "12      港币            6603-1"}));
        QCOMPARE(dialog.selectedCode(), QStringLiteral("12"));
        // Cancelled with currencies set: 增加 stays the default button, the focus is on the list.
        QVERIFY(dialog.isVisible());
        QVERIFY(dialog.addButton()->isDefault());
        QVERIFY(dialog.addButton()->isEnabled());
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(dialog.currencyList()));
    }

    void theConfirmButtonIsOfferedOnlyWhileAllThreeFieldsHoldSomething()
    {
        ScriptedPrompt prompt;
        CCurrencyEditDlg dialog(m_db, prompt, CCurrencyEditDlg::Mode::Add);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("请增加、修改、外币币种"));
        QVERIFY(!dialog.confirmButton()->isEnabled());
        // The code takes four digits only, the name no blank and ten bytes.
        QTest::keyClicks(dialog.codeField(), QStringLiteral("12a345"));
        QCOMPARE(dialog.codeField()->text(), QStringLiteral("1234"));
        dialog.nameField()->typeText(QStringLiteral("新 加坡'元币种"));
        QCOMPARE(dialog.nameField()->text(), QStringLiteral("新加坡元币"));
        QVERIFY(!dialog.confirmButton()->isEnabled());
        QTest::keyClicks(dialog.subjectField(), QStringLiteral("6603--1x"));
        QCOMPARE(dialog.subjectField()->text(), QStringLiteral("6603-1"));
        QVERIFY(dialog.confirmButton()->isEnabled());
        dialog.nameField()->clear();
        QVERIFY(!dialog.confirmButton()->isEnabled());
        // A disabled 确认 writes nothing.
        dialog.confirm();
        QCOMPARE(count("SELECT count(*) FROM WBT"), 0);
        QVERIFY(prompt.entries().empty());
    }

    void enterMovesFieldByFieldAndFromTheSubjectToConfirm()
    {
        ScriptedPrompt prompt;
        CCurrencyEditDlg dialog(m_db, prompt, CCurrencyEditDlg::Mode::Add);
        showActive(dialog);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(dialog.codeField()));
        QTest::keyClicks(dialog.codeField(), QStringLiteral("3"));
        QTest::keyClick(dialog.codeField(), Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(dialog.nameField()));
        dialog.nameField()->typeText(QStringLiteral("日元"));
        QTest::keyClick(dialog.nameField(), Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(dialog.subjectField()));
        // Nothing to confirm yet: back to the empty field.
        QTest::keyClick(dialog.subjectField(), Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(dialog.subjectField()));
        QTest::keyClicks(dialog.subjectField(), QStringLiteral("6603"));
        QTest::keyClick(dialog.subjectField(), Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(dialog.confirmButton()));
        QVERIFY(dialog.confirmButton()->isDefault());
        QVERIFY(dialog.isVisible());
        QCOMPARE(count("SELECT count(*) FROM WBT"), 0);
        // Enter on 确认: the checks; 6603 has children, so the focus goes back to the subject.
        QTest::keyClick(dialog.confirmButton(), Qt::Key_Return);
        QCOMPARE(texts(prompt), QStringList{QStringLiteral("汇兑损益科目不存在或非最低明细科目，请重输！")});
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(dialog.subjectField()));
        QCOMPARE(dialog.subjectField()->selectedText(), QStringLiteral("6603"));
        QVERIFY(dialog.isVisible());
    }

    void enterModifiesTheSelectedCurrencyAndTheChangedLineIsSelected()
    {
        addCurrencyRow("1", "美元");
        addCurrencyRow("3", "日元");
        m_db.execute("INSERT INTO WBR(WNO,T,MY1,MY2) VALUES('3','20260105',100,4.6)");
        ScriptedPrompt prompt;
        CCurrencyDirectoryDlg dialog(m_db, prompt);
        dialog.activateList();
        QStringList shown;
        dialog.runEditDialog = [&](CCurrencyEditDlg& edit) {
            shown << edit.codeField()->text() << edit.nameField()->text() << edit.subjectField()->text();
            return fillAndConfirm(edit, QStringLiteral("5"), QStringLiteral("日圆"), QStringLiteral("6603-1"));
        };
        dialog.currencyList()->setCurrentRow(1);
        QTest::keyClick(dialog.currencyList(), Qt::Key_Return);
        QCOMPARE(shown, (QStringList{"3", "日元", "6603-1"}));
        QCOMPARE(dialog.selectedCode(), QStringLiteral("5"));
        QCOMPARE(listLines(dialog.currencyList()),
                 (QStringList{"1       美元            6603-1", "5       日圆            6603-1"}));
        QCOMPARE(count("SELECT count(*) FROM WBR WHERE WNO='5'"), 1);
        QVERIFY(prompt.entries().empty());

        // A double-click on a line opens it as well.
        shown.clear();
        dialog.runEditDialog = [&](CCurrencyEditDlg& edit) {
            shown << edit.codeField()->text();
            return int(QDialog::Rejected);
        };
        showActive(dialog);
        QListWidget* list = dialog.currencyList();
        const QPoint first = list->visualItemRect(list->item(0)).center();
        // The view takes a double-click only after a click on the same place.
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, first);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, first);
        QCOMPARE(shown, QStringList{"1"});
    }

    void deleteRefusesAReferencedCurrencyAsksForRatesAndClosesWhenEmpty()
    {
        addCurrencyRow("1", "美元");
        addCurrencyRow("2", "港币");
        m_db.execute("INSERT INTO WBR(WNO,T,MY1,MY2) VALUES('1','20260105',1,6.8)");
        SubjectInput account;
        account.segment = "2";
        account.name = "港币户";
        account.kind = 2;
        account.unit = "2";
        QVERIFY(addSubject(m_db, "1002", account).ok);

        ScriptedPrompt prompt;
        CCurrencyDirectoryDlg dialog(m_db, prompt);
        showActive(dialog);
        dialog.activateList();
        QListWidget* list = dialog.currencyList();

        list->setCurrentRow(1);
        QTest::keyClick(list, Qt::Key_Delete);
        QCOMPARE(texts(prompt), QStringList{QStringLiteral("代码为“2”的外币币种已被引用，不能删除！")});
        QCOMPARE(list->count(), 2);

        prompt.clear();
        list->setCurrentRow(0);
        prompt.queueAnswer(Answer::No);
        QTest::keyClick(list, Qt::Key_Delete);
        QCOMPARE(texts(prompt), QStringList{QStringLiteral("代码为“1”的外币已设置汇率，决定删除吗？")});
        QCOMPARE(prompt.entries().front().icon, Icon::Question);
        QCOMPARE(list->count(), 2);
        prompt.queueAnswer(Answer::Yes);
        QTest::keyClick(list, Qt::Key_Delete);
        QCOMPARE(listLines(list), QStringList{"2       港币            6603-1"});
        QCOMPARE(count("SELECT count(*) FROM WBR"), 0);
        QCOMPARE(dialog.selectedCode(), QStringLiteral("2"));

        // Nothing selected.
        prompt.clear();
        list->setCurrentRow(-1);
        QTest::keyClick(list, Qt::Key_Delete);
        QCOMPARE(texts(prompt), QStringList{QStringLiteral("对不起，没有选择删除对象!")});

        // The last currency gone: the directory closes.
        m_db.execute("DELETE FROM SUBT WHERE KNO='1002-2'");
        list->setCurrentRow(0);
        QTest::keyClick(list, Qt::Key_Delete);
        QCOMPARE(count("SELECT count(*) FROM WBT"), 0);
        QVERIFY(!dialog.isVisible());
    }
};

QTEST_MAIN(CurrencyDialogsTest)
#include "currency_dialogs_test.moc"
