#include <gtest/gtest.h>

#include <vector>

#include "platform/x11/CursorOverlay.h"

namespace {

struct Canvas {
    std::vector<std::uint8_t> bytes;
    kv::FrameImage frame;
    Canvas(int w, int h, std::uint8_t fill) : bytes(static_cast<std::size_t>(w) * h * 4, fill) {
        frame = {w, h, w * 4, bytes.data()};
    }
    const std::uint8_t* At(int x, int y) const { return frame.Row(y) + x * 4; }
};

kv::CursorPicture Solid(int w, int h, std::uint32_t argb) {
    kv::CursorPicture c;
    c.width = w;
    c.height = h;
    c.argb.assign(static_cast<std::size_t>(w) * h, argb);
    return c;
}

}  // namespace

TEST(CursorOverlay, KeepsOnlyTheLow32BitsOfEachPixel) {
    // Sign-extended values as 64-bit Xlib hands them out.
    std::vector<unsigned long> pixels = {0xFFFFFFFFFF0000FFul, 0x00000000800000FFul, 0xDEADBEEF00000000ul};
    std::vector<std::uint32_t> out;
    kv::StoreCursorPixels(pixels.data(), pixels.size(), out);
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(out[0], 0xFF0000FFu);
    EXPECT_EQ(out[1], 0x800000FFu);
    EXPECT_EQ(out[2], 0u);
}

TEST(CursorOverlay, BlendsPremultipliedAndClipsAtEveryEdge) {
    Canvas canvas(8, 6, 200);
    // Opaque blue (B first in memory), then a half-transparent premultiplied red.
    kv::DrawCursor(canvas.frame, Solid(3, 3, 0xFF0000FF), -1, -1);
    EXPECT_EQ(canvas.At(0, 0)[0], 255);
    EXPECT_EQ(canvas.At(0, 0)[2], 0);
    EXPECT_EQ(canvas.At(1, 1)[0], 255);
    EXPECT_EQ(canvas.At(2, 2)[0], 200);  // outside the picture

    kv::DrawCursor(canvas.frame, Solid(4, 4, 0x80800000), 6, 4);
    const std::uint8_t* p = canvas.At(7, 5);
    EXPECT_NEAR(p[2], 128 + 200 * 127 / 255, 1);
    EXPECT_NEAR(p[0], 200 * 127 / 255, 1);
    EXPECT_EQ(canvas.At(5, 5)[2], 200);

    // Fully transparent pixels and pictures entirely outside change nothing.
    Canvas untouched(4, 4, 50);
    kv::DrawCursor(untouched.frame, Solid(4, 4, 0x00FFFFFF), 0, 0);
    kv::DrawCursor(untouched.frame, Solid(4, 4, 0xFFFFFFFF), 4, 0);
    kv::DrawCursor(untouched.frame, Solid(4, 4, 0xFFFFFFFF), -4, -4);
    for (std::uint8_t b : untouched.bytes) ASSERT_EQ(b, 50);
}
