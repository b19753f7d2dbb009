// The account balance table (帐户余额表) and the balance-and-turnover table (帐户余额及发生额表):
// one line per account of one level of the chart (the top level or the children of a parent), or
// in the turnover table all levels below depth first, each with a total line. The figures come
// from one grouped pass over the posted lines, summed per code and rolled up the subject tree in
// memory, so a table of 2,000 accounts over a million lines is one scan.
#pragma once

#include "ledger/ledger_conventions.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace kszw {

class Database;

// ---- the balance table ----

struct BalanceConditions {
    std::string parent;     // "" or a level-1-or-less code: the top level
    std::string cutoffDate; // YYYYMMDD
    int cutoffMonth = 12;   // the accounting month holding the date
};

struct BalanceTable {
    // 科目代码, 科目名称, 借或贷, 余额; the total row last ("", "         合      计", …).
    std::vector<std::array<std::string, 4>> rows;
    std::vector<double> balances; // per account row
    double total = 0;
    int accountCount = 0;
};
BalanceTable buildBalanceTable(Database& db, const BalanceConditions& conditions, const BuildProgress& progress = {});

// "截止时间：2026 年 3 月 31 日"; "截止时间：×× 年 × 月 × 日" for an empty date.
std::string cutoffText(std::string_view date);

// ---- the balance-and-turnover table ----

enum class TurnoverListing { NextLevel, AllLevels };

struct TurnoverConditions {
    std::string parent;
    std::string startDate; // YYYYMMDD
    std::string endDate;
    int startMonth = 1;
    int endMonth = 12;
    TurnoverListing listing = TurnoverListing::NextLevel;
};

struct TurnoverTable {
    // 科目代码, 科目名称, 借或贷, 期初余额, 借方发生额, 贷方发生额, 借或贷, 期末余额; total row last
    // ("", "   合    计  ", …).
    std::vector<std::array<std::string, 8>> rows;
    std::vector<int> levels; // per account row
    double openingTotal = 0, debitTotal = 0, creditTotal = 0, closingTotal = 0;
};
TurnoverTable buildTurnoverTable(Database& db, const TurnoverConditions& conditions,
                                 const BuildProgress& progress = {});

// "2026 年 3 月 15 日 至 4 月 20 日" and its other forms; the crosses before a span is set.
std::string turnoverPeriodText(std::string_view startDate, std::string_view endDate);

// ---- shared ----

// Going up (40016): the current row's code loses its last segment twice; "" is the top level.
std::string parentForGoingUp(std::string_view currentCode);
// Stepping down into a row: the code when the account has children.
bool canStepDown(Database& db, std::string_view code);

inline constexpr std::string_view kNoAccountsThisYear = "本年度尚未设置科目(帐户)！";
std::string unitText(std::string_view unitName);              // "单位：%s"
std::string tablePageText(int page);                          // " 第%4d 页"
std::vector<std::string> tableFootTexts(std::string_view operatorName); // 会计主管：, 复  核：, 制  表：%s

// ---- the condition dialogs' checks ----

struct ConditionRefusal {
    std::string message;
    int field = 0; // the field to return to, numbered as the dialog lists them
};
// Balance table: fields 0 code, 1 year, 2 month, 3 day. The year's first and last day bound the date.
std::optional<ConditionRefusal> checkBalanceConditions(Database& db, std::string_view code, int year, int month,
                                                       int day, std::string_view yearStart,
                                                       std::string_view yearEnd);
// Turnover table: fields 0 start year, 1 start month, 2 start day, 3 end year, 4 end month, 5 end
// day, 6 code.
std::optional<ConditionRefusal> checkTurnoverConditions(Database& db, int startYear, int startMonth, int startDay,
                                                        int endYear, int endMonth, int endDay,
                                                        std::string_view code, std::string_view yearStart,
                                                        std::string_view yearEnd);
// The balance dialog's first date: today's month closed on its accounting month's last day when
// today is in the file's year, else the year's last day. YYYYMMDD.
std::string initialCutoffDate(const AccountingCalendar& calendar, std::string_view today,
                              std::string_view yearEnd);

} // namespace kszw
