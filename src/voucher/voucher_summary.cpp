#include "voucher/voucher_summary.h"

#include "common/text.h"
#include "formula/format_number.h"
#include "store/database.h"
#include "store/ks_dbset.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <set>

namespace kszw {

namespace {

// The month's lines, filtered and grouped here: one statement however many vouchers are chosen.
constexpr std::string_view kMonthLines = "SELECT trim(KNO),CER,F,MY,trim(MK) FROM P0 WHERE TT=?1";
constexpr std::string_view kClassLength = "SELECT max(length(trim(CNO))) FROM CERCLS";
constexpr std::string_view kSubjectNames = "SELECT trim(KNO),trim(NA) FROM SUBT";
constexpr std::string_view kCountChildren = "SELECT count(*) FROM SUBT WHERE trim(KNO) LIKE ?1 || '-%'";

// The leading number of a code segment, as val reads it.
double segmentValue(std::string_view segment)
{
    return ReadNumber(segment);
}

bool statusInRange(const std::string& status, VoucherRange range)
{
    switch (range) {
    case VoucherRange::Reviewed: return status == "4";
    case VoucherRange::Unreviewed: return status == "2";
    case VoucherRange::All: return status == "2" || status == "4";
    }
    return false;
}

// Two decimals with grouping commas, blank when zero, as every view shows amounts.
std::string amountText(double value)
{
    return trim(FormatNumber(value, 0, 2, 2));
}

std::int64_t cents(double amount)
{
    return std::llround(amount * 100.0);
}

} // namespace

VoucherSummary BuildSummary(Database& db, const SummarySelection& selection, std::string_view parent)
{
    VoucherSummary summary;
    const std::set<std::string> numbers(selection.numbers.begin(), selection.numbers.end());
    std::set<std::string> classes;
    for (const std::string& prefix : selection.classes)
        classes.insert(trim(prefix));
    if (selection.byClass ? classes.empty() : numbers.empty())
        return summary;
    const size_t classLength = selection.byClass ? static_cast<size_t>(db.queryLongOrZero(kClassLength)) : 0;

    const std::string prefix = parent.empty() ? std::string() : std::string(parent) + "-";
    struct Sums {
        std::int64_t debit = 0;
        std::int64_t credit = 0;
    };
    std::map<std::string, Sums> groups;
    KS_Dbset rows(db);
    for (rows.open(kMonthLines, {selection.month}); !rows.isEOF(); rows.moveNext()) {
        const std::string number = rows.textAt(1);
        if (selection.byClass) {
            if (number.size() < classLength || !classes.count(number.substr(0, classLength))
                || !statusInRange(rows.textAt(4), selection.range))
                continue;
        } else if (!numbers.count(number)) {
            continue;
        }
        const std::string code = rows.textAt(0);
        std::string key;
        if (prefix.empty()) {
            key = code.substr(0, code.find('-'));
        } else {
            if (code.size() <= prefix.size() || code.compare(0, prefix.size(), prefix) != 0)
                continue;
            const size_t end = code.find('-', prefix.size());
            key = code.substr(0, end);
        }
        Sums& sums = groups[key];
        (rows.longAt(2) == 1 ? sums.debit : sums.credit) += cents(rows.doubleAt(3));
    }
    rows.close();
    if (groups.empty())
        return summary;

    std::map<std::string, std::string> names;
    KS_Dbset subjects(db);
    for (subjects.open(kSubjectNames); !subjects.isEOF(); subjects.moveNext())
        names.emplace(subjects.textAt(0), subjects.textAt(1));

    std::int64_t debitTotal = 0;
    std::int64_t creditTotal = 0;
    for (const auto& [code, sums] : groups) {
        const auto name = names.find(code);
        summary.rows.push_back({code, name == names.end() ? std::string() : name->second,
                                static_cast<double>(sums.debit) / 100.0, static_cast<double>(sums.credit) / 100.0});
        debitTotal += sums.debit;
        creditTotal += sums.credit;
    }
    // In the order of the codes' numbers: the whole code at the top, the last segment below.
    const size_t skip = prefix.size();
    std::stable_sort(summary.rows.begin(), summary.rows.end(), [skip](const SummaryRow& a, const SummaryRow& b) {
        return segmentValue(std::string_view(a.code).substr(skip)) < segmentValue(std::string_view(b.code).substr(skip));
    });
    summary.debitTotal = static_cast<double>(debitTotal) / 100.0;
    summary.creditTotal = static_cast<double>(creditTotal) / 100.0;
    return summary;
}

bool summaryCanOpen(Database& db, std::string_view code)
{
    const std::string trimmed = trim(code);
    return !trimmed.empty() && db.queryLong(kCountChildren, {trimmed}) > 0;
}

std::string summaryParentUp(std::string_view parent)
{
    const size_t dash = parent.rfind('-');
    return dash == std::string_view::npos ? std::string() : std::string(parent.substr(0, dash));
}

std::string summaryHeaderLabel(int year, int month)
{
    return format("%4d 年 %d 月", year, month);
}

std::vector<std::string> summaryColumnTitles()
{
    return {"科目代码", "科  目  名  称   ", "借方发生额", "贷方发生额"};
}

std::vector<std::string> summaryRowCells(const SummaryRow& row)
{
    return {row.code, row.name, amountText(row.debit), amountText(row.credit)};
}

std::vector<std::string> summaryTotalsCells(const VoucherSummary& summary)
{
    // The totals are always written out, "0.00" for an empty summary.
    const auto total = [](double value) {
        const std::string text = amountText(value);
        return text.empty() ? std::string("0.00") : text;
    };
    return {"", std::string(kSummaryTotalLabel), total(summary.debitTotal), total(summary.creditTotal)};
}

std::vector<std::string> summaryFootTexts(std::string_view chiefAccountant, std::string_view operatorName)
{
    return {"会计主管：" + std::string(chiefAccountant), "复  核：", "制  表：" + std::string(operatorName)};
}

std::string summaryPageText(int page)
{
    return format("第 %d 页", page);
}

} // namespace kszw
