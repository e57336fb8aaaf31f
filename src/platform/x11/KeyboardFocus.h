#pragma once
// Hands the keyboard to another program's window inside one of ours (the
// office's show in the slide area). A window manager gives the focus only to
// our top-level window; the program inside cannot take it by itself.
// Xlib stays out of this header, as in InputShield.h.

namespace kv::x11 {

// Sets the input focus to the topmost mapped window of `parent` that can take
// keys (input-only windows, such as a pointer shield, cannot). False when
// there is none, the display cannot be opened or the server refuses.
bool GiveKeyboardToChildOf(unsigned long parent);

}  // namespace kv::x11
