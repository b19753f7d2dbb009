#include "store/table_copy.h"

#include "store/database.h"
#include "store/database_error.h"

#include <sqlite3.h>

#include <cctype>
#include <string>
#include <vector>

namespace kszw {

namespace {

// The names of a table's fields in declaration order; empty when the table does not exist.
std::vector<std::string> fieldNames(Database& db, const std::string& table)
{
    std::vector<std::string> names;
    Statement info = db.prepare("SELECT name FROM pragma_table_info(?1) ORDER BY cid", {table});
    while (info.step())
        names.push_back(info.columnText(0));
    return names;
}

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

} // namespace

int copyTableRows(Database& source, Database& target, std::string_view tableName)
{
    const std::string table(tableName);
    if (!isPlainIdentifier(table))
        throw DatabaseError("not a table name: " + table, SQLITE_ERROR);
    const std::vector<std::string> targetFields = fieldNames(target, table);
    if (targetFields.empty())
        throw DatabaseError("no such table: " + table, SQLITE_ERROR, target.path());
    const std::vector<std::string> sourceFields = fieldNames(source, table);
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
    Statement rows = source.prepare("SELECT " + fieldList + " FROM " + quoted(table) + " ORDER BY rowid");
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
