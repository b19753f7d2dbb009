// kszw-cli demo: creates the demonstration account set of a small manufacturing enterprise,
// through the same operations a user's actions go through (account set, account-set information,
// operators and rights, the chart of accounts, opening balances), so the demo is also a test of the
// whole program. Each subsystem adds its part of the year's work as it comes.
#include "accountset/account_set_info.h"
#include "accountset/account_sets.h"
#include "chart/chart_import.h"
#include "chart/opening_balances.h"
#include "cli/cli_prompt.h"
#include "cli/commands.h"
#include "cli/options.h"
#include "common/clock.h"
#include "common/dates.h"
#include "common/text.h"
#include "session/kszw_env.h"
#include "session/operators.h"
#include "session/rights.h"
#include "session/user_settings.h"
#include "store/accounting_calendar.h"
#include "formula/format_number.h"
#include "ledger/ledger_conventions.h"
#include "templates/template_generation.h"
#include "templates/voucher_templates.h"
#include "voucher/month_close.h"
#include "voucher/voucher_import.h"
#include "voucher/voucher_review.h"
#include "voucher/voucher_selection.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>

namespace kszw::cli {

namespace {

constexpr const char* kDemoUsage = "demo DIR [--year Y] [--date YYYYMMDD]";

constexpr std::string_view kDemoUnit = "岚屿穗示范机械有限公司";
constexpr std::string_view kDemoChief = "张会计";

// The chart of a small manufacturing enterprise: assets, liabilities, equity, cost and profit and
// loss; 原材料 kept in quantity and amount, 管理费用 a multi-column ledger of its expenses.
constexpr std::string_view kDemoChart =
    "code,name,kind,unit,multi_column,direction,width\n"
    "1001,库存现金,0,,0,0,0\n"
    "1002,银行存款,0,,0,0,0\n"
    "1002-1,工商银行基本户,0,,0,0,0\n"
    "1002-2,建设银行一般户,0,,0,0,0\n"
    "1122,应收账款,0,,0,0,0\n"
    "1122-1,华东机械厂,0,,0,0,0\n"
    "1122-2,南方贸易公司,0,,0,0,0\n"
    "1122-3,北方重工集团,0,,0,0,0\n"
    "1221,其他应收款,0,,0,0,0\n"
    "1403,原材料,1,吨,0,0,0\n"
    "1405,库存商品,0,,0,0,0\n"
    "1601,固定资产,0,,0,0,0\n"
    "1602,累计折旧,0,,0,0,0\n"
    "2001,短期借款,0,,0,0,0\n"
    "2202,应付账款,0,,0,0,0\n"
    "2202-1,宏达钢铁公司,0,,0,0,0\n"
    "2202-2,新星包装厂,0,,0,0,0\n"
    "2211,应付职工薪酬,0,,0,0,0\n"
    "2221,应交税费,0,,0,0,0\n"
    "2221-1,应交增值税,0,,0,0,0\n"
    "2221-1-1,进项税额,0,,0,0,0\n"
    "2221-1-2,销项税额,0,,0,0,0\n"
    "2221-2,应交所得税,0,,0,0,0\n"
    "4001,实收资本,0,,0,0,0\n"
    "4103,本年利润,0,,0,0,0\n"
    "4104,利润分配,0,,0,0,0\n"
    "5001,生产成本,0,,0,0,0\n"
    "5101,制造费用,0,,0,0,0\n"
    "6001,主营业务收入,0,,0,0,0\n"
    "6401,主营业务成本,0,,0,0,0\n"
    "6602,管理费用,0,,1,0,0\n"
    "6602-1,办公费,0,,0,1,5\n"
    "6602-2,差旅费,0,,0,1,5\n"
    "6602-3,工资,0,,0,1,5\n"
    "6602-4,折旧费,0,,0,1,5\n"
    "6603,财务费用,0,,0,0,0\n";

// The US dollar, its exchange gains and losses in 财务费用, and the dollar account of the bank.
constexpr std::string_view kDemoCurrencies = "code,name,gain_loss_subject\n1,美元,6603\n";
constexpr std::string_view kDemoDollarAccount =
    "code,name,kind,unit,multi_column,direction,width\n1002-3,中国银行美元户,2,1,0,0,0\n";

// The dollar's rate at the start of each month: a little lower every month.
double dollarRate(int month)
{
    return 7.10 - 0.01 * (month - 1);
}

// Opening balances, debits and credits equal (1,110,000.00 each); 5,000 dollars at 7.10.
constexpr std::string_view kDemoOpening =
    "code,direction,amount,quantity\n"
    "1001,借,5000.00,\n"
    "1002-1,借,244500.00,\n"
    "1002-3,借,35500.00,5000\n"
    "1002-2,借,65000.00,\n"
    "1122-1,借,48000.00,\n"
    "1122-2,借,32000.00,\n"
    "1403,借,60000.00,12\n"
    "1405,借,120000.00,\n"
    "1601,借,500000.00,\n"
    "1602,贷,80000.00,\n"
    "2001,贷,100000.00,\n"
    "2202-1,贷,36000.00,\n"
    "2202-2,贷,14000.00,\n"
    "2211,贷,40000.00,\n"
    "2221-2,贷,10000.00,\n"
    "4001,贷,800000.00,\n"
    "4104,贷,30000.00,\n";

// Logs in as an operator of the demo file (the file is the program's own, just made).
bool logIn(CKszwEnv& env, const std::string& file, std::string_view op, Prompt& prompt)
{
    if (!confirmLogin(env, file, op, "", prompt))
        return false;
    MemoryUserSettings settings;
    env.completeLogin(settings);
    return true;
}

bool fail(const std::string& step, const std::string& message)
{
    std::fprintf(stderr, "%s：%s\n", step.c_str(), terminalText(message).c_str());
    return false;
}

// The administrator's part: the unit, and the reviewer 103 with every right but "0101".
bool administration(const std::string& file, Prompt& prompt)
{
    CKszwEnv admin;
    if (!logIn(admin, file, "101", prompt))
        return false;
    AccountSetInfo info = currentAccountSetInfo(admin);
    info.unitName = std::string(kDemoUnit);
    info.chiefAccountant = std::string(kDemoChief);
    SilentPrompt quiet;
    if (!changeAccountSetInfo(admin, info, quiet).ok)
        return fail("帐套信息", "核算单位和会计主管未能写入");
    if (!addOperator(admin.db(), "103", "李复核", prompt).saved)
        return false;
    std::vector<std::string> working;
    for (const Right& right : kRights)
        if (right.code != kAdministrationRight)
            working.emplace_back(right.code);
    return replaceOperatorRights(admin.db(), "103", working, prompt);
}

// A small, repeatable sequence of numbers for the demo's amounts.
class DemoNumbers {
public:
    int next(int low, int high)
    {
        m_state = m_state * 6364136223846793005ULL + 1442695040888963407ULL;
        return low + static_cast<int>((m_state >> 33) % static_cast<unsigned long long>(high - low + 1));
    }

private:
    unsigned long long m_state = 20260101;
};

// An amount in cents as the file writes it in yuan.
std::string money(long long cents)
{
    return format("%lld.%02lld", cents / 100, cents % 100);
}

// The year's vouchers so far, as the bookkeeper enters them day by day: cash, sales with their
// output tax, receipts, purchases of material in tons with their input tax, payments, expenses by
// kind, material issued to production, wages and depreciation at month end, the month's production
// into the finished goods and the cost of the goods sold.
std::string demoRates(int year, int lastMonth)
{
    std::string csv = "currency,date,foreign,local\n";
    for (int month = 1; month <= lastMonth; ++month)
        csv += format("1,%04d%02d01,1,%.2f\n", year, month, dollarRate(month));
    return csv;
}

std::string demoVouchers(int year, const CivilDate& today)
{
    std::string csv = "date,number,attachments,summary,subject,debit,credit,quantity\n";
    DemoNumbers random;
    const char* customers[] = {"1122-1", "1122-2", "1122-3"};
    const char* suppliers[] = {"2202-1", "2202-2"};
    const char* expenses[] = {"6602-1", "6602-2"};
    const char* expenseNames[] = {"购买办公用品", "报销差旅费"};
    // What the books hold as the year goes on, in cents (tons for steel), so that no payment is
    // larger than the money in the account or the debt it settles: the demo's balances look like
    // a real company's. They start from the opening balances.
    long long cash = 500000;
    long long bank = 24450000;       // 1002-1
    long long bankSecond = 6500000;  // 1002-2
    long long owed[] = {4800000, 3200000, 0};  // customers' debts
    long long owing[] = {3600000, 1400000};    // debts to suppliers
    long long wagesOwed = 4000000;
    int steel = 12;
    long long steelValue = 6000000;
    long long goodsValue = 12000000; // 1405
    const int lastMonth = today.year > year ? 12 : today.year < year ? 0 : today.month;
    for (int month = 1; month <= lastMonth; ++month) {
        const int lastDay = today.year == year && month == today.month ? today.day : daysInMonth(year, month);
        int number = 0;
        auto voucher = [&](int day, const std::vector<std::array<std::string, 5>>& lines) {
            if (day > lastDay)
                return false;
            const std::string date = format("%04d%02d%02d", year, month, day);
            const std::string cer = std::to_string(++number);
            const std::string attachments = std::to_string(random.next(0, 3));
            for (const auto& line : lines)
                csv += date + "," + cer + "," + attachments + "," + line[0] + "," + line[1] + "," + line[2] + ","
                       + line[3] + "," + line[4] + "\n";
            return true;
        };
        // The month-end entries carry one attachment and take nothing from the random numbers, so the
        // year's other vouchers stay as they were.
        auto closing = [&](int day, const std::vector<std::array<std::string, 5>>& lines) {
            const std::string date = format("%04d%02d%02d", year, month, day);
            const std::string cer = std::to_string(++number);
            for (const auto& line : lines)
                csv += date + "," + cer + ",1," + line[0] + "," + line[1] + "," + line[2] + "," + line[3] + ","
                       + line[4] + "\n";
        };
        long long monthRevenue = 0;
        for (int day = 1; day <= 28; day += 1) {
            // The wages of the month before are paid on the 10th or the first day with vouchers after it.
            if (day >= 10 && wagesOwed > 0 && wagesOwed <= bank
                && voucher(day, {{{"发放工资", "2211", money(wagesOwed), "", ""},
                                  {"发放工资", "1002-1", "", money(wagesOwed), ""}}})) {
                bank -= wagesOwed;
                wagesOwed = 0;
            }
            switch (random.next(0, 5)) {
            case 0: {
                // Cash is drawn when the till runs low.
                const long long drawn = random.next(20, 100) * 10000LL;
                if (cash >= 800000 || drawn > bank)
                    break;
                if (voucher(day, {{{"提取现金", "1001", money(drawn), "", ""}, {"提取现金", "1002-1", "", money(drawn), ""}}})) {
                    cash += drawn;
                    bank -= drawn;
                }
                break;
            }
            case 1: {
                const long long revenue = random.next(20, 120) * 100000LL;
                const long long tax = (revenue * 13 + 50) / 100;
                const int customer = random.next(0, 2);
                if (voucher(day, {{{"销售产品", customers[customer], money(revenue + tax), "", ""},
                                   {"销售产品", "6001", "", money(revenue), ""},
                                   {"销项税额", "2221-1-2", "", money(tax), ""}}})) {
                    owed[customer] += revenue + tax;
                    monthRevenue += revenue;
                }
                break;
            }
            case 2: {
                if (random.next(0, 3) == 0) {
                    // 北方重工 pays in dollars into the dollar account, at the month's rate.
                    const int dollars = random.next(10, 60) * 100;
                    const long long cents = std::llround(dollars * dollarRate(month) * 100);
                    if (cents > owed[2])
                        break;
                    if (voucher(day, {{{"收到美元货款", "1002-3", money(cents), "", std::to_string(dollars)},
                                       {"收到美元货款", "1122-3", "", money(cents), ""}}}))
                        owed[2] -= cents;
                    break;
                }
                const int customer = random.next(0, 2);
                const long long received = std::min<long long>(random.next(20, 150) * 100000LL, owed[customer]);
                if (received <= 0)
                    break;
                if (voucher(day, {{{"收回货款", "1002-1", money(received), "", ""},
                                   {"收回货款", customers[customer], "", money(received), ""}}})) {
                    owed[customer] -= received;
                    bank += received;
                }
                break;
            }
            case 3: {
                const int tons = random.next(3, 10);
                const long long price = random.next(48, 55) * 10000LL; // yuan a ton, in cents
                const long long cost = tons * price;
                const long long tax = (cost * 13 + 50) / 100;
                const int supplier = random.next(0, 1);
                if (voucher(day, {{{"购入钢材", "1403", money(cost), "", std::to_string(tons)},
                                   {"进项税额", "2221-1-1", money(tax), "", ""},
                                   {"购入钢材", suppliers[supplier], "", money(cost + tax), ""}}})) {
                    owing[supplier] += cost + tax;
                    steel += tons;
                    steelValue += cost;
                }
                break;
            }
            case 4: {
                const int supplier = random.next(0, 1);
                const long long paid = std::min<long long>(random.next(20, 100) * 100000LL, owing[supplier]);
                if (paid <= 0)
                    break;
                // From the second account while it has the money, then from the first.
                const bool second = paid <= bankSecond;
                if (!second && paid > bank)
                    break;
                if (voucher(day, {{{"支付货款", suppliers[supplier], money(paid), "", ""},
                                   {"支付货款", second ? "1002-2" : "1002-1", "", money(paid), ""}}})) {
                    owing[supplier] -= paid;
                    (second ? bankSecond : bank) -= paid;
                }
                break;
            }
            default: {
                const int kind = random.next(0, 1);
                const long long spent = random.next(80, 3000) * 100LL;
                if (spent > cash)
                    break;
                if (voucher(day, {{{expenseNames[kind], expenses[kind], money(spent), "", ""},
                                   {expenseNames[kind], "1001", "", money(spent), ""}}}))
                    cash -= spent;
                break;
            }
            }
            if (random.next(0, 2) == 0)
                ++day; // not every day has a voucher
        }
        // Month end: material to production at the stock's average cost (a few tons are always
        // kept in store), wages, depreciation.
        const int issued = std::min(random.next(15, 30), std::max(0, steel - 5));
        const long long issuedValue =
            issued == steel ? steelValue : (steelValue * issued * 2 + steel) / (steel * 2); // rounded
        if (issued > 0
            && voucher(28, {{{"领用钢材", "5001", money(issuedValue), "", ""},
                             {"领用钢材", "1403", "", money(issuedValue), std::to_string(issued)}}})) {
            steel -= issued;
            steelValue -= issuedValue;
        }
        if (voucher(28, {{{"计提工资", "5001", "32000.00", "", ""},
                          {"计提工资", "6602-3", "18000.00", "", ""},
                          {"计提工资", "2211", "", "50000.00", ""}}}))
            wagesOwed += 5000000;
        voucher(28, {{{"计提折旧", "5101", "2500.00", "", ""},
                      {"计提折旧", "6602-4", "800.00", "", ""},
                      {"计提折旧", "1602", "", "3300.00", ""}}});
        // The month's production costs go into the finished goods, and the goods sold leave the
        // store at 60% of their price (as far as the store holds them).
        if (28 <= lastDay) {
            const long long produced = (issued > 0 ? issuedValue : 0) + 3200000 + 250000;
            const long long sold = std::min(monthRevenue * 6 / 10, goodsValue + produced);
            closing(28, {{{"结转制造费用", "5001", "2500.00", "", ""}, {"结转制造费用", "5101", "", "2500.00", ""}}});
            closing(28, {{{"完工入库", "1405", money(produced), "", ""}, {"完工入库", "5001", "", money(produced), ""}}});
            goodsValue += produced;
            if (sold > 0) {
                closing(28, {{{"结转销售成本", "6401", money(sold), "", ""}, {"结转销售成本", "1405", "", money(sold), ""}}});
                goodsValue -= sold;
            }
        }
    }
    return csv;
}

// Two templates a bookkeeper keeps for every month end. 计提折旧: the month's depreciation at
// 0.66% of the fixed assets held at the end of the month before, shared between the workshop and
// the office. 结转损益: the balances of revenue and expenses at the end of the voucher's month carried
// to 本年利润, so that the month's profit lies in the owners' equity and the balance sheet balances.
struct DemoTemplate {
    const char* name;
    std::vector<TemplateLine> lines;
};

const std::vector<DemoTemplate>& demoTemplates()
{
    static const std::vector<DemoTemplate> templates = {
        {"计提折旧",
         {{1, "计提折旧", "5101", 1, "ye(\"1601\",#y-1)*0.005"},
          {2, "计提折旧", "6602-4", 1, "ye(\"1601\",#y-1)*0.0016"},
          {3, "计提折旧", "1602", -1, "ye(\"1601\",#y-1)*0.0066"}}},
        {"结转损益",
         {{1, "结转主营业务收入", "6001", 1, "-ye(\"6001\",#y)"},
          {2, "结转本月收入", "4103", -1, "-ye(\"6001\",#y)"},
          {3, "结转本月费用", "4103", 1, "ye(\"6401\",#y)+ye(\"6602\",#y)+ye(\"6603\",#y)"},
          {4, "结转主营业务成本", "6401", -1, "ye(\"6401\",#y)"},
          {5, "结转办公费", "6602-1", -1, "ye(\"6602-1\",#y)"},
          {6, "结转差旅费", "6602-2", -1, "ye(\"6602-2\",#y)"},
          {7, "结转工资", "6602-3", -1, "ye(\"6602-3\",#y)"},
          {8, "结转折旧费", "6602-4", -1, "ye(\"6602-4\",#y)"},
          {9, "结转财务费用", "6603", -1, "ye(\"6603\",#y)"}}},
    };
    return templates;
}

bool demoTemplatesStored(Database& db)
{
    int number = 0;
    for (const DemoTemplate& demo : demoTemplates()) {
        ++number;
        if (auto refusal = addTemplate(db, std::to_string(number), demo.name))
            return fail("分录模板", refusal->message);
        for (const TemplateLine& line : demo.lines)
            if (auto refusal = saveTemplateLine(db, number, line, std::nullopt))
                return fail("分录模板", refusal->message);
    }
    return true;
}

// The bookkeeper's part: the chart, the opening balances and the vouchers.
bool bookkeeping(const std::string& file, const Clock& clock, Prompt& prompt)
{
    CKszwEnv keeper;
    if (!logIn(keeper, file, "102", prompt))
        return false;
    ImportResult chart = importSubjects(keeper.db(), kDemoChart);
    if (!chart.ok)
        return fail("会计科目", chart.text());
    ImportResult currencies = importCurrencies(keeper.db(), kDemoCurrencies);
    if (!currencies.ok)
        return fail("外币科目", currencies.text());
    ImportResult dollarAccount = importSubjects(keeper.db(), kDemoDollarAccount);
    if (!dollarAccount.ok)
        return fail("会计科目", dollarAccount.text());
    ImportResult opening = importOpeningBalances(keeper.db(), kDemoOpening);
    if (!opening.ok)
        return fail("年初科目余额", opening.text());
    const CivilDate today = clock.today();
    const int lastMonth = today.year > keeper.year() ? 12 : today.year < keeper.year() ? 1 : today.month;
    ImportResult rates =
        importRates(keeper.db(), RateYear{keeper.yearStart(), keeper.yearEnd()}, demoRates(keeper.year(), lastMonth));
    if (!rates.ok)
        return fail("外币汇率", rates.text());
    const VoucherImportResult vouchers = importVouchers(keeper, clock, demoVouchers(keeper.year(), clock.today()));
    if (!vouchers.ok)
        return fail("记帐凭证", vouchers.refusals.empty() ? std::string() : vouchers.refusals.front().text());
    return demoTemplatesStored(keeper.db());
}

constexpr int kProfitTransferTemplate = 2;

// The month's profit transfer, made by the bookkeeper from the template 结转损益 and dated the
// month's last day, as a bookkeeper makes it once the month's vouchers are posted.
bool profitTransfer(CKszwEnv& keeper, const Clock& clock, int month)
{
    const AccountingCalendar calendar = yearCalendar(keeper.db());
    TemplateRun run(keeper.db(), calendar, std::filesystem::path(keeper.filePath()).filename().string(),
                    calendar.period(month).last);
    if (std::optional<std::string> refusal = run.start(kProfitTransferTemplate))
        return fail("结转损益", *refusal);
    run.runAll();
    for (const GeneratedLine& line : run.results())
        if (line.failed)
            return fail("结转损益", line.error);
    const std::vector<GeneratedLine> kept = run.keptLines();
    if (kept.empty())
        return true;
    std::string csv = "date,number,attachments,summary,subject,debit,credit,quantity\n";
    for (const GeneratedLine& line : kept) {
        const std::string amount = RemoveGroupCommas(FormatNumber(line.amount, 0, 2, 2));
        csv += calendar.period(month).last + ",,0," + line.line.summary + "," + line.line.subject + ","
               + (line.line.direction == 1 ? amount + "," : "," + amount) + ",\n";
    }
    const VoucherImportResult stored = importVouchers(keeper, clock, csv);
    if (!stored.ok)
        return fail("结转损益", stored.refusals.empty() ? std::string() : stored.refusals.front().text());
    return true;
}

// The reviewer's part. 103 reviews every voucher up to the month before the last month with
// vouchers and the first half of the last month's, and closes every month before the last two.
// So the review selection has work left, reviews of an open month can still be taken back, and the
// books hold closed months. Before a month is closed, the bookkeeper carries its profit to 本年利润
// and 103 reviews that voucher too.
bool posting(const std::string& file, const Clock& clock, Prompt& prompt)
{
    CKszwEnv reviewer;
    if (!logIn(reviewer, file, "103", prompt))
        return false;
    CKszwEnv keeper;
    if (!logIn(keeper, file, "102", prompt))
        return false;
    int lastMonth = 0;
    for (int month = 1; month <= 12; ++month) {
        const MonthCounts counts = monthCounts(reviewer.db(), monthCode(month));
        if (counts.reviewed + counts.unreviewed > 0)
            lastMonth = month;
    }
    for (int month = 1; month <= lastMonth; ++month) {
        std::vector<VoucherKey> keys;
        for (const SelectionEntry& entry : reviewEntries(reviewer.db(), reviewer.operatorCode(), monthCode(month)))
            keys.push_back(entry.key);
        if (month == lastMonth)
            keys.resize(keys.size() / 2);
        const int reviewed = reviewBatch(reviewer.db(), keys, reviewer.operatorCode(), prompt);
        if (reviewed != static_cast<int>(keys.size()))
            return fail("复核登帐", format("%02d月有凭证未能复核", month));
        if (month > lastMonth - 2)
            continue;
        if (!profitTransfer(keeper, clock, month))
            return false;
        std::vector<VoucherKey> transfer;
        for (const SelectionEntry& entry : reviewEntries(reviewer.db(), reviewer.operatorCode(), monthCode(month)))
            transfer.push_back(entry.key);
        if (reviewBatch(reviewer.db(), transfer, reviewer.operatorCode(), prompt) != static_cast<int>(transfer.size()))
            return fail("复核登帐", format("%02d月的结转损益凭证未能复核", month));
    }
    // The close asks before it closes: the demo answers Yes without printing the questions.
    class AnswerYes : public CliPrompt {
    public:
        Answer ask(std::string_view, Buttons, Answer, Icon, std::string_view) override { return Answer::Yes; }
    } yes;
    for (int month = 1; month <= lastMonth - 2; ++month) {
        int closedMonths = 0;
        if (!closeMonth(reviewer.db(), yes, closedMonths))
            return fail("结帐", format("%02d月未能结帐", month));
    }
    return true;
}

} // namespace

int runDemo(const Arguments& args)
{
    ParsedArguments parsed = parseArguments(args, {"--year", "--date"});
    if (!parsed.ok)
        return badUsage(parsed.error, kDemoUsage);
    if (parsed.positional.size() != 1)
        return badUsage("one folder expected", kDemoUsage);
    int year = 0;
    if (auto text = parsed.option("--year")) {
        if (text->size() != 4 || !isAllDigits(*text) || std::stoi(*text) < 1990)
            return badUsage("--year takes a year of four digits from 1990 on", kDemoUsage);
        year = std::stoi(*text);
    }
    // The day the demo's books run to: vouchers are entered up to it (today unless given).
    SystemClock systemClock;
    FixedClock clock(systemClock.today());
    if (auto text = parsed.option("--date")) {
        const std::optional<CivilDate> day = splitDate(*text);
        if (!day)
            return badUsage("--date takes a day as YYYYMMDD", kDemoUsage);
        clock.set(*day);
    }
    std::error_code error;
    const std::string folder = std::filesystem::absolute(parsed.positional[0], error).lexically_normal().string();
    MemoryUserSettings settings;
    AccountSetResult created = createAccountSet(error ? parsed.positional[0] : folder, clock, settings, year);
    if (!created.ok) {
        std::fprintf(stderr, "%s\n", terminalText(created.message).c_str());
        return 1;
    }
    CliPrompt prompt;
    if (!administration(created.filePath, prompt) || !bookkeeping(created.filePath, clock, prompt)
        || !posting(created.filePath, clock, prompt))
        return 1;
    std::printf("%s\n", created.filePath.c_str());
    return 0;
}

} // namespace kszw::cli
