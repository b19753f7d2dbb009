#include "session/ui/operator_edit_dialog.h"

#include "common/prompt.h"
#include "common/ui/qt_text.h"
#include "session/operators.h"
#include "store/database.h"
#include "store/database_error.h"
#include "store/error_messages.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace kszw {

OperatorFieldValidator::OperatorFieldValidator(int maxBytes, QObject* parent) : QValidator(parent), m_maxBytes(maxBytes)
{
}

QValidator::State OperatorFieldValidator::validate(QString& input, int&) const
{
    const std::string text = input.toStdString();
    const bool fits = m_maxBytes == 0 ? fitsOperatorCodeField(text) : fitsOperatorTextField(text, m_maxBytes);
    return fits ? Acceptable : Invalid;
}

QLineEdit* makeOperatorField(int maxBytes, QWidget* parent)
{
    auto* field = new QLineEdit(parent);
    field->setValidator(new OperatorFieldValidator(maxBytes, field));
    if (maxBytes == 0)
        field->setMaxLength(kOperatorCodeLength);
    // The code field is as wide as three digits and a little more; a text field shows its longest
    // text (a Chinese character takes two of its bytes) with room to spare.
    const QFontMetrics metrics(field->font());
    if (maxBytes == 0) {
        field->setFixedWidth(metrics.horizontalAdvance(QString(kOperatorCodeLength + 1, QLatin1Char('0'))) + 16);
    } else {
        const QChar chinese(0x6C49); // 汉
        field->setMinimumWidth(metrics.horizontalAdvance(QString(maxBytes / 2 + 3, chinese)) + 16);
    }
    return field;
}

COperatorEditDlg::COperatorEditDlg(Database& db, Prompt& prompt, QWidget* parent)
    : QDialog(parent), m_db(db), m_prompt(prompt)
{
    build();
    setWindowTitle(QStringLiteral("增加操作员..."));
}

COperatorEditDlg::COperatorEditDlg(Database& db, Prompt& prompt, const QString& code, const QString& name,
                                   QWidget* parent)
    : QDialog(parent), m_db(db), m_prompt(prompt), m_oldCode(code)
{
    build();
    setWindowTitle(QStringLiteral("修改操作员..."));
    m_code->setText(code);
    m_name->setText(name);
    if (code == qtText(kAdministratorCode)) {
        // The administrator keeps the code 101: only the name can change.
        m_code->setEnabled(false);
        m_name->setFocus();
    }
}

void COperatorEditDlg::build()
{
    m_code = makeOperatorField(0, this);
    m_name = makeOperatorField(kOperatorNameBytes, this);

    auto* codeLabel = new QLabel(QStringLiteral("代码(&D)："), this);
    codeLabel->setBuddy(m_code);
    auto* nameLabel = new QLabel(QStringLiteral("姓名(&N)："), this);
    nameLabel->setBuddy(m_name);

    auto* grid = new QGridLayout;
    grid->addWidget(codeLabel, 0, 0);
    grid->addWidget(m_code, 0, 1, Qt::AlignLeft);
    grid->addWidget(nameLabel, 1, 0);
    grid->addWidget(m_name, 1, 1, Qt::AlignLeft);
    grid->setColumnStretch(1, 1);

    auto* confirmButton = new QPushButton(QStringLiteral("&S.确认"), this);
    auto* cancelButton = new QPushButton(QStringLiteral("&X.取消"), this);
    confirmButton->setDefault(true);
    cancelButton->setAutoDefault(false);
    connect(confirmButton, &QPushButton::clicked, this, &COperatorEditDlg::confirm);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(confirmButton);
    buttons->addWidget(cancelButton);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    m_code->setFocus();
}

void COperatorEditDlg::confirm()
{
    const std::string code = m_code->text().toStdString();
    const std::string name = m_name->text().toStdString();
    OperatorSaveResult result;
    try {
        result = isAdding() ? addOperator(m_db, code, name, m_prompt)
                            : modifyOperator(m_db, m_oldCode.toStdString(), code, name, m_prompt);
    } catch (const DatabaseError& error) {
        // Nothing of the change stayed; the dialog stays open to try again or cancel.
        m_prompt.warn(userMessage(error, m_db.path()));
        return;
    }
    if (result.saved) {
        m_savedCode = m_code->text().trimmed();
        m_savedName = m_name->text().trimmed();
        accept();
        return;
    }
    QLineEdit* field = result.field == OperatorField::Name   ? m_name
                       : result.field == OperatorField::Code ? m_code
                                                             : nullptr;
    if (!field)
        return;
    if (result.clearField)
        field->clear();
    field->setFocus();
    field->selectAll();
}

} // namespace kszw
