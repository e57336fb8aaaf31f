// The recorder's own BGRA to YUV 4:4:4 conversion against libswscale's.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <vector>

#include "platform/media/BgraToYuv444.h"

extern "C" {
#include <libswscale/swscale.h>
}

namespace {

struct Planes {
    Planes(int width, int height, int padding) : stride(width + padding), bytes(3, std::vector<std::uint8_t>(stride * height)) {}
    std::uint8_t* const* data() {
        pointers[0] = bytes[0].data();
        pointers[1] = bytes[1].data();
        pointers[2] = bytes[2].data();
        return pointers;
    }
    int stride;
    int strides[3] = {stride, stride, stride};
    std::vector<std::vector<std::uint8_t>> bytes;
    std::uint8_t* pointers[3] = {};
};

// Largest difference between ours and libswscale's result for one picture.
int LargestDifference(int width, int height, const std::vector<std::uint8_t>& bgra, int stride) {
    kv::FrameImage image{width, height, stride, const_cast<std::uint8_t*>(bgra.data())};
    Planes ours(width, height, 7), theirs(width, height, 7);
    kv::media::BgraToYuv444(image, ours.data(), ours.strides);
    SwsContext* scale = sws_getContext(width, height, AV_PIX_FMT_BGRA, width, height, AV_PIX_FMT_YUV444P, SWS_POINT,
                                       nullptr, nullptr, nullptr);
    const std::uint8_t* source[1] = {bgra.data()};
    sws_scale(scale, source, &stride, 0, height, theirs.data(), theirs.strides);
    sws_freeContext(scale);
    int largest = 0;
    for (int plane = 0; plane < 3; ++plane)
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const std::size_t at = static_cast<std::size_t>(y) * ours.stride + x;
                largest = std::max(largest, std::abs(ours.bytes[plane][at] - theirs.bytes[plane][at]));
            }
    return largest;
}

TEST(BgraToYuv444Test, AgreesWithLibswscaleOnAnyPictureWidthAndRowPadding) {
    std::mt19937 random(7);
    for (const auto& [width, height] : {std::pair{1920, 8}, std::pair{37, 5}, std::pair{1, 1}}) {
        const int stride = width * 4 + 12;
        std::vector<std::uint8_t> bgra(static_cast<std::size_t>(stride) * height);
        for (auto& byte : bgra) byte = static_cast<std::uint8_t>(random());
        EXPECT_LE(LargestDifference(width, height, bgra, stride), 1) << width << "x" << height;
    }
}

TEST(BgraToYuv444Test, BlackWhiteAndPureColoursLandOnTheirStudioValues) {
    // B, G, R, A per pixel: black, white, red, blue.
    std::vector<std::uint8_t> bgra = {0, 0, 0, 255, 255, 255, 255, 255, 0, 0, 255, 255, 255, 0, 0, 255};
    Planes out(4, 1, 0);
    kv::media::BgraToYuv444({4, 1, 16, bgra.data()}, out.data(), out.strides);
    EXPECT_EQ(out.bytes[0], (std::vector<std::uint8_t>{16, 235, 82, 41}));
    EXPECT_EQ(out.bytes[1], (std::vector<std::uint8_t>{128, 128, 90, 240}));
    EXPECT_EQ(out.bytes[2], (std::vector<std::uint8_t>{128, 128, 240, 110}));
}

}  // namespace
