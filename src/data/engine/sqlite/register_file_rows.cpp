#include "data/engine/sqlite/register_file_rows.h"

#include <sqlite3.h>

#include <utility>

#include "data/catalogue/columns.h"
#include "data/data_error.h"
#include "data/engine/sqlite/sqlite_handles.h"
#include "data/engine/sqlite/sqlite_schema.h"

namespace sitora::data {
namespace {

constexpr const char* kWriting = "writing the new register";

class Statement {
public:
    // `doing` opens every failure's message.
    Statement(sqlite3* db, const std::string& sql, std::string doing = kWriting) : db_(db), doing_(std::move(doing)) {
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &handle_, nullptr) != SQLITE_OK) Fail();
        owned_.reset(handle_);
    }
    void Bind(int index, const Cell& cell, bool bytes) {
        int rc;
        if (!cell) rc = sqlite3_bind_null(handle_, index);
        else if (bytes) rc = sqlite3_bind_blob64(handle_, index, cell->data(), cell->size(), SQLITE_STATIC);
        else rc = sqlite3_bind_text64(handle_, index, cell->data(), cell->size(), SQLITE_STATIC, SQLITE_UTF8);
        if (rc != SQLITE_OK) Fail();
    }
    bool Step() {
        const int rc = sqlite3_step(handle_);
        if (rc != SQLITE_ROW && rc != SQLITE_DONE) Fail();
        return rc == SQLITE_ROW;
    }
    void Reset() { sqlite3_reset(handle_); }
    Cell Column(int index) const {
        if (sqlite3_column_type(handle_, index) == SQLITE_NULL) return std::nullopt;
        const auto* data = static_cast<const char*>(sqlite3_column_blob(handle_, index));
        return std::string(data ? data : "", static_cast<std::size_t>(sqlite3_column_bytes(handle_, index)));
    }
    bool IsBlob(int index) const { return sqlite3_column_type(handle_, index) == SQLITE_BLOB; }
    [[noreturn]] void Fail() const { throw DataError(doing_ + ": " + sqlite3_errmsg(db_)); }

private:
    sqlite3* db_;
    std::string doing_;
    sqlite3_stmt* handle_ = nullptr;
    SqliteStatement owned_;
};

std::string ColumnList() {
    std::string list;
    for (std::string_view column : kRecordColumns) list += (list.empty() ? "" : ",") + std::string(column);
    return list;
}

void Exec(sqlite3* db, const char* sql, const std::string& doing = kWriting) {
    if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK) throw DataError(doing + ": " + sqlite3_errmsg(db));
}

SqliteDatabase OpenToRead(const std::filesystem::path& source, const std::string& doing) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(source, ec)) throw DataError(source.string() + " is not a regular file");
    RequireOpenablePath(source);
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(source.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    SqliteDatabase handle(db);
    if (rc != SQLITE_OK) throw DataError(doing + ": " + (db ? sqlite3_errmsg(db) : "out of memory"));
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    try {
        RequireRegisterTables(db);
    } catch (const DataError& error) {
        throw DataError(source.string() + ": " + error.what());
    }
    return handle;
}

void WriteRegister(sqlite3* db, const RegisterRows& in) {
    Exec(db, "BEGIN");
    Exec(db, "delete from t_set");
    std::string marks;
    for (std::size_t i = 0; i < kRecordColumns.size(); ++i) marks += i ? ",?" : "?";
    Statement insert(db, "insert into t_webinfo(" + ColumnList() + ") values(" + marks + ")");
    for (const auto& record : in.records) {
        for (std::size_t c = 0; c < record.size(); ++c)
            insert.Bind(static_cast<int>(c + 1), record[c], IsProtectedColumn(kRecordColumns[c]));
        insert.Step();
        insert.Reset();
    }
    Statement settings(db, "insert into t_set(web_alarm,domain_alarm) values(?,?)");
    for (const auto& [space, domain] : in.settings) {
        settings.Bind(1, space, false);
        settings.Bind(2, domain, false);
        settings.Step();
        settings.Reset();
    }
    Exec(db, "COMMIT");
}

// Every record and setting read back from the new register and compared with what went in.
void VerifyRegister(sqlite3* db, const RegisterRows& in) {
    Statement records(db, "select " + ColumnList() + " from t_webinfo order by id");
    std::size_t count = 0;
    while (records.Step()) {
        if (count >= in.records.size()) throw DataError("verifying the new register: more records than were written");
        for (std::size_t c = 0; c < kRecordColumns.size(); ++c) {
            const bool protected_column = IsProtectedColumn(kRecordColumns[c]);
            const Cell value = records.Column(static_cast<int>(c));
            if (value != in.records[count][c] || (value && records.IsBlob(static_cast<int>(c)) != protected_column))
                throw DataError("verifying the new register: record " + std::to_string(count + 1) + ", " +
                                std::string(kRecordColumns[c]) + " differs from the original");
        }
        ++count;
    }
    if (count != in.records.size()) throw DataError("verifying the new register: records are missing");
    Statement settings(db, "select web_alarm,domain_alarm from t_set order by rowid");
    std::size_t rows = 0;
    while (settings.Step()) {
        if (rows >= in.settings.size()) throw DataError("verifying the new register: t_set has more rows");
        const auto& [space, domain] = in.settings[rows++];
        auto same = [](const Cell& stored, const Cell& given) { return stored == given; };
        if (!same(settings.Column(0), space) || !same(settings.Column(1), domain))
            throw DataError("verifying the new register: t_set differs from the original");
    }
    if (rows != in.settings.size()) throw DataError("verifying the new register: t_set rows are missing");
}

}  // namespace

RegisterRows ReadRegisterFile(const std::filesystem::path& source) {
    const std::string doing = "cannot read " + source.string();
    const SqliteDatabase handle = OpenToRead(source, doing);
    sqlite3* db = handle.get();
    RegisterRows rows;
    Exec(db, "BEGIN", doing);
    Statement records(db, "select id," + ColumnList() + " from t_webinfo order by id", doing);
    while (records.Step()) {
        rows.ids.push_back(records.Column(0).value_or(""));
        auto& cells = rows.records.emplace_back();
        for (std::size_t c = 1; c <= kRecordColumns.size(); ++c) cells.push_back(records.Column(static_cast<int>(c)));
    }
    Statement settings(db, "select web_alarm,domain_alarm from t_set order by rowid", doing);
    while (settings.Step()) rows.settings.emplace_back(settings.Column(0), settings.Column(1));
    Statement has_key(db, "select 1 from sqlite_master where type='table' and name='t_key'", doing);
    if (has_key.Step()) {
        Statement key(db, "select wrapped from t_key where id=1", doing);
        if (key.Step()) rows.wrapped_key = key.Column(0);
    }
    Exec(db, "COMMIT", doing);
    return rows;
}

void CreateRegisterFileWith(const std::filesystem::path& target, const RegisterRows& rows) {
    CreateStarterDatabase(target, [&](sqlite3* db) {
        WriteRegister(db, rows);
        VerifyRegister(db, rows);
    });
}

}  // namespace sitora::data
