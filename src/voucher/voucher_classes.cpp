// Voucher classes: the class list of voucher numbers, the class dialog's list, and adding,
// re-coding and deleting classes with their checks, each in one transaction.
#include "voucher/voucher_classes.h"

#include "common/prompt.h"
#include "common/text.h"
#include "store/database.h"
#include "store/transaction.h"

namespace kszw {

namespace {

constexpr std::string_view kCountClasses = "SELECT count(*) FROM cercls";
constexpr std::string_view kClassCodes = "SELECT trim(cno) FROM cercls ORDER BY cno";
constexpr std::string_view kListClasses = "SELECT trim(cno),rtrim(na) FROM cercls ORDER BY cno";
constexpr std::string_view kCountYearVouchers = "SELECT count(*) FROM cerdir";
// ?1 code length, ?2 code.
constexpr std::string_view kCountClassVouchers = "SELECT count(*) FROM cerdir WHERE strcomp(substr(cer,1,?1),?2,0)=0";
// Headers and lines whose number begins with a code (?1 its length, ?2 the code).
constexpr std::string_view kCountNumbersWithPrefix =
    "SELECT (SELECT count(*) FROM cerdir WHERE strcomp(substr(trim(cer),1,?1),?2,0)=0)"
    " + (SELECT count(*) FROM p0 WHERE strcomp(substr(trim(cer),1,?1),?2,0)=0)";
constexpr std::string_view kCountCodeTaken = "SELECT count(*) FROM cercls WHERE strcomp(trim(cno),?1,0)=0";
constexpr std::string_view kOtherClassCodes =
    "SELECT trim(cno) FROM cercls WHERE strcomp(trim(cno),?1,0)<>0 ORDER BY cno";
constexpr std::string_view kInsertClass = "INSERT INTO cercls(cno,na) VALUES(?1,?2)";
// ?1 new code, ?2 old code length + 1, ?3 old code length, ?4 old code.
constexpr std::string_view kRenumberHeaders =
    "UPDATE cerdir SET cer=?1 || substr(cer,?2) WHERE strcomp(substr(trim(cer),1,?3),?4,0)=0";
constexpr std::string_view kRenumberLines =
    "UPDATE p0 SET cer=?1 || substr(cer,?2) WHERE strcomp(substr(trim(cer),1,?3),?4,0)=0";
constexpr std::string_view kUpdateClass = "UPDATE cercls SET cno=?1,na=?2 WHERE strcomp(trim(cno),?3,0)=0";
constexpr std::string_view kDeleteClass = "DELETE FROM cercls WHERE strcomp(trim(cno),?1,0)=0";

std::int64_t bytes(std::string_view text)
{
    return static_cast<std::int64_t>(text.size());
}

std::vector<std::string> readCodes(Database& db, std::string_view sql, const SqlParams& params = {})
{
    std::vector<std::string> codes;
    Statement statement = db.prepare(sql, params);
    while (statement.step())
        codes.push_back(statement.columnText(0));
    return codes;
}

// The length of the codes as the class list gives it: (list length / count) - 1.
int codeLengthOf(const std::vector<std::string>& codes)
{
    if (codes.empty())
        return 0;
    size_t listLength = 0;
    for (const std::string& code : codes)
        listLength += code.size() + 1;
    return static_cast<int>(listLength / codes.size()) - 1;
}

bool isClassCodeCharacter(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z');
}

bool hasForbiddenNameCharacter(std::string_view name)
{
    for (char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F || kClassNameForbiddenCharacters.find(c) != std::string_view::npos)
            return true;
    }
    return false;
}

ClassSaveResult refuse(Prompt& prompt, std::string_view message, ClassField field)
{
    prompt.warn(message);
    ClassSaveResult result;
    result.field = field;
    return result;
}

// The checks of 确认 for a class (oldCode empty: a new one), in their order, against the file as it
// is inside the caller's transaction. Gives a result with saved set when every check passed.
ClassSaveResult checkClass(Database& db, std::string_view oldCode, std::string_view typedCode,
                           std::string_view typedName, Prompt& prompt)
{
    requireTransaction(db, "checking a voucher class");
    const bool adding = oldCode.empty();
    if (!adding && db.queryLong(kCountCodeTaken, {std::string(oldCode)}) == 0)
        return refuse(prompt, kClassMissing, ClassField::None);

    // The first class only while the year has no voucher: checked first, as no input mends it.
    const std::vector<std::string> others =
        adding ? readCodes(db, kClassCodes) : readCodes(db, kOtherClassCodes, {std::string(oldCode)});
    if (adding && others.empty() && db.queryLong(kCountYearVouchers) > 0)
        return refuse(prompt, kClassesClosedForYear, ClassField::None);

    const std::string code = normaliseClassCode(typedCode);
    const std::string name = trim(typedName);
    if (code.empty())
        return refuse(prompt, kEmptyClassCode, ClassField::Code);
    for (char c : code)
        if (!isClassCodeCharacter(c))
            return refuse(prompt, kInvalidClassCode, ClassField::Code);

    // The length: that of the other classes; a class with vouchers (or the only class of a year
    // with vouchers) keeps its length, as its vouchers' numbers must keep their four characters.
    const int length = static_cast<int>(code.size());
    if (!others.empty()) {
        const int required = codeLengthOf(others);
        if (length != required)
            return refuse(prompt, classCodeLengthMessage(required), ClassField::Code);
    }
    if (!adding && length != static_cast<int>(oldCode.size())) {
        const bool keepsLength = countClassVouchers(db, oldCode) > 0
                                 || (others.empty() && db.queryLong(kCountYearVouchers) > 0);
        if (keepsLength)
            return refuse(prompt, classCodeLengthMessage(static_cast<int>(oldCode.size())), ClassField::Code);
    }
    if (length > kClassCodeBytes)
        return refuse(prompt, kClassCodeTooLong, ClassField::Code);

    if (name.empty())
        return refuse(prompt, kEmptyClassName, ClassField::Name);
    if (hasForbiddenNameCharacter(name))
        return refuse(prompt, kInvalidClassName, ClassField::Name);
    if (gbkLength(name) > kClassNameBytes)
        return refuse(prompt, kClassNameTooLong, ClassField::Name);

    const bool codeChanged = code != oldCode; // exact, as the engine's strcomp(…,0)
    if ((adding || codeChanged) && db.queryLong(kCountCodeTaken, {code}) > 0)
        return refuse(prompt, kDuplicateClassCode, ClassField::Code);
    // Numbers that already begin with the new code (written by another program of the family)
    // would meet the class's renumbered vouchers: two vouchers could end up with one number.
    if (!adding && codeChanged && countClassVouchers(db, oldCode) > 0
        && db.queryLong(kCountNumbersWithPrefix, {bytes(code), code}) > 0)
        return refuse(prompt, kClassPrefixTaken, ClassField::Code);

    ClassSaveResult result;
    result.saved = true;
    result.code = code;
    result.name = name;
    return result;
}

} // namespace

std::string classCodeLengthMessage(int length)
{
    return format("类别字应为%d个字符，请重输!", length);
}

ClassList classList(Database& db)
{
    ClassList result;
    if (db.queryLong(kCountClasses) == 0)
        return result;
    result.codes = readCodes(db, kClassCodes);
    for (const std::string& code : result.codes)
        result.list += code + " ";
    result.codeLength = codeLengthOf(result.codes);
    return result;
}

std::string voucherClassLine(std::string_view code, std::string_view name)
{
    const std::string codeText(code);
    const std::string nameText(name);
    return format("%-2s    %s", codeText.c_str(), nameText.c_str());
}

std::vector<VoucherClassLine> listVoucherClasses(Database& db)
{
    std::vector<VoucherClassLine> lines;
    if (db.queryLong(kCountClasses) == 0)
        return lines;
    Statement statement = db.prepare(kListClasses);
    while (statement.step()) {
        VoucherClassLine line;
        line.code = statement.columnText(0);
        line.name = statement.columnText(1);
        line.text = voucherClassLine(line.code, line.name);
        lines.push_back(std::move(line));
    }
    return lines;
}

bool classesClosedForYear(Database& db)
{
    return db.queryLong(kCountClasses) == 0 && db.queryLong(kCountYearVouchers) > 0;
}

bool mayOpenClassList(Database& db, Prompt& prompt)
{
    if (!classesClosedForYear(db))
        return true;
    prompt.warn(kClassesClosedForYear);
    return false;
}

std::string normaliseClassCode(std::string_view typed)
{
    std::string code;
    for (char c : typed) {
        if (c == ' ' || c == '\t')
            continue;
        code += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    }
    return code;
}

int countClassVouchers(Database& db, std::string_view code)
{
    return db.queryLong(kCountClassVouchers, {bytes(code), std::string(code)});
}

ClassSaveResult addVoucherClass(Database& db, std::string_view code, std::string_view name, Prompt& prompt)
{
    Transaction transaction(db);
    ClassSaveResult result = checkClass(db, {}, code, name, prompt);
    if (!result.saved)
        return result;
    db.execute(kInsertClass, {result.code, result.name});
    transaction.commit();
    return result;
}

ClassSaveResult modifyVoucherClass(Database& db, std::string_view oldCode, std::string_view code,
                                   std::string_view name, Prompt& prompt)
{
    Transaction transaction(db);
    const std::string old = trim(oldCode);
    if (old.empty())
        return refuse(prompt, kClassMissing, ClassField::None);
    ClassSaveResult result = checkClass(db, old, code, name, prompt);
    if (!result.saved)
        return result;
    if (result.code != old) {
        const SqlParams renumber{result.code, bytes(old) + 1, bytes(old), old};
        db.execute(kRenumberHeaders, renumber);
        db.execute(kRenumberLines, renumber);
    }
    db.execute(kUpdateClass, {result.code, result.name, old});
    transaction.commit();
    return result;
}

bool deleteVoucherClass(Database& db, std::string_view code, Prompt& prompt)
{
    const std::string old = trim(code);
    if (old.empty())
        return false; // nothing selected
    Transaction transaction(db);
    requireTransaction(db, "deleting a voucher class");
    if (countClassVouchers(db, old) > 0) {
        prompt.warn(kClassHasVouchers);
        return false;
    }
    db.execute(kDeleteClass, {old});
    transaction.commit();
    return true;
}

} // namespace kszw
