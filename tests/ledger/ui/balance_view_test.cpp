// The account balance table on an offscreen screen, on a real year file with opening balances and
// posted vouchers: the top level with every first-level account (empty ones too) and the total
// line, the cut-off date, stepping down with Enter and a double click and back up with 返回上一级
// (greyed on the first level) and Escape, Open with the condition dialog, the display copy that
// takes edits for printing only, the progress, an engine error, and the printed page. With
// KSZW_SCREENSHOT_DIR=folder the window is saved there as balance_view.png and the printed table
// as balance_print.pdf.
#include "accountset/year_file.h"
#include "chart/chart_import.h"
#include "common/clock.h"
#include "common/command_ids.h"
#include "common/prompt.h"
#include "formview/ui/form_printer.h"
#include "formview/ui/spec_edit.h"
#include "formview/view_kinds.h"
#include "ledger/ui/balance_condition_dialog.h"
#include "ledger/ui/balance_view.h"
#include "session/kszw_env.h"
#include "session/user_settings.h"
#include "store/database.h"
#include "voucher/voucher_import.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QDir>
#include <QMenu>
#include <QProcess>
#include <QRegularExpression>
#include <QScrollBar>
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
                                       "20260425,0002,0,现销,1001,999,,\n"
                                       "20260425,0002,0,现销,6001,,999,\n";

using Row = std::vector<std::string>;

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

// A text as pdfText gives it back: without blanks.
QString unspaced(const char* text)
{
    return QString::fromUtf8(text).remove(QRegularExpression(QStringLiteral("\\s")));
}

} // namespace

class BalanceViewTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    int m_files = 0;
    FixedClock m_clock{CivilDate{2026, 4, 30}};
    std::unique_ptr<CKszwEnv> m_env;
    ScriptedPrompt m_prompt;

    Database& db() { return m_env->db(); }

    std::unique_ptr<CKszwzb5> window()
    {
        auto view = std::make_unique<CKszwzb5>(*m_env, m_clock);
        view->setPrompt(m_prompt);
        view->resize(900, 640);
        view->show();
        if (!QTest::qWaitForWindowExposed(view.get()))
            qWarning("the window was not shown");
        return view;
    }

    static BalanceConditions at(std::string date, int month, std::string parent = {})
    {
        return BalanceConditions{std::move(parent), std::move(date), month};
    }

    static std::vector<Row> rows(const CKszwzb5& view)
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

    static QPoint centreOf(const CKszwzb5& view, int row, int col = 1)
    {
        const DeviceRect cell = view.screenGeometry().cellRect("TEXT", row, col, view.firstVisibleRow());
        return QPoint(cell.x + cell.width / 2 - view.horizontalScrollBar()->value(), cell.y + cell.height / 2);
    }

    // Opens the context menu on a row as the right button does: whether 返回上一级 was enabled
    // (-1 when the menu did not show or lacked it).
    static int goUpOfferedOn(CKszwzb5& view, int row)
    {
        int offered = -1;
        QTimer::singleShot(0, &view, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!menu)
                return;
            for (QAction* action : menu->actions())
                if (action->text() == QStringLiteral("返回上一级(&U)"))
                    offered = action->isEnabled() ? 1 : 0;
            menu->close();
        });
        const QPoint point = centreOf(view, row);
        QContextMenuEvent event(QContextMenuEvent::Mouse, point, view.viewport()->mapToGlobal(point));
        QApplication::sendEvent(view.viewport(), &event);
        return offered;
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
        db().execute("UPDATE CERDIR SET MK='4' WHERE NOT (T='20260425' AND CER='0002')");
        db().execute("UPDATE P0 SET MK='4' WHERE CER<>'    ' AND NOT (T='20260425' AND CER='0002')");
        m_prompt.clear();
    }

    void cleanup() { m_env.reset(); }

    void theTopLevelListsEveryFirstLevelAccountAndTheTotal()
    {
        auto view = window();
        QCOMPARE(view->displayedText(0, 0, "HEAD"), std::string("截止时间：×× 年 × 月 × 日"));
        QVERIFY(view->setConditions(at("20260331", 3)));

        QCOMPARE(view->windowTitle(), QStringLiteral("帐户余额表"));
        QCOMPARE(view->settingsKey().nFlag, viewFlag(ViewKind::BalanceTable));
        QCOMPARE(view->settingsKey().fieldMode, std::string("0"));
        QCOMPARE(view->accountCount(), 7);
        // 应收账款 has no rows and is listed all the same, even, with an empty balance; the
        // total of a balanced book is even too.
        QCOMPARE(rows(*view), (std::vector<Row>{{"1001", "库存现金", "借", "3,800.00"},
                                                {"1002", "银行存款", "借", "152,000.00"},
                                                {"1122", "应收账款", "平", ""},
                                                {"2202", "应付账款", "贷", "20,000.00"},
                                                {"4001", "实收资本", "贷", "95,000.00"},
                                                {"6001", "主营业务收入", "贷", "50,000.00"},
                                                {"6602", "管理费用", "借", "9,200.00"},
                                                {"", "         合      计", "平", ""}}));
        QCOMPARE(view->displayedText(0, 0, "HEAD"), std::string("截止时间：2026 年 3 月 31 日"));
        QCOMPARE(view->displayedText(1, 0, "HEAD"), std::string("单位：岚屿穗演示公司"));
        QCOMPARE(view->displayedText(1, 1, "HEAD"), std::string()); // the page is for paper
        Row header;
        for (int row = 0; row < 3; ++row)
            for (int col = 0; col < CKszwzb5::kColumns; ++col)
                header.push_back(view->displayedText(row, col, "FORMHEAD"));
        QCOMPARE(header, (Row{"", "", "借", "", "科 目 代 码", "科  目  名  称", "或", "余    额", "", "", "贷", ""}));
        Row foot;
        for (int col = 0; col < 3; ++col)
            foot.push_back(view->displayedText(0, col, "FOOT"));
        QCOMPARE(foot, (Row{"会计主管：", "复  核：", "制  表：×××"}));
        QCOMPARE(view->currentCell(), (CellPos{0, 0, 0, "TEXT"}));
        QVERIFY(m_prompt.entries().empty());
    }

    void theCutoffDateLimitsTheRowsAndUnpostedVouchersNeverCount()
    {
        auto view = window();
        // 15 March: the payment of 20 March is not yet in.
        QVERIFY(view->setConditions(at("20260315", 3)));
        QCOMPARE(rows(*view)[3], (Row{"2202", "应付账款", "贷", "30,000.00"}));
        // The end of April: the unposted sale of 25 April stays out.
        QVERIFY(view->setConditions(at("20260430", 4)));
        QCOMPARE(rows(*view)[0], (Row{"1001", "库存现金", "借", "3,800.00"}));
        QCOMPARE(rows(*view)[5], (Row{"6001", "主营业务收入", "贷", "50,000.00"}));
        // Before anything was posted only the opening balances count.
        QVERIFY(view->setConditions(at("20260101", 1)));
        QCOMPARE(rows(*view)[1], (Row{"1002", "银行存款", "借", "120,000.00"}));
        QCOMPARE(rows(*view)[6], (Row{"6602", "管理费用", "平", ""}));
    }

    void enterAndADoubleClickStepDownAndGoingUpComesBack()
    {
        auto view = window();
        QVERIFY(view->setConditions(at("20260331", 3)));
        // A leaf does not open: Enter moves on as in every form view.
        view->SetCurrentCell(0, 0, 0, "TEXT");
        QTest::keyClick(view.get(), Qt::Key_Return);
        QCOMPARE(view->conditions().parent, std::string());
        QCOMPARE(view->textRowCount(), 8);

        view->SetCurrentCell(1, 1, 0, "TEXT");
        QTest::keyClick(view.get(), Qt::Key_Return);
        QCOMPARE(view->conditions().parent, std::string("1002"));
        QCOMPARE(view->conditions().cutoffDate, std::string("20260331"));
        // The children add up to the parent's balance.
        QCOMPARE(rows(*view), (std::vector<Row>{{"1002-1", "工商银行", "借", "142,000.00"},
                                                {"1002-2", "建设银行", "借", "10,000.00"},
                                                {"", "         合      计", "借", "152,000.00"}}));

        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, centreOf(*view, 0));
        QCOMPARE(view->conditions().parent, std::string("1002-1"));
        QCOMPARE(rows(*view), (std::vector<Row>{{"1002-1-1", "人民币户", "借", "142,000.00"},
                                                {"1002-1-2", "美元户", "平", ""},
                                                {"", "         合      计", "借", "142,000.00"}}));
        // Neither a leaf nor the total line opens.
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, centreOf(*view, 0));
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, centreOf(*view, 2));
        QCOMPARE(view->conditions().parent, std::string("1002-1"));

        // Up from 1002-1-2: the children of 1002, with 1002-1 the current row.
        view->SetCurrentCell(1, 0, 0, "TEXT");
        QVERIFY(view->isCommandEnabled(kGoUpOneLevelCommand));
        QVERIFY(view->runCommand(kGoUpOneLevelCommand));
        QCOMPARE(view->conditions().parent, std::string("1002"));
        QCOMPARE(view->currentCode(), std::string("1002-1"));
        QCOMPARE(view->textRowCount(), 3);
        // Escape goes up the same way: the top level with 银行存款 current.
        QTest::keyClick(view.get(), Qt::Key_Escape);
        QCOMPARE(view->conditions().parent, std::string());
        QCOMPARE(view->currentCode(), std::string("1002"));
        QCOMPARE(view->currentCell().row, 1);
        QCOMPARE(view->textRowCount(), 8);
        QCOMPARE(view->conditions().cutoffDate, std::string("20260331"));
        QVERIFY(m_prompt.entries().empty());
    }

    void goingUpIsGreyedOnTheFirstLevelAndTheTopStays()
    {
        auto view = window();
        QVERIFY(view->setConditions(at("20260331", 3)));
        QVERIFY(!view->isCommandEnabled(kGoUpOneLevelCommand));
        QCOMPARE(goUpOfferedOn(*view, 1), 0);
        QCOMPARE(goUpOfferedOn(*view, 7), 0); // the total line
        QVERIFY(!view->goUpOneLevel());
        QTest::keyClick(view.get(), Qt::Key_Escape);
        QCOMPARE(view->conditions().parent, std::string());
        QCOMPARE(view->textRowCount(), 8);
        QVERIFY(view->isVisible());

        QVERIFY(!view->goUpAction()->isEnabled());
        QVERIFY(view->stepDown(1));
        QVERIFY(view->goUpAction()->isEnabled());
        // Below the first level the item is offered on an account row and on the total line.
        QCOMPARE(goUpOfferedOn(*view, 2), 1);
        QCOMPARE(view->currentCell().row, 2); // the right click chose the row
        QCOMPARE(goUpOfferedOn(*view, 1), 1);
        view->goUpAction()->trigger();
        QCOMPARE(view->conditions().parent, std::string());
        QCOMPARE(view->currentCode(), std::string("1002"));
    }

    void openAsksForTheConditionsWithTheCurrentOnesAndRebuilds()
    {
        auto view = window();
        QVERIFY(view->setConditions(at("20260331", 3, "1002")));
        QStringList offered;
        int asked = 0;
        view->runDialog = [&](CBalanceConditionDlg& dialog) {
            ++asked;
            offered = {dialog.codeField()->text(), dialog.yearField()->text(), dialog.monthField()->text(),
                       dialog.dayField()->text()};
            dialog.codeField()->setText(QStringLiteral("1002-1"));
            dialog.monthField()->setText(QStringLiteral("4"));
            dialog.dayField()->setText(QStringLiteral("30"));
            dialog.confirm();
            return dialog.result();
        };
        QVERIFY(view->isCommandEnabled(cmd::kFileOpen));
        QTest::keyClick(view.get(), Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(asked, 1);
        QCOMPARE(offered, (QStringList{"1002", "2026", "3", "31"}));
        QCOMPARE(view->conditions().parent, std::string("1002-1"));
        QCOMPARE(view->conditions().cutoffDate, std::string("20260430"));
        QCOMPARE(view->conditions().cutoffMonth, 4);
        QCOMPARE(view->displayedText(0, 0, "HEAD"), std::string("截止时间：2026 年 4 月 30 日"));
        QCOMPARE(rows(*view), (std::vector<Row>{{"1002-1-1", "人民币户", "借", "139,000.00"},
                                                {"1002-1-2", "美元户", "借", "3,000.00"},
                                                {"", "         合      计", "借", "142,000.00"}}));

        // Cancelled, nothing changes.
        view->runDialog = [&](CBalanceConditionDlg& dialog) {
            ++asked;
            dialog.reject();
            return dialog.result();
        };
        QVERIFY(view->runCommand(cmd::kFileOpen));
        QCOMPARE(asked, 2);
        QCOMPARE(view->conditions().parent, std::string("1002-1"));
        QCOMPARE(view->textRowCount(), 3);
        QVERIFY(m_prompt.entries().empty());
    }

    void theDisplayCopyTakesEditsThatPrintingShowsButARebuildForgets()
    {
        auto view = window();
        QVERIFY(view->setConditions(at("20260331", 3)));
        QVERIFY(view->isEditable());
        const CellInfo info = view->GetCellInfo(1, 1, "TEXT", false);
        QCOMPARE(info.spec, std::string("STRING NOT |[]'\""));
        QCOMPARE(info.maxLength, 40);
        view->SetCurrentCell(1, 1, 4, "TEXT");
        QTest::keyClick(view.get(), '\''); // kept out of every text
        for (const char* character : {"(", "基", "本", "户", ")"})
            QVERIFY(view->typeCharacter(character));
        QCOMPARE(view->displayedText(1, 1, "TEXT"), std::string("银行存款(基本户)"));
        QCOMPARE(db().queryText("SELECT NA FROM SUBT WHERE KNO='1002'"), std::optional<std::string>("银行存款"));
        // Nothing to make or save here.
        QVERIFY(!view->isCommandEnabled(cmd::kSave));
        QVERIFY(!view->isCommandEnabled(cmd::kNewVoucher));
        QVERIFY(!view->isCommandEnabled(cmd::kDeleteRow));

        const QString file = m_dir.filePath(QStringLiteral("edited.pdf"));
        QVERIFY(exportViewToPdf(*view, file, m_prompt));
        const QString text = pdfText(file);
        if (!text.isEmpty())
            QVERIFY2(text.contains(unspaced("银行存款(基本户)")), qPrintable(text));

        // Stepping down builds again; undoing the old edit must not reach the new rows.
        QVERIFY(view->stepDown(1));
        const auto children = rows(*view);
        QVERIFY(!view->isCommandEnabled(cmd::kUndo));
        QTest::keyClick(view.get(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(rows(*view), children);
        // A new edit undoes and redoes as usual.
        view->SetCurrentCell(0, 1, 4, "TEXT");
        QTest::keyClicks(view.get(), QStringLiteral("X"));
        QCOMPARE(view->displayedText(0, 1, "TEXT"), std::string("工商银行X"));
        QVERIFY(view->isCommandEnabled(cmd::kUndo));
        view->runCommand(cmd::kUndo);
        QCOMPARE(view->displayedText(0, 1, "TEXT"), std::string("工商银行"));
        QVERIFY(view->isCommandEnabled(cmd::kRedo));
        view->runCommand(cmd::kRedo);
        QCOMPARE(view->displayedText(0, 1, "TEXT"), std::string("工商银行X"));
        view->runCommand(cmd::kUndo);
        QVERIFY(!view->isCommandEnabled(cmd::kUndo));
        view->runCommand(cmd::kUndo);
        QCOMPARE(rows(*view), children);
    }

    void theProgressRunsToAHundredAndIsGoneAfterwards()
    {
        auto view = window();
        QList<int> percents;
        QStringList shown; // the progress text the window draws meanwhile
        const QString folder = qEnvironmentVariable("KSZW_SCREENSHOT_DIR");
        connect(view.get(), &CKszwzb5::buildProgress, this, [&](int percent) {
            percents << percent;
            shown << view->progressText();
            if (!folder.isEmpty() && percent >= 40 && percents.size() > 1 && percents[percents.size() - 2] < 40)
                view->grab().save(folder + QStringLiteral("/balance_progress.png"));
        });
        QVERIFY(view->setConditions(at("20260331", 3)));
        QCOMPARE(shown.back(), QStringLiteral("100％"));
        QVERIFY(shown.contains(QStringLiteral("  0％")));
        QVERIFY(percents.size() >= 2);
        QCOMPARE(percents.front(), 0);
        QCOMPARE(percents.back(), 100);
        QVERIFY(std::is_sorted(percents.begin(), percents.end()));
        QCOMPARE(view->progressText(), QString());
    }

    void anEngineErrorIsToldAndTheTableStays()
    {
        auto view = window();
        QVERIFY(view->setConditions(at("20260331", 3)));
        const auto before = rows(*view);
        db().execute("DROP TABLE P0");
        QVERIFY(!view->setConditions(at("20260430", 4)));
        QCOMPARE(m_prompt.entries().size(), size_t(1));
        QCOMPARE(m_prompt.entries()[0].caption, std::string("岚屿穗软件"));
        QVERIFY2(m_prompt.last().find("P0") != std::string::npos, m_prompt.last().c_str());
        QCOMPARE(rows(*view), before);
        QCOMPARE(view->conditions().cutoffDate, std::string("20260331"));
        QCOMPARE(view->progressText(), QString());
    }

    void thePrintedPageCarriesTheHeadTheTableAndThePageNumber()
    {
        auto view = window();
        QVERIFY(view->setConditions(at("20260331", 3)));
        const QString folder = qEnvironmentVariable("KSZW_SCREENSHOT_DIR");
        const QString file = folder.isEmpty() ? m_dir.filePath(QStringLiteral("balance.pdf"))
                                              : folder + QStringLiteral("/balance_print.pdf");
        QVERIFY(exportViewToPdf(*view, file, m_prompt));
        QVERIFY(m_prompt.entries().empty());
        const QString text = pdfText(file);
        if (text.isEmpty())
            QSKIP("pdftotext is not installed");
        for (const char* expected : {"帐户余额表", "截止时间：2026 年 3 月 31 日", "单位：岚屿穗演示公司", "第   1 页",
                                     "科 目 代 码", "余    额", "152,000.00", "合      计", "会计主管：", "制  表：×××"})
            QVERIFY2(text.contains(unspaced(expected)), expected);
        if (!folder.isEmpty()) {
            view->resize(760, 520);
            view->grab().save(folder + QStringLiteral("/balance_view.png"));
        }
    }
};

QTEST_MAIN(BalanceViewTest)
#include "balance_view_test.moc"
