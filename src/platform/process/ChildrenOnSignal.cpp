#include "platform/process/ChildrenOnSignal.h"

#include <signal.h>

#include <atomic>

namespace kv {

namespace {

// A process (> 0) or a process group (< 0) to end; 0 is a free place. A fixed
// table of lock-free atomics, because a signal handler may neither lock nor allocate.
constexpr int kPlaces = 64;
std::atomic<pid_t> g_children[kPlaces];
static_assert(std::atomic<pid_t>::is_always_lock_free);

void EndChildrenAndThisProcess(int signal) {
    for (auto& place : g_children) {
        const pid_t target = place.load();
        if (target != 0) ::kill(target, SIGTERM);
    }
    // The handler was reset to the default on entry: the signal, raised again,
    // ends this process once the handler returns, with the status it asks for.
    ::raise(signal);
}

}  // namespace

void RememberChild(pid_t pid, bool group) {
    if (pid <= 0) return;
    const pid_t target = group ? -pid : pid;
    for (auto& place : g_children) {
        pid_t free = 0;
        if (place.compare_exchange_strong(free, target)) return;
    }
    // A full table: such a child is still ended by its owner, only not on a signal.
}

void ForgetChild(pid_t pid) {
    if (pid <= 0) return;
    for (auto& place : g_children) {
        pid_t process = pid, group = -pid;
        if (place.compare_exchange_strong(process, 0) || place.compare_exchange_strong(group, 0)) return;
    }
}

void EndChildrenOnSignal() {
    struct sigaction ending {};
    ending.sa_handler = EndChildrenAndThisProcess;
    ending.sa_flags = SA_RESETHAND;
    sigemptyset(&ending.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(signal, &ending, nullptr);
    struct sigaction ignored {};
    ignored.sa_handler = SIG_IGN;
    sigemptyset(&ignored.sa_mask);
    ::sigaction(SIGPIPE, &ignored, nullptr);
}

}  // namespace kv
