// The chart of accounts: adding, modifying, deleting and the subtree operations, with the lines
// of P0 and the gain/loss subjects of WBT following every change of the tree.
#include "chart/chart_fixture.h"
#include "chart/subjects.h"
#include "common/prompt.h"

namespace kszw::test {
namespace {

SubjectInput input(const std::string& segment, const std::string& name)
{
    SubjectInput in;
    in.segment = segment;
    in.name = name;
    return in;
}

std::vector<std::string> codes(const std::vector<SubjectLine>& lines)
{
    std::vector<std::string> result;
    for (const SubjectLine& line : lines)
        result.push_back(line.code);
    return result;
}

TEST_F(ChartTest, SegmentsLoseLeadingZerosAndEmptyOrZeroSegmentsAreRefused)
{
    SubjectResult seven = addSubject(db, "", input("007", "七"));
    ASSERT_TRUE(seven.ok) << seven.message;
    EXPECT_EQ(seven.code, "7");
    struct Case {
        const char* segment;
        const char* message;
    };
    const Case cases[] = {
        {"000", "代码不能为空或小于 1，请重输!"},
        {"", "代码不能为空或小于 1，请重输!"},
        {"1.5", "代码只能由数字组成，请重输!"},
        {"12a", "代码只能由数字组成，请重输!"},
        {"123456789012345", "代码太长，科目代码不能超过14个字符，请重输!"},
    };
    for (const Case& c : cases) {
        SubjectResult result = addSubject(db, "", input(c.segment, "名称"));
        EXPECT_FALSE(result.ok) << c.segment;
        EXPECT_EQ(result.message, c.message) << c.segment;
        EXPECT_EQ(result.field, SubjectField::Segment);
    }
    EXPECT_EQ(count("SELECT count(*) FROM SUBT"), 1);
}

TEST_F(ChartTest, NamesLoseTheirBlanksAndAreChecked)
{
    SubjectResult cash = addSubject(db, "", input("1001", "库 存　现金 "));
    ASSERT_TRUE(cash.ok);
    EXPECT_EQ(subjectName(db, "1001"), "库存现金");
    const std::pair<const char*, const char*> cases[] = {
        {"  ", "名称不能为空，请重输!"},
        {"a'b", "名称中输入了无效字符，请重输!"},
        {"一二三四五六七八九十一二三四五六", "名称太长，科目名称不能超过30个字节（15个汉字），请重输!"},
    };
    for (const auto& [name, message] : cases) {
        SubjectResult result = addSubject(db, "", input("1002", name));
        EXPECT_EQ(result.message, message) << name;
        EXPECT_EQ(result.field, SubjectField::Name);
    }
    EXPECT_TRUE(addSubject(db, "", input("1002", "一二三四五六七八九十一二三四五")).ok);
}

TEST_F(ChartTest, TheLevelIsListedInNumericOrderOfTheLastSegment)
{
    add("1001", "库存现金");
    add("101", "旧科目");
    add("1002", "银行存款");
    add("1002-10", "建行");
    add("1002-9", "工行");
    add("1002-10-1", "美元户");
    EXPECT_EQ(codes(listSubjectLevel(db, "")), (std::vector<std::string>{"101", "1001", "1002"}));
    EXPECT_EQ(codes(listSubjectLevel(db, "1002")), (std::vector<std::string>{"1002-9", "1002-10"}));
    EXPECT_EQ(codes(querySubjectLevel(db, "1002", "建")), std::vector<std::string>{"1002-10"});
    EXPECT_EQ(locateSubjectInLevel(db, "1002", "1002-10"), 1);
    EXPECT_EQ(locateSubjectInLevel(db, "", "1001"), 1);
    // "1011" is no child of "101".
    add("1011", "其他");
    EXPECT_EQ(descendantCount(db, "101"), 0);
}

TEST_F(ChartTest, AParentIsCheckedBeforeAChildIsAdded)
{
    add("1", "一");
    db.execute("UPDATE SUBT SET OP='5' WHERE KNO='1'");
    EXPECT_EQ(checkCanAddChild(db, "1"), "“1”科目为专用科目，禁止明细化!");
    add("2", "二");
    add("2-1", "a");
    add("2-1-1", "b");
    add("2-1-1-1", "c");
    add("2-1-1-1-1", "d");
    add("2-1-1-1-1-1", "e");
    EXPECT_EQ(checkCanAddChild(db, "2-1-1-1-1-1"), "该科目级数达６级，不能再设置子科目!");
    add("1234567890123", "十三位");
    EXPECT_EQ(checkCanAddChild(db, "1234567890123"), "该代码长度已不够，不能再设置子科目!");
    add("1403", "原材料", 1, "吨");
    EXPECT_EQ(checkCanAddChild(db, "1403"), "1403科目已被指定为数量金额式核算，不能再明细化!");
    db.execute("INSERT INTO WBT(WNO,NA,HO) VALUES('1','美元',NULL)");
    add("1002", "美元存款", 2, "1");
    EXPECT_EQ(checkCanAddChild(db, "1002"), "1002科目已被指定为外币核算，不能再明细化!");
    EXPECT_EQ(checkCanAddChild(db, ""), std::nullopt);
    EXPECT_EQ(addSubject(db, "77", input("1", "孤儿")).message, "父科目“77”不存在!");
    // The confirm check of a reserved parent closes the dialog without saving.
    SubjectResult refused = addSubject(db, "1", input("1", "子"));
    EXPECT_EQ(refused.message, "其父科目为专用科目，禁止明细化!");
    EXPECT_TRUE(refused.closeDialog);
    EXPECT_EQ(checkEnterChildren(db, "1"), "“1”科目为专用科目，无子细目!");
    EXPECT_EQ(checkEnterChildren(db, "1002"), "“1002”科目为外币科目，无子细目!");
}

TEST_F(ChartTest, KindsAndColumnsAreCheckedInOrder)
{
    SubjectInput currency = input("1002", "外币存款");
    currency.kind = 2;
    currency.unit = "9";
    EXPECT_EQ(addSubject(db, "", currency).message, "所选币种现已不存在或已改变，请重选!");
    SubjectInput quantity = input("1403", "原材料");
    quantity.kind = 1;
    EXPECT_EQ(addSubject(db, "", quantity).message, "数量单位不能为空，请重输!");

    add("6602", "管理费用", 0, "", true);
    SubjectInput column = input("1", "办公费");
    EXPECT_EQ(addSubject(db, "6602", column).message, "因其父科目(帐户)为多栏式帐页，\n\r故请指定本科目(帐户)的多栏方向!");
    column.direction = 1;
    SubjectResult noWidth = addSubject(db, "6602", column);
    EXPECT_EQ(noWidth.message, "请指定多栏式帐页的栏宽!");
    EXPECT_EQ(noWidth.width, 3);
    column.width = 2;
    SubjectResult narrow = addSubject(db, "6602", column);
    EXPECT_EQ(narrow.message, "多栏帐的栏宽不能小于本科目名称的汉字数!");
    EXPECT_EQ(narrow.width, 3);
    column.width = 5;
    ASSERT_TRUE(addSubject(db, "6602", column).ok);
    EXPECT_EQ(count("SELECT count(*) FROM SUBT WHERE KNO='6602-1' AND DLF=1 AND DLW=5 AND FZN IS NULL"), 1);
    // Under a parent that is not multi-column, direction and width are saved as 0.
    SubjectInput plain = input("1001", "库存现金");
    plain.direction = 1;
    plain.width = 9;
    ASSERT_TRUE(addSubject(db, "", plain).ok);
    EXPECT_EQ(count("SELECT count(*) FROM SUBT WHERE KNO='1001' AND DLF=0 AND DLW=0 AND CLAS=1 AND OP='0'"), 1);
    EXPECT_EQ(addSubject(db, "", input("01001", "重复")).message, "该代码已存在，请重输!");
}

TEST_F(ChartTest, TheFirstChildTakesOverItsParentsLinesAndTheSecondNothing)
{
    add("1001", "库存现金");
    line("1001", 100);
    line("1001", 40, -1, "2", "0002");
    db.execute("INSERT INTO P0(T,CER,RN,MRY,KNO,F,MY,NU,MK,TT) VALUES('20260101','    ',0,'期初余额','1001',1,500,0,'4','01')");
    db.execute("INSERT INTO WBT(WNO,NA,HO) VALUES('1','美元','1001')");
    // Typed as "01", the segment is saved without its leading zero.
    SubjectResult first = addSubject(db, "1001", input("01", "人民币"));
    ASSERT_TRUE(first.ok);
    EXPECT_EQ(first.code, "1001-1");
    EXPECT_EQ(count("SELECT count(*) FROM P0 WHERE KNO='1001-1'"), 3);
    EXPECT_EQ(count("SELECT count(*) FROM P0 WHERE KNO='1001'"), 0);
    EXPECT_EQ(db.queryText("SELECT HO FROM WBT").value(), "1001-1");
    add("1001-2", "外币");
    EXPECT_EQ(count("SELECT count(*) FROM P0 WHERE KNO='1001-2'"), 0);
    EXPECT_EQ(count("SELECT count(*) FROM P0 WHERE KNO='1001-1'"), 3);
}

TEST_F(ChartTest, ARenamedCodeIsCarriedIntoDescendantsLinesAndCurrencies)
{
    add("1001", "现金");
    raw("1001-01", "人民币");
    raw("1001-01-1", "总库");
    add("1003", "其他");
    line("1001-01-1", 10);
    line("1003", 20);
    db.execute("INSERT INTO WBT(WNO,NA,HO) VALUES('1','美元','1001-01-1')");
    SubjectInput renamed = input("1002", "现金");
    SubjectResult result = modifySubject(db, "1001", renamed);
    ASSERT_TRUE(result.ok) << result.message;
    EXPECT_EQ(codes(listSubjectLevel(db, "1002")), std::vector<std::string>{"1002-01"});
    EXPECT_TRUE(subjectExists(db, "1002-01-1"));
    EXPECT_FALSE(subjectExists(db, "1001-01"));
    EXPECT_EQ(count("SELECT count(*) FROM P0 WHERE KNO='1002-01-1'"), 1);
    EXPECT_EQ(count("SELECT count(*) FROM P0 WHERE KNO='1003'"), 1);
    EXPECT_EQ(db.queryText("SELECT HO FROM WBT").value(), "1002-01-1");
    // A rename that would push a descendant beyond 14 characters is refused.
    raw("1002-01-1-1234", "深");
    SubjectResult tooLong = modifySubject(db, "1002", input("123456", "现金"));
    EXPECT_EQ(tooLong.message, "代码太长，改后其子科目代码将超过14个字符，请重输!");
    EXPECT_TRUE(subjectExists(db, "1002-01-1-1234"));
    // Modifying to a code that exists is refused.
    EXPECT_EQ(modifySubject(db, "1002", input("1003", "现金")).message, "该代码已存在，请重输!");
}

TEST_F(ChartTest, ARenameCarriesTheSubjectsOwnLinesAndRoleAndLeavesLookAlikeCodes)
{
    add("101", "现金");
    add("1011", "其他");
    line("101", 10);
    line("1011", 20, 1, "4", "0002");
    db.execute("INSERT INTO WBT(WNO,NA,HO) VALUES('1','美元','101')");
    db.execute("INSERT INTO WBT(WNO,NA,HO) VALUES('2','港币','1011')");
    ASSERT_TRUE(modifySubject(db, "101", input("102", "现金")).ok);
    EXPECT_EQ(count("SELECT count(*) FROM P0 WHERE KNO='102'"), 1);
    EXPECT_EQ(count("SELECT count(*) FROM P0 WHERE KNO='1011'"), 1);
    EXPECT_EQ(db.queryText("SELECT HO FROM WBT WHERE WNO='1'").value(), "102");
    EXPECT_EQ(db.queryText("SELECT HO FROM WBT WHERE WNO='2'").value(), "1011");
    EXPECT_TRUE(subjectExists(db, "1011"));
    // A subject another copy deleted meanwhile is not "modified".
    db.execute("DELETE FROM SUBT WHERE KNO='102'");
    EXPECT_EQ(modifySubject(db, "102", input("103", "现金")).message, "科目“102”不存在!");
}

TEST_F(ChartTest, DeletingAnOnlyChildReturnsItsLinesToTheParent)
{
    add("1001", "现金");
    raw("1001-01", "人民币");
    raw("1001-01-1", "总库");
    line("1001-01", 10);
    line("1001-01-1", 5, 1, "4", "0002");
    db.execute("INSERT INTO WBT(WNO,NA,HO) VALUES('1','美元','1001-01-1')");
    EXPECT_EQ(deleteSubject(db, "1001-01"), std::nullopt);
    EXPECT_FALSE(subjectExists(db, "1001-01-1"));
    // Every line of the subtree, the deeper ones too, and the gain/loss role return to the parent.
    EXPECT_EQ(count("SELECT count(*) FROM P0 WHERE KNO='1001'"), 2);
    EXPECT_EQ(db.queryText("SELECT HO FROM WBT").value(), "1001");

    raw("1001-01", "人民币");
    raw("1001-02", "外币");
    line("1001-02", 3, 1, "4", "0003");
    EXPECT_EQ(deleteSubject(db, "1001-02"), "该科目本年度已有经济内容，不能删除!");
    EXPECT_EQ(deleteSubject(db, "1001"), "该科目本年度已有经济内容，不能删除!");
    db.execute("UPDATE WBT SET HO='1001-01'");
    EXPECT_EQ(deleteSubject(db, "1001-01"), "该科目已被外币科目指定为汇兑损益科目，不能删除!");
    db.execute("UPDATE SUBT SET OP='5' WHERE KNO='1001-02'");
    EXPECT_EQ(deleteSubject(db, "1001-02"), "“1001-02”科目为专用科目，不能删除!");
}

TEST_F(ChartTest, PastingChildrenReRootsThemWithNamesOnly)
{
    add("5", "五");
    add("5-1", "一", 1, "吨");
    db.execute("UPDATE SUBT SET FZ='0',FZN=NULL WHERE KNO='5-1'");
    add("5-1-1", "甲", 1, "件");
    add("4102", "利润分配");
    raw("4102-03", "应付股利");
    SubtreeSource source{"5", SubtreeKind::Copy};
    EXPECT_EQ(pasteSubtree(db, source, "4102-03"), std::nullopt);
    EXPECT_EQ(count("SELECT count(*) FROM SUBT WHERE KNO='4102-03-1' AND CLAS=3 AND NA='一' AND FZ='0'"), 1);
    EXPECT_EQ(count("SELECT count(*) FROM SUBT WHERE KNO='4102-03-1-1' AND CLAS=4 AND FZ='0' AND FZN IS NULL "
                    "AND DL='0' AND DLF=0 AND DLW=0"),
              1);
    EXPECT_TRUE(subjectExists(db, "5-1-1"));
    // Moving takes the source's children away.
    add("6", "六");
    EXPECT_EQ(pasteSubtree(db, SubtreeSource{"5", SubtreeKind::Move}, "6"), std::nullopt);
    EXPECT_TRUE(subjectExists(db, "6-1-1"));
    EXPECT_EQ(descendantCount(db, "5"), 0);
}

TEST_F(ChartTest, PasteRefusalsComeInTheirOrder)
{
    add("5", "五");
    add("5-1", "一");
    add("5-1-1", "甲");
    add("7", "七");
    line("7", 1);
    add("8", "八");
    add("9", "九");
    add("9-1", "子");
    add("10", "十", 1, "吨");
    add("12345678901", "长");
    for (const char* code : {"1", "1-1", "1-1-1", "1-1-1-1", "1-1-1-1-1"})
        raw(code, "深");
    struct Case {
        std::optional<SubtreeSource> source;
        const char* target;
        const char* message;
    };
    db.execute("INSERT INTO WBT(WNO,NA,HO) VALUES('1','美元','8')");
    const Case cases[] = {
        {std::nullopt, "9", "没有选择源对象或源对象子目不存在!"},
        {SubtreeSource{"7", SubtreeKind::Copy}, "9", "没有选择源对象或源对象子目不存在!"},
        {SubtreeSource{"5", SubtreeKind::Copy}, "8", "目标科目已被外币科目引用! 不能粘贴"},
        {SubtreeSource{"5", SubtreeKind::Copy}, "7", "目标对象本年度已有经济内容! 不能粘贴"},
        {SubtreeSource{"5", SubtreeKind::Copy}, "5", "目标对象与源对象相同! 不能粘贴"},
        {SubtreeSource{"5", SubtreeKind::Move}, "5-1-1", "目标对象是源对象的子目! 不能粘贴"},
        {SubtreeSource{"5", SubtreeKind::Copy}, "9", "目标科目已有子目! 不能粘贴"},
        {SubtreeSource{"5", SubtreeKind::Copy}, "10", "目标科目已被指定为数量金额式核算，不能粘贴!"},
        {SubtreeSource{"5", SubtreeKind::Copy}, "12345678901", "粘贴后，目标科目代码已超过14个字符! 不能粘贴"},
        {SubtreeSource{"5", SubtreeKind::Copy}, "1-1-1-1-1", "粘贴后，目标科目级数已超过６级! 不能粘贴"},
    };
    const int before = count("SELECT count(*) FROM SUBT");
    for (const Case& c : cases)
        EXPECT_EQ(pasteSubtree(db, c.source, c.target), c.message) << c.target;
    EXPECT_EQ(count("SELECT count(*) FROM SUBT"), before);
    db.execute("UPDATE SUBT SET OP='5' WHERE KNO='9-1'");
    EXPECT_EQ(pasteSubtree(db, SubtreeSource{"5", SubtreeKind::Copy}, "9-1"), "“9-1”科目为专用科目，不能粘贴!");
}

TEST_F(ChartTest, AMoveIsCheckedAgainWhenPastedAndCurrencySubjectsStay)
{
    add("5", "五");
    add("5-1", "一");
    add("6", "六");
    add("7", "七");
    db.execute("INSERT INTO WBT(WNO,NA,HO) VALUES('1','美元',NULL)");
    add("8", "外币户", 2, "1");
    ASSERT_EQ(checkSubtreeSource(db, "5", SubtreeKind::Move), std::nullopt);
    // Another copy of the program posts to the child before the paste.
    line("5-1", 9);
    EXPECT_EQ(pasteSubtree(db, SubtreeSource{"5", SubtreeKind::Move}, "6"), "所选对象的子目本年度已有经济内容! 不能移动");
    EXPECT_TRUE(subjectExists(db, "5-1"));
    EXPECT_EQ(descendantCount(db, "6"), 0);
    db.execute("DELETE FROM P0");
    db.execute("UPDATE WBT SET HO='5-1'");
    EXPECT_EQ(checkSubtreeSource(db, "5", SubtreeKind::Move), "所选对象的子目已被外币科目引用! 不能移动");
    EXPECT_EQ(pasteSubtree(db, SubtreeSource{"5", SubtreeKind::Move}, "6"), "所选对象的子目已被外币科目引用! 不能移动");
    ScriptedPrompt prompt;
    EXPECT_EQ(deleteChildren(db, "5", prompt), "该科目的子科目已被外币科目引用，不能删除!");
    EXPECT_TRUE(prompt.entries().empty());
    // A copy leaves the source and its currency subject alone.
    EXPECT_EQ(pasteSubtree(db, SubtreeSource{"5", SubtreeKind::Copy}, "7"), std::nullopt);
    EXPECT_TRUE(subjectExists(db, "7-1"));
    EXPECT_EQ(pasteSubtree(db, SubtreeSource{"5", SubtreeKind::Copy}, "8"), "目标科目已被指定为外币核算，不能粘贴!");
}

TEST_F(ChartTest, SubtreeSourcesAndDeletingChildren)
{
    add("5", "五");
    add("6", "六");
    add("6-1", "一");
    add("6-1-1", "甲");
    EXPECT_EQ(checkSubtreeSource(db, "5", SubtreeKind::Copy), "所选择的对象没有子目!");
    EXPECT_EQ(checkSubtreeSource(db, "6", SubtreeKind::Copy), std::nullopt);
    line("6-1-1", 5);
    EXPECT_EQ(checkSubtreeSource(db, "6", SubtreeKind::Move), "所选对象的子目本年度已有经济内容! 不能移动");
    ScriptedPrompt prompt;
    EXPECT_EQ(deleteChildren(db, "5", prompt), "该科目无子科目! 无须删除");
    EXPECT_EQ(deleteChildren(db, "6", prompt), "该科目的子科目本年度已有经济内容，不能删除!");
    db.execute("DELETE FROM P0");
    bool deleted = true;
    EXPECT_EQ(deleteChildren(db, "6", prompt, &deleted), std::nullopt); // the default answer is No
    EXPECT_FALSE(deleted);
    ASSERT_EQ(prompt.entries().size(), 1u);
    EXPECT_EQ(prompt.entries()[0].text, "该科目共有2个子科目，决定删除吗？");
    EXPECT_EQ(prompt.entries()[0].caption, "黄牌警告：");
    EXPECT_EQ(descendantCount(db, "6"), 2);
    prompt.queueAnswer(Answer::Yes);
    EXPECT_EQ(deleteChildren(db, "6", prompt, &deleted), std::nullopt);
    EXPECT_TRUE(deleted);
    EXPECT_EQ(descendantCount(db, "6"), 0);
}

TEST_F(ChartTest, SharedChecksOfOtherSubsystems)
{
    add("1001", "现金");
    add("1002", "银行");
    add("1002-1", "工行");
    db.execute("UPDATE SUBT SET OP='3' WHERE KNO='1001'");
    EXPECT_TRUE(subjectUsableBy(db, "1001", "3"));
    EXPECT_FALSE(subjectUsableBy(db, "1001", "0"));
    EXPECT_TRUE(subjectUsableBy(db, "1002-1", "0"));
    EXPECT_FALSE(subjectUsableBy(db, "1002", "0")); // has children
    line("1002-1", 10, 1, "4");
    db.execute("UPDATE P0 SET TT='03'");
    EXPECT_FALSE(hasPostedEntries(db, "1002", 2));
    EXPECT_TRUE(hasPostedEntries(db, "1002", 3));
    db.execute("UPDATE P0 SET MK='2'");
    EXPECT_FALSE(hasPostedEntries(db, "1002", 12));
    std::optional<SubjectAttributes> attributes = subjectAttributes(db, "1001");
    ASSERT_TRUE(attributes);
    EXPECT_TRUE(attributes->reserved());
    EXPECT_EQ(attributes->level, 1);
}

} // namespace
} // namespace kszw::test
