// The generation dialog as the operator drives it: the template list, the button cycle with and
// without 逐条暂停, the result list and totals, the runs that stop before they start, and lines
// whose formula fails.
#include "accountset/year_file.h"
#include "chart/chart_import.h"
#include "common/prompt.h"
#include "ledger/ledger_conventions.h"
#include "store/database.h"
#include "templates/ui/template_generation_dialog.h"
#include "templates/voucher_templates.h"

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

using namespace kszw;

namespace {

struct LineSpec {
    const char* summary;
    const char* subject;
    int direction;
    const char* formula;
};

} // namespace

class TemplateGenerationDialogTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    std::string m_file;
    ScriptedPrompt m_prompt;

    Database open() { return Database::open(m_file); }

    // A fresh year file with a small chart and the templates given.
    void makeFile(const std::vector<std::pair<std::string, std::vector<LineSpec>>>& templates)
    {
        static int serial = 0;
        m_file = (m_dir.path() + QStringLiteral("/t%1/2026.ksk").arg(++serial)).toStdString();
        QDir().mkpath(QFileInfo(QString::fromStdString(m_file)).path());
        createYearFile(m_file, 2026);
        Database db = open();
        QVERIFY(importSubjects(db, "code,name,kind,unit,multi_column,direction,width\n"
                                   "1001,库存现金,0,,0,0,0\n1002,银行存款,0,,0,0,0\n"
                                   "1602,累计折旧,0,,0,0,0\n6602,管理费用,0,,0,0,0\n")
                    .ok);
        int number = 0;
        for (const auto& [name, lines] : templates) {
            ++number;
            QVERIFY(!addTemplate(db, std::to_string(number), name));
            int row = 0;
            for (const LineSpec& spec : lines)
                db.execute("INSERT INTO AUTCER(N,RN,MRY,KNO,F,FML) VALUES(?1,?2,?3,?4,?5,?6)",
                           {number, ++row, spec.summary, spec.subject, spec.direction, spec.formula});
        }
    }

    std::unique_ptr<CTemplateGenerationDlg> dialog(Database& db, const std::string& date = "20260315")
    {
        return std::make_unique<CTemplateGenerationDlg>(db, m_prompt, yearCalendar(db), "2026.ksk", date);
    }

    static QStringList resultRow(const QTreeWidget& list, int row)
    {
        QStringList cells;
        const QTreeWidgetItem* item = list.topLevelItem(row);
        for (int column = 0; column < list.columnCount(); ++column)
            cells << (item ? item->text(column) : QString());
        return cells;
    }

private slots:
    void init() { m_prompt.clear(); }

    void theDialogShowsItsTemplatesAndColumns()
    {
        makeFile({{"计提折旧", {{"折旧", "6602", 1, "100"}}}, {"月末结转", {{"结转", "6602", -1, "1"}}}});
        Database db = open();
        auto shown = dialog(db);
        QCOMPARE(shown->windowTitle(), QStringLiteral("利用凭证分录模板生成凭证"));
        QCOMPARE(shown->templateList()->count(), 2);
        QCOMPARE(shown->templateList()->item(0)->text(), QStringLiteral("1       计提折旧"));
        QCOMPARE(shown->templateList()->item(1)->text(), QStringLiteral("2       月末结转"));
        QCOMPARE(shown->templateList()->currentRow(), 0);
        QStringList headers;
        for (int column = 0; column < shown->resultList()->columnCount(); ++column)
            headers << shown->resultList()->headerItem()->text(column);
        QCOMPARE(headers, QStringList({"分录项", "摘  要", "科  目", "方  向", "模板公式", "金  额", "结果"}));
        QCOMPARE(shown->runButton()->text(), QStringLiteral("开始(&S)"));
        QCOMPARE(shown->cancelButton()->text(), QStringLiteral("取消(&X)"));
        QCOMPARE(shown->pauseBox()->text(), QStringLiteral("逐条暂停"));
    }

    // Each refusal before the run keeps the dialog as it was: the list can be used again.
    void runsThatCannotStartLeaveTheDialogOpen_data()
    {
        QTest::addColumn<int>("templates");
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("message");
        QTest::newRow("no templates") << 0 << "20260315" << "未定义凭证分录模板！";
        QTest::newRow("no lines") << 1 << "20260315" << "此模板未定义凭证分录行！";
        QTest::newRow("unknown subject") << 2 << "20260315" << "科目“9999”出错！";
        QTest::newRow("date of another year") << 3 << "20250315" << "凭证制作时间不在本年度内！";
        QTest::newRow("no date") << 3 << "" << "凭证制作时间不在本年度内！";
    }
    void runsThatCannotStartLeaveTheDialogOpen()
    {
        QFETCH(int, templates);
        QFETCH(QString, date);
        QFETCH(QString, message);
        if (templates == 0)
            makeFile({});
        else if (templates == 1)
            makeFile({{"空模板", {}}});
        else if (templates == 2)
            makeFile({{"错科目", {{"折旧", "6602", 1, "1"}, {"折旧", "9999", -1, "1"}}}});
        else
            makeFile({{"计提折旧", {{"折旧", "6602", 1, "1"}}}});
        Database db = open();
        auto shown = dialog(db, date.toStdString());
        shown->press();
        QCOMPARE(m_prompt.texts(), std::vector<std::string>{message.toStdString()});
        QCOMPARE(shown->runButton()->text(), QStringLiteral("开始(&S)"));
        QVERIFY(shown->templateList()->isEnabled());
        QVERIFY(shown->pauseBox()->isEnabled());
        QCOMPARE(shown->resultList()->topLevelItemCount(), 0);
        QCOMPARE(shown->result(), int(QDialog::Rejected));
    }

    void oneStartEvaluatesEveryLineWithoutPause()
    {
        makeFile({{"计提折旧", {{"计提折旧", "6602", 1, "60+40"},
                               {"计提折旧", "1602", -1, "100"},
                               {"零行", "1001", 1, "0"},
                               {"几乎为零", "1001", -1, "-0.00000001"}}}});
        Database db = open();
        auto shown = dialog(db);
        shown->press();
        QVERIFY(m_prompt.texts().empty());
        QCOMPARE(shown->runButton()->text(), QStringLiteral("确认(&S)"));
        QVERIFY(!shown->templateList()->isEnabled());
        QVERIFY(!shown->pauseBox()->isEnabled());
        QCOMPARE(shown->resultList()->topLevelItemCount(), 2);
        QCOMPARE(resultRow(*shown->resultList(), 0),
                 QStringList({"1", "计提折旧", "6602", "借", "60+40", "100.00", "正确"}));
        QCOMPARE(resultRow(*shown->resultList(), 1),
                 QStringList({"2", "计提折旧", "1602", "贷", "100", "100.00", "正确"}));
        QCOMPARE(shown->totalsLabel()->text(), QStringLiteral("借方合计：100.00        贷方合计：100.00"));
        QCOMPARE(shown->progressLabel()->text(), QStringLiteral("已计算4条分录，共4条；2条结果为零，不生成。"));
        shown->press();
        QCOMPARE(shown->result(), int(QDialog::Accepted));
        const std::vector<GeneratedLine> kept = shown->keptLines();
        QCOMPARE(kept.size(), size_t(2));
        QCOMPARE(kept[0].amount, 100.0);
        QCOMPARE(kept[1].line.direction, -1);
    }

    void pausedRunTakesOnePressPerLineThenConfirms()
    {
        makeFile({{"三行", {{"一", "6602", 1, "1.005"}, {"二", "1001", -1, "1.006"}, {"三", "1002", 1, "2"}}}});
        Database db = open();
        auto shown = dialog(db);
        shown->pauseBox()->setChecked(true);
        shown->press();
        QCOMPARE(shown->runButton()->text(), QStringLiteral("继续(&S)"));
        QCOMPARE(shown->resultList()->topLevelItemCount(), 0);
        QCOMPARE(shown->progressLabel()->text(), QStringLiteral("已计算0条分录，共3条。"));
        QStringList buttons;
        for (int press = 0; press < 3; ++press) {
            shown->press();
            buttons << shown->runButton()->text();
            QCOMPARE(shown->resultList()->topLevelItemCount(), press + 1);
        }
        QCOMPARE(buttons, QStringList({"继续(&S)", "继续(&S)", "确认(&S)"}));
        QCOMPARE(shown->result(), int(QDialog::Rejected));
        // The amounts are those the voucher shows: 1.005 is stored just below the half cent.
        QCOMPARE(resultRow(*shown->resultList(), 0)[5], QStringLiteral("1.00"));
        QCOMPARE(resultRow(*shown->resultList(), 1)[5], QStringLiteral("1.01"));
        QCOMPARE(shown->totalsLabel()->text(), QStringLiteral("借方合计：3.00        贷方合计：1.01"));
        shown->press();
        QCOMPARE(shown->result(), int(QDialog::Accepted));
        QCOMPARE(shown->keptLines().size(), size_t(3));
    }

    void aTemplateOfZeroLinesConfirmsWithNothingToInsert()
    {
        makeFile({{"全零", {{"一", "6602", 1, "0"}, {"二", "1001", -1, "100-100"}}}});
        Database db = open();
        auto shown = dialog(db);
        shown->press();
        QCOMPARE(shown->resultList()->topLevelItemCount(), 0);
        QCOMPARE(shown->totalsLabel()->text(), QStringLiteral("借方合计：0.00        贷方合计：0.00"));
        shown->press();
        QCOMPARE(shown->result(), int(QDialog::Accepted));
        QVERIFY(shown->keptLines().empty());
    }

    // A failed line is told, marked, and never inserted; 确认 asks before the others go in.
    void failedLinesAreToldMarkedAndAskedAbout()
    {
        makeFile({{"出错", {{"一", "6602", 1, "50"}, {"二", "1001", -1, "#nosuch+1"}, {"三", "1002", -1, "50"}}}});
        Database db = open();
        auto shown = dialog(db);
        shown->press();
        QCOMPARE(m_prompt.texts(), std::vector<std::string>{"变量名出错！"});
        QCOMPARE(shown->resultList()->topLevelItemCount(), 3);
        QCOMPARE(resultRow(*shown->resultList(), 1), QStringList({"", "二", "1001", "贷", "#nosuch+1", "", "变量名出错！"}));
        QCOMPARE(resultRow(*shown->resultList(), 2)[0], QStringLiteral("2"));
        QCOMPARE(shown->totalsLabel()->text(), QStringLiteral("借方合计：50.00        贷方合计：50.00"));

        m_prompt.clear();
        m_prompt.queueAnswer(Answer::No);
        shown->press();
        QCOMPARE(m_prompt.texts(),
                 std::vector<std::string>{"有1条分录的取数公式出错，这些分录不能生成。\n生成其余的分录吗？"});
        QCOMPARE(shown->result(), int(QDialog::Rejected));
        m_prompt.queueAnswer(Answer::Yes);
        shown->press();
        QCOMPARE(shown->result(), int(QDialog::Accepted));
        const std::vector<GeneratedLine> kept = shown->keptLines();
        QCOMPARE(kept.size(), size_t(2));
        QCOMPARE(kept[0].line.summary, std::string("一"));
        QCOMPARE(kept[1].line.summary, std::string("三"));
    }

    void theChosenTemplateRuns()
    {
        makeFile({{"第一", {{"一", "6602", 1, "1"}}}, {"第二", {{"二", "1001", -1, "#y"}}}});
        Database db = open();
        auto shown = dialog(db, "20260315");
        shown->templateList()->setCurrentRow(1);
        shown->press();
        QCOMPARE(resultRow(*shown->resultList(), 0), QStringList({"1", "二", "1001", "贷", "#y", "3.00", "正确"}));
    }
};

QTEST_MAIN(TemplateGenerationDialogTest)
#include "template_generation_dialog_test.moc"
