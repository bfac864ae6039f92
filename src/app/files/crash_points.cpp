#include "app/files/crash_points.h"

#include <signal.h>
#include <unistd.h>

namespace sitora::files {
namespace {

std::string& PlannedCrash() {
    static std::string planned;
    return planned;
}

}  // namespace

void CrashPoint(std::string_view operation, int step) {
    const std::string& planned = PlannedCrash();
    if (planned.empty()) return;
    if (std::string(operation) + ":" + std::to_string(step) == planned) kill(getpid(), SIGKILL);
}

void PlanCrashForTesting(std::string point) { PlannedCrash() = std::move(point); }

}  // namespace sitora::files
