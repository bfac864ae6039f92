#pragma once
// Named places where a test makes the process kill itself, to prove that a crash at any step
// of a write loses nothing. Set SITORA_CRASH_POINT to "<operation>:<step>"; unset, they cost a
// string comparison.
#include <string_view>

namespace sitora::files {

// Kills the process with SIGKILL when SITORA_CRASH_POINT names this step of this operation.
void CrashPoint(std::string_view operation, int step);

}  // namespace sitora::files
