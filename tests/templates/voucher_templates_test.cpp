// The template directory and the template lines on a real year file: every refusal in its order,
// renumbering that takes the lines along, deleting a template with its lines, a modified line
// replacing the old one.
#include "accountset/year_file.h"
#include "chart/chart_import.h"
#include "store/database.h"
#include "support/temp_dir.h"
#include "templates/voucher_templates.h"

#include <gtest/gtest.h>

namespace kszw::test {
namespace {

class TemplatesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        path = dir.file("2026.ksk");
        createYearFile(path, 2026);
        db = Database::open(path);
        ASSERT_TRUE(importSubjects(db, "code,name,kind,unit,multi_column,direction,width\n"
                                       "1602,累计折旧,0,,0,0,0\n5101,制造费用,0,,0,0,0\n"
                                       "6602,管理费用,0,,0,0,0\n6602-1,办公费,0,,0,0,0\n")
                        .ok);
    }

    TemplateLine line(int number, const std::string& subject, int direction = 1,
                      const std::string& formula = "1000", const std::string& summary = "计提折旧")
    {
        return TemplateLine{number, summary, subject, direction, formula};
    }

    TempDir dir;
    std::string path;
    Database db;
};

TEST_F(TemplatesTest, TheDirectoryRefusesInItsOrderAndListsByNumber)
{
    const struct {
        const char* number;
        const char* name;
        const char* message;
        int field;
    } cases[] = {
        {"0", "", "模板名称不能为空,请重输！", 1},
        {"", "折旧", "模板序号不能为空或小于1，请重输！", 0},
        {"0", "折旧", "模板序号不能为空或小于1，请重输！", 0},
        {"x1", "折旧", "模板序号不能为空或小于1，请重输！", 0},
    };
    for (const auto& c : cases) {
        const std::optional<TemplateRefusal> refusal = addTemplate(db, c.number, c.name);
        ASSERT_TRUE(refusal) << c.number << c.name;
        EXPECT_EQ(refusal->message, c.message);
        EXPECT_EQ(refusal->field, c.field);
    }
    EXPECT_FALSE(addTemplate(db, "12", "月末结转"));
    EXPECT_FALSE(addTemplate(db, "3", "计提折旧"));
    EXPECT_EQ(addTemplate(db, "3", "另一个")->message, "该序号已存在，请重输!");
    std::vector<std::string> lines;
    for (const TemplateEntry& entry : listTemplates(db))
        lines.push_back(templateListLine(entry));
    EXPECT_EQ(lines, (std::vector<std::string>{"3       计提折旧", "12      月末结转"}));
    // Keeping its own number is no duplicate.
    EXPECT_FALSE(modifyTemplate(db, 3, "3", "计提固定资产折旧"));
    EXPECT_EQ(modifyTemplate(db, 3, "12", "x")->message, "该序号已存在，请重输!");
}

TEST_F(TemplatesTest, RenumberingMovesTheLinesAndDeletingTakesThemAlong)
{
    ASSERT_FALSE(addTemplate(db, "3", "计提折旧"));
    ASSERT_FALSE(saveTemplateLine(db, 3, line(1, "5101"), std::nullopt));
    ASSERT_FALSE(saveTemplateLine(db, 3, line(2, "1602", -1), std::nullopt));
    ASSERT_FALSE(modifyTemplate(db, 3, "7", "计提折旧"));
    EXPECT_EQ(templateLines(db, 7).size(), 2u);
    EXPECT_EQ(templateLineCount(db, 3), 0);
    EXPECT_EQ(deleteTemplateQuestion(7), "序号为“7”的分录模板已定义，决定删除吗？");
    deleteTemplate(db, 7);
    EXPECT_EQ(db.queryLong("SELECT count(*) FROM AUTCER"), 0);
    EXPECT_TRUE(listTemplates(db).empty());
}

TEST_F(TemplatesTest, TheLineChecksComeInTheirOrderAndAModifiedLineReplacesTheOld)
{
    ASSERT_FALSE(addTemplate(db, "1", "月末"));
    ASSERT_FALSE(saveTemplateLine(db, 1, line(1, "5101"), std::nullopt));
    const struct {
        TemplateLine line;
        const char* message;
        int field;
    } cases[] = {
        {line(0, "", 1, ""), "分录序号不能小于１，请重输!", 0},
        {line(2, "", 1, " ", ""), "取数公式不能为空，请重输!", 4},
        {line(2, "", 1, "100", ""), "科目代码不能为空，请重输!", 2},
        {line(2, "6602", 1, "100", ""), "科目“6602”不是最低明细科目，请重输!", 2},
        {line(2, "6699", 1, "100", ""), "科目“6699”不存在，请重输!", 2},
        {line(2, "6602-1", 1, "100", ""), "摘要不能为空，请重输!", 1},
        {line(1, "6602-1"), "该序号已存在，请重输！", 0},
    };
    for (const auto& c : cases) {
        const std::optional<LineRefusal> refusal = saveTemplateLine(db, 1, c.line, std::nullopt);
        ASSERT_TRUE(refusal) << c.message;
        EXPECT_EQ(refusal->message, c.message);
        EXPECT_EQ(refusal->field, c.field) << c.message;
    }
    // Modified under a new number: the old line is gone, the formula stored trimmed.
    ASSERT_FALSE(saveTemplateLine(db, 1, line(5, "6602-1", -1, "  #y*10 "), 1));
    const std::vector<TemplateLine> lines = templateLines(db, 1);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].number, 5);
    EXPECT_EQ(lines[0].direction, -1);
    EXPECT_EQ(lines[0].formula, "#y*10");
    deleteTemplateLine(db, 1, 5);
    EXPECT_TRUE(templateLines(db, 1).empty());

    // A template deleted by another copy takes no more lines: none are left behind for the next
    // template of that number.
    deleteTemplate(db, 1);
    const std::optional<LineRefusal> gone = saveTemplateLine(db, 1, line(1, "5101"), std::nullopt);
    ASSERT_TRUE(gone);
    EXPECT_EQ(gone->message, "序号为“1”的分录模板已不存在！");
    EXPECT_EQ(db.queryLong("SELECT count(*) FROM AUTCER"), 0);
}

} // namespace
} // namespace kszw::test

#include "templates/template_variables.h"

namespace kszw::test {
namespace {

TEST_F(TemplatesTest, VariableNamesFollowTheirRuleAndTheTableIsRewrittenWhole)
{
    std::vector<VariableRow> rows = loadVariables(db);
    ASSERT_EQ(rows.size(), 3u); // #z, #n, #y of every new file
    EXPECT_EQ(checkVariableName(rows, "y1", std::nullopt), std::string(kVariableNameRule));
    EXPECT_EQ(checkVariableName(rows, "#", std::nullopt), std::string(kVariableNameRule));
    EXPECT_EQ(checkVariableName(rows, "#y-1", std::nullopt), std::string(kVariableNameRule));
    EXPECT_FALSE(checkVariableName(rows, "#y1", std::nullopt));
    EXPECT_EQ(checkVariableName(rows, "#y", std::nullopt), std::string(kVariableNameUsed));
    EXPECT_FALSE(checkVariableName(rows, "#y", 2)); // the row keeps its own name
    rows.push_back(VariableRow{"#y1", "#y*10", "十倍月份", VariableType::Number});
    rows.erase(rows.begin());
    saveVariables(db, rows);
    const std::vector<VariableRow> saved = loadVariables(db);
    ASSERT_EQ(saved.size(), 3u);
    EXPECT_EQ(saved.back().name, "#y1");
    EXPECT_EQ(saved.back().expression, "#y*10");
    EXPECT_EQ(saved.back().type, VariableType::Number);
    EXPECT_EQ(variableTypeName(VariableType::Automatic), "自动");
}

} // namespace
} // namespace kszw::test
