#include "playback/MessageLog.h"

#include <algorithm>

namespace kvtest {

MessageLog::MessageLog(const char* className) { m_window = kv::CreateWindowHandle(this, &m_loop, className, ""); }

MessageLog::~MessageLog() { kv::DestroyWindowHandle(m_window); }

bool MessageLog::WaitFor(kv::UINT message, int timeoutMs) {
    return m_loop.RunUntil(
        [&] {
            auto messages = Messages();
            return std::find(messages.begin(), messages.end(), message) != messages.end();
        },
        timeoutMs);
}

std::vector<kv::UINT> MessageLog::Messages() const {
    std::lock_guard lock(m_mutex);
    return m_messages;
}

void MessageLog::ClearMessages() {
    std::lock_guard lock(m_mutex);
    m_messages.clear();
}

kv::LRESULT MessageLog::OnMessage(kv::UINT message, kv::WPARAM, kv::LPARAM) {
    std::lock_guard lock(m_mutex);
    m_messages.push_back(message);
    return 1;
}

}  // namespace kvtest
