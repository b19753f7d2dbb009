// The fuzzy ledger-page query the long way: the amount fields read as the dialog describes them,
// the one statement in its plain form (no index ranges, the subtree by trim and LIKE) and the grid
// filled cell by cell: what the query must equal on any book. Lines of one voucher are ordered by
// their line number, as the query orders them.
#pragma once

#include "common/text.h"
#include "formula/format_number.h"
#include "ledger/ledger_search.h"
#include "store/database.h"
#include "store/ks_dbset.h"

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

namespace kszw::test::search_oracle {

struct Listing {
    std::vector<SearchCells> rows; // the lines, then the total row
    int found = 0;
};

// The statement's text from " FROM P0" on, with its values.
struct Where {
    std::string sql;
    SqlParams params;
};

inline Where where(const SearchConditions& c)
{
    Where w{" FROM P0 WHERE val(TT)>=?1 AND val(TT)<=?2 AND MK='4'",
            {static_cast<std::int64_t>(c.startMonth), static_cast<std::int64_t>(c.endMonth)}};
    const auto param = [&w](SqlValue value) {
        w.params.push_back(std::move(value));
        return "?" + std::to_string(w.params.size());
    };
    if (c.side == SearchSide::Debit)
        w.sql += " AND F=1";
    if (c.side == SearchSide::Credit)
        w.sql += " AND F=-1";
    const std::string summary = trim(c.summary);
    if (!summary.empty())
        w.sql += " AND instr(MRY," + param(summary) + ")>0";
    const std::string code = trim(c.code);
    if (!code.empty()) {
        const std::string k = param(code);
        w.sql += " AND (trim(KNO)=" + k + " OR trim(KNO) LIKE " + k + "||'-%')";
    }
    // Both filled in and different: a range; else the first when not zero, else the second.
    const std::string t1 = trim(c.amount), t2 = trim(c.amount2);
    const double a1 = std::atof(t1.c_str()), a2 = std::atof(t2.c_str());
    const auto written = [](double x) { return std::atof(format("%.2f", x).c_str()); };
    if (!t1.empty() && !t2.empty() && std::fabs(a1 - a2) > 0.00001) {
        const std::string low = param(written(a1));
        const std::string high = param(written(a2));
        w.sql += " AND MY-" + low + ">=-0.000001 AND MY-" + high + "<=0.000001";
    } else if (std::fabs(a1) > 0.00001) {
        w.sql += " AND abs(MY-" + param(written(a1)) + ")<0.00001";
    } else if (std::fabs(a2) > 0.00001) {
        w.sql += " AND abs(MY-" + param(written(a2)) + ")<0.00001";
    }
    return w;
}

inline int count(Database& db, const SearchConditions& c)
{
    const Where w = where(c);
    return db.queryLong("SELECT count(*)" + w.sql, w.params);
}

inline Listing listing(Database& db, const SearchConditions& c)
{
    const Where w = where(c);
    Listing result;
    double total = 0;
    KS_Dbset q(db);
    for (q.open("SELECT T,CER,trim(KNO),rtrim(MRY),F,MY" + w.sql +
                    (c.order == SearchOrder::ByDate ? " ORDER BY T,CER,RN" : " ORDER BY KNO,T,CER,RN"),
                w.params);
         !q.isEOF(); q.moveNext()) {
        const std::string t = q.textAt(0);
        const double f = q.doubleAt(4), my = q.doubleAt(5);
        total += f * my;
        result.rows.push_back({t.substr(4, 2), t.substr(6, 2), trim(q.textAt(1)), q.textAt(2), q.textAt(3),
                               f == 1 ? "借" : "贷", trim(FormatNumber(my, 0, 2, 0))});
        ++result.found;
    }
    result.rows.push_back({"", "", "", "", "     合    计", total > 0.00001 ? "借" : "贷",
                           trim(FormatNumber(std::fabs(total), 0, 2, 0))});
    return result;
}

} // namespace kszw::test::search_oracle
