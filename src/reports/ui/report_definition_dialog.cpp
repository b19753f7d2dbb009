// The statement definition dialog: the grid and its editors, keeping the edits of each statement,
// and handing them to the core's checks and store.
#include "reports/ui/report_definition_dialog.h"

#include "chart/ui/chart_dialog_support.h"
#include "common/prompt.h"
#include "common/ui/qt_text.h"
#include "reports/report_calculation.h"
#include "store/database.h"
#include "store/database_error.h"

#include <QApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QScrollBar>
#include <QSpinBox>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace kszw {

namespace {

using Column = CReportDefinitionDlg::Column;

// The stored indent is kept within this many full-width blanks.
constexpr int kMaxIndent = 20;
// The item data of the 位置 cell that holds the line's half.
constexpr int kHalfRole = Qt::UserRole;

const QString kLeftHalf = QStringLiteral("资产方");
const QString kRightHalf = QStringLiteral("负债和所有者权益方");

QString halfText(int half)
{
    return half == 1 ? kRightHalf : kLeftHalf;
}

// A formula cell's tooltip: the whole formula (the cell may cut it), then what formulas can use.
QString formulaTip(const QString& formula)
{
    const QString help = CReportDefinitionDlg::formulaHelp();
    return formula.trimmed().isEmpty() ? help : formula + QStringLiteral("\n\n") + help;
}

bool isPlainKey(const QKeyEvent* key)
{
    return !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
}

QPushButton* button(const QString& text, QWidget* parent)
{
    auto* pushButton = new QPushButton(text, parent);
    pushButton->setAutoDefault(false);
    return pushButton;
}

// The editors of the grid's cells, with the lengths the store keeps; the item cell shows the line
// as printed (indented, bold).
class LineDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        switch (index.column()) {
        case Column::PositionColumn: {
            auto* box = new QComboBox(parent);
            box->addItem(kLeftHalf, 0);
            box->addItem(kRightHalf, 1);
            // A choice made with the mouse or the keyboard is taken at once.
            connect(box, &QComboBox::activated, this, [this, box] {
                emit const_cast<LineDelegate*>(this)->commitData(box);
            });
            return box;
        }
        case Column::ItemColumn:
        case Column::FirstFormulaColumn:
        case Column::SecondFormulaColumn: {
            auto* edit = new QLineEdit(parent);
            edit->setFrame(false);
            edit->setMaxLength(index.column() == Column::ItemColumn ? kMaxItemLength : kMaxFormulaLength);
            return edit;
        }
        case Column::NumberColumn: {
            auto* edit = new QLineEdit(parent);
            edit->setFrame(false);
            edit->setAlignment(Qt::AlignCenter);
            edit->setValidator(
                new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,3}")), edit));
            return edit;
        }
        case Column::IndentColumn: {
            auto* spin = new QSpinBox(parent);
            spin->setFrame(false);
            spin->setRange(0, kMaxIndent);
            spin->setAlignment(Qt::AlignCenter);
            return spin;
        }
        default:
            return QStyledItemDelegate::createEditor(parent, option, index);
        }
    }

    void setEditorData(QWidget* editor, const QModelIndex& index) const override
    {
        if (auto* box = qobject_cast<QComboBox*>(editor)) {
            box->setCurrentIndex(index.data(kHalfRole).toInt() == 1 ? 1 : 0);
            return;
        }
        QStyledItemDelegate::setEditorData(editor, index);
    }

    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override
    {
        if (auto* box = qobject_cast<QComboBox*>(editor)) {
            const int half = box->currentData().toInt();
            model->setData(index, half, kHalfRole);
            model->setData(index, halfText(half), Qt::DisplayRole);
            return;
        }
        if (auto* spin = qobject_cast<QSpinBox*>(editor)) {
            spin->interpretText();
            model->setData(index, spin->value(), Qt::EditRole);
            return;
        }
        QStyledItemDelegate::setModelData(editor, model, index);
    }

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        if (index.column() != Column::ItemColumn)
            return;
        const int indent = std::clamp(index.siblingAtColumn(Column::IndentColumn).data().toInt(), 0, kMaxIndent);
        option->text = QString(indent, QChar(0x3000)) + option->text;
        if (index.siblingAtColumn(Column::BoldColumn).data(Qt::CheckStateRole).toInt() == Qt::Checked)
            option->font.setBold(true);
    }
};

} // namespace

QString CReportDefinitionDlg::formulaHelp()
{
    return QStringLiteral("公式中可用：\n"
                          "  ye(\"科目\",月)　　科目在该月月末的余额（借方为正，月为0时是年初余额）\n"
                          "  jf(\"科目\",起月,止月)　借方发生额；df(\"科目\",起月,止月)　贷方发生额\n"
                          "  jye(\"科目\",月)、dye(\"科目\",月)　各明细科目的借方余额之和、贷方余额之和\n"
                          "  sy(\"科目\",起月,止月,\"本年利润科目\")　损益科目的净发生额（借方为正），不含结转损益的凭证\n"
                          "  yf()　　　　　　报表的月份\n"
                          "  r(行次)　　　　 本表另一行在同一栏的值\n"
                          "例如：ye(\"1001\",yf())+ye(\"1002\",yf())　　r(15)+r(29)");
}

CReportDefinitionDlg::CReportDefinitionDlg(Database& db, Prompt& prompt, const AccountingCalendar& calendar,
                                           std::string fileName, bool editable, QWidget* parent)
    : QDialog(parent), m_db(db), m_prompt(prompt), m_calendar(calendar), m_fileName(std::move(fileName)),
      m_editable(editable)
{
    setWindowTitle(QStringLiteral("财务报表定义"));
    m_stored = loadReports(m_db);
    m_edited = m_stored;

    m_reports = new QComboBox(this);
    m_reports->setMinimumContentsLength(12);
    for (const ReportDefinition& definition : m_stored)
        m_reports->addItem(qtText(definition.name), definition.number);
    auto* reportLabel = new QLabel(QStringLiteral("报表(&B)："), this);
    reportLabel->setBuddy(m_reports);

    m_grid = new QTableWidget(0, ColumnCount, this);
    m_grid->setItemDelegate(new LineDelegate(m_grid));
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setEditTriggers(m_editable ? QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                                             | QAbstractItemView::AnyKeyPressed
                                       : QAbstractItemView::NoEditTriggers);
    // Tab leaves the grid for the buttons; the arrows move from cell to cell.
    m_grid->setTabKeyNavigation(false);
    m_grid->setWordWrap(false);
    m_grid->setAlternatingRowColors(true);
    m_grid->verticalHeader()->setDefaultSectionSize(QFontMetrics(font()).height() + 8);
    m_grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_grid->installEventFilter(this);

    const QFontMetrics metrics(m_grid->font());
    const int digit = metrics.horizontalAdvance(QLatin1Char('0'));
    const int hanzi = metrics.horizontalAdvance(QChar(0x6C49));
    QHeaderView* header = m_grid->horizontalHeader();
    header->setHighlightSections(false);
    header->setDefaultAlignment(Qt::AlignCenter);
    header->resizeSection(PositionColumn, metrics.horizontalAdvance(kRightHalf) + 2 * digit);
    header->resizeSection(ItemColumn, hanzi * 18);
    header->resizeSection(NumberColumn, hanzi * 3);
    header->resizeSection(BoldColumn, hanzi * 3);
    header->resizeSection(IndentColumn, hanzi * 3);
    header->resizeSection(FirstFormulaColumn, digit * 48);
    header->resizeSection(SecondFormulaColumn, digit * 48);
    // The formulas take the width the other columns leave.
    header->setSectionResizeMode(FirstFormulaColumn, QHeaderView::Stretch);
    header->setSectionResizeMode(SecondFormulaColumn, QHeaderView::Stretch);
    int gridWidth = 2 * m_grid->frameWidth() + m_grid->verticalHeader()->sizeHint().width()
                    + m_grid->verticalScrollBar()->sizeHint().width() + 4;
    for (int column = 0; column < ColumnCount; ++column)
        gridWidth += header->sectionSize(column);
    m_grid->setMinimumSize(gridWidth, 12 * m_grid->verticalHeader()->defaultSectionSize());

    m_hint = new QLabel(QStringLiteral("公式：ye(\"科目\",月) 余额，jf/df(\"科目\",起月,止月) 借/贷方发生额，jye/dye 明细借/贷方余额，"
                                       "sy 损益净发生额，yf() 报表月份，r(行次) 本表另一行的值。"),
                        this);
    m_hint->setToolTip(formulaHelp());
    if (!m_editable)
        m_hint->setText(QStringLiteral("没有修改财务报表定义的权限，只能查看。") + m_hint->text());

    m_insert = button(QStringLiteral("插入行(&I)"), this);
    m_delete = button(QStringLiteral("删除行(&D)"), this);
    m_restore = button(QStringLiteral("恢复默认(&R)"), this);
    m_confirm = button(QStringLiteral("确定"), this);
    m_cancel = button(m_editable ? QStringLiteral("取消") : QStringLiteral("关闭"), this);
    m_insert->setToolTip(QStringLiteral("在当前行之后插入一行（Insert）"));
    m_delete->setToolTip(QStringLiteral("删除当前行（Delete）"));
    m_restore->setToolTip(QStringLiteral("用程序提供的定义替换本报表的定义"));
    m_insert->setEnabled(m_editable);
    m_delete->setEnabled(m_editable);
    m_restore->setEnabled(m_editable);
    m_confirm->setVisible(m_editable);

    auto* chooser = new QHBoxLayout;
    chooser->addWidget(reportLabel);
    chooser->addWidget(m_reports);
    chooser->addStretch(1);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_insert);
    buttons->addWidget(m_delete);
    buttons->addWidget(m_restore);
    buttons->addStretch(1);
    buttons->addWidget(m_confirm);
    buttons->addWidget(m_cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(chooser);
    layout->addWidget(m_grid, 1);
    layout->addWidget(m_hint);
    layout->addSpacing(4);
    layout->addLayout(buttons);

    setTabOrder(m_reports, m_grid);
    setTabOrder(m_grid, m_insert);
    setTabOrder(m_insert, m_delete);
    setTabOrder(m_delete, m_restore);
    setTabOrder(m_restore, m_confirm);
    setTabOrder(m_confirm, m_cancel);

    connect(m_insert, &QPushButton::clicked, this, &CReportDefinitionDlg::insertLine);
    connect(m_delete, &QPushButton::clicked, this, &CReportDefinitionDlg::deleteLine);
    connect(m_restore, &QPushButton::clicked, this, &CReportDefinitionDlg::restoreDefault);
    connect(m_confirm, &QPushButton::clicked, this, &CReportDefinitionDlg::confirm);
    connect(m_cancel, &QPushButton::clicked, this, &CReportDefinitionDlg::reject);
    connect(m_grid, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        if (m_filling)
            return;
        // The item cell draws the indent and the bold mark of its row.
        if (item->column() == BoldColumn || item->column() == IndentColumn)
            m_grid->viewport()->update();
        if (item->column() == FirstFormulaColumn || item->column() == SecondFormulaColumn) {
            const QString tip = formulaTip(item->text());
            if (item->toolTip() != tip)
                item->setToolTip(tip);
        }
        if (item->column() == PositionColumn && !m_regroupPending) {
            m_regroupPending = true;
            // After the editor that set it has closed.
            QTimer::singleShot(0, this, [this] {
                if (m_regroupPending)
                    regroupHalves();
            });
        }
    });
    connect(m_grid, &QTableWidget::currentCellChanged, this, [this] { updateButtons(); });
    connect(m_reports, &QComboBox::currentIndexChanged, this, [this](int index) {
        keepShownEdits();
        showReport(index);
    });

    showReport(m_reports->count() > 0 ? 0 : -1);
    resize(sizeHint().width(), std::max(sizeHint().height(), 26 * m_grid->verticalHeader()->defaultSectionSize()));
    m_grid->setFocus();
}

int CReportDefinitionDlg::currentReport() const
{
    return m_shown >= 0 ? m_edited[static_cast<size_t>(m_shown)].number : 0;
}

void CReportDefinitionDlg::chooseReport(int number)
{
    const int index = m_reports->findData(number);
    if (index >= 0)
        m_reports->setCurrentIndex(index);
}

std::vector<ReportDefinition> CReportDefinitionDlg::editedReports() const
{
    std::vector<ReportDefinition> reports = m_edited;
    if (m_shown >= 0)
        reports[static_cast<size_t>(m_shown)].lines = gridLines();
    return reports;
}

bool CReportDefinitionDlg::isChanged() const
{
    return editedReports() != m_stored;
}

void CReportDefinitionDlg::showReport(int index)
{
    m_shown = index;
    const ReportDefinition* definition = index >= 0 ? &m_edited[static_cast<size_t>(index)] : nullptr;
    const QString formula = QStringLiteral("公式");
    m_grid->setHorizontalHeaderLabels(
        {QStringLiteral("位置"), QStringLiteral("项目"), QStringLiteral("行次"),
         (definition ? qtText(definition->columns[0]) : QString()) + formula,
         (definition ? qtText(definition->columns[1]) : QString()) + formula, QStringLiteral("粗体"),
         QStringLiteral("缩进")});
    for (const int column : {FirstFormulaColumn, SecondFormulaColumn})
        m_grid->horizontalHeaderItem(column)->setToolTip(formulaHelp());
    m_grid->horizontalHeaderItem(PositionColumn)->setToolTip(QStringLiteral("行印在报表的左半（资产方）或右半（负债和所有者权益方）"));
    m_grid->horizontalHeaderItem(IndentColumn)->setToolTip(QStringLiteral("项目前空出的全角空格数"));
    m_grid->horizontalHeaderItem(NumberColumn)->setToolTip(QStringLiteral("1到999；标题行不填。公式中的r(行次)引用它"));
    m_grid->setColumnHidden(PositionColumn, !definition || !definition->twoHalves);
    fillGrid(definition ? definition->lines : std::vector<ReportLine>{}, 0, ItemColumn);
}

void CReportDefinitionDlg::fillGrid(const std::vector<ReportLine>& lines, int currentRow, int currentColumn)
{
    m_filling = true;
    m_regroupPending = false;
    m_grid->clearContents();
    m_grid->setRowCount(static_cast<int>(lines.size()));
    const Qt::ItemFlags viewFlags = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    const Qt::ItemFlags editFlags = viewFlags | (m_editable ? Qt::ItemIsEditable : Qt::NoItemFlags);
    const Qt::ItemFlags checkFlags = viewFlags | (m_editable ? Qt::ItemIsUserCheckable : Qt::NoItemFlags);
    for (int row = 0; row < static_cast<int>(lines.size()); ++row) {
        const ReportLine& line = lines[static_cast<size_t>(row)];
        auto* position = new QTableWidgetItem(halfText(line.half));
        position->setData(kHalfRole, line.half == 1 ? 1 : 0);
        auto* item = new QTableWidgetItem(qtText(line.item));
        auto* number = new QTableWidgetItem(qtText(line.lineNumber));
        number->setTextAlignment(Qt::AlignCenter);
        QTableWidgetItem* formulas[2];
        for (int column = 0; column < 2; ++column) {
            formulas[column] = new QTableWidgetItem(qtText(line.formulas[static_cast<size_t>(column)]));
            formulas[column]->setToolTip(formulaTip(formulas[column]->text()));
        }
        auto* bold = new QTableWidgetItem;
        bold->setCheckState(line.bold ? Qt::Checked : Qt::Unchecked);
        bold->setFlags(checkFlags);
        auto* indent = new QTableWidgetItem;
        indent->setData(Qt::EditRole, line.indent);
        indent->setTextAlignment(Qt::AlignCenter);
        for (QTableWidgetItem* cell : {position, item, number, formulas[0], formulas[1], indent})
            cell->setFlags(editFlags);
        m_grid->setItem(row, PositionColumn, position);
        m_grid->setItem(row, ItemColumn, item);
        m_grid->setItem(row, NumberColumn, number);
        m_grid->setItem(row, FirstFormulaColumn, formulas[0]);
        m_grid->setItem(row, SecondFormulaColumn, formulas[1]);
        m_grid->setItem(row, BoldColumn, bold);
        m_grid->setItem(row, IndentColumn, indent);
    }
    m_filling = false;
    if (!lines.empty())
        selectRow(std::clamp(currentRow, 0, static_cast<int>(lines.size()) - 1), currentColumn);
    updateButtons();
}

std::vector<ReportLine> CReportDefinitionDlg::gridLines() const
{
    const bool twoHalves = m_shown >= 0 && m_edited[static_cast<size_t>(m_shown)].twoHalves;
    std::vector<ReportLine> lines;
    for (int row = 0; row < m_grid->rowCount(); ++row) {
        const auto text = [this, row](int column) {
            const QTableWidgetItem* item = m_grid->item(row, column);
            return item ? item->text() : QString();
        };
        ReportLine line;
        const QTableWidgetItem* position = m_grid->item(row, PositionColumn);
        line.half = twoHalves && position && position->data(kHalfRole).toInt() == 1 ? 1 : 0;
        line.item = text(ItemColumn).toStdString();
        line.lineNumber = text(NumberColumn).trimmed().toStdString();
        line.formulas = {text(FirstFormulaColumn).toStdString(), text(SecondFormulaColumn).toStdString()};
        const QTableWidgetItem* bold = m_grid->item(row, BoldColumn);
        line.bold = bold && bold->checkState() == Qt::Checked;
        const QTableWidgetItem* indent = m_grid->item(row, IndentColumn);
        line.indent = indent ? std::clamp(indent->data(Qt::EditRole).toInt(), 0, kMaxIndent) : 0;
        lines.push_back(std::move(line));
    }
    std::stable_partition(lines.begin(), lines.end(), [](const ReportLine& line) { return line.half == 0; });
    return lines;
}

void CReportDefinitionDlg::regroupHalves()
{
    m_regroupPending = false;
    const int rows = m_grid->rowCount();
    // The rows of the left half first, each half in its order; the current row moves with its line.
    std::vector<int> order;
    for (int half = 0; half < 2; ++half)
        for (int row = 0; row < rows; ++row) {
            const QTableWidgetItem* position = m_grid->item(row, PositionColumn);
            if ((position && position->data(kHalfRole).toInt() == 1 ? 1 : 0) == half)
                order.push_back(row);
        }
    bool grouped = true;
    for (int row = 0; row < rows; ++row)
        grouped = grouped && order[static_cast<size_t>(row)] == row;
    if (grouped)
        return;
    const int current = m_grid->currentRow();
    const int column = std::max(m_grid->currentColumn(), 0);
    const auto moved = std::find(order.begin(), order.end(), current);
    fillGrid(gridLines(), moved != order.end() ? static_cast<int>(moved - order.begin()) : 0, column);
}

void CReportDefinitionDlg::keepShownEdits()
{
    if (m_shown < 0)
        return;
    regroupHalves();
    m_edited[static_cast<size_t>(m_shown)].lines = gridLines();
}

void CReportDefinitionDlg::selectRow(int row, int column)
{
    if (row < 0 || row >= m_grid->rowCount())
        return;
    m_grid->setCurrentCell(row, column, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_grid->scrollToItem(m_grid->item(row, column));
}

void CReportDefinitionDlg::updateButtons()
{
    m_delete->setEnabled(m_editable && m_grid->currentRow() >= 0);
}

std::optional<int> CReportDefinitionDlg::messageRow(const std::string& message)
{
    static const QRegularExpression pattern(QStringLiteral("^第(\\d+)行"));
    const QRegularExpressionMatch match = pattern.match(qtText(message));
    if (!match.hasMatch())
        return std::nullopt;
    return match.captured(1).toInt() - 1;
}

namespace {

// Ends the editing of a cell, keeping what was typed: the editor takes its text into the grid when
// it loses the focus.
void commitOpenEditor(QTableWidget& grid)
{
    QWidget* focus = QApplication::focusWidget();
    if (focus && focus != &grid && grid.isAncestorOf(focus))
        grid.setFocus();
}

} // namespace

void CReportDefinitionDlg::insertLine()
{
    if (!m_editable || m_shown < 0)
        return;
    commitOpenEditor(*m_grid);
    std::vector<ReportLine> lines = gridLines();
    const int current = m_grid->currentRow();
    ReportLine line;
    int at = static_cast<int>(lines.size());
    if (current >= 0 && current < static_cast<int>(lines.size())) {
        at = current + 1;
        line.half = lines[static_cast<size_t>(current)].half;
        line.indent = lines[static_cast<size_t>(current)].indent;
    }
    lines.insert(lines.begin() + at, line);
    fillGrid(lines, at, ItemColumn);
    m_grid->setFocus();
    m_grid->editItem(m_grid->item(at, ItemColumn));
}

void CReportDefinitionDlg::deleteLine()
{
    if (!m_editable)
        return;
    commitOpenEditor(*m_grid);
    const int row = m_grid->currentRow();
    if (row < 0 || row >= m_grid->rowCount())
        return;
    const QString item = m_grid->item(row, ItemColumn) ? m_grid->item(row, ItemColumn)->text().trimmed() : QString();
    const QString question = item.isEmpty() ? QStringLiteral("是否删除第%1行？").arg(row + 1)
                                            : QStringLiteral("是否删除第%1行“%2”？").arg(row + 1).arg(item);
    if (m_prompt.ask(question.toStdString(), Buttons::YesNo, Answer::No, Icon::Question, kMessageCaption)
        != Answer::Yes) {
        m_grid->setFocus();
        return;
    }
    std::vector<ReportLine> lines = gridLines();
    lines.erase(lines.begin() + row);
    fillGrid(lines, std::min(row, static_cast<int>(lines.size()) - 1), std::max(m_grid->currentColumn(), 0));
    m_grid->setFocus();
}

void CReportDefinitionDlg::restoreDefault()
{
    if (!m_editable || m_shown < 0)
        return;
    commitOpenEditor(*m_grid);
    if (m_prompt.ask("是否恢复本报表的默认定义？当前的定义将被替换。", Buttons::YesNo, Answer::No, Icon::Question,
                     kMessageCaption)
        != Answer::Yes) {
        m_grid->setFocus();
        return;
    }
    const int number = currentReport();
    std::optional<ReportDefinition> shipped;
    try {
        for (ReportDefinition& definition : shippedReports(m_db))
            if (definition.number == number)
                shipped = std::move(definition);
    } catch (const DatabaseError& error) {
        warnDatabaseError(m_prompt, error, m_db);
        return;
    }
    if (!shipped) {
        m_prompt.warn("本报表没有默认定义！");
        return;
    }
    m_edited[static_cast<size_t>(m_shown)] = std::move(*shipped);
    showReport(m_shown);
    m_grid->setFocus();
}

void CReportDefinitionDlg::confirm()
{
    if (!m_editable) {
        QDialog::accept();
        return;
    }
    commitOpenEditor(*m_grid);
    keepShownEdits();
    // A refusal shows its statement with the line it names.
    const auto refuse = [this](size_t index, const std::string& message, int column) {
        if (static_cast<int>(index) != m_shown)
            m_reports->setCurrentIndex(static_cast<int>(index));
        if (const std::optional<int> row = messageRow(message))
            selectRow(*row, column);
        m_grid->setFocus();
        m_prompt.warn(message);
    };
    std::vector<size_t> changed;
    for (size_t index = 0; index < m_edited.size(); ++index)
        if (m_edited[index] != m_stored[index])
            changed.push_back(index);
    for (const size_t index : changed) {
        const ReportDefinition& definition = m_edited[index];
        if (const std::optional<std::string> refusal = checkReportShape(definition)) {
            const QString text = qtText(*refusal);
            const int column = text.contains(QStringLiteral("公式"))   ? FirstFormulaColumn
                               : text.contains(QStringLiteral("行次")) ? NumberColumn
                                                                        : ItemColumn;
            refuse(index, *refusal, column);
            return;
        }
        std::optional<std::string> failure;
        try {
            failure = checkReportFormulas(m_db, m_calendar, m_fileName, definition);
        } catch (const DatabaseError& error) {
            warnDatabaseError(m_prompt, error, m_db);
            return;
        }
        if (failure) {
            const bool second = qtText(*failure).contains(qtText(definition.columns[1] + "的公式"));
            refuse(index, *failure, second ? SecondFormulaColumn : FirstFormulaColumn);
            return;
        }
    }
    std::vector<ReportDefinition> toStore;
    for (const size_t index : changed)
        toStore.push_back(m_edited[index]);
    try {
        // All the changed statements are stored together or none of them.
        saveReports(m_db, toStore);
    } catch (const DatabaseError& error) {
        warnDatabaseError(m_prompt, error, m_db);
        return;
    }
    for (const size_t index : changed)
        m_stored[index] = m_edited[index];
    QDialog::accept();
}

void CReportDefinitionDlg::reject()
{
    if (m_editable) {
        commitOpenEditor(*m_grid);
        if (isChanged()
            && m_prompt.ask("报表定义已修改，是否放弃所做的修改？", Buttons::YesNo, Answer::No, Icon::Question,
                            kMessageCaption)
                   != Answer::Yes) {
            m_grid->setFocus();
            return;
        }
    }
    QDialog::reject();
}

bool CReportDefinitionDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_grid && event->type() == QEvent::KeyPress && m_editable) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Delete && isPlainKey(key)) {
            deleteLine();
            return true;
        }
        if (key->key() == Qt::Key_Insert && isPlainKey(key)) {
            insertLine();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace kszw
