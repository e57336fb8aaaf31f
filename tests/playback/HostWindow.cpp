#include "playback/HostWindow.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <stdexcept>

namespace kvtest {

HostWindow::HostWindow(int width, int height) {
    m_display = XOpenDisplay(nullptr);
    if (!m_display) throw std::runtime_error("no X display");
    const int screen = DefaultScreen(m_display);
    m_window = XCreateSimpleWindow(m_display, RootWindow(m_display, screen), 0, 0, static_cast<unsigned>(width),
                                   static_cast<unsigned>(height), 0, 0, BlackPixel(m_display, screen));
    XMapWindow(m_display, m_window);
    XSync(m_display, False);
}

HostWindow::~HostWindow() {
    XDestroyWindow(m_display, m_window);
    XCloseDisplay(m_display);
}

std::uint32_t HostWindow::PixelAt(int x, int y) const {
    XImage* image = XGetImage(m_display, m_window, x, y, 1, 1, AllPlanes, ZPixmap);
    if (!image) return 0xFFFFFFFF;
    const unsigned long pixel = XGetPixel(image, 0, 0);
    XDestroyImage(image);
    return static_cast<std::uint32_t>(pixel & 0xFFFFFF);
}

int ColourIndex(std::uint32_t rgb) {
    const int r = (rgb >> 16) & 0xFF, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
    if (r < 40 && g < 40 && b < 40) return 0;
    if (r > 150 && g < 80 && b < 80) return 1;
    if (g > 120 && r < 80 && b < 80) return 2;
    if (b > 150 && r < 80 && g < 100) return 3;
    return -1;
}

}  // namespace kvtest
