// Printing a form view: the print job (rows-per-page check, print dialog, the chosen pages on a
// printer or in a PDF file), print preview, writing every page to a PDF file, print setup and
// page setup. Every page is drawn by the view's own drawing code, as on the screen.
#pragma once

#include "formview/print_settings.h"

#include <QString>

#include <string>

class QPagedPaintDevice;
class QPrinter;
class QWidget;

namespace kszw {

class CKsFormView;
struct Prompt;

// Sets the printer's paper to the view's page size with no margins of its own: the view draws its
// margins itself.
void preparePrinter(const CKsFormView& view, QPrinter& printer);

// Draws pages from … to (1-based, clamped to the page count) of the view on a paged device that a
// painter is not yet open on; false when not one row fits on a page.
bool renderPages(CKsFormView& view, QPagedPaintDevice& device, int fromPage, int toPage);
// Rows per printed page on the view's paper, measured on a high-resolution page; 0 when not one
// row fits.
int rowsPerPrintedPage(CKsFormView& view);

// The whole print job with the print dialog; false when nothing was printed.
bool printView(CKsFormView& view, Prompt& prompt, QWidget* parent);
// Print preview of every page.
void previewView(CKsFormView& view, Prompt& prompt, QWidget* parent);
// Writes every page to a PDF file; false (with the reason told) when it could not be written.
bool exportViewToPdf(CKsFormView& view, const QString& file, Prompt& prompt);
// Asks for a PDF file and writes every page to it.
bool exportViewToPdfAsked(CKsFormView& view, Prompt& prompt, QWidget* parent);
// Print setup: the printer the view prints on.
void printSetup(CKsFormView& view, Prompt& prompt, QWidget* parent);
// Page setup: on confirmation with changed values the view takes them and they are stored under
// the key together with the view's column widths.
bool pageSetup(CKsFormView& view, const SettingsKey& key, Prompt& prompt, QWidget* parent);

// The printer a view prints on (set by print setup), or else the one chosen by print setup
// without a view; empty for the system's default printer.
QString viewPrinterName(const CKsFormView& view);
// Print setup without a view: the printer views print on unless they chose their own.
void printSetupWithoutView(Prompt& prompt, QWidget* parent);

// The printing commands of a form view (print, preview, PDF, print setup, page setup):
// whether the view offers one, and running it. False for any other command.
bool isPrintCommand(int id);
bool runPrintCommand(CKsFormView& view, int id, Prompt& prompt);

} // namespace kszw
