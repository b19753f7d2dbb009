// Result codes of validating and opening a year data file for login, and their messages.
#pragma once

#include <string>
#include <string_view>

namespace kszw {

enum LoginCode : int {
    kLoginOk = 1,
    kFileMissing = -1,          // 该文件不存在！
    kEmptyFileName = -2,        // 文件名为空！
    kWrongExtension = -3,       // 不是岚屿穗帐务数据文件！
    kIsFolder = -4,             // …不能是文件夹！
    kReadOnlyFile = -5,         // …不能是只读文件！
    kSystemFile = -6,           // …不能是系统文件！
    kHiddenFile = -7,           // …不能是隐藏文件！
    kBadYearName = -8,          // 文件名不是由有效年度构成！
    kNoHeader = -9,             // 无环境信息！
    kYearMismatch = -10,        // 文件名中的年度与实际帐务年度不相符！
    kNoOperators = -11,         // 本帐套无操作员！
    kUnknownOperator = -12,     // 无此操作员！
    kCannotOpen = -13,          // 无法打开此文件！
};

// The message of a failure code. For kYearMismatch the message names the right file name, made of
// the header's year and the extension.
std::string loginMessage(int code, int headerYear = 0, std::string_view extension = "KSK");

// Messages of the login dialog.
inline constexpr std::string_view kNoOperatorChosen = "没有选择操作员！";
inline constexpr std::string_view kWrongPassword = "操作员口今不正确！";

} // namespace kszw
