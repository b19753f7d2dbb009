#include "accountset/year_file.h"

#include "common/clock.h"
#include "common/text.h"
#include "formview/print_settings.h"
#include "formview/view_kinds.h"
#include "store/database.h"
#include "store/database_error.h"
#include "store/schema.h"
#include "store/transaction.h"
#include "templates/template_variables.h"

#include <cerrno>
#include <filesystem>
#include <sys/stat.h>
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
    for (const ViewKindInfo& view : kViewKinds)
        SaveViewSettings(db, viewFlag(view.kind), kDefaultFieldMode, defaultViewSettings());
    for (const TemplateVariable& variable : kDefaultVariables)
        db.execute(kInsertVariable, {std::string(variable.name), std::string(variable.expression),
                                     std::string(variable.note), static_cast<std::int64_t>(variable.type)});
    transaction.commit();
}

void createYearFile(const std::string& path, int year)
{
    Database db = Database::create(path);
    try {
        Transaction transaction(db);
        createAllTables(db);
        writeInitialContent(db, year);
        transaction.commit();
    } catch (...) {
        db.close();
        ::unlink(path.c_str());
        throw;
    }
}

AccountSetResult createAccountSet(const std::string& folder, const Clock& clock, int year)
{
    AccountSetResult result;
    std::string path = trimWhitespace(folder);
    if (path.empty()) {
        result.message = "驱动器不可用或是空路径！";
        return result;
    }
    // Make every level of the folder that does not exist yet.
    std::error_code error;
    std::filesystem::path dir(path);
    if (!std::filesystem::is_directory(dir, error)) {
        std::filesystem::create_directories(dir, error);
        if (error || !std::filesystem::is_directory(dir, error)) {
            result.message = "所给路径非法，不能建立目录";
            return result;
        }
    }
    if (year == 0)
        year = clock.today().year;
    std::string file = (dir / yearFileName(year)).string();
    struct stat info {};
    if (::stat(file.c_str(), &info) == 0) {
        result.message = "“" + file + "”已存在，不能再建立！";
        return result;
    }
    createYearFile(file, year);
    result.ok = true;
    result.filePath = file;
    result.message = path + " 帐套建立成功！";
    return result;
}

} // namespace kszw
