// kszw-cli import … vouchers: the entry view's checks and store, every refused line named.
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

class CliVouchers : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string output;
        ASSERT_EQ(cli("new-set " + shellQuote(dir.file("set")) + " --year 2026", output), 0);
        file = shellQuote(dir.file("set/2026.ksk"));
        ASSERT_EQ(cli("import " + file + " --operator 102 subjects " +
                          csv("s.csv", "code,name,kind,unit,multi_column,direction,width\n"
                                       "1001,库存现金,0,,0,0,0\n1002,银行存款,0,,0,0,0\n1002-1,工商银行,0,,0,0,0\n"),
                      output),
                  0);
    }

    std::string csv(const std::string& name, const std::string& text)
    {
        std::ofstream(dir.file(name)) << text;
        return shellQuote(dir.file(name));
    }

    test::TempDir dir;
    std::string file;
};

TEST_F(CliVouchers, ANonLeafLineAndALongSummaryAreBothNamedAndNothingIsAdded)
{
    std::string output;
    const std::string vouchers = csv("v.csv", "date,number,attachments,summary,subject,debit,credit,quantity\n"
                                              "20260305,1,0,提现,1001,100,,\n"
                                              "20260305,1,0,提现,1002,,100,\n"
                                              "20260306,2,0," + std::string(41, 'x') + ",1001,5,,\n"
                                              "20260306,2,0,存,1002-1,,5,\n");
    EXPECT_EQ(cli("import " + file + " --operator 102 vouchers " + vouchers + " 2>&1", output), 1);
    EXPECT_EQ(output, dir.file("v.csv") + ": 第 3 行：科目“1002”不是最低明细科目，不能记帐！\n" + dir.file("v.csv") +
                          ": 第 4 行：摘要不能超过40个字节（20个汉字）！\n");
    Database db = Database::open(dir.file("set/2026.ksk"));
    EXPECT_EQ(db.queryLong("SELECT count(*) FROM CERDIR"), 0);
    EXPECT_EQ(db.queryLong("SELECT count(*) FROM P0"), 0);
}

TEST_F(CliVouchers, GoodVouchersAreStoredByTheOperatorAndShownByTheVoucherView)
{
    std::string output;
    const std::string vouchers = csv("v.csv", "date,number,attachments,summary,subject,debit,credit,quantity\n"
                                              "20260305,1,2,提取现金,1001,1234.5,,\n"
                                              "20260305,1,2,提取现金,1002-1,,1234.5,\n");
    ASSERT_EQ(cli("import " + file + " --operator 102 vouchers " + vouchers, output), 0) << output;
    EXPECT_EQ(output, "1\n");
    Database db = Database::open(dir.file("set/2026.ksk"));
    EXPECT_EQ(db.queryLong("SELECT count(*) FROM CERDIR WHERE OPP='102' AND CER='0001' AND PN=2 AND MK='2'"), 1);
    // 101 holds no right to make vouchers.
    EXPECT_EQ(cli("import " + file + " --operator 101 vouchers " + vouchers + " 2>&1", output), 1);
    EXPECT_EQ(output, "操作员 101 没有“凭证制作”的权限！\n");
}

} // namespace
} // namespace kszw
