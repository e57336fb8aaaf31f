#include "platform/automation/uno/DeckChecks.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/files/PresentationPackage.h"

namespace kv::uno {

namespace fs = std::filesystem;

std::string RefusedBeforeLoad(const fs::path& file) {
    std::error_code ec;
    const fs::file_status status = fs::status(file, ec);
    if (!fs::exists(status)) return "The presentation does not exist: " + file.string();
    if (fs::is_directory(status)) return "The presentation is a folder, not a file: " + file.string();
    if (!fs::is_regular_file(status)) return "The presentation is not a file: " + file.string();
    // Opening tells what the office would meet (permissions, a failing disk), as
    // access() cannot for a process whose rights differ from its user's.
    const int descriptor = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) return "The presentation cannot be read (" + std::string(std::strerror(errno)) + "): " + file.string();
    ::close(descriptor);
    if (fs::file_size(file, ec) == 0) return "The presentation is an empty file: " + file.string();
    if (SlidesListedInPackage(file) == 0) return NoSlidesReason(file);
    return {};
}

namespace {

std::string Detail(const std::string& officeError) { return officeError.empty() ? "" : " (" + officeError + ")"; }

}  // namespace

std::string NotOpenedReason(const fs::path& file, OfficeQuestion asked, const std::string& officeError) {
    if (asked == OfficeQuestion::Password) return "The presentation is protected by a password: " + file.string();
    if (asked == OfficeQuestion::Repair || StartsLikePresentation(file))
        return "The presentation is damaged; the office could not open it: " + file.string() + Detail(officeError);
    return NotAPresentationReason(file, officeError);
}

std::string NotAPresentationReason(const fs::path& file, const std::string& officeError) {
    return "The file is not a presentation: " + file.string() + Detail(officeError);
}

std::string NoSlidesReason(const fs::path& file) { return "The presentation has no slides: " + file.string(); }

}  // namespace kv::uno
