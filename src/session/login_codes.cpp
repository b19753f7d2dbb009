#include "session/login_codes.h"

#include "common/text.h"

namespace kszw {

std::string loginMessage(int code, int headerYear, std::string_view extension)
{
    switch (code) {
    case kFileMissing: return "该文件不存在！";
    case kEmptyFileName: return "文件名为空！";
    case kWrongExtension: return "不是岚屿穗帐务数据文件！";
    case kIsFolder: return "岚屿穗帐务数据文件不能是文件夹！";
    case kReadOnlyFile: return "岚屿穗帐务数据文件不能是只读文件！";
    case kSystemFile: return "岚屿穗帐务数据文件不能是系统文件！";
    case kHiddenFile: return "岚屿穗帐务数据文件不能是隐藏文件！";
    case kBadYearName: return "文件名不是由有效年度构成！";
    case kNoHeader: return "无环境信息！";
    case kYearMismatch:
        return "文件名中的年度与实际帐务年度不相符！\n"
               + format("文件名应当改为：“%d.%s”", headerYear, std::string(extension).c_str());
    case kNoOperators: return "本帐套无操作员！";
    case kUnknownOperator: return "无此操作员！";
    case kCannotOpen: return "无法打开此文件！";
    default: return {};
    }
}

} // namespace kszw
