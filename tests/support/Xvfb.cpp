#include "support/Xvfb.h"

#include <arpa/inet.h>
#include <poll.h>
#include <sys/shm.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace kvtest {

XvfbServer::XvfbServer(const std::string& screen, bool withShm, bool sharedScreen) {
    int fds[2];
    if (::pipe(fds) != 0) throw std::runtime_error("pipe failed");
    // Xvfb writes the display number it chose to -displayfd; the write end
    // must be inherited, so pass it as a plain descriptor number.
    std::vector<std::string> argv = {"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", screen,
                                     "-nolisten", "tcp", "-noreset"};
    if (sharedScreen) argv.push_back("-shmem");
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

namespace {

// The shared memory segment the process `pid` made itself: Xvfb's screen
// (the segments of MIT-SHM are made by its clients); -1 when none.
int SegmentMadeBy(int pid) {
    std::ifstream table("/proc/sysvipc/shm");
    std::string line;
    std::getline(table, line);  // the column names
    while (std::getline(table, line)) {
        std::istringstream row(line);
        long key = 0, id = 0, perms = 0, size = 0, creator = 0;
        if (row >> key >> id >> perms >> size >> creator && creator == pid) return static_cast<int>(id);
    }
    return -1;
}

}  // namespace

bool XvfbServer::PaintBehindTheServer(int left, int top, int width, int height, std::uint32_t rgb) const {
    const int segment = SegmentMadeBy(m_process.Pid());
    if (segment < 0) return false;
    void* memory = ::shmat(segment, nullptr, 0);
    if (memory == reinterpret_cast<void*>(-1)) return false;
    // The segment is an XWD file: a header of big-endian 32-bit fields, the
    // colour map (12 bytes an entry), then the rows of 32-bit pixels.
    auto* base = static_cast<unsigned char*>(memory);
    const auto field = [base](int index) {
        std::uint32_t value;
        std::memcpy(&value, base + 4 * index, 4);
        return ntohl(value);
    };
    const std::uint32_t headerSize = field(0), screenWidth = field(4), screenHeight = field(5);
    const std::uint32_t bitsPerPixel = field(11), bytesPerLine = field(12), colours = field(19);
    const bool fits = bitsPerPixel == 32 && left >= 0 && top >= 0 && width >= 0 && height >= 0 &&
                      static_cast<std::uint32_t>(left + width) <= screenWidth &&
                      static_cast<std::uint32_t>(top + height) <= screenHeight;
    if (fits) {
        unsigned char* pixels = base + headerSize + 12 * colours;
        for (int y = top; y < top + height; ++y) {
            auto* row = reinterpret_cast<std::uint32_t*>(pixels + static_cast<std::size_t>(y) * bytesPerLine);
            std::fill(row + left, row + left + width, rgb);
        }
    }
    ::shmdt(memory);
    return fits;
}

XvfbServer::~XvfbServer() {
    m_process.Terminate(2000);
    if (m_hadPrevious) setenv("DISPLAY", m_previous.c_str(), 1);
    else unsetenv("DISPLAY");
}

}  // namespace kvtest
