#include "platform/x11/InputShield.h"

#include <X11/Xlib.h>

#include "platform/x11/XResources.h"

namespace kv::x11 {
namespace {

// The parent's size may change later (a refit): the parent clips what is
// larger, so the shield covers it at any size.
constexpr unsigned kCoverAll = 16384;

// The pointer stays as hidden over the shield as the show keeps it.
Cursor InvisibleCursor(Display* display, Window window) {
    static const char empty[1] = {0};
    Pixmap blank = XCreateBitmapFromData(display, window, empty, 1, 1);
    XColor black{};
    Cursor cursor = XCreatePixmapCursor(display, blank, blank, &black, &black, 0, 0);
    XFreePixmap(display, blank);
    return cursor;
}

}  // namespace

struct InputShield::Held {
    DisplayPtr display{XOpenDisplay(nullptr)};
    Window window = None;
};

InputShield::InputShield(unsigned long parent) : m_held(std::make_unique<Held>()) {
    Display* display = m_held->display.get();
    Window& window = m_held->window;
    if (!display || parent == 0) return;
    ErrorTrap trap(display);
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    // Not handed on to the parent either: a program drawing into it may
    // take the parent's pointer events (the office does).
    attributes.do_not_propagate_mask =
        ButtonPressMask | ButtonReleaseMask | PointerMotionMask | ButtonMotionMask;
    window = XCreateWindow(display, parent, 0, 0, kCoverAll, kCoverAll, 0, 0, InputOnly, CopyFromParent,
                           CWOverrideRedirect | CWDontPropagate, &attributes);
    if (!trap.Clean()) {
        window = None;
        return;
    }
    const Cursor cursor = InvisibleCursor(display, window);
    XDefineCursor(display, window, cursor);
    XFreeCursor(display, cursor);
    XMapRaised(display, window);
    if (!trap.Clean()) window = None;
}

InputShield::~InputShield() {
    if (!m_held->display || m_held->window == None) return;
    ErrorTrap trap(m_held->display.get());  // the parent may have gone first, and the shield with it
    XDestroyWindow(m_held->display.get(), m_held->window);
    trap.Clean();
}

bool InputShield::Active() const { return m_held->window != None; }

}  // namespace kv::x11
