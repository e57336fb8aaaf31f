#pragma once
// A child process started from an argument vector (no shell, so blanks,
// quotes and other special characters in arguments are passed as they are).
// The object owns the child: destroying it ends and reaps a child still running.
#include <sys/types.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kv {

struct SpawnOptions {
    // Look for the program in these folders before PATH (when it has no slash).
    std::vector<std::filesystem::path> searchFirst;
    // Start the child in a process group of its own, so the whole group can be ended.
    bool newProcessGroup = false;
    // Where stdout and stderr go: empty means /dev/null.
    std::filesystem::path outputFile;
    // Extra environment entries "NAME=value" (added to or replacing ours).
    std::vector<std::string> environment;
    // Run the child in this closed room (see ClosedRoom.h); none: as we run.
    std::shared_ptr<const struct ClosedRoom> room;
};

class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(ChildProcess&& other) noexcept;
    ChildProcess& operator=(ChildProcess&& other) noexcept;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts argv[0] with the arguments; on failure returns a process that is
    // not Started() and sets `error` to the errno value (ENOENT: not found).
    static ChildProcess Spawn(const std::vector<std::string>& argv, const SpawnOptions& options, int* error = nullptr);
    // The full path a program name resolves to, searching `searchFirst` then PATH.
    static std::optional<std::filesystem::path> Resolve(const std::string& program,
                                                        const std::vector<std::filesystem::path>& searchFirst);

    bool Started() const { return m_pid > 0; }
    pid_t Pid() const { return m_pid; }

    // Waits for the end; nullopt on time-out (timeoutMs < 0 waits for ever).
    // The value is the exit status (0-255), or 128 + signal when killed.
    std::optional<int> Wait(int timeoutMs = -1);
    bool Running();
    // SIGTERM, then SIGKILL after `graceMs`; to the group when it has one.
    void Terminate(int graceMs = 2000);
    // Lets the child run on unowned (it is no longer ended on destruction).
    void Release();

private:
    explicit ChildProcess(pid_t pid, bool group) : m_pid(pid), m_group(group) {}
    void Signal(int signal);
    pid_t m_pid = -1;
    bool m_group = false;
    std::optional<int> m_status;
};

}  // namespace kv
