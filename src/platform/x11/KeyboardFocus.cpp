#include "platform/x11/KeyboardFocus.h"

#include "platform/x11/XResources.h"

namespace kv::x11 {
namespace {

// Children come bottom first; the topmost viewable drawing window wins.
Window TopmostDrawingChild(Display* display, Window parent) {
    Window root = None, up = None, found = None;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, parent, &root, &up, &children, &count)) return None;
    for (unsigned int i = count; i-- > 0 && found == None;) {
        XWindowAttributes attributes;
        if (XGetWindowAttributes(display, children[i], &attributes) && attributes.c_class == InputOutput &&
            attributes.map_state == IsViewable)
            found = children[i];
    }
    if (children) XFree(children);
    return found;
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
