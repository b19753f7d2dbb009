// CBackupDlg and CRestoreDlg: the dialogs "备份帐务数据" and "恢复帐务数据" of 帐务管理.
//
// The backup dialog copies the logged-in year or the whole account set into a folder (the account
// set's "备份" unless another is chosen) and tells which copies it made.
//
// The restore dialog lists the backups in the account set's "备份" (year, time, kind, name) or takes
// a backup file chosen anywhere; 确认 checks it, asks, and puts it in place of its year's file in
// the account set. Restoring the logged-in year closes the login's connection just for the
// replacement and opens it again for the same operator afterwards (the rights are read anew from
// the restored file); the caller refreshes what it shows of the login.
#pragma once

#include "accountset/backup.h"

#include <QDialog>
#include <QString>

#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTreeWidget;

namespace kszw {

class CKszwEnv;
struct Clock;
struct Prompt;

// The backup dialog.
class CBackupDlg : public QDialog {
    Q_OBJECT
public:
    // Asks for a folder: (parent, folder to start in) → the chosen folder, empty when given up.
    using FolderChooser = std::function<QString(QWidget*, const QString&)>;

    CBackupDlg(CKszwEnv& env, const Clock& clock, Prompt& prompt, QWidget* parent = nullptr);

    // The menu command 备份帐务数据.
    static void openBackup(CKszwEnv& env, const Clock& clock, Prompt& prompt, QWidget* parent);

    void setFolderChooser(FolderChooser chooser) { m_chooser = std::move(chooser); }
    // The copies the last 确认 made.
    const BackupResult& backupResult() const { return m_result; }

    QRadioButton* openYearButton() const { return m_openYear; }
    QRadioButton* accountSetButton() const { return m_accountSet; }
    QLineEdit* folderField() const { return m_folder; }
    QPushButton* browseButton() const { return m_browse; }
    QPushButton* okButton() const { return m_ok; }
    QPushButton* cancelButton() const { return m_cancel; }

public slots:
    // 浏览: another folder.
    void chooseFolder();
    // 确认: the backup; the dialog closes when every copy was made.
    void backup();

private:
    CKszwEnv& m_env;
    const Clock& m_clock;
    Prompt& m_prompt;
    FolderChooser m_chooser;
    BackupResult m_result;
    QRadioButton* m_openYear;
    QRadioButton* m_accountSet;
    QLineEdit* m_folder;
    QPushButton* m_browse;
    QPushButton* m_ok;
    QPushButton* m_cancel;
};

// What a restore did to the login, for the caller to show.
enum class RestoreDialogOutcome {
    Nothing,          // nothing was restored
    OtherYear,        // another year of the account set was restored; the login is as it was
    LoginRenewed,     // the logged-in year was restored and logged into again (rights may differ)
    LoginLost,        // the logged-in year's file could not be logged into again: a new login is needed
};

// The restore dialog.
class CRestoreDlg : public QDialog {
    Q_OBJECT
public:
    // Asks for a backup file: (parent, folder to start in) → the chosen file, empty when given up.
    using FileChooser = std::function<QString(QWidget*, const QString&)>;

    CRestoreDlg(CKszwEnv& env, const Clock& clock, Prompt& prompt, QWidget* parent = nullptr);

    // The menu command 恢复帐务数据; after LoginRenewed the caller shows the login anew, after
    // LoginLost it offers the login on the same file.
    static RestoreDialogOutcome openRestore(CKszwEnv& env, const Clock& clock, Prompt& prompt, QWidget* parent);

    void setFileChooser(FileChooser chooser) { m_chooser = std::move(chooser); }
    RestoreDialogOutcome outcome() const { return m_outcome; }

    QTreeWidget* backupList() const { return m_list; }
    QLabel* targetLabel() const { return m_target; }
    QPushButton* chooseFileButton() const { return m_chooseFile; }
    QPushButton* okButton() const { return m_ok; }
    QPushButton* cancelButton() const { return m_cancel; }

public slots:
    // 选择备份文件: a backup from anywhere, added to the top of the list and selected.
    void chooseFile();
    // 确认: restores the selected backup; the dialog closes when it was restored.
    void restore();

private:
    void addEntry(const BackupEntry& entry, bool first);
    void refreshList();
    void showTarget();
    // The year file of the account set the selected backup restores; empty when none selected.
    std::string selectedTarget() const;
    // Restores the logged-in year: its connection is closed only while the file is replaced.
    void restoreLoggedInYear(PreparedRestore& prepared);

    CKszwEnv& m_env;
    const Clock& m_clock;
    Prompt& m_prompt;
    FileChooser m_chooser;
    RestoreDialogOutcome m_outcome = RestoreDialogOutcome::Nothing;
    QTreeWidget* m_list;
    QLabel* m_target;
    QPushButton* m_chooseFile;
    QPushButton* m_ok;
    QPushButton* m_cancel;
};

} // namespace kszw
