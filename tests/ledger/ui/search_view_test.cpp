// The fuzzy query's dialog and view on an offscreen screen, on a real year file with imported and
// posted vouchers: the dialog's refusals in their order with the field that gets the focus back,
// its first values and Cancel; the listing with its total row and its head; equal amounts, a zero
// second amount, the credit side of an account and the opening rows of month 1; Open (Ctrl+O)
// replacing the listing; 查询凭证 on lines only (Ctrl+W, double click, context menu); editing the
// listing shown without touching the file; the page on paper and the head broken over two lines.
// With KSZW_SCREENSHOT_DIR=folder the dialog and the view are saved there as search_dialog.png
// and search_view.png, and the printed listing as search_print.pdf.
#include "accountset/year_file.h"
#include "chart/chart_import.h"
#include "chart/ui/subject_query_dialog.h"
#include "common/clock.h"
#include "common/command_ids.h"
#include "common/prompt.h"
#include "common/text.h"
#include "formview/ui/modal_closer.h"
#include "formview/ui/spec_edit.h"
#include "formview/view_kinds.h"
#include "ledger/ui/search_condition_dialog.h"
#include "ledger/ui/search_view.h"
#include "session/kszw_env.h"
#include "session/user_settings.h"
#include "store/database.h"
#include "voucher/voucher_import.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <map>
#include <memory>

using namespace kszw;

namespace {

constexpr std::string_view kChart = "code,name,kind,unit,multi_column,direction,width\n"
                                    "1001,库存现金,0,,0,0,0\n"
                                    "1002,银行存款,0,,0,0,0\n"
                                    "1002-1,工商银行,0,,0,0,0\n"
                                    "1002-2,建设银行,0,,0,0,0\n"
                                    "1002-2-1,城东支行,0,,0,0,0\n"
                                    "6602,管理费用,0,,0,0,0\n";

constexpr std::string_view kOpening = "code,direction,amount,quantity\n"
                                      "1001,借,500,\n"
                                      "1002-1,借,10000,\n";

// Posted: 0001 and 0002 of January, 0001 of March; 0002 of 12 March is left unposted.
constexpr std::string_view kVouchers = "date,number,attachments,summary,subject,debit,credit,quantity\n"
                                       "20260105,0001,1,提现,1001,500,,\n"
                                       "20260105,0001,1,提现,1002-1,,500,\n"
                                       "20260120,0002,1,转存,1002-2-1,300,,\n"
                                       "20260120,0002,1,转存,1001,,300,\n"
                                       "20260310,0001,0,付办公费,6602,80,,\n"
                                       "20260310,0001,0,付办公费,1002-1,,80,\n"
                                       "20260312,0002,0,付邮费,6602,500,,\n"
                                       "20260312,0002,0,付邮费,1002-1,,500,\n";

using Cells = std::vector<std::string>;

SearchConditions amounts(std::string first, std::string second = "", std::string code = "")
{
    SearchConditions c;
    c.code = std::move(code);
    c.amount = std::move(first);
    c.amount2 = std::move(second);
    return c;
}

// A view that notes the page text of every printed page it draws.
class PageRecordingSearch : public CKszwzb7 {
public:
    using CKszwzb7::CKszwzb7;
    std::vector<std::string> printedPageTexts;

    void DrawCell(QPainter& dc, int row, int col, std::string_view area) override
    {
        if (isPrinting() && area == "HEAD" && row == 1 && col == 1)
            printedPageTexts.push_back(displayedText(row, col, area));
        CKszwzb7::DrawCell(dc, row, col, area);
    }
};

void showActive(QDialog& dialog)
{
    dialog.show();
    dialog.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
}

} // namespace

class SearchViewTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    int m_files = 0;
    FixedClock m_clock{CivilDate{2026, 4, 30}};
    std::unique_ptr<CKszwEnv> m_env;
    ScriptedPrompt m_prompt;

    Database& db() { return m_env->db(); }

    std::unique_ptr<CKszwzb7> window(int width = 1100, int height = 700)
    {
        auto view = std::make_unique<CKszwzb7>(*m_env, m_clock);
        view->setPrompt(m_prompt);
        view->resize(width, height);
        view->show();
        if (!QTest::qWaitForWindowExposed(view.get()))
            qWarning("the window was not shown");
        return view;
    }

    std::unique_ptr<CKszwzb7> listing(const SearchConditions& conditions)
    {
        auto view = window();
        if (!view->setConditions(conditions))
            qWarning("the query was refused: %s", m_prompt.last().c_str());
        return view;
    }

    static Cells row(const CKszwzb7& view, int r)
    {
        Cells cells;
        for (int col = 0; col < view.columnCount(); ++col)
            cells.push_back(view.displayedText(r, col, "TEXT"));
        return cells;
    }

    static std::vector<Cells> rows(const CKszwzb7& view)
    {
        std::vector<Cells> shown;
        for (int r = 0; r < view.textRowCount(); ++r)
            shown.push_back(row(view, r));
        return shown;
    }

    static QPoint centreOf(const CKszwzb7& view, int r, int col = 4)
    {
        const DeviceRect cell = view.screenGeometry().cellRect("TEXT", r, col, view.firstVisibleRow());
        return QPoint(cell.x + cell.width / 2 - view.horizontalScrollBar()->value(), cell.y + cell.height / 2);
    }

    // Whether 查询凭证 was enabled in the context menu opened on a row.
    static bool queryEnabledOn(CKszwzb7& view, int r)
    {
        bool enabled = false;
        bool seen = false;
        QTimer::singleShot(0, &view, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!menu)
                return;
            for (QAction* action : menu->actions())
                if (action->text() == QStringLiteral("查询凭证(&W)\tCtrl+W")) {
                    enabled = action->isEnabled();
                    seen = true;
                }
            menu->close();
        });
        const QPoint at = centreOf(view, r);
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, view.viewport()->mapToGlobal(at));
        QApplication::sendEvent(view.viewport(), &event);
        return seen && enabled;
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
        const ImportResult chart = importSubjects(db(), kChart);
        QVERIFY2(chart.ok, chart.message.c_str());
        const ImportResult opening = importOpeningBalances(db(), kOpening);
        QVERIFY2(opening.ok, opening.message.c_str());
        const VoucherImportResult vouchers = importVouchers(*m_env, m_clock, kVouchers);
        QVERIFY2(vouchers.ok, vouchers.refusals.empty() ? "" : vouchers.refusals.front().text().c_str());
        db().execute("UPDATE CERDIR SET MK='4' WHERE NOT (T='20260312' AND CER='0002')");
        db().execute("UPDATE P0 SET MK='4' WHERE CER<>'    ' AND NOT (T='20260312' AND CER='0002')");
        m_prompt.clear();
    }

    void cleanup() { m_env.reset(); }

    // ---- the dialog ----

    void theDialogStartsFromTheConditionsGivenAndRefusesInTheOrderOfItsChecks()
    {
        CSearchConditionDlg fresh(*m_env, m_prompt, SearchConditions{});
        QCOMPARE(fresh.windowTitle(), QStringLiteral("帐页模糊查询"));
        QCOMPARE(fresh.yearLabel()->text(), QStringLiteral("2026 年度"));
        QCOMPARE(fresh.startMonthField()->text(), QStringLiteral("1"));
        QCOMPARE(fresh.endMonthField()->text(), QStringLiteral("12"));
        QVERIFY(fresh.automaticSide()->isChecked());
        QVERIFY(fresh.byDate()->isChecked());
        QCOMPARE(fresh.confirmButton()->text(), QStringLiteral("&S.确认"));
        QCOMPARE(fresh.cancelButton()->text(), QStringLiteral("&X.取消"));
        QCOMPARE(fresh.amountField()->inputSpec(), QStringLiteral("STRING 0123456789.-"));
        QCOMPARE(fresh.summaryField()->inputSpec(), QStringLiteral("STRING NOT |[]'\""));
        QCOMPARE(fresh.codeField()->inputSpec(), QStringLiteral("CLASSNOSTRING"));

        SearchConditions given = amounts("80", "", "1002");
        given.summary = "付";
        given.side = SearchSide::Credit;
        given.startMonth = 3;
        given.endMonth = 4;
        given.order = SearchOrder::BySubject;
        CSearchConditionDlg dialog(*m_env, m_prompt, given);
        QCOMPARE(dialog.codeField()->text(), QStringLiteral("1002"));
        QCOMPARE(dialog.summaryField()->text(), QStringLiteral("付"));
        QCOMPARE(dialog.amountField()->text(), QStringLiteral("80"));
        QCOMPARE(dialog.amount2Field()->text(), QString());
        QCOMPARE(dialog.startMonthField()->text(), QStringLiteral("3"));
        QCOMPARE(dialog.endMonthField()->text(), QStringLiteral("4"));
        QVERIFY(dialog.creditSide()->isChecked());
        QVERIFY(dialog.bySubject()->isChecked());
        showActive(dialog);

        struct Case {
            const char* code;
            const char* summary;
            const char* first;
            const char* second;
            const char* start;
            const char* end;
            const char* message;
            QWidget* focus;
        };
        const Case cases[] = {
            {"1002-", "", "x", "", "1", "12", "非法的科代码，请重输!", dialog.codeField()},
            {"9999", "", "", "", "1", "12", "给定的科代码不存在，请重输!", dialog.codeField()},
            {"1002", "", "1.2.3", "", "1", "12", "非法的金额，请重输!", dialog.amountField()},
            {"1002", "", "100", "5-", "1", "12", "非法的金额，请重输!", dialog.amount2Field()},
            {"", "提现", "", "", "1", "12", "科目代码和金额必须至少指定其一。", dialog.codeField()},
            {"", "", "200", "100", "1", "12", "后一个金额应不小于前一个金额", dialog.amount2Field()},
            {"", "", "100", "", "", "12", "起始月份不合理，请重输!", dialog.startMonthField()},
            {"", "", "100", "", "4", "3", "终止月份不合理，请重输!", dialog.endMonthField()},
            {"", "", "100", "0", "1", "12", "没有满足条件的记录", dialog.codeField()},
        };
        for (const Case& c : cases) {
            m_prompt.clear();
            dialog.codeField()->setText(QString::fromUtf8(c.code));
            dialog.summaryField()->setText(QString::fromUtf8(c.summary));
            dialog.amountField()->setText(QString::fromUtf8(c.first));
            dialog.amount2Field()->setText(QString::fromUtf8(c.second));
            dialog.startMonthField()->setText(QString::fromUtf8(c.start));
            dialog.endMonthField()->setText(QString::fromUtf8(c.end));
            dialog.confirmButton()->setFocus();
            dialog.confirm();
            QCOMPARE(m_prompt.texts(), std::vector<std::string>{c.message});
            QCOMPARE(m_prompt.entries().front().caption, std::string("岚屿穗软件"));
            QCOMPARE(QApplication::focusWidget(), c.focus);
            QVERIFY(dialog.isVisible());
            QCOMPARE(dialog.result(), int(QDialog::Rejected));
        }

        // Accepted: the conditions as typed, blanks around them dropped.
        m_prompt.clear();
        dialog.codeField()->setText(QStringLiteral(" 1002 "));
        dialog.summaryField()->setText(QStringLiteral(" 付 "));
        dialog.amountField()->setText(QStringLiteral("80"));
        dialog.amount2Field()->setText(QStringLiteral(""));
        dialog.startMonthField()->setText(QStringLiteral("1"));
        dialog.endMonthField()->setText(QStringLiteral("3"));
        dialog.confirm();
        QVERIFY(m_prompt.texts().empty());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        SearchConditions expected = amounts("80", "", "1002");
        expected.summary = "付";
        expected.side = SearchSide::Credit;
        expected.startMonth = 1;
        expected.endMonth = 3;
        expected.order = SearchOrder::BySubject;
        QVERIFY(dialog.conditions() == expected);
    }

    void browseOffersTheTypedCodeAndTabFollowsTheFieldsAsLaidOut()
    {
        CSearchConditionDlg dialog(*m_env, m_prompt, SearchConditions{});
        showActive(dialog);
        dialog.codeField()->setText(QStringLiteral("1002"));
        QString offered;
        {
            ModalCloser closer;
            closer.actOn<CSubjectQueryDlg>([&](CSubjectQueryDlg& lookup) {
                offered = lookup.selectedCode();
                lookup.showCode(QStringLiteral("1002-2-1"));
                lookup.choose();
            });
            QTest::mouseClick(dialog.browseButton(), Qt::LeftButton);
            QCOMPARE(closer.classNames(), QStringList{QStringLiteral("kszw::CSubjectQueryDlg")});
        }
        QCOMPARE(offered, QStringLiteral("1002"));
        QCOMPARE(dialog.codeField()->text(), QStringLiteral("1002-2-1"));
        dialog.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QCOMPARE(dialog.focusWidget(), dialog.codeField());

        // Tab: code, browse, summary, the two amounts, the two months, then the choices.
        const std::vector<QWidget*> order = {dialog.browseButton(),     dialog.summaryField(),  dialog.amountField(),
                                             dialog.amount2Field(),     dialog.startMonthField(),
                                             dialog.endMonthField(),    dialog.automaticSide()};
        for (QWidget* next : order) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), next);
        }
        // Escape cancels.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QVERIFY(!dialog.isVisible());
    }

    // ---- the view ----

    void aNewViewIsAnEmptyListingLaidOutInSevenColumns()
    {
        auto view = window();
        QCOMPARE(view->windowTitle(), QStringLiteral("模糊查询帐页"));
        QCOMPARE(view->settingsKey().nFlag, viewFlag(ViewKind::FuzzyQuery));
        QCOMPARE(view->formLayout().columnWidths, (std::vector<int>{3, 3, 4, 30, 35, 2, 12}));
        QCOMPARE(view->formLayout().formHeadRows, 3);
        QCOMPARE(view->textRowCount(), 20);
        QCOMPARE(QString::fromStdString(view->titleText()), QStringLiteral(" 模糊查询帐页 "));
        QVERIFY(view->rows().empty());
        QAction* query = view->menuAction(CKszwzb7::kQueryVoucherCommand);
        QVERIFY(query);
        QCOMPARE(query->text(), QStringLiteral("查询凭证(&W)\tCtrl+W"));
        QCOMPARE(query->data().toInt(), 40017);
        QVERIFY(!view->isCommandEnabled(cmd::kSave));
        QVERIFY(view->isCommandEnabled(cmd::kFileOpen));

        const std::map<std::pair<int, int>, std::string> header = {
            {{0, 0}, "2026年"}, {{2, 0}, "月"}, {{2, 1}, "日"}, {{0, 2}, "凭证"}, {{2, 2}, "号码"},
            {{1, 3}, "科          目     "}, {{1, 4}, "摘          要     "}, {{0, 5}, "借"}, {{1, 5}, "或"},
            {{2, 5}, "贷"}, {{1, 6}, "金     额"}, {{0, 4}, ""}};
        for (const auto& [at, text] : header)
            QCOMPARE(view->displayedText(at.first, at.second, "FORMHEAD"), text);
    }

    void equalAmountsListLikeOneAmountWithTheTotalRowLast()
    {
        auto view = listing(amounts("500", "500"));
        // The unposted 付邮费 of 500 is not among them.
        QCOMPARE(view->foundCount(), 3);
        QCOMPARE(rows(*view), (std::vector<Cells>{{"01", "01", "", "1001", "期初余额", "借", "500.00"},
                                                  {"01", "05", "0001", "1001", "提现", "借", "500.00"},
                                                  {"01", "05", "0001", "1002-1", "提现", "贷", "500.00"},
                                                  {"", "", "", "", "     合    计", "借", "500.00"}}));
        QCOMPARE(view->conditionText(), std::string("  2026 年 1 月 至 12 月 限制金额 = 500.00"));
        QCOMPARE(view->displayedText(0, 0, "HEAD"), view->conditionText());
        QCOMPARE(view->displayedText(1, 1, "HEAD"), std::string()); // the page is for paper only
        QCOMPARE(view->currentCell().row, 0);
        auto single = listing(amounts("500"));
        QCOMPARE(rows(*single), rows(*view));
    }

    void aZeroSecondAmountFindsNothingAndKeepsTheListing()
    {
        auto view = listing(amounts("80"));
        QCOMPARE(view->textRowCount(), 3);
        QVERIFY(!view->setConditions(amounts("100", "0")));
        QCOMPARE(m_prompt.texts(), std::vector<std::string>{"没有满足条件的记录"});
        QCOMPARE(view->textRowCount(), 3);
        QCOMPARE(view->conditionText(), std::string("  2026 年 1 月 至 12 月 限制金额 = 80.00"));
        QCOMPARE(view->conditions().amount, std::string("80"));
        // A summary text alone is refused the same way.
        m_prompt.clear();
        SearchConditions summaryOnly;
        summaryOnly.summary = "提现";
        QVERIFY(!view->setConditions(summaryOnly));
        QCOMPARE(m_prompt.texts(), std::vector<std::string>{"科目代码和金额必须至少指定其一。"});
    }

    void theCreditSideOfAnAccountTotalsCredit()
    {
        SearchConditions c;
        c.code = "1002";
        c.side = SearchSide::Credit;
        auto view = listing(c);
        QCOMPARE(rows(*view), (std::vector<Cells>{{"01", "05", "0001", "1002-1", "提现", "贷", "500.00"},
                                                  {"03", "10", "0001", "1002-1", "付办公费", "贷", "80.00"},
                                                  {"", "", "", "", "     合    计", "贷", "580.00"}}));
        QCOMPARE(view->conditionText(), std::string("帐户：银行存款  2026 年 1 月 至 12 月(贷方)"));
    }

    void openingRowsAreFoundInMonthOne()
    {
        SearchConditions c = amounts("10000", "", "1002");
        c.startMonth = c.endMonth = 1;
        auto view = listing(c);
        QCOMPARE(rows(*view), (std::vector<Cells>{{"01", "01", "", "1002-1", "期初余额", "借", "10,000.00"},
                                                  {"", "", "", "", "     合    计", "借", "10,000.00"}}));
        QCOMPARE(view->conditionText(), std::string("帐户：银行存款  2026 年 1 月 限制金额 = 10000.00"));
        QVERIFY(!view->isVoucherLineAt(0));
    }

    void openShowsTheDialogOnTheConditionsShownAndItsQueryReplacesTheListing()
    {
        auto view = listing(amounts("80"));
        QString offered;
        {
            ModalCloser closer;
            closer.actOn<CSearchConditionDlg>([&](CSearchConditionDlg& dialog) {
                offered = dialog.amountField()->text();
                dialog.amountField()->setText(QString());
                dialog.codeField()->setText(QStringLiteral("6602"));
                dialog.summaryField()->setText(QStringLiteral("邮"));
                dialog.confirm();
            });
            QTest::keyClick(view.get(), Qt::Key_O, Qt::ControlModifier);
            QCOMPARE(closer.classNames(), QStringList{QStringLiteral("kszw::CSearchConditionDlg")});
        }
        QCOMPARE(offered, QStringLiteral("80"));
        // 付邮费 is not posted: the dialog finds nothing and stays; the listing is kept.
        QCOMPARE(m_prompt.texts(), std::vector<std::string>{"没有满足条件的记录"});
        QCOMPARE(view->conditionText(), std::string("  2026 年 1 月 至 12 月 限制金额 = 80.00"));

        m_prompt.clear();
        db().execute("UPDATE P0 SET MK='4'");
        {
            ModalCloser closer;
            closer.actOn<CSearchConditionDlg>([&](CSearchConditionDlg& dialog) {
                dialog.amountField()->setText(QString());
                dialog.codeField()->setText(QStringLiteral("6602"));
                dialog.summaryField()->setText(QStringLiteral("邮"));
                dialog.confirm();
            });
            QVERIFY(view->runCommand(cmd::kFileOpen));
        }
        QVERIFY(m_prompt.texts().empty());
        QCOMPARE(rows(*view), (std::vector<Cells>{{"03", "12", "0002", "6602", "付邮费", "借", "500.00"},
                                                  {"", "", "", "", "     合    计", "借", "500.00"}}));
        QCOMPARE(view->conditionText(), std::string("帐户：管理费用  2026 年 1 月 至 12 月 摘要包含“邮”"));

        // Cancelled, nothing changes.
        {
            ModalCloser closer;
            QVERIFY(!view->chooseConditions());
        }
        QCOMPARE(view->textRowCount(), 2);
        QCOMPARE(view->conditions().code, std::string("6602"));
    }

    void queryVoucherOpensTheVoucherOfALineOnly()
    {
        auto view = listing(amounts("500"));
        std::vector<VoucherKey> opened;
        QVERIFY(!queryEnabledOn(*view, 1)); // no hook, no command
        view->setOpenVoucher([&](const VoucherKey& key) {
            opened.push_back(key);
            view->setWindowTitle(QStringLiteral("记帐凭证查询"));
        });
        QVERIFY(!queryEnabledOn(*view, 0)); // the opening row
        QVERIFY(queryEnabledOn(*view, 1));
        QVERIFY(!queryEnabledOn(*view, 3)); // the total row
        QVERIFY(!view->openVoucherAt(0));
        QVERIFY(!view->openVoucherAt(3));
        QVERIFY(!view->openVoucherAt(7));

        view->SetCurrentCell(1, 4, 0, "TEXT");
        QTest::keyClick(view.get(), Qt::Key_W, Qt::ControlModifier);
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, centreOf(*view, 2));
        view->SetCurrentCell(3, 4, 0, "TEXT");
        QTest::keyClick(view.get(), Qt::Key_W, Qt::ControlModifier);
        QCOMPARE(opened, (std::vector<VoucherKey>{{"20260105", "0001"}, {"20260105", "0001"}}));
        QCOMPARE(view->windowTitle(), QStringLiteral("模糊查询帐页"));
        // Ctrl+W is claimed before the main window's shortcuts see it (there it closes a window).
        QKeyEvent override(QEvent::ShortcutOverride, Qt::Key_W, Qt::ControlModifier);
        override.ignore();
        QApplication::sendEvent(view.get(), &override);
        QVERIFY(override.isAccepted());
    }

    void theListingShownCanBeEditedButTheFileIsNot()
    {
        auto view = listing(amounts("80"));
        QVERIFY(view->isEditable());
        QVERIFY(view->CanEditCell(0, 4, "TEXT"));
        QVERIFY(!view->CanEditCell(5, 4, "TEXT"));
        view->SetCurrentCell(0, 4, 4, "TEXT"); // after the fourth character
        QVERIFY(view->typeCharacter("A"));
        view->SetCurrentCell(1, 4, 0, "TEXT");
        QCOMPARE(view->displayedText(0, 4, "TEXT"), std::string("付办公费A"));
        QCOMPARE(db().queryLong("SELECT count(*) FROM P0 WHERE MRY='付办公费'"), 2);
        // Rows are never added below the total row.
        QVERIFY(!view->IsRowAppendAllowed());
        QVERIFY(!view->isCommandEnabled(cmd::kSave));
    }

    void printedPagesCarryTheirPageNumberAndALongHeadGoesOnTwoLines()
    {
        std::string csv = "date,number,attachments,summary,subject,debit,credit,quantity\n";
        for (int n = 1; n <= 60; ++n) {
            const std::string head = format("202604%02d,%04d,0,", 1 + n % 28, n);
            csv += head + "收款,1001,25,,\n" + head + "收款,6602,,25,\n";
        }
        const VoucherImportResult imported = importVouchers(*m_env, m_clock, csv);
        QVERIFY(imported.ok);
        db().execute("UPDATE P0 SET MK='4'");
        PageRecordingSearch view(*m_env, m_clock);
        view.setPrompt(m_prompt);
        SearchConditions c = amounts("25", "", "1001");
        c.summary = "收款";
        QVERIFY(view.setConditions(c));
        QCOMPARE(view.foundCount(), 60);
        const QString folder = qEnvironmentVariable("KSZW_SCREENSHOT_DIR");
        const QString file = folder.isEmpty() ? m_dir.filePath(QStringLiteral("search.pdf"))
                                              : folder + QStringLiteral("/search_print.pdf");
        QVERIFY(view.exportPdf(file));
        QVERIFY(QFileInfo(file).size() > 0);
        const int pages = view.GetPageCount(true);
        QVERIFY(pages >= 2);
        std::vector<std::string> expected;
        for (int page = 1; page <= pages; ++page)
            expected.push_back(format("第 %4d 页", page));
        QCOMPARE(view.printedPageTexts, expected);
        QCOMPARE(view.textRowCount(), 61);

        // The condition text breaks between its parts when the line is too narrow for it.
        const QFontMetrics metrics(view.font());
        const std::string text = view.conditionText();
        QCOMPARE(view.conditionLines(metrics, 100000), std::make_pair(text, std::string()));
        const int narrow = metrics.horizontalAdvance(QString::fromStdString("帐户：库存现金  2026 年 1 月 至 12 月")) + 2;
        QCOMPARE(view.conditionLines(metrics, narrow),
                 std::make_pair(std::string("帐户：库存现金  2026 年 1 月 至 12 月"),
                                std::string("限制金额 = 25.00 摘要包含“收款”")));
    }

    void screenshots()
    {
        const QString folder = qEnvironmentVariable("KSZW_SCREENSHOT_DIR");
        if (folder.isEmpty())
            QSKIP("KSZW_SCREENSHOT_DIR not set");
        SearchConditions c = amounts("80", "600", "1002");
        c.summary = "";
        CSearchConditionDlg dialog(*m_env, m_prompt, c);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.grab().save(folder + QStringLiteral("/search_dialog.png"));
        auto view = listing(amounts("80", "600"));
        view->grab().save(folder + QStringLiteral("/search_view.png"));
        // Every condition at once: the head takes two lines.
        const std::string summary = "收到城东支行转来的季度存款利息及手续费";
        const VoucherImportResult imported = importVouchers(
            *m_env, m_clock,
            "date,number,attachments,summary,subject,debit,credit,quantity\n"
            "20260415,0001,0," + summary + ",1002-2-1,,123.45,\n20260415,0001,0," + summary + ",6602,123.45,,\n");
        QVERIFY(imported.ok);
        db().execute("UPDATE P0 SET MK='4'");
        SearchConditions all = amounts("100", "200", "1002-2-1");
        all.summary = summary;
        all.side = SearchSide::Credit;
        all.startMonth = 2;
        all.endMonth = 11;
        QVERIFY(view->setConditions(all));
        view->grab().save(folder + QStringLiteral("/search_view_long_head.png"));
    }
};

QTEST_MAIN(SearchViewTest)
#include "search_view_test.moc"
