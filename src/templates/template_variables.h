// The #-variables that voucher template formulas may use, kept in KSVAR: the defaults of a new
// year file, the rows the variable dialog edits, the name rule, and saving the whole table.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

class Database;

// A row of the variable table as the dialog edits it.
struct VariableRow {
    std::string name;       // "#y"
    std::string expression; // "pzt(1)"
    std::string note;
    VariableType type = VariableType::Automatic;
};

// The variables of the year file, in the table's order.
std::vector<VariableRow> loadVariables(Database& db);

// The name rule: "#" first, then digits and letters only, not empty after the "#".
inline constexpr std::string_view kVariableNameRule =
    "变量名必须是以“#”开始且由“数字、字母”构\r\r成的非空字符串！“#”必须在第一位。";
inline constexpr std::string_view kVariableNameUsed = "该变量名已被使用！";
// The checks of the edit dialog against the other rows of the list (editing: the row's own index,
// so keeping its name is no clash): nothing, or the message.
std::optional<std::string> checkVariableName(const std::vector<VariableRow>& rows, std::string_view name,
                                             std::optional<size_t> editing);

// A variable without an expression could never be evaluated.
inline constexpr std::string_view kVariableExpressionEmpty = "变量值不能为空，请重输！";
// Asked before the list dialog is left with changes unsaved.
inline constexpr std::string_view kDiscardVariableChanges = "放弃对变量表所做的修改吗？";
// Asked before a variable is taken out of the list.
std::string deleteVariableQuestion(std::string_view name);

// Replaces the whole table by the rows, in one transaction.
void saveVariables(Database& db, const std::vector<VariableRow>& rows);

// The kinds as the dialog names them: 字符, 数值, 自动.
std::string_view variableTypeName(VariableType type);

} // namespace kszw
