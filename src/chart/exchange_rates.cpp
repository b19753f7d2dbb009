// Exchange rates: the rate dialog's lists, the checks of the rate edit dialog and the writes.
#include "chart/exchange_rates.h"

#include "chart/currencies.h"
#include "common/text.h"
#include "formula/format_number.h"
#include "store/database.h"
#include "store/ks_dbset.h"
#include "store/transaction.h"

#include <optional>

namespace kszw {

namespace {

constexpr std::string_view kCurrencies = "SELECT trim(WNO),trim(NA) FROM WBT ORDER BY val(WNO),trim(WNO)";
constexpr std::string_view kRates = "SELECT trim(T),MY1,MY2 FROM WBR WHERE trim(WNO)=?1 ORDER BY trim(T)";
constexpr std::string_view kCountCurrency = "SELECT COUNT(*) FROM WBT WHERE trim(WNO)=?1";
constexpr std::string_view kCountRate = "SELECT COUNT(*) FROM WBR WHERE trim(WNO)=?1 AND trim(T)=?2";
constexpr std::string_view kInsert = "INSERT INTO WBR(WNO,T,MY1,MY2) VALUES(?1,?2,?3,?4)";
constexpr std::string_view kUpdate = "UPDATE WBR SET T=?1,MY1=?2,MY2=?3 WHERE trim(T)=?4 AND trim(WNO)=?5";
constexpr std::string_view kDelete = "DELETE FROM WBR WHERE trim(WNO)=?1 AND trim(T)=?2";

constexpr int kFirstYear = 1990;
constexpr int kLastYear = 9999;
constexpr double kLeastAmount = 0.001;

RateResult refuse(std::string message, RateField field)
{
    RateResult result;
    result.message = std::move(message);
    result.field = field;
    return result;
}

// A whole number typed with digits only (at most nine of them); nothing otherwise.
std::optional<int> wholeNumber(std::string_view typed)
{
    const std::string text = trimWhitespace(typed);
    if (!isAllDigits(text) || text.size() > 9)
        return std::nullopt;
    return std::stoi(text);
}

// The date and amounts to write.
struct CheckedRate {
    std::string date;
    double foreign = 0;
    double local = 0;
};

// The checks of confirming the rate dialog, in their order; oldDate is "" when adding.
RateResult checkInput(Database& db, const RateYear& year, const std::string& currency, std::string_view oldDate,
                      const RateInput& input, CheckedRate& checked)
{
    const std::optional<int> y = wholeNumber(input.year);
    if (!y || *y < kFirstYear || *y > kLastYear)
        return refuse("设置的年份不合理，输入一数!", RateField::Year);
    const std::optional<int> m = wholeNumber(input.month);
    if (!m || *m < 1 || *m > 12)
        return refuse("设置的月份不合理，输入一数!", RateField::Month);
    const std::optional<int> d = wholeNumber(input.day);
    if (!d || *d < 1 || *d > daysInMonth(*y, *m))
        return refuse("设置的日期不合理，输入一数!", RateField::Day);
    const std::optional<double> foreign = ReadPlainDecimal(input.foreign);
    if (!foreign || *foreign < kLeastAmount)
        return refuse("外币数不合理，输入一数!", RateField::Foreign);
    const std::optional<double> local = ReadPlainDecimal(input.local);
    if (!local || *local < kLeastAmount)
        return refuse("本位币数不合理，输入一数!", RateField::Local);

    checked.date = makeDate(*y, *m, *d);
    if (checked.date < year.start || checked.date > year.end)
        return refuse("所设置的时间已不在本年度的\r年初日与年末日之间，请重输!", RateField::Year);

    // One entry per currency and date; a modified entry keeping its date counts once.
    const int count = db.queryLong(kCountRate, {currency, checked.date});
    const bool taken = oldDate.empty() ? count >= 1 : (count > 1 || (count == 1 && checked.date != oldDate));
    if (taken)
        return refuse("本次输入时间已有汇率，不允许重复设置，请重输！", RateField::Day);

    checked.foreign = RoundToSixDecimals(*foreign);
    checked.local = RoundToSixDecimals(*local);
    RateResult ok;
    ok.ok = true;
    ok.date = checked.date;
    return ok;
}

// The date "%4d%2d%2d" with its blanks turned into zeros, split into year, month and day.
RateInput splitRateDate(const std::string& date)
{
    RateInput input;
    input.year = date.substr(0, 4);
    input.month = date.size() >= 6 ? date.substr(4, 2) : std::string();
    input.day = date.size() >= 8 ? date.substr(6, 2) : std::string();
    return input;
}

} // namespace

std::string RateCurrencyLine::text() const
{
    return format("%4s  %s", code.c_str(), name.c_str());
}

std::vector<RateCurrencyLine> listRateCurrencies(Database& db)
{
    std::vector<RateCurrencyLine> lines;
    KS_Dbset rows(db);
    for (rows.open(kCurrencies, {}); !rows.isEOF(); rows.moveNext())
        lines.push_back({rows.textAt(0), rows.textAt(1)});
    return lines;
}

std::string RateLine::text() const
{
    return format("%-10s%10s%10s", date.c_str(), FixedText(foreign, 2).c_str(), FixedText(local, 2).c_str());
}

std::vector<RateLine> listRates(Database& db, std::string_view currency)
{
    std::vector<RateLine> lines;
    KS_Dbset rows(db);
    for (rows.open(kRates, {std::string(currency)}); !rows.isEOF(); rows.moveNext())
        lines.push_back({rows.textAt(0), rows.doubleAt(1), rows.doubleAt(2)});
    return lines;
}

RateResult addRate(Database& db, const RateYear& year, std::string_view currency, const RateInput& input)
{
    Transaction transaction(db);
    requireTransaction(db, "addRate");
    const std::string wno(currency);
    // A rate of a currency that is gone would be left without its currency.
    if (db.queryLong(kCountCurrency, {wno}) == 0)
        return refuse(missingCurrencyMessage(wno), RateField::Year);
    CheckedRate checked;
    RateResult result = checkInput(db, year, wno, "", input, checked);
    if (!result.ok)
        return result;
    db.execute(kInsert, {wno, checked.date, checked.foreign, checked.local});
    transaction.commit();
    return result;
}

RateResult modifyRate(Database& db, const RateYear& year, std::string_view currency, std::string_view oldDate,
                      const RateInput& input)
{
    Transaction transaction(db);
    requireTransaction(db, "modifyRate");
    const std::string wno(currency);
    const std::string old(oldDate);
    // Another copy of the program may have deleted it meanwhile: nothing would be changed.
    if (db.queryLong(kCountRate, {wno, old}) == 0)
        return refuse("代码为“" + wno + "”的外币在" + old + "的汇率已不存在！", RateField::Year);
    CheckedRate checked;
    RateResult result = checkInput(db, year, wno, old, input, checked);
    if (!result.ok)
        return result;
    db.execute(kUpdate, {checked.date, checked.foreign, checked.local, old, wno});
    transaction.commit();
    return result;
}

void deleteRate(Database& db, std::string_view currency, std::string_view date)
{
    db.execute(kDelete, {std::string(currency), std::string(date)});
}

RateInput newRateInput(const CivilDate& day)
{
    return splitRateDate(replaceAll(format("%4d%2d%2d", day.year, day.month, day.day), " ", "0"));
}

RateInput rateInputFor(const RateLine& line)
{
    RateInput input = splitRateDate(line.date);
    input.foreign = rateAmountText(line.foreign);
    input.local = rateAmountText(line.local);
    return input;
}

std::string rateAmountText(double value)
{
    std::string text = FixedText(value, 6);
    // Trailing zeros go, down to two decimals.
    while (text.size() > 3 && text.back() == '0' && text[text.size() - 3] != '.')
        text.pop_back();
    return text;
}

} // namespace kszw
