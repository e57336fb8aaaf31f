#pragma once
// A private X server for one test program: Xvfb on a free display number.
#include <string>

#include "platform/process/ChildProcess.h"

namespace kvtest {

class XvfbServer {
public:
    // Starts Xvfb (1920x1080x24 by default) and sets DISPLAY to it; throws when
    // it cannot be started. The previous DISPLAY comes back on destruction.
    explicit XvfbServer(const std::string& screen = "1920x1080x24", bool withShm = true);
    ~XvfbServer();
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    const std::string& display() const { return m_display; }

private:
    kv::ChildProcess m_process;
    std::string m_display;
    std::string m_previous;
    bool m_hadPrevious = false;
};

}  // namespace kvtest
