// Changing the account-set information: the values offered, the checks in their order with their
// messages, the header and the opening rows written together, and the login state following.
#include "accountset/account_set_info.h"
#include "accountset/year_file.h"
#include "common/prompt.h"
#include "session/kszw_env.h"
#include "store/database.h"
#include "store/ks_dbset.h"
#include "store/transaction.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace kszw {
namespace {

class AccountSetInformation : public ::testing::Test {
protected:
    void SetUp() override
    {
        file = dir.file("2026.ksk");
        createYearFile(file, 2026);
        ASSERT_EQ(env.openFile(file, "101", prompt), kLoginOk);
        info = currentAccountSetInfo(env);
    }

    void execute(const std::string& sql) { env.db().execute(sql); }

    std::string header()
    {
        return env.db()
            .queryText("SELECT NA||'|'||KJ||'|'||JT||'|'||T1||'|'||T13||'|'||PY||'|'||MM FROM SYSTAB")
            .value_or("");
    }

    InfoChangeResult change()
    {
        prompt.clear();
        return changeAccountSetInfo(env, info, prompt);
    }

    test::TempDir dir;
    std::string file;
    CKszwEnv env;
    ScriptedPrompt prompt;
    AccountSetInfo info;
};

TEST(AccountSetChoices, EachDropDownOffersItsTwentyTwoValuesInOrder)
{
    const std::vector<std::string> starts = {
        "20251220", "20251221", "20251222", "20251223", "20251224", "20251225", "20251226", "20251227",
        "20251228", "20251229", "20251230", "20251231", "20260101", "20260102", "20260103", "20260104",
        "20260105", "20260106", "20260107", "20260108", "20260109", "20260110"};
    EXPECT_EQ(yearStartChoices(2026), starts);
    const std::vector<std::string> ends = yearEndChoices(2026);
    ASSERT_EQ(ends.size(), 22u);
    EXPECT_EQ(ends.front(), "20261220");
    EXPECT_EQ(ends[11], "20261231");
    EXPECT_EQ(ends[12], "20270101");
    EXPECT_EQ(ends.back(), "20270110");
    EXPECT_EQ(monthEndChoices(),
              (std::vector<std::string>{"020", "021", "022", "023", "024", "025", "026", "027", "028", "029", "030",
                                        "031", "101", "102", "103", "104", "105", "106", "107", "108", "109",
                                        "110"}));
}

TEST_F(AccountSetInformation, ChangesTheHeaderAndTheLoginStateFollows)
{
    info = {"乙公司", "王五", "20251225", "20270105", "025"};
    const InfoChangeResult result = change();
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(prompt.texts(), std::vector<std::string>{"修改结束"});
    EXPECT_EQ(prompt.entries()[0].caption, "岚屿穗软件");
    EXPECT_EQ(header(), "乙公司|王五|025|20251225|20270105|2026|0");
    EXPECT_EQ(env.unitName(), "乙公司");
    EXPECT_EQ(env.chiefAccountant(), "王五");
    EXPECT_EQ(env.yearStart(), "20251225");
    EXPECT_EQ(env.yearEnd(), "20270105");
    EXPECT_EQ(env.monthEndCode(), "025");
}

TEST_F(AccountSetInformation, MovingTheFirstDayMovesEveryOpeningRowAndNoVoucherLine)
{
    execute("INSERT INTO P0 VALUES('20260101','    ',0,'期初余额','101',1,100,0,'4','01')");
    execute("INSERT INTO P0 VALUES('20260101','    ',0,'  上 年  结  转','102',-1,100,0,'4','01')");
    execute("INSERT INTO P0 VALUES('20260101','   ',0,'期初余额','103',1,5,0,'4','01')");
    execute("INSERT INTO P0 VALUES('20260105','0001',1,'买','101',1,10,0,'2','01')");
    info.yearStart = "20251228";
    ASSERT_TRUE(change().ok) << prompt.last();
    KS_Dbset rows(env.db());
    std::vector<std::string> dates;
    for (rows.open("SELECT kno||':'||t FROM P0 ORDER BY kno, t"); !rows.isEOF(); rows.moveNext())
        dates.push_back(rows.textAt(0));
    // Only the rows whose number is exactly four blanks are opening rows.
    EXPECT_EQ(dates, (std::vector<std::string>{"101:20251228", "101:20260105", "102:20251228", "103:20260101"}));
}

TEST_F(AccountSetInformation, AFirstDayAfterDataIsRefusedWithTheFirstMessageThatApplies)
{
    struct Case {
        std::vector<std::string> rows;
        const char* message;
    };
    const Case cases[] = {
        {{"INSERT INTO CERDIR VALUES('20260103','0001','102',NULL,0,'0','2','01')",
          "INSERT INTO P0 VALUES('20260103','0001',1,'x','101',1,1,0,'2','01')",
          "INSERT INTO WBR VALUES('USD','20260102',1,7)"},
         "年初日大于已制作凭证的最小日,请重设置！"},
        {{"INSERT INTO P0 VALUES('20260103','0001',1,'x','101',1,1,0,'2','01')",
          "INSERT INTO WBR VALUES('USD','20260102',1,7)"},
         "年初日大于已存在数据的最小日,请重设置！"},
        {{"INSERT INTO WBR VALUES('USD','20260102',1,7)"}, "年初日大于已设置的汇率的最小日,请重设置！"},
    };
    for (const Case& c : cases) {
        Transaction rows(env.db());
        for (const std::string& sql : c.rows)
            execute(sql);
        rows.commit();
        info.yearStart = "20260105";
        info.unitName = "丙公司";
        const InfoChangeResult result = change();
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.field, InfoField::YearStart);
        EXPECT_EQ(prompt.texts(), std::vector<std::string>{c.message});
        EXPECT_EQ(header(), "××单位|×××|031|20260101|20261231|2026|0");
        // On the day itself it is allowed; the rows are taken away for the next case.
        info.yearStart = "20260102";
        info.unitName = "××单位";
        EXPECT_TRUE(change().ok) << prompt.last();
        execute("DELETE FROM CERDIR");
        execute("DELETE FROM P0");
        execute("DELETE FROM WBR");
        info = currentAccountSetInfo(env);
        info.yearStart = "20260101";
        ASSERT_TRUE(change().ok);
    }
}

TEST_F(AccountSetInformation, ALastDayBeforeDataIsRefusedWithTheFirstMessageThatApplies)
{
    struct Case {
        std::vector<std::string> rows;
        const char* message;
    };
    const Case cases[] = {
        {{"INSERT INTO CERDIR VALUES('20261228','0009','102',NULL,0,'0','2','12')",
          "INSERT INTO P0 VALUES('20261229','0001',1,'x','101',1,1,0,'2','12')",
          "INSERT INTO WBR VALUES('USD','20261230',1,7)"},
         "年末日小于已制作凭证的最大日,请重设置！"},
        {{"INSERT INTO P0 VALUES('20261229','0001',1,'x','101',1,1,0,'2','12')"},
         "年末日小于已存在数据的最大日,请重设置！"},
        {{"INSERT INTO WBR VALUES('USD','20261230',1,7)"}, "年末日小于已设置的汇率的最大日,请重设置！"},
    };
    for (const Case& c : cases) {
        for (const std::string& sql : c.rows)
            execute(sql);
        info.yearEnd = "20261225";
        const InfoChangeResult result = change();
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.field, InfoField::YearEnd);
        EXPECT_EQ(prompt.texts(), std::vector<std::string>{c.message});
        EXPECT_EQ(header(), "××单位|×××|031|20260101|20261231|2026|0");
        execute("DELETE FROM CERDIR");
        execute("DELETE FROM P0");
        execute("DELETE FROM WBR");
    }
}

TEST_F(AccountSetInformation, EmptyAndUnofferedValuesAreRefusedAndNothingIsWritten)
{
    struct Case {
        AccountSetInfo info;
        InfoField field;
        const char* message;
    };
    const Case cases[] = {
        {{"甲", "乙", "", "", ""}, InfoField::YearStart, "没有设置年初日！"},
        {{"甲", "乙", "20260101", "", ""}, InfoField::YearEnd, "没有设置年末日！"},
        {{"甲", "乙", "20260101", "20261231", " "}, InfoField::MonthEnd, "没有设置月结日！"},
        {{"甲", "乙", "20251219", "20261231", "031"}, InfoField::YearStart,
         "年初日只能是2025年12月20日至2026年1月10日之间的日期！"},
        {{"甲", "乙", "20260111", "20261231", "031"}, InfoField::YearStart,
         "年初日只能是2025年12月20日至2026年1月10日之间的日期！"},
        {{"甲", "乙", "2026011", "20261231", "031"}, InfoField::YearStart,
         "年初日只能是2025年12月20日至2026年1月10日之间的日期！"},
        {{"甲", "乙", "20260101", "20261219", "031"}, InfoField::YearEnd,
         "年末日只能是2026年12月20日至2027年1月10日之间的日期！"},
        {{"甲", "乙", "20260101", "20270111", "031"}, InfoField::YearEnd,
         "年末日只能是2026年12月20日至2027年1月10日之间的日期！"},
        {{"甲", "乙", "20260101", "20261231", "019"}, InfoField::MonthEnd, "月结日只能是020至031或101至110！"},
        {{"甲", "乙", "20260101", "20261231", "032"}, InfoField::MonthEnd, "月结日只能是020至031或101至110！"},
        {{"甲", "乙", "20260101", "20261231", "100"}, InfoField::MonthEnd, "月结日只能是020至031或101至110！"},
        {{"甲", "乙", "20260101", "20261231", "111"}, InfoField::MonthEnd, "月结日只能是020至031或101至110！"},
        {{"一二三四五六七八九十一二三四五六七八九十A", "乙", "20260101", "20261231", "031"}, InfoField::UnitName,
         "核算单位不能超过40个字节（一个汉字占两个字节）！"},
        {{"甲'", "乙", "20260101", "20261231", "031"}, InfoField::UnitName,
         "核算单位中不能有 ' | [ ] \" 这些字符！"},
        {{"甲", "一二三四A", "20260101", "20261231", "031"}, InfoField::ChiefAccountant,
         "会计主管不能超过8个字节（一个汉字占两个字节）！"},
        {{"甲", "[乙]", "20260101", "20261231", "031"}, InfoField::ChiefAccountant,
         "会计主管中不能有 ' | [ ] \" 这些字符！"},
        {{"  ", "乙", "20260101", "20261231", "031"}, InfoField::UnitName, "核算单位不能为空！"},
        // The checks of the dates come before those of the names.
        {{"甲'", "乙", "", "20261231", "031"}, InfoField::YearStart, "没有设置年初日！"},
    };
    for (const Case& c : cases) {
        info = c.info;
        const InfoChangeResult result = change();
        EXPECT_FALSE(result.ok) << c.message;
        EXPECT_EQ(result.field, c.field) << c.message;
        EXPECT_EQ(prompt.texts(), std::vector<std::string>{c.message});
        EXPECT_EQ(header(), "××单位|×××|031|20260101|20261231|2026|0");
        EXPECT_EQ(env.unitName(), "××单位");
    }
    // The longest names that fit.
    info = {"一二三四五六七八九十一二三四五六七八九十", "一二三四", "20260101", "20261231", "031"};
    EXPECT_TRUE(change().ok) << prompt.last();
}

TEST_F(AccountSetInformation, TheMonthEndDayStaysOnceTheYearHasVoucherLines)
{
    execute("INSERT INTO P0 VALUES('20260105','0001',1,'x','101',1,1,0,'2','01')");
    EXPECT_TRUE(hasVoucherLines(env.db()));
    info = {"丁公司", "赵六", "20260101", "20261231", "025"};
    const InfoChangeResult result = change();
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.field, InfoField::MonthEnd);
    EXPECT_EQ(prompt.texts(), std::vector<std::string>{"本年度已有凭证分录，不能修改月结日！"});
    EXPECT_EQ(header(), "××单位|×××|031|20260101|20261231|2026|0");
    EXPECT_EQ(env.monthEndCode(), "031");
    // The other fields may still change.
    info.monthEnd = "031";
    EXPECT_TRUE(change().ok) << prompt.last();
    EXPECT_EQ(header(), "丁公司|赵六|031|20260101|20261231|2026|0");
}

TEST_F(AccountSetInformation, AValueTheFileHoldsStaysAcceptableThoughNotOffered)
{
    execute("UPDATE SYSTAB SET T1='20251201',T13='20270131',JT='015'");
    CKszwEnv login;
    ASSERT_EQ(login.openFile(file, "101", prompt), kLoginOk);
    AccountSetInfo held = currentAccountSetInfo(login);
    EXPECT_EQ(held.yearStart, "20251201");
    held.unitName = "戊公司";
    prompt.clear();
    EXPECT_TRUE(changeAccountSetInfo(login, held, prompt).ok) << prompt.last();
    // Once changed to an offered value, the old one is not offered again.
    held.yearStart = "20260101";
    EXPECT_TRUE(changeAccountSetInfo(login, held, prompt).ok);
    held.yearStart = "20251201";
    EXPECT_FALSE(changeAccountSetInfo(login, held, prompt).ok);
}

} // namespace
} // namespace kszw
