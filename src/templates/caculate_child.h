// CCaculateChild: the evaluator of template formulas. Over the formula language it adds the
// #-variables of the year file (KSVAR), the voucher's year and month (pzt), the year file's name
// (zw) and the accounting data functions over the posted voucher lines:
//
//   ye("K", m)          balance of subject K and its sub-subjects at the end of accounting month m,
//                       opening balance included (debit positive, credit negative)
//   jf("K", m1[, m2])   debit turnover of K over months m1 … m2 (one month when m2 is left out)
//   df("K", m1[, m2])   credit turnover of K over months m1 … m2
//   sl("K", m)          quantity balance of K at the end of month m, opening quantity included
//   jsl("K", m1[, m2])  debit quantity turnover;  dsl("K", m1[, m2]) credit quantity turnover
//   yd(y, m)            the last day of accounting month m as a number YYYYMMDD (y: the file's year)
//
// Turnovers count posted voucher lines only: opening rows (voucher number of four blanks) never.
// A code with "-" must be quoted ("1002-1"), or it would be read as a subtraction. Month 0 in ye
// and sl gives the opening balance. The functions of report documents ("bb", "lys", "row", "col",
// "page" …) have no meaning over a year file and answer "函数名出错！".
//
// Before the first data function, "#z" and "#d" are evaluated when the year file defines them:
// #z must name the open year file (or be empty, "默认帐务文件名出错！" otherwise) and #d the table
// of voucher lines P0 (or be empty, "默认表名出错！" otherwise); the data always come from them.
//
// Variables: a #-name is looked up in KSVAR and its expression evaluated by a nested evaluator of
// this kind, so variables may use data functions and other variables, at most 100 deep (a
// variable defined by itself stops there with a message). The kind says what the value must be:
// 数值 a number (a text result is refused), 字符 a text (a number is written as text), 自动
// whatever the expression gives.
#pragma once

#include "common/dates.h"
#include "formula/caculate.h"
#include "store/accounting_calendar.h"

#include <map>
#include <string>

namespace kszw {

class Database;

struct VariableDefinition {
    std::string expression;
    int type = 2; // 0 字符, 1 数值, 2 自动
};

class CCaculateChild : public CCaculate {
public:
    // Over the open year file; voucherDate is the date of the voucher being made (pzt, defaults).
    CCaculateChild(Database& db, const AccountingCalendar& calendar, std::string fileName, CivilDate voucherDate);

    // Reads the variables of the year file (KSVAR); evaluation before this knows none.
    void LoadVariables();

    bool GetVariable(std::string_view name, std::string& value, ValueType& type) override;
    bool CallFunction(std::string_view name, std::string_view arguments, std::string& value, ValueType& type) override;
    std::unique_ptr<CCaculate> Clone() const override;
    void CopySettings(CCaculate& nested) const override;

    static constexpr int kMaxVariableDepth = 100;

protected:
    // For data functions of derived evaluators. Evaluates the arguments; false (with the error set)
    // when their number is not in [least, most].
    bool arguments(std::string_view text, size_t least, size_t most, std::vector<std::string>& values,
                   std::vector<ValueType>& types);
    // A subject of the chart ("科目“X”出错！" otherwise); a number argument 1001.000000 is 1001.
    bool subjectArgument(const std::string& value, std::string& code);
    // An accounting month 0 … 12 ("月份参数出错，应为0到12的整数！" otherwise).
    bool monthArgument(const std::string& value, ValueType type, int& month);

private:
    // The defaults the data functions read: #z the year file (its name, or empty), #d the table of
    // posted lines (P0, or empty). Variables not defined keep the defaults.
    bool checkDefaults();

    Database& m_db;
    AccountingCalendar m_calendar;
    std::string m_fileName;
    CivilDate m_voucherDate;
    std::map<std::string, VariableDefinition> m_variables;
    int m_variableDepth = 0;
    bool m_defaultsChecked = false;
};

} // namespace kszw
