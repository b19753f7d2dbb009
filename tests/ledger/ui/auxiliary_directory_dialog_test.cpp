// The auxiliary-accounting directory dialog on an offscreen screen, on a real year file: its title,
// heading and lines for the three kinds, the current account's line selected, each line's code
// kept with it, an empty directory told and cancelled, the months refused with their stop messages
// and their field focused, and the choice it gives (button, Enter, double click).
// With KSZW_SCREENSHOT_DIR=folder the dialog is saved there as auxiliary_directory.png (multi-column)
// and auxiliary_directory_quantity.png.
#include "accountset/year_file.h"
#include "chart/chart_import.h"
#include "common/prompt.h"
#include "formview/ui/modal_closer.h"
#include "formview/ui/spec_edit.h"
#include "ledger/ui/auxiliary_directory_dialog.h"
#include "session/kszw_env.h"
#include "session/user_settings.h"
#include "store/database.h"

#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace kszw;

namespace {

constexpr std::string_view kCurrencies = "code,name,gain_loss_subject\n1,美元,6603\n";

constexpr std::string_view kChart = "code,name,kind,unit,multi_column,direction,width\n"
                                    "1002,银行存款,0,,0,0,0\n"
                                    "1002-3,中国银行美元户,2,1,0,0,0\n"
                                    "1403,原材料,1,吨,0,0,0\n"
                                    "1405,库存商品,1,件,0,0,0\n"
                                    "2202,应付账款,0,,1,0,0\n"
                                    "2202-1,甲公司,0,,0,-1,6\n"
                                    "6602,管理费用,0,,1,0,0\n"
                                    "6602-1,办公费,0,,0,1,5\n";

QString blanks(int n)
{
    return QString(n, QLatin1Char(' '));
}

} // namespace

class AuxiliaryDirectoryDialogTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    int m_files = 0;
    std::unique_ptr<CKszwEnv> m_env;
    ScriptedPrompt m_prompt;

    static void showActive(QDialog& dialog)
    {
        dialog.show();
        dialog.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
    }

    static QStringList lineCodes(const CAuxiliaryDirectoryDlg& dialog)
    {
        QStringList codes;
        for (int row = 0; row < dialog.directoryList()->count(); ++row)
            codes << dialog.directoryList()->item(row)->data(CAuxiliaryDirectoryDlg::kCodeRole).toString();
        return codes;
    }

private slots:
    void initTestCase()
    {
        QFont::insertSubstitutions(QStringLiteral("宋体"), {QStringLiteral("AR PL UMing CN"),
                                                            QStringLiteral("Noto Sans CJK SC")});
        QVERIFY(m_dir.isValid());
    }

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
        const ImportResult gainLoss = importSubjects(m_env->db(), "code,name,kind,unit,multi_column,direction,width\n"
                                                                  "6603,财务费用,0,,0,0,0\n");
        QVERIFY2(gainLoss.ok, gainLoss.message.c_str());
        const ImportResult currencies = importCurrencies(m_env->db(), kCurrencies);
        QVERIFY2(currencies.ok, currencies.message.c_str());
        const ImportResult chart = importSubjects(m_env->db(), kChart);
        QVERIFY2(chart.ok, chart.message.c_str());
        m_prompt.clear();
    }

    void cleanup() { m_env.reset(); }

    void eachKindListsItsAccountsUnderItsTitleAndHeading_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("heading");
        QTest::addColumn<QStringList>("codes");
        QTest::addColumn<QString>("firstLine");
        QTest::newRow("quantity") << 0 << QStringLiteral("2026年度辅助核算目录(数量金额)")
                                  << QStringLiteral("科目代码") + blanks(7) + QStringLiteral("科目名称") + blanks(24)
                                         + QStringLiteral("数量单位")
                                  << QStringList{QStringLiteral("1403"), QStringLiteral("1405")}
                                  << QStringLiteral("1403") + blanks(11) + QStringLiteral("原材料") + blanks(26)
                                         + QStringLiteral("吨") + blanks(8);
        QTest::newRow("currency") << 1 << QStringLiteral("2026年度辅助核算目录(外币)")
                                  << QStringLiteral("科目代码") + blanks(7) + QStringLiteral("科目名称") + blanks(24)
                                         + QStringLiteral("外币名称")
                                  << QStringList{QStringLiteral("1002-3")}
                                  << QStringLiteral("1002-3") + blanks(9) + QStringLiteral("银行存款/中国银行美元户")
                                         + blanks(9) + QStringLiteral("美元") + blanks(6);
        QTest::newRow("multi-column") << 2 << QStringLiteral("2026年度辅助核算目录(多栏帐)")
                                      << QStringLiteral("科目代码") + blanks(7) + QStringLiteral("科目名称")
                                      << QStringList{QStringLiteral("2202"), QStringLiteral("6602")}
                                      << QStringLiteral("2202") + blanks(11) + QStringLiteral("应付账款") + blanks(34);
    }

    void eachKindListsItsAccountsUnderItsTitleAndHeading()
    {
        QFETCH(int, type);
        QFETCH(QString, title);
        QFETCH(QString, heading);
        QFETCH(QStringList, codes);
        QFETCH(QString, firstLine);
        CAuxiliaryDirectoryDlg dialog(*m_env, m_prompt, type, "", 1, 12);
        QCOMPARE(dialog.windowTitle(), title);
        QCOMPARE(dialog.headingLabel()->text(), heading);
        QCOMPARE(lineCodes(dialog), codes);
        QCOMPARE(dialog.directoryList()->item(0)->text(), firstLine);
        // Without a current account the first line is selected.
        QCOMPARE(dialog.directoryList()->currentRow(), 0);
        QCOMPARE(dialog.confirmButton()->text(), QStringLiteral("&S.确认"));
        QVERIFY(m_prompt.entries().empty());
    }

    void theCurrentAccountsLineIsSelectedAndFocused()
    {
        CAuxiliaryDirectoryDlg dialog(*m_env, m_prompt, 2, " 6602 ", 3, 5);
        showActive(dialog);
        QCOMPARE(dialog.directoryList()->currentRow(), 1);
        QCOMPARE(dialog.selectedCode(), std::string("6602"));
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(dialog.directoryList()));
        QCOMPARE(dialog.startField()->text(), QStringLiteral("3"));
        QCOMPARE(dialog.endField()->text(), QStringLiteral("5"));
        QCOMPARE(dialog.startField()->inputSpec(), QStringLiteral("NUMBER 1 12"));

        const QString folder = qEnvironmentVariable("KSZW_SCREENSHOT_DIR");
        if (folder.isEmpty())
            return;
        dialog.grab().save(folder + QStringLiteral("/auxiliary_directory.png"));
        CAuxiliaryDirectoryDlg quantities(*m_env, m_prompt, 0, "1405", 1, 12);
        showActive(quantities);
        quantities.grab().save(folder + QStringLiteral("/auxiliary_directory_quantity.png"));
    }

    void theCodeComesFromTheLinesDataNotItsText()
    {
        CAuxiliaryDirectoryDlg dialog(*m_env, m_prompt, 2, "2202", 1, 12);
        showActive(dialog);
        // Whatever the line shows, its account is the one it was made for.
        dialog.directoryList()->item(0)->setText(QStringLiteral("9999 另一个"));
        QTest::mouseClick(dialog.confirmButton(), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.choice(), std::optional<AuxiliaryChoice>(AuxiliaryChoice{"2202", 1, 12}));
    }

    void anEmptyDirectoryIsToldAndCancelled()
    {
        m_env->db().execute("UPDATE SUBT SET DL='0'");
        {
            ModalCloser closer; // nothing modal may open
            QCOMPARE(CAuxiliaryDirectoryDlg::chooseAccount(*m_env, m_prompt, 2, "6602", 1, 12), std::nullopt);
            QVERIFY(closer.seen().empty());
        }
        QCOMPARE(m_prompt.entries().size(), size_t(1));
        QCOMPARE(m_prompt.entries()[0].text, std::string("没有相应的辅助核算目录。"));
        QCOMPARE(m_prompt.entries()[0].icon, Icon::Stop);
        QCOMPARE(m_prompt.entries()[0].caption, std::string("岚屿穗软件"));
    }

    void wrongMonthsAreRefusedAndTheirFieldFocused_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("end");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("endFocused");
        const QString startRefused = QStringLiteral("起始月不合理，输入一数!");
        const QString endRefused = QStringLiteral("终止月不合理，输入一数!");
        QTest::newRow("no start month") << "" << "12" << startRefused << false;
        QTest::newRow("start month 13") << "13" << "12" << startRefused << false;
        QTest::newRow("end month 0") << "3" << "0" << endRefused << true;
        QTest::newRow("end before start") << "5" << "4" << endRefused << true;
    }

    void wrongMonthsAreRefusedAndTheirFieldFocused()
    {
        QFETCH(QString, start);
        QFETCH(QString, end);
        QFETCH(QString, message);
        QFETCH(bool, endFocused);
        CAuxiliaryDirectoryDlg dialog(*m_env, m_prompt, 0, "1405", 1, 12);
        showActive(dialog);
        dialog.startField()->setText(start);
        dialog.endField()->setText(end);
        dialog.confirmButton()->setFocus();
        QTest::mouseClick(dialog.confirmButton(), Qt::LeftButton);

        QCOMPARE(m_prompt.entries().size(), size_t(1));
        QCOMPARE(QString::fromStdString(m_prompt.entries()[0].text), message);
        QCOMPARE(m_prompt.entries()[0].icon, Icon::Stop);
        QCOMPARE(m_prompt.entries()[0].caption, std::string("岚屿穗软件"));
        QVERIFY(dialog.isVisible());
        QVERIFY(!dialog.choice());
        QWidget* expected = endFocused ? static_cast<QWidget*>(dialog.endField()) : dialog.startField();
        QCOMPARE(QApplication::focusWidget(), expected);
    }

    void enterOnALineOrADoubleClickConfirmsIt()
    {
        {
            CAuxiliaryDirectoryDlg dialog(*m_env, m_prompt, 0, "", 2, 4);
            showActive(dialog);
            QTest::keyClick(dialog.directoryList(), Qt::Key_Down);
            QTest::keyClick(dialog.directoryList(), Qt::Key_Return);
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
            QCOMPARE(dialog.choice(), std::optional<AuxiliaryChoice>(AuxiliaryChoice{"1405", 2, 4}));
        }
        {
            CAuxiliaryDirectoryDlg dialog(*m_env, m_prompt, 2, "", 1, 12);
            showActive(dialog);
            QListWidget* list = dialog.directoryList();
            const QRect line = list->visualItemRect(list->item(1));
            QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, line.center());
            QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, line.center());
            QCOMPARE(dialog.choice(), std::optional<AuxiliaryChoice>(AuxiliaryChoice{"6602", 1, 12}));
        }
        // Enter in the months goes from the start to the end, then confirms.
        {
            CAuxiliaryDirectoryDlg dialog(*m_env, m_prompt, 1, "1002-3", 1, 12);
            showActive(dialog);
            dialog.startField()->setFocus();
            dialog.startField()->selectAll();
            QTest::keyClicks(dialog.startField(), QStringLiteral("6"));
            QTest::keyClick(dialog.startField(), Qt::Key_Return);
            QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(dialog.endField()));
            QTest::keyClicks(dialog.endField(), QStringLiteral("9"));
            QTest::keyClick(dialog.endField(), Qt::Key_Return);
            QCOMPARE(dialog.choice(), std::optional<AuxiliaryChoice>(AuxiliaryChoice{"1002-3", 6, 9}));
        }
        QVERIFY(m_prompt.entries().empty());
    }

    void chooseAccountGivesTheChoiceAndNothingWhenCancelled()
    {
        {
            ModalCloser closer;
            closer.actOn<CAuxiliaryDirectoryDlg>([](CAuxiliaryDirectoryDlg& dialog) {
                dialog.directoryList()->setCurrentRow(0);
                dialog.endField()->setText(QStringLiteral("6"));
                dialog.confirm();
            });
            QCOMPARE(CAuxiliaryDirectoryDlg::chooseAccount(*m_env, m_prompt, 2, "6602", 1, 12),
                     std::optional<AuxiliaryChoice>(AuxiliaryChoice{"2202", 1, 6}));
        }
        {
            ModalCloser closer; // closed without a choice
            QCOMPARE(CAuxiliaryDirectoryDlg::chooseAccount(*m_env, m_prompt, 2, "6602", 1, 12), std::nullopt);
            QCOMPARE(closer.classNames(), QStringList{QStringLiteral("kszw::CAuxiliaryDirectoryDlg")});
        }
        QVERIFY(m_prompt.entries().empty());
    }

    void anUnreadableChartIsToldAndCancelled()
    {
        m_env->db().execute("DROP TABLE WBT");
        ModalCloser closer;
        QCOMPARE(CAuxiliaryDirectoryDlg::chooseAccount(*m_env, m_prompt, 1, "", 1, 12), std::nullopt);
        QVERIFY(closer.seen().empty());
        QCOMPARE(m_prompt.entries().size(), size_t(1));
        QVERIFY(m_prompt.last() != "没有相应的辅助核算目录。");
    }
};

QTEST_MAIN(AuxiliaryDirectoryDialogTest)
#include "auxiliary_directory_dialog_test.moc"
