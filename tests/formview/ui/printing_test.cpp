// Printing a form view: pages split by rows per page, the "rows do not fit" refusal, PDF output
// through the same drawing code, page setup storing the settings, stored settings read again.
#include "accountset/year_file.h"
#include "common/prompt.h"
#include "formview/page_rules.h"
#include "formview/print_settings.h"
#include "formview/ui/form_printer.h"
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
#include <QTimer>
#include <QtTest>

using namespace kszw;

namespace {

// A journal that prints a fixed number of rows per page and records, page by page, which TEXT
// rows it drew.
class PageRecordingView : public JournalTestView {
public:
    PageRecordingView(Rows rows, int printedRowsPerPage) : JournalTestView(std::move(rows), false),
                                                            m_rowsPerPage(printedRowsPerPage)
    {
    }
    std::vector<std::vector<int>> pages;

    int GetPageRows(bool printing) const override
    {
        return printing ? m_rowsPerPage : JournalTestView::GetPageRows(false);
    }
    void DrawHeadings(QPainter& dc) override
    {
        if (isPrinting())
            pages.emplace_back();
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

template <typename Dialog>
Dialog* activeDialog()
{
    return qobject_cast<Dialog*>(QApplication::activeModalWidget());
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
    }

    void everyPageGoesToThePdfFile()
    {
        JournalTestView view(JournalTestView::sampleRows(60), false);
        view.initialUpdate();
        const int rows = view.GetPageRows(true);
        QVERIFY(rows > 0);
        ScriptedPrompt prompt;
        const QString file = m_dir.path() + QStringLiteral("/journal.pdf");
        QVERIFY(exportViewToPdf(view, file, prompt));
        QVERIFY(prompt.entries().empty());
        QCOMPARE(pdfPageCount(file), pageCount(60, rows));
        QVERIFY(pdfPageCount(file) > 1);
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
        QTimer::singleShot(0, [&] {
            auto* dialog = activeDialog<PrintDialog>();
            QVERIFY(dialog);
            QCOMPARE(dialog->printerName(), PrintDialog::pdfPrinterName());
            dialog->choosePdfFile = [&] { return file; };
            dialog->confirm();
        });
        QVERIFY(printView(view, prompt, nullptr));
        QCOMPARE(QString::fromStdString(prompt.entries().front().text),
                 QStringLiteral("黄牌警告：\r\t尚未安装打印机，不能打印!"));
        QCOMPARE(pdfPageCount(file), view.GetPageCount(true));
    }

    void pageSetupRelaysOutAndStoresTheSettingsWithTheColumnWidths()
    {
        const QString path = m_dir.path() + QStringLiteral("/2026.ksk");
        createYearFile(path.toStdString(), 2026);
        Database db = Database::open(path.toStdString());
        JournalTestView view(JournalTestView::sampleRows(5), true);
        view.setSettingsKey(SettingsKey{&db, 4, "0"});
        view.initialUpdate();
        const int rowsBefore = view.GetPageRows(true);
        ScriptedPrompt prompt;

        for (int round = 0; round < 2; ++round) {
            QTimer::singleShot(0, [&] {
                auto* dialog = activeDialog<PageSetupDialog>();
                QVERIFY(dialog);
                dialog->field("length")->setValue(297);
                dialog->field("lineSpacing")->setValue(round == 0 ? 4.0 : 5.0);
                dialog->confirm();
            });
            QVERIFY(pageSetup(view, view.settingsKey(), prompt, nullptr));
        }
        QVERIFY(prompt.entries().empty());
        QCOMPARE(view.viewSettings().page.pageLength, 2970);
        QCOMPARE(view.viewSettings().page.pageRow, 50);
        QVERIFY(view.GetPageRows(true) != rowsBefore);
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
