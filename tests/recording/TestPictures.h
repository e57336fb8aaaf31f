#pragma once
// Slide-like test pictures that carry their frame number in large blocks,
// readable again after lossy compression.
#include <cstdint>
#include <vector>

#include "platform/core/FrameImage.h"

namespace kvtest {

struct OwnedFrame {
    std::vector<std::uint8_t> pixels;
    kv::FrameImage image;
};

// White page, a blue title bar, thin dark text-like lines, and `number`
// (0-255) as eight black or white blocks along the bottom.
OwnedFrame MakeNumberedFrame(int number, int width, int height);
// The number read from the blocks; -1 when a block is neither black nor white.
int ReadFrameNumber(const kv::FrameImage& picture);
// Fills a frame with noise that no encoder can shrink.
OwnedFrame MakeNoiseFrame(int width, int height, unsigned seed);

}  // namespace kvtest
