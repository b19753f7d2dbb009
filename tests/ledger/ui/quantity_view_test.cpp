// The quantity-amount and foreign-currency ledger window on an offscreen screen, on real year
// files with imported and posted vouchers: the fourteen columns and their header, the head with
// the unit or the currency, the triples of lines, totals and balances, an account without content
// told with the grid kept, 查询凭证 on lines only (Enter, double click, context menu), Open through
// the auxiliary-accounting directory with its refusals, the period dialog, and the print
// rows with their carry rows at a page break.
// With KSZW_SCREENSHOT_DIR=folder the windows are saved there as quantity_ledger.png and
// currency_ledger.png and a printed ledger of two pages as quantity_print.pdf.
#include "accountset/year_file.h"
#include "chart/chart_import.h"
#include "common/clock.h"
#include "common/command_ids.h"
#include "common/prompt.h"
#include "common/text.h"
#include "formview/ui/modal_closer.h"
#include "formview/ui/spec_edit.h"
#include "formview/view_kinds.h"
#include "ledger/three_column_ledger.h"
#include "ledger/ui/auxiliary_directory_dialog.h"
#include "ledger/ui/period_dialog.h"
#include "ledger/ui/quantity_view.h"
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

constexpr std::string_view kCurrencies = "code,name,gain_loss_subject\n1,美元,6603\n";

constexpr std::string_view kChart = "code,name,kind,unit,multi_column,direction,width\n"
                                    "1002,银行存款,0,,0,0,0\n"
                                    "1002-1,工商银行,0,,0,0,0\n"
                                    "1403,原材料,1,吨,0,0,0\n"
                                    "1405,库存商品,1,件,0,0,0\n"
                                    "1406,周转材料,0,,0,0,0\n"
                                    "1406-1,包装物,0,,0,0,0\n"
                                    "6602,管理费用,0,,0,0,0\n"
                                    "6603,财务费用,0,,0,0,0\n";

// The dollar account, once its currency is there.
constexpr std::string_view kDollarAccount = "code,name,kind,unit,multi_column,direction,width\n"
                                            "1002-3,中国银行美元户,2,1,0,0,0\n";

constexpr std::string_view kOpening = "code,direction,amount,quantity\n"
                                      "1002-1,借,10000,\n"
                                      "1002-3,贷,650,100\n"
                                      "1403,借,100,10\n";

// Four posted vouchers and one of 12 March left unposted.
constexpr std::string_view kVouchers = "date,number,attachments,summary,subject,debit,credit,quantity\n"
                                       "20260105,0001,1,购入钢材,1403,10,,3\n"
                                       "20260105,0001,1,购入钢材,1002-1,,10,\n"
                                       "20260106,0002,1,购入钢材,1403,10,,4\n"
                                       "20260106,0002,1,购入钢材,1002-1,,10,\n"
                                       "20260310,0001,0,价格调整,1403,25,,\n"
                                       "20260310,0001,0,价格调整,1002-1,,25,\n"
                                       "20260312,0002,0,领用钢材,6602,5,,\n"
                                       "20260312,0002,0,领用钢材,1403,,5,1\n"
                                       "20260315,0003,0,收到美元,1002-3,65,,10\n"
                                       "20260315,0003,0,收到美元,1002-1,,65,\n";

using Cells = std::vector<std::string>;

// A ledger that notes the page text of every printed page it draws.
class PageRecordingLedger : public CKszwzb3 {
public:
    using CKszwzb3::CKszwzb3;
    std::vector<std::string> printedPageTexts;

    void DrawCell(QPainter& dc, int row, int col, std::string_view area) override
    {
        if (isPrinting() && area == "HEAD" && row == 1 && col == 2)
            printedPageTexts.push_back(displayedText(row, col, area));
        CKszwzb3::DrawCell(dc, row, col, area);
    }
};

} // namespace

class QuantityViewTest : public QObject {
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

    // 25 vouchers in April, one a day: 1403 receives n tons for 10 × n; then every voucher is posted.
    void importAprilRun()
    {
        std::string csv = "date,number,attachments,summary,subject,debit,credit,quantity\n";
        for (int n = 1; n <= 25; ++n) {
            char head[64];
            std::snprintf(head, sizeof head, "202604%02d,%04d,0,", n, n);
            const std::string amount = std::to_string(10 * n);
            csv += head + std::string("入库") + std::to_string(n) + ",1403," + amount + ",," + std::to_string(n) + "\n";
            csv += head + std::string("入库") + std::to_string(n) + ",1002-1,," + amount + ",\n";
        }
        importCsv(csv);
        postAllBut("", "");
    }

    std::unique_ptr<CKszwzb3> window(QuantityKind kind = QuantityKind::Quantity)
    {
        auto view = std::make_unique<CKszwzb3>(*m_env, m_clock, kind);
        view->setPrompt(m_prompt);
        view->resize(1300, 640);
        view->show();
        if (!QTest::qWaitForWindowExposed(view.get()))
            qWarning("the window was not shown");
        return view;
    }

    std::unique_ptr<CKszwzb3> ledgerOf(const std::string& code, QuantityKind kind = QuantityKind::Quantity)
    {
        auto view = window(kind);
        view->setAccount(code);
        view->LoadLedger();
        return view;
    }

    static Cells row(const CKszwzb3& view, int r)
    {
        Cells cells;
        for (int col = 0; col < view.columnCount(); ++col)
            cells.push_back(view.displayedText(r, col, "TEXT"));
        return cells;
    }

    // Selects the directory's line of the account.
    static void selectLine(CAuxiliaryDirectoryDlg& dialog, const std::string& code)
    {
        QListWidget* list = dialog.directoryList();
        for (int i = 0; i < list->count(); ++i)
            if (list->item(i)->data(CAuxiliaryDirectoryDlg::kCodeRole).toString().toStdString() == code)
                list->setCurrentRow(i);
    }

    static QPoint centreOf(const CKszwzb3& view, int r, int col = 3)
    {
        const DeviceRect cell = view.screenGeometry().cellRect("TEXT", r, col, view.firstVisibleRow());
        return QPoint(cell.x + cell.width / 2 - view.horizontalScrollBar()->value(), cell.y + cell.height / 2);
    }

    // Opens the context menu on a row as the right button does: each item's text and whether it
    // was enabled.
    static std::map<QString, bool> enabledOn(CKszwzb3& view, int r)
    {
        std::map<QString, bool> items;
        QTimer::singleShot(0, &view, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!menu)
                return;
            for (QAction* action : menu->actions())
                if (!action->isSeparator())
                    items[action->text()] = action->isEnabled();
            menu->close();
        });
        const QPoint at = centreOf(view, r);
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, view.viewport()->mapToGlobal(at));
        QApplication::sendEvent(view.viewport(), &event);
        return items;
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
        m_env = std::make_unique<CKszwEnv>();
        ScriptedPrompt quiet;
        QVERIFY2(confirmLogin(*m_env, path, "102", "", quiet), quiet.last().c_str());
        MemoryUserSettings settings;
        m_env->completeLogin(settings);
        ImportResult imported = importSubjects(db(), kChart);
        QVERIFY2(imported.ok, imported.text().c_str());
        imported = importCurrencies(db(), kCurrencies);
        QVERIFY2(imported.ok, imported.text().c_str());
        imported = importSubjects(db(), kDollarAccount);
        QVERIFY2(imported.ok, imported.text().c_str());
        // 周转材料 was a quantity subject before it got its child.
        db().execute("UPDATE SUBT SET FZ='1',FZN='套' WHERE KNO='1406'");
        imported = importOpeningBalances(db(), kOpening);
        QVERIFY2(imported.ok, imported.text().c_str());
        importCsv(kVouchers);
        postAllBut("20260312", "0002");
        m_prompt.clear();
    }

    void cleanup() { m_env.reset(); }

    void aNewViewIsAnEmptyWholeYearLedgerOfFourteenColumns()
    {
        auto view = window();
        QCOMPARE(view->windowTitle(), QStringLiteral("数量金额式帐页"));
        QCOMPARE(view->titleText(), std::string(" 数量金额式帐页 "));
        QCOMPARE(view->settingsKey().nFlag, viewFlag(ViewKind::QuantityLedger));
        QCOMPARE(view->settingsKey().fieldMode, std::string("0"));
        QCOMPARE(view->columnCount(), 14);
        QCOMPARE(view->formLayout().formHeadRows, 3);
        QCOMPARE(view->formLayout().headRows, 2);
        QCOMPARE(view->textRowCount(), 20);
        QVERIFY(!view->isEditable());
        QCOMPARE(view->startMonth(), 1);
        QCOMPARE(view->endMonth(), 12);
        QCOMPARE(view->displayedText(1, 1, "HEAD"), std::string("×× 年 × 月 至 × 月"));
        QCOMPARE(view->displayedText(0, 1, "HEAD"), std::string("数量单位："));
        auto currency = window(QuantityKind::Currency);
        QCOMPARE(currency->windowTitle(), QStringLiteral("复币式帐页"));
        QCOMPARE(currency->titleText(), std::string(" 复 币 式 帐 页 "));
        QCOMPARE(currency->displayedText(0, 1, "HEAD"), std::string("币种名称："));
        // Both kinds keep one set of print settings.
        QCOMPARE(currency->settingsKey().nFlag, viewFlag(ViewKind::QuantityLedger));
    }

    void theQuantityLedgerShowsTriplesOfLinesTotalsAndBalance()
    {
        auto view = ledgerOf("1403");
        QCOMPARE(view->textRowCount(), 8);
        QCOMPARE(row(*view, 0), (Cells{"01", "01", "", "期 初 余 额", "", "", "", "", "", "", "借", "10", "10.00",
                                       "100.00"}));
        QCOMPARE(row(*view, 1), (Cells{"01", "05", "0001", "购入钢材", "3", "3.3333", "10.00", "", "", "", "借", "13",
                                       "8.4615", "110.00"}));
        QCOMPARE(row(*view, 2)[5], std::string("2.50"));
        QCOMPARE(row(*view, 3), (Cells{"01", "31", "", "本  月  合  计", "7", "2.8571", "20.00", "", "", "", "借",
                                       "17", "7.0588", "120.00"}));
        // A price adjustment: no quantity, no price, only the amount balance moves.
        QCOMPARE(row(*view, 5), (Cells{"03", "10", "0001", "价格调整", "", "", "25.00", "", "", "", "借", "17",
                                       "8.5294", "145.00"}));
        QCOMPARE(row(*view, 7)[3], std::string("本  年  累  计"));
        QCOMPARE(row(*view, 7)[4], std::string("7"));
        QCOMPARE(row(*view, 7)[6], std::string("45.00"));
        QCOMPARE(row(*view, 7)[13], std::string("145.00"));
        // The head, and the column header with the year over 月 and 日.
        QCOMPARE(view->displayedText(0, 0, "HEAD"), std::string("帐户名：原材料"));
        QCOMPARE(view->displayedText(0, 1, "HEAD"), std::string("数量单位：吨"));
        QCOMPARE(view->displayedText(1, 0, "HEAD"), std::string("帐户号：1403"));
        QCOMPARE(view->displayedText(1, 1, "HEAD"), std::string("2026 年  1 月 至 12 月"));
        QCOMPARE(view->displayedText(1, 2, "HEAD"), std::string()); // the page, on paper only
        QCOMPARE(view->displayedText(0, 0, "FORMHEAD"), std::string("2026年"));
        QCOMPARE(view->displayedText(0, 4, "FORMHEAD"), std::string("借  方  发  生  额"));
        QCOMPARE(view->displayedText(0, 7, "FORMHEAD"), std::string("贷  方  发  生  额"));
        QCOMPARE(view->displayedText(0, 11, "FORMHEAD"), std::string("余           额"));
        QCOMPARE(view->displayedText(1, 4, "FORMHEAD"), std::string("数     量"));
        QCOMPARE(view->displayedText(1, 12, "FORMHEAD"), std::string("单     价"));
        QCOMPARE(view->displayedText(1, 9, "FORMHEAD"), std::string("金     额"));
        QCOMPARE(view->displayedText(2, 10, "FORMHEAD"), std::string("贷"));
    }

    void theCurrencyLedgerOfACreditAccountStartsWithItsOpeningTriple()
    {
        auto view = window(QuantityKind::Currency);
        view->setAccount("1002-3");
        view->setPeriod(1, 2);
        view->LoadLedger();
        QCOMPARE(view->textRowCount(), 1);
        QCOMPARE(row(*view, 0), (Cells{"01", "01", "", "期 初 余 额", "", "", "", "", "", "", "贷", "100", "6.50",
                                       "650.00"}));
        QCOMPARE(view->displayedText(0, 0, "HEAD"), std::string("帐户名：银行存款/中国银行美元户"));
        QCOMPARE(view->displayedText(0, 1, "HEAD"), std::string("币种名称：美元"));
        QCOMPARE(view->displayedText(1, 1, "HEAD"), std::string("2026 年  1 月 至  2 月"));
        QCOMPARE(view->displayedText(1, 4, "FORMHEAD"), std::string("外  币  数"));
        QCOMPARE(view->displayedText(1, 5, "FORMHEAD"), std::string("汇     率"));
        QCOMPARE(view->displayedText(1, 6, "FORMHEAD"), std::string("本位币金额"));
        // From March: the dollars received, 90 dollars for 585.00 left on the credit side.
        view->setPeriod(3, 3);
        view->LoadLedger();
        QCOMPARE(view->textRowCount(), 4);
        QCOMPARE(row(*view, 0)[1], std::string("01"));
        QCOMPARE(row(*view, 0)[0], std::string("03"));
        QCOMPARE(row(*view, 1), (Cells{"03", "15", "0003", "收到美元", "10", "6.50", "65.00", "", "", "", "贷", "90",
                                       "6.50", "585.00"}));
    }

    void anAccountWithoutContentIsToldAndTheGridKeepsItsLedger()
    {
        auto view = ledgerOf("1403");
        const Cells first = row(*view, 1);
        view->setAccount("1405");
        view->LoadLedger();
        QCOMPARE(m_prompt.texts(), std::vector<std::string>{"本科目无经济内容!"});
        QCOMPARE(view->textRowCount(), 8);
        QCOMPARE(row(*view, 1), first);
        QCOMPARE(view->code(), std::string("1403"));
        QCOMPARE(view->displayedText(1, 0, "HEAD"), std::string("帐户号：1403"));
        // A new window on such an account stays empty, with the placeholder span.
        auto empty = ledgerOf("1405");
        QCOMPARE(m_prompt.texts().size(), size_t(2));
        QCOMPARE(empty->displayedText(0, 3, "TEXT"), std::string());
        QCOMPARE(empty->displayedText(1, 1, "HEAD"), std::string("×× 年 × 月 至 × 月"));
    }

    void queryVoucherOpensTheVoucherOfALineOnly()
    {
        auto view = ledgerOf("1403");
        std::vector<VoucherKey> opened;
        view->setOpenVoucher([&](const VoucherKey& key) {
            opened.push_back(key);
            view->setWindowTitle(QStringLiteral("记帐凭证查询"));
        });
        std::map<QString, bool> menu = enabledOn(*view, 0);
        QCOMPARE(menu[QStringLiteral("查询凭证(&W)")], false);
        QCOMPARE(menu[QStringLiteral("改变查询时间(&K)")], true);
        menu = enabledOn(*view, 2);
        QCOMPARE(menu[QStringLiteral("查询凭证(&W)")], true);

        view->SetCurrentCell(0, 3, 0, "TEXT");
        QTest::keyClick(view.get(), Qt::Key_Return);
        QVERIFY(opened.empty());
        view->SetCurrentCell(2, 3, 0, "TEXT");
        QTest::keyClick(view.get(), Qt::Key_Return);
        QCOMPARE(opened.size(), size_t(1));
        QCOMPARE(opened[0], (VoucherKey{"20260106", "0002"}));
        QCOMPARE(view->windowTitle(), QStringLiteral("数量金额式帐页"));
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, centreOf(*view, 5));
        QCOMPARE(opened.size(), size_t(2));
        QCOMPARE(opened[1], (VoucherKey{"20260310", "0001"}));
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, centreOf(*view, 3)); // a total row
        QCOMPARE(opened.size(), size_t(2));
        view->SetCurrentCell(1, 3, 0, "TEXT");
        QVERIFY(view->runCommand(CKszwzb3::kQueryVoucherCommand));
        QCOMPARE(opened.size(), size_t(3));
        QCOMPARE(opened[2], (VoucherKey{"20260105", "0001"}));
    }

    void openTakesTheDirectorysAccountAndSpanAndRefusesParentsAndEmptyAccounts()
    {
        auto view = ledgerOf("1403");
        // 1406 has a child: refused, and the directory opens again on it (closed here).
        std::string offered;
        {
            ModalCloser closer;
            closer.actOn<CAuxiliaryDirectoryDlg>([&](CAuxiliaryDirectoryDlg& dialog) {
                offered = dialog.selectedCode();
                selectLine(dialog, "1406");
                dialog.confirm();
            });
            QTest::keyClick(view.get(), Qt::Key_O, Qt::ControlModifier);
            QCOMPARE(closer.classNames(), (QStringList{QStringLiteral("kszw::CAuxiliaryDirectoryDlg"),
                                                       QStringLiteral("kszw::CAuxiliaryDirectoryDlg")}));
        }
        QCOMPARE(offered, std::string("1403"));
        QCOMPARE(m_prompt.texts(), std::vector<std::string>{"本科目已有子目，已不是数量金额核算"});
        // 1405 has nothing posted.
        {
            ModalCloser closer;
            closer.actOn<CAuxiliaryDirectoryDlg>([&](CAuxiliaryDirectoryDlg& dialog) {
                selectLine(dialog, "1405");
                dialog.confirm();
            });
            view->chooseAccount();
        }
        QCOMPARE(m_prompt.texts().back(), std::string("本科目无经济内容!"));
        QCOMPARE(view->shownCode(), std::string("1403"));
        QCOMPARE(view->startMonth(), 1);
        // The account shown again, over March alone: read again for the new span.
        {
            ModalCloser closer;
            closer.actOn<CAuxiliaryDirectoryDlg>([&](CAuxiliaryDirectoryDlg& dialog) {
                selectLine(dialog, "1403");
                dialog.startField()->setText(QStringLiteral("3"));
                dialog.endField()->setText(QStringLiteral("3"));
                dialog.confirm();
            });
            QVERIFY(view->runCommand(cmd::kFileOpen));
        }
        QCOMPARE(view->startMonth(), 3);
        QCOMPARE(view->endMonth(), 3);
        QCOMPARE(view->textRowCount(), 4);
        QCOMPARE(view->displayedText(0, 3, "TEXT"), std::string("期 初 余 额 汇 总"));
        QCOMPARE(view->displayedText(1, 1, "HEAD"), std::string("2026 年  3 月"));
        // Cancelled, nothing changes.
        {
            ModalCloser closer;
            view->chooseAccount();
        }
        QCOMPARE(view->code(), std::string("1403"));
        QCOMPARE(view->startMonth(), 3);
        QCOMPARE(m_prompt.texts().size(), size_t(2));
    }

    void aNewCurrencyLedgerTakesTheAccountOfTheCurrencyDirectory()
    {
        auto view = window(QuantityKind::Currency);
        QString title;
        {
            ModalCloser closer;
            closer.actOn<CAuxiliaryDirectoryDlg>([&](CAuxiliaryDirectoryDlg& dialog) {
                title = dialog.windowTitle();
                selectLine(dialog, "1002-3");
                dialog.confirm();
            });
            QVERIFY(view->runCommand(cmd::kFileOpen));
        }
        QCOMPARE(title, QStringLiteral("2026年度辅助核算目录(外币)"));
        QCOMPARE(view->shownCode(), std::string("1002-3"));
        QCOMPARE(view->unitName(), std::string("美元"));
        QCOMPARE(view->displayedText(1, 1, "HEAD"), std::string("2026 年  1 月 至 12 月"));
        QCOMPARE(view->displayedText(0, 11, "TEXT"), std::string("100"));
        QVERIFY(m_prompt.texts().empty());
    }

    void thePeriodDialogChangesTheSpan()
    {
        auto view = ledgerOf("1403");
        {
            ModalCloser closer;
            closer.actOn<CPeriodDlg>([](CPeriodDlg& dialog) {
                dialog.startField()->setText(QStringLiteral("2"));
                dialog.endField()->setText(QStringLiteral("3"));
                dialog.confirm();
            });
            QVERIFY(view->runCommand(CKszwzb3::kChangePeriodCommand));
        }
        QCOMPARE(view->startMonth(), 2);
        QCOMPARE(view->endMonth(), 3);
        QCOMPARE(view->displayedText(1, 1, "HEAD"), std::string("2026 年  2 月 至  3 月"));
        QCOMPARE(view->displayedText(0, 3, "TEXT"), std::string("期 初 余 额 汇 总"));
        QCOMPARE(view->displayedText(0, 4, "TEXT"), std::string("7"));
        QCOMPARE(view->displayedText(0, 11, "TEXT"), std::string("17"));
    }

    void printedPagesEndWithCarryRowsAtThePageBreak()
    {
        importAprilRun();
        auto view = window();
        // An A4 page upright: more than 20 rows fit on it.
        ViewSettings settings = view->viewSettings();
        settings.page.pageWidth = 2100;
        settings.page.pageLength = 2970;
        view->setViewSettings(settings);
        QVERIFY(view->GetPageRows(true) > 20);
        view->setAccount("1403");
        view->setPeriod(4, 4);
        view->LoadLedger();
        QCOMPARE(view->textRowCount(), 28);
        view->OnBeginPrinting(20);
        QVERIFY(view->isPrintJobRunning());
        QCOMPARE(view->textRowCount(), 30);
        // 1 + 2 + … + 18 = 171 tons for 1,710.00 on the page; the balance after line 18: 16 tons
        // for 140.00 before April (everything posted now), then 187 tons for 1,850.00.
        QCOMPARE(row(*view, 19), (Cells{"04", "18", "", "  过  次  页", "171", "10.00", "1,710.00", "", "", "", "借",
                                        "187", "9.893", "1,850.00"}));
        QCOMPARE(view->displayedText(20, 3, "TEXT"), std::string("  承  前  页"));
        QCOMPARE(view->displayedText(21, 2, "TEXT"), std::string("0019"));
        QVERIFY(!view->isDetailRowAt(21));
        view->OnEndPrinting();
        QVERIFY(!view->isPrintJobRunning());
        QVERIFY(view->printRows().empty());
        QCOMPARE(view->textRowCount(), 28);
    }

    void printingWritesThePageOfTheAccountOnEveryPage()
    {
        importAprilRun();
        PageRecordingLedger view(*m_env, m_clock, QuantityKind::Quantity);
        view.setPrompt(m_prompt);
        view.setAccount("1403");
        view.setPeriod(4, 4);
        view.LoadLedger();
        const QString folder = qEnvironmentVariable("KSZW_SCREENSHOT_DIR");
        const QString file = folder.isEmpty() ? m_dir.filePath(QStringLiteral("quantity.pdf"))
                                              : folder + QStringLiteral("/quantity_print.pdf");
        view.OnBeginPrinting();
        const int rowsPerPage = view.GetPageRows(true);
        const int printedRows = view.textRowCount();
        QVERIFY(rowsPerPage > 1 && rowsPerPage < 28);
        QCOMPARE(view.displayedText(rowsPerPage - 1, 3, "TEXT"), std::string("  过  次  页"));
        view.OnEndPrinting();
        QVERIFY(view.exportPdf(file));
        QVERIFY(QFileInfo(file).size() > 0);
        std::vector<std::string> pages;
        for (int page = 1; page <= (printedRows - 1) / rowsPerPage + 1; ++page)
            pages.push_back(ledgerPageText(page));
        QCOMPARE(view.printedPageTexts, pages);
        QCOMPARE(view.textRowCount(), 28);
    }

    void screenshots()
    {
        const QString folder = qEnvironmentVariable("KSZW_SCREENSHOT_DIR");
        if (folder.isEmpty())
            QSKIP("KSZW_SCREENSHOT_DIR not set");
        auto view = ledgerOf("1403");
        view->grab().save(folder + QStringLiteral("/quantity_ledger.png"));
        auto currency = ledgerOf("1002-3", QuantityKind::Currency);
        currency->grab().save(folder + QStringLiteral("/currency_ledger.png"));
        // With KSZW_DEMO_FILE=a year file of the demo set, its 原材料 and 美元户 ledgers too.
        const QString demo = qEnvironmentVariable("KSZW_DEMO_FILE");
        if (demo.isEmpty())
            return;
        CKszwEnv env;
        ScriptedPrompt quiet;
        QVERIFY2(confirmLogin(env, demo.toStdString(), "101", "", quiet), quiet.last().c_str());
        MemoryUserSettings settings;
        env.completeLogin(settings);
        for (const auto& [code, kind, name] : {std::tuple{"1403", QuantityKind::Quantity, "demo_quantity"},
                                               std::tuple{"1002-3", QuantityKind::Currency, "demo_currency"}}) {
            CKszwzb3 ledger(env, m_clock, kind);
            ledger.setPrompt(quiet);
            ledger.resize(1300, 640);
            ledger.setAccount(code);
            ledger.LoadLedger();
            ledger.grab().save(folder + QStringLiteral("/%1.png").arg(QLatin1String(name)));
            QVERIFY(ledger.exportPdf(folder + QStringLiteral("/%1.pdf").arg(QLatin1String(name))));
        }
    }
};

QTEST_MAIN(QuantityViewTest)
#include "quantity_view_test.moc"
