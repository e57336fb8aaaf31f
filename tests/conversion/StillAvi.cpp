#include "conversion/StillAvi.h"

#include <cstdint>
#include <vector>

#include "conversion/TestAvi.h"
#include "platform/core/FrameImage.h"
#include "platform/media/AviMerge.h"
#include "platform/media/AviVideoWriter.h"
#include "platform/media/VideoEncoders.h"

namespace kvtest {

namespace {
constexpr int kWidth = 160, kHeight = 120;

std::vector<std::uint8_t> Flat(std::uint8_t blue, std::uint8_t green, std::uint8_t red) {
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(kWidth) * kHeight * 4, 0xff);
    for (std::size_t i = 0; i < pixels.size(); i += 4) pixels[i] = blue, pixels[i + 1] = green, pixels[i + 2] = red;
    return pixels;
}
}  // namespace

bool MakeStillAvi(const std::filesystem::path& path, int framesPerSecond, int sampleRate, double seconds,
                  int channels, std::string* why) {
    const std::filesystem::path video = path.string() + ".video.avi", sound = path.string() + ".wav";
    std::vector<std::uint8_t> first = Flat(0, 0, 0xff), second = Flat(0xff, 0, 0);
    kv::media::AviVideoWriter writer;
    if (!writer.Open(video.string(), kv::DefaultVideoCompressor().name, kWidth, kHeight, framesPerSecond, 80, why))
        return false;
    const long positions = static_cast<long>(seconds * framesPerSecond);
    for (long position = 0; position < positions; ++position) {
        const bool changes = position == 0 || position == positions / 2;
        std::vector<std::uint8_t>& picture = position < positions / 2 ? first : second;
        const kv::FrameImage image{kWidth, kHeight, kWidth * 4, picture.data()};
        const auto result = changes ? writer.WriteFrame(image, position, why) : writer.RepeatFrame(position, why);
        if (result != kv::media::AviVideoWriter::Result::Written) return false;
    }
    if (!writer.Close(why)) return false;
    const std::string duration = std::to_string(seconds);
    if (RunProgram({"ffmpeg", "-nostdin", "-v", "error", "-y", "-f", "lavfi", "-i",
                    "sine=frequency=440:sample_rate=" + std::to_string(sampleRate) + ":duration=" + duration, "-ac",
                    std::to_string(channels), "-c:a", "pcm_s16le", sound.string()},
                   why) != 0)
        return false;
    const kv::media::MergeOutcome merged = kv::media::MergeVideoAndSound(video.string(), sound.string(), path.string(), {});
    std::filesystem::remove(video);
    std::filesystem::remove(sound);
    if (merged.status != kv::media::MergeStatus::Merged) *why = merged.why;
    return merged.status == kv::media::MergeStatus::Merged;
}

}  // namespace kvtest
