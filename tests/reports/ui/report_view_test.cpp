// The statement view on an offscreen screen, on a real year file with opening balances and posted
// vouchers: the balance sheet and the income statement as they are laid out (cells, heads, foot
// lines, bold lines), the balance check in red until the profit is carried to 本年利润, the A4
// page while nobody chose one, one printed page for the balance sheet, a failed formula shown with
// its message, the condition dialog's month and choice, Open, and the export table. With
// KSZW_SCREENSHOT_DIR=folder the window is saved there as report_view.png and the printed
// statements as balance_sheet.pdf and income_statement.pdf.
#include "accountset/year_file.h"
#include "app/command_table.h"
#include "chart/chart_import.h"
#include "common/clock.h"
#include "common/command_ids.h"
#include "common/prompt.h"
#include "formview/print_settings.h"
#include "formview/ui/form_printer.h"
#include "formview/view_kinds.h"
#include "ledger/ledger_conventions.h"
#include "reports/report_definitions.h"
#include "reports/ui/report_condition_dialog.h"
#include "reports/ui/report_view.h"
#include "session/kszw_env.h"
#include "session/user_settings.h"
#include "store/database.h"
#include "voucher/voucher_import.h"

#include <QComboBox>
#include <QDir>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace kszw;

namespace {

constexpr std::string_view kChart = "code,name,kind,unit,multi_column,direction,width\n"
                                    "1001,库存现金,0,,0,0,0\n"
                                    "1002,银行存款,0,,0,0,0\n"
                                    "1122,应收账款,0,,0,0,0\n"
                                    "2202,应付账款,0,,0,0,0\n"
                                    "4001,实收资本,0,,0,0,0\n"
                                    "4103,本年利润,0,,0,0,0\n"
                                    "6001,主营业务收入,0,,0,0,0\n"
                                    "6602,管理费用,0,,0,0,0\n";

constexpr std::string_view kOpening = "code,direction,amount,quantity\n"
                                      "1001,借,5000,\n"
                                      "1002,借,100000,\n"
                                      "2202,贷,10000,\n"
                                      "4001,贷,95000,\n";

// Salaries in January, a sale in February, a payment in March; all posted.
constexpr std::string_view kVouchers = "date,number,attachments,summary,subject,debit,credit,quantity\n"
                                       "20260110,0001,1,发工资,6602,8000,,\n"
                                       "20260110,0001,1,发工资,1002,,8000,\n"
                                       "20260215,0001,1,销售收款,1002,50000,,\n"
                                       "20260215,0001,1,销售收款,6001,,50000,\n"
                                       "20260320,0001,1,付货款,2202,4000,,\n"
                                       "20260320,0001,1,付货款,1002,,4000,\n";

// The profit of the quarter carried to 本年利润 at the end of March.
constexpr std::string_view kProfitTransfer = "date,number,attachments,summary,subject,debit,credit,quantity\n"
                                             "20260331,0002,0,结转收入,6001,50000,,\n"
                                             "20260331,0002,0,结转收入,4103,,50000,\n"
                                             "20260331,0003,0,结转费用,4103,8000,,\n"
                                             "20260331,0003,0,结转费用,6602,,8000,\n";

using Row = std::vector<std::string>;

} // namespace

class ReportViewTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    int m_files = 0;
    FixedClock m_clock{CivilDate{2026, 4, 30}};
    std::unique_ptr<CKszwEnv> m_env;
    ScriptedPrompt m_prompt;

    Database& db() { return m_env->db(); }

    std::unique_ptr<CKszwReportView> window()
    {
        auto view = std::make_unique<CKszwReportView>(*m_env, m_clock);
        view->setPrompt(m_prompt);
        view->resize(1100, 760);
        view->show();
        if (!QTest::qWaitForWindowExposed(view.get()))
            qWarning("the window was not shown");
        return view;
    }

    void post(std::string_view vouchers)
    {
        const VoucherImportResult imported = importVouchers(*m_env, m_clock, vouchers);
        QVERIFY2(imported.ok, imported.refusals.empty() ? "" : imported.refusals.front().text().c_str());
        db().execute("UPDATE CERDIR SET MK='4'");
        db().execute("UPDATE P0 SET MK='4' WHERE CER<>'    '");
    }

    static Row rowOf(const CKszwReportView& view, int row)
    {
        Row cells;
        for (int col = 0; col < view.columnCount(); ++col)
            cells.push_back(view.displayedText(row, col, "TEXT"));
        return cells;
    }

    static ReportDefinition shippedNumbered(Database& file, int number)
    {
        for (ReportDefinition& definition : loadReports(file))
            if (definition.number == number)
                return definition;
        return {};
    }

private slots:
    void initTestCase()
    {
        QFont::insertSubstitutions(QStringLiteral("宋体"), {QStringLiteral("AR PL UMing CN"),
                                                            QStringLiteral("Noto Sans CJK SC")});
        QVERIFY(m_dir.isValid());
    }

    // Every test has a 2026 year file of its own: unit 岚屿穗演示公司, logged in as 102 (×××), the
    // chart, the opening balances and the three vouchers, posted.
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
        post(kVouchers);
        m_prompt.clear();
    }

    void cleanup() { m_env.reset(); }

    void theBalanceSheetIsLaidOutAsItIsFiled()
    {
        auto view = window();
        QVERIFY(!view->isCalculated());
        QVERIFY(view->setConditions(kBalanceSheetNumber, 3));
        QCOMPARE(view->windowTitle(), QStringLiteral("资产负债表"));
        QCOMPARE(view->settingsKey().nFlag, viewFlag(ViewKind::FinancialReport));
        QCOMPARE(view->settingsKey().fieldMode, std::string("1")); // each statement its own settings
        QCOMPARE(view->columnCount(), 8);

        Row headers;
        for (int col = 0; col < 8; ++col)
            headers.push_back(view->displayedText(0, col, "FORMHEAD"));
        QCOMPARE(headers, (Row{"资产", "行次", "期末余额", "年初余额", "负债和所有者权益", "行次", "期末余额", "年初余额"}));
        QCOMPARE(view->displayedText(0, 0, "HEAD"), std::string("会小企01表"));
        QCOMPARE(view->displayedText(1, 0, "HEAD"), std::string("编制单位：岚屿穗演示公司"));
        QCOMPARE(view->displayedText(1, 1, "HEAD"), std::string("2026年3月31日"));
        QCOMPARE(view->displayedText(1, 2, "HEAD"), std::string("单位：元"));

        const struct {
            int row;
            Row cells;
        } expected[] = {
            {0, {"流动资产：", "", "", "", "流动负债：", "", "", ""}},
            {1, {"　货币资金", "1", "143,000.00", "105,000.00", "　短期借款", "31", "", ""}},
            {3, {"　应收票据", "3", "", "", "　应付账款", "33", "6,000.00", "10,000.00"}},
            {15, {"　　流动资产合计", "15", "143,000.00", "105,000.00", "　递延收益", "44", "", ""}},
            // The shorter right half is padded before its total.
            {28, {"　长期待摊费用", "27", "", "", "", "", "", ""}},
        };
        for (const auto& line : expected)
            QCOMPARE(rowOf(*view, line.row), line.cells);
        const int last = view->textRowCount() - 1;
        QCOMPARE(last, 31);
        QCOMPARE(rowOf(*view, last), (Row{"资产总计", "30", "143,000.00", "105,000.00", "负债和所有者权益总计", "53",
                                          "101,000.00", "105,000.00"}));
        QVERIFY(view->isBoldCell(last, 0));
        QVERIFY(view->isBoldCell(15, 2));
        QVERIFY(!view->isBoldCell(1, 0));
        QVERIFY(!view->isBoldCell(1, 4));
        QVERIFY(m_prompt.entries().empty());
    }

    void theCheckLineIsRedUntilTheProfitIsCarriedForward()
    {
        auto view = window();
        QVERIFY(view->setConditions(kBalanceSheetNumber, 3));
        QCOMPARE(view->checkFootRow(), 0);
        QVERIFY(view->checkInRed());
        const std::string unbalanced = view->displayedText(0, 0, "FOOT");
        QVERIFY2(unbalanced.rfind("资产总计与负债和所有者权益总计不相等", 0) == 0, unbalanced.c_str());
        // Each note of the check on a line of its own, the signatures under them.
        QCOMPARE(view->checkLines().size(), size_t{2});
        QCOMPARE(view->displayedText(1, 0, "FOOT"), std::string("损益类科目尚有余额，损益尚未结转"));
        QCOMPARE(view->displayedText(2, 0, "FOOT"), std::string("单位负责人："));
        QCOMPARE(view->displayedText(2, 1, "FOOT"), "会计主管：" + m_env->chiefAccountant());
        QCOMPARE(view->displayedText(2, 2, "FOOT"), std::string("制表：×××"));

        post(kProfitTransfer);
        QVERIFY(view->setConditions(kBalanceSheetNumber, 3));
        QVERIFY(!view->checkInRed());
        QCOMPARE(view->displayedText(0, 0, "FOOT"), std::string("资产总计与负债和所有者权益总计相等"));
        QCOMPARE(rowOf(*view, 31)[6], std::string("143,000.00"));

        // The income statement has no check: its only foot line is the signatures.
        QVERIFY(view->setConditions(kIncomeStatementNumber, 3));
        QCOMPARE(view->checkFootRow(), -1);
        QVERIFY(!view->checkInRed());
        QCOMPARE(view->displayedText(0, 0, "FOOT"), std::string("单位负责人："));
        QCOMPARE(view->displayedText(0, 2, "FOOT"), std::string("制表：×××"));
    }

    void theIncomeStatementShowsTheMonthAndTheYearSoFar()
    {
        auto view = window();
        post(kProfitTransfer);
        QVERIFY(view->setConditions(kIncomeStatementNumber, 2));
        QCOMPARE(view->columnCount(), 4);
        QCOMPARE(view->windowTitle(), QStringLiteral("利润表"));
        QCOMPARE(view->displayedText(0, 0, "HEAD"), std::string("会小企02表"));
        QCOMPARE(view->displayedText(1, 1, "HEAD"), std::string("2026年2月"));
        Row headers;
        for (int col = 0; col < 4; ++col)
            headers.push_back(view->displayedText(0, col, "FORMHEAD"));
        QCOMPARE(headers, (Row{"项目", "行次", "本月金额", "本年累计金额"}));
        QCOMPARE(rowOf(*view, 0), (Row{"一、营业收入", "1", "50,000.00", "50,000.00"}));
        QCOMPARE(rowOf(*view, 13), (Row{"　　　管理费用", "14", "", "8,000.00"}));
        QCOMPARE(rowOf(*view, 31), (Row{"四、净利润（净亏损以“-”号填列）", "32", "50,000.00", "42,000.00"}));
        QVERIFY(view->isBoldCell(0, 2));
        QVERIFY(!view->isBoldCell(13, 0));
        // The transfers to 本年利润 in March count on neither side.
        QVERIFY(view->setConditions(kIncomeStatementNumber, 3));
        QCOMPARE(rowOf(*view, 0), (Row{"一、营业收入", "1", "", "50,000.00"}));
    }

    void aStatementPrintsOnA4PortraitUntilAPageIsChosen()
    {
        auto view = window();
        QCOMPARE(view->viewSettings().page.pageWidth, 2100);
        QCOMPARE(view->viewSettings().page.pageLength, 2970);
        QCOMPARE(view->viewSettings().page.pageLeft, defaultPageSettings().pageLeft);
        QCOMPARE(view->viewSettings().page.pageRight, defaultPageSettings().pageRight);
        QVERIFY(view->setConditions(kBalanceSheetNumber, 3));
        // Nothing was stored for it.
        QVERIFY(LoadViewSettings(db(), viewFlag(ViewKind::FinancialReport), "0").page == defaultPageSettings());
        // The balance sheet fits one page, and the page holds only its rows.
        QCOMPARE(view->GetPageRows(true), 32);
        QCOMPARE(view->GetPageCount(true), 1);

        // A page the user chose stays.
        ViewSettings chosen = defaultViewSettings();
        chosen.page.pageWidth = 2970;
        chosen.page.pageLength = 2100;
        SaveViewSettings(db(), viewFlag(ViewKind::FinancialReport), "0", chosen);
        auto other = window();
        QCOMPARE(other->viewSettings().page.pageWidth, 2970);
        QCOMPARE(other->viewSettings().page.pageLength, 2100);
    }

    void theDefaultPageAndFontsBecomeTheStatementOnes()
    {
        const ViewSettings loaded = defaultViewSettings();
        const ViewSettings taken = statementSettings(loaded);
        QCOMPARE(taken.page.pageWidth, 2100);
        QCOMPARE(taken.page.pageLength, 2970);
        QCOMPARE(taken.fonts[kBodyFont].height, -12);
        QCOMPARE(taken.fonts[kTitleFont].height, loaded.fonts[kTitleFont].height);
        ViewSettings own = loaded;
        own.page.pageTop = 120;
        own.fonts[kBodyFont].height = -18;
        QVERIFY(statementSettings(own) == own);
    }

    void aFailedFormulaShowsItsMessageInTheCell()
    {
        auto view = window();
        ReportDefinition definition = shippedNumbered(db(), kIncomeStatementNumber);
        QVERIFY(!definition.lines.empty());
        definition.lines[0].formulas[0] = "nosuch(1)";
        QVERIFY(view->setReport(definition, 3));
        QVERIFY(view->isFailedCell(0, 2));
        QVERIFY(!view->isFailedCell(0, 3));
        const std::string message = view->result()->cells[0][0].error;
        QVERIFY(!message.empty());
        QCOMPARE(view->displayedText(0, 2, "TEXT"), message);
        QCOMPARE(view->displayedText(0, 3, "TEXT"), std::string("50,000.00"));
        // The lines that read it fail too.
        QVERIFY(view->isFailedCell(20, 2)); // 二、营业利润

        // The message is drawn, in red, in its cell.
        QTest::qWait(50);
        const QImage picture = view->viewport()->grab().toImage();
        if (const QString folder = qEnvironmentVariable("KSZW_SCREENSHOT_DIR"); !folder.isEmpty())
            picture.save(folder + QStringLiteral("/report_failed_cell.png"));
        const DeviceRect cell = view->screenGeometry().cellRect("TEXT", 0, 2, view->firstVisibleRow());
        int red = 0;
        for (int y = cell.y; y < cell.bottom(); ++y)
            for (int x = cell.x; x < cell.right(); ++x) {
                const QColor colour = picture.pixelColor(x, y);
                if (colour.red() > 180 && colour.green() < 90 && colour.blue() < 90)
                    ++red;
            }
        QVERIFY2(red > 10, qPrintable(QString::number(red)));
    }

    void theDefaultMonthIsTheLastClosedOneElseToday()
    {
        const AccountingCalendar calendar = yearCalendar(db());
        const struct {
            int closed;
            CivilDate today;
            int month;
        } cases[] = {
            {0, {2026, 4, 30}, 4}, {0, {2026, 1, 1}, 1}, {3, {2026, 11, 2}, 3},
            {12, {2027, 2, 1}, 12}, {0, {2027, 1, 5}, 12}, {0, {2025, 6, 1}, 1},
        };
        for (const auto& c : cases)
            QCOMPARE(defaultReportMonth(c.closed, calendar, c.today), c.month);
    }

    void theConditionDialogOffersTheStatementsAndTheMonth()
    {
        const AccountingCalendar calendar = yearCalendar(db());
        {
            CReportConditionDlg dialog(db(), m_prompt, m_clock, calendar);
            QCOMPARE(dialog.reportCombo()->count(), 2);
            QCOMPARE(dialog.reportCombo()->itemText(0), QStringLiteral("资产负债表"));
            QCOMPARE(dialog.reportCombo()->itemText(1), QStringLiteral("利润表"));
            QCOMPARE(dialog.reportNumber(), kBalanceSheetNumber);
            QCOMPARE(dialog.month(), 4); // nothing closed: today's month
            QVERIFY(dialog.confirmButton()->isDefault());
            if (const QString folder = qEnvironmentVariable("KSZW_SCREENSHOT_DIR"); !folder.isEmpty()) {
                dialog.show();
                QVERIFY(QTest::qWaitForWindowExposed(&dialog));
                dialog.grab().save(folder + QStringLiteral("/report_conditions.png"));
            }
            dialog.reportCombo()->setCurrentIndex(1);
            dialog.monthField()->setValue(2);
            dialog.confirm();
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
            QCOMPARE(dialog.reportNumber(), kIncomeStatementNumber);
            QCOMPARE(dialog.month(), 2);
        }
        db().execute("UPDATE SYSTAB SET MM=2");
        {
            CReportConditionDlg dialog(db(), m_prompt, m_clock, calendar);
            QCOMPARE(dialog.month(), 2); // the last closed month
        }
        {
            CReportConditionDlg dialog(db(), m_prompt, m_clock, calendar, kIncomeStatementNumber, 7);
            QCOMPARE(dialog.reportNumber(), kIncomeStatementNumber);
            QCOMPARE(dialog.month(), 7);
        }
        QVERIFY(m_prompt.entries().empty());
    }

    void openAsksAgainAndCancelKeepsTheStatement()
    {
        auto view = window();
        QVERIFY(view->setConditions(kBalanceSheetNumber, 3));
        view->runDialog = [](CReportConditionDlg& dialog) {
            // The present statement and month are offered.
            if (dialog.reportNumber() != kBalanceSheetNumber || dialog.month() != 3)
                return int(QDialog::Rejected);
            dialog.reportCombo()->setCurrentIndex(1);
            dialog.monthField()->setValue(2);
            return int(QDialog::Accepted);
        };
        QVERIFY(view->isCommandEnabled(cmd::kFileOpen));
        QVERIFY(view->openConditions());
        QCOMPARE(view->reportNumber(), kIncomeStatementNumber);
        QCOMPARE(view->month(), 2);
        view->runDialog = [](CReportConditionDlg&) { return int(QDialog::Rejected); };
        QVERIFY(!view->openConditions());
        QCOMPARE(view->reportNumber(), kIncomeStatementNumber);
        // Nothing is typed into a statement.
        for (int id : {cmd::kSave, cmd::kFileNew, cmd::kNewVoucher, cmd::kDeleteRow, cmd::kPaste, cmd::kCut})
            QVERIFY(!view->isCommandEnabled(id));
        QVERIFY(view->isCommandEnabled(cmd::kPrint));
        QVERIFY(!view->CanEditCell(0, 2, "TEXT"));
    }

    void theCommandsNeedTheirRights()
    {
        const struct {
            int id;
            std::string permissions;
            bool enabled;
        } cases[] = {
            {cmd::kFinancialReport, "0305 ", true},      {cmd::kFinancialReport, "0101 ", false},
            {cmd::kFinancialReport, "0301 0306 ", false}, {cmd::kReportDefinition, "0101 ", true},
            {cmd::kReportDefinition, "0305 ", true},      {cmd::kReportDefinition, "0201 0306 ", false},
            {cmd::kReportDefinition, "", false},
        };
        for (const auto& c : cases) {
            const CommandInfo* command = findCommand(c.id);
            QVERIFY(command);
            QCOMPARE(isCommandEnabled(*command, c.permissions, false, false), c.enabled);
        }
        bool listed = false;
        for (const MenuInfo& menu : mainMenu())
            if (menu.title == "财务报表(&R)")
                listed = menu.items == std::vector<int>{cmd::kFinancialReport, 0, cmd::kReportDefinition};
        QVERIFY(listed);
    }

    void anUnknownStatementIsToldAndTheViewKeepsWhatItShowed()
    {
        auto view = window();
        QVERIFY(view->setConditions(kIncomeStatementNumber, 3));
        QVERIFY(!view->setConditions(9, 3));
        QCOMPARE(m_prompt.last(), std::string("报表不存在，请重新选择！"));
        QCOMPARE(view->reportNumber(), kIncomeStatementNumber);
    }

    void theExportTableHoldsTheStatement()
    {
        auto view = window();
        post(kProfitTransfer);
        QVERIFY(view->setConditions(kBalanceSheetNumber, 3));
        const ExportTable table = view->exportTable();
        QCOMPARE(table.title, std::string("资产负债表"));
        QCOMPARE(table.headLines.size(), size_t(2));
        QCOMPARE(table.headLines[0].back().text, std::string("会小企01表"));
        QCOMPARE(table.headLines[1].front().text, std::string("编制单位：岚屿穗演示公司"));
        QCOMPARE(table.headLines[1].back().text, std::string("单位：元"));
        QCOMPARE(table.headerRows.size(), size_t(1));
        QCOMPARE(table.headerRows[0][4].text, std::string("负债和所有者权益"));
        QCOMPARE(table.rows.size(), size_t(32));
        QCOMPARE(table.rows[1][0].text, std::string("　货币资金"));
        QVERIFY(table.rows[1][2].isNumber);
        QCOMPARE(table.rows[1][2].number, 143000.0);
        QCOMPARE(table.footLines[0][0].text, std::string("资产总计与负债和所有者权益总计相等"));
        QCOMPARE(table.footLines[1][2].text, std::string("制表：×××"));
        QCOMPARE(table.columnWidths.size(), size_t(8));
    }

    void theStatementsPrintToPdf()
    {
        auto view = window();
        const QString folder = qEnvironmentVariable("KSZW_SCREENSHOT_DIR");
        QVERIFY(view->setConditions(kBalanceSheetNumber, 3));
        if (!folder.isEmpty())
            view->grab().save(folder + QStringLiteral("/report_view.png"));
        const QString sheet = folder.isEmpty() ? m_dir.filePath(QStringLiteral("sheet.pdf"))
                                               : folder + QStringLiteral("/balance_sheet.pdf");
        QVERIFY(exportViewToPdf(*view, sheet, m_prompt));
        QVERIFY(QFileInfo(sheet).size() > 0);
        QVERIFY(view->setConditions(kIncomeStatementNumber, 3));
        QCOMPARE(view->GetPageCount(true), 1);
        const QString income = folder.isEmpty() ? m_dir.filePath(QStringLiteral("income.pdf"))
                                                : folder + QStringLiteral("/income_statement.pdf");
        QVERIFY(exportViewToPdf(*view, income, m_prompt));
        QVERIFY(m_prompt.entries().empty());
    }
};

QTEST_MAIN(ReportViewTest)
#include "report_view_test.moc"
