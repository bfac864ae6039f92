#include "app/files/crash_points.h"

#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace sitora::files {

void CrashPoint(std::string_view operation, int step) {
    static const char* const planned = std::getenv("SITORA_CRASH_POINT");
    if (!planned) return;
    if (std::string(operation) + ":" + std::to_string(step) == planned) kill(getpid(), SIGKILL);
}

}  // namespace sitora::files
