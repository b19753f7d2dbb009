// Voucher entry templates: the directory of numbered, named templates (AUTDIR) and each template's
// lines (AUTCER) with their summary, subject, direction and amount formula. Every change that
// touches more than one row is one transaction: renumbering a template moves its lines with it,
// deleting a template deletes its lines and then its directory row.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kszw {

class Database;

struct TemplateEntry {
    int number = 0;
    std::string name;
};

// The templates in number order.
std::vector<TemplateEntry> listTemplates(Database& db);
// A line of the template lists: "%-8s%s" (number left-aligned in 8 characters, then the name).
std::string templateListLine(const TemplateEntry& entry);

inline constexpr std::string_view kNoTemplates = "未定义凭证分录模板！";
inline constexpr std::string_view kNoTemplateLines = "此模板未定义凭证分录行！";
inline constexpr std::string_view kNoTemplateDirectory = "本年度尚未定义模板目录!";
// Delete pressed with no template or line chosen.
inline constexpr std::string_view kNoTemplateToDelete = "对不起，没有选择删除对象!";

// A refusal of the directory dialog: the message and the field to return to (0 number, 1 name).
struct TemplateRefusal {
    std::string message;
    int field = 0;
};

// Adds a template; the number as typed. Refused: an empty name, a number empty or below 1, a
// number in use.
std::optional<TemplateRefusal> addTemplate(Database& db, std::string_view numberText, std::string_view name);
// Changes the number and name of template oldNumber; its lines follow a new number.
std::optional<TemplateRefusal> modifyTemplate(Database& db, int oldNumber, std::string_view numberText,
                                              std::string_view name);
// The lines a template has (deleting one that has any is asked first).
int templateLineCount(Database& db, int number);
// "序号为“3”的分录模板已定义，决定删除吗？"
std::string deleteTemplateQuestion(int number);
// Asked before a template without lines is deleted.
std::string deleteEmptyTemplateQuestion(int number);
// Deletes the template's lines and its directory row.
void deleteTemplate(Database& db, int number);

struct TemplateLine {
    int number = 0; // 序号 within the template
    std::string summary;
    std::string subject;
    int direction = 1; // 1 借, -1 贷
    std::string formula;
};

// The lines of a template in number order.
std::vector<TemplateLine> templateLines(Database& db, int templateNumber);

// A refusal of the line dialog: the message and the field (0 序号, 1 摘要, 2 科目, 3 方向, 4 公式).
struct LineRefusal {
    std::string message;
    int field = 0;
};
// The checks of the line dialog in their order. oldNumber is the line being modified (nothing
// for a new line): keeping its own number is no duplicate.
std::optional<LineRefusal> checkTemplateLine(Database& db, int templateNumber, const TemplateLine& line,
                                             std::optional<int> oldNumber);
// Stores the line after checking it again: a modified line replaces the old one (delete, then
// insert) in one transaction.
std::optional<LineRefusal> saveTemplateLine(Database& db, int templateNumber, const TemplateLine& line,
                                            std::optional<int> oldNumber);
// Asked before a line is deleted.
std::string deleteLineQuestion(int lineNumber);
void deleteTemplateLine(Database& db, int templateNumber, int lineNumber);

} // namespace kszw
