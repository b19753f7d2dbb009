// The currency directory and the currency edit dialog: their layout, keys and the add loop.
#include "chart/ui/currency_dialogs.h"

#include "chart/subject_codes.h"
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
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace kszw {

namespace {

// The stored values a directory line carries beside its text.
constexpr int kCodeRole = Qt::UserRole;
constexpr int kNameRole = Qt::UserRole + 1;
constexpr int kSubjectRole = Qt::UserRole + 2;

// The columns of a line, "%-8s%-16s%s", and the room the subject takes.
constexpr int kCodeColumns = 8;
constexpr int kNameColumns = 16;
constexpr int kSubjectColumns = 16;

// The name may hold no blank, bar, bracket or quote, and ten bytes (five Chinese characters).
const QString kNameSpec = QStringLiteral("STRING NOT |[]'\"");
constexpr int kCodeDigits = 4;
constexpr int kNameBytes = 10;
constexpr int kMaxSubjectSeparators = kMaxSubjectLevels - 1;

bool isEnter(const QKeyEvent* key)
{
    return (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
           && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
}

// A field wide enough for that many characters of its font.
void sizeForCharacters(QLineEdit* field, int characters)
{
    const QFontMetrics metrics(field->font());
    field->setMinimumWidth(metrics.horizontalAdvance(QString(characters, QLatin1Char('0'))) + 16);
}

// A column button over the list, width wide (0: as wide as it gets): it only moves the focus, and
// Enter never presses it.
QPushButton* columnButton(const QString& text, int width, QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    button->setAutoDefault(false);
    // The caption fills the column's width: no room is kept beside it.
    button->setStyleSheet(QStringLiteral("QPushButton { padding-left: 0px; padding-right: 0px; }"));
    if (width > 0)
        button->setFixedWidth(width);
    return button;
}

CurrencyLine lineOf(const QListWidgetItem& item)
{
    return {item.data(kCodeRole).toString().toStdString(), item.data(kNameRole).toString().toStdString(),
            item.data(kSubjectRole).toString().toStdString()};
}

} // namespace

// ---------------------------------------------------------------------------------------------
// CCurrencyEditDlg

CCurrencyEditDlg::CCurrencyEditDlg(Database& db, Prompt& prompt, Mode mode, const CurrencyLine& currency,
                                   QWidget* parent)
    : QDialog(parent), m_db(db), m_prompt(prompt), m_mode(mode)
{
    setWindowTitle(QStringLiteral("请增加、修改、外币币种"));

    m_code = new CSpecEdit(this);
    m_code->SetInputSpec(QStringLiteral("STRING 0123456789"), kCodeDigits, 0);
    sizeForCharacters(m_code, 8);
    m_name = new CSpecEdit(this);
    m_name->SetInputSpec(kNameSpec, kNameBytes, 0);
    sizeForCharacters(m_name, 12);
    m_subject = new CSpecEdit(this);
    m_subject->SetInputSpec(QStringLiteral("CLASSNOSTRING"), kMaxSubjectSeparators, 0);
    m_subject->setMaxLength(kMaxSubjectCodeLength);
    sizeForCharacters(m_subject, kMaxSubjectCodeLength + 2);

    auto* fields = new QGridLayout;
    const std::pair<const char*, CSpecEdit*> rows[] = {
        {"币种代码：", m_code}, {"币种名称：", m_name}, {"汇兑损益科目：", m_subject}};
    int row = 0;
    for (const auto& [caption, field] : rows) {
        auto* label = new QLabel(QString::fromUtf8(caption), this);
        label->setBuddy(field);
        fields->addWidget(label, row, 0);
        fields->addWidget(field, row, 1, Qt::AlignLeft);
        field->installEventFilter(this);
        connect(field, &QLineEdit::textChanged, this, &CCurrencyEditDlg::updateConfirm);
        ++row;
    }
    fields->setColumnStretch(1, 1);

    m_confirm = new QPushButton(QStringLiteral("&S.确认"), this);
    m_cancel = new QPushButton(QStringLiteral("&X.取消"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_confirm);
    buttons->addWidget(m_cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_confirm, &QPushButton::clicked, this, &CCurrencyEditDlg::confirm);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

    if (mode == Mode::Modify) {
        m_oldCode = currency.code;
        m_code->setText(qtText(currency.code));
        m_name->setText(qtText(currency.name));
        m_subject->setText(qtText(currency.subject));
    }
    updateConfirm();
    focusField(m_code);
}

void CCurrencyEditDlg::updateConfirm()
{
    m_confirm->setEnabled(!m_code->text().isEmpty() && !m_name->text().isEmpty() && !m_subject->text().isEmpty());
}

void CCurrencyEditDlg::focusField(CSpecEdit* field)
{
    field->setFocus();
    field->selectAll();
}

void CCurrencyEditDlg::confirm()
{
    // A disabled 确认 is never pressed; its mnemonic and a test's call come here as well.
    if (!m_confirm->isEnabled())
        return;
    const CurrencyInput input{m_code->text().toStdString(), m_name->text().toStdString(),
                              m_subject->text().toStdString()};
    CurrencyResult result;
    try {
        result = m_mode == Mode::Add ? addCurrency(m_db, input) : modifyCurrency(m_db, m_oldCode, input);
    } catch (const DatabaseError& error) {
        // Nothing of the change stayed; the dialog stays open to try again or cancel.
        warnDatabaseError(m_prompt, error, m_db);
        return;
    }
    if (result.ok) {
        m_savedCode = qtText(result.code);
        accept();
        return;
    }
    m_prompt.warn(result.message);
    switch (result.field) {
    case CurrencyField::Code: focusField(m_code); break;
    case CurrencyField::Name: focusField(m_name); break;
    case CurrencyField::Subject: focusField(m_subject); break;
    }
}

bool CCurrencyEditDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress || !isEnter(static_cast<QKeyEvent*>(event)))
        return QDialog::eventFilter(watched, event);
    // Enter moves on field by field; from the subject to 确认, which becomes the default button.
    if (watched == m_code) {
        focusField(m_name);
    } else if (watched == m_name) {
        focusField(m_subject);
    } else if (watched == m_subject) {
        if (m_confirm->isEnabled()) {
            m_confirm->setDefault(true);
            m_confirm->setFocus();
        } else {
            // Nothing to confirm yet: the first field still empty.
            for (CSpecEdit* field : {m_code, m_name, m_subject})
                if (field->text().isEmpty()) {
                    focusField(field);
                    break;
                }
        }
    } else {
        return QDialog::eventFilter(watched, event);
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// CCurrencyDirectoryDlg

CCurrencyDirectoryDlg::CCurrencyDirectoryDlg(Database& db, Prompt& prompt, QWidget* parent)
    : QDialog(parent), m_db(db), m_prompt(prompt)
{
    setWindowTitle(QStringLiteral("外币币种增加、修改、删除"));
    runEditDialog = [](CCurrencyEditDlg& dialog) { return dialog.exec(); };

    m_list = new QListWidget(this);
    m_list->setFont(chartFixedFont(font()));
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->installEventFilter(this);
    sizeLevelList(*m_list, kCodeColumns + kNameColumns + kSubjectColumns, 12);

    // The column buttons stand over the columns of the lines.
    // The first one also covers the list's frame and the margin before the text.
    const QFontMetrics metrics(m_list->font());
    const int columnWidth = metrics.horizontalAdvance(QLatin1Char('0'));
    const int textInset = m_list->frameWidth() + 2;
    m_codeColumn = columnButton(QStringLiteral("币种代码"), textInset + columnWidth * kCodeColumns, this);
    m_nameColumn = columnButton(QStringLiteral("币种名称"), columnWidth * kNameColumns, this);
    m_subjectColumn = columnButton(QStringLiteral("汇兑损益科目"), 0, this);
    m_subjectColumn->setMinimumWidth(columnWidth * kSubjectColumns);
    m_subjectColumn->setMaximumWidth(QWIDGETSIZE_MAX);
    auto* columns = new QHBoxLayout;
    columns->setSpacing(0);
    columns->setContentsMargins(0, 0, 0, 0);
    columns->addWidget(m_codeColumn);
    columns->addWidget(m_nameColumn);
    columns->addWidget(m_subjectColumn, 1);

    auto* caption = new QLabel(QStringLiteral("币种目录资料："), this);
    m_add = new QPushButton(QStringLiteral("&A.增加"), this);
    m_add->setAutoDefault(false);
    auto* close = new QPushButton(QStringLiteral("&X.关闭"), this);
    close->setAutoDefault(false);
    auto* hint = new QLabel(displayText("修改：Enter，双击。\r删除：Delete。"), this);

    auto* side = new QVBoxLayout;
    side->addWidget(m_add);
    side->addWidget(close);
    side->addStretch(1);
    side->addWidget(hint);

    auto* grid = new QGridLayout(this);
    grid->addWidget(caption, 0, 0);
    grid->addLayout(columns, 1, 0);
    grid->addWidget(m_list, 2, 0);
    grid->addLayout(side, 2, 1);
    grid->setRowStretch(2, 1);
    grid->setColumnStretch(0, 1);

    connect(m_codeColumn, &QPushButton::clicked, m_nameColumn, [this] { m_nameColumn->setFocus(); });
    connect(m_nameColumn, &QPushButton::clicked, m_subjectColumn, [this] { m_subjectColumn->setFocus(); });
    connect(m_subjectColumn, &QPushButton::clicked, m_list, [this] { m_list->setFocus(); });
    connect(m_list, &QListWidget::itemDoubleClicked, this, [this] { modifySelected(); });
    connect(m_add, &QPushButton::clicked, this, &CCurrencyDirectoryDlg::addCurrencies);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
}

QString CCurrencyDirectoryDlg::selectedCode() const
{
    const QListWidgetItem* item = m_list->currentItem();
    return item ? item->data(kCodeRole).toString() : QString();
}

void CCurrencyDirectoryDlg::refill(const QString& select, int row)
{
    std::vector<CurrencyLine> lines;
    try {
        lines = listCurrencies(m_db);
    } catch (const DatabaseError& error) {
        warnDatabaseError(m_prompt, error, m_db);
        return;
    }
    m_list->clear();
    for (const CurrencyLine& line : lines) {
        auto* item = new QListWidgetItem(qtText(line.text()), m_list);
        item->setData(kCodeRole, qtText(line.code));
        item->setData(kNameRole, qtText(line.name));
        item->setData(kSubjectRole, qtText(line.subject));
    }
    if (m_list->count() == 0)
        return;
    for (int i = 0; i < m_list->count() && !select.isEmpty(); ++i) {
        if (m_list->item(i)->data(kCodeRole).toString() == select) {
            m_list->setCurrentRow(i);
            return;
        }
    }
    m_list->setCurrentRow(std::clamp(row, 0, m_list->count() - 1));
}

void CCurrencyDirectoryDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // After the dialog has appeared, so that a message stands over it.
    if (m_firstActivation)
        QTimer::singleShot(0, this, &CCurrencyDirectoryDlg::activateList);
}

void CCurrencyDirectoryDlg::activateList()
{
    if (!m_firstActivation)
        return;
    m_firstActivation = false;
    m_add->setEnabled(true);
    refill();
    if (m_list->count() > 0) {
        m_list->setFocus();
        return;
    }
    m_prompt.warn(kNoCurrenciesYet);
    m_add->setDefault(true);
    m_add->setFocus();
}

void CCurrencyDirectoryDlg::addCurrencies()
{
    m_add->setEnabled(false);
    for (;;) {
        CCurrencyEditDlg dialog(m_db, m_prompt, CCurrencyEditDlg::Mode::Add, {}, this);
        if (runEditDialog(dialog) != QDialog::Accepted)
            break;
        refill(dialog.savedCode());
    }
    if (m_list->count() == 0) {
        // Nothing set and nothing wanted: the directory closes.
        m_add->setEnabled(true);
        accept();
        return;
    }
    m_add->setDefault(true);
    // The list's activation offers 增加 again.
    m_list->setFocus();
    m_add->setEnabled(true);
}

void CCurrencyDirectoryDlg::modifySelected()
{
    const QListWidgetItem* item = m_list->currentItem();
    if (!item)
        return;
    CCurrencyEditDlg dialog(m_db, m_prompt, CCurrencyEditDlg::Mode::Modify, lineOf(*item), this);
    if (runEditDialog(dialog) == QDialog::Accepted)
        refill(dialog.savedCode());
    m_list->setFocus();
}

void CCurrencyDirectoryDlg::deleteSelected()
{
    const int row = m_list->currentRow();
    bool deleted = false;
    try {
        deleted = deleteCurrency(m_db, selectedCode().toStdString(), m_prompt);
    } catch (const DatabaseError& error) {
        warnDatabaseError(m_prompt, error, m_db);
        return;
    }
    if (!deleted)
        return;
    // The line that took the deleted one's place (or the new last line) is selected.
    refill(QString(), row);
    if (m_list->count() == 0)
        accept();
}

bool CCurrencyDirectoryDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_list)
        return QDialog::eventFilter(watched, event);
    if (event->type() == QEvent::FocusIn)
        m_add->setEnabled(true);
    if (event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    if (isEnter(key)) {
        modifySelected();
        return true;
    }
    if (key->key() == Qt::Key_Delete && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        deleteSelected();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace kszw
