// A slow device, a full disk and a device that goes away mid-recording: the
// sound keeps the picture's length and the user learns what happened.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <condition_variable>
#include <csignal>
#include <mutex>
#include <thread>

#include "EngineFixture.h"
#include "platform/core/Trace.h"
#include "platform/sound/SoundInput.h"
#include "support/PacedInput.h"
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

// A device that delivers a steady tone, then, a second in, never returns
// from a read until the test lets it go: as the PulseAudio plugin does when
// its server goes away while a fragment is half read.
class HangingInput : public PacedInput {
public:
    struct Gate {
        std::mutex mutex;
        std::condition_variable released;
        bool open = false;
        bool hung = false;
        void Release() {
            std::lock_guard lock(mutex);
            open = true;
            released.notify_all();
        }
    };
    explicit HangingInput(std::shared_ptr<Gate> gate) : m_gate(std::move(gate)) {}
    long Read(void* buffer, unsigned long frames, int timeoutMs) override {
        if (SinceStart() <= 1s) return PacedInput::Read(buffer, frames, timeoutMs);
        std::unique_lock lock(m_gate->mutex);
        m_gate->hung = true;
        m_gate->released.wait(lock, [&] { return m_gate->open; });
        return -EIO;
    }

private:
    std::shared_ptr<Gate> m_gate;
};

// The recording still ends, with the picture's length of sound, and the next
// recording captures again; the stuck read, once it returns, harms nothing.
TEST_F(FailureTest, DeviceThatNeverAnswersEndsTheRecordingAndTheNextOneRecords) {
    auto gate = std::make_shared<HangingInput::Gate>();
    kv::SetSoundInputMaker([gate] { return std::make_unique<HangingInput>(gate); });
    const auto format = kv::MakePcmFormat(48000, 2, 16);
    const auto stuck = Capture(&format, 2500ms);
    kv::SetSoundInputMaker({});
    ASSERT_EQ(stuck.started, 1) << stuck.problem;
    EXPECT_TRUE(gate->hung);
    EXPECT_EQ(stuck.problem.rfind("sound incomplete: the sound device failed 1.0 s into the recording (it stopped answering)", 0),
              0u)
        << stuck.problem;
    EXPECT_NEAR(stuck.wav.Seconds(), stuck.wallSeconds, 0.05);
    const auto samples = stuck.wav.Samples16();
    ASSERT_GT(samples.size(), 2u * 48000u * 2u);
    EXPECT_EQ(samples[2 * 48000 / 2], 1000);
    EXPECT_TRUE(std::all_of(samples.end() - 2 * 48000, samples.end(), [](std::int16_t v) { return v == 0; }));

    Sound().SetCounter(2, 48000 * 20);
    const auto next = Capture(&format, 1500ms);
    gate->Release();  // the old read returns into a recording that is not its own
    std::this_thread::sleep_for(100ms);
    ASSERT_EQ(next.started, 1) << next.problem;
    EXPECT_EQ(next.problem, "");
    EXPECT_NEAR(next.wav.Seconds(), next.wallSeconds, 0.06);
    EXPECT_EQ(ReadCounterTrack(next.wav).jumps, 0u);
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
