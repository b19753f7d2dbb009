// 帮助主题: the guide built into the program with its pictures, the appendix of commands made
// from the command table, finding text, links within the guide, the keyboard.
#include "app/command_table.h"
#include "app/ui/help_dialog.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QAbstractTextDocumentLayout>
#include <QTextFrame>
#include <QTextLayout>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>
#include <QtTest>

using namespace kszw;

namespace {

// The first heading of the guide as written in its file, without the "#" marks.
QString firstGuideHeading()
{
    QFile guide(QString::fromLatin1(kGuideResource));
    if (!guide.open(QIODevice::ReadOnly))
        return {};
    for (const QString& line : QString::fromUtf8(guide.readAll()).split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1Char('#')))
            return line.mid(line.indexOf(QLatin1Char(' '))).trimmed();
    }
    return {};
}

// The cells of the appendix row whose first cell is the command's text.
QStringList appendixRow(QTextDocument& document, const QString& command)
{
    QTextCursor cursor = document.find(QStringLiteral("附录：命令一览"));
    while (!cursor.isNull()) {
        cursor = document.find(command, cursor);
        if (cursor.isNull())
            break;
        QTextTable* table = cursor.currentTable();
        if (!table)
            continue;
        const QTextTableCell found = table->cellAt(cursor);
        if (found.column() != 0)
            continue;
        QStringList cells;
        for (int column = 0; column < table->columns(); ++column) {
            const QTextTableCell cell = table->cellAt(found.row(), column);
            QTextCursor text = cell.firstCursorPosition();
            text.setPosition(cell.lastCursorPosition().position(), QTextCursor::KeepAnchor);
            cells << text.selectedText();
        }
        if (cells.value(0) == command)
            return cells;
    }
    return {};
}

} // namespace

class HelpDialogTest : public QObject {
    Q_OBJECT

private slots:
    void theGuideComesFirstAndTheAppendixOfCommandsFollows()
    {
        HelpDialog dialog;
        QVERIFY(dialog.hasGuide());
        const QString heading = firstGuideHeading();
        QVERIFY(!heading.isEmpty());
        const QString text = dialog.browser()->document()->toPlainText();
        QVERIFY2(text.contains(heading), qPrintable(heading));
        QVERIFY(text.contains(QStringLiteral("附录：命令一览")));
        QVERIFY(text.indexOf(heading) < text.indexOf(QStringLiteral("附录：命令一览")));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("帮助主题"));
    }

    void everyMenuAndCommandIsInTheAppendix()
    {
        HelpDialog dialog;
        const QString text = dialog.browser()->document()->toPlainText();
        const QString appendix = text.mid(text.indexOf(QStringLiteral("附录：命令一览")));
        for (const MenuInfo& menu : mainMenu()) {
            const QString title = QString::fromUtf8(menu.title.data(), qsizetype(menu.title.size())).remove(QLatin1Char('&'));
            QVERIFY2(appendix.contains(title), qPrintable(title));
            for (int id : menu.items) {
                const CommandInfo* info = id ? findCommand(id) : nullptr;
                if (!info || info->text.empty())
                    continue;
                const QString command = QString::fromUtf8(info->text.data(), qsizetype(info->text.size())).remove(QLatin1Char('&'));
                QVERIFY2(appendix.contains(command), qPrintable(command));
            }
        }
    }

    void theAppendixRowsTellWhatACommandDoesAndTheRightItNeeds_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QStringList>("row");
        QTest::newRow("review") << QStringLiteral("复核登帐")
                                << QStringList{QStringLiteral("复核登帐"), QStringLiteral("记帐凭证复核与登帐"),
                                               QStringLiteral("0204 凭证复核与登帐")};
        QTest::newRow("shortcut, no right") << QStringLiteral("打印(P)...（Ctrl+P）")
                                            << QStringList{QStringLiteral("打印(P)...（Ctrl+P）"),
                                                           QStringLiteral("打印当前视图"), QStringLiteral("—")};
        QTest::newRow("administration") << QStringLiteral("建新年度帐")
                                        << QStringList{QStringLiteral("建新年度帐"), QStringLiteral("建立新年度数据文件"),
                                                       QStringLiteral("0101 帐务管理")};
    }

    void theAppendixRowsTellWhatACommandDoesAndTheRightItNeeds()
    {
        QFETCH(QString, command);
        QFETCH(QStringList, row);
        HelpDialog dialog;
        QCOMPARE(appendixRow(*dialog.browser()->document(), command), row);
    }

    void headingsAreNamedAsLinksToThemAreWritten_data()
    {
        QTest::addColumn<QString>("heading");
        QTest::addColumn<QString>("anchor");
        QTest::newRow("chinese punctuation") << QStringLiteral("附录：命令一览") << QStringLiteral("附录命令一览");
        QTest::newRow("blanks and case") << QStringLiteral("Getting Started") << QStringLiteral("getting-started");
        QTest::newRow("numbers") << QStringLiteral("3.2 复核登帐") << QStringLiteral("32-复核登帐");
        QTest::newRow("trimmed") << QStringLiteral("  结帐 ") << QStringLiteral("结帐");
    }

    void headingsAreNamedAsLinksToThemAreWritten()
    {
        QFETCH(QString, heading);
        QFETCH(QString, anchor);
        QCOMPARE(headingAnchor(heading), anchor);
    }

    void thePicturesOfTheGuideAreInsideTheProgramAndFitTheWindow()
    {
        const QStringList pictures = QDir(QStringLiteral(":/guide/images")).entryList({QStringLiteral("*.png")});
        QVERIFY2(!pictures.isEmpty(), "no pictures under :/guide/images");
        HelpDialog dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTextDocument* document = dialog.browser()->document();
        for (const QString& picture : pictures) {
            const QVariant image = document->resource(QTextDocument::ImageResource, QUrl(QStringLiteral("images/") + picture));
            QVERIFY2(image.isValid() && !image.value<QImage>().isNull(), qPrintable(picture));
            QVERIFY2(image.value<QImage>().width() <= dialog.browser()->viewport()->width(), qPrintable(picture));
        }
        // Every picture the guide shows is found.
        int shown = 0;
        for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
            for (auto fragment = block.begin(); !fragment.atEnd(); ++fragment) {
                const QTextCharFormat format = fragment.fragment().charFormat();
                if (!format.isImageFormat())
                    continue;
                ++shown;
                const QString name = format.toImageFormat().name();
                QVERIFY2(!document->resource(QTextDocument::ImageResource, QUrl(name)).value<QImage>().isNull(),
                         qPrintable(name));
            }
        }
        QFile guide(QString::fromLatin1(kGuideResource));
        QVERIFY(guide.open(QIODevice::ReadOnly));
        if (QString::fromUtf8(guide.readAll()).contains(QStringLiteral("](images/")))
            QVERIFY(shown > 0);
    }

    void theGuideNeverScrollsSideways()
    {
        HelpDialog dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTextDocument* document = dialog.browser()->document();
        // The blocks and frames wider than the text: none once the pictures are fitted to the window.
        auto wideParts = [&] {
            const qreal width = document->textWidth();
            QStringList wide;
            for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
                if (block.layout() && block.layout()->boundingRect().width() > width)
                    wide << block.text().left(40);
            }
            for (QTextFrame* frame : document->rootFrame()->childFrames()) {
                const QRectF box = document->documentLayout()->frameBoundingRect(frame);
                if (box.right() > width) {
                    QTextCursor inside = frame->firstCursorPosition();
                    inside.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
                    wide << inside.selectedText().left(40);
                }
            }
            return wide;
        };
        QTRY_VERIFY2(wideParts().isEmpty(), qPrintable(wideParts().join(QLatin1String(" | "))));
        QCOMPARE(dialog.browser()->horizontalScrollBar()->maximum(), 0);
    }

    void findingWrapsAroundAndTellsWhatIsNowhere()
    {
        HelpDialog dialog;
        dialog.findField()->setText(QStringLiteral("复核登帐"));
        QVERIFY(dialog.findNext());
        QCOMPARE(dialog.browser()->textCursor().selectedText(), QStringLiteral("复核登帐"));
        const int first = dialog.browser()->textCursor().position();
        // Past the last one the search starts again at the top.
        int position = first;
        for (int i = 0; i < 100; ++i) {
            QVERIFY(dialog.findNext());
            position = dialog.browser()->textCursor().position();
            if (position <= first)
                break;
        }
        QCOMPARE(position, first);
        QVERIFY(dialog.findNext(true));
        QVERIFY(dialog.browser()->textCursor().position() != first);
        QVERIFY(dialog.findStatus()->text().isEmpty());

        dialog.findField()->setText(QStringLiteral("没有这样的文字"));
        QVERIFY(!dialog.findNext());
        QCOMPARE(dialog.findStatus()->text(), QStringLiteral("找不到“没有这样的文字”"));
    }

    void theKeyboardFindsTurnsPagesFollowsLinksAndCloses()
    {
        HelpDialog dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QScrollBar* bar = dialog.browser()->verticalScrollBar();
        QCOMPARE(bar->value(), 0);
        QTest::keyClick(dialog.browser(), Qt::Key_PageDown);
        QVERIFY(bar->value() > 0);
        QTest::keyClick(dialog.browser(), Qt::Key_PageUp);
        QCOMPARE(bar->value(), 0);

        // Ctrl+F goes to the find field; Page Down still turns the guide's page there.
        QTest::keyClick(&dialog, Qt::Key_F, Qt::ControlModifier);
        QVERIFY(dialog.findField()->hasFocus());
        QTest::keyClick(dialog.findField(), Qt::Key_PageDown);
        QVERIFY(bar->value() > 0);
        bar->setValue(0);

        // A link within the guide goes to its heading.
        dialog.followLink(QUrl(QStringLiteral("#") + headingAnchor(QStringLiteral("附录：命令一览"))));
        QVERIFY(bar->value() > 0);
        const QTextCursor top = dialog.browser()->cursorForPosition(QPoint(4, 4));
        QVERIFY(top.block().text().contains(QStringLiteral("附录")) || bar->value() == bar->maximum());

        QTest::keyClick(dialog.browser(), Qt::Key_Escape);
        QVERIFY(!dialog.isVisible());
    }
};

QTEST_MAIN(HelpDialogTest)
#include "help_dialog_test.moc"
