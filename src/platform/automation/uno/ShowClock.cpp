#include "platform/automation/uno/ShowClock.h"

#include "platform/automation/Dispatch.h"
#include "platform/core/Trace.h"
#include "platform/automation/uno/UnoSession.h"

namespace kv::uno {

ShowClock::ShowClock(std::shared_ptr<UnoSession> session, std::shared_ptr<UnoDocument> document,
                     std::vector<double> advanceAfter)
    : m_session(session), m_document(document), m_advanceAfter(std::move(advanceAfter)), m_runningSince(Clock::now()) {
    m_thread = std::thread([this] { Run(); });
}

ShowClock::~ShowClock() {
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    if (m_thread.get_id() == std::this_thread::get_id())
        m_thread.detach();
    else
        m_thread.join();
}

void ShowClock::SlideStarted(int index) {
    std::lock_guard lock(m_mutex);
    m_index = index;
    if (index != 0) m_untouched = false;
    m_shown = {};
    m_runningSince = Clock::now();
    m_wake.notify_all();
}

void ShowClock::Start() {
    std::lock_guard lock(m_mutex);
    m_untouched = true;
    m_paused = false;
    m_runningSince = Clock::now();
    m_wake.notify_all();
}

void ShowClock::SetPaused(bool paused) {
    std::lock_guard lock(m_mutex);
    if (paused == m_paused) return;
    if (paused && m_untouched)
        m_shown = {};
    else if (paused)
        m_shown += Clock::now() - m_runningSince;
    else
        m_runningSince = Clock::now();
    m_paused = paused;
    m_untouched = false;
    m_wake.notify_all();
}

void ShowClock::Run() {
    std::unique_lock lock(m_mutex);
    while (!m_stop) {
        const bool timed = m_index >= 0 && m_index < static_cast<int>(m_advanceAfter.size()) && m_advanceAfter[m_index] >= 0;
        if (m_paused || !timed) {
            m_wake.wait(lock);
            continue;
        }
        const auto due = m_runningSince + std::chrono::duration_cast<Clock::duration>(
                                              std::chrono::duration<double>(m_advanceAfter[m_index])) - m_shown;
        if (Clock::now() < due) {
            m_wake.wait_until(lock, due);
            continue;
        }
        // Due: move on, and wait for the office to report the next slide.
        const int index = m_index;
        m_index = -1;
        lock.unlock();
        auto session = m_session.lock();
        auto document = m_document.lock();
        bool moved = false;
        if (session && document && !document->ended) {
            try {
                auto controller = document->controller;
                TraceF("Office show clock: slide %d has had its time\n", index + 1);
                session->office->Call([&] { controller->gotoNextSlide(); });
                moved = true;
            } catch (const AutomationException&) {
            }
        }
        lock.lock();
        if (!moved) return;
    }
}

}  // namespace kv::uno
