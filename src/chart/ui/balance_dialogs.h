// The dialogs that enter one leaf's opening balance: CBalanceDlg (direction and amount) and
// CQuantityBalanceDlg (direction, quantity or foreign amount, price or rate, amount), both filled
// from the leaf's current opening row and saved through the core (chart/opening_balances.h).
#pragma once

#include <QDialog>
#include <QString>

#include <string>

class QLabel;
class QPushButton;
class QRadioButton;

namespace kszw {

class CSpecEdit;
class Database;
struct Prompt;

// The plain opening balance of a leaf: 借 or 贷 and the amount.
class CBalanceDlg : public QDialog {
    Q_OBJECT
public:
    // Raises DatabaseError when the leaf's row cannot be read.
    CBalanceDlg(Database& db, Prompt& prompt, const QString& code, QWidget* parent = nullptr);

    QRadioButton* debitButton() const { return m_debit; }
    QRadioButton* creditButton() const { return m_credit; }
    CSpecEdit* amountField() const { return m_amount; }
    QLabel* subjectLabel() const { return m_subject; }

public slots:
    // &S.确认: replaces the leaf's opening row (none when the amount is 0).
    void confirm();

private:
    Database& m_db;
    Prompt& m_prompt;
    std::string m_code;
    QLabel* m_subject = nullptr;
    QRadioButton* m_debit = nullptr;
    QRadioButton* m_credit = nullptr;
    CSpecEdit* m_amount = nullptr;
};

// The opening balance of a quantity subject (数量, 单价, 金额) or of a foreign-currency subject
// (外币, 汇率, 本位币). When the first or the third field loses the focus, the second becomes
// amount ÷ quantity; when the second loses the focus after the user changed it, the amount becomes
// quantity × price.
class CQuantityBalanceDlg : public QDialog {
    Q_OBJECT
public:
    // Raises DatabaseError when the leaf cannot be read.
    CQuantityBalanceDlg(Database& db, Prompt& prompt, const QString& code, QWidget* parent = nullptr);

    QRadioButton* debitButton() const { return m_debit; }
    QRadioButton* creditButton() const { return m_credit; }
    CSpecEdit* quantityField() const { return m_quantity; }
    CSpecEdit* priceField() const { return m_price; }
    CSpecEdit* amountField() const { return m_amount; }
    QLabel* subjectLabel() const { return m_subject; }
    // The three fields' labels, in order.
    QString fieldLabel(int index) const;

public slots:
    // &S.确认: the field being edited is finished first, then the leaf's opening row is replaced
    // (none when both amount and quantity are 0).
    void confirm();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // What leaving a field does: the price from the amount and quantity, or the amount from the
    // quantity and a changed price.
    void fieldLeft(QObject* field);
    void setPrice(const QString& text);

    Database& m_db;
    Prompt& m_prompt;
    std::string m_code;
    QString m_priceShown; // the price as last set by the dialog; another text is the user's
    QLabel* m_subject = nullptr;
    QLabel* m_labels[3] = {nullptr, nullptr, nullptr};
    QRadioButton* m_debit = nullptr;
    QRadioButton* m_credit = nullptr;
    CSpecEdit* m_quantity = nullptr;
    CSpecEdit* m_price = nullptr;
    CSpecEdit* m_amount = nullptr;
};

} // namespace kszw
