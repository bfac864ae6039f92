#pragma once
// A connection setting changed for a while (many rows going in, a rewrite) and back to its own
// value afterwards.
#include <sqlite3.h>

#include <optional>
#include <string>

namespace sitora::data {

class ScopedPragma {
public:
    ScopedPragma(sqlite3* db, std::string name, int value) : db_(db), name_(std::move(name)) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db_, ("PRAGMA " + name_).c_str(), -1, &statement, nullptr) == SQLITE_OK &&
            sqlite3_step(statement) == SQLITE_ROW)
            kept_ = sqlite3_column_int(statement, 0);
        sqlite3_finalize(statement);
        if (kept_) Set(value);
    }
    ~ScopedPragma() {
        if (kept_) Set(*kept_);
    }
    ScopedPragma(const ScopedPragma&) = delete;
    ScopedPragma& operator=(const ScopedPragma&) = delete;

private:
    void Set(int value) {
        sqlite3_exec(db_, ("PRAGMA " + name_ + "=" + std::to_string(value)).c_str(), nullptr, nullptr, nullptr);
    }
    sqlite3* db_;
    std::string name_;
    std::optional<int> kept_;
};

}  // namespace sitora::data
