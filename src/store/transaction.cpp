#include "store/transaction.h"

#include "store/database.h"
#include "store/server_engine.h"

#include <exception>
#include <stdexcept>
#include <string>

namespace kszw {

Transaction::Transaction(Database& db) : m_db(db)
{
    int& depth = m_db.transactionDepth();
    if (depth == 0 && m_db.onServer()) {
        m_db.server()->beginWriting(m_db.busyTimeout());
    } else if (depth == 0) {
        m_db.execute("BEGIN IMMEDIATE");
    } else {
        m_savepoint = "ks_savepoint_" + std::to_string(depth);
        m_db.execute("SAVEPOINT " + m_savepoint);
    }
    ++depth;
}

Transaction::~Transaction()
{
    if (m_done)
        return;
    --m_db.transactionDepth();
    try {
        if (m_savepoint.empty() && m_db.onServer()) {
            m_db.server()->rollback();
        } else if (m_savepoint.empty()) {
            m_db.execute("ROLLBACK");
        } else {
            m_db.execute("ROLLBACK TO " + m_savepoint);
            m_db.execute("RELEASE " + m_savepoint);
        }
    } catch (const std::exception&) {
        // The engine already rolled the transaction back (for instance after a full disk).
    }
}

void Transaction::commit()
{
    if (m_done)
        return;
    if (m_savepoint.empty() && m_db.onServer())
        m_db.server()->commit();
    else if (m_savepoint.empty())
        m_db.execute("COMMIT");
    else
        m_db.execute("RELEASE " + m_savepoint);
    m_done = true;
    --m_db.transactionDepth();
}

ReadSnapshot::ReadSnapshot(Database& db, FileLock lock) : m_db(db)
{
    if (m_db.onServer() && m_db.transactionDepth() == 0) {
        m_db.server()->beginReading();
        m_serverRead = true;
        ++m_db.transactionDepth();
    } else if (lock == FileLock::Shared && !m_db.onServer()) {
        if (m_db.transactionDepth() > 0)
            return;
        // A deferred transaction holds the readers' lock from its first read to its end.
        m_db.execute("BEGIN");
        m_sharedRead = true;
        ++m_db.transactionDepth();
        try {
            m_db.queryLong("SELECT count(*) FROM sqlite_master");
        } catch (...) {
            --m_db.transactionDepth();
            m_db.execute("ROLLBACK");
            throw;
        }
    } else {
        m_writing.emplace(db);
    }
}

ReadSnapshot::~ReadSnapshot()
{
    if (!m_serverRead && !m_sharedRead)
        return;
    --m_db.transactionDepth();
    try {
        if (m_serverRead)
            m_db.server()->rollback();
        else
            m_db.execute("ROLLBACK");
    } catch (const std::exception&) {
        // Nothing was written.
    }
}

void requireTransaction(const Database& db, std::string_view operation)
{
    if (!db.inTransaction())
        throw std::logic_error(std::string(operation) + " must run inside a transaction");
}

} // namespace kszw
