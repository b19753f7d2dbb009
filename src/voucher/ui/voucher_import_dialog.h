// CVoucherImportDlg: importing vouchers from a CSV file (导入凭证). The chosen file is read as
// UTF-8 or, when it is not, as GBK, and the dialog says which. Before anything is written it shows
// a preview of every row: the voucher it lands in (date and number, a generated number where the
// file leaves it empty) and the program's message for each refused row, in red, with a summary
// line. 确认 is offered only when no row is refused; it stores the whole file through the same
// import as kszw-cli, all or nothing, and says how many vouchers were stored. 取消 writes nothing.
#pragma once

#include "voucher/voucher_import.h"

#include <QDialog>
#include <QString>

#include <functional>
#include <string>

class QLabel;
class QPushButton;
class QTableWidget;

namespace kszw {

class CKszwEnv;
struct Clock;
struct Prompt;

// The voucher import dialog.
class CVoucherImportDlg : public QDialog {
    Q_OBJECT
public:
    // Asks for the file to import; an empty text when none was chosen.
    using FileChooser = std::function<QString(QWidget* parent)>;

    // The columns of the preview.
    enum Column { LineColumn, DateColumn, NumberColumn, SummaryColumn, SubjectColumn, DebitColumn, CreditColumn,
                  QuantityColumn, ResultColumn, ColumnCount };

    CVoucherImportDlg(CKszwEnv& env, const Clock& clock, Prompt& prompt, QWidget* parent = nullptr);

    // The command: asks for a file with a file dialog, shows its preview and imports on 确认.
    static void openImport(CKszwEnv& env, const Clock& clock, Prompt& prompt, QWidget* parent);
    // The same with another way to choose the file.
    static void openImport(CKszwEnv& env, const Clock& clock, Prompt& prompt, QWidget* parent, FileChooser chooser);

    // Replaces the file dialog of 选择文件.
    void setFileChooser(FileChooser chooser) { m_chooser = std::move(chooser); }

    // Reads the file and shows its preview. False, with the reason told and the dialog as it was,
    // when the file cannot be read, is in neither encoding, or the engine fails.
    bool loadFile(const QString& path);

    // How many vouchers 确认 stored (0 before).
    int storedVouchers() const { return m_stored; }
    // The preview shown.
    const VoucherImportResult& preview() const { return m_preview; }

    QLabel* fileText() const { return m_file; }
    QLabel* encodingText() const { return m_encoding; }
    QTableWidget* previewTable() const { return m_table; }
    QLabel* summaryText() const { return m_summary; }
    QPushButton* chooseButton() const { return m_choose; }
    QPushButton* confirmButton() const { return m_confirm; }
    QPushButton* cancelButton() const { return m_cancel; }

public slots:
    // 选择文件: asks for a file and previews it; false when none was chosen or it was not read.
    bool chooseFile();
    // 确认: the import; the dialog closes (Accepted) when it stored the file.
    void confirm();

private:
    void showPreview(const VoucherImportResult& result);

    CKszwEnv& m_env;
    const Clock& m_clock;
    Prompt& m_prompt;
    FileChooser m_chooser;
    std::string m_text; // the file read, as UTF-8
    VoucherImportResult m_preview;
    int m_stored = 0;

    QLabel* m_file = nullptr;
    QLabel* m_encoding = nullptr;
    QTableWidget* m_table = nullptr;
    QLabel* m_summary = nullptr;
    QPushButton* m_choose = nullptr;
    QPushButton* m_confirm = nullptr;
    QPushButton* m_cancel = nullptr;
};

} // namespace kszw
