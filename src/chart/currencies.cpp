// The currency directory: its lines, the checks of the currency dialog and the writes.
#include "chart/currencies.h"

#include "chart/subject_codes.h"
#include "common/prompt.h"
#include "common/text.h"
#include "store/database.h"
#include "store/ks_dbset.h"
#include "store/transaction.h"

namespace kszw {

namespace {

constexpr std::string_view kList = "SELECT trim(WNO),trim(NA),trim(HO) FROM WBT ORDER BY val(WNO),trim(WNO)";
constexpr std::string_view kCountCode = "SELECT COUNT(*) FROM WBT WHERE trim(WNO)=?1";
// A leaf that exists: the subject itself and nothing below it.
constexpr std::string_view kCountSubtree = "SELECT COUNT(*) FROM SUBT WHERE trim(KNO)=?1 OR trim(KNO) LIKE ?1 || '-%'";
constexpr std::string_view kInsert = "INSERT INTO WBT(WNO,NA,HO) VALUES(?1,?2,?3)";
constexpr std::string_view kUpdate = "UPDATE WBT SET NA=?1,HO=?2 WHERE trim(WNO)=?3";
// A changed code, in this order: the currency, its rates, the subjects kept in it.
constexpr std::string_view kRecode = "UPDATE WBT SET WNO=?1,NA=?2,HO=?3 WHERE trim(WNO)=?4";
constexpr std::string_view kRecodeRates = "UPDATE WBR SET WNO=?1 WHERE trim(WNO)=?2";
constexpr std::string_view kRecodeSubjects = "UPDATE SUBT SET FZN=?1 WHERE trim(FZ)='2' AND strcomp(trim(FZN),?2,0)=0";
constexpr std::string_view kCountReferences = "SELECT COUNT(*) FROM SUBT WHERE trim(FZ)='2' AND trim(FZN)=?1";
constexpr std::string_view kCountRates = "SELECT COUNT(*) FROM WBR WHERE trim(WNO)=?1";
constexpr std::string_view kDelete = "DELETE FROM WBT WHERE trim(WNO)=?1";
constexpr std::string_view kDeleteRates = "DELETE FROM WBR WHERE trim(WNO)=?1";

constexpr int kMaxCodeDigits = 4;
constexpr int kMaxNameBytes = 10;

CurrencyResult refuse(std::string message, CurrencyField field)
{
    CurrencyResult result;
    result.message = std::move(message);
    result.field = field;
    return result;
}

// A name the file and its statements can hold: no blank, bar, bracket, quote or control character.
bool hasInvalidNameCharacter(std::string_view name)
{
    for (char c : name)
        if (static_cast<unsigned char>(c) < 0x20 || std::string_view(" |[]'\"").find(c) != std::string_view::npos)
            return true;
    return false;
}

// The checks of confirming the currency dialog, in their order; oldCode is "" when adding. On
// success the result holds the canonical code and saved the values to write.
CurrencyResult checkInput(Database& db, std::string_view oldCode, const CurrencyInput& input, CurrencyInput& saved)
{
    // 1. The code as a whole number in its canonical form.
    const std::optional<std::string> code = canonicalCurrencyCode(input.code);
    if (!code)
        return refuse("币种代码不能为空或小于1，请重输！", CurrencyField::Code);
    if (static_cast<int>(code->size()) > kMaxCodeDigits)
        return refuse("币种代码不能超过4位数字，请重输！", CurrencyField::Code);
    saved.code = *code;

    // 2. The name.
    saved.name = trimWhitespace(input.name);
    if (saved.name.empty())
        return refuse("币名不能为空，请重输!", CurrencyField::Name);
    if (hasInvalidNameCharacter(saved.name))
        return refuse("币种名称中不能有空格、|、[、]和引号，请重输!", CurrencyField::Name);
    if (gbkLength(saved.name) > kMaxNameBytes)
        return refuse("币种名称太长，不能超过10个字节（5个汉字），请重输!", CurrencyField::Name);

    // 3. The gain/loss subject is given.
    saved.subject = trimWhitespace(input.subject);
    if (saved.subject.empty())
        return refuse("汇兑损益科目不能为空，请重输!", CurrencyField::Subject);

    // 4. The code is unique (a modified currency keeping its code counts once).
    const int count = db.queryLong(kCountCode, {saved.code});
    const bool duplicate = oldCode.empty() ? count >= 1 : (count > 1 || (count == 1 && saved.code != oldCode));
    if (duplicate)
        return refuse("代码重复，请重输！", CurrencyField::Code);

    // 5. The subject is a leaf that exists (a code that is no subject code names none).
    if (!isSubjectCode(saved.subject) || db.queryLong(kCountSubtree, {saved.subject}) != 1)
        return refuse("汇兑损益科目不存在或非最低明细科目，请重输！", CurrencyField::Subject);

    CurrencyResult ok;
    ok.ok = true;
    ok.code = saved.code;
    return ok;
}

enum class DeleteOutcome { Deleted, Referenced, NeedsConfirmation };

// The checks and the deletes in one transaction, so that no subject can start using the currency
// between the check and the delete; no message is shown while the write lock is held.
DeleteOutcome tryDelete(Database& db, const std::string& code, bool ratesConfirmed)
{
    Transaction transaction(db);
    requireTransaction(db, "deleteCurrency");
    if (db.queryLong(kCountReferences, {code}) >= 1)
        return DeleteOutcome::Referenced;
    const bool hasRates = db.queryLong(kCountRates, {code}) >= 1;
    if (hasRates && !ratesConfirmed)
        return DeleteOutcome::NeedsConfirmation;
    db.execute(kDelete, {code});
    if (hasRates)
        db.execute(kDeleteRates, {code});
    transaction.commit();
    return DeleteOutcome::Deleted;
}

} // namespace

std::string CurrencyLine::text() const
{
    return padGbkRight(code, 8) + padGbkRight(name, 16) + subject;
}

std::vector<CurrencyLine> listCurrencies(Database& db)
{
    std::vector<CurrencyLine> lines;
    KS_Dbset rows(db);
    for (rows.open(kList, {}); !rows.isEOF(); rows.moveNext())
        lines.push_back({rows.textAt(0), rows.textAt(1), rows.textAt(2)});
    return lines;
}

std::string missingCurrencyMessage(std::string_view code)
{
    return "代码为“" + std::string(code) + "”的外币币种不存在！";
}

std::optional<std::string> canonicalCurrencyCode(std::string_view typed)
{
    const std::string code = trimWhitespace(typed);
    if (!isAllDigits(code))
        return std::nullopt;
    const size_t nonZero = code.find_first_not_of('0');
    if (nonZero == std::string::npos)
        return std::nullopt;
    return code.substr(nonZero);
}

CurrencyResult addCurrency(Database& db, const CurrencyInput& input)
{
    Transaction transaction(db);
    requireTransaction(db, "addCurrency");
    CurrencyInput saved;
    CurrencyResult result = checkInput(db, "", input, saved);
    if (!result.ok)
        return result;
    db.execute(kInsert, {saved.code, saved.name, saved.subject});
    transaction.commit();
    return result;
}

CurrencyResult modifyCurrency(Database& db, std::string_view oldCode, const CurrencyInput& input)
{
    Transaction transaction(db);
    requireTransaction(db, "modifyCurrency");
    const std::string old(oldCode);
    // Another copy of the program may have deleted it meanwhile: nothing would be changed.
    if (db.queryLong(kCountCode, {old}) == 0)
        return refuse(missingCurrencyMessage(old), CurrencyField::Code);
    CurrencyInput saved;
    CurrencyResult result = checkInput(db, old, input, saved);
    if (!result.ok)
        return result;
    if (saved.code == old) {
        db.execute(kUpdate, {saved.name, saved.subject, old});
    } else {
        db.execute(kRecode, {saved.code, saved.name, saved.subject, old});
        db.execute(kRecodeRates, {saved.code, old});
        db.execute(kRecodeSubjects, {saved.code, old});
    }
    transaction.commit();
    return result;
}

bool deleteCurrency(Database& db, std::string_view code, Prompt& prompt)
{
    if (code.empty()) {
        prompt.warn(kNothingToDelete);
        return false;
    }
    const std::string wno(code);
    bool ratesConfirmed = false;
    for (;;) {
        switch (tryDelete(db, wno, ratesConfirmed)) {
        case DeleteOutcome::Deleted: return true;
        case DeleteOutcome::Referenced:
            prompt.warn("代码为“" + wno + "”的外币币种已被引用，不能删除！");
            return false;
        case DeleteOutcome::NeedsConfirmation:
            // Asked outside the transaction; the delete then checks everything again.
            if (prompt.ask("代码为“" + wno + "”的外币已设置汇率，决定删除吗？", Buttons::YesNo, Answer::No,
                           Icon::Question, kMessageCaption)
                != Answer::Yes)
                return false;
            ratesConfirmed = true;
            break;
        }
    }
}

} // namespace kszw
