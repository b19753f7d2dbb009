// The texts of the application: version, file type, registry key and the program title that heads
// the main window.
#pragma once

#include "store/year_file_name.h"

#include "kszw_version.h"

namespace kszw {

namespace app_text {
inline constexpr const char* kVersion = KSZW_VERSION;
inline constexpr const char* kExtension = "KSK";
inline constexpr const char* kFileTypeDescription = kYearFileTypeName.data();
inline constexpr const char* kProgramKey = "Kszw";
inline constexpr const char* kProgramTitle = "岚屿穗帐务软件";
inline constexpr const char* kModuleCode = "ZW";
} // namespace app_text

} // namespace kszw
