#include "platform/x11/DockWindows.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <memory>
#include <mutex>

#include "platform/x11/XResources.h"

namespace kv {
namespace {

struct DisplayCloser {
    void operator()(Display* display) const { XCloseDisplay(display); }
};
using DisplayPtr = std::unique_ptr<Display, DisplayCloser>;

struct XFreer {
    void operator()(void* data) const { XFree(data); }
};

// The windows this process hid, to map again later.
std::mutex g_hiddenMutex;
std::vector<Window> g_hidden;

// Windows that vanish between the query and the call must not end the program.
int IgnoreXErrors(Display*, XErrorEvent*) { return 0; }

class ErrorTrap {
public:
    ErrorTrap() : m_previous(XSetErrorHandler(IgnoreXErrors)) {}
    ~ErrorTrap() { XSetErrorHandler(m_previous); }

private:
    int (*m_previous)(Display*, XErrorEvent*);
};

bool IsDock(Display* display, Window window) {
    const Atom typeAtom = XInternAtom(display, "_NET_WM_WINDOW_TYPE", False);
    const Atom dockAtom = XInternAtom(display, "_NET_WM_WINDOW_TYPE_DOCK", False);
    Atom actualType = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* raw = nullptr;
    if (XGetWindowProperty(display, window, typeAtom, 0, 32, False, XA_ATOM, &actualType, &format, &count, &after,
                           &raw) != Success)
        return false;
    std::unique_ptr<unsigned char, XFreer> data(raw);
    if (actualType != XA_ATOM || format != 32 || !raw) return false;
    const auto* atoms = reinterpret_cast<const unsigned long*>(raw);
    return std::find(atoms, atoms + count, dockAtom) != atoms + count;
}

bool IsMapped(Display* display, Window window) {
    XWindowAttributes attributes;
    return XGetWindowAttributes(display, window, &attributes) && attributes.map_state != IsUnmapped;
}

// Top-level dock windows, and dock clients one level down inside a frame.
std::vector<Window> MappedDocks(Display* display) {
    std::vector<Window> docks;
    for (Window top : x11::Children(display, DefaultRootWindow(display))) {
        if (IsDock(display, top)) {
            if (IsMapped(display, top)) docks.push_back(top);
            continue;
        }
        for (Window inner : x11::Children(display, top))
            if (IsDock(display, inner) && IsMapped(display, inner)) docks.push_back(inner);
    }
    return docks;
}

DisplayPtr OpenDisplay() { return DisplayPtr(XOpenDisplay(nullptr)); }

}  // namespace

std::vector<unsigned long> FindDockWindows() {
    DisplayPtr display = OpenDisplay();
    if (!display) return {};
    ErrorTrap trap;
    auto docks = MappedDocks(display.get());
    XSync(display.get(), False);
    return {docks.begin(), docks.end()};
}

int HideDockWindows() {
    DisplayPtr display = OpenDisplay();
    if (!display) return 0;
    ErrorTrap trap;
    const auto docks = MappedDocks(display.get());
    for (Window dock : docks) XUnmapWindow(display.get(), dock);
    XSync(display.get(), False);
    std::lock_guard lock(g_hiddenMutex);
    for (Window dock : docks)
        if (std::find(g_hidden.begin(), g_hidden.end(), dock) == g_hidden.end()) g_hidden.push_back(dock);
    return static_cast<int>(docks.size());
}

int ShowDockWindows() {
    std::vector<Window> hidden;
    {
        std::lock_guard lock(g_hiddenMutex);
        hidden.swap(g_hidden);
    }
    if (hidden.empty()) return 0;
    DisplayPtr display = OpenDisplay();
    if (!display) return 0;
    ErrorTrap trap;
    int shown = 0;
    for (Window dock : hidden) {
        XWindowAttributes attributes;
        if (!XGetWindowAttributes(display.get(), dock, &attributes)) continue;  // gone meanwhile
        XMapWindow(display.get(), dock);
        ++shown;
    }
    XSync(display.get(), False);
    return shown;
}

}  // namespace kv
