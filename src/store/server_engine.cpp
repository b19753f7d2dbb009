#include "store/server_engine.h"

#include "common/number_text.h"
#include "store/database_error.h"
#include "store/server_sql.h"
#include "store/sql_functions.h"

#include <libpq-fe.h>
#include <sqlite3.h>

#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <utility>

namespace kszw {

namespace {

// Type numbers of the server's built-in types.
constexpr Oid kBool = 16;
constexpr Oid kInt8 = 20;
constexpr Oid kInt2 = 21;
constexpr Oid kInt4 = 23;
constexpr Oid kOid = 26;
constexpr Oid kFloat4 = 700;
constexpr Oid kFloat8 = 701;
constexpr Oid kNumeric = 1700;

// The advisory lock that stands for a year's write lock: the program's key and the year.
constexpr int kWriteLockKey = 0x4b53;
// The advisory lock every connection to a year holds shared while it is open.
constexpr int kHoldKey = 0x4b54;

constexpr int kCursorBatch = 5000;

struct ResultGuard {
    PGresult* result;
    ~ResultGuard() { PQclear(result); }
};

// The server's error classes, as the store tells them to the user.
int codeForState(std::string_view state)
{
    if (state == "55P03" || state == "40P01" || state == "40001" || state == "57014")
        return SQLITE_BUSY;
    if (state == "53100")
        return SQLITE_FULL;
    if (state == "42501" || state == "25006")
        return SQLITE_READONLY;
    if (state.starts_with("08") || state.starts_with("57P") || state.starts_with("58"))
        return SQLITE_IOERR;
    return SQLITE_ERROR;
}

std::string valueText(const SqlValue& value)
{
    if (std::holds_alternative<SqlNull>(value))
        return {};
    if (const auto* integer = std::get_if<std::int64_t>(&value))
        return std::to_string(*integer);
    if (const auto* real = std::get_if<double>(&value)) {
        if (!std::isfinite(*real))
            return std::isnan(*real) ? "NaN" : (*real > 0 ? "Infinity" : "-Infinity");
        char buffer[64];
        auto written = std::to_chars(buffer, buffer + sizeof buffer, *real);
        return std::string(buffer, written.ptr);
    }
    return std::get<std::string>(value);
}

std::string trimmedMessage(const char* text)
{
    std::string message = text ? text : "";
    while (!message.empty() && (message.back() == '\n' || message.back() == ' '))
        message.pop_back();
    return message;
}

PGconn* openConnection(const ServerLocation& location, const std::string& database)
{
    const std::string port = std::to_string(location.port);
    const char* keys[] = {"host", "port", "dbname", "application_name", "connect_timeout", "client_encoding",
                          nullptr};
    const char* values[] = {location.host.c_str(), port.c_str(), database.c_str(), "kszw", "10", "UTF8", nullptr};
    return PQconnectdbParams(keys, values, 0);
}

// A connection that failed: the database missing is told as a missing year, anything else with
// the client library's text.
[[noreturn]] void raiseConnectFailure(PGconn* conn, const ServerLocation& location, const std::string& text)
{
    std::string message = trimmedMessage(PQerrorMessage(conn));
    PQfinish(conn);
    // Whether the server runs but lacks the database: asked of its maintenance database.
    PGconn* maintenance = openConnection(location, "postgres");
    if (PQstatus(maintenance) == CONNECTION_OK) {
        const char* values[] = {location.database.c_str()};
        PGresult* result = PQexecParams(maintenance, "SELECT count(*) FROM pg_database WHERE datname=$1", 1,
                                        nullptr, values, nullptr, nullptr, 0);
        const bool missing = PQresultStatus(result) == PGRES_TUPLES_OK && std::strcmp(PQgetvalue(result, 0, 0), "0") == 0;
        PQclear(result);
        PQfinish(maintenance);
        if (missing)
            throw DatabaseError("database \"" + location.database + "\" does not exist", SQLITE_CANTOPEN, text,
                                ENOENT);
    } else {
        PQfinish(maintenance);
    }
    throw DatabaseError(message, SQLITE_CANTOPEN, text);
}

void ignoreNotices(void*, const PGresult*) {}

} // namespace

// ---- rows ----

ServerRows::ServerRows(PGresult* result, std::string sql)
    : m_result(result), m_rows(PQntuples(result)), m_sql(std::move(sql))
{
}

ServerRows::~ServerRows()
{
    PQclear(m_result);
}

bool ServerRows::step()
{
    if (m_row + 1 >= m_rows) {
        m_row = m_rows;
        return false;
    }
    ++m_row;
    return true;
}

int ServerRows::columnCount() const
{
    return PQnfields(m_result);
}

bool ServerRows::isNull(int column) const
{
    return m_row < 0 || m_row >= m_rows || PQgetisnull(m_result, m_row, column);
}

std::int64_t ServerRows::columnInt(int column) const
{
    if (isNull(column))
        return 0;
    const char* text = PQgetvalue(m_result, m_row, column);
    const size_t size = static_cast<size_t>(PQgetlength(m_result, m_row, column));
    if (PQftype(m_result, column) == kBool)
        return text[0] == 't' ? 1 : 0;
    std::int64_t value = 0;
    auto [end, error] = std::from_chars(text, text + size, value);
    if (error == std::errc() && end == text + size)
        return value;
    // Text or a fraction: its leading number, cut toward zero, as the file engine reads it.
    const double real = leadingNumber(std::string_view(text, size));
    return static_cast<std::int64_t>(real);
}

namespace {

bool isFloatType(Oid type)
{
    return type == kFloat4 || type == kFloat8;
}

// A double as the file engine writes it as text: fifteen significant digits, and a point always
// ("500.0", "1.0e+20").
std::string fileEngineText(double value)
{
    if (value == 0)
        return "0.0";
    char buffer[64];
    auto written = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
    std::string text(buffer, written.ptr);
    const size_t exponent = text.find('e');
    const std::string mantissa = text.substr(0, exponent);
    if (mantissa.find('.') == std::string::npos && std::isfinite(value))
        text.insert(exponent == std::string::npos ? text.size() : exponent, ".0");
    return text;
}

} // namespace

double ServerRows::columnDouble(int column) const
{
    if (isNull(column))
        return 0;
    const char* text = PQgetvalue(m_result, m_row, column);
    const size_t size = static_cast<size_t>(PQgetlength(m_result, m_row, column));
    if (PQftype(m_result, column) == kBool)
        return text[0] == 't' ? 1 : 0;
    double value = 0;
    auto [end, error] = std::from_chars(text, text + size, value);
    if (error != std::errc() || end != text + size)
        value = leadingNumber(std::string_view(text, size));
    // The file engine keeps no negative zero.
    return value == 0 ? 0.0 : value;
}

std::string ServerRows::columnText(int column) const
{
    if (isNull(column))
        return {};
    const char* text = PQgetvalue(m_result, m_row, column);
    if (PQftype(m_result, column) == kBool)
        return text[0] == 't' ? "1" : "0";
    if (isFloatType(PQftype(m_result, column)))
        return fileEngineText(columnDouble(column));
    return std::string(text, static_cast<size_t>(PQgetlength(m_result, m_row, column)));
}

std::string ServerRows::columnName(int column) const
{
    // The server folds names to small letters and names a computed column after its function;
    // the file engine keeps the statement's spelling and names a computed column by its text.
    // So the name is spelled as the statement spells it, and a computed column that the statement
    // gives no name of its own ("AS name") is named as no field could be.
    const char* folded = PQfname(m_result, column);
    const std::string name = folded ? folded : "";
    auto isWord = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; };
    auto lower = [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); };
    std::string spelled;
    bool aliased = false;
    for (size_t at = 0; at + name.size() <= m_sql.size() && !name.empty(); ++at) {
        if ((at > 0 && isWord(m_sql[at - 1])) || (at + name.size() < m_sql.size() && isWord(m_sql[at + name.size()])))
            continue;
        bool same = true;
        for (size_t k = 0; k < name.size() && same; ++k)
            same = lower(m_sql[at + k]) == name[k];
        if (!same)
            continue;
        if (spelled.empty())
            spelled = m_sql.substr(at, name.size());
        size_t back = at;
        while (back > 0 && m_sql[back - 1] == ' ')
            --back;
        if (back >= 2 && lower(m_sql[back - 1]) == 's' && lower(m_sql[back - 2]) == 'a'
            && (back == 2 || !isWord(m_sql[back - 3]))) {
            aliased = true;
            spelled = m_sql.substr(at, name.size());
            break;
        }
    }
    if (!isPlainField(column) && !aliased)
        return "?column?";
    return spelled.empty() ? name : spelled;
}

bool ServerRows::isPlainField(int column) const
{
    return PQftable(m_result, column) != InvalidOid;
}

SqlValue ServerRows::columnValue(int column) const
{
    if (isNull(column))
        return SqlNull{};
    switch (PQftype(m_result, column)) {
    case kBool:
    case kInt2:
    case kInt4:
    case kInt8:
    case kOid:
        return columnInt(column);
    case kFloat4:
    case kFloat8:
    case kNumeric:
        return columnDouble(column);
    default:
        return columnText(column);
    }
}

// ---- connection ----

ServerConnection::ServerConnection(PGconn* conn, ServerLocation location)
    : m_conn(conn), m_location(std::move(location)), m_text(serverLocationText(m_location))
{
    PQsetNoticeReceiver(m_conn, ignoreNotices, nullptr);
}

ServerConnection::~ServerConnection()
{
    PQfinish(m_conn);
}

std::unique_ptr<ServerConnection> ServerConnection::connect(const ServerLocation& location, bool readOnly)
{
    const std::string text = serverLocationText(location);
    PGconn* conn = openConnection(location, location.database);
    if (PQstatus(conn) != CONNECTION_OK)
        raiseConnectFailure(conn, location, text);
    std::unique_ptr<ServerConnection> connection(new ServerConnection(conn, location));
    connection->m_readOnly = readOnly;
    connection->setUpSession();
    if (location.year != 0) {
        const std::string schema = yearSchemaName(location.year);
        auto rows = connection->run("SELECT count(*) FROM pg_namespace WHERE nspname=?1", {schema});
        rows->step();
        if (rows->columnInt(0) == 0)
            throw DatabaseError("no year " + std::to_string(location.year) + " in database \"" + location.database
                                    + "\"",
                                SQLITE_CANTOPEN, text, ENOENT);
        connection->useYear();
    }
    return connection;
}

void ServerConnection::setUpSession()
{
    // Every writing transaction reads what others committed before it (whatever the server's
    // default), a statement waits for another client's lock no longer than on a file, and the
    // server's notices stay out of the way.
    runOwn("SET client_min_messages = warning");
    runOwn("SET default_transaction_isolation = 'read committed'");
    runOwn("SET lock_timeout = " + std::to_string(m_lockTimeoutMs));
    if (m_readOnly)
        runOwn("SET default_transaction_read_only = on");
}

void ServerConnection::useYear()
{
    runOwn("SET search_path TO " + yearSchemaName(m_location.year));
    // The year is in use for as long as this connection is open: a shared hold that a client who
    // would delete the year cannot get past.
    runOwn("SELECT pg_advisory_lock_shared(" + std::to_string(kHoldKey) + "," + std::to_string(m_location.year) + ")");
}

bool ServerConnection::usedElsewhere()
{
    auto rows = run("SELECT pg_try_advisory_lock(" + std::to_string(kHoldKey) + "," + std::to_string(m_location.year)
                        + ")",
                    {});
    rows->step();
    if (rows->columnInt(0) == 0)
        return true;
    runOwn("SELECT pg_advisory_unlock(" + std::to_string(kHoldKey) + "," + std::to_string(m_location.year) + ")");
    return false;
}

void ServerConnection::setLockTimeout(int milliseconds)
{
    m_lockTimeoutMs = milliseconds;
    if (PQstatus(m_conn) == CONNECTION_OK)
        runOwn("SET lock_timeout = " + std::to_string(milliseconds));
}

void ServerConnection::reconnectIfLost()
{
    // A server restarted, or a network that dropped the connection: outside a transaction the
    // connection is made again, so the next action works without a new login.
    if (PQstatus(m_conn) == CONNECTION_OK || m_transactionOpen)
        return;
    PQreset(m_conn);
    if (PQstatus(m_conn) != CONNECTION_OK)
        return;
    setUpSession();
    if (m_location.year != 0)
        useYear();
}

std::unique_ptr<ServerConnection> ServerConnection::createYear(const ServerLocation& location, bool keepOpen)
{
    ServerLocation database = location;
    database.year = 0;
    const std::string text = serverLocationText(location);
    PGconn* conn = openConnection(location, location.database);
    if (PQstatus(conn) != CONNECTION_OK) {
        // A new account set on the server: its database is made when the user may make one.
        PQfinish(conn);
        PGconn* maintenance = openConnection(location, "postgres");
        if (PQstatus(maintenance) != CONNECTION_OK) {
            PQfinish(maintenance);
            raiseConnectFailure(openConnection(location, location.database), location, text);
        }
        std::unique_ptr<ServerConnection> admin(new ServerConnection(maintenance, database));
        // The name is a checked identifier (letters, digits, "_" and "-"), quoted.
        admin->runOwn("CREATE DATABASE \"" + location.database
                      + "\" TEMPLATE template0 ENCODING 'UTF8' LC_COLLATE 'C' LC_CTYPE 'C'");
        conn = openConnection(location, location.database);
        if (PQstatus(conn) != CONNECTION_OK)
            raiseConnectFailure(conn, location, text);
    }
    std::unique_ptr<ServerConnection> connection(new ServerConnection(conn, location));
    connection->setUpSession();
    const std::string schema = yearSchemaName(location.year);
    // The year is made in one transaction, with what the caller fills in when kept open: until
    // it commits no other client sees the year; a failure or a kill leaves nothing.
    connection->beginWriting(connection->m_lockTimeoutMs);
    try {
        auto rows = connection->run("SELECT count(*) FROM pg_namespace WHERE nspname=?1", {schema});
        rows->step();
        if (rows->columnInt(0) != 0)
            throw DatabaseError(std::strerror(EEXIST), 0, text, EEXIST);
        connection->runOwn("CREATE SCHEMA " + schema);
        connection->runOwn("SET search_path TO " + schema);
        for (const std::string& statement : serverFunctionStatements())
            connection->runOwn(statement);
    } catch (const DatabaseError& error) {
        connection->rollback();
        // Another client made the same year meanwhile.
        if (std::string_view(error.what()).find("already exists") != std::string_view::npos)
            throw DatabaseError(std::strerror(EEXIST), 0, text, EEXIST);
        throw;
    }
    if (keepOpen)
        connection->m_creationPending = true;
    else
        connection->commit();
    return connection;
}

std::vector<int> ServerConnection::yearsOf(const ServerLocation& location)
{
    ServerLocation database = location;
    database.year = 0;
    std::unique_ptr<ServerConnection> connection = connect(database, true);
    std::vector<int> years;
    auto rows = connection->run("SELECT nspname FROM pg_namespace WHERE nspname ~ '^y[0-9]{4}$' ORDER BY nspname", {});
    while (rows->step())
        years.push_back(std::stoi(rows->columnText(0).substr(1)));
    return years;
}

bool ServerConnection::dropYear(const ServerLocation& location)
{
    ServerLocation database = location;
    database.year = 0;
    std::unique_ptr<ServerConnection> connection = connect(database, false);
    const std::string schema = yearSchemaName(location.year);
    auto rows = connection->run("SELECT count(*) FROM pg_namespace WHERE nspname=?1", {schema});
    rows->step();
    if (rows->columnInt(0) == 0)
        return false;
    connection->runOwn("DROP SCHEMA " + schema + " CASCADE");
    return true;
}

bool ServerConnection::dropDatabase(const ServerLocation& location)
{
    PGconn* maintenance = openConnection(location, "postgres");
    if (PQstatus(maintenance) != CONNECTION_OK)
        raiseConnectFailure(maintenance, location, serverLocationText(location));
    ServerLocation admin = location;
    admin.year = 0;
    std::unique_ptr<ServerConnection> connection(new ServerConnection(maintenance, admin));
    auto rows = connection->run("SELECT count(*) FROM pg_database WHERE datname=?1", {location.database});
    rows->step();
    if (rows->columnInt(0) == 0)
        return false;
    connection->runOwn("DROP DATABASE IF EXISTS \"" + location.database + "\" WITH (FORCE)");
    return true;
}

void ServerConnection::raise(PGresult* result) const
{
    const char* state = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
    const char* primary = result ? PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
    std::string message = trimmedMessage(primary ? primary : PQerrorMessage(m_conn));
    // Copied: the result holding the texts is freed before the error is raised.
    const std::string code = state ? state : (PQstatus(m_conn) == CONNECTION_OK ? "" : "08006");
    // The store tells a missing table or field by the file engine's words.
    if (code == "42P01") {
        // relation "name" does not exist
        const size_t open = message.find('"');
        const size_t close = open == std::string::npos ? open : message.find('"', open + 1);
        message = "no such table: "
                  + (close == std::string::npos ? message : message.substr(open + 1, close - open - 1));
    } else if (code == "42703") {
        message = "no such column: " + message;
    }
    PQclear(result);
    throw DatabaseError(message, codeForState(code), m_text, code == "53100" ? ENOSPC : 0);
}

void ServerConnection::check(PGresult* result, int expected) const
{
    const ExecStatusType status = PQresultStatus(result);
    if (status != expected && status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
        raise(result);
}

std::unique_ptr<ServerRows> ServerConnection::run(std::string_view sql, const SqlParams& params)
{
    reconnectIfLost();
    int expected = 0;
    const std::string text = translateForServer(sql, &expected);
    if (expected != static_cast<int>(params.size()))
        throw DatabaseError("statement expects " + std::to_string(expected) + " parameters, got "
                            + std::to_string(params.size()));
    std::vector<std::string> values;
    values.reserve(params.size());
    std::vector<const char*> pointers;
    pointers.reserve(params.size());
    for (const SqlValue& value : params)
        values.push_back(valueText(value));
    for (size_t i = 0; i < params.size(); ++i)
        pointers.push_back(std::holds_alternative<SqlNull>(params[i]) ? nullptr : values[i].c_str());
    // Every value goes as text of no stated type: the server reads it as the field or function it
    // meets needs, as the file engine converts by a field's affinity.
    PGresult* result = PQexecParams(m_conn, text.c_str(), static_cast<int>(params.size()), nullptr,
                                    pointers.data(), nullptr, nullptr, 0);
    if (!result)
        raise(nullptr);
    check(result, PGRES_TUPLES_OK);
    const char* tuples = PQcmdTuples(result);
    m_changes = tuples && *tuples ? std::atoi(tuples) : 0;
    return std::make_unique<ServerRows>(result, text);
}

void ServerConnection::runOwn(const std::string& sql)
{
    PGresult* result = PQexec(m_conn, sql.c_str());
    if (!result)
        raise(nullptr);
    check(result, PGRES_COMMAND_OK);
    PQclear(result);
}

bool ServerConnection::inTransaction() const
{
    return PQtransactionStatus(m_conn) != PQTRANS_IDLE;
}

void ServerConnection::beginWriting(int timeoutMs)
{
    if (m_creationPending) {
        // The transaction that makes the year is already open, with the lock.
        m_creationPending = false;
        return;
    }
    reconnectIfLost();
    runOwn("BEGIN ISOLATION LEVEL READ COMMITTED");
    m_transactionOpen = true;
    try {
        runOwn("SET LOCAL lock_timeout = " + std::to_string(timeoutMs));
        runOwn("SELECT pg_advisory_xact_lock(" + std::to_string(kWriteLockKey) + ","
               + std::to_string(m_location.year) + ")");
    } catch (...) {
        rollback();
        throw;
    }
}

void ServerConnection::beginReading()
{
    reconnectIfLost();
    // One moment of the year for the whole read, without holding anyone up.
    runOwn("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY");
    m_transactionOpen = true;
}

void ServerConnection::commit()
{
    PGresult* result = PQexec(m_conn, "COMMIT");
    m_transactionOpen = false;
    if (!result || PQresultStatus(result) != PGRES_COMMAND_OK)
        raise(result);
    // A transaction that failed earlier answers COMMIT with a rollback: that is no success.
    const bool committed = std::string_view(PQcmdStatus(result)) == "COMMIT";
    PQclear(result);
    if (!committed)
        throw DatabaseError("the transaction was rolled back by the server", SQLITE_ERROR, m_text);
}

void ServerConnection::rollback()
{
    PQclear(PQexec(m_conn, "ROLLBACK"));
    m_transactionOpen = false;
}

void ServerConnection::forEachRow(const std::string& sql,
                                  const std::function<void(const std::vector<SqlValue>&)>& row)
{
    const bool own = !inTransaction();
    if (own)
        runOwn("BEGIN");
    try {
        runOwn("DECLARE ks_rows NO SCROLL CURSOR FOR " + translateForServer(sql));
        std::vector<SqlValue> values;
        for (;;) {
            std::unique_ptr<ServerRows> batch = run("FETCH " + std::to_string(kCursorBatch) + " FROM ks_rows", {});
            int count = 0;
            while (batch->step()) {
                ++count;
                values.clear();
                for (int c = 0; c < batch->columnCount(); ++c)
                    values.push_back(batch->columnValue(c));
                row(values);
            }
            if (count < kCursorBatch)
                break;
        }
        runOwn("CLOSE ks_rows");
        if (own)
            runOwn("COMMIT");
    } catch (...) {
        if (own)
            PQclear(PQexec(m_conn, "ROLLBACK"));
        throw;
    }
}

namespace {

void appendCopyField(std::string& line, const SqlValue& value)
{
    if (std::holds_alternative<SqlNull>(value)) {
        line += "\\N";
        return;
    }
    for (char c : valueText(value)) {
        switch (c) {
        case '\\': line += "\\\\"; break;
        case '\t': line += "\\t"; break;
        case '\n': line += "\\n"; break;
        case '\r': line += "\\r"; break;
        default: line += c;
        }
    }
}

} // namespace

std::int64_t ServerConnection::copyIn(const std::string& table, const std::vector<std::string>& fields,
                                      const std::function<bool(std::vector<SqlValue>&)>& next)
{
    std::string list;
    for (const std::string& field : fields)
        list += (list.empty() ? "" : ",") + ("\"" + field + "\"");
    PGresult* start = PQexec(m_conn, translateForServer("COPY \"" + table + "\"(" + list + ") FROM STDIN").c_str());
    if (PQresultStatus(start) != PGRES_COPY_IN)
        raise(start);
    PQclear(start);
    std::int64_t count = 0;
    std::string chunk;
    std::vector<SqlValue> values;
    bool failed = false;
    while (next(values)) {
        for (size_t i = 0; i < values.size(); ++i) {
            if (i)
                chunk += '\t';
            appendCopyField(chunk, values[i]);
        }
        chunk += '\n';
        ++count;
        if (chunk.size() > (1 << 20)) {
            if (PQputCopyData(m_conn, chunk.data(), static_cast<int>(chunk.size())) != 1) {
                failed = true;
                break;
            }
            chunk.clear();
        }
    }
    if (!failed && !chunk.empty() && PQputCopyData(m_conn, chunk.data(), static_cast<int>(chunk.size())) != 1)
        failed = true;
    PQputCopyEnd(m_conn, failed ? "copy failed" : nullptr);
    PGresult* end = PQgetResult(m_conn);
    ResultGuard guard{nullptr};
    if (PQresultStatus(end) != PGRES_COMMAND_OK)
        raise(end);
    guard.result = end;
    while (PGresult* more = PQgetResult(m_conn))
        PQclear(more);
    return count;
}

// ---- functions of the program's SQL ----

const std::vector<std::string>& serverFunctionStatements()
{
    // val: the leading number of a text (read as a double, given as an exact decimal so that a
    // whole number reads as one) (blanks, sign, digits, a point, an exponent only with its
    // digits); 0 when there is none, for NULL, and for a number too large to hold.
    // strcomp: -1, 0 or 1, byte by byte; mode 1 compares the Latin letters regardless of case.
    // cstr: a number as text, without exponent, fifteen significant digits, no trailing zeros.
    static const std::vector<std::string> statements = {
        R"(CREATE FUNCTION val(s text) RETURNS numeric LANGUAGE plpgsql IMMUTABLE PARALLEL SAFE AS $f$
DECLARE m text[]; e integer := 0; v double precision;
BEGIN
  IF s IS NULL THEN RETURN 0; END IF;
  m := regexp_match(s, '^[ \t]*([+-]?)([0-9]+(\.[0-9]*)?|\.[0-9]+)([eE][+-]?[0-9]+)?');
  IF m IS NULL THEN RETURN 0; END IF;
  IF m[4] IS NOT NULL THEN
    IF length(m[4]) > 6 THEN RETURN 0; END IF;
    e := substr(m[4], 2)::integer;
  END IF;
  IF length(split_part(ltrim(m[2], '0'), '.', 1)) + e > 308 THEN RETURN 0; END IF;
  IF length(split_part(ltrim(m[2], '0'), '.', 1)) + e < -300 THEN RETURN 0; END IF;
  v := (m[2] || coalesce(m[4], ''))::double precision;
  -- As a number that is written without ".0" when whole, as the file engine gives a whole value.
  RETURN (CASE WHEN m[1] = '-' THEN -v ELSE v END)::numeric;
END $f$)",
        "CREATE FUNCTION val(n integer) RETURNS bigint LANGUAGE sql IMMUTABLE PARALLEL SAFE AS "
        "'SELECT coalesce(n, 0)'",
        "CREATE FUNCTION val(n bigint) RETURNS bigint LANGUAGE sql IMMUTABLE PARALLEL SAFE AS "
        "'SELECT coalesce(n, 0)'",
        "CREATE FUNCTION val(n double precision) RETURNS double precision LANGUAGE sql IMMUTABLE PARALLEL SAFE AS "
        "'SELECT coalesce(n, 0)'",
        R"(CREATE FUNCTION strcomp(a text, b text, mode integer DEFAULT 0) RETURNS integer LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $f$
SELECT CASE WHEN a IS NULL OR b IS NULL THEN NULL
  WHEN coalesce(mode, 0) = 0 THEN
    CASE WHEN a COLLATE "C" < b COLLATE "C" THEN -1 WHEN a COLLATE "C" > b COLLATE "C" THEN 1 ELSE 0 END
  ELSE
    CASE WHEN upper(a COLLATE "C") < upper(b COLLATE "C") THEN -1
         WHEN upper(a COLLATE "C") > upper(b COLLATE "C") THEN 1 ELSE 0 END
END $f$)",
        "CREATE FUNCTION cstr(s text) RETURNS text LANGUAGE sql IMMUTABLE PARALLEL SAFE AS 'SELECT s'",
        "CREATE FUNCTION cstr(n bigint) RETURNS text LANGUAGE sql IMMUTABLE PARALLEL SAFE AS 'SELECT n::text'",
        R"(CREATE FUNCTION cstr(v double precision) RETURNS text LANGUAGE plpgsql IMMUTABLE PARALLEL SAFE AS $f$
DECLARE d integer := 0; t text;
BEGIN
  IF v IS NULL THEN RETURN NULL; END IF;
  IF v = 0 OR v = 'NaN'::double precision OR v = 'Infinity'::double precision
     OR v = '-Infinity'::double precision THEN RETURN '0'; END IF;
  IF v <> floor(v) THEN d := least(greatest(14 - floor(log(abs(v)))::integer, 0), 30); END IF;
  t := round(v::numeric, d)::text;
  IF position('.' in t) > 0 THEN t := rtrim(rtrim(t, '0'), '.'); END IF;
  IF t = '-0' THEN t := '0'; END IF;
  RETURN t;
END $f$)",
        // The file engine's instr and round of a double, half away from zero.
        "CREATE FUNCTION instr(a text, b text) RETURNS integer LANGUAGE sql IMMUTABLE PARALLEL SAFE AS "
        "'SELECT strpos(a, b)'",
        "CREATE FUNCTION round(v double precision, d integer) RETURNS double precision LANGUAGE sql IMMUTABLE "
        "PARALLEL SAFE AS 'SELECT round(v::numeric, d)::double precision'",
        "CREATE AGGREGATE total(double precision) (SFUNC = float8pl, STYPE = double precision, INITCOND = '0')",
    };
    return statements;
}

} // namespace kszw
