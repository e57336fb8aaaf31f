#pragma once
// The capture loop's timing: where a grab belongs in the stream, how much
// time pauses have taken out, and when the next pass is due.
//
// Positions follow real time at exactly the stream's frame rate
// (elapsed ms × fps / 1000), so the video keeps the length of the show and
// stays with the sound; the pass period is the whole-millisecond 1000 / fps,
// a little shorter than a position at rates that do not divide 1000, so every
// position gets a grab and the odd second grab of a position is left out.
#include <chrono>
#include <cstdint>

namespace kv {

class RecordingClock {
public:
    using Clock = std::chrono::steady_clock;
    using TimePoint = Clock::time_point;

    // fps must lie in 1..1000.
    explicit RecordingClock(int fps);

    int PeriodMs() const { return m_periodMs; }

    void Start(TimePoint now);
    // A paused pass began at `now` (only the first one of a pause counts).
    void PauseBegan(TimePoint now);
    // A grab was taken at `now`; pause time ends here.
    void Grabbed(TimePoint now);
    // The stream position of a grab taken at `now` (after Grabbed).
    std::int64_t Position(TimePoint now) const;
    // The last position of a recording stopped at `now`: the one whose end
    // lies nearest to the stop, so the video ends within half a frame of it.
    std::int64_t EndPosition(TimePoint now) const;
    // When the pass that began at its due time should be followed by the next:
    // one period after the previous due time, never earlier than 1 ms from now
    // (every pass yields), and never catching up on more than one lost period.
    TimePoint NextDue(TimePoint now);

    // When the next position begins, for a pass at `now` after `recorded` of
    // recording time (pauses left out): the next pass is due just after it,
    // so every picture is taken at the start of its position, before and
    // after any number of pauses alike.
    TimePoint NextPositionDue(TimePoint now, Clock::duration recorded) const;

    std::int64_t PausedMs() const { return m_pausedMs; }

private:
    int m_fps;
    int m_periodMs;
    TimePoint m_start{};
    TimePoint m_due{};
    TimePoint m_pauseStart{};
    bool m_resumePending = false;
    std::int64_t m_pausedMs = 0;
};

}  // namespace kv
