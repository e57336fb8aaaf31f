#include "platform/files/RunFolder.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <set>
#include <string>
#include <system_error>

#include "platform/core/Paths.h"
#include "platform/core/PrivateFiles.h"
#include "platform/core/Trace.h"

namespace kv {
namespace fs = std::filesystem;

namespace {

constexpr const char* kLockName = "~run.lock";
constexpr const char* kFolderPrefix = "run-";

// Where run folders are made: the cache, else the runtime folder.
std::vector<fs::path> RunParents() { return {RunsFolder(), RuntimeFolder() / "kalvista-runs"}; }

// The run of this process: its folder, the lock it holds on it, what stays.
class ThisRun {
public:
    ~ThisRun() { End(false); }

    fs::path Folder() {
        std::lock_guard lock(m_mutex);
        if (m_folder.empty()) Make();
        return m_folder;
    }
    void Keep(const fs::path& file) {
        std::lock_guard lock(m_mutex);
        m_kept.insert(file.lexically_normal());
    }
    void End(bool trace) {
        std::lock_guard lock(m_mutex);
        if (m_folder.empty()) return;
        RetireRun(m_folder, std::vector<fs::path>(m_kept.begin(), m_kept.end()));
        if (trace) TraceF("Run folder removed: %s\n", m_folder.c_str());
        ::close(m_lock);
        m_lock = -1;
        m_folder.clear();
        m_kept.clear();
    }
    bool IsOurs(const fs::path& folder) {
        std::lock_guard lock(m_mutex);
        return !m_folder.empty() && folder.lexically_normal() == m_folder;
    }

private:
    void Make() {
        for (const fs::path& parent : RunParents()) {
            std::string why;
            if (!MakePrivateFolder(parent, &why)) {
                TraceF("RunFolder : %s\n", why.c_str());
                continue;
            }
            std::string pattern = (parent / (std::string(kFolderPrefix) + "XXXXXX")).string();
            if (!::mkdtemp(pattern.data())) continue;
            const fs::path folder = fs::path(pattern).lexically_normal();
            const int lock = CreatePrivateFile(folder / kLockName);
            if (lock < 0 || ::flock(lock, LOCK_EX | LOCK_NB) != 0) {
                if (lock >= 0) ::close(lock);
                std::error_code ignored;
                fs::remove_all(folder, ignored);
                continue;
            }
            m_folder = folder;
            m_lock = lock;
            TraceF("Run folder: %s\n", m_folder.c_str());
            return;
        }
    }

    std::mutex m_mutex;
    fs::path m_folder;
    int m_lock = -1;
    std::set<fs::path> m_kept;
};

ThisRun& Run() {
    static ThisRun run;
    return run;
}

// True when the folder holds a lock file of ours that no running program holds.
bool HeldByNobody(const fs::path& folder) {
    const int fd = ::open((folder / kLockName).c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat info {};
    const bool free = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::geteuid() &&
                      ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    ::close(fd);  // closing releases a lock taken just now
    return free;
}

}  // namespace

fs::path RunsFolder() { return CacheFolder() / "Kalvista" / "runs"; }

fs::path RunFolder() { return Run().Folder(); }

fs::path NewRunFile(const std::string& stem, const std::string& extension) {
    static std::atomic<int> counter{0};
    fs::path folder = RunFolder();
    if (folder.empty()) folder = UserFallbackFolder();
    return folder / (stem + "-" + std::to_string(++counter) + extension);
}

void KeepInRunFolder(const fs::path& file) { Run().Keep(file); }

void EndRunFolder() { Run().End(true); }

std::vector<fs::path> AbandonedRuns() {
    std::vector<fs::path> found;
    std::error_code error;
    for (const fs::path& runs : RunParents()) {
        if (!IsPrivateFolder(runs)) continue;
        for (const auto& entry : fs::directory_iterator(runs, error)) {
            const fs::path folder = entry.path().lexically_normal();
            if (folder.filename().string().rfind(kFolderPrefix, 0) != 0 || !IsPrivateFolder(folder)) continue;
            if (Run().IsOurs(folder)) continue;
            if (HeldByNobody(folder)) found.push_back(folder);
            else if (!fs::exists(folder / kLockName, error) && fs::is_empty(folder, error)) fs::remove(folder, error);
        }
    }
    std::sort(found.begin(), found.end());
    return found;
}

void RetireRun(const fs::path& folder, const std::vector<fs::path>& kept) {
    std::error_code error;
    bool keeps = false;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        const fs::path path = entry.path().lexically_normal();
        if (path.filename() == kLockName) continue;
        if (std::find(kept.begin(), kept.end(), path) != kept.end()) {
            keeps = true;
            continue;
        }
        std::error_code ignored;
        fs::remove_all(path, ignored);  // a link is removed, never followed
    }
    fs::remove(folder / kLockName, error);
    if (!keeps) fs::remove(folder, error);
}

}  // namespace kv
