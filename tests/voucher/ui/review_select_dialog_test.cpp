// The review selection on a real year file: refusal at opening, a reviewer never offered his own
// vouchers, taking back offered only for his own reviews in open months, the choice handed to the
// display, and the batch without display: a voucher that fails the check told and left as it was,
// the others reviewed, the list filled again or the dialog closed.
#include "accountset/year_file.h"
#include "chart/chart_import.h"
#include "common/prompt.h"
#include "session/kszw_env.h"
#include "session/user_settings.h"
#include "store/database.h"
#include "voucher/ui/review_select_dialog.h"

#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
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

// The voucher numbers of the lines ("%4s.%2s.%-3s" before them).
QStringList listedNumbers(const QListWidget* list)
{
    QStringList numbers;
    for (const QString& line : listLines(list))
        numbers << line.mid(11, 4);
    return numbers;
}

void clickLine(QListWidget* list, int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers, list->visualItemRect(list->item(row)).center());
}

} // namespace

class ReviewSelectDialogTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    int m_files = 0;
    std::unique_ptr<CKszwEnv> m_env;
    ScriptedPrompt m_prompt;

    Database& db() { return m_env->db(); }
    int count(const std::string& sql) { return db().queryLong(sql); }
    std::string statusOf(const std::string& date, const std::string& number)
    {
        return *db().queryText("SELECT MK||'/'||coalesce(OPN,'') FROM CERDIR WHERE T=?1 AND CER=?2", {date, number});
    }

    // A voucher of debit and credit lines on 1001 and 1002 (status, maker, reviewer).
    void insertVoucher(const std::string& date, const std::string& number, const std::string& status,
                       const std::string& maker = "103", const std::string& reviewer = "", double credit = 100)
    {
        const std::string month = date.substr(4, 2);
        db().execute("INSERT INTO CERDIR(T,CER,OPP,OPN,PN,LY,MK,TT) VALUES(?1,?2,?3,?4,1,'0',?5,?6)",
                     {date, number, maker, reviewer.empty() ? SqlValue() : SqlValue(reviewer), status, month});
        db().execute("INSERT INTO P0(T,CER,RN,MRY,KNO,F,MY,NU,MK,TT) VALUES(?1,?2,1,'提现','1001',1,100,0,?3,?4)",
                     {date, number, status, month});
        db().execute("INSERT INTO P0(T,CER,RN,MRY,KNO,F,MY,NU,MK,TT) VALUES(?1,?2,2,'提现','1002',-1,?3,0,?4,?5)",
                     {date, number, credit, status, month});
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

    void withNothingToReviewOrTakeBackItIsRefused()
    {
        // Only the reviewer's own complete vouchers, and a review of his in a closed month.
        db().execute("UPDATE SYSTAB SET MM=2");
        insertVoucher("20260301", "0001", "2", "102");
        insertVoucher("20260201", "0001", "4", "103", "102");
        CReviewSelectDlg dialog(db(), m_prompt, "102", 2);
        QVERIFY(!dialog.prepare());
        QCOMPARE(m_prompt.texts(), std::vector<std::string>{"没有适合条件的凭证！"});
        QCOMPARE(m_prompt.entries()[0].icon, Icon::Exclamation);
    }

    void theReviewListHoldsOtherMakersCompleteVouchersOfEveryMonth()
    {
        insertVoucher("20260301", "0002", "2");
        insertVoucher("20260115", "0001", "2", "104");
        insertVoucher("20260302", "0003", "2", "102"); // his own
        insertVoucher("20260303", "0004", "0");        // unfinished
        insertVoucher("20260304", "0005", "4", "103", "104");
        CReviewSelectDlg dialog(db(), m_prompt, "102", 0);
        QVERIFY(dialog.prepare());
        QCOMPARE(dialog.listCaption()->text(), QStringLiteral("&W.制作日期 凭证号  制作员   复核员   附件数"));
        QCOMPARE(dialog.reviewButton()->text(), QStringLiteral("复核登帐 "));
        QCOMPARE(dialog.cancelReviewButton()->text(), QStringLiteral("取消复核"));
        QCOMPARE(dialog.noDisplayButton()->text(), QStringLiteral("不查凭证"));
        QCOMPARE(dialog.displayButton()->text(), QStringLiteral("查询凭证"));
        QCOMPARE(dialog.confirmButton()->text(), QStringLiteral("&S.确认"));
        QCOMPARE(dialog.cancelButton()->text(), QStringLiteral("&X.取消"));
        QVERIFY(dialog.reviewButton()->isChecked());
        QVERIFY(dialog.displayButton()->isChecked());
        // Nothing of his to take back; the months play no part in a review.
        QVERIFY(!dialog.cancelReviewButton()->isEnabled());
        QVERIFY(!dialog.monthCombo()->isEnabled());
        QCOMPARE(listLines(dialog.entryList()),
                 (QStringList{"2026.01.15 0001   张三" + QString(17, QLatin1Char(' ')) + "1张", "2026.03.01 0002   李复核" + QString(15, QLatin1Char(' ')) + "1张"}));
        QCOMPARE(dialog.totalCounter()->text(), QStringLiteral("2"));
        QCOMPARE(dialog.selectedCounter()->text(), QStringLiteral("0"));

        // Another reviewer sees 102's voucher but not his own.
        CReviewSelectDlg other(db(), m_prompt, "104", 0);
        QVERIFY(other.prepare());
        QCOMPARE(listedNumbers(other.entryList()), (QStringList{"0002", "0003"}));
        QVERIFY(m_prompt.entries().empty());
    }

    void takingBackIsOfferedOnlyForOwnReviewsInOpenMonths()
    {
        db().execute("UPDATE SYSTAB SET MM=2");
        insertVoucher("20260201", "0001", "4", "103", "102"); // closed month
        insertVoucher("20260305", "0002", "4", "103", "102");
        insertVoucher("20260301", "0001", "4", "103", "102");
        insertVoucher("20260306", "0003", "4", "103", "104"); // another reviewer's
        insertVoucher("20260410", "0001", "4", "103", "102");
        CReviewSelectDlg dialog(db(), m_prompt, "102", 2);
        QVERIFY(dialog.prepare());
        // Nothing to review: the dialog opens on taking back, in the last month.
        QVERIFY(!dialog.reviewButton()->isEnabled());
        QVERIFY(dialog.cancelReviewButton()->isChecked());
        QVERIFY(dialog.monthCombo()->isEnabled());
        QCOMPARE(dialog.monthCombo()->count(), 2);
        QCOMPARE(dialog.monthCombo()->itemText(0), QStringLiteral("03"));
        QCOMPARE(dialog.monthCombo()->currentText(), QStringLiteral("04"));
        QCOMPARE(listLines(dialog.entryList()), QStringList{"2026.04.10 0001   李复核   ×××      1张"});
        dialog.monthCombo()->setCurrentIndex(0);
        QCOMPARE(listedNumbers(dialog.entryList()), (QStringList{"0001", "0002"}));
        QCOMPARE(dialog.totalCounter()->text(), QStringLiteral("2"));

        // 查询凭证 hands the choice over in list order.
        dialog.show();
        clickLine(dialog.entryList(), 1);
        clickLine(dialog.entryList(), 0, Qt::ControlModifier);
        QCOMPARE(dialog.selectedCounter()->text(), QStringLiteral("2"));
        QTest::keyClick(dialog.entryList(), Qt::Key_Return);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(dialog.operation() == ReviewOperation::Cancel);
        QCOMPARE(dialog.chosenVouchers(), (std::vector<VoucherKey>{{"20260301", "0001"}, {"20260305", "0002"}}));
        // Nothing was changed by the selection itself.
        QCOMPARE(count("SELECT count(*) FROM CERDIR WHERE MK='4'"), 5);
        QVERIFY(m_prompt.entries().empty());
    }

    void aBatchReviewTellsTheFailedVoucherAndFillsTheListAgain()
    {
        insertVoucher("20260310", "0001", "2");
        insertVoucher("20260311", "0002", "2", "103", "", 90); // unbalanced
        insertVoucher("20260312", "0003", "2");
        insertVoucher("20260313", "0004", "2");
        CReviewSelectDlg dialog(db(), m_prompt, "102", 0);
        QVERIFY(dialog.prepare());
        dialog.show();
        QVERIFY(!dialog.progressBar()->isVisible());
        QTest::mouseClick(dialog.noDisplayButton(), Qt::LeftButton);
        clickLine(dialog.entryList(), 0);
        clickLine(dialog.entryList(), 2, Qt::ShiftModifier);
        QCOMPARE(dialog.selectedCounter()->text(), QStringLiteral("3"));
        QTest::mouseClick(dialog.confirmButton(), Qt::LeftButton);

        QCOMPARE(m_prompt.texts(), std::vector<std::string>{"2026年03月第0002号凭证借贷不平衡，复核不能通过!"});
        QCOMPARE(m_prompt.entries()[0].icon, Icon::Exclamation);
        QCOMPARE(m_prompt.entries()[0].caption, std::string("岚屿穗软件"));
        QCOMPARE(statusOf("20260310", "0001"), std::string("4/102"));
        QCOMPARE(statusOf("20260311", "0002"), std::string("2/"));
        QCOMPARE(statusOf("20260312", "0003"), std::string("4/102"));
        QCOMPARE(statusOf("20260313", "0004"), std::string("2/"));
        QCOMPARE(count("SELECT count(*) FROM P0 WHERE MK='4'"), 4);
        QCOMPARE(dialog.processedCount(), 2);
        // The dialog stays with what is left to review, and its progress at the end.
        QVERIFY(dialog.isVisible());
        QCOMPARE(listedNumbers(dialog.entryList()), (QStringList{"0002", "0004"}));
        QCOMPARE(dialog.totalCounter()->text(), QStringLiteral("2"));
        QCOMPARE(dialog.selectedCounter()->text(), QStringLiteral("0"));
        QVERIFY(dialog.progressBar()->isVisible());
        QCOMPARE(dialog.progressBar()->value(), 100);
        QCOMPARE(dialog.progressText()->text(), QStringLiteral("0003  100％"));
        QVERIFY(dialog.confirmButton()->isEnabled());
        // His reviews may now be taken back.
        QVERIFY(dialog.cancelReviewButton()->isEnabled());
    }

    void aBatchThatLeavesNothingToReviewClosesTheDialog()
    {
        insertVoucher("20260310", "0001", "2");
        insertVoucher("20260311", "0002", "2", "104");
        CReviewSelectDlg dialog(db(), m_prompt, "102", 0);
        QVERIFY(dialog.prepare());
        dialog.show();
        QTest::mouseClick(dialog.noDisplayButton(), Qt::LeftButton);
        QTest::keyClick(dialog.entryList(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(dialog.entryList(), Qt::Key_Return);
        QCOMPARE(m_prompt.texts(), std::vector<std::string>{"所选择的凭证已处理完毕。"});
        QCOMPARE(m_prompt.entries()[0].icon, Icon::Exclamation);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QVERIFY(!dialog.isVisible());
        QCOMPARE(count("SELECT count(*) FROM CERDIR WHERE MK='4' AND OPN='102'"), 2);
        QCOMPARE(dialog.processedCount(), 2);
    }

    void aBatchCancelTakesTheReviewsBackAndClosesTheDialog()
    {
        insertVoucher("20260301", "0001", "4", "103", "102");
        insertVoucher("20260302", "0002", "4", "103", "102");
        insertVoucher("20260303", "0003", "4", "103", "102");
        CReviewSelectDlg dialog(db(), m_prompt, "102", 0);
        QVERIFY(dialog.prepare());
        dialog.show();
        QVERIFY(dialog.cancelReviewButton()->isChecked());
        QTest::mouseClick(dialog.noDisplayButton(), Qt::LeftButton);
        clickLine(dialog.entryList(), 0);
        clickLine(dialog.entryList(), 2, Qt::ControlModifier);
        QTest::mouseClick(dialog.confirmButton(), Qt::LeftButton);
        QVERIFY(m_prompt.entries().empty());
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QVERIFY(!dialog.isVisible());
        QCOMPARE(statusOf("20260301", "0001"), std::string("2/"));
        QCOMPARE(statusOf("20260302", "0002"), std::string("4/102"));
        QCOMPARE(statusOf("20260303", "0003"), std::string("2/"));
        QCOMPARE(count("SELECT count(*) FROM P0 WHERE MK='2'"), 4);
        QCOMPARE(dialog.processedCount(), 2);
    }

    void switchingOperationsFillsTheirLists()
    {
        insertVoucher("20260301", "0001", "2");
        insertVoucher("20260302", "0002", "4", "103", "102");
        CReviewSelectDlg dialog(db(), m_prompt, "102", 0);
        QVERIFY(dialog.prepare());
        dialog.show();
        QCOMPARE(listedNumbers(dialog.entryList()), QStringList{"0001"});
        QTest::mouseClick(dialog.cancelReviewButton(), Qt::LeftButton);
        QCOMPARE(dialog.monthCombo()->currentText(), QStringLiteral("03"));
        QCOMPARE(listedNumbers(dialog.entryList()), QStringList{"0002"});
        QTest::mouseClick(dialog.reviewButton(), Qt::LeftButton);
        QCOMPARE(listedNumbers(dialog.entryList()), QStringList{"0001"});
        QCOMPARE(dialog.monthCombo()->count(), 0);
        QVERIFY(dialog.isVisible());

        // Confirming nothing: the message, and the dialog closes with nothing to show.
        QTest::mouseClick(dialog.confirmButton(), Qt::LeftButton);
        QCOMPARE(m_prompt.texts(), std::vector<std::string>{"没有适合条件的凭证！"});
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(statusOf("20260301", "0001"), std::string("2/"));
    }

    void escapeCancels()
    {
        insertVoucher("20260301", "0001", "2");
        CReviewSelectDlg dialog(db(), m_prompt, "102", 0);
        QVERIFY(dialog.prepare());
        dialog.show();
        QTest::keyClick(dialog.entryList(), Qt::Key_Escape);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
    }
};

QTEST_MAIN(ReviewSelectDialogTest)
#include "review_select_dialog_test.moc"
