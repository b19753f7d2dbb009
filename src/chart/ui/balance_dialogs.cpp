// The two dialogs of one leaf's opening balance, and the quantity dialog's arithmetic.
#include "chart/ui/balance_dialogs.h"

#include "chart/opening_balances.h"
#include "chart/subjects.h"
#include "chart/ui/chart_dialog_support.h"
#include "common/prompt.h"
#include "common/ui/qt_text.h"
#include "formula/format_number.h"
#include "formview/ui/spec_edit.h"
#include "store/database.h"
#include "store/database_error.h"

#include <QButtonGroup>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

namespace kszw {

namespace {

constexpr int kIntegerDigits = 12;
constexpr int kAmountDecimals = 2;
constexpr int kQuantityDecimals = 4;
// The subject line keeps the small dialogs wide enough for their title and a long name.
constexpr int kSubjectLineWidth = 300;

CSpecEdit* numberField(int decimals, QWidget* parent)
{
    auto* field = new CSpecEdit(parent);
    field->SetInputSpec(QStringLiteral("NUMBER"), kIntegerDigits, decimals);
    field->setAlignment(Qt::AlignRight);
    const QFontMetrics metrics(field->font());
    field->setMinimumWidth(metrics.horizontalAdvance(QString(kIntegerDigits + decimals + 6, QLatin1Char('0'))));
    return field;
}

// The two direction buttons in a row of their own.
QHBoxLayout* directionRow(QRadioButton*& debit, QRadioButton*& credit, QWidget* parent)
{
    debit = new QRadioButton(QStringLiteral("借(&+)"), parent);
    credit = new QRadioButton(QStringLiteral("贷(&-)"), parent);
    auto* group = new QButtonGroup(parent);
    group->addButton(debit);
    group->addButton(credit);
    auto* row = new QHBoxLayout;
    row->addWidget(debit);
    row->addSpacing(24);
    row->addWidget(credit);
    row->addStretch(1);
    return row;
}

// "&S.确认" (the default button) and "&X.取消" at the right.
QHBoxLayout* confirmRow(QDialog* dialog, QPushButton*& confirm)
{
    confirm = new QPushButton(QStringLiteral("&S.确认"), dialog);
    auto* cancel = new QPushButton(QStringLiteral("&X.取消"), dialog);
    confirm->setDefault(true);
    cancel->setAutoDefault(false);
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(confirm);
    row->addWidget(cancel);
    return row;
}

QLabel* makeSubjectLabel(const std::string& code, const std::optional<SubjectAttributes>& subject, QWidget* parent)
{
    auto* label = new QLabel(QStringLiteral("帐户：") + qtText(code) + QLatin1Char(' ')
                                 + (subject ? qtText(subject->name) : QString()),
                             parent);
    label->setMinimumWidth(kSubjectLineWidth);
    return label;
}

// The number a field holds; an empty field is 0.
double fieldValue(const CSpecEdit* field)
{
    return ReadNumber(field->text().trimmed().toStdString());
}

} // namespace

CBalanceDlg::CBalanceDlg(Database& db, Prompt& prompt, const QString& code, QWidget* parent)
    : QDialog(parent), m_db(db), m_prompt(prompt), m_code(code.toStdString())
{
    setWindowTitle(QStringLiteral("期初余额"));
    m_subject = makeSubjectLabel(m_code, subjectAttributes(m_db, m_code), this);
    QHBoxLayout* directions = directionRow(m_debit, m_credit, this);
    m_amount = numberField(kAmountDecimals, this);
    auto* amountLabel = new QLabel(QStringLiteral("余额(&Y)："), this);
    amountLabel->setBuddy(m_amount);
    auto* amountRow = new QHBoxLayout;
    amountRow->addWidget(amountLabel);
    amountRow->addWidget(m_amount, 1);
    QPushButton* confirmButton = nullptr;
    QHBoxLayout* buttons = confirmRow(this, confirmButton);
    connect(confirmButton, &QPushButton::clicked, this, &CBalanceDlg::confirm);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_subject);
    layout->addLayout(directions);
    layout->addLayout(amountRow);
    layout->addSpacing(6);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    const std::optional<OpeningBalance> balance = openingBalance(m_db, m_code);
    (balance && balance->direction < 0 ? m_credit : m_debit)->setChecked(true);
    if (balance)
        m_amount->setText(qtText(FixedText(balance->amount, kAmountDecimals)));
    m_amount->setFocus();
    m_amount->selectAll();
}

void CBalanceDlg::confirm()
{
    OpeningBalance balance;
    balance.direction = m_credit->isChecked() ? -1 : 1;
    balance.amount = fieldValue(m_amount);
    try {
        if (std::optional<std::string> refusal = setOpeningBalance(m_db, m_code, balance)) {
            m_prompt.warn(*refusal);
            m_amount->setFocus();
            m_amount->selectAll();
            return;
        }
    } catch (const DatabaseError& error) {
        warnDatabaseError(m_prompt, error, m_db);
        return;
    }
    accept();
}

CQuantityBalanceDlg::CQuantityBalanceDlg(Database& db, Prompt& prompt, const QString& code, QWidget* parent)
    : QDialog(parent), m_db(db), m_prompt(prompt), m_code(code.toStdString())
{
    setWindowTitle(QStringLiteral("期初余额"));
    const std::optional<SubjectAttributes> subject = subjectAttributes(m_db, m_code);
    const bool currency = subject && subject->kind == "2";
    m_subject = makeSubjectLabel(m_code, subject, this);
    QHBoxLayout* directions = directionRow(m_debit, m_credit, this);

    m_quantity = numberField(kQuantityDecimals, this);
    m_price = numberField(kQuantityDecimals, this);
    m_amount = numberField(kAmountDecimals, this);
    const QString names[3] = {currency ? QStringLiteral("外  币") : QStringLiteral("数  量"),
                              currency ? QStringLiteral("汇  率") : QStringLiteral("单  价"),
                              currency ? QStringLiteral("本位币") : QStringLiteral("金  额")};
    CSpecEdit* fields[3] = {m_quantity, m_price, m_amount};
    auto* grid = new QGridLayout;
    for (int i = 0; i < 3; ++i) {
        m_labels[i] = new QLabel(names[i], this);
        m_labels[i]->setBuddy(fields[i]);
        grid->addWidget(m_labels[i], i, 0);
        grid->addWidget(fields[i], i, 1);
        fields[i]->installEventFilter(this);
    }
    // The unit of the quantity, or the currency of the foreign amount, beside its field.
    QString unit = subject ? qtText(subject->unit) : QString();
    if (currency) {
        for (const CurrencyChoice& choice : currencyChoices(m_db))
            if (qtText(choice.code) == unit)
                unit = qtText(choice.name);
    }
    if (!unit.isEmpty())
        grid->addWidget(new QLabel(unit, this), 0, 2);
    grid->setColumnStretch(1, 1);

    QPushButton* confirmButton = nullptr;
    QHBoxLayout* buttons = confirmRow(this, confirmButton);
    connect(confirmButton, &QPushButton::clicked, this, &CQuantityBalanceDlg::confirm);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_subject);
    layout->addLayout(directions);
    layout->addLayout(grid);
    layout->addSpacing(6);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    const std::optional<OpeningBalance> balance = openingBalance(m_db, m_code);
    (balance && balance->direction < 0 ? m_credit : m_debit)->setChecked(true);
    if (balance) {
        m_quantity->setText(qtText(PlainNumberText(balance->quantity)));
        m_amount->setText(qtText(FixedText(balance->amount, kAmountDecimals)));
        const std::optional<std::string> price = priceText(balance->quantity, balance->amount);
        setPrice(price ? qtText(*price) : QString());
    }
    m_quantity->setFocus();
    m_quantity->selectAll();
}

QString CQuantityBalanceDlg::fieldLabel(int index) const
{
    return index >= 0 && index < 3 ? m_labels[index]->text() : QString();
}

void CQuantityBalanceDlg::setPrice(const QString& text)
{
    m_price->setText(text);
    m_priceShown = text;
}

void CQuantityBalanceDlg::fieldLeft(QObject* field)
{
    if (field == m_quantity || field == m_amount) {
        // A quantity of 0 leaves the price empty: there is nothing to divide by.
        const std::optional<std::string> price = priceText(fieldValue(m_quantity), fieldValue(m_amount));
        setPrice(price ? qtText(*price) : QString());
    } else if (field == m_price && m_price->text() != m_priceShown) {
        // Only a price the user changed (typed, pasted, however) sets the amount: a price shown
        // with four decimals would otherwise round the amount it came from.
        m_amount->setText(qtText(amountText(fieldValue(m_quantity), fieldValue(m_price))));
        m_priceShown = m_price->text();
    }
}

bool CQuantityBalanceDlg::eventFilter(QObject* watched, QEvent* event)
{
    const bool field = watched == m_quantity || watched == m_price || watched == m_amount;
    if (event->type() == QEvent::FocusOut && field)
        fieldLeft(watched);
    // Coming to a field, typing replaces what it shows.
    if (event->type() == QEvent::FocusIn && field)
        QTimer::singleShot(0, static_cast<QLineEdit*>(watched), &QLineEdit::selectAll);
    return QDialog::eventFilter(watched, event);
}

void CQuantityBalanceDlg::confirm()
{
    // Enter confirms without leaving the field: what leaving it does comes first.
    if (QWidget* focused = focusWidget())
        fieldLeft(focused);
    OpeningBalance balance;
    balance.direction = m_credit->isChecked() ? -1 : 1;
    balance.quantity = fieldValue(m_quantity);
    balance.amount = fieldValue(m_amount);
    try {
        if (std::optional<std::string> refusal = setOpeningBalance(m_db, m_code, balance)) {
            m_prompt.warn(*refusal);
            m_quantity->setFocus();
            m_quantity->selectAll();
            return;
        }
    } catch (const DatabaseError& error) {
        warnDatabaseError(m_prompt, error, m_db);
        return;
    }
    accept();
}

} // namespace kszw
