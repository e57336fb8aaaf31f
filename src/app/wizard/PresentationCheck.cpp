#include "app/wizard/PresentationCheck.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "app/wizard/OutputNames.h"
#include "app/wizard/WizardMessages.h"
#include "platform/files/PresentationPackage.h"

namespace kv::wizard {
namespace fs = std::filesystem;

namespace {

std::string FileName(const std::string& path) { return fs::path(path).filename().string(); }

// errno's own words for the last failed call.
std::string SystemReason(int error) { return std::strerror(error); }

// Empty when the file opens for reading, else why not.
std::string ReadProblem(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return SystemReason(errno);
    ::close(fd);
    return {};
}

// Why a new file cannot be made in an existing folder, in the user's words.
std::string WriteFailure(int error) {
    switch (error) {
    case EACCES:
    case EPERM: return "you have no permission to write there";
    case EROFS: return "its disk is read-only";
    case ENOSPC: return "its disk is full";
    case EDQUOT: return "your disk quota is used up";
    // A system folder (/proc, /sys) that exists but takes no new files.
    case ENOENT: return "it takes no new files";
    default: return SystemReason(error);
    }
}

}  // namespace

std::string PresentationProblem(const std::string& path, PresentationSource source) {
    if (path.empty()) return kSelectPresentation;
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (!fs::exists(status))
        return source == PresentationSource::CommandLine ? PresentationNotFound(path) : PresentationMissing(path);
    if (fs::is_directory(status)) return PresentationIsAFolder(path);
    if (!IsPlayablePresentation(path)) return NotAPresentationName(FileName(path));
    if (const std::string why = ReadProblem(path); !why.empty()) return PresentationUnreadable(path, why);
    if (fs::file_size(path, error) == 0 && !error) return PresentationEmpty(path);
    if (!StartsLikePresentation(path)) return NotAPresentationInside(FileName(path));
    return {};
}

std::string OutputFolderProblem(const std::string& folder) {
    if (!IsExistingFolder(folder)) return kInvalidOutputFolder;
    std::string probe = (fs::path(folder) / ".kalvista-write-test-XXXXXX").string();
    const int fd = ::mkstemp(probe.data());
    if (fd < 0) return FolderNotWritable(folder, WriteFailure(errno));
    ::close(fd);
    ::unlink(probe.c_str());
    return {};
}

}  // namespace kv::wizard
