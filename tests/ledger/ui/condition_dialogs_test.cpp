// The condition dialogs of the balance table and of the balance-and-turnover table on a real year
// file: every refusal with its message, in the order of the checks, and the field that gets the
// focus back; the first values (today's accounting month, the year's last day, the whole year, the
// conditions set before); the accounting months of the chosen dates; the subject lookup behind
// 浏览...; Cancel. With KSZW_SCREENSHOT_DIR=folder both dialogs are saved there as PNGs.
#include "accountset/year_file.h"
#include "chart/chart_import.h"
#include "chart/ui/subject_query_dialog.h"
#include "common/clock.h"
#include "common/prompt.h"
#include "formview/ui/modal_closer.h"
#include "formview/ui/spec_edit.h"
#include "ledger/ui/balance_condition_dialog.h"
#include "ledger/ui/turnover_condition_dialog.h"
#include "session/kszw_env.h"
#include "session/user_settings.h"
#include "store/database.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace kszw;

namespace {

constexpr std::string_view kChart = "code,name,kind,unit,multi_column,direction,width\n"
                                    "1001,库存现金,0,,0,0,0\n"
                                    "1002,银行存款,0,,0,0,0\n"
                                    "1002-1,工商银行,0,,0,0,0\n"
                                    "1002-2,建设银行,0,,0,0,0\n"
                                    "6602,管理费用,0,,0,0,0\n";

QStringList texts(const ScriptedPrompt& prompt)
{
    QStringList result;
    for (const std::string& text : prompt.texts())
        result << QString::fromStdString(text);
    return result;
}

void showActive(QDialog& dialog)
{
    dialog.show();
    dialog.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
}

QStringList dateOf(const CSpecEdit* year, const CSpecEdit* month, const CSpecEdit* day)
{
    return {year->text(), month->text(), day->text()};
}

} // namespace

class ConditionDialogsTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    int m_files = 0;
    std::unique_ptr<CKszwEnv> m_env;
    ScriptedPrompt m_prompt;

    // The accounting months of the year close on day (JT "0dd").
    void closeMonthsOn(int day)
    {
        m_env->setHeader(m_env->unitName(), m_env->chiefAccountant(), QStringLiteral("0%1").arg(day).toStdString(),
                         m_env->yearStart(), m_env->yearEnd());
    }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    // Every test has a 2026 year file of its own with the chart, logged in as 102.
    void init()
    {
        const QString folder = m_dir.path() + QStringLiteral("/set%1").arg(++m_files);
        QVERIFY(QDir().mkpath(folder));
        const std::string path = (folder + QStringLiteral("/2026.ksk")).toStdString();
        createYearFile(path, 2026);
        m_env = std::make_unique<CKszwEnv>();
        ScriptedPrompt quiet;
        QVERIFY2(confirmLogin(*m_env, path, "102", "", quiet), quiet.last().c_str());
        MemoryUserSettings settings;
        m_env->completeLogin(settings);
        const ImportResult chart = importSubjects(m_env->db(), kChart);
        QVERIFY2(chart.ok, chart.message.c_str());
        m_prompt.clear();
    }

    void cleanup() { m_env.reset(); }

    // ---- the balance table's dialog ----

    void theBalanceDialogStartsOnTodaysAccountingMonthOrTheYearsLastDay()
    {
        struct Case {
            CivilDate today;
            int closingDay;
            QStringList shown;
        };
        const Case cases[] = {
            {{2026, 3, 15}, 31, {"2026", "3", "31"}},
            {{2026, 2, 3}, 31, {"2026", "2", "28"}},
            // The month closes on the 25th: March's accounting month ends on 25 March.
            {{2026, 3, 15}, 25, {"2026", "3", "25"}},
            {{2027, 5, 1}, 31, {"2026", "12", "31"}},
            {{2025, 12, 31}, 31, {"2026", "12", "31"}},
        };
        for (const Case& c : cases) {
            closeMonthsOn(c.closingDay);
            const FixedClock clock(c.today);
            CBalanceConditionDlg dialog(*m_env, m_prompt, clock, BalanceConditions{});
            QCOMPARE(dateOf(dialog.yearField(), dialog.monthField(), dialog.dayField()), c.shown);
            QCOMPARE(dialog.codeField()->text(), QString());
            QCOMPARE(dialog.yearLabel()->text(), QStringLiteral("2026 年度"));
        }
        // A cut-off set before comes back with its code.
        const FixedClock clock({2026, 3, 15});
        CBalanceConditionDlg dialog(*m_env, m_prompt, clock, BalanceConditions{"1002", "20260610", 6});
        QCOMPARE(dateOf(dialog.yearField(), dialog.monthField(), dialog.dayField()),
                 (QStringList{"2026", "6", "10"}));
        QCOMPARE(dialog.codeField()->text(), QStringLiteral("1002"));
        QVERIFY(m_prompt.entries().empty());
    }

    void theBalanceDialogRefusesInTheOrderOfItsChecksAndFocusesTheField()
    {
        const FixedClock clock({2026, 3, 15});
        CBalanceConditionDlg dialog(*m_env, m_prompt, clock, BalanceConditions{});
        showActive(dialog);
        struct Case {
            const char* code;
            const char* year;
            const char* month;
            const char* day;
            QString message;
            CSpecEdit* field;
        };
        const QString noChildren = QStringLiteral("输入的科目代码不存在或没有子科目，请重输！");
        const QString badYear = QStringLiteral("输入年度不合理，请重输！");
        const QString badMonth = QStringLiteral("输入月份不合理，请重输！");
        const QString badDay = QStringLiteral("输入日不合理，请重输！");
        const QString outside = QStringLiteral("输入日期已不在当前注册的会计年度内，请重输！");
        const Case cases[] = {
            {"1001", "2026", "3", "31", noChildren, dialog.codeField()}, // a leaf
            {"9", "2026", "3", "31", noChildren, dialog.codeField()},    // no such account
            // The code is checked first, then the year, the month and the day.
            {"1001", "1989", "13", "40", noChildren, dialog.codeField()},
            {"1002", "1989", "13", "40", badYear, dialog.yearField()},
            {"", "", "3", "31", badYear, dialog.yearField()},
            {"", "2026", "0", "40", badMonth, dialog.monthField()},
            {"", "2026", "13", "1", badMonth, dialog.monthField()},
            {"", "2026", "2", "29", badDay, dialog.dayField()},
            {"", "2026", "4", "31", badDay, dialog.dayField()},
            {"", "2026", "4", "0", badDay, dialog.dayField()},
            {"", "2025", "12", "31", outside, dialog.yearField()},
            {"1002", "2027", "1", "1", outside, dialog.yearField()},
        };
        QStringList expected;
        for (const Case& c : cases) {
            dialog.codeField()->setText(QString::fromUtf8(c.code));
            dialog.yearField()->setText(QString::fromUtf8(c.year));
            dialog.monthField()->setText(QString::fromUtf8(c.month));
            dialog.dayField()->setText(QString::fromUtf8(c.day));
            dialog.monthField()->setFocus();
            QTest::keyClick(dialog.confirmButton(), Qt::Key_Space);
            expected << c.message;
            QCOMPARE(texts(m_prompt), expected);
            QCOMPARE(m_prompt.entries().back().caption, std::string("岚屿穗软件"));
            QCOMPARE(m_prompt.entries().back().icon, Icon::Exclamation);
            QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(c.field));
            QCOMPARE(c.field->selectedText(), c.field->text());
            QVERIFY(dialog.isVisible());
        }
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
    }

    void theBalanceDialogTakesTheDateWithItsAccountingMonth()
    {
        closeMonthsOn(25);
        const FixedClock clock({2026, 3, 15});
        CBalanceConditionDlg dialog(*m_env, m_prompt, clock, BalanceConditions{});
        showActive(dialog);
        dialog.codeField()->setText(QStringLiteral(" 1002 "));
        dialog.monthField()->setText(QStringLiteral("3"));
        dialog.dayField()->setText(QStringLiteral("28"));
        // Enter in a field confirms.
        QTest::keyClick(dialog.dayField(), Qt::Key_Return);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.conditions().parent, std::string("1002"));
        QCOMPARE(dialog.conditions().cutoffDate, std::string("20260328"));
        // 28 March lies after the 25th: in the fourth accounting month.
        QCOMPARE(dialog.conditions().cutoffMonth, 4);
        QVERIFY(m_prompt.entries().empty());

        // An empty code lists the top level; the year's last day is in month 12.
        CBalanceConditionDlg last(*m_env, m_prompt, clock, BalanceConditions{"1002", "20260310", 3});
        last.codeField()->clear();
        last.monthField()->setText(QStringLiteral("12"));
        last.dayField()->setText(QStringLiteral("31"));
        last.confirm();
        QCOMPARE(last.result(), int(QDialog::Accepted));
        QCOMPARE(last.conditions().parent, std::string());
        QCOMPARE(last.conditions().cutoffDate, std::string("20261231"));
        QCOMPARE(last.conditions().cutoffMonth, 12);
    }

    void browseLooksTheAccountUpAndCancelKeepsTheCode()
    {
        const FixedClock clock({2026, 3, 15});
        CBalanceConditionDlg dialog(*m_env, m_prompt, clock, BalanceConditions{});
        showActive(dialog);
        {
            ModalCloser closer;
            closer.actOn<CSubjectQueryDlg>([](CSubjectQueryDlg& lookup) {
                lookup.showCode(QStringLiteral("1002"));
                lookup.choose();
            });
            QTest::mouseClick(dialog.browseButton(), Qt::LeftButton);
            QCOMPARE(closer.classNames(), QStringList{QStringLiteral("kszw::CSubjectQueryDlg")});
        }
        QCOMPARE(dialog.codeField()->text(), QStringLiteral("1002"));
        // Back in the dialog, the code field has the focus.
        QCOMPARE(dialog.focusWidget(), static_cast<QWidget*>(dialog.codeField()));
        {
            ModalCloser closer; // closes the lookup without a choice
            dialog.browse();
            QCOMPARE(closer.classNames(), QStringList{QStringLiteral("kszw::CSubjectQueryDlg")});
        }
        QCOMPARE(dialog.codeField()->text(), QStringLiteral("1002"));

        const QString folder = qEnvironmentVariable("KSZW_SCREENSHOT_DIR");
        if (!folder.isEmpty())
            dialog.grab().save(folder + QStringLiteral("/balance_conditions.png"));
        QTest::mouseClick(dialog.cancelButton(), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QVERIFY(m_prompt.entries().empty());
    }

    // ---- the balance-and-turnover table's dialog ----

    void theTurnoverDialogOffersTheWholeYearFirstAndThePreviousSpanAfter()
    {
        CTurnoverConditionDlg first(*m_env, m_prompt, TurnoverConditions{});
        QCOMPARE(dateOf(first.startYearField(), first.startMonthField(), first.startDayField()),
                 (QStringList{"2026", "1", "1"}));
        QCOMPARE(dateOf(first.endYearField(), first.endMonthField(), first.endDayField()),
                 (QStringList{"2026", "12", "31"}));
        QCOMPARE(first.codeField()->text(), QString());
        QVERIFY(first.nextLevelButton()->isChecked());
        QVERIFY(!first.allLevelsButton()->isChecked());

        const TurnoverConditions before{"1002", "20260315", "20260420", 3, 4, TurnoverListing::AllLevels};
        CTurnoverConditionDlg again(*m_env, m_prompt, before);
        QCOMPARE(dateOf(again.startYearField(), again.startMonthField(), again.startDayField()),
                 (QStringList{"2026", "3", "15"}));
        QCOMPARE(dateOf(again.endYearField(), again.endMonthField(), again.endDayField()),
                 (QStringList{"2026", "4", "20"}));
        QCOMPARE(again.codeField()->text(), QStringLiteral("1002"));
        QVERIFY(again.allLevelsButton()->isChecked());
        QVERIFY(m_prompt.entries().empty());
    }

    void theTurnoverDialogRefusesInTheOrderOfItsChecksAndFocusesTheField()
    {
        CTurnoverConditionDlg dialog(*m_env, m_prompt, TurnoverConditions{});
        showActive(dialog);
        struct Case {
            QStringList start; // year, month, day
            QStringList end;
            const char* code;
            QString message;
            CSpecEdit* field;
        };
        const QStringList year = {"2026", "3", "15"};
        const QStringList april = {"2026", "4", "20"};
        const Case cases[] = {
            // Everything wrong: the start year is told first.
            {{"1989", "0", "32"}, {"", "13", "31"}, "1001", QStringLiteral("起始年度不合理，请重输！"),
             dialog.startYearField()},
            {{"2026", "0", "32"}, {"", "13", "31"}, "1001", QStringLiteral("起始月份不合理，请重输！"),
             dialog.startMonthField()},
            {{"2026", "3", "32"}, {"", "13", "31"}, "1001", QStringLiteral("起始日不合理，请重输！"),
             dialog.startDayField()},
            {{"2026", "2", "29"}, april, "", QStringLiteral("起始日不合理，请重输！"), dialog.startDayField()},
            {year, {"", "13", "31"}, "1001", QStringLiteral("终止年度不合理，请重输！"), dialog.endYearField()},
            {year, {"2026", "13", "31"}, "1001", QStringLiteral("终止月份不合理，请重输！"), dialog.endMonthField()},
            {year, {"2026", "4", "31"}, "1001", QStringLiteral("终止日不合理，请重输！"), dialog.endDayField()},
            {{"2025", "12", "31"}, april, "1001", QStringLiteral("输入时间已不在当前会计年度内，请重输！"),
             dialog.startYearField()},
            // Only the end lies outside the year: the focus goes to the end.
            {year, {"2027", "1", "1"}, "", QStringLiteral("输入时间已不在当前会计年度内，请重输！"),
             dialog.endYearField()},
            {{"2026", "4", "21"}, april, "1001", QStringLiteral("起始时间大于终止时间，请重输！"),
             dialog.startYearField()},
            {year, april, "1001", QStringLiteral("该会计科目不存在或没有子科目，请重输！"), dialog.codeField()},
            {year, april, "1002-1", QStringLiteral("该会计科目不存在或没有子科目，请重输！"), dialog.codeField()},
        };
        QStringList expected;
        for (const Case& c : cases) {
            dialog.startYearField()->setText(c.start[0]);
            dialog.startMonthField()->setText(c.start[1]);
            dialog.startDayField()->setText(c.start[2]);
            dialog.endYearField()->setText(c.end[0]);
            dialog.endMonthField()->setText(c.end[1]);
            dialog.endDayField()->setText(c.end[2]);
            dialog.codeField()->setText(QString::fromUtf8(c.code));
            QTest::mouseClick(dialog.confirmButton(), Qt::LeftButton);
            expected << c.message;
            QCOMPARE(texts(m_prompt), expected);
            QCOMPARE(m_prompt.entries().back().caption, std::string("岚屿穗软件"));
            QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(c.field));
            QVERIFY(dialog.isVisible());
        }
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
    }

    void theTurnoverDialogTakesTheSpanWithItsAccountingMonthsAndTheMode()
    {
        closeMonthsOn(25);
        CTurnoverConditionDlg dialog(*m_env, m_prompt, TurnoverConditions{});
        showActive(dialog);
        dialog.startMonthField()->setText(QStringLiteral("3"));
        dialog.startDayField()->setText(QStringLiteral("26"));
        dialog.endMonthField()->setText(QStringLiteral("4"));
        dialog.endDayField()->setText(QStringLiteral("25"));
        dialog.codeField()->setText(QStringLiteral("1002"));
        QTest::mouseClick(dialog.allLevelsButton(), Qt::LeftButton);
        QTest::keyClick(dialog.codeField(), Qt::Key_Return);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        const TurnoverConditions& chosen = dialog.conditions();
        QCOMPARE(chosen.startDate, std::string("20260326"));
        QCOMPARE(chosen.endDate, std::string("20260425"));
        // 26 March opens the fourth accounting month; 25 April closes it.
        QCOMPARE(chosen.startMonth, 4);
        QCOMPARE(chosen.endMonth, 4);
        QCOMPARE(chosen.parent, std::string("1002"));
        QVERIFY(chosen.listing == TurnoverListing::AllLevels);
        QVERIFY(m_prompt.entries().empty());

        // One day, the top level, the next level only.
        CTurnoverConditionDlg one(*m_env, m_prompt, chosen);
        one.codeField()->clear();
        one.nextLevelButton()->setChecked(true);
        one.startMonthField()->setText(QStringLiteral("12"));
        one.startDayField()->setText(QStringLiteral("31"));
        one.endMonthField()->setText(QStringLiteral("12"));
        one.endDayField()->setText(QStringLiteral("31"));
        one.confirm();
        QCOMPARE(one.result(), int(QDialog::Accepted));
        QCOMPARE(one.conditions().startDate, std::string("20261231"));
        QCOMPARE(one.conditions().startMonth, 12);
        QCOMPARE(one.conditions().endMonth, 12);
        QCOMPARE(one.conditions().parent, std::string());
        QVERIFY(one.conditions().listing == TurnoverListing::NextLevel);
    }

    void theTurnoverDialogsBrowseAndCancel()
    {
        CTurnoverConditionDlg dialog(*m_env, m_prompt, TurnoverConditions{});
        showActive(dialog);
        {
            ModalCloser closer;
            closer.actOn<CSubjectQueryDlg>([](CSubjectQueryDlg& lookup) {
                lookup.showCode(QStringLiteral("1002"));
                lookup.choose();
            });
            dialog.browse();
        }
        QCOMPARE(dialog.codeField()->text(), QStringLiteral("1002"));
        // Back in the dialog, the code field has the focus.
        QCOMPARE(dialog.focusWidget(), static_cast<QWidget*>(dialog.codeField()));
        const QString folder = qEnvironmentVariable("KSZW_SCREENSHOT_DIR");
        if (!folder.isEmpty())
            dialog.grab().save(folder + QStringLiteral("/turnover_conditions.png"));
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QVERIFY(!dialog.isVisible());
        QVERIFY(m_prompt.entries().empty());
    }
};

QTEST_MAIN(ConditionDialogsTest)
#include "condition_dialogs_test.moc"
