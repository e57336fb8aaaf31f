#pragma once
// What a media file's first video stream holds, read from its headers.
#include <string>

namespace kv::media {

struct VideoStreamInfo {
    std::string codec;        // FFmpeg's codec name ("h264", "mpeg4"); empty when unreadable
    std::string pixelFormat;  // "yuv444p", "yuv420p", ...; empty when unknown
    double seconds = 0;       // the file's length; 0 when unknown
    bool coverArt = false;    // the picture is a sound file's cover, not a film
};

VideoStreamInfo ReadVideoStreamInfo(const std::string& path);

}  // namespace kv::media
