// The currency directory (外币币种增加、修改、删除) and the dialog that adds or modifies one currency
// (请增加、修改、外币币种). The directory lists the currencies as fixed-width lines; 增加 opens the
// edit dialog again after each saved currency, Enter or a double-click modifies the selected
// currency, Delete deletes it. Every check, statement and message is the core's (chart/currencies.h).
#pragma once

#include "chart/currencies.h"

#include <QDialog>
#include <QString>

#include <functional>
#include <string>

class QListWidget;
class QPushButton;

namespace kszw {

class CSpecEdit;
class Database;
struct Prompt;

// The dialog that adds a currency or modifies one: code, name and exchange gain/loss subject.
class CCurrencyEditDlg : public QDialog {
    Q_OBJECT
public:
    enum class Mode { Add, Modify };

    // Add: the fields start empty. Modify: they start with the currency's values, and its code is
    // the one the changes are made to.
    CCurrencyEditDlg(Database& db, Prompt& prompt, Mode mode, const CurrencyLine& currency = {},
                     QWidget* parent = nullptr);

    // The currency's code after a confirmed save.
    QString savedCode() const { return m_savedCode; }

    CSpecEdit* codeField() const { return m_code; }
    CSpecEdit* nameField() const { return m_name; }
    CSpecEdit* subjectField() const { return m_subject; }
    QPushButton* confirmButton() const { return m_confirm; }
    QPushButton* cancelButton() const { return m_cancel; }

public slots:
    // &S.确认: the core's checks and the save; a refusal shows its message and focuses its field.
    void confirm();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // 确认 is offered only while all three fields hold something.
    void updateConfirm();
    void focusField(CSpecEdit* field);

    Database& m_db;
    Prompt& m_prompt;
    Mode m_mode;
    std::string m_oldCode;
    QString m_savedCode;

    CSpecEdit* m_code = nullptr;
    CSpecEdit* m_name = nullptr;
    CSpecEdit* m_subject = nullptr;
    QPushButton* m_confirm = nullptr;
    QPushButton* m_cancel = nullptr;
};

// CCurrencyDirectoryDlg: the year's currencies, added, modified and deleted.
class CCurrencyDirectoryDlg : public QDialog {
    Q_OBJECT
public:
    CCurrencyDirectoryDlg(Database& db, Prompt& prompt, QWidget* parent = nullptr);

    // Runs the edit dialog and returns its result; by default modally. Tests put in their own to
    // fill and confirm the dialog without an event loop of its own.
    std::function<int(CCurrencyEditDlg&)> runEditDialog;

    // The code of the selected line; empty when none.
    QString selectedCode() const;

    QListWidget* currencyList() const { return m_list; }
    QPushButton* addButton() const { return m_add; }
    QPushButton* codeColumnButton() const { return m_codeColumn; }
    QPushButton* nameColumnButton() const { return m_nameColumn; }
    QPushButton* subjectColumnButton() const { return m_subjectColumn; }

public slots:
    // The list's first activation (the dialog being shown): fills it and selects the first line,
    // or, with no currency yet, says so and offers 增加 as the default button. Later calls do nothing.
    void activateList();
    // &A.增加: the edit dialog in add mode, again after every saved currency.
    void addCurrencies();
    // Enter or a double-click: the edit dialog for the selected currency.
    void modifySelected();
    // Delete: the selected currency, after the core's checks and question.
    void deleteSelected();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Reads the list again and selects the line of the code, or the line at row (clamped).
    void refill(const QString& select = QString(), int row = 0);

    Database& m_db;
    Prompt& m_prompt;
    bool m_firstActivation = true;

    QListWidget* m_list = nullptr;
    QPushButton* m_add = nullptr;
    QPushButton* m_codeColumn = nullptr;
    QPushButton* m_nameColumn = nullptr;
    QPushButton* m_subjectColumn = nullptr;
};

} // namespace kszw
