// The new-year carry-forward: finding the earlier year, the questions before the run, and the run
// itself — chart merge and legality pass, currencies, classes, templates, restricted pairs and the
// balance carry with its per-subject checks — in one transaction on the open year.
#include "accountset/carry_forward.h"

#include "accountset/new_year.h"
#include "chart/subjects.h"
#include "common/prompt.h"
#include "common/text.h"
#include "formula/format_number.h"
#include "session/kszw_env.h"
#include "session/login_codes.h"
#include "store/database_error.h"
#include "store/error_messages.h"
#include "store/ks_dbset.h"
#include "store/location.h"
#include "store/server_years.h"
#include "store/transaction.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <vector>

namespace kszw {

namespace {

constexpr std::string_view kCountSubjects = "SELECT count(*) FROM SUBT";
constexpr std::string_view kCountSubject = "SELECT count(*) FROM SUBT WHERE trim(KNO)=?1";
constexpr std::string_view kEarlierSubjects =
    "SELECT trim(KNO),trim(NA),CLAS,OP,FZ,trim(FZN),DL,DLF,DLW FROM SUBT ORDER BY CLAS,KNO";
constexpr std::string_view kInsertSubject =
    "INSERT INTO SUBT(KNO,NA,CLAS,OP,FZ,FZN,DL,DLF,DLW) VALUES(?1,?2,?3,?4,?5,?6,?7,?8,?9)";
constexpr std::string_view kMoveLinesToChild = "UPDATE P0 SET KNO=?1 WHERE trim(KNO)=?2";
constexpr std::string_view kMoveGainLossSubject = "UPDATE WBT SET HO=?1 WHERE trim(HO)=?2";
constexpr std::string_view kSubjectsDeepestFirst = "SELECT trim(KNO) FROM SUBT ORDER BY CLAS DESC, KNO";
constexpr std::string_view kCountVoucherLines = "SELECT count(*) FROM P0 WHERE trim(KNO)=?1 AND CER<>'    '";
constexpr std::string_view kDeleteSubject = "DELETE FROM SUBT WHERE trim(KNO)=?1";
constexpr std::string_view kDeleteSubjectRows = "DELETE FROM P0 WHERE trim(KNO)=?1";

constexpr std::string_view kCountCurrencies = "SELECT count(*) FROM WBT";
constexpr std::string_view kEarlierCurrencies = "SELECT trim(WNO),trim(NA),trim(HO) FROM WBT";
constexpr std::string_view kCountCurrency = "SELECT count(*) FROM WBT WHERE trim(WNO)=?1";
constexpr std::string_view kInsertCurrency = "INSERT INTO WBT(WNO,NA,HO) VALUES(?1,?2,?3)";

constexpr std::string_view kCountClasses = "SELECT count(*) FROM CERCLS";
constexpr std::string_view kEarlierClasses = "SELECT trim(CNO),trim(NA) FROM CERCLS";
constexpr std::string_view kCountClass = "SELECT count(*) FROM CERCLS WHERE trim(CNO)=?1";
constexpr std::string_view kInsertClass = "INSERT INTO CERCLS(CNO,NA) VALUES(?1,?2)";

constexpr std::string_view kCountTemplates = "SELECT count(*) FROM AUTDIR";
constexpr std::string_view kEarlierTemplates = "SELECT N,trim(NA) FROM AUTDIR ORDER BY N";
constexpr std::string_view kTemplateLines =
    "SELECT RN,trim(MRY),trim(KNO),F,trim(FML) FROM AUTCER WHERE N=?1 ORDER BY RN";
constexpr std::string_view kTemplatesNamed = "SELECT N FROM AUTDIR WHERE trim(NA)=?1";
constexpr std::string_view kCountTemplate = "SELECT count(*) FROM AUTDIR WHERE N=?1";
constexpr std::string_view kInsertTemplate = "INSERT INTO AUTDIR(N,NA) VALUES(?1,?2)";
constexpr std::string_view kInsertTemplateLine = "INSERT INTO AUTCER(N,RN,MRY,KNO,F,FML) VALUES(?1,?2,?3,?4,?5,?6)";

constexpr std::string_view kEarlierPairs = "SELECT N,trim(B),trim(L) FROM BLCER ORDER BY N";
constexpr std::string_view kCountPair = "SELECT count(*) FROM BLCER WHERE trim(B)=?1 AND trim(L)=?2";
constexpr std::string_view kCountPairNumber = "SELECT count(*) FROM BLCER WHERE N=?1";
constexpr std::string_view kLargestPairNumber = "SELECT max(N) FROM BLCER";
constexpr std::string_view kInsertPair = "INSERT INTO BLCER(N,B,L) VALUES(?1,?2,?3)";

constexpr std::string_view kCountOpeningRows = "SELECT count(*) FROM P0 WHERE CER='    '";
constexpr std::string_view kDeleteOpeningRows = "DELETE FROM P0 WHERE CER='    '";
constexpr std::string_view kCountRows = "SELECT count(*) FROM P0";
constexpr std::string_view kClosingBalances =
    "SELECT trim(KNO),sum(F*MY),sum(F*NU) FROM P0 WHERE MK='4' GROUP BY trim(KNO) ORDER BY trim(KNO)";
constexpr std::string_view kCountBalanceSubjects = "SELECT count(DISTINCT trim(KNO)) FROM P0 WHERE MK='4'";
constexpr std::string_view kInsertCarried =
    "INSERT INTO P0(T,CER,RN,MRY,KNO,F,MY,NU,MK,TT) VALUES(?1,'    ',0,'  上 年  结  转',?2,?3,?4,?5,'4','01')";
constexpr std::string_view kBalanceTest =
    "SELECT 0.5*sum((1+F)*MY),0.5*sum((1-F)*MY) FROM P0 WHERE CER='    '";

constexpr std::string_view kUnpostedVouchers = "SELECT count(*) FROM CERDIR WHERE MK<>'4'";
constexpr std::string_view kClosedMonths = "SELECT MM FROM SYSTAB";
constexpr std::string_view kHeaderYear = "SELECT PY FROM SYSTAB";

std::string mark(bool ticked)
{
    return ticked ? "(√)" : "(×)";
}

// A value with two or four decimals as the file keeps it, half away from zero.
double rounded(double value, int decimals)
{
    const double scale = decimals == 2 ? 100.0 : 10000.0;
    return std::round(value * scale) / scale;
}

bool hasTable(Database& db, std::string_view table)
{
    return db.tableExists(table);
}

// The question for a subject whose auxiliary kind changed between the years (0 ordinary,
// 1 quantity-amount, 2 foreign currency).
std::string kindQuestion(int earlier, int current, const std::string& code)
{
    const char* pattern = nullptr;
    if (earlier == 2 && current == 1)
        pattern = "上年度“%s”科目设置为外币科目，而本年度已设置为数量金额核算，\r其余额结转入本年度吗？";
    else if (earlier == 2 && current == 0)
        pattern = "上年度“%s”科目设置为外币科目，而本年度已取消，\r其余额结转入本年度吗？";
    else if (earlier == 1 && current == 2)
        pattern = "本年度“%s”科目设置为外币科目，而上年度设置为数量金额核算，\r其余额转入本年度吗？";
    else if (earlier == 0 && current == 2)
        pattern = "本年度“%s”科目设置为外币科目，而上年度是普通科目，\r其余额转入本年度吗？";
    else if (earlier == 0 && current == 1)
        pattern = "本年度“%s”科目设置为数量金额核算，而上年度是普通科目，\r其余额转入本年度吗？";
    else // (1, 0)
        pattern = "上年度“%s”科目设置为数量金额核算，而本年度已取消，\r其余额结转入本年度吗？";
    return format(pattern, code.c_str());
}

struct TemplateLineRow {
    std::int64_t rn = 0;
    std::string summary;
    std::string subject;
    std::int64_t direction = 0;
    std::string formula;
    friend bool operator==(const TemplateLineRow&, const TemplateLineRow&) = default;
};

std::vector<TemplateLineRow> readTemplateLines(Database& db, std::int64_t number)
{
    std::vector<TemplateLineRow> lines;
    KS_Dbset rows(db);
    for (rows.open(kTemplateLines, {number}); !rows.isEOF(); rows.moveNext())
        lines.push_back({rows.longAt(0), rows.textAt(1), rows.textAt(2), std::int64_t{rows.longAt(3)}, rows.textAt(4)});
    return lines;
}

// A year's chart held in memory for the run: the lookups of every subject (exists, descendants,
// legality, name and kinds) without a scan of SUBT each. Kept in step with what the run writes.
class ChartIndex {
public:
    struct Subject {
        int copies = 0; // rows with the code (a damaged chart may hold one twice)
        std::string name;
        int special = 0;
        int kind = 0;
    };

    explicit ChartIndex(Database& db)
    {
        KS_Dbset rows(db);
        for (rows.open("SELECT trim(KNO),trim(NA),val(OP),val(FZ) FROM SUBT"); !rows.isEOF(); rows.moveNext()) {
            Subject& subject = m_subjects[rows.textAt(0)];
            ++subject.copies;
            subject.name = rows.textAt(1);
            subject.special = static_cast<int>(rows.doubleAt(2));
            subject.kind = static_cast<int>(rows.doubleAt(3));
        }
    }

    int copies(const std::string& code) const
    {
        const auto found = m_subjects.find(code);
        return found == m_subjects.end() ? 0 : found->second.copies;
    }
    const Subject* find(const std::string& code) const
    {
        const auto found = m_subjects.find(code);
        return found == m_subjects.end() ? nullptr : &found->second;
    }
    bool hasDescendants(const std::string& code) const
    {
        const std::string prefix = code + "-";
        const auto next = m_subjects.lower_bound(prefix);
        return next != m_subjects.end() && next->first.compare(0, prefix.size(), prefix) == 0;
    }
    int directChildren(const std::string& code) const
    {
        const std::string prefix = code + "-";
        int count = 0;
        for (auto it = m_subjects.lower_bound(prefix);
             it != m_subjects.end() && it->first.compare(0, prefix.size(), prefix) == 0; ++it)
            count += it->first.find('-', prefix.size()) == std::string::npos ? 1 : 0;
        return count;
    }
    // Every ancestor exists exactly once; a top-level code is always legal.
    bool legal(const std::string& code) const
    {
        std::string prefix = code;
        for (size_t dash = prefix.rfind('-'); dash != std::string::npos; dash = prefix.rfind('-')) {
            prefix.erase(dash);
            if (copies(prefix) != 1)
                return false;
        }
        return true;
    }
    void add(const std::string& code, Subject subject)
    {
        subject.copies = copies(code) + 1;
        m_subjects[code] = std::move(subject);
    }
    void remove(const std::string& code) { m_subjects.erase(code); }

private:
    std::map<std::string, Subject> m_subjects;
};

} // namespace

std::optional<std::string> findEarlierYearFile(const std::string& folder, int year)
{
    namespace fs = std::filesystem;
    if (isServerLocation(folder)) {
        std::vector<int> years;
        try {
            years = serverYears(folder);
        } catch (const DatabaseError&) {
            return std::nullopt;
        }
        for (int earlier = year - 1; earlier >= year - 10; --earlier)
            if (std::find(years.begin(), years.end(), earlier) != years.end())
                return placeOfYear(folder, earlier);
        return std::nullopt;
    }
    for (int earlier = year - 1; earlier >= year - 10; --earlier) {
        for (const char* extension : {".ksk", ".KSK", ".Ksk"}) {
            const fs::path candidate = fs::path(folder) / (std::to_string(earlier) + extension);
            std::error_code error;
            if (fs::exists(candidate, error))
                return candidate.string();
        }
    }
    return std::nullopt;
}

bool isLegalSubject(Database& db, std::string_view code)
{
    std::string prefix = trim(code);
    for (size_t dash = prefix.rfind('-'); dash != std::string::npos; dash = prefix.rfind('-')) {
        prefix.erase(dash);
        if (db.queryLong(kCountSubject, {prefix}) != 1)
            return false;
    }
    return true;
}

CYearCarryForward::CYearCarryForward(CKszwEnv& env) : m_env(env) {}

CYearCarryForward::~CYearCarryForward() = default;

const std::string& CYearCarryForward::unitName() const
{
    return m_env.unitName();
}

int CYearCarryForward::currentYear() const
{
    return m_env.year();
}

void CYearCarryForward::close()
{
    m_earlier.close();
}

std::optional<std::string> CYearCarryForward::open()
{
    close();
    const std::optional<std::string> found = findEarlierYearFile(accountSetFolder(m_env), m_env.year());
    if (!found)
        return std::string(kNoEarlierYear);
    m_earlierPath = *found;
    m_earlierYear = yearOfPlace(*found);
    // The first year file found is the earlier year: a problem with it is told, never passed over
    // for an older year.
    const std::string cannotUse = "上年度帐务数据文件“" + m_earlierPath + "”不能使用：";
    try {
        // The login's checks, but for reading only: a year file that may only be read is fine.
        CKszwEnv trial;
        const int code = trial.validatePath(m_earlierPath);
        if (code != kLoginOk && code != kReadOnlyFile)
            return cannotUse + trial.failureMessage(code);
        m_earlier = Database::openReadOnly(m_earlierPath);
        if (!hasTable(m_earlier, "SYSTAB") || !hasTable(m_earlier, "SUBT") || !hasTable(m_earlier, "P0") ||
            m_earlier.queryLong("SELECT count(*) FROM SYSTAB") == 0) {
            close();
            return cannotUse + loginMessage(kNoHeader);
        }
        const int headerYear = m_earlier.queryLong(kHeaderYear);
        if (headerYear != m_earlierYear) {
            close();
            const std::string extension = isServerLocation(m_earlierPath)
                                              ? std::string("KSK")
                                              : std::filesystem::path(m_earlierPath).extension().string().substr(1);
            return cannotUse + loginMessage(kYearMismatch, headerYear, extension);
        }
        if (m_earlier.queryLong(kCountSubjects) == 0) {
            close();
            return std::string(kEarlierYearEmpty);
        }
        m_currentHadChart = m_env.db().queryLong(kCountSubjects) > 0;
    } catch (const DatabaseError& error) {
        close();
        return cannotUse + userMessage(error, m_earlierPath);
    }
    return std::nullopt;
}

std::string CYearCarryForward::selectionQuestion(const CarrySelection& selection)
{
    return "选择情况：\r\r\t① 会 计 科 目 表     " + mark(selection.chart) + "\r\r\t② 凭 证 分 类 表     " +
           mark(selection.classes) + "\r\r\t③ 分 录 模 板 表     " + mark(selection.templates) +
           "\r\r\t④ 帐 户 余 额 表     " + mark(selection.balances) + "\t\r\r以上选择正确吗？";
}

std::string CYearCarryForward::checkReport(const CarrySelection& selection)
{
    Database& db = m_env.db();
    auto existing = [&db](bool ticked, std::string_view countSql, const char* present) -> std::string {
        if (!ticked)
            return "未检查。";
        return db.queryLong(countSql) >= 1 ? present : "本年度未建立。";
    };
    std::string report = "\r检查结果报告：\r\r    ① 会计科目表，本年度";
    report += m_currentHadChart ? "已存在。" : "未建立。";
    report += "\r    ② 凭证分类表，" + existing(selection.classes, kCountClasses, "本年度已存在。");
    report += "\r    ③ 分录模板表，" + existing(selection.templates, kCountTemplates, "本年度已存在。");
    report += "\r    ④ 帐户余额表，" + existing(selection.balances, kCountOpeningRows, "本年度已有帐户余额。");
    report += "\r\r说明：\r    ① 以上1～3项，对已存在的项，在进行"
              "复制时将保留之，并增加上年度有而本年度没有的内容。\r"
              "    ② 对以上第 4 项，若本年度余额已存在时，结转时系统自动"
              "将其删除，并将上年度的余额结转入本年度。\r    ③ 对未选择"
              "的项目，系统将原样保留本年度的现状，不做检查。\r    ④ 若本年度已有"
              "经济内容时，请先做备份，然后再进行结转，请慎重作出你的选择。";
    // Only posted lines make the closing balances: what the earlier year has not posted stays behind.
    if (selection.balances && m_earlier.isOpen()) {
        const int unposted = hasTable(m_earlier, "CERDIR") ? m_earlier.queryLong(kUnpostedVouchers) : 0;
        const int openMonths = 12 - std::clamp(m_earlier.queryLong(kClosedMonths), 0, 12);
        const int vouchers = hasTable(m_earlier, "CERDIR") ? m_earlier.queryLong("SELECT count(*) FROM CERDIR") : 0;
        // Months still open matter once the year has vouchers: more may come after the carry.
        if (unposted > 0 || (openMonths > 0 && vouchers > 0)) {
            report += "\r\r注意：上年度";
            if (unposted > 0)
                report += "尚有" + std::to_string(unposted) + "张凭证未复核登帐，";
            if (openMonths > 0)
                report += "有" + std::to_string(openMonths) + "个月份尚未结帐，";
            report += "未登帐凭证的金额不在结转的余额之中。";
        }
    }
    report += "\r\r你现在就想进行复制结转吗？";
    return report;
}

std::string CYearCarryForward::run(const CarrySelection& selection, Prompt& prompt,
                                   const std::function<void(const CarryProgress&)>& progress)
{
    if (!m_earlier.isOpen())
        throw DatabaseError("the earlier year file is not open", 0, m_earlierPath);
    Database& db = m_env.db();
    Database& earlier = m_earlier;

    CarryProgress state;
    if (selection.chart)
        state.total += earlier.queryLong(kCountSubjects) * 2 + (hasTable(earlier, "WBT") ? earlier.queryLong(kCountCurrencies) : 0);
    if (selection.classes && hasTable(earlier, "CERCLS"))
        state.total += earlier.queryLong(kCountClasses);
    if (selection.templates && hasTable(earlier, "AUTDIR"))
        state.total += earlier.queryLong(kCountTemplates);
    if (selection.pairs && hasTable(earlier, "BLCER"))
        state.total += earlier.queryLong("SELECT count(*) FROM BLCER");
    if (selection.balances)
        state.total += earlier.queryLong(kCountBalanceSubjects);
    auto advance = [&](std::string status) {
        state.status = std::move(status);
        state.done = std::min(state.done + 1, std::max(state.total, 1));
        if (progress)
            progress(state);
    };

    std::vector<std::string> notes; // what the run kept or left out, told with the result
    Transaction transaction(db);
    ChartIndex chart(db);
    const ChartIndex before(earlier);

    if (selection.chart) {
        // The earlier chart merged in: subjects the year lacks are added with all their attributes,
        // parents before children. A leaf that gets its first child hands its lines to it, as it
        // does when a child is added by hand.
        const ChartIndex existing(db);
        KS_Dbset subjects(earlier);
        for (subjects.open(kEarlierSubjects); !subjects.isEOF(); subjects.moveNext()) {
            const std::string code = subjects.textAt(0);
            advance("复制会计科目 " + code);
            if (code.empty() || chart.copies(code) >= 1)
                continue;
            const size_t cut = code.rfind('-');
            if (cut != std::string::npos) {
                const std::string parent = code.substr(0, cut);
                // A parent left out leaves its children out.
                if (chart.copies(parent) == 0 && before.copies(parent) > 0)
                    continue;
                // A subject of this year takes children only as the chart's rules allow (not a
                // reserved one, not one with auxiliary accounting, within six levels).
                if (existing.copies(parent) > 0) {
                    if (const std::optional<std::string> refusal = checkCanAddChild(db, parent)) {
                        notes.push_back("上年度科目“" + code + "”未复制：" + *refusal);
                        continue;
                    }
                }
            }
            const std::string unit = subjects.textAt(5);
            db.execute(kInsertSubject,
                       {code, subjects.textAt(1), std::int64_t{subjects.longAt(2)}, subjects.textAt(3),
                        subjects.textAt(4), unit.empty() ? SqlValue() : SqlValue(unit), subjects.textAt(6),
                        std::int64_t{subjects.longAt(7)}, std::int64_t{subjects.longAt(8)}});
            chart.add(code, {0, subjects.textAt(1), static_cast<int>(std::strtol(subjects.textAt(3).c_str(), nullptr, 10)),
                             static_cast<int>(std::strtol(subjects.textAt(4).c_str(), nullptr, 10))});
            const size_t dash = code.rfind('-');
            if (dash != std::string::npos) {
                const std::string parent = code.substr(0, dash);
                if (chart.copies(parent) > 0 && chart.directChildren(parent) == 1) {
                    db.execute(kMoveLinesToChild, {code, parent});
                    db.execute(kMoveGainLossSubject, {code, parent});
                }
            }
        }
        if (m_currentHadChart) {
            // The legality pass, deepest level first. A subject that already has voucher lines
            // of this year is kept and named: its vouchers are never deleted.
            std::vector<std::string> codes;
            KS_Dbset current(db);
            for (current.open(kSubjectsDeepestFirst); !current.isEOF(); current.moveNext())
                codes.push_back(current.textAt(0));
            for (const std::string& code : codes) {
                advance("检查科目：" + code + " 的合法性,若是非法科目将删除它! ");
                if (chart.legal(code))
                    continue;
                if (db.queryLong(kCountVoucherLines, {code}) > 0) {
                    notes.push_back("非法科目“" + code + "”本年度已有凭证，未删除。");
                    continue;
                }
                db.execute(kDeleteSubject, {code});
                db.execute(kDeleteSubjectRows, {code});
                chart.remove(code);
            }
        }
        if (hasTable(earlier, "WBT") && earlier.queryLong(kCountCurrencies) > 0) {
            KS_Dbset currencies(earlier);
            for (currencies.open(kEarlierCurrencies); !currencies.isEOF(); currencies.moveNext()) {
                const std::string code = currencies.textAt(0);
                advance("复制外币科目 " + code);
                if (db.queryLong(kCountCurrency, {code}) >= 1)
                    continue;
                const std::string gainLoss = currencies.textAt(2);
                db.execute(kInsertCurrency,
                           {code, currencies.textAt(1), gainLoss.empty() ? SqlValue() : SqlValue(gainLoss)});
            }
        }
    }

    if (selection.classes && hasTable(earlier, "CERCLS") && earlier.queryLong(kCountClasses) > 0) {
        KS_Dbset classes(earlier);
        for (classes.open(kEarlierClasses); !classes.isEOF(); classes.moveNext()) {
            advance("复制凭证分类表...");
            if (db.queryLong(kCountClass, {classes.textAt(0)}) < 1)
                db.execute(kInsertClass, {classes.textAt(0), classes.textAt(1)});
        }
    }

    if (selection.templates && hasTable(earlier, "AUTDIR") && earlier.queryLong(kCountTemplates) > 0) {
        KS_Dbset templates(earlier);
        for (templates.open(kEarlierTemplates); !templates.isEOF(); templates.moveNext()) {
            advance("复制分录模板表...");
            const std::int64_t number = templates.longAt(0);
            const std::string name = templates.textAt(1);
            const std::vector<TemplateLineRow> lines = readTemplateLines(earlier, number);
            if (lines.empty())
                continue;
            // A template the year already has, under the same name with the same lines, is not
            // copied again: running the carry-forward twice changes nothing.
            bool present = false;
            KS_Dbset named(db);
            for (named.open(kTemplatesNamed, {name}); !named.isEOF() && !present; named.moveNext())
                present = readTemplateLines(db, named.longAt(0)) == lines;
            if (present)
                continue;
            std::int64_t free = number;
            while (free < 9999 && db.queryLong(kCountTemplate, {free}) > 0)
                ++free;
            if (free >= 9999) {
                notes.push_back("分录模板“" + name + "”没有可用的序号，未复制。");
                continue;
            }
            db.execute(kInsertTemplate, {free, name});
            for (const TemplateLineRow& line : lines)
                db.execute(kInsertTemplateLine, {free, line.rn, line.summary, line.subject, line.direction, line.formula});
        }
    }

    if (selection.pairs && hasTable(earlier, "BLCER")) {
        // The restricted pairs the year lacks, under their own number when it is free.
        KS_Dbset pairs(earlier);
        for (pairs.open(kEarlierPairs); !pairs.isEOF(); pairs.moveNext()) {
            advance("复制多借多贷限制...");
            const std::string debit = pairs.textAt(1);
            const std::string credit = pairs.textAt(2);
            if (db.queryLong(kCountPair, {debit, credit}) > 0)
                continue;
            std::int64_t number = pairs.longAt(0);
            if (db.queryLong(kCountPairNumber, {number}) > 0)
                number = static_cast<std::int64_t>(db.queryLong(kLargestPairNumber)) + 1;
            db.execute(kInsertPair, {number, debit, credit});
        }
    }

    bool carried = false;
    if (selection.balances) {
        db.execute(kDeleteOpeningRows);
        if (earlier.queryLong(kCountRows) >= 1) {
            struct Balance {
                std::string code;
                double money;
                double quantity;
            };
            std::vector<Balance> balances;
            KS_Dbset sums(earlier);
            for (sums.open(kClosingBalances); !sums.isEOF(); sums.moveNext())
                balances.push_back({sums.textAt(0), sums.doubleAt(1), sums.doubleAt(2)});
            // What is not carried is named with its amount at the end, beside the balance test.
            std::vector<std::string> leftBehind;
            for (Balance& balance : balances) {
                advance("结转帐户余额 " + balance.code);
                if (std::fabs(balance.money) < 0.00001 && std::fabs(balance.quantity) < 0.00001)
                    continue;
                struct NoteIfSkipped {
                    std::vector<std::string>& notes;
                    const Balance& balance;
                    bool carried = false;
                    ~NoteIfSkipped()
                    {
                        if (!carried)
                            notes.push_back("“" + balance.code + "”" + (balance.money > 0.00001 ? "借 " : "贷 ") +
                                            FormatNumber(std::fabs(balance.money), 0, 2, 2));
                    }
                } skipped{leftBehind, balance};
                const std::string& code = balance.code;
                const ChartIndex::Subject* earlierSubject = before.find(code);
                const std::string earlierName = earlierSubject ? earlierSubject->name : std::string();
                const int earlierSpecial = earlierSubject ? earlierSubject->special : 0;
                const int earlierKind = earlierSubject ? earlierSubject->kind : 0;
                const ChartIndex::Subject* currentSubject = chart.find(code);
                if (!currentSubject) {
                    prompt.warn("警告：\r\v本年度“" + code + "”科目已不存在，其余额不能结转\r\v按确认钮继续！");
                    continue;
                }
                if (!selection.chart && !chart.legal(code)) {
                    if (db.queryLong(kCountVoucherLines, {code}) > 0) {
                        // Its vouchers of this year are kept, and the subject with them.
                        prompt.warn("警告：\r\v本年度“" + code +
                                    "”科目为非法科目，已有凭证，系统不删除它，其余额不能结转\r\v按确认钮继续！");
                        notes.push_back("非法科目“" + code + "”本年度已有凭证，未删除。");
                        continue;
                    }
                    prompt.warn("警告：\r\v本年度“" + code + "”科目为非法科目，系统将删除它，其余额不能结转\r\v按确认钮继续！");
                    db.execute(kDeleteSubject, {code});
                    db.execute(kDeleteSubjectRows, {code});
                    chart.remove(code);
                    continue;
                }
                if (chart.hasDescendants(code)) {
                    prompt.warn("警告：\r\v本年度“" + code + "”科目已有子科目，其余额不能结转\r\v按确认钮继续！");
                    continue;
                }
                const std::string currentName = currentSubject->name;
                const int currentSpecial = currentSubject->special;
                const int currentKind = currentSubject->kind;
                if (currentSpecial != earlierSpecial) {
                    prompt.warn(earlierSpecial == 0
                                    ? "警告：\r\v本年度“" + code + "”科目已设置为专用科目，而上年度为普通科目，\r其余额不能结转\r\v按确认钮继续！"
                                    : "警告：\r\v上年度“" + code + "”科目设置为专用科目，而本年度为普通科目，\r其余额不能结转\r\v按确认钮继续！");
                    continue;
                }
                if (currentKind != earlierKind &&
                    prompt.ask(kindQuestion(earlierKind, currentKind, code), Buttons::YesNo, Answer::No,
                               Icon::Exclamation, kYellowCard) != Answer::Yes)
                    continue;
                if (currentName != earlierName &&
                    prompt.ask("“" + code + "”科目的帐户名称已由\r“" + earlierName + "”\r改为：\r“" + currentName +
                                   "”\r其余额结转入本年度吗？",
                               Buttons::YesNo, Answer::No, Icon::Exclamation, kYellowCard) != Answer::Yes)
                    continue;
                if (currentKind == 0)
                    balance.quantity = 0;
                const int direction = balance.money > 0.00001 ? 1 : -1;
                // The quantity is stored so that F*NU gives the earlier year's quantity balance
                // back: a credit balance with a credit quantity keeps its sign.
                db.execute(kInsertCarried, {m_env.yearStart(), code, static_cast<std::int64_t>(direction),
                                            rounded(std::fabs(balance.money), 2),
                                            rounded(direction * balance.quantity, 4)});
                skipped.carried = true;
            }
            std::string list;
            for (const std::string& item : leftBehind)
                list += (list.empty() ? "" : "，") + item;
            if (!list.empty())
                notes.insert(notes.begin(), "未结转的余额：" + list + "。");
        }
        carried = db.queryLong(kCountOpeningRows) > 0;
    }

    std::string result;
    if (carried) {
        KS_Dbset test(db);
        test.open(kBalanceTest);
        const double debit = test.doubleAt(0);
        const double credit = test.doubleAt(1);
        auto written = [](double value) {
            const double cents = rounded(value, 2);
            return format("%.2f", std::fabs(cents) < 0.005 ? 0.0 : cents);
        };
        result = "余额平衡性检测结果：\r\r    借方合计：" + written(debit) + "\r\r    " +
                 "贷方合计：" + written(credit) + "\r\r    " + "借 － 贷：" +
                 written(debit - credit) + "\r\r";
        if (std::fabs(debit - credit) <= 0.00001)
            result += "恭禧! 恭禧!!\r\r本年度帐务已建立完毕! \r\r请进入相关的模块检查。";
        else
            result += "不平原因：\r    一、在结转时某些帐户属性已被用户更改，导致其余额不能转入；"
                      "\r    二、可能是上年度余额不平造成的。";
    } else {
        result = "\r恭禧! 恭禧!!\r\r复制完毕! \r\r请进入相关的模块检查。";
    }
    transaction.commit();
    for (const std::string& note : notes)
        result += "\r\r" + note;
    return result;
}

} // namespace kszw
