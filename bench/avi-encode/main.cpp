// Writing the intermediate video with the default encoder, against the
// ffmpeg command encoding the same raw frames with the same encoder and
// quality, in the same run. Prints CPU per recorded second for both, the
// file's rate and its PSNR against the source, and the memory growth of a
// long 1080p recording.
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

#include "BenchTools.h"
#include "SlideFrames.h"
#include "platform/media/AviVideoWriter.h"
#include "platform/media/VideoEncoderSetup.h"
#include "platform/media/VideoEncoders.h"
#include "recording/AviReadBack.h"

namespace {
namespace fs = std::filesystem;
using namespace kvbench;

constexpr int kWidth = 1280, kHeight = 720, kFps = 25, kFrames = 250, kQuality = 80;

struct Run {
    double cpu = 0, wall = 0;
};

Run EncodeOurs(const std::string& path, const std::string& encoder) {
    SlideSequence talk(kWidth, kHeight, 84);
    kv::media::AviVideoWriter writer;
    std::string why;
    if (!writer.Open(path, encoder, kWidth, kHeight, kFps, kQuality, &why)) {
        std::fprintf(stderr, "cannot open the writer: %s\n", why.c_str());
        std::exit(1);
    }
    talk.Frame(0);
    const double cpu0 = SelfCpuSeconds(), wall0 = WallSeconds();
    for (int k = 0; k < kFrames; ++k) writer.WriteFrame(talk.Frame(k), k, &why);
    writer.Close(&why);
    return {SelfCpuSeconds() - cpu0, WallSeconds() - wall0};
}

// ffmpeg reads the same raw frames from a pipe; only its own CPU is counted.
Run EncodeWithFfmpeg(const std::string& path) {
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) std::exit(1);
    const std::string size = std::to_string(kWidth) + "x" + std::to_string(kHeight);
    const std::string crf = std::to_string(kv::media::H264CrfFor(kQuality));
    const double wall0 = WallSeconds();
    const pid_t child = fork();
    if (child == 0) {
        dup2(pipeEnds[0], 0);
        close(pipeEnds[0]);
        close(pipeEnds[1]);
        execlp("ffmpeg", "ffmpeg", "-hide_banner", "-loglevel", "error", "-f", "rawvideo", "-pix_fmt", "bgra",
               "-s", size.c_str(), "-r", std::to_string(kFps).c_str(), "-i", "-", "-c:v", "libx264", "-preset",
               kv::media::kH264Preset, "-g", "1", "-crf", crf.c_str(), "-pix_fmt", "yuv444p", "-y", path.c_str(), nullptr);
        _exit(127);
    }
    close(pipeEnds[0]);
    SlideSequence talk(kWidth, kHeight, 84);
    for (int k = 0; k < kFrames; ++k) {
        const kv::FrameImage& frame = talk.Frame(k);
        const std::size_t bytes = static_cast<std::size_t>(frame.stride) * frame.height;
        for (std::size_t done = 0; done < bytes;) {
            const ssize_t n = write(pipeEnds[1], frame.pixels + done, bytes - done);
            if (n <= 0) std::exit(1);
            done += n;
        }
    }
    close(pipeEnds[1]);
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "ffmpeg failed\n");
        std::exit(1);
    }
    const double cpu = usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
                       (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    return {cpu, WallSeconds() - wall0};
}

// PSNR over R, G and B of every decoded picture against its source.
double Psnr(const std::string& path) {
    SlideSequence talk(kWidth, kHeight, 84);
    double squared = 0, samples = 0;
    kvtest::ReadAvi(path, [&](std::int64_t k, const kv::FrameImage& picture) {
        const kv::FrameImage& source = talk.Frame(static_cast<int>(k));
        for (int y = 0; y < source.height; ++y)
            for (int x = 0; x < source.width * 4; ++x) {
                if (x % 4 == 3) continue;
                const double d = double(source.Row(y)[x]) - picture.Row(y)[x];
                squared += d * d;
            }
        samples += source.width * source.height * 3.0;
    });
    return samples > 0 ? 10 * std::log10(255.0 * 255.0 / (squared / samples)) : 0;
}

// Growth of resident memory over a long 1080p recording: the most it rose
// from frame 100 to any later hundredth frame.
double MemoryGrowth(const std::string& path, const std::string& encoder) {
    SlideSequence talk(1920, 1080, 84);
    kv::media::AviVideoWriter writer;
    std::string why;
    if (!writer.Open(path, encoder, 1920, 1080, 10, kQuality, &why)) return -1;
    double settled = 0, growth = 0;
    for (int k = 0; k <= 400; ++k) {
        writer.WriteFrame(talk.Frame(k), k, &why);
        if (k == 100) settled = ResidentMegabytes();
        if (k > 100 && k % 100 == 0) growth = std::max(growth, ResidentMegabytes() - settled);
    }
    writer.Close(&why);
    return growth;
}

}  // namespace

int main() {
    char folderTemplate[] = "/tmp/kv-bench-avi-XXXXXX";
    if (!mkdtemp(folderTemplate)) return 1;
    const fs::path folder(folderTemplate);
    const std::string encoder = kv::DefaultVideoCompressor().name;
    const double seconds = double(kFrames) / kFps;

    const Run ours = EncodeOurs((folder / "ours.avi").string(), encoder);
    const Run ffmpeg = EncodeWithFfmpeg((folder / "ffmpeg.avi").string());
    const double megabytesPerSecond = fs::file_size(folder / "ours.avi") / 1e6 / seconds;
    const double ffmpegMegabytesPerSecond = fs::file_size(folder / "ffmpeg.avi") / 1e6 / seconds;
    const double psnr = Psnr((folder / "ours.avi").string());
    const double growth = MemoryGrowth((folder / "long.avi").string(), encoder);
    fs::remove_all(folder);

    std::printf("default encoder: %s, %dx%d@%d, %d frames of slides, quality %d\n", encoder.c_str(), kWidth,
                kHeight, kFps, kFrames, kQuality);
    std::printf("ours:   %.1f frames/s, %.3f CPU s per recorded s, %.2f MB/s, PSNR %.1f dB\n",
                kFrames / ours.wall, ours.cpu / seconds, megabytesPerSecond, psnr);
    std::printf("ffmpeg: %.1f frames/s, %.3f CPU s per recorded s, %.2f MB/s (libx264 %s -g 1 -crf %d yuv444p)\n",
                kFrames / ffmpeg.wall, ffmpeg.cpu / seconds, ffmpegMegabytesPerSecond, kv::media::kH264Preset,
                kv::media::H264CrfFor(kQuality));
    std::printf("1080p memory growth from frame 100 to frame 400: %.1f MB\n", growth);
    std::printf("avi-encode: fps=%.1f cpu_per_s=%.3f ffmpeg_fps=%.1f ffmpeg_cpu_per_s=%.3f ratio=%.2f mb_per_s=%.2f "
                "psnr_db=%.1f rss_growth_mb=%.1f\n",
                kFrames / ours.wall, ours.cpu / seconds, kFrames / ffmpeg.wall, ffmpeg.cpu / seconds,
                ours.cpu / ffmpeg.cpu, megabytesPerSecond, psnr, growth);
    return 0;
}
