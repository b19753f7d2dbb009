// The variable table and the variable edit dialog: layout, keys, and handing input to the core.
#include "templates/ui/variable_dialogs.h"

#include "common/prompt.h"
#include "common/text.h"
#include "common/ui/qt_text.h"
#include "formview/ui/spec_edit.h"
#include "store/database.h"
#include "store/database_error.h"
#include "store/error_messages.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <string>

namespace kszw {

namespace {

// The field widths of KSVAR in GBK bytes, and the characters a name may hold.
constexpr int kNameBytes = 10;
constexpr int kExpressionBytes = 200;
constexpr int kNoteBytes = 60;
constexpr std::string_view kNameSpec = "STRING 0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ#abcdefghijklmnopqrstuvwxyz";
// Expressions quote subject codes ("1002-1") and notes are free text: every character is taken.
constexpr std::string_view kFreeTextSpec = "STRING";

// What each kind asks of the variable's value, as the evaluator treats it.
QString typeHint(VariableType type)
{
    switch (type) {
    case VariableType::Text: return QStringLiteral("值为文本：公式算出的数值变为它的文本");
    case VariableType::Number: return QStringLiteral("值必须是数值：公式算出文本时报“数据类型不匹配！”");
    case VariableType::Automatic: return QStringLiteral("值为公式算出的结果，文本或数值都可以");
    }
    return QString();
}

constexpr VariableType kTypes[] = {VariableType::Text, VariableType::Number, VariableType::Automatic};

enum Column { NameColumn, ExpressionColumn, TypeColumn, NoteColumn };

} // namespace

CVariableEditDlg::CVariableEditDlg(Prompt& prompt, std::vector<VariableRow> rows, std::optional<std::size_t> editing,
                                   QWidget* parent)
    : QDialog(parent), m_prompt(prompt), m_rows(std::move(rows)), m_editing(editing)
{
    if (m_editing && *m_editing >= m_rows.size())
        m_editing.reset();
    setWindowTitle(m_editing ? QStringLiteral("修改公式") : QStringLiteral("新增公式"));

    m_name = new CSpecEdit(this);
    m_name->SetInputSpec(qtText(kNameSpec), kNameBytes, 0);
    m_expression = new CSpecEdit(this);
    m_expression->SetInputSpec(qtText(kFreeTextSpec), kExpressionBytes, 0);
    m_note = new CSpecEdit(this);
    m_note->SetInputSpec(qtText(kFreeTextSpec), kNoteBytes, 0);
    m_type = new QComboBox(this);
    for (VariableType type : kTypes) {
        m_type->addItem(qtText(variableTypeName(type)), static_cast<int>(type));
        m_type->setItemData(m_type->count() - 1, typeHint(type), Qt::ToolTipRole);
    }

    const QFontMetrics metrics(m_name->font());
    m_name->setFixedWidth(metrics.horizontalAdvance(QString(kNameBytes + 2, QLatin1Char('W'))) + 12);
    m_expression->setMinimumWidth(metrics.horizontalAdvance(QString(48, QLatin1Char('0'))) + 12);
    m_expression->setToolTip(QStringLiteral("变量的公式，例如 pzt(1) 或 jf(\"1602\",#y)；可用其它变量"));
    m_name->setToolTip(QStringLiteral("以“#”开头，后跟数字、字母，最长%1个字符").arg(kNameBytes));

    auto* nameLabel = new QLabel(QStringLiteral("变量名"), this);
    nameLabel->setBuddy(m_name);
    auto* expressionLabel = new QLabel(QStringLiteral("变量值"), this);
    expressionLabel->setBuddy(m_expression);
    auto* typeLabel = new QLabel(QStringLiteral("类型"), this);
    typeLabel->setBuddy(m_type);
    auto* noteLabel = new QLabel(QStringLiteral("说明"), this);
    noteLabel->setBuddy(m_note);

    m_confirm = new QPushButton(QStringLiteral("&S.确认"), this);
    m_cancel = new QPushButton(QStringLiteral("&X.取消"), this);
    m_confirm->setDefault(true);
    m_cancel->setAutoDefault(false);
    connect(m_confirm, &QPushButton::clicked, this, &CVariableEditDlg::confirm);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* grid = new QGridLayout(this);
    grid->addWidget(nameLabel, 0, 0);
    grid->addWidget(m_name, 0, 1, Qt::AlignLeft);
    grid->addWidget(expressionLabel, 1, 0);
    grid->addWidget(m_expression, 1, 1);
    grid->addWidget(typeLabel, 2, 0);
    grid->addWidget(m_type, 2, 1, Qt::AlignLeft);
    grid->addWidget(noteLabel, 3, 0);
    grid->addWidget(m_note, 3, 1);
    grid->setColumnMinimumWidth(2, 12);
    grid->addWidget(m_confirm, 0, 3);
    grid->addWidget(m_cancel, 1, 3);
    grid->setColumnStretch(1, 1);
    grid->setSizeConstraint(QLayout::SetFixedSize);

    setTabOrder(m_name, m_expression);
    setTabOrder(m_expression, m_type);
    setTabOrder(m_type, m_note);
    setTabOrder(m_note, m_confirm);
    setTabOrder(m_confirm, m_cancel);

    const VariableRow shown = m_editing ? m_rows[*m_editing] : VariableRow{};
    m_name->setText(qtText(shown.name));
    m_expression->setText(qtText(shown.expression));
    m_note->setText(qtText(shown.note));
    m_type->setCurrentIndex(static_cast<int>(shown.type));
    m_name->setFocus();
    m_name->selectAll();
}

void CVariableEditDlg::confirm()
{
    const std::string name = m_name->text().toStdString();
    if (const std::optional<std::string> refusal = checkVariableName(m_rows, name, m_editing)) {
        m_prompt.warn(*refusal);
        m_name->setFocus();
        m_name->selectAll();
        return;
    }
    const std::string expression = trimWhitespace(m_expression->text().toStdString());
    if (expression.empty()) {
        m_prompt.warn(kVariableExpressionEmpty);
        m_expression->setFocus();
        m_expression->selectAll();
        return;
    }
    m_row = VariableRow{name, expression, trimWhitespace(m_note->text().toStdString()),
                        static_cast<VariableType>(m_type->currentData().toInt())};
    accept();
}

CVariableTableDlg::CVariableTableDlg(Database& db, Prompt& prompt, QWidget* parent)
    : QDialog(parent), m_db(db), m_prompt(prompt), m_rows(loadVariables(db))
{
    setWindowTitle(QStringLiteral("变量的增加、修改及删除"));
    runEditDialog = [](CVariableEditDlg& dialog) { return dialog.exec(); };

    m_list = new QTreeWidget(this);
    m_list->setColumnCount(4);
    m_list->setHeaderLabels({QStringLiteral("变量名"), QStringLiteral("公式"), QStringLiteral("类型"),
                             QStringLiteral("说明")});
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setAllColumnsShowFocus(true);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setSortingEnabled(false);
    m_list->header()->setSectionsMovable(false);
    m_list->header()->setStretchLastSection(true);
    m_list->installEventFilter(this);

    const QFontMetrics metrics(m_list->font());
    const int pad = 16;
    m_list->setColumnWidth(NameColumn, metrics.horizontalAdvance(QString(kNameBytes + 1, QLatin1Char('0'))) + pad);
    m_list->setColumnWidth(ExpressionColumn, metrics.horizontalAdvance(QString(30, QLatin1Char('0'))) + pad);
    m_list->setColumnWidth(TypeColumn, metrics.horizontalAdvance(QStringLiteral("类型")) + 2 * pad);
    const int noteWidth = metrics.horizontalAdvance(QString(kNoteBytes / 4, QChar(0x6C49))) + pad;
    int listWidth = 2 * m_list->frameWidth() + noteWidth;
    for (int column = NameColumn; column < NoteColumn; ++column)
        listWidth += m_list->columnWidth(column);
    m_list->setMinimumWidth(listWidth);
    m_list->setMinimumHeight(12 * metrics.lineSpacing());

    m_add = new QPushButton(QStringLiteral("&A.新增"), this);
    auto* hint = new QLabel(QStringLiteral("修改：\n  Enter\n  双击。\n\n删除：\n  Delete"), this);
    m_confirm = new QPushButton(QStringLiteral("&S.确认"), this);
    m_cancel = new QPushButton(QStringLiteral("&X. 取消"), this);
    m_confirm->setDefault(true);

    auto* side = new QVBoxLayout;
    side->addWidget(m_add);
    side->addSpacing(12);
    side->addWidget(hint);
    side->addStretch(1);
    side->addWidget(m_confirm);
    side->addWidget(m_cancel);

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(m_list, 1);
    layout->addSpacing(8);
    layout->addLayout(side);

    connect(m_list, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
        m_list->setCurrentItem(item);
        modifySelected();
    });
    connect(m_add, &QPushButton::clicked, this, &CVariableTableDlg::addNew);
    connect(m_confirm, &QPushButton::clicked, this, &CVariableTableDlg::confirm);
    connect(m_cancel, &QPushButton::clicked, this, &CVariableTableDlg::reject);

    fill(0);
}

void CVariableTableDlg::openVariables(Database& db, Prompt& prompt, QWidget* parent)
{
    try {
        CVariableTableDlg dialog(db, prompt, parent);
        dialog.exec();
    } catch (const DatabaseError& error) {
        prompt.warn(userMessage(error, db.path()));
    }
}

void CVariableTableDlg::fill(int current)
{
    m_list->clear();
    for (const VariableRow& row : m_rows) {
        auto* item = new QTreeWidgetItem(m_list);
        item->setText(NameColumn, qtText(row.name));
        item->setText(ExpressionColumn, qtText(row.expression));
        item->setText(TypeColumn, qtText(variableTypeName(row.type)));
        item->setText(NoteColumn, qtText(row.note));
        item->setToolTip(ExpressionColumn, item->text(ExpressionColumn));
        item->setToolTip(NoteColumn, item->text(NoteColumn));
        item->setToolTip(TypeColumn, typeHint(row.type));
    }
    if (m_list->topLevelItemCount() > 0) {
        const int row = std::clamp(current, 0, m_list->topLevelItemCount() - 1);
        m_list->setCurrentItem(m_list->topLevelItem(row));
        m_list->setFocus();
    } else {
        m_add->setFocus();
    }
}

std::optional<std::size_t> CVariableTableDlg::selectedIndex() const
{
    QTreeWidgetItem* item = m_list->currentItem();
    if (!item || !item->isSelected())
        return std::nullopt;
    const int index = m_list->indexOfTopLevelItem(item);
    if (index < 0 || static_cast<std::size_t>(index) >= m_rows.size())
        return std::nullopt;
    return static_cast<std::size_t>(index);
}

void CVariableTableDlg::addNew()
{
    CVariableEditDlg dialog(m_prompt, m_rows, std::nullopt, this);
    if (runEditDialog(dialog) != QDialog::Accepted) {
        m_list->setFocus();
        return;
    }
    m_rows.push_back(dialog.row());
    m_modified = true;
    fill(static_cast<int>(m_rows.size()) - 1);
}

void CVariableTableDlg::modifySelected()
{
    const std::optional<std::size_t> index = selectedIndex();
    if (!index)
        return;
    CVariableEditDlg dialog(m_prompt, m_rows, index, this);
    if (runEditDialog(dialog) != QDialog::Accepted) {
        m_list->setFocus();
        return;
    }
    const VariableRow& edited = dialog.row();
    const VariableRow& old = m_rows[*index];
    if (edited.name != old.name || edited.expression != old.expression || edited.note != old.note
        || edited.type != old.type) {
        m_rows[*index] = edited;
        m_modified = true;
    }
    fill(static_cast<int>(*index));
}

void CVariableTableDlg::deleteSelected()
{
    const std::optional<std::size_t> index = selectedIndex();
    if (!index)
        return;
    if (m_prompt.ask(deleteVariableQuestion(m_rows[*index].name), Buttons::YesNo, Answer::No, Icon::Question,
                     kMessageCaption)
        != Answer::Yes)
        return;
    m_rows.erase(m_rows.begin() + static_cast<std::ptrdiff_t>(*index));
    m_modified = true;
    // The variable that took the deleted one's place (or the new last one) is selected.
    fill(static_cast<int>(*index));
}

void CVariableTableDlg::confirm()
{
    // An unchanged list is not written again: that would only undo what another copy of the
    // program may have saved in the meantime.
    if (m_modified) {
        try {
            saveVariables(m_db, m_rows);
        } catch (const DatabaseError& error) {
            // Nothing of the table was replaced; the list stays to try again or cancel.
            m_prompt.warn(userMessage(error, m_db.path()));
            return;
        }
        m_modified = false;
    }
    accept();
}

void CVariableTableDlg::reject()
{
    if (m_modified
        && m_prompt.ask(kDiscardVariableChanges, Buttons::YesNo, Answer::No, Icon::Question, kMessageCaption) != Answer::Yes)
        return;
    QDialog::reject();
}

bool CVariableTableDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_list && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (!(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            switch (key->key()) {
            case Qt::Key_Return:
            case Qt::Key_Enter: modifySelected(); return true;
            case Qt::Key_Delete: deleteSelected(); return true;
            default: break;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace kszw
