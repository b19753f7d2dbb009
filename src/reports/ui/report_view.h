// CKszwReportView: a financial statement (资产负债表, 利润表 …) of one accounting month, laid out as it
// is filed: the statement's name, the form code and 单位：元 at the right, 编制单位 and the period on
// the head line, the ruled table with bold total lines, the balance check under a balance sheet,
// and the signature line. The view only shows: nothing is typed into it. Open (Ctrl+O, the context
// menu) asks for the statement and month again. Its print settings are those of the statements of
// the year file; until the user sets a page it prints on A4 portrait.
#pragma once

#include "formview/ui/form_view.h"
#include "reports/report_calculation.h"

#include <QString>

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kszw {

class CKszwEnv;
class CReportConditionDlg;
struct Clock;

// The page a statement prints on while nobody chose one: A4 portrait (lengths in 0.1 mm), the
// margins of the default page.
PageSettings statementPage();
// The settings a statement view takes in place of loaded ones in which nothing was chosen: the
// default page becomes A4 portrait, the default fonts a body font small enough for the eight
// columns of a balance sheet across A4. Other settings come back unchanged.
ViewSettings statementSettings(const ViewSettings& loaded);

// The texts under the table: the balance check (a balance sheet only), then the signatures.
inline constexpr std::string_view kStatementUnitHead = "编制单位：";
inline constexpr std::string_view kStatementCurrency = "单位：元";

class CKszwReportView : public CKsFormView {
    Q_OBJECT
public:
    CKszwReportView(CKszwEnv& env, const Clock& clock, QWidget* parent = nullptr);

    // Calculates the statement of that number (as loadReports lists them) for the accounting month
    // and shows it (the wait cursor meanwhile). On an engine error, or a number that is not there,
    // the reason is told and the view keeps what it showed (false).
    bool setConditions(int reportNumber, int month);
    // The same for a definition given as it is (the PDF output, a statement not stored).
    bool setReport(const ReportDefinition& definition, int month);
    // Calculates the shown statement again from the stored definition of its number (after the
    // definitions were changed); false when nothing is shown or the calculation failed.
    bool recalculate();
    // Open: the condition dialog with the present statement and month; on its OK the statement is
    // calculated. True when it was.
    bool openConditions();
    // Runs the condition dialog; modally unless a test puts in its own.
    std::function<int(CReportConditionDlg&)> runDialog;

    bool isCalculated() const { return m_result.has_value(); }
    const ReportResult* result() const { return m_result ? &*m_result : nullptr; }
    int reportNumber() const { return m_result ? m_result->definition.number : 0; }
    int month() const { return m_result ? m_result->month : 0; }

    // What a cell shows: the rows (TEXT), the column headers (FORMHEAD), the head lines (HEAD: row
    // 0 the form code; row 1 编制单位, the period, 单位：元) and the lines under the table (FOOT).
    std::string displayedText(int row, int col, std::string_view area) const;
    // Whether a body cell is drawn bold (a bold line of its half).
    bool isBoldCell(int row, int col) const;
    // Whether a body cell holds the message of a failed formula.
    bool isFailedCell(int row, int col) const;
    // Whether the balance check is shown in red (a balance sheet that does not balance).
    bool checkInRed() const;
    // The foot line holding the balance check; -1 when the statement has none.
    int checkFootRow() const;
    // The lines of the check under the table: the check and each of its notes.
    std::vector<std::string> checkLines() const;

    bool isCommandEnabled(int id) const override;
    bool runCommand(int id) override;

    // ---- the form view's contract ----
    void InitFormLayout() override;
    void OnRowsAdded(int count) override;
    void DrawHeadings(QPainter& dc) override;
    void DrawGrid(QPainter& dc) override;
    void DrawCell(QPainter& dc, int row, int col, std::string_view area) override;
    CellInfo GetCellInfo(int row, int col, std::string_view area, bool entering) override;
    void SetCellValue(int row, int col, std::string_view area, const std::string& text) override;
    bool CanEditCell(int row, int col, std::string_view area) override;
    bool IsRowAppendAllowed() override;
    // A printed page holds no more rows than the statement has: the foot lines follow the table.
    int GetPageRows(bool printing) const override;
    ExportTable exportTable() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    bool calculate(const ReportDefinition& definition, int month);
    void applyLayout();
    // The A4 page in place of a default one (see statementSettings); nothing is stored.
    void useStatementPage();
    // The number of body rows on the page being drawn, from its first row.
    int rowsOnDrawnPage() const;
    // The y of the bottom of the last body row on the page being drawn.
    int tableBottom() const;
    bool twoHalves() const;
    int halfOf(int col) const;
    int columnInHalf(int col) const;
    // The index into the result's cells of a body cell, or nothing for an empty or non-amount cell.
    const ReportCell* cellAt(int row, int col) const;
    // The text of a failed cell is drawn over the amount column beside it too when that one failed
    // with the same message; this tells whether col is such a covered column.
    bool coveredByNeighbour(int row, int col) const;
    bool sharesMessageWithNext(int row, int col) const;
    void drawBodyCell(QPainter& dc, int row, int col);
    void drawHeadCell(QPainter& dc, int row, int col);
    void drawFootCell(QPainter& dc, int row, int col);

    CKszwEnv& m_env;
    const Clock& m_clock;
    std::optional<ReportResult> m_result;
    ReportTable m_table;
};

} // namespace kszw
