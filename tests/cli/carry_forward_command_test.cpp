// kszw-cli carry-forward end to end on the demonstration account set: next year's file is made,
// everything is carried forward, and the new year opens with the old year's closing balances —
// in the balance table, the quantity-amount ledger and the foreign-currency ledger.
#include "store/database.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

namespace kszw {
namespace {

using test::shellQuote;

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> result;
    std::stringstream stream(text);
    for (std::string line; std::getline(stream, line);)
        result.push_back(line);
    return result;
}

// The last three tab-separated cells of a line: 借或贷's neighbours, the balance columns.
std::string balanceCells(const std::string& line)
{
    size_t at = line.size();
    for (int i = 0; i < 3 && at != std::string::npos; ++i)
        at = line.rfind('\t', at - 1);
    return at == std::string::npos ? line : line.substr(at + 1);
}

class CliCarryForward : public ::testing::Test {
protected:
    int cli(const std::string& arguments, std::string& output)
    {
        return test::runCommand(shellQuote(KSZW_CLI_PATH) + " " + arguments, output);
    }

    test::TempDir dir;
};

TEST_F(CliCarryForward, TheNewYearOpensWithTheOldYearsClosingBalances)
{
    std::string output;
    ASSERT_EQ(cli("demo " + shellQuote(dir.file("set")) + " --year 2026", output), 0) << output;
    const std::string old = shellQuote(dir.file("set/2026.ksk"));
    const std::string next = shellQuote(dir.file("set/2027.ksk"));
    ASSERT_EQ(cli("new-year " + old + " --operator 101 --year 2027 --yes", output), 0) << output;

    // Without --yes nothing is carried.
    EXPECT_EQ(cli("carry-forward " + next + " --operator 101 2>&1", output), 1);
    EXPECT_NE(output.find("没有进行结转：要进行时请加 --yes。"), std::string::npos) << output;
    EXPECT_EQ(cli("carry-forward " + next + " --operator 101 --items chart,bogus 2>&1", output), 2);

    ASSERT_EQ(cli("carry-forward " + next + " --operator 101 --yes", output), 0) << output;
    EXPECT_NE(output.find("借 － 贷：0.00\n\n恭禧! 恭禧!!\n\n本年度帐务已建立完毕! "), std::string::npos) << output;

    // The balance table of every level: December's closing balances are January's opening.
    std::string closing;
    std::string opening;
    ASSERT_EQ(cli("view " + old + " balance --operator 103 --date 20261231 --levels all", closing), 0) << closing;
    ASSERT_EQ(cli("view " + next + " balance --operator 103 --date 20270101 --levels all", opening), 0) << opening;
    EXPECT_EQ(cli("view " + next + " balance --operator 103 --to 1 2>&1", output), 1);
    EXPECT_EQ(output, "帐户余额表按截止日期查询，请用 --date YYYYMMDD 指定截止日期！\n");
    std::vector<std::string> before = lines(closing);
    std::vector<std::string> after = lines(opening);
    ASSERT_GT(before.size(), 20u);
    ASSERT_EQ(before.size(), after.size());
    for (size_t i = 2; i < before.size(); ++i) // past the title and the date line
        EXPECT_EQ(after[i], before[i]) << "line " << i;

    // The quantity and the foreign currency come with their balances.
    for (const char* view : {"quantity --subject 1403", "currency --subject 1002-3"}) {
        ASSERT_EQ(cli("view " + old + " " + view + " --operator 103 --from 12 --to 12", closing), 0) << closing;
        ASSERT_EQ(cli("view " + next + " " + view + " --operator 103 --from 1 --to 1", opening), 0) << opening;
        before = lines(closing);
        after = lines(opening);
        ASSERT_GE(after.size(), 5u) << opening;
        EXPECT_NE(after[4].find("期 初 余 额"), std::string::npos) << after[4];
        EXPECT_EQ(balanceCells(after[4]), balanceCells(before.back())) << view;
    }

    // A second run changes nothing: templates are not copied twice, balances not doubled.
    Database check = Database::open(dir.file("set/2027.ksk"));
    const int templates = check.queryLong("SELECT count(*) FROM AUTDIR");
    const int rows = check.queryLong("SELECT count(*) FROM P0");
    EXPECT_EQ(templates, 2);
    ASSERT_EQ(cli("carry-forward " + next + " --operator 101 --yes", output), 0) << output;
    EXPECT_EQ(check.queryLong("SELECT count(*) FROM AUTDIR"), templates);
    EXPECT_EQ(check.queryLong("SELECT count(*) FROM P0"), rows);
}

TEST_F(CliCarryForward, AYearWithoutAnEarlierOneHasNothingToCarry)
{
    std::string output;
    ASSERT_EQ(cli("demo " + shellQuote(dir.file("set")) + " --year 2026", output), 0) << output;
    EXPECT_EQ(cli("carry-forward " + shellQuote(dir.file("set/2026.ksk")) + " --operator 101 --yes 2>&1", output), 1);
    EXPECT_EQ(output, "本帐套最近十年内无任何年度数据，无需结转!\n");
    EXPECT_EQ(cli("carry-forward " + shellQuote(dir.file("set/2026.ksk")) + " --operator 102 --yes 2>&1", output), 1);
    EXPECT_EQ(output, "操作员 102 没有“帐务管理”的权限！\n");
}

} // namespace
} // namespace kszw
