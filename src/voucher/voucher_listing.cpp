#include "voucher/voucher_listing.h"

#include "common/text.h"
#include "formula/format_number.h"
#include "store/database.h"
#include "store/ks_dbset.h"

#include <cmath>
#include <map>

namespace kszw {

namespace {

constexpr std::string_view kHeader =
    "SELECT trim(OPP),trim(OPN),PN,trim(MK),trim(TT) FROM CERDIR WHERE T=?1 AND strcomp(CER,?2,0)=0";
constexpr std::string_view kLines =
    "SELECT trim(KNO),rtrim(MRY),F,MY,NU FROM P0 WHERE T=?1 AND strcomp(CER,?2,0)=0 ORDER BY RN";
constexpr std::string_view kSubjectNames = "SELECT trim(KNO),trim(NA) FROM SUBT";
constexpr std::string_view kDateInMonth = "SELECT T FROM CERDIR WHERE TT=?1 AND strcomp(CER,?2,0)=0";
constexpr std::string_view kOperatorName = "SELECT trim(NA) FROM OPR WHERE OPNO=?1";

constexpr double kPresent = 0.00001;

std::string quantityText(double value)
{
    return trim(FormatNumber(value, 0, 0, 4));
}

} // namespace

std::string operatorNameOf(Database& db, std::string_view code)
{
    if (trim(code).empty())
        return {};
    return db.queryText(kOperatorName, {trim(code)}).value_or("");
}

std::optional<VoucherListing> loadVoucherListing(Database& db, const VoucherKey& key)
{
    KS_Dbset header(db);
    header.open(kHeader, {key.date, key.number});
    if (header.isEOF())
        return std::nullopt;
    VoucherListing listing;
    listing.key = key;
    listing.maker = header.textAt(0);
    listing.reviewer = header.textAt(1);
    listing.attachments = header.longAt(2);
    listing.status = header.textAt(3);
    listing.month = header.textAt(4);
    header.close();
    listing.makerName = operatorNameOf(db, listing.maker);
    listing.reviewerName = operatorNameOf(db, listing.reviewer);

    KS_Dbset rows(db);
    for (rows.open(kLines, {key.date, key.number}); !rows.isEOF(); rows.moveNext()) {
        ListedLine line;
        line.subject = rows.textAt(0);
        line.summary = trimRight(rows.textAt(1));
        line.direction = rows.longAt(2) == 1 ? 1 : -1;
        line.amount = rows.doubleAt(3);
        line.quantity = rows.doubleAt(4);
        if (std::fabs(line.quantity) > kPresent)
            listing.quantityColumns = true;
        (line.direction == 1 ? listing.debitTotal : listing.creditTotal) += line.amount;
        listing.lines.push_back(std::move(line));
    }
    rows.close();
    if (!listing.lines.empty()) {
        std::map<std::string, std::string, std::less<>> names;
        KS_Dbset subjects(db);
        for (subjects.open(kSubjectNames); !subjects.isEOF(); subjects.moveNext())
            names.emplace(subjects.textAt(0), subjects.textAt(1));
        for (ListedLine& line : listing.lines) {
            const auto name = names.find(line.subject);
            line.subjectText = name == names.end() ? line.subject : line.subject + " " + name->second;
        }
    }
    return listing;
}

std::optional<std::string> voucherDateInMonth(Database& db, std::string_view month, std::string_view number)
{
    return db.queryText(kDateInMonth, {std::string(month), std::string(number)});
}

std::vector<std::string> listingColumnTitles(bool quantityColumns)
{
    if (quantityColumns)
        return {"摘           要", "  科  目  名  称", "方向", "数量/外币", "单价/汇率", "金     额"};
    return {"摘           要", "  科  目  名  称", "借方发生额", "贷方发生额"};
}

std::string listingAmountText(double value)
{
    return trim(FormatNumber(value, 0, 2, 2));
}

std::vector<std::string> listingRow(const ListedLine& line, bool quantityColumns)
{
    std::vector<std::string> row = {line.summary.empty() ? std::string(kNoSummary) : line.summary, line.subjectText};
    if (quantityColumns) {
        const bool hasQuantity = std::fabs(line.quantity) > kPresent;
        row.push_back(line.direction == 1 ? "借" : "贷");
        row.push_back(hasQuantity ? quantityText(line.quantity) : "");
        row.push_back(hasQuantity ? quantityText(line.amount / line.quantity) : "");
        row.push_back(listingAmountText(line.amount));
    } else {
        row.push_back(line.direction == 1 ? listingAmountText(line.amount) : "");
        row.push_back(line.direction == 1 ? "" : listingAmountText(line.amount));
    }
    return row;
}

std::vector<std::string> listingTotalsRow(std::string_view label, double debit, double credit, bool quantityColumns)
{
    if (quantityColumns)
        return {std::string(label), "", "", "", "借 " + listingAmountText(debit), "贷 " + listingAmountText(credit)};
    return {std::string(label), "", listingAmountText(debit), listingAmountText(credit)};
}

std::string listingMonthLabel(int year, int month)
{
    if (month < 1)
        return "     年    月";
    // The year and the month as the voucher's date writes them: "2026 年 03 月".
    return format("%04d 年 %02d 月", year, month);
}

std::string listingNumberText(std::string_view number, int page, int pages)
{
    const std::string text(number);
    if (pages > 1)
        return format("第 %s(%d/%d) 号", text.c_str(), page, pages);
    return format("第 %s 号", text.c_str());
}

std::string listingAttachmentsText(int attachments)
{
    return format("附件：%4d 张", attachments);
}

std::vector<std::string> listingFootTexts(std::string_view chiefAccountant, std::string_view reviewerName,
                                          std::string_view makerName)
{
    return {"会计主管：" + std::string(chiefAccountant), "记帐：", "出纳：", "复核：" + std::string(reviewerName),
            "制证：" + std::string(makerName)};
}

} // namespace kszw
