#include "platform/automation/uno/DeckChecks.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/core/PrintableText.h"
#include "platform/files/DeckLimits.h"
#include "platform/files/PresentationPackage.h"
#include "platform/files/PresentationType.h"

namespace kv::uno {

namespace fs = std::filesystem;

std::string RefusedBeforeLoad(const fs::path& file) {
    const std::string shown = PrintableText(file.string());
    std::error_code ec;
    const fs::file_status status = fs::status(file, ec);
    if (!fs::exists(status)) return "The presentation does not exist: " + shown;
    if (fs::is_directory(status)) return "The presentation is a folder, not a file: " + shown;
    if (!fs::is_regular_file(status)) return "The presentation is not a file: " + shown;
    // Opening tells what the office would meet (permissions, a failing disk), as
    // access() cannot for a process whose rights differ from its user's.
    const int descriptor = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) return "The presentation cannot be read (" + std::string(std::strerror(errno)) + "): " + shown;
    ::close(descriptor);
    if (fs::file_size(file, ec) == 0) return "The presentation is an empty file: " + shown;
    // What it is, and what it asks, from its content: the office never sees the rest.
    if (const PresentationType type = PresentationTypeOf(file); !type.reason.empty()) return type.reason;
    if (std::string refused = PackageRefusal(file); !refused.empty()) return refused;
    if (SlidesListedInPackage(file) == 0) return NoSlidesReason(file);
    return {};
}

namespace {

std::string Detail(const std::string& officeError) { return officeError.empty() ? "" : " (" + officeError + ")"; }

}  // namespace

std::string NotOpenedReason(const fs::path& file, OfficeQuestion asked, const std::string& officeError) {
    if (asked == OfficeQuestion::Password)
        return "The presentation is protected by a password: " + PrintableText(file.string());
    if (asked == OfficeQuestion::Repair || StartsLikePresentation(file))
        return "The presentation is damaged; the office could not open it: " + PrintableText(file.string()) +
               Detail(officeError);
    return NotAPresentationReason(file, officeError);
}

std::string NotAPresentationReason(const fs::path& file, const std::string& officeError) {
    return "The file is not a presentation: " + PrintableText(file.string()) + Detail(officeError);
}

std::string NoSlidesReason(const fs::path& file) {
    return "The presentation has no slides: " + PrintableText(file.string());
}

}  // namespace kv::uno
