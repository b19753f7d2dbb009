// CKszwzb1: the three-column ledger view (三栏式帐页). For one account and its whole subtree over a
// span of accounting months it shows, read only, the rows the core's ledger builder gives: in
// detail mode the opening row, every posted line with its running balance and the two total rows
// after each month; in summary mode the opening row and the two total rows per month. The output
// mode is automatic (detail for an account without children), detail or summary, chosen in the
// context menu. Open (Ctrl+O) chooses another account, 改变查询时间 another span, and 查询凭证
// (Enter or a double click on a line) opens the voucher of a line through a hook the main window
// provides.
//
// Printed in detail mode, each page that ends inside a run of lines ends with "  过  次  页" and
// the next begins with "  承  前  页": while a print job runs the grid holds those print rows,
// and afterwards the lines it showed before.
#pragma once

#include "formview/ui/form_view.h"
#include "ledger/three_column_ledger.h"
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

// The three-column ledger view.
class CKszwzb1 : public CKsFormView {
    Q_OBJECT
public:
    // The commands of the view's context menu (查询凭证 shares its id with the voucher display's
    // next voucher).
    static constexpr int kQueryVoucherCommand = 40017;   // 查询凭证(&W)
    static constexpr int kChangePeriodCommand = 40016;   // 改变查询时间(&K)
    static constexpr int kAutomaticModeCommand = 32847;  // 自动选择输出方式
    static constexpr int kDetailModeCommand = 32848;     // 输出明细记录
    static constexpr int kSummaryModeCommand = 32849;    // 输出汇总记录
    // The longest account name path the head shows.
    static constexpr int kNamePathLimit = 84;

    // An empty ledger over the logged-in year file: the whole year, automatic mode, no account.
    // Its print settings are the year file's for the three-column ledger (mode "0").
    CKszwzb1(CKszwEnv& env, const Clock& clock, QWidget* parent = nullptr);

    // The account the next LoadLedger shows (code trimmed; its level follows from the code).
    void setAccount(const std::string& code);
    // The span the next LoadLedger shows, accounting months of the open year.
    void setPeriod(int startMonth, int endMonth);
    // Runs the ledger of the account, span and mode and fills the grid from its first row. When
    // the ledger has no rows the grid is emptied under the new head, except that reloading the
    // very ledger shown (same account, span and detail flag) keeps the rows it shows. An engine
    // error is told and the grid kept.
    void LoadLedger();

    // The mode commands: the mode is set; the ledger is loaded again only when the detail flag it
    // gives differs from the one in force.
    void setMode(LedgerMode mode);
    // 改变查询时间(&K): the period dialog; confirmed, the span and its title take the new months
    // and the ledger is loaded again when they changed.
    void changePeriod();
    // Open: the account selection on the account shown and the end month; another account
    // chosen is shown, the same one changes nothing.
    void chooseAccount();

    // What 查询凭证 opens: the voucher of a line, by its date and number.
    void setOpenVoucher(std::function<void(const VoucherKey&)> openVoucher) { m_openVoucher = std::move(openVoucher); }
    // 查询凭证 on a display row: the voucher of a detail row is opened and the title is
    // "三栏式帐页" again; false (nothing done) for any other row or without the hook.
    bool openVoucherAt(int row);
    // True when the display row is a line of a voucher (it has a voucher number).
    bool isDetailRowAt(int row) const;

    // Print begin: in detail mode the print rows, with carry rows after every rowsPerPage
    // printed rows (0, or more than the view's paper holds: as many as it holds), take the
    // grid's place.
    void OnBeginPrinting(int rowsPerPage = 0);
    // Print end (or cancel): the print rows are dropped and the grid shows the ledger again.
    void OnEndPrinting();
    // Writes every printed page to a PDF file between print begin and end; false when it could
    // not be written (the reason told).
    bool exportPdf(const QString& file);

    const std::string& code() const { return m_code; }
    int level() const { return m_level; }
    const LedgerPeriod& period() const { return m_period; }
    int startMonth() const { return m_period.startMonth; }
    int endMonth() const { return m_period.endMonth; }
    // "%4d 年 %2d 月 至 %2d 月" of the span.
    std::string periodTitle() const { return m_period.title(); }
    LedgerMode mode() const { return m_mode; }
    // The detail flag of the rows shown (false before the first load).
    bool detailInForce() const { return m_detail; }
    bool hasChildren() const { return m_hasChildren; }
    // The account whose ledger the grid shows, and its name path; empty before the first load.
    const std::string& shownCode() const { return m_shownCode; }
    const std::string& namePath() const { return m_namePath; }
    // The display rows (none before the first load).
    const std::vector<LedgerRow>& rows() const { return m_rows; }
    // The print rows while a detail ledger is being printed; empty otherwise.
    const std::vector<LedgerCells>& printRows() const { return m_printRows; }
    bool isPrintJobRunning() const { return m_printJob; }
    // " 总分类帐 " … by the level.
    std::string titleText() const;
    // The text a cell shows: the rows (TEXT; the print rows while printing), the column header
    // (FORMHEAD, three rows), the head lines (HEAD; the page text on paper only).
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
    // The rules and the three-line column header: the year over 月 and 日, 凭证 over 号码, 借/或/贷
    // stacked, the other titles across the whole header.
    void DrawGrid(QPainter& dc) override;
    CellInfo GetCellInfo(int row, int col, std::string_view area, bool entering) override;
    void SetCellValue(int row, int col, std::string_view area, const std::string& text) override;
    bool CanEditCell(int row, int col, std::string_view area) override;
    // While print rows are shown, a printed page holds the number of rows they were made for.
    int GetPageRows(bool printing) const override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    // What the rows on the grid are the ledger of.
    struct ShownLedger {
        std::string code;
        int startMonth = 0;
        int endMonth = 0;
        bool detail = false;
        friend bool operator==(const ShownLedger&, const ShownLedger&) = default;
    };

    // The grid's row count (the rows, or the print rows) and the head cells.
    void applyRowCount();
    void applyHeadCells();
    // Rows per printed page on the view's paper.
    int measuredPrintRows();
    // The display row under a point of the viewport; -1 when none.
    int rowAt(const QPoint& point) const;
    // The row 查询凭证 acts on: the one the context menu was opened on, else the current row.
    int commandRow() const;
    void drawColumnHeader(QPainter& dc);
    const LedgerCells* cellsAt(int row) const;

    CKszwEnv& m_env;
    std::string m_code;
    int m_level = 1;
    LedgerPeriod m_period;
    LedgerMode m_mode = LedgerMode::Automatic;
    bool m_detail = false;
    bool m_hasChildren = false;
    std::optional<ShownLedger> m_shown;
    std::string m_shownCode;
    std::string m_namePath;
    std::vector<LedgerRow> m_rows;
    std::vector<LedgerCells> m_printRows;
    int m_printRowsPerPage = 0; // 0 unless print rows are shown
    bool m_printJob = false;
    std::function<void(const VoucherKey&)> m_openVoucher;
    int m_menuRow = -1; // the row the context menu was opened on
};

} // namespace kszw
