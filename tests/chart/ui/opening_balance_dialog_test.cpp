// The opening balances (科目期初余额调整) and the two balance dialogs: each level's lines and
// totals, going down with Enter and back up with Esc, what the balance dialogs write to P0, and
// the quantity dialog's arithmetic as fields lose the focus.
#include "accountset/year_file.h"
#include "chart/opening_balances.h"
#include "chart/subjects.h"
#include "chart/ui/balance_dialogs.h"
#include "chart/ui/opening_balance_dialog.h"
#include "common/prompt.h"
#include "formview/ui/spec_edit.h"
#include "store/database.h"

#include <QHeaderView>
#include <QLabel>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

#include <memory>

using namespace kszw;

namespace {

// The list's lines, each as its four cells joined by "|".
QStringList rows(const QTreeWidget* list)
{
    QStringList lines;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = list->topLevelItem(i);
        lines << item->text(0) + QLatin1Char('|') + item->text(1) + QLatin1Char('|') + item->text(2) + QLatin1Char('|')
                     + item->text(3);
    }
    return lines;
}

QStringList totals(const COpeningBalanceDlg& dialog)
{
    return {dialog.debitTotalLabel()->text(), dialog.creditTotalLabel()->text(), dialog.differenceLabel()->text()};
}

} // namespace

class OpeningBalanceDialogTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    Database m_db;

    Database makeYear(const QString& name)
    {
        const std::string path = (m_dir->path() + QLatin1Char('/') + name).toStdString();
        createYearFile(path, 2026);
        return Database::open(path);
    }

    // The opening row of a leaf as "f my nu", or "none".
    QString openingRow(const char* code)
    {
        const std::optional<OpeningBalance> row = openingBalance(m_db, code);
        if (!row)
            return QStringLiteral("none");
        return QStringLiteral("%1 %2 %3").arg(row->direction).arg(row->amount, 0, 'f', 2).arg(row->quantity, 0, 'f', 4);
    }

    void select(COpeningBalanceDlg& dialog, const QString& code)
    {
        for (int i = 0; i < dialog.balanceList()->topLevelItemCount(); ++i)
            if (dialog.balanceList()->topLevelItem(i)->text(0) == code)
                dialog.balanceList()->setCurrentItem(dialog.balanceList()->topLevelItem(i));
        QCOMPARE(dialog.selectedCode(), code);
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_db = makeYear(QStringLiteral("2026.ksk"));
        m_db.execute("INSERT INTO WBT(WNO,NA,HO) VALUES('1','美元',NULL)");
        struct Subject {
            const char* code;
            const char* name;
            int kind;
            const char* unit;
        };
        const Subject chart[] = {
            {"1001", "库存现金", 0, ""},  {"1002", "银行存款", 0, ""},       {"1002-1", "工商银行", 0, ""},
            {"1002-2", "中行美元户", 2, "1"}, {"1122", "应收账款", 0, ""},       {"1122-1", "甲厂", 0, ""},
            {"1122-2", "乙厂", 0, ""},    {"1403", "原材料", 1, "吨"},     {"2202", "应付账款", 0, ""},
        };
        for (const Subject& s : chart) {
            const std::string code = s.code;
            const size_t dash = code.rfind('-');
            SubjectInput input;
            input.segment = dash == std::string::npos ? code : code.substr(dash + 1);
            input.name = s.name;
            input.kind = s.kind;
            input.unit = s.unit;
            const SubjectResult result = addSubject(m_db, dash == std::string::npos ? "" : code.substr(0, dash), input);
            QVERIFY2(result.ok, result.message.c_str());
        }
        const std::pair<const char*, OpeningBalance> balances[] = {
            {"1001", {1, 5230.5, 0}},  {"1002-1", {1, 186000, 0}}, {"1122-1", {1, 100, 0}},
            {"1122-2", {-1, 30, 0}},   {"1403", {1, 10000, 3000}}, {"2202", {-1, 191300.5, 0}},
        };
        for (const auto& [code, balance] : balances)
            QVERIFY(!setOpeningBalance(m_db, code, balance));
    }

    void cleanup()
    {
        m_db.close();
        m_dir.reset();
    }

    void eachSubjectShowsItsSubtreeBalanceAndTheLevelItsTotals()
    {
        ScriptedPrompt prompt;
        COpeningBalanceDlg dialog(m_db, prompt);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("科目期初余额调整"));
        const QTreeWidgetItem* head = dialog.balanceList()->headerItem();
        QCOMPARE(head->text(0), QStringLiteral(" 科目代码"));
        QCOMPARE(head->text(1), QStringLiteral("    科  目  名  称"));
        QCOMPARE(head->text(2), QStringLiteral("借或贷"));
        QCOMPARE(head->text(3), QStringLiteral("金 额 余 额"));
        QCOMPARE(dialog.balanceList()->columnWidth(0), 140);
        QCOMPARE(dialog.balanceList()->columnWidth(3), 140);
        QCOMPARE(rows(dialog.balanceList()), (QStringList{
                                                 "1001|库存现金|借|5230.50",
                                                 "1002|银行存款|借|186000.00",
                                                 "1122|应收账款|借|70.00",
                                                 "1403|原材料|借|10000.00",
                                                 "2202|应付账款|贷|191300.50",
                                             }));
        QCOMPARE(totals(dialog), (QStringList{"201300.50", "191300.50", "10000.00"}));
        QCOMPARE(dialog.balanceList()->topLevelItem(0)->textAlignment(3), int(Qt::AlignRight | Qt::AlignVCenter));
        QCOMPARE(dialog.balanceList()->topLevelItem(0)->textAlignment(2), int(Qt::AlignCenter));
        QCOMPARE(dialog.selectedCode(), QStringLiteral("1001"));
    }

    void enterGoesDownIntoAParentAndEscapeComesBackUp()
    {
        ScriptedPrompt prompt;
        COpeningBalanceDlg dialog(m_db, prompt);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        select(dialog, QStringLiteral("1122"));
        QTest::keyClick(dialog.balanceList(), Qt::Key_Return);
        QCOMPARE(dialog.levelCode(), QStringLiteral("1122"));
        QCOMPARE(rows(dialog.balanceList()), (QStringList{"1122-1|甲厂|借|100.00", "1122-2|乙厂|贷|30.00"}));
        QCOMPARE(totals(dialog), (QStringList{"100.00", "30.00", "70.00"}));
        QCOMPARE(dialog.levelLabel()->text(), QStringLiteral("上级科目：1122 应收账款"));

        QTest::keyClick(dialog.balanceList(), Qt::Key_Escape);
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.levelCode(), QString());
        QCOMPARE(dialog.selectedCode(), QStringLiteral("1122"));
        QCOMPARE(totals(dialog), (QStringList{"201300.50", "191300.50", "10000.00"}));

        QTest::keyClick(dialog.balanceList(), Qt::Key_Escape);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QVERIFY(prompt.entries().empty());
    }

    void thePlainDialogReplacesTheLeafsRow()
    {
        ScriptedPrompt prompt;
        COpeningBalanceDlg dialog(m_db, prompt);
        struct Entry {
            bool credit;
            QString amount;
        };
        Entry entry{true, QStringLiteral("100")};
        QString shownAmount;
        bool shownDebit = false;
        dialog.runBalanceDialog = [&](QDialog& opened) {
            auto* balance = qobject_cast<CBalanceDlg*>(&opened);
            if (!balance)
                return int(QDialog::Rejected);
            shownAmount = balance->amountField()->text();
            shownDebit = balance->debitButton()->isChecked();
            (entry.credit ? balance->creditButton() : balance->debitButton())->setChecked(true);
            balance->amountField()->setText(entry.amount);
            balance->confirm();
            return balance->result();
        };
        dialog.showLevel(QStringLiteral("1122"), QStringLiteral("1122-1"));
        QTest::keyClick(dialog.balanceList(), Qt::Key_Return);
        QCOMPARE(shownAmount, QStringLiteral("100.00"));
        QVERIFY(shownDebit);
        QCOMPARE(openingRow("1122-1"), QStringLiteral("-1 100.00 0.0000"));
        QCOMPARE(rows(dialog.balanceList()), (QStringList{"1122-1|甲厂|贷|100.00", "1122-2|乙厂|贷|30.00"}));
        QCOMPARE(totals(dialog), (QStringList{"0.00", "130.00", "-130.00"}));
        QCOMPARE(dialog.selectedCode(), QStringLiteral("1122-1"));

        // 0 leaves no row: the line shows 平.
        entry = {false, QStringLiteral("0")};
        dialog.openSelected();
        QCOMPARE(openingRow("1122-1"), QStringLiteral("none"));
        QCOMPARE(rows(dialog.balanceList()).first(), QStringLiteral("1122-1|甲厂|平|0.00"));
        QVERIFY(prompt.entries().empty());
    }

    void aNegativeAmountIsRefusedAndTheDialogStays()
    {
        ScriptedPrompt prompt;
        CBalanceDlg balance(m_db, prompt, QStringLiteral("1001"));
        balance.amountField()->setText(QStringLiteral("-5"));
        balance.confirm();
        QCOMPARE(QString::fromStdString(prompt.last()), QStringLiteral("期初余额不能为负数，请用借贷方向表示余额的方向!"));
        QCOMPARE(balance.result(), int(QDialog::Rejected));
        QCOMPARE(openingRow("1001"), QStringLiteral("1 5230.50 0.0000"));
        // The amount takes two decimals and twelve digits before the point.
        balance.amountField()->clear();
        QTest::keyClicks(balance.amountField(), QStringLiteral("1234567890123.456"));
        QCOMPARE(balance.amountField()->text(), QStringLiteral("123456789012.45"));
    }

    void theQuantityAndCurrencyDialogsNameTheirFields_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QStringList>("labels");
        QTest::addColumn<QString>("subject");
        QTest::newRow("quantity") << "1403" << QStringList{"数  量", "单  价", "金  额"} << "帐户：1403 原材料";
        QTest::newRow("currency") << "1002-2" << QStringList{"外  币", "汇  率", "本位币"} << "帐户：1002-2 中行美元户";
    }

    void theQuantityAndCurrencyDialogsNameTheirFields()
    {
        QFETCH(QString, code);
        QFETCH(QStringList, labels);
        QFETCH(QString, subject);
        ScriptedPrompt prompt;
        COpeningBalanceDlg dialog(m_db, prompt);
        QString opened;
        dialog.runBalanceDialog = [&](QDialog& shown) {
            if (auto* quantity = qobject_cast<CQuantityBalanceDlg*>(&shown))
                opened = quantity->fieldLabel(0) + QLatin1Char(',') + quantity->fieldLabel(1) + QLatin1Char(',')
                         + quantity->fieldLabel(2) + QLatin1Char(',') + quantity->subjectLabel()->text();
            return int(QDialog::Rejected);
        };
        dialog.showLevel(code.contains(QLatin1Char('-')) ? code.left(code.indexOf(QLatin1Char('-'))) : QString(), code);
        dialog.openSelected();
        QCOMPARE(opened, labels.join(QLatin1Char(',')) + QLatin1Char(',') + subject);
    }

    void theQuantityDialogWorksOutPriceAndAmountAsFieldsAreLeft()
    {
        ScriptedPrompt prompt;
        CQuantityBalanceDlg dialog(m_db, prompt, QStringLiteral("1403"));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        // Opened on the row: 3000 tons for 10000.00.
        QCOMPARE(dialog.quantityField()->text(), QStringLiteral("3000"));
        QCOMPARE(dialog.priceField()->text(), QStringLiteral("3.3333"));
        QCOMPARE(dialog.amountField()->text(), QStringLiteral("10000.00"));
        QVERIFY(dialog.quantityField()->hasFocus());

        // Tabbing through changes nothing: 3000 × 3.3333 would be 9999.90.
        QTest::keyClick(dialog.quantityField(), Qt::Key_Tab);
        QVERIFY(dialog.priceField()->hasFocus());
        QTest::keyClick(dialog.priceField(), Qt::Key_Tab);
        QVERIFY(dialog.amountField()->hasFocus());
        QTest::keyClick(dialog.amountField(), Qt::Key_Tab);
        QCOMPARE(dialog.amountField()->text(), QStringLiteral("10000.00"));
        QCOMPARE(dialog.priceField()->text(), QStringLiteral("3.3333"));

        // 10 units for 25.00: the price.
        dialog.quantityField()->setFocus();
        dialog.quantityField()->setText(QStringLiteral("10"));
        dialog.amountField()->setFocus();
        dialog.amountField()->setText(QStringLiteral("25.00"));
        dialog.priceField()->setFocus();
        QCOMPARE(dialog.priceField()->text(), QStringLiteral("2.5000"));
        // A price typed: the amount.
        dialog.priceField()->selectAll();
        QTest::keyClicks(dialog.priceField(), QStringLiteral("3"));
        dialog.quantityField()->setFocus();
        QCOMPARE(dialog.amountField()->text(), QStringLiteral("30.00"));
        QCOMPARE(dialog.priceField()->text(), QStringLiteral("3"));
        // A price put in however the field takes it (an input method, a paste) sets the amount too.
        dialog.amountField()->setText(QString());
        dialog.quantityField()->setFocus();
        dialog.quantityField()->setText(QStringLiteral("10"));
        dialog.priceField()->setFocus();
        dialog.priceField()->clear();
        dialog.priceField()->insert(QStringLiteral("350.25"));
        dialog.amountField()->setFocus();
        QCOMPARE(dialog.amountField()->text(), QStringLiteral("3502.50"));
        // No quantity: no price, and no division by zero.
        dialog.quantityField()->setFocus();
        dialog.quantityField()->setText(QStringLiteral("0"));
        dialog.amountField()->setFocus();
        QCOMPARE(dialog.priceField()->text(), QString());
        QCOMPARE(dialog.amountField()->text(), QStringLiteral("3502.50"));
        QVERIFY(prompt.entries().empty());
    }

    void confirmingFinishesTheFieldBeingEditedAndWritesTheRow()
    {
        ScriptedPrompt prompt;
        CQuantityBalanceDlg dialog(m_db, prompt, QStringLiteral("1403"));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        dialog.quantityField()->setText(QStringLiteral("10"));
        dialog.priceField()->setFocus();
        dialog.priceField()->selectAll();
        QTest::keyClicks(dialog.priceField(), QStringLiteral("3"));
        dialog.creditButton()->setChecked(true);
        // Enter in the price field confirms: the amount follows the typed price first.
        QTest::keyClick(dialog.priceField(), Qt::Key_Return);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(openingRow("1403"), QStringLiteral("-1 30.00 10.0000"));

        // A quantity without an amount is still a row.
        CQuantityBalanceDlg again(m_db, prompt, QStringLiteral("1403"));
        again.amountField()->clear();
        again.quantityField()->setText(QStringLiteral("2"));
        again.confirm();
        QCOMPARE(openingRow("1403"), QStringLiteral("-1 0.00 2.0000"));
        QVERIFY(prompt.entries().empty());
    }

    void aYearWithoutSubjectsHasNoBalancesToEnter()
    {
        Database empty = makeYear(QStringLiteral("2027.ksk"));
        ScriptedPrompt prompt;
        QVERIFY(!COpeningBalanceDlg::openOpeningBalances(empty, prompt));
        QCOMPARE(QString::fromStdString(prompt.last()),
                 QStringLiteral("警  告：\r\r  本年度尚未建立科目，\r\r  无需录入或调整期初余额。"));
    }
};

QTEST_MAIN(OpeningBalanceDialogTest)
#include "opening_balance_dialog_test.moc"
