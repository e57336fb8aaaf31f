#pragma once
// Start-up: at most one running copy of the program. The first copy holds
// the named lock for its whole run and answers the probes of later starts; a
// later start asks the first to bring its container window forward and ends
// without opening a window of its own.
//
// The container window takes part while it is open: its MessageReceiver
// answers UWM_ONE_INSTANCE with the number UWM_ONE_INSTANCE, and it gives its
// handle a WindowPresenter (SetWindowPresenter) that raises it and restores
// it from minimised. No other window answers, so a copy that shows only the
// wizard lets a second start end silently.
#include <memory>
#include <string>
#include <string_view>

#include "platform/core/Messages.h"

namespace kv {

inline constexpr std::string_view kInstanceMutexName = "Kalvista-{B9FF89DA-C7FA-4f20-9836-015B822AFA6D}";
// How long a second start waits for the first copy, and how long the first
// copy waits for each of its windows.
inline constexpr int kInstanceProbeTimeoutMs = 200;

class InstanceLock;
class InstanceProbeServer;

// The first copy's hold on the program: keep it for the whole run.
class FirstInstance {
public:
    FirstInstance(std::unique_ptr<InstanceLock> lock, std::unique_ptr<InstanceProbeServer> server);
    ~FirstInstance();
    FirstInstance(const FirstInstance&) = delete;
    FirstInstance& operator=(const FirstInstance&) = delete;

    // True when it also answers probes (false when the runtime folder refused the socket).
    bool Answering() const;

private:
    std::unique_ptr<InstanceLock> m_lock;
    std::unique_ptr<InstanceProbeServer> m_server;
};

// Start-up steps 1 and 2: takes the named lock. The first copy gets its hold
// back. A later copy probes the first (at most kInstanceProbeTimeoutMs) so
// that it brings its container forward, and gets nullptr: it must end
// without opening a window, whether or not the first copy answered.
std::unique_ptr<FirstInstance> StartSingleInstance(std::string_view mutexName = kInstanceMutexName);

// The first copy's answer to a probe: only UWM_ONE_INSTANCE is answered.
// Each top-level window of this process is sent it (at most
// kInstanceProbeTimeoutMs each; a window that fails or times out is
// skipped); the first whose result is the message's own number is brought to
// the foreground and restored if minimised, and that number is returned.
// 0 when no window answered.
LRESULT AnswerInstanceProbe(UINT message);

}  // namespace kv
