// The ledgers as their statements define them, one statement per figure and per account, the
// rows built and the grid filled the long way: what the fast builders must equal on any book.
#pragma once

#include "common/text.h"
#include "formula/format_number.h"
#include "ledger/balance_tables.h"
#include "ledger/three_column_ledger.h"
#include "store/database.h"
#include "store/ks_dbset.h"

#include <cmath>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace kszw::test::oracle {

// The subtree condition with K in ?1.
inline constexpr const char* kTree = "(trim(KNO)=?1 OR trim(KNO) LIKE ?1||'-%')";

inline double num(const std::string& text)
{
    return std::strtod(text.c_str(), nullptr);
}

inline std::string fixed2(double value)
{
    return format("%.2f", value);
}

// A grid row from the cells of a ledger row as the text would hold them.
inline LedgerCells fill(const std::vector<std::string>& cells, bool detail)
{
    LedgerCells row;
    const std::string& date = cells[0];
    row[0] = date.substr(4, 2);
    row[1] = detail ? date.substr(6) : date.substr(6, 2);
    const size_t shift = detail ? 1 : 0;
    row[2] = detail ? trimRight(cells[1]) : std::string();
    row[3] = cells[1 + shift];
    row[4] = trim(FormatNumber(num(cells[2 + shift]), 0, 2, 0));
    row[5] = trim(FormatNumber(num(cells[3 + shift]), 0, 2, 0));
    const double balance = num(cells[4 + shift]);
    row[6] = std::fabs(balance) < 0.000001 ? "平" : balance > 0.000001 ? "借" : "贷";
    row[7] = trim(FormatNumber(std::fabs(balance), 0, 2, 0));
    return row;
}

inline std::vector<LedgerCells> summaryLedger(Database& db, const AccountingCalendar& calendar,
                                              const std::string& k, int m1, int m2)
{
    std::vector<LedgerCells> rows;
    double b = 0, dy = 0, cy = 0;
    const std::string before = std::string("SELECT DISTINCT trim(TT) FROM P0 WHERE ") + kTree +
                               " AND (val(TT)<?2 OR (val(TT)=?2 AND strcomp(CER,'    ',0)=0)) AND MK='4'";
    KS_Dbset probe(db);
    probe.open(before, {k, static_cast<std::int64_t>(m1)});
    const bool any = !probe.isEOF();
    probe.close();
    if (any) {
        KS_Dbset q(db);
        q.open(std::string("SELECT cstr(0.5*sum((1+F)*MY*abs(strcomp(CER,'    ',0)))),"
                           "cstr(0.5*sum((1-F)*MY*abs(strcomp(CER,'    ',0)))),sum(F*MY) FROM P0 WHERE ") +
                   kTree + " AND (val(TT)<?2 OR (val(TT)=?2 AND strcomp(CER,'    ',0)=0)) AND MK='4'",
               {k, static_cast<std::int64_t>(m1)});
        dy = num(q.textAt(0));
        cy = num(q.textAt(1));
        b = q.doubleAt(2);
        rows.push_back(fill({calendar.period(m1).first, "期 初 余 额 汇 总", q.textAt(0), q.textAt(1), fixed2(b)}, false));
    }
    KS_Dbset q(db);
    for (q.open(std::string("SELECT TT,cstr(0.5*sum((1+F)*MY*abs(strcomp(CER,'    ',0)))),"
                            "cstr(0.5*sum((1-F)*MY*abs(strcomp(CER,'    ',0)))),sum(F*MY) FROM P0 WHERE ") +
                    kTree +
                    " AND (val(TT)>?2 OR (val(TT)=?2 AND strcomp(CER,'    ',0)<>0)) AND val(TT)<=?3 AND MK='4' "
                    "GROUP BY TT ORDER BY val(TT)",
                {k, static_cast<std::int64_t>(m1), static_cast<std::int64_t>(m2)});
         !q.isEOF(); q.moveNext()) {
        const int month = static_cast<int>(num(q.textAt(0)));
        b += q.doubleAt(3);
        const std::string end = calendar.period(month).last;
        rows.push_back(fill({end, "本  月  合  计", q.textAt(1), q.textAt(2), fixed2(b)}, false));
        dy += num(q.textAt(1));
        cy += num(q.textAt(2));
        rows.push_back(fill({end, "本  年  累  计", fixed2(dy), fixed2(cy), fixed2(b)}, false));
    }
    return rows;
}

inline std::vector<LedgerCells> detailLedger(Database& db, const AccountingCalendar& calendar, const std::string& k,
                                             int m1, int m2)
{
    std::vector<LedgerCells> rows;
    double o = 0, b = 0, dy = 0, cy = 0, dm = 0, cm = 0;
    std::string t0;
    if (db.queryLong(std::string("SELECT count(*) FROM P0 WHERE ") + kTree + " AND strcomp(CER,'    ',0)=0", {k}) >
        0) {
        KS_Dbset q(db);
        q.open(std::string("SELECT min(T),sum(F*MY) FROM P0 WHERE ") + kTree + " AND strcomp(CER,'    ',0)=0", {k});
        t0 = q.textAt(0);
        o = q.doubleAt(1);
    }
    b = o;
    if (db.queryLong(std::string("SELECT count(*) FROM P0 WHERE ") + kTree +
                         " AND val(TT)<?2 AND MK='4' AND strcomp(CER,'    ',0)<>0",
                     {k, static_cast<std::int64_t>(m1)}) > 0) {
        KS_Dbset q(db);
        q.open(std::string("SELECT cstr(0.5*sum((1+F)*MY)),cstr(0.5*sum((1-F)*MY)) FROM P0 WHERE ") + kTree +
                   " AND val(TT)<?2 AND MK='4' AND strcomp(CER,'    ',0)<>0",
               {k, static_cast<std::int64_t>(m1)});
        dy = num(q.textAt(0));
        cy = num(q.textAt(1));
        b = o + dy - cy;
        rows.push_back(fill({calendar.period(m1).first, "", "期 初 余 额 汇 总", q.textAt(0), q.textAt(1), fixed2(b)}, true));
    } else if (std::fabs(o) > 0.000001) {
        rows.push_back(fill({t0, "", "期 初 余 额", "0", "0", fixed2(o)}, true));
    }
    int previous = -1;
    const auto close = [&](int month) {
        dy += dm;
        cy += cm;
        const std::string end = calendar.period(month).last;
        rows.push_back(fill({end, "", "本  月  合  计", fixed2(dm), fixed2(cm), fixed2(b)}, true));
        rows.push_back(fill({end, "", "本  年  累  计", fixed2(dy), fixed2(cy), fixed2(b)}, true));
    };
    KS_Dbset q(db);
    for (q.open(std::string("SELECT T,trim(CER),rtrim(MRY),cstr(0.5*(1+F)*MY),cstr(0.5*(1-F)*MY),TT FROM P0 WHERE ") +
                    kTree +
                    " AND strcomp(CER,'    ',0)<>0 AND val(TT)>=?2 AND val(TT)<=?3 AND MK='4' ORDER BY T,CER,RN",
                {k, static_cast<std::int64_t>(m1), static_cast<std::int64_t>(m2)});
         !q.isEOF(); q.moveNext()) {
        const double dr = num(q.textAt(3)), cr = num(q.textAt(4));
        const int month = static_cast<int>(num(q.textAt(5)));
        if (previous >= 0 && previous != month) {
            close(previous);
            dm = dr;
            cm = cr;
        } else {
            dm += dr;
            cm += cr;
        }
        previous = month;
        b += dr - cr;
        rows.push_back(fill({q.textAt(0), q.textAt(1), q.textAt(2), q.textAt(3), q.textAt(4), fixed2(b)}, true));
    }
    if (previous >= 0)
        close(previous);
    return rows;
}

// The accounts of a level as the statements list them.
inline std::vector<std::pair<std::string, std::string>> level(Database& db, const std::string& parent)
{
    std::vector<std::pair<std::string, std::string>> accounts;
    KS_Dbset q(db);
    if (parent.empty())
        q.open("SELECT trim(KNO),trim(NA) FROM SUBT WHERE CLAS=1 ORDER BY val(KNO)");
    else
        q.open("SELECT trim(KNO),trim(NA) FROM SUBT WHERE trim(KNO) LIKE ?1||'-%' AND CLAS-?2=0 "
               "ORDER BY val(substr(trim(KNO),?3))",
               {parent, static_cast<std::int64_t>(codeLevel(parent) + 1), static_cast<std::int64_t>(parent.size() + 2)});
    for (; !q.isEOF(); q.moveNext())
        accounts.push_back({q.textAt(0), q.textAt(1)});
    return accounts;
}

inline std::vector<std::array<std::string, 4>> balanceTable(Database& db, const std::string& parent,
                                                            const std::string& date, int month)
{
    std::vector<std::array<std::string, 4>> rows;
    double total = 0;
    for (const auto& [code, name] : level(db, parent)) {
        KS_Dbset q(db);
        q.open(std::string("SELECT count(*),sum(F*MY) FROM P0 WHERE ") + kTree +
                   " AND T<=?2 AND val(TT)<=?3 AND MK='4'",
               {code, date, static_cast<std::int64_t>(month)});
        const double balance = num(fixed2(q.doubleAt(0) > 0 ? q.doubleAt(1) : 0));
        total += balance;
        rows.push_back({code, name, directionWord(balance), trim(FormatNumber(std::fabs(balance), 0, 2, 0))});
    }
    rows.push_back({"", "         合      计", directionWord(total), trim(FormatNumber(std::fabs(total), 0, 2, 0))});
    return rows;
}

inline std::vector<std::array<std::string, 8>> turnoverTable(Database& db, const std::string& parent,
                                                             const TurnoverConditions& c)
{
    const std::string t = c.startMonth <= 9 ? format("0%1d", c.startMonth) : format("%2d", c.startMonth);
    std::vector<std::array<std::string, 8>> rows;
    std::vector<std::array<double, 3>> figures;
    std::vector<int> levels;
    const auto amount = [](double x) { return trim(FormatNumber(x, 0, 2, 0)); };
    const auto side = [&](double x, std::array<std::string, 8>& row, int at) {
        row[at] = std::fabs(x) < 0.00001 ? "平" : x > 0.00001 ? "借" : "贷";
        row[at + 1] = std::fabs(x) < 0.00001 ? std::string() : amount(std::fabs(x));
    };
    std::function<void(const std::string&)> list = [&](const std::string& p) {
        for (const auto& [code, name] : level(db, p)) {
            const bool children = db.queryLong("SELECT count(*) FROM SUBT WHERE trim(KNO) LIKE ?1||'-%'", {code}) > 0;
            double op = 0, dr = 0, cr = 0;
            if (db.queryLong("SELECT count(*) FROM P0 WHERE (trim(KNO) LIKE ?1||'-%' OR trim(KNO)=?1) AND T<=?2 "
                             "AND val(TT)<=?3 AND MK='4'",
                             {code, c.endDate, static_cast<std::int64_t>(c.endMonth)}) > 0) {
                KS_Dbset q(db);
                q.open(std::string("SELECT cstr(sum(F*MY*(0.5*(1-strcomp(TT,?4,0))*abs(strcomp(TT,?4,0))"
                                   "*abs(strcomp(CER,'    ',0))+(1-abs(strcomp(CER,'    ',0)))))),"
                                   "cstr(0.5*sum((1+F)*MY*abs(strcomp(CER,'    ',0))*0.5*(1+strcomp(TT,?4,0))"
                                   "*(2-abs(strcomp(TT,?4,0))))),"
                                   "cstr(0.5*sum((1-F)*MY*abs(strcomp(CER,'    ',0))*0.5*(1+strcomp(TT,?4,0))"
                                   "*(2-abs(strcomp(TT,?4,0))))) FROM P0 WHERE ") +
                           (children ? "trim(KNO) LIKE ?1||'-%'" : "trim(KNO)=?1") +
                           " AND T<=?2 AND val(TT)<=?3 AND MK='4'",
                       {code, c.endDate, static_cast<std::int64_t>(c.endMonth), t});
                op = num(q.textAt(0));
                dr = num(q.textAt(1));
                cr = num(q.textAt(2));
            }
            std::array<std::string, 8> row{code, name};
            side(op, row, 2);
            row[4] = amount(dr);
            row[5] = amount(cr);
            side(op + dr - cr, row, 6);
            rows.push_back(row);
            figures.push_back({op, dr, cr});
            levels.push_back(codeLevel(code));
            if (c.listing == TurnoverListing::AllLevels && children)
                list(code);
        }
    };
    list(parent);
    double op = 0, dr = 0, cr = 0;
    for (size_t i = 0; i < figures.size(); ++i)
        if (levels[i] == levels.front()) {
            op += figures[i][0];
            dr += figures[i][1];
            cr += figures[i][2];
        }
    std::array<std::string, 8> total{"", "   合    计  "};
    side(op, total, 2);
    total[4] = std::fabs(dr) < 0.00001 ? std::string() : amount(dr);
    total[5] = std::fabs(cr) < 0.00001 ? std::string() : amount(cr);
    side(op + dr - cr, total, 6);
    rows.push_back(total);
    return rows;
}

} // namespace kszw::test::oracle
