// Backing up and restoring the year data of an account set. A backup is a copy of one year file
// made through the engine ("2026-20261206-1530.ksk.bak"), by default in the folder "备份" of the
// account set; a whole account set is backed up as one such copy of every year file, all with the
// same time. Restoring puts a backup in place of its year's file after the backup was checked like a
// login (it must be the year of the file it replaces) and the current file was kept as a copy
// ("…-before-restore.ksk.bak"); it never happens while another program has the file open.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kszw {

class CKszwEnv;
struct Clock;
struct Prompt;

// The backup folder of the logged-in account set: "<account set>/备份".
std::string defaultBackupFolder(const CKszwEnv& env);

enum class BackupScope {
    OpenYear,   // the logged-in year file
    AccountSet, // every year file of the account set
};

struct BackupResult {
    std::vector<std::string> files; // the copies made, in year order
    bool complete = false;          // every year asked for was copied
};

// Backs up the logged-in year (through its own connection) or every year file of its account set
// (the others read through read-only connections) into folder, created when missing. A year that
// cannot be copied is told and the others are still copied. Nothing is told on success.
BackupResult backupAccountData(CKszwEnv& env, BackupScope scope, const std::string& folder, const Clock& clock,
                               Prompt& prompt);

// The message after a backup: the folder and the names of the copies.
std::string backupDoneMessage(const BackupResult& result, const std::string& folder);

// A backup as its name describes it.
struct BackupEntry {
    std::string path;
    std::string name;
    int year = 0;
    std::string date;          // YYYYMMDD
    std::string time;          // HHMM
    int sequence = 1;          // the second backup in the same minute: 2 …
    bool beforeRestore = false; // the copy kept before a restore
};

// Reads a backup's name ("2026-20261206-1530.ksk.bak", "…-2.ksk.bak", "…-before-restore.ksk.bak");
// nothing when the name is not of that form.
std::optional<BackupEntry> parseBackupName(std::string_view name);

// The backups in folder, newest first (then by year); nothing when the folder is missing.
std::vector<BackupEntry> listBackups(const std::string& folder);

// "2026-12-06 15:30".
std::string backupTimeText(const BackupEntry& entry);

// The file of the year in the account-set folder: the existing one in whatever spelling of the
// extension, else "<folder>/2026.ksk".
std::string yearFileInSet(const std::string& folder, int year);

// The year a backup holds: the one its name gives, else the year of its header; 0 when neither
// can be read.
int backupYear(const std::string& path);

// A further check of a backup that passed the login's checks, opened on trial (its default
// operator): false stops the restore; it tells its own reason through the prompt.
using RestoreCheck = std::function<bool(CKszwEnv& trial, Prompt& prompt)>;

enum class RestoreOutcome {
    Refused,  // a check refused, or the backup could not be copied to be checked (told)
    Declined, // the user answered No
    Restored,
    Failed,   // putting it in place failed (told); the year file is as it was
};

struct RestoreResult {
    RestoreOutcome outcome = RestoreOutcome::Refused;
    std::string keptCopy; // the copy of the file as it was before, when there was one
};

// The messages of a restore.
std::string restoreQuestion(const std::string& backupPath, int year);
std::string restoreWrongYearMessage(const std::string& backupPath, int backupYear, int targetYear);
std::string restoreDoneMessage(int year, const std::string& keptCopy);

// A restore that passed its checks: the backup copied into a hidden folder beside the year file
// and checked there. The copy goes with the object unless complete() put it in place.
class PreparedRestore {
public:
    PreparedRestore(std::string backupPath, std::string target, int year, std::string folder, std::string prepared);
    ~PreparedRestore();
    PreparedRestore(PreparedRestore&& other) noexcept;
    PreparedRestore& operator=(PreparedRestore&&) = delete;
    PreparedRestore(const PreparedRestore&) = delete;
    PreparedRestore& operator=(const PreparedRestore&) = delete;

    const std::string& backupPath() const { return m_backupPath; }
    const std::string& target() const { return m_target; }
    int year() const { return m_year; }

    // Keeps the current target as a copy in its account set's backup folder, then puts the checked
    // copy in its place in one rename; refused while any connection holds target. Tells the outcome
    // (done, or the failure) through the prompt and asks nothing.
    RestoreResult complete(const Clock& clock, Prompt& prompt);

private:
    std::string m_backupPath;
    std::string m_target;
    int m_year = 0;
    std::string m_folder;   // the hidden folder, removed with the object
    std::string m_prepared; // the checked copy inside it
};

// The checks of restoring the year file target (the year in its name; the file may be missing)
// from a backup, in order: target's name and folder, the backup exists, target is not open in any
// program (left to complete() when targetOpenHere: this program's own login holds it until then),
// the backup copied beside target opens like a login of target's year, then check when given.
// Nothing when refused (told).
std::optional<PreparedRestore> prepareRestore(const std::string& backupPath, const std::string& target,
                                              Prompt& prompt, const RestoreCheck& check = {},
                                              bool targetOpenHere = false);

// The whole restore: prepareRestore, the question (No by default), complete().
RestoreResult restoreYearFile(const std::string& backupPath, const std::string& target, const Clock& clock,
                              Prompt& prompt, const RestoreCheck& check = {});

} // namespace kszw
