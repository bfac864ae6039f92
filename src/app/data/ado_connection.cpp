#include "app/data/ado_connection.h"

#include <sqlite3.h>
#include <strings.h>

#include <algorithm>

#include "app/data/ado_query.h"
#include "app/data/data_error.h"

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

}  // namespace

std::filesystem::path DataSourceOf(std::string_view connection_string) {
    constexpr std::string_view kKey = "data source=";
    for (std::size_t pos = 0; pos < connection_string.size();) {
        std::size_t end = connection_string.find(';', pos);
        if (end == std::string_view::npos) end = connection_string.size();
        std::string_view part = connection_string.substr(pos, end - pos);
        while (!part.empty() && part.front() == ' ') part.remove_prefix(1);
        if (part.size() >= kKey.size() && strncasecmp(part.data(), kKey.data(), kKey.size()) == 0)
            return std::filesystem::path(std::string(part.substr(kKey.size())));
        pos = end + 1;
    }
    throw DataError("the connection string names no Data Source");
}

TADOConnection::~TADOConnection() {
    Close();
    for (TADOQuery* query : queries_) query->connection_ = nullptr;
}

void TADOConnection::Open() {
    Close();
    const std::filesystem::path path = DataSourceOf(connection_string_);
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
}

void TADOConnection::Close() {
    for (TADOQuery* query : queries_) query->Close();
    if (db_) sqlite3_close_v2(db_);
    db_ = nullptr;
}

sqlite3* TADOConnection::Handle() {
    if (!db_) Open();
    return db_;
}

void TADOConnection::Detach(TADOQuery* query) {
    queries_.erase(std::remove(queries_.begin(), queries_.end(), query), queries_.end());
}

}  // namespace sitora::data
