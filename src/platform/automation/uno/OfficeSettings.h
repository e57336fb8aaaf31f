#pragma once
// The settings of our office's profile that govern what a deck can make it
// do: macros never run (whatever the deck or its location), links to pictures
// and films outside the deck are not followed (unless the user trusts the
// deck), no location counts as trusted, a hyperlink needs a Ctrl-click;
// besides, no lock files and no tip of the day. They are written into the
// profile's registrymodifications.xcu before the office starts, so they hold
// from its first moment, and set again once it answers.
#include <filesystem>
#include <string>

#include "platform/automation/uno/UnoHeaders.h"

namespace kv::uno {

// Puts the settings into the profile's registrymodifications.xcu (made when
// it is missing), replacing what it said of them. False with *why set.
bool WriteOfficeSettings(const std::filesystem::path& profile, bool linksAllowed, std::string* why);

// The same settings, given to the running office of `context`.
void ApplyOfficeSettings(const Reference<css::uno::XComponentContext>& context, bool linksAllowed);

// The items WriteOfficeSettings writes, one line each.
std::string OfficeSettingItems(bool linksAllowed);

}  // namespace kv::uno
