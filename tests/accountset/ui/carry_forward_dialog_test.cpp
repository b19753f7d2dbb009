// The carry-forward dialog: the fields it shows, the rule that ticking the balances ticks the
// chart of a year without one, the refusal of an empty choice, No to either question, a whole run
// into the new year, and the command that finds no earlier year and opens nothing.
#include "accountset/carry_forward.h"
#include "accountset/ui/carry_forward_dialog.h"
#include "accountset/year_file.h"
#include "chart/chart_import.h"
#include "common/prompt.h"
#include "formview/ui/modal_closer.h"
#include "session/kszw_env.h"
#include "session/user_settings.h"
#include "store/backup.h"
#include "store/database.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
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
                                    "4001,实收资本,0,,0,0,0\n";

constexpr std::string_view kOpening = "code,direction,amount,quantity\n"
                                      "1001,借,500,\n"
                                      "1002-1,借,9500,\n"
                                      "4001,贷,10000,\n";

QString qs(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QStringList texts(const ScriptedPrompt& prompt)
{
    QStringList all;
    for (const std::string& text : prompt.texts())
        all << QString::fromStdString(text);
    return all;
}

// A scripted prompt that notes, for every message, whether the dialog's progress timer was running
// and what its status line said.
class TimerWatchingPrompt : public ScriptedPrompt {
public:
    const CCarryForwardDlg* dialog = nullptr;
    std::vector<bool> timerActive;
    QStringList statuses;

    void tell(std::string_view text, Icon icon, std::string_view caption) override
    {
        timerActive.push_back(dialog->progressTimer()->isActive());
        statuses << dialog->statusText()->text();
        ScriptedPrompt::tell(text, icon, caption);
    }
    Answer ask(std::string_view text, Buttons buttons, Answer defaultButton, Icon icon,
               std::string_view caption) override
    {
        timerActive.push_back(dialog->progressTimer()->isActive());
        statuses << dialog->statusText()->text();
        return ScriptedPrompt::ask(text, buttons, defaultButton, icon, caption);
    }
};

} // namespace

class CarryForwardDialogTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    int m_sets = 0;
    std::string m_folder;
    std::unique_ptr<CKszwEnv> m_env;
    std::unique_ptr<CYearCarryForward> m_carry;

    std::string file(int year) const { return m_folder + "/" + std::to_string(year) + ".ksk"; }

    // A new account-set folder holding a file for each year.
    void makeSet(std::initializer_list<int> years)
    {
        m_folder = (m_dir.path() + QStringLiteral("/set%1").arg(++m_sets)).toStdString();
        QVERIFY(QDir().mkpath(QString::fromStdString(m_folder)));
        for (int year : years)
            createYearFile(file(year), year);
    }

    // Logs into the account set's 2026 as the administrator.
    void logIn()
    {
        m_env = std::make_unique<CKszwEnv>();
        ScriptedPrompt quiet;
        QVERIFY2(confirmLogin(*m_env, file(2026), "101", "", quiet), quiet.last().c_str());
        MemoryUserSettings settings;
        m_env->completeLogin(settings);
    }

    // The carry-forward of the logged-in year, its earlier year found and opened.
    CYearCarryForward& carry()
    {
        m_carry = std::make_unique<CYearCarryForward>(*m_env);
        const std::optional<std::string> refusal = m_carry->open();
        if (refusal)
            qWarning("%s", refusal->c_str());
        return *m_carry;
    }

    int count(std::string_view sql) { return m_env->db().queryLong(sql); }

    // The backups in the account set's backup folder.
    QStringList backups() const
    {
        return QDir(QString::fromStdString(m_folder + "/备份")).entryList(QDir::Files | QDir::Hidden);
    }

    static void click(QCheckBox* box) { QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(4, box->height() / 2)); }

private slots:
    // 2025 with a chart and balanced opening balances; 2026 new and logged in.
    void init()
    {
        makeSet({2025, 2026});
        {
            Database earlier = Database::open(file(2025));
            const ImportResult chart = importSubjects(earlier, kChart);
            QVERIFY2(chart.ok, chart.text().c_str());
            const ImportResult opening = importOpeningBalances(earlier, kOpening);
            QVERIFY2(opening.ok, opening.text().c_str());
        }
        logIn();
    }

    void cleanup()
    {
        m_carry.reset();
        m_env.reset();
    }

    void showsTheSetTheYearsAndEveryItemTicked()
    {
        ScriptedPrompt prompt;
        CCarryForwardDlg dialog(*m_env, carry(), prompt);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("年度帐务数据结转"));
        QCOMPARE(dialog.unitText()->text(), QStringLiteral("××单位"));
        QCOMPARE(dialog.earlierYearText()->text(), QStringLiteral("2025"));
        QCOMPARE(dialog.currentYearText()->text(), QStringLiteral("2026"));
        QStringList labels;
        for (const QLabel* label : dialog.findChildren<QLabel*>())
            labels << label->text();
        for (const char* caption : {"帐  套:", "上年度:", "本年度:"})
            QVERIFY2(labels.contains(QString::fromUtf8(caption)), caption);
        QStringList boxes;
        for (QCheckBox* box : {dialog.chartBox(), dialog.classesBox(), dialog.templatesBox(), dialog.pairsBox(),
                               dialog.balancesBox()}) {
            boxes << box->text();
            QVERIFY(box->isChecked());
        }
        QCOMPARE(boxes, (QStringList{"会计科目表", "凭证分类表", "分录模板", "多借多贷限制", "帐户余额"}));
        QCOMPARE(dialog.statusText()->text(), QStringLiteral("请选择需要复制结转的项目"));
        QCOMPARE(dialog.progressBar()->value(), 0);
        QCOMPARE(dialog.confirmButton()->text(), QStringLiteral("&S.确认"));
        QCOMPARE(dialog.cancelButton()->text(), QStringLiteral("&X.取消"));
        QVERIFY(prompt.entries().empty());
    }

    void tickingTheBalancesTicksTheChartOfAYearWithoutOne()
    {
        ScriptedPrompt prompt;
        CCarryForwardDlg dialog(*m_env, carry(), prompt);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        click(dialog.chartBox());
        click(dialog.balancesBox());
        QVERIFY(!dialog.chartBox()->isChecked());
        QVERIFY(!dialog.balancesBox()->isChecked());
        // The keyboard does the same as the mouse.
        dialog.balancesBox()->setFocus();
        QTest::keyClick(dialog.balancesBox(), Qt::Key_Space);
        QVERIFY(dialog.balancesBox()->isChecked());
        QVERIFY(dialog.chartBox()->isChecked());
        // The other items toggle alone.
        click(dialog.classesBox());
        click(dialog.pairsBox());
        click(dialog.balancesBox());
        QCOMPARE(dialog.selection().chart, true);
        QCOMPARE(dialog.selection().classes, false);
        QCOMPARE(dialog.selection().templates, true);
        QCOMPARE(dialog.selection().pairs, false);
        QCOMPARE(dialog.selection().balances, false);
    }

    void tickingTheBalancesLeavesTheChartOfAYearWithOne()
    {
        QVERIFY(importSubjects(m_env->db(), kChart).ok);
        ScriptedPrompt prompt;
        CCarryForwardDlg dialog(*m_env, carry(), prompt);
        QVERIFY(m_carry->currentHadChart());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        click(dialog.chartBox());
        click(dialog.balancesBox());
        click(dialog.balancesBox());
        QVERIFY(dialog.balancesBox()->isChecked());
        QVERIFY(!dialog.chartBox()->isChecked());
    }

    void nothingTickedIsRefusedAndTheDialogStays()
    {
        ScriptedPrompt prompt;
        CCarryForwardDlg dialog(*m_env, carry(), prompt);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        for (QCheckBox* box : {dialog.chartBox(), dialog.classesBox(), dialog.templatesBox(), dialog.pairsBox(),
                               dialog.balancesBox()})
            click(box);
        // Enter on a check box confirms.
        dialog.balancesBox()->setFocus();
        QTest::keyClick(dialog.balancesBox(), Qt::Key_Return);
        QCOMPARE(texts(prompt), QStringList{"没有任何复制结转项目，请选择它们!"});
        QCOMPARE(prompt.entries().front().question, false);
        QCOMPARE(QString::fromStdString(prompt.entries().front().caption), QStringLiteral("岚屿穗软件"));
        QVERIFY(dialog.isVisible());
        QVERIFY(dialog.confirmButton()->isEnabled());
    }

    void noToTheChoiceKeepsItAndWritesNothing()
    {
        ScriptedPrompt prompt;
        prompt.queueAnswer(Answer::No);
        CCarryForwardDlg dialog(*m_env, carry(), prompt);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        click(dialog.templatesBox());
        QTest::mouseClick(dialog.confirmButton(), Qt::LeftButton);

        QCOMPARE(prompt.entries().size(), size_t(1));
        const ScriptedPrompt::Entry& asked = prompt.entries().front();
        QVERIFY(asked.question);
        QCOMPARE(asked.icon, Icon::Exclamation);
        QCOMPARE(QString::fromStdString(asked.caption), QStringLiteral("岚屿穗软件"));
        QCOMPARE(asked.text, CYearCarryForward::selectionQuestion(dialog.selection()));
        QVERIFY(qs(asked.text).contains(QStringLiteral("③ 分 录 模 板 表     (×)")));
        QVERIFY(qs(asked.text).contains(QStringLiteral("① 会 计 科 目 表     (√)")));

        QVERIFY(dialog.isVisible());
        QVERIFY(dialog.chartBox()->isChecked());
        QVERIFY(!dialog.templatesBox()->isChecked());
        QVERIFY(dialog.balancesBox()->isChecked());
        QCOMPARE(dialog.statusText()->text(), QStringLiteral("请选择需要复制结转的项目"));
        QCOMPARE(count("select count(*) from subt"), 0);
        QCOMPARE(count("select count(*) from p0"), 0);
    }

    void noToTheCheckReportRestoresTheStatus()
    {
        ScriptedPrompt prompt;
        prompt.queueAnswer(Answer::Yes);
        prompt.queueAnswer(Answer::No);
        CCarryForwardDlg dialog(*m_env, carry(), prompt);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTest::mouseClick(dialog.confirmButton(), Qt::LeftButton);

        QCOMPARE(prompt.entries().size(), size_t(2));
        const ScriptedPrompt::Entry& report = prompt.entries().back();
        QVERIFY(report.question);
        QCOMPARE(report.icon, Icon::Exclamation);
        QCOMPARE(QString::fromStdString(report.caption), QStringLiteral("岚屿穗软件"));
        QVERIFY(qs(report.text).startsWith(QStringLiteral("\r检查结果报告：\r\r    ① 会计科目表，本年度未建立。")));
        QVERIFY(qs(report.text).endsWith(QStringLiteral("\r\r你现在就想进行复制结转吗？")));

        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.statusText()->text(), QStringLiteral("请选择需要复制结转的项目"));
        for (QWidget* control : std::initializer_list<QWidget*>{dialog.chartBox(), dialog.balancesBox(),
                                                                dialog.confirmButton(), dialog.cancelButton()})
            QVERIFY(control->isEnabled());
        QVERIFY(dialog.selection().chart && dialog.selection().balances);
        QCOMPARE(count("select count(*) from subt"), 0);
    }

    void yesTwiceCarriesTheYearAndCloses()
    {
        ScriptedPrompt prompt;
        prompt.queueAnswer(Answer::Yes);
        prompt.queueAnswer(Answer::Yes);
        prompt.queueAnswer(Answer::Yes); // the backup first
        CCarryForwardDlg dialog(*m_env, carry(), prompt);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTest::keyClick(&dialog, Qt::Key_Return);

        QCOMPARE(count("select count(*) from subt"), 4);
        // The backup holds the year as it was before the run.
        const QStringList made = backups();
        QCOMPARE(made.size(), 1);
        QCOMPARE(qs(prompt.entries()[2].text), qs(backupOfferQuestion(m_folder + "/备份")));
        {
            Database backup = Database::openReadOnly(m_folder + "/备份/" + made.front().toStdString());
            QCOMPARE(backup.queryLong("select count(*) from subt"), 0);
        }
        QCOMPARE(count("select count(*) from p0 where strcomp(cer,'    ',0)=0 and mry='  上 年  结  转'"), 3);
        QCOMPARE(m_env->db().queryDouble("select sum(f*my) from p0 where kno='1002-1'").value_or(0), 9500.0);
        QCOMPARE(m_env->db().queryDouble("select sum(f*my) from p0 where kno='4001'").value_or(0), -10000.0);

        QCOMPARE(prompt.entries().size(), size_t(4));
        const ScriptedPrompt::Entry& result = prompt.entries().back();
        QVERIFY(!result.question);
        QCOMPARE(result.icon, Icon::Information);
        QCOMPARE(QString::fromStdString(result.caption), QStringLiteral("岚屿穗软件"));
        QVERIFY(qs(result.text).startsWith(QStringLiteral("余额平衡性检测结果：\r\r    借方合计：")));
        QVERIFY(qs(result.text).contains(QStringLiteral("恭禧! 恭禧!!\r\r本年度帐务已建立完毕! ")));

        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(!dialog.isVisible());
        QVERIFY(!dialog.isRunning());
        QVERIFY(!dialog.selection().any());
        QVERIFY(dialog.confirmButton()->isEnabled());
    }

    void theRunsWarningsReachTheUserBeforeTheResult()
    {
        // This year's 1002-1 has a sub-subject: its balance cannot be carried.
        QVERIFY(importSubjects(m_env->db(), std::string(kChart) + "1002-1-1,城东支行,0,,0,0,0\n").ok);
        TimerWatchingPrompt prompt;
        prompt.queueAnswer(Answer::Yes);
        prompt.queueAnswer(Answer::Yes);
        prompt.queueAnswer(Answer::No); // no backup
        CCarryForwardDlg dialog(*m_env, carry(), prompt);
        prompt.dialog = &dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTest::mouseClick(dialog.confirmButton(), Qt::LeftButton);

        // The progress timer rests while a message is shown, the run's warning included.
        QCOMPARE(prompt.timerActive, (std::vector<bool>{false, false, false, false, false}));
        QVERIFY(!dialog.progressTimer()->isActive());
        // The status line names the subject the warning is about.
        QCOMPARE(prompt.statuses[1], QStringLiteral("正在进行复制结转前的检查..."));
        QVERIFY2(prompt.statuses[3].endsWith(QStringLiteral(" 1002-1")), qPrintable(prompt.statuses[3]));
        const QStringList shown = texts(prompt);
        QCOMPARE(shown.size(), 5);
        QCOMPARE(shown[3], QStringLiteral("警告：\r\v本年度“1002-1”科目已有子科目，其余额不能结转\r\v按确认钮继续！"));
        QVERIFY(shown[4].contains(QStringLiteral("不平原因：")));
        QVERIFY(backups().isEmpty());
        QCOMPARE(count("select count(*) from p0 where strcomp(cer,'    ',0)=0"), 2);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }

    void anEngineErrorInTheRunKeepsTheDialogAndTheYear()
    {
        {
            Database earlier = Database::open(file(2025));
            earlier.execute("INSERT INTO BLCER(N,B,L) VALUES(1,'1001','4001')");
        }
        // The year's table of restricted pairs is gone: the run fails after the chart was copied.
        m_env->db().execute("DROP TABLE BLCER");
        TimerWatchingPrompt prompt;
        prompt.queueAnswer(Answer::Yes);
        prompt.queueAnswer(Answer::Yes);
        prompt.queueAnswer(Answer::No); // no backup
        CCarryForwardDlg dialog(*m_env, carry(), prompt);
        prompt.dialog = &dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTest::mouseClick(dialog.confirmButton(), Qt::LeftButton);

        QCOMPARE(prompt.entries().size(), size_t(4));
        const ScriptedPrompt::Entry& error = prompt.entries().back();
        QVERIFY(!error.question);
        QCOMPARE(error.icon, Icon::Exclamation);
        QVERIFY2(qs(error.text).contains(QStringLiteral("BLCER"), Qt::CaseInsensitive), error.text.c_str());
        QCOMPARE(prompt.timerActive.back(), false);

        QVERIFY(dialog.isVisible());
        QVERIFY(!dialog.isRunning());
        QCOMPARE(dialog.statusText()->text(), QStringLiteral("请选择需要复制结转的项目"));
        QVERIFY(dialog.selection().chart && dialog.selection().pairs && dialog.selection().balances);
        for (QWidget* control : std::initializer_list<QWidget*>{dialog.chartBox(), dialog.pairsBox(),
                                                                dialog.confirmButton(), dialog.cancelButton()})
            QVERIFY(control->isEnabled());
        QCOMPARE(count("select count(*) from subt"), 0);
        QCOMPARE(count("select count(*) from p0"), 0);
    }

    void cancelAtTheBackupOfferCarriesNothing()
    {
        ScriptedPrompt prompt;
        prompt.queueAnswer(Answer::Yes);
        prompt.queueAnswer(Answer::Yes);
        prompt.queueAnswer(Answer::Cancel);
        CCarryForwardDlg dialog(*m_env, carry(), prompt);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTest::mouseClick(dialog.confirmButton(), Qt::LeftButton);

        QCOMPARE(prompt.entries().size(), size_t(3));
        QCOMPARE(prompt.entries().back().text, backupOfferQuestion(m_folder + "/备份"));
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.statusText()->text(), QStringLiteral("请选择需要复制结转的项目"));
        QVERIFY(dialog.confirmButton()->isEnabled());
        QCOMPARE(count("select count(*) from subt"), 0);
        QVERIFY(backups().isEmpty());
    }

    void escapeLeavesWithoutChanges()
    {
        ScriptedPrompt prompt;
        CCarryForwardDlg dialog(*m_env, carry(), prompt);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QVERIFY(!dialog.isVisible());
        QVERIFY(prompt.entries().empty());
        QCOMPARE(count("select count(*) from subt"), 0);
    }

    void theCommandOpensTheDialogOnAnEarlierYear()
    {
        ScriptedPrompt prompt;
        ModalCloser closer;
        CCarryForwardDlg::openCarryForward(*m_env, prompt, nullptr);
        QCOMPARE(closer.classNames(), QStringList{"kszw::CCarryForwardDlg"});
        QCOMPARE(closer.seen().front().title, QStringLiteral("年度帐务数据结转"));
        QVERIFY(prompt.entries().empty());
        QCOMPARE(count("select count(*) from subt"), 0);
    }

    void theCommandTellsWhenNoYearOfTheLastTenHasData()
    {
        cleanup();
        makeSet({2015, 2026});
        logIn();
        ScriptedPrompt prompt;
        ModalCloser closer;
        CCarryForwardDlg::openCarryForward(*m_env, prompt, nullptr);
        QCOMPARE(texts(prompt), QStringList{"本帐套最近十年内无任何年度数据，无需结转!"});
        QVERIFY(closer.seen().empty());
    }
};

QTEST_MAIN(CarryForwardDialogTest)
#include "carry_forward_dialog_test.moc"
