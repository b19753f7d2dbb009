// The program's fixed list of rights: the administrator's "0101" and the 22 working rights, in the
// order the operator dialog lists them. PWR keeps one row per operator and right code.
#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace kszw {

struct Right {
    std::string_view code;
    std::string_view name;
};

inline constexpr std::string_view kAdministrationRight = "0101";

inline constexpr std::array<Right, 23> kRights = {{
    {"0101", "帐务管理"},
    {"0201", "凭证查询"},
    {"0202", "凭证汇总"},
    {"0203", "凭证制作"},
    {"0204", "凭证复核与登帐"},
    {"0205", "结帐"},
    {"0206", "凭证分类设置"},
    {"0207", "凭证模板目录定义"},
    {"0208", "凭证模板分录定义"},
    {"0209", "分录模板变量表"},
    {"0301", "三栏式帐"},
    {"0302", "多栏式帐"},
    {"0303", "数量金额式帐"},
    {"0304", "复币式帐"},
    {"0305", "帐簿余额表"},
    {"0306", "帐簿余额及发生额表"},
    {"0307", "模糊查询帐页"},
    {"0401", "会计科目查询"},
    {"0402", "会计科目打印"},
    {"0403", "会计科目设置"},
    {"0404", "年初会计科目余额"},
    {"0405", "外币科目设置"},
    {"0406", "外币汇率设置"},
}};

// The name of a right code; nothing for a code that is not a right.
inline std::optional<std::string_view> rightName(std::string_view code)
{
    for (const Right& right : kRights)
        if (right.code == code)
            return right.name;
    return std::nullopt;
}

} // namespace kszw
