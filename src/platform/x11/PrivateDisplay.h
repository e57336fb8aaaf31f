#pragma once
// A private X server (Xvfb) for a run on a machine without a display. It
// takes a free display number, DISPLAY names it while the object lives, and
// it ends with the object (DISPLAY comes back as it was). Only holders of its
// key get in: a fresh random cookie in a private file of the run, which
// XAUTHORITY names for us and our children; any other client is refused.
#include <filesystem>
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
    bool Start(int width, int height, std::string& problem);
    // ":<number>" once started.
    const std::string& Name() const { return m_name; }
    // The file with the server's key (what XAUTHORITY names) once started.
    const std::filesystem::path& Authority() const { return m_authority; }

private:
    bool WriteAuthority(std::string& problem);

    ChildProcess m_server;
    std::string m_name;
    std::string m_log;
    std::filesystem::path m_authority;
    std::optional<std::string> m_previousDisplay;
    std::optional<std::string> m_previousAuthority;
};

// One entry of an X authority file: this MIT-MAGIC-COOKIE-1 for any address
// and display number.
std::string AuthorityEntry(const std::string& cookie);

}  // namespace kv
