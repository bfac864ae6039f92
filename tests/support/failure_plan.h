#pragma once
// The tests' side of the program's failure points: which file call fails, where the process
// dies, and what the file system pretends to lack.
#include <string>

namespace sitora::files {

// Every file operation counts as one call (a whole-file write as its write and, with sync, its
// flush; the database's own writes through the fault-injecting file layer). The call numbered
// `nth` from now on (1 = the next one) fails with `error`, and so does every later one when
// `sticky` is set (a full disk).
void InjectFaultForTesting(int nth, int error, bool sticky = false);
void ClearFaultsForTesting();
// Calls counted since the last InjectFaultForTesting or ClearFaultsForTesting.
int CallsSinceForTesting();
// Makes LinkFile fail (EPERM), as on a file system without hard links, until called with false.
void RefuseLinksForTesting(bool refuse);
// Makes every chmod fail (ENOSYS), as on a file system without modes, until called with false.
void RefuseModesForTesting(bool refuse);
// Plans the crash "<operation>:<step>" (empty: none).
void PlanCrashForTesting(std::string point);

}  // namespace sitora::files
