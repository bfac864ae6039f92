#include "data/engine/sqlite/sqlite_engine.h"

#include <sqlite3.h>
#include <sys/stat.h>
#include <strings.h>

#include <map>
#include <optional>
#include <vector>

#include "data/engine/sqlite/bulk_insert.h"
#include "data/data_error.h"
#include "data/date_cells.h"
#include "data/engine/sqlite/sqlite_schema.h"
#include "data/engine/sqlite/scoped_pragma.h"
#include "data/engine/sqlite/sqlite_handles.h"
#include "data/single_table_select.h"
#include "data/statement_translation.h"

namespace sitora::data {
namespace {

// An import of this many rows or more into a smaller register builds its indexes afterwards.
constexpr std::size_t kBulkRows = 1000;

void Exec(sqlite3* db, const char* sql) {
    char* message = nullptr;
    const int rc = sqlite3_exec(db, sql, nullptr, nullptr, &message);
    const std::string text = message ? message : sqlite3_errstr(rc);
    sqlite3_free(message);
    if (rc != SQLITE_OK) throw DataError(text);
}

// A prepared statement with the names and kinds of its markers.
struct Prepared {
    SqliteStatement statement;
    sqlite3_stmt* handle = nullptr;
    std::vector<std::string> marker_names;  // without the colon
    std::vector<ValueKind> marker_kinds;    // KindOf each
};

// Many records through groups of rows in one insert, with the register's pages kept in memory
// until the commit (up to 64 MiB, so that a list of any size takes bounded memory): the indexes
// are sorted from there, with a second thread, and no page is written twice.
class SqliteRecordSink : public RecordSink {
public:
    SqliteRecordSink(sqlite3* db, std::size_t rows, std::size_t records_before)
        : db_(db), cache_(db, "cache_size", -65536), sort_threads_(db, "threads", 1) {
        // Many rows into a small register: its indexes are built once afterwards, by a sort.
        rebuild_ = rows >= kBulkRows && rows >= records_before;
        if (rebuild_) DropRegisterIndexes(db);
        // Every date of these rows is in its stored form, written just now: the table's check
        // of each one would only repeat that.
        checks_.emplace(db, "ignore_check_constraints", 1);
        insert_.emplace(db);
    }
    void Add(StoredRecord record) override { insert_->Add(std::move(record)); }
    void Finish() override {
        insert_->Finish();
        checks_.reset();
        if (rebuild_) CreateRegisterIndexes(db_);
    }

private:
    sqlite3* db_;
    ScopedPragma cache_, sort_threads_;
    std::optional<ScopedPragma> checks_;
    std::optional<RecordBulkInsert> insert_;
    bool rebuild_ = false;
};

class SqliteEngine : public Engine {
public:
    explicit SqliteEngine(std::filesystem::path path) : path_(std::move(path)) { Open(); }
    ~SqliteEngine() override { CloseFile(); }

    void PrepareRegister() override {
        RequireRegisterTables(db_);
        AddMissingIndexes(db_);
        StoreDatesInTheirForm(db_);
    }

    std::optional<std::string> ReadWrappedKey() override {
        const SqliteStatement exists =
            PrepareStatement(db_, "select 1 from sqlite_master where type='table' and name='t_key'");
        if (sqlite3_step(exists.get()) != SQLITE_ROW) return std::nullopt;
        const SqliteStatement select = PrepareStatement(db_, "select wrapped from t_key where id=1");
        const int rc = sqlite3_step(select.get());
        if (rc == SQLITE_DONE) return std::nullopt;
        if (rc != SQLITE_ROW) throw DataError(sqlite3_errmsg(db_));
        const auto* bytes = static_cast<const char*>(sqlite3_column_blob(select.get(), 0));
        return std::string(bytes ? bytes : "", static_cast<std::size_t>(sqlite3_column_bytes(select.get(), 0)));
    }

    bool HoldsSealedValue() override {
        const SqliteStatement select = PrepareStatement(
            db_, "select 1 from t_webinfo where substr(web_user,1,1)=x'c1' or substr(web_pass,1,1)=x'c1' or "
                 "substr(web_domainuser,1,1)=x'c1' or substr(web_domainpass,1,1)=x'c1' or substr(web_dbname,1,1)=x'c1' "
                 "or substr(web_dbip,1,1)=x'c1' or substr(web_dbuser,1,1)=x'c1' or substr(web_dbpass,1,1)=x'c1' limit 1");
        const int rc = sqlite3_step(select.get());
        if (rc != SQLITE_ROW && rc != SQLITE_DONE) throw DataError(sqlite3_errmsg(db_));
        return rc == SQLITE_ROW;
    }

    bool StoreWrappedKey(const std::string& wrapped, bool replace) override {
        const SqliteStatement create = PrepareStatement(
            db_, "create table if not exists t_key(id integer primary key check(id=1), wrapped blob not null)");
        if (sqlite3_step(create.get()) != SQLITE_DONE) throw DataError(sqlite3_errmsg(db_));
        const SqliteStatement store = PrepareStatement(
            db_, replace ? "update t_key set wrapped=?1 where id=1" : "insert or ignore into t_key(id,wrapped) values(1,?1)");
        sqlite3_bind_blob(store.get(), 1, wrapped.data(), static_cast<int>(wrapped.size()), SQLITE_TRANSIENT);
        if (sqlite3_step(store.get()) != SQLITE_DONE) throw DataError(sqlite3_errmsg(db_));
        return sqlite3_changes(db_) == 1;
    }

    std::unique_ptr<ResultSet> Select(const std::string& statement, const ParameterLookup& parameters,
                                      std::size_t rows_expected, std::string& table) override {
        const std::string sql = TranslateStatement(statement);
        table.clear();
        std::unique_ptr<Prepared> prepared;
        // A single table's rows carry their rowid as a hidden first column, for DeleteRow.
        if (auto select = ParseSingleTableSelect(sql)) {
            try {
                prepared = Prepare("select rowid," + sql.substr(select->columns_begin));
                table = std::move(select->table);
            } catch (const DataError&) {
                prepared.reset();  // not a plain table (a view, say): read it without identities
            }
        }
        if (!prepared) prepared = Prepare(sql);
        Bind(*prepared, parameters);
        return ReadRows(prepared->handle, table.empty() ? 0 : 1, rows_expected);
    }

    int Execute(const std::string& statement, const ParameterLookup& parameters) override {
        // The same insert or update run again (an import's rows) reuses its prepared statement.
        auto found = kept_.find(statement);
        if (found == kept_.end()) {
            if (kept_.size() >= kKeptStatements) kept_.clear();
            found = kept_.emplace(statement, Prepare(TranslateStatement(statement))).first;
        }
        sqlite3_stmt* handle = found->second->handle;
        sqlite3_reset(handle);
        sqlite3_clear_bindings(handle);
        Bind(*found->second, parameters);
        int rc;
        while ((rc = sqlite3_step(handle)) == SQLITE_ROW) {
        }
        sqlite3_reset(handle);
        if (rc != SQLITE_DONE) throw DataError(sqlite3_errmsg(db_));
        return sqlite3_changes(db_);
    }

    void DeleteRow(const std::string& table, std::int64_t row_id) override {
        auto prepared = Prepare("delete from \"" + table + "\" where rowid=:row_id");
        sqlite3_bind_int64(prepared->handle, 1, row_id);
        if (sqlite3_step(prepared->handle) != SQLITE_DONE) throw DataError(sqlite3_errmsg(db_));
        if (sqlite3_changes(db_) != 1) throw DataError("the row to delete is gone");
    }

    void Begin(TransactionKind kind) override { Exec(db_, kind == TransactionKind::kReading ? "BEGIN" : "BEGIN IMMEDIATE"); }
    void Commit() override { Exec(db_, "COMMIT"); }
    void Rollback() noexcept override {
        if (db_ && !sqlite3_get_autocommit(db_)) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    }

    std::unique_ptr<RecordSink> OpenRecordSink(std::size_t rows, std::size_t records_before) override {
        return std::make_unique<SqliteRecordSink>(db_, rows, records_before);
    }

    void FollowReplacedFile() override {
        if (!sqlite3_get_autocommit(db_)) return;
        struct stat status {};
        if (stat(path_.c_str(), &status) != 0) return;  // gone for a moment: the open file serves
        if (status.st_dev == device_ && status.st_ino == inode_) return;
        CloseFile();
        Open();
    }

private:
    static constexpr std::size_t kKeptStatements = 16;

    void Open() {
        // Only a regular file is a register: a FIFO or device in its place would block or feed
        // the engine garbage. The engine never creates the file.
        std::error_code ec;
        if (!std::filesystem::is_regular_file(path_, ec)) throw DataError(path_.string() + " is not a regular file");
        RequireOpenablePath(path_);
        sqlite3* db = nullptr;
        // A connection is only ever used by the thread that opened it: no per-call locking.
        const int rc = sqlite3_open_v2(path_.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
        try {
            if (rc != SQLITE_OK) throw DataError(db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
            sqlite3_extended_result_codes(db, 1);
            sqlite3_busy_timeout(db, kBusyTimeoutMs);
            // A register found on disk is data, not code: no triggers or views of its own may
            // run functions with side effects, and damaged pages are caught early.
            sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
            // Freed content is overwritten: an account value replaced or deleted leaves nothing
            // behind in the file's free pages.
            Exec(db, "PRAGMA trusted_schema=OFF; PRAGMA cell_size_check=ON; PRAGMA secure_delete=ON;");
            // Reading the schema proves the file is a database at all.
            Exec(db, "SELECT count(*) FROM sqlite_master");
        } catch (...) {
            sqlite3_close(db);
            throw;
        }
        db_ = db;
        // The file SQLite opened; a file put in its place later has another identity.
        struct stat status {};
        if (stat(path_.c_str(), &status) == 0) {
            device_ = status.st_dev;
            inode_ = status.st_ino;
        }
    }

    void CloseFile() {
        kept_.clear();
        if (db_) sqlite3_close_v2(db_);
        db_ = nullptr;
    }

    std::unique_ptr<Prepared> Prepare(const std::string& sql) {
        auto prepared = std::make_unique<Prepared>();
        prepared->statement = PrepareStatement(db_, sql);
        prepared->handle = prepared->statement.get();
        const int count = sqlite3_bind_parameter_count(prepared->handle);
        for (int i = 1; i <= count; ++i) {
            const char* marker = sqlite3_bind_parameter_name(prepared->handle, i);
            if (!marker) throw DataError("unnamed parameter in statement");
            prepared->marker_names.emplace_back(marker + 1);
            prepared->marker_kinds.push_back(KindOf(prepared->marker_names.back()));
        }
        return prepared;
    }

    static void Bind(Prepared& prepared, const ParameterLookup& parameters) {
        std::string stored_date;
        for (std::size_t i = 0; i < prepared.marker_names.size(); ++i) {
            const std::string& value = parameters(prepared.marker_names[i]);
            const ValueKind kind = prepared.marker_kinds[i];
            const std::string_view stored =
                kind == ValueKind::kDate ? std::string_view(stored_date = StoredDateOf(value)) : value;
            if (const int rc = BindValueOfKind(prepared.handle, static_cast<int>(i + 1), kind, stored, SQLITE_TRANSIENT);
                rc != SQLITE_OK)
                throw DataError(sqlite3_errstr(rc));
        }
    }

    // The rows of a prepared select, from column `first` on (before it: the rowid).
    std::unique_ptr<ResultSet> ReadRows(sqlite3_stmt* handle, int first, std::size_t rows_expected) {
        const int columns = sqlite3_column_count(handle);
        std::vector<std::string> names;
        std::vector<bool> is_date;
        for (int c = first; c < columns; ++c) {
            names.emplace_back(sqlite3_column_name(handle, c));
            is_date.push_back(IsDateColumn(names.back()));
        }
        auto rows = std::make_unique<ResultSet>(std::move(names));
        rows->Reserve(rows_expected);
        std::string buffer;
        int rc;
        while ((rc = sqlite3_step(handle)) == SQLITE_ROW) {
            rows->BeginRow(first ? sqlite3_column_int64(handle, 0) : rows->RowCount());
            for (int c = first; c < columns; ++c) {
                sqlite3_value* value = sqlite3_column_value(handle, c);
                if (sqlite3_value_type(value) == SQLITE_NULL) {
                    rows->AppendCell(std::nullopt);
                    continue;
                }
                const void* bytes = sqlite3_value_blob(value);
                const std::string_view cell(static_cast<const char*>(bytes), sqlite3_value_bytes(value));
                rows->AppendCell(is_date[c - first] ? ShownDate(cell, buffer) : cell);
            }
        }
        if (rc != SQLITE_DONE) throw DataError(sqlite3_errmsg(db_));
        return rows;
    }

    std::filesystem::path path_;
    sqlite3* db_ = nullptr;
    dev_t device_ = 0;
    ino_t inode_ = 0;
    std::map<std::string, std::unique_ptr<Prepared>> kept_;  // inserts and updates, by statement
};

}  // namespace

std::unique_ptr<Engine> OpenSqliteEngine(const std::filesystem::path& path) {
    return std::make_unique<SqliteEngine>(path);
}

}  // namespace sitora::data
