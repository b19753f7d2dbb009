// The multi-column ledger: the children as columns, the account's posted rows read through the
// index ranges on the code, each row's amount put in the column of the child it lies under.
#include "ledger/multi_column_ledger.h"

#include "common/text.h"
#include "store/database.h"
#include "store/ks_dbset.h"
#include "store/sql_functions.h"
#include "store/transaction.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace kszw {

namespace {

constexpr std::string_view kChildrenOfLevel =
    "SELECT trim(KNO),trim(NA),DLF,DLW FROM SUBT WHERE trim(KNO) LIKE ?1 AND CLAS=?2";
constexpr std::string_view kUnsetSides = "SELECT count(*) FROM SUBT WHERE trim(KNO) LIKE ?1 AND CLAS=?2 AND DLF=0";
constexpr std::string_view kDefaultSides =
    "UPDATE SUBT SET DLF=1,DLW=5 WHERE trim(KNO) LIKE ?1 AND CLAS=?2 AND DLF=0";
constexpr std::string_view kRowsBelow = "SELECT T,CER,MRY,KNO,F,MY,MK,TT FROM P0 WHERE KNO>=?1 AND KNO<?2";
constexpr std::string_view kOpeningCer = "    ";

struct Row {
    std::string date;
    std::string number;
    std::string summary;
    std::string code; // trimmed
    double amount = 0; // f*my
    bool posted = false;
    bool opening = false;
    std::string tt;
    int month = 0;
};

bool below(std::string_view code, std::string_view account)
{
    return code.size() > account.size() && code.compare(0, account.size(), account) == 0 &&
           code[account.size()] == '-';
}

// The account itself and everything below it, codes trimmed.
std::vector<Row> accountRows(Database& db, const std::string& account)
{
    std::vector<Row> rows;
    KS_Dbset set(db);
    for (const SqlParams& range : accountCodeRanges(account)) {
        for (set.open(kRowsBelow, range); !set.isEOF(); set.moveNext()) {
            Row row;
            row.code = trim(set.textAt(3));
            if (row.code != account && !below(row.code, account))
                continue;
            row.date = set.textAt(0);
            row.number = set.textAt(1);
            row.summary = set.textAt(2);
            row.amount = set.doubleAt(4) * set.doubleAt(5);
            row.posted = set.textAt(6) == "4";
            row.opening = row.number == kOpeningCer;
            row.tt = set.textAt(7);
            row.month = static_cast<int>(leadingNumber(row.tt));
            rows.push_back(std::move(row));
        }
    }
    return rows;
}

// The column a row's amount goes to: the child it is or lies under; -1 for none.
int columnOf(const std::vector<LedgerColumn>& columns, const std::string& code)
{
    for (size_t j = 0; j < columns.size(); ++j)
        if (code == columns[j].code || below(code, columns[j].code))
            return static_cast<int>(j);
    return -1;
}

std::string monthText(int month)
{
    return month >= 1 && month <= 9 ? format("0%1d", month) : format("%2d", month);
}

class Builder {
public:
    Builder(const AccountingCalendar& calendar, const std::vector<LedgerColumn>& columns)
        : m_calendar(calendar), m_columns(columns), m_year(columns.size(), 0.0)
    {
    }

    // The signed balance of a set of column values: net debit.
    double net(const std::vector<double>& values) const
    {
        double sum = 0;
        for (size_t j = 0; j < values.size(); ++j)
            sum += m_columns[j].sign * values[j];
        return sum;
    }

    // Adds a row's f*my to its column, on the column's side.
    void add(std::vector<double>& values, const Row& row) const
    {
        const int j = columnOf(m_columns, row.code);
        if (j >= 0)
            values[static_cast<size_t>(j)] += m_columns[static_cast<size_t>(j)].sign * row.amount;
    }

    MultiColumnRow row(const std::string& date, bool detail, const std::string& number, const std::string& text,
                       const std::vector<double>& values, double balance) const
    {
        MultiColumnRow result;
        result.date = date;
        result.cells.push_back(date.size() >= 6 ? date.substr(4, 2) : std::string());
        if (detail)
            result.cells.push_back(date.size() > 6 ? date.substr(6) : std::string());
        else
            result.cells.push_back(date.size() >= 8 ? date.substr(6, 2) : std::string());
        result.cells.push_back(trimRight(number));
        result.cells.push_back(text);
        for (double value : values)
            result.cells.push_back(ledgerAmount(value));
        const double shown = writtenToCents(balance);
        result.cells.push_back(directionWord(shown));
        result.cells.push_back(ledgerAmount(std::fabs(shown)));
        return result;
    }

    std::string start(int month) const { return month >= 1 && month <= 12 ? m_calendar.period(month).first : ""; }
    std::string end(int month) const { return month >= 1 && month <= 12 ? m_calendar.period(month).last : ""; }

    // The opening row: the opening rows and every posted row before the start month.
    void opening(std::vector<MultiColumnRow>& out, const std::vector<Row>& rows, const std::string& account, int m1,
                 bool detail)
    {
        bool any = false;
        std::vector<double> values(m_columns.size(), 0.0);
        for (const Row& row : rows) {
            if (!row.posted || !below(row.code, account) || !(row.month < m1 || (row.month == m1 && row.opening)))
                continue;
            any = true;
            add(values, row);
        }
        if (!any)
            return;
        m_year = values;
        m_balance = net(values);
        out.push_back(this->row(start(m1), detail, "", "期 初 余 额 汇 总", values, m_balance));
    }

    // A month's total and the year to date after it.
    void total(std::vector<MultiColumnRow>& out, int month, const std::vector<double>& values, const char* text,
               bool detail)
    {
        for (size_t j = 0; j < values.size(); ++j)
            m_year[j] += values[j];
        m_balance += net(values);
        out.push_back(row(end(month), detail, "", text, values, m_balance));
        std::vector<double> year;
        for (double value : m_year)
            year.push_back(writtenToCents(value));
        out.push_back(row(end(month), detail, "", "本  年  累  计", year, m_balance));
    }

    double balance() const { return m_balance; }

private:
    const AccountingCalendar& m_calendar;
    const std::vector<LedgerColumn>& m_columns;
    std::vector<double> m_year;
    double m_balance = 0;
};

} // namespace

void setDefaultColumnSides(Database& db, std::string_view code)
{
    const SqlParams children = {trim(code) + "-%", static_cast<std::int64_t>(codeLevel(trim(code)) + 1)};
    // Only a file with such children is written to: a ledger is otherwise read only.
    if (db.queryLong(kUnsetSides, children) == 0)
        return;
    Transaction transaction(db);
    db.execute(kDefaultSides, children);
    transaction.commit();
}

std::vector<LedgerColumn> ledgerColumns(Database& db, std::string_view code)
{
    const std::string account = trim(code);
    std::vector<std::pair<std::pair<int, double>, LedgerColumn>> found;
    KS_Dbset children(db);
    for (children.open(kChildrenOfLevel, {account + "-%", static_cast<std::int64_t>(codeLevel(account) + 1)});
         !children.isEOF(); children.moveNext()) {
        LedgerColumn column;
        column.code = children.textAt(0);
        column.name = children.textAt(1);
        column.sign = static_cast<int>(children.doubleAt(2));
        column.width = 2 * static_cast<int>(children.doubleAt(3));
        // ORDER BY -1*dlf, VAL(MID$(trim(kno), len(K)+2))
        found.push_back({{-column.sign, leadingNumber(column.code.substr(account.size() + 1))}, column});
    }
    std::stable_sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<LedgerColumn> columns;
    for (auto& entry : found)
        columns.push_back(std::move(entry.second));
    return columns;
}

bool hasEntriesBelow(Database& db, std::string_view code, int endMonth)
{
    const std::string account = trim(code);
    for (const Row& row : accountRows(db, account))
        if (row.posted && below(row.code, account) && row.month <= endMonth)
            return true;
    return false;
}

std::vector<MultiColumnRow> BuildMultiColumnSummary(Database& db, const AccountingCalendar& calendar,
                                                    const LedgerSpan& span, const std::vector<LedgerColumn>& columns)
{
    const std::string account = trim(span.code);
    const std::vector<Row> rows = accountRows(db, account);
    Builder builder(calendar, columns);
    std::vector<MultiColumnRow> out;
    builder.opening(out, rows, account, span.startMonth, false);
    for (int month = span.startMonth; month <= span.endMonth; ++month) {
        const std::string code = monthText(month);
        bool any = false;
        std::vector<double> values(columns.size(), 0.0);
        for (const Row& row : rows) {
            // The account's own lines make the month count, though they fill no column.
            if (!row.posted || row.opening || row.tt != code)
                continue;
            any = true;
            builder.add(values, row);
        }
        if (any)
            builder.total(out, month, values, "本  月  汇  总", false);
    }
    return out;
}

std::vector<MultiColumnRow> BuildMultiColumnDetail(Database& db, const AccountingCalendar& calendar,
                                                   const LedgerSpan& span, const std::vector<LedgerColumn>& columns)
{
    const std::string account = trim(span.code);
    const std::vector<Row> rows = accountRows(db, account);
    Builder builder(calendar, columns);
    std::vector<MultiColumnRow> out;
    builder.opening(out, rows, account, span.startMonth, true);
    for (int month = span.startMonth; month <= span.endMonth; ++month) {
        const std::string code = monthText(month);
        // The lines of the children themselves, in date, number and code order.
        std::vector<const Row*> lines;
        bool any = false;
        std::vector<double> values(columns.size(), 0.0);
        for (const Row& row : rows) {
            if (!row.posted || row.opening || row.tt != code || !below(row.code, account))
                continue;
            any = true;
            builder.add(values, row);
            if (row.code.find('-', account.size() + 1) == std::string::npos)
                lines.push_back(&row);
        }
        std::stable_sort(lines.begin(), lines.end(), [](const Row* a, const Row* b) {
            if (a->date != b->date)
                return a->date < b->date;
            if (a->number != b->number)
                return a->number < b->number;
            return a->code < b->code;
        });
        double running = builder.balance();
        for (const Row* line : lines) {
            std::vector<double> own(columns.size(), 0.0);
            for (size_t j = 0; j < columns.size(); ++j)
                if (line->code == columns[j].code)
                    own[j] = columns[j].sign * line->amount;
            running += builder.net(own);
            out.push_back(builder.row(line->date, true, line->number, trimRight(line->summary), own, running));
        }
        if (any)
            builder.total(out, month, values, "本  月  合  计", true);
    }
    return out;
}

std::vector<std::vector<std::string>> BuildMultiColumnPrintRows(const std::vector<std::vector<std::string>>& rows,
                                                                int rowsPerPage)
{
    std::vector<std::vector<std::string>> printed;
    const int L = std::max(rowsPerPage, 1);
    const auto value = [](const std::string& text) {
        return std::strtod(trim(replaceAll(text, ",", "")).c_str(), nullptr);
    };
    const auto detail = [](const std::vector<std::string>& row) { return row.size() > 2 && !row[2].empty(); };
    std::vector<double> sums;
    for (size_t i = 0; i < rows.size(); ++i) {
        const std::vector<std::string>& row = rows[i];
        const size_t columns = row.size() >= 6 ? row.size() - 6 : 0;
        if (sums.size() != columns)
            sums.assign(columns, 0.0);
        if (!detail(row))
            std::fill(sums.begin(), sums.end(), 0.0);
        const int P = static_cast<int>(printed.size());
        if (i > 0 && P % L == L - 1 && detail(row)) {
            const std::vector<std::string>& previous = rows[i - 1];
            if (detail(previous)) {
                std::vector<std::string> carry{previous[0], previous[1], "", "  过  次  页"};
                for (double sum : sums)
                    carry.push_back(ledgerAmount(sum));
                carry.push_back(previous[previous.size() - 2]);
                carry.push_back(previous.back());
                printed.push_back(carry);
                carry[3] = "  承  前  页";
                printed.push_back(carry);
            } else {
                printed.push_back(std::vector<std::string>(row.size()));
            }
        }
        printed.push_back(row);
        if (detail(row))
            for (size_t j = 0; j < columns; ++j)
                sums[j] += value(row[4 + j]);
    }
    return printed;
}

std::string multiColumnPageText(int page)
{
    return format("本帐户第%4d 页", page);
}

} // namespace kszw
