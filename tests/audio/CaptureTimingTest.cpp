// Sound length against wall time over a long recording. A timing test only:
// the sanitizer build runs the same code in the other capture tests.
#include <gtest/gtest.h>

#include <cstdio>

#include "EngineFixture.h"

namespace kvtest {
namespace {

using namespace std::chrono_literals;

TEST_F(EngineTest, LengthFollowsWallTimeOverThirtySeconds) {
    Sound().SetTone(44100, 2, 16, 1000.0, 40);
    const auto format = kv::MakePcmFormat(44100, 2, 16);
    const auto r = Capture(&format, 30s);
    ASSERT_EQ(r.started, 1) << r.problem;
    std::printf("sound %.4f s for %.4f s of wall time\n", r.wav.Seconds(), r.wallSeconds);
    EXPECT_NEAR(r.wav.Seconds(), r.wallSeconds, 0.040);
    EXPECT_NEAR(ToneFrequency(r.wav), 1000.0, 10.0);
}

}  // namespace
}  // namespace kvtest

namespace kvtest {
namespace {

// Where the file's frames came from: with frames that number themselves, any
// silence put in or sound left out shows as a jump of the numbering.
struct CounterTrack {
    std::uint64_t leadingSilence = 0;  // frames before the device's frame 0
    std::uint64_t jumps = 0;
    std::int64_t framesOffNumbering = 0;  // file frames less device frames
};

CounterTrack ReadCounterTrack(const WavContents& wav) {
    CounterTrack track;
    const auto samples = wav.Samples16();
    std::size_t i = 0;
    while (i + 3 < samples.size() && TestSoundSource::CounterAt(&samples[i + 2], 2) != 1) i += 2;
    track.leadingSilence = i / 2;
    std::uint64_t expected = 0;
    for (; i + 1 < samples.size(); i += 2) {
        const auto counter = TestSoundSource::CounterAt(&samples[i], 2);
        if (counter != expected) ++track.jumps;
        expected = counter + 1;
    }
    track.framesOffNumbering = static_cast<std::int64_t>(samples.size() / 2) - static_cast<std::int64_t>(expected);
    return track;
}

TEST_F(EngineTest, FileHoldsTheDeviceFramesAndNothingElseOverThirtySeconds) {
    Sound().SetCounter(2, 44100 * 40);
    const auto format = kv::MakePcmFormat(44100, 2, 16);
    const auto r = Capture(&format, 30s);
    ASSERT_EQ(r.started, 1) << r.problem;
    const auto track = ReadCounterTrack(r.wav);
    std::printf("sound %.4f s for %.4f s of wall time; %llu frames of leading silence, %llu jumps, %lld frames off\n",
                r.wav.Seconds(), r.wallSeconds, static_cast<unsigned long long>(track.leadingSilence),
                static_cast<unsigned long long>(track.jumps), static_cast<long long>(track.framesOffNumbering));
    EXPECT_EQ(track.jumps, 0u);
}

}  // namespace
}  // namespace kvtest
