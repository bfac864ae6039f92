#include "data/engine/sqlite/sqlite_schema.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "data/data_error.h"
#include "data/engine/sqlite/scoped_pragma.h"
#include "data/engine/sqlite/sqlite_handles.h"
#include "base/files/file_ops.h"
#include "base/text/dates.h"

namespace sitora::data {

const char* const kCreateSchemaSql = R"sql(
CREATE TABLE t_webinfo(
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    web_id TEXT, web_name TEXT, web_address TEXT, web_login TEXT,
    web_user BLOB, web_pass BLOB, web_ip TEXT, web_size TEXT, web_domain TEXT,
    web_domainuser BLOB, web_domainpass BLOB, web_linkman TEXT,
    web_dbname BLOB, web_dbsize TEXT, web_dbip BLOB, web_dbuser BLOB, web_dbpass BLOB,
    web_dbtype TEXT,
    web_time TEXT CHECK (date(web_time, '+0 days') IS web_time),
    web_endtime TEXT CHECK (date(web_endtime, '+0 days') IS web_endtime),
    web_domaintime TEXT CHECK (date(web_domaintime, '+0 days') IS web_domaintime),
    web_enddomaintime TEXT CHECK (date(web_enddomaintime, '+0 days') IS web_enddomaintime),
    web_remark TEXT);
CREATE TABLE t_set(web_alarm INTEGER, domain_alarm INTEGER);
INSERT INTO t_set(web_alarm, domain_alarm) VALUES(3, 3);
)sql";

namespace {

// Rows with a date column not in the stored form (NULLs are no dates and stay as they are).
// The partial index i_webinfo_unstored_dates holds just those rows, whoever writes them, and the
// look-up at connection uses the same condition, so that finding none reads no table.
#define SITORA_UNSTORED_DATES                                                     \
    "web_time NOT GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]' OR "          \
    "web_endtime NOT GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]' OR "       \
    "web_domaintime NOT GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]' OR "    \
    "web_enddomaintime NOT GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]'"

const char* const kIndexesSql = R"sql(
CREATE INDEX IF NOT EXISTS i_webinfo_address_nocase ON t_webinfo(web_address COLLATE NOCASE);
CREATE INDEX IF NOT EXISTS i_webinfo_id_nocase ON t_webinfo(web_id COLLATE NOCASE);
CREATE INDEX IF NOT EXISTS i_webinfo_endtime ON t_webinfo(web_endtime);
CREATE INDEX IF NOT EXISTS i_webinfo_enddomaintime ON t_webinfo(web_enddomaintime);
CREATE INDEX IF NOT EXISTS i_webinfo_unstored_dates ON t_webinfo(id) WHERE )sql" SITORA_UNSTORED_DATES ";";

bool HasTable(sqlite3* db, const char* table) {
    const SqliteStatement statement =
        PrepareStatement(db, "select 1 from sqlite_master where type='table' and name=?");
    sqlite3_bind_text(statement.get(), 1, table, -1, SQLITE_STATIC);
    const int rc = sqlite3_step(statement.get());
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) throw DataError(sqlite3_errmsg(db));
    return rc == SQLITE_ROW;
}

}  // namespace

void RequireRegisterTables(sqlite3* db) {
    for (const char* table : {"t_webinfo", "t_set"})
        if (!HasTable(db, table)) throw DataError(std::string("the database has no table ") + table);
}

void DropRegisterIndexes(sqlite3* db) {
    // The index of unstored dates stays: rows in the stored form never enter it.
    for (const char* index :
         {"i_webinfo_address_nocase", "i_webinfo_id_nocase", "i_webinfo_endtime", "i_webinfo_enddomaintime"}) {
        const std::string sql = std::string("DROP INDEX IF EXISTS ") + index;
        if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) throw DataError(sqlite3_errmsg(db));
    }
}

void CreateRegisterIndexes(sqlite3* db) {
    if (sqlite3_exec(db, kIndexesSql, nullptr, nullptr, nullptr) != SQLITE_OK) throw DataError(sqlite3_errmsg(db));
}

void AddMissingIndexes(sqlite3* db) {
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    if (sqlite3_exec(db, kIndexesSql, nullptr, nullptr, nullptr) == SQLITE_OK)
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    else
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
}

namespace {

// A date cell in its stored form where ParseDate reads it ("2024-9-30", "2024/1/5"), anything
// else as it stands: SQLite calls it for each cell of a rewrite.
void StoredDateFunction(sqlite3_context* context, int, sqlite3_value** arguments) {
    sqlite3_value* value = arguments[0];
    if (sqlite3_value_type(value) == SQLITE_TEXT) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(value));
        const std::string_view cell(text, static_cast<std::size_t>(sqlite3_value_bytes(value)));
        if (const auto date = text::ParseDate(cell)) {
            const std::string stored = text::IsoDate(*date);
            if (stored != cell) return sqlite3_result_text(context, stored.data(), static_cast<int>(stored.size()), SQLITE_TRANSIENT);
        }
    }
    sqlite3_result_value(context, value);
}

#define SITORA_STORED(column) "sitora_stored_date(" column ")"
// Rows of the unstored-dates index with a cell the rewrite changes: texts that are no dates
// ("soon") stay in that index for good, and are passed over rather than read again and again.
#define SITORA_REWRITABLE                                                                           \
    "(" SITORA_UNSTORED_DATES ") AND (" SITORA_STORED("web_time") " IS NOT web_time OR "            \
    SITORA_STORED("web_endtime") " IS NOT web_endtime OR " SITORA_STORED("web_domaintime")          \
    " IS NOT web_domaintime OR " SITORA_STORED("web_enddomaintime") " IS NOT web_enddomaintime)"

// The last row of the next batch after `after`, or nothing when no row is left.
constexpr const char* kBatchEndSql =
    "SELECT max(id) FROM (SELECT id FROM t_webinfo WHERE id > ?1 AND " SITORA_REWRITABLE " ORDER BY id LIMIT ?2)";
constexpr const char* kRewriteSql =
    "UPDATE t_webinfo SET web_time=" SITORA_STORED("web_time") ", web_endtime=" SITORA_STORED("web_endtime")
    ", web_domaintime=" SITORA_STORED("web_domaintime") ", web_enddomaintime=" SITORA_STORED("web_enddomaintime")
    " WHERE id > ?1 AND id <= ?2 AND " SITORA_REWRITABLE;

// Rows rewritten in one write transaction: short enough that other processes' commands get
// their turn between two (a window, cron), long enough that the commits cost little.
constexpr int kRewriteBatchRows = 50000;

// A statement that may fail to prepare (a register that cannot be written): no handle then.
struct PreparedStatement {
    SqliteStatement owned;
    sqlite3_stmt* handle = nullptr;
    PreparedStatement(sqlite3* db, const char* sql) {
        sqlite3_prepare_v2(db, sql, -1, &handle, nullptr);
        owned.reset(handle);
    }
};

// The end of the next batch, read outside a write; nothing when the rest is in its form.
std::optional<sqlite3_int64> NextBatchEnd(sqlite3* db, sqlite3_int64 after) {
    PreparedStatement batch_end(db, kBatchEndSql);
    if (!batch_end.handle) return std::nullopt;
    sqlite3_bind_int64(batch_end.handle, 1, after);
    sqlite3_bind_int(batch_end.handle, 2, kRewriteBatchRows);
    if (sqlite3_step(batch_end.handle) != SQLITE_ROW || sqlite3_column_type(batch_end.handle, 0) == SQLITE_NULL)
        return std::nullopt;
    return sqlite3_column_int64(batch_end.handle, 0);
}

}  // namespace

void StoreDatesInTheirForm(sqlite3* db) {
    if (sqlite3_create_function(db, "sitora_stored_date", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                                &StoredDateFunction, nullptr, nullptr) != SQLITE_OK)
        return;
    // Looked for outside a write: most connections find nothing and write nothing.
    sqlite3_int64 done = 0;
    auto end = NextBatchEnd(db, done);
    if (!end) return;
    // A batch's pages stay in memory until its commit, so that none is written twice.
    ScopedPragma cache(db, "cache_size", -65536);
    // Every value it writes is a date in its stored form; a text another tool left in another
    // cell of the row ("soon") would fail the row's checks and keep its dates from being stored.
    ScopedPragma checks(db, "ignore_check_constraints", 1);
    for (; end; end = NextBatchEnd(db, done)) {
        if (sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK) break;
        PreparedStatement rewrite(db, kRewriteSql);
        bool written = false;
        if (rewrite.handle) {
            sqlite3_bind_int64(rewrite.handle, 1, done);
            sqlite3_bind_int64(rewrite.handle, 2, *end);
            written = sqlite3_step(rewrite.handle) == SQLITE_DONE;
        }
        if (!written || sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) {
            sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
            break;
        }
        done = *end;
    }
}

void RequireOpenablePath(const std::filesystem::path& path) {
    std::error_code ec;
    const std::size_t length = std::filesystem::absolute(path, ec).native().size();
    // The scratch names beside a register are longer than its own by up to 40 bytes.
    constexpr std::size_t kLongest = 512 - 48;
    if (length > kLongest)
        throw DataError(path.string() + ": the full path is " + std::to_string(length) +
                        " bytes long; SQLite opens registers whose path has at most " + std::to_string(kLongest) +
                        " bytes: move the folder higher up");
}

void CreateStarterDatabase(const std::filesystem::path& path, const std::function<void(sqlite3*)>& fill) {
    RequireOpenablePath(path);
    std::error_code ec;
    if (std::filesystem::exists(std::filesystem::symlink_status(path, ec)))
        throw DataError(path.string() + " exists already; it is left as it is");

    // Built under a scratch name, owner-only from its first byte (it will hold every site's
    // accounts), then given its name by a step that never replaces a file that appeared meanwhile.
    const std::filesystem::path folder = path.parent_path().empty() ? std::filesystem::path(".") : path.parent_path();
    files::RemoveStaleScratchFiles(folder);
    const std::filesystem::path temp = files::ScratchPathFor(path);
    auto remove_temp = [&temp] {
        for (const char* suffix : {"-journal", "-wal", "-shm"}) files::RemoveFile(temp.string() + suffix);
        files::RemoveFile(temp);
    };
    remove_temp();
    const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) throw DataError("cannot create " + path.string() + ": " + std::strerror(errno));
    close(fd);
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(temp.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    std::string error;
    if (rc == SQLITE_OK) {
        char* message = nullptr;
        rc = sqlite3_exec(db, kCreateSchemaSql, nullptr, nullptr, &message);
        if (rc == SQLITE_OK) rc = sqlite3_exec(db, kIndexesSql, nullptr, nullptr, &message);
        if (message) error = message;
        sqlite3_free(message);
        if (rc == SQLITE_OK && fill) {
            try {
                fill(db);
            } catch (...) {
                sqlite3_close(db);
                remove_temp();
                throw;
            }
        }
    } else {
        error = sqlite3_errmsg(db);
    }
    sqlite3_close(db);
    if (rc != SQLITE_OK) {
        remove_temp();
        throw DataError("cannot create " + path.string() + ": " + error);
    }
    const bool placed = files::PlaceNewFile(temp, path);
    remove_temp();
    if (!placed) throw DataError("cannot create " + path.string() + ": it exists or the folder is not writable");
    files::SyncFolder(folder);
}

}  // namespace sitora::data
