#include "accountset/account_set_search.h"

#include "accountset/account_sets.h"
#include "common/text.h"

#include <algorithm>
#include <cstdlib>
#include <dirent.h>
#include <pwd.h>
#include <set>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>
#include <utility>

namespace kszw {

namespace {

// File systems of the kernel's own (process, device and control tables) hold no account sets; a
// symbolic link into them is not followed.
bool isKernelFileSystem(const std::string& folder)
{
    struct statfs info {};
    if (::statfs(folder.c_str(), &info) != 0)
        return false;
    switch (static_cast<unsigned long>(info.f_type)) {
    case 0x9fa0UL:     // proc
    case 0x62656572UL: // sysfs
    case 0x1cd1UL:     // devpts
    case 0x27e0ebUL:   // cgroup
    case 0x63677270UL: // cgroup2
    case 0x64626720UL: // debugfs
    case 0x74726163UL: // tracefs
    case 0x73636673UL: // securityfs
    case 0xcafe4a11UL: // bpf
    case 0x6165676cUL: // pstore
    case 0x62656570UL: // configfs
    case 0x65735543UL: // fusectl
        return true;
    default:
        return false;
    }
}

// True when the entry may be a year data file of an account set: a regular file with a write
// bit, not hidden, with a name of 4 characters before the extension, that opens like a login.
bool qualifies(const std::string& path, const std::string& name)
{
    if (name.empty() || name[0] == '.')
        return false;
    const size_t dot = name.rfind('.');
    if (charCount(dot == std::string::npos ? name : name.substr(0, dot)) != 4)
        return false;
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        return false;
    return opensAsYearFile(path);
}

std::string joined(const std::string& folder, const std::string& name)
{
    return folder.ends_with('/') ? folder + name : folder + "/" + name;
}

} // namespace

std::vector<std::string> defaultSearchRoots()
{
    std::vector<std::string> roots;
    const char* home = std::getenv("HOME");
    if (home && *home) {
        roots.push_back(home);
    } else if (const passwd* user = ::getpwuid(::getuid()); user && user->pw_dir) {
        roots.push_back(user->pw_dir);
    }
    for (const char* volumes : {"/media", "/mnt"}) {
        DIR* dir = ::opendir(volumes);
        if (!dir)
            continue;
        std::vector<std::string> names;
        while (const dirent* entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..")
                names.push_back(joined(volumes, name));
        }
        ::closedir(dir);
        std::sort(names.begin(), names.end());
        roots.insert(roots.end(), names.begin(), names.end());
    }
    return roots;
}

std::vector<std::string> findAccountSets(const std::vector<std::string>& roots, const SearchProgress& progress)
{
    std::vector<std::string> found;
    std::set<std::pair<dev_t, ino_t>> visited;
    // Depth first, each folder's subfolders in name order.
    std::vector<std::string> pending(roots.rbegin(), roots.rend());
    while (!pending.empty()) {
        const std::string folder = std::move(pending.back());
        pending.pop_back();
        struct stat info {};
        if (::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
            continue;
        if (!visited.insert({info.st_dev, info.st_ino}).second || isKernelFileSystem(folder))
            continue;
        if (progress && !progress(folder))
            break;
        DIR* dir = ::opendir(folder.c_str());
        if (!dir)
            continue; // a folder this user may not read is passed over
        std::vector<std::pair<std::string, unsigned char>> entries;
        while (const dirent* entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..")
                entries.emplace_back(name, entry->d_type);
        }
        ::closedir(dir);
        std::sort(entries.begin(), entries.end());

        std::vector<std::string> subfolders;
        bool isAccountSet = false;
        for (const auto& [name, type] : entries) {
            const std::string path = joined(folder, name);
            bool isFolder = type == DT_DIR;
            if (type == DT_LNK || type == DT_UNKNOWN) {
                struct stat target {};
                isFolder = ::stat(path.c_str(), &target) == 0 && S_ISDIR(target.st_mode);
            }
            if (isFolder)
                subfolders.push_back(path);
            else if (!isAccountSet && type != DT_DIR)
                isAccountSet = qualifies(path, name);
        }
        if (isAccountSet) {
            const std::string canonical = canonicalFolder(folder);
            if (std::find(found.begin(), found.end(), canonical) == found.end())
                found.push_back(canonical);
        }
        pending.insert(pending.end(), subfolders.rbegin(), subfolders.rend());
    }
    return found;
}

std::vector<std::string> searchAccountSets(UserSettings& settings, const std::vector<std::string>& roots,
                                           const SearchProgress& progress)
{
    std::vector<std::string> found = findAccountSets(roots, progress);
    for (const std::string& folder : found)
        rememberAccountSet(settings, folder);
    return found;
}

} // namespace kszw
