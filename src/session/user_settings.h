// Per-user settings that outlive a run (the last year data file and operator of the login). The
// GUI keeps them in QSettings; the core sees only this interface.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kszw {

inline constexpr std::string_view kDataDirKey = "DataDir";
inline constexpr std::string_view kOperatorKey = "Opno";
// The year data files opened last, newest first, one per line.
inline constexpr std::string_view kRecentFilesKey = "RecentFiles";
inline constexpr int kRecentFileCount = 4;

struct UserSettings {
    virtual ~UserSettings() = default;
    virtual std::optional<std::string> value(std::string_view key) const = 0;
    virtual void setValue(std::string_view key, std::string_view value) = 0;
};

// The recent year data files, newest first (at most kRecentFileCount).
std::vector<std::string> recentFiles(const UserSettings& settings);
// Puts a file first in the recent list, dropping an older entry of it and the oldest beyond the count.
void rememberRecentFile(UserSettings& settings, std::string_view path);

// Settings held in memory: for tests and the command line.
class MemoryUserSettings : public UserSettings {
public:
    std::optional<std::string> value(std::string_view key) const override
    {
        auto found = m_values.find(std::string(key));
        if (found == m_values.end())
            return std::nullopt;
        return found->second;
    }
    void setValue(std::string_view key, std::string_view value) override
    {
        m_values[std::string(key)] = std::string(value);
    }

private:
    std::map<std::string, std::string> m_values;
};

} // namespace kszw
