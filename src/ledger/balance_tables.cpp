// The balance table and the balance-and-turnover table: one grouped pass over the posted lines of
// the year up to a date, per code and accounting month, rolled up the chart in memory.
#include "ledger/balance_tables.h"

#include "common/dates.h"
#include "common/text.h"
#include "ledger/three_column_ledger.h"
#include "store/database.h"
#include "store/ks_dbset.h"
#include "store/sql_functions.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>

namespace kszw {

namespace {

// Per code, month and direction: the amounts of all rows and of the opening rows among them,
// posted and dated on or before the date. The ledgers' index on (KNO, TT, F, …) holds every column
// and gives the groups in order, so this is one pass over the index.
constexpr std::string_view kGroupedSums = "SELECT KNO,TT,F,sum(MY),sum(CASE CER WHEN '    ' THEN MY END) "
                                          "FROM P0 WHERE MK='4' AND T<=?1 GROUP BY KNO,TT,F";
constexpr std::string_view kSubjects = "SELECT KNO,NA,CLAS FROM SUBT";

struct MonthSums {
    std::string tt; // as stored
    int month = 0;  // val(tt)
    double opening = 0;
    double lines = 0; // f*my of the voucher lines
    double debit = 0;
    double credit = 0;
};

// The sums of every trimmed code.
using CodeSums = std::map<std::string, std::vector<MonthSums>>;

CodeSums groupedSums(Database& db, std::string_view lastDate)
{
    CodeSums sums;
    KS_Dbset rows(db);
    std::string lastCode;
    std::vector<MonthSums>* months = nullptr;
    for (rows.open(kGroupedSums, {std::string(lastDate)}); !rows.isEOF(); rows.moveNext()) {
        const std::string code = rows.textAt(0);
        if (!months || code != lastCode) {
            months = &sums[trim(code)];
            lastCode = code;
        }
        const std::string tt = rows.textAt(1);
        if (months->empty() || months->back().tt != tt) {
            MonthSums month;
            month.tt = tt;
            month.month = static_cast<int>(leadingNumber(tt));
            months->push_back(std::move(month));
        }
        MonthSums& month = months->back();
        const double f = rows.doubleAt(2);
        const double all = rows.doubleAt(3);
        const double opening = rows.doubleAt(4);
        const double lines = all - opening;
        month.opening += f * opening;
        month.lines += f * lines;
        month.debit += 0.5 * (1 + f) * lines;
        month.credit += 0.5 * (1 - f) * lines;
    }
    return sums;
}

struct Subject {
    std::string code;
    std::string name;
    int level = 0;
};

// The chart: the listings of a level and the test for children.
class Chart {
public:
    explicit Chart(Database& db)
    {
        KS_Dbset rows(db);
        for (rows.open(kSubjects); !rows.isEOF(); rows.moveNext())
            m_subjects.push_back(
                Subject{trim(rows.textAt(0)), trim(rows.textAt(1)), static_cast<int>(rows.doubleAt(2))});
    }

    int size() const { return static_cast<int>(m_subjects.size()); }

    // The top level by the number of its codes; the children of parent by the number of their
    // last segment.
    std::vector<const Subject*> level(std::string_view parent) const
    {
        std::vector<std::pair<double, const Subject*>> listed;
        if (parent.empty()) {
            for (const Subject& subject : m_subjects)
                if (subject.level == 1)
                    listed.push_back({leadingNumber(subject.code), &subject});
        } else {
            const std::string prefix = std::string(parent) + "-";
            const int childLevel = codeLevel(parent) + 1;
            for (const Subject& subject : m_subjects)
                if (subject.level == childLevel && subject.code.compare(0, prefix.size(), prefix) == 0)
                    listed.push_back({leadingNumber(subject.code.substr(prefix.size())), &subject});
        }
        std::stable_sort(listed.begin(), listed.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        std::vector<const Subject*> result;
        for (const auto& entry : listed)
            result.push_back(entry.second);
        return result;
    }

    bool hasChildren(std::string_view code) const
    {
        const std::string prefix = std::string(code) + "-";
        return std::any_of(m_subjects.begin(), m_subjects.end(),
                           [&](const Subject& s) { return s.code.compare(0, prefix.size(), prefix) == 0; });
    }

    // Subjects below parent ("" the whole chart).
    int countBelow(std::string_view parent) const
    {
        if (parent.empty())
            return size();
        const std::string prefix = std::string(parent) + "-";
        return static_cast<int>(std::count_if(m_subjects.begin(), m_subjects.end(), [&](const Subject& s) {
            return s.code.compare(0, prefix.size(), prefix) == 0;
        }));
    }

private:
    std::vector<Subject> m_subjects;
};

// Calls visit for every code of the sums that is the account itself (withSelf) or below it.
template <typename Visit>
void forSubtree(const CodeSums& sums, const std::string& account, bool withSelf, bool withChildren, Visit visit)
{
    if (withSelf) {
        auto self = sums.find(account);
        if (self != sums.end())
            visit(self->second);
    }
    if (!withChildren)
        return;
    const std::string prefix = account + "-";
    for (auto it = sums.lower_bound(prefix); it != sums.end() && it->first.compare(0, prefix.size(), prefix) == 0;
         ++it)
        visit(it->second);
}

// A figure as "%.2lf" writes it and the grid reads it back.
double written(double value)
{
    return std::strtod(format("%.2f", value).c_str(), nullptr);
}

void report(const BuildProgress& progress, int done, int total)
{
    if (progress && total > 0)
        progress(static_cast<int>(static_cast<long long>(done) * 100 / total));
}

std::string dateCode(int year, int month, int day)
{
    return format("%04d%02d%02d", year, month, day);
}

} // namespace

BalanceTable buildBalanceTable(Database& db, const BalanceConditions& conditions, const BuildProgress& progress)
{
    const Chart chart(db);
    const CodeSums sums = groupedSums(db, conditions.cutoffDate);
    // A date before month 1 begins still has the opening rows, which lie in month 1.
    const int month = std::max(conditions.cutoffMonth, 1);
    const std::vector<const Subject*> accounts = chart.level(trim(conditions.parent));
    BalanceTable table;
    table.accountCount = static_cast<int>(accounts.size());
    for (size_t i = 0; i < accounts.size(); ++i) {
        report(progress, static_cast<int>(i), table.accountCount);
        double balance = 0;
        forSubtree(sums, accounts[i]->code, true, true, [&](const std::vector<MonthSums>& months) {
            for (const MonthSums& m : months)
                if (m.month <= month)
                    balance += m.opening + m.lines;
        });
        balance = written(balance);
        table.balances.push_back(balance);
        table.total += balance;
        table.rows.push_back({accounts[i]->code, accounts[i]->name, directionWord(balance),
                              ledgerAmount(std::fabs(balance))});
    }
    report(progress, table.accountCount, table.accountCount);
    table.rows.push_back({"", "         合      计", directionWord(table.total), ledgerAmount(std::fabs(table.total))});
    return table;
}

std::string cutoffText(std::string_view date)
{
    if (date.size() < 8)
        return "截止时间：×× 年 × 月 × 日";
    const std::string d(date);
    return format("截止时间：%d 年 %d 月 %d 日", std::atoi(d.substr(0, 4).c_str()), std::atoi(d.substr(4, 2).c_str()),
                  std::atoi(d.substr(6, 2).c_str()));
}

TurnoverTable buildTurnoverTable(Database& db, const TurnoverConditions& conditions, const BuildProgress& progress)
{
    const Chart chart(db);
    const CodeSums sums = groupedSums(db, conditions.endDate);
    const int endMonth = std::max(conditions.endMonth, 1);
    // The start month as the statements compare it: "03", "11".
    const std::string start = conditions.startMonth >= 1 && conditions.startMonth <= 9
                                  ? format("0%1d", conditions.startMonth)
                                  : format("%2d", conditions.startMonth);
    const std::string parent = trim(conditions.parent);
    const int total = conditions.listing == TurnoverListing::AllLevels ? chart.countBelow(parent)
                                                                       : static_cast<int>(chart.level(parent).size());
    TurnoverTable table;
    std::vector<std::array<double, 3>> figures; // opening, debit, credit per row
    int done = 0;
    std::function<void(const std::string&)> list = [&](const std::string& level) {
        for (const Subject* account : chart.level(level)) {
            report(progress, done++, total);
            const bool children = chart.hasChildren(account->code);
            // An account with children sums its descendants; a leaf its own lines.
            double opening = 0, debit = 0, credit = 0;
            forSubtree(sums, account->code, !children, children, [&](const std::vector<MonthSums>& months) {
                for (const MonthSums& m : months) {
                    if (m.month > endMonth)
                        continue;
                    opening += m.opening;
                    if (compareStrings(m.tt, start, 0) < 0) {
                        opening += m.lines;
                    } else {
                        debit += m.debit;
                        credit += m.credit;
                    }
                }
            });
            figures.push_back({opening, debit, credit});
            table.levels.push_back(account->level);
            const double closing = opening + debit - credit;
            table.rows.push_back({account->code, account->name, directionWord(opening, kTurnoverZero),
                                  ledgerBalance(opening, kTurnoverZero), ledgerAmount(debit), ledgerAmount(credit),
                                  directionWord(closing, kTurnoverZero), ledgerBalance(closing, kTurnoverZero)});
            if (conditions.listing == TurnoverListing::AllLevels && children)
                list(account->code);
        }
    };
    list(parent);
    report(progress, total, total);
    // The totals count the first row's level only, so lower levels are not counted twice.
    for (size_t i = 0; i < figures.size(); ++i) {
        if (table.levels[i] != table.levels.front())
            continue;
        table.openingTotal += figures[i][0];
        table.debitTotal += figures[i][1];
        table.creditTotal += figures[i][2];
        table.closingTotal += figures[i][0] + figures[i][1] - figures[i][2];
    }
    const auto turnover = [](double x) { return std::fabs(x) < kTurnoverZero ? std::string() : ledgerAmount(x); };
    table.rows.push_back({"", "   合    计  ", directionWord(table.openingTotal, kTurnoverZero),
                          ledgerBalance(table.openingTotal, kTurnoverZero), turnover(table.debitTotal),
                          turnover(table.creditTotal), directionWord(table.closingTotal, kTurnoverZero),
                          ledgerBalance(table.closingTotal, kTurnoverZero)});
    return table;
}

std::string turnoverPeriodText(std::string_view startDate, std::string_view endDate)
{
    if (startDate.size() < 8 || endDate.size() < 8)
        return "×× 年 × 月 × 日 至 ×× 年 × 月 × 日";
    const auto part = [](std::string_view date, size_t from, size_t length) {
        return std::atoi(std::string(date.substr(from, length)).c_str());
    };
    const int y1 = part(startDate, 0, 4), m1 = part(startDate, 4, 2), d1 = part(startDate, 6, 2);
    const int y2 = part(endDate, 0, 4), m2 = part(endDate, 4, 2), d2 = part(endDate, 6, 2);
    if (y1 == y2 && m1 == m2 && d1 == d2)
        return format("%d 年 %d 月 %d 日", y1, m1, d1);
    if (y1 == y2 && m1 == m2)
        return format("%d 年 %d 月 %d 日 至 %d 日", y1, m1, d1, d2);
    if (y1 == y2)
        return format("%d 年 %d 月 %d 日 至 %d 月 %d 日", y1, m1, d1, m2, d2);
    return format("%d 年 %d 月 %d 日 至 %d 年 %d 月 %d 日", y1, m1, d1, y2, m2, d2);
}

std::string parentForGoingUp(std::string_view currentCode)
{
    return parentCode(parentCode(trim(currentCode)));
}

bool canStepDown(Database& db, std::string_view code)
{
    const std::string trimmed = trim(code);
    return !trimmed.empty() && accountHasChildren(db, trimmed);
}

std::string unitText(std::string_view unitName)
{
    return "单位：" + std::string(unitName);
}

std::string tablePageText(int page)
{
    return format(" 第%4d 页", page);
}

std::vector<std::string> tableFootTexts(std::string_view operatorName)
{
    return {"会计主管：", "复  核：", "制  表：" + std::string(operatorName)};
}

std::optional<ConditionRefusal> checkBalanceConditions(Database& db, std::string_view code, int year, int month,
                                                       int day, std::string_view yearStart, std::string_view yearEnd)
{
    const std::string trimmed = trim(code);
    if (!trimmed.empty() && !accountHasChildren(db, trimmed))
        return ConditionRefusal{"输入的科目代码不存在或没有子科目，请重输！", 0};
    if (year < 1990 || year > 9999)
        return ConditionRefusal{"输入年度不合理，请重输！", 1};
    if (month < 1 || month > 12)
        return ConditionRefusal{"输入月份不合理，请重输！", 2};
    if (day < 1 || day > daysInMonth(year, month))
        return ConditionRefusal{"输入日不合理，请重输！", 3};
    const std::string date = dateCode(year, month, day);
    if (date < trim(yearStart) || date > trim(yearEnd))
        return ConditionRefusal{"输入日期已不在当前注册的会计年度内，请重输！", 1};
    return std::nullopt;
}

std::optional<ConditionRefusal> checkTurnoverConditions(Database& db, int startYear, int startMonth, int startDay,
                                                        int endYear, int endMonth, int endDay,
                                                        std::string_view code, std::string_view yearStart,
                                                        std::string_view yearEnd)
{
    if (startYear < 1990 || startYear > 9999)
        return ConditionRefusal{"起始年度不合理，请重输！", 0};
    if (startMonth < 1 || startMonth > 12)
        return ConditionRefusal{"起始月份不合理，请重输！", 1};
    if (startDay < 1 || startDay > daysInMonth(startYear, startMonth))
        return ConditionRefusal{"起始日不合理，请重输！", 2};
    if (endYear < 1990 || endYear > 9999)
        return ConditionRefusal{"终止年度不合理，请重输！", 3};
    if (endMonth < 1 || endMonth > 12)
        return ConditionRefusal{"终止月份不合理，请重输！", 4};
    if (endDay < 1 || endDay > daysInMonth(endYear, endMonth))
        return ConditionRefusal{"终止日不合理，请重输！", 5};
    const std::string first = dateCode(startYear, startMonth, startDay);
    const std::string last = dateCode(endYear, endMonth, endDay);
    const std::string from = trim(yearStart), to = trim(yearEnd);
    if (first < from || first > to || last < from || last > to)
        return ConditionRefusal{"输入时间已不在当前会计年度内，请重输！", first < from || first > to ? 0 : 3};
    if (first > last)
        return ConditionRefusal{"起始时间大于终止时间，请重输！", 0};
    const std::string trimmed = trim(code);
    if (!trimmed.empty() && !accountHasChildren(db, trimmed))
        return ConditionRefusal{"该会计科目不存在或没有子科目，请重输！", 6};
    return std::nullopt;
}

std::string initialCutoffDate(const AccountingCalendar& calendar, std::string_view today, std::string_view yearEnd)
{
    if (today.size() >= 8 && std::atoi(std::string(today.substr(0, 4)).c_str()) == calendar.year()) {
        // This calendar month, on the day the accounting months close.
        const int year = calendar.year();
        const int month = std::atoi(std::string(today.substr(4, 2)).c_str());
        if (month >= 1 && month <= 12)
            return dateCode(year, month, std::min(calendar.closingDay(), daysInMonth(year, month)));
    }
    return trim(yearEnd);
}

} // namespace kszw
