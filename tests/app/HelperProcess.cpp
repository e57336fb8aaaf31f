#include "HelperProcess.h"

#include <algorithm>
#include <chrono>
#include <fstream>
#include <thread>

namespace kvtest {

kv::ChildProcess StartHelper(const std::vector<std::string>& arguments, const std::filesystem::path& output) {
    std::vector<std::string> argv{KV_APP_TEST_HELPER};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    kv::SpawnOptions options;
    options.outputFile = output;
    return kv::ChildProcess::Spawn(argv, options);
}

std::vector<std::string> ReadLines(const std::filesystem::path& file) {
    std::vector<std::string> lines;
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

bool WaitForLine(const std::filesystem::path& file, const std::string& line, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const auto lines = ReadLines(file);
        if (std::find(lines.begin(), lines.end(), line) != lines.end()) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

}  // namespace kvtest
