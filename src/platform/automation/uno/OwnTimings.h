#pragma once
// The slides' own times as the presentation's file holds them. The office's
// import of OOXML keeps whole seconds only (1.2 s becomes 1 s) and drops the
// time of a slide without a transition effect, so rehearsed timings would
// play wrong.
#include <com/sun/star/lang/XComponent.hpp>

#include <filesystem>

#include "platform/automation/uno/UnoHeaders.h"

namespace kv::uno {

// Gives the loaded document's pages the times its file lists; leaves the
// document as the office made it when the file does not say or lists other
// slides than the office has. Call on the office's thread; the document
// stays unmodified.
void RestoreOwnTimings(const std::filesystem::path& file, const Reference<css::lang::XComponent>& model);

}  // namespace kv::uno
