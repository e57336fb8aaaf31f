// Screen recording cost against `ffmpeg -f x11grab` on the same private X
// server: CPU seconds per recorded second with the same size, rate and
// encoder, the share of stream positions filled, and the time one frame takes
// to grab (pointer included) and convert at 1080p.
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
}

#include "RecordingRig.h"
#include "app/core/AppMessages.h"
#include "app/core/SettingsCatalogue.h"
#include "platform/media/FrameConverter.h"
#include "platform/media/VideoEncoderSetup.h"
#include "platform/media/VideoEncoders.h"
#include "platform/process/ChildProcess.h"
#include "platform/x11/ScreenGrabber.h"
#include "support/PatternWindow.h"
#include "support/RecordedFile.h"
#include "support/TempDir.h"
#include "support/Xvfb.h"

namespace {

constexpr int kSeconds = 10;
constexpr int kRounds = 2;
constexpr int kToolbarStrip = 46;

double CpuSeconds(int who) {
    rusage usage{};
    getrusage(who, &usage);
    auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// A window showing the time, drawn by a process of its own so that its
// drawing is charged to neither recorder.
class PatternProcess {
public:
    PatternProcess(int width, int height, int stepMs, const kvtest::TempDir& folder) {
        const auto idFile = folder / ("window-" + std::to_string(width) + "-" + std::to_string(stepMs));
        m_child = kv::ChildProcess::Spawn({"/proc/self/exe", "--pattern", std::to_string(width), std::to_string(height),
                                           std::to_string(stepMs), idFile.string()},
                                          {});
        for (int i = 0; i < 500 && m_window == 0; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            std::ifstream in(idFile);
            in >> m_window;
        }
    }
    ~PatternProcess() { m_child.Terminate(500); }
    unsigned long window() const { return m_window; }

private:
    kv::ChildProcess m_child;
    unsigned long m_window = 0;
};

int RunPattern(int width, int height, int stepMs, const char* idFile) {
    kvtest::PatternWindow window(0, 0, width, height, stepMs);
    {
        std::ofstream out(std::string(idFile) + ".part");
        out << window.window() << "\n";
    }
    std::filesystem::rename(std::string(idFile) + ".part", idFile);
    for (;;) std::this_thread::sleep_for(std::chrono::seconds(1));
}

struct Result {
    double cpuPerSecond = 0;
    double filled = 0;
    double seconds = 0;
    std::string pixelFormat;
};

// What a recording cost, from its file and the CPU time it took.
Result Measure(const std::string& path, double cpuSeconds) {
    kvtest::RecordedFile file = kvtest::ReadRecordedFile(path);
    Result result;
    result.seconds = file.VideoSeconds();
    result.cpuPerSecond = result.seconds > 0 ? cpuSeconds / result.seconds : 0;
    result.filled = file.Filled() * 100;
    result.pixelFormat = file.pixelFormat;
    return result;
}

// Two measurements as one: CPU time and recorded time added, the lower fill.
Result Combined(const Result& a, const Result& b) {
    if (a.seconds <= 0) return b;
    Result sum = b;
    sum.seconds = a.seconds + b.seconds;
    sum.cpuPerSecond = (a.cpuPerSecond * a.seconds + b.cpuPerSecond * b.seconds) / sum.seconds;
    sum.filled = std::min(a.filled, b.filled);
    return sum;
}

Result RecordOurs(unsigned long window, int fps) {
    kvtest::RecordingRig rig(window);
    kv::settings::FrameRate.Set(fps);
    rig.SignalPositioned();
    const double before = CpuSeconds(RUSAGE_SELF);
    rig.Record();
    // Set-up (the wait, the encoder) may take a while on a busy machine: the
    // recording proper runs from the first pass.
    rig.loop().RunUntil([&] { return rig.container().Count(kv::UWM_IS_SLIDESHOW_ENDED) > 0; }, 30000);
    rig.RunFor(kSeconds * 1000);
    rig.StopAndWait(60000);
    return Measure(rig.SavedVideo(), CpuSeconds(RUSAGE_SELF) - before);
}

// The encoder settings our writer uses for the default quality factor (80),
// spelt as ffmpeg options.
std::vector<std::string> SameEncoding(const std::string& encoder, const std::string& pixelFormat) {
    std::vector<std::string> args = {"-c:v", encoder, "-g", "1", "-bf", "0", "-pix_fmt", pixelFormat};
    if (encoder == "libx264" || encoder == "libx264rgb")
        args.insert(args.end(), {"-preset", kv::media::kH264Preset, "-crf", std::to_string(kv::media::H264CrfFor(80))});
    else if (encoder == "libvpx" || encoder == "libvpx-vp9") args.insert(args.end(), {"-crf", "15", "-b:v", "0"});
    else args.insert(args.end(), {"-q:v", "3"});
    return args;
}

Result RecordFfmpeg(const std::string& display, int width, int height, int fps, const std::string& pixelFormat,
                    const kvtest::TempDir& folder) {
    const auto output = folder / ("ffmpeg-" + std::to_string(width) + ".avi");
    std::vector<std::string> argv = {"ffmpeg", "-nostdin", "-y", "-loglevel", "error", "-f", "x11grab",
                                     "-draw_mouse", "0", "-framerate", std::to_string(fps), "-video_size",
                                     std::to_string(width) + "x" + std::to_string(height), "-i", display + ".0+0,0",
                                     "-t", std::to_string(kSeconds)};
    for (const std::string& arg : SameEncoding(kv::DefaultVideoCompressor().name, pixelFormat)) argv.push_back(arg);
    argv.push_back(output.string());
    const double before = CpuSeconds(RUSAGE_CHILDREN);
    kv::ChildProcess ffmpeg = kv::ChildProcess::Spawn(argv, {});
    ffmpeg.Wait(120000);
    return Measure(output.string(), CpuSeconds(RUSAGE_CHILDREN) - before);
}

// Grab with the pointer, then convert to what the default encoder takes, per frame.
void MeasureFrameTime(double& median, double& p99) {
    kv::ScreenGrabber grabber;
    kv::GrabberOptions options;
    options.drawCursor = true;
    grabber.Open({0, 0, 1920, 1080}, options);
    const AVCodec* codec = avcodec_find_encoder_by_name(kv::DefaultVideoCompressor().name.c_str());
    const AVPixelFormat format = kv::media::ChooseInputFormat(codec);
    kv::media::FrameConverter converter;
    converter.Open(1920, 1080, format);
    kv::media::FramePtr converted(av_frame_alloc());
    converted->format = format;
    converted->width = 1920;
    converted->height = 1080;
    av_frame_get_buffer(converted.get(), 0);
    std::vector<double> times;
    for (int i = 0; i < 300; ++i) {
        const auto start = std::chrono::steady_clock::now();
        grabber.Grab();
        converter.Convert(grabber.Frame(), converted.get());
        times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    std::sort(times.begin(), times.end());
    median = times[times.size() / 2];
    p99 = times[times.size() * 99 / 100];
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 6 && std::string(argv[1]) == "--pattern")
        return RunPattern(std::stoi(argv[2]), std::stoi(argv[3]), std::stoi(argv[4]), argv[5]);

    kvtest::XvfbServer xvfb("1920x1200x24");  // room for 1080 rows above the toolbar strip
    kvtest::TempDir folder("kalvista-bench-capture");
    // A window that changes all the time (the worst case), and at 1080p one
    // that changes once a second, as slides do.
    struct Case {
        int width, height, fps, stepMs;
        const char* key;
        bool counted;  // in the worst ratio and fill
    };
    const Case cases[] = {{1280, 720, 25, 10, "720p25", true},
                          {1920, 1080, 30, 10, "1080p30", true},
                          {1920, 1080, 30, 1000, "1080p30_slides", false}};
    std::string summary;
    double worstRatio = 0, worstFilled = 100;
    std::printf("encoder: %s, quality factor 80, every frame a key frame (both sides)\n",
                kv::DefaultVideoCompressor().name.c_str());
    for (const Case& c : cases) {
        PatternProcess pattern(c.width, c.height + kToolbarStrip, c.stepMs, folder);
        if (!pattern.window()) {
            std::fprintf(stderr, "the pattern window did not open\n");
            return 1;
        }
        // Taken in turns, twice each, so that a slow spell of the machine
        // falls on both sides.
        Result ours, theirs;
        for (int round = 0; round < kRounds; ++round) {
            ours = Combined(ours, RecordOurs(pattern.window(), c.fps));
            theirs = Combined(theirs, RecordFfmpeg(xvfb.display(), c.width, c.height, c.fps, ours.pixelFormat, folder));
        }
        const double ratio = theirs.cpuPerSecond > 0 ? ours.cpuPerSecond / theirs.cpuPerSecond : 0;
        std::printf("%dx%d@%d, a new picture every %d ms: kalvista %.3f CPU s per recorded s (%.1f s, %.1f %% filled); ffmpeg x11grab %.3f CPU s "
                    "per s (%.1f s); ratio %.2f\n",
                    c.width, c.height, c.fps, c.stepMs, ours.cpuPerSecond, ours.seconds, ours.filled, theirs.cpuPerSecond,
                    theirs.seconds, ratio);
        char part[160];
        std::snprintf(part, sizeof part, " ratio_%s=%.2f filled_%s=%.1f", c.key, ratio, c.key, ours.filled);
        summary += part;
        if (!c.counted) continue;
        worstRatio = std::max(worstRatio, ratio);
        worstFilled = std::min(worstFilled, ours.filled);
    }
    double median = 0, p99 = 0;
    {
        PatternProcess pattern(1920, 1080, 10, folder);
        MeasureFrameTime(median, p99);
    }
    std::printf("grab + pointer + convert at 1920x1080: median %.2f ms, 99th percentile %.2f ms\n", median, p99);
    std::printf("capture: ratio=%.2f filled=%.1f%s grab_p50_ms=%.2f grab_p99_ms=%.2f\n", worstRatio, worstFilled,
                summary.c_str(), median, p99);
    return 0;
}
