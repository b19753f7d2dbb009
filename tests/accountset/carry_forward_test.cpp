// The new-year carry-forward on real year files of one account-set folder: finding the earlier
// year, the questions' texts, merging the chart, the legality pass, templates, the balance carry
// with its signs and per-subject checks, and a run that fails leaving the year as it was.
#include "accountset/carry_forward.h"
#include "accountset/year_file.h"
#include "chart/chart_import.h"
#include "common/prompt.h"
#include "ledger/quantity_ledger.h"
#include "session/kszw_env.h"
#include "store/database.h"
#include "store/database_error.h"
#include "store/ks_dbset.h"
#include "support/temp_dir.h"
#include "support/engine_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace kszw::test {
namespace {

constexpr const char* kChartHeader = "code,name,kind,unit,multi_column,direction,width\n";

class CarryForward : public ::testing::Test {
protected:
    std::string yearFile(int year) { return dir.file(std::to_string(year) + ".ksk"); }

    // A year file of the folder with a chart.
    Database makeYear(int year, const std::string& chart)
    {
        createYearFile(yearFile(year), year);
        Database db = Database::open(yearFile(year));
        if (!chart.empty()) {
            const ImportResult imported = importSubjects(db, std::string(kChartHeader) + chart);
            EXPECT_TRUE(imported.ok) << imported.text();
        }
        return db;
    }

    // An opening row (number of four blanks) or a posted voucher line.
    static void row(Database& db, const std::string& date, const std::string& number, const std::string& code, int f,
                    double amount, double quantity = 0, const std::string& mk = "4")
    {
        db.execute("INSERT INTO P0(T,CER,RN,MRY,KNO,F,MY,NU,MK,TT) VALUES(?1,?2,1,'x',?3,?4,?5,?6,?7,'01')",
                   {date, number, code, std::int64_t{f}, amount, quantity, mk});
    }

    void logIn(int year)
    {
        ASSERT_TRUE(confirmLogin(env, yearFile(year), "101", "", prompt)) << prompt.last();
    }

    // The carried rows of the open year: code|f|my|nu.
    std::vector<std::string> openingRows()
    {
        std::vector<std::string> rows;
        KS_Dbset query(env.db());
        for (query.open("SELECT trim(KNO),F,MY,NU FROM P0 WHERE CER='    ' ORDER BY KNO"); !query.isEOF();
             query.moveNext())
            rows.push_back(query.textAt(0) + "|" + std::to_string(query.longAt(1)) + "|" +
                           format2(query.doubleAt(2)) + "|" + format2(query.doubleAt(3)));
        return rows;
    }
    static std::string format2(double value)
    {
        char text[64];
        std::snprintf(text, sizeof text, "%.2f", value);
        return text;
    }

    std::string runAll(CarrySelection selection = {})
    {
        CYearCarryForward carry(env);
        const std::optional<std::string> refusal = carry.open();
        EXPECT_FALSE(refusal) << *refusal;
        return carry.run(selection, prompt);
    }

    TempDir dir;
    CKszwEnv env;
    ScriptedPrompt prompt;
};

TEST_F(CarryForward, TheEarlierYearIsTheFirstFileOfTheTenYearsBefore)
{
    KSZW_FILE_ENGINE_ONLY();
    makeYear(2007, "");
    makeYear(1996, "1001,库存现金,0,,0,0,0\n");
    EXPECT_EQ(findEarlierYearFile(dir.path().string(), 2007), std::nullopt);
    makeYear(2005, "1001,库存现金,0,,0,0,0\n");
    EXPECT_EQ(findEarlierYearFile(dir.path().string(), 2007), yearFile(2005));
    logIn(2007);
    CYearCarryForward carry(env);
    ASSERT_FALSE(carry.open());
    EXPECT_EQ(carry.earlierYear(), 2005);
    EXPECT_FALSE(carry.currentHadChart());

    // A 2006 that cannot be opened as a year file is told, never passed over for 2005.
    { std::ofstream(dir.file("2006.KSK")) << "not a year file"; }
    const std::optional<std::string> refusal = carry.open();
    ASSERT_TRUE(refusal);
    EXPECT_NE(refusal->find("2006.KSK"), std::string::npos) << *refusal;
    // A 2006 that may only be read is still the earlier year: it is only read.
    std::filesystem::remove(dir.file("2006.KSK"));
    makeYear(2006, "1002,银行存款,0,,0,0,0\n").close();
    std::filesystem::permissions(yearFile(2006), std::filesystem::perms::owner_write, std::filesystem::perm_options::remove);
    ASSERT_FALSE(carry.open());
    EXPECT_EQ(carry.earlierYear(), 2006);
}

TEST_F(CarryForward, NothingToCarryIsToldBeforeTheDialogOpens)
{
    makeYear(2026, "");
    logIn(2026);
    CYearCarryForward carry(env);
    EXPECT_EQ(carry.open(), std::string("本帐套最近十年内无任何年度数据，无需结转!"));
    makeYear(2025, "");
    EXPECT_EQ(carry.open(), std::string("上年度无数据，无需结转!"));
}

TEST_F(CarryForward, TheQuestionsBeforeTheRun)
{
    Database earlier = makeYear(2025, "1001,库存现金,0,,0,0,0\n");
    makeYear(2026, "");
    logIn(2026);
    CYearCarryForward carry(env);
    ASSERT_FALSE(carry.open());
    EXPECT_EQ(carry.checkReport({}).find("注意"), std::string::npos); // no vouchers: nothing is left behind
    earlier.execute("INSERT INTO CERDIR(T,CER,OPP,PN,LY,MK,TT) VALUES('20251201','0001','102',0,'0','2','12')");
    CarrySelection selection;
    selection.classes = false;
    EXPECT_EQ(CYearCarryForward::selectionQuestion(selection),
              "选择情况：\r\r\t① 会 计 科 目 表     (√)\r\r\t② 凭 证 分 类 表     (×)\r\r\t③ 分 录 模 板 表     (√)"
              "\r\r\t④ 帐 户 余 额 表     (√)\t\r\r以上选择正确吗？");
    const std::string report = carry.checkReport(selection);
    EXPECT_EQ(report.substr(0, report.find("\r\r说明")),
              "\r检查结果报告：\r\r    ① 会计科目表，本年度未建立。\r    ② 凭证分类表，未检查。"
              "\r    ③ 分录模板表，本年度未建立。\r    ④ 帐户余额表，本年度未建立。");
    // The earlier year's months are not closed: its unposted lines stay behind, and it says so.
    EXPECT_NE(report.find("\r\r注意：上年度尚有1张凭证未复核登帐，有12个月份尚未结帐，未登帐凭证的金额不在结转的余额之中。"),
              std::string::npos);
    EXPECT_TRUE(report.ends_with("\r\r你现在就想进行复制结转吗？"));
}

TEST_F(CarryForward, BalancesCarryWithTheirSignsAndTheirChecks)
{
    Database earlier = makeYear(2025,
                                "1001,库存现金,0,,0,0,0\n1002,银行存款,0,,0,0,0\n1122,应收账款,0,,0,0,0\n"
                                "1403,原材料,1,吨,0,0,0\n2001,短期借款,0,,0,0,0\n6602,管理费用,0,,0,0,0\n");
    // A foreign-currency loan: kind 2 in both years.
    earlier.execute("UPDATE SUBT SET FZ='2' WHERE trim(KNO)='2001'");
    row(earlier, "20250101", "    ", "1001", 1, 1000);
    row(earlier, "20250110", "0001", "1001", 1, 234.5);
    row(earlier, "20250111", "0002", "1001", 1, 99, 0, "2"); // not posted: stays behind
    row(earlier, "20250110", "0001", "2001", -1, 650, 100);  // credit 650.00, 100 dollars
    row(earlier, "20250112", "0003", "1002", -1, 1234.5);
    row(earlier, "20250113", "0004", "1122", 1, 500);
    row(earlier, "20250114", "0005", "1403", 1, 100, 5);     // five tons bought
    row(earlier, "20250115", "0005", "1403", -1, 100, 0);    // their money moved on: quantity only
    row(earlier, "20250116", "0006", "6602", 1, 0.000001);   // nothing to carry

    Database current = makeYear(2026, "1001,库存现金,0,,0,0,0\n1002,银行存款,0,,0,0,0\n1122,应收账款,0,,0,0,0\n"
                                      "1122-1,甲公司,0,,0,0,0\n1403,原材料,1,吨,0,0,0\n2001,短期借款,0,,0,0,0\n"
                                      "6602,管理费用,0,,0,0,0\n");
    current.execute("UPDATE SUBT SET FZ='2' WHERE trim(KNO)='2001'");
    logIn(2026);
    const std::string result = runAll();
    EXPECT_EQ(openingRows(), (std::vector<std::string>{"1001|1|1234.50|0.00", "1002|-1|1234.50|0.00",
                                                       "1403|-1|0.00|-5.00", "2001|-1|650.00|100.00"}));
    // F*NU gives the earlier quantities back: 5 tons in stock, 100 dollars owed.
    EXPECT_DOUBLE_EQ(env.db().queryDouble("SELECT sum(F*NU) FROM P0 WHERE trim(KNO)='1403'").value(), 5.0);
    EXPECT_DOUBLE_EQ(env.db().queryDouble("SELECT sum(F*NU) FROM P0 WHERE trim(KNO)='2001'").value(), -100.0);
    // The new year's ledgers open with them: 贷 100 dollars / 650.00, and 5 tons worth nothing.
    const AccountingCalendar calendar(2026, "20260101", "20261231", "031");
    const QuantityLedger loan = buildQuantityLedger(env.db(), calendar, "2001", 1, 1, QuantityKind::Currency);
    EXPECT_DOUBLE_EQ(loan.openingQuantity, -100.0);
    EXPECT_DOUBLE_EQ(loan.openingAmount, -650.0);
    const QuantityLedger stock = buildQuantityLedger(env.db(), calendar, "1403", 1, 1, QuantityKind::Quantity);
    EXPECT_DOUBLE_EQ(stock.openingQuantity, 5.0);
    EXPECT_DOUBLE_EQ(stock.openingAmount, 0.0);
    EXPECT_EQ(env.db().queryLong("SELECT count(*) FROM P0 WHERE CER='    ' AND (T<>'20260101' OR RN<>0 OR "
                                 "MRY<>'  上 年  结  转' OR MK<>'4' OR TT<>'01')"),
              0);
    // 1122 gained a child: no row, a warning, and the test shows the difference.
    EXPECT_EQ(prompt.texts(),
              std::vector<std::string>{"警告：\r\v本年度“1122”科目已有子科目，其余额不能结转\r\v按确认钮继续！"});
    EXPECT_EQ(result, "余额平衡性检测结果：\r\r    借方合计：1234.50\r\r    贷方合计：1884.50\r\r    借 － 贷：-650.00"
                      "\r\r不平原因：\r    一、在结转时某些帐户属性已被用户更改，导致其余额不能转入；"
                      "\r    二、可能是上年度余额不平造成的。\r\r未结转的余额：“1122”借 500.00。");

    // A second run replaces the carried rows instead of adding to them.
    prompt.clear();
    runAll();
    EXPECT_EQ(env.db().queryLong("SELECT count(*) FROM P0 WHERE CER='    '"), 4);
}

TEST_F(CarryForward, ChangedSubjectsAskOrWarnBeforeTheirBalanceComes)
{
    Database earlier = makeYear(2025, "1001,库存现金,0,,0,0,0\n1403,原材料,1,吨,0,0,0\n1405,库存商品,0,,0,0,0\n"
                                      "2202,应付账款,0,,0,0,0\n");
    for (const char* code : {"1001", "1403", "1405", "2202"})
        row(earlier, "20250101", "    ", code, 1, 10, 1);
    Database current = makeYear(2026, "1001,现金,0,,0,0,0\n1403,原材料,0,,0,0,0\n1405,库存商品,0,,0,0,0\n"
                                      "2202,应付账款,0,,0,0,0\n");
    current.execute("UPDATE SUBT SET OP='1' WHERE trim(KNO)='2202'");
    current.execute("UPDATE SUBT SET FZ='2' WHERE trim(KNO)='1405'");
    logIn(2026);
    prompt.queueAnswer(Answer::No);  // 1001 renamed: not carried
    prompt.queueAnswer(Answer::Yes); // 1403 no longer counts tons: carried without them
    prompt.queueAnswer(Answer::No);  // 1405 became foreign currency: not carried
    runAll({false, false, false, false, true});
    ASSERT_EQ(prompt.entries().size(), 4u);
    EXPECT_EQ(prompt.entries()[0].text, "“1001”科目的帐户名称已由\r“库存现金”\r改为：\r“现金”\r其余额结转入本年度吗？");
    EXPECT_EQ(prompt.entries()[0].caption, "黄牌警告：");
    EXPECT_EQ(prompt.entries()[1].text,
              "上年度“1403”科目设置为数量金额核算，而本年度已取消，\r其余额结转入本年度吗？");
    EXPECT_EQ(prompt.entries()[2].text, "本年度“1405”科目设置为外币科目，而上年度是普通科目，\r其余额转入本年度吗？");
    EXPECT_EQ(prompt.entries()[3].text,
              "警告：\r\v本年度“2202”科目已设置为专用科目，而上年度为普通科目，\r其余额不能结转\r\v按确认钮继续！");
    EXPECT_EQ(openingRows(), std::vector<std::string>{"1403|1|10.00|0.00"});
}

// Every change of auxiliary kind asks its question; No leaves the balance behind.
TEST_F(CarryForward, EachChangeOfKindAsksItsQuestion)
{
    const struct {
        int earlier;
        int current;
        const char* question;
    } cases[] = {
        {2, 1, "上年度“1001”科目设置为外币科目，而本年度已设置为数量金额核算，\r其余额结转入本年度吗？"},
        {2, 0, "上年度“1001”科目设置为外币科目，而本年度已取消，\r其余额结转入本年度吗？"},
        {1, 2, "本年度“1001”科目设置为外币科目，而上年度设置为数量金额核算，\r其余额转入本年度吗？"},
        {0, 2, "本年度“1001”科目设置为外币科目，而上年度是普通科目，\r其余额转入本年度吗？"},
        {0, 1, "本年度“1001”科目设置为数量金额核算，而上年度是普通科目，\r其余额转入本年度吗？"},
        {1, 0, "上年度“1001”科目设置为数量金额核算，而本年度已取消，\r其余额结转入本年度吗？"},
    };
    Database earlier = makeYear(2025, "1001,库存现金,0,,0,0,0\n");
    row(earlier, "20250101", "    ", "1001", 1, 10, 2);
    Database current = makeYear(2026, "1001,库存现金,0,,0,0,0\n");
    logIn(2026);
    for (const auto& c : cases) {
        earlier.execute("UPDATE SUBT SET FZ=?1", {std::to_string(c.earlier)});
        env.db().execute("UPDATE SUBT SET FZ=?1", {std::to_string(c.current)});
        prompt.clear();
        prompt.queueAnswer(Answer::No);
        runAll({false, false, false, false, true});
        ASSERT_EQ(prompt.entries().size(), 1u) << c.earlier << c.current;
        EXPECT_EQ(prompt.entries()[0].text, c.question);
        EXPECT_EQ(prompt.entries()[0].caption, "黄牌警告：");
        EXPECT_TRUE(openingRows().empty());
    }
}

TEST_F(CarryForward, SubjectsGoneOrIllegalKeepTheirBalanceBehind)
{
    Database earlier = makeYear(2025, "1001,库存现金,0,,0,0,0\n1002,银行存款,0,,0,0,0\n1002-1,工行,0,,0,0,0\n"
                                      "1403,原材料,0,,0,0,0\n");
    row(earlier, "20250101", "    ", "1001", 1, 10);
    row(earlier, "20250101", "    ", "1002-1", 1, 20);
    row(earlier, "20250101", "    ", "1403", 1, 30);
    // 1001 is gone; 1002-1 has lost its parent; 1403 is reserved now and keeps no children.
    Database current = makeYear(2026, "1403,原材料,0,,0,0,0\n");
    current.execute("INSERT INTO SUBT(KNO,NA,CLAS,OP,FZ,DL,DLF,DLW) VALUES('1002-1','工行',2,'0','0','0',0,0)");
    logIn(2026);
    runAll({false, false, false, false, true});
    EXPECT_EQ(prompt.texts(),
              (std::vector<std::string>{"警告：\r\v本年度“1001”科目已不存在，其余额不能结转\r\v按确认钮继续！",
                                        "警告：\r\v本年度“1002-1”科目为非法科目，系统将删除它，其余额不能结转\r\v按确认钮继续！"}));
    EXPECT_EQ(openingRows(), std::vector<std::string>{"1403|1|30.00|0.00"});
    EXPECT_EQ(env.db().queryLong("SELECT count(*) FROM SUBT WHERE trim(KNO)='1002-1'"), 0);

    // The chart merged into a year whose 1403 is reserved: its earlier child stays behind.
    earlier.execute("INSERT INTO SUBT(KNO,NA,CLAS,OP,FZ,DL,DLF,DLW) VALUES('1403-1','钢材',2,'0','0','0',0,0)");
    env.db().execute("UPDATE SUBT SET OP='1' WHERE trim(KNO)='1403'");
    prompt.clear();
    const std::string result = runAll({true, false, false, false, false});
    EXPECT_EQ(env.db().queryLong("SELECT count(*) FROM SUBT WHERE trim(KNO)='1403-1'"), 0);
    EXPECT_NE(result.find("上年度科目“1403-1”未复制：“1403”科目为专用科目，禁止明细化!"), std::string::npos) << result;
}

TEST_F(CarryForward, TheChartMergesAndTheLegalityPassKeepsVoucherLines)
{
    Database earlier = makeYear(2025, "1001,库存现金,0,,0,0,0\n1002,银行存款,0,,0,0,0\n1002-1,工商银行,0,,0,0,0\n");
    earlier.execute("INSERT INTO WBT(WNO,NA,HO) VALUES('1','美元','1001')");
    earlier.execute("INSERT INTO CERCLS(CNO,NA) VALUES('A','收款'),('B','付款')");
    earlier.execute("INSERT INTO BLCER(N,B,L) VALUES(1,'1001','1002')");
    Database current = makeYear(2026, "1002,银行存款,0,,0,0,0\n");
    current.execute("INSERT INTO CERCLS(CNO,NA) VALUES('A','现收')");
    // 1002 has a voucher line: its first new child takes it, as when a child is added by hand.
    row(current, "20260105", "0001", "1002", 1, 50, 0, "2");
    // Two subjects whose parent is missing: one with a voucher line, one without.
    current.execute("INSERT INTO SUBT(KNO,NA,CLAS,OP,FZ,DL,DLF,DLW) VALUES('9001-1','孤儿甲',2,'0','0','0',0,0),"
                    "('9002-1','孤儿乙',2,'0','0','0',0,0)");
    row(current, "20260106", "0002", "9001-1", 1, 7, 0, "2");
    logIn(2026);
    const std::string result = runAll({true, true, false, true, false});
    Database& db = env.db();
    EXPECT_EQ(db.queryLong("SELECT count(*) FROM SUBT WHERE trim(KNO) IN ('1001','1002','1002-1','9001-1')"), 4);
    EXPECT_EQ(db.queryLong("SELECT count(*) FROM SUBT WHERE trim(KNO)='9002-1'"), 0);
    EXPECT_EQ(db.queryText("SELECT trim(KNO) FROM P0 WHERE CER='0001'").value(), "1002-1");
    EXPECT_EQ(db.queryLong("SELECT count(*) FROM P0 WHERE CER='0002'"), 1);
    EXPECT_EQ(db.queryText("SELECT trim(HO) FROM WBT WHERE trim(WNO)='1'").value(), "1001");
    EXPECT_EQ(db.queryText("SELECT trim(NA) FROM CERCLS WHERE trim(CNO)='A'").value(), "现收");
    EXPECT_EQ(db.queryLong("SELECT count(*) FROM CERCLS"), 2);
    EXPECT_EQ(db.queryLong("SELECT count(*) FROM BLCER WHERE trim(B)='1001' AND trim(L)='1002'"), 1);
    EXPECT_EQ(result, "\r恭禧! 恭禧!!\r\r复制完毕! \r\r请进入相关的模块检查。\r\r非法科目“9001-1”本年度已有凭证，未删除。");
}

TEST_F(CarryForward, TemplatesTakeTheNextFreeNumberOnceOnly)
{
    Database earlier = makeYear(2025, "6602,管理费用,0,,0,0,0\n");
    earlier.execute("INSERT INTO AUTDIR(N,NA) VALUES(3,'计提折旧'),(5,'空模板')");
    earlier.execute("INSERT INTO AUTCER(N,RN,MRY,KNO,F,FML) VALUES(3,1,'折旧','6602',1,'100')");
    Database current = makeYear(2026, "6602,管理费用,0,,0,0,0\n");
    current.execute("INSERT INTO AUTDIR(N,NA) VALUES(3,'月末结转')");
    logIn(2026);
    runAll({false, false, true, false, false});
    EXPECT_EQ(env.db().queryText("SELECT trim(NA) FROM AUTDIR WHERE N=4").value_or(""), "计提折旧");
    EXPECT_EQ(env.db().queryLong("SELECT count(*) FROM AUTCER WHERE N=4"), 1);
    EXPECT_EQ(env.db().queryLong("SELECT count(*) FROM AUTDIR"), 2); // the template without lines stays behind
    runAll({false, false, true, false, false});
    EXPECT_EQ(env.db().queryLong("SELECT count(*) FROM AUTDIR"), 2);
    EXPECT_EQ(env.db().queryLong("SELECT count(*) FROM AUTCER"), 1);
}

TEST_F(CarryForward, AFailedRunLeavesTheYearAsItWas)
{
    Database earlier = makeYear(2025, "1001,库存现金,0,,0,0,0\n1002,银行存款,0,,0,0,0\n");
    row(earlier, "20250101", "    ", "1001", 1, 10);
    earlier.execute("INSERT INTO AUTDIR(N,NA) VALUES(1,'模板')");
    earlier.execute("INSERT INTO AUTCER(N,RN,MRY,KNO,F,FML) VALUES(1,1,'x','1001',1,'1')");
    Database current = makeYear(2026, "1002,银行存款,0,,0,0,0\n");
    row(current, "20260101", "    ", "1002", 1, 5);
    // The engine refuses the carried row at the very end of the run.
    test::addRefusingTrigger(current, "refuse", "BEFORE INSERT", "P0", "NEW.MRY='  上 年  结  转'", "disk full");
    logIn(2026);
    CYearCarryForward carry(env);
    ASSERT_FALSE(carry.open());
    EXPECT_THROW(carry.run({}, prompt), DatabaseError);
    Database check = Database::open(yearFile(2026));
    EXPECT_EQ(check.queryLong("SELECT count(*) FROM SUBT"), 1);
    EXPECT_EQ(check.queryLong("SELECT count(*) FROM AUTDIR"), 0);
    EXPECT_EQ(check.queryLong("SELECT count(*) FROM P0 WHERE trim(KNO)='1002' AND CER='    '"), 1);
}

} // namespace
} // namespace kszw::test
