// Qt Test of CKsFormView driven by keys, mouse and commands on an offscreen window: the base
// view, adding rows, the changed-cell protocol, the keyboard table, typing through the input
// specifications, clipboard, deletion of whole rows, undo and redo, the context menu and the
// calculator's send-back. With KSZW_SCREENSHOT=path the filled journal view is saved as a PNG.
#include "common/command_ids.h"
#include "formula/ui/calculator_dialog.h"
#include "formview/ui/modal_closer.h"
#include "support/ui/journal_view.h"

#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QtTest>

using namespace kszw;

namespace {

// The test journal that also records every call of the change hooks.
class RecordingView : public JournalTestView {
public:
    using JournalTestView::JournalTestView;
    std::vector<int> rowsAdded;
    std::vector<std::tuple<int, int, int>> inserts;
    std::vector<std::tuple<int, int, std::string, std::string>> changes;

    void OnRowsAdded(int count) override
    {
        rowsAdded.push_back(count);
        JournalTestView::OnRowsAdded(count);
    }
    void OnInsertRows(int atRow, int lastRow, int count) override
    {
        inserts.emplace_back(atRow, lastRow, count);
        JournalTestView::OnInsertRows(atRow, lastRow, count);
    }
    void OnCellChanged(int row, int col, std::string_view area, const std::string& text) override
    {
        changes.emplace_back(row, col, std::string(area), text);
    }
    std::string cell(int row, int col) { return GetCellInfo(row, col, "TEXT", false).text; }
};

// A three-column table of free text kept in memory.
class ThreeColumnView : public CKsFormView {
public:
    std::vector<std::vector<std::string>> rows;
    std::vector<int> rowsAdded;
    std::vector<std::tuple<int, int, int>> inserts;

    explicit ThreeColumnView(std::vector<std::vector<std::string>> initial) : rows(std::move(initial)) {}
    void InitFormLayout() override
    {
        m_editable = 1;
        SetAreaRows(static_cast<int>(rows.size()), 1, 0, 0, 0);
        SetTextColumns({10, 10, 10});
    }
    void OnRowsAdded(int count) override
    {
        rowsAdded.push_back(count);
        rows.resize(static_cast<size_t>(static_cast<int>(rows.size()) + count), std::vector<std::string>(3));
    }
    void OnInsertRows(int atRow, int lastRow, int count) override
    {
        inserts.emplace_back(atRow, lastRow, count);
        for (int row = lastRow; row >= atRow; --row)
            rows[static_cast<size_t>(row + count)] = rows[static_cast<size_t>(row)];
        for (int row = atRow; row < atRow + count; ++row)
            rows[static_cast<size_t>(row)] = std::vector<std::string>(3);
    }
    CellInfo GetCellInfo(int row, int col, std::string_view area, bool) override
    {
        if (area != "TEXT")
            return CellInfo{"列" + std::to_string(col), "STRING", 20, 0};
        return CellInfo{rows[static_cast<size_t>(row)][static_cast<size_t>(col)], "STRING", 20, 0};
    }
    void SetCellValue(int row, int col, std::string_view, const std::string& text) override
    {
        rows[static_cast<size_t>(row)][static_cast<size_t>(col)] = text;
    }
};

void press(QWidget* view, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QTest::keyClick(view, key, modifiers);
}

void typeText(CKsFormView* view, const QString& text)
{
    for (QChar c : text)
        QTest::keyClick(view, c.toLatin1());
}

void commit(CKsFormView* view, const QString& text)
{
    QInputMethodEvent event;
    event.setCommitString(text);
    QApplication::sendEvent(view, &event);
}

// Body rows a prepared journal shows. At 96 dpi (0.378 px a 0.1 mm) the line spacing is 9, the
// head length 19 and the foot length 76; title, head, body and foot rows are 31, 14, 16 and 14
// high plus 9, so the body rows start at 19 + 40 + 23 + 25 = 107 and (640 − 76 − 107 − 25 footer
// − 23 foot line) ÷ 25 = 16.4 of them fit.
constexpr int kScreenRows = 16;

template <typename View>
void prepare(View& view)
{
    view.resize(1000, 640);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    view.initialUpdate();
}

// Centre of a cell on the screen (viewport coordinates).
QPoint cellCenter(CKsFormView& view, std::string_view area, int row, int col)
{
    const DeviceRect rect = view.screenGeometry().cellRect(area, row, col, view.firstVisibleRow());
    return QPoint(rect.x + rect.width / 2 - view.horizontalScrollBar()->value(), rect.y + rect.height / 2);
}

QAction* menuItem(CKsFormView& view, const QString& text)
{
    for (QAction* action : view.formMenu()->actions())
        if (action->text() == text)
            return action;
    return nullptr;
}

} // namespace

class FormViewTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void baseViewShowsPlaceholderAndTakes20Bytes();
    void headCellsSetAfterTheRowsShowAtOnce();
    void downAddsRowOnlyAfterFilledLastRow_data();
    void downAddsRowOnlyAfterFilledLastRow();
    void changedCellIsCommittedOnceOnLeaving();
    void typingFollowsInputSpec();
    void typingInsideTheTextKeepsWhatFollowsTheCaret_data();
    void typingInsideTheTextKeepsWhatFollowsTheCaret();
    void keyboardWalksHeadTextAndFoot();
    void enterAtLastCellGoesToNextRow();
    void pageDownStopsAtLastRow();
    void copyOfBlockAndWholeRowPaste();
    void blockPasteSkipsRefusedValues();
    void undoAndRedoRestoreEachKeystroke();
    void wholeRowsAreDeleted();
    void mouseSelectsColumnsAndTable();
    void draggingRulesChangesWidthAndSpacing();
    void contextMenuEnabling();
    void commandsOfTheMainWindow();
    void calculatorSendsIntoCurrentCell();
    void onlyVisibleRowsArePainted();
    void movingInsideTheClickedCellKeepsTheCaret();
    void selectingBesideTheTableFollowsTheRowAtTheMouse();
    void aRefusedPasteStillCommitsWhatWasTyped();
    void screenshot();
};

void FormViewTest::initTestCase()
{
    QFont::insertSubstitutions(QStringLiteral("宋体"), {QStringLiteral("AR PL UMing CN"),
                                                        QStringLiteral("Noto Serif CJK SC"),
                                                        QStringLiteral("Noto Sans CJK SC")});
}

void FormViewTest::headCellsSetAfterTheRowsShowAtOnce()
{
    // A view that lays out again while shown: the rows first (which empties the head cells), then
    // its head cells. The screen shows them without waiting for a resize.
    CKsFormView view;
    prepare(view);
    view.SetAreaRows(3, 1, 1, 1, 1);
    QCOMPARE(view.screenGeometry().cellRect("HEAD", 0, 0).width, 0);
    view.SetAreaCells("HEAD", 0, {{335, 6}, {440, 4}});
    QVERIFY(view.screenGeometry().cellRect("HEAD", 0, 1).width > 0);
    QCOMPARE(view.screenGeometry().cellRect("HEAD", 0, 2).width, 0);
    view.SetAreaCells("FOOT", 0, {{100, 4}});
    QVERIFY(view.screenGeometry().cellRect("FOOT", 0, 0).width > 0);
}

void FormViewTest::baseViewShowsPlaceholderAndTakes20Bytes()
{
    CKsFormView view;
    prepare(view);
    QCOMPARE(view.textRowCount(), 10);
    QCOMPARE(view.columnCount(), 5);
    QCOMPARE(view.formLayout().headCells[0].size(), size_t(5));
    QCOMPARE(view.formLayout().footCells[0][1], (CellSpan{300, 20}));
    const CellInfo info = view.GetCellInfo(3, 2, "TEXT", false);
    QCOMPARE(QString::fromStdString(info.text), QStringLiteral("派生类无值提供"));
    QCOMPARE(QString::fromStdString(info.spec), QStringLiteral("STRING"));
    QCOMPARE(info.maxLength, 20);
    // Read-only by default: nothing typed, nothing pasted.
    QVERIFY(!view.typeCharacter("a"));
    view.setEditable(true);
    view.pasteText("abcdefghijklmnopqrstu"); // 21 bytes
    QVERIFY(!view.isModified());
    view.pasteText("一二三四五六七八九十"); // 20 bytes
    QVERIFY(view.isModified());
    // Down from the last row: the base cell text counts as filled, so a row is added.
    view.SetCurrentCell(9, 0, 0, "TEXT");
    press(&view, Qt::Key_Down);
    QCOMPARE(view.textRowCount(), 11);
    QCOMPARE(view.currentCell().row, 10);
}

void FormViewTest::downAddsRowOnlyAfterFilledLastRow_data()
{
    QTest::addColumn<int>("col");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("added");
    QTest::newRow("empty row") << 4 << "" << 0;
    QTest::newRow("zero amount") << 4 << "0" << 0;
    QTest::newRow("zero with decimals") << 5 << "0.00" << 0;
    QTest::newRow("amount") << 4 << "12.5" << 1;
    QTest::newRow("negative amount") << 5 << "-3" << 1;
    QTest::newRow("summary text") << 2 << "x" << 1;
    QTest::newRow("subject code") << 3 << "1001" << 1;
}

void FormViewTest::downAddsRowOnlyAfterFilledLastRow()
{
    QFETCH(int, col);
    QFETCH(QString, typed);
    QFETCH(int, added);
    RecordingView view;
    prepare(view);
    view.SetCurrentCell(0, col, 0, "TEXT");
    typeText(&view, typed);
    press(&view, Qt::Key_Down);
    QCOMPARE(view.rowsAdded, added ? std::vector<int>{1} : std::vector<int>{});
    QCOMPARE(view.textRowCount(), 1 + added);
    QCOMPARE(static_cast<int>(view.rows().size()), 1 + added);
    if (added) {
        QCOMPARE(view.currentCell().row, 1);
        QCOMPARE(QString::fromStdString(view.currentCell().area), QStringLiteral("TEXT"));
        // The new row is empty: Down again adds nothing more.
        press(&view, Qt::Key_Down);
        QCOMPARE(view.rowsAdded.size(), size_t(1));
    } else {
        QCOMPARE(QString::fromStdString(view.currentCell().area), QStringLiteral("FOOT"));
    }
}

void FormViewTest::changedCellIsCommittedOnceOnLeaving()
{
    RecordingView view(JournalTestView::sampleRows(3));
    prepare(view);
    view.SetCurrentCell(0, 2, 6, "TEXT"); // after "提取现金备用"
    typeText(&view, "a");
    press(&view, Qt::Key_Backspace);
    press(&view, Qt::Key_Tab);
    QVERIFY(view.changes.empty());
    press(&view, Qt::Key_Backtab);
    press(&view, Qt::Key_End);
    typeText(&view, "x");
    press(&view, Qt::Key_Down);
    QCOMPARE(view.changes.size(), size_t(1));
    QCOMPARE(std::get<0>(view.changes[0]), 0);
    QCOMPARE(std::get<1>(view.changes[0]), 2);
    QCOMPARE(QString::fromStdString(std::get<3>(view.changes[0])), QStringLiteral("提取现金备用x"));
    press(&view, Qt::Key_Up);
    press(&view, Qt::Key_Down);
    QCOMPARE(view.changes.size(), size_t(1));
}

void FormViewTest::typingFollowsInputSpec()
{
    RecordingView view;
    prepare(view);
    view.SetCurrentCell(0, 4, 0, "TEXT"); // NUMBER, 14 digits, 2 decimals
    typeText(&view, "12");
    commit(&view, QStringLiteral("。"));
    typeText(&view, "345a-");
    QCOMPARE(QString::fromStdString(view.cell(0, 4)), QStringLiteral("12.34"));
    QCOMPARE(view.currentCell().caret, 5);
    view.SetCurrentCell(0, 2, 0, "TEXT"); // STRING NOT |[]'"
    typeText(&view, "a b'");
    commit(&view, QStringLiteral("汉"));
    QCOMPARE(QString::fromStdString(view.cell(0, 2)), QStringLiteral("ab汉"));
    QCOMPARE(view.currentCell().caret, 3);
    press(&view, Qt::Key_Left);
    press(&view, Qt::Key_Backspace);
    QCOMPARE(QString::fromStdString(view.cell(0, 2)), QStringLiteral("a汉"));
    press(&view, Qt::Key_Delete);
    QCOMPARE(QString::fromStdString(view.cell(0, 2)), QStringLiteral("a"));
    view.SetCurrentCell(0, 0, 0, "TEXT"); // STRING 0123456789, 8 bytes
    typeText(&view, "2007x01311");
    QCOMPARE(QString::fromStdString(view.cell(0, 0)), QStringLiteral("20070131"));
    // A read-only view takes nothing.
    RecordingView readOnly(JournalTestView::sampleRows(2), false);
    prepare(readOnly);
    typeText(&readOnly, "9");
    QCOMPARE(QString::fromStdString(readOnly.cell(0, 0)), QStringLiteral("20070101"));
    QVERIFY(!readOnly.isModified());
}

void FormViewTest::typingInsideTheTextKeepsWhatFollowsTheCaret_data()
{
    QTest::addColumn<int>("col");
    QTest::addColumn<int>("caret");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("caretAfter");
    // The first journal line: 提取现金备用, subject 1001, debit 100.00.
    QTest::newRow("summary, middle") << 2 << 2 << "x" << "提取x现金备用" << 3;
    QTest::newRow("summary, start") << 2 << 0 << "x" << "x提取现金备用" << 1;
    QTest::newRow("summary, Chinese") << 2 << 4 << "零" << "提取现金零备用" << 5;
    QTest::newRow("amount") << 4 << 1 << "5" << "1500.00" << 2;
    QTest::newRow("subject code") << 3 << 2 << "-" << "10-01" << 3;
}

void FormViewTest::typingInsideTheTextKeepsWhatFollowsTheCaret()
{
    QFETCH(int, col);
    QFETCH(int, caret);
    QFETCH(QString, typed);
    QFETCH(QString, text);
    QFETCH(int, caretAfter);
    RecordingView view(JournalTestView::sampleRows(1));
    prepare(view);
    view.SetCurrentCell(0, col, caret, "TEXT");
    if (typed.at(0).unicode() < 0x80)
        typeText(&view, typed);
    else
        commit(&view, typed);
    QCOMPARE(QString::fromStdString(view.cell(0, col)), text);
    QCOMPARE(view.currentCell().caret, caretAfter);
}

void FormViewTest::keyboardWalksHeadTextAndFoot()
{
    RecordingView view(JournalTestView::sampleRows(3));
    prepare(view);
    view.SetCurrentCell(0, 4, 0, "TEXT");
    press(&view, Qt::Key_Up);
    QCOMPARE(QString::fromStdString(view.currentCell().area), QStringLiteral("HEAD"));
    QCOMPARE(view.currentCell().col, 2); // clamped to the head row's last cell
    press(&view, Qt::Key_Down);
    QCOMPARE(QString::fromStdString(view.currentCell().area), QStringLiteral("TEXT"));
    QCOMPARE(view.currentCell().row, 0);
    view.SetCurrentCell(2, 1, 0, "TEXT");
    press(&view, Qt::Key_Down); // last row filled: a row is added
    QCOMPARE(view.currentCell().row, 3);
    press(&view, Qt::Key_Down); // empty last row: to the foot line
    QCOMPARE(QString::fromStdString(view.currentCell().area), QStringLiteral("FOOT"));
    press(&view, Qt::Key_Up);
    QCOMPARE(QString::fromStdString(view.currentCell().area), QStringLiteral("TEXT"));
    QCOMPARE(view.currentCell().row, 3);
    press(&view, Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(view.currentCell().row, 3);
    QCOMPARE(view.currentCell().col, 5);
    press(&view, Qt::Key_Home, Qt::ControlModifier);
    QCOMPARE(view.currentCell().row, 0);
    QCOMPARE(view.currentCell().col, 0);
    press(&view, Qt::Key_Left); // nothing before the first cell
    QCOMPARE(view.currentCell().col, 0);
    press(&view, Qt::Key_End);
    press(&view, Qt::Key_Right); // at the end of the text: next cell
    QCOMPARE(view.currentCell().col, 1);
    QCOMPARE(view.currentCell().caret, 0);
}

void FormViewTest::enterAtLastCellGoesToNextRow()
{
    RecordingView view(JournalTestView::sampleRows(2));
    prepare(view);
    view.SetCurrentCell(0, 5, 0, "TEXT");
    press(&view, Qt::Key_Return);
    QCOMPARE(view.currentCell().row, 1);
    QCOMPARE(view.currentCell().col, 0);
    view.SetCurrentCell(1, 5, 0, "TEXT");
    press(&view, Qt::Key_Return); // filled last row: one row added
    QCOMPARE(view.rowsAdded, std::vector<int>{1});
    QCOMPARE(view.currentCell().row, 2);
    QCOMPARE(view.currentCell().col, 0);
    view.SetCurrentCell(2, 5, 0, "TEXT");
    press(&view, Qt::Key_Return); // empty last row: no row, on to the foot line
    QCOMPARE(view.rowsAdded.size(), size_t(1));
    QCOMPARE(QString::fromStdString(view.currentCell().area), QStringLiteral("FOOT"));
}

void FormViewTest::pageDownStopsAtLastRow()
{
    RecordingView view(JournalTestView::sampleRows(40), false);
    prepare(view);
    const int page = kScreenRows;
    QCOMPARE(view.GetPageRows(false), page);
    view.SetCurrentCell(40 - page / 2, 2, 0, "TEXT");
    press(&view, Qt::Key_PageDown);
    QCOMPARE(view.currentCell().row, 39);
    QCOMPARE(view.firstVisibleRow(), 40 - page);
    press(&view, Qt::Key_PageDown);
    QCOMPARE(view.currentCell().row, 39);
    press(&view, Qt::Key_PageUp);
    QCOMPARE(view.currentCell().row, 39 - page);
    QCOMPARE(view.firstVisibleRow(), 40 - 2 * page);
    view.SetCurrentCell(1, 2, 0, "TEXT");
    press(&view, Qt::Key_PageUp);
    QCOMPARE(view.currentCell().row, 0);
    QCOMPARE(view.firstVisibleRow(), 0);
}

void FormViewTest::copyOfBlockAndWholeRowPaste()
{
    RecordingView source(JournalTestView::sampleRows(4));
    prepare(source);
    source.SetCurrentCell(0, 1, 0, "TEXT");
    press(&source, Qt::Key_Down, Qt::ShiftModifier);
    press(&source, Qt::Key_Tab); // Tab never extends: the selection is gone
    QVERIFY(!source.hasSelection());
    source.SetCurrentCell(0, 1, 0, "TEXT");
    press(&source, Qt::Key_Down, Qt::ShiftModifier);
    press(&source, Qt::Key_Right, Qt::ShiftModifier);
    press(&source, Qt::Key_End, Qt::ShiftModifier);
    press(&source, Qt::Key_Right, Qt::ShiftModifier);
    QVERIFY(source.hasSelection());
    source.runCommand(cmd::kCopy);
    const QString expected = QStringLiteral("1\t提取现金备用\t1001\n1\t支付办公用品费\t5502-01\n");
    QCOMPARE(QApplication::clipboard()->text(), expected);

    ThreeColumnView table({{"a", "b", "c"}, {"d", "e", "f"}, {"g", "h", "i"}});
    prepare(table);
    table.SetCurrentCell(1, 0, 0, "TEXT");
    table.runCommand(cmd::kPaste);
    QCOMPARE(table.rowsAdded, std::vector<int>{2});
    QCOMPARE(table.inserts, (std::vector<std::tuple<int, int, int>>{{1, 2, 2}}));
    QCOMPARE(table.textRowCount(), 5);
    const std::vector<std::vector<std::string>> rows = {
        {"a", "b", "c"}, {"1", "提取现金备用", "1001"}, {"1", "支付办公用品费", "5502-01"}, {"d", "e", "f"},
        {"g", "h", "i"}};
    QCOMPARE(table.rows, rows);
    QVERIFY(table.isModified());
}

void FormViewTest::blockPasteSkipsRefusedValues()
{
    RecordingView view(JournalTestView::sampleRows(3));
    prepare(view);
    view.SetCurrentCell(1, 3, 0, "TEXT");
    view.pasteText("1002-01\tabc\t1,234.50\r\n--1\t7\n");
    QCOMPARE(view.rowsAdded.size(), size_t(0));
    QCOMPARE(QString::fromStdString(view.cell(1, 3)), QStringLiteral("1002-01"));
    QCOMPARE(QString::fromStdString(view.cell(1, 4)), QStringLiteral("")); // "abc" refused: kept
    QCOMPARE(QString::fromStdString(view.cell(1, 5)), QStringLiteral("1234.50"));
    QCOMPARE(QString::fromStdString(view.cell(2, 3)), QStringLiteral("1131-003")); // "--1" refused
    QCOMPARE(QString::fromStdString(view.cell(2, 4)), QStringLiteral("7"));
    QCOMPARE(view.changes.size(), size_t(3));
    QCOMPARE(view.columnTotal(JournalTestView::kDebitColumn), 100.0 + 7);
    QCOMPARE(QString::fromStdString(view.cell(2, 5)), QStringLiteral("")); // beyond the short row: kept
}

void FormViewTest::undoAndRedoRestoreEachKeystroke()
{
    RecordingView view;
    prepare(view);
    view.SetCurrentCell(0, 2, 0, "TEXT");
    QVERIFY(!view.isCommandEnabled(cmd::kUndo));
    typeText(&view, "abc");
    QVERIFY(view.isCommandEnabled(cmd::kUndo));
    for (const char* expected : {"ab", "a", ""}) {
        view.runCommand(cmd::kUndo);
        QCOMPARE(view.cell(0, 2), std::string(expected));
    }
    QVERIFY(!view.isCommandEnabled(cmd::kUndo));
    view.runCommand(cmd::kRedo);
    view.runCommand(cmd::kRedo);
    QCOMPARE(view.cell(0, 2), std::string("ab"));
    QCOMPARE(view.currentCell().caret, 2);
    QVERIFY(view.isCommandEnabled(cmd::kRedo));
    typeText(&view, "z");
    QCOMPARE(view.cell(0, 2), std::string("abz"));
    QVERIFY(!view.isCommandEnabled(cmd::kRedo));
    QVERIFY(view.editHistory().redoList().empty());
    // Undo moves back to the edited cell.
    view.SetCurrentCell(0, 4, 0, "TEXT");
    view.runCommand(cmd::kUndo);
    QCOMPARE(view.currentCell().col, 2);
    QCOMPARE(view.cell(0, 2), std::string("ab"));
}

void FormViewTest::wholeRowsAreDeleted()
{
    RecordingView view(JournalTestView::sampleRows(5));
    prepare(view);
    const auto rows = view.rows();
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {},
                      cellCenter(view, "TEXT", 1, 0) - QPoint(view.screenGeometry().columnWidth(0), 0));
    QVERIFY(view.hasSelection());
    QCOMPARE(view.selection().top, 1);
    QCOMPARE(view.selection().right, 5);
    view.SetCurrentCell(1, 0, 0, "TEXT");
    press(&view, Qt::Key_Down, Qt::ShiftModifier);
    press(&view, Qt::Key_End, Qt::ControlModifier | Qt::ShiftModifier);
    // Ctrl+End extends to the very last cell: rows 1 … 4 selected
    QCOMPARE(view.selection().bottom, 4);
    view.SetCurrentCell(2, 5, 0, "TEXT");
    press(&view, Qt::Key_Up, Qt::ShiftModifier);
    press(&view, Qt::Key_Home, Qt::ShiftModifier); // editable: caret only
    QCOMPARE(view.selection().left, 5);
    // Select rows 1 and 2 whole through the left margin (press on row 1, drag to row 2).
    const QPoint margin1 = cellCenter(view, "TEXT", 1, 0) - QPoint(view.screenGeometry().columnWidth(0), 0);
    const QPoint margin2 = cellCenter(view, "TEXT", 2, 0) - QPoint(view.screenGeometry().columnWidth(0), 0);
    QTest::mousePress(view.viewport(), Qt::LeftButton, {}, margin1);
    QMouseEvent move(QEvent::MouseMove, margin2, view.viewport()->mapToGlobal(margin2), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view.viewport(), &move);
    QTest::mouseRelease(view.viewport(), Qt::LeftButton, {}, margin2);
    QCOMPARE(view.selection().top, 1);
    QCOMPARE(view.selection().bottom, 2);
    view.runCommand(cmd::kDeleteRow);
    QCOMPARE(view.rowsAdded, std::vector<int>{-2});
    QCOMPARE(view.textRowCount(), 3);
    QCOMPARE(view.rows()[1], rows[3]);
    QCOMPARE(view.rows()[2], rows[4]);
    QVERIFY(!view.hasSelection());
    QCOMPARE(view.currentCell().col, 0);
    // Every row: one empty row stays.
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, QPoint(view.screenGeometry().tableLeft() - 5,
                                                                   view.screenGeometry().formHeadTop() + 5));
    QCOMPARE(view.selection().bottom, 2);
    view.runCommand(cmd::kCut);
    QCOMPARE(view.textRowCount(), 1);
    QCOMPARE(view.rows()[0], std::vector<std::string>(6));
    QVERIFY(QApplication::clipboard()->text().startsWith(QStringLiteral("20070101\t1\t提取现金备用")));
}

void FormViewTest::mouseSelectsColumnsAndTable()
{
    RecordingView view(JournalTestView::sampleRows(3), false);
    prepare(view);
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, cellCenter(view, "FORMHEAD", 0, 3));
    QVERIFY(view.isCommandEnabled(cmd::kCopy));
    QVERIFY(!view.isCommandEnabled(cmd::kCut)); // read-only
    view.Copy();
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("1001\n5502-01\n1131-003\n"));
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, cellCenter(view, "TEXT", 2, 2));
    QCOMPARE(view.currentCell().row, 2);
    QCOMPARE(view.currentCell().col, 2);
    QVERIFY(!view.hasSelection());
    // Drag from one cell to another selects the rectangle.
    QTest::mousePress(view.viewport(), Qt::LeftButton, {}, cellCenter(view, "TEXT", 0, 0));
    const QPoint to = cellCenter(view, "TEXT", 1, 1);
    QMouseEvent move(QEvent::MouseMove, to, view.viewport()->mapToGlobal(to), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(view.viewport(), &move);
    QTest::mouseRelease(view.viewport(), Qt::LeftButton, {}, to);
    view.Copy();
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("20070101\t1\n20070102\t1\n"));
    // A click above the head lines hits nothing.
    QCOMPARE(QString::fromStdString(view.screenGeometry().hitTest(300, 2, 0, 3, 3).area), QStringLiteral("OUTCLIENT"));
}

void FormViewTest::draggingRulesChangesWidthAndSpacing()
{
    RecordingView view(JournalTestView::sampleRows(30));
    view.resize(700, 600); // narrower than the table: no spare width
    view.initialUpdate();
    QVERIFY(view.horizontalScrollBar()->maximum() > 0);
    const FormGeometry& g = view.screenGeometry();
    const int charWidth = g.font(kBodyFont).charWidth;
    const int ruleX = g.columnEdge(1);
    const int y = g.rowTop("TEXT", 1, 0) + g.rowHeight("TEXT") / 2;
    QCOMPARE(QString::fromStdString(g.hitTest(ruleX, y, 0, 30, 3).area), QStringLiteral("TEXTV"));
    QTest::mousePress(view.viewport(), Qt::LeftButton, {}, QPoint(ruleX, y));
    const QPoint to(ruleX + 4 * charWidth, y);
    QMouseEvent move(QEvent::MouseMove, to, view.viewport()->mapToGlobal(to), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(view.viewport(), &move);
    QTest::mouseRelease(view.viewport(), Qt::LeftButton, {}, to);
    QCOMPARE(view.formLayout().columnWidths[0], 8 + 4);
    QCOMPARE(view.currentViewSettings().columnWidths[0], 12);

    const int rowHeight = view.screenGeometry().rowHeight("TEXT");
    const int ruleY = view.screenGeometry().rowTop("TEXT", 2, 0);
    const int x = view.screenGeometry().columnEdge(2) + 20;
    QCOMPARE(QString::fromStdString(view.screenGeometry().hitTest(x, ruleY, 0, 30, 3).area), QStringLiteral("TEXTH"));
    view.scrollToRow(5);
    QCOMPARE(view.firstVisibleRow(), 5);
    QTest::mousePress(view.viewport(), Qt::LeftButton, {}, QPoint(x, ruleY));
    const QPoint down(x, ruleY + rowHeight);
    QMouseEvent drag(QEvent::MouseMove, down, view.viewport()->mapToGlobal(down), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(view.viewport(), &drag);
    QTest::mouseRelease(view.viewport(), Qt::LeftButton, {}, down);
    QCOMPARE(view.screenGeometry().rowHeight("TEXT"), 2 * rowHeight);
    QVERIFY(view.viewSettings().page.pageRow > 25);
    QCOMPARE(view.firstVisibleRow(), 0); // scrolled to the top
}

void FormViewTest::contextMenuEnabling()
{
    RecordingView readOnly(JournalTestView::sampleRows(3), false);
    prepare(readOnly);
    QApplication::clipboard()->setText(QStringLiteral("x"));
    readOnly.updateFormMenu();
    const QStringList items = {QStringLiteral("新建"), QStringLiteral("打开"), QStringLiteral("保存"),
                               QStringLiteral("剪切"), QStringLiteral("复制"), QStringLiteral("粘贴")};
    QCOMPARE(readOnly.formMenu()->objectName(), QStringLiteral("KsFormMenu"));
    QVERIFY(readOnly.formMenu()->actions().at(3)->isSeparator());
    auto enabled = [&](CKsFormView& view) {
        QList<bool> states;
        for (const QString& item : items)
            states << menuItem(view, item)->isEnabled();
        return states;
    };
    QCOMPARE(enabled(readOnly), (QList<bool>{false, true, false, false, false, false}));
    readOnly.SetCurrentCell(0, 0, 0, "TEXT");
    press(&readOnly, Qt::Key_Right, Qt::ShiftModifier);
    readOnly.updateFormMenu();
    QCOMPARE(enabled(readOnly), (QList<bool>{false, true, false, false, true, false}));

    RecordingView editable(JournalTestView::sampleRows(3));
    prepare(editable);
    editable.updateFormMenu();
    QCOMPARE(enabled(editable), (QList<bool>{true, true, false, false, false, true}));
    editable.SetCurrentCell(0, 2, 0, "TEXT");
    typeText(&editable, "1");
    press(&editable, Qt::Key_Down, Qt::ShiftModifier);
    editable.updateFormMenu();
    QCOMPARE(enabled(editable), (QList<bool>{true, true, true, true, true, true}));
    QVERIFY(menuItem(editable, QStringLiteral("计算器")) != nullptr); // the view's own item follows
    QApplication::clipboard()->clear();
    editable.updateFormMenu();
    QVERIFY(!menuItem(editable, QStringLiteral("粘贴"))->isEnabled());
    QSignalSpy requested(&editable, &CKsFormView::commandRequested);
    menuItem(editable, QStringLiteral("保存"))->trigger();
    QCOMPARE(requested.count(), 1);
    QCOMPARE(requested.at(0).at(0).toInt(), cmd::kSave);
}

void FormViewTest::commandsOfTheMainWindow()
{
    RecordingView view(JournalTestView::sampleRows(3));
    prepare(view);
    QVERIFY(view.isCommandEnabled(cmd::kNewVoucher));
    QVERIFY(view.isCommandEnabled(cmd::kCalculator));
    QVERIFY(!view.isCommandEnabled(cmd::kSave));
    // Every form view prints, previews, writes PDF and has its page set up.
    for (int id : {cmd::kPrint, cmd::kPrintPreview, cmd::kExportPdf, cmd::kPageSetup, cmd::kPrintSetup})
        QVERIFY(view.isCommandEnabled(id));
    QVERIFY(!view.runCommand(cmd::kSave)); // the derived view or the main window saves
    view.SetCurrentCell(1, 2, 0, "TEXT");
    press(&view, Qt::Key_Down, Qt::ShiftModifier);
    QVERIFY(view.isCommandEnabled(cmd::kCut));
    QVERIFY(view.runCommand(cmd::kCut));
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("支付办公用品费\n收到华兴公司货款\n"));
    QCOMPARE(view.cell(1, 2), std::string());
    QCOMPARE(view.cell(2, 2), std::string());
    QVERIFY(view.isCommandEnabled(cmd::kSave));
    view.runCommand(cmd::kUndo);
    view.runCommand(cmd::kUndo);
    QCOMPARE(view.cell(1, 2), std::string("支付办公用品费"));
    QCOMPARE(view.cell(2, 2), std::string("收到华兴公司货款"));
}

void FormViewTest::calculatorSendsIntoCurrentCell()
{
    RecordingView view(JournalTestView::sampleRows(2));
    prepare(view);
    view.SetCurrentCell(0, 4, 3, "TEXT"); // debit 100.00
    QString offered;
    ModalCloser closer;
    closer.actOn<CalculatorDialog>([&offered](CalculatorDialog& dialog) {
        offered = dialog.expressionEdit()->text();
        dialog.expressionEdit()->setText(QStringLiteral("(1+2)*3.5"));
        if (auto* send = dialog.findChild<QPushButton*>(QStringLiteral("send")))
            send->click();
    });
    QVERIFY(view.runCommand(cmd::kCalculator));
    QCOMPARE(closer.classNames(), QStringList{QStringLiteral("kszw::CalculatorDialog")});
    QCOMPARE(offered, QStringLiteral("100.00"));
    QCOMPARE(view.cell(0, 4), std::string("10.5"));
    QCOMPARE(view.currentCell().caret, 0);
    QCOMPARE(view.columnTotal(JournalTestView::kDebitColumn), 10.5);
    view.runCommand(cmd::kUndo);
    QCOMPARE(view.cell(0, 4), std::string("100.00"));
    // A read-only view takes nothing back.
    RecordingView readOnly(JournalTestView::sampleRows(1), false);
    prepare(readOnly);
    readOnly.SetCurrentCell(0, 4, 0, "TEXT");
    readOnly.SendCalculatorValue("5");
    QCOMPARE(readOnly.cell(0, 4), std::string("100.00"));
}

namespace {

class CountingView : public JournalTestView {
public:
    using JournalTestView::JournalTestView;
    int minRow = 1 << 30;
    int maxRow = -1;
    int cells = 0;
    void DrawCell(QPainter& dc, int row, int col, std::string_view area) override
    {
        if (area == "TEXT") {
            ++cells;
            minRow = std::min(minRow, row);
            maxRow = std::max(maxRow, row);
        }
        JournalTestView::DrawCell(dc, row, col, area);
    }
};

} // namespace

void FormViewTest::onlyVisibleRowsArePainted()
{
    CountingView view(JournalTestView::sampleRows(200000), false);
    prepare(view);
    view.SetCurrentCell(150000, 1, 0, "TEXT");
    const int page = kScreenRows;
    QCOMPARE(view.GetPageRows(false), page);
    view.minRow = 1 << 30;
    view.maxRow = -1;
    view.cells = 0;
    view.grab();
    QCOMPARE(view.minRow, view.firstVisibleRow());
    QCOMPARE(view.maxRow, view.firstVisibleRow() + page - 1);
    QCOMPARE(view.cells, page * JournalTestView::kColumns);
    QVERIFY(view.firstVisibleRow() <= 150000 && 150000 < view.firstVisibleRow() + page);
    // Printed, the journal holds 18 rows a page (worked out in the printing test): 11,111 full
    // pages and a last one with the remaining 2 rows.
    QCOMPARE(view.GetPageRows(true), 18);
    QCOMPARE(view.GetPageCount(true), 11112);
}

void FormViewTest::movingInsideTheClickedCellKeepsTheCaret()
{
    RecordingView view(JournalTestView::sampleRows(3));
    prepare(view);
    const QPoint at = cellCenter(view, "TEXT", 0, 2);
    QTest::mousePress(view.viewport(), Qt::LeftButton, {}, at);
    const int caret = view.currentCell().caret;
    QVERIFY(caret > 0);
    const QPoint nudged = at + QPoint(1, 0);
    QMouseEvent move(QEvent::MouseMove, nudged, view.viewport()->mapToGlobal(nudged), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(view.viewport(), &move);
    QTest::mouseRelease(view.viewport(), Qt::LeftButton, {}, nudged);
    QVERIFY(!view.hasSelection());
    QCOMPARE(view.currentCell().caret, caret);
    QVERIFY(!view.isCommandEnabled(cmd::kCut));
}

void FormViewTest::selectingBesideTheTableFollowsTheRowAtTheMouse()
{
    RecordingView view(JournalTestView::sampleRows(3));
    prepare(view);
    const QPoint start = cellCenter(view, "TEXT", 0, 0);
    QTest::mousePress(view.viewport(), Qt::LeftButton, {}, start);
    const int right = view.screenGeometry().columnEdge(view.columnCount()) - view.horizontalScrollBar()->value();
    const QPoint beside(right + 20, start.y());
    QMouseEvent move(QEvent::MouseMove, beside, view.viewport()->mapToGlobal(beside), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(view.viewport(), &move);
    QTest::mouseRelease(view.viewport(), Qt::LeftButton, {}, beside);
    QCOMPARE(view.currentCell().row, 0);
}

void FormViewTest::aRefusedPasteStillCommitsWhatWasTyped()
{
    RecordingView view(JournalTestView::sampleRows(3));
    prepare(view);
    view.SetCurrentCell(1, 2, 0, "TEXT");
    typeText(&view, QStringLiteral("ab"));
    const std::string typed = view.cell(1, 2);
    QVERIFY(typed.rfind("ab", 0) == 0);
    view.changes.clear();
    // Far too long for the summary cell: refused as a whole.
    view.pasteText(std::string(200, 'x'));
    QCOMPARE(view.cell(1, 2), typed);
    press(&view, Qt::Key_Tab);
    QCOMPARE(view.changes.size(), size_t(1));
    QCOMPARE(std::get<0>(view.changes[0]), 1);
    QCOMPARE(std::get<1>(view.changes[0]), 2);
    QCOMPARE(std::get<3>(view.changes[0]), typed);
}

void FormViewTest::screenshot()
{
    const QByteArray path = qgetenv("KSZW_SCREENSHOT");
    JournalTestView view(JournalTestView::sampleRows(30));
    view.resize(1100, 720);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    view.activateWindow();
    view.setFocus();
    if (!QTest::qWaitForWindowActive(&view, 500))
        qInfo("no active window here: the caret is not drawn");
    view.SetCurrentCell(8, 2, 0, "TEXT");
    press(&view, Qt::Key_End);
    commit(&view, QStringLiteral("及运费"));
    press(&view, Qt::Key_Return);
    view.SetCurrentCell(3, 3, 0, "TEXT");
    press(&view, Qt::Key_Down, Qt::ShiftModifier);
    press(&view, Qt::Key_End, Qt::ShiftModifier);
    press(&view, Qt::Key_Right, Qt::ShiftModifier);
    press(&view, Qt::Key_End, Qt::ShiftModifier);
    press(&view, Qt::Key_Right, Qt::ShiftModifier);
    press(&view, Qt::Key_Down, Qt::ShiftModifier);
    QVERIFY(view.hasSelection());
    QCOMPARE(view.selection().bottom, 5);
    const QImage image = view.grab().toImage();
    // The paper is white and the ruled frame dark.
    const FormGeometry& g = view.screenGeometry();
    QCOMPARE(image.pixelColor(g.tableLeft() + 200, g.textTop() + 3).lightness() > 200, true);
    QVERIFY(image.pixelColor(g.tableLeft(), g.textTop() + 10).lightness() < 80);
    if (!path.isEmpty())
        QVERIFY(image.save(QString::fromLocal8Bit(path)));
}

QTEST_MAIN(FormViewTest)
#include "form_view_test.moc"
