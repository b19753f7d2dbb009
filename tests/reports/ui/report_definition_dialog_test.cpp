// The statement definition dialog on a year file with a small chart: the statements and their grid,
// the refusals of 确定 (each naming its line, which is selected, nothing stored), a changed item
// stored and read back, edits kept while another statement is shown, 恢复默认, inserting and
// deleting lines (Insert, Delete), a line moved to the other half, 取消 with and without edits, and
// the read-only dialog. With KSZW_SCREENSHOT_DIR=folder the dialog over the balance sheet of a
// demonstration year is saved there as report_definition.png.
#include "accountset/year_file.h"
#include "chart/chart_import.h"
#include "common/prompt.h"
#include "ledger/ledger_conventions.h"
#include "reports/report_calculation.h"
#include "reports/report_definitions.h"
#include "reports/ui/report_definition_dialog.h"
#include "store/database.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace kszw;
using Dlg = CReportDefinitionDlg;

namespace {

constexpr std::string_view kChart = "code,name,kind,unit,multi_column,direction,width\n"
                                    "1001,库存现金,0,,0,0,0\n"
                                    "1002,银行存款,0,,0,0,0\n"
                                    "1122,应收账款,0,,0,0,0\n"
                                    "1601,固定资产,0,,0,0,0\n"
                                    "1602,累计折旧,0,,0,0,0\n"
                                    "2202,应付账款,0,,0,0,0\n"
                                    "4001,实收资本,0,,0,0,0\n"
                                    "4103,本年利润,0,,0,0,0\n"
                                    "6001,主营业务收入,0,,0,0,0\n"
                                    "6602,管理费用,0,,0,0,0\n";

QStringList columnTitles(const QTableWidget* grid)
{
    QStringList titles;
    for (int column = 0; column < grid->columnCount(); ++column)
        if (!grid->isColumnHidden(column))
            titles << grid->horizontalHeaderItem(column)->text();
    return titles;
}

// A row as a person reads it: the shown cells joined by "|", the bold mark as "粗"/"".
QString rowText(const QTableWidget* grid, int row)
{
    QStringList cells;
    for (int column = 0; column < grid->columnCount(); ++column) {
        if (grid->isColumnHidden(column))
            continue;
        const QTableWidgetItem* item = grid->item(row, column);
        if (column == Dlg::BoldColumn)
            cells << (item->checkState() == Qt::Checked ? QStringLiteral("粗") : QString());
        else
            cells << item->text();
    }
    return cells.join(QLatin1Char('|'));
}

QString text(std::string_view value)
{
    return QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size()));
}

} // namespace

class ReportDefinitionDialogTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    std::string m_file;
    ScriptedPrompt m_prompt;

    Database open() { return Database::open(m_file); }

    std::unique_ptr<Dlg> dialog(Database& db, bool editable = true)
    {
        return std::make_unique<Dlg>(db, m_prompt, yearCalendar(db), "2026.ksk", editable);
    }

    // The item and formula cells of a line of the shown statement.
    static void setCell(Dlg& shown, int row, int column, const QString& value)
    {
        shown.lineGrid()->item(row, column)->setText(value);
    }

private slots:
    void init()
    {
        m_prompt.clear();
        static int serial = 0;
        m_file = (m_dir.path() + QStringLiteral("/y%1/2026.ksk").arg(++serial)).toStdString();
        QDir().mkpath(QFileInfo(QString::fromStdString(m_file)).path());
        createYearFile(m_file, 2026);
        Database db = open();
        QVERIFY(importSubjects(db, kChart).ok);
    }

    void theDialogShowsTheStatementsAndTheirLines()
    {
        Database db = open();
        auto shown = dialog(db);
        QCOMPARE(shown->windowTitle(), QStringLiteral("财务报表定义"));
        QCOMPARE(shown->reportBox()->count(), 2);
        QCOMPARE(shown->reportBox()->itemText(0), QStringLiteral("资产负债表"));
        QCOMPARE(shown->reportBox()->itemText(1), QStringLiteral("利润表"));
        QCOMPARE(shown->currentReport(), kBalanceSheetNumber);
        const QTableWidget* grid = shown->lineGrid();
        QCOMPARE(columnTitles(grid), QStringList({"位置", "项目", "行次", "期末余额公式", "年初余额公式", "粗体", "缩进"}));
        QCOMPARE(grid->rowCount(), 58);
        QCOMPARE(rowText(grid, 0), QStringLiteral("资产方|流动资产：||||粗|0"));
        QCOMPARE(rowText(grid, 1), QStringLiteral("资产方|货币资金|1|ye(\"1001\",yf())+ye(\"1002\",yf())|"
                                                  "ye(\"1001\",0)+ye(\"1002\",0)||1"));
        QCOMPARE(rowText(grid, 2), QStringLiteral("资产方|短期投资|2||||1"));
        QCOMPARE(rowText(grid, 31), QStringLiteral("资产方|资产总计|30|r(15)+r(29)|r(15)+r(29)|粗|0"));
        QCOMPARE(rowText(grid, 32), QStringLiteral("负债和所有者权益方|流动负债：||||粗|0"));
        QCOMPARE(rowText(grid, 57),
                 QStringLiteral("负债和所有者权益方|负债和所有者权益总计|53|r(47)+r(52)|r(47)+r(52)|粗|0"));
        QCOMPARE(grid->currentRow(), 0);
        QVERIFY(grid->horizontalHeaderItem(Dlg::FirstFormulaColumn)->toolTip().contains(QStringLiteral("r(行次)")));
        QVERIFY(grid->item(1, Dlg::SecondFormulaColumn)->toolTip().contains(QStringLiteral("ye(\"科目\",月)")));
        QVERIFY(shown->hintLabel()->text().contains(QStringLiteral("jf/df")));
        QCOMPARE(shown->cancelButton()->text(), QStringLiteral("取消"));

        shown->reportBox()->setCurrentIndex(1);
        QCOMPARE(shown->currentReport(), kIncomeStatementNumber);
        QCOMPARE(columnTitles(grid), QStringList({"项目", "行次", "本月金额公式", "本年累计金额公式", "粗体", "缩进"}));
        QCOMPARE(grid->rowCount(), 32);
        QCOMPARE(rowText(grid, 0),
                 QStringLiteral("一、营业收入|1|-sy(\"6001\",yf(),yf(),\"4103\")|-sy(\"6001\",1,yf(),\"4103\")|粗|0"));
        QCOMPARE(rowText(grid, 13),
                 QStringLiteral("管理费用|14|sy(\"6602\",yf(),yf(),\"4103\")|sy(\"6602\",1,yf(),\"4103\")||3"));
        // Nothing was written to look at them.
        QVERIFY(!reportTablesExist(db));
        QVERIFY(!shown->isChanged());
    }

    void theEditorsKeepTheStoredLengths()
    {
        Database db = open();
        auto shown = dialog(db);
        shown->show();
        QVERIFY(QTest::qWaitForWindowExposed(shown.get()));
        QTableWidget* grid = shown->lineGrid();
        const std::pair<int, int> limits[] = {{Dlg::ItemColumn, kMaxItemLength},
                                              {Dlg::NumberColumn, 32767},
                                              {Dlg::FirstFormulaColumn, kMaxFormulaLength},
                                              {Dlg::SecondFormulaColumn, kMaxFormulaLength}};
        for (const auto& [column, length] : limits) {
            grid->setCurrentCell(1, column);
            grid->editItem(grid->item(1, column));
            auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
            QVERIFY(editor);
            QCOMPARE(editor->maxLength(), length);
            if (column == Dlg::NumberColumn) {
                QTest::keyClicks(editor, QStringLiteral("12a34"));
                QCOMPARE(editor->text(), QStringLiteral("123"));
            }
            QTest::keyClick(editor, Qt::Key_Escape);
        }
        QVERIFY(!shown->isChanged());
    }

    void typingInACellChangesTheLine()
    {
        Database db = open();
        auto shown = dialog(db);
        shown->show();
        QVERIFY(QTest::qWaitForWindowExposed(shown.get()));
        QTableWidget* grid = shown->lineGrid();
        grid->setFocus();
        grid->setCurrentCell(1, Dlg::ItemColumn);
        // The first key opens the cell's editor with it; the rest go to the editor.
        QTest::keyClick(grid, 'C');
        auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        QVERIFY(editor);
        QCOMPARE(editor->text(), QStringLiteral("C"));
        QTest::keyClicks(editor, QStringLiteral("ash"));
        QTest::keyClick(editor, Qt::Key_Return); // taken after the key
        QTRY_COMPARE(grid->item(1, Dlg::ItemColumn)->text(), QStringLiteral("Cash"));
        QVERIFY(shown->isChanged());
        QCOMPARE(shown->editedReports()[0].lines[1].item, std::string("Cash"));

        // 确定 with a cell still being edited takes what was typed there.
        grid->setCurrentCell(2, Dlg::IndentColumn);
        QTest::keyClick(grid, '3');
        QVERIFY(QApplication::focusWidget() != grid);
        shown->confirm();
        QVERIFY(m_prompt.entries().empty());
        QCOMPARE(shown->result(), int(QDialog::Accepted));
        const std::vector<ReportDefinition> stored = loadReports(db);
        QCOMPARE(stored[0].lines[1].item, std::string("Cash"));
        QCOMPARE(stored[0].lines[2].indent, 3);
    }

    // Each refusal names its line: the dialog stays open on it and nothing is stored.
    void confirmRefusesAWrongDefinition_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("selectedColumn");
        QTest::newRow("unknown subject") << 1 << int(Dlg::FirstFormulaColumn) << "ye(\"9999\",yf())"
                                         << "第2行（货币资金）期末余额的公式：科目“9999”出错！"
                                         << int(Dlg::FirstFormulaColumn);
        QTest::newRow("unknown subject, second column")
            << 3 << int(Dlg::SecondFormulaColumn) << "ye(\"1001\",0)+ye(\"8888\",0)"
            << "第4行（应收票据）年初余额的公式：科目“8888”出错！" << int(Dlg::SecondFormulaColumn);
        QTest::newRow("unknown function") << 1 << int(Dlg::FirstFormulaColumn) << "xx(1)"
                                          << "第2行（货币资金）期末余额的公式：函数名出错！"
                                          << int(Dlg::FirstFormulaColumn);
        QTest::newRow("line number used twice") << 2 << int(Dlg::NumberColumn) << "1" << "第3行：行次1重复！"
                                                << int(Dlg::NumberColumn);
        QTest::newRow("line number out of range") << 4 << int(Dlg::NumberColumn) << "0"
                                                  << "第5行：行次应为1到999的整数！" << int(Dlg::NumberColumn);
        QTest::newRow("empty item") << 5 << int(Dlg::ItemColumn) << "  " << "第6行：项目不能为空！"
                                    << int(Dlg::ItemColumn);
        QTest::newRow("formula of a heading") << 0 << int(Dlg::FirstFormulaColumn) << "1"
                                              << "第1行：有公式的行必须有行次！" << int(Dlg::FirstFormulaColumn);
    }
    void confirmRefusesAWrongDefinition()
    {
        QFETCH(int, row);
        QFETCH(int, column);
        QFETCH(QString, value);
        QFETCH(QString, message);
        QFETCH(int, selectedColumn);
        Database db = open();
        auto shown = dialog(db);
        setCell(*shown, row, column, value);
        shown->lineGrid()->setCurrentCell(20, Dlg::ItemColumn);
        shown->confirm();
        QCOMPARE(QString::fromStdString(m_prompt.last()), message);
        QCOMPARE(m_prompt.entries().size(), size_t(1));
        QCOMPARE(m_prompt.entries()[0].icon, Icon::Exclamation);
        QCOMPARE(shown->result(), int(QDialog::Rejected));
        QCOMPARE(shown->lineGrid()->currentRow(), row);
        QCOMPARE(shown->lineGrid()->currentColumn(), selectedColumn);
        QVERIFY(!reportTablesExist(db));
        QCOMPARE(loadReports(db), shippedReports(db));
        // The message is the core's.
        const std::vector<ReportDefinition> edited = shown->editedReports();
        const std::optional<std::string> shape = checkReportShape(edited[0]);
        const std::optional<std::string> formulas =
            checkReportFormulas(db, yearCalendar(db), "2026.ksk", edited[0]);
        QCOMPARE(QString::fromStdString(shape ? *shape : formulas.value_or("")), message);
    }

    // A refusal in the statement not shown brings it up with its line.
    void aRefusalShowsItsStatement()
    {
        Database db = open();
        auto shown = dialog(db);
        shown->chooseReport(kIncomeStatementNumber);
        setCell(*shown, 2, Dlg::NumberColumn, QStringLiteral("1"));
        shown->chooseReport(kBalanceSheetNumber);
        shown->confirm();
        QCOMPARE(QString::fromStdString(m_prompt.last()), QStringLiteral("第3行：行次1重复！"));
        QCOMPARE(shown->currentReport(), kIncomeStatementNumber);
        QCOMPARE(shown->lineGrid()->currentRow(), 2);
        QVERIFY(!reportTablesExist(db));
    }

    void aChangedItemIsStoredAndReadBack()
    {
        Database db = open();
        auto shown = dialog(db);
        setCell(*shown, 1, Dlg::ItemColumn, QStringLiteral("货币资金（含其他货币资金）"));
        shown->lineGrid()->item(2, Dlg::BoldColumn)->setCheckState(Qt::Checked);
        shown->lineGrid()->item(2, Dlg::IndentColumn)->setData(Qt::EditRole, 3);
        QVERIFY(shown->isChanged());
        shown->confirm();
        QVERIFY(m_prompt.entries().empty());
        QCOMPARE(shown->result(), int(QDialog::Accepted));
        const std::vector<ReportDefinition> stored = loadReports(db);
        QCOMPARE(stored.size(), size_t(2));
        QCOMPARE(text(stored[0].lines[1].item), QStringLiteral("货币资金（含其他货币资金）"));
        QCOMPARE(stored[0].lines[2].bold, true);
        QCOMPARE(stored[0].lines[2].indent, 3);
        ReportDefinition expected = shippedReports(db)[0];
        expected.lines[1].item = "货币资金（含其他货币资金）";
        expected.lines[2].bold = true;
        expected.lines[2].indent = 3;
        QCOMPARE(stored[0], expected);
        QCOMPARE(stored[1], shippedReports(db)[1]);
    }

    void unchangedStatementsAreNotWritten()
    {
        Database db = open();
        auto shown = dialog(db);
        shown->confirm();
        QCOMPARE(shown->result(), int(QDialog::Accepted));
        QVERIFY(m_prompt.entries().empty());
        QVERIFY(!reportTablesExist(db));
    }

    void editsOfEachStatementAreKeptWhileAnotherIsShown()
    {
        Database db = open();
        auto shown = dialog(db);
        setCell(*shown, 1, Dlg::ItemColumn, QStringLiteral("现金"));
        shown->chooseReport(kIncomeStatementNumber);
        setCell(*shown, 0, Dlg::ItemColumn, QStringLiteral("营业收入"));
        shown->chooseReport(kBalanceSheetNumber);
        QCOMPARE(shown->lineGrid()->item(1, Dlg::ItemColumn)->text(), QStringLiteral("现金"));
        shown->chooseReport(kIncomeStatementNumber);
        QCOMPARE(shown->lineGrid()->item(0, Dlg::ItemColumn)->text(), QStringLiteral("营业收入"));
        shown->confirm();
        QCOMPARE(shown->result(), int(QDialog::Accepted));
        const std::vector<ReportDefinition> stored = loadReports(db);
        QCOMPARE(text(stored[0].lines[1].item), QStringLiteral("现金"));
        QCOMPARE(text(stored[1].lines[0].item), QStringLiteral("营业收入"));
    }

    void restoringTheDefaultBringsTheShippedLinesBack()
    {
        Database db = open();
        ReportDefinition changed = shippedReports(db)[0];
        changed.lines[1].item = "现金";
        changed.lines[1].formulas = {"1", "2"};
        changed.lines.erase(changed.lines.begin() + 2);
        saveReport(db, changed);
        auto shown = dialog(db);
        QCOMPARE(shown->lineGrid()->rowCount(), 57);
        QCOMPARE(shown->lineGrid()->item(1, Dlg::ItemColumn)->text(), QStringLiteral("现金"));

        m_prompt.queueAnswer(Answer::No);
        shown->restoreDefault();
        QCOMPARE(m_prompt.last(), std::string("是否恢复本报表的默认定义？当前的定义将被替换。"));
        QVERIFY(m_prompt.entries().back().question);
        QCOMPARE(shown->lineGrid()->item(1, Dlg::ItemColumn)->text(), QStringLiteral("现金"));
        QVERIFY(!shown->isChanged());

        // The question's default is No.
        m_prompt.clear();
        shown->restoreDefault();
        QCOMPARE(shown->lineGrid()->rowCount(), 57);

        m_prompt.clear();
        m_prompt.queueAnswer(Answer::Yes);
        shown->restoreDefault();
        QCOMPARE(shown->lineGrid()->rowCount(), 58);
        QCOMPARE(rowText(shown->lineGrid(), 1), QStringLiteral("资产方|货币资金|1|ye(\"1001\",yf())+ye(\"1002\",yf())|"
                                                               "ye(\"1001\",0)+ye(\"1002\",0)||1"));
        QCOMPARE(shown->lineGrid()->item(2, Dlg::ItemColumn)->text(), QStringLiteral("短期投资"));
        // Stored only on 确定.
        QCOMPARE(loadReports(db)[0], changed);
        shown->confirm();
        QCOMPARE(shown->result(), int(QDialog::Accepted));
        QCOMPARE(loadReports(db), shippedReports(db));
    }

    void insertAddsALineAfterTheCurrentOne()
    {
        Database db = open();
        auto shown = dialog(db);
        shown->show();
        QVERIFY(QTest::qWaitForWindowExposed(shown.get()));
        QTableWidget* grid = shown->lineGrid();
        grid->setFocus();
        grid->setCurrentCell(33, Dlg::ItemColumn); // 短期借款, right half
        QTest::keyClick(grid, Qt::Key_Insert);
        QCOMPARE(grid->rowCount(), 59);
        QCOMPARE(grid->currentRow(), 34);
        QCOMPARE(rowText(grid, 34), QStringLiteral("负债和所有者权益方||||||1"));
        // The new line's item is being edited.
        auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        QVERIFY(editor);
        QTest::keyClicks(editor, QStringLiteral("Loan"));
        QTest::keyClick(editor, Qt::Key_Tab); // on to 行次
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("60"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTRY_COMPARE(rowText(grid, 34), QStringLiteral("负债和所有者权益方|Loan|60||||1"));

        shown->insertButton()->click();
        QCOMPARE(grid->rowCount(), 60);
        grid->setFocus();
        shown->confirm();
        QCOMPARE(QString::fromStdString(m_prompt.last()), QStringLiteral("第36行：项目不能为空！"));
        QCOMPARE(grid->currentRow(), 35);
    }

    void deleteAsksBeforeItRemovesTheLine()
    {
        Database db = open();
        auto shown = dialog(db);
        shown->show();
        QVERIFY(QTest::qWaitForWindowExposed(shown.get()));
        QTableWidget* grid = shown->lineGrid();
        grid->setFocus();
        grid->setCurrentCell(16, Dlg::FirstFormulaColumn);
        m_prompt.queueAnswer(Answer::No);
        QTest::keyClick(grid, Qt::Key_Delete);
        QCOMPARE(m_prompt.texts(), std::vector<std::string>({"是否删除第17行“非流动资产：”？"}));
        QCOMPARE(m_prompt.entries()[0].question, true);
        QCOMPARE(grid->rowCount(), 58);

        m_prompt.clear();
        m_prompt.queueAnswer(Answer::Yes);
        QTest::keyClick(grid, Qt::Key_Delete);
        QCOMPARE(grid->rowCount(), 57);
        QCOMPARE(grid->currentRow(), 16);
        QCOMPARE(grid->item(16, Dlg::ItemColumn)->text(), QStringLiteral("长期债券投资"));

        // A line other lines read cannot go: 确定 names the line that reads it.
        m_prompt.queueAnswer(Answer::Yes);
        shown->deleteButton()->click();
        QCOMPARE(grid->rowCount(), 56);
        QCOMPARE(grid->item(16, Dlg::ItemColumn)->text(), QStringLiteral("长期股权投资"));
        shown->confirm();
        QCOMPARE(m_prompt.last(), std::string("第29行（非流动资产合计）期末余额的公式：行次16不存在！"));
        QCOMPARE(shown->result(), int(QDialog::Rejected));
        QCOMPARE(grid->currentRow(), 28);
        QVERIFY(!reportTablesExist(db));

        // The heading alone can.
        m_prompt.clear();
        auto again = dialog(db);
        again->lineGrid()->setCurrentCell(16, Dlg::ItemColumn);
        m_prompt.queueAnswer(Answer::Yes);
        again->deleteLine();
        again->confirm();
        QCOMPARE(again->result(), int(QDialog::Accepted));
        const std::vector<ReportDefinition> stored = loadReports(db);
        QCOMPARE(stored[0].lines.size(), size_t(57));
        QCOMPARE(text(stored[0].lines[16].item), QStringLiteral("长期债券投资"));
    }

    // A line given to the other half joins that half's lines: after the left ones when it goes
    // left, before the right ones when it goes right.
    void aLineMovedToTheOtherHalfJoinsIt()
    {
        Database db = open();
        auto shown = dialog(db);
        QTableWidget* grid = shown->lineGrid();
        grid->setCurrentCell(14, Dlg::ItemColumn);
        QCOMPARE(grid->item(14, Dlg::ItemColumn)->text(), QStringLiteral("其他流动资产"));
        QTableWidgetItem* position = grid->item(14, Dlg::PositionColumn);
        position->setData(Qt::UserRole, 1);
        position->setText(QStringLiteral("负债和所有者权益方"));
        QTRY_COMPARE(grid->item(31, Dlg::ItemColumn)->text(), QStringLiteral("其他流动资产"));
        QCOMPARE(grid->item(30, Dlg::ItemColumn)->text(), QStringLiteral("资产总计"));
        QCOMPARE(grid->item(32, Dlg::ItemColumn)->text(), QStringLiteral("流动负债："));
        QCOMPARE(grid->currentRow(), 31);
        const ReportLine moved = shown->editedReports()[0].lines[31];
        QCOMPARE(moved.half, 1);
        QCOMPARE(text(moved.item), QStringLiteral("其他流动资产"));

        // Back to the left through the cell's list: after the left half's lines.
        shown->show();
        QVERIFY(QTest::qWaitForWindowExposed(shown.get()));
        grid->setFocus();
        grid->setCurrentCell(31, Dlg::PositionColumn);
        grid->editItem(grid->item(31, Dlg::PositionColumn));
        auto* box = qobject_cast<QComboBox*>(QApplication::focusWidget());
        QVERIFY(box);
        QCOMPARE(box->currentIndex(), 1);
        QCOMPARE(box->itemText(0), QStringLiteral("资产方"));
        box->setCurrentIndex(0);
        emit box->activated(0);
        QTRY_COMPARE(grid->item(31, Dlg::PositionColumn)->text(), QStringLiteral("资产方"));
        QTRY_COMPARE(grid->item(32, Dlg::ItemColumn)->text(), QStringLiteral("流动负债："));
        QCOMPARE(grid->item(31, Dlg::ItemColumn)->text(), QStringLiteral("其他流动资产"));
        QCOMPARE(grid->item(30, Dlg::ItemColumn)->text(), QStringLiteral("资产总计"));
        QCOMPARE(shown->editedReports()[0].lines[31].half, 0);
    }

    void cancelAsksBeforeItDropsEdits()
    {
        Database db = open();
        auto shown = dialog(db);
        shown->show();
        QVERIFY(QTest::qWaitForWindowExposed(shown.get()));
        setCell(*shown, 1, Dlg::ItemColumn, QStringLiteral("现金"));
        m_prompt.queueAnswer(Answer::No);
        shown->cancelButton()->click();
        QCOMPARE(m_prompt.texts(), std::vector<std::string>({"报表定义已修改，是否放弃所做的修改？"}));
        QVERIFY(shown->isVisible());
        m_prompt.queueAnswer(Answer::Yes);
        QTest::keyClick(shown.get(), Qt::Key_Escape);
        QVERIFY(!shown->isVisible());
        QCOMPARE(shown->result(), int(QDialog::Rejected));
        QVERIFY(!reportTablesExist(db));

        // Without edits it closes at once.
        m_prompt.clear();
        auto unchanged = dialog(db);
        unchanged->show();
        QVERIFY(QTest::qWaitForWindowExposed(unchanged.get()));
        unchanged->cancelButton()->click();
        QVERIFY(!unchanged->isVisible());
        QVERIFY(m_prompt.entries().empty());
    }

    void theReadOnlyDialogRefusesEdits()
    {
        Database db = open();
        auto shown = dialog(db, false);
        shown->show();
        QVERIFY(QTest::qWaitForWindowExposed(shown.get()));
        QTableWidget* grid = shown->lineGrid();
        QCOMPARE(grid->rowCount(), 58);
        QCOMPARE(grid->editTriggers(), QAbstractItemView::NoEditTriggers);
        for (int column = 0; column < Dlg::ColumnCount; ++column) {
            QVERIFY(!(grid->item(1, column)->flags() & Qt::ItemIsEditable));
            QVERIFY(!(grid->item(1, column)->flags() & Qt::ItemIsUserCheckable));
        }
        QVERIFY(!shown->insertButton()->isEnabled());
        QVERIFY(!shown->deleteButton()->isEnabled());
        QVERIFY(!shown->restoreButton()->isEnabled());
        QVERIFY(!shown->confirmButton()->isVisible());
        QCOMPARE(shown->cancelButton()->text(), QStringLiteral("关闭"));

        // Typing, Delete, Insert and double clicks change nothing.
        grid->setFocus();
        grid->setCurrentCell(1, Dlg::ItemColumn);
        QTest::keyClicks(grid, QStringLiteral("Cash"));
        QTest::keyClick(grid, Qt::Key_Delete);
        QTest::keyClick(grid, Qt::Key_Insert);
        QTest::keyClick(grid, Qt::Key_F2);
        grid->editItem(grid->item(1, Dlg::FirstFormulaColumn));
        QVERIFY(!qobject_cast<QLineEdit*>(QApplication::focusWidget()));
        shown->insertLine();
        shown->deleteLine();
        shown->restoreDefault();
        QCOMPARE(grid->rowCount(), 58);
        QCOMPARE(grid->item(1, Dlg::ItemColumn)->text(), QStringLiteral("货币资金"));
        QVERIFY(!shown->isChanged());
        QVERIFY(m_prompt.entries().empty());

        // The statements can still be looked through.
        shown->chooseReport(kIncomeStatementNumber);
        QCOMPARE(grid->rowCount(), 32);
        shown->cancelButton()->click();
        QVERIFY(!shown->isVisible());
        QVERIFY(m_prompt.entries().empty());
        QVERIFY(!reportTablesExist(db));
    }

    void screenshotOfTheBalanceSheet()
    {
        const QString folder = qEnvironmentVariable("KSZW_SCREENSHOT_DIR");
        if (folder.isEmpty())
            QSKIP("KSZW_SCREENSHOT_DIR is not set");
        QProcess cli;
        cli.start(QStringLiteral(KSZW_CLI_PATH), {QStringLiteral("demo"), m_dir.filePath(QStringLiteral("demo")),
                                                  QStringLiteral("--year"), QStringLiteral("2026"),
                                                  QStringLiteral("--date"), QStringLiteral("20260315")});
        QVERIFY(cli.waitForFinished(120000));
        QCOMPARE(cli.exitCode(), 0);
        m_file = m_dir.filePath(QStringLiteral("demo/2026.ksk")).toStdString();
        Database db = open();
        auto shown = dialog(db);
        shown->show();
        QVERIFY(QTest::qWaitForWindowExposed(shown.get()));
        shown->lineGrid()->setCurrentCell(1, Dlg::FirstFormulaColumn);
        QVERIFY(shown->grab().save(folder + QStringLiteral("/report_definition.png")));
        shown->chooseReport(kIncomeStatementNumber);
        QVERIFY(shown->grab().save(folder + QStringLiteral("/report_definition_income.png")));
        auto readOnly = dialog(db, false);
        readOnly->resize(shown->size());
        readOnly->show();
        QVERIFY(QTest::qWaitForWindowExposed(readOnly.get()));
        QVERIFY(readOnly->grab().save(folder + QStringLiteral("/report_definition_readonly.png")));
    }
};

QTEST_MAIN(ReportDefinitionDialogTest)
#include "report_definition_dialog_test.moc"
