#include "platform/x11/XResources.h"

#include <X11/extensions/Xrandr.h>

#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <utility>
#include <vector>

namespace kv::x11 {

SharedSegment::~SharedSegment() { Release(); }

bool SharedSegment::Create(std::size_t bytes) {
    Release();
    m_info.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    if (m_info.shmid < 0) return false;
    void* address = shmat(m_info.shmid, nullptr, 0);
    if (address == reinterpret_cast<void*>(-1)) {
        shmctl(m_info.shmid, IPC_RMID, nullptr);
        m_info.shmid = -1;
        return false;
    }
    m_info.shmaddr = static_cast<char*>(address);
    m_info.readOnly = False;
    return true;
}

bool SharedSegment::Attach(Display* display, ErrorTrap& trap) {
    if (m_info.shmid < 0) return false;
    trap.Clean();
    bool attached = XShmAttach(display, &m_info) && trap.Clean();
    if (attached) m_display = display;
    // Both sides hold the segment now (or the server never will): the
    // segment goes away with the last detach.
    shmctl(m_info.shmid, IPC_RMID, nullptr);
    return attached;
}

void SharedSegment::Release() {
    if (m_display) {
        XShmDetach(m_display, &m_info);
        XSync(m_display, False);
        m_display = nullptr;
    }
    if (m_info.shmaddr) {
        shmdt(m_info.shmaddr);
        m_info.shmaddr = nullptr;
    }
    if (m_info.shmid >= 0) {
        shmctl(m_info.shmid, IPC_RMID, nullptr);
        m_info.shmid = -1;
    }
}

namespace {

// Xlib has one error handler per process. Ours records errors of the
// connections that trap them and hands every other error to the handler
// that was there before (Qt's, or Xlib's default).
struct TrapTable {
    std::mutex mutex;
    std::vector<std::pair<Display*, int>> trapped;  // display, errors seen
    XErrorHandler previous = nullptr;
    bool installed = false;
};

TrapTable& Table() {
    static TrapTable table;
    return table;
}

int OnXError(Display* display, XErrorEvent* event) {
    XErrorHandler previous;
    {
        TrapTable& table = Table();
        std::lock_guard lock(table.mutex);
        for (auto& [trappedDisplay, errors] : table.trapped) {
            if (trappedDisplay == display) {
                ++errors;
                return 0;
            }
        }
        previous = table.previous;
    }
    return previous ? previous(display, event) : 0;
}

}  // namespace

ErrorTrap::ErrorTrap(Display* display) : m_display(display) {
    TrapTable& table = Table();
    std::lock_guard lock(table.mutex);
    if (!table.installed) {
        table.previous = XSetErrorHandler(OnXError);
        table.installed = true;
    }
    table.trapped.emplace_back(display, 0);
}

ErrorTrap::~ErrorTrap() {
    XSync(m_display, False);
    TrapTable& table = Table();
    std::lock_guard lock(table.mutex);
    auto it = std::find_if(table.trapped.begin(), table.trapped.end(),
                           [this](const auto& entry) { return entry.first == m_display; });
    if (it != table.trapped.end()) table.trapped.erase(it);
}

bool ErrorTrap::Clean() {
    XSync(m_display, False);
    TrapTable& table = Table();
    std::lock_guard lock(table.mutex);
    for (auto& [trappedDisplay, errors] : table.trapped) {
        if (trappedDisplay == m_display) {
            bool clean = errors == 0;
            errors = 0;
            return clean;
        }
    }
    return true;
}

namespace {

// XWayland before 23.1 has no XWAYLAND extension, but it has always named
// its screens "XWAYLAND0", "XWAYLAND1", ...
bool HasXWaylandOutputs(Display* display) {
    int event = 0, error = 0;
    if (!XRRQueryExtension(display, &event, &error)) return false;
    XRRScreenResources* screens = XRRGetScreenResourcesCurrent(display, DefaultRootWindow(display));
    if (!screens) return false;
    bool found = false;
    for (int i = 0; i < screens->noutput && !found; ++i) {
        XRROutputInfo* output = XRRGetOutputInfo(display, screens, screens->outputs[i]);
        if (!output) continue;
        found = output->name && std::strncmp(output->name, "XWAYLAND", 8) == 0;
        XRRFreeOutputInfo(output);
    }
    XRRFreeScreenResources(screens);
    return found;
}

}  // namespace

bool IsXWayland(Display* display) {
    const char* session = std::getenv("XDG_SESSION_TYPE");
    if (session && std::strcmp(session, "wayland") == 0) return true;
    int opcode = 0, event = 0, error = 0;
    return XQueryExtension(display, "XWAYLAND", &opcode, &event, &error) || HasXWaylandOutputs(display);
}

std::vector<Window> Children(Display* display, Window window) {
    Window root = 0, parent = 0, *raw = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, window, &root, &parent, &raw, &count)) return {};
    std::vector<Window> children(raw, raw + count);
    if (raw) XFree(raw);
    return children;
}

}  // namespace kv::x11
