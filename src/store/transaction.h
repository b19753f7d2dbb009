// Transaction: every operation that sends more than one modifying statement runs inside one, so
// an engine error leaves nothing of it in the file.
//
// Why BEGIN IMMEDIATE: several copies of the program may work on one year file. A plain BEGIN
// takes the write lock only at the first write, so two copies could both run a duplicate check
// ("is voucher number 12 of March free?"), both see it free, and both insert. BEGIN IMMEDIATE
// takes the write lock before the first statement of the operation: the second copy waits (up to
// the connection's busy timeout, Database::kBusyTimeoutMs) until the first has committed, and then
// its check sees the first copy's row. When the wait runs out, the constructor raises DatabaseError
// with SQLITE_BUSY and the operation has changed nothing.
//
// On a server the same holds: the outermost transaction first takes the year's write lock (an
// advisory lock of the server, one per year), waiting as long as on a file, so every writing
// operation of every client on that year runs one after the other, and each statement sees what
// the others committed before it.
//
// Nesting: a Transaction constructed while another is open on the same connection becomes a
// SAVEPOINT inside it, so an operation made of smaller atomic operations stays atomic as a whole;
// committing the inner one releases its savepoint, and only the outermost commit writes the file.
//
// Destructor: without commit() the transaction is rolled back (the savepoint rolled back to and
// released); errors of the rollback itself are swallowed, because the engine has already rolled
// back after a failure such as a full disk.
#pragma once

#include <optional>
#include <string>
#include <string_view>

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

// Reading a whole year as of one moment (a copy, a backup, the year a new one is made from): on a
// server a read-only snapshot that holds no writer up; on a file the write lock, as a Transaction
// (the file's other copies wait until the read is done). A shared read (a statement worked out
// from many queries) takes on a file only the lock every reader takes: other copies go on reading
// and writing, and only their commits wait until the read is done. Inside a transaction the
// connection already reads as of one moment: nothing more is done.
class ReadSnapshot {
public:
    enum class FileLock { Write, Shared };
    explicit ReadSnapshot(Database& db, FileLock lock = FileLock::Write);
    ~ReadSnapshot();
    ReadSnapshot(const ReadSnapshot&) = delete;
    ReadSnapshot& operator=(const ReadSnapshot&) = delete;

private:
    Database& m_db;
    bool m_serverRead = false;
    bool m_sharedRead = false;
    std::optional<Transaction> m_writing; // on a file, rolled back at the end: nothing is written
};

// A check-then-insert operation calls this first: outside a transaction its check would not hold
// the write lock, and another copy of the program could pass the same check. Raises
// std::logic_error naming the operation when no transaction is open.
void requireTransaction(const Database& db, std::string_view operation);

} // namespace kszw
