#pragma once
// The compaction of a register file, db.mdb, by VACUUM INTO and a guarded swap.
#include <filesystem>

#include "app/data/compaction.h"

namespace sitora::data {

// Compacts <folder>/db.mdb as CompactDatabase promises.
bool CompactRegisterFile(const std::filesystem::path& folder, const StepObserver& observer);

}  // namespace sitora::data
