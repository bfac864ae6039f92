#pragma once
// The names of the register's files in the program folder, in one place.
#include <string>

namespace sitora::data {

inline constexpr const char* kRegisterFile = "db.mdb";
// A compaction's copy and its backup of db.mdb while the two change places.
inline constexpr const char* kCompactedFile = "newdb.mdb";
inline constexpr const char* kBackupFile = "tempdb.mdb";
// The register as it was before its accounts were sealed, kept while the upgrade runs.
inline constexpr const char* kProtectBackupFile = "protectdb.mdb";
// The file beside db.mdb that moves the register to a server: one libpq connection URI.
inline constexpr const char* kServerConfigFile = "register.conf";

// Where a conversion keeps the Windows version's Access db.mdb: db.jet.mdb, then db.jet-2.mdb, ...
inline std::string KeptAccessFile(int n) { return n == 1 ? "db.jet.mdb" : "db.jet-" + std::to_string(n) + ".mdb"; }
inline bool IsKeptAccessFile(const std::string& name) {
    return name == "db.jet.mdb" || (name.starts_with("db.jet-") && name.ends_with(".mdb"));
}

}  // namespace sitora::data
