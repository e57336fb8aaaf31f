#include "platform/core/Paths.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <system_error>

#include "platform/core/PrivateFiles.h"

namespace kv {
namespace fs = std::filesystem;

namespace {
fs::path FromEnv(const char* name) {
    const char* value = std::getenv(name);
    return value && *value ? fs::path(value) : fs::path();
}
}  // namespace

fs::path ProgramFolder() {
    std::error_code error;
    fs::path exe = fs::read_symlink("/proc/self/exe", error);
    return error ? fs::path() : exe.parent_path();
}

fs::path HomeFolder() {
    if (auto home = FromEnv("HOME"); !home.empty()) return home;
    if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_dir && *entry->pw_dir) return entry->pw_dir;
    // Never /tmp itself: another user could make our settings or office profile there first.
    return UserFallbackFolder();
}

fs::path ConfigFolder() {
    auto folder = FromEnv("XDG_CONFIG_HOME");
    return folder.empty() ? HomeFolder() / ".config" : folder;
}

fs::path CacheFolder() {
    auto folder = FromEnv("XDG_CACHE_HOME");
    return folder.empty() ? HomeFolder() / ".cache" : folder;
}

fs::path VideosFolder() {
    std::error_code error;
    fs::path videos = HomeFolder() / "Videos";
    return fs::is_directory(videos, error) ? videos : HomeFolder();
}

fs::path RuntimeFolder() {
    auto folder = FromEnv("XDG_RUNTIME_DIR");
    if (!folder.empty() && IsPrivateFolder(folder) && access(folder.c_str(), W_OK) == 0) return folder;
    return UserFallbackFolder();
}

bool PathUnder(const std::filesystem::path& path, const std::filesystem::path& folder) {
    if (folder.empty()) return false;
    const std::filesystem::path normal = path.lexically_normal(), base = folder.lexically_normal();
    auto p = normal.begin();
    for (auto f = base.begin(); f != base.end(); ++f, ++p) {
        if (f->empty()) continue;  // a trailing separator
        if (p == normal.end() || *p != *f) return false;
    }
    return true;
}

}  // namespace kv
