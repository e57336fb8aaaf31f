// Sound against picture from outside the recorder, over minutes: while
// `kalvista --convert` records a deck, a square in its recorded window flashes
// and a click goes into the sound server at one instant (every 0.6-1.2 s);
// the video it makes is read back as a player presents it.
//   bench-av-sync-e2e [seconds] [fps] [format] [office-sound]   (200, 30, MP4; format AVI gives the merged AVI itself)
// With "office-sound" there is no square and no click of ours: the deck's
// slides (3 s each) play a click of their own as they come in, and it prints
// how long after each slide change the office's click is heard:
//   office-sound: mean_ms=.. min_ms=.. max_ms=.. changes=..
// It prints the offset of every flash, the mean offset of each minute, and as
// its last line, beside the targets:
//   av-sync-e2e: offset_ms=.. drift_ms_per_min=.. worst_ms=.. late_frames=.. flashes=../.. click_latency_ms=.. seconds=.. fps=.. format=..
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <numeric>
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
    plan.officeSound = argc > 4 && std::string(argv[4]) == "office-sound";
    plan.secondsPerSlide = plan.officeSound ? 3 : 20;
    plan.slides = (seconds + plan.secondsPerSlide - 1) / plan.secondsPerSlide;
    plan.seed = static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count());
    try {
        setenv("KALVISTA_SOURCE_DIR", KALVISTA_SOURCES, 0);
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
        if (plan.officeSound) {
            const auto& delays = result.officeSoundMs;
            std::printf("office click after each slide change (ms):");
            for (double d : delays) std::printf(" %.0f", d);
            std::printf("\n");
            if (delays.empty()) return std::fprintf(stderr, "bench-av-sync-e2e: no slide sound was heard\n"), 1;
            const auto [low, high] = std::minmax_element(delays.begin(), delays.end());
            std::printf("office-sound: mean_ms=%.1f min_ms=%.1f max_ms=%.1f changes=%zu\n",
                        std::accumulate(delays.begin(), delays.end(), 0.0) / delays.size(), *low, *high, delays.size());
            return 0;
        }
        std::printf("offset of each flash (ms):");
        for (double offset : result.sync.offsetsMs) std::printf(" %.0f", offset);
        std::printf("\n");
        std::printf("click latency taken off each flash (ms):");
        for (double latency : result.sync.latenciesMs) std::printf(" %.0f", latency);
        std::printf("\n%s", result.soundTrace.c_str());
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
