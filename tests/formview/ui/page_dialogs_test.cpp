// The page-setup and print dialogs: their checks, what they hand back, copying a page format from
// another year data file.
#include "accountset/year_file.h"
#include "common/prompt.h"
#include "formview/print_settings.h"
#include "formview/ui/font_mapping.h"
#include "formview/ui/page_setup_dialog.h"
#include "formview/ui/print_dialog.h"
#include "store/database.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

using namespace kszw;

class PageDialogsTest : public QObject {
    Q_OBJECT

private:
    static void setMillimetres(PageSetupDialog& dialog, std::initializer_list<std::pair<const char*, double>> values)
    {
        for (const auto& [name, value] : values)
            dialog.field(name)->setValue(value);
    }

private slots:
    void showsTheSettingsInMillimetresAndTheFontList()
    {
        ScriptedPrompt prompt;
        PageSetupDialog dialog(defaultViewSettings(), 4, "0", prompt);
        QCOMPARE(dialog.field("width")->text(), QStringLiteral("260.0"));
        QCOMPARE(dialog.field("length")->text(), QStringLiteral("190.0"));
        QCOMPARE(dialog.field("lineSpacing")->text(), QStringLiteral("2.5"));
        QCOMPARE(dialog.field("head")->text(), QStringLiteral("5.0"));
        QCOMPARE(dialog.field("foot")->text(), QStringLiteral("20.0"));
        QTreeWidget* fonts = dialog.fontList();
        QCOMPARE(fonts->topLevelItemCount(), 4);
        QStringList title;
        for (int c = 0; c < fonts->columnCount(); ++c)
            title << fonts->topLevelItem(0)->text(c);
        QCOMPARE(title, (QStringList{"标题", "宋体", "21.75", "粗体字样", "黑色", "√", "×"}));
        QCOMPARE(fonts->topLevelItem(2)->text(2), QStringLiteral("12"));
        QCOMPARE(fonts->topLevelItem(2)->text(3), QStringLiteral("常规字样"));
    }

    void refusesValuesWithTheFirstFailingMessage()
    {
        struct Case {
            std::initializer_list<std::pair<const char*, double>> values;
            QString message;
        };
        const Case cases[] = {
            {{{"width", 100}, {"left", 50}, {"right", 45}},
             "所给页面除去左右边距外，已没有打印区域，\r\r请重新调整页宽、页左边距和页右边距之间的长度。"},
            {{{"length", 100}, {"head", 50}, {"foot", 45}},
             "所给页面除去页头和页脚长度已没有打印区域，\r\r请重新调整页长、页头和页脚之间的长度。"},
            {{{"width", 5}, {"length", 5}}, "无效的页面宽度，\r\r输入另一个数。"},
            {{{"lineSpacing", 0}}, "打印行间距无效，\r\r输入另一个数。"},
        };
        for (const Case& c : cases) {
            ScriptedPrompt prompt;
            PageSetupDialog dialog(defaultViewSettings(), 4, "0", prompt);
            setMillimetres(dialog, c.values);
            dialog.confirm();
            QCOMPARE(QString::fromStdString(prompt.last()), c.message);
            QCOMPARE(prompt.entries().back().caption, std::string("岚屿穗软件-页面设置"));
            QCOMPARE(dialog.result(), int(QDialog::Rejected));
            QVERIFY(!dialog.changed());
        }
    }

    void confirmingHandsBackTheValuesInTenthsOfMillimetres()
    {
        ScriptedPrompt prompt;
        ViewSettings start = defaultViewSettings();
        start.columnWidths = {20, 10, 6};
        PageSetupDialog dialog(start, 4, "0", prompt);
        setMillimetres(dialog, {{"width", 210}, {"length", 297}, {"lineSpacing", 3.2}, {"left", 15.5}});
        dialog.confirm();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(prompt.entries().empty());
        QVERIFY(dialog.changed());
        QCOMPARE(dialog.settings().page.pageWidth, 2100);
        QCOMPARE(dialog.settings().page.pageLength, 2970);
        QCOMPARE(dialog.settings().page.pageRow, 32);
        QCOMPARE(dialog.settings().page.pageLeft, 155);
        QCOMPARE(dialog.settings().columnWidths, (std::vector<int>{20, 10, 6}));
    }

    void defaultsRestorePageAndFontsButNotColumnWidths()
    {
        ScriptedPrompt prompt;
        ViewSettings start = defaultViewSettings();
        start.page.pageWidth = 2100;
        start.fonts[kBodyFont].height = -30;
        start.columnWidths = {8, 9};
        PageSetupDialog dialog(start, 4, "0", prompt);
        dialog.restoreDefaults();
        dialog.confirm();
        ViewSettings expected = defaultViewSettings();
        expected.columnWidths = {8, 9};
        QVERIFY(dialog.settings() == expected);
    }

    void copiesThePageFormatOfTheSameViewFromAnotherFile()
    {
        QTemporaryDir dir;
        const QString other = dir.path() + QStringLiteral("/2025.ksk");
        createYearFile(other.toStdString(), 2025);
        {
            Database db = Database::open(other.toStdString());
            ViewSettings stored = defaultViewSettings();
            stored.page.pageWidth = 2970;
            stored.fonts[kTitleFont].faceName = "黑体";
            SaveViewSettings(db, 4, "0", stored);
        }
        ScriptedPrompt prompt;
        PageSetupDialog dialog(defaultViewSettings(), 4, "0", prompt);
        dialog.chooseSourceFile = [&] { return other; };
        dialog.copyFromFile(other);
        QCOMPARE(dialog.field("width")->value(), 297.0);
        QCOMPARE(dialog.fontList()->topLevelItem(0)->text(1), QStringLiteral("黑体"));
        dialog.confirm();
        QCOMPARE(dialog.settings().page.pageWidth, 2970);

        // A file that is not a year data file is refused with the login's message.
        PageSetupDialog second(defaultViewSettings(), 4, "0", prompt);
        second.copyFromFile(dir.path() + QStringLiteral("/2030.ksk"));
        QCOMPARE(QString::fromStdString(prompt.last()), QStringLiteral("该文件不存在！"));
        QCOMPARE(second.field("width")->value(), 260.0);
    }

    void printRangeAndCopiesAreChecked()
    {
        struct Case {
            bool range;
            QString from;
            QString to;
            int copies;
            QString message;
        };
        const Case cases[] = {
            {true, "3", "2", 1, "指定开始打印页大于终止打印页，\r\r输入另一个数。"},
            {true, "x", "2", 1, "指定开始打印页无效，或大于当前打印的最多页，\r\r输入另一个数。"},
            {true, "1", "4", 1, "指定终止打印页无效，或大于当前打印的最多页，\r\r输入另一个数。"},
            {false, "", "", 0, "无效的打印份数，\r\r输入另一个数。"},
        };
        for (const Case& c : cases) {
            ScriptedPrompt prompt;
            PrintDialog dialog(PrintDialog::Mode::Print, PageSettings{}, 3, QString(), prompt);
            (c.range ? dialog.rangePages() : dialog.allPages())->setChecked(true);
            dialog.fromPage()->setText(c.from);
            dialog.toPage()->setText(c.to);
            dialog.copies()->setValue(c.copies);
            dialog.confirm();
            QCOMPARE(QString::fromStdString(prompt.last()), c.message);
            QCOMPARE(prompt.entries().back().caption, std::string("岚屿穗软件-打印"));
            QCOMPARE(dialog.result(), int(QDialog::Rejected));
        }
    }

    void theChosenRangeAndCopiesGoIntoThePageSettings()
    {
        ScriptedPrompt prompt;
        PrintDialog dialog(PrintDialog::Mode::Print, PageSettings{}, 5, QString(), prompt);
        // Without printers the PDF file is the way out; it is always listed.
        QVERIFY(dialog.printerBox()->findText(PrintDialog::pdfPrinterName()) >= 0);
        dialog.printerBox()->setCurrentText(PrintDialog::pdfPrinterName());
        dialog.choosePdfFile = [] { return QStringLiteral("/tmp/books"); };
        dialog.rangePages()->setChecked(true);
        dialog.fromPage()->setText(QStringLiteral("2"));
        dialog.toPage()->setText(QStringLiteral("4"));
        dialog.copies()->setValue(2);
        dialog.confirm();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.page().allPage, 0);
        QCOMPARE(dialog.page().selectPage, 1);
        QCOMPARE(dialog.page().fromPage, 2);
        QCOMPARE(dialog.page().toPage, 4);
        QCOMPARE(dialog.page().pageCopies, 2);
        QVERIFY(dialog.printsToPdf());
        QCOMPARE(dialog.pdfFile(), QStringLiteral("/tmp/books.pdf"));
    }

    void fontsAndColoursMapBothWays()
    {
        const std::array<FontSpec, 4> fonts = defaultFonts();
        QFont title = toQFont(fonts[kTitleFont]);
        QCOMPARE(title.pointSizeF(), 21.75);
        QCOMPARE(title.weight(), QFont::Bold);
        QVERIFY(title.underline());
        QCOMPARE(toQFont(fonts[kBodyFont]).pointSizeF(), 12.0);
        FontSpec back = fromQFont(title, fonts[kTitleFont]);
        QCOMPARE(back.height, -29);
        QCOMPARE(back.weight, 700);
        QCOMPARE(back.underline, 1);
        QCOMPARE(back.charSet, 134);
        QCOMPARE(toQColor(kSilver), QColor(192, 192, 192));
        QCOMPARE(fromQColor(QColor(0, 0, 128)), makeRgb(0, 0, 128));
    }
};

QTEST_MAIN(PageDialogsTest)
#include "page_dialogs_test.moc"
