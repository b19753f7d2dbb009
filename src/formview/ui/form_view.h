// CKsFormView: the scrollable, printable grid form every data view of the program derives from.
// It lays out a page (title, head lines, a ruled table with column headers, body rows and footer
// rows, foot lines), paints it itself on the screen, a printer or a PDF writer with one drawing
// path, keeps the current cell and a rectangular selection, lets the user type into cells in place
// (each keystroke checked against the cell's input specification), keeps undo and redo lists of
// cell edits, and copies, cuts and pastes cell ranges as TAB/LF text. It knows nothing about
// accounting: a derived view supplies the layout and the cells through the virtual operations and
// receives every change through them.
//
// Text is UTF-8; a caret is a character index into the cell text.
#pragma once

#include "common/ui/command_target.h"
#include "formview/edit_history.h"
#include "formview/form_geometry.h"
#include "formview/print_settings.h"
#include "formview/table_export.h"

#include <QAbstractScrollArea>
#include <QFont>

#include <array>
#include <initializer_list>
#include <map>
#include <string>
#include <string_view>
#include <vector>

class QMenu;
class QPainter;
class QPaintDevice;
class QTimer;

namespace kszw {

struct Clock;
struct Prompt;

// What GetCellInfo tells about a cell: its text and its input specification with the two numbers.
struct CellInfo {
    std::string text;
    std::string spec = "STRING";
    int maxLength = 20;
    int extra = 0;
};

// A cell with the caret in its text. An empty area means no cell.
struct CellPos {
    int caret = 0;
    int row = 0;
    int col = 0;
    std::string area;
    friend bool operator==(const CellPos&, const CellPos&) = default;
};

// The rectangle of cells between the selection anchor and the current cell (one area).
struct CellRange {
    std::string area;
    int top = 0;
    int left = 0;
    int bottom = -1;
    int right = -1;
    bool contains(int row, int col) const { return row >= top && row <= bottom && col >= left && col <= right; }
};

// What the drawing of a page writes, handed over instead of painted: how the view's texts are
// taken out of it for export, whatever the view draws them with.
struct DrawnTextRecorder {
    virtual ~DrawnTextRecorder() = default;
    // A cell's whole text as DrawCellText was given it (before any shortening) and its alignment.
    virtual void cellText(std::string_view area, int row, int col, std::string_view text, std::string_view align) = 0;
    // A text DrawAreaText writes at (x, y), the top left of the text, in the font of the area.
    virtual void areaText(std::string_view area, int x, int y, const QString& text) = 0;
};

// The shared form view (see the top of this file).
class CKsFormView : public QAbstractScrollArea, public CommandTarget {
    Q_OBJECT
public:
    explicit CKsFormView(QWidget* parent = nullptr);
    ~CKsFormView() override;

    // Sets the view up once: InitFormLayout, scroll sizes, the first current cell. Called by the
    // derived view's set-up, and on first show if nobody did.
    void initialUpdate();
    bool isInitialized() const { return m_initialized; }

    // Page settings, the four fonts and the column widths (stored ones replace the layout's).
    const ViewSettings& viewSettings() const { return m_settings; }
    // Takes new settings (page setup, stored settings); non-empty column widths replace the
    // layout's, column by column. The view relayouts and repaints.
    void setViewSettings(const ViewSettings& settings);
    // The settings with the view's present column widths, as page setup stores them.
    ViewSettings currentViewSettings() const;
    QFont areaFont(int fontIndex) const { return m_fonts[static_cast<size_t>(fontIndex)]; }
    // The clock the calculator asks for today's date.
    void setClock(const Clock& clock) { m_clock = &clock; }
    // Where the view's print settings are stored; with a data file they are loaded from it now.
    void setSettingsKey(const SettingsKey& key);
    const SettingsKey& settingsKey() const { return m_settingsKey; }
    // Where the view's messages go (message boxes unless set).
    void setPrompt(Prompt& prompt) { m_prompt = &prompt; }
    Prompt& prompt();

    // ---- layout operations (normally called from InitFormLayout) ----
    // Sets the five row counts (text rows at least 1, the others at least 0); clears the head
    // and foot cell tables.
    void SetAreaRows(int textRows, int formHeadRows, int formFootRows, int headRows, int footRows);
    // Sets the text columns and their widths in body characters; ignored when empty.
    void SetTextColumns(std::initializer_list<int> widths);
    void SetTextColumns(const std::vector<int>& widths);
    // Defines the cells of one head ("HEAD") or foot ("FOOT" or "TAIL") row; ignored for any other
    // area, a row outside the area or no cells.
    void SetAreaCells(std::string_view area, int row, std::initializer_list<CellSpan> cells);
    void SetAreaCells(std::string_view area, int row, const std::vector<CellSpan>& cells);
    const FormLayout& formLayout() const { return m_layout; }
    int textRowCount() const { return m_layout.textRows; }
    int columnCount() const { return m_layout.columnCount(); }
    // Sets the rule-extent flag: 1 the vertical rules run down to the foot area, 0 only as far as
    // the body rows shown.
    void setRuleExtent(int extent) { m_layout.ruleExtent = extent; }

    // ---- the contract a derived view implements (the base versions are the defaults) ----
    virtual void InitFormLayout();
    // Grow the row storage by count rows, or shrink it by -count rows (whole rows deleted); the
    // text row count is changed by the caller afterwards.
    virtual void OnRowsAdded(int count);
    // Draw the title and free texts that are not cells.
    virtual void DrawHeadings(QPainter& dc);
    // Draw one cell of "HEAD", "TEXT", "FOOT" (and the column headers and footers "FORMHEAD",
    // "FORMFOOT"); the base writes the cell's text, column headers centred.
    virtual void DrawCell(QPainter& dc, int row, int col, std::string_view area);
    // The cell's text, input spec and its two numbers; entering is true when it becomes current.
    virtual CellInfo GetCellInfo(int row, int col, std::string_view area, bool entering);
    virtual void SetCellValue(int row, int col, std::string_view area, const std::string& text);
    virtual bool CanEditCell(int row, int col, std::string_view area);
    // The cell was left with a text other than the one it had when it was entered.
    virtual void OnCellChanged(int row, int col, std::string_view area, const std::string& text);
    // Move rows atRow … lastRow down by count (paste of whole rows, after OnRowsAdded).
    virtual void OnInsertRows(int atRow, int lastRow, int count);
    virtual void OnEnterCell(int row, int col, std::string_view area);
    virtual void OnLeaveCell(int row, int col, std::string_view area);
    // Number of TEXT rows on one screen page or printed page; 0 when not one fits.
    virtual int GetPageRows(bool printing) const;
    virtual bool IsRowAppendAllowed();
    // The view's texts as one table for export (title, head lines, column headers, every body
    // row, footers, foot lines, column widths); the base takes them from the view's own drawing.
    virtual ExportTable exportTable();

    // ---- geometry services: device units of the drawing in progress (the screen otherwise) ----
    // x of a column's left rule in the table areas (column == columnCount: the right edge).
    int GetColumnEdge(int column) const;
    // x at which the text of a cell of the column begins.
    int GetCellLeft(int column) const;
    // y of the top of a row of an area (TEXT rows counted from the first row of the page shown).
    int GetRowTop(int row, std::string_view area) const;

    // ---- drawing, on any device ----
    // Draws the visible TEXT rows, the selection and the current cell.
    virtual void DrawTextArea(QPainter& dc);
    // Draws the rules of the table and the column headers and footers.
    virtual void DrawGrid(QPainter& dc);
    // Writes text left-aligned at (x, y) (top of the text) in the font and colour of an area.
    void DrawAreaText(QPainter& dc, int x, int y, const QString& text, std::string_view area);
    // Writes text into a cell's rectangle: on screen the rectangle is filled first unless noFill;
    // align "LEFT", "RIGHT", "MID" (centred), "PERCENT" (right, no fill, no shortening) or
    // "NOCUT" (left, no shortening); text too wide is shortened from the right one character at
    // a time.
    void DrawCellText(int row, int col, QPainter& dc, std::string_view text, std::string_view align,
                      std::string_view area, bool noFill = false);
    // Draws a whole page whose first TEXT row is firstRow on a painter over any device (screen,
    // preview, printer, PDF); the painter's origin is the page's top-left corner.
    void OnDraw(QPainter& dc, const QPaintDevice& device, bool printing, int firstRow);
    // The page geometry on a device.
    FormGeometry geometryFor(const QPaintDevice& device, bool printing) const;
    // Number of printed pages: (text rows − 1) ÷ rows per page + 1; 1 when no row fits.
    int GetPageCount(bool printing) const;
    // While a recorder is set, DrawCellText and DrawAreaText hand it their texts and paint nothing.
    void setTextRecorder(DrawnTextRecorder* recorder) { m_recorder = recorder; }
    // The device GetPageRows (printing) measures on (a printer); a 600-dpi page when none.
    void setPrintDevice(const QPaintDevice* device) { m_printDevice = device; }
    bool isPrinting() const { return m_drawing && m_drawing->printing; }
    // The first TEXT row of the page being drawn (the first row shown when not drawing).
    int drawingFirstRow() const { return m_drawing ? m_drawing->firstRow : firstVisibleRow(); }
    // The number, from 1, of the page being drawn (of the screen page when not drawing).
    int drawingPageNumber() const;
    const FormGeometry& screenGeometry() const { return m_screen; }

    // ---- editing ----
    // Makes a "TEXT", "HEAD" or "FOOT" cell current (other areas and cells that do not exist are
    // ignored): commits a changed entered cell with OnCellChanged, calls OnLeaveCell and
    // OnEnterCell, scrolls it into view. With byUser, Shift or a held left button the selection
    // anchor stays; otherwise it moves with the cell.
    void SetCurrentCell(int row, int col, int caret, std::string_view area, bool byUser = false);
    const CellPos& currentCell() const { return m_current; }
    const CellPos& anchorCell() const { return m_anchor; }
    bool hasSelection() const;
    // The selected rectangle (empty area when there is none).
    CellRange selection() const;
    // Adds a row after the last TEXT row when the view allows it and some cell of the current
    // row is filled; true when a row was added.
    virtual bool AppendRowIfNeeded();
    // Types one character at the caret as the keyboard does; true when it was accepted.
    bool typeCharacter(const std::string& character);
    void Copy();
    void Cut();
    // Deletes the selection (whole rows when whole TEXT rows are selected) or the current cell.
    void DeleteSelection();
    void Paste();
    // Pastes clipboard-form text (TAB between cells, LF after rows).
    void pasteText(const std::string& text);
    void Undo();
    void Redo();
    const EditHistory& editHistory() const { return m_history; }
    // Writes a value the calculator sent into the current cell (caret 0, undo record pushed).
    void SendCalculatorValue(const std::string& value);
    // Opens the calculator on the current cell and writes what it sends back.
    void openCalculator();

    bool isEditable() const { return m_editable != 0; }
    void setEditable(bool editable);
    bool isModified() const { return m_modified != 0; }
    void setModified(bool modified) { m_modified = modified ? 1 : 0; }
    int firstVisibleRow() const;
    void scrollToRow(int row);

    // The context menu "KsFormMenu"; derived views append their items in InitFormLayout.
    QMenu* formMenu() const { return m_menu; }
    // Enables the menu's items by the rules of the moment.
    void updateFormMenu();

    // The command target the main window asks.
    bool isCommandEnabled(int id) const override;
    bool runCommand(int id) override;

    // Called on destroy: frees the layout tables.
    virtual void ReleaseLayout();

signals:
    // A context-menu command the view does not run itself (New, Open, Save, a derived view's item).
    void commandRequested(int id);
    // The current cell changed.
    void currentCellChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool focusNextPrevChild(bool next) override;

    // Recomputes the screen geometry and the scroll ranges, then repaints.
    void updateScrollSizes();

    // What the left mouse button is doing.
    enum class MouseState {
        Idle,
        Selecting,    // held down on a cell or a margin: the selection follows the mouse
        DraggingRule, // held down on a column or row rule: a tracking line follows the mouse
    };

    // Derived views may read and set these.
    int m_editable = 0;
    int m_modified = 0;
    MouseState m_mouseState = MouseState::Idle;
    std::string m_cellSpec;
    int m_cellMaxLength = 0;
    int m_cellExtra = 0;

private:
    struct DrawingContext {
        const FormGeometry* geometry;
        bool printing;
        int firstRow;
    };
    struct Drag {
        std::string zone;
        int index = -1;
        int position = 0; // x of a column rule, y of a row rule being dragged
    };

    void applyLayoutDefaults();
    const FormGeometry& activeGeometry() const;
    bool cellExists(int row, int col, std::string_view area) const;
    int textLength(int row, int col, std::string_view area);
    int caretAtX(int row, int col, std::string_view area, int x);
    int textOriginX(const QFontMetrics& metrics, const DeviceRect& rect, const QString& text,
                    std::string_view align) const;
    QRect caretRect(); // on the page (before horizontal scrolling)
    void drawPage(QPainter& dc, const FormGeometry& geometry, bool printing, int firstRow);
    void drawSelection(QPainter& dc);
    void drawCurrentCell(QPainter& dc);
    void drawTracking(QPainter& dc);
    void ensureCurrentVisible();
    void refreshEnteredText();
    // Commits what was typed into the cell being edited (OnCellChanged when its text differs from
    // the text it had when it was entered), before an edit that touches other cells.
    void commitEnteredCell();
    void storeEdit(const EditRecord& before, const std::string& text, int caret);
    bool removeSelectedRows(const CellRange& range);
    void handleKey(QKeyEvent* event);
    void moveVertical(bool down, int col);
    // To the next or previous cell of the row; false at the last or first cell.
    // To the next or previous cell of the row: the arrows put the caret where they cross into the
    // cell; Tab and Enter (toEnd) after its text, so that typing adds to what the cell holds.
    bool moveHorizontal(bool right, bool toEnd = false);
    void selectWhole(const std::string& zone, int row, int col);
    void applyUndoRecord(const EditRecord& record);
    EditRecord presentState(const EditRecord& record);

    ViewSettings m_settings;
    std::array<QFont, 4> m_fonts;
    FormLayout m_layout;
    FormGeometry m_screen;
    const DrawingContext* m_drawing = nullptr;
    const QPaintDevice* m_printDevice = nullptr;
    DrawnTextRecorder* m_recorder = nullptr;
    const Clock* m_clock = nullptr;
    SettingsKey m_settingsKey;
    Prompt* m_prompt = nullptr;
    bool m_initialized = false;

    CellPos m_current;
    CellPos m_anchor;
    CellPos m_entered;
    std::string m_enteredText;
    EditHistory m_history;
    bool m_shiftHeld = false;
    bool m_caretVisible = true;
    QTimer* m_caretTimer = nullptr;
    // The alignment each column of an area was last drawn with (for placing the caret).
    std::map<std::string, std::string, std::less<>> m_alignments;
    std::string m_selectionKind; // "", or the zone that selected whole rows/columns/the table
    Drag m_drag;
    QMenu* m_menu = nullptr;
};

} // namespace kszw
