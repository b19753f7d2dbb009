// The period dialog of the ledgers on an offscreen screen: its fields start from the period, the
// months are refused with the exact stop messages and the focus goes back to the month concerned,
// an accepted span gives its codes and title, Enter goes from field to field, and cancelling gives
// nothing. With KSZW_SCREENSHOT_DIR=folder the dialog is saved there as period_dialog.png.
#include "common/prompt.h"
#include "formview/ui/spec_edit.h"
#include "formview/ui/modal_closer.h"
#include "ledger/ui/period_dialog.h"

#include <QLabel>
#include <QPushButton>
#include <QtTest>

using namespace kszw;

class PeriodDialogTest : public QObject {
    Q_OBJECT

private:
    static void showActive(QDialog& dialog)
    {
        dialog.show();
        dialog.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
    }

    static const LedgerPeriod kWholeYear;

private slots:
    void initTestCase()
    {
        QFont::insertSubstitutions(QStringLiteral("宋体"), {QStringLiteral("AR PL UMing CN"),
                                                            QStringLiteral("Noto Sans CJK SC")});
    }

    void theFieldsStartFromThePeriodAndTheYearIsShown()
    {
        ScriptedPrompt prompt;
        CPeriodDlg dialog(LedgerPeriod{2026, 3, 7}, prompt);
        showActive(dialog);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("请输入时间段"));
        QCOMPARE(dialog.yearLabel()->text(), QStringLiteral("2026 年"));
        QCOMPARE(dialog.startField()->text(), QStringLiteral("3"));
        QCOMPARE(dialog.endField()->text(), QStringLiteral("7"));
        QCOMPARE(dialog.startField()->inputSpec(), QStringLiteral("NUMBER 1 12"));
        QCOMPARE(dialog.endField()->inputSpec(), QStringLiteral("NUMBER 1 12"));
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(dialog.startField()));
        QCOMPARE(dialog.confirmButton()->text(), QStringLiteral("&S.确认"));

        const QString folder = qEnvironmentVariable("KSZW_SCREENSHOT_DIR");
        if (!folder.isEmpty())
            dialog.grab().save(folder + QStringLiteral("/period_dialog.png"));
    }

    void wrongMonthsAreRefusedWithAStopBoxAndTheirFieldFocused_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("end");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("endFocused");
        const QString startRefused = QStringLiteral("起始月不合理，输入一数!");
        const QString endRefused = QStringLiteral("终止月不合理，输入一数!");
        QTest::newRow("no start month") << "" << "12" << startRefused << false;
        QTest::newRow("start month 0") << "0" << "12" << startRefused << false;
        QTest::newRow("start month 13") << "13" << "12" << startRefused << false;
        QTest::newRow("start checked first") << "0" << "0" << startRefused << false;
        QTest::newRow("no end month") << "3" << "" << endRefused << true;
        QTest::newRow("end month 13") << "3" << "13" << endRefused << true;
        QTest::newRow("end before start") << "5" << "4" << endRefused << true;
    }

    void wrongMonthsAreRefusedWithAStopBoxAndTheirFieldFocused()
    {
        QFETCH(QString, start);
        QFETCH(QString, end);
        QFETCH(QString, message);
        QFETCH(bool, endFocused);
        ScriptedPrompt prompt;
        CPeriodDlg dialog(kWholeYear, prompt);
        showActive(dialog);
        dialog.startField()->setText(start);
        dialog.endField()->setText(end);
        // The focus is elsewhere when the user confirms with the button.
        dialog.confirmButton()->setFocus();
        QTest::mouseClick(dialog.confirmButton(), Qt::LeftButton);

        QCOMPARE(prompt.entries().size(), size_t(1));
        QCOMPARE(QString::fromStdString(prompt.entries()[0].text), message);
        QCOMPARE(prompt.entries()[0].icon, Icon::Stop);
        QCOMPARE(prompt.entries()[0].caption, std::string("岚屿穗软件"));
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QWidget* expected = endFocused ? static_cast<QWidget*>(dialog.endField()) : dialog.startField();
        QCOMPARE(QApplication::focusWidget(), expected);
        QCOMPARE(dialog.period(), kWholeYear); // nothing taken
    }

    void anAcceptedSpanGivesItsCodesAndTitle_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("end");
        QTest::addColumn<QString>("startCode");
        QTest::addColumn<QString>("endCode");
        QTest::addColumn<QString>("title");
        QTest::newRow("two months") << "3" << "5" << "202603" << "202605" << QStringLiteral("2026 年  3 月 至  5 月");
        QTest::newRow("one month") << "11" << "11" << "202611" << "202611" << QStringLiteral("2026 年 11 月");
        QTest::newRow("leading zero") << "01" << "12" << "202601" << "202612"
                                      << QStringLiteral("2026 年  1 月 至 12 月");
    }

    void anAcceptedSpanGivesItsCodesAndTitle()
    {
        QFETCH(QString, start);
        QFETCH(QString, end);
        QFETCH(QString, startCode);
        QFETCH(QString, endCode);
        QFETCH(QString, title);
        ScriptedPrompt prompt;
        CPeriodDlg dialog(kWholeYear, prompt);
        showActive(dialog);
        dialog.startField()->setText(start);
        dialog.endField()->setText(end);
        QTest::mouseClick(dialog.confirmButton(), Qt::LeftButton);

        QVERIFY(prompt.entries().empty());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(QString::fromStdString(dialog.period().startCode()), startCode);
        QCOMPARE(QString::fromStdString(dialog.period().endCode()), endCode);
        QCOMPARE(QString::fromStdString(dialog.period().title()), title);
        QCOMPARE(dialog.period().year, 2026);
    }

    void enterGoesFromTheStartToTheEndAndThenConfirms()
    {
        ScriptedPrompt prompt;
        CPeriodDlg dialog(kWholeYear, prompt);
        showActive(dialog);
        // Typing replaces the selected month; a letter does not go in.
        QTest::keyClicks(dialog.startField(), QStringLiteral("4a"));
        QCOMPARE(dialog.startField()->text(), QStringLiteral("4"));
        QTest::keyClick(dialog.startField(), Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(dialog.endField()));
        QTest::keyClicks(dialog.endField(), QStringLiteral("6"));
        QTest::keyClick(dialog.endField(), Qt::Key_Return);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.period(), (LedgerPeriod{2026, 4, 6}));
    }

    void askPeriodGivesTheConfirmedSpanAndNothingWhenCancelled()
    {
        ScriptedPrompt prompt;
        {
            ModalCloser closer;
            closer.actOn<CPeriodDlg>([](CPeriodDlg& dialog) {
                dialog.startField()->setText(QStringLiteral("2"));
                dialog.endField()->setText(QStringLiteral("9"));
                dialog.confirm();
            });
            QCOMPARE(CPeriodDlg::askPeriod(kWholeYear, prompt), std::optional<LedgerPeriod>(LedgerPeriod{2026, 2, 9}));
        }
        {
            ModalCloser closer; // Escape: closed without a choice
            QCOMPARE(CPeriodDlg::askPeriod(kWholeYear, prompt), std::nullopt);
            QCOMPARE(closer.classNames(), QStringList{QStringLiteral("kszw::CPeriodDlg")});
        }
    }

    void periodCodesReadBackIntoAPeriod()
    {
        QCOMPARE(periodFromCodes("202601", "202612"), std::optional<LedgerPeriod>(LedgerPeriod{2026, 1, 12}));
        QCOMPARE(periodFromCodes("202604", "202604"), std::optional<LedgerPeriod>(LedgerPeriod{2026, 4, 4}));
        QCOMPARE(periodFromCodes("2026", "202612"), std::nullopt);
        QCOMPARE(periodFromCodes("2026a1", "202612"), std::nullopt);
    }
};

const LedgerPeriod PeriodDialogTest::kWholeYear{2026, 1, 12};

QTEST_MAIN(PeriodDialogTest)
#include "period_dialog_test.moc"
