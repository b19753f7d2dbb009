// The user's settings kept by QSettings (organisation "KsFiles", application "Kszw").
#pragma once

#include "session/user_settings.h"

namespace kszw {

class QtUserSettings : public UserSettings {
public:
    std::optional<std::string> value(std::string_view key) const override;
    void setValue(std::string_view key, std::string_view value) override;
};

} // namespace kszw
