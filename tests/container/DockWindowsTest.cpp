// Hiding and showing the desktop's dock windows on a private X server.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/x11/DockWindows.h"
#include "support/Xvfb.h"

// Last: Xlib's macros clash with the test framework's names.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace {

class DockWindowsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_xvfb = new kvtest::XvfbServer("1024x768x24"); }
    static void TearDownTestSuite() {
        delete s_xvfb;
        s_xvfb = nullptr;
    }

    void SetUp() override {
        m_display = XOpenDisplay(nullptr);
        ASSERT_NE(m_display, nullptr);
    }
    void TearDown() override {
        kv::ShowDockWindows();  // forget what a failed case left hidden
        XCloseDisplay(m_display);
    }

    Window MakeWindow(bool dock) {
        Window w = XCreateSimpleWindow(m_display, DefaultRootWindow(m_display), 0, 0, 200, 30, 0, 0, 0);
        if (dock) {
            Atom type = XInternAtom(m_display, "_NET_WM_WINDOW_TYPE", False);
            Atom value = XInternAtom(m_display, "_NET_WM_WINDOW_TYPE_DOCK", False);
            XChangeProperty(m_display, w, type, XA_ATOM, 32, PropModeReplace,
                            reinterpret_cast<unsigned char*>(&value), 1);
        }
        XMapWindow(m_display, w);
        XSync(m_display, False);
        return w;
    }

    bool Mapped(Window w) {
        XWindowAttributes attributes;
        XSync(m_display, False);
        return XGetWindowAttributes(m_display, w, &attributes) && attributes.map_state != IsUnmapped;
    }

    Display* m_display = nullptr;
    static kvtest::XvfbServer* s_xvfb;
};

kvtest::XvfbServer* DockWindowsTest::s_xvfb = nullptr;

TEST_F(DockWindowsTest, HidesOnlyDocksAndShowsBackWhatItHid) {
    const Window dock = MakeWindow(true);
    const Window normal = MakeWindow(false);
    const auto docks = kv::FindDockWindows();
    EXPECT_NE(std::find(docks.begin(), docks.end(), dock), docks.end());
    EXPECT_EQ(std::find(docks.begin(), docks.end(), normal), docks.end());

    EXPECT_EQ(kv::HideDockWindows(), 1);
    EXPECT_FALSE(Mapped(dock));
    EXPECT_TRUE(Mapped(normal));
    EXPECT_EQ(kv::HideDockWindows(), 0);  // nothing mapped is left to hide

    EXPECT_EQ(kv::ShowDockWindows(), 1);
    EXPECT_TRUE(Mapped(dock));
    EXPECT_EQ(kv::ShowDockWindows(), 0);  // shown once only
    XDestroyWindow(m_display, dock);
    XDestroyWindow(m_display, normal);
}

TEST_F(DockWindowsTest, LeavesDocksHiddenBySomeoneElseAndSurvivesVanishedOnes) {
    const Window ownHidden = MakeWindow(true);
    XUnmapWindow(m_display, ownHidden);  // an auto-hiding panel, say
    const Window dock = MakeWindow(true);
    EXPECT_EQ(kv::HideDockWindows(), 1);
    XDestroyWindow(m_display, dock);  // the panel quits while hidden
    XSync(m_display, False);

    EXPECT_EQ(kv::ShowDockWindows(), 0);
    EXPECT_FALSE(Mapped(ownHidden));
    XDestroyWindow(m_display, ownHidden);
}

}  // namespace
