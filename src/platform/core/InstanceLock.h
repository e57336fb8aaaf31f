#pragma once
// The program's named mutex: an exclusive flock on a file in the runtime
// folder, named from the mutex name. The holder keeps it for its whole life;
// the kernel drops it when the process ends, however it ends, so a copy that
// crashed leaves no stale lock behind.
#include <filesystem>
#include <string_view>

namespace kv {

// A file in the user's runtime folder named from `name` and `suffix`.
std::filesystem::path InstanceFilePath(std::string_view name, std::string_view suffix);

class InstanceLock {
public:
    enum class Result {
        Created,        // we hold it: the first instance
        AlreadyExists,  // another process holds it
        AccessDenied,   // the file is there but not ours to open: another instance
        Failed,         // no lock at all, or a file there that is not ours (counts as a first start)
    };

    explicit InstanceLock(std::string_view name);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    Result result() const { return m_result; }
    // Another copy of the program runs.
    bool HeldElsewhere() const { return m_result == Result::AlreadyExists || m_result == Result::AccessDenied; }

private:
    int m_fd = -1;
    Result m_result = Result::Failed;
};

}  // namespace kv
