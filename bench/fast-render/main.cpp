// fast-render: seconds for `kalvista --convert DECK --fast` (the whole
// program, office start included) to turn a 40-slide deck at 5 s a slide
// into MP4 at 1280x720 and 25 fps, beside the recorded path on the same deck.
// `--no-recorded` leaves the recorded run out (it lasts the whole show).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/process/ChildProcess.h"
#include "support/TempDir.h"
#include "support/Xvfb.h"
#include "support/office/TestOffice.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kSlides = 40;
constexpr int kSeconds = 5;

// Seconds the program took; -1 when it failed.
double Convert(const std::string& deck, const std::string& output, bool fast) {
    kv::SpawnOptions options;
    options.outputFile = output + ".log";
    std::vector<std::string> argv = {KALVISTA_PROGRAM, "--convert", deck, "--output", output, "--seconds",
                                     std::to_string(kSeconds), "--size", "1280x720", "--fps", "25", "--no-sound"};
    if (fast) argv.push_back("--fast");
    std::fflush(stdout);
    const auto start = Clock::now();
    kv::ChildProcess program = kv::ChildProcess::Spawn(argv, options);
    const int status = program.Started() ? program.Wait().value_or(255) : 255;
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (status != 0) {
        std::fprintf(stderr, "kalvista%s failed with %d:\n", fast ? " --fast" : "", status);
        std::system(("cat '" + options.outputFile.string() + "' >&2").c_str());
    }
    return status == 0 ? seconds : -1;
}

}  // namespace

int main(int argc, char** argv) {
    const bool recorded = !(argc > 1 && std::strcmp(argv[1], "--no-recorded") == 0);
    kvtest::TempDir files("kalvista-bench-fast");
    setenv("HOME", files.path().c_str(), 1);
    setenv("XDG_CONFIG_HOME", (files / "config").c_str(), 1);
    setenv("XDG_CACHE_HOME", (files / "cache").c_str(), 1);
    setenv("KALVISTA_REGISTRY", (files / "settings.reg").c_str(), 1);
    setenv("KALVISTA_OFFICE_PROFILES", (files / "profiles").c_str(), 1);
    kvtest::XvfbServer xvfb("1920x1080x24");
    const std::string deck = (files / "forty.pptx").string();
    {
        kvtest::TestOffice office;
        std::vector<kvtest::SlideDesign> slides;
        for (int i = 0; i < kSlides; ++i) slides.push_back(kvtest::TestOffice::ThreeColours()[i % 3]);
        office.MakePresentation(deck, slides);
    }
    const double wall = Convert(deck, (files / "fast.mp4").string(), true);
    std::printf("fast: %.2f s\n", wall);
    const double recordedSeconds = recorded ? Convert(deck, (files / "recorded.mp4").string(), false) : -1;
    if (recorded) std::printf("recorded: %.2f s\n", recordedSeconds);
    if (wall <= 0) return 1;
    const double show = kSlides * kSeconds;
    std::printf("fast-render: show_s=%.0f wall_s=%.2f speed=%.1f recorded_s=%.1f\n", show, wall, show / wall,
                recordedSeconds);
    return 0;
}
