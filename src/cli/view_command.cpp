// kszw-cli view: prints the rows a view of the program shows, head texts first as "# " lines,
// cells separated by TAB (tsv) or as CSV records (csv); writes them to an Excel workbook (xlsx),
// amounts as numbers; or writes the view's printed pages to a PDF file (pdf), drawn by the view
// itself.
#include "chart/chart_listing.h"
#include "cli/cli_login.h"
#include "cli/cli_prompt.h"
#include "cli/commands.h"
#include "cli/options.h"
#include "cli/pdf_output.h"
#include "cli/view_kinds.h"
#include "common/clock.h"
#include "common/csv.h"
#include "common/text.h"
#include "formview/table_export.h"
#include "voucher/voucher.h"
#include "store/accounting_calendar.h"
#include "voucher/voucher_listing.h"
#include "voucher/voucher_selection.h"
#include "voucher/voucher_summary.h"

#include <algorithm>
#include <cstdio>
#include <set>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iostream>
#include <sstream>

namespace kszw::cli {

namespace {

constexpr const char* kViewUsage =
    "view FILE VIEW [--operator OP] [--password P] [--subject CODE] [--date YYYYMMDD] [--number N] "
    "[--month M] [--parent K] [--numbers N1,N2…|--classes C1,C2…] [--range all|reviewed|unreviewed] "
    "[--from M|YYYYMMDD] [--to M|YYYYMMDD] [--mode auto|detail|summary] [--print-rows] [--rows-per-page N] "
    "[--levels next|all] [--amount A [--amount2 B]] [--side debit|credit] [--text T] [--order date|subject] "
    "[--name REPORT] [--format tsv|csv|pdf|xlsx] [--out PATH]";


// The root the chart is listed from, after the checks of the scope dialog; nothing when refused.
std::optional<std::string> chartRoot(CKszwEnv& env, const ParsedArguments& parsed, Prompt& prompt)
{
    const std::string root = trimWhitespace(parsed.option("--subject").value_or(""));
    if (!chartHasSubjects(env.db())) {
        prompt.warn(kNoSubjectsThisYear);
        return std::nullopt;
    }
    if (!root.empty() && !isChartListingRoot(env.db(), root)) {
        prompt.warn(kNoSubSubjectsToList);
        return std::nullopt;
    }
    return root;
}

std::optional<ViewOutput> chartView(CKszwEnv& env, const ParsedArguments& parsed, Prompt& prompt)
{
    const std::optional<std::string> root = chartRoot(env, parsed, prompt);
    if (!root)
        return std::nullopt;
    ViewOutput output;
    output.heads = {trim(kChartListingTitle), chartUnitText(env.unitName()),
                    chartPrintTimeText(SystemClock().today()), chartMakerText(env.operatorName())};
    output.rows = buildChartListing(env.db(), *root);
    output.headerRows = 0;
    output.footHeads = 1;
    return output;
}

bool chartPdf(CKszwEnv& env, const ParsedArguments& parsed, Prompt& prompt, const std::string& path)
{
    const std::optional<std::string> root = chartRoot(env, parsed, prompt);
    return root && writeChartPdf(env, *root, path, prompt);
}

// One stored voucher as the voucher views show it: the title, head line and foot line as "# "
// lines, the column titles, one row per line and the totals row. Date and number are checked as
// the head cells check them.
std::optional<VoucherListing> chosenVoucher(CKszwEnv& env, const ParsedArguments& parsed, Prompt& prompt)
{
    const std::string date = trimWhitespace(parsed.option("--date").value_or(""));
    if (date.size() != 8 || !isAllDigits(date)) {
        prompt.warn("日期应为年月日八位数字（如20260315）！");
        return std::nullopt;
    }
    std::string number = toUpperAscii(trimWhitespace(parsed.option("--number").value_or("")));
    CVoucher voucher(env, SystemClock());
    int classLength = 0;
    const int parsedNumber = voucher.ParseNumber(classLength, number, false);
    if (parsedNumber != voucher_result::kOk) {
        prompt.warn(numberRefusal(parsedNumber, false));
        return std::nullopt;
    }
    const std::optional<VoucherListing> listing = loadVoucherListing(env.db(), {date, number});
    if (!listing) {
        prompt.warn("该凭证不存在，请按回车键退出！");
        return std::nullopt;
    }
    return listing;
}

std::optional<ViewOutput> voucherView(CKszwEnv& env, const ParsedArguments& parsed, Prompt& prompt)
{
    const std::optional<VoucherListing> listing = chosenVoucher(env, parsed, prompt);
    if (!listing)
        return std::nullopt;
    const bool quantity = listing->quantityColumns;
    ViewOutput output;
    std::string foot;
    for (const std::string& text : listingFootTexts(env.chiefAccountant(), listing->reviewerName, listing->makerName))
        foot += (foot.empty() ? "" : "    ") + text;
    output.heads = {trim(kVoucherDisplayTitle),
                    listingMonthLabel(env.year(), std::atoi(listing->month.c_str())) + "    " +
                        listingNumberText(listing->key.number) + "    " + listingAttachmentsText(listing->attachments),
                    foot};
    output.rows.push_back(listingColumnTitles(quantity));
    for (const ListedLine& line : listing->lines)
        output.rows.push_back(listingRow(line, quantity));
    output.rows.push_back(listingTotalsRow(kTotalLabel, listing->debitTotal, listing->creditTotal, quantity));
    output.footHeads = 1;
    return output;
}

bool voucherPdf(CKszwEnv& env, const ParsedArguments& parsed, Prompt& prompt, const std::string& path)
{
    const std::optional<VoucherListing> listing = chosenVoucher(env, parsed, prompt);
    return listing && writeVoucherPdf(env, listing->key, path, prompt);
}

// The words of a comma-separated list, blanks removed, empty words left out.
std::vector<std::string> listWords(const std::string& text)
{
    std::vector<std::string> words;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t comma = text.find(',', start);
        const std::string word = toUpperAscii(trimWhitespace(text.substr(start, comma - start)));
        if (!word.empty())
            words.push_back(word);
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    return words;
}

// The voucher summary of a month: of the chosen vouchers (--numbers), of the chosen classes
// (--classes) or, without either, of every complete voucher of the month in the range; below
// --parent when given.
struct SummaryChoice {
    SummarySelection selection;
    int month = 0;
    std::string parent;
};

std::optional<SummaryChoice> chosenSummary(CKszwEnv& env, const ParsedArguments& parsed, Prompt& prompt)
{
    const std::string monthText = trimWhitespace(parsed.option("--month").value_or(""));
    const int month = isAllDigits(monthText) && monthText.size() <= 2 ? std::atoi(monthText.c_str()) : 0;
    if (month < 1 || month > 12) {
        prompt.warn("--month 应为 1 到 12 的会计月份！");
        return std::nullopt;
    }
    const std::string rangeText = parsed.option("--range").value_or("all");
    SummarySelection selection;
    selection.month = monthCode(month);
    if (rangeText == "all")
        selection.range = VoucherRange::All;
    else if (rangeText == "reviewed")
        selection.range = VoucherRange::Reviewed;
    else if (rangeText == "unreviewed")
        selection.range = VoucherRange::Unreviewed;
    else {
        prompt.warn("--range 只能是 all、reviewed 或 unreviewed！");
        return std::nullopt;
    }
    if (const std::optional<std::string> classes = parsed.option("--classes")) {
        if (!hasVoucherClasses(env.db())) {
            prompt.warn("本年度没有设置凭证类别，不能按类别汇总！");
            return std::nullopt;
        }
        selection.byClass = true;
        selection.classes = listWords(*classes);
        if (selection.classes.size() > static_cast<size_t>(kMaxSummaryClasses)) {
            prompt.warn(kTooManyClasses);
            return std::nullopt;
        }
    } else if (const std::optional<std::string> numbers = parsed.option("--numbers")) {
        // Each number is read as the number cell reads it: "1" is voucher 0001.
        // Only what the selection would list can be chosen: complete vouchers of the month in the
        // range.
        std::set<std::string> listed;
        for (const SelectionEntry& entry :
             voucherEntries(env.db(), selection.month, SelectionMode::Summary, selection.range))
            listed.insert(entry.key.number);
        CVoucher voucher(env, SystemClock());
        for (std::string number : listWords(*numbers)) {
            int classLength = 0;
            const int parsedNumber = voucher.ParseNumber(classLength, number, false);
            if (parsedNumber != voucher_result::kOk) {
                prompt.warn(numberRefusal(parsedNumber, false));
                return std::nullopt;
            }
            if (!listed.count(number)) {
                prompt.warn("第" + number + "号凭证不在本月可汇总的凭证中（只汇总所选范围内已平或已复核的凭证）！");
                return std::nullopt;
            }
            selection.numbers.push_back(number);
        }
    } else {
        for (const SelectionEntry& entry :
             voucherEntries(env.db(), selection.month, SelectionMode::Summary, selection.range))
            selection.numbers.push_back(entry.key.number);
    }
    const std::string parent = trimWhitespace(parsed.option("--parent").value_or(""));
    if (!parent.empty() && !summaryCanOpen(env.db(), parent)) {
        prompt.warn("科目“" + parent + "”不存在或没有子科目！");
        return std::nullopt;
    }
    return SummaryChoice{selection, month, parent};
}

std::optional<ViewOutput> summaryView(CKszwEnv& env, const ParsedArguments& parsed, Prompt& prompt)
{
    const std::optional<SummaryChoice> choice = chosenSummary(env, parsed, prompt);
    if (!choice)
        return std::nullopt;
    const VoucherSummary summary = BuildSummary(env.db(), choice->selection, choice->parent);
    ViewOutput output;
    std::string foot;
    for (const std::string& text : summaryFootTexts(env.chiefAccountant(), env.operatorName()))
        foot += (foot.empty() ? "" : "    ") + text;
    output.heads = {trim(kSummaryTitle), summaryHeaderLabel(env.year(), choice->month), foot};
    output.rows.push_back(summaryColumnTitles());
    for (const SummaryRow& row : summary.rows)
        output.rows.push_back(summaryRowCells(row));
    output.rows.push_back(summaryTotalsCells(summary));
    output.footHeads = 1;
    return output;
}

bool summaryPdf(CKszwEnv& env, const ParsedArguments& parsed, Prompt& prompt, const std::string& path)
{
    const std::optional<SummaryChoice> choice = chosenSummary(env, parsed, prompt);
    return choice && writeSummaryPdf(env, choice->selection, choice->parent, path, prompt);
}

const std::vector<ViewKindEntry>& viewKinds()
{
    static const std::vector<ViewKindEntry> kinds = {
        {"chart", "0402", chartView, chartPdf},
        {"voucher", "0201", voucherView, voucherPdf},
        {"summary", "0202", summaryView, summaryPdf},
    };
    static const std::vector<ViewKindEntry> all = [] {
        std::vector<ViewKindEntry> joined = kinds;
        for (const ViewKindEntry& entry : ledgerViewKinds())
            joined.push_back(entry);
        for (const ViewKindEntry& entry : reportViewKinds())
            joined.push_back(entry);
        return joined;
    }();
    return all;
}

std::string render(const ViewOutput& output, bool csv)
{
    std::string text;
    for (const std::string& head : output.heads)
        text += (csv ? csvField("# " + head) : "# " + head) + "\n";
    for (const std::vector<std::string>& row : output.rows) {
        if (csv) {
            text += csvRecord(row);
        } else {
            for (size_t i = 0; i < row.size(); ++i)
                text += (i > 0 ? "\t" : "") + row[i];
        }
        text += "\n";
    }
    return text;
}

// Whether a body column holds figures: every filled cell is one, and one at least has a point
// or a grouping comma (codes, months, days and voucher numbers have neither).
bool isFigureColumn(const ViewOutput& output, size_t col)
{
    bool grouped = false;
    for (size_t row = static_cast<size_t>(std::max(0, output.headerRows)); row < output.rows.size(); ++row) {
        const std::vector<std::string>& cells = output.rows[row];
        if (col >= cells.size() || trimWhitespace(cells[col]).empty())
            continue;
        if (!parseFigure(cells[col]))
            return false;
        grouped = grouped || cells[col].find_first_of(".,") != std::string::npos;
    }
    return grouped;
}

// The output as a spreadsheet table: the first head the title, the view's foot lines under the
// table, the figures of the figure columns as numbers.
ExportTable exportTableOf(const ViewOutput& output)
{
    ExportTable table;
    const size_t heads = output.heads.size();
    const size_t footHeads = std::min(heads, static_cast<size_t>(std::max(0, output.footHeads)));
    for (size_t i = 0; i < heads; ++i) {
        if (i == 0 && i < heads - footHeads)
            table.title = output.heads[i];
        else
            (i < heads - footHeads ? table.headLines : table.footLines).push_back({textCell(output.heads[i])});
    }
    size_t columns = 0;
    for (const std::vector<std::string>& row : output.rows)
        columns = std::max(columns, row.size());
    std::vector<bool> figures(columns);
    for (size_t col = 0; col < columns; ++col)
        figures[col] = isFigureColumn(output, col);
    for (size_t row = 0; row < output.rows.size(); ++row) {
        const bool header = row < static_cast<size_t>(std::max(0, output.headerRows));
        ExportRow cells;
        for (size_t col = 0; col < output.rows[row].size(); ++col) {
            const std::string& text = output.rows[row][col];
            cells.push_back(header         ? textCell(trimWhitespace(text), ExportAlign::Center)
                            : figures[col] ? figureCell(text)
                                           : textCell(text));
        }
        (header ? table.headerRows : table.rows).push_back(std::move(cells));
    }
    table.columnWidths = fittingColumnWidths(table);
    return table;
}

} // namespace

int runView(const Arguments& args)
{
    ParsedArguments parsed =
        parseArguments(args,
                       {"--operator", "--password", "--subject", "--date", "--number", "--month", "--parent", "--numbers",
                        "--classes", "--range", "--from", "--to", "--mode", "--rows-per-page", "--levels", "--amount",
                        "--amount2", "--side", "--text", "--order", "--name", "--format", "--out"},
                       {"--print-rows"});
    if (!parsed.ok)
        return badUsage(parsed.error, kViewUsage);
    if (parsed.positional.size() != 2)
        return badUsage("a year data file and a view expected", kViewUsage);
    const ViewKindEntry* kind = nullptr;
    for (const ViewKindEntry& candidate : viewKinds())
        if (parsed.positional[1] == candidate.name)
            kind = &candidate;
    if (!kind)
        return badUsage("unknown view " + parsed.positional[1], kViewUsage);
    const std::string formatName = parsed.option("--format").value_or("tsv");
    const bool pdf = formatName == "pdf";
    const bool xlsx = formatName == "xlsx";
    if (formatName != "tsv" && formatName != "csv" && !xlsx && !(pdf && kind->pdf))
        return badUsage(kind->pdf ? "--format takes tsv, csv, xlsx or pdf for this view"
                                  : "--format takes tsv, csv or xlsx for this view",
                        kViewUsage);
    const std::optional<std::string> out = parsed.option("--out");
    if (pdf && (!out || out->empty()))
        return badUsage("--format pdf needs --out PATH", kViewUsage);
    if (xlsx && (!out || out->empty()))
        return badUsage("--format xlsx needs --out PATH", kViewUsage);

    CliPrompt prompt;
    std::unique_ptr<CKszwEnv> env = loginForCommand(parsed.positional[0], parsed.option("--operator").value_or(""),
                                                    parsed.option("--password").value_or(""), kind->right, prompt);
    if (!env)
        return 1;
    if (pdf)
        return kind->pdf(*env, parsed, prompt, *out) ? 0 : 1;
    std::optional<ViewOutput> output = kind->build(*env, parsed, prompt);
    if (!output)
        return 1;
    const int status = output->failed ? 1 : 0;
    if (xlsx)
        return writeExportXlsx(exportTableOf(*output), *out, prompt) ? status : 1;
    const std::string text = render(*output, formatName == "csv");
    if (out) {
        std::ofstream file(*out, std::ios::binary);
        file << (formatName == "csv" ? "\xEF\xBB\xBF" : "") << text;
        if (!file) {
            std::fprintf(stderr, "无法写入文件“%s”！\n", out->c_str());
            return 1;
        }
        return status;
    }
    std::fwrite(text.data(), 1, text.size(), stdout);
    return status;
}

} // namespace kszw::cli
