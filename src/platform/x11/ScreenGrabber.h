#pragma once
// Grabs one rectangle of the X11 screen per call into a reused image, with
// the mouse pointer drawn in when asked.
//
// Normally the pixels come from the root window (XShmGetImage into one
// shared-memory image, or XGetImage where MIT-SHM is missing, e.g. on a
// remote display). Under XWayland the root window shows nothing, so the
// pixels are taken from the window that shows the capture area instead; which
// path applies is decided once, when the grabber is opened.
#include <cstddef>
#include <memory>
#include <string>

#include "platform/core/FrameImage.h"

namespace kv {

// A rectangle in root-window (screen) coordinates.
struct ScreenRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

enum class GrabSource { Root, Window };

struct GrabberOptions {
    // Draw the pointer into every frame (XFixes).
    bool drawCursor = false;
    // The X11 window that shows the capture area, used by the window path;
    // 0 when there is none (the root path is then the only one).
    unsigned long window = 0;
    // Take the window path even on a plain X server (tests, and the
    // environment variable KALVISTA_CAPTURE_SOURCE=window).
    bool forceWindowPath = false;
    // Do not use MIT-SHM even when the server offers it.
    bool forceNoShm = false;
    // The X server to grab from (":5"); empty: the one DISPLAY names.
    std::string display;
};

enum class GrabberStatus {
    Ok,
    NoDisplay,  // no X server could be reached
    NoImage,    // the capture image could not be made (bad size, no memory, no window)
};

class ScreenGrabber {
public:
    ScreenGrabber();
    ~ScreenGrabber();
    ScreenGrabber(const ScreenGrabber&) = delete;
    ScreenGrabber& operator=(const ScreenGrabber&) = delete;

    // Connects to $DISPLAY and makes `images` capture images for `rect`
    // (width and height as given; callers round them first). Each image is
    // made once and reused; more than one lets a writer read one image while
    // the next grab fills another.
    GrabberStatus Open(const ScreenRect& rect, const GrabberOptions& options, int images = 1);
    // Releases the image and the connection; Open may be called again.
    void Close();

    // One grab into image `image`, pointer drawn when asked; false when the
    // server refused it (the image then keeps its previous picture).
    bool Grab(int image = 0);
    // Whether the area may look different from the last grab: something was
    // drawn there, the pointer (when drawn) moved or changed, or the display
    // cannot tell (no DAMAGE extension). True until the first grab, and a
    // second after the last grab whatever DAMAGE says; when such a grab finds
    // a new picture, that is traced.
    bool Changed();
    // The last grab was asked for by time alone and found the same picture
    // as the grab before it (the caller may take it as a repeat).
    bool FoundUnchanged() const;
    // The picture in image `image` (BGRA, top row first); valid until Close.
    const FrameImage& Frame(int image = 0) const;
    int Images() const;

    GrabSource Source() const;
    bool UsesShm() const;
    // False when the cursor was asked for but the display has no XFixes.
    bool CursorAvailable() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

// A checksum of a picture's visible pixels, to tell whether a grab found
// something new.
std::size_t PictureChecksum(const FrameImage& frame);

// Whether an X server is reachable at $DISPLAY, or at `display` when given.
bool DisplayAvailable(const std::string& display = {});
// The size of the default screen; false without a display.
bool GetScreenSize(int& width, int& height);
// Where an X11 window's inside lies on the root window; false when the window
// does not exist or there is no display.
bool GetWindowRectOnRoot(unsigned long window, ScreenRect& rect);

}  // namespace kv
