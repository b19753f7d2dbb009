#include "store/database.h"

#include "store/database_error.h"
#include "store/location.h"
#include "store/server_engine.h"
#include "store/sql_functions.h"

#include <sqlite3.h>

#include <cctype>
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

Database::Database() = default;

Database::Database(sqlite3* db, std::string path) : m_db(db), m_path(std::move(path)) {}

Database::Database(std::unique_ptr<ServerConnection> server, std::string location)
    : m_server(std::move(server)), m_path(std::move(location))
{
}

namespace {

ServerLocation serverLocationOf(const std::string& text)
{
    std::optional<ServerLocation> location = parseServerLocation(text);
    if (!location || location->year == 0)
        throw DatabaseError("not a year on a server: " + text, SQLITE_CANTOPEN, text, EINVAL);
    return *location;
}

} // namespace

Database::~Database()
{
    close();
}

Database::Database(Database&& other) noexcept
    : m_db(std::exchange(other.m_db, nullptr)), m_server(std::move(other.m_server)), m_path(std::move(other.m_path)),
      m_transactionDepth(std::exchange(other.m_transactionDepth, 0)), m_busyTimeoutMs(other.m_busyTimeoutMs),
      m_hold(std::move(other.m_hold))
{
}

Database& Database::operator=(Database&& other) noexcept
{
    if (this != &other) {
        close();
        m_db = std::exchange(other.m_db, nullptr);
        m_server = std::move(other.m_server);
        m_path = std::move(other.m_path);
        m_transactionDepth = std::exchange(other.m_transactionDepth, 0);
        m_busyTimeoutMs = other.m_busyTimeoutMs;
        m_hold = std::move(other.m_hold);
    }
    return *this;
}

Database Database::open(const std::string& path)
{
    if (isServerLocation(path)) {
        const ServerLocation location = serverLocationOf(path);
        return Database(ServerConnection::connect(location, false), serverLocationText(location));
    }
    Database db(openHandle(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX), path);
    db.m_hold = FileHold::shared(path);
    return db;
}

Database Database::create(const std::string& path)
{
    if (isServerLocation(path)) {
        const ServerLocation location = serverLocationOf(path);
        return Database(ServerConnection::createYear(location, false), serverLocationText(location));
    }
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

Database Database::createForFilling(const std::string& path)
{
    if (!isServerLocation(path))
        return create(path);
    const ServerLocation location = serverLocationOf(path);
    return Database(ServerConnection::createYear(location, true), serverLocationText(location));
}

Database Database::openReadOnly(const std::string& path)
{
    if (isServerLocation(path)) {
        const ServerLocation location = serverLocationOf(path);
        return Database(ServerConnection::connect(location, true), serverLocationText(location));
    }
    Database db(openHandle(path, SQLITE_OPEN_READONLY | SQLITE_OPEN_FULLMUTEX), path);
    db.m_hold = FileHold::shared(path);
    return db;
}

void Database::setBusyTimeout(int milliseconds)
{
    m_busyTimeoutMs = milliseconds;
    if (m_server)
        m_server->setLockTimeout(milliseconds);
    if (m_db)
        sqlite3_busy_timeout(m_db, milliseconds);
}

void Database::close()
{
    if (m_db) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
    m_server.reset();
    m_hold = FileHold();
    m_transactionDepth = 0;
}

void Database::execute(std::string_view sql, const SqlParams& params)
{
    if (m_server) {
        m_server->run(sql, params);
        return;
    }
    Statement statement(m_db, sql, params);
    while (statement.step()) {
    }
}

int Database::changes() const
{
    if (m_server)
        return m_server->changes();
    return m_db ? sqlite3_changes(m_db) : 0;
}

Statement Database::prepare(std::string_view sql, const SqlParams& params)
{
    if (m_server)
        return Statement(*m_server, sql, params);
    return Statement(m_db, sql, params);
}

std::int32_t Database::queryLong(std::string_view sql, const SqlParams& params)
{
    Statement statement = prepare(sql, params);
    if (!statement.step())
        throw DatabaseError("No current record.");
    return static_cast<std::int32_t>(statement.columnInt(0));
}

std::int32_t Database::queryLongOrZero(std::string_view sql, const SqlParams& params)
{
    Statement statement = prepare(sql, params);
    if (!statement.step())
        return 0;
    return static_cast<std::int32_t>(statement.columnInt(0));
}

std::optional<double> Database::queryDouble(std::string_view sql, const SqlParams& params)
{
    Statement statement = prepare(sql, params);
    if (!statement.step() || statement.isNull(0))
        return std::nullopt;
    return statement.columnDouble(0);
}

std::optional<std::string> Database::queryText(std::string_view sql, const SqlParams& params)
{
    Statement statement = prepare(sql, params);
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
    if (m_server)
        return queryLong("SELECT count(*) FROM information_schema.tables WHERE table_schema=current_schema()"
                         " AND lower(table_name)=lower(?1)",
                         {std::string(table)})
               > 0;
    return queryLong("SELECT count(*) FROM sqlite_master WHERE type='table' AND name=?1 COLLATE NOCASE",
                     {std::string(table)})
           > 0;
}

std::optional<std::string> Database::columnType(std::string_view table, std::string_view column)
{
    if (m_server)
        return queryText("SELECT data_type FROM information_schema.columns WHERE table_schema=current_schema()"
                         " AND lower(table_name)=lower(?1) AND lower(column_name)=lower(?2)",
                         {std::string(table), std::string(column)});
    return queryText("SELECT type FROM pragma_table_info(?1) WHERE name=?2 COLLATE NOCASE",
                     {std::string(table), std::string(column)});
}

bool Database::usedElsewhere()
{
    return m_server && m_server->usedElsewhere();
}

std::vector<std::string> Database::columnNames(std::string_view table)
{
    Statement info = m_server ? prepare("SELECT column_name FROM information_schema.columns WHERE "
                                        "table_schema=current_schema() AND lower(table_name)=lower(?1) "
                                        "ORDER BY ordinal_position",
                                        {std::string(table)})
                              : prepare("SELECT name FROM pragma_table_info(?1) ORDER BY cid", {std::string(table)});
    std::vector<std::string> names;
    while (info.step())
        names.push_back(info.columnText(0));
    return names;
}

std::vector<std::string> Database::tableNames()
{
    Statement list = m_server ? prepare("SELECT c.relname FROM pg_class c JOIN pg_namespace n ON n.oid=c.relnamespace"
                                        " WHERE n.nspname=current_schema() AND c.relkind='r' ORDER BY c.oid")
                              : prepare("SELECT name FROM sqlite_master WHERE type='table' AND name NOT LIKE "
                                        "'sqlite~_%' ESCAPE '~' ORDER BY rowid");
    std::vector<std::string> names;
    while (list.step())
        names.push_back(list.columnText(0));
    return names;
}

std::vector<std::string> Database::schemaStatements()
{
    // Built from the fields, never taken from the text a file keeps: a file's stored statements
    // are the file's to say, and are not run anywhere else.
    std::vector<std::string> statements;
    auto plain = [](const std::string& name) {
        if (name.empty() || std::isdigit(static_cast<unsigned char>(name[0])))
            return false;
        for (char c : name)
            if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_')
                return false;
        return true;
    };
    for (const std::string& table : tableNames()) {
        if (!plain(table))
            continue;
        Statement fields = m_server ? prepare("SELECT column_name, data_type FROM information_schema.columns WHERE "
                                              "table_schema=current_schema() AND table_name=?1 ORDER BY ordinal_position",
                                              {table})
                                    : prepare("SELECT name, upper(type) FROM pragma_table_info(?1) ORDER BY cid", {table});
        std::string list;
        while (fields.step()) {
            const std::string name = fields.columnText(0);
            if (!plain(name))
                continue;
            const std::string type = fields.columnText(1);
            auto has = [&type](const char* part) { return type.find(part) != std::string::npos; };
            const char* declared = has("INT") || has("LONG") || has("bigint") || has("integer") || has("smallint")
                                       ? "LONG"
                                   : has("DOUB") || has("REAL") || has("FLOA") || has("NUM") || has("double")
                                       || has("real") || has("numeric")
                                       ? "DOUBLE"
                                       : "TEXT";
            list += (list.empty() ? "" : ",") + name + " " + declared;
        }
        if (!list.empty())
            statements.push_back("CREATE TABLE " + table + "(" + list + ")");
    }
    return statements;
}

bool Database::indexExists(std::string_view index)
{
    if (m_server)
        return queryLong("SELECT count(*) FROM pg_indexes WHERE schemaname=current_schema() AND "
                         "lower(indexname)=lower(?1)",
                         {std::string(index)})
               > 0;
    return queryLong("SELECT count(*) FROM sqlite_master WHERE type='index' AND name=?1 COLLATE NOCASE",
                     {std::string(index)})
           > 0;
}

} // namespace kszw
