// The template lines: the refusal to open without any template, the grid's captions and rows for
// the chosen template, the line dialog's refusals in their order (each on its field), a new line
// with its proposed number, a modified line replacing the old one, deleting after a question, and
// the subject lookup behind F2.
#include "accountset/year_file.h"
#include "chart/chart_import.h"
#include "common/prompt.h"
#include "formview/ui/modal_closer.h"
#include "formview/ui/spec_edit.h"
#include "store/database.h"
#include "store/ks_dbset.h"
#include "templates/ui/template_lines_dialog.h"
#include "templates/voucher_templates.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>
#include <memory>

using namespace kszw;

namespace {

QStringList columnTitles(const QTableWidget* grid)
{
    QStringList titles;
    for (int column = 0; column < grid->columnCount(); ++column)
        titles << grid->horizontalHeaderItem(column)->text();
    return titles;
}

// Every row of the grid as a person reads it, cells joined by "|".
QStringList gridRows(const QTableWidget* grid)
{
    QStringList rows;
    for (int row = 0; row < grid->rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < grid->columnCount(); ++column)
            cells << grid->item(row, column)->text();
        rows << cells.join(QLatin1Char('|'));
    }
    return rows;
}

QString selectedRow(const QTableWidget* grid)
{
    const int row = grid->currentRow();
    if (row < 0 || grid->selectedItems().isEmpty())
        return QString();
    QStringList cells;
    for (int column = 0; column < grid->columnCount(); ++column)
        cells << grid->item(row, column)->text();
    return cells.join(QLatin1Char('|'));
}

void replaceText(CSpecEdit* field, const QString& text)
{
    field->clear();
    field->typeText(text);
}

} // namespace

class TemplateLinesDialogTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    Database m_db;

    void addEntry(const char* number, const char* name)
    {
        const std::optional<TemplateRefusal> refusal = addTemplate(m_db, number, name);
        QVERIFY2(!refusal, refusal ? refusal->message.c_str() : "");
    }

    void addLine(int templateNumber, const TemplateLine& line)
    {
        const std::optional<LineRefusal> refusal = saveTemplateLine(m_db, templateNumber, line, std::nullopt);
        QVERIFY2(!refusal, refusal ? refusal->message.c_str() : "");
    }

    // Template 3 with a debit and a credit line, template 5 with one line.
    void addDepreciation()
    {
        addEntry("3", "计提折旧");
        addEntry("5", "月末结转");
        addLine(3, TemplateLine{1, "计提折旧", "5101", 1, "1000"});
        addLine(3, TemplateLine{2, "计提折旧", "1602", -1, "1000"});
        addLine(5, TemplateLine{1, "结转费用", "6602-1", -1, "2*50"});
    }

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
        QVERIFY(importSubjects(m_db, "code,name,kind,unit,multi_column,direction,width\n"
                                     "1602,累计折旧,0,,0,0,0\n5101,制造费用,0,,0,0,0\n"
                                     "6602,管理费用,0,,0,0,0\n6602-1,办公费,0,,0,0,0\n")
                    .ok);
    }

    void cleanup()
    {
        m_db.close();
        m_dir.reset();
    }

    void withoutTemplatesTheLinesDoNotOpen()
    {
        ScriptedPrompt prompt;
        ModalCloser closer;
        CTemplateLinesDlg::openLines(m_db, prompt, nullptr);
        QVERIFY(closer.seen().empty());
        QCOMPARE(prompt.texts(), std::vector<std::string>{"本年度尚未定义模板目录!"});
        QCOMPARE(prompt.entries().front().icon, Icon::Exclamation);
        QCOMPARE(QString::fromStdString(prompt.entries().front().caption), QStringLiteral("岚屿穗软件"));
    }

    void theMenuCommandOpensTheLinesModally()
    {
        addDepreciation();
        ScriptedPrompt prompt;
        QStringList shown;
        {
            ModalCloser closer;
            closer.actOn<CTemplateLinesDlg>([&](CTemplateLinesDlg& lines) { shown = gridRows(lines.lineGrid()); });
            CTemplateLinesDlg::openLines(m_db, prompt, nullptr);
            QCOMPARE(closer.classNames(), QStringList{"kszw::CTemplateLinesDlg"});
        }
        QCOMPARE(shown.size(), 2);
        QVERIFY(prompt.entries().empty());
    }

    void theGridShowsTheChosenTemplatesLines()
    {
        addDepreciation();
        addEntry("9", "工资分配");
        ScriptedPrompt prompt;
        CTemplateLinesDlg dialog(m_db, prompt);
        QComboBox* templates = dialog.templateBox();
        QCOMPARE(templates->count(), 3);
        QCOMPARE(templates->itemText(0), QStringLiteral("3       计提折旧"));
        QCOMPARE(templates->itemText(2), QStringLiteral("9       工资分配"));
        QCOMPARE(dialog.currentTemplate(), 3);

        QTableWidget* grid = dialog.lineGrid();
        QCOMPARE(columnTitles(grid), (QStringList{"序号", "摘  要", "科  目", "方向", "公式"}));
        QCOMPARE(gridRows(grid), (QStringList{"1|计提折旧|5101|借|1000", "2|计提折旧|1602|贷|1000"}));
        QCOMPARE(selectedRow(grid), QStringLiteral("1|计提折旧|5101|借|1000"));

        templates->setCurrentIndex(1);
        QCOMPARE(dialog.currentTemplate(), 5);
        QCOMPARE(gridRows(grid), QStringList{"1|结转费用|6602-1|贷|2*50"});

        // A template without lines: an empty grid that says so, and nothing to modify.
        dialog.chooseTemplate(9);
        QCOMPARE(grid->rowCount(), 0);
        QVERIFY(!dialog.modifyButton()->isEnabled());
        bool toldEmpty = false;
        for (const QLabel* label : dialog.findChildren<QLabel*>())
            toldEmpty = toldEmpty || label->text() == QStringLiteral("此模板未定义凭证分录行！");
        QVERIFY(toldEmpty);
        QVERIFY(prompt.entries().empty());
    }

    void lineRefusalsComeInTheirOrderOnTheirFields()
    {
        addDepreciation();
        ScriptedPrompt prompt;
        CTemplateLineDlg dialog(m_db, prompt, CTemplateLineDlg::Mode::Add, 3, TemplateLine{});
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("增加新分录..."));

        // Each step mends the field refused before and presses 确认 again.
        const struct {
            std::function<void()> mend;
            const char* message;
            QWidget* field;
        } steps[] = {
            {[] {}, "分录序号不能小于１，请重输!", dialog.numberEdit()},
            {[&] { replaceText(dialog.numberEdit(), QStringLiteral("2")); }, "取数公式不能为空，请重输!",
             dialog.formulaEdit()},
            {[&] { replaceText(dialog.formulaEdit(), QStringLiteral("zye(\"5101\",1)")); },
             "科目代码不能为空，请重输!", dialog.subjectEdit()},
            {[&] { replaceText(dialog.subjectEdit(), QStringLiteral("6602")); },
             "科目“6602”不是最低明细科目，请重输!", dialog.subjectEdit()},
            {[&] { replaceText(dialog.subjectEdit(), QStringLiteral("6602-1")); }, "摘要不能为空，请重输!",
             dialog.summaryEdit()},
            {[&] { replaceText(dialog.summaryEdit(), QStringLiteral("分摊办公费")); }, "该序号已存在，请重输！",
             dialog.numberEdit()},
        };
        for (const auto& step : steps) {
            prompt.clear();
            step.mend();
            QTest::mouseClick(dialog.confirmButton(), Qt::LeftButton);
            QCOMPARE(prompt.texts(), std::vector<std::string>{step.message});
            QCOMPARE(prompt.entries().front().icon, Icon::Exclamation);
            QVERIFY(dialog.isVisible());
            QCOMPARE(dialog.focusWidget(), step.field);
        }
        QCOMPARE(dialog.numberEdit()->selectedText(), QStringLiteral("2"));
        QCOMPARE(rows("SELECT RN FROM AUTCER WHERE N=3 ORDER BY RN"), (QStringList{"1", "2"}));

        prompt.clear();
        replaceText(dialog.numberEdit(), QStringLiteral("3"));
        QTest::mouseClick(dialog.confirmButton(), Qt::LeftButton);
        QVERIFY(prompt.entries().empty());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.savedNumber(), 3);
        QCOMPARE(rows("SELECT RN,MRY,KNO,F,FML FROM AUTCER WHERE N=3 AND RN=3"),
                 QStringList{"3|分摊办公费|6602-1|1|zye(\"5101\",1)"});
    }

    void theFieldsTakeOnlyWhatTheirSpecificationsAllow()
    {
        addEntry("3", "计提折旧");
        ScriptedPrompt prompt;
        CTemplateLineDlg dialog(m_db, prompt, CTemplateLineDlg::Mode::Add, 3, TemplateLine{});
        QTest::keyClicks(dialog.numberEdit(), QStringLiteral("-1.5x234"));
        QCOMPARE(dialog.numberEdit()->text(), QStringLiteral("1523"));
        dialog.formulaEdit()->typeText(QStringLiteral("zye('5101', 1)|[2]"));
        QCOMPARE(dialog.formulaEdit()->text(), QStringLiteral("zye(5101,1)2"));
        dialog.summaryEdit()->typeText(QString(25, QChar(0x6458)));
        QCOMPARE(dialog.summaryEdit()->text(), QString(20, QChar(0x6458)));
        QCOMPARE(dialog.directionBox()->count(), 2);
        QCOMPARE(dialog.directionBox()->itemText(0), QStringLiteral("借"));
        QCOMPARE(dialog.directionBox()->itemText(1), QStringLiteral("贷"));
    }

    void insertAddsALineWithTheNextNumberAndSelectsIt()
    {
        addDepreciation();
        ScriptedPrompt prompt;
        CTemplateLinesDlg dialog(m_db, prompt);
        QString title;
        QString proposed;
        QString caption;
        dialog.runLineDialog = [&](CTemplateLineDlg& line) {
            title = line.windowTitle();
            proposed = line.numberEdit()->text();
            caption = line.templateLabel()->text();
            // Typed as a person would: Enter moves on field by field and confirms in the formula.
            line.summaryEdit()->typeText(QStringLiteral("计提折旧"));
            QTest::keyClick(line.summaryEdit(), Qt::Key_Return);
            line.subjectEdit()->typeText(QStringLiteral("6602-1"));
            QTest::keyClick(line.subjectEdit(), Qt::Key_Return);
            QTest::keyClick(line.directionBox(), Qt::Key_Down);
            QTest::keyClick(line.directionBox(), Qt::Key_Return);
            line.formulaEdit()->typeText(QStringLiteral("300"));
            QTest::keyClick(line.formulaEdit(), Qt::Key_Return);
            return line.result();
        };
        QTest::keyClick(dialog.lineGrid(), Qt::Key_Insert);
        QCOMPARE(title, QStringLiteral("增加新分录..."));
        QCOMPARE(proposed, QStringLiteral("3"));
        QCOMPARE(caption, QStringLiteral("凭证分录模板：3 计提折旧"));
        QCOMPARE(gridRows(dialog.lineGrid()),
                 (QStringList{"1|计提折旧|5101|借|1000", "2|计提折旧|1602|贷|1000", "3|计提折旧|6602-1|贷|300"}));
        QCOMPARE(selectedRow(dialog.lineGrid()), QStringLiteral("3|计提折旧|6602-1|贷|300"));
        QCOMPARE(rows("SELECT RN,MRY,KNO,F,FML FROM AUTCER WHERE N=3 AND RN=3"),
                 QStringList{"3|计提折旧|6602-1|-1|300"});
        QVERIFY(prompt.entries().empty());
    }

    void aModifiedLineReplacesTheOldOne()
    {
        addDepreciation();
        ScriptedPrompt prompt;
        CTemplateLinesDlg dialog(m_db, prompt);
        dialog.lineGrid()->selectRow(0);
        QStringList shown;
        QString title;
        dialog.runLineDialog = [&](CTemplateLineDlg& line) {
            title = line.windowTitle();
            shown = QStringList{line.numberEdit()->text(), line.summaryEdit()->text(), line.subjectEdit()->text(),
                                line.directionBox()->currentText(), line.formulaEdit()->text()};
            replaceText(line.numberEdit(), QStringLiteral("7"));
            replaceText(line.summaryEdit(), QStringLiteral("计提车间折旧"));
            line.directionBox()->setCurrentIndex(1);
            QTest::mouseClick(line.confirmButton(), Qt::LeftButton);
            return line.result();
        };
        QTest::keyClick(dialog.lineGrid(), Qt::Key_Return);
        QCOMPARE(title, QStringLiteral("修改分录..."));
        QCOMPARE(shown, (QStringList{"1", "计提折旧", "5101", "借", "1000"}));
        QCOMPARE(gridRows(dialog.lineGrid()), (QStringList{"2|计提折旧|1602|贷|1000", "7|计提车间折旧|5101|贷|1000"}));
        QCOMPARE(selectedRow(dialog.lineGrid()), QStringLiteral("7|计提车间折旧|5101|贷|1000"));
        QCOMPARE(rows("SELECT RN,MRY,KNO,F,FML FROM AUTCER WHERE N=3 ORDER BY RN"),
                 (QStringList{"2|计提折旧|1602|-1|1000", "7|计提车间折旧|5101|-1|1000"}));
        // The other template is untouched.
        QCOMPARE(rows("SELECT RN FROM AUTCER WHERE N=5"), QStringList{"1"});
        QVERIFY(prompt.entries().empty());
    }

    void keepingItsOwnNumberIsNoDuplicate()
    {
        addDepreciation();
        ScriptedPrompt prompt;
        CTemplateLinesDlg dialog(m_db, prompt);
        dialog.lineGrid()->selectRow(1);
        int result = -1;
        dialog.runLineDialog = [&](CTemplateLineDlg& line) {
            replaceText(line.formulaEdit(), QStringLiteral("1200"));
            QTest::mouseClick(line.confirmButton(), Qt::LeftButton);
            result = line.result();
            return result;
        };
        QTest::mouseClick(dialog.modifyButton(), Qt::LeftButton);
        QCOMPARE(result, int(QDialog::Accepted));
        QVERIFY(prompt.entries().empty());
        QCOMPARE(rows("SELECT RN,FML FROM AUTCER WHERE N=3 ORDER BY RN"), (QStringList{"1|1000", "2|1200"}));
        QCOMPARE(selectedRow(dialog.lineGrid()), QStringLiteral("2|计提折旧|1602|贷|1200"));
    }

    void aDoubleClickModifiesTheLineClicked()
    {
        addDepreciation();
        ScriptedPrompt prompt;
        CTemplateLinesDlg dialog(m_db, prompt);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QString shownNumber;
        dialog.runLineDialog = [&](CTemplateLineDlg& line) {
            shownNumber = line.numberEdit()->text();
            return int(QDialog::Rejected);
        };
        QTableWidget* grid = dialog.lineGrid();
        const QPoint cell = grid->visualItemRect(grid->item(1, 1)).center();
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell);
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell);
        QCOMPARE(shownNumber, QStringLiteral("2"));
        QCOMPARE(selectedRow(grid), QStringLiteral("2|计提折旧|1602|贷|1000"));
    }

    void deleteAsksAndDeletesOnlyOnYes()
    {
        addDepreciation();
        ScriptedPrompt prompt;
        CTemplateLinesDlg dialog(m_db, prompt);
        QTableWidget* grid = dialog.lineGrid();

        prompt.queueAnswer(Answer::No);
        QTest::keyClick(grid, Qt::Key_Delete);
        QCOMPARE(prompt.texts(), std::vector<std::string>{"真的要删除序号为“1”的分录吗？"});
        QVERIFY(prompt.entries().front().question);
        QCOMPARE(prompt.entries().front().icon, Icon::Question);
        QCOMPARE(grid->rowCount(), 2);
        QCOMPARE(rows("SELECT RN FROM AUTCER WHERE N=3 ORDER BY RN"), (QStringList{"1", "2"}));

        prompt.clear();
        prompt.queueAnswer(Answer::Yes);
        QTest::mouseClick(dialog.deleteButton(), Qt::LeftButton);
        QCOMPARE(prompt.texts(), std::vector<std::string>{"真的要删除序号为“1”的分录吗？"});
        QCOMPARE(gridRows(grid), QStringList{"2|计提折旧|1602|贷|1000"});
        QCOMPARE(selectedRow(grid), QStringLiteral("2|计提折旧|1602|贷|1000"));
        QCOMPARE(rows("SELECT RN FROM AUTCER WHERE N=3"), QStringList{"2"});

        prompt.clear();
        prompt.queueAnswer(Answer::Yes);
        QTest::keyClick(grid, Qt::Key_Delete);
        QCOMPARE(grid->rowCount(), 0);

        // Nothing left to delete.
        prompt.clear();
        QTest::keyClick(grid, Qt::Key_Delete);
        QCOMPARE(prompt.texts(), std::vector<std::string>{"对不起，没有选择删除对象!"});
        QVERIFY(!prompt.entries().front().question);
        QCOMPARE(rows("SELECT N,RN FROM AUTCER"), QStringList{"5|1"});
    }

    void f2InTheSubjectPutsTheChosenCodeThere()
    {
        addEntry("3", "计提折旧");
        ScriptedPrompt prompt;
        CTemplateLineDlg dialog(m_db, prompt, CTemplateLineDlg::Mode::Add, 3, TemplateLine{1, {}, {}, 1, {}});
        QStringList starts;
        std::optional<QString> answer = QStringLiteral("6602-1");
        dialog.lookUpSubject = [&](const QString& start) {
            starts << start;
            return answer;
        };
        dialog.subjectEdit()->typeText(QStringLiteral("6602"));
        QTest::keyClick(dialog.subjectEdit(), Qt::Key_F2);
        QCOMPARE(dialog.subjectEdit()->text(), QStringLiteral("6602-1"));
        // Cancelled: the typed code stays.
        answer.reset();
        QTest::keyClick(dialog.subjectEdit(), Qt::Key_F2);
        QCOMPARE(dialog.subjectEdit()->text(), QStringLiteral("6602-1"));
        QCOMPARE(starts, (QStringList{"6602", "6602-1"}));
        // F2 elsewhere does nothing.
        QTest::keyClick(dialog.summaryEdit(), Qt::Key_F2);
        QCOMPARE(starts.size(), 2);
    }
};

QTEST_MAIN(TemplateLinesDialogTest)
#include "template_lines_dialog_test.moc"
