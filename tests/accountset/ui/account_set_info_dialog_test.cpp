// The account-set information dialog: what it shows, the 22 values of each drop-down with the
// current one selected, the month-end day fixed once there are voucher lines, the edit fields'
// input spec, and 确认 with a refusal and with success.
#include "accountset/account_set_info.h"
#include "accountset/ui/account_set_info_dialog.h"
#include "accountset/year_file.h"
#include "common/prompt.h"
#include "formview/ui/spec_edit.h"
#include "session/kszw_env.h"
#include "store/database.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

using namespace kszw;

namespace {

QStringList items(const QComboBox* box)
{
    QStringList values;
    for (int i = 0; i < box->count(); ++i)
        values << box->itemText(i);
    return values;
}

QStringList qtList(const std::vector<std::string>& values)
{
    QStringList list;
    for (const std::string& value : values)
        list << QString::fromStdString(value);
    return list;
}

} // namespace

class AccountSetInfoDialogTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_file;
    std::unique_ptr<CKszwEnv> m_env;

private slots:
    void init()
    {
        static int count = 0;
        m_file = m_dir.path() + QStringLiteral("/s%1/2026.ksk").arg(++count);
        QDir().mkpath(QFileInfo(m_file).path());
        createYearFile(m_file.toStdString(), 2026);
        Database db = Database::open(m_file.toStdString());
        db.execute("UPDATE SYSTAB SET NA='甲公司',KJ='张三',T1='20251226',T13='20270105',JT='105',MM=2");
        m_env = std::make_unique<CKszwEnv>();
        ScriptedPrompt prompt;
        QCOMPARE(m_env->openFile(m_file.toStdString(), "101", prompt), int(kLoginOk));
    }

    void showsTheFileItsValuesAndTheTwentyTwoChoices()
    {
        ScriptedPrompt prompt;
        CAccountSetInfoDlg dialog(*m_env, prompt);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("修改帐套信息"));
        QCOMPARE(dialog.fileLabel()->text(), m_file);
        QCOMPARE(dialog.unitEdit()->text(), QStringLiteral("甲公司"));
        QCOMPARE(dialog.chiefEdit()->text(), QStringLiteral("张三"));
        QCOMPARE(dialog.yearLabel()->text(), QStringLiteral("2026"));
        QCOMPARE(dialog.closedMonthsLabel()->text(), QStringLiteral("2"));
        QCOMPARE(items(dialog.yearStartBox()), qtList(yearStartChoices(2026)));
        QCOMPARE(items(dialog.yearEndBox()), qtList(yearEndChoices(2026)));
        QCOMPARE(items(dialog.monthEndBox()), qtList(monthEndChoices()));
        QCOMPARE(dialog.yearStartBox()->count(), 22);
        QCOMPARE(dialog.yearStartBox()->currentText(), QStringLiteral("20251226"));
        QCOMPARE(dialog.yearEndBox()->currentText(), QStringLiteral("20270105"));
        QCOMPARE(dialog.monthEndBox()->currentText(), QStringLiteral("105"));
        QVERIFY(dialog.monthEndBox()->isEnabled());
        QStringList buttons;
        for (const QPushButton* button : dialog.findChildren<QPushButton*>())
            buttons << button->text();
        QCOMPARE(buttons, (QStringList{"&S.确认", "&X.取消"}));
    }

    void theMonthEndDayIsFixedOnceTheYearHasVoucherLines()
    {
        m_env->db().execute("INSERT INTO P0 VALUES('20260105','0001',1,'x','101',1,1,0,'2','01')");
        ScriptedPrompt prompt;
        CAccountSetInfoDlg dialog(*m_env, prompt);
        QVERIFY(!dialog.monthEndBox()->isEnabled());
        QVERIFY(dialog.yearStartBox()->isEnabled());
    }

    void theNameFieldsRefuseQuotesBlanksAndTooManyBytes()
    {
        ScriptedPrompt prompt;
        CAccountSetInfoDlg dialog(*m_env, prompt);
        dialog.chiefEdit()->clear();
        dialog.chiefEdit()->typeText(QStringLiteral("李'| [\"]会计主管"));
        // Eight bytes: 李 and 会计主 take two each; the quotes, bar, blank and brackets are refused.
        QCOMPARE(dialog.chiefEdit()->text(), QStringLiteral("李会计主"));
        dialog.unitEdit()->clear();
        dialog.unitEdit()->typeText(QString(25, QChar(0x4e59)));
        QCOMPARE(dialog.unitEdit()->text(), QString(20, QChar(0x4e59)));
    }

    void aRefusalKeepsTheDialogWithTheFocusOnTheField()
    {
        m_env->db().execute("INSERT INTO CERDIR VALUES('20260103','0001','102',NULL,0,'0','2','01')");
        ScriptedPrompt prompt;
        CAccountSetInfoDlg dialog(*m_env, prompt);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.yearStartBox()->setCurrentText(QStringLiteral("20260105"));
        dialog.unitEdit()->setFocus();
        QTest::keyClick(dialog.unitEdit(), Qt::Key_Return);
        QCOMPARE(prompt.texts(), std::vector<std::string>{"年初日大于已制作凭证的最小日,请重设置！"});
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.focusWidget(), static_cast<QWidget*>(dialog.yearStartBox()));
        QCOMPARE(m_env->yearStart(), std::string("20251226"));
    }

    void confirmWritesTheValuesAndCloses()
    {
        ScriptedPrompt prompt;
        CAccountSetInfoDlg dialog(*m_env, prompt);
        dialog.unitEdit()->setText(QStringLiteral("乙公司"));
        dialog.yearStartBox()->setCurrentText(QStringLiteral("20260101"));
        dialog.yearEndBox()->setCurrentText(QStringLiteral("20261231"));
        dialog.monthEndBox()->setCurrentText(QStringLiteral("031"));
        dialog.confirm();
        QCOMPARE(prompt.texts(), std::vector<std::string>{"修改结束"});
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(m_env->unitName(), std::string("乙公司"));
        QCOMPARE(m_env->monthEndCode(), std::string("031"));
        QCOMPARE(m_env->db().queryText("SELECT T1||T13||JT FROM SYSTAB").value(), std::string("2026010120261231031"));
    }
};

QTEST_MAIN(AccountSetInfoDialogTest)
#include "account_set_info_dialog_test.moc"
