// The voucher entry window driven by keys and commands on an offscreen screen, on a real year file:
// the head and the table a new voucher shows, the rules of a line as cells change (one amount per
// line, price × quantity, subjects and the quantity columns with their own widths), the number
// generators, the subject lookup, the save question of Ctrl+S, New and closing, deleting rows,
// opening a voucher and lines of reserved subjects, and a whole voucher typed with the keyboard.
// With KSZW_SCREENSHOT=path the window with a quantity voucher is saved as a PNG.
#include "accountset/year_file.h"
#include "chart/chart_import.h"
#include "chart/ui/subject_query_dialog.h"
#include "common/clock.h"
#include "common/command_ids.h"
#include "common/prompt.h"
#include "formview/print_settings.h"
#include "formview/ui/modal_closer.h"
#include "session/kszw_env.h"
#include "session/user_settings.h"
#include "store/database.h"
#include "voucher/ui/open_voucher_dialog.h"
#include "voucher/ui/voucher_entry_frame.h"
#include "voucher/ui/voucher_entry_view.h"
#include "voucher/voucher.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QInputMethodEvent>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace kszw;
using Column = CKszwpz::Column;

namespace {

constexpr std::string_view kChart = "code,name,kind,unit,multi_column,direction,width\n"
                                    "1001,库存现金,0,,0,0,0\n"
                                    "1002,银行存款,0,,0,0,0\n"
                                    "1002-1,工商银行,0,,0,0,0\n"
                                    "1122,应收账款,0,,0,0,0\n"
                                    "1221,其他应收款,0,,0,0,0\n"
                                    "1403,原材料,1,吨,0,0,0\n"
                                    "2202,应付账款,0,,0,0,0\n"
                                    "6001,主营业务收入,0,,0,0,0\n";
// 1221 is reserved for the program with source code 3.
constexpr const char* kReservedSubject = "1221";

const std::string kSaveChoices = "\n\n请作选择：\n\n① 存盘请选择“是”；\n② 不存盘请选择“否”；\n③ 返回继续制作请选择“取消”。";

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

void press(QWidget* widget, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QTest::keyClick(widget, key, modifiers);
}

std::vector<std::string> captions(const CKszwpz& view)
{
    std::vector<std::string> texts;
    for (int col = 0; col < view.columnCount(); ++col)
        texts.push_back(view.displayedText(0, col, "FORMHEAD"));
    return texts;
}

} // namespace

class VoucherEntryViewTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    int m_files = 0;
    FixedClock m_clock{CivilDate{2026, 3, 15}};
    std::unique_ptr<CKszwEnv> m_env;
    ScriptedPrompt m_prompt;

    Database& db() { return m_env->db(); }
    int count(const std::string& sql) { return db().queryLong(sql); }

    // A window on a new voucher, shown on a screen wide enough for the whole table.
    std::unique_ptr<CKszwpzFrm> window()
    {
        auto frame = std::make_unique<CKszwpzFrm>(*m_env, m_prompt, m_clock);
        frame->resize(1100, 700);
        frame->show();
        if (!QTest::qWaitForWindowExposed(frame.get()))
            qWarning("the window was not shown");
        return frame;
    }

    // Makes a TEXT cell current and types into it (the cell is taken to be empty).
    static void typeInto(CKszwpz* view, int row, int col, const QString& text)
    {
        view->SetCurrentCell(row, col, 0, "TEXT");
        typeKeys(view, text);
    }

    // Makes a TEXT cell current and types text in place of what it holds.
    static void replaceIn(CKszwpz* view, int row, int col, const QString& text)
    {
        view->SetCurrentCell(row, col, 9999, "TEXT");
        while (!view->GetCellInfo(row, col, "TEXT", false).text.empty() && view->currentCell().caret > 0)
            press(view, Qt::Key_Backspace);
        typeKeys(view, text);
    }

    // Leaves the current cell for the summary of line 0 (or the number when it is there).
    static void leave(CKszwpz* view)
    {
        const CellPos cell = view->currentCell();
        if (cell.area == "TEXT" && cell.row == 0 && cell.col == 0)
            view->SetCurrentCell(0, 3, 0, "HEAD");
        else
            view->SetCurrentCell(0, 0, 0, "TEXT");
    }

    static std::string cell(CKszwpz* view, int row, int cellIndex) { return view->voucher().lines[static_cast<size_t>(row)][cellIndex]; }

    void insertVoucher(const std::string& date, const std::string& number, const std::string& status = "0")
    {
        db().execute("INSERT INTO CERDIR(T,CER,OPP,PN,LY,MK,TT) VALUES(?1,?2,'102',0,'0',?3,?4)",
                     {date, number, status, date.substr(4, 2)});
    }

private slots:
    void initTestCase()
    {
        QFont::insertSubstitutions(QStringLiteral("宋体"), {QStringLiteral("AR PL UMing CN"),
                                                            QStringLiteral("Noto Sans CJK SC")});
        QVERIFY(m_dir.isValid());
    }

    // Every test works on a year file of its own with the chart, logged in as 102 (×××).
    void init()
    {
        const std::string folder = (m_dir.path() + QStringLiteral("/set%1").arg(++m_files)).toStdString();
        QVERIFY(QDir().mkpath(QString::fromStdString(folder)));
        const std::string path = folder + "/2026.ksk";
        createYearFile(path, 2026);
        m_env = std::make_unique<CKszwEnv>();
        ScriptedPrompt quiet;
        QVERIFY2(confirmLogin(*m_env, path, "102", "", quiet), quiet.last().c_str());
        MemoryUserSettings settings;
        m_env->completeLogin(settings);
        QVERIFY(importSubjects(db(), kChart).ok);
        db().execute("UPDATE SUBT SET OP='3' WHERE KNO=?1", {std::string(kReservedSubject)});
        m_prompt.clear();
    }

    void cleanup() { m_env.reset(); }

    void aNewWindowShowsTodaysVoucherWithTheCaretOnTheNumber()
    {
        auto frame = window();
        CKszwpz* view = frame->view();
        QCOMPARE(frame->windowTitle(), QStringLiteral("记帐凭证制作"));
        QCOMPARE(view->displayedText(0, 0, "HEAD"), std::string("2026"));
        QCOMPARE(view->displayedText(0, 1, "HEAD"), std::string("3"));
        QCOMPARE(view->displayedText(0, 2, "HEAD"), std::string("15"));
        QCOMPARE(view->displayedText(0, 3, "HEAD"), std::string("0001"));
        QCOMPARE(view->displayedText(0, 4, "HEAD"), std::string("0"));
        QCOMPARE(view->currentCell().area, std::string("HEAD"));
        QCOMPARE(view->currentCell().col, 3);
        QCOMPARE(view->textRowCount(), 1);
        QCOMPARE(captions(*view), (std::vector<std::string>{"摘    要", "会计科目", "借方金额", "贷方金额"}));
        QCOMPARE(view->formLayout().columnWidths, (std::vector<int>{15, 20, 7, 7}));
        QCOMPARE(view->displayedText(0, 0, "FORMFOOT"), std::string("借－贷＝"));
        QCOMPARE(view->displayedText(0, 1, "FORMFOOT"), std::string("合    计"));
        // While the voucher is being made the foot names its maker, the logged-in operator.
        QCOMPARE(view->makerName(), std::string("×××"));
        QCOMPARE(view->reviewerName(), std::string());
        QVERIFY(!view->isModified());
    }

    void aNewEmptyWindowClosesWithoutAQuestion()
    {
        auto frame = window();
        QVERIFY(frame->close());
        QVERIFY(m_prompt.entries().empty());
    }

    void theCellsTakeOnlyWhatTheirSpecificationsAllow()
    {
        struct Case {
            const char* area;
            int col;
            QString typed;
            std::string expected;
        };
        // Cells start empty (the head cells are emptied first).
        const Case cases[] = {
            {"HEAD", 1, "123", "12"},          // a month up to 12
            {"HEAD", 0, "20261", "2026"},      // four digits of a year
            {"HEAD", 3, "a1-2", "A12"},        // class letters in capitals, no signs
            {"HEAD", 4, "-3", "3"},            // attachments are not negative
            {"TEXT", 0, "付款 'x'", "付款x"},   // no blank, no quotes in a summary
            {"TEXT", 2, "12.345", "12.34"},    // amounts take two decimals
            {"TEXT", 1, "1002--1", "1002-1"},  // subject codes: digits and single separators
        };
        for (const Case& c : cases) {
            auto frame = window();
            CKszwpz* view = frame->view();
            if (std::string(c.area) == "HEAD")
                view->SetCellValue(0, c.col, "HEAD", "");
            view->SetCurrentCell(0, c.col, 0, c.area);
            typeKeys(view, c.typed);
            QCOMPARE(view->GetCellInfo(0, c.col, c.area, false).text, c.expected);
        }
    }

    void typingACreditClearsTheDebitAndTheTotalsFollow()
    {
        auto frame = window();
        CKszwpz* view = frame->view();
        typeInto(view, 0, 2, "50");
        leave(view);
        QCOMPARE(view->displayedText(0, 2, "FORMFOOT"), std::string("50.00"));
        QCOMPARE(view->displayedText(0, 0, "FORMFOOT"), std::string("借－贷＝50.00"));

        typeInto(view, 0, 3, "30");
        press(view, Qt::Key_Return); // on to a new line
        QCOMPARE(view->currentCell().row, 1);
        QCOMPARE(cell(view, 0, VoucherLine::Debit), std::string());
        QCOMPARE(view->displayedText(0, 2, "TEXT"), std::string());
        QCOMPARE(view->displayedText(0, 3, "TEXT"), std::string("30.00"));
        QCOMPARE(view->displayedText(0, 2, "FORMFOOT"), std::string());
        QCOMPARE(view->displayedText(0, 3, "FORMFOOT"), std::string("30.00"));
        QCOMPARE(view->displayedText(0, 0, "FORMFOOT"), std::string("借－贷＝-30.00"));

        // And back: a debit clears the credit.
        typeInto(view, 0, 2, "1234.5");
        leave(view);
        QCOMPARE(cell(view, 0, VoucherLine::Credit), std::string());
        QCOMPARE(view->displayedText(0, 0, "FORMFOOT"), std::string("借－贷＝1,234.50"));
        QCOMPARE(view->displayedText(0, 2, "TEXT"), std::string("1,234.50"));
    }

    void aBalancedVoucherShowsNoDifference()
    {
        auto frame = window();
        CKszwpz* view = frame->view();
        typeInto(view, 0, 2, "100");
        press(view, Qt::Key_Down);
        typeInto(view, 1, 3, "99.995");
        leave(view);
        QCOMPARE(cell(view, 1, VoucherLine::Credit), std::string("99.99")); // the third decimal is refused
        QCOMPARE(view->displayedText(0, 0, "FORMFOOT"), std::string("借－贷＝0.01"));
        replaceIn(view, 1, 3, "100");
        leave(view);
        QCOMPARE(view->displayedText(0, 0, "FORMFOOT"), std::string("借－贷＝"));
        QCOMPARE(view->displayedText(0, 3, "FORMFOOT"), std::string("100.00"));
    }

    void aTypedSubjectMakesItsLine()
    {
        struct Case {
            QString typed;
            std::string code;    // what the subject cell keeps
            std::string shown;   // what the cell shows once left
            int columns;
        };
        const Case cases[] = {
            {"1001", "1001", "1001 库存现金", 4},
            {"1403", "1403", "1403 原材料", 6},   // quantities: six columns
            {"1002", "1002", "1002", 4},          // has children: the code stays, refused at save
            {"9999", "9999", "9999", 4},          // no such subject
            {"1221", "", "", 4},                  // reserved for another program: emptied
        };
        for (const Case& c : cases) {
            auto frame = window();
            CKszwpz* view = frame->view();
            typeInto(view, 0, 1, c.typed);
            leave(view);
            QCOMPARE(cell(view, 0, VoucherLine::Subject), c.code);
            QCOMPARE(view->displayedText(0, 1, "TEXT"), c.shown);
            QCOMPARE(view->columnCount(), c.columns);
            QCOMPARE(view->voucher().lines[0].flags.substr(0, 2), std::string(c.columns == 6 ? "01" : "00"));
        }
    }

    void undoFollowsTheLineRulesAndStopsWhereTheColumnsChanged()
    {
        auto frame = window();
        CKszwpz* view = frame->view();
        typeInto(view, 0, 1, "1002-1");
        typeInto(view, 0, 2, "100");
        QCOMPARE(view->voucher().lines[0][VoucherLine::Display], std::string("1002-1 工商银行"));
        // Undoing into the subject cell: the shortened code names no subject any more.
        view->SetCurrentCell(0, 1, 6, "TEXT");
        press(view, Qt::Key_Z, Qt::ControlModifier); // the "100" goes, one keystroke at a time
        press(view, Qt::Key_Z, Qt::ControlModifier);
        press(view, Qt::Key_Z, Qt::ControlModifier);
        press(view, Qt::Key_Z, Qt::ControlModifier); // "1002-"
        QCOMPARE(cell(view, 0, VoucherLine::Subject), std::string("1002-"));
        QCOMPARE(view->voucher().lines[0][VoucherLine::Display], std::string());

        // A quantity subject on line 1 changes the columns: what was typed before is kept.
        typeInto(view, 0, 2, "7");
        press(view, Qt::Key_Down);
        typeInto(view, 1, 1, "1403");
        press(view, Qt::Key_Up);
        QVERIFY(view->hasQuantityColumns());
        QVERIFY(!view->isCommandEnabled(cmd::kUndo));
        press(view, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(cell(view, 1, VoucherLine::Subject), std::string("1403"));
        QCOMPARE(cell(view, 0, VoucherLine::Debit), std::string("7"));
        QCOMPARE(cell(view, 0, VoucherLine::Quantity), std::string());
    }

    void aQuantitySubjectSwitchesToSixColumnsWithTheirOwnWidthsAndBack()
    {
        // The six-column layout has widths of its own stored (mode "1").
        ViewSettings wide = LoadViewSettings(db(), 1, "1");
        wide.columnWidths = {22, 26, 11, 11, 12, 12};
        SaveViewSettings(db(), 1, "1", wide);

        auto frame = window();
        CKszwpz* view = frame->view();
        typeInto(view, 0, 1, "1001");
        press(view, Qt::Key_Down); // adds line 1
        QCOMPARE(view->textRowCount(), 2);
        typeInto(view, 1, 1, "1403");
        press(view, Qt::Key_Up);
        QVERIFY(view->hasQuantityColumns());
        // Quantities and rates take six decimals.
        typeInto(view, 1, 2, "1.2345678");
        QCOMPARE(view->GetCellInfo(1, 2, "TEXT", false).text, std::string("1.234567"));
        QCOMPARE(captions(*view), (std::vector<std::string>{"摘    要", "会计科目", "数量或外币", "单价或汇率", "借方金额",
                                                            "贷方金额"}));
        QCOMPARE(view->settingsKey().fieldMode, std::string("1"));
        QCOMPARE(view->formLayout().columnWidths, (std::vector<int>{22, 26, 11, 11, 12, 12}));
        QCOMPARE(view->columnOf(Column::Debit), 4);

        // The quantity subject removed: four columns again, with their widths.
        view->SetCurrentCell(1, 1, 99, "TEXT");
        for (int i = 0; i < 4; ++i)
            press(view, Qt::Key_Backspace);
        press(view, Qt::Key_Up);
        QVERIFY(!view->hasQuantityColumns());
        QCOMPARE(view->settingsKey().fieldMode, std::string("0"));
        QCOMPARE(view->formLayout().columnWidths, (std::vector<int>{15, 20, 7, 7}));
        QCOMPARE(view->columnOf(Column::Debit), 2);
    }

    void aPriceTimesTheQuantityGoesIntoTheDebitOrTheCredit()
    {
        auto frame = window();
        CKszwpz* view = frame->view();
        typeInto(view, 0, 1, "1403");
        press(view, Qt::Key_Tab); // to 数量或外币
        QCOMPARE(view->currentCell().col, 2);
        typeKeys(view, "4");
        press(view, Qt::Key_Tab);
        typeKeys(view, "12.5");
        press(view, Qt::Key_Tab);
        QCOMPARE(cell(view, 0, VoucherLine::Debit), std::string("50.00"));
        QCOMPARE(view->displayedText(0, 3, "TEXT"), std::string("12.5"));
        QCOMPARE(view->displayedText(0, 2, "FORMFOOT"), std::string());
        QCOMPARE(view->displayedText(0, 4, "FORMFOOT"), std::string("50.00"));

        // A line with a credit takes the amount in its credit.
        press(view, Qt::Key_Down);
        QCOMPARE(view->textRowCount(), 2);
        typeInto(view, 1, 1, "1403");
        typeInto(view, 1, 5, "30");
        typeInto(view, 1, 2, "4");
        QCOMPARE(view->displayedText(1, 3, "TEXT"), std::string("7.5"));
        replaceIn(view, 1, 3, "12.5");
        leave(view);
        QCOMPARE(cell(view, 1, VoucherLine::Credit), std::string("50.00"));
        QCOMPARE(cell(view, 1, VoucherLine::Debit), std::string());

        // The price offered for typing is the line's own: amount ÷ quantity.
        view->SetCurrentCell(1, 3, 0, "TEXT");
        QCOMPARE(view->GetCellInfo(1, 3, "TEXT", false).text, std::string("12.5"));
        view->SetCellValue(1, 2, "TEXT", "3");
        leave(view);
        QCOMPARE(view->displayedText(1, 3, "TEXT"), std::string("16.6667"));
        QCOMPARE(view->displayedText(1, 2, "TEXT"), std::string("3"));
    }

    void aPriceTypedOnTheLastLineCountsWhenDownAddsALine()
    {
        auto frame = window();
        CKszwpz* view = frame->view();
        typeInto(view, 0, 1, "1403");
        typeInto(view, 0, 2, "2");
        typeInto(view, 0, 3, "100");
        press(view, Qt::Key_Down); // a new line below; the price is committed on the way
        QCOMPARE(view->textRowCount(), 2);
        QCOMPARE(view->currentCell().row, 1);
        QCOMPARE(cell(view, 0, VoucherLine::Debit), std::string("200.00"));
        QCOMPARE(view->displayedText(0, 3, "TEXT"), std::string("100"));
    }

    void aPlainLineTakesNoQuantity()
    {
        auto frame = window();
        CKszwpz* view = frame->view();
        typeInto(view, 0, 1, "1403");
        press(view, Qt::Key_Down);
        typeInto(view, 1, 1, "1001");
        leave(view);
        view->SetCurrentCell(1, 2, 0, "TEXT");
        typeKeys(view, "5");
        QCOMPARE(cell(view, 1, VoucherLine::Quantity), std::string());
        QVERIFY(!view->CanEditCell(1, 3, "TEXT"));
        QVERIFY(view->CanEditCell(0, 2, "TEXT"));
    }

    void f7AndF8GenerateTheNextNumberOfTheTypedClass()
    {
        db().execute("INSERT INTO CERCLS(CNO,NA) VALUES('A','现收')");
        db().execute("INSERT INTO CERCLS(CNO,NA) VALUES('B','现付')");
        for (const char* number : {"A001", "A002", "A005", "B001"})
            insertVoucher("20260310", number);
        auto frame = window();
        CKszwpz* view = frame->view();
        QCOMPARE(view->displayedText(0, 3, "HEAD"), std::string()); // classes: the user types the class
        typeKeys(view, "a");
        QCOMPARE(view->displayedText(0, 3, "HEAD"), std::string("A"));
        press(view, Qt::Key_F7);
        QCOMPARE(view->displayedText(0, 3, "HEAD"), std::string("A006"));
        QVERIFY(view->isModified());
        press(view, Qt::Key_F8);
        QCOMPARE(view->displayedText(0, 3, "HEAD"), std::string("A003"));
        QCOMPARE(view->currentCell().area, std::string("HEAD"));
        QCOMPARE(view->currentCell().col, 3);
        QVERIFY(m_prompt.entries().empty());

        // A class that is not defined: the message, and the number stays for the user to mend.
        view->SetCellValue(0, 3, "HEAD", "D");
        view->SetCurrentCell(0, 0, 0, "TEXT");
        view->runCommand(cmd::kLargestFreeNumber);
        QCOMPARE(QString::fromStdString(m_prompt.last()), QStringLiteral("无此凭证分类号！"));
        QCOMPARE(view->displayedText(0, 3, "HEAD"), std::string("D"));
        QCOMPARE(view->currentCell().area, std::string("HEAD"));
        QCOMPARE(view->currentCell().col, 3);

        // A date out of the year: the caret goes to the cell at fault.
        view->SetCellValue(0, 3, "HEAD", "B");
        view->SetCellValue(0, 0, "HEAD", "2025");
        press(view, Qt::Key_F7);
        QCOMPARE(QString::fromStdString(m_prompt.last()), QStringLiteral("凭证制作时间不在本年度内！"));
        QCOMPARE(view->currentCell().col, 0);
    }

    void f2PutsTheChosenSubjectInAndItsColumns()
    {
        auto frame = window();
        CKszwpz* view = frame->view();
        // Outside the table there is no lookup: the menu item is greyed.
        QVERIFY(!view->isCommandEnabled(cmd::kSubjectLookup));
        view->SetCurrentCell(0, 0, 0, "TEXT");
        QVERIFY(view->isCommandEnabled(cmd::kSubjectLookup));

        QString startLevel;
        ModalCloser closer;
        closer.actOn<CSubjectQueryDlg>([&](CSubjectQueryDlg& dialog) {
            startLevel = dialog.levelCode();
            dialog.showCode(QStringLiteral("1403"));
            dialog.choose();
        });
        press(view, Qt::Key_F2);
        QCOMPARE(closer.classNames(), QStringList{QStringLiteral("kszw::CSubjectQueryDlg")});
        QCOMPARE(startLevel, QString());
        QCOMPARE(cell(view, 0, VoucherLine::Subject), std::string("1403"));
        QCOMPARE(view->displayedText(0, 1, "TEXT"), std::string("1403"));
        QVERIFY(view->hasQuantityColumns());
        QCOMPARE(view->currentCell().area, std::string("TEXT"));
        QCOMPARE(view->currentCell().col, 1);
        QVERIFY(view->isModified());
        leave(view);
        QCOMPARE(view->displayedText(0, 1, "TEXT"), std::string("1403 原材料"));
    }

    void theLookupItemOfTheMenuIsGreyedOutsideTheTable()
    {
        auto frame = window();
        CKszwpz* view = frame->view();
        QAction* lookup = nullptr;
        QStringList texts;
        for (QAction* action : view->formMenu()->actions()) {
            texts << action->text();
            if (action->data().toInt() == cmd::kSubjectLookup)
                lookup = action;
        }
        QVERIFY(texts.contains(QStringLiteral("产生最大凭证号(&B)\tF7")));
        QVERIFY(texts.contains(QStringLiteral("产生连续可用凭证号(&B)\tF8")));
        QVERIFY(lookup);
        QCOMPARE(lookup->text(), QStringLiteral("查询会计科目(&B)...\tF2"));
        bool enabledInHead = true;
        QTimer::singleShot(0, view, [&] {
            enabledInHead = lookup->isEnabled();
            view->formMenu()->close();
        });
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(10, 10), view->mapToGlobal(QPoint(10, 10)));
        QApplication::sendEvent(view->viewport(), &event);
        QVERIFY(!enabledInHead);
    }

    void ctrlSSavesThroughTheQuestionAndWritesTheVoucher()
    {
        auto frame = window();
        CKszwpz* view = frame->view();
        typeInto(view, 0, 0, "提现");
        typeInto(view, 0, 1, "1001");
        typeInto(view, 0, 2, "100");
        press(view, Qt::Key_Down);
        typeInto(view, 1, 0, "提现");
        typeInto(view, 1, 1, "1002-1");
        typeInto(view, 1, 3, "100");
        m_prompt.queueAnswer(Answer::Yes);
        press(view, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(m_prompt.texts(), std::vector<std::string>{"新增凭证：2026年3月15日  第0001号" + kSaveChoices});
        QCOMPARE(count("SELECT COUNT(*) FROM CERDIR WHERE T='20260315' AND CER='0001' AND MK='2' AND OPP='102'"), 1);
        QCOMPARE(count("SELECT COUNT(*) FROM P0 WHERE T='20260315' AND CER='0001' AND MK='2'"), 2);
        QCOMPARE(count("SELECT COUNT(*) FROM P0 WHERE KNO='1002-1' AND F=-1 AND MY=100 AND RN=2"), 1);
        QVERIFY(!view->isModified());
        QVERIFY(!view->isCommandEnabled(cmd::kSave));

        // Nothing changed since: nothing is asked, nothing written.
        m_prompt.clear();
        press(view, Qt::Key_S, Qt::ControlModifier);
        QVERIFY(m_prompt.entries().empty());

        // A further change is a change of the stored voucher.
        view->SetCurrentCell(0, 0, 99, "TEXT");
        typeKeys(view, "备用");
        m_prompt.queueAnswer(Answer::Yes);
        QVERIFY(view->runCommand(cmd::kSave));
        QCOMPARE(m_prompt.texts(), std::vector<std::string>{"修改凭证：2026年3月15日  第0001号" + kSaveChoices});
        QCOMPARE(count("SELECT COUNT(*) FROM P0 WHERE MRY='提现备用' AND RN=1"), 1);
        QVERIFY(frame->close());
    }

    void aDuplicateNumberTakesTheCaretBackToTheNumber()
    {
        insertVoucher("20260301", "0007");
        auto frame = window();
        CKszwpz* view = frame->view();
        view->SetCellValue(0, 3, "HEAD", "7");
        typeInto(view, 0, 1, "1001");
        typeInto(view, 0, 2, "10");
        m_prompt.queueAnswer(Answer::Yes); // save
        m_prompt.queueAnswer(Answer::Yes); // go back to the number
        QCOMPARE(view->saveIfModified(), 4);
        QCOMPARE(m_prompt.last(), std::string("凭证重号，\n需要返回修改吗？"));
        QCOMPARE(view->currentCell().area, std::string("HEAD"));
        QCOMPARE(view->currentCell().col, 3);
        QCOMPARE(view->displayedText(0, 3, "HEAD"), std::string("0007"));
        QVERIFY(view->isModified());
        // Still unsaved: closing asks again; going back keeps the window.
        m_prompt.queueAnswer(Answer::Cancel);
        QVERIFY(!frame->close());
        m_prompt.queueAnswer(Answer::No);
        QVERIFY(frame->close());
    }

    void closingWithUnsavedChangesAsksAndCancelKeepsTheWindow()
    {
        auto frame = window();
        CKszwpz* view = frame->view();
        typeInto(view, 0, 1, "1001");
        typeInto(view, 0, 2, "10");
        m_prompt.queueAnswer(Answer::Cancel);
        QVERIFY(!frame->close());
        QCOMPARE(m_prompt.texts(), std::vector<std::string>{"新增凭证：2026年3月15日  第0001号" + kSaveChoices});
        QVERIFY(view->isModified());
        QCOMPARE(cell(view, 0, VoucherLine::Debit), std::string("10"));

        // No: the changes are dropped and the window closes.
        m_prompt.queueAnswer(Answer::No);
        QVERIFY(frame->close());
        QCOMPARE(count("SELECT COUNT(*) FROM CERDIR"), 0);
    }

    void newAsksFirstAndShowsAFreshVoucher()
    {
        auto frame = window();
        CKszwpz* view = frame->view();
        typeInto(view, 0, 1, "1403");
        typeInto(view, 0, 2, "2");
        typeInto(view, 0, 4, "10");
        press(view, Qt::Key_Down);
        typeInto(view, 1, 1, "2202");
        typeInto(view, 1, 5, "10");
        m_prompt.queueAnswer(Answer::Yes);
        press(view, Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(count("SELECT COUNT(*) FROM CERDIR WHERE CER='0001'"), 1);
        QCOMPARE(count("SELECT COUNT(*) FROM P0 WHERE KNO='1403' AND NU=2"), 1);
        QCOMPARE(view->textRowCount(), 1);
        QVERIFY(!view->hasQuantityColumns());
        QCOMPARE(view->displayedText(0, 3, "HEAD"), std::string("0002"));
        QCOMPARE(view->currentCell().area, std::string("HEAD"));
        QCOMPARE(view->currentCell().col, 3);
        QVERIFY(!view->isModified());
        // The edits of the voucher before are not undone into this one.
        QVERIFY(!view->isCommandEnabled(cmd::kUndo));
        press(view, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(cell(view, 0, VoucherLine::Subject), std::string());
        // Going back from the question keeps the voucher.
        typeInto(view, 0, 1, "1001");
        typeInto(view, 0, 2, "5");
        m_prompt.queueAnswer(Answer::Cancel);
        view->runCommand(cmd::kNewVoucher);
        QCOMPARE(cell(view, 0, VoucherLine::Subject), std::string("1001"));
    }

    void deletingWholeRowsTakesTheLinesWithTheirSubjects()
    {
        auto frame = window();
        CKszwpz* view = frame->view();
        typeInto(view, 0, 1, "1001");
        typeInto(view, 0, 2, "1");
        press(view, Qt::Key_Down);
        typeInto(view, 1, 1, "1122");
        typeInto(view, 1, 2, "2");
        press(view, Qt::Key_Down);
        typeInto(view, 2, 1, "1403");
        typeInto(view, 2, 2, "3");
        typeInto(view, 2, 4, "30");
        leave(view);
        QCOMPARE(view->textRowCount(), 3);
        // Line 1 selected whole, with a click in the margin left of it.
        const FormGeometry& g = view->screenGeometry();
        const int y = g.rowTop("TEXT", 1, view->firstVisibleRow()) + g.rowHeight("TEXT") / 2;
        QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(g.tableLeft() - 4, y));
        QVERIFY(view->hasSelection());
        QVERIFY(view->runCommand(cmd::kDeleteRow));
        QCOMPARE(view->textRowCount(), 2);
        QCOMPARE(view->voucher().lineCount(), 2);
        QCOMPARE(cell(view, 1, VoucherLine::Subject), std::string("1403"));
        QCOMPARE(view->voucher().lines[1].flags.substr(0, 2), std::string("01"));
        QCOMPARE(view->displayedText(1, 1, "TEXT"), std::string("1403 原材料"));
        QCOMPARE(view->displayedText(1, 2, "TEXT"), std::string("3"));
        QCOMPARE(view->displayedText(0, 4, "FORMFOOT"), std::string("31.00"));
        QVERIFY(view->hasQuantityColumns());
    }

    void pastedRowsKeepTheColumnsTheyWereCopiedFrom()
    {
        auto frame = window();
        CKszwpz* view = frame->view();
        typeInto(view, 0, 1, "2202");
        typeInto(view, 0, 3, "100");
        view->SetCurrentCell(0, 0, 0, "TEXT");
        // Two whole rows of the four-column table: the first posts to a quantity subject.
        QApplication::clipboard()->setText(QStringLiteral("领料\t1403\t100\t\n付款\t1001\t\t30\n"));
        QVERIFY(view->runCommand(cmd::kPaste));
        QCOMPARE(view->textRowCount(), 3);
        QCOMPARE(cell(view, 0, VoucherLine::Subject), std::string("1403"));
        QCOMPARE(cell(view, 0, VoucherLine::Debit), std::string("100"));
        QCOMPARE(cell(view, 0, VoucherLine::Quantity), std::string());
        QCOMPARE(cell(view, 1, VoucherLine::Credit), std::string("30"));
        QCOMPARE(cell(view, 2, VoucherLine::Subject), std::string("2202"));
        QCOMPARE(view->displayedText(2, 1, "TEXT"), std::string("2202 应付账款"));
        // The quantity columns open once the paste is done.
        QVERIFY(view->hasQuantityColumns());
        QCOMPARE(view->displayedText(0, 4, "TEXT"), std::string("100.00"));
        QCOMPARE(view->displayedText(0, 5, "FORMFOOT"), std::string("130.00"));
    }

    void theCaretStaysInTheTableWhenTheQuantityColumnsClose()
    {
        auto frame = window();
        CKszwpz* view = frame->view();
        typeInto(view, 0, 1, "1403");
        press(view, Qt::Key_Down);
        typeInto(view, 1, 1, "1001");
        view->SetCurrentCell(0, 1, 99, "TEXT");
        for (int i = 0; i < 4; ++i)
            press(view, Qt::Key_Backspace);
        // A click into the credit of line 1 closes the quantity columns on the way.
        view->SetCurrentCell(1, 5, 0, "TEXT", true);
        QVERIFY(!view->hasQuantityColumns());
        QCOMPARE(view->currentCell().row, 1);
        QCOMPARE(view->currentCell().col, 3);
        typeKeys(view, "8");
        QCOMPARE(cell(view, 1, VoucherLine::Credit), std::string("8"));
    }

    void classLettersFromAnInputMethodAreCapitals()
    {
        db().execute("INSERT INTO CERCLS(CNO,NA) VALUES('B','转帐')");
        auto frame = window();
        CKszwpz* view = frame->view();
        QInputMethodEvent event;
        event.setCommitString(QStringLiteral("b12"));
        QApplication::sendEvent(view, &event);
        QCOMPARE(view->displayedText(0, 3, "HEAD"), std::string("B12"));
    }

    void linesOfAReservedSubjectOnlyAllowTheSummary()
    {
        // A voucher of this operator whose second line posts to the reserved subject.
        insertVoucher("20260312", "0003");
        db().execute("INSERT INTO P0(T,CER,RN,MRY,KNO,F,MY,NU,MK,TT) VALUES('20260312','0003',1,'收款','1001',1,80,0,'0','03')");
        db().execute("INSERT INTO P0(T,CER,RN,MRY,KNO,F,MY,NU,MK,TT) VALUES('20260312','0003',2,'代收','1221',-1,80,0,'0','03')");
        auto frame = window();
        CKszwpz* view = frame->view();
        ModalCloser closer;
        closer.actOn<COpenVoucherDlg>([](COpenVoucherDlg& dialog) { dialog.openSelected(); });
        press(view, Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(closer.classNames(), QStringList{QStringLiteral("kszw::COpenVoucherDlg")});
        QCOMPARE(view->textRowCount(), 3); // the two lines and one for further entry
        QCOMPARE(view->currentCell().area, std::string("TEXT"));
        QCOMPARE(view->currentCell().row, 0);
        QCOMPARE(view->currentCell().col, 0);
        QCOMPARE(view->displayedText(1, 1, "TEXT"), std::string("1221 其他应收款"));
        QCOMPARE(view->displayedText(0, 3, "HEAD"), std::string("0003"));
        QCOMPARE(view->displayedText(0, 1, "HEAD"), std::string("03"));

        QVERIFY(view->CanEditCell(1, 0, "TEXT"));
        for (int col = 1; col < 4; ++col)
            QVERIFY(!view->CanEditCell(1, col, "TEXT"));
        view->SetCurrentCell(1, 3, 0, "TEXT");
        typeKeys(view, "5");
        press(view, Qt::Key_Delete);
        QCOMPARE(cell(view, 1, VoucherLine::Credit), std::string("80"));
        view->SetCurrentCell(1, 0, 99, "TEXT");
        typeKeys(view, "款");
        QCOMPARE(cell(view, 1, VoucherLine::Summary), std::string("代收款"));
        QVERIFY(view->isModified());
        // Nor does the lookup change its subject.
        press(view, Qt::Key_F2);
        QCOMPARE(closer.classNames(), QStringList{QStringLiteral("kszw::COpenVoucherDlg")});
        QCOMPARE(cell(view, 1, VoucherLine::Subject), std::string("1221"));
    }

    void openingAVoucherWithAQuantityLineShowsSixColumns()
    {
        insertVoucher("20260311", "0002");
        db().execute("INSERT INTO P0(T,CER,RN,MRY,KNO,F,MY,NU,MK,TT) VALUES('20260311','0002',1,'领料','1403',1,250,5,'0','03')");
        auto frame = window();
        CKszwpz* view = frame->view();
        ModalCloser closer;
        closer.actOn<COpenVoucherDlg>([](COpenVoucherDlg& dialog) { dialog.openSelected(); });
        QVERIFY(view->runCommand(cmd::kFileOpen));
        QVERIFY(view->hasQuantityColumns());
        QCOMPARE(view->displayedText(0, 2, "TEXT"), std::string("5"));
        QCOMPARE(view->displayedText(0, 3, "TEXT"), std::string("50"));
        QCOMPARE(view->displayedText(0, 4, "TEXT"), std::string("250.00"));
        QVERIFY(!view->isModified());
        QVERIFY(frame->close());
        QVERIFY(m_prompt.entries().empty());
    }

    void aReviewedVoucherNamesItsMakerAndReviewerWhenShownReadOnly()
    {
        insertVoucher("20260311", "0002");
        db().execute("UPDATE CERDIR SET OPN='101'");
        db().execute("INSERT INTO P0(T,CER,RN,MRY,KNO,F,MY,NU,MK,TT) VALUES('20260311','0002',1,'领料','1001',1,5,0,'0','03')");
        auto frame = window();
        CKszwpz* view = frame->view();
        ScriptedPrompt quiet;
        QCOMPARE(view->voucher().OpenVoucher("20260311", "0002", quiet), 1);
        view->setEditable(false);
        QCOMPARE(view->reviewerName(), std::string("管理员"));
        QCOMPARE(view->makerName(), std::string("×××"));
    }

    void theTemplateCommandIsOfferedWithAGeneratorOnTheLinesAndInsertsItsLines()
    {
        auto frame = window();
        CKszwpz* view = frame->view();
        view->SetCurrentCell(0, 0, 0, "TEXT");
        QVERIFY(!view->isCommandEnabled(cmd::kTemplateVoucher)); // no generator yet

        typeInto(view, 0, 1, "6001");
        typeInto(view, 0, 3, "300");
        view->SetCurrentCell(0, 0, 0, "TEXT");
        int refused = -1;
        view->setTemplateGenerator([&refused](CKszwpz& target) {
            VoucherLine materials;
            materials[VoucherLine::Summary] = "结转材料";
            materials[VoucherLine::Subject] = "1403";
            materials[VoucherLine::Debit] = "1234.5";
            VoucherLine payable;
            payable[VoucherLine::Summary] = "结转材料";
            payable[VoucherLine::Subject] = "2202";
            payable[VoucherLine::Credit] = "1234.5";
            VoucherLine odd;
            odd[VoucherLine::Summary] = "引号\"不能用"; // the summary column takes no quote
            odd[VoucherLine::Subject] = "2202";
            odd[VoucherLine::Credit] = "12345678901234.00"; // more than the amount column holds
            refused = target.insertLinesAtCurrentRow({materials, payable, odd});
        });
        QVERIFY(view->isCommandEnabled(cmd::kTemplateVoucher));
        view->SetCurrentCell(0, 3, 0, "HEAD");
        QVERIFY(!view->isCommandEnabled(cmd::kTemplateVoucher)); // only on the lines
        view->SetCurrentCell(0, 0, 0, "TEXT");
        QVERIFY(view->runCommand(cmd::kTemplateVoucher));
        QCOMPARE(view->textRowCount(), 4);
        QCOMPARE(refused, 2); // counted, so that the operator is told
        QCOMPARE(cell(view, 0, VoucherLine::Debit), std::string("1234.50"));
        QCOMPARE(cell(view, 1, VoucherLine::Credit), std::string("1234.50"));
        QCOMPARE(cell(view, 2, VoucherLine::Summary), std::string());
        QCOMPARE(cell(view, 2, VoucherLine::Credit), std::string());
        QCOMPARE(cell(view, 3, VoucherLine::Subject), std::string("6001"));
        QVERIFY(view->hasQuantityColumns());
        QCOMPARE(view->displayedText(0, 1, "TEXT"), std::string("1403 原材料"));
        QCOMPARE(view->displayedText(0, 5, "FORMFOOT"), std::string("1,534.50"));
    }

    void aVoucherTypedWithTheKeyboardAloneIsSavedWithCtrlS()
    {
        auto frame = window();
        CKszwpz* view = frame->view();
        // The number, then the attachments.
        press(view, Qt::Key_Return);
        press(view, Qt::Key_Delete);
        typeKeys(view, "2");
        press(view, Qt::Key_Return); // down into the table
        QCOMPARE(view->currentCell().area, std::string("TEXT"));

        typeKeys(view, QStringLiteral("提现"));
        press(view, Qt::Key_Return);
        typeKeys(view, "1001");
        press(view, Qt::Key_Tab);
        typeKeys(view, "100");
        press(view, Qt::Key_Return);
        press(view, Qt::Key_Return); // past the credit: a new line
        QCOMPARE(view->currentCell().row, 1);
        QCOMPARE(view->currentCell().col, 0);

        typeKeys(view, QStringLiteral("领料"));
        press(view, Qt::Key_Return);
        typeKeys(view, "1403");
        press(view, Qt::Key_Return); // the quantity columns open; the caret is in 数量或外币
        QCOMPARE(view->columnCount(), 6);
        QCOMPARE(view->currentCell().col, 2);
        typeKeys(view, "4");
        press(view, Qt::Key_Tab);
        typeKeys(view, "25");
        press(view, Qt::Key_Return);
        press(view, Qt::Key_Return);
        press(view, Qt::Key_Return);
        QCOMPARE(view->currentCell().row, 2);

        typeKeys(view, QStringLiteral("付款"));
        press(view, Qt::Key_Return);
        typeKeys(view, "1002-1");
        for (int i = 0; i < 4; ++i)
            press(view, Qt::Key_Tab);
        QCOMPARE(view->currentCell().col, 5);
        typeKeys(view, "200");

        m_prompt.queueAnswer(Answer::Yes);
        press(view, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(m_prompt.texts(), std::vector<std::string>{"新增凭证：2026年3月15日  第0001号" + kSaveChoices});
        QCOMPARE(count("SELECT COUNT(*) FROM CERDIR WHERE CER='0001' AND PN=2 AND MK='2'"), 1);
        QCOMPARE(count("SELECT COUNT(*) FROM P0 WHERE CER='0001'"), 3);
        QCOMPARE(count("SELECT COUNT(*) FROM P0 WHERE RN=1 AND MRY='提现' AND KNO='1001' AND F=1 AND MY=100"), 1);
        QCOMPARE(count("SELECT COUNT(*) FROM P0 WHERE RN=2 AND MRY='领料' AND KNO='1403' AND F=1 AND MY=100 AND NU=4"), 1);
        QCOMPARE(count("SELECT COUNT(*) FROM P0 WHERE RN=3 AND MRY='付款' AND KNO='1002-1' AND F=-1 AND MY=200"), 1);
        QVERIFY(frame->close());
    }

    void screenshotOfAQuantityVoucher()
    {
        const QByteArray path = qgetenv("KSZW_SCREENSHOT");
        db().execute("UPDATE OPR SET NA='李会计' WHERE OPNO='102'");
        m_env->setOperator("102", "李会计");
        auto frame = window();
        CKszwpz* view = frame->view();
        if (!path.isEmpty()) // a new window: the caret on the number
            QVERIFY(frame->grab().save(QString::fromLocal8Bit(path).replace(QStringLiteral(".png"), QStringLiteral("_new.png"))));
        view->SetCellValue(0, 4, "HEAD", "3");
        const char* rows[][5] = {
            {"领用原材料", "1403", "12.5", "", "1000"},
            {"提取备用金", "1001", "", "", "500"},
            {"支付货款", "1002-1", "", "", ""},
        };
        for (int row = 0; row < 3; ++row) {
            typeInto(view, row, 0, QString::fromUtf8(rows[row][0]));
            typeInto(view, row, 1, QString::fromUtf8(rows[row][1]));
            leave(view);
            if (*rows[row][2])
                typeInto(view, row, view->columnOf(Column::Quantity), rows[row][2]);
            if (*rows[row][4])
                typeInto(view, row, view->columnOf(Column::Debit), rows[row][4]);
            view->SetCurrentCell(row, view->columnCount() - 1, 0, "TEXT");
            press(view, Qt::Key_Down);
        }
        typeInto(view, 2, view->columnOf(Column::Credit), "1500");
        view->SetCurrentCell(2, 5, 99, "TEXT");
        QVERIFY(view->hasQuantityColumns());
        QCOMPARE(view->displayedText(0, 3, "TEXT"), std::string("80"));
        QCOMPARE(view->displayedText(0, 0, "FORMFOOT"), std::string("借－贷＝"));
        if (!path.isEmpty()) {
            QVERIFY(frame->grab().save(QString::fromLocal8Bit(path)));
            // The printed page, drawn by the same code on a 100-dpi page of the stored paper size.
            const PageSettings& page = view->viewSettings().page;
            QImage paper(page.pageWidth * 100 / 254, page.pageLength * 100 / 254, QImage::Format_RGB32);
            paper.setDotsPerMeterX(3937);
            paper.setDotsPerMeterY(3937);
            paper.fill(Qt::white);
            QPainter painter(&paper);
            view->OnDraw(painter, paper, true, 0);
            painter.end();
            QVERIFY(paper.save(QString::fromLocal8Bit(path).replace(QStringLiteral(".png"), QStringLiteral("_print.png"))));
        }
    }
};

QTEST_MAIN(VoucherEntryViewTest)
#include "voucher_entry_view_test.moc"
