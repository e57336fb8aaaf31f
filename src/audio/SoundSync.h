#pragma once
// Keeps the sound on the recording clock. The device counts time in its own
// samples, which run a little fast or slow against the clock the picture
// follows; left alone the two part by seconds an hour. The synchroniser
// knows, for every frame that comes from the device, when it was captured on
// the recording clock (from the device's own delay, fitted over seconds), and
// gives the file exactly the frames the recording clock calls for:
//   - frames captured before the start, in a pause or after the stop are cut
//     out, to the sample;
//   - a late start is filled with silence, so the file's frame 0 is the
//     start instant;
//   - drift is taken out by stretching or squeezing the sound by a few
//     samples per second (inaudible);
//   - a jump of more than 50 ms (a stall, an overrun) is put right at once,
//     with silence or by dropping frames, and traced.
#include <chrono>
#include <cstdint>
#include <deque>
#include <vector>

#include "platform/media/SoundResampler.h"
#include "recording/state/RecordingTimeline.h"

namespace kv {

class CSoundSync {
public:
    using Clock = std::chrono::steady_clock;
    using TimePoint = Clock::time_point;

    // Interleaved frames of `channels` × `bits` (8: unsigned, 16: signed) at `rate`.
    CSoundSync(unsigned rate, unsigned channels, unsigned bits);

    // `frames` frames have just been read from the device at `now`; `delay`
    // frames had been captured after the last of them (-1: unknown, taken as
    // none). Appends to `out` what the file gets now.
    void Deliver(const std::uint8_t* data, std::size_t frames, TimePoint now, long delay,
                 const RecordingTimeline::Snapshot& timeline, std::vector<std::uint8_t>& out);
    // Whether the device has handed over sound captured at `t` or later.
    bool Covers(TimePoint t) const;
    // The recording ended at `stop`: appends the rest, so that the file holds
    // exactly the frames of the recording time before the stop.
    void Finish(const RecordingTimeline::Snapshot& timeline, TimePoint stop, std::vector<std::uint8_t>& out);

    // Frames given to the file so far.
    std::uint64_t FileFrames() const { return m_nFileFrames; }
    // The device's rate against the recording clock, in parts per million
    // (positive: the device runs fast); 0 until seconds of sound have come.
    double DriftPpm() const;

    static constexpr double kJumpSeconds = 0.050;
    static constexpr double kDeadbandSeconds = 0.010;
    // A device estimated this far off the clock is steered once it is a few
    // milliseconds off, so its offset does not saw-tooth through the whole dead
    // band. Both together: on a loaded machine a clock-exact device's estimate
    // alone can pass the figure for a while, and it must still pass untouched.
    static constexpr double kSteerPpm = 100.0;
    static constexpr double kSteerSeconds = 0.003;

private:
    struct Point {
        double frames;   // device frames captured ...
        double seconds;  // ... by this time (since m_origin)
    };
    double Seconds(TimePoint t) const;
    void Fit(double frames, double seconds);
    double CaptureSeconds(double frame) const;
    void Correct(double error, std::vector<std::uint8_t>& kept, std::vector<std::uint8_t>& out);
    void Emit(const std::uint8_t* data, std::size_t frames, std::vector<std::uint8_t>& out);
    void Silence(std::size_t frames, std::vector<std::uint8_t>& out);
    // From now on the sound goes through the resampler. Until a first
    // stretch is needed it passes untouched: the resampler, even set to give
    // every frame unchanged, costs as much as the rest of the capture.
    void Engage();
    static constexpr std::size_t kPrimeFrames = 64;

    unsigned m_nRate;
    unsigned m_nFrameBytes;
    std::uint8_t m_nSilence;
    media::SoundResampler m_resampler;
    bool m_bResample = false;    // a resampler is there
    bool m_bResampling = false;  // and the sound goes through it

    TimePoint m_origin{};
    bool m_bOriginSet = false;
    std::deque<Point> m_points;  // the last seconds of (frames, time), one every 50 ms
    double m_fBase = 0;          // capture time of device frame 0 ...
    double m_fSecondsPerFrame;   // ... and the time per frame, as fitted
    bool m_bFitted = false;
    double m_fOutlierSince = -1;  // when the readings began to depart from the fit
    std::uint64_t m_nDeviceFrames = 0;
    double m_fLastCovered = -1e9;

    std::uint64_t m_nFileFrames = 0;
    bool m_bFirstKept = true;
    std::uint64_t m_nDropOwed = 0;
    std::uint64_t m_nSinceCompensation = 0;
    std::vector<std::uint8_t> m_tail;  // made, not yet handed out
};

}  // namespace kv
