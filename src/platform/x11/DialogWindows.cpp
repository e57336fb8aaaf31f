#include "platform/x11/DialogWindows.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <unistd.h>

#include "platform/x11/XResources.h"

namespace kv {
namespace {

long CardinalProperty(Display* display, Window window, Atom property, Atom type) {
    Atom actual = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    long value = -1;
    if (XGetWindowProperty(display, window, property, 0, 1, False, type, &actual, &format, &count, &after, &data) ==
            Success &&
        data && count == 1 && format == 32)
        value = static_cast<long>(*reinterpret_cast<unsigned long*>(data));
    if (data) XFree(data);
    return value;
}

bool IsDialogOf(Display* display, Window window, pid_t group) {
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, window, &attributes) || attributes.map_state != IsViewable) return false;
    const long pid = CardinalProperty(display, window, XInternAtom(display, "_NET_WM_PID", False), XA_CARDINAL);
    if (pid <= 0 || ::getpgid(static_cast<pid_t>(pid)) != group) return false;
    Window parent = None;
    if (XGetTransientForHint(display, window, &parent) && parent != None) return true;
    const long type = CardinalProperty(display, window, XInternAtom(display, "_NET_WM_WINDOW_TYPE", False), XA_ATOM);
    return type == static_cast<long>(XInternAtom(display, "_NET_WM_WINDOW_TYPE_DIALOG", False));
}

// Client windows are the root's children, or their children under a window manager's frames.
bool SearchTree(Display* display, Window window, pid_t group, int depth) {
    Window root = None, parent = None;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, window, &root, &parent, &children, &count)) return false;
    bool found = false;
    for (unsigned int i = 0; i < count && !found; ++i)
        found = IsDialogOf(display, children[i], group) || (depth < 1 && SearchTree(display, children[i], group, depth + 1));
    if (children) XFree(children);
    return found;
}

}  // namespace

bool ProcessGroupShowsDialog(pid_t group) {
    if (group <= 0) return false;
    // A connection of its own each time (a few times a second): one kept would
    // stay on the display it was opened on, and ends the whole program with a
    // fatal I/O error once that server is gone and a later one is asked.
    x11::DisplayPtr display(XOpenDisplay(nullptr));
    if (!display) return false;
    x11::ErrorTrap trap(display.get());
    return SearchTree(display.get(), DefaultRootWindow(display.get()), group, 0);
}

}  // namespace kv
