// The #-variables that voucher template formulas may use, kept in KSVAR.
#pragma once

#include <array>
#include <string_view>

namespace kszw {

// KSVAR.NTYPE: the kinds offered for a variable, in the order the variable dialog lists them.
enum class VariableType { Text = 0, Number = 1, Automatic = 2 };

struct TemplateVariable {
    std::string_view name;
    std::string_view expression;
    std::string_view note;
    VariableType type;
};

// The variables every new year file starts with.
inline constexpr std::array<TemplateVariable, 3> kDefaultVariables = {{
    {"#z", "zw()", "当前帐务数据文件名", VariableType::Text},
    {"#n", "pzt(0)", "凭证年", VariableType::Number},
    {"#y", "pzt(1)", "凭证月", VariableType::Number},
}};

} // namespace kszw
