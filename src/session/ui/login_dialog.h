// CKszwFileDlg: the login dialog. A file chooser for year data files with a panel below it that
// shows the selected file's unit name, operators and year; the operator types the password and
// confirms with "确定" or abandons with "放弃". Every file the user moves to is tried with a
// temporary login state of the dialog's own.
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

signals:
    void confirmRequested();
    void abandonRequested();
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

    // The recent year data files: their folders are offered in the chooser's history.
    void setRecentFiles(const QStringList& files);

    // The file and operator confirmed by "确定".
    QString chosenFile() const { return m_chosenFile; }
    QString chosenOperator() const { return m_chosenOperator; }

    // Moves the chooser to a file and refreshes the panel from it.
    void selectFile(const QString& path);
    // The file currently selected in the chooser.
    QString selectedFile() const;

    EmbeddedFileChooser* chooser() const { return m_chooser; }
    QLabel* unitLabel() const { return m_unit; }
    QLabel* yearLabel() const { return m_year; }
    QLabel* dateLabel() const { return m_date; }
    QComboBox* operatorBox() const { return m_operators; }
    QLineEdit* passwordEdit() const { return m_password; }
    QPushButton* searchButton() const { return m_search; }
    // Why the selected file cannot be used (empty when it opened or no file is selected).
    QLabel* failureLabel() const { return m_failure; }

public slots:
    // The checks of "确定", in order; closes the dialog when they pass.
    void confirm();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void refreshPanel(const QString& path);
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
};

// The file filter of the chooser: the file type description and the extension.
QString yearFileFilter();

} // namespace kszw
