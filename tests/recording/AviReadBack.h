#pragma once
// Reads an AVI back with FFmpeg's own demuxer and decoders, to check what the
// writer and the merge produced.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/core/FrameImage.h"

namespace kvtest {

struct AviReadBack {
    bool opened = false;
    std::string videoCodec;                   // decoder name, e.g. "h264"
    std::uint32_t videoTag = 0;               // the FourCC in the file
    int width = 0, height = 0;
    double frameRate = 0;
    std::int64_t positions = 0;               // stream length in frames, empty positions included
    std::vector<std::int64_t> pictures;       // positions that hold a picture
    bool allKeyFrames = true;
    int audioStreams = 0;
    double audioSeconds = 0;
    int audioRate = 0, audioChannels = 0;

    double VideoSeconds() const { return frameRate > 0 ? positions / frameRate : 0; }
};

using PictureVisitor = std::function<void(std::int64_t position, const kv::FrameImage& bgra)>;

AviReadBack ReadAvi(const std::string& path, const PictureVisitor& visit = {});

// Decodes the whole file with the ffmpeg command at a constant frame rate,
// as a conversion does, and gives every output picture in order (BGRA).
// False when ffmpeg could not decode it.
bool DecodeWithFfmpeg(const std::string& path, int width, int height,
                      const std::function<void(const kv::FrameImage& bgra)>& visit);

}  // namespace kvtest
