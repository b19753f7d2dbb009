// A template run: the checks before it, lines that round to zero dropped, failed lines kept out of
// the voucher, the totals, and a run one line at a time.
#include "accountset/year_file.h"
#include "chart/chart_import.h"
#include "store/database.h"
#include "support/temp_dir.h"
#include "templates/template_generation.h"

#include <gtest/gtest.h>

namespace kszw::test {
namespace {

class GenerationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        path = dir.file("2026.ksk");
        createYearFile(path, 2026);
        db = Database::open(path);
        ASSERT_TRUE(importSubjects(db, "code,name,kind,unit,multi_column,direction,width\n"
                                       "1602,累计折旧,0,,0,0,0\n5101,制造费用,0,,0,0,0\n6602,管理费用,0,,0,0,0\n")
                        .ok);
        ASSERT_FALSE(addTemplate(db, "1", "计提折旧"));
    }

    void add(int number, const std::string& subject, int direction, const std::string& formula)
    {
        ASSERT_FALSE(saveTemplateLine(db, 1, TemplateLine{number, "计提折旧", subject, direction, formula}, std::nullopt));
    }

    TemplateRun run(const std::string& date = "20260315")
    {
        return TemplateRun(db, AccountingCalendar(2026, "20260101", "20261231", "031"), "2026.ksk", date);
    }

    TempDir dir;
    std::string path;
    Database db;
};

TEST_F(GenerationTest, ARunIsRefusedBeforeItStarts)
{
    TemplateRun empty = run();
    EXPECT_EQ(empty.start(1), "此模板未定义凭证分录行！");
    add(1, "5101", 1, "100");
    TemplateRun outside = run("20270105");
    EXPECT_EQ(outside.start(1), "凭证制作时间不在本年度内！");
    db.execute("INSERT INTO AUTCER(N,RN,MRY,KNO,F,FML) VALUES(1,2,'x','9999',1,'1')");
    TemplateRun unknown = run();
    EXPECT_EQ(unknown.start(1), "科目“9999”出错！");
}

TEST_F(GenerationTest, ZeroLinesAreDroppedAndTheTotalsAreOfTheRoundedAmounts)
{
    add(1, "5101", 1, "100");
    add(2, "1602", -1, "100");
    add(3, "6602", 1, "0-0.00000001");
    add(4, "6602", 1, "0.004");
    add(5, "6602", 1, "0.005");
    TemplateRun all = run();
    ASSERT_FALSE(all.start(1));
    all.runAll();
    ASSERT_EQ(all.keptLines().size(), 3u);
    EXPECT_DOUBLE_EQ(all.keptLines()[2].amount, 0.01);
    EXPECT_DOUBLE_EQ(all.debitTotal(), 100.01);
    EXPECT_DOUBLE_EQ(all.creditTotal(), 100.0);
}

TEST_F(GenerationTest, EveryZeroGivesNothingAndAFailedLineNeverReachesTheVoucher)
{
    add(1, "5101", 1, "0");
    add(2, "1602", -1, "1-1");
    TemplateRun zero = run();
    ASSERT_FALSE(zero.start(1));
    zero.runAll();
    EXPECT_TRUE(zero.keptLines().empty());
    add(3, "6602", 1, "1/0");
    add(4, "6602", 1, "ye(\"6602\",#y)+5");
    TemplateRun failing = run();
    ASSERT_FALSE(failing.start(1));
    // One line at a time: four steps, then nothing is left.
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(failing.step());
    EXPECT_TRUE(failing.finished());
    EXPECT_FALSE(failing.step());
    EXPECT_TRUE(failing.hasFailures());
    ASSERT_EQ(failing.results().size(), 2u);
    EXPECT_TRUE(failing.results()[0].failed);
    EXPECT_EQ(failing.results()[0].error, "除数为零！");
    ASSERT_EQ(failing.keptLines().size(), 1u);
    EXPECT_DOUBLE_EQ(failing.keptLines()[0].amount, 5.0);
}

TEST_F(GenerationTest, ALineWhoseDataCannotBeReadFailsAndTheRunGoesOn)
{
    add(1, "5101", 1, "ye(\"6602\",#y)+1");
    add(2, "1602", -1, "2");
    TemplateRun broken = run();
    ASSERT_FALSE(broken.start(1));
    db.execute("ALTER TABLE P0 RENAME TO P0_AWAY");
    broken.runAll();
    ASSERT_EQ(broken.results().size(), 2u);
    EXPECT_TRUE(broken.results()[0].failed);
    EXPECT_FALSE(broken.results()[0].error.empty());
    EXPECT_TRUE(broken.hasFailures());
    ASSERT_EQ(broken.keptLines().size(), 1u);
    EXPECT_DOUBLE_EQ(broken.creditTotal(), 2.0);
    // The variables' nesting was given back: the next run reads #y as ever.
    db.execute("ALTER TABLE P0_AWAY RENAME TO P0");
    TemplateRun again = run();
    ASSERT_FALSE(again.start(1));
    again.runAll();
    EXPECT_FALSE(again.hasFailures());
}

} // namespace
} // namespace kszw::test
