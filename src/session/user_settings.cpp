#include "session/user_settings.h"


#include <algorithm>

namespace kszw {

std::vector<std::string> recentFiles(const UserSettings& settings)
{
    std::vector<std::string> files;
    const std::string text = settings.value(kRecentFilesKey).value_or("");
    size_t start = 0;
    while (start < text.size() && static_cast<int>(files.size()) < kRecentFileCount) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        if (end > start)
            files.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return files;
}

void rememberRecentFile(UserSettings& settings, std::string_view path)
{
    std::vector<std::string> files = recentFiles(settings);
    files.erase(std::remove(files.begin(), files.end(), path), files.end());
    files.insert(files.begin(), std::string(path));
    if (static_cast<int>(files.size()) > kRecentFileCount)
        files.resize(kRecentFileCount);
    std::string text;
    for (const std::string& file : files)
        text += (text.empty() ? "" : "\n") + file;
    settings.setValue(kRecentFilesKey, text);
}

} // namespace kszw
