#pragma once
// A window that takes every pointer event over another program's window
// inside one of ours: the program keeps drawing there, but no click, wheel
// or drag reaches it. Keys are not affected (they follow the focus).
#include <X11/Xlib.h>

#include "platform/x11/XResources.h"

namespace kv::x11 {

class InputShield {
public:
    // Covers the whole of `parent` (our window), above the children it has
    // now. Holds nothing when the display cannot be opened or the parent
    // has gone: Active() says which.
    explicit InputShield(unsigned long parent);
    ~InputShield();
    InputShield(const InputShield&) = delete;
    InputShield& operator=(const InputShield&) = delete;

    bool Active() const { return m_window != None; }

private:
    DisplayPtr m_display;
    Window m_window = None;
};

}  // namespace kv::x11
