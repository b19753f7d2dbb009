// Operators of a year data file and their rights: the list of the management dialog, granting and
// withdrawing rights, adding, modifying and deleting operators, and an operator setting their own
// password. Every check and message of these dialogs (and of kszw-cli operator) lives here; the
// dialogs only collect the input and put the focus where a refusal says.
//
// Operator codes are three digits; "101" is the administrator, who holds the administration right
// "0101" and whose code and rights never change. Codes below "102" are not given to new operators.
#pragma once

#include "session/kszw_env.h"

#include <string>
#include <string_view>
#include <vector>

namespace kszw {

class Database;
struct Prompt;

inline constexpr std::string_view kAdministratorCode = "101";
// The lowest code a new operator may take.
inline constexpr std::string_view kFirstFreeOperatorCode = "102";
inline constexpr int kOperatorCodeLength = 3;
// OPR.NA is CHAR(8) and OPR.PSD CHAR(10): limits in GBK bytes.
inline constexpr int kOperatorNameBytes = 8;
inline constexpr int kPasswordBytes = 10;
// Input specifications of the fields, and the characters the text fields refuse.
inline constexpr std::string_view kOperatorCodeSpec = "NUMBER 0123456789";
inline constexpr std::string_view kOperatorTextSpec = "STRING NOT |[]'\"";
inline constexpr std::string_view kOperatorForbiddenCharacters = "|[]'\"";

// Messages of the operator and password dialogs.
inline constexpr std::string_view kNoOperatorForRights = "没有选择操作员，不能操作权限！";
inline constexpr std::string_view kAdministrationRightFixed = "“帐务管理”权限不能授予或收回！";
inline constexpr std::string_view kAdministratorRightsFixed = "代码为101的操作员的权限不能更改！";
inline constexpr std::string_view kIllegalOperatorCode = "代码不合法，请重输！";
inline constexpr std::string_view kAdministratorCodeFixed = "代码为101的操作员不能更改代码！";
inline constexpr std::string_view kEmptyOperatorName = "姓名不能为空，请重输！";
inline constexpr std::string_view kInvalidOperatorName = "操作员姓名中输入了无效字符，请重输！";
inline constexpr std::string_view kOperatorNameTooLong = "姓名不能超过8个字节（4个汉字），请重输！";
inline constexpr std::string_view kDuplicateOperatorCode = "该代码已存在，请重输！";
inline constexpr std::string_view kOperatorMissing = "无此操作员！";
inline constexpr std::string_view kNothingToDelete = "对不起，没有选择删除对象！";
inline constexpr std::string_view kAdministratorUndeletable = "不允许删除代码为101的操作员！";
inline constexpr std::string_view kOperatorHasVouchers = "该操作员本年度已有操作记录，不能删除！";
inline constexpr std::string_view kPasswordMismatch = "确认的口令与先前输入的不一致。";
inline constexpr std::string_view kPasswordCancelled = "您的口令已被取消!";
inline constexpr std::string_view kPasswordSet = "您的口令设置成功，请牢记之！";
inline constexpr std::string_view kPasswordTooLong = "口令不能超过10个字节（5个汉字），请重输！";
inline constexpr std::string_view kInvalidPassword = "口令中输入了无效字符，请重输！";
inline constexpr std::string_view kPasswordEdgeBlank = "口令的首尾不能是空格，请重输！";

// One line of the operator list: the code left-aligned in 11 characters, then the name.
std::string operatorLine(std::string_view code, std::string_view name);

// The operators for the management dialog, in numeric order of their codes.
std::vector<OperatorEntry> listOperators(Database& db);

// The line the management dialog selects first: the second when there is more than one operator
// (the first being the administrator), else the first; -1 for an empty list.
int preselectedOperatorLine(int operatorCount);

// Which of the rights of kRights the operator holds, in the order of kRights.
std::vector<bool> operatorRights(Database& db, std::string_view operatorCode);

// True when the rights box of that right may be changed for that operator: never for "0101",
// never for the administrator.
bool rightChangeable(std::string_view operatorCode, std::string_view rightCode);

// Grants (granted) or withdraws one right of an operator at once. Refusals are told through the
// prompt: no operator, the administrator, right "0101", an unknown right, an operator that is no
// longer in the file. True when the file holds the asked state afterwards.
bool setOperatorRight(Database& db, std::string_view operatorCode, std::string_view rightCode, bool granted,
                      Prompt& prompt);

// Gives the operator exactly the listed rights (the working rights not listed are withdrawn), in one
// transaction; the same refusals as setOperatorRight, checked for every code before anything is
// written. True when done.
bool replaceOperatorRights(Database& db, std::string_view operatorCode, const std::vector<std::string>& rightCodes,
                           Prompt& prompt);

// The field of the edit dialog a refusal concerns.
enum class OperatorField { None, Code, Name };

// What 确认 of the edit dialog brought: saved, or refused with the field to focus (and whether that
// field is to be cleared).
struct OperatorSaveResult {
    bool saved = false;
    OperatorField field = OperatorField::None;
    bool clearField = false;
};

// True when text typed into the code field may stand there: at most three digits.
bool fitsOperatorCodeField(std::string_view text);
// True when text typed into a name or password field may stand there: none of |[]'" and no
// control character, at most maxBytes GBK bytes.
bool fitsOperatorTextField(std::string_view text, int maxBytes);

// Adds an operator with no rights (a PWR row with no code) and no password, after the checks of
// 确认 in order: the code, the name, a duplicate code. The code and name are stored trimmed.
OperatorSaveResult addOperator(Database& db, std::string_view code, std::string_view name, Prompt& prompt);

// Modifies operator oldCode: a new code (rights and the maker and reviewer codes of vouchers
// follow it) and the name, all in one transaction, after the same checks as adding (a new code may
// sort below "102"; the administrator keeps the code "101").
OperatorSaveResult modifyOperator(Database& db, std::string_view oldCode, std::string_view code,
                                  std::string_view name, Prompt& prompt);

// Deletes an operator with their rights, without asking, after the refusals in order: nothing
// selected, the administrator, an operator who made or reviewed a voucher, no such operator.
// True when deleted.
bool deleteOperator(Database& db, std::string_view code, Prompt& prompt);

// Checks a new password as the first password dialog takes it: at most 10 bytes, none of the
// forbidden characters, no blank at either end (the login compares the stored password trimmed).
// Tells the refusal; true when acceptable.
bool checkNewPassword(std::string_view password, Prompt& prompt);

// What the confirmation of a new password brought.
enum class PasswordResult { Set, Cancelled, Mismatch, Refused };

// Sets (or, when empty, cancels) the logged-in operator's password after the confirmation matched,
// and the login state takes it at once; tells the outcome through the prompt.
PasswordResult setOwnPassword(CKszwEnv& env, std::string_view password, std::string_view confirmation,
                              Prompt& prompt);

} // namespace kszw
