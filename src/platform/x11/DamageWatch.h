#pragma once
// Tells whether anything was drawn on a drawable since the last picture was
// taken of it, through the X DAMAGE extension. A slide stays still for
// seconds: knowing that nothing changed saves the grab and the encode.
#include <X11/Xlib.h>

namespace kv::x11 {

class DamageWatch {
public:
    DamageWatch() = default;
    DamageWatch(const DamageWatch&) = delete;
    DamageWatch& operator=(const DamageWatch&) = delete;

    // Watches `drawable` and everything drawn inside it. False when the
    // display has no DAMAGE: Damaged() then always answers true.
    bool Start(Display* display, Drawable drawable);
    // Whether anything may have been drawn since the last Reset; everything
    // the server has drawn by the time it is asked counts.
    bool Damaged();
    // Forgets what was drawn so far: call just before taking a picture, so
    // that whatever is drawn during or after it counts for the next one.
    void Reset();
    // The next question answers true (a picture could not be taken).
    void Invalidate() { m_damaged = true; }

private:
    Display* m_display = nullptr;
    unsigned long m_damage = 0;  // the server's damage object; freed with the connection
    int m_eventBase = 0;
    bool m_damaged = true;
};

}  // namespace kv::x11
