#pragma once
// The register as a SQLite file (db.mdb): the catalogue's statements translated to SQLite's
// words, named parameters bound with their stored forms, and the file followed when another
// process puts a new one in its place.
#include <filesystem>
#include <memory>

#include "data/engine/engine.h"

namespace sitora::data {

// Opens `path` read-write; never creates it. Throws DataError when the file is missing,
// unreadable or not a database.
std::unique_ptr<Engine> OpenSqliteEngine(const std::filesystem::path& path);

}  // namespace sitora::data
