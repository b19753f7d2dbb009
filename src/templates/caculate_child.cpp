// The template evaluator's variables and data functions.
#include "templates/caculate_child.h"

#include "common/text.h"
#include "store/database.h"
#include "store/ks_dbset.h"
#include "store/sql_functions.h"

#include <cmath>
#include <cstdlib>
#include <functional>

namespace kszw {

namespace {

constexpr std::string_view kVariables = "SELECT rtrim(SVAR),rtrim(SEXP),NTYPE FROM KSVAR";
constexpr std::string_view kSubjectExists = "SELECT count(*) FROM SUBT WHERE trim(KNO)=?1";
// The subject and its sub-subjects, through the index on the code.
constexpr std::string_view kTree = "KNO>=?1 AND KNO<?2 AND (trim(KNO)=?1 OR trim(KNO) LIKE ?1||'-%') AND MK='4'";

std::string numberText(double value)
{
    return format("%lf", value);
}

} // namespace

CCaculateChild::CCaculateChild(Database& db, const AccountingCalendar& calendar, std::string fileName,
                               CivilDate voucherDate)
    : m_db(db), m_calendar(calendar), m_fileName(std::move(fileName)), m_voucherDate(voucherDate)
{
}

void CCaculateChild::LoadVariables()
{
    m_variables.clear();
    KS_Dbset rows(m_db);
    for (rows.open(kVariables); !rows.isEOF(); rows.moveNext())
        m_variables[rows.textAt(0)] = VariableDefinition{rows.textAt(1), static_cast<int>(rows.doubleAt(2))};
}

std::unique_ptr<CCaculate> CCaculateChild::Clone() const
{
    return std::make_unique<CCaculateChild>(m_db, m_calendar, m_fileName, m_voucherDate);
}

void CCaculateChild::CopySettings(CCaculate& nested) const
{
    if (auto* child = dynamic_cast<CCaculateChild*>(&nested)) {
        child->m_variables = m_variables;
        child->m_variableDepth = m_variableDepth;
        child->m_defaultsChecked = m_defaultsChecked;
        child->SetClock(GetClock());
    }
}

bool CCaculateChild::GetVariable(std::string_view name, std::string& value, ValueType& type)
{
    const auto found = m_variables.find(std::string(name));
    if (found == m_variables.end()) {
        SetError(kVariableNameError);
        return false;
    }
    if (m_variableDepth >= kMaxVariableDepth) {
        SetErrorText("变量“" + std::string(name) + "”的定义嵌套超过100层！");
        return false;
    }
    // The nested evaluator starts one level deeper; the level is given back even when reading
    // the year file fails on the way.
    struct Level {
        int& depth;
        explicit Level(int& d) : depth(++d) {}
        ~Level() { --depth; }
    } level(m_variableDepth);
    const bool evaluated = EvaluateNested(found->second.expression, value, type);
    if (!evaluated)
        return false;
    switch (found->second.type) {
    case 1: // 数值
        if (type != ValueType::Number) {
            SetError(kTypeMismatch);
            return false;
        }
        break;
    case 0: // 字符
        if (type == ValueType::Number) {
            const double number = std::strtod(value.c_str(), nullptr);
            value = std::fabs(number) < 0.0000005 ? std::string() : numberToPlainText(number);
        }
        type = ValueType::String;
        break;
    default:
        break;
    }
    return true;
}

bool CCaculateChild::arguments(std::string_view text, size_t least, size_t most, std::vector<std::string>& values,
                               std::vector<ValueType>& types)
{
    const std::vector<CallArgument> parts = SplitArguments(text);
    if (parts.size() < least) {
        SetError(kTooFewArguments);
        return false;
    }
    if (parts.size() > most) {
        SetError(kTooManyArguments);
        return false;
    }
    for (const CallArgument& part : parts) {
        if (part.text.find(':') != std::string::npos) {
            SetErrorText("不能使用块参数！");
            return false;
        }
        std::string value;
        ValueType type = ValueType::Number;
        if (!EvaluateNested(part.text, value, type))
            return false;
        values.push_back(value);
        types.push_back(type);
    }
    return true;
}

bool CCaculateChild::subjectArgument(const std::string& value, std::string& code)
{
    code = trim(value);
    // A number argument is written with six decimals: 1001.000000 is subject 1001.
    if (code.find('.') != std::string::npos)
        code = numberToPlainText(std::strtod(code.c_str(), nullptr));
    if (code.empty() || m_db.queryLong(kSubjectExists, {code}) == 0) {
        SetErrorText("科目“" + code + "”出错！");
        return false;
    }
    return true;
}

bool CCaculateChild::monthArgument(const std::string& value, ValueType type, int& month)
{
    const double number = type == ValueType::Number ? std::strtod(value.c_str(), nullptr) : -1;
    if (number < 0 || number > 12 || number != std::floor(number)) {
        SetErrorText("月份参数出错，应为0到12的整数！");
        return false;
    }
    month = static_cast<int>(number);
    return true;
}

bool CCaculateChild::checkDefaults()
{
    if (m_defaultsChecked)
        return true;
    // Evaluating the defaults may itself call data functions: they run on the defaults as they stand.
    m_defaultsChecked = true;
    auto fileMatches = [this](const std::string& value) {
        std::string name = trim(value);
        const size_t slash = name.find_last_of("/\\");
        if (slash != std::string::npos)
            name = name.substr(slash + 1);
        return name.empty() || toLowerAscii(name) == toLowerAscii(m_fileName);
    };
    const struct {
        const char* name;
        std::function<bool(const std::string&)> usable;
        std::string_view message;
    } defaults[] = {
        {"#z", fileMatches, "默认帐务文件名出错！"},
        {"#d", [](const std::string& value) { return trim(value).empty() || toLowerAscii(trim(value)) == "p0"; },
         "默认表名出错！"},
    };
    for (const auto& entry : defaults) {
        if (!m_variables.count(entry.name))
            continue;
        std::string value;
        ValueType type = ValueType::String;
        if (!GetVariable(entry.name, value, type) || type != ValueType::String || !entry.usable(value)) {
            m_defaultsChecked = false;
            SetError(0);
            SetErrorText(entry.message);
            return false;
        }
    }
    return true;
}

bool CCaculateChild::CallFunction(std::string_view name, std::string_view argumentText, std::string& value,
                                  ValueType& type)
{
    const std::string function = toLowerAscii(name);
    std::vector<std::string> args;
    std::vector<ValueType> types;
    type = ValueType::Number;
    if (function == "pzt") {
        if (!arguments(argumentText, 1, 1, args, types))
            return false;
        const int which = static_cast<int>(std::strtod(args[0].c_str(), nullptr));
        if (which == 0)
            value = numberText(m_voucherDate.year);
        else if (which == 1)
            value = numberText(m_calendar.monthOf(makeDate(m_voucherDate)));
        else {
            SetErrorText("pzt的参数只能是0（凭证年）或1（凭证月）！");
            return false;
        }
        return true;
    }
    if (function == "zw") {
        if (!arguments(argumentText, 0, 0, args, types))
            return false;
        value = m_fileName;
        type = ValueType::String;
        return true;
    }
    if (function == "yd") {
        if (!arguments(argumentText, 2, 2, args, types))
            return false;
        const int year = static_cast<int>(std::strtod(args[0].c_str(), nullptr));
        if (types[0] != ValueType::Number || year != m_calendar.year()) {
            SetErrorText("取月末日函数据的年参数出错！");
            return false;
        }
        const double month = types[1] == ValueType::Number ? std::strtod(args[1].c_str(), nullptr) : 0;
        if (month < 1 || month > 12 || month != std::floor(month)) {
            SetErrorText("取月末日函数据的月参数出错！");
            return false;
        }
        value = numberText(std::strtod(m_calendar.period(static_cast<int>(month)).last.c_str(), nullptr));
        return true;
    }
    const bool balance = function == "ye" || function == "sl";
    const bool turnover = function == "jf" || function == "df" || function == "jsl" || function == "dsl";
    if (!balance && !turnover)
        return CCaculate::CallFunction(name, argumentText, value, type);
    if (!checkDefaults() || !arguments(argumentText, 2, balance ? 2 : 3, args, types))
        return false;
    std::string code;
    int first = 0;
    if (!subjectArgument(args[0], code) || !monthArgument(args[1], types[1], first))
        return false;
    int last = first;
    if (args.size() == 3 && !monthArgument(args[2], types[2], last))
        return false;
    if (last < first) {
        SetErrorText("月份参数出错，起始月份不能大于终止月份！");
        return false;
    }
    const bool quantity = function == "sl" || function == "jsl" || function == "dsl";
    const std::string field = quantity ? "NU" : "MY";
    std::string sql;
    SqlParams params;
    if (balance) {
        // Opening rows lie in month 1; month 0 gives the opening balance alone.
        sql = "SELECT sum(F*" + field + ") FROM P0 WHERE " + std::string(kTree) +
              " AND (CER='    ' OR (val(TT)>=1 AND val(TT)<=?3))";
        params = SqlParams{SqlValue(code), SqlValue(code + "."), SqlValue(static_cast<std::int64_t>(first))};
    } else {
        const std::int64_t side = function[0] == 'j' ? 1 : -1;
        sql = "SELECT sum(" + field + ") FROM P0 WHERE " + std::string(kTree) +
              " AND CER<>'    ' AND F=?3 AND val(TT)>=?4 AND val(TT)<=?5";
        params = SqlParams{SqlValue(code), SqlValue(code + "."), SqlValue(side),
                           SqlValue(static_cast<std::int64_t>(first)), SqlValue(static_cast<std::int64_t>(last))};
    }
    const double result = m_db.queryDouble(sql, params).value_or(0);
    value = numberText(std::round(result * 1000000.0) / 1000000.0);
    return true;
}

} // namespace kszw
