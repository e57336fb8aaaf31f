// The synchroniser on its own, fed with frames of exactly known timing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "audio/SoundSync.h"
#include "support/SoundSource.h"

namespace {

using Clock = std::chrono::steady_clock;
using kv::RecordingTimeline;

constexpr unsigned kRate = 8000;

Clock::time_point At(Clock::time_point origin, double seconds) {
    return origin + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}

// A device whose frame k is captured at `first` + k / (rate · (1 + skew)),
// read in 10 ms chunks, until `until` seconds after the start.
struct Feed {
    kv::CSoundSync sync{kRate, 2, 16};
    std::vector<std::uint8_t> file;
    std::uint64_t frames = 0;

    void Run(const RecordingTimeline& timeline, double firstFrame, double skewPpm, double until) {
        const Clock::time_point start = timeline.StartTime();
        const double perSecond = kRate * (1 + skewPpm * 1e-6);
        for (double now = firstFrame + 0.01; now <= until; now += 0.01) {
            const auto captured = static_cast<std::uint64_t>((now - firstFrame) * perSecond);
            std::vector<std::int16_t> chunk;
            for (; frames < captured; ++frames) {
                chunk.push_back(static_cast<std::int16_t>(frames & 0xFFFF));
                chunk.push_back(static_cast<std::int16_t>(frames >> 16));
            }
            sync.Deliver(reinterpret_cast<const std::uint8_t*>(chunk.data()), chunk.size() / 2, At(start, now), 0,
                         timeline.Take(), file);
        }
    }
    std::size_t FileFrames() const { return file.size() / 4; }
    std::uint64_t CounterAt(std::size_t frame) const {
        return kvtest::TestSoundSource::CounterAt(reinterpret_cast<const std::int16_t*>(file.data()) + 2 * frame, 2);
    }
};

TEST(SoundSync, LateStartPausesAndStopAreCutAtTheirInstants) {
    const auto start = Clock::now();
    RecordingTimeline timeline;
    timeline.Start(start);
    timeline.Pause(At(start, 1.0));
    timeline.Resume(At(start, 1.5));
    Feed feed;
    feed.Run(timeline, 0.040, 0, 3.0);  // the device starts 40 ms late
    timeline.Stop(At(start, 3.0));
    feed.sync.Finish(timeline.Take(), At(start, 3.0), feed.file);

    EXPECT_EQ(feed.FileFrames(), 2.5 * kRate);
    // 40 ms of silence, then the device's frame 0.
    EXPECT_EQ(feed.CounterAt(static_cast<std::size_t>(0.040 * kRate) + 1), 1u);
    // Just before the pause, and the first frame after it.
    EXPECT_NEAR(static_cast<double>(feed.CounterAt(kRate - 1)), 0.960 * kRate - 1, 2);
    EXPECT_NEAR(static_cast<double>(feed.CounterAt(kRate + 1)), 1.460 * kRate + 1, 2);
}

TEST(SoundSync, ADeviceRunningFastOrSlowIsHeldToTheRecordingClock) {
    for (const double skew : {+1000.0, -1000.0}) {
        SCOPED_TRACE(skew);
        const auto start = Clock::now();
        RecordingTimeline timeline;
        timeline.Start(start);
        Feed feed;
        feed.Run(timeline, 0, skew, 40.0);
        // At 30 s the file holds what the device captured at 30 s: 30 ms of
        // drift taken out, to within what is left uncorrected on purpose.
        const double captured = static_cast<double>(feed.CounterAt(30 * kRate)) / (kRate * (1 + skew * 1e-6));
        EXPECT_NEAR(captured, 30.0, kv::CSoundSync::kDeadbandSeconds + 0.002);
        EXPECT_NEAR(feed.sync.DriftPpm(), skew, 50);
    }
}

// The sound passes untouched until a first stretch is needed; from there
// the resampler takes it on without a frame given twice or left out (the
// device's counter goes up by one a frame, give or take the stretch).
TEST(SoundSync, StretchingBeginsWithoutARepeatOrAGap) {
    const auto start = Clock::now();
    RecordingTimeline timeline;
    timeline.Start(start);
    Feed feed;
    feed.Run(timeline, 0, +1000.0, 15.0);
    ASSERT_GT(feed.FileFrames(), 14u * kRate);
    const auto* samples = reinterpret_cast<const std::int16_t*>(feed.file.data());
    // The low half of the counter, between its jumps from the highest to
    // the lowest sample (4.10 and 12.29 s), which ring when stretched. A
    // stretched ramp stays within a few counts of its place; a frame repeated
    // or left out around the switch moves it by the resampler's 16 or more.
    int worst = 0;
    for (std::size_t frame = 8.3 * kRate; frame < 12 * kRate; ++frame) {
        const auto step = static_cast<std::int16_t>(samples[2 * (frame + 1)] - samples[2 * frame]);
        worst = std::max(worst, std::abs(step - 1));
    }
    EXPECT_LE(worst, 5);
    // Untouched before the first stretch: every frame as the device gave it.
    for (std::size_t frame = 1; frame < 8 * kRate; ++frame)
        ASSERT_EQ(feed.CounterAt(frame), feed.CounterAt(frame - 1) + 1) << "frame " << frame;
}

TEST(SoundSync, AJumpIsPutRightAtOnce) {
    const auto start = Clock::now();
    RecordingTimeline timeline;
    timeline.Start(start);
    Feed feed;
    feed.Run(timeline, 0, 0, 2.0);
    // 300 ms of sound never come (an overrun): the device's count goes on from where it was.
    const auto first = feed.FileFrames();
    for (double now = 2.31; now <= 5.0; now += 0.01) {
        const auto captured = static_cast<std::uint64_t>((now - 0.3) * kRate);
        std::vector<std::int16_t> chunk;
        for (; feed.frames < captured; ++feed.frames) {
            chunk.push_back(static_cast<std::int16_t>(feed.frames & 0xFFFF));
            chunk.push_back(static_cast<std::int16_t>(feed.frames >> 16));
        }
        feed.sync.Deliver(reinterpret_cast<const std::uint8_t*>(chunk.data()), chunk.size() / 2, At(start, now), 0,
                          timeline.Take(), feed.file);
    }
    ASSERT_GT(feed.FileFrames(), first);
    // Well after the gap, each frame sits where its capture time puts it.
    const double captured = static_cast<double>(feed.CounterAt(4 * kRate)) / kRate + 0.3;
    EXPECT_NEAR(captured, 4.0, 0.005);
}

}  // namespace
