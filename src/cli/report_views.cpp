// kszw-cli view report: a financial statement of an accounting month as the report view shows and
// prints it. A cell whose formula fails shows the evaluator's message, which also goes to stderr,
// and the command then ends with status 1 after writing what it could.
#include "cli/pdf_output.h"
#include "cli/view_kinds.h"
#include "common/prompt.h"
#include "common/text.h"
#include "ledger/balance_tables.h"
#include "ledger/ledger_conventions.h"
#include "reports/report_calculation.h"
#include "session/kszw_env.h"

#include <cstdlib>
#include <filesystem>

namespace kszw::cli {

namespace {

struct ReportChoice {
    ReportDefinition definition;
    int month = 0;
};

std::optional<ReportChoice> chosenReport(CKszwEnv& env, const ParsedArguments& parsed, Prompt& prompt)
{
    const std::string name = trimWhitespace(parsed.option("--name").value_or(""));
    const std::string monthText = trimWhitespace(parsed.option("--month").value_or(""));
    const int month = isAllDigits(monthText) && !monthText.empty() && monthText.size() <= 2
                          ? std::atoi(monthText.c_str())
                          : 0;
    if (month < 1 || month > 12) {
        prompt.warn("--month 应为 1 到 12 的会计月份！");
        return std::nullopt;
    }
    std::optional<ReportDefinition> definition = findReport(env.db(), name);
    if (!definition) {
        std::string names;
        for (const ReportDefinition& report : loadReports(env.db()))
            names += (names.empty() ? "" : "、") + report.name;
        prompt.warn(name.empty() ? "--name 应为报表名称（本年度的报表：" + names + "）！"
                                 : "没有名为“" + name + "”的报表（本年度的报表：" + names + "）！");
        return std::nullopt;
    }
    return ReportChoice{std::move(*definition), month};
}

ReportResult calculated(CKszwEnv& env, const ReportChoice& choice)
{
    return calculateReport(env.db(), yearCalendar(env.db()), std::filesystem::path(env.filePath()).filename().string(),
                           choice.definition, choice.month, env.unitName());
}

// Tells every failed cell; true when there was none.
bool toldFailures(const ReportResult& result, Prompt& prompt)
{
    const std::vector<std::string> errors = result.errors();
    for (const std::string& error : errors)
        prompt.warn(error);
    return errors.empty();
}

std::optional<ViewOutput> reportView(CKszwEnv& env, const ParsedArguments& parsed, Prompt& prompt)
{
    const std::optional<ReportChoice> choice = chosenReport(env, parsed, prompt);
    if (!choice)
        return std::nullopt;
    const ReportResult result = calculated(env, *choice);
    const ReportTable table = reportTable(result);
    ViewOutput output;
    output.heads = {result.definition.name,
                    "编制单位：" + env.unitName() + "    " + result.periodText + "    " + result.definition.formCode
                        + "    单位：元"};
    output.rows.push_back(table.headers);
    for (const std::vector<std::string>& row : table.rows)
        output.rows.push_back(row);
    if (result.check.applies)
        output.heads.push_back(result.check.text);
    std::string signatures;
    for (const std::string& text : reportSignatureTexts(env.chiefAccountant(), env.operatorName()))
        signatures += (signatures.empty() ? "" : "    ") + text;
    output.heads.push_back(signatures);
    output.footHeads = result.check.applies ? 2 : 1;
    output.failed = !toldFailures(result, prompt);
    return output;
}

bool reportPdf(CKszwEnv& env, const ParsedArguments& parsed, Prompt& prompt, const std::string& path)
{
    const std::optional<ReportChoice> choice = chosenReport(env, parsed, prompt);
    if (!choice)
        return false;
    const bool complete = toldFailures(calculated(env, *choice), prompt);
    return writeReportPdf(env, choice->definition, choice->month, path, prompt) && complete;
}

} // namespace

const std::vector<ViewKindEntry>& reportViewKinds()
{
    // Viewing a statement takes the right of the balance table.
    static const std::vector<ViewKindEntry> kinds = {{"report", "0305", reportView, reportPdf}};
    return kinds;
}

} // namespace kszw::cli
