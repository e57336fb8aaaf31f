#pragma once
// A plain X11 window standing for the container's slide area, and a look at
// its pixels (the office draws into a child of it).
#include <cstdint>

typedef struct _XDisplay Display;

namespace kvtest {

class HostWindow {
public:
    HostWindow(int width, int height);  // at (0, 0) of $DISPLAY's root; throws without a display
    ~HostWindow();
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;

    unsigned long window() const { return m_window; }
    // 0xRRGGBB of one pixel of the window as the screen shows it.
    std::uint32_t PixelAt(int x, int y) const;

private:
    Display* m_display = nullptr;
    unsigned long m_window = 0;
};

// Which of the test slides' colours a pixel shows: 1 red, 2 green, 3 blue,
// 0 black, -1 anything else (menus, toolbars, the office's grey).
int ColourIndex(std::uint32_t rgb);

}  // namespace kvtest
