#pragma once
// The register's one database connection, given by an ADO-style connection string whose
// Data Source names the db.mdb file, or, with Provider=PostgreSQL, a server's connection URI.

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "data/engine/connection_string.h"
#include "data/engine/engine.h"

namespace sitora::data {

class TADOQuery;

class TADOConnection {
public:
    TADOConnection() = default;
    ~TADOConnection();
    TADOConnection(const TADOConnection&) = delete;
    TADOConnection& operator=(const TADOConnection&) = delete;

    void SetConnectionString(std::string connection_string) { connection_string_ = std::move(connection_string); }
    const std::string& ConnectionString() const { return connection_string_; }

    // Opens the Data Source read-write; never creates it. Throws DataError when the file is
    // missing, unreadable or not a database, or the server cannot be reached.
    void Open();
    // Closes the connection and with it every query's result set.
    void Close();
    bool Connected() const { return engine_ != nullptr; }

    // The open register; a closed connection is opened first. Outside a transaction, a file
    // another process put in the place of db.mdb (a compaction from cron) is followed: the rows
    // already read stay with their queries.
    Engine& Register();

    // One transaction for many statements (an import, the add window's look-ups and insert).
    // Throws DataError.
    void BeginTransaction(TransactionKind kind = TransactionKind::kWriting);
    void CommitTransaction();
    void RollbackTransaction();  // never throws

private:
    friend class TADOQuery;
    void Attach(TADOQuery* query) { queries_.push_back(query); }
    void Detach(TADOQuery* query);

    std::string connection_string_;
    std::unique_ptr<Engine> engine_;
    std::vector<TADOQuery*> queries_;
};

// A transaction for the length of a scope: rolled back unless committed.
class ScopedTransaction {
public:
    explicit ScopedTransaction(TADOConnection& connection, TransactionKind kind = TransactionKind::kWriting)
        : connection_(connection) {
        connection_.BeginTransaction(kind);
    }
    ~ScopedTransaction() {
        if (open_) connection_.RollbackTransaction();
    }
    ScopedTransaction(const ScopedTransaction&) = delete;
    ScopedTransaction& operator=(const ScopedTransaction&) = delete;
    void Commit() {
        connection_.CommitTransaction();
        open_ = false;
    }

private:
    TADOConnection& connection_;
    bool open_ = true;
};

}  // namespace sitora::data
