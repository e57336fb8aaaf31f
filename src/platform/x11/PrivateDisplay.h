#pragma once
// A private X server (Xvfb): for a run on a machine without a display, or
// one of several side by side that play shows out of sight. It takes a free
// display number and ends with the object. Only holders of its key get in:
// the run's private displays share one fresh random cookie in a private file
// of the run; any other client is refused.
#include <filesystem>
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
    // `takeDisplay`: DISPLAY (and XAUTHORITY, for our children) name it while
    // the object lives; otherwise only those given Name() and Authority() use it.
    bool Start(int width, int height, std::string& problem, bool takeDisplay = true);
    // ":<number>" once started.
    const std::string& Name() const { return m_name; }
    // The file with the server's key (what XAUTHORITY names) once started.
    const std::filesystem::path& Authority() const { return m_authority; }

private:
    ChildProcess m_server;
    std::string m_name;
    std::string m_log;
    std::filesystem::path m_authority;
    std::optional<std::string> m_previousDisplay;
    std::optional<std::string> m_previousAuthority;
    bool m_tookDisplay = false;
};

// One entry of an X authority file: this MIT-MAGIC-COOKIE-1 for any address
// and display number.
std::string AuthorityEntry(const std::string& cookie);

// Opens a connection to the display `name` (empty: DISPLAY's); one of our
// private displays is reached with the run's key, whatever XAUTHORITY says.
// Null when it cannot be reached.
_XDisplay* OpenDisplayNamed(const std::string& name);

}  // namespace kv
