#include "recording/TestPictures.h"

#include <random>

namespace kvtest {
namespace {

constexpr int kBits = 8;

OwnedFrame Blank(int width, int height) {
    OwnedFrame frame;
    frame.pixels.assign(static_cast<std::size_t>(width) * height * 4, 0xff);
    frame.image = kv::FrameImage{width, height, width * 4, frame.pixels.data()};
    return frame;
}

void Fill(kv::FrameImage& image, int x0, int y0, int x1, int y1, std::uint8_t b, std::uint8_t g, std::uint8_t r) {
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            std::uint8_t* p = image.Row(y) + x * 4;
            p[0] = b, p[1] = g, p[2] = r, p[3] = 0xff;
        }
}

// Block k of the number: a square in the lower third of the picture.
void BlockArea(const kv::FrameImage& image, int k, int& x0, int& y0, int& x1, int& y1) {
    const int size = image.width / (kBits * 2);
    x0 = size / 2 + k * 2 * size;
    x1 = x0 + size;
    y1 = image.height - size / 2;
    y0 = y1 - size;
}

}  // namespace

OwnedFrame MakeNumberedFrame(int number, int width, int height) {
    OwnedFrame frame = Blank(width, height);
    kv::FrameImage& image = frame.image;
    Fill(image, 0, 0, width, height / 6, 0x93, 0x3a, 0x1f);
    for (int line = 0; line < 4; ++line) {
        const int y = height / 4 + line * height / 12;
        for (int x = width / 10; x < width * 8 / 10; x += 6) Fill(image, x, y, x + 4, y + 2, 0x20, 0x20, 0x20);
    }
    for (int k = 0; k < kBits; ++k) {
        int x0, y0, x1, y1;
        BlockArea(image, k, x0, y0, x1, y1);
        const std::uint8_t v = (number >> k) & 1 ? 0x00 : 0xff;
        Fill(image, x0, y0, x1, y1, v, v, v);
    }
    return frame;
}

int ReadFrameNumber(const kv::FrameImage& picture) {
    int number = 0;
    for (int k = 0; k < kBits; ++k) {
        int x0, y0, x1, y1;
        BlockArea(picture, k, x0, y0, x1, y1);
        const std::uint8_t* p = picture.Row((y0 + y1) / 2) + (x0 + x1) / 2 * 4;
        const int level = (p[0] + p[1] + p[2]) / 3;
        if (level < 60) number |= 1 << k;
        else if (level < 195) return -1;
    }
    return number;
}

OwnedFrame MakeNoiseFrame(int width, int height, unsigned seed) {
    OwnedFrame frame = Blank(width, height);
    std::mt19937 random(seed);
    for (std::uint8_t& byte : frame.pixels) byte = static_cast<std::uint8_t>(random());
    return frame;
}

}  // namespace kvtest
