#pragma once
// A program run to its end, timed from its start, its output kept in a log
// (printed to stderr when it fails): how the benchmarks time whole runs.
#include <filesystem>
#include <string>
#include <vector>

#include "platform/process/ChildProcess.h"

namespace kvtest {

// Seconds the run took; -1 when it did not exit with 0.
double TimedRun(const std::vector<std::string>& argv, const std::string& log);

// Starts `argv` in a process group of its own, its output into `log` and, when
// `trace` is named, its trace into `trace`; both are made new. `environment`
// adds NAME=value entries.
kv::ChildProcess StartLogged(const std::vector<std::string>& argv, const std::filesystem::path& log,
                             const std::filesystem::path& trace, std::vector<std::string> environment = {});

}  // namespace kvtest
