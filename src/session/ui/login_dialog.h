// CKszwFileDlg: the login dialog. A file chooser for year data files with a panel below it that
// shows the selected file's unit name, operators and year; the operator types the password and
// confirms with "确定" or abandons with "放弃". Every file the user moves to is tried with a
// temporary login state of the dialog's own. "连接服务器..." chooses a year on a database server
// instead; its location then stands where the chosen file would, until the user moves in the
// chooser again.
#pragma once

#include "session/kszw_env.h"

#include <QDialog>
#include <QFileDialog>
#include <QIdentityProxyModel>

#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace kszw {

struct Clock;
struct Prompt;

// The chooser's file list with the whole type name of year data files and dates written the
// Chinese way ("2026/12/6 14:05"), whatever the language of the system.
class YearFileListModel : public QIdentityProxyModel {
    Q_OBJECT
public:
    static constexpr int kSizeColumn = 1;
    static constexpr int kTypeColumn = 2;
    static constexpr int kDateColumn = 3;
    explicit YearFileListModel(QObject* parent = nullptr);
    QVariant data(const QModelIndex& index, int role) const override;
    // A file's size as the list shows it ("600 字节", "124.0 KB").
    static QString sizeText(qint64 bytes);
};

// A file chooser that lives inside another dialog: its accept and reject buttons report to the
// owner instead of closing the chooser.
class EmbeddedFileChooser : public QFileDialog {
    Q_OBJECT
public:
    explicit EmbeddedFileChooser(QWidget* parent);

public slots:
    void accept() override;
    void reject() override;

    // While the owner holds a place that is not a file of the chooser (a year on a server), 确定
    // confirms that place instead of looking for a file.
    void setPlaceElsewhere(bool elsewhere);

signals:
    void confirmRequested();
    void abandonRequested();

private:
    void updateAcceptButton();
    bool m_placeElsewhere = false;
};

class CKszwFileDlg : public QDialog {
    Q_OBJECT
public:
    // initialFile is offered first; currentOperator is preselected when the file has it.
    CKszwFileDlg(Prompt& prompt, const Clock& clock, const QString& initialFile, const QString& currentOperator,
                 QWidget* parent = nullptr);

    // What 搜索 runs: it finds account sets and returns the year data file the user chose (empty:
    // none). Without a handler 搜索 is disabled.
    void setSearchHandler(std::function<QString(QWidget*)> handler);

    // The recent year data files: their folders are offered in the chooser's history. Server
    // locations among them have no folder; the newest fills the server dialog when no server year
    // is chosen yet.
    void setRecentFiles(const QStringList& files);

    // The file and operator confirmed by "确定".
    QString chosenFile() const { return m_chosenFile; }
    QString chosenOperator() const { return m_chosenOperator; }

    // Moves the chooser to a file and refreshes the panel from it; a server location is chosen as
    // the server dialog chooses it.
    void selectFile(const QString& path);
    // The file currently selected in the chooser, or the server location chosen instead.
    QString selectedFile() const;

    EmbeddedFileChooser* chooser() const { return m_chooser; }
    QLabel* unitLabel() const { return m_unit; }
    QLabel* yearLabel() const { return m_year; }
    QLabel* dateLabel() const { return m_date; }
    QComboBox* operatorBox() const { return m_operators; }
    QLineEdit* passwordEdit() const { return m_password; }
    QPushButton* searchButton() const { return m_search; }
    QPushButton* serverButton() const { return m_server; }
    // The server year chosen instead of a file ("" while a file of the chooser is the choice).
    QLabel* placeLabel() const { return m_place; }
    // What "连接服务器..." runs: by default the server dialog, started from the given location;
    // returns the chosen location (empty: none). Tests put a script in its place.
    void setServerHandler(std::function<QString(QWidget*, const QString&)> handler);
    // Why the selected file cannot be used (empty when it opened or no file is selected).
    QLabel* failureLabel() const { return m_failure; }

public slots:
    // The checks of "确定", in order; closes the dialog when they pass.
    void confirm();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void refreshPanel(const QString& path);
    // A server year becomes the choice; the chooser's own selection is let go.
    void chooseServerLocation(const QString& location);
    // The user moved in the chooser: a server year chosen before is no longer the choice.
    void leaveServerLocation();
    // The key the panel knows a place by: a file's absolute path, a location as it is.
    static QString placeKey(const QString& path);
    // The unit, year and operators of the file the trial state has open.
    void fillPanel();
    // Tries a file on the dialog's own login state; the message of a failure is kept.
    int tryFile(const QString& path);

    Prompt& m_prompt;
    CKszwEnv m_trial;
    QString m_preferredOperator;
    QString m_chosenFile;
    QString m_chosenOperator;
    EmbeddedFileChooser* m_chooser;
    QLabel* m_unit;
    QComboBox* m_operators;
    QLineEdit* m_password;
    QLabel* m_date;
    QLabel* m_year;
    QLabel* m_failure;
    QString m_panelFile; // the file the panel shows
    std::string m_failureText;
    QPushButton* m_search;
    std::function<QString(QWidget*)> m_searchHandler;
    QPushButton* m_server = nullptr;
    QLabel* m_place = nullptr;
    QString m_serverLocation; // the server year chosen instead of a file
    QString m_recentServer;   // the newest server location of the recent list
    std::function<QString(QWidget*, const QString&)> m_serverHandler;
};

// The file filter of the chooser: the file type description and the extension.
QString yearFileFilter();

} // namespace kszw
