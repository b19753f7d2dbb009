// CKszwpz2: the voucher summary (记帐凭证汇总表), the debit and credit amounts of the vouchers chosen
// in the summary selection, added up by top-level subject, and below a subject by its children. A
// double click (or Enter, or the context menu's 按子目汇总) on a subject that has children opens
// the summary by those children; Escape goes back up one level. Open (打开) runs the selection
// again. The view is read-only and prints like every form view: title, the month, the page number
// on paper, the table with its totals row, and the foot line with the chief accountant and the
// operator who made it.
#pragma once

#include "formview/ui/form_view.h"
#include "voucher/voucher_summary.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

class QAction;

namespace kszw {

class CKszwEnv;
struct Clock;

// The voucher summary view.
class CKszwpz2 : public CKsFormView {
    Q_OBJECT
public:
    static constexpr int kColumns = 4;

    // A view over the logged-in year file, empty until showSummary; its print settings are those
    // of the summary views of that file.
    CKszwpz2(CKszwEnv& env, const Clock& clock, QWidget* parent = nullptr);

    // Builds the top-level summary of the selection and shows it from its first row. An empty
    // choice shows an empty summary with its totals row. On an engine error the error is told and
    // the view keeps what it showed.
    void showSummary(SummarySelection selection);
    // What Open (57601) runs: the summary selection, which calls showSummary again. Without it
    // Open is not offered.
    void setReselect(std::function<void(CKszwpz2&)> reselect) { m_reselect = std::move(reselect); }

    // Opens the row's subject into the summary by its children; false (nothing done) when the row
    // is not a subject with children.
    bool openRow(int row);
    // Escape: back to the summary one level up; false at the top level (nothing done).
    bool goUpOneLevel();
    // True when the row holds a subject that has children.
    bool rowCanOpen(int row) const;

    const SummarySelection& selection() const { return m_selection; }
    // The subject whose children are listed; "" at the top level.
    const std::string& parentSubject() const { return m_parent; }
    // 0 at the top level, one more for each subject opened.
    int level() const { return m_level; }
    const VoucherSummary& summary() const { return m_summary; }
    // Whether a summary has been built.
    bool isShown() const { return m_shown; }
    // "2026 年 3 月"; empty before the first summary.
    const std::string& headerLabel() const { return m_headerLabel; }
    // The text a cell shows: the rows then the totals row (TEXT), the column titles (FORMHEAD),
    // the month and on paper the page (HEAD), the foot texts (FOOT).
    std::string displayedText(int row, int col, std::string_view area) const;
    // The context menu's 按子目汇总(&W).
    QAction* openChildrenAction() const { return m_openChildren; }

    bool isCommandEnabled(int id) const override;
    bool runCommand(int id) override;

    // ---- the form view's contract ----
    void InitFormLayout() override;
    void OnRowsAdded(int count) override;
    void DrawHeadings(QPainter& dc) override;
    void DrawCell(QPainter& dc, int row, int col, std::string_view area) override;
    CellInfo GetCellInfo(int row, int col, std::string_view area, bool entering) override;
    bool CanEditCell(int row, int col, std::string_view area) override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    // Builds the summary below parent; the row whose code is selectCode becomes current (else the
    // first). False, with the error told, when the engine failed.
    bool build(const std::string& parent, const std::string& selectCode);
    // The rows, head cells and foot cells for the present summary.
    void applyLayout();
    // The TEXT row under a point of the viewport; -1 when none.
    int rowAt(const QPoint& point) const;

    CKszwEnv& m_env;
    SummarySelection m_selection;
    std::string m_parent;
    int m_level = 0;
    bool m_shown = false;
    VoucherSummary m_summary;
    std::vector<std::vector<std::string>> m_rows; // the summary rows, then the totals row
    std::string m_headerLabel;
    std::function<void(CKszwpz2&)> m_reselect;
    QAction* m_openChildren = nullptr;
    int m_menuRow = -1; // the row the context menu was opened on
};

} // namespace kszw
