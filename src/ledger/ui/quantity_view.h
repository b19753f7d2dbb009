// CKszwzb3: the quantity-amount ledger (数量金额式帐页) and the foreign-currency ledger (复币式帐页)
// of one leaf account. Read only, it shows the rows the core's builder gives: the opening row,
// every posted line of the account and the two total rows after each month, each movement and the
// balance as a triple (quantity, unit price, amount; or foreign amount, rate, local amount). Open
// (Ctrl+O) chooses another account and span, 改变查询时间 another span, and 查询凭证 (Enter or a
// double click on a line) opens the voucher of a line through a hook the main window provides.
//
// Printed, each page that ends inside a run of lines ends with "  过  次  页" and the next begins
// with "  承  前  页": while a print job runs the grid holds those print rows, and afterwards the
// lines it showed before.
#pragma once

#include "formview/ui/form_view.h"
#include "ledger/quantity_ledger.h"
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

// The quantity-amount and foreign-currency ledger view.
class CKszwzb3 : public CKsFormView {
    Q_OBJECT
public:
    static constexpr int kQueryVoucherCommand = 40017; // 查询凭证(&W)
    static constexpr int kChangePeriodCommand = 40016; // 改变查询时间(&K)
    // The longest account name path the head shows.
    static constexpr int kNamePathLimit = 84;

    // An empty ledger of the kind over the logged-in year file: the whole year, no account. Its
    // print settings are the year file's for this view (mode "0").
    CKszwzb3(CKszwEnv& env, const Clock& clock, QuantityKind kind, QWidget* parent = nullptr);

    // The account the next LoadLedger shows (code trimmed).
    void setAccount(const std::string& code);
    // The span the next LoadLedger shows, accounting months of the open year.
    void setPeriod(int startMonth, int endMonth);
    // Runs the ledger of the account and span and fills the grid from its first row. An account
    // without posted lines up to the end month and without opening rows is told with
    // "本科目无经济内容!" and the grid keeps what it shows; so does an engine error (told).
    void LoadLedger();

    // 改变查询时间(&K): the period dialog; confirmed, the span takes the new months and the ledger
    // is loaded again when they changed.
    void changePeriod();
    // Open: the auxiliary-accounting directory of the ledger's kind on the account and span
    // shown; an account refused by the checks (children, no content) is told and the directory
    // opens again on it; another account or span chosen is shown.
    void chooseAccount();

    // What 查询凭证 opens: the voucher of a line, by its date and number.
    void setOpenVoucher(std::function<void(const VoucherKey&)> openVoucher) { m_openVoucher = std::move(openVoucher); }
    // 查询凭证 on a display row: the voucher of a line is opened and the title is the ledger's
    // again; false (nothing done) for any other row or without the hook.
    bool openVoucherAt(int row);
    // True when the display row is a line of a voucher (it has a voucher number).
    bool isDetailRowAt(int row) const;

    // Print begin: the print rows, with carry rows after every rowsPerPage printed rows (0, or
    // more than the view's paper holds: as many as it holds), take the grid's place.
    void OnBeginPrinting(int rowsPerPage = 0);
    // Print end (or cancel): the print rows are dropped and the grid shows the ledger again.
    void OnEndPrinting();
    // Writes every printed page to a PDF file between print begin and end; false when it could
    // not be written (the reason told).
    bool exportPdf(const QString& file);

    QuantityKind kind() const { return m_kind; }
    const std::string& code() const { return m_code; }
    const LedgerPeriod& period() const { return m_period; }
    int startMonth() const { return m_period.startMonth; }
    int endMonth() const { return m_period.endMonth; }
    // "%4d 年 %2d 月 至 %2d 月" of the span; "×× 年 × 月 至 × 月" until a ledger is shown.
    std::string periodTitle() const;
    // The account whose ledger the grid shows, its name path and its unit or currency name.
    const std::string& shownCode() const { return m_shownCode; }
    const std::string& namePath() const { return m_namePath; }
    const std::string& unitName() const { return m_unitName; }
    const std::vector<QuantityRow>& rows() const { return m_rows; }
    const std::vector<QuantityCells>& printRows() const { return m_printRows; }
    bool isPrintJobRunning() const { return m_printJob; }
    // " 数量金额式帐页 " or " 复 币 式 帐 页 ".
    std::string titleText() const;
    // The text a cell shows: the rows (TEXT; the print rows while printing), the column header
    // (FORMHEAD: the groups on row 0, the triples' captions on row 1, 借/或/贷 on rows 0 to 2),
    // the head lines (HEAD; the page text on paper only).
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
    // The rules and the three-line column header: the year over 月 and 日, 凭证 over 号码, the
    // three groups over their triples, 借/或/贷 stacked.
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
    void applyRowCount();
    void applyHeadCells();
    int measuredPrintRows();
    int rowAt(const QPoint& point) const;
    int commandRow() const;
    void drawColumnHeader(QPainter& dc);
    const QuantityCells* cellsAt(int row) const;

    CKszwEnv& m_env;
    QuantityKind m_kind;
    std::string m_code;
    LedgerPeriod m_period;
    bool m_shown = false; // a ledger has been loaded
    std::string m_shownCode;
    int m_shownStart = 1; // the span of the ledger shown
    int m_shownEnd = 12;
    std::string m_namePath;
    std::string m_unitName;
    std::vector<QuantityRow> m_rows;
    std::vector<QuantityCells> m_printRows;
    int m_printRowsPerPage = 0; // 0 unless print rows are shown
    bool m_printJob = false;
    std::function<void(const VoucherKey&)> m_openVoucher;
    int m_menuRow = -1; // the row the context menu was opened on
};

} // namespace kszw
