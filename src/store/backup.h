// Backup copies of year data files: the engine's online backup of a database into a new file,
// their timestamped names ("2026-20261206-1530.ksk.bak") in the account set's folder "备份",
// putting a prepared file in place of a year file, and the offer of a backup that operations which
// change a year for good (carry-forward, copying between account sets, month close) make first.
//
// Every copy is built under a hidden temporary name beside its final name and renamed when it is
// complete, never over an existing file: a failure or a kill leaves no half-written copy.
#pragma once

#include "common/dates.h"

#include <string>
#include <string_view>

namespace kszw {

class Database;
struct Clock;
struct Prompt;

// The folder of an account set that keeps its backups, and the ending of a backup's name.
inline constexpr std::string_view kBackupFolderName = "备份";
inline constexpr std::string_view kBackupSuffix = ".bak";
// A year on a server is not replaced by a file: the server's administrator restores it, or the
// file is pushed as a year the server does not hold.
inline constexpr std::string_view kServerRestoreRefused =
    "服务器上的年度不能用备份文件替换：请由服务器的管理员恢复，或删除该年度后用 kszw-cli push 把备份文件放回服务器。";

// What marks the copy of a year file kept just before a restore replaced it.
inline constexpr std::string_view kBeforeRestoreMark = "-before-restore";

// The moment a backup is named after.
struct BackupStamp {
    CivilDate day;
    int hour = 0;
    int minute = 0;
};

// Now: the day from the clock, the hour and minute from the computer's clock.
BackupStamp backupStampNow(const Clock& clock);

// "2026-20261206-1530.ksk.bak"; sequence > 1 adds "-2" … before the extension (a second backup in
// the same minute), beforeRestore adds "-before-restore".
std::string backupFileName(int year, const BackupStamp& stamp, int sequence = 1, bool beforeRestore = false);

// The backup folder of the account set that holds the year file: "<its folder>/备份".
std::string backupFolderFor(const std::string& yearFilePath);

// A path in folder for a backup of the year that no file has yet: the plain name, or the first free
// one of "-2", "-3" ….
std::string freeBackupPath(const std::string& folder, int year, const BackupStamp& stamp, bool beforeRestore = false);

// Creates the folder (and its parents) when missing; raises DatabaseError naming it.
void makeBackupFolder(const std::string& folder);

// Copies the database of an open connection into a new file at target with the engine's online
// backup (the copy holds exactly the source's rows, whatever other programs do meanwhile).
// Refuses an existing target (DatabaseError with EEXIST); raises DatabaseError for every failure.
void backupDatabase(Database& source, const std::string& target);
// The same for a database file that is not open here: it is read through a read-only connection.
void backupDatabaseFile(const std::string& source, const std::string& target);

// Backs up the year file of an open connection into folder (created when missing) under the
// year's timestamped name; returns the copy's path.
std::string backupYear(Database& db, int year, const std::string& folder, const Clock& clock);

// Puts the complete database file prepared (in the same file system as target) in place of the
// year file target, in one rename. Refused (fileInUseError) while any connection — of this program
// or another — holds target; target's write lock is held while it is replaced. When keepCopyAt is
// not empty the current target is first copied there (through the engine; byte for byte when the
// engine cannot read it). A missing target is simply created, never over a file made meanwhile.
void replaceDatabaseFile(const std::string& prepared, const std::string& target, const std::string& keepCopyAt);

enum class BackupOffer {
    BackedUp,  // Yes: the copy was made
    Skipped,   // No: go on without one
    Cancelled, // Cancel, or the copy failed (told): the operation does not start
};

// The question before an operation that changes the year for good.
std::string backupOfferQuestion(const std::string& folder);

// Asks whether to back up the open year first (Yes, No, Cancel; Yes by default); Yes backs it up
// into its account set's backup folder.
BackupOffer offerBackupFirst(Database& db, int year, const Clock& clock, Prompt& prompt);

} // namespace kszw
