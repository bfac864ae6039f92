#pragma once
// Places in the program's writes where a test build makes a step fail or the process die, to
// prove that a failure or a crash at that step loses nothing. The program links the empty
// implementation (failure_points_off.cpp), in which none of them ever fires; the tests link
// the planning one under tests/support.
#include <string_view>

namespace sitora::files {

// A test's planned crash at this step of this operation kills the process.
void CrashPoint(std::string_view operation, int step);

// Counts one file call; true, with errno set, when a test planned this call to fail.
bool PlannedFailure();

// A file system without hard links, or without modes, as a test pretends one.
bool PretendNoHardLinks();
bool PretendNoModes();

}  // namespace sitora::files
