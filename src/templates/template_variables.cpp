// The variable table of the year file: its rows, the name rule, and saving as one transaction.
#include "templates/template_variables.h"

#include "common/text.h"
#include "store/database.h"
#include "store/ks_dbset.h"
#include "store/transaction.h"

namespace kszw {

namespace {

constexpr std::string_view kLoad = "SELECT rtrim(SVAR),rtrim(SEXP),rtrim(SNOTE),NTYPE FROM KSVAR";
constexpr std::string_view kClear = "DELETE FROM KSVAR";
constexpr std::string_view kInsert = "INSERT INTO KSVAR(SVAR,SEXP,SNOTE,NTYPE) VALUES(?1,?2,?3,?4)";

bool isAsciiLetterOrDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

} // namespace

std::vector<VariableRow> loadVariables(Database& db)
{
    std::vector<VariableRow> rows;
    KS_Dbset set(db);
    for (set.open(kLoad); !set.isEOF(); set.moveNext()) {
        const int type = static_cast<int>(set.doubleAt(3));
        rows.push_back(VariableRow{set.textAt(0), set.textAt(1), set.textAt(2),
                                   type >= 0 && type <= 2 ? static_cast<VariableType>(type) : VariableType::Automatic});
    }
    return rows;
}

std::optional<std::string> checkVariableName(const std::vector<VariableRow>& rows, std::string_view name,
                                             std::optional<size_t> editing)
{
    if (name.size() < 2 || name.size() > 10 || name[0] != '#')
        return std::string(kVariableNameRule);
    for (size_t i = 1; i < name.size(); ++i)
        if (!isAsciiLetterOrDigit(name[i]))
            return std::string(kVariableNameRule);
    for (size_t i = 0; i < rows.size(); ++i)
        if (rows[i].name == name && (!editing || *editing != i))
            return std::string(kVariableNameUsed);
    return std::nullopt;
}

std::string deleteVariableQuestion(std::string_view name)
{
    return "删除变量“" + std::string(name) + "”吗？";
}

void saveVariables(Database& db, const std::vector<VariableRow>& rows)
{
    Transaction transaction(db);
    db.execute(kClear);
    for (const VariableRow& row : rows)
        db.execute(kInsert, {row.name, row.expression, row.note, static_cast<std::int64_t>(row.type)});
    transaction.commit();
}

std::string_view variableTypeName(VariableType type)
{
    switch (type) {
    case VariableType::Text: return "字符";
    case VariableType::Number: return "数值";
    default: return "自动";
    }
}

} // namespace kszw
