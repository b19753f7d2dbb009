// The voucher class dialogs (凭证分类设置): CVoucherClassListDlg lists the classes (&A adds, Enter or a
// double-click modifies, Delete deletes) and CVoucherClassDlg adds or modifies one class, its code
// and name. Every check and statement is the core's (voucher/voucher_classes.h); a refusal keeps
// the class dialog open with the focus on its field.
#pragma once

#include <QDialog>
#include <QString>

#include <functional>

class QLabel;
class QListWidget;
class QPushButton;

namespace kszw {

class CSpecEdit;
class Database;
struct Prompt;

// The add and modify dialog of one voucher class (dialog 173).
class CVoucherClassDlg : public QDialog {
    Q_OBJECT
public:
    enum class Mode { Add, Modify };

    // Add: both fields empty. Modify: the fields show the class's code and name.
    CVoucherClassDlg(Database& db, Prompt& prompt, Mode mode, const QString& code = QString(),
                     const QString& name = QString(), QWidget* parent = nullptr);

    Mode mode() const { return m_mode; }
    // The class's code and name as saved (after a confirmed save).
    QString savedCode() const { return m_savedCode; }
    QString savedName() const { return m_savedName; }

    CSpecEdit* codeEdit() const { return m_code; }
    CSpecEdit* nameEdit() const { return m_name; }
    QPushButton* confirmButton() const { return m_confirm; }

public slots:
    // &S.确认: the core's checks and the save; closes with OK when saved, stays open with the focus
    // on the field a refusal names, closes when nothing in the dialog can mend the refusal.
    void confirm();

private:
    Database& m_db;
    Prompt& m_prompt;
    Mode m_mode;
    QString m_oldCode;
    QString m_savedCode;
    QString m_savedName;
    CSpecEdit* m_code = nullptr;
    CSpecEdit* m_name = nullptr;
    QPushButton* m_confirm = nullptr;
};

// The list of voucher classes (dialog 174).
class CVoucherClassListDlg : public QDialog {
    Q_OBJECT
public:
    // Fills the list and selects its first entry. Raises DatabaseError when the file cannot be read.
    CVoucherClassListDlg(Database& db, Prompt& prompt, QWidget* parent = nullptr);

    // The menu's 凭证分类设置: refuses (with its message) when the year can no longer take classes,
    // otherwise runs the list dialog modally. Errors of the file are told through the prompt.
    static void openClasses(Database& db, Prompt& prompt, QWidget* parent);

    // Runs the class dialog and returns its result; by default modally. Tests put in their own to
    // fill and confirm it without an event loop of its own.
    std::function<int(CVoucherClassDlg&)> runClassDialog;

    // The code of the selected class; empty when none is selected.
    QString selectedCode() const;

    QListWidget* classList() const { return m_list; }
    QLabel* titleLabel() const { return m_title; }
    QLabel* headerLabel() const { return m_header; }
    QLabel* hintLabel() const { return m_hint; }
    QPushButton* addButton() const { return m_add; }
    QPushButton* closeButton() const { return m_close; }

public slots:
    // &A.新增: the class dialog for a new class.
    void addNew();
    // Enter or a double-click: the class dialog for the selected class.
    void modifySelected();
    // Delete: the selected class goes, unless it has vouchers; the dialog closes with the last one.
    void deleteSelected();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Refills the list and selects the class of that code, or the entry at row (clamped).
    void fill(const QString& selectCode = QString(), int row = 0);
    // After the class dialog was left without a save: refills, and closes the list when the year
    // can no longer take classes (another copy saved a voucher before the first class).
    void afterCancelledEdit(const QString& selectCode, int row);

    Database& m_db;
    Prompt& m_prompt;
    QLabel* m_title = nullptr;
    QLabel* m_header = nullptr;
    QListWidget* m_list = nullptr;
    QLabel* m_hint = nullptr;
    QPushButton* m_add = nullptr;
    QPushButton* m_close = nullptr;
};

} // namespace kszw
