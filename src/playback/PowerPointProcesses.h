#pragma once
// Is an office already running for this user, and the last-resort end of the
// office processes this program started.
#include <sys/types.h>

namespace kv {

// 1 when an office process of this user runs that this program did not
// start, else 0. Never throws.
int IsPowerpointRunning();
// Ends every office process (in list order) that this program started.
// Never throws; an office of the user's own is never touched.
void KillPowerPoint();
// One step of KillPowerPoint.
void TerminateIfPowerPoint(pid_t pid);

}  // namespace kv
