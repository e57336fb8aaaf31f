// Sound against picture over a long recording through the real recorder,
// from a sound device whose clock is skewed, with three pauses; the same
// recording without skew first, as the reference.
//   bench-av-sync [seconds] [skew_ppm] [fps] [rate] [skewed]   (600, 300, 25, 44100)
// ("skewed" leaves out the reference run.) Each run also prints its offset
// at every second, so a lasting trend can be told from a single late picture.
// The last line:
//   av-sync: offset_ms=.. drift_ms=.. pause_ms=.. skew_ppm=.. seconds=..
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "SyncRun.h"
#include "support/Xvfb.h"

int main(int argc, char** argv) {
    kvtest::SyncPlan plan;
    plan.seconds = argc > 1 ? std::atof(argv[1]) : 600;
    plan.skewPpm = argc > 2 ? std::atof(argv[2]) : 300;
    plan.fps = argc > 3 ? std::atoi(argv[3]) : 25;
    plan.rate = argc > 4 ? std::atoi(argv[4]) : 44100;
    plan.seed = static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count());
    try {
        kvtest::XvfbServer xvfb;
        kvtest::SyncPlan reference = plan;
        reference.skewPpm = 0;
        const bool skewedOnly = argc > 5 && std::string(argv[5]) == "skewed";
        for (const auto* p : {&reference, &plan}) {
            if (skewedOnly && p == &reference) continue;
            const auto result = kvtest::RunSyncRecording(*p);
            if (!result.recorded) {
                std::fprintf(stderr, "bench-av-sync: %s\n", result.failure.c_str());
                return 1;
            }
            std::printf("%s: %s (%d fps, %d Hz, video %.3f s, sound %.3f s)\n", p == &plan ? "skewed" : "reference",
                        kvtest::SyncFigures(*p, result).c_str(), p->fps, p->rate, result.videoSeconds, result.soundSeconds);
            std::printf("offset at each second (ms):");
            for (const auto& r : result.readings) std::printf(" %.0f%s", r.offsetMs, r.afterPause ? "p" : "");
            std::printf("\n");
            if (p == &plan) std::printf("av-sync: %s\n", kvtest::SyncFigures(*p, result).c_str());
            std::fflush(stdout);
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench-av-sync: %s\n", e.what());
        return 1;
    }
    return 0;
}
