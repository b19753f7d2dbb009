// Importing vouchers: the entry view's checks and store, all or nothing, every refusal named; the
// preview that shows where every row lands and writes nothing.
#include "voucher/voucher_fixture.h"
#include "voucher/voucher_import.h"

namespace kszw::test {
namespace {

constexpr const char* kHeader = "date,number,attachments,summary,subject,debit,credit,quantity\n";

std::vector<std::string> texts(const VoucherImportResult& result)
{
    std::vector<std::string> all;
    for (const VoucherImportRefusal& refusal : result.refusals)
        all.push_back(refusal.text());
    return all;
}

TEST_F(VoucherTest, RowsOfOneDateAndNumberFormOneVoucherAndAnEmptyNumberIsGenerated)
{
    const std::string csv = std::string(kHeader) +
                            "20260305,1,2,提取现金,1001,500,,\n"
                            "20260305,1,2,提取现金,1002-1,,500,\n"
                            "20260306,,0,购入原材料,1403,2500,,5\n"
                            "20260306,,0,购入原材料,2202,,2500,\n"
                            "20260307,3,,报销差旅费,6602,99.999995,,\n"
                            "20260307,3,,报销差旅费,1001,,100,\n";
    VoucherImportResult result = importVouchers(env, clock, csv);
    ASSERT_TRUE(result.ok) << (result.refusals.empty() ? "" : result.refusals[0].text());
    EXPECT_EQ(result.vouchers, 3);
    EXPECT_EQ(result.lines, 6);
    EXPECT_EQ(count("SELECT count(*) FROM CERDIR WHERE T='20260305' AND CER='0001' AND PN=2 AND MK='2'"), 1);
    // The empty number got the next free one of March.
    EXPECT_EQ(count("SELECT count(*) FROM CERDIR WHERE T='20260306' AND CER='0002'"), 1);
    EXPECT_EQ(count("SELECT count(*) FROM P0 WHERE KNO='1403' AND NU=5 AND MY=2500 AND F=1"), 1);
    // 99.999995 is the cent it rounds to, so the voucher is balanced.
    EXPECT_EQ(count("SELECT count(*) FROM P0 WHERE KNO='6602' AND MY=100"), 1);
    EXPECT_EQ(env.db().queryText("SELECT MK FROM CERDIR WHERE T='20260307'").value(), "2");
}

TEST_F(VoucherTest, EveryRefusedLineIsNamedAndNothingIsWritten)
{
    const std::string longSummary(41, 'x');
    const std::string csv = std::string(kHeader) +
                            "20260305,1,0,好的,1001,5,,\n"
                            "20260305,1,0,好的,1002-1,,5,\n"
                            "20260306,2,0,非末级,1002,5,,\n"
                            "20260306,2,0," + longSummary + ",1001,,5,\n"
                            "20260307,3,0,无此科目,9999,5,,\n"
                            "20260307,3,0,空行,1001,,,\n"
                            "2026038,4,0,坏日期,1001,5,,\n"
                            "20260309,4x5,0,坏号,1001,5,,\n"
                            "20260310,6,-1,负附件,1001,5,,\n"
                            "20260311,7,0,坏金额,1001,5元,,\n"
                            "20260311,7,0,太大,1001,," + std::string(400, '9') + ",\n"
                            "20270101,8,0,年外,1001,5,,\n"
                            "20270101,8,0,年外,1002-1,,5,\n"
                            "20260312,9,12345,多附件,1001,5,,\n"
                            "20260312,10,0,现金无数量,1001,5,,2\n"
                            "20260312,10,0,太大,1001,1000000000000,,\n"
                            "20260313,11,0,两边都有,1001,5,5,\n";
    VoucherImportResult result = importVouchers(env, clock, csv);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(texts(result), (std::vector<std::string>{
                                 "第 4 行：科目“1002”不是最低明细科目，不能记帐！",
                                 "第 5 行：摘要不能超过40个字节（20个汉字）！",
                                 "第 6 行：科目“9999”不存在!",
                                 "第 7 行：借方和贷方金额都为空！",
                                 "第 8 行：日期应为年月日八位数字（如20260315）！",
                                 "第 9 行：凭证号只能为数字！",
                                 "第 10 行：附件数只能是不小于0、不多于4位的整数！",
                                 "第 11 行：金额和数量只能是数字，整数部分不超过12位！",
                                 "第 12 行：金额和数量只能是数字，整数部分不超过12位！",
                                 "第 13 行：凭证制作时间不在本年度内！",
                                 "第 15 行：附件数只能是不小于0、不多于4位的整数！",
                                 "第 16 行：科目“1001”不核算数量或外币，不能录入数量！",
                                 "第 17 行：金额和数量只能是数字，整数部分不超过12位！",
                                 "第 18 行：一行只能有借方或贷方金额，不能两者都有！",
                             }));
    EXPECT_EQ(count("SELECT count(*) FROM CERDIR"), 0);
    EXPECT_EQ(count("SELECT count(*) FROM P0"), 0);
}

TEST_F(VoucherTest, ADuplicateAndAClosedMonthAreRefusedByTheStore)
{
    ASSERT_EQ(save(*voucher, "20260305", "0001"), voucher_result::kOk);
    env.db().execute("UPDATE SYSTAB SET MM=1");
    const std::string csv = std::string(kHeader) +
                            "20260310,0001,0,重号,1001,5,,\n"
                            "20260310,0001,0,重号,1002-1,,5,\n"
                            "20260120,0002,0,已结月,1001,5,,\n";
    VoucherImportResult result = importVouchers(env, clock, csv);
    EXPECT_EQ(texts(result), (std::vector<std::string>{"第 2 行：凭证重号，本月已有第0001号凭证！",
                                                       "第 4 行：不能在已月结月份内增加凭证！"}));
    EXPECT_EQ(count("SELECT count(*) FROM CERDIR"), 1);
}

TEST_F(VoucherTest, ClassNumbersAreUpperCasedAndCheckedAgainstTheClasses)
{
    env.db().execute("INSERT INTO CERCLS(CNO,NA) VALUES('A','现金')");
    const std::string csv = std::string(kHeader) +
                            "20260305,a12,0,收,1001,5,,\n"
                            "20260305,a12,0,收,1002-1,,5,\n"
                            "20260306,b1,0,无类,1001,5,,\n";
    VoucherImportResult result = importVouchers(env, clock, csv);
    EXPECT_EQ(texts(result), std::vector<std::string>{"第 4 行：无此凭证分类号！"});
    EXPECT_EQ(count("SELECT count(*) FROM CERDIR"), 0);
    VoucherImportResult good = importVouchers(env, clock, std::string(kHeader) + "20260305,a12,0,收,1001,5,,\n"
                                                                                 "20260305,a12,0,收,1002-1,,5,\n");
    ASSERT_TRUE(good.ok);
    EXPECT_EQ(count("SELECT count(*) FROM CERDIR WHERE CER='A012'"), 1);
}

// The cells of a preview row that tell where it lands: line, date, number, summary, subject,
// debit, credit, quantity.
std::vector<std::string> landing(const VoucherImportRow& row)
{
    return {std::to_string(row.line), row.date, row.number, row.summary, row.subject, row.debit, row.credit,
            row.quantity};
}

TEST_F(VoucherTest, ThePreviewShowsTheNumberEveryRowIsStoredUnderAndWritesNothing)
{
    ASSERT_EQ(save(*voucher, "20260302", "0001"), voucher_result::kOk);
    const std::string csv = std::string(kHeader) +
                            "20260305,,0,提取现金,1001,500,,\n"
                            "20260305,,0,提取现金,1002-1,,500,\n"
                            "20260306,5,0,购入原材料,1403,2500.005,,5\n"
                            "20260306,5,0,购入原材料,2202,,2500.01,\n"
                            "20260307, ,0,报销差旅费,6602,100,,\n"
                            "20260307,,0,报销差旅费,1001,,100,\n";
    const VoucherImportResult preview = previewVoucherImport(env, clock, csv);
    ASSERT_TRUE(preview.ok) << (preview.refusals.empty() ? "" : preview.refusals[0].text());
    EXPECT_EQ(preview.vouchers, 3);
    EXPECT_EQ(preview.lines, 6);
    EXPECT_EQ(preview.voucherCount(), 3);
    EXPECT_EQ(preview.refusedRowCount(), 0);
    std::vector<std::vector<std::string>> rows;
    for (const VoucherImportRow& row : preview.rows) {
        rows.push_back(landing(row));
        EXPECT_TRUE(row.refusals.empty());
    }
    // The generator continues after the voucher already stored and after the ones before it in
    // the file; a typed number is padded as the store pads it.
    EXPECT_EQ(rows, (std::vector<std::vector<std::string>>{
                        {"2", "20260305", "0002", "提取现金", "1001", "500.00", "", ""},
                        {"3", "20260305", "0002", "提取现金", "1002-1", "", "500.00", ""},
                        {"4", "20260306", "0005", "购入原材料", "1403", "2500.01", "", "5"},
                        {"5", "20260306", "0005", "购入原材料", "2202", "", "2500.01", ""},
                        {"6", "20260307", "0006", "报销差旅费", "6602", "100.00", "", ""},
                        {"7", "20260307", "0006", "报销差旅费", "1001", "", "100.00", ""},
                    }));
    EXPECT_EQ(count("SELECT count(*) FROM CERDIR"), 1);
    EXPECT_EQ(count("SELECT count(*) FROM P0"), 2);

    // The import itself stores them under the numbers the preview showed.
    ASSERT_TRUE(importVouchers(env, clock, csv).ok);
    std::string numbers;
    for (Statement list = env.db().prepare("SELECT trim(CER) FROM CERDIR ORDER BY T, CER"); list.step();)
        numbers += (numbers.empty() ? "" : " ") + list.columnText(0);
    EXPECT_EQ(numbers, "0001 0002 0005 0006");
}

TEST_F(VoucherTest, OneBadRowIsNamedInThePreviewAndTheImportWritesNothing)
{
    const std::string csv = std::string(kHeader) +
                            "20260305,1,0,提取现金,1001,500,,\n"
                            "20260305,1,0,提取现金,1002-1,,500,\n"
                            "20260306,,0,赊购,1403,2500,,5\n"
                            "20260306,,0,赊购,9999,,2500,\n"
                            "20260307,,0,报销,6602,100,,\n"
                            "20260307,,0,报销,1001,,100\n";
    for (bool preview : {true, false}) {
        const VoucherImportResult result =
            preview ? previewVoucherImport(env, clock, csv) : importVouchers(env, clock, csv);
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.vouchers, 0);
        EXPECT_EQ(texts(result), (std::vector<std::string>{"第 5 行：科目“9999”不存在!",
                                                           "第 7 行：应有 8 列，实有 7 列！"}));
        ASSERT_EQ(result.rows.size(), 6u);
        std::vector<std::vector<std::string>> refusals;
        std::vector<int> vouchers;
        std::vector<std::string> numbers;
        for (const VoucherImportRow& row : result.rows) {
            refusals.push_back(row.refusals);
            vouchers.push_back(row.voucher);
            numbers.push_back(row.number);
        }
        EXPECT_EQ(refusals, (std::vector<std::vector<std::string>>{
                                {}, {}, {}, {"科目“9999”不存在!"}, {}, {"应有 8 列，实有 7 列！"}}));
        // A short record belongs to no voucher; the refused voucher is not numbered; the ones
        // that pass are, as the import would number them.
        EXPECT_EQ(vouchers, (std::vector<int>{1, 1, 2, 2, 3, 0}));
        EXPECT_EQ(numbers, (std::vector<std::string>{"0001", "0001", "", "", "0002", ""}));
        EXPECT_EQ(result.voucherCount(), 3);
        EXPECT_EQ(result.refusedRowCount(), 2);
        EXPECT_EQ(count("SELECT count(*) FROM CERDIR"), 0);
        EXPECT_EQ(count("SELECT count(*) FROM P0"), 0);
    }
}

TEST_F(VoucherTest, AFileRefusedAsAWholeIsOneRowOfThePreview)
{
    struct Case {
        std::string csv;
        int line;
        std::string message;
    };
    const Case cases[] = {
        {"", 0, "文件为空，没有表头行！"},
        {"date,number\n", 1, "表头应为：date,number,attachments,summary,subject,debit,credit,quantity"},
        {std::string(kHeader) + "20260305,1,0,\"提现,1001,5,,\n", 2, "CSV 格式错误：引号未闭合"},
    };
    for (const Case& c : cases) {
        const VoucherImportResult preview = previewVoucherImport(env, clock, c.csv);
        EXPECT_FALSE(preview.ok);
        ASSERT_EQ(preview.rows.size(), 1u) << c.message;
        EXPECT_EQ(preview.rows[0].line, c.line);
        EXPECT_EQ(preview.rows[0].refusals, std::vector<std::string>{c.message});
        EXPECT_EQ(preview.voucherCount(), 0);
        EXPECT_EQ(preview.refusedRowCount(), 1);
    }
}

} // namespace
} // namespace kszw::test
