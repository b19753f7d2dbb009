// Calculating a statement: one evaluator per cell, line references resolved on demand with the
// values memorised, loops refused, failures carried to the lines that read them.
#include "reports/report_calculation.h"

#include "common/text.h"
#include "formula/format_number.h"
#include "store/database.h"
#include "store/ks_dbset.h"
#include "store/transaction.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <map>
#include <optional>
#include <set>

namespace kszw {

namespace {

constexpr std::string_view kSubjectName = "SELECT rtrim(NA) FROM SUBT WHERE trim(KNO)=?1";
// The net amount (debit positive) of subject ?1 and its sub-subjects over months ?3 … ?4, posted
// lines only; and the part of it on the vouchers with a line on subject ?5 or below (the profit
// transfers, a dozen a year: found first, then their lines read through the voucher index).
constexpr std::string_view kNetAmount =
    "SELECT sum(F*MY) FROM P0 WHERE KNO>=?1 AND KNO<?2 AND (trim(KNO)=?1 OR trim(KNO) LIKE ?1||'-%') AND MK='4' "
    "AND CER<>'    ' AND val(TT)>=?3 AND val(TT)<=?4";
constexpr std::string_view kNetAmountOnTransfers =
    "SELECT sum(A.F*A.MY) FROM P0 A,(SELECT DISTINCT T,CER FROM P0 WHERE KNO>=?5 AND KNO<?6 AND "
    "(trim(KNO)=?5 OR trim(KNO) LIKE ?5||'-%') AND MK='4' AND CER<>'    ' AND val(TT)>=?3 AND val(TT)<=?4) V "
    "WHERE A.T=V.T AND A.CER=V.CER AND A.KNO>=?1 AND A.KNO<?2 AND (trim(A.KNO)=?1 OR trim(A.KNO) LIKE ?1||'-%') "
    "AND A.MK='4'";

// The balance of every subject with lines under subject ?1 at the end of month ?3.
constexpr std::string_view kDetailBalances =
    "SELECT trim(KNO),sum(F*MY) FROM P0 WHERE KNO>=?1 AND KNO<?2 AND (trim(KNO)=?1 OR trim(KNO) LIKE ?1||'-%') "
    "AND MK='4' AND (CER='    ' OR (val(TT)>=1 AND val(TT)<=?3)) GROUP BY trim(KNO) ORDER BY trim(KNO)";

// To the cent, half away from zero on the digits the evaluator gives (1.005 is 1.01), as the
// formula language's round(x, 2) does.
double toCents(double value)
{
    return RoundDecimal(value, 2);
}

int lineNumberOf(const ReportLine& line)
{
    return line.lineNumber.empty() ? 0 : std::atoi(line.lineNumber.c_str());
}

// One calculation of a statement.
class Calculation {
public:
    Calculation(Database& db, const AccountingCalendar& calendar, const std::string& fileName,
                const ReportDefinition& definition, int month)
        : m_db(db), m_calendar(calendar), m_fileName(fileName), m_definition(definition), m_month(month),
          m_variables(db, calendar, fileName, CivilDate{})
    {
        m_variables.LoadVariables();
        for (size_t index = 0; index < definition.lines.size(); ++index)
            if (const int number = lineNumberOf(definition.lines[index]); number > 0)
                m_lineIndex.emplace(number, index);
        m_state.assign(definition.lines.size(), {State::Pending, State::Pending});
        m_cells.assign(definition.lines.size(), {});
        m_origins.assign(definition.lines.size(), {});
    }

    std::vector<std::array<ReportCell, 2>> run()
    {
        for (size_t index = 0; index < m_definition.lines.size(); ++index)
            for (int column = 0; column < 2; ++column)
                compute(index, column);
        return m_cells;
    }

private:
    enum class State { Pending, Computing, Done };
    // Where a failure began: the line number whose own formula failed, and its message.
    struct Origin {
        int line = 0;
        std::string message;
    };

    void compute(size_t index, int column)
    {
        const size_t c = static_cast<size_t>(column);
        if (m_state[index][c] != State::Pending)
            return;
        ReportCell& cell = m_cells[index][c];
        const std::string formula = trimWhitespace(m_definition.lines[index].formulas[c]);
        if (formula.empty()) {
            m_state[index][c] = State::Done;
            return;
        }
        m_state[index][c] = State::Computing;
        cell.hasFormula = true;
        CCaculateReport evaluator(m_db, m_calendar, m_fileName, m_month, column,
                                  [this](int line, int col, double& value, std::string& error) {
                                      return resolve(line, col, value, error);
                                  });
        m_variables.CopySettings(evaluator);
        m_pending.reset();
        double value = 0;
        if (evaluator.CalcNumber(value, formula)) {
            cell.value = toCents(value);
        } else {
            int code = 0;
            int position = 0;
            std::string message;
            evaluator.GetError(code, message, position);
            cell.failed = true;
            if (m_pending) {
                m_origins[index][c] = *m_pending;
                cell.error = "行次" + std::to_string(m_pending->line) + "：" + m_pending->message;
            } else {
                m_origins[index][c] = Origin{lineNumberOf(m_definition.lines[index]), message};
                cell.error = message;
            }
            m_pending.reset();
        }
        m_state[index][c] = State::Done;
    }

    bool resolve(int line, int column, double& value, std::string& error)
    {
        m_pending.reset();
        const auto found = m_lineIndex.find(line);
        if (found == m_lineIndex.end()) {
            error = "行次" + std::to_string(line) + "不存在！";
            return false;
        }
        const size_t index = found->second;
        const size_t c = static_cast<size_t>(column);
        if (m_state[index][c] == State::Computing) {
            error = "行次" + std::to_string(line) + "的公式循环引用！";
            return false;
        }
        compute(index, column);
        const ReportCell& cell = m_cells[index][c];
        if (cell.failed) {
            m_pending = m_origins[index][c];
            error = "行次" + std::to_string(m_pending->line) + "：" + m_pending->message;
            return false;
        }
        value = cell.value;
        return true;
    }

    Database& m_db;
    const AccountingCalendar& m_calendar;
    const std::string& m_fileName;
    const ReportDefinition& m_definition;
    int m_month;
    // Holds the year file's variables once, for every cell's evaluator.
    CCaculateChild m_variables;
    std::map<int, size_t> m_lineIndex;
    std::vector<std::array<State, 2>> m_state;
    std::vector<std::array<ReportCell, 2>> m_cells;
    std::vector<std::array<Origin, 2>> m_origins;
    std::optional<Origin> m_pending;
};

// The last line with a line number of a half, if any.
std::optional<size_t> lastLineOfHalf(const ReportDefinition& definition, int half)
{
    std::optional<size_t> last;
    for (size_t index = 0; index < definition.lines.size(); ++index)
        if (definition.lines[index].half == half && !definition.lines[index].lineNumber.empty())
            last = index;
    return last;
}

ReportCheck balanceCheck(const ReportResult& result)
{
    ReportCheck check;
    const ReportDefinition& definition = result.definition;
    if (!definition.twoHalves)
        return check;
    const std::optional<size_t> left = lastLineOfHalf(definition, 0);
    const std::optional<size_t> right = lastLineOfHalf(definition, 1);
    if (!left || !right)
        return check;
    check.applies = true;
    const std::string leftItem = trimWhitespace(definition.lines[*left].item);
    const std::string rightItem = trimWhitespace(definition.lines[*right].item);
    std::string differences;
    for (size_t c = 0; c < 2; ++c) {
        const ReportCell& a = result.cells[*left][c];
        const ReportCell& b = result.cells[*right][c];
        if (a.failed || b.failed) {
            check.text = leftItem + "或" + rightItem + "的公式出错，无法核对！";
            return check;
        }
        const double difference = toCents(a.value - b.value);
        if (std::fabs(difference) > 0.00001) {
            if (!differences.empty())
                differences += "，";
            differences += definition.columns[c] + "相差" + trimWhitespace(FormatNumber(std::fabs(difference), 0, 2, 2))
                           + "（" + (difference > 0 ? leftItem : rightItem) + "较大）";
        }
    }
    check.balanced = differences.empty();
    check.text = leftItem + "与" + rightItem + (check.balanced ? "相等" : "不相等：" + differences);
    return check;
}

// The subjects a statement's formulas name: every quoted code ("1001", "1002-1").
std::set<std::string> namedSubjects(const ReportDefinition& definition)
{
    std::set<std::string> codes;
    for (const ReportLine& line : definition.lines)
        for (const std::string& formula : line.formulas)
            for (size_t start = formula.find('"'); start != std::string::npos;) {
                const size_t end = formula.find('"', start + 1);
                if (end == std::string::npos)
                    break;
                codes.insert(trimWhitespace(formula.substr(start + 1, end - start - 1)));
                start = formula.find('"', end + 1);
            }
    return codes;
}

bool isNamed(const std::set<std::string>& named, const std::string& topCode)
{
    return std::any_of(named.begin(), named.end(), [&topCode](const std::string& name) {
        return name == topCode || name.rfind(topCode + "-", 0) == 0;
    });
}

constexpr std::string_view kUnreviewed = "SELECT count(*) FROM CERDIR WHERE val(TT)>=1 AND val(TT)<=?1 AND MK<>'4'";
constexpr std::string_view kProfitAndLossCodes =
    "SELECT DISTINCT trim(KNO) FROM P0 WHERE MK='4' AND CER<>'    ' AND val(TT)>=1 AND val(TT)<=?1 "
    "AND KNO>=?2 AND KNO<?3 ORDER BY trim(KNO)";

// The subjects the sy() calls of a statement leave the vouchers of out (their last argument).
std::set<std::string> transferSubjects(const ReportDefinition& definition)
{
    std::set<std::string> codes;
    for (const ReportLine& line : definition.lines)
        for (const std::string& formula : line.formulas) {
            const std::string lower = toLowerAscii(formula);
            for (size_t at = lower.find("sy("); at != std::string::npos; at = lower.find("sy(", at + 3)) {
                if (at > 0 && (std::isalnum(static_cast<unsigned char>(lower[at - 1])) || lower[at - 1] == '_'))
                    continue;
                int depth = 0;
                bool quoted = false;
                size_t end = at + 3;
                for (; end < formula.size(); ++end) {
                    if (formula[end] == '"')
                        quoted = !quoted;
                    else if (!quoted && formula[end] == '(')
                        ++depth;
                    else if (!quoted && formula[end] == ')' && depth-- == 0)
                        break;
                }
                const std::vector<CallArgument> parts = CCaculate::SplitArguments(formula.substr(at + 3, end - at - 3));
                if (parts.size() != 4)
                    continue;
                std::string code = trimWhitespace(parts[3].text);
                if (code.size() >= 2 && code.front() == '"' && code.back() == '"')
                    code = trimWhitespace(code.substr(1, code.size() - 2));
                if (!code.empty())
                    codes.insert(code);
            }
        }
    return codes;
}

// Transfer vouchers up to the month (with lines on subject ?1 and on profit-and-loss subjects,
// ?4 … ?5) that also hold a line on another subject: sy() leaves all of such a voucher out.
constexpr std::string_view kMixedTransfers =
    "SELECT DISTINCT A.TT,A.CER,A.T FROM P0 A WHERE A.KNO>=?1 AND A.KNO<?2 AND (trim(A.KNO)=?1 OR "
    "trim(A.KNO) LIKE ?1||'-%') AND A.MK='4' AND A.CER<>'    ' AND val(A.TT)>=1 AND val(A.TT)<=?3 "
    "AND EXISTS (SELECT 1 FROM P0 X WHERE X.T=A.T AND X.CER=A.CER AND X.KNO>=?4 AND X.KNO<?5) "
    "AND EXISTS (SELECT 1 FROM P0 Y WHERE Y.T=A.T AND Y.CER=A.CER AND NOT (Y.KNO>=?4 AND Y.KNO<?5) "
    "AND NOT (Y.KNO>=?1 AND Y.KNO<?2 AND (trim(Y.KNO)=?1 OR trim(Y.KNO) LIKE ?1||'-%'))) ORDER BY A.T,A.CER";

std::string mixedTransferNote(Database& db, const ReportDefinition& definition, int month)
{
    const char profitAndLoss = profitAndLossClass(chartNumbering(db));
    std::vector<std::string> vouchers;
    for (const std::string& code : transferSubjects(definition)) {
        KS_Dbset rows(db);
        for (rows.open(kMixedTransfers, {code, code + ".", static_cast<std::int64_t>(month),
                                         std::string(1, profitAndLoss),
                                         std::string(1, static_cast<char>(profitAndLoss + 1))});
             !rows.isEOF(); rows.moveNext())
            vouchers.push_back(std::to_string(std::atoi(rows.textAt(0).c_str())) + "月第" + trimWhitespace(rows.textAt(1))
                               + "号");
    }
    if (vouchers.empty())
        return {};
    std::string list;
    for (size_t i = 0; i < vouchers.size() && i < 5; ++i)
        list += (list.empty() ? "" : "、") + vouchers[i];
    if (vouchers.size() > 5)
        list += "等" + std::to_string(vouchers.size()) + "张";
    return "结转损益的凭证" + list + "还记有其他业务，这些凭证的损益未计入报表";
}

// The vouchers of the year up to the month not yet reviewed: what the statement does not count.
std::string unreviewedNote(Database& db, int month)
{
    const int count = db.queryLong(kUnreviewed, {static_cast<std::int64_t>(month)});
    return count > 0 ? "本月及以前尚有" + std::to_string(count) + "张凭证未复核登帐，其数额未计入报表" : std::string();
}

// A statement without halves (the income statement): the profit-and-loss subjects with entries
// this year that none of its formulas names.
std::string unnamedProfitAndLoss(Database& db, const ReportDefinition& definition, int month)
{
    const std::set<std::string> named = namedSubjects(definition);
    const char profitAndLoss = profitAndLossClass(chartNumbering(db));
    std::set<std::string> tops;
    KS_Dbset rows(db);
    for (rows.open(kProfitAndLossCodes, {static_cast<std::int64_t>(month), std::string(1, profitAndLoss),
                                         std::string(1, static_cast<char>(profitAndLoss + 1))});
         !rows.isEOF(); rows.moveNext()) {
        const std::string code = rows.textAt(0);
        tops.insert(code.substr(0, code.find('-')));
    }
    rows.close();
    std::string list;
    for (const std::string& code : tops)
        if (!isNamed(named, code))
            list += (list.empty() ? "" : "、") + code + " " + db.queryText(kSubjectName, {code}).value_or("");
    return list.empty() ? std::string() : "未列入报表的科目：" + list;
}

constexpr std::string_view kBalancesByCode =
    "SELECT trim(KNO),sum(F*MY) FROM P0 WHERE MK='4' AND (CER='    ' OR (val(TT)>=1 AND val(TT)<=?1)) "
    "GROUP BY trim(KNO) ORDER BY trim(KNO)";

// Why a balance sheet may not balance at the month's end, when the books show a reason: top-level
// subjects with a balance that no formula names, and profit-and-loss subjects still holding a
// balance because the profit has not been carried over.
std::string imbalanceHint(Database& db, const ReportDefinition& definition, int month)
{
    std::map<std::string, double> balances;
    KS_Dbset rows(db);
    for (rows.open(kBalancesByCode, {static_cast<std::int64_t>(month)}); !rows.isEOF(); rows.moveNext()) {
        const std::string code = rows.textAt(0);
        balances[code.substr(0, code.find('-'))] += rows.doubleAt(1);
    }
    rows.close();
    const std::set<std::string> named = namedSubjects(definition);
    const char profitAndLoss = profitAndLossClass(chartNumbering(db));
    std::string uncovered;
    bool openProfit = false;
    for (const auto& [code, balance] : balances) {
        if (std::fabs(balance) < 0.005 || code.empty())
            continue;
        if (code[0] == profitAndLoss) {
            openProfit = true;
            continue;
        }
        if (!isNamed(named, code))
            uncovered += (uncovered.empty() ? "" : "、") + code + " " + db.queryText(kSubjectName, {code}).value_or("");
    }
    std::string hint;
    if (!uncovered.empty())
        hint += "；未列入报表的科目：" + uncovered;
    if (openProfit)
        hint += "；损益类科目尚有余额，损益尚未结转";
    return hint;
}

} // namespace

CCaculateReport::CCaculateReport(Database& db, const AccountingCalendar& calendar, std::string fileName, int month,
                                 int column, LineResolver resolver)
    : CCaculateChild(db, calendar, fileName,
                     splitDate(calendar.period(std::clamp(month, 1, 12)).last).value_or(CivilDate{})),
      m_reportDb(db), m_reportCalendar(calendar), m_reportFileName(std::move(fileName)), m_month(month),
      m_column(column), m_resolver(std::move(resolver))
{
}

std::unique_ptr<CCaculate> CCaculateReport::Clone() const
{
    return std::make_unique<CCaculateReport>(m_reportDb, m_reportCalendar, m_reportFileName, m_month, m_column,
                                             m_resolver);
}

bool CCaculateReport::CallFunction(std::string_view name, std::string_view arguments, std::string& value,
                                   ValueType& type)
{
    const std::string function = toLowerAscii(name);
    if (function == "sy")
        return netAmount(arguments, value, type);
    if (function == "jye" || function == "dye")
        return sideBalance(function == "jye", arguments, value, type);
    if (function != "yf" && function != "r")
        return CCaculateChild::CallFunction(name, arguments, value, type);
    const std::vector<CallArgument> parts = SplitArguments(arguments);
    const size_t wanted = function == "yf" ? 0 : 1;
    if (parts.size() != wanted) {
        SetError(parts.size() < wanted ? kTooFewArguments : kTooManyArguments);
        return false;
    }
    type = ValueType::Number;
    if (function == "yf") {
        value = format("%lf", static_cast<double>(m_month));
        return true;
    }
    std::string argument;
    ValueType argumentType = ValueType::Number;
    if (!EvaluateNested(parts[0].text, argument, argumentType))
        return false;
    const double number = argumentType == ValueType::Number ? std::strtod(argument.c_str(), nullptr) : 0;
    if (number < 1 || number > kMaxLineNumber || number != std::floor(number)) {
        SetErrorText("r函数的参数应为1到999的行次！");
        return false;
    }
    double lineValue = 0;
    std::string error;
    if (!m_resolver || !m_resolver(static_cast<int>(number), m_column, lineValue, error)) {
        SetErrorText(m_resolver ? error : std::string("行次引用只能用在报表公式中！"));
        return false;
    }
    value = format("%lf", lineValue);
    return true;
}

bool CCaculateReport::sideBalance(bool debit, std::string_view argumentText, std::string& value, ValueType& type)
{
    std::vector<std::string> values;
    std::vector<ValueType> types;
    std::string code;
    int month = 0;
    if (!arguments(argumentText, 2, 2, values, types) || !subjectArgument(values[0], code)
        || !monthArgument(values[1], types[1], month))
        return false;
    // Voucher lines are on the subjects without children: their balances, one by one.
    double sum = 0;
    KS_Dbset rows(m_reportDb);
    for (rows.open(kDetailBalances, {code, code + ".", static_cast<std::int64_t>(month)}); !rows.isEOF();
         rows.moveNext()) {
        const double balance = RoundDecimal(rows.doubleAt(1), 2);
        if (debit ? balance > 0 : balance < 0)
            sum += std::fabs(balance);
    }
    type = ValueType::Number;
    value = format("%lf", std::round(sum * 1000000.0) / 1000000.0);
    return true;
}

bool CCaculateReport::netAmount(std::string_view argumentText, std::string& value, ValueType& type)
{
    std::vector<std::string> values;
    std::vector<ValueType> types;
    std::array<std::string, 2> codes;
    if (!arguments(argumentText, 4, 4, values, types) || !subjectArgument(values[0], codes[0])
        || !subjectArgument(values[3], codes[1]))
        return false;
    std::array<int, 2> months{};
    for (size_t i : {size_t{0}, size_t{1}}) {
        if (!monthArgument(values[i + 1], types[i + 1], months[i]) || months[i] == 0) {
            SetErrorText("月份参数出错，应为1到12的整数！");
            return false;
        }
    }
    if (months[1] < months[0]) {
        SetErrorText("月份参数出错，起始月份不能大于终止月份！");
        return false;
    }
    const std::int64_t first = months[0];
    const std::int64_t last = months[1];
    const double net = m_reportDb.queryDouble(kNetAmount, {codes[0], codes[0] + ".", first, last}).value_or(0);
    const double transferred =
        m_reportDb.queryDouble(kNetAmountOnTransfers, {codes[0], codes[0] + ".", first, last, codes[1], codes[1] + "."})
            .value_or(0);
    type = ValueType::Number;
    value = format("%lf", std::round((net - transferred) * 1000000.0) / 1000000.0);
    return true;
}

std::vector<std::string> ReportResult::errors() const
{
    std::vector<std::string> list;
    for (size_t index = 0; index < cells.size() && index < definition.lines.size(); ++index)
        for (size_t c = 0; c < 2; ++c)
            if (cells[index][c].failed) {
                const ReportLine& line = definition.lines[index];
                list.push_back(trimWhitespace(line.item) + "（行次" + line.lineNumber + "）" + definition.columns[c]
                               + "：" + cells[index][c].error);
            }
    return list;
}

ReportResult calculateReport(Database& db, const AccountingCalendar& calendar, const std::string& fileName,
                             const ReportDefinition& definition, int month, std::string_view unitName)
{
    ReportResult result;
    result.definition = definition;
    result.month = month;
    result.unitName = unitName;
    // Every figure as of one moment, though other programs post meanwhile; they are not held up.
    ReadSnapshot snapshot(db, ReadSnapshot::FileLock::Shared);
    result.cells = Calculation(db, calendar, fileName, result.definition, month).run();
    result.check = balanceCheck(result);
    if (result.check.applies && !result.check.balanced && result.errors().empty())
        result.check.text += imbalanceHint(db, definition, month);
    if (!definition.twoHalves) {
        // A statement without the balance check is checked for what it leaves out.
        const std::string unnamed = unnamedProfitAndLoss(db, definition, month);
        if (!unnamed.empty())
            result.check = ReportCheck{true, false, unnamed};
    }
    // Notes on what no figure counts: each makes the line a warning.
    for (const std::string& note : {mixedTransferNote(db, definition, month), unreviewedNote(db, month)}) {
        if (note.empty())
            continue;
        if (result.check.applies)
            result.check.text += "；" + note;
        else
            result.check.text = note;
        result.check.applies = true;
        result.check.balanced = false;
    }
    const std::optional<CivilDate> last = splitDate(calendar.period(month).last);
    if (last) {
        result.periodText = definition.twoHalves ? format("%d年%d月%d日", last->year, last->month, last->day)
                                                 : format("%d年%d月", last->year, last->month);
    }
    return result;
}

std::optional<std::string> checkReportFormulas(Database& db, const AccountingCalendar& calendar,
                                               const std::string& fileName, const ReportDefinition& definition)
{
    const std::vector<std::array<ReportCell, 2>> cells = Calculation(db, calendar, fileName, definition, 1).run();
    for (size_t index = 0; index < cells.size(); ++index)
        for (size_t c = 0; c < 2; ++c)
            if (cells[index][c].failed)
                return "第" + std::to_string(index + 1) + "行（" + trimWhitespace(definition.lines[index].item) + "）"
                       + definition.columns[c] + "的公式：" + cells[index][c].error;
    return std::nullopt;
}

std::vector<std::string> reportSignatureTexts(std::string_view chiefAccountant, std::string_view operatorName)
{
    return {"单位负责人：", "会计主管：" + std::string(chiefAccountant), "制表：" + std::string(operatorName)};
}

std::string reportCellText(const ReportCell& cell)
{
    if (cell.failed)
        return cell.error;
    if (!cell.hasFormula)
        return {};
    return trimWhitespace(FormatNumber(cell.value, 0, 2, 2));
}

ReportTable reportTable(const ReportResult& result)
{
    ReportTable table;
    const ReportDefinition& definition = result.definition;
    const std::array<std::string, 2>& columns = definition.columns;
    if (!definition.twoHalves) {
        table.headers = {"项目", "行次", columns[0], columns[1]};
        for (size_t index = 0; index < definition.lines.size(); ++index) {
            const ReportLine& line = definition.lines[index];
            table.rows.push_back({indentedItem(line), line.lineNumber, reportCellText(result.cells[index][0]),
                                  reportCellText(result.cells[index][1])});
            table.bold.push_back({line.bold, false});
            table.lines.push_back({static_cast<int>(index), -1});
        }
        return table;
    }
    table.headers = {"资产", "行次", columns[0], columns[1], "负债和所有者权益", "行次", columns[0], columns[1]};
    std::array<std::vector<size_t>, 2> halves;
    for (size_t index = 0; index < definition.lines.size(); ++index)
        halves[definition.lines[index].half == 1 ? 1 : 0].push_back(index);
    // The shorter half is padded before its last line, so that the two totals share the last row.
    const size_t rows = std::max(halves[0].size(), halves[1].size());
    for (std::vector<size_t>& half : halves)
        if (!half.empty() && half.size() < rows)
            half.insert(half.end() - 1, rows - half.size(), definition.lines.size());
    for (size_t row = 0; row < rows; ++row) {
        std::vector<std::string> cells;
        std::array<bool, 2> bold = {false, false};
        std::array<int, 2> shown = {-1, -1};
        for (size_t h = 0; h < 2; ++h) {
            const size_t index = row < halves[h].size() ? halves[h][row] : definition.lines.size();
            if (index >= definition.lines.size()) {
                cells.insert(cells.end(), 4, std::string());
                continue;
            }
            shown[h] = static_cast<int>(index);
            const ReportLine& line = definition.lines[index];
            cells.push_back(indentedItem(line));
            cells.push_back(line.lineNumber);
            cells.push_back(reportCellText(result.cells[index][0]));
            cells.push_back(reportCellText(result.cells[index][1]));
            bold[h] = line.bold;
        }
        table.rows.push_back(std::move(cells));
        table.bold.push_back(bold);
        table.lines.push_back(shown);
    }
    return table;
}

} // namespace kszw
