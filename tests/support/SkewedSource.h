#pragma once
// A sound source whose clock is off by a known amount, for tests of the
// synchroniser: while it lives, the sound engine captures from it instead of
// ALSA (the engine's own code runs unchanged). It says it runs at the rate
// asked for and delivers rate·(1 + skew) frames a second, in steps of 10 ms
// as a sound server does, and it starts `startLatency` after it is started,
// as real devices do. Its frames number themselves (16-bit stereo, as
// TestSoundSource::SetCounter), and it knows when each was captured, so a
// recording tells its sound's timing at every frame.
#include <chrono>
#include <cstdint>
#include <memory>

namespace kvtest {

class SkewedSource {
public:
    using Clock = std::chrono::steady_clock;

    explicit SkewedSource(double skewPpm, std::chrono::milliseconds startLatency = std::chrono::milliseconds(30));
    ~SkewedSource();  // the engine captures from ALSA again
    SkewedSource(const SkewedSource&) = delete;
    SkewedSource& operator=(const SkewedSource&) = delete;

    double SkewPpm() const;
    // When the device captured its frame `frame` of the last capture (the
    // counter in it); valid once a capture has started.
    Clock::time_point CapturedAt(std::uint64_t frame) const;

    struct State;

private:
    std::shared_ptr<State> m_state;
};

}  // namespace kvtest
