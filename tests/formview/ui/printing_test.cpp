// Printing a form view: pages split by rows per page, the "rows do not fit" refusal, PDF output
// through the same drawing code, page setup storing the settings, stored settings read again.
#include "accountset/year_file.h"
#include "common/command_ids.h"
#include "common/prompt.h"
#include "formview/print_settings.h"
#include "formview/ui/form_printer.h"
#include "formview/ui/modal_closer.h"
#include "formview/ui/page_setup_dialog.h"
#include "formview/ui/print_dialog.h"
#include "store/database.h"
#include "support/ui/journal_view.h"

#include <QApplication>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFont>
#include <QPdfWriter>
#include <QPrinterInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

using namespace kszw;

namespace {

// A journal that prints a fixed number of rows per page and records, page by page, which TEXT
// rows it drew and the page number it was told for its page label.
class PageRecordingView : public JournalTestView {
public:
    PageRecordingView(Rows rows, int printedRowsPerPage) : JournalTestView(std::move(rows), false),
                                                            m_rowsPerPage(printedRowsPerPage)
    {
    }
    std::vector<std::vector<int>> pages;
    std::vector<int> pageNumbers;

    int GetPageRows(bool printing) const override
    {
        return printing ? m_rowsPerPage : JournalTestView::GetPageRows(false);
    }
    void DrawHeadings(QPainter& dc) override
    {
        if (isPrinting()) {
            pages.emplace_back();
            pageNumbers.push_back(drawingPageNumber());
        }
        JournalTestView::DrawHeadings(dc);
    }
    void DrawCell(QPainter& dc, int row, int col, std::string_view area) override
    {
        if (isPrinting() && area == "TEXT" && col == 0 && !pages.empty())
            pages.back().push_back(row);
        JournalTestView::DrawCell(dc, row, col, area);
    }

private:
    int m_rowsPerPage;
};

int pdfPageCount(const QString& file)
{
    QFile pdf(file);
    if (!pdf.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray content = pdf.readAll();
    if (!content.startsWith("%PDF"))
        return -1;
    return static_cast<int>(QString::fromLatin1(content).count(QRegularExpression(QStringLiteral("/Type\\s*/Page[^s]"))));
}

} // namespace

class PrintingTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;

private slots:
    void initTestCase()
    {
        QFont::insertSubstitutions(QStringLiteral("宋体"), {QStringLiteral("AR PL UMing CN"),
                                                            QStringLiteral("Noto Sans CJK SC")});
    }

    void twentyFiveRowsAtTenAPagePrintThreePages()
    {
        PageRecordingView view(JournalTestView::sampleRows(25), 10);
        view.initialUpdate();
        QCOMPARE(view.GetPageCount(true), 3);
        QPdfWriter pdf(m_dir.path() + QStringLiteral("/split.pdf"));
        QVERIFY(renderPages(view, pdf, 1, 99));
        QCOMPARE(view.pages.size(), size_t(3));
        QCOMPARE(view.pages[0].size(), size_t(10));
        QCOMPARE(view.pages[0].front(), 0);
        QCOMPARE(view.pages[1].front(), 10);
        QCOMPARE(view.pages[2], (std::vector<int>{20, 21, 22, 23, 24}));

        // A range prints only its pages.
        view.pages.clear();
        QPdfWriter second(m_dir.path() + QStringLiteral("/range.pdf"));
        QVERIFY(renderPages(view, second, 2, 2));
        QCOMPARE(view.pages.size(), size_t(1));
        QCOMPARE(view.pages[0].front(), 10);
    }

    void pageLabelsCountThePrintedPages()
    {
        // Two page lengths: numbers counted with any other rows per page (the screen's, say)
        // cannot give both series.
        struct Case {
            int rowsPerPage;
            std::vector<int> numbers;
        };
        const Case cases[] = {
            {7, {1, 2, 3, 4, 5, 6, 7, 8, 9}}, // 60 rows: 8 pages of 7 and one of 4
            {25, {1, 2, 3}},                  // 25 + 25 + 10
        };
        for (const Case& c : cases) {
            PageRecordingView view(JournalTestView::sampleRows(60), c.rowsPerPage);
            view.initialUpdate();
            QPdfWriter pdf(m_dir.path() + QStringLiteral("/labels.pdf"));
            QVERIFY(renderPages(view, pdf, 1, 99));
            QCOMPARE(view.pageNumbers, c.numbers);
            // A range keeps the numbers of its pages.
            view.pageNumbers.clear();
            QPdfWriter range(m_dir.path() + QStringLiteral("/labels-range.pdf"));
            QVERIFY(renderPages(view, range, 2, 3));
            QCOMPARE(view.pageNumbers, (std::vector<int>{2, 3}));
        }
    }

    void aViewWithoutRowsPrintsOnePageWithItsHeaders()
    {
        PageRecordingView view({}, 10);
        view.initialUpdate();
        QCOMPARE(view.GetPageCount(true), 1);
        QPdfWriter pdf(m_dir.path() + QStringLiteral("/empty.pdf"));
        QVERIFY(renderPages(view, pdf, 1, 1));
        QCOMPARE(view.pages.size(), size_t(1));
    }

    void nothingIsPrintedWhenNotOneRowFits()
    {
        JournalTestView view(JournalTestView::sampleRows(5), false);
        view.initialUpdate();
        ViewSettings settings = view.viewSettings();
        settings.page.pageRow = 1800; // 180 mm between rows on 190 mm paper
        view.setViewSettings(settings);
        QCOMPARE(view.GetPageRows(true), 0);
        QCOMPARE(view.GetPageCount(true), 1);

        ScriptedPrompt prompt;
        const QString file = m_dir.path() + QStringLiteral("/none.pdf");
        QVERIFY(!exportViewToPdf(view, file, prompt));
        QCOMPARE(QString::fromStdString(prompt.last()), QStringLiteral("行距太大，或纸张太小！"));
        QCOMPARE(prompt.entries().back().caption, std::string("岚屿穗财务软件"));
        prompt.clear();
        QVERIFY(!printView(view, prompt, nullptr));
        QCOMPARE(QString::fromStdString(prompt.last()), QStringLiteral("行距太大，或纸张太小！"));
        prompt.clear();
        previewView(view, prompt, nullptr);
        QCOMPARE(QString::fromStdString(prompt.last()), QStringLiteral("行距太大，或纸张太小！"));

        // The print command of the main window tells it in a message box.
        ModalCloser closer;
        QVERIFY(view.runCommand(cmd::kPrint));
        QCOMPARE(closer.classNames(), QStringList{QStringLiteral("QMessageBox")});
        QCOMPARE(closer.seen().front().text, QStringLiteral("行距太大，或纸张太小！"));
        QCOMPARE(closer.seen().front().title, QStringLiteral("岚屿穗财务软件"));
    }

    void everyPageGoesToThePdfFile()
    {
        JournalTestView view(JournalTestView::sampleRows(60), false);
        view.initialUpdate();
        // The journal's 190 mm page at 1200 dpi (the PDF printer): the body rows start 1366 dots
        // down and are 211 + 118 (2.5 mm) high; below them the footer row (329), the foot row
        // (184 + 118) and the foot length (945). (8976 − 945 − 1366 − 329 − 302) ÷ 329 = 18.3.
        // The 600-dpi page GetPageRows measures on without a printer gives the same 18.
        QCOMPARE(view.GetPageRows(true), 18);
        ScriptedPrompt prompt;
        const QString file = m_dir.path() + QStringLiteral("/journal.pdf");
        QVERIFY(exportViewToPdf(view, file, prompt));
        QVERIFY(prompt.entries().empty());
        QCOMPARE(pdfPageCount(file), 4); // 18 + 18 + 18 + 6 rows
        if (!qEnvironmentVariableIsEmpty("KSZW_PDF_COPY"))
            QFile::copy(file, qEnvironmentVariable("KSZW_PDF_COPY"));
    }

    void withoutAPrinterThePrintJobOffersAPdfFile()
    {
        if (!QPrinterInfo::availablePrinterNames().isEmpty())
            QSKIP("a printer is installed here");
        JournalTestView view(JournalTestView::sampleRows(30), false);
        view.initialUpdate();
        ScriptedPrompt prompt;
        const QString file = m_dir.path() + QStringLiteral("/printed.pdf");
        ModalCloser closer;
        QString offeredPrinter;
        closer.actOn<PrintDialog>([&](PrintDialog& dialog) {
            offeredPrinter = dialog.printerName();
            dialog.choosePdfFile = [&] { return file; };
            if (dialog.printsToPdf())
                dialog.confirm();
        });
        const bool printed = printView(view, prompt, nullptr);
        QCOMPARE(closer.classNames(), QStringList{QStringLiteral("kszw::PrintDialog")});
        QCOMPARE(offeredPrinter, PrintDialog::pdfPrinterName());
        QVERIFY(printed);
        QCOMPARE(prompt.entries().size(), size_t(1));
        QCOMPARE(QString::fromStdString(prompt.entries().front().text),
                 QStringLiteral("黄牌警告：\r\t尚未安装打印机，不能打印!"));
        QCOMPARE(pdfPageCount(file), 2); // 30 rows at 18 a page (see everyPageGoesToThePdfFile)
    }

    void pageSetupRelaysOutAndStoresTheSettingsWithTheColumnWidths()
    {
        const QString path = m_dir.path() + QStringLiteral("/2026.ksk");
        createYearFile(path.toStdString(), 2026);
        Database db = Database::open(path.toStdString());
        JournalTestView view(JournalTestView::sampleRows(5), true);
        view.setSettingsKey(SettingsKey{&db, 4, "0"});
        view.initialUpdate();
        QCOMPARE(view.GetPageRows(true), 18); // the default page (see everyPageGoesToThePdfFile)
        ScriptedPrompt prompt;

        for (double lineSpacing : {4.0, 5.0}) {
            ModalCloser closer;
            closer.actOn<PageSetupDialog>([&](PageSetupDialog& dialog) {
                dialog.field("length")->setValue(297);
                dialog.field("lineSpacing")->setValue(lineSpacing);
                dialog.confirm();
            });
            const bool stored = pageSetup(view, view.settingsKey(), prompt, nullptr);
            QCOMPARE(closer.classNames(), QStringList{QStringLiteral("kszw::PageSetupDialog")});
            QVERIFY(stored);
        }
        QVERIFY(prompt.entries().empty());
        QCOMPARE(view.viewSettings().page.pageLength, 2970);
        QCOMPARE(view.viewSettings().page.pageRow, 50);
        // On the 600-dpi page: rows of 106 + 118 (5 mm) from 862 down a 7016-dot page, with 472 of
        // foot length, 224 of footer row and 93 + 118 of foot line below:
        // (7016 − 472 − 862 − 224 − 211) ÷ 224 = 23.4.
        QCOMPARE(view.GetPageRows(true), 23);
        QCOMPARE(db.queryLong("SELECT count(*) FROM KSPAGESET WHERE nFlag=4 AND sFieldMode='0'"), 1);
        QCOMPARE(db.queryLong("SELECT count(*) FROM KSFONT WHERE nFlag=4 AND sFieldMode='0'"), 4);
        QCOMPARE(db.queryLong("SELECT count(*) FROM FIELDWIDTH WHERE NFLAG=4 AND SFIELDMODE='0'"),
                 view.columnCount());
        QCOMPARE(db.queryLong("SELECT PageRow FROM KSPAGESET WHERE nFlag=4"), 50);

        // A view opened later reads them again.
        JournalTestView again(JournalTestView::sampleRows(5), true);
        again.setSettingsKey(SettingsKey{&db, 4, "0"});
        again.initialUpdate();
        QCOMPARE(again.viewSettings().page.pageLength, 2970);
        QCOMPARE(again.formLayout().columnWidths, view.formLayout().columnWidths);
    }

    void storedColumnWidthsReplaceTheLayoutsOnes()
    {
        const QString path = m_dir.path() + QStringLiteral("/2027.ksk");
        createYearFile(path.toStdString(), 2027);
        Database db = Database::open(path.toStdString());
        ViewSettings stored = defaultViewSettings();
        stored.columnWidths = {11, 7};
        SaveViewSettings(db, 1, "0", stored);
        JournalTestView view(JournalTestView::sampleRows(3), true);
        view.setSettingsKey(SettingsKey{&db, 1, "0"});
        view.initialUpdate();
        QCOMPARE(view.formLayout().columnWidths[0], 11);
        QCOMPARE(view.formLayout().columnWidths[1], 7);
        // A new year file's view prints with the default geometry.
        JournalTestView fresh(JournalTestView::sampleRows(3), true);
        fresh.setSettingsKey(SettingsKey{&db, 4, "0"});
        QCOMPARE(fresh.viewSettings().page, defaultPageSettings());
    }
};

QTEST_MAIN(PrintingTest)
#include "printing_test.moc"
