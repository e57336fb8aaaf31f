#include "playback/PowerPointProcesses.h"

#include <strings.h>

#include <vector>

#include "platform/automation/OfficeProcesses.h"
#include "platform/core/Trace.h"

namespace kv {

namespace {
bool IsOfficeModule(const std::string& name) { return ::strcasecmp(name.c_str(), kOfficeProcessName) == 0; }
}  // namespace

int IsPowerpointRunning() {
    try {
        std::vector<ProcessEntry> processes;
        if (!EnumUserProcesses(&processes, 1024)) {
            Trace("CPptContainerDlg::IsPowerpointRunning() failed.");
            return 0;
        }
        for (const ProcessEntry& process : processes) {
            // An office this program started itself is not the user's.
            if (IsOwnedProcessGroup(process.group)) continue;
            if (IsOfficeModule(process.moduleName)) {
                Trace("Powerpoint Already Running!!");
                return 1;
            }
        }
        Trace("Powerpoint Not Running Already!");
        return 0;
    } catch (...) {
        Trace("Caught Exception in CPptContainerDlg::IsPowerpointRunning()");
        return 0;
    }
}

void KillPowerPoint() {
    try {
        Trace("In KillPowerPoint()");
        // There are no thread tokens or privileges to adjust here.
        std::vector<ProcessEntry> processes;
        if (!EnumUserProcesses(&processes, 1024)) return;
        for (const ProcessEntry& process : processes) TerminateIfPowerPoint(process.pid);
    } catch (...) {
    }
}

void TerminateIfPowerPoint(pid_t pid) {
    ProcessEntry process;
    if (!QueryUserProcess(pid, &process)) return;
    if (!IsOfficeModule(process.moduleName) || !IsOwnedProcessGroup(process.group)) return;
    int error = TerminateProcessGently(pid);
    if (error == 0)
        Trace("TerminateProcess Succeeded");
    else
        TraceF("TerminateProcess Failed Error = %d", error);
}

}  // namespace kv
