// CKszwzb5: the account balance table (帐户余额表) — one line per account of one level of the chart
// (the top level, or the children of a chosen account) with its balance at a cut-off date, and a
// total line. Enter or a double click on an account with children lists its children; 返回上一级
// (command 40016, in the context menu, and Escape) lists the level above; Open asks for the
// conditions again. The cells are a copy the user may touch up before printing; the books are
// never changed. Also the drawing that the balance-and-turnover table shares with it.
#pragma once

#include "formview/ui/form_view.h"
#include "ledger/balance_tables.h"

#include <QString>

#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class QAction;

namespace kszw {

class CBalanceConditionDlg;
class CKszwEnv;
struct Clock;

// ---- what the two balance tables share ----

// The command that lists the level above (返回上一级).
inline constexpr int kGoUpOneLevelCommand = 40016;
// Its context-menu item.
inline constexpr const char* kGoUpOneLevelText = "返回上一级(&U)";

// The rules of a balance table: the column headers as one block of three lines (texts stacked in
// it, no rules between its lines), a rule under every body row, every column ruled down to the
// foot line, and the frame; then the column-header texts.
void drawBalanceTableGrid(CKsFormView& view, QPainter& dc);
// The title centred over the table in its band.
void drawBalanceTableTitle(CKsFormView& view, QPainter& dc, std::string_view title);
// A cell of a narrow direction column (借, 或, 贷, 平), its text centred and kept whole even
// where the column is narrower than the glyph, as it is on paper.
void drawDirectionCell(CKsFormView& view, QPainter& dc, int row, int col, std::string_view area,
                       std::string_view text);
// The share of a build done ("%3d％"), at the right end of the second head line, on the screen.
void drawBuildProgress(CKsFormView& view, QPainter& dc, int percent);

// The balance table view.
class CKszwzb5 : public CKsFormView {
    Q_OBJECT
public:
    static constexpr int kColumns = 4;

    // An empty table over the logged-in year file until setConditions; its print settings are
    // those of the balance tables of that file.
    CKszwzb5(CKszwEnv& env, const Clock& clock, QWidget* parent = nullptr);

    // Builds the table for the conditions (the wait cursor and the share done shown meanwhile)
    // and shows it from its first row. On an engine error the error is told and the view keeps
    // what it showed (false).
    bool setConditions(BalanceConditions conditions);
    const BalanceConditions& conditions() const { return m_conditions; }
    bool isBuilt() const { return m_built; }
    // Accounts listed by the last build (the total line not counted).
    int accountCount() const { return m_accountCount; }

    // The code in the first cell of a row, trimmed ("" for the total line or no row).
    std::string rowCode(int row) const;
    // The code of the current row.
    std::string currentCode() const;

    // Enter or a double click on a row: an account with children becomes the parent and the
    // table is built again with the same date. False (nothing done) otherwise.
    bool stepDown(int row);
    // Whether 返回上一级 is offered: the current row holds an account below the first level, or
    // it is the total row (or an empty row) of a listing below the top level.
    bool canGoUp() const;
    // The code going up starts from (see canGoUp).
    std::string upFrom() const;
    // 返回上一级: the level above the current row's level is listed, with the same date; the account
    // left becomes the current row. False (nothing done) when not offered.
    bool goUpOneLevel();
    // Open: the condition dialog with the present code and date; on its OK the table is built
    // for the new conditions. True when it was.
    bool openConditions();
    // Runs the condition dialog; modally unless a test puts in its own.
    std::function<int(CBalanceConditionDlg&)> runDialog;

    // What a cell shows: the rows (TEXT), the column headers (FORMHEAD), the cut-off, unit and page
    // texts (HEAD), the foot texts (FOOT).
    std::string displayedText(int row, int col, std::string_view area) const;
    // "%3d％" while a build runs; empty otherwise.
    QString progressText() const;
    QAction* goUpAction() const { return m_goUp; }

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

signals:
    // The share of the build done (0 to 100) while a build runs.
    void buildProgress(int percent);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    // Builds for the conditions; the row whose code is selectCode becomes current (else the first).
    bool build(const BalanceConditions& conditions, const std::string& selectCode);
    void showProgress(int percent);
    void applyLayout();
    int rowAt(const QPoint& point) const;
    // Undo and redo reach only the edits made since the last build: older ones belong to rows
    // that are gone.
    bool undoAllowed() const;
    bool redoAllowed() const;

    CKszwEnv& m_env;
    const Clock& m_clock;
    BalanceConditions m_conditions;
    bool m_built = false;
    int m_accountCount = 0;
    std::vector<std::array<std::string, kColumns>> m_rows; // the display copy, total line last
    int m_progress = -1;                                   // -1: no build running
    QAction* m_goUp = nullptr;
    // The lengths of the undo and redo lists when the table was last built.
    size_t m_undoFloor = 0;
    mutable size_t m_redoFloor = 0;
};

} // namespace kszw
