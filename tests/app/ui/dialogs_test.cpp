// The dialogs of the shell: calculator, the spec-checking edit field, About and the message
// boxes' text.
#include "app/ui/about_dialog.h"
#include "common/clock.h"
#include "common/prompt.h"
#include "common/ui/qt_prompt.h"
#include "formula/ui/calculator_dialog.h"
#include "formview/ui/spec_edit.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

using namespace kszw;

namespace {

// Types text key by key; characters outside ASCII arrive as key events with their text, as an
// input method delivers them.
void typeKeys(QWidget* widget, const QString& text)
{
    for (QChar c : text) {
        if (c.unicode() < 0x80)
            QTest::keyClicks(widget, QString(c));
        else
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

} // namespace

class DialogsTest : public QObject {
    Q_OBJECT

private:
    FixedClock m_clock{CivilDate{2026, 12, 6}};

private slots:
    void theCalculatorComputesClearsAndSends()
    {
        struct Case {
            QString expression;
            QString result;
        };
        const Case cases[] = {
            {"1+2*3", "7"},
            {"2^3^2", "512"},
            {"10/4", "2.5"},
            {"1/3", "0.333333"},
            {"1/0", "除数为零！"},
            {"(1+2", "括号出错！"},
            {"1-1", "0"},
        };
        for (const Case& c : cases) {
            CalculatorDialog calculator(m_clock, c.expression);
            calculator.findChild<QPushButton*>(QStringLiteral("compute"))->click();
            QCOMPARE(calculator.resultEdit()->text(), c.result);
        }

        CalculatorDialog calculator(m_clock, QStringLiteral("1234.5*2"));
        calculator.findChild<QPushButton*>(QStringLiteral("clear"))->click();
        QVERIFY(calculator.expressionEdit()->text().isEmpty());
        QVERIFY(calculator.resultEdit()->text().isEmpty());
        QTest::keyClicks(calculator.expressionEdit(), QStringLiteral("1234.5*2"));
        calculator.findChild<QPushButton*>(QStringLiteral("send"))->click();
        QCOMPARE(calculator.result(), int(QDialog::Accepted));
        QCOMPARE(calculator.sentValue(), QStringLiteral("2469"));

        CalculatorDialog failing(m_clock, QStringLiteral("2*(3"));
        failing.findChild<QPushButton*>(QStringLiteral("send"))->click();
        QCOMPARE(failing.result(), int(QDialog::Rejected));
        QCOMPARE(failing.resultEdit()->text(), QStringLiteral("括号出错！"));
    }

    void theSpecEditLetsThroughOnlyWhatItsSpecAccepts()
    {
        struct Case {
            QString spec;
            int limit;
            int extra;
            QString typed;
            QString result;
        };
        const Case cases[] = {
            {"NUMBER 1 12", 0, 0, "123", "12"},
            {"NUMBER 1 12", 0, 0, "-5", "5"},
            {"NUMBER", 14, 2, "1.2345", "1.23"},
            {"NUMBER", 14, 2, "12。5。", "12.5"},
            {"NUMBER 0123456789", 3, 0, "1024", "102"},
            {"STRING CHAR_DIGIT", 0, 0, "a1-帐b", "a1b"},
            {"STRING NOT |[]'\"", 0, 0, "a b|帐'\"c", "ab帐c"},
            {"MDBSTRING", 0, 0, "x\"y'z", "x\"yz"},
            {"STRING", 5, 0, "ab帐帐", "ab帐"},
            {"CLASSNOSTRING", 1, 0, "-101-01-02", "101-0102"},
            {"", 0, 0, "any'|thing", "any'|thing"},
        };
        for (const Case& c : cases) {
            CSpecEdit edit;
            edit.SetInputSpec(c.spec, c.limit, c.extra);
            typeKeys(&edit, c.typed);
            QCOMPARE(edit.text(), c.result);
        }
    }

    void theSpecEditChecksPasteAndKeepsControlKeys()
    {
        CSpecEdit edit;
        edit.SetInputSpec(QStringLiteral("NUMBER"), 14, 2);
        QApplication::clipboard()->setText(QStringLiteral("1,234.567"));
        QTest::keySequence(&edit, QKeySequence::Paste);
        QCOMPARE(edit.text(), QStringLiteral("1234.56"));
        QTest::keyClick(&edit, Qt::Key_Backspace);
        QCOMPARE(edit.text(), QStringLiteral("1234.5"));
        QTest::keyClick(&edit, Qt::Key_Home);
        QTest::keyClicks(&edit, QStringLiteral("-"));
        QCOMPARE(edit.text(), QStringLiteral("-1234.5"));
        // Typing over a selection is checked against the text without it.
        edit.SetInputSpec(QStringLiteral("NUMBER 1 12"), 0, 0);
        edit.setText(QStringLiteral("11"));
        edit.selectAll();
        QTest::keyClicks(&edit, QStringLiteral("9"));
        QCOMPARE(edit.text(), QStringLiteral("9"));
    }

    void aboutShowsTitleAndVersion()
    {
        AboutDialog about;
        QStringList texts;
        for (QLabel* label : about.findChildren<QLabel*>())
            texts << label->text();
        QVERIFY(texts.contains(QStringLiteral("岚屿穗帐务软件")));
        QVERIFY(texts.contains(QStringLiteral("(1.0 版)")));
    }

    void messageTextsShowCarriageReturnsAsLineBreaks()
    {
        QCOMPARE(displayText("变量名必须是以“#”开始且由“数字、字母”构\r\r成的非空字符串！"),
                 QStringLiteral("变量名必须是以“#”开始且由“数字、字母”构\n\n成的非空字符串！"));
        QCOMPARE(displayText("a\r\nb\vc"), QStringLiteral("a\nb\nc"));
    }
};

QTEST_MAIN(DialogsTest)
#include "dialogs_test.moc"
