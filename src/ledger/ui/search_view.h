// CKszwzb7: the fuzzy ledger-page query view (模糊查询帐页). It lists the posted lines that meet the
// conditions of the condition dialog — month, day, voucher number, account, summary, side and
// amount — and a total row, under a head that states the conditions. Open (Ctrl+O) shows the
// condition dialog again and each confirmed query replaces the whole listing; 查询凭证 (Ctrl+W or
// a double click on a line) opens the voucher of a line through a hook the main window provides.
// The cells may be edited in the listing shown (never in the file), and it prints as it is shown.
#pragma once

#include "formview/ui/form_view.h"
#include "ledger/ledger_search.h"
#include "voucher/voucher_listing.h"

#include <QString>

#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class QAction;
class QFontMetrics;

namespace kszw {

class CKszwEnv;
struct Clock;

// The fuzzy ledger-page query view.
class CKszwzb7 : public CKsFormView {
    Q_OBJECT
public:
    static constexpr int kQueryVoucherCommand = 40017; // 查询凭证(&W)\tCtrl+W

    // An empty listing over the logged-in year file; its print settings are the year file's for
    // the fuzzy query (mode "0").
    CKszwzb7(CKszwEnv& env, const Clock& clock, QWidget* parent = nullptr);

    // Runs the query: the conditions are checked as the dialog checks them and the lines found
    // replace the listing, shown from its first row. A refusal (among them "没有满足条件的记录")
    // or an engine error is told and the listing kept; false then.
    bool setConditions(const SearchConditions& conditions);
    // The conditions of the listing shown (the whole year and nothing else before the first).
    const SearchConditions& conditions() const { return m_conditions; }
    // Open: the condition dialog on the conditions shown; confirmed, the new listing is shown.
    // False when cancelled or when the listing could not be replaced.
    bool chooseConditions();

    // What 查询凭证 opens: the voucher of a line, by its date and number.
    void setOpenVoucher(std::function<void(const VoucherKey&)> openVoucher) { m_openVoucher = std::move(openVoucher); }
    // 查询凭证 on a display row: the voucher of a line is opened and the title is "模糊查询帐页"
    // again; false (nothing done) for an opening row, the total row, an empty row or without the hook.
    bool openVoucherAt(int row);
    // True when the display row is a line of a voucher.
    bool isVoucherLineAt(int row) const;

    // Writes every printed page to a PDF file; false when it could not be written (the reason told).
    bool exportPdf(const QString& file);

    // The rows shown: the lines found, then the total row (none before the first query).
    const std::vector<SearchRow>& rows() const { return m_rows; }
    int foundCount() const { return m_found; }
    const std::string& conditionText() const { return m_conditionText; }
    // " 模糊查询帐页 ".
    std::string titleText() const { return std::string(kSearchTitle); }
    // The text a cell shows: the rows (TEXT), the column header (FORMHEAD, three rows), the head
    // (HEAD: the condition text on row 0, the page on row 1 on paper only).
    std::string displayedText(int row, int col, std::string_view area) const;
    // The condition text as the head draws it in the given widths: whole on the first line when it
    // fits, else broken between its parts, the rest on the second line.
    std::pair<std::string, std::string> conditionLines(const QFontMetrics& metrics, int firstWidth) const;
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
    bool IsRowAppendAllowed() override;

protected:
    // Ctrl+W is this view's 查询凭证: it is kept from the main window, where it closes a window.
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void applyLayout();
    // The display row under a point of the viewport; -1 when none.
    int rowAt(const QPoint& point) const;
    // The row 查询凭证 acts on: the one the context menu was opened on, else the current row.
    int commandRow() const;
    void drawColumnHeader(QPainter& dc);
    // The head's condition line (row 0, or its rest on row 1) drawn in the device's head font.
    void drawConditionLine(QPainter& dc, int row);

    CKszwEnv& m_env;
    SearchConditions m_conditions;
    std::string m_conditionText;
    std::vector<std::string> m_conditionParts;
    std::vector<SearchRow> m_rows;
    int m_found = 0;
    std::function<void(const VoucherKey&)> m_openVoucher;
    int m_menuRow = -1; // the row the context menu was opened on
};

} // namespace kszw
