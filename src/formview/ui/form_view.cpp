// CKsFormView: set-up, layout operations, settings, the current cell and its enter/leave/changed
// protocol, scrolling, the context menu, the commands the main window routes to the view and the
// calculator. Painting, editing and the mouse live in form_view_paint.cpp, form_view_edit.cpp
// and form_view_mouse.cpp.
#include "formview/ui/form_view.h"

#include "common/clock.h"
#include "common/command_ids.h"
#include "common/text.h"
#include "common/ui/qt_prompt.h"
#include "formula/format_number.h"
#include "formula/ui/calculator_dialog.h"
#include "formview/page_rules.h"
#include "formview/ui/font_mapping.h"
#include "formview/ui/form_export.h"
#include "formview/ui/form_printer.h"

#include <QApplication>
#include <QClipboard>
#include <QFocusEvent>
#include <QImage>
#include <QMenu>
#include <QMimeData>
#include <QScrollBar>
#include <QTimer>

#include <algorithm>

namespace kszw {

namespace {

constexpr const char* kBaseCellText = "派生类无值提供";
constexpr int kCaretBlinkMs = 530;

const Clock& systemClock()
{
    static const SystemClock clock;
    return clock;
}

// A 600-dpi page to measure printed rows on when no printer was given.
const QPaintDevice& referencePrintDevice()
{
    static const QImage page = [] {
        QImage image(1, 1, QImage::Format_RGB32);
        const int dotsPerMeter = static_cast<int>(600 / 0.0254 + 0.5);
        image.setDotsPerMeterX(dotsPerMeter);
        image.setDotsPerMeterY(dotsPerMeter);
        return image;
    }();
    return page;
}

bool clipboardHasText()
{
    const QMimeData* data = QApplication::clipboard()->mimeData();
    return data && data->hasText() && !data->text().isEmpty();
}

} // namespace

CKsFormView::CKsFormView(QWidget* parent) : QAbstractScrollArea(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setMouseTracking(true);
    viewport()->setAutoFillBackground(false);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    setFrameShape(QFrame::NoFrame);
    m_layout.textRows = 0;
    setViewSettings(defaultViewSettings());

    m_caretTimer = new QTimer(this);
    m_caretTimer->setInterval(kCaretBlinkMs);
    connect(m_caretTimer, &QTimer::timeout, this, [this] {
        m_caretVisible = !m_caretVisible;
        viewport()->update(caretRect().adjusted(-1, -1, 1, 1).translated(-horizontalScrollBar()->value(), 0));
    });

    m_menu = new QMenu(this);
    m_menu->setObjectName(QStringLiteral("KsFormMenu"));
    auto addItem = [this](const char* text, int id) {
        QAction* action = m_menu->addAction(QString::fromUtf8(text));
        action->setData(id);
        connect(action, &QAction::triggered, this, [this, id] {
            if (!runCommand(id))
                emit commandRequested(id);
        });
    };
    addItem("新建", cmd::kNewVoucher);
    addItem("打开", cmd::kFileOpen);
    addItem("保存", cmd::kSave);
    m_menu->addSeparator();
    addItem("剪切", cmd::kCut);
    addItem("复制", cmd::kCopy);
    addItem("粘贴", cmd::kPaste);
    m_menu->addSeparator();
    // The table of any view goes out as a file, named as in the 通用服务 menu.
    QMenu* exports = m_menu->addMenu(QStringLiteral("导出(&X)"));
    for (const auto& [text, id] : {std::pair{"导出 CSV 文件(&C)...", cmd::kExportCsv},
                                   std::pair{"导出 Excel 文件(&E)...", cmd::kExportXlsx},
                                   std::pair{"输出 PDF 文件(&O)...", cmd::kExportPdf}}) {
        QAction* action = exports->addAction(QString::fromUtf8(text));
        action->setData(id);
        connect(action, &QAction::triggered, this, [this, id = id] {
            if (!runCommand(id))
                emit commandRequested(id);
        });
    }
}

CKsFormView::~CKsFormView()
{
    ReleaseLayout();
    m_history.clear();
}

void CKsFormView::initialUpdate()
{
    if (m_initialized)
        return;
    m_initialized = true;
    InitFormLayout();
    setEditable(m_editable != 0);
    // Stored column widths replace the layout's, column by column.
    for (size_t i = 0; i < m_settings.columnWidths.size() && i < m_layout.columnWidths.size(); ++i)
        if (m_settings.columnWidths[i] > 0)
            m_layout.columnWidths[i] = m_settings.columnWidths[i];
    updateScrollSizes();
    if (m_current.area.empty())
        SetCurrentCell(0, 0, 0, area::kText);
    else
        ensureCurrentVisible();
}

void CKsFormView::setViewSettings(const ViewSettings& settings)
{
    m_settings = settings;
    for (size_t i = 0; i < m_fonts.size(); ++i)
        m_fonts[i] = toQFont(m_settings.fonts[i]);
    if (m_initialized) {
        for (size_t i = 0; i < m_settings.columnWidths.size() && i < m_layout.columnWidths.size(); ++i)
            if (m_settings.columnWidths[i] > 0)
                m_layout.columnWidths[i] = m_settings.columnWidths[i];
        updateScrollSizes();
    }
}

ViewSettings CKsFormView::currentViewSettings() const
{
    ViewSettings settings = m_settings;
    settings.columnWidths = m_layout.columnWidths;
    return settings;
}

// ---- layout operations ----

void CKsFormView::SetAreaRows(int textRows, int formHeadRows, int formFootRows, int headRows, int footRows)
{
    m_layout.textRows = std::max(1, textRows);
    m_layout.formHeadRows = std::max(0, formHeadRows);
    m_layout.formFootRows = std::max(0, formFootRows);
    m_layout.headRows = std::max(0, headRows);
    m_layout.footRows = std::max(0, footRows);
    m_layout.headCells.assign(static_cast<size_t>(m_layout.headRows), {});
    m_layout.footCells.assign(static_cast<size_t>(m_layout.footRows), {});
    if (m_initialized)
        updateScrollSizes();
}

void CKsFormView::SetTextColumns(std::initializer_list<int> widths)
{
    SetTextColumns(std::vector<int>(widths));
}

void CKsFormView::SetTextColumns(const std::vector<int>& widths)
{
    if (widths.empty())
        return;
    m_layout.columnWidths.clear();
    for (int width : widths)
        m_layout.columnWidths.push_back(std::max(0, width));
    if (m_initialized)
        updateScrollSizes();
}

void CKsFormView::SetAreaCells(std::string_view area, int row, std::initializer_list<CellSpan> cells)
{
    SetAreaCells(area, row, std::vector<CellSpan>(cells));
}

void CKsFormView::SetAreaCells(std::string_view area, int row, const std::vector<CellSpan>& cells)
{
    if (row < 0 || cells.empty())
        return;
    std::vector<std::vector<CellSpan>>* table = nullptr;
    if (area == area::kHead && row < m_layout.headRows)
        table = &m_layout.headCells;
    else if ((area == area::kFoot || area == area::kTail) && row < m_layout.footRows)
        table = &m_layout.footCells;
    if (!table)
        return;
    if (static_cast<int>(table->size()) <= row)
        table->resize(static_cast<size_t>(row) + 1);
    (*table)[static_cast<size_t>(row)] = cells;
    // The screen's geometry carries the cells: a view that lays out again (rows, then cells)
    // shows its head and foot cells at once.
    if (m_initialized)
        updateScrollSizes();
}

void CKsFormView::applyLayoutDefaults()
{
    m_layout.ruleExtent = 1;
    SetAreaRows(10, 1, 1, 1, 1);
    SetTextColumns({20, 10, 6, 12, 18});
    SetAreaCells(area::kHead, 0, {{335, 4}, {440, 2}, {520, 2}, {730, 4}, {900, 4}});
    SetAreaCells(area::kFoot, 0, {{200, 4}, {300, 20}});
}

void CKsFormView::ReleaseLayout()
{
    m_layout.columnWidths.clear();
    m_layout.headCells.clear();
    m_layout.footCells.clear();
}

// ---- the base contract ----

void CKsFormView::InitFormLayout()
{
    applyLayoutDefaults();
}

void CKsFormView::OnRowsAdded(int) {}

void CKsFormView::DrawHeadings(QPainter&) {}

CellInfo CKsFormView::GetCellInfo(int, int, std::string_view, bool)
{
    return CellInfo{kBaseCellText, "STRING", 20, 0};
}

void CKsFormView::SetCellValue(int, int, std::string_view, const std::string&) {}

bool CKsFormView::CanEditCell(int, int, std::string_view)
{
    return true;
}

void CKsFormView::OnCellChanged(int, int, std::string_view, const std::string&) {}

void CKsFormView::OnInsertRows(int, int, int) {}

void CKsFormView::OnEnterCell(int, int, std::string_view) {}

void CKsFormView::OnLeaveCell(int, int, std::string_view) {}

bool CKsFormView::IsRowAppendAllowed()
{
    return true;
}

int CKsFormView::GetPageRows(bool printing) const
{
    if (printing)
        return geometryFor(m_printDevice ? *m_printDevice : referencePrintDevice(), true).pageRows();
    return m_screen.pageRows();
}

int CKsFormView::GetPageCount(bool printing) const
{
    return pageCount(m_layout.textRows, GetPageRows(printing));
}

FormGeometry CKsFormView::geometryFor(const QPaintDevice& device, bool printing) const
{
    GeometryInput input;
    input.page = m_settings.page;
    input.printing = printing;
    input.dotsPerUnitX = device.logicalDpiX() / 254.0;
    input.dotsPerUnitY = device.logicalDpiY() / 254.0;
    for (size_t i = 0; i < m_fonts.size(); ++i) {
        QFontMetrics metrics(m_fonts[i], &device);
        input.fonts[i] = {std::max(1, metrics.horizontalAdvance(QLatin1Char('T'))), std::max(1, metrics.height())};
    }
    if (!printing) {
        input.viewWidth = device.width();
        input.viewHeight = device.height();
    }
    return FormGeometry(m_layout, input);
}

const FormGeometry& CKsFormView::activeGeometry() const
{
    return m_drawing ? *m_drawing->geometry : m_screen;
}

int CKsFormView::GetColumnEdge(int column) const
{
    return activeGeometry().columnEdge(column);
}

int CKsFormView::GetCellLeft(int column) const
{
    return activeGeometry().columnEdge(column) + std::max(3, activeGeometry().font(kBodyFont).charWidth * 2 / 3);
}

int CKsFormView::GetRowTop(int row, std::string_view area) const
{
    return activeGeometry().rowTop(area, row, m_drawing ? m_drawing->firstRow : firstVisibleRow());
}

// ---- the current cell ----

bool CKsFormView::cellExists(int row, int col, std::string_view area) const
{
    return col >= 0 && col < m_layout.cellCount(area, row);
}

int CKsFormView::textLength(int row, int col, std::string_view area)
{
    return charCount(GetCellInfo(row, col, area, false).text);
}

void CKsFormView::SetCurrentCell(int row, int col, int caret, std::string_view area, bool byUser)
{
    if (area == area::kTail)
        area = area::kFoot;
    if (area != area::kText && area != area::kHead && area != area::kFoot)
        return;
    if (!cellExists(row, col, area))
        return;
    const std::string name(area);
    int length = -1;
    if (m_editable && !(m_entered.row == row && m_entered.col == col && m_entered.area == name)) {
        if (!m_entered.area.empty() && cellExists(m_entered.row, m_entered.col, m_entered.area)) {
            const CellPos left = m_entered;
            CellInfo old = GetCellInfo(left.row, left.col, left.area, false);
            if (old.text != m_enteredText)
                OnCellChanged(left.row, left.col, left.area, old.text);
        }
        m_entered = CellPos{0, row, col, name};
        CellInfo info = GetCellInfo(row, col, name, true);
        m_cellSpec = info.spec;
        m_cellMaxLength = info.maxLength;
        m_cellExtra = info.extra;
        m_enteredText = info.text;
        length = charCount(info.text);
    }
    if (m_editable) {
        if (length < 0)
            length = textLength(row, col, name);
        caret = std::clamp(caret, 0, length);
    } else {
        caret = 0;
    }
    const bool moved = !(m_current.row == row && m_current.col == col && m_current.area == name);
    const CellPos old = m_current;
    if (moved && !old.area.empty())
        OnLeaveCell(old.row, old.col, old.area);
    m_current = CellPos{caret, row, col, name};
    if (!(byUser && (m_shiftHeld || m_mouseState == MouseState::Selecting))) {
        m_anchor = m_current;
        m_selectionKind.clear();
    }
    m_caretVisible = true;
    if (moved) {
        ensureCurrentVisible();
        OnEnterCell(row, col, name);
        emit currentCellChanged();
    }
    viewport()->update();
}

void CKsFormView::commitEnteredCell()
{
    if (!m_editable || m_entered.area.empty() || !cellExists(m_entered.row, m_entered.col, m_entered.area))
        return;
    const std::string present = GetCellInfo(m_entered.row, m_entered.col, m_entered.area, false).text;
    if (present == m_enteredText)
        return;
    m_enteredText = present;
    OnCellChanged(m_entered.row, m_entered.col, m_entered.area, present);
}

void CKsFormView::refreshEnteredText()
{
    if (!m_entered.area.empty() && cellExists(m_entered.row, m_entered.col, m_entered.area))
        m_enteredText = GetCellInfo(m_entered.row, m_entered.col, m_entered.area, false).text;
}

bool CKsFormView::hasSelection() const
{
    return !m_current.area.empty() && m_anchor.area == m_current.area && !(m_anchor == m_current);
}

CellRange CKsFormView::selection() const
{
    if (!hasSelection())
        return {};
    return CellRange{m_current.area, std::min(m_anchor.row, m_current.row), std::min(m_anchor.col, m_current.col),
                     std::max(m_anchor.row, m_current.row), std::max(m_anchor.col, m_current.col)};
}

void CKsFormView::setEditable(bool editable)
{
    m_editable = editable ? 1 : 0;
    setAttribute(Qt::WA_InputMethodEnabled, editable);
    viewport()->setCursor(Qt::ArrowCursor);
    if (!editable)
        m_caretTimer->stop();
    else if (hasFocus())
        m_caretTimer->start();
    viewport()->update();
}

// ---- scrolling ----

int CKsFormView::firstVisibleRow() const
{
    return verticalScrollBar()->value();
}

void CKsFormView::scrollToRow(int row)
{
    verticalScrollBar()->setValue(row);
}

void CKsFormView::updateScrollSizes()
{
    for (int pass = 0; pass < 3; ++pass) {
        const QSize before = viewport()->size();
        m_screen = geometryFor(*viewport(), false);
        const int rows = m_screen.pageRows();
        verticalScrollBar()->setRange(0, std::max(0, m_layout.textRows - std::max(rows, 1)));
        verticalScrollBar()->setPageStep(std::max(1, rows));
        verticalScrollBar()->setSingleStep(1);
        horizontalScrollBar()->setRange(0, std::max(0, m_screen.pageWidth() - viewport()->width()));
        horizontalScrollBar()->setPageStep(std::max(1, viewport()->width()));
        horizontalScrollBar()->setSingleStep(m_screen.font(kBodyFont).charWidth);
        if (viewport()->size() == before)
            break;
    }
    viewport()->update();
}

void CKsFormView::ensureCurrentVisible()
{
    if (m_current.area.empty())
        return;
    const int rows = m_screen.pageRows();
    if (m_current.area == area::kText && rows > 0) {
        const int first = firstVisibleRow();
        if (m_current.row < first)
            scrollToRow(m_current.row);
        else if (m_current.row >= first + rows)
            scrollToRow(m_current.row - rows + 1);
    }
    const DeviceRect rect = m_screen.cellRect(m_current.area, m_current.row, m_current.col, firstVisibleRow());
    QScrollBar* bar = horizontalScrollBar();
    const int width = viewport()->width();
    if (rect.width > 0 && width > 0) {
        if (rect.x < bar->value())
            bar->setValue(rect.x - m_screen.font(kBodyFont).charWidth);
        else if (rect.right() > bar->value() + width)
            bar->setValue(std::min(rect.x, rect.right() - width + 2));
    }
}

void CKsFormView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    if (m_initialized)
        updateScrollSizes();
}

void CKsFormView::showEvent(QShowEvent* event)
{
    QAbstractScrollArea::showEvent(event);
    initialUpdate();
}

void CKsFormView::scrollContentsBy(int, int)
{
    viewport()->update();
}

// ---- focus ----

void CKsFormView::focusInEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusInEvent(event);
    if (m_editable) {
        m_caretVisible = true;
        m_caretTimer->start();
    }
    viewport()->update();
}

void CKsFormView::focusOutEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusOutEvent(event);
    m_caretTimer->stop();
    m_caretVisible = false;
    viewport()->update();
}

bool CKsFormView::focusNextPrevChild(bool)
{
    return false; // Tab and Shift+Tab move between cells
}

// ---- menu and commands ----

void CKsFormView::updateFormMenu()
{
    const bool selection = hasSelection();
    for (QAction* action : m_menu->actions()) {
        switch (action->data().toInt()) {
        case cmd::kNewVoucher: action->setEnabled(m_editable); break;
        case cmd::kSave: action->setEnabled(m_editable && m_modified); break;
        case cmd::kCut: action->setEnabled(m_editable && selection); break;
        case cmd::kCopy: action->setEnabled(selection); break;
        case cmd::kPaste: action->setEnabled(m_editable && clipboardHasText()); break;
        default: break;
        }
    }
}

void CKsFormView::contextMenuEvent(QContextMenuEvent* event)
{
    if (m_mouseState != MouseState::Idle)
        return;
    updateFormMenu();
    // Opened from the keyboard, the menu comes up at the current cell.
    QPoint at = event->globalPos();
    if (event->reason() != QContextMenuEvent::Mouse && !m_current.area.empty()
        && cellExists(m_current.row, m_current.col, m_current.area)) {
        const DeviceRect cell = m_screen.cellRect(m_current.area, m_current.row, m_current.col, firstVisibleRow());
        const QPoint corner(cell.x - horizontalScrollBar()->value() + 4, cell.y + cell.height);
        if (cell.width > 0 && viewport()->rect().contains(corner))
            at = viewport()->mapToGlobal(corner);
    }
    m_menu->exec(at);
}

bool CKsFormView::isCommandEnabled(int id) const
{
    switch (id) {
    case cmd::kCopy: return hasSelection();
    case cmd::kCut: return m_editable && hasSelection();
    case cmd::kPaste: return m_editable && clipboardHasText();
    case cmd::kUndo: return m_editable && m_history.canUndo();
    case cmd::kRedo: return m_editable && m_history.canRedo();
    case cmd::kSave: return m_editable && m_modified;
    case cmd::kNewVoucher:
    case cmd::kFileNew: return m_editable != 0;
    case cmd::kDeleteRow: return m_editable != 0;
    case cmd::kCalculator: return true;
    default: return isPrintCommand(id) || isExportCommand(id);
    }
}

bool CKsFormView::runCommand(int id)
{
    switch (id) {
    case cmd::kCopy: Copy(); return true;
    case cmd::kCut: Cut(); return true;
    case cmd::kPaste: Paste(); return true;
    case cmd::kUndo: Undo(); return true;
    case cmd::kRedo: Redo(); return true;
    case cmd::kDeleteRow: DeleteSelection(); return true;
    case cmd::kCalculator: openCalculator(); return true;
    default: return runPrintCommand(*this, id, prompt()) || runExportCommand(*this, id, prompt());
    }
}

ExportTable CKsFormView::exportTable()
{
    return collectExportTable(*this);
}

void CKsFormView::setSettingsKey(const SettingsKey& key)
{
    m_settingsKey = key;
    if (key.db)
        setViewSettings(LoadViewSettings(*key.db, key.nFlag, key.fieldMode));
}

Prompt& CKsFormView::prompt()
{
    static QtPrompt messageBoxes;
    return m_prompt ? *m_prompt : messageBoxes;
}

// ---- calculator ----

void CKsFormView::openCalculator()
{
    QString start;
    if (cellExists(m_current.row, m_current.col, m_current.area)) {
        CellInfo info = GetCellInfo(m_current.row, m_current.col, m_current.area, false);
        if (info.spec.find("NUMBER") != std::string::npos)
            start = QString::fromStdString(trim(RemoveGroupCommas(info.text)));
    }
    CalculatorDialog dialog(m_clock ? *m_clock : systemClock(), start, this);
    if (dialog.exec() == QDialog::Accepted)
        SendCalculatorValue(dialog.sentValue().toStdString());
}

void CKsFormView::SendCalculatorValue(const std::string& value)
{
    if (!m_editable || !cellExists(m_current.row, m_current.col, m_current.area) ||
        !CanEditCell(m_current.row, m_current.col, m_current.area))
        return;
    const CellPos cell = m_current;
    CellInfo info = GetCellInfo(cell.row, cell.col, cell.area, false);
    storeEdit(EditRecord{cell.caret, cell.row, cell.col, cell.area, info.text}, value, 0);
}

} // namespace kszw
