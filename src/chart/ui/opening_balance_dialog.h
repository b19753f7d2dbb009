// COpeningBalanceDlg: the opening balances level by level (科目期初余额调整). Each subject of the
// level shows the net balance of its subtree; below the list, the level's debit and credit totals
// and their difference. Enter or a double-click goes down into a subject with children or opens
// the balance dialog of a leaf; Esc goes back up and closes only at the top level. The sums and
// statements are the core's (chart/opening_balances.h).
#pragma once

#include <QDialog>
#include <QString>

#include <functional>
#include <string>

class QLabel;
class QTreeWidget;

namespace kszw {

class Database;
struct Prompt;

class COpeningBalanceDlg : public QDialog {
    Q_OBJECT
public:
    COpeningBalanceDlg(Database& db, Prompt& prompt, QWidget* parent = nullptr);

    // The dialog of the menu (年初科目余额): with no subject in the year it tells so and does not
    // open. Returns whether it opened.
    static bool openOpeningBalances(Database& db, Prompt& prompt, QWidget* parent = nullptr);

    // Runs a leaf's balance dialog (CBalanceDlg or CQuantityBalanceDlg) and returns its result; by
    // default modally. Tests put in their own to fill and confirm it without an event loop of its own.
    std::function<int(QDialog&)> runBalanceDialog;

    QString levelCode() const { return QString::fromStdString(m_level); }
    QString selectedCode() const;
    QTreeWidget* balanceList() const { return m_list; }
    QLabel* levelLabel() const { return m_levelLabel; }
    QLabel* debitTotalLabel() const { return m_debitTotal; }
    QLabel* creditTotalLabel() const { return m_creditTotal; }
    QLabel* differenceLabel() const { return m_difference; }

public slots:
    // Shows the level below parent ("" the top level), with the subject of that code selected (the
    // first line when it is not there).
    void showLevel(const QString& parent, const QString& select = QString());
    // Enter or a double-click on the selected line.
    void openSelected();
    // The parent's level, with the former parent selected.
    void goUp();
    // Esc: one level up; at the top level the dialog closes.
    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    Database& m_db;
    Prompt& m_prompt;
    std::string m_level;
    QTreeWidget* m_list = nullptr;
    QLabel* m_levelLabel = nullptr;
    QLabel* m_debitTotal = nullptr;
    QLabel* m_creditTotal = nullptr;
    QLabel* m_difference = nullptr;
};

} // namespace kszw
