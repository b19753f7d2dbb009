// The shared ledger conventions: direction words, amounts, titles, name paths.
#include "ledger/ledger_conventions.h"

#include "chart/subjects.h"
#include "common/text.h"
#include "formula/format_number.h"
#include "store/database.h"
#include "store/ks_dbset.h"

#include <cmath>

namespace kszw {

std::string directionWord(double x, double threshold)
{
    if (std::fabs(x) < threshold)
        return "平";
    return x > threshold ? "借" : "贷";
}

std::string ledgerAmount(double x)
{
    return trim(FormatNumber(x, 0, 2, 0));
}

std::string ledgerBalance(double x, double threshold)
{
    if (std::fabs(x) < threshold)
        return "";
    return ledgerAmount(std::fabs(x));
}

std::string periodTitle(int startYear, int startMonth, int endYear, int endMonth)
{
    if (startYear == endYear && startMonth == endMonth)
        return format("%4d 年 %2d 月", startYear, startMonth);
    if (startYear == endYear)
        return format("%4d 年 %2d 月 至 %2d 月", startYear, startMonth, endMonth);
    return format("%4d 年 %2d 月 至 %4d 年 %2d 月", startYear, startMonth, endYear, endMonth);
}

int codeLevel(std::string_view code)
{
    int level = 1;
    for (char c : code)
        if (c == '-')
            ++level;
    return level;
}

std::string parentCode(std::string_view code)
{
    const size_t dash = code.rfind('-');
    return dash == std::string_view::npos ? std::string() : std::string(code.substr(0, dash));
}

std::string accountNamePath(Database& db, std::string_view code, int limit)
{
    // The names from the top down: 1002, 1002-1, …
    std::vector<std::string> names;
    const std::string trimmed = trim(code);
    size_t from = 0;
    for (;;) {
        const size_t dash = trimmed.find('-', from);
        const std::string prefix = trimmed.substr(0, dash);
        names.push_back(trim(subjectName(db, prefix).value_or("")));
        if (dash == std::string::npos)
            break;
        from = dash + 1;
    }
    std::string path;
    for (const std::string& name : names)
        path += (path.empty() ? "" : "/") + name;
    if (gbkLength(path) <= limit)
        return path;
    // Leading names go, "../" in front, until it fits.
    for (size_t first = 1; first < names.size(); ++first) {
        std::string cut = "../";
        for (size_t i = first; i < names.size(); ++i)
            cut += (i == first ? "" : "/") + names[i];
        if (gbkLength(cut) <= limit)
            return cut;
    }
    // The account's own name is too long: cut it at a whole character.
    std::string cut = "../";
    for (const std::string& piece : splitChars(names.back())) {
        if (gbkLength(cut + piece) > limit)
            break;
        cut += piece;
    }
    return cut;
}

std::vector<SqlParams> accountCodeRanges(const std::string& code)
{
    return {{code, code + "."}, {std::string(), std::string("!")}};
}

double writtenToCents(double value)
{
    return std::round(value * 100.0) / 100.0;
}

AccountingCalendar yearCalendar(Database& db)
{
    KS_Dbset header(db);
    header.open("SELECT PY,T1,T13,JT FROM SYSTAB");
    if (header.isEOF())
        return AccountingCalendar(0, "", "", "031");
    return AccountingCalendar(static_cast<int>(header.doubleAt(0)), trim(header.textAt(1)), trim(header.textAt(2)),
                              trim(header.textAt(3)));
}

std::string buildProgressText(int percent)
{
    return format("%3d％", percent);
}

} // namespace kszw
