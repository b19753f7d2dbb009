// The two dialogs of setting one's own password (command 40019): the first takes the new password
// (操作员口令设置), the second asks for it again under a warning; then the core writes it (or, when
// empty, cancels the password) and the login state takes it at once.
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;

namespace kszw {

class CKszwEnv;
struct Prompt;

// The first dialog: who the operator is, and the new password.
class CPasswordDlg : public QDialog {
    Q_OBJECT
public:
    CPasswordDlg(const CKszwEnv& env, Prompt& prompt, QWidget* parent = nullptr);

    QString password() const;
    QLineEdit* passwordEdit() const { return m_password; }
    QLabel* operatorLabel() const { return m_operator; }

public slots:
    // 确认: the core's check of the password; closes the dialog when it passes.
    void confirm();

private:
    Prompt& m_prompt;
    QLabel* m_operator = nullptr;
    QLineEdit* m_password = nullptr;
};

// The second dialog: the password again; 确认 writes it when both entries agree.
class CPasswordConfirmDlg : public QDialog {
    Q_OBJECT
public:
    CPasswordConfirmDlg(CKszwEnv& env, Prompt& prompt, QString password, QWidget* parent = nullptr);

    QLineEdit* confirmationEdit() const { return m_confirmation; }
    QLabel* warningLabel() const { return m_warning; }

public slots:
    // 确认: compares and writes; a different entry is cleared for another try.
    void confirm();

private:
    CKszwEnv& m_env;
    Prompt& m_prompt;
    QString m_password;
    QLineEdit* m_confirmation = nullptr;
    QLabel* m_warning = nullptr;
};

// Runs both dialogs for the logged-in operator and writes the password. False when abandoned.
bool changePassword(CKszwEnv& env, Prompt& prompt, QWidget* parent);

} // namespace kszw
