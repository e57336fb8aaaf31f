#include "recording/SaveFiles.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace kv {
namespace fs = std::filesystem;

bool ProbeWritable(const std::string& path) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    close(fd);
    unlink(path.c_str());
    return true;
}

bool MoveFileTo(const std::string& from, const std::string& to, bool replace) {
    std::error_code error;
    if (!replace && fs::exists(fs::symlink_status(to, error))) {
        errno = EEXIST;
        return false;
    }
    if (std::rename(from.c_str(), to.c_str()) == 0) return true;
    if (errno != EXDEV) return false;
    // Another file system: copy, and remove the original only once the copy is whole.
    fs::copy_file(from, to, fs::copy_options::overwrite_existing, error);
    if (error) {
        fs::remove(to, error);
        errno = EIO;
        return false;
    }
    fs::remove(from, error);
    return true;
}

std::string NumberedName(const std::string& path, int number) {
    const fs::path original(path);
    fs::path numbered = original;
    numbered.replace_extension();
    return numbered.string() + std::to_string(number) + original.extension().string();
}

}  // namespace kv
