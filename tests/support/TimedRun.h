#pragma once
// A program run to its end, timed from its start, its output kept in a log
// (printed to stderr when it fails): how the benchmarks time whole runs.
#include <string>
#include <vector>

namespace kvtest {

// Seconds the run took; -1 when it did not exit with 0.
double TimedRun(const std::vector<std::string>& argv, const std::string& log);

}  // namespace kvtest
