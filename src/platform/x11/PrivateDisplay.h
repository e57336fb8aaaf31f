#pragma once
// A private X server (Xvfb) for a run on a machine without a display. It
// takes a free display number, DISPLAY names it while the object lives, and
// it ends with the object (DISPLAY comes back as it was).
#include <optional>
#include <string>

#include "platform/process/ChildProcess.h"

namespace kv {

class PrivateDisplay {
public:
    PrivateDisplay() = default;
    ~PrivateDisplay();
    PrivateDisplay(const PrivateDisplay&) = delete;
    PrivateDisplay& operator=(const PrivateDisplay&) = delete;

    // Starts the server with one screen of width x height at 24 bits and
    // waits until it accepts clients; false with the reason in `problem`.
    // `takeDisplay`: DISPLAY names it while the object lives; otherwise only
    // those given Name() use it (one of several side by side).
    bool Start(int width, int height, std::string& problem, bool takeDisplay = true);
    // ":<number>" once started.
    const std::string& Name() const { return m_name; }

private:
    ChildProcess m_server;
    std::string m_name;
    std::string m_log;
    std::optional<std::string> m_previousDisplay;
    bool m_tookDisplay = false;
};

}  // namespace kv
