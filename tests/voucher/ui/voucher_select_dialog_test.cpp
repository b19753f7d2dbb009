// The query and summary selection on a real year file: refusals at opening, the months and the
// ranges their counts offer, the lines by number and by class, the counters, and what a confirmed
// choice hands over (vouchers in list order, every voucher of chosen classes, a summary's choice),
// with the 40-class limit of a summary keeping the dialog open.
#include "accountset/year_file.h"
#include "chart/chart_import.h"
#include "common/prompt.h"
#include "session/kszw_env.h"
#include "session/user_settings.h"
#include "store/database.h"
#include "voucher/ui/voucher_select_dialog.h"

#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
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

QStringList comboItems(const QComboBox* combo)
{
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items << combo->itemText(i);
    return items;
}

std::vector<std::string> numbersOf(const std::vector<VoucherKey>& keys)
{
    std::vector<std::string> numbers;
    for (const VoucherKey& key : keys)
        numbers.push_back(key.number);
    return numbers;
}

// A click on a line, as a person selects it; with Ctrl the line is added to the selection.
void clickLine(QListWidget* list, int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers, list->visualItemRect(list->item(row)).center());
}

} // namespace

class VoucherSelectDialogTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    int m_files = 0;
    std::unique_ptr<CKszwEnv> m_env;
    ScriptedPrompt m_prompt;

    Database& db() { return m_env->db(); }

    void insertVoucher(const std::string& date, const std::string& number, const std::string& status,
                       const std::string& maker = "103", const std::string& reviewer = "", int attachments = 0)
    {
        const std::string month = date.substr(4, 2);
        db().execute("INSERT INTO CERDIR(T,CER,OPP,OPN,PN,LY,MK,TT) VALUES(?1,?2,?3,?4,?5,'0',?6,?7)",
                     {date, number, maker, reviewer.empty() ? SqlValue() : SqlValue(reviewer),
                      static_cast<std::int64_t>(attachments), status, month});
        db().execute("INSERT INTO P0(T,CER,RN,MRY,KNO,F,MY,NU,MK,TT) VALUES(?1,?2,1,'提现','1001',1,100,0,?3,?4)",
                     {date, number, status, month});
        db().execute("INSERT INTO P0(T,CER,RN,MRY,KNO,F,MY,NU,MK,TT) VALUES(?1,?2,2,'提现','1002',-1,100,0,?3,?4)",
                     {date, number, status, month});
    }

    // January: one reviewed; March: reviewed 0001, complete 0002, unfinished 0003; April: unfinished.
    void insertYear()
    {
        insertVoucher("20260105", "0001", "4", "103", "104");
        insertVoucher("20260301", "0002", "2");
        insertVoucher("20260302", "0001", "4", "103", "104", 3);
        insertVoucher("20260303", "0003", "0", "102");
        insertVoucher("20260401", "0001", "0", "102");
    }

    void chooseMonth(CVoucherSelectDlg& dialog, const QString& month)
    {
        dialog.monthCombo()->setCurrentIndex(dialog.monthCombo()->findText(month));
    }

private slots:
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
        QVERIFY(importSubjects(db(), "code,name,kind,unit,multi_column,direction,width\n"
                                     "1001,库存现金,0,,0,0,0\n1002,银行存款,0,,0,0,0\n")
                    .ok);
        db().execute("INSERT INTO OPR(OPNO,NA,PSD) VALUES('103','李复核',''),('104','张三','')");
        m_prompt.clear();
    }

    void cleanup() { m_env.reset(); }

    void aYearWithoutVouchersIsRefused()
    {
        for (SelectionMode mode : {SelectionMode::Query, SelectionMode::Summary}) {
            m_prompt.clear();
            CVoucherSelectDlg dialog(db(), m_prompt, mode);
            QVERIFY(!dialog.prepare());
            QCOMPARE(m_prompt.texts(), std::vector<std::string>{"本年度尚未制作凭证"});
            QCOMPARE(m_prompt.entries()[0].caption, std::string("岚屿穗软件"));
        }
    }

    void aSummaryOfAYearWithoutCompleteVouchersIsRefused()
    {
        insertVoucher("20260303", "0003", "0");
        CVoucherSelectDlg query(db(), m_prompt, SelectionMode::Query);
        QVERIFY(query.prepare());
        CVoucherSelectDlg summary(db(), m_prompt, SelectionMode::Summary);
        QVERIFY(!summary.prepare());
        QCOMPARE(m_prompt.texts(), std::vector<std::string>{"没有适合条件的凭证！"});
    }

    void itOpensOnTheLastMonthWithItsControls()
    {
        insertYear();
        CVoucherSelectDlg dialog(db(), m_prompt, SelectionMode::Query);
        QVERIFY(dialog.prepare());
        QCOMPARE(dialog.windowTitle(), QStringLiteral("记帐凭证查询..."));
        QCOMPARE(comboItems(dialog.monthCombo()), (QStringList{"01", "03", "04"}));
        QCOMPARE(dialog.monthCombo()->currentText(), QStringLiteral("04"));
        QVERIFY(dialog.listCaption()->text().startsWith(QStringLiteral("&W.制作日期")));
        QVERIFY(dialog.listCaption()->text().endsWith(QStringLiteral("凭证号  制证员   复核员")));
        QCOMPARE(dialog.byNumberButton()->text(), QStringLiteral("&A.按号码"));
        QCOMPARE(dialog.byClassButton()->text(), QStringLiteral("&B.按类别"));
        QCOMPARE(dialog.allButton()->text(), QStringLiteral("&C.全部"));
        QCOMPARE(dialog.reviewedButton()->text(), QStringLiteral("&D.已复核"));
        QCOMPARE(dialog.unreviewedButton()->text(), QStringLiteral("&E.未复核"));
        QCOMPARE(dialog.confirmButton()->text(), QStringLiteral("&S.确认"));
        QCOMPARE(dialog.cancelButton()->text(), QStringLiteral("&X.取消"));
        // Without classes only the way by number is there.
        QVERIFY(!dialog.byClassButton()->isEnabled());
        // April has neither reviewed nor complete vouchers: only 全部.
        QVERIFY(dialog.allButton()->isChecked());
        QVERIFY(!dialog.reviewedButton()->isEnabled());
        QVERIFY(!dialog.unreviewedButton()->isEnabled());
        QCOMPARE(listLines(dialog.entryList()), QStringList{"2026.04.01  0001   ×××               0张"});
        QCOMPARE(dialog.totalCounter()->text(), QStringLiteral("1   张"));
        QCOMPARE(dialog.selectedCounter()->text(), QStringLiteral("0   张"));

        chooseMonth(dialog, QStringLiteral("03"));
        QVERIFY(dialog.reviewedButton()->isEnabled());
        QVERIFY(dialog.unreviewedButton()->isEnabled());
        // Names are padded to their GBK widths: 李复核 takes six of nine places, 张三 four.
        QCOMPARE(listLines(dialog.entryList()),
                 (QStringList{"2026.03.02  0001   李复核   张三        3张", "2026.03.01  0002   李复核               0张",
                              "2026.03.03  0003   ×××               0张"}));
        QCOMPARE(dialog.totalCounter()->text(), QStringLiteral("3   张"));
    }

    void theRangesFilterTheListAndFallBackWhenAMonthLacksThem()
    {
        insertYear();
        CVoucherSelectDlg dialog(db(), m_prompt, SelectionMode::Query);
        QVERIFY(dialog.prepare());
        chooseMonth(dialog, QStringLiteral("03"));
        struct Case {
            QRadioButton* button;
            QStringList numbers;
        };
        // Unreviewed in a query is everything not reviewed, unfinished vouchers too.
        const Case cases[] = {{dialog.reviewedButton(), {"0001"}},
                              {dialog.unreviewedButton(), {"0002", "0003"}},
                              {dialog.allButton(), {"0001", "0002", "0003"}}};
        for (const Case& c : cases) {
            QTest::mouseClick(c.button, Qt::LeftButton);
            QStringList numbers;
            for (const QString& line : listLines(dialog.entryList()))
                numbers << line.mid(12, 4);
            QCOMPARE(numbers, c.numbers);
        }
        // A selected voucher stays selected when the range keeps it.
        clickLine(dialog.entryList(), 1);
        QTest::mouseClick(dialog.unreviewedButton(), Qt::LeftButton);
        QCOMPARE(dialog.entryList()->selectedItems().size(), 1);
        QCOMPARE(dialog.entryList()->selectedItems()[0]->text().mid(12, 4), QStringLiteral("0002"));
        QCOMPARE(dialog.selectedCounter()->text(), QStringLiteral("1   张"));

        // April has no complete voucher: the range falls back to 全部.
        chooseMonth(dialog, QStringLiteral("04"));
        QVERIFY(dialog.allButton()->isChecked());
        QCOMPARE(dialog.entryList()->count(), 1);
        QCOMPARE(dialog.selectedCounter()->text(), QStringLiteral("0   张"));
    }

    void aSummaryListsOnlyCompleteVouchersWithTheirStatus()
    {
        insertYear();
        CVoucherSelectDlg dialog(db(), m_prompt, SelectionMode::Summary);
        QVERIFY(dialog.prepare());
        QCOMPARE(dialog.windowTitle(), QStringLiteral("记帐凭证汇总..."));
        QCOMPARE(comboItems(dialog.monthCombo()), (QStringList{"01", "03"}));
        QCOMPARE(dialog.monthCombo()->currentText(), QStringLiteral("03"));
        QCOMPARE(listLines(dialog.entryList()),
                 (QStringList{"2026.03.02  0001   李复核   张三     已复核", "2026.03.01  0002   李复核            已平"}));
    }

    void theCountersFollowTheSelectionAndConfirmHandsTheVouchersInListOrder()
    {
        insertYear();
        CVoucherSelectDlg dialog(db(), m_prompt, SelectionMode::Query);
        QVERIFY(dialog.prepare());
        chooseMonth(dialog, QStringLiteral("03"));
        dialog.show();
        QListWidget* list = dialog.entryList();
        clickLine(list, 2);
        clickLine(list, 0, Qt::ControlModifier);
        QCOMPARE(dialog.selectedCounter()->text(), QStringLiteral("2   张"));
        QTest::keyClick(list, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(dialog.selectedCounter()->text(), QStringLiteral("3   张"));
        clickLine(list, 1, Qt::ControlModifier);
        QCOMPARE(dialog.selectedCounter()->text(), QStringLiteral("2   张"));

        // Enter confirms.
        QTest::keyClick(list, Qt::Key_Return);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.month(), std::string("03"));
        QCOMPARE(dialog.chosenVouchers(),
                 (std::vector<VoucherKey>{{"03", "0001"}, {"03", "0003"}}));
        QVERIFY(m_prompt.entries().empty());
    }

    void escapeCancels()
    {
        insertYear();
        CVoucherSelectDlg dialog(db(), m_prompt, SelectionMode::Query);
        QVERIFY(dialog.prepare());
        dialog.show();
        clickLine(dialog.entryList(), 0);
        QTest::keyClick(dialog.entryList(), Qt::Key_Escape);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QVERIFY(!dialog.isVisible());
        QVERIFY(dialog.chosenVouchers().empty());
    }

    void aQueryWithNothingChosenShowsNothing()
    {
        insertYear();
        CVoucherSelectDlg dialog(db(), m_prompt, SelectionMode::Query);
        QVERIFY(dialog.prepare());
        dialog.show();
        QTest::mouseClick(dialog.confirmButton(), Qt::LeftButton);
        QCOMPARE(m_prompt.texts(), std::vector<std::string>{"没有适合条件的凭证！"});
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QVERIFY(!dialog.isVisible());
    }

    void spaceSelectsTheCurrentClassAndStaysOnIt()
    {
        db().execute("INSERT INTO CERCLS(CNO,NA) VALUES('01','现金'),('02','银行'),('03','转帐')");
        insertVoucher("20260301", "0101", "2");
        insertVoucher("20260302", "0201", "2");
        insertVoucher("20260303", "0301", "2");
        CVoucherSelectDlg dialog(db(), m_prompt, SelectionMode::Query);
        QVERIFY(dialog.prepare());
        dialog.show();
        QTest::mouseClick(dialog.byClassButton(), Qt::LeftButton);
        QListWidget* list = dialog.entryList();
        list->setFocus();
        list->setCurrentRow(0, QItemSelectionModel::NoUpdate);
        // Every class line starts with blanks: Space must not search on to the next one.
        QTest::keyClick(list, Qt::Key_Space);
        QCOMPARE(list->currentRow(), 0);
        QVERIFY(list->item(0)->isSelected());
        QTest::keyClick(list, Qt::Key_Down, Qt::ControlModifier);
        QTest::keyClick(list, Qt::Key_Down, Qt::ControlModifier);
        QTest::keyClick(list, Qt::Key_Space);
        QCOMPARE(list->currentRow(), 2);
        QCOMPARE(dialog.selectedCounter()->text(), QStringLiteral("2   类"));
        QTest::keyClick(list, Qt::Key_Space, Qt::ControlModifier);
        QCOMPARE(dialog.selectedCounter()->text(), QStringLiteral("1   类"));
    }

    void aQueryByClassTakesEveryVoucherOfTheChosenClassesInNumberOrder()
    {
        db().execute("INSERT INTO CERCLS(CNO,NA) VALUES('01','现金'),('02','银行'),('03','转帐')");
        insertVoucher("20260305", "0301", "2");
        insertVoucher("20260302", "0102", "2");
        insertVoucher("20260301", "0101", "4", "103", "104");
        insertVoucher("20260303", "0201", "2");
        CVoucherSelectDlg dialog(db(), m_prompt, SelectionMode::Query);
        QVERIFY(dialog.prepare());
        QVERIFY(dialog.byClassButton()->isEnabled());
        dialog.show();
        QTest::mouseClick(dialog.byClassButton(), Qt::LeftButton);
        QVERIFY(dialog.listCaption()->text().endsWith(QStringLiteral("类别号  类别名称")));
        QCOMPARE(listLines(dialog.entryList()),
                 (QStringList{"   1.03     01     现金", "   2.03     02     银行", "   3.03     03     转帐"}));
        QCOMPARE(dialog.totalCounter()->text(), QStringLiteral("3   类"));
        clickLine(dialog.entryList(), 2);
        clickLine(dialog.entryList(), 0, Qt::ControlModifier);
        QCOMPARE(dialog.selectedCounter()->text(), QStringLiteral("2   类"));

        // The range narrows the vouchers, not the classes.
        QTest::mouseClick(dialog.reviewedButton(), Qt::LeftButton);
        QCOMPARE(dialog.entryList()->selectedItems().size(), 2);
        QTest::mouseClick(dialog.allButton(), Qt::LeftButton);
        QTest::mouseClick(dialog.confirmButton(), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(numbersOf(dialog.chosenVouchers()), (std::vector<std::string>{"0101", "0102", "0301"}));
        QCOMPARE(dialog.chosenVouchers()[0].date, std::string("03")); // by accounting month

        CVoucherSelectDlg reviewed(db(), m_prompt, SelectionMode::Query);
        QVERIFY(reviewed.prepare());
        reviewed.show();
        QTest::mouseClick(reviewed.byClassButton(), Qt::LeftButton);
        QTest::mouseClick(reviewed.reviewedButton(), Qt::LeftButton);
        QTest::keyClick(reviewed.entryList(), Qt::Key_A, Qt::ControlModifier);
        QTest::mouseClick(reviewed.confirmButton(), Qt::LeftButton);
        QCOMPARE(numbersOf(reviewed.chosenVouchers()), std::vector<std::string>{"0101"});
    }

    void aSummaryByNumberHandsTheNumbersAndTheRange()
    {
        insertYear();
        CVoucherSelectDlg dialog(db(), m_prompt, SelectionMode::Summary);
        QVERIFY(dialog.prepare());
        dialog.show();
        QTest::keyClick(dialog.entryList(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(dialog.entryList(), Qt::Key_Return);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        const SummarySelection chosen = dialog.chosenSummary();
        QCOMPARE(chosen.month, std::string("03"));
        QVERIFY(!chosen.byClass);
        QCOMPARE(chosen.numbers, (std::vector<std::string>{"0001", "0002"}));
        QVERIFY(chosen.classes.empty());

        // An empty choice is taken as it is: the summary then has no rows.
        CVoucherSelectDlg empty(db(), m_prompt, SelectionMode::Summary);
        QVERIFY(empty.prepare());
        empty.show();
        QTest::mouseClick(empty.confirmButton(), Qt::LeftButton);
        QCOMPARE(empty.result(), int(QDialog::Accepted));
        QVERIFY(empty.chosenSummary().numbers.empty());
        QVERIFY(m_prompt.entries().empty());
    }

    void fortyOneClassesForASummaryAreRefusedAndTheDialogStaysOpen()
    {
        for (int c = 1; c <= 41; ++c) {
            const std::string code = QStringLiteral("%1").arg(c, 2, 10, QLatin1Char('0')).toStdString();
            db().execute("INSERT INTO CERCLS(CNO,NA) VALUES(?1,?2)", {code, "类别" + code});
            insertVoucher("20260310", code + "01", c % 2 ? "2" : "4", "103", c % 2 ? "" : "104");
        }
        CVoucherSelectDlg dialog(db(), m_prompt, SelectionMode::Summary);
        QVERIFY(dialog.prepare());
        dialog.show();
        QTest::mouseClick(dialog.byClassButton(), Qt::LeftButton);
        QCOMPARE(dialog.totalCounter()->text(), QStringLiteral("41  类"));
        QTest::keyClick(dialog.entryList(), Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(dialog.selectedCounter()->text(), QStringLiteral("41  类"));
        QTest::mouseClick(dialog.confirmButton(), Qt::LeftButton);
        QCOMPARE(m_prompt.texts(), std::vector<std::string>{"警告：\r\r汇总数不能多于 40 类,\r\r请重新选择"});
        QCOMPARE(m_prompt.entries()[0].icon, Icon::Exclamation);
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QVERIFY(dialog.chosenSummary().classes.empty());

        // Forty are taken, with the range.
        m_prompt.clear();
        clickLine(dialog.entryList(), 40, Qt::ControlModifier);
        QTest::mouseClick(dialog.reviewedButton(), Qt::LeftButton);
        QTest::mouseClick(dialog.confirmButton(), Qt::LeftButton);
        QVERIFY(m_prompt.entries().empty());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        const SummarySelection chosen = dialog.chosenSummary();
        QVERIFY(chosen.byClass);
        QCOMPARE(chosen.classes.size(), size_t(40));
        QCOMPARE(chosen.classes.front(), std::string("01"));
        QCOMPARE(chosen.classes.back(), std::string("40"));
        QVERIFY(chosen.range == VoucherRange::Reviewed);
    }
};

QTEST_MAIN(VoucherSelectDialogTest)
#include "voucher_select_dialog_test.moc"
