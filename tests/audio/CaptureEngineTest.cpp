// Real capture through ALSA from the test sound source.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <thread>

#include "EngineFixture.h"
#include "recording/state/RecordingTimeline.h"
#include "app/core/SettingsCatalogue.h"
#include "audio/AudioDeviceTable.h"
#include "audio/SilenceWatch.h"
#include "audio/WaveIn.h"
#include "platform/core/Trace.h"
#include "platform/process/ChildProcess.h"
#include "platform/sound/CaptureDevices.h"
#include "recording/state/RecorderState.h"

namespace kvtest {
namespace {

using namespace std::chrono_literals;

TEST_F(EngineTest, DeviceListOffersDefaultFirstAndTheTestDevices) {
    const auto entries = kv::AudioDeviceTable.Entries();
    ASSERT_FALSE(entries.empty());
    EXPECT_EQ(entries[0], "Default sound input");
    EXPECT_EQ(kv::AudioDeviceTable.DeviceAt(0), "default");
    const auto tone = std::find(entries.begin(), entries.end(), "Kalvista test tone");
    ASSERT_NE(tone, entries.end());
    EXPECT_EQ(kv::AudioDeviceTable.DeviceAt(static_cast<int>(tone - entries.begin())), "kvtone");
}

// What another program plays on the desktop ends up in the recording's
// sound file when "Sound of this computer" is the chosen device.
TEST_F(EngineTest, SoundOfThisComputerRecordsWhatAnotherProgramPlays) {
    const auto entries = kv::AudioDeviceTable.Entries();
    const auto desktop = std::find(entries.begin(), entries.end(), "Sound of this computer");
    ASSERT_NE(desktop, entries.end());
    const int index = static_cast<int>(desktop - entries.begin());
    ASSERT_EQ(kv::AudioDeviceTable.DeviceAt(index), kv::kDesktopSoundDevice);
    kv::settings::SoundDevice.Set(static_cast<std::uint32_t>(index));

    // 4 s of a 660 Hz sine for the player, as raw 16-bit stereo.
    const auto played = Sound().Folder() / "desktop.raw";
    {
        std::ofstream out(played, std::ios::binary);
        for (int i = 0; i < 44100 * 4; ++i) {
            const auto v = static_cast<std::int16_t>(12000 * std::sin(2 * M_PI * 660.0 * i / 44100));
            out.write(reinterpret_cast<const char*>(&v), 2).write(reinterpret_cast<const char*>(&v), 2);
        }
    }
    const auto format = kv::MakePcmFormat(44100, 2, 16);
    kv::ChildProcess player;
    const auto r = Capture(&format, 0ms, [&] {
        player = kv::ChildProcess::Spawn(
            {"pacat", "--playback", "--format=s16le", "--rate=44100", "--channels=2", played.string()}, {});
        std::this_thread::sleep_for(2500ms);
    });
    ASSERT_TRUE(player.Started());
    player.Terminate(500);
    ASSERT_EQ(r.started, 1) << r.problem;
    EXPECT_EQ(r.problem, "");
    EXPECT_FALSE(kv::AudioInputWasSilent()) << "the played sound is in the first seconds";
    const auto samples = r.wav.Samples16();
    int peak = 0;
    for (auto v : samples) peak = std::max(peak, std::abs(static_cast<int>(v)));
    EXPECT_GE(peak, 6000) << "heard at about the level it was played";
    EXPECT_NEAR(ToneFrequency(r.wav), 660.0, 6.6);
}

TEST_F(EngineTest, EveryRateMonoAndStereoRecordsTheSourceTone) {
    for (const unsigned rate : {8000u, 11025u, 22050u, 44100u, 48000u}) {
        for (const unsigned channels : {1u, 2u}) {
            SCOPED_TRACE(std::to_string(rate) + " Hz, " + std::to_string(channels) + " channel(s)");
            const double tone = rate == 8000 ? 440.0 : 1000.0;
            Sound().SetTone(rate, channels, 16, tone, 10);
            const auto format = kv::MakePcmFormat(static_cast<int>(rate), static_cast<int>(channels), 16);
            const auto r = Capture(&format, 1200ms);
            ASSERT_EQ(r.started, 1) << r.problem;
            EXPECT_EQ(r.problem, "");
            EXPECT_EQ(r.wav.Rate(), rate);
            EXPECT_EQ(r.wav.Channels(), channels);
            EXPECT_EQ(r.wav.U32(28), rate * channels * 2);
            for (unsigned c = 0; c < channels; ++c) EXPECT_NEAR(ToneFrequency(r.wav, c), tone, tone * 0.01);
            EXPECT_NEAR(r.wav.Seconds(), r.wallSeconds, 0.1);
        }
    }
}

// A muted input delivers exact zeros: the first three seconds tell; a tone,
// however late it starts within them, does not count as silence.
TEST_F(EngineTest, ThreeSecondsOfDigitalSilenceAreNoticed) {
    const auto format = kv::MakePcmFormat(22050, 2, 16);
    Sound().SetTone(22050, 2, 16, 0.0, 10);  // a sine of 0 Hz: every sample 0
    auto r = Capture(&format, 3400ms);
    ASSERT_EQ(r.started, 1) << r.problem;
    EXPECT_TRUE(kv::AudioInputWasSilent());

    Sound().SetTone(22050, 2, 16, 440.0, 10);
    r = Capture(&format, 3400ms);
    ASSERT_EQ(r.started, 1) << r.problem;
    EXPECT_FALSE(kv::AudioInputWasSilent());
}

TEST(SilenceWatch, JudgesOnlyTheFirstSecondsAndKnowsEightBitSilence) {
    kv::SilenceWatch watch;
    watch.Reset(4, 1, 8, 1.0);  // four 8-bit frames are judged
    const std::uint8_t quiet[3] = {128, 128, 128};
    watch.Feed(quiet, 3);
    EXPECT_FALSE(watch.Silent()) << "not judged before the stretch is complete";
    const std::uint8_t later[3] = {128, 7, 7};  // only the first byte is within the stretch
    watch.Feed(later, 3);
    EXPECT_TRUE(watch.Silent());

    watch.Reset(2, 2, 16, 1.0);  // two stereo 16-bit frames: 8 bytes
    const std::uint8_t sound[8] = {0, 0, 0, 0, 1, 0, 0, 0};
    watch.Feed(sound, 8);
    EXPECT_FALSE(watch.Silent());
}

TEST_F(EngineTest, FormatFromTheSettingsIncludingEightBit) {
    kv::settings::AudioProperties.Set("11.025 kHz, mono, 8-bit");
    Sound().SetTone(11025, 1, 8, 500.0, 10);
    const auto r = Capture(nullptr, 1000ms);
    ASSERT_EQ(r.started, 1) << r.problem;
    EXPECT_EQ(r.wav.Bits(), 8);
    EXPECT_EQ(r.wav.U16(32), 1);
    EXPECT_NEAR(ToneFrequency(r.wav), 500.0, 5.0);
}

TEST_F(EngineTest, PauseCutsTheSoundAtItsInstants) {
    Sound().SetCounter(2, 44100 * 20);
    const auto format = kv::MakePcmFormat(44100, 2, 16);
    std::chrono::steady_clock::time_point paused, resumed;
    const auto r = Capture(&format, 0ms, [&] {
        std::this_thread::sleep_for(1000ms);
        paused = std::chrono::steady_clock::now();
        kv::PauseAt(paused);
        std::this_thread::sleep_for(1000ms);
        resumed = std::chrono::steady_clock::now();
        kv::ResumeAt(resumed);
        std::this_thread::sleep_for(1000ms);
    });
    ASSERT_EQ(r.started, 1) << r.problem;
    const auto track = ReadCounterTrack(r.wav);
    // One cut, as long as the pause to a few milliseconds, not whole blocks.
    EXPECT_EQ(track.jumps, 1u);
    const double pause = std::chrono::duration<double>(resumed - paused).count();
    EXPECT_NEAR(static_cast<double>(track.skipped) / 44100.0, pause, 0.005);
    // The file is as long as the recording less the pause, to the sample but
    // for the ends' own rounding.
    EXPECT_NEAR(r.wav.Seconds(), r.wallSeconds - pause, 0.002);
}

TEST_F(EngineTest, QuickStartsAndStopsAndStopWithoutStart) {
    Sound().SetTone(22050, 2, 16, 1000.0, 10);
    kv::TraceCapture traces;
    kv::StopAudioRecording();  // nothing was started: a trace, nothing else
    EXPECT_TRUE(traces.Contains("WaveInErrorMsg : File descriptor in bad state in Stop()"));
    for (int i = 0; i < 4; ++i) {
        const auto r = Capture(nullptr, 0ms);
        EXPECT_EQ(r.started, 1) << r.problem;
        EXPECT_EQ(r.wav.Tag(0), "RIFF");
        EXPECT_EQ(r.wav.bytes.size(), 46u + r.wav.DataSize());
    }
    // A second start while one runs keeps the first.
    kv::g_bRecording = 1;
    kv::InitAudioRecording(SoundPath());
    EXPECT_EQ(kv::StartAudioRecording(nullptr), 1);
    EXPECT_EQ(kv::StartAudioRecording(nullptr), 1);
    kv::g_bRecording = 0;
    kv::StopAudioRecording();
    kv::StopAudioRecording();
    kv::ClearAudioFile();
    kv::ClearAudioFile();
    for (const char* line : {"InitAudioRecording Started\n", "StartAudioRecording Ended\n",
                             "StopAudioRecording After waveInClose\n", "StopAudioRecording Ended\n",
                             "ClearAudioFile Started\n", "StartAudioRecording : already recording"})
        EXPECT_TRUE(traces.Contains(line)) << line;
}

TEST_F(EngineTest, DeviceThatCannotBeOpenedLeavesAHeaderAndSaysWhy) {
    kv::AudioDeviceTable.Fill({{"kv_no_such_device", "No such device", ""}});
    kv::TraceCapture traces;
    const auto start = std::chrono::steady_clock::now();
    auto r = Capture(nullptr, 0ms);
    EXPECT_EQ(r.started, 0);
    EXPECT_EQ(r.problem.rfind("recorded without sound: cannot record from the sound device \"kv_no_such_device\"", 0), 0u)
        << r.problem;
    EXPECT_EQ(r.wav.bytes.size(), 46u);
    EXPECT_TRUE(traces.Contains("Error in StartAudioRecording()"));
    EXPECT_TRUE(traces.Contains("Sound capture : " + r.problem));

    for (const std::uint32_t position : {1u, 0xFFFFFFFFu}) {  // beyond the list, and "none listed"
        kv::settings::SoundDevice.Set(position);
        r = Capture(nullptr, 0ms);
        EXPECT_EQ(r.started, 0);
        EXPECT_EQ(r.problem, "recorded without sound: no sound device at position " +
                                 std::to_string(static_cast<int>(position)) + " of the device list");
        EXPECT_EQ(r.wav.bytes.size(), 46u);
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
}

TEST_F(EngineTest, SoundFileThatCannotBeCreatedIsReported) {
    kv::TraceCapture traces;
    const auto path = SoundPath().parent_path() / "missing-folder" / "~Record001.wav";
    kv::g_bRecording = 1;
    EXPECT_EQ(kv::InitAudioRecording(path), 1);
    EXPECT_EQ(kv::StartAudioRecording(nullptr), 1);  // the video goes on; so does the device, to no file
    std::this_thread::sleep_for(300ms);
    kv::g_bRecording = 0;
    kv::StopAudioRecording();
    kv::ClearAudioFile();
    EXPECT_TRUE(traces.Contains("InitAudioRecording : Error Creating Sound File"));
    EXPECT_EQ(kv::GetAudioCaptureProblem(),
              "recorded without sound: cannot create the sound file " + path.string() + " (No such file or directory)");
    EXPECT_FALSE(std::filesystem::exists(path));
}

}  // namespace
}  // namespace kvtest
