#include "store/ks_dbset.h"

#include "common/text.h"
#include "store/database_error.h"

#include <cctype>

namespace kszw {

namespace {

bool isIdentifier(std::string_view text)
{
    if (text.empty() || !(std::isalpha(static_cast<unsigned char>(text[0])) || text[0] == '_'))
        return false;
    for (char c : text)
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_'))
            return false;
    return true;
}

} // namespace

KS_Dbset::KS_Dbset(Database& db) : m_db(db) {}

KS_Dbset::KS_Dbset(int longCount, int doubleCount, int textCount, Database& db)
    : m_db(db), m_longNames(static_cast<size_t>(longCount)), m_doubleNames(static_cast<size_t>(doubleCount)),
      m_textNames(static_cast<size_t>(textCount))
{
}

void KS_Dbset::setLongName(int index, std::string name)
{
    m_longNames.at(static_cast<size_t>(index)) = std::move(name);
}

void KS_Dbset::setDoubleName(int index, std::string name)
{
    m_doubleNames.at(static_cast<size_t>(index)) = std::move(name);
}

void KS_Dbset::setTextName(int index, std::string name)
{
    m_textNames.at(static_cast<size_t>(index)) = std::move(name);
}

void KS_Dbset::open(std::string_view sql, const SqlParams& params)
{
    m_statement.emplace(m_db.prepare(sql, params));
    m_columnNames.clear();
    int computed = 0;
    for (int c = 0; c < m_statement->columnCount(); ++c) {
        std::string name = m_statement->columnName(c);
        if (!m_statement->isPlainField(c) && !isIdentifier(name))
            name = "Expr" + std::to_string(1000 + computed++);
        m_columnNames.push_back(name);
    }
    bindNames();
    m_eof = !m_statement->step();
}

void KS_Dbset::bindNames()
{
    auto bind = [&](const std::vector<std::string>& names, std::vector<int>& columns) {
        columns.clear();
        for (const std::string& name : names) {
            int found = -1;
            for (size_t c = 0; c < m_columnNames.size(); ++c)
                if (equalsIgnoreCase(m_columnNames[c], name)) {
                    found = static_cast<int>(c);
                    break;
                }
            if (found < 0)
                throw DatabaseError("Item not found in this collection: " + name);
            columns.push_back(found);
        }
    };
    bind(m_longNames, m_longColumns);
    bind(m_doubleNames, m_doubleColumns);
    bind(m_textNames, m_textColumns);
}

void KS_Dbset::moveNext()
{
    if (!m_statement || m_eof)
        throw DatabaseError("No current record.");
    m_eof = !m_statement->step();
}

void KS_Dbset::close()
{
    m_statement.reset();
    m_eof = true;
}

int KS_Dbset::columnCount() const
{
    return m_statement ? m_statement->columnCount() : 0;
}

std::int32_t KS_Dbset::longAt(int column) const
{
    if (!m_statement || m_eof)
        throw DatabaseError("No current record.");
    return static_cast<std::int32_t>(m_statement->columnInt(column));
}

double KS_Dbset::doubleAt(int column) const
{
    if (!m_statement || m_eof)
        throw DatabaseError("No current record.");
    return m_statement->columnDouble(column);
}

std::string KS_Dbset::textAt(int column) const
{
    if (!m_statement || m_eof)
        throw DatabaseError("No current record.");
    std::string text = m_statement->columnText(column);
    if (static_cast<int>(text.size()) > kMaxTextLength)
        text = leftChars(text, kMaxTextLength);
    return text;
}

bool KS_Dbset::isNullAt(int column) const
{
    if (!m_statement || m_eof)
        throw DatabaseError("No current record.");
    return m_statement->isNull(column);
}

std::string KS_Dbset::boundName(int column) const
{
    return m_columnNames.at(static_cast<size_t>(column));
}

std::int32_t KS_Dbset::longValue(int index) const
{
    return longAt(m_longColumns.at(static_cast<size_t>(index)));
}

double KS_Dbset::doubleValue(int index) const
{
    return doubleAt(m_doubleColumns.at(static_cast<size_t>(index)));
}

std::string KS_Dbset::textValue(int index) const
{
    return textAt(m_textColumns.at(static_cast<size_t>(index)));
}

} // namespace kszw
