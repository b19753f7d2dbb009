// Per-user settings that outlive a run (the last year data file and operator of the login). The
// GUI keeps them in QSettings; the core sees only this interface.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace kszw {

inline constexpr std::string_view kDataDirKey = "DataDir";
inline constexpr std::string_view kOperatorKey = "Opno";

struct UserSettings {
    virtual ~UserSettings() = default;
    virtual std::optional<std::string> value(std::string_view key) const = 0;
    virtual void setValue(std::string_view key, std::string_view value) = 0;
};

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
