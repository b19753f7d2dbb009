// Calculating a statement: one evaluator per cell, line references resolved on demand with the
// values memorised, loops refused, failures carried to the lines that read them.
#include "reports/report_calculation.h"

#include "common/text.h"
#include "formula/format_number.h"
#include "store/database.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <optional>

namespace kszw {

namespace {

// To the cent, half away from zero, as every amount the program shows is rounded.
double toCents(double value)
{
    return ReadNumber(FixedText(value, 2));
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
            differences += definition.columns[c] + "相差" + trimWhitespace(FormatNumber(difference, 0, 2, 2));
        }
    }
    check.balanced = differences.empty();
    check.text = leftItem + "与" + rightItem + (check.balanced ? "相等" : "不相等：" + differences);
    return check;
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
    result.cells = Calculation(db, calendar, fileName, result.definition, month).run();
    result.check = balanceCheck(result);
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
        for (size_t h = 0; h < 2; ++h) {
            const size_t index = row < halves[h].size() ? halves[h][row] : definition.lines.size();
            if (index >= definition.lines.size()) {
                cells.insert(cells.end(), 4, std::string());
                continue;
            }
            const ReportLine& line = definition.lines[index];
            cells.push_back(indentedItem(line));
            cells.push_back(line.lineNumber);
            cells.push_back(reportCellText(result.cells[index][0]));
            cells.push_back(reportCellText(result.cells[index][1]));
            bold[h] = line.bold;
        }
        table.rows.push_back(std::move(cells));
        table.bold.push_back(bold);
    }
    return table;
}

} // namespace kszw
