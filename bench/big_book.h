// The big book of the ledger benchmarks: 40 top-level subjects of 49 children each, an opening
// balance under every top level, and 1,000,000 posted lines over the year, the first fifth of
// them below 1001. Written straight into P0 through one prepared statement in one transaction.
#pragma once

#include "chart/chart_import.h"
#include "store/accounting_calendar.h"
#include "store/database.h"
#include "store/transaction.h"

#include <sqlite3.h>

#include <random>
#include <stdexcept>
#include <string>

namespace kszw::bench {

constexpr int kTopLevel = 40;
constexpr int kChildren = 49;
constexpr int kLines = 1000000;
constexpr int kLinesOf1001 = 200000;

// Fills a new year file of 2026 with the book.
inline void fillBigBook(Database& db)
{
    std::string chart = "code,name,kind,unit,multi_column,direction,width\n";
    for (int top = 1; top <= kTopLevel; ++top) {
        chart += std::to_string(1000 + top) + ",科目" + std::to_string(top) + ",0,,0,0,0\n";
        for (int child = 1; child <= kChildren; ++child)
            chart += std::to_string(1000 + top) + "-" + std::to_string(child) + ",明细" + std::to_string(child) +
                     ",0,,0,0,0\n";
    }
    if (!importSubjects(db, chart).ok)
        throw std::runtime_error("the chart was refused");
    const AccountingCalendar calendar(2026, "20260101", "20261231", "031");
    std::mt19937 random(42);
    Transaction transaction(db);
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db.handle(), "INSERT INTO P0(T,CER,RN,MRY,KNO,F,MY,NU,MK,TT) VALUES(?1,?2,?3,?4,?5,?6,?7,0,'4',?8)",
                           -1, &statement, nullptr) != SQLITE_OK)
        throw std::runtime_error("the insert was refused");
    const auto add = [&](const std::string& date, const std::string& number, int rn, const std::string& code, int f,
                         double amount, const std::string& month) {
        sqlite3_reset(statement);
        sqlite3_bind_text(statement, 1, date.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(statement, 2, number.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int(statement, 3, rn);
        sqlite3_bind_text(statement, 4, "摘要", -1, SQLITE_STATIC);
        sqlite3_bind_text(statement, 5, code.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int(statement, 6, f);
        sqlite3_bind_double(statement, 7, amount);
        sqlite3_bind_text(statement, 8, month.c_str(), -1, SQLITE_TRANSIENT);
        if (sqlite3_step(statement) != SQLITE_DONE)
            throw std::runtime_error("a line was refused");
    };
    for (int top = 1; top <= kTopLevel; ++top)
        add("20260101", "    ", 0, std::to_string(1000 + top) + "-1", top % 2 ? 1 : -1, 10000.0 * top, "01");
    for (int i = 0; i < kLines; i += 2) {
        const int month = static_cast<int>(random() % 12) + 1;
        const MonthPeriod period = calendar.period(month);
        const std::string date = period.first.substr(0, 6) + (random() % 2 ? "10" : "20");
        const std::string number = std::to_string(1000 + (i / 2) % 9000);
        // The first fifth of the lines lies below 1001.
        const int top = i < kLinesOf1001 ? 1 : 2 + static_cast<int>(random() % (kTopLevel - 1));
        const std::string debit = std::to_string(1000 + top) + "-" + std::to_string(1 + random() % kChildren);
        const std::string credit = std::to_string(1000 + top) + "-" + std::to_string(1 + random() % kChildren);
        const double amount = static_cast<double>(1 + random() % 1000000) / 100.0;
        add(date, number, 1, debit, 1, amount, monthCode(month));
        add(date, number, 2, credit, -1, amount, monthCode(month));
    }
    sqlite3_finalize(statement);
    transaction.commit();
}

} // namespace kszw::bench
