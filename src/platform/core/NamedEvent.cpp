#include "platform/core/NamedEvent.h"

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>

namespace kv {

struct NamedEvent::State {
    mutable std::mutex mutex;
    mutable std::condition_variable changed;
    bool signalled = false;
};

namespace {
std::mutex g_namesMutex;
std::map<std::string, std::weak_ptr<NamedEvent::State>> g_names;
}  // namespace

NamedEvent::NamedEvent(std::shared_ptr<State> state) : m_state(std::move(state)) {}

std::shared_ptr<NamedEvent> NamedEvent::Open(const std::string& name) {
    std::lock_guard lock(g_namesMutex);
    auto state = g_names[name].lock();
    if (!state) {
        state = std::make_shared<State>();
        g_names[name] = state;
    }
    return std::make_shared<NamedEvent>(state);
}

void NamedEvent::Set() {
    {
        std::lock_guard lock(m_state->mutex);
        m_state->signalled = true;
    }
    m_state->changed.notify_all();
}

void NamedEvent::Reset() {
    std::lock_guard lock(m_state->mutex);
    m_state->signalled = false;
}

bool NamedEvent::IsSet() const {
    std::lock_guard lock(m_state->mutex);
    return m_state->signalled;
}

bool NamedEvent::Wait(int timeoutMs) const {
    std::unique_lock lock(m_state->mutex);
    return m_state->changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                     [&] { return m_state->signalled; });
}

}  // namespace kv
