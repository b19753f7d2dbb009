#include "accountset/year_transfer.h"

#include "accountset/account_sets.h"
#include "accountset/year_file.h"
#include "common/prompt.h"
#include "common/text.h"
#include "session/kszw_env.h"
#include "session/login_codes.h"
#include "store/database.h"
#include "store/database_error.h"
#include "store/error_messages.h"
#include "store/location.h"
#include "store/schema.h"
#include "store/table_copy.h"
#include "store/transaction.h"
#include "store/year_file_name.h"

#include <filesystem>
#include <optional>

namespace kszw {

namespace {

// The year a place holds, read from its header as the login reads it; nothing when it does not
// open as a year.
std::optional<int> headerYear(const std::string& place, std::string& message)
{
    CKszwEnv trial;
    SilentPrompt silent;
    try {
        const int code = trial.openFile(place, "101", silent);
        if (code == kLoginOk)
            return trial.year();
        message = trial.failureMessage(code);
    } catch (const DatabaseError& error) {
        message = userMessage(error, place);
    }
    return std::nullopt;
}

} // namespace

TransferResult pushYear(const std::string& file, const std::string& location)
{
    TransferResult result;
    if (isServerLocation(file)) {
        result.message = "“" + file + "”不是帐务数据文件。";
        return result;
    }
    std::optional<ServerLocation> place = parseServerLocation(location);
    if (!place) {
        result.message = "“" + location + "”不是服务器位置（postgresql://主机:端口/数据库?year=年度）。";
        return result;
    }
    const std::optional<int> year = headerYear(file, result.message);
    if (!year)
        return result;
    if (place->year != 0 && place->year != *year) {
        result.message = loginMessage(kYearMismatch, *year, "KSK");
        return result;
    }
    place->year = *year;
    result.target = serverLocationText(*place);
    try {
        Database source = Database::open(file);
        // The file's own statements make the same tables and indexes on the server; its rows are
        // read under one read transaction, so a copy never mixes two states of the file.
        ReadSnapshot reading(source);
        buildYearFile(result.target, [&](Database& target) {
            const YearCopyCount count = copyYearInto(source, target);
            result.tables = count.tables;
            result.rows = count.rows;
        });
    } catch (const DatabaseError& error) {
        result.message = userMessage(error, classifyFailure(error) == StoreFailure::Exists ? result.target : file);
        return result;
    }
    result.ok = true;
    return result;
}

TransferResult pullYear(const std::string& location, const std::string& file)
{
    TransferResult result;
    std::optional<ServerLocation> place = parseServerLocation(location);
    if (!place || place->year == 0) {
        result.message = "“" + location + "”不是服务器上的年度（postgresql://主机:端口/数据库?year=年度）。";
        return result;
    }
    if (isServerLocation(file)) {
        result.message = "“" + file + "”不是帐务数据文件。";
        return result;
    }
    const std::string source = serverLocationText(*place);
    const std::optional<int> year = headerYear(source, result.message);
    if (!year)
        return result;
    // The file is named after its year, or the login would not take it.
    if (std::filesystem::path(file).filename().string() != yearFileName(*year)) {
        result.message = loginMessage(kYearMismatch, *year, "ksk");
        return result;
    }
    result.target = file;
    try {
        Database server = Database::open(source);
        // Read under the year's write lock, in one transaction: every table as of one moment.
        ReadSnapshot reading(server);
        buildYearFile(file, [&](Database& target) {
            const YearCopyCount count = copyYearInto(server, target);
            result.tables = count.tables;
            result.rows = count.rows;
        });
    } catch (const DatabaseError& error) {
        result.message = userMessage(error, classifyFailure(error) == StoreFailure::Exists ? file : source);
        return result;
    }
    result.ok = true;
    return result;
}

} // namespace kszw
