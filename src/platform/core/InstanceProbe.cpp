#include "platform/core/InstanceProbe.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>

#include "platform/core/InstanceLock.h"

namespace kv {
namespace {

using Clock = std::chrono::steady_clock;

// A request or answer is one decimal number and a newline.
constexpr size_t kMaxLine = 32;

class Socket {
public:
    explicit Socket(int fd = -1) : m_fd(fd) {}
    ~Socket() { Reset(); }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    int fd() const { return m_fd; }
    void Reset(int fd = -1) {
        if (m_fd >= 0) ::close(m_fd);
        m_fd = fd;
    }
    int Release() {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }

private:
    int m_fd;
};

bool SocketAddress(const std::filesystem::path& path, sockaddr_un& address) {
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    const std::string text = path.string();
    if (text.size() >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path, text.c_str(), text.size() + 1);
    return true;
}

int MillisecondsLeft(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// Waits until `fd` is ready for `events`; false on time-out or error.
bool WaitFor(int fd, short events, Clock::time_point deadline) {
    for (;;) {
        pollfd entry{fd, events, 0};
        const int ready = ::poll(&entry, 1, MillisecondsLeft(deadline));
        if (ready < 0 && errno == EINTR) continue;
        return ready > 0 && (entry.revents & events);
    }
}

// Reads one line (without its newline) before the deadline.
std::optional<std::string> ReadLine(int fd, Clock::time_point deadline) {
    std::string line;
    while (line.size() < kMaxLine) {
        if (!WaitFor(fd, POLLIN, deadline)) return std::nullopt;
        char c;
        const ssize_t got = ::recv(fd, &c, 1, MSG_DONTWAIT);
        if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (got <= 0) return std::nullopt;
        if (c == '\n') return line;
        line += c;
    }
    return std::nullopt;
}

bool WriteLine(int fd, long long number) {
    const std::string line = std::to_string(number) + "\n";
    return ::send(fd, line.data(), line.size(), MSG_NOSIGNAL | MSG_DONTWAIT) == static_cast<ssize_t>(line.size());
}

std::optional<long long> ParseNumber(const std::string& text) {
    if (text.empty() || text.size() > 20) return std::nullopt;
    char* end = nullptr;
    errno = 0;
    const long long value = std::strtoll(text.c_str(), &end, 10);
    if (errno || *end) return std::nullopt;
    return value;
}

}  // namespace

struct InstanceProbeServer::State {
    std::filesystem::path path;
    Answer answer;
    Socket listener;
    int wake[2] = {-1, -1};  // written to stop the thread
    std::thread thread;

    void Serve();
    void HandleOne(int client);
};

void InstanceProbeServer::State::HandleOne(int client) {
    // A prober gives up after its own limit; a slow or silent one is not waited for longer.
    const auto request = ReadLine(client, Clock::now() + std::chrono::seconds(1));
    if (!request) return;
    const auto message = ParseNumber(*request);
    if (!message || *message < 0 || *message > 0xFFFFFFFFLL) return;
    WriteLine(client, static_cast<long long>(answer(static_cast<UINT>(*message))));
}

void InstanceProbeServer::State::Serve() {
    for (;;) {
        pollfd entries[2] = {{listener.fd(), POLLIN, 0}, {wake[0], POLLIN, 0}};
        const int ready = ::poll(entries, 2, -1);
        if (ready < 0 && errno == EINTR) continue;
        if (ready < 0 || entries[1].revents) return;
        if (!(entries[0].revents & POLLIN)) continue;
        Socket client(::accept4(listener.fd(), nullptr, nullptr, SOCK_CLOEXEC));
        if (client.fd() >= 0) HandleOne(client.fd());
    }
}

InstanceProbeServer::InstanceProbeServer(std::string_view name, Answer answer) : m_state(std::make_unique<State>()) {
    m_state->path = InstanceFilePath(name, ".probe");
    m_state->answer = std::move(answer);
    sockaddr_un address;
    if (!SocketAddress(m_state->path, address)) return;
    Socket listener(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (listener.fd() < 0) return;
    ::unlink(m_state->path.c_str());
    if (::bind(listener.fd(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) return;
    ::chmod(m_state->path.c_str(), 0600);
    if (::listen(listener.fd(), 8) != 0 || ::pipe2(m_state->wake, O_CLOEXEC) != 0) {
        ::unlink(m_state->path.c_str());
        return;
    }
    m_state->listener.Reset(listener.Release());
    m_state->thread = std::thread([state = m_state.get()] { state->Serve(); });
}

InstanceProbeServer::~InstanceProbeServer() {
    if (m_state->thread.joinable()) {
        const char stop = 1;
        while (::write(m_state->wake[1], &stop, 1) < 0 && errno == EINTR) {
        }
        m_state->thread.join();
        ::unlink(m_state->path.c_str());
    }
    for (int fd : m_state->wake)
        if (fd >= 0) ::close(fd);
}

bool InstanceProbeServer::Listening() const { return m_state->thread.joinable(); }

std::optional<LRESULT> ProbeInstance(std::string_view name, UINT message, int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    sockaddr_un address;
    if (!SocketAddress(InstanceFilePath(name, ".probe"), address)) return std::nullopt;
    Socket socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (socket.fd() < 0) return std::nullopt;
    // A local socket connects at once or not at all (nobody listens, or a
    // first copy so stuck that its queue is full).
    if (::connect(socket.fd(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) return std::nullopt;
    if (!WriteLine(socket.fd(), message)) return std::nullopt;
    const auto line = ReadLine(socket.fd(), deadline);
    if (!line) return std::nullopt;
    const auto value = ParseNumber(*line);
    if (!value) return std::nullopt;
    return static_cast<LRESULT>(*value);
}

}  // namespace kv
