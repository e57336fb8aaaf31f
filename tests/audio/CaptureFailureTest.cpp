// A slow device, a full disk and a device that goes away mid-recording: the
// sound keeps the picture's length and the user learns what happened.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <future>
#include <memory>
#include <vector>
#include <thread>

#include "EngineFixture.h"
#include "audio/AudioDeviceTable.h"
#include "platform/core/Trace.h"
#include "platform/sound/AlsaCapture.h"
#include "recording/state/RecorderState.h"

namespace kvtest {
namespace {

using namespace std::chrono_literals;

// A server that has just started, so its first read comes late.
class FailureTest : public EngineTest {
protected:
    static void SetUpTestSuite() { s_sound = std::make_unique<TestSoundSource>(false); }
};

TEST_F(FailureTest, LateFirstSoundIsPrecededBySilenceNotShiftedForward) {
    Sound().SetCounter(2, 48000 * 20);
    const auto format = kv::MakePcmFormat(48000, 2, 16);
    const auto r = Capture(&format, 3000ms);
    ASSERT_EQ(r.started, 1) << r.problem;
    EXPECT_EQ(r.problem, "");
    EXPECT_NEAR(r.wav.Seconds(), r.wallSeconds, 0.060);
    const auto track = ReadCounterTrack(r.wav);
    EXPECT_EQ(track.jumps, 0u);
    std::printf("first sound after %.3f s of silence\n", track.leadingSilence / 48000.0);
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
    // Whole frames up to what the disk took.
    EXPECT_GT(r.wav.DataSize(), 0u);
    EXPECT_LE(r.wav.DataSize(), 5u * 4000u + 100u);
    EXPECT_EQ(r.wav.DataSize() % 4u, 0u);
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
    // Sound from the first second, silence for the rest. The file starts at
    // the recording's start: the device's own start (a few ms, more on a
    // loaded machine) is silence before its frame 0.
    const auto atHalfSecond = TestSoundSource::CounterAt(&samples[2 * 48000 / 2], 2);
    EXPECT_LE(atHalfSecond, 48000u / 2);
    EXPECT_GE(atHalfSecond, 48000u / 2 - 48000u / 10);
    const auto lastSecond = samples.end() - 2 * 48000;
    EXPECT_TRUE(std::all_of(lastSecond, samples.end(), [](std::int16_t v) { return v == 0; }));
    std::printf("%s\n", r.problem.c_str());
}

}  // namespace
}  // namespace kvtest

namespace kvtest {
namespace {

using namespace std::chrono_literals;

class ServerGoneTest : public EngineTest {
protected:
    static void SetUpTestSuite() { s_sound = std::make_unique<TestSoundSource>(); }
};

// Through the sound server's ALSA plugin, a read that takes only part of
// what the server handed over leaves the plugin holding it; a server that
// then goes away made the plugin's thread wait for it forever, and the
// capture thread behind it. Reads now take all there is, and fail instead.
TEST_F(ServerGoneTest, AReadAfterTheServerWentAwayFailsInsteadOfHanging) {
    Sound().SetTone(48000, 2, 16, 1000.0, 10);
    const auto device = kv::AudioDeviceTable.DeviceAt(0);
    ASSERT_TRUE(device.has_value());
    auto capture = std::make_shared<kv::AlsaCapture>();
    ASSERT_EQ(capture->Open(*device, {48000, 2, 16, 1000, 3}), 0);
    ASSERT_EQ(capture->Start(), 0);
    std::this_thread::sleep_for(300ms);
    std::vector<std::int16_t> samples(2 * 1000);
    ASSERT_EQ(capture->Read(samples.data(), 10, 100), 10);  // a small part of what is there
    Sound().StopServer();
    std::this_thread::sleep_for(300ms);
    auto read = std::async(std::launch::async, [capture, &samples] {
        for (int i = 0; i < 20; ++i)
            if (capture->Read(samples.data(), 1000, 100) < 0) return true;
        return false;
    });
    if (read.wait_for(10s) != std::future_status::ready) {
        ADD_FAILURE() << "a read hung after the sound server went away";
        std::quick_exit(1);  // the hung threads would hold the program's end too
    }
    EXPECT_TRUE(read.get()) << "the reads went on without an error";
}

}  // namespace
}  // namespace kvtest
