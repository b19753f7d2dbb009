// The stored font descriptions and colours of the print settings as Qt fonts and colours.
// A font height is in the logical units of a 96-dpi screen (negative: the character height), so
// -16 is a 12-point font; the face "宋体" is resolved by the font substitution made at start-up.
#pragma once

#include "formview/print_settings.h"

#include <QColor>
#include <QFont>

namespace kszw {

QFont toQFont(const FontSpec& spec);
// The font chosen in a font dialog, keeping the fields Qt has no notion of from `base`.
FontSpec fromQFont(const QFont& font, const FontSpec& base);
// Point size of a stored font height.
double pointSize(int logicalHeight);

QColor toQColor(RgbColor color);
RgbColor fromQColor(const QColor& color);

} // namespace kszw
