// The exchange-rate dialog (外币汇率设置): the currencies on the left, the rates of the selected
// currency on the right, a picture between them pointing at the active list; and the dialog that
// sets or modifies one rate (请设置、修改外币汇率). ← and → switch between the lists, Enter or a
// double-click on a rate modifies it, Delete deletes it, &A.设置汇率 adds rates one after another.
// Every check, statement and message is the core's (chart/exchange_rates.h).
#pragma once

#include "chart/exchange_rates.h"

#include <QDialog>
#include <QString>

#include <functional>
#include <string>

class QLabel;
class QListWidget;
class QPushButton;

namespace kszw {

class CKszwEnv;
class CSpecEdit;
struct Clock;
struct Prompt;

// The dialog that sets a new rate of a currency or modifies one: the date as year, month and day,
// the foreign amount and the equal amount of the base currency.
class CRateEditDlg : public QDialog {
    Q_OBJECT
public:
    enum class Mode { Add, Modify };

    // The fields start with start (newRateInput or rateInputFor); Modify changes the currency's
    // rate of oldDate. The checks use the year's first and last day of the login.
    CRateEditDlg(CKszwEnv& env, Prompt& prompt, Mode mode, const RateCurrencyLine& currency, const RateInput& start,
                 const QString& oldDate = QString(), QWidget* parent = nullptr);

    // The rate's date after a confirmed save.
    QString savedDate() const { return m_savedDate; }

    CSpecEdit* yearField() const { return m_year; }
    CSpecEdit* monthField() const { return m_month; }
    CSpecEdit* dayField() const { return m_day; }
    CSpecEdit* foreignField() const { return m_foreign; }
    CSpecEdit* localField() const { return m_local; }
    QLabel* currencyLabel() const { return m_currencyLabel; }
    QPushButton* confirmButton() const { return m_confirm; }

public slots:
    // &S.确认: the core's checks and the save; a refusal shows its message and focuses its field.
    void confirm();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void focusField(CSpecEdit* field);

    CKszwEnv& m_env;
    Prompt& m_prompt;
    Mode m_mode;
    std::string m_currency;
    std::string m_oldDate;
    QString m_savedDate;

    QLabel* m_currencyLabel = nullptr;
    CSpecEdit* m_year = nullptr;
    CSpecEdit* m_month = nullptr;
    CSpecEdit* m_day = nullptr;
    CSpecEdit* m_foreign = nullptr;
    CSpecEdit* m_local = nullptr;
    QPushButton* m_confirm = nullptr;
};

class ActiveListPicture;

// CRateDlg: the rates of the year's currencies.
class CRateDlg : public QDialog {
    Q_OBJECT
public:
    enum ActiveList { CurrencyList = 1, RateList = 2 };

    CRateDlg(CKszwEnv& env, Prompt& prompt, const Clock& clock, QWidget* parent = nullptr);

    // The menu command: with no currency the message, and the dialog does not open (false);
    // otherwise the dialog runs modally (true).
    static bool openRates(CKszwEnv& env, Prompt& prompt, const Clock& clock, QWidget* parent);

    // Fills the currency list, selects the first currency and its latest rate. With no currency it
    // shows the message and returns false: the dialog is not to be shown.
    bool fillOnOpening();

    // Runs the edit dialog and returns its result; by default modally. Tests put in their own.
    std::function<int(CRateEditDlg&)> runEditDialog;

    // The list that last had the focus.
    ActiveList activeList() const { return m_active; }
    // The code of the selected currency and the date of the selected rate; empty when none.
    QString selectedCurrency() const;
    QString selectedDate() const;

    QListWidget* currencyList() const { return m_currencies; }
    QListWidget* rateList() const { return m_rates; }
    QWidget* activePicture() const;
    QPushButton* addButton() const { return m_add; }
    QPushButton* currencyColumnButton() const { return m_currencyColumn; }
    QPushButton* dateColumnButton() const { return m_dateColumn; }

public slots:
    // &A.设置汇率: the edit dialog for a new rate of the selected currency at today's date, again
    // after every saved rate.
    void addRates();
    // Enter or a double-click on a rate: the edit dialog for it; with none, the message.
    void modifySelected();
    // Delete on the rate list: the selected rate goes at once, the line above it is selected.
    void deleteSelected();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The rates of the selected currency, with the line of the date selected (the last line when
    // the date is empty or not there).
    void showRates(const QString& select = QString());
    void setActive(ActiveList list);
    // Puts the focus on the list and makes it the active one.
    void focusList(ActiveList list);
    RateCurrencyLine selectedCurrencyLine() const;

    CKszwEnv& m_env;
    Prompt& m_prompt;
    const Clock& m_clock;
    bool m_filled = false;
    ActiveList m_active = CurrencyList;

    QListWidget* m_currencies = nullptr;
    QListWidget* m_rates = nullptr;
    ActiveListPicture* m_picture = nullptr;
    QPushButton* m_add = nullptr;
    QPushButton* m_currencyColumn = nullptr;
    QPushButton* m_dateColumn = nullptr;
};

} // namespace kszw
