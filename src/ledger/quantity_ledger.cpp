// The quantity-amount and foreign-currency ledgers: the account's own rows read through the index
// on the code, the opening, line and total rows built with their movement figures as the ledger's
// text holds them, the running balance triples, the account checks and the printed copy's carry
// rows.
#include "ledger/quantity_ledger.h"

#include "chart/subjects.h"
#include "common/text.h"
#include "formula/format_number.h"
#include "store/database.h"
#include "store/ks_dbset.h"
#include "store/sql_functions.h"

#include <algorithm>
#include <cmath>

namespace kszw {

namespace {

// The account's rows: the range of its own code, and the codes written with a blank in front
// (everything below "!"); the trimmed code then decides. "." follows "-" and the blank, so
// [K, K.) holds K, "K " and K's children, and nothing of K0.
constexpr std::string_view kAccountRows =
    "SELECT T,CER,RN,MRY,KNO,F,MY,NU,MK,TT FROM P0 WHERE KNO>=?1 AND KNO<?2";
constexpr std::string_view kChildren = "SELECT count(*) FROM SUBT WHERE trim(KNO) LIKE ?1";
// Every row of the account up to the end month, opening rows included when posted.
constexpr std::string_view kPostedUpToEnd =
    "SELECT count(*) FROM P0 WHERE trim(KNO)=?1 AND val(TT)<=?2 AND MK='4'";
constexpr std::string_view kUnitName = "SELECT trim(FZN) FROM SUBT WHERE trim(KNO)=?1";
constexpr std::string_view kCurrencyName =
    "SELECT trim(NA) FROM WBT WHERE trim(WNO) IN (SELECT trim(FZN) FROM SUBT WHERE trim(KNO)=?1)";
constexpr std::string_view kOpeningCer = "    ";

constexpr double kQuantityZero = 0.000001; // |q| above it can divide
constexpr double kSameSide = 0.00001;      // q × a above it: quantity and amount on one side

struct Line {
    std::string date;
    std::string number;
    long long rn = 0;
    std::string summary;
    double f = 0;
    double my = 0;
    double nu = 0;
    bool posted = false;
    bool opening = false;
    int month = 0; // val(tt)
};

std::vector<Line> accountLines(Database& db, const std::string& code)
{
    std::vector<Line> lines;
    KS_Dbset rows(db);
    const std::vector<SqlParams> ranges = accountCodeRanges(code);
    for (const SqlParams& range : ranges) {
        for (rows.open(kAccountRows, range); !rows.isEOF(); rows.moveNext()) {
            if (trim(rows.textAt(4)) != code)
                continue;
            Line line;
            line.date = rows.textAt(0);
            line.number = rows.textAt(1);
            line.rn = static_cast<long long>(rows.doubleAt(2));
            line.summary = rows.textAt(3);
            line.f = rows.doubleAt(5);
            line.my = rows.doubleAt(6);
            line.nu = rows.doubleAt(7);
            line.posted = rows.textAt(8) == "4";
            line.opening = line.number == kOpeningCer;
            line.month = static_cast<int>(leadingNumber(rows.textAt(9)));
            lines.push_back(std::move(line));
        }
    }
    return lines;
}

// A figure as the ledger's text holds it and reads it back: cstr for the figures of lines and of
// the turnover before the start, a fixed number of decimals for the totals.
double asCell(double value)
{
    return ReadNumber(numberToPlainText(value));
}
double asFixed(double value, int decimals)
{
    return ReadNumber(FixedText(value, decimals));
}

// One row of the ledger's text: date, voucher number, summary and the four movement figures.
struct TextRow {
    std::string date;
    std::string number;
    std::string summary;
    double debitQuantity = 0, debitAmount = 0, creditQuantity = 0, creditAmount = 0;
};

std::string startDate(const AccountingCalendar& calendar, int month)
{
    return month >= 1 && month <= 12 ? calendar.period(month).first : std::string();
}
std::string endDate(const AccountingCalendar& calendar, int month)
{
    return month >= 1 && month <= 12 ? calendar.period(month).last : std::string();
}

// The grid's cells of the text rows, with the running balance triple from the opening figures.
std::vector<QuantityRow> fillRows(const std::vector<TextRow>& text, double q0, double a0)
{
    using namespace quantity_column;
    std::vector<QuantityRow> rows;
    rows.reserve(text.size());
    double dq = 0, da = 0, cq = 0, ca = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const TextRow& t = text[i];
        QuantityRow row;
        row.date = t.date;
        QuantityCells& c = row.cells;
        c[kMonth] = t.date.size() >= 6 ? t.date.substr(4, 2) : std::string();
        c[kDay] = t.date.size() > 6 ? t.date.substr(6) : std::string();
        c[kNumber] = trimRight(t.number);
        c[kSummary] = t.summary;
        c[kDebitQuantity] = quantityText(t.debitQuantity);
        c[kDebitPrice] = priceText(derivedPrice(t.debitQuantity, t.debitAmount));
        c[kDebitAmount] = amountText(t.debitAmount);
        c[kCreditQuantity] = quantityText(t.creditQuantity);
        c[kCreditPrice] = priceText(derivedPrice(t.creditQuantity, t.creditAmount));
        c[kCreditAmount] = amountText(t.creditAmount);
        // Only lines, and the first row, move the running sums: totals repeat what is counted.
        if (!c[kNumber].empty() || i == 0) {
            dq += t.debitQuantity;
            da += t.debitAmount;
            cq += t.creditQuantity;
            ca += t.creditAmount;
        }
        const double balanceAmount = a0 + da - ca;
        const double balanceQuantity = q0 + dq - cq;
        const double price = derivedPrice(balanceQuantity, balanceAmount);
        c[kDirection] = directionWord(balanceAmount);
        // Quantity and amount on one side: the quantity shows unsigned beside its price; else
        // its sign tells which side it lies on.
        c[kBalanceQuantity] = quantityText(price != 0 ? std::fabs(balanceQuantity) : balanceQuantity);
        c[kBalancePrice] = priceText(price);
        c[kBalanceAmount] = amountText(std::fabs(balanceAmount));
        rows.push_back(std::move(row));
    }
    return rows;
}

} // namespace

bool isQuantityDetailRow(const QuantityCells& cells)
{
    return !cells[quantity_column::kNumber].empty();
}

std::string quantityText(double quantity)
{
    return trim(FormatNumber(quantity, 0, 0, 4));
}

std::string priceText(double price)
{
    return trim(FormatNumber(price, 0, 2, 4));
}

std::string amountText(double amount)
{
    return trim(FormatNumber(amount, 0, 2, 0));
}

double derivedPrice(double quantity, double amount)
{
    if (std::fabs(quantity) > kQuantityZero && amount * quantity > kSameSide)
        return amount / quantity;
    return 0;
}

QuantityLedger buildQuantityLedger(Database& db, const AccountingCalendar& calendar, std::string_view code,
                                   int startMonth, int endMonth, QuantityKind)
{
    const std::string account = trim(code);
    const int m1 = startMonth;
    const int m2 = endMonth;
    const std::vector<Line> lines = accountLines(db, account);
    QuantityLedger ledger;

    // The opening figures: every opening row of the account, whatever its status.
    bool hasOpening = false;
    std::string openingDate;
    for (const Line& line : lines)
        if (line.opening) {
            ledger.openingQuantity += line.f * line.nu;
            ledger.openingAmount += line.f * line.my;
            if (!hasOpening || line.date < openingDate)
                openingDate = line.date;
            hasOpening = true;
        }

    // The posted lines before the start, and those up to the end.
    bool before = false;
    bool upToEnd = false;
    TextRow turnover{startDate(calendar, m1), "", "期 初 余 额 汇 总"};
    for (const Line& line : lines) {
        if (!line.posted || line.opening)
            continue;
        if (line.month <= m2)
            upToEnd = true;
        if (line.month < m1) {
            before = true;
            turnover.debitQuantity += 0.5 * (1 + line.f) * line.nu;
            turnover.debitAmount += 0.5 * (1 + line.f) * line.my;
            turnover.creditQuantity += 0.5 * (1 - line.f) * line.nu;
            turnover.creditAmount += 0.5 * (1 - line.f) * line.my;
        }
    }
    if (!upToEnd && !hasOpening) {
        ledger.refusal = std::string(kQuantityNoContent);
        return ledger;
    }

    std::vector<TextRow> text;
    double yearDQ = 0, yearDA = 0, yearCQ = 0, yearCA = 0;
    if (before) {
        turnover.debitQuantity = asCell(turnover.debitQuantity);
        turnover.debitAmount = asCell(turnover.debitAmount);
        turnover.creditQuantity = asCell(turnover.creditQuantity);
        turnover.creditAmount = asCell(turnover.creditAmount);
        yearDQ = turnover.debitQuantity;
        yearDA = turnover.debitAmount;
        yearCQ = turnover.creditQuantity;
        yearCA = turnover.creditAmount;
        text.push_back(turnover);
    } else if (hasOpening) {
        // The opening row alone: dated on its own date from the first month, else on the start.
        text.push_back(TextRow{m1 == 1 ? openingDate : startDate(calendar, m1), "", "期 初 余 额"});
    }

    // The lines of the span in date order, then voucher-number order.
    std::vector<const Line*> span;
    for (const Line& line : lines)
        if (line.posted && !line.opening && line.month >= m1 && line.month <= m2)
            span.push_back(&line);
    std::stable_sort(span.begin(), span.end(), [](const Line* a, const Line* b) {
        if (a->date != b->date)
            return a->date < b->date;
        if (a->number != b->number)
            return a->number < b->number;
        return a->rn < b->rn;
    });
    // A month is its accounting month alone: a month that spans New Year stays one month.
    double monthDQ = 0, monthDA = 0, monthCQ = 0, monthCA = 0;
    const auto closeMonth = [&](int month) {
        yearDQ += monthDQ;
        yearDA += monthDA;
        yearCQ += monthCQ;
        yearCA += monthCA;
        const std::string end = endDate(calendar, month);
        text.push_back(TextRow{end, "", "本  月  合  计", asFixed(monthDQ, 4), asFixed(monthDA, 2),
                               asFixed(monthCQ, 4), asFixed(monthCA, 2)});
        text.push_back(TextRow{end, "", "本  年  累  计", asFixed(yearDQ, 4), asFixed(yearDA, 2),
                               asFixed(yearCQ, 4), asFixed(yearCA, 2)});
    };
    for (size_t i = 0; i < span.size(); ++i) {
        const Line& line = *span[i];
        const TextRow row{line.date,
                          trim(line.number),
                          trimRight(line.summary),
                          asCell(0.5 * (1 + line.f) * line.nu),
                          asCell(0.5 * (1 + line.f) * line.my),
                          asCell(0.5 * (1 - line.f) * line.nu),
                          asCell(0.5 * (1 - line.f) * line.my)};
        if (i > 0 && span[i - 1]->month != line.month) {
            closeMonth(span[i - 1]->month);
            monthDQ = monthDA = monthCQ = monthCA = 0;
        }
        monthDQ += row.debitQuantity;
        monthDA += row.debitAmount;
        monthCQ += row.creditQuantity;
        monthCA += row.creditAmount;
        text.push_back(row);
    }
    if (!span.empty())
        closeMonth(span.back()->month);

    ledger.rows = fillRows(text, ledger.openingQuantity, ledger.openingAmount);
    return ledger;
}

std::optional<std::string> checkQuantityAccount(Database& db, std::string_view code, int endMonth,
                                                QuantityKind kind)
{
    const std::string account = trim(code);
    if (std::optional<std::string> missing = checkSubjectExists(db, account))
        return missing;
    const std::optional<SubjectAttributes> attributes = subjectAttributes(db, account);
    const std::string wanted = kind == QuantityKind::Quantity ? "1" : "2";
    if (!attributes || attributes->kind != wanted)
        return std::string(kind == QuantityKind::Quantity ? kNotQuantityAccount : kNotCurrencyAccount);
    // A code is digits and "-": wildcards of LIKE never name an account.
    if (account.find_first_of("%_") == std::string::npos && db.queryLong(kChildren, {account + "-%"}) > 0)
        return std::string(kind == QuantityKind::Quantity ? kQuantityHasChildren : kCurrencyHasChildren);
    if (db.queryLong(kPostedUpToEnd, {account, static_cast<std::int64_t>(endMonth)}) == 0)
        return std::string(kQuantityNoContent);
    return std::nullopt;
}

std::string quantityUnitName(Database& db, std::string_view code, QuantityKind kind)
{
    const std::string account = trim(code);
    return trim(db.queryText(kind == QuantityKind::Quantity ? kUnitName : kCurrencyName, {account}).value_or(""));
}

std::string_view quantityLedgerTitle(QuantityKind kind)
{
    return kind == QuantityKind::Quantity ? " 数量金额式帐页 " : " 复 币 式 帐 页 ";
}

std::string_view quantityDocumentTitle(QuantityKind kind)
{
    return kind == QuantityKind::Quantity ? "数量金额式帐页" : "复币式帐页";
}

std::string_view quantityUnitLabel(QuantityKind kind)
{
    return kind == QuantityKind::Quantity ? "数量单位：" : "币种名称：";
}

std::array<std::string_view, 3> quantityTripleCaptions(QuantityKind kind)
{
    if (kind == QuantityKind::Quantity)
        return {"数     量", "单     价", "金     额"};
    return {"外  币  数", "汇     率", "本位币金额"};
}

std::array<std::string_view, 3> quantityGroupCaptions()
{
    return {"借  方  发  生  额", "贷  方  发  生  额", "余           额"};
}

std::array<std::string, kQuantityColumns> quantityColumnHeadings(QuantityKind kind)
{
    std::array<std::string, kQuantityColumns> headings{"月", "日", "凭证号码", "摘要"};
    const std::array<std::string_view, 3> groups = {"借方", "贷方", "余额"};
    const std::array<std::string_view, 3> captions = quantityTripleCaptions(kind);
    const std::array<int, 3> firsts = {quantity_column::kDebitQuantity, quantity_column::kCreditQuantity,
                                       quantity_column::kBalanceQuantity};
    for (size_t g = 0; g < groups.size(); ++g)
        for (size_t i = 0; i < captions.size(); ++i)
            headings[static_cast<size_t>(firsts[g]) + i] = std::string(groups[g]) + replaceAll(captions[i], " ", "");
    headings[quantity_column::kDirection] = "借或贷";
    return headings;
}

std::vector<QuantityCells> BuildQuantityPrintRows(const std::vector<QuantityCells>& rows, int rowsPerPage)
{
    using namespace quantity_column;
    std::vector<QuantityCells> printed;
    const int L = std::max(rowsPerPage, 1);
    const auto value = [](const std::string& text) { return ReadNumber(RemoveGroupCommas(trim(text))); };
    double dq = 0, da = 0, cq = 0, ca = 0;
    for (size_t i = 0; i < rows.size(); ++i) {
        const QuantityCells& row = rows[i];
        if (!isQuantityDetailRow(row))
            dq = da = cq = ca = 0;
        const int P = static_cast<int>(printed.size());
        if (i > 0 && P % L == L - 1 && isQuantityDetailRow(row)) {
            const QuantityCells& previous = rows[i - 1];
            if (isQuantityDetailRow(previous)) {
                QuantityCells carry;
                carry[kMonth] = previous[kMonth];
                carry[kDay] = previous[kDay];
                carry[kSummary] = "  过  次  页";
                carry[kDebitQuantity] = quantityText(dq);
                carry[kDebitPrice] = priceText(derivedPrice(dq, da));
                carry[kDebitAmount] = amountText(da);
                carry[kCreditQuantity] = quantityText(cq);
                carry[kCreditPrice] = priceText(derivedPrice(cq, ca));
                carry[kCreditAmount] = amountText(ca);
                for (int c = kDirection; c < kQuantityColumns; ++c)
                    carry[static_cast<size_t>(c)] = previous[static_cast<size_t>(c)];
                printed.push_back(carry);
                carry[kSummary] = "  承  前  页";
                printed.push_back(carry);
            } else {
                printed.push_back(QuantityCells{});
            }
        }
        printed.push_back(row);
        if (isQuantityDetailRow(row)) {
            dq += value(row[kDebitQuantity]);
            da += value(row[kDebitAmount]);
            cq += value(row[kCreditQuantity]);
            ca += value(row[kCreditAmount]);
        }
    }
    return printed;
}

} // namespace kszw
