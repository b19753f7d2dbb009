// The quantity-amount and foreign-currency ledgers the long way: each figure read by its own
// statement, the ledger's text built row by row with "\r" between cells and "\n" after rows, then
// split and read back into the grid. What the fast builder must equal on any book. Two faults of
// the statements are mended as the ledger mends them: every opening row of the account counts
// (not just the first), and a month is its accounting month alone.
#pragma once

#include "common/text.h"
#include "formula/format_number.h"
#include "ledger/quantity_ledger.h"
#include "store/database.h"
#include "store/ks_dbset.h"

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

namespace kszw::test::quantity_oracle {

inline double num(const std::string& text)
{
    return std::strtod(text.c_str(), nullptr);
}

// The price of a triple: a ÷ q when |q| > 0.000001 and a × q > 0.00001.
inline double price(double q, double a)
{
    return std::fabs(q) > 0.000001 && a * q > 0.00001 ? a / q : 0;
}

// Splits the text into rows of cells: row i is the text after the i-th "\n", without its leading
// blanks; its cells are separated by "\r".
inline std::vector<std::vector<std::string>> split(const std::string& text)
{
    std::vector<std::vector<std::string>> rows;
    size_t from = 0;
    while (from < text.size()) {
        size_t end = text.find('\n', from);
        if (end == std::string::npos)
            end = text.size();
        std::string row = text.substr(from, end - from);
        row.erase(0, row.find_first_not_of(' ') == std::string::npos ? row.size() : row.find_first_not_of(' '));
        std::vector<std::string> cells;
        size_t at = 0;
        for (;;) {
            const size_t next = row.find('\r', at);
            cells.push_back(row.substr(at, next == std::string::npos ? std::string::npos : next - at));
            if (next == std::string::npos)
                break;
            at = next + 1;
        }
        rows.push_back(cells);
        from = end + 1;
    }
    return rows;
}

struct Result {
    bool noContent = false;
    std::vector<QuantityCells> rows;
};

inline Result ledger(Database& db, const AccountingCalendar& calendar, const std::string& k, int m1, int m2)
{
    const SqlParams km1{k, static_cast<std::int64_t>(m1)};
    const int before = db.queryLong("select count(*) from p0 where trim(kno)=?1 and val(tt)<?2 and mk='4' "
                                    "and strcomp(cer,'    ',0)<>0",
                                    km1);
    const int upToEnd = db.queryLong("select count(*) from p0 where trim(kno)=?1 and val(tt)<=?2 and mk='4' "
                                     "and strcomp(cer,'    ',0)<>0",
                                     {k, static_cast<std::int64_t>(m2)});
    const int openings = db.queryLong("select count(*) from p0 where Trim(kno)=?1 and strcomp(cer,'    ',0)=0", {k});
    Result result;
    if (upToEnd == 0 && openings == 0) {
        result.noContent = true;
        return result;
    }
    std::string text;
    double yq = 0, ya = 0, zq = 0, za = 0; // year to date: debit and credit quantity and amount
    if (before > 0) {
        KS_Dbset q(db);
        q.open("select ?3||'\r\r期 初 余 额 汇 总\r'||cstr(0.5*sum((1+f)*nu))||'\r'||cstr(0.5*sum((1+f)*my))||'\r'||"
               "cstr(0.5*sum((1-f)*nu))||'\r'||cstr(0.5*sum((1-f)*my))||'\n' from p0 where trim(kno)=?1 and "
               "val(tt)<?2 and mk='4' and strcomp(cer,'    ',0)<>0",
               {k, static_cast<std::int64_t>(m1), calendar.period(m1).first});
        text += q.textAt(0);
        const std::vector<std::string> cells = split(q.textAt(0))[0];
        yq = num(cells[3]);
        ya = num(cells[4]);
        zq = num(cells[5]);
        za = num(cells[6]);
    }
    double q0 = 0, a0 = 0;
    if (openings > 0) {
        KS_Dbset q(db);
        q.open("select min(t),sum(f*nu),sum(f*my) from p0 where Trim(kno)=?1 and strcomp(cer,'    ',0)=0", {k});
        q0 = q.doubleAt(1);
        a0 = q.doubleAt(2);
        if (before == 0)
            text = (m1 == 1 ? q.textAt(0) : calendar.period(m1).first) + "\r\r期 初 余 额\r0\r0\r0\r0\n" + text;
    }
    double mq = 0, ma = 0, nq = 0, na = 0; // month: debit and credit quantity and amount
    int previous = -1;
    const auto close = [&](int month) {
        yq += mq;
        ya += ma;
        zq += nq;
        za += na;
        const std::string end = calendar.period(month).last;
        text += format("%s\r\r本  月  合  计\r%.4f\r%.2f\r%.4f\r%.2f\n", end.c_str(), mq, ma, nq, na);
        text += format("%s\r\r本  年  累  计\r%.4f\r%.2f\r%.4f\r%.2f\n", end.c_str(), yq, ya, zq, za);
    };
    KS_Dbset q(db);
    for (q.open("select t||'\r'||trim(cer)||'\r'||rtrim(mry)||'\r'||cstr(0.5*(1+f)*nu)||'\r'||cstr(0.5*(1+f)*my)||"
                "'\r'||cstr(0.5*(1-f)*nu)||'\r'||cstr(0.5*(1-f)*my)||'\n',tt from p0 where trim(kno)=?1 and "
                "val(tt)>=?2 and val(tt)<=?3 and mk='4' and strcomp(cer,'    ',0)<>0 order by t,cer,rn",
                {k, static_cast<std::int64_t>(m1), static_cast<std::int64_t>(m2)});
         !q.isEOF(); q.moveNext()) {
        const std::vector<std::string> cells = split(q.textAt(0))[0];
        const int month = static_cast<int>(num(q.textAt(1)));
        if (previous >= 0 && previous != month) {
            close(previous);
            mq = ma = nq = na = 0;
        }
        mq += num(cells[3]);
        ma += num(cells[4]);
        nq += num(cells[5]);
        na += num(cells[6]);
        previous = month;
        text += q.textAt(0);
    }
    if (previous >= 0)
        close(previous);

    // The grid.
    const auto quantity = [](double x) { return trim(FormatNumber(x, 0, 0, 4)); };
    const auto unitPrice = [](double x) { return trim(FormatNumber(x, 0, 2, 4)); };
    const auto amount = [](double x) { return trim(FormatNumber(x, 0, 2, 0)); };
    double dq = 0, da = 0, cq = 0, ca = 0;
    const std::vector<std::vector<std::string>> rows = split(text);
    for (size_t i = 0; i < rows.size(); ++i) {
        const std::vector<std::string>& c = rows[i];
        QuantityCells row;
        row[0] = c[0].substr(4, 2);
        row[1] = c[0].substr(6);
        row[2] = trimRight(c[1]);
        row[3] = c[2];
        const double rdq = num(c[3]), rda = num(c[4]), rcq = num(c[5]), rca = num(c[6]);
        row[4] = quantity(rdq);
        row[5] = unitPrice(price(rdq, rda));
        row[6] = amount(rda);
        row[7] = quantity(rcq);
        row[8] = unitPrice(price(rcq, rca));
        row[9] = amount(rca);
        if (!row[2].empty() || i == 0) {
            dq += rdq;
            da += rda;
            cq += rcq;
            ca += rca;
        }
        const double ba = a0 + da - ca;
        const double bq = q0 + dq - cq;
        row[10] = std::fabs(ba) < 0.000001 ? "平" : ba > 0.000001 ? "借" : "贷";
        const bool sameSide = std::fabs(bq) > 0.000001 && bq * ba > 0.00001;
        row[11] = quantity(sameSide ? std::fabs(bq) : bq);
        row[12] = unitPrice(price(bq, ba));
        row[13] = amount(std::fabs(ba));
        result.rows.push_back(row);
    }
    return result;
}

} // namespace kszw::test::quantity_oracle
