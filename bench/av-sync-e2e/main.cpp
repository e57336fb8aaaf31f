// Sound against picture from outside the recorder, over minutes: while
// `kalvista --convert` records a deck, a square in its recorded window flashes
// and a click goes into the sound server at one instant (every 0.6-1.2 s);
// the video it makes is read back as a player presents it.
//   bench-av-sync-e2e [seconds] [fps] [format]   (200, 30, MP4; format AVI gives the merged AVI itself)
// It prints the offset of every flash, the mean offset of each minute, and as
// its last line, beside the targets:
//   av-sync-e2e: offset_ms=.. drift_ms_per_min=.. worst_ms=.. late_frames=.. flashes=../.. click_latency_ms=.. seconds=.. fps=.. format=..
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "FlashRun.h"
#include "support/SoundSource.h"
#include "support/TempDir.h"
#include "support/Xvfb.h"

namespace {

namespace fs = std::filesystem;

// The program beside this benchmark in the same build.
fs::path KalvistaOfThisBuild() {
    const fs::path self = fs::read_symlink("/proc/self/exe");
    return self.parent_path().parent_path().parent_path() / "src/app/kalvista";
}

void PrintMinutes(const kvtest::FlashSync& sync) {
    std::printf("mean offset of each minute (ms):");
    for (int minute = 0;; ++minute) {
        double sum = 0;
        int count = 0;
        for (std::size_t i = 0; i < sync.offsetsMs.size(); ++i)
            if (static_cast<int>(sync.atSeconds[i] / 60) == minute) sum += sync.offsetsMs[i], ++count;
        if (count == 0) break;
        std::printf(" %.1f", sum / count);
    }
    std::printf("\n");
}

}  // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::max(20, std::atoi(argv[1])) : 200;
    kvtest::FlashRunPlan plan;
    plan.fps = argc > 2 ? std::atoi(argv[2]) : 30;
    plan.format = argc > 3 ? argv[3] : "MP4";
    plan.secondsPerSlide = 20;
    plan.slides = (seconds + plan.secondsPerSlide - 1) / plan.secondsPerSlide;
    plan.seed = static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count());
    try {
        kvtest::TempDir files("kalvista-bench-av-e2e");
        setenv("HOME", files.path().c_str(), 1);
        setenv("XDG_CONFIG_HOME", (files / "config").c_str(), 1);
        setenv("XDG_CACHE_HOME", (files / "cache").c_str(), 1);
        setenv("KALVISTA_REGISTRY", (files / "settings.reg").c_str(), 1);
        setenv("KALVISTA_OFFICE_PROFILES", (files / "profiles").c_str(), 1);
        kvtest::XvfbServer xvfb("1280x1024x24");
        kvtest::TestSoundSource sound;
        const auto result = kvtest::RunFlashConvert(KalvistaOfThisBuild(), plan, files / "run-dir");
        if (!result.converted) {
            std::fprintf(stderr, "bench-av-sync-e2e: %s\n", result.failure.c_str());
            return 1;
        }
        std::printf("offset of each flash (ms):");
        for (double offset : result.sync.offsetsMs) std::printf(" %.0f", offset);
        std::printf("\n");
        PrintMinutes(result.sync);
        std::printf("positions left without a picture of their own (writer busy): %d\n", result.droppedFrames);
        std::printf("targets: |offset_ms| <= 20, |drift_ms_per_min| <= 6, |worst_ms| <= 40\n");
        std::printf("av-sync-e2e: %s seconds=%d fps=%d format=%s\n", kvtest::DescribeFlashSync(result.sync).c_str(),
                    plan.slides * plan.secondsPerSlide, plan.fps, plan.format.c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench-av-sync-e2e: %s\n", e.what());
        return 1;
    }
    return 0;
}
