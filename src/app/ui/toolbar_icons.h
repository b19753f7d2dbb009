// The icons of the toolbar buttons, drawn by the program so they look the same on every desktop.
#pragma once

#include <QIcon>

#include <array>

namespace kszw {

QIcon commandIcon(int id);
// The sizes in pixels at which the program's icon is rendered.
inline constexpr std::array<int, 7> kProgramIconSizes = {16, 24, 32, 48, 64, 128, 256};

// The program's own icon: the drawing data/icons/kszw.svg (from the resources) at every size of
// kProgramIconSizes, or a drawn 帐 when the drawing cannot be read.
QIcon programIcon();

} // namespace kszw
