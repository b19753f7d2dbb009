// The voucher template directory (分录模板目录定义): CTemplateDirectoryDlg lists the year's entry
// templates by number (&A adds, Enter or a double-click modifies, Delete deletes after a question)
// and CTemplateEditDlg adds or modifies one template, its number and name. Every check, statement
// and message is the core's (templates/voucher_templates.h); a refusal keeps the edit dialog open
// with the focus on its field.
#pragma once

#include "templates/voucher_templates.h"

#include <QDialog>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

class QLabel;
class QListWidget;
class QPushButton;

namespace kszw {

class CSpecEdit;
class Database;
struct Prompt;

// The add and modify dialog of one template (增加分录模板目录 / 修改分录模板目录).
class CTemplateEditDlg : public QDialog {
    Q_OBJECT
public:
    enum class Mode { Add, Modify };

    // Add: the number field proposes entry.number (0: empty) and the name is empty. Modify: the
    // fields show the template's number and name, and entry.number is the template changed.
    CTemplateEditDlg(Database& db, Prompt& prompt, Mode mode, const TemplateEntry& entry = {},
                     QWidget* parent = nullptr);

    Mode mode() const { return m_mode; }
    // The template's number after a confirmed save; 0 before.
    int savedNumber() const { return m_savedNumber; }

    CSpecEdit* numberEdit() const { return m_number; }
    CSpecEdit* nameEdit() const { return m_name; }
    QPushButton* confirmButton() const { return m_confirm; }
    QPushButton* cancelButton() const { return m_cancel; }

public slots:
    // &S.确认: the core's checks and the save; closes with OK when saved, otherwise warns and stays
    // open with the focus on the field the refusal names.
    void confirm();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void focusField(CSpecEdit* field);

    Database& m_db;
    Prompt& m_prompt;
    Mode m_mode;
    int m_oldNumber = 0;
    int m_savedNumber = 0;
    CSpecEdit* m_number = nullptr;
    CSpecEdit* m_name = nullptr;
    QPushButton* m_confirm = nullptr;
    QPushButton* m_cancel = nullptr;
};

// The directory of the year's voucher entry templates (dialog 177).
class CTemplateDirectoryDlg : public QDialog {
    Q_OBJECT
public:
    // Fills the list and selects its first entry. Raises DatabaseError when the file cannot be read.
    CTemplateDirectoryDlg(Database& db, Prompt& prompt, QWidget* parent = nullptr);

    // The menu's 分录模板目录定义: runs the directory modally; errors of the file are told through
    // the prompt.
    static void openDirectory(Database& db, Prompt& prompt, QWidget* parent);

    // Runs the edit dialog and returns its result; by default modally. Tests put in their own to
    // fill and confirm it without an event loop of its own.
    std::function<int(CTemplateEditDlg&)> runEditDialog;

    // The selected template; nothing when none is selected.
    std::optional<TemplateEntry> selectedTemplate() const;

    QListWidget* templateList() const { return m_list; }
    QLabel* headerLabel() const { return m_header; }
    QPushButton* addButton() const { return m_add; }
    QPushButton* modifyButton() const { return m_modify; }
    QPushButton* deleteButton() const { return m_delete; }
    QPushButton* closeButton() const { return m_close; }

public slots:
    // &A.新增: the edit dialog for a new template, proposing the number after the largest one.
    void addNew();
    // Enter, a double-click or &M.修改: the edit dialog for the selected template.
    void modifySelected();
    // Delete or &D.删除: the selected template and its lines, after a question.
    void deleteSelected();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Reads the directory again and selects the template of that number, or the entry at row
    // (clamped); an error of the file is told through the prompt and leaves the list as it was.
    void fill(int selectNumber = 0, int row = 0);
    // Shows the entries as read last, selecting as fill does.
    void showEntries(int selectNumber = 0, int row = 0);

    Database& m_db;
    Prompt& m_prompt;
    std::vector<TemplateEntry> m_entries;
    QLabel* m_header = nullptr;
    QListWidget* m_list = nullptr;
    QPushButton* m_add = nullptr;
    QPushButton* m_modify = nullptr;
    QPushButton* m_delete = nullptr;
    QPushButton* m_close = nullptr;
};

} // namespace kszw
