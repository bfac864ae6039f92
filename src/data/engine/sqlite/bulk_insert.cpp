#include "data/engine/sqlite/bulk_insert.h"

#include <memory>
#include <string>

#include "data/data_error.h"
#include "data/catalogue/columns.h"

namespace sitora::data {
namespace {

// 23 markers a row: 64 rows stay far below SQLite's limit on markers in one statement.
constexpr std::size_t kGroupRows = 64;

std::string GroupInsertSql(std::size_t rows) {
    std::string sql = "insert into t_webinfo(";
    for (std::size_t c = 0; c < kRecordColumns.size(); ++c)
        (sql += c ? "," : "") += kRecordColumns[c];
    sql += ") values ";
    std::string row = "(";
    for (std::size_t c = 0; c < kRecordColumns.size(); ++c) row += c ? ",?" : "?";
    row += ")";
    for (std::size_t r = 0; r < rows; ++r) (sql += r ? "," : "") += row;
    return sql;
}

}  // namespace

int BindValueOfKind(sqlite3_stmt* statement, int index, ValueKind kind, std::string_view value,
                    sqlite3_destructor_type destructor) {
    if (kind == ValueKind::kProtected)
        return sqlite3_bind_blob64(statement, index, value.data(), value.size(), destructor);
    return sqlite3_bind_text64(statement, index, value.data(), value.size(), destructor,
                               SQLITE_UTF8);
}

void RecordBulkInsert::Add(StoredRecord record) {
    queued_.push_back(std::move(record));
    if (queued_.size() < kGroupRows) return;
    if (!group_) group_ = StatementFor(kGroupRows);
    Run(group_.get());
}

void RecordBulkInsert::Finish() {
    if (queued_.empty()) return;
    const SqliteStatement last = StatementFor(queued_.size());
    Run(last.get());
}

SqliteStatement RecordBulkInsert::StatementFor(std::size_t rows) {
    return PrepareStatement(db_, GroupInsertSql(rows), SQLITE_PREPARE_PERSISTENT);
}

void RecordBulkInsert::Run(sqlite3_stmt* statement) {
    const auto& kinds = RecordColumnKinds();
    int marker = 0;
    for (const StoredRecord& record : queued_)
        for (std::size_t c = 0; c < kRecordColumns.size(); ++c)
            if (const int rc =
                    BindValueOfKind(statement, ++marker, kinds[c], record.Value(c), SQLITE_STATIC);
                rc != SQLITE_OK)
                throw DataError(sqlite3_errstr(rc));
    const int rc = sqlite3_step(statement);
    const std::string failure = rc == SQLITE_DONE ? std::string() : sqlite3_errmsg(db_);
    sqlite3_reset(statement);
    sqlite3_clear_bindings(statement);
    if (rc != SQLITE_DONE) throw DataError(failure);
    queued_.clear();
}

}  // namespace sitora::data
