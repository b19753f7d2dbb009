// The auxiliary-accounting directory: which accounts each kind lists and in what order, the exact
// fixed-width lines with name paths cut to their limits, the third field (unit, currency name),
// the titles and headings.
#include "accountset/year_file.h"
#include "chart/chart_import.h"
#include "common/text.h"
#include "ledger/auxiliary_directory.h"
#include "store/database.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace kszw::test {
namespace {

constexpr std::string_view kChart = "code,name,kind,unit,multi_column,direction,width\n"
                                    "1002,银行存款,0,,0,0,0\n"
                                    "1002-1,工商银行,0,,0,0,0\n"
                                    "1002-4,日本银行日元户,2,2,0,0,0\n"
                                    "1002-3,中国银行美元户,2,1,0,0,0\n"
                                    "1403,原材料,1,吨,0,0,0\n"
                                    "1405,库存商品,0,,0,0,0\n"
                                    "1405-1,东区第一仓库甲类精密零部件,1,件,0,0,0\n"
                                    "1405-2,钢材,1,公斤,0,0,0\n"
                                    "2202,应付账款,0,,1,0,0\n"
                                    "2202-1,甲公司,0,,0,-1,6\n"
                                    "5001,生产成本,0,,0,0,0\n"
                                    "5001-1,基本生产车间成本,0,,0,0,0\n"
                                    "5001-1-1,直接材料及辅助材料费用,0,,1,0,0\n"
                                    "5001-1-1-1,钢材,0,,0,1,5\n"
                                    "6602,管理费用,0,,1,0,0\n"
                                    "6602-1,办公费,0,,0,1,5\n"
                                    "6603,财务费用,0,,0,0,0\n";

constexpr std::string_view kCurrencies = "code,name,gain_loss_subject\n1,美元,6603\n2,日元,6603\n";

std::string blanks(int n)
{
    return std::string(static_cast<size_t>(n), ' ');
}

class AuxiliaryDirectoryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string path = dir.file("2026.ksk");
        createYearFile(path, 2026);
        db = Database::open(path);
        const ImportResult subjects = importSubjects(db, "code,name,kind,unit,multi_column,direction,width\n"
                                                         "6603,财务费用,0,,0,0,0\n");
        ASSERT_TRUE(subjects.ok) << subjects.text();
        const ImportResult currencies = importCurrencies(db, kCurrencies);
        ASSERT_TRUE(currencies.ok) << currencies.text();
        db.execute("DELETE FROM SUBT");
        const ImportResult chart = importSubjects(db, kChart);
        ASSERT_TRUE(chart.ok) << chart.text();
    }

    static std::vector<std::string> codes(const std::vector<DirectoryLine>& lines)
    {
        std::vector<std::string> result;
        for (const DirectoryLine& line : lines)
            result.push_back(line.code);
        return result;
    }

    TempDir dir;
    Database db;
};

TEST_F(AuxiliaryDirectoryTest, quantitySubjectsComeByLevelThenCodeWithTheirUnit)
{
    const std::vector<DirectoryLine> lines = auxiliaryDirectory(db, DirectoryType::Quantity);
    ASSERT_EQ(codes(lines), (std::vector<std::string>{"1403", "1405-1", "1405-2"}));
    // "%-15s%-32s%-10s": the code, the name path, the unit; widths in GBK bytes.
    EXPECT_EQ(lines[0].text, "1403" + blanks(11) + "原材料" + blanks(26) + "吨" + blanks(8));
    EXPECT_EQ(lines[2].text, "1405-2" + blanks(9) + "库存商品/钢材" + blanks(19) + "公斤" + blanks(6));
    // 库存商品/东区… is 35 bytes: the leading name goes for "../".
    EXPECT_EQ(lines[1].text,
              "1405-1" + blanks(9) + "../东区第一仓库甲类精密零部件" + blanks(3) + "件" + blanks(8));
    for (const DirectoryLine& line : lines)
        EXPECT_EQ(gbkLength(line.text), 57) << line.code;
}

TEST_F(AuxiliaryDirectoryTest, currencySubjectsShowTheirCurrencyInCurrencyOrder)
{
    const std::vector<DirectoryLine> lines = auxiliaryDirectory(db, DirectoryType::Currency);
    // Same level and length: the currency number decides (美元 1 before 日元 2).
    ASSERT_EQ(codes(lines), (std::vector<std::string>{"1002-3", "1002-4"}));
    EXPECT_EQ(lines[0].text, "1002-3" + blanks(9) + "银行存款/中国银行美元户" + blanks(9) + "美元" + blanks(6));
    EXPECT_EQ(lines[1].text, "1002-4" + blanks(9) + "银行存款/日本银行日元户" + blanks(9) + "日元" + blanks(6));
}

TEST_F(AuxiliaryDirectoryTest, aCurrencySubjectWithoutItsCurrencyIsNotListed)
{
    db.execute("DELETE FROM WBT WHERE trim(WNO)='2'");
    EXPECT_EQ(codes(auxiliaryDirectory(db, DirectoryType::Currency)), (std::vector<std::string>{"1002-3"}));
}

TEST_F(AuxiliaryDirectoryTest, multiColumnSubjectsHaveNoThirdFieldAndAWiderNamePath)
{
    const std::vector<DirectoryLine> lines = auxiliaryDirectory(db, DirectoryType::MultiColumn);
    ASSERT_EQ(codes(lines), (std::vector<std::string>{"2202", "6602", "5001-1-1"}));
    EXPECT_EQ(lines[0].text, "2202" + blanks(11) + "应付账款" + blanks(34));
    // The whole path is 48 bytes: without its first name it is the 42 the line gives it.
    EXPECT_EQ(lines[2].text, "5001-1-1" + blanks(7) + "../基本生产车间成本/直接材料及辅助材料费用");
    for (const DirectoryLine& line : lines)
        EXPECT_EQ(gbkLength(line.text), 57) << line.code;
}

TEST_F(AuxiliaryDirectoryTest, aChartWithoutSuchSubjectsGivesAnEmptyDirectory)
{
    db.execute("UPDATE SUBT SET FZ='0',DL='0'");
    for (DirectoryType type : {DirectoryType::Quantity, DirectoryType::Currency, DirectoryType::MultiColumn})
        EXPECT_TRUE(auxiliaryDirectory(db, type).empty()) << static_cast<int>(type);
    EXPECT_EQ(kEmptyDirectory, "没有相应的辅助核算目录。");
}

TEST(AuxiliaryDirectoryTexts, titlesAndHeadingsNameTheKind)
{
    EXPECT_EQ(directoryTitle(DirectoryType::Quantity, 2026), "2026年度辅助核算目录(数量金额)");
    EXPECT_EQ(directoryTitle(DirectoryType::Currency, 2026), "2026年度辅助核算目录(外币)");
    EXPECT_EQ(directoryTitle(DirectoryType::MultiColumn, 2026), "2026年度辅助核算目录(多栏帐)");
    // The third heading stands over the third field of the lines.
    EXPECT_EQ(directoryHeading(DirectoryType::Quantity), "科目代码" + blanks(7) + "科目名称" + blanks(24) + "数量单位");
    EXPECT_EQ(directoryHeading(DirectoryType::Currency), "科目代码" + blanks(7) + "科目名称" + blanks(24) + "外币名称");
    EXPECT_EQ(directoryHeading(DirectoryType::MultiColumn), "科目代码" + blanks(7) + "科目名称");
}

} // namespace
} // namespace kszw::test
