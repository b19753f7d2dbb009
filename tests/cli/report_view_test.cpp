// kszw-cli view report on the demo set: the balance sheet balances in every closed month, the
// year's net profit is what the owners' equity gained, the balance sheet's amounts are the balance
// table's, and a formula that fails is told in its cell and on stderr.
#include "reports/report_definitions.h"
#include "store/database.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <regex>
#include <sstream>

namespace kszw {
namespace {

using test::shellQuote;

int cli(const std::string& arguments, std::string& output, bool mergeStderr = false)
{
    return test::runCommand(shellQuote(KSZW_CLI_PATH) + " " + arguments, output, mergeStderr);
}

std::vector<std::vector<std::string>> tsvRows(const std::string& text)
{
    std::vector<std::vector<std::string>> rows;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        std::vector<std::string> cells;
        size_t start = 0;
        for (size_t tab = line.find('\t'); tab != std::string::npos; tab = line.find('\t', start)) {
            cells.push_back(line.substr(start, tab - start));
            start = tab + 1;
        }
        cells.push_back(line.substr(start));
        rows.push_back(std::move(cells));
    }
    return rows;
}

// "1,234.56" → 1234.56; "" → 0.
double amount(const std::string& text)
{
    std::string plain;
    for (char c : text)
        if (c != ',')
            plain += c;
    return plain.empty() ? 0 : std::stod(plain);
}

class CliReports : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir = new test::TempDir;
        std::string output;
        // Books up to 7 December: January to October closed, each with its profit carried over.
        ASSERT_EQ(cli("demo " + shellQuote(dir->localFile("demo")) + " --year 2026 --date 20261207", output), 0)
            << output;
        file = dir->localFile("demo/2026.ksk");
    }
    static void TearDownTestSuite()
    {
        delete dir;
        dir = nullptr;
    }

    static std::vector<std::vector<std::string>> view(const std::string& arguments)
    {
        std::string output;
        EXPECT_EQ(cli("view " + shellQuote(file) + " " + arguments, output), 0) << arguments << "\n" << output;
        return tsvRows(output);
    }

    // A statement's amounts by item (the text without the indent) and column (0 or 1).
    static std::map<std::string, std::array<double, 2>> amounts(const std::string& name, int month)
    {
        std::map<std::string, std::array<double, 2>> byItem;
        for (const auto& row : view("report --name " + name + " --month " + std::to_string(month))) {
            for (size_t half = 0; half + 3 < row.size(); half += 4) {
                std::string item = row[half];
                while (item.rfind("　", 0) == 0)
                    item.erase(0, std::string("　").size());
                if (!item.empty() && item[0] != '#' && row[half + 1] != "行次")
                    byItem[item] = {amount(row[half + 2]), amount(row[half + 3])};
            }
        }
        return byItem;
    }

    // Signed balances (debit positive) of the subjects of one level (the top level, or the
    // children of parent) at a day's end, from the balance table.
    static std::map<std::string, double> balances(const std::string& date, const std::string& parent = "")
    {
        std::map<std::string, double> byCode;
        for (const auto& row : view("balance --date " + date + (parent.empty() ? "" : " --parent " + parent)))
            if (row.size() == 4 && !row[0].empty() && row[0][0] != '#' && row[0] != "科目代码")
                byCode[row[0]] = (row[2] == "贷" ? -1 : 1) * amount(row[3]);
        return byCode;
    }

    // The same of the opening balances, from the balance-and-turnover table of January.
    static std::map<std::string, double> openingBalances(const std::string& parent = "")
    {
        std::map<std::string, double> byCode;
        for (const auto& row : view("turnover --from 1 --to 1" + (parent.empty() ? "" : " --parent " + parent)))
            if (row.size() == 8 && !row[0].empty() && row[0][0] != '#' && row[0] != "科目代码")
                byCode[row[0]] = (row[2] == "贷" ? -1 : 1) * amount(row[3]);
        return byCode;
    }

    static test::TempDir* dir;
    static std::string file;
};

test::TempDir* CliReports::dir = nullptr;
std::string CliReports::file;

TEST_F(CliReports, EveryClosedMonthBalancesAndItsProfitIsTheGainOfTheOwnersEquity)
{
    const std::map<std::string, double> opening = openingBalances();
    for (int month = 1; month <= 10; ++month) {
        const auto sheet = amounts("资产负债表", month);
        EXPECT_NEAR(sheet.at("资产总计")[0], sheet.at("负债和所有者权益总计")[0], 0.001) << month;
        EXPECT_NEAR(sheet.at("资产总计")[1], sheet.at("负债和所有者权益总计")[1], 0.001) << month;
        EXPECT_GT(sheet.at("资产总计")[0], 1000000.0) << month;
        std::string output;
        ASSERT_EQ(cli("view " + shellQuote(file) + " report --name 资产负债表 --month " + std::to_string(month), output),
                  0);
        EXPECT_NE(output.find("\n# 资产总计与负债和所有者权益总计相等\n"), std::string::npos) << month;

        const auto income = amounts("利润表", month);
        const double profit = income.at("四、净利润（净亏损以“-”号填列）")[1];
        // The owners' equity subjects 4001 实收资本, 4103 本年利润 and 4104 利润分配, credit positive.
        char lastDay[16];
        std::snprintf(lastDay, sizeof lastDay, "2026%02d%02d", month,
                      month == 2 ? 28 : (month == 4 || month == 6 || month == 9 || month == 11) ? 30 : 31);
        const std::map<std::string, double> closing = balances(lastDay);
        double gain = 0;
        for (const char* code : {"4001", "4103", "4104"})
            gain += -(closing.count(code) ? closing.at(code) : 0) + (opening.count(code) ? opening.at(code) : 0);
        EXPECT_NEAR(profit, gain, 0.001) << month;
        EXPECT_GT(std::fabs(profit), 1.0) << month;
        // The year so far is the months so far.
        double months = 0;
        for (int m = 1; m <= month; ++m)
            months += amounts("利润表", m).at("四、净利润（净亏损以“-”号填列）")[0];
        EXPECT_NEAR(profit, months, 0.001) << month;
    }
}

TEST_F(CliReports, BalanceSheetAmountsAreTheBalanceTablesFigures)
{
    Database db = Database::openReadOnly(file);
    const std::optional<ReportDefinition> sheet = findReport(db, "资产负债表");
    ASSERT_TRUE(sheet);
    // A term: ye (the balance), jye or dye (the debit or credit balances of the sub-subjects).
    const std::regex term("([+-]?)(j|d|)ye\\(\"([0-9]+)\",(yf\\(\\)|0)\\)");
    for (int month : {3, 10}) {
        const auto shown = amounts("资产负债表", month);
        const std::string date = month == 3 ? "20260331" : "20261031";
        int compared = 0;
        for (const ReportLine& line : sheet->lines)
            for (size_t column = 0; column < 2; ++column) {
                const std::string& formula = line.formulas[column];
                if (formula.empty() || formula.find("r(") != std::string::npos)
                    continue;
                double expected = 0;
                size_t covered = 0;
                for (std::sregex_iterator it(formula.begin(), formula.end(), term), end; it != end; ++it) {
                    const std::string side = (*it)[2];
                    const std::string code = (*it)[3];
                    double value = 0;
                    if (side.empty()) {
                        const auto top = column == 0 ? balances(date) : openingBalances();
                        value = top.count(code) ? top.at(code) : 0;
                    } else {
                        // The children's lines of the table: each on the side the term takes.
                        const auto children = column == 0 ? balances(date, code) : openingBalances(code);
                        for (const auto& [child, balance] : children)
                            if (side == "j" ? balance > 0 : balance < 0)
                                value += std::fabs(balance);
                    }
                    expected += (*it)[1] == "-" ? -value : value;
                    covered += static_cast<size_t>(it->length());
                }
                ASSERT_EQ(covered, formula.size()) << formula; // the shipped formulas are sums of balances
                EXPECT_NEAR(shown.at(line.item)[column], expected, 0.001) << line.item << " " << month;
                ++compared;
            }
        EXPECT_GE(compared, 30);
    }
}

TEST_F(CliReports, AFailingFormulaIsToldInItsCellAndOnStderrNeverAsANumber)
{
    test::TempDir scratch;
    const std::string copy = scratch.localFile("2026.ksk");
    std::filesystem::copy_file(file, copy);
    {
        Database db = Database::open(copy);
        ReportDefinition sheet = *findReport(db, "资产负债表");
        sheet.lines[1].formulas[0] = "ye(\"9999\",yf())";
        sheet.lines[2].formulas[1] = "ye(\"1001\",yf()";
        saveReport(db, sheet);
    }
    const std::string command = "view " + shellQuote(copy) + " report --name 资产负债表 --month 3 2>" +
                                shellQuote(scratch.localFile("err.txt"));
    std::string output;
    EXPECT_EQ(cli(command, output), 1);
    const auto rows = tsvRows(output);
    ASSERT_GE(rows.size(), 6u);
    EXPECT_EQ(rows[6][0], "　货币资金");
    EXPECT_EQ(rows[6][2], "科目“9999”出错！");
    EXPECT_EQ(rows.back()[2], "行次1：科目“9999”出错！");
    EXPECT_NE(output.find("# 资产总计或负债和所有者权益总计的公式出错，无法核对！"), std::string::npos);
    const std::string errors = test::readFile(scratch.localFile("err.txt"));
    EXPECT_NE(errors.find("货币资金（行次1）期末余额：科目“9999”出错！\n"), std::string::npos) << errors;
    EXPECT_NE(errors.find("短期投资（行次2）年初余额：函数无右括号！\n"), std::string::npos) << errors;
    EXPECT_NE(errors.find("资产总计（行次30）期末余额：行次1：科目“9999”出错！\n"), std::string::npos) << errors;
}

TEST_F(CliReports, ChoicesAreCheckedAndEveryFormatIsWritten)
{
    const struct {
        std::string arguments;
        int status;
        std::string told;
    } cases[] = {
        {"report --name 现金流量表 --month 3", 1, "没有名为“现金流量表”的报表（本年度的报表：资产负债表、利润表）！"},
        {"report --name 利润表 --month 13", 1, "--month 应为 1 到 12 的会计月份！"},
        {"report --name 利润表", 1, "--month 应为 1 到 12 的会计月份！"},
        {"report --month 3", 1, "--name 应为报表名称（本年度的报表：资产负债表、利润表）！"},
        {"report --name 利润表 --month 3 --operator 101", 1, ""}, // the administrator lacks 0305
    };
    for (const auto& c : cases) {
        std::string output;
        EXPECT_EQ(cli("view " + shellQuote(file) + " " + c.arguments, output, true), c.status) << c.arguments;
        EXPECT_NE(output.find(c.told), std::string::npos) << output;
    }
    std::string output;
    ASSERT_EQ(cli("view " + shellQuote(file) + " report --name 利润表 --month 3 --format csv", output), 0);
    EXPECT_EQ(output.substr(0, output.find('\n')), "# 利润表");
    EXPECT_NE(output.find("项目,行次,本月金额,本年累计金额\n"), std::string::npos) << output;
    for (const char* format : {"xlsx", "pdf"}) {
        const std::string out = dir->localFile(std::string("report.") + format);
        ASSERT_EQ(cli("view " + shellQuote(file) + " report --name 资产负债表 --month 3 --format " + format + " --out " +
                          shellQuote(out),
                      output, true),
                  0)
            << output;
        const std::string bytes = test::readFile(out);
        EXPECT_EQ(bytes.substr(0, 4), std::string(format) == "pdf" ? "%PDF" : "PK\x03\x04") << format;
    }
}

} // namespace
} // namespace kszw
