// A recording with sound from the test sound source: the sound track and the
// picture track of the merged file keep the same length, pauses included.
#include <gtest/gtest.h>

#include <cstdio>

#include "RecordingRig.h"
#include "app/core/AppMessages.h"
#include "app/core/SettingsCatalogue.h"
#include "audio/AudioDeviceTable.h"
#include "support/RecordedFile.h"
#include "support/SoundSource.h"
#include "support/Xvfb.h"

namespace s = kv::settings;

TEST(RecorderWithSound, SoundAndPictureStayTogetherOverAMinuteWithAPause) {
    kvtest::XvfbServer xvfb;
    kvtest::TestSoundSource sound;
    sound.SetTone(44100, 2, 16, 440.0, 90);
    kv::AudioDeviceTable.Fill();

    kvtest::RecordingRig rig;
    s::FrameRate.Set(15);
    s::CaptureSound.Set(1);
    s::SoundDevice.Set(0);
    s::AudioProperties.Set("44.1 kHz, stereo, 16-bit");
    rig.SignalPositioned();
    rig.Record();
    // The clock starts once the sound runs; the first pass reports one period later.
    ASSERT_TRUE(rig.loop().RunUntil([&] { return rig.container().Count(kv::UWM_IS_SLIDESHOW_ENDED) > 0; }, 20000));
    const auto start = std::chrono::steady_clock::now() - std::chrono::milliseconds(1000 / 15);
    rig.RunFor(30000);
    kv::CRecorder::GetInstance()->PauseRecording();
    rig.RunFor(1000);
    kv::CRecorder::GetInstance()->RecordOrResume();
    rig.RunFor(30000);
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ASSERT_TRUE(rig.StopAndWait(60000));
    EXPECT_TRUE(rig.container().ErrorCodes().empty());

    kvtest::RecordedFile file = kvtest::ReadRecordedFile(rig.SavedVideo());
    ASSERT_TRUE(file.opened);
    ASSERT_GT(file.audioSeconds, 0) << "no sound in " << rig.SavedVideo();
    // The paused second is gone from both tracks.
    EXPECT_NEAR(file.VideoSeconds(), wall - 1.0, 0.3);
    std::printf("video %.3f s, sound %.3f s, wall less the pause %.3f s\n", file.VideoSeconds(), file.audioSeconds, wall - 1.0);
    EXPECT_NEAR(file.audioSeconds, file.VideoSeconds(), 0.040);
}
