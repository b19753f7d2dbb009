// The template variable dialogs (分录模板变量表): CVariableTableDlg lists the #-variables of the year
// file (&A adds, Enter or a double-click modifies, Delete removes) and keeps every change to itself
// until &S.确认 writes the whole table at once; CVariableEditDlg adds or modifies one variable, its
// name, expression, kind and note. The name rule and the saving are the core's
// (templates/template_variables.h); a refusal keeps the edit dialog open on its field.
#pragma once

#include "templates/template_variables.h"

#include <QDialog>

#include <cstddef>
#include <functional>
#include <optional>
#include <vector>

class QComboBox;
class QPushButton;
class QTreeWidget;

namespace kszw {

class CSpecEdit;
class Database;
struct Prompt;

// The add and modify dialog of one variable ("新增公式" / "修改公式").
class CVariableEditDlg : public QDialog {
    Q_OBJECT
public:
    // rows: the variables of the list as they stand; editing: the index of the row to modify, or
    // nothing to add a new variable (empty fields, kind 自动).
    CVariableEditDlg(Prompt& prompt, std::vector<VariableRow> rows, std::optional<std::size_t> editing,
                     QWidget* parent = nullptr);

    // The variable as confirmed (meaningful after the dialog was accepted).
    const VariableRow& row() const { return m_row; }

    CSpecEdit* nameEdit() const { return m_name; }
    CSpecEdit* expressionEdit() const { return m_expression; }
    QComboBox* typeCombo() const { return m_type; }
    CSpecEdit* noteEdit() const { return m_note; }
    QPushButton* confirmButton() const { return m_confirm; }
    QPushButton* cancelButton() const { return m_cancel; }

public slots:
    // &S.确认: the name rule against the other rows and a non-empty expression; accepts when both
    // hold, otherwise tells why and puts the focus on the field at fault.
    void confirm();

private:
    Prompt& m_prompt;
    std::vector<VariableRow> m_rows;
    std::optional<std::size_t> m_editing;
    VariableRow m_row;
    CSpecEdit* m_name = nullptr;
    CSpecEdit* m_expression = nullptr;
    QComboBox* m_type = nullptr;
    CSpecEdit* m_note = nullptr;
    QPushButton* m_confirm = nullptr;
    QPushButton* m_cancel = nullptr;
};

// The variable table ("变量的增加、修改及删除").
class CVariableTableDlg : public QDialog {
    Q_OBJECT
public:
    // Loads the variables of the year file and selects the first. Raises DatabaseError when the
    // file cannot be read.
    CVariableTableDlg(Database& db, Prompt& prompt, QWidget* parent = nullptr);

    // The menu's 分录模板变量表: runs the table modally; errors of the file are told through the prompt.
    static void openVariables(Database& db, Prompt& prompt, QWidget* parent);

    // Runs the edit dialog and returns its result; by default modally. Tests put in their own to
    // fill and confirm it without an event loop of its own.
    std::function<int(CVariableEditDlg&)> runEditDialog;

    // The variables as the list shows them, and whether they differ from what was loaded or saved.
    const std::vector<VariableRow>& rows() const { return m_rows; }
    bool isModified() const { return m_modified; }

    QTreeWidget* variableList() const { return m_list; }
    QPushButton* addButton() const { return m_add; }
    QPushButton* confirmButton() const { return m_confirm; }
    QPushButton* cancelButton() const { return m_cancel; }

public slots:
    // &A.新增: the edit dialog for a new variable, appended to the list.
    void addNew();
    // Enter or a double-click: the edit dialog for the selected variable.
    void modifySelected();
    // Delete: after a question, the selected variable leaves the list.
    void deleteSelected();
    // &S.确认: writes the list as the whole table (one transaction) and closes; a failed write is
    // told and the dialog stays open with the list as it was.
    void confirm();
    // &X. 取消, Escape or closing the window: leaves without writing; asks first when the list
    // was changed.
    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Refills the list from the rows and makes that row current (clamped).
    void fill(int current);
    // The index of the selected row, or nothing.
    std::optional<std::size_t> selectedIndex() const;

    Database& m_db;
    Prompt& m_prompt;
    std::vector<VariableRow> m_rows;
    bool m_modified = false;
    QTreeWidget* m_list = nullptr;
    QPushButton* m_add = nullptr;
    QPushButton* m_confirm = nullptr;
    QPushButton* m_cancel = nullptr;
};

} // namespace kszw
