#pragma once
// A stand-in for the container window: a receiver on the test's own loop
// that notes every message it is sent or posted.
#include <mutex>
#include <vector>

#include "platform/core/Messages.h"

namespace kvtest {

class MessageLog : public kv::MessageReceiver {
public:
    explicit MessageLog(const char* className = "PPTContainerDlgClass");
    ~MessageLog() override;
    kv::HWND Window() const { return m_window; }
    kv::CallerLoop& Loop() { return m_loop; }
    void Pump() { m_loop.ProcessPending(); }
    // Runs the loop until a message of this number has arrived or the time is up.
    bool WaitFor(kv::UINT message, int timeoutMs);
    std::vector<kv::UINT> Messages() const;
    void ClearMessages();
    kv::LRESULT OnMessage(kv::UINT message, kv::WPARAM wParam, kv::LPARAM lParam) override;

private:
    kv::CallerLoop m_loop;
    kv::HWND m_window = 0;
    mutable std::mutex m_mutex;
    std::vector<kv::UINT> m_messages;
};

}  // namespace kvtest
