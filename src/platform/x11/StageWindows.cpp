#include "platform/x11/StageWindows.h"

#include "platform/x11/PrivateDisplay.h"
#include "platform/x11/XResources.h"

namespace kv::x11 {

struct StageWindows::Impl {
    DisplayPtr display;
    Window screen = 0;
    Window show = 0;
};

StageWindows::StageWindows() : m_impl(std::make_unique<Impl>()) {}

StageWindows::~StageWindows() {
    if (!m_impl->display) return;
    // Destroying the parent takes the show's window with it.
    if (m_impl->screen) XDestroyWindow(m_impl->display.get(), m_impl->screen);
    XSync(m_impl->display.get(), False);
}

bool StageWindows::Open(const std::string& display, std::string* why) {
    m_impl->display.reset(OpenDisplayNamed(display));
    Display* dpy = m_impl->display.get();
    if (!dpy) {
        *why = "cannot connect to the private X server " + display;
        return false;
    }
    const int screen = DefaultScreen(dpy);
    const int width = DisplayWidth(dpy, screen), height = DisplayHeight(dpy, screen);
    XSetWindowAttributes attributes{};
    attributes.background_pixel = BlackPixel(dpy, screen);
    attributes.override_redirect = True;
    const unsigned long mask = CWBackPixel | CWOverrideRedirect;
    m_impl->screen = XCreateWindow(dpy, DefaultRootWindow(dpy), 0, 0, width, height, 0, CopyFromParent, InputOutput,
                                   CopyFromParent, mask, &attributes);
    m_impl->show = XCreateWindow(dpy, m_impl->screen, 0, 0, width, height, 0, CopyFromParent, InputOutput,
                                 CopyFromParent, CWBackPixel, &attributes);
    XMapWindow(dpy, m_impl->show);
    XMapRaised(dpy, m_impl->screen);
    XSync(dpy, False);
    return true;
}

void StageWindows::PlaceShow(const ScreenRect& place) {
    if (!m_impl->display) return;
    XMoveResizeWindow(m_impl->display.get(), m_impl->show, place.left, place.top, static_cast<unsigned>(place.width),
                      static_cast<unsigned>(place.height));
    XSync(m_impl->display.get(), False);
}

unsigned long StageWindows::ShowWindow() const { return m_impl->show; }

}  // namespace kv::x11
