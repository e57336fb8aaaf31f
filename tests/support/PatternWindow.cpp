#include <algorithm>
#include "support/PatternWindow.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <stdexcept>

namespace kvtest {

namespace {

unsigned long Rgb(int r, int g, int b) {
    return (static_cast<unsigned long>(r & 0xFF) << 16) | ((g & 0xFF) << 8) | (b & 0xFF);
}

}  // namespace

PatternWindow::PatternWindow(int x, int y, int width, int height, int stepMs)
    : m_width(width), m_height(height), m_stepMs(stepMs), m_shownAt(new std::atomic<float>[1 << kBits]) {
    for (int i = 0; i < (1 << kBits); ++i) m_shownAt[i] = -1;
    m_control = XOpenDisplay(nullptr);
    m_drawing = XOpenDisplay(nullptr);
    if (!m_control || !m_drawing) {
        if (m_control) XCloseDisplay(m_control);
        if (m_drawing) XCloseDisplay(m_drawing);
        throw std::runtime_error("no X display for the pattern window");
    }
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    attributes.background_pixel = 0;
    m_window = XCreateWindow(m_control, DefaultRootWindow(m_control), x, y, width, height, 0, CopyFromParent,
                             InputOutput, CopyFromParent, CWOverrideRedirect | CWBackPixel, &attributes);
    XMapRaised(m_control, m_window);
    XSync(m_control, False);
    m_start = std::chrono::steady_clock::now();
    m_thread = std::thread([this] { DrawLoop(); });
    while (m_drawn.load() < 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

PatternWindow::~PatternWindow() {
    m_stop = true;
    m_thread.join();
    XDestroyWindow(m_control, m_window);
    XCloseDisplay(m_drawing);
    XCloseDisplay(m_control);
}

void PatternWindow::DrawLoop() {
    GC gc = XCreateGC(m_drawing, m_window, 0, nullptr);
    const int cellWidth = m_width / kBits;
    const int columns = 16, rows = 8;
    while (!m_stop) {
        auto now = std::chrono::steady_clock::now();
        int index = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(now - m_start).count() /
                                     m_stepMs);
        for (int bit = 0; bit < kBits; ++bit) {
            bool on = (index >> (kBits - 1 - bit)) & 1;
            XSetForeground(m_drawing, gc, on ? Rgb(255, 255, 255) : Rgb(0, 0, 0));
            XFillRectangle(m_drawing, m_window, gc, bit * cellWidth, 0, cellWidth, m_height / 2);
        }
        // Changing colours below, so the picture keeps an encoder busy.
        const int blockW = m_width / columns + 1, blockH = (m_height - m_height / 2) / rows + 1;
        for (int r = 0; r < rows; ++r) {
            for (int c = 0; c < columns; ++c) {
                int v = index * 7 + r * 31 + c * 17;
                XSetForeground(m_drawing, gc, Rgb(v * 3, v * 5 + 60, 200 - v));
                XFillRectangle(m_drawing, m_window, gc, c * blockW, m_height / 2 + r * blockH, blockW, blockH);
            }
        }
        XSync(m_drawing, False);
        const auto shown = std::chrono::steady_clock::now() - m_start;
        m_shownAt[index & ((1 << kBits) - 1)] = std::chrono::duration<float, std::milli>(shown).count();
        m_drawn = index;
        // In short naps, so a window that holds its picture long still closes at once.
        const auto next = m_start + std::chrono::milliseconds((index + 1) * m_stepMs);
        while (!m_stop && std::chrono::steady_clock::now() < next)
            std::this_thread::sleep_until(std::min(next, std::chrono::steady_clock::now() + std::chrono::milliseconds(20)));
    }
    XFreeGC(m_drawing, gc);
}

double PatternWindow::ShownFrom(int index) const {
    return index >= 0 && index < (1 << kBits) ? m_shownAt[index].load() : -1;
}

double PatternWindow::ShownUntil(int index) const {
    for (int next = index + 1; next >= 0 && next <= m_drawn.load() && next < (1 << kBits); ++next)
        if (m_shownAt[next] >= 0) return m_shownAt[next];
    return -1;
}

void PatternWindow::SetSquarePointer(int size, int hotX, int hotY, std::uint32_t rgb) {
    Pixmap shape = XCreatePixmap(m_control, m_window, size, size, 1);
    GC gc = XCreateGC(m_control, shape, 0, nullptr);
    XSetForeground(m_control, gc, 1);
    XFillRectangle(m_control, shape, gc, 0, 0, size, size);
    XColor foreground{}, background{};
    foreground.red = static_cast<unsigned short>(((rgb >> 16) & 0xFF) * 257);
    foreground.green = static_cast<unsigned short>(((rgb >> 8) & 0xFF) * 257);
    foreground.blue = static_cast<unsigned short>((rgb & 0xFF) * 257);
    foreground.flags = background.flags = DoRed | DoGreen | DoBlue;
    Cursor cursor = XCreatePixmapCursor(m_control, shape, shape, &foreground, &background, hotX, hotY);
    XDefineCursor(m_control, m_window, cursor);
    XFreeCursor(m_control, cursor);
    XFreeGC(m_control, gc);
    XFreePixmap(m_control, shape);
    XSync(m_control, False);
}

void PatternWindow::MovePointer(int rootX, int rootY) {
    XWarpPointer(m_control, None, DefaultRootWindow(m_control), 0, 0, 0, 0, rootX, rootY);
    XSync(m_control, False);
}

int PatternWindow::DecodeIndex(const kv::FrameImage& picture, int width, int height) {
    const int cellWidth = width / kBits;
    if (picture.Empty() || cellWidth < 4 || picture.width < cellWidth * kBits || picture.height < height / 2) return -1;
    int index = 0;
    for (int bit = 0; bit < kBits; ++bit) {
        // Average a patch in the middle of the cell, away from edges that
        // compression smears.
        long sum = 0, count = 0;
        for (int y = height / 8; y < height * 3 / 8; y += 2) {
            const std::uint8_t* row = picture.Row(y);
            for (int x = bit * cellWidth + cellWidth / 4; x < (bit + 1) * cellWidth - cellWidth / 4; ++x) {
                sum += row[x * 4] + row[x * 4 + 1] + row[x * 4 + 2];
                count += 3;
            }
        }
        const long mean = sum / count;
        if (mean > 80 && mean < 175) return -1;  // neither black nor white
        index = (index << 1) | (mean >= 175 ? 1 : 0);
    }
    return index;
}

}  // namespace kvtest
