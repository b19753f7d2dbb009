#include "session/ui/password_dialog.h"

#include "common/prompt.h"
#include "common/ui/qt_text.h"
#include "session/kszw_env.h"
#include "session/operators.h"
#include "session/ui/operator_edit_dialog.h"
#include "store/database_error.h"
#include "store/error_messages.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <functional>

namespace kszw {

namespace {

constexpr std::string_view kPasswordNote = "设置口令是保护操作员身份的有效手段";
constexpr std::string_view kPasswordWarning =
    "    警告：口令是您注册进入系统的密码，\r应当牢牢记住，一旦忘记了它，您就无法再\r进入系统操作。";

QLineEdit* makePasswordField(QWidget* parent)
{
    QLineEdit* field = makeOperatorField(kPasswordBytes, parent);
    field->setEchoMode(QLineEdit::Password);
    return field;
}

// The 确认 and 取消 row of both dialogs; 确认 is the default button.
QHBoxLayout* confirmButtons(QDialog* dialog, const std::function<void()>& confirm)
{
    auto* confirmButton = new QPushButton(QStringLiteral("&S.确认"), dialog);
    auto* cancelButton = new QPushButton(QStringLiteral("&X.取消"), dialog);
    confirmButton->setDefault(true);
    cancelButton->setAutoDefault(false);
    QObject::connect(confirmButton, &QPushButton::clicked, dialog, confirm);
    QObject::connect(cancelButton, &QPushButton::clicked, dialog, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(confirmButton);
    buttons->addWidget(cancelButton);
    return buttons;
}

} // namespace

CPasswordDlg::CPasswordDlg(const CKszwEnv& env, Prompt& prompt, QWidget* parent) : QDialog(parent), m_prompt(prompt)
{
    setWindowTitle(QStringLiteral("操作员口令设置"));
    m_operator = new QLabel(qtText(env.operatorCode()) + QStringLiteral("  ") + qtText(env.operatorName()), this);
    m_password = makePasswordField(this);
    auto* passwordLabel = new QLabel(QStringLiteral("输入口令(&P)："), this);
    passwordLabel->setBuddy(m_password);

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("操 作 员："), this), 0, 0);
    grid->addWidget(m_operator, 0, 1);
    grid->addWidget(passwordLabel, 1, 0);
    grid->addWidget(m_password, 1, 1);
    grid->setColumnStretch(1, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(new QLabel(qtText(kPasswordNote), this));
    layout->addSpacing(8);
    layout->addLayout(confirmButtons(this, [this] { confirm(); }));
    layout->setSizeConstraint(QLayout::SetFixedSize);
    m_password->setFocus();
}

QString CPasswordDlg::password() const
{
    return m_password->text();
}

void CPasswordDlg::confirm()
{
    if (checkNewPassword(m_password->text().toStdString(), m_prompt)) {
        accept();
        return;
    }
    m_password->setFocus();
    m_password->selectAll();
}

CPasswordConfirmDlg::CPasswordConfirmDlg(CKszwEnv& env, Prompt& prompt, QString password, QWidget* parent)
    : QDialog(parent), m_env(env), m_prompt(prompt), m_password(std::move(password))
{
    setWindowTitle(QStringLiteral("操作员口令确认"));
    m_confirmation = makePasswordField(this);
    auto* confirmationLabel = new QLabel(QStringLiteral("确认口令(&P)："), this);
    confirmationLabel->setBuddy(m_confirmation);
    m_warning = new QLabel(displayText(kPasswordWarning), this);

    auto* row = new QHBoxLayout;
    row->addWidget(confirmationLabel);
    row->addWidget(m_confirmation, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addSpacing(6);
    layout->addWidget(m_warning);
    layout->addSpacing(8);
    layout->addLayout(confirmButtons(this, [this] { confirm(); }));
    layout->setSizeConstraint(QLayout::SetFixedSize);
    m_confirmation->setFocus();
}

void CPasswordConfirmDlg::confirm()
{
    PasswordResult result = PasswordResult::Refused;
    try {
        result = setOwnPassword(m_env, m_password.toStdString(), m_confirmation->text().toStdString(), m_prompt);
    } catch (const DatabaseError& error) {
        m_prompt.warn(userMessage(error, m_env.db().path()));
        return;
    }
    switch (result) {
    case PasswordResult::Set:
    case PasswordResult::Cancelled:
        accept();
        return;
    case PasswordResult::Mismatch:
        m_confirmation->clear();
        m_confirmation->setFocus();
        return;
    case PasswordResult::Refused:
        reject();
        return;
    }
}

bool changePassword(CKszwEnv& env, Prompt& prompt, QWidget* parent)
{
    CPasswordDlg first(env, prompt, parent);
    if (first.exec() != QDialog::Accepted)
        return false;
    CPasswordConfirmDlg second(env, prompt, first.password(), parent);
    return second.exec() == QDialog::Accepted;
}

} // namespace kszw
