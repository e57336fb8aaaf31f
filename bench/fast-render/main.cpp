// fast-render: seconds for `kalvista --convert DECK --fast` (the whole
// program, office start included) to turn a 40-slide deck at 5 s a slide
// into MP4 at 1280x720 and 25 fps, beside the recorded path on the same deck.
// Before it, the batch throughput: ten 10-slide decks in one call with
// --jobs 1 and --jobs 2, and the same ten as ten calls (an office start each);
// then three 3-slide decks recorded in one call (one office for all) and as
// three calls.
// `--no-recorded` leaves the recorded runs out (they last the whole show),
// `--no-batch` the ten decks and the three recorded ones.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "support/TempDir.h"
#include "support/TimedRun.h"
#include "support/Xvfb.h"
#include "support/office/TestOffice.h"

namespace {

constexpr int kSlides = 40;
constexpr int kSeconds = 5;


std::vector<std::string> FastArguments(const std::vector<std::string>& decks, const std::string& output) {
    std::vector<std::string> argv = {KALVISTA_PROGRAM, "--convert"};
    argv.insert(argv.end(), decks.begin(), decks.end());
    argv.insert(argv.end(), {"--output", output, "--seconds", std::to_string(kSeconds), "--size", "1280x720", "--fps",
                             "25", "--no-sound", "--fast"});
    return argv;
}

// Ten decks: in one call with one job and with two, and as ten calls.
void Batch(kvtest::TestOffice& office, const kvtest::TempDir& files) {
    std::vector<kvtest::SlideDesign> slides;
    for (int i = 0; i < 10; ++i) slides.push_back(kvtest::TestOffice::ThreeColours()[i % 3]);
    std::vector<std::string> decks;
    for (int d = 0; d < 10; ++d) {
        decks.push_back((files / ("deck" + std::to_string(d) + ".pptx")).string());
        office.MakePresentation(decks.back(), slides);
    }
    double one[2] = {};
    for (int jobs = 1; jobs <= 2; ++jobs) {
        const std::string folder = (files / ("jobs" + std::to_string(jobs))).string();
        std::filesystem::create_directories(folder);
        auto argv = FastArguments(decks, folder);
        argv.insert(argv.end(), {"--jobs", std::to_string(jobs)});
        one[jobs - 1] = kvtest::TimedRun(argv, folder + ".log");
    }
    const std::string folder = (files / "separate").string();
    std::filesystem::create_directories(folder);
    double separate = 0;
    for (const std::string& deck : decks) {
        auto argv = FastArguments({deck}, folder + "/" + std::filesystem::path(deck).stem().string() + ".mp4");
        argv.insert(argv.end(), {"--jobs", "1"});
        const double seconds = kvtest::TimedRun(argv, folder + ".log");
        separate = seconds < 0 || separate < 0 ? -1 : separate + seconds;
    }
    std::printf("batch: decks=10 slides=10 jobs1_s=%.2f jobs2_s=%.2f separate_calls_s=%.2f office_start_saving_s=%.2f\n",
                one[0], one[1], separate, separate - one[0]);
}

// Three short decks recorded: in one call, whose runs share one office, and
// as three calls with an office each.
void RecordedDecks(kvtest::TestOffice& office, const kvtest::TempDir& files) {
    std::vector<std::string> decks;
    for (int d = 0; d < 3; ++d) {
        decks.push_back((files / ("recorded" + std::to_string(d) + ".pptx")).string());
        office.MakePresentation(decks.back(), kvtest::TestOffice::ThreeColours());
    }
    auto arguments = [](const std::vector<std::string>& presentations, const std::string& output) {
        std::vector<std::string> argv = {KALVISTA_PROGRAM, "--convert"};
        argv.insert(argv.end(), presentations.begin(), presentations.end());
        argv.insert(argv.end(), {"--output", output, "--seconds", "1", "--size", "640x480", "--fps", "10", "--no-sound"});
        return argv;
    };
    const std::string folder = (files / "recorded-one-call").string();
    std::filesystem::create_directories(folder);
    const double one = kvtest::TimedRun(arguments(decks, folder), folder + ".log");
    double separate = 0;
    for (const std::string& deck : decks) {
        const std::string video = (files / (std::filesystem::path(deck).stem().string() + "-alone.mp4")).string();
        const double seconds = kvtest::TimedRun(arguments({deck}, video), video + ".log");
        separate = seconds < 0 || separate < 0 ? -1 : separate + seconds;
    }
    std::printf("recorded-decks: decks=3 slides=3 one_call_s=%.2f separate_calls_s=%.2f office_start_saving_s=%.2f\n",
                one, separate, separate - one);
}

// The 40-slide deck, fast or recorded; seconds, -1 when it failed.
double Convert(const std::string& deck, const std::string& output, bool fast) {
    std::vector<std::string> argv = {KALVISTA_PROGRAM, "--convert", deck, "--output", output, "--seconds",
                                     std::to_string(kSeconds), "--size", "1280x720", "--fps", "25", "--no-sound"};
    if (fast) argv.push_back("--fast");
    return kvtest::TimedRun(argv, output + ".log");
}

}  // namespace

int main(int argc, char** argv) {
    bool recorded = true, batch = true;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--no-recorded") == 0) recorded = false;
        if (std::strcmp(argv[i], "--no-batch") == 0) batch = false;
    }
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
        if (batch) Batch(office, files);
        if (batch && recorded) RecordedDecks(office, files);
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
