// How year data files are named. An account set is a folder; each of its years is one file named
// after the year with the extension "ksk" (2026.ksk).
#pragma once

#include <string>
#include <string_view>

namespace kszw {

// The extension of year data files, as the program names it and as new files get it on disk.
inline constexpr std::string_view kYearFileExtension = "KSK";
inline constexpr std::string_view kYearFileSuffix = ".ksk";
// What the file type is called wherever files are listed.
inline constexpr std::string_view kYearFileTypeName = "岚屿穗帐务数据文件";

// The file name of a year: "2026.ksk".
std::string yearFileName(int year);

} // namespace kszw
