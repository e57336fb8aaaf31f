// A slow device, a full disk and a device that goes away mid-recording: the
// sound keeps the picture's length and the user learns what happened.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <thread>

#include "EngineFixture.h"
#include "platform/core/Trace.h"
#include "recording/state/RecorderState.h"

namespace kvtest {
namespace {

using namespace std::chrono_literals;

// A server that has just started, so its first read comes late.
class FailureTest : public EngineTest {
protected:
    static void SetUpTestSuite() { s_sound = std::make_unique<TestSoundSource>(false); }
};

// Frames that carry the counter of SetCounter, after any silent lead-in:
// returns the lead-in length, or -1 when the counter skips or goes back.
long LeadThenContiguous(const WavContents& wav) {
    const auto samples = wav.Samples16();
    std::size_t i = 0;
    while (i + 1 < samples.size() && samples[i] == 0 && samples[i + 1] == 0) i += 2;
    const long lead = static_cast<long>(i / 2);
    for (std::uint64_t expected = TestSoundSource::CounterAt(&samples[i], 2); i + 1 < samples.size(); i += 2, ++expected)
        if (TestSoundSource::CounterAt(&samples[i], 2) != expected) return -1;
    return lead > 0 ? lead - 1 : 0;  // counter frame 0 is silent-looking too
}

TEST_F(FailureTest, LateFirstSoundIsPrecededBySilenceNotShiftedForward) {
    Sound().SetCounter(2, 48000 * 20);
    const auto format = kv::MakePcmFormat(48000, 2, 16);
    const auto r = Capture(&format, 3000ms);
    ASSERT_EQ(r.started, 1) << r.problem;
    EXPECT_EQ(r.problem, "");
    EXPECT_NEAR(r.wav.Seconds(), r.wallSeconds, 0.060);
    const long lead = LeadThenContiguous(r.wav);
    EXPECT_GE(lead, 0);
    std::printf("first sound after %.3f s of silence\n", lead / 48000.0);
}

TEST_F(FailureTest, FullDiskStopsTheCaptureAndKeepsWhatWasWritten) {
    Sound().SetTone(44100, 2, 16, 1000.0, 10);
    const auto format = kv::MakePcmFormat(44100, 2, 16);
    kv::TraceCapture traces;
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    const rlimit small{46 + 5 * 4000 + 100, old.rlim_max};  // room for five blocks
    setrlimit(RLIMIT_FSIZE, &small);
    const auto r = Capture(&format, 1500ms);
    setrlimit(RLIMIT_FSIZE, &old);
    ASSERT_EQ(r.started, 1) << r.problem;
    EXPECT_EQ(r.problem.rfind("sound incomplete: cannot write the sound file", 0), 0u) << r.problem;
    EXPECT_TRUE(traces.Contains("DataFromSoundIn : Error Writing Sound File"));
    EXPECT_EQ(r.wav.DataSize(), 5u * 4000u);
    EXPECT_EQ(r.wav.bytes.size(), 46u + r.wav.DataSize());
    EXPECT_EQ(r.wav.U32(4), 38u + r.wav.DataSize());
    EXPECT_NEAR(ToneFrequency(r.wav), 1000.0, 10.0);
}

TEST_F(FailureTest, DeviceGoneMidRecordingKeepsSoundThenSilence) {
    Sound().SetCounter(2, 48000 * 20);
    const auto format = kv::MakePcmFormat(48000, 2, 16);
    const auto r = Capture(&format, 0ms, [] {
        std::this_thread::sleep_for(1000ms);
        Sound().StopServer();
        std::this_thread::sleep_for(4500ms);
    });
    ASSERT_EQ(r.started, 1) << r.problem;
    EXPECT_EQ(r.problem.rfind("sound incomplete: the sound device failed", 0), 0u) << r.problem;
    EXPECT_NEAR(r.wav.Seconds(), r.wallSeconds, 0.1);
    const auto samples = r.wav.Samples16();
    ASSERT_GT(samples.size(), 2u * 48000u * 5u);
    // Sound from the first second, silence for the rest.
    EXPECT_EQ(TestSoundSource::CounterAt(&samples[2 * 48000 / 2], 2), 48000u / 2);
    const auto lastSecond = samples.end() - 2 * 48000;
    EXPECT_TRUE(std::all_of(lastSecond, samples.end(), [](std::int16_t v) { return v == 0; }));
    std::printf("%s\n", r.problem.c_str());
}

}  // namespace
}  // namespace kvtest
