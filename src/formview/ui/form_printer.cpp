#include "formview/ui/form_printer.h"

#include "common/command_ids.h"
#include "common/prompt.h"
#include "formview/page_rules.h"
#include "formview/ui/form_view.h"
#include "formview/ui/page_setup_dialog.h"
#include "formview/ui/print_dialog.h"
#include "store/database.h"
#include "store/database_error.h"
#include "store/error_messages.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>

#include <algorithm>

namespace kszw {

namespace {

constexpr const char* kPrinterProperty = "kszwPrinter";

// The printer chosen by print setup while no view was open.
QString& applicationPrinter()
{
    static QString name;
    return name;
}

void tellRowsDoNotFit(Prompt& prompt)
{
    prompt.tell(kRowsDoNotFit, Icon::Exclamation, kPrintCaption);
}

// Rows per printed page measured on the device.
int printedRowsPerPage(CKsFormView& view, const QPaintDevice& device)
{
    view.setPrintDevice(&device);
    const int rows = view.GetPageRows(true);
    return rows;
}

} // namespace

int rowsPerPrintedPage(CKsFormView& view)
{
    QPrinter measure(QPrinter::HighResolution);
    measure.setOutputFormat(QPrinter::PdfFormat);
    preparePrinter(view, measure);
    const int rows = printedRowsPerPage(view, measure);
    view.setPrintDevice(nullptr);
    return rows;
}

void preparePrinter(const CKsFormView& view, QPrinter& printer)
{
    const PageSettings& page = view.viewSettings().page;
    printer.setFullPage(true);
    printer.setPageSize(QPageSize(QSizeF(page.pageWidth / 10.0, page.pageLength / 10.0), QPageSize::Millimeter,
                                  QString(), QPageSize::ExactMatch));
    printer.setPageOrientation(QPageLayout::Portrait);
    printer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
    printer.setDocName(view.windowTitle());
}

bool renderPages(CKsFormView& view, QPagedPaintDevice& device, int fromPage, int toPage)
{
    const int rowsPerPage = printedRowsPerPage(view, device);
    if (rowsPerPage < 1) {
        view.setPrintDevice(nullptr);
        return false;
    }
    const int pages = pageCount(view.textRowCount(), rowsPerPage);
    fromPage = std::clamp(fromPage, 1, pages);
    toPage = std::clamp(toPage, fromPage, pages);
    QPainter painter(&device);
    for (int page = fromPage; page <= toPage; ++page) {
        if (page > fromPage)
            device.newPage();
        view.OnDraw(painter, device, true, (page - 1) * rowsPerPage);
    }
    painter.end();
    view.setPrintDevice(nullptr);
    return true;
}

bool printView(CKsFormView& view, Prompt& prompt, QWidget* parent)
{
    const int rowsPerPage = rowsPerPrintedPage(view);
    if (rowsPerPage < 1) {
        tellRowsDoNotFit(prompt);
        return false;
    }
    const int pages = pageCount(view.textRowCount(), rowsPerPage);
    if (QPrinterInfo::availablePrinterNames().isEmpty()) {
        // Without a printer the pages can still go to a PDF file, which the dialog offers.
        prompt.tell(kNoPrinter, Icon::Exclamation, kPrintCaption);
    }

    PageSettings page = view.viewSettings().page;
    page.maxPage = pages;
    PrintDialog dialog(PrintDialog::Mode::Print, page, pages, viewPrinterName(view), prompt, parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    ViewSettings settings = view.currentViewSettings();
    settings.page = dialog.page();
    settings.page.maxPage = pages;
    view.setViewSettings(settings);

    QPrinter printer(QPrinter::HighResolution);
    if (dialog.printsToPdf()) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(dialog.pdfFile());
    } else {
        printer.setPrinterName(dialog.printerName());
    }
    preparePrinter(view, printer);
    printer.setCopyCount(std::max(1, settings.page.pageCopies));
    const int from = settings.page.allPage ? 1 : settings.page.fromPage;
    const int to = settings.page.allPage ? pages : settings.page.toPage;
    if (!renderPages(view, printer, from, to)) {
        tellRowsDoNotFit(prompt);
        return false;
    }
    return true;
}

void previewView(CKsFormView& view, Prompt& prompt, QWidget* parent)
{
    if (rowsPerPrintedPage(view) < 1) {
        tellRowsDoNotFit(prompt);
        return;
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    preparePrinter(view, printer);
    QPrintPreviewDialog preview(&printer, parent);
    preview.setWindowTitle(QStringLiteral("打印预览"));
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                     [&view](QPrinter* target) { renderPages(view, *target, 1, INT_MAX); });
    preview.resize(1000, 760);
    preview.exec();
}

bool exportViewToPdf(CKsFormView& view, const QString& file, Prompt& prompt)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(file);
    preparePrinter(view, printer);
    if (!printer.isValid()) {
        prompt.warn(("无法写入文件：" + file).toStdString());
        return false;
    }
    if (!renderPages(view, printer, 1, INT_MAX)) {
        tellRowsDoNotFit(prompt);
        return false;
    }
    return true;
}

bool exportViewToPdfAsked(CKsFormView& view, Prompt& prompt, QWidget* parent)
{
    QString file = QFileDialog::getSaveFileName(parent, QStringLiteral("输出 PDF 文件"),
                                                QDir(lastOutputFolder()).filePath(view.windowTitle()),
                                                QStringLiteral("PDF 文件(*.pdf)"));
    if (file.isEmpty())
        return false;
    if (!file.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive))
        file += QStringLiteral(".pdf");
    lastOutputFolder() = QFileInfo(file).absolutePath();
    return exportViewToPdf(view, file, prompt);
}

QString viewPrinterName(const CKsFormView& view)
{
    const QString own = view.property(kPrinterProperty).toString();
    return own.isEmpty() ? applicationPrinter() : own;
}

void printSetupWithoutView(Prompt& prompt, QWidget* parent)
{
    PrintDialog dialog(PrintDialog::Mode::Setup, PageSettings{}, 1, applicationPrinter(), prompt, parent);
    if (dialog.exec() == QDialog::Accepted)
        applicationPrinter() = dialog.printsToPdf() ? QString() : dialog.printerName();
}

bool isPrintCommand(int id)
{
    return id == cmd::kPrint || id == cmd::kPrintPreview || id == cmd::kExportPdf || id == cmd::kPrintSetup
           || id == cmd::kPageSetup;
}

bool runPrintCommand(CKsFormView& view, int id, Prompt& prompt)
{
    switch (id) {
    case cmd::kPrint: printView(view, prompt, &view); return true;
    case cmd::kPrintPreview: previewView(view, prompt, &view); return true;
    case cmd::kExportPdf: exportViewToPdfAsked(view, prompt, &view); return true;
    case cmd::kPrintSetup: printSetup(view, prompt, &view); return true;
    case cmd::kPageSetup: pageSetup(view, view.settingsKey(), prompt, &view); return true;
    default: return false;
    }
}

void printSetup(CKsFormView& view, Prompt& prompt, QWidget* parent)
{
    if (rowsPerPrintedPage(view) < 1) {
        tellRowsDoNotFit(prompt);
        return;
    }
    PrintDialog dialog(PrintDialog::Mode::Setup, view.viewSettings().page, 1, viewPrinterName(view), prompt, parent);
    if (dialog.exec() == QDialog::Accepted)
        view.setProperty(kPrinterProperty, dialog.printsToPdf() ? QString() : dialog.printerName());
}

bool pageSetup(CKsFormView& view, const SettingsKey& key, Prompt& prompt, QWidget* parent)
{
    PageSetupDialog dialog(view.currentViewSettings(), key.nFlag, key.fieldMode, prompt, parent);
    if (dialog.exec() != QDialog::Accepted || !dialog.changed())
        return false;
    view.setViewSettings(dialog.settings());
    if (key.db) {
        try {
            SaveViewSettings(*key.db, key.nFlag, key.fieldMode, view.currentViewSettings());
        } catch (const DatabaseError& error) {
            prompt.warn(userMessage(error, key.db->path()));
        }
    }
    return true;
}

} // namespace kszw
