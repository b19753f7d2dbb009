// The core's UTF-8 texts as the widgets show them.
#pragma once

#include <QString>

#include <string_view>

namespace kszw {

// UTF-8 text of the core as a QString.
QString qtText(std::string_view text);

// The text as a message box shows it: "\r\n", "\r" and "\v" become line breaks.
QString displayText(std::string_view text);

} // namespace kszw
