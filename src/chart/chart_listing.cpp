#include "chart/chart_listing.h"

#include "chart/subject_codes.h"
#include "common/text.h"
#include "store/database.h"
#include "store/ks_dbset.h"

namespace kszw {

namespace {

constexpr std::string_view kCountAll = "SELECT count(*) FROM SUBT";
constexpr std::string_view kCountBelow = "SELECT count(*) FROM SUBT WHERE trim(KNO) LIKE ?1 || '-%'";
constexpr std::string_view kTopLevel =
    "SELECT trim(KNO),trim(NA),trim(FZ),trim(DL),CLAS,DLF FROM SUBT WHERE CLAS=1 ORDER BY val(KNO),trim(KNO)";
constexpr std::string_view kChildren =
    "SELECT trim(KNO),trim(NA),trim(FZ),trim(DL),CLAS,DLF FROM SUBT WHERE trim(KNO) LIKE ?1 || '-%' AND CLAS-?2=0 "
    "ORDER BY val(substr(trim(KNO),?3)),trim(KNO)";

struct Listing {
    Database& db;
    std::vector<ChartRow>& rows;
    int total;
    void (*progress)(int, void*);
    void* context;
};

void listLevel(Listing& listing, std::string_view parent, int parentLevel)
{
    struct Subject {
        ChartRow row;
        std::string code;
        int level;
    };
    std::vector<Subject> subjects;
    {
        KS_Dbset rows(listing.db);
        if (parent.empty())
            rows.open(kTopLevel);
        else
            rows.open(kChildren, {std::string(parent), static_cast<std::int64_t>(parentLevel + 1),
                                  static_cast<std::int64_t>(parent.size() + 2)});
        for (; !rows.isEOF(); rows.moveNext()) {
            const std::string code = rows.textAt(0);
            const int level = rows.longAt(4);
            const std::string kind = rows.textAt(2);
            const int direction = rows.longAt(5);
            ChartRow row;
            row.push_back(std::string(static_cast<size_t>(2 * std::max(0, level - 1)), ' ') + code);
            row.push_back(rows.textAt(1));
            row.push_back(std::to_string(level));
            row.push_back(rows.textAt(3) == "1" ? "多栏" : "");
            row.push_back(direction == 1 ? "借" : direction == -1 ? "贷" : "");
            row.push_back(kind == "1" ? "数量金额" : kind == "2" ? "外币" : "");
            subjects.push_back({std::move(row), code, level});
        }
    }
    for (Subject& subject : subjects) {
        listing.rows.push_back(std::move(subject.row));
        if (listing.progress && listing.total > 0)
            listing.progress(static_cast<int>(100LL * static_cast<long long>(listing.rows.size()) / listing.total),
                             listing.context);
        if (hasSubSubjects(listing.db, subject.code))
            listLevel(listing, subject.code, subject.level);
    }
}

} // namespace

int chartListingCount(Database& db, std::string_view root)
{
    return root.empty() ? db.queryLong(kCountAll) : db.queryLong(kCountBelow, {std::string(root)});
}

bool hasSubSubjects(Database& db, std::string_view code)
{
    return db.queryLong(kCountBelow, {std::string(code)}) > 0;
}

bool chartHasSubjects(Database& db)
{
    return chartListingCount(db, "") > 0;
}

bool isChartListingRoot(Database& db, std::string_view code)
{
    if (code.empty() || code.find_first_of("%_") != std::string_view::npos)
        return false;
    return hasSubSubjects(db, code);
}

std::optional<std::string> chartParentRoot(std::string_view root)
{
    if (subjectLevel(root) < 2)
        return std::nullopt;
    return parentSubjectCode(root);
}

std::string chartRowCode(const ChartRow& row)
{
    return row.empty() ? std::string() : trim(row.front());
}

std::string chartUnitText(std::string_view unitName)
{
    return "单位：" + std::string(unitName);
}

std::string chartPrintTimeText(const std::optional<CivilDate>& listedOn)
{
    if (!listedOn)
        return "打印时间：×× 年 × 月 × 日";
    return format("打印时间：%d 年 %d 月 %d 日", listedOn->year, listedOn->month, listedOn->day);
}

std::string chartMakerText(std::string_view operatorName)
{
    return "制  表：" + std::string(operatorName);
}

std::string chartPageText(int page)
{
    return format("第 %4d 页", page);
}

std::vector<ChartRow> buildChartListing(Database& db, std::string_view root, void (*progress)(int, void*),
                                        void* context)
{
    std::vector<ChartRow> rows;
    const int total = chartListingCount(db, root);
    rows.reserve(static_cast<size_t>(total));
    Listing listing{db, rows, total, progress, context};
    int level = 0;
    for (char c : root)
        level += c == '-';
    listLevel(listing, root, root.empty() ? 0 : level + 1);
    return rows;
}

} // namespace kszw
