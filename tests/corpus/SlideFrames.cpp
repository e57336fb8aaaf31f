#include "corpus/SlideFrames.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <stdexcept>

#include "platform/automation/uno/UnoSlideDrawing.h"
#include "platform/process/ChildProcess.h"
#include "support/RecordedFile.h"
#include "support/RunMarker.h"
#include "support/ShellOutput.h"
#include "support/TimedRun.h"

namespace kvtest {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

// The whole lines a growing file has gained since `seen`, stamped `now`.
void TakeNewLines(const fs::path& file, double now, size_t& seen, Lines& lines) {
    const std::string text = ReadTextFile(file);
    for (size_t end; (end = text.find('\n', seen)) != std::string::npos; seen = end + 1)
        lines.emplace_back(now, text.substr(seen, end - seen));
}

}  // namespace

Lines ConvertWithKalvista(const fs::path& work, const std::vector<fs::path>& decks, const fs::path& out,
                          const std::vector<std::string>& arguments, const std::vector<std::string>& wrapper,
                          Lines* traced, int limitSeconds) {
    const char* binaryDir = std::getenv("KALVISTA_BINARY_DIR");
    EXPECT_NE(binaryDir, nullptr) << "run through ctest (KALVISTA_BINARY_DIR names the build)";
    fs::create_directories(work / "run");
    const fs::path log = work / "kalvista.log", trace = traced ? work / "trace.log" : fs::path();
    std::vector<std::string> argv = wrapper;
    argv.insert(argv.end(), {(fs::path(binaryDir ? binaryDir : ".") / "src/app/kalvista").string(), "--convert"});
    for (const fs::path& deck : decks) argv.push_back(deck.string());
    argv.insert(argv.end(), {"--output", out.string(), "--size", "640x480", "--fps", "10", "--no-sound"});
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    const auto started = Clock::now();
    kv::ChildProcess run = StartLogged(argv, log, trace,
                                       {"KALVISTA_REGISTRY=" + (work / "settings.reg").string(),
                                        "XDG_RUNTIME_DIR=" + (work / "run").string()});
    EXPECT_TRUE(run.Started());
    Lines lines;
    size_t seen = 0, seenTraced = 0;
    for (bool done = false; !done;) {
        done = run.Wait(50).has_value() || Clock::now() - started > std::chrono::seconds(limitSeconds);
        const double now = std::chrono::duration<double>(Clock::now() - started).count();
        TakeNewLines(log, now, seen, lines);
        if (traced) TakeNewLines(trace, now, seenTraced, *traced);
    }
    if (!run.Wait(0)) run.Terminate(2000);
    return lines;
}

fs::path VideoOf(const Lines& lines, const std::string& deckFile, double* at) {
    const std::string stem = fs::path(deckFile).stem().string();
    for (const auto& [seconds, text] : lines) {
        if (text.rfind("Video: ", 0) != 0) continue;
        const fs::path video = text.substr(7, text.find(" (") - 7);
        if (video.stem() != stem) continue;
        if (at) *at = seconds;
        return video;
    }
    return {};
}

std::string Joined(const Lines& lines) {
    std::string all;
    for (const auto& [seconds, text] : lines) all += text + "\n";
    return all;
}

std::vector<Chapter> Chapters(const fs::path& video) {
    std::istringstream rows(
        ShellOutput("ffprobe -v error -show_entries chapter=start_time,end_time -of csv=p=0 '" + video.string() + "'"));
    std::vector<Chapter> chapters;
    for (std::string row; std::getline(rows, row);) {
        Chapter chapter{};
        if (std::sscanf(row.c_str(), "%lf,%lf", &chapter.start, &chapter.end) == 2) chapters.push_back(chapter);
    }
    return chapters;
}

std::map<std::int64_t, kv::media::OwnedPicture> PicturesAt(const fs::path& video, const std::vector<std::int64_t>& wanted) {
    std::map<std::int64_t, kv::media::OwnedPicture> pictures;
    ReadRecordedFile(video.string(), [&](std::int64_t position, const kv::FrameImage& frame) {
        for (std::int64_t at : wanted) {
            if (position < at || pictures.count(at)) continue;
            kv::media::OwnedPicture& copy = pictures[at];
            copy.width = frame.width;
            copy.height = frame.height;
            for (int y = 0; y < frame.height; ++y)
                copy.pixels.insert(copy.pixels.end(), frame.Row(y), frame.Row(y) + 4 * frame.width);
        }
    });
    return pictures;
}

std::vector<kv::media::OwnedPicture> PicturesShownAt(const fs::path& video, const std::vector<double>& times) {
    // A drawn video's few pictures are reordered by the encoder, and the
    // decoder's guess of their times may follow their decoding order: the
    // n-th picture out of the decoder is the n-th by presentation time.
    std::vector<double> shownAt = ReadRecordedFile(video.string()).seconds;
    std::sort(shownAt.begin(), shownAt.end());
    std::vector<kv::media::OwnedPicture> pictures(times.size());
    size_t n = 0;
    ReadRecordedFile(video.string(), [&](std::int64_t, const kv::FrameImage& frame) {
        const double at = n < shownAt.size() ? shownAt[n++] : 1e9;
        for (size_t i = 0; i < times.size(); ++i) {
            if (at > times[i] + 1e-3) continue;
            kv::media::OwnedPicture& copy = pictures[i];
            copy.width = frame.width;
            copy.height = frame.height;
            copy.pixels.clear();
            for (int y = 0; y < frame.height; ++y)
                copy.pixels.insert(copy.pixels.end(), frame.Row(y), frame.Row(y) + 4 * frame.width);
        }
    });
    return pictures;
}

Place SlidePlace(double aspect, int width, int height) {
    int w = width, h = static_cast<int>(std::lround(width / aspect));
    if (h > height) h = height, w = static_cast<int>(std::lround(height * aspect));
    return {(width - w) / 2, (height - h) / 2, w, h};
}

kv::media::OwnedPicture Expected(kv::SlidePictures& deck, int number, double aspect, int width, int height,
                                 const fs::path& scratch, bool subsampled, std::string* why) {
    const Place place = SlidePlace(aspect, width, height);
    const int w = place.width, h = place.height;
    kv::media::OwnedPicture drawn, placed;
    placed.width = width;
    placed.height = height;
    placed.pixels.assign(4 * static_cast<size_t>(width) * height, 0);
    for (size_t i = 3; i < placed.pixels.size(); i += 4) placed.pixels[i] = 255;
    const std::string png = (scratch / ("slide" + std::to_string(number) + ".png")).string();
    if (!deck.DrawSlide(number, w, h, png, why)) return {};
    // The video keeps colour at half the resolution (yuv420p): the drawing
    // loses the same before the comparison, which then measures the show's picture.
    const std::string halved = (scratch / ("slide" + std::to_string(number) + "-420.png")).string();
    if (subsampled) ShellOutput("ffmpeg -v error -y -i '" + png + "' -vf format=yuv420p,format=rgb24 '" + halved + "'");
    if (!kv::media::ReadPictureFile(subsampled ? halved : png, w, h, drawn, why)) return {};
    for (int y = 0; y < h; ++y)
        std::copy_n(&drawn.pixels[4 * w * y], 4 * w, &placed.pixels[4 * (width * (place.top + y) + place.left)]);
    return placed;
}

namespace {
std::unique_ptr<kv::SlideDrawingOffice>& Drawing() {
    static std::unique_ptr<kv::SlideDrawingOffice> office;
    return office;
}
}  // namespace

kv::SlideDrawingOffice& DrawingOffice() {
    if (!Drawing()) {
        std::string why;
        Drawing() = kv::StartSlideDrawingOffice(&why);
        if (!Drawing()) throw std::runtime_error(why);
    }
    return *Drawing();
}

void EndDrawingOffice() { Drawing().reset(); }

double Psnr(const kv::media::OwnedPicture& a, const kv::media::OwnedPicture& b) {
    if (a.width != b.width || a.height != b.height || a.pixels.size() != b.pixels.size() || a.pixels.empty()) return 0;
    double squares = 0;
    for (size_t i = 0; i < a.pixels.size(); ++i) {
        if (i % 4 == 3) continue;
        const double d = double(a.pixels[i]) - double(b.pixels[i]);
        squares += d * d;
    }
    const double mse = squares / (3.0 * a.width * a.height);
    return mse == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mse);
}

}  // namespace kvtest
