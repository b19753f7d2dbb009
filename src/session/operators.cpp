// Operators and their rights: the statements and checks behind the operator management dialog,
// the operator edit dialog, the password dialogs and kszw-cli operator.
#include "session/operators.h"

#include "common/prompt.h"
#include "common/text.h"
#include "session/rights.h"
#include "store/database.h"
#include "store/ks_dbset.h"
#include "store/transaction.h"

#include <algorithm>

namespace kszw {

namespace {

constexpr std::string_view kListOperators = "SELECT RTRIM(OPNO),RTRIM(NA) FROM OPR ORDER BY VAL(OPNO)";
constexpr std::string_view kReadRights = "SELECT trim(pwr) FROM pwr WHERE opno=?1 AND pwr IS NOT NULL";
constexpr std::string_view kCountRight = "SELECT COUNT(*) from pwr where opno=?1 and pwr=?2";
constexpr std::string_view kGrantRight = "insert into pwr(opno,pwr) values(?1,?2)";
constexpr std::string_view kWithdrawRight = "delete from pwr where opno=?1 and pwr=?2";
constexpr std::string_view kCountOperator = "select count(*) from opr where opno=?1";
constexpr std::string_view kInsertNoRight = "insert into pwr(opno,pwr) values(?1,NULL)";
constexpr std::string_view kInsertOperator = "insert into opr(opno,na,psd) values(?1,?2,'')";
constexpr std::string_view kRenameRights = "update pwr set opno=?1 where opno=?2";
constexpr std::string_view kRenameMaker = "update cerdir set opp=?1 where opp=?2";
constexpr std::string_view kRenameReviewer = "update cerdir set opn=?1 where opn=?2";
constexpr std::string_view kUpdateOperator = "update opr set opno=?1,na=?2 where opno=?3";
constexpr std::string_view kCountVouchers = "SELECT COUNT(*) from cerdir where opp=?1 or opn=?1";
constexpr std::string_view kDeleteOperator = "delete from opr where opno=?1";
constexpr std::string_view kDeleteRights = "delete from pwr where opno=?1";
constexpr std::string_view kCancelPassword = "update opr set psd=NULL where opno=?1";
constexpr std::string_view kSetPassword = "update opr set psd=?1 where opno=?2";

bool hasForbiddenCharacter(std::string_view text)
{
    for (char c : text)
        if (kOperatorForbiddenCharacters.find(c) != std::string_view::npos || static_cast<unsigned char>(c) < 0x20
            || c == 0x7f)
            return true;
    return false;
}

std::string unknownRightMessage(std::string_view rightCode)
{
    return "权限代码“" + std::string(rightCode) + "”不存在！";
}

// Why the rights of that operator cannot change; empty when they can.
std::string operatorRightsRefusal(std::string_view operatorCode)
{
    if (operatorCode.empty())
        return std::string(kNoOperatorForRights);
    if (operatorCode == kAdministratorCode)
        return std::string(kAdministratorRightsFixed);
    return {};
}

// Why that right cannot be granted or withdrawn for anybody; empty when it can.
std::string rightCodeRefusal(std::string_view rightCode)
{
    if (rightCode == kAdministrationRight)
        return std::string(kAdministrationRightFixed);
    if (!rightName(rightCode))
        return unknownRightMessage(rightCode);
    return {};
}

// The refusals that need no look at the file, in the order the rights dialog and the command line
// meet them; empty when the right of that operator may change.
std::string rightRefusal(std::string_view operatorCode, std::string_view rightCode)
{
    std::string refusal = operatorRightsRefusal(operatorCode);
    return refusal.empty() ? rightCodeRefusal(rightCode) : refusal;
}

bool operatorExists(Database& db, const std::string& code)
{
    return db.queryLong(kCountOperator, {code}) > 0;
}

// Brings one right of an operator to the asked state; inside a transaction.
void writeRight(Database& db, const std::string& operatorCode, const std::string& rightCode, bool granted)
{
    const bool held = db.queryLong(kCountRight, {operatorCode, rightCode}) > 0;
    if (granted && !held)
        db.execute(kGrantRight, {operatorCode, rightCode});
    else if (!granted && held)
        db.execute(kWithdrawRight, {operatorCode, rightCode});
}

OperatorSaveResult refuse(Prompt& prompt, std::string_view message, OperatorField field, bool clear = false)
{
    prompt.warn(message);
    return {false, field, clear};
}

// The checks of 确认 that need no look at the file: the code, then the name.
OperatorSaveResult checkOperatorInput(bool adding, std::string_view oldCode, const std::string& code,
                                      const std::string& name, Prompt& prompt)
{
    // A code is exactly three digits; a new operator's code does not sort below "102".
    if (static_cast<int>(code.size()) != kOperatorCodeLength || !isAllDigits(code)
        || (adding && code < kFirstFreeOperatorCode))
        return refuse(prompt, kIllegalOperatorCode, OperatorField::Code);
    if (!adding && oldCode == kAdministratorCode && code != kAdministratorCode)
        return refuse(prompt, kAdministratorCodeFixed, OperatorField::Code);
    if (name.empty())
        return refuse(prompt, kEmptyOperatorName, OperatorField::Name);
    if (hasForbiddenCharacter(name))
        return refuse(prompt, kInvalidOperatorName, OperatorField::Name, true);
    if (gbkLength(name) > kOperatorNameBytes)
        return refuse(prompt, kOperatorNameTooLong, OperatorField::Name);
    return {true, OperatorField::None, false};
}

} // namespace

std::string operatorLine(std::string_view code, std::string_view name)
{
    return format("%-11s%s", std::string(code).c_str(), std::string(name).c_str());
}

std::vector<OperatorEntry> listOperators(Database& db)
{
    std::vector<OperatorEntry> result;
    KS_Dbset list(db);
    for (list.open(kListOperators); !list.isEOF(); list.moveNext())
        result.push_back({list.textAt(0), list.textAt(1)});
    return result;
}

int preselectedOperatorLine(int operatorCount)
{
    if (operatorCount <= 0)
        return -1;
    return operatorCount > 1 ? 1 : 0;
}

std::vector<bool> operatorRights(Database& db, std::string_view operatorCode)
{
    std::vector<bool> held(kRights.size(), false);
    KS_Dbset rows(db);
    for (rows.open(kReadRights, {std::string(operatorCode)}); !rows.isEOF(); rows.moveNext()) {
        const std::string code = rows.textAt(0);
        for (size_t i = 0; i < kRights.size(); ++i)
            if (kRights[i].code == code)
                held[i] = true;
    }
    return held;
}

bool rightChangeable(std::string_view operatorCode, std::string_view rightCode)
{
    return rightRefusal(trim(operatorCode), rightCode).empty();
}

bool setOperatorRight(Database& db, std::string_view operatorCode, std::string_view rightCode, bool granted,
                      Prompt& prompt)
{
    const std::string op = trim(operatorCode);
    const std::string right(rightCode);
    if (std::string refusal = rightRefusal(op, right); !refusal.empty()) {
        prompt.warn(refusal);
        return false;
    }
    Transaction transaction(db);
    requireTransaction(db, "setOperatorRight");
    if (!operatorExists(db, op)) {
        prompt.warn(kOperatorMissing);
        return false;
    }
    writeRight(db, op, right, granted);
    transaction.commit();
    return true;
}

bool replaceOperatorRights(Database& db, std::string_view operatorCode, const std::vector<std::string>& rightCodes,
                           Prompt& prompt)
{
    const std::string op = trim(operatorCode);
    if (std::string refusal = operatorRightsRefusal(op); !refusal.empty()) {
        prompt.warn(refusal);
        return false;
    }
    for (const std::string& right : rightCodes) {
        if (std::string refusal = rightCodeRefusal(right); !refusal.empty()) {
            prompt.warn(refusal);
            return false;
        }
    }
    Transaction transaction(db);
    requireTransaction(db, "replaceOperatorRights");
    if (!operatorExists(db, op)) {
        prompt.warn(kOperatorMissing);
        return false;
    }
    for (const Right& right : kRights) {
        if (right.code == kAdministrationRight)
            continue;
        const bool wanted = std::find(rightCodes.begin(), rightCodes.end(), right.code) != rightCodes.end();
        writeRight(db, op, std::string(right.code), wanted);
    }
    transaction.commit();
    return true;
}

bool fitsOperatorCodeField(std::string_view text)
{
    return static_cast<int>(text.size()) <= kOperatorCodeLength && (text.empty() || isAllDigits(text));
}

bool fitsOperatorTextField(std::string_view text, int maxBytes)
{
    return !hasForbiddenCharacter(text) && gbkLength(text) <= maxBytes;
}

OperatorSaveResult addOperator(Database& db, std::string_view code, std::string_view name, Prompt& prompt)
{
    const std::string newCode = trim(code);
    const std::string newName = trim(name);
    OperatorSaveResult checked = checkOperatorInput(true, {}, newCode, newName, prompt);
    if (!checked.saved)
        return checked;

    Transaction transaction(db);
    requireTransaction(db, "addOperator");
    if (operatorExists(db, newCode))
        return refuse(prompt, kDuplicateOperatorCode, OperatorField::Code);
    db.execute(kInsertNoRight, {newCode});
    db.execute(kInsertOperator, {newCode, newName});
    transaction.commit();
    return {true, OperatorField::None, false};
}

OperatorSaveResult modifyOperator(Database& db, std::string_view oldCode, std::string_view code,
                                  std::string_view name, Prompt& prompt)
{
    const std::string from = trim(oldCode);
    const std::string newCode = trim(code);
    const std::string newName = trim(name);
    OperatorSaveResult checked = checkOperatorInput(false, from, newCode, newName, prompt);
    if (!checked.saved)
        return checked;

    Transaction transaction(db);
    requireTransaction(db, "modifyOperator");
    const int taken = db.queryLong(kCountOperator, {newCode});
    if ((newCode != from && taken >= 1) || taken > 1)
        return refuse(prompt, kDuplicateOperatorCode, OperatorField::Code);
    if (!operatorExists(db, from))
        return refuse(prompt, kOperatorMissing, OperatorField::None);
    if (newCode != from) {
        db.execute(kRenameRights, {newCode, from});
        db.execute(kRenameMaker, {newCode, from});
        db.execute(kRenameReviewer, {newCode, from});
    }
    db.execute(kUpdateOperator, {newCode, newName, from});
    transaction.commit();
    return {true, OperatorField::None, false};
}

bool deleteOperator(Database& db, std::string_view code, Prompt& prompt)
{
    const std::string op = trim(code);
    if (op.empty()) {
        prompt.warn(kNothingToDelete);
        return false;
    }
    if (op == kAdministratorCode) {
        prompt.warn(kAdministratorUndeletable);
        return false;
    }
    Transaction transaction(db);
    if (db.queryLong(kCountVouchers, {op}) > 0) {
        prompt.warn(kOperatorHasVouchers);
        return false;
    }
    if (!operatorExists(db, op)) {
        prompt.warn(kOperatorMissing);
        return false;
    }
    db.execute(kDeleteOperator, {op});
    db.execute(kDeleteRights, {op});
    transaction.commit();
    return true;
}

bool checkNewPassword(std::string_view password, Prompt& prompt)
{
    if (hasForbiddenCharacter(password)) {
        prompt.warn(kInvalidPassword);
        return false;
    }
    if (gbkLength(password) > kPasswordBytes) {
        prompt.warn(kPasswordTooLong);
        return false;
    }
    // The login compares the typed password with the stored one trimmed: a blank at either end
    // could never be typed to match.
    if (!password.empty() && (password.front() == ' ' || password.back() == ' ')) {
        prompt.warn(kPasswordEdgeBlank);
        return false;
    }
    return true;
}

PasswordResult setOwnPassword(CKszwEnv& env, std::string_view password, std::string_view confirmation,
                              Prompt& prompt)
{
    if (!checkNewPassword(password, prompt))
        return PasswordResult::Refused;
    if (password != confirmation) {
        prompt.warn(kPasswordMismatch);
        return PasswordResult::Mismatch;
    }
    Database& db = env.db();
    if (password.empty())
        db.execute(kCancelPassword, {env.operatorCode()});
    else
        db.execute(kSetPassword, {std::string(password), env.operatorCode()});
    if (db.changes() == 0) {
        prompt.warn(kOperatorMissing);
        return PasswordResult::Refused;
    }
    env.setPassword(std::string(password));
    prompt.warn(password.empty() ? kPasswordCancelled : kPasswordSet);
    return password.empty() ? PasswordResult::Cancelled : PasswordResult::Set;
}

} // namespace kszw
