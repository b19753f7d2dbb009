// kszw-cli view ledger, balance and turnover: the three-column ledger of an account and the two
// balance tables, with the checks of their dialogs and the rows their views show.
#include "chart/chart_listing.h"
#include "chart/subjects.h"
#include "cli/pdf_output.h"
#include "cli/view_kinds.h"
#include "common/clock.h"
#include "common/dates.h"
#include "common/prompt.h"
#include "common/text.h"
#include "ledger/balance_tables.h"
#include "ledger/ledger_search.h"
#include "ledger/multi_column_ledger.h"
#include "ledger/quantity_ledger.h"
#include "ledger/three_column_ledger.h"
#include "session/kszw_env.h"
#include "store/database.h"

#include <cstdlib>

namespace kszw::cli {

namespace {

// A month option: 1 to 12; fallback when absent; nothing when it is not a month.
std::optional<int> monthOption(const ParsedArguments& parsed, const std::string& name, int fallback)
{
    const std::optional<std::string> text = parsed.option(name);
    if (!text)
        return fallback;
    const std::string value = trimWhitespace(*text);
    if (value.empty() || value.size() > 2 || !isAllDigits(value))
        return std::nullopt;
    return std::atoi(value.c_str());
}

bool hasAccounts(CKszwEnv& env, Prompt& prompt)
{
    if (chartHasSubjects(env.db()))
        return true;
    prompt.warn(kNoAccountsThisYear);
    return false;
}

std::string joined(const std::vector<std::string>& texts)
{
    std::string line;
    for (const std::string& text : texts)
        line += (line.empty() ? "" : "    ") + text;
    return line;
}

struct LedgerChoice {
    LedgerSpan span;
    LedgerMode mode = LedgerMode::Automatic;
};

std::optional<LedgerChoice> chosenLedger(CKszwEnv& env, const ParsedArguments& parsed, Prompt& prompt)
{
    if (!hasAccounts(env, prompt))
        return std::nullopt;
    LedgerChoice choice;
    choice.span.code = trimWhitespace(parsed.option("--subject").value_or(""));
    const std::optional<int> from = monthOption(parsed, "--from", 1);
    const std::optional<int> to = monthOption(parsed, "--to", 12);
    if (const std::optional<PeriodRefusal> refusal = checkPeriodMonths(from.value_or(0), to.value_or(0))) {
        prompt.tell(refusal->message, Icon::Stop, kMessageCaption);
        return std::nullopt;
    }
    choice.span.startMonth = *from;
    choice.span.endMonth = *to;
    const std::string mode = parsed.option("--mode").value_or("auto");
    if (mode == "detail")
        choice.mode = LedgerMode::Detail;
    else if (mode == "summary")
        choice.mode = LedgerMode::Summary;
    else if (mode != "auto") {
        prompt.warn("--mode 只能是 auto、detail 或 summary！");
        return std::nullopt;
    }
    if (choice.span.code.empty()) {
        prompt.warn("请用 --subject 指定帐户！");
        return std::nullopt;
    }
    if (const std::optional<std::string> missing = checkSubjectExists(env.db(), choice.span.code)) {
        prompt.warn(*missing);
        return std::nullopt;
    }
    if (!hasPostedEntries(env.db(), choice.span.code, choice.span.endMonth)) {
        prompt.warn(kNoPostedEntries);
        return std::nullopt;
    }
    return choice;
}

std::optional<ViewOutput> ledgerView(CKszwEnv& env, const ParsedArguments& parsed, Prompt& prompt)
{
    const std::optional<LedgerChoice> choice = chosenLedger(env, parsed, prompt);
    if (!choice)
        return std::nullopt;
    const LedgerLoad load = loadLedger(env.db(), yearCalendar(env.db()), choice->span, choice->mode);
    ViewOutput output;
    output.heads = {trim(ledgerTitle(codeLevel(choice->span.code))),
                    "帐户名：" + accountNamePath(env.db(), choice->span.code),
                    "帐户号：" + choice->span.code + "    " +
                        periodTitle(env.year(), choice->span.startMonth, env.year(), choice->span.endMonth)};
    output.rows.push_back({"月", "日", "凭证号码", "摘要", "借方发生额", "贷方发生额", "借或贷", "余额"});
    std::vector<LedgerCells> rows;
    for (const LedgerRow& row : load.rows)
        rows.push_back(row.cells);
    if (parsed.flag("--print-rows") && load.detail) {
        int rowsPerPage = 0;
        if (const std::optional<std::string> given = parsed.option("--rows-per-page"))
            rowsPerPage = isAllDigits(trimWhitespace(*given)) ? std::atoi(given->c_str()) : 0;
        else
            rowsPerPage = ledgerRowsPerPrintedPage(env, prompt);
        if (rowsPerPage < 1) {
            prompt.warn("--rows-per-page 应为正整数！");
            return std::nullopt;
        }
        rows = BuildPrintRows(rows, rowsPerPage);
    }
    for (const LedgerCells& row : rows)
        output.rows.emplace_back(row.begin(), row.end());
    return output;
}

bool ledgerPdf(CKszwEnv& env, const ParsedArguments& parsed, Prompt& prompt, const std::string& path)
{
    const std::optional<LedgerChoice> choice = chosenLedger(env, parsed, prompt);
    return choice && writeLedgerPdf(env, choice->span, choice->mode, path, prompt);
}

// A date option YYYYMMDD split into its parts; nothing when it is not eight digits.
std::optional<std::array<int, 3>> dateOption(const std::string& text)
{
    const std::string value = trimWhitespace(text);
    if (value.size() != 8 || !isAllDigits(value))
        return std::nullopt;
    return std::array<int, 3>{std::atoi(value.substr(0, 4).c_str()), std::atoi(value.substr(4, 2).c_str()),
                              std::atoi(value.substr(6, 2).c_str())};
}

std::optional<BalanceConditions> chosenBalance(CKszwEnv& env, const ParsedArguments& parsed, Prompt& prompt)
{
    if (!hasAccounts(env, prompt))
        return std::nullopt;
    // The table is of one cut-off date: a month range would be silently ignored.
    if (parsed.option("--from") || parsed.option("--to") || parsed.option("--month")) {
        prompt.warn("帐户余额表按截止日期查询，请用 --date YYYYMMDD 指定截止日期！");
        return std::nullopt;
    }
    const AccountingCalendar calendar = yearCalendar(env.db());
    const std::string dateText = parsed.option("--date").value_or(
        initialCutoffDate(calendar, makeDate(SystemClock().today()), env.yearEnd()));
    const std::optional<std::array<int, 3>> date = dateOption(dateText);
    if (!date) {
        prompt.warn("日期应为年月日八位数字（如20260315）！");
        return std::nullopt;
    }
    const std::string parent = trimWhitespace(parsed.option("--parent").value_or(""));
    if (const auto refusal = checkBalanceConditions(env.db(), parent, (*date)[0], (*date)[1], (*date)[2],
                                                    env.yearStart(), env.yearEnd())) {
        prompt.warn(refusal->message);
        return std::nullopt;
    }
    BalanceConditions conditions;
    conditions.parent = parent;
    conditions.cutoffDate = trimWhitespace(dateText);
    conditions.cutoffMonth = calendar.monthOf(conditions.cutoffDate);
    return conditions;
}

std::optional<ViewOutput> balanceView(CKszwEnv& env, const ParsedArguments& parsed, Prompt& prompt)
{
    const std::optional<BalanceConditions> conditions = chosenBalance(env, parsed, prompt);
    if (!conditions)
        return std::nullopt;
    const BalanceTable table = buildBalanceTable(env.db(), *conditions);
    ViewOutput output;
    output.heads = {"帐户余额表", cutoffText(conditions->cutoffDate), unitText(env.unitName()),
                    joined(tableFootTexts(env.operatorName()))};
    output.rows.push_back({"科目代码", "科目名称", "借或贷", "余额"});
    output.footHeads = 1;
    for (const auto& row : table.rows)
        output.rows.emplace_back(row.begin(), row.end());
    return output;
}

bool balancePdf(CKszwEnv& env, const ParsedArguments& parsed, Prompt& prompt, const std::string& path)
{
    const std::optional<BalanceConditions> conditions = chosenBalance(env, parsed, prompt);
    return conditions && writeBalancePdf(env, *conditions, path, prompt);
}

std::optional<TurnoverConditions> chosenTurnover(CKszwEnv& env, const ParsedArguments& parsed, Prompt& prompt)
{
    if (!hasAccounts(env, prompt))
        return std::nullopt;
    // A month (1 to 12) stands for its accounting period: --from its first day, --to its last.
    const AccountingCalendar calendar = yearCalendar(env.db());
    auto periodDay = [&](const std::string& text, bool first) {
        if (text.empty() || text.size() > 2 || !isAllDigits(text))
            return text;
        const int month = std::atoi(text.c_str());
        if (month < 1 || month > 12)
            return text;
        const MonthPeriod period = calendar.period(month);
        return first ? period.first : period.last;
    };
    const std::string fromText = periodDay(trimWhitespace(parsed.option("--from").value_or(env.yearStart())), true);
    const std::string toText = periodDay(trimWhitespace(parsed.option("--to").value_or(env.yearEnd())), false);
    const std::optional<std::array<int, 3>> from = dateOption(fromText);
    const std::optional<std::array<int, 3>> to = dateOption(toText);
    if (!from || !to) {
        prompt.warn("日期应为年月日八位数字（如20260315）！");
        return std::nullopt;
    }
    const std::string parent = trimWhitespace(parsed.option("--parent").value_or(""));
    if (const auto refusal = checkTurnoverConditions(env.db(), (*from)[0], (*from)[1], (*from)[2], (*to)[0], (*to)[1],
                                                     (*to)[2], parent, env.yearStart(), env.yearEnd())) {
        prompt.warn(refusal->message);
        return std::nullopt;
    }
    const std::string levels = parsed.option("--levels").value_or("next");
    if (levels != "next" && levels != "all") {
        prompt.warn("--levels 只能是 next 或 all！");
        return std::nullopt;
    }
    TurnoverConditions conditions;
    conditions.parent = parent;
    conditions.startDate = fromText;
    conditions.endDate = toText;
    conditions.startMonth = calendar.monthOf(fromText);
    conditions.endMonth = calendar.monthOf(toText);
    conditions.listing = levels == "all" ? TurnoverListing::AllLevels : TurnoverListing::NextLevel;
    return conditions;
}

std::optional<ViewOutput> turnoverView(CKszwEnv& env, const ParsedArguments& parsed, Prompt& prompt)
{
    const std::optional<TurnoverConditions> conditions = chosenTurnover(env, parsed, prompt);
    if (!conditions)
        return std::nullopt;
    const TurnoverTable table = buildTurnoverTable(env.db(), *conditions);
    ViewOutput output;
    output.heads = {"帐户余额及发生额表", turnoverPeriodText(conditions->startDate, conditions->endDate),
                    unitText(env.unitName()), joined(tableFootTexts(env.operatorName()))};
    output.rows.push_back({"科目代码", "科目名称", "借或贷", "期初余额", "借方发生额", "贷方发生额", "借或贷", "期末余额"});
    output.footHeads = 1;
    for (const auto& row : table.rows)
        output.rows.emplace_back(row.begin(), row.end());
    return output;
}

bool turnoverPdf(CKszwEnv& env, const ParsedArguments& parsed, Prompt& prompt, const std::string& path)
{
    const std::optional<TurnoverConditions> conditions = chosenTurnover(env, parsed, prompt);
    return conditions && writeTurnoverPdf(env, *conditions, path, prompt);
}

struct MultiColumnChoice {
    LedgerSpan span;
    bool detail = false;
};

std::optional<MultiColumnChoice> chosenMultiColumn(CKszwEnv& env, const ParsedArguments& parsed, Prompt& prompt)
{
    if (!hasAccounts(env, prompt))
        return std::nullopt;
    MultiColumnChoice choice;
    choice.span.code = trimWhitespace(parsed.option("--subject").value_or(""));
    const std::optional<int> from = monthOption(parsed, "--from", 1);
    const std::optional<int> to = monthOption(parsed, "--to", 12);
    if (const std::optional<PeriodRefusal> refusal = checkPeriodMonths(from.value_or(0), to.value_or(0))) {
        prompt.tell(refusal->message, Icon::Stop, kMessageCaption);
        return std::nullopt;
    }
    choice.span.startMonth = *from;
    choice.span.endMonth = *to;
    const std::string mode = parsed.option("--mode").value_or("summary");
    if (mode != "summary" && mode != "detail") {
        prompt.warn("--mode 只能是 summary 或 detail！");
        return std::nullopt;
    }
    choice.detail = mode == "detail";
    if (choice.span.code.empty()) {
        prompt.warn("请用 --subject 指定帐户！");
        return std::nullopt;
    }
    const std::optional<SubjectAttributes> attributes = subjectAttributes(env.db(), choice.span.code);
    if (!attributes || attributes->multiColumn != "1") {
        prompt.warn("科目“" + choice.span.code + "”不是多栏式帐页科目！");
        return std::nullopt;
    }
    if (!hasEntriesBelow(env.db(), choice.span.code, choice.span.endMonth)) {
        prompt.warn(kNoEntriesBelow);
        return std::nullopt;
    }
    return choice;
}

std::optional<ViewOutput> multiColumnView(CKszwEnv& env, const ParsedArguments& parsed, Prompt& prompt)
{
    const std::optional<MultiColumnChoice> choice = chosenMultiColumn(env, parsed, prompt);
    if (!choice)
        return std::nullopt;
    // Children whose side was never set become debit columns, as the view does it.
    setDefaultColumnSides(env.db(), choice->span.code);
    const std::vector<LedgerColumn> columns = ledgerColumns(env.db(), choice->span.code);
    const AccountingCalendar calendar = yearCalendar(env.db());
    const std::vector<MultiColumnRow> rows = choice->detail
                                                 ? BuildMultiColumnDetail(env.db(), calendar, choice->span, columns)
                                                 : BuildMultiColumnSummary(env.db(), calendar, choice->span, columns);
    ViewOutput output;
    output.heads = {trim(kMultiColumnTitle), "帐户名：" + accountNamePath(env.db(), choice->span.code),
                    "帐户号：" + choice->span.code + "    " +
                        periodTitle(env.year(), choice->span.startMonth, env.year(), choice->span.endMonth)};
    std::vector<std::string> titles{"月", "日", "凭证号码", "摘要"};
    for (const LedgerColumn& column : columns)
        titles.push_back((column.sign > 0 ? "借方：" : "贷方：") + column.name);
    titles.push_back("借或贷");
    titles.push_back("余额");
    output.rows.push_back(titles);
    for (const MultiColumnRow& row : rows)
        output.rows.push_back(row.cells);
    return output;
}

bool multiColumnPdf(CKszwEnv& env, const ParsedArguments& parsed, Prompt& prompt, const std::string& path)
{
    const std::optional<MultiColumnChoice> choice = chosenMultiColumn(env, parsed, prompt);
    return choice && writeMultiColumnPdf(env, choice->span, choice->detail, path, prompt);
}

std::optional<LedgerSpan> chosenQuantity(CKszwEnv& env, const ParsedArguments& parsed, Prompt& prompt,
                                         QuantityKind kind)
{
    if (!hasAccounts(env, prompt))
        return std::nullopt;
    LedgerSpan span;
    span.code = trimWhitespace(parsed.option("--subject").value_or(""));
    const std::optional<int> from = monthOption(parsed, "--from", 1);
    const std::optional<int> to = monthOption(parsed, "--to", 12);
    if (const std::optional<PeriodRefusal> refusal = checkPeriodMonths(from.value_or(0), to.value_or(0))) {
        prompt.tell(refusal->message, Icon::Stop, kMessageCaption);
        return std::nullopt;
    }
    span.startMonth = *from;
    span.endMonth = *to;
    if (span.code.empty()) {
        prompt.warn("请用 --subject 指定帐户！");
        return std::nullopt;
    }
    if (const std::optional<std::string> refusal = checkQuantityAccount(env.db(), span.code, span.endMonth, kind)) {
        prompt.warn(*refusal);
        return std::nullopt;
    }
    return span;
}

std::optional<ViewOutput> quantityOutput(CKszwEnv& env, const ParsedArguments& parsed, Prompt& prompt,
                                         QuantityKind kind)
{
    const std::optional<LedgerSpan> span = chosenQuantity(env, parsed, prompt, kind);
    if (!span)
        return std::nullopt;
    const QuantityLedger ledger =
        buildQuantityLedger(env.db(), yearCalendar(env.db()), span->code, span->startMonth, span->endMonth, kind);
    if (ledger.refusal) {
        prompt.warn(*ledger.refusal);
        return std::nullopt;
    }
    ViewOutput output;
    output.heads = {trim(quantityLedgerTitle(kind)), "帐户名：" + accountNamePath(env.db(), span->code),
                    "帐户号：" + span->code + "    " +
                        periodTitle(env.year(), span->startMonth, env.year(), span->endMonth) + "    " +
                        std::string(quantityUnitLabel(kind)) + quantityUnitName(env.db(), span->code, kind)};
    const auto headings = quantityColumnHeadings(kind);
    output.rows.emplace_back(headings.begin(), headings.end());
    for (const QuantityRow& row : ledger.rows)
        output.rows.emplace_back(row.cells.begin(), row.cells.end());
    return output;
}

std::optional<ViewOutput> quantityView(CKszwEnv& env, const ParsedArguments& parsed, Prompt& prompt)
{
    return quantityOutput(env, parsed, prompt, QuantityKind::Quantity);
}

std::optional<ViewOutput> currencyView(CKszwEnv& env, const ParsedArguments& parsed, Prompt& prompt)
{
    return quantityOutput(env, parsed, prompt, QuantityKind::Currency);
}

bool quantityPdf(CKszwEnv& env, const ParsedArguments& parsed, Prompt& prompt, const std::string& path)
{
    const std::optional<LedgerSpan> span = chosenQuantity(env, parsed, prompt, QuantityKind::Quantity);
    return span && writeQuantityPdf(env, *span, QuantityKind::Quantity, path, prompt);
}

bool currencyPdf(CKszwEnv& env, const ParsedArguments& parsed, Prompt& prompt, const std::string& path)
{
    const std::optional<LedgerSpan> span = chosenQuantity(env, parsed, prompt, QuantityKind::Currency);
    return span && writeQuantityPdf(env, *span, QuantityKind::Currency, path, prompt);
}

std::optional<SearchConditions> chosenSearch(CKszwEnv& env, const ParsedArguments& parsed, Prompt& prompt)
{
    if (!hasAccounts(env, prompt))
        return std::nullopt;
    SearchConditions conditions;
    conditions.code = trimWhitespace(parsed.option("--subject").value_or(""));
    conditions.amount = trimWhitespace(parsed.option("--amount").value_or(""));
    conditions.amount2 = trimWhitespace(parsed.option("--amount2").value_or(""));
    conditions.summary = trimWhitespace(parsed.option("--text").value_or(""));
    const std::string side = parsed.option("--side").value_or("");
    if (side == "debit")
        conditions.side = SearchSide::Debit;
    else if (side == "credit")
        conditions.side = SearchSide::Credit;
    else if (!side.empty()) {
        prompt.warn("--side 只能是 debit 或 credit！");
        return std::nullopt;
    }
    const std::optional<int> from = monthOption(parsed, "--from", 1);
    const std::optional<int> to = monthOption(parsed, "--to", 12);
    conditions.startMonth = from.value_or(0);
    conditions.endMonth = to.value_or(0);
    const std::string order = parsed.option("--order").value_or("date");
    if (order != "date" && order != "subject") {
        prompt.warn("--order 只能是 date 或 subject！");
        return std::nullopt;
    }
    conditions.order = order == "subject" ? SearchOrder::BySubject : SearchOrder::ByDate;
    if (const std::optional<SearchRefusal> refusal = checkSearchConditions(env.db(), conditions)) {
        prompt.warn(refusal->message);
        return std::nullopt;
    }
    return conditions;
}

std::optional<ViewOutput> searchView(CKszwEnv& env, const ParsedArguments& parsed, Prompt& prompt)
{
    const std::optional<SearchConditions> conditions = chosenSearch(env, parsed, prompt);
    if (!conditions)
        return std::nullopt;
    const SearchOutcome outcome = runLedgerSearch(env.db(), env.year(), *conditions);
    if (outcome.refusal) {
        prompt.warn(outcome.refusal->message);
        return std::nullopt;
    }
    ViewOutput output;
    output.heads = {"模糊查询帐页", outcome.listing.conditionText};
    output.rows.push_back({"月", "日", "凭证号码", "科目", "摘要", "借或贷", "金额"});
    for (const SearchRow& row : outcome.listing.rows)
        output.rows.emplace_back(row.cells.begin(), row.cells.end());
    return output;
}

bool searchPdf(CKszwEnv& env, const ParsedArguments& parsed, Prompt& prompt, const std::string& path)
{
    const std::optional<SearchConditions> conditions = chosenSearch(env, parsed, prompt);
    return conditions && writeSearchPdf(env, *conditions, path, prompt);
}

} // namespace

const std::vector<ViewKindEntry>& ledgerViewKinds()
{
    static const std::vector<ViewKindEntry> kinds = {
        {"ledger", "0301", ledgerView, ledgerPdf},
        {"balance", "0305", balanceView, balancePdf},
        {"turnover", "0306", turnoverView, turnoverPdf},
        {"multicolumn", "0302", multiColumnView, multiColumnPdf},
        {"quantity", "0303", quantityView, quantityPdf},
        {"currency", "0304", currencyView, currencyPdf},
        {"search", "0307", searchView, searchPdf},
    };
    return kinds;
}

} // namespace kszw::cli
