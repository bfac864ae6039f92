#pragma once
// The register's two tables on a PostgreSQL server: created once (empty, or as a copy of a
// db.mdb), checked at each connection, and vacuumed in place of compaction.
#include <filesystem>
#include <optional>
#include <string>

namespace sitora::data {

class ServerConnection;

// Throws DataError unless the server's database holds both tables.
void RequireServerRegister(ServerConnection& server);

// Creates the register on an empty database; with `source` (a db.mdb) every record and the
// lead times are copied byte for byte, read back and compared before anything is committed.
// A database that holds either table is refused and left as it is. Returns the records copied.
// Throws DataError naming what stopped it; then the database is as it was.
int CreateServerRegister(const std::string& uri, const std::optional<std::filesystem::path>& source);

// The register key, wrapped, in t_key (as hex text, which no client encoding alters): nothing while
// there is none; storing makes the table when missing and, without `replace`, stores nothing when
// a key is there already (returns false). Throw DataError.
std::optional<std::string> ReadServerWrappedKey(ServerConnection& server);
bool StoreServerWrappedKey(ServerConnection& server, const std::string& wrapped, bool replace);

// The server's own upkeep of the two tables (VACUUM, ANALYZE). Throws DataError.
void VacuumServerRegister(const std::string& uri, bool rewrite = false);

}  // namespace sitora::data
