#pragma once
// Runs the capture engine the way the recording loop does, against the test
// sound source, and hands back what landed in the WAV file.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "WavReader.h"
#include "audio/WaveIn.h"
#include "support/SoundSource.h"
#include "support/TempDir.h"

namespace kvtest {

struct CaptureResult {
    int started = 0;
    double wallSeconds = 0;  // from the start of the recording clock to the stop
    WavContents wav;
    std::string problem;
    kv::AudioCaptureStats stats;
};

// Where a file's frames came from, when the source numbers its frames
// (stereo counter): silence put in or sound left out shows as a jump.
struct CounterTrack {
    std::uint64_t leadingSilence = 0;  // frames before the source's frame 0
    std::uint64_t jumps = 0;
    std::uint64_t skipped = 0;            // source frames the jumps passed over
    std::int64_t framesOffNumbering = 0;  // frames put in (+) or lost (-) after the lead-in
};
CounterTrack ReadCounterTrack(const WavContents& wav);

class EngineTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;
    void TearDown() override;

    // Init, start with `format` (null: from the settings), then `during` (or
    // a sleep of `duration`) while recording, then stop and clear.
    CaptureResult Capture(const kv::PcmFormat* format, std::chrono::milliseconds duration,
                          const std::function<void()>& during = {});

    static TestSoundSource& Sound() { return *s_sound; }
    std::filesystem::path SoundPath() const { return m_dir / "~Record001.wav"; }

    static std::unique_ptr<TestSoundSource> s_sound;

private:
    std::unique_ptr<ScopedRegistry> m_registry;
    TempDir m_dir;
};

}  // namespace kvtest
