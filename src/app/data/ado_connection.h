#pragma once
// The register's one database connection, given by an ADO-style connection string whose
// Data Source names the db.mdb file, or, with Provider=PostgreSQL, a server's connection URI.
#include <sys/types.h>

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;

namespace sitora::data {

class TADOQuery;
class ServerConnection;

inline constexpr std::string_view kServerProvider = "PostgreSQL";

// The Data Source of a connection string ("...;Data Source=/opt/Sitora/db.mdb;..."); a value
// in double quotes may hold ';' (and '"' doubled).
std::filesystem::path DataSourceOf(std::string_view connection_string);
// A value as a connection string holds it: as it stands, or in double quotes where it holds
// ';' or '"' or starts with a blank, so that any bytes of a path mean that path.
std::string ConnectionValue(std::string_view value);
// The Provider of a connection string, empty when it names none.
std::string ProviderOf(std::string_view connection_string);

enum class TransactionKind { kReading, kWriting };

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
    bool Connected() const { return db_ != nullptr || server_ != nullptr; }
    bool OnServer();  // opens a closed connection first

    // The open SQLite handle; a closed connection is opened again first. Throws DataError on
    // a server register.
    sqlite3* Handle();
    // The open server connection, or nullptr for a db.mdb; opens a closed connection first.
    ServerConnection* Server();

    // One transaction for many statements (an import): it takes the write lock at once, so
    // that what it reads first still holds when it writes. Throws DataError.
    // A reading one sees one state of the register and blocks no writer.
    void BeginTransaction(TransactionKind kind = TransactionKind::kWriting);
    void CommitTransaction();
    void RollbackTransaction();  // never throws
    // Inside a transaction, many inserts without waiting for each answer (on a server; a file
    // needs no such thing). EndBatch throws the first failure.
    void BeginBatch();
    void EndBatch();

private:
    friend class TADOQuery;
    void Attach(TADOQuery* query) { queries_.push_back(query); }
    void Detach(TADOQuery* query);

    // A long-lived connection follows the name: after another process put a new file in place
    // of db.mdb (a compaction from cron), the next command outside a transaction opens that.
    void FollowReplacedFile();
    void OpenRegister();  // Open without closing the queries' result sets

    std::string connection_string_;
    sqlite3* db_ = nullptr;
    std::filesystem::path opened_path_;
    dev_t opened_device_ = 0;
    ino_t opened_inode_ = 0;
    std::unique_ptr<ServerConnection> server_;
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
