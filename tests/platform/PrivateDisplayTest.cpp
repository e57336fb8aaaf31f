// The run's own X server on a machine without a display.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "platform/x11/PrivateDisplay.h"

// After gtest: Xlib's macros (None, Bool) clash with its names.
#include <X11/Xlib.h>

namespace {

using namespace std::chrono_literals;

// A server that resets when its last client leaves turns away a client that
// comes during the reset (the program's window, right after the check that
// the server is up): it must keep its state from one client to the next.
TEST(PrivateDisplay, KeepsItsStateBetweenClients) {
    kv::PrivateDisplay display;
    std::string problem;
    ASSERT_TRUE(display.Start(320, 240, problem)) << problem;
    EXPECT_EQ(std::getenv("DISPLAY"), display.Name());
    Display* first = kv::OpenDisplayNamed(display.Name());
    ASSERT_NE(first, nullptr);
    XInternAtom(first, "KALVISTA_TEST_MARK", False);
    XCloseDisplay(first);
    std::this_thread::sleep_for(300ms);  // time enough for a reset
    Display* second = kv::OpenDisplayNamed(display.Name());
    ASSERT_NE(second, nullptr);
    EXPECT_NE(XInternAtom(second, "KALVISTA_TEST_MARK", True), 0ul) << "the server reset between two clients";
    XCloseDisplay(second);
}

}  // namespace
