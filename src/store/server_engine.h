// The server engine: one connection to a year on a PostgreSQL server, through its client library.
// Only store/ sees this; the rest of the program talks to Database and Statement, which hand each
// statement here when the year lives on a server.
#pragma once

#include "store/location.h"
#include "store/sql_value.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct pg_conn;
struct pg_result;

namespace kszw {

// The rows of one statement, read whole from the server.
class ServerRows {
public:
    ServerRows(pg_result* result, std::string sql);
    ~ServerRows();
    ServerRows(const ServerRows&) = delete;
    ServerRows& operator=(const ServerRows&) = delete;

    bool step();
    int columnCount() const;
    bool isNull(int column) const;
    std::int64_t columnInt(int column) const;
    double columnDouble(int column) const;
    std::string columnText(int column) const;
    std::string columnName(int column) const;
    bool isPlainField(int column) const;
    SqlValue columnValue(int column) const;

private:
    pg_result* m_result;
    int m_rows;
    std::string m_sql; // as sent, for the names of the columns
    int m_row = -1;
};

class ServerConnection {
public:
    // Connects to the location's database and, when the location names a year, to that year's
    // schema. Raises DatabaseError: CANTOPEN when the server cannot be reached, the database or the
    // year's schema does not exist; the location is the error's path.
    static std::unique_ptr<ServerConnection> connect(const ServerLocation& location, bool readOnly);
    // Creates the year's schema with the functions val, strcomp and cstr (and the database when it
    // does not exist yet and the user may create it), and connects to it. Refuses (EEXIST) when the
    // year already exists.
    // With keepOpen the transaction that makes the year stays open: the first Transaction on the
    // connection carries on with it, and the year appears only when that one commits.
    static std::unique_ptr<ServerConnection> createYear(const ServerLocation& location, bool keepOpen);
    // The years the database holds (its schemas named y and four digits), in order.
    static std::vector<int> yearsOf(const ServerLocation& location);
    // Removes a year with everything in it; false when it did not exist.
    static bool dropYear(const ServerLocation& location);
    // Removes the location's database; false when it did not exist.
    static bool dropDatabase(const ServerLocation& location);

    ~ServerConnection();
    ServerConnection(const ServerConnection&) = delete;
    ServerConnection& operator=(const ServerConnection&) = delete;

    const std::string& locationText() const { return m_text; }
    const ServerLocation& location() const { return m_location; }

    // Runs one statement of the program (rewritten to the server's dialect) with its values.
    std::unique_ptr<ServerRows> run(std::string_view sql, const SqlParams& params);
    // Runs a statement of the store's own, as written, without values.
    void runOwn(const std::string& sql);
    int changes() const { return m_changes; }

    // Starts the outermost writing transaction: one writer per year at a time, as with a file.
    void beginWriting(int timeoutMs);
    // Starts a read of one moment of the year that holds no writer up.
    void beginReading();
    // Ends the open transaction; commit raises when the server rolled it back instead.
    void commit();
    void rollback();
    // True when another client has this year open (its shared hold is there).
    bool usedElsewhere();
    // How long a statement waits for another client's lock.
    void setLockTimeout(int milliseconds);

    // Streams the rows of a query in batches through a cursor (for copies of big tables); the
    // callback gets each row's values in column order.
    void forEachRow(const std::string& sql, const std::function<void(const std::vector<SqlValue>&)>& row);
    // Bulk insert of rows into a table's fields; next fills the row and returns false when done.
    std::int64_t copyIn(const std::string& table, const std::vector<std::string>& fields,
                        const std::function<bool(std::vector<SqlValue>&)>& next);

    bool inTransaction() const;

private:
    ServerConnection(pg_conn* conn, ServerLocation location);
    void setUpSession();
    void useYear();
    void reconnectIfLost();
    [[noreturn]] void raise(pg_result* result) const;
    void check(pg_result* result, int expected) const;

    pg_conn* m_conn;
    ServerLocation m_location;
    std::string m_text;
    int m_changes = 0;
    int m_lockTimeoutMs = 5000;
    bool m_readOnly = false;
    bool m_transactionOpen = false;
    bool m_creationPending = false; // createYear's transaction waits for the first Transaction
};

// The statements that give a new year's schema the functions of the program's SQL.
const std::vector<std::string>& serverFunctionStatements();

} // namespace kszw
