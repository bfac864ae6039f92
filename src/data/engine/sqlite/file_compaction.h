#pragma once
// The compaction of a register file, db.mdb, by VACUUM INTO and a guarded swap.
#include <filesystem>

#include "data/compaction.h"

namespace sitora::data {

// Compacts <folder>/db.mdb as CompactDatabase promises.
bool CompactRegisterFile(const std::filesystem::path& folder, const StepObserver& observer);

// A flushed, owner-only copy of <folder>/db.mdb as SQLite sees it (a journal left by a crash
// rolled back first) under `name` in the folder, replacing an older one. Throws DataError.
void CopyRegisterFile(const std::filesystem::path& folder, const char* name);

}  // namespace sitora::data
