#pragma once
// A 32-bit BGRA picture in memory (byte order B, G, R, A per pixel), as the
// screen grabber hands frames to the video writer. It does not own the pixels.
#include <cstdint>

namespace kv {

struct FrameImage {
    int width = 0;
    int height = 0;
    int stride = 0;  // bytes from one row to the next
    std::uint8_t* pixels = nullptr;

    std::uint8_t* Row(int y) const { return pixels + static_cast<std::ptrdiff_t>(y) * stride; }
    bool Empty() const { return !pixels || width <= 0 || height <= 0; }
};

}  // namespace kv
