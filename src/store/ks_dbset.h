// KS_Dbset: the row reader of query results. Columns are read by position with a type
// (integer, floating, text); text is cut at 255 characters like the original row buffer, and a
// NULL reads as 0 or empty text.
//
// The buffer can also be declared the classic way: counts of integer, floating and text columns,
// each bound to a result column by name. A plain field keeps its field name ("PY"); every computed
// column (function call, expression, aggregate) is named "Expr1000", "Expr1001" … in select-list
// order among the computed columns only. Names match without regard to case.
#pragma once

#include "store/database.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kszw {

class KS_Dbset {
public:
    static constexpr int kMaxTextLength = 255; // characters

    // A reader for positional access; call open() next.
    explicit KS_Dbset(Database& db);
    // A buffer with typed value arrays; name every column with the set…Name calls before open().
    KS_Dbset(int longCount, int doubleCount, int textCount, Database& db);

    void setLongName(int index, std::string name);
    void setDoubleName(int index, std::string name);
    void setTextName(int index, std::string name);

    // Runs the query and moves to its first row.
    void open(std::string_view sql, const SqlParams& params = {});
    // Positioned on the first row by open(); kept for callers that follow the classic pattern.
    void moveFirst() {}
    void moveNext();
    bool isEOF() const { return m_eof; }
    void close();

    // Select-list access on the current row.
    int columnCount() const;
    std::int32_t longAt(int column) const;
    double doubleAt(int column) const;
    std::string textAt(int column) const;
    bool isNullAt(int column) const;
    // The name of a result column as the buffer binds it ("PY", "Expr1000" …).
    std::string boundName(int column) const;

    // Value arrays of the classic buffer, read from the current row.
    std::int32_t longValue(int index) const;
    double doubleValue(int index) const;
    std::string textValue(int index) const;

private:
    void bindNames();

    Database& m_db;
    std::optional<Statement> m_statement;
    bool m_eof = true;
    std::vector<std::string> m_longNames, m_doubleNames, m_textNames;
    std::vector<int> m_longColumns, m_doubleColumns, m_textColumns;
    std::vector<std::string> m_columnNames;
};

} // namespace kszw
