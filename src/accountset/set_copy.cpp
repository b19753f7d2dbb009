// Copying set-up information between account sets: choosing and checking the source, counting
// what it offers, and the copy as one transaction on the logged-in file.
#include "accountset/set_copy.h"

#include "common/prompt.h"
#include "common/text.h"
#include "formview/print_settings.h"
#include "formview/view_kinds.h"
#include "reports/report_definitions.h"
#include "session/kszw_env.h"
#include "session/login_codes.h"
#include "store/database.h"
#include "store/database_error.h"
#include "store/error_messages.h"
#include "store/location.h"
#include "store/statement.h"
#include "store/transaction.h"
#include "store/year_file_name.h"
#include "templates/template_variables.h"

#include <algorithm>
#include <filesystem>
#include <set>
#include <utility>
#include <vector>

namespace kszw {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kCountSubjects = "select count(*) from subt";
constexpr std::string_view kCountTemplateLines = "select count(*) from autcer";
constexpr std::string_view kCountClasses = "select count(*) from cercls";
constexpr std::string_view kCountVariables = "select count(*) from ksvar";
constexpr std::string_view kCountFonts = "select count(*) from ksfont";
constexpr std::string_view kCountPages = "select count(*) from kspageset";
constexpr std::string_view kCountReportLines = "SELECT count(*) FROM KSRPTROW";
constexpr std::string_view kCountCurrentLines = "select count(*) from p0";
constexpr std::string_view kCountCurrentVouchers = "select count(*) from cerdir";
constexpr std::string_view kReadUnitName = "SELECT rtrim(NA) FROM SYSTAB";

constexpr std::string_view kDeleteChart = "delete from subt";
constexpr std::string_view kSourceSubjects = "select trim(kno),trim(na),clas from subt";
constexpr std::string_view kInsertSubject =
    "insert into subt (kno,na,clas,op,fz,fzn,dl,dlf,dlw) values (?1,?2,?3,'0','0',NULL,'0',0,0)";

constexpr std::string_view kSourceTemplates = "select n,trim(na) from autdir order by n";
constexpr std::string_view kCountSourceTemplateLines = "select count(*) from autcer where n=?1";
constexpr std::string_view kCurrentTemplateNumbers = "select n from autdir";
constexpr std::string_view kInsertTemplate = "insert into autdir(n,na) values(?1,?2)";
constexpr std::string_view kSourceTemplateLines =
    "select rn,trim(mry),trim(kno),f,trim(fml) from autcer where n=?1 order by rn";
constexpr std::string_view kInsertTemplateLine = "insert into autcer(n,rn,mry,kno,f,fml) values(?1,?2,?3,?4,?5,?6)";

constexpr std::string_view kSourceClasses = "select trim(cno),trim(na) from cercls";
constexpr std::string_view kCountClass = "select count(*) from cercls where trim(cno)=?1";
constexpr std::string_view kInsertClass = "insert into cercls(cno,na) values(?1,?2)";

// The print-format keys a table holds within the copied view kinds.
constexpr std::string_view kPageKeys =
    "select nFlag,trim(sFieldMode) from kspageset where nFlag>=?1 and nFlag<=?2";
constexpr std::string_view kFontKeys = "select nFlag,trim(sFieldMode) from ksfont where nFlag>=?1 and nFlag<=?2";
constexpr std::string_view kWidthKeys =
    "select NFLAG,trim(SFIELDMODE) from FIELDWIDTH where NFLAG>=?1 and NFLAG<=?2";

SqlValue integer(std::int64_t value)
{
    return value;
}

// The rows of a table; 0 when the file lacks the table.
int countIfPresent(Database& db, std::string_view table, std::string_view sql)
{
    return db.tableExists(table) ? db.queryLong(sql) : 0;
}

bool exists(const std::string& path)
{
    std::error_code error;
    return fs::exists(path, error);
}

} // namespace

std::string copySourceMissingMessage(std::string_view path)
{
    return "文件“" + std::string(path) + "”不存在，请重新选择！";
}

std::string_view copyItemCaption(CopyItem item)
{
    switch (item) {
    case CopyItem::Chart: return "会计科目";
    case CopyItem::Templates: return "分录模板";
    case CopyItem::Classes: return "凭证分类";
    case CopyItem::Variables: return "变量表";
    case CopyItem::Reports: return "财务报表定义";
    case CopyItem::Formats: return "页面格式表";
    }
    return "";
}

bool CopySelection::any() const
{
    return std::any_of(ticked.begin(), ticked.end(), [](bool on) { return on; });
}

int CopyAvailability::rows(CopyItem item) const
{
    switch (item) {
    case CopyItem::Chart: return subjects;
    case CopyItem::Templates: return templateLines;
    case CopyItem::Classes: return classes;
    case CopyItem::Variables: return variables;
    case CopyItem::Formats: return fontRows + pageRows;
    case CopyItem::Reports: return reportLines;
    }
    return 0;
}

std::optional<std::string> CopyAvailability::unavailableReason(CopyItem item) const
{
    if (rows(item) <= 0)
        return "对方帐套没有" + std::string(copyItemCaption(item)) + "！";
    if (item == CopyItem::Chart && currentLines > 0)
        return std::string("本帐套已有期初余额或凭证分录，不能拷贝会计科目！");
    if (item == CopyItem::Classes && currentVouchers > 0)
        return std::string("本年度已有记帐凭证，不能拷贝凭证分类！");
    return std::nullopt;
}

CopyAvailability readCopyAvailability(Database& current, Database& source)
{
    CopyAvailability counts;
    counts.subjects = countIfPresent(source, "SUBT", kCountSubjects);
    counts.templateLines = countIfPresent(source, "AUTCER", kCountTemplateLines);
    counts.classes = countIfPresent(source, "CERCLS", kCountClasses);
    counts.variables = countIfPresent(source, "KSVAR", kCountVariables);
    counts.fontRows = countIfPresent(source, "KSFONT", kCountFonts);
    counts.pageRows = countIfPresent(source, "KSPAGESET", kCountPages);
    counts.reportLines = reportTablesExist(source) ? countIfPresent(source, "KSRPTROW", kCountReportLines) : 0;
    counts.currentLines = current.queryLong(kCountCurrentLines);
    counts.currentVouchers = current.queryLong(kCountCurrentVouchers);
    return counts;
}

std::string copySourcePath(std::string_view chosen)
{
    std::string path = trimWhitespace(chosen);
    if (path.empty())
        return path;
    if (std::optional<ServerLocation> location = parseServerLocation(path))
        return serverLocationText(*location);
    std::error_code error;
    if (fs::is_directory(path, error))
        return path; // a folder is refused by the validation as what it is
    const fs::path name = fs::path(path).filename();
    const std::string extension = name.extension().string(); // ".KSK", "." , "" or ".txt"
    std::string stem = path;
    if (extension == ".") {
        // "2007." is "2007" with the extension left out.
        stem.pop_back();
        path += std::string(kYearFileExtension);
    } else if (extension.empty() || !equalsIgnoreCase(extension.substr(1), kYearFileExtension)) {
        // "2007" and "2007.txt" stand for a year file: the extension is added.
        path += "." + std::string(kYearFileExtension);
    } else {
        stem = path.substr(0, path.size() - extension.size());
    }
    if (exists(path))
        return path;
    // On a file system that tells capitals from small letters the year files carry ".ksk".
    for (const std::string_view suffix : {kYearFileSuffix, std::string_view(".KSK")}) {
        const std::string other = stem + std::string(suffix);
        if (exists(other))
            return other;
    }
    return path;
}

bool sameYearFile(const std::string& a, const std::string& b)
{
    if (isServerLocation(a) || isServerLocation(b)) {
        const std::optional<ServerLocation> first = parseServerLocation(a);
        const std::optional<ServerLocation> second = parseServerLocation(b);
        return first && second && *first == *second;
    }
    std::error_code error;
    const fs::path first = fs::weakly_canonical(a, error);
    if (error)
        return false;
    const fs::path second = fs::weakly_canonical(b, error);
    if (error)
        return false;
    if (first == second)
        return true;
    // A hard link, or another spelling on a file system that ignores case.
    return fs::equivalent(first, second, error) && !error;
}

std::optional<CopySource> chooseCopySource(CKszwEnv& env, std::string_view chosen, Prompt& prompt)
{
    const std::string path = copySourcePath(chosen);
    if (path.empty()) {
        prompt.warn(loginMessage(kEmptyFileName));
        return std::nullopt;
    }
    const std::string& current = env.filePath().empty() ? env.foundPath() : env.filePath();
    if (sameYearFile(path, current)) {
        prompt.warn(kCopyToItself);
        return std::nullopt;
    }
    if (!isServerLocation(path) && !exists(path)) {
        prompt.warn(copySourceMissingMessage(path));
        return std::nullopt;
    }
    try {
        CKszwEnv trial;
        const int code = trial.validatePath(path);
        if (code != kLoginOk) {
            prompt.warn(trial.failureMessage(code));
            return std::nullopt;
        }
        CopySource source;
        source.path = trial.foundPath();
        // The validation may have completed a folder's name into the open file itself.
        if (sameYearFile(source.path, current)) {
            prompt.warn(kCopyToItself);
            return std::nullopt;
        }
        Database db = Database::openReadOnly(source.path);
        // A database without the header of a year file is no account set.
        std::optional<std::string> unitName;
        if (db.tableExists("SYSTAB"))
            unitName = db.queryText(kReadUnitName);
        if (!unitName) {
            prompt.warn(loginMessage(kNoHeader));
            return std::nullopt;
        }
        source.unitName = *unitName;
        source.availability = readCopyAvailability(env.db(), db);
        return source;
    } catch (const DatabaseError& error) {
        prompt.warn(userMessage(error, path));
        return std::nullopt;
    }
}

int copyTotal(const CopyAvailability& availability, const CopySelection& selection)
{
    int total = 0;
    for (CopyItem item : {CopyItem::Chart, CopyItem::Templates, CopyItem::Classes})
        if (selection[item])
            total += availability.rows(item);
    return total;
}

int copyProgressPercent(int current, int total)
{
    if (total <= 0)
        return 0;
    const long long share = static_cast<long long>(std::clamp(current, 0, total)) * 100 / total;
    return static_cast<int>(share);
}

std::string copyProgressText(int current, int total)
{
    return format("%3d", copyProgressPercent(current, total)) + "％";
}

std::string copyStatusText(CopyItem item)
{
    return "正在拷贝" + std::string(copyItemCaption(item)) + "...";
}

int lastFormatGroup()
{
    int last = kFirstFormatGroup;
    for (const ViewKindInfo& view : kViewKinds)
        last = std::max(last, viewFlag(view.kind));
    return last;
}

namespace {

// One run of the copy: the two connections, the progress and what was written.
class SetCopyRun {
public:
    SetCopyRun(Database& current, Database& source, const CopyAvailability& counts, const CopySelection& selection,
               const std::function<void(const CopyProgress&)>& progress)
        : m_current(current), m_source(source), m_progress(progress)
    {
        m_state.total = copyTotal(counts, selection);
    }

    void start(CopyItem item)
    {
        m_state.item = item;
        if (m_progress)
            m_progress(m_state);
    }

    void copyChart()
    {
        start(CopyItem::Chart);
        m_current.execute(kDeleteChart);
        Statement rows = m_source.prepare(kSourceSubjects);
        while (rows.step()) {
            m_current.execute(kInsertSubject, {rows.columnText(0), rows.columnText(1), integer(rows.columnInt(2))});
            ++m_result.subjects;
            advance();
        }
    }

    void copyTemplates()
    {
        start(CopyItem::Templates);
        std::set<std::int64_t> taken;
        for (Statement numbers = m_current.prepare(kCurrentTemplateNumbers); numbers.step();)
            taken.insert(numbers.columnInt(0));

        // A number the source's directory lists twice is one template: its lines are copied once.
        std::vector<std::pair<std::int64_t, std::string>> templates;
        std::set<std::int64_t> seen;
        for (Statement rows = m_source.prepare(kSourceTemplates); rows.step();)
            if (seen.insert(rows.columnInt(0)).second)
                templates.emplace_back(rows.columnInt(0), rows.columnText(1));
        for (const auto& [number, name] : templates) {
            if (m_source.queryLong(kCountSourceTemplateLines, {integer(number)}) == 0)
                continue;
            // The smallest free number from the source's own number up.
            std::int64_t free = number;
            while (taken.count(free))
                ++free;
            taken.insert(free);
            m_current.execute(kInsertTemplate, {integer(free), name});
            ++m_result.templates;
            Statement lines = m_source.prepare(kSourceTemplateLines, {integer(number)});
            while (lines.step()) {
                m_current.execute(kInsertTemplateLine,
                                  {integer(free), integer(lines.columnInt(0)), lines.columnText(1), lines.columnText(2),
                                   integer(lines.columnInt(3)), lines.columnText(4)});
                ++m_result.templateLines;
                advance();
            }
        }
    }

    void copyClasses()
    {
        start(CopyItem::Classes);
        Statement rows = m_source.prepare(kSourceClasses);
        while (rows.step()) {
            const std::string code = rows.columnText(0);
            if (m_current.queryLong(kCountClass, {code}) < 1) {
                m_current.execute(kInsertClass, {code, rows.columnText(1)});
                ++m_result.classes;
            }
            advance();
        }
    }

    void copyVariables()
    {
        start(CopyItem::Variables);
        saveVariables(m_current, loadVariables(m_source));
        m_result.variables = true;
    }

    void copyFormats()
    {
        start(CopyItem::Formats);
        const SqlParams range = {integer(kFirstFormatGroup), integer(lastFormatGroup())};
        std::set<std::pair<std::int64_t, std::string>> keys;
        const std::pair<std::string_view, std::string_view> tables[] = {
            {"KSPAGESET", kPageKeys}, {"KSFONT", kFontKeys}, {"FIELDWIDTH", kWidthKeys}};
        for (const auto& [table, sql] : tables) {
            if (!m_source.tableExists(table))
                continue;
            for (Statement rows = m_source.prepare(sql, range); rows.step();)
                keys.emplace(rows.columnInt(0), rows.columnText(1));
        }
        for (const auto& [flag, mode] : keys) {
            const int nFlag = static_cast<int>(flag);
            SaveViewSettings(m_current, nFlag, mode, LoadViewSettings(m_source, nFlag, mode));
            ++m_result.formatGroups;
        }
    }

    void copyReports()
    {
        start(CopyItem::Reports);
        for (const ReportDefinition& definition : loadReports(m_source)) {
            saveReport(m_current, definition);
            ++m_result.reports;
        }
    }

    CopyResult& result() { return m_result; }

private:
    void advance()
    {
        m_state.current = std::min(m_state.current + 1, m_state.total);
        if (m_progress)
            m_progress(m_state);
    }

    Database& m_current;
    Database& m_source;
    const std::function<void(const CopyProgress&)>& m_progress;
    CopyProgress m_state;
    CopyResult m_result;
};

} // namespace

CopyResult copySetInformation(CKszwEnv& env, const std::string& sourcePath, const CopySelection& selection,
                              Prompt& prompt, const std::function<void(const CopyProgress&)>& progress)
{
    CopyResult refused;
    Database source = Database::openReadOnly(sourcePath);
    Database& current = env.db();
    // The write lock first: the counts that decide what may be copied hold until the commit.
    Transaction transaction(current);
    const CopyAvailability counts = readCopyAvailability(current, source);

    CopySelection effective;
    for (CopyItem item : kCopyItems)
        effective[item] = selection[item] && counts.rows(item) > 0;
    if (!effective.any()) {
        prompt.warn(kNothingToCopy);
        refused.outcome = CopyOutcome::NothingSelected;
        return refused;
    }
    for (CopyItem item : kCopyItems) {
        if (!effective[item])
            continue;
        if (std::optional<std::string> reason = counts.unavailableReason(item)) {
            prompt.warn(*reason);
            refused.outcome = CopyOutcome::Refused;
            return refused;
        }
    }

    SetCopyRun run(current, source, counts, effective, progress);
    if (effective[CopyItem::Chart])
        run.copyChart();
    if (effective[CopyItem::Templates])
        run.copyTemplates();
    if (effective[CopyItem::Classes])
        run.copyClasses();
    if (effective[CopyItem::Variables])
        run.copyVariables();
    if (effective[CopyItem::Formats])
        run.copyFormats();
    if (effective[CopyItem::Reports])
        run.copyReports();
    transaction.commit();
    source.close();
    run.result().outcome = CopyOutcome::Copied;
    return run.result();
}

} // namespace kszw
