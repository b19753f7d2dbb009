#include "store/table_copy.h"

#include "store/database.h"
#include "store/database_error.h"
#include "store/schema.h"
#include "store/server_engine.h"

#include <sqlite3.h>

#include <cctype>
#include <set>
#include <string>
#include <vector>

namespace kszw {

namespace {

bool sameName(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// A table or field name goes into the statement text, so only plain identifiers are taken.
bool isPlainIdentifier(std::string_view name)
{
    if (name.empty() || std::isdigit(static_cast<unsigned char>(name[0])))
        return false;
    for (char c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_')
            return false;
    return true;
}

std::string quoted(const std::string& name)
{
    return "\"" + name + "\"";
}

// Rows read from either engine and written to either: a server takes them in one bulk copy, a file
// one insert at a time inside the caller's transaction; a server's rows are read in batches.
int copyAcrossEngines(Database& source, Database& target, const std::string& table,
                      const std::vector<std::string>& fields, const std::string& fieldList,
                      const std::string& placeholders, const std::string& select)
{
    std::vector<std::vector<SqlValue>> pending;
    int copied = 0;
    const std::string insert = "INSERT INTO " + quoted(table) + "(" + fieldList + ") VALUES(" + placeholders + ")";
    auto write = [&](const std::vector<SqlValue>& values) {
        target.execute(insert, values);
        ++copied;
    };
    if (target.onServer()) {
        std::vector<std::string> lower;
        for (const std::string& field : fields) {
            std::string name = field;
            for (char& c : name)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            lower.push_back(name);
        }
        std::string tableName = table;
        for (char& c : tableName)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (source.onServer()) {
            source.server()->forEachRow(select, [&](const std::vector<SqlValue>& values) { pending.push_back(values); });
            size_t next = 0;
            copied = static_cast<int>(target.server()->copyIn(tableName, lower, [&](std::vector<SqlValue>& values) {
                if (next >= pending.size())
                    return false;
                values = std::move(pending[next++]);
                return true;
            }));
            return copied;
        }
        Statement rows = source.prepare(select);
        copied = static_cast<int>(target.server()->copyIn(tableName, lower, [&](std::vector<SqlValue>& values) {
            if (!rows.step())
                return false;
            values.clear();
            for (int c = 0; c < rows.columnCount(); ++c)
                values.push_back(rows.columnValue(c));
            return true;
        }));
        return copied;
    }
    source.server()->forEachRow(select, write);
    return copied;
}

} // namespace

int copyTableRows(Database& source, Database& target, std::string_view tableName)
{
    const std::string table(tableName);
    if (!isPlainIdentifier(table))
        throw DatabaseError("not a table name: " + table, SQLITE_ERROR);
    const std::vector<std::string> targetFields = target.columnNames(table);
    if (targetFields.empty())
        throw DatabaseError("no such table: " + table, SQLITE_ERROR, target.path());
    const std::vector<std::string> sourceFields = source.columnNames(table);
    if (sourceFields.empty())
        return 0;

    std::vector<std::string> shared;
    for (const std::string& field : targetFields)
        for (const std::string& candidate : sourceFields)
            if (sameName(field, candidate) && isPlainIdentifier(field)) {
                shared.push_back(field);
                break;
            }
    if (shared.empty())
        return 0;

    std::string fieldList;
    std::string placeholders;
    for (size_t i = 0; i < shared.size(); ++i) {
        fieldList += (i ? "," : "") + quoted(shared[i]);
        placeholders += (i ? ",?" : "?") + std::to_string(i + 1);
    }
    // Rows in the order they were written: a file's row numbers; on a server, where rows have no
    // such number, the order the server keeps them in.
    const std::string select = "SELECT " + fieldList + " FROM " + quoted(table)
                               + (source.onServer() ? "" : " ORDER BY rowid");
    if (source.onServer() || target.onServer())
        return copyAcrossEngines(source, target, table, shared, fieldList, placeholders, select);
    Statement rows = source.prepare(select);
    // Prepared with NULL in every place; each row binds the source's values over them.
    Statement insert = target.prepare("INSERT INTO " + quoted(table) + "(" + fieldList + ") VALUES(" + placeholders
                                          + ")",
                                      SqlParams(shared.size(), SqlNull{}));
    int copied = 0;
    while (rows.step()) {
        sqlite3_reset(insert.handle());
        for (size_t i = 0; i < shared.size(); ++i) {
            const int rc = sqlite3_bind_value(insert.handle(), static_cast<int>(i + 1),
                                              sqlite3_column_value(rows.handle(), static_cast<int>(i)));
            if (rc != SQLITE_OK)
                throw DatabaseError(sqlite3_errmsg(target.handle()), rc, target.path());
        }
        while (insert.step()) {
        }
        ++copied;
    }
    return copied;
}

} // namespace kszw

namespace kszw {

YearCopyCount copyYearInto(Database& source, Database& target)
{
    // The program's own tables with its own statements (declared types and indexes); any other
    // table of the source with its fields as the source has them.
    createAllTables(target);
    std::set<std::string> made;
    for (const std::string& table : target.tableNames()) {
        std::string name = table;
        for (char& c : name)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        made.insert(name);
    }
    for (const std::string& statement : source.schemaStatements()) {
        // "CREATE TABLE name(…)"
        const size_t open = statement.find('(');
        std::string name = statement.substr(13, open == std::string::npos ? std::string::npos : open - 13);
        for (char& c : name)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (!made.count(name))
            target.execute(statement);
    }
    YearCopyCount count;
    for (const std::string& table : source.tableNames()) {
        count.rows += copyTableRows(source, target, table);
        ++count.tables;
    }
    // The server plans its statements from what it knows of the tables: told at once, not a
    // minute later by its own housekeeping.
    if (target.onServer())
        for (const std::string& table : target.tableNames())
            if (isPlainIdentifier(table))
                target.execute("ANALYZE " + table);
    return count;
}

} // namespace kszw
