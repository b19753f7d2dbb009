// The multi-column ledger: the columns from the children and their default side, the column rule
// (a line counts under the child it is or lies under), month and year totals, the detail rows of
// the children themselves, and every ledger of generated books against the statements.
#include "accountset/year_file.h"
#include "chart/chart_import.h"
#include "common/text.h"
#include "formula/format_number.h"
#include "ledger/multi_column_ledger.h"
#include "ledger/three_column_ledger.h"
#include "store/database.h"
#include "store/ks_dbset.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace kszw::test {
namespace {

constexpr std::string_view kChart = "code,name,kind,unit,multi_column,direction,width\n"
                                    "1001,现金,0,,0,0,0\n"
                                    "6602,管理费用,0,,1,0,0\n"
                                    "6602-1,办公费,0,,0,1,6\n"
                                    "6602-2,差旅费,0,,0,1,5\n"
                                    "6602-3,费用冲减,0,,0,-1,5\n"
                                    "6602-4,其他,0,,0,1,5\n"
                                    "6602-1-1,文具,0,,0,0,0\n"
                                    "6602-10,工资,0,,0,1,6\n"
                                    "2202,应付账款,0,,1,0,0\n"
                                    "2202-1,甲公司,0,,0,-1,6\n"
                                    "2202-2,乙公司,0,,0,-1,6\n";

// The statements of the multi-column ledger, one per figure, and the grid filled the long way.
namespace oracle {

std::string columnsSql(const std::vector<LedgerColumn>& columns, int first, bool perLine)
{
    std::string sql;
    for (size_t j = 0; j < columns.size(); ++j) {
        const int s = first + static_cast<int>(j) * (perLine ? 2 : 3);
        if (perLine)
            sql += format(",cstr(?%d*F*MY*(1-abs(strcomp(trim(KNO),?%d,0))))", s, s + 1);
        else
            sql += format(",cstr(?%d*sum(F*MY*(2-abs(strcomp(trim(KNO),?%d,0))-abs(strcomp(substr(trim(KNO),1,?%d),"
                          "?%d||'-',0)))))",
                          s, s + 1, s + 2, s + 1);
    }
    return sql;
}

void bindColumns(SqlParams& params, const std::vector<LedgerColumn>& columns, bool perLine = false)
{
    for (const LedgerColumn& column : columns) {
        params.push_back(static_cast<std::int64_t>(column.sign));
        params.push_back(column.code);
        if (!perLine)
            params.push_back(static_cast<std::int64_t>(column.code.size() + 1));
    }
}

std::vector<std::string> fill(const std::string& date, bool detail, const std::string& number,
                              const std::string& text, const std::vector<std::string>& values, double balance)
{
    std::vector<std::string> row{date.substr(4, 2), detail ? date.substr(6) : date.substr(6, 2), trimRight(number),
                                 text};
    for (const std::string& value : values)
        row.push_back(trim(FormatNumber(std::strtod(value.c_str(), nullptr), 0, 2, 0)));
    const double b = std::strtod(format("%.2f", balance).c_str(), nullptr);
    row.push_back(std::fabs(b) < 0.000001 ? "平" : b > 0.000001 ? "借" : "贷");
    row.push_back(trim(FormatNumber(std::fabs(b), 0, 2, 0)));
    return row;
}

std::vector<std::vector<std::string>> ledger(Database& db, const AccountingCalendar& cal, const std::string& k,
                                             int m1, int m2, const std::vector<LedgerColumn>& columns, bool detail)
{
    const size_t n = columns.size();
    std::vector<std::vector<std::string>> rows;
    std::vector<double> year(n, 0.0);
    double b = 0;
    const auto run = [&](const std::string& where, SqlParams params, std::vector<std::string>& values) {
        const int first = static_cast<int>(params.size()) + 1;
        if (db.queryLong("SELECT count(*) FROM P0 WHERE " + where, params) == 0)
            return false;
        bindColumns(params, columns);
        KS_Dbset q(db);
        q.open("SELECT 0" + columnsSql(columns, first, false) + " FROM P0 WHERE " + where, params);
        values.clear();
        for (size_t j = 0; j < n; ++j)
            values.push_back(q.textAt(static_cast<int>(j) + 1));
        return true;
    };
    const auto net = [&](const std::vector<std::string>& values) {
        double sum = 0;
        for (size_t j = 0; j < n; ++j)
            sum += columns[j].sign * std::strtod(values[j].c_str(), nullptr);
        return sum;
    };
    std::vector<std::string> values;
    if (run("trim(KNO) LIKE ?1||'-%' AND (val(TT)<?2 OR (val(TT)=?2 AND strcomp(CER,'    ',0)=0)) AND MK='4'",
            {k, static_cast<std::int64_t>(m1)}, values)) {
        for (size_t j = 0; j < n; ++j)
            year[j] = std::strtod(values[j].c_str(), nullptr);
        b = net(values);
        rows.push_back(fill(cal.period(m1).first, detail, "", "期 初 余 额 汇 总", values, b));
    }
    for (int m = m1; m <= m2; ++m) {
        const std::string code = m <= 9 ? format("0%1d", m) : format("%2d", m);
        const std::string end = cal.period(m).last;
        if (detail) {
            SqlParams params{k, code};
            bindColumns(params, columns, true);
            KS_Dbset q(db);
            double running = b;
            for (q.open("SELECT T,CER,rtrim(MRY)" + columnsSql(columns, 3, true) +
                            " FROM P0 WHERE trim(KNO) LIKE ?1||'-%' AND trim(KNO) NOT LIKE ?1||'-%-%' AND TT=?2 "
                            "AND strcomp(CER,'    ',0)<>0 AND MK='4' ORDER BY T,CER,trim(KNO)",
                        params);
                 !q.isEOF(); q.moveNext()) {
                std::vector<std::string> own;
                for (size_t j = 0; j < n; ++j)
                    own.push_back(q.textAt(static_cast<int>(j) + 3));
                running += net(own);
                rows.push_back(fill(q.textAt(0), true, q.textAt(1), q.textAt(2), own, running));
            }
        }
        const std::string where = detail ? "trim(KNO) LIKE ?1||'-%' AND TT=?2 AND strcomp(CER,'    ',0)<>0 AND MK='4'"
                                         : "(trim(KNO) LIKE ?1||'-%' OR trim(KNO)=?1) AND TT=?2 AND "
                                           "strcomp(CER,'    ',0)<>0 AND MK='4'";
        if (!run(where, {k, code}, values))
            continue;
        for (size_t j = 0; j < n; ++j)
            year[j] += std::strtod(values[j].c_str(), nullptr);
        b += net(values);
        rows.push_back(fill(end, detail, "", detail ? "本  月  合  计" : "本  月  汇  总", values, b));
        std::vector<std::string> ytd;
        for (double y : year)
            ytd.push_back(format("%.2f", y));
        rows.push_back(fill(end, detail, "", "本  年  累  计", ytd, b));
    }
    return rows;
}

} // namespace oracle

class MultiColumnTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        path = dir.file("2026.ksk");
        createYearFile(path, 2026);
        db = Database::open(path);
        const ImportResult chart = importSubjects(db, kChart);
        ASSERT_TRUE(chart.ok) << chart.text();
        // A file from another program may hold a child whose side was never set.
        db.execute("UPDATE SUBT SET DLF=0,DLW=0 WHERE trim(KNO)='6602-4'");
    }

    AccountingCalendar calendar() { return yearCalendar(db); }

    void line(const std::string& date, const std::string& number, const std::string& code, int f, double amount,
              const std::string& mk = "4", const std::string& summary = "摘要")
    {
        db.execute("INSERT INTO P0(T,CER,RN,MRY,KNO,F,MY,NU,MK,TT) VALUES(?1,?2,1,?3,?4,?5,?6,0,?7,?8)",
                   {date, number, summary, code, static_cast<std::int64_t>(f), amount, mk,
                    monthCode(calendar().monthOf(date))});
    }

    std::vector<std::vector<std::string>> cells(const std::vector<MultiColumnRow>& rows)
    {
        std::vector<std::vector<std::string>> result;
        for (const MultiColumnRow& row : rows)
            result.push_back(row.cells);
        return result;
    }

    TempDir dir;
    std::string path;
    Database db;
};

TEST_F(MultiColumnTest, AChildWithoutASideBecomesAFiveUnitDebitColumnOnceAndForAll)
{
    setDefaultColumnSides(db, "6602");
    const std::vector<LedgerColumn> columns = ledgerColumns(db, "6602");
    std::vector<std::string> codes;
    for (const LedgerColumn& column : columns)
        codes.push_back(column.code + ":" + std::to_string(column.sign) + ":" + std::to_string(column.width));
    // Debit columns in number order (10 after 4), then the credit one.
    EXPECT_EQ(codes, (std::vector<std::string>{"6602-1:1:12", "6602-2:1:10", "6602-4:1:10", "6602-10:1:12",
                                               "6602-3:-1:10"}));
    EXPECT_EQ(db.queryLong("SELECT DLF*100+DLW FROM SUBT WHERE trim(KNO)='6602-4'"), 105);
    // The grandchild is not a column and keeps its own values.
    EXPECT_EQ(db.queryLong("SELECT DLF FROM SUBT WHERE trim(KNO)='6602-1-1'"), 0);
}

TEST_F(MultiColumnTest, OnlyCreditColumnsStillGiveANetDebitBalance)
{
    line("20260305", "0001", "2202-1", -1, 300);
    line("20260306", "0002", "2202-2", 1, 100);
    const std::vector<LedgerColumn> columns = ledgerColumns(db, "2202");
    ASSERT_EQ(columns.size(), 2u);
    const std::vector<MultiColumnRow> rows = BuildMultiColumnSummary(db, calendar(), {"2202", 1, 12}, columns);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].cells, (std::vector<std::string>{"03", "31", "", "本  月  汇  总", "300.00", "-100.00", "贷",
                                                       "200.00"}));
}

TEST_F(MultiColumnTest, AGrandchildLineCountsInTheMonthTotalButHasNoRowOfItsOwn)
{
    setDefaultColumnSides(db, "6602");
    const std::vector<LedgerColumn> columns = ledgerColumns(db, "6602");
    line("20260110", "0001", "6602-1", 1, 50);
    line("20260111", "0002", "6602-1-1", 1, 7);
    line("20260112", "0003", "6602-3", -1, 5);
    // February has nothing: no rows.
    line("20260315", "0001", "6602-2", 1, 20);
    const std::vector<MultiColumnRow> rows = BuildMultiColumnDetail(db, calendar(), {"6602", 1, 12}, columns);
    ASSERT_EQ(rows.size(), 7u);
    EXPECT_EQ(rows[0].cells, (std::vector<std::string>{"01", "10", "0001", "摘要", "50.00", "", "", "", "", "借",
                                                       "50.00"}));
    EXPECT_EQ(rows[1].cells[2], "0003");
    EXPECT_EQ(rows[1].cells[8], "5.00");
    EXPECT_EQ(rows[1].cells[10], "45.00");
    EXPECT_EQ(rows[2].cells, (std::vector<std::string>{"01", "31", "", "本  月  合  计", "57.00", "", "", "", "5.00",
                                                       "借", "52.00"}));
    EXPECT_EQ(rows[4].cells[5], "20.00"); // March's line: 6602-2 is the second column
    EXPECT_EQ(rows[6].cells, (std::vector<std::string>{"03", "31", "", "本  年  累  计", "57.00", "20.00", "", "",
                                                       "5.00", "借", "72.00"}));
    // Each month total's balance is the three-column ledger's.
    const std::vector<LedgerRow> three = BuildDetailText(db, calendar(), {"6602", 1, 12});
    EXPECT_EQ(rows[2].cells[10], three[3].cells[7]);
    EXPECT_EQ(rows[5].cells[10], three.back().cells[7]);
}

TEST_F(MultiColumnTest, TheYearToDateStartsFromTheOpeningFigures)
{
    setDefaultColumnSides(db, "6602");
    const std::vector<LedgerColumn> columns = ledgerColumns(db, "6602");
    line("20260101", "    ", "6602-2", 1, 9);
    line("20260210", "0001", "6602-2", 1, 1);
    line("20260410", "0001", "6602-2", 1, 2);
    const std::vector<MultiColumnRow> rows = BuildMultiColumnSummary(db, calendar(), {"6602", 3, 12}, columns);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].cells[3], "期 初 余 额 汇 总");
    EXPECT_EQ(rows[0].cells[5], "10.00");
    EXPECT_EQ(rows[2].cells[5], "12.00");
    EXPECT_EQ(rows[2].cells.back(), "12.00");
}

TEST_F(MultiColumnTest, PrintedPagesCarryAPageSumPerColumn)
{
    std::vector<std::vector<std::string>> rows;
    rows.push_back({"01", "01", "", "期 初 余 额 汇 总", "", "", "平", ""});
    for (int i = 1; i <= 25; ++i)
        rows.push_back({"01", format("%02d", i), format("%04d", i), "x", "1.00", "2.00", "借", "9.00"});
    const auto printed = BuildMultiColumnPrintRows(rows, 20);
    EXPECT_EQ(printed[19], (std::vector<std::string>{"01", "18", "", "  过  次  页", "18.00", "36.00", "借", "9.00"}));
    EXPECT_EQ(printed[20][3], "  承  前  页");
    EXPECT_EQ(multiColumnPageText(3), "本帐户第   3 页");
}

TEST_F(MultiColumnTest, GeneratedBooksEqualTheStatements)
{
    setDefaultColumnSides(db, "6602");
    std::mt19937 random(6602u);
    const auto pick = [&](int from, int to) { return std::uniform_int_distribution<int>(from, to)(random); };
    const char* codes[] = {"6602-1", "6602-1-1", "6602-2", "6602-3", "6602-4", "6602-10", "6602", "6602-2 ",
                           "2202-1", "2202-2", "1001"};
    line("20260101", "    ", "6602-1", 1, 100);
    line("20260101", "    ", "2202-1", -1, 400);
    for (int v = 1; v <= 300; ++v) {
        const int month = pick(1, 12);
        const std::string date = format("2026%02d%02d", month, pick(1, 28));
        const std::string number = format("%04d", v);
        const std::string mk = pick(0, 8) == 0 ? "2" : "4";
        const double amount = pick(1, 90000) / 100.0;
        line(date, number, codes[pick(0, 10)], pick(0, 1) ? 1 : -1, amount, mk);
    }
    for (const char* account : {"6602", "2202"}) {
        const std::vector<LedgerColumn> columns = ledgerColumns(db, account);
        for (const auto& [m1, m2] : std::vector<std::pair<int, int>>{{1, 12}, {3, 3}, {4, 9}}) {
            SCOPED_TRACE(std::string(account) + format(" %d-%d", m1, m2));
            EXPECT_EQ(cells(BuildMultiColumnSummary(db, calendar(), {account, m1, m2}, columns)),
                      oracle::ledger(db, calendar(), account, m1, m2, columns, false));
            EXPECT_EQ(cells(BuildMultiColumnDetail(db, calendar(), {account, m1, m2}, columns)),
                      oracle::ledger(db, calendar(), account, m1, m2, columns, true));
        }
    }
}

} // namespace
} // namespace kszw::test
