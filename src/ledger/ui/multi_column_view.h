// CKszwzb2: the multi-column ledger view (多栏式帐页). For one account marked for a multi-column
// ledger it shows, read only, a column per child account (debit-side children first, then the
// credit-side ones, under the group headings "借 方" and "贷 方") between the date, voucher number
// and summary on the left and the direction word and balance on the right. Summary mode (the mode
// on creation) gives the opening row and two rows per month; detail mode every posted line of the
// children with the month's two total rows. Open (Ctrl+O) chooses the account and the span in the
// auxiliary directory; 查询凭证 (Enter or a double click on a line) opens a line's voucher through a
// hook the main window provides.
//
// The grid has n + 6 columns for n children; its layout is made again whenever the columns' widths
// change, and each column count keeps its own stored widths (print settings mode "n"). Before the
// first ledger four placeholder columns "第 1 栏" … "第 4 栏" stand there. Printed in detail mode,
// a page that ends inside a run of lines carries its column sums over with "过次页" / "承前页".
#pragma once

#include "formview/ui/form_view.h"
#include "ledger/multi_column_ledger.h"
#include "ledger/ui/period_dialog.h"
#include "voucher/voucher_listing.h"

#include <QString>

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QAction;

namespace kszw {

class CKszwEnv;
struct Clock;

// The multi-column ledger view.
class CKszwzb2 : public CKsFormView {
    Q_OBJECT
public:
    static constexpr int kQueryVoucherCommand = 40017; // 查询凭证(&S)
    static constexpr int kDetailModeCommand = 32848;   // 输出明细记录
    static constexpr int kSummaryModeCommand = 32849;  // 输出汇总记录
    // The longest account name path the head shows.
    static constexpr int kNamePathLimit = 84;
    // The placeholder columns before the first ledger, and their width.
    static constexpr int kPlaceholderColumns = 4;
    static constexpr int kPlaceholderWidth = 12;
    // The period title before the first ledger.
    static constexpr std::string_view kPlaceholderPeriod = "×× 年 × 月 至 × 月";

    // An empty ledger over the logged-in year file: the whole year, summary mode, no account, the
    // placeholder columns. Its print settings are the year file's for the multi-column ledger
    // (mode "0" for the placeholder layout).
    CKszwzb2(CKszwEnv& env, const Clock& clock, QWidget* parent = nullptr);

    // The account the next LoadLedger shows (code trimmed).
    void setAccount(const std::string& code);
    // The span the next LoadLedger shows, accounting months of the open year.
    void setPeriod(int startMonth, int endMonth);
    // The mode of the next LoadLedger: detail rows, or summary rows.
    void setDetail(bool detail) { m_detail = detail; }
    // The rebuild: when something is posted below the account up to the end month, children never
    // given a side become debit columns (written to the file), the columns are read, the rows of
    // the mode built and shown from the first; true then. Otherwise (or on an engine error, told)
    // nothing on the grid changes and false.
    bool LoadLedger();

    // The mode commands: the mode set, then the rebuild.
    void showDetail(bool detail);
    // Open: the auxiliary directory (multi-column kind) on the account and span; an account with
    // nothing posted below it up to the end month is refused with "本科目无经济内容!" and the
    // directory opens again on it; another one becomes the account and span shown.
    void chooseAccount();

    // What 查询凭证 opens: the voucher of a line, by its date and number.
    void setOpenVoucher(std::function<void(const VoucherKey&)> openVoucher) { m_openVoucher = std::move(openVoucher); }
    // 查询凭证 on a display row: the voucher of a detail row is opened and the title is
    // "多栏式帐页" again; false (nothing done) for any other row or without the hook.
    bool openVoucherAt(int row);
    // True when the display row is a line of a voucher (it has a voucher number).
    bool isDetailRowAt(int row) const;

    // Print begin: in detail mode the print rows, with carry rows after every rowsPerPage printed
    // rows (0, or more than the view's paper holds: as many as it holds), take the grid's place.
    void OnBeginPrinting(int rowsPerPage = 0);
    // Print end (or cancel): the print rows are dropped and the grid shows the ledger again.
    void OnEndPrinting();
    // Writes every printed page to a PDF file between print begin and end; false when it could not
    // be written (the reason told).
    bool exportPdf(const QString& file);

    const std::string& code() const { return m_code; }
    int startMonth() const { return m_period.startMonth; }
    int endMonth() const { return m_period.endMonth; }
    // The mode of the next rebuild, and the mode of the rows shown.
    bool detail() const { return m_detail; }
    bool detailShown() const { return m_shown && m_shown->detail; }
    // The columns shown (none before the first ledger).
    const std::vector<LedgerColumn>& columns() const { return m_columns; }
    // The account whose ledger the grid shows and its name path; empty before the first ledger.
    std::string shownCode() const { return m_shown ? m_shown->code : std::string(); }
    const std::string& namePath() const { return m_namePath; }
    // The period title of the head: the span of the rows shown, the placeholder before.
    std::string periodTitle() const;
    const std::vector<MultiColumnRow>& rows() const { return m_rows; }
    const std::vector<std::vector<std::string>>& printRows() const { return m_printRows; }
    bool isPrintJobRunning() const { return m_printJob; }
    std::string titleText() const { return std::string(kMultiColumnTitle); }
    // The text a cell shows: the rows (TEXT; the print rows while printing), the column header
    // (FORMHEAD, three rows: the group headings on the first over the columns' names on the
    // second), the head lines (HEAD; the page text on paper only).
    std::string displayedText(int row, int col, std::string_view area) const;
    // The context-menu item of a command of the view (nothing for other ids).
    QAction* menuAction(int id) const;

    bool isCommandEnabled(int id) const override;
    bool runCommand(int id) override;

    // ---- the form view's contract ----
    void InitFormLayout() override;
    void OnRowsAdded(int count) override;
    void DrawHeadings(QPainter& dc) override;
    void DrawCell(QPainter& dc, int row, int col, std::string_view area) override;
    // The rules and the three-line column header with the grouped amount columns.
    void DrawGrid(QPainter& dc) override;
    CellInfo GetCellInfo(int row, int col, std::string_view area, bool entering) override;
    void SetCellValue(int row, int col, std::string_view area, const std::string& text) override;
    bool CanEditCell(int row, int col, std::string_view area) override;
    int GetPageRows(bool printing) const override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    struct ShownLedger {
        std::string code;
        int startMonth = 0;
        int endMonth = 0;
        bool detail = false;
    };

    // The amount columns on the grid: the ledger's, or the placeholders before the first one.
    int amountColumns() const;
    // The grid's widths for a set of columns; the layout made again when they differ from the
    // present ones, with the stored widths of the column count.
    void applyColumns(const std::vector<LedgerColumn>& columns);
    void applyRowCount();
    void applyHeadCells();
    int measuredPrintRows();
    int rowAt(const QPoint& point) const;
    int commandRow() const;
    void updateMenuState();
    void drawColumnHeader(QPainter& dc, int top, int rowHeight);
    const std::vector<std::string>* cellsAt(int row) const;

    CKszwEnv& m_env;
    std::string m_code;
    LedgerPeriod m_period;
    bool m_detail = false;
    std::optional<ShownLedger> m_shown;
    std::vector<LedgerColumn> m_columns;
    std::vector<int> m_layoutWidths; // the widths the layout was made with
    std::string m_namePath;
    std::vector<MultiColumnRow> m_rows;
    std::vector<std::vector<std::string>> m_printRows;
    int m_printRowsPerPage = 0; // 0 unless print rows are shown
    bool m_printJob = false;
    std::function<void(const VoucherKey&)> m_openVoucher;
    int m_menuRow = -1;
};

} // namespace kszw
