// The subject dialog: its fields, which of them are offered, and confirming through the core.
#include "chart/ui/subject_dialog.h"

#include "chart/subject_codes.h"
#include "chart/subjects.h"
#include "chart/ui/chart_dialog_support.h"
#include "common/prompt.h"
#include "common/ui/qt_text.h"
#include "formview/ui/spec_edit.h"
#include "store/database.h"
#include "store/database_error.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace kszw {

namespace {

// The input rule of the name and unit fields: no blank, bar, bracket or quote.
const QString kNameSpec = QStringLiteral("STRING NOT |[]'\"");
constexpr int kNameBytes = 30;
constexpr int kUnitBytes = 10;
constexpr int kMaxColumnWidth = 40;

// A field wide enough for that many Chinese characters.
void sizeForCharacters(QLineEdit* field, int characters)
{
    const QFontMetrics metrics(field->font());
    field->setMinimumWidth(metrics.horizontalAdvance(QString(characters, QChar(0x6C49))) + 16);
}

} // namespace

CSubjectDlg::CSubjectDlg(Database& db, Prompt& prompt, Mode mode, const QString& code, QWidget* parent)
    : QDialog(parent), m_db(db), m_prompt(prompt), m_mode(mode)
{
    if (mode == Mode::Add) {
        m_parentCode = code.toStdString();
    } else {
        m_code = code.toStdString();
        m_parentCode = parentSubjectCode(m_code);
    }
    build();
    setWindowTitle(mode == Mode::Add ? QStringLiteral("增加新科目(帐户)...") : QStringLiteral("修改科目(帐户)..."));
    loadCurrencies();
    if (mode == Mode::Modify)
        loadSubject();
    else
        m_parentMultiColumn = parentIsMultiColumn(m_db, m_parentCode);
    // The whole code, and every descendant code that keeps its tail, stays within 14 characters.
    m_segment->SetInputSpec(QStringLiteral("NUMBER 0123456789"), maxSegmentDigits(m_db, m_parentCode, m_code), 0);

    // The auxiliary kinds are for subjects without children; a currency needs a currency to choose.
    if (m_hasChildren) {
        m_quantity->setChecked(false);
        m_currency->setChecked(false);
    }
    m_quantity->setEnabled(!m_hasChildren);
    // A subject that is a currency subject keeps the box usable, so it can be cleared even when no
    // currency is left to choose.
    m_currency->setEnabled(!m_hasChildren && (m_currencyList->count() > 0 || m_currency->isChecked()));
    updateKindFields();
    // Direction and width are the subject's column in its parent's multi-column ledger.
    m_debit->setEnabled(m_parentMultiColumn);
    m_credit->setEnabled(m_parentMultiColumn);
    m_width->setEnabled(m_parentMultiColumn);
    m_segment->setFocus();
    m_segment->selectAll();
}

void CSubjectDlg::build()
{
    m_parentField = new QLineEdit(this);
    m_parentField->setReadOnly(true);
    m_parentField->setFocusPolicy(Qt::NoFocus);
    m_parentField->setText(m_parentCode.empty() ? QString() : qtText(m_parentCode) + QLatin1Char('-'));
    sizeForCharacters(m_parentField, 8);
    m_segment = new CSpecEdit(this);
    sizeForCharacters(m_segment, 8);
    m_name = new CSpecEdit(this);
    m_name->SetInputSpec(kNameSpec, kNameBytes, 0);
    sizeForCharacters(m_name, kNameBytes / 2 + 1);

    auto* parentLabel = new QLabel(QStringLiteral("父科目代码："), this);
    auto* segmentLabel = new QLabel(QStringLiteral("输入或修改代码(&D)："), this);
    segmentLabel->setBuddy(m_segment);
    auto* nameLabel = new QLabel(QStringLiteral("输入或修改科目名称(&N)："), this);
    nameLabel->setBuddy(m_name);
    auto* fields = new QGridLayout;
    fields->addWidget(parentLabel, 0, 0);
    fields->addWidget(m_parentField, 0, 1, Qt::AlignLeft);
    fields->addWidget(segmentLabel, 1, 0);
    fields->addWidget(m_segment, 1, 1, Qt::AlignLeft);
    fields->addWidget(nameLabel, 2, 0);
    fields->addWidget(m_name, 2, 1);
    fields->setColumnStretch(1, 1);

    // The auxiliary kind: quantity and amount, or foreign currency, never both.
    auto* kindBox = new QGroupBox(QStringLiteral("辅助核算"), this);
    m_quantity = new QCheckBox(QStringLiteral("数量金额(&Q)"), kindBox);
    m_unit = new CSpecEdit(kindBox);
    m_unit->SetInputSpec(kNameSpec, kUnitBytes, 0);
    sizeForCharacters(m_unit, kUnitBytes / 2 + 1);
    auto* unitLabel = new QLabel(QStringLiteral("数量单位(&U)："), kindBox);
    unitLabel->setBuddy(m_unit);
    m_currency = new QCheckBox(QStringLiteral("外币核算(&W)"), kindBox);
    m_currencyList = new QComboBox(kindBox);
    m_currencyList->setFont(chartFixedFont(font()));
    m_currencyList->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_currencyList->setMinimumContentsLength(16);
    auto* currencyLabel = new QLabel(QStringLiteral("外币币种(&B)："), kindBox);
    currencyLabel->setBuddy(m_currencyList);
    auto* kindGrid = new QGridLayout(kindBox);
    kindGrid->addWidget(m_quantity, 0, 0);
    kindGrid->addWidget(unitLabel, 0, 1, Qt::AlignRight);
    kindGrid->addWidget(m_unit, 0, 2, Qt::AlignLeft);
    kindGrid->addWidget(m_currency, 1, 0);
    kindGrid->addWidget(currencyLabel, 1, 1, Qt::AlignRight);
    kindGrid->addWidget(m_currencyList, 1, 2, Qt::AlignLeft);
    kindGrid->setColumnStretch(2, 1);

    auto* ledgerBox = new QGroupBox(QStringLiteral("多栏式帐页"), this);
    m_multiColumn = new QCheckBox(QStringLiteral("需要(&L)"), ledgerBox);
    auto* ledgerLayout = new QHBoxLayout(ledgerBox);
    ledgerLayout->addWidget(m_multiColumn);
    ledgerLayout->addStretch(1);

    // The subject's column in the parent's multi-column ledger.
    auto* columnBox = new QGroupBox(QStringLiteral("父科目多栏帐中的栏目"), this);
    m_debit = new QRadioButton(QStringLiteral("借方(&J)"), columnBox);
    m_credit = new QRadioButton(QStringLiteral("贷方(&F)"), columnBox);
    m_directions = new QButtonGroup(this);
    m_directions->addButton(m_debit, 1);
    m_directions->addButton(m_credit, 2);
    m_width = new QSpinBox(columnBox);
    m_width->setRange(0, kMaxColumnWidth);
    auto* widthLabel = new QLabel(QStringLiteral("栏宽(汉字数)(&K)："), columnBox);
    widthLabel->setBuddy(m_width);
    auto* columnLayout = new QHBoxLayout(columnBox);
    columnLayout->addWidget(m_debit);
    columnLayout->addWidget(m_credit);
    columnLayout->addSpacing(16);
    columnLayout->addWidget(widthLabel);
    columnLayout->addWidget(m_width);
    columnLayout->addStretch(1);

    m_confirm = new QPushButton(QStringLiteral("&S.确认"), this);
    auto* cancel = new QPushButton(QStringLiteral("&X.取消"), this);
    m_confirm->setDefault(true);
    cancel->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_confirm);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(kindBox);
    layout->addWidget(ledgerBox);
    layout->addWidget(columnBox);
    layout->addSpacing(6);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_quantity, &QCheckBox::toggled, this, [this](bool on) {
        if (on)
            m_currency->setChecked(false);
        updateKindFields();
    });
    connect(m_currency, &QCheckBox::toggled, this, [this](bool on) {
        if (on)
            m_quantity->setChecked(false);
        updateKindFields();
    });
    connect(m_confirm, &QPushButton::clicked, this, &CSubjectDlg::confirm);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void CSubjectDlg::loadCurrencies()
{
    for (const CurrencyChoice& choice : currencyChoices(m_db)) {
        // "%-4s %s"
        m_currencyList->addItem(subjectLine(choice.code, "", 4) + QLatin1Char(' ') + qtText(choice.name),
                                qtText(choice.code));
    }
}

void CSubjectDlg::loadSubject()
{
    const std::optional<SubjectForm> form = subjectForm(m_db, m_code);
    if (!form)
        return;
    m_hasChildren = form->hasChildren;
    m_parentMultiColumn = form->parentMultiColumn;
    m_segment->setText(qtText(form->input.segment));
    m_name->setText(qtText(form->input.name));
    if (form->input.kind == 1) {
        m_quantity->setChecked(true);
        m_unit->setText(qtText(form->input.unit));
    } else if (form->input.kind == 2) {
        m_currency->setChecked(true);
        // A currency that is gone stays unchosen: confirming then says so instead of quietly
        // taking another currency.
        m_currencyList->setCurrentIndex(m_currencyList->findData(qtText(form->input.unit)));
    }
    m_multiColumn->setChecked(form->input.multiColumn);
    if (form->input.direction == 1)
        m_debit->setChecked(true);
    else if (form->input.direction == -1)
        m_credit->setChecked(true);
    m_width->setValue(form->input.width);
}

void CSubjectDlg::updateKindFields()
{
    m_unit->setEnabled(m_quantity->isEnabled() && m_quantity->isChecked());
    m_currencyList->setEnabled(m_currency->isEnabled() && m_currency->isChecked());
}

void CSubjectDlg::focusField(QWidget* field)
{
    field->setFocus();
    if (auto* edit = qobject_cast<QLineEdit*>(field))
        edit->selectAll();
    else if (auto* spin = qobject_cast<QSpinBox*>(field))
        spin->selectAll();
}

void CSubjectDlg::confirm()
{
    SubjectInput input;
    input.segment = m_segment->text().toStdString();
    input.name = m_name->text().toStdString();
    input.kind = m_quantity->isChecked() ? 1 : m_currency->isChecked() ? 2 : 0;
    if (input.kind == 1)
        input.unit = m_unit->text().toStdString();
    else if (input.kind == 2)
        input.unit = m_currencyList->currentData().toString().toStdString();
    input.multiColumn = m_multiColumn->isChecked();
    input.direction = m_debit->isChecked() ? 1 : m_credit->isChecked() ? -1 : 0;
    input.width = m_width->value();

    SubjectResult result;
    try {
        result = m_mode == Mode::Add ? addSubject(m_db, m_parentCode, input) : modifySubject(m_db, m_code, input);
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
    if (result.closeDialog) {
        reject();
        return;
    }
    if (result.width)
        m_width->setValue(*result.width);
    switch (result.field) {
    case SubjectField::Segment: focusField(m_segment); break;
    case SubjectField::Name: focusField(m_name); break;
    case SubjectField::Currency: focusField(m_currencyList); break;
    case SubjectField::Unit: focusField(m_unit); break;
    case SubjectField::Direction: focusField(m_debit); break;
    case SubjectField::Width: focusField(m_width); break;
    case SubjectField::Kind: focusField(m_quantity); break;
    }
}

} // namespace kszw
