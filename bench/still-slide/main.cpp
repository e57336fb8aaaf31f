// What a still slide costs in the recording at 1080p30 with the default
// encoder: megabytes per minute when every unchanged position holds the
// slide's picture again (as the writer did before: the key frame's packet
// repeated, the same bytes as encoding the same picture again), against the
// empty chunk it writes now. Both in the same run.
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "BenchTools.h"
#include "SlideFrames.h"
#include "platform/media/AviVideoWriter.h"
#include "platform/media/VideoEncoders.h"

namespace {
namespace fs = std::filesystem;
using kv::media::AviVideoWriter;

constexpr int kWidth = 1920, kHeight = 1080, kFps = 30, kQuality = 80;

struct Cost {
    double megabytesPerMinute = 0;
    double cpuPerSecond = 0;  // CPU seconds per recorded second (writing only)
};

// Writes `seconds` of one still slide: the picture at position 0, then each
// position either the picture again or a repeat.
Cost Record(const std::string& path, const std::string& encoder, int seconds, bool repeat) {
    kvbench::Picture slide = kvbench::MakeSlide(kWidth, kHeight, 1, 0);
    AviVideoWriter writer;
    std::string why;
    if (!writer.Open(path, encoder, kWidth, kHeight, kFps, kQuality, &why)) {
        std::fprintf(stderr, "cannot open the writer: %s\n", why.c_str());
        std::exit(1);
    }
    const double cpu0 = kvbench::SelfCpuSeconds();
    for (long position = 0; position < static_cast<long>(seconds) * kFps; ++position) {
        const auto result = position == 0 || !repeat ? writer.WriteFrame(slide.image, position, &why)
                                                     : writer.RepeatFrame(position, &why);
        if (result != AviVideoWriter::Result::Written) {
            std::fprintf(stderr, "writing failed: %s\n", why.c_str());
            std::exit(1);
        }
    }
    if (!writer.Close(&why)) {
        std::fprintf(stderr, "closing failed: %s\n", why.c_str());
        std::exit(1);
    }
    Cost cost;
    cost.megabytesPerMinute = fs::file_size(path) / 1e6 / seconds * 60;
    cost.cpuPerSecond = (kvbench::SelfCpuSeconds() - cpu0) / seconds;
    return cost;
}

}  // namespace

int main() {
    char folderTemplate[] = "/tmp/kv-bench-still-XXXXXX";
    if (!mkdtemp(folderTemplate)) return 1;
    const fs::path folder(folderTemplate);
    const std::string encoder = kv::DefaultVideoCompressor().name;
    // The picture-every-position file grows linearly: 10 s of it gives its rate.
    const Cost before = Record((folder / "before.avi").string(), encoder, 10, false);
    const Cost after = Record((folder / "after.avi").string(), encoder, 60, true);
    fs::remove_all(folder);

    std::printf("default encoder: %s, %dx%d@%d, one still slide, quality %d\n", encoder.c_str(), kWidth, kHeight,
                kFps, kQuality);
    std::printf("before (the picture at every position): %.1f MB per minute\n", before.megabytesPerMinute);
    std::printf("after  (unchanged positions as empty chunks): %.3f MB per minute, %.3f CPU s per recorded s\n",
                after.megabytesPerMinute, after.cpuPerSecond);
    std::printf("still-slide: before_mb_per_min=%.1f after_mb_per_min=%.3f ratio=%.0f\n", before.megabytesPerMinute,
                after.megabytesPerMinute, before.megabytesPerMinute / after.megabytesPerMinute);
    return 0;
}
