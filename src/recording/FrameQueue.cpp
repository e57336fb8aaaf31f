#include "recording/FrameQueue.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace kv {

FrameQueue::~FrameQueue() { Finish(); }

bool FrameQueue::Start(int width, int height, int slots, Writer writer) {
    Finish();
    m_width = width;
    m_height = height;
    m_writer = std::move(writer);
    try {
        m_slots.assign(static_cast<std::size_t>(slots), Slot{});
        for (Slot& slot : m_slots) slot.pixels.resize(static_cast<std::size_t>(width) * height * 4);
    } catch (const std::bad_alloc&) {
        m_slots.clear();
        return false;
    }
    m_free.clear();
    m_pending.clear();
    m_free.reserve(m_slots.size());
    m_pending.reserve(m_slots.size());
    for (int i = 0; i < slots; ++i) m_free.push_back(i);
    m_finishing = false;
    m_dropped = 0;
    m_thread = std::thread([this] { WriterLoop(); });
    return true;
}

bool FrameQueue::Push(const FrameImage& frame, long position) {
    int index;
    {
        std::lock_guard lock(m_mutex);
        if (m_free.empty() || !m_thread.joinable()) {
            ++m_dropped;
            return false;
        }
        index = m_free.back();
        m_free.pop_back();
    }
    // The copy runs outside the lock: the slot belongs to this thread now.
    Slot& slot = m_slots[static_cast<std::size_t>(index)];
    const int rows = std::min(frame.height, m_height);
    const std::size_t rowBytes = static_cast<std::size_t>(std::min(frame.width, m_width)) * 4;
    for (int y = 0; y < rows; ++y)
        std::memcpy(slot.pixels.data() + static_cast<std::size_t>(y) * m_width * 4, frame.Row(y), rowBytes);
    slot.position = position;
    {
        std::lock_guard lock(m_mutex);
        m_pending.push_back(index);
    }
    m_wake.notify_one();
    return true;
}

void FrameQueue::WriterLoop() {
    for (;;) {
        int index;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return !m_pending.empty() || m_finishing; });
            if (m_pending.empty()) return;  // finishing, and everything is written
            index = m_pending.front();
            m_pending.erase(m_pending.begin());
        }
        Slot& slot = m_slots[static_cast<std::size_t>(index)];
        m_writer(FrameImage{m_width, m_height, m_width * 4, slot.pixels.data()}, slot.position);
        {
            std::lock_guard lock(m_mutex);
            m_free.push_back(index);
        }
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
