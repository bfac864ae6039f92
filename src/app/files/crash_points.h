#pragma once
// Named places where a test makes the process kill itself, to prove that a crash at any step
// of a write loses nothing. Only a test program plans a crash; the program itself never does,
// and then a crash point costs one test of an empty string.
#include <string>
#include <string_view>

namespace sitora::files {

// Kills the process with SIGKILL when the planned crash names this step of this operation.
void CrashPoint(std::string_view operation, int step);

// --- test seam ---
// Plans the crash "<operation>:<step>" (empty: none).
void PlanCrashForTesting(std::string point);

}  // namespace sitora::files
