// CKszwzb6: the balance-and-turnover table (帐户余额及发生额表) — per account of one level of the
// chart (下一级), or of every level below depth first (所有下级), its opening balance, debit and
// credit turnover and closing balance over a span of dates, and a total line that counts the first
// level only. In 下一级 mode Enter on an account row makes it the current code, which Open offers
// next; 返回上一级 (command 40016, in the context menu) and Escape list the level above, Escape
// first moving to the current row's parent row when that is listed. Read-only; printed like every
// form view.
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

class CKszwEnv;
class CTurnoverConditionDlg;
struct Clock;

// The balance-and-turnover table view.
class CKszwzb6 : public CKsFormView {
    Q_OBJECT
public:
    static constexpr int kColumns = 8;

    // An empty table over the logged-in year file until setConditions; its print settings are
    // those of the balance-and-turnover tables of that file.
    CKszwzb6(CKszwEnv& env, const Clock& clock, QWidget* parent = nullptr);

    // Builds the table for the conditions (the wait cursor and the share done shown meanwhile)
    // and shows it from its first row; the listed parent becomes the current code. On an engine
    // error the error is told and the view keeps what it showed (false).
    bool setConditions(TurnoverConditions conditions);
    const TurnoverConditions& conditions() const { return m_conditions; }
    bool isBuilt() const { return m_built; }

    // The code Open offers: the listed parent after a build, an account row's code after Enter.
    const std::string& currentCode() const { return m_currentCode; }
    // The code of a row ("" for the total line or no row) and its level (0 for those).
    std::string rowCode(int row) const;
    int rowLevel(int row) const;

    // Enter in 下一级 mode on an account row: its code becomes the current code. False (nothing
    // done) in 所有下级 mode or on the total line.
    bool chooseRow(int row);
    // 返回上一级: the level above the listing is listed with the same dates and mode; at the top the
    // top level stays. The account left becomes the current row.
    bool goUpOneLevel();
    // Escape: to the current row's parent row when it is listed, else 返回上一级.
    bool escapeUp();
    // Open: the condition dialog with the current code and the dates; on its OK the table is built
    // for the new conditions. True when it was.
    bool openConditions();
    // Runs the condition dialog; modally unless a test puts in its own.
    std::function<int(CTurnoverConditionDlg&)> runDialog;

    // What a cell shows: the rows (TEXT), the column headers (FORMHEAD), the period, unit and page
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
    bool CanEditCell(int row, int col, std::string_view area) override;
    bool IsRowAppendAllowed() override;

signals:
    // The share of the build done (0 to 100) while a build runs.
    void buildProgress(int percent);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    // Builds for the conditions; the row whose code is selectCode becomes current (else the first).
    bool build(const TurnoverConditions& conditions, const std::string& selectCode);
    void showProgress(int percent);
    void applyLayout();
    int rowAt(const QPoint& point) const;
    int rowOfCode(const std::string& code) const;

    CKszwEnv& m_env;
    TurnoverConditions m_conditions;
    bool m_built = false;
    std::string m_currentCode;
    bool m_codeFromRow = false; // the current code is a row of the listing chosen with Enter
    std::vector<std::array<std::string, kColumns>> m_rows; // total line last
    std::vector<int> m_levels;                             // per account row
    int m_progress = -1;                                   // -1: no build running
    QAction* m_goUp = nullptr;
};

} // namespace kszw
