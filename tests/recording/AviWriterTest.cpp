// The intermediate video written for real and read back with FFmpeg.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "app/core/SettingsCatalogue.h"
#include "platform/core/Trace.h"
#include "platform/media/VideoEncoders.h"
#include "recording/AviFile.h"
#include "recording/AviReadBack.h"
#include "recording/ChildProcessLimit.h"
#include "recording/TestPictures.h"
#include "recording/state/RecorderState.h"
#include "support/TempDir.h"

namespace kv {
namespace {

using kvtest::ReadAvi;
namespace fs = std::filesystem;

class AviWriterTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_iFrameRate = 10;
        g_iQualityFactor = 80;
    }

    // Writes frames numbered like their positions; false when a call failed.
    bool Write(const std::string& path, const std::vector<long>& positions, int width = 324, int height = 244) {
        CAviFile avi;
        if (avi.Initialise(path, width, height, 0) != S_OK) return false;
        bool ok = true;
        for (long position : positions) {
            kvtest::OwnedFrame frame = kvtest::MakeNumberedFrame(static_cast<int>(position), width, height);
            ok = avi.AppendNewFrame(frame.image, position) == S_OK && ok;
        }
        return avi.ReleaseMemory() && ok;
    }

    // Decodes every picture; those that do not show the number of their
    // position are counted, and so are pictures that did not decode.
    static int MismatchedPictures(const std::string& path) {
        int right = 0, decoded = 0;
        const kvtest::AviReadBack back = ReadAvi(path, [&](std::int64_t position, const FrameImage& picture) {
            ++decoded;
            if (kvtest::ReadFrameNumber(picture) == position) ++right;
        });
        return static_cast<int>(back.pictures.size()) - right + std::abs(decoded - static_cast<int>(back.pictures.size()));
    }

    kvtest::ScopedRegistry registry;
    kvtest::TempDir dir;
};

TEST(VideoEncodersTest, TableListsUsableEncodersDefaultFirst) {
    const std::vector<VideoCompressorInfo> table = EnumerateVideoCompressors(324, 244);
    ASSERT_FALSE(table.empty());
    EXPECT_LE(table.size(), static_cast<std::size_t>(kMaxInstalledCompressors));
    EXPECT_EQ(table.front().name, DefaultVideoCompressor().name);
    std::set<std::string> descriptions;
    for (const VideoCompressorInfo& info : table) {
        EXPECT_EQ(info.fccType, ICTYPE_VIDEO);
        EXPECT_NE(info.fccHandler, 0u) << info.name;
        const std::string fcc = FourCCText(info.fccHandler);
        EXPECT_TRUE(fcc != "I420" && fcc != "XVID" && fcc != "IYUV") << info.name;
        EXPECT_NE(info.name, "rawvideo");
        EXPECT_TRUE(descriptions.insert(info.description).second) << info.description;
    }
    EXPECT_EQ(FindCompressorByDescription(table, "Microsoft MPEG-4 Video Codec V1"), -1);
    const std::string shouted = [&] {
        std::string s = table.back().description;
        for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return s;
    }();
    EXPECT_EQ(FindCompressorByDescription(table, shouted), static_cast<int>(table.size()) - 1);
}

// A run without the wizard finds the stored encoder without listing them all.
TEST_F(AviWriterTest, WithoutTheWizardsTableTheStoredDescriptionIsFound) {
    if (InstalledCompressorsFilled()) GTEST_SKIP() << "the table was filled earlier in this process";
    TraceCapture trace;
    settings::VideoCompression.Set("Huffyuv / HuffYUV");
    ASSERT_TRUE(Write((dir / "huffyuv.avi").string(), {0, 1}));
    EXPECT_EQ(ReadAvi((dir / "huffyuv.avi").string()).videoCodec, "huffyuv");
    EXPECT_TRUE(trace.Contains("CAviFile::Initialise , *Found*, counter: 0, Desc: Huffyuv / HuffYUV"));
    EXPECT_FALSE(InstalledCompressorsFilled());
}

// Every encoder the codec list offers writes a file that FFmpeg reads back
// with the right codec, size, rate, positions and pictures.
TEST_F(AviWriterTest, EveryListedEncoderWritesReadableKeyFrames) {
    const std::vector<VideoCompressorInfo> table = EnumerateVideoCompressors(324, 244);
    SetInstalledCompressors(table);
    for (const VideoCompressorInfo& info : table) {
        SCOPED_TRACE(info.name);
        settings::VideoCompression.Set(info.description);
        g_iFrameRate = 10;
        g_iQualityFactor = 80;
        const std::string path = (dir / (info.name + ".avi")).string();
        ASSERT_TRUE(Write(path, {0, 1, 2, 3, 4, 5}));
        const kvtest::AviReadBack back = ReadAvi(path);
        ASSERT_TRUE(back.opened);
        EXPECT_EQ(back.videoTag, info.fccHandler);
        EXPECT_EQ(back.width, 324);
        EXPECT_EQ(back.height, 244);
        EXPECT_DOUBLE_EQ(back.frameRate, 10);
        EXPECT_EQ(back.positions, 6);
        EXPECT_EQ(back.pictures.size(), 6u);
        EXPECT_TRUE(back.allKeyFrames);
        EXPECT_EQ(MismatchedPictures(path), 0);
    }
}

TEST_F(AviWriterTest, DefaultEncoderWhenTheDescriptionIsNotListedAndFoundIgnoringCase) {
    SetInstalledCompressors(EnumerateVideoCompressors(324, 244));
    {
        TraceCapture trace;
        ASSERT_TRUE(Write((dir / "default.avi").string(), {0, 1}));
        EXPECT_FALSE(trace.Contains("*Found*"));
        EXPECT_EQ(ReadAvi((dir / "default.avi").string()).videoCodec, "h264");
    }
    TraceCapture trace;
    settings::VideoCompression.Set("mjpeg (MOTION jpeg)");
    ASSERT_TRUE(Write((dir / "mjpeg.avi").string(), {0, 1}));
    EXPECT_EQ(ReadAvi((dir / "mjpeg.avi").string()).videoCodec, "mjpeg");
    bool found = false;
    for (const std::string& line : trace.Lines())
        found = found || line.find("CAviFile::Initialise , *Found*, counter: ") == 0;
    EXPECT_TRUE(found);
}

// The duration follows the positions: gaps in the middle and at the end
// stay as empty positions.
TEST_F(AviWriterTest, SkippedPositionsKeepTheDuration) {
    const std::string path = (dir / "gaps.avi").string();
    ASSERT_TRUE(Write(path, {0, 1, 2, 5, 6}));
    kvtest::AviReadBack back = ReadAvi(path);
    EXPECT_EQ(back.positions, 7);
    EXPECT_EQ(back.pictures, (std::vector<std::int64_t>{0, 1, 2, 5, 6}));
    EXPECT_EQ(MismatchedPictures(path), 0);

    // A picture that cannot be read still ends the stream at its position.
    CAviFile avi;
    ASSERT_EQ(avi.Initialise(path, 324, 244, 0), S_OK);
    kvtest::OwnedFrame frame = kvtest::MakeNumberedFrame(0, 324, 244);
    EXPECT_EQ(avi.AppendNewFrame(frame.image, 0), S_OK);
    EXPECT_EQ(avi.AppendNewFrame(FrameImage{}, 3), E_INVALIDARG);
    EXPECT_EQ(avi.AppendNewFrame(frame.image, 3), E_FAIL);  // positions only go forward
    ASSERT_TRUE(avi.ReleaseMemory());
    back = ReadAvi(path);
    EXPECT_EQ(back.positions, 4);
    EXPECT_EQ(back.pictures, (std::vector<std::int64_t>{0}));
}

TEST_F(AviWriterTest, AnUnchangedScreenShowsTheLastPictureAgainForAlmostNothing) {
    const std::string path = (dir / "repeats.avi").string();
    CAviFile avi;
    ASSERT_EQ(avi.Initialise(path, 324, 244, 0), S_OK);
    EXPECT_FALSE(avi.CanRepeatFrames());
    EXPECT_EQ(avi.AppendRepeatedFrame(0), E_INVALIDARG);  // nothing to repeat yet
    const kvtest::OwnedFrame first = kvtest::MakeNumberedFrame(1, 324, 244);
    const kvtest::OwnedFrame fourth = kvtest::MakeNumberedFrame(4, 324, 244);
    ASSERT_EQ(avi.AppendNewFrame(first.image, 1), S_OK);
    ASSERT_TRUE(avi.CanRepeatFrames());
    EXPECT_EQ(avi.AppendRepeatedFrame(2), S_OK);
    EXPECT_EQ(avi.AppendRepeatedFrame(3), S_OK);
    EXPECT_EQ(avi.AppendRepeatedFrame(3), E_FAIL);  // positions only go forward
    ASSERT_EQ(avi.AppendNewFrame(fourth.image, 4), S_OK);
    EXPECT_EQ(avi.AppendRepeatedFrame(6), S_OK);
    const std::uintmax_t twoPictures = fs::file_size(path);
    for (long position = 7; position < 300; ++position) ASSERT_EQ(avi.AppendRepeatedFrame(position), S_OK);
    // A still screen writes no picture data: a chunk header a frame.
    EXPECT_LT(fs::file_size(path) - twoPictures, 293u * 16);
    ASSERT_TRUE(avi.ReleaseMemory());

    // The repeated positions hold no picture of their own, but the last
    // three: the ffmpeg command stops at the last picture.
    const kvtest::AviReadBack back = ReadAvi(path);
    EXPECT_EQ(back.positions, 300);
    EXPECT_TRUE(back.allKeyFrames);
    EXPECT_EQ(back.pictures, (std::vector<std::int64_t>{1, 4, 297, 298, 299}));
    // ... and the ffmpeg command decoding the whole file at its frame rate
    // shows the last picture at each of them, up to the end. (It starts at
    // the first picture, so the empty position 0 is not shown.)
    std::vector<std::pair<int, int>> runs;  // (picture, positions it is shown for)
    ASSERT_TRUE(kvtest::DecodeWithFfmpeg(path, 324, 244, [&](const FrameImage& picture) {
        const int number = kvtest::ReadFrameNumber(picture);
        if (runs.empty() || runs.back().first != number) runs.emplace_back(number, 0);
        ++runs.back().second;
    }));
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0], std::make_pair(1, 3));
    EXPECT_EQ(runs[1].first, 4);
    EXPECT_GE(runs[1].second, 296);
}

TEST_F(AviWriterTest, FrameOfAnotherSizeIsPlacedNotScaled) {
    const std::string path = (dir / "sizes.avi").string();
    CAviFile avi;
    ASSERT_EQ(avi.Initialise(path, 324, 244, 0), S_OK);
    kvtest::OwnedFrame big = kvtest::MakeNumberedFrame(1, 400, 300);
    EXPECT_EQ(avi.AppendNewFrame(big.image, 0), S_OK);
    ASSERT_TRUE(avi.ReleaseMemory());
    const kvtest::AviReadBack back = ReadAvi(path, [](std::int64_t, const FrameImage& picture) {
        EXPECT_LT(picture.Row(5)[0 + 5 * 4], 0xc0);  // the title bar's corner is still there
    });
    EXPECT_EQ(back.width, 324);
    EXPECT_EQ(back.pictures.size(), 1u);
}

TEST_F(AviWriterTest, FailedOpenLeavesTheWriterEmptyAndReleaseIsRepeatable) {
    TraceCapture trace;
    CAviFile avi;
    EXPECT_EQ(avi.Initialise((dir / "no-such-folder" / "x.avi").string(), 324, 244, 0), E_FAIL);
    EXPECT_TRUE(trace.Contains("CAVIFile:Initialise : Unable to Create the Movie File"));
    EXPECT_TRUE(trace.Contains("CAVIFile:Initialise : Error Occured While Rendering the Movie"));
    kvtest::OwnedFrame frame = kvtest::MakeNumberedFrame(0, 324, 244);
    EXPECT_EQ(avi.AppendNewFrame(frame.image, 0), S_OK);  // nothing open: nothing to do
    // Nothing is open, so the next recording's settings stay as they are.
    g_iFrameRate = 10;
    g_iQualityFactor = 80;
    EXPECT_TRUE(avi.ReleaseMemory());
    EXPECT_TRUE(avi.ReleaseMemory());
    EXPECT_EQ(g_iFrameRate.load(), 10);
    EXPECT_EQ(g_iQualityFactor.load(), 80);

    // Closing a file that was open ends its recording's settings.
    ASSERT_EQ(avi.Initialise((dir / "closed.avi").string(), 324, 244, 0), S_OK);
    EXPECT_EQ(avi.AppendNewFrame(frame.image, 0), S_OK);
    EXPECT_TRUE(avi.ReleaseMemory());
    EXPECT_EQ(g_iFrameRate.load(), 0);
    EXPECT_EQ(g_iQualityFactor.load(), 0);
}

TEST_F(AviWriterTest, AnEncoderThatRefusesTheSizeIsNamedAsSuch) {
    settings::VideoCompression.Set("H.263+ / H.263-1998 / H.263 version 2");
    TraceCapture trace;
    CAviFile avi;
    EXPECT_EQ(avi.Initialise((dir / "big.avi").string(), 4096, 2304, 0), E_FAIL);  // H.263 stops at 2048x1152
    EXPECT_TRUE(trace.Contains("CAVIFile:Initialise : Unable to Create Compressed Stream \n"
                               "Compression is not supported for this type of data."));
    EXPECT_FALSE(trace.Contains("Unable to Create the Movie File"));
    EXPECT_TRUE(trace.Contains("CAVIFile:Initialise : Error Occured While Rendering the Movie"));
}

// A file that may not grow (as on a full disk): the writer reports failure,
// never success, and what it wrote stays on disk.
TEST_F(AviWriterTest, FileSizeLimitIsReportedAsFailure) {
    const std::string path = (dir / "limited.avi").string();
    const int code = kvtest::RunWithFileSizeLimit(2'000'000, [&] {
        TraceCapture trace;
        CAviFile avi;
        if (avi.Initialise(path, 324, 244, 0) != S_OK) return 10;
        bool appendFailed = false;
        for (long position = 0; position < 200 && !appendFailed; ++position) {
            kvtest::OwnedFrame noise = kvtest::MakeNoiseFrame(324, 244, static_cast<unsigned>(position));
            appendFailed = avi.AppendNewFrame(noise.image, position) == E_FAIL;
        }
        const bool closed = avi.ReleaseMemory();
        if (!appendFailed && closed) return 11;
        for (const std::string& line : trace.Lines())
            if (line.find("AVIStreamWrite Failed, Error: ") != std::string::npos &&
                line.find_first_of("123456789", line.find("Error: ")) == std::string::npos)
                return 13;  // the code is written as a number
        return trace.Contains("AVIStreamWrite Failed") || trace.Contains("incomplete") ? 0 : 12;
    });
    EXPECT_EQ(code, 0);
    EXPECT_GT(std::filesystem::file_size(path), 1'000'000u);
    EXPECT_FALSE(ReadAvi(path).pictures.empty());
}

}  // namespace
}  // namespace kv
