// COperatorEditDlg: the small dialog that adds an operator or modifies one (code and name). Its
// 确认 runs the core's checks and writes; a refusal keeps it open with the focus on the field
// concerned. Also the input fields of the operator and password dialogs, which refuse at typing
// what the core would refuse anyway.
#pragma once

#include <QDialog>
#include <QLineEdit>
#include <QValidator>

class QLabel;
class QPushButton;

namespace kszw {

class Database;
struct Prompt;

// Lets into a field only text the core's field check accepts: the code field takes at most three
// digits, a text field no |[]'" and at most a number of GBK bytes.
class OperatorFieldValidator : public QValidator {
    Q_OBJECT
public:
    // maxBytes 0: the code field.
    explicit OperatorFieldValidator(int maxBytes, QObject* parent = nullptr);
    State validate(QString& input, int& pos) const override;

private:
    int m_maxBytes;
};

// A line edit of the operator dialogs: the code field (maxBytes 0) or a name or password field.
QLineEdit* makeOperatorField(int maxBytes, QWidget* parent);

// The operator edit dialog (增加操作员... / 修改操作员...).
class COperatorEditDlg : public QDialog {
    Q_OBJECT
public:
    // Adds an operator: both fields empty.
    COperatorEditDlg(Database& db, Prompt& prompt, QWidget* parent = nullptr);
    // Modifies operator code: the fields show code and name; the administrator's code is fixed.
    COperatorEditDlg(Database& db, Prompt& prompt, const QString& code, const QString& name,
                     QWidget* parent = nullptr);

    bool isAdding() const { return m_oldCode.isEmpty(); }
    // The operator's code as saved (after a successful 确认).
    QString savedCode() const { return m_savedCode; }
    // The name as saved (trimmed).
    QString savedName() const { return m_savedName; }

    QLineEdit* codeEdit() const { return m_code; }
    QLineEdit* nameEdit() const { return m_name; }

public slots:
    // 确认: checks and writes; closes the dialog when saved.
    void confirm();

private:
    void build();

    Database& m_db;
    Prompt& m_prompt;
    QString m_oldCode;
    QString m_savedCode;
    QString m_savedName;
    QLineEdit* m_code = nullptr;
    QLineEdit* m_name = nullptr;
};

} // namespace kszw
