// The three-column ledger window on an offscreen screen, on real year files with imported and
// posted vouchers: automatic mode (summary on a parent, detail on a leaf), the mode commands and
// their greying, the head, title and column header, 查询凭证 on detail rows only (Enter, double
// click, context menu), the period dialog and the account selection with their effects, the empty
// ledger under a new head, and the print rows with their carry rows at a page break.
// With KSZW_SCREENSHOT_DIR=folder the window is saved there as ledger_detail.png and
// ledger_summary.png and a printed detail ledger of two pages as ledger_print.pdf.
#include "accountset/year_file.h"
#include "chart/chart_import.h"
#include "chart/subjects.h"
#include "chart/ui/subject_query_dialog.h"
#include "common/clock.h"
#include "common/command_ids.h"
#include "common/prompt.h"
#include "formview/ui/form_printer.h"
#include "formview/ui/modal_closer.h"
#include "formview/ui/spec_edit.h"
#include "formview/view_kinds.h"
#include "ledger/ui/period_dialog.h"
#include "ledger/ui/three_column_view.h"
#include "session/kszw_env.h"
#include "session/user_settings.h"
#include "store/database.h"
#include "voucher/voucher_import.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QPrintPreviewDialog>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <map>
#include <tuple>
#include <memory>

using namespace kszw;

namespace {

constexpr std::string_view kChart = "code,name,kind,unit,multi_column,direction,width\n"
                                    "1001,库存现金,0,,0,0,0\n"
                                    "1002,银行存款,0,,0,0,0\n"
                                    "1002-1,工商银行,0,,0,0,0\n"
                                    "1002-2,建设银行,0,,0,0,0\n"
                                    "1002-2-1,城东支行,0,,0,0,0\n"
                                    "1002-2-2,城西支行,0,,0,0,0\n"
                                    "6602,管理费用,0,,0,0,0\n";

constexpr std::string_view kOpening = "code,direction,amount,quantity\n"
                                      "1001,借,500,\n"
                                      "1002-1,借,10000,\n";

// Three posted vouchers (two in January, one in March) and one in March left unposted.
constexpr std::string_view kVouchers = "date,number,attachments,summary,subject,debit,credit,quantity\n"
                                       "20260105,0001,1,提现,1001,200,,\n"
                                       "20260105,0001,1,提现,1002-1,,200,\n"
                                       "20260120,0002,1,转存,1002-2-1,300,,\n"
                                       "20260120,0002,1,转存,1001,,300,\n"
                                       "20260310,0001,0,付办公费,6602,80,,\n"
                                       "20260310,0001,0,付办公费,1002-1,,80,\n"
                                       "20260312,0002,0,付邮费,6602,50,,\n"
                                       "20260312,0002,0,付邮费,1002-1,,50,\n";

using Cells = std::vector<std::string>;

// A ledger that notes the page text of every printed page it draws.
class PageRecordingLedger : public CKszwzb1 {
public:
    using CKszwzb1::CKszwzb1;
    std::vector<std::string> printedPageTexts;

    void DrawCell(QPainter& dc, int row, int col, std::string_view area) override
    {
        if (isPrinting() && area == "HEAD" && row == 1 && col == 2)
            printedPageTexts.push_back(displayedText(row, col, area));
        CKszwzb1::DrawCell(dc, row, col, area);
    }
};

} // namespace

class ThreeColumnViewTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    int m_files = 0;
    FixedClock m_clock{CivilDate{2026, 4, 30}};
    std::unique_ptr<CKszwEnv> m_env;
    ScriptedPrompt m_prompt;

    Database& db() { return m_env->db(); }

    void importCsv(std::string_view csv)
    {
        const VoucherImportResult result = importVouchers(*m_env, m_clock, csv);
        QVERIFY2(result.ok, result.refusals.empty() ? "" : result.refusals.front().text().c_str());
    }

    // Every voucher posted, except the one of the date and number.
    void postAllBut(const std::string& date, const std::string& number)
    {
        db().execute("UPDATE CERDIR SET MK='4' WHERE NOT (T=?1 AND CER=?2)", {date, number});
        db().execute("UPDATE P0 SET MK='4' WHERE CER<>'    ' AND NOT (T=?1 AND CER=?2)", {date, number});
    }

    void postAll()
    {
        db().execute("UPDATE CERDIR SET MK='4'");
        db().execute("UPDATE P0 SET MK='4'");
    }

    // 25 posted vouchers in April, one a day: 1001 debited 10, 20, … 250 against 6602.
    void importAprilRun()
    {
        std::string csv = "date,number,attachments,summary,subject,debit,credit,quantity\n";
        for (int n = 1; n <= 25; ++n) {
            char head[64];
            std::snprintf(head, sizeof head, "202604%02d,%04d,0,", n, n);
            const std::string amount = std::to_string(10 * n);
            csv += head + std::string("收款") + std::to_string(n) + ",1001," + amount + ",,\n";
            csv += head + std::string("收款") + std::to_string(n) + ",6602,," + amount + ",\n";
        }
        importCsv(csv);
        postAll();
    }

    std::unique_ptr<CKszwzb1> window(int width = 1100, int height = 700)
    {
        auto view = std::make_unique<CKszwzb1>(*m_env, m_clock);
        view->setPrompt(m_prompt);
        view->resize(width, height);
        view->show();
        if (!QTest::qWaitForWindowExposed(view.get()))
            qWarning("the window was not shown");
        return view;
    }

    // An A4 page upright: more than 20 rows fit on it.
    static void uprightA4(CKsFormView& view)
    {
        ViewSettings settings = view.viewSettings();
        settings.page.pageWidth = 2100;
        settings.page.pageLength = 2970;
        view.setViewSettings(settings);
        QVERIFY(view.GetPageRows(true) > 20);
    }

    std::unique_ptr<CKszwzb1> ledgerOf(const std::string& code)
    {
        auto view = window();
        view->setAccount(code);
        view->LoadLedger();
        return view;
    }

    static Cells row(const CKszwzb1& view, int r)
    {
        Cells cells;
        for (int col = 0; col < view.columnCount(); ++col)
            cells.push_back(view.displayedText(r, col, "TEXT"));
        return cells;
    }

    static std::vector<Cells> rows(const CKszwzb1& view)
    {
        std::vector<Cells> shown;
        for (int r = 0; r < view.textRowCount(); ++r)
            shown.push_back(row(view, r));
        return shown;
    }

    static QPoint centreOf(const CKszwzb1& view, int r, int col = 3)
    {
        const DeviceRect cell = view.screenGeometry().cellRect("TEXT", r, col, view.firstVisibleRow());
        return QPoint(cell.x + cell.width / 2 - view.horizontalScrollBar()->value(), cell.y + cell.height / 2);
    }

    // Opens the context menu on a row as the right button does: each item's text with whether it
    // was enabled, in menu order (separators as "-").
    static std::vector<std::pair<QString, bool>> menuOn(CKszwzb1& view, int r,
                                                        QContextMenuEvent::Reason reason = QContextMenuEvent::Mouse)
    {
        std::vector<std::pair<QString, bool>> items;
        QTimer::singleShot(0, &view, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!menu)
                return;
            for (QAction* action : menu->actions())
                items.emplace_back(action->isSeparator() ? QStringLiteral("-") : action->text(), action->isEnabled());
            menu->close();
        });
        const QPoint at = centreOf(view, r);
        QContextMenuEvent event(reason, at, view.viewport()->mapToGlobal(at));
        QApplication::sendEvent(view.viewport(), &event);
        return items;
    }

    static std::map<QString, bool> enabledOn(CKszwzb1& view, int r,
                                             QContextMenuEvent::Reason reason = QContextMenuEvent::Mouse)
    {
        std::map<QString, bool> enabled;
        for (const auto& [text, on] : menuOn(view, r, reason))
            enabled[text] = on;
        return enabled;
    }

private slots:
    void initTestCase()
    {
        QFont::insertSubstitutions(QStringLiteral("宋体"), {QStringLiteral("AR PL UMing CN"),
                                                            QStringLiteral("Noto Sans CJK SC")});
        QVERIFY(m_dir.isValid());
    }

    // Every test works on a year file of its own with the chart, the opening balances and the
    // vouchers, all posted but 0002 of 12 March.
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
        const ImportResult chart = importSubjects(db(), kChart);
        QVERIFY2(chart.ok, chart.message.c_str());
        const ImportResult opening = importOpeningBalances(db(), kOpening);
        QVERIFY2(opening.ok, opening.message.c_str());
        importCsv(kVouchers);
        postAllBut("20260312", "0002");
        m_prompt.clear();
    }

    void cleanup() { m_env.reset(); }

    void aNewViewIsAnEmptyWholeYearLedgerLaidOutInEightColumns()
    {
        auto view = window();
        QCOMPARE(view->windowTitle(), QStringLiteral("三栏式帐页"));
        QCOMPARE(view->settingsKey().nFlag, viewFlag(ViewKind::ThreeColumnLedger));
        QCOMPARE(view->settingsKey().fieldMode, std::string("0"));
        QCOMPARE(view->formLayout().columnWidths, (std::vector<int>{3, 3, 4, 40, 12, 12, 2, 12}));
        QCOMPARE(view->formLayout().formHeadRows, 3);
        QCOMPARE(view->formLayout().headRows, 2);
        QCOMPARE(view->formLayout().footRows, 0);
        QCOMPARE(view->formLayout().formFootRows, 0);
        QCOMPARE(view->textRowCount(), 20);
        QVERIFY(!view->isEditable());
        QCOMPARE(view->mode(), LedgerMode::Automatic);
        QCOMPARE(view->startMonth(), 1);
        QCOMPARE(view->endMonth(), 12);
        QCOMPARE(view->periodTitle(), std::string("2026 年  1 月 至 12 月"));
        QVERIFY(view->rows().empty());
        // The view's own items follow the form menu's, in this order.
        QStringList texts;
        for (QAction* action : view->formMenu()->actions())
            texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
        QCOMPARE(texts.mid(texts.size() - 6),
                 (QStringList{QStringLiteral("查询凭证(&W)"), QStringLiteral("改变查询时间(&K)"), QStringLiteral("-"),
                              QStringLiteral("自动选择输出方式"), QStringLiteral("输出明细记录"),
                              QStringLiteral("输出汇总记录")}));
        QCOMPARE(view->menuAction(CKszwzb1::kQueryVoucherCommand)->data().toInt(), 40017);
        QCOMPARE(view->menuAction(CKszwzb1::kChangePeriodCommand)->data().toInt(), 40016);
    }

    void automaticModeShowsSummaryRowsOnAParentAndDetailRowsOnItsLeaf()
    {
        auto view = ledgerOf("1002");
        QVERIFY(view->hasChildren());
        QVERIFY(!view->detailInForce());
        // The opening balance of 1002-1, January with the transfer into 1002-2-1 and the
        // withdrawal from 1002-1, March with the one posted payment.
        QCOMPARE(rows(*view),
                 (std::vector<Cells>{{"01", "01", "", "期 初 余 额 汇 总", "", "", "借", "10,000.00"},
                                     {"01", "31", "", "本  月  合  计", "300.00", "200.00", "借", "10,100.00"},
                                     {"01", "31", "", "本  年  累  计", "300.00", "200.00", "借", "10,100.00"},
                                     {"03", "31", "", "本  月  合  计", "", "80.00", "借", "10,020.00"},
                                     {"03", "31", "", "本  年  累  计", "300.00", "280.00", "借", "10,020.00"}}));

        view->setAccount("1002-1");
        view->LoadLedger();
        QVERIFY(!view->hasChildren());
        QVERIFY(view->detailInForce());
        QCOMPARE(rows(*view),
                 (std::vector<Cells>{{"01", "01", "", "期 初 余 额", "", "", "借", "10,000.00"},
                                     {"01", "05", "0001", "提现", "", "200.00", "借", "9,800.00"},
                                     {"01", "31", "", "本  月  合  计", "", "200.00", "借", "9,800.00"},
                                     {"01", "31", "", "本  年  累  计", "", "200.00", "借", "9,800.00"},
                                     {"03", "10", "0001", "付办公费", "", "80.00", "借", "9,720.00"},
                                     {"03", "31", "", "本  月  合  计", "", "80.00", "借", "9,720.00"},
                                     {"03", "31", "", "本  年  累  计", "", "280.00", "借", "9,720.00"}}));
        QCOMPARE(view->currentCell().row, 0);
    }

    void theHeadAndTitleFollowTheAccountAndItsLevel_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<int>("level");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("names");
        QTest::newRow("level 1") << "1002" << 1 << QStringLiteral(" 总分类帐 ") << QStringLiteral("帐户名：银行存款");
        QTest::newRow("level 3") << "1002-2-1" << 3 << QStringLiteral(" 三级分类帐 ")
                                 << QStringLiteral("帐户名：银行存款/建设银行/城东支行");
    }

    void theHeadAndTitleFollowTheAccountAndItsLevel()
    {
        QFETCH(QString, code);
        QFETCH(int, level);
        QFETCH(QString, title);
        QFETCH(QString, names);
        auto view = ledgerOf(code.toStdString());
        QCOMPARE(view->level(), level);
        QCOMPARE(QString::fromStdString(view->titleText()), title);
        QCOMPARE(QString::fromStdString(view->displayedText(0, 0, "HEAD")), names);
        QCOMPARE(QString::fromStdString(view->displayedText(1, 0, "HEAD")), QStringLiteral("帐户号：") + code);
        QCOMPARE(view->displayedText(1, 1, "HEAD"), std::string("2026 年  1 月 至 12 月"));
        QCOMPARE(view->displayedText(1, 2, "HEAD"), std::string()); // the page is for paper only
        QCOMPARE(view->formLayout().headCells[1].size(), size_t(3));
        QCOMPARE(view->formLayout().headCells[1][1].pos, 410);
        QCOMPARE(view->formLayout().headCells[1][2].pos, 860);

        // The column header: the year over 月 and 日, 凭证 over 号码, 借/或/贷 stacked.
        const std::vector<std::tuple<int, int, std::string>> header = {
            {0, 0, "2026年"},    {2, 0, "月"},         {2, 1, "日"},         {0, 2, "凭证"},
            {2, 2, "号码"},       {1, 3, "摘          要     "},                 {1, 4, "借方发生额"},
            {1, 5, "贷方发生额"}, {0, 6, "借"},         {1, 6, "或"},         {2, 6, "贷"},
            {1, 7, "余     额"}, {0, 3, ""},           {1, 0, ""}};
        for (const auto& [r, c, text] : header)
            QCOMPARE(view->displayedText(r, c, "FORMHEAD"), text);
    }

    void theModeCommandsReloadOnlyWhenTheDetailFlagChanges()
    {
        auto view = ledgerOf("1002");
        std::map<QString, bool> enabled = enabledOn(*view, 1);
        QCOMPARE(enabled[QStringLiteral("自动选择输出方式")], false);
        QCOMPARE(enabled[QStringLiteral("输出明细记录")], true);
        QCOMPARE(enabled[QStringLiteral("输出汇总记录")], true);
        QCOMPARE(enabled[QStringLiteral("改变查询时间(&K)")], true);

        // 输出汇总记录 on a parent shown in summary: the same rows, nothing read again. The voucher
        // posted meanwhile shows only once the ledger is read again.
        const std::vector<Cells> summary = rows(*view);
        postAll();
        QVERIFY(view->runCommand(CKszwzb1::kSummaryModeCommand));
        QCOMPARE(view->mode(), LedgerMode::Summary);
        QCOMPARE(rows(*view), summary);
        enabled = enabledOn(*view, 1);
        QCOMPARE(enabled[QStringLiteral("自动选择输出方式")], true);
        QCOMPARE(enabled[QStringLiteral("输出汇总记录")], false);

        // 输出明细记录: the lines of every descendant in date order.
        QVERIFY(view->runCommand(CKszwzb1::kDetailModeCommand));
        QVERIFY(view->detailInForce());
        QCOMPARE(view->mode(), LedgerMode::Detail);
        QCOMPARE(rows(*view),
                 (std::vector<Cells>{{"01", "01", "", "期 初 余 额", "", "", "借", "10,000.00"},
                                     {"01", "05", "0001", "提现", "", "200.00", "借", "9,800.00"},
                                     {"01", "20", "0002", "转存", "300.00", "", "借", "10,100.00"},
                                     {"01", "31", "", "本  月  合  计", "300.00", "200.00", "借", "10,100.00"},
                                     {"01", "31", "", "本  年  累  计", "300.00", "200.00", "借", "10,100.00"},
                                     {"03", "10", "0001", "付办公费", "", "80.00", "借", "10,020.00"},
                                     {"03", "12", "0002", "付邮费", "", "50.00", "借", "9,970.00"},
                                     {"03", "31", "", "本  月  合  计", "", "130.00", "借", "9,970.00"},
                                     {"03", "31", "", "本  年  累  计", "300.00", "330.00", "借", "9,970.00"}}));
        enabled = enabledOn(*view, 1);
        QCOMPARE(enabled[QStringLiteral("输出明细记录")], false);
        QCOMPARE(enabled[QStringLiteral("自动选择输出方式")], true);

        // Back to automatic: a parent is summarised again.
        QVERIFY(view->runCommand(CKszwzb1::kAutomaticModeCommand));
        QVERIFY(!view->detailInForce());
        QCOMPARE(view->textRowCount(), 5);
        QCOMPARE(view->displayedText(4, 5, "TEXT"), std::string("330.00"));
    }

    void queryVoucherOpensTheVoucherOfADetailRowOnly()
    {
        auto view = ledgerOf("1002-1");
        std::vector<VoucherKey> opened;
        view->setOpenVoucher([&](const VoucherKey& key) {
            opened.push_back(key);
            view->setWindowTitle(QStringLiteral("记帐凭证查询")); // what opening a voucher may leave
        });

        // The context menu offers it on a line, not on the opening or total rows.
        QCOMPARE(enabledOn(*view, 0)[QStringLiteral("查询凭证(&W)")], false);
        QCOMPARE(enabledOn(*view, 2)[QStringLiteral("查询凭证(&W)")], false);
        QCOMPARE(enabledOn(*view, 1)[QStringLiteral("查询凭证(&W)")], true);
        QVERIFY(!view->openVoucherAt(0));
        QVERIFY(!view->openVoucherAt(3));
        QVERIFY(opened.empty());

        // The Menu key opens it on the current row, wherever the mouse is.
        view->SetCurrentCell(1, 3, 0, "TEXT");
        QCOMPARE(enabledOn(*view, 0, QContextMenuEvent::Keyboard)[QStringLiteral("查询凭证(&W)")], true);
        view->SetCurrentCell(0, 3, 0, "TEXT");
        QCOMPARE(enabledOn(*view, 1, QContextMenuEvent::Keyboard)[QStringLiteral("查询凭证(&W)")], false);

        // Enter on a line.
        view->SetCurrentCell(1, 3, 0, "TEXT");
        QVERIFY(view->isCommandEnabled(CKszwzb1::kQueryVoucherCommand));
        QTest::keyClick(view.get(), Qt::Key_Return);
        // A double click on the March line.
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, centreOf(*view, 4));
        // The menu command on the current row; Enter on a total row moves on instead.
        view->SetCurrentCell(2, 3, 0, "TEXT");
        QVERIFY(!view->isCommandEnabled(CKszwzb1::kQueryVoucherCommand));
        QTest::keyClick(view.get(), Qt::Key_Return);
        QCOMPARE(opened, (std::vector<VoucherKey>{{"20260105", "0001"}, {"20260310", "0001"}}));
        QCOMPARE(view->windowTitle(), QStringLiteral("三栏式帐页"));

        // Without the hook the command is not offered.
        view->setOpenVoucher(nullptr);
        QCOMPARE(enabledOn(*view, 1)[QStringLiteral("查询凭证(&W)")], false);
    }

    void aLedgerWithoutRowsShowsEmptyUnderItsNewHead()
    {
        auto view = ledgerOf("1002-1");
        QCOMPARE(view->textRowCount(), 7);

        // An account without lines or opening balance.
        view->setAccount("1002-2-2");
        view->LoadLedger();
        QVERIFY(view->rows().empty());
        QCOMPARE(view->textRowCount(), 1);
        QCOMPARE(row(*view, 0), Cells(8));
        QCOMPARE(view->displayedText(0, 0, "HEAD"), std::string("帐户名：银行存款/建设银行/城西支行"));
        QCOMPARE(view->displayedText(1, 0, "HEAD"), std::string("帐户号：1002-2-2"));
        QCOMPARE(QString::fromStdString(view->titleText()), QStringLiteral(" 三级分类帐 "));

        // A span without rows, chosen in the period dialog: 6602 has nothing before March.
        view->setAccount("6602");
        view->LoadLedger();
        QCOMPARE(view->textRowCount(), 3);
        {
            ModalCloser closer;
            closer.actOn<CPeriodDlg>([](CPeriodDlg& dialog) {
                dialog.startField()->setText(QStringLiteral("1"));
                dialog.endField()->setText(QStringLiteral("2"));
                dialog.confirm();
            });
            QVERIFY(view->runCommand(CKszwzb1::kChangePeriodCommand));
        }
        QCOMPARE(view->endMonth(), 2);
        QVERIFY(view->rows().empty());
        QCOMPARE(row(*view, 0), Cells(8));
        QCOMPARE(view->displayedText(1, 1, "HEAD"), std::string("2026 年  1 月 至  2 月"));
        QCOMPARE(view->displayedText(1, 0, "HEAD"), std::string("帐户号：6602"));

        // Reading the very ledger shown again keeps its rows when none come back.
        view->setPeriod(1, 12);
        view->LoadLedger();
        QCOMPARE(view->textRowCount(), 3);
        db().execute("UPDATE P0 SET MK='2' WHERE KNO='6602'");
        view->LoadLedger();
        QCOMPARE(view->textRowCount(), 3);
        QCOMPARE(view->displayedText(1, 3, "TEXT"), std::string("本  月  合  计"));
    }

    void anEngineErrorIsToldAndTheGridKeepsItsRows()
    {
        auto view = ledgerOf("1002-1");
        db().execute("DROP TABLE P0");
        view->setAccount("1001");
        view->LoadLedger();
        QCOMPARE(m_prompt.entries().size(), size_t(1));
        QVERIFY(!m_prompt.last().empty());
        QCOMPARE(view->textRowCount(), 7);
        QCOMPARE(view->displayedText(1, 3, "TEXT"), std::string("提现"));
        QCOMPARE(view->displayedText(1, 0, "HEAD"), std::string("帐户号：1002-1"));
    }

    void thePeriodDialogStartsFromTheSpanAndANewSpanIsShown()
    {
        auto view = ledgerOf("1002-1");
        QString startShown;
        QString endShown;
        {
            ModalCloser closer;
            closer.actOn<CPeriodDlg>([&](CPeriodDlg& dialog) {
                startShown = dialog.startField()->text();
                endShown = dialog.endField()->text();
                dialog.startField()->setText(QStringLiteral("3"));
                dialog.endField()->setText(QStringLiteral("3"));
                dialog.confirm();
            });
            view->changePeriod();
        }
        QCOMPARE(startShown, QStringLiteral("1"));
        QCOMPARE(endShown, QStringLiteral("12"));
        QCOMPARE(view->periodTitle(), std::string("2026 年  3 月"));
        QCOMPARE(view->displayedText(1, 1, "HEAD"), std::string("2026 年  3 月"));
        // January's turnover is summed up before March; the year to date includes it.
        QCOMPARE(rows(*view),
                 (std::vector<Cells>{{"03", "01", "", "期 初 余 额 汇 总", "", "200.00", "借", "9,800.00"},
                                     {"03", "10", "0001", "付办公费", "", "80.00", "借", "9,720.00"},
                                     {"03", "31", "", "本  月  合  计", "", "80.00", "借", "9,720.00"},
                                     {"03", "31", "", "本  年  累  计", "", "280.00", "借", "9,720.00"}}));

        // Cancelled, nothing changes.
        {
            ModalCloser closer;
            view->changePeriod();
            QCOMPARE(closer.classNames(), QStringList{QStringLiteral("kszw::CPeriodDlg")});
        }
        QCOMPARE(view->startMonth(), 3);
        QCOMPARE(view->textRowCount(), 4);
        // A refusal keeps the dialog open, with the message told through the view's prompt.
        {
            ModalCloser closer;
            closer.actOn<CPeriodDlg>([](CPeriodDlg& dialog) {
                dialog.startField()->setText(QStringLiteral("5"));
                dialog.endField()->setText(QStringLiteral("4"));
                dialog.confirm();
            });
            view->changePeriod();
        }
        QCOMPARE(m_prompt.texts(), std::vector<std::string>{"终止月不合理，输入一数!"});
        QCOMPARE(view->startMonth(), 3);
    }

    void openChoosesAnotherAccountAndRefusesOneWithoutPostedLines()
    {
        auto view = ledgerOf("1002-1");
        // 1002-2-2 has nothing: refused, and the lookup opens again (closed here).
        {
            ModalCloser closer;
            closer.actOn<CSubjectQueryDlg>([](CSubjectQueryDlg& dialog) {
                dialog.showCode(QStringLiteral("1002-2-2"));
                dialog.choose();
            });
            QVERIFY(view->runCommand(cmd::kFileOpen));
            QCOMPARE(closer.classNames(),
                     (QStringList{QStringLiteral("kszw::CSubjectQueryDlg"), QStringLiteral("kszw::CSubjectQueryDlg")}));
        }
        QCOMPARE(m_prompt.texts(), std::vector<std::string>{std::string(kNoPostedEntries)});
        QCOMPARE(view->code(), std::string("1002-1"));

        // Another account with lines is shown.
        {
            ModalCloser closer;
            closer.actOn<CSubjectQueryDlg>([](CSubjectQueryDlg& dialog) {
                dialog.showCode(QStringLiteral("1002-2-1"));
                dialog.choose();
            });
            view->chooseAccount();
        }
        QCOMPARE(view->code(), std::string("1002-2-1"));
        QCOMPARE(view->level(), 3);
        QCOMPARE(view->displayedText(0, 2, "TEXT"), std::string("0002"));
        QCOMPARE(view->displayedText(0, 4, "TEXT"), std::string("300.00"));

        // Ctrl+O opens the lookup on the account shown; the same account chosen reads nothing
        // again (an amount changed meanwhile shows only when the ledger is read again).
        db().execute("UPDATE P0 SET MY=999 WHERE KNO='1002-2-1'");
        QString offered;
        {
            ModalCloser closer;
            closer.actOn<CSubjectQueryDlg>([&](CSubjectQueryDlg& dialog) {
                offered = dialog.selectedCode();
                dialog.choose();
            });
            QTest::keyClick(view.get(), Qt::Key_O, Qt::ControlModifier);
            QCOMPARE(closer.classNames(), QStringList{QStringLiteral("kszw::CSubjectQueryDlg")});
        }
        QCOMPARE(offered, QStringLiteral("1002-2-1"));
        QCOMPARE(view->code(), std::string("1002-2-1"));
        QCOMPARE(view->displayedText(0, 4, "TEXT"), std::string("300.00"));
        QCOMPARE(m_prompt.texts().size(), size_t(1)); // only the refusal of 1002-2-2
    }

    void printedDetailPagesEndWithCarryRowsAtThePageBreak()
    {
        importAprilRun();
        auto view = window();
        uprightA4(*view);
        view->setAccount("1001");
        view->setPeriod(4, 4);
        view->LoadLedger();
        // The opening row, 25 lines, the two totals.
        QCOMPARE(view->textRowCount(), 28);
        QCOMPARE(view->displayedText(0, 3, "TEXT"), std::string("期 初 余 额 汇 总"));

        view->OnBeginPrinting(20);
        QVERIFY(view->isPrintJobRunning());
        QCOMPARE(view->textRowCount(), 30);
        // Printed rows 20 and 21: the 18 lines of the page carried over, with the balance after
        // the last of them (400 at the start of April, 10 + 20 + … + 180 = 1,710 received).
        QCOMPARE(row(*view, 18), (Cells{"04", "18", "0018", "收款18", "180.00", "", "借", "2,110.00"}));
        QCOMPARE(row(*view, 19), (Cells{"04", "18", "", "  过  次  页", "1,710.00", "", "借", "2,110.00"}));
        QCOMPARE(row(*view, 20), (Cells{"04", "18", "", "  承  前  页", "1,710.00", "", "借", "2,110.00"}));
        QCOMPARE(row(*view, 21), (Cells{"04", "19", "0019", "收款19", "190.00", "", "借", "2,300.00"}));
        QCOMPARE(view->GetPageRows(true), 20);
        // 查询凭证 has no line to open among print rows.
        QVERIFY(!view->isDetailRowAt(21));

        view->OnEndPrinting();
        QVERIFY(!view->isPrintJobRunning());
        QVERIFY(view->printRows().empty());
        QCOMPARE(view->textRowCount(), 28);
        QCOMPARE(view->displayedText(19, 3, "TEXT"), std::string("收款19"));
        QVERIFY(view->GetPageRows(true) > 20);

        // Asked for more rows than a (shorter) page holds, the carry rows go where it breaks.
        ViewSettings settings = view->viewSettings();
        settings.page.pageLength = 1500;
        view->setViewSettings(settings);
        const int fits = view->GetPageRows(true);
        QVERIFY(fits > 2 && fits < 20);
        view->OnBeginPrinting(20);
        QCOMPARE(view->GetPageRows(true), fits);
        QCOMPARE(view->displayedText(fits - 1, 3, "TEXT"), std::string("  过  次  页"));
        QCOMPARE(view->displayedText(fits, 3, "TEXT"), std::string("  承  前  页"));
        view->OnEndPrinting();
    }

    void printingWritesThePageOfTheAccountOnEveryPage()
    {
        importAprilRun();
        PageRecordingLedger view(*m_env, m_clock);
        view.setPrompt(m_prompt);
        view.setAccount("1001");
        view.setPeriod(4, 4);
        view.LoadLedger();
        const QString folder = qEnvironmentVariable("KSZW_SCREENSHOT_DIR");
        const QString file = folder.isEmpty() ? m_dir.filePath(QStringLiteral("ledger.pdf"))
                                              : folder + QStringLiteral("/ledger_print.pdf");
        // On the view's own paper, as the print commands do.
        view.OnBeginPrinting();
        const int rowsPerPage = view.GetPageRows(true);
        const int printedRows = view.textRowCount();
        QVERIFY(rowsPerPage > 1 && rowsPerPage < 28);
        QCOMPARE(view.displayedText(rowsPerPage - 1, 3, "TEXT"), std::string("  过  次  页"));
        view.OnEndPrinting();
        QVERIFY(view.printedPageTexts.empty());
        QVERIFY(view.exportPdf(file));
        QVERIFY(QFileInfo(file).size() > 0);
        std::vector<std::string> pages;
        for (int page = 1; page <= (printedRows - 1) / rowsPerPage + 1; ++page)
            pages.push_back(ledgerPageText(page));
        QCOMPARE(view.printedPageTexts, pages);
        QCOMPARE(view.printedPageTexts.front(), std::string("本帐户第    1 页"));
        QCOMPARE(view.textRowCount(), 28);

        // A summary ledger prints its rows as they are.
        view.setMode(LedgerMode::Summary);
        QCOMPARE(view.textRowCount(), 3);
        view.OnBeginPrinting(20);
        QVERIFY(view.printRows().empty());
        QCOMPARE(view.textRowCount(), 3);
        view.OnEndPrinting();
        QCOMPARE(view.textRowCount(), 3);
    }

    void printPreviewRunsOnThePrintRowsAndGivesThemBackAfterwards()
    {
        importAprilRun();
        auto view = window();
        view->setAccount("1001");
        view->setPeriod(4, 4);
        view->LoadLedger();
        // A paper that holds 20 rows.
        ViewSettings settings = view->viewSettings();
        std::vector<int> lengths;
        for (int length = 400; length <= 4000; length += 5) {
            settings.page.pageLength = length;
            view->setViewSettings(settings);
            if (view->GetPageRows(true) == 20)
                lengths.push_back(length);
        }
        QVERIFY(!lengths.empty());
        settings.page.pageLength = lengths[lengths.size() / 2];
        view->setViewSettings(settings);

        int rowsDuringPreview = 0;
        std::string carryDuringPreview;
        {
            ModalCloser closer;
            closer.actOn<QPrintPreviewDialog>([&](QPrintPreviewDialog&) {
                rowsDuringPreview = view->textRowCount();
                carryDuringPreview = view->displayedText(19, 3, "TEXT");
            });
            QVERIFY(view->runCommand(cmd::kPrintPreview));
        }
        QCOMPARE(rowsDuringPreview, 30);
        QCOMPARE(carryDuringPreview, std::string("  过  次  页"));
        QCOMPARE(view->textRowCount(), 28);
        QVERIFY(!view->isPrintJobRunning());
    }

    void screenshots()
    {
        const QString folder = qEnvironmentVariable("KSZW_SCREENSHOT_DIR");
        if (folder.isEmpty())
            QSKIP("KSZW_SCREENSHOT_DIR not set");
        auto view = ledgerOf("1002-1");
        view->grab().save(folder + QStringLiteral("/ledger_detail.png"));
        view->setAccount("1002");
        view->LoadLedger();
        view->grab().save(folder + QStringLiteral("/ledger_summary.png"));
    }
};

QTEST_MAIN(ThreeColumnViewTest)
#include "three_column_view_test.moc"
