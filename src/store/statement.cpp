#include "store/statement.h"

#include "store/database_error.h"
#include "store/server_engine.h"

#include <sqlite3.h>

#include <utility>

namespace kszw {

namespace {

// The file of a connection, for the error message.
std::string fileOf(sqlite3* db)
{
    const char* name = db ? sqlite3_db_filename(db, "main") : nullptr;
    return name ? name : "";
}

[[noreturn]] void raise(sqlite3* db, int rc)
{
    const char* message = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    // The system's error number says more than "disk I/O error" (a full disk, a file too large).
    const int primary = rc & 0xff;
    const bool fromSystem = primary == SQLITE_IOERR || primary == SQLITE_FULL || primary == SQLITE_CANTOPEN;
    throw DatabaseError(message ? message : "database error", primary, fileOf(db),
                        fromSystem && db ? sqlite3_system_errno(db) : 0);
}

void bindValue(sqlite3* db, sqlite3_stmt* stmt, int index, const SqlValue& value)
{
    int rc = SQLITE_OK;
    if (std::holds_alternative<SqlNull>(value))
        rc = sqlite3_bind_null(stmt, index);
    else if (const auto* integer = std::get_if<std::int64_t>(&value))
        rc = sqlite3_bind_int64(stmt, index, *integer);
    else if (const auto* real = std::get_if<double>(&value))
        rc = sqlite3_bind_double(stmt, index, *real);
    else {
        const std::string& text = std::get<std::string>(value);
        rc = sqlite3_bind_text(stmt, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    }
    if (rc != SQLITE_OK)
        raise(db, rc);
}

} // namespace

Statement::Statement(sqlite3* db, std::string_view sql, const SqlParams& params) : m_db(db)
{
    if (!db)
        throw DatabaseError("数据库未打开");
    const char* tail = nullptr;
    int rc = sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &m_stmt, &tail);
    if (rc != SQLITE_OK) {
        std::string message = sqlite3_errmsg(db);
        sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
        throw DatabaseError(message, rc & 0xff, fileOf(db));
    }
    if (!m_stmt)
        throw DatabaseError("empty statement");
    int expected = sqlite3_bind_parameter_count(m_stmt);
    if (expected != static_cast<int>(params.size())) {
        sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
        throw DatabaseError("statement expects " + std::to_string(expected) + " parameters, got "
                            + std::to_string(params.size()));
    }
    for (size_t i = 0; i < params.size(); ++i)
        bindValue(db, m_stmt, static_cast<int>(i) + 1, params[i]);
}

Statement::Statement(ServerConnection& server, std::string_view sql, const SqlParams& params)
    : m_rows(server.run(sql, params))
{
}

Statement::~Statement()
{
    if (m_stmt)
        sqlite3_finalize(m_stmt);
}

Statement::Statement(Statement&& other) noexcept
    : m_db(std::exchange(other.m_db, nullptr)), m_stmt(std::exchange(other.m_stmt, nullptr)),
      m_rows(std::move(other.m_rows))
{
}

Statement& Statement::operator=(Statement&& other) noexcept
{
    if (this != &other) {
        if (m_stmt)
            sqlite3_finalize(m_stmt);
        m_db = std::exchange(other.m_db, nullptr);
        m_stmt = std::exchange(other.m_stmt, nullptr);
        m_rows = std::move(other.m_rows);
    }
    return *this;
}

bool Statement::step()
{
    if (m_rows)
        return m_rows->step();
    int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    raise(m_db, rc);
}

int Statement::columnCount() const
{
    if (m_rows)
        return m_rows->columnCount();
    return sqlite3_column_count(m_stmt);
}

bool Statement::isNull(int column) const
{
    if (m_rows)
        return m_rows->isNull(column);
    return sqlite3_column_type(m_stmt, column) == SQLITE_NULL;
}

std::int64_t Statement::columnInt(int column) const
{
    if (m_rows)
        return m_rows->columnInt(column);
    return sqlite3_column_int64(m_stmt, column);
}

double Statement::columnDouble(int column) const
{
    if (m_rows)
        return m_rows->columnDouble(column);
    return sqlite3_column_double(m_stmt, column);
}

std::string Statement::columnText(int column) const
{
    if (m_rows)
        return m_rows->columnText(column);
    const unsigned char* text = sqlite3_column_text(m_stmt, column);
    if (!text)
        return {};
    return std::string(reinterpret_cast<const char*>(text),
                       static_cast<size_t>(sqlite3_column_bytes(m_stmt, column)));
}

std::string Statement::columnName(int column) const
{
    if (m_rows)
        return m_rows->columnName(column);
    const char* name = sqlite3_column_name(m_stmt, column);
    return name ? name : "";
}

bool Statement::isPlainField(int column) const
{
    if (m_rows)
        return m_rows->isPlainField(column);
    return sqlite3_column_origin_name(m_stmt, column) != nullptr;
}

SqlValue Statement::columnValue(int column) const
{
    if (m_rows)
        return m_rows->columnValue(column);
    switch (sqlite3_column_type(m_stmt, column)) {
    case SQLITE_NULL: return SqlNull{};
    case SQLITE_INTEGER: return static_cast<std::int64_t>(sqlite3_column_int64(m_stmt, column));
    case SQLITE_FLOAT: return sqlite3_column_double(m_stmt, column);
    default: return columnText(column);
    }
}

} // namespace kszw
