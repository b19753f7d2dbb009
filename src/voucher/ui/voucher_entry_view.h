// CKszwpz: the voucher entry view (记帐凭证制作), the form in which an operator makes a new voucher
// or changes one of his unreviewed vouchers. The head line holds the date, the number and the
// attachments; the table holds the entry lines (摘要, 会计科目, the quantity columns when some line's
// subject keeps quantities or a foreign currency, 借方金额, 贷方金额) with the totals under them,
// and the foot line names the maker. Every cell edits the CVoucher of the window's frame; the
// rules of a line (subject, price, one amount per line) and the saving are the voucher core's.
//
// The table has four columns or, with the quantity columns, six; the two layouts keep their
// column widths apart (print-settings mode "0" and "1").
#pragma once

#include "formview/ui/form_view.h"

#include <exception>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class QAction;

namespace kszw {

class CVoucher;
struct VoucherLine;

// The voucher entry view.
class CKszwpz : public CKsFormView {
    Q_OBJECT
public:
    // What a text column holds.
    enum class Column { Summary, Subject, Quantity, Price, Debit, Credit };

    // The view edits the voucher its frame owns; its print settings are kept in the voucher's file.
    explicit CKszwpz(CVoucher& voucher, QWidget* parent = nullptr);

    CVoucher& voucher() { return m_voucher; }
    // True while the table shows 数量或外币 and 单价或汇率.
    bool hasQuantityColumns() const { return m_quantityColumns; }
    // What a text column holds in the present layout.
    Column columnRole(int col) const;
    // The text column that holds a role now; -1 when the layout has none.
    int columnOf(Column role) const;
    // The text a cell shows, as it is drawn (amounts formatted, the subject's name, the totals).
    std::string displayedText(int row, int col, std::string_view area) const;
    // The names in the foot line: the reviewer (复核) and the maker (制证).
    std::string reviewerName() const;
    std::string makerName() const;

    // ---- the commands of the view ----
    // Save if modified: 7 when not modified or not saved, 1 saved, 6 nothing to keep, 2 back to
    // editing, 4 back to the head cell the voucher's ErrorField names (the caret is put there).
    int saveIfModified();
    // A new voucher, after the save question (not after 2 or 4).
    void newVoucher();
    // A voucher chosen from the open list, after the save question (not after 2 or 4).
    void openVoucher();
    // The subject lookup (F2) on the current line; the chosen code goes into its subject cell.
    void lookUpSubject();
    // The number generators: mode 0 the largest number + 1 (F7), 1 the first free number (F8).
    void generateNumber(int mode);
    // Whether the window may close: the save question decides; false for 2 and 4.
    bool queryClose();
    // Inserts lines at the current row as if their cells were typed (summary, subject, and the
    // debit or the credit); the caret stays on the current row. Returns how many values the cells
    // refused (a summary with a character the column does not take, an amount too large).
    int insertLinesAtCurrentRow(const std::vector<VoucherLine>& lines);
    // What 利用凭证分录模板生成凭证 (32845) runs; without it the command tells it is not available.
    void setTemplateGenerator(std::function<void(CKszwpz&)> generator) { m_templateGenerator = std::move(generator); }

    bool isCommandEnabled(int id) const override;
    bool runCommand(int id) override;

    // ---- the form view's contract ----
    void InitFormLayout() override;
    void OnRowsAdded(int count) override;
    void DrawHeadings(QPainter& dc) override;
    void DrawCell(QPainter& dc, int row, int col, std::string_view area) override;
    CellInfo GetCellInfo(int row, int col, std::string_view area, bool entering) override;
    void SetCellValue(int row, int col, std::string_view area, const std::string& text) override;
    bool CanEditCell(int row, int col, std::string_view area) override;
    void OnCellChanged(int row, int col, std::string_view area, const std::string& text) override;
    void OnInsertRows(int atRow, int lastRow, int count) override;
    void OnEnterCell(int row, int col, std::string_view area) override;
    void OnLeaveCell(int row, int col, std::string_view area) override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    // Holds the column layout while an edit touches many cells (paste, deletion): the columns keep
    // their meaning until the edit is done.
    class LayoutHold;

    bool validLine(int row) const;
    VoucherLine& line(int row);
    // The rows follow the voucher's lines; the head cells are laid out again.
    void applyRowCount();
    // Four or six columns as the lines ask (force: lay them out anyway).
    void updateColumnLayout(bool force = false);
    // A current cell beyond the last column moves to the last column.
    void fixCurrentColumn();
    // Makes the cell being typed in commit (its change rules run) without moving the caret.
    void commitTyping();
    // Puts the caret at the end of a cell's text; the cell's text counts as unchanged.
    void placeCaret(int row, int col, std::string_view area);
    // After New and Open: the view shows the voucher afresh.
    void showVoucherAfresh();
    // Runs an edit of many cells with the layout held, then lays the columns out.
    void groupedEdit(const std::function<void()>& edit);
    // Delete or Cut; whole rows take their lines (and flags) with them.
    void deleteSelected(bool cut);
    void undoEdit(bool redo);
    bool canUndoEdit() const;
    bool canRedoEdit() const;
    void runTemplateCommand();
    // Tells an engine error (or any other) through the view's prompt.
    void warnError(const std::exception& error);
    std::string priceText(int row) const;

    CVoucher& m_voucher;
    bool m_quantityColumns = false;
    // The price text of the line being edited (the price is not kept in the voucher).
    int m_priceRow = -1;
    std::string m_priceText;
    int m_layoutHolds = 0;
    bool m_layoutPending = false;
    bool m_ignoreChanges = false;
    // Whole rows being removed: rows below move up by this count, each line whole.
    int m_rowShift = 0;
    bool m_rowShiftStarted = false;
    // Undo and redo stop at the edits of the voucher shown before New or Open.
    size_t m_undoFloor = 0;
    mutable size_t m_redoFloor = 0;
    QAction* m_lookupAction = nullptr;
    QAction* m_largestAction = nullptr;
    QAction* m_nextFreeAction = nullptr;
    std::function<void(CKszwpz&)> m_templateGenerator;
};

} // namespace kszw
