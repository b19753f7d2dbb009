#include "formview/ui/font_mapping.h"

#include <algorithm>
#include <cmath>

namespace kszw {

namespace {

constexpr double kScreenDpi = 96.0;

} // namespace

double pointSize(int logicalHeight)
{
    const int height = std::abs(logicalHeight);
    return height == 0 ? 12.0 : height * 72.0 / kScreenDpi;
}

QFont toQFont(const FontSpec& spec)
{
    QFont font(QString::fromStdString(spec.faceName));
    font.setPointSizeF(pointSize(spec.height));
    font.setWeight(static_cast<QFont::Weight>(std::clamp(spec.weight == 0 ? 400 : spec.weight, 100, 900)));
    font.setItalic(spec.italic != 0);
    font.setUnderline(spec.underline != 0);
    font.setStrikeOut(spec.strikeOut != 0);
    return font;
}

FontSpec fromQFont(const QFont& font, const FontSpec& base)
{
    FontSpec spec = base;
    spec.faceName = font.family().toStdString();
    const double points = font.pointSizeF() > 0 ? font.pointSizeF() : font.pixelSize() * 72.0 / kScreenDpi;
    spec.height = -static_cast<int>(std::lround(points * kScreenDpi / 72.0));
    spec.weight = static_cast<int>(font.weight());
    spec.italic = font.italic() ? 1 : 0;
    spec.underline = font.underline() ? 1 : 0;
    spec.strikeOut = font.strikeOut() ? 1 : 0;
    return spec;
}

QColor toQColor(RgbColor color)
{
    return QColor(color & 0xff, (color >> 8) & 0xff, (color >> 16) & 0xff);
}

RgbColor fromQColor(const QColor& color)
{
    return makeRgb(color.red(), color.green(), color.blue());
}

} // namespace kszw
