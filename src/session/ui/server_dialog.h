// CServerDlg: choosing a year on a database server instead of a year data file. The user names the
// server (host and port) and the account set's database, reads the years the database holds and
// picks one; the result is the year's location ("postgresql://host:port/database?year=2026"),
// which the login takes wherever it takes a year file. User name and password are not asked here:
// the server's client library takes them from PGUSER/PGPASSWORD or ~/.pgpass.
#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace kszw {

struct Prompt;

class CServerDlg : public QDialog {
    Q_OBJECT
public:
    // A location given (with or without a year) fills host, port and database; the years are not
    // read before the user asks.
    explicit CServerDlg(Prompt& prompt, const QString& location = QString(), QWidget* parent = nullptr);

    // The location of the year confirmed by 确定 (empty before).
    QString chosenLocation() const { return m_chosen; }
    // The location the fields and the year list name now ("postgresql://host:port/db?year=Y"; without
    // "?year=" when no year is chosen); empty when the host or the database is not a valid name.
    QString currentLocation() const;

    QLineEdit* hostEdit() const { return m_host; }
    QSpinBox* portBox() const { return m_port; }
    QLineEdit* databaseEdit() const { return m_database; }
    QPushButton* readButton() const { return m_read; }
    QComboBox* yearBox() const { return m_years; }
    QPushButton* okButton() const { return m_ok; }
    QPushButton* cancelButton() const { return m_cancel; }

public slots:
    // 读取年度: checks the names, asks the server for the database's years and lists them with the
    // newest chosen. False (after telling why) when a name is wrong, the server cannot be reached
    // or the database holds no year; the dialog stays open then.
    bool readYears();
    // 确定: takes the chosen year's location and closes the dialog.
    void accept() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    // The server and database of the fields as a location without a year; empty when not valid.
    QString serverText() const;
    // The years read belong to the fields they were read for: a change of them lets them go.
    void forgetYears();
    void updateOk();

    Prompt& m_prompt;
    QString m_chosen;
    QLineEdit* m_host;
    QSpinBox* m_port;
    QLineEdit* m_database;
    QPushButton* m_read;
    QComboBox* m_years;
    QPushButton* m_ok;
    QPushButton* m_cancel;
};

} // namespace kszw
