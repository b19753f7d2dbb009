// The auxiliary-accounting directory: the statements of its three kinds and the lines they give.
#include "ledger/auxiliary_directory.h"

#include "common/text.h"
#include "ledger/ledger_conventions.h"
#include "store/database.h"
#include "store/ks_dbset.h"

namespace kszw {

namespace {

constexpr std::string_view kQuantitySubjects =
    "SELECT trim(KNO),rtrim(FZN) FROM SUBT WHERE FZ=?1 ORDER BY CLAS,trim(KNO)";
constexpr std::string_view kCurrencySubjects =
    "SELECT trim(SUBT.KNO),rtrim(WBT.NA) FROM SUBT,WBT WHERE SUBT.FZ=?1 AND SUBT.FZN=WBT.WNO "
    "ORDER BY SUBT.CLAS,length(trim(SUBT.KNO)),val(SUBT.FZN)";
constexpr std::string_view kMultiColumnSubjects = "SELECT trim(KNO),trim(DL) FROM SUBT WHERE DL=?1 ORDER BY CLAS,KNO";

constexpr int kCodeWidth = 15;
constexpr int kNameWidth = 32;
constexpr int kNameLimit = 30;
constexpr int kExtraWidth = 10;
constexpr int kMultiColumnNameWidth = 42;
constexpr int kMultiColumnNameLimit = 42;

} // namespace

std::vector<DirectoryLine> auxiliaryDirectory(Database& db, DirectoryType type)
{
    std::string_view sql = kMultiColumnSubjects;
    std::string flag = "1";
    if (type == DirectoryType::Quantity)
        sql = kQuantitySubjects;
    else if (type == DirectoryType::Currency) {
        sql = kCurrencySubjects;
        flag = "2";
    }
    // The codes and their third fields first: the name paths read the chart again.
    std::vector<std::pair<std::string, std::string>> found;
    KS_Dbset set(db);
    for (set.open(sql, {flag}); !set.isEOF(); set.moveNext())
        found.emplace_back(set.textAt(0), set.textAt(1));

    std::vector<DirectoryLine> lines;
    lines.reserve(found.size());
    for (const auto& [code, extra] : found) {
        DirectoryLine line;
        line.code = code;
        if (type == DirectoryType::MultiColumn) {
            line.text = padGbkRight(code, kCodeWidth)
                        + padGbkRight(accountNamePath(db, code, kMultiColumnNameLimit), kMultiColumnNameWidth);
        } else {
            line.text = padGbkRight(code, kCodeWidth) + padGbkRight(accountNamePath(db, code, kNameLimit), kNameWidth)
                        + padGbkRight(extra, kExtraWidth);
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

std::string directoryTitle(DirectoryType type, int year)
{
    const char* kind = type == DirectoryType::Quantity ? "(数量金额)" : type == DirectoryType::Currency ? "(外币)"
                                                                                                         : "(多栏帐)";
    return format("%d年度辅助核算目录%s", year, kind);
}

std::string directoryHeading(DirectoryType type)
{
    if (type == DirectoryType::MultiColumn)
        return padGbkRight("科目代码", kCodeWidth) + "科目名称";
    return padGbkRight("科目代码", kCodeWidth) + padGbkRight("科目名称", kNameWidth)
           + (type == DirectoryType::Quantity ? "数量单位" : "外币名称");
}

} // namespace kszw
