#include "platform/x11/FrameExtents.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <chrono>
#include <mutex>
#include <optional>
#include <thread>

#include "platform/x11/XResources.h"

namespace kv {
namespace {

using x11::DisplayPtr;

bool WindowManagerOffers(Display* display, Atom wanted) {
    const Atom supported = XInternAtom(display, "_NET_SUPPORTED", False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0, left = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, DefaultRootWindow(display), supported, 0, 1024, False, XA_ATOM, &type, &format,
                           &count, &left, &data) != Success || !data)
        return false;
    const std::unique_ptr<unsigned char, x11::XFreer> owned(data);
    const auto* atoms = reinterpret_cast<const Atom*>(data);
    for (unsigned long i = 0; i < count; ++i)
        if (atoms[i] == wanted) return true;
    return false;
}

std::optional<FrameExtents> ReadExtents(Display* display, Window window, Atom extents) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, left = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, window, extents, 0, 4, False, XA_CARDINAL, &type, &format, &count, &left,
                           &data) != Success || !data)
        return std::nullopt;
    const std::unique_ptr<unsigned char, x11::XFreer> owned(data);
    if (count != 4 || format != 32) return std::nullopt;
    const auto* values = reinterpret_cast<const long*>(data);
    return FrameExtents{static_cast<int>(values[0]), static_cast<int>(values[1]), static_cast<int>(values[2]),
                        static_cast<int>(values[3])};
}

// A titled dialog window of a fixed size, as our windows are (a window
// manager may frame a window the user can resize more thickly), never mapped.
Window MakeProbeWindow(Display* display) {
    const Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 100, 100, 0, 0, 0);
    XSizeHints hints{};
    hints.flags = PMinSize | PMaxSize;
    hints.min_width = hints.max_width = 100;
    hints.min_height = hints.max_height = 100;
    XSetWMNormalHints(display, window, &hints);
    const Atom dialog = XInternAtom(display, "_NET_WM_WINDOW_TYPE_DIALOG", False);
    XChangeProperty(display, window, XInternAtom(display, "_NET_WM_WINDOW_TYPE", False), XA_ATOM, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(&dialog), 1);
    return window;
}

// Whether a window manager runs that says it answers the question.
bool WindowManagerAnswersFrames() {
    const DisplayPtr display(XOpenDisplay(nullptr));
    return display && WindowManagerOffers(display.get(), XInternAtom(display.get(), "_NET_REQUEST_FRAME_EXTENTS", False));
}

std::optional<FrameExtents> AskWindowManager(int timeoutMs) {
    const DisplayPtr display(XOpenDisplay(nullptr));
    if (!display) return std::nullopt;
    Display* dpy = display.get();
    const Atom request = XInternAtom(dpy, "_NET_REQUEST_FRAME_EXTENTS", False);
    const Atom extents = XInternAtom(dpy, "_NET_FRAME_EXTENTS", False);
    if (!WindowManagerOffers(dpy, request)) return std::nullopt;
    const Window window = MakeProbeWindow(dpy);
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = request;
    event.xclient.format = 32;
    XSendEvent(dpy, DefaultRootWindow(dpy), False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
    XFlush(dpy);
    std::optional<FrameExtents> answer;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!(answer = ReadExtents(dpy, window, extents)) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    XDestroyWindow(dpy, window);
    XSync(dpy, False);
    return answer;
}

}  // namespace

FrameExtents NewWindowFrameExtents(int timeoutMs) {
    static std::mutex mutex;
    static std::optional<FrameExtents> known;
    static bool unanswered = false;
    std::lock_guard lock(mutex);
    // A window manager that let one question go unanswered is not asked again.
    if (!known && !unanswered) {
        known = AskWindowManager(timeoutMs);
        unanswered = !known && WindowManagerAnswersFrames();
    }
    return known.value_or(FrameExtents{});
}

}  // namespace kv
