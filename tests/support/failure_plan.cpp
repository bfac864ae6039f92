#include "support/failure_plan.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>

#include "base/files/failure_points.h"

namespace sitora::files {
namespace {

struct FaultPlan {
    int calls = 0;
    int fail_at = 0;  // 0: no fault planned
    int error = 0;
    bool sticky = false;
};

FaultPlan plan;
bool links_refused = false;
bool modes_refused = false;
std::string planned_crash;

}  // namespace

void CrashPoint(std::string_view operation, int step) {
    if (planned_crash.empty()) return;
    if (std::string(operation) + ":" + std::to_string(step) == planned_crash) kill(getpid(), SIGKILL);
}

bool PlannedFailure() {
    ++plan.calls;
    if (plan.fail_at == 0) return false;
    if (plan.calls == plan.fail_at || (plan.sticky && plan.calls > plan.fail_at)) {
        errno = plan.error;
        return true;
    }
    return false;
}

bool PretendNoHardLinks() { return links_refused; }
bool PretendNoModes() { return modes_refused; }

void InjectFaultForTesting(int nth, int error, bool sticky) { plan = FaultPlan{0, nth, error, sticky}; }
void ClearFaultsForTesting() { plan = FaultPlan{}; }
int CallsSinceForTesting() { return plan.calls; }
void RefuseLinksForTesting(bool refuse) { links_refused = refuse; }
void RefuseModesForTesting(bool refuse) { modes_refused = refuse; }
void PlanCrashForTesting(std::string point) { planned_crash = std::move(point); }

}  // namespace sitora::files
