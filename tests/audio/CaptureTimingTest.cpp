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
