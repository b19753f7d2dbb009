#include "chart/chart_import.h"

#include "chart/currencies.h"
#include "chart/exchange_rates.h"
#include "chart/opening_balances.h"
#include "chart/subject_codes.h"
#include "chart/subjects.h"
#include "common/csv.h"
#include "common/text.h"
#include "formula/format_number.h"
#include "store/database.h"
#include "store/transaction.h"

#include <vector>

namespace kszw {

namespace {

const std::vector<std::string> kSubjectColumns = {"code", "name", "kind", "unit", "multi_column", "direction", "width"};
const std::vector<std::string> kOpeningColumns = {"code", "direction", "amount", "quantity"};
const std::vector<std::string> kCurrencyColumns = {"code", "name", "gain_loss_subject"};
const std::vector<std::string> kRateColumns = {"currency", "date", "foreign", "local"};

ImportResult refuse(int line, std::string message)
{
    ImportResult result;
    result.line = line;
    result.message = std::move(message);
    return result;
}

// The records after a header that names the columns in their order.
std::optional<ImportResult> readRecords(std::string_view text, const std::vector<std::string>& columns,
                                        std::vector<CsvRecord>& records)
{
    CsvReadResult csv = readCsv(text);
    if (!csv.error.empty())
        return refuse(csv.errorLine, "CSV 格式错误：" + csv.error);
    if (csv.records.empty())
        return refuse(0, "文件为空，没有表头行！");
    std::vector<std::string> header;
    for (const std::string& field : csv.records.front().fields)
        header.push_back(toLowerAscii(trimWhitespace(field)));
    if (header != columns) {
        std::string expected;
        for (const std::string& column : columns)
            expected += (expected.empty() ? "" : ",") + column;
        return refuse(csv.records.front().line, "表头应为：" + expected);
    }
    records.assign(csv.records.begin() + 1, csv.records.end());
    return std::nullopt;
}

// The refusal of a record whose number of fields is not the header's; nothing when it fits.
std::optional<ImportResult> checkFieldCount(const CsvRecord& record, const std::vector<std::string>& columns)
{
    if (record.fields.size() == columns.size())
        return std::nullopt;
    return refuse(record.line, format("应有 %d 列，实有 %d 列！", static_cast<int>(columns.size()),
                                      static_cast<int>(record.fields.size())));
}

ImportResult imported(int rows)
{
    ImportResult result;
    result.ok = true;
    result.rows = rows;
    return result;
}

// A whole number written with digits (and a leading minus); nothing otherwise.
std::optional<int> wholeNumber(std::string_view text)
{
    std::string value = trimWhitespace(text);
    value = replaceAll(value, "−", "-");
    const bool negative = !value.empty() && value[0] == '-';
    const std::string digits = negative ? value.substr(1) : value;
    if (!isAllDigits(digits) || digits.size() > 6)
        return std::nullopt;
    const int number = std::stoi(digits);
    return negative ? -number : number;
}

// A plain decimal number, or 0 when the field is empty.
std::optional<double> decimalNumber(std::string_view text)
{
    if (trimWhitespace(text).empty())
        return 0.0;
    return ReadPlainDecimal(text);
}

// True when the text is segments of digits joined by single "-" (of any length and depth: the
// limits are the add operation's checks).
bool hasCodeShape(std::string_view code)
{
    if (code.empty())
        return false;
    bool digit = false;
    for (char c : code) {
        if (c == '-') {
            if (!digit)
                return false;
            digit = false;
        } else if (c >= '0' && c <= '9') {
            digit = true;
        } else {
            return false;
        }
    }
    return digit;
}

// The code with the leading zeros of each segment dropped, as the dialog saves a typed segment; a
// segment of zeros only becomes empty.
std::string canonicalCode(const std::string& code)
{
    std::string result;
    size_t start = 0;
    while (start <= code.size()) {
        size_t dash = code.find('-', start);
        std::string segment = code.substr(start, dash == std::string::npos ? std::string::npos : dash - start);
        const size_t nonZero = segment.find_first_not_of('0');
        segment = nonZero == std::string::npos ? std::string() : segment.substr(nonZero);
        result += (result.empty() && start == 0 ? "" : "-") + segment;
        if (dash == std::string::npos)
            break;
        start = dash + 1;
    }
    return result;
}

} // namespace

std::string ImportResult::text() const
{
    return line > 0 ? format("第 %d 行：", line) + message : message;
}

ImportResult importSubjects(Database& db, std::string_view csvText)
{
    std::vector<CsvRecord> records;
    if (std::optional<ImportResult> refused = readRecords(csvText, kSubjectColumns, records))
        return *refused;
    Transaction transaction(db);
    int written = 0;
    for (const CsvRecord& record : records) {
        if (record.fields.size() != kSubjectColumns.size())
            return refuse(record.line, format("应有 %d 列，实有 %d 列！", static_cast<int>(kSubjectColumns.size()),
                                              static_cast<int>(record.fields.size())));
        const std::string typed = trimWhitespace(record.fields[0]);
        if (!hasCodeShape(typed))
            return refuse(record.line, "科目代码“" + typed + "”不合法：应为以“-”连接的数字段，不超过14个字符、6级！");
        const std::string code = canonicalCode(typed);
        std::optional<int> kind = wholeNumber(record.fields[2]);
        if (!kind || *kind < 0 || *kind > 2)
            return refuse(record.line, "辅助核算类别只能是0、1或2！");
        std::optional<int> multiColumn = wholeNumber(record.fields[4]);
        if (!multiColumn || (*multiColumn != 0 && *multiColumn != 1))
            return refuse(record.line, "多栏式帐页只能是0或1！");
        std::optional<int> direction = wholeNumber(record.fields[5]);
        if (!direction || (*direction != 1 && *direction != -1 && *direction != 0))
            return refuse(record.line, "多栏方向只能是1、-1或0！");
        std::optional<int> width = wholeNumber(record.fields[6]);
        if (!width || *width < 0 || *width > 40)
            return refuse(record.line, "栏宽只能是0到40的整数！");
        // A segment of zeros only names no subject: as the last one the dialog's refusal, as a
        // parent's a parent that cannot exist.
        const std::string parent = parentSubjectCode(code);
        if (code.empty() || code.back() == '-')
            return refuse(record.line, "代码不能为空或小于 1，请重输!");
        const bool zeroParentSegment = code.front() == '-' || code.find("--") != std::string::npos;
        if (zeroParentSegment || (!parent.empty() && !subjectExists(db, parent)))
            return refuse(record.line, "父科目“" + parentSubjectCode(typed) + "”不存在，父科目应排在子科目之前！");
        // The parent's own refusals (six levels, code length, kinds) before the code's length.
        if (std::optional<std::string> refused = checkCanAddChild(db, parent))
            return refuse(record.line, *refused);
        SubjectInput input;
        input.segment = lastSegment(code);
        input.name = record.fields[1];
        input.kind = *kind;
        input.unit = trimWhitespace(record.fields[3]);
        input.multiColumn = *multiColumn == 1;
        input.direction = *direction;
        input.width = *width;
        SubjectResult result = addSubject(db, parent, input);
        if (!result.ok)
            return refuse(record.line, result.message);
        ++written;
    }
    transaction.commit();
    ImportResult result;
    result.ok = true;
    result.rows = written;
    return result;
}

ImportResult importOpeningBalances(Database& db, std::string_view csvText)
{
    std::vector<CsvRecord> records;
    if (std::optional<ImportResult> refused = readRecords(csvText, kOpeningColumns, records))
        return *refused;
    Transaction transaction(db);
    int written = 0;
    for (const CsvRecord& record : records) {
        if (record.fields.size() != kOpeningColumns.size())
            return refuse(record.line, format("应有 %d 列，实有 %d 列！", static_cast<int>(kOpeningColumns.size()),
                                              static_cast<int>(record.fields.size())));
        const std::string typed = trimWhitespace(record.fields[0]);
        if (!isSubjectCode(typed))
            return refuse(record.line, "科目代码“" + typed + "”不合法！");
        const std::string code = canonicalCode(typed);
        const std::string word = trimWhitespace(record.fields[1]);
        int direction = 0;
        if (word == "借" || word == "1")
            direction = 1;
        else if (word == "贷" || word == "-1" || word == "−1")
            direction = -1;
        else
            return refuse(record.line, "余额方向只能是借、贷（或1、-1）！");
        std::optional<double> amount = decimalNumber(record.fields[2]);
        std::optional<double> quantity = decimalNumber(record.fields[3]);
        if (!amount || !quantity)
            return refuse(record.line, "金额和数量只能是数字，整数部分不超过13位！");
        if (std::optional<std::string> refused = setOpeningBalance(db, code, {direction, *amount, *quantity}))
            return refuse(record.line, *refused);
        ++written;
    }
    transaction.commit();
    ImportResult result;
    result.ok = true;
    result.rows = written;
    return result;
}

ImportResult importCurrencies(Database& db, std::string_view csvText)
{
    std::vector<CsvRecord> records;
    if (std::optional<ImportResult> refused = readRecords(csvText, kCurrencyColumns, records))
        return *refused;
    Transaction transaction(db);
    int written = 0;
    for (const CsvRecord& record : records) {
        if (std::optional<ImportResult> refused = checkFieldCount(record, kCurrencyColumns))
            return *refused;
        const CurrencyResult result = addCurrency(db, {record.fields[0], record.fields[1], record.fields[2]});
        if (!result.ok)
            return refuse(record.line, result.message);
        ++written;
    }
    transaction.commit();
    return imported(written);
}

ImportResult importRates(Database& db, const RateYear& year, std::string_view csvText)
{
    std::vector<CsvRecord> records;
    if (std::optional<ImportResult> refused = readRecords(csvText, kRateColumns, records))
        return *refused;
    Transaction transaction(db);
    int written = 0;
    for (const CsvRecord& record : records) {
        if (std::optional<ImportResult> refused = checkFieldCount(record, kRateColumns))
            return *refused;
        const std::string typedCode = trimWhitespace(record.fields[0]);
        const std::optional<std::string> code = canonicalCurrencyCode(typedCode);
        if (!code)
            return refuse(record.line, "币种代码“" + typedCode + "”不合法，应为正整数！");
        const std::string date = trimWhitespace(record.fields[1]);
        if (date.size() != 8 || !isAllDigits(date))
            return refuse(record.line, "日期“" + date + "”不合法，应为YYYYMMDD格式的8位数字！");
        // The date's parts go through the dialog's checks of year, month and day.
        RateInput input;
        input.year = date.substr(0, 4);
        input.month = date.substr(4, 2);
        input.day = date.substr(6, 2);
        input.foreign = record.fields[2];
        input.local = record.fields[3];
        const RateResult result = addRate(db, year, *code, input);
        if (!result.ok)
            return refuse(record.line, result.message);
        ++written;
    }
    transaction.commit();
    return imported(written);
}

} // namespace kszw
