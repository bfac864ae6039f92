#pragma once
// Many new records into a SQLite register, inside the caller's transaction: the rows go in
// groups through one multi-row insert, so that what every statement costs (its start, the
// table's next id) is paid once per group instead of once per row.
#include <sqlite3.h>

#include <cstddef>
#include <vector>

#include "data/engine/sqlite/sqlite_handles.h"
#include "data/record_entry.h"

namespace sitora::data {

// Binds one stored value to a statement's marker `index`: account bytes as a BLOB, the rest
// as UTF-8 text (dates already in their stored form). The value must outlive the statement's
// run when `destructor` is SQLITE_STATIC.
int BindValueOfKind(sqlite3_stmt* statement, int index, ValueKind kind, std::string_view value,
                    sqlite3_destructor_type destructor);

class RecordBulkInsert {
public:
    explicit RecordBulkInsert(sqlite3* db) : db_(db) {}
    RecordBulkInsert(const RecordBulkInsert&) = delete;
    RecordBulkInsert& operator=(const RecordBulkInsert&) = delete;

    // Queues a record; a full group goes in at once. Throws DataError.
    void Add(StoredRecord record);
    // Inserts what is queued. Throws DataError.
    void Finish();

private:
    SqliteStatement StatementFor(std::size_t rows);
    void Run(sqlite3_stmt* statement);

    sqlite3* db_;
    SqliteStatement group_;  // for a full group; a last, shorter one is prepared for itself
    std::vector<StoredRecord> queued_;
};

}  // namespace sitora::data
