// The open list of the voucher entry on a real year file: which vouchers it lists and how, the
// entry of the voucher being edited selected, nothing to open, deleting with the Delete key (its
// question, its refusals, the list filled again), and opening: the voucher loaded, or a refused
// voucher leaving the one being edited whole.
#include "accountset/year_file.h"
#include "chart/chart_import.h"
#include "common/clock.h"
#include "common/prompt.h"
#include "formview/ui/modal_closer.h"
#include "session/kszw_env.h"
#include "session/user_settings.h"
#include "store/database.h"
#include "voucher/ui/open_voucher_dialog.h"
#include "voucher/voucher.h"

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

QStringList labelTexts(const QWidget& dialog)
{
    QStringList texts;
    for (const QLabel* label : dialog.findChildren<QLabel*>())
        texts << label->text();
    return texts;
}

} // namespace

class OpenVoucherDialogTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    int m_files = 0;
    FixedClock m_clock{CivilDate{2026, 3, 15}};
    std::unique_ptr<CKszwEnv> m_env;
    ScriptedPrompt m_prompt;

    Database& db() { return m_env->db(); }
    int count(const std::string& sql) { return db().queryLong(sql); }

    void insertVoucher(const std::string& date, const std::string& number, const std::string& maker = "102",
                       const std::string& status = "0", const std::string& source = "0")
    {
        db().execute("INSERT INTO CERDIR(T,CER,OPP,PN,LY,MK,TT) VALUES(?1,?2,?3,1,?4,?5,?6)",
                     {date, number, maker, source, status, date.substr(4, 2)});
        db().execute("INSERT INTO P0(T,CER,RN,MRY,KNO,F,MY,NU,MK,TT) VALUES(?1,?2,1,'提现','1001',1,100,0,?3,?4)",
                     {date, number, status, date.substr(4, 2)});
        db().execute("INSERT INTO P0(T,CER,RN,MRY,KNO,F,MY,NU,MK,TT) VALUES(?1,?2,2,'提现','1002',-1,100,0,?3,?4)",
                     {date, number, status, date.substr(4, 2)});
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
        // February is closed.
        db().execute("UPDATE SYSTAB SET MM=2");
        insertVoucher("20260220", "0001");                 // in a closed month
        insertVoucher("20260310", "0001");
        insertVoucher("20260312", "0002", "102", "2");     // balanced, not reviewed
        insertVoucher("20260312", "0003", "102", "4");     // reviewed
        insertVoucher("20260313", "0004", "103");          // another maker's
        insertVoucher("20260401", "0001", "102", "0", "3"); // made by another program
        m_prompt.clear();
    }

    void cleanup() { m_env.reset(); }

    void itListsTheMakersUnreviewedVouchersOfTheOpenMonths()
    {
        COpenVoucherDlg dialog(*m_env, m_clock, m_prompt);
        QVERIFY(dialog.fillList("20260312", "0002"));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("岚屿穗软件"));
        QVERIFY(labelTexts(dialog).contains(QStringLiteral("以下是你可以打开修改的记帐凭证目录")));
        QVERIFY(labelTexts(dialog).contains(QStringLiteral("制作日期  凭证号")));
        QCOMPARE(dialog.openButton()->text(), QStringLiteral("&O.打开"));
        QCOMPARE(dialog.cancelButton()->text(), QStringLiteral("&X.取消"));
        QCOMPARE(listLines(dialog.voucherList()),
                 (QStringList{"2026.03.10  0001", "2026.03.12  0002", "2026.04.01  0001"}));
        // The voucher being edited is selected.
        QCOMPARE(dialog.voucherList()->currentRow(), 1);
        QCOMPARE(dialog.selectedVoucher()->date, std::string("20260312"));
        QCOMPARE(dialog.selectedVoucher()->number, std::string("0002"));

        // Another key selects the first line.
        QVERIFY(dialog.fillList("20260315", "0009"));
        QCOMPARE(dialog.voucherList()->currentRow(), 0);
        QVERIFY(m_prompt.entries().empty());
    }

    void withNothingToOpenItTellsSo()
    {
        db().execute("DELETE FROM CERDIR WHERE OPP='102'");
        CVoucher voucher(*m_env, m_clock);
        voucher.ResetAsNew();
        ModalCloser closer;
        QCOMPARE(OpenFromList(voucher, m_prompt), 0);
        QVERIFY(closer.seen().empty()); // the list is never shown
        QCOMPARE(m_prompt.texts(), std::vector<std::string>{"无可打开的凭证！"});
    }

    void deleteAsksAndFillsTheListAgain()
    {
        COpenVoucherDlg dialog(*m_env, m_clock, m_prompt);
        QVERIFY(dialog.fillList("20260310", "0001"));
        // No: nothing goes.
        m_prompt.queueAnswer(Answer::No);
        QTest::keyClick(dialog.voucherList(), Qt::Key_Delete);
        QCOMPARE(m_prompt.texts(), std::vector<std::string>{"真的要删除该凭证吗？"});
        QCOMPARE(dialog.voucherList()->count(), 3);

        m_prompt.queueAnswer(Answer::Yes);
        QTest::keyClick(dialog.voucherList(), Qt::Key_Delete);
        QCOMPARE(listLines(dialog.voucherList()), (QStringList{"2026.03.12  0002", "2026.04.01  0001"}));
        QCOMPARE(dialog.voucherList()->currentRow(), 0);
        QCOMPARE(count("SELECT COUNT(*) FROM CERDIR WHERE T='20260310'"), 0);
        QCOMPARE(count("SELECT COUNT(*) FROM P0 WHERE T='20260310'"), 0);
        QCOMPARE(dialog.deletedVouchers().size(), size_t(1));

        // A voucher of another program is not deleted here.
        m_prompt.clear();
        dialog.voucherList()->setCurrentRow(1);
        QTest::keyClick(dialog.voucherList(), Qt::Key_Delete);
        QCOMPARE(m_prompt.texts(), std::vector<std::string>{"不能删除其他软件生成的凭证！"});
        QCOMPARE(dialog.voucherList()->count(), 2);
        QCOMPARE(dialog.voucherList()->currentRow(), 1);
    }

    void deletingTheLastVoucherTellsThereIsNothingLeftAndCloses()
    {
        db().execute("DELETE FROM CERDIR WHERE T<>'20260310'");
        COpenVoucherDlg dialog(*m_env, m_clock, m_prompt);
        QVERIFY(dialog.fillList("", ""));
        dialog.show();
        m_prompt.queueAnswer(Answer::Yes);
        QTest::keyClick(dialog.voucherList(), Qt::Key_Delete);
        QCOMPARE(m_prompt.texts(), (std::vector<std::string>{"真的要删除该凭证吗？", "无可打开的凭证！"}));
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
    }

    void openLoadsTheChosenVoucherWithALineForFurtherEntry()
    {
        CVoucher voucher(*m_env, m_clock);
        voucher.ResetAsNew();
        ModalCloser closer;
        closer.actOn<COpenVoucherDlg>([](COpenVoucherDlg& dialog) {
            dialog.voucherList()->setCurrentRow(1);
            QTest::keyClick(dialog.voucherList(), Qt::Key_Return);
        });
        QCOMPARE(OpenFromList(voucher, m_prompt), 1);
        QCOMPARE(voucher.T, std::string("20260312"));
        QCOMPARE(voucher.CER, std::string("0002"));
        QCOMPARE(voucher.head, (std::array<std::string, 5>{"2026", "03", "12", "0002", "1"}));
        QCOMPARE(voucher.lineCount(), 3);
        QCOMPARE(voucher.lines[1][VoucherLine::Credit], std::string("100"));
        QCOMPARE(voucher.lines[2][VoucherLine::Subject], std::string());
        QVERIFY(!voucher.isNew);
        QCOMPARE(voucher.oldDate, std::string("20260312"));
        QVERIFY(m_prompt.entries().empty());
    }

    void aVoucherReviewedMeanwhileIsRefusedAndTheOneBeingEditedStaysWhole()
    {
        CVoucher voucher(*m_env, m_clock);
        voucher.ResetAsNew();
        voucher.head[kHeadNumber] = "0009";
        voucher.lines[0][VoucherLine::Subject] = "1001";
        ModalCloser closer;
        closer.actOn<COpenVoucherDlg>([this](COpenVoucherDlg& dialog) {
            dialog.voucherList()->setCurrentRow(0);
            db().execute("UPDATE CERDIR SET MK='4' WHERE T='20260310'");
            dialog.openButton()->click();
        });
        QCOMPARE(OpenFromList(voucher, m_prompt), 0);
        QCOMPARE(m_prompt.texts(), std::vector<std::string>{"该凭证已被复核，请按回车键退出！"});
        QCOMPARE(voucher.T, std::string("20260315"));
        QCOMPARE(voucher.head[kHeadNumber], std::string("0009"));
        QCOMPARE(voucher.lines[0][VoucherLine::Subject], std::string("1001"));
        QVERIFY(voucher.isNew);
    }

    void deletingTheVoucherBeingEditedIsReported()
    {
        CVoucher voucher(*m_env, m_clock);
        ScriptedPrompt quiet;
        QCOMPARE(voucher.OpenVoucher("20260310", "0001", quiet), 1);
        m_prompt.queueAnswer(Answer::Yes);
        ModalCloser closer;
        QString selected;
        closer.actOn<COpenVoucherDlg>([&selected](COpenVoucherDlg& dialog) {
            selected = dialog.voucherList()->currentItem()->text();
            QTest::keyClick(dialog.voucherList(), Qt::Key_Delete);
            dialog.reject();
        });
        bool deletedShown = false;
        QCOMPARE(OpenFromList(voucher, m_prompt, nullptr, &deletedShown), 0);
        QCOMPARE(selected, QStringLiteral("2026.03.10  0001")); // its own entry
        QVERIFY(deletedShown);
        QCOMPARE(count("SELECT COUNT(*) FROM CERDIR WHERE T='20260310'"), 0);
    }
};

QTEST_MAIN(OpenVoucherDialogTest)
#include "open_voucher_dialog_test.moc"
