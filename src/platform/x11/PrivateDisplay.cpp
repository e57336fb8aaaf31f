#include "platform/x11/PrivateDisplay.h"

#include <X11/Xlib.h>
#include <sys/random.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <set>
#include <thread>

#include "platform/core/PrivateFiles.h"
#include "platform/core/Trace.h"
#include "platform/files/RunFolder.h"
#include "platform/x11/ScreenGrabber.h"

namespace kv {
namespace {

constexpr char kCookieKind[] = "MIT-MAGIC-COOKIE-1";

// Xvfb writes the display number it took as a line of its own on stdout
// (-displayfd 1); its remarks on stderr share the file.
std::optional<std::string> ReadDisplayNumber(const std::string& log) {
    std::ifstream in(log);
    std::string line;
    while (std::getline(in, line))
        if (!line.empty() && line.find_first_not_of("0123456789") == std::string::npos) return line;
    return std::nullopt;
}

void AppendCounted(std::string& entry, const std::string& bytes) {
    entry += static_cast<char>(bytes.size() >> 8);
    entry += static_cast<char>(bytes.size() & 0xFF);
    entry += bytes;
}

// The run's key to its private displays: one cookie in one private file,
// made with the first display and removed with the last.
class RunKey {
public:
    static RunKey& Get() {
        static RunKey* key = new RunKey();  // kept to the process's end: displays may outlive statics
        return *key;
    }

    // The key's file, made on first use; empty with `problem` set.
    std::filesystem::path Take(std::string& problem) {
        std::lock_guard lock(m_mutex);
        if (m_users == 0 && !Write(problem)) return {};
        ++m_users;
        return m_file;
    }
    void Give() {
        std::lock_guard lock(m_mutex);
        if (--m_users > 0) return;
        std::remove(m_file.c_str());
        m_file.clear();
        m_names.clear();
    }
    void Name(const std::string& display, bool ours) {
        std::lock_guard lock(m_mutex);
        if (ours) m_names.insert(display);
        else m_names.erase(display);
    }

    // Xlib takes an explicit key for the connections opened while it is set,
    // for every display: the lock keeps our other opens from meeting it.
    Display* Open(const std::string& name) {
        std::lock_guard lock(m_mutex);
        const char* which = name.empty() ? nullptr : name.c_str();
        if (!m_names.count(name)) return XOpenDisplay(which);
        XSetAuthorization(const_cast<char*>(kCookieKind), sizeof kCookieKind - 1, m_cookie.data(),
                          static_cast<int>(m_cookie.size()));
        Display* display = XOpenDisplay(which);
        XSetAuthorization(nullptr, 0, nullptr, 0);
        return display;
    }

private:
    bool Write(std::string& problem) {
        m_cookie.assign(16, '\0');
        if (::getrandom(m_cookie.data(), m_cookie.size(), 0) != static_cast<ssize_t>(m_cookie.size())) {
            problem = "no random numbers for the private X server's key";
            return false;
        }
        m_file = NewRunFile("xauthority", "");
        const int fd = CreatePrivateFile(m_file);
        const std::string entry = AuthorityEntry(m_cookie);
        const bool written = fd >= 0 && ::write(fd, entry.data(), entry.size()) == static_cast<ssize_t>(entry.size());
        if ((fd >= 0 && ::close(fd) != 0) || !written) {
            problem = "cannot write the private X server's key " + m_file.string();
            std::remove(m_file.c_str());
            m_file.clear();
            return false;
        }
        return true;
    }

    std::mutex m_mutex;
    int m_users = 0;
    std::string m_cookie;
    std::filesystem::path m_file;
    std::set<std::string> m_names;
};

void Restore(const char* name, const std::optional<std::string>& previous) {
    if (previous) setenv(name, previous->c_str(), 1);
    else unsetenv(name);
}

}  // namespace

std::string AuthorityEntry(const std::string& cookie) {
    // Any address, any display number: the server takes every cookie of its
    // file, and Xlib matches this entry whatever number the server chose.
    std::string entry = "\xFF\xFF";
    AppendCounted(entry, "");
    AppendCounted(entry, "");
    AppendCounted(entry, kCookieKind);
    AppendCounted(entry, cookie);
    return entry;
}

Display* OpenDisplayNamed(const std::string& name) { return RunKey::Get().Open(name); }

bool PrivateDisplay::Start(int width, int height, std::string& problem, bool takeDisplay) {
    m_authority = RunKey::Get().Take(problem);
    if (m_authority.empty()) return false;
    m_log = NewRunFile("xvfb", ".log").string();
    if (!ReservePrivateFile(m_log)) {
        problem = "cannot create a temporary file for the private X server";
        return false;
    }
    SpawnOptions options;
    options.outputFile = m_log;
    const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    int error = 0;
    // No reset when the last client goes: a reset (our check disconnecting, say) refuses
    // whoever connects meanwhile.
    m_server = ChildProcess::Spawn({"Xvfb", "-displayfd", "1", "-screen", "0", screen, "-nolisten", "tcp", "-noreset",
                                    "-auth", m_authority.string()},
                                   options, &error);
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
    RunKey::Get().Name(m_name, true);
    TraceF("Private X server on %s with a %s screen, its key in %s\n", m_name.c_str(), screen.c_str(),
           m_authority.c_str());
    if (takeDisplay) {
        m_tookDisplay = true;
        if (const char* previous = std::getenv("DISPLAY")) m_previousDisplay = previous;
        if (const char* previous = std::getenv("XAUTHORITY")) m_previousAuthority = previous;
        // Our children (the office, ffmpeg) find the key through XAUTHORITY.
        setenv("DISPLAY", m_name.c_str(), 1);
        setenv("XAUTHORITY", m_authority.c_str(), 1);
    }
    if (DisplayAvailable(m_name)) return true;
    problem = "the private X server (Xvfb) on " + m_name + " accepts no clients";
    return false;
}

PrivateDisplay::~PrivateDisplay() {
    if (m_server.Started()) m_server.Terminate(2000);
    if (m_tookDisplay) {
        Restore("DISPLAY", m_previousDisplay);
        Restore("XAUTHORITY", m_previousAuthority);
    }
    if (!m_name.empty()) RunKey::Get().Name(m_name, false);
    if (!m_log.empty()) std::remove(m_log.c_str());
    if (!m_authority.empty()) RunKey::Get().Give();
}

}  // namespace kv
