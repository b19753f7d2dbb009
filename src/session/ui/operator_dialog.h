// COperatorDlg: the administrator's dialog of operators and their rights (操作员及其权限管理). The
// operator list on the left (Enter or a double-click modifies, Delete deletes, &A adds), the 23
// rights of the selected operator on the right, each a check box that grants or withdraws the right
// at once. Every check and statement is the core's (session/operators.h).
#pragma once

#include <QDialog>

class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace kszw {

class CKszwEnv;
struct Prompt;

class COperatorDlg : public QDialog {
    Q_OBJECT
public:
    COperatorDlg(CKszwEnv& env, Prompt& prompt, QWidget* parent = nullptr);

    QListWidget* operatorList() const { return m_operators; }
    QListWidget* rightsList() const { return m_rights; }
    QPushButton* addButton() const { return m_add; }
    QLabel* headerLabel() const { return m_header; }
    // The code of the selected operator; empty when none is selected.
    QString selectedCode() const;

public slots:
    // &A.增加操作员: the edit dialog for a new operator.
    void addNew();
    // Enter or a double-click: the edit dialog for the selected operator.
    void modifySelected();
    // Delete: the selected operator goes, after the core's checks.
    void deleteSelected();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Refills the operator list and selects the operator of that code (or, when empty or gone, the
    // usual first choice); the rights list follows.
    void fillOperators(const QString& selectCode = QString());
    void fillRights();
    void rightClicked(QListWidgetItem* item);

    CKszwEnv& m_env;
    Prompt& m_prompt;
    QLabel* m_header = nullptr;
    QListWidget* m_operators = nullptr;
    QListWidget* m_rights = nullptr;
    QPushButton* m_add = nullptr;
    bool m_filling = false;
};

} // namespace kszw
