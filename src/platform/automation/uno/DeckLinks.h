#pragma once
// What a loaded deck may still do once the office has it: nothing of its own
// accord. Every click action that would leave the show (run a program, open a
// document or an address, call a macro or an object's verb) becomes no action,
// and every hyperlink in a text loses its address. Unless the user trusts the
// deck, a film or sound linked from outside its folder is cut off, and a
// picture linked from outside it stays as the office shows a missing link
// (its settings block such links). What the deck links to in its own folder
// (people keep pictures and sounds beside their deck) is read by us and
// given to the office, so it shows and plays as it did for the author.
#include <cstdint>
#include <filesystem>

#include <com/sun/star/lang/XComponent.hpp>

#include "platform/automation/uno/UnoHeaders.h"

namespace kv::uno {

struct LinkPlaces {
    std::filesystem::path deckFolder;    // the presentation's own folder
    std::filesystem::path openedFolder;  // the folder of what the office opened (a copy in its room)
    std::filesystem::path officeTemp;    // the office's temporary folder, as it sees it
    bool linksAllowed = false;           // the user trusts the deck: its links stay
};

struct LinkCounts {
    int filesFromTheFolder = 0;     // linked pictures, films and sounds of the deck's folder, given to the office
    int linksCut = 0;               // pictures, films and sounds from outside, left out
    int actionsRemoved = 0;         // click actions and text hyperlinks made harmless
};

// Walks every slide and master of `model`. Call on the office's thread.
LinkCounts CloseOffLinks(const Reference<css::uno::XComponentContext>& context,
                         const Reference<css::lang::XComponent>& model, const LinkPlaces& places);

// The largest linked picture, and film or sound, taken from the deck's folder.
inline constexpr std::uintmax_t kLargestLinkedPicture = std::uintmax_t(64) << 20;
inline constexpr std::uintmax_t kLargestLinkedFile = std::uintmax_t(2) << 30;

}  // namespace kv::uno
