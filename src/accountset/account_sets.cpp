#include "accountset/account_sets.h"

#include "accountset/year_file.h"
#include "common/clock.h"
#include "common/prompt.h"
#include "common/text.h"
#include "session/kszw_env.h"
#include "session/user_settings.h"
#include "store/database_error.h"
#include "store/error_messages.h"
#include "store/location.h"
#include "store/server_years.h"
#include "store/year_file_name.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <optional>
#include <optional>
#include <sys/stat.h>

namespace kszw {

namespace fs = std::filesystem;

namespace {

std::string withoutTrailingSlash(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

std::vector<std::string> splitLines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        if (end > start)
            lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

// False when a level of the path exists but cannot be reached: a mount that does not answer
// (EIO, ENOTCONN, ESTALE …) or a folder this user may not enter. Levels that do not exist yet
// are to be made and say nothing about the drive.
bool driveAvailable(const fs::path& path)
{
    for (fs::path level = path;; level = level.parent_path()) {
        struct stat info {};
        if (::stat(level.c_str(), &info) == 0)
            return true;
        if (errno != ENOENT && errno != ENOTDIR && errno != ENAMETOOLONG)
            return false;
        if (level == level.parent_path() || level.empty())
            return true;
    }
}

// The year of a file that opens like a login for operator "101", tried without messages on a
// login state of its own; nothing when it does not open.
std::optional<int> trialYear(const std::string& path)
{
    CKszwEnv trial;
    SilentPrompt silent;
    try {
        if (trial.openFile(path, "101", silent) == kLoginOk)
            return trial.year();
    } catch (const DatabaseError&) {
        // Busy, damaged or unreadable: not a year file that can be used now.
    }
    return std::nullopt;
}

} // namespace

std::string canonicalFolder(std::string_view folder)
{
    const std::string trimmed = trimWhitespace(folder);
    if (trimmed.empty())
        return {};
    // An account set on a server is named by its location without a year.
    if (std::optional<ServerLocation> location = parseServerLocation(trimmed)) {
        location->year = 0;
        return serverLocationText(*location);
    }
    std::error_code error;
    fs::path path(trimmed);
    fs::path canonical = fs::weakly_canonical(fs::absolute(path, error), error);
    if (error)
        canonical = fs::absolute(path, error).lexically_normal();
    return withoutTrailingSlash(canonical.string());
}

std::vector<std::string> knownAccountSets(const UserSettings& settings)
{
    return splitLines(settings.value(kAccountSetsKey).value_or(""));
}

bool isKnownAccountSet(const UserSettings& settings, std::string_view folder)
{
    const std::string wanted = canonicalFolder(folder);
    for (const std::string& known : knownAccountSets(settings))
        if (known == wanted || canonicalFolder(known) == wanted)
            return true;
    return false;
}

void rememberAccountSet(UserSettings& settings, std::string_view folder)
{
    if (trimWhitespace(folder).empty() || isKnownAccountSet(settings, folder))
        return;
    std::string text = settings.value(kAccountSetsKey).value_or("");
    if (!text.empty() && text.back() != '\n')
        text += '\n';
    settings.setValue(kAccountSetsKey, text + canonicalFolder(folder));
}

namespace {

// An account set on a server is its database: the year is made there (and the database with it
// when the user may make databases); a database that holds years already is in use.
AccountSetResult createServerAccountSet(const std::string& text, const Clock& clock, UserSettings& settings, int year)
{
    AccountSetResult result;
    std::optional<ServerLocation> location = parseServerLocation(text);
    if (!location) {
        result.message = kDriveUnavailable;
        return result;
    }
    if (year == 0)
        year = location->year != 0 ? location->year : clock.today().year;
    location->year = 0;
    const std::string set = serverLocationText(*location);
    location->year = year;
    const std::string file = serverLocationText(*location);
    try {
        if (holdsYearFiles(set)) {
            result.message = kFolderInUse;
            return result;
        }
    } catch (const DatabaseError&) {
        // No database yet: it is made with the year.
    }
    try {
        createYearFile(file, year);
    } catch (const DatabaseError& failure) {
        result.message = userMessage(failure, file);
        return result;
    }
    rememberAccountSet(settings, set);
    result.ok = true;
    result.filePath = file;
    result.message = set + std::string(kAccountSetCreated);
    return result;
}

} // namespace

AccountSetResult createAccountSet(const std::string& folder, const Clock& clock, UserSettings& settings, int year)
{
    if (isServerLocation(folder))
        return createServerAccountSet(trimWhitespace(folder), clock, settings, year);
    AccountSetResult result;
    const std::string path = withoutTrailingSlash(trimWhitespace(folder));
    const bool absolute = !path.empty() && path.front() == '/';
    // A folder the user works in already, or one holding year files, is an account set of its own.
    if (absolute && (isKnownAccountSet(settings, path) || holdsYearFiles(path))) {
        result.message = kFolderInUse;
        return result;
    }
    if (!absolute || !driveAvailable(fs::path(path))) {
        result.message = kDriveUnavailable;
        return result;
    }
    // Make every level of the folder that does not exist yet, remembering them: a failure later
    // removes what this creation made.
    std::error_code error;
    const fs::path dir(path);
    std::vector<fs::path> made;
    for (fs::path level = dir; !level.empty() && !fs::exists(level, error); level = level.parent_path()) {
        made.push_back(level);
        if (level == level.parent_path())
            break;
    }
    auto removeMade = [&made] {
        std::error_code ignored;
        for (const fs::path& level : made) // deepest first
            fs::remove(level, ignored);
    };
    if (!fs::is_directory(dir, error)) {
        fs::create_directories(dir, error);
        if (error || !fs::is_directory(dir)) {
            // Appended piece by piece: GCC 12 at -O3 warns (wrongly) about the chained form.
            result.message = std::string(kCannotMakeFolder);
            result.message.append("\r“").append(path).append("”");
            if (error)
                result.message.append("\r").append(error.message());
            removeMade();
            return result;
        }
    }
    if (year == 0)
        year = clock.today().year;
    const std::string file = (dir / yearFileName(year)).string();
    try {
        createYearFile(file, year);
    } catch (const DatabaseError& failure) {
        result.message = userMessage(failure, file);
        removeMade();
        return result;
    }
    rememberAccountSet(settings, path);
    result.ok = true;
    result.filePath = file;
    result.message = path + std::string(kAccountSetCreated);
    return result;
}

bool opensAsYearFile(const std::string& path)
{
    return trialYear(path).has_value();
}

std::vector<YearFileEntry> yearFilesOf(const std::string& folder)
{
    std::vector<YearFileEntry> files;
    if (isServerLocation(folder)) {
        try {
            for (int year : serverYears(folder)) {
                const std::string place = placeOfYear(folder, year);
                if (trialYear(place) == year)
                    files.push_back({year, place});
            }
        } catch (const DatabaseError&) {
            // A server that cannot be reached lists no years, as a missing folder lists no files.
        }
        return files;
    }
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        const size_t dot = name.rfind('.');
        if (dot == std::string::npos || !equalsIgnoreCase(std::string_view(name).substr(dot), kYearFileSuffix))
            continue;
        if (std::optional<int> year = trialYear(it->path().string()))
            files.push_back({*year, it->path().string()});
    }
    std::sort(files.begin(), files.end(), [](const YearFileEntry& a, const YearFileEntry& b) {
        return a.year != b.year ? a.year < b.year : a.path < b.path;
    });
    return files;
}

} // namespace kszw
