#pragma once
// The recording clock: the instants a recording started, was paused, resumed
// and stopped, as the controls saw them. Picture and sound are both cut by
// these instants, so a pause takes out the same stretch of both, to the
// sample and to the frame, and nothing accumulates over many pauses.
#include <chrono>
#include <mutex>
#include <optional>
#include <vector>

namespace kv {

class RecordingTimeline {
public:
    using Clock = std::chrono::steady_clock;
    using TimePoint = Clock::time_point;

    struct PauseSpan {
        TimePoint from;
        std::optional<TimePoint> until;  // empty while still paused
    };

    // Begins a new recording at `start`; earlier pauses and the stop are forgotten.
    void Start(TimePoint start);
    // A pause while running, a resume while paused; otherwise nothing.
    void Pause(TimePoint at);
    void Resume(TimePoint at);
    void Stop(TimePoint at);

    bool Started() const;
    TimePoint StartTime() const;
    std::optional<TimePoint> StopTime() const;

    // What the readers of the instants work with: a copy, taken at once.
    struct Snapshot {
        TimePoint start{};
        std::vector<PauseSpan> pauses;
        std::optional<TimePoint> stop;

        // Recording time before `t`: from the start, less the pauses (0 before the start).
        Clock::duration ActiveBefore(TimePoint t) const;
        // Whether `t` lies outside the recorded stretches (before the start, in a pause).
        bool Excluded(TimePoint t) const;
    };
    Snapshot Take() const;

private:
    mutable std::mutex m_mutex;
    bool m_started = false;
    Snapshot m_state;
};

// The timeline of the recording in progress.
extern RecordingTimeline g_RecordingTimeline;

}  // namespace kv

namespace kv {

// What the controls do: the instant goes on the timeline first, then the
// flags follow (g_bPaused, g_bRecording), so whoever sees a flag finds its instant.
void PauseAt(RecordingTimeline::TimePoint at);
void ResumeAt(RecordingTimeline::TimePoint at);
void StopAt(RecordingTimeline::TimePoint at);

}  // namespace kv
