// A template run: the checks before it, and each line's evaluation, rounding and totals.
#include "templates/template_generation.h"

#include "common/dates.h"
#include "common/text.h"
#include "formula/format_number.h"
#include "store/database.h"
#include "store/database_error.h"
#include "store/error_messages.h"
#include "templates/caculate_child.h"

#include <cmath>

namespace kszw {

namespace {

constexpr std::string_view kSubjectExists = "SELECT count(*) FROM SUBT WHERE trim(KNO)=?1";

// The amount as the voucher shows it: two decimals, half away from zero on the exact value.
double roundToCents(double value)
{
    return ReadNumber(RemoveGroupCommas(FormatNumber(value, 0, 2, 2)));
}

} // namespace

TemplateRun::TemplateRun(Database& db, const AccountingCalendar& calendar, std::string fileName,
                         std::string voucherDate)
    : m_db(db), m_calendar(calendar), m_fileName(std::move(fileName)), m_voucherDate(std::move(voucherDate))
{
}

TemplateRun::~TemplateRun() = default;

std::optional<std::string> TemplateRun::start(int templateNumber)
{
    m_pending.clear();
    m_results.clear();
    m_next = 0;
    m_zero = 0;
    m_debit = m_credit = 0;
    const std::optional<CivilDate> date = splitDate(m_voucherDate);
    if (!date || m_calendar.monthOf(m_voucherDate) == 0)
        return std::string(kDateOutsideYear);
    std::vector<TemplateLine> lines = templateLines(m_db, templateNumber);
    if (lines.empty())
        return std::string(kNoTemplateLines);
    for (const TemplateLine& line : lines)
        if (m_db.queryLong(kSubjectExists, {trim(line.subject)}) == 0)
            return "科目“" + trim(line.subject) + "”出错！";
    m_evaluator = std::make_unique<CCaculateChild>(m_db, m_calendar, m_fileName, *date);
    m_evaluator->LoadVariables();
    m_pending = std::move(lines);
    return std::nullopt;
}

bool TemplateRun::step()
{
    if (finished() || !m_evaluator)
        return false;
    const TemplateLine& line = m_pending[m_next++];
    double result = 0;
    bool calculated = false;
    try {
        calculated = m_evaluator->CalcNumber(result, line.formula);
    } catch (const DatabaseError& error) {
        // The line's data could not be read: it fails like a formula error, never silently.
        m_results.push_back(GeneratedLine{line, 0, true, userMessage(error, m_db.path())});
        return true;
    }
    if (!calculated) {
        int code = 0, position = 0;
        std::string message;
        m_evaluator->GetError(code, message, position);
        m_results.push_back(GeneratedLine{line, 0, true, message});
        return true;
    }
    // The amount is the one the voucher will show: a line that rounds to nothing is dropped.
    const double amount = roundToCents(result);
    if (std::fabs(amount) < 0.0000001) {
        ++m_zero;
        return true;
    }
    (line.direction == 1 ? m_debit : m_credit) += amount;
    m_results.push_back(GeneratedLine{line, amount, false, {}});
    return true;
}

void TemplateRun::runAll()
{
    while (step()) {
    }
}

std::vector<GeneratedLine> TemplateRun::keptLines() const
{
    std::vector<GeneratedLine> kept;
    for (const GeneratedLine& result : m_results)
        if (!result.failed)
            kept.push_back(result);
    return kept;
}

bool TemplateRun::hasFailures() const
{
    for (const GeneratedLine& result : m_results)
        if (result.failed)
            return true;
    return false;
}

} // namespace kszw
