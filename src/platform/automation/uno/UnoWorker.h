#pragma once
// Every call into the office runs on this worker, so that the caller can give
// up after a time limit: an office that hangs (a dialog waiting for a click,
// a dead pipe) must never hang the program.
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace kv::uno {

class UnoWorker {
public:
    UnoWorker();
    ~UnoWorker();
    UnoWorker(const UnoWorker&) = delete;
    UnoWorker& operator=(const UnoWorker&) = delete;

    // Runs `call` on the worker and waits for it. When it has not finished
    // within `timeoutMs`, `onOverrun` runs (it ends the office, which breaks
    // the call off) and the wait goes on until the call has returned, so a
    // call never outlives what it refers to; the result is then false.
    // Exceptions thrown by `call` come back to the caller.
    bool Run(std::function<void()> call, int timeoutMs, const std::function<void()>& onOverrun);
    // True once a call has overrun its limit: the office no longer answers.
    bool Hung() const;

private:
    struct Task;
    void Loop();

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::shared_ptr<Task>> m_tasks;
    bool m_stop = false;
    bool m_hung = false;
    std::thread m_thread;
};

}  // namespace kv::uno
