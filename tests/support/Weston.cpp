#include "support/Weston.h"

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>
#include <thread>

#include "support/RunMarker.h"

namespace kvtest {

std::string WestonSession::Unavailable() {
    for (const char* program : {"weston", "Xwayland"})
        if (!kv::ChildProcess::Resolve(program, {}))
            return std::string(program) + " is not installed (Debian: apt-get install weston xwayland)";
    return {};
}

WestonSession::WestonSession(int width, int height) : m_socket("kalvista-wl-" + std::to_string(::getpid())) {
    // Wayland wants its runtime folder private to the user.
    ::chmod(m_dir.path().c_str(), 0700);
    kv::SpawnOptions options;
    options.newProcessGroup = true;  // weston and the XWayland it starts end together
    options.outputFile = m_dir / "weston.out";
    options.environment = {"XDG_RUNTIME_DIR=" + RuntimeDir(), "WAYLAND_DISPLAY=", "DISPLAY="};
    m_process = kv::ChildProcess::Spawn({"weston", "--backend=headless-backend.so", "--xwayland", "--idle-time=0",
                                         "--socket=" + m_socket, "--width=" + std::to_string(width),
                                         "--height=" + std::to_string(height), "--log=" + (m_dir / "weston.log").string()},
                                        options);
    if (!m_process.Started()) throw std::runtime_error("weston could not be started");
    // weston picks a free X display for XWayland and names it in its log.
    const std::string listening = "xserver listening on display :";
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (std::chrono::steady_clock::now() < end && m_process.Running()) {
        const std::string log = Log();
        const auto at = log.find(listening);
        const auto number = at == std::string::npos ? at : at + listening.size();
        const auto numberEnd = number == std::string::npos ? number : log.find_first_not_of("0123456789", number);
        if (numberEnd != std::string::npos && numberEnd > number) {
            m_xDisplay = ":" + log.substr(number, numberEnd - number);
            if (WaitForWindowManager(end)) return;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    const std::string log = Log();
    m_process.Terminate(2000);
    throw std::runtime_error("weston did not offer XWayland:\n" + log + ReadTextFile(m_dir / "weston.out"));
}

// XWayland starts with its first client, and weston's X window manager with
// it; a desktop session has both running before any program starts.
bool WestonSession::WaitForWindowManager(std::chrono::steady_clock::time_point end) {
    kv::ChildProcess client = kv::ChildProcess::Spawn({"xdpyinfo", "-display", m_xDisplay}, {});
    if (!client.Started() || client.Wait(15000).value_or(-1) != 0) return false;
    while (std::chrono::steady_clock::now() < end + std::chrono::seconds(10)) {
        if (Log().find("created wm") != std::string::npos) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

WestonSession::~WestonSession() { m_process.Terminate(2000); }

std::vector<std::string> WestonSession::Environment() const {
    return {"DISPLAY=" + m_xDisplay, "WAYLAND_DISPLAY=" + m_socket, "XDG_RUNTIME_DIR=" + RuntimeDir()};
}

std::string WestonSession::Log() const { return ReadTextFile(m_dir / "weston.log"); }

}  // namespace kvtest
