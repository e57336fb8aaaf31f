#pragma once
// A window that takes every pointer event over another program's window
// inside one of ours: the program keeps drawing there, but no click, wheel
// or drag reaches it. Keys are not affected (they follow the focus).
// Xlib stays out of this header: its macros (None, Status, Bool) clash
// with the names of the code that holds a shield.
#include <memory>

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

    bool Active() const;

private:
    struct Held;
    std::unique_ptr<Held> m_held;
};

}  // namespace kv::x11
