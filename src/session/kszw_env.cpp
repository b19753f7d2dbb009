#include "session/kszw_env.h"

#include "common/prompt.h"
#include "common/text.h"
#include "session/user_settings.h"
#include "store/database_error.h"
#include "store/error_messages.h"
#include "store/ks_dbset.h"
#include "store/location.h"
#include "store/schema_upgrade.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace kszw {

namespace {

constexpr std::string_view kCountHeader = "SELECT COUNT(*) FROM SYSTAB";
constexpr std::string_view kReadHeader = "SELECT rtrim(NA),rtrim(KJ),PY,MM,JT,T1,T13 FROM SYSTAB";
constexpr std::string_view kCountOperator = "select count(*) from opr where opno=?1";
constexpr std::string_view kReadOperator = "select trim(na),trim(psd) from opr where opno=?1";
constexpr std::string_view kCountOperators = "select count(*) from opr";
constexpr std::string_view kListOperators = "select trim(opno),trim(na),trim(psd) from opr order by opno";
constexpr std::string_view kOperatorsByNumber = "SELECT trim(opno),trim(na) FROM opr ORDER BY val(opno),opno";
constexpr std::string_view kCountRights = "select count(*) from pwr where opno = ?1";
constexpr std::string_view kReadRights = "select trim(pwr) from pwr where opno = ?1";

// The extension part of a file name ("" when none), and the name without it.
std::string_view extensionOf(std::string_view name)
{
    size_t dot = name.rfind('.');
    return dot == std::string_view::npos ? std::string_view() : name.substr(dot + 1);
}

std::string_view stemOf(std::string_view name)
{
    size_t dot = name.rfind('.');
    return dot == std::string_view::npos ? name : name.substr(0, dot);
}

bool fileExists(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

} // namespace

int CKszwEnv::report(int code, Prompt& prompt)
{
    prompt.warn(failureMessage(code));
    return code;
}

std::string CKszwEnv::failureMessage(int code) const
{
    std::string extension(extensionOf(std::filesystem::path(m_foundPath).filename().string()));
    if (isServerLocation(m_foundPath))
        extension = toLowerAscii(m_extension);
    std::string message = loginMessage(code, m_headerYearForMessage, extension.empty() ? m_extension : extension);
    if (code == kCannotOpen && !m_serverFailure.empty())
        message += "\r" + m_serverFailure;
    return message;
}

int CKszwEnv::validatePath(std::string_view rawPath)
{
    std::string path = trimWhitespace(rawPath);
    if (path.empty())
        return kEmptyFileName;
    if (isServerLocation(path))
        return validateServerLocation(path);

    std::filesystem::path file(path);
    std::string name = file.filename().string();
    if (name.empty()) {
        // A path ending in "/" names a folder (or nothing).
        struct stat info {};
        if (::stat(path.c_str(), &info) != 0)
            return kFileMissing;
        return S_ISDIR(info.st_mode) ? kIsFolder : kFileMissing;
    }
    if (name.find('.') == std::string::npos || name.back() == '.') {
        // The year data files of an account set carry the extension in small letters; a name
        // given without one takes whichever spelling exists.
        std::string base = name.back() == '.' ? path : path + ".";
        std::string lower = base + toLowerAscii(m_extension);
        std::string upper = base + m_extension;
        path = !fileExists(lower) && fileExists(upper) ? upper : lower;
        file = path;
        name = file.filename().string();
    } else if (!equalsIgnoreCase(extensionOf(name), m_extension)) {
        return kWrongExtension;
    }

    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return kFileMissing;
    if (S_ISDIR(info.st_mode))
        return kIsFolder;
    // Read-only: no write bit at all (this holds for root too, who may write anything), or this
    // user may not write the file (it belongs to another user).
    if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || ::access(path.c_str(), W_OK) != 0)
        return kReadOnlyFile;
    // No file is a system file here; a name starting with "." is hidden.
    if (!name.empty() && name[0] == '.')
        return kHiddenFile;

    std::string_view stem = stemOf(name);
    if (!isAllDigits(stem) || stem.size() > 9 || std::atoi(std::string(stem).c_str()) < 1990)
        return kBadYearName;
    int year = std::atoi(std::string(stem).c_str());

    try {
        Database trial = Database::open(path);
    } catch (const DatabaseError& error) {
        // A file another program holds locked is not "unopenable": that is told as it is.
        if (classifyFailure(error) == StoreFailure::Busy)
            throw;
        return kCannotOpen;
    }
    m_foundPath = path;
    m_year = year;
    return kLoginOk;
}

int CKszwEnv::validateServerLocation(const std::string& text)
{
    // A year on a server answers the checks of a file: no such database or year is a missing
    // file, a server that cannot be reached a file that cannot be opened.
    m_serverFailure.clear();
    const std::optional<ServerLocation> location = parseServerLocation(text);
    if (!location || location->year == 0)
        return kFileMissing;
    const std::string path = serverLocationText(*location);
    try {
        Database trial = Database::open(path);
    } catch (const DatabaseError& error) {
        if (classifyFailure(error) == StoreFailure::Busy)
            throw;
        if (error.systemError() == ENOENT)
            return kFileMissing;
        // Why the server could not be reached is told with the message.
        m_serverFailure = error.what();
        return kCannotOpen;
    }
    m_foundPath = path;
    m_year = location->year;
    return kLoginOk;
}

int CKszwEnv::openFile(std::string_view path, std::string_view operatorCode, Prompt& prompt)
{
    m_loggedIn = false;
    m_headerYearForMessage = 0;
    int code = validatePath(path);
    if (code != kLoginOk)
        return report(code, prompt);

    close();
    try {
        m_db = Database::open(m_foundPath);
    } catch (const DatabaseError&) {
        return report(kCannotOpen, prompt);
    }
    m_operatorCode = trim(operatorCode);

    try {
        code = readHeader();
        if (code == kLoginOk)
            code = findOperator(m_operatorCode, prompt);
    } catch (const DatabaseError& error) {
        // A database without our tables, or with tables of another layout, has no header; a file
        // that is busy, damaged or cannot be read is an error of its own, which the caller shows.
        const StoreFailure failure = classifyFailure(error);
        if (failure != StoreFailure::MissingTable && failure != StoreFailure::Other) {
            close();
            throw;
        }
        code = kNoHeader;
    }
    if (code != kLoginOk) {
        close();
        return report(code, prompt);
    }
    m_loggedIn = true;
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(m_foundPath, error);
    m_filePath = error || isServerLocation(m_foundPath) ? m_foundPath : absolute.lexically_normal().string();
    return kLoginOk;
}

int CKszwEnv::readHeader()
{
    if (!m_db.tableExists("SYSTAB") || m_db.queryLong(kCountHeader) == 0)
        return kNoHeader;
    KS_Dbset header(m_db);
    header.open(kReadHeader);
    int headerYear = header.longAt(2);
    if (headerYear != m_year) {
        m_headerYearForMessage = headerYear;
        return kYearMismatch;
    }
    m_unitName = header.textAt(0);
    m_chiefAccountant = header.textAt(1);
    m_closedMonths = header.longAt(3);
    m_monthEndCode = trim(header.textAt(4));
    m_yearStart = trim(header.textAt(5));
    m_yearEnd = trim(header.textAt(6));
    return kLoginOk;
}

int CKszwEnv::findOperator(std::string_view operatorCode, Prompt& prompt)
{
    if (!operatorCode.empty()) {
        const std::string code(operatorCode);
        if (m_db.queryLong(kCountOperator, {code}) > 0) {
            KS_Dbset op(m_db);
            op.open(kReadOperator, {code});
            m_operatorName = op.textAt(0);
            m_password = op.textAt(1);
            return kLoginOk;
        }
        report(kUnknownOperator, prompt);
    }
    // The default operator: the first in code order, or the second when the first is the
    // administrator 101.
    if (m_db.queryLong(kCountOperators) == 0)
        return kNoOperators;
    KS_Dbset list(m_db);
    list.open(kListOperators);
    if (list.textAt(0) == "101") {
        list.moveNext();
        if (list.isEOF()) {
            list.close();
            list.open(kListOperators);
        }
    }
    m_operatorCode = list.textAt(0);
    m_operatorName = list.textAt(1);
    m_password = list.textAt(2);
    return kLoginOk;
}

void CKszwEnv::loadPermissions()
{
    m_permissions.clear();
    if (m_db.queryLong(kCountRights, {m_operatorCode}) == 0)
        return;
    KS_Dbset rights(m_db);
    for (rights.open(kReadRights, {m_operatorCode}); !rights.isEOF(); rights.moveNext()) {
        // An operator created without rights has a row with no code.
        if (rights.isNullAt(0) || rights.textAt(0).empty())
            continue;
        m_permissions += rights.textAt(0) + " ";
    }
}

void CKszwEnv::completeLogin(UserSettings& settings)
{
    loadPermissions();
    // The file is brought into shape before anything is remembered of it.
    upgradeYearFile(m_db);
    settings.setValue(kDataDirKey, m_filePath);
    settings.setValue(kOperatorKey, m_operatorCode);
    rememberRecentFile(settings, m_filePath);
}

bool CKszwEnv::hasPermission(std::string_view code) const
{
    return !code.empty() && m_permissions.find(code) != std::string::npos;
}

std::vector<OperatorEntry> CKszwEnv::operators()
{
    std::vector<OperatorEntry> result;
    KS_Dbset list(m_db);
    for (list.open(kOperatorsByNumber); !list.isEOF(); list.moveNext())
        result.push_back({list.textAt(0), list.textAt(1)});
    return result;
}

void CKszwEnv::close()
{
    m_db.close();
    m_loggedIn = false;
}

int CKszwEnv::monthEndValue() const
{
    return std::atoi(m_monthEndCode.c_str());
}

void CKszwEnv::setHeader(std::string unitName, std::string chief, std::string monthEnd, std::string yearStart,
                         std::string yearEnd)
{
    m_unitName = std::move(unitName);
    m_chiefAccountant = std::move(chief);
    m_monthEndCode = std::move(monthEnd);
    m_yearStart = std::move(yearStart);
    m_yearEnd = std::move(yearEnd);
}

std::string initialLoginFile(CKszwEnv& env, const UserSettings& settings, std::string_view commandLineFile)
{
    if (!trimWhitespace(commandLineFile).empty())
        return trimWhitespace(commandLineFile);
    std::optional<std::string> file = settings.value(kDataDirKey);
    if (!file || file->empty())
        return {};
    std::optional<std::string> op = settings.value(kOperatorKey);
    SilentPrompt silent;
    if (env.openFile(*file, op.value_or(""), silent) != kLoginOk)
        return {};
    return env.filePath();
}

bool confirmLogin(CKszwEnv& env, std::string_view path, std::string_view operatorCode, std::string_view password,
                  Prompt& prompt)
{
    if (trim(operatorCode).empty()) {
        prompt.warn(kNoOperatorChosen);
        return false;
    }
    if (env.openFile(path, operatorCode, prompt) != kLoginOk)
        return false;
    // An operator that is not in the file was reported; the default one is not what was chosen.
    if (env.operatorCode() != trim(operatorCode))
        return false;
    if (!env.passwordMatches(password)) {
        prompt.warn(kWrongPassword);
        return false;
    }
    return true;
}

} // namespace kszw
