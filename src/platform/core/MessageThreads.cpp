#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "platform/core/Messages.h"

namespace kv {

struct LoopThread::State {
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<std::function<void()>> tasks;
    bool stopping = false;
    std::thread::id id;
};

LoopThread::LoopThread() : m_state(std::make_shared<State>()) {
    std::thread worker([state = m_state] {
        for (;;) {
            std::function<void()> task;
            {
                std::unique_lock lock(state->mutex);
                state->wake.wait(lock, [&] { return state->stopping || !state->tasks.empty(); });
                if (state->stopping) break;
                task = std::move(state->tasks.front());
                state->tasks.pop_front();
            }
            task();
        }
        std::deque<std::function<void()>> dropped;
        std::lock_guard lock(state->mutex);
        dropped.swap(state->tasks);
    });
    {
        std::lock_guard lock(m_state->mutex);
        m_state->id = worker.get_id();
    }
    worker.detach();
}

LoopThread::~LoopThread() { Stop(); }

void LoopThread::Stop() {
    std::deque<std::function<void()>> dropped;
    {
        std::lock_guard lock(m_state->mutex);
        m_state->stopping = true;
        dropped.swap(m_state->tasks);
    }
    m_state->wake.notify_all();
}

bool LoopThread::Dispatch(std::function<void()> task) {
    {
        std::lock_guard lock(m_state->mutex);
        if (m_state->stopping) return false;
        m_state->tasks.push_back(std::move(task));
    }
    m_state->wake.notify_one();
    return true;
}

bool LoopThread::IsCurrent() const {
    std::lock_guard lock(m_state->mutex);
    return m_state->id == std::this_thread::get_id();
}

struct CallerLoop::State {
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<std::function<void()>> tasks;
    bool closed = false;
    std::thread::id id = std::this_thread::get_id();
};

CallerLoop::CallerLoop() : m_state(std::make_shared<State>()) {}

CallerLoop::~CallerLoop() {
    std::deque<std::function<void()>> dropped;
    std::lock_guard lock(m_state->mutex);
    m_state->closed = true;
    dropped.swap(m_state->tasks);
}

bool CallerLoop::Dispatch(std::function<void()> task) {
    {
        std::lock_guard lock(m_state->mutex);
        if (m_state->closed) return false;
        m_state->tasks.push_back(std::move(task));
    }
    m_state->wake.notify_one();
    return true;
}

bool CallerLoop::IsCurrent() const { return m_state->id == std::this_thread::get_id(); }

void CallerLoop::ProcessPending() {
    for (;;) {
        std::function<void()> task;
        {
            std::lock_guard lock(m_state->mutex);
            if (m_state->tasks.empty()) return;
            task = std::move(m_state->tasks.front());
            m_state->tasks.pop_front();
        }
        task();
    }
}

bool CallerLoop::RunUntil(const std::function<bool()>& done, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        ProcessPending();
        if (done()) return true;
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline) return false;
        // Short slices: `done` may also turn true through another thread.
        const auto slice = std::min<std::chrono::steady_clock::duration>(deadline - now, std::chrono::milliseconds(5));
        std::unique_lock lock(m_state->mutex);
        m_state->wake.wait_for(lock, slice, [&] { return !m_state->tasks.empty(); });
    }
}

}  // namespace kv
