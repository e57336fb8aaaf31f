// A drawn slide is written and read back as a PNG file, and placed on black
// in a picture of another shape: what comes back is what went in, the bands
// are black, and a picture partly outside is cut, never written past. A
// shape drawn over white and over black gives back its colours and coverage.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/media/Matte.h"
#include "platform/media/PictureFile.h"
#include "support/TempDir.h"

namespace {

kv::media::OwnedPicture Pattern(int width, int height) {
    kv::media::OwnedPicture picture;
    picture.width = width;
    picture.height = height;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.pixels.insert(picture.pixels.end(), {std::uint8_t(x * 7), std::uint8_t(y * 5), std::uint8_t(x + y), 255});
    return picture;
}

TEST(PictureFile, APictureWrittenAsPngReadsBackPixelForPixel) {
    kvtest::TempDir dir{"kalvista-picture"};
    const std::string png = (dir / "slide.png").string();
    const kv::media::OwnedPicture written = Pattern(37, 21);
    std::string why;
    ASSERT_TRUE(kv::media::WritePictureFile(png, written, &why)) << why;
    kv::media::OwnedPicture read;
    ASSERT_TRUE(kv::media::ReadPictureFile(png, 37, 21, read, &why)) << why;
    EXPECT_EQ(read.pixels, written.pixels);
    // Nothing to write, and a folder that is not there, fail with a reason.
    EXPECT_FALSE(kv::media::WritePictureFile(png, kv::media::OwnedPicture{}, &why));
    EXPECT_FALSE(kv::media::WritePictureFile((dir / "none" / "slide.png").string(), written, &why));
    EXPECT_NE(why.find("cannot write the picture"), std::string::npos) << why;
}

// `colour` (BGR) at `alpha` drawn over a plain background, as a drawing blends it.
kv::media::OwnedPicture Over(const kv::media::OwnedPicture& shape, int background) {
    kv::media::OwnedPicture drawn = shape;
    for (size_t i = 0; i < drawn.pixels.size(); i += 4) {
        const int alpha = shape.pixels[i + 3];
        for (int c = 0; c < 3; ++c)
            drawn.pixels[i + c] = std::uint8_t((shape.pixels[i + c] * alpha + background * (255 - alpha) + 127) / 255);
        drawn.pixels[i + 3] = 255;
    }
    return drawn;
}

TEST(PictureFile, AShapeDrawnOverWhiteAndOverBlackGivesBackItsColoursAndCoverage) {
    // Opaque colours (a gradient's bars), a half-covered edge, a translucent
    // fill, and nothing at all.
    kv::media::OwnedPicture shape;
    shape.width = 4, shape.height = 2;
    shape.pixels = {40, 90, 200, 255, 0, 0, 0, 255, 255, 255, 255, 255, 10, 200, 30, 128,
                    200, 100, 50, 77, 255, 255, 255, 26, 0, 0, 0, 0, 90, 30, 160, 230};
    const kv::media::OwnedPicture matte = kv::media::MatteFromWhiteAndBlack(Over(shape, 255), Over(shape, 0));
    ASSERT_EQ(matte.pixels.size(), shape.pixels.size());
    for (size_t i = 0; i < shape.pixels.size(); i += 4) {
        SCOPED_TRACE("pixel " + std::to_string(i / 4));
        EXPECT_NEAR(matte.pixels[i + 3], shape.pixels[i + 3], 1);
        // Laid over any background again, it looks as the office drew it there.
        for (const int background : {0, 96, 255}) {
            for (int c = 0; c < 3; ++c) {
                const int wanted = Over(shape, background).pixels[i + c];
                const int again = (matte.pixels[i + c] * matte.pixels[i + 3] + background * (255 - matte.pixels[i + 3]) + 127) / 255;
                EXPECT_NEAR(again, wanted, 2) << "channel " << c << " over " << background;
            }
        }
    }
    // Two drawings of different sizes give nothing.
    EXPECT_TRUE(kv::media::MatteFromWhiteAndBlack(Pattern(3, 3), Pattern(3, 4)).pixels.empty());
}

TEST(PictureFile, APictureWrittenWithItsAlphaKeepsIt) {
    kvtest::TempDir dir{"kalvista-picture"};
    const std::string png = (dir / "shape.png").string();
    kv::media::OwnedPicture written = Pattern(9, 5);
    for (size_t i = 3; i < written.pixels.size(); i += 4) written.pixels[i] = std::uint8_t(i * 3);
    std::string why;
    ASSERT_TRUE(kv::media::WritePictureFile(png, written, &why, true)) << why;
    kv::media::OwnedPicture read;
    ASSERT_TRUE(kv::media::ReadPictureFile(png, 9, 5, read, &why)) << why;
    EXPECT_EQ(read.pixels, written.pixels);
}

TEST(PictureFile, APlacedPictureHasBlackBandsAndIsCutAtTheEdges) {
    const kv::media::OwnedPicture slide = Pattern(8, 4);
    const kv::media::OwnedPicture placed = kv::media::PlacedOnBlack(10, 8, slide, 1, 2);
    ASSERT_EQ(placed.pixels.size(), 10u * 8 * 4);
    const auto at = [&](const kv::media::OwnedPicture& p, int x, int y) { return &p.pixels[4 * (y * p.width + x)]; };
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 10; ++x) {
            const bool inside = x >= 1 && x < 9 && y >= 2 && y < 6;
            for (int c = 0; c < 3; ++c)
                EXPECT_EQ(at(placed, x, y)[c], inside ? at(slide, x - 1, y - 2)[c] : 0) << x << "," << y;
            EXPECT_EQ(at(placed, x, y)[3], 255);
        }
    }
    // Partly or wholly outside: only what falls inside is copied.
    const kv::media::OwnedPicture cut = kv::media::PlacedOnBlack(4, 3, slide, -5, -2);
    EXPECT_EQ(at(cut, 0, 0)[0], at(slide, 5, 2)[0]);
    EXPECT_EQ(at(cut, 3, 1)[0], 0);
    const kv::media::OwnedPicture away = kv::media::PlacedOnBlack(4, 3, slide, 40, 40);
    for (size_t i = 0; i < away.pixels.size(); ++i) EXPECT_EQ(away.pixels[i], i % 4 == 3 ? 255 : 0);
}

}  // namespace
