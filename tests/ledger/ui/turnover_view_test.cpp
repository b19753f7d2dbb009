// The balance-and-turnover table on an offscreen screen, on a real year file with opening balances
// and posted vouchers: the next level with its opening, turnover and closing figures and the
// total line, every level below with totals that count the first level only, the period text,
// Enter choosing the current code that Open offers, 返回上一级 and Escape, and the printed page.
// With KSZW_SCREENSHOT_DIR=folder the window is saved there as turnover_view.png and the printed
// table as turnover_print.pdf.
#include "accountset/year_file.h"
#include "chart/chart_import.h"
#include "common/clock.h"
#include "common/command_ids.h"
#include "common/prompt.h"
#include "formview/ui/form_printer.h"
#include "formview/ui/spec_edit.h"
#include "formview/view_kinds.h"
#include "ledger/ui/balance_view.h"
#include "ledger/ui/turnover_condition_dialog.h"
#include "ledger/ui/turnover_view.h"
#include "session/kszw_env.h"
#include "session/user_settings.h"
#include "store/database.h"
#include "voucher/voucher_import.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QDir>
#include <QMenu>
#include <QProcess>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <memory>

using namespace kszw;

namespace {

constexpr std::string_view kChart = "code,name,kind,unit,multi_column,direction,width\n"
                                    "1001,库存现金,0,,0,0,0\n"
                                    "1002,银行存款,0,,0,0,0\n"
                                    "1002-1,工商银行,0,,0,0,0\n"
                                    "1002-1-1,人民币户,0,,0,0,0\n"
                                    "1002-1-2,美元户,0,,0,0,0\n"
                                    "1002-2,建设银行,0,,0,0,0\n"
                                    "1122,应收账款,0,,0,0,0\n"
                                    "2202,应付账款,0,,0,0,0\n"
                                    "4001,实收资本,0,,0,0,0\n"
                                    "6001,主营业务收入,0,,0,0,0\n"
                                    "6602,管理费用,0,,0,0,0\n"
                                    "6602-1,工资,0,,0,0,0\n"
                                    "6602-2,办公费,0,,0,0,0\n";

constexpr std::string_view kOpening = "code,direction,amount,quantity\n"
                                      "1001,借,5000,\n"
                                      "1002-1-1,借,100000,\n"
                                      "1002-2,借,20000,\n"
                                      "2202,贷,30000,\n"
                                      "4001,贷,95000,\n";

// Five posted vouchers from January to April, and one of April left unposted.
constexpr std::string_view kVouchers = "date,number,attachments,summary,subject,debit,credit,quantity\n"
                                       "20260110,0001,1,发工资,6602-1,8000,,\n"
                                       "20260110,0001,1,发工资,1002-1-1,,8000,\n"
                                       "20260215,0001,1,销售收款,1002-1-1,50000,,\n"
                                       "20260215,0001,1,销售收款,6001,,50000,\n"
                                       "20260310,0001,1,买办公用品,6602-2,1200,,\n"
                                       "20260310,0001,1,买办公用品,1001,,1200,\n"
                                       "20260320,0002,1,付货款,2202,10000,,\n"
                                       "20260320,0002,1,付货款,1002-2,,10000,\n"
                                       "20260418,0001,1,购汇,1002-1-2,3000,,\n"
                                       "20260418,0001,1,购汇,1002-1-1,,3000,\n"
                                       "20260419,0002,0,现销,1001,999,,\n"
                                       "20260419,0002,0,现销,6001,,999,\n";

using Row = std::vector<std::string>;

const Row kTotal = {"", "   合    计  ", "平", "", "14,200.00", "14,200.00", "平", ""};

// The text of a PDF file without blanks and line breaks; empty when pdftotext is missing.
QString pdfText(const QString& file)
{
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (tool.isEmpty())
        return {};
    QProcess process;
    process.start(tool, {QStringLiteral("-layout"), QStringLiteral("-enc"), QStringLiteral("UTF-8"), file,
                         QStringLiteral("-")});
    if (!process.waitForFinished(60000))
        return {};
    return QString::fromUtf8(process.readAllStandardOutput()).remove(QRegularExpression(QStringLiteral("\\s")));
}

} // namespace

class TurnoverViewTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    int m_files = 0;
    FixedClock m_clock{CivilDate{2026, 4, 30}};
    std::unique_ptr<CKszwEnv> m_env;
    ScriptedPrompt m_prompt;

    Database& db() { return m_env->db(); }

    std::unique_ptr<CKszwzb6> window()
    {
        auto view = std::make_unique<CKszwzb6>(*m_env, m_clock);
        view->setPrompt(m_prompt);
        view->resize(1100, 640);
        view->show();
        if (!QTest::qWaitForWindowExposed(view.get()))
            qWarning("the window was not shown");
        return view;
    }

    // 15 March to 20 April: months 3 and 4 of a calendar closing on the last day.
    static TurnoverConditions marchToApril(std::string parent = {},
                                           TurnoverListing listing = TurnoverListing::NextLevel)
    {
        return TurnoverConditions{std::move(parent), "20260315", "20260420", 3, 4, listing};
    }

    static std::vector<Row> rows(const CKszwzb6& view)
    {
        std::vector<Row> shown;
        for (int row = 0; row < view.textRowCount(); ++row) {
            Row cells;
            for (int col = 0; col < view.columnCount(); ++col)
                cells.push_back(view.displayedText(row, col, "TEXT"));
            shown.push_back(cells);
        }
        return shown;
    }

    static std::vector<std::string> codes(const CKszwzb6& view)
    {
        std::vector<std::string> shown;
        for (int row = 0; row < view.textRowCount(); ++row)
            shown.push_back(view.displayedText(row, 0, "TEXT"));
        return shown;
    }

    static void press(CKszwzb6& view, Qt::Key key, int row)
    {
        view.SetCurrentCell(row, 0, 0, "TEXT");
        QTest::keyClick(&view, key);
    }

private slots:
    void initTestCase()
    {
        QFont::insertSubstitutions(QStringLiteral("宋体"), {QStringLiteral("AR PL UMing CN"),
                                                            QStringLiteral("Noto Sans CJK SC")});
        QVERIFY(m_dir.isValid());
    }

    // Every test has a 2026 year file of its own: unit 岚屿穗演示公司, logged in as 102 (×××), the
    // chart, the opening balances and the vouchers, all but the last posted.
    void init()
    {
        const QString folder = m_dir.path() + QStringLiteral("/set%1").arg(++m_files);
        QVERIFY(QDir().mkpath(folder));
        const std::string path = (folder + QStringLiteral("/2026.ksk")).toStdString();
        createYearFile(path, 2026);
        {
            Database file = Database::open(path);
            file.execute("UPDATE SYSTAB SET NA=?1", {std::string("岚屿穗演示公司")});
        }
        m_env = std::make_unique<CKszwEnv>();
        ScriptedPrompt quiet;
        QVERIFY2(confirmLogin(*m_env, path, "102", "", quiet), quiet.last().c_str());
        MemoryUserSettings settings;
        m_env->completeLogin(settings);
        const ImportResult chart = importSubjects(db(), kChart);
        QVERIFY2(chart.ok, chart.message.c_str());
        const ImportResult opening = importOpeningBalances(db(), kOpening);
        QVERIFY2(opening.ok, opening.message.c_str());
        const VoucherImportResult vouchers = importVouchers(*m_env, m_clock, kVouchers);
        QVERIFY2(vouchers.ok, vouchers.refusals.empty() ? "" : vouchers.refusals.front().text().c_str());
        db().execute("UPDATE CERDIR SET MK='4' WHERE NOT (T='20260419' AND CER='0002')");
        db().execute("UPDATE P0 SET MK='4' WHERE CER<>'    ' AND NOT (T='20260419' AND CER='0002')");
        m_prompt.clear();
    }

    void cleanup() { m_env.reset(); }

    void theNextLevelShowsOpeningTurnoverAndClosingOfEachAccount()
    {
        auto view = window();
        QCOMPARE(view->displayedText(0, 0, "HEAD"), std::string("×× 年 × 月 × 日 至 ×× 年 × 月 × 日"));
        QVERIFY(view->setConditions(marchToApril()));

        QCOMPARE(view->windowTitle(), QStringLiteral("帐户余额及发生额表"));
        QCOMPARE(view->settingsKey().nFlag, viewFlag(ViewKind::TurnoverTable));
        QCOMPARE(view->settingsKey().fieldMode, std::string("0"));
        QVERIFY(!view->isEditable());
        // The opening is the balance at the end of February; the turnover runs from 1 March (the
        // start day is not used) to 20 April; the unposted sale of 19 April stays out.
        QCOMPARE(rows(*view),
                 (std::vector<Row>{
                     {"1001", "库存现金", "借", "5,000.00", "", "1,200.00", "借", "3,800.00"},
                     {"1002", "银行存款", "借", "162,000.00", "3,000.00", "13,000.00", "借", "152,000.00"},
                     {"1122", "应收账款", "平", "", "", "", "平", ""},
                     {"2202", "应付账款", "贷", "30,000.00", "10,000.00", "", "贷", "20,000.00"},
                     {"4001", "实收资本", "贷", "95,000.00", "", "", "贷", "95,000.00"},
                     {"6001", "主营业务收入", "贷", "50,000.00", "", "", "贷", "50,000.00"},
                     {"6602", "管理费用", "借", "8,000.00", "1,200.00", "", "借", "9,200.00"},
                     kTotal}));
        QCOMPARE(view->displayedText(0, 0, "HEAD"), std::string("2026 年 3 月 15 日 至 4 月 20 日"));
        QCOMPARE(view->displayedText(1, 0, "HEAD"), std::string("单位：岚屿穗演示公司"));
        QCOMPARE(view->displayedText(1, 1, "HEAD"), std::string());
        Row header;
        for (int col = 0; col < CKszwzb6::kColumns; ++col)
            header.push_back(view->displayedText(1, col, "FORMHEAD"));
        QCOMPARE(header, (Row{"科 目 代 码", "科   目   名   称", "或", "期 初 余 额", "借方发生额", "贷方发生额", "或",
                              "期 末 余 额"}));
        QCOMPARE(view->displayedText(0, 6, "FORMHEAD"), std::string("借"));
        QCOMPARE(view->displayedText(2, 2, "FORMHEAD"), std::string("贷"));
        QCOMPARE(view->displayedText(0, 2, "FOOT"), std::string("制  表：×××"));
        QCOMPARE(view->currentCode(), std::string());
        QVERIFY(m_prompt.entries().empty());
    }

    void everyLevelBelowIsListedDepthFirstAndTheTotalCountsTheFirstLevelOnly()
    {
        auto view = window();
        QVERIFY(view->setConditions(marchToApril({}, TurnoverListing::AllLevels)));
        QCOMPARE(codes(*view), (std::vector<std::string>{"1001", "1002", "1002-1", "1002-1-1", "1002-1-2", "1002-2",
                                                         "1122", "2202", "4001", "6001", "6602", "6602-1", "6602-2",
                                                         ""}));
        const auto shown = rows(*view);
        QCOMPARE(shown[3], (Row{"1002-1-1", "人民币户", "借", "142,000.00", "", "3,000.00", "借", "139,000.00"}));
        QCOMPARE(shown[4], (Row{"1002-1-2", "美元户", "平", "", "3,000.00", "", "借", "3,000.00"}));
        QCOMPARE(shown[12], (Row{"6602-2", "办公费", "平", "", "1,200.00", "", "借", "1,200.00"}));
        QCOMPARE(shown.back(), kTotal);
        QCOMPARE(view->rowLevel(0), 1);
        QCOMPARE(view->rowLevel(3), 3);
        QCOMPARE(view->rowLevel(13), 0);

        // Below an account its whole subtree; the totals are those of its children.
        QVERIFY(view->setConditions(marchToApril("1002", TurnoverListing::AllLevels)));
        QCOMPARE(rows(*view),
                 (std::vector<Row>{
                     {"1002-1", "工商银行", "借", "142,000.00", "3,000.00", "3,000.00", "借", "142,000.00"},
                     {"1002-1-1", "人民币户", "借", "142,000.00", "", "3,000.00", "借", "139,000.00"},
                     {"1002-1-2", "美元户", "平", "", "3,000.00", "", "借", "3,000.00"},
                     {"1002-2", "建设银行", "借", "20,000.00", "", "10,000.00", "借", "10,000.00"},
                     {"", "   合    计  ", "借", "162,000.00", "3,000.00", "13,000.00", "借", "152,000.00"}}));
    }

    void enterChoosesTheCurrentCodeThatOpenOffers()
    {
        auto view = window();
        QVERIFY(view->setConditions(marchToApril()));
        const auto top = rows(*view);
        press(*view, Qt::Key_Return, 1);
        QCOMPARE(view->currentCode(), std::string("1002"));
        QCOMPARE(rows(*view), top); // the listing stays
        QCOMPARE(view->currentCell().row, 1);
        // Not on the total line.
        press(*view, Qt::Key_Return, 7);
        QCOMPARE(view->currentCode(), std::string("1002"));

        QStringList offered;
        view->runDialog = [&](CTurnoverConditionDlg& dialog) {
            offered = {dialog.codeField()->text(), dialog.startMonthField()->text(), dialog.startDayField()->text(),
                       dialog.endMonthField()->text(), dialog.endDayField()->text()};
            dialog.confirm();
            return dialog.result();
        };
        QVERIFY(view->runCommand(cmd::kFileOpen));
        QCOMPARE(offered, (QStringList{"1002", "3", "15", "4", "20"}));
        QCOMPARE(view->conditions().parent, std::string("1002"));
        QCOMPARE(codes(*view), (std::vector<std::string>{"1002-1", "1002-2", ""}));
        QCOMPARE(view->currentCode(), std::string("1002"));

        // In 所有下级 mode Enter chooses nothing.
        QVERIFY(view->setConditions(marchToApril({}, TurnoverListing::AllLevels)));
        press(*view, Qt::Key_Return, 2);
        QCOMPARE(view->currentCode(), std::string());
        QVERIFY(m_prompt.entries().empty());
    }

    void goingUpListsTheLevelAboveTheListing()
    {
        auto view = window();
        // Listed through the dialog, the current code is the listed account: up is one level.
        QVERIFY(view->setConditions(marchToApril("1002-1")));
        QCOMPARE(view->currentCode(), std::string("1002-1"));
        QVERIFY(view->isCommandEnabled(kGoUpOneLevelCommand));
        QVERIFY(view->runCommand(kGoUpOneLevelCommand));
        QCOMPARE(view->conditions().parent, std::string("1002"));
        QCOMPARE(view->currentCell().row, 0); // 1002-1, the account left
        QCOMPARE(view->conditions().endDate, std::string("20260420"));

        // From a row chosen with Enter: its parent's parent.
        press(*view, Qt::Key_Return, 1);
        QCOMPARE(view->currentCode(), std::string("1002-2"));
        view->goUpAction()->trigger();
        QCOMPARE(view->conditions().parent, std::string());
        QCOMPARE(view->currentCell().row, 1); // 1002
        QCOMPARE(view->textRowCount(), 8);
        // From the top the top stays.
        QVERIFY(view->goUpOneLevel());
        QCOMPARE(view->conditions().parent, std::string());
        QCOMPARE(view->textRowCount(), 8);
        QVERIFY(m_prompt.entries().empty());
    }

    void escapeGoesUpInTheNextLevelAndToTheParentRowWhenItIsListed()
    {
        auto view = window();
        QVERIFY(view->setConditions(marchToApril("1002-1")));
        press(*view, Qt::Key_Escape, 1);
        QCOMPARE(view->conditions().parent, std::string("1002"));
        QCOMPARE(view->currentCell().row, 0);
        press(*view, Qt::Key_Escape, 1);
        QCOMPARE(view->conditions().parent, std::string());
        QCOMPARE(view->currentCell().row, 1);
        QTest::keyClick(view.get(), Qt::Key_Escape);
        QCOMPARE(view->conditions().parent, std::string());
        QCOMPARE(view->textRowCount(), 8);
        QVERIFY(view->isVisible());

        // Every level below: Escape climbs the rows to the first level, then lists the level above.
        QVERIFY(view->setConditions(marchToApril("1002", TurnoverListing::AllLevels)));
        press(*view, Qt::Key_Escape, 2); // 1002-1-2
        QCOMPARE(view->currentCell().row, 0);
        QCOMPARE(view->conditions().parent, std::string("1002"));
        QTest::keyClick(view.get(), Qt::Key_Escape);
        QCOMPARE(view->conditions().parent, std::string());
        QVERIFY(view->conditions().listing == TurnoverListing::AllLevels);
        QCOMPARE(view->currentCell().row, 1); // 1002
        QCOMPARE(view->textRowCount(), 14);
    }

    void goingUpIsInTheContextMenu()
    {
        auto view = window();
        int offered = -1;
        const auto openMenu = [&] {
            offered = -1;
            QTimer::singleShot(0, view.get(), [&] {
                auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
                if (!menu)
                    return;
                for (QAction* action : menu->actions())
                    if (action->text() == QStringLiteral("返回上一级(&U)"))
                        offered = action->isEnabled() ? 1 : 0;
                menu->close();
            });
            QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(10, 10), view->mapToGlobal(QPoint(10, 10)));
            QApplication::sendEvent(view->viewport(), &event);
        };
        openMenu();
        QCOMPARE(offered, 0); // nothing listed yet
        QVERIFY(view->setConditions(marchToApril("1002")));
        openMenu();
        QCOMPARE(offered, 1);
    }

    void theProgressRunsToAHundred()
    {
        auto view = window();
        QList<int> percents;
        connect(view.get(), &CKszwzb6::buildProgress, this, [&](int percent) { percents << percent; });
        QVERIFY(view->setConditions(marchToApril({}, TurnoverListing::AllLevels)));
        QCOMPARE(percents.front(), 0);
        QCOMPARE(percents.back(), 100);
        QVERIFY(std::is_sorted(percents.begin(), percents.end()));
        QCOMPARE(view->progressText(), QString());
    }

    void thePrintedPageCarriesThePeriodTheTableAndThePageNumber()
    {
        auto view = window();
        QVERIFY(view->setConditions(marchToApril({}, TurnoverListing::AllLevels)));
        const QString folder = qEnvironmentVariable("KSZW_SCREENSHOT_DIR");
        const QString file = folder.isEmpty() ? m_dir.filePath(QStringLiteral("turnover.pdf"))
                                              : folder + QStringLiteral("/turnover_print.pdf");
        QVERIFY(exportViewToPdf(*view, file, m_prompt));
        QVERIFY(m_prompt.entries().empty());
        const QString text = pdfText(file);
        if (text.isEmpty())
            QSKIP("pdftotext is not installed");
        for (const char* expected : {"帐户余额及发生额表", "2026年3月15日至4月20日", "单位：岚屿穗演示公司", "第1页",
                                     "期初余额", "借方发生额", "贷方发生额", "期末余额", "162,000.00", "139,000.00",
                                     "合计", "14,200.00", "会计主管：", "复核：", "制表：×××"})
            QVERIFY2(text.contains(QString::fromUtf8(expected)), expected);
        if (!folder.isEmpty())
            view->grab().save(folder + QStringLiteral("/turnover_view.png"));
    }
};

QTEST_MAIN(TurnoverViewTest)
#include "turnover_view_test.moc"
