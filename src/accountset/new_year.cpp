#include "accountset/new_year.h"

#include "accountset/account_sets.h"
#include "accountset/year_file.h"
#include "common/prompt.h"
#include "common/text.h"
#include "reports/report_definitions.h"
#include "session/kszw_env.h"
#include "store/database.h"
#include "store/database_error.h"
#include "store/error_messages.h"
#include "store/file_hold.h"
#include "store/location.h"
#include "store/ks_dbset.h"
#include "store/schema.h"
#include "store/table_copy.h"
#include "store/transaction.h"
#include "store/year_file_name.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <unistd.h>

namespace kszw {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kReadHeader = "SELECT TRIM(NA),TRIM(KJ),TRIM(AN),TRIM(JT),TRIM(T1),TRIM(T13) FROM SYSTAB";
constexpr std::string_view kInsertHeader =
    "INSERT INTO SYSTAB(NA,KJ,AN,PY,MM,JT,T1,T13) \t\tVALUES(?1,?2,?3,?4,0,?5,?6,?7)";

// The tables that travel from year to year, in the order they are copied.
constexpr std::string_view kCarriedTables[] = {"OPR",           "PWR",           "KSFONT",         "KSPAGESET",
                                               "FIELDWIDTH",    "KsFormList",    "KsFormFormula",  "KsFormTopWord",
                                               "KsFormHeadNote", "SYSCSTAB",     "KSVAR"};

// How long deleting waits for another program that holds the file before it says so.
constexpr int kDeleteBusyTimeoutMs = 300;

// The date's year when it is a date of 8 digits; 0 otherwise.
int yearOfDate(std::string_view date)
{
    if (date.size() != 8 || !isAllDigits(date))
        return 0;
    return std::atoi(std::string(date.substr(0, 4)).c_str());
}

// The entry of the folder that is the year's file in whatever spelling of the extension; empty
// when there is none.
std::string existingYearFile(const std::string& folder, int year)
{
    if (isServerLocation(folder)) {
        for (const YearFileEntry& entry : yearFilesOf(folder))
            if (entry.year == year)
                return entry.path;
        return {};
    }
    const std::string wanted = yearFileName(year);
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        if (equalsIgnoreCase(it->path().filename().string(), wanted))
            return it->path().string();
    return {};
}

SqlValue textOrNull(const KS_Dbset& row, int column)
{
    if (row.isNullAt(column))
        return SqlNull{};
    return row.textAt(column);
}

// Fills a new, empty year file from the current one: every table, the new header, the tables
// carried from year to year.
void fillNewYear(Database& target, Database& current, int currentYear, int newYear)
{
    // The current file is read under its lock, so another program cannot change the operators or
    // their rights half-way through the copy.
    ReadSnapshot reading(current);
    createAllTables(target);
    KS_Dbset header(current);
    header.open(kReadHeader);
    if (header.isEOF())
        throw DatabaseError("SYSTAB has no row", 0, current.path());
    target.execute(kInsertHeader, {textOrNull(header, 0), textOrNull(header, 1), textOrNull(header, 2),
                                   static_cast<std::int64_t>(newYear), textOrNull(header, 3),
                                   shiftedYearStart(header.textAt(4), currentYear, newYear),
                                   shiftedYearEnd(header.textAt(5), currentYear, newYear)});
    header.close();
    for (std::string_view table : kCarriedTables)
        copyTableRows(current, target, table);
    // The statements' definitions travel too, once the year has them.
    if (reportTablesExist(current)) {
        createReportTables(target);
        copyTableRows(current, target, "KSRPT");
        copyTableRows(current, target, "KSRPTROW");
    }
}

} // namespace

std::string accountSetFolder(const CKszwEnv& env)
{
    const std::string& file = env.filePath().empty() ? env.foundPath() : env.filePath();
    if (std::optional<ServerLocation> location = parseServerLocation(file)) {
        location->year = 0;
        return serverLocationText(*location);
    }
    return fs::path(file).parent_path().string();
}

std::string shiftedYearStart(std::string_view oldYearStart, int oldYear, int newYear)
{
    const int oldStartYear = yearOfDate(oldYearStart);
    if (oldStartYear == 0)
        return format("%4d0101", newYear);
    const int year = oldStartYear == oldYear - 1 ? newYear - 1 : newYear;
    return format("%4d", year) + std::string(oldYearStart.substr(4));
}

std::string shiftedYearEnd(std::string_view oldYearEnd, int oldYear, int newYear)
{
    const int oldEndYear = yearOfDate(oldYearEnd);
    if (oldEndYear == 0)
        return format("%4d1231", newYear);
    const int year = oldEndYear == oldYear + 1 ? newYear + 1 : newYear;
    return format("%4d", year) + std::string(oldYearEnd.substr(4));
}

NewYearResult createNewYear(CKszwEnv& env, std::string_view yearText, Prompt& prompt)
{
    NewYearResult result;
    if (yearText.size() != 4 || !isAllDigits(yearText))
        return result;
    const int year = std::atoi(std::string(yearText).c_str());
    result.outcome = NewYearOutcome::Refused;
    // The login takes only files of a year from 1990 on; a file it refuses would be of no use.
    if (year < 1990) {
        prompt.warn(kYearTooEarly);
        return result;
    }
    const std::string folder = accountSetFolder(env);
    const std::string target = isServerLocation(folder) ? placeOfYear(folder, year)
                                                        : (fs::path(folder) / yearFileName(year)).string();
    // The list of years shows only files that open; a file of the year that does not (read-only,
    // hidden, damaged, of another year) is there all the same and is never replaced.
    const std::string existing = existingYearFile(folder, year);
    if (!existing.empty()) {
        prompt.warn("“" + existing + "”已存在，不能再建立！");
        return result;
    }
    if (prompt.ask("真的要建立“" + std::string(yearText) + "”年的数据文件吗？", Buttons::YesNo, Answer::No,
                   Icon::Question, kMessageCaption)
        != Answer::Yes) {
        result.outcome = NewYearOutcome::Declined;
        return result;
    }
    try {
        buildYearFile(target, [&](Database& db) { fillNewYear(db, env.db(), env.year(), year); });
    } catch (const DatabaseError& error) {
        prompt.warn(userMessage(error, target));
        result.outcome = NewYearOutcome::Failed;
        return result;
    }
    prompt.warn(std::string(yearText) + "年数据文件建立完毕！");
    result.outcome = NewYearOutcome::Created;
    result.filePath = target;
    return result;
}

namespace {

// A year on a server goes with its schema, under the year's write lock.
DeleteYearOutcome deleteServerYear(CKszwEnv& env, const std::string& path, Prompt& prompt)
{
    const int year = yearOfPlace(path);
    if (year == env.year() && canonicalFolder(path) == canonicalFolder(accountSetFolder(env))) {
        prompt.warn(kCannotDeleteLoggedInYear);
        return DeleteYearOutcome::Refused;
    }
    if (prompt.ask("真的要删除“" + std::to_string(year) + "”年的数据文件吗？", Buttons::YesNo, Answer::No,
                   Icon::Question, kMessageCaption)
        != Answer::Yes)
        return DeleteYearOutcome::Declined;
    try {
        Database db = Database::open(path);
        // A year another client has open (logged in, even when idle) is not deleted under it.
        if (db.usedElsewhere()) {
            prompt.warn(userMessage(fileInUseError(path), path));
            return DeleteYearOutcome::Failed;
        }
        db.setBusyTimeout(kDeleteBusyTimeoutMs);
        Transaction hold(db);
        db.execute("DROP SCHEMA " + yearSchemaName(year) + " CASCADE");
        hold.commit();
    } catch (const DatabaseError& failure) {
        prompt.warn(userMessage(failure, path));
        return DeleteYearOutcome::Failed;
    }
    return DeleteYearOutcome::Deleted;
}

} // namespace

DeleteYearOutcome deleteYearFile(CKszwEnv& env, const std::string& path, Prompt& prompt)
{
    if (isServerLocation(path))
        return deleteServerYear(env, path, prompt);
    const fs::path file(path);
    const std::string stem = file.stem().string();
    const int year = isAllDigits(stem) && stem.size() <= 9 ? std::atoi(stem.c_str()) : 0;
    std::error_code error;
    const bool loggedInFile = fs::equivalent(file, fs::path(env.filePath()), error) && !error;
    const bool sameFolder = canonicalFolder(file.parent_path().string()) == canonicalFolder(accountSetFolder(env));
    if (loggedInFile || (year == env.year() && sameFolder)) {
        prompt.warn(kCannotDeleteLoggedInYear);
        return DeleteYearOutcome::Refused;
    }
    if (prompt.ask("真的要删除“" + std::to_string(year) + "”年的数据文件吗？", Buttons::YesNo, Answer::No,
                   Icon::Question, kMessageCaption)
        != Answer::Yes)
        return DeleteYearOutcome::Declined;
    // A file another program has open (logged in, even when idle) is not deleted from under it.
    std::optional<FileHold> only = FileHold::exclusive(path);
    if (!only) {
        prompt.warn(userMessage(fileInUseError(path), path));
        return DeleteYearOutcome::Failed;
    }
    try {
        // The file's write lock is taken and held while the file goes, so no other program is
        // writing it at that moment; one that holds it is told of instead.
        Database db = Database::open(path);
        db.setBusyTimeout(kDeleteBusyTimeoutMs);
        Transaction hold(db);
        if (::unlink(path.c_str()) != 0) {
            const int failure = errno;
            throw DatabaseError(std::strerror(failure), 0, path, failure);
        }
    } catch (const DatabaseError& failure) {
        prompt.warn(userMessage(failure, path));
        return DeleteYearOutcome::Failed;
    }
    for (const char* companion : {"-journal", "-wal", "-shm"}) {
        std::error_code ignored;
        fs::remove(path + companion, ignored);
    }
    return DeleteYearOutcome::Deleted;
}

} // namespace kszw
