#pragma once
// Why a presentation cannot be played, in words a user can act on: what the
// file itself shows before the office opens it, and what the office's
// failed load says afterwards. Shared by the show and the slide drawing.
#include <filesystem>
#include <string>

#include "platform/automation/uno/InteractionBlocker.h"

namespace kv::uno {

// The reason the office should not even be asked to open this file; empty
// when it may. Only a presentation of a kind the office plays gets through
// (told from its content), within the bounds of DeckLimits.h. An empty file
// would open as a new blank presentation, a deck without slides as one with
// a blank slide: both are refused here.
std::string RefusedBeforeLoad(const std::filesystem::path& file);

// The reason a load gave no document, from what the office asked while
// loading and what the file looks like; `officeError` is the office's own
// message, if it gave one.
std::string NotOpenedReason(const std::filesystem::path& file, OfficeQuestion asked, const std::string& officeError);

// The reasons for a document the office did open: another kind of document,
// or a presentation without slides.
std::string NotAPresentationReason(const std::filesystem::path& file, const std::string& officeError = {});
std::string NoSlidesReason(const std::filesystem::path& file);

}  // namespace kv::uno
