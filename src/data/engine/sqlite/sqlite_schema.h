#pragma once
// The register file's tables and indexes as SQLite keeps them: creating a starter register,
// checking one, and keeping its indexes and stored dates up to date.
#include <filesystem>
#include <functional>

#include "data/catalogue/columns.h"

struct sqlite3;

namespace sitora::data {

// The statements that create an empty register: both tables (date columns take only dates
// in their stored form, or nothing), t_set's one row (3, 3), and the indexes the look-ups and
// the expiry counts use.
extern const char* const kCreateSchemaSql;

// Throws DataError unless both tables of a register are there: a file without them is no
// register, even if SQLite opens it.
void RequireRegisterTables(sqlite3* db);

// Adds the indexes the look-ups and counts use where an older register lacks them; leaves the
// data as it is and gives up quietly where the file cannot be written.
void AddMissingIndexes(sqlite3* db);

// The sorted indexes of the register, dropped before many rows in the stored form go in at
// once and built again after (a sort is far faster than growing four indexes row by row).
// Inside the caller's transaction; throw DataError.
void DropRegisterIndexes(sqlite3* db);
void CreateRegisterIndexes(sqlite3* db);


// Rewrites dates that another tool stored in another form ("2024-9-30", "2024/1/5") in the
// stored form, so that they compare as dates, in batches of rows, each its own short write, so
// that other processes' commands go on between them; texts that are no dates stay as they are
// (they are never due). Writes nothing when all dates are in their form, and gives up quietly
// where the file cannot be written (the next connection goes on from there).
void StoreDatesInTheirForm(sqlite3* db);

// Throws DataError saying why when SQLite cannot open `path` for its length alone (its unix
// file layer takes full paths shorter than 512 bytes).
void RequireOpenablePath(const std::filesystem::path& path);

// Creates a starter database at `path`. Refuses (throws DataError) when a file of that
// name exists; an existing register is never replaced. `fill`, when given, writes into the
// new register before it takes its name (a failure there, thrown, leaves no file).
void CreateStarterDatabase(const std::filesystem::path& path, const std::function<void(sqlite3*)>& fill = {});

}  // namespace sitora::data
