#include "platform/core/InstanceLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "platform/core/Paths.h"

namespace kv {

std::filesystem::path InstanceFilePath(std::string_view name, std::string_view suffix) {
    std::string file(name);
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    const std::filesystem::path folder = RuntimeFolder();
    if (!runtime || folder != runtime) file.append("-").append(std::to_string(getuid()));
    file += suffix;
    return folder / file;
}

InstanceLock::InstanceLock(std::string_view name) {
    const auto path = InstanceFilePath(name, ".lock");
    // Close-on-exec: children (the office, ffmpeg) must not keep the lock
    // alive after the program ends.
    m_fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (m_fd < 0) {
        m_result = errno == EACCES || errno == EPERM ? Result::AccessDenied : Result::Failed;
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
