#include "data/engine/sqlite/sqlite_handles.h"

#include "data/data_error.h"

namespace sitora::data {

SqliteStatement PrepareStatement(sqlite3* db, std::string_view sql, unsigned flags) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v3(db, sql.data(), static_cast<int>(sql.size()), flags, &statement, nullptr) != SQLITE_OK) {
        sqlite3_finalize(statement);
        throw DataError(sqlite3_errmsg(db));
    }
    return SqliteStatement(statement);
}

}  // namespace sitora::data
