#include "platform/automation/uno/ShowClock.h"

#include "platform/automation/Dispatch.h"
#include "platform/core/Trace.h"
#include "platform/automation/uno/UnoSession.h"

namespace kv::uno {

ShowClock::ShowClock(std::shared_ptr<UnoSession> session, std::shared_ptr<UnoDocument> document,
                     std::vector<double> advanceAfter, std::vector<int> clickSteps)
    : m_session(session),
      m_document(document),
      m_advanceAfter(std::move(advanceAfter)),
      m_clickSteps(std::move(clickSteps)),
      m_runningSince(Clock::now()) {
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
    m_clicksGiven = 0;
    m_effectsFrom = -1;
    m_wake.notify_all();
}

void ShowClock::EffectsBegan() {
    std::lock_guard lock(m_mutex);
    if (m_effectsFrom >= 0) return;
    const Clock::duration shown = m_paused ? m_shown : m_shown + (Clock::now() - m_runningSince);
    m_effectsFrom = std::chrono::duration<double>(shown).count();
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

double ShowClock::NextClickAt() const {
    const bool known = m_index >= 0 && m_index < static_cast<int>(m_clickSteps.size());
    const int steps = known ? m_clickSteps[m_index] : 0;
    if (m_effectsFrom < 0 || m_clicksGiven >= steps) return -1;
    const double time = m_advanceAfter[m_index];
    if (m_effectsFrom >= time) return -1;
    return m_effectsFrom + m_clicksGiven * (time - m_effectsFrom) / (2.0 * steps);
}

bool ShowClock::MoveOn(std::unique_lock<std::mutex>& lock, bool effect, int index) {
    const int click = m_clicksGiven + 1;
    lock.unlock();
    auto session = m_session.lock();
    auto document = m_document.lock();
    bool moved = false;
    if (session && document && !document->ended) {
        try {
            auto controller = document->controller;
            if (effect) {
                TraceF("Office show clock: slide %d's effects get click %d\n", index + 1, click);
                session->office->Call([&] { controller->gotoNextEffect(); });
            } else {
                TraceF("Office show clock: slide %d has had its time\n", index + 1);
                session->office->Call([&] { controller->gotoNextSlide(); });
            }
            moved = true;
        } catch (const AutomationException&) {
        }
    }
    lock.lock();
    return moved;
}

void ShowClock::Run() {
    std::unique_lock lock(m_mutex);
    while (!m_stop) {
        const bool timed = m_index >= 0 && m_index < static_cast<int>(m_advanceAfter.size()) && m_advanceAfter[m_index] >= 0;
        if (m_paused || !timed) {
            m_wake.wait(lock);
            continue;
        }
        const double click = NextClickAt();
        const double at = click >= 0 ? click : m_advanceAfter[m_index];
        const auto due = m_runningSince + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(at)) -
                         m_shown;
        if (Clock::now() < due) {
            m_wake.wait_until(lock, due);
            continue;
        }
        const int index = m_index;
        if (click >= 0) {
            // The slide stays: count the click unless the show has moved on meanwhile.
            if (!MoveOn(lock, true, index)) return;
            if (m_index == index) ++m_clicksGiven;
            continue;
        }
        // Due: move on, and wait for the office to report the next slide.
        m_index = -1;
        if (!MoveOn(lock, false, index)) return;
    }
}

}  // namespace kv::uno
