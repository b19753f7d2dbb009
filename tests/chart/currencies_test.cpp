// The currency directory: its lines, the checks of the currency dialog in their order with their
// messages and fields, a changed code carried into the rates and the foreign-currency subjects,
// and deleting with its refusal and its question.
#include "chart/chart_fixture.h"
#include "chart/currencies.h"
#include "common/prompt.h"
#include "store/database_error.h"
#include "support/engine_support.h"

namespace kszw::test {
namespace {

class CurrencyTest : public ChartTest {
protected:
    void SetUp() override
    {
        ChartTest::SetUp();
        add("6603", "财务费用");
        add("6603-1", "汇兑损益");
        add("6603-2", "手续费");
        add("1002", "银行存款");
    }

    void addOk(const std::string& code, const std::string& name, const std::string& subject = "6603-1")
    {
        CurrencyResult result = addCurrency(db, {code, name, subject});
        ASSERT_TRUE(result.ok) << code << ": " << result.message;
    }

    void rate(const std::string& code, const std::string& date)
    {
        db.execute("INSERT INTO WBR(WNO,T,MY1,MY2) VALUES(?1,?2,1,6.8)", {code, date});
    }
};

TEST_F(CurrencyTest, ACodeIsStoredInItsCanonicalForm)
{
    const std::pair<const char*, const char*> cases[] = {{"01", "1"}, {"007", "7"}, {" 12 ", "12"}, {"9999", "9999"}};
    for (const auto& [typed, stored] : cases) {
        CurrencyResult result = addCurrency(db, {typed, "币" + std::string(stored), "6603-1"});
        ASSERT_TRUE(result.ok) << typed << ": " << result.message;
        EXPECT_EQ(result.code, stored);
        EXPECT_EQ(count("SELECT count(*) FROM WBT WHERE WNO=?1", {std::string(stored)}), 1) << typed;
    }
    EXPECT_EQ(count("SELECT count(*) FROM WBT"), 4);
}

TEST_F(CurrencyTest, TheChecksRefuseInTheirOrderAndNameTheirField)
{
    addOk("1", "美元");
    struct Case {
        CurrencyInput input;
        const char* message;
        CurrencyField field;
    };
    const Case cases[] = {
        {{"", "", ""}, "币种代码不能为空或小于1，请重输！", CurrencyField::Code},
        {{"0", "日元", "6603-1"}, "币种代码不能为空或小于1，请重输！", CurrencyField::Code},
        {{"000", "日元", "6603-1"}, "币种代码不能为空或小于1，请重输！", CurrencyField::Code},
        {{"7abc", "日元", "6603-1"}, "币种代码不能为空或小于1，请重输！", CurrencyField::Code},
        {{"-2", "日元", "6603-1"}, "币种代码不能为空或小于1，请重输！", CurrencyField::Code},
        {{"12345", "日元", "6603-1"}, "币种代码不能超过4位数字，请重输！", CurrencyField::Code},
        {{"2", "", ""}, "币名不能为空，请重输!", CurrencyField::Name},
        {{"2", "日 元", "6603-1"}, "币种名称中不能有空格、|、[、]和引号，请重输!", CurrencyField::Name},
        {{"2", "日'元", "6603-1"}, "币种名称中不能有空格、|、[、]和引号，请重输!", CurrencyField::Name},
        {{"2", "日元\"", "6603-1"}, "币种名称中不能有空格、|、[、]和引号，请重输!", CurrencyField::Name},
        {{"2", "新加坡元币", "6603-1"}, "", CurrencyField::Code}, // 10 bytes: accepted
        {{"3", "新加坡元币种", "6603-1"}, "币种名称太长，不能超过10个字节（5个汉字），请重输!", CurrencyField::Name},
        {{"3", "日元", " "}, "汇兑损益科目不能为空，请重输!", CurrencyField::Subject},
        // The duplicate comes before the subject.
        {{"01", "美金", "9999"}, "代码重复，请重输！", CurrencyField::Code},
        {{"3", "日元", "9999"}, "汇兑损益科目不存在或非最低明细科目，请重输！", CurrencyField::Subject},
        {{"3", "日元", "6603"}, "汇兑损益科目不存在或非最低明细科目，请重输！", CurrencyField::Subject},
        {{"3", "日元", "6603-"}, "汇兑损益科目不存在或非最低明细科目，请重输！", CurrencyField::Subject},
        {{"3", "日元", "6603-1'"}, "汇兑损益科目不存在或非最低明细科目，请重输！", CurrencyField::Subject},
        {{"3", "日元", "6603-1-1-1-1-1-1"}, "汇兑损益科目不存在或非最低明细科目，请重输！", CurrencyField::Subject},
    };
    for (const Case& c : cases) {
        CurrencyResult result = addCurrency(db, c.input);
        EXPECT_EQ(result.ok, std::string(c.message).empty()) << c.input.code << c.input.name;
        EXPECT_EQ(result.message, c.message) << c.input.code << " " << c.input.name;
        if (!result.ok) {
            EXPECT_EQ(result.field, c.field) << c.message;
        }
    }
    EXPECT_EQ(count("SELECT count(*) FROM WBT"), 2);
}

TEST_F(CurrencyTest, AGainLossSubjectThatHasChildrenIsRefused)
{
    // 6603 has children: the count of its subtree exceeds 1.
    EXPECT_EQ(addCurrency(db, {"1", "美元", "6603"}).message, "汇兑损益科目不存在或非最低明细科目，请重输！");
    // 1002 is a leaf until it gets a child.
    addOk("1", "美元", "1002");
    add("1002-1", "工行");
    EXPECT_EQ(modifyCurrency(db, "1", {"1", "美元", "1002"}).message, "汇兑损益科目不存在或非最低明细科目，请重输！");
}

TEST_F(CurrencyTest, TheDirectoryListsFixedWidthLinesInNumericOrderWithTheirValues)
{
    addOk("10", "港币", "6603-2");
    addOk("2", "美元");
    addOk("1", "ABC");
    const std::vector<CurrencyLine> lines = listCurrencies(db);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].text(), "1       ABC             6603-1");
    // A Chinese character takes two columns, so the subjects stand in one column.
    EXPECT_EQ(lines[1].text(), "2       美元            6603-1");
    EXPECT_EQ(lines[2].text(), "10      港币            6603-2");
    EXPECT_EQ(lines[2].code, "10");
    EXPECT_EQ(lines[2].name, "港币");
    EXPECT_EQ(lines[2].subject, "6603-2");
}

TEST_F(CurrencyTest, ModifyingWithTheSameCodePassesTheDuplicateCheck)
{
    addOk("1", "美元");
    addOk("2", "日元");
    CurrencyResult same = modifyCurrency(db, "1", {"001", "美金", "6603-2"});
    ASSERT_TRUE(same.ok) << same.message;
    EXPECT_EQ(same.code, "1");
    EXPECT_EQ(count("SELECT count(*) FROM WBT WHERE WNO='1' AND NA='美金' AND HO='6603-2'"), 1);
    CurrencyResult taken = modifyCurrency(db, "1", {"2", "美金", "6603-2"});
    EXPECT_EQ(taken.message, "代码重复，请重输！");
    EXPECT_EQ(taken.field, CurrencyField::Code);
    // Two rows of one code in a file made elsewhere: the code is not unique, even unchanged.
    db.execute("INSERT INTO WBT(WNO,NA,HO) VALUES('2','日币','6603-1')");
    EXPECT_EQ(modifyCurrency(db, "2", {"2", "日元", "6603-1"}).message, "代码重复，请重输！");
    // A currency deleted meanwhile is not reported as changed.
    EXPECT_EQ(modifyCurrency(db, "8", {"8", "欧元", "6603-1"}).message, "代码为“8”的外币币种不存在！");
}

TEST_F(CurrencyTest, AChangedCodeIsCarriedIntoTheRatesAndTheForeignCurrencySubjectsOnly)
{
    addOk("3", "美元");
    addOk("4", "日元");
    rate("3", "20260105");
    rate("3", "20260201");
    rate("4", "20260105");
    add("1002-1", "美元户", 2, "3");
    add("1002-2", "日元户", 2, "4");
    // A quantity subject whose unit happens to read "3" is no currency subject.
    add("1403", "原材料", 1, "3");

    CurrencyResult result = modifyCurrency(db, "3", {"5", "美元", "6603-2"});
    ASSERT_TRUE(result.ok) << result.message;
    EXPECT_EQ(result.code, "5");
    EXPECT_EQ(count("SELECT count(*) FROM WBT WHERE WNO='5' AND NA='美元' AND HO='6603-2'"), 1);
    EXPECT_EQ(count("SELECT count(*) FROM WBT WHERE WNO='3'"), 0);
    EXPECT_EQ(count("SELECT count(*) FROM WBR WHERE WNO='5'"), 2);
    EXPECT_EQ(count("SELECT count(*) FROM WBR WHERE WNO='3'"), 0);
    EXPECT_EQ(count("SELECT count(*) FROM WBR WHERE WNO='4'"), 1);
    EXPECT_EQ(subjectAttributes(db, "1002-1")->unit, "5");
    EXPECT_EQ(subjectAttributes(db, "1002-2")->unit, "4");
    EXPECT_EQ(subjectAttributes(db, "1403")->unit, "3");
}

TEST_F(CurrencyTest, AReferencedCurrencyIsNotDeleted)
{
    addOk("1", "美元");
    add("1002-1", "美元户", 2, "1");
    ScriptedPrompt prompt;
    EXPECT_FALSE(deleteCurrency(db, "1", prompt));
    EXPECT_EQ(prompt.texts(), std::vector<std::string>{"代码为“1”的外币币种已被引用，不能删除！"});
    EXPECT_EQ(prompt.entries()[0].icon, Icon::Exclamation);
    EXPECT_EQ(count("SELECT count(*) FROM WBT"), 1);
}

TEST_F(CurrencyTest, ACurrencyWithRatesIsDeletedWithThemOnlyAfterYes)
{
    addOk("1", "美元");
    addOk("2", "日元");
    rate("1", "20260105");
    rate("1", "20260201");
    rate("2", "20260105");

    ScriptedPrompt prompt;
    prompt.queueAnswer(Answer::No);
    EXPECT_FALSE(deleteCurrency(db, "1", prompt));
    ASSERT_EQ(prompt.entries().size(), 1u);
    const ScriptedPrompt::Entry& question = prompt.entries()[0];
    EXPECT_EQ(question.text, "代码为“1”的外币已设置汇率，决定删除吗？");
    EXPECT_TRUE(question.question);
    EXPECT_EQ(question.icon, Icon::Question);
    EXPECT_EQ(question.caption, "岚屿穗软件");
    EXPECT_EQ(count("SELECT count(*) FROM WBT"), 2);
    EXPECT_EQ(count("SELECT count(*) FROM WBR"), 3);

    prompt.clear();
    prompt.queueAnswer(Answer::Yes);
    EXPECT_TRUE(deleteCurrency(db, "1", prompt));
    EXPECT_EQ(prompt.texts().size(), 1u);
    EXPECT_EQ(count("SELECT count(*) FROM WBT WHERE WNO='1'"), 0);
    EXPECT_EQ(count("SELECT count(*) FROM WBR WHERE WNO='1'"), 0);
    EXPECT_EQ(count("SELECT count(*) FROM WBR WHERE WNO='2'"), 1);
}

TEST_F(CurrencyTest, ACurrencyWithoutRatesIsDeletedWithoutAQuestion)
{
    addOk("1", "美元");
    ScriptedPrompt prompt;
    EXPECT_TRUE(deleteCurrency(db, "1", prompt));
    EXPECT_TRUE(prompt.entries().empty());
    EXPECT_EQ(count("SELECT count(*) FROM WBT"), 0);
    // Nothing chosen.
    EXPECT_FALSE(deleteCurrency(db, "", prompt));
    EXPECT_EQ(prompt.texts(), std::vector<std::string>{"对不起，没有选择删除对象!"});
}

TEST_F(CurrencyTest, TheChecksAndWritesRunInsideATransaction)
{
    // A failing write leaves nothing of a changed code behind.
    addOk("3", "美元");
    rate("3", "20260105");
    add("1002-1", "美元户", 2, "3");
    test::addRefusingTrigger(db, "refuse_subt", "BEFORE UPDATE", "SUBT", "", "refused");
    EXPECT_THROW(modifyCurrency(db, "3", {"5", "美元", "6603-1"}), DatabaseError);
    EXPECT_EQ(count("SELECT count(*) FROM WBT WHERE WNO='3'"), 1);
    EXPECT_EQ(count("SELECT count(*) FROM WBR WHERE WNO='3'"), 1);
    EXPECT_EQ(subjectAttributes(db, "1002-1")->unit, "3");
}

} // namespace
} // namespace kszw::test
