#include "accountset/account_set_info.h"

#include "common/prompt.h"
#include "common/text.h"
#include "session/kszw_env.h"
#include "store/database.h"
#include "store/database_error.h"
#include "store/error_messages.h"
#include "store/ks_dbset.h"
#include "store/transaction.h"

#include <algorithm>

namespace kszw {

namespace {

constexpr std::string_view kReadHeader = "SELECT TRIM(JT),TRIM(T1),TRIM(T13) FROM SYSTAB";
constexpr std::string_view kCountVoucherLines = "Select Count(*) From P0 Where RN=1";
constexpr std::string_view kUpdateHeader = "Update Systab Set NA=?1,KJ=?2,JT=?3,T1=?4,T13=?5";
constexpr std::string_view kCountOpeningRows = "Select Count(*) From P0 Where StrComp(cer,'    ',0)=0";
constexpr std::string_view kMoveOpeningRows = "Update P0 Set T=?1 Where StrComp(cer,'    ',0)=0";

// A date limit and what the file holds against it, with the refusal when the count is above 0.
struct DateCheck {
    std::string_view sql;
    std::string_view message;
};

constexpr DateCheck kYearStartChecks[] = {
    {"select count(*) from cerdir where t<?1", "年初日大于已制作凭证的最小日,请重设置！"},
    {"select count(*) from p0 where t<?1 and rn>0", "年初日大于已存在数据的最小日,请重设置！"},
    {"select count(*) from wbr where t<?1", "年初日大于已设置的汇率的最小日,请重设置！"},
};
constexpr DateCheck kYearEndChecks[] = {
    {"select count(*) from cerdir where t>?1", "年末日小于已制作凭证的最大日,请重设置！"},
    {"select count(*) from p0 where t>?1 and rn>0", "年末日小于已存在数据的最大日,请重设置！"},
    {"select count(*) from wbr where t>?1", "年末日小于已设置的汇率的最大日,请重设置！"},
};

constexpr int kUnitNameBytes = 40;
constexpr int kChiefBytes = 8;
// The characters the header's text fields never take (the input spec of their edit fields).
constexpr std::string_view kForbiddenCharacters = "'|[]\"";

bool offered(const std::vector<std::string>& choices, const std::string& value)
{
    return std::find(choices.begin(), choices.end(), value) != choices.end();
}

bool hasForbiddenCharacter(std::string_view text)
{
    return text.find_first_of(kForbiddenCharacters) != std::string_view::npos;
}

// The 22 days from 20 December of decemberYear to 10 January of the year after.
std::vector<std::string> turnOfYearDays(int decemberYear)
{
    std::vector<std::string> days;
    for (int day = 20; day <= 31; ++day)
        days.push_back(format("%4d12%d", decemberYear, day));
    for (int day = 1; day <= 9; ++day)
        days.push_back(format("%4d010%d", decemberYear + 1, day));
    days.push_back(format("%4d01%d", decemberYear + 1, 10));
    return days;
}

} // namespace

std::vector<std::string> yearStartChoices(int year)
{
    return turnOfYearDays(year - 1);
}

std::vector<std::string> yearEndChoices(int year)
{
    return turnOfYearDays(year);
}

std::vector<std::string> monthEndChoices()
{
    std::vector<std::string> codes;
    for (int day = 20; day <= 31; ++day)
        codes.push_back(format("0%d", day));
    for (int day = 1; day <= 9; ++day)
        codes.push_back(format("10%d", day));
    codes.push_back(format("1%d", 10));
    return codes;
}

bool hasVoucherLines(Database& db)
{
    return db.queryLong(kCountVoucherLines) > 0;
}

AccountSetInfo currentAccountSetInfo(const CKszwEnv& env)
{
    return {trim(env.unitName()), trim(env.chiefAccountant()), trim(env.yearStart()), trim(env.yearEnd()),
            trim(env.monthEndCode())};
}

InfoChangeResult changeAccountSetInfo(CKszwEnv& env, const AccountSetInfo& input, Prompt& prompt)
{
    const AccountSetInfo info{trim(input.unitName), trim(input.chiefAccountant), trim(input.yearStart),
                              trim(input.yearEnd), trim(input.monthEnd)};
    auto refuse = [&prompt](std::string_view message, InfoField field) {
        prompt.warn(message);
        return InfoChangeResult{false, field};
    };

    const int year = env.year();
    Database& db = env.db();
    try {
        // The checks hold the write lock with the changes they allow: another copy of the program
        // cannot add a voucher before the new first day in between.
        Transaction transaction(db);
        KS_Dbset header(db);
        header.open(kReadHeader);
        const std::string currentMonthEnd = header.isEOF() ? std::string() : header.textAt(0);
        const std::string currentStart = header.isEOF() ? std::string() : header.textAt(1);
        const std::string currentEnd = header.isEOF() ? std::string() : header.textAt(2);
        header.close();

        // A value the file already holds stays acceptable even when the drop-down does not offer
        // it (a file written elsewhere), so confirming the dialog never loses it.
        if (info.yearStart.empty())
            return refuse("没有设置年初日！", InfoField::YearStart);
        if (!offered(yearStartChoices(year), info.yearStart) && info.yearStart != currentStart)
            return refuse(format("年初日只能是%d年12月20日至%d年1月10日之间的日期！", year - 1, year),
                          InfoField::YearStart);
        for (const DateCheck& check : kYearStartChecks)
            if (db.queryLong(check.sql, {info.yearStart}) > 0)
                return refuse(check.message, InfoField::YearStart);
        if (info.yearEnd.empty())
            return refuse("没有设置年末日！", InfoField::YearEnd);
        if (!offered(yearEndChoices(year), info.yearEnd) && info.yearEnd != currentEnd)
            return refuse(format("年末日只能是%d年12月20日至%d年1月10日之间的日期！", year, year + 1),
                          InfoField::YearEnd);
        for (const DateCheck& check : kYearEndChecks)
            if (db.queryLong(check.sql, {info.yearEnd}) > 0)
                return refuse(check.message, InfoField::YearEnd);
        if (info.monthEnd.empty())
            return refuse("没有设置月结日！", InfoField::MonthEnd);
        if (!offered(monthEndChoices(), info.monthEnd) && info.monthEnd != currentMonthEnd)
            return refuse("月结日只能是020至031或101至110！", InfoField::MonthEnd);
        // The accounting month of every voucher line was found with the month-end day it was
        // entered under; another day would put lines into months they do not belong to.
        if (info.monthEnd != currentMonthEnd && hasVoucherLines(db))
            return refuse("本年度已有凭证分录，不能修改月结日！", InfoField::MonthEnd);
        // The unit heads every window and print: it has a name that fits the file.
        if (info.unitName.empty())
            return refuse("核算单位不能为空！", InfoField::UnitName);
        if (gbkLength(info.unitName) > kUnitNameBytes)
            return refuse("核算单位不能超过40个字节（一个汉字占两个字节）！", InfoField::UnitName);
        if (hasForbiddenCharacter(info.unitName))
            return refuse("核算单位中不能有 ' | [ ] \" 这些字符！", InfoField::UnitName);
        if (gbkLength(info.chiefAccountant) > kChiefBytes)
            return refuse("会计主管不能超过8个字节（一个汉字占两个字节）！", InfoField::ChiefAccountant);
        if (hasForbiddenCharacter(info.chiefAccountant))
            return refuse("会计主管中不能有 ' | [ ] \" 这些字符！", InfoField::ChiefAccountant);

        db.execute(kUpdateHeader,
                   {info.unitName, info.chiefAccountant, info.monthEnd, info.yearStart, info.yearEnd});
        if (db.queryLong(kCountOpeningRows) > 0)
            db.execute(kMoveOpeningRows, {info.yearStart});
        transaction.commit();
    } catch (const DatabaseError& error) {
        return refuse(userMessage(error, env.filePath()), InfoField::None);
    }
    env.setHeader(info.unitName, info.chiefAccountant, info.monthEnd, info.yearStart, info.yearEnd);
    prompt.warn("修改结束");
    return {true, InfoField::None};
}

} // namespace kszw
