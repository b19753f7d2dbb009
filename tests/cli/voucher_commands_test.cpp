// kszw-cli import … vouchers: the entry view's checks and store, every refused line named; kszw-cli
// view … voucher shows one.
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

    ASSERT_EQ(cli("view " + file + " voucher --operator 102 --date 20260305 --number 1", output), 0) << output;
    EXPECT_EQ(output, "# 记 帐 凭 证\n"
                      "# 2026 年 03 月    第 0001 号    附件：   2 张\n"
                      "# 会计主管：×××    记帐：    出纳：    复核：    制证：×××\n"
                      "摘           要\t  科  目  名  称\t借方发生额\t贷方发生额\n"
                      "提取现金\t1001 库存现金\t1,234.50\t\n"
                      "提取现金\t1002-1 工商银行\t\t1,234.50\n"
                      "合            计\t\t1,234.50\t1,234.50\n");
}

TEST_F(CliVouchers, TheVoucherViewRefusesWhatTheHeadCellsRefuse)
{
    std::string output;
    const struct {
        std::string options;
        int status;
        std::string told;
    } cases[] = {
        {"--date 2026035 --number 1", 1, "日期应为年月日八位数字（如20260315）！\n"},
        {"--date 20260305 --number x", 1, "凭证号只能为数字！\n"},
        {"--date 20260305 --number 0", 1, "凭证号不能为零！\n"},
        {"--date 20260305", 1, "凭证号为空！\n"},
        {"--date 20260305 --number 7", 1, "该凭证不存在，请按回车键退出！\n"},
        {"--date 20260305 --number 7 --format pdf --out x.pdf", 1, "该凭证不存在，请按回车键退出！\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(cli("view " + file + " voucher --operator 102 " + c.options + " 2>&1", output), c.status) << c.options;
        if (!c.told.empty()) {
            EXPECT_EQ(output, c.told) << c.options;
        }
    }
    EXPECT_EQ(cli("view " + file + " voucher --operator 101 --date 20260305 --number 1 2>&1", output), 1);
    EXPECT_EQ(output, "操作员 101 没有“凭证查询”的权限！\n");
}

} // namespace
} // namespace kszw
