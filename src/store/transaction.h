// An RAII transaction: BEGIN IMMEDIATE (so the write lock is taken before the first check), rolled
// back unless committed. Used inside another transaction it becomes a savepoint.
#pragma once

#include <string>

namespace kszw {

class Database;

class Transaction {
public:
    explicit Transaction(Database& db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    void commit();

private:
    Database& m_db;
    std::string m_savepoint; // empty for the outermost transaction
    bool m_done = false;
};

} // namespace kszw
