// A statement calculated for an accounting month: every formula evaluated over the posted voucher
// lines (reviewed; the balance table counts the same lines), each amount rounded to the cent, half
// away from zero. A formula that fails leaves its cell without a number and with the evaluator's
// message; a line that reads it through r(N) fails too, naming the line the failure comes from.
//
// The evaluator of statements is the template evaluator with three functions more:
//   yf()    the statement's accounting month (1 … 12)
//   r(N)    the value of the line numbered N (行次) in the same column; a line without a formula
//           reads as zero. A line that reads itself, directly or through others, fails.
//   sy("K", m1, m2, "P")  the net amount (debit positive) of subject K and its sub-subjects over
//           months m1 … m2, posted lines only, without the vouchers that have a line on subject P
//           or below: a profit-and-loss subject's amount without the transfers to 本年利润 P.
//   jye("K", m), dye("K", m)  the debit balances, and the credit balances, of the sub-subjects of
//           K at the end of month m added up (each a positive amount): a customer who paid in
//           advance belongs with 预收账款, not in 应收账款.
#pragma once

#include "reports/report_definitions.h"
#include "store/accounting_calendar.h"
#include "templates/caculate_child.h"

#include <array>
#include <functional>
#include <string>
#include <vector>

namespace kszw {

class Database;

struct ReportCell {
    bool hasFormula = false;
    bool failed = false;
    double value = 0; // to the cent
    std::string error; // the message of a failed cell
};

// The check line under a statement. With two halves: the last lines of the halves (资产总计 and
// 负债和所有者权益总计) compared in each column, and when they differ what the books show as the
// reason (subjects no formula names, profit not yet carried over). Without halves: the
// profit-and-loss subjects with entries that no formula names. Both: transfer vouchers that also
// record other business (sy() leaves all of such a voucher out), and vouchers of the year up to
// the month not yet reviewed, which no statement counts. balanced: nothing to warn of; otherwise
// the line is shown in red.
struct ReportCheck {
    bool applies = false;
    bool balanced = false;
    std::string text; // "资产总计与负债和所有者权益总计相等", or what differs and by how much
};

struct ReportResult {
    ReportDefinition definition;
    int month = 0;
    std::string unitName;
    std::vector<std::array<ReportCell, 2>> cells; // per line of the definition
    ReportCheck check;

    // "2026年3月31日" (the last day of the month: a statement of balances) or "2026年3月".
    std::string periodText;
    // Every failed cell as "item（行次N）期末余额：message", in line order.
    std::vector<std::string> errors() const;
};

// The evaluator of statement formulas (see the top of this file). The line values come from the
// resolver given; without one, r(N) fails.
class CCaculateReport : public CCaculateChild {
public:
    using LineResolver = std::function<bool(int lineNumber, int column, double& value, std::string& error)>;

    CCaculateReport(Database& db, const AccountingCalendar& calendar, std::string fileName, int month,
                    int column, LineResolver resolver);

    bool CallFunction(std::string_view name, std::string_view arguments, std::string& value, ValueType& type) override;
    std::unique_ptr<CCaculate> Clone() const override;

private:
    bool netAmount(std::string_view argumentText, std::string& value, ValueType& type);
    bool sideBalance(bool debit, std::string_view argumentText, std::string& value, ValueType& type);

    Database& m_reportDb;
    AccountingCalendar m_reportCalendar;
    std::string m_reportFileName;
    int m_month;
    int m_column;
    LineResolver m_resolver;
};

// Calculates the statement for the accounting month (1 … 12). fileName is the year file's name as
// zw() answers it. Raises DatabaseError when the file cannot be read.
ReportResult calculateReport(Database& db, const AccountingCalendar& calendar, const std::string& fileName,
                             const ReportDefinition& definition, int month, std::string_view unitName);

// Checks every formula of a definition for the definition dialog's confirm: each is evaluated for
// month 1 of the year; nothing when all evaluate, otherwise the first failure
// "第N行（item）期末余额的公式：message".
std::optional<std::string> checkReportFormulas(Database& db, const AccountingCalendar& calendar,
                                               const std::string& fileName, const ReportDefinition& definition);

// The statement as a table of texts, as it is printed: for one half 项目, 行次 and the two amount
// columns; for two halves those four twice, the halves side by side (the shorter half padded with
// empty cells). Amounts with FormatNumber (zero blank), a failed cell its message.
struct ReportTable {
    std::vector<std::string> headers;
    std::vector<std::vector<std::string>> rows;
    std::vector<std::array<bool, 2>> bold; // per row and half
    std::vector<std::array<int, 2>> lines; // per row and half: the line of the definition, -1 for none
};
ReportTable reportTable(const ReportResult& result);

// The signatures under a statement: 单位负责人：, 会计主管：chief, 制表：operator.
std::vector<std::string> reportSignatureTexts(std::string_view chiefAccountant, std::string_view operatorName);

// The amount text of a cell: FormatNumber with two decimals (blank for zero or no formula), the
// message of a failed one.
std::string reportCellText(const ReportCell& cell);

} // namespace kszw
