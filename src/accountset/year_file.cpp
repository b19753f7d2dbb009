#include "accountset/year_file.h"

#include "common/text.h"
#include "formview/print_settings.h"
#include "formview/view_kinds.h"
#include "store/database.h"
#include "store/database_error.h"
#include "store/location.h"
#include "store/schema.h"
#include "store/server_years.h"
#include "store/transaction.h"
#include "templates/template_variables.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace kszw {

namespace {

constexpr std::string_view kInsertHeader =
    "INSERT INTO SYSTAB(NA,KJ,PY,MM,JT,T1,T13) \t\tVALUES('××单位','×××',?1,0,'031',?2,?3)";
constexpr std::string_view kInsertOperator = "INSERT INTO OPR(OPNO,NA,PSD) VALUES(?1,?2,'')";
constexpr std::string_view kInsertRight = "INSERT INTO PWR(OPNO,PWR) VALUES(?1,?2)";
constexpr std::string_view kInsertVariable = "INSERT INTO KSVAR(SVAR,SEXP,SNOTE,NTYPE) VALUES(?1,?2,?3,?4)";

} // namespace

void writeInitialContent(Database& db, int year)
{
    Transaction transaction(db);
    db.execute(kInsertHeader, {static_cast<std::int64_t>(year), format("%d0101", year), format("%d1231", year)});
    db.execute(kInsertOperator, {std::string("101"), std::string("管理员")});
    db.execute(kInsertOperator, {std::string("102"), std::string("×××")});
    db.execute(kInsertRight, {std::string("101"), std::string("0101")});
    // The working rights of operator 102: three runs of consecutive codes, 0201-0209, 0301-0307 and
    // 0401-0406.
    constexpr int kRunLengths[3] = {9, 7, 6};
    for (int run = 0; run < 3; ++run)
        for (int i = 0; i < kRunLengths[run]; ++i) {
            int number = 10201 + 100 * run + i;
            db.execute(kInsertRight, {std::string("102"), format("%05d", number).substr(1)});
        }
    // The financial statements keep settings of their own per statement once the user sets a page
    // up; until then they print on A4 upright.
    for (const ViewKindInfo& view : kViewKinds)
        if (view.kind != ViewKind::FinancialReport)
            SaveViewSettings(db, viewFlag(view.kind), kDefaultFieldMode, defaultViewSettings());
    for (const TemplateVariable& variable : kDefaultVariables)
        db.execute(kInsertVariable, {std::string(variable.name), std::string(variable.expression),
                                     std::string(variable.note), static_cast<std::int64_t>(variable.type)});
    transaction.commit();
}

namespace {

// Moves the finished file into place unless something is there already: the check and the move
// are one step, so a file another program created meanwhile is never replaced.
bool renameNoReplace(const std::string& from, const std::string& to)
{
#ifdef RENAME_NOREPLACE
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
#endif
    if (::link(from.c_str(), to.c_str()) == 0) {
        ::unlink(from.c_str());
        return true;
    }
    if (errno == EEXIST)
        return false;
    // A file system without hard links: check, then move.
    struct stat info {};
    if (::stat(to.c_str(), &info) == 0) {
        errno = EEXIST;
        return false;
    }
    return ::rename(from.c_str(), to.c_str()) == 0;
}

// The name a year file is built under, beside its final name: hidden, and no year file name.
// The building names carry this computer's name, so a folder shared by several computers never has
// one computer take away what another is building.
std::string buildingPrefix(const std::filesystem::path& target)
{
    char host[256] = {};
    if (::gethostname(host, sizeof host - 1) != 0 || host[0] == '\0')
        std::snprintf(host, sizeof host, "host");
    std::string hostName(host);
    for (char& c : hostName)
        if (c == '-' || c == '/' || c == '.')
            c = '_';
    return "." + target.filename().string() + ".new-" + hostName + "-";
}

std::string buildingName(const std::filesystem::path& target)
{
    static int counter = 0;
    return (target.parent_path() / (buildingPrefix(target) + std::to_string(::getpid()) + "-" + std::to_string(++counter)))
        .string();
}

// Removes what a creation that was killed half-way on this computer left behind: files under this
// computer's building name of this year file whose program no longer runs.
void removeAbandonedBuildings(const std::filesystem::path& target)
{
    const std::string prefix = buildingPrefix(target);
    std::error_code error;
    for (std::filesystem::directory_iterator it(target.parent_path(), error), end; !error && it != end;
         it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (!name.starts_with(prefix))
            continue;
        const pid_t owner = static_cast<pid_t>(std::atol(name.c_str() + prefix.size()));
        if (owner > 0 && owner != ::getpid() && ::kill(owner, 0) != 0 && errno == ESRCH) {
            std::error_code ignored;
            std::filesystem::remove(it->path(), ignored);
            std::filesystem::remove(it->path().string() + "-journal", ignored);
        }
    }
}

[[noreturn]] void raiseSystemError(const std::string& path, int error)
{
    throw DatabaseError(std::strerror(error), 0, path, error);
}

} // namespace

void buildYearFile(const std::string& path, const std::function<void(Database&)>& fill)
{
    if (isServerLocation(path)) {
        // On a server the year is made and filled in one transaction: its schema with the SQL
        // functions, the tables and the rows appear together when it commits, or not at all.
        Database db = Database::createForFilling(path);
        Transaction transaction(db);
        fill(db);
        transaction.commit();
        return;
    }
    // The file is built under another name and moved into place only when complete, so a program
    // killed at any moment leaves either no year file or a whole one, and a failure removes only
    // the file this building made.
    struct stat info {};
    if (::lstat(path.c_str(), &info) == 0)
        raiseSystemError(path, EEXIST);
    removeAbandonedBuildings(std::filesystem::path(path));
    const std::string building = buildingName(std::filesystem::path(path));
    try {
        Database db = Database::create(building);
        try {
            Transaction transaction(db);
            fill(db);
            transaction.commit();
        } catch (...) {
            db.close();
            ::unlink(building.c_str());
            std::error_code ignored;
            std::filesystem::remove(building + "-journal", ignored);
            throw;
        }
    } catch (const DatabaseError& error) {
        // The error names the year file, not the name it was built under.
        throw DatabaseError(error.what(), error.code(), path, error.systemError());
    }
    if (!renameNoReplace(building, path)) {
        const int error = errno;
        ::unlink(building.c_str());
        raiseSystemError(path, error);
    }
}

void createYearFile(const std::string& path, int year)
{
    buildYearFile(path, [year](Database& db) {
        createAllTables(db);
        writeInitialContent(db, year);
    });
}

bool isYearFileName(std::string_view name)
{
    if (name.size() != 4 + kYearFileSuffix.size())
        return false;
    for (int i = 0; i < 4; ++i)
        if (name[i] < '0' || name[i] > '9')
            return false;
    return equalsIgnoreCase(name.substr(4), kYearFileSuffix);
}

bool holdsYearFiles(const std::string& folder)
{
    if (isServerLocation(folder))
        return !serverYears(folder).empty();
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        if (it->is_regular_file(error) && isYearFileName(it->path().filename().string()))
            return true;
    return false;
}

} // namespace kszw
