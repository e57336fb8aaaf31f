#include "platform/automation/uno/OfficeFirstStart.h"

#include <cstring>
#include <fstream>

#include "platform/core/Trace.h"
#include "platform/process/ChildProcess.h"

namespace kv::uno {

namespace {

// The build the profile was last started with, or the installed office's
// build: the office restarts itself when the two differ.
std::string BuildIdLine(const std::filesystem::path& file, const std::string& prefix) {
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(prefix, 0) == 0) return line.substr(prefix.size());
    return {};
}

}  // namespace

bool ProfileNeedsFirstStart(const std::filesystem::path& profile) {
    const std::string made = BuildIdLine(profile / "user" / "extensions" / "buildid", "");
    if (made.empty()) return true;
    const std::string installed = BuildIdLine(KV_OFFICE_PROGRAM_DIR "/versionrc", "buildid=");
    return !installed.empty() && installed != made;
}

bool RunFirstStart(const std::string& program, const std::string& profileUrl, int limitMs,
                   std::shared_ptr<const ClosedRoom> room, std::string* error) {
    std::vector<std::string> argv = {program,        "--headless",  "--terminate_after_init", "--norestore",
                                     "--nologo",     "--nodefault", "--nolockcheck",          "--nofirststartwizard",
                                     "-env:UserInstallation=" + profileUrl};
    SpawnOptions options;
    options.newProcessGroup = true;
    options.room = std::move(room);
    int spawnError = 0;
    ChildProcess process = ChildProcess::Spawn(argv, options, &spawnError);
    if (!process.Started()) {
        *error = "the office program \"" + program + "\" could not be started: " + std::strerror(spawnError);
        return false;
    }
    std::optional<int> status = process.Wait(limitMs);
    if (!status) {
        process.Terminate(2000);
        *error = "the office's first start on a new profile took longer than " + std::to_string(limitMs / 1000) + " s";
        return false;
    }
    // A start that failed here fails again in the real start, which reports it.
    TraceF("Office profile made (status %d)\n", *status);
    return true;
}

}  // namespace kv::uno
