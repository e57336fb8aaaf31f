#include "recording/state/RecordingTimeline.h"

#include <algorithm>

#include "recording/state/RecorderState.h"

namespace kv {

RecordingTimeline g_RecordingTimeline;

void RecordingTimeline::Start(TimePoint start) {
    std::lock_guard lock(m_mutex);
    m_started = true;
    m_state = Snapshot{start, {}, {}};
}

void RecordingTimeline::Pause(TimePoint at) {
    std::lock_guard lock(m_mutex);
    if (!m_started || m_state.stop) return;
    if (!m_state.pauses.empty() && !m_state.pauses.back().until) return;
    m_state.pauses.push_back({std::max(at, m_state.start), {}});
}

void RecordingTimeline::Resume(TimePoint at) {
    std::lock_guard lock(m_mutex);
    if (m_state.pauses.empty() || m_state.pauses.back().until) return;
    m_state.pauses.back().until = std::max(at, m_state.pauses.back().from);
}

void RecordingTimeline::Stop(TimePoint at) {
    std::lock_guard lock(m_mutex);
    if (m_started && !m_state.stop) m_state.stop = std::max(at, m_state.start);
}

bool RecordingTimeline::Started() const {
    std::lock_guard lock(m_mutex);
    return m_started;
}

RecordingTimeline::TimePoint RecordingTimeline::StartTime() const {
    std::lock_guard lock(m_mutex);
    return m_state.start;
}

std::optional<RecordingTimeline::TimePoint> RecordingTimeline::StopTime() const {
    std::lock_guard lock(m_mutex);
    return m_state.stop;
}

RecordingTimeline::Snapshot RecordingTimeline::Take() const {
    std::lock_guard lock(m_mutex);
    return m_state;
}

RecordingTimeline::Clock::duration RecordingTimeline::Snapshot::ActiveBefore(TimePoint t) const {
    if (t <= start) return Clock::duration::zero();
    Clock::duration active = t - start;
    for (const PauseSpan& pause : pauses) {
        if (t <= pause.from) break;
        const TimePoint end = pause.until ? std::min(*pause.until, t) : t;
        active -= end - pause.from;
    }
    return active;
}

bool RecordingTimeline::Snapshot::Excluded(TimePoint t) const {
    if (t < start) return true;
    for (const PauseSpan& pause : pauses)
        if (t >= pause.from && (!pause.until || t < *pause.until)) return true;
    return false;
}

}  // namespace kv

namespace kv {

void PauseAt(RecordingTimeline::TimePoint at) {
    g_RecordingTimeline.Pause(at);
    g_bPaused = 1;
}

void ResumeAt(RecordingTimeline::TimePoint at) {
    g_RecordingTimeline.Resume(at);
    g_bPaused = 0;
}

void StopAt(RecordingTimeline::TimePoint at) {
    g_RecordingTimeline.Stop(at);
    g_bPaused = 0;
    g_bRecording = 0;
}

}  // namespace kv
