// Sound and picture stay together over a minute with three pauses, from a
// sound device whose clock runs 300 ppm fast or slow, at the wizard's
// defaults and at 25 fps / 44.1 kHz: read at every second, the sound is
// within 20 ms of the picture (40 ms in the second after a resume).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "SyncRun.h"
#include "support/Xvfb.h"

namespace {

bool Overloaded() {
    double load = 0;
    if (getloadavg(&load, 1) == 1 && load > 2.0 * std::thread::hardware_concurrency()) {
        std::printf("machine overloaded (load %.1f): a few late pictures are let through\n", load);
        return true;
    }
    return false;
}

void ExpectInStep(const kvtest::SyncPlan& plan) {
    kvtest::XvfbServer xvfb;
    const auto result = kvtest::RunSyncRecording(plan);
    ASSERT_TRUE(result.recorded) << result.failure;
    std::printf("%d fps, %d Hz: %s (video %.3f s, sound %.3f s, seed %u)\n", plan.fps, plan.rate,
                kvtest::SyncFigures(plan, result).c_str(), result.videoSeconds, result.soundSeconds, plan.seed);
    std::printf("offset at each second (ms):");
    for (const auto& r : result.readings) std::printf(" %.0f%s", r.offsetMs, r.afterPause ? "p" : "");
    std::printf("\n");
    EXPECT_GE(result.readings.size(), static_cast<std::size_t>(plan.seconds * 0.9));
    // On a machine with many times more work than cores a pass may wake tens
    // of milliseconds late, and its picture shows that: a few such seconds
    // are let through then, never a lasting offset.
    const std::size_t lateAllowed = Overloaded() ? result.readings.size() / 10 : 0;
    std::size_t late = 0;
    for (const auto& r : result.readings) {
        const bool off = std::abs(r.offsetMs) > (r.afterPause ? 40.0 : 20.0);
        late += off;
        if (lateAllowed == 0) {
            EXPECT_FALSE(off) << r.offsetMs << " ms at " << r.mediaSeconds << " s of the video";
        }
        EXPECT_LE(std::abs(r.offsetMs), 80.0) << "at " << r.mediaSeconds << " s of the video";
    }
    EXPECT_LE(late, lateAllowed);
    EXPECT_NEAR(result.soundSeconds, result.videoSeconds, 1.0 / plan.fps);
}

unsigned Seed() { return static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count()); }

}  // namespace

TEST(AvSync, WizardDefaultsWithAFastDevice) { ExpectInStep({5, 11025, +300, 60, 3, Seed()}); }

TEST(AvSync, TwentyFiveFramesWithASlowDevice) { ExpectInStep({25, 44100, -300, 60, 3, Seed()}); }
