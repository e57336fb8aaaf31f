#pragma once
// What a program run by a test leaves behind: every process it starts
// inherits a marker in its environment, so those still running can be found.
#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

namespace kvtest {

// The whole text of a file; empty when it cannot be read.
std::string ReadTextFile(const std::filesystem::path& path);

// Processes still running that inherited `marker` ("NAME=value") in their environment.
std::vector<pid_t> ProcessesWithMarker(const std::string& marker);

}  // namespace kvtest
