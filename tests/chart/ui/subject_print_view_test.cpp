// The chart-of-accounts print view: the listing (order, indentation, marks), its progress, the
// scope dialog and its refusals, moving down into a subtree and back up with Enter, a double-click
// and Escape, the context menu's Open, the head and foot texts, and the printed pages.
#include "accountset/year_file.h"
#include "chart/ui/subject_print_scope_dialog.h"
#include "chart/ui/subject_print_view.h"
#include "common/clock.h"
#include "common/command_ids.h"
#include "common/prompt.h"
#include "formview/ui/form_printer.h"
#include "formview/ui/modal_closer.h"
#include "formview/ui/spec_edit.h"
#include "session/kszw_env.h"
#include "store/database.h"

#include <QContextMenuEvent>
#include <QFile>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace kszw;

namespace {

struct SubjectRow {
    const char* code;
    const char* name;
    const char* kind;   // FZ: "0" plain, "1" quantity, "2" foreign currency
    const char* unit;   // FZN
    const char* multi;  // DL
    int direction;      // DLF
};

// The chart of the tests, written in an order other than the listing's: 1001 before 101, 1002-10
// before 1002-2, children before their parents.
const SubjectRow kChart[] = {
    {"1001", "库存现金", "0", "", "0", 0},      {"101", "现金", "0", "", "0", 0},
    {"1002-1-2", "美元户", "2", "USD", "0", 0}, {"1002-1-1", "人民币户", "0", "", "0", 0},
    {"1002-10", "农业银行", "0", "", "0", 0},   {"1002-2", "建设银行", "0", "", "0", 0},
    {"1002-1", "工商银行", "0", "", "0", 0},    {"1002", "银行存款", "0", "", "0", 0},
    {"1403", "原材料", "1", "吨", "0", 0},      {"5101-1", "工资", "0", "", "0", 0},
    {"5101", "管理费用", "0", "", "1", 1},      {"2202", "应付账款", "0", "", "1", -1},
};

// The whole chart as the view lists it.
const std::vector<ChartRow> kWholeChart = {
    {"101", "现金", "1", "", "", ""},
    {"1001", "库存现金", "1", "", "", ""},
    {"1002", "银行存款", "1", "", "", ""},
    {"  1002-1", "工商银行", "2", "", "", ""},
    {"    1002-1-1", "人民币户", "3", "", "", ""},
    {"    1002-1-2", "美元户", "3", "", "", "外币"},
    {"  1002-2", "建设银行", "2", "", "", ""},
    {"  1002-10", "农业银行", "2", "", "", ""},
    {"1403", "原材料", "1", "", "", "数量金额"},
    {"2202", "应付账款", "1", "多栏", "贷", ""},
    {"5101", "管理费用", "1", "多栏", "借", ""},
    {"  5101-1", "工资", "2", "", "", ""},
};
constexpr int kRowOf1002 = 2;
constexpr int kRowOf1002_1 = 3;
constexpr int kRowOf1001 = 1;

void insertSubject(Database& db, const SubjectRow& subject)
{
    const std::string code = subject.code;
    const std::int64_t level = 1 + std::count(code.begin(), code.end(), '-');
    db.execute("INSERT INTO SUBT(KNO,NA,CLAS,OP,FZ,FZN,DL,DLF,DLW) VALUES(?1,?2,?3,'0',?4,?5,?6,?7,0)",
               {code, std::string(subject.name), level, std::string(subject.kind), std::string(subject.unit),
                std::string(subject.multi), static_cast<std::int64_t>(subject.direction)});
}

std::vector<std::string> codesOf(const std::vector<ChartRow>& rows)
{
    std::vector<std::string> codes;
    for (const ChartRow& row : rows)
        codes.push_back(row.at(0));
    return codes;
}

// The text of a PDF file with every blank and line break taken out; empty when pdftotext is missing.
QString pdfText(const QString& file)
{
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (tool.isEmpty())
        return {};
    QProcess process;
    process.start(tool, {QStringLiteral("-layout"), QStringLiteral("-enc"), QStringLiteral("UTF-8"), file, QStringLiteral("-")});
    if (!process.waitForFinished(60000))
        return {};
    return QString::fromUtf8(process.readAllStandardOutput()).remove(QRegularExpression(QStringLiteral("\\s")));
}

int pdfPageCount(const QString& file)
{
    QFile pdf(file);
    if (!pdf.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray content = pdf.readAll();
    if (!content.startsWith("%PDF"))
        return -1;
    return static_cast<int>(QString::fromLatin1(content).count(QRegularExpression(QStringLiteral("/Type\\s*/Page[^s]"))));
}

} // namespace

class SubjectPrintViewTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    int m_files = 0;
    FixedClock m_clock{CivilDate{2026, 3, 9}};

    // A year file with the unit 岚屿穗演示公司, the operator 103 李会计 logged in and the subjects.
    std::unique_ptr<CKszwEnv> yearWith(const std::vector<SubjectRow>& subjects)
    {
        const std::string path = (m_dir.path() + QStringLiteral("/%1.ksk").arg(2000 + ++m_files)).toStdString();
        createYearFile(path, 2000 + m_files);
        {
            Database db = Database::open(path);
            db.execute("UPDATE SYSTAB SET NA=?1", {std::string("岚屿穗演示公司")});
            db.execute("INSERT INTO OPR(OPNO,NA,PSD) VALUES('103','李会计','')");
            db.execute("INSERT INTO PWR(OPNO,PWR) VALUES('103',NULL)");
            for (const SubjectRow& subject : subjects)
                insertSubject(db, subject);
        }
        auto env = std::make_unique<CKszwEnv>();
        ScriptedPrompt prompt;
        if (!confirmLogin(*env, path, "103", "", prompt))
            qWarning("login failed: %s", prompt.last().c_str());
        return env;
    }

    std::unique_ptr<CKszwEnv> chartYear() { return yearWith(std::vector<SubjectRow>(std::begin(kChart), std::end(kChart))); }

    // The view listed and shown on a screen wide enough for the whole table.
    void showListed(CKszwSubjectPrint& view, const std::string& root)
    {
        view.resize(1100, 700);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QVERIFY(view.listChart(root));
    }

    void press(CKszwSubjectPrint& view, Qt::Key key) { QTest::keyClick(view.viewport(), key); }

private slots:
    void initTestCase()
    {
        QFont::insertSubstitutions(QStringLiteral("宋体"), {QStringLiteral("AR PL UMing CN"),
                                                            QStringLiteral("Noto Sans CJK SC")});
    }

    void theWholeChartIsListedDepthFirstInNumericOrderWithIndentedCodes()
    {
        auto env = chartYear();
        CKszwSubjectPrint view(*env, m_clock);
        QVERIFY(view.listChart(""));
        QCOMPARE(view.rows(), kWholeChart);
        QCOMPARE(view.textRowCount(), static_cast<int>(kWholeChart.size()));
        // The cells are the rows' texts, with the input spec of the listing's cells.
        for (int col = 0; col < CKszwSubjectPrint::kColumns; ++col) {
            const CellInfo info = view.GetCellInfo(5, col, "TEXT", false);
            QCOMPARE(info.text, kWholeChart[5][static_cast<size_t>(col)]);
            QCOMPARE(info.spec, std::string("STRING NOT |[]'\""));
            QCOMPARE(info.maxLength, 40 - col);
        }
        QCOMPARE(view.currentCell(), (CellPos{0, 0, 0, "TEXT"}));
        QVERIFY(!view.isEditable());
        QCOMPARE(view.windowTitle(), QStringLiteral("科目目录打印"));
    }

    void aSubtreeListsOnlyTheSubjectsBelowTheRoot()
    {
        auto env = chartYear();
        CKszwSubjectPrint view(*env, m_clock);
        QVERIFY(view.listChart("1002"));
        QCOMPARE(codesOf(view.rows()),
                 (std::vector<std::string>{"  1002-1", "    1002-1-1", "    1002-1-2", "  1002-2", "  1002-10"}));
        QVERIFY(view.listChart("1002-1"));
        QCOMPARE(codesOf(view.rows()), (std::vector<std::string>{"    1002-1-1", "    1002-1-2"}));
        QCOMPARE(view.textRowCount(), 2);
    }

    void theProgressRunsFromZeroToAHundredWhileListing()
    {
        auto env = chartYear();
        CKszwSubjectPrint view(*env, m_clock);
        QStringList shown;
        QList<int> percents;
        connect(&view, &CKszwSubjectPrint::listingProgress, &view, [&](int percent) {
            percents << percent;
            shown << view.progressText();
        });
        QVERIFY(view.listChart(""));
        QCOMPARE(percents.first(), 0);
        QCOMPARE(percents.last(), 100);
        QVERIFY(std::is_sorted(percents.begin(), percents.end()));
        QCOMPARE(shown.first(), QStringLiteral("  0％"));
        QVERIFY(shown.contains(QStringLiteral(" 50％"))); // 6 of 12 subjects
        QCOMPARE(shown.last(), QStringLiteral("100％"));
        QVERIFY(view.progressText().isEmpty()); // over
    }

    void theHeadAndFootTextsBeforeAndAfterTheListing()
    {
        auto env = chartYear();
        CKszwSubjectPrint view(*env, m_clock);
        QCOMPARE(view.unitText(), std::string("单位：岚屿穗演示公司"));
        QCOMPARE(view.printTimeText(), std::string("打印时间：×× 年 × 月 × 日"));
        QCOMPARE(view.makerText(), std::string("制  表：李会计"));
        QVERIFY(view.listChart(""));
        QCOMPARE(view.printTimeText(), std::string("打印时间：2026 年 3 月 9 日"));
        QCOMPARE(view.pageText(), std::string("第    1 页"));
        // The day is the listing's: a later day shows with the next listing only.
        m_clock.set(CivilDate{2026, 12, 31});
        QCOMPARE(view.printTimeText(), std::string("打印时间：2026 年 3 月 9 日"));
        QVERIFY(view.listChart("1002"));
        QCOMPARE(view.printTimeText(), std::string("打印时间：2026 年 12 月 31 日"));
        m_clock.set(CivilDate{2026, 3, 9});
    }

    void theScopeDialogRefusesALeafAndAnUnknownCodeAndKeepsTheFocusOnTheCode()
    {
        auto env = chartYear();
        ScriptedPrompt prompt;
        CSubjectPrintScopeDlg dialog(env->db(), prompt, QString());
        QCOMPARE(dialog.windowTitle(), QStringLiteral("会计科目打印"));
        QCOMPARE(dialog.confirmButton()->text(), QStringLiteral("&S.确认"));
        QCOMPARE(dialog.cancelButton()->text(), QStringLiteral("&X.取消"));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QVERIFY(dialog.allButton()->isChecked());
        QVERIFY(!dialog.codeField()->isEnabled());

        dialog.oneButton()->click();
        QVERIFY(dialog.codeField()->isEnabled());
        const char* const refused[] = {"1001", "9999", "", "1002-1-1"};
        for (const char* code : refused) {
            prompt.clear();
            dialog.codeField()->setText(QString::fromUtf8(code));
            dialog.allButton()->setFocus();
            QTest::mouseClick(dialog.confirmButton(), Qt::LeftButton);
            QCOMPARE(prompt.texts(), std::vector<std::string>{"该科目不存在或没有子科目，请重输！"});
            QCOMPARE(prompt.entries().front().caption, std::string("岚屿穗软件"));
            QVERIFY(dialog.isVisible());
            QVERIFY(dialog.codeField()->hasFocus());
        }
        // A code with sub-subjects is taken (Enter confirms), trimmed.
        prompt.clear();
        dialog.codeField()->setText(QStringLiteral("1002-1 "));
        QTest::keyClick(dialog.codeField(), Qt::Key_Return);
        QVERIFY(prompt.entries().empty());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.chosenRoot(), std::string("1002-1"));
    }

    void allSubjectsIsTheWholeChartAndAPresetCodeChoosesItsSubject()
    {
        auto env = chartYear();
        ScriptedPrompt prompt;
        CSubjectPrintScopeDlg all(env->db(), prompt, QString());
        all.codeField()->setText(QStringLiteral("1001")); // ignored: 全部科目 is chosen
        all.confirm();
        QCOMPARE(all.result(), int(QDialog::Accepted));
        QCOMPARE(all.chosenRoot(), std::string());
        CSubjectPrintScopeDlg preset(env->db(), prompt, QStringLiteral("5101"));
        QVERIFY(preset.oneButton()->isChecked());
        QCOMPARE(preset.codeField()->text(), QStringLiteral("5101"));
        preset.confirm();
        QCOMPARE(preset.chosenRoot(), std::string("5101"));
        QVERIFY(prompt.entries().empty());
    }

    void aYearWithoutSubjectsTellsSoInsteadOfTheDialog()
    {
        auto env = yearWith({});
        ScriptedPrompt prompt;
        ModalCloser closer;
        std::unique_ptr<CKszwSubjectPrint> view(CKszwSubjectPrint::open(*env, prompt, m_clock));
        QVERIFY(prompt.entries().empty()); // nothing is asked before the window shows
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view.get()));
        QTRY_COMPARE(prompt.texts(), std::vector<std::string>{"本年度尚未设置科目！"});
        QVERIFY(closer.seen().empty());
        QVERIFY(view->isVisible());
        QVERIFY(!view->isListed());
    }

    void theMenuCommandAsksForTheScopeWhenShownAndListsIt()
    {
        auto env = chartYear();
        ScriptedPrompt prompt;
        {
            // Cancelled: the window stays, unlisted, with the print time still blank.
            ModalCloser closer;
            std::unique_ptr<CKszwSubjectPrint> view(CKszwSubjectPrint::open(*env, prompt, m_clock));
            QVERIFY(closer.seen().empty());
            view->show();
            QVERIFY(QTest::qWaitForWindowExposed(view.get()));
            QTRY_COMPARE(closer.classNames(), QStringList{QStringLiteral("kszw::CSubjectPrintScopeDlg")});
            QVERIFY(view->isVisible());
            QVERIFY(!view->isListed());
            QVERIFY(view->rows().empty());
            QCOMPARE(view->printTimeText(), std::string("打印时间：×× 年 × 月 × 日"));
            // Showing again does not ask again.
            view->hide();
            view->show();
            QCoreApplication::processEvents();
            QCOMPARE(closer.classNames().size(), 1);
        }
        ModalCloser closer;
        closer.actOn<CSubjectPrintScopeDlg>([](CSubjectPrintScopeDlg& dialog) {
            dialog.oneButton()->click();
            dialog.codeField()->setText(QStringLiteral("1002"));
            dialog.confirm();
        });
        std::unique_ptr<CKszwSubjectPrint> view(CKszwSubjectPrint::open(*env, prompt, m_clock));
        QVERIFY(!view->isListed());
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view.get()));
        QTRY_VERIFY(view->isListed());
        QVERIFY(prompt.entries().empty());
        QCOMPARE(view->root(), std::string("1002"));
        QCOMPARE(view->rows().size(), size_t(5));
    }

    void enterBeforeTheFirstListingShowsTheScopeDialog()
    {
        auto env = chartYear();
        ScriptedPrompt prompt;
        CKszwSubjectPrint view(*env, m_clock);
        view.setPrompt(prompt);
        view.resize(1100, 700);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QCOMPARE(view.printTimeText(), std::string("打印时间：×× 年 × 月 × 日"));
        ModalCloser closer;
        closer.actOn<CSubjectPrintScopeDlg>([](CSubjectPrintScopeDlg& dialog) { dialog.confirm(); });
        press(view, Qt::Key_Return);
        QCOMPARE(closer.classNames(), QStringList{QStringLiteral("kszw::CSubjectPrintScopeDlg")});
        QVERIFY(view.isListed());
        QCOMPARE(view.rows(), kWholeChart);
    }

    void enterOnARowWithSubSubjectsRootsThereAndEscapeGoesBackUp()
    {
        auto env = chartYear();
        CKszwSubjectPrint view(*env, m_clock);
        showListed(view, "");
        view.SetCurrentCell(kRowOf1002_1, 1, 0, "TEXT");
        press(view, Qt::Key_Return);
        QCOMPARE(view.root(), std::string("1002-1"));
        QCOMPARE(codesOf(view.rows()), (std::vector<std::string>{"    1002-1-1", "    1002-1-2"}));
        QCOMPARE(view.currentCell(), (CellPos{0, 0, 0, "TEXT"}));
        press(view, Qt::Key_Escape);
        QCOMPARE(view.root(), std::string("1002"));
        QCOMPARE(view.rows().size(), size_t(5));
        QCOMPARE(view.currentCell(), (CellPos{0, 0, 0, "TEXT"}));
        // At a top-level root Escape does not go up, and nothing is listed again.
        press(view, Qt::Key_Escape);
        QCOMPARE(view.root(), std::string("1002"));
        QCOMPARE(view.rows().size(), size_t(5));
    }

    void escapeAtATopLevelRootOrTheWholeChartDoesNothing()
    {
        auto env = chartYear();
        CKszwSubjectPrint view(*env, m_clock);
        showListed(view, "5101");
        QVERIFY(!view.goUpOneLevel());
        press(view, Qt::Key_Escape);
        QCOMPARE(view.root(), std::string("5101"));
        QCOMPARE(codesOf(view.rows()), std::vector<std::string>{"  5101-1"});
        QVERIFY(view.listChart(""));
        press(view, Qt::Key_Escape);
        QCOMPARE(view.rows(), kWholeChart);
    }

    void enterOnALeafActsAsInEveryFormView()
    {
        auto env = chartYear();
        CKszwSubjectPrint view(*env, m_clock);
        showListed(view, "");
        view.SetCurrentCell(kRowOf1001, 0, 0, "TEXT");
        press(view, Qt::Key_Return);
        QCOMPARE(view.root(), std::string());
        QCOMPARE(view.currentCell(), (CellPos{0, kRowOf1001, 1, "TEXT"})); // the next cell of the row
        QCOMPARE(view.rows(), kWholeChart);
    }

    void aDoubleClickOnARowWithSubSubjectsRootsThere()
    {
        auto env = chartYear();
        CKszwSubjectPrint view(*env, m_clock);
        showListed(view, "");
        auto centreOf = [&](int row) {
            const DeviceRect cell = view.screenGeometry().cellRect("TEXT", row, 1, view.firstVisibleRow());
            return QPoint(cell.x + cell.width / 2 - view.horizontalScrollBar()->value(), cell.y + cell.height / 2);
        };
        QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, centreOf(kRowOf1001));
        QCOMPARE(view.root(), std::string()); // a leaf: only the cell is chosen
        QCOMPARE(view.currentCell().row, kRowOf1001);
        QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, centreOf(kRowOf1002));
        QCOMPARE(view.root(), std::string("1002"));
        QCOMPARE(view.rows().size(), size_t(5));
    }

    void theContextMenusOpenIsOfferedOnlyOnRowsWithSubSubjectsAndAsksForTheScope()
    {
        auto env = chartYear();
        ScriptedPrompt prompt;
        CKszwSubjectPrint view(*env, m_clock);
        view.setPrompt(prompt);
        showListed(view, "");

        // What the menu offers when it pops up on a row.
        auto openOffered = [&](int row) {
            view.SetCurrentCell(row, 0, 0, "TEXT");
            int offered = -1;
            QTimer::singleShot(0, &view, [&] {
                auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
                if (!menu)
                    return;
                for (QAction* action : menu->actions())
                    if (action->text() == QStringLiteral("打开"))
                        offered = action->isEnabled() ? 1 : 0;
                menu->close();
            });
            const QPoint at(20, 20);
            QContextMenuEvent event(QContextMenuEvent::Mouse, at, view.viewport()->mapToGlobal(at));
            QApplication::sendEvent(view.viewport(), &event);
            return offered;
        };
        QCOMPARE(openOffered(kRowOf1001), 0);
        QVERIFY(!view.isCommandEnabled(cmd::kFileOpen));
        QCOMPARE(openOffered(kRowOf1002), 1);
        QVERIFY(view.isCommandEnabled(cmd::kFileOpen));

        // Open shows the scope dialog with the row's subject, and lists what is confirmed.
        QString offeredCode;
        bool oneChosen = false;
        ModalCloser closer;
        closer.actOn<CSubjectPrintScopeDlg>([&](CSubjectPrintScopeDlg& dialog) {
            offeredCode = dialog.codeField()->text();
            oneChosen = dialog.oneButton()->isChecked();
            dialog.confirm();
        });
        QVERIFY(view.runCommand(cmd::kFileOpen));
        QCOMPARE(closer.classNames(), QStringList{QStringLiteral("kszw::CSubjectPrintScopeDlg")});
        QCOMPARE(offeredCode, QStringLiteral("1002"));
        QVERIFY(oneChosen);
        QCOMPARE(view.root(), std::string("1002"));
        QVERIFY(prompt.entries().empty());
    }

    void aChartOfFortySubjectsPrintsOnThreePages()
    {
        std::vector<SubjectRow> subjects;
        std::vector<std::string> codes;
        for (int i = 1; i <= 40; ++i)
            codes.push_back(std::to_string(1000 + i));
        for (const std::string& code : codes)
            subjects.push_back({code.c_str(), "科目", "0", "", "0", 0});
        auto env = yearWith(subjects);
        CKszwSubjectPrint view(*env, m_clock);
        view.setSettingsKey(SettingsKey{&env->db(), 10, "0"});
        QVERIFY(view.listChart(""));
        // The default 260 × 190 mm page at 1200 dpi: 5 mm of head length (236 dots), the title
        // and head lines (565 dots of type and 2 × 118 of spacing), three header rows of
        // 211 + 118 (2.5 mm) = 329 put the first body row 2024 dots down; below the rows the
        // foot line (184 + 118) and 20 mm of foot length (945): (8976 − 945 − 2024 − 302) ÷ 329
        // = 17.3 rows a page. The 600-dpi page the view measures on without a printer gives 17
        // as well.
        QCOMPARE(view.GetPageRows(true), 17);
        QCOMPARE(view.GetPageCount(true), 3); // 17 + 17 + 6
        ScriptedPrompt prompt;
        const QString file = m_dir.path() + QStringLiteral("/chart.pdf");
        QVERIFY(exportViewToPdf(view, file, prompt));
        QVERIFY(prompt.entries().empty());
        QCOMPARE(pdfPageCount(file), 3);

        const QString text = pdfText(file);
        if (text.isEmpty())
            QSKIP("pdftotext is not installed");
        for (const char* expected : {"会计科目表", "单位：岚屿穗演示公司", "打印时间：2026年3月9日", "科目代码",
                                     "科目名称", "级别", "辅助核算", "多栏方向", "数量或外币", "制表：李会计",
                                     "第1页", "第2页", "第3页", "1040"})
            QVERIFY2(text.contains(QString::fromUtf8(expected)), expected);
    }
};

QTEST_MAIN(SubjectPrintViewTest)
#include "subject_print_view_test.moc"
