#pragma once
// A private X server (Xvfb) for a run on a machine without a display. It
// takes a free display number, DISPLAY names it while the object lives, and
// it ends with the object (DISPLAY comes back as it was), or with the
// process however that ends.
#include <optional>
#include <string>

#include "platform/process/ChildProcess.h"

struct _XDisplay;

namespace kv {

class PrivateDisplay {
public:
    PrivateDisplay() = default;
    ~PrivateDisplay();
    PrivateDisplay(const PrivateDisplay&) = delete;
    PrivateDisplay& operator=(const PrivateDisplay&) = delete;

    // Starts the server with one screen of width x height at 24 bits and
    // waits until it accepts clients; false with the reason in `problem`.
    bool Start(int width, int height, std::string& problem);
    // ":<number>" once started.
    const std::string& Name() const { return m_name; }

private:
    ChildProcess m_server;
    // Our first connection, held while the object lives. Without a client
    // the server resets itself, and a client that connects during a reset is
    // turned away; the server is started to end at its first reset, so it
    // also goes when this process dies without a word.
    ::_XDisplay* m_keeper = nullptr;
    std::string m_name;
    std::string m_log;
    std::optional<std::string> m_previousDisplay;
};

}  // namespace kv
