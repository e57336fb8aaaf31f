#pragma once
// A Wayland session for one test: Debian's weston compositor on its headless
// backend (no screen, no GPU), with XWayland for X11 programs, in a runtime
// folder of its own. X11 programs reach it through XDisplay(); it is not put
// into this process's environment.
#include <chrono>
#include <string>
#include <vector>

#include "platform/process/ChildProcess.h"
#include "support/TempDir.h"

namespace kvtest {

class WestonSession {
public:
    // Why no session can be started here (weston or Xwayland missing), or
    // empty when it can.
    static std::string Unavailable();

    // Starts weston with an output of `width` x `height` and waits until
    // XWayland and weston's X window manager run; throws with weston's log
    // when they do not come up in time.
    WestonSession(int width, int height);
    ~WestonSession();
    WestonSession(const WestonSession&) = delete;
    WestonSession& operator=(const WestonSession&) = delete;

    // The X display XWayland listens on (":N"), the Wayland socket's name
    // and the runtime folder both live in.
    const std::string& XDisplay() const { return m_xDisplay; }
    const std::string& Socket() const { return m_socket; }
    std::string RuntimeDir() const { return m_dir.path().string(); }
    // What a program of the session gets in its environment.
    std::vector<std::string> Environment() const;
    std::string Log() const;

private:
    bool WaitForWindowManager(std::chrono::steady_clock::time_point end);

    TempDir m_dir{"kalvista-weston"};
    kv::ChildProcess m_process;
    std::string m_socket;
    std::string m_xDisplay;
};

}  // namespace kvtest
