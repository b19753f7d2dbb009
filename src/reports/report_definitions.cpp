// The statements' definitions: the shipped balance sheet and income statement of a small
// enterprise, and their tables in the year file.
#include "reports/report_definitions.h"

#include "common/text.h"
#include "store/database.h"
#include "store/ks_dbset.h"
#include "store/transaction.h"

#include <algorithm>
#include <cstdlib>
#include <set>

namespace kszw {

namespace {

constexpr std::string_view kCreateReports =
    "CREATE TABLE KSRPT(RNO LONG,RNAME CHAR(40),RCODE CHAR(20),COL1 CHAR(20),COL2 CHAR(20),HALVES LONG)";
constexpr std::string_view kCreateReportLines =
    "CREATE TABLE KSRPTROW(RNO LONG,SEQ LONG,HALF LONG,ITEM CHAR(80),LNO CHAR(4),F1 CHAR(500),F2 CHAR(500),"
    "BOLD LONG,IND LONG)";
constexpr std::string_view kIndexReportLines = "CREATE INDEX KSRPTROW_IX ON KSRPTROW(RNO,SEQ)";

constexpr std::string_view kReadReports =
    "SELECT RNO,rtrim(RNAME),rtrim(RCODE),rtrim(COL1),rtrim(COL2),HALVES FROM KSRPT ORDER BY RNO";
constexpr std::string_view kReadLines =
    "SELECT HALF,rtrim(ITEM),trim(LNO),rtrim(F1),rtrim(F2),BOLD,IND FROM KSRPTROW WHERE RNO=?1 ORDER BY SEQ";
constexpr std::string_view kDeleteReport = "DELETE FROM KSRPT WHERE RNO=?1";
constexpr std::string_view kDeleteLines = "DELETE FROM KSRPTROW WHERE RNO=?1";
constexpr std::string_view kInsertReport =
    "INSERT INTO KSRPT(RNO,RNAME,RCODE,COL1,COL2,HALVES) VALUES(?1,?2,?3,?4,?5,?6)";
constexpr std::string_view kInsertLine =
    "INSERT INTO KSRPTROW(RNO,SEQ,HALF,ITEM,LNO,F1,F2,BOLD,IND) VALUES(?1,?2,?3,?4,?5,?6,?7,?8,?9)";
constexpr std::string_view kSubjectCodes = "SELECT trim(KNO) FROM SUBT";

// A shipped line. spec names what its amounts are made of, in terms separated by blanks:
//   "1001"   the balance of the subject (debit positive)     "-2001"  the balance turned over
//   "J1122"  the debit balances of its sub-subjects            "D2202"  their credit balances
//   "d6001"  the credit amount of the subject                  "j6401"  its debit amount
// Terms whose subject the chart lacks are left out. A spec beginning with "=" is a formula of line
// references, the same in both columns. An empty spec and a heading (line 0) have no formula.
struct ShippedLine {
    int half;
    const char* item;
    int line;
    int indent;
    bool bold;
    const char* spec;
};

// 资产负债表 (会小企01表). The codes are those of the chart the program's account sets use:
// 4001 实收资本 … 4104 利润分配, 5001 生产成本, 5101 制造费用.
constexpr ShippedLine kBalanceSheet[] = {
    {0, "流动资产：", 0, 0, true, ""},
    {0, "货币资金", 1, 1, false, "1001 1002 1012"},
    {0, "短期投资", 2, 1, false, "1101"},
    {0, "应收票据", 3, 1, false, "1121"},
    {0, "应收账款", 4, 1, false, "J1122 J2203 1231"},
    {0, "预付账款", 5, 1, false, "J1123 J2202"},
    {0, "应收股利", 6, 1, false, "1131"},
    {0, "应收利息", 7, 1, false, "1132"},
    {0, "其他应收款", 8, 1, false, "1221"},
    {0, "存货", 9, 1, false,
     "1401 1402 1403 1404 1405 1406 1407 1408 1411 1421 1471 5001 5101 5201 5401 5402 5403"},
    {0, "其中：原材料", 10, 2, false, "1403"},
    {0, "在产品", 11, 4, false, "5001 5101"},
    {0, "库存商品", 12, 4, false, "1405"},
    {0, "周转材料", 13, 4, false, "1411"},
    {0, "其他流动资产", 14, 1, false, "1901"},
    {0, "流动资产合计", 15, 2, true, "=r(1)+r(2)+r(3)+r(4)+r(5)+r(6)+r(7)+r(8)+r(9)+r(14)"},
    {0, "非流动资产：", 0, 0, true, ""},
    {0, "长期债券投资", 16, 1, false, "1501"},
    {0, "长期股权投资", 17, 1, false, "1511"},
    {0, "固定资产原价", 18, 1, false, "1601"},
    {0, "减：累计折旧", 19, 1, false, "-1602"},
    {0, "固定资产账面价值", 20, 1, false, "=r(18)-r(19)"},
    {0, "在建工程", 21, 1, false, "1604"},
    {0, "工程物资", 22, 1, false, "1605"},
    {0, "固定资产清理", 23, 1, false, "1606"},
    {0, "生产性生物资产", 24, 1, false, "1621 1622"},
    {0, "无形资产", 25, 1, false, "1701 1702"},
    {0, "开发支出", 26, 1, false, "5301"},
    {0, "长期待摊费用", 27, 1, false, "1801"},
    {0, "其他非流动资产", 28, 1, false, ""},
    {0, "非流动资产合计", 29, 2, true, "=r(16)+r(17)+r(20)+r(21)+r(22)+r(23)+r(24)+r(25)+r(26)+r(27)+r(28)"},
    {0, "资产总计", 30, 0, true, "=r(15)+r(29)"},
    {1, "流动负债：", 0, 0, true, ""},
    {1, "短期借款", 31, 1, false, "-2001"},
    {1, "应付票据", 32, 1, false, "-2201"},
    {1, "应付账款", 33, 1, false, "D2202 D1123"},
    {1, "预收账款", 34, 1, false, "D2203 D1122"},
    {1, "应付职工薪酬", 35, 1, false, "-2211"},
    {1, "应交税费", 36, 1, false, "-2221"},
    {1, "应付利息", 37, 1, false, "-2231"},
    {1, "应付利润", 38, 1, false, "-2232"},
    {1, "其他应付款", 39, 1, false, "-2241"},
    {1, "其他流动负债", 40, 1, false, ""},
    {1, "流动负债合计", 41, 2, true, "=r(31)+r(32)+r(33)+r(34)+r(35)+r(36)+r(37)+r(38)+r(39)+r(40)"},
    {1, "非流动负债：", 0, 0, true, ""},
    {1, "长期借款", 42, 1, false, "-2501"},
    {1, "长期应付款", 43, 1, false, "-2701"},
    {1, "递延收益", 44, 1, false, "-2401"},
    {1, "其他非流动负债", 45, 1, false, ""},
    {1, "非流动负债合计", 46, 2, true, "=r(42)+r(43)+r(44)+r(45)"},
    {1, "负债合计", 47, 2, true, "=r(41)+r(46)"},
    {1, "所有者权益：", 0, 0, true, ""},
    {1, "实收资本", 48, 1, false, "-4001"},
    {1, "资本公积", 49, 1, false, "-4002"},
    {1, "盈余公积", 50, 1, false, "-4101"},
    {1, "未分配利润", 51, 1, false, "-4103 -4104"},
    {1, "所有者权益合计", 52, 2, true, "=r(48)+r(49)+r(50)+r(51)"},
    {1, "负债和所有者权益总计", 53, 0, true, "=r(47)+r(52)"},
};

// 利润表 (会小企02表). Revenue and gains are their subjects' credit amounts, costs and expenses
// their debit amounts, each netted over the month but without the vouchers that carry the month's
// profit to 本年利润 (4103), so interest income credited to 财务费用 or a return debited to revenue
// count as they should. The 其中 lines are for the bookkeeper's own sub-subjects.
constexpr ShippedLine kIncomeStatement[] = {
    {0, "一、营业收入", 1, 0, true, "d6001 d6051"},
    {0, "减：营业成本", 2, 1, false, "j6401 j6402"},
    {0, "税金及附加", 3, 3, false, "j6403"},
    {0, "其中：消费税", 4, 3, false, ""},
    {0, "营业税", 5, 6, false, ""},
    {0, "城市维护建设税", 6, 6, false, ""},
    {0, "资源税", 7, 6, false, ""},
    {0, "土地增值税", 8, 6, false, ""},
    {0, "城镇土地使用税、房产税、车船税、印花税", 9, 6, false, ""},
    {0, "教育费附加、矿产资源补偿费、排污费", 10, 6, false, ""},
    {0, "销售费用", 11, 3, false, "j6601"},
    {0, "其中：商品维修费", 12, 3, false, ""},
    {0, "广告费和业务宣传费", 13, 6, false, ""},
    {0, "管理费用", 14, 3, false, "j6602"},
    {0, "其中：开办费", 15, 3, false, ""},
    {0, "业务招待费", 16, 6, false, ""},
    {0, "研究费用", 17, 6, false, ""},
    {0, "财务费用", 18, 3, false, "j6603"},
    {0, "其中：利息费用（收入以“-”号填列）", 19, 3, false, ""},
    {0, "加：投资收益（损失以“-”号填列）", 20, 1, false, "d6111"},
    {0, "二、营业利润（亏损以“-”号填列）", 21, 0, true, "=r(1)-r(2)-r(3)-r(11)-r(14)-r(18)+r(20)"},
    {0, "加：营业外收入", 22, 1, false, "d6301"},
    {0, "其中：政府补助", 23, 3, false, ""},
    {0, "减：营业外支出", 24, 1, false, "j6711"},
    {0, "其中：坏账损失", 25, 3, false, ""},
    {0, "无法收回的长期债券投资损失", 26, 6, false, ""},
    {0, "无法收回的长期股权投资损失", 27, 6, false, ""},
    {0, "自然灾害等不可抗力因素造成的损失", 28, 6, false, ""},
    {0, "税收滞纳金", 29, 6, false, ""},
    {0, "三、利润总额（亏损总额以“-”号填列）", 30, 0, true, "=r(21)+r(22)-r(24)"},
    {0, "减：所得税费用", 31, 1, false, "j6801"},
    {0, "四、净利润（净亏损以“-”号填列）", 32, 0, true, "=r(30)-r(31)"},
};

// The codes above are those of the chart the demo set uses (企业会计准则: owners' equity 4xxx,
// costs 5xxx, profit and loss 6xxx). A chart numbered as the small enterprises' chart of 2013 (小企业
// 会计准则: 3xxx, 4xxx, 5xxx; known by its 3103 本年利润) has these codes instead; assets and
// liabilities are numbered alike in both.
struct CodeInOtherChart {
    std::string_view code;
    std::string_view smallEnterprise; // empty: that chart has no such subject
};
constexpr CodeInOtherChart kSmallEnterpriseCodes[] = {
    {"4001", "3001"}, {"4002", "3002"}, {"4101", "3101"}, {"4103", "3103"}, {"4104", "3104"},
    {"5001", "4001"}, {"5101", "4101"}, {"5201", ""},     {"5301", "4301"}, {"5401", "4401"},
    {"5402", ""},     {"5403", "4403"}, {"6001", "5001"}, {"6051", "5051"}, {"6111", "5111"},
    {"6301", "5301"}, {"6401", "5401"}, {"6402", "5402"}, {"6403", "5403"}, {"6601", "5601"},
    {"6602", "5602"}, {"6603", "5603"}, {"6711", "5711"}, {"6801", "5801"},
};

// The subject the month's profit is carried to.
constexpr std::string_view kProfitSubject = "4103";

// A code of the shipped lines as the year's chart numbers it.
std::string chartCode(const std::string& code, bool smallEnterprise)
{
    if (!smallEnterprise)
        return code;
    for (const CodeInOtherChart& entry : kSmallEnterpriseCodes)
        if (entry.code == code)
            return std::string(entry.smallEnterprise);
    return code;
}

std::vector<std::string> words(std::string_view text)
{
    std::vector<std::string> result;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = std::min(text.find(' ', start), text.size());
        if (end > start)
            result.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    return result;
}

// The formula of one column of a shipped line: column 0 is the statement's month (期末余额,
// 本月金额), column 1 the year's start or the year so far (年初余额, 本年累计金额).
std::string shippedFormula(std::string_view spec, int column, const std::set<std::string>& chart)
{
    if (!spec.empty() && spec.front() == '=')
        return std::string(spec.substr(1));
    const bool smallEnterprise = chartNumbering(chart) == ChartNumbering::SmallEnterprise;
    const std::string profitSubject = chartCode(std::string(kProfitSubject), smallEnterprise);
    const bool transfers = chart.count(profitSubject) > 0;
    std::string formula;
    for (const std::string& term : words(spec)) {
        std::string code = term;
        bool negative = false;
        char kind = 'b'; // b a balance, d a credit amount, j a debit amount, D and J side balances
        if (code.front() == '-') {
            negative = true;
            code.erase(0, 1);
        }
        if (code.front() == 'd' || code.front() == 'j' || code.front() == 'D' || code.front() == 'J') {
            kind = code.front();
            code.erase(0, 1);
        }
        code = chartCode(code, smallEnterprise);
        if (code.empty() || !chart.count(code))
            continue;
        std::string call;
        const std::string quoted = "\"" + code + "\"";
        if (kind == 'b') {
            call = "ye(" + quoted + (column == 0 ? ",yf())" : ",0)");
        } else if (kind == 'D' || kind == 'J') {
            call = std::string(kind == 'J' ? "jye(" : "dye(") + quoted + (column == 0 ? ",yf())" : ",0)");
        } else if (transfers) {
            // The net amount without the transfer vouchers: a credit amount is its negative.
            negative = negative != (kind == 'd');
            call = "sy(" + quoted + (column == 0 ? ",yf(),yf()," : ",1,yf(),") + "\"" + profitSubject + "\")";
        } else {
            call = std::string(kind == 'd' ? "df(" : "jf(") + quoted + (column == 0 ? ",yf())" : ",1,yf())");
        }
        if (negative || !formula.empty())
            formula += negative ? '-' : '+';
        formula += call;
    }
    return formula;
}

template <size_t N>
ReportDefinition shipped(int number, std::string_view name, std::string_view formCode,
                         std::array<std::string, 2> columns, bool twoHalves, const ShippedLine (&lines)[N],
                         const std::set<std::string>& chart)
{
    ReportDefinition definition;
    definition.number = number;
    definition.name = name;
    definition.formCode = formCode;
    definition.columns = std::move(columns);
    definition.twoHalves = twoHalves;
    for (const ShippedLine& shippedLine : lines) {
        ReportLine line;
        line.half = shippedLine.half;
        line.item = shippedLine.item;
        line.lineNumber = shippedLine.line > 0 ? std::to_string(shippedLine.line) : std::string();
        line.bold = shippedLine.bold;
        line.indent = shippedLine.indent;
        if (shippedLine.line > 0)
            for (int column = 0; column < 2; ++column)
                line.formulas[static_cast<size_t>(column)] = shippedFormula(shippedLine.spec, column, chart);
        definition.lines.push_back(std::move(line));
    }
    return definition;
}

std::set<std::string> chartCodes(Database& db)
{
    std::set<std::string> codes;
    KS_Dbset rows(db);
    for (rows.open(kSubjectCodes); !rows.isEOF(); rows.moveNext())
        codes.insert(rows.textAt(0));
    return codes;
}

void storeReport(Database& db, const ReportDefinition& definition)
{
    const std::int64_t number = definition.number;
    db.execute(kDeleteReport, {number});
    db.execute(kDeleteLines, {number});
    db.execute(kInsertReport, {number, definition.name, definition.formCode, definition.columns[0],
                               definition.columns[1], static_cast<std::int64_t>(definition.twoHalves ? 1 : 0)});
    std::int64_t sequence = 0;
    // The left half's lines first, each half in its order: the order the statement is read in.
    for (int half = 0; half < 2; ++half)
        for (const ReportLine& line : definition.lines) {
            if ((definition.twoHalves ? line.half : 0) != half)
                continue;
            db.execute(kInsertLine, {number, ++sequence, static_cast<std::int64_t>(half), line.item,
                                     line.lineNumber, line.formulas[0], line.formulas[1],
                                     static_cast<std::int64_t>(line.bold ? 1 : 0),
                                     static_cast<std::int64_t>(line.indent)});
        }
}

} // namespace

ChartNumbering chartNumbering(const std::set<std::string>& codes)
{
    return codes.count("3103") || (codes.count("3001") && !codes.count("4001")) ? ChartNumbering::SmallEnterprise
                                                                                : ChartNumbering::Enterprise;
}

ChartNumbering chartNumbering(Database& db)
{
    return chartNumbering(chartCodes(db));
}

std::vector<ReportDefinition> shippedReports(Database& db)
{
    const std::set<std::string> chart = chartCodes(db);
    return {
        shipped(kBalanceSheetNumber, kBalanceSheetName, "会小企01表", {"期末余额", "年初余额"}, true, kBalanceSheet,
                chart),
        shipped(kIncomeStatementNumber, kIncomeStatementName, "会小企02表", {"本月金额", "本年累计金额"}, false,
                kIncomeStatement, chart),
    };
}

bool reportTablesExist(Database& db)
{
    return db.tableExists("KSRPT") && db.tableExists("KSRPTROW");
}

void createReportTables(Database& db)
{
    if (!db.tableExists("KSRPT"))
        db.execute(kCreateReports);
    if (!db.tableExists("KSRPTROW")) {
        db.execute(kCreateReportLines);
        db.execute(kIndexReportLines);
    }
}

std::vector<ReportDefinition> loadReports(Database& db)
{
    if (!reportTablesExist(db))
        return shippedReports(db);
    std::vector<ReportDefinition> reports;
    KS_Dbset heads(db);
    for (heads.open(kReadReports); !heads.isEOF(); heads.moveNext()) {
        ReportDefinition definition;
        definition.number = heads.longAt(0);
        definition.name = heads.textAt(1);
        definition.formCode = heads.textAt(2);
        definition.columns = {heads.textAt(3), heads.textAt(4)};
        definition.twoHalves = heads.longAt(5) != 0;
        reports.push_back(std::move(definition));
    }
    heads.close();
    for (ReportDefinition& definition : reports) {
        KS_Dbset lines(db);
        for (lines.open(kReadLines, {static_cast<std::int64_t>(definition.number)}); !lines.isEOF();
             lines.moveNext()) {
            ReportLine line;
            line.half = definition.twoHalves && lines.longAt(0) == 1 ? 1 : 0;
            line.item = lines.textAt(1);
            line.lineNumber = lines.textAt(2);
            line.formulas = {lines.textAt(3), lines.textAt(4)};
            line.bold = lines.longAt(5) != 0;
            line.indent = std::clamp(static_cast<int>(lines.longAt(6)), 0, 20);
            definition.lines.push_back(std::move(line));
        }
    }
    return reports;
}

std::optional<ReportDefinition> findReport(Database& db, std::string_view name)
{
    const std::string wanted = trimWhitespace(name);
    for (ReportDefinition& definition : loadReports(db))
        if (definition.name == wanted)
            return std::move(definition);
    return std::nullopt;
}

std::optional<std::string> checkReportShape(const ReportDefinition& definition)
{
    if (trimWhitespace(definition.name).empty())
        return std::string("报表名称不能为空！");
    if (charCount(definition.name) > 20)
        return std::string("报表名称不能超过20个字！");
    for (const std::string& column : definition.columns)
        if (trimWhitespace(column).empty())
            return std::string("金额栏的栏目名称不能为空！");
    std::set<int> numbers;
    int row = 0;
    for (const ReportLine& line : definition.lines) {
        ++row;
        const std::string where = "第" + std::to_string(row) + "行：";
        if (trimWhitespace(line.item).empty())
            return where + "项目不能为空！";
        if (charCount(line.item) > kMaxItemLength)
            return where + "项目不能超过" + std::to_string(kMaxItemLength) + "个字！";
        for (const std::string& formula : line.formulas)
            if (charCount(formula) > kMaxFormulaLength)
                return where + "公式不能超过" + std::to_string(kMaxFormulaLength) + "个字符！";
        if (line.lineNumber.empty()) {
            if (!trimWhitespace(line.formulas[0]).empty() || !trimWhitespace(line.formulas[1]).empty())
                return where + "有公式的行必须有行次！";
            continue;
        }
        const int number = isAllDigits(line.lineNumber) && line.lineNumber.size() <= 3
                               ? std::atoi(line.lineNumber.c_str())
                               : 0;
        if (number < 1 || number > kMaxLineNumber)
            return where + "行次应为1到999的整数！";
        if (!numbers.insert(number).second)
            return where + "行次" + std::to_string(number) + "重复！";
    }
    return std::nullopt;
}

void saveReport(Database& db, const ReportDefinition& definition)
{
    Transaction transaction(db);
    if (!reportTablesExist(db)) {
        createReportTables(db);
        // The other shipped statements are kept as they are when the first one is changed.
        for (const ReportDefinition& other : shippedReports(db))
            if (other.number != definition.number)
                storeReport(db, other);
    }
    storeReport(db, definition);
    transaction.commit();
}

void saveReports(Database& db, const std::vector<ReportDefinition>& definitions)
{
    Transaction transaction(db);
    for (const ReportDefinition& definition : definitions)
        saveReport(db, definition);
    transaction.commit();
}

std::optional<ReportDefinition> restoreShippedReport(Database& db, int number)
{
    for (ReportDefinition& definition : shippedReports(db))
        if (definition.number == number) {
            saveReport(db, definition);
            return std::move(definition);
        }
    return std::nullopt;
}

std::string indentedItem(const ReportLine& line)
{
    std::string text;
    for (int i = 0; i < line.indent; ++i)
        text += "　";
    return text + line.item;
}

} // namespace kszw
