// The template directory and the template lines: their checks and their statements.
#include "templates/voucher_templates.h"

#include "common/text.h"
#include "store/database.h"
#include "store/ks_dbset.h"
#include "store/transaction.h"

#include <cstdlib>

namespace kszw {

namespace {

constexpr std::string_view kList = "SELECT N,rtrim(NA) FROM AUTDIR ORDER BY N";
constexpr std::string_view kCountNumber = "SELECT count(*) FROM AUTDIR WHERE N=?1";
constexpr std::string_view kInsert = "INSERT INTO AUTDIR(N,NA) VALUES(?1,?2)";
constexpr std::string_view kUpdate = "UPDATE AUTDIR SET N=?1,NA=?2 WHERE N=?3";
constexpr std::string_view kMoveLines = "UPDATE AUTCER SET N=?1 WHERE N=?2";
constexpr std::string_view kCountLines = "SELECT count(*) FROM AUTCER WHERE N=?1";
constexpr std::string_view kDeleteLines = "DELETE FROM AUTCER WHERE N=?1";
constexpr std::string_view kDeleteEntry = "DELETE FROM AUTDIR WHERE N=?1";
constexpr std::string_view kLines =
    "SELECT RN,rtrim(MRY),rtrim(KNO),F,rtrim(FML) FROM AUTCER WHERE N=?1 ORDER BY RN";
constexpr std::string_view kCountLine = "SELECT count(*) FROM AUTCER WHERE N=?1 AND RN=?2";
constexpr std::string_view kInsertLine =
    "INSERT INTO AUTCER(N,RN,MRY,KNO,F,FML) VALUES(?1,?2,?3,?4,?5,trim(?6))";
constexpr std::string_view kDeleteLine = "DELETE FROM AUTCER WHERE N=?1 AND RN=?2";
constexpr std::string_view kSubSubjects = "SELECT count(*) FROM SUBT WHERE trim(KNO) LIKE ?1";
constexpr std::string_view kSubjectExists = "SELECT count(*) FROM SUBT WHERE trim(KNO)=?1";

// The number as typed: nothing when it is not a whole number from 1 up.
std::optional<int> templateNumber(std::string_view text)
{
    const std::string trimmed = trimWhitespace(text);
    if (trimmed.empty() || trimmed.size() > 9 || !isAllDigits(trimmed))
        return std::nullopt;
    const int number = std::atoi(trimmed.c_str());
    return number >= 1 ? std::optional<int>(number) : std::nullopt;
}

std::optional<TemplateRefusal> checkEntry(Database& db, std::string_view numberText, std::string_view name,
                                          std::optional<int> oldNumber, int& number)
{
    if (trimWhitespace(name).empty())
        return TemplateRefusal{"模板名称不能为空,请重输！", 1};
    if (gbkLength(trimWhitespace(name)) > 40)
        return TemplateRefusal{"模板名称不能超过40个字节（20个汉字）！", 1};
    const std::optional<int> parsed = templateNumber(numberText);
    if (!parsed)
        return TemplateRefusal{"模板序号不能为空或小于1，请重输！", 0};
    number = *parsed;
    if (number != oldNumber.value_or(0) && db.queryLong(kCountNumber, {static_cast<std::int64_t>(number)}) > 0)
        return TemplateRefusal{"该序号已存在，请重输!", 0};
    return std::nullopt;
}

} // namespace

std::vector<TemplateEntry> listTemplates(Database& db)
{
    std::vector<TemplateEntry> entries;
    KS_Dbset rows(db);
    for (rows.open(kList); !rows.isEOF(); rows.moveNext())
        entries.push_back(TemplateEntry{static_cast<int>(rows.doubleAt(0)), rows.textAt(1)});
    return entries;
}

std::string templateListLine(const TemplateEntry& entry)
{
    return format("%-8d", entry.number) + entry.name;
}

std::optional<TemplateRefusal> addTemplate(Database& db, std::string_view numberText, std::string_view name)
{
    Transaction transaction(db);
    int number = 0;
    if (std::optional<TemplateRefusal> refusal = checkEntry(db, numberText, name, std::nullopt, number))
        return refusal;
    db.execute(kInsert, {static_cast<std::int64_t>(number), trimWhitespace(name)});
    transaction.commit();
    return std::nullopt;
}

std::optional<TemplateRefusal> modifyTemplate(Database& db, int oldNumber, std::string_view numberText,
                                              std::string_view name)
{
    Transaction transaction(db);
    int number = 0;
    if (std::optional<TemplateRefusal> refusal = checkEntry(db, numberText, name, oldNumber, number))
        return refusal;
    db.execute(kUpdate, {static_cast<std::int64_t>(number), trimWhitespace(name), static_cast<std::int64_t>(oldNumber)});
    // The lines go with their template: none is left under the old number.
    if (number != oldNumber)
        db.execute(kMoveLines, {static_cast<std::int64_t>(number), static_cast<std::int64_t>(oldNumber)});
    transaction.commit();
    return std::nullopt;
}

int templateLineCount(Database& db, int number)
{
    return db.queryLong(kCountLines, {static_cast<std::int64_t>(number)});
}

std::string deleteTemplateQuestion(int number)
{
    return "序号为“" + std::to_string(number) + "”的分录模板已定义，决定删除吗？";
}

void deleteTemplate(Database& db, int number)
{
    Transaction transaction(db);
    db.execute(kDeleteLines, {static_cast<std::int64_t>(number)});
    db.execute(kDeleteEntry, {static_cast<std::int64_t>(number)});
    transaction.commit();
}

std::vector<TemplateLine> templateLines(Database& db, int templateNumber)
{
    std::vector<TemplateLine> lines;
    KS_Dbset rows(db);
    for (rows.open(kLines, {static_cast<std::int64_t>(templateNumber)}); !rows.isEOF(); rows.moveNext())
        lines.push_back(TemplateLine{static_cast<int>(rows.doubleAt(0)), rows.textAt(1), rows.textAt(2),
                                     static_cast<int>(rows.doubleAt(3)), rows.textAt(4)});
    return lines;
}

std::optional<LineRefusal> checkTemplateLine(Database& db, int templateNumber, const TemplateLine& line,
                                             std::optional<int> oldNumber)
{
    if (line.number < 1)
        return LineRefusal{"分录序号不能小于１，请重输!", 0};
    if (trimWhitespace(line.formula).empty())
        return LineRefusal{"取数公式不能为空，请重输!", 4};
    if (gbkLength(trimWhitespace(line.formula)) > 60)
        return LineRefusal{"取数公式不能超过60个字节！", 4};
    const std::string subject = trimWhitespace(line.subject);
    if (subject.empty())
        return LineRefusal{"科目代码不能为空，请重输!", 2};
    if (gbkLength(subject) > 60)
        return LineRefusal{"科目代码不能超过60个字节！", 2};
    // A template line posts to a leaf, as a voucher line does.
    if (db.queryLong(kSubSubjects, {subject + "-%"}) > 0)
        return LineRefusal{"科目“" + subject + "”不是最低明细科目，请重输!", 2};
    // A mistyped code would otherwise only be found when a voucher is generated.
    if (db.queryLong(kSubjectExists, {subject}) == 0)
        return LineRefusal{"科目“" + subject + "”不存在，请重输!", 2};
    if (trimWhitespace(line.summary).empty())
        return LineRefusal{"摘要不能为空，请重输!", 1};
    if (gbkLength(trimRight(line.summary)) > 40)
        return LineRefusal{"摘要不能超过40个字节（20个汉字）！", 1};
    if (line.direction != 1 && line.direction != -1)
        return LineRefusal{"方向只能是借或贷，请重输!", 3};
    if (line.number != oldNumber.value_or(0) &&
        db.queryLong(kCountLine, {static_cast<std::int64_t>(templateNumber), static_cast<std::int64_t>(line.number)}) > 0)
        return LineRefusal{"该序号已存在，请重输！", 0};
    return std::nullopt;
}

std::optional<LineRefusal> saveTemplateLine(Database& db, int templateNumber, const TemplateLine& line,
                                            std::optional<int> oldNumber)
{
    Transaction transaction(db);
    // Another copy may have deleted or renumbered the template meanwhile: a line without its
    // template would be taken over by the next template given that number.
    if (db.queryLong(kCountNumber, {static_cast<std::int64_t>(templateNumber)}) == 0)
        return LineRefusal{"序号为“" + std::to_string(templateNumber) + "”的分录模板已不存在！", 0};
    if (std::optional<LineRefusal> refusal = checkTemplateLine(db, templateNumber, line, oldNumber))
        return refusal;
    if (oldNumber)
        db.execute(kDeleteLine, {static_cast<std::int64_t>(templateNumber), static_cast<std::int64_t>(*oldNumber)});
    db.execute(kInsertLine, {static_cast<std::int64_t>(templateNumber), static_cast<std::int64_t>(line.number),
                             trimRight(line.summary), trimWhitespace(line.subject),
                             static_cast<std::int64_t>(line.direction), line.formula});
    transaction.commit();
    return std::nullopt;
}

std::string deleteEmptyTemplateQuestion(int number)
{
    return "真的要删除序号为“" + std::to_string(number) + "”的分录模板吗？";
}

std::string deleteLineQuestion(int lineNumber)
{
    return "真的要删除序号为“" + std::to_string(lineNumber) + "”的分录吗？";
}

void deleteTemplateLine(Database& db, int templateNumber, int lineNumber)
{
    Transaction transaction(db);
    db.execute(kDeleteLine, {static_cast<std::int64_t>(templateNumber), static_cast<std::int64_t>(lineNumber)});
    transaction.commit();
}

} // namespace kszw
