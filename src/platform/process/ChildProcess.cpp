#include "platform/process/ChildProcess.h"

#include "platform/process/ChildrenOnSignal.h"
#include "platform/process/RoomSpawn.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <map>
#include <thread>

extern char** environ;

namespace kv {
namespace fs = std::filesystem;

namespace {

bool IsExecutable(const fs::path& path) {
    std::error_code error;
    return fs::is_regular_file(path, error) && ::access(path.c_str(), X_OK) == 0;
}

std::vector<std::string> MergedEnvironment(const std::vector<std::string>& extra) {
    std::map<std::string, std::string> entries;
    std::vector<std::string> order;
    auto add = [&](const std::string& entry) {
        const std::string name = entry.substr(0, entry.find('='));
        if (!entries.count(name)) order.push_back(name);
        entries[name] = entry;
    };
    for (char** e = environ; e && *e; ++e) add(*e);
    for (const auto& entry : extra) add(entry);
    std::vector<std::string> result;
    for (const auto& name : order) result.push_back(entries[name]);
    return result;
}

}  // namespace

std::optional<fs::path> ChildProcess::Resolve(const std::string& program, const std::vector<fs::path>& searchFirst) {
    if (program.find('/') != std::string::npos) {
        return IsExecutable(program) ? std::optional<fs::path>(program) : std::nullopt;
    }
    for (const auto& folder : searchFirst)
        if (!folder.empty() && IsExecutable(folder / program)) return folder / program;
    const char* path = std::getenv("PATH");
    std::string list = path ? path : "/usr/local/bin:/usr/bin:/bin";
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find(':', start);
        std::string folder = list.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!folder.empty() && IsExecutable(fs::path(folder) / program)) return fs::path(folder) / program;
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return std::nullopt;
}

ChildProcess ChildProcess::Spawn(const std::vector<std::string>& argv, const SpawnOptions& options, int* error) {
    if (error) *error = 0;
    if (argv.empty()) {
        if (error) *error = EINVAL;
        return {};
    }
    auto program = Resolve(argv[0], options.searchFirst);
    if (!program) {
        if (error) *error = ENOENT;
        return {};
    }
    std::vector<char*> args;
    for (const auto& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    const auto envStrings = MergedEnvironment(options.environment);
    std::vector<char*> env;
    for (const auto& entry : envStrings) env.push_back(const_cast<char*>(entry.c_str()));
    env.push_back(nullptr);

    const std::string output = options.outputFile.empty() ? "/dev/null" : options.outputFile.string();
    if (options.room) {
        // Its real place: a link to it may lie in a folder the room empties.
        std::error_code unresolved;
        const fs::path real = fs::canonical(*program, unresolved);
        if (!unresolved) program = real;
        const RoomSpawn spawn{options.room.get(), program->c_str(), args.data(), env.data(), output.c_str(),
                              options.newProcessGroup};
        int failure = 0;
        const pid_t pid = SpawnInRoom(spawn, &failure);
        if (pid < 0) {
            if (error) *error = failure;
            return {};
        }
        RememberChild(pid, options.newProcessGroup);
        return ChildProcess(pid, options.newProcessGroup);
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    // Never through a link: the output goes where the caller says, or nowhere.
    posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_NOFOLLOW, 0600);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    short flags = POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGXFSZ);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    if (options.newProcessGroup) {
        flags |= POSIX_SPAWN_SETPGROUP;
        posix_spawnattr_setpgroup(&attributes, 0);
    }
    posix_spawnattr_setflags(&attributes, flags);
    pid_t pid = -1;
    const int result = posix_spawn(&pid, program->c_str(), &actions, &attributes, args.data(), env.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (result != 0) {
        if (error) *error = result;
        return {};
    }
    RememberChild(pid, options.newProcessGroup);
    return ChildProcess(pid, options.newProcessGroup);
}

ChildProcess::~ChildProcess() {
    if (Started() && !m_status) Terminate(1000);
}

ChildProcess::ChildProcess(ChildProcess&& other) noexcept
    : m_pid(other.m_pid), m_group(other.m_group), m_status(other.m_status) {
    other.m_pid = -1;
}

ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept {
    if (this != &other) {
        if (Started() && !m_status) Terminate(1000);
        m_pid = other.m_pid;
        m_group = other.m_group;
        m_status = other.m_status;
        other.m_pid = -1;
    }
    return *this;
}

std::optional<int> ChildProcess::Wait(int timeoutMs) {
    if (!Started()) return std::nullopt;
    if (m_status) return m_status;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        int status = 0;
        const pid_t done = ::waitpid(m_pid, &status, timeoutMs < 0 ? 0 : WNOHANG);
        if (done == m_pid) {
            m_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            ForgetChild(m_pid);
            return m_status;
        }
        if (done < 0 && errno != EINTR) {
            m_status = 255;  // not our child any more: nothing to wait for
            ForgetChild(m_pid);
            return m_status;
        }
        if (timeoutMs >= 0) {
            if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
}

bool ChildProcess::Running() { return Started() && !Wait(0); }

void ChildProcess::Signal(int signal) {
    if (!Started() || m_status) return;
    if (m_group) ::kill(-m_pid, signal);
    else ::kill(m_pid, signal);
}

void ChildProcess::Terminate(int graceMs) {
    if (!Started() || m_status) return;
    Signal(SIGTERM);
    if (!Wait(graceMs)) {
        Signal(SIGKILL);
        Wait();
    } else if (m_group) {
        ::kill(-m_pid, SIGKILL);  // whatever of the group is still there
    }
}

void ChildProcess::Release() {
    ForgetChild(m_pid);
    m_pid = -1;
}

}  // namespace kv
