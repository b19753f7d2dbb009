// The voucher summary window on an offscreen screen, on real year files with imported vouchers: the
// amounts by top-level subject and, opened by a double click, Enter or the context menu, by the
// children of a subject, level by level, and Escape back up; the choice by class with its status
// range; the totals row; an empty choice; Open with and without the selection wired in; an engine
// error. With KSZW_SCREENSHOT_DIR=folder the window is saved there as summary_view.png and the
// printed summary as summary_print.pdf.
#include "accountset/year_file.h"
#include "chart/chart_import.h"
#include "common/clock.h"
#include "common/command_ids.h"
#include "common/prompt.h"
#include "formview/ui/form_printer.h"
#include "formview/view_kinds.h"
#include "session/kszw_env.h"
#include "session/user_settings.h"
#include "store/database.h"
#include "voucher/ui/voucher_summary_view.h"
#include "voucher/voucher_import.h"
#include "voucher/voucher_summary.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QDir>
#include <QMenu>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <memory>

using namespace kszw;

namespace {

constexpr std::string_view kChart = "code,name,kind,unit,multi_column,direction,width\n"
                                    "101,现金,0,,0,0,0\n"
                                    "101-1,人民币,0,,0,0,0\n"
                                    "101-2,外币,0,,0,0,0\n"
                                    "101-2-3,美元,0,,0,0,0\n"
                                    "101-2-4,日元,0,,0,0,0\n"
                                    "102,银行存款,0,,0,0,0\n"
                                    "501,管理费用,0,,0,0,0\n";

// Three vouchers of March: a line on 101-2-3 and one on 101-2-4 below 101-2, lines on 101-1,
// the bank and the expense subject 501 that has no children.
constexpr std::string_view kMarchVouchers = "date,number,attachments,summary,subject,debit,credit,quantity\n"
                                            "20260302,0001,1,购汇,101-2-3,100,,\n"
                                            "20260302,0001,1,购汇,102,,100,\n"
                                            "20260305,0002,1,提现,101-1,30,,\n"
                                            "20260305,0002,1,提现,101-2-4,20,,\n"
                                            "20260305,0002,1,提现,102,,50,\n"
                                            "20260310,0003,0,付办公费,501,80,,\n"
                                            "20260310,0003,0,付办公费,101-1,,80,\n";

using Cells = std::vector<std::string>;

} // namespace

class VoucherSummaryViewTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    int m_files = 0;
    FixedClock m_clock{CivilDate{2026, 3, 31}};
    std::unique_ptr<CKszwEnv> m_env;
    ScriptedPrompt m_prompt;

    Database& db() { return m_env->db(); }

    void importMarch(std::string_view csv)
    {
        const VoucherImportResult result = importVouchers(*m_env, m_clock, csv);
        QVERIFY2(result.ok, result.refusals.empty() ? "" : result.refusals.front().text().c_str());
    }

    // The status of a voucher, in its header and its lines.
    void setStatus(const std::string& number, const std::string& status)
    {
        db().execute("UPDATE CERDIR SET MK=?2 WHERE CER=?1", {number, status});
        db().execute("UPDATE P0 SET MK=?2 WHERE CER=?1", {number, status});
    }

    static SummarySelection byNumber(std::vector<std::string> numbers)
    {
        SummarySelection selection;
        selection.month = "03";
        selection.numbers = std::move(numbers);
        return selection;
    }

    // A summary window shown on a screen wide enough for the whole table.
    std::unique_ptr<CKszwpz2> window()
    {
        auto view = std::make_unique<CKszwpz2>(*m_env, m_clock);
        view->setPrompt(m_prompt);
        view->resize(900, 600);
        view->show();
        if (!QTest::qWaitForWindowExposed(view.get()))
            qWarning("the window was not shown");
        return view;
    }

    static std::vector<Cells> rows(const CKszwpz2& view)
    {
        std::vector<Cells> shown;
        for (int row = 0; row < view.textRowCount(); ++row) {
            Cells cells;
            for (int col = 0; col < view.columnCount(); ++col)
                cells.push_back(view.displayedText(row, col, "TEXT"));
            shown.push_back(cells);
        }
        return shown;
    }

    static QPoint centreOf(const CKszwpz2& view, int row, int col = 1)
    {
        const DeviceRect cell = view.screenGeometry().cellRect("TEXT", row, col, view.firstVisibleRow());
        return QPoint(cell.x + cell.width / 2 - view.horizontalScrollBar()->value(), cell.y + cell.height / 2);
    }

    // Opens the context menu on a row as the right button does; what the menu offered, as
    // {按子目汇总 enabled, 打开 enabled} (-1 when the menu did not show).
    static std::pair<int, int> menuOn(CKszwpz2& view, int row)
    {
        int children = -1;
        int open = -1;
        QTimer::singleShot(0, &view, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!menu)
                return;
            for (QAction* action : menu->actions()) {
                if (action->text() == QStringLiteral("按子目汇总(&W)"))
                    children = action->isEnabled() ? 1 : 0;
                if (action->text() == QStringLiteral("打开"))
                    open = action->isEnabled() ? 1 : 0;
            }
            menu->close();
        });
        const QPoint at = centreOf(view, row);
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, view.viewport()->mapToGlobal(at));
        QApplication::sendEvent(view.viewport(), &event);
        return {children, open};
    }

private slots:
    void initTestCase()
    {
        QFont::insertSubstitutions(QStringLiteral("宋体"), {QStringLiteral("AR PL UMing CN"),
                                                            QStringLiteral("Noto Sans CJK SC")});
        QVERIFY(m_dir.isValid());
    }

    // Every test works on a year file of its own with the chart, logged in as 102 (×××), whose
    // chief accountant is 王主管.
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
        m_env->setHeader(m_env->unitName(), "王主管", m_env->monthEndCode(), m_env->yearStart(), m_env->yearEnd());
        const ImportResult chart = importSubjects(db(), kChart);
        QVERIFY2(chart.ok, chart.message.c_str());
        m_prompt.clear();
    }

    void cleanup() { m_env.reset(); }

    void theTopLevelAddsUpEachTopSubjectWithItsTotals()
    {
        importMarch(kMarchVouchers);
        auto view = window();
        view->showSummary(byNumber({"0001", "0002", "0003"}));

        QCOMPARE(view->windowTitle(), QStringLiteral("记帐凭证汇总表"));
        QCOMPARE(view->settingsKey().nFlag, viewFlag(ViewKind::VoucherSummary));
        QCOMPARE(view->settingsKey().fieldMode, std::string("0"));
        QCOMPARE(view->headerLabel(), std::string("2026 年 3 月"));
        QCOMPARE(view->displayedText(0, 0, "HEAD"), std::string("2026 年 3 月"));
        QCOMPARE(view->displayedText(0, 1, "HEAD"), std::string()); // the page number is for paper
        QCOMPARE(view->level(), 0);
        // The line on 101-2-3 counts under 101 with the others of 101; 501 has no children and
        // shows with its own name.
        QCOMPARE(rows(*view), (std::vector<Cells>{{"101", "现金", "150.00", "80.00"},
                                                  {"102", "银行存款", "", "150.00"},
                                                  {"501", "管理费用", "80.00", ""},
                                                  {"", "    合      计", "230.00", "230.00"}}));
        Cells titles;
        for (int col = 0; col < view->columnCount(); ++col)
            titles.push_back(view->displayedText(0, col, "FORMHEAD"));
        QCOMPARE(titles, (Cells{"科目代码", "科  目  名  称   ", "借方发生额", "贷方发生额"}));
        Cells foot;
        for (int col = 0; col < 3; ++col)
            foot.push_back(view->displayedText(0, col, "FOOT"));
        QCOMPARE(foot, (Cells{"会计主管：王主管", "复  核：", "制  表：×××"}));
        QVERIFY(m_prompt.entries().empty());
    }

    void onlyTheChosenVouchersAreAddedUp()
    {
        importMarch(kMarchVouchers);
        auto view = window();
        view->showSummary(byNumber({"0002"}));
        QCOMPARE(rows(*view), (std::vector<Cells>{{"101", "现金", "50.00", ""},
                                                  {"102", "银行存款", "", "50.00"},
                                                  {"", "    合      计", "50.00", "50.00"}}));
    }

    void aDoubleClickOpensASubjectLevelByLevelAndEscapeGoesBackUp()
    {
        importMarch(kMarchVouchers);
        auto view = window();
        view->showSummary(byNumber({"0001", "0002", "0003"}));

        // 501 has no children: the double click only chooses the row.
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, centreOf(*view, 2));
        QCOMPARE(view->parentSubject(), std::string());
        QCOMPARE(view->currentCell().row, 2);

        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, centreOf(*view, 0));
        QCOMPARE(view->parentSubject(), std::string("101"));
        QCOMPARE(view->level(), 1);
        QCOMPARE(rows(*view), (std::vector<Cells>{{"101-1", "人民币", "30.00", "80.00"},
                                                  {"101-2", "外币", "120.00", ""},
                                                  {"", "    合      计", "150.00", "80.00"}}));

        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, centreOf(*view, 1));
        QCOMPARE(view->parentSubject(), std::string("101-2"));
        QCOMPARE(view->level(), 2);
        QCOMPARE(rows(*view), (std::vector<Cells>{{"101-2-3", "美元", "100.00", ""},
                                                  {"101-2-4", "日元", "20.00", ""},
                                                  {"", "    合      计", "120.00", "0.00"}}));
        // A leaf at the lowest level does not open; nor does the totals row.
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, centreOf(*view, 0));
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, centreOf(*view, 2));
        QCOMPARE(view->parentSubject(), std::string("101-2"));

        // Escape goes back one level at a time, to the row of the subject that was open.
        QTest::keyClick(view.get(), Qt::Key_Escape);
        QCOMPARE(view->parentSubject(), std::string("101"));
        QCOMPARE(view->level(), 1);
        QCOMPARE(view->currentCell().row, 1);
        QTest::keyClick(view.get(), Qt::Key_Escape);
        QCOMPARE(view->parentSubject(), std::string());
        QCOMPARE(view->level(), 0);
        QCOMPARE(view->currentCell().row, 0);
        QCOMPARE(rows(*view).size(), size_t(4));
        // At the top Escape changes nothing, and leaves the window open.
        QTest::keyClick(view.get(), Qt::Key_Escape);
        QCOMPARE(view->parentSubject(), std::string());
        QCOMPARE(rows(*view).size(), size_t(4));
        QVERIFY(view->isVisible());
        QVERIFY(m_prompt.entries().empty());
    }

    void enterOpensTheCurrentSubjectWhenItHasChildren()
    {
        importMarch(kMarchVouchers);
        auto view = window();
        view->showSummary(byNumber({"0001", "0002", "0003"}));
        view->SetCurrentCell(2, 0, 0, "TEXT"); // 501: Enter moves on as in every view
        QTest::keyClick(view.get(), Qt::Key_Return);
        QCOMPARE(view->parentSubject(), std::string());
        view->SetCurrentCell(0, 1, 0, "TEXT");
        QTest::keyClick(view.get(), Qt::Key_Return);
        QCOMPARE(view->parentSubject(), std::string("101"));
    }

    void theContextMenuOffersTheChildrenOnlyOnASubjectWithChildren()
    {
        importMarch(kMarchVouchers);
        auto view = window();
        view->showSummary(byNumber({"0001", "0002", "0003"}));

        // Without the selection wired in, Open is not offered.
        QCOMPARE(menuOn(*view, 2), std::make_pair(0, 0)); // 501
        QCOMPARE(menuOn(*view, 3), std::make_pair(0, 0)); // the totals row
        QCOMPARE(menuOn(*view, 1), std::make_pair(0, 0)); // 102
        // The row under the mouse counts, not the current row.
        view->SetCurrentCell(2, 0, 0, "TEXT");
        QCOMPARE(menuOn(*view, 0), std::make_pair(1, 0)); // 101
        QCOMPARE(view->currentCell().row, 2);
        view->openChildrenAction()->trigger();
        QCOMPARE(view->parentSubject(), std::string("101"));

        view->setReselect([](CKszwpz2&) {});
        QCOMPARE(menuOn(*view, 1), std::make_pair(1, 1)); // 101-2
        QCOMPARE(menuOn(*view, 0), std::make_pair(0, 1)); // 101-1
        QVERIFY(m_prompt.entries().empty());
    }

    void choosingByClassTakesTheRangeOfStatuses()
    {
        db().execute("INSERT INTO CERCLS(CNO,NA) VALUES('A','现收')");
        db().execute("INSERT INTO CERCLS(CNO,NA) VALUES('B','银付')");
        importMarch("date,number,attachments,summary,subject,debit,credit,quantity\n"
                    "20260302,A001,1,收款,101-1,10,,\n"
                    "20260302,A001,1,收款,102,,10,\n"
                    "20260303,A002,1,收款,101-1,200,,\n"
                    "20260303,A002,1,收款,102,,200,\n"
                    "20260304,B001,1,付款,501,3000,,\n"
                    "20260304,B001,1,付款,102,,3000,\n");
        setStatus("A002", "4");
        setStatus("B001", "4");
        auto view = window();

        struct Case {
            VoucherRange range;
            std::vector<Cells> rows;
        };
        const std::vector<Case> cases = {
            {VoucherRange::All,
             {{"101", "现金", "210.00", ""}, {"102", "银行存款", "", "210.00"}, {"", "    合      计", "210.00", "210.00"}}},
            // 已复核 leaves out A001, which has status 2.
            {VoucherRange::Reviewed,
             {{"101", "现金", "200.00", ""}, {"102", "银行存款", "", "200.00"}, {"", "    合      计", "200.00", "200.00"}}},
            {VoucherRange::Unreviewed,
             {{"101", "现金", "10.00", ""}, {"102", "银行存款", "", "10.00"}, {"", "    合      计", "10.00", "10.00"}}},
        };
        for (const Case& c : cases) {
            SummarySelection selection;
            selection.month = "03";
            selection.byClass = true;
            selection.classes = {"A"};
            selection.range = c.range;
            view->showSummary(selection);
            QCOMPARE(rows(*view), c.rows);
        }
        // Two classes: amounts with grouping commas.
        SummarySelection both;
        both.month = "03";
        both.byClass = true;
        both.classes = {"A", "B"};
        view->showSummary(both);
        QCOMPARE(rows(*view).back(), (Cells{"", "    合      计", "3,210.00", "3,210.00"}));
    }

    void anEmptyChoiceShowsOnlyTheTotalsRow()
    {
        importMarch(kMarchVouchers);
        auto view = window();
        view->showSummary(byNumber({}));
        QCOMPARE(view->textRowCount(), 1);
        QCOMPARE(view->displayedText(0, 1, "TEXT"), std::string("    合      计"));
        QCOMPARE(view->displayedText(0, 2, "TEXT"), summaryTotalsCells(VoucherSummary{})[2]);
        QCOMPARE(view->headerLabel(), std::string("2026 年 3 月"));
        QVERIFY(!view->rowCanOpen(0));
        QVERIFY(m_prompt.entries().empty());
    }

    void openRunsTheSelectionAgainAndStartsAtTheTop()
    {
        importMarch(kMarchVouchers);
        auto view = window();
        QVERIFY(!view->isCommandEnabled(cmd::kFileOpen));
        view->showSummary(byNumber({"0001"}));
        QVERIFY(view->openRow(0));
        QCOMPARE(view->parentSubject(), std::string("101"));

        int asked = 0;
        view->setReselect([&](CKszwpz2& shown) {
            ++asked;
            shown.showSummary(byNumber({"0003"}));
        });
        QVERIFY(view->isCommandEnabled(cmd::kFileOpen));
        QVERIFY(view->runCommand(cmd::kFileOpen));
        QCOMPARE(asked, 1);
        QCOMPARE(view->parentSubject(), std::string());
        QCOMPARE(view->selection().numbers, std::vector<std::string>{"0003"});
        QCOMPARE(rows(*view), (std::vector<Cells>{{"101", "现金", "", "80.00"},
                                                  {"501", "管理费用", "80.00", ""},
                                                  {"", "    合      计", "80.00", "80.00"}}));
    }

    void anEngineErrorIsToldAndTheSummaryStays()
    {
        importMarch(kMarchVouchers);
        auto view = window();
        view->showSummary(byNumber({"0001"}));
        const auto before = rows(*view);
        db().execute("DROP TABLE P0");
        view->showSummary(byNumber({"0002"}));
        QCOMPARE(m_prompt.entries().size(), size_t(1));
        QCOMPARE(m_prompt.entries()[0].icon, Icon::Exclamation);
        QCOMPARE(m_prompt.entries()[0].caption, std::string("岚屿穗软件"));
        QVERIFY2(m_prompt.last().find("P0") != std::string::npos, m_prompt.last().c_str());
        QCOMPARE(rows(*view), before);
        QCOMPARE(view->selection().numbers, std::vector<std::string>{"0001"});
    }

    void aLongSummaryPrintsOnSeveralPages()
    {
        // Sixty top-level subjects with one line each: more rows than one printed page holds.
        std::string chart = "code,name,kind,unit,multi_column,direction,width\n";
        std::string vouchers = "date,number,attachments,summary,subject,debit,credit,quantity\n";
        for (int i = 0; i < 60; ++i) {
            chart += std::to_string(600 + i) + ",科目" + std::to_string(i) + ",0,,0,0,0\n";
            vouchers += "20260320,0009,0,结转," + std::to_string(600 + i) + "," + std::to_string(i + 1) + ",,\n";
        }
        vouchers += "20260320,0009,0,结转,102,,1830,\n";
        QVERIFY(importSubjects(db(), chart).ok);
        importMarch(kMarchVouchers);
        importMarch(vouchers);
        auto view = window();
        view->showSummary(byNumber({"0001", "0002", "0003", "0009"}));
        QCOMPARE(view->textRowCount(), 64);
        QCOMPARE(view->displayedText(63, 2, "TEXT"), std::string("2,060.00"));
        QVERIFY(view->GetPageCount(true) >= 2);

        const QString folder = qEnvironmentVariable("KSZW_SCREENSHOT_DIR");
        const QString file = folder.isEmpty() ? m_dir.filePath(QStringLiteral("summary.pdf"))
                                              : folder + QStringLiteral("/summary_print.pdf");
        QVERIFY(exportViewToPdf(*view, file, m_prompt));
        QVERIFY(QFileInfo(file).size() > 0);
        QVERIFY(m_prompt.entries().empty());
        if (!folder.isEmpty()) {
            view->showSummary(byNumber({"0001", "0002", "0003"}));
            view->openRow(0);
            view->grab().save(folder + QStringLiteral("/summary_view.png"));
        }
    }
};

QTEST_MAIN(VoucherSummaryViewTest)
#include "voucher_summary_view_test.moc"
