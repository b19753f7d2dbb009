#include "session/ui/qt_user_settings.h"

#include "common/ui/qt_prompt.h"

#include <QSettings>

namespace kszw {

std::optional<std::string> QtUserSettings::value(std::string_view key) const
{
    QSettings settings(QStringLiteral("KsFiles"), QStringLiteral("Kszw"));
    QVariant value = settings.value(qtText(key));
    if (!value.isValid())
        return std::nullopt;
    return value.toString().toStdString();
}

void QtUserSettings::setValue(std::string_view key, std::string_view value)
{
    QSettings settings(QStringLiteral("KsFiles"), QStringLiteral("Kszw"));
    settings.setValue(qtText(key), qtText(value));
}

} // namespace kszw
