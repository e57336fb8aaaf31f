#pragma once
// The second process of the application-core tests (helper/AppTestHelper.cpp)
// and the log file it writes.
#include <filesystem>
#include <string>
#include <vector>

#include "platform/process/ChildProcess.h"

namespace kvtest {

// Starts the helper with `arguments`; its stdout and stderr go to `output`.
kv::ChildProcess StartHelper(const std::vector<std::string>& arguments, const std::filesystem::path& output = {});

std::vector<std::string> ReadLines(const std::filesystem::path& file);
// Polls `file` until it holds the line `line`; false after `timeoutMs`.
bool WaitForLine(const std::filesystem::path& file, const std::string& line, int timeoutMs);

}  // namespace kvtest
