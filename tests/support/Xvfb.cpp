#include "support/Xvfb.h"

#include <poll.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>

namespace kvtest {

XvfbServer::XvfbServer(const std::string& screen, bool withShm) {
    int fds[2];
    if (::pipe(fds) != 0) throw std::runtime_error("pipe failed");
    // Xvfb writes the display number it chose to -displayfd; the write end
    // must be inherited, so pass it as a plain descriptor number.
    std::vector<std::string> argv = {"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", screen,
                                     "-nolisten", "tcp", "-noreset"};
    if (!withShm) {
        argv.push_back("-extension");
        argv.push_back("MIT-SHM");
    }
    m_process = kv::ChildProcess::Spawn(argv, {});
    ::close(fds[1]);
    if (!m_process.Started()) {
        ::close(fds[0]);
        throw std::runtime_error("Xvfb could not be started");
    }
    std::string number;
    pollfd p{fds[0], POLLIN, 0};
    while (::poll(&p, 1, 10000) > 0) {
        char c;
        if (::read(fds[0], &c, 1) != 1 || c == '\n') break;
        number += c;
    }
    ::close(fds[0]);
    if (number.empty()) throw std::runtime_error("Xvfb did not report a display");
    m_display = ":" + number;
    if (const char* previous = std::getenv("DISPLAY")) {
        m_hadPrevious = true;
        m_previous = previous;
    }
    setenv("DISPLAY", m_display.c_str(), 1);
}

XvfbServer::~XvfbServer() {
    m_process.Terminate(2000);
    if (m_hadPrevious) setenv("DISPLAY", m_previous.c_str(), 1);
    else unsetenv("DISPLAY");
}

}  // namespace kvtest
