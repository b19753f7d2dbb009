#include "voucher/voucher_import.h"

#include "chart/subjects.h"
#include "common/csv.h"
#include "common/prompt.h"
#include "common/text.h"
#include "formula/format_number.h"
#include "formview/input_spec.h"
#include "session/kszw_env.h"
#include "store/transaction.h"
#include "voucher/voucher.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <optional>

namespace kszw {

namespace {

const std::vector<std::string> kColumns = {"date",    "number", "attachments", "summary",
                                           "subject", "debit",  "credit",      "quantity"};

// The message of a question or warning, without the question's own ending.
class CapturingPrompt : public Prompt {
public:
    std::string message;
    void tell(std::string_view text, Icon, std::string_view) override { message = std::string(text); }
    Answer ask(std::string_view text, Buttons, Answer, Icon, std::string_view) override
    {
        message = std::string(text);
        const size_t question = message.find("\n需要返回修改吗？");
        if (question != std::string::npos)
            message.erase(question);
        return Answer::No;
    }
};

constexpr int kCellIntegerDigits = 12;

// A plain decimal number, or 0 when the field is empty.
std::optional<double> decimalNumber(std::string_view text)
{
    if (trimWhitespace(text).empty())
        return 0.0;
    // As the entry view's amount and quantity cells: at most twelve digits before the point.
    return ReadPlainDecimal(text, kCellIntegerDigits);
}

struct Group {
    int firstLine = 0;
    std::string date;
    std::string number;
    std::string attachments;
    std::vector<const CsvRecord*> records;
    std::vector<size_t> rows; // the rows of the result, one per record
};

// A cell of the record, empty when the record is short of it.
std::string field(const CsvRecord& record, size_t column)
{
    return column < record.fields.size() ? trimWhitespace(record.fields[column]) : std::string();
}

// The import, or with write false its preview: the same checks, numbering and store, rolled back.
VoucherImportResult runImport(CKszwEnv& env, const Clock& clock, std::string_view csvText, bool write)
{
    VoucherImportResult result;
    const CsvTable table = readCsvTable(csvText, kColumns);
    if (!table.error.empty()) {
        result.refusals.push_back({table.errorLine, table.error});
        VoucherImportRow row;
        row.line = table.errorLine;
        row.refusals.push_back(table.error);
        result.rows.push_back(std::move(row));
        return result;
    }
    // Every record is a row of the result; consecutive rows of one date and number make one voucher.
    std::map<int, size_t> rowOfLine;
    std::vector<Group> groups;
    for (const CsvRecord& record : table.records) {
        VoucherImportRow row;
        row.line = record.line;
        row.date = field(record, 0);
        row.number = toUpperAscii(field(record, 1));
        row.summary = field(record, 3);
        row.subject = field(record, 4);
        row.debit = field(record, 5);
        row.credit = field(record, 6);
        row.quantity = field(record, 7);
        rowOfLine[record.line] = result.rows.size();
        result.rows.push_back(std::move(row));
        if (record.fields.size() != kColumns.size()) {
            const std::string message = format("应有 %d 列，实有 %d 列！", static_cast<int>(kColumns.size()),
                                               static_cast<int>(record.fields.size()));
            result.refusals.push_back({record.line, message});
            result.rows.back().refusals.push_back(message);
            continue;
        }
        const std::string& date = result.rows.back().date;
        const std::string& number = result.rows.back().number;
        if (groups.empty() || groups.back().date != date || groups.back().number != number)
            groups.push_back({record.line, date, number, field(record, 2), {}, {}});
        groups.back().records.push_back(&record);
        groups.back().rows.push_back(result.rows.size() - 1);
        result.rows.back().voucher = static_cast<int>(groups.size());
    }

    Database& db = env.db();
    Transaction transaction(db);
    for (const Group& group : groups) {
        const size_t refusedBefore = result.refusals.size();
        auto refuse = [&](int line, std::string message) {
            result.rows[rowOfLine.at(line)].refusals.push_back(message);
            result.refusals.push_back({line, std::move(message)});
        };
        if (group.date.size() != 8 || !isAllDigits(group.date))
            refuse(group.firstLine, "日期应为年月日八位数字（如20260315）！");
        // The cells take what the entry view's cells take.
        if (!group.number.empty() && (group.number.size() > 4 || !AllMatchClass("CHAR_DIGIT", group.number)))
            refuse(group.firstLine, "凭证号只能是至多4位的字母和数字！");
        if (!group.attachments.empty() && (!isAllDigits(group.attachments) || group.attachments.size() > 4))
            refuse(group.firstLine, "附件数只能是不小于0、不多于4位的整数！");

        CVoucher voucher(env, clock);
        voucher.lines.clear();
        for (size_t i = 0; i < group.records.size(); ++i) {
            const CsvRecord* record = group.records[i];
            VoucherImportRow& shown = result.rows[group.rows[i]];
            const std::string& summary = shown.summary;
            const std::string& subject = shown.subject;
            const std::optional<double> debit = decimalNumber(record->fields[5]);
            const std::optional<double> credit = decimalNumber(record->fields[6]);
            const std::optional<double> quantity = decimalNumber(record->fields[7]);
            if (gbkLength(summary) > 40)
                refuse(record->line, "摘要不能超过40个字节（20个汉字）！");
            else if (summary.find_first_of("|[]'\"") != std::string::npos)
                refuse(record->line, "摘要中不能有 | [ ] ' \" 这些字符！");
            if (!debit || !credit || !quantity) {
                refuse(record->line, "金额和数量只能是数字，整数部分不超过12位！");
                continue;
            }
            // Amounts are kept to the cent, rounded half away from zero: spreadsheet arithmetic
            // leaves tails such as 99.999995.
            const double debitCents = ReadNumber(FixedText(*debit, 2));
            const double creditCents = ReadNumber(FixedText(*credit, 2));
            const bool hasDebit = std::fabs(debitCents) > 0.00001;
            const bool hasCredit = std::fabs(creditCents) > 0.00001;
            shown.debit = hasDebit ? FixedText(debitCents, 2) : std::string();
            shown.credit = hasCredit ? FixedText(creditCents, 2) : std::string();
            const std::string quantityText = RemoveGroupCommas(FormatNumber(*quantity, 0, 0, 6));
            shown.quantity = std::fabs(*quantity) > 0.00001 ? quantityText : std::string();
            if (!hasDebit && !hasCredit) {
                refuse(record->line, "借方和贷方金额都为空！");
                continue;
            }
            // A line of the entry view holds one of the two: the store would keep the debit only.
            if (hasDebit && hasCredit) {
                refuse(record->line, "一行只能有借方或贷方金额，不能两者都有！");
                continue;
            }
            const std::optional<SubjectAttributes> attributes = subjectAttributes(db, subject);
            if (!attributes)
                refuse(record->line, "科目“" + subject + "”不存在!");
            else if (descendantCount(db, subject) > 0)
                refuse(record->line, "科目“" + subject + "”不是最低明细科目，不能记帐！");
            else if (attributes->reserved())
                refuse(record->line, "“" + subject + "”科目为专用科目，不能在本软件中记帐！");
            else if ((attributes->kind.empty() || attributes->kind == "0") && std::fabs(*quantity) > 0.00001)
                refuse(record->line, "科目“" + subject + "”不核算数量或外币，不能录入数量！");
            VoucherLine line;
            line[VoucherLine::Summary] = summary;
            line[VoucherLine::Subject] = subject;
            if (hasDebit)
                line[VoucherLine::Debit] = shown.debit;
            else
                line[VoucherLine::Credit] = shown.credit;
            line[VoucherLine::Quantity] = quantityText;
            voucher.lines.push_back(line);
        }
        if (result.refusals.size() > refusedBefore || voucher.lines.empty())
            continue;

        voucher.head = {group.date.substr(0, 4), group.date.substr(4, 2), group.date.substr(6, 2), group.number,
                        group.attachments.empty() ? std::string("0") : group.attachments};
        CapturingPrompt prompt;
        int classLength = 0;
        // An empty number is generated; anything wrong with the head is refused with its message.
        if (voucher.CheckHead(classLength, true, true, 0, prompt) != voucher_result::kOk) {
            refuse(group.firstLine, prompt.message);
            continue;
        }
        // The number the voucher is stored under, as the rows of the preview show it.
        for (size_t row : group.rows)
            result.rows[row].number = voucher.CER;
        const int stored = voucher.Store(true, "", "", static_cast<int>(ReadNumber(voucher.head[kHeadAttachments])));
        switch (stored) {
        case voucher_result::kOk:
            ++result.vouchers;
            result.lines += static_cast<int>(voucher.lines.size());
            break;
        case voucher_result::kDuplicate: refuse(group.firstLine, "凭证重号，本月已有第" + voucher.CER + "号凭证！"); break;
        case voucher_result::kMonthClosed: refuse(group.firstLine, "不能在已月结月份内增加凭证！"); break;
        default: refuse(group.firstLine, "凭证未能存入！"); break;
        }
    }
    if (!result.refusals.empty()) {
        // In file order: a record with a wrong column count was refused before the vouchers.
        std::stable_sort(result.refusals.begin(), result.refusals.end(),
                         [](const VoucherImportRefusal& a, const VoucherImportRefusal& b) { return a.line < b.line; });
        result.vouchers = 0;
        result.lines = 0;
        return result; // the transaction rolls everything back
    }
    if (write)
        transaction.commit();
    result.ok = true;
    return result;
}

} // namespace

std::string VoucherImportRefusal::text() const
{
    return line > 0 ? format("第 %d 行：", line) + message : message;
}

int VoucherImportResult::voucherCount() const
{
    int count = 0;
    for (const VoucherImportRow& row : rows)
        count = std::max(count, row.voucher);
    return count;
}

int VoucherImportResult::refusedRowCount() const
{
    return static_cast<int>(std::count_if(rows.begin(), rows.end(),
                                          [](const VoucherImportRow& row) { return !row.refusals.empty(); }));
}

VoucherImportResult importVouchers(CKszwEnv& env, const Clock& clock, std::string_view csvText)
{
    return runImport(env, clock, csvText, true);
}

VoucherImportResult previewVoucherImport(CKszwEnv& env, const Clock& clock, std::string_view csvText)
{
    return runImport(env, clock, csvText, false);
}

} // namespace kszw
