#pragma once
// Office processes of this user, found through /proc, and the record of the
// process groups that this program started itself (the only ones it may end).
#include <sys/types.h>

#include <string>
#include <vector>

namespace kv {

// The office's main program, as /proc/<pid>/exe names it.
inline constexpr const char* kOfficeProcessName = "soffice.bin";

struct ProcessEntry {
    pid_t pid = 0;
    pid_t group = 0;
    std::string moduleName;  // base name of /proc/<pid>/exe; "<unknown>" when unreadable
};

// Processes of the current user in ascending pid order, at most `limit`;
// false when /proc cannot be read.
bool EnumUserProcesses(std::vector<ProcessEntry>* processes, size_t limit = 1024);
// One process of the current user; false when it is gone or someone else's.
bool QueryUserProcess(pid_t pid, ProcessEntry* entry);

// Whether a process of `group` still runs: a zombie waiting for its parent
// (another run, busy elsewhere) has ended.
bool ProcessGroupLives(pid_t group);

// The process groups this program started for the office.
void RegisterOwnedProcessGroup(pid_t group);
void UnregisterOwnedProcessGroup(pid_t group);
bool IsOwnedProcessGroup(pid_t group);

// SIGTERM to one process, then SIGKILL when it is still there after `graceMs`;
// 0 on success, else the errno value.
int TerminateProcessGently(pid_t pid, int graceMs = 2000);

}  // namespace kv
