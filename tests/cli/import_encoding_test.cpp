// kszw-cli import reads files saved in GBK, as spreadsheet programs on Chinese systems save them,
// and refuses a file in neither UTF-8 nor GBK before anything is written.
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

// GBK bytes of the texts the files use.
constexpr const char* kCashGbk = "\xBF\xE2\xB4\xE6\xCF\xD6\xBD\xF0";     // 库存现金
constexpr const char* kBankGbk = "\xD2\xF8\xD0\xD0\xB4\xE6\xBF\xEE";     // 银行存款
constexpr const char* kWithdrawGbk = "\xCC\xE1\xC8\xA1\xCF\xD6\xBD\xF0"; // 提取现金

class CliImportEncoding : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string output;
        ASSERT_EQ(cli("new-set " + shellQuote(dir.file("set")) + " --year 2026", output), 0);
        file = shellQuote(dir.file("set/2026.ksk"));
    }

    std::string bytesFile(const std::string& name, const std::string& bytes)
    {
        std::ofstream(dir.file(name), std::ios::binary) << bytes;
        return shellQuote(dir.file(name));
    }

    int rows(const std::string& sql)
    {
        Database db = Database::open(dir.file("set/2026.ksk"));
        return static_cast<int>(db.queryLong(sql));
    }

    test::TempDir dir;
    std::string file;
};

TEST_F(CliImportEncoding, GbkSubjectsAndVouchersAreStoredAsTheirText)
{
    std::string output;
    const std::string subjects = bytesFile("s.csv", std::string("code,name,kind,unit,multi_column,direction,width\r\n") +
                                                        "1001," + kCashGbk + ",0,,0,0,0\r\n1002," + kBankGbk +
                                                        ",0,,0,0,0\r\n");
    ASSERT_EQ(cli("import " + file + " --operator 102 subjects " + subjects + " 2>&1", output), 0) << output;
    const std::string vouchers =
        bytesFile("v.csv", std::string("date,number,attachments,summary,subject,debit,credit,quantity\r\n") +
                               "20260305,,1," + kWithdrawGbk + ",1001,500,,\r\n20260305,,1," + kWithdrawGbk +
                               ",1002,,500,\r\n");
    ASSERT_EQ(cli("import " + file + " --operator 102 vouchers " + vouchers + " 2>&1", output), 0) << output;
    EXPECT_EQ(output, "1\n");
    EXPECT_EQ(rows("SELECT count(*) FROM SUBT WHERE KNO='1001' AND trim(NA)='库存现金'"), 1);
    EXPECT_EQ(rows("SELECT count(*) FROM P0 WHERE CER='0001' AND trim(MRY)='提取现金'"), 2);
}

TEST_F(CliImportEncoding, ABadRowOfAGbkFileIsNamedAndNothingIsWritten)
{
    std::string output;
    const std::string subjects =
        bytesFile("s.csv", std::string("code,name,kind,unit,multi_column,direction,width\n1001,") + kCashGbk +
                               ",0,,0,0,0\n");
    ASSERT_EQ(cli("import " + file + " --operator 102 subjects " + subjects, output), 0) << output;
    const std::string vouchers =
        bytesFile("v.csv", std::string("date,number,attachments,summary,subject,debit,credit,quantity\n") +
                               "20260305,1,1," + kWithdrawGbk + ",1001,500,,\n20260305,1,1," + kWithdrawGbk +
                               ",1009,,500,\n");
    EXPECT_EQ(cli("import " + file + " --operator 102 vouchers " + vouchers + " 2>&1", output), 1);
    EXPECT_EQ(output, dir.file("v.csv") + ": 第 3 行：科目“1009”不存在!\n");
    EXPECT_EQ(rows("SELECT count(*) FROM CERDIR"), 0);
}

TEST_F(CliImportEncoding, AFileInNeitherEncodingIsRefusedBeforeAnythingIsWritten)
{
    std::string output;
    // UTF-16 as a spreadsheet's "Unicode text" saves it.
    const std::string subjects = bytesFile("u16.csv", std::string("\xFF\xFE" "c\0o\0d\0e\0", 10));
    EXPECT_EQ(cli("import " + file + " --operator 102 subjects " + subjects + " 2>&1", output), 1);
    EXPECT_EQ(output, "文件“u16.csv”既不是UTF-8编码也不是GBK编码，不能读入！\n");
    EXPECT_EQ(rows("SELECT count(*) FROM SUBT"), 0);
}

} // namespace
} // namespace kszw
