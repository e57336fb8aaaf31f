#include "platform/x11/KeyboardFocus.h"

#include "platform/x11/XResources.h"

namespace kv::x11 {
namespace {

// Children come bottom first; the topmost viewable drawing window wins.
Window TopmostDrawingChild(Display* display, Window parent) {
    const std::vector<Window> children = Children(display, parent);
    for (auto child = children.rbegin(); child != children.rend(); ++child) {
        XWindowAttributes attributes;
        if (XGetWindowAttributes(display, *child, &attributes) && attributes.c_class == InputOutput &&
            attributes.map_state == IsViewable)
            return *child;
    }
    return None;
}

}  // namespace

bool GiveKeyboardToChildOf(unsigned long parent) {
    DisplayPtr display(XOpenDisplay(nullptr));
    if (!display || parent == 0) return false;
    ErrorTrap trap(display.get());
    const Window child = TopmostDrawingChild(display.get(), parent);
    if (child == None || !trap.Clean()) return false;
    // The focus falls back to our window should the program's window go.
    XSetInputFocus(display.get(), child, RevertToParent, CurrentTime);
    return trap.Clean();
}

}  // namespace kv::x11
