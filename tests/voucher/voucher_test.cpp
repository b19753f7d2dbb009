// The voucher record: numbers, the checks of the head, the generators, saving and changing,
// statuses, deleting and opening.
#include "voucher/voucher_fixture.h"

#include "store/database_error.h"
#include "store/transaction.h"
#include "support/engine_support.h"

#include <thread>

namespace kszw::test {
namespace {

void addClasses(Database& db, std::initializer_list<const char*> codes)
{
    for (const char* code : codes)
        db.execute("INSERT INTO CERCLS(CNO,NA) VALUES(?1,?2)", {std::string(code), std::string("类") + code});
}

void insertHeader(Database& db, const std::string& date, const std::string& number, const std::string& mk = "2",
                  const std::string& opp = "102")
{
    db.execute("INSERT INTO CERDIR(T,CER,OPP,PN,LY,MK,TT) VALUES(?1,?2,?3,0,'0',?4,?5)",
               {date, number, opp, mk, date.substr(4, 2)});
}

TEST_F(VoucherTest, NumbersAreParsedWithoutClasses)
{
    struct Case {
        const char* typed;
        int code;
        const char* normalised;
    };
    const Case cases[] = {{"12", 1, "0012"}, {"1", 1, "0001"},  {"0012", 1, "0012"}, {"9999", 1, "9999"},
                          {"", -1, ""},      {"1a", -2, "1a"},  {"12345", -2, "12345"}, {"0000", -7, "0000"},
                          {"0", -7, "0"},    {"A1", -2, "A1"}};
    for (const Case& c : cases) {
        std::string number = c.typed;
        int length = -1;
        EXPECT_EQ(voucher->ParseNumber(length, number, false), c.code) << c.typed;
        EXPECT_EQ(length, 0);
        EXPECT_EQ(number, c.normalised) << c.typed;
    }
}

TEST_F(VoucherTest, NumbersAreParsedWithClasses)
{
    addClasses(env.db(), {"A", "B"});
    struct Case {
        const char* typed;
        int code;
        const char* normalised;
    };
    const Case cases[] = {{"A12", 1, "A012"}, {"B7", 1, "B007"}, {"A999", 1, "A999"}, {"", -3, ""},
                          {"D7", -4, "D7"},   {"5", -4, "5"},    {"A", -5, "A"},       {"Ax", -6, "Ax"},
                          {"A1000", -6, "A1000"}, {"A000", -8, "A000"}, {"A0", -8, "A000"}};
    for (const Case& c : cases) {
        std::string number = c.typed;
        int length = -1;
        EXPECT_EQ(voucher->ParseNumber(length, number, false), c.code) << c.typed;
        EXPECT_EQ(length, 1);
        EXPECT_EQ(number, c.normalised) << c.typed;
    }
    EXPECT_EQ(voucher->GetClassList().list, "A B ");
}

TEST_F(VoucherTest, TheHeadIsCheckedWithTheMessageOfTheFirstFault)
{
    addClasses(env.db(), {"A", "B"});
    struct Case {
        const char* date;
        const char* number;
        bool automatic;
        const char* message;
        int field;
    };
    const Case cases[] = {
        {"20250315", "A1", false, "凭证制作时间不在本年度内！", 0},
        {"00000315", "A1", false, "凭证制作时间不在本年度内！", 0},
        {"    0229", "A1", false, "凭证制作时间不在本年度内！", 0},
        {"20261315", "A1", false, "凭证制作月不正确！", 1},
        {"20260230", "A1", false, "凭证制作日不正确！", 2},
        {"20260315", "D7", false, "无此凭证分类号！", 3},
        {"20260315", "5", true, "无此凭证分类号！", 3},
        {"20260315", "", true, "未录凭证分类号！", 3},
        {"20260315", "A", false, "未录凭证顺序号！", 3},
        {"20260315", "Ax", true, "凭证顺序号只能为数字！", 3},
        {"20260315", "A000", true, "凭证顺序号不能为零！", 3},
    };
    for (const Case& c : cases) {
        CVoucher v(env, clock);
        fill(v, c.date, c.number, {});
        ScriptedPrompt prompt;
        prompt.queueAnswer(Answer::Yes);
        int length = 0;
        EXPECT_EQ(v.CheckHead(length, c.automatic, true, 0, prompt), voucher_result::kBackToField) << c.message;
        EXPECT_EQ(v.ErrorField, c.field) << c.message;
        ASSERT_EQ(prompt.entries().size(), 1u);
        EXPECT_EQ(prompt.entries()[0].text, std::string(c.message) + "\n需要返回修改吗？");
        EXPECT_EQ(prompt.entries()[0].icon, Icon::Question);
    }
    // No goes on without going back.
    CVoucher v(env, clock);
    fill(v, "20260315", "D7", {});
    ScriptedPrompt no;
    no.queueAnswer(Answer::No);
    int length = 0;
    EXPECT_EQ(v.CheckHead(length, false, true, 0, no), voucher_result::kNotSaved);
    // A class alone in a new voucher gets the next number of its class.
    fill(v, "20260315", "B", {});
    ScriptedPrompt quiet;
    EXPECT_EQ(v.CheckHead(length, true, true, 0, quiet), voucher_result::kOk);
    EXPECT_EQ(v.head[kHeadNumber], "B001");
    EXPECT_TRUE(quiet.entries().empty());
}

TEST_F(VoucherTest, WithoutClassesTheZeroAndEmptyNumbersHaveTheirMessages)
{
    const std::pair<const char*, const char*> cases[] = {
        {"0000", "凭证号不能为零！"}, {"", "凭证号为空！"}, {"1x", "凭证号只能为数字！"}};
    for (const auto& [number, message] : cases) {
        CVoucher v(env, clock);
        fill(v, "20260315", number, {});
        ScriptedPrompt prompt;
        int length = 0;
        EXPECT_EQ(v.CheckHead(length, false, true, 0, prompt), voucher_result::kBackToField);
        EXPECT_EQ(prompt.last(), std::string(message) + "\n需要返回修改吗？");
    }
}

TEST_F(VoucherTest, TheGeneratorsFollowTheClassAndTheAccountingMonth)
{
    addClasses(env.db(), {"A", "B"});
    for (const char* number : {"A001", "A002", "A003", "A005"})
        insertHeader(env.db(), "20260310", number);
    insertHeader(env.db(), "20260310", "B009");
    struct Case {
        const char* date;
        const char* typed;
        int mode;
        const char* number;
    };
    const Case cases[] = {{"20260320", "A", 0, "A006"}, {"20260320", "A77", 1, "A004"}, {"20260420", "A", 0, "A001"},
                          {"20260420", "A", 1, "A001"}, {"20260301", "B1", 1, "B001"}, {"20260331", "B", 0, "B010"}};
    for (const Case& c : cases) {
        CVoucher v(env, clock);
        fill(v, c.date, c.typed, {});
        ScriptedPrompt quiet;
        int length = 0;
        // The generator keys: not interactive, the number replaced whatever was typed.
        EXPECT_EQ(v.CheckHead(length, false, false, c.mode, quiet), voucher_result::kOk);
        EXPECT_EQ(v.head[kHeadNumber], c.number) << c.date << " " << c.typed << " mode " << c.mode;
        EXPECT_EQ(v.ErrorField, -1);
    }
    // An undefined class is reported and the number left as typed.
    CVoucher v(env, clock);
    fill(v, "20260320", "D", {});
    ScriptedPrompt prompt;
    int length = 0;
    EXPECT_EQ(v.CheckHead(length, false, false, 0, prompt), voucher_result::kOk);
    EXPECT_EQ(prompt.texts(), std::vector<std::string>{"无此凭证分类号！"});
    EXPECT_EQ(v.ErrorField, 3);
    EXPECT_EQ(v.head[kHeadNumber], "D");

    // A zero number and numbers written twice by another program are passed over: the first gap
    // of March is still A004.
    insertHeader(env.db(), "20260305", "A000");
    insertHeader(env.db(), "20260306", "A001");
    insertHeader(env.db(), "20260307", "A002");
    CVoucher march(env, clock);
    fill(march, "20260325", "A", {});
    EXPECT_EQ(march.CheckHead(length, false, false, 1, prompt), voucher_result::kOk);
    EXPECT_EQ(march.head[kHeadNumber], "A004");
}

TEST_F(VoucherTest, NoNumberBeyondFourCharactersIsGenerated)
{
    addClasses(env.db(), {"A"});
    {
        Transaction transaction(env.db());
        for (int n = 1; n <= 999; ++n)
            if (n != 500)
                insertHeader(env.db(), "20260310", "A" + std::string(n < 10 ? "00" : n < 100 ? "0" : "") + std::to_string(n));
        transaction.commit();
    }
    CVoucher v(env, clock);
    fill(v, "20260320", "A", {});
    ScriptedPrompt prompt;
    int length = 0;
    v.CheckHead(length, false, false, 0, prompt);
    EXPECT_EQ(prompt.texts(), std::vector<std::string>{std::string(kNumbersUsedUp)});
    EXPECT_EQ(v.ErrorField, 3);
    // The first free number still finds the gap.
    fill(v, "20260320", "A", {});
    ScriptedPrompt quiet;
    v.CheckHead(length, false, false, 1, quiet);
    EXPECT_EQ(v.head[kHeadNumber], "A500");
    EXPECT_TRUE(quiet.entries().empty());
}

TEST_F(VoucherTest, DatesAreCheckedWithTheLeapRule)
{
    EXPECT_EQ(voucher->CheckDate("2026", "2", "29"), -3);
    EXPECT_EQ(voucher->CheckDate("2026", "2", "28"), 1);
    EXPECT_EQ(voucher->T, "20260228");
    EXPECT_EQ(voucher->CheckDate("2026", "13", "1"), -2);
    EXPECT_EQ(voucher->CheckDate("2027", "1", "1"), -1);
    for (int year : {2007, 2008, 2000}) {
        CKszwEnv other;
        path = dir.file(std::to_string(year) + ".ksk");
        createYearFile(path, year);
        ASSERT_TRUE(login(other, "102"));
        CVoucher v(other, clock);
        EXPECT_EQ(v.CheckDate(std::to_string(year), "02", "29"), year == 2007 ? -3 : 1) << year;
    }
}

TEST_F(VoucherTest, AClosedMonthTakesNoNewOrChangedVoucher)
{
    ASSERT_EQ(save(*voucher, "20260210", "0007"), voucher_result::kOk);
    env.db().execute("UPDATE SYSTAB SET MM=2");
    CVoucher fresh(env, clock);
    fill(fresh, "20260215", "0001", {{"x", "1001", "5", ""}, {"x", "1002-1", "", "5"}});
    ScriptedPrompt prompt;
    prompt.queueAnswer(Answer::Yes);
    EXPECT_EQ(fresh.SaveWithConfirm(prompt), voucher_result::kBackToField);
    EXPECT_EQ(prompt.entries()[0].text, "不能在已月结月份内增加凭证！\n需要返回修改吗？");
    EXPECT_EQ(fresh.ErrorField, 1);
    // The saved February voucher changed: refused as well.
    ScriptedPrompt again;
    again.queueAnswer(Answer::No);
    voucher->lines[0][VoucherLine::Summary] = "改";
    EXPECT_EQ(voucher->SaveWithConfirm(again), voucher_result::kNotSaved);
    EXPECT_EQ(again.entries()[0].text, "不能在已月结月份内增加凭证！\n需要返回修改吗？");
    EXPECT_EQ(count("SELECT count(*) FROM P0 WHERE MRY='改'"), 0);
}

TEST_F(VoucherTest, TheSaveQuestionNamesTheVoucherWithLongDates)
{
    fill(*voucher, "20260305", "12", {{"提现", "1001", "50", ""}, {"提现", "1002-1", "", "50"}});
    ScriptedPrompt prompt;
    prompt.queueAnswer(Answer::Cancel);
    EXPECT_EQ(voucher->SaveWithConfirm(prompt), voucher_result::kBackToEditing);
    EXPECT_EQ(prompt.entries()[0].text, "新增凭证：2026年3月5日  第0012号\n\n请作选择：\n\n① 存盘请选择“是”；\n"
                                        "② 不存盘请选择“否”；\n③ 返回继续制作请选择“取消”。");
    EXPECT_EQ(prompt.entries()[0].icon, Icon::Question);
    prompt.queueAnswer(Answer::No);
    EXPECT_EQ(voucher->SaveWithConfirm(prompt), voucher_result::kNotSaved);
    EXPECT_EQ(count("SELECT count(*) FROM CERDIR"), 0);
    prompt.queueAnswer(Answer::Yes);
    ASSERT_EQ(voucher->SaveWithConfirm(prompt), voucher_result::kOk);
    EXPECT_FALSE(voucher->isNew);
    EXPECT_EQ(voucher->oldNumber, "0012");
    // A change of date and number names both.
    voucher->head[kHeadDay] = "06";
    voucher->head[kHeadNumber] = "13";
    prompt.clear();
    prompt.queueAnswer(Answer::Yes);
    ASSERT_EQ(voucher->SaveWithConfirm(prompt), voucher_result::kOk);
    EXPECT_EQ(prompt.entries()[0].text.substr(0, prompt.entries()[0].text.find("\n\n")),
              "修改凭证：2026年3月5日  第0012号\n  ======>>2026年3月6日  第0013号");
    EXPECT_EQ(count("SELECT count(*) FROM CERDIR WHERE T='20260306' AND CER='0013' AND OPP='102' AND PN=1"), 1);
    EXPECT_EQ(count("SELECT count(*) FROM CERDIR"), 1);
    EXPECT_EQ(count("SELECT count(*) FROM P0 WHERE T='20260306' AND CER='0013'"), 2);
    // A new voucher without any subject is not saved and nothing is asked.
    CVoucher empty(env, clock);
    empty.ResetAsNew();
    ScriptedPrompt none;
    EXPECT_EQ(empty.SaveWithConfirm(none), voucher_result::kNotSaved);
    EXPECT_TRUE(none.entries().empty());
}

TEST_F(VoucherTest, ANumberIsUniqueWithinTheAccountingMonthOnly)
{
    ASSERT_EQ(save(*voucher, "20260310", "0005"), voucher_result::kOk);
    CVoucher same(env, clock);
    fill(same, "20260320", "5", {{"x", "1001", "1", ""}, {"x", "1002-1", "", "1"}});
    PromptWithInterlude prompt;
    prompt.queueAnswer(Answer::Yes);
    prompt.queueAnswer(Answer::Yes);
    EXPECT_EQ(same.SaveWithConfirm(prompt), voucher_result::kBackToField);
    EXPECT_EQ(prompt.last(), "凭证重号，\n需要返回修改吗？");
    EXPECT_EQ(same.ErrorField, 3);
    CVoucher april(env, clock);
    EXPECT_EQ(save(april, "20260402", "0005"), voucher_result::kOk);
    // Changing only the summary of a saved voucher is no duplicate.
    voucher->lines[0][VoucherLine::Summary] = "改过";
    ScriptedPrompt yes;
    yes.queueAnswer(Answer::Yes);
    EXPECT_EQ(voucher->SaveWithConfirm(yes), voucher_result::kOk);
    EXPECT_EQ(count("SELECT count(*) FROM P0 WHERE MRY='改过' AND T='20260310'"), 1);
    // Moving it into April onto 0005 is.
    voucher->head[kHeadMonth] = "04";
    ScriptedPrompt moved;
    moved.queueAnswer(Answer::Yes);
    moved.queueAnswer(Answer::No);
    EXPECT_EQ(voucher->SaveWithConfirm(moved), voucher_result::kNotSaved);
    EXPECT_EQ(moved.last(), "凭证重号，\n需要返回修改吗？");
    EXPECT_EQ(count("SELECT count(*) FROM CERDIR WHERE T='20260310' AND CER='0005'"), 1);
}

TEST_F(VoucherTest, LinesAreStoredInOrderWithoutGapsAndRefusedLinesEmptied)
{
    env.db().execute("UPDATE SUBT SET OP='5' WHERE KNO='6001'");
    fill(*voucher, "20260310", "1",
         {{"两边都有", "1001", "30", "40"},
          {"", "", "", ""},
          {"有子科目", "1002", "10", ""},
          {"专用", "6001", "", "5"},
          {"付款", "1002-1", "", "30", "2.5"}});
    // The first line that cannot be stored is named; Yes goes back to it.
    ScriptedPrompt back;
    EXPECT_EQ(voucher->SaveWithConfirm(back), voucher_result::kBackToLine);
    EXPECT_EQ(back.texts(), std::vector<std::string>{"第3行的科目“1002”不存在、有子科目或不能在本软件中记帐，"
                                                     "该行不能存盘。\n需要返回修改吗？"});
    EXPECT_EQ(voucher->ErrorLine, 2);
    EXPECT_EQ(count("SELECT count(*) FROM CERDIR"), 0);
    // No: the save goes on without such lines, asked once.
    ScriptedPrompt yes;
    yes.queueAnswer(Answer::No);
    yes.queueAnswer(Answer::Yes);
    ASSERT_EQ(voucher->SaveWithConfirm(yes), voucher_result::kOk);
    EXPECT_EQ(yes.entries().size(), 2u);
    Database& db = env.db();
    EXPECT_EQ(count("SELECT count(*) FROM P0"), 2);
    EXPECT_EQ(count("SELECT count(*) FROM P0 WHERE RN=1 AND KNO='1001' AND F=1 AND MY=30 AND MK='2' AND TT='03'"), 1);
    EXPECT_EQ(count("SELECT count(*) FROM P0 WHERE RN=2 AND KNO='1002-1' AND F=-1 AND MY=30 AND NU=2.5"), 1);
    // The refused lines' cells were emptied.
    EXPECT_EQ(voucher->lines[2][VoucherLine::Subject], "");
    EXPECT_EQ(voucher->lines[3][VoucherLine::Credit], "");
    EXPECT_EQ(db.queryText("SELECT MK FROM CERDIR").value(), "2");
}

TEST_F(VoucherTest, AnAmountWithoutSubjectIsNamedBeforeTheSave)
{
    fill(*voucher, "20260310", "1", {{"现金", "1001", "30", ""}, {"银行", "", "", "30"}});
    ScriptedPrompt back;
    EXPECT_EQ(voucher->SaveWithConfirm(back), voucher_result::kBackToLine);
    EXPECT_EQ(back.last(), "第2行没有会计科目，该行不能存盘。\n需要返回修改吗？");
    EXPECT_EQ(voucher->ErrorLine, 1);
}

TEST_F(VoucherTest, TheStatusRisesToTwoOnlyWhenBalancedAndSummarised)
{
    struct Case {
        const char* credit;
        const char* summary;
        const char* status;
    };
    const Case cases[] = {{"99.999995", "付", "2"}, {"99.99", "付", "0"}, {"100", "", "0"}, {"100.00", "付", "2"}};
    int day = 1;
    for (const Case& c : cases) {
        CVoucher v(env, clock);
        fill(v, "202603" + std::string(day < 10 ? "0" : "") + std::to_string(day), std::to_string(day),
             {{"收", "1001", "100.00", ""}, {c.summary, "1002-1", "", c.credit}});
        ++day;
        ScriptedPrompt yes;
        yes.queueAnswer(Answer::Yes);
        ASSERT_EQ(v.SaveWithConfirm(yes), voucher_result::kOk);
        EXPECT_EQ(env.db().queryText("SELECT MK FROM CERDIR WHERE strcomp(CER,?1,0)=0", {v.CER}).value(), c.status)
            << c.credit << " '" << c.summary << "'";
        EXPECT_EQ(count("SELECT count(*) FROM P0 WHERE strcomp(CER,?1,0)=0 AND MK=?2", {v.CER, std::string(c.status)}), 2);
    }
    // 99.999995 is stored as the cent it rounds to.
    EXPECT_EQ(count("SELECT count(*) FROM P0 WHERE F=-1 AND MY=100"), 3);
}

TEST_F(VoucherTest, AVoucherReviewedByAnotherCopyIsNotOverwritten)
{
    ASSERT_EQ(save(*voucher, "20260310", "0001"), voucher_result::kOk);
    // B, the reviewer in another copy of the program, posts it while A still has it open.
    CKszwEnv reviewer;
    ASSERT_TRUE(login(reviewer, "101"));
    reviewer.db().execute("UPDATE CERDIR SET MK='4',OPN='101'");
    reviewer.db().execute("UPDATE P0 SET MK='4'");
    voucher->lines[0][VoucherLine::Summary] = "A 的修改";
    ScriptedPrompt yes;
    yes.queueAnswer(Answer::Yes);
    EXPECT_EQ(voucher->SaveWithConfirm(yes), voucher_result::kNotSaved);
    EXPECT_EQ(yes.last(), "原凭证已被复核，\n本次操作无效，请按回键返回！");
    EXPECT_EQ(count("SELECT count(*) FROM P0 WHERE MK='4' AND MRY='提现'"), 2);
    EXPECT_EQ(env.db().queryText("SELECT OPN FROM CERDIR").value(), "101");
    // Renumbered or redated by another copy: the key is gone.
    reviewer.db().execute("UPDATE CERDIR SET CER='0009'");
    EXPECT_EQ(voucher->Store(false, voucher->oldDate, voucher->oldNumber, 0), voucher_result::kChangedMeanwhile);
}

TEST_F(VoucherTest, AMonthClosedWhileTheSaveQuestionIsOpenTakesNothingAndKeepsTheVoucher)
{
    CKszwEnv other;
    ASSERT_TRUE(login(other, "101"));
    fill(*voucher, "20260110", "1", {{"x", "1001", "5", ""}, {"x", "1002-1", "", "5"}});
    PromptWithInterlude prompt;
    prompt.interlude = [&other] { other.db().execute("UPDATE SYSTAB SET MM=1"); };
    prompt.queueAnswer(Answer::Yes);
    prompt.queueAnswer(Answer::Yes);
    // Back to the month cell, with the lines as typed.
    EXPECT_EQ(voucher->SaveWithConfirm(prompt), voucher_result::kBackToField);
    EXPECT_EQ(prompt.last(), "不能在已月结月份内增加凭证！\n需要返回修改吗？");
    EXPECT_EQ(voucher->ErrorField, 1);
    EXPECT_EQ(voucher->lines[0][VoucherLine::Debit], "5");
    EXPECT_TRUE(voucher->isNew);
    EXPECT_EQ(count("SELECT count(*) FROM CERDIR"), 0);
    EXPECT_EQ(count("SELECT count(*) FROM P0"), 0);
    // Moved to February it is saved.
    voucher->head[kHeadMonth] = "02";
    ScriptedPrompt yes;
    yes.queueAnswer(Answer::Yes);
    EXPECT_EQ(voucher->SaveWithConfirm(yes), voucher_result::kOk);
    EXPECT_EQ(count("SELECT count(*) FROM CERDIR WHERE T='20260210'"), 1);
}

TEST_F(VoucherTest, AnEngineErrorHalfWayLeavesTheStoredVoucherAsItWas)
{
    ASSERT_EQ(save(*voucher, "20260310", "0001"), voucher_result::kOk);
    // A statement of the save that fails after the old rows were deleted.
    test::addRefusingTrigger(env.db(), "refuse", "BEFORE INSERT", "P0", "NEW.MRY='坏'", "refused");
    voucher->lines[1][VoucherLine::Summary] = "坏";
    ScriptedPrompt yes;
    yes.queueAnswer(Answer::Yes);
    EXPECT_THROW(voucher->SaveWithConfirm(yes), DatabaseError);
    EXPECT_EQ(count("SELECT count(*) FROM CERDIR WHERE CER='0001'"), 1);
    EXPECT_EQ(count("SELECT count(*) FROM P0 WHERE CER='0001' AND MRY='提现'"), 2);
    EXPECT_FALSE(env.db().inTransaction());
}

TEST_F(VoucherTest, TwoCopiesSavingTheSameNumberCannotBothSucceed)
{
    constexpr int kCopies = 4;
    std::vector<int> results(kCopies);
    std::vector<std::thread> copies;
    for (int i = 0; i < kCopies; ++i)
        copies.emplace_back([this, i, &results] {
            CKszwEnv copy;
            if (!login(copy, "102"))
                return;
            CVoucher v(copy, clock);
            fill(v, "20260311", "0042", {{"x", "1001", "5", ""}, {"x", "1002-1", "", "5"}});
            ScriptedPrompt prompt;
            prompt.queueAnswer(Answer::Yes);
            prompt.queueAnswer(Answer::No);
            results[static_cast<size_t>(i)] = v.SaveWithConfirm(prompt);
        });
    for (std::thread& copy : copies)
        copy.join();
    EXPECT_EQ(std::count(results.begin(), results.end(), voucher_result::kOk), 1);
    EXPECT_EQ(count("SELECT count(*) FROM CERDIR WHERE CER='0042'"), 1);
    EXPECT_EQ(count("SELECT count(*) FROM P0 WHERE CER='0042'"), 2);
}

TEST_F(VoucherTest, DeletingAsksAndRefusesReviewedAndForeignVouchers)
{
    ASSERT_EQ(save(*voucher, "20260310", "0001"), voucher_result::kOk);
    CVoucher target(env, clock);
    target.T = "20260310";
    target.CER = "0001";
    ScriptedPrompt no;
    target.DeleteVoucher("0", no);
    EXPECT_EQ(no.texts(), std::vector<std::string>{"真的要删除该凭证吗？"});
    EXPECT_EQ(count("SELECT count(*) FROM CERDIR"), 1);
    env.db().execute("UPDATE CERDIR SET LY='5'");
    ScriptedPrompt foreign;
    target.DeleteVoucher("0", foreign);
    EXPECT_EQ(foreign.texts(), std::vector<std::string>{"不能删除其他软件生成的凭证！"});
    env.db().execute("UPDATE CERDIR SET LY='0'");
    // Reviewed by another copy while the question was open: not deleted.
    CKszwEnv reviewer;
    ASSERT_TRUE(login(reviewer, "101"));
    PromptWithInterlude meanwhile;
    meanwhile.interlude = [&reviewer] { reviewer.db().execute("UPDATE CERDIR SET MK='4'"); };
    meanwhile.queueAnswer(Answer::Yes);
    target.DeleteVoucher("0", meanwhile);
    EXPECT_EQ(meanwhile.last(), "该凭证已被复核，不能删除！");
    EXPECT_EQ(count("SELECT count(*) FROM P0"), 2);
    env.db().execute("UPDATE CERDIR SET MK='2'");
    ScriptedPrompt yes;
    yes.queueAnswer(Answer::Yes);
    target.DeleteVoucher("0", yes);
    EXPECT_EQ(count("SELECT count(*) FROM CERDIR"), 0);
    EXPECT_EQ(count("SELECT count(*) FROM P0"), 0);
}

TEST_F(VoucherTest, TheOpenListOffersTheMakersUnreviewedVouchersOfOpenMonths)
{
    ASSERT_EQ(save(*voucher, "20260110", "0001"), voucher_result::kOk);
    CVoucher second(env, clock);
    ASSERT_EQ(save(second, "20260305", "0002", 45.5), voucher_result::kOk);
    insertHeader(env.db(), "20260306", "0003", "4");
    insertHeader(env.db(), "20260307", "0004", "2", "103");
    env.db().execute("UPDATE SYSTAB SET MM=1");
    std::vector<OpenableVoucher> openable = openableVouchers(env);
    ASSERT_EQ(openable.size(), 1u);
    EXPECT_EQ(openable[0].line(), "2026.03.05  0002");
    // Opening it gives its lines and one empty line for more.
    CVoucher opened(env, clock);
    ScriptedPrompt prompt;
    ASSERT_EQ(opened.OpenVoucher("20260305", "0002", prompt), 1);
    EXPECT_EQ(opened.lineCount(), 3);
    EXPECT_EQ(opened.lines[0][VoucherLine::Debit], "45.5");
    EXPECT_EQ(opened.lines[1][VoucherLine::Credit], "45.5");
    EXPECT_EQ(opened.lines[1][VoucherLine::Display], "1002-1 工商银行");
    EXPECT_EQ(opened.head, (std::array<std::string, 5>{"2026", "03", "05", "0002", "1"}));
    EXPECT_FALSE(opened.isNew);
    EXPECT_EQ(opened.OpenVoucher("20260306", "0003", prompt), 0);
    EXPECT_EQ(prompt.last(), "该凭证已被复核，请按回车键退出！");
    EXPECT_EQ(opened.OpenVoucher("20260306", "0009", prompt), 0);
    EXPECT_EQ(prompt.last(), "该凭证不存在，请按回车键退出！");
}

TEST_F(VoucherTest, ANewVoucherStartsTodayWithTheNextNumber)
{
    insertHeader(env.db(), "20260301", "0007");
    voucher->ResetAsNew();
    EXPECT_EQ(voucher->head, (std::array<std::string, 5>{"2026", "3", "15", "0008", "0"}));
    EXPECT_EQ(voucher->lineCount(), 1);
    EXPECT_TRUE(voucher->isNew);
    // With classes the number waits for the class code.
    addClasses(env.db(), {"A"});
    voucher->ResetAsNew();
    EXPECT_EQ(voucher->head[kHeadNumber], "");
}

TEST_F(VoucherTest, TotalsCountTheDebitOfALineWithBothAmounts)
{
    fill(*voucher, "20260310", "1", {{"a", "1001", "10", "3"}, {"b", "1002-1", "", "7.125"}, {"c", "1122", "0.000001", "2"}});
    const VoucherTotals totals = voucher->ComputeTotals();
    EXPECT_DOUBLE_EQ(totals.debit, 10.0);
    // Each amount counts as the cent it is stored as: 7.125 as 7.13, 0.000001 as nothing.
    EXPECT_DOUBLE_EQ(totals.credit, 9.13);
    EXPECT_NEAR(totals.difference, 0.87, 1e-9);
}

} // namespace
} // namespace kszw::test
