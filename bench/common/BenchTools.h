#pragma once
// Timing and the reference command for the recording benchmarks.
#include <string>
#include <vector>

namespace kvbench {

// CPU seconds used so far by this process (all threads) and by its reaped children.
double SelfCpuSeconds();
double ChildrenCpuSeconds();
double WallSeconds();
// Resident memory of this process now, in megabytes.
double ResidentMegabytes();

// Runs a command (no shell) to its end; its output goes to `log`. True on exit 0.
bool RunCommand(const std::vector<std::string>& argv, const std::string& log);
// The text of a file.
std::string ReadText(const std::string& path);

}  // namespace kvbench
