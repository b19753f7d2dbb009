// kszw-cli demo: the demonstration account set, made through the operations a user's actions use.
#include "chart/opening_balances.h"
#include "chart/subjects.h"
#include "common/prompt.h"
#include "formula/format_number.h"
#include "ledger/ledger_conventions.h"
#include "ledger/three_column_ledger.h"
#include "session/kszw_env.h"
#include "session/user_settings.h"
#include "store/database.h"
#include "support/temp_dir.h"
#include "templates/caculate_child.h"
#include "templates/template_generation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace kszw {
namespace {

using test::shellQuote;

TEST(CliDemo, MakesABalancedSetWithAReviewerAndAChart)
{
    test::TempDir dir;
    std::string output;
    ASSERT_EQ(test::runCommand(shellQuote(KSZW_CLI_PATH) + " demo " + shellQuote(dir.file("demo")) + " --year 2026",
                               output),
              0);
    EXPECT_EQ(output, dir.file("demo/2026.ksk") + "\n");
    // The reviewer logs in with every working right.
    CKszwEnv reviewer;
    ScriptedPrompt prompt;
    ASSERT_TRUE(confirmLogin(reviewer, dir.file("demo/2026.ksk"), "103", "", prompt));
    MemoryUserSettings settings;
    reviewer.completeLogin(settings);
    EXPECT_EQ(reviewer.permissionText().size(), 22u * 5);
    EXPECT_FALSE(reviewer.hasPermission("0101"));
    EXPECT_EQ(reviewer.unitName(), "岚屿穗示范机械有限公司");
    Database& db = reviewer.db();
    EXPECT_EQ(db.queryLong("SELECT count(*) FROM SUBT"), 37);
    EXPECT_EQ(subjectAttributes(db, "1002-3")->kind, "2");
    EXPECT_EQ(db.queryText("SELECT trim(HO) FROM WBT WHERE WNO='1'").value(), "6603");
    EXPECT_GE(db.queryLong("SELECT count(*) FROM WBR"), 1);
    EXPECT_EQ(subjectAttributes(db, "1403")->kind, "1");
    EXPECT_EQ(subjectAttributes(db, "6602")->multiColumn, "1");
    // Debits and credits of the opening balances agree.
    OpeningBalanceLevel top = openingBalanceLevel(db, "");
    EXPECT_DOUBLE_EQ(top.debitTotal, 1110000.0);
    EXPECT_DOUBLE_EQ(top.creditTotal, 1110000.0);
    EXPECT_DOUBLE_EQ(openingBalance(db, "1403")->quantity, 12.0);
    // The year's vouchers so far, by 102, all complete; every line on a usable subject.
    EXPECT_GT(db.queryLong("SELECT count(*) FROM CERDIR"), 150);
    EXPECT_EQ(db.queryLong("SELECT count(*) FROM CERDIR WHERE (MK<>'2' AND MK<>'4') OR OPP<>'102'"), 0);
    // 103 reviewed every month before the last one and half of the last; every month before the
    // last two is closed.
    const int last = db.queryLong("SELECT max(val(TT)) FROM CERDIR");
    EXPECT_EQ(db.queryLong("SELECT count(*) FROM CERDIR WHERE val(TT)<?1 AND (MK<>'4' OR OPN<>'103')", {last}), 0);
    const int lastCount = db.queryLong("SELECT count(*) FROM CERDIR WHERE val(TT)=?1", {last});
    EXPECT_EQ(db.queryLong("SELECT count(*) FROM CERDIR WHERE val(TT)=?1 AND MK='4'", {last}), lastCount / 2);
    EXPECT_EQ(db.queryLong("SELECT MM FROM SYSTAB"), std::max(0, last - 2));
    EXPECT_EQ(db.queryLong("SELECT count(*) FROM P0 WHERE RN>0 AND MK<>(SELECT MK FROM CERDIR C WHERE C.T=P0.T "
                           "AND C.CER=P0.CER)"),
              0);
    EXPECT_EQ(db.queryLong("SELECT count(*) FROM P0 WHERE RN>0 AND trim(KNO) NOT IN (SELECT trim(KNO) FROM SUBT)"), 0);
    EXPECT_NEAR(db.queryDouble("SELECT sum(F*MY) FROM P0 WHERE RN>0").value(), 0.0, 0.001);
    EXPECT_GT(db.queryLong("SELECT count(*) FROM P0 WHERE trim(KNO)='1403' AND RN>0 AND NU>0"), 10);
    // The books look like a real company's: money, debts and stock stay on their own side all year.
    struct Side {
        const char* subject;
        int sign; // +1 a debit balance, -1 a credit balance
    };
    for (const Side& side : {Side{"1001", 1}, Side{"1002", 1}, Side{"1122", 1}, Side{"1403", 1},
                             Side{"2202", -1}, Side{"2211", -1}}) {
        // The opening row (RN 0, dated the year's first day) comes first.
        const double lowest =
            db.queryDouble("SELECT min(running) FROM (SELECT sum(F*MY*?2) OVER (ORDER BY T, RN>0, CER, RN) AS running "
                           "FROM P0 WHERE trim(KNO)=?1 OR KNO LIKE ?1 || '-%') AS ledger",
                           {side.subject, side.sign})
                .value_or(-1.0);
        EXPECT_GE(lowest, -0.001) << side.subject;
    }

    // The two month-end templates: depreciation of March from the fixed assets at the end of
    // February, and the expenses carried over, each balancing.
    const AccountingCalendar calendar = yearCalendar(db);
    ASSERT_EQ(listTemplates(db).size(), 2u);
    EXPECT_EQ(templateListLine(listTemplates(db)[0]), "1       计提折旧");
    TemplateRun depreciation(db, calendar, "2026.ksk", "20260331");
    ASSERT_FALSE(depreciation.start(1));
    depreciation.runAll();
    ASSERT_FALSE(depreciation.hasFailures());
    EXPECT_DOUBLE_EQ(depreciation.debitTotal(), 3300.0);
    EXPECT_DOUBLE_EQ(depreciation.creditTotal(), 3300.0);
    // 结转损益 carries the revenue and the expenses of a month to 本年利润: every closed month has
    // had it, so its revenue and expense subjects end at zero; the month before the last is
    // reviewed but not yet carried over.
    for (int month = 1; month <= last - 2; ++month) {
        EXPECT_GE(db.queryLong("SELECT count(*) FROM P0 WHERE val(TT)=?1 AND trim(MRY)='结转本月费用' AND MK='4'", {month}),
                  1)
            << month;
        EXPECT_NEAR(db.queryDouble("SELECT sum(F*MY) FROM P0 WHERE substr(KNO,1,1)='6' AND val(TT)<=?1", {month})
                        .value_or(0),
                    0.0, 0.001)
            << month;
    }
    const int open = std::max(1, last - 1);
    TemplateRun transfer(db, calendar, "2026.ksk", calendar.period(open).last);
    ASSERT_FALSE(transfer.start(2));
    transfer.runAll();
    ASSERT_FALSE(transfer.hasFailures());
    EXPECT_GT(transfer.debitTotal(), 0.0);
    EXPECT_NEAR(transfer.debitTotal(), transfer.creditTotal(), 0.001);
    // A data function gives what the ledger shows: 应收账款 at the end of March.
    CCaculateChild evaluator(db, calendar, "2026.ksk", CivilDate{2026, 3, 31});
    double balance = 0;
    ASSERT_TRUE(evaluator.CalcNumber(balance, "ye(\"1122\",3)"));
    const std::vector<LedgerRow> rows = BuildDetailText(db, calendar, {"1122", 3, 3});
    EXPECT_EQ(rows.back().cells[7], FormatNumber(std::fabs(balance), 0, 2, 2));
    EXPECT_EQ(rows.back().cells[6], balance >= 0 ? "借" : "贷");

    // A second demo into the same folder is refused: it is an account set already.
    EXPECT_EQ(test::runCommand(shellQuote(KSZW_CLI_PATH) + " demo " + shellQuote(dir.file("demo")) + " 2>&1", output), 1);
    EXPECT_EQ(output, "该路径已被岚屿穗用户使用！\n");
}

// --date fixes the day the books run to, so the same demo can be made again on any day.
TEST(CliDemo, RunsItsBooksToTheDayGiven)
{
    test::TempDir dir;
    std::string output;
    const std::string demo = shellQuote(KSZW_CLI_PATH) + " demo ";
    ASSERT_EQ(test::runCommand(demo + shellQuote(dir.file("a")) + " --year 2026 --date 20260315", output), 0) << output;
    ASSERT_EQ(test::runCommand(demo + shellQuote(dir.file("b")) + " --year 2026 --date 20260315", output), 0) << output;
    Database a = Database::open(dir.file("a/2026.ksk"));
    Database b = Database::open(dir.file("b/2026.ksk"));
    EXPECT_EQ(a.queryText("SELECT max(T) FROM CERDIR").value(), "20260315");
    EXPECT_EQ(a.queryLong("SELECT MM FROM SYSTAB"), 1); // March is the last month: January is closed
    const char* fingerprint = "SELECT count(*) || '/' || sum(MY) FROM P0";
    EXPECT_EQ(a.queryText(fingerprint), b.queryText(fingerprint));

    for (const char* bad : {"2026031", "20260230", "march"}) {
        EXPECT_EQ(test::runCommand(demo + shellQuote(dir.file("c")) + " --date " + bad + " 2>&1", output), 2) << bad;
        EXPECT_NE(output.find("--date takes a day as YYYYMMDD"), std::string::npos) << output;
    }
}

} // namespace
} // namespace kszw
