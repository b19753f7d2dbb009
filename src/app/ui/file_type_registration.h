// Registers the year data file type with the desktop (a freedesktop MIME type for *.ksk and a
// .desktop entry that opens such files with this program), silently: failures are ignored.
#pragma once

namespace kszw {

void registerFileType();

} // namespace kszw
