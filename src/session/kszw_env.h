// CKszwEnv: the login state. It validates and opens a year data file, reads its header (SYSTAB),
// finds the operator and loads the operator's permission codes; every view and dialog reads the
// connection, the year and its dates and the operator from here.
//
// A login runs these steps; each one refuses with a code (login_codes.h) and its message:
//
//   validatePath ──► openFile ──────────────► confirmLogin ─────────────► completeLogin
//   name, extension,  connection, SYSTAB       operator chosen, file       permissions, schema
//   exists, folder,   header and year,         opens for it, password      upgrade of an older file,
//   read-only, hidden,the operator (or the     matches exactly             last file and operator
//   year in the name, default one)                                         remembered
//   opens as database
//
// The login dialog runs the first three on a trial state of its own while the user browses; the
// program then runs openFile and completeLogin on a fresh state and takes it over only when both
// succeeded, so a failed login leaves the running one untouched.
#pragma once

#include "session/login_codes.h"
#include "store/database.h"

#include <string>
#include <string_view>
#include <vector>

namespace kszw {

struct Prompt;
struct UserSettings;

// An operator as the login's drop-down lists it.
struct OperatorEntry {
    std::string code;
    std::string name;
};

class CKszwEnv {
public:
    CKszwEnv() = default;
    CKszwEnv(const CKszwEnv&) = delete;
    CKszwEnv& operator=(const CKszwEnv&) = delete;
    // A completed login is handed over whole (its connection with it).
    CKszwEnv(CKszwEnv&&) = default;
    CKszwEnv& operator=(CKszwEnv&&) = default;

    // Checks a path in the fixed order of the failure codes; on success (kLoginOk) the found path
    // (extension added when missing) and the year are set. Raises DatabaseError (SQLITE_BUSY)
    // when another program holds the file locked beyond the busy timeout.
    int validatePath(std::string_view path);
    // The same checks for a year on a server (a location "postgresql://…?year=Y").
    int validateServerLocation(const std::string& location);

    // Opens a year data file for login: validates it, opens the connection, reads the header and
    // finds the operator (an empty or unknown code takes the default operator). Messages go to the
    // prompt (a SilentPrompt for work "without messages"). The password is not compared here.
    // Raises DatabaseError when the file is busy or cannot be read (no login code fits).
    int openFile(std::string_view path, std::string_view operatorCode, Prompt& prompt);

    // Shows the message of a failure code; returns the code.
    int report(int code, Prompt& prompt);
    // The message of a failure code for the file last tried.
    std::string failureMessage(int code) const;

    // True when the typed password equals the operator's password exactly.
    bool passwordMatches(std::string_view typed) const { return typed == m_password; }

    // The last step of a login: loads the permission text, upgrades the tables of an older file
    // (SYSCSTAB, print settings), then remembers the file and operator in the user's settings (and
    // the file in the recent list). Raises DatabaseError; the settings are then left as they were.
    void completeLogin(UserSettings& settings);
    // Loads the operator's permission codes, each followed by one blank.
    void loadPermissions();
    // True when the operator holds the four-digit permission code.
    bool hasPermission(std::string_view code) const;

    // The operators of the open file in numeric order of their codes.
    std::vector<OperatorEntry> operators();

    // Changes the password of the logged-in operator at once.
    void setPassword(std::string password) { m_password = std::move(password); }
    // The logged-in operator's code and name after the operator was renamed.
    void setOperator(std::string code, std::string name)
    {
        m_operatorCode = std::move(code);
        m_operatorName = std::move(name);
    }

    void close();

    Database& db() { return m_db; }
    bool isOpen() const { return m_db.isOpen(); }
    bool isLoggedIn() const { return m_loggedIn; }
    const std::string& filePath() const { return m_filePath; }
    const std::string& foundPath() const { return m_foundPath; }
    const std::string& unitName() const { return m_unitName; }
    const std::string& chiefAccountant() const { return m_chiefAccountant; }
    int year() const { return m_year; }
    int closedMonths() const { return m_closedMonths; }
    const std::string& monthEndCode() const { return m_monthEndCode; }
    int monthEndValue() const;
    const std::string& yearStart() const { return m_yearStart; }
    const std::string& yearEnd() const { return m_yearEnd; }
    const std::string& operatorCode() const { return m_operatorCode; }
    const std::string& operatorName() const { return m_operatorName; }
    const std::string& operatorPassword() const { return m_password; }
    const std::string& permissionText() const { return m_permissions; }
    const std::string& expectedExtension() const { return m_extension; }
    // The first month that takes vouchers.
    int firstOpenMonth() const { return m_closedMonths + 1; }

    // Header values changed by the account-set information dialog.
    void setHeader(std::string unitName, std::string chief, std::string monthEnd, std::string yearStart,
                   std::string yearEnd);
    void setClosedMonths(int months) { m_closedMonths = months; }

private:
    std::string m_serverFailure; // the server's answer when a year on it could not be opened
    int readHeader();
    int findOperator(std::string_view operatorCode, Prompt& prompt);

    Database m_db;
    bool m_loggedIn = false;
    std::string m_filePath;
    std::string m_foundPath;
    std::string m_unitName;
    std::string m_chiefAccountant;
    int m_year = 0;
    int m_closedMonths = 0;
    std::string m_monthEndCode;
    std::string m_yearStart;
    std::string m_yearEnd;
    std::string m_operatorCode;
    std::string m_operatorName;
    std::string m_password;
    std::string m_permissions;
    std::string m_extension = "KSK";
    int m_headerYearForMessage = 0; // PY named by the year-mismatch message
};

// The file the login dialog starts with: a file named on the command line, or else the remembered
// file when it opens (tried without messages) for the remembered operator; empty when none.
std::string initialLoginFile(CKszwEnv& env, const UserSettings& settings, std::string_view commandLineFile);

// The checks of the login dialog's confirmation, in order: an operator is chosen, the file opens
// for that operator, the password matches exactly. Each refusal shows its message; true when the
// login may go on.
bool confirmLogin(CKszwEnv& env, std::string_view path, std::string_view operatorCode, std::string_view password,
                  Prompt& prompt);

} // namespace kszw
