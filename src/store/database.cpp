#include "store/database.h"

#include "store/database_error.h"
#include "store/sql_functions.h"

#include <sqlite3.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fcntl.h>
#include <unistd.h>
#include <utility>

namespace kszw {

namespace {

// A path longer than the engine takes is refused before the engine sees it.
void checkPathLength(const std::string& path)
{
    std::error_code error;
    const std::string absolute = std::filesystem::absolute(path, error).string();
    if ((error ? path : absolute).size() >= static_cast<size_t>(Database::kMaxPathLength))
        throw DatabaseError(std::strerror(ENAMETOOLONG), SQLITE_CANTOPEN, path, ENAMETOOLONG);
}

sqlite3* openHandle(const std::string& path, int flags)
{
    checkPathLength(path);
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(path.c_str(), &db, flags, nullptr);
    if (rc != SQLITE_OK) {
        std::string message = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
        const int systemError = db ? sqlite3_system_errno(db) : 0;
        sqlite3_close(db);
        throw DatabaseError(message, rc & 0xff, path, systemError);
    }
    sqlite3_busy_timeout(db, Database::kBusyTimeoutMs);
    sqlite3_extended_result_codes(db, 0);
    // A page cache of 32 MB: a ledger over a big book reads its pages once. (Memory-mapped
    // reading would be faster still, but turns an I/O error on a network share into a crash.)
    sqlite3_exec(db, "PRAGMA cache_size=-32768", nullptr, nullptr, nullptr);
    try {
        registerSqlFunctions(db);
        // Reading the schema proves the file is a database (a foreign file fails here).
        Statement probe(db, "SELECT count(*) FROM sqlite_master");
        probe.step();
        // The engine falls back to reading when it may not write the file; a year data file is
        // always opened for writing, so that is a refusal.
        if ((flags & SQLITE_OPEN_READWRITE) && sqlite3_db_readonly(db, "main") == 1)
            throw DatabaseError(sqlite3_errstr(SQLITE_READONLY), SQLITE_READONLY, path, EACCES);
    } catch (...) {
        sqlite3_close(db);
        throw;
    }
    return db;
}

} // namespace

Database::Database(sqlite3* db, std::string path) : m_db(db), m_path(std::move(path)) {}

Database::~Database()
{
    close();
}

Database::Database(Database&& other) noexcept
    : m_db(std::exchange(other.m_db, nullptr)), m_path(std::move(other.m_path)),
      m_transactionDepth(std::exchange(other.m_transactionDepth, 0)), m_hold(std::move(other.m_hold))
{
}

Database& Database::operator=(Database&& other) noexcept
{
    if (this != &other) {
        close();
        m_db = std::exchange(other.m_db, nullptr);
        m_path = std::move(other.m_path);
        m_transactionDepth = std::exchange(other.m_transactionDepth, 0);
        m_hold = std::move(other.m_hold);
    }
    return *this;
}

Database Database::open(const std::string& path)
{
    Database db(openHandle(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX), path);
    db.m_hold = FileHold::shared(path);
    return db;
}

Database Database::create(const std::string& path)
{
    checkPathLength(path);
    // Claim the name atomically so two programs cannot both create the same file.
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    if (fd < 0) {
        const int error = errno;
        throw DatabaseError(std::strerror(error), 0, path, error);
    }
    ::close(fd);
    try {
        return Database(openHandle(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX), path);
    } catch (...) {
        ::unlink(path.c_str());
        throw;
    }
}

Database Database::openReadOnly(const std::string& path)
{
    Database db(openHandle(path, SQLITE_OPEN_READONLY | SQLITE_OPEN_FULLMUTEX), path);
    db.m_hold = FileHold::shared(path);
    return db;
}

void Database::setBusyTimeout(int milliseconds)
{
    if (m_db)
        sqlite3_busy_timeout(m_db, milliseconds);
}

void Database::close()
{
    if (m_db) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
    m_hold = FileHold();
    m_transactionDepth = 0;
}

void Database::execute(std::string_view sql, const SqlParams& params)
{
    Statement statement(m_db, sql, params);
    while (statement.step()) {
    }
}

int Database::changes() const
{
    return m_db ? sqlite3_changes(m_db) : 0;
}

Statement Database::prepare(std::string_view sql, const SqlParams& params)
{
    return Statement(m_db, sql, params);
}

std::int32_t Database::queryLong(std::string_view sql, const SqlParams& params)
{
    Statement statement(m_db, sql, params);
    if (!statement.step())
        throw DatabaseError("No current record.");
    return static_cast<std::int32_t>(statement.columnInt(0));
}

std::int32_t Database::queryLongOrZero(std::string_view sql, const SqlParams& params)
{
    Statement statement(m_db, sql, params);
    if (!statement.step())
        return 0;
    return static_cast<std::int32_t>(statement.columnInt(0));
}

std::optional<double> Database::queryDouble(std::string_view sql, const SqlParams& params)
{
    Statement statement(m_db, sql, params);
    if (!statement.step() || statement.isNull(0))
        return std::nullopt;
    return statement.columnDouble(0);
}

std::optional<std::string> Database::queryText(std::string_view sql, const SqlParams& params)
{
    Statement statement(m_db, sql, params);
    if (!statement.step() || statement.isNull(0))
        return std::nullopt;
    return statement.columnText(0);
}

std::string countStatementFor(std::string_view selectSql)
{
    size_t from = selectSql.find("FROM");
    if (from == std::string_view::npos)
        throw DatabaseError("count for: the statement has no FROM: " + std::string(selectSql));
    size_t order = selectSql.find("ORDER", from);
    std::string_view body = selectSql.substr(from, order == std::string_view::npos ? std::string_view::npos
                                                                                  : order - from);
    return "SELECT COUNT(*) " + std::string(body);
}

std::int32_t Database::countFor(std::string_view selectSql, const SqlParams& params)
{
    return queryLong(countStatementFor(selectSql), params);
}

bool Database::tableExists(std::string_view table)
{
    return queryLong("SELECT count(*) FROM sqlite_master WHERE type='table' AND name=?1 COLLATE NOCASE",
                     {std::string(table)})
           > 0;
}

std::optional<std::string> Database::columnType(std::string_view table, std::string_view column)
{
    return queryText("SELECT type FROM pragma_table_info(?1) WHERE name=?2 COLLATE NOCASE",
                     {std::string(table), std::string(column)});
}

} // namespace kszw
