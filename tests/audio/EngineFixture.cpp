#include "EngineFixture.h"

#include <thread>

#include "app/core/SettingsCatalogue.h"
#include "audio/AudioDeviceTable.h"
#include "recording/state/RecorderState.h"
#include "recording/state/RecordingTimeline.h"

namespace kvtest {

std::unique_ptr<TestSoundSource> EngineTest::s_sound;

CounterTrack ReadCounterTrack(const WavContents& wav) {
    CounterTrack track;
    const auto samples = wav.Samples16();
    const std::size_t frames = samples.size() / 2;
    const auto shift = [&](std::size_t i) {
        return static_cast<std::int64_t>(TestSoundSource::CounterAt(&samples[2 * i], 2)) - static_cast<std::int64_t>(i);
    };
    std::size_t i = 0;
    while (i + 1 < frames && TestSoundSource::CounterAt(&samples[2 * i + 2], 2) != 1) ++i;
    track.leadingSilence = i;
    // The resampler may round a frame here and there by a step or two, and
    // ring around a sample that jumps from full positive to full negative: a
    // jump counts only when the new numbering holds for a while.
    constexpr std::size_t kHolds = 64;
    std::int64_t current = shift(i);
    for (; i + kHolds < frames; ++i) {
        const std::int64_t now = shift(i);
        if (std::llabs(now - current) <= 2) continue;
        bool holds = true;
        for (std::size_t j = 1; j < kHolds && holds; ++j) holds = std::llabs(shift(i + j) - now) <= 2;
        if (!holds) continue;
        ++track.jumps;
        track.skipped += static_cast<std::uint64_t>(std::max<std::int64_t>(now - current, 0));
        current = now;
    }
    track.framesOffNumbering = -(current + static_cast<std::int64_t>(track.leadingSilence));
    return track;
}

void EngineTest::SetUpTestSuite() { s_sound = std::make_unique<TestSoundSource>(); }

void EngineTest::TearDownTestSuite() { s_sound.reset(); }

void EngineTest::SetUp() {
    m_registry = std::make_unique<ScopedRegistry>();
    kv::AudioDeviceTable.Fill();
    kv::settings::SoundDevice.Set(0);
}

void EngineTest::TearDown() {
    kv::g_bRecording = 0;
    kv::g_bPaused = 0;
    m_registry.reset();
}

CaptureResult EngineTest::Capture(const kv::PcmFormat* format, std::chrono::milliseconds duration,
                                  const std::function<void()>& during) {
    CaptureResult result;
    kv::g_bRecording = 1;
    kv::g_bPaused = 0;
    kv::InitAudioRecording(SoundPath());
    // As the recorder does: the recording clock starts, then the sound.
    const auto start = std::chrono::steady_clock::now();
    kv::g_RecordingTimeline.Start(start);
    result.started = kv::StartAudioRecording(format);
    if (during) during();
    else std::this_thread::sleep_for(duration);
    const auto stop = std::chrono::steady_clock::now();
    kv::StopAt(stop);
    result.wallSeconds = std::chrono::duration<double>(stop - start).count();
    kv::StopAudioRecording();
    kv::ClearAudioFile();
    result.wav = ReadWav(SoundPath());
    result.problem = kv::GetAudioCaptureProblem();
    result.stats = kv::GetAudioCaptureStats();
    return result;
}

}  // namespace kvtest
