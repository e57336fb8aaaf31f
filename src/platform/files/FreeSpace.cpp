#include "platform/files/FreeSpace.h"

#include <sys/stat.h>
#include <sys/statvfs.h>

#include <mutex>

namespace kv {

namespace {
std::mutex g_sourceMutex;
FreeSpaceSource g_source;

FolderSpace AskFileSystem(const std::string& folder) {
    struct statvfs fs {};
    struct stat st {};
    FolderSpace space;
    if (::statvfs(folder.c_str(), &fs) != 0 || ::stat(folder.c_str(), &st) != 0) return space;
    space.known = true;
    space.freeBytes = static_cast<std::uint64_t>(fs.f_bavail) * fs.f_frsize;
    space.device = static_cast<std::uint64_t>(st.st_dev);
    return space;
}
}  // namespace

FolderSpace FreeSpaceOf(const std::string& folder) {
    FreeSpaceSource source;
    {
        std::lock_guard lock(g_sourceMutex);
        source = g_source;
    }
    return source ? source(folder) : AskFileSystem(folder);
}

void SetFreeSpaceSource(FreeSpaceSource source) {
    std::lock_guard lock(g_sourceMutex);
    g_source = std::move(source);
}

}  // namespace kv
