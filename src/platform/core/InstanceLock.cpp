#include "platform/core/InstanceLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "platform/core/Paths.h"
#include "platform/core/Trace.h"

namespace kv {

std::filesystem::path InstanceFilePath(std::string_view name, std::string_view suffix) {
    return RuntimeFolder() / (std::string(name) + std::string(suffix));
}

namespace {

// Our lock is a plain file of this user's: a link, or a file another user
// made, is not ours to take (nor a reason to believe a copy runs).
bool IsOwnLockFile(int fd) {
    struct stat info {};
    return ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::geteuid();
}

}  // namespace

InstanceLock::InstanceLock(std::string_view name) {
    const auto path = InstanceFilePath(name, ".lock");
    // Close-on-exec: children (the office, ffmpeg) must not keep the lock
    // alive after the program ends.
    m_fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
    if (m_fd < 0) {
        m_result = errno == EACCES || errno == EPERM ? Result::AccessDenied : Result::Failed;
        if (errno == ELOOP) TraceF("InstanceLock : %s is a link, not our lock\n", path.c_str());
        return;
    }
    if (!IsOwnLockFile(m_fd)) {
        TraceF("InstanceLock : %s is not a file of ours, not our lock\n", path.c_str());
        ::close(m_fd);
        m_fd = -1;
        return;
    }
    int status;
    while ((status = ::flock(m_fd, LOCK_EX | LOCK_NB)) != 0 && errno == EINTR) {
    }
    if (status == 0) {
        m_result = Result::Created;
        return;
    }
    m_result = errno == EWOULDBLOCK ? Result::AlreadyExists : Result::Failed;
    ::close(m_fd);
    m_fd = -1;
}

InstanceLock::~InstanceLock() {
    if (m_fd >= 0) ::close(m_fd);
}

}  // namespace kv
