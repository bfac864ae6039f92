// The program's failure points: none fires.
#include "base/files/failure_points.h"

namespace sitora::files {

void CrashPoint(std::string_view, int) {}
bool PlannedFailure() { return false; }
bool PretendNoHardLinks() { return false; }
bool PretendNoModes() { return false; }

}  // namespace sitora::files
