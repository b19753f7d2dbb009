// Listing the chart and the checks that other subsystems call.
#include "chart/subjects.h"

#include "chart/subject_codes.h"
#include "common/text.h"
#include "store/database.h"
#include "store/ks_dbset.h"

#include <algorithm>
#include <cstdlib>

namespace kszw {

namespace {

constexpr std::string_view kTopLevel = "SELECT trim(KNO),trim(NA) FROM SUBT WHERE CLAS=1 ORDER BY val(KNO),trim(KNO)";
constexpr std::string_view kChildLevel =
    "SELECT trim(KNO),trim(NA) FROM SUBT WHERE trim(KNO) LIKE ?1 || '-%' AND CLAS-?2=0 "
    "ORDER BY val(substr(trim(KNO),?3)),trim(KNO)";
constexpr std::string_view kTopLevelNamed =
    "SELECT trim(KNO),trim(NA) FROM SUBT WHERE CLAS=1 AND instr(NA,?1)>0 ORDER BY val(trim(KNO)),trim(KNO)";
constexpr std::string_view kChildLevelNamed =
    "SELECT trim(KNO),trim(NA) FROM SUBT WHERE trim(KNO) LIKE ?1 || '-%' AND CLAS-?2=0 AND instr(NA,?4)>0 "
    "ORDER BY val(substr(trim(KNO),?3)),trim(KNO)";
constexpr std::string_view kTopLevelBefore = "SELECT count(*) FROM SUBT WHERE CLAS=1 AND val(trim(KNO))<val(?1)";
constexpr std::string_view kChildLevelBefore =
    "SELECT count(*) FROM SUBT WHERE trim(KNO) LIKE ?1 || '-%' AND CLAS-?2=0 AND val(substr(trim(KNO),?3))<val(?4)";
constexpr std::string_view kCountCode = "SELECT COUNT(*) FROM SUBT WHERE trim(KNO)=?1";
constexpr std::string_view kCountUsable = "SELECT COUNT(*) FROM SUBT WHERE trim(KNO)=?1 AND (trim(OP)=?2 OR trim(OP)='0')";
constexpr std::string_view kCountDescendants = "SELECT COUNT(*) FROM SUBT WHERE trim(KNO) LIKE ?1 || '-%'";
constexpr std::string_view kAttributes =
    "SELECT trim(NA),trim(OP),trim(FZ),trim(FZN),trim(DL),CLAS,DLF,DLW FROM SUBT WHERE trim(KNO)=?1";
constexpr std::string_view kName = "SELECT trim(NA) FROM SUBT WHERE trim(KNO)=?1";
constexpr std::string_view kCountSubtreeLines =
    "SELECT COUNT(*) FROM P0 WHERE trim(KNO) LIKE ?1 || '-%' OR trim(KNO)=?1";
constexpr std::string_view kCountPosted =
    "SELECT COUNT(*) FROM P0 WHERE (trim(KNO)=?1 OR trim(KNO) LIKE ?1 || '-%') AND val(TT)<=?2 AND MK='4'";
constexpr std::string_view kLongestDescendant =
    "SELECT max(length(trim(KNO))) FROM SUBT WHERE trim(KNO) LIKE ?1 || '-%'";
constexpr std::string_view kCurrenciesNamingBelow = "SELECT COUNT(*) FROM WBT WHERE trim(HO) LIKE ?1 || '-%'";
constexpr std::string_view kCurrenciesNaming = "SELECT COUNT(*) FROM WBT WHERE trim(HO)=?1";
constexpr std::string_view kCurrencyChoices = "SELECT trim(WNO),trim(NA) FROM WBT ORDER BY val(WNO),trim(WNO)";

std::vector<SubjectLine> readLines(Database& db, std::string_view sql, const SqlParams& params)
{
    std::vector<SubjectLine> lines;
    KS_Dbset rows(db);
    for (rows.open(sql, params); !rows.isEOF(); rows.moveNext())
        lines.push_back({rows.textAt(0), rows.textAt(1)});
    return lines;
}

// The numeric value of a code's last segment, as val() reads it (0 when it has no digits).
double segmentValue(std::string_view code)
{
    return std::strtod(lastSegment(code).c_str(), nullptr);
}

SqlParams levelParams(std::string_view parent)
{
    const std::string code(parent);
    return {code, static_cast<std::int64_t>(subjectLevel(parent) + 1), static_cast<std::int64_t>(parent.size() + 2)};
}

} // namespace

bool SubjectAttributes::reserved() const
{
    return std::atoi(owner.c_str()) != 0;
}

std::vector<SubjectLine> listSubjectLevel(Database& db, std::string_view parent)
{
    if (parent.empty())
        return readLines(db, kTopLevel, {});
    return readLines(db, kChildLevel, levelParams(parent));
}

std::vector<SubjectLine> querySubjectLevel(Database& db, std::string_view parent, std::string_view nameCondition)
{
    if (nameCondition.empty())
        return listSubjectLevel(db, parent);
    if (parent.empty())
        return readLines(db, kTopLevelNamed, {std::string(nameCondition)});
    SqlParams params = levelParams(parent);
    params.push_back(std::string(nameCondition));
    return readLines(db, kChildLevelNamed, params);
}

int locateSubjectInLevel(Database& db, std::string_view parent, std::string_view typedCode)
{
    const std::string segment = parent.empty() ? std::string(typedCode) : lastSegment(typedCode);
    if (parent.empty())
        return db.queryLong(kTopLevelBefore, {segment});
    SqlParams params = levelParams(parent);
    params.push_back(segment);
    return db.queryLong(kChildLevelBefore, params);
}

int locateSubjectInLines(const std::vector<SubjectLine>& lines, std::string_view typedCode)
{
    const double typed = segmentValue(typedCode);
    int before = 0;
    for (const SubjectLine& line : lines)
        if (segmentValue(line.code) < typed)
            ++before;
    return before;
}

bool subjectExists(Database& db, std::string_view code)
{
    return db.queryLong(kCountCode, {std::string(code)}) > 0;
}

std::optional<std::string> checkSubjectExists(Database& db, std::string_view code)
{
    if (subjectExists(db, code))
        return std::nullopt;
    return "科目“" + std::string(code) + "”不存在!";
}

bool subjectUsableBy(Database& db, std::string_view code, std::string_view source)
{
    return db.queryLong(kCountUsable, {std::string(code), std::string(source)}) > 0
           && descendantCount(db, code) == 0;
}

std::optional<SubjectAttributes> subjectAttributes(Database& db, std::string_view code)
{
    KS_Dbset row(db);
    row.open(kAttributes, {std::string(code)});
    if (row.isEOF())
        return std::nullopt;
    SubjectAttributes attributes;
    attributes.name = row.textAt(0);
    attributes.owner = row.textAt(1);
    attributes.kind = row.textAt(2);
    attributes.unit = row.textAt(3);
    attributes.multiColumn = row.textAt(4);
    attributes.level = row.longAt(5);
    attributes.direction = row.longAt(6);
    attributes.width = row.longAt(7);
    return attributes;
}

std::optional<std::string> subjectName(Database& db, std::string_view code)
{
    return db.queryText(kName, {std::string(code)});
}

int descendantCount(Database& db, std::string_view code)
{
    return db.queryLong(kCountDescendants, {std::string(code)});
}

int subtreeLineCount(Database& db, std::string_view code)
{
    return db.queryLong(kCountSubtreeLines, {std::string(code)});
}

bool hasPostedEntries(Database& db, std::string_view code, int month)
{
    return db.queryLong(kCountPosted, {std::string(code), static_cast<std::int64_t>(month)}) > 0;
}

int longestDescendantCode(Database& db, std::string_view code)
{
    return db.queryLongOrZero(kLongestDescendant, {std::string(code)});
}

int currenciesNamingSubtree(Database& db, std::string_view code, bool includeSelf)
{
    int count = db.queryLong(kCurrenciesNamingBelow, {std::string(code)});
    if (includeSelf)
        count += db.queryLong(kCurrenciesNaming, {std::string(code)});
    return count;
}

std::optional<std::string> checkEnterChildren(Database& db, std::string_view code)
{
    std::optional<SubjectAttributes> subject = subjectAttributes(db, code);
    if (!subject)
        return std::nullopt;
    if (subject->reserved())
        return "“" + std::string(code) + "”科目为专用科目，无子细目!";
    if (subject->kind == "2")
        return "“" + std::string(code) + "”科目为外币科目，无子细目!";
    return std::nullopt;
}

std::optional<std::string> checkCanAddChild(Database& db, std::string_view parent)
{
    if (parent.empty())
        return std::nullopt;
    std::optional<SubjectAttributes> subject = subjectAttributes(db, parent);
    if (!subject)
        return std::nullopt;
    if (subject->reserved())
        return "“" + std::string(parent) + "”科目为专用科目，禁止明细化!";
    if (subjectLevel(parent) >= kMaxSubjectLevels)
        return std::string("该科目级数达６级，不能再设置子科目!");
    if (parent.size() > 12)
        return std::string("该代码长度已不够，不能再设置子科目!");
    if (subject->kind == "1")
        return std::string(parent) + "科目已被指定为数量金额式核算，不能再明细化!";
    if (subject->kind == "2")
        return std::string(parent) + "科目已被指定为外币核算，不能再明细化!";
    return std::nullopt;
}

bool parentIsMultiColumn(Database& db, std::string_view parent)
{
    if (parent.empty())
        return false;
    std::optional<SubjectAttributes> subject = subjectAttributes(db, parent);
    return subject && subject->multiColumn == "1";
}

std::optional<SubjectForm> subjectForm(Database& db, std::string_view code)
{
    std::optional<SubjectAttributes> subject = subjectAttributes(db, code);
    if (!subject)
        return std::nullopt;
    SubjectForm form;
    form.input.segment = lastSegment(code);
    form.input.name = subject->name;
    form.input.kind = std::atoi(subject->kind.c_str());
    form.input.unit = subject->unit;
    form.input.multiColumn = subject->multiColumn == "1";
    form.input.direction = subject->direction;
    form.input.width = subject->width;
    form.hasChildren = descendantCount(db, code) > 0;
    form.parentMultiColumn = parentIsMultiColumn(db, parentSubjectCode(code));
    return form;
}

int maxSegmentDigits(Database& db, std::string_view parent, std::string_view existing)
{
    const int prefix = parent.empty() ? 0 : static_cast<int>(parent.size()) + 1;
    int tail = 0;
    if (!existing.empty()) {
        const int longest = longestDescendantCode(db, existing);
        if (longest > static_cast<int>(existing.size()))
            tail = longest - static_cast<int>(existing.size());
    }
    return std::max(1, kMaxSubjectCodeLength - prefix - tail);
}

std::vector<CurrencyChoice> currencyChoices(Database& db)
{
    std::vector<CurrencyChoice> choices;
    KS_Dbset rows(db);
    for (rows.open(kCurrencyChoices, {}); !rows.isEOF(); rows.moveNext())
        choices.push_back({rows.textAt(0), rows.textAt(1)});
    return choices;
}

} // namespace kszw
