// A run of the generation dialog: the chosen template's lines evaluated one after another against
// the year's data for the voucher being made. A line whose amount rounds to zero at two decimals is
// dropped; a line whose formula fails stays in the run marked failed, with the evaluator's message,
// and is never handed to the voucher; the others add to the debit or credit total.
#pragma once

#include "store/accounting_calendar.h"
#include "templates/voucher_templates.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kszw {

class Database;
class CCaculateChild;

struct GeneratedLine {
    TemplateLine line;
    double amount = 0; // rounded to two decimals
    bool failed = false;
    std::string error; // the evaluator's message of a failed line
};

class TemplateRun {
public:
    // Over the open year file, for a voucher dated voucherDate (YYYYMMDD).
    TemplateRun(Database& db, const AccountingCalendar& calendar, std::string fileName, std::string voucherDate);
    ~TemplateRun();

    // Prepares the run of a template: nothing, or why it cannot run — the voucher's date outside
    // the year ("凭证制作时间不在本年度内！", checked first), a template without lines
    // ("此模板未定义凭证分录行！"), a line whose subject does not exist ("科目“X”出错！").
    std::optional<std::string> start(int templateNumber);
    // Evaluates the next line; false when none was left.
    bool step();
    // Evaluates every line left.
    void runAll();
    bool finished() const { return m_next >= m_pending.size(); }

    // The lines evaluated so far, in order: zero lines dropped, failed lines marked.
    const std::vector<GeneratedLine>& results() const { return m_results; }
    // The lines the voucher receives: evaluated, not failed, not zero.
    std::vector<GeneratedLine> keptLines() const;
    bool hasFailures() const;
    // How far the run is: lines evaluated, lines of the template, lines dropped as zero.
    size_t evaluatedCount() const { return m_next; }
    size_t lineCount() const { return m_pending.size(); }
    size_t zeroCount() const { return m_zero; }
    double debitTotal() const { return m_debit; }
    double creditTotal() const { return m_credit; }

private:
    Database& m_db;
    AccountingCalendar m_calendar;
    std::string m_fileName;
    std::string m_voucherDate;
    std::unique_ptr<CCaculateChild> m_evaluator;
    std::vector<TemplateLine> m_pending;
    size_t m_next = 0;
    std::vector<GeneratedLine> m_results;
    size_t m_zero = 0;
    double m_debit = 0;
    double m_credit = 0;
};

inline constexpr std::string_view kDateOutsideYear = "凭证制作时间不在本年度内！";

} // namespace kszw
