#pragma once
// Owners for the X11 resources of the grabber, so that every path out of a
// set-up or a grab releases what it made.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <X11/extensions/Xfixes.h>

#include <memory>
#include <vector>

namespace kv::x11 {

struct DisplayCloser {
    void operator()(Display* display) const { XCloseDisplay(display); }
};
using DisplayPtr = std::unique_ptr<Display, DisplayCloser>;

struct ImageDestroyer {
    void operator()(XImage* image) const { XDestroyImage(image); }
};
using ImagePtr = std::unique_ptr<XImage, ImageDestroyer>;

struct XFreer {
    void operator()(void* data) const { XFree(data); }
};
using CursorImagePtr = std::unique_ptr<XFixesCursorImage, XFreer>;

class ErrorTrap;

// A System V shared-memory segment attached here and, once Attach succeeds,
// in the X server too. The segment is marked for removal as soon as both
// sides hold it, so it disappears even if the program dies.
class SharedSegment {
public:
    SharedSegment() = default;
    ~SharedSegment();
    SharedSegment(const SharedSegment&) = delete;
    SharedSegment& operator=(const SharedSegment&) = delete;

    // Makes and maps a segment of `bytes`; false on failure.
    bool Create(std::size_t bytes);
    // Lets the server map it; false when the server refuses (e.g. remote).
    bool Attach(Display* display, ErrorTrap& trap);
    XShmSegmentInfo& Info() { return m_info; }
    char* Address() const { return m_info.shmaddr; }
    // Detaches and removes the segment; safe to call when there is none.
    void Release();

private:

    XShmSegmentInfo m_info{0, -1, nullptr, False};
    Display* m_display = nullptr;  // set while the server has it attached
};

// Collects X protocol errors raised on one connection while it lives,
// instead of letting Xlib's default handler end the process. One trap per
// connection at a time.
class ErrorTrap {
public:
    explicit ErrorTrap(Display* display);
    ~ErrorTrap();
    ErrorTrap(const ErrorTrap&) = delete;
    ErrorTrap& operator=(const ErrorTrap&) = delete;

    // Waits for the server's answers so far; true when none was an error.
    bool Clean();

private:
    Display* m_display;
};

// The window's children, bottom first (empty when it has gone).
std::vector<Window> Children(Display* display, Window window);

// Whether the server is XWayland, whose root window holds no picture.
bool IsXWayland(Display* display);

}  // namespace kv::x11
