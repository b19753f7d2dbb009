// The subtree operations of the directory: copying or moving the children of one subject under
// another, and deleting all children of a subject.
#include "chart/subject_codes.h"
#include "chart/subjects.h"
#include "common/prompt.h"
#include "common/text.h"
#include "store/database.h"
#include "store/transaction.h"

namespace kszw {

namespace {

constexpr std::string_view kCountChildLines = "SELECT count(*) FROM P0 WHERE trim(KNO) LIKE ?1 || '-%'";
constexpr std::string_view kCountNamedByCurrency = "SELECT count(*) FROM WBT WHERE trim(HO)=?1";
constexpr std::string_view kCountLines = "SELECT count(*) FROM P0 WHERE trim(KNO)=?1";
constexpr std::string_view kDeepestDescendant = "SELECT max(CLAS) FROM SUBT WHERE trim(KNO) LIKE ?1 || '-%'";
constexpr std::string_view kPaste =
    "INSERT INTO SUBT(KNO,NA,CLAS,OP,FZ,FZN,DL,DLF,DLW) "
    "SELECT ?1 || substr(trim(KNO),?2),NA,CLAS-?3+?4,'0','0',NULL,'0',0,0 FROM SUBT WHERE trim(KNO) LIKE ?5 || '-%'";
constexpr std::string_view kDeleteDescendants = "DELETE FROM SUBT WHERE trim(KNO) LIKE ?1 || '-%'";

SqlValue integer(int value)
{
    return static_cast<std::int64_t>(value);
}

} // namespace

std::optional<std::string> checkSubtreeSource(Database& db, std::string_view code, SubtreeKind kind)
{
    const std::string source(code);
    if (descendantCount(db, source) == 0)
        return std::string("所选择的对象没有子目!");
    if (kind == SubtreeKind::Move) {
        if (db.queryLong(kCountChildLines, {source}) > 0)
            return std::string("所选对象的子目本年度已有经济内容! 不能移动");
        // Moving deletes the children: a currency's gain/loss subject among them would be lost.
        if (currenciesNamingSubtree(db, source, false) > 0)
            return std::string("所选对象的子目已被外币科目引用! 不能移动");
    }
    return std::nullopt;
}

std::optional<std::string> pasteSubtree(Database& db, const std::optional<SubtreeSource>& source,
                                        std::string_view target)
{
    Transaction transaction(db);
    if (!source || descendantCount(db, source->code) == 0)
        return std::string("没有选择源对象或源对象子目不存在!");
    const std::string to(target);
    std::optional<SubjectAttributes> subject = subjectAttributes(db, to);
    if (!subject)
        return std::string("没有选择源对象或源对象子目不存在!");
    if (subject->reserved())
        return "“" + to + "”科目为专用科目，不能粘贴!";
    if (db.queryLong(kCountNamedByCurrency, {to}) > 0)
        return std::string("目标科目已被外币科目引用! 不能粘贴");
    if (db.queryLong(kCountLines, {to}) > 0)
        return std::string("目标对象本年度已有经济内容! 不能粘贴");
    if (to == source->code)
        return std::string("目标对象与源对象相同! 不能粘贴");
    // A move deletes the source's subtree after the paste: a target inside it would lose the copy.
    if (source->kind == SubtreeKind::Move && isDescendantCode(to, source->code))
        return std::string("目标对象是源对象的子目! 不能粘贴");
    if (descendantCount(db, to) > 0)
        return std::string("目标科目已有子目! 不能粘贴");
    // What made the source fit for a move may have changed since it was chosen (another copy of
    // the program posting to a child): checked again under the write lock.
    if (source->kind == SubtreeKind::Move) {
        if (std::optional<std::string> refused = checkSubtreeSource(db, source->code, SubtreeKind::Move))
            return refused;
    }
    if (subject->kind == "1")
        return std::string("目标科目已被指定为数量金额式核算，不能粘贴!");
    if (subject->kind == "2")
        return std::string("目标科目已被指定为外币核算，不能粘贴!");
    const int sourceLength = static_cast<int>(source->code.size());
    if (longestDescendantCode(db, source->code) - sourceLength + static_cast<int>(to.size()) > kMaxSubjectCodeLength)
        return std::string("粘贴后，目标科目代码已超过14个字符! 不能粘贴");
    const int sourceLevel = subjectLevel(source->code);
    const int targetLevel = subjectLevel(to);
    if (db.queryLongOrZero(kDeepestDescendant, {source->code}) - sourceLevel + targetLevel > kMaxSubjectLevels)
        return std::string("粘贴后，目标科目级数已超过６级! 不能粘贴");
    db.execute(kPaste, {to, integer(sourceLength + 1), integer(sourceLevel), integer(targetLevel), source->code});
    if (source->kind == SubtreeKind::Move)
        db.execute(kDeleteDescendants, {source->code});
    transaction.commit();
    return std::nullopt;
}

std::optional<std::string> deleteChildren(Database& db, std::string_view code, Prompt& prompt, bool* deleted)
{
    if (deleted)
        *deleted = false;
    const std::string parent(code);
    const int children = descendantCount(db, parent);
    if (children == 0)
        return std::string("该科目无子科目! 无须删除");
    if (db.queryLong(kCountChildLines, {parent}) > 0)
        return std::string("该科目的子科目本年度已有经济内容，不能删除!");
    if (currenciesNamingSubtree(db, parent, false) > 0)
        return std::string("该科目的子科目已被外币科目引用，不能删除!");
    if (prompt.ask(format("该科目共有%d个子科目，决定删除吗？", children), Buttons::YesNo, Answer::No,
                   Icon::Exclamation, "黄牌警告：")
        != Answer::Yes)
        return std::nullopt;
    // The answer took time: the checks hold again under the write lock before anything goes.
    Transaction transaction(db);
    if (db.queryLong(kCountChildLines, {parent}) > 0)
        return std::string("该科目的子科目本年度已有经济内容，不能删除!");
    if (currenciesNamingSubtree(db, parent, false) > 0)
        return std::string("该科目的子科目已被外币科目引用，不能删除!");
    db.execute(kDeleteDescendants, {parent});
    transaction.commit();
    if (deleted)
        *deleted = true;
    return std::nullopt;
}

} // namespace kszw
