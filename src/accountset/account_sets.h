// Account sets: the folders that hold the year data files of one organisation each. The user's
// settings remember the account-set folders the user made or found; creating an account set makes
// its folder and the first year file; a folder's year files are those that open like a login.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kszw {

struct Clock;
struct UserSettings;

// The settings key of the known account-set folders, one folder per line.
inline constexpr std::string_view kAccountSetsKey = "AccountSets";

// The messages of creating an account set.
inline constexpr std::string_view kFolderInUse = "该路径已被岚屿穗用户使用！";
inline constexpr std::string_view kDriveUnavailable = "驱动器不可用或是空路径！";
inline constexpr std::string_view kCannotMakeFolder = "所给路径非法，不能建立目录";
inline constexpr std::string_view kAccountSetCreated = " 帐套建立成功！";

// The form a folder is remembered and compared in: absolute, symbolic links and "." / ".."
// resolved as far as the folder exists, no trailing "/"; empty for an empty path.
std::string canonicalFolder(std::string_view folder);

// The known account-set folders, in the order they became known.
std::vector<std::string> knownAccountSets(const UserSettings& settings);
// True when the folder (compared in canonical form) is a known account-set folder.
bool isKnownAccountSet(const UserSettings& settings, std::string_view folder);
// Adds the folder (in canonical form) to the known ones unless it is there already.
void rememberAccountSet(UserSettings& settings, std::string_view folder);

// Result of creating an account set.
struct AccountSetResult {
    bool ok = false;
    std::string message;  // the message to show (success or refusal)
    std::string filePath; // the new year data file when ok
};

// Creates an account set, checking in order: the folder is known or already holds year files;
// the path is empty, relative, or lies on a drive that cannot be reached; every missing level of
// the folder can be made. Then the year data file of the clock's year (or of year when not 0) is
// created with its initial content. On success the folder becomes known; a failure removes the
// folders this creation made and leaves no file.
AccountSetResult createAccountSet(const std::string& folder, const Clock& clock, UserSettings& settings,
                                  int year = 0);

// A year data file of a folder as the lists show it.
struct YearFileEntry {
    int year = 0;
    std::string path;
};

// The year data files of a folder ("*.ksk" in either case) that open like a login for operator
// "101" (each tried on a login state of its own, without messages), ordered by year.
std::vector<YearFileEntry> yearFilesOf(const std::string& folder);

// True when the file opens like a login for operator "101", without messages, on a login state
// and connection of its own (never the running login's).
bool opensAsYearFile(const std::string& path);

} // namespace kszw
