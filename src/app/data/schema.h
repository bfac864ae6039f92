#pragma once
// The two tables of db.mdb and the kinds of their columns.
#include <array>
#include <filesystem>
#include <functional>
#include <string_view>

struct sqlite3;

namespace sitora::data {

// Columns that hold calendar dates, stored as 'YYYY-MM-DD' so that text order is date order.
inline constexpr std::array<std::string_view, 4> kDateColumns = {
    "web_time", "web_endtime", "web_domaintime", "web_enddomaintime"};

// Columns that hold scrambled bytes; they are kept as BLOBs and come back byte for byte.
inline constexpr std::array<std::string_view, 8> kProtectedColumns = {
    "web_user", "web_pass", "web_domainuser", "web_domainpass",
    "web_dbname", "web_dbip", "web_dbuser", "web_dbpass"};

// t_set's lead times, whole numbers of days.
inline constexpr std::array<std::string_view, 2> kLeadTimeColumns = {"web_alarm", "domain_alarm"};

bool IsDateColumn(std::string_view column);
bool IsProtectedColumn(std::string_view column);
bool IsLeadTimeColumn(std::string_view column);
// What a column's values are, as parameters carry them: 'd' a date, 'p' protected bytes,
// 'n' a whole number of days, 't' text.
char ValueKind(std::string_view column);

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

// The columns of t_webinfo that hold a record's values, in table order (all but id).
inline constexpr std::array<std::string_view, 23> kRecordColumns = {
    "web_id", "web_name", "web_address", "web_login", "web_user", "web_pass", "web_ip", "web_size",
    "web_domain", "web_domainuser", "web_domainpass", "web_linkman", "web_dbname", "web_dbsize",
    "web_dbip", "web_dbuser", "web_dbpass", "web_dbtype", "web_time", "web_endtime", "web_domaintime",
    "web_enddomaintime", "web_remark"};

// ValueKind of each of kRecordColumns, by position.
const std::array<char, kRecordColumns.size()>& RecordColumnKinds();

// The position of a column in kRecordColumns (kRecordColumns.size() for none).
constexpr std::size_t RecordColumnIndex(std::string_view column) {
    std::size_t c = 0;
    while (c < kRecordColumns.size() && kRecordColumns[c] != column) ++c;
    return c;
}

// Throws DataError saying why when SQLite cannot open `path` for its length alone (its unix
// file layer takes full paths shorter than 512 bytes).
void RequireOpenablePath(const std::filesystem::path& path);

// Creates a starter database at `path`. Refuses (throws DataError) when a file of that
// name exists; an existing register is never replaced. `fill`, when given, writes into the
// new register before it takes its name (a failure there, thrown, leaves no file).
void CreateStarterDatabase(const std::filesystem::path& path, const std::function<void(sqlite3*)>& fill = {});

}  // namespace sitora::data
