// The icons of the toolbar buttons, drawn by the program so they look the same on every desktop.
#pragma once

#include <QIcon>

namespace kszw {

QIcon commandIcon(int id);
// The program's own icon.
QIcon programIcon();

} // namespace kszw
