#include "support/TimedRun.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "platform/process/ChildProcess.h"

namespace kvtest {

double TimedRun(const std::vector<std::string>& argv, const std::string& log) {
    kv::SpawnOptions options;
    options.outputFile = log;
    std::fflush(stdout);
    const auto start = std::chrono::steady_clock::now();
    kv::ChildProcess program = kv::ChildProcess::Spawn(argv, options);
    const int status = program.Started() ? program.Wait().value_or(255) : 255;
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (status != 0) {
        std::fprintf(stderr, "%s failed with %d:\n", argv[0].c_str(), status);
        std::system(("cat '" + log + "' >&2").c_str());
    }
    return status == 0 ? seconds : -1;
}

kv::ChildProcess StartLogged(const std::vector<std::string>& argv, const std::filesystem::path& log,
                             const std::filesystem::path& trace, std::vector<std::string> environment) {
    std::error_code ignored;
    std::filesystem::remove(log, ignored);
    kv::SpawnOptions options;
    options.outputFile = log;
    options.newProcessGroup = true;
    if (!trace.empty()) {
        std::filesystem::remove(trace, ignored);
        environment.push_back("KALVISTA_TRACE=" + trace.string());
    }
    options.environment = std::move(environment);
    return kv::ChildProcess::Spawn(argv, options);
}

}  // namespace kvtest
