#include "app/data/schema.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <algorithm>
#include <string>
#include <vector>

#include "app/data/data_error.h"
#include "app/files/file_ops.h"
#include "app/text/dates.h"

namespace sitora::data {

bool IsDateColumn(std::string_view column) {
    return std::find(kDateColumns.begin(), kDateColumns.end(), column) != kDateColumns.end();
}

bool IsProtectedColumn(std::string_view column) {
    return std::find(kProtectedColumns.begin(), kProtectedColumns.end(), column) !=
           kProtectedColumns.end();
}

bool IsLeadTimeColumn(std::string_view column) {
    return std::find(kLeadTimeColumns.begin(), kLeadTimeColumns.end(), column) != kLeadTimeColumns.end();
}

char ValueKind(std::string_view column) {
    return IsDateColumn(column) ? 'd' : IsProtectedColumn(column) ? 'p' : IsLeadTimeColumn(column) ? 'n' : 't';
}

const std::array<char, kRecordColumns.size()>& RecordColumnKinds() {
    static const auto kinds = [] {
        std::array<char, kRecordColumns.size()> kinds{};
        for (std::size_t c = 0; c < kinds.size(); ++c) kinds[c] = ValueKind(kRecordColumns[c]);
        return kinds;
    }();
    return kinds;
}

const char* const kCreateSchemaSql = R"sql(
CREATE TABLE t_webinfo(
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    web_id TEXT, web_name TEXT, web_address TEXT, web_login TEXT,
    web_user BLOB, web_pass BLOB, web_ip TEXT, web_size TEXT, web_domain TEXT,
    web_domainuser BLOB, web_domainpass BLOB, web_linkman TEXT,
    web_dbname BLOB, web_dbsize TEXT, web_dbip BLOB, web_dbuser BLOB, web_dbpass BLOB,
    web_dbtype TEXT,
    web_time TEXT CHECK (web_time GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]'),
    web_endtime TEXT CHECK (web_endtime GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]'),
    web_domaintime TEXT CHECK (web_domaintime GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]'),
    web_enddomaintime TEXT CHECK (web_enddomaintime GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]'),
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
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, "select 1 from sqlite_master where type='table' and name=?", -1, &statement, nullptr) !=
        SQLITE_OK)
        throw DataError(sqlite3_errmsg(db));
    sqlite3_bind_text(statement, 1, table, -1, SQLITE_STATIC);
    const int rc = sqlite3_step(statement);
    sqlite3_finalize(statement);
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

const char* const kUnstoredDatesSql =
    "select rowid, web_time, web_endtime, web_domaintime, web_enddomaintime from t_webinfo where " SITORA_UNSTORED_DATES;

struct DateFix {
    sqlite3_int64 rowid;
    int column;  // index into kDateColumns
    std::string stored;
};

// Dates another tool wrote as "2024-9-30" or "2024/1/5", in their stored form.
std::vector<DateFix> DatesToStore(sqlite3* db) {
    std::vector<DateFix> fixes;
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, kUnstoredDatesSql, -1, &statement, nullptr) != SQLITE_OK) return fixes;
    while (sqlite3_step(statement) == SQLITE_ROW) {
        for (int column = 0; column < 4; ++column) {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column + 1));
            if (!text) continue;
            const std::string_view value(text, static_cast<std::size_t>(sqlite3_column_bytes(statement, column + 1)));
            const auto date = text::ParseDate(value);
            if (!date || text::IsoDate(*date) == value) continue;
            fixes.push_back({sqlite3_column_int64(statement, 0), column, text::IsoDate(*date)});
        }
    }
    sqlite3_finalize(statement);
    return fixes;
}

bool StoreDates(sqlite3* db, const std::vector<DateFix>& fixes) {
    for (const DateFix& fix : fixes) {
        const std::string sql =
            "update t_webinfo set " + std::string(kDateColumns[static_cast<std::size_t>(fix.column)]) + "=? where rowid=?";
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) return false;
        sqlite3_bind_text(statement, 1, fix.stored.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int64(statement, 2, fix.rowid);
        const int rc = sqlite3_step(statement);
        sqlite3_finalize(statement);
        if (rc != SQLITE_DONE) return false;
    }
    return true;
}

}  // namespace

void StoreDatesInTheirForm(sqlite3* db) {
    // Looked for first, outside a write: most connections find nothing and write nothing.
    if (DatesToStore(db).empty()) return;
    if (sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK) return;
    if (StoreDates(db, DatesToStore(db)))
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    else
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
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
