// One connection to a year: a year data file (an SQLite database) or a year on a database server
// (a location "postgresql://host:port/database?year=2026", see store/location.h). Every statement
// goes through here with its values bound; every failure raises DatabaseError with the engine's
// text. The program's SQL is the same for both engines.
#pragma once

#include "store/file_hold.h"
#include "store/sql_value.h"
#include "store/statement.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;

namespace kszw {

class ServerConnection;

class Database {
public:
    // How long a statement waits for another program that holds the file's lock.
    static constexpr int kBusyTimeoutMs = 5000;
    // The longest path the engine takes (its own limit for file names).
    static constexpr int kMaxPathLength = 512;

    Database();
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;
    Database(Database&& other) noexcept;
    Database& operator=(Database&& other) noexcept;

    // Opens an existing file shared, read-write. Raises DatabaseError when the file is missing,
    // cannot be written (SQLITE_READONLY) or is not a database. A server location opens that year
    // on the server (CANTOPEN with ENOENT when the database or the year does not exist).
    static Database open(const std::string& path);
    // Opens an existing file for reading only (another year of the account set, read for a copy).
    static Database openReadOnly(const std::string& path);
    // Creates a new, empty database file; refuses (DatabaseError) when the file already exists.
    // For a server location: the year's schema with the program's SQL functions.
    static Database create(const std::string& path);
    // For a server location: the same, but the year appears only when the connection's first
    // Transaction commits (so it is made and filled all or nothing). A file: create.
    static Database createForFilling(const std::string& path);

    bool isOpen() const { return m_db != nullptr || m_server != nullptr; }
    void close();
    // The file's path, or the server location.
    const std::string& path() const { return m_path; }
    // The file engine's connection; null for a year on a server.
    sqlite3* handle() const { return m_db; }
    // The server's connection; null for a year file.
    ServerConnection* server() const { return m_server.get(); }
    bool onServer() const { return m_server != nullptr; }
    // For a year on a server: true when another client has the year open (logged in, even idle).
    bool usedElsewhere();

    // Runs one INSERT, UPDATE, DELETE or CREATE statement.
    void execute(std::string_view sql, const SqlParams& params = {});
    // Rows changed by the last execute.
    int changes() const;
    // Prepares a query; the caller steps through its rows.
    Statement prepare(std::string_view sql, const SqlParams& params = {});

    // The integer of the first column of the first row; raises when there is no row
    // (used with aggregates, which always give one row). NULL reads as 0.
    std::int32_t queryLong(std::string_view sql, const SqlParams& params = {});
    // The same, but 0 when the result has no row.
    std::int32_t queryLongOrZero(std::string_view sql, const SqlParams& params = {});
    // The floating value of the first column of the first row; nothing when no row or NULL.
    std::optional<double> queryDouble(std::string_view sql, const SqlParams& params = {});
    // The text of the first column of the first row; nothing when no row or NULL.
    std::optional<std::string> queryText(std::string_view sql, const SqlParams& params = {});
    // Counts the rows a SELECT would give: "SELECT COUNT(*) " + its text from the first "FROM" up
    // to the first "ORDER" (both found case-sensitively, so the statement spells them in capitals).
    std::int32_t countFor(std::string_view selectSql, const SqlParams& params = {});

    // True when the file has a table of that name (case-blind).
    bool tableExists(std::string_view table);
    // The declared type of a column ("CHAR(14)", "LONG" …; the server's type name on a server),
    // nothing when table or column is missing.
    std::optional<std::string> columnType(std::string_view table, std::string_view column);
    // The fields of a table in declaration order; empty when the table does not exist.
    std::vector<std::string> columnNames(std::string_view table);
    // The names of the tables, in the order they were made.
    std::vector<std::string> tableNames();
    // A statement that makes each table with its fields and the file engine's types (LONG,
    // DOUBLE, TEXT), built from the fields (tables and fields of other than plain names left out),
    // in the order the tables were made; no indexes.
    std::vector<std::string> schemaStatements();
    // True when an index of that name exists (case-blind).
    bool indexExists(std::string_view index);

    // How long a statement waits for another connection's lock before it fails with SQLITE_BUSY.
    void setBusyTimeout(int milliseconds);

    // The wait set by setBusyTimeout.
    int busyTimeout() const { return m_busyTimeoutMs; }

    // Transaction nesting depth, kept by Transaction.
    int& transactionDepth() { return m_transactionDepth; }
    // True inside a Transaction (the write lock is held).
    bool inTransaction() const { return m_transactionDepth > 0; }

private:
    Database(sqlite3* db, std::string path);
    Database(std::unique_ptr<ServerConnection> server, std::string location);

    sqlite3* m_db = nullptr;
    std::unique_ptr<ServerConnection> m_server;
    std::string m_path;
    int m_transactionDepth = 0;
    int m_busyTimeoutMs = kBusyTimeoutMs;
    FileHold m_hold; // the file is in use for as long as the connection is open
};

// The statement that counts the rows of a SELECT, as countFor builds it.
std::string countStatementFor(std::string_view selectSql);

} // namespace kszw
