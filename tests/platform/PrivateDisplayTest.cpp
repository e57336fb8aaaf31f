// The run's own X server on a machine without a display.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include "platform/x11/PrivateDisplay.h"

// After gtest: Xlib's macros (None, Bool) clash with its names.
#include <X11/Xlib.h>

namespace {

using namespace std::chrono_literals;

// Whether a server listens for display `name` (":N"), asked of the kernel's
// socket table rather than the server, which a client would keep alive.
bool Listens(const std::string& name) {
    std::ifstream table("/proc/net/unix");
    const std::string socket = "/tmp/.X11-unix/X" + name.substr(1);
    for (std::string line; std::getline(table, line);)
        if (line.size() >= socket.size() && line.compare(line.size() - socket.size(), socket.size(), socket) == 0)
            return true;
    return false;
}

}  // namespace

// A server that resets when its last client leaves turns away a client that
// comes during the reset (the program's window, right after the check that
// the server is up): it must keep its state from one client to the next.
TEST(PrivateDisplay, KeepsItsStateBetweenClients) {
    kv::PrivateDisplay display;
    std::string problem;
    ASSERT_TRUE(display.Start(320, 240, problem)) << problem;
    EXPECT_EQ(std::getenv("DISPLAY"), display.Name());
    Display* first = XOpenDisplay(display.Name().c_str());
    ASSERT_NE(first, nullptr);
    XInternAtom(first, "KALVISTA_TEST_MARK", False);
    XCloseDisplay(first);
    std::this_thread::sleep_for(300ms);  // time enough for a reset
    Display* second = XOpenDisplay(display.Name().c_str());
    ASSERT_NE(second, nullptr);
    EXPECT_NE(XInternAtom(second, "KALVISTA_TEST_MARK", True), 0ul) << "the server reset between two clients";
    XCloseDisplay(second);
}

// A run that dies without its destructors (an abort in the window system)
// leaves no X server behind.
TEST(PrivateDisplay, EndsWithTheProcessThatStartedIt) {
    int report[2];
    ASSERT_EQ(::pipe(report), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(report[0]);
        static kv::PrivateDisplay display;  // never destroyed: _exit below
        std::string problem;
        std::string name = display.Start(320, 240, problem) ? display.Name() : std::string();
        name += "\n";
        if (::write(report[1], name.data(), name.size()) < 0) ::_exit(2);
        ::_exit(0);
    }
    ::close(report[1]);
    std::string name;
    char c = 0;
    while (::read(report[0], &c, 1) == 1 && c != '\n') name += c;
    ::close(report[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_FALSE(name.empty()) << "the private display did not start";
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (Listens(name) && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(100ms);
    EXPECT_FALSE(Listens(name)) << name << " still runs after its run ended";
}
