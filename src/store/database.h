// One connection to a year data file (an SQLite database). Every statement goes through here with
// its values bound; every failure raises DatabaseError with the engine's text.
#pragma once

#include "store/file_hold.h"
#include "store/sql_value.h"
#include "store/statement.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct sqlite3;

namespace kszw {

class Database {
public:
    // How long a statement waits for another program that holds the file's lock.
    static constexpr int kBusyTimeoutMs = 5000;
    // The longest path the engine takes (its own limit for file names).
    static constexpr int kMaxPathLength = 512;

    Database() = default;
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;
    Database(Database&& other) noexcept;
    Database& operator=(Database&& other) noexcept;

    // Opens an existing file shared, read-write. Raises DatabaseError when the file is missing,
    // cannot be written (SQLITE_READONLY) or is not a database.
    static Database open(const std::string& path);
    // Opens an existing file for reading only (another year of the account set, read for a copy).
    static Database openReadOnly(const std::string& path);
    // Creates a new, empty database file; refuses (DatabaseError) when the file already exists.
    static Database create(const std::string& path);

    bool isOpen() const { return m_db != nullptr; }
    void close();
    const std::string& path() const { return m_path; }
    sqlite3* handle() const { return m_db; }

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
    // The declared type of a column ("CHAR(14)", "LONG" …), nothing when table or column is missing.
    std::optional<std::string> columnType(std::string_view table, std::string_view column);

    // How long a statement waits for another connection's lock before it fails with SQLITE_BUSY.
    void setBusyTimeout(int milliseconds);

    // Transaction nesting depth, kept by Transaction.
    int& transactionDepth() { return m_transactionDepth; }
    // True inside a Transaction (the write lock is held).
    bool inTransaction() const { return m_transactionDepth > 0; }

private:
    Database(sqlite3* db, std::string path);

    sqlite3* m_db = nullptr;
    std::string m_path;
    int m_transactionDepth = 0;
    FileHold m_hold; // the file is in use for as long as the connection is open
};

// The statement that counts the rows of a SELECT, as countFor builds it.
std::string countStatementFor(std::string_view selectSql);

} // namespace kszw
