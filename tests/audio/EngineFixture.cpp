#include "EngineFixture.h"

#include <thread>

#include "app/core/SettingsCatalogue.h"
#include "audio/AudioDeviceTable.h"
#include "recording/state/RecorderState.h"

namespace kvtest {

std::unique_ptr<TestSoundSource> EngineTest::s_sound;

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
    result.started = kv::StartAudioRecording(format);
    const auto start = std::chrono::steady_clock::now();
    if (during) during();
    else std::this_thread::sleep_for(duration);
    kv::g_bRecording = 0;
    result.wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    kv::StopAudioRecording();
    kv::ClearAudioFile();
    result.wav = ReadWav(SoundPath());
    result.problem = kv::GetAudioCaptureProblem();
    result.stats = kv::GetAudioCaptureStats();
    return result;
}

}  // namespace kvtest
