#include "platform/automation/uno/UnoWorker.h"

#include <chrono>

namespace kv::uno {

struct UnoWorker::Task {
    std::function<void()> call;
    std::exception_ptr error;
    bool done = false;
};

UnoWorker::UnoWorker() : m_thread([this] { Loop(); }) {}

UnoWorker::~UnoWorker() {
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

bool UnoWorker::Hung() const {
    std::lock_guard lock(m_mutex);
    return m_hung;
}

bool UnoWorker::Run(std::function<void()> call, int timeoutMs, const std::function<void()>& onOverrun) {
    auto task = std::make_shared<Task>();
    task->call = std::move(call);
    std::unique_lock lock(m_mutex);
    m_tasks.push_back(task);
    m_wake.notify_all();
    bool inTime = m_wake.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return task->done; });
    if (!inTime) {
        m_hung = true;
        lock.unlock();
        if (onOverrun) onOverrun();
        lock.lock();
        m_wake.wait(lock, [&] { return task->done; });
        return false;
    }
    if (task->error) std::rethrow_exception(task->error);
    return true;
}

void UnoWorker::Loop() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [&] { return m_stop || !m_tasks.empty(); });
        if (m_tasks.empty()) return;
        auto task = m_tasks.front();
        m_tasks.pop_front();
        lock.unlock();
        try {
            task->call();
        } catch (...) {
            task->error = std::current_exception();
        }
        task->call = nullptr;
        lock.lock();
        task->done = true;
        m_wake.notify_all();
    }
}

}  // namespace kv::uno
