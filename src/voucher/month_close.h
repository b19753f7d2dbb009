// Month-end close: the first open accounting month is closed for good once its vouchers are all
// reviewed, numbered without gaps and balanced. The close is the count of closed months (MM of
// SYSTAB), raised by one; after the last question the checks run again under the write lock and
// the count is raised only from the value the checks saw, so two copies closing at once raise it
// by exactly one.
#pragma once

#include <string>
#include <string_view>

namespace kszw {

class Database;
struct Prompt;

inline constexpr std::string_view kCloseWarning = "警告：\r    结帐后,将永远不能操纵本月的数据,";
inline constexpr std::string_view kCloseMonthCaption = "当前可以结帐的月份是：";
inline constexpr std::string_view kCloseCareful = "请慎重地作出你的选择。";
inline constexpr std::string_view kYellowCard = "黄牌警告：";
inline constexpr std::string_view kEmptyMonthQuestion =
    "    本月没有处理任何帐务，建议不做月结；若要坚持\r\r进行月结，则月结后将永远不能在本月处理任何帐务。\r\r您是否坚持现在就做月结？";
inline constexpr std::string_view kUnreviewedLeft = "本月尚有未复核的凭证，不能结帐!";
inline constexpr std::string_view kNumbersNotContinuous = "本月凭证号不连续，不能结帐!";
inline constexpr std::string_view kNotBalanced = "本月帐务未平衡，不能结帐!";
inline constexpr std::string_view kCloseQuestion = "结帐后，永远不能操纵本月数据。\r\r立即结帐吗？";
inline constexpr std::string_view kAllMonthsClosed = "本年度各月均已结帐！";
inline constexpr std::string_view kClosedMeanwhile = "本月已被其他操作员结帐，本次结帐未进行！";
inline constexpr std::string_view kVouchersMeanwhile = "本月刚有其他操作员制作了凭证，本次结帐未进行，请重新结帐！";

// The month the close offers: closed months + 1, its code ("03") and the label "2026 年 03 月".
struct MonthToClose {
    int month = 0;
    std::string code;
    std::string label;
};
MonthToClose monthToClose(Database& db);

// The check of a class's numbering: "本月“A”类凭证号不连续，不能结帐!".
std::string classNumbersNotContinuous(std::string_view prefix);

// The close as the dialog's confirmation runs it: the checks in order, each refusal told, the
// questions asked (No by default). True when the month was closed; closedMonths is then the new
// count.
bool closeMonth(Database& db, Prompt& prompt, int& closedMonths);

} // namespace kszw
