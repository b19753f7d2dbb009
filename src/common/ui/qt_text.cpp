#include "common/ui/qt_text.h"


namespace kszw {

QString qtText(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString displayText(std::string_view text)
{
    QString result = qtText(text);
    result.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    result.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    result.replace(QLatin1Char('\v'), QLatin1Char('\n'));
    return result;
}

} // namespace kszw
