#pragma once
// A private X server for one test program: Xvfb on a free display number.
#include <cstdint>
#include <string>

#include "platform/process/ChildProcess.h"

namespace kvtest {

class XvfbServer {
public:
    // Starts Xvfb (1920x1080x24 by default) and sets DISPLAY to it; throws when
    // it cannot be started. The previous DISPLAY comes back on destruction.
    // `sharedScreen` keeps the screen's pixels in shared memory, for
    // PaintBehindTheServer.
    explicit XvfbServer(const std::string& screen = "1920x1080x24", bool withShm = true, bool sharedScreen = false);
    ~XvfbServer();
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    const std::string& display() const { return m_display; }

    // Fills a rectangle of the screen with `rgb` by writing the server's
    // pixels directly, as a renderer that bypasses X would: the server sees
    // no drawing, so DAMAGE reports nothing. False unless started with
    // `sharedScreen` (or when the rectangle leaves the screen).
    bool PaintBehindTheServer(int left, int top, int width, int height, std::uint32_t rgb) const;

private:
    kv::ChildProcess m_process;
    std::string m_display;
    std::string m_previous;
    bool m_hadPrevious = false;
};

}  // namespace kvtest
