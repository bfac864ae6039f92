#pragma once
// Where a program folder's register lives, decided here and nowhere else: db.mdb beside the
// carriers, or a team's register on the PostgreSQL server that register.conf names.
#include <filesystem>
#include <optional>
#include <string>

#include "data/register_files.h"

namespace sitora::data {

// The folder's register is on a server: it holds register.conf (whatever that holds), and its
// db.mdb, if any, is no register of it.
bool HasServerConfig(const std::filesystem::path& folder);
// The URI that <folder>/register.conf holds, or nothing when the folder has none (the register
// is db.mdb). Throws DataError for an unreadable file, an empty one, or a URI that carries a
// password (that belongs in ~/.pgpass or PGPASSFILE, not in a file beside the carriers).
std::optional<std::string> ServerUriOf(const std::filesystem::path& folder);
// Throws DataError, naming `where`, unless `uri` is a postgresql:// URI without a password.
void CheckServerUri(const std::string& uri, const std::string& where);

// The data module's connection string for db.mdb in a program folder given with its trailing
// separator ("Provider=...;Data Source=<folder>db.mdb;Persist Security Info=False"), and for a
// server register.
std::string ConnectionStringFor(const std::string& program_folder);
std::string FileConnectionString(const std::filesystem::path& register_file);
std::string ServerConnectionString(const std::string& uri);
// The connection string of whichever register the folder has. Throws DataError as ServerUriOf.
std::string RegisterConnectionString(const std::string& program_folder);

}  // namespace sitora::data
