#include "platform/automation/uno/OfficeLocks.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <osl/file.hxx>

#include <fstream>
#include <sstream>

#include "platform/core/Paths.h"
#include "platform/core/Trace.h"

namespace kv::uno {

namespace fs = std::filesystem;

namespace {

// The last field of a lock file: the URL of the profile of the office that made it.
std::string OwnerProfileUrl(const fs::path& lock) {
    std::ifstream in(lock, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    std::string content = text.str();
    while (!content.empty() && (content.back() == ';' || content.back() == '\n' || content.back() == '\r'))
        content.pop_back();
    const auto comma = content.rfind(',');
    return comma == std::string::npos ? std::string() : content.substr(comma + 1);
}

// True while an office holds this profile (its lock is taken).
bool ProfileInUse(const fs::path& profile) {
    const int fd = ::open((profile.string() + ".lock").c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) return false;
    const bool free = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    ::close(fd);  // closing releases a lock taken just now
    return !free;
}

}  // namespace

fs::path OfficeProfileFolder() {
    if (const char* folder = std::getenv("KALVISTA_OFFICE_PROFILES"); folder && *folder) return folder;
    return CacheFolder() / "Kalvista" / "office";
}

fs::path LockFileOf(const fs::path& document) {
    return document.parent_path() / (".~lock." + document.filename().string() + "#");
}

bool RemoveLockOfOurs(const fs::path& document, const fs::path& ownProfile) {
    const fs::path lock = LockFileOf(document);
    std::error_code ec;
    if (!fs::is_regular_file(lock, ec)) return false;
    OUString path;
    if (osl::FileBase::getSystemPathFromFileURL(ToOU(OwnerProfileUrl(lock)), path) != osl::FileBase::E_None)
        return false;
    const fs::path owner = fs::path(FromOU(path)).lexically_normal();
    const bool ours = owner.parent_path() == OfficeProfileFolder().lexically_normal() &&
                      owner.filename().string().rfind("profile-", 0) == 0;
    if (!ours) return false;
    if (owner != ownProfile.lexically_normal() && ProfileInUse(owner)) return false;
    if (!fs::remove(lock, ec)) return false;
    TraceF("Removed the lock file our office left: %s\n", lock.c_str());
    return true;
}

}  // namespace kv::uno
