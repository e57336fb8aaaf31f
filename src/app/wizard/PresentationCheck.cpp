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
    if (fd < 0) return FolderNotWritable(folder, SystemReason(errno));
    ::close(fd);
    ::unlink(probe.c_str());
    return {};
}

}  // namespace kv::wizard
