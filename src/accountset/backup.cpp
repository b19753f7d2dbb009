// Backups of an account set's year files, their list, and restoring a year from one with its
// checks: the file free, the backup a year file of the right year that opens like a login, the
// question, the current file kept, the checked copy put in place.
#include "accountset/backup.h"

#include "accountset/account_sets.h"
#include "accountset/new_year.h"
#include "accountset/year_file.h"
#include "common/clock.h"
#include "common/prompt.h"
#include "common/text.h"
#include "session/kszw_env.h"
#include "session/login_codes.h"
#include "store/backup.h"
#include "store/database.h"
#include "store/database_error.h"
#include "store/error_messages.h"
#include "store/file_hold.h"
#include "store/location.h"
#include "store/server_years.h"
#include "store/year_file_name.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <regex>
#include <utility>

namespace kszw {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kHeaderYear = "SELECT PY FROM SYSTAB";

bool pathExists(const std::string& path)
{
    std::error_code error;
    return fs::exists(fs::symlink_status(path, error));
}

std::string fileNameOf(const std::string& path)
{
    return fs::path(path).filename().string();
}

// Copies a year into the folder under the stamp's name, or the next free one when another program
// took that name meanwhile; returns the copy's path.
std::string copyYear(const std::function<void(const std::string&)>& copy, const std::string& folder, int year,
                     const BackupStamp& stamp)
{
    for (int attempt = 1;; ++attempt) {
        const std::string path = freeBackupPath(folder, year, stamp);
        try {
            copy(path);
            return path;
        } catch (const DatabaseError& error) {
            if (error.systemError() != EEXIST || attempt >= 5)
                throw;
        }
    }
}

// The year files of a folder, by year.
std::vector<std::pair<int, std::string>> yearFilesIn(const std::string& folder)
{
    std::vector<std::pair<int, std::string>> files;
    // The years of an account set on a server are its database's years.
    if (isServerLocation(folder)) {
        for (int year : serverYears(folder))
            files.emplace_back(year, placeOfYear(folder, year));
        return files;
    }
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        std::error_code kind;
        if (isYearFileName(name) && it->is_regular_file(kind))
            files.emplace_back(std::atoi(name.substr(0, 4).c_str()), it->path().string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

bool sameFile(const std::string& a, const std::string& b)
{
    if (isServerLocation(a) || isServerLocation(b))
        return canonicalFolder(a) == canonicalFolder(b) && yearOfPlace(a) == yearOfPlace(b);
    std::error_code error;
    return fs::equivalent(a, b, error) && !error;
}

// Makes a hidden folder beside the year file where its replacement is prepared; returns its path.
std::string makePreparingFolder(const std::string& besideFolder)
{
    std::string pattern = (fs::path(besideFolder) / ".kszw-restore-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        const int error = errno;
        throw DatabaseError(std::strerror(error), 0, besideFolder, error);
    }
    return pattern;
}

int headerYearOf(const std::string& path)
{
    try {
        Database db = Database::openReadOnly(path);
        return db.queryLongOrZero(kHeaderYear);
    } catch (const DatabaseError&) {
        return 0;
    }
}

// The backup copied to prepared and checked like a login of the year; false when refused (told).
bool checkPrepared(const std::string& backupPath, const std::string& prepared, int year, Prompt& prompt,
                   const RestoreCheck& check)
{
    CKszwEnv trial;
    SilentPrompt silent;
    int code = kCannotOpen;
    try {
        code = trial.openFile(prepared, "", silent);
    } catch (const DatabaseError& error) {
        prompt.warn(userMessage(error, backupPath));
        return false;
    }
    if (code == kYearMismatch) {
        trial.close();
        prompt.warn(restoreWrongYearMessage(backupPath, headerYearOf(prepared), year));
        return false;
    }
    if (code != kLoginOk) {
        prompt.warn("备份“" + backupPath + "”不能恢复：" + trial.failureMessage(code));
        return false;
    }
    return !check || check(trial, prompt);
}

} // namespace

std::string defaultBackupFolder(const CKszwEnv& env)
{
    // A year on a server keeps its backups in the user's data folder.
    if (isServerLocation(env.filePath()))
        return backupFolderFor(env.filePath());
    return (fs::path(accountSetFolder(env)) / std::string(kBackupFolderName)).string();
}

BackupResult backupAccountData(CKszwEnv& env, BackupScope scope, const std::string& folder, const Clock& clock,
                               Prompt& prompt)
{
    BackupResult result;
    try {
        makeBackupFolder(folder);
    } catch (const DatabaseError& error) {
        prompt.warn(userMessage(error, folder));
        return result;
    }
    const BackupStamp stamp = backupStampNow(clock);
    std::vector<std::pair<int, std::string>> years;
    if (scope == BackupScope::OpenYear)
        years.emplace_back(env.year(), env.filePath());
    else {
        try {
            years = yearFilesIn(accountSetFolder(env));
        } catch (const DatabaseError& error) {
            prompt.warn(userMessage(error, accountSetFolder(env)));
            return result;
        }
    }
    result.complete = !years.empty();
    for (const auto& [year, path] : years) {
        const bool open = sameFile(path, env.filePath());
        try {
            result.files.push_back(copyYear(
                [&, path = path](const std::string& target) {
                    if (open)
                        backupDatabase(env.db(), target);
                    else
                        backupDatabaseFile(path, target);
                },
                folder, year, stamp));
        } catch (const DatabaseError& error) {
            prompt.warn(userMessage(error, path));
            result.complete = false;
        }
    }
    return result;
}

std::string backupDoneMessage(const BackupResult& result, const std::string& folder)
{
    std::string message = "帐务数据已备份到“" + folder + "”：";
    for (const std::string& file : result.files)
        message += "\r    " + fileNameOf(file);
    return message;
}

std::optional<BackupEntry> parseBackupName(std::string_view name)
{
    static const std::regex pattern("([0-9]{4,9})-([0-9]{8})-([0-9]{2})([0-9]{2})(-([0-9]{1,6}))?(-before-restore)?"
                                    "\\.ksk\\.bak",
                                    std::regex::icase);
    std::cmatch match;
    if (!std::regex_match(name.data(), name.data() + name.size(), match, pattern))
        return std::nullopt;
    const int hour = std::atoi(match[3].str().c_str());
    const int minute = std::atoi(match[4].str().c_str());
    if (!isValidDate(match[2].str()) || hour > 23 || minute > 59)
        return std::nullopt;
    BackupEntry entry;
    entry.name = std::string(name);
    entry.year = std::atoi(match[1].str().c_str());
    entry.date = match[2].str();
    entry.time = match[3].str() + match[4].str();
    entry.sequence = match[6].matched ? std::atoi(match[6].str().c_str()) : 1;
    entry.beforeRestore = match[7].matched;
    return entry;
}

std::vector<BackupEntry> listBackups(const std::string& folder)
{
    std::vector<BackupEntry> entries;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        std::error_code kind;
        if (!it->is_regular_file(kind))
            continue;
        if (std::optional<BackupEntry> entry = parseBackupName(it->path().filename().string())) {
            entry->path = it->path().string();
            entries.push_back(std::move(*entry));
        }
    }
    std::sort(entries.begin(), entries.end(), [](const BackupEntry& a, const BackupEntry& b) {
        if (a.date != b.date)
            return a.date > b.date;
        if (a.time != b.time)
            return a.time > b.time;
        if (a.sequence != b.sequence)
            return a.sequence > b.sequence;
        if (a.year != b.year)
            return a.year < b.year;
        return a.name < b.name;
    });
    return entries;
}

std::string backupTimeText(const BackupEntry& entry)
{
    if (entry.date.size() != 8 || entry.time.size() != 4)
        return {};
    return entry.date.substr(0, 4) + "-" + entry.date.substr(4, 2) + "-" + entry.date.substr(6, 2) + " "
           + entry.time.substr(0, 2) + ":" + entry.time.substr(2, 2);
}

std::string yearFileInSet(const std::string& folder, int year)
{
    const std::string wanted = yearFileName(year);
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        if (equalsIgnoreCase(it->path().filename().string(), wanted))
            return it->path().string();
    return (fs::path(folder) / wanted).string();
}

int backupYear(const std::string& path)
{
    if (std::optional<BackupEntry> entry = parseBackupName(fileNameOf(path)))
        return entry->year;
    return headerYearOf(path);
}

std::string restoreQuestion(const std::string& backupPath, int year)
{
    return "真的要用备份“" + fileNameOf(backupPath) + "”恢复“" + std::to_string(year)
           + "”年的帐务数据吗？\r\r现有的帐务数据先另存为备份，然后被备份中的数据取代。";
}

std::string restoreWrongYearMessage(const std::string& backupPath, int backupYear, int targetYear)
{
    return "备份“" + backupPath + "”是“" + std::to_string(backupYear) + "”年的帐务数据，不能恢复为“"
           + std::to_string(targetYear) + "”年的帐务数据！";
}

std::string restoreDoneMessage(int year, const std::string& keptCopy)
{
    std::string message = "“" + std::to_string(year) + "”年的帐务数据已从备份恢复！";
    if (!keptCopy.empty())
        message += "\r恢复前的帐务数据已另存为“" + keptCopy + "”。";
    return message;
}

PreparedRestore::PreparedRestore(std::string backupPath, std::string target, int year, std::string folder,
                                 std::string prepared)
    : m_backupPath(std::move(backupPath)), m_target(std::move(target)), m_year(year), m_folder(std::move(folder)),
      m_prepared(std::move(prepared))
{
}

PreparedRestore::~PreparedRestore()
{
    if (m_folder.empty())
        return;
    std::error_code ignored;
    fs::remove_all(m_folder, ignored);
}

PreparedRestore::PreparedRestore(PreparedRestore&& other) noexcept
    : m_backupPath(std::move(other.m_backupPath)), m_target(std::move(other.m_target)), m_year(other.m_year),
      m_folder(std::exchange(other.m_folder, {})), m_prepared(std::move(other.m_prepared))
{
}

RestoreResult PreparedRestore::complete(const Clock& clock, Prompt& prompt)
{
    RestoreResult result;
    result.outcome = RestoreOutcome::Failed;
    if (m_folder.empty())
        return result; // completed before
    try {
        std::string kept;
        if (pathExists(m_target)) {
            const std::string keepFolder = backupFolderFor(m_target);
            makeBackupFolder(keepFolder);
            kept = freeBackupPath(keepFolder, m_year, backupStampNow(clock), true);
        }
        replaceDatabaseFile(m_prepared, m_target, kept);
        result.keptCopy = kept;
    } catch (const DatabaseError& failure) {
        prompt.warn(userMessage(failure, m_target));
        return result;
    }
    result.outcome = RestoreOutcome::Restored;
    prompt.tell(restoreDoneMessage(m_year, result.keptCopy), Icon::Information, kMessageCaption);
    return result;
}

std::optional<PreparedRestore> prepareRestore(const std::string& backupPath, const std::string& target,
                                              Prompt& prompt, const RestoreCheck& check, bool targetOpenHere)
{
    const fs::path targetFile(target);
    const std::string name = targetFile.filename().string();
    if (!isYearFileName(name)) {
        prompt.warn("“" + target + "”不是年度帐务数据文件的名称（如“2026.ksk”）！");
        return std::nullopt;
    }
    const int year = std::atoi(name.substr(0, 4).c_str());
    const std::string folder = targetFile.parent_path().empty() ? std::string(".") : targetFile.parent_path().string();
    std::error_code error;
    if (!fs::is_directory(folder, error)) {
        prompt.warn("帐套文件夹“" + folder + "”不存在！");
        return std::nullopt;
    }
    if (!fs::is_regular_file(backupPath, error)) {
        prompt.warn("备份文件“" + backupPath + "”不存在！");
        return std::nullopt;
    }
    // A file another program has open is refused before anything is asked or copied.
    if (!targetOpenHere && pathExists(target) && !FileHold::exclusive(target)) {
        prompt.warn(userMessage(fileInUseError(target), target));
        return std::nullopt;
    }
    std::string preparingFolder;
    try {
        preparingFolder = makePreparingFolder(folder);
    } catch (const DatabaseError& failure) {
        prompt.warn(userMessage(failure, target));
        return std::nullopt;
    }
    const std::string prepared = (fs::path(preparingFolder) / yearFileName(year)).string();
    PreparedRestore restore(backupPath, target, year, preparingFolder, prepared);
    try {
        backupDatabaseFile(backupPath, prepared);
    } catch (const DatabaseError& failure) {
        prompt.warn(userMessage(failure, failure.path() == backupPath ? backupPath : target));
        return std::nullopt;
    }
    if (!checkPrepared(backupPath, prepared, year, prompt, check))
        return std::nullopt;
    return restore;
}

RestoreResult restoreYearFile(const std::string& backupPath, const std::string& target, const Clock& clock,
                              Prompt& prompt, const RestoreCheck& check)
{
    RestoreResult result;
    std::optional<PreparedRestore> restore = prepareRestore(backupPath, target, prompt, check);
    if (!restore)
        return result;
    if (prompt.ask(restoreQuestion(backupPath, restore->year()), Buttons::YesNo, Answer::No, Icon::Question,
                   kMessageCaption)
        != Answer::Yes) {
        result.outcome = RestoreOutcome::Declined;
        return result;
    }
    return restore->complete(clock, prompt);
}

} // namespace kszw
