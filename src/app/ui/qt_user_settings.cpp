#include "app/ui/qt_user_settings.h"

#include <QSettings>

namespace kszw {

namespace {

QString keyName(std::string_view key)
{
    return QString::fromUtf8(key.data(), static_cast<qsizetype>(key.size()));
}

} // namespace

std::optional<std::string> QtUserSettings::value(std::string_view key) const
{
    QSettings settings(QStringLiteral("KsFiles"), QStringLiteral("Kszw"));
    QVariant value = settings.value(keyName(key));
    if (!value.isValid())
        return std::nullopt;
    return value.toString().toStdString();
}

void QtUserSettings::setValue(std::string_view key, std::string_view value)
{
    QSettings settings(QStringLiteral("KsFiles"), QStringLiteral("Kszw"));
    settings.setValue(keyName(key), QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size())));
}

} // namespace kszw
