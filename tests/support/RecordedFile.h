#pragma once
// Reads a recorded AVI back with FFmpeg's libraries: which stream positions
// hold a picture, each picture decoded to BGRA, and the sound's length.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/core/FrameImage.h"

namespace kvtest {

struct RecordedFile {
    bool opened = false;
    double frameRate = 0;                // the video stream's declared rate
    int width = 0;
    int height = 0;
    std::string codec;        // the encoder's short name, e.g. "h264"
    std::string pixelFormat;  // e.g. "yuv420p"
    std::vector<std::int64_t> positions;  // positions holding a picture, in order
    std::vector<double> seconds;          // the same pictures' times, unrounded (a drawn video's rate is its own)
    double audioSeconds = -1;             // -1 without a sound stream
    int audioRate = 0;
    int audioChannels = 0;
    std::vector<std::int16_t> pcm16;      // the sound's samples when it is 16-bit PCM

    double VideoSeconds() const { return positions.empty() ? 0 : (positions.back() + 1) / frameRate; }
    // Positions with a picture, as a share of all positions up to the last.
    double Filled() const { return positions.empty() ? 0 : positions.size() / double(positions.back() + 1); }
};

using FrameVisitor = std::function<void(std::int64_t position, const kv::FrameImage& picture)>;

// Reads the file; `visit` (optional) sees every decoded picture.
RecordedFile ReadRecordedFile(const std::string& path, const FrameVisitor& visit = {});

}  // namespace kvtest
