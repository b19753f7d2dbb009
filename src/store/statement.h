// A prepared statement with its parameters bound: the RAII owner of one sqlite3_stmt, or the rows
// a server gave for the statement.
#pragma once

#include "store/sql_value.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace kszw {

class ServerConnection;
class ServerRows;

class Statement {
public:
    // Prepares the text and binds the parameters in order to ?1, ?2 …; raises DatabaseError.
    Statement(sqlite3* db, std::string_view sql, const SqlParams& params = {});
    // Runs the statement on a server at once; its rows are read whole.
    Statement(ServerConnection& server, std::string_view sql, const SqlParams& params = {});
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    Statement(Statement&& other) noexcept;
    Statement& operator=(Statement&& other) noexcept;

    // Moves to the next row: true when there is one, false when done; raises DatabaseError.
    bool step();

    int columnCount() const;
    bool isNull(int column) const;
    std::int64_t columnInt(int column) const;
    double columnDouble(int column) const;
    std::string columnText(int column) const;
    // The name the engine gives the result column (the field name, an alias or the expression text).
    std::string columnName(int column) const;
    // True when the result column is a plain field of a table (not computed).
    bool isPlainField(int column) const;
    // The value with the engine's own type (integer, double, text or NULL), for copies.
    SqlValue columnValue(int column) const;

    sqlite3_stmt* handle() const { return m_stmt; }

private:
    sqlite3* m_db = nullptr;
    sqlite3_stmt* m_stmt = nullptr;
    std::unique_ptr<ServerRows> m_rows;
};

} // namespace kszw
