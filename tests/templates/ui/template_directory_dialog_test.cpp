// The voucher template directory: its fixed-width lines in number order, the edit dialog's
// refusals (each on its field, the dialog kept open), adding with a proposed number, renumbering
// that takes the template's lines along, and deleting after the question that fits the template.
#include "accountset/year_file.h"
#include "common/prompt.h"
#include "formview/ui/modal_closer.h"
#include "formview/ui/spec_edit.h"
#include "store/database.h"
#include "store/ks_dbset.h"
#include "templates/ui/template_directory_dialog.h"
#include "templates/voucher_templates.h"

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

// An edit dialog run that types into the fields as a person would and presses 确认.
std::function<int(CTemplateEditDlg&)> typeAndConfirm(const QString& number, const QString& name)
{
    return [number, name](CTemplateEditDlg& dialog) {
        dialog.numberEdit()->selectAll();
        QTest::keyClicks(dialog.numberEdit(), number);
        dialog.nameEdit()->clear();
        dialog.nameEdit()->typeText(name);
        QTest::mouseClick(dialog.confirmButton(), Qt::LeftButton);
        return dialog.result();
    };
}

} // namespace

class TemplateDirectoryDialogTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    Database m_db;

    void addEntry(const char* number, const char* name)
    {
        const std::optional<TemplateRefusal> refusal = addTemplate(m_db, number, name);
        QVERIFY2(!refusal, refusal ? refusal->message.c_str() : "");
    }

    void addLine(int templateNumber, int lineNumber)
    {
        m_db.execute("INSERT INTO AUTCER(N,RN,MRY,KNO,F,FML) VALUES(?1,?2,'计提折旧','5101',1,'1000')",
                     {static_cast<std::int64_t>(templateNumber), static_cast<std::int64_t>(lineNumber)});
    }

    // The rows of a query, their columns joined by "|".
    QStringList rows(const std::string& sql)
    {
        QStringList values;
        KS_Dbset set(m_db);
        for (set.open(sql); !set.isEOF(); set.moveNext()) {
            QStringList cells;
            for (int column = 0; column < set.columnCount(); ++column)
                cells << QString::fromStdString(set.textAt(column));
            values << cells.join(QLatin1Char('|'));
        }
        return values;
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        const std::string path = (m_dir->path() + QStringLiteral("/2026.ksk")).toStdString();
        createYearFile(path, 2026);
        m_db = Database::open(path);
    }

    void cleanup()
    {
        m_db.close();
        m_dir.reset();
    }

    void theListShowsTheTemplatesByNumberInFixedWidthLines()
    {
        addEntry("12", "月末结转");
        addEntry("3", "计提折旧");
        ScriptedPrompt prompt;
        CTemplateDirectoryDlg dialog(m_db, prompt);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("分录模板目录定义"));
        QCOMPARE(dialog.headerLabel()->text(), QStringLiteral("序号    凭证分录模板名称"));
        QCOMPARE(listLines(dialog.templateList()), (QStringList{"3       计提折旧", "12      月末结转"}));
        QCOMPARE(currentLine(dialog.templateList()), QStringLiteral("3       计提折旧"));
        QVERIFY(dialog.templateList()->font().fixedPitch());
        QCOMPARE(dialog.addButton()->text(), QStringLiteral("&A.新增"));
        QVERIFY(prompt.entries().empty());
    }

    void theFieldsTakeOnlyWhatTheirSpecificationsAllow()
    {
        ScriptedPrompt prompt;
        CTemplateEditDlg dialog(m_db, prompt, CTemplateEditDlg::Mode::Add);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("增加分录模板目录"));
        // Digits only: no sign, no letter, no decimal point; six of them at most.
        QTest::keyClicks(dialog.numberEdit(), QStringLiteral("-1a2.5"));
        dialog.numberEdit()->typeText(QStringLiteral("。3456789"));
        QCOMPARE(dialog.numberEdit()->text(), QStringLiteral("125345"));
        // No blank, bar, bracket or apostrophe in the name, and at most 40 bytes.
        dialog.nameEdit()->typeText(QStringLiteral("月末 |结转'[]\"一二三四五六七八九十一二三四五六七八九十"));
        QCOMPARE(dialog.nameEdit()->text(), QStringLiteral("月末结转\"一二三四五六七八九十一二三四五"));
    }

    void refusalsWarnAndReturnToTheirField_data()
    {
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("onName");
        QTest::newRow("empty name") << "5" << "" << "模板名称不能为空,请重输！" << true;
        QTest::newRow("empty number") << "" << "工资分配" << "模板序号不能为空或小于1，请重输！" << false;
        QTest::newRow("number 0") << "0" << "工资分配" << "模板序号不能为空或小于1，请重输！" << false;
        QTest::newRow("number taken") << "3" << "工资分配" << "该序号已存在，请重输!" << false;
    }

    void refusalsWarnAndReturnToTheirField()
    {
        QFETCH(QString, number);
        QFETCH(QString, name);
        QFETCH(QString, message);
        QFETCH(bool, onName);
        addEntry("3", "计提折旧");
        ScriptedPrompt prompt;
        CTemplateEditDlg dialog(m_db, prompt, CTemplateEditDlg::Mode::Add, TemplateEntry{4, {}});
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.numberEdit()->clear();
        QTest::keyClicks(dialog.numberEdit(), number);
        dialog.nameEdit()->typeText(name);
        QTest::keyClick(dialog.nameEdit(), Qt::Key_Return);
        QCOMPARE(QString::fromStdString(prompt.last()), message);
        QCOMPARE(prompt.entries().front().icon, Icon::Exclamation);
        QCOMPARE(QString::fromStdString(prompt.entries().front().caption), QStringLiteral("岚屿穗软件"));
        QVERIFY(dialog.isVisible());
        CSpecEdit* field = onName ? dialog.nameEdit() : dialog.numberEdit();
        QCOMPARE(dialog.focusWidget(), static_cast<QWidget*>(field));
        QCOMPARE(field->selectedText(), field->text());
        QCOMPARE(rows("SELECT N,NA FROM AUTDIR"), QStringList{"3|计提折旧"});
        dialog.reject();
    }

    void enterInTheNumberMovesToTheName()
    {
        ScriptedPrompt prompt;
        CTemplateEditDlg dialog(m_db, prompt, CTemplateEditDlg::Mode::Add);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QCOMPARE(dialog.focusWidget(), static_cast<QWidget*>(dialog.numberEdit()));
        QTest::keyClicks(dialog.numberEdit(), QStringLiteral("7"));
        QTest::keyClick(dialog.numberEdit(), Qt::Key_Return);
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.focusWidget(), static_cast<QWidget*>(dialog.nameEdit()));
        QVERIFY(prompt.entries().empty());
        dialog.nameEdit()->typeText(QStringLiteral("工资分配"));
        QTest::keyClick(dialog.nameEdit(), Qt::Key_Return);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.savedNumber(), 7);
        QCOMPARE(rows("SELECT N,NA FROM AUTDIR"), QStringList{"7|工资分配"});
    }

    void addingProposesTheNextNumberAndSelectsTheNewTemplate()
    {
        addEntry("3", "计提折旧");
        addEntry("12", "月末结转");
        ScriptedPrompt prompt;
        CTemplateDirectoryDlg dialog(m_db, prompt);
        QString title;
        QString proposed;
        dialog.runEditDialog = [&](CTemplateEditDlg& edit) {
            title = edit.windowTitle();
            proposed = edit.numberEdit()->text();
            edit.show(); // Enter presses the default button of a dialog on the screen
            edit.nameEdit()->typeText(QStringLiteral("工资分配"));
            QTest::keyClick(edit.nameEdit(), Qt::Key_Return);
            return edit.result();
        };
        QTest::mouseClick(dialog.addButton(), Qt::LeftButton);
        QCOMPARE(title, QStringLiteral("增加分录模板目录"));
        QCOMPARE(proposed, QStringLiteral("13"));
        QCOMPARE(listLines(dialog.templateList()),
                 (QStringList{"3       计提折旧", "12      月末结转", "13      工资分配"}));
        QCOMPARE(currentLine(dialog.templateList()), QStringLiteral("13      工资分配"));
        QCOMPARE(rows("SELECT N,NA FROM AUTDIR ORDER BY N"), (QStringList{"3|计提折旧", "12|月末结转", "13|工资分配"}));
        QVERIFY(prompt.entries().empty());
    }

    void theFirstTemplateIsProposedNumberOne()
    {
        ScriptedPrompt prompt;
        CTemplateDirectoryDlg dialog(m_db, prompt);
        QVERIFY(dialog.addButton()->isDefault());
        QVERIFY(!dialog.modifyButton()->isEnabled());
        QString proposed;
        dialog.runEditDialog = [&](CTemplateEditDlg& edit) {
            proposed = edit.numberEdit()->text();
            return int(QDialog::Rejected);
        };
        QTest::keyClick(dialog.templateList(), Qt::Key_Insert);
        QCOMPARE(proposed, QStringLiteral("1"));
        QVERIFY(listLines(dialog.templateList()).isEmpty());
    }

    void renumberingByEnterTakesTheLinesAlong()
    {
        addEntry("3", "计提折旧");
        addEntry("5", "月末结转");
        addLine(3, 1);
        addLine(3, 2);
        addLine(5, 1);
        ScriptedPrompt prompt;
        CTemplateDirectoryDlg dialog(m_db, prompt);
        QString title;
        QString shownNumber;
        QString shownName;
        dialog.runEditDialog = [&](CTemplateEditDlg& edit) {
            title = edit.windowTitle();
            shownNumber = edit.numberEdit()->text();
            shownName = edit.nameEdit()->text();
            return typeAndConfirm(QStringLiteral("8"), QStringLiteral("折旧计提"))(edit);
        };
        QTest::keyClick(dialog.templateList(), Qt::Key_Return);
        QCOMPARE(title, QStringLiteral("修改分录模板目录"));
        QCOMPARE(shownNumber, QStringLiteral("3"));
        QCOMPARE(shownName, QStringLiteral("计提折旧"));
        QCOMPARE(listLines(dialog.templateList()), (QStringList{"5       月末结转", "8       折旧计提"}));
        QCOMPARE(currentLine(dialog.templateList()), QStringLiteral("8       折旧计提"));
        QCOMPARE(rows("SELECT N,RN FROM AUTCER ORDER BY N,RN"), (QStringList{"5|1", "8|1", "8|2"}));
        QVERIFY(prompt.entries().empty());
    }

    void aRefusedModificationChangesNothing()
    {
        addEntry("3", "计提折旧");
        addEntry("5", "月末结转");
        addLine(3, 1);
        ScriptedPrompt prompt;
        CTemplateDirectoryDlg dialog(m_db, prompt);
        int result = -1;
        dialog.runEditDialog = [&](CTemplateEditDlg& edit) {
            result = typeAndConfirm(QStringLiteral("5"), QStringLiteral("折旧"))(edit);
            return result;
        };
        QTest::keyClick(dialog.templateList(), Qt::Key_Return);
        QCOMPARE(result, int(QDialog::Rejected));
        QCOMPARE(prompt.texts(), std::vector<std::string>{"该序号已存在，请重输!"});
        QCOMPARE(rows("SELECT N,NA FROM AUTDIR ORDER BY N"), (QStringList{"3|计提折旧", "5|月末结转"}));
        QCOMPARE(rows("SELECT N,RN FROM AUTCER"), QStringList{"3|1"});
        QCOMPARE(currentLine(dialog.templateList()), QStringLiteral("3       计提折旧"));
    }

    void aDoubleClickModifiesTheTemplateClicked()
    {
        addEntry("3", "计提折旧");
        addEntry("5", "月末结转");
        ScriptedPrompt prompt;
        CTemplateDirectoryDlg dialog(m_db, prompt);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QString shownNumber;
        dialog.runEditDialog = [&](CTemplateEditDlg& edit) {
            shownNumber = edit.numberEdit()->text();
            return int(QDialog::Rejected);
        };
        QListWidget* list = dialog.templateList();
        const QPoint line = list->visualItemRect(list->item(1)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, line);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, line);
        QCOMPARE(shownNumber, QStringLiteral("5"));
        QCOMPARE(currentLine(list), QStringLiteral("5       月末结转"));
    }

    void deletingATemplateWithLinesAsksTheDefinedQuestion()
    {
        addEntry("3", "计提折旧");
        addEntry("5", "月末结转");
        addEntry("9", "工资分配");
        addLine(5, 1);
        addLine(5, 2);
        addLine(9, 1);
        ScriptedPrompt prompt;
        CTemplateDirectoryDlg dialog(m_db, prompt);
        QListWidget* list = dialog.templateList();
        list->setCurrentRow(1);

        prompt.queueAnswer(Answer::No);
        QTest::keyClick(list, Qt::Key_Delete);
        QCOMPARE(prompt.texts(), std::vector<std::string>{"序号为“5”的分录模板已定义，决定删除吗？"});
        QVERIFY(prompt.entries().front().question);
        QCOMPARE(prompt.entries().front().icon, Icon::Question);
        QCOMPARE(list->count(), 3);
        QCOMPARE(rows("SELECT N,RN FROM AUTCER ORDER BY N,RN"), (QStringList{"5|1", "5|2", "9|1"}));

        prompt.clear();
        prompt.queueAnswer(Answer::Yes);
        QTest::mouseClick(dialog.deleteButton(), Qt::LeftButton);
        QCOMPARE(prompt.texts(), std::vector<std::string>{"序号为“5”的分录模板已定义，决定删除吗？"});
        QCOMPARE(listLines(list), (QStringList{"3       计提折旧", "9       工资分配"}));
        QCOMPARE(currentLine(list), QStringLiteral("9       工资分配"));
        QCOMPARE(rows("SELECT N FROM AUTDIR ORDER BY N"), (QStringList{"3", "9"}));
        QCOMPARE(rows("SELECT N,RN FROM AUTCER"), QStringList{"9|1"});
    }

    void deletingAnEmptyTemplateAsksAPlainConfirmation()
    {
        addEntry("3", "计提折旧");
        ScriptedPrompt prompt;
        CTemplateDirectoryDlg dialog(m_db, prompt);
        prompt.queueAnswer(Answer::No);
        QTest::keyClick(dialog.templateList(), Qt::Key_Delete);
        QCOMPARE(prompt.texts(), std::vector<std::string>{"真的要删除序号为“3”的分录模板吗？"});
        QCOMPARE(rows("SELECT N FROM AUTDIR"), QStringList{"3"});

        prompt.clear();
        prompt.queueAnswer(Answer::Yes);
        QTest::keyClick(dialog.templateList(), Qt::Key_Delete);
        QVERIFY(rows("SELECT N FROM AUTDIR").isEmpty());
        QVERIFY(listLines(dialog.templateList()).isEmpty());
        QVERIFY(dialog.addButton()->isDefault());

        // Nothing left to delete.
        prompt.clear();
        QTest::mouseClick(dialog.deleteButton(), Qt::LeftButton);
        QCOMPARE(prompt.texts(), std::vector<std::string>{"对不起，没有选择删除对象!"});
        QCOMPARE(prompt.entries().front().icon, Icon::Exclamation);
    }

    void theMenuCommandOpensTheDirectoryModally()
    {
        addEntry("3", "计提折旧");
        ScriptedPrompt prompt;
        QStringList shown;
        {
            ModalCloser closer;
            closer.actOn<CTemplateDirectoryDlg>([&](CTemplateDirectoryDlg& directory) {
                shown = listLines(directory.templateList());
            });
            CTemplateDirectoryDlg::openDirectory(m_db, prompt, nullptr);
            QCOMPARE(closer.classNames(), QStringList{"kszw::CTemplateDirectoryDlg"});
        }
        QCOMPARE(shown, QStringList{"3       计提折旧"});
        QVERIFY(prompt.entries().empty());
    }

    void aFileThatCannotBeReadIsToldAndNothingOpens()
    {
        m_db.execute("DROP TABLE AUTCER");
        m_db.execute("DROP TABLE AUTDIR");
        ScriptedPrompt prompt;
        ModalCloser closer;
        CTemplateDirectoryDlg::openDirectory(m_db, prompt, nullptr);
        QVERIFY(closer.seen().empty());
        QCOMPARE(prompt.entries().size(), std::size_t(1));
        QCOMPARE(prompt.entries().front().icon, Icon::Exclamation);
        QVERIFY(!prompt.last().empty());
    }
};

QTEST_MAIN(TemplateDirectoryDialogTest)
#include "template_directory_dialog_test.moc"
