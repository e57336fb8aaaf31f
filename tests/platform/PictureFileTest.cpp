// A drawn slide is written and read back as a PNG file, and placed on black
// in a picture of another shape: what comes back is what went in, the bands
// are black, and a picture partly outside is cut, never written past.
#include <gtest/gtest.h>

#include <filesystem>

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
