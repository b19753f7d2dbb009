// The multi-column ledger window on an offscreen screen, on real year files with imported and
// posted vouchers: the placeholder columns before the first ledger, the grid laid out with a column
// per child (widths, group headings, names), the summary and detail rows, the mode commands that
// read the ledger again, 查询凭证 on detail rows only, the stored widths kept per column count, an
// account without entries below it (nothing changes; refused in the directory), and the print rows
// with their carry rows at a page break.
// With KSZW_SCREENSHOT_DIR=folder the window is saved there as multi_column_summary.png and
// multi_column_detail.png and a printed detail ledger as multi_column_print.pdf; with
// KSZW_DEMO_FILE=year file (made by kszw-cli demo) they show the demo's 6602.
#include "accountset/year_file.h"
#include "chart/chart_import.h"
#include "common/clock.h"
#include "common/command_ids.h"
#include "common/prompt.h"
#include "formview/print_settings.h"
#include "formview/ui/modal_closer.h"
#include "formview/ui/spec_edit.h"
#include "formview/view_kinds.h"
#include "ledger/ledger_conventions.h"
#include "ledger/ui/auxiliary_directory_dialog.h"
#include "ledger/ui/multi_column_view.h"
#include "session/kszw_env.h"
#include "session/user_settings.h"
#include "store/database.h"
#include "voucher/voucher_import.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QDir>
#include <QFileInfo>
#include <QListWidget>
#include <QMenu>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <map>
#include <memory>
#include <tuple>

using namespace kszw;

namespace {

// 6602 has five children: four on the debit side (6602-5 never given a side) and one on the
// credit side. 2202 has one credit child; 2203 one child and nothing posted.
constexpr std::string_view kChart = "code,name,kind,unit,multi_column,direction,width\n"
                                    "1001,库存现金,0,,0,0,0\n"
                                    "2202,应付账款,0,,1,0,0\n"
                                    "2202-1,甲公司,0,,0,-1,6\n"
                                    "2203,预收账款,0,,1,0,0\n"
                                    "2203-1,乙公司,0,,0,-1,6\n"
                                    "6602,管理费用,0,,1,0,0\n"
                                    "6602-1,办公费,0,,0,1,5\n"
                                    "6602-2,差旅费,0,,0,1,6\n"
                                    "6602-3,工资,0,,0,1,5\n"
                                    "6602-4,费用冲减,0,,0,-1,5\n"
                                    "6602-5,其他,0,,0,1,5\n";

constexpr std::string_view kOpening = "code,direction,amount,quantity\n"
                                      "1001,借,10000,\n";

// Posted in January to March; 0003 of February is left unposted.
constexpr std::string_view kVouchers = "date,number,attachments,summary,subject,debit,credit,quantity\n"
                                       "20260105,0001,1,付办公费,6602-1,100,,\n"
                                       "20260105,0001,1,付办公费,1001,,100,\n"
                                       "20260110,0002,1,报差旅费,6602-2,300,,\n"
                                       "20260110,0002,1,报差旅费,1001,,300,\n"
                                       "20260125,0003,0,冲减,1001,50,,\n"
                                       "20260125,0003,0,冲减,6602-4,,50,\n"
                                       "20260215,0001,0,工资,6602-3,1000,,\n"
                                       "20260215,0001,0,工资,1001,,1000,\n"
                                       "20260220,0002,0,其他,6602-5,20,,\n"
                                       "20260220,0002,0,其他,1001,,20,\n"
                                       "20260228,0003,0,补差旅费,6602-2,77,,\n"
                                       "20260228,0003,0,补差旅费,1001,,77,\n"
                                       "20260305,0001,0,赊购办公用品,6602-1,60,,\n"
                                       "20260305,0001,0,赊购办公用品,2202-1,,60,\n";

using Cells = std::vector<std::string>;

const std::vector<Cells> kSummaryRows = {
    {"01", "31", "", "本  月  汇  总", "100.00", "300.00", "", "", "50.00", "借", "350.00"},
    {"01", "31", "", "本  年  累  计", "100.00", "300.00", "", "", "50.00", "借", "350.00"},
    {"02", "28", "", "本  月  汇  总", "", "", "1,000.00", "20.00", "", "借", "1,370.00"},
    {"02", "28", "", "本  年  累  计", "100.00", "300.00", "1,000.00", "20.00", "50.00", "借", "1,370.00"},
    {"03", "31", "", "本  月  汇  总", "60.00", "", "", "", "", "借", "1,430.00"},
    {"03", "31", "", "本  年  累  计", "160.00", "300.00", "1,000.00", "20.00", "50.00", "借", "1,430.00"}};

const std::vector<Cells> kDetailRows = {
    {"01", "05", "0001", "付办公费", "100.00", "", "", "", "", "借", "100.00"},
    {"01", "10", "0002", "报差旅费", "", "300.00", "", "", "", "借", "400.00"},
    {"01", "25", "0003", "冲减", "", "", "", "", "50.00", "借", "350.00"},
    {"01", "31", "", "本  月  合  计", "100.00", "300.00", "", "", "50.00", "借", "350.00"},
    {"01", "31", "", "本  年  累  计", "100.00", "300.00", "", "", "50.00", "借", "350.00"},
    {"02", "15", "0001", "工资", "", "", "1,000.00", "", "", "借", "1,350.00"},
    {"02", "20", "0002", "其他", "", "", "", "20.00", "", "借", "1,370.00"},
    {"02", "28", "", "本  月  合  计", "", "", "1,000.00", "20.00", "", "借", "1,370.00"},
    {"02", "28", "", "本  年  累  计", "100.00", "300.00", "1,000.00", "20.00", "50.00", "借", "1,370.00"},
    {"03", "05", "0001", "赊购办公用品", "60.00", "", "", "", "", "借", "1,430.00"},
    {"03", "31", "", "本  月  合  计", "60.00", "", "", "", "", "借", "1,430.00"},
    {"03", "31", "", "本  年  累  计", "160.00", "300.00", "1,000.00", "20.00", "50.00", "借", "1,430.00"}};

const std::vector<int> kPlaceholderWidths = {3, 3, 4, 38, 12, 12, 12, 12, 2, 12};
const std::vector<int> k6602Widths = {3, 3, 4, 38, 10, 12, 10, 10, 10, 2, 12};

// A ledger that notes the page text of every printed page it draws.
class PageRecordingLedger : public CKszwzb2 {
public:
    using CKszwzb2::CKszwzb2;
    std::vector<std::string> printedPageTexts;

    void DrawCell(QPainter& dc, int row, int col, std::string_view area) override
    {
        if (isPrinting() && area == "HEAD" && row == 1 && col == 2)
            printedPageTexts.push_back(displayedText(row, col, area));
        CKszwzb2::DrawCell(dc, row, col, area);
    }
};

} // namespace

class MultiColumnViewTest : public QObject {
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

    // 25 posted vouchers in April, one a day: 6602-1 debited 10, 20, … 250 against 1001.
    void importAprilRun()
    {
        std::string csv = "date,number,attachments,summary,subject,debit,credit,quantity\n";
        for (int n = 1; n <= 25; ++n) {
            char head[64];
            std::snprintf(head, sizeof head, "202604%02d,%04d,0,", n, n);
            const std::string amount = std::to_string(10 * n);
            csv += head + std::string("办公") + std::to_string(n) + ",6602-1," + amount + ",,\n";
            csv += head + std::string("办公") + std::to_string(n) + ",1001,," + amount + ",\n";
        }
        importCsv(csv);
        postAllBut("20260228", "0003");
    }

    std::unique_ptr<CKszwzb2> window(int width = 1100, int height = 700)
    {
        auto view = std::make_unique<CKszwzb2>(*m_env, m_clock);
        view->setPrompt(m_prompt);
        view->resize(width, height);
        view->show();
        if (!QTest::qWaitForWindowExposed(view.get()))
            qWarning("the window was not shown");
        return view;
    }

    std::unique_ptr<CKszwzb2> ledgerOf(const std::string& code, bool detail = false)
    {
        auto view = window();
        view->setAccount(code);
        view->setDetail(detail);
        view->LoadLedger();
        return view;
    }

    static Cells row(const CKszwzb2& view, int r)
    {
        Cells cells;
        for (int col = 0; col < view.columnCount(); ++col)
            cells.push_back(view.displayedText(r, col, "TEXT"));
        return cells;
    }

    static std::vector<Cells> rows(const CKszwzb2& view)
    {
        std::vector<Cells> shown;
        for (int r = 0; r < view.textRowCount(); ++r)
            shown.push_back(row(view, r));
        return shown;
    }

    static QPoint centreOf(const CKszwzb2& view, int r, int col = 3)
    {
        const DeviceRect cell = view.screenGeometry().cellRect("TEXT", r, col, view.firstVisibleRow());
        return QPoint(cell.x + cell.width / 2 - view.horizontalScrollBar()->value(), cell.y + cell.height / 2);
    }

    // Opens the context menu on a row as the right button does: each item's text with whether it
    // was enabled (separators as "-").
    static std::map<QString, bool> enabledOn(CKszwzb2& view, int r)
    {
        std::map<QString, bool> items;
        QTimer::singleShot(0, &view, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!menu)
                return;
            for (QAction* action : menu->actions())
                items[action->isSeparator() ? QStringLiteral("-") : action->text()] = action->isEnabled();
            menu->close();
        });
        const QPoint at = centreOf(view, r);
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, view.viewport()->mapToGlobal(at));
        QApplication::sendEvent(view.viewport(), &event);
        return items;
    }

    static QStringList menuTexts(const CKszwzb2& view)
    {
        QStringList texts;
        for (QAction* action : view.formMenu()->actions())
            texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
        return texts;
    }

    void logIn(const std::string& path)
    {
        m_env = std::make_unique<CKszwEnv>();
        ScriptedPrompt quiet;
        QVERIFY2(confirmLogin(*m_env, path, "102", "", quiet), quiet.last().c_str());
        MemoryUserSettings settings;
        m_env->completeLogin(settings);
    }

private slots:
    void initTestCase()
    {
        QFont::insertSubstitutions(QStringLiteral("宋体"), {QStringLiteral("AR PL UMing CN"),
                                                            QStringLiteral("Noto Sans CJK SC")});
        QVERIFY(m_dir.isValid());
    }

    void init()
    {
        const std::string folder = (m_dir.path() + QStringLiteral("/set%1").arg(++m_files)).toStdString();
        QVERIFY(QDir().mkpath(QString::fromStdString(folder)));
        const std::string path = folder + "/2026.ksk";
        createYearFile(path, 2026);
        logIn(path);
        const ImportResult chart = importSubjects(db(), kChart);
        QVERIFY2(chart.ok, chart.message.c_str());
        // A child from a file of another program, its side never set.
        db().execute("UPDATE SUBT SET DLF=0,DLW=0 WHERE trim(KNO)='6602-5'");
        const ImportResult opening = importOpeningBalances(db(), kOpening);
        QVERIFY2(opening.ok, opening.message.c_str());
        importCsv(kVouchers);
        postAllBut("20260228", "0003");
        m_prompt.clear();
    }

    void cleanup() { m_env.reset(); }

    void aNewViewShowsFourPlaceholderColumnsAndNoSpan()
    {
        auto view = window();
        QCOMPARE(view->windowTitle(), QStringLiteral("多栏式帐页"));
        QCOMPARE(view->settingsKey().nFlag, viewFlag(ViewKind::MultiColumnLedger));
        QCOMPARE(view->settingsKey().fieldMode, std::string("0"));
        QCOMPARE(view->formLayout().columnWidths, kPlaceholderWidths);
        QCOMPARE(view->formLayout().formHeadRows, 3);
        QCOMPARE(view->formLayout().headRows, 2);
        QCOMPARE(view->textRowCount(), 20);
        QVERIFY(!view->isEditable());
        QVERIFY(!view->detail());
        QCOMPARE(view->titleText(), std::string(" 多栏式帐页 "));
        for (int j = 0; j < 4; ++j) {
            QCOMPARE(view->displayedText(1, 4 + j, "FORMHEAD"), "第 " + std::to_string(j + 1) + " 栏");
            QCOMPARE(view->displayedText(0, 4 + j, "FORMHEAD"), std::string());
        }
        QCOMPARE(view->displayedText(1, 1, "HEAD"), std::string("×× 年 × 月 至 × 月"));
        QCOMPARE(view->displayedText(0, 0, "HEAD"), std::string("帐户名："));
        QCOMPARE(view->displayedText(1, 0, "HEAD"), std::string("帐户号："));
        QCOMPARE(view->displayedText(0, 0, "TEXT"), std::string());
        // The view's own items follow the form menu's, in this order.
        const QStringList texts = menuTexts(*view);
        QCOMPARE(texts.mid(texts.size() - 4),
                 (QStringList{QStringLiteral("查询凭证(&S)"), QStringLiteral("-"), QStringLiteral("输出明细记录"),
                              QStringLiteral("输出汇总记录")}));
        QCOMPARE(view->menuAction(CKszwzb2::kQueryVoucherCommand)->data().toInt(), 40017);
        QCOMPARE(view->menuAction(CKszwzb2::kDetailModeCommand)->data().toInt(), 32848);
        QCOMPARE(view->menuAction(CKszwzb2::kSummaryModeCommand)->data().toInt(), 32849);
    }

    void aRebuildLaysOutAColumnPerChildUnderItsSide()
    {
        auto view = ledgerOf("6602");
        QCOMPARE(view->columnCount(), 11);
        QCOMPARE(view->formLayout().columnWidths, k6602Widths);
        QCOMPARE(view->settingsKey().fieldMode, std::string("5"));
        // The child never given a side is a debit column five units wide, in the file too.
        QCOMPARE(db().queryLong("SELECT DLF*100+DLW FROM SUBT WHERE trim(KNO)='6602-5'"), 105L);

        const std::vector<std::tuple<int, int, std::string>> header = {
            {0, 0, " 2026年"},  {2, 0, "月"},      {2, 1, "日"},     {0, 2, "凭证"},   {2, 2, "号码"},
            {1, 3, "摘          要     "},          {0, 4, "借 方"},  {0, 5, ""},       {0, 6, ""},
            {0, 7, ""},         {0, 8, "贷 方"},   {1, 4, "办公费"}, {1, 5, "差旅费"}, {1, 6, "工资"},
            {1, 7, "其他"},     {1, 8, "费用冲减"}, {0, 9, "借"},     {1, 9, "或"},     {2, 9, "贷"},
            {1, 10, "余      额"}, {0, 10, ""},    {1, 0, ""}};
        for (const auto& [r, c, text] : header)
            QCOMPARE(view->displayedText(r, c, "FORMHEAD"), text);
        QCOMPARE(view->displayedText(0, 0, "HEAD"), std::string("帐户名：管理费用"));
        QCOMPARE(view->displayedText(1, 0, "HEAD"), std::string("帐户号：6602"));
        QCOMPARE(view->displayedText(1, 1, "HEAD"), std::string("2026 年  1 月 至 12 月"));
        QCOMPARE(view->displayedText(1, 2, "HEAD"), std::string()); // the page is for paper only

        // An account with only a credit column: its heading over it, the layout made again.
        view->setAccount("2202");
        QVERIFY(view->LoadLedger());
        QCOMPARE(view->formLayout().columnWidths, (std::vector<int>{3, 3, 4, 38, 12, 2, 12}));
        QCOMPARE(view->settingsKey().fieldMode, std::string("1"));
        QCOMPARE(view->displayedText(0, 4, "FORMHEAD"), std::string("贷 方"));
        QCOMPARE(view->displayedText(1, 4, "FORMHEAD"), std::string("甲公司"));
        QCOMPARE(view->displayedText(0, 5, "FORMHEAD"), std::string("借"));
        // A positive net credit is "贷".
        QCOMPARE(row(*view, 0), (Cells{"03", "31", "", "本  月  汇  总", "60.00", "贷", "60.00"}));
    }

    void summaryAndDetailRowsPutEachLineInItsChildsColumn()
    {
        auto view = ledgerOf("6602");
        QCOMPARE(rows(*view), kSummaryRows);
        QCOMPARE(view->currentCell().row, 0);
        view->setDetail(true);
        QVERIFY(view->LoadLedger());
        QVERIFY(view->detailShown());
        QCOMPARE(rows(*view), kDetailRows);
        // A later span begins with the year before it summed up.
        view->setPeriod(3, 3);
        QVERIFY(view->LoadLedger());
        QCOMPARE(view->displayedText(1, 1, "HEAD"), std::string("2026 年  3 月"));
        QCOMPARE(row(*view, 0),
                 (Cells{"03", "01", "", "期 初 余 额 汇 总", "100.00", "300.00", "1,000.00", "20.00", "50.00", "借",
                        "1,370.00"}));
        QCOMPARE(view->textRowCount(), 4);
    }

    void eachModeCommandReadsTheLedgerAgain()
    {
        auto view = ledgerOf("6602");
        QVERIFY(view->runCommand(CKszwzb2::kDetailModeCommand));
        QVERIFY(view->detail());
        QCOMPARE(rows(*view), kDetailRows);
        QVERIFY(view->menuAction(CKszwzb2::kDetailModeCommand)->isEnabled());

        // The same mode again reads the ledger again: the voucher posted meanwhile shows.
        postAll();
        QVERIFY(view->runCommand(CKszwzb2::kDetailModeCommand));
        QCOMPARE(view->textRowCount(), 13);
        QCOMPARE(row(*view, 7), (Cells{"02", "28", "0003", "补差旅费", "", "77.00", "", "", "", "借", "1,447.00"}));

        QVERIFY(view->runCommand(CKszwzb2::kSummaryModeCommand));
        QVERIFY(!view->detail());
        QCOMPARE(row(*view, 2),
                 (Cells{"02", "28", "", "本  月  汇  总", "", "77.00", "1,000.00", "20.00", "", "借", "1,447.00"}));
        // The menu ticks the mode of the rows shown; both stay offered.
        const std::map<QString, bool> enabled = enabledOn(*view, 0);
        QCOMPARE(enabled.at(QStringLiteral("输出明细记录")), true);
        QCOMPARE(enabled.at(QStringLiteral("输出汇总记录")), true);
        QVERIFY(view->menuAction(CKszwzb2::kSummaryModeCommand)->isChecked());
        QVERIFY(!view->menuAction(CKszwzb2::kDetailModeCommand)->isChecked());
    }

    void queryVoucherOpensTheVoucherOfADetailRowOnly()
    {
        auto view = ledgerOf("6602");
        std::vector<VoucherKey> opened;
        view->setOpenVoucher([&](const VoucherKey& key) {
            opened.push_back(key);
            view->setWindowTitle(QStringLiteral("记帐凭证查询")); // what opening a voucher may leave
        });
        // Summary rows have no voucher.
        QCOMPARE(enabledOn(*view, 0).at(QStringLiteral("查询凭证(&S)")), false);
        QVERIFY(!view->openVoucherAt(0));

        view->showDetail(true);
        QCOMPARE(enabledOn(*view, 3).at(QStringLiteral("查询凭证(&S)")), false);
        QCOMPARE(enabledOn(*view, 1).at(QStringLiteral("查询凭证(&S)")), true);
        QVERIFY(!view->openVoucherAt(4));
        // Enter on a line, a double click on another, the command on the current row.
        view->SetCurrentCell(1, 3, 0, "TEXT");
        QTest::keyClick(view.get(), Qt::Key_Return);
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, centreOf(*view, 9));
        view->SetCurrentCell(5, 3, 0, "TEXT");
        QVERIFY(view->runCommand(CKszwzb2::kQueryVoucherCommand));
        view->SetCurrentCell(7, 3, 0, "TEXT");
        QVERIFY(!view->isCommandEnabled(CKszwzb2::kQueryVoucherCommand));
        QCOMPARE(opened, (std::vector<VoucherKey>{{"20260110", "0002"}, {"20260305", "0001"}, {"20260215", "0001"}}));
        QCOMPARE(view->windowTitle(), QStringLiteral("多栏式帐页"));
    }

    void anAccountWithNothingPostedBelowChangesNothing()
    {
        auto view = ledgerOf("6602");
        view->setAccount("2203");
        QVERIFY(!view->LoadLedger());
        QCOMPARE(rows(*view), kSummaryRows);
        QCOMPARE(view->displayedText(1, 0, "HEAD"), std::string("帐户号：6602"));
        QCOMPARE(view->formLayout().columnWidths, k6602Widths);
        // Nothing posted up to the end month either.
        view->setAccount("2202");
        view->setPeriod(1, 2);
        QVERIFY(!view->LoadLedger());
        QCOMPARE(view->displayedText(1, 1, "HEAD"), std::string("2026 年  1 月 至 12 月"));
        QVERIFY(m_prompt.entries().empty());
    }

    void anEngineErrorIsToldAndTheGridKeepsItsRows()
    {
        auto view = ledgerOf("6602");
        db().execute("DROP TABLE P0");
        view->showDetail(true);
        QCOMPARE(m_prompt.entries().size(), size_t(1));
        QVERIFY(!m_prompt.last().empty());
        QCOMPARE(rows(*view), kSummaryRows);
        QVERIFY(!view->detailShown());
    }

    void openRefusesAnAccountWithoutEntriesAndShowsAnotherOne()
    {
        auto view = ledgerOf("6602");
        std::string offered;
        QString title;
        QString months;
        {
            ModalCloser closer;
            closer.actOn<CAuxiliaryDirectoryDlg>([&](CAuxiliaryDirectoryDlg& dialog) {
                offered = dialog.selectedCode();
                title = dialog.windowTitle();
                months = dialog.startField()->text() + "-" + dialog.endField()->text();
                dialog.directoryList()->setCurrentRow(1); // 2203
                dialog.confirm();
            });
            QTest::keyClick(view.get(), Qt::Key_O, Qt::ControlModifier);
            // Refused, and the directory opens again (closed here).
            QCOMPARE(closer.classNames(), (QStringList{QStringLiteral("kszw::CAuxiliaryDirectoryDlg"),
                                                       QStringLiteral("kszw::CAuxiliaryDirectoryDlg")}));
        }
        QCOMPARE(offered, std::string("6602"));
        QCOMPARE(title, QStringLiteral("2026年度辅助核算目录(多栏帐)"));
        QCOMPARE(months, QStringLiteral("1-12"));
        QCOMPARE(m_prompt.texts(), std::vector<std::string>{"本科目无经济内容!"});
        QCOMPARE(m_prompt.entries()[0].icon, Icon::Exclamation);
        QCOMPARE(view->code(), std::string("6602"));
        QCOMPARE(rows(*view), kSummaryRows);

        // 2202 over February and March.
        {
            ModalCloser closer;
            closer.actOn<CAuxiliaryDirectoryDlg>([](CAuxiliaryDirectoryDlg& dialog) {
                dialog.directoryList()->setCurrentRow(0);
                dialog.startField()->setText(QStringLiteral("2"));
                dialog.endField()->setText(QStringLiteral("3"));
                dialog.confirm();
            });
            QVERIFY(view->runCommand(cmd::kFileOpen));
        }
        QCOMPARE(view->shownCode(), std::string("2202"));
        QCOMPARE(view->startMonth(), 2);
        QCOMPARE(view->displayedText(1, 1, "HEAD"), std::string("2026 年  2 月 至  3 月"));
        QCOMPARE(view->displayedText(0, 0, "HEAD"), std::string("帐户名：应付账款"));
        QCOMPARE(view->columnCount(), 7);
        QCOMPARE(m_prompt.texts().size(), size_t(1));
    }

    void eachColumnCountKeepsItsOwnStoredWidths()
    {
        // Widths stored for five columns, as page setup does with the five-column layout.
        ViewSettings stored = defaultViewSettings();
        stored.columnWidths = {3, 3, 4, 30, 16, 12, 10, 10, 10, 2, 14};
        SaveViewSettings(db(), viewFlag(ViewKind::MultiColumnLedger), "5", stored);
        // The page the view was given (placeholder layout) goes with it to a count without settings.
        ViewSettings page = defaultViewSettings();
        page.page.pageWidth = 2970;
        page.page.pageLength = 2100;
        SaveViewSettings(db(), viewFlag(ViewKind::MultiColumnLedger), "0", page);

        auto view = window();
        QCOMPARE(view->viewSettings().page.pageWidth, 2970);
        view->setAccount("2202");
        QVERIFY(view->LoadLedger());
        QCOMPARE(view->formLayout().columnWidths, (std::vector<int>{3, 3, 4, 38, 12, 2, 12}));
        QCOMPARE(view->viewSettings().page.pageWidth, 2970);

        view->setAccount("6602");
        QVERIFY(view->LoadLedger());
        QCOMPARE(view->formLayout().columnWidths, stored.columnWidths);
        QCOMPARE(view->viewSettings().page.pageWidth, stored.page.pageWidth);
        // A rebuild of the same layout keeps what the user made of it.
        QVERIFY(view->runCommand(CKszwzb2::kDetailModeCommand));
        QCOMPARE(view->formLayout().columnWidths, stored.columnWidths);
        QCOMPARE(view->currentViewSettings().columnWidths, stored.columnWidths);
    }

    void printedDetailPagesCarryTheColumnSumsOver()
    {
        importAprilRun();
        auto view = window();
        ViewSettings settings = view->viewSettings();
        settings.page.pageWidth = 2970;
        settings.page.pageLength = 2100;
        view->setViewSettings(settings);
        view->setAccount("6602");
        view->setPeriod(4, 4);
        view->setDetail(true);
        QVERIFY(view->LoadLedger());
        // The opening row, 25 lines, the two totals.
        QCOMPARE(view->textRowCount(), 28);
        QVERIFY(view->GetPageRows(true) > 4);

        const int fits = view->GetPageRows(true);
        const int L = std::min(fits, 20);
        view->OnBeginPrinting(L);
        QVERIFY(view->isPrintJobRunning());
        // The last row of the first page carries the lines above it (10 + 20 + … ) over, with
        // the balance after the last of them (1,430.00 at the start of April).
        const int lines = L - 2;
        const int sum = 10 * lines * (lines + 1) / 2;
        const auto money = [](int yuan) { return ledgerAmount(yuan); };
        const std::string day = QString::number(lines).rightJustified(2, QLatin1Char('0')).toStdString();
        QCOMPARE(row(*view, L - 1),
                 (Cells{"04", day, "", "  过  次  页", money(sum), "", "", "", "", "借", money(1430 + sum)}));
        QCOMPARE(row(*view, L), (Cells{"04", day, "", "  承  前  页", money(sum), "", "", "", "", "借", money(1430 + sum)}));
        QCOMPARE(view->GetPageRows(true), L);
        QVERIFY(!view->isDetailRowAt(L + 1)); // no voucher to open among print rows
        view->OnEndPrinting();
        QVERIFY(!view->isPrintJobRunning());
        QVERIFY(view->printRows().empty());
        QCOMPARE(view->textRowCount(), 28);
        QCOMPARE(view->displayedText(L - 1, 3, "TEXT"), "办公" + std::to_string(L - 1));
    }

    void printingWritesThePageOfTheAccountOnEveryPage()
    {
        importAprilRun();
        PageRecordingLedger view(*m_env, m_clock);
        view.setPrompt(m_prompt);
        view.setAccount("6602");
        view.setPeriod(4, 4);
        view.setDetail(true);
        QVERIFY(view.LoadLedger());
        const QString folder = qEnvironmentVariable("KSZW_SCREENSHOT_DIR");
        const QString file = m_dir.filePath(QStringLiteral("multi_column.pdf"));
        view.OnBeginPrinting();
        const int rowsPerPage = view.GetPageRows(true);
        const int printedRows = view.textRowCount();
        view.OnEndPrinting();
        QVERIFY(view.exportPdf(file));
        QVERIFY(QFileInfo(file).size() > 0);
        QCOMPARE(int(view.printedPageTexts.size()), (printedRows - 1) / rowsPerPage + 1);
        QCOMPARE(view.printedPageTexts.front(), std::string("本帐户第   1 页"));
        QCOMPARE(view.textRowCount(), 28);

        // A summary ledger prints its rows as they are.
        view.showDetail(false);
        QCOMPARE(view.textRowCount(), 3);
        view.OnBeginPrinting(2);
        QVERIFY(view.printRows().empty());
        QCOMPARE(view.textRowCount(), 3);
        view.OnEndPrinting();
    }

    void screenshots()
    {
        const QString folder = qEnvironmentVariable("KSZW_SCREENSHOT_DIR");
        if (folder.isEmpty())
            QSKIP("KSZW_SCREENSHOT_DIR not set");
        const QString demo = qEnvironmentVariable("KSZW_DEMO_FILE");
        if (!demo.isEmpty())
            logIn(demo.toStdString());
        auto view = window(1300, 700);
        view->grab().save(folder + QStringLiteral("/multi_column_empty.png"));
        view->setAccount("6602");
        QVERIFY(view->LoadLedger());
        view->grab().save(folder + QStringLiteral("/multi_column_summary.png"));
        view->showDetail(true);
        view->grab().save(folder + QStringLiteral("/multi_column_detail.png"));
        QVERIFY(view->exportPdf(folder + QStringLiteral("/multi_column_print.pdf")));
    }
};

QTEST_MAIN(MultiColumnViewTest)
#include "multi_column_view_test.moc"
