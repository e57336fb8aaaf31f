#include "recording/FrameQueue.h"

#include <algorithm>
#include <system_error>

namespace kv {

namespace {
constexpr std::size_t kSlotMemory = 64u << 20;
constexpr int kFewestSlots = 3;
}  // namespace

int FrameSlotsFor(int fps, std::size_t frameBytes) {
    const std::size_t affordable = frameBytes > 0 ? kSlotMemory / frameBytes : 0;
    return std::max(kFewestSlots, static_cast<int>(std::min<std::size_t>(affordable, fps > 0 ? fps : 0)));
}

FrameQueue::~FrameQueue() { Finish(); }

bool FrameQueue::Start(int slots, Writer writer) {
    Finish();
    m_writer = std::move(writer);
    m_free.clear();
    m_pending.clear();
    for (int i = slots - 1; i >= 0; --i) m_free.push_back(i);
    m_slots = static_cast<std::size_t>(slots);
    m_finishing = false;
    m_dropped = 0;
    try {
        m_thread = std::thread([this] { WriterLoop(); });
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

int FrameQueue::Acquire() {
    std::lock_guard lock(m_mutex);
    if (m_free.empty() || !m_thread.joinable()) {
        ++m_dropped;
        return -1;
    }
    const int slot = m_free.back();
    m_free.pop_back();
    return slot;
}

void FrameQueue::Submit(int slot, long position) {
    {
        std::lock_guard lock(m_mutex);
        m_pending.emplace_back(slot, position);
    }
    m_wake.notify_one();
}

bool FrameQueue::SubmitRepeat(long position) {
    {
        std::lock_guard lock(m_mutex);
        if (m_pending.size() >= m_slots || !m_thread.joinable()) {
            ++m_dropped;
            return false;
        }
        m_pending.emplace_back(-1, position);
    }
    m_wake.notify_one();
    return true;
}

void FrameQueue::Return(int slot) {
    std::lock_guard lock(m_mutex);
    m_free.push_back(slot);
}

void FrameQueue::WriterLoop() {
    for (;;) {
        std::pair<int, long> next;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return !m_pending.empty() || m_finishing; });
            if (m_pending.empty()) return;  // finishing, and everything is written
            next = m_pending.front();
            m_pending.pop_front();
        }
        m_writer(next.first, next.second);
        if (next.first >= 0) Return(next.first);
    }
}

void FrameQueue::Finish() {
    if (!m_thread.joinable()) return;
    {
        std::lock_guard lock(m_mutex);
        m_finishing = true;
    }
    m_wake.notify_one();
    m_thread.join();
}

int FrameQueue::Dropped() const {
    std::lock_guard lock(m_mutex);
    return m_dropped;
}

}  // namespace kv
