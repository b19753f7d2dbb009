// The exchange-rate dialog and the rate edit dialog: opening without currencies, the two lists and
// their keys, the picture of the active list, modifying a rate without losing its decimals,
// deleting with the selection moving up, and the add loop at today's date.
#include "accountset/year_file.h"
#include "chart/currencies.h"
#include "chart/exchange_rates.h"
#include "chart/subjects.h"
#include "chart/ui/rate_dialogs.h"
#include "common/clock.h"
#include "common/prompt.h"
#include "formview/ui/spec_edit.h"
#include "session/kszw_env.h"
#include "store/database.h"

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace kszw;

namespace {

QStringList listLines(const QListWidget* list)
{
    QStringList lines;
    for (int i = 0; i < list->count(); ++i)
        lines << list->item(i)->text();
    return lines;
}

QStringList texts(const ScriptedPrompt& prompt)
{
    QStringList result;
    for (const std::string& text : prompt.texts())
        result << QString::fromStdString(text);
    return result;
}

// True when the picture's pixel is of the arrow (blue), not of its background.
bool isArrow(const QImage& picture, int x, int y)
{
    const QRgb pixel = picture.pixel(x, y);
    return qBlue(pixel) > 150 && qRed(pixel) < 100;
}

QStringList fields(const CRateEditDlg& dialog)
{
    return {dialog.yearField()->text(), dialog.monthField()->text(), dialog.dayField()->text(),
            dialog.foreignField()->text(), dialog.localField()->text()};
}

} // namespace

class RateDialogsTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<CKszwEnv> m_env;
    FixedClock m_clock{CivilDate{2026, 5, 7}};

    Database& db() { return m_env->db(); }

    std::optional<double> stored(const char* column, const char* date)
    {
        return db().queryDouble(std::string("SELECT ") + column + " FROM WBR WHERE WNO='1' AND T=?1", {std::string(date)});
    }

    static void showActive(QDialog& dialog)
    {
        dialog.show();
        dialog.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
    }

    // A year file with a gain/loss subject and, unless bare, two currencies and three rates of the first.
    void openFile(bool bare)
    {
        const std::string path = (m_dir->path() + QStringLiteral("/2026.ksk")).toStdString();
        createYearFile(path, 2026);
        {
            Database file = Database::open(path);
            SubjectInput input;
            input.segment = "6603";
            input.name = "汇兑损益";
            QVERIFY(addSubject(file, "", input).ok);
            if (!bare) {
                QVERIFY(addCurrency(file, {"1", "美元", "6603"}).ok);
                QVERIFY(addCurrency(file, {"2", "港币", "6603"}).ok);
                const RateYear year{"20260101", "20261231"};
                QVERIFY(addRate(file, year, "1", {"2026", "01", "05", "1", "6.832512"}).ok);
                QVERIFY(addRate(file, year, "1", {"2026", "02", "01", "100", "690"}).ok);
                QVERIFY(addRate(file, year, "1", {"2026", "03", "01", "100", "700.5"}).ok);
            }
        }
        m_env = std::make_unique<CKszwEnv>();
        SilentPrompt silent;
        QCOMPARE(m_env->openFile(path, "102", silent), kLoginOk);
    }

private slots:
    void init() { m_dir = std::make_unique<QTemporaryDir>(); }

    void cleanup()
    {
        m_env.reset();
        m_dir.reset();
    }

    void withoutCurrenciesTheDialogSaysSoAndDoesNotOpen()
    {
        openFile(true);
        ScriptedPrompt prompt;
        QVERIFY(!CRateDlg::openRates(*m_env, prompt, m_clock, nullptr));
        QCOMPARE(texts(prompt), QStringList{QStringLiteral("本年度尚未设置外币目录，不能设置汇率！")});
        QCOMPARE(prompt.entries().front().icon, Icon::Exclamation);

        // Shown directly, it closes again at once.
        prompt.clear();
        CRateDlg dialog(*m_env, prompt, m_clock);
        dialog.show();
        QCoreApplication::processEvents();
        QVERIFY(!dialog.isVisible());
        QCOMPARE(texts(prompt), QStringList{QStringLiteral("本年度尚未设置外币目录，不能设置汇率！")});
    }

    void openingSelectsTheFirstCurrencyWithAllItsRatesAndTheLatest()
    {
        openFile(false);
        ScriptedPrompt prompt;
        CRateDlg dialog(*m_env, prompt, m_clock);
        QVERIFY(dialog.fillOnOpening());
        QCOMPARE(listLines(dialog.currencyList()), (QStringList{"   1  美元", "   2  港币"}));
        QCOMPARE(dialog.selectedCurrency(), QStringLiteral("1"));
        // Every rate of the currency, amounts with two decimals.
        QCOMPARE(listLines(dialog.rateList()), (QStringList{"20260105        1.00      6.83",
                                                            "20260201      100.00    690.00",
                                                            "20260301      100.00    700.50"}));
        QCOMPARE(dialog.selectedDate(), QStringLiteral("20260301"));
        QCOMPARE(dialog.activeList(), CRateDlg::CurrencyList);

        // Choosing another currency shows its rates (none), and back again its latest.
        dialog.currencyList()->setCurrentRow(1);
        QCOMPARE(dialog.rateList()->count(), 0);
        QCOMPARE(dialog.selectedDate(), QString());
        dialog.currencyList()->setCurrentRow(0);
        QCOMPARE(dialog.selectedDate(), QStringLiteral("20260301"));
        QVERIFY(prompt.entries().empty());
    }

    void theArrowKeysSwitchTheListsAndThePictureShowsWhichIsActive()
    {
        openFile(false);
        ScriptedPrompt prompt;
        CRateDlg dialog(*m_env, prompt, m_clock);
        QVERIFY(dialog.fillOnOpening());
        showActive(dialog);
        const QImage currencyPicture = dialog.activePicture()->grab().toImage();
        QCOMPARE(dialog.activePicture()->size(), QSize(32, 32));

        QTest::keyClick(dialog.currencyList(), Qt::Key_Right);
        QCOMPARE(dialog.activeList(), CRateDlg::RateList);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(dialog.rateList()));
        const QImage ratePicture = dialog.activePicture()->grab().toImage();
        QVERIFY(ratePicture != currencyPicture);
        // The arrow's head points at the active list: left at the currencies, right at the rates.
        QVERIFY(isArrow(currencyPicture, 13, 9) && !isArrow(currencyPicture, 18, 9));
        QVERIFY(isArrow(ratePicture, 18, 9) && !isArrow(ratePicture, 13, 9));

        QTest::keyClick(dialog.rateList(), Qt::Key_Left);
        QCOMPARE(dialog.activeList(), CRateDlg::CurrencyList);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(dialog.currencyList()));
        QCOMPARE(dialog.activePicture()->grab().toImage(), currencyPicture);

        // ↓ chooses the next currency; without rates → stays, Enter goes over all the same.
        QTest::keyClick(dialog.currencyList(), Qt::Key_Down);
        QCOMPARE(dialog.selectedCurrency(), QStringLiteral("2"));
        QTest::keyClick(dialog.currencyList(), Qt::Key_Right);
        QCOMPARE(dialog.activeList(), CRateDlg::CurrencyList);
        QTest::keyClick(dialog.currencyList(), Qt::Key_Return);
        QCOMPARE(dialog.activeList(), CRateDlg::RateList);
        // Enter on an empty rate list: nothing to modify.
        QTest::keyClick(dialog.rateList(), Qt::Key_Return);
        QCOMPARE(texts(prompt), QStringList{QStringLiteral("无可修改内容，请先设置！")});

        // The column buttons only move the focus.
        dialog.currencyColumnButton()->click();
        QCOMPARE(dialog.activeList(), CRateDlg::CurrencyList);
        dialog.dateColumnButton()->click();
        QCOMPARE(dialog.activeList(), CRateDlg::RateList);
        QVERIFY(dialog.isVisible());
    }

    void anUnchangedRateKeepsItsSixDecimals()
    {
        openFile(false);
        ScriptedPrompt prompt;
        CRateDlg dialog(*m_env, prompt, m_clock);
        QVERIFY(dialog.fillOnOpening());
        QStringList shown;
        QString title;
        dialog.runEditDialog = [&](CRateEditDlg& edit) {
            title = edit.windowTitle();
            shown = fields(edit);
            shown << edit.currencyLabel()->text();
            edit.confirm();
            return edit.result();
        };
        dialog.rateList()->setCurrentRow(0);
        QTest::keyClick(dialog.rateList(), Qt::Key_Return);
        QCOMPARE(title, QStringLiteral("请设置、修改外币汇率"));
        QCOMPARE(shown, (QStringList{"2026", "01", "05", "1.00", "6.832512", "币种：1  美元"}));
        QCOMPARE(stored("MY2", "20260105"), std::optional<double>(6.832512));
        QCOMPARE(dialog.selectedDate(), QStringLiteral("20260105"));
        QVERIFY(prompt.entries().empty());

        // A changed date moves the rate; its line is selected.
        dialog.runEditDialog = [&](CRateEditDlg& edit) {
            edit.dayField()->setText(QStringLiteral("10"));
            edit.confirm();
            return edit.result();
        };
        QTest::keyClick(dialog.rateList(), Qt::Key_Return);
        QCOMPARE(dialog.selectedDate(), QStringLiteral("20260110"));
        QCOMPARE(stored("MY2", "20260110"), std::optional<double>(6.832512));
    }

    void deletingSelectsTheLineAboveOrTheNewFirstWithoutAQuestion()
    {
        openFile(false);
        ScriptedPrompt prompt;
        CRateDlg dialog(*m_env, prompt, m_clock);
        QVERIFY(dialog.fillOnOpening());
        QListWidget* rates = dialog.rateList();

        rates->setCurrentRow(2);
        QTest::keyClick(rates, Qt::Key_Delete);
        QCOMPARE(listLines(rates), (QStringList{"20260105        1.00      6.83", "20260201      100.00    690.00"}));
        QCOMPARE(dialog.selectedDate(), QStringLiteral("20260201"));

        rates->setCurrentRow(0);
        QTest::keyClick(rates, Qt::Key_Delete);
        QCOMPARE(listLines(rates), QStringList{"20260201      100.00    690.00"});
        QCOMPARE(dialog.selectedDate(), QStringLiteral("20260201"));

        QTest::keyClick(rates, Qt::Key_Delete);
        QCOMPARE(rates->count(), 0);
        QCOMPARE(db().queryLong("SELECT count(*) FROM WBR"), 0);
        QVERIFY(prompt.entries().empty());
    }

    void theAddLoopStartsAtTodayAndSelectsEachNewRate()
    {
        openFile(false);
        ScriptedPrompt prompt;
        CRateDlg dialog(*m_env, prompt, m_clock);
        QVERIFY(dialog.fillOnOpening());
        QList<QStringList> starts;
        QStringList refusals;
        int calls = 0;
        dialog.runEditDialog = [&](CRateEditDlg& edit) {
            starts << fields(edit);
            switch (++calls) {
            case 1:
                edit.foreignField()->typeText(QStringLiteral("1"));
                edit.localField()->typeText(QStringLiteral("7.1"));
                edit.confirm();
                return edit.result();
            case 2:
                // 29 February 2026 is no day; then the 8th of May.
                edit.monthField()->setText(QStringLiteral("2"));
                edit.dayField()->setText(QStringLiteral("29"));
                edit.foreignField()->setText(QStringLiteral("1"));
                edit.localField()->setText(QStringLiteral("7.2"));
                edit.confirm();
                refusals = texts(prompt);
                edit.monthField()->setText(QStringLiteral("5"));
                edit.dayField()->setText(QStringLiteral("8"));
                edit.confirm();
                return edit.result();
            default: return int(QDialog::Rejected);
            }
        };
        dialog.addButton()->click();
        QCOMPARE(calls, 3);
        const QStringList today{"2026", "05", "07", "", ""};
        QCOMPARE(starts, (QList<QStringList>{today, today, today}));
        QCOMPARE(refusals, QStringList{QStringLiteral("设置的日期不合理，输入一数!")});
        QCOMPARE(listLines(dialog.rateList()).mid(3), (QStringList{"20260507        1.00      7.10",
                                                                  "20260508        1.00      7.20"}));
        QCOMPARE(dialog.selectedDate(), QStringLiteral("20260508"));
        QCOMPARE(dialog.activeList(), CRateDlg::RateList);

        // A currency without rates, nothing added: the focus goes back to the currencies.
        dialog.currencyList()->setCurrentRow(1);
        dialog.addButton()->click();
        QCOMPARE(dialog.activeList(), CRateDlg::CurrencyList);
    }

    void theRateEditDialogMovesOnWithEnterAndRefusesADayAfterTheYear()
    {
        openFile(false);
        ScriptedPrompt prompt;
        CRateEditDlg dialog(*m_env, prompt, CRateEditDlg::Mode::Add, {"2", "港币"}, newRateInput({2026, 12, 31}));
        showActive(dialog);
        // A new rate keeps today's date as a rule: the focus starts on the foreign amount.
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(dialog.foreignField()));
        dialog.yearField()->setFocus();
        CSpecEdit* const order[] = {dialog.yearField(), dialog.monthField(), dialog.dayField(), dialog.foreignField(),
                                    dialog.localField()};
        for (size_t i = 0; i + 1 < std::size(order); ++i) {
            QTest::keyClick(order[i], Qt::Key_Return);
            QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(order[i + 1]));
        }
        // The amounts take two decimals as typed.
        QTest::keyClicks(dialog.foreignField(), QStringLiteral("1.2345"));
        QCOMPARE(dialog.foreignField()->text(), QStringLiteral("1.23"));
        QTest::keyClicks(dialog.localField(), QStringLiteral("0.92"));
        QTest::keyClick(dialog.localField(), Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(dialog.confirmButton()));
        QVERIFY(dialog.confirmButton()->isDefault());

        // The day after the year's end.
        dialog.yearField()->setText(QStringLiteral("2027"));
        dialog.monthField()->setText(QStringLiteral("1"));
        dialog.dayField()->setText(QStringLiteral("1"));
        QTest::keyClick(dialog.confirmButton(), Qt::Key_Return);
        QCOMPARE(texts(prompt), QStringList{QStringLiteral("所设置的时间已不在本年度的\r年初日与年末日之间，请重输!")});
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(dialog.yearField()));
        QVERIFY(dialog.isVisible());
        QCOMPARE(db().queryLong("SELECT count(*) FROM WBR WHERE WNO='2'"), 0);

        dialog.yearField()->setText(QStringLiteral("2026"));
        dialog.monthField()->setText(QStringLiteral("12"));
        dialog.dayField()->setText(QStringLiteral("31"));
        dialog.confirm();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.savedDate(), QStringLiteral("20261231"));
        QCOMPARE(db().queryLong("SELECT count(*) FROM WBR WHERE WNO='2' AND T='20261231' AND MY1=1.23"), 1);
    }
};

QTEST_MAIN(RateDialogsTest)
#include "rate_dialogs_test.moc"
