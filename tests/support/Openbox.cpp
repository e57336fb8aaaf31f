#include "support/Openbox.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <chrono>
#include <thread>

namespace kvtest {
namespace {

// True once a window manager has announced itself on the root window.
bool WindowManagerRuns(Display* display) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, left = 0;
    unsigned char* data = nullptr;
    XGetWindowProperty(display, DefaultRootWindow(display), XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", False),
                       0, 1, False, XA_WINDOW, &type, &format, &count, &left, &data);
    if (data) XFree(data);
    return count == 1;
}

}  // namespace

OpenboxSession::OpenboxSession()
    : m_process(std::make_unique<kv::ChildProcess>(kv::ChildProcess::Spawn({"openbox", "--sm-disable"}, {}))) {
    if (!m_process->Started()) {
        m_problem = "openbox is not installed";
        return;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        m_problem = "no X server to run openbox on";
        return;
    }
    for (int i = 0; i < 100 && !WindowManagerRuns(display); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    if (!WindowManagerRuns(display)) m_problem = "openbox did not start";
    XCloseDisplay(display);
}

OpenboxSession::~OpenboxSession() {
    if (m_process->Started()) m_process->Terminate(2000);
}

}  // namespace kvtest
