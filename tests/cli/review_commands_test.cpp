// kszw-cli review, close-month and view … summary: the batch review of other makers' complete
// vouchers with the review check's messages, the month-end close with its questions, and the
// voucher summary of a month.
#include "store/database.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <fstream>

namespace kszw {
namespace {

using test::shellQuote;

int cli(const std::string& arguments, std::string& output)
{
    return test::runCommand(shellQuote(KSZW_CLI_PATH) + " " + arguments, output);
}

class CliReview : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string output;
        ASSERT_EQ(cli("new-set " + shellQuote(dir.file("set")) + " --year 2026", output), 0);
        file = shellQuote(dir.file("set/2026.ksk"));
        ASSERT_EQ(cli("operator " + file + " --operator 101 add 103 李复核 --rights all", output), 0) << output;
        ASSERT_EQ(cli("import " + file + " --operator 102 subjects " +
                          csv("s.csv", "code,name,kind,unit,multi_column,direction,width\n"
                                       "1001,库存现金,0,,0,0,0\n1002,银行存款,0,,0,0,0\n1002-1,工商银行,0,,0,0,0\n"
                                       "6602,管理费用,0,,0,0,0\n"),
                      output),
                  0)
            << output;
        ASSERT_EQ(cli("import " + file + " --operator 102 vouchers " +
                          csv("v.csv", "date,number,attachments,summary,subject,debit,credit,quantity\n"
                                       "20260305,1,0,提取现金,1001,500,,\n"
                                       "20260305,1,0,提取现金,1002-1,,500,\n"
                                       "20260310,2,1,报销,6602,120.5,,\n"
                                       "20260310,2,1,报销,1001,,120.5,\n"
                                       "20260402,1,0,提取现金,1001,80,,\n"
                                       "20260402,1,0,提取现金,1002-1,,80,\n"),
                      output),
                  0)
            << output;
    }

    std::string csv(const std::string& name, const std::string& text)
    {
        std::ofstream(dir.file(name)) << text;
        return shellQuote(dir.file(name));
    }

    long long count(const std::string& sql)
    {
        Database db = Database::open(dir.file("set/2026.ksk"));
        return db.queryLong(sql);
    }

    test::TempDir dir;
    std::string file;
};

TEST_F(CliReview, TheMakerFindsNothingToReviewAndAnotherOperatorReviewsTheMonth)
{
    std::string output;
    EXPECT_EQ(cli("review " + file + " --operator 102 --all 2>&1", output), 1);
    EXPECT_EQ(output, "没有适合条件的凭证！\n");
    EXPECT_EQ(cli("review " + file + " --operator 101 --all 2>&1", output), 1);
    EXPECT_EQ(output, "操作员 101 没有“凭证复核与登帐”的权限！\n");

    ASSERT_EQ(cli("review " + file + " --operator 103 --month 3", output), 0) << output;
    EXPECT_EQ(output, "2\n");
    EXPECT_EQ(count("SELECT count(*) FROM CERDIR WHERE TT='03' AND MK='4' AND OPN='103'"), 2);
    EXPECT_EQ(count("SELECT count(*) FROM P0 WHERE TT='03' AND MK='4'"), 4);
    EXPECT_EQ(count("SELECT count(*) FROM CERDIR WHERE TT='04' AND MK='2'"), 1);
    // Nothing of March is left; April's voucher is reviewed by --all.
    EXPECT_EQ(cli("review " + file + " --operator 103 --month 03 2>&1", output), 1);
    EXPECT_EQ(output, "没有适合条件的凭证！\n");
    ASSERT_EQ(cli("review " + file + " --operator 103 --all", output), 0) << output;
    EXPECT_EQ(output, "1\n");
}

TEST_F(CliReview, AVoucherFailingItsCheckIsNamedAndTheOthersAreReviewed)
{
    {
        // Another program left voucher 2 of March unbalanced.
        Database db = Database::open(dir.file("set/2026.ksk"));
        db.execute("UPDATE P0 SET MY=120.6 WHERE TT='03' AND CER='0002' AND F=1");
    }
    std::string output;
    EXPECT_EQ(cli("review " + file + " --operator 103 --all 2>/dev/null", output), 1);
    EXPECT_EQ(output, "2\n");
    EXPECT_EQ(cli("review " + file + " --operator 103 --all 2>&1 >/dev/null", output), 1);
    EXPECT_EQ(output, "2026年03月第0002号凭证借贷不平衡，复核不能通过!\n");
    EXPECT_EQ(count("SELECT count(*) FROM CERDIR WHERE MK='4'"), 2);
    EXPECT_EQ(count("SELECT count(*) FROM CERDIR WHERE TT='03' AND CER='0002' AND MK='2' AND OPN IS NULL"), 1);
}

TEST_F(CliReview, BadMonthsAreBadUsage)
{
    std::string output;
    for (const char* month : {"0", "13", "x", "123"})
        EXPECT_EQ(cli("review " + file + " --operator 103 --month " + month + " 2>/dev/null", output), 2) << month;
    EXPECT_EQ(cli("review " + file + " --operator 103 --all --month 3 2>/dev/null", output), 2);
}

TEST_F(CliReview, CloseMonthAsksAndClosesOneMonthAtATime)
{
    std::string output;
    // January has no voucher: the close asks first, and without --yes the answer is No.
    EXPECT_EQ(cli("close-month " + file + " --operator 103 2>&1", output), 1);
    EXPECT_NE(output.find("没有结帐：要结帐时请加 --yes。"), std::string::npos) << output;
    EXPECT_EQ(count("SELECT MM FROM SYSTAB"), 0);
    ASSERT_EQ(cli("close-month " + file + " --operator 103 --yes", output), 0) << output;
    EXPECT_EQ(output, "2026 年 01 月\n");
    ASSERT_EQ(cli("close-month " + file + " --operator 103 --yes", output), 0) << output;
    EXPECT_EQ(output, "2026 年 02 月\n");
    // March still has unreviewed vouchers.
    EXPECT_EQ(cli("close-month " + file + " --operator 103 --yes 2>&1 >/dev/null", output), 1);
    EXPECT_EQ(output, "本月尚有未复核的凭证，不能结帐!\n");
    EXPECT_EQ(count("SELECT MM FROM SYSTAB"), 2);
    ASSERT_EQ(cli("review " + file + " --operator 103 --month 3", output), 0) << output;
    ASSERT_EQ(cli("close-month " + file + " --operator 103 --yes", output), 0) << output;
    EXPECT_EQ(output, "2026 年 03 月\n");
    EXPECT_EQ(count("SELECT MM FROM SYSTAB"), 3);
    // The administrator holds no right to close.
    EXPECT_EQ(cli("close-month " + file + " --operator 101 --yes 2>&1", output), 1);
    EXPECT_EQ(output, "操作员 101 没有“结帐”的权限！\n");
}

TEST_F(CliReview, TheSummaryOfAMonthAddsUpItsCompleteVouchers)
{
    std::string output;
    ASSERT_EQ(cli("review " + file + " --operator 103 --all", output), 0) << output;
    ASSERT_EQ(cli("view " + file + " summary --operator 102 --month 3", output), 0) << output;
    EXPECT_EQ(output, "# 记帐凭证汇总表\n"
                      "# 2026 年 3 月\n"
                      "# 会计主管：×××    复  核：    制  表：×××\n"
                      "科目代码\t科  目  名  称   \t借方发生额\t贷方发生额\n"
                      "1001\t库存现金\t500.00\t120.50\n"
                      "1002\t银行存款\t\t500.00\n"
                      "6602\t管理费用\t120.50\t\n"
                      "\t    合      计\t620.50\t620.50\n");
    // Below 1002, only voucher 1 chosen.
    ASSERT_EQ(cli("view " + file + " summary --operator 102 --month 3 --parent 1002 --numbers 1 --format csv", output),
              0)
        << output;
    EXPECT_NE(output.find("1002-1,工商银行,,500.00\n"), std::string::npos) << output;
    EXPECT_NE(output.find(",    合      计,0.00,500.00\n"), std::string::npos) << output;
    // Only complete vouchers of the month in the range can be chosen.
    EXPECT_EQ(cli("view " + file + " summary --operator 102 --month 4 --numbers 1 --range unreviewed 2>&1", output), 1);
    EXPECT_EQ(output, "第0001号凭证不在本月可汇总的凭证中（只汇总所选范围内已平或已复核的凭证）！\n");
    // A leaf has no children to add up.
    EXPECT_EQ(cli("view " + file + " summary --operator 102 --month 3 --parent 1001 2>&1", output), 1);
    EXPECT_EQ(output, "科目“1001”不存在或没有子科目！\n");
    // Classes: none set up, then 41 are too many.
    EXPECT_EQ(cli("view " + file + " summary --operator 102 --month 3 --classes A 2>&1", output), 1);
    EXPECT_EQ(output, "本年度没有设置凭证类别，不能按类别汇总！\n");
    {
        Database db = Database::open(dir.file("set/2026.ksk"));
        db.execute("INSERT INTO CERCLS(CNO,NA) VALUES('A','现收')");
    }
    std::string classes = "A0";
    for (int i = 1; i <= 40; ++i)
        classes += ",A" + std::to_string(i);
    EXPECT_EQ(cli("view " + file + " summary --operator 102 --month 3 --classes " + classes + " 2>&1", output), 1);
    EXPECT_EQ(output, "警告：\n\n汇总数不能多于 40 类,\n\n请重新选择\n");
}

// Pages of a PDF file as pdfinfo counts them; -1 when it cannot be read.
int pdfPages(const std::string& path)
{
    std::string info;
    if (test::runCommand("pdfinfo " + shellQuote(path) + " 2>/dev/null", info) != 0)
        return -1;
    const size_t at = info.find("Pages:");
    return at == std::string::npos ? -1 : std::stoi(info.substr(at + 6));
}

TEST_F(CliReview, ALongVoucherPrintsOnTwoPagesWithRunningTotalsAndTheSummaryPrintsBelowAParent)
{
    std::string output;
    std::string rows = "date,number,attachments,summary,subject,debit,credit,quantity\n";
    for (int line = 1; line <= 30; ++line)
        rows += "20260320,3,0,报销第" + std::to_string(line) + "笔,6602,10,,\n";
    rows += "20260320,3,0,报销,1001,,300,\n";
    ASSERT_EQ(cli("import " + file + " --operator 102 vouchers " + csv("long.csv", rows), output), 0) << output;

    const std::string pdf = dir.file("voucher.pdf");
    ASSERT_EQ(cli("view " + file + " voucher --operator 102 --date 20260320 --number 3 --format pdf --out " +
                      shellQuote(pdf) + " 2>&1",
                  output),
              0)
        << output;
    EXPECT_EQ(pdfPages(pdf), 2);
    if (test::runCommand("pdftotext -layout " + shellQuote(pdf) + " - | tr -d ' '", output) == 0) {
        EXPECT_NE(output.find("第0003(1/2)号"), std::string::npos) << output;
        EXPECT_NE(output.find("第0003(2/2)号"), std::string::npos) << output;
        EXPECT_NE(output.find("累（或小）计"), std::string::npos) << output;
        EXPECT_NE(output.find("300.00300.00"), std::string::npos) << output; // the totals on the last page
    }
    // A voucher that is not there writes nothing.
    const std::string none = dir.file("none.pdf");
    EXPECT_EQ(cli("view " + file + " voucher --operator 102 --date 20260320 --number 9 --format pdf --out " +
                      shellQuote(none) + " 2>&1",
                  output),
              1);
    EXPECT_EQ(output, "该凭证不存在，请按回车键退出！\n");
    EXPECT_EQ(pdfPages(none), -1);

    const std::string summary = dir.file("summary.pdf");
    ASSERT_EQ(cli("view " + file + " summary --operator 102 --month 3 --parent 1002 --format pdf --out " +
                      shellQuote(summary) + " 2>&1",
                  output),
              0)
        << output;
    EXPECT_EQ(pdfPages(summary), 1);
    if (test::runCommand("pdftotext -layout " + shellQuote(summary) + " - | tr -d ' '", output) == 0) {
        EXPECT_NE(output.find("记帐凭证汇总表"), std::string::npos) << output;
        EXPECT_NE(output.find("1002-1工商银行"), std::string::npos) << output;
        EXPECT_EQ(output.find("6602"), std::string::npos) << output;
    }
}

} // namespace
} // namespace kszw
