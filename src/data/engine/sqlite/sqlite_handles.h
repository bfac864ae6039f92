#pragma once
// Owning handles for SQLite connections and statements, and how long every connection the
// program opens waits for another process's lock.
#include <sqlite3.h>

#include <memory>
#include <string_view>

namespace sitora::data {

// Another process's commit passes; a register held longer than this gives an error.
inline constexpr int kBusyTimeoutMs = 5000;

struct SqliteRelease {
    void operator()(sqlite3* db) const noexcept { sqlite3_close_v2(db); }
    void operator()(sqlite3_stmt* statement) const noexcept { sqlite3_finalize(statement); }
};
using SqliteDatabase = std::unique_ptr<sqlite3, SqliteRelease>;
using SqliteStatement = std::unique_ptr<sqlite3_stmt, SqliteRelease>;

// `sql` prepared on `db`; throws DataError with SQLite's message.
SqliteStatement PrepareStatement(sqlite3* db, std::string_view sql, unsigned flags = 0);

}  // namespace sitora::data
