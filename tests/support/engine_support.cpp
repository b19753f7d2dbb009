#include "support/engine_support.h"

#include "store/statement.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace kszw::test {

namespace {

std::string quoted(const SqlValue& value)
{
    if (std::holds_alternative<SqlNull>(value))
        return "NULL";
    if (const auto* integer = std::get_if<std::int64_t>(&value))
        return std::to_string(*integer);
    if (const auto* real = std::get_if<double>(&value)) {
        char buffer[64];
        auto written = std::to_chars(buffer, buffer + sizeof buffer, *real, std::chars_format::general, 15);
        std::string text(buffer, written.ptr);
        if (text.find_first_of(".en") == std::string::npos)
            text += ".0";
        return text;
    }
    std::string text = "'";
    for (char c : std::get<std::string>(value)) {
        text += c;
        if (c == '\'')
            text += '\'';
    }
    return text + "'";
}

} // namespace

std::vector<std::string> tableRows(Database& db, const std::string& table)
{
    std::string fields;
    for (const std::string& name : db.columnNames(table))
        fields += (fields.empty() ? "" : ",") + name;
    std::vector<std::string> rows;
    Statement select = db.prepare("SELECT " + fields + " FROM " + table + (db.onServer() ? "" : " ORDER BY rowid"));
    while (select.step()) {
        std::string row;
        for (int c = 0; c < select.columnCount(); ++c)
            row += (c ? "|" : "") + quoted(select.columnValue(c));
        rows.push_back(row);
    }
    if (db.onServer())
        std::sort(rows.begin(), rows.end());
    return rows;
}

void addRefusingTrigger(Database& db, const std::string& name, const std::string& event, const std::string& table,
                        const std::string& condition, const std::string& message)
{
    if (!db.onServer()) {
        db.execute("CREATE TRIGGER " + name + " " + event + " ON " + table
                   + (condition.empty() ? "" : " WHEN " + condition) + " BEGIN SELECT RAISE(ABORT,'" + message
                   + "'); END");
        return;
    }
    db.execute("CREATE OR REPLACE FUNCTION " + name + "_refuse() RETURNS trigger LANGUAGE plpgsql AS "
               "'BEGIN RAISE EXCEPTION ''" + message + "''; END'");
    db.execute("CREATE TRIGGER " + name + " " + event + " ON " + table + " FOR EACH ROW"
               + (condition.empty() ? "" : " WHEN (" + condition + ")") + " EXECUTE FUNCTION " + name
               + "_refuse()");
}

void dropTrigger(Database& db, const std::string& name, const std::string& table)
{
    db.execute("DROP TRIGGER " + name + (db.onServer() ? " ON " + table : std::string()));
}

} // namespace kszw::test
