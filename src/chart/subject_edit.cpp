// Adding, modifying and deleting one subject.
#include "chart/subject_codes.h"
#include "chart/subjects.h"
#include "common/text.h"
#include "store/database.h"
#include "store/transaction.h"

namespace kszw {

namespace {

constexpr std::string_view kCountCurrency = "SELECT count(*) FROM WBT WHERE trim(WNO)=?1";
constexpr std::string_view kCountCode = "SELECT count(*) FROM SUBT WHERE trim(KNO)=?1";
constexpr std::string_view kInsert =
    "INSERT INTO SUBT(KNO,NA,CLAS,OP,FZ,FZN,DL,DLF,DLW) VALUES(?1,?2,?3,'0',?4,?5,?6,?7,?8)";
constexpr std::string_view kUpdate =
    "UPDATE SUBT SET KNO=?1,NA=?2,FZ=?3,FZN=?4,DL=?5,DLF=?6,DLW=?7 WHERE trim(KNO)=?8";
// A changed code, carried everywhere in this order: its lines, its descendants, their lines, and
// the currencies that name it or a descendant as gain/loss subject.
constexpr std::string_view kRenameLines = "UPDATE P0 SET KNO=?1 WHERE trim(KNO)=?2";
constexpr std::string_view kRenameDescendants =
    "UPDATE SUBT SET KNO=?1 || substr(trim(KNO),?2) WHERE trim(KNO) LIKE ?3 || '-%'";
constexpr std::string_view kRenameDescendantLines =
    "UPDATE P0 SET KNO=?1 || substr(trim(KNO),?2) WHERE trim(KNO) LIKE ?3 || '-%'";
constexpr std::string_view kRenameCurrencySubject = "UPDATE WBT SET HO=?1 WHERE trim(HO)=?2";
constexpr std::string_view kRenameCurrencyDescendants =
    "UPDATE WBT SET HO=?1 || substr(trim(HO),?2) WHERE trim(HO) LIKE ?3 || '-%'";
constexpr std::string_view kCountChildren = "SELECT count(*) FROM SUBT WHERE trim(KNO) LIKE ?1 || '-%'";
constexpr std::string_view kCountDirectChildren =
    "SELECT count(*) FROM SUBT WHERE trim(KNO) LIKE ?1 || '-%' AND CLAS=?2";
// Lines and gain/loss role of a subject pass to another code (first child; back to the parent).
constexpr std::string_view kMoveLines = "UPDATE P0 SET KNO=?1 WHERE trim(KNO)=?2";
constexpr std::string_view kMoveSubtreeLines = "UPDATE P0 SET KNO=?1 WHERE trim(KNO)=?2 OR trim(KNO) LIKE ?2 || '-%'";
constexpr std::string_view kMoveCurrencySubject = "UPDATE WBT SET HO=?1 WHERE trim(HO)=?2";
constexpr std::string_view kMoveCurrencySubtree =
    "UPDATE WBT SET HO=?1 WHERE trim(HO)=?2 OR trim(HO) LIKE ?2 || '-%'";
constexpr std::string_view kDeleteSubtree = "DELETE FROM SUBT WHERE trim(KNO)=?1 OR trim(KNO) LIKE ?1 || '-%'";

constexpr int kMaxNameBytes = 30;
constexpr int kMaxUnitBytes = 10;

SubjectResult refuse(std::string message, SubjectField field)
{
    SubjectResult result;
    result.message = std::move(message);
    result.field = field;
    return result;
}

SqlValue integer(int value)
{
    return static_cast<std::int64_t>(value);
}

// The name as saved: every blank taken out.
std::string withoutBlanks(std::string_view name)
{
    std::string result;
    for (char c : name)
        if (c != ' ' && c != '\t')
            result += c;
    return replaceAll(result, "　", "");
}

// The checks of confirming the subject dialog, in their order, and the values to save. parent is
// the code the subject lies under; existing is the code being modified ("" when adding).
SubjectResult checkInput(Database& db, std::string_view parent, std::string_view existing, const SubjectInput& input,
                         SubjectInput& saved)
{
    saved = input;
    // 1. The segment without leading zeros; digits only.
    std::string segment = trim(input.segment);
    if (!segment.empty() && !isAllDigits(segment))
        return refuse("代码只能由数字组成，请重输!", SubjectField::Segment);
    size_t firstNonZero = segment.find_first_not_of('0');
    segment = firstNonZero == std::string::npos ? std::string() : segment.substr(firstNonZero);
    if (segment.empty())
        return refuse("代码不能为空或小于 1，请重输!", SubjectField::Segment);
    const std::string code = childSubjectCode(parent, segment);
    if (static_cast<int>(code.size()) > kMaxSubjectCodeLength)
        return refuse("代码太长，科目代码不能超过14个字符，请重输!", SubjectField::Segment);
    if (!existing.empty() && code != existing) {
        // Every descendant keeps its tail: the longest must still fit.
        const int longest = longestDescendantCode(db, existing);
        if (longest > 0 && longest - static_cast<int>(existing.size()) + static_cast<int>(code.size())
                               > kMaxSubjectCodeLength)
            return refuse("代码太长，改后其子科目代码将超过14个字符，请重输!", SubjectField::Segment);
    }
    saved.segment = segment;

    // 2. A parent that cannot take children after all: the dialog closes without saving.
    if (existing.empty() && !parent.empty()) {
        std::optional<SubjectAttributes> parentSubject = subjectAttributes(db, parent);
        if (parentSubject && parentSubject->reserved()) {
            SubjectResult result = refuse("其父科目为专用科目，禁止明细化!", SubjectField::Segment);
            result.closeDialog = true;
            return result;
        }
        if (parentSubject && parentSubject->kind == "2") {
            SubjectResult result = refuse("其父科目已被指定为外币核算，禁止明细化!", SubjectField::Segment);
            result.closeDialog = true;
            return result;
        }
    }

    // 3. The name without blanks.
    saved.name = withoutBlanks(input.name);
    if (saved.name.empty())
        return refuse("名称不能为空，请重输!", SubjectField::Name);
    if (saved.name.find_first_of("|[]'\"") != std::string::npos)
        return refuse("名称中输入了无效字符，请重输!", SubjectField::Name);
    if (gbkLength(saved.name) > kMaxNameBytes)
        return refuse("名称太长，科目名称不能超过30个字节（15个汉字），请重输!", SubjectField::Name);

    // The auxiliary kinds are for subjects without children.
    if (saved.kind != 0 && !existing.empty() && descendantCount(db, existing) > 0)
        return refuse("该科目已有子科目，不能指定辅助核算!", SubjectField::Kind);
    saved.unit = trim(input.unit);
    // 4. The chosen currency still exists.
    if (saved.kind == 2 && db.queryLong(kCountCurrency, {saved.unit}) == 0)
        return refuse("所选币种现已不存在或已改变，请重选!", SubjectField::Currency);
    // 5. A quantity subject has its unit.
    if (saved.kind == 1) {
        if (saved.unit.empty())
            return refuse("数量单位不能为空，请重输!", SubjectField::Unit);
        if (saved.unit.find_first_of("|[]'\"") != std::string::npos || gbkLength(saved.unit) > kMaxUnitBytes)
            return refuse("数量单位不能超过10个字节（5个汉字），也不能含有无效字符，请重输!", SubjectField::Unit);
    }
    if (saved.kind == 0)
        saved.unit.clear();

    // 6. A column of the parent's multi-column ledger needs its direction and width.
    if (parentIsMultiColumn(db, parent)) {
        if (saved.direction != 1 && saved.direction != -1)
            return refuse("因其父科目(帐户)为多栏式帐页，\n\r故请指定本科目(帐户)的多栏方向!", SubjectField::Direction);
        const int nameWidth = (gbkLength(saved.name) + 1) / 2;
        if (saved.width == 0) {
            SubjectResult result = refuse("请指定多栏式帐页的栏宽!", SubjectField::Width);
            result.width = nameWidth;
            return result;
        }
        if (saved.width < nameWidth) {
            SubjectResult result = refuse("多栏帐的栏宽不能小于本科目名称的汉字数!", SubjectField::Width);
            result.width = nameWidth;
            return result;
        }
    } else {
        saved.direction = 0;
        saved.width = 0;
    }

    // 7. The code is unique.
    const int count = db.queryLong(kCountCode, {code});
    if ((existing.empty() && count > 0) || (!existing.empty() && code != existing && count > 0) || count > 1)
        return refuse("该代码已存在，请重输!", SubjectField::Segment);

    SubjectResult ok;
    ok.ok = true;
    ok.code = code;
    return ok;
}

SqlValue unitValue(const SubjectInput& saved)
{
    return saved.unit.empty() ? SqlValue(SqlNull{}) : SqlValue(saved.unit);
}

} // namespace

SubjectResult addSubject(Database& db, std::string_view parent, const SubjectInput& input)
{
    Transaction transaction(db);
    requireTransaction(db, "addSubject");
    if (!parent.empty() && !subjectExists(db, parent))
        return refuse("父科目“" + std::string(parent) + "”不存在!", SubjectField::Segment);
    SubjectInput saved;
    SubjectResult result = checkInput(db, parent, "", input, saved);
    if (!result.ok)
        return result;
    db.execute(kInsert, {result.code, saved.name, integer(subjectLevel(result.code)), std::to_string(saved.kind),
                         unitValue(saved), std::string(saved.multiColumn ? "1" : "0"), integer(saved.direction),
                         integer(saved.width)});
    // The first child takes over its parent's lines and its role as gain/loss subject.
    if (!parent.empty() && db.queryLong(kCountChildren, {std::string(parent)}) == 1) {
        db.execute(kMoveLines, {result.code, std::string(parent)});
        db.execute(kMoveCurrencySubject, {result.code, std::string(parent)});
    }
    transaction.commit();
    return result;
}

SubjectResult modifySubject(Database& db, std::string_view code, const SubjectInput& input)
{
    Transaction transaction(db);
    requireTransaction(db, "modifySubject");
    // Another copy of the program may have deleted it meanwhile.
    if (!subjectExists(db, code))
        return refuse("科目“" + std::string(code) + "”不存在!", SubjectField::Segment);
    const std::string parent = parentSubjectCode(code);
    SubjectInput saved;
    SubjectResult result = checkInput(db, parent, code, input, saved);
    if (!result.ok)
        return result;
    const std::string old(code);
    db.execute(kUpdate, {result.code, saved.name, std::to_string(saved.kind), unitValue(saved),
                         std::string(saved.multiColumn ? "1" : "0"), integer(saved.direction), integer(saved.width), old});
    if (result.code != old) {
        const SqlValue tail = integer(static_cast<int>(old.size()) + 1);
        db.execute(kRenameLines, {result.code, old});
        db.execute(kRenameDescendants, {result.code, tail, old});
        db.execute(kRenameDescendantLines, {result.code, tail, old});
        db.execute(kRenameCurrencySubject, {result.code, old});
        db.execute(kRenameCurrencyDescendants, {result.code, tail, old});
    }
    transaction.commit();
    return result;
}

std::optional<std::string> deleteSubject(Database& db, std::string_view code)
{
    Transaction transaction(db);
    std::optional<SubjectAttributes> subject = subjectAttributes(db, code);
    if (!subject)
        return std::nullopt;
    if (subject->reserved())
        return "“" + std::string(code) + "”科目为专用科目，不能删除!";
    const std::string parent = parentSubjectCode(code);
    const int lines = subtreeLineCount(db, code);
    // The subject and its brothers: the children of its parent (the subject's own children do not count).
    const int siblings =
        parent.empty() ? 0 : db.queryLong(kCountDirectChildren, {parent, integer(subjectLevel(code))});
    const bool onlyChild = !parent.empty() && siblings == 1;
    if (lines > 0 && !onlyChild)
        return std::string("该科目本年度已有经济内容，不能删除!");
    // A currency's gain/loss subject may pass to the parent only when the subject is an only child.
    if (currenciesNamingSubtree(db, code, true) > 0 && !onlyChild)
        return std::string("该科目已被外币科目指定为汇兑损益科目，不能删除!");
    const std::string self(code);
    db.execute(kDeleteSubtree, {self});
    if (onlyChild) {
        // The lines of the subject and of every level below it go back to the parent, so none is
        // left under a code that no longer exists; so does the role of gain/loss subject.
        db.execute(kMoveSubtreeLines, {parent, self});
        db.execute(kMoveCurrencySubtree, {parent, self});
    }
    transaction.commit();
    return std::nullopt;
}

} // namespace kszw
