#include "app/data/ado_connection.h"

#include <sqlite3.h>
#include <sys/stat.h>
#include <strings.h>

#include <algorithm>
#include <optional>

#include "app/data/ado_query.h"
#include "app/data/data_error.h"
#include "app/data/schema.h"
#include "app/data/server_connection.h"
#include "app/text/byte_strings.h"

namespace sitora::data {
namespace {

constexpr int kBusyTimeoutMs = 5000;

void Exec(sqlite3* db, const char* sql) {
    char* message = nullptr;
    int rc = sqlite3_exec(db, sql, nullptr, nullptr, &message);
    std::string text = message ? message : sqlite3_errstr(rc);
    sqlite3_free(message);
    if (rc != SQLITE_OK) throw DataError(text);
}

// The value of one key ("data source=", lower case with its '=') of a connection string.
std::optional<std::string> ValueOf(std::string_view connection_string, std::string_view key) {
    std::size_t pos = 0;
    while (pos < connection_string.size()) {
        while (pos < connection_string.size() && connection_string[pos] == ' ') ++pos;
        const bool is_key = connection_string.size() - pos >= key.size() &&
                            strncasecmp(connection_string.data() + pos, key.data(), key.size()) == 0;
        std::size_t value_start = connection_string.find('=', pos);
        if (value_start == std::string_view::npos) break;
        ++value_start;
        std::string value;
        std::size_t end = value_start;
        if (end < connection_string.size() && connection_string[end] == '"') {
            // A quoted value holds ';' as it stands and '"' doubled.
            for (++end; end < connection_string.size(); ++end) {
                if (connection_string[end] != '"') {
                    value += connection_string[end];
                } else if (end + 1 < connection_string.size() && connection_string[end + 1] == '"') {
                    value += '"';
                    ++end;
                } else {
                    ++end;
                    break;
                }
            }
            end = std::min(connection_string.find(';', end), connection_string.size());
        } else {
            end = std::min(connection_string.find(';', value_start), connection_string.size());
            value = std::string(connection_string.substr(value_start, end - value_start));
        }
        if (is_key) return value;
        pos = end + 1;
    }
    return std::nullopt;
}

}  // namespace

std::filesystem::path DataSourceOf(std::string_view connection_string) {
    auto source = ValueOf(connection_string, "data source=");
    if (!source) throw DataError("the connection string names no Data Source");
    return std::filesystem::path(*source);
}

std::string ProviderOf(std::string_view connection_string) {
    return ValueOf(connection_string, "provider=").value_or("");
}

std::string ConnectionValue(std::string_view value) {
    const bool plain = value.find_first_of(";\"") == std::string_view::npos && !value.empty() && value.front() != ' ';
    if (plain) return std::string(value);
    std::string quoted = "\"";
    for (char c : value) {
        quoted += c;
        if (c == '"') quoted += '"';
    }
    return quoted + "\"";
}

TADOConnection::~TADOConnection() {
    Close();
    for (TADOQuery* query : queries_) query->connection_ = nullptr;
}

void TADOConnection::Open() {
    Close();
    OpenRegister();
}

void TADOConnection::OpenRegister() {
    if (text::EqualIgnoringAsciiCase(ProviderOf(connection_string_), kServerProvider)) {
        server_ = std::make_unique<ServerConnection>(DataSourceOf(connection_string_).string());
        return;
    }
    const std::filesystem::path path = DataSourceOf(connection_string_);
    // Only a regular file is a register: a FIFO or device in its place would block or feed
    // the engine garbage. The engine never creates the file.
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) throw DataError(path.string() + " is not a regular file");
    RequireOpenablePath(path);
    sqlite3* db = nullptr;
    // A connection is only ever used by the thread that opened it: no per-call locking.
    int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    try {
        if (rc != SQLITE_OK) throw DataError(db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
        sqlite3_extended_result_codes(db, 1);
        sqlite3_busy_timeout(db, kBusyTimeoutMs);
        // A register found on disk is data, not code: no triggers or views of its own may
        // run functions with side effects, and damaged pages are caught early.
        sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
        Exec(db, "PRAGMA trusted_schema=OFF; PRAGMA cell_size_check=ON;");
        // Reading the schema proves the file is a database at all.
        Exec(db, "SELECT count(*) FROM sqlite_master");
    } catch (...) {
        sqlite3_close(db);
        throw;
    }
    db_ = db;
    // The file SQLite opened; a file put in its place later has another identity.
    struct stat status {};
    opened_path_ = path;
    if (stat(path.c_str(), &status) == 0) {
        opened_device_ = status.st_dev;
        opened_inode_ = status.st_ino;
    }
}

void TADOConnection::FollowReplacedFile() {
    if (!db_ || !sqlite3_get_autocommit(db_)) return;
    struct stat status {};
    if (stat(opened_path_.c_str(), &status) != 0) return;  // gone for a moment: the open file serves
    if (status.st_dev == opened_device_ && status.st_ino == opened_inode_) return;
    // The rows already read stay with their queries; only the statements belong to the old file.
    for (TADOQuery* query : queries_) query->ForgetPrepared();
    sqlite3_close_v2(db_);
    db_ = nullptr;
    OpenRegister();
}

void TADOConnection::Close() {
    for (TADOQuery* query : queries_) {
        query->Close();
        query->ForgetPrepared();
    }
    if (db_) sqlite3_close_v2(db_);
    db_ = nullptr;
    server_.reset();
}

sqlite3* TADOConnection::Handle() {
    if (!Connected()) Open();
    if (!db_) throw DataError("the register is on a server, not in a file");
    return db_;
}

ServerConnection* TADOConnection::Server() {
    if (!Connected()) Open();
    FollowReplacedFile();
    return server_.get();
}

bool TADOConnection::OnServer() { return Server() != nullptr; }

void TADOConnection::BeginTransaction(TransactionKind kind) {
    if (ServerConnection* server = Server()) {
        server->BeginTransaction();
        if (kind == TransactionKind::kReading) return;
        // Other writers wait until the commit; readers go on seeing the rows as they were.
        try {
            server->Run("LOCK TABLE t_webinfo IN SHARE ROW EXCLUSIVE MODE");
        } catch (...) {
            server->RollbackTransaction();
            throw;
        }
        return;
    }
    Exec(Handle(), kind == TransactionKind::kReading ? "BEGIN" : "BEGIN IMMEDIATE");
}

void TADOConnection::CommitTransaction() {
    if (ServerConnection* server = Server()) return server->CommitTransaction();
    Exec(Handle(), "COMMIT");
}

void TADOConnection::BeginBatch() {
    if (ServerConnection* server = Server()) server->BeginBatch();
}

void TADOConnection::EndBatch() {
    if (ServerConnection* server = Server()) server->EndBatch();
}

void TADOConnection::RollbackTransaction() {
    if (server_) server_->RollbackTransaction();
    if (db_ && !sqlite3_get_autocommit(db_)) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
}

void TADOConnection::Detach(TADOQuery* query) {
    queries_.erase(std::remove(queries_.begin(), queries_.end(), query), queries_.end());
}

}  // namespace sitora::data
