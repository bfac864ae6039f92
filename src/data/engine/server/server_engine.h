#pragma once
// The register on a PostgreSQL server (a team's shared register): the catalogue's statements in
// the server's words with numbered, typed parameters; the server's unique indexes keep a site
// from being added twice.
#include <memory>
#include <string>

#include "data/engine/engine.h"

namespace sitora::data {

// Connects to the register at `uri` (a postgresql:// URI). Throws DataError.
std::unique_ptr<Engine> OpenServerEngine(const std::string& uri);

}  // namespace sitora::data
