#include "platform/x11/PrivateDisplay.h"

#include <X11/Xlib.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <cstdio>
#include <thread>

#include "platform/core/Trace.h"

namespace kv {
namespace {

// Xvfb writes the display number it took as a line of its own on stdout
// (-displayfd 1); its remarks on stderr share the file.
std::optional<std::string> ReadDisplayNumber(const std::string& log) {
    std::ifstream in(log);
    std::string line;
    while (std::getline(in, line))
        if (!line.empty() && line.find_first_not_of("0123456789") == std::string::npos) return line;
    return std::nullopt;
}

std::string TempLogName() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/kalvista-xvfb-XXXXXX";
    const int fd = mkstemp(pattern.data());
    if (fd < 0) return {};
    close(fd);
    return pattern;
}

}  // namespace

bool PrivateDisplay::Start(int width, int height, std::string& problem) {
    m_log = TempLogName();
    if (m_log.empty()) {
        problem = "cannot create a temporary file for the private X server";
        return false;
    }
    SpawnOptions options;
    options.outputFile = m_log;
    const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    int error = 0;
    m_server = ChildProcess::Spawn(
        {"Xvfb", "-displayfd", "1", "-screen", "0", screen, "-nolisten", "tcp", "-terminate"}, options, &error);
    if (!m_server.Started()) {
        problem = error == ENOENT ? "no display, and no Xvfb to start one: set DISPLAY or install xvfb"
                                  : "cannot start Xvfb for a private display";
        return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    std::optional<std::string> number;
    while (!(number = ReadDisplayNumber(m_log)) && m_server.Running() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    if (!number) {
        problem = "the private X server (Xvfb) did not start";
        m_server.Terminate(1000);
        return false;
    }
    m_name = ":" + *number;
    if (const char* previous = std::getenv("DISPLAY")) m_previousDisplay = previous;
    setenv("DISPLAY", m_name.c_str(), 1);
    TraceF("Private X server on %s with a %s screen\n", m_name.c_str(), screen.c_str());
    m_keeper = XOpenDisplay(m_name.c_str());
    if (m_keeper) return true;
    problem = "the private X server (Xvfb) on " + m_name + " accepts no clients";
    return false;
}

PrivateDisplay::~PrivateDisplay() {
    if (m_keeper) XCloseDisplay(m_keeper);
    if (m_server.Started()) m_server.Terminate(2000);
    if (!m_name.empty()) {
        if (m_previousDisplay) setenv("DISPLAY", m_previousDisplay->c_str(), 1);
        else unsetenv("DISPLAY");
    }
    if (!m_log.empty()) std::remove(m_log.c_str());
}

}  // namespace kv
