#include "platform/files/FileMove.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <vector>

namespace kv {

namespace {

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor() {
        if (m_fd >= 0) ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return m_fd; }
    // Closes now and reports a failed close (the last write error may show here).
    bool Close() {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }

private:
    int m_fd;
};

bool WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

// Copies into a new file at `to` (never over an existing one) and flushes it.
int CopyAndFlush(const std::filesystem::path& from, const std::filesystem::path& to) {
    FileDescriptor in(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
    if (in.get() < 0) return errno;
    struct stat info {};
    if (::fstat(in.get(), &info) != 0) return errno;
    FileDescriptor out(::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, info.st_mode & 07777));
    if (out.get() < 0) return errno;
    std::vector<char> buffer(1 << 20);
    for (;;) {
        const ssize_t got = ::read(in.get(), buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return errno;
        if (got == 0) break;
        if (!WriteAll(out.get(), buffer.data(), static_cast<size_t>(got))) return errno;
    }
    if (::fsync(out.get()) != 0) return errno;
    if (!out.Close()) return errno;
    return 0;
}

}  // namespace

bool MoveFileTo(const std::filesystem::path& from, const std::filesystem::path& to, std::error_code& error) {
    error.clear();
    struct stat target {};
    if (::lstat(to.c_str(), &target) == 0) {
        error = std::make_error_code(std::errc::file_exists);
        return false;
    }
    if (::rename(from.c_str(), to.c_str()) == 0) return true;
    if (errno != EXDEV) {
        error = std::error_code(errno, std::generic_category());
        return false;
    }
    if (const int failure = CopyAndFlush(from, to)) {
        if (failure != EEXIST) ::unlink(to.c_str());
        error = std::error_code(failure, std::generic_category());
        return false;
    }
    if (::unlink(from.c_str()) != 0) {
        // The copy is complete; the source stays behind as a second copy.
        error = std::error_code(errno, std::generic_category());
    }
    return true;
}

}  // namespace kv
