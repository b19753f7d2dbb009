// The template directory and the template edit dialog: layout, keys, and handing input to the core.
#include "templates/ui/template_directory_dialog.h"

#include "chart/ui/chart_dialog_support.h"
#include "common/prompt.h"
#include "common/ui/qt_text.h"
#include "formview/ui/spec_edit.h"
#include "store/database.h"
#include "store/database_error.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include <algorithm>
#include <string>

namespace kszw {

namespace {

// A template number has at most six digits, so that it keeps a blank before the name in the
// "%-8s%s" lines; the name at most 40 bytes (20 Chinese characters), as AUTDIR.NA holds.
constexpr int kNumberDigits = 6;
constexpr int kNameBytes = 40;
constexpr int kListColumns = 8 + kNameBytes + 2;
constexpr int kListRows = 14;
constexpr int kNumberRole = Qt::UserRole;
constexpr int kNameRole = Qt::UserRole + 1;

bool isPlainKey(const QKeyEvent* key)
{
    return !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
}

bool isEnter(const QKeyEvent* key)
{
    return (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && isPlainKey(key);
}

QPushButton* sideButton(const QString& text, QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    button->setAutoDefault(false);
    return button;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// CTemplateEditDlg

CTemplateEditDlg::CTemplateEditDlg(Database& db, Prompt& prompt, Mode mode, const TemplateEntry& entry,
                                   QWidget* parent)
    : QDialog(parent), m_db(db), m_prompt(prompt), m_mode(mode), m_oldNumber(entry.number)
{
    setWindowTitle(mode == Mode::Add ? QStringLiteral("增加分录模板目录") : QStringLiteral("修改分录模板目录"));

    m_number = new CSpecEdit(this);
    m_number->SetInputSpec(QStringLiteral("NUMBER 0123456789"), kNumberDigits, 0);
    // A template number is a whole number: the field refuses a decimal point as well.
    m_number->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), m_number));
    m_name = new CSpecEdit(this);
    m_name->SetInputSpec(QStringLiteral("STRING NOT |[]'"), kNameBytes, 0);
    const QFontMetrics metrics(m_name->font());
    m_number->setFixedWidth(metrics.horizontalAdvance(QString(kNumberDigits + 2, QLatin1Char('0'))) + 16);
    m_name->setMinimumWidth(metrics.horizontalAdvance(QString(kNameBytes / 2 + 1, QChar(0x6C49))) + 16);

    auto* numberLabel = new QLabel(QStringLiteral("模板序号(&N)："), this);
    numberLabel->setBuddy(m_number);
    auto* nameLabel = new QLabel(QStringLiteral("模板名称(&M)："), this);
    nameLabel->setBuddy(m_name);

    m_confirm = new QPushButton(QStringLiteral("&S.确认"), this);
    m_cancel = new QPushButton(QStringLiteral("&X.取消"), this);
    m_confirm->setDefault(true);
    m_cancel->setAutoDefault(false);
    connect(m_confirm, &QPushButton::clicked, this, &CTemplateEditDlg::confirm);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* grid = new QGridLayout(this);
    grid->addWidget(numberLabel, 0, 0);
    grid->addWidget(m_number, 0, 1, Qt::AlignLeft);
    grid->addWidget(nameLabel, 1, 0);
    grid->addWidget(m_name, 1, 1);
    grid->setColumnMinimumWidth(2, 16);
    grid->addWidget(m_confirm, 0, 3);
    grid->addWidget(m_cancel, 1, 3);
    grid->setColumnStretch(1, 1);
    grid->setSizeConstraint(QLayout::SetFixedSize);

    setTabOrder(m_number, m_name);
    setTabOrder(m_name, m_confirm);
    setTabOrder(m_confirm, m_cancel);
    m_number->installEventFilter(this);

    if (entry.number > 0)
        m_number->setText(QString::number(entry.number));
    if (mode == Mode::Modify)
        m_name->setText(qtText(entry.name));
    // A new template's number is proposed: the name is what is left to type.
    focusField(mode == Mode::Add && entry.number > 0 ? m_name : m_number);
}

void CTemplateEditDlg::focusField(CSpecEdit* field)
{
    field->setFocus();
    field->selectAll();
}

void CTemplateEditDlg::confirm()
{
    const std::string number = m_number->text().toStdString();
    const std::string name = m_name->text().toStdString();
    std::optional<TemplateRefusal> refusal;
    try {
        refusal = m_mode == Mode::Add ? addTemplate(m_db, number, name)
                                      : modifyTemplate(m_db, m_oldNumber, number, name);
    } catch (const DatabaseError& error) {
        // Nothing of the change stayed; the dialog stays open to try again or cancel.
        warnDatabaseError(m_prompt, error, m_db);
        return;
    }
    if (!refusal) {
        m_savedNumber = m_number->text().trimmed().toInt();
        accept();
        return;
    }
    m_prompt.warn(refusal->message);
    focusField(refusal->field == 1 ? m_name : m_number);
}

bool CTemplateEditDlg::eventFilter(QObject* watched, QEvent* event)
{
    // Enter in the number moves on to the name; Enter in the name confirms.
    if (watched == m_number && event->type() == QEvent::KeyPress && isEnter(static_cast<QKeyEvent*>(event))) {
        focusField(m_name);
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------------------------
// CTemplateDirectoryDlg

CTemplateDirectoryDlg::CTemplateDirectoryDlg(Database& db, Prompt& prompt, QWidget* parent)
    : QDialog(parent), m_db(db), m_prompt(prompt)
{
    setWindowTitle(QStringLiteral("分录模板目录定义"));
    runEditDialog = [](CTemplateEditDlg& dialog) { return dialog.exec(); };
    const QFont listFont = chartFixedFont(font());

    auto* title = new QLabel(QStringLiteral("凭证分录模板目录"), this);
    QFont titleFont = title->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.2);
    title->setFont(titleFont);
    title->setAlignment(Qt::AlignCenter);

    m_list = new QListWidget(this);
    m_list->setFont(listFont);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->installEventFilter(this);
    sizeLevelList(*m_list, kListColumns, kListRows);

    // The captions over the list's columns, in its font: the numbers take eight columns.
    m_header = new QLabel(QStringLiteral("序号    凭证分录模板名称"), this);
    m_header->setFont(listFont);
    m_header->setContentsMargins(m_list->frameWidth() + 3, 0, 0, 0);
    m_header->setBuddy(m_list);

    m_add = sideButton(QStringLiteral("&A.新增"), this);
    m_modify = sideButton(QStringLiteral("&M.修改"), this);
    m_delete = sideButton(QStringLiteral("&D.删除"), this);
    m_close = sideButton(QStringLiteral("&X.关闭"), this);
    auto* hint = new QLabel(displayText("修改：\r  Enter\r  双击。\r删除：\r  Delete"), this);

    auto* listColumn = new QVBoxLayout;
    listColumn->setSpacing(2);
    listColumn->addWidget(m_header);
    listColumn->addWidget(m_list, 1);

    auto* side = new QVBoxLayout;
    side->addWidget(m_add);
    side->addWidget(m_modify);
    side->addWidget(m_delete);
    side->addSpacing(12);
    side->addWidget(hint);
    side->addStretch(1);
    side->addWidget(m_close);

    auto* body = new QHBoxLayout;
    body->addLayout(listColumn, 1);
    body->addSpacing(8);
    body->addLayout(side);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(title);
    layout->addSpacing(4);
    layout->addLayout(body, 1);

    connect(m_list, &QListWidget::itemDoubleClicked, this, [this] { modifySelected(); });
    connect(m_add, &QPushButton::clicked, this, &CTemplateDirectoryDlg::addNew);
    connect(m_modify, &QPushButton::clicked, this, &CTemplateDirectoryDlg::modifySelected);
    connect(m_delete, &QPushButton::clicked, this, &CTemplateDirectoryDlg::deleteSelected);
    connect(m_close, &QPushButton::clicked, this, &QDialog::accept);

    // The first reading's error goes to the opener: a directory that cannot be read is not shown.
    m_entries = listTemplates(m_db);
    showEntries();
}

void CTemplateDirectoryDlg::openDirectory(Database& db, Prompt& prompt, QWidget* parent)
{
    try {
        CTemplateDirectoryDlg dialog(db, prompt, parent);
        dialog.exec();
    } catch (const DatabaseError& error) {
        warnDatabaseError(prompt, error, db);
    }
}

std::optional<TemplateEntry> CTemplateDirectoryDlg::selectedTemplate() const
{
    const QListWidgetItem* item = m_list->currentItem();
    if (!item)
        return std::nullopt;
    return TemplateEntry{item->data(kNumberRole).toInt(), item->data(kNameRole).toString().toStdString()};
}

void CTemplateDirectoryDlg::fill(int selectNumber, int row)
{
    try {
        m_entries = listTemplates(m_db);
    } catch (const DatabaseError& error) {
        // The list stays as it was read last.
        warnDatabaseError(m_prompt, error, m_db);
        return;
    }
    showEntries(selectNumber, row);
}

void CTemplateDirectoryDlg::showEntries(int selectNumber, int row)
{
    m_list->clear();
    int selected = std::clamp(row, 0, std::max(0, static_cast<int>(m_entries.size()) - 1));
    for (const TemplateEntry& entry : m_entries) {
        auto* item = new QListWidgetItem(qtText(templateListLine(entry)), m_list);
        item->setData(kNumberRole, entry.number);
        item->setData(kNameRole, qtText(entry.name));
        if (selectNumber > 0 && entry.number == selectNumber)
            selected = m_list->count() - 1;
    }
    const bool empty = m_list->count() == 0;
    m_modify->setEnabled(!empty);
    // Nothing to modify or delete yet: Enter adds the first template.
    m_add->setDefault(empty);
    if (empty) {
        m_add->setFocus();
        return;
    }
    m_list->setCurrentRow(selected);
    m_list->setFocus();
}

void CTemplateDirectoryDlg::addNew()
{
    int largest = 0;
    for (const TemplateEntry& entry : m_entries)
        largest = std::max(largest, entry.number);
    const std::optional<TemplateEntry> current = selectedTemplate();
    const int row = m_list->currentRow();
    CTemplateEditDlg dialog(m_db, m_prompt, CTemplateEditDlg::Mode::Add, TemplateEntry{largest + 1, {}}, this);
    if (runEditDialog(dialog) == QDialog::Accepted)
        fill(dialog.savedNumber());
    else
        fill(current ? current->number : 0, row);
}

void CTemplateDirectoryDlg::modifySelected()
{
    const std::optional<TemplateEntry> entry = selectedTemplate();
    if (!entry)
        return;
    const int row = m_list->currentRow();
    CTemplateEditDlg dialog(m_db, m_prompt, CTemplateEditDlg::Mode::Modify, *entry, this);
    if (runEditDialog(dialog) == QDialog::Accepted)
        fill(dialog.savedNumber());
    else
        fill(entry->number, row);
}

void CTemplateDirectoryDlg::deleteSelected()
{
    const std::optional<TemplateEntry> entry = selectedTemplate();
    if (!entry) {
        m_prompt.warn(kNoTemplateToDelete);
        return;
    }
    const int row = m_list->currentRow();
    try {
        const std::string question = templateLineCount(m_db, entry->number) > 0
                                         ? deleteTemplateQuestion(entry->number)
                                         : deleteEmptyTemplateQuestion(entry->number);
        if (m_prompt.ask(question, Buttons::YesNo, Answer::No, Icon::Question, kMessageCaption) != Answer::Yes) {
            m_list->setFocus();
            return;
        }
        deleteTemplate(m_db, entry->number);
    } catch (const DatabaseError& error) {
        warnDatabaseError(m_prompt, error, m_db);
        return;
    }
    // The entry that took the deleted one's place (or the new last one) is selected.
    fill(0, row);
}

bool CTemplateDirectoryDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_list && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (isEnter(key)) {
            if (m_list->currentItem())
                modifySelected();
            else
                addNew();
            return true;
        }
        if (key->key() == Qt::Key_Delete && isPlainKey(key)) {
            deleteSelected();
            return true;
        }
        if (key->key() == Qt::Key_Insert && isPlainKey(key)) {
            addNew();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace kszw
