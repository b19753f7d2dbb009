// The calculator (dialog 900): an expression field and a result field; "&D.计算" evaluates,
// "&C.清空" clears, "&S.送数" evaluates and, when the result is valid, closes the dialog so that
// the caller can write the value into its cell; "&X.取消" closes without change.
#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace kszw {

struct Clock;

class CalculatorDialog : public QDialog {
    Q_OBJECT
public:
    // startExpression is offered in the expression field (the current NUMBER cell's value).
    CalculatorDialog(const Clock& clock, const QString& startExpression, QWidget* parent = nullptr);

    // The value sent by "&S.送数": the number with up to six decimals and no grouping commas.
    QString sentValue() const { return m_sent; }
    double sentNumber() const { return m_number; }

    QLineEdit* expressionEdit() const { return m_expression; }
    QLineEdit* resultEdit() const { return m_result; }

public slots:
    // Evaluates the expression; true when it gave a number.
    bool compute();
    void clear();
    void send();

private:
    const Clock& m_clock;
    QLineEdit* m_expression;
    QLineEdit* m_result;
    QString m_sent;
    double m_number = 0;
};

} // namespace kszw
