// CKszwSubjectPrint: the printable table " 会计科目表 " of the whole chart of accounts or of the
// subtree below one subject — code (indented by level), name, level and the auxiliary-accounting
// marks of every subject, depth first. It is a read-only form view: printed, previewed and written
// to PDF like every form view. Enter or a double-click on a subject with sub-subjects lists its
// subtree, Escape goes back up one level, Open (context menu or toolbar) asks for the scope again.
#pragma once

#include "chart/chart_listing.h"
#include "formview/ui/form_view.h"

#include <QString>

#include <optional>
#include <string>
#include <vector>

namespace kszw {

class CKszwEnv;
struct Clock;
struct Prompt;

// chart-of-accounts print view
class CKszwSubjectPrint : public CKsFormView {
    Q_OBJECT
public:
    static constexpr int kColumns = 6;

    // The view over the logged-in year file; nothing is listed until listChart (or the first
    // show after listWhenShown). The clock gives the day a listing is made.
    CKszwSubjectPrint(CKszwEnv& env, const Clock& clock, QWidget* parent = nullptr);

    // The menu command 科目目录打印: a new view that asks for its scope as soon as it is first
    // shown (askScope: a year without subjects is told "本年度尚未设置科目！" instead) and lists
    // the chosen subjects with their progress in the window. Cancelled, the view stays open
    // unlisted, and Enter asks again.
    static CKszwSubjectPrint* open(CKszwEnv& env, Prompt& prompt, const Clock& clock);

    // Lists every subject below root ("" for the whole chart) now; row 0, column 0 becomes
    // current and the view shows its top. False (told, the rows unchanged) on an engine error.
    bool listChart(const std::string& root);
    // Lists root when the view is first shown (at once when it is shown already).
    void listWhenShown(const std::string& root);
    // The scope dialog, its subject preset to startCode ("": all subjects); on confirmation the
    // chosen scope is listed. A year without subjects is told instead. True when listed.
    bool askScope(const std::string& startCode);

    // Enter on a row whose subject has sub-subjects: that subject becomes the root. False (and
    // nothing done) for a row without them.
    bool rootAtRow(int row);
    // Escape: the root's parent becomes the root when the root has at least two segments.
    bool goUpOneLevel();
    // True when the subject of the current row has sub-subjects (Open is offered).
    bool currentRowHasSubSubjects() const;

    const std::string& root() const { return m_root; }
    bool isListed() const { return m_listedOn.has_value(); }
    const std::vector<ChartRow>& rows() const { return m_rows; }
    // The texts the page shows, as drawn: head, print time, foot and page label.
    std::string unitText() const;
    std::string printTimeText() const;
    std::string makerText() const;
    std::string pageText() const;
    // "%3d％" while a listing runs; empty otherwise.
    QString progressText() const;

    void InitFormLayout() override;
    void OnRowsAdded(int count) override;
    void DrawHeadings(QPainter& dc) override;
    void DrawCell(QPainter& dc, int row, int col, std::string_view area) override;
    CellInfo GetCellInfo(int row, int col, std::string_view area, bool entering) override;
    void SetCellValue(int row, int col, std::string_view area, const std::string& text) override;
    // The rules of the table, with the column headers' merged cells: the three left headers
    // span the three header rows, 辅助核算 spans the three right columns in the first row.
    void DrawGrid(QPainter& dc) override;

    bool isCommandEnabled(int id) const override;
    bool runCommand(int id) override;

signals:
    // The share of the listing done so far (0 to 100), while a listing runs.
    void listingProgress(int percent);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    static void reportProgress(int percent, void* view);
    void showProgress(int percent);
    void drawColumnHeaders(QPainter& dc);
    void drawPageTexts(QPainter& dc);

    CKszwEnv& m_env;
    const Clock& m_clock;
    std::string m_root;
    std::vector<ChartRow> m_rows;
    std::optional<CivilDate> m_listedOn;
    std::optional<std::string> m_pendingRoot;
    bool m_askScopeWhenShown = false;
    int m_progress = -1; // -1: no listing running
    int m_listings = 0;  // listings made so far
    // Whether a row's subject has sub-subjects, as last asked: the main window asks every time
    // it updates its commands.
    struct OpenAnswer {
        int listing = -1;
        int row = -1;
        bool open = false;
    };
    mutable OpenAnswer m_openAnswer;
};

} // namespace kszw
