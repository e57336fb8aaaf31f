// soak: N conversions in a row (default 300, `--runs N`) of a mix of decks
// (the corpus's and the bundled sample), recorded and --fast, one deck a call
// and several decks in one call (one office for them all). Each video's
// chapters are checked against the slides' time (one second each, within one
// frame) and against the video's length; a run that hit an office stall or
// failed is counted as such. Prints
// `soak: runs=.. wrong_times=.. stalls=.. failures=.. p50_s=.. p99_s=..`
// (wrong_times counts videos with a slide of the wrong time; p50/p99: a
// call's wall time).
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "platform/process/ChildProcess.h"
#include "support/ShellOutput.h"
#include "support/TempDir.h"
#include "support/TimedRun.h"
#include "support/Xvfb.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr double kSlideSeconds = 1.0;
constexpr int kFps = 10;
constexpr double kFrame = 1.0 / kFps;
constexpr double kSlack = 0.002;  // the container's time stamps are rounded to milliseconds

struct Deck {
    fs::path file;
    int shownSlides;
};

std::vector<Deck> Decks() {
    const fs::path source = KALVISTA_SOURCE;
    const fs::path corpus = source / "tests/corpus/decks";
    return {{corpus / "self-running.ppsx", 2},   {corpus / "four-by-three.pptx", 3},
            {corpus / "sixteen-by-nine.pptx", 3}, {corpus / "hidden-slides.pptx", 2},
            {source / "samples/kalvista-sample.pptx", 4}};
}

std::string ReadText(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct Call {
    bool ok = false;      // exit 0
    bool stalled = false;  // the office stopped answering, or was started again
    double seconds = 0;
    std::string output;
};

Call Run(const std::vector<Deck>& decks, const fs::path& out, bool fast, const fs::path& work) {
    const fs::path log = work / "kalvista.log", trace = work / "trace.log";
    std::vector<std::string> argv = {KALVISTA_PROGRAM, "--convert"};
    for (const Deck& deck : decks) argv.push_back(deck.file.string());
    argv.insert(argv.end(), {"--output", out.string(), "--mode", "auto", "--seconds", "1", "--size", "640x480",
                             "--fps", std::to_string(kFps), "--no-sound"});
    if (fast) argv.push_back("--fast");
    const auto started = Clock::now();
    kv::ChildProcess run = kvtest::StartLogged(argv, log, trace);
    Call call;
    if (!run.Started()) return call;
    const auto status = run.Wait(600000);
    if (!status) run.Terminate(2000);
    call.seconds = std::chrono::duration<double>(Clock::now() - started).count();
    call.ok = status && *status == 0;
    call.output = ReadText(log);
    const std::string traced = ReadText(trace);
    for (const char* sign : {"did not answer within", "starting a new office"})
        if (call.output.find(sign) != std::string::npos || traced.find(sign) != std::string::npos) call.stalled = true;
    return call;
}

// The video a call made for `deck`: its "Video: <path> (...)" line.
fs::path VideoOf(const std::string& output, const Deck& deck) {
    std::istringstream lines(output);
    const std::string stem = deck.file.stem().string();
    for (std::string line; std::getline(lines, line);)
        if (line.rfind("Video: ", 0) == 0 && line.find(stem) != std::string::npos)
            return line.substr(7, line.find(" (") - 7);
    return {};
}

// Whether every slide lasts its second in the video, as its chapters mark
// it, and the chapters cover the whole video; what is wrong goes to stderr.
bool TimesRight(const fs::path& video, const Deck& deck, const char* kind) {
    std::istringstream rows(kvtest::ShellOutput(
        "ffprobe -v error -show_entries chapter=start_time,end_time:format=duration -of csv=p=0 '" + video.string() +
        "'"));
    std::vector<std::pair<double, double>> chapters;
    double length = -1;
    for (std::string row; std::getline(rows, row);) {
        double a = 0, b = 0;
        const int n = std::sscanf(row.c_str(), "%lf,%lf", &a, &b);
        if (n == 2) chapters.push_back({a, b});
        else if (n == 1) length = a;
    }
    std::string wrong;
    char text[160];
    if (static_cast<int>(chapters.size()) != deck.shownSlides) {
        std::snprintf(text, sizeof text, " %zu chapters of %d slides;", chapters.size(), deck.shownSlides);
        wrong += text;
    }
    for (size_t k = 0; k < chapters.size(); ++k) {
        const double expectedStart = static_cast<double>(k) * kSlideSeconds;
        const double lasted = chapters[k].second - chapters[k].first;
        if (std::abs(chapters[k].first - expectedStart) > kFrame + kSlack ||
            std::abs(lasted - kSlideSeconds) > kFrame + kSlack) {
            std::snprintf(text, sizeof text, " slide %zu from %.3f s for %.3f s;", k + 1, chapters[k].first, lasted);
            wrong += text;
        }
    }
    const double shown = deck.shownSlides * kSlideSeconds;
    if (length < 0 || std::abs(length - shown) > kFrame + kSlack ||
        (!chapters.empty() && std::abs(chapters.back().second - length) > kFrame + kSlack)) {
        std::snprintf(text, sizeof text, " %.3f s long for %.1f s of slides;", length, shown);
        wrong += text;
    }
    if (!wrong.empty()) std::fprintf(stderr, "wrong times (%s) %s:%s\n", kind, video.c_str(), wrong.c_str());
    return wrong.empty();
}

double Percentile(std::vector<double> values, double p) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const size_t at = static_cast<size_t>(std::ceil(p * static_cast<double>(values.size()))) - 1;
    return values[std::min(at, values.size() - 1)];
}

}  // namespace

int main(int argc, char** argv) {
    int runs = 300;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--runs") == 0) runs = std::max(1, std::atoi(argv[i + 1]));
    kvtest::TempDir files("kalvista-bench-soak");
    kvtest::UseAsHome(files);
    kvtest::XvfbServer xvfb("1280x1024x24");
    const std::vector<Deck> decks = Decks();
    int wrongTimes = 0, stalls = 0, failures = 0;
    std::vector<double> seconds;
    for (int i = 0; i < runs; ++i) {
        // In turn: one deck recorded, one deck fast, three decks recorded in
        // one call, every deck fast in one call.
        const int kind = i % 4;
        const bool fast = kind == 1 || kind == 3;
        std::vector<Deck> chosen;
        if (kind < 2) chosen = {decks[(i / 4) % decks.size()]};
        else if (kind == 2)
            for (size_t k = 0; k < 3; ++k) chosen.push_back(decks[(i / 4 + k) % decks.size()]);
        else chosen = decks;
        const fs::path out = files / ("out" + std::to_string(i));
        if (chosen.size() > 1) fs::create_directories(out);
        const fs::path target = chosen.size() > 1 ? out : fs::path(out.string() + ".mp4");
        const Call call = Run(chosen, target, fast, files.path());
        seconds.push_back(call.seconds);
        const char* name = fast ? "fast" : "recorded";
        if (call.stalled) ++stalls, std::fprintf(stderr, "stall in run %d (%s)\n", i + 1, name);
        if (!call.ok) {
            ++failures;
            std::fprintf(stderr, "run %d (%s) failed:\n%s\n", i + 1, name, call.output.c_str());
        }
        for (const Deck& deck : chosen) {
            const fs::path video = chosen.size() > 1 ? VideoOf(call.output, deck) : target;
            if (call.ok && (video.empty() || !fs::exists(video))) {
                ++failures;
                std::fprintf(stderr, "run %d (%s): no video of %s\n", i + 1, name, deck.file.c_str());
            } else if (call.ok && !TimesRight(video, deck, name)) {
                ++wrongTimes;
            }
        }
        std::error_code ignored;
        fs::remove_all(out, ignored);
        fs::remove(out.string() + ".mp4", ignored);
        std::fprintf(stderr, "run %d/%d %s x%zu: %.1f s\n", i + 1, runs, name, chosen.size(), call.seconds);
    }
    std::printf("soak: runs=%d wrong_times=%d stalls=%d failures=%d p50_s=%.1f p99_s=%.1f\n", runs, wrongTimes, stalls,
                failures, Percentile(seconds, 0.5), Percentile(seconds, 0.99));
    return wrongTimes + stalls + failures == 0 ? 0 : 1;
}
