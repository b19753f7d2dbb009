// The subject query dialog (科目查询): a level's lines and count, the name condition and clearing
// it, going down and up, a typed code finding its line, and the lookup's chosen code.
#include "accountset/year_file.h"
#include "chart/subjects.h"
#include "chart/ui/subject_query_dialog.h"
#include "common/prompt.h"
#include "formview/ui/spec_edit.h"
#include "store/database.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace kszw;

namespace {

// Types text key by key; characters outside ASCII arrive as key events with their text, as an
// input method delivers them.
void typeKeys(QWidget* widget, const QString& text)
{
    for (QChar c : text) {
        if (c.unicode() < 0x80)
            QTest::keyClicks(widget, QString(c));
        else
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

QStringList listLines(const QListWidget* list)
{
    QStringList lines;
    for (int i = 0; i < list->count(); ++i)
        lines << list->item(i)->text();
    return lines;
}

} // namespace

class SubjectQueryDialogTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    Database m_db;

    Database makeYear(const QString& name)
    {
        const std::string path = (m_dir->path() + QLatin1Char('/') + name).toStdString();
        createYearFile(path, 2026);
        return Database::open(path);
    }

private slots:
    void initTestCase()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_db = makeYear(QStringLiteral("2026.ksk"));
        const std::pair<const char*, const char*> chart[] = {
            {"1001", "库存现金"},   {"1002", "银行存款"},   {"1002-1", "工商银行"},
            {"1002-2", "建设银行"}, {"1122", "应收账款"},   {"1122-1", "华光机械厂"},
            {"1122-2", "东方商贸"}, {"1122-10", "南方建材"}, {"2202", "应付账款"},
        };
        for (const auto& [code, name] : chart) {
            const std::string full = code;
            const size_t dash = full.rfind('-');
            SubjectInput input;
            input.segment = dash == std::string::npos ? full : full.substr(dash + 1);
            input.name = name;
            const SubjectResult result = addSubject(m_db, dash == std::string::npos ? "" : full.substr(0, dash), input);
            QVERIFY2(result.ok, result.message.c_str());
        }
    }

    void cleanupTestCase()
    {
        m_db.close();
        m_dir.reset();
    }

    void aLevelShowsFixedWidthLinesAndItsCount()
    {
        ScriptedPrompt prompt;
        CSubjectQueryDlg dialog(m_db, prompt, false);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("科目查询"));
        QCOMPARE(listLines(dialog.subjectList()),
                 (QStringList{"1001              库存现金", "1002              银行存款", "1122              应收账款",
                              "2202              应付账款"}));
        QCOMPARE(dialog.countLabel()->text(), QStringLiteral("本级有科目4个"));
        QCOMPARE(dialog.codeField()->text(), QStringLiteral("1001"));
        // Browsing has nothing to choose.
        QVERIFY(!dialog.chooseButton());
    }

    void theConditionKeepsTheNamesThatContainItAndIsCleared()
    {
        ScriptedPrompt prompt;
        CSubjectQueryDlg dialog(m_db, prompt, false);
        typeKeys(dialog.conditionField(), QStringLiteral("账款"));
        QTest::keyClick(dialog.conditionField(), Qt::Key_Return);
        QCOMPARE(listLines(dialog.subjectList()),
                 (QStringList{"1122              应收账款", "2202              应付账款"}));
        QCOMPARE(dialog.countLabel()->text(), QStringLiteral("本级有科目2个"));

        // Nothing found: the message, and the list stays as it was.
        dialog.conditionField()->setText(QStringLiteral("费用"));
        dialog.applyCondition();
        QCOMPARE(QString::fromStdString(prompt.last()), QStringLiteral("没有满足条件的科目(帐户)!"));
        QCOMPARE(dialog.subjectList()->count(), 2);

        dialog.clearButton()->click();
        QVERIFY(dialog.conditionField()->text().isEmpty());
        QCOMPARE(dialog.subjectList()->count(), 4);
        QCOMPARE(dialog.countLabel()->text(), QStringLiteral("本级有科目4个"));
        QCOMPARE(prompt.entries().size(), size_t(1));
    }

    void theConditionHoldsOnTheLevelBelow()
    {
        ScriptedPrompt prompt;
        CSubjectQueryDlg dialog(m_db, prompt, false);
        dialog.showCode(QStringLiteral("1122-1"));
        dialog.conditionField()->setText(QStringLiteral("方"));
        dialog.applyCondition();
        QCOMPARE(listLines(dialog.subjectList()),
                 (QStringList{"1122-2            东方商贸", "1122-10           南方建材"}));
        QCOMPARE(dialog.countLabel()->text(), QStringLiteral("本级有科目2个"));
    }

    void goingDownAndBackUp()
    {
        ScriptedPrompt prompt;
        CSubjectQueryDlg dialog(m_db, prompt, false);
        dialog.subjectList()->setCurrentRow(0); // 1001 has no children
        QVERIFY(!dialog.enterButton()->isEnabled());
        QVERIFY(!dialog.upButton()->isEnabled());
        dialog.subjectList()->setCurrentRow(2); // 1122
        QVERIFY(dialog.enterButton()->isEnabled());
        dialog.enterButton()->click();
        QCOMPARE(dialog.levelCode(), QStringLiteral("1122"));
        QCOMPARE(listLines(dialog.subjectList()),
                 (QStringList{"1122-1            华光机械厂", "1122-2            东方商贸", "1122-10           南方建材"}));
        QCOMPARE(dialog.countLabel()->text(), QStringLiteral("本级有科目3个"));
        QTest::keyClick(dialog.subjectList(), Qt::Key_Left);
        QCOMPARE(dialog.levelCode(), QString());
        QCOMPARE(dialog.selectedCode(), QStringLiteral("1122"));
        QTest::keyClick(dialog.subjectList(), Qt::Key_Right);
        QCOMPARE(dialog.levelCode(), QStringLiteral("1122"));
        QVERIFY(prompt.entries().empty());
    }

    void aTypedCodeFindsItsLine()
    {
        ScriptedPrompt prompt;
        CSubjectQueryDlg dialog(m_db, prompt, false);
        // The code box shows the selected code; typing over it replaces it.
        QCOMPARE(dialog.codeField()->text(), QStringLiteral("1001"));
        dialog.codeField()->selectAll();
        QTest::keyClicks(dialog.codeField(), QStringLiteral("1122-"));
        QCOMPARE(dialog.levelCode(), QStringLiteral("1122"));
        QCOMPARE(dialog.selectedCode(), QStringLiteral("1122-1"));
        QTest::keyClicks(dialog.codeField(), QStringLiteral("3"));
        // 1122-3 is not there: the line where it would stand.
        QCOMPARE(dialog.selectedCode(), QStringLiteral("1122-10"));
        QCOMPARE(dialog.codeField()->text(), QStringLiteral("1122-3"));
        dialog.codeField()->clear();
        // Codes compare as numbers: 2000 stands after 1122.
        QTest::keyClicks(dialog.codeField(), QStringLiteral("2000"));
        QCOMPARE(dialog.levelCode(), QString());
        QCOMPARE(dialog.selectedCode(), QStringLiteral("2202"));
    }

    void aLookupReturnsTheChosenCode()
    {
        ScriptedPrompt prompt;
        CSubjectQueryDlg dialog(m_db, prompt, true);
        dialog.showCode(QStringLiteral("1002-2"));
        QCOMPARE(dialog.levelCode(), QStringLiteral("1002"));
        QCOMPARE(dialog.codeField()->text(), QStringLiteral("1002-2"));
        QVERIFY(dialog.chosenCode().isEmpty());
        QTest::keyClick(dialog.subjectList(), Qt::Key_Return);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.chosenCode(), QStringLiteral("1002-2"));

        CSubjectQueryDlg byButton(m_db, prompt, true);
        byButton.showCode(QStringLiteral("2202"));
        byButton.chooseButton()->click();
        QCOMPARE(byButton.chosenCode(), QStringLiteral("2202"));
        QVERIFY(prompt.entries().empty());
    }

    void aYearWithoutSubjectsIsToldSo()
    {
        Database empty = makeYear(QStringLiteral("2027.ksk"));
        ScriptedPrompt prompt;
        QVERIFY(!CSubjectQueryDlg::checkHasSubjects(empty, prompt));
        QCOMPARE(QString::fromStdString(prompt.last()), QStringLiteral("本年度尚未设置科目(帐户)"));
        QCOMPARE(CSubjectQueryDlg::lookUpSubject(empty, prompt, QStringLiteral("1001")), std::nullopt);
        QCOMPARE(prompt.entries().size(), size_t(2));
        QVERIFY(CSubjectQueryDlg::checkHasSubjects(m_db, prompt));
    }
};

QTEST_MAIN(SubjectQueryDialogTest)
#include "subject_query_dialog_test.moc"
