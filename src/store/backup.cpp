// Backup copies through the engine's online backup, their names, and putting a prepared file in
// place of a year file. Engine-specific: the backup API and the engine's lock on the replaced file.
#include "store/backup.h"

#include "common/clock.h"
#include "common/prompt.h"
#include "common/text.h"
#include "store/database.h"
#include "store/database_error.h"
#include "store/error_messages.h"
#include "store/file_hold.h"
#include "store/location.h"
#include "store/table_copy.h"
#include "store/transaction.h"
#include "store/year_file_name.h"

#include <sqlite3.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace kszw {

namespace fs = std::filesystem;

namespace {

// How often a backup tries again while another program writes the source, and how long it waits
// between tries (beyond the busy timeout of the source connection).
constexpr int kBackupRetries = 20;
constexpr int kBackupRetryWaitMs = 100;
// How long replacing a year file waits for another program's write lock before it says so.
constexpr int kReplaceBusyTimeoutMs = 300;

DatabaseError systemError(int error, const std::string& path)
{
    return DatabaseError(std::strerror(error), 0, path, error);
}

bool pathExists(const std::string& path)
{
    std::error_code error;
    return fs::exists(fs::symlink_status(path, error));
}

// Claims a hidden, empty file beside target for building it; returns its path.
std::string claimTemporary(const std::string& target)
{
    const fs::path file(target);
    std::string pattern = (file.parent_path() / ("." + file.filename().string() + ".XXXXXX")).string();
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0)
        throw systemError(errno, target);
    // The usual permissions of a new file (mkstemp gives the owner alone): other programs of the
    // account set, and other users sharing it, open copies and restored years as before.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    ::close(fd);
    return pattern;
}

// Removes a temporary file (and the engine's journal of it) unless it was moved into place.
class TemporaryFile {
public:
    explicit TemporaryFile(std::string path) : m_path(std::move(path)) {}
    ~TemporaryFile()
    {
        if (m_path.empty())
            return;
        ::unlink(m_path.c_str());
        ::unlink((m_path + "-journal").c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    const std::string& path() const { return m_path; }
    void release() { m_path.clear(); }

private:
    std::string m_path;
};

// Makes a rename in the folder durable; best effort.
void syncFolder(const std::string& path)
{
    const std::string folder = fs::path(path).parent_path().string();
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

void syncFile(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

// Moves a complete file to its final name, never over an existing file.
void placeWithoutReplacing(const std::string& from, const std::string& to)
{
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        syncFolder(to);
        return;
    }
    const int error = errno;
    // A file system without the flag: the name is checked, then taken.
    if (error != EINVAL && error != ENOSYS && error != ENOTSUP)
        throw systemError(error, to);
    if (pathExists(to))
        throw systemError(EEXIST, to);
    if (::rename(from.c_str(), to.c_str()) != 0)
        throw systemError(errno, to);
    syncFolder(to);
}

// Copies every page of source into dest through the backup API; errors name source or target.
void copyPages(Database& source, Database& dest, const std::string& target)
{
    sqlite3_backup* backup = sqlite3_backup_init(dest.handle(), "main", source.handle(), "main");
    if (!backup)
        throw DatabaseError(sqlite3_errmsg(dest.handle()), sqlite3_errcode(dest.handle()) & 0xff, target);
    int rc = SQLITE_OK;
    for (int tries = 0;; ++tries) {
        rc = sqlite3_backup_step(backup, -1);
        if (rc == SQLITE_DONE)
            break;
        const int primary = rc & 0xff;
        if ((primary == SQLITE_BUSY || primary == SQLITE_LOCKED) && tries < kBackupRetries) {
            sqlite3_sleep(kBackupRetryWaitMs);
            continue;
        }
        break;
    }
    sqlite3_backup_finish(backup);
    if (rc == SQLITE_DONE)
        return;
    const int primary = rc & 0xff;
    // Locks, damage and foreign files are the source's; anything else (full disk …) the copy's.
    const bool sourceFault = primary == SQLITE_BUSY || primary == SQLITE_LOCKED || primary == SQLITE_CORRUPT
                             || primary == SQLITE_NOTADB;
    throw DatabaseError(sqlite3_errstr(rc), primary, sourceFault ? source.path() : target);
}

// A byte-for-byte copy of a file the engine cannot read, built safely like every copy.
void copyFileBytes(const std::string& source, const std::string& target)
{
    if (pathExists(target))
        throw systemError(EEXIST, target);
    TemporaryFile temporary(claimTemporary(target));
    std::error_code error;
    fs::copy_file(source, temporary.path(), fs::copy_options::overwrite_existing, error);
    if (error)
        throw DatabaseError(error.message(), 0, source, error.value());
    syncFile(temporary.path());
    placeWithoutReplacing(temporary.path(), target);
    temporary.release();
}

bool unreadable(const DatabaseError& error)
{
    const StoreFailure failure = classifyFailure(error);
    return failure == StoreFailure::NotADatabase || failure == StoreFailure::Corrupt;
}

} // namespace

BackupStamp backupStampNow(const Clock& clock)
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return BackupStamp{clock.today(), local.tm_hour, local.tm_min};
}

std::string backupFileName(int year, const BackupStamp& stamp, int sequence, bool beforeRestore)
{
    std::string name = format("%d-%s-%02d%02d", year, makeDate(stamp.day).c_str(), stamp.hour, stamp.minute);
    if (sequence > 1)
        name += format("-%d", sequence);
    if (beforeRestore)
        name += kBeforeRestoreMark;
    return name + std::string(kYearFileSuffix) + std::string(kBackupSuffix);
}

std::string backupFolderFor(const std::string& yearFilePath)
{
    // A year on a server has no folder here: its backups go to the user's data folder, one
    // folder per server database.
    if (std::optional<ServerLocation> location = parseServerLocation(yearFilePath)) {
        const char* dataHome = std::getenv("XDG_DATA_HOME");
        const char* home = std::getenv("HOME");
        const fs::path base = dataHome && *dataHome ? fs::path(dataHome)
                                                    : fs::path(home && *home ? home : "/tmp") / ".local" / "share";
        return (base / "kszw" / std::string(kBackupFolderName)
                / (location->host + "_" + std::to_string(location->port) + "_" + location->database))
            .string();
    }
    std::error_code error;
    fs::path file = fs::absolute(yearFilePath, error);
    if (error)
        file = yearFilePath;
    return (file.lexically_normal().parent_path() / std::string(kBackupFolderName)).string();
}

std::string freeBackupPath(const std::string& folder, int year, const BackupStamp& stamp, bool beforeRestore)
{
    for (int sequence = 1;; ++sequence) {
        const std::string path = (fs::path(folder) / backupFileName(year, stamp, sequence, beforeRestore)).string();
        if (!pathExists(path))
            return path;
    }
}

void makeBackupFolder(const std::string& folder)
{
    std::error_code error;
    if (fs::is_directory(folder, error))
        return;
    fs::create_directories(folder, error);
    if (error)
        throw DatabaseError(error.message(), 0, folder, error.value());
    if (!fs::is_directory(folder, error))
        throw systemError(ENOTDIR, folder);
}

void backupDatabase(Database& source, const std::string& target)
{
    if (pathExists(target))
        throw systemError(EEXIST, target);
    TemporaryFile temporary(claimTemporary(target));
    if (source.onServer()) {
        // A year on a server is copied table by table into a new year file, read under the
        // year's write lock so the copy is of one moment.
        Database copy = Database::open(temporary.path());
        ReadSnapshot reading(source);
        Transaction writing(copy);
        copyYearInto(source, copy);
        writing.commit();
    } else {
        Database copy = Database::open(temporary.path());
        copyPages(source, copy, target);
    }
    placeWithoutReplacing(temporary.path(), target);
    temporary.release();
}

void backupDatabaseFile(const std::string& source, const std::string& target)
{
    Database db = Database::openReadOnly(source);
    backupDatabase(db, target);
}

std::string backupYear(Database& db, int year, const std::string& folder, const Clock& clock)
{
    makeBackupFolder(folder);
    // Another program may take the same name in the same minute: the next free one is taken then.
    for (int attempt = 1;; ++attempt) {
        const std::string path = freeBackupPath(folder, year, backupStampNow(clock));
        try {
            backupDatabase(db, path);
            return path;
        } catch (const DatabaseError& error) {
            if (error.systemError() != EEXIST || attempt >= 5)
                throw;
        }
    }
}

void replaceDatabaseFile(const std::string& prepared, const std::string& target, const std::string& keepCopyAt)
{
    if (isServerLocation(target))
        throw DatabaseError(std::string(kServerRestoreRefused), 0, target);
    if (!pathExists(target)) {
        placeWithoutReplacing(prepared, target);
        return;
    }
    // No connection of any program may have the file open while it is replaced.
    const std::optional<FileHold> only = FileHold::exclusive(target);
    if (!only)
        throw fileInUseError(target);
    // The engine's write lock besides: nobody writes the file while its copy is kept and it is
    // replaced. Taking it also rolls back what a crashed program left in the file's journal.
    std::optional<Database> lock;
    std::optional<Transaction> writing;
    bool readable = true;
    try {
        lock.emplace(Database::open(target));
        lock->setBusyTimeout(kReplaceBusyTimeoutMs);
        writing.emplace(*lock);
    } catch (const DatabaseError& error) {
        if (!unreadable(error))
            throw;
        readable = false;
        writing.reset();
        lock.reset();
    }
    if (!keepCopyAt.empty()) {
        bool copied = false;
        if (readable) {
            try {
                backupDatabaseFile(target, keepCopyAt);
                copied = true;
            } catch (const DatabaseError& error) {
                if (!unreadable(error))
                    throw;
            }
        }
        if (!copied)
            copyFileBytes(target, keepCopyAt);
    }
    if (!readable) {
        // A journal left beside a damaged file must not be played into the new one.
        const std::string journal = target + "-journal";
        if (pathExists(journal) && ::unlink(journal.c_str()) != 0)
            throw systemError(errno, journal);
    }
    // The restored year keeps the permissions of the file it replaces.
    struct stat replaced {};
    if (::stat(target.c_str(), &replaced) == 0)
        ::chmod(prepared.c_str(), replaced.st_mode & 07777);
    if (::rename(prepared.c_str(), target.c_str()) != 0)
        throw systemError(errno, target);
    syncFolder(target);
}

std::string backupOfferQuestion(const std::string& folder)
{
    return "进行此操作前，先把本年度帐务数据备份到“" + folder
           + "”吗？\r\r选“否”不备份而继续，选“取消”不进行此操作。";
}

BackupOffer offerBackupFirst(Database& db, int year, const Clock& clock, Prompt& prompt)
{
    const std::string folder = backupFolderFor(db.path());
    const Answer answer =
        prompt.ask(backupOfferQuestion(folder), Buttons::YesNoCancel, Answer::Yes, Icon::Question, kMessageCaption);
    if (answer == Answer::No)
        return BackupOffer::Skipped;
    if (answer != Answer::Yes)
        return BackupOffer::Cancelled;
    try {
        backupYear(db, year, folder, clock);
    } catch (const DatabaseError& error) {
        prompt.warn(userMessage(error, folder));
        return BackupOffer::Cancelled;
    }
    return BackupOffer::BackedUp;
}

} // namespace kszw
