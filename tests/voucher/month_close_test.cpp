// Month-end close: every check in its order with its message, the questions that default to No,
// and two copies of the program closing at once.
#include "voucher/voucher_fixture.h"

#include "voucher/month_close.h"

namespace kszw::test {
namespace {

class MonthCloseTest : public VoucherTest {
protected:
    int closedMonths() { return count("SELECT MM FROM SYSTAB"); }

    // Closes with the given answers; the texts told and asked.
    std::vector<std::string> close(std::initializer_list<Answer> answers, bool* closed = nullptr)
    {
        ScriptedPrompt prompt;
        for (Answer answer : answers)
            prompt.queueAnswer(answer);
        int months = -1;
        const bool done = closeMonth(env.db(), prompt, months);
        if (closed)
            *closed = done;
        if (done) {
            EXPECT_EQ(months, closedMonths());
        }
        return prompt.texts();
    }
};

TEST_F(MonthCloseTest, TheMonthOfferedIsTheFirstOpenOne)
{
    MonthToClose next = monthToClose(env.db());
    EXPECT_EQ(next.month, 1);
    EXPECT_EQ(next.code, "01");
    EXPECT_EQ(next.label, "2026 年 01 月");
    env.db().execute("UPDATE SYSTAB SET MM=9");
    EXPECT_EQ(monthToClose(env.db()).label, "2026 年 10 月");
}

TEST_F(MonthCloseTest, AnEmptyMonthIsClosedOnlyAfterTheQuestionAndWithoutOtherChecks)
{
    bool closed = true;
    // Enter on the question is No.
    EXPECT_EQ(close({}, &closed), std::vector<std::string>{std::string(kEmptyMonthQuestion)});
    EXPECT_FALSE(closed);
    EXPECT_EQ(closedMonths(), 0);
    // An unbalanced opening row would refuse a month with vouchers; an empty month skips the test.
    env.db().execute("INSERT INTO P0(T,CER,RN,MRY,KNO,F,MY,NU,MK,TT) VALUES('20260101','    ',0,'','1001',1,5,0,'4','01')");
    close({Answer::Yes}, &closed);
    EXPECT_TRUE(closed);
    EXPECT_EQ(closedMonths(), 1);
}

TEST_F(MonthCloseTest, EachCheckRefusesWithItsMessage)
{
    const struct {
        const char* name;
        std::vector<const char*> classes;
        std::vector<std::pair<const char*, const char*>> vouchers; // number, status
        bool unbalancedOpening;
        std::string message;
    } cases[] = {
        {"one unreviewed", {}, {{"0001", "4"}, {"0002", "2"}}, false, std::string(kUnreviewedLeft)},
        {"a gap", {}, {{"0001", "4"}, {"0003", "4"}}, false, std::string(kNumbersNotContinuous)},
        {"a class gap", {"A", "B"}, {{"A001", "4"}, {"A002", "4"}, {"A004", "4"}, {"B001", "4"}}, false,
         classNumbersNotContinuous("A")},
        {"the opening rows of January", {}, {{"0001", "4"}}, true, std::string(kNotBalanced)},
    };
    for (const auto& c : cases) {
        env.db().execute("DELETE FROM CERDIR");
        env.db().execute("DELETE FROM P0");
        env.db().execute("DELETE FROM CERCLS");
        for (const char* code : c.classes)
            env.db().execute("INSERT INTO CERCLS(CNO,NA) VALUES(?1,'类')", {std::string(code)});
        for (const auto& [number, mk] : c.vouchers)
            insertBalancedVoucher(env.db(), "20260110", number, 100, mk, "102", "103");
        if (c.unbalancedOpening)
            env.db().execute("INSERT INTO P0(T,CER,RN,MRY,KNO,F,MY,NU,MK,TT) "
                             "VALUES('20260101','    ',0,'','1001',1,5,0,'4','01')");
        ScriptedPrompt prompt;
        int months = 0;
        EXPECT_FALSE(closeMonth(env.db(), prompt, months)) << c.name;
        EXPECT_EQ(prompt.texts(), std::vector<std::string>{c.message}) << c.name;
        EXPECT_EQ(prompt.entries()[0].icon, Icon::Stop) << c.name;
        EXPECT_EQ(closedMonths(), 0) << c.name;
    }
}

TEST_F(MonthCloseTest, AMonthInOrderIsClosedAfterTheLastQuestionAndTheNextMonthDoesNotMatter)
{
    env.db().execute("INSERT INTO CERCLS(CNO,NA) VALUES('A','现金'),('B','银行')");
    for (const char* number : {"A001", "A002", "A003", "B001"})
        insertBalancedVoucher(env.db(), "20260120", number, 100, "4", "102", "103");
    // February: unreviewed, with a gap.
    insertBalancedVoucher(env.db(), "20260201", "A002", 100, "0");
    bool closed = true;
    EXPECT_EQ(close({Answer::No}, &closed), std::vector<std::string>{std::string(kCloseQuestion)});
    EXPECT_FALSE(closed);
    EXPECT_EQ(closedMonths(), 0);
    close({Answer::Yes}, &closed);
    EXPECT_TRUE(closed);
    EXPECT_EQ(closedMonths(), 1);
    // February is offered next, and refused.
    EXPECT_EQ(close({Answer::Yes}), std::vector<std::string>{std::string(kUnreviewedLeft)});
}

TEST_F(MonthCloseTest, AYearWithEveryMonthClosedIsNotClosedFurther)
{
    env.db().execute("UPDATE SYSTAB SET MM=12");
    EXPECT_EQ(close({Answer::Yes}), std::vector<std::string>{std::string(kAllMonthsClosed)});
    EXPECT_EQ(closedMonths(), 12);
}

TEST_F(MonthCloseTest, TwoCopiesClosingAtOnceCloseOneMonth)
{
    insertBalancedVoucher(env.db(), "20260110", "0001", 100, "4", "102", "103");
    CKszwEnv other;
    ASSERT_TRUE(login(other, "101"));
    PromptWithInterlude prompt;
    // While this copy's question is open, the other one closes January.
    prompt.interlude = [&other] {
        ScriptedPrompt yes;
        yes.queueAnswer(Answer::Yes);
        int months = 0;
        EXPECT_TRUE(closeMonth(other.db(), yes, months));
    };
    prompt.queueAnswer(Answer::Yes);
    int months = 0;
    EXPECT_FALSE(closeMonth(env.db(), prompt, months));
    EXPECT_EQ(prompt.last(), kClosedMeanwhile);
    EXPECT_EQ(closedMonths(), 1);
}

TEST_F(MonthCloseTest, AVoucherSavedIntoTheEmptyMonthDuringTheQuestionStopsTheClose)
{
    // Even a reviewed, balanced voucher: the user agreed to close an empty month, not this one.
    CKszwEnv other;
    ASSERT_TRUE(login(other, "101"));
    PromptWithInterlude prompt;
    prompt.interlude = [&other] { insertBalancedVoucher(other.db(), "20260110", "0001", 100, "4", "102", "103"); };
    prompt.queueAnswer(Answer::Yes);
    int months = 0;
    EXPECT_FALSE(closeMonth(env.db(), prompt, months));
    EXPECT_EQ(prompt.last(), kVouchersMeanwhile);
    EXPECT_EQ(closedMonths(), 0);
    // Asked again, the month is checked and asked about as a month with vouchers.
    EXPECT_EQ(close({Answer::Yes}), std::vector<std::string>{std::string(kCloseQuestion)});
    EXPECT_EQ(closedMonths(), 1);
}

TEST_F(MonthCloseTest, TheChecksComeInTheirOrderAndTheLastQuestionDefaultsToNo)
{
    // Unreviewed, a gap and out of balance at once: the unreviewed voucher is named.
    insertBalancedVoucher(env.db(), "20260110", "0001", 100, "2", "102");
    insertBalancedVoucher(env.db(), "20260111", "0003", 100, "4", "102", "103");
    env.db().execute("INSERT INTO P0(T,CER,RN,MRY,KNO,F,MY,NU,MK,TT) VALUES('20260101','    ',0,'','1001',1,5,0,'4','01')");
    EXPECT_EQ(close({Answer::Yes}), std::vector<std::string>{std::string(kUnreviewedLeft)});
    // Reviewed: the gap comes before the balance.
    env.db().execute("UPDATE CERDIR SET MK='4', OPN='103'");
    env.db().execute("UPDATE P0 SET MK='4'");
    EXPECT_EQ(close({Answer::Yes}), std::vector<std::string>{std::string(kNumbersNotContinuous)});
    // Without the gap, the balance.
    env.db().execute("UPDATE CERDIR SET CER='0002' WHERE CER='0003'");
    env.db().execute("UPDATE P0 SET CER='0002' WHERE CER='0003'");
    EXPECT_EQ(close({Answer::Yes}), std::vector<std::string>{std::string(kNotBalanced)});
    // In balance: the question, and Enter alone (no answer given) leaves the month open.
    env.db().execute("DELETE FROM P0 WHERE RN=0");
    bool closed = true;
    EXPECT_EQ(close({}, &closed), std::vector<std::string>{std::string(kCloseQuestion)});
    EXPECT_FALSE(closed);
    EXPECT_EQ(closedMonths(), 0);
}

} // namespace
} // namespace kszw::test
