// CAccountSetDlg: the account-set dialog ("建立新帐套"). The user types a folder and creates an
// account set in it (建立), or finds the account sets on the computer (搜索), picks one from the
// list of known account-set folders, and opens one of its year files (打开, or a double-click on
// the year); the dialog then closes with that file chosen.
#pragma once

#include <QDialog>
#include <QString>

#include <string>
#include <vector>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace kszw {

struct Clock;
struct Prompt;
struct UserSettings;

class CAccountSetDlg : public QDialog {
    Q_OBJECT
public:
    // settings keep the known account-set folders; clock gives the year of a new account set.
    CAccountSetDlg(UserSettings& settings, Prompt& prompt, const Clock& clock, QWidget* parent = nullptr);

    // Where 搜索 looks (default: the home folder and the volumes under /media and /mnt).
    void setSearchRoots(std::vector<std::string> roots) { m_searchRoots = std::move(roots); }

    // The year data file chosen by 打开 (or made by 建立); empty when none.
    QString chosenFile() const { return m_chosenFile; }

    // True while 搜索 runs.
    bool isSearching() const { return m_searching; }

    QLineEdit* folderEdit() const { return m_folder; }
    QListWidget* folderList() const { return m_folders; }
    QListWidget* yearList() const { return m_years; }
    QPushButton* createButton() const { return m_create; }
    QPushButton* searchButton() const { return m_search; }
    QPushButton* openButton() const { return m_open; }
    QPushButton* cancelButton() const { return m_cancel; }
    QLabel* statusLabel() const { return m_status; }

public slots:
    // 建立: creates the account set of the typed folder; closes the dialog on success.
    void createAccountSet();
    // 搜索: finds the account sets under the search roots and lists them.
    void search();
    // 打开: closes the dialog with the selected year file chosen.
    void openSelected();
    // While 搜索 runs, Escape (or closing the window) stops the search and the dialog stays.
    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Lists the known account-set folders that exist, selecting the given one (or the first).
    void refreshFolders(const QString& select = QString());
    // Lists the year files of the selected folder.
    void showYears();
    void setBusy(bool busy);

    UserSettings& m_settings;
    Prompt& m_prompt;
    const Clock& m_clock;
    std::vector<std::string> m_searchRoots;
    QString m_chosenFile;
    bool m_searching = false;
    bool m_stopRequested = false;
    QLineEdit* m_folder;
    QPushButton* m_browse;
    QListWidget* m_folders;
    QListWidget* m_years;
    QPushButton* m_create;
    QPushButton* m_search;
    QPushButton* m_open;
    QPushButton* m_cancel;
    QLabel* m_status;
};

} // namespace kszw
