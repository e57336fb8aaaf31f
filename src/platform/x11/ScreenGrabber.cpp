#include "platform/x11/ScreenGrabber.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string_view>
#include <vector>

#include "platform/core/Trace.h"
#include "platform/x11/CursorOverlay.h"
#include "platform/x11/DamageWatch.h"
#include "platform/x11/PrivateDisplay.h"
#include "platform/x11/XResources.h"

namespace kv {

namespace {

bool WindowPathRequested(const GrabberOptions& options) {
    if (options.forceWindowPath) return true;
    const char* source = std::getenv("KALVISTA_CAPTURE_SOURCE");
    return source && std::strcmp(source, "window") == 0;
}

// The part of `wanted` that lies inside (0, 0, boundsWidth, boundsHeight).
ScreenRect Intersect(const ScreenRect& wanted, int boundsWidth, int boundsHeight) {
    ScreenRect r;
    r.left = std::max(wanted.left, 0);
    r.top = std::max(wanted.top, 0);
    r.width = std::max(0, std::min(wanted.left + wanted.width, boundsWidth) - r.left);
    r.height = std::max(0, std::min(wanted.top + wanted.height, boundsHeight) - r.top);
    return r;
}

// DAMAGE is trusted for no longer than this: a renderer that draws without
// damage events (or a window drawn over the area) must not freeze the picture.
constexpr auto kLongestUntrustedStill = std::chrono::seconds(1);

bool IsBgrx32(const XImage* image) {
    return image->bits_per_pixel == 32 && image->byte_order == LSBFirst && image->red_mask == 0xFF0000 &&
           image->green_mask == 0xFF00 && image->blue_mask == 0xFF;
}

}  // namespace

std::size_t PictureChecksum(const FrameImage& frame) {
    std::size_t sum = 0;
    for (int y = 0; y < frame.height; ++y) {
        const std::string_view row(reinterpret_cast<const char*>(frame.Row(y)), static_cast<std::size_t>(frame.width) * 4);
        sum = sum * 1000003u ^ std::hash<std::string_view>{}(row);
    }
    return sum;
}

// One capture image; the image goes before its segment.
struct CaptureImage {
    x11::SharedSegment segment;
    x11::ImagePtr image;
    FrameImage frame;
};

struct ScreenGrabber::Impl {
    // Declared so that destruction runs images, trap, display.
    x11::DisplayPtr display;
    std::unique_ptr<x11::ErrorTrap> trap;
    std::vector<std::unique_ptr<CaptureImage>> images;

    Drawable drawable = 0;
    ScreenRect rect;       // the capture rectangle on the root window
    ScreenRect source;     // the wanted area in the drawable's coordinates
    ScreenRect available;  // the part of `source` the drawable can give
    bool whole = false;    // `available` is all of `source`
    GrabSource kind = GrabSource::Root;
    bool shm = false;
    bool cursorWanted = false;
    bool cursorAvailable = false;
    CursorPicture cursor;
    int cursorX = -1, cursorY = -1;  // where the pointer was drawn last
    x11::CursorImagePtr nextCursor;  // fetched by PointerChanged, drawn by the next grab
    x11::DamageWatch damage;
    // The check of DAMAGE: when the last grab was, which image it filled,
    // the checksum of that picture once the area was found unchanged, and
    // whether the coming grab was asked for by time alone.
    std::chrono::steady_clock::time_point lastGrab;
    int lastImage = -1;
    std::size_t stillChecksum = 0;
    bool stillKnown = false;
    bool grabByTime = false;
    bool foundUnchanged = false;

    bool ChooseSource(const GrabberOptions& options);
    std::unique_ptr<CaptureImage> MakeImage(Visual* visual, int depth);
    void DrawPointer(const FrameImage& frame);
    bool PointerChanged();
};

bool ScreenGrabber::Impl::ChooseSource(const GrabberOptions& options) {
    Display* dpy = display.get();
    const Window root = DefaultRootWindow(dpy);
    bool windowPath = WindowPathRequested(options) || x11::IsXWayland(dpy);
    if (windowPath && options.window == 0) {
        Trace("ScreenGrabber : no window to grab, taking the root window\n");
        windowPath = false;
    }
    kind = windowPath ? GrabSource::Window : GrabSource::Root;
    if (!windowPath) {
        drawable = root;
        source = rect;
        available = Intersect(source, DisplayWidth(dpy, DefaultScreen(dpy)), DisplayHeight(dpy, DefaultScreen(dpy)));
        return true;
    }
    XWindowAttributes attributes;
    Window child;
    int x = 0, y = 0;
    if (!XGetWindowAttributes(dpy, options.window, &attributes) || !trap->Clean() ||
        !XTranslateCoordinates(dpy, options.window, root, 0, 0, &x, &y, &child)) {
        Trace("ScreenGrabber : capture window not found\n");
        return false;
    }
    drawable = options.window;
    source = {rect.left - x, rect.top - y, rect.width, rect.height};
    available = Intersect(source, attributes.width, attributes.height);
    return true;
}

// A shared-memory image while `shm` holds (the first refusal turns it off
// for the rest), else one in our own memory.
std::unique_ptr<CaptureImage> ScreenGrabber::Impl::MakeImage(Visual* visual, int depth) {
    Display* dpy = display.get();
    const int w = rect.width, h = rect.height;
    auto made = std::make_unique<CaptureImage>();
    if (shm) {
        made->image.reset(XShmCreateImage(dpy, visual, depth, ZPixmap, nullptr, &made->segment.Info(), w, h));
        bool attached = false;
        if (made->image && made->segment.Create(static_cast<std::size_t>(made->image->bytes_per_line) * h)) {
            made->image->data = made->segment.Address();
            attached = made->segment.Attach(dpy, *trap);
        }
        if (attached) return made;
        Trace("ScreenGrabber : shared memory refused, grabbing with XGetImage\n");
        made->image.reset();
        made->segment.Release();
        shm = false;
    }
    const int bytesPerLine = w * 4;
    char* data = static_cast<char*>(std::calloc(static_cast<std::size_t>(bytesPerLine) * h, 1));
    if (!data) return nullptr;
    made->image.reset(XCreateImage(dpy, visual, depth, ZPixmap, 0, data, w, h, 32, bytesPerLine));
    if (!made->image) {
        std::free(data);
        return nullptr;
    }
    return made;
}

ScreenGrabber::ScreenGrabber() = default;
ScreenGrabber::~ScreenGrabber() = default;

GrabberStatus ScreenGrabber::Open(const ScreenRect& rect, const GrabberOptions& options, int images) {
    Close();
    auto impl = std::make_unique<Impl>();
    impl->display.reset(OpenDisplayNamed(options.display));
    if (!impl->display) return GrabberStatus::NoDisplay;
    Display* dpy = impl->display.get();
    impl->trap = std::make_unique<x11::ErrorTrap>(dpy);
    impl->rect = rect;
    if (rect.width <= 0 || rect.height <= 0 || !impl->ChooseSource(options)) return GrabberStatus::NoImage;

    XWindowAttributes attributes;
    if (!XGetWindowAttributes(dpy, impl->drawable, &attributes)) return GrabberStatus::NoImage;
    impl->shm = !options.forceNoShm && XShmQueryExtension(dpy);
    for (int i = 0; i < std::max(images, 1); ++i) {
        auto made = impl->MakeImage(attributes.visual, attributes.depth);
        if (!made) return GrabberStatus::NoImage;
        if (!IsBgrx32(made->image.get())) {
            Trace("ScreenGrabber : the screen is not 24 or 32 bits per pixel\n");
            return GrabberStatus::NoImage;
        }
        made->frame = {rect.width, rect.height, made->image->bytes_per_line,
                       reinterpret_cast<std::uint8_t*>(made->image->data)};
        impl->images.push_back(std::move(made));
    }
    impl->whole = impl->available.left == impl->source.left && impl->available.top == impl->source.top &&
                  impl->available.width == rect.width && impl->available.height == rect.height;

    impl->cursorWanted = options.drawCursor;
    if (options.drawCursor) {
        int eventBase = 0, errorBase = 0;
        impl->cursorAvailable = XFixesQueryExtension(dpy, &eventBase, &errorBase);
        if (!impl->cursorAvailable) Trace("ScreenGrabber : no XFixes on this display, recording without the cursor\n");
    }
    if (!impl->damage.Start(dpy, impl->drawable))
        Trace("ScreenGrabber : no DAMAGE on this display, every frame is grabbed\n");
    m_impl = std::move(impl);
    return GrabberStatus::Ok;
}

void ScreenGrabber::Close() { m_impl.reset(); }

bool ScreenGrabber::Grab(int index) {
    if (!m_impl || index < 0 || index >= static_cast<int>(m_impl->images.size())) return false;
    Impl& g = *m_impl;
    Display* dpy = g.display.get();
    CaptureImage& target = *g.images[static_cast<std::size_t>(index)];
    g.damage.Reset();
    bool grabbed;
    if (g.whole && g.shm) {
        grabbed = XShmGetImage(dpy, g.drawable, target.image.get(), g.source.left, g.source.top, AllPlanes);
    } else if (g.available.width > 0 && g.available.height > 0) {
        grabbed = XGetSubImage(dpy, g.drawable, g.available.left, g.available.top, g.available.width,
                               g.available.height, AllPlanes, ZPixmap, target.image.get(),
                               g.available.left - g.source.left, g.available.top - g.source.top) != nullptr;
    } else {
        grabbed = true;  // nothing of the area is on screen: the frame stays black
    }
    if (!grabbed) {
        g.trap->Clean();  // forget the error the refusal raised
        g.damage.Invalidate();
        return false;
    }
    if (g.cursorAvailable) g.DrawPointer(target.frame);
    g.foundUnchanged = g.grabByTime && g.stillKnown && PictureChecksum(target.frame) == g.stillChecksum;
    if (g.grabByTime && g.stillKnown && !g.foundUnchanged)
        Trace("ScreenGrabber : the area changed without a damage event\n");
    g.stillKnown = g.foundUnchanged;  // the checksum still holds for this picture
    g.grabByTime = false;
    g.lastGrab = std::chrono::steady_clock::now();
    g.lastImage = index;
    return true;
}

bool ScreenGrabber::Changed() {
    if (!m_impl) return true;
    Impl& g = *m_impl;
    // A pointer picture fetched by an earlier pass is stale by now.
    g.nextCursor.reset();
    g.grabByTime = false;
    if (g.lastImage < 0 || g.damage.Damaged() || g.PointerChanged()) return true;
    if (!g.stillKnown) {
        // The image still holds the last grab: no grab has been made since.
        g.stillChecksum = PictureChecksum(g.images[static_cast<std::size_t>(g.lastImage)]->frame);
        g.stillKnown = true;
    }
    if (std::chrono::steady_clock::now() - g.lastGrab < kLongestUntrustedStill) return false;
    g.grabByTime = true;
    return true;
}

bool ScreenGrabber::Impl::PointerChanged() {
    if (!cursorAvailable) return false;
    nextCursor.reset(XFixesGetCursorImage(display.get()));
    if (!nextCursor) return false;
    return nextCursor->x != cursorX || nextCursor->y != cursorY || nextCursor->cursor_serial != cursor.serial;
}

void ScreenGrabber::Impl::DrawPointer(const FrameImage& frame) {
    x11::CursorImagePtr image = nextCursor ? std::move(nextCursor) : x11::CursorImagePtr(XFixesGetCursorImage(display.get()));
    if (!image) return;
    cursorX = image->x;
    cursorY = image->y;
    if (image->cursor_serial != cursor.serial || cursor.argb.empty()) {
        cursor.width = image->width;
        cursor.height = image->height;
        cursor.serial = image->cursor_serial;
        StoreCursorPixels(image->pixels, static_cast<std::size_t>(image->width) * image->height, cursor.argb);
    }
    cursor.hotX = image->xhot;
    cursor.hotY = image->yhot;
    // The hot spot is the point the pointer points at: it must land on the
    // pointer's position, so the picture starts that far up and to the left.
    DrawCursor(frame, cursor, image->x - image->xhot - rect.left, image->y - image->yhot - rect.top);
}

bool ScreenGrabber::FoundUnchanged() const { return m_impl && m_impl->foundUnchanged; }

const FrameImage& ScreenGrabber::Frame(int index) const {
    static const FrameImage empty;
    if (!m_impl || index < 0 || index >= static_cast<int>(m_impl->images.size())) return empty;
    return m_impl->images[static_cast<std::size_t>(index)]->frame;
}

int ScreenGrabber::Images() const { return m_impl ? static_cast<int>(m_impl->images.size()) : 0; }

GrabSource ScreenGrabber::Source() const { return m_impl ? m_impl->kind : GrabSource::Root; }
bool ScreenGrabber::UsesShm() const { return m_impl && m_impl->shm; }
bool ScreenGrabber::CursorAvailable() const { return m_impl && m_impl->cursorAvailable; }

}  // namespace kv
