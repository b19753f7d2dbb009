// The fuzzy ledger-page query: the checks of its conditions, the one statement that counts or lists
// the lines meeting them (every value bound), the condition text of the head and the rows.
#include "ledger/ledger_search.h"

#include "chart/subject_codes.h"
#include "common/text.h"
#include "ledger/ledger_conventions.h"
#include "store/database.h"
#include "store/ks_dbset.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace kszw {

namespace {

// An amount counts as zero within this, and two amounts are one amount within it.
constexpr double kAmountZero = 0.00001;

constexpr std::string_view kCodeExists = "SELECT count(*) FROM SUBT WHERE trim(KNO)=?1 OR trim(KNO) LIKE ?2";
constexpr std::string_view kCountHead = "SELECT count(*)";
// The listing's columns, and the code and line number it is ordered by.
constexpr std::string_view kListHead = "SELECT T,CER,trim(KNO),rtrim(MRY),F,MY,KNO,RN";
// The months and the status come first; the other conditions follow in a fixed order.
constexpr std::string_view kFrom = " FROM P0 WHERE val(TT)>=?1 AND val(TT)<=?2 AND MK='4'";
constexpr std::string_view kDebitSide = " AND F=1";
constexpr std::string_view kCreditSide = " AND F=-1";

// The conditions that take values; each names its parameters by the numbers given (?n).
// The account's own codes and those with a blank in front lie in two ranges of the index on the
// code; the trimmed code then decides, as everywhere in the ledgers.
std::string accountPart(int from, int to, int own, int below)
{
    const auto p = [](int n) { return "?" + std::to_string(n); };
    return " AND ((KNO>=" + p(from) + " AND KNO<" + p(to) + ") OR KNO<'!') AND (trim(KNO)=" + p(own) +
           " OR trim(KNO) LIKE " + p(below) + ")";
}
// Binary comparison: the text is looked for as written, "%" and "_" included.
std::string summaryPart(int text)
{
    return " AND instr(MRY,?" + std::to_string(text) + ")>0";
}
// The amount between the two, within 0.000001 at either end.
std::string rangePart(int low, int high)
{
    return " AND MY-?" + std::to_string(low) + ">=-0.000001 AND MY-?" + std::to_string(high) + "<=0.000001";
}
std::string singlePart(int amount)
{
    return " AND abs(MY-?" + std::to_string(amount) + ")<0.00001";
}

// A typed amount: nothing when the text is not a number; 0 for an empty text.
struct TypedAmount {
    bool filled = false;
    double value = 0;
};

std::optional<TypedAmount> typedAmount(std::string_view typed)
{
    const std::string text = trimWhitespace(typed);
    if (text.empty())
        return TypedAmount{};
    size_t at = text[0] == '-' ? 1 : 0;
    bool digit = false, point = false;
    for (; at < text.size(); ++at) {
        const char c = text[at];
        if (c >= '0' && c <= '9')
            digit = true;
        else if (c == '.' && !point)
            point = true;
        else
            return std::nullopt;
    }
    if (!digit)
        return std::nullopt;
    return TypedAmount{true, std::strtod(text.c_str(), nullptr)};
}

bool isZero(double amount)
{
    return std::fabs(amount) <= kAmountZero;
}

// An amount as the statement compares it: what "%.2lf" writes of it.
double twoDecimals(double amount)
{
    return std::strtod(format("%.2f", amount).c_str(), nullptr);
}

std::string accountCode(const SearchConditions& conditions)
{
    return trimWhitespace(conditions.code);
}

std::string summaryText(const SearchConditions& conditions)
{
    return trimWhitespace(conditions.summary);
}

// The statement's text from " FROM P0" on and its values.
struct Filter {
    std::string sql;
    SqlParams params;
};

Filter searchFilter(const SearchConditions& conditions)
{
    Filter filter;
    filter.sql = kFrom;
    filter.params = {static_cast<std::int64_t>(conditions.startMonth), static_cast<std::int64_t>(conditions.endMonth)};
    // Each value is bound to the next parameter, whose number is returned.
    const auto next = [&filter](const auto& value) {
        filter.params.emplace_back(value);
        return static_cast<int>(filter.params.size());
    };
    if (conditions.side == SearchSide::Debit)
        filter.sql += kDebitSide;
    else if (conditions.side == SearchSide::Credit)
        filter.sql += kCreditSide;
    const std::string summary = summaryText(conditions);
    if (!summary.empty())
        filter.sql += summaryPart(next(summary));
    const std::string code = accountCode(conditions);
    if (!code.empty()) {
        const int from = next(code);
        const int to = next(code + ".");
        const int own = next(code);
        const int below = next(code + "-%");
        filter.sql += accountPart(from, to, own, below);
    }
    const AmountCondition amount = amountCondition(conditions);
    if (amount.kind == AmountCondition::Kind::Range) {
        const int low = next(amount.low);
        const int high = next(amount.high);
        filter.sql += rangePart(low, high);
    } else if (amount.kind == AmountCondition::Kind::Single) {
        filter.sql += singlePart(next(amount.low));
    }
    return filter;
}

// A line as the statement gives it.
struct FoundLine {
    std::string date;    // T
    std::string number;  // CER as stored
    std::string code;    // trim(KNO)
    std::string summary; // rtrim(MRY)
    double f = 0;
    double my = 0;
    std::string kno; // KNO as stored
    double rn = 0;
};

SearchCells lineCells(const std::string& date, const std::string& number, const std::string& code,
                      const std::string& summary, double f, double my)
{
    SearchCells cells;
    cells[0] = date.size() >= 6 ? date.substr(4, 2) : std::string();
    cells[1] = date.size() >= 8 ? date.substr(6, 2) : (date.size() > 6 ? date.substr(6) : std::string());
    cells[2] = number;
    cells[3] = code;
    cells[4] = summary;
    cells[5] = std::lround(f) == 1 ? "借" : "贷";
    cells[6] = ledgerAmount(my);
    return cells;
}

} // namespace

std::optional<SearchRefusal> checkSearchConditions(Database& db, const SearchConditions& conditions)
{
    const std::string code = accountCode(conditions);
    if (!code.empty()) {
        if (!isSubjectCode(code))
            return SearchRefusal{std::string(kMalformedCode), SearchField::Code};
        if (db.queryLong(kCodeExists, {code, code + "-%"}) == 0)
            return SearchRefusal{std::string(kUnknownCode), SearchField::Code};
    }
    const std::optional<TypedAmount> first = typedAmount(conditions.amount);
    if (!first)
        return SearchRefusal{std::string(kMalformedAmount), SearchField::Amount};
    const std::optional<TypedAmount> second = typedAmount(conditions.amount2);
    if (!second)
        return SearchRefusal{std::string(kMalformedAmount), SearchField::Amount2};
    if (code.empty() && isZero(first->value) && isZero(second->value))
        return SearchRefusal{std::string(kCodeOrAmountRequired), SearchField::Code};
    if (!isZero(first->value) && !isZero(second->value) && first->value - second->value > kAmountZero)
        return SearchRefusal{std::string(kAmountsOutOfOrder), SearchField::Amount2};
    if (conditions.startMonth < 1 || conditions.startMonth > 12)
        return SearchRefusal{std::string(kBadStartMonth), SearchField::StartMonth};
    if (conditions.endMonth < 1 || conditions.endMonth > 12 || conditions.endMonth < conditions.startMonth)
        return SearchRefusal{std::string(kBadEndMonth), SearchField::EndMonth};
    if (countSearchMatches(db, conditions) == 0)
        return SearchRefusal{std::string(kNothingFound), SearchField::Code};
    return std::nullopt;
}

AmountCondition amountCondition(const SearchConditions& conditions)
{
    const TypedAmount first = typedAmount(conditions.amount).value_or(TypedAmount{});
    const TypedAmount second = typedAmount(conditions.amount2).value_or(TypedAmount{});
    AmountCondition amount;
    if (first.filled && second.filled && std::fabs(first.value - second.value) > kAmountZero) {
        amount.kind = AmountCondition::Kind::Range;
        amount.low = twoDecimals(first.value);
        amount.high = twoDecimals(second.value);
    } else if (!isZero(first.value)) {
        amount.kind = AmountCondition::Kind::Single;
        amount.low = twoDecimals(first.value);
    } else if (!isZero(second.value)) {
        amount.kind = AmountCondition::Kind::Single;
        amount.low = twoDecimals(second.value);
    }
    return amount;
}

int countSearchMatches(Database& db, const SearchConditions& conditions)
{
    const Filter filter = searchFilter(conditions);
    return db.queryLong(std::string(kCountHead) + filter.sql, filter.params);
}

std::vector<std::string> searchConditionParts(Database& db, int year, const SearchConditions& conditions)
{
    std::vector<std::string> parts;
    const std::string code = accountCode(conditions);
    if (!code.empty())
        parts.push_back("帐户：" + accountNamePath(db, code, kSearchNamePathLimit));
    if (conditions.startMonth == conditions.endMonth)
        parts.push_back(format("  %d 年 %d 月", year, conditions.startMonth));
    else
        parts.push_back(format("  %d 年 %d 月 至 %d 月", year, conditions.startMonth, conditions.endMonth));
    const AmountCondition amount = amountCondition(conditions);
    if (amount.kind == AmountCondition::Kind::Range)
        parts.push_back(format(" 金额在[%.2f ～ %.2f]内", amount.low, amount.high));
    else if (amount.kind == AmountCondition::Kind::Single)
        parts.push_back(format(" 限制金额 = %.2f", amount.low));
    if (conditions.side == SearchSide::Debit)
        parts.push_back("(借方)");
    else if (conditions.side == SearchSide::Credit)
        parts.push_back("(贷方)");
    const std::string summary = summaryText(conditions);
    if (!summary.empty())
        parts.push_back(" 摘要包含“" + summary + "”");
    return parts;
}

SearchListing searchLedgerPages(Database& db, int year, const SearchConditions& conditions)
{
    SearchListing listing;
    listing.conditionParts = searchConditionParts(db, year, conditions);
    for (const std::string& part : listing.conditionParts)
        listing.conditionText += part;

    // The lines are put in order here rather than by the statement: an ORDER BY on the date would
    // have the engine walk the whole file in date order instead of reading the account's codes or
    // scanning once. Texts compare byte by byte as the engine compares them; lines of one voucher
    // keep their line order.
    const Filter filter = searchFilter(conditions);
    std::vector<FoundLine> found;
    KS_Dbset lines(db);
    for (lines.open(std::string(kListHead) + filter.sql, filter.params); !lines.isEOF(); lines.moveNext())
        found.push_back(FoundLine{lines.textAt(0), lines.textAt(1), lines.textAt(2), lines.textAt(3),
                                  lines.doubleAt(4), lines.doubleAt(5), lines.textAt(6), lines.doubleAt(7)});
    const bool bySubject = conditions.order == SearchOrder::BySubject;
    std::stable_sort(found.begin(), found.end(), [bySubject](const FoundLine& a, const FoundLine& b) {
        if (bySubject && a.kno != b.kno)
            return a.kno < b.kno;
        if (a.date != b.date)
            return a.date < b.date;
        if (a.number != b.number)
            return a.number < b.number;
        if (a.rn != b.rn)
            return a.rn < b.rn;
        // Opening balances share date, number and line: by subject, whatever order the engine read them in.
        return a.kno < b.kno;
    });
    listing.rows.reserve(found.size() + 1);
    for (const FoundLine& line : found) {
        const std::string number = trim(line.number);
        listing.total += line.f * line.my;
        listing.rows.push_back(SearchRow{lineCells(line.date, number, line.code, line.summary, line.f, line.my),
                                         line.date.substr(0, 8), number});
    }
    listing.found = static_cast<int>(listing.rows.size());

    // The total row: "借" above the threshold, "贷" otherwise; there is no "平" here.
    SearchRow total;
    total.cells[4] = kSearchTotalText;
    total.cells[5] = listing.total > kAmountZero ? "借" : "贷";
    total.cells[6] = ledgerAmount(std::fabs(listing.total));
    listing.rows.push_back(std::move(total));
    return listing;
}

SearchOutcome runLedgerSearch(Database& db, int year, const SearchConditions& conditions)
{
    SearchOutcome outcome;
    outcome.refusal = checkSearchConditions(db, conditions);
    if (!outcome.refusal)
        outcome.listing = searchLedgerPages(db, year, conditions);
    return outcome;
}

bool isVoucherLine(const SearchRow& row)
{
    return !row.number.empty() && !row.date.empty();
}

std::string searchPageText(int page)
{
    return format("第 %4d 页", page);
}

} // namespace kszw
