// The voucher record: its lines, loading, the checks of the head and the number generators.
#include "voucher/voucher.h"

#include "chart/subjects.h"
#include "common/clock.h"
#include "common/dates.h"
#include "common/prompt.h"
#include "common/text.h"
#include "formula/format_number.h"
#include "session/kszw_env.h"
#include "store/accounting_calendar.h"
#include "store/database.h"
#include "store/ks_dbset.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace kszw {

namespace {

constexpr std::string_view kCountHeaders = "SELECT COUNT(*) FROM CERDIR WHERE T=?1 AND strcomp(CER,?2,0)=0";
constexpr std::string_view kReadHeader =
    "SELECT trim(OPP),trim(OPN),trim(LY),trim(MK),PN FROM CERDIR WHERE T=?1 AND strcomp(CER,?2,0)=0";
constexpr std::string_view kCountLines = "SELECT COUNT(*) FROM P0 WHERE T=?1 AND strcomp(CER,?2,0)=0";
constexpr std::string_view kReadLines =
    "SELECT trim(MRY),trim(KNO),F,MY,NU FROM P0 WHERE T=?1 AND strcomp(CER,?2,0)=0 ORDER BY RN";
constexpr std::string_view kCountSameNumber =
    "SELECT COUNT(*) FROM CERDIR WHERE T>=?1 AND T<=?2 AND strcomp(CER,?3,0)=0";
constexpr std::string_view kCountClass =
    "SELECT COUNT(*) FROM CERDIR WHERE T>=?1 AND T<=?2 AND strcomp(substr(CER,1,?3),?4,0)=0";
constexpr std::string_view kClassValues =
    "SELECT val(substr(CER,?3+1)) FROM CERDIR WHERE T>=?1 AND T<=?2 AND strcomp(substr(CER,1,?3),?4,0)=0 "
    "ORDER BY CER";
constexpr std::string_view kClosedMonths = "SELECT MM FROM SYSTAB";
constexpr std::string_view kCountOpenable =
    "SELECT COUNT(*) FROM CERDIR WHERE OPP=?1 AND T>=?2 AND MK<'4'";
constexpr std::string_view kOpenable =
    "SELECT trim(T),trim(CER) FROM CERDIR WHERE OPP=?1 AND T>=?2 AND MK<'4' ORDER BY T,CER";

constexpr double kPresent = 0.00001;

// The number padded to width on the left, every blank then written as "0".
std::string zeroPadded(std::string_view text, int width)
{
    std::string result = format("%*s", width, std::string(text).c_str());
    std::replace(result.begin(), result.end(), ' ', '0');
    return result;
}

// The digits without their leading zeros ("0" for zeros only); nothing when not digits only.
std::optional<std::string> sequenceDigits(std::string_view text)
{
    if (!isAllDigits(text))
        return std::nullopt;
    const size_t first = text.find_first_not_of('0');
    return first == std::string_view::npos ? std::string("0") : std::string(text.substr(first));
}

AccountingCalendar calendarOf(const CKszwEnv& env)
{
    return AccountingCalendar(env.year(), env.yearStart(), env.yearEnd(), env.monthEndCode());
}

// An amount as a line's cells hold it, rounded to the cent as it will be stored.
double cellAmount(std::string_view text)
{
    return ReadNumber(FixedText(ReadNumber(text), 2));
}

} // namespace

void VoucherLine::clear()
{
    for (std::string& cell : cells)
        cell.clear();
    flags = "00000 ";
}

CVoucher::CVoucher(CKszwEnv& env, const Clock& clock) : m_env(env), m_clock(clock) {}

Database& CVoucher::db()
{
    return m_env.db();
}

int CVoucher::monthOf(std::string_view date) const
{
    return calendarOf(m_env).monthOf(date);
}

void CVoucher::resizeLines(int count)
{
    lines.resize(static_cast<size_t>(std::max(1, count)));
}

void CVoucher::insertLines(int at, int count)
{
    at = std::clamp(at, 0, lineCount());
    lines.insert(lines.begin() + at, static_cast<size_t>(std::max(0, count)), VoucherLine{});
}

void CVoucher::removeLines(int at, int count)
{
    if (at < 0 || at >= lineCount() || count <= 0)
        return;
    const int end = std::min(lineCount(), at + count);
    lines.erase(lines.begin() + at, lines.begin() + end);
    if (lines.empty())
        lines.resize(1);
}

std::string CVoucher::subjectDisplayText(std::string_view code)
{
    const std::optional<std::string> name = subjectName(db(), code);
    return name ? std::string(code) + " " + *name : std::string();
}

void CVoucher::refreshLineSubject(VoucherLine& line)
{
    line.flags = "00000 ";
    line[VoucherLine::Display].clear();
    const std::string code = trim(line[VoucherLine::Subject]);
    if (code.empty())
        return;
    const std::optional<SubjectAttributes> subject = subjectAttributes(db(), code);
    if (!subject)
        return;
    line.flags[0] = subject->owner.empty() ? '0' : subject->owner[0];
    line.flags[1] = subject->kind.empty() ? '0' : subject->kind[0];
    line[VoucherLine::Display] = code + " " + subject->name;
}

bool CVoucher::hasQuantityLines() const
{
    return std::any_of(lines.begin(), lines.end(), [](const VoucherLine& line) { return line.flags[1] != '0'; });
}

int CVoucher::CountHeaders()
{
    return db().queryLong(kCountHeaders, {T, CER});
}

int CVoucher::CountLines()
{
    return db().queryLong(kCountLines, {T, CER});
}

int CVoucher::LoadHeader()
{
    if (CountHeaders() < 1)
        return 0;
    KS_Dbset header(db());
    header.open(kReadHeader, {T, CER});
    OPP = header.textAt(0);
    OPN = header.textAt(1);
    LY = header.textAt(2);
    MK = header.textAt(3);
    PN = header.longAt(4);
    return 1;
}

void CVoucher::LoadLines()
{
    KS_Dbset rows(db());
    size_t index = 0;
    for (rows.open(kReadLines, {T, CER}); !rows.isEOF(); rows.moveNext(), ++index) {
        if (index >= lines.size())
            lines.resize(index + 1);
        VoucherLine& line = lines[index];
        line.clear();
        line[VoucherLine::Summary] = rows.textAt(0);
        line[VoucherLine::Subject] = rows.textAt(1);
        const std::string amount = RemoveGroupCommas(FormatNumber(rows.doubleAt(3), 0, 0, 2));
        line[rows.longAt(2) == 1 ? VoucherLine::Debit : VoucherLine::Credit] = amount;
        line[VoucherLine::Quantity] = RemoveGroupCommas(FormatNumber(rows.doubleAt(4), 0, 0, 6));
        refreshLineSubject(line);
    }
}

ClassList CVoucher::GetClassList()
{
    return classList(db());
}

std::string_view numberRefusal(int parseCode, bool allowAutomaticNumber)
{
    switch (parseCode) {
    case -4: return "无此凭证分类号！";
    case -3: return "未录凭证分类号！";
    case -2: return "凭证号只能为数字！";
    case -6: return "凭证顺序号只能为数字！";
    case -7: return "凭证号不能为零！";
    case -8: return "凭证顺序号不能为零！";
    case -1: return allowAutomaticNumber ? "" : "凭证号为空！";
    case -5: return allowAutomaticNumber ? "" : "未录凭证顺序号！";
    default: return "";
    }
}

int CVoucher::ParseNumber(int& classLength, std::string& number, bool)
{
    const ClassList classes = GetClassList();
    classLength = classes.codeLength;
    const int p = classLength;
    if (p == 0) {
        if (number.empty())
            return -1;
        const std::optional<std::string> digits = sequenceDigits(number);
        if (!digits || digits->size() > 4)
            return -2;
        const std::string formatted = zeroPadded(*digits, 4);
        if (formatted == "0000")
            return -7;
        number = formatted;
        return 1;
    }
    if (number.empty())
        return -3;
    if (static_cast<int>(number.size()) < p
        || std::find(classes.codes.begin(), classes.codes.end(), number.substr(0, static_cast<size_t>(p)))
               == classes.codes.end())
        return -4;
    const std::string rest = number.substr(static_cast<size_t>(p));
    if (rest.empty())
        return -5;
    const std::optional<std::string> digits = sequenceDigits(rest);
    if (!digits || static_cast<int>(digits->size()) > 4 - p)
        return -6;
    number = number.substr(0, static_cast<size_t>(p)) + zeroPadded(*digits, 4 - p);
    if (zeroPadded(*digits, 4) == "0000")
        return -8;
    return 1;
}

int CVoucher::CheckDate(std::string_view yearText, std::string_view monthText, std::string_view dayText)
{
    // Read within bounds, so that no typed or imported text overflows.
    auto field = [](std::string_view text) { return static_cast<int>(std::clamp(ReadNumber(text), -1.0, 99999.0)); };
    const int year = field(yearText);
    const int month = field(monthText);
    const int day = field(dayText);
    T = (year >= 0 && year <= 9999 && month >= 0 && month <= 99 && day >= 0 && day <= 99)
            ? zeroPadded(std::to_string(year), 4) + zeroPadded(std::to_string(month), 2) + zeroPadded(std::to_string(day), 2)
            : std::string("00000000");
    if (month < 1 || month > 12)
        return -2;
    // The day is checked against its month; a year that is empty, 0 or too large is outside the
    // year of the file.
    const int monthDays = year >= 1 && year <= 9999 ? daysInMonth(year, month) : 31;
    if (day < 1 || day > monthDays)
        return -3;
    if (T < m_env.yearStart() || T > m_env.yearEnd())
        return -1;
    // The closed months are read from the file: another program may have closed one meanwhile.
    if (monthOf(T) <= db().queryLong(kClosedMonths))
        return -4;
    return 1;
}

int CVoucher::CheckHead(int& classLength, bool allowAutomaticNumber, bool interactive, int generatorMode,
                        Prompt& prompt)
{
    ErrorField = -1;
    std::string message;
    switch (CheckDate(head[kHeadYear], head[kHeadMonth], head[kHeadDay])) {
    case -1: message = "凭证制作时间不在本年度内！"; ErrorField = 0; break;
    case -2: message = "凭证制作月不正确！"; ErrorField = 1; break;
    case -3: message = "凭证制作日不正确！"; ErrorField = 2; break;
    case -4: message = "不能在已月结月份内增加凭证！"; ErrorField = 1; break;
    default: break;
    }
    if (ErrorField < 0) {
        CER = head[kHeadNumber];
        const int code = ParseNumber(classLength, CER, allowAutomaticNumber);
        head[kHeadNumber] = CER;
        auto generate = [&](int mode) {
            if (!NextNumber(classLength, mode)) {
                message = std::string(kNumbersUsedUp);
                ErrorField = 3;
            }
            head[kHeadNumber] = CER;
        };
        if (code == -4 || code == -3) {
            message = std::string(numberRefusal(code, false));
            ErrorField = 3;
        } else if (interactive) {
            message = std::string(numberRefusal(code, allowAutomaticNumber));
            if (!message.empty())
                ErrorField = 3;
            else if (code == -1 || code == -5)
                generate(0);
        } else {
            generate(generatorMode);
        }
    }
    if (ErrorField < 0)
        return voucher_result::kOk;
    if (!interactive) {
        prompt.tell(message, Icon::Exclamation, kMessageCaption);
        return voucher_result::kOk;
    }
    const Answer answer = prompt.ask(message + "\n需要返回修改吗？", Buttons::YesNo, Answer::Yes, Icon::Question,
                                     kMessageCaption);
    return answer == Answer::Yes ? voucher_result::kBackToField : voucher_result::kNotSaved;
}

bool CVoucher::NextNumber(int classLength, int mode)
{
    const int p = std::clamp(classLength, 0, 3);
    const int month = monthOf(T);
    if (month < 1)
        return false;
    const MonthPeriod period = calendarOf(m_env).period(month);
    const std::string prefix = CER.substr(0, std::min(CER.size(), static_cast<size_t>(p)));
    const SqlParams params = {period.first, period.last, static_cast<std::int64_t>(p), prefix};
    long long n = 0;
    if (db().queryLong(kCountClass, params) > 0) {
        KS_Dbset rows(db());
        for (rows.open(kClassValues, params); !rows.isEOF(); rows.moveNext()) {
            const long long value = static_cast<long long>(rows.doubleAt(0));
            // Mode 1 looks for the first gap in the ordered numbers. A value already counted (a
            // number written twice, or a zero) is passed over rather than taken as the gap, which
            // would hand out a number that is taken.
            if (mode == 0)
                n = value;
            else if (value == n + 1)
                n = value;
            else if (value > n + 1)
                break;
        }
    }
    // Four characters hold the class code and the sequence number: beyond that no number is left.
    long long largest = 1;
    for (int i = 0; i < 4 - p; ++i)
        largest *= 10;
    if (n + 1 >= largest)
        return false;
    CER = prefix + zeroPadded(std::to_string(n + 1), 4 - p);
    return true;
}

int CVoucher::CountSameNumber(std::string_view date, std::string_view number)
{
    const int month = monthOf(date);
    if (month < 1)
        return 0;
    const MonthPeriod period = calendarOf(m_env).period(month);
    return db().queryLong(kCountSameNumber, {period.first, period.last, std::string(number)});
}

VoucherTotals CVoucher::ComputeTotals() const
{
    VoucherTotals totals;
    for (const VoucherLine& line : lines) {
        const double debit = cellAmount(line[VoucherLine::Debit]);
        const double credit = cellAmount(line[VoucherLine::Credit]);
        if (std::abs(debit) > kPresent)
            totals.debit += debit;
        else if (std::abs(credit) > kPresent)
            totals.credit += credit;
    }
    totals.difference = totals.debit - totals.credit;
    return totals;
}

void CVoucher::ResetAsNew()
{
    const CivilDate today = m_clock.today();
    head = {std::to_string(today.year), std::to_string(today.month), std::to_string(today.day), "", "0"};
    T = makeDate(today);
    CER.clear();
    OPP.clear();
    OPN.clear();
    MK.clear();
    LY = "0";
    PN = 0;
    ErrorField = -1;
    isNew = true;
    lines.assign(1, VoucherLine{});
    oldDate.clear();
    oldNumber.clear();
    if (GetClassList().codeLength == 0 && NextNumber(0, 0))
        head[kHeadNumber] = CER;
}

int CVoucher::OpenVoucher(std::string_view date, std::string_view number, Prompt& prompt)
{
    T = std::string(date);
    CER = std::string(number);
    if (CountHeaders() < 1) {
        prompt.warn("该凭证不存在，请按回车键退出！");
        return 0;
    }
    const int stored = CountLines();
    // A reviewed voucher is not changed, whether it has lines or not.
    LoadHeader();
    if (MK > "2") {
        prompt.warn("该凭证已被复核，请按回车键退出！");
        return 0;
    }
    const int count = stored >= 1 ? stored + 1 : 1;
    lines.assign(static_cast<size_t>(count), VoucherLine{});
    if (count > 1)
        LoadLines();
    head = {T.substr(0, 4), T.substr(4, 2), T.substr(6, 2), CER, std::to_string(PN)};
    isNew = false;
    oldDate = T;
    oldNumber = CER;
    ErrorField = -1;
    return 1;
}

std::string OpenableVoucher::line() const
{
    return format("%2s.%2s.%2s  %4s", date.substr(0, 4).c_str(), date.substr(4, 2).c_str(), date.substr(6, 2).c_str(),
                  number.c_str());
}

std::vector<OpenableVoucher> openableVouchers(CKszwEnv& env)
{
    std::vector<OpenableVoucher> result;
    const AccountingCalendar calendar = calendarOf(env);
    const int firstOpen = env.db().queryLong(kClosedMonths) + 1;
    if (firstOpen > 12)
        return result;
    const std::string from = calendar.period(firstOpen).first;
    if (env.db().queryLong(kCountOpenable, {env.operatorCode(), from}) == 0)
        return result;
    KS_Dbset rows(env.db());
    for (rows.open(kOpenable, {env.operatorCode(), from}); !rows.isEOF(); rows.moveNext())
        result.push_back({rows.textAt(0), rows.textAt(1)});
    return result;
}

std::string longDate(std::string_view date)
{
    if (date.size() != 8)
        return std::string(date);
    return format("%d年%d月%d日", std::atoi(std::string(date.substr(0, 4)).c_str()),
                  std::atoi(std::string(date.substr(4, 2)).c_str()), std::atoi(std::string(date.substr(6, 2)).c_str()));
}

// ---- what the entry view does to a line as it is edited ----

LineSubject CVoucher::applyLineSubject(VoucherLine& line)
{
    line[VoucherLine::Display].clear();
    line.flags[1] = '0';
    const std::string code = trim(line[VoucherLine::Subject]);
    if (code.empty())
        return LineSubject::Plain;
    const std::optional<SubjectAttributes> subject = subjectAttributes(db(), code);
    if (!subject)
        return LineSubject::Plain;
    if (subject->reserved()) {
        line[VoucherLine::Subject].clear();
        return LineSubject::Refused;
    }
    // A subject with children takes no lines: the code stays for the user to complete.
    if (descendantCount(db(), code) > 0)
        return LineSubject::Plain;
    line[VoucherLine::Display] = code + " " + subject->name;
    line.flags[1] = subject->kind.empty() ? '0' : subject->kind[0];
    if (line.flags[1] == '0')
        line[VoucherLine::Quantity].clear();
    return LineSubject::Posting;
}

bool CVoucher::fillMissingDisplay(VoucherLine& line)
{
    const std::string code = trim(line[VoucherLine::Subject]);
    if (code.empty() || !line[VoucherLine::Display].empty())
        return false;
    const std::optional<SubjectAttributes> subject = subjectAttributes(db(), code);
    if (!subject || descendantCount(db(), code) > 0)
        return false;
    line[VoucherLine::Display] = code + " " + subject->name;
    line.flags[1] = subject->kind.empty() ? '0' : subject->kind[0];
    return true;
}

void CVoucher::resetLinesWithoutSubject()
{
    for (VoucherLine& line : lines) {
        if (!trim(line[VoucherLine::Subject]).empty())
            continue;
        line[VoucherLine::Display].clear();
        line.flags = "00000 ";
    }
}

void CVoucher::assignRecord(const CVoucher& other)
{
    T = other.T;
    CER = other.CER;
    OPP = other.OPP;
    OPN = other.OPN;
    PN = other.PN;
    LY = other.LY;
    MK = other.MK;
    head = other.head;
    lines = other.lines;
    oldDate = other.oldDate;
    oldNumber = other.oldNumber;
    isNew = other.isNew;
    ErrorField = other.ErrorField;
}

double linePrice(const VoucherLine& line)
{
    const double quantity = ReadNumber(line[VoucherLine::Quantity]);
    if (std::abs(quantity) <= kPresent)
        return 0;
    const double credit = ReadNumber(line[VoucherLine::Credit]);
    const double amount = std::abs(credit) > kPresent ? credit : ReadNumber(line[VoucherLine::Debit]);
    return amount / quantity;
}

int applyLinePrice(VoucherLine& line, std::string_view priceText)
{
    // Without a quantity a price prices nothing: the amount typed stays.
    const double quantity = ReadNumber(line[VoucherLine::Quantity]);
    if (std::abs(quantity) <= kPresent)
        return -1;
    const bool onCredit = std::abs(ReadNumber(line[VoucherLine::Credit])) > kPresent;
    const int cell = onCredit ? VoucherLine::Credit : VoucherLine::Debit;
    const std::string amount = FixedText(quantity * ReadNumber(priceText), 2);
    if (std::abs(ReadNumber(amount) - cellAmount(line[cell])) < 0.000001)
        return -1;
    line[cell] = amount;
    return cell;
}

bool clearOppositeAmount(VoucherLine& line, int typedCell)
{
    if (typedCell != VoucherLine::Debit && typedCell != VoucherLine::Credit)
        return false;
    const int other = typedCell == VoucherLine::Debit ? VoucherLine::Credit : VoucherLine::Debit;
    if (std::abs(ReadNumber(line[typedCell])) <= kPresent || std::abs(ReadNumber(line[other])) <= kPresent)
        return false;
    line[other].clear();
    return true;
}


} // namespace kszw
