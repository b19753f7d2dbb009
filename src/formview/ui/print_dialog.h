// The print dialog (905): the printer, the page range (all pages or from … to) and the number of
// copies; in setup mode only the printer and its properties. When no printer is installed the
// pages can be written to a PDF file instead, which is offered as one more "printer".
#pragma once

#include "formview/print_settings.h"

#include <QDialog>
#include <QString>

class QComboBox;
class QLineEdit;
class QRadioButton;
class QSpinBox;

namespace kszw {

// The folder the output file choosers (PDF, CSV, Excel) open in: the user's home folder at first,
// then the folder of the last file written, for the rest of the session.
QString& lastOutputFolder();

struct Prompt;

class PrintDialog : public QDialog {
    Q_OBJECT
public:
    enum class Mode { Print, Setup };

    // The name under which the PDF file "printer" is listed.
    static QString pdfPrinterName();

    PrintDialog(Mode mode, const PageSettings& page, int pageCount, const QString& currentPrinter, Prompt& prompt,
                QWidget* parent = nullptr);

    // The page settings with the chosen range and copies (AllPage, SelectPage, FromPage, ToPage,
    // PageCopies); the other fields as they came in.
    const PageSettings& page() const { return m_page; }
    // The chosen printer name; pdfPrinterName() for a PDF file.
    QString printerName() const;
    bool printsToPdf() const { return printerName() == pdfPrinterName(); }
    // The PDF file chosen when printing to PDF.
    QString pdfFile() const { return m_pdfFile; }

    QComboBox* printerBox() const { return m_printers; }
    QRadioButton* allPages() const { return m_all; }
    QRadioButton* rangePages() const { return m_range; }
    QLineEdit* fromPage() const { return m_from; }
    QLineEdit* toPage() const { return m_to; }
    QSpinBox* copies() const { return m_copies; }

    // Chooses the PDF file to write; replaceable for tests.
    std::function<QString()> choosePdfFile;

public slots:
    void confirm();

private:
    void showProperties();

    Mode m_mode;
    PageSettings m_page;
    int m_pageCount;
    Prompt& m_prompt;
    QString m_pdfFile;
    QComboBox* m_printers;
    QRadioButton* m_all = nullptr;
    QRadioButton* m_range = nullptr;
    QLineEdit* m_from = nullptr;
    QLineEdit* m_to = nullptr;
    QSpinBox* m_copies = nullptr;
};

} // namespace kszw
