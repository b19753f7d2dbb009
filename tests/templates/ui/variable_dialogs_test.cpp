// The template variable dialogs: the list of a new year file's variables, the name rule and the
// empty expression refused in the edit dialog with the focus on the field, and the list's changes
// reaching KSVAR only on 确认 (add, modify, delete, kinds), never on 取消 or after a failed write.
#include "accountset/year_file.h"
#include "common/prompt.h"
#include "formview/ui/spec_edit.h"
#include "store/database.h"
#include "store/ks_dbset.h"
#include "templates/template_variables.h"
#include "templates/ui/variable_dialogs.h"

#include <QComboBox>
#include <QHeaderView>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

#include <functional>
#include <memory>

using namespace kszw;

namespace {

const QString kRule = QStringLiteral("变量名必须是以“#”开始且由“数字、字母”构\r\r成的非空字符串！“#”必须在第一位。");
const QString kUsed = QStringLiteral("该变量名已被使用！");
const QString kEmptyExpression = QStringLiteral("变量值不能为空，请重输！");

// Each line of the list as "name|formula|type|note".
QStringList listLines(const QTreeWidget* list)
{
    QStringList lines;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = list->topLevelItem(i);
        lines << QStringList{item->text(0), item->text(1), item->text(2), item->text(3)}.join(QLatin1Char('|'));
    }
    return lines;
}

QStringList rowLines(const std::vector<VariableRow>& rows)
{
    QStringList lines;
    for (const VariableRow& row : rows)
        lines << QStringList{QString::fromStdString(row.name), QString::fromStdString(row.expression),
                             QString::fromStdString(std::string(variableTypeName(row.type))),
                             QString::fromStdString(row.note)}
                     .join(QLatin1Char('|'));
    return lines;
}

const QStringList kDefaultLines = {"#z|zw()|字符|当前帐务数据文件名", "#n|pzt(0)|数值|凭证年", "#y|pzt(1)|数值|凭证月"};

QString lastMessage(const ScriptedPrompt& prompt)
{
    return QString::fromStdString(prompt.last());
}

// Fills the edit dialog as a person would (the name typed key by key, so its field's checks
// apply) and presses 确认.
void fillAndConfirm(CVariableEditDlg& dialog, const QString& name, const QString& expression, int typeIndex,
                    const QString& note)
{
    dialog.nameEdit()->selectAll();
    QTest::keyClick(dialog.nameEdit(), Qt::Key_Delete);
    QTest::keyClicks(dialog.nameEdit(), name);
    dialog.expressionEdit()->clear();
    dialog.expressionEdit()->typeText(expression);
    dialog.typeCombo()->setCurrentIndex(typeIndex);
    dialog.noteEdit()->clear();
    dialog.noteEdit()->typeText(note);
    QTest::mouseClick(dialog.confirmButton(), Qt::LeftButton);
}

std::function<int(CVariableEditDlg&)> typeAndConfirm(const QString& name, const QString& expression, int typeIndex,
                                                    const QString& note)
{
    return [=](CVariableEditDlg& dialog) {
        fillAndConfirm(dialog, name, expression, typeIndex, note);
        return dialog.result();
    };
}

} // namespace

class VariableDialogsTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    Database m_db;

    QStringList stored() { return rowLines(loadVariables(m_db)); }

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

    void theListShowsTheDefaultVariablesWithTheirKinds()
    {
        ScriptedPrompt prompt;
        CVariableTableDlg dialog(m_db, prompt);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("变量的增加、修改及删除"));
        const QTreeWidgetItem* header = dialog.variableList()->headerItem();
        QCOMPARE((QStringList{header->text(0), header->text(1), header->text(2), header->text(3)}),
                 (QStringList{"变量名", "公式", "类型", "说明"}));
        QCOMPARE(listLines(dialog.variableList()), kDefaultLines);
        QCOMPARE(dialog.addButton()->text(), QStringLiteral("&A.新增"));
        QCOMPARE(dialog.confirmButton()->text(), QStringLiteral("&S.确认"));
        QCOMPARE(dialog.cancelButton()->text(), QStringLiteral("&X. 取消"));
        QCOMPARE(dialog.variableList()->currentItem()->text(0), QStringLiteral("#z"));
        QVERIFY(!dialog.isModified());
    }

    void theNameIsCheckedAgainstTheRuleAndTheOtherVariables_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("message");
        QTest::newRow("no hash") << "y1" << "y1" << kRule;
        QTest::newRow("hash alone") << "#" << "#" << kRule;
        QTest::newRow("empty") << "" << "" << kRule;
        QTest::newRow("hash not first") << "a#1" << "a#1" << kRule;
        QTest::newRow("second hash") << "#a#" << "#a#" << kRule;
        QTest::newRow("used") << "#y" << "#y" << kUsed;
        // Blanks and signs never reach the field.
        QTest::newRow("other characters dropped") << "#y 1-+_" << "#y1" << QString();
        QTest::newRow("hash and digits") << "#y1" << "#y1" << QString();
        QTest::newRow("upper case differs") << "#Y" << "#Y" << QString();
    }

    void theNameIsCheckedAgainstTheRuleAndTheOtherVariables()
    {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(QString, message);
        ScriptedPrompt prompt;
        CVariableEditDlg dialog(prompt, loadVariables(m_db), std::nullopt);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("新增公式"));
        QTest::keyClicks(dialog.nameEdit(), typed);
        QCOMPARE(dialog.nameEdit()->text(), shown);
        dialog.expressionEdit()->typeText(QStringLiteral("pzt(1)+1"));
        dialog.noteEdit()->setFocus();
        QTest::mouseClick(dialog.confirmButton(), Qt::LeftButton);
        if (message.isEmpty()) {
            QVERIFY2(prompt.entries().empty(), prompt.last().c_str());
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
            QCOMPARE(QString::fromStdString(dialog.row().name), shown);
            QCOMPARE(dialog.row().expression, std::string("pzt(1)+1"));
        } else {
            QCOMPARE(lastMessage(prompt), message);
            QCOMPARE(prompt.entries().back().icon, Icon::Exclamation);
            QCOMPARE(prompt.entries().back().caption, std::string("岚屿穗软件"));
            QVERIFY(dialog.isVisible());
            QCOMPARE(dialog.focusWidget(), static_cast<QWidget*>(dialog.nameEdit()));
            QCOMPARE(dialog.nameEdit()->selectedText(), shown);
            dialog.reject();
        }
    }

    void theFieldsStopAtTheirTableWidths()
    {
        ScriptedPrompt prompt;
        CVariableEditDlg dialog(prompt, {}, std::nullopt);
        dialog.nameEdit()->typeText(QStringLiteral("#汉a"));
        QCOMPARE(dialog.nameEdit()->text(), QStringLiteral("#a"));
        QTest::keyClicks(dialog.nameEdit(), QStringLiteral("bcdefghijkl"));
        QCOMPARE(dialog.nameEdit()->text(), QStringLiteral("#abcdefghi"));
        // 200 bytes of expression: the 201st is refused, quotes are taken.
        const QString expression = QStringLiteral("jf(\"1602\",#y)") + QString(187, QLatin1Char('1'));
        dialog.expressionEdit()->typeText(expression + QStringLiteral("9"));
        QCOMPARE(dialog.expressionEdit()->text(), expression);
        // 60 bytes of note: thirty Chinese characters.
        dialog.noteEdit()->typeText(QString(31, QChar(0x6298)));
        QCOMPARE(dialog.noteEdit()->text(), QString(30, QChar(0x6298)));
    }

    void anEmptyExpressionIsRefusedWithTheFocusOnIt()
    {
        ScriptedPrompt prompt;
        CVariableEditDlg dialog(prompt, loadVariables(m_db), std::nullopt);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTest::keyClicks(dialog.nameEdit(), QStringLiteral("#a"));
        dialog.expressionEdit()->typeText(QStringLiteral("   "));
        QTest::keyClick(dialog.nameEdit(), Qt::Key_Return);
        QCOMPARE(lastMessage(prompt), kEmptyExpression);
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.focusWidget(), static_cast<QWidget*>(dialog.expressionEdit()));
        // The name is checked first.
        dialog.nameEdit()->clear();
        QTest::mouseClick(dialog.confirmButton(), Qt::LeftButton);
        QCOMPARE(lastMessage(prompt), kRule);
        QCOMPARE(dialog.focusWidget(), static_cast<QWidget*>(dialog.nameEdit()));
        dialog.reject();
    }

    void modifyingAVariableShowsItAndMayKeepItsName()
    {
        ScriptedPrompt prompt;
        CVariableEditDlg dialog(prompt, loadVariables(m_db), 2);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("修改公式"));
        QCOMPARE(dialog.nameEdit()->text(), QStringLiteral("#y"));
        QCOMPARE(dialog.expressionEdit()->text(), QStringLiteral("pzt(1)"));
        QCOMPARE(dialog.typeCombo()->currentText(), QStringLiteral("数值"));
        QCOMPARE(dialog.noteEdit()->text(), QStringLiteral("凭证月"));
        QCOMPARE(dialog.focusWidget(), static_cast<QWidget*>(dialog.nameEdit()));
        QTest::mouseClick(dialog.confirmButton(), Qt::LeftButton);
        QVERIFY2(prompt.entries().empty(), prompt.last().c_str());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(rowLines({dialog.row()}), QStringList{"#y|pzt(1)|数值|凭证月"});

        // Taking another variable's name is refused.
        CVariableEditDlg other(prompt, loadVariables(m_db), 2);
        other.nameEdit()->selectAll();
        QTest::keyClicks(other.nameEdit(), QStringLiteral("#n"));
        QTest::mouseClick(other.confirmButton(), Qt::LeftButton);
        QCOMPARE(lastMessage(prompt), kUsed);
        QCOMPARE(other.result(), int(QDialog::Rejected));
    }

    void theKindsAreOfferedInTheirOrder()
    {
        ScriptedPrompt prompt;
        CVariableEditDlg dialog(prompt, {}, std::nullopt);
        QCOMPARE(dialog.typeCombo()->count(), 3);
        QCOMPARE((QStringList{dialog.typeCombo()->itemText(0), dialog.typeCombo()->itemText(1),
                              dialog.typeCombo()->itemText(2)}),
                 (QStringList{"字符", "数值", "自动"}));
        // A new variable starts as 自动.
        QCOMPARE(dialog.typeCombo()->currentText(), QStringLiteral("自动"));
    }

    void anAddedVariableReachesTheTableOnlyOnConfirm()
    {
        ScriptedPrompt prompt;
        CVariableTableDlg dialog(m_db, prompt);
        QString title;
        dialog.runEditDialog = [&](CVariableEditDlg& edit) {
            title = edit.windowTitle();
            return typeAndConfirm("#zj", "  jf(\"1602\",#y)  ", 1, "本月折旧")(edit);
        };
        QTest::mouseClick(dialog.addButton(), Qt::LeftButton);
        QCOMPARE(title, QStringLiteral("新增公式"));
        QCOMPARE(listLines(dialog.variableList()), kDefaultLines + QStringList{"#zj|jf(\"1602\",#y)|数值|本月折旧"});
        QCOMPARE(dialog.variableList()->currentItem()->text(0), QStringLiteral("#zj"));
        QVERIFY(dialog.isModified());
        QCOMPARE(stored(), kDefaultLines);

        QTest::mouseClick(dialog.confirmButton(), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(prompt.entries().empty());
        QCOMPARE(stored(), kDefaultLines + QStringList{"#zj|jf(\"1602\",#y)|数值|本月折旧"});
    }

    void aNameTakenByAnAddedVariableIsRefusedInTheSameSession()
    {
        ScriptedPrompt prompt;
        CVariableTableDlg dialog(m_db, prompt);
        dialog.runEditDialog = typeAndConfirm("#a", "1", 2, "");
        dialog.addNew();
        int result = -1;
        dialog.runEditDialog = [&](CVariableEditDlg& edit) {
            fillAndConfirm(edit, "#a", "2", 2, "");
            result = edit.result();
            return result;
        };
        dialog.addNew();
        QCOMPARE(lastMessage(prompt), kUsed);
        QCOMPARE(result, int(QDialog::Rejected));
        QCOMPARE(dialog.rows().size(), size_t(4));
    }

    void cancelWritesNothingAndAsksOnlyWhenTheListChanged()
    {
        ScriptedPrompt prompt;
        {
            CVariableTableDlg dialog(m_db, prompt);
            dialog.show();
            QTest::keyClick(dialog.variableList(), Qt::Key_Escape);
            QCOMPARE(dialog.result(), int(QDialog::Rejected));
            QVERIFY(!dialog.isVisible());
            QVERIFY(prompt.entries().empty());
        }
        CVariableTableDlg dialog(m_db, prompt);
        dialog.show();
        dialog.runEditDialog = typeAndConfirm("#a", "pzt(0)*100", 1, "");
        dialog.addNew();
        // No: the dialog stays with the added variable.
        prompt.queueAnswer(Answer::No);
        QTest::mouseClick(dialog.cancelButton(), Qt::LeftButton);
        QCOMPARE(lastMessage(prompt), QStringLiteral("放弃对变量表所做的修改吗？"));
        QCOMPARE(prompt.entries().back().icon, Icon::Question);
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.variableList()->topLevelItemCount(), 4);
        // Yes: it closes and the file keeps its variables.
        prompt.queueAnswer(Answer::Yes);
        QTest::keyClick(dialog.variableList(), Qt::Key_Escape);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(prompt.texts().size(), size_t(2));
        QCOMPARE(stored(), kDefaultLines);
    }

    void deleteRemovesTheSelectedVariableAfterAsking()
    {
        ScriptedPrompt prompt;
        CVariableTableDlg dialog(m_db, prompt);
        dialog.show();
        dialog.variableList()->setCurrentItem(dialog.variableList()->topLevelItem(1));
        prompt.queueAnswer(Answer::No);
        QTest::keyClick(dialog.variableList(), Qt::Key_Delete);
        QCOMPARE(lastMessage(prompt), QStringLiteral("删除变量“#n”吗？"));
        QCOMPARE(listLines(dialog.variableList()), kDefaultLines);
        QVERIFY(!dialog.isModified());

        prompt.queueAnswer(Answer::Yes);
        QTest::keyClick(dialog.variableList(), Qt::Key_Delete);
        QCOMPARE(listLines(dialog.variableList()), (QStringList{kDefaultLines[0], kDefaultLines[2]}));
        // The variable that took its place is selected.
        QCOMPARE(dialog.variableList()->currentItem()->text(0), QStringLiteral("#y"));
        QCOMPARE(stored(), kDefaultLines);

        QTest::mouseClick(dialog.confirmButton(), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(stored(), (QStringList{kDefaultLines[0], kDefaultLines[2]}));
    }

    void deletingEveryVariableLeavesAnEmptyTable()
    {
        ScriptedPrompt prompt;
        CVariableTableDlg dialog(m_db, prompt);
        dialog.show();
        for (int i = 0; i < 3; ++i) {
            prompt.queueAnswer(Answer::Yes);
            QTest::keyClick(dialog.variableList(), Qt::Key_Delete);
        }
        QCOMPARE(dialog.variableList()->topLevelItemCount(), 0);
        // Nothing left to delete or modify: no question, no dialog.
        int editsOpened = 0;
        dialog.runEditDialog = [&](CVariableEditDlg&) { ++editsOpened; return int(QDialog::Rejected); };
        QTest::keyClick(dialog.variableList(), Qt::Key_Delete);
        QTest::keyClick(dialog.variableList(), Qt::Key_Return);
        QCOMPARE(editsOpened, 0);
        QCOMPARE(prompt.texts().size(), size_t(3));
        dialog.confirm();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(stored().isEmpty());
    }

    void enterAndDoubleClickModifyTheSelectedVariable()
    {
        ScriptedPrompt prompt;
        CVariableTableDlg dialog(m_db, prompt);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QStringList shown;
        dialog.runEditDialog = [&](CVariableEditDlg& edit) {
            shown << edit.windowTitle() + ":" + edit.nameEdit()->text();
            return typeAndConfirm("#y", "pzt(1)-1", 1, "上月")(edit);
        };
        dialog.variableList()->setCurrentItem(dialog.variableList()->topLevelItem(2));
        QTest::keyClick(dialog.variableList(), Qt::Key_Return);
        QCOMPARE(shown, QStringList{"修改公式:#y"});
        QCOMPARE(listLines(dialog.variableList()).at(2), QStringLiteral("#y|pzt(1)-1|数值|上月"));
        QCOMPARE(dialog.variableList()->currentItem()->text(0), QStringLiteral("#y"));

        dialog.runEditDialog = [&](CVariableEditDlg& edit) {
            shown << edit.windowTitle() + ":" + edit.nameEdit()->text();
            return typeAndConfirm("#year", "pzt(0)", 2, "")(edit);
        };
        QTreeWidget* list = dialog.variableList();
        const QPoint centre = list->visualItemRect(list->topLevelItem(1)).center();
        // A double-click: the first press selects, the second opens.
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, centre);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, centre);
        QCOMPARE(shown.last(), QStringLiteral("修改公式:#n"));
        QCOMPARE(listLines(list).at(1), QStringLiteral("#year|pzt(0)|自动|"));

        // Alt+S is 确认 (the button shows its press before it acts).
        QTest::keyClick(list, Qt::Key_S, Qt::AltModifier);
        QTRY_VERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(stored(), (QStringList{kDefaultLines[0], "#year|pzt(0)|自动|", "#y|pzt(1)-1|数值|上月"}));
    }

    void aModificationLeftUnchangedIsNoChange()
    {
        ScriptedPrompt prompt;
        CVariableTableDlg dialog(m_db, prompt);
        dialog.runEditDialog = [](CVariableEditDlg& edit) {
            QTest::mouseClick(edit.confirmButton(), Qt::LeftButton);
            return edit.result();
        };
        dialog.modifySelected();
        QVERIFY(!dialog.isModified());
        dialog.runEditDialog = [](CVariableEditDlg& edit) {
            edit.typeCombo()->setCurrentIndex(0);
            edit.reject();
            return edit.result();
        };
        dialog.modifySelected();
        QVERIFY(!dialog.isModified());
        QCOMPARE(listLines(dialog.variableList()), kDefaultLines);
    }

    void everyKindIsStoredAndShownAgain_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("ntype");
        QTest::addColumn<QString>("name");
        QTest::newRow("字符") << 0 << 0 << "字符";
        QTest::newRow("数值") << 1 << 1 << "数值";
        QTest::newRow("自动") << 2 << 2 << "自动";
    }

    void everyKindIsStoredAndShownAgain()
    {
        QFETCH(int, index);
        QFETCH(int, ntype);
        QFETCH(QString, name);
        ScriptedPrompt prompt;
        {
            CVariableTableDlg dialog(m_db, prompt);
            dialog.runEditDialog = typeAndConfirm("#k", "1", index, "");
            dialog.addNew();
            dialog.confirm();
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
        }
        KS_Dbset set(m_db);
        set.open("SELECT NTYPE FROM KSVAR WHERE SVAR = '#k'");
        QVERIFY(!set.isEOF());
        QCOMPARE(static_cast<int>(set.doubleAt(0)), ntype);

        CVariableTableDlg again(m_db, prompt);
        QCOMPARE(again.variableList()->topLevelItem(3)->text(2), name);
        again.variableList()->setCurrentItem(again.variableList()->topLevelItem(3));
        int seen = 0;
        again.runEditDialog = [&](CVariableEditDlg& edit) {
            seen = edit.typeCombo()->currentIndex();
            edit.reject();
            return edit.result();
        };
        again.modifySelected();
        QCOMPARE(seen, index);
        QVERIFY(prompt.entries().empty());
    }

    void aFailedWriteIsToldAndTheDialogStaysOpen()
    {
        ScriptedPrompt prompt;
        CVariableTableDlg dialog(m_db, prompt);
        dialog.show();
        dialog.runEditDialog = typeAndConfirm("#a", "1", 1, "");
        dialog.addNew();
        m_db.execute("DROP TABLE KSVAR");
        QTest::mouseClick(dialog.confirmButton(), Qt::LeftButton);
        QVERIFY(dialog.isVisible());
        QCOMPARE(prompt.entries().size(), size_t(1));
        QCOMPARE(prompt.entries().back().icon, Icon::Exclamation);
        QVERIFY2(lastMessage(prompt).contains(QStringLiteral("2026.ksk")), prompt.last().c_str());
        QVERIFY(dialog.isModified());
        QCOMPARE(dialog.variableList()->topLevelItemCount(), 4);
        prompt.queueAnswer(Answer::Yes);
        dialog.reject();
        QVERIFY(!dialog.isVisible());
    }

    void openingAFileWithoutTheTableTellsWhy()
    {
        m_db.execute("DROP TABLE KSVAR");
        ScriptedPrompt prompt;
        CVariableTableDlg::openVariables(m_db, prompt, nullptr);
        QCOMPARE(prompt.entries().size(), size_t(1));
        QVERIFY2(lastMessage(prompt).contains(QStringLiteral("2026.ksk")), prompt.last().c_str());
    }
};

QTEST_MAIN(VariableDialogsTest)
#include "variable_dialogs_test.moc"
