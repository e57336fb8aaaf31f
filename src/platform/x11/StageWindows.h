#pragma once
// The windows a show is drawn into on a private X server: a black window that
// fills the screen (the video's whole picture) and, inside it, the window the
// office draws its show into, placed where the slide lands. They live as long
// as the object, on a connection of their own.
#include <memory>
#include <string>

#include "platform/x11/ScreenGrabber.h"

namespace kv::x11 {

class StageWindows {
public:
    StageWindows();
    ~StageWindows();
    StageWindows(const StageWindows&) = delete;
    StageWindows& operator=(const StageWindows&) = delete;

    // Connects to `display` and maps the black window over its whole screen
    // with the show's window filling it; false with the reason in *why.
    bool Open(const std::string& display, std::string* why);
    // Moves the show's window to `place` (relative to the screen).
    void PlaceShow(const ScreenRect& place);
    // The show's window, for the office to draw into.
    unsigned long ShowWindow() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace kv::x11
