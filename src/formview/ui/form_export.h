// Exporting a form view's table to CSV and Excel files: the table taken from the view's own
// drawing (every body row on one tall page, the texts as the view was given them before any
// shortening), the file dialogs, and the 导出 commands.
#pragma once

#include "formview/table_export.h"

#include <QString>

class QWidget;

namespace kszw {

class CKsFormView;
struct Prompt;

// The view's table as its drawing shows it: the title, the head lines (texts in the columns they
// begin in), the column headers in the rows they stand in (a header stacked one character a row
// joined into one text), every body row up to the last filled one, the footer rows, the foot lines
// and the view's column widths. Right-aligned figures are numbers with the decimals they show.
ExportTable collectExportTable(CKsFormView& view);

// The file name proposed for the view's export: its title without characters a file name cannot
// hold, and the suffix ("csv", "xlsx").
QString proposedExportName(CKsFormView& view, const QString& suffix);

// Writes the view's table to the file; false (the reason told) when it could not be written.
bool exportViewToCsv(CKsFormView& view, const QString& file, Prompt& prompt);
bool exportViewToXlsx(CKsFormView& view, const QString& file, Prompt& prompt);
// Asks for the file ("导出 CSV 文件" / "导出 Excel 文件"), then writes it; false when cancelled or
// not written.
bool exportViewToCsvAsked(CKsFormView& view, Prompt& prompt, QWidget* parent);
bool exportViewToXlsxAsked(CKsFormView& view, Prompt& prompt, QWidget* parent);

// The export commands of a form view (CSV, Excel): whether id is one, and running it. False for
// any other command.
bool isExportCommand(int id);
bool runExportCommand(CKsFormView& view, int id, Prompt& prompt);

} // namespace kszw
