#include "formula/ui/calculator_dialog.h"

#include "formula/caculate.h"
#include "formula/format_number.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace kszw {

CalculatorDialog::CalculatorDialog(const Clock& clock, const QString& startExpression, QWidget* parent)
    : QDialog(parent), m_clock(clock), m_expression(new QLineEdit(startExpression, this)),
      m_result(new QLineEdit(this))
{
    setWindowTitle(QStringLiteral("计算器"));
    m_result->setReadOnly(true);
    m_result->setAlignment(Qt::AlignRight);
    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(QStringLiteral("表达式："), this), 0, 0);
    grid->addWidget(m_expression, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("结  果："), this), 1, 0);
    grid->addWidget(m_result, 1, 1);

    auto* computeButton = new QPushButton(QStringLiteral("&D.计算"), this);
    auto* clearButton = new QPushButton(QStringLiteral("&C.清空"), this);
    auto* sendButton = new QPushButton(QStringLiteral("&S.送数"), this);
    auto* cancelButton = new QPushButton(QStringLiteral("&X.取消"), this);
    computeButton->setDefault(true);
    computeButton->setObjectName(QStringLiteral("compute"));
    clearButton->setObjectName(QStringLiteral("clear"));
    sendButton->setObjectName(QStringLiteral("send"));
    cancelButton->setObjectName(QStringLiteral("cancel"));
    auto* buttons = new QHBoxLayout;
    for (QPushButton* button : {computeButton, clearButton, sendButton, cancelButton})
        buttons->addWidget(button);
    grid->addLayout(buttons, 2, 0, 1, 2);
    connect(computeButton, &QPushButton::clicked, this, [this] { compute(); });
    connect(clearButton, &QPushButton::clicked, this, &CalculatorDialog::clear);
    connect(sendButton, &QPushButton::clicked, this, &CalculatorDialog::send);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    setMinimumWidth(420);
    m_expression->setFocus();
    m_expression->selectAll();
}

bool CalculatorDialog::compute()
{
    CCaculate evaluator;
    evaluator.SetClock(m_clock);
    double value = 0;
    if (!evaluator.CalcNumber(value, m_expression->text().toStdString())) {
        int code = 0;
        int position = 0;
        std::string message;
        evaluator.GetError(code, message, position);
        m_result->setText(QString::fromStdString(message));
        m_expression->setFocus();
        m_expression->setCursorPosition(position);
        return false;
    }
    m_number = value;
    m_result->setText(QString::fromStdString(NumberToText(value)));
    return true;
}

void CalculatorDialog::clear()
{
    m_expression->clear();
    m_result->clear();
    m_expression->setFocus();
}

void CalculatorDialog::send()
{
    if (!compute())
        return;
    m_sent = QString::fromStdString(RemoveGroupCommas(FormatNumber(m_number, 0, 0, 6))).trimmed();
    accept();
}

} // namespace kszw
