#pragma once
// Keys a top-level window keeps for itself while the keyboard focus is in a
// window of another program inside it (the office's show in the container's
// slide area): the X server hands those keys to this window instead.
#include <initializer_list>

class QWidget;

namespace kv {

// X11 key symbols of the keys the container keeps.
constexpr unsigned kKeyEscape = 0xff1b;
constexpr unsigned kKeyReturn = 0xff0d;
constexpr unsigned kKeyPadEnter = 0xff8d;

// Grabs each key (with any modifiers) on `window`'s native window. False
// where there is nothing to grab (not X11, or no key makes that symbol).
bool KeepKeysForWindow(QWidget* window, std::initializer_list<unsigned> keySymbols);

}  // namespace kv
