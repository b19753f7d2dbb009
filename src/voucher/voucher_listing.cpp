#include "voucher/voucher_listing.h"

#include "chart/subjects.h"
#include "common/text.h"
#include "formula/format_number.h"
#include "store/database.h"
#include "store/ks_dbset.h"

#include <cmath>
#include <cstdlib>

namespace kszw {

namespace {

constexpr std::string_view kHeader =
    "SELECT trim(OPP),trim(OPN),PN,trim(MK) FROM CERDIR WHERE T=?1 AND strcomp(CER,?2,0)=0";
constexpr std::string_view kLines =
    "SELECT trim(P0.MRY),trim(P0.KNO),P0.F,P0.MY,P0.NU,trim(SUBT.FZ) FROM P0 LEFT JOIN SUBT ON trim(SUBT.KNO)=trim(P0.KNO) "
    "WHERE P0.T=?1 AND strcomp(P0.CER,?2,0)=0 ORDER BY P0.RN";
constexpr std::string_view kOperatorName = "SELECT trim(NA) FROM OPR WHERE OPNO=?1";

std::string amountText(double value)
{
    return FormatNumber(value, 0, 2, 2);
}

} // namespace

std::string operatorNameOf(Database& db, std::string_view code)
{
    if (trim(code).empty())
        return {};
    return db.queryText(kOperatorName, {trim(code)}).value_or("");
}

std::optional<VoucherListing> buildVoucherListing(Database& db, std::string_view date, std::string_view number)
{
    KS_Dbset header(db);
    header.open(kHeader, {std::string(date), std::string(number)});
    if (header.isEOF())
        return std::nullopt;
    VoucherListing listing;
    listing.date = std::string(date);
    listing.number = std::string(number);
    const std::string maker = header.textAt(0);
    const std::string reviewer = header.textAt(1);
    listing.attachments = header.longAt(2);
    listing.status = header.textAt(3);
    header.close();

    struct Line {
        std::string summary, subject, kind;
        int direction;
        double amount, quantity;
    };
    std::vector<Line> lines;
    KS_Dbset rows(db);
    for (rows.open(kLines, {std::string(date), std::string(number)}); !rows.isEOF(); rows.moveNext()) {
        lines.push_back({rows.textAt(0), rows.textAt(1), rows.textAt(5), rows.longAt(2), rows.doubleAt(3),
                         rows.doubleAt(4)});
        if (lines.back().kind == "1" || lines.back().kind == "2")
            listing.quantityColumns = true;
    }
    listing.columnTitles = {"摘    要", "会计科目"};
    if (listing.quantityColumns) {
        listing.columnTitles.push_back("数量或外币");
        listing.columnTitles.push_back("单价或汇率");
    }
    listing.columnTitles.push_back("借方金额");
    listing.columnTitles.push_back("贷方金额");

    double debit = 0;
    double credit = 0;
    for (const Line& line : lines) {
        std::vector<std::string> row = {line.summary, line.subject + " " + subjectName(db, line.subject).value_or("")};
        if (listing.quantityColumns) {
            const bool hasQuantity = std::fabs(line.quantity) > 0.0000001;
            row.push_back(hasQuantity ? FormatNumber(line.quantity, 0, 0, 4) : "");
            row.push_back(hasQuantity ? FormatNumber(line.amount / line.quantity, 0, 0, 4) : "");
        }
        row.push_back(line.direction == 1 ? amountText(line.amount) : "");
        row.push_back(line.direction == 1 ? "" : amountText(line.amount));
        (line.direction == 1 ? debit : credit) += line.amount;
        listing.rows.push_back(std::move(row));
    }
    const double difference = debit - credit;
    // As the entry view's totals row: the label always, the difference only when there is one.
    listing.totalsRow = {"借－贷＝" + (std::fabs(difference) > 0.0000001 ? trim(FormatNumber(difference, 0, 2, 2)) : ""),
                         "合    计"};
    if (listing.quantityColumns) {
        listing.totalsRow.push_back("");
        listing.totalsRow.push_back("");
    }
    listing.totalsRow.push_back(amountText(debit));
    listing.totalsRow.push_back(amountText(credit));
    listing.headLine = format("%d 年 %d 月 %d 日    第 %s 号    附件：%d 张", std::atoi(listing.date.substr(0, 4).c_str()),
                              std::atoi(listing.date.substr(4, 2).c_str()), std::atoi(listing.date.substr(6, 2).c_str()),
                              listing.number.c_str(), listing.attachments);
    listing.footLine = "会计主管：    记帐：    出纳：    复核：" + operatorNameOf(db, reviewer) + "    制证："
                       + operatorNameOf(db, maker);
    return listing;
}

} // namespace kszw
