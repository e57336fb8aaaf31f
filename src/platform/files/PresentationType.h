#pragma once
// What a file is, told from its content before any office reads it: only
// presentations of the three kinds the office plays get that far. A web page,
// a text, a word processor's document or an archive renamed to .pptx is
// refused here, with its reason.
#include <filesystem>
#include <string>

namespace kv {

enum class PresentationKind {
    None,          // not a presentation (see the reason)
    Ooxml,         // .pptx, .ppsx, .potx and their macro-enabled kin: a zip package
    PowerPoint97,  // .ppt, .pps: a compound file with a "PowerPoint Document" stream
    Odf,           // .odp, .otp (a zip package) or .fodp (flat XML)
};

struct PresentationType {
    PresentationKind kind = PresentationKind::None;
    std::string reason;  // why it is not a presentation, for the user; empty for a presentation
};

PresentationType PresentationTypeOf(const std::filesystem::path& file);

}  // namespace kv
