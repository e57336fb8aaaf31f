#include "platform/x11/PrivateDisplay.h"
#include "platform/x11/ScreenGrabber.h"
#include "platform/x11/XResources.h"

namespace kv {

bool DisplayAvailable(const std::string& display) {
    return x11::DisplayPtr(OpenDisplayNamed(display)) != nullptr;
}

bool GetScreenSize(int& width, int& height) {
    x11::DisplayPtr display(XOpenDisplay(nullptr));
    if (!display) return false;
    width = DisplayWidth(display.get(), DefaultScreen(display.get()));
    height = DisplayHeight(display.get(), DefaultScreen(display.get()));
    return true;
}

bool GetWindowRectOnRoot(unsigned long window, ScreenRect& rect) {
    if (window == 0) return false;
    x11::DisplayPtr display(XOpenDisplay(nullptr));
    if (!display) return false;
    Display* dpy = display.get();
    x11::ErrorTrap trap(dpy);
    XWindowAttributes attributes;
    Window child;
    int x = 0, y = 0;
    if (!XGetWindowAttributes(dpy, window, &attributes) || !trap.Clean()) return false;
    if (!XTranslateCoordinates(dpy, window, DefaultRootWindow(dpy), 0, 0, &x, &y, &child) || !trap.Clean()) return false;
    rect = {x, y, attributes.width, attributes.height};
    return true;
}

}  // namespace kv
