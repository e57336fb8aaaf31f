#include "platform/core/PrivateFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <system_error>

#include "platform/core/Trace.h"

namespace kv {
namespace fs = std::filesystem;

namespace {

bool Refused(std::string* why, const std::string& text) {
    if (why) *why = text;
    return false;
}

}  // namespace

bool IsPrivateFolder(const fs::path& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() &&
           (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

bool MakePrivateFolder(const fs::path& folder, std::string* why) {
    std::error_code error;
    if (folder.has_parent_path()) fs::create_directories(folder.parent_path(), error);
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        return Refused(why, "cannot make " + folder.string() + ": " + std::strerror(errno));
    struct stat info {};
    if (::lstat(folder.c_str(), &info) != 0)
        return Refused(why, "cannot use " + folder.string() + ": " + std::strerror(errno));
    if (!S_ISDIR(info.st_mode)) return Refused(why, folder.string() + " is not a folder");
    if (info.st_uid != ::geteuid()) return Refused(why, folder.string() + " belongs to another user");
    if ((info.st_mode & (S_IRWXG | S_IRWXO)) != 0 && ::chmod(folder.c_str(), 0700) != 0)
        return Refused(why, "cannot close " + folder.string() + " to others: " + std::strerror(errno));
    return true;
}

int CreatePrivateFile(const fs::path& path) {
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
}

bool ReservePrivateFile(const fs::path& path) {
    const int fd = CreatePrivateFile(path);
    if (fd < 0) return false;
    ::close(fd);
    return true;
}

fs::path UserFallbackFolder() {
    static std::once_flag once;
    static fs::path folder;
    std::call_once(once, [] {
        const fs::path named = fs::path("/tmp") / ("kalvista-" + std::to_string(::geteuid()));
        std::string why;
        if (MakePrivateFolder(named, &why)) {
            folder = named;
            return;
        }
        // Someone else took the name first: a folder nobody can guess instead.
        TraceF("UserFallbackFolder : %s\n", why.c_str());
        std::string pattern = "/tmp/kalvista-XXXXXX";
        if (::mkdtemp(pattern.data())) folder = pattern;
    });
    return folder;
}

}  // namespace kv
