// The definitions of the financial statements (财务报表定义): CReportDefinitionDlg shows the lines
// of the statement chosen at its top in a grid (位置 for a statement of two halves, 项目, 行次, one
// formula per amount column, 粗体, 缩进), edited in place. Insert adds a line after the current
// one, Delete removes the current line after a question, 恢复默认 puts the shipped statement in
// place of the shown one. The edits of every statement are kept while another one is shown and are
// stored together on 确定, after the core's checks (shape, then every formula evaluated); a refusal
// keeps the dialog open on the offending line. 取消 asks before it drops edits.
//
// Without the right to change the definitions the dialog only shows them: no cell is edited, the
// editing buttons are greyed and 确定 is not there.
#pragma once

#include "reports/report_definitions.h"
#include "store/accounting_calendar.h"

#include <QDialog>
#include <QString>

#include <optional>
#include <string>
#include <vector>

class QComboBox;
class QLabel;
class QPushButton;
class QTableWidget;

namespace kszw {

class Database;
struct Prompt;

class CReportDefinitionDlg : public QDialog {
    Q_OBJECT
public:
    // The grid's columns; 位置 is hidden for a statement of one half.
    enum Column {
        PositionColumn,
        ItemColumn,
        NumberColumn,
        FirstFormulaColumn,
        SecondFormulaColumn,
        BoldColumn,
        IndentColumn,
        ColumnCount
    };

    // Reads the statements (those stored, or the shipped ones of a file without the tables) and
    // shows the first. Raises DatabaseError when they cannot be read. fileName is the year file's
    // name as zw() answers it; editable is the right to change the definitions.
    CReportDefinitionDlg(Database& db, Prompt& prompt, const AccountingCalendar& calendar, std::string fileName,
                         bool editable, QWidget* parent = nullptr);

    // The number of the statement shown.
    int currentReport() const;
    // Shows the statement of that number (nothing happens when there is none), keeping the edits of
    // the one shown before.
    void chooseReport(int number);

    // Every statement as the dialog holds it, the shown one with the grid's present edits.
    std::vector<ReportDefinition> editedReports() const;
    // Whether any statement differs from what the file holds.
    bool isChanged() const;
    bool isEditable() const { return m_editable; }

    QComboBox* reportBox() const { return m_reports; }
    QTableWidget* lineGrid() const { return m_grid; }
    QLabel* hintLabel() const { return m_hint; }
    QPushButton* insertButton() const { return m_insert; }
    QPushButton* deleteButton() const { return m_delete; }
    QPushButton* restoreButton() const { return m_restore; }
    QPushButton* confirmButton() const { return m_confirm; }
    QPushButton* cancelButton() const { return m_cancel; }

    // The explanation of the formula columns (their tooltip).
    static QString formulaHelp();

public slots:
    // Insert or 插入行: an empty line after the current one (in its half), its item being edited.
    void insertLine();
    // Delete or 删除行: the current line, after a question.
    void deleteLine();
    // 恢复默认: after a question, the shipped statement (written against the present chart) in
    // place of the shown one's lines; stored on 确定 like any edit.
    void restoreDefault();
    // 确定: checks every changed statement and stores it; closes when all are stored.
    void confirm();
    // 取消, Escape or the window's close: asks before edits are dropped.
    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Fills the grid with the lines of the statement at that index of m_edited.
    void showReport(int index);
    void fillGrid(const std::vector<ReportLine>& lines, int currentRow, int currentColumn);
    // The lines as the grid holds them, the left half's first.
    std::vector<ReportLine> gridLines() const;
    // Keeps the grid's lines grouped by half after a line changed its half; the moved line stays
    // the current one.
    void regroupHalves();
    // Writes the grid's lines into the shown statement of m_edited.
    void keepShownEdits();
    void selectRow(int row, int column);
    // The row a core message "第N行…" names, or nothing.
    static std::optional<int> messageRow(const std::string& message);
    void updateButtons();

    Database& m_db;
    Prompt& m_prompt;
    AccountingCalendar m_calendar;
    std::string m_fileName;
    bool m_editable;
    std::vector<ReportDefinition> m_stored; // as the file holds them
    std::vector<ReportDefinition> m_edited; // with the dialog's edits
    int m_shown = -1;                       // index of the statement in the grid
    bool m_filling = false;
    bool m_regroupPending = false;
    QComboBox* m_reports = nullptr;
    QTableWidget* m_grid = nullptr;
    QLabel* m_hint = nullptr;
    QPushButton* m_insert = nullptr;
    QPushButton* m_delete = nullptr;
    QPushButton* m_restore = nullptr;
    QPushButton* m_confirm = nullptr;
    QPushButton* m_cancel = nullptr;
};

} // namespace kszw
