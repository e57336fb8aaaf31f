#include "recording/RecordingClock.h"

namespace kv {

namespace {

std::int64_t Ms(RecordingClock::Clock::duration d) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(d).count();
}

}  // namespace

RecordingClock::RecordingClock(int fps) : m_fps(fps), m_periodMs(1000 / fps) {}

void RecordingClock::Start(TimePoint now) {
    m_start = now;
    m_due = now;
    m_pausedMs = 0;
    m_resumePending = false;
}

void RecordingClock::PauseBegan(TimePoint now) {
    if (m_resumePending) return;
    m_pauseStart = now;
    m_resumePending = true;
}

void RecordingClock::Grabbed(TimePoint now) {
    if (!m_resumePending) return;
    m_pausedMs += Ms(now - m_pauseStart);
    m_resumePending = false;
    m_due = now;  // the schedule starts again after a pause
}

std::int64_t RecordingClock::Position(TimePoint now) const {
    const std::int64_t elapsed = Ms(now - m_start) - m_pausedMs;
    return elapsed <= 0 ? 0 : elapsed * m_fps / 1000;
}

std::int64_t RecordingClock::EndPosition(TimePoint now) const {
    const std::int64_t elapsed = Ms(now - m_start) - m_pausedMs;
    return (elapsed * m_fps + 500) / 1000 - 1;
}

RecordingClock::TimePoint RecordingClock::NextDue(TimePoint now) {
    const auto period = std::chrono::milliseconds(m_periodMs);
    m_due += period;
    // A pass that overran by more than a period does not make the next ones
    // rush: the schedule restarts from now.
    if (m_due + period < now) m_due = now;
    const auto earliest = now + std::chrono::milliseconds(1);
    return m_due < earliest ? earliest : m_due;
}

RecordingClock::TimePoint RecordingClock::NextPositionDue(TimePoint now, Clock::duration recorded) const {
    using std::chrono::microseconds;
    const std::int64_t us = std::chrono::duration_cast<microseconds>(recorded).count();
    const std::int64_t next = us * m_fps / 1000000 + 1;
    // The first microsecond of the next position (rounded up), plus one
    // millisecond so a pass that wakes on time lands inside it.
    const std::int64_t nextUs = (next * 1000000 + m_fps - 1) / m_fps;
    return now + microseconds(nextUs - us) + std::chrono::milliseconds(1);
}

}  // namespace kv
