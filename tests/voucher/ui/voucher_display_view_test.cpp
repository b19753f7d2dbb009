// The voucher display view on real year files, offscreen: the plain and the quantity layout with
// their cells and page texts, the empty form, a voucher that is gone, F3 reviewing (a refusal, a
// success, the last voucher) and cancelling, Ctrl+PageDown, what a query or a single voucher
// offers, choosing again, engine errors, and a voucher of forty lines printed on two pages.
// With KSZW_SCREENSHOT=path the view with a quantity voucher is saved as a PNG; with
// KSZW_PDF=path the two-page voucher is written there as well.
#include "accountset/year_file.h"
#include "chart/chart_import.h"
#include "common/clock.h"
#include "common/command_ids.h"
#include "common/prompt.h"
#include "formview/print_settings.h"
#include "formview/ui/form_printer.h"
#include "session/kszw_env.h"
#include "session/operators.h"
#include "session/user_settings.h"
#include "store/database.h"
#include "voucher/ui/voucher_display_view.h"
#include "voucher/voucher_import.h"
#include "voucher/voucher_review.h"

#include <QAction>
#include <QMenu>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <map>
#include <memory>

using namespace kszw;

namespace {

constexpr std::string_view kChart = "code,name,kind,unit,multi_column,direction,width\n"
                                    "1001,库存现金,0,,0,0,0\n"
                                    "1002,银行存款,0,,0,0,0\n"
                                    "1002-1,工商银行,0,,0,0,0\n"
                                    "1403,原材料,1,吨,0,0,0\n"
                                    "2202,应付账款,0,,0,0,0\n"
                                    "6602,管理费用,0,,0,0,0\n";

constexpr const char* kVoucherHeader = "date,number,attachments,summary,subject,debit,credit,quantity\n";

using Cells = std::vector<std::string>;

const VoucherKey kCash{"20260305", "0001"};
const VoucherKey kMaterial{"20260306", "0002"};
const VoucherKey kExpenses{"20260310", "0003"};

// The cells of a row of an area as the view shows them.
Cells rowOf(const CKszwpz1& view, std::string_view area, int row)
{
    Cells cells;
    for (int col = 0; col < view.columnCount(); ++col)
        cells.push_back(view.displayedText(row, col, area));
    return cells;
}

// The text of each page of a PDF, without white space; empty when pdftotext is missing.
QStringList pdfPages(const QString& file, int pages)
{
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    QStringList texts;
    if (tool.isEmpty())
        return texts;
    for (int page = 1; page <= pages; ++page) {
        QProcess process;
        const QString number = QString::number(page);
        process.start(tool, {QStringLiteral("-layout"), QStringLiteral("-f"), number, QStringLiteral("-l"), number,
                             QStringLiteral("-enc"), QStringLiteral("UTF-8"), file, QStringLiteral("-")});
        if (!process.waitForFinished(60000))
            return {};
        texts << QString::fromUtf8(process.readAllStandardOutput()).remove(QRegularExpression(QStringLiteral("\\s")));
    }
    return texts;
}

int pdfPageCount(const QString& file)
{
    QFile pdf(file);
    if (!pdf.open(QIODevice::ReadOnly))
        return -1;
    return static_cast<int>(
        QString::fromLatin1(pdf.readAll()).count(QRegularExpression(QStringLiteral("/Type\\s*/Page[^s]"))));
}

QString withoutBlanks(const std::string& text)
{
    return QString::fromStdString(text).remove(QRegularExpression(QStringLiteral("\\s")));
}

} // namespace

class VoucherDisplayViewTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    int m_files = 0;
    FixedClock m_clock{CivilDate{2026, 3, 15}};
    std::unique_ptr<CKszwEnv> m_env;
    ScriptedPrompt m_prompt;

    Database& db() { return m_env->db(); }
    std::string text(const std::string& sql, const SqlParams& params = {})
    {
        return db().queryText(sql, params).value_or("(null)");
    }
    int count(const std::string& sql, const SqlParams& params = {}) { return db().queryLong(sql, params); }

    // A view on the year file that tells through the test's prompt.
    std::unique_ptr<CKszwpz1> view()
    {
        auto shown = std::make_unique<CKszwpz1>(*m_env, m_clock);
        shown->setPrompt(m_prompt);
        return shown;
    }

    void importCsv(const std::string& rows)
    {
        const VoucherImportResult result = importVouchers(*m_env, m_clock, std::string(kVoucherHeader) + rows);
        QVERIFY2(result.ok, result.refusals.empty() ? "" : result.refusals[0].text().c_str());
    }

    // Three vouchers of 102: cash (two attachments), material with a quantity, expenses.
    void importThree()
    {
        importCsv("20260305,0001,2,提取现金,1001,1500,,\n"
                  "20260305,0001,2,提取现金,1002-1,,1500,\n"
                  "20260306,0002,0,购入原材料,1403,2500,,5\n"
                  "20260306,0002,0,购入原材料,2202,,2500,\n"
                  "20260310,0003,1,报销差旅费,6602,300,,\n"
                  "20260310,0003,1,报销差旅费,1001,,300,\n");
    }

    // The reviewer 103 (王复核) is the logged-in operator from now on.
    void becomeReviewer()
    {
        ScriptedPrompt quiet;
        QVERIFY(addOperator(db(), "103", "王复核", quiet).saved);
        m_env->setOperator("103", "王复核");
    }

    // A complete voucher of 102 whose amounts do not balance, as another program may leave one.
    void insertUnbalanced(const VoucherKey& key)
    {
        db().execute("INSERT INTO CERDIR(T,CER,OPP,PN,LY,MK,TT) VALUES(?1,?2,'102',0,'0','2',?3)",
                     {key.date, key.number, key.date.substr(4, 2)});
        db().execute("INSERT INTO P0(T,CER,RN,MRY,KNO,F,MY,NU,MK,TT) VALUES(?1,?2,1,'付款','2202',1,100,0,'2',?3)",
                     {key.date, key.number, key.date.substr(4, 2)});
        db().execute("INSERT INTO P0(T,CER,RN,MRY,KNO,F,MY,NU,MK,TT) VALUES(?1,?2,2,'付款','1001',-1,90,0,'2',?3)",
                     {key.date, key.number, key.date.substr(4, 2)});
    }

    std::string status(const VoucherKey& key)
    {
        return text("SELECT MK FROM CERDIR WHERE T=?1 AND CER=?2", {key.date, key.number});
    }
    std::string reviewer(const VoucherKey& key)
    {
        return text("SELECT coalesce(OPN,'(null)') FROM CERDIR WHERE T=?1 AND CER=?2", {key.date, key.number});
    }
    int linesWithStatus(const VoucherKey& key, const std::string& mk)
    {
        return count("SELECT count(*) FROM P0 WHERE T=?1 AND CER=?2 AND MK=?3", {key.date, key.number, mk});
    }

private slots:
    void initTestCase()
    {
        QFont::insertSubstitutions(QStringLiteral("宋体"), {QStringLiteral("AR PL UMing CN"),
                                                            QStringLiteral("Noto Sans CJK SC")});
        QVERIFY(m_dir.isValid());
    }

    // Every test works on a year file of its own with the chart, logged in as the maker 102 (×××).
    void init()
    {
        const QString folder = m_dir.path() + QStringLiteral("/set%1").arg(++m_files);
        QVERIFY(QDir().mkpath(folder));
        const std::string path = folder.toStdString() + "/2026.ksk";
        createYearFile(path, 2026);
        m_env = std::make_unique<CKszwEnv>();
        ScriptedPrompt quiet;
        QVERIFY2(confirmLogin(*m_env, path, "102", "", quiet), quiet.last().c_str());
        MemoryUserSettings settings;
        m_env->completeLogin(settings);
        QVERIFY(importSubjects(db(), kChart).ok);
        m_prompt.clear();
    }

    void cleanup() { m_env.reset(); }

    void aPlainVoucherShowsItsLinesTotalsAndPageTexts()
    {
        importThree();
        // The entry refuses a line without summary; another program may have left one.
        db().execute("UPDATE P0 SET MRY='' WHERE T='20260305' AND RN=2");
        auto shown = view();
        shown->showSelection({kCash}, DisplaySource::Query);

        QCOMPARE(shown->windowTitle(), QStringLiteral("记帐凭证查询"));
        QCOMPARE(shown->settingsKey().nFlag, 2);
        QCOMPARE(shown->settingsKey().fieldMode, std::string("0"));
        QVERIFY(!shown->isEditable());
        QCOMPARE(shown->textRowCount(), 2);
        QCOMPARE(rowOf(*shown, "FORMHEAD", 0), (Cells{"摘           要", "  科  目  名  称", "借方发生额", "贷方发生额"}));
        QCOMPARE(rowOf(*shown, "TEXT", 0), (Cells{"提取现金", "1001 库存现金", "1,500.00", ""}));
        QCOMPARE(rowOf(*shown, "TEXT", 1), (Cells{"〖无摘要〗", "1002-1 工商银行", "", "1,500.00"}));
        QCOMPARE(rowOf(*shown, "FORMFOOT", 0), (Cells{"合            计", "", "1,500.00", "1,500.00"}));

        const VoucherPageTexts texts = shown->pageTexts();
        QCOMPARE(texts.unit, std::string()); // on paper only
        QCOMPARE(texts.month, std::string("2026 年 03 月"));
        QCOMPARE(texts.number, std::string("第 0001 号"));
        QCOMPARE(texts.attachments, std::string("附件：   2 张"));
        QCOMPARE(texts.foot, (Cells{"会计主管：×××", "记帐：", "出纳：", "复核：", "制证：×××"}));
        // Copy takes the cells as shown.
        QCOMPARE(shown->GetCellInfo(1, 0, "TEXT", false).text, std::string("〖无摘要〗"));
        QVERIFY(m_prompt.entries().empty());
    }

    void aVoucherWithAQuantityShowsDirectionQuantityAndPriceWithItsOwnWidths()
    {
        importThree();
        // Widths stored for the quantity layout earlier by page setup.
        ViewSettings stored = defaultViewSettings();
        stored.columnWidths = {14, 20, 3, 10, 12, 12};
        SaveViewSettings(db(), 2, "1", stored);
        auto shown = view();
        shown->showSelection({kMaterial, kCash}, DisplaySource::Query);

        QVERIFY(shown->hasQuantityColumns());
        QCOMPARE(shown->settingsKey().fieldMode, std::string("1"));
        QCOMPARE(shown->formLayout().columnWidths, (std::vector<int>{14, 20, 3, 10, 12, 12}));
        QCOMPARE(shown->formLayout().formHeadRows, 2);
        QCOMPARE(rowOf(*shown, "FORMHEAD", 0),
                 (Cells{"摘           要", "  科  目  名  称", "方", "数量/外币", "单价/汇率", "金     额"}));
        QCOMPARE(rowOf(*shown, "FORMHEAD", 1), (Cells{"", "", "向", "", "", ""}));
        QCOMPARE(rowOf(*shown, "TEXT", 0), (Cells{"购入原材料", "1403 原材料", "借", "5", "500", "2,500.00"}));
        QCOMPARE(rowOf(*shown, "TEXT", 1), (Cells{"购入原材料", "2202 应付账款", "贷", "", "", "2,500.00"}));
        QCOMPARE(rowOf(*shown, "FORMFOOT", 0), (Cells{"合            计", "", "", "", "借 2,500.00", "贷 2,500.00"}));
        QCOMPARE(shown->pageTexts().number, std::string("第 0002 号"));
        QCOMPARE(shown->pageTexts().attachments, std::string("附件：   0 张"));

        // The next voucher is plain: four columns with the plain layout's widths.
        QTest::keyClick(shown.get(), Qt::Key_PageDown, Qt::ControlModifier);
        QVERIFY(!shown->hasQuantityColumns());
        QCOMPARE(shown->settingsKey().fieldMode, std::string("0"));
        QCOMPARE(shown->formLayout().columnWidths, (std::vector<int>{20, 30, 16, 16}));
        QCOMPARE(shown->formLayout().formHeadRows, 1);
        QCOMPARE(shown->columnCount(), 4);
    }

    void anEmptySelectionAndAVoucherThatIsGoneShowTheEmptyForm()
    {
        importThree();
        auto shown = view();
        shown->showSelection({}, DisplaySource::Review);
        QVERIFY(!shown->shownVoucher());
        QCOMPARE(shown->selectionIndex(), -1);
        QCOMPARE(shown->pageTexts().month, std::string("     年    月"));
        QCOMPARE(shown->pageTexts().number, std::string("第      号"));
        QCOMPARE(shown->pageTexts().foot, (Cells{"会计主管：×××", "记帐：", "出纳：", "复核：", "制证："}));
        QCOMPARE(rowOf(*shown, "TEXT", 0), (Cells{"", "", "", ""}));
        QCOMPARE(rowOf(*shown, "FORMFOOT", 0), (Cells{"合            计", "", "", ""}));
        for (int id : {cmd::kReviewToggle, cmd::kNextVoucher, cmd::kFileOpen})
            QVERIFY(!shown->isCommandEnabled(id));

        // A voucher deleted since it was chosen: the empty form, and the selection goes on.
        shown->showSelection({{"20260305", "0009"}, kExpenses}, DisplaySource::Review);
        QVERIFY(!shown->shownVoucher());
        QVERIFY(!shown->isCommandEnabled(cmd::kReviewToggle));
        QVERIFY(shown->isCommandEnabled(cmd::kNextVoucher));
        shown->runCommand(cmd::kNextVoucher);
        QVERIFY(shown->shownVoucher());
        QCOMPARE(shown->shownVoucher()->key, kExpenses);
        QVERIFY(m_prompt.entries().empty());
    }

    void aQuerySelectionByMonthFindsTheVoucherOfThatNumberInTheMonth()
    {
        importThree();
        auto shown = view();
        shown->showSelection({{"03", "0002"}, {"04", "0002"}}, DisplaySource::Query);
        QVERIFY(shown->shownVoucher());
        QCOMPARE(shown->shownVoucher()->key, kMaterial);
        shown->runCommand(cmd::kNextVoucher); // no voucher 0002 in April
        QVERIFY(!shown->shownVoucher());
    }

    void ctrlPageDownShowsTheNextVoucherAndWrapsToTheFirst()
    {
        importThree();
        auto shown = view();
        shown->showSelection({kCash, kMaterial, kExpenses}, DisplaySource::Query);
        QVERIFY(shown->isCommandEnabled(cmd::kNextVoucher));
        std::vector<std::string> numbers;
        for (int i = 0; i < 4; ++i) {
            numbers.push_back(shown->shownVoucher()->key.number);
            QTest::keyClick(shown.get(), Qt::Key_PageDown, Qt::ControlModifier);
        }
        QCOMPARE(numbers, (Cells{"0001", "0002", "0003", "0001"}));
        QCOMPARE(shown->selectionIndex(), 1);

        // One voucher alone has no next.
        shown->showSelection({kExpenses}, DisplaySource::Query);
        QVERIFY(!shown->isCommandEnabled(cmd::kNextVoucher));
        QTest::keyClick(shown.get(), Qt::Key_PageDown, Qt::ControlModifier);
        QCOMPARE(shown->shownVoucher()->key, kExpenses);
    }

    void f3ReviewsRefusesAnUnbalancedVoucherAndTellsWhenAllAreProcessed()
    {
        importThree();
        const VoucherKey unbalanced{"20260308", "0004"};
        insertUnbalanced(unbalanced);
        becomeReviewer();
        auto shown = view();
        shown->showSelection({kCash, unbalanced, kExpenses}, DisplaySource::Review);
        QVERIFY(shown->isCommandEnabled(cmd::kReviewToggle));

        QTest::keyClick(shown.get(), Qt::Key_F3);
        QCOMPARE(status(kCash), std::string("4"));
        QCOMPARE(reviewer(kCash), std::string("103"));
        QCOMPARE(linesWithStatus(kCash, "4"), 2);
        QVERIFY(m_prompt.entries().empty());
        QCOMPARE(shown->shownVoucher()->key, unbalanced); // on to the next

        QTest::keyClick(shown.get(), Qt::Key_F3);
        QCOMPARE(m_prompt.entries().size(), size_t(1));
        QCOMPARE(m_prompt.last(), std::string("制作日期：2026年03月08日第0004号凭证借贷不平衡，复核不能通过!"));
        QCOMPARE(m_prompt.entries()[0].caption, std::string("岚屿穗软件"));
        QVERIFY(m_prompt.entries()[0].icon == Icon::Exclamation);
        QCOMPARE(status(unbalanced), std::string("2"));
        QCOMPARE(linesWithStatus(unbalanced, "2"), 2);
        QCOMPARE(shown->shownVoucher()->key, kExpenses); // refused, and on to the next
        m_prompt.clear();

        QTest::keyClick(shown.get(), Qt::Key_F3);
        QCOMPARE(status(kExpenses), std::string("4"));
        QCOMPARE(m_prompt.texts(), (Cells{"所选择的凭证已处理完毕。\r\r"}));
        QVERIFY(m_prompt.entries()[0].icon == Icon::Exclamation);
        // The selection is done; the last voucher stays in sight with its reviewer.
        QVERIFY(shown->selectedVouchers().empty());
        QCOMPARE(shown->shownVoucher()->key, kExpenses);
        QCOMPARE(shown->pageTexts().foot[3], std::string("复核：王复核"));
        for (int id : {cmd::kReviewToggle, cmd::kNextVoucher})
            QVERIFY(!shown->isCommandEnabled(id));
        m_prompt.clear();
        QTest::keyClick(shown.get(), Qt::Key_F3);
        QVERIFY(m_prompt.entries().empty());
    }

    void aVoucherPassedOverComesRoundAgainBeforeTheSelectionIsDone()
    {
        importThree();
        becomeReviewer();
        auto shown = view();
        shown->showSelection({kCash, kMaterial, kExpenses}, DisplaySource::Review);
        // Over the cash voucher, then the other two reviewed.
        QTest::keyClick(shown.get(), Qt::Key_PageDown, Qt::ControlModifier);
        QTest::keyClick(shown.get(), Qt::Key_F3);
        QCOMPARE(shown->shownVoucher()->key, kExpenses);
        QTest::keyClick(shown.get(), Qt::Key_F3);
        // Not done: the cash voucher comes round.
        QVERIFY(m_prompt.entries().empty());
        QCOMPARE(shown->shownVoucher()->key, kCash);
        QCOMPARE(status(kCash), std::string("2"));
        QTest::keyClick(shown.get(), Qt::Key_F3);
        QCOMPARE(m_prompt.texts(), (Cells{"所选择的凭证已处理完毕。\r\r"}));
        for (const VoucherKey& key : {kCash, kMaterial, kExpenses})
            QCOMPARE(status(key), std::string("4"));
    }

    void f3RefusesAVoucherChangedSinceItWasShown()
    {
        importThree();
        becomeReviewer();
        auto shown = view();
        shown->showSelection({kCash, kExpenses}, DisplaySource::Review);
        // The maker changes the shown voucher's amounts from another copy; it stays complete.
        db().execute("UPDATE P0 SET MY=999999 WHERE T=?1 AND CER=?2", {kCash.date, kCash.number});
        QTest::keyClick(shown.get(), Qt::Key_F3);
        QCOMPARE(m_prompt.texts(), (Cells{"制作日期：2026年03月05日第0001号凭证已被他人改动或处理，复核不能通过!"}));
        QCOMPARE(status(kCash), std::string("2"));
        QCOMPARE(shown->shownVoucher()->key, kExpenses);
        m_prompt.clear();
        // Shown again, it is reviewed as it now is.
        QTest::keyClick(shown.get(), Qt::Key_F3);
        QCOMPARE(m_prompt.last(), std::string("所选择的凭证已处理完毕。\r\r"));
        shown->showSelection({kCash}, DisplaySource::Review);
        QCOMPARE(shown->shownVoucher()->debitTotal, 999999.0);
        QTest::keyClick(shown.get(), Qt::Key_F3);
        QCOMPARE(status(kCash), std::string("4"));
    }

    void f3InCancelModeTakesTheReviewBackOrSaysWhyNot()
    {
        importThree();
        becomeReviewer();
        QCOMPARE(reviewVoucher(db(), kCash, "103"), 1);
        QCOMPARE(reviewVoucher(db(), kMaterial, "103"), 1);
        // A review of someone else is not his to take back.
        db().execute("UPDATE CERDIR SET OPN='101' WHERE T=?1 AND CER=?2", {kMaterial.date, kMaterial.number});

        auto shown = view();
        shown->showSelection({kMaterial, kCash}, DisplaySource::Review, ReviewOperation::Cancel);
        QTest::keyClick(shown.get(), Qt::Key_F3);
        QCOMPARE(m_prompt.texts(),
                 (Cells{"制作日期：2026年03月06日第0002号凭证已不能取消复核（不是本人复核或该月已结帐）!"}));
        QCOMPARE(status(kMaterial), std::string("4"));
        QCOMPARE(shown->shownVoucher()->key, kCash); // refused, and on to the next
        m_prompt.clear();

        QCOMPARE(shown->pageTexts().foot[3], std::string("复核：王复核"));
        QTest::keyClick(shown.get(), Qt::Key_F3);
        QCOMPARE(status(kCash), std::string("2"));
        QCOMPARE(reviewer(kCash), std::string("(null)"));
        QCOMPARE(linesWithStatus(kCash, "2"), 2);
        QCOMPARE(m_prompt.texts(), (Cells{"所选择的凭证已处理完毕。\r\r"}));
        QCOMPARE(shown->pageTexts().foot[3], std::string("复核："));
    }

    void choosingAgainShowsTheVoucherAsABatchInTheChooserLeftIt()
    {
        importThree();
        becomeReviewer();
        QCOMPARE(reviewVoucher(db(), kCash, "103"), 1);
        auto shown = view();
        // The chooser takes the review back in a batch and ends without a new choice.
        shown->setReselect([this](CKszwpz1&) { QCOMPARE(cancelBatch(db(), {kCash}, "103", m_prompt), 1); });
        shown->showSelection({kCash}, DisplaySource::Review, ReviewOperation::Cancel);
        QCOMPARE(shown->pageTexts().foot[3], std::string("复核：王复核"));
        shown->chooseAgain();
        QCOMPARE(status(kCash), std::string("2"));
        QCOMPARE(shown->shownVoucher()->key, kCash);
        QCOMPARE(shown->pageTexts().foot[3], std::string("复核："));
    }

    void f3IsOffForAQueryAndForASingleVoucher()
    {
        importThree();
        becomeReviewer();
        for (DisplaySource source : {DisplaySource::Query, DisplaySource::Single}) {
            auto shown = view();
            shown->showSelection({kCash}, source);
            QVERIFY(!shown->isCommandEnabled(cmd::kReviewToggle));
            QTest::keyClick(shown.get(), Qt::Key_F3);
            QVERIFY(shown->runCommand(cmd::kReviewToggle));
            QCOMPARE(status(kCash), std::string("2"));
            QVERIFY(m_prompt.entries().empty());
        }
    }

    void theContextMenuOffersNextAndReviewAsTheSelectionAllows()
    {
        importThree();
        becomeReviewer();
        auto shown = view();
        shown->showSelection({kCash, kMaterial}, DisplaySource::Review);
        auto itemsOffered = [&] {
            emit shown->formMenu()->aboutToShow();
            std::map<QString, bool> offered;
            for (QAction* action : shown->formMenu()->actions())
                if (!action->isSeparator())
                    offered[action->text()] = action->isEnabled();
            return offered;
        };
        std::map<QString, bool> offered = itemsOffered();
        QVERIFY(offered.count(QStringLiteral("下一张(&W)\tCtrl+PageDown")));
        QVERIFY(offered[QStringLiteral("下一张(&W)\tCtrl+PageDown")]);
        QVERIFY(offered[QStringLiteral("复核/取消复核(&K)\tF3")]);
        QVERIFY(!offered[QStringLiteral("打开")]); // no hook to choose again
        // The menu's item runs the review.
        for (QAction* action : shown->formMenu()->actions())
            if (action->data().toInt() == cmd::kReviewToggle)
                action->trigger();
        QCOMPARE(status(kCash), std::string("4"));

        shown->showSelection({kExpenses}, DisplaySource::Query);
        offered = itemsOffered();
        QVERIFY(!offered[QStringLiteral("下一张(&W)\tCtrl+PageDown")]);
        QVERIFY(!offered[QStringLiteral("复核/取消复核(&K)\tF3")]);
    }

    void openAndADoubleClickChooseAgainAsTheSourceAllows()
    {
        importThree();
        becomeReviewer();
        auto shown = view();
        shown->resize(1000, 600);
        shown->show();
        QVERIFY(QTest::qWaitForWindowExposed(shown.get()));
        int asked = 0;
        shown->setReselect([&](CKszwpz1& target) {
            ++asked;
            target.showSelection({kExpenses, kCash}, target.source(), target.operation());
        });
        const DeviceRect cell = shown->screenGeometry().cellRect("TEXT", 0, 1, shown->firstVisibleRow());
        const QPoint inCell(cell.x + cell.width / 2, cell.y + cell.height / 2);

        // A single voucher from a ledger is never chosen again.
        shown->showSelection({kCash}, DisplaySource::Single);
        QVERIFY(!shown->isCommandEnabled(cmd::kFileOpen));
        shown->runCommand(cmd::kFileOpen);
        QTest::mouseDClick(shown->viewport(), Qt::LeftButton, {}, inCell);
        QCOMPARE(asked, 0);

        // A query: Open chooses again, a double click only picks a cell.
        shown->showSelection({kCash}, DisplaySource::Query);
        QTest::mouseDClick(shown->viewport(), Qt::LeftButton, {}, inCell);
        QCOMPARE(asked, 0);
        QCOMPARE(shown->currentCell().col, 1);
        QVERIFY(shown->isCommandEnabled(cmd::kFileOpen));
        QVERIFY(shown->runCommand(cmd::kFileOpen));
        QCOMPARE(asked, 1);
        QCOMPARE(shown->shownVoucher()->key, kExpenses); // the new choice from its first voucher
        QCOMPARE(shown->source(), DisplaySource::Query);

        // A review selection: both.
        shown->showSelection({kMaterial}, DisplaySource::Review);
        QTest::mouseDClick(shown->viewport(), Qt::LeftButton, {}, inCell);
        QCOMPARE(asked, 2);
        QCOMPARE(shown->shownVoucher()->key, kExpenses);
        QCOMPARE(shown->source(), DisplaySource::Review);
        QVERIFY(m_prompt.entries().empty());
    }

    void engineErrorsAreToldAndTheViewGoesOn()
    {
        importThree();
        becomeReviewer();
        auto shown = view();
        shown->showSelection({kCash, kMaterial}, DisplaySource::Review);
        db().execute("ALTER TABLE P0 RENAME TO P0_AWAY");

        QTest::keyClick(shown.get(), Qt::Key_F3);
        QCOMPARE(m_prompt.entries().size(), size_t(1));
        QVERIFY2(m_prompt.last().find("P0") != std::string::npos, m_prompt.last().c_str());
        QCOMPARE(m_prompt.entries()[0].caption, std::string("岚屿穗软件"));
        QCOMPARE(shown->shownVoucher()->key, kCash); // nothing happened to it
        QCOMPARE(status(kCash), std::string("2"));
        m_prompt.clear();

        shown->runCommand(cmd::kNextVoucher);
        QCOMPARE(m_prompt.entries().size(), size_t(1));
        QVERIFY(!shown->shownVoucher());
        QCOMPARE(shown->selectionIndex(), 1);

        db().execute("ALTER TABLE P0_AWAY RENAME TO P0");
        m_prompt.clear();
        shown->runCommand(cmd::kNextVoucher);
        QCOMPARE(shown->shownVoucher()->key, kCash);
        QVERIFY(m_prompt.entries().empty());
    }

    void aVoucherOfFortyLinesPrintsOnTwoPagesWithRunningTotalsAndPageNumbers()
    {
        // One credit line of 780.00 and thirty-nine debit lines of 1.00 … 39.00.
        std::string rows = "20260312,0001,3,报销,1001,,780,\n";
        for (int i = 1; i <= 39; ++i)
            rows += "20260312,0001,3,费用" + std::to_string(i) + ",6602," + std::to_string(i) + ",,\n";
        importCsv(rows);
        // An A4 page, upright, as stored by page setup.
        ViewSettings a4 = defaultViewSettings();
        a4.page.pageWidth = 2100;
        a4.page.pageLength = 2970;
        SaveViewSettings(db(), 2, "0", a4);
        db().execute("UPDATE SYSTAB SET NA='岚屿穗演示公司'");
        m_env->setHeader("岚屿穗演示公司", m_env->chiefAccountant(), m_env->monthEndCode(), m_env->yearStart(),
                         m_env->yearEnd());

        auto shown = view();
        shown->showSelection({{"20260312", "0001"}}, DisplaySource::Query);
        QCOMPARE(shown->textRowCount(), 40);
        const int rowsPerPage = shown->GetPageRows(true);
        QVERIFY2(rowsPerPage >= 20 && rowsPerPage < 40, qPrintable(QString::number(rowsPerPage)));
        QCOMPARE(shown->GetPageCount(true), 2);

        const VoucherPageTexts first = shown->pageTexts(1, 2, rowsPerPage);
        const VoucherPageTexts second = shown->pageTexts(2, 2, rowsPerPage);
        // Page 1 holds the credit line and the debit lines 1 … rowsPerPage − 1.
        const int debitSoFar = (rowsPerPage - 1) * rowsPerPage / 2;
        const std::string runningDebit = QString::number(debitSoFar).toStdString() + ".00";
        QCOMPARE(first.unit, std::string("岚屿穗演示公司"));
        QCOMPARE(first.number, std::string("第 0001(1/2) 号"));
        QCOMPARE(second.number, std::string("第 0001(2/2) 号"));
        QCOMPARE(first.totals, (Cells{"累（或小）     计", "", runningDebit, "780.00"}));
        QCOMPARE(second.totals, (Cells{"合            计", "", "780.00", "780.00"}));
        QCOMPARE(first.attachments, std::string("附件：   3 张"));
        // The screen shows the plain number and the voucher's total.
        QCOMPARE(shown->pageTexts().number, std::string("第 0001 号"));
        QCOMPARE(rowOf(*shown, "FORMFOOT", 0), second.totals);

        // What the pages show on paper.
        const QByteArray keep = qgetenv("KSZW_PDF");
        const QString file = keep.isEmpty() ? m_dir.path() + QStringLiteral("/voucher.pdf") : QString::fromLocal8Bit(keep);
        QVERIFY(exportViewToPdf(*shown, file, m_prompt));
        QVERIFY(m_prompt.entries().empty());
        QCOMPARE(pdfPageCount(file), 2);
        const QStringList pages = pdfPages(file, 2);
        if (pages.size() != 2)
            QSKIP("pdftotext is not installed");
        for (const std::string& expected : {std::string("记帐凭证"), first.unit, first.number, first.totals[0],
                                            runningDebit, std::string("费用1"), std::string("制证：×××")})
            QVERIFY2(pages[0].contains(withoutBlanks(expected)), expected.c_str());
        for (const std::string& expected : {second.number, second.totals[0], std::string("费用39")})
            QVERIFY2(pages[1].contains(withoutBlanks(expected)), expected.c_str());
        QVERIFY(!pages[0].contains(withoutBlanks(second.totals[0])));
        QVERIFY(!pages[1].contains(withoutBlanks(first.totals[0])));
    }

    void screenshotOfAQuantityVoucher()
    {
        const QByteArray path = qgetenv("KSZW_SCREENSHOT");
        if (path.isEmpty())
            QSKIP("KSZW_SCREENSHOT is not set");
        importThree();
        auto shown = view();
        shown->resize(1000, 520);
        shown->show();
        QVERIFY(QTest::qWaitForWindowExposed(shown.get()));
        // Before a selection: the empty form.
        QVERIFY(shown->grab().save(QString::fromLocal8Bit(path).replace(QStringLiteral(".png"), QStringLiteral("_empty.png"))));
        shown->showSelection({kMaterial}, DisplaySource::Query);
        QVERIFY(shown->grab().save(QString::fromLocal8Bit(path)));
    }
};

QTEST_MAIN(VoucherDisplayViewTest)
#include "voucher_display_view_test.moc"
