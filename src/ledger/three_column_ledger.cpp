// The three-column ledger: the account's lines read through the index on the code, the opening,
// line and total rows built in C++ with the running balance, and the printed copy's carry rows.
#include "ledger/three_column_ledger.h"

#include "common/text.h"
#include "store/database.h"
#include "store/ks_dbset.h"
#include "store/sql_functions.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace kszw {

namespace {

// Every row of the account's subtree. The range on the code uses the index; the trimmed code then
// decides, so a code written with blanks around it still belongs to its subject (codes that start
// with a blank lie below "!"). "." follows "-" and comes before the digits, so 1001. bounds 1001,
// 1001-… and nothing of 10010.
constexpr std::string_view kSubtreeRows =
    "SELECT T,CER,RN,MRY,KNO,F,MY,MK,TT FROM P0 WHERE KNO>=?1 AND KNO<?2";
// The same rows summed per code, month, direction and status: the amounts of all rows, of the
// opening rows among them, and their counts. The ledgers' index holds every column.
constexpr std::string_view kSubtreeGroups =
    "SELECT KNO,TT,F,MK,sum(MY),sum(CASE CER WHEN '    ' THEN MY END),"
    "count(CASE CER WHEN '    ' THEN 1 END),count(*) FROM P0 WHERE KNO>=?1 AND KNO<?2 GROUP BY KNO,TT,F,MK";

constexpr std::string_view kChildren = "SELECT count(*) FROM SUBT WHERE trim(KNO) LIKE ?1";
constexpr std::string_view kOpeningCer = "    ";

struct Line {
    // Date and number packed for ordering: YYYYMMDD above, the number's four bytes below.
    unsigned long long order = 0;
    std::string date;
    std::string number;
    long long rn = 0;
    std::string summary;
    double debit = 0;
    double credit = 0;
    double signedAmount = 0; // f*my
    bool posted = false;
    bool opening = false;
    std::string tt;
    int month = 0; // val(tt)
};

// Lines come in date order, then number order. A date of eight digits and a number of at most
// four bytes pack into one key; anything else takes the slow way (order 0 marks it).
unsigned long long orderKey(const std::string& date, const std::string& number)
{
    if (date.size() != 8 || number.size() > 4)
        return 0;
    unsigned long long key = 0;
    for (char c : date) {
        if (c < '0' || c > '9')
            return 0;
        key = key * 10 + static_cast<unsigned>(c - '0');
    }
    for (size_t i = 0; i < 4; ++i)
        key = (key << 8) | (i < number.size() ? static_cast<unsigned char>(number[i]) : 0u);
    return key;
}

bool inSubtree(std::string_view code, std::string_view account)
{
    return code == account || (code.size() > account.size() && code.substr(0, account.size()) == account &&
                               code[account.size()] == '-');
}

std::vector<Line> subtreeLines(Database& db, std::string_view account)
{
    std::vector<Line> lines;
    const std::string code(account);
    KS_Dbset rows(db);
    for (const SqlParams& range : accountCodeRanges(code)) {
        for (rows.open(kSubtreeRows, range); !rows.isEOF(); rows.moveNext()) {
            if (!inSubtree(trim(rows.textAt(4)), code))
                continue;
            Line line;
            line.date = rows.textAt(0);
            line.number = rows.textAt(1);
            line.rn = static_cast<long long>(rows.doubleAt(2));
            line.summary = rows.textAt(3);
            const double f = rows.doubleAt(5);
            const double my = rows.doubleAt(6);
            line.debit = 0.5 * (1 + f) * my;
            line.credit = 0.5 * (1 - f) * my;
            line.signedAmount = f * my;
            line.posted = rows.textAt(7) == "4";
            line.opening = line.number == kOpeningCer;
            line.tt = rows.textAt(8);
            line.month = static_cast<int>(leadingNumber(line.tt));
            line.order = orderKey(line.date, line.number);
            lines.push_back(std::move(line));
        }
    }
    return lines;
}

std::string dateOf(const AccountingCalendar& calendar, int month, bool last)
{
    if (month < 1 || month > 12)
        return std::string();
    const MonthPeriod period = calendar.period(month);
    return last ? period.last : period.first;
}

// A row of the grid from the cells of the ledger's text: month and day from the date.
LedgerRow gridRow(const std::string& date, bool detail, std::string number, std::string text, double debit,
                  double credit, double balance)
{
    LedgerRow row;
    row.date = date;
    row.cells[0] = date.size() >= 6 ? date.substr(4, 2) : std::string();
    if (detail)
        row.cells[1] = date.size() > 6 ? date.substr(6) : std::string();
    else
        row.cells[1] = date.size() >= 8 ? date.substr(6, 2) : (date.size() > 6 ? date.substr(6) : std::string());
    row.cells[2] = trimRight(number);
    row.cells[3] = std::move(text);
    row.cells[4] = ledgerAmount(debit);
    row.cells[5] = ledgerAmount(credit);
    const double shown = writtenToCents(balance);
    row.cells[6] = directionWord(shown);
    row.cells[7] = ledgerAmount(std::fabs(shown));
    return row;
}

} // namespace

bool isDetailRow(const LedgerCells& cells)
{
    return !cells[2].empty();
}

std::vector<LedgerRow> BuildSummaryText(Database& db, const AccountingCalendar& calendar, const LedgerSpan& span)
{
    const int m1 = span.startMonth;
    const int m2 = span.endMonth;
    // The opening row: the posted turnover before the start month, and the balance at its start
    // (posted opening rows included). Then per month of the span its posted turnover.
    bool before = false;
    double openDebit = 0, openCredit = 0, balance = 0;
    struct Month {
        int month = 0;
        std::string tt;
        double debit = 0, credit = 0, sum = 0;
    };
    std::vector<Month> months;
    KS_Dbset groups(db);
    for (const SqlParams& range : accountCodeRanges(span.code)) {
        for (groups.open(kSubtreeGroups, range); !groups.isEOF(); groups.moveNext()) {
            if (groups.textAt(3) != "4" || !inSubtree(trim(groups.textAt(0)), span.code))
                continue;
            const std::string tt = groups.textAt(1);
            const int month = static_cast<int>(leadingNumber(tt));
            const double f = groups.doubleAt(2);
            const double all = groups.doubleAt(4);
            const double opening = groups.doubleAt(5);
            const double lines = all - opening;
            const int openingCount = groups.longAt(6);
            const int count = groups.longAt(7);
            // Before the start: everything; in the start month: the opening rows only.
            if (month < m1) {
                before = true;
                openDebit += 0.5 * (1 + f) * lines;
                openCredit += 0.5 * (1 - f) * lines;
                balance += f * all;
            } else if (month == m1 && openingCount > 0) {
                before = true;
                balance += f * opening;
            }
            if (month > m2 || month < m1 || (month == m1 && count == openingCount))
                continue;
            const std::string key = trim(tt);
            auto found = std::find_if(months.begin(), months.end(), [&](const Month& m) { return m.tt == key; });
            if (found == months.end()) {
                months.push_back(Month{month, key});
                found = months.end() - 1;
            }
            found->debit += 0.5 * (1 + f) * lines;
            found->credit += 0.5 * (1 - f) * lines;
            found->sum += f * (month == m1 ? lines : all);
        }
    }

    std::vector<LedgerRow> rows;
    double yearDebit = 0, yearCredit = 0;
    if (before) {
        yearDebit = openDebit;
        yearCredit = openCredit;
        rows.push_back(gridRow(dateOf(calendar, m1, false), false, "", "期 初 余 额 汇 总", openDebit, openCredit,
                               balance));
    } else {
        balance = 0;
    }
    std::stable_sort(months.begin(), months.end(), [](const Month& a, const Month& b) { return a.month < b.month; });
    for (const Month& month : months) {
        balance += month.sum;
        const std::string end = dateOf(calendar, month.month, true);
        rows.push_back(gridRow(end, false, "", "本  月  合  计", month.debit, month.credit, balance));
        yearDebit += month.debit;
        yearCredit += month.credit;
        rows.push_back(gridRow(end, false, "", "本  年  累  计", writtenToCents(yearDebit),
                               writtenToCents(yearCredit), balance));
    }
    return rows;
}

std::vector<LedgerRow> BuildDetailText(Database& db, const AccountingCalendar& calendar, const LedgerSpan& span)
{
    std::vector<Line> lines = subtreeLines(db, span.code);
    const int m1 = span.startMonth;
    const int m2 = span.endMonth;
    std::vector<LedgerRow> rows;

    // The opening figure: every opening row, whatever its status.
    double opening = 0;
    std::string firstDate;
    bool hasOpening = false;
    for (const Line& line : lines)
        if (line.opening) {
            opening += line.signedAmount;
            if (!hasOpening || line.date < firstDate)
                firstDate = line.date;
            hasOpening = true;
        }
    double balance = opening;
    double yearDebit = 0, yearCredit = 0;

    bool before = false;
    for (const Line& line : lines)
        if (line.posted && !line.opening && line.month < m1) {
            before = true;
            yearDebit += line.debit;
            yearCredit += line.credit;
        }
    if (before) {
        balance = opening + yearDebit - yearCredit;
        rows.push_back(
            gridRow(dateOf(calendar, m1, false), true, "", "期 初 余 额 汇 总", yearDebit, yearCredit, balance));
    } else if (std::fabs(opening) > kLedgerZero) {
        rows.push_back(gridRow(firstDate, true, "", "期 初 余 额", 0, 0, opening));
    }

    // The lines of the span in date order, then number order.
    std::vector<const Line*> span_lines;
    for (const Line& line : lines)
        if (line.posted && !line.opening && line.month >= m1 && line.month <= m2)
            span_lines.push_back(&line);
    std::stable_sort(span_lines.begin(), span_lines.end(), [](const Line* a, const Line* b) {
        if (a->order && b->order && a->order != b->order)
            return a->order < b->order;
        if (a->date != b->date)
            return a->date < b->date;
        if (a->number != b->number)
            return a->number < b->number;
        return a->rn < b->rn;
    });
    // A month is its accounting month alone: a month that spans New Year stays one month.
    double monthDebit = 0, monthCredit = 0;
    const auto closeMonth = [&](int month) {
        yearDebit += monthDebit;
        yearCredit += monthCredit;
        const std::string end = dateOf(calendar, month, true);
        rows.push_back(gridRow(end, true, "", "本  月  合  计", writtenToCents(monthDebit),
                               writtenToCents(monthCredit), balance));
        rows.push_back(gridRow(end, true, "", "本  年  累  计", writtenToCents(yearDebit),
                               writtenToCents(yearCredit), balance));
    };
    for (size_t i = 0; i < span_lines.size(); ++i) {
        const Line& line = *span_lines[i];
        if (i > 0 && span_lines[i - 1]->month != line.month) {
            closeMonth(span_lines[i - 1]->month);
            monthDebit = line.debit;
            monthCredit = line.credit;
        } else {
            monthDebit += line.debit;
            monthCredit += line.credit;
        }
        balance += line.debit - line.credit;
        rows.push_back(gridRow(line.date, true, trim(line.number), trimRight(line.summary), line.debit, line.credit,
                               balance));
    }
    if (!span_lines.empty())
        closeMonth(span_lines.back()->month);
    return rows;
}

bool accountHasChildren(Database& db, std::string_view code)
{
    // A code is digits and "-": wildcards of LIKE never name an account.
    if (code.find_first_of("%_") != std::string_view::npos)
        return false;
    return db.queryLong(kChildren, {trim(code) + "-%"}) > 0;
}

bool detailInForce(LedgerMode mode, bool hasChildren)
{
    switch (mode) {
    case LedgerMode::Detail: return true;
    case LedgerMode::Summary: return false;
    default: return !hasChildren;
    }
}

LedgerLoad loadLedger(Database& db, const AccountingCalendar& calendar, const LedgerSpan& span, LedgerMode mode)
{
    LedgerLoad load;
    load.hasChildren = accountHasChildren(db, span.code);
    load.detail = detailInForce(mode, load.hasChildren);
    load.rows = load.detail ? BuildDetailText(db, calendar, span) : BuildSummaryText(db, calendar, span);
    return load;
}

std::vector<LedgerCells> BuildPrintRows(const std::vector<LedgerCells>& rows, int rowsPerPage)
{
    std::vector<LedgerCells> printed;
    const int L = std::max(rowsPerPage, 1);
    const auto value = [](const std::string& text) {
        return std::strtod(trim(replaceAll(text, ",", "")).c_str(), nullptr);
    };
    double pageDebit = 0, pageCredit = 0;
    for (size_t i = 0; i < rows.size(); ++i) {
        const LedgerCells& row = rows[i];
        if (!isDetailRow(row))
            pageDebit = pageCredit = 0;
        const int P = static_cast<int>(printed.size());
        if (i > 0 && P % L == L - 1 && isDetailRow(row)) {
            const LedgerCells& previous = rows[i - 1];
            if (isDetailRow(previous)) {
                LedgerCells carry{previous[0], previous[1], "", "  过  次  页", ledgerAmount(pageDebit),
                                  ledgerAmount(pageCredit), previous[6], previous[7]};
                printed.push_back(carry);
                carry[3] = "  承  前  页";
                printed.push_back(carry);
            } else {
                printed.push_back(LedgerCells{});
            }
        }
        printed.push_back(row);
        if (isDetailRow(row)) {
            pageDebit += value(row[4]);
            pageCredit += value(row[5]);
        }
    }
    return printed;
}

std::string ledgerTitle(int level)
{
    switch (level) {
    case 1: return " 总分类帐 ";
    case 2: return " 二级分类帐 ";
    case 3: return " 三级分类帐 ";
    case 4: return " 四级分类帐 ";
    case 5: return " 五级分类帐 ";
    default: return " 六级分类帐 ";
    }
}

std::string ledgerPageText(int page)
{
    return format("本帐户第 %4d 页", page);
}

std::optional<PeriodRefusal> checkPeriodMonths(int startMonth, int endMonth)
{
    if (startMonth < 1 || startMonth > 12)
        return PeriodRefusal{"起始月不合理，输入一数!", 0};
    if (endMonth < 1 || endMonth > 12 || endMonth < startMonth)
        return PeriodRefusal{"终止月不合理，输入一数!", 1};
    return std::nullopt;
}

} // namespace kszw
