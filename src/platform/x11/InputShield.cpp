#include "platform/x11/InputShield.h"

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

InputShield::InputShield(unsigned long parent) : m_display(XOpenDisplay(nullptr)) {
    if (!m_display || parent == 0) return;
    ErrorTrap trap(m_display.get());
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    // Not handed on to the parent either: a program drawing into it may
    // take the parent's pointer events (the office does).
    attributes.do_not_propagate_mask =
        ButtonPressMask | ButtonReleaseMask | PointerMotionMask | ButtonMotionMask;
    m_window = XCreateWindow(m_display.get(), parent, 0, 0, kCoverAll, kCoverAll, 0, 0, InputOnly, CopyFromParent,
                             CWOverrideRedirect | CWDontPropagate, &attributes);
    if (!trap.Clean()) {
        m_window = None;
        return;
    }
    const Cursor cursor = InvisibleCursor(m_display.get(), m_window);
    XDefineCursor(m_display.get(), m_window, cursor);
    XFreeCursor(m_display.get(), cursor);
    XMapRaised(m_display.get(), m_window);
    if (!trap.Clean()) m_window = None;
}

InputShield::~InputShield() {
    if (!m_display) return;
    if (m_window != None) {
        ErrorTrap trap(m_display.get());  // the parent may have gone first, and the shield with it
        XDestroyWindow(m_display.get(), m_window);
        trap.Clean();
    }
}

}  // namespace kv::x11
