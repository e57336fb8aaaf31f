// A video joined from pieces of others without re-encoding: every position
// where its piece put it, the gaps showing the picture before, the end held.
#include <gtest/gtest.h>

#include <vector>

#include "platform/media/AviJoin.h"
#include "platform/media/AviVideoWriter.h"
#include "platform/media/VideoEncoders.h"
#include "support/ShellOutput.h"
#include "support/TempDir.h"

namespace {

constexpr int kWidth = 64, kHeight = 48, kFps = 10;

// An AVI with one plain picture of `grey` at each of `positions`.
std::string Pieces(const kvtest::TempDir& dir, const std::string& name, const std::vector<std::pair<long, int>>& pictures) {
    const std::string path = (dir / name).string();
    kv::media::AviVideoWriter writer;
    std::string why;
    EXPECT_TRUE(writer.Open(path, kv::DefaultVideoCompressor().name, kWidth, kHeight, kFps, 80, &why)) << why;
    std::vector<std::uint8_t> pixels(kWidth * kHeight * 4);
    for (const auto& [position, grey] : pictures) {
        std::fill(pixels.begin(), pixels.end(), static_cast<std::uint8_t>(grey));
        kv::FrameImage frame{kWidth, kHeight, kWidth * 4, pixels.data()};
        EXPECT_EQ(writer.WriteFrame(frame, position, &why), kv::media::AviVideoWriter::Result::Written) << why;
    }
    EXPECT_TRUE(writer.Close(&why)) << why;
    return path;
}

TEST(AviJoin, PiecesLandAtTheirPositionsAndGapsHoldThePictureBefore) {
    kvtest::TempDir dir("kalvista-join");
    const std::string stills = Pieces(dir, "stills.avi", {{0, 40}, {20, 200}});
    const std::string moving = Pieces(dir, "moving.avi", {{0, 80}, {1, 100}, {2, 120}, {3, 140}});
    const std::string joined = (dir / "joined.avi").string();
    std::string why;
    // The still at 0, three of the moving pictures from 10 (the fourth is past the piece), the still at 20.
    ASSERT_TRUE(kv::media::JoinAviPieces({{stills, 0, 1, 0}, {moving, 0, 3, 10}, {stills, 20, 21, 0}}, 30, joined, &why))
        << why;
    const std::string grey = kvtest::ShellOutput("ffmpeg -v error -i '" + joined +
                                                 "' -vf fps=10,crop=2:2,format=gray -f rawvideo - 2>/dev/null");
    ASSERT_EQ(grey.size(), 30u * 4) << "the stream lasts its 30 positions";
    std::vector<int> expected(30, 40);
    for (int i = 10; i < 20; ++i) expected[i] = i < 12 ? 80 + 20 * (i - 10) : 120;
    for (int i = 20; i < 30; ++i) expected[i] = 200;
    for (int i = 0; i < 30; ++i)
        EXPECT_NEAR(static_cast<unsigned char>(grey[i * 4]), expected[i], 4) << "position " << i;

    EXPECT_FALSE(kv::media::JoinAviPieces({{(dir / "none.avi").string(), 0, 1, 0}}, 5, joined, &why));
    EXPECT_NE(why.find("none.avi"), std::string::npos) << why;
    EXPECT_FALSE(std::filesystem::exists(joined)) << "nothing half-made is left";
}

}  // namespace
