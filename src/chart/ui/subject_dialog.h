// CSubjectDlg: the dialog that adds a subject under a parent or modifies one (增加新科目(帐户)... /
// 修改科目(帐户)...): the last segment of the code, the name, the auxiliary kind (quantity and
// amount with its unit, or foreign currency with its currency), whether its own ledger is
// multi-column, and its column's direction and width in the parent's multi-column ledger. Every
// check and statement is the core's (chart/subjects.h); a refusal puts the focus on its field.
#pragma once

#include <QDialog>
#include <QString>

#include <string>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace kszw {

class CSpecEdit;
class Database;
struct Prompt;

class CSubjectDlg : public QDialog {
    Q_OBJECT
public:
    enum class Mode { Add, Modify };

    // Add: code is the parent the new subject goes under ("" for the top level).
    // Modify: code is the subject to change; the dialog opens with its current values.
    // Raises DatabaseError when the chart cannot be read.
    CSubjectDlg(Database& db, Prompt& prompt, Mode mode, const QString& code, QWidget* parent = nullptr);

    // The code the subject has after a confirmed save.
    QString savedCode() const { return m_savedCode; }

    QLineEdit* parentField() const { return m_parentField; }
    CSpecEdit* segmentField() const { return m_segment; }
    CSpecEdit* nameField() const { return m_name; }
    QCheckBox* quantityBox() const { return m_quantity; }
    CSpecEdit* unitField() const { return m_unit; }
    QCheckBox* currencyBox() const { return m_currency; }
    QComboBox* currencyList() const { return m_currencyList; }
    QCheckBox* multiColumnBox() const { return m_multiColumn; }
    QRadioButton* debitButton() const { return m_debit; }
    QRadioButton* creditButton() const { return m_credit; }
    QSpinBox* widthSpin() const { return m_width; }
    QPushButton* confirmButton() const { return m_confirm; }

public slots:
    // &S.确认: the core's checks and the save; on a refusal the message and the field's focus.
    void confirm();

private:
    void build();
    void loadCurrencies();
    void loadSubject();
    // Enables the kind fields, the unit and the currency list as the check boxes say.
    void updateKindFields();
    void focusField(QWidget* field);

    Database& m_db;
    Prompt& m_prompt;
    Mode m_mode;
    std::string m_parentCode; // the code the subject lies under
    std::string m_code;       // the subject being modified
    bool m_hasChildren = false;
    bool m_parentMultiColumn = false;
    QString m_savedCode;

    QLineEdit* m_parentField = nullptr;
    CSpecEdit* m_segment = nullptr;
    CSpecEdit* m_name = nullptr;
    QCheckBox* m_quantity = nullptr;
    CSpecEdit* m_unit = nullptr;
    QCheckBox* m_currency = nullptr;
    QComboBox* m_currencyList = nullptr;
    QCheckBox* m_multiColumn = nullptr;
    QRadioButton* m_debit = nullptr;
    QRadioButton* m_credit = nullptr;
    QButtonGroup* m_directions = nullptr;
    QSpinBox* m_width = nullptr;
    QPushButton* m_confirm = nullptr;
};

} // namespace kszw
