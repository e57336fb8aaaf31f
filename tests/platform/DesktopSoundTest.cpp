// "Sound of this computer" records what the desktop plays: a tone played into
// the sound server's default output comes back from the listed device.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <fstream>
#include <thread>
#include <vector>

#include "platform/process/ChildProcess.h"
#include "platform/sound/AlsaCapture.h"
#include "platform/sound/CaptureDevices.h"
#include "support/SoundSource.h"

namespace kvtest {
namespace {

TEST(DesktopSound, TheListedMonitorRecordsAToneThePlayerSends) {
    TestSoundSource sound;
    const auto devices = kv::ListCaptureDevices();
    const auto found = std::find_if(devices.begin(), devices.end(),
                                    [](const kv::CaptureDevice& d) { return d.description == "Sound of this computer"; });
    ASSERT_NE(found, devices.end()) << "the sound server's monitor is offered";
    EXPECT_EQ(found->name, kv::kDesktopSoundDevice);

    // 3 s of a loud 440 Hz square wave, as raw 16-bit stereo for the player.
    const auto tone = sound.Folder() / "played.raw";
    {
        std::ofstream out(tone, std::ios::binary);
        for (int i = 0; i < 44100 * 3; ++i) {
            const std::int16_t v = (i / 50) % 2 ? 12000 : -12000;
            out.write(reinterpret_cast<const char*>(&v), 2).write(reinterpret_cast<const char*>(&v), 2);
        }
    }
    kv::AlsaCapture capture;
    ASSERT_EQ(capture.Open(found->name, {44100, 2, 16, 4410, 4}), 0);
    ASSERT_EQ(capture.Start(), 0);
    kv::ChildProcess player = kv::ChildProcess::Spawn(
        {"pacat", "--playback", "--format=s16le", "--rate=44100", "--channels=2", tone.string()}, {});
    ASSERT_TRUE(player.Started());

    std::vector<std::int16_t> block(4410 * 2);
    int peak = 0;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (peak < 6000 && std::chrono::steady_clock::now() < until) {
        long got = capture.Read(block.data(), 4410, 500);
        if (got < 0) got = capture.Recover(static_cast<int>(got)) == 0 ? 0 : got;
        ASSERT_GE(got, 0) << kv::AlsaCapture::ErrorText(static_cast<int>(got));
        for (long i = 0; i < got * 2; ++i) peak = std::max(peak, std::abs(static_cast<int>(block[i])));
    }
    EXPECT_GE(peak, 6000) << "the played tone is heard at about its own level";
}

}  // namespace
}  // namespace kvtest
